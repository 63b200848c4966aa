#include "host/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/builtin_pictures.h"
#include "host/clip.h"
#include "host/files.h"
#include "host/effect_info.h"
#include "host/frame_sink.h"
#include "host/media.h"
#include "host/module.h"
#include "host/param_units.h"
#include "host/picture.h"
#include "host/renderer.h"
#include "host/gl_info.h"
#include "host/gpu_renderer.h"
#include "host/translate.h"
#include "host/words.h"
#include "host/xfade_bench.h"
#include "library/translation.h"

namespace svt::host {

namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

#ifdef NDEBUG
constexpr bool kLeaksAreErrors = false;
#else
constexpr bool kLeaksAreErrors = true; // debug builds refuse to go on past a leak
#endif

constexpr const char* kUsageText =
    "usage: tumblers [--module PATH] [--lang CODE] COMMAND ...\n"
    "\n"
    "  list [--json]                 the transitions: index, name, flags, parameters, presets\n"
    "  info NAME [--json]            parameters (display units), tooltips and presets\n"
    "  render NAME [options]         render frames of a transition\n"
    "      --from A --to B           pictures (PNG or JPEG); default: the built-in pictures\n"
    "      --preset P                start from a built-in preset\n"
    "      --set Label=value         as the panel shows it: Offset=-100, Slices=12,\n"
    "                                Orientation=Vertical, Reverse=on, Tilt=0.5,0.5\n"
    "      --frames N | --at t,...   N frames over 0..1 (default 30), or the given t\n"
    "      --size WxH                default: picture A's size, else 640x360\n"
    "      --format bgra8|argb8|bgraf|argbf   frame format (default bgra8)\n"
    "      --top-down                hand the module top-down frames (default: bottom-up,\n"
    "                                so that \"Push Up\" pushes up; --bottom-up is accepted)\n"
    "      --fps N                   frame rate: 25, 30000/1001 or 29.97 (default: A's, else 25)\n"
    "      --out PATH                picture (one t), folder or name with %d (PNG frames),\n"
    "                                or .mp4/.gif when ffmpeg is on PATH\n"
    "  render NAME --from A.mp4 --to B.mov [options]   a transition between two clips\n"
    "      --duration 1.5 | 45f      the overlap in seconds or frames (default 1)\n"
    "      --join                    head of A + transition + tail of B, sound crossfaded\n"
    "      --no-audio                no sound\n"
    "      --fit letterbox|stretch|crop   B (or A under --size) of another shape\n"
    "      --background transparent|first|second|#RRGGBB   what fills transparency\n"
    "      --out F.mp4|.mov|.webm|.mkv|-   .mov (ProRes 4444) and .webm (VP9) keep alpha;\n"
    "                                - writes raw RGBA frames, or --format-out nut|matroska\n"
    "      --codec C  --crf N  --threads N  -y (write over the output)  -q (no progress)\n"
    "      --gpu                     render on OpenGL (a headless EGL context; frames in order)\n"
    "  sheet [NAME...] [--out gallery.png] [--size WxH] [--at t,...] [--format F] [--preset P] [--gpu]\n"
    "                                a contact sheet, one row per transition\n"
    "  bench [NAME...] [--size WxH] [--format F] [--preset P] [--gpu]\n"
    "                                frames per second of CPU time (median of 5 runs of\n"
    "                                20 frames), and of wall-clock time; with --gpu the\n"
    "                                GPU render alone and with the upload and download\n"
    "      --compare-xfade           1080p, one core, beside FFmpeg's xfade fade: no look, default,\n"
    "                                Fog and Shine 100, float, and 4K per pixel\n"
    "  gallery --out DIR [--from A --to B] [--size WxH] [--frames N] [--gpu]\n"
    "                                an HTML page with a looping preview per transition and preset\n"
    "  gpu-info                      the OpenGL context and which transitions render on it\n"
    "\n"
    "NAME is a transition's name (case-insensitive, e.g. \"3d flip\") or its index.\n"
    "--lang CODE (e.g. de, fr) shows and accepts names, labels, entries and presets in\n"
    "that language; by default the environment's (LC_ALL, LC_MESSAGES, LANG) when the\n"
    "language file has it. English names are accepted in any language.\n"
    "Exit codes: 0 done, 1 failure, 2 usage error.\n";

// ---------------------------------------------------------------------------
// Reporting

int Error(int code, const std::string& message) {
    std::fprintf(stderr, "tumblers: error: %s\n", message.c_str());
    if (code == kUsage) std::fprintf(stderr, "(tumblers help shows the usage)\n");
    return code;
}

void Note(const std::string& message) { std::fprintf(stderr, "tumblers: %s\n", message.c_str()); }

class ProgressBar {
public:
    ProgressBar(int total, std::string label) : total_(total), label_(std::move(label)), on_(isatty(2) == 1) {}
    ~ProgressBar() {
        if (on_ && drawn_) std::fprintf(stderr, "\r\033[K");
    }
    void Step() {
        ++done_;
        if (!on_) return;
        constexpr int kWidth = 30;
        const int filled = total_ > 0 ? done_ * kWidth / total_ : kWidth;
        std::fprintf(stderr, "\r%-24.24s [%s%s] %d/%d", label_.c_str(), std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(kWidth - filled), '.').c_str(), done_, total_);
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    int total_, done_ = 0;
    std::string label_;
    bool on_, drawn_ = false;
};

// ---------------------------------------------------------------------------
// Arguments

struct OptionSpec {
    const char* name;
    bool takesValue;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;

