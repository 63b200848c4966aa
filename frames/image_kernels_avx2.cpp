// AVX2 row kernels. Each equals its scalar reference bit for bit; the scalar
// kernel finishes the tail of every row.
//
// NOTE: this file is built with -mavx2, so it must not instantiate any inline
// function or template that other files also use (std:: helpers included):
// the linker could keep this copy for everyone and crash CPUs without AVX.
// Everything here is static or in the anonymous namespace and force-inlined.
#include <immintrin.h>

#include "frames/image_kernels_p.h"

namespace svt {

namespace {

#define SVT_AVX2 inline __attribute__((always_inline))

const ImageKernels& S() { return ScalarImageKernels(); }

SVT_AVX2 __m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
SVT_AVX2 void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
SVT_AVX2 __m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
SVT_AVX2 __m256i Select(__m256i mask, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, mask); }
SVT_AVX2 __m256 Select(__m256 mask, __m256 a, __m256 b) { return _mm256_blendv_ps(b, a, mask); }
SVT_AVX2 __m256i ByteMask(uint32_t channel) { return _mm256_set1_epi32(int32_t(0xFFu << (8 * channel))); }
// `channel` of both 4-float pixels in a register.
SVT_AVX2 __m256 LaneMask(uint32_t channel) {
    alignas(32) static const int32_t kMasks[4][8] = {{-1, 0, 0, 0, -1, 0, 0, 0},
                                                     {0, -1, 0, 0, 0, -1, 0, 0},
                                                     {0, 0, -1, 0, 0, 0, -1, 0},
                                                     {0, 0, 0, -1, 0, 0, 0, -1}};
    return _mm256_load_ps(reinterpret_cast<const float*>(kMasks[channel]));
}
// Two 128-bit halves from two addresses.
SVT_AVX2 __m256i Pair(const void* lo, const void* hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(lo)), Load128(hi), 1);
}

// ---------------------------------------------------------------------------
// Channel order and single channels

void SwapOrder8(const uint8_t* src, uint8_t* dst, uint32_t width) {
    const __m256i reverse = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2, 1, 0, 7, 6,
                                             5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) Store(dst + 4 * x, _mm256_shuffle_epi8(Load(src + 4 * x), reverse));
    S().swapOrder8(src + 4 * x, dst + 4 * x, width - x);
}

void SwapOrderF(const float* src, float* dst, uint32_t width) {
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2)
        _mm256_storeu_ps(dst + 4 * x, _mm256_permute_ps(_mm256_loadu_ps(src + 4 * x), _MM_SHUFFLE(0, 1, 2, 3)));
    S().swapOrderF(src + 4 * x, dst + 4 * x, width - x);
}

void SwapChannels8(uint8_t* row, uint32_t width, const uint8_t order[4]) {
    alignas(32) int8_t control[32];
    for (int i = 0; i < 32; ++i) control[i] = int8_t((i & ~3) % 16 + order[i & 3]);
    const __m256i shuffle = _mm256_load_si256(reinterpret_cast<const __m256i*>(control));
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) Store(row + 4 * x, _mm256_shuffle_epi8(Load(row + 4 * x), shuffle));
    S().swapChannels8(row + 4 * x, width - x, order);
}

void SetChannel8(uint8_t* row, uint32_t width, uint32_t channel, uint8_t value) {
    const __m256i mask = ByteMask(channel), v = _mm256_set1_epi32(int32_t(uint32_t(value) << (8 * channel)));
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) Store(row + 4 * x, Select(mask, v, Load(row + 4 * x)));
    S().setChannel8(row + 4 * x, width - x, channel, value);
}

void SetChannelF(float* row, uint32_t width, uint32_t channel, float value) {
    const __m256 mask = LaneMask(channel), v = _mm256_set1_ps(value);
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) _mm256_storeu_ps(row + 4 * x, Select(mask, v, _mm256_loadu_ps(row + 4 * x)));
    S().setChannelF(row + 4 * x, width - x, channel, value);
}

void CopyChannel8x44(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cs, uint32_t cd) {
    const __m256i mask = ByteMask(cd);
    const __m128i left = _mm_cvtsi32_si128(cd > cs ? int(8 * (cd - cs)) : 0);
    const __m128i right = _mm_cvtsi32_si128(cs > cd ? int(8 * (cs - cd)) : 0);
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i moved = _mm256_sll_epi32(_mm256_srl_epi32(Load(src + 4 * x), right), left);
        Store(dst + 4 * x, Select(mask, moved, Load(dst + 4 * x)));
    }
    S().copyChannel8x44(src + 4 * x, dst + 4 * x, width - x, cs, cd);
}

