#include "host/preset_commands.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/cli.h"
#include "host/effect_info.h"
#include "host/module.h"
#include "host/param_units.h"
#include "host/translate.h"
#include "host/words.h"
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
    "  preset load NAME --file F [--json]   read one and print its values\n"
    "  render NAME --preset-file F   render with the values of a preset file\n";

int Error(int code, const std::string& message) {
    std::fprintf(stderr, "tumblers: error: %s\n", message.c_str());
    return code;
}

// --- The command line -------------------------------------------------------

struct Words {
    std::string modulePath, language;
    std::vector<std::string> words; // without the program name, --module and --lang
};

Words Split(int argc, char** argv) {
    Words w;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--module" && i + 1 < argc && w.modulePath.empty()) {
            w.modulePath = argv[++i];
        } else if (a.rfind("--module=", 0) == 0 && w.modulePath.empty()) {
            w.modulePath = a.substr(9);
        } else if (a == "--lang" && i + 1 < argc && w.language.empty()) {
            w.language = argv[++i];
        } else if (a.rfind("--lang=", 0) == 0 && w.language.empty()) {
            w.language = a.substr(7);
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

// A transition by name (in English or the language) or index, its
// description and its texts in the language.
struct Transition {
    uint32_t index = 0;
    EffectInfo info;
};

int Resolve(const EffectModule& module, const Translator& tr, const std::string& name, Transition* out) {
    std::vector<std::string> names, shown;
    std::vector<EffectInfo> infos;
    for (uint32_t i = 0; i < 1000; ++i) {
        ComPtr<IVideoEffect> e = module.CreateEffect(i);
        if (!e) break;
        infos.push_back(EffectInfo::Read(e.get(), i));
        names.push_back(infos.back().name);
        shown.push_back(tr.Text(kSectionEffectNames, names.back()));
    }
    std::string why;
    const int i = FindTransition(names, shown, name, &why);
    if (i < 0) return Error(kUsage, why);
    out->index = uint32_t(i);
    out->info = std::move(infos[size_t(i)]);
    return kOk;
}

// The code handed to the module's preset saver for its own messages.
const char* SaverLanguage(const Translator& tr) { return tr.available() ? tr.language().c_str() : nullptr; }

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
int LoadRecord(const EffectModule& module, uint32_t index, const std::string& file, PresetData* record,
               const char* language) {
    ComPtr<IPresetSaver> saver = Saver(module);
    if (!saver) return Error(kFailure, "the module made no preset saver");
    int error = kOk;
    const uint32_t result = WithDialogs(
        module, file, [&] { return saver->LoadPreset(nullptr, module.library(), index, record, language); }, &error);
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

int PresetSave(const EffectModule& module, const Translator& tr, std::vector<std::string> words) {
    int error = kOk;
    std::string file, preset, name, set;
    std::vector<std::string> sets;
    if (!TakeOption(words, "file", &file, &error)) return error ? error : Error(kUsage, "preset save needs --file F");
    TakeOption(words, "preset", &preset, &error);
    TakeOption(words, "name", &name, &error);
    while (TakeOption(words, "set", &set, &error)) sets.push_back(set);
    if (error) return error;
    if (words.size() != 1) return Error(kUsage, "preset save takes one transition name and the options above");

    Transition t;
    if (int rc = Resolve(module, tr, words[0], &t)) return rc;
    const uint32_t index = t.index;
    const EffectInfo& info = t.info;
    const EffectTexts texts(tr, info);
    PresetData record{};
    for (const ParamInfo& p : info.params) {
        if (record.count == kPresetMaxEntries) break;
        record.entries[record.count++] = {p.defaultValue, p.type};
    }
    if (!preset.empty()) {
        std::string why;
        const int p = texts.FindPreset(preset, &why);
        if (p < 0) return Error(kUsage, why);
        for (int i = 0; i < record.count; ++i) record.entries[i].value = info.presets[size_t(p)].values[size_t(i)];
        if (name.empty()) name = info.presets[size_t(p)].name;
    }
    for (const std::string& s : sets) {
        std::string why;
        int i = -1;
        ParamValue v{};
        if (!texts.ParseSetting(s, &i, &v, &why)) return Error(kUsage, why);
        if (i < record.count) record.entries[i].value = v;
    }
    if (name.empty()) name = "Untitled";
    if (name.size() >= sizeof record.name) return Error(kUsage, "--name takes at most 259 bytes");
    std::memcpy(record.name, name.c_str(), name.size() + 1);

    ComPtr<IPresetSaver> saver = Saver(module);
    if (!saver) return Error(kFailure, "the module made no preset saver");
    const uint32_t result = WithDialogs(
        module, file, [&] { return saver->SavePreset(nullptr, module.library(), index, &record, SaverLanguage(tr)); }, &error);
    if (error) return error;
    return result == kPresetOk ? kOk : kFailure;
}

int PresetLoad(const EffectModule& module, const Translator& tr, std::vector<std::string> words) {
    int error = kOk;
    std::string file;
    if (!TakeOption(words, "file", &file, &error)) return error ? error : Error(kUsage, "preset load needs --file F");
    const auto json = std::find(words.begin(), words.end(), "--json");
    const bool asJson = json != words.end();
    if (asJson) words.erase(json);
    if (words.size() != 1) return Error(kUsage, "preset load takes one transition name, --file F and --json");
    Transition t;
    if (int rc = Resolve(module, tr, words[0], &t)) return rc;
    const EffectInfo& info = t.info;
    const EffectTexts texts(tr, info);
    PresetData record{};
    if (int rc = LoadRecord(module, t.index, file, &record, SaverLanguage(tr))) return rc;
    const size_t shown = std::min(info.params.size(), size_t(std::clamp(record.count, 0, kPresetMaxEntries)));
    const size_t extra = size_t(std::max(record.count, 0)) - std::min(size_t(std::max(record.count, 0)), info.params.size());

    const std::string name(record.name, strnlen(record.name, sizeof record.name));
    const std::string effect(record.effectName, strnlen(record.effectName, sizeof record.effectName));
    const std::string library(record.libraryName, strnlen(record.libraryName, sizeof record.libraryName));
    if (asJson) {
        // Keys as the module names them, with the values in the language beside.
        std::printf("{\"name\": %s, \"transition\": %s, \"library\": %s, \"language\": %s, \"values\": {",
                    JsonString(name).c_str(), JsonString(effect).c_str(), JsonString(library).c_str(),
                    JsonString(tr.available() ? tr.language() : "en").c_str());
        for (size_t i = 0; i < shown; ++i)
            std::printf("%s%s: %s", i ? ", " : "", JsonString(ParamLabel(info.params[i])).c_str(),
                        JsonString(FormatDisplayValue(info.params[i], record.entries[i].value)).c_str());
        std::printf("}, \"shown\": {");
        for (size_t i = 0; i < shown; ++i)
            std::printf("%s%s: %s", i ? ", " : "", JsonString(texts.label(i)).c_str(),
                        JsonString(texts.Shown(i, record.entries[i].value)).c_str());
        std::printf("}, \"extra_entries\": %zu}\n", extra);
        return kOk;
    }
    std::printf("%s (%s, %s)\n", name.c_str(), effect.c_str(), library.c_str());
    size_t width = 14;
    for (size_t i = 0; i < shown; ++i) width = std::max(width, DisplayWidth(texts.label(i)));
    for (size_t i = 0; i < shown; ++i)
        std::printf("  %s %s\n", Padded(texts.label(i), width).c_str(), texts.Shown(i, record.entries[i].value).c_str());
    if (extra) std::printf("  (%zu more entries than %s has parameters)\n", extra, texts.name().c_str());
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
    const Translator tr(module.library(), w.language);
    Transition t;
    if (int rc = Resolve(module, tr, name, &t)) return rc;
    const EffectInfo& info = t.info;
    PresetData record{};
    if (int rc = LoadRecord(module, t.index, file, &record, SaverLanguage(tr))) return rc;

    // The file's values go first, so that --set options given with it win.
    std::vector<std::string> args{"tumblers"};
    if (!w.modulePath.empty()) args.insert(args.end(), {"--module", w.modulePath});
    if (!w.language.empty()) args.insert(args.end(), {"--lang", w.language});
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
    if (command != "preset") return false;

    if (rest.empty() || (rest[0] != "save" && rest[0] != "load")) {
        std::fputs(kUsageText, stderr);
        *exitCode = kUsage;
        return true;
    }
    EffectModule module;
    if (!module.Load(w.modulePath.empty() ? DefaultModulePath() : w.modulePath)) {
        *exitCode = Error(kFailure, module.error());
        return true;
    }
    if (!w.language.empty() && (w.language.size() != 2 || !std::isalpha(static_cast<unsigned char>(w.language[0])) ||
                                !std::isalpha(static_cast<unsigned char>(w.language[1])))) {
        *exitCode = Error(kUsage, "--lang takes a two-letter code such as de, not \"" + w.language + "\"");
        return true;
    }
    const Translator tr(module.library(), w.language);
    if (!w.language.empty() && !tr.available())
        std::fprintf(stderr, "tumblers: warning: no texts in \"%s\"; showing English\n", w.language.c_str());
    const std::vector<std::string> args(rest.begin() + 1, rest.end());
    *exitCode = rest[0] == "save" ? PresetSave(module, tr, args) : PresetLoad(module, tr, args);
    return true;
}

} // namespace svt::host
