#include "host/preset_commands.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/cli.h"
#include "host/effect_info.h"
#include "host/module.h"
#include "host/param_units.h"
#include "host/translate.h"
#include "library/host_services.h"
#include "library/translation.h"
#include "platform/text.h"

namespace svt::host {

namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "  preset save NAME --file F [--preset P] [--set Label=value ...] [--name N]\n"
    "                                write a preset file through the module's preset saver\n"
    "  preset load NAME --file F     read one and print its values\n"
    "  render NAME --preset-file F   render with the values of a preset file\n"
    "  info NAME --lang CODE         names, labels, tooltips and presets in a language\n";

int Error(int code, const std::string& message) {
    std::fprintf(stderr, "tumblers: error: %s\n", message.c_str());
    return code;
}

// --- The command line -------------------------------------------------------

struct Words {
    std::string modulePath;
    std::vector<std::string> words; // without the program name and --module
};

Words Split(int argc, char** argv) {
    Words w;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--module" && i + 1 < argc && w.modulePath.empty()) {
            w.modulePath = argv[++i];
        } else if (a.rfind("--module=", 0) == 0 && w.modulePath.empty()) {
            w.modulePath = a.substr(9);
        } else {
            w.words.push_back(a);
        }
    }
    return w;
}

// Takes "--name value" or "--name=value" out of `words`; false when absent.
bool TakeOption(std::vector<std::string>& words, const std::string& name, std::string* value, int* error) {
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--" + name) {
            if (i + 1 >= words.size()) {
                *error = Error(kUsage, "--" + name + " needs a value");
                return false;
            }
            *value = words[i + 1];
            words.erase(words.begin() + long(i), words.begin() + long(i) + 2);
            return true;
        }
        if (words[i].rfind("--" + name + "=", 0) == 0) {
            *value = words[i].substr(name.size() + 3);
            words.erase(words.begin() + long(i));
            return true;
        }
    }
    return false;
}

std::string Lower(std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : (c == '_' || c == '-') ? ' ' : c;
    return s;
}

// A transition by name ("3D Flip", "3d_flip", "flip") or index.
bool Resolve(const EffectModule& module, const std::string& name, uint32_t* index, EffectInfo* info) {
    const std::string wanted = Lower(name);
    for (uint32_t i = 0; i < 1000; ++i) {
        ComPtr<IVideoEffect> e = module.CreateEffect(i);
        if (!e) break;
        const std::string n = Lower(e->GetEffectName() ? e->GetEffectName() : "");
        if (n == wanted || n == "3d " + wanted || name == std::to_string(i)) {
            *index = i;
            *info = EffectInfo::Read(e.get(), i);
            return true;
        }
    }
    return false;
}

// --- The module's preset saver with our dialog answers -----------------------

struct Answer {
    std::u16string path;
    uint32_t refusedCapacity = 0; // the module's room when the path did not fit
};

int32_t AnswerDialog(void* context, void*, const char16_t*, const char16_t*, const char16_t*, char16_t* path,
                     uint32_t capacity, uint32_t) {
    Answer& a = *static_cast<Answer*>(context);
    if (a.path.size() >= capacity) a.refusedCapacity = capacity;
    if (a.path.empty() || a.path.size() >= capacity) return 0;
    std::memcpy(path, a.path.c_str(), (a.path.size() + 1) * sizeof(char16_t));
    return 1;
}

void PrintMessage(void*, const char16_t* title, const char16_t* text, uint32_t) {
    std::string t = ToUtf8(text);
    for (char& c : t)
        if (c == '\n') c = ' ';
    std::fprintf(stderr, "tumblers: %s: %s\n", ToUtf8(title).c_str(), t.c_str());
}

std::u16string Widen(const std::string& utf8) { return platform::Utf8ToUtf16Lossy(utf8); }

