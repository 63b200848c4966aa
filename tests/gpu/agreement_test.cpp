// The GPU render against the CPU render, through the loaded module and the
// real EGL host (llvmpipe in CI): every transition at its defaults and at
// every built-in preset, at t = 0, 0.25, 0.5, 0.75 and 1, on 192 x 108
// frames. At the ends the GPU output is the picture itself; in between the
// two renders cover the same pixels and differ little in colour. (To look at
// a failing case: `tumblers sheet NAME --preset P --at T`, with and without
// --gpu.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "host/builtin_pictures.h"
#include "host/gl_host.h"
#include "host/module.h"
#include "host/picture.h"
#include "host/renderer.h"

namespace svt {
namespace {

constexpr int kWidth = 192, kHeight = 108;
constexpr std::initializer_list<double> kTimes = {0, 0.25, 0.5, 0.75, 1};

// Bounds, from the measurements on llvmpipe. The
// renderers sample differently (the CPU warps with its own filter, the GPU
// samples bilinearly and smooths edges with multisampling), so edges and
// texture detail differ by a few levels on average; the worst measured case
// is 4.7 levels.
constexpr double kMinCoverage = 0.98;  // share of pixels whose alpha agrees
constexpr double kMaxMeanLevels = 5.0; // mean |CPU - GPU| per colour channel, 8-bit levels
// Where each face shows a whole picture minified about 16 times, both
// renderers sample bilinearly without mip levels and so alias, each its own
// way (measured 14.8; 2 levels with pure gradients).
struct Exception {
    const char* transition;
    const char* preset;
    double maxMean;
};
constexpr Exception kExceptions[] = {{"3D Checker Board", "Spinning Mosaic", 16.0}};
// With the glow or metal look the shading itself differs (the GPU blurs in
// its own passes and shades with its own curve), measured up to 18 levels
// (3D Louvers). Held is the broad picture: the mean stays within 24 levels,
// and where the CPU look brightens a pixel clearly the GPU look brightens it
// too (measured at least 91 %).
constexpr double kMaxMeanLevelsWithLook = 24.0;
constexpr double kMinBrightenedTogether = 0.85;

// The built-in pictures at an eighth of the size, enlarged: their shapes
// and lettering (which read wrong when mirrored) without the fine lines and
// rings, whose aliasing under minification depends on each renderer's filter
// rather than on the scene.
host::Picture SmoothPicture(bool first) {
    const int w = kWidth / 8, h = kHeight / 8;
    return host::Resized(first ? host::BuiltinPictureA(w, h) : host::BuiltinPictureB(w, h), kWidth, kHeight);
}

// Alpha-weighted colour, so that the colour of transparent pixels (which
// nothing shows) does not count.
double Premultiplied(uint8_t c, uint8_t a) { return c * (a / 255.0); }

struct Measure {
    double coverage = 1; // share of pixels whose coverage agrees (see Compare)
    double mean = 0;     // mean absolute colour difference, 8-bit levels
};

Measure Compare(const host::Picture& cpu, const host::Picture& gpu) {
    Measure m;
    size_t agree = 0, n = size_t(cpu.width()) * size_t(cpu.height());
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const host::Rgba& c = cpu.pixels()[i];
        const host::Rgba& g = gpu.pixels()[i];
        // Covered (alpha >= 128) on both or on neither; an edge that both
        // renderers smooth (partial alpha on both) agrees too, since they
        // smooth differently (multisampling against the CPU's own).
        const bool partial = c.a > 0 && c.a < 255 && g.a > 0 && g.a < 255;
        agree += (c.a >= 128) == (g.a >= 128) || partial;
        sum += std::abs(Premultiplied(c.r, c.a) - Premultiplied(g.r, g.a)) +
               std::abs(Premultiplied(c.g, c.a) - Premultiplied(g.g, g.a)) +
               std::abs(Premultiplied(c.b, c.a) - Premultiplied(g.b, g.a));
    }
    m.coverage = n ? double(agree) / double(n) : 1;
    m.mean = n ? sum / double(3 * n) : 0;
    return m;
}

double Luma(const host::Rgba& p) { return (0.299 * p.r + 0.587 * p.g + 0.114 * p.b) * (p.a / 255.0); }

// Of the pixels the CPU look brightens by more than 16 levels, the share the
// GPU look brightens too (by more than 0).
double BrightenedTogether(const host::Picture& cpuOff, const host::Picture& cpuOn, const host::Picture& gpuOff,
                          const host::Picture& gpuOn) {
    size_t brightened = 0, together = 0;
    for (size_t i = 0; i < cpuOn.pixels().size(); ++i) {
        if (Luma(cpuOn.pixels()[i]) - Luma(cpuOff.pixels()[i]) <= 16) continue;
        ++brightened;
        together += Luma(gpuOn.pixels()[i]) - Luma(gpuOff.pixels()[i]) > 0;
    }
    return brightened ? double(together) / double(brightened) : 1;
}

class Agreement : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = new host::EffectModule();
        const char* path = std::getenv("SVT_MODULE_PATH");
        if (!module_->Load(path ? path : SVT_BIN_DIR "/SVTumblers.so")) return;
        context_ = new host::GLContext();
        if (context_->Create()) gl_ = new host::GLHost(*context_);
    }
    static void TearDownTestSuite() {
        delete gl_;
        delete context_;
        if (module_ && module_->library()) module_->library()->GetSettings()->SetCropOverscan(0);
        delete module_;
        gl_ = nullptr;
        context_ = nullptr;
        module_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_->library(), nullptr) << module_->error();
        ASSERT_NE(gl_, nullptr) << "no OpenGL context: " << context_->error();
        settings()->SetCropOverscan(0);
    }
    void TearDown() override {
        settings()->SetCropOverscan(0);
        EXPECT_EQ(gl_->liveObjects(), 0) << "a render target or program outlived its frame";
    }
    static ILibrarySettings* settings() { return module_->library()->GetSettings(); }

    std::unique_ptr<host::EffectRenderer> Renderer(uint32_t index) {
        return std::make_unique<host::EffectRenderer>(module_->CreateEffect(index), index);
    }

    // Renders at t on the GPU into `out` (laid out as the caller made it).
    bool RenderGPU(host::EffectRenderer& r, double t, host::HostFrame& out) {
        GPUFrame a{}, b{}, o{};
        out.FillBytes(0);
        bool ok = gl_->Upload(r.frameA().frame(), &a) && gl_->Upload(r.frameB().frame(), &b) &&
                  gl_->Upload(out.frame(), &o);
        host::GPUEffectContext context(*gl_, &r.context());
        const TimingRecord timing{0, t};
        auto* effect = static_cast<IVideoGPUEffect*>(r.effect());
        ok = ok && effect->RenderGPU(nullptr, &context, &gl_->device(), &a, &b, &o, &timing);
        ok = ok && gl_->Download(o, *out.desc());
        for (GPUFrame* f : {&a, &b, &o}) gl_->ReleaseRenderTarget(f);
        EXPECT_EQ(context.outstandingReferences(), 0u);
        return ok;
    }

    // Both renders at t; the CPU output stays in r.output(), the GPU one in
    // `gpu` (same size, format and layout unless the caller changed it).
    void RenderBoth(host::EffectRenderer& r, double t, host::HostFrame& gpu, const std::string& what) {
        const host::RenderCheck check = r.Render(t);
        ASSERT_TRUE(check.rendered) << what << ": CPU render failed";
        ASSERT_TRUE(check.clean()) << what << ": " << check.Problems();
        ASSERT_TRUE(RenderGPU(r, t, gpu)) << what << ": GPU render failed";
    }

    // The exact ends: t <= 0 shows A, t >= 1 shows B, byte for byte (8-bit)
    // or within float rounding (1e-5, a fortieth of an 8-bit level).
    void ExpectPicture(const host::HostFrame& out, const host::HostFrame& expected, const std::string& what) {
        const FrameDesc& f = out.frame();
        const bool floats = f.format == kFormatBGRAF || f.format == kFormatARGBF;
        auto channel = [floats](const uint8_t* p, int c) {
            float v = p[c];
            if (floats) std::memcpy(&v, p + 4 * c, 4);
            return v;
        };
        int bad = 0;
        std::string first;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                for (int c = 0; c < 4; ++c) {
                    const float u = channel(out.PixelAt(x, y), c), v = channel(expected.PixelAt(x, y), c);
                    if (std::abs(u - v) <= (floats ? 1e-5f : 0.0f)) continue;
                    if (bad++ == 0)
                        first = " (first at " + std::to_string(x) + "," + std::to_string(y) + ", channel " +
                                std::to_string(c) + ": " + std::to_string(u) + " instead of " + std::to_string(v) + ")";
                }
        EXPECT_EQ(bad, 0) << what << ": the GPU output is not the picture" << first;
    }

    // In between: coverage and mean colour.
    void ExpectClose(const host::Picture& cpu, const host::Picture& gpu, const std::string& what,
                     double maxMean = kMaxMeanLevels) {
        const Measure m = Compare(cpu, gpu);
        EXPECT_GE(m.coverage, kMinCoverage) << what;
        EXPECT_LE(m.mean, maxMean) << what;
    }

    // The whole comparison of one parameter set at the five progress
    // values: the ends exact, in between close with the look off, and with
    // the look on (when the set has it) brighter together and loosely close.
    void CompareAtAllTimes(host::EffectRenderer& r, host::HostFrame& gpu, const std::string& what, bool withLook,
                           double maxMean = kMaxMeanLevels, std::initializer_list<double> times = kTimes) {
        const std::vector<ParamValue> values = r.context().values();
        for (double t : times) {
            const std::string at = At(what, t);
            SCOPED_TRACE(at);
            for (size_t i = 0; i < values.size(); ++i) r.context().SetValue(uint32_t(i), values[i]);
            if (t <= 0 || t >= 1) {
                ASSERT_TRUE(RenderGPU(r, t, gpu)) << at << ": GPU render failed";
                ExpectPicture(gpu, t <= 0 ? r.frameA() : r.frameB(), at);
                continue;
            }
            host::Picture cpuOn, gpuOn;
            if (withLook) {
                RenderBoth(r, t, gpu, at);
                cpuOn = r.output().Load();
                gpuOn = gpu.Load();
                LookOff(r);
            }
            RenderBoth(r, t, gpu, at);
            const host::Picture cpu = r.output().Load(), gpuOff = gpu.Load();
            ExpectClose(cpu, gpuOff, at, maxMean);
            if (!withLook) continue;
            const Measure look = Compare(cpuOn, gpuOn);
            const double together = BrightenedTogether(cpu, cpuOn, gpuOff, gpuOn);
            EXPECT_LE(look.mean, kMaxMeanLevelsWithLook) << at << " with the look";
            EXPECT_GE(together, kMinBrightenedTogether) << at << " with the look";
        }
        for (size_t i = 0; i < values.size(); ++i) r.context().SetValue(uint32_t(i), values[i]);
    }

    static void LookOff(host::EffectRenderer& r) {
        r.Set("Fog", "0");
        r.Set("Shine", "0");
    }
    static std::string At(const std::string& what, double t) { return what + " t=" + std::to_string(t).substr(0, 4); }

    static bool HasLook(host::EffectRenderer& r) {
        for (const char* name : {"Fog", "Shine"}) {
            const int i = r.info().FindParam(name);
            if (i >= 0 && r.context().values()[size_t(i)].AsSlider() > 0) return true;
        }
        return false;
    }

    static inline host::EffectModule* module_ = nullptr;
    static inline host::GLContext* context_ = nullptr;
    static inline host::GLHost* gl_ = nullptr;
};

