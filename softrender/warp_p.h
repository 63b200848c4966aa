// Span kernels of the warp and the table that picks them.
//
// Sampling conventions (every warp kernel follows them):
//  - a screen pixel samples the texture at the inverse image of its centre,
//    (s, t) in texture pixels, texel centres at integers;
//  - bilinear weights are quantised once: 8-bit kernels use 7-bit fractions
//    (sx = trunc(s * 128 + 0.5), x0 = sx >> 7, fx = sx - 128 * x0) and compute
//        (sum of p * wx * wy + 2^13) >> 14,   wx = (128 - fx, fx), wy likewise,
//    the exact weighted mean of the quantised weights, rounded half up; the
//    sum is exact in any order, so every SIMD level gives the same bytes;
//  - float kernels compute per channel, in this order,
//        top = p00 * (1 - fx) + p01 * fx,  bot = p10 * (1 - fx) + p11 * fx,
//        out = top * (1 - fy) + bot * fy,
//    so SIMD and scalar agree bit for bit (the build keeps mul and add apart);
//  - shading (k < 1) scales the colour channels as they are sampled. 8-bit:
//    v = (sum + 64) >> 7, out = (((v * K) >> 16) + 64) >> 7 with
//    K = round(k * 65536), at most 65535; alpha keeps the unshaded value.
//    Float: out * k.
//    Either stays within one level of shading the texture first and then
//    warping it.
#pragma once

#include <cstdint>

namespace svt::warp {

// The rectangle of a picture that is sampled, as the kernels see it.
struct Texture {
    const uint8_t* data = nullptr; // texel (0, 0)
    intptr_t stride = 0;           // bytes from one row to the next, positive
    int32_t width = 0;             // at least 2
    int32_t height = 0;            // at least 2
    int32_t alpha = 3;             // channel index of alpha: 3 (codes 0, 3) or 0 (codes 1, 4)
    bool shaded = false;           // colour channels scaled by the shade below
    uint32_t shade16 = 65536;      // 8-bit kernels: round(k * 65536)
    float shadeF[4] = {1, 1, 1, 1}; // float kernels: k on colour, 1 on alpha
    // Every texel lies within 2^31 bytes of `data` (gathers take int32 offsets).
    bool offsetsFit32 = false;
};

// A run of pixels along one screen row. Pixel i of the run samples
//   s = (u + i*du) / (w + i*dw),  t = (v + i*dv) / (w + i*dw),
// evaluated in float exactly in this form (i converted to float, one
// reciprocal of the denominator, two multiplies); an affine run has w = 1,
// dw = 0 and skips the reciprocal.
struct Run {
    float u = 0, v = 0, w = 1;
    float du = 0, dv = 0, dw = 0;
    bool affine = true;
};

// What a draw does to a screen row: it stores xi0 .. xi1 outright (none when
// xi0 > xi1) and blends the ramp pixels of xo0 .. xo1 on either side.
struct RowExtent {
    int32_t xo0 = 0, xi0 = 0, xi1 = -1, xo1 = -1;
};

// Longest run handed to a span kernel: bounds the float error of i*du.
inline constexpr int32_t kMaxRun = 256;
// Fast runs keep every sample at least this far inside [0, w-1] x [0, h-1],
// far more than the float error the run setup allows, so x0 <= w-2 and
// y0 <= h-2 without clamping.
inline constexpr double kSafeMargin = 1.0 / 16;

// Draws pixels first .. count-1 (count <= kMaxRun) of a run whose samples
// all lie inside the texture by kSafeMargin, pixel i at dst + i * pixel size:
// no clamping, no coverage, plain stores. A pixel's value does not depend on
// `first`, so a run can be drawn in pieces.
using SpanFn = void (*)(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count);

// The clamped form takes any run: s is clamped to [0, w-1] (NaN to 0) and t
// to [0, h-1] before quantising, and the texel pair starts at most at w-2,
// h-2, so a fraction may reach 1 (128 in 8 bits). It serves the pixels near
// the texture's edges and the quad's edge ramp.
struct SpanKernels {
    SpanFn bytes4 = nullptr;  // codes 0 and 1
    SpanFn floats4 = nullptr; // codes 3 and 4
    SpanFn bytes4Clamped = nullptr;
    SpanFn floats4Clamped = nullptr;
};

// The scalar references: the definition of correct.
void SpanBytes4Scalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count);
void SpanFloats4Scalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count);
void SpanBytes4ClampedScalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count);
void SpanFloats4ClampedScalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count);
// The same with the clamping chosen by a flag (the SIMD loops' tails).
void SpanBytes4Tail(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count, bool clamped);
void SpanFloats4Tail(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count, bool clamped);

// Filled by warp_sse2.cpp and warp_avx2.cpp; each overrides what it improves.
void InstallSse2Spans(SpanKernels& k);
void InstallAvx2Spans(SpanKernels& k);

enum class SpanLevel { kScalar, kSse2, kAvx2 };
// Installs exactly `level` (tests and benchmarks); false, changing nothing,
// when the CPU lacks it.
bool UseSpanLevel(SpanLevel level);
SpanLevel ActiveSpanLevel();
const SpanKernels& ActiveSpans();

} // namespace svt::warp