    bool Has(const std::string& o) const { return options.count(o) != 0; }
    std::string Value(const std::string& o, const std::string& fallback = "") const {
        auto it = options.find(o);
        return it == options.end() || it->second.empty() ? fallback : it->second.back();
    }
};

bool ParseArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& options, Args* args,
               std::string* error) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 3 || w.compare(0, 2, "--") != 0) {
            args->positional.push_back(w);
            continue;
        }
        std::string name = w.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        auto option = std::find_if(options.begin(), options.end(), [&](const OptionSpec& s) { return name == s.name; });
        if (option == options.end()) {
            std::vector<std::string> names;
            for (const OptionSpec& s : options) names.push_back(std::string("--") + s.name);
            *error = "unknown option --" + name + (names.empty() ? "" : "; this command takes " + JoinNames(names));
            return false;
        }
        if (option->takesValue && !inlineValue) {
            if (i + 1 >= words.size()) {
                *error = "--" + name + " needs a value";
                return false;
            }
            value = words[++i];
        } else if (!option->takesValue && inlineValue) {
            *error = "--" + name + " takes no value";
            return false;
        }
        args->options[name].push_back(value);
    }
    return true;
}

bool ParseSize(const std::string& text, int* w, int* h, std::string* error) {
    // Digits only, each side checked before it becomes an int: 4294967297
    // is too large, not 1.
    const size_t x = text.find('x');
    auto side = [](const std::string& digits, int* out) {
        if (digits.empty() || digits.size() > 6 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        const long v = std::stol(digits);
        if (v < 1 || v > kMaxSide) return false;
        *out = int(v);
        return true;
    };
    if (x == std::string::npos || !side(text.substr(0, x), w) || !side(text.substr(x + 1), h)) {
        *error = "--size takes WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSide) + " (e.g. 640x360), not \"" +
                 text + "\"";
        return false;
    }
    return true;
}

bool ParseTimes(const std::string& text, std::vector<double>* ts, std::string* error) {
    ts->clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        char* stop = nullptr;
        const double t = std::strtod(part.c_str(), &stop);
        if (part.empty() || *stop || !std::isfinite(t)) {
            *error = "--at takes progress values separated by commas (e.g. 0,0.25,0.5), not \"" + text + "\"";
            return false;
        }
        if (t < 0 || t > 1) {
            *error = "--at takes progress values from 0 to 1; " + part + " is outside";
            return false;
        }
        ts->push_back(t);
        start = end + 1;
    }
    return true;
}

bool ParseCount(const std::string& option, const std::string& text, int lo, int hi, int* out, std::string* error) {
    char* stop = nullptr;
    const long v = std::strtol(text.c_str(), &stop, 10);
    if (text.empty() || *stop || v < lo || v > hi) {
        *error = "--" + option + " takes a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                 ", not \"" + text + "\"";
        return false;
    }
    *out = int(v);
    return true;
}

// A progress value for messages: "0.5", not "0.500000".
std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%g", v);
    return buf;
}

std::string Slug(const std::string& name) {
    std::string s;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            s += char(std::tolower(static_cast<unsigned char>(c)));
        else if (!s.empty() && s.back() != '_')
            s += '_';
    }
    while (!s.empty() && s.back() == '_') s.pop_back();
    return s.empty() ? "transition" : s;
}

// ---------------------------------------------------------------------------
// The module and its transitions

struct Session {
    EffectModule module;
    std::vector<std::string> names; // by index
    std::unique_ptr<Translator> tr; // after the module: released before it
    std::vector<std::string> shown; // the names in the user's language
};

int OpenModule(const std::string& path, const std::string& language, Session* s) {
    if (!s->module.Load(path.empty() ? DefaultModulePath() : path)) return Error(kFailure, s->module.error());
    s->tr = std::make_unique<Translator>(s->module.library(), language);
    if (!language.empty() && !s->tr->available()) {
        const std::vector<std::string> languages = s->tr->Languages();
        Note("warning: no texts in \"" + language + "\"" +
             (languages.empty() ? " (no language file)" : "; the language file has: " + JoinNames(languages)) +
             "; showing English");
    }
    for (uint32_t i = 0;; ++i) {
        ComPtr<IVideoEffect> e = s->module.CreateEffect(i);
        if (!e || i >= 1000) break;
        const char* n = e->GetEffectName();
        s->names.push_back(n ? n : "");
        s->shown.push_back(s->tr->Text(svt::kSectionEffectNames, s->names.back()));
    }
    return kOk;
}

// The index of a transition given by name (in English or the user's
// language, case-insensitive, with or without its "3D") or by index.
int ResolveEffect(const Session& s, const std::string& name, uint32_t* index) {
    std::string why;
    const int i = FindTransition(s.names, s.shown, name, &why);
    if (i < 0) return Error(kUsage, why);
    *index = uint32_t(i);
    return kOk;
}

int ResolveEffects(const Session& s, const std::vector<std::string>& names, std::vector<uint32_t>* out) {
    if (names.empty()) {
        for (uint32_t i = 0; i < s.names.size(); ++i) out->push_back(i);
        return kOk;
    }
    for (const std::string& n : names) {
        uint32_t i = 0;
        if (int rc = ResolveEffect(s, n, &i)) return rc;
        out->push_back(i);
    }
    return kOk;
}

std::unique_ptr<EffectRenderer> MakeRenderer(const Session& s, uint32_t index) {
    ComPtr<IVideoEffect> e = s.module.CreateEffect(index);
    if (!e) return nullptr;
    return std::make_unique<EffectRenderer>(std::move(e), index);
}

// --preset and --set in English or the user's language.
int ApplyPreset(const Session& s, EffectRenderer& r, const std::string& preset) {
    if (preset.empty()) return kOk;
    std::string why;
    const int p = EffectTexts(*s.tr, r.info()).FindPreset(preset, &why);
    if (p < 0) return Error(kUsage, why);
    r.ApplyPreset(p);
    return kOk;
}

