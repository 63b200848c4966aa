// Resize, ResizeRect and ScaleImage: one separable resampler.
//
// Conventions: pixel centres map onto pixel centres, so output o of an axis
// samples the source at u = start + (o + 0.5) * scale - 0.5, where scale is
// source pixels per output pixel. Taps that fall outside the sampled region
// repeat its edge pixels (their weights fold onto the edge tap), so nothing
// outside the region is ever read. Each output row takes a vertical pass over
// the region's columns into an intermediate row, then a horizontal pass.
//
// 8-bit: Q14 weights that sum to exactly 1; the vertical pass keeps 6
// fractional bits in int16, the horizontal pass rounds and clamps to 0..255.
// Float: float weights, no clamping (float pictures may exceed 0..1).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "frames/image_kernels_p.h"
#include "frames/image_layout_p.h"
#include "frames/image_ops.h"

namespace svt {

namespace {

enum class Filter { kNearest, kLinear, kCubic, kBox };

// Resize and ResizeRect know modes 0 to 2 only; ScaleImage adds smooth.
Filter FilterFor(int32_t mode, double scale, bool smoothAllowed) {
    if (mode == kSmooth && !smoothAllowed) mode = kLinear;
    switch (mode) {
    case kNearest: return Filter::kNearest;
    case kCubic: return Filter::kCubic;
    // Smooth: average the covered area when shrinking, interpolate when enlarging.
    case kSmooth: return scale > 1.0 ? Filter::kBox : Filter::kLinear;
    default: return Filter::kLinear;
    }
}

// Catmull-Rom (Keys, a = -0.5) weights of the taps at -1, 0, 1, 2 for the
// fraction t in [0, 1).
void CubicWeights(double t, double w[4]) {
    const double t2 = t * t, t3 = t2 * t;
    w[0] = -0.5 * t3 + t2 - 0.5 * t;
    w[1] = 1.5 * t3 - 2.5 * t2 + 1.0;
    w[2] = -1.5 * t3 + 2.0 * t2 + 0.5 * t;
    w[3] = 0.5 * t3 - 0.5 * t2;
}

template <typename T>
std::unique_ptr<T[]> NewArray(size_t n) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]());
}

// The taps of one axis for `count` outputs.
struct Taps {
    uint32_t count = 0;
    uint32_t taps = 0;
    std::unique_ptr<int32_t[]> first; // relative to the region's first index
    std::unique_ptr<int16_t[]> w8;
    std::unique_ptr<float[]> wf;
};

