// `tumblers gpu-info` as a user runs it, when no context can be made: one line
// and exit 1. (The report itself: tests/cli/language.sh; every transition's
// test on this machine's GL: entries_test.cpp.)
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

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