int ApplySettings(const Session& s, EffectRenderer& r, const std::vector<std::string>& sets) {
    const EffectTexts texts(*s.tr, r.info());
    for (const std::string& set : sets) {
        std::string why;
        int param = -1;
        ParamValue v{};
        if (!texts.ParseSetting(set, &param, &v, &why)) return Error(kUsage, why);
        r.context().SetValue(uint32_t(param), v);
    }
    return kOk;
}

// Renders at t and turns what the module did into an exit code.
int RenderChecked(EffectRenderer& r, double t, bool* warned) {
    const RenderCheck c = r.Render(t);
    if (!c.rendered)
        return Error(kFailure, r.info().name + " did not render at t = " + Num(t) +
                                   " (its render entry returned false)");
    if (!c.clean()) {
        const std::string what = r.info().name + " at t = " + Num(t) + ": " + c.Problems();
        if (kLeaksAreErrors) return Error(kFailure, what);
        if (!*warned) Note("warning: " + what);
        *warned = true;
    }
    return kOk;
}

// With --gpu, the headless OpenGL context every render of the command goes
// through (one context on this thread, frames in order); null without.
int OpenGPU(const Args& args, std::unique_ptr<GPURenderer>* gpu) {
    if (!args.Has("gpu")) return kOk;
    *gpu = std::make_unique<GPURenderer>();
    if (!(*gpu)->Open()) return Error(kFailure, (*gpu)->error());
    return kOk;
}

// ---------------------------------------------------------------------------
// Commands

std::string Json(const std::string& text) { return JsonString(text); }

const char* TypeName(uint32_t type, const ParamInfo& p) {
    switch (type) {
    case kParamSlider: return p.slider.continuous ? "slider" : "count";
    case kParamChoice: return "choice";
    case kParamCheck: return "check";
    case kParamPoint: return "point";
    default: return "?";
    }
}

// The language the texts are shown in: the one asked for when the language
// file has it, else English.
std::string ShownLanguage(const Session& s) { return s.tr->available() ? s.tr->language() : "en"; }

// Names, labels, entries and presets as the module gives them (what scripts
// can rely on in any language), each with its "shown" form in the language.
void PrintInfoJson(const Session& s, const EffectInfo& info) {
    const EffectTexts texts(*s.tr, info);
    std::printf("{\"index\": %u, \"name\": %s, \"shown\": %s, \"language\": %s, \"flags\": %u, \"parameters\": [",
                info.index, Json(info.name).c_str(), Json(texts.name()).c_str(), Json(ShownLanguage(s)).c_str(),
                info.flags);
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ParamInfo& p = info.params[i];
        std::printf("%s{\"label\": %s, \"shown\": %s, \"type\": %s, \"range\": %s, \"default\": %s", i ? ", " : "",
                    Json(ParamLabel(p)).c_str(), Json(texts.label(i)).c_str(), Json(TypeName(p.type, p)).c_str(),
                    Json(DescribeRange(p)).c_str(), Json(FormatDisplayValue(p, p.defaultValue)).c_str());
        if (p.type == kParamChoice) {
            for (const bool shown : {false, true}) {
                std::printf(shown ? ", \"shown_entries\": [" : ", \"entries\": [");
                for (uint32_t e = 0; e < ChoiceCount(p); ++e)
                    std::printf("%s%s", e ? ", " : "", Json(shown ? texts.entry(i, e) : ChoiceEntry(p, e)).c_str());
                std::printf("]");
            }
        }
        std::printf(", \"tooltip\": %s}", Json(texts.tooltip(i)).c_str());
    }
    std::printf("], \"presets\": [");
    for (size_t k = 0; k < info.presets.size(); ++k) {
        std::printf("%s{\"name\": %s, \"shown\": %s, \"values\": {", k ? ", " : "", Json(info.presets[k].name).c_str(),
                    Json(texts.preset(k)).c_str());
        for (size_t i = 0; i < info.params.size() && i < info.presets[k].values.size(); ++i)
            std::printf("%s%s: %s", i ? ", " : "", Json(ParamLabel(info.params[i])).c_str(),
                        Json(FormatDisplayValue(info.params[i], info.presets[k].values[i])).c_str());
        std::printf("}}");
    }
    std::printf("]}");
}

int List(const Session& s, bool json) {
    if (json) {
        std::printf("[");
        for (uint32_t i = 0; i < s.names.size(); ++i) {
            ComPtr<IVideoEffect> e = s.module.CreateEffect(i);
            if (!e) continue;
            const EffectInfo info = EffectInfo::Read(e.get(), i);
            std::printf("%s{\"index\": %u, \"name\": %s, \"shown\": %s, \"flags\": %u, \"parameters\": %zu, "
                        "\"presets\": %zu}",
                        i ? ",\n " : "", i, Json(info.name).c_str(), Json(s.shown[i]).c_str(), info.flags,
                        info.params.size(), info.presets.size());
        }
        std::printf("]\n");
        return kOk;
    }
    std::printf("%-5s %-24s %-6s %-6s %s\n", "index", "name", "flags", "params", "presets");
    for (uint32_t i = 0; i < s.names.size(); ++i) {
        ComPtr<IVideoEffect> e = s.module.CreateEffect(i);
        if (!e) continue;
        const EffectInfo info = EffectInfo::Read(e.get(), i);
        std::printf("%-5u %s %-6u %-6zu %zu\n", i, Padded(s.shown[i], 24).c_str(), info.flags, info.params.size(),
                    info.presets.size());
    }
    return kOk;
}

