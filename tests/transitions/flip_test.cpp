// 3D Flip, measured on what the loaded module draws: where the card is, how
// large, which picture it shows and which way up.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/transitions/module_harness.h"
#include "transitions/common.h"

namespace svt {
namespace {

using harness::MakeRenderer;
using harness::MeanDifference;
using harness::OpaqueBox;
using harness::PictureA;
using harness::PictureB;
using harness::PixelBox;
using host::Picture;

constexpr uint32_t kFlip = 3;
constexpr int kW = 160, kH = 90;

// A flip over a transparent background with no glow and no shading, so that
// the card's pixels are exactly where alpha is set.
std::unique_ptr<host::EffectRenderer> Flip(const std::string& offset, const std::string& orientation,
                                           bool clockwise, const std::string& distance = "0",
                                           bool topDown = true) {
    auto r = MakeRenderer(kFlip);
    if (!r) return nullptr;
    bool ok = r->Set("Offset", offset) && r->Set("Orientation", orientation) &&
              r->Set("Clockwise", clockwise ? "on" : "off") && r->Set("Distance", distance) &&
              r->Set("Fog", "0") && r->Set("Shine", "0") && r->Set("Shading", "0") &&
              r->Set("Background", "Transparent");
    host::FrameLayout layout;
    layout.topDown = topDown;
    ok = ok && r->SetPictures(PictureA(kW, kH), PictureB(kW, kH), kFormatBGRA8, layout);
    return ok ? std::move(r) : nullptr;
}

Picture At(host::EffectRenderer& r, double t) {
    EXPECT_TRUE(r.Render(t).rendered) << t;
    return r.output().Load();
}

// The card's projected box at progress u, worked out from the motion as a
// person would: the four corners turned about the pivot line, pushed back,
// drifted, divided by w = 1 - z/10 and mapped to pixels (top row first, so
// for top-down frames scene y = +1 is the top), clipped to the frame.
struct Box {
    double left, top, right, bottom;
};

Box ExpectedBox(double o, bool vertical, double sigma, double distance, double u, int w, int h) {
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
            const double px = double((x / wdiv + 1) * (w - 1) / 2);
            const double py = double((h - 1) / 2.0L - (y / wdiv) * (h - 1) / 2);
            b.left = std::min(b.left, px), b.right = std::max(b.right, px);
            b.top = std::min(b.top, py), b.bottom = std::max(b.bottom, py);
        }
    b.left = std::max(b.left, 0.0), b.top = std::max(b.top, 0.0);
    b.right = std::min(b.right, w - 1.0), b.bottom = std::min(b.bottom, h - 1.0);
    return b;
}

void ExpectBox(const PixelBox& got, const Box& want, const std::string& what) {
    // Smooth edges may add a partly covered pixel on each side.
    constexpr double kTolerance = 1.01;
    ASSERT_FALSE(got.empty()) << what;
    EXPECT_NEAR(got.left, want.left, kTolerance) << what;
    EXPECT_NEAR(got.right, want.right, kTolerance) << what;
    EXPECT_NEAR(got.top, want.top, kTolerance) << what;
    EXPECT_NEAR(got.bottom, want.bottom, kTolerance) << what;
}

TEST(Flip, EdgeOnHalfwayOnlyTheBackgroundShows) {
    for (const char* orientation : {"Horizontal", "Vertical"}) {
        auto r = Flip("0", orientation, false);
        ASSERT_TRUE(r);
        // Distance 0: u = t, so t = 0.5 is a quarter turn.
        const PixelBox card = OpaqueBox(At(*r, 0.5));
        EXPECT_LE(card.count, 2 * kW) << orientation << ": at most a thin line";
        // Over picture A as background, everything but that line is A.
        r->Set("Background", "First Picture");
        const Picture out = At(*r, 0.5);
        long differing = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) differing += !(out.at(x, y) == PictureA(kW, kH).at(x, y));
        EXPECT_LE(differing, 2 * kW) << orientation;
    }
}

TEST(Flip, OffsetZeroTurnsInPlaceAndOffCentrePivotsDriftBack) {
    // Display offsets -100, 0, 100 are o = -2, 0, 2; each case at several t,
    // both orientations and both directions, against the projected corners.
    for (const char* offset : {"0", "-100", "100", "37"})
        for (bool vertical : {false, true})
            for (bool clockwise : {false, true}) {
                auto r = Flip(offset, vertical ? "Vertical" : "Horizontal", clockwise);
                ASSERT_TRUE(r);
                const double o = std::stod(offset) / 50.0;
                for (double t : {0.1, 0.3, 0.7, 0.9}) {
                    const std::string what = std::string("offset ") + offset + (vertical ? " vertical" : " horizontal") +
                                             (clockwise ? " cw" : " ccw") + " t " + std::to_string(t);
                    const Box want = ExpectedBox(o, vertical, clockwise ? 1 : -1, 0, t, kW, kH);
                    const PixelBox got = OpaqueBox(At(*r, t));
                    if (want.left > want.right || want.top > want.bottom) {
                        EXPECT_TRUE(got.empty()) << what << ": the card is off the frame";
                        continue;
                    }
                    ExpectBox(got, want, what);
                    // Turning in place, the card stays centred across the turn axis.
                    if (o == 0) {
                        if (vertical) {
                            EXPECT_NEAR(got.centreX(), (kW - 1) / 2.0, 0.6) << what;
                        } else {
                            EXPECT_NEAR(got.centreY(), (kH - 1) / 2.0, 0.6) << what;
                        }
                    }
                }
            }
}

