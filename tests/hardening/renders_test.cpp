// Many renders in a row and several threads at once, as an editor exporting
// a long timeline with a render pool and a settings dialog uses the module:
// every render gives back all the host memory it took and the module's own
// heap stops growing (the CI run is short; scripts/soak runs the soak with
// SVT_SOAK_RENDERS=10000 or more); one transition object per render thread
// gives exactly what one thread gives; concurrent writers of the settings
// store lose nothing. `make tsan` runs the thread tests under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/scratch_store.h"
#include "tests/support/shared_module.h"

namespace svt {
namespace {

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

TEST(Soak, RendersHoldNoMemory) {
    const char* wanted = std::getenv("SVT_SOAK_RENDERS");
    const long renders = wanted ? std::atol(wanted) : 13 * 40;
    ASSERT_GE(renders, 13 * 4) << "SVT_SOAK_RENDERS is too small to tell anything";
    std::vector<std::unique_ptr<host::EffectRenderer>> transitions;
    for (uint32_t index = 0; index < 13; ++index) {
        transitions.push_back(test::NewRenderer(index, 96, 54));
        ASSERT_TRUE(transitions.back()) << index;
    }
    long failures = 0;
    size_t heapAfterWarmUp = 0;
    for (long n = 0; n < renders; ++n) {
        host::EffectRenderer& r = *transitions[size_t(n % 13)];
        // Presets in turn (looks, counts and backgrounds change), and a
        // progress that also strays outside [0, 1].
        if (n % 13 == 0 || n % 7 == 0) r.ApplyPreset(int((n / 13) % long(r.info().presets.size())));
        const double t = double((n * 7919) % 1200) / 1000.0 - 0.1;
        const host::RenderCheck c = r.Render(t);
        if (!c.rendered || !c.clean()) {
            if (++failures <= 5) ADD_FAILURE() << "render " << n << " at t " << t << ": " << c.Problems();
        }
        if (n == 13 * 3 - 1) heapAfterWarmUp = HeapInUse();
    }
    EXPECT_EQ(failures, 0);
    // Growth beyond a few allocator pages would be a leak of some bytes per
    // render (0.5 MiB over 10,000 renders is 50 bytes each).
    EXPECT_LT(HeapInUse(), heapAfterWarmUp + (512u << 10)) << "after " << renders << " renders";
}

using platform::RegistryRoot;
constexpr double kProgress[] = {0.0, 0.15, 0.35, 0.5, 0.65, 0.85, 1.0};

// Renders every progress value on `r` with preset `preset`; the outputs.
std::vector<host::HostFrame> RenderAll(host::EffectRenderer& r, int preset, std::atomic<int>* problems) {
    std::vector<host::HostFrame> outputs;
    r.ApplyPreset(preset);
    for (double t : kProgress) {
        const host::RenderCheck c = r.Render(t);
        if (!c.rendered || !c.clean()) ++*problems;
        outputs.push_back(r.output());
    }
    return outputs;
}

TEST(Threads, TwoRenderThreadsGiveWhatOneThreadGives) {
    for (uint32_t index = 0; index < 13; ++index) {
        SCOPED_TRACE(index);
        std::atomic<int> problems{0};
        auto reference = test::NewRenderer(index, 64, 36);
        ASSERT_TRUE(reference);
        const int preset = int(index % reference->info().presets.size());
        const std::vector<host::HostFrame> want = RenderAll(*reference, preset, &problems);

        // Two objects, two threads, each rendering the sequence a few times.
        std::atomic<int> mismatches{0};
        std::vector<std::thread> threads;
        for (int k = 0; k < 2; ++k) {
            threads.emplace_back([&, index] {
                auto r = test::NewRenderer(index, 64, 36);
                if (!r) return (void)++problems;
                for (int round = 0; round < 3; ++round) {
                    const std::vector<host::HostFrame> got = RenderAll(*r, preset, &problems);
                    for (size_t i = 0; i < got.size(); ++i)
                        if (!got[i].SamePixels(want[i])) ++mismatches;
                }
            });
        }
        for (std::thread& t : threads) t.join();
        EXPECT_EQ(problems.load(), 0);
        EXPECT_EQ(mismatches.load(), 0);
    }
}

// Four dialog threads each flip their own setting while two threads render:
// every setting's last value reaches the store.
TEST(Threads, SettingsWritersBesideRenderThreadsLoseNothing) {
    test::ScratchStore store;
    IEffectLibrary* library = test::SharedModule().library();
    ASSERT_NE(library, nullptr);
    ILibrarySettings* settings = library->GetSettings();
    ASSERT_NE(settings, nullptr);
    constexpr int kFlips = 21; // odd: each setting ends on
    std::atomic<bool> writing{true};
    std::atomic<int> problems{0};
    std::vector<std::thread> renders;
    for (uint32_t index : {2u, 8u}) // two with the overscan check box, which read the setting
        renders.emplace_back([&, index] {
            auto r = test::NewRenderer(index, 48, 27);
            if (!r) return (void)++problems;
            while (writing.load())
                if (!r->Render(0.4).rendered) ++problems;
        });
    using Setter = void (ILibrarySettings::*)(Bool8);
    const Setter setters[] = {&ILibrarySettings::SetKnobsDragVertical, &ILibrarySettings::SetKeyFramesVsPresets,
                              &ILibrarySettings::SetCropOverscan, &ILibrarySettings::SetForcedCPU};
    std::vector<std::thread> writers;
    for (Setter set : setters)
        writers.emplace_back([settings, set] {
            for (int i = 0; i < kFlips; ++i) (settings->*set)(i % 2 == 0);
        });
    for (std::thread& t : writers) t.join();
    writing = false;
    for (std::thread& t : renders) t.join();
    EXPECT_EQ(problems.load(), 0);
    std::string v;
    for (const char* name : {"Knobs Drag Vertical", "Crop Overscan", "Forced CPU"}) {
        EXPECT_TRUE(platform::RegistryReadString(RegistryRoot::kCurrentUser, "Software\\Solvane\\Common", name, &v));
        EXPECT_EQ(v, "yes") << name;
    }
    EXPECT_TRUE(platform::RegistryReadString(RegistryRoot::kCurrentUser, "Software\\Solvane\\Solvane Tumblers",
                                             "Key Frames vs Presets", &v));
    EXPECT_EQ(v, "yes");
    for (Setter set : setters) (settings->*set)(0); // the module's static settings outlive this test
}

// Writers in separate processes (two hosts, or a host and its dialog
// helper) share the store through its lock, not through memory.
TEST(ConcurrentWriters, FourProcessesLoseNothing) {
    test::ScratchStore store;
    constexpr int kProcesses = 4, kEach = 12;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kEach; ++i)
                ok = platform::RegistryWriteString(RegistryRoot::kCurrentUser, "Process " + std::to_string(p),
                                                   "Value " + std::to_string(i), std::to_string(p * 100 + i)) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string v;
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kEach; ++i) {
            EXPECT_TRUE(platform::RegistryReadString(RegistryRoot::kCurrentUser, "Process " + std::to_string(p),
                                                     "Value " + std::to_string(i), &v));
            EXPECT_EQ(v, std::to_string(p * 100 + i));
        }
}

} // namespace
} // namespace svt
