// `tumblers gpu-info` as a user runs it: the report on this machine's GL, and
// one line and exit 1 when no context can be made.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct CommandRun {
    int status;
    std::string out; // standard output and error together
};

CommandRun Tumblers(const std::string& environment, const std::string& arguments) {
    CommandRun r{-1, {}};
    FILE* p = popen((environment + " " + SVT_BIN_DIR "/tumblers " + arguments + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(GPUInfo, ReportsEveryTransitionOnThisMachinesGL) {
    const CommandRun r = Tumblers("", "gpu-info");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Count(r.out, " supports OpenGL.\n"), 13u) << r.out;
    EXPECT_EQ(Count(r.out, "doesn`t"), 0u);
    EXPECT_NE(r.out.find("OpenGL renderer: "), std::string::npos);
    EXPECT_NE(r.out.find("OpenGL version: "), std::string::npos);
}

TEST(GPUInfo, WithoutAContextSaysWhyInOneLine) {
    // The EGL dispatcher finds no driver: no display can be initialised.
    const CommandRun r = Tumblers("__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json", "gpu-info");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("tumblers: no OpenGL context: ", 0), 0u) << r.out;
    EXPECT_EQ(Count(r.out, "\n"), 1u) << r.out;
}

} // namespace