// Byte cs of four pixels into four bytes.
void CopyChannel8x41(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cs) {
    const int8_t c = int8_t(cs), z = int8_t(0x80);
    const __m128i gather = _mm_setr_epi8(c, int8_t(c + 4), int8_t(c + 8), int8_t(c + 12), z, z, z, z, z, z, z, z, z,
                                         z, z, z);
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const int32_t v = _mm_cvtsi128_si32(_mm_shuffle_epi8(Load128(src + 4 * x), gather));
        __builtin_memcpy(dst + x, &v, 4);
    }
    S().copyChannel8x41(src + 4 * x, dst + x, width - x, cs);
}

// Four bytes into byte cd of four pixels.
void CopyChannel8x14(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cd) {
    alignas(16) int8_t control[16];
    for (int i = 0; i < 16; ++i) control[i] = (i & 3) == int(cd) ? int8_t(i >> 2) : int8_t(0x80);
    const __m128i scatter = _mm_load_si128(reinterpret_cast<const __m128i*>(control));
    const __m128i mask = _mm_set1_epi32(int32_t(0xFFu << (8 * cd)));
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        int32_t v;
        __builtin_memcpy(&v, src + x, 4);
        const __m128i spread = _mm_shuffle_epi8(_mm_cvtsi32_si128(v), scatter);
        const __m128i d = Load128(dst + 4 * x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_blendv_epi8(d, spread, mask));
    }
    S().copyChannel8x14(src + x, dst + 4 * x, width - x, cd);
}

void CopyChannelFx44(const float* src, float* dst, uint32_t width, uint32_t cs, uint32_t cd) {
    const __m256 mask = LaneMask(cd);
    const __m256i index = _mm256_set1_epi32(int32_t(cs));
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m256 b = _mm256_permutevar_ps(_mm256_loadu_ps(src + 4 * x), index);
        _mm256_storeu_ps(dst + 4 * x, Select(mask, b, _mm256_loadu_ps(dst + 4 * x)));
    }
    S().copyChannelFx44(src + 4 * x, dst + 4 * x, width - x, cs, cd);
}

void InvertChannel8(uint8_t* row, uint32_t width, uint32_t channel) {
    const __m256i mask = ByteMask(channel);
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) Store(row + 4 * x, _mm256_xor_si256(Load(row + 4 * x), mask));
    S().invertChannel8(row + 4 * x, width - x, channel);
}

void InvertChannelF(float* row, uint32_t width, uint32_t channel) {
    const __m256 mask = LaneMask(channel), one = _mm256_set1_ps(1.0f);
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m256 v = _mm256_loadu_ps(row + 4 * x);
        _mm256_storeu_ps(row + 4 * x, Select(mask, _mm256_sub_ps(one, v), v));
    }
    S().invertChannelF(row + 4 * x, width - x, channel);
}

void InvertBytes(uint8_t* row, uint32_t count) {
    const __m256i ones = _mm256_set1_epi32(-1);
    uint32_t i = 0;
    for (; i + 32 <= count; i += 32) Store(row + i, _mm256_xor_si256(Load(row + i), ones));
    S().invertBytes(row + i, count - i);
}

void InvertFloats(float* row, uint32_t count) {
    const __m256 one = _mm256_set1_ps(1.0f);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) _mm256_storeu_ps(row + i, _mm256_sub_ps(one, _mm256_loadu_ps(row + i)));
    S().invertFloats(row + i, count - i);
}

// ---------------------------------------------------------------------------
// Alpha (see the SSE2 kernels for the arithmetic; these are the same on 256 bits)

// The 8-bit alpha kernels split each register into its even and odd bytes,
// zero-extended in place (x & 0x00FF and x >> 8 on u16 lanes), so pixels never
// leave their 32-bit lanes and no unpack or pack shuffles are needed.
SVT_AVX2 __m256i Even(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi16(0xFF)); }
SVT_AVX2 __m256i Odd(__m256i v) { return _mm256_srli_epi16(v, 8); }
// x / 255 truncated for x <= 65279, in u16 lanes: the even lanes' result
// comes out clean in the low byte as (x + 1) * 257 >> 16; the odd lanes'
// result lands in the high byte as 2 * ((x * 0x8081) >> 16) (whose low byte
// is left over and must be masked off or blended away).
SVT_AVX2 __m256i Div255Low(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(1)), _mm256_set1_epi16(257));
}
SVT_AVX2 __m256i Div255High(__m256i x) {
    const __m256i t = _mm256_mulhi_epu16(x, _mm256_set1_epi16(int16_t(0x8081)));
    return _mm256_add_epi16(t, t);
}
// Low bytes of the even result, high bytes of the odd one.
SVT_AVX2 __m256i JoinHigh(__m256i even, __m256i oddHigh) {
    return _mm256_blendv_epi8(oddHigh, even, _mm256_set1_epi16(0xFF));
}

