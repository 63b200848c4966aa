// Image operations on ImageViews.
//
// Shared rules, stated once:
//  - two-image operations work on the overlap (smaller width, smaller height);
//  - nothing is ever read or written outside an image (rows are walked through
//    each image's own stride; stride padding is never touched);
//  - every operation returns false, leaving the destination exactly as it was,
//    when an image is null, has no pixels or a zero size, has rows that
//    overlap (stride below width * pixel size), has a format the operation
//    does not take, or when bytes per pixel differ where they must agree; an
//    empty overlap succeeds without writing;
//  - a view of one byte per pixel counts as format 6 whatever its code; other
//    views need the pixel size their format implies (4 for 0, 1 and 7, 16 for
//    3 and 4);
//  - a source may be the destination itself (in-place) but may not overlap it
//    otherwise, except where stated;
//  - top-down flags are not consulted: rows are processed in memory order;
//  - 8-bit arithmetic is exact integer arithmetic: every division by 255
//    truncates, as written in the formulas;
//  - results do not depend on the CPU: the SIMD variants equal the scalar
//    code bit for bit.
// Each operation documents only where it departs from this.
#pragma once

#include <cstdint>

#include "frames/image_view.h"

namespace svt {

enum Interpolation : int32_t { kNearest = 0, kLinear = 1, kCubic = 2, kSmooth = 3 };

// 0, 1, 3, 4, 7 and one-byte images, copied as bytes.
bool CopyImage(const ImageView* src, ImageView* dst);
// The rectangle (x, y, w, h) of src to (dx, dy) of dst: x, y, dx, dy clamp
// into their images, then w and h shrink to fit both; w or h <= 0 copies
// nothing and succeeds. src and dst may overlap in the same memory.
bool CopyRect(const ImageView* src, int32_t x, int32_t y, int32_t w, int32_t h, ImageView* dst,
              int32_t dx, int32_t dy);
// Source row i to destination row h - 1 - i over the overlap; any format.
bool CopyFlipped(const ImageView* src, ImageView* dst);
// In place, any format.
bool FlipRows(ImageView* image);
// Reverses the four channels of every pixel; src and dst may be the same image.
bool SwapChannelOrder(const ImageView* src, ImageView* dst);
// In place, channel i becomes old channel order[i]; formats 0 and 1.
bool SwapChannels(ImageView* image, const uint32_t order[4]);
// Formats 0, 1, 3, 4; the low byte of value (floats: byte / 255).
bool SetChannel(ImageView* image, uint32_t channel, uint32_t value);
// 4 -> 4, 4 -> 1, 1 -> 4 and 1 -> 1 channels, 8-bit with 8-bit and float
// with float; channel indexes above 3 fail, a one-channel image ignores its own.
bool CopyChannel(const ImageView* src, ImageView* dst, uint32_t srcChannel, uint32_t dstChannel);
// One-channel images (6, 7) invert every value; indexes above 3 fail.
bool InvertChannel(ImageView* image, uint32_t channel);
bool Premultiply(ImageView* image);
// fg over bg into dst; `premultiplied` says fg's colour is already multiplied.
// All three images share one format (alpha must sit in the same place).
bool Composite(const ImageView* fg, const ImageView* bg, ImageView* dst, bool premultiplied);
// Packed 4:2:2 frames hold two bytes per picture pixel (Y0 U Y1 V per pair):
// their picture width is width * pixel size / 2, for pixel sizes 2 and 4.
// The four-channel side is blue, green, red, alpha in memory (codes 0 and 1).
// A lone last pixel unpacks with neutral chroma (V = 128); packing needs two.
bool UnpackYUV422(const ImageView* src, ImageView* dst, uint8_t alpha);
bool PackYUV422(const ImageView* src, ImageView* dst);
// Formats 3 and 4: Y, Cb and Cr take the places of red, green and blue (in
// the order of code 3, memory holds Cr, Cb, Y, A); alpha is copied.
bool RGBToYCbCr(const ImageView* src, ImageView* dst);
bool YCbCrToRGB(const ImageView* src, ImageView* dst);
// Formats 3 and 4. Negative values give a quiet NaN, 0 stays 0.
bool SquareValues(ImageView* image);
bool SqrtValues(ImageView* image);
bool ClampBelow(ImageView* image, const float thresholds[4]);
// Resampling (formats 0, 1, 3, 4): pixel centres map onto pixel centres;
// taps beyond the sampled region repeat its edge pixels, so nothing outside
// it is read. Cubic is Catmull-Rom; 8-bit results are rounded and clamped,
// float results are not clamped. Modes other than 0, 1, 2 mean linear.
bool Resize(const ImageView* src, ImageView* dst, int32_t interpolation);
// rect = left, top, right, bottom, inclusive, reduced to the source; the
// region onto the whole dst.
bool ResizeRect(const ImageView* src, const uint32_t rect[4], ImageView* dst, int32_t interpolation);
// D = A*a + B*b on every channel of formats 0, 1, 3, 4, 6, 7 (8-bit: integer
// weights round(w * 255) in 0..255, the sum / 255 truncated and limited to
// 255; float: weights limited to 1, the result to 1 when a + b > 1).
bool WeightedBlend(const ImageView* a, const ImageView* b, ImageView* dst, float wa, float wb);
// Rectangle (sx, sy, sw, sh) of src onto (dx, dy, dw, dh) of dst, with
// independent factors. Either rectangle may reach outside its image: the
// source is sampled within its part inside the image and only destination
// pixels inside the image are written. Mode 3 (kSmooth) averages the covered
// area when shrinking and interpolates linearly when enlarging.
bool ScaleImage(const ImageView* src, ImageView* dst, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t mode);
// In place: the outer bx columns and by rows repeat the nearest inner pixel;
// an empty inner region (2 * bx >= width or 2 * by >= height) fails.
bool ExtendBorder(ImageView* image, int32_t bx, int32_t by);

// Chooses the SIMD variants once, at module attach. SVT_FORCE_SCALAR=1 in the
// environment keeps every operation on its scalar reference.
void SelectImageKernels();
// "scalar", "sse2" or "avx2": what SelectImageKernels chose.
const char* ImageKernelLevel();

} // namespace svt