// Runs `call` with the module's dialogs answering `file`, then takes the
// services away again.
template <class Call>
uint32_t WithDialogs(const EffectModule& module, const std::string& file, Call call, int* error) {
    const std::string path = module.path().find('/') == std::string::npos ? "./" + module.path() : module.path();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto set = handle ? reinterpret_cast<SVTumblersSetHostServicesFn>(dlsym(handle, "SVTumblersSetHostServices"))
                      : nullptr;
    if (!set) {
        if (handle) dlclose(handle);
        *error = Error(kFailure, "the module offers no SVTumblersSetHostServices; it cannot read or write presets here");
        return kPresetError;
    }
    Answer answer{Widen(file)};
    const SVTHostServices services{sizeof(SVTHostServices), 0, &answer, &AnswerDialog, &AnswerDialog, &PrintMessage};
    set(&services);
    const uint32_t result = call();
    set(nullptr);
    dlclose(handle);
    // A cancelled dialog would read as "nothing to do"; a path the module
    // cannot take is a failure the user must hear about.
    if (answer.refusedCapacity) {
        *error = Error(kFailure, "the path " + file + " is " + std::to_string(answer.path.size()) +
                                     " UTF-16 units long; the module takes at most " +
                                     std::to_string(answer.refusedCapacity - 1) + " (use a shorter path)");
        return kPresetError;
    }
    return result;
}

ComPtr<IPresetSaver> Saver(const EffectModule& module) {
    return ComPtr<IPresetSaver>::Adopt(module.library()->CreatePresetSaver());
}

// Loads `file` for transition `index` into *record; an exit code.
int LoadRecord(const EffectModule& module, uint32_t index, const std::string& file, PresetData* record) {
    ComPtr<IPresetSaver> saver = Saver(module);
    if (!saver) return Error(kFailure, "the module made no preset saver");
    int error = kOk;
    const uint32_t result = WithDialogs(
        module, file, [&] { return saver->LoadPreset(nullptr, module.library(), index, record, nullptr); }, &error);
    if (error) return error;
    return result == kPresetOk ? kOk : kFailure; // the module has said why
}

// --- Values as text -------------------------------------------------------------

// A display value that ParseDisplayValue turns back into the same stored
// value: continuous sliders with all digits (x * range + min is exact in
// double for a float x, and so is the way back), counts as the count the
// module reads, points with all float digits.
bool ExactDisplayValue(const ParamInfo& info, const ParamValue& v, std::string* out) {
    char buf[96];
    switch (info.type) {
    case kParamSlider:
        if (info.slider.continuous == 0) {
            *out = std::to_string(FractionToCount(v.AsSlider(), info.slider.minimum, info.slider.maximum));
        } else {
            const double shown = double(v.AsSlider()) * (double(info.slider.maximum) - info.slider.minimum) +
                                 info.slider.minimum;
            std::snprintf(buf, sizeof buf, "%.17g", shown);
            *out = buf;
        }
        return true;
    case kParamPoint:
        std::snprintf(buf, sizeof buf, "%.9g,%.9g", double(v.X()), double(v.Y()));
        *out = buf;
        return true;
    case kParamChoice:
        if (v.AsChoice() >= ChoiceCount(info)) return false;
        *out = ChoiceEntry(info, v.AsChoice());
        return true;
    case kParamCheck:
        *out = v.AsCheck() ? "on" : "off";
        return true;
    default:
        return false;
    }
}

// --- Commands -------------------------------------------------------------------