// The alpha byte of each pixel in both u16 halves of its lane.
template <int A>
SVT_AVX2 __m256i AlphaDup(__m256i v) {
    const int8_t z = int8_t(0x80);
    const __m256i control = _mm256_setr_epi8(A, z, A, z, A + 4, z, A + 4, z, A + 8, z, A + 8, z, A + 12, z, A + 12, z,
                                             A, z, A, z, A + 4, z, A + 4, z, A + 8, z, A + 8, z, A + 12, z, A + 12, z);
    return _mm256_shuffle_epi8(v, control);
}
// 255 in the u16 lane of the alpha byte within the even (A = 0) or odd
// (A = 3) half: OR-ed into a multiplier it makes alpha * 255 / 255 = alpha.
template <int A>
SVT_AVX2 __m256i AlphaLane255() {
    return _mm256_set1_epi32(A == 0 ? 0xFF : 0xFF0000);
}

template <int A>
void Premultiply8Of(uint8_t* row, uint32_t width) {
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i v = Load(row + 4 * x);
        const __m256i ad = AlphaDup<A>(v), keep = _mm256_or_si256(ad, AlphaLane255<A>());
        const __m256i even = Div255Low(_mm256_mullo_epi16(Even(v), A == 0 ? keep : ad));
        const __m256i odd = Div255High(_mm256_mullo_epi16(Odd(v), A == 0 ? ad : keep));
        Store(row + 4 * x, JoinHigh(even, odd));
    }
    S().premultiply8(row + 4 * x, width - x, A);
}

void Premultiply8(uint8_t* row, uint32_t width, uint32_t alpha) {
    alpha == 0 ? Premultiply8Of<0>(row, width) : Premultiply8Of<3>(row, width);
}
template <int A>
void PremultiplyFOf(float* row, uint32_t width) {
    const __m256 mask = LaneMask(A);
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m256 v = _mm256_loadu_ps(row + 4 * x);
        const __m256 a = _mm256_permute_ps(v, _MM_SHUFFLE(A, A, A, A));
        _mm256_storeu_ps(row + 4 * x, Select(mask, v, _mm256_mul_ps(v, a)));
    }
    S().premultiplyF(row + 4 * x, width - x, A);
}

void PremultiplyF(float* row, uint32_t width, uint32_t alpha) {
    alpha == 0 ? PremultiplyFOf<0>(row, width) : PremultiplyFOf<3>(row, width);
}

