// 3D Fly Away through the loaded module: the path small outputs take, the
// fade into B, and where the picture flies.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {

TransitionProbe FlyAway(const Picture& a, const Picture& b, const host::FrameLayout& layout = {}) {
    TransitionProbe fly(4);
    fly.Set("Fog", "0").Set("Shine", "0").Pictures(a, b, layout);
    return fly;
}

TEST(FlyAway, OutputsNarrowerThan65PixelsAreRenderedAt128AndScaledBack) {
    // At t = 0.001 a checkerboard of single pixels has barely moved (receded
    // 0.0004, turned 10⁻⁴): drawn directly it keeps its checks, through
    // 128 x 128 and back they are smeared to grey. Either way nothing is
    // written outside the output.
    host::FrameLayout guarded;
    guarded.guard = 64;
    guarded.rowPadding = 12;
    for (int w : {65, 64}) {
        Picture a(w, 36);
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < w; ++x) a.at(x, y) = (x + y) % 2 ? kWhite : Rgba{0, 0, 0, 255};
        TransitionProbe fly = FlyAway(a, QuartersB(w, 36), guarded);
        const double difference = MeanDifference(fly.Render(0.001), a);
        EXPECT_TRUE(w == 65 ? difference < 5 : difference > 40) << w << " wide: " << difference;
        fly.Render(0.5);
        EXPECT_TRUE(fly.renderer().output().GuardsIntact()) << w;
    }
}

TEST(FlyAway, FadeBlendsTowardBByTheSquareOfProgressAndOffKeepsThePictureOpaque) {
    const Picture a = QuartersA(160, 90), b = QuartersB(160, 90);
    TransitionProbe faded = FlyAway(a, b), opaque = FlyAway(a, b);
    const Picture scene = opaque.Set("Fade", "off").Render(0.9), out = faded.Render(0.9);
    // t = 0.9: weights trunc(0.81·255 + 0.5) = 207 for B and 48 for the scene.
    long wrong = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            const Rgba s = scene.at(x, y), o = out.at(x, y), q = b.at(x, y);
            wrong += o.r != (q.r * 207 + s.r * 48) / 255 || o.g != (q.g * 207 + s.g * 48) / 255 ||
                     o.b != (q.b * 207 + s.b * 48) / 255;
        }
    EXPECT_EQ(wrong, 0);
    // Unfaded, the small far picture shows A's own colours.
    EXPECT_FALSE(CodeBox(scene, Code(kRed)).empty() && CodeBox(scene, Code(kYellow)).empty());
    EXPECT_TRUE(CodeBox(out, Code(kRed)).empty() && CodeBox(out, Code(kYellow)).empty());
}

TEST(FlyAway, TheFlightTargetDrawsThePictureTowardItsCorner) {
    // Distance 75: m = 2, k = 0.775; at t = 0.5, r = 1 and L = 38.75. The
    // centre goes to (11.625·(Tx - 0.5), ±11.625·(Ty - 0.5), -38.75), w = 1 +
    // 38.75/5.2 = 8.452, so X = 1.375·(Tx - 0.5). Ty = 0 is -y on bottom-up
    // frames and, mirrored, +y on top-down ones: shown at the top either way.
    for (bool topDown : {true, false}) {
        TransitionProbe fly = FlyAway(Picture(160, 90, kRed), Picture(160, 90, kCyan), Rows(topDown));
        fly.Set("Distance", "75").Set("Fade", "off");
        for (auto [tx, ty] : {std::pair{0.5, 0.5}, std::pair{1.0, 0.0}, std::pair{0.0, 1.0}}) {
            fly.Set("Flight Target", std::to_string(tx) + "," + std::to_string(ty));
            const PixelBox box = CodeBox(fly.Render(0.5), Code(kRed));
            EXPECT_NEAR(box.centreX(), (1 + 1.375 * (tx - 0.5)) * 79.5, 1.0) << tx << "," << ty << " " << topDown;
            EXPECT_NEAR(box.centreY(), (1 + 1.375 * (ty - 0.5)) * 44.5, 1.0) << tx << "," << ty << " " << topDown;
        }
    }
}

} // namespace
} // namespace svt::test
