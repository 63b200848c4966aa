// Row kernels of the glow and the table that picks them.
//
// The tent of n = radius + 1 taps (1, 2, ..., 2, 1) is two box filters in
// sequence, of a = (n + 1) / 2 and b = n + 1 - a taps (equal for odd n, one
// apart for even n); its weights sum to d = a * b. Along a line of inputs p
// (p[X] = 0 for X < 0) the running sums
//     C(X)  = C(X-1) + p[X] - p[X-a] - p[X-b] + p[X-a-b]
//     B(X)  = B(X-1) + C(X)
// give B(X) = sum over k < n of weight(k) * p[X-k], whatever n: O(1) per
// sample. 8-bit sums are exact integers, divided with rounding to nearest.
#pragma once

#include <cstdint>

namespace svt::glow {

// Longest tent the kernels take: keeps 255 * d within int32.
inline constexpr int32_t kMaxRadius = 4095;

struct Tent {
    int32_t n = 1, half = 0, a = 1, b = 1, d = 1;
    // A channel (0 or 3) whose results nobody reads: SIMD kernels may leave
    // any value there. -1: every channel counts.
    int32_t unused = -1;
};
Tent MakeTent(int32_t radius);

// One row of 8-bit pixels: out[x] = round(B(x + 2*half) / d) for x < count,
// where line X is pixel X of `pad`; pad[-(a+b)] .. pad[-1] are zero pixels and
// pad holds count + n pixels.
using RowTent8 = void (*)(const uint8_t* pad, uint8_t* out, int32_t count, const Tent& t);
// RowTent8 on eight rows at once; `work` holds (count + 2 * n + 8) * 32
// bytes, and each pad may be read up to 16 pixels past its count + n.
using RowTents8 = void (*)(const uint8_t* const* pads, uint8_t* const* outs, int32_t count, const Tent& t,
                           uint8_t* work);
// One step of the column filter over `count` pixels: the four lines enter the
// running sums (state: 4 * count int32 each, in a form of the kernel's own);
// when `out` is not null it receives round(B / d). The calls of one blur
// start at the same pixel modulo 8 and end at that pixel plus a multiple of 8
// or at the same last pixel.
using ColumnStep8 = void (*)(const uint8_t* line, const uint8_t* lineA, const uint8_t* lineB,
                             const uint8_t* lineAB, int32_t* c, int32_t* sum, uint8_t* out, int32_t count,
                             const Tent& t);

// The combine step of the glow on 8-bit pixels: s the picture, g the blur,
// result into dst (may be s).
struct Combine8 {
    int32_t k = 0;        // trunc(k * 380)
    int32_t colour[4] = {}; // glow colour byte per channel position (alpha's unused)
    int32_t red = 2, green = 1, blue = 0, alpha = 3;
};
using CombineRow8 = void (*)(const uint8_t* s, const uint8_t* g, uint8_t* dst, int32_t count, const Combine8& c);

// Float pictures: the same filters on pixels of four floats, the running
// sums in double (per channel c += ((p - pA) - pB) + pAB; sum += c), each
// result float(sum * (1.0 / d)).
using RowTentF = void (*)(const float* pad, float* out, int32_t count, const Tent& t);
using ColumnStepF = void (*)(const float* line, const float* lineA, const float* lineB, const float* lineAB,
                             double* c, double* sum, float* out, int32_t count, const Tent& t);

// The float combine step.
struct CombineF {
    float k2 = 0;             // k * 1.49
    float colour[4] = {};     // glow colour byte * (1/255) per channel position (alpha's unused)
    int32_t red = 2, green = 1, blue = 0, alpha = 3;
};
using CombineRowF = void (*)(const float* s, const float* g, float* dst, int32_t count, const CombineF& c);

// The metal pass on float pixels, in place: l the mean of the three colour
// channels (in double, summed in order, times 1/3); w the sheen weight,
// interpolated in `sheen` (steps + 1 weights over l = 0 .. 1: at = l * steps,
// i = min(trunc(at), steps - 1), w = s[i] + (s[i+1] - s[i]) * (at - i)), or
// weight(ctx, l) for l outside [0, 1] or NaN; each colour channel becomes
// float(clamp(p * keep + cc * w, 0, 1)), NaN kept.
struct MetalF {
    double keep = 1;
    double cc[4] = {};     // colour factor per channel position
    int32_t first = 0;     // the first of the three colour channels
    const double* sheen = nullptr;
    int32_t steps = 1;
    double (*weight)(const void* ctx, double l) = nullptr;
    const void* ctx = nullptr;
};
using MetalRowF = void (*)(float* row, int32_t count, const MetalF& m);
// The combine into dst, then the metal pass on it (m.sheen set).
using CombineMetalRowF = void (*)(const float* s, const float* g, float* dst, int32_t count, const CombineF& c,
                                  const MetalF& m);

// The metal pass on 8-bit pixels, in place: with s the sum of the three
// colour channels, each becomes trunc(double(v) * keep + add[i][s]) clamped
// to 0..255 (NaN to 0); add[i] holds 766 weights for colour channel i.
// SIMD kernels may first compute float(v) * keepF + addF[i][s] in single
// precision: that lies within `slack` of the double sum, so its level is the
// same unless it falls within `slack` of a level's edge, where they take the
// double route. addF null: always the double route.
struct Metal8 {
    double keep = 1;
    const double* add[3] = {}; // the same block three times for a grey colour
    int32_t first = 0;         // the first of the three colour channels
    float keepF = 1;
    const float* addF[3] = {};
    float slack = 0;
};
using MetalRow8 = void (*)(uint8_t* row, int32_t count, const Metal8& m);

struct GlowKernels {
    RowTent8 rowTent8 = nullptr;
    RowTents8 rowTents8 = nullptr;
    ColumnStep8 columnStep8 = nullptr;
    CombineRow8 combine8 = nullptr;
    RowTentF rowTentF = nullptr;
    ColumnStepF columnStepF = nullptr;
    CombineRowF combineF = nullptr;
    MetalRowF metalF = nullptr;
    MetalRow8 metal8 = nullptr;
    CombineMetalRowF combineMetalF = nullptr;
};

void RowTent8Scalar(const uint8_t* pad, uint8_t* out, int32_t count, const Tent& t);
void RowTents8Scalar(const uint8_t* const* pads, uint8_t* const* outs, int32_t count, const Tent& t, uint8_t* work);
void ColumnStep8Scalar(const uint8_t* line, const uint8_t* lineA, const uint8_t* lineB, const uint8_t* lineAB,
                       int32_t* c, int32_t* sum, uint8_t* out, int32_t count, const Tent& t);
void CombineRow8Scalar(const uint8_t* s, const uint8_t* g, uint8_t* dst, int32_t count, const Combine8& c);
void RowTentFScalar(const float* pad, float* out, int32_t count, const Tent& t);
void ColumnStepFScalar(const float* line, const float* lineA, const float* lineB, const float* lineAB, double* c,
                       double* sum, float* out, int32_t count, const Tent& t);
void CombineRowFScalar(const float* s, const float* g, float* dst, int32_t count, const CombineF& c);
void MetalRowFScalar(float* row, int32_t count, const MetalF& m);
void MetalRow8Scalar(uint8_t* row, int32_t count, const Metal8& m);
void CombineMetalRowFScalar(const float* s, const float* g, float* dst, int32_t count, const CombineF& c,
                            const MetalF& m);

void InstallAvx2Glow(GlowKernels& k);

// The SIMD kernels divide in single precision:
//     round(B / d) = trunc((float(B + d/2) + 0.5f) * float(1/d))
// for 0 <= B <= 255 * d. (B + d/2 + 0.5)/d lies at least 0.5/d from an
// integer and below 256, and the two roundings move it by under 256 * 2^-23;
// so the result is exact while d < 2^14 (radius up to 253). Larger tents
// divide in double.
inline constexpr int32_t kFloatDivisorLimit = 1 << 14;

// Scalar, or the best this CPU offers.
void UseGlowKernels(bool simd);
const GlowKernels& ActiveGlowKernels();

} // namespace svt::glow
