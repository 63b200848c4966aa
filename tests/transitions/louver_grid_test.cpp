// 3D Louver Grid on what the loaded module draws: the snake order and the
// back of each panel (beside the rotating frames'). The tilt it shares with
// 3D Rotating Frames is tested there.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/transitions/red_blue_probe.h"

namespace svt {
namespace {

using probe::At;
using probe::kBlue;
using probe::kRed;
using probe::Picture;

constexpr uint32_t kLouverGrid = 5, kRotatingFrames = 10;
const probe::Settings kPlain = {{"Shading", "0"}, {"Depth", "0"},      {"Reverse", "off"},
                                {"Cohesion", "0"}, {"Tilt", "0.5,0.5"}, {"Background", "Transparent"}};

TEST(LouverGrid, WithoutCohesionThePanelsTurnInSnakeOrder) {
    // 3 x 2 panels at 96 x 54: panel (row, column) covers pixels 32c to
    // 32c + 32 and stored rows 27r to 27r + 27. Row 0 turns left to right,
    // then row 1 right to left, each panel during 1/6 of the time. Halfway
    // through its window a panel is edge-on and near its corner only the
    // background shows; earlier panels show B, later ones A. The order
    // follows the stored rows, so bottom-up frames start at the bottom.
    const int order[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {1, 1}, {1, 0}};
    for (const char* rotation : {"Vertical", "Horizontal"})
        for (bool topDown : {true, false}) {
            probe::Settings s = kPlain;
            s.insert(s.end(), {{"Columns", "3"}, {"Rows", "2"}, {"Rotation", rotation}});
            auto r = probe::Make(kLouverGrid, s, Picture(96, 54, kRed), Picture(96, 54, kBlue), topDown);
            ASSERT_TRUE(r);
            for (int j = 0; j < 6; ++j) {
                const Picture out = At(*r, (j + 0.5) / 6);
                std::string seen, want;
                for (int i = 0; i < 6; ++i) {
                    const int x = 32 * order[i][1] + 8, y = 27 * order[i][0] + 7;
                    seen += probe::Seen(out.at(x, topDown ? y : 53 - y));
                    want += i < j ? 'B' : i == j ? '.' : 'A';
                }
                EXPECT_EQ(seen, want) << rotation << (topDown ? " top-down" : " bottom-up") << ", panel " << j;
            }
        }
}

TEST(LouverGrid, BothGridsEndOnPictureBUpright) {
    // Grid panels turn about their own centre lines, so each back must show
    // the piece of B where its front showed A, the right way round; rotating
    // frames turn about the picture's centre lines instead.
    for (const char* rotation : {"Vertical", "Horizontal"}) {
        probe::Settings grid = kPlain, frames = kPlain;
        grid.insert(grid.end(), {{"Columns", "4"}, {"Rows", "3"}, {"Cohesion", "100"}, {"Rotation", rotation}});
        frames.insert(frames.end(), {{"Frames", "3"}, {"Rotation", rotation}});
        for (auto [index, settings] : {std::pair{kLouverGrid, grid}, std::pair{kRotatingFrames, frames}}) {
            auto r = probe::Make(index, settings, harness::PictureA(160, 90), harness::PictureB(160, 90));
            ASSERT_TRUE(r);
            probe::ExpectUprightB(At(*r, 0.999), std::string(rotation) + (index == kLouverGrid ? " grid" : " frames"));
        }
    }
}

} // namespace
} // namespace svt
