// Vec3: a point or direction in scene space, in double precision.
// +x right, +y toward row 0 of the pictures, +z toward the viewer.
#pragma once

#include <cmath>

namespace svt {

inline constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, const Vec3& a) { return a * s; }
inline bool operator==(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }

// The single-precision value of 1e-6, widened: shorter vectors count as zero.
inline constexpr double kNormalizeMinLength = 9.999999974752427e-7;

// v / |v|, or the zero vector when |v| is below kNormalizeMinLength.
inline Vec3 Normalize(const Vec3& v) {
    const double len = Length(v);
    if (!(len >= kNormalizeMinLength)) return {};
    return {v.x / len, v.y / len, v.z / len};
}

// Unit normal of the triangle p0, p1, p2 (counter-clockwise seen from the
// side it points to); zero for a degenerate triangle.
inline Vec3 TriangleNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
    return Normalize(Cross(p1 - p0, p2 - p0));
}

} // namespace svt
