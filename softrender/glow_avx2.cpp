// AVX2 row kernels of the glow. The integer sums equal the scalar ones
// exactly; the division by d is the single-precision form of glow_p.h for
// d < kFloatDivisorLimit and the same form in double above it (exact: the
// quotient lies at least 0.5 / d >= 2^-23 from an integer, the double error
// is under 2^-44), so every radius stays on these kernels.
#include <immintrin.h>

#include <cstring>

#include "softrender/glow_p.h"

namespace svt::glow {
namespace {

// NOTE: anonymous namespace and forced inlining keep these helpers out of
// the linker's reach (an AVX2 copy must never serve other callers).
#define SVT_INLINE inline __attribute__((always_inline))

SVT_INLINE __m256i Load16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// round(b / d) on 8 lanes (see kFloatDivisorLimit).
SVT_INLINE __m256i Divide(__m256i b, __m256 addend, __m256 inv) {
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(b), addend), inv));
}

// 16 results (lo: values 0-7, hi: 8-15) as 16 bytes in order.
// round(b / d) on 8 lanes for any d up to the largest tent.
SVT_INLINE __m256i DivideWide(__m256i b, __m256d addend, __m256d inv) {
    const __m128i lo = _mm256_cvttpd_epi32(
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(b)), addend), inv));
    const __m128i hi = _mm256_cvttpd_epi32(
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(b, 1)), addend), inv));
    return _mm256_set_m128i(hi, lo);
}

// The division a tent needs, chosen once per call.
struct Divider {
    bool wide;
    __m256 addend, inv;
    __m256d addendD, invD;
    explicit Divider(const Tent& t)
        : wide(t.d >= kFloatDivisorLimit), addend(_mm256_set1_ps(float(t.d / 2) + 0.5f)),
          inv(_mm256_set1_ps(1.0f / float(t.d))), addendD(_mm256_set1_pd(double(t.d / 2) + 0.5)),
          invD(_mm256_set1_pd(1.0 / double(t.d))) {}
    SVT_INLINE __m256i operator()(__m256i b) const { return wide ? DivideWide(b, addendD, invD) : Divide(b, addend, inv); }
};

SVT_INLINE __m128i PackBytes(__m256i lo, __m256i hi) {
    const __m256i w = _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(w, w), 0x08));
}

// Rows of tents too long for 16-bit C (a > 128): two pixels per step, C and
// B in 32 bits.
void RowTentWideAvx2(const uint8_t* pad, uint8_t* out, int32_t count, const Tent& t) {
    const int32_t skip = 2 * t.half, total = count + skip;
    const intptr_t a = 4 * t.a, b = 4 * t.b, ab = a + b;
    const Divider divide(t);
    auto load = [](const uint8_t* p) { return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); };
    __m256i cPrev = _mm256_setzero_si256(), bPrev = _mm256_setzero_si256();
    for (int32_t x = 0; x < total; x += 2) {
        const uint8_t* p = pad + 4 * intptr_t(x);
        __m256i d = _mm256_sub_epi32(_mm256_add_epi32(load(p), load(p - ab)), _mm256_add_epi32(load(p - a), load(p - b)));
        d = _mm256_add_epi32(d, _mm256_permute2x128_si256(d, d, 0x08)); // [d0, d0 + d1]
        const __m256i c = _mm256_add_epi32(cPrev, d);
        cPrev = _mm256_permute2x128_si256(c, c, 0x11);
        const __m256i sum = _mm256_add_epi32(_mm256_add_epi32(bPrev, c), _mm256_permute2x128_si256(c, c, 0x08));
        bPrev = _mm256_permute2x128_si256(sum, sum, 0x11);
        if (x + 2 <= skip) continue;
        const __m256i q = divide(sum);
        const __m256i w = _mm256_packus_epi16(_mm256_packus_epi32(q, q), _mm256_setzero_si256());
        const __m128i bytes = _mm_unpacklo_epi32(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1));
        if (x >= skip && x + 2 <= total) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * intptr_t(x - skip)), bytes);
            continue;
        }
        alignas(16) uint8_t spill[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(spill), bytes);
        for (int k = 0; k < 2; ++k)
            if (x + k >= skip && x + k < total)
                for (int ch = 0; ch < 4; ++ch) out[4 * intptr_t(x + k - skip) + ch] = spill[4 * k + ch];
    }
}