template <int A, bool Premul>
void Composite8Of(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width) {
    const __m256i c255 = _mm256_set1_epi16(255);
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i f = Load(fg + 4 * x);
        if (Premul) {
            const __m256i b = Load(bg + 4 * x);
            const __m256i inv = _mm256_xor_si256(AlphaDup<A>(f), c255);
            // B * (255 - a) / 255 + F, limited to 255, on every channel alpha
            // included: one saturating byte add.
            const __m256i scaled = JoinHigh(Div255Low(_mm256_mullo_epi16(Even(b), inv)),
                                            Div255High(_mm256_mullo_epi16(Odd(b), inv)));
            Store(dst + 4 * x, _mm256_adds_epu8(scaled, f));
        } else {
            // b = B.alpha * (255 - a) / 255; colour (F * a + B * b) / 255; alpha a + b.
            // The alpha lane gets a + b from the same sums: F's multiplier
            // there is 255 and B's alpha reads 255, so it sums 255 * (a + b).
            const __m256i b = Load(bg + 4 * x), ad = AlphaDup<A>(f);
            const __m256i bw = Div255Low(_mm256_mullo_epi16(AlphaDup<A>(b), _mm256_xor_si256(ad, c255)));
            const __m256i b255 = _mm256_or_si256(b, ByteMask(A)), fa = _mm256_or_si256(ad, AlphaLane255<A>());
            const __m256i even = Div255Low(
                _mm256_add_epi16(_mm256_mullo_epi16(Even(f), A == 0 ? fa : ad), _mm256_mullo_epi16(Even(b255), bw)));
            const __m256i odd = Div255High(
                _mm256_add_epi16(_mm256_mullo_epi16(Odd(f), A == 0 ? ad : fa), _mm256_mullo_epi16(Odd(b255), bw)));
            Store(dst + 4 * x, JoinHigh(even, odd));
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
    const __m256 one = _mm256_set1_ps(1.0f), mask = LaneMask(A);
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m256 f = _mm256_loadu_ps(fg + 4 * x), b = _mm256_loadu_ps(bg + 4 * x);
        const __m256 a = _mm256_permute_ps(f, _MM_SHUFFLE(A, A, A, A));
        __m256 out;
        if (Premul) {
            out = _mm256_min_ps(_mm256_add_ps(_mm256_mul_ps(b, _mm256_sub_ps(one, a)), f), one);
        } else {
            const __m256 ba = _mm256_permute_ps(b, _MM_SHUFFLE(A, A, A, A));
            const __m256 bw = _mm256_min_ps(_mm256_mul_ps(ba, _mm256_sub_ps(one, a)), one);
            const __m256 colour = _mm256_min_ps(_mm256_add_ps(_mm256_mul_ps(f, a), _mm256_mul_ps(b, bw)), one);
            out = Select(mask, _mm256_min_ps(_mm256_add_ps(a, bw), one), colour);
        }
        _mm256_storeu_ps(dst + 4 * x, out);
    }
    (Premul ? S().compositePremulF : S().compositeF)(fg + 4 * x, bg + 4 * x, dst + 4 * x, width - x, A);
}

void CompositeF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? CompositeFOf<0, false>(fg, bg, dst, width) : CompositeFOf<3, false>(fg, bg, dst, width);
}
void CompositePremulF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    alpha == 0 ? CompositeFOf<0, true>(fg, bg, dst, width) : CompositeFOf<3, true>(fg, bg, dst, width);
}

// min(A * Wa + B * Wb, 255 * 255) on u16 lanes.
SVT_AVX2 __m256i BlendSum(__m256i a, __m256i b, __m256i wa, __m256i wb) {
    const __m256i sum = _mm256_adds_epu16(_mm256_mullo_epi16(a, wa), _mm256_mullo_epi16(b, wb));
    return _mm256_min_epu16(sum, _mm256_set1_epi16(int16_t(65025)));
}

// Weights summing to at most 256 (a cross-fade's w and 1 - w always do):
// maddubs takes the weights as unsigned bytes and the values, less 128, as
// signed ones, so A * Wa + B * Wb - 128 * (Wa + Wb) lies in -32768..32512 and
// never saturates. Adding the 128s back with one more, S + 1 <= 65281 fits a
// u16 and (S + 1) * 257 >> 16 is S / 255 (up to 256); packus limits it to 255.
void Blend8Paired(const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, uint32_t wa, uint32_t wb) {
    const __m256i w = _mm256_set1_epi16(int16_t(wa | wb << 8)), flip = _mm256_set1_epi8(int8_t(0x80));
    const __m256i bias = _mm256_set1_epi16(int16_t(128 * (wa + wb) + 1)), m257 = _mm256_set1_epi16(257);
    auto half = [&](__m256i pairs) {
        return _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_maddubs_epi16(w, pairs), bias), m257);
    };
    uint32_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i x = _mm256_xor_si256(Load(a + i), flip), y = _mm256_xor_si256(Load(b + i), flip);
        Store(dst + i, _mm256_packus_epi16(half(_mm256_unpacklo_epi8(x, y)), half(_mm256_unpackhi_epi8(x, y))));
    }
    S().blend8(a + i, b + i, dst + i, count - i, wa, wb);
}

void Blend8(const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, uint32_t wa, uint32_t wb) {
    if (wa + wb <= 256) return Blend8Paired(a, b, dst, count, wa, wb);
    const __m256i va = _mm256_set1_epi16(int16_t(wa)), vb = _mm256_set1_epi16(int16_t(wb));
    uint32_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i x = Load(a + i), y = Load(b + i);
        Store(dst + i, JoinHigh(Div255Low(BlendSum(Even(x), Even(y), va, vb)),
                                Div255High(BlendSum(Odd(x), Odd(y), va, vb))));
    }
    S().blend8(a + i, b + i, dst + i, count - i, wa, wb);
}