constexpr uint32_t kTransitions = 13;

TEST_F(Agreement, EveryTransitionAndPresetAtEveryStage) {
    const host::Picture a = SmoothPicture(true), b = SmoothPicture(false);
    host::FrameLayout bottomUp;
    bottomUp.topDown = false;
    for (uint32_t i = 0; i < kTransitions; ++i) {
        auto r = Renderer(i);
        ASSERT_TRUE(r->SetPictures(a, b, kFormatBGRA8, bottomUp));
        host::HostFrame gpu;
        ASSERT_TRUE(gpu.Allocate(kWidth, kHeight, kFormatBGRA8, bottomUp));
        const std::string name = r->info().name;
        CompareAtAllTimes(*r, gpu, name + " defaults", HasLook(*r));
        for (size_t p = 0; p < r->info().presets.size(); ++p) {
            r->context().ResetToDefaults();
            ASSERT_TRUE(r->ApplyPreset(int(p)));
            const std::string& preset = r->info().presets[p].name;
            double maxMean = kMaxMeanLevels;
            for (const Exception& e : kExceptions)
                if (name == e.transition && preset == e.preset) maxMean = e.maxMean;
            CompareAtAllTimes(*r, gpu, name + " " + preset, HasLook(*r), maxMean);
        }
    }
}

