// SSE2 row kernels (the x86-64 baseline). Each equals its scalar reference
// bit for bit; the scalar kernel finishes the tail of every row.
#include <emmintrin.h>

#include <cstring>
#include <limits>

#include "frames/image_kernels_p.h"

namespace svt {

namespace {

#define SVT_SSE2 inline __attribute__((always_inline))

const ImageKernels& S() { return ScalarImageKernels(); }

SVT_SSE2 __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
SVT_SSE2 void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
SVT_SSE2 __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
SVT_SSE2 __m128 Select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
// A dword mask of byte `channel` in every 4-byte pixel.
SVT_SSE2 __m128i ByteMask(uint32_t channel) { return _mm_set1_epi32(int32_t(0xFFu << (8 * channel))); }
// A float lane mask of `channel` in a 4-float pixel.
SVT_SSE2 __m128 LaneMask(uint32_t channel) {
    alignas(16) static const uint32_t kMasks[4][4] = {
        {~0u, 0, 0, 0}, {0, ~0u, 0, 0}, {0, 0, ~0u, 0}, {0, 0, 0, ~0u}};
    return _mm_load_ps(reinterpret_cast<const float*>(kMasks[channel]));
}
// Alpha of each of the two pixels in eight u16 lanes, broadcast to its four lanes.

// ---------------------------------------------------------------------------
// Channel order and single channels

void SwapOrder8(const uint8_t* src, uint8_t* dst, uint32_t width) {
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i v = Load(src + 4 * x);
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
        Store(dst + 4 * x, _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8)));
    }
    S().swapOrder8(src + 4 * x, dst + 4 * x, width - x);
}

void SwapOrderF(const float* src, float* dst, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        const __m128 v = _mm_loadu_ps(src + 4 * x);
        _mm_storeu_ps(dst + 4 * x, _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)));
    }
}

void SetChannel8(uint8_t* row, uint32_t width, uint32_t channel, uint8_t value) {
    const __m128i mask = ByteMask(channel), v = _mm_set1_epi32(int32_t(uint32_t(value) << (8 * channel)));
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) Store(row + 4 * x, Select(mask, v, Load(row + 4 * x)));
    S().setChannel8(row + 4 * x, width - x, channel, value);
}

void SetChannelF(float* row, uint32_t width, uint32_t channel, float value) {
    const __m128 mask = LaneMask(channel), v = _mm_set1_ps(value);
    for (uint32_t x = 0; x < width; ++x) _mm_storeu_ps(row + 4 * x, Select(mask, v, _mm_loadu_ps(row + 4 * x)));
}

void CopyChannel8x44(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cs, uint32_t cd) {
    const __m128i mask = ByteMask(cd);
    const __m128i left = _mm_cvtsi32_si128(cd > cs ? int(8 * (cd - cs)) : 0);
    const __m128i right = _mm_cvtsi32_si128(cs > cd ? int(8 * (cs - cd)) : 0);
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i moved = _mm_sll_epi32(_mm_srl_epi32(Load(src + 4 * x), right), left);
        Store(dst + 4 * x, Select(mask, moved, Load(dst + 4 * x)));
    }
    S().copyChannel8x44(src + 4 * x, dst + 4 * x, width - x, cs, cd);
}

template <int CS>
void CopyChannelFx44Of(const float* src, float* dst, uint32_t width, uint32_t cd) {
    const __m128 mask = LaneMask(cd);
    for (uint32_t x = 0; x < width; ++x) {
        const __m128 s = _mm_loadu_ps(src + 4 * x);
        const __m128 b = _mm_shuffle_ps(s, s, _MM_SHUFFLE(CS, CS, CS, CS));
        _mm_storeu_ps(dst + 4 * x, Select(mask, b, _mm_loadu_ps(dst + 4 * x)));
    }
}

void CopyChannelFx44(const float* src, float* dst, uint32_t width, uint32_t cs, uint32_t cd) {
    switch (cs) {
    case 0: CopyChannelFx44Of<0>(src, dst, width, cd); break;
    case 1: CopyChannelFx44Of<1>(src, dst, width, cd); break;
    case 2: CopyChannelFx44Of<2>(src, dst, width, cd); break;
    default: CopyChannelFx44Of<3>(src, dst, width, cd); break;
    }
}

