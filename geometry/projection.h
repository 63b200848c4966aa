// From normalised scene coordinates to output pixels.
//
// After the canvas's combined matrix (and the division by w), X from -a to a
// and Y from 1 to -1 cover the output frame: X = -a falls on the centre of
// pixel column 0, X = a on column W - 1, Y = 1 on row 0 (the first row in
// memory), Y = -1 on row H - 1.
#pragma once

#include <cstdint>

#include "geometry/vec3.h"

namespace svt {

struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
};

// The single-precision value of 1e-5, widened: how close to a whole pixel a
// position must be to snap onto it.
inline constexpr double kSnapEpsilon = 9.999999747378752e-6;

// Pixel position of a transformed point on a width x height screen with
// horizontal half-extent a. The half sizes (W - 1)/2 and (H - 1)/2 are
// computed in single precision, as the renderer always has.
ScreenPoint ProjectToScreen(const Vec3& p, uint32_t width, uint32_t height, double a);

// Pulls a position lying within kSnapEpsilon of a whole number onto it, and
// tiny values on either side of zero to zero, so that corners computed with
// rounding noise land exactly on pixel centres.
double SnapToPixel(double v);

} // namespace svt
