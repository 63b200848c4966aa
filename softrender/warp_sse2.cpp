// SSE2 span kernels of the warp: four pixels per step, each pixel's two
// texel pairs fetched with 8-byte loads (8-bit) or four 16-byte loads (float).
#include <emmintrin.h>

#include "softrender/warp_p.h"

namespace svt::warp {
namespace {

#define SVT_INLINE inline __attribute__((always_inline))

// (s, t) of pixels i .. i+3 of the run, as RunSample computes them.
template <bool kAffine>
SVT_INLINE void Sample4(const Run& run, int32_t i, __m128& s, __m128& t) {
    const __m128 fi = _mm_add_ps(_mm_set1_ps(float(i)), _mm_setr_ps(0, 1, 2, 3));
    s = _mm_add_ps(_mm_set1_ps(run.u), _mm_mul_ps(fi, _mm_set1_ps(run.du)));
    t = _mm_add_ps(_mm_set1_ps(run.v), _mm_mul_ps(fi, _mm_set1_ps(run.dv)));
    if (!kAffine) {
        const __m128 w = _mm_add_ps(_mm_set1_ps(run.w), _mm_mul_ps(fi, _mm_set1_ps(run.dw)));
        const __m128 r = _mm_div_ps(_mm_set1_ps(1.0f), w);
        s = _mm_mul_ps(s, r);
        t = _mm_mul_ps(t, r);
    }
}

template <int kLane>
SVT_INLINE __m128i Broadcast(__m128i v) {
    return _mm_shuffle_epi32(v, kLane * 0x55);
}

// Sum of p * wx * wy for one pixel (4 x int32): top pair at p, bottom pair
// one row down; wy16 holds fy in every 16-bit lane, gy16 holds 128 - fy,
// wx the pair (128 - fx, fx) in every 32-bit lane.
SVT_INLINE __m128i PixelSum(const uint8_t* p, intptr_t stride, __m128i gy16, __m128i wy16, __m128i wx) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i bot = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero);
    // Columns x0 and x0 + 1, each interpolated vertically (exact in 16 bits).
    const __m128i v = _mm_add_epi16(_mm_mullo_epi16(top, gy16), _mm_mullo_epi16(bot, wy16));
    const __m128i pairs = _mm_unpacklo_epi16(v, _mm_shuffle_epi32(v, 0x4E));
    return _mm_madd_epi16(pairs, wx);
}

// x < limit ? x : limit on int32 lanes (SSE2 has no pminsd).
SVT_INLINE __m128i MinI32(__m128i x, __m128i limit) {
    const __m128i over = _mm_cmpgt_epi32(x, limit);
    return _mm_or_si128(_mm_and_si128(over, limit), _mm_andnot_si128(over, x));
}

template <bool kAffine, bool kShaded, bool kClamp>
void Bytes4(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const __m128 wl = _mm_set1_ps(float(tex.width - 1)), hl = _mm_set1_ps(float(tex.height - 1));
    const __m128i wm2 = _mm_set1_epi32(tex.width - 2), hm2 = _mm_set1_epi32(tex.height - 2);
    const __m128 scale = _mm_set1_ps(128.0f), half = _mm_set1_ps(0.5f);
    const __m128i one28 = _mm_set1_epi32(128);
    const __m128i round14 = _mm_set1_epi32(1 << 13), round7 = _mm_set1_epi32(64);
    const __m128i round7w = _mm_set1_epi16(64), k16 = _mm_set1_epi16(int16_t(uint16_t(tex.shade16)));
    const __m128i alphaMask = tex.alpha == 3 ? _mm_set1_epi64x(int64_t(0xFFFF000000000000ull)) : _mm_set1_epi64x(0xFFFF);
    alignas(16) int32_t x0[4], y0[4];
    int32_t i = first;
    for (; i + 4 <= count; i += 4) {
        __m128 s, t;
        Sample4<kAffine>(run, i, s, t);
        if (kClamp) {
            s = _mm_min_ps(_mm_max_ps(s, _mm_setzero_ps()), wl);
            t = _mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), hl);
        }
        const __m128i sx = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(s, scale), half));
        const __m128i ty = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(t, scale), half));
        __m128i xi = _mm_srai_epi32(sx, 7), yi = _mm_srai_epi32(ty, 7);
        if (kClamp) xi = MinI32(xi, wm2), yi = MinI32(yi, hm2);
        _mm_store_si128(reinterpret_cast<__m128i*>(x0), xi);
        _mm_store_si128(reinterpret_cast<__m128i*>(y0), yi);
        const __m128i fx = _mm_sub_epi32(sx, _mm_slli_epi32(xi, 7)), fy = _mm_sub_epi32(ty, _mm_slli_epi32(yi, 7));
        const __m128i wx = _mm_or_si128(_mm_sub_epi32(one28, fx), _mm_slli_epi32(fx, 16));
        const __m128i fy2 = _mm_or_si128(fy, _mm_slli_epi32(fy, 16));
        const __m128i gy = _mm_sub_epi32(one28, fy), gy2 = _mm_or_si128(gy, _mm_slli_epi32(gy, 16));
        const intptr_t st = tex.stride;
        auto at = [&](int k) { return tex.data + y0[k] * st + x0[k] * 4; };
        const __m128i s0 = PixelSum(at(0), st, Broadcast<0>(gy2), Broadcast<0>(fy2), Broadcast<0>(wx));
        const __m128i s1 = PixelSum(at(1), st, Broadcast<1>(gy2), Broadcast<1>(fy2), Broadcast<1>(wx));
        const __m128i s2 = PixelSum(at(2), st, Broadcast<2>(gy2), Broadcast<2>(fy2), Broadcast<2>(wx));
        const __m128i s3 = PixelSum(at(3), st, Broadcast<3>(gy2), Broadcast<3>(fy2), Broadcast<3>(wx));
        auto plain = [&](__m128i x) { return _mm_srli_epi32(_mm_add_epi32(x, round14), 14); };
        __m128i lo = _mm_packs_epi32(plain(s0), plain(s1)), hi = _mm_packs_epi32(plain(s2), plain(s3));
        if (kShaded) {
            auto v15 = [&](__m128i x) { return _mm_srli_epi32(_mm_add_epi32(x, round7), 7); };
            auto shade = [&](__m128i v) { return _mm_srli_epi16(_mm_add_epi16(_mm_mulhi_epu16(v, k16), round7w), 7); };
            const __m128i shLo = shade(_mm_packs_epi32(v15(s0), v15(s1)));
            const __m128i shHi = shade(_mm_packs_epi32(v15(s2), v15(s3)));
            lo = _mm_or_si128(_mm_and_si128(alphaMask, lo), _mm_andnot_si128(alphaMask, shLo));
            hi = _mm_or_si128(_mm_and_si128(alphaMask, hi), _mm_andnot_si128(alphaMask, shHi));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_packus_epi16(lo, hi));
    }
    if (i < count) SpanBytes4Tail(tex, run, dst, i, count, kClamp);
}

