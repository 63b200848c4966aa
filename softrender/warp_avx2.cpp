// AVX2 span kernels of the warp: eight pixels per step, texels fetched with
// gathers (8-bit) or paired 16-byte loads (float).
#include <immintrin.h>

#include "softrender/warp_p.h"

namespace svt::warp {
namespace {

// NOTE: helpers of this file stay in an anonymous namespace and are
// force-inlined, so the linker can never keep an AVX2 copy for other callers.
#define SVT_INLINE inline __attribute__((always_inline))

// (s, t) of pixels i .. i+7 of the run, as RunSample computes them.
template <bool kAffine>
SVT_INLINE void Sample8(const Run& run, int32_t i, __m256& s, __m256& t) {
    const __m256 fi = _mm256_add_ps(_mm256_set1_ps(float(i)), _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7));
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

template <bool kAffine, bool kShaded>
void Bytes4(const Texture& tex, const Run& run, uint8_t* dst, int32_t count) {
    const __m256 scale = _mm256_set1_ps(128.0f), half = _mm256_set1_ps(0.5f);
    const __m256i frac = _mm256_set1_epi32(127), one28 = _mm256_set1_epi32(128);
    const __m256i stride = _mm256_set1_epi32(int32_t(tex.stride)), zero = _mm256_setzero_si256();
    const __m256i round14 = _mm256_set1_epi32(1 << 13), round7 = _mm256_set1_epi32(64);
    const __m256i round7w = _mm256_set1_epi16(64), k16 = _mm256_set1_epi16(int16_t(uint16_t(tex.shade16)));
    // 16-bit lanes of alpha in [p0 c0..c3, p1 c0..c3] halves.
    const __m256i alphaMask = tex.alpha == 3 ? _mm256_set1_epi64x(int64_t(0xFFFF000000000000ull))
                                             : _mm256_set1_epi64x(0xFFFF);
    const int* p00 = reinterpret_cast<const int*>(tex.data);
    const int* p01 = reinterpret_cast<const int*>(tex.data + 4);
    const int* p10 = reinterpret_cast<const int*>(tex.data + tex.stride);
    const int* p11 = reinterpret_cast<const int*>(tex.data + tex.stride + 4);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256 s, t;
        Sample8<kAffine>(run, i, s, t);
        const __m256i sx = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(s, scale), half));
        const __m256i ty = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(t, scale), half));
        const __m256i off = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(ty, 7), stride),
                                             _mm256_slli_epi32(_mm256_srai_epi32(sx, 7), 2));
        const __m256i a = _mm256_i32gather_epi32(p00, off, 1), b = _mm256_i32gather_epi32(p01, off, 1);
        const __m256i c = _mm256_i32gather_epi32(p10, off, 1), d = _mm256_i32gather_epi32(p11, off, 1);
        const __m256i fx = _mm256_and_si256(sx, frac), fy = _mm256_and_si256(ty, frac);

        // Horizontal, exact in 16 bits: a * 128 + (b - a) * fx.
        const __m256i fx2 = _mm256_or_si256(fx, _mm256_slli_epi32(fx, 16));
        const __m256i fxLo = _mm256_unpacklo_epi32(fx2, fx2), fxHi = _mm256_unpackhi_epi32(fx2, fx2);
        auto lerp = [&](__m256i l, __m256i r, __m256i f) {
            return _mm256_add_epi16(_mm256_slli_epi16(l, 7), _mm256_mullo_epi16(_mm256_sub_epi16(r, l), f));
        };
        const __m256i topLo = lerp(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero), fxLo);
        const __m256i topHi = lerp(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero), fxHi);
        const __m256i botLo = lerp(_mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(d, zero), fxLo);
        const __m256i botHi = lerp(_mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(d, zero), fxHi);

        // Vertical with madd: (top, bot) pairs times (128 - fy, fy).
        const __m256i wy = _mm256_or_si256(_mm256_sub_epi32(one28, fy), _mm256_slli_epi32(fy, 16));
        const __m256i s0 = _mm256_madd_epi16(_mm256_unpacklo_epi16(topLo, botLo), _mm256_shuffle_epi32(wy, 0x00));
        const __m256i s1 = _mm256_madd_epi16(_mm256_unpackhi_epi16(topLo, botLo), _mm256_shuffle_epi32(wy, 0x55));
        const __m256i s2 = _mm256_madd_epi16(_mm256_unpacklo_epi16(topHi, botHi), _mm256_shuffle_epi32(wy, 0xAA));
        const __m256i s3 = _mm256_madd_epi16(_mm256_unpackhi_epi16(topHi, botHi), _mm256_shuffle_epi32(wy, 0xFF));
        auto plain = [&](__m256i x) { return _mm256_srli_epi32(_mm256_add_epi32(x, round14), 14); };
        __m256i lo = _mm256_packs_epi32(plain(s0), plain(s1)), hi = _mm256_packs_epi32(plain(s2), plain(s3));
        if (kShaded) {
            auto v15 = [&](__m256i x) { return _mm256_srli_epi32(_mm256_add_epi32(x, round7), 7); };
            auto shade = [&](__m256i v) {
                return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mulhi_epu16(v, k16), round7w), 7);
            };
            const __m256i shLo = shade(_mm256_packs_epi32(v15(s0), v15(s1)));
            const __m256i shHi = shade(_mm256_packs_epi32(v15(s2), v15(s3)));
            lo = _mm256_or_si256(_mm256_and_si256(alphaMask, lo), _mm256_andnot_si256(alphaMask, shLo));
            hi = _mm256_or_si256(_mm256_and_si256(alphaMask, hi), _mm256_andnot_si256(alphaMask, shHi));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), _mm256_packus_epi16(lo, hi));
    }
    if (i < count) SpanBytes4Tail(tex, run, dst, i, count);
}

