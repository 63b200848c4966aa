// 3D Louvers through the loaded module: the order and timing of the slats,
// the direction of their turn, and what their backs show.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


TransitionProbe Blind(const char* slices, const char* cohesion, const char* orientation = "Horizontal") {
    TransitionProbe blind(6);
    blind.Set("Slices", slices).Set("Cohesion", cohesion).Set("Orientation", orientation).Set("Shading", "0");
    blind.Set("Fog", "0").Set("Shine", "0").Set("Background", "Transparent");
    return blind;
}

TEST(Louvers, WithoutCohesionEachSlatTurnsInItsOwnWindowFromTheBottom) {
    // What each of four horizontal slats shows in its upper quarter, left and
    // right, from the top of the picture as shown (off the centre line, where
    // an edge-on slat would show).
    auto slats = [](const host::Picture& out) {
        std::vector<std::pair<int, int>> rows;
        for (int i = 0; i < 4; ++i) rows.push_back({CodeAt(out, 0.25, (i + 0.3) / 4), CodeAt(out, 0.75, (i + 0.3) / 4)});
        return rows;
    };
    auto pair = [](Rgba l, Rgba r) { return std::pair{Code(l), Code(r)}; };
    const std::pair<int, int> clear{kClear, kClear};
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        TransitionProbe blind = Blind("4", "0");
        blind.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
        // Four slats, each turning during its own quarter of the transition,
        // the bottom one (as shown) first. At 0.375 the second from the
        // bottom is edge-on, the bottom one done, the upper two untouched.
        EXPECT_EQ(slats(blind.Render(0.375)),
                  (std::vector{pair(kRed, kGreen), pair(kRed, kGreen), clear, pair(kWhite, kOrange)}));
        // Just inside the first window only the bottom slat has moved.
        EXPECT_EQ(slats(blind.Render(0.01))[2], pair(kBlue, kYellow));
        // "Reverse" runs the same scene backwards with the pictures
        // exchanged: in real time the top slat now turns first.
        EXPECT_EQ(slats(blind.Set("Reverse", "on").Render(0.375)),
                  (std::vector{pair(kCyan, kMagenta), clear, pair(kBlue, kYellow), pair(kBlue, kYellow)}));
    }
}

TEST(Louvers, OneSlatTurnsTheWholePictureWithItsUpperEdgeAway) {
    // One slat moves over the whole transition whatever the cohesion: at
    // t = 0.25 it has turned π/4 about the centre line. Its upper edge went
    // back to z = -0.707 (w = 1.118, shown at y = 0.632, row 0.18 of the
    // frame), its lower edge came forward to z = 0.707 (w = 0.882, y = -0.80,
    // row 0.90).
    const host::Picture out = Blind("1", "45").Pictures(QuartersA(kW, kH), QuartersB(kW, kH)).Render(0.25);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.5, 0.25, 0.2), kUprightA);
    const PixelBox column = BoxWhere(out, [&](int x, int y) { return x == kW / 2 && out.at(x, y).a >= 128; });
    EXPECT_NEAR(column.top, 0.184 * (kH - 1), 1.5);
    EXPECT_NEAR(column.bottom, 0.90 * (kH - 1), 1.5);
}

TEST(Louvers, EverySlatShowsTheMatchingStripOfBUprightOnItsBack) {
    // Picture B in eight bands across the slats' length, two per slat: a
    // slat showing the wrong strip, or its strip upside down, shows the
    // bands in the wrong places. All slats together at 0.9 of their half
    // turn: nearly flat again, seen from behind.
    const std::vector<Rgba> bands = {kCyan, kMagenta, kWhite, kOrange, kPink, kLime, kSky, kViolet};
    for (bool vertical : {false, true}) {
        TransitionProbe blind = Blind("4", "100", vertical ? "Vertical" : "Horizontal");
        blind.Pictures(QuartersA(kW, kH), vertical ? Cells(kW, kH, 8, 1, bands) : Cells(kW, kH, 1, 8, bands));
        const host::Picture out = blind.Render(0.9);
        for (int k = 0; k < 8; ++k) {
            const double f = (k + 0.5) / 8;
            EXPECT_EQ(vertical ? CodeAt(out, f, 0.5) : CodeAt(out, 0.5, f), Code(bands[size_t(k)]))
                << "band " << k << " vertical " << vertical;
        }
    }
}

} // namespace
} // namespace svt::test