// Rows: four pixels per step, their running sums as prefix sums across the
// step. C lives in 16 bits (|C| <= 255 * a), B in 32.
void RowTentAvx2(const uint8_t* pad, uint8_t* out, int32_t count, const Tent& t) {
    if (t.a > 128) return RowTentWideAvx2(pad, out, count, t);
    const int32_t skip = 2 * t.half, total = count + skip;
    const intptr_t a = 4 * t.a, b = 4 * t.b, ab = a + b;
    const Divider divide(t);
    __m256i cPrev = _mm256_setzero_si256(), bPrev = _mm256_setzero_si256();
    alignas(16) uint8_t spill[16];
    for (int32_t x = 0; x < total; x += 4) {
        const uint8_t* p = pad + 4 * intptr_t(x);
        __m256i d = _mm256_sub_epi16(_mm256_add_epi16(Load16(p), Load16(p - ab)),
                                     _mm256_add_epi16(Load16(p - a), Load16(p - b)));
        d = _mm256_add_epi16(d, _mm256_slli_si256(d, 8));
        const __m256i carry = _mm256_shuffle_epi32(d, 0xEE);
        d = _mm256_add_epi16(d, _mm256_permute2x128_si256(carry, carry, 0x08));
        const __m256i c = _mm256_add_epi16(cPrev, d);
        // The carries advance by one add per step; the rest hangs off them.
        cPrev = _mm256_add_epi16(cPrev, _mm256_permute4x64_epi64(d, 0xFF));

        __m256i cLo = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(c));
        __m256i cHi = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(c, 1));
        cLo = _mm256_add_epi32(cLo, _mm256_permute2x128_si256(cLo, cLo, 0x08));
        cHi = _mm256_add_epi32(cHi, _mm256_permute2x128_si256(cHi, cHi, 0x08));
        const __m256i sumLo = _mm256_permute2x128_si256(cLo, cLo, 0x11);
        const __m256i bLo = _mm256_add_epi32(bPrev, cLo);
        const __m256i bHi = _mm256_add_epi32(_mm256_add_epi32(bPrev, sumLo), cHi);
        bPrev = _mm256_add_epi32(bPrev, _mm256_add_epi32(sumLo, _mm256_permute2x128_si256(cHi, cHi, 0x11)));
        if (x + 4 <= skip) continue;

        const __m128i q = PackBytes(divide(bLo), divide(bHi));
        if (x >= skip && x + 4 <= total) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * intptr_t(x - skip)), q);
            continue;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(spill), q);
        for (int k = 0; k < 4; ++k)
            if (x + k >= skip && x + k < total)
                for (int ch = 0; ch < 4; ++ch) out[4 * intptr_t(x + k - skip) + ch] = spill[4 * k + ch];
    }
}

