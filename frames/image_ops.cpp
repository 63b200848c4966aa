// The image operations (resampling lives in resample.cpp): validate, pick a
// row kernel by pixel kind, walk the rows through both strides.
#include "frames/image_ops.h"

#include <algorithm>
#include <cstring>

#include "frames/image_kernels_p.h"
#include "frames/image_layout_p.h"
#include "frames/pixel_math_p.h"

namespace svt {

namespace {

// The overlap of two images.
struct Overlap {
    uint32_t w, h;
};
Overlap OverlapOf(const ImageView* a, const ImageView* b) {
    return {Min2(a->width, b->width), Min2(a->height, b->height)};
}

float* FloatRow(const ImageView* v, uint32_t y) { return reinterpret_cast<float*>(RowOf(v, y)); }

// Copies h rows of n bytes; walks bottom-up when the destination lies after
// the source in the same memory, so that a copy within one image is exact.
void CopyRows(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, uint32_t h, size_t n) {
    const uintptr_t s = reinterpret_cast<uintptr_t>(src), d = reinterpret_cast<uintptr_t>(dst);
    if (d > s && d - s < uintptr_t(h) * uintptr_t(srcStride)) {
        for (uint32_t y = h; y-- > 0;) std::memmove(dst + ptrdiff_t(y) * dstStride, src + ptrdiff_t(y) * srcStride, n);
        return;
    }
    for (uint32_t y = 0; y < h; ++y) std::memmove(dst + ptrdiff_t(y) * dstStride, src + ptrdiff_t(y) * srcStride, n);
}

// Sixteen bytes of repeated pixels at a time, then single pixels: constant
// sizes make every copy one plain store (a memcpy call per pixel cost more
// than the stores themselves).
template <size_t N>
void FillFixed(uint8_t* dst, const uint8_t* pixel, uint32_t count) {
    constexpr uint32_t kPerBlock = 16 / N;
    uint8_t block[16];
    for (size_t i = 0; i < 16; i += N) std::memcpy(block + i, pixel, N);
    uint32_t i = 0;
    for (; i + kPerBlock <= count; i += kPerBlock) std::memcpy(dst + N * size_t(i), block, 16);
    for (; i < count; ++i) std::memcpy(dst + N * size_t(i), block, N);
}

void FillPixels(uint8_t* dst, const uint8_t* pixel, uint32_t count, int32_t pixelSize) {
    switch (pixelSize) {
    case 1: std::memset(dst, *pixel, count); break;
    case 4: FillFixed<4>(dst, pixel, count); break;
    case 16: FillFixed<16>(dst, pixel, count); break;
    default:
        for (uint32_t i = 0; i < count; ++i) std::memcpy(dst + size_t(i) * pixelSize, pixel, pixelSize);
        break;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Copies

bool CopyImage(const ImageView* src, ImageView* dst) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (ls.kind == PixelKind::kNone || ld.kind == PixelKind::kNone || src->pixelSize != dst->pixelSize) return false;
    const Overlap o = OverlapOf(src, dst);
    CopyRows(src->data, src->stride, dst->data, dst->stride, o.h, size_t(o.w) * src->pixelSize);
    return true;
}

bool CopyRect(const ImageView* src, int32_t x, int32_t y, int32_t w, int32_t h, ImageView* dst, int32_t dx,
              int32_t dy) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (ls.kind == PixelKind::kNone || ld.kind == PixelKind::kNone || src->pixelSize != dst->pixelSize) return false;
    auto clampTo = [](int64_t v, uint32_t hi) { return v < 0 ? int64_t(0) : (v > int64_t(hi) ? int64_t(hi) : v); };
    const int64_t sx = clampTo(x, src->width), sy = clampTo(y, src->height);
    const int64_t tx = clampTo(dx, dst->width), ty = clampTo(dy, dst->height);
    int64_t cw = w, ch = h;
    cw = std::min<int64_t>({cw, int64_t(src->width) - sx, int64_t(dst->width) - tx});
    ch = std::min<int64_t>({ch, int64_t(src->height) - sy, int64_t(dst->height) - ty});
    if (cw <= 0 || ch <= 0) return true;
    const int32_t ps = src->pixelSize;
    CopyRows(RowOf(src, uint32_t(sy)) + sx * ps, src->stride, RowOf(dst, uint32_t(ty)) + tx * ps, dst->stride,
             uint32_t(ch), size_t(cw) * ps);
    return true;
}

bool CopyFlipped(const ImageView* src, ImageView* dst) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (!ls.usable || !ld.usable || src->pixelSize != dst->pixelSize) return false;
    const Overlap o = OverlapOf(src, dst);
    const size_t n = size_t(o.w) * src->pixelSize;
    for (uint32_t i = 0; i < o.h; ++i) std::memmove(RowOf(dst, o.h - 1 - i), RowOf(src, i), n);
    return true;
}

bool FlipRows(ImageView* image) {
    const PixelLayout l = LayoutOf(image);
    if (!l.usable) return false;
    uint8_t buffer[1024];
    for (uint32_t i = 0; i < image->height / 2; ++i) {
        uint8_t* a = RowOf(image, i);
        uint8_t* b = RowOf(image, image->height - 1 - i);
        for (uint32_t done = 0; done < l.rowBytes; done += sizeof buffer) {
            const size_t n = Min2(sizeof buffer, l.rowBytes - done);
            std::memcpy(buffer, a + done, n);
            std::memcpy(a + done, b + done, n);
            std::memcpy(b + done, buffer, n);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Channels

bool SwapChannelOrder(const ImageView* src, ImageView* dst) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (!IsFourChannel(ls.kind) || ld.kind != ls.kind) return false;
    const Overlap o = OverlapOf(src, dst);
    const ImageKernels& k = Kernels();
    for (uint32_t y = 0; y < o.h; ++y) {
        if (ls.kind == PixelKind::kBytes4)
            k.swapOrder8(RowOf(src, y), RowOf(dst, y), o.w);
        else
            k.swapOrderF(FloatRow(src, y), FloatRow(dst, y), o.w);
    }
    return true;
}

bool SwapChannels(ImageView* image, const uint32_t order[4]) {
    if (LayoutOf(image).kind != PixelKind::kBytes4 || !order) return false;
    uint8_t o[4];
    for (int i = 0; i < 4; ++i) {
        if (order[i] > 3) return false;
        o[i] = static_cast<uint8_t>(order[i]);
    }
    for (uint32_t y = 0; y < image->height; ++y) Kernels().swapChannels8(RowOf(image, y), image->width, o);
    return true;
}

bool SetChannel(ImageView* image, uint32_t channel, uint32_t value) {
    const PixelLayout l = LayoutOf(image);
    if (!IsFourChannel(l.kind) || channel > 3) return false;
    const uint8_t byte = static_cast<uint8_t>(value);
    const float f = float(byte) * (1.0f / 255.0f);
    for (uint32_t y = 0; y < image->height; ++y) {
        if (l.kind == PixelKind::kBytes4)
            Kernels().setChannel8(RowOf(image, y), image->width, channel, byte);
        else
            Kernels().setChannelF(FloatRow(image, y), image->width, channel, f);
    }
    return true;
}

bool CopyChannel(const ImageView* src, ImageView* dst, uint32_t srcChannel, uint32_t dstChannel) {
    const PixelLayout ls = LayoutOf(src), ld = LayoutOf(dst);
    if (ls.kind == PixelKind::kNone || ld.kind == PixelKind::kNone) return false;
    if (IsFloat(ls.kind) != IsFloat(ld.kind) || srcChannel > 3 || dstChannel > 3) return false;
    const bool src4 = IsFourChannel(ls.kind), dst4 = IsFourChannel(ld.kind);
    const bool isFloat = IsFloat(ls.kind);
    const Overlap o = OverlapOf(src, dst);
    const ImageKernels& k = Kernels();
    for (uint32_t y = 0; y < o.h; ++y) {
        const uint8_t* s = RowOf(src, y);
        uint8_t* d = RowOf(dst, y);
        auto sf = reinterpret_cast<const float*>(s);
        auto df = reinterpret_cast<float*>(d);
        if (src4 && dst4) {
            isFloat ? k.copyChannelFx44(sf, df, o.w, srcChannel, dstChannel)
                    : k.copyChannel8x44(s, d, o.w, srcChannel, dstChannel);
        } else if (src4) {
            isFloat ? k.copyChannelFx41(sf, df, o.w, srcChannel) : k.copyChannel8x41(s, d, o.w, srcChannel);
        } else if (dst4) {
            isFloat ? k.copyChannelFx14(sf, df, o.w, dstChannel) : k.copyChannel8x14(s, d, o.w, dstChannel);
        } else {
            std::memmove(d, s, size_t(o.w) * src->pixelSize); // one channel each: the values themselves
        }
    }
    return true;
}

bool InvertChannel(ImageView* image, uint32_t channel) {
    const PixelLayout l = LayoutOf(image);
    if (l.kind == PixelKind::kNone || channel > 3) return false;
    const ImageKernels& k = Kernels();
    for (uint32_t y = 0; y < image->height; ++y) {
        uint8_t* row = RowOf(image, y);
        switch (l.kind) {
        case PixelKind::kBytes4: k.invertChannel8(row, image->width, channel); break;
        case PixelKind::kFloats4: k.invertChannelF(reinterpret_cast<float*>(row), image->width, channel); break;
        // NOTE: one-channel images invert every value of the row's pixels;
        // the stride padding beyond them is not ours to touch.
        case PixelKind::kBytes1: k.invertBytes(row, image->width); break;
        case PixelKind::kFloats1: k.invertFloats(reinterpret_cast<float*>(row), image->width); break;
        case PixelKind::kNone: break;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Alpha

bool Premultiply(ImageView* image) {
    const PixelLayout l = LayoutOf(image);
    if (!IsFourChannel(l.kind)) return false;
    for (uint32_t y = 0; y < image->height; ++y) {
        if (l.kind == PixelKind::kBytes4)
            Kernels().premultiply8(RowOf(image, y), image->width, l.alpha);
        else
            Kernels().premultiplyF(FloatRow(image, y), image->width, l.alpha);
    }
    return true;
}

bool Composite(const ImageView* fg, const ImageView* bg, ImageView* dst, bool premultiplied) {
    const PixelLayout lf = LayoutOf(fg), lb = LayoutOf(bg), ld = LayoutOf(dst);
    if (!IsFourChannel(lf.kind) || lb.kind != lf.kind || ld.kind != lf.kind) return false;
    // The three must agree on where alpha is, or the blend means nothing.
    if (fg->format != bg->format || fg->format != dst->format) return false;
    const uint32_t w = Min2(Min2(fg->width, bg->width), dst->width);
    const uint32_t h = Min2(Min2(fg->height, bg->height), dst->height);
    const ImageKernels& k = Kernels();
    for (uint32_t y = 0; y < h; ++y) {
        if (lf.kind == PixelKind::kBytes4)
            (premultiplied ? k.compositePremul8 : k.composite8)(RowOf(fg, y), RowOf(bg, y), RowOf(dst, y), w, lf.alpha);
        else
            (premultiplied ? k.compositePremulF : k.compositeF)(FloatRow(fg, y), FloatRow(bg, y), FloatRow(dst, y), w,
                                                              lf.alpha);
    }
    return true;
}

bool WeightedBlend(const ImageView* a, const ImageView* b, ImageView* dst, float wa, float wb) {
    const PixelLayout la = LayoutOf(a), lb = LayoutOf(b), ld = LayoutOf(dst);
    if (la.kind == PixelKind::kNone || lb.kind != la.kind || ld.kind != la.kind) return false;
    const uint32_t w = Min2(Min2(a->width, b->width), dst->width);
    const uint32_t h = Min2(Min2(a->height, b->height), dst->height);
    const uint32_t channels = IsFourChannel(la.kind) ? 4 : 1;
    const uint32_t count = w * channels;
    const ImageKernels& k = Kernels();
    if (IsFloat(la.kind)) {
        const float fa = MinF(wa, 1.0f), fb = MinF(wb, 1.0f);
        const bool limit = fa + fb > 1.0f;
        for (uint32_t y = 0; y < h; ++y) k.blendF(FloatRow(a, y), FloatRow(b, y), FloatRow(dst, y), count, fa, fb, limit);
    } else {
        auto weight = [](float v) -> uint32_t {
            const float s = v * 255.0f + 0.5f;
            if (!(s >= 0.0f)) return 0; // negative or NaN
            return s >= 255.0f ? 255u : static_cast<uint32_t>(s);
        };
        const uint32_t ia = weight(wa), ib = weight(wb);
        for (uint32_t y = 0; y < h; ++y) k.blend8(RowOf(a, y), RowOf(b, y), RowOf(dst, y), count, ia, ib);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Packed 4:2:2
//
// The packed frame holds two bytes per picture pixel (Y0 U Y1 V for each
// pair), so its picture width is width * pixel size / 2 whether the host
// describes it as 2-byte pixels or as 4-byte pixel pairs. The four-channel
// side is always blue, green, red, alpha in memory.

namespace {

bool PackedWidth(const ImageView* v, uint32_t* pixels) {
    const PixelLayout l = LayoutOf(v);
    if (!l.usable || (v->pixelSize != 2 && v->pixelSize != 4)) return false;
    *pixels = l.rowBytes / 2;
    return true;
}

inline uint8_t LumaOf(int32_t b, int32_t g, int32_t r) {
    return static_cast<uint8_t>((6423 * b + 33030 * g + 16843 * r + 0x108000) >> 16);
}

} // namespace

bool PackYUV422(const ImageView* src, ImageView* dst) {
    uint32_t packedWidth = 0;
    if (LayoutOf(src).kind != PixelKind::kBytes4 || !PackedWidth(dst, &packedWidth)) return false;
    const uint32_t w = Min2(src->width, packedWidth);
    if (w < 2) return false;
    const uint32_t h = Min2(src->height, dst->height);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = RowOf(src, y);
        uint8_t* d = RowOf(dst, y);
        for (uint32_t x = 0; x < w; x += 2, s += 8, d += 4) {
            // An odd last pixel pairs with itself and writes only Y and U.
            const bool pair = x + 1 < w;
            const uint8_t* p1 = pair ? s + 4 : s;
            const int32_t b = s[0] + p1[0], g = s[1] + p1[1], r = s[2] + p1[2];
            d[0] = LumaOf(s[0], s[1], s[2]);
            d[1] = static_cast<uint8_t>((28770 * b - 19071 * g - 9699 * r - 0xFFC000) >> 17);
            if (!pair) break;
            d[2] = LumaOf(p1[0], p1[1], p1[2]);
            d[3] = static_cast<uint8_t>((-4653 * b - 24117 * g + 28770 * r - 0xFFC000) >> 17);
        }
    }
    return true;
}

bool UnpackYUV422(const ImageView* src, ImageView* dst, uint8_t alpha) {
    uint32_t packedWidth = 0;
    if (!PackedWidth(src, &packedWidth) || LayoutOf(dst).kind != PixelKind::kBytes4) return false;
    const uint32_t w = Min2(packedWidth, dst->width);
    const uint32_t h = Min2(src->height, dst->height);
    auto put = [alpha](uint8_t* d, int32_t y, int32_t u, int32_t v) {
        d[2] = static_cast<uint8_t>(ClampByte((76284 * y + 104595 * v - 14608761) >> 16));
        d[1] = static_cast<uint8_t>(ClampByte((76284 * y - 25690 * u - 53281 * v + 8887730) >> 16));
        d[0] = static_cast<uint8_t>(ClampByte((76284 * y + 132186 * u - 18140365) >> 16));
        d[3] = alpha;
    };
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = RowOf(src, y);
        uint8_t* d = RowOf(dst, y);
        for (uint32_t x = 0; x < w; x += 2, s += 4, d += 8) {
            if (x + 1 < w) {
                put(d, s[0], s[1], s[3]);
                put(d + 4, s[2], s[1], s[3]);
            } else {
                put(d, s[0], s[1], 128); // a lone last pixel has no V: neutral chroma
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Float colour spaces
//
// Y, Cb and Cr take the places of red, green and blue (alpha is copied), so
// in the order of code 3 memory holds Cr, Cb, Y, A.

namespace {

struct Rgba {
    uint32_t b, g, r, a;
};
Rgba ChannelsOf(const ImageView* v) { return v->format == kFormatARGBF ? Rgba{3, 2, 1, 0} : Rgba{0, 1, 2, 3}; }

template <typename PixelFn>
bool ConvertFloat4(const ImageView* src, ImageView* dst, PixelFn fn) {
    if (LayoutOf(src).kind != PixelKind::kFloats4 || LayoutOf(dst).kind != PixelKind::kFloats4) return false;
    const Rgba cs = ChannelsOf(src), cd = ChannelsOf(dst);
    const Overlap o = OverlapOf(src, dst);
    for (uint32_t y = 0; y < o.h; ++y) {
        const float* s = FloatRow(src, y);
        float* d = FloatRow(dst, y);
        for (uint32_t x = 0; x < o.w; ++x, s += 4, d += 4) {
            float out[3];
            fn(s[cs.r], s[cs.g], s[cs.b], out);
            const float a = s[cs.a];
            d[cd.r] = out[0];
            d[cd.g] = out[1];
            d[cd.b] = out[2];
            d[cd.a] = a;
        }
    }
    return true;
}

} // namespace

bool RGBToYCbCr(const ImageView* src, ImageView* dst) {
    return ConvertFloat4(src, dst, [](float r, float g, float b, float out[3]) {
        const float yl = 0.299f * r + 0.587f * g + 0.114f * b;
        const float cb = -0.168736f * r - 0.331264f * g + 0.5f * b;
        const float cr = 0.5f * r - 0.418688f * g - 0.081312f * b;
        out[0] = yl * 0.858824f + 0.0627451f;
        out[1] = cb * 0.878431f + 0.5f;
        out[2] = cr * 0.878431f + 0.5f;
    });
}

bool YCbCrToRGB(const ImageView* src, ImageView* dst) {
    return ConvertFloat4(src, dst, [](float yl, float cb, float cr, float out[3]) {
        const float y = (yl - 0.0627451f) * 1.16438f;
        const float u = (cb - 0.5f) * 1.13839f;
        const float v = (cr - 0.5f) * 1.13839f;
        out[0] = y + 1.402f * v;
        out[1] = y - 0.344f * u - 0.714f * v;
        out[2] = y + 1.772f * u;
    });
}

// ---------------------------------------------------------------------------
// Per-value float operations

namespace {

template <typename RowFn>
bool ForFloatRows(ImageView* image, RowFn fn) {
    if (LayoutOf(image).kind != PixelKind::kFloats4) return false;
    for (uint32_t y = 0; y < image->height; ++y) fn(FloatRow(image, y), image->width);
    return true;
}

} // namespace

bool SquareValues(ImageView* image) {
    return ForFloatRows(image, [](float* row, uint32_t w) { Kernels().squareF(row, 4 * w); });
}

bool SqrtValues(ImageView* image) {
    return ForFloatRows(image, [](float* row, uint32_t w) { Kernels().sqrtF(row, 4 * w); });
}

bool ClampBelow(ImageView* image, const float thresholds[4]) {
    if (!thresholds) return false;
    float t[4];
    std::memcpy(t, thresholds, sizeof t);
    return ForFloatRows(image, [&t](float* row, uint32_t w) { Kernels().clampBelowF(row, w, t); });
}

// ---------------------------------------------------------------------------
// Borders

bool ExtendBorder(ImageView* image, int32_t bx, int32_t by) {
    const PixelLayout l = LayoutOf(image);
    if (l.kind == PixelKind::kNone || bx < 0 || by < 0) return false;
    const uint32_t w = image->width, h = image->height, ubx = uint32_t(bx), uby = uint32_t(by);
    if (uint64_t(ubx) * 2 >= w || uint64_t(uby) * 2 >= h) return false; // no inner pixel to repeat
    const int32_t ps = image->pixelSize;
    const uint32_t right = w - ubx; // first column of the right border
    if (ubx > 0) {
        for (uint32_t y = uby; y < h - uby; ++y) {
            uint8_t* row = RowOf(image, y);
            FillPixels(row, row + size_t(ubx) * ps, ubx, ps);
            FillPixels(row + size_t(right) * ps, row + size_t(right - 1) * ps, ubx, ps);
        }
    }
    const uint8_t* top = RowOf(image, uby);
    const uint8_t* bottom = RowOf(image, h - uby - 1);
    for (uint32_t y = 0; y < uby; ++y) {
        std::memcpy(RowOf(image, y), top, l.rowBytes);
        std::memcpy(RowOf(image, h - 1 - y), bottom, l.rowBytes);
    }
    return true;
}

} // namespace svt