void InvertChannel8(uint8_t* row, uint32_t width, uint32_t channel) {
    const __m128i mask = ByteMask(channel);
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) Store(row + 4 * x, _mm_xor_si128(Load(row + 4 * x), mask));
    S().invertChannel8(row + 4 * x, width - x, channel);
}

void InvertChannelF(float* row, uint32_t width, uint32_t channel) {
    const __m128 mask = LaneMask(channel), one = _mm_set1_ps(1.0f);
    for (uint32_t x = 0; x < width; ++x) {
        const __m128 v = _mm_loadu_ps(row + 4 * x);
        _mm_storeu_ps(row + 4 * x, Select(mask, _mm_sub_ps(one, v), v));
    }
}

void InvertBytes(uint8_t* row, uint32_t count) {
    const __m128i ones = _mm_set1_epi32(-1);
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) Store(row + i, _mm_xor_si128(Load(row + i), ones));
    S().invertBytes(row + i, count - i);
}

void InvertFloats(float* row, uint32_t count) {
    const __m128 one = _mm_set1_ps(1.0f);
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) _mm_storeu_ps(row + i, _mm_sub_ps(one, _mm_loadu_ps(row + i)));
    S().invertFloats(row + i, count - i);
}

// ---------------------------------------------------------------------------
// Alpha
//
// The 8-bit kernels split each register into its even and odd bytes,
// zero-extended in place (x & 0x00FF and x >> 8 on u16 lanes): pixels never
// leave their 32-bit lanes, so nothing needs unpacking or packing.

SVT_SSE2 __m128i Even(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0xFF)); }
SVT_SSE2 __m128i Odd(__m128i v) { return _mm_srli_epi16(v, 8); }
// x / 255 truncated for x <= 65279 with the result in the low byte,
// (x + 1) * 257 >> 16, or in the high byte, 2 * ((x * 0x8081) >> 16) with
// its low byte cleared; OR-ed together they make the even and odd bytes.
SVT_SSE2 __m128i Div255Low(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_set1_epi16(257));
}
SVT_SSE2 __m128i Div255High(__m128i x) {
    const __m128i t = _mm_mulhi_epu16(x, _mm_set1_epi16(int16_t(0x8081)));
    return _mm_and_si128(_mm_add_epi16(t, t), _mm_set1_epi16(int16_t(0xFF00)));
}
// min(x, limit) on u16 lanes without SSE4.1.
SVT_SSE2 __m128i MinU16(__m128i x, __m128i limit) { return _mm_sub_epi16(x, _mm_subs_epu16(x, limit)); }
// The alpha byte of each pixel in both u16 halves of its lane.
template <int A>
SVT_SSE2 __m128i AlphaDup(__m128i v) {
    const __m128i a = A == 0 ? _mm_and_si128(v, _mm_set1_epi32(0xFF)) : _mm_srli_epi32(v, 24);
    return _mm_or_si128(a, _mm_slli_epi32(a, 16));
}
// The u16 lane of the alpha byte within the even (A = 0) or odd (A = 3) half.
template <int A>
SVT_SSE2 __m128i AlphaLane() {
    return _mm_set1_epi32(A == 0 ? 0xFFFF : int32_t(0xFFFF0000u));
}

template <int A>
void Premultiply8Of(uint8_t* row, uint32_t width) {
    // The alpha lane multiplies by 255, so alpha * 255 / 255 leaves it as it was.
    const __m128i lane255 = _mm_and_si128(AlphaLane<A>(), _mm_set1_epi16(255));
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i v = Load(row + 4 * x);
        const __m128i ad = AlphaDup<A>(v), keep = _mm_or_si128(ad, lane255);
        const __m128i even = Div255Low(_mm_mullo_epi16(Even(v), A == 0 ? keep : ad));
        const __m128i odd = Div255High(_mm_mullo_epi16(Odd(v), A == 0 ? ad : keep));
        Store(row + 4 * x, _mm_or_si128(even, odd));
    }
    S().premultiply8(row + 4 * x, width - x, A);
}

void Premultiply8(uint8_t* row, uint32_t width, uint32_t alpha) {
    alpha == 0 ? Premultiply8Of<0>(row, width) : Premultiply8Of<3>(row, width);
}

