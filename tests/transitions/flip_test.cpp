// 3D Flip, measured on what the loaded module draws: where the card is, how
// large, which picture it shows and which way up.
#include "tests/transitions/probe.h"
#include "transitions/common.h"

namespace svt::test {
namespace {

constexpr int kW = 160, kH = 90;

// A flip over a transparent background with no glow and no shading, so that
// the card's pixels are exactly where alpha is set.
TransitionProbe Flip(const std::string& offset, bool vertical, bool clockwise, const char* distance = "0",
                     bool topDown = true) {
    TransitionProbe flip(3);
    flip.Set("Offset", offset).Set("Orientation", vertical ? "Vertical" : "Horizontal");
    flip.Set("Clockwise", clockwise ? "on" : "off").Set("Distance", distance).Set("Fog", "0").Set("Shine", "0");
    flip.Set("Shading", "0").Set("Background", "Transparent").Pictures(PictureA(kW, kH), PictureB(kW, kH), Rows(topDown));
    return flip;
}

// The card's projected box at progress u, worked out from the motion as a
// person would: the four corners turned about the pivot line, pushed back,
// drifted, divided by w = 1 - z/10 and mapped to pixels (top row first, so
// for top-down frames scene y = +1 is the top), clipped to the frame.
struct Box {
    double left, top, right, bottom;
};

Box ExpectedBox(double o, bool vertical, double sigma, double distance, double u) {
    const long double pi = 3.141592653589793238462643383279L;
    const long double theta = sigma * pi * u;
    const long double hp = o; // a = 1; with top-down frames the vertical pivot is o as well
    Box b{1e9, 1e9, -1e9, -1e9};
    for (int cx : {-1, 1})
        for (int cy : {-1, 1}) {
            long double x = cx, y = cy, z = 0;
            if (vertical) {
                const long double yy = y - hp;
                y = hp + yy * std::cos(theta) - 2 * hp * u * u;
                z = -yy * std::sin(theta);
            } else {
                const long double xx = x - hp;
                x = hp + xx * std::cos(theta) - 2 * hp * u * u;
                z = xx * std::sin(theta);
            }
            z -= 100 * distance * std::sin(pi * u);
            const long double wdiv = 1 - z / 10;
            const double px = double((x / wdiv + 1) * (kW - 1) / 2);
            const double py = double((kH - 1) / 2.0L - (y / wdiv) * (kH - 1) / 2);
            b.left = std::min(b.left, px), b.right = std::max(b.right, px);
            b.top = std::min(b.top, py), b.bottom = std::max(b.bottom, py);
        }
    return {std::max(b.left, 0.0), std::max(b.top, 0.0), std::min(b.right, kW - 1.0), std::min(b.bottom, kH - 1.0)};
}

// Smooth edges may add a partly covered pixel on each side.
void ExpectBox(const PixelBox& got, const Box& want, const std::string& what) {
    ASSERT_FALSE(got.empty()) << what;
    EXPECT_NEAR(got.left, want.left, 1.01) << what;
    EXPECT_NEAR(got.right, want.right, 1.01) << what;
    EXPECT_NEAR(got.top, want.top, 1.01) << what;
    EXPECT_NEAR(got.bottom, want.bottom, 1.01) << what;
}

TEST(Flip, EdgeOnHalfwayOnlyTheBackgroundShows) {
    // Distance 0: u = t, so t = 0.5 is a quarter turn: at most a thin line.
    for (bool vertical : {false, true}) EXPECT_LE(OpaqueBox(Flip("0", vertical, false).Render(0.5)).count, 2 * kW);
}

TEST(Flip, OffsetZeroTurnsInPlaceAndOffCentrePivotsDriftBack) {
    // Display offsets -100, 0, 100 are o = -2, 0, 2; each case at several t,
    // both orientations and both directions, against the projected corners.
    for (const char* offset : {"0", "-100", "100", "37"})
        for (bool vertical : {false, true})
            for (bool clockwise : {false, true}) {
                TransitionProbe r = Flip(offset, vertical, clockwise);
                const double o = std::stod(offset) / 50.0;
                for (double t : {0.1, 0.3, 0.7, 0.9}) {
                    const std::string what = std::string("offset ") + offset + (vertical ? " vertical" : " horizontal") +
                                             (clockwise ? " cw" : " ccw") + " t " + std::to_string(t);
                    const Box want = ExpectedBox(o, vertical, clockwise ? 1 : -1, 0, t);
                    const PixelBox got = OpaqueBox(r.Render(t));
                    if (want.left > want.right || want.top > want.bottom) {
                        EXPECT_TRUE(got.empty()) << what << ": the card is off the frame";
                        continue;
                    }
                    ExpectBox(got, want, what);
                    // Turning in place, the card stays centred across the turn axis.
                    if (o == 0) EXPECT_NEAR(vertical ? got.centreX() : got.centreY(), ((vertical ? kW : kH) - 1) / 2.0, 0.6) << what;
                }
            }
}

TEST(Flip, DistanceOnePushesTheCardBackAsTheProjectionSays) {
    TransitionProbe r = Flip("0", false, false, "100");
    for (double t : {0.2, 0.35, 0.65}) {
        const double u = EaseProgress(t, 2.5 + t, 0.45); // Distance > 0 eases
        const PixelBox got = OpaqueBox(r.Render(t));
        ExpectBox(got, ExpectedBox(0, false, -1, 1.0, u), "t " + std::to_string(t));
        // Far away the card is a fraction of the frame: at u = 0.5 it would
        // sit at z = -100, drawn at 1/11 of its size.
        if (std::abs(u - 0.5) < 0.2) EXPECT_LT(got.bottom - got.top, kH / 4) << t;
    }
    // Without Distance the same t shows a card of full height at its near edge.
    const PixelBox flat = OpaqueBox(Flip("0", false, false).Render(0.35));
    EXPECT_GE(flat.bottom - flat.top, kH - 2);
}

TEST(Flip, PictureBEndsUprightAndUnmirroredEveryWayRound) {
    for (bool vertical : {false, true})
        for (bool clockwise : {false, true})
            for (const char* offset : {"0", "-100"}) {
                TransitionProbe r = Flip(offset, vertical, clockwise);
                const std::string what = std::to_string(vertical) + std::to_string(clockwise) + offset;
                ExpectUpright(r.Render(0.999), PictureB(kW, kH), 8, what);
                ExpectUpright(r.Render(0.001), PictureA(kW, kH), 8, what);
            }
}

TEST(Flip, TheVerticalPivotSideFollowsTheRowOrder) {
    // "Top" pivots are named for bottom-up pictures; top-down pictures get
    // the pivot mirrored, so on screen (top row first) the card hangs from
    // the same side either way: Offset 100 swings it up, -100 down.
    for (bool topDown : {true, false}) {
        const PixelBox up = OpaqueBox(Flip("100", true, false, "0", topDown).Render(0.3));
        const PixelBox down = OpaqueBox(Flip("-100", true, false, "0", topDown).Render(0.3));
        ASSERT_FALSE(up.empty() || down.empty());
        EXPECT_LT(up.centreY(), (kH - 1) / 2.0 - 5) << "top-down " << topDown;
        EXPECT_GT(down.centreY(), (kH - 1) / 2.0 + 5) << "top-down " << topDown;
    }
}

TEST(Flip, FogLightsUpTheCardMidTurnAndFadesAtTheEnds) {
    TransitionProbe plain = Flip("0", false, false), foggy = Flip("0", false, false);
    foggy.Set("Fog", "100");
    auto brightness = [](const Picture& p) {
        double sum = 0;
        for (const auto& c : p.pixels()) sum += (c.r + c.g + c.b) * c.a / 255.0;
        return sum / p.pixels().size();
    };
    // s = sin(3.1415·0.3) = 0.81: a strong look; at t = 0.002, s = 0.006
    // and the radius trunc(90·0.006·0.2) = 0: almost nothing.
    EXPECT_GT(brightness(foggy.Render(0.3)), brightness(plain.Render(0.3)) + 10);
    EXPECT_NEAR(brightness(foggy.Render(0.002)), brightness(plain.Render(0.002)), 3);
}

} // namespace
} // namespace svt::test
