// 3D Spiral Bounce through the loaded module: the order in which the panels
// change, one panel's bounce, the wobble and the recession, and a host that
// cannot lend the memory for the order.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


// A red A changing to a cyan B over a transparent background.
TransitionProbe Spiral(const std::string& columns, const std::string& rows, bool topDown = true) {
    TransitionProbe spiral(11);
    spiral.Set("Columns", columns).Set("Rows", rows).Set("Cohesion", "0").Set("Depth", "0");
    spiral.Set("Rotation", "None").Set("Reverse", "off").Set("Background", "Transparent");
    spiral.Pictures(Picture(kW, kH, kRed), Picture(kW, kH, kCyan), Rows(topDown));
    return spiral;
}

TEST(SpiralBounce, PanelsChangeAlongTheSpiralFromTheCornerInward) {
    // Panel r·C + c, row 0 at y = +1 (shown at the bottom of bottom-up
    // frames). Cohesion 0: panel k of the order changes during [k/n, (k+1)/n]
    // and at (k + 0.9)/n shows B at full size. Top-down frames run the order
    // from its end; a single row is walked from x = -a.
    const std::vector<int> spiral{0, 1, 2, 3, 7, 11, 10, 9, 8, 4, 5, 6}, row{0, 1, 2, 3};
    for (int rows : {3, 1})
        for (bool topDown : {false, true}) {
            TransitionProbe probe = Spiral("4", std::to_string(rows), topDown);
            const int n = 4 * rows;
            std::vector<int> seen;
            for (int k = 0; k < n; ++k) {
                const Picture out = probe.Render((k + 0.9) / n);
                for (int panel = 0; panel < n; ++panel) {
                    const double fy = (panel / 4 + 0.5) / rows;
                    if (CodeAt(out, (panel % 4 + 0.5) / 4, topDown ? fy : 1 - fy) == Code(kCyan) &&
                        std::find(seen.begin(), seen.end(), panel) == seen.end())
                        seen.push_back(panel);
                }
            }
            std::vector<int> want = rows == 3 ? spiral : row;
            if (topDown) std::reverse(want.begin(), want.end());
            EXPECT_EQ(seen, want) << rows << " rows, top-down " << topDown;
        }
}

TEST(SpiralBounce, APanelSquashesToNothingSwapsAndSpringsBackFlat) {
    TransitionProbe spiral = Spiral("1", "1"); // one panel: q = t
    // q = 1/16: b = sin(π/4) = 0.707, scale 0.293, pushed back 3·(15/16)·0.707
    // = 1.989 (w = 1.331): A at 0.220 of the frame's size, centred.
    const Picture shrinking = spiral.Render(0.0625);
    const PixelBox box = OpaqueBox(shrinking, 128);
    EXPECT_NEAR(box.right - box.left, 0.220 * (kW - 1), 2);
    EXPECT_NEAR(box.bottom - box.top, 0.220 * (kH - 1), 2);
    EXPECT_NEAR(box.centreX(), (kW - 1) / 2.0, 1);
    EXPECT_EQ(CodeAt(shrinking, 0.5, 0.5), Code(kRed));
    // q = 1/8: scale 0, nothing drawn. q = 1/4: flat and full size, showing B.
    EXPECT_TRUE(OpaqueBox(spiral.Render(0.125)).empty());
    EXPECT_LT(MeanDifference(spiral.Render(0.25), Picture(kW, kH, kCyan)), 1);
}

TEST(SpiralBounce, RotationWobblesAboutItsAxisAndDepthRecedesTheGrid) {
    // Depth 100: the grid goes back 10·sin(π·t) and the panels change over
    // u = (t - 0.2)/0.6 only. The extent of the panel as fractions of the frame:
    auto extent = [](const char* rotation, double t) {
        const PixelBox box =
            OpaqueBox(Spiral("1", "1").Set("Depth", "100").Set("Rotation", rotation).Render(t), 128);
        return std::pair{(box.right - box.left) / (kW - 1.0), (box.bottom - box.top) / (kH - 1.0)};
    };
    // t = 0.15: A still flat, at 1/(1 + 10·sin(0.15π)/6) = 0.569 of the frame.
    EXPECT_NEAR(extent("None", 0.15).first, 0.569, 0.02);
    EXPECT_NEAR(extent("None", 0.15).second, 0.569, 0.03);
    // t = 0.4: q = 1/3, b = sin(4π/3) = -0.866: "Vertical" turns the panel by
    // b about x (cos b = 0.65), "Horizontal" about y; "None" keeps it square on.
    const auto none = extent("None", 0.4), vertical = extent("Vertical", 0.4), horizontal = extent("Horizontal", 0.4);
    EXPECT_NEAR(none.first, none.second, 0.03);
    EXPECT_LT(vertical.second, 0.75 * vertical.first);
    EXPECT_LT(horizontal.first, 0.75 * horizontal.second);
}

TEST(SpiralBounce, WithoutMemoryForTheOrderNothingIsDrawnAndFalseReturned) {
    TransitionProbe spiral = Spiral("4", "3");
    host::EffectRenderer& r = spiral.Set("Background", "First Picture").renderer();
    r.context().allocator().FailAfter(0);
    const host::RenderCheck check = r.Render(0.5); // the host clears its output first
    EXPECT_FALSE(check.rendered);
    EXPECT_TRUE(check.clean()) << check.Problems();
    EXPECT_TRUE(OpaqueBox(r.output().Load()).empty()) << "not even the background";
    // Outside the scene the order is not needed.
    EXPECT_TRUE(r.Render(0.0).rendered);
    EXPECT_TRUE(r.output().SamePixels(r.frameA()));
}

} // namespace
} // namespace svt::test
