// WarpQuad: draws a texture into a convex quadrilateral of the screen with a
// perspective-correct (projective) mapping, bilinear sampling and
// coverage-weighted smooth edges.
//
// Conventions (shared by everything in softrender/):
//  - pixel (i, j) has its centre at (i, j) in screen coordinates: texture
//    pixel centres (0, 0), (w-1, 0), (w-1, h-1), (0, h-1) map onto quad
//    corners 0, 1, 2, 3;
//  - screen pixels outside the quadrilateral are never written;
//  - the same input gives the same output, bit for bit, whichever SIMD level
//    runs, within the tolerance the tests state.
#pragma once

#include <cstdint>

#include "frames/image_view.h"

namespace svt {

inline constexpr uint32_t kDrawBilinear = 0x2;
inline constexpr uint32_t kDrawSmoothEdges = 0x80000000u;
inline constexpr uint32_t kDrawDefault = kDrawBilinear | kDrawSmoothEdges;

// Screen positions of the four quad corners, corner k receiving texture corner k.
struct QuadCorners {
    double x[4];
    double y[4];
};

// The part of a picture to draw: the rectangle (x, y, w, h) of `image`,
// multiplied by `shade` (1: unchanged) on its colour channels as it is sampled.
struct WarpSource {
    const ImageView* image = nullptr;
    int32_t x = 0, y = 0, w = 0, h = 0;
    float shade = 1.0f;
};

// Draws the whole texture. False when nothing could be drawn (texture under
// 2 x 2, formats differ or are not 0, 1, 3, 4, quad not convex or degenerate).
bool WarpQuad(const ImageView& texture, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags);
// Draws a rectangle of a picture directly, shading as it samples.
bool WarpQuad(const WarpSource& source, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags);

// Chooses the SIMD span loops once, at module attach (SVT_FORCE_SCALAR=1
// keeps the scalar reference).
void SelectWarpKernels();

} // namespace svt
