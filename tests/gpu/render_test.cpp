// Faded faces on the GPU (slot 10, through the loaded module, on the real EGL
// host): the faces blend over the background as the CPU's fade does. The
// agreement test holds everything else of the GPU render against the CPU.
#include <gtest/gtest.h>

#include <memory>

#include "host/gl_host.h"
#include "host/renderer.h"
#include "tests/library/loaded_module.h"

namespace svt {
namespace {

using host::HostFrame;
using host::Picture;
using host::Rgba;

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
        if (gpu) {
            EXPECT_EQ(gpu->liveObjects(), 0) << "a render target or program outlived its frame";
        }
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

TEST_F(GPURender, FadedFacesBlendOverTheBackground) {
    // "3D Fly Away" fades its face (alpha 0.84 here) over the second
    // picture: the centre is the blend the CPU's fade gives, where an
    // unblended face would be 30 levels less blue.
    const int w = 96, h = 54;
    const Picture red(w, h, Rgba{230, 20, 20, 255}), blue(w, h, Rgba{20, 20, 230, 255});
    auto r = Renderer(4);
    ASSERT_EQ(r->info().name, "3D Fly Away");
    ASSERT_TRUE(r->SetPictures(red, blue, 0));
    for (const char* look : {"Fog", "Shine", "Distance"}) r->Set(look, "0");
    HostFrame output;
    ASSERT_TRUE(output.Allocate(w, h, 0));
    ASSERT_TRUE(RenderOnGPU(*r, 0.4, output));
    ASSERT_TRUE(r->Render(0.4).rendered);
    const Rgba c = r->output().Load().at(w / 2, h / 2), g = output.Load().at(w / 2, h / 2);
    ASSERT_GT(c.b, 40) << "the CPU's face is not faded here";
    EXPECT_NEAR(g.r, c.r, 3);
    EXPECT_NEAR(g.b, c.b, 3);
}

} // namespace
} // namespace svt