int Info(const Session& s, const Args& args) {
    if (args.positional.size() != 1) return Error(kUsage, "info takes one transition name");
    uint32_t index = 0;
    if (int rc = ResolveEffect(s, args.positional[0], &index)) return rc;
    ComPtr<IVideoEffect> e = s.module.CreateEffect(index);
    const EffectInfo info = EffectInfo::Read(e.get(), index);
    if (args.Has("json")) {
        PrintInfoJson(s, info);
        std::printf("\n");
        return kOk;
    }
    const EffectTexts texts(*s.tr, info);
    std::printf("%s%s (index %u, flags %u)\n\nParameters:\n", texts.name().c_str(),
                texts.name() == info.name ? "" : (" / " + info.name).c_str(), index, info.flags);
    size_t width = 14;
    for (size_t i = 0; i < info.params.size(); ++i) width = std::max(width, DisplayWidth(texts.label(i)));
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ParamInfo& p = info.params[i];
        std::printf("  %s %-7s %s default %s\n", Padded(texts.label(i), width).c_str(), TypeName(p.type, p),
                    Padded(texts.Range(i), 34).c_str(), texts.Shown(i, p.defaultValue).c_str());
        if (!texts.tooltip(i).empty())
            std::printf("  %s \"%s\"\n", std::string(width, ' ').c_str(), texts.tooltip(i).c_str());
    }
    std::printf("\nPresets:\n");
    for (size_t k = 0; k < info.presets.size(); ++k) {
        std::printf("  %s:", texts.preset(k).c_str());
        for (size_t i = 0; i < info.params.size(); ++i)
            std::printf(" %s=%s", texts.label(i).c_str(), texts.Shown(i, info.presets[k].values[i]).c_str());
        std::printf("\n");
    }
    return kOk;
}

int LoadPictures(const Args& args, int* w, int* h, Picture* a, Picture* b) {
    std::string why;
    const std::string from = args.Value("from"), to = args.Value("to");
    const bool lenient = args.Has("lenient");
    if (!from.empty() && !ReadPicture(from, a, &why, lenient)) return Error(kFailure, why);
    if (!to.empty() && !ReadPicture(to, b, &why, lenient)) return Error(kFailure, why);
    if (args.Has("size")) {
        if (!ParseSize(args.Value("size"), w, h, &why)) return Error(kUsage, why);
    } else if (!a->empty()) {
        *w = a->width(), *h = a->height();
    } else if (!b->empty()) {
        *w = b->width(), *h = b->height();
    }
    // Frames A, B and out in the module's format, and the pictures they come from.
    uint32_t format = kFormatBGRA8;
    ParseFormat(args.Value("format", "bgra8"), &format);
    const double need = double(*w) * *h * (3.0 * PixelSizeOf(format) + 5 * 4);
    if (!FitsInMemory(need, "rendering at " + std::to_string(*w) + "x" + std::to_string(*h), &why))
        return Error(kFailure, why);
    *a = a->empty() ? BuiltinPictureA(*w, *h) : Resized(*a, *w, *h);
    *b = b->empty() ? BuiltinPictureB(*w, *h) : Resized(*b, *w, *h);
    return kOk;
}

int RenderClipCommand(const Session& s, uint32_t index, const Args& args, uint32_t format, Rational rate,
                      const FrameLayout& layout) {
    std::string why;
    ClipJob job;
    job.from = args.Value("from");
    job.to = args.Value("to");
    job.out = args.Value("out");
    if (job.out.empty()) return Error(kUsage, "a clip transition needs --out (a .mp4, .mov, .webm, .mkv or -)");
    job.container = args.Value("format-out");
    job.codec = args.Value("codec");
    if (args.Has("crf") && !ParseCount("crf", args.Value("crf"), 0, 63, &job.crf, &why)) return Error(kUsage, why);
    if (args.Has("duration") && !ParseDuration(args.Value("duration"), &job.seconds, &job.frames))
        return Error(kUsage, "--duration takes seconds (1.5) or frames (45f), not \"" + args.Value("duration") + "\"");
    job.rate = rate;
    if (args.Has("size") && !ParseSize(args.Value("size"), &job.width, &job.height, &why)) return Error(kUsage, why);
    if (args.Has("fit")) {
        const std::string f = args.Value("fit");
        if (f != "letterbox" && f != "stretch" && f != "crop")
            return Error(kUsage, "--fit takes letterbox, stretch or crop, not \"" + f + "\"");
        job.fit = f == "stretch" ? Fit::kStretch : f == "crop" ? Fit::kCrop : Fit::kLetterbox;
        job.fitGiven = true;
    }
    job.background = args.Value("background");
    if (args.Has("background") && !ParseBackground(job.background))
        return Error(kUsage, "--background takes transparent, first, second or #RRGGBB, not \"" + job.background + "\"");
    if (args.Has("threads") && !ParseCount("threads", args.Value("threads"), 1, 256, &job.threads, &why))
        return Error(kUsage, why);
    job.join = args.Has("join");
    job.sound = !args.Has("no-audio");
    job.overwrite = args.Has("yes");
    job.quiet = args.Has("quiet");
    job.format = format;
    job.layout = layout;
    std::unique_ptr<GPURenderer> gpu;
    if (int rc = OpenGPU(args, &gpu)) return rc;
    if (gpu) job.render = [&](EffectRenderer& r, double t, std::string* error) { return gpu->Render(r, t, error); };
    const std::string preset = args.Value("preset");
    auto sets = args.options.find("set");
    const std::vector<std::string> settings = sets == args.options.end() ? std::vector<std::string>{} : sets->second;
    return RenderClip(job, [&](std::string* error) -> std::unique_ptr<EffectRenderer> {
        auto r = MakeRenderer(s, index);
        if (!r) {
            *error = "the module could not create " + s.names[index];
            return nullptr;
        }
        if (ApplyPreset(s, *r, preset) || ApplySettings(s, *r, settings)) {
            *error = "the preset or settings were refused";
            return nullptr;
        }
        return r;
    });
}

