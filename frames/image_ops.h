// Image operations on ImageViews.
//
// Shared rules, stated once:
//  - two-image operations work on the overlap (smaller width, smaller height);
//  - nothing is ever read or written outside an image (rows are walked through
//    each image's own stride; stride padding is never touched);
//  - every operation returns false, leaving the destination exactly as it was,
//    when an image is null, has no pixels or a zero size, has a format the
//    operation does not take, or when bytes per pixel differ where they must
//    agree; an empty overlap succeeds without writing;
//  - top-down flags are not consulted: rows are processed in memory order.
// Each operation documents only where it departs from this.
#pragma once

#include <cstdint>

#include "frames/image_view.h"

namespace svt {

enum Interpolation : int32_t { kNearest = 0, kLinear = 1, kCubic = 2, kSmooth = 3 };

// 0, 1, 3, 4, 7 and one-byte images; rows copied in memory order.
bool CopyImage(const ImageView* src, ImageView* dst);
// The rectangle (x, y, w, h) of src to (dx, dy) of dst, clamped to both.
bool CopyRect(const ImageView* src, int32_t x, int32_t y, int32_t w, int32_t h, ImageView* dst,
              int32_t dx, int32_t dy);
bool CopyFlipped(const ImageView* src, ImageView* dst);
bool FlipRows(ImageView* image);
// Reverses the four channels of every pixel; src and dst may be the same image.
bool SwapChannelOrder(const ImageView* src, ImageView* dst);
// In place, channel i becomes old channel order[i]; formats 0 and 1.
bool SwapChannels(ImageView* image, const uint32_t order[4]);
bool SetChannel(ImageView* image, uint32_t channel, uint32_t value);
bool CopyChannel(const ImageView* src, ImageView* dst, uint32_t srcChannel, uint32_t dstChannel);
bool InvertChannel(ImageView* image, uint32_t channel);
bool Premultiply(ImageView* image);
// fg over bg into dst; `premultiplied` says fg's colour is already multiplied.
bool Composite(const ImageView* fg, const ImageView* bg, ImageView* dst, bool premultiplied);
bool UnpackYUV422(const ImageView* src, ImageView* dst, uint8_t alpha);
bool PackYUV422(const ImageView* src, ImageView* dst);
bool RGBToYCbCr(const ImageView* src, ImageView* dst);
bool YCbCrToRGB(const ImageView* src, ImageView* dst);
bool SquareValues(ImageView* image);
bool SqrtValues(ImageView* image);
bool ClampBelow(ImageView* image, const float thresholds[4]);
// The whole source onto the whole destination.
bool Resize(const ImageView* src, ImageView* dst, int32_t interpolation);
// rect = left, top, right, bottom, inclusive; the region onto the whole dst.
bool ResizeRect(const ImageView* src, const uint32_t rect[4], ImageView* dst, int32_t interpolation);
// D = A*a + B*b on every channel (8-bit: integer weights, /255 truncated).
bool WeightedBlend(const ImageView* a, const ImageView* b, ImageView* dst, float wa, float wb);
// Rectangle (sx, sy, sw, sh) of src onto (dx, dy, dw, dh) of dst, any factors.
bool ScaleImage(const ImageView* src, ImageView* dst, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t mode);
// In place: the outer bx columns and by rows repeat the nearest inner pixel.
bool ExtendBorder(ImageView* image, int32_t bx, int32_t by);

// Chooses the SIMD variants once, at module attach. SVT_FORCE_SCALAR=1 in the
// environment keeps every operation on its scalar reference.
void SelectImageKernels();
// "scalar", "sse2" or "avx2": what SelectImageKernels chose.
const char* ImageKernelLevel();

} // namespace svt
