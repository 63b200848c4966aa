// Module attach, the module's path and run-time loading.
#include <limits.h>
#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "frames/image_ops.h"
#include "platform/platform.h"

namespace svt::platform {
namespace {

// Linked statically, the "module" is this test program, and module attach
// has already filled the kernel tables.
TEST(Module, PathIsTheAbsoluteFileHoldingTheCodeAndAttachSelectsKernels) {
    char exe[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", exe), nullptr);
    const std::string path = ModulePath();
    EXPECT_EQ(path, exe);
    EXPECT_EQ(PathBesideModule("SVTumblersLang.xml"), path.substr(0, path.rfind('/') + 1) + "SVTumblersLang.xml");
    EXPECT_EQ(PathBesideModule(""), "");
    EXPECT_EQ(PathBesideModule(nullptr), "");

    const char* expected = KernelSimdLevel() == SimdLevel::kAvx2 ? "avx2"
                           : KernelSimdLevel() == SimdLevel::kSse2 ? "sse2"
                                                                   : "scalar";
    EXPECT_STREQ(ImageKernelLevel(), expected);
}

TEST(Module, LoadsFindsAndFreesLibraries) {
    const char* modulePath = getenv("SVT_MODULE_PATH");
    ASSERT_NE(modulePath, nullptr) << "run through ctest";
    void* module = LoadLibrary(modulePath);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindExport(module, "GetEffectsLibrary"), nullptr);
    EXPECT_NE(FindExport(module, "CanUnloadDLLNow"), nullptr);
    // Everything else stays inside the module.
    for (const char* name : {"_ZN3svt8platform10ModulePathB5cxx11Ev", "NoSuchExport", static_cast<const char*>(nullptr)})
        EXPECT_EQ(FindExport(module, name), nullptr) << (name ? name : "null");
    FreeLibrary(module);

    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/SVLang.so", "no-such-library.so"})
        EXPECT_EQ(LoadLibrary(path), nullptr) << (path ? path : "null");
    EXPECT_EQ(FindExport(nullptr, "GetEffectsLibrary"), nullptr);
    FreeLibrary(nullptr);
}

} // namespace
} // namespace svt::platform
