// 3D Comb through the loaded module: strips of A that spin, fly along their
// length and shrink over B, neighbours going opposite ways.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {

// Strip i of four upright strips spans output columns 40i to 40i + 40.
const Picture kA = Cells(kW, kH, 4, 1, {kRed, kGreen, kBlue, kYellow});
const Picture kB = Cells(kW, kH, 4, 1, {kCyan, kMagenta, kWhite, kOrange});

// No look, no recession; Flight Delay 0 spins for q0 = 0.05 of a window.
TransitionProbe Comb(const char* cohesion, const char* speed, const char* angle, const char* reverse = "off") {
    TransitionProbe comb(2);
    comb.Set("Slices", "4").Set("Orientation", "Vertical").Set("Cohesion", cohesion).Set("Flight Speed", speed);
    comb.Set("Angle", angle).Set("Flight Delay", "0").Set("Depth", "0").Set("Fog", "0").Set("Shine", "0");
    comb.Set("Reverse", reverse).Pictures(kA, kB);
    return comb;
}

// A w x h strip centred at (cx, cy), clipped to the frame (CodeBox may lose
// two pixels at the sides).
void ExpectStrip(const PixelBox& b, double cx, double cy, double w, double h) {
    ASSERT_FALSE(b.empty());
    EXPECT_NEAR(b.left, std::max(cx - w / 2, 0.0), 2.5);
    EXPECT_NEAR(b.right, std::min(cx + w / 2, kW - 1.0), 2.5);
    EXPECT_NEAR(b.top, std::max(cy - h / 2, 0.0), 1.6);
    EXPECT_NEAR(b.bottom, std::min(cy + h / 2, kH - 1.0), 1.6);
}

TEST(Comb, WithoutFlightSpeedStripsShrinkInPlaceAndVanishWhenTheirWindowEnds) {
    TransitionProbe comb = Comb("0", "0", "0"); // L = 0, strip i moves during [i/4, (i+1)/4]
    // t = 0.24: q = 0.96, p2 = 0.91/0.95 = 0.958, scale 1 - 0.958³ = 0.121.
    ExpectStrip(CodeBox(comb.Render(0.24), Code(kRed)), 20, 44.5, 40 * 0.121, 89 * 0.121);
    EXPECT_TRUE(CodeBox(comb.Render(0.26), Code(kRed)).empty());
    // t = 0.4375: strip 1 at q = 0.75, p2 = 0.7/0.95 = 0.737, scale 0.600.
    const Picture out = comb.Render(0.4375);
    ExpectStrip(CodeBox(out, Code(kGreen)), 60, 44.5, 40 * 0.6, 89 * 0.6);
    ExpectStrip(CodeBox(out, Code(kBlue)), 100, 44.5, 40, 89);
    EXPECT_EQ(CodeAt(out, 0.03, 0.5), Code(kCyan));
    // "Reverse" runs t' = 1 - t with the pictures exchanged: at t = 0.375
    // strips 0 and 1 of B are still away, strip 2 arrives (scale 0.894) over A.
    const Picture in = Comb("0", "0", "0", "on").Render(0.375);
    EXPECT_EQ(CodeAt(in, 0.13, 0.5), Code(kRed));
    EXPECT_EQ(CodeAt(in, 0.63, 0.5), Code(kWhite));
    EXPECT_EQ(CodeAt(in, 0.63, 0.01), Code(kBlue));
}

TEST(Comb, OddAndEvenStripsFlyAndSpinOppositeWays) {
    // Cohesion 100 puts every strip at q = t. Flight Speed 10: L = 0.5, and at
    // t = 0.5 p2 = 0.474, scale 0.894, e = ±0.237: strip 0 runs off the top,
    // strip 1 off the bottom.
    const Picture flown = Comb("100", "10", "0").Render(0.5);
    ExpectStrip(CodeBox(flown, Code(kRed)), 20, 44.5 * (1 - 0.237), 40 * 0.894, 89 * 0.894);
    ExpectStrip(CodeBox(flown, Code(kGreen)), 60, 44.5 * (1 + 0.237), 40 * 0.894, 89 * 0.894);
    // Angle 90, Flight Delay 100 (q0 = 0.95): θ = ±(0.5/0.95)·π/2 = ±0.827
    // about x. Strip 0's top edge goes back (z = -sin θ, w = 1.147, Y = cos θ/w
    // = 0.590) and its bottom edge forward (w = 0.853, Y = -0.794); strip 1
    // the other way round.
    TransitionProbe spin = Comb("100", "0", "90");
    const Picture spun = spin.Set("Flight Delay", "100").Render(0.5);
    const PixelBox even = CodeBox(spun, Code(kRed)), odd = CodeBox(spun, Code(kGreen));
    EXPECT_NEAR(even.top, 44.5 * (1 - 0.590), 1.6);
    EXPECT_NEAR(even.bottom, 44.5 * (1 + 0.794), 1.6);
    EXPECT_NEAR(odd.top, 44.5 * (1 - 0.794), 1.6);
    EXPECT_NEAR(odd.bottom, 44.5 * (1 + 0.590), 1.6);
}

TEST(Comb, SpreadPushesTheStripsApartOverAPictureBWithoutTheLook) {
    // At t = 0.5 "Spread" doubles each strip's distance from the centre:
    // strip 1 (centre X = -0.245) spans pixels 20.5 to 60.5, strip 2 100.5 to
    // 140.5, strips 0 and 3 leave the frame. Fog glows the strips only.
    TransitionProbe comb = Comb("100", "0", "0");
    const Picture out = comb.Set("Spread", "on").Set("Flight Delay", "100").Set("Fog", "100").Render(0.5);
    std::vector<int> covered;
    for (int x = 0; x < kW; ++x)
        if (!(out.at(x, kH / 2) == kB.at(x, kH / 2))) covered.push_back(x);
    ASSERT_FALSE(covered.empty());
    EXPECT_NEAR(covered.front(), 20.5, 1.5);
    EXPECT_NEAR(covered.back(), 140.5, 1.5);
    EXPECT_EQ(std::count_if(covered.begin(), covered.end(), [](int x) { return x > 62 && x < 99; }), 0);
    EXPECT_FALSE(out.at(40, kH / 2) == kGreen) << "strip 1 glows";
}

} // namespace
} // namespace svt::test
