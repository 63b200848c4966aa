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
#include "host/files.h"
#include "host/effect_info.h"
#include "host/frame_sink.h"
#include "host/module.h"
#include "host/param_units.h"
#include "host/picture.h"
#include "host/renderer.h"
#include "host/gl_info.h"

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
    "usage: tumblers [--module PATH] COMMAND ...\n"
    "\n"
    "  list                          the transitions: index, name, flags, parameters, presets\n"
    "  info NAME                     parameters (display units), tooltips and presets\n"
    "  render NAME [options]         render frames of a transition\n"
    "      --from A --to B           pictures (PNG or JPEG); default: the built-in pictures\n"
    "      --preset P                start from a built-in preset\n"
    "      --set Label=value         as the panel shows it: Offset=-100, Slices=12,\n"
    "                                Orientation=Vertical, Reverse=on, Tilt=0.5,0.5\n"
    "      --frames N | --at t,...   N frames over 0..1 (default 30), or the given t\n"
    "      --size WxH                default: picture A's size, else 640x360\n"
    "      --format bgra8|argb8|bgraf|argbf   frame format (default bgra8)\n"
    "      --bottom-up               hand the module bottom-up frames\n"
    "      --fps N                   frame rate of a video (default 25)\n"
    "      --out PATH                picture (one t), folder or name with %d (PNG frames),\n"
    "                                or .mp4/.gif when ffmpeg is on PATH\n"
    "  sheet [NAME...] [--out gallery.png] [--size WxH] [--at t,...] [--format F] [--preset P]\n"
    "                                a contact sheet, one row per transition\n"
    "  bench [NAME...] [--size WxH] [--format F] [--preset P]\n"
    "                                frames per second of CPU time (median of 5 runs of\n"
    "                                20 frames), and of wall-clock time\n"
    "  gpu-info                      the OpenGL context and which transitions render on it\n"
    "\n"
    "NAME is a transition's name (case-insensitive, e.g. \"3d flip\") or its index.\n"
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
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%dx%d%n", w, h, &consumed) != 2 || size_t(consumed) != text.size() || *w < 1 ||
        *h < 1 || *w > 16384 || *h > 16384) {
        *error = "--size takes WIDTHxHEIGHT, each 1 to 16384 (e.g. 640x360), not \"" + text + "\"";
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
};

int OpenModule(const std::string& path, Session* s) {
    if (!s->module.Load(path.empty() ? DefaultModulePath() : path)) return Error(kFailure, s->module.error());
    for (uint32_t i = 0;; ++i) {
        ComPtr<IVideoEffect> e = s->module.CreateEffect(i);
        if (!e || i >= 1000) break;
        const char* n = e->GetEffectName();
        s->names.push_back(n ? n : "");
    }
    return kOk;
}