// An 8 x 8 transpose of 32-bit pixels: v[j] holding pixel j of eight rows
// becomes pixel 0..7 of row j, and back.
SVT_INLINE void Transpose8x8(__m256i* v) {
    const __m256i t0 = _mm256_unpacklo_epi32(v[0], v[1]), t1 = _mm256_unpackhi_epi32(v[0], v[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(v[2], v[3]), t3 = _mm256_unpackhi_epi32(v[2], v[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(v[4], v[5]), t5 = _mm256_unpackhi_epi32(v[4], v[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(v[6], v[7]), t7 = _mm256_unpackhi_epi32(v[6], v[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    v[0] = _mm256_permute2x128_si256(u0, u4, 0x20), v[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    v[1] = _mm256_permute2x128_si256(u1, u5, 0x20), v[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    v[2] = _mm256_permute2x128_si256(u2, u6, 0x20), v[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    v[3] = _mm256_permute2x128_si256(u3, u7, 0x20), v[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// Four channels' quotients as pixels; channel `unused` (0 or 3, -1 none:
// see Tent) is neither divided nor kept.
template <int unused, typename Div>
SVT_INLINE __m256i Quotients(const Div& div, __m256i b0, __m256i b1, __m256i b2, __m256i b3) {
    const __m256i q0 = unused == 0 ? _mm256_setzero_si256() : div(b0);
    const __m256i q3 = unused == 3 ? _mm256_setzero_si256() : _mm256_slli_epi32(div(b3), 24);
    return _mm256_or_si256(_mm256_or_si256(q0, _mm256_slli_epi32(div(b1), 8)),
                           _mm256_or_si256(_mm256_slli_epi32(div(b2), 16), q3));
}

// The low and high 16-bit halves of each 32-bit lane, sign-extended.
SVT_INLINE __m256i Low16(__m256i v) { return _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16); }
SVT_INLINE __m256i High16(__m256i v) { return _mm256_srai_epi32(v, 16); }

// Running sums of eight rows, one vector a position (see RowTents8x8Avx2).
// C in 16-bit lanes (|C| <= 255 * a) while a <= 128, else one 32-bit
// vector per channel (`longC`).
template <bool wide, int unused, bool longC>
struct EightRows {
    const __m256i* at; // position 0 (the first of the warm-up)
    intptr_t a, b, ab;
    Divider divide;
    __m256i cEven = _mm256_setzero_si256(), cOdd = cEven, b0 = cEven, b1 = cEven, b2 = cEven, b3 = cEven;
    __m256i c0 = cEven, c1 = cEven, c2 = cEven, c3 = cEven;
    const __m256i even = _mm256_set1_epi16(0xFF);

    EightRows(const __m256i* at, const Tent& t) : at(at), a(t.a), b(t.b), ab(t.a + t.b), divide(t) {}
    SVT_INLINE void Step() {
        const __m256i v = _mm256_loadu_si256(at), va = _mm256_loadu_si256(at - a), vb = _mm256_loadu_si256(at - b),
                      vab = _mm256_loadu_si256(at - ab);
        ++at;
        const __m256i dEven = _mm256_sub_epi16(_mm256_add_epi16(_mm256_and_si256(v, even), _mm256_and_si256(vab, even)),
                                               _mm256_add_epi16(_mm256_and_si256(va, even), _mm256_and_si256(vb, even)));
        const __m256i dOdd = _mm256_sub_epi16(_mm256_add_epi16(_mm256_srli_epi16(v, 8), _mm256_srli_epi16(vab, 8)),
                                              _mm256_add_epi16(_mm256_srli_epi16(va, 8), _mm256_srli_epi16(vb, 8)));
        // Channels 0 and 2 from the even lanes, 1 and 3 from the odd ones.
        if constexpr (longC) {
            if (unused != 0) b0 = _mm256_add_epi32(b0, c0 = _mm256_add_epi32(c0, Low16(dEven)));
            b2 = _mm256_add_epi32(b2, c2 = _mm256_add_epi32(c2, High16(dEven)));
            b1 = _mm256_add_epi32(b1, c1 = _mm256_add_epi32(c1, Low16(dOdd)));
            if (unused != 3) b3 = _mm256_add_epi32(b3, c3 = _mm256_add_epi32(c3, High16(dOdd)));
            return;
        }
        cEven = _mm256_add_epi16(cEven, dEven);
        cOdd = _mm256_add_epi16(cOdd, dOdd);
        if (unused != 0) b0 = _mm256_add_epi32(b0, Low16(cEven));
        b2 = _mm256_add_epi32(b2, High16(cEven));
        b1 = _mm256_add_epi32(b1, Low16(cOdd));
        if (unused != 3) b3 = _mm256_add_epi32(b3, High16(cOdd));
    }
    SVT_INLINE __m256i Result() const {
        const auto div = [this](__m256i v) {
            return wide ? DivideWide(v, divide.addendD, divide.invD) : Divide(v, divide.addend, divide.inv);
        };
        return Quotients<unused>(div, b0, b1, b2, b3);
    }
};

template <bool wide, int unused, bool longC>
void EightRowSums(const __m256i* T, uint8_t* const* outs, int32_t count, const Tent& t) {
    EightRows<wide, unused, longC> s(T + t.a + t.b, t);
    for (int32_t x = 2 * t.half; x > 0; --x) s.Step();
    alignas(32) __m256i done[8];
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        for (int k = 0; k < 8; ++k) {
            s.Step();
            done[k] = s.Result();
        }
        Transpose8x8(done);
        for (int r = 0; r < 8; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(outs[r] + 4 * intptr_t(x)), done[r]);
    }
    if (x == count) return;
    const int32_t left = count - x;
    for (int k = 0; k < 8; ++k) {
        if (k < left) s.Step();
        done[k] = k < left ? s.Result() : _mm256_setzero_si256();
    }
    Transpose8x8(done);
    for (int r = 0; r < 8; ++r) std::memcpy(outs[r] + 4 * intptr_t(x), &done[r], 4 * size_t(left));
}

// Eight rows at once. Their pixels are transposed into `work`, one vector
// per position holding that pixel of the eight rows, so the running sums
// run along the vectors with no sums across lanes; the bytes are split into
// even and odd 16-bit lanes by masks and shifts instead of shuffles. The
// results are transposed back eight positions at a time.
template <bool wide, bool longC>
void EightRowSumsFor(const __m256i* T, uint8_t* const* outs, int32_t count, const Tent& t) {
    switch (t.unused) {
    case 0: return EightRowSums<wide, 0, longC>(T, outs, count, t);
    case 3: return EightRowSums<wide, 3, longC>(T, outs, count, t);
    default: return EightRowSums<wide, -1, longC>(T, outs, count, t);
    }
}

void RowTents8x8Avx2(const uint8_t* const* pads, uint8_t* const* outs, int32_t count, const Tent& t, uint8_t* work) {
    const int32_t lead = t.a + t.b, total = count + 2 * t.half;
    __m256i* T = reinterpret_cast<__m256i*>(work);
    // T[j] holds pixel j - lead of every row (zeros before the pad's start).
    for (int32_t j = 0; j < total + lead; j += 8) {
        __m256i v[8];
        for (int r = 0; r < 8; ++r)
            v[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pads[r] + 4 * intptr_t(j - lead)));
        Transpose8x8(v);
        for (int k = 0; k < 8; ++k) _mm256_storeu_si256(T + j + k, v[k]);
    }
    // a > 128 makes d > 2^14: long C sums always divide in double.
    if (t.a > 128) return EightRowSumsFor<true, true>(T, outs, count, t);
    if (t.d >= kFloatDivisorLimit) return EightRowSumsFor<true, false>(T, outs, count, t);
    EightRowSumsFor<false, false>(T, outs, count, t);
}

// Columns: eight pixels per step, the bytes split into even and odd 16-bit
// lanes by masks and shifts (no shuffles). A step's state is kept in that
// split form: C as two vectors of 16-bit lanes in the first half of its 32
// c slots (four vectors of channel 0, 1, 2, 3 when a > 128), B as four
// vectors of channel 0, 1, 2, 3 in its 32 sum slots. The
// last count % 8 pixels go through the scalar kernel: callers start every
// call of a blur at the same pixel modulo 8 and end it at a step's end or at
// the same last pixel, so each pixel's state keeps one form.
template <int unused, bool longC>
void ColumnSteps(const uint8_t* line, const uint8_t* lineA, const uint8_t* lineB, const uint8_t* lineAB, int32_t* c,
                 int32_t* sum, uint8_t* out, int32_t count, const Tent& t) {
    const Divider divide(t);
    const __m256i even = _mm256_set1_epi16(0xFF);
    auto load = [](const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); };
    auto store = [](void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); };
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const intptr_t i = 4 * intptr_t(x);
        const __m256i v = load(line + i), va = load(lineA + i), vb = load(lineB + i), vab = load(lineAB + i);
        const __m256i dEven = _mm256_sub_epi16(_mm256_add_epi16(_mm256_and_si256(v, even), _mm256_and_si256(vab, even)),
                                               _mm256_add_epi16(_mm256_and_si256(va, even), _mm256_and_si256(vb, even)));
        const __m256i dOdd = _mm256_sub_epi16(_mm256_add_epi16(_mm256_srli_epi16(v, 8), _mm256_srli_epi16(vab, 8)),
                                              _mm256_add_epi16(_mm256_srli_epi16(va, 8), _mm256_srli_epi16(vb, 8)));
        // C per channel: in 32 bits, or from the 16-bit sums.
        __m256i k0, k1, k2, k3;
        if constexpr (longC) {
            if (unused != 0) store(c + i, k0 = _mm256_add_epi32(load(c + i), Low16(dEven)));
            store(c + i + 8, k1 = _mm256_add_epi32(load(c + i + 8), Low16(dOdd)));
            store(c + i + 16, k2 = _mm256_add_epi32(load(c + i + 16), High16(dEven)));
            if (unused != 3) store(c + i + 24, k3 = _mm256_add_epi32(load(c + i + 24), High16(dOdd)));
        } else {
            const __m256i cEven = _mm256_add_epi16(load(c + i), dEven), cOdd = _mm256_add_epi16(load(c + i + 8), dOdd);
            store(c + i, cEven);
            store(c + i + 8, cOdd);
            k0 = Low16(cEven), k1 = Low16(cOdd), k2 = High16(cEven), k3 = High16(cOdd);
        }
        __m256i b0 = _mm256_setzero_si256(), b3 = b0;
        if (unused != 0) store(sum + i, b0 = _mm256_add_epi32(load(sum + i), k0));
        const __m256i b1 = _mm256_add_epi32(load(sum + i + 8), k1);
        const __m256i b2 = _mm256_add_epi32(load(sum + i + 16), k2);
        if (unused != 3) store(sum + i + 24, b3 = _mm256_add_epi32(load(sum + i + 24), k3));
        store(sum + i + 8, b1);
        store(sum + i + 16, b2);
        if (out) store(out + i, Quotients<unused>(divide, b0, b1, b2, b3));
    }
    if (x < count) {
        const intptr_t i = 4 * intptr_t(x);
        ColumnStep8Scalar(line + i, lineA + i, lineB + i, lineAB + i, c + i, sum + i, out ? out + i : nullptr, count - x, t);
    }
}

void ColumnStepAvx2(const uint8_t* line, const uint8_t* lineA, const uint8_t* lineB, const uint8_t* lineAB, int32_t* c,
                    int32_t* sum, uint8_t* out, int32_t count, const Tent& t) {
    const bool longC = t.a > 128;
    switch (t.unused) {
    case 0:
        return longC ? ColumnSteps<0, true>(line, lineA, lineB, lineAB, c, sum, out, count, t)
                     : ColumnSteps<0, false>(line, lineA, lineB, lineAB, c, sum, out, count, t);
    case 3:
        return longC ? ColumnSteps<3, true>(line, lineA, lineB, lineAB, c, sum, out, count, t)
                     : ColumnSteps<3, false>(line, lineA, lineB, lineAB, c, sum, out, count, t);
    default:
        return longC ? ColumnSteps<-1, true>(line, lineA, lineB, lineAB, c, sum, out, count, t)
                     : ColumnSteps<-1, false>(line, lineA, lineB, lineAB, c, sum, out, count, t);
    }
}

// Combine: eight pixels per step. Luminance by madd on the even and odd
// bytes of each pixel; the lift toward the colour in 16-bit lanes, where
// (lift * colour) >> 8 is exactly mulhi(lift, colour << 8).
void CombineAvx2(const uint8_t* s, const uint8_t* g, uint8_t* dst, int32_t count, const Combine8& k) {
    int16_t weight[4] = {0, 0, 0, 0}, col[4], top[4], mask[4];
    weight[k.red] = 76, weight[k.green] = 149, weight[k.blue] = 30;
    for (int c = 0; c < 4; ++c) {
        col[c] = int16_t(uint16_t(k.colour[c] << 8));
        top[c] = int16_t(k.colour[c]);
        mask[c] = c == k.alpha ? int16_t(-1) : 0;
    }
    auto pairs = [](int16_t lo, int16_t hi) { return _mm256_set1_epi32(int32_t(uint16_t(lo)) | int32_t(hi) << 16); };
    auto quad = [](const int16_t* v) {
        return _mm256_set1_epi64x(int64_t(uint16_t(v[0])) | int64_t(uint16_t(v[1])) << 16 |
                                  int64_t(uint16_t(v[2])) << 32 | int64_t(uint16_t(v[3])) << 48);
    };
    const __m256i wEven = pairs(weight[0], weight[2]), wOdd = pairs(weight[1], weight[3]);
    const __m256i col16 = quad(col), top16 = quad(top), alphaMask = quad(mask);
    const __m256i bytes = _mm256_set1_epi32(0x00FF00FF), byte = _mm256_set1_epi32(0xFF);
    const __m256i kk = _mm256_set1_epi32(k.k), zero = _mm256_setzero_si256(), c255 = _mm256_set1_epi32(255);
    const __m128i shA = _mm_cvtsi32_si128(8 * k.alpha);
    auto luma = [&](__m256i p) {
        const __m256i even = _mm256_madd_epi16(_mm256_and_si256(p, bytes), wEven);
        const __m256i odd = _mm256_madd_epi16(_mm256_and_si256(_mm256_srli_epi32(p, 8), bytes), wOdd);
        return _mm256_srli_epi32(_mm256_add_epi32(even, odd), 8);
    };
    auto spread = [](__m256i v, bool high) { // per-pixel value into its four 16-bit lanes
        const __m256i two = _mm256_or_si256(v, _mm256_slli_epi32(v, 16));
        return high ? _mm256_unpackhi_epi32(two, two) : _mm256_unpacklo_epi32(two, two);
    };
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
        const __m256i gp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g + 4 * x));
        const __m256i lg = _mm256_srli_epi32(_mm256_mullo_epi32(luma(gp), kk), 8);
        const __m256i lift = _mm256_max_epi32(_mm256_sub_epi32(lg, luma(sp)), zero);
        const __m256i alpha =
            _mm256_min_epi32(_mm256_max_epi32(lg, _mm256_and_si256(_mm256_srl_epi32(sp, shA), byte)), c255);
        auto half = [&](__m256i s16, bool high) {
            const __m256i v = _mm256_min_epu16(_mm256_add_epi16(s16, _mm256_mulhi_epu16(spread(lift, high), col16)), top16);
            return _mm256_blendv_epi8(v, spread(alpha, high), alphaMask);
        };
        const __m256i lo = half(_mm256_unpacklo_epi8(sp, zero), false);
        const __m256i hi = half(_mm256_unpackhi_epi8(sp, zero), true);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), _mm256_packus_epi16(lo, hi));
    }
    if (x < count) CombineRow8Scalar(s + 4 * x, g + 4 * x, dst + 4 * x, count - x, k);
}

// Float pictures ___________________________________________________________________

// ((p - pA) - pB) + pAB for one pixel, in double, as the scalar kernels add it.
SVT_INLINE __m256d Delta(const float* p, const float* pa, const float* pb, const float* pab) {
    const __m256d d = _mm256_sub_pd(_mm256_sub_pd(_mm256_cvtps_pd(_mm_loadu_ps(p)), _mm256_cvtps_pd(_mm_loadu_ps(pa))),
                                    _mm256_cvtps_pd(_mm_loadu_ps(pb)));
    return _mm256_add_pd(d, _mm256_cvtps_pd(_mm_loadu_ps(pab)));
}

// One pixel (four channels) per step; the running sums stay in registers.
void RowTentFAvx2(const float* pad, float* out, int32_t count, const Tent& t) {
    const int32_t a = 4 * t.a, b = 4 * t.b, ab = a + b, skip = 2 * t.half;
    const __m256d inv = _mm256_set1_pd(1.0 / t.d);
    __m256d c = _mm256_setzero_pd(), sum = _mm256_setzero_pd();
    const float* p = pad;
    for (int32_t x = -skip; x < 0; ++x, p += 4) {
        c = _mm256_add_pd(c, Delta(p, p - a, p - b, p - ab));
        sum = _mm256_add_pd(sum, c);
    }
    for (int32_t x = 0; x < count; ++x, p += 4) {
        c = _mm256_add_pd(c, Delta(p, p - a, p - b, p - ab));
        sum = _mm256_add_pd(sum, c);
        _mm_storeu_ps(out + 4 * x, _mm256_cvtpd_ps(_mm256_mul_pd(sum, inv)));
    }
}

void ColumnStepFAvx2(const float* line, const float* lineA, const float* lineB, const float* lineAB, double* c,
                     double* sum, float* out, int32_t count, const Tent& t) {
    const __m256d inv = _mm256_set1_pd(1.0 / t.d);
    for (int32_t i = 0; i < 4 * count; i += 4) {
        const __m256d cc = _mm256_add_pd(_mm256_loadu_pd(c + i), Delta(line + i, lineA + i, lineB + i, lineAB + i));
        const __m256d ss = _mm256_add_pd(_mm256_loadu_pd(sum + i), cc);
        _mm256_storeu_pd(c + i, cc);
        _mm256_storeu_pd(sum + i, ss);
        if (out) _mm_storeu_ps(out + i, _mm256_cvtpd_ps(_mm256_mul_pd(ss, inv)));
    }
}

// Four pixels turned into one vector per channel, in each 128-bit half
// (_MM_TRANSPOSE4_PS on both). std::min(x, c) is minps(c, x) and
// std::max(x, c) is maxps(c, x), NaN included.
SVT_INLINE void Transpose4x2(__m256& r0, __m256& r1, __m256& r2, __m256& r3) {
    const __m256 t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpacklo_ps(r2, r3);
    const __m256 t2 = _mm256_unpackhi_ps(r0, r1), t3 = _mm256_unpackhi_ps(r2, r3);
    r0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
    r1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
    r2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
    r3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
}

// Eight pixels per step: pixels i and i + 4 share a vector, one per half;
// the scalar kernel finishes the last few of a row.
// Templated on the channel order, so the vectors stay in registers.
struct CombineConsts {
    explicit CombineConsts(const CombineF& k) : wk2(_mm256_set1_ps(k.k2)) {
        for (int i = 0; i < 4; ++i) col[i] = _mm256_set1_ps(k.colour[i]);
    }
    const __m256 w298 = _mm256_set1_ps(0.298f), w586 = _mm256_set1_ps(0.586f), w113 = _mm256_set1_ps(0.113f);
    const __m256 wOne = _mm256_set1_ps(1.0f);
    __m256 wk2, col[4];
};

// The combine of pixels x .. x + 7, one vector per channel: pixels x .. x + 3
// in the low half.
template <int red, int green, int blue, int alpha>
SVT_INLINE void Combine8F(const float* s, const float* g, __m256 r[4], const CombineConsts& k) {
    __m256 S[4], G[4];
    for (int i = 0; i < 4; ++i) {
        S[i] = _mm256_set_m128(_mm_loadu_ps(s + 4 * (i + 4)), _mm_loadu_ps(s + 4 * i));
        G[i] = _mm256_set_m128(_mm_loadu_ps(g + 4 * (i + 4)), _mm_loadu_ps(g + 4 * i));
    }
    Transpose4x2(S[0], S[1], S[2], S[3]);
    Transpose4x2(G[0], G[1], G[2], G[3]);
    const __m256 lg = _mm256_mul_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(k.w298, G[red]), _mm256_mul_ps(k.w586, G[green])), _mm256_mul_ps(k.w113, G[blue])),
        k.wk2);
    const __m256 ls = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(k.w298, S[red]), _mm256_mul_ps(k.w586, S[green])),
                                    _mm256_mul_ps(k.w113, S[blue]));
    const __m256 lifts = _mm256_cmp_ps(ls, lg, _CMP_LT_OS), lift = _mm256_sub_ps(lg, ls);
    for (int i = 0; i < 4; ++i) {
        const __m256 up = _mm256_min_ps(k.col[i], _mm256_add_ps(S[i], _mm256_mul_ps(lift, k.col[i])));
        r[i] = _mm256_blendv_ps(_mm256_min_ps(k.col[i], S[i]), up, lifts);
    }
    r[alpha] = _mm256_min_ps(k.wOne, _mm256_max_ps(S[alpha], lg));
}

