// 3D Rotating Frames and 3D Louver Grid on what the loaded module draws:
// which piece turns when, and the tilt and recession the two share, each
// reading the tilt pad the other way round.
#include <array>

#include "tests/transitions/probe.h"

namespace svt::test {
namespace {

constexpr uint32_t kLouverGrid = 5, kRotatingFrames = 10;

// Red A turning to blue B over a transparent background, unshaded, untilted
// and without cohesion.
TransitionProbe Grid(uint32_t index, int w, int h, bool topDown = true) {
    TransitionProbe grid(index);
    grid.Set("Shading", "0").Set("Depth", "0").Set("Reverse", "off").Set("Cohesion", "0").Set("Tilt", "0.5,0.5");
    grid.Set("Background", "Transparent").Pictures(Picture(w, h, kRed), Picture(w, h, kBlue), Rows(topDown));
    return grid;
}

TEST(RotatingFrames, WithoutCohesionEachFrameTurnsInItsOwnWindowOutermostFirst) {
    // 15 frames make a 29 x 29 grid: at 203 x 116 cell column j spans pixels
    // 7j to 7j + 7 and the middle row 14 rows 56 to 60, and along that row
    // cell j belongs to frame min(j, 28 - j). Frame r turns during
    // [r/15, (r + 1)/15] and is edge-on halfway through; frames outside it
    // show B, those inside still A. About either axis a finished cell of
    // the middle row lands on a cell of its own frame.
    for (const char* rotation : {"Vertical", "Horizontal"}) {
        TransitionProbe r = Grid(kRotatingFrames, 203, 116);
        r.Set("Frames", "15").Set("Rotation", rotation);
        for (int frame : {0, 1, 6, 13, 14}) {
            const Picture out = r.Render((frame + 0.5) / 15);
            std::string seen, want;
            for (int j = 0; j < 29; ++j) {
                seen += Seen(out.at(7 * j + 3, 58));
                const int ring = std::min(j, 28 - j);
                want += ring < frame ? 'B' : ring == frame ? '.' : 'A';
            }
            EXPECT_EQ(seen, want) << rotation << ", frame " << frame << " edge-on";
        }
    }
    // One frame is the whole picture: all A at first, a line at most edge-on.
    TransitionProbe one = Grid(kRotatingFrames, 160, 90);
    one.Set("Frames", "1");
    EXPECT_EQ(Count(one.Render(0.001), 'A'), 160 * 90);
    EXPECT_LE(OpaqueBox(one.Render(0.5)).count, 2 * 90);
}

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
            TransitionProbe r = Grid(kLouverGrid, 96, 54, topDown);
            r.Set("Columns", "3").Set("Rows", "2").Set("Rotation", rotation);
            for (int j = 0; j < 6; ++j) {
                const Picture out = r.Render((j + 0.5) / 6);
                std::string seen, want;
                for (int i = 0; i < 6; ++i) {
                    const int x = 32 * order[i][1] + 8, y = 27 * order[i][0] + 7;
                    seen += Seen(out.at(x, topDown ? y : 53 - y));
                    want += i < j ? 'B' : i == j ? '.' : 'A';
                }
                EXPECT_EQ(seen, want) << rotation << (topDown ? " top-down" : " bottom-up") << ", panel " << j;
            }
        }
}

TEST(Grids, TheNearSideFollowsTheTiltPadInvertedOnOneAxisPerTransition) {
    // Two pieces without cohesion lie flat at t = 0.5 (the first has turned,
    // the second not begun), where the tilt is strongest; the picture's
    // centre stays on the view axis and the side turned toward the camera
    // is drawn larger. The frames use tx = 1 - Tilt.x and ty = Tilt.y, the
    // grid tx = Tilt.x and ty = 1 - Tilt.y; tx = 1 brings the right side
    // forward, ty = 1 sends the top back, and Depth 0 tilts nothing.
    struct Case {
        uint32_t index;
        const char *rightNear, *leftNear, *topBack, *topNear;
    };
    for (const Case& c : {Case{kRotatingFrames, "0,0.5", "1,0.5", "0.5,1", "0.5,0"},
                          Case{kLouverGrid, "1,0.5", "0,0.5", "0.5,0", "0.5,1"}}) {
        auto at = [&](const char* tilt, const char* depth) {
            TransitionProbe r = Grid(c.index, 160, 90);
            if (c.index == kLouverGrid) r.Set("Columns", "2").Set("Rows", "1");
            else r.Set("Frames", "2");
            return r.Set("Tilt", tilt).Set("Depth", depth).Render(0.5);
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
} // namespace svt::test
