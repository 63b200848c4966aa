// Module attach, the module's path and run-time loading.
#include <limits.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "frames/image_ops.h"
#include "platform/platform.h"

namespace svt::platform {
namespace {

// Linked statically, the "module" is this test program.
TEST(Module, PathIsTheAbsoluteFileHoldingTheCode) {
    char exe[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", exe), nullptr);
    EXPECT_EQ(ModulePath(), exe);

    const std::string path = ModulePath();
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    EXPECT_EQ(PathBesideModule("SVTumblersLang.xml"), folder + "SVTumblersLang.xml");
    EXPECT_EQ(PathBesideModule(""), "");
    EXPECT_EQ(PathBesideModule(nullptr), "");
}

// The load-time constructor already chose the kernels; a second attach
// changes nothing.
TEST(Module, AttachSelectsKernelsOnce) {
    const std::string before = ImageKernelLevel();
    const char* force = getenv("SVT_FORCE_SCALAR");
    if (!(force && force[0] == '1')) {
        EXPECT_NE(before, "scalar") << "x86-64 has SSE2 at least";
    }
    EnsureAttached();
    EXPECT_EQ(before, ImageKernelLevel());
}

TEST(Module, LoadsFindsAndFreesLibraries) {
    const char* modulePath = getenv("SVT_MODULE_PATH");
    ASSERT_NE(modulePath, nullptr) << "run through ctest";
    void* module = LoadLibrary(modulePath);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindExport(module, "GetEffectsLibrary"), nullptr);
    EXPECT_NE(FindExport(module, "CanUnloadDLLNow"), nullptr);
    // Everything else stays inside the module.
    EXPECT_EQ(FindExport(module, "_ZN3svt8platform10ModulePathB5cxx11Ev"), nullptr);
    EXPECT_EQ(FindExport(module, "NoSuchExport"), nullptr);
    EXPECT_EQ(FindExport(module, nullptr), nullptr);
    FreeLibrary(module);

    EXPECT_EQ(LoadLibrary(nullptr), nullptr);
    EXPECT_EQ(LoadLibrary(""), nullptr);
    EXPECT_EQ(LoadLibrary("/nonexistent/SVLang.so"), nullptr);
    EXPECT_EQ(LoadLibrary("no-such-library-anywhere.so"), nullptr);
    EXPECT_EQ(FindExport(nullptr, "GetEffectsLibrary"), nullptr);
    FreeLibrary(nullptr);
}

} // namespace
} // namespace svt::platform