template <bool kAffine, bool kClamp>
void Floats4(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const __m128 wl = _mm_set1_ps(float(tex.width - 1)), hl = _mm_set1_ps(float(tex.height - 1));
    const __m128i wm2 = _mm_set1_epi32(tex.width - 2), hm2 = _mm_set1_epi32(tex.height - 2);
    const __m128 one = _mm_set1_ps(1.0f), shade = _mm_loadu_ps(tex.shadeF);
    alignas(16) int32_t x0[4], y0[4];
    alignas(16) float fx[4], fy[4];
    int32_t i = first;
    for (; i + 4 <= count; i += 4) {
        __m128 s, t;
        Sample4<kAffine>(run, i, s, t);
        if (kClamp) {
            s = _mm_min_ps(_mm_max_ps(s, _mm_setzero_ps()), wl);
            t = _mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), hl);
        }
        __m128i xi = _mm_cvttps_epi32(s), yi = _mm_cvttps_epi32(t);
        if (kClamp) xi = MinI32(xi, wm2), yi = MinI32(yi, hm2);
        _mm_store_si128(reinterpret_cast<__m128i*>(x0), xi);
        _mm_store_si128(reinterpret_cast<__m128i*>(y0), yi);
        _mm_store_ps(fx, _mm_sub_ps(s, _mm_cvtepi32_ps(xi)));
        _mm_store_ps(fy, _mm_sub_ps(t, _mm_cvtepi32_ps(yi)));
        for (int k = 0; k < 4; ++k) {
            const float* p = reinterpret_cast<const float*>(tex.data + y0[k] * tex.stride + x0[k] * 16);
            const float* q = reinterpret_cast<const float*>(tex.data + y0[k] * tex.stride + tex.stride + x0[k] * 16);
            const __m128 wx = _mm_set1_ps(fx[k]), wy = _mm_set1_ps(fy[k]);
            const __m128 gx = _mm_sub_ps(one, wx), gy = _mm_sub_ps(one, wy);
            const __m128 top = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(p), gx), _mm_mul_ps(_mm_loadu_ps(p + 4), wx));
            const __m128 bot = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(q), gx), _mm_mul_ps(_mm_loadu_ps(q + 4), wx));
            const __m128 r = _mm_add_ps(_mm_mul_ps(top, gy), _mm_mul_ps(bot, wy));
            _mm_storeu_ps(reinterpret_cast<float*>(dst + 16 * (i + k)), _mm_mul_ps(r, shade));
        }
    }
    if (i < count) SpanFloats4Tail(tex, run, dst, i, count, kClamp);
}

template <bool kClamp>
void Bytes4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    if (run.affine)
        tex.shaded ? Bytes4<true, true, kClamp>(tex, run, dst, first, count)
                   : Bytes4<true, false, kClamp>(tex, run, dst, first, count);
    else
        tex.shaded ? Bytes4<false, true, kClamp>(tex, run, dst, first, count)
                   : Bytes4<false, false, kClamp>(tex, run, dst, first, count);
}

template <bool kClamp>
void Floats4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    if (run.affine)
        Floats4<true, kClamp>(tex, run, dst, first, count);
    else
        Floats4<false, kClamp>(tex, run, dst, first, count);
}

} // namespace

void InstallSse2Spans(SpanKernels& k) {
    k.bytes4 = Bytes4Span<false>;
    k.floats4 = Floats4Span<false>;
    k.bytes4Clamped = Bytes4Span<true>;
    k.floats4Clamped = Floats4Span<true>;
}

} // namespace svt::warp