int Render(const Session& s, const Args& args) {
    if (args.positional.size() != 1) return Error(kUsage, "render takes one transition name");
    uint32_t index = 0;
    if (int rc = ResolveEffect(s, args.positional[0], &index)) return rc;
    std::string why;
    uint32_t format = kFormatBGRA8;
    if (args.Has("format") && !ParseFormat(args.Value("format"), &format))
        return Error(kUsage, "--format takes bgra8, argb8, bgraf or argbf, not \"" + args.Value("format") + "\"");
    std::vector<double> ts;
    if (args.Has("at") && args.Has("frames")) return Error(kUsage, "give either --frames or --at, not both");
    if (args.Has("at")) {
        if (!ParseTimes(args.Value("at"), &ts, &why)) return Error(kUsage, why);
    } else {
        int n = 30;
        if (args.Has("frames") && !ParseCount("frames", args.Value("frames"), 1, 100000, &n, &why))
            return Error(kUsage, why);
        for (int i = 0; i < n; ++i) ts.push_back(n == 1 ? 0.5 : double(i) / (n - 1));
    }
    Rational rate{0, 1};
    if (args.Has("fps") && !ParseRate(args.Value("fps"), &rate))
        return Error(kUsage, "--fps takes a rate such as 25, 30000/1001 or 29.97, not \"" + args.Value("fps") + "\"");
    const int fps = rate.num > 0 ? std::max(1, int(std::lround(rate.value()))) : 25;
    FrameLayout layout;
    layout.topDown = args.Has("top-down") && !args.Has("bottom-up");
    if (IsClipName(args.Value("from")) || IsClipName(args.Value("to")) || args.Has("duration") || args.Has("join"))
        return RenderClipCommand(s, index, args, format, rate, layout);

    auto renderer = MakeRenderer(s, index);
    if (!renderer) return Error(kFailure, "the module could not create " + s.names[index]);
    if (int rc = ApplyPreset(s, *renderer, args.Value("preset"))) return rc;
    auto sets = args.options.find("set");
    if (sets != args.options.end())
        if (int rc = ApplySettings(s, *renderer, sets->second)) return rc;

    const std::string out =
        args.Value("out", ts.size() == 1 ? Slug(renderer->info().name) + ".png" : Slug(renderer->info().name) + "/");
    SinkKind kind{};
    if (int rc = ChooseSink(out, int(ts.size()), &kind, &why)) return Error(rc, why);

    std::vector<std::string> inputs = {args.Value("from"), args.Value("to"), args.Value("preset-file")};
    for (size_t i = 0; i < (kind == SinkKind::kSequence && IsSequencePattern(out) ? ts.size() : 1); ++i)
        if (int rc = RefuseInputAsOutput(kind == SinkKind::kSequence && IsSequencePattern(out) ? SequenceName(out, int(i))
                                                                                               : out,
                                         inputs, &why))
            return Error(rc, why);

    int w = 640, h = 360;
    Picture a, b;
    if (int rc = LoadPictures(args, &w, &h, &a, &b)) return rc;
    if (!renderer->SetPictures(a, b, format, layout)) return Error(kFailure, "not enough memory for the frames");

    std::unique_ptr<GPURenderer> gpu;
    if (int rc = OpenGPU(args, &gpu)) return rc;
    FrameSink sink;
    if (!sink.Open(out, kind, w, h, fps, &why)) return Error(kFailure, why);
    ProgressBar bar(int(ts.size()), renderer->info().name);
    bool warned = false;
    for (double t : ts) {
        if (gpu && !gpu->Render(*renderer, t, &why)) return Error(kFailure, why);
        if (!gpu)
            if (int rc = RenderChecked(*renderer, t, &warned)) return rc;
        if (!sink.Write(renderer->output().Load(), &why)) return Error(kFailure, why);
        bar.Step();
    }
    if (!sink.Finish(&why)) return Error(kFailure, why);
    return kOk;
}

// A checkerboard under each cell shows where a render left transparency.
Picture Checker(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = ((x / 8 + y / 8) & 1) ? Rgba{96, 96, 96, 255} : Rgba{64, 64, 64, 255};
    return p;
}