TEST(Flip, DistanceOnePushesTheCardBackAsTheProjectionSays) {
    auto r = Flip("0", "Horizontal", false, "100");
    ASSERT_TRUE(r);
    for (double t : {0.2, 0.35, 0.65}) {
        const double u = EaseProgress(t, 2.5 + t, 0.45); // Distance > 0 eases
        const Box want = ExpectedBox(0, false, -1, 1.0, u, kW, kH);
        const PixelBox got = OpaqueBox(At(*r, t));
        ExpectBox(got, want, "t " + std::to_string(t));
        // Far away the card is a fraction of the frame: at u = 0.5 it would
        // sit at z = -100, drawn at 1/11 of its size.
        if (std::abs(u - 0.5) < 0.2) {
            EXPECT_LT(got.bottom - got.top, kH / 4) << t;
        }
    }
    // Without Distance the same t shows a card of full height at its near edge.
    auto flat = Flip("0", "Horizontal", false, "0");
    EXPECT_GE(OpaqueBox(At(*flat, 0.35)).bottom - OpaqueBox(At(*flat, 0.35)).top, kH - 2);
}

TEST(Flip, PictureBEndsUprightAndUnmirroredEveryWayRound) {
    // Just before the end the card is nearly flat; at low resolution it must
    // look like picture B, not like B mirrored either way.
    for (bool vertical : {false, true})
        for (bool clockwise : {false, true})
            for (const char* offset : {"0", "-100"}) {
                auto r = Flip(offset, vertical ? "Vertical" : "Horizontal", clockwise);
                ASSERT_TRUE(r);
                const Picture out = host::Resized(At(*r, 0.999), 40, 22);
                const Picture b = host::Resized(PictureB(kW, kH), 40, 22);
                const double same = MeanDifference(out, b);
                const std::string what = std::string(vertical ? "vertical" : "horizontal") +
                                         (clockwise ? " cw" : " ccw") + " offset " + offset;
                EXPECT_LT(same, 8) << what;
                EXPECT_LT(same * 4, MeanDifference(out, b, true, false)) << what;
                EXPECT_LT(same * 4, MeanDifference(out, b, false, true)) << what;
                // and picture A at the start
                const Picture start = host::Resized(At(*r, 0.001), 40, 22);
                EXPECT_LT(MeanDifference(start, host::Resized(PictureA(kW, kH), 40, 22)), 8) << what;
            }
}

TEST(Flip, TheVerticalPivotSideFollowsTheRowOrder) {
    // "Top" pivots are named for bottom-up pictures; top-down pictures get
    // the pivot mirrored, so on screen (top row first) the card hangs from
    // the same side either way: Offset 100 swings it up, -100 down.
    for (bool topDown : {true, false}) {
        auto top = Flip("100", "Vertical", false, "0", topDown);
        auto bottom = Flip("-100", "Vertical", false, "0", topDown);
        ASSERT_TRUE(top && bottom);
        const PixelBox up = OpaqueBox(At(*top, 0.3)), down = OpaqueBox(At(*bottom, 0.3));
        ASSERT_FALSE(up.empty() || down.empty());
        EXPECT_LT(up.centreY(), (kH - 1) / 2.0 - 5) << "top-down " << topDown;
        EXPECT_GT(down.centreY(), (kH - 1) / 2.0 + 5) << "top-down " << topDown;
    }
}

TEST(Flip, FogLightsUpTheCardMidTurnAndFadesAtTheEnds) {
    auto plain = Flip("0", "Horizontal", false);
    auto foggy = Flip("0", "Horizontal", false);
    ASSERT_TRUE(plain && foggy);
    foggy->Set("Fog", "100");
    auto brightness = [](const Picture& p) {
        double sum = 0;
        for (const auto& c : p.pixels()) sum += (c.r + c.g + c.b) * c.a / 255.0;
        return sum / p.pixels().size();
    };
    // s = sin(3.1415·0.3) = 0.81: a strong look; at t = 0.002, s = 0.006
    // and the radius trunc(90·0.006·0.2) = 0: almost nothing.
    EXPECT_GT(brightness(At(*foggy, 0.3)), brightness(At(*plain, 0.3)) + 10);
    EXPECT_NEAR(brightness(At(*foggy, 0.002)), brightness(At(*plain, 0.002)), 3);
}

} // namespace
} // namespace svt