// Formats 0, 1, 3 and 4, both row orders, padded rows, outputs with a
// negative stride, and outputs whose row order (the GPU frame's flipped
// flag) differs from the sources'.
TEST_F(Agreement, FormatsRowOrdersAndFlippedOutputs) {
    struct Variant {
        uint32_t format;
        bool sourcesTopDown, outputTopDown;
        bool sourcesNegative = false;
    };
    constexpr Variant kVariants[] = {
        {kFormatBGRA8, true, true},        {kFormatARGB8, false, false},      {kFormatBGRAF, true, false},
        {kFormatARGBF, false, true},       {kFormatBGRA8, false, true},       {kFormatBGRA8, false, false, true},
        {kFormatBGRAF, true, true, true},
    };
    const host::Picture a = SmoothPicture(true), b = SmoothPicture(false);
    for (uint32_t i = 0; i < kTransitions; ++i) {
        auto r = Renderer(i);
        LookOff(*r);
        for (const Variant& v : kVariants) {
            const host::FrameLayout sources{v.sourcesTopDown, v.sourcesNegative, 12}, output{v.outputTopDown, true, 4};
            // NOTE: the CPU draws in the sources' row order whatever the
            // output's (there is no final copy); the GPU copy flips into the
            // output's. So the GPU picture in an output of the other order
            // is held against the CPU picture in one of the sources' order.
            ASSERT_TRUE(r->SetPictures(a, b, v.format, sources));
            host::HostFrame gpu;
            ASSERT_TRUE(gpu.Allocate(kWidth, kHeight, v.format, output));
            const std::string what = r->info().name + " format " + std::to_string(v.format) +
                                     (v.sourcesTopDown ? " top-down" : " bottom-up") +
                                     (v.sourcesNegative ? ", negative stride" : "") +
                                     (v.outputTopDown != v.sourcesTopDown ? ", output flipped" : "");
            CompareAtAllTimes(*r, gpu, what, false, kMaxMeanLevels, {0.0, 0.5, 1.0});
        }
    }
}