SVT_INLINE void Store8F(float* dst, __m256 r[4]) {
    Transpose4x2(r[0], r[1], r[2], r[3]);
    for (int i = 0; i < 4; ++i) {
        _mm_storeu_ps(dst + 4 * i, _mm256_castps256_ps128(r[i]));
        _mm_storeu_ps(dst + 4 * (i + 4), _mm256_extractf128_ps(r[i], 1));
    }
}

template <int red, int green, int blue, int alpha>
void CombineFRow(const float* s, const float* g, float* dst, int32_t count, const CombineF& c) {
    const CombineConsts k(c);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        __m256 r[4];
        Combine8F<red, green, blue, alpha>(s + 4 * x, g + 4 * x, r, k);
        Store8F(dst + 4 * x, r);
    }
    if (x < count) CombineRowFScalar(s + 4 * x, g + 4 * x, dst + 4 * x, count - x, c);
}

void CombineFAvx2(const float* s, const float* g, float* dst, int32_t count, const CombineF& k) {
    if (k.red == 2 && k.green == 1 && k.blue == 0 && k.alpha == 3) return CombineFRow<2, 1, 0, 3>(s, g, dst, count, k);
    if (k.red == 1 && k.green == 2 && k.blue == 3 && k.alpha == 0) return CombineFRow<1, 2, 3, 0>(s, g, dst, count, k);
    CombineRowFScalar(s, g, dst, count, k);
}

