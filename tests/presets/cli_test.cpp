// The tumblers preset and translation commands, run in process against the
// built module.
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
    bool handled = false;
    int code = -1;
    std::string out, err;
};

Outcome Tumblers(std::vector<std::string> words) {
    words.insert(words.begin(), {"tumblers", "--module", std::getenv("SVT_MODULE_PATH")});
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Outcome r;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    r.handled = host::RunExtraCommand(int(words.size()), argv.data(), &r.code);
    if (!r.handled && words[3] == "render") r.code = host::RunTumblers(int(words.size()), argv.data());
    r.out = ::testing::internal::GetCapturedStdout();
    r.err = ::testing::internal::GetCapturedStderr();
    return r;
}

TEST(PresetCommands, SaveThenLoadShowsTheValuesGiven) {
    ScratchFolder folder;
    const std::string file = folder.File("p.fxptmba");
    const Outcome save = Tumblers({"preset", "save", "3D Box Fold", "--file", file, "--preset", "Cube Change", "--set",
                               "Depth=50", "--set", "Reverse=on"});
    ASSERT_TRUE(save.handled);
    ASSERT_EQ(save.code, 0) << save.err;
    EXPECT_NE(ScratchFolder::Read(file).find("<Preset Name=\"Cube Change\" LibraryName=\"Solvane Tumblers\" "
                                             "EffectName=\"3D Box Fold\">"),
              std::string::npos);

    const Outcome load = Tumblers({"preset", "load", "3d box fold", "--file", file});
    ASSERT_EQ(load.code, 0) << load.err;
    // Cube Change has Speed 0.83 and Tilt (1, 1); Depth and Reverse were set.
    for (const char* line : {"Cube Change (3D Box Fold, Solvane Tumblers)", "Speed          83\n",
                             "Depth          50\n", "Tilt           1,1\n", "Reverse        on\n"})
        EXPECT_NE(load.out.find(line), std::string::npos) << line << " in\n" << load.out;

    const Outcome other = Tumblers({"preset", "load", "3D Comb", "--file", file});
    EXPECT_EQ(other.code, 1);
    EXPECT_NE(other.err.find("This can only open 3D Comb presets"), std::string::npos) << other.err;
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