template <int A>
void PremultiplyFOf(float* row, uint32_t width) {
    const __m128 mask = LaneMask(A);
    for (uint32_t x = 0; x < width; ++x) {
        const __m128 v = _mm_loadu_ps(row + 4 * x);
        const __m128 a = _mm_shuffle_ps(v, v, _MM_SHUFFLE(A, A, A, A));
        _mm_storeu_ps(row + 4 * x, Select(mask, v, _mm_mul_ps(v, a)));
    }
}

void PremultiplyF(float* row, uint32_t width, uint32_t alpha) {
    alpha == 0 ? PremultiplyFOf<0>(row, width) : PremultiplyFOf<3>(row, width);
}

// See the scalar kernels for why no sum overflows 16 bits.
template <int A, bool Premul>
void Composite8Of(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width) {
    const __m128i c255 = _mm_set1_epi16(255), lane255 = _mm_and_si128(AlphaLane<A>(), c255);
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i f = Load(fg + 4 * x), b = Load(bg + 4 * x);
        const __m128i ad = AlphaDup<A>(f), inv = _mm_xor_si128(ad, c255);
        if (Premul) {
            // B * (255 - a) / 255 + F, limited to 255, on every channel alpha
            // included: one saturating byte add.
            const __m128i scaled = _mm_or_si128(Div255Low(_mm_mullo_epi16(Even(b), inv)),
                                                Div255High(_mm_mullo_epi16(Odd(b), inv)));
            Store(dst + 4 * x, _mm_adds_epu8(scaled, f));
        } else {
            // b = B.alpha * (255 - a) / 255; colour (F * a + B * b) / 255; alpha
            // a + b, from the same sums: F's multiplier in the alpha lane is
            // 255 and B's alpha reads 255 there, so that lane sums 255 * (a + b).
            const __m128i bw = Div255Low(_mm_mullo_epi16(AlphaDup<A>(b), inv));
            const __m128i b255 = _mm_or_si128(b, ByteMask(A)), fa = _mm_or_si128(ad, lane255);
            const __m128i even = Div255Low(
                _mm_add_epi16(_mm_mullo_epi16(Even(f), A == 0 ? fa : ad), _mm_mullo_epi16(Even(b255), bw)));
            const __m128i odd = Div255High(
                _mm_add_epi16(_mm_mullo_epi16(Odd(f), A == 0 ? ad : fa), _mm_mullo_epi16(Odd(b255), bw)));
            Store(dst + 4 * x, _mm_or_si128(even, odd));
        }
    }
    (Premul ? S().compositePremul8 : S().composite8)(fg + 4 * x, bg + 4 * x, dst + 4 * x, width - x, A);
}

void Composite8(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? Composite8Of<0, false>(fg, bg, dst, width) : Composite8Of<3, false>(fg, bg, dst, width);
}
void CompositePremul8(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? Composite8Of<0, true>(fg, bg, dst, width) : Composite8Of<3, true>(fg, bg, dst, width);
}

template <int A, bool Premul>
void CompositeFOf(const float* fg, const float* bg, float* dst, uint32_t width) {
    const __m128 one = _mm_set1_ps(1.0f), mask = LaneMask(A);
    for (uint32_t x = 0; x < width; ++x) {
        const __m128 f = _mm_loadu_ps(fg + 4 * x), b = _mm_loadu_ps(bg + 4 * x);
        const __m128 a = _mm_shuffle_ps(f, f, _MM_SHUFFLE(A, A, A, A));
        __m128 out;
        if (Premul) {
            out = _mm_min_ps(_mm_add_ps(_mm_mul_ps(b, _mm_sub_ps(one, a)), f), one);
        } else {
            const __m128 ba = _mm_shuffle_ps(b, b, _MM_SHUFFLE(A, A, A, A));
            const __m128 bw = _mm_min_ps(_mm_mul_ps(ba, _mm_sub_ps(one, a)), one);
            const __m128 colour = _mm_min_ps(_mm_add_ps(_mm_mul_ps(f, a), _mm_mul_ps(b, bw)), one);
            out = Select(mask, _mm_min_ps(_mm_add_ps(a, bw), one), colour);
        }
        _mm_storeu_ps(dst + 4 * x, out);
    }
}