// Metal on floats: four pixels per step turned into one vector per channel,
// each widened to double; the same operations in the same order as the
// scalar kernel. A step with a brightness outside the table goes to it.
// max(0, v) then min(1, .) is the scalar clamp, NaN and -0 kept.
SVT_INLINE __m256d Clamp01(__m256d v, __m256d zero, __m256d one) {
    return _mm256_min_pd(one, _mm256_max_pd(zero, v));
}

// The constants of the metal pass in vectors.
struct MetalConsts {
    explicit MetalConsts(const MetalF& m)
        : keep(_mm256_set1_pd(m.keep)), steps(_mm256_set1_pd(double(m.steps))), cc0(_mm256_set1_pd(m.cc[m.first])),
          cc1(_mm256_set1_pd(m.cc[m.first + 1])), cc2(_mm256_set1_pd(m.cc[m.first + 2])),
          last(_mm_set1_epi32(m.steps - 1)), sheen(m.sheen) {}
    const __m256d third = _mm256_set1_pd(1.0 / 3), zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    __m256d keep, steps, cc0, cc1, cc2;
    __m128i last;
    const double* sheen;
};

// The metal pass on four pixels given as one vector per colour channel;
// false (nothing changed) when a brightness lies outside the table.
SVT_INLINE bool Metal4(__m128& p0, __m128& p1, __m128& p2, const MetalConsts& k) {
    const __m256d c0 = _mm256_cvtps_pd(p0), c1 = _mm256_cvtps_pd(p1), c2 = _mm256_cvtps_pd(p2);
    const __m256d l = _mm256_mul_pd(_mm256_add_pd(_mm256_add_pd(c0, c1), c2), k.third);
    const __m256d inside = _mm256_and_pd(_mm256_cmp_pd(l, k.zero, _CMP_GE_OQ), _mm256_cmp_pd(l, k.one, _CMP_LE_OQ));
    if (_mm256_movemask_pd(inside) != 0xF) return false;
    const __m256d at = _mm256_mul_pd(l, k.steps);
    const __m128i i = _mm_min_epi32(_mm256_cvttpd_epi32(at), k.last);
    // Each pixel's two neighbouring entries in one load: four loads and two
    // unpacks cost less than two gathers here.
    const __m256d e02 = _mm256_set_m128d(_mm_loadu_pd(k.sheen + _mm_extract_epi32(i, 2)),
                                         _mm_loadu_pd(k.sheen + _mm_cvtsi128_si32(i)));
    const __m256d e13 = _mm256_set_m128d(_mm_loadu_pd(k.sheen + _mm_extract_epi32(i, 3)),
                                         _mm_loadu_pd(k.sheen + _mm_extract_epi32(i, 1)));
    const __m256d s0 = _mm256_unpacklo_pd(e02, e13), s1 = _mm256_unpackhi_pd(e02, e13);
    const __m256d w = _mm256_add_pd(s0, _mm256_mul_pd(_mm256_sub_pd(s1, s0), _mm256_sub_pd(at, _mm256_cvtepi32_pd(i))));
    p0 = _mm256_cvtpd_ps(Clamp01(_mm256_add_pd(_mm256_mul_pd(c0, k.keep), _mm256_mul_pd(k.cc0, w)), k.zero, k.one));
    p1 = _mm256_cvtpd_ps(Clamp01(_mm256_add_pd(_mm256_mul_pd(c1, k.keep), _mm256_mul_pd(k.cc1, w)), k.zero, k.one));
    p2 = _mm256_cvtpd_ps(Clamp01(_mm256_add_pd(_mm256_mul_pd(c2, k.keep), _mm256_mul_pd(k.cc2, w)), k.zero, k.one));
    return true;
}

