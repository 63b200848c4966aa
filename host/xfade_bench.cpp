#include "host/xfade_bench.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/builtin_pictures.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace svt::host {

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Times are this thread's CPU time: the module and the filter both run on
// the calling thread, so other work on a shared machine does not count.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// xfade's "fade" in a filter graph of one thread, fed the same two pictures
// as planar G, B, R, A frames (a format the filter takes as it is, four
// bytes a pixel like BGRA8), so that only the blend itself is timed: no
// decoding, no conversion.
class XfadeFade {
public:
    XfadeFade() = default;
    XfadeFade(const XfadeFade&) = delete;
    XfadeFade& operator=(const XfadeFade&) = delete;
    ~XfadeFade() { Close(); }

    bool Open(const Picture& a, const Picture& b) {
        Close();
        a_ = Planar(a);
        b_ = Planar(b);
        out_ = av_frame_alloc();
        if (!a_ || !b_ || !out_) return false;
        return Graph();
    }

    // One frame pair in, the blends that came out pulled (one once the
    // filter is primed).
    int Step() {
        // A new graph before the longest cross-fade the filter takes (60 s,
        // 1500 frames) runs out keeps every frame a blend.
        if (next_ >= 1400 && !Graph()) return -1;
        a_->pts = b_->pts = next_++;
        if (av_buffersrc_add_frame_flags(in0_, a_, AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
            av_buffersrc_add_frame_flags(in1_, b_, AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
            return -1;
        int got = 0;
        while (av_buffersink_get_frame(sink_, out_) >= 0) {
            ++got;
            av_frame_unref(out_);
        }
        return got;
    }

private:
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext *in0_ = nullptr, *in1_ = nullptr, *fade_ = nullptr, *sink_ = nullptr;
    AVFrame *a_ = nullptr, *b_ = nullptr, *out_ = nullptr;
    int64_t next_ = 0;

    static AVFrame* Planar(const Picture& p) {
        AVFrame* f = av_frame_alloc();
        if (!f) return nullptr;
        f->format = AV_PIX_FMT_GBRAP;
        f->width = p.width();
        f->height = p.height();
        if (av_frame_get_buffer(f, 64) < 0) {
            av_frame_free(&f);
            return nullptr;
        }
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const Rgba c = p.at(x, y);
                f->data[0][y * f->linesize[0] + x] = c.g;
                f->data[1][y * f->linesize[1] + x] = c.b;
                f->data[2][y * f->linesize[2] + x] = c.r;
                f->data[3][y * f->linesize[3] + x] = c.a;
            }
        return f;
    }

    bool Graph() {
        avfilter_graph_free(&graph_);
        graph_ = avfilter_graph_alloc();
        if (!graph_) return false;
        graph_->nb_threads = 1;
        char args[160];
        std::snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=1/25:frame_rate=25/1:pixel_aspect=1/1", a_->width,
                      a_->height, int(AV_PIX_FMT_GBRAP));
        if (avfilter_graph_create_filter(&in0_, avfilter_get_by_name("buffer"), "in0", args, nullptr, graph_) < 0 ||
            avfilter_graph_create_filter(&in1_, avfilter_get_by_name("buffer"), "in1", args, nullptr, graph_) < 0 ||
            avfilter_graph_create_filter(&fade_, avfilter_get_by_name("xfade"), "fade",
                                         "transition=fade:duration=60:offset=0", nullptr, graph_) < 0 ||
            avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                         graph_) < 0)
            return false;
        if (avfilter_link(in0_, 0, fade_, 0) < 0 || avfilter_link(in1_, 0, fade_, 1) < 0 ||
            avfilter_link(fade_, 0, sink_, 0) < 0 || avfilter_graph_config(graph_, nullptr) < 0)
            return false;
        next_ = 0;
        return true;
    }

    void Close() {
        avfilter_graph_free(&graph_);
        av_frame_free(&a_);
        av_frame_free(&b_);
        av_frame_free(&out_);
    }
};

// Each pixel as a 2 x 2 block: a 4K picture in a fraction of the time
// drawing one takes.
Picture Doubled(const Picture& p) {
    Picture d(2 * p.width(), 2 * p.height());
    for (int y = 0; y < d.height(); ++y)
        for (int x = 0; x < d.width(); ++x) d.at(x, y) = p.at(x / 2, y / 2);
    return d;
}

// One figure of the table: a renderer in its settings, and its samples.
struct Case {
    std::unique_ptr<EffectRenderer> renderer;
    std::vector<double> ms;
};

// Milliseconds a frame over `frames` renders through slot 6, the host's own
// work (clearing, checking) left out. Negative when a render fails.
double TimeRenders(EffectRenderer& r, int frames) {
    const double t0 = ThreadSeconds();
    for (int f = 0; f < frames; ++f) {
        const TimingRecord timing{0.0, (f + 0.5) / frames};
        if (!r.effect()->Render(&r.context(), r.frameA().desc(), r.frameB().desc(), r.output().desc(), &timing))
            return -1;
    }
    return (ThreadSeconds() - t0) * 1000.0 / frames;
}

