// 3D Twist through the loaded module: the tumble, and a background that is
// no entry.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


TransitionProbe Twist(const char* axis, const char* rotate, const char* slices, const char* cohesion) {
    TransitionProbe twist(12);
    twist.Set("Axis", axis).Set("Rotate", rotate).Set("Slices", slices).Set("Cohesion", cohesion);
    twist.Set("Depth", "0").Set("Shading", "0").Pictures(QuartersA(kW, kH), QuartersB(kW, kH));
    return twist;
}

TEST(Twist, FlipTumblesThePictureUpsideDownByHalfway) {
    // Two slices without cohesion: at 0.5 the bottom one (turning first) has
    // made its half turn and shows B's lower half, the top one has not moved.
    TransitionProbe twist = Twist("Vertical", "off", "2", "0");
    EXPECT_EQ(QuartersAround(twist.Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kRed), Code(kGreen), Code(kWhite), Code(kOrange)}));
    // The tumble has then made half of its full turn: the same scene stands
    // on its head, each slice showing its other side rotated a half turn:
    // A's lower half above, B's upper half below.
    EXPECT_EQ(QuartersAround(twist.Set("Flip", "on").Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kYellow), Code(kBlue), Code(kMagenta), Code(kCyan)}));
}

TEST(Twist, BackgroundThatIsNoEntryDrawsAsTransparent) {
    TransitionProbe twist(12);
    twist.Preset("Left To Right").Pictures(PictureA(kW, kH), PictureB(kW, kH)); // stores such a value
    const host::Picture stored = twist.Render(0.5);
    EXPECT_TRUE(twist.Set("Background", "Transparent").Render(0.5) == stored);
    // A slice edge-on in the middle of its turn lets the background through.
    EXPECT_GT(std::count_if(stored.pixels().begin(), stored.pixels().end(), [](const Rgba& p) { return p.a == 0; }), kH);
    EXPECT_FALSE(twist.Set("Background", "First Picture").Render(0.5) == stored);
}

} // namespace
} // namespace svt::test