// The "Transparent" background leaves alpha 0 wherever no face is drawn, on
// both renderers alike.
TEST_F(Agreement, TransparentBackgroundStaysTransparent) {
    const host::Picture a = SmoothPicture(true), b = SmoothPicture(false);
    int tried = 0;
    for (uint32_t i = 0; i < kTransitions; ++i) {
        auto r = Renderer(i);
        if (!r->Set("Background", "Transparent")) continue;
        ++tried;
        LookOff(*r);
        r->Set("Slices", "3"); // wide gaps between the pieces that have them
        ASSERT_TRUE(r->SetPictures(a, b, kFormatBGRA8));
        host::HostFrame gpu;
        ASSERT_TRUE(gpu.Allocate(kWidth, kHeight, kFormatBGRA8));
        const std::string what = r->info().name + " transparent t=0.5";
        RenderBoth(*r, 0.5, gpu, what);
        const host::Picture cpu = r->output().Load(), g = gpu.Load();
        // Background away from any drawn pixel (two pixels clear of smoothed
        // edges): transparent on the GPU as on the CPU.
        size_t clear = 0, clearOnGpu = 0;
        for (int y = 2; y < kHeight - 2; ++y)
            for (int x = 2; x < kWidth - 2; ++x) {
                bool empty = true;
                for (int dy = -2; dy <= 2 && empty; ++dy)
                    for (int dx = -2; dx <= 2 && empty; ++dx) empty = cpu.at(x + dx, y + dy).a == 0;
                if (!empty) continue;
                ++clear;
                clearOnGpu += g.at(x, y).a == 0;
            }
        EXPECT_GT(clear, cpu.pixels().size() / 50) << what << ": too little background to compare";
        EXPECT_EQ(clearOnGpu, clear) << what;
        ExpectClose(cpu, g, what);
    }
    EXPECT_EQ(tried, 9);
}

