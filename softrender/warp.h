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

#include <cstddef>
#include <cstdint>
#include <vector>

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

// The map from the screen back to the unit square the quad spans: screen
// (x, y, 1) times `m` gives (U, V, W), the square's point being (U/W, V/W),
// up to scale. False for a degenerate quad.
bool ScreenToSquare(const QuadCorners& quad, double m[3][3]);

// The part of a picture to draw: the rectangle (x, y, w, h) of `image`,
// multiplied by `shade` (1: unchanged) on its colour channels as it is sampled.
struct WarpSource {
    const ImageView* image = nullptr;
    int32_t x = 0, y = 0, w = 0, h = 0;
    float shade = 1.0f;
};

class WarpLayers;
namespace warp {
struct RowExtent;
}

// Draws the whole texture. False when nothing could be drawn (texture under
// 2 x 2, formats differ or are not 0, 1, 3, 4, quad not convex or degenerate).
bool WarpQuad(const ImageView& texture, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags);
// Draws a rectangle of a picture directly, shading as it samples.
bool WarpQuad(const WarpSource& source, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags);
// Draws layer `layer` of `layers` (added with the same source size, quad and
// flags), leaving out the pixels later layers store outright.
bool WarpQuad(const WarpSource& source, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags,
              const WarpLayers& layers, size_t layer);

// Pixels x0 .. x1 of one screen row.
struct WarpSpan {
    int32_t x0 = 0, x1 = -1;
};

// Hidden pixels of quads drawn in painter's order. WarpQuad stores the pixels
// whose centre lies inside the quad outright and blends only the ramp around
// it, so whatever earlier quads leave in a pixel that a later quad stores
// outright is lost: they need not draw it. Add every quad in painter's order,
// Resolve, then draw each one still Visible with its layer: the screen ends
// byte for byte as if every quad had been drawn whole.
class WarpLayers {
public:
    WarpLayers();
    ~WarpLayers();
    WarpLayers(const WarpLayers&) = delete;
    WarpLayers& operator=(const WarpLayers&) = delete;

    // Forgets the layers (keeping the memory) for a draw on `screen`.
    void Begin(const ImageView& screen);
    // Forgets the layers and frees their memory.
    void Release();
    // The next quad in painter's order, as WarpQuad will draw it. The source
    // may stand in for a texture made later: its format and rectangle size
    // are what count. A quad WarpQuad would refuse hides nothing. Returns the
    // layer's index.
    size_t Add(const WarpSource& source, const QuadCorners& quad, uint32_t drawFlags);
    // Works out, nearest layer first, what each layer leaves visible.
    void Resolve();
    // False when a layer has no pixel left to draw (after Resolve).
    bool Visible(size_t layer) const;
    // The spans of row y that some layer stores outright, in order, apart
    // and not touching (after Resolve): the rest is what a background shows.
    const std::vector<WarpSpan>& Covered(uint32_t y) const;

private:
    struct Layer;
    friend bool WarpQuad(const WarpSource&, ImageView&, const QuadCorners&, uint32_t, const WarpLayers&, size_t);

    ImageView screen_;
    std::vector<Layer> layers_;
    std::vector<WarpSpan> pieceSpans_; // the visible pieces of every layer's rows,
    std::vector<int32_t> pieceRows_;   // layer by layer, and the row of each
    std::vector<warp::RowExtent> pieceExtents_; // and the extent of its row
    std::vector<std::vector<WarpSpan>> covered_; // per row, kept between draws
    bool resolved_ = false;
};

// Chooses the SIMD span loops once, at module attach (SVT_FORCE_SCALAR=1
// keeps the scalar reference).
void SelectWarpKernels();

} // namespace svt
