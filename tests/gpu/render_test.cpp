// The GPU render of the transitions (slot 10, through the loaded module) on
// the real EGL host: the ends of the transition give the pictures
// themselves in every format and row order, "Transparent" leaves nothing
// behind where no face lands, and faded faces blend over the background.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "host/gl_host.h"
#include "host/renderer.h"
#include "tests/library/loaded_module.h"

namespace svt {
namespace {

using host::FrameLayout;
using host::HostFrame;
using host::Picture;
using host::Rgba;

constexpr int kW = 64, kH = 36;

class GPURender : public test::LoadedModule {
protected:
    void SetUp() override {
        test::LoadedModule::SetUp();
        if (HasFatalFailure()) return;
        library = NewLibrary();
        ASSERT_NE(library, nullptr);
        ASSERT_TRUE(context.Create()) << context.error();
        gpu = std::make_unique<host::GLHost>(context);
    }
    void TearDown() override {
        if (gpu) EXPECT_EQ(gpu->liveObjects(), 0) << "a render target or program outlived its frame";
        gpu.reset();
        if (library) library->Release();
        test::LoadedModule::TearDown();
    }
    std::unique_ptr<host::EffectRenderer> Renderer(uint32_t index) {
        return std::make_unique<host::EffectRenderer>(host::ComPtr<IVideoEffect>::Adopt(library->CreateEffect(index)),
                                                      index);
    }
    // Renders the renderer's frames A and B on the GPU into `out` (its
    // pixels as given, so that "nothing drawn" can be seen).
    bool RenderOnGPU(host::EffectRenderer& r, double t, HostFrame& out) {
        GPUFrame a{}, b{}, o{};
        const bool uploaded = gpu->Upload(r.frameA().frame(), &a) && gpu->Upload(r.frameB().frame(), &b) &&
                              gpu->Upload(out.frame(), &o);
        void* effect = nullptr;
        r.effect()->QueryInterface(&IID_IVideoGPUEffect, &effect);
        host::GPUEffectContext values(*gpu, &r.context());
        const TimingRecord timing{0, t};
        bool rendered = false;
        if (uploaded && effect)
            rendered = static_cast<IVideoGPUEffect*>(effect)->RenderGPU(nullptr, &values, &gpu->device(), &a, &b,
                                                                         &o, &timing) &&
                       gpu->Download(o, *out.desc());
        if (effect) static_cast<IVideoGPUEffect*>(effect)->Release();
        for (GPUFrame* f : {&a, &b, &o}) gpu->ReleaseRenderTarget(f);
        return rendered;
    }

    IEffectLibrary* library = nullptr;
    host::GLContext context;
    std::unique_ptr<host::GLHost> gpu;
};

// Channel k (stored order) of the pixel at picture position (x, y), in 0..1.
double Channel(const HostFrame& f, int x, int y, int k) {
    const uint8_t* p = f.PixelAt(x, y);
    if (f.frame().format == 3 || f.frame().format == 4) {
        float v;
        std::memcpy(&v, p + 4 * k, 4);
        return v;
    }
    return p[k] / 255.0;
}

// The largest difference of any channel between two frames of one format,
// compared by picture position whatever their row orders.
double LargestDifference(const HostFrame& a, const HostFrame& b) {
    double most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int k = 0; k < 4; ++k) most = std::max(most, std::fabs(Channel(a, x, y, k) - Channel(b, x, y, k)));
    return most;
}

Picture Gradient(int w, int h, bool second) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = second ? Rgba{uint8_t(40 + y * 5), uint8_t(x * 3), 200, 255}
                                : Rgba{uint8_t(x * 4), 180, uint8_t(250 - y * 6), 255};
    return p;
}

TEST_F(GPURender, TheEndsGiveThePicturesThemselves) {
    // 8-bit formats exactly, float formats within float rounding; the output
    // is copied flipped when its row order differs from the sources'.
    const Picture a = Gradient(kW, kH, false), b = Gradient(kW, kH, true);
    const uint32_t formats[] = {0, 1, 3, 4};
    const double ends[] = {-0.5, 0.0, 1.0, 1.5};
    for (uint32_t i = 0; i < 13; ++i) {
        auto r = Renderer(i);
        for (uint32_t format : formats) {
            for (int c = 0; c < 4; ++c) {
                FrameLayout in, out;
                in.topDown = c % 2 == 0;
                out.topDown = c < 2 ? in.topDown : !in.topDown;
                ASSERT_TRUE(r->SetPictures(a, b, format, in));
                for (double t : ends) {
                    HostFrame output;
                    ASSERT_TRUE(output.Allocate(kW, kH, format, out));
                    output.FillBytes(0x55);
                    const std::string what = r->info().name + " format " + std::to_string(format) + " t " +
                                             std::to_string(t) + " case " + std::to_string(c);
                    ASSERT_TRUE(RenderOnGPU(*r, t, output)) << what;
                    const double tolerance = format >= 3 ? 1e-6 : 0.0;
                    EXPECT_LE(LargestDifference(output, t <= 0 ? r->frameA() : r->frameB()), tolerance) << what;
                }
            }
        }
    }
}

TEST_F(GPURender, TransparentBackgroundAndFadedFaces) {
    // "3D Flip" edge-on at mid-turn over "Transparent": the corners are
    // transparent black over an output that was opaque. "3D Fly Away" fades
    // its face (alpha 0.84 here) over the second picture: its centre is the
    // blend the CPU's fade gives, where an unblended face would be 30 levels
    // less blue.
    const int w = 96, h = 54;
    const Picture red(w, h, Rgba{230, 20, 20, 255}), blue(w, h, Rgba{20, 20, 230, 255});
    for (uint32_t index : {3u, 4u}) {
        auto r = Renderer(index);
        ASSERT_TRUE(r->SetPictures(red, blue, 0));
        for (const char* look : {"Fog", "Shine", "Distance"}) r->Set(look, "0");
        const double t = index == 3 ? 0.5 : 0.4;
        HostFrame output;
        ASSERT_TRUE(output.Allocate(w, h, 0));
        output.FillBytes(0xFF);
        ASSERT_TRUE(RenderOnGPU(*r, t, output)) << r->info().name;
        const Picture gpuPicture = output.Load();
        if (index == 3) {
            for (int y : {0, h - 1})
                for (int x : {0, w - 1}) EXPECT_EQ(gpuPicture.at(x, y), (Rgba{0, 0, 0, 0})) << x << ", " << y;
            continue;
        }
        ASSERT_TRUE(r->Render(t).rendered);
        const Rgba c = r->output().Load().at(w / 2, h / 2), g = gpuPicture.at(w / 2, h / 2);
        ASSERT_GT(c.b, 40) << "the CPU's face is not faded here";
        EXPECT_NEAR(g.r, c.r, 3);
        EXPECT_NEAR(g.b, c.b, 3);
    }
}

} // namespace
} // namespace svt
