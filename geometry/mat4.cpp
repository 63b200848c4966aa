#include "geometry/mat4.h"

#include <cmath>

namespace svt {

Mat4 MatMul(const Mat4& left, const Mat4& right) {
    Mat4 out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += left.at(r, k) * right.at(k, c);
            out.at(r, c) = sum;
        }
    }
    return out;
}

Vec3 TransformPoint(const Mat4& m, const Vec3& p) {
    const double x = m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3];
    const double y = m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7];
    const double z = m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11];
    const double w = m.m[12] * p.x + m.m[13] * p.y + m.m[14] * p.z + m.m[15];
    if (w == 1.0 || std::fabs(w) <= kMinPerspectiveW) return {x, y, z};
    return {x / w, y / w, z / w};
}

Mat4 IdentityMatrix() { return Mat4{}; }

Mat4 TranslationMatrix(const Vec3& offset) { return TranslationMatrix(offset.x, offset.y, offset.z); }

Mat4 TranslationMatrix(double x, double y, double z) {
    Mat4 t;
    t.at(0, 3) = x;
    t.at(1, 3) = y;
    t.at(2, 3) = z;
    return t;
}

Mat4 RotationX(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    Mat4 r;
    r.at(1, 1) = c;
    r.at(1, 2) = s;
    r.at(2, 1) = -s;
    r.at(2, 2) = c;
    return r;
}

Mat4 RotationY(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    Mat4 r;
    r.at(0, 0) = c;
    r.at(0, 2) = -s;
    r.at(2, 0) = s;
    r.at(2, 2) = c;
    return r;
}

Mat4 RotationZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    Mat4 r;
    r.at(0, 0) = c;
    r.at(0, 1) = s;
    r.at(1, 0) = -s;
    r.at(1, 1) = c;
    return r;
}

Mat4 ScaleMatrix(double sx, double sy, double sz) {
    Mat4 s;
    s.at(0, 0) = sx;
    s.at(1, 1) = sy;
    s.at(2, 2) = sz;
    return s;
}

Mat4 PerspectiveMatrix(double distance) {
    Mat4 p;
    if (std::fabs(distance) >= 1e-6) p.at(3, 2) = -1.0 / distance;
    return p;
}

} // namespace svt