// Float ____________________________________________________________________________

template <bool kAffine>
void Floats4(const Texture& tex, const Run& run, uint8_t* dst, int32_t count) {
    const __m256i stride = _mm256_set1_epi32(int32_t(tex.stride));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m128 shade128 = _mm_loadu_ps(tex.shadeF);
    const __m256 shade = _mm256_set_m128(shade128, shade128);
    const uint8_t* base = tex.data;
    const intptr_t down = tex.stride;
    alignas(32) int32_t off[8];
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256 s, t;
        Sample8<kAffine>(run, i, s, t);
        const __m256i x0 = _mm256_cvttps_epi32(s), y0 = _mm256_cvttps_epi32(t);
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
            const __m256 r = _mm256_add_ps(_mm256_mul_ps(top, gy), _mm256_mul_ps(bot, wy));
            _mm256_storeu_ps(reinterpret_cast<float*>(dst + 16 * (i + k)), _mm256_mul_ps(r, shade));
        }
    }
    if (i < count) SpanFloats4Tail(tex, run, dst, i, count);
}

void Bytes4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t count) {
    if (!tex.offsetsFit32) return SpanBytes4Scalar(tex, run, dst, count);
    if (run.affine)
        tex.shaded ? Bytes4<true, true>(tex, run, dst, count) : Bytes4<true, false>(tex, run, dst, count);
    else
        tex.shaded ? Bytes4<false, true>(tex, run, dst, count) : Bytes4<false, false>(tex, run, dst, count);
}

void Floats4Span(const Texture& tex, const Run& run, uint8_t* dst, int32_t count) {
    if (!tex.offsetsFit32) return SpanFloats4Scalar(tex, run, dst, count);
    if (run.affine)
        Floats4<true>(tex, run, dst, count);
    else
        Floats4<false>(tex, run, dst, count);
}

} // namespace

void InstallAvx2Spans(SpanKernels& k) {
    k.bytes4 = Bytes4Span;
    k.floats4 = Floats4Span;
}

} // namespace svt::warp
