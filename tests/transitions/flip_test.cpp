// 3D Flip, measured on what the loaded module draws: where the card is and
// how large, and its glow (which way up it ends: upright_test.cpp).
#include "tests/transitions/probe.h"
#include "transitions/common.h"

namespace svt::test {
namespace {


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
// drifted, divided by w = 1 - z/10 and mapped to pixels (top row first:
// scene y = +1 is the top of top-down frames, the bottom of bottom-up ones,
// where a vertical pivot at o in the panel's terms lies at -o), clipped to
// the frame.
struct Box {
    double left, top, right, bottom;
};

Box ExpectedBox(double o, bool vertical, double sigma, double distance, double u, bool topDown) {
    const long double pi = 3.141592653589793238462643383279L;
    const long double theta = sigma * pi * u;
    const long double hp = vertical && !topDown ? -o : o; // a = 1
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
            const double py = double((kH - 1) / 2.0L - (topDown ? 1 : -1) * (y / wdiv) * (kH - 1) / 2);
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

TEST(Flip, TheCardFollowsTheProjectedMotionForEveryPivotDirectionAndDistance) {
    // Display offsets -100, 0, 100 are o = -2, 0, 2. "Top" pivots are named
    // for bottom-up pictures; top-down ones get the pivot mirrored, so on
    // screen (top row first) the card moves the same either way. Distance
    // eases the motion and pushes the card back: at u = 0.5 it would sit at
    // z = -100, drawn at 1/11 of its size.
    for (auto [offset, distance] : {std::pair{"0", "0"}, {"-100", "0"}, {"100", "0"}, {"37", "0"}, {"0", "100"}})
        for (bool vertical : {false, true})
            for (bool clockwise : {false, true})
                for (bool topDown : {true, false}) {
                    TransitionProbe r = Flip(offset, vertical, clockwise, distance, topDown);
                    const double o = std::stod(offset) / 50.0, d = std::stod(distance) / 100.0;
                    for (double t : {0.1, 0.3, 0.7, 0.9}) {
                        const std::string what = std::string("offset ") + offset + " distance " + distance +
                                                 (vertical ? " vertical" : " horizontal") + (clockwise ? " cw" : " ccw") +
                                                 (topDown ? " top-down" : " bottom-up") + " t " + std::to_string(t);
                        const double u = d > 0 ? EaseProgress(t, 2.5 + t, 0.45) : t;
                        const Box want = ExpectedBox(o, vertical, clockwise ? 1 : -1, d, u, topDown);
                        const PixelBox got = OpaqueBox(r.Render(t));
                        if (want.left > want.right || want.top > want.bottom) {
                            EXPECT_TRUE(got.empty()) << what << ": the card is off the frame";
                            continue;
                        }
                        ExpectBox(got, want, what);
                        // Turning in place, the card stays centred across the turn axis.
                        if (o == 0) {
                            EXPECT_NEAR(vertical ? got.centreX() : got.centreY(), ((vertical ? kW : kH) - 1) / 2.0, 0.6)
                                << what;
                        }
                    }
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
