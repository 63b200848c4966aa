// Per-value arithmetic shared by the scalar kernels and the SIMD tails.
#pragma once

#include <cstdint>

// NOTE: everything here lives in an anonymous namespace and is force-inlined
// so that an *_avx2.cpp instantiation can never become the one copy the
// linker keeps for scalar callers (an ODR trap that crashes older CPUs).
#define SVT_INLINE inline __attribute__((always_inline))

namespace svt {
namespace {

// Truncating x / 255 for 0 <= x <= 65535 (exact up to 66051):
//   x / 255 == (x * 0x8081) >> 23, since 0x8081 * 255 = 2^23 + 127 and the
//   excess x * 127 / 2^23 stays below 1/255 while x < 66052.
// The SIMD kernels reach the same quotient up to x = 65279 through
// mulhi_epu16(x + 1, 257) or 2 * mulhi_epu16(x, 0x8081) >> 8.
SVT_INLINE uint32_t Div255(uint32_t x) { return (x * 0x8081u) >> 23; }

SVT_INLINE uint32_t MinU(uint32_t a, uint32_t b) { return a < b ? a : b; }

// x < limit ? x : limit, the operand order of minps, so that a NaN gives
// the same answer in scalar and SIMD code.
SVT_INLINE float MinF(float x, float limit) { return x < limit ? x : limit; }
// x raised to t, as maxps(t, x) computes it: keeps x when equal (a -0
// stays -0) or NaN.
SVT_INLINE float RaiseF(float x, float t) { return t > x ? t : x; }

SVT_INLINE int32_t ClampByte(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

} // namespace
} // namespace svt
