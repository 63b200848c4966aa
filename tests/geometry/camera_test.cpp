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

} // namespace
} // namespace svt