double TimeFade(XfadeFade& fade, int frames) {
    const double t0 = ThreadSeconds();
    for (int f = 0; f < frames; ++f)
        if (fade.Step() < 0) return -1;
    return (ThreadSeconds() - t0) * 1000.0 / frames;
}

} // namespace

int CompareWithXfade(const std::vector<uint32_t>& indexes,
                     const std::function<std::unique_ptr<EffectRenderer>(uint32_t)>& makeRenderer,
                     const XfadeBenchOptions& o) {
    const Picture a = BuiltinPictureA(kWidth, kHeight), b = BuiltinPictureB(kWidth, kHeight);
    Picture bigA, bigB;
    if (o.large) bigA = Doubled(a), bigB = Doubled(b);
    XfadeFade fade;
    if (!fade.Open(a, b)) {
        std::fprintf(stderr, "tumblers: error: FFmpeg's xfade filter cannot be set up\n");
        return 1;
    }
    for (int i = 0; i < 3; ++i) fade.Step(); // primed: from here one blend per step

    std::printf("One core (this thread's CPU time), %dx%d BGRA8 unless named, median of %d rounds of %d frames;\n"
                "fade = FFmpeg's xfade \"fade\" through libavfilter in this process (one thread, planar GBRA,\n"
                "4 bytes a pixel), timed in the same rounds. No look: Fog and Shine at 0.\n\n",
                kWidth, kHeight, o.rounds, o.frames);
    std::printf("%-22s %6s | %-13s | %-13s | %-13s | %-13s | %-13s\n", "", "fade", "  no look", "  default",
                "  Fog+Shine100", "  float", "  3840x2160");
    std::printf("%-22s %6s | %6s %6s | %6s %6s | %6s %6s | %6s %6s | %6s %6s\n", "transition", "ms", "ms", "xfade",
                "ms", "xfade", "ms", "xfade", "ms", "x8bit", "ms", "px/1080");
    std::fflush(stdout);

    for (uint32_t index : indexes) {
        enum { kNoLook, kDefault, kFull, kFloat, kLarge, kCases };
        Case cases[kCases];
        bool hasLook = true;
        for (int c = 0; c < kCases; ++c) {
            if (c == kLarge && !o.large) continue;
            cases[c].renderer = makeRenderer(index);
            EffectRenderer* r = cases[c].renderer.get();
            const bool big = c == kLarge;
            if (!r || !r->SetPictures(big ? bigA : a, big ? bigB : b, c == kFloat ? kFormatBGRAF : kFormatBGRA8)) {
                std::fprintf(stderr, "tumblers: error: not enough memory for the frames\n");
                return 1;
            }
            if (c == kNoLook || c == kFull) {
                const char* amount = c == kNoLook ? "0" : "100";
                hasLook = r->Set("Fog", amount) && r->Set("Shine", amount);
            }
            r->output().FillBytes(0);
            if (TimeRenders(*r, 1) < 0) { // warm: tables, working memory
                std::fprintf(stderr, "tumblers: error: %s does not render\n", r->info().name.c_str());
                return 1;
            }
        }
        std::vector<double> fadeMs;
        for (int round = 0; round < o.rounds; ++round) {
            fadeMs.push_back(TimeFade(fade, o.frames));
            for (int c = 0; c < kCases; ++c) {
                if (!cases[c].renderer || (!hasLook && (c == kDefault || c == kFull))) continue;
                const double ms = TimeRenders(*cases[c].renderer, o.frames);
                if (ms < 0) return 1;
                cases[c].ms.push_back(ms);
            }
        }
        const double f = Median(fadeMs);
        double m[kCases];
        for (int c = 0; c < kCases; ++c) m[c] = Median(cases[c].ms);
        if (!hasLook) m[kDefault] = m[kFull] = m[kNoLook];
        const std::string name = cases[kNoLook].renderer->info().name;
        char look[2][32];
        for (int i = 0; i < 2; ++i) {
            const double v = m[kDefault + i];
            if (hasLook)
                std::snprintf(look[i], sizeof(look[i]), "%6.2f %6.2f", v, v / f);
            else
                std::snprintf(look[i], sizeof(look[i]), "%6s %6s", "-", "-");
        }
        char large[32] = "     -      -";
        if (o.large) std::snprintf(large, sizeof(large), "%6.1f %6.2f", m[kLarge], m[kLarge] / 4.0 / m[kDefault]);
        std::printf("%-22s %6.2f | %6.2f %6.2f | %s | %s | %6.2f %6.2f | %s\n", name.c_str(), f, m[kNoLook],
                    m[kNoLook] / f, look[0], look[1], m[kFloat], m[kFloat] / m[kDefault], large);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace svt::host
