// Matrices, the w rule, screen mapping, pixel snapping and flat lighting.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/light.h"
#include "geometry/mat4.h"
#include "geometry/projection.h"

namespace svt {
namespace {

constexpr double kPi = 3.14159265358979323846;

void ExpectNear(const Vec3& got, const Vec3& want, double tol = 1e-12) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

TEST(Mat4, ProductAppliesTheRightFactorFirst) {
    // RotationZ(pi/2) sends (1, 0, 0) to (0, -1, 0); then +1 in x gives (1, -1, 0).
    // The other way round: (2, 0, 0) rotated is (0, -2, 0).
    const Mat4 t = TranslationMatrix(1, 0, 0), r = RotationZ(kPi / 2);
    ExpectNear(TransformPoint(MatMul(t, r), {1, 0, 0}), {1, -1, 0});
    ExpectNear(TransformPoint(MatMul(r, t), {1, 0, 0}), {0, -2, 0});
}

TEST(Mat4, RotationsTurnTheWayTheTransitionsExpect) {
    // About y: the right edge comes toward the viewer. About x: the y = +1
    // edge moves away. About z: +x turns toward -y.
    const double s = std::sin(0.3), c = std::cos(0.3);
    ExpectNear(TransformPoint(RotationY(0.3), {1, 0, 0}), {c, 0, s});
    ExpectNear(TransformPoint(RotationX(0.3), {0, 1, 0}), {0, c, -s});
    ExpectNear(TransformPoint(RotationZ(0.3), {1, 0, 0}), {c, -s, 0});
}

TEST(Mat4, PerspectiveDividesByWAboveTheThresholdOnly) {
    // D = 10: (1, 1, 5) gets w = 1 - 5/10 = 0.5 and lands at (2, 2, 10).
    EXPECT_EQ(PerspectiveMatrix(10).at(3, 2), -0.1);
    ExpectNear(TransformPoint(PerspectiveMatrix(10), {1, 1, 5}), {2, 2, 10}, 0);
    // A distance under 1e-6 means no perspective.
    EXPECT_EQ(PerspectiveMatrix(1e-7).at(3, 2), 0.0);

    Mat4 m;
    m.at(3, 3) = 1e-7; // w = 1e-7: left undivided
    ExpectNear(TransformPoint(m, {3, 4, 5}), {3, 4, 5}, 0);
    m.at(3, 3) = -1e-6; // |w| = 1e-6 exactly: still undivided
    ExpectNear(TransformPoint(m, {3, 4, 5}), {3, 4, 5}, 0);
    m.at(3, 3) = 2e-6;
    ExpectNear(TransformPoint(m, {3, 4, 5}), {1.5e6, 2e6, 2.5e6}, 1e-6);
}

TEST(ProjectToScreen, NormalisedCornersLandOnPixelCentres) {
    // hw = 1919/2 = 959.5, hh = 1079/2 = 539.5.
    const auto at = [](double X, double Y) { return ProjectToScreen({X, Y, 0}, 1920, 1080, 1.0); };
    EXPECT_EQ(at(0, 0).x, 959.5);
    EXPECT_EQ(at(0, 0).y, 539.5);
    EXPECT_EQ(at(-1, 1).x, 0.0);
    EXPECT_EQ(at(-1, 1).y, 0.0);
    EXPECT_EQ(at(1, -1).x, 1919.0);
    EXPECT_EQ(at(1, -1).y, 1079.0);
    EXPECT_EQ(at(2, 0).x, 2878.5); // (2 + 1)·959.5: off the frame
}

TEST(SnapToPixel, PullsNearWholeValuesOntoThem) {
    EXPECT_EQ(SnapToPixel(41.999995), 42.0);
    EXPECT_EQ(SnapToPixel(42.000004), 42.0);
    EXPECT_EQ(SnapToPixel(0.000004), 0.0);
    EXPECT_EQ(SnapToPixel(-0.000004), 0.0);
    EXPECT_EQ(SnapToPixel(-3.5), -3.5);
    EXPECT_EQ(SnapToPixel(41.5), 41.5);
    EXPECT_EQ(SnapToPixel(41.99998), 41.99998); // 2e-5 away: beyond the reach of e
    // The negative side only snaps near zero: -2.000001 keeps its value.
    EXPECT_EQ(SnapToPixel(-2.000001), -2.000001);
}

TEST(Normal, DegenerateAndShortVectorsGiveZero) {
    ExpectNear(TriangleNormal({1, 1, 1}, {1, 1, 1}, {1, 1, 1}), {0, 0, 0}, 0);
    ExpectNear(Normalize({9.9e-7, 0, 0}), {0, 0, 0}, 0);
    ExpectNear(Normalize({1.0e-6, 0, 0}), {1, 0, 0}, 0);
    // Corners top-left, bottom-left, top-right (c0, c3, c1) face the viewer.
    EXPECT_GT(TriangleNormal({-1, 1, 0}, {-1, -1, 0}, {1, 1, 0}).z, 0);
}

TEST(LinearLight, ShadesByTheCosineAboveAmbient) {
    const LinearLight light({0, 0, -1}, 0.25);
    EXPECT_DOUBLE_EQ(light.Shade({0, 0.6, 0.8}, {}, false), 0.85); // 0.25 + 0.75·0.8
    EXPECT_EQ(light.Shade({0, 0, -1}, {}, false), 0.25);          // turned away
    EXPECT_EQ(light.Shade({0, 0, -1}, {}, true), 1.0);            // two-sided: |d|
    EXPECT_EQ(light.Shade({0, 0, 0}, {}, true), 0.25);            // degenerate face
    // A light stronger than unit length is held at full brightness.
    EXPECT_EQ(LinearLight({0, 0, -3}, 0.25).Shade({0, 0, 1}, {}, false), 1.0);
}

TEST(LightIntensity, IsOneWithoutLightsAndTheMeanOtherwise) {
    LinearLight dim({0, 0, -1}, 0.2), bright({0, 0, -1}, 1.0);
    EXPECT_EQ(LightIntensity({}, {0, 0, 1}, {}, true), 1.0);
    // Edge-on face: 0.2 and 1.0, mean 0.6.
    EXPECT_DOUBLE_EQ(LightIntensity({&dim, &bright}, {1, 0, 0}, {}, true), 0.6);
}

} // namespace
} // namespace svt