int Sheet(const Session& s, const Args& args) {
    std::string why;
    std::vector<uint32_t> indexes;
    if (int rc = ResolveEffects(s, args.positional, &indexes)) return rc;
    int cw = 240, ch = 135;
    if (args.Has("size") && !ParseSize(args.Value("size"), &cw, &ch, &why)) return Error(kUsage, why);
    std::vector<double> ts = {0, 0.2, 0.4, 0.6, 0.8, 1};
    if (args.Has("at") && !ParseTimes(args.Value("at"), &ts, &why)) return Error(kUsage, why);
    uint32_t format = kFormatBGRA8;
    if (args.Has("format") && !ParseFormat(args.Value("format"), &format))
        return Error(kUsage, "--format takes bgra8, argb8, bgraf or argbf, not \"" + args.Value("format") + "\"");
    const std::string out = args.Value("out", "gallery.png");
    const std::string ext = ExtensionOf(out);
    if (ext != "png" && ext != "jpg" && ext != "jpeg")
        return Error(kUsage, "the sheet is one picture: --out needs a .png or .jpg name, not " + out);

    std::unique_ptr<GPURenderer> gpu;
    if (int rc = OpenGPU(args, &gpu)) return rc;
    const Picture a = BuiltinPictureA(cw, ch), b = BuiltinPictureB(cw, ch);
    const Picture checker = Checker(cw, ch);
    struct Row {
        std::string name;
        std::vector<Picture> cells;
    };
    std::vector<Row> rows;
    ProgressBar bar(int(indexes.size()), "sheet");
    bool warned = false;
    for (uint32_t index : indexes) {
        auto r = MakeRenderer(s, index);
        bar.Step();
        if (!r || !r->SetPictures(a, b, format)) return Error(kFailure, "the module could not create " + s.names[index]);
        if (int rc = ApplyPreset(s, *r, args.Value("preset"))) return rc;
        Row row{s.shown[index], {}};
        bool skipped = false;
        for (double t : ts) {
            if (gpu && !gpu->Render(*r, t, &why)) return Error(kFailure, why);
            const RenderCheck c = gpu ? RenderCheck{true} : r->Render(t);
            if (!c.rendered) {
                Note("note: " + row.name + " does not render (at t = " + Num(t) + "); left out");
                skipped = true;
                break;
            }
            if (!c.clean()) {
                const std::string what = row.name + " at t = " + Num(t) + ": " + c.Problems();
                if (kLeaksAreErrors) return Error(kFailure, what);
                if (!warned) Note("warning: " + what);
                warned = true;
            }
            Picture cell = checker;
            cell.Blit(r->output().Load(), 0, 0);
            row.cells.push_back(std::move(cell));
        }
        if (!skipped) rows.push_back(std::move(row));
    }
    if (rows.empty()) return Error(kFailure, "none of the transitions rendered; no sheet written");

    const int scale = ch >= 100 ? 2 : 1, gap = 8 * scale;
    int labelW = 0;
    for (const Row& r : rows) labelW = std::max(labelW, TextWidth(r.name, scale));
    const int headerH = kGlyphHeight * scale + 2 * gap;
    const int x0 = labelW + 2 * gap;
    const int sheetW = x0 + int(ts.size()) * (cw + gap);
    const int sheetH = headerH + int(rows.size()) * (ch + gap) + gap;
    Picture sheet(sheetW, sheetH, {28, 28, 32, 255});
    for (size_t j = 0; j < ts.size(); ++j) {
        char label[32];
        std::snprintf(label, sizeof(label), "T = %g", ts[j]);
        DrawText(sheet, x0 + int(j) * (cw + gap) + (cw - TextWidth(label, scale)) / 2, gap, label, scale,
                 {220, 220, 220, 255});
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const int y = headerH + int(i) * (ch + gap);
        DrawText(sheet, gap, y + (ch - kGlyphHeight * scale) / 2, rows[i].name, scale, {255, 255, 255, 255});
        for (size_t j = 0; j < rows[i].cells.size(); ++j) sheet.Blit(rows[i].cells[j], x0 + int(j) * (cw + gap), y);
    }
    if (!WritePicture(out, sheet, &why)) return Error(kFailure, why);
    return kOk;
}