// start: source coordinate of the mapped rectangle's first edge; scale:
// source pixels per output; outputs o = outBegin .. outBegin + count - 1
// (counted from the rectangle's first output); taps are folded into the
// region [lo, hi]. evenTaps pads with a zero tap just past the window.
bool BuildTaps(Taps* t, Filter f, double start, double scale, int64_t outBegin, uint32_t count, int64_t lo,
               int64_t hi, bool evenTaps) {
    uint32_t raw = 1;
    if (f == Filter::kLinear) raw = 2;
    if (f == Filter::kCubic) raw = 4;
    const int64_t regionSize = hi - lo + 1;
    if (f == Filter::kBox) raw = static_cast<uint32_t>(std::min<double>(std::ceil(scale) + 1, double(regionSize)));
    const uint32_t window = static_cast<uint32_t>(std::min<int64_t>(raw, regionSize));
    const uint32_t taps = evenTaps ? (window + 1) & ~1u : window;
    t->count = count;
    t->taps = taps;
    t->first = NewArray<int32_t>(count);
    t->w8 = NewArray<int16_t>(size_t(count) * taps);
    t->wf = NewArray<float>(size_t(count) * taps);
    auto acc = NewArray<double>(taps);
    auto rawW = NewArray<double>(raw);
    if (!t->first || !t->w8 || !t->wf || !acc || !rawW) return false;

    for (uint32_t i = 0; i < count; ++i) {
        const double o = double(outBegin + i);
        int64_t rawFirst = 0;
        uint32_t n = raw;
        switch (f) {
        case Filter::kNearest:
            rawFirst = static_cast<int64_t>(std::floor(start + (o + 0.5) * scale));
            rawW[0] = 1.0;
            break;
        case Filter::kLinear: {
            const double u = start + (o + 0.5) * scale - 0.5, i0 = std::floor(u);
            rawFirst = static_cast<int64_t>(i0);
            rawW[0] = 1.0 - (u - i0);
            rawW[1] = u - i0;
            break;
        }
        case Filter::kCubic: {
            const double u = start + (o + 0.5) * scale - 0.5, i0 = std::floor(u);
            rawFirst = static_cast<int64_t>(i0) - 1;
            CubicWeights(u - i0, rawW.get());
            break;
        }
        case Filter::kBox: {
            // The edge pixels of the region stand for everything beyond them.
            const double a = start + o * scale, b = a + scale;
            rawFirst = std::clamp<int64_t>(static_cast<int64_t>(std::floor(a)), lo, hi);
            n = 0;
            for (int64_t k = rawFirst; k <= hi && n < raw && (k == rawFirst || double(k) < b); ++k, ++n) {
                const double left = k == lo ? a : std::max(a, double(k));
                const double right = k == hi ? b : std::min(b, double(k + 1));
                rawW[n] = std::max(right - left, 0.0) / scale;
            }
            break;
        }
        }
        const int64_t s = std::clamp<int64_t>(rawFirst, lo, hi - window + 1);
        for (uint32_t k = 0; k < taps; ++k) acc[k] = 0.0;
        for (uint32_t k = 0; k < n; ++k) acc[std::clamp<int64_t>(rawFirst + k, lo, hi) - s] += rawW[k];

        t->first[i] = static_cast<int32_t>(s - lo);
        float* wf = t->wf.get() + size_t(i) * taps;
        int16_t* w8 = t->w8.get() + size_t(i) * taps;
        int32_t sum = 0;
        uint32_t largest = 0;
        for (uint32_t k = 0; k < taps; ++k) {
            wf[k] = static_cast<float>(acc[k]);
            w8[k] = static_cast<int16_t>(std::lround(acc[k] * kResampleOne));
            sum += w8[k];
            if (std::fabs(acc[k]) > std::fabs(acc[largest])) largest = k;
        }
        // Rounding residue goes to the heaviest tap so that a flat area stays flat.
        w8[largest] = static_cast<int16_t>(w8[largest] + (kResampleOne - sum));
    }
    return true;
}

