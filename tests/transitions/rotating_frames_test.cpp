// 3D Rotating Frames on what the loaded module draws: which frame turns
// when, and the tilt and recession it shares with 3D Louver Grid, which
// reads the tilt pad the other way round.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

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

TEST(RotatingFrames, WithoutCohesionEachFrameTurnsInItsOwnWindowOutermostFirst) {
    // 15 frames make a 29 x 29 grid: at 203 x 116 cell column j spans pixels
    // 7j to 7j + 7 and the middle row 14 rows 56 to 60, and along that row
    // cell j belongs to frame min(j, 28 - j). Frame r turns during
    // [r/15, (r + 1)/15] and is edge-on halfway through; frames outside it
    // show B, those inside still A. About either axis a finished cell of
    // the middle row lands on a cell of its own frame.
    for (const char* rotation : {"Vertical", "Horizontal"}) {
        probe::Settings s = kPlain;
        s.insert(s.end(), {{"Frames", "15"}, {"Rotation", rotation}});
        auto r = probe::Make(kRotatingFrames, s, Picture(203, 116, kRed), Picture(203, 116, kBlue));
        ASSERT_TRUE(r);
        for (int frame : {0, 1, 6, 13, 14}) {
            const Picture out = At(*r, (frame + 0.5) / 15);
            std::string seen, want;
            for (int j = 0; j < 29; ++j) {
                seen += probe::Seen(out.at(7 * j + 3, 58));
                const int ring = std::min(j, 28 - j);
                want += ring < frame ? 'B' : ring == frame ? '.' : 'A';
            }
            EXPECT_EQ(seen, want) << rotation << ", frame " << frame << " edge-on";
        }
    }
}

TEST(GridTilt, TheNearSideFollowsThePadInvertedOnOneAxisPerTransition) {
    // Two pieces without cohesion lie flat at t = 0.5 (the first has turned,
    // the second not begun), where the tilt is strongest; the picture's
    // centre stays on the view axis and the side turned toward the camera
    // is drawn larger. The frames use tx = 1 - Tilt.x and ty = Tilt.y, the
    // grid tx = Tilt.x and ty = 1 - Tilt.y; tx = 1 brings the right side
    // forward, ty = 1 sends the top back, and Depth 0 tilts nothing.
    struct Case {
        uint32_t index;
        probe::Settings pieces;
        const char *rightNear, *leftNear, *topBack, *topNear;
    };
    const Case cases[] = {
        {kRotatingFrames, {{"Frames", "2"}}, "0,0.5", "1,0.5", "0.5,1", "0.5,0"},
        {kLouverGrid, {{"Columns", "2"}, {"Rows", "1"}}, "1,0.5", "0,0.5", "0.5,0", "0.5,1"},
    };
    for (const Case& c : cases) {
        auto at = [&](const char* tilt, const char* depth) {
            probe::Settings s = kPlain;
            s.insert(s.end(), c.pieces.begin(), c.pieces.end());
            s.insert(s.end(), {{"Tilt", tilt}, {"Depth", depth}});
            auto r = probe::Make(c.index, s, Picture(160, 90, kRed), Picture(160, 90, kBlue));
            return r ? At(*r, 0.5) : Picture();
        };
        // Opaque pixels left, right, above and below the frame's centre lines.
        auto halves = [](const Picture& p) {
            std::array<long, 4> n{};
            for (int y = 0; y < p.height(); ++y)
                for (int x = 0; x < p.width(); ++x)
                    if (p.at(x, y).a >= 128) {
                        n[0] += 2 * x < p.width() - 1, n[1] += 2 * x > p.width() - 1;
                        n[2] += 2 * y < p.height() - 1, n[3] += 2 * y > p.height() - 1;
                    }
            return n;
        };
        const std::string what = c.index == kLouverGrid ? "grid" : "frames";
        const auto level = halves(at("0.5,0.5", "30"));
        EXPECT_NEAR(double(level[0]) / level[1], 1.0, 0.02) << what;
        EXPECT_NEAR(double(level[2]) / level[3], 1.0, 0.02) << what;
        const auto right = halves(at(c.rightNear, "30")), left = halves(at(c.leftNear, "30"));
        EXPECT_GT(right[1], right[0] * 11 / 10) << what;
        EXPECT_GT(left[0], left[1] * 11 / 10) << what;
        const auto back = halves(at(c.topBack, "30")), near = halves(at(c.topNear, "30"));
        EXPECT_GT(back[3], back[2] * 11 / 10) << what;
        EXPECT_GT(near[2], near[3] * 11 / 10) << what;
        EXPECT_TRUE(at("1,0", "0") == at("0.5,0.5", "0")) << what;
    }
}

} // namespace
} // namespace svt
