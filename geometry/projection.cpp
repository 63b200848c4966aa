#include "geometry/projection.h"

#include <cmath>

namespace svt {

ScreenPoint ProjectToScreen(const Vec3& p, uint32_t width, uint32_t height, double a) {
    const double hw = static_cast<float>(static_cast<float>(int64_t(width) - 1) * 0.5f);
    const double hh = static_cast<float>(static_cast<float>(int64_t(height) - 1) * 0.5f);
    return {(p.x / a + 1.0) * hw, hh - p.y * hh};
}

double SnapToPixel(double v) {
    const double e = kSnapEpsilon;
    if (v > 0) {
        const double whole = std::trunc(v);
        if (std::trunc(v + e) > whole) return std::trunc(v + e);
        if (std::trunc(v - e) < whole) return whole;
        if (v - e > 0) return v;
        return 0.0;
    }
    if (v < 0 && v + e >= 0) return 0.0;
    return v;
}

} // namespace svt
