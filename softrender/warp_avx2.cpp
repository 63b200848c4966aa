// AVX2 span kernels of the warp: eight pixels per step, texels fetched with
// gathers (8-bit) or paired 16-byte loads (float).
#include <immintrin.h>

#include <cstring>

#include "softrender/warp_p.h"

namespace svt::warp {
namespace {

// NOTE: helpers of this file stay in an anonymous namespace and are
// force-inlined, so the linker can never keep an AVX2 copy for other callers.
#define SVT_INLINE inline __attribute__((always_inline))

// (s, t) of pixels i .. i+7 of the run, as RunSample computes them.
// Lanes past `last` repeat pixel `last`, so a final partial step reads only
// texels the run's own pixels read.
template <bool kAffine>
SVT_INLINE void Sample8(const Run& run, int32_t i, __m256& s, __m256& t, int32_t last = 0x7FFFFFF) {
    const __m256 fi = _mm256_min_ps(_mm256_add_ps(_mm256_set1_ps(float(i)), _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7)),
                                    _mm256_set1_ps(float(last)));
    s = _mm256_add_ps(_mm256_set1_ps(run.u), _mm256_mul_ps(fi, _mm256_set1_ps(run.du)));
    t = _mm256_add_ps(_mm256_set1_ps(run.v), _mm256_mul_ps(fi, _mm256_set1_ps(run.dv)));
    if (!kAffine) {
        const __m256 w = _mm256_add_ps(_mm256_set1_ps(run.w), _mm256_mul_ps(fi, _mm256_set1_ps(run.dw)));
        const __m256 r = _mm256_div_ps(_mm256_set1_ps(1.0f), w);
        s = _mm256_mul_ps(s, r);
        t = _mm256_mul_ps(t, r);
    }
}

// 8-bit ____________________________________________________________________________

// Minus the sum of p * wx * wy for pixels k (low half) and k + 4 (high
// half): each pixel's top texel pair and bottom pair come as 8-byte loads.
// The vertical step is one maddubs on the interleaved rows with the negated
// weights -(128 - fy), -fy (bytes, so 128 fits only as -128); the horizontal
// step a madd with (128 - fx, fx). Negated sums stay within int16 and int32.
SVT_INLINE __m256i PairSum(const uint8_t* p, const uint8_t* q, intptr_t stride, __m256i wyNeg, __m256i wx) {
    auto two = [](const uint8_t* lo, const uint8_t* hi) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lo))),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(hi)), 1);
    };
    const __m256i rows = _mm256_unpacklo_epi8(two(p, q), two(p + stride, q + stride));
    const __m256i v = _mm256_maddubs_epi16(rows, wyNeg); // columns x0 and x0 + 1, negated
    return _mm256_madd_epi16(_mm256_unpacklo_epi16(v, _mm256_shuffle_epi32(v, 0x4E)), wx);
}

// How many pixels ahead the 8-bit loop asks for texels.
constexpr int32_t kPrefetchAhead = 32;

// Stores the first n (1 .. 7) pixels of v: short spans end in a partial
// step on almost every call, and a memcpy of a variable size costs a call.
SVT_INLINE void StorePixels(uint8_t* dst, __m256i v, int32_t n) {
    __m128i part = _mm256_castsi256_si128(v);
    if (n >= 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), part);
        part = _mm256_extracti128_si256(v, 1);
        dst += 16, n -= 4;
    }
    if (n >= 2) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), part);
        part = _mm_srli_si128(part, 8);
        dst += 8, n -= 2;
    }
    if (n > 0) _mm_storeu_si32(dst, part);
}

template <int kPixel>
SVT_INLINE __m256i Broadcast(__m256i v) {
    return _mm256_shuffle_epi32(v, kPixel * 0x55);
}