// Templated on the first colour channel, so the four vectors stay in registers.
template <int first>
void MetalFRow(float* row, int32_t count, const MetalF& m) {
    const MetalConsts k(m);
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        float* p = row + 4 * x;
        __m128 P[4];
        for (int i = 0; i < 4; ++i) P[i] = _mm_loadu_ps(p + 4 * i);
        _MM_TRANSPOSE4_PS(P[0], P[1], P[2], P[3]);
        if (!Metal4(P[first], P[first + 1], P[first + 2], k)) {
            MetalRowFScalar(p, 4, m);
            continue;
        }
        _MM_TRANSPOSE4_PS(P[0], P[1], P[2], P[3]);
        for (int i = 0; i < 4; ++i) _mm_storeu_ps(p + 4 * i, P[i]);
    }
    if (x < count) MetalRowFScalar(row + 4 * x, count - x, m);
}

void MetalFAvx2(float* row, int32_t count, const MetalF& m) {
    m.first == 0 ? MetalFRow<0>(row, count, m) : MetalFRow<1>(row, count, m);
}

// The combine and then the metal pass on the same registers: no store and
// reload between them. Four pixels whose brightness lies outside the table
// get the scalar metal after the store, as MetalFRow does.
template <int red, int green, int blue, int alpha>
void CombineMetalFRow(const float* s, const float* g, float* dst, int32_t count, const CombineF& c, const MetalF& m) {
    constexpr int first = alpha == 0 ? 1 : 0;
    const CombineConsts k(c);
    const MetalConsts km(m);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        __m256 r[4];
        Combine8F<red, green, blue, alpha>(s + 4 * x, g + 4 * x, r, k);
        // Metal4 leaves the channels as they were where it fails.
        __m128 a0 = _mm256_castps256_ps128(r[first]), a1 = _mm256_castps256_ps128(r[first + 1]),
               a2 = _mm256_castps256_ps128(r[first + 2]);
        __m128 b0 = _mm256_extractf128_ps(r[first], 1), b1 = _mm256_extractf128_ps(r[first + 1], 1),
               b2 = _mm256_extractf128_ps(r[first + 2], 1);
        const bool low = Metal4(a0, a1, a2, km), high = Metal4(b0, b1, b2, km);
        r[first] = _mm256_set_m128(b0, a0);
        r[first + 1] = _mm256_set_m128(b1, a1);
        r[first + 2] = _mm256_set_m128(b2, a2);
        Store8F(dst + 4 * x, r);
        if (!low) MetalRowFScalar(dst + 4 * x, 4, m);
        if (!high) MetalRowFScalar(dst + 4 * (x + 4), 4, m);
    }
    if (x < count) {
        CombineRowFScalar(s + 4 * x, g + 4 * x, dst + 4 * x, count - x, c);
        MetalRowFScalar(dst + 4 * x, count - x, m);
    }
}