void BlendF(const float* a, const float* b, float* dst, uint32_t count, float wa, float wb, bool limit) {
    const __m256 va = _mm256_set1_ps(wa), vb = _mm256_set1_ps(wb), one = _mm256_set1_ps(1.0f);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256 v = _mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(a + i), va), _mm256_mul_ps(_mm256_loadu_ps(b + i), vb));
        if (limit) v = _mm256_min_ps(v, one);
        _mm256_storeu_ps(dst + i, v);
    }
    S().blendF(a + i, b + i, dst + i, count - i, wa, wb, limit);
}

// ---------------------------------------------------------------------------
// Per-value float operations

void SquareF(float* row, uint32_t count) {
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 v = _mm256_loadu_ps(row + i);
        _mm256_storeu_ps(row + i, _mm256_mul_ps(v, v));
    }
    S().squareF(row + i, count - i);
}

void SqrtF(float* row, uint32_t count) {
    const __m256 nan = _mm256_set1_ps(__builtin_nanf("")), zero = _mm256_setzero_ps();
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 v = _mm256_loadu_ps(row + i);
        _mm256_storeu_ps(row + i, Select(_mm256_cmp_ps(v, zero, _CMP_LT_OQ), nan, _mm256_sqrt_ps(v)));
    }
    S().sqrtF(row + i, count - i);
}

void ClampBelowF(float* row, uint32_t width, const float t[4]) {
    const __m256 vt = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(t));
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) _mm256_storeu_ps(row + 4 * x, _mm256_max_ps(vt, _mm256_loadu_ps(row + 4 * x)));
    S().clampBelowF(row + 4 * x, width - x, t);
}

// ---------------------------------------------------------------------------
// Resampling

SVT_AVX2 int32_t WeightPair(const int16_t* w) {
    int32_t pair;
    __builtin_memcpy(&pair, w, 4);
    return pair;
}

void ResampleV8(const uint8_t* const* rows, const int16_t* weights, uint32_t taps, int16_t* out, uint32_t count) {
    const __m256i zero = _mm256_setzero_si256(), half = _mm256_set1_epi32(1 << (kResampleMidShift - 1));
    uint32_t i = 0;
    for (; i + 32 <= count; i += 32) {
        __m256i acc[4] = {half, half, half, half};
        for (uint32_t k = 0; k < taps; k += 2) {
            const bool two = k + 1 < taps;
            const __m256i r0 = Load(rows[k] + i);
            const __m256i r1 = two ? Load(rows[k + 1] + i) : zero;
            const int16_t pair[2] = {weights[k], int16_t(two ? weights[k + 1] : 0)};
            const __m256i w = _mm256_set1_epi32(WeightPair(pair));
            const __m256i lo = _mm256_unpacklo_epi8(r0, r1), hi = _mm256_unpackhi_epi8(r0, r1);
            acc[0] = _mm256_add_epi32(acc[0], _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w));
            acc[1] = _mm256_add_epi32(acc[1], _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w));
            acc[2] = _mm256_add_epi32(acc[2], _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w));
            acc[3] = _mm256_add_epi32(acc[3], _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w));
        }
        for (__m256i& a : acc) a = _mm256_srai_epi32(a, kResampleMidShift);
        // Lanes hold values 0-7 | 16-23 and 8-15 | 24-31; put them in order.
        const __m256i x = _mm256_packs_epi32(acc[0], acc[1]), y = _mm256_packs_epi32(acc[2], acc[3]);
        Store(out + i, _mm256_permute2x128_si256(x, y, 0x20));
        Store(out + i + 16, _mm256_permute2x128_si256(x, y, 0x31));
    }
    for (; i < count; ++i) { // the scalar kernel's sum, for the last few values
        int32_t acc = 1 << (kResampleMidShift - 1);
        for (uint32_t k = 0; k < taps; ++k) acc += int32_t(weights[k]) * rows[k][i];
        out[i] = static_cast<int16_t>(acc >> kResampleMidShift);
    }
}

// One output pixel's sum: four taps per load (two pairs, one per 128-bit
// lane), a last pair in the low lane; the lanes still need adding.
SVT_AVX2 __m256i TapSums8(const int16_t* p, const int16_t* w, uint32_t taps) {
    __m256i acc = _mm256_setzero_si256();
    uint32_t k = 0;
    for (; k + 4 <= taps; k += 4) {
        const __m256i v = Load(p + 4 * k);
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_unpacklo_epi16(v, _mm256_unpackhi_epi64(v, v)), Load(w + 4 * k)));
    }
    if (k < taps) {
        const __m128i v = Load128(p + 4 * k);
        const __m128i s = _mm_madd_epi16(_mm_unpacklo_epi16(v, _mm_unpackhi_epi64(v, v)), Load128(w + 4 * k));
        acc = _mm256_add_epi32(acc, _mm256_zextsi128_si256(s));
    }
    return acc;
}