// The index of a transition given by name (case-insensitive, with or without
// its "3D ") or by index.
int ResolveEffect(const Session& s, const std::string& name, uint32_t* index) {
    // "3D Flip", "3d flip", "3d_flip" and "flip" all name the same one.
    const std::string wanted = Slug(name);
    for (size_t i = 0; i < s.names.size(); ++i)
        if (SameName(s.names[i], name) || Slug(s.names[i]) == wanted || Slug(s.names[i]) == "3d_" + wanted) {
            *index = uint32_t(i);
            return kOk;
        }
    char* stop = nullptr;
    const long i = std::strtol(name.c_str(), &stop, 10);
    if (!name.empty() && !*stop && i >= 0 && size_t(i) < s.names.size()) {
        *index = uint32_t(i);
        return kOk;
    }
    return Error(kUsage, "unknown transition \"" + name + "\"; the transitions are: " + JoinNames(s.names));
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

int ApplyPreset(EffectRenderer& r, const std::string& preset) {
    if (preset.empty()) return kOk;
    const int p = r.info().FindPreset(preset);
    if (p < 0)
        return Error(kUsage, r.info().name + " has no preset \"" + preset + "\"; its presets are: " +
                                 JoinNames(r.info().PresetNames()));
    r.ApplyPreset(p);
    return kOk;
}

int ApplySettings(EffectRenderer& r, const std::vector<std::string>& sets) {
    for (const std::string& set : sets) {
        const size_t eq = set.find('=');
        if (eq == std::string::npos || eq == 0)
            return Error(kUsage, "--set takes Label=value (e.g. Offset=-100), not \"" + set + "\"");
        std::string why;
        if (!r.Set(set.substr(0, eq), set.substr(eq + 1), &why)) return Error(kUsage, why);
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

// ---------------------------------------------------------------------------
// Commands

int List(const Session& s) {
    std::printf("%-5s %-20s %-6s %-6s %s\n", "index", "name", "flags", "params", "presets");
    for (uint32_t i = 0; i < s.names.size(); ++i) {
        ComPtr<IVideoEffect> e = s.module.CreateEffect(i);
        if (!e) continue;
        const EffectInfo info = EffectInfo::Read(e.get(), i);
        std::printf("%-5u %-20s %-6u %-6zu %zu\n", i, info.name.c_str(), info.flags, info.params.size(),
                    info.presets.size());
    }
    return kOk;
}

const char* TypeName(uint32_t type, const ParamInfo& p) {
    switch (type) {
    case kParamSlider: return p.slider.continuous ? "slider" : "count";
    case kParamChoice: return "choice";
    case kParamCheck: return "check";
    case kParamPoint: return "point";
    default: return "?";
    }
}

int Info(const Session& s, const Args& args) {
    if (args.positional.size() != 1) return Error(kUsage, "info takes one transition name");
    uint32_t index = 0;
    if (int rc = ResolveEffect(s, args.positional[0], &index)) return rc;
    ComPtr<IVideoEffect> e = s.module.CreateEffect(index);
    const EffectInfo info = EffectInfo::Read(e.get(), index);
    std::printf("%s (index %u, flags %u)\n\nParameters:\n", info.name.c_str(), index, info.flags);
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ParamInfo& p = info.params[i];
        std::printf("  %-14s %-7s %-34s default %s\n", ParamLabel(p).c_str(), TypeName(p.type, p),
                    DescribeRange(p).c_str(), FormatDisplayValue(p, p.defaultValue).c_str());
        if (!info.tooltips[i].empty()) std::printf("  %-14s \"%s\"\n", "", info.tooltips[i].c_str());
    }
    std::printf("\nPresets:\n");
    for (const PresetInfo& preset : info.presets) {
        std::printf("  %s:", preset.name.c_str());
        for (size_t i = 0; i < info.params.size(); ++i)
            std::printf(" %s=%s", ParamLabel(info.params[i]).c_str(),
                        FormatDisplayValue(info.params[i], preset.values[i]).c_str());
        std::printf("\n");
    }
    return kOk;
}

int LoadPictures(const Args& args, int* w, int* h, Picture* a, Picture* b) {
    std::string why;
    const std::string from = args.Value("from"), to = args.Value("to");
    if (!from.empty() && !ReadPicture(from, a, &why)) return Error(kFailure, why);
    if (!to.empty() && !ReadPicture(to, b, &why)) return Error(kFailure, why);
    if (args.Has("size")) {
        if (!ParseSize(args.Value("size"), w, h, &why)) return Error(kUsage, why);
    } else if (!a->empty()) {
        *w = a->width(), *h = a->height();
    } else if (!b->empty()) {
        *w = b->width(), *h = b->height();
    }
    *a = a->empty() ? BuiltinPictureA(*w, *h) : Resized(*a, *w, *h);
    *b = b->empty() ? BuiltinPictureB(*w, *h) : Resized(*b, *w, *h);
    return kOk;
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
    int fps = 25;
    if (args.Has("fps") && !ParseCount("fps", args.Value("fps"), 1, 240, &fps, &why)) return Error(kUsage, why);

    auto renderer = MakeRenderer(s, index);
    if (!renderer) return Error(kFailure, "the module could not create " + s.names[index]);
    if (int rc = ApplyPreset(*renderer, args.Value("preset"))) return rc;
    auto sets = args.options.find("set");
    if (sets != args.options.end())
        if (int rc = ApplySettings(*renderer, sets->second)) return rc;

    const std::string out =
        args.Value("out", ts.size() == 1 ? Slug(renderer->info().name) + ".png" : Slug(renderer->info().name) + "/");
    SinkKind kind{};
    if (int rc = ChooseSink(out, int(ts.size()), &kind, &why)) return Error(rc, why);

    int w = 640, h = 360;
    Picture a, b;
    if (int rc = LoadPictures(args, &w, &h, &a, &b)) return rc;
    FrameLayout layout;
    layout.topDown = !args.Has("bottom-up");
    if (!renderer->SetPictures(a, b, format, layout)) return Error(kFailure, "not enough memory for the frames");

    FrameSink sink;
    if (!sink.Open(out, kind, w, h, fps, &why)) return Error(kFailure, why);
    ProgressBar bar(int(ts.size()), renderer->info().name);
    bool warned = false;
    for (double t : ts) {
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
        if (int rc = ApplyPreset(*r, args.Value("preset"))) return rc;
        Row row{r->info().name, {}};
        bool skipped = false;
        for (double t : ts) {
            const RenderCheck c = r->Render(t);
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

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

int Bench(const Session& s, const Args& args) {
    std::string why;
    std::vector<uint32_t> indexes;
    if (int rc = ResolveEffects(s, args.positional, &indexes)) return rc;
    int w = 1280, h = 720;
    if (args.Has("size") && !ParseSize(args.Value("size"), &w, &h, &why)) return Error(kUsage, why);
    uint32_t format = kFormatBGRA8;
    if (args.Has("format") && !ParseFormat(args.Value("format"), &format))
        return Error(kUsage, "--format takes bgra8, argb8, bgraf or argbf, not \"" + args.Value("format") + "\"");
    constexpr int kRuns = 5, kFrames = 20;
    const Picture a = BuiltinPictureA(w, h), b = BuiltinPictureB(w, h);
    // Rates come from this thread's CPU time (the module renders on the
    // calling thread), so a busy machine does not halve them; wall-clock
    // rates follow for comparison.
    std::printf("%-20s %-11s %-6s %9s %10s %9s\n", "transition", "size", "format", "fps", "ms/frame", "wall fps");
    bool any = false, warned = false;
    for (uint32_t index : indexes) {
        auto r = MakeRenderer(s, index);
        if (!r || !r->SetPictures(a, b, format)) return Error(kFailure, "not enough memory for the frames");
        if (int rc = ApplyPreset(*r, args.Value("preset"))) return rc;
        if (!r->Render(0.5).rendered) {
            std::printf("%-20s skipped: does not render\n", r->info().name.c_str());
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
        std::printf("%-20s %-11s %-6s %9.1f %10.2f %9.1f\n", r->info().name.c_str(), size, FormatName(format), median,
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
    std::string modulePath;
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
    static const std::map<std::string, std::vector<OptionSpec>> kCommands = {
        {"list", {}},
        {"info", {}},
        {"render",
         {{"from", true}, {"to", true}, {"preset", true}, {"set", true}, {"frames", true}, {"at", true},
          {"size", true}, {"format", true}, {"out", true}, {"fps", true}, {"bottom-up", false}}},
        {"sheet", {{"out", true}, {"size", true}, {"at", true}, {"format", true}, {"preset", true}}},
        {"bench", {{"size", true}, {"format", true}, {"preset", true}}},
        {"gpu-info", {}},
    };
    auto cmd = kCommands.find(command);
    if (cmd == kCommands.end())
        return Error(kUsage, "unknown command \"" + command + "\"; the commands are: list, info, render, sheet, bench, gpu-info");
    Args args;
    std::string why;
    if (!ParseArgs(words, cmd->second, &args, &why)) return Error(kUsage, why);
    if (command == "list" && !args.positional.empty()) return Error(kUsage, "list takes no names");

    Session session;
    if (int rc = OpenModule(modulePath, &session)) return rc;
    if (command == "list") return List(session);
    if (command == "info") return Info(session, args);
    if (command == "render") return Render(session, args);
    if (command == "sheet") return Sheet(session, args);
    if (command == "gpu-info") return GPUInfoCommand(session.module.library());
    return Bench(session, args);
}

} // namespace svt::host
