// The GPU entries through the loaded module: with recording host objects
// (failure injection) and with the real EGL host on whatever GL the machine
// has (Mesa's llvmpipe in CI). A machine without a usable context fails
// these tests: the GPU path is part of what we ship.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/gl_host.h"
#include "tests/gpu/recording_host.h"
#include "tests/library/loaded_module.h"

namespace svt {
namespace {

constexpr int kTransitions = 13;

class GPUEntries : public test::LoadedModule {
protected:
    void SetUp() override {
        test::LoadedModule::SetUp();
        if (HasFatalFailure()) return;
        library = NewLibrary();
        ASSERT_NE(library, nullptr);
        settings = library->GetSettings();
    }
    void TearDown() override {
        if (settings) {
            settings->SetCropOverscan(0);
            settings->SetForcedCPU(0);
        }
        if (library) library->Release();
        test::LoadedModule::TearDown();
    }
    IVideoGPUEffect* Effect(uint32_t i) { return static_cast<IVideoGPUEffect*>(library->CreateEffect(i)); }

    IEffectLibrary* library = nullptr;
    ILibrarySettings* settings = nullptr;
};

TEST_F(GPUEntries, FailuresReachTheRecordOrTheResult) {
    IVideoGPUEffect* flip = Effect(3);
    ASSERT_STREQ(flip->GetEffectName(), "3D Flip");
    test::FakeDevice device;
    uint32_t record[3] = {};
    GPUFrame frames[3] = {};
    const TimingRecord timing{0, 0.5};

    // Only the glow program fails: still true, second word 0.
    {
        test::FakeHost host;
        host.fails = [](const std::string& f) { return f.find("fMetal") != std::string::npos; };
        test::FakeContext context(&host);
        EXPECT_TRUE(flip->PrepareGPU(&context, &device, record, 0));
        EXPECT_EQ(record[1], 0u);
        EXPECT_EQ(host.live, 0);
    }
    // "Forced CPU" still builds and tests the programs, as plain texts;
    // neither a program nor a host reference outlives the preparation.
    {
        settings->SetForcedCPU(1);
        test::FakeHost host;
        test::FakeContext context(&host);
        EXPECT_TRUE(flip->PrepareGPU(&context, &device, record, 0));
        EXPECT_EQ(record[1], 1u);
        EXPECT_EQ(record[2], 1u);
        EXPECT_FALSE(host.fragments.empty());
        EXPECT_TRUE(host.plainText);
        EXPECT_EQ(host.live, 0);
        EXPECT_EQ(host.refs, 1u);
        settings->SetForcedCPU(0);
    }
    // A context without IGPUHost: both entries false, no GL state touched.
    {
        test::FakeContext none(nullptr);
        device.log.clear();
        EXPECT_FALSE(flip->PrepareGPU(&none, &device, record, 0));
        EXPECT_FALSE(flip->RenderGPU(nullptr, &none, &device, &frames[0], &frames[1], &frames[2], &timing));
        EXPECT_TRUE(device.log.empty());
    }
    // The render entry refuses "from" format 2 and a missing timing record
    // before binding anything.
    {
        test::FakeHost host;
        test::FakeContext context(&host);
        device.log.clear();
        frames[0].format = 2;
        EXPECT_FALSE(flip->RenderGPU(nullptr, &context, &device, &frames[0], &frames[1], &frames[2], &timing));
        frames[0].format = 0;
        EXPECT_FALSE(flip->RenderGPU(nullptr, &context, &device, &frames[0], &frames[1], &frames[2], nullptr));
        EXPECT_TRUE(device.log.empty());
        EXPECT_EQ(host.refs, 1u);
        // Frames without pixels pass the entry's checks but give no targets:
        // false, and the blend state is still put back.
        EXPECT_FALSE(flip->RenderGPU(nullptr, &context, &device, &frames[0], &frames[1], &frames[2], &timing));
        EXPECT_EQ(device.log.back(), "Disable 0xBE2");
        EXPECT_EQ(host.refs, 1u);
    }
    // A table without entry points makes the library load its own; with no
    // current context here that fails, so no program is even asked for.
    {
        test::FakeHost host;
        test::FakeContext context(&host);
        test::FakeDevice empty;
        empty.table = ExtensionTable{};
        EXPECT_TRUE(flip->PrepareGPU(&context, &empty, record, 0));
        EXPECT_EQ(record[1], 0u);
        EXPECT_TRUE(host.fragments.empty());
    }
    flip->Release();
}

// The real host ______________________________________________________________

class EGLHost : public GPUEntries {
protected:
    void SetUp() override {
        GPUEntries::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(context.Create()) << context.error();
        host = std::make_unique<host::GLHost>(context);
    }
    void TearDown() override {
        host.reset();
        GPUEntries::TearDown();
    }
    host::GLContext context;
    std::unique_ptr<host::GLHost> host;
};

TEST_F(EGLHost, EveryTransitionPreparesWithEachSetting) {
    host::GLDevice& device = host->device();
    const float color[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    device.BlendColor(color[0], color[1], color[2], color[3]);
    device.BlendEquationSeparate(0x800A, 0x8007); // subtract, minimum
    device.BlendFuncSeparate(0x0302, 0x0304, 0x0306, 0x0308);
    device.Disable(0x0BE2);
    auto state = [&] {
        std::vector<int32_t> s(7);
        float c[4];
        device.GetFloatv(0x8005, c, 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c[i], color[i]);
        const uint32_t names[6] = {0x8009, 0x883D, 0x80C9, 0x80CB, 0x80C8, 0x80CA};
        for (int i = 0; i < 6; ++i) device.GetIntegerv(names[i], &s[size_t(i)], 1);
        s[6] = device.Enable(0x0BE2) ? 1 : 0; // probe blending is switchable...
        device.Disable(0x0BE2);               // ...and leave it off
        return s;
    };
    const std::vector<int32_t> before = state();
    for (int crop = 0; crop < 2; ++crop)
        for (int forced = 0; forced < 2; ++forced) {
            settings->SetCropOverscan(Bool8(crop));
            settings->SetForcedCPU(Bool8(forced));
            for (uint32_t i = 0; i < kTransitions; ++i) {
                IVideoGPUEffect* e = Effect(i);
                uint32_t record[3] = {9, 9, 9};
                EXPECT_TRUE(host->TestEffect(e, record)) << e->GetEffectName();
                EXPECT_EQ(record[0], 0u);
                EXPECT_EQ(record[1], 1u) << e->GetEffectName() << ": " << host->lastProgramLog();
                EXPECT_EQ(record[2], uint32_t(forced));
                EXPECT_EQ(state(), before) << e->GetEffectName();
                e->Release();
            }
        }
    // Mesh, three border and two glow programs, each compiled once.
    EXPECT_EQ(host->compiledPrograms(), 6u);
    EXPECT_EQ(host->liveObjects(), 0);
}

// `tumblers gpu-info` when no context can be made: one line and exit 1. (The
// report itself: tests/cli/language.sh.)
TEST(GPUInfo, WithoutAContextSaysWhyInOneLine) {
    // The EGL dispatcher finds no driver: no display can be initialised.
    FILE* p = popen("__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json " SVT_BIN_DIR "/tumblers gpu-info 2>&1", "r");
    ASSERT_NE(p, nullptr);
    std::string out; // standard output and error together
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    const int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(out.rfind("tumblers: no OpenGL context: ", 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}

} // namespace
} // namespace svt