void CompositeF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? CompositeFOf<0, false>(fg, bg, dst, width) : CompositeFOf<3, false>(fg, bg, dst, width);
}
void CompositePremulF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? CompositeFOf<0, true>(fg, bg, dst, width) : CompositeFOf<3, true>(fg, bg, dst, width);
}

// min(A * Wa + B * Wb, 255 * 255) on u16 lanes: the sum saturates at 65535 first.
SVT_SSE2 __m128i BlendSum(__m128i a, __m128i b, __m128i wa, __m128i wb) {
    return MinU16(_mm_adds_epu16(_mm_mullo_epi16(a, wa), _mm_mullo_epi16(b, wb)), _mm_set1_epi16(int16_t(65025)));
}

void Blend8(const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, uint32_t wa, uint32_t wb) {
    const __m128i va = _mm_set1_epi16(int16_t(wa)), vb = _mm_set1_epi16(int16_t(wb));
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i x = Load(a + i), y = Load(b + i);
        Store(dst + i, _mm_or_si128(Div255Low(BlendSum(Even(x), Even(y), va, vb)),
                                    Div255High(BlendSum(Odd(x), Odd(y), va, vb))));
    }
    S().blend8(a + i, b + i, dst + i, count - i, wa, wb);
}

void BlendF(const float* a, const float* b, float* dst, uint32_t count, float wa, float wb, bool limit) {
    const __m128 va = _mm_set1_ps(wa), vb = _mm_set1_ps(wb);
    const __m128 cap = _mm_set1_ps(limit ? 1.0f : std::numeric_limits<float>::infinity());
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 v = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(a + i), va), _mm_mul_ps(_mm_loadu_ps(b + i), vb));
        if (limit) v = _mm_min_ps(v, cap);
        _mm_storeu_ps(dst + i, v);
    }
    S().blendF(a + i, b + i, dst + i, count - i, wa, wb, limit);
}

// ---------------------------------------------------------------------------
// Per-value float operations

void SquareF(float* row, uint32_t count) {
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 v = _mm_loadu_ps(row + i);
        _mm_storeu_ps(row + i, _mm_mul_ps(v, v));
    }
    S().squareF(row + i, count - i);
}

void SqrtF(float* row, uint32_t count) {
    const __m128 nan = _mm_set1_ps(std::numeric_limits<float>::quiet_NaN()), zero = _mm_setzero_ps();
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 v = _mm_loadu_ps(row + i);
        _mm_storeu_ps(row + i, Select(_mm_cmplt_ps(v, zero), nan, _mm_sqrt_ps(v)));
    }
    S().sqrtF(row + i, count - i);
}

void ClampBelowF(float* row, uint32_t width, const float t[4]) {
    const __m128 vt = _mm_loadu_ps(t);
    for (uint32_t x = 0; x < width; ++x) _mm_storeu_ps(row + 4 * x, _mm_max_ps(vt, _mm_loadu_ps(row + 4 * x)));
}

// ---------------------------------------------------------------------------
// Resampling

SVT_SSE2 __m128i WeightPair(const int16_t* w) {
    int32_t pair;
    std::memcpy(&pair, w, 4);
    return _mm_set1_epi32(pair);
}

void ResampleV8(const uint8_t* const* rows, const int16_t* weights, uint32_t taps, int16_t* out, uint32_t count) {
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(1 << (kResampleMidShift - 1));
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i acc[4] = {half, half, half, half};
        for (uint32_t k = 0; k < taps; k += 2) {
            const __m128i r0 = Load(rows[k] + i);
            const __m128i r1 = k + 1 < taps ? Load(rows[k + 1] + i) : zero;
            int16_t pair[2] = {weights[k], int16_t(k + 1 < taps ? weights[k + 1] : 0)};
            const __m128i w = WeightPair(pair);
            const __m128i lo = _mm_unpacklo_epi8(r0, r1), hi = _mm_unpackhi_epi8(r0, r1); // r0, r1 byte pairs
            acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
        for (__m128i& a : acc) a = _mm_srai_epi32(a, kResampleMidShift);
        Store(out + i, _mm_packs_epi32(acc[0], acc[1]));
        Store(out + i + 8, _mm_packs_epi32(acc[2], acc[3]));
    }
    for (; i < count; ++i) { // the scalar kernel's sum, for the last few values
        int32_t acc = 1 << (kResampleMidShift - 1);
        for (uint32_t k = 0; k < taps; ++k) acc += int32_t(weights[k]) * rows[k][i];
        out[i] = static_cast<int16_t>(acc >> kResampleMidShift);
    }
}