// An HTML page with a looping preview per transition and per preset.
int Gallery(const Session& s, const Args& args) {
    std::string why;
    const std::string dir = args.Value("out");
    if (dir.empty()) return Error(kUsage, "gallery needs --out DIR");
    int w = 192, h = 108, frames = 24;
    if (args.Has("frames") && !ParseCount("frames", args.Value("frames"), 2, 240, &frames, &why))
        return Error(kUsage, why);
    Args pictureArgs = args;
    if (!args.Has("size")) pictureArgs.options["size"] = {std::to_string(w) + "x" + std::to_string(h)};
    Picture a, b;
    if (int rc = LoadPictures(pictureArgs, &w, &h, &a, &b)) return rc;
    std::unique_ptr<GPURenderer> gpu;
    if (int rc = OpenGPU(args, &gpu)) return rc;
    if (!MakeDirectories(dir, &why)) return Error(kFailure, why);
    FrameLayout layout;
    layout.topDown = args.Has("top-down");
    std::string html =
        "<!doctype html>\n<html lang=\"" + ShownLanguage(s) + "\">\n<meta charset=\"utf-8\">\n<title>Transitions</title>\n<style>body{font-family:sans-serif;"
        "background:#1c1c20;color:#eee}figure{display:inline-block;margin:6px}img{background:repeating-conic-gradient("
        "#555 0 25%,#444 0 50%) 0 0/16px 16px}figcaption{font-size:12px}</style>\n<h1>Transitions</h1>\n";
    ProgressBar bar(int(s.names.size()), "gallery");
    for (uint32_t index = 0; index < s.names.size(); ++index) {
        auto r = MakeRenderer(s, index);
        if (!r || !r->SetPictures(a, b, kFormatBGRA8, layout)) return Error(kFailure, "not enough memory for the frames");
        const EffectInfo& info = r->info();
        const EffectTexts texts(*s.tr, info);
        html += "<h2>" + texts.name() + "</h2>\n";
        for (int preset = -1; preset < int(info.presets.size()); ++preset) {
            if (preset >= 0) r->ApplyPreset(preset);
            const std::string label = preset < 0 ? "default" : texts.preset(size_t(preset));
            const std::string file =
                Slug(info.name) + (preset < 0 ? "" : "__" + Slug(info.presets[size_t(preset)].name)) + ".png";
            WriterOptions o;
            const std::string temp = TemporaryNameFor(dir + "/" + file);
            o.path = temp;
            o.container = "apng";
            o.width = w, o.height = h, o.rate = {12, 1}, o.loop = true;
            TemporaryFile guard(temp);
            ClipWriter writer;
            if (!writer.Open(o, &why)) return Error(kFailure, why);
            for (int f = 0; f < frames; ++f) {
                if (gpu && !gpu->Render(*r, double(f) / (frames - 1), &why)) return Error(kFailure, why);
                if (!gpu && !r->Render(double(f) / (frames - 1)).rendered)
                    return Error(kFailure, info.name + " did not render");
                if (!writer.WritePicture(r->output().Load(), &why)) return Error(kFailure, why);
            }
            if (!writer.Finish(&why) || !guard.Commit(dir + "/" + file, &why)) return Error(kFailure, why);
            html += "<figure><img src=\"" + file + "\" width=\"" + std::to_string(w) + "\" height=\"" +
                    std::to_string(h) + "\" alt=\"" + texts.name() + ", " + label + "\"><figcaption>" + label +
                    "</figcaption></figure>\n";
        }
        bar.Step();
    }
    const std::string page = dir + "/index.html";
    const std::string temp = TemporaryNameFor(page);
    TemporaryFile guard(temp);
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f || std::fwrite(html.data(), 1, html.size(), f) != html.size() || std::fclose(f) != 0)
        return Error(kFailure, "cannot write " + page);
    if (!guard.Commit(page, &why)) return Error(kFailure, why);
    std::printf("%s\n", page.c_str());
    return kOk;
}

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// bench --gpu: wall-clock rates on the GPU, of the render alone (A and B
// uploaded once) and of whole frames with the upload of A and B and the
// download of the output.
int BenchGPU(const Session& s, const std::vector<uint32_t>& indexes, int w, int h, uint32_t format,
             const std::string& preset) {
    std::unique_ptr<GPURenderer> gpu = std::make_unique<GPURenderer>();
    if (!gpu->Open()) return Error(kFailure, gpu->error());
    constexpr int kRuns = 5, kFrames = 20;
    const Picture a = BuiltinPictureA(w, h), b = BuiltinPictureB(w, h);
    std::printf("# %s\n", gpu->context().renderer().c_str());
    std::printf("%-24s %-11s %-6s %11s %10s %11s %10s %10s\n", "transition", "size", "format", "render fps", "ms/frame",
                "frame fps", "upload ms", "down ms");
    std::string why;
    for (uint32_t index : indexes) {
        auto r = MakeRenderer(s, index);
        if (!r || !r->SetPictures(a, b, format)) return Error(kFailure, "not enough memory for the frames");
        if (int rc = ApplyPreset(s, *r, preset)) return rc;
        if (!gpu->Render(*r, 0.5, &why)) return Error(kFailure, why); // programs compiled, targets made
        std::vector<double> renderOnly, whole, up, down;
        ProgressBar bar(kRuns, s.shown[index]);
        for (int run = 0; run < kRuns; ++run) {
            GPURenderer::Times alone, full;
            for (int f = 0; f < kFrames; ++f)
                if (!gpu->Render(*r, (f + 0.5) / kFrames, &why, &alone, true)) return Error(kFailure, why);
            for (int f = 0; f < kFrames; ++f)
                if (!gpu->Render(*r, (f + 0.5) / kFrames, &why, &full, false)) return Error(kFailure, why);
            renderOnly.push_back(kFrames / std::max(alone.render, 1e-9));
            whole.push_back(kFrames / std::max(full.upload + full.render + full.download, 1e-9));
            up.push_back(1000 * full.upload / kFrames);
            down.push_back(1000 * full.download / kFrames);
            bar.Step();
        }
        for (auto* v : {&renderOnly, &whole, &up, &down}) std::sort(v->begin(), v->end());
        char size[32];
        std::snprintf(size, sizeof(size), "%dx%d", w, h);
        std::printf("%s %-11s %-6s %11.1f %10.2f %11.1f %10.2f %10.2f\n", Padded(s.shown[index], 24).c_str(), size,
                    FormatName(format), renderOnly[kRuns / 2], 1000.0 / renderOnly[kRuns / 2], whole[kRuns / 2],
                    up[kRuns / 2], down[kRuns / 2]);
        std::fflush(stdout);
    }
    return kOk;
}

int Bench(const Session& s, const Args& args) {
    std::string why;
    std::vector<uint32_t> indexes;
    if (int rc = ResolveEffects(s, args.positional, &indexes)) return rc;
    if (args.Has("compare-xfade"))
        return CompareWithXfade(indexes, [&](uint32_t i) { return MakeRenderer(s, i); }, XfadeBenchOptions{});
    int w = 1280, h = 720;
    if (args.Has("size") && !ParseSize(args.Value("size"), &w, &h, &why)) return Error(kUsage, why);
    uint32_t format = kFormatBGRA8;
    if (args.Has("format") && !ParseFormat(args.Value("format"), &format))
        return Error(kUsage, "--format takes bgra8, argb8, bgraf or argbf, not \"" + args.Value("format") + "\"");
    if (args.Has("gpu")) return BenchGPU(s, indexes, w, h, format, args.Value("preset"));
    constexpr int kRuns = 5, kFrames = 20;
    const Picture a = BuiltinPictureA(w, h), b = BuiltinPictureB(w, h);
    // Rates come from this thread's CPU time (the module renders on the
    // calling thread), so a busy machine does not halve them; wall-clock
    // rates follow for comparison.
    std::printf("%-24s %-11s %-6s %9s %10s %9s\n", "transition", "size", "format", "fps", "ms/frame", "wall fps");
    bool any = false, warned = false;
    for (uint32_t index : indexes) {
        auto r = MakeRenderer(s, index);
        if (!r || !r->SetPictures(a, b, format)) return Error(kFailure, "not enough memory for the frames");
        if (int rc = ApplyPreset(s, *r, args.Value("preset"))) return rc;
        if (!r->Render(0.5).rendered) {
            std::printf("%s skipped: does not render\n", Padded(s.shown[index], 24).c_str());
            continue;
        }
        std::vector<double> fps, wallFps;
        ProgressBar bar(kRuns, r->info().name);
        for (int run = 0; run < kRuns; ++run) {
            const double cpu0 = ThreadSeconds();
            const auto wall0 = std::chrono::steady_clock::now();
            for (int f = 0; f < kFrames; ++f)
                if (int rc = RenderChecked(*r, (f + 0.5) / kFrames, &warned)) return rc;
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
            fps.push_back(kFrames / std::max(ThreadSeconds() - cpu0, 1e-9));
            wallFps.push_back(kFrames / std::max(wall, 1e-9));
            bar.Step();
        }
        std::sort(fps.begin(), fps.end());
        std::sort(wallFps.begin(), wallFps.end());
        const double median = fps[kRuns / 2];
        char size[32];
        std::snprintf(size, sizeof(size), "%dx%d", w, h);
        std::printf("%s %-11s %-6s %9.1f %10.2f %9.1f\n", Padded(s.shown[index], 24).c_str(), size, FormatName(format), median,
                    1000.0 / median, wallFps[kRuns / 2]);
        std::fflush(stdout);
        any = true;
    }
    return any ? kOk : Error(kFailure, "none of the transitions rendered");
}

} // namespace

