// tumblers saving a preset file and rendering with it, run in process against
// the built module. (Loading and showing files: tests/cli/language.sh.)
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/cli.h"
#include "host/preset_commands.h"
#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

using test::ScratchFolder;

struct Outcome {
    int code = -1;
    std::string err;
};

// "preset ..." runs as an extra command, anything else as a render.
Outcome Tumblers(std::vector<std::string> words) {
    words.insert(words.begin(), {"tumblers", "--module", std::getenv("SVT_MODULE_PATH")});
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Outcome r;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    if (!host::RunExtraCommand(int(words.size()), argv.data(), &r.code))
        r.code = host::RunTumblers(int(words.size()), argv.data());
    ::testing::internal::GetCapturedStdout();
    r.err = ::testing::internal::GetCapturedStderr();
    return r;
}

TEST(PresetCommands, RenderWithAPresetFileUsesItsValues) {
    ScratchFolder folder;
    const std::string file = folder.File("p.fxptmba");
    ASSERT_EQ(Tumblers({"preset", "save", "3D Box Fold", "--file", file, "--preset", "Head On", "--set", "Tilt=0.2,0.9"}).code, 0);
    const std::vector<std::string> ways[] = {{"--preset-file", file, "--out", folder.File("a.png")},
                                             {"--preset", "Head On", "--set", "Tilt=0.2,0.9", "--out", folder.File("b.png")},
                                             {"--out", folder.File("c.png")}};
    for (std::vector<std::string> words : ways) {
        words.insert(words.begin(), {"render", "3D Box Fold", "--at", "0.5", "--size", "64x36"});
        const Outcome r = Tumblers(words);
        ASSERT_EQ(r.code, 0) << r.err;
    }
    const std::string a = ScratchFolder::Read(folder.File("a.png"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, ScratchFolder::Read(folder.File("b.png")));
    EXPECT_NE(a, ScratchFolder::Read(folder.File("c.png"))) << "the defaults would look different";
}

} // namespace
} // namespace svt