// Maps the source rectangle (sx, sy, sw, sh) onto the destination rectangle
// (dx, dy, dw, dh). Either may reach outside its image: the source is sampled
// within its intersection with the image, and only destination pixels inside
// the image are written.
bool Resample(const ImageView* src, ImageView* dst, int64_t sx, int64_t sy, int64_t sw, int64_t sh, int64_t dx,
              int64_t dy, int64_t dw, int64_t dh, int32_t mode, bool smoothAllowed) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (!IsFourChannel(ls.kind) || ld.kind != ls.kind) return false;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return false;
    const int64_t loX = std::max<int64_t>(sx, 0), hiX = std::min<int64_t>(sx + sw, src->width) - 1;
    const int64_t loY = std::max<int64_t>(sy, 0), hiY = std::min<int64_t>(sy + sh, src->height) - 1;
    if (hiX < loX || hiY < loY) return false;
    const int64_t x0 = std::max<int64_t>(dx, 0), x1 = std::min<int64_t>(dx + dw, dst->width);
    const int64_t y0 = std::max<int64_t>(dy, 0), y1 = std::min<int64_t>(dy + dh, dst->height);
    if (x1 <= x0 || y1 <= y0) return true;

    const double scaleX = double(sw) / double(dw), scaleY = double(sh) / double(dh);
    Taps tx, ty;
    if (!BuildTaps(&tx, FilterFor(mode, scaleX, smoothAllowed), double(sx), scaleX, x0 - dx, uint32_t(x1 - x0), loX, hiX, true) ||
        !BuildTaps(&ty, FilterFor(mode, scaleY, smoothAllowed), double(sy), scaleY, y0 - dy, uint32_t(y1 - y0), loY, hiY, false))
        return false;

    // The horizontal weights, spread over the four channels of each pixel.
    const size_t spread = size_t(tx.count) * tx.taps * 4;
    auto hw8 = NewArray<int16_t>(spread);
    auto hwf = NewArray<float>(spread);
    if (!hw8 || !hwf) return false;
    for (size_t i = 0; i < size_t(tx.count) * tx.taps; i += 2)
        for (size_t c = 0; c < 4; ++c) {
            hw8[4 * i + 2 * c] = tx.w8[i];
            hw8[4 * i + 2 * c + 1] = tx.w8[i + 1];
            hwf[4 * i + c] = tx.wf[i];
            hwf[4 * i + 4 + c] = tx.wf[i + 1];
        }

    const bool isFloat = ls.kind == PixelKind::kFloats4;
    const uint32_t regionW = uint32_t(hiX - loX + 1);
    const size_t values = size_t(regionW + 1) * 4; // one zero pixel past the region for padded taps
    auto midF = isFloat ? NewArray<float>(values) : nullptr;
    auto mid8 = isFloat ? nullptr : NewArray<int16_t>(values);
    auto rows = NewArray<const uint8_t*>(ty.taps);
    if ((isFloat ? !midF : !mid8) || !rows) return false;

    const ImageKernels& k = Kernels();
    const int32_t ps = src->pixelSize;
    for (uint32_t i = 0; i < ty.count; ++i) {
        for (uint32_t j = 0; j < ty.taps; ++j)
            rows[j] = RowOf(src, uint32_t(loY + ty.first[i] + j)) + size_t(loX) * ps;
        uint8_t* out = RowOf(dst, uint32_t(y0 + i)) + size_t(x0) * ps;
        if (isFloat) {
            k.resampleVF(reinterpret_cast<const float* const*>(rows.get()), ty.wf.get() + size_t(i) * ty.taps, ty.taps,
                         midF.get(), regionW * 4);
            k.resampleHF(midF.get(), reinterpret_cast<float*>(out), tx.count, tx.first.get(), hwf.get(), tx.taps);
        } else {
            k.resampleV8(rows.get(), ty.w8.get() + size_t(i) * ty.taps, ty.taps, mid8.get(), regionW * 4);
            k.resampleH8(mid8.get(), out, tx.count, tx.first.get(), hw8.get(), tx.taps);
        }
    }
    return true;
}

} // namespace

bool Resize(const ImageView* src, ImageView* dst, int32_t interpolation) {
    if (!src || !dst) return false;
    return Resample(src, dst, 0, 0, src->width, src->height, 0, 0, dst->width, dst->height, interpolation, false);
}

bool ResizeRect(const ImageView* src, const uint32_t rect[4], ImageView* dst, int32_t interpolation) {
    if (!src || !dst || !rect) return false;
    const uint32_t left = rect[0], top = rect[1], right = rect[2], bottom = rect[3];
    if (right < left || bottom < top || left >= src->width || top >= src->height) return false;
    const int64_t w = std::min<int64_t>(int64_t(right) - left + 1, int64_t(src->width) - left);
    const int64_t h = std::min<int64_t>(int64_t(bottom) - top + 1, int64_t(src->height) - top);
    return Resample(src, dst, left, top, w, h, 0, 0, dst->width, dst->height, interpolation, false);
}

bool ScaleImage(const ImageView* src, ImageView* dst, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx,
                int32_t dy, int32_t dw, int32_t dh, int32_t mode) {
    return Resample(src, dst, sx, sy, sw, sh, dx, dy, dw, dh, mode, true);
}

} // namespace svt