int RunTumblers(int argc, char** argv) {
    // A video encoder that quits early must not kill us through its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + std::max(argc, 1));
    for (std::string& w : words) {
        if (w == "-y") w = "--yes";
        if (w == "-q") w = "--quiet";
    }
    InstallCleanupOnSignals();
    std::string modulePath, language;
    // --lang CODE, like --module, goes anywhere on the line and serves every
    // command; without it the environment's language, when the language
    // file has it.
    for (size_t i = 0; i < words.size(); ++i) {
        const bool spaced = words[i] == "--lang" && i + 1 < words.size();
        if (spaced || words[i].rfind("--lang=", 0) == 0) {
            language = spaced ? words[i + 1] : words[i].substr(7);
            words.erase(words.begin() + long(i), words.begin() + long(i) + (spaced ? 2 : 1));
            if (language.size() != 2 || !std::isalpha(static_cast<unsigned char>(language[0])) ||
                !std::isalpha(static_cast<unsigned char>(language[1])))
                return Error(kUsage, "--lang takes a two-letter code such as de, not \"" + language + "\"");
            break;
        }
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--module" && i + 1 < words.size()) {
            modulePath = words[i + 1];
            words.erase(words.begin() + long(i), words.begin() + long(i) + 2);
            break;
        }
        if (words[i].rfind("--module=", 0) == 0) {
            modulePath = words[i].substr(9);
            words.erase(words.begin() + long(i));
            break;
        }
    }
    if (words.empty()) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    const std::string command = words.front();
    words.erase(words.begin());
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(kUsageText, stdout);
        return kOk;
    }
    if (command == "--version" || command == "version") {
        std::printf("tumblers %s\n", SVT_VERSION);
        return kOk;
    }
    if (std::find(words.begin(), words.end(), "--help") != words.end() ||
        std::find(words.begin(), words.end(), "-h") != words.end()) {
        // The command's own lines of the usage.
        const std::string usage = kUsageText;
        std::string shown;
        bool in = false;
        for (size_t start = 0; start < usage.size();) {
            const size_t end = usage.find('\n', start);
            const std::string line = usage.substr(start, end - start);
            if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') in = line.rfind("  " + command, 0) == 0;
            if (in) shown += line + "\n";
            start = end == std::string::npos ? usage.size() : end + 1;
        }
        if (shown.empty()) return Error(kUsage, "unknown command \"" + command + "\"");
        std::fputs(("usage: tumblers [--module PATH] [--lang CODE]\n" + shown).c_str(), stdout);
        return kOk;
    }
    static const std::map<std::string, std::vector<OptionSpec>> kCommands = {
        {"list", {{"json", false}}},
        {"info", {{"json", false}}},
        {"render",
         {{"from", true}, {"to", true}, {"preset", true}, {"set", true}, {"frames", true}, {"at", true},
          {"size", true}, {"format", true}, {"out", true}, {"fps", true}, {"bottom-up", false},
          {"top-down", false}, {"duration", true}, {"join", false}, {"no-audio", false}, {"fit", true},
          {"background", true}, {"codec", true}, {"crf", true}, {"format-out", true}, {"threads", true},
          {"yes", false}, {"quiet", false}, {"lenient", false}, {"gpu", false}}},
        {"sheet", {{"out", true}, {"size", true}, {"at", true}, {"format", true}, {"preset", true}, {"gpu", false}}},
        {"bench",
         {{"size", true}, {"format", true}, {"preset", true}, {"gpu", false}, {"compare-xfade", false}}},
        {"gallery",
         {{"out", true}, {"from", true}, {"to", true}, {"size", true}, {"frames", true}, {"top-down", false},
          {"bottom-up", false}, {"lenient", false}, {"gpu", false}}},
        {"gpu-info", {}},
    };
    auto cmd = kCommands.find(command);
    if (cmd == kCommands.end())
        return Error(kUsage, "unknown command \"" + command + "\"; the commands are: list, info, render, sheet, bench, gallery, gpu-info");
    Args args;
    std::string why;
    if (!ParseArgs(words, cmd->second, &args, &why)) return Error(kUsage, why);
    if (command == "list" && !args.positional.empty()) return Error(kUsage, "list takes no names");

    Session session;
    if (int rc = OpenModule(modulePath, language, &session)) return rc;
    if (command == "list") return List(session, args.Has("json"));
    if (command == "info") return Info(session, args);
    if (command == "render") return Render(session, args);
    if (command == "sheet") return Sheet(session, args);
    if (command == "gallery") return Gallery(session, args);
    if (command == "gpu-info") return GPUInfoCommand(session.module.library(), &session.shown);
    return Bench(session, args);
}

} // namespace svt::host
