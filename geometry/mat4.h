// Mat4: a 4 x 4 matrix in double precision, row-major (element [r][c] at
// index 4r + c), applied to points as column vectors (x, y, z, 1), so
// translations sit in the fourth column and MatMul(L, R) applies R first.
#pragma once

#include "geometry/vec3.h"

namespace svt {

struct Mat4 {
    double m[16] = {1, 0, 0, 0,
                    0, 1, 0, 0,
                    0, 0, 1, 0,
                    0, 0, 0, 1};

    double& at(int r, int c) { return m[4 * r + c]; }
    double at(int r, int c) const { return m[4 * r + c]; }
};

// Below this |w| a point is left undivided, as it is when w is exactly 1.
inline constexpr double kMinPerspectiveW = 1e-6;

// The ordinary product L·R.
Mat4 MatMul(const Mat4& left, const Mat4& right);
// M·(x, y, z, 1), divided by w unless w is exactly 1 or |w| <= 1e-6.
Vec3 TransformPoint(const Mat4& m, const Vec3& p);

// Builders. The rotations use the turn directions of the transitions:
//   about x: (x, y, z) -> (x, y·cos a + z·sin a, -y·sin a + z·cos a)
//   about y: (x, y, z) -> (x·cos a - z·sin a, y, x·sin a + z·cos a)
//   about z: (x, y, z) -> (x·cos a + y·sin a, -x·sin a + y·cos a, z)
Mat4 IdentityMatrix();
Mat4 TranslationMatrix(const Vec3& offset);
Mat4 TranslationMatrix(double x, double y, double z);
Mat4 RotationX(double angle);
Mat4 RotationY(double angle);
Mat4 RotationZ(double angle);
Mat4 ScaleMatrix(double sx, double sy, double sz);
// The identity with [3][2] = -1/distance, so that a point at depth z gets
// w = 1 - z/distance; no perspective (the identity) when |distance| < 1e-6.
Mat4 PerspectiveMatrix(double distance);

} // namespace svt
