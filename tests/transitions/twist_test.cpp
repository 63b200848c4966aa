// 3D Twist through the loaded module: picture B upright at the end with or
// without the turn in the plane, the tumble, and a background that is no
// entry.
#include "tests/transitions/scene_probe.h"

namespace svt::test {
namespace {

constexpr uint32_t kTwist = 12; // registry index
constexpr int kW = 160, kH = 90;

TEST(Twist, PictureBEndsUprightForEitherAxisWithOrWithoutRotate) {
    for (const char* axis : {"Vertical", "Horizontal"}) {
        for (const char* rotate : {"on", "off"}) {
            SCOPED_TRACE(testing::Message() << axis << ", Rotate " << rotate);
            TransitionProbe twist(kTwist);
            ASSERT_TRUE(twist.ok());
            twist.Set("Axis", axis).Set("Rotate", rotate).Set("Slices", "4").Set("Cohesion", "100");
            twist.Set("Depth", "0").Set("Shading", "0");
            twist.Pictures(QuartersA(kW, kH), QuartersB(kW, kH));
            // At 0.97 the slices have made 0.97 of their half turn and the
            // picture 0.97 of its turn in the plane: 5.4° short of the end,
            // too little to move the probes out of their quarters.
            EXPECT_EQ(QuartersAround(twist.Render(0.97), 0.5, 0.5, 0.22, 0.22), kUprightB);
        }
    }
}

TEST(Twist, FlipTumblesThePictureUpsideDownByHalfway) {
    TransitionProbe twist(kTwist);
    ASSERT_TRUE(twist.ok());
    twist.Set("Axis", "Vertical").Set("Rotate", "off").Set("Slices", "2").Set("Cohesion", "0").Set("Depth", "0");
    twist.Set("Shading", "0");
    twist.Pictures(QuartersA(kW, kH), QuartersB(kW, kH));
    // Two slices without cohesion: at 0.5 the bottom one (turning first) has
    // made its half turn and shows B's lower half, the top one has not moved.
    EXPECT_EQ(QuartersAround(twist.Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kRed), Code(kGreen), Code(kWhite), Code(kOrange)}));
    // The tumble has then made half of its full turn: the same scene stands
    // on its head, each slice showing its other side rotated a half turn:
    // A's lower half above, B's upper half below.
    twist.Set("Flip", "on");
    EXPECT_EQ(QuartersAround(twist.Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kYellow), Code(kBlue), Code(kMagenta), Code(kCyan)}));
}

TEST(Twist, BackgroundThatIsNoEntryDrawsAsTransparent) {
    TransitionProbe twist(kTwist);
    ASSERT_TRUE(twist.ok());
    twist.Preset("Left To Right"); // stores such a value
    twist.Pictures(harness::PictureA(kW, kH), harness::PictureB(kW, kH));
    const host::Picture stored = twist.Render(0.5);
    twist.Set("Background", "Transparent");
    EXPECT_TRUE(twist.Render(0.5) == stored);
    // A slice edge-on in the middle of its turn lets the background through.
    int clear = 0;
    for (const host::Rgba& p : stored.pixels()) clear += p.a == 0;
    EXPECT_GT(clear, kH);
    twist.Set("Background", "First Picture");
    EXPECT_FALSE(twist.Render(0.5) == stored);
}

} // namespace
} // namespace svt::test
