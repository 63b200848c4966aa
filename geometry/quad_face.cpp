#include "geometry/quad_face.h"

#include <cmath>
#include <limits>

namespace svt {

namespace {

// trunc(v + 0.5) as an int32, saturating instead of overflowing.
int32_t RoundToPixel(double v) {
    const double r = std::trunc(v + 0.5);
    if (!(r > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (!(r < std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

int32_t SpanLength(int32_t first, int32_t last) {
    const int64_t n = int64_t(last) - first + 1;
    if (n > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (n < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(n);
}

} // namespace

std::array<Vec3, 4> QuadFace::TransformedCorners(const Mat4& m) const {
    std::array<Vec3, 4> out{};
    if (!usable()) return out;
    for (int k = 0; k < 4; ++k) out[k] = TransformPoint(m, vertices[k]);
    return out;
}

void QuadFace::Transform(const Mat4& m) {
    if (!usable()) return;
    for (Vec3& p : vertices) p = TransformPoint(m, p);
}

Vec3 QuadFace::Centroid() const {
    if (vertices.empty()) return {};
    Vec3 sum;
    for (const Vec3& p : vertices) sum = sum + p;
    const double n = vertices.size();
    return {sum.x / n, sum.y / n, sum.z / n};
}

IntRect QuadFace::PixelRect(bool backSide, uint32_t width, uint32_t height) const {
    if (vertices.empty() || front == kSourceNone) return {};
    const double W = width, H = height;
    if (W < 1 || H < 1) return {};
    const TexRect& r = (backSide && back != kSourceNone) ? backRect : frontRect;
    IntRect out;
    out.x = RoundToPixel((W - 1) * r.left);
    out.w = SpanLength(out.x, RoundToPixel((W - 1) * r.right));
    out.y = RoundToPixel((H - 1) * r.top);
    out.h = SpanLength(out.y, RoundToPixel((H - 1) * r.bottom));
    return out;
}

std::array<int, 4> QuadFace::CornerOrder(bool backSide) const {
    if (backSide) {
        if (mirrorMode == kMirrorVertical) return {1, 0, 3, 2};
        if (mirrorMode == kMirrorHorizontal) return {3, 2, 1, 0};
    }
    return {0, 1, 2, 3};
}

} // namespace svt