int PresetSave(const EffectModule& module, std::vector<std::string> words) {
    int error = kOk;
    std::string file, preset, name, set;
    std::vector<std::string> sets;
    if (!TakeOption(words, "file", &file, &error)) return error ? error : Error(kUsage, "preset save needs --file F");
    TakeOption(words, "preset", &preset, &error);
    TakeOption(words, "name", &name, &error);
    while (TakeOption(words, "set", &set, &error)) sets.push_back(set);
    if (error) return error;
    if (words.size() != 1) return Error(kUsage, "preset save takes one transition name and the options above");

    uint32_t index = 0;
    EffectInfo info;
    if (!Resolve(module, words[0], &index, &info)) return Error(kUsage, "unknown transition \"" + words[0] + "\"");
    PresetData record{};
    for (const ParamInfo& p : info.params) {
        if (record.count == kPresetMaxEntries) break;
        record.entries[record.count++] = {p.defaultValue, p.type};
    }
    if (!preset.empty()) {
        const int p = info.FindPreset(preset);
        if (p < 0) return Error(kUsage, info.name + " has no preset \"" + preset + "\"; its presets are: " +
                                            JoinNames(info.PresetNames()));
        for (int i = 0; i < record.count; ++i) record.entries[i].value = info.presets[size_t(p)].values[size_t(i)];
        if (name.empty()) name = info.presets[size_t(p)].name;
    }
    for (const std::string& s : sets) {
        const size_t eq = s.find('=');
        const int i = eq == std::string::npos ? -1 : info.FindParam(s.substr(0, eq));
        std::string why;
        if (i < 0 || i >= record.count)
            return Error(kUsage, "--set takes Label=value with a label of " + info.name + " (" +
                                     JoinNames(info.ParamNames()) + "), not \"" + s + "\"");
        if (!ParseDisplayValue(info.params[size_t(i)], s.substr(eq + 1), &record.entries[i].value, &why))
            return Error(kUsage, why);
    }
    if (name.empty()) name = "Untitled";
    if (name.size() >= sizeof record.name) return Error(kUsage, "--name takes at most 259 bytes");
    std::memcpy(record.name, name.c_str(), name.size() + 1);

    ComPtr<IPresetSaver> saver = Saver(module);
    if (!saver) return Error(kFailure, "the module made no preset saver");
    const uint32_t result = WithDialogs(
        module, file, [&] { return saver->SavePreset(nullptr, module.library(), index, &record, nullptr); }, &error);
    if (error) return error;
    return result == kPresetOk ? kOk : kFailure;
}

int PresetLoad(const EffectModule& module, std::vector<std::string> words) {
    int error = kOk;
    std::string file;
    if (!TakeOption(words, "file", &file, &error)) return error ? error : Error(kUsage, "preset load needs --file F");
    if (words.size() != 1) return Error(kUsage, "preset load takes one transition name and --file F");
    uint32_t index = 0;
    EffectInfo info;
    if (!Resolve(module, words[0], &index, &info)) return Error(kUsage, "unknown transition \"" + words[0] + "\"");
    PresetData record{};
    if (int rc = LoadRecord(module, index, file, &record)) return rc;

    std::printf("%s (%s, %s)\n", record.name, record.effectName, record.libraryName);
    for (size_t i = 0; i < info.params.size(); ++i)
        std::printf("  %-14s %s\n", ParamLabel(info.params[i]).c_str(),
                    FormatDisplayValue(info.params[i], record.entries[i].value).c_str());
    if (size_t(record.count) > info.params.size())
        std::printf("  (%zu more entries than %s has parameters)\n", size_t(record.count) - info.params.size(),
                    info.name.c_str());
    return kOk;
}

// The render options that take a value, so that the transition's name can
// be told from option values.
bool TakesValue(const std::string& option) {
    for (const char* o : {"--from", "--to", "--preset", "--set", "--frames", "--at", "--size", "--format", "--out",
                          "--fps", "--duration", "--fit", "--background", "--codec", "--crf", "--format-out",
                          "--threads"})
        if (option == o) return true;
    return false;
}

int RenderWithPresetFile(const Words& w, std::vector<std::string> words, const std::string& file) {
    std::string name;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i].rfind("--", 0) != 0) {
            name = words[i];
            break;
        }
        if (TakesValue(words[i])) ++i;
    }
    if (name.empty()) return Error(kUsage, "render takes one transition name");
    EffectModule module;
    if (!module.Load(w.modulePath.empty() ? DefaultModulePath() : w.modulePath)) return Error(kFailure, module.error());
    uint32_t index = 0;
    EffectInfo info;
    if (!Resolve(module, name, &index, &info)) return Error(kUsage, "unknown transition \"" + name + "\"");
    PresetData record{};
    if (int rc = LoadRecord(module, index, file, &record)) return rc;

    // The file's values go first, so that --set options given with it win.
    std::vector<std::string> args{"tumblers"};
    if (!w.modulePath.empty()) args.insert(args.end(), {"--module", w.modulePath});
    args.push_back(words[0]);
    for (size_t i = 0; i < info.params.size(); ++i) {
        std::string value;
        if (!ExactDisplayValue(info.params[i], record.entries[i].value, &value))
            return Error(kFailure, file + " holds a value that " + ParamLabel(info.params[i]) + " cannot take");
        args.push_back("--set");
        args.push_back(ParamLabel(info.params[i]) + "=" + value);
    }
    args.insert(args.end(), words.begin() + 1, words.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return RunTumblers(int(args.size()), argv.data());
}

