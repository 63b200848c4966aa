// Matrices and the w rule, screen mapping, pixel snapping, flat lighting.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/light.h"
#include "geometry/mat4.h"
#include "geometry/projection.h"

namespace svt {
namespace {

void ExpectNear(const Vec3& got, const Vec3& want, double tol = 1e-12) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

TEST(Mat4, ProductOrderTurnDirectionsAndTheWThreshold) {
    // RotationZ(pi/2) sends (1, 0, 0) to (0, -1, 0); +1 in x after it gives
    // (1, -1, 0), before it (2, 0, 0) -> (0, -2, 0).
    const Mat4 t = TranslationMatrix(1, 0, 0), r = RotationZ(std::numbers::pi / 2);
    ExpectNear(TransformPoint(MatMul(t, r), {1, 0, 0}), {1, -1, 0});
    ExpectNear(TransformPoint(MatMul(r, t), {1, 0, 0}), {0, -2, 0});
    // About y the right edge comes forward; about x the y = +1 edge moves away.
    const double s = std::sin(0.3), c = std::cos(0.3);
    ExpectNear(TransformPoint(RotationY(0.3), {1, 0, 0}), {c, 0, s});
    ExpectNear(TransformPoint(RotationX(0.3), {0, 1, 0}), {0, c, -s});

    // D = 10: (1, 1, 5) gets w = 1 - 5/10 = 0.5 and lands at (2, 2, 10).
    ExpectNear(TransformPoint(PerspectiveMatrix(10), {1, 1, 5}), {2, 2, 10}, 0);
    EXPECT_EQ(PerspectiveMatrix(1e-7).at(3, 2), 0.0); // no perspective
    Mat4 m;
    for (double w : {1e-7, -1e-6}) { // |w| <= 1e-6: undivided
        m.at(3, 3) = w;
        ExpectNear(TransformPoint(m, {3, 4, 5}), {3, 4, 5}, 0);
    }
    m.at(3, 3) = 2e-6;
    ExpectNear(TransformPoint(m, {3, 4, 5}), {1.5e6, 2e6, 2.5e6}, 1e-6);
}

TEST(ProjectToScreen, NormalisedCornersLandOnPixelCentres) {
    // 1920 x 1080: hw = 1919/2 = 959.5, hh = 1079/2 = 539.5; x = 2 lands at (2 + 1)·959.5.
    const double cases[][4] = {{0, 0, 959.5, 539.5}, {-1, 1, 0, 0}, {1, -1, 1919, 1079}, {2, 0, 2878.5, 539.5}};
    for (const auto& c : cases) {
        const ScreenPoint p = ProjectToScreen({c[0], c[1], 0}, 1920, 1080, 1.0);
        EXPECT_EQ(p.x, c[2]) << c[0];
        EXPECT_EQ(p.y, c[3]) << c[1];
    }
}

TEST(SnapToPixel, PullsNearWholeValuesOntoThem) {
    // Within 1e-5 of a whole value snaps, 2e-5 away does not; below zero only zero snaps.
    const double cases[][2] = {{41.999995, 42},  {42.000004, 42},        {0.000004, 0},
                               {-0.000004, 0},   {-3.5, -3.5},           {41.5, 41.5},
                               {41.99998, 41.99998}, {-2.000001, -2.000001}};
    for (const auto& c : cases) EXPECT_EQ(SnapToPixel(c[0]), c[1]) << c[0];
}

TEST(LinearLight, ShadesByTheCosineAboveAmbient) {
    LinearLight light({0, 0, -1}, 0.25);
    EXPECT_DOUBLE_EQ(light.Shade({0, 0.6, 0.8}, {}, false), 0.85); // 0.25 + 0.75·0.8
    EXPECT_EQ(light.Shade({0, 0, -1}, {}, false), 0.25);          // turned away
    EXPECT_EQ(light.Shade({0, 0, -1}, {}, true), 1.0);            // two-sided: |d|
    // A degenerate face has normal 0 and gets the ambient level.
    const Vec3 n = TriangleNormal({1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    EXPECT_EQ(n, (Vec3{}));
    EXPECT_EQ(light.Shade(n, {}, true), 0.25);
    EXPECT_EQ(Normalize({9.9e-7, 0, 0}), (Vec3{}));
    EXPECT_EQ(LinearLight({0, 0, -3}, 0.25).Shade({0, 0, 1}, {}, false), 1.0); // held at 1

    LinearLight full({0, 0, -1}, 1.0);
    EXPECT_EQ(LightIntensity({}, {0, 0, 1}, {}, true), 1.0);
    EXPECT_DOUBLE_EQ(LightIntensity({&full, &light}, {1, 0, 0}, {}, true), 0.625);
}

} // namespace
} // namespace svt