template <bool kAffine, bool kShaded, bool kClamp>
void Bytes4(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const __m256 wl = _mm256_set1_ps(float(tex.width - 1)), hl = _mm256_set1_ps(float(tex.height - 1));
    const __m256 hl2 = _mm256_set1_ps(float(tex.height - 2));
    const __m256i wm2 = _mm256_set1_epi32(tex.width - 2), hm2 = _mm256_set1_epi32(tex.height - 2);
    const __m256 scale = _mm256_set1_ps(128.0f), half = _mm256_set1_ps(0.5f);
    const __m256i one28 = _mm256_set1_epi32(128), zero = _mm256_setzero_si256(), byteMask = _mm256_set1_epi32(0xFF);
    const __m256i stride = _mm256_set1_epi32(int32_t(tex.stride));
    const __m256i round14 = _mm256_set1_epi32(1 << 13), round7 = _mm256_set1_epi32(64);
    const __m256i round7w = _mm256_set1_epi16(64), k16 = _mm256_set1_epi16(int16_t(uint16_t(tex.shade16)));
    // 16-bit lanes of alpha in [p0 c0..c3, p1 c0..c3] halves.
    const __m256i alphaMask = tex.alpha == 3 ? _mm256_set1_epi64x(int64_t(0xFFFF000000000000ull))
                                             : _mm256_set1_epi64x(0xFFFF);
    const uint8_t* base = tex.data;
    const intptr_t st = tex.stride;
    alignas(32) int32_t off[8];
    for (int32_t i = first; i < count; i += 8) {
        __m256 s, t;
        Sample8<kAffine>(run, i, s, t, count - 1);
        if (kClamp) {
            s = _mm256_min_ps(_mm256_max_ps(s, _mm256_setzero_ps()), wl);
            t = _mm256_min_ps(_mm256_max_ps(t, _mm256_setzero_ps()), hl);
        }
        const __m256i sx = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(s, scale), half));
        const __m256i ty = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(t, scale), half));
        __m256i x0 = _mm256_srai_epi32(sx, 7), y0 = _mm256_srai_epi32(ty, 7);
        if (kClamp) x0 = _mm256_min_epi32(x0, wm2), y0 = _mm256_min_epi32(y0, hm2);
        _mm256_store_si256(reinterpret_cast<__m256i*>(off),
                           _mm256_add_epi32(_mm256_mullo_epi32(y0, stride), _mm256_slli_epi32(x0, 2)));
        if (i + kPrefetchAhead < count) {
            // NOTE: a turned or shrunk face walks the texture across its rows,
            // which the hardware prefetchers do not follow: without this the
            // loop waits on memory most of its time. Every pixel is asked
            // for (shrunk about 3x and turned, neighbours sample different
            // rows), up to the run's last step. Clamped, so that only
            // texture rows are named.
            __m256 ps, pt;
            Sample8<kAffine>(run, i + kPrefetchAhead, ps, pt);
            ps = _mm256_min_ps(_mm256_max_ps(ps, _mm256_setzero_ps()), wl);
            pt = _mm256_min_ps(_mm256_max_ps(pt, _mm256_setzero_ps()), hl2);
            alignas(32) int32_t ahead[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(ahead),
                               _mm256_add_epi32(_mm256_mullo_epi32(_mm256_cvttps_epi32(pt), stride),
                                                _mm256_slli_epi32(_mm256_cvttps_epi32(ps), 2)));
            for (int k = 0; k < 8; ++k) {
                _mm_prefetch(reinterpret_cast<const char*>(base + ahead[k]), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(base + ahead[k] + st), _MM_HINT_T0);
            }
        }
        const __m256i fx = _mm256_sub_epi32(sx, _mm256_slli_epi32(x0, 7));
        const __m256i fy = _mm256_sub_epi32(ty, _mm256_slli_epi32(y0, 7));
        const __m256i wx = _mm256_or_si256(_mm256_sub_epi32(one28, fx), _mm256_slli_epi32(fx, 16));
        // Bytes -(128 - fy), -fy repeated through each pixel's 32-bit lane.
        const __m256i wy = _mm256_or_si256(_mm256_and_si256(_mm256_sub_epi32(fy, one28), byteMask),
                                           _mm256_slli_epi32(_mm256_and_si256(_mm256_sub_epi32(zero, fy), byteMask), 8));
        const __m256i wyNeg = _mm256_or_si256(wy, _mm256_slli_epi32(wy, 16));
        // Negated results for pixels (0, 4), (1, 5), (2, 6), (3, 7).
        const __m256i s0 = PairSum(base + off[0], base + off[4], st, Broadcast<0>(wyNeg), Broadcast<0>(wx));
        const __m256i s1 = PairSum(base + off[1], base + off[5], st, Broadcast<1>(wyNeg), Broadcast<1>(wx));
        const __m256i s2 = PairSum(base + off[2], base + off[6], st, Broadcast<2>(wyNeg), Broadcast<2>(wx));
        const __m256i s3 = PairSum(base + off[3], base + off[7], st, Broadcast<3>(wyNeg), Broadcast<3>(wx));
        auto plain = [&](__m256i x) { return _mm256_srli_epi32(_mm256_sub_epi32(round14, x), 14); };
        __m256i lo = _mm256_packs_epi32(plain(s0), plain(s1)), hi = _mm256_packs_epi32(plain(s2), plain(s3));
        if (kShaded) {
            auto v15 = [&](__m256i x) { return _mm256_srli_epi32(_mm256_sub_epi32(round7, x), 7); };
            auto shade = [&](__m256i v) {
                return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mulhi_epu16(v, k16), round7w), 7);
            };
            const __m256i shLo = shade(_mm256_packs_epi32(v15(s0), v15(s1)));
            const __m256i shHi = shade(_mm256_packs_epi32(v15(s2), v15(s3)));
            lo = _mm256_or_si256(_mm256_and_si256(alphaMask, lo), _mm256_andnot_si256(alphaMask, shLo));
            hi = _mm256_or_si256(_mm256_and_si256(alphaMask, hi), _mm256_andnot_si256(alphaMask, shHi));
        }
        // (0 1 | 4 5) and (2 3 | 6 7) pack to 0..7 in order.
        const __m256i out = _mm256_packus_epi16(lo, hi);
        if (i + 8 <= count)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), out);
        else
            StorePixels(dst + 4 * i, out, count - i);
    }
}

