// 3D Box Fold through the loaded module: the closed box, the flat net, the
// box turned inside out, the tilt.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


TransitionProbe Box(const char* speed, const char* depth, bool topDown = true) {
    TransitionProbe box(0);
    box.Set("Speed", speed).Set("Depth", depth).Set("Tilt", "0.5,0.5").Set("Background", "Transparent");
    box.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return box;
}

TEST(BoxFold, HalfFoldIsTheFlatNetAndAFastFoldStaysClosedUntilItsWindow) {
    // t = 0.5 lies in the linear middle of the easing (u = 0.5), halfway
    // through the fold whatever its speed: the net lies flat. Depth 0 gives
    // k = 0.1, so the net sits at z = -10·0.1 - 2·sin(π/4) = -2.414
    // (w = 1 + 2.414/6 = 1.402) and 0.6·0.1 = 0.06 down: the front spans x in
    // ±0.713 and y from -0.756 to 0.671, that is columns 0.14 to 0.86 and
    // rows 0.16 to 0.88 of the frame.
    host::Picture out = Box("0", "0").Render(0.5);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.18, 0.18), kUprightA);
    // The four sides lie around it, reaching past the frame's edges, and
    // leave the corners of the cross empty.
    for (auto [fx, fy] : {std::pair{0.97, 0.52}, {0.03, 0.52}, {0.5, 0.04}, {0.5, 0.96}})
        EXPECT_NE(CodeAt(out, fx, fy), kClear) << fx << ", " << fy;
    for (auto [fx, fy] : {std::pair{0.97, 0.04}, {0.03, 0.04}, {0.97, 0.96}, {0.03, 0.96}})
        EXPECT_EQ(CodeAt(out, fx, fy), kClear) << fx << ", " << fy;

    // Speed 100: the fold takes u from 0.45 to 0.55. At u = 0.45 the box is
    // closed and straight on, receding to z = -10·0.1·sin(0.45π) -
    // 2·sin(0.225π) = -2.29 (w = 1.38): its front spans x in ±0.72.
    TransitionProbe fast = Box("100", "0");
    out = fast.Render(0.45);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.18, 0.18), kUprightA);
    EXPECT_EQ(CodeAt(out, 0.93, 0.52), kClear);
    EXPECT_EQ(CodeAt(out, 0.07, 0.52), kClear);
    // At u = 0.55 it is inside out: its former back, at z = 2 - 10·0.1·0.988 -
    // 2·sin(0.275π) = -0.50 (w = 1.08), spans x in ±0.92 and shows picture B
    // the right way up and round.
    out = fast.Render(0.55);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.2, 0.2), kUprightB);
    EXPECT_EQ(CodeAt(out, 0.99, 0.52), kClear);
}

TEST(BoxFold, CentredTiltIsStraightOnAndOffCentreTiltTurnsTheFaceThatWay) {
    // Tilt (0.5, 0.5): no turn at all, the outline is symmetric left to
    // right at every stage (up to the rounding of the smooth edges).
    TransitionProbe box = Box("100", "100");
    for (double t : {0.3, 0.5, 0.7}) {
        const host::Picture p = box.Render(t);
        int differ = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW / 2; ++x) differ += (p.at(x, y).a >= 128) != (p.at(kW - 1 - x, y).a >= 128);
        EXPECT_LT(differ, 0.01 * kH * kW / 2) << "t = " << t;
    }
    // Tilt x = 0 turns the front toward the left: the closed box then shows
    // its right side, which faces the light at a slant and is drawn darker,
    // to the right of the front; x = 1 the other way round. Likewise y = 1
    // turns it toward the bottom of the picture as shown (whichever order
    // the frame's rows are stored in) and shows the top side above it.
    // Measured: the brightness of the outermost opaque pixels on the middle
    // row (or column), the first end minus the last.
    for (bool topDown : {true, false}) {
        TransitionProbe tilted = Box("100", "100", topDown);
        auto sideDarkness = [&](const char* tilt, bool alongColumn) {
            const host::Picture out = tilted.Set("Tilt", tilt).Render(0.3);
            const int n = alongColumn ? kH : kW;
            auto at = [&](int i) -> const Rgba& { return alongColumn ? out.at(kW / 2, i) : out.at(i, kH / 2); };
            int first = 0, last = n - 1;
            while (first < n - 1 && at(first).a < 255) ++first;
            while (last > 0 && at(last).a < 255) --last;
            auto level = [&](int i) { return int(std::max({at(i).r, at(i).g, at(i).b})); };
            return level(std::min(first + 2, n - 1)) - level(std::max(last - 2, 0));
        };
        EXPECT_GT(sideDarkness("0,0.5", false), 30) << "dark side on the right, top-down " << topDown;
        EXPECT_LT(sideDarkness("1,0.5", false), -30) << "dark side on the left, top-down " << topDown;
        EXPECT_LT(sideDarkness("0.5,1", true), -30) << "dark side at the top, top-down " << topDown;
        EXPECT_GT(sideDarkness("0.5,0", true), 30) << "dark side at the bottom, top-down " << topDown;
    }
}

} // namespace
} // namespace svt::test