// Letterboxed and pillarboxed pictures with "Crop Overscan" on: the four
// transitions that crop on the CPU zoom the barred picture (A, or B with
// their check box on) the same way on both renderers. The other picture has
// a bright edge, so that neither renderer finds a border in it.
TEST_F(Agreement, CropOverscanRemovesTheSameBars) {
    struct Cropping {
        const char* transition;
        const char* check; // the check box that moves the crop from A to B
    };
    constexpr Cropping kCropping[] = {
        {"3D Comb", "Reverse"}, {"3D Fly Away", "Reverse"}, {"3D Page Turn", "Reverse"}, {"3D Magic Carpet", "Reverse"}};
    struct BarSet {
        const char* name;
        int left, top; // bar widths on each side
    };
    constexpr BarSet kBars[] = {{"letterbox", 0, 4}, {"pillarbox", 7, 0}};
    // Bars of `grey` and the given widths round the picture.
    auto edged = [](host::Picture p, int left, int top, uint8_t grey) {
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                if (x < left || x >= p.width() - left || y < top || y >= p.height() - top)
                    p.at(x, y) = host::Rgba{grey, grey, grey, 255};
        return p;
    };
    int found = 0;
    for (uint32_t i = 0; i < kTransitions; ++i) {
        auto r = Renderer(i);
        const Cropping* c = nullptr;
        for (const Cropping& k : kCropping)
            if (r->info().name == k.transition) c = &k;
        if (!c) continue;
        ++found;
        LookOff(*r);
        double largestChange = 0;
        for (const char* checked : {"off", "on"}) {
            ASSERT_TRUE(r->Set(c->check, checked));
            const bool second = std::string(checked) == "on";
            for (const BarSet& bars : kBars) {
                const host::Picture a = SmoothPicture(true), b = SmoothPicture(false);
                const host::Picture barred = edged(second ? b : a, bars.left, bars.top, 0);
                const host::Picture framed = edged(second ? a : b, 1, 1, 240);
                ASSERT_TRUE(r->SetPictures(second ? framed : barred, second ? barred : framed, kFormatBGRA8));
                host::HostFrame gpu;
                ASSERT_TRUE(gpu.Allocate(kWidth, kHeight, kFormatBGRA8));
                const std::string what = r->info().name + " " + bars.name + " " + c->check + " " + checked;
                // Halfway through the zoom of the cropped picture (in over the
                // first tenth for A, out over the last for B), and fully zoomed.
                const double ramp = second ? 0.95 : 0.05;
                for (double t : {ramp, 0.5}) {
                    const std::string at = At(what, t);
                    settings()->SetCropOverscan(0);
                    RenderBoth(*r, t, gpu, at);
                    const host::Picture cpuWhole = r->output().Load(), gpuWhole = gpu.Load();
                    settings()->SetCropOverscan(1);
                    RenderBoth(*r, t, gpu, at + " cropped");
                    const host::Picture cpu = r->output().Load(), g = gpu.Load();
                    // The crop changes the picture, on each renderer...
                    const double cpuChange = Compare(cpuWhole, cpu).mean, gpuChange = Compare(gpuWhole, g).mean;
                    EXPECT_GT(cpuChange, 0.01) << at << ": the CPU did not crop";
                    EXPECT_GT(gpuChange, 0.01) << at << ": the GPU did not crop";
                    largestChange = std::max({largestChange, cpuChange, gpuChange});
                    // ...and the two cropped renders agree as closely as uncropped ones.
                    ExpectClose(cpu, g, at + " cropped");
                }
            }
        }
        EXPECT_GT(largestChange, 1.0) << r->info().name << ": the crop never showed";
    }
    EXPECT_EQ(found, 4);
}

// "3D Fly Away" fades its face (alpha 0.84 here) over the second picture:
// the centre is the blend the CPU's fade gives, where an unblended face
// would be 30 levels less blue.
TEST_F(Agreement, FadedFacesBlendOverTheBackground) {
    const int w = 96, h = 54;
    auto r = Renderer(4);
    ASSERT_EQ(r->info().name, "3D Fly Away");
    ASSERT_TRUE(r->SetPictures(host::Picture(w, h, {230, 20, 20, 255}), host::Picture(w, h, {20, 20, 230, 255}),
                               kFormatBGRA8));
    for (const char* look : {"Fog", "Shine", "Distance"}) r->Set(look, "0");
    host::HostFrame gpu;
    ASSERT_TRUE(gpu.Allocate(w, h, kFormatBGRA8));
    RenderBoth(*r, 0.4, gpu, "3D Fly Away faded");
    const host::Rgba c = r->output().Load().at(w / 2, h / 2), g = gpu.Load().at(w / 2, h / 2);
    ASSERT_GT(c.b, 40) << "the CPU's face is not faded here";
    EXPECT_NEAR(g.r, c.r, 3);
    EXPECT_NEAR(g.b, c.b, 3);
}

} // namespace
} // namespace svt
