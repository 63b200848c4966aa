// 3D Louvers through the loaded module: the order and timing of the slats,
// the direction of their turn, and what their backs show.
#include "tests/transitions/scene_probe.h"

namespace svt::test {
namespace {

constexpr uint32_t kLouvers = 6; // registry index
constexpr int kW = 160, kH = 90;

// What each of four horizontal slats shows in its upper quarter, left and
// right, from the top of the picture as shown.
std::vector<std::pair<int, int>> SlatRows(const host::Picture& out) {
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < 4; ++i) {
        const double fy = (i + 0.3) / 4.0; // off the centre line, where an edge-on slat would show
        rows.push_back({CodeAt(out, 0.25, fy), CodeAt(out, 0.75, fy)});
    }
    return rows;
}

std::pair<int, int> Pair(host::Rgba l, host::Rgba r) { return {Code(l), Code(r)}; }

TEST(Louvers, WithoutCohesionEachSlatTurnsInItsOwnWindowFromTheBottom) {
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        TransitionProbe blind(kLouvers);
        ASSERT_TRUE(blind.ok());
        blind.Set("Slices", "4").Set("Cohesion", "0").Set("Shading", "0").Set("Fog", "0").Set("Shine", "0");
        blind.Set("Background", "Transparent");
        host::FrameLayout layout;
        layout.topDown = topDown;
        blind.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), kFormatBGRA8, layout);
        // Four slats, each turning during its own quarter of the transition,
        // the bottom one (as shown) first. At 0.375 the second from the
        // bottom is edge-on, the bottom one done, the upper two untouched.
        const std::pair<int, int> clear{kClear, kClear};
        EXPECT_EQ(SlatRows(blind.Render(0.375)),
                  (std::vector{Pair(kRed, kGreen), Pair(kRed, kGreen), clear, Pair(kWhite, kOrange)}));
        // Just inside the first window only the bottom slat has moved.
        const host::Picture early = blind.Render(0.01);
        EXPECT_EQ(SlatRows(early)[2], Pair(kBlue, kYellow));

        // "Reverse" runs the same scene backwards with the pictures
        // exchanged: in real time the top slat now turns first.
        blind.Set("Reverse", "on");
        EXPECT_EQ(SlatRows(blind.Render(0.375)),
                  (std::vector{Pair(kCyan, kMagenta), clear, Pair(kBlue, kYellow), Pair(kBlue, kYellow)}));
    }
}

TEST(Louvers, OneSlatTurnsTheWholePictureWithItsUpperEdgeAway) {
    TransitionProbe blind(kLouvers);
    ASSERT_TRUE(blind.ok());
    blind.Set("Slices", "1").Set("Shading", "0").Set("Fog", "0").Set("Shine", "0").Set("Background", "Transparent");
    blind.Pictures(QuartersA(kW, kH), QuartersB(kW, kH));
    // One slat moves over the whole transition whatever the cohesion: at
    // t = 0.25 it has turned π/4 about the centre line. Its upper edge went
    // back to z = -0.707 (w = 1.118, shown at y = 0.632, row 0.18 of the
    // frame), its lower edge came forward to z = 0.707 (w = 0.882, y = -0.80,
    // row 0.90).
    const host::Picture out = blind.Render(0.25);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.5, 0.25, 0.2), kUprightA);
    int top = 0, bottom = kH - 1;
    while (top < kH && out.at(kW / 2, top).a < 128) ++top;
    while (bottom >= 0 && out.at(kW / 2, bottom).a < 128) --bottom;
    EXPECT_NEAR(top, 0.184 * (kH - 1), 1.5);
    EXPECT_NEAR(bottom, 0.90 * (kH - 1), 1.5);
}

TEST(Louvers, EverySlatShowsTheMatchingStripOfBUprightOnItsBack) {
    // Picture B in eight bands across the slats' length, two per slat: a
    // slat showing the wrong strip, or its strip upside down, shows the
    // bands in the wrong places.
    const std::vector<host::Rgba> bands = {kCyan, kMagenta, kWhite, kOrange, kPink, kLime, kSky, kViolet};
    for (const char* orientation : {"Horizontal", "Vertical"}) {
        SCOPED_TRACE(orientation);
        const bool vertical = orientation[0] == 'V';
        TransitionProbe blind(kLouvers);
        ASSERT_TRUE(blind.ok());
        blind.Set("Orientation", orientation).Set("Slices", "4").Set("Cohesion", "100").Set("Shading", "0");
        blind.Set("Fog", "0").Set("Shine", "0");
        blind.Pictures(QuartersA(kW, kH), vertical ? Cells(kW, kH, 8, 1, bands) : Cells(kW, kH, 1, 8, bands));
        // All slats together at 0.9 of their half turn: nearly flat again,
        // seen from behind.
        const host::Picture out = blind.Render(0.9);
        for (int k = 0; k < 8; ++k) {
            const double f = (k + 0.5) / 8;
            EXPECT_EQ(vertical ? CodeAt(out, f, 0.5) : CodeAt(out, 0.5, f), Code(bands[size_t(k)])) << "band " << k;
        }
    }
}

} // namespace
} // namespace svt::test