int TranslatedInfo(const EffectModule& module, std::vector<std::string> words, const std::string& language) {
    if (words.size() != 1) return Error(kUsage, "info takes one transition name");
    if (!language.empty() && language.size() != 2) return Error(kUsage, "--lang takes a two-letter code such as de");
    uint32_t index = 0;
    EffectInfo info;
    if (!Resolve(module, words[0], &index, &info)) return Error(kUsage, "unknown transition \"" + words[0] + "\"");
    const Translator tr(module.library(), language);
    if (!tr.available()) {
        const std::vector<std::string> languages = tr.Languages();
        std::fprintf(stderr, "tumblers: no texts in \"%s\"%s%s; showing English\n", tr.language().c_str(),
                     languages.empty() ? " (no language file)" : "; the language file has: ",
                     JoinNames(languages).c_str());
    }

    std::printf("%s (%s, index %u)\n\n", tr.Text(kSectionEffectNames, info.name).c_str(), info.name.c_str(), index);
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ParamInfo& p = info.params[i];
        std::string range = DescribeRange(p);
        if (p.type == kParamChoice) {
            range.clear();
            for (uint32_t e = 0; e < ChoiceCount(p); ++e)
                range += (e ? " | " : "") + tr.Text(kSectionChoiceEntries, ChoiceEntry(p, e));
        }
        std::printf("  %s: %s\n", tr.Text(kSectionParamLabels, ParamLabel(p)).c_str(), range.c_str());
        if (!info.tooltips[i].empty()) std::printf("      \"%s\"\n", tr.Text(kSectionToolTips, info.tooltips[i]).c_str());
    }
    std::printf("\n");
    for (const PresetInfo& preset : info.presets) std::printf("  %s\n", tr.Text(kSectionPresetNames, preset.name).c_str());
    return kOk;
}

} // namespace

bool RunExtraCommand(int argc, char** argv, int* exitCode) {
    Words w = Split(argc, argv);
    if (w.words.empty()) return false;
    const std::string command = w.words[0];
    std::vector<std::string> rest(w.words.begin() + 1, w.words.end());
    int error = kOk;

    if (command == "help" || command == "--help" || command == "-h") {
        *exitCode = RunTumblers(argc, argv);
        std::fputs(kUsageText, stdout);
        return true;
    }
    if (command == "render") {
        std::string file;
        if (!TakeOption(w.words, "preset-file", &file, &error)) {
            if (!error) return false;
            *exitCode = error;
            return true;
        }
        *exitCode = RenderWithPresetFile(w, w.words, file);
        return true;
    }
    std::string language;
    const bool translated = command == "info" && TakeOption(rest, "lang", &language, &error);
    if (error) {
        *exitCode = error;
        return true;
    }
    if (command != "preset" && !translated) return false;

    if (command == "preset" && (rest.empty() || (rest[0] != "save" && rest[0] != "load"))) {
        std::fputs(kUsageText, stderr);
        *exitCode = kUsage;
        return true;
    }
    EffectModule module;
    if (!module.Load(w.modulePath.empty() ? DefaultModulePath() : w.modulePath)) {
        *exitCode = Error(kFailure, module.error());
        return true;
    }
    if (translated) {
        *exitCode = TranslatedInfo(module, rest, language);
    } else {
        const std::vector<std::string> args(rest.begin() + 1, rest.end());
        *exitCode = rest[0] == "save" ? PresetSave(module, args) : PresetLoad(module, args);
    }
    return true;
}

} // namespace svt::host