// The lane sums of two pixels' registers: pixel a in the low lane, b in the high.
SVT_AVX2 __m256i AddLanes(__m256i a, __m256i b) {
    return _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
}

void ResampleH8(const int16_t* in, uint8_t* out, uint32_t width, const int32_t* first, const int16_t* weights,
                uint32_t taps) {
    const __m256i half = _mm256_set1_epi32(1 << (kResampleOutShift - 1));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const size_t step = size_t(taps) * 4;
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const int16_t* w = weights + x * step;
        const __m256i s0 = TapSums8(in + 4 * first[x], w, taps);
        const __m256i s1 = TapSums8(in + 4 * first[x + 1], w + step, taps);
        const __m256i s2 = TapSums8(in + 4 * first[x + 2], w + 2 * step, taps);
        const __m256i s3 = TapSums8(in + 4 * first[x + 3], w + 3 * step, taps);
        const __m256i r01 = _mm256_srai_epi32(_mm256_add_epi32(AddLanes(s0, s1), half), kResampleOutShift);
        const __m256i r23 = _mm256_srai_epi32(_mm256_add_epi32(AddLanes(s2, s3), half), kResampleOutShift);
        // Lanes after packing: pixels 0, 2 | 1, 3; the permute puts them in order.
        const __m256i v = _mm256_packs_epi32(r01, r23);
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(v, v), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm256_castsi256_si128(bytes));
    }
    S().resampleH8(in, out + 4 * x, width - x, first + x, weights + x * step, taps);
}

void ResampleVF(const float* const* rows, const float* weights, uint32_t taps, float* out, uint32_t count) {
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256 a0 = _mm256_setzero_ps(), a1 = _mm256_setzero_ps();
        for (uint32_t k = 0; k < taps; ++k) {
            const __m256 w = _mm256_set1_ps(weights[k]);
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(w, _mm256_loadu_ps(rows[k] + i)));
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(w, _mm256_loadu_ps(rows[k] + i + 8)));
        }
        _mm256_storeu_ps(out + i, a0);
        _mm256_storeu_ps(out + i + 8, a1);
    }
    for (; i < count; i += 4) { // count is a multiple of 4: whole pixels
        __m128 a = _mm_setzero_ps();
        for (uint32_t k = 0; k < taps; ++k) a = _mm_add_ps(a, _mm_mul_ps(_mm_set1_ps(weights[k]), _mm_loadu_ps(rows[k] + i)));
        _mm_storeu_ps(out + i, a);
    }
}

// Two neighbouring taps per load: the low lane sums the even taps, the high
// lane the odd ones, as the scalar kernel does.
SVT_AVX2 __m256 TapSumsF(const float* p, const float* w, uint32_t taps) {
    __m256 acc = _mm256_setzero_ps();
    for (uint32_t k = 0; k < taps; k += 2)
        acc = _mm256_add_ps(acc, _mm256_mul_ps(_mm256_loadu_ps(w + 4 * k), _mm256_loadu_ps(p + 4 * k)));
    return acc;
}

void ResampleHF(const float* in, float* out, uint32_t width, const int32_t* first, const float* weights,
                uint32_t taps) {
    const size_t step = size_t(taps) * 4;
    uint32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m256 a = TapSumsF(in + 4 * size_t(first[x]), weights + x * step, taps);
        const __m256 b = TapSumsF(in + 4 * size_t(first[x + 1]), weights + (x + 1) * step, taps);
        _mm256_storeu_ps(out + 4 * x, _mm256_add_ps(_mm256_permute2f128_ps(a, b, 0x20), _mm256_permute2f128_ps(a, b, 0x31)));
    }
    S().resampleHF(in, out + 4 * x, width - x, first + x, weights + x * step, taps);
}

} // namespace

void InstallAvx2ImageKernels(ImageKernels& k) {
    k.swapOrder8 = SwapOrder8;
    k.swapOrderF = SwapOrderF;
    k.swapChannels8 = SwapChannels8;
    k.setChannel8 = SetChannel8;
    k.setChannelF = SetChannelF;
    k.copyChannel8x44 = CopyChannel8x44;
    k.copyChannel8x41 = CopyChannel8x41;
    k.copyChannel8x14 = CopyChannel8x14;
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
