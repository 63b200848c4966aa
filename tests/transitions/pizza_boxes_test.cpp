// 3D Pizza Boxes through the loaded module: boxes cut from the picture that
// turn over about their own centres, one after another.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


TransitionProbe Boxes(const char* slices, const char* cohesion, const char* orientation, bool topDown = true) {
    TransitionProbe boxes(9);
    boxes.Set("Slices", slices).Set("Cohesion", cohesion).Set("Orientation", orientation).Set("Depth", "0");
    boxes.Set("Ebb && Flow", "0").Set("Fog", "0").Set("Shine", "0").Set("Background", "Transparent");
    boxes.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return boxes;
}

TEST(PizzaBoxes, OneSliceIsOneBoxOfThePictureTurningAboutItsCentre) {
    // The box behind the full frame is d = (2 + √8)/2 deep, its centre at
    // z = -d/2. At t = 0.25 it has turned by π/4 (for "Vertical" negated on
    // these top-down frames), "Ebb && Flow" 40 has swung it e·sin(π/2) = 2
    // forward and Depth 100 holds the scene 5·sin(π/4) back. Its eight
    // corners, seen with D = 5, bound the output.
    const double d = 1 + std::sqrt(2.0), pi = std::acos(-1.0);
    for (bool vertical : {false, true})
        for (double e : {0.0, 2.0}) {
            TransitionProbe box = Boxes("1", "0", vertical ? "Vertical" : "Horizontal");
            box.Set("Ebb && Flow", e ? "40" : "0").Set("Depth", "100");
            const double a = (vertical ? -1 : 1) * pi / 4, c = std::cos(a), s = std::sin(a);
            PixelBox want{1 << 20, 1 << 20, -(1 << 20), -(1 << 20), 8};
            for (double x : {-1.0, 1.0})
                for (double y : {-1.0, 1.0})
                    for (double z : {d / 2, -d / 2}) { // about the centre
                        const double X = vertical ? x : x * c - z * s, Y = vertical ? y * c + z * s : y;
                        const double Z = (vertical ? -y * s + z * c : x * s + z * c) - d / 2 + e - 5 * std::sin(pi / 4);
                        const double w = 1 - Z / 5, px = (X / w + 1) * (kW - 1) / 2, py = (1 - Y / w) * (kH - 1) / 2;
                        want.left = std::min(want.left, int(std::lround(std::max(px, 0.0))));
                        want.right = std::max(want.right, int(std::lround(std::min(px, kW - 1.0))));
                        want.top = std::min(want.top, int(std::lround(std::max(py, 0.0))));
                        want.bottom = std::max(want.bottom, int(std::lround(std::min(py, kH - 1.0))));
                    }
            const PixelBox got = OpaqueBox(box.Render(0.25));
            EXPECT_NEAR(got.left, want.left, 1) << vertical << " " << e;
            EXPECT_NEAR(got.right, want.right, 1) << vertical << " " << e;
            EXPECT_NEAR(got.top, want.top, 1) << vertical << " " << e;
            EXPECT_NEAR(got.bottom, want.bottom, 1) << vertical << " " << e;
        }
}

TEST(PizzaBoxes, TheTurnLooksTheSameOnScreenForEitherRowOrder) {
    // At t = 0.1 (18°) the ends of the box (deeper than it is wide) are a
    // front edge 0.839 nearer than its centre and a back edge 0.839 further:
    // the front one shows about a quarter larger. Spinning left it is on the
    // left (Horizontal) or at the bottom as shown (Vertical), spinning right
    // at the other end, whichever way the rows are stored.
    for (bool vertical : {false, true})
        for (bool right : {false, true})
            for (bool topDown : {true, false}) {
                TransitionProbe box = Boxes("1", "0", vertical ? "Vertical" : "Horizontal", topDown);
                const Picture out = box.Set("Rotate right", right ? "on" : "off").Set("Depth", "100").Render(0.1);
                const PixelBox b = OpaqueBox(out, 128);
                auto span = [&](int at) { // opaque pixels across the end at `at`
                    int n = 0;
                    for (int k = 0; k < (vertical ? kW : kH); ++k)
                        n += (vertical ? out.at(k, at) : out.at(at, k)).a > 128;
                    return n;
                };
                const int first = vertical ? span(b.top + 2) : span(b.left + 2);
                const int last = vertical ? span(b.bottom - 2) : span(b.right - 2);
                EXPECT_GT(vertical == right ? first : last, (vertical == right ? last : first) * 1.15)
                    << vertical << right << topDown;
            }
}

TEST(PizzaBoxes, WithoutCohesionTheBoxesTurnOneAfterAnotherFromRowZero) {
    // Four boxes, each turning in its own quarter of the time. At 0.375 box 0
    // (memory rows at y = +1: the top of top-down frames, the bottom of
    // bottom-up ones) shows its strip of B, boxes 2 and 3 still show A.
    for (bool topDown : {true, false}) {
        const Picture out = Boxes("4", "0", "Horizontal", topDown).Render(0.375);
        const double first = topDown ? 0.1 : 0.9, last = 1 - first;
        EXPECT_EQ(CodeAt(out, 0.25, first), Code(topDown ? kCyan : kWhite)) << topDown;
        EXPECT_EQ(CodeAt(out, 0.75, first), Code(topDown ? kMagenta : kOrange)) << topDown;
        EXPECT_EQ(CodeAt(out, 0.25, last), Code(topDown ? kBlue : kRed)) << topDown;
    }
}

} // namespace
} // namespace svt::test