// Float ____________________________________________________________________________

template <bool kAffine, bool kClamp>
void Floats4(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const __m256 wl = _mm256_set1_ps(float(tex.width - 1)), hl = _mm256_set1_ps(float(tex.height - 1));
    const __m256i wm2 = _mm256_set1_epi32(tex.width - 2), hm2 = _mm256_set1_epi32(tex.height - 2);
    const __m256i stride = _mm256_set1_epi32(int32_t(tex.stride));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m128 shade128 = _mm_loadu_ps(tex.shadeF);
    const __m256 shade = _mm256_set_m128(shade128, shade128);
    const uint8_t* base = tex.data;
    const intptr_t down = tex.stride;
    alignas(32) int32_t off[8];
    alignas(32) float spill[8];
    for (int32_t i = first; i < count; i += 8) {
        __m256 s, t;
        Sample8<kAffine>(run, i, s, t, count - 1);
        const int32_t n = count - i < 8 ? count - i : 8;
        if (kClamp) {
            s = _mm256_min_ps(_mm256_max_ps(s, _mm256_setzero_ps()), wl);
            t = _mm256_min_ps(_mm256_max_ps(t, _mm256_setzero_ps()), hl);
        }
        __m256i x0 = _mm256_cvttps_epi32(s), y0 = _mm256_cvttps_epi32(t);
        if (kClamp) x0 = _mm256_min_epi32(x0, wm2), y0 = _mm256_min_epi32(y0, hm2);
        const __m256 fx = _mm256_sub_ps(s, _mm256_cvtepi32_ps(x0)), fy = _mm256_sub_ps(t, _mm256_cvtepi32_ps(y0));
        _mm256_store_si256(reinterpret_cast<__m256i*>(off),
                           _mm256_add_epi32(_mm256_mullo_epi32(y0, stride), _mm256_slli_epi32(x0, 4)));
        for (int k = 0; k < 8; k += 2) {
            // Pixel k in the low half, k + 1 in the high half.
            const __m256i pick = _mm256_setr_epi32(k, k, k, k, k + 1, k + 1, k + 1, k + 1);
            const __m256 wx = _mm256_permutevar8x32_ps(fx, pick), wy = _mm256_permutevar8x32_ps(fy, pick);
            const __m256 gx = _mm256_sub_ps(one, wx), gy = _mm256_sub_ps(one, wy);
            const float* a = reinterpret_cast<const float*>(base + off[k]);
            const float* b = reinterpret_cast<const float*>(base + off[k + 1]);
            const float* a1 = reinterpret_cast<const float*>(base + off[k] + down);
            const float* b1 = reinterpret_cast<const float*>(base + off[k + 1] + down);
            const __m256 p00 = _mm256_loadu2_m128(b, a), p01 = _mm256_loadu2_m128(b + 4, a + 4);
            const __m256 p10 = _mm256_loadu2_m128(b1, a1), p11 = _mm256_loadu2_m128(b1 + 4, a1 + 4);
            const __m256 top = _mm256_add_ps(_mm256_mul_ps(p00, gx), _mm256_mul_ps(p01, wx));
            const __m256 bot = _mm256_add_ps(_mm256_mul_ps(p10, gx), _mm256_mul_ps(p11, wx));
            const __m256 r = _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(top, gy), _mm256_mul_ps(bot, wy)), shade);
            if (k + 2 <= n) {
                _mm256_storeu_ps(reinterpret_cast<float*>(dst + 16 * (i + k)), r);
            } else {
                if (k < n) {
                    _mm256_store_ps(spill, r);
                    std::memcpy(dst + 16 * (i + k), spill, 16);
                }
                break;
            }
        }
    }
}

template <bool kClamp>
void Bytes4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    if (!tex.offsetsFit32)
        return kClamp ? SpanBytes4ClampedScalar(tex, run, dst, first, count)
                      : SpanBytes4Scalar(tex, run, dst, first, count);
    if (run.affine)
        tex.shaded ? Bytes4<true, true, kClamp>(tex, run, dst, first, count)
                   : Bytes4<true, false, kClamp>(tex, run, dst, first, count);
    else
        tex.shaded ? Bytes4<false, true, kClamp>(tex, run, dst, first, count)
                   : Bytes4<false, false, kClamp>(tex, run, dst, first, count);
}

template <bool kClamp>
void Floats4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    if (!tex.offsetsFit32)
        return kClamp ? SpanFloats4ClampedScalar(tex, run, dst, first, count)
                      : SpanFloats4Scalar(tex, run, dst, first, count);
    if (run.affine)
        Floats4<true, kClamp>(tex, run, dst, first, count);
    else
        Floats4<false, kClamp>(tex, run, dst, first, count);
}

} // namespace

void InstallAvx2Spans(SpanKernels& k) {
    k.bytes4 = Bytes4Span<false>;
    k.floats4 = Floats4Span<false>;
    k.bytes4Clamped = Bytes4Span<true>;
    k.floats4Clamped = Floats4Span<true>;
}

} // namespace svt::warp
