// tumblers saving a preset file and rendering with it: the file renders as the
// preset and settings it was saved from. (Loading and showing files:
// tests/cli/language.sh.)
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

using test::ScratchFolder;

// The exit status of the built tool run with `arguments` (its errors shown).
int Tumblers(const std::string& arguments) {
    const std::string module = std::getenv("SVT_MODULE_PATH");
    return std::system((SVT_BIN_DIR "/tumblers --module " + module + " " + arguments + " >/dev/null").c_str());
}

TEST(PresetCommands, RenderWithAPresetFileUsesItsValues) {
    ScratchFolder folder;
    const std::string file = folder.File("p.fxptmba");
    ASSERT_EQ(Tumblers("preset save '3D Box Fold' --file " + file + " --preset 'Head On' --set Tilt=0.2,0.9"), 0);
    const std::string render = "render '3D Box Fold' --at 0.5 --size 64x36 --out ";
    ASSERT_EQ(Tumblers(render + folder.File("a.png") + " --preset-file " + file), 0);
    ASSERT_EQ(Tumblers(render + folder.File("b.png") + " --preset 'Head On' --set Tilt=0.2,0.9"), 0);
    ASSERT_EQ(Tumblers(render + folder.File("c.png")), 0);
    const std::string a = ScratchFolder::Read(folder.File("a.png"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, ScratchFolder::Read(folder.File("b.png")));
    EXPECT_NE(a, ScratchFolder::Read(folder.File("c.png"))) << "the defaults would look different";
}

} // namespace
} // namespace svt