void CombineMetalFAvx2(const float* s, const float* g, float* dst, int32_t count, const CombineF& k, const MetalF& m) {
    if (k.red == 2 && k.green == 1 && k.blue == 0 && k.alpha == 3 && m.first == 0)
        return CombineMetalFRow<2, 1, 0, 3>(s, g, dst, count, k, m);
    if (k.red == 1 && k.green == 2 && k.blue == 3 && k.alpha == 0 && m.first == 1)
        return CombineMetalFRow<1, 2, 3, 0>(s, g, dst, count, k, m);
    CombineFAvx2(s, g, dst, count, k);
    MetalFAvx2(dst, count, m);
}

// Metal on bytes: eight pixels per step. In single precision where
// m.addF allows it (a step with a value near a level's edge goes through the
// scalar kernel); else each colour channel in two vectors of four doubles
// with the scalar kernel's operations in its order. Clamping before the
// truncation gives the same level as after it, NaN to 0.
void Metal8Avx2(uint8_t* row, int32_t count, const Metal8& m) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256d keep = _mm256_set1_pd(m.keep), zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256 keepF = _mm256_set1_ps(m.keepF), slack = _mm256_set1_ps(m.slack), zeroF = _mm256_setzero_ps();
    const __m256 topF = _mm256_set1_ps(255.0f);
    const bool grey = m.add[0] == m.add[1] && m.add[0] == m.add[2];
    const bool single = m.addF[0] && m.addF[1] && m.addF[2];
    __m128i shift[3];
    __m256i others = _mm256_set1_epi32(-1);
    for (int i = 0; i < 3; ++i) {
        shift[i] = _mm_cvtsi32_si128(8 * (m.first + i));
        others = _mm256_andnot_si256(_mm256_sll_epi32(byte, shift[i]), others);
    }
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        __m256i* at = reinterpret_cast<__m256i*>(row + 4 * intptr_t(x));
        const __m256i p = _mm256_loadu_si256(at);
        __m256i c[3];
        for (int i = 0; i < 3; ++i) c[i] = _mm256_and_si256(_mm256_srl_epi32(p, shift[i]), byte);
        const __m256i sum = _mm256_add_epi32(_mm256_add_epi32(c[0], c[1]), c[2]);
        __m256i q[3];
        if (single) {
            // The levels of r - slack and r + slack: where they differ, the
            // exact sum may lie on either side of a level's edge.
            __m256i edge = _mm256_setzero_si256();
            auto clamped = [&](__m256 r) { return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(r, zeroF), topF)); };
            auto level = [&](__m256i v, __m256 add) {
                const __m256 r = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(v), keepF), add);
                const __m256i lo = clamped(_mm256_sub_ps(r, slack));
                edge = _mm256_or_si256(edge, _mm256_xor_si256(lo, clamped(_mm256_add_ps(r, slack))));
                return lo;
            };
            const __m256 add0 = _mm256_i32gather_ps(m.addF[0], sum, 4);
            const __m256 add1 = grey ? add0 : _mm256_i32gather_ps(m.addF[1], sum, 4);
            const __m256 add2 = grey ? add0 : _mm256_i32gather_ps(m.addF[2], sum, 4);
            q[0] = level(c[0], add0);
            q[1] = level(c[1], add1);
            q[2] = level(c[2], add2);
            if (!_mm256_testz_si256(edge, edge)) {
                MetalRow8Scalar(row + 4 * intptr_t(x), 8, m);
                continue;
            }
        } else {
            __m128i h2[3][2];
            for (int h = 0; h < 2; ++h) {
                const __m128i s = h ? _mm256_extracti128_si256(sum, 1) : _mm256_castsi256_si128(sum);
                // The masked form: GCC 12 warns about the plain gather's undefined start.
                __m256d add = _mm256_mask_i32gather_pd(zero, m.add[0], s, all, 8);
                for (int i = 0; i < 3; ++i) {
                    if (i > 0 && !grey) add = _mm256_mask_i32gather_pd(zero, m.add[i], s, all, 8);
                    const __m128i v = h ? _mm256_extracti128_si256(c[i], 1) : _mm256_castsi256_si128(c[i]);
                    const __m256d r = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(v), keep), add);
                    h2[i][h] = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(r, zero), top));
                }
            }
            for (int i = 0; i < 3; ++i) q[i] = _mm256_set_m128i(h2[i][1], h2[i][0]);
        }
        const __m256i out = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(p, others), _mm256_sll_epi32(q[0], shift[0])),
                                            _mm256_or_si256(_mm256_sll_epi32(q[1], shift[1]), _mm256_sll_epi32(q[2], shift[2])));
        _mm256_storeu_si256(at, out);
    }
    if (x < count) MetalRow8Scalar(row + 4 * intptr_t(x), count - x, m);
}

} // namespace

void InstallAvx2Glow(GlowKernels& k) {
    k.metal8 = Metal8Avx2;
    k.metalF = MetalFAvx2;
    k.rowTent8 = RowTentAvx2;
    k.rowTents8 = RowTents8x8Avx2;
    k.columnStep8 = ColumnStepAvx2;
    k.combine8 = CombineAvx2;
    k.rowTentF = RowTentFAvx2;
    k.columnStepF = ColumnStepFAvx2;
    k.combineF = CombineFAvx2;
    k.combineMetalF = CombineMetalFAvx2;
}

} // namespace svt::glow