void ResampleH8(const int16_t* in, uint8_t* out, uint32_t width, const int32_t* first, const int16_t* weights,
                uint32_t taps) {
    const __m128i half = _mm_set1_epi32(1 << (kResampleOutShift - 1));
    for (uint32_t x = 0; x < width; ++x) {
        const int16_t* p = in + 4 * first[x];
        const int16_t* w = weights + size_t(x) * taps * 4;
        __m128i acc = half;
        for (uint32_t k = 0; k < taps; k += 2) {
            const __m128i two = Load(p + 4 * k); // pixels k and k + 1
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(two, _mm_unpackhi_epi64(two, two)), Load(w + 4 * k)));
        }
        const __m128i v = _mm_packs_epi32(_mm_srai_epi32(acc, kResampleOutShift), acc);
        const int32_t px = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
        std::memcpy(out + 4 * x, &px, 4);
    }
}

void ResampleVF(const float* const* rows, const float* weights, uint32_t taps, float* out, uint32_t count) {
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128 a0 = _mm_setzero_ps(), a1 = _mm_setzero_ps();
        for (uint32_t k = 0; k < taps; ++k) {
            const __m128 w = _mm_set1_ps(weights[k]);
            a0 = _mm_add_ps(a0, _mm_mul_ps(w, _mm_loadu_ps(rows[k] + i)));
            a1 = _mm_add_ps(a1, _mm_mul_ps(w, _mm_loadu_ps(rows[k] + i + 4)));
        }
        _mm_storeu_ps(out + i, a0);
        _mm_storeu_ps(out + i + 4, a1);
    }
    for (; i < count; i += 4) { // count is a multiple of 4: whole pixels
        __m128 a = _mm_setzero_ps();
        for (uint32_t k = 0; k < taps; ++k) a = _mm_add_ps(a, _mm_mul_ps(_mm_set1_ps(weights[k]), _mm_loadu_ps(rows[k] + i)));
        _mm_storeu_ps(out + i, a);
    }
}

void ResampleHF(const float* in, float* out, uint32_t width, const int32_t* first, const float* weights,
                uint32_t taps) {
    for (uint32_t x = 0; x < width; ++x) {
        const float* p = in + 4 * size_t(first[x]);
        const float* w = weights + size_t(x) * taps * 4;
        __m128 even = _mm_setzero_ps(), odd = _mm_setzero_ps();
        for (uint32_t k = 0; k < taps; k += 2) {
            even = _mm_add_ps(even, _mm_mul_ps(_mm_loadu_ps(w + 4 * k), _mm_loadu_ps(p + 4 * k)));
            odd = _mm_add_ps(odd, _mm_mul_ps(_mm_loadu_ps(w + 4 * k + 4), _mm_loadu_ps(p + 4 * k + 4)));
        }
        _mm_storeu_ps(out + 4 * x, _mm_add_ps(even, odd));
    }
}

} // namespace

void InstallSse2ImageKernels(ImageKernels& k) {
    k.swapOrder8 = SwapOrder8;
    k.swapOrderF = SwapOrderF;
    k.setChannel8 = SetChannel8;
    k.setChannelF = SetChannelF;
    k.copyChannel8x44 = CopyChannel8x44;
    k.copyChannelFx44 = CopyChannelFx44;
    k.invertChannel8 = InvertChannel8;
    k.invertChannelF = InvertChannelF;
    k.invertBytes = InvertBytes;
    k.invertFloats = InvertFloats;
    k.premultiply8 = Premultiply8;
    k.premultiplyF = PremultiplyF;
    k.composite8 = Composite8;
    k.compositePremul8 = CompositePremul8;
    k.compositeF = CompositeF;
    k.compositePremulF = CompositePremulF;
    k.blend8 = Blend8;
    k.blendF = BlendF;
    k.squareF = SquareF;
    k.sqrtF = SqrtF;
    k.clampBelowF = ClampBelowF;
    k.resampleV8 = ResampleV8;
    k.resampleH8 = ResampleH8;
    k.resampleVF = ResampleVF;
    k.resampleHF = ResampleHF;
}

} // namespace svt
