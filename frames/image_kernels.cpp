// The scalar row kernels: the reference that defines "correct" for every
// faster variant, and the selection of the kernel table.
#include "frames/image_kernels_p.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "frames/image_ops.h"
#include "frames/pixel_math_p.h"
#include "platform/platform.h"

namespace svt {

namespace {

// ---------------------------------------------------------------------------
// Channel order and single channels

void SwapOrder8(const uint8_t* src, uint8_t* dst, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
        const uint8_t c0 = src[0], c1 = src[1], c2 = src[2], c3 = src[3];
        dst[0] = c3;
        dst[1] = c2;
        dst[2] = c1;
        dst[3] = c0;
    }
}

void SwapOrderF(const float* src, float* dst, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
        const float c0 = src[0], c1 = src[1], c2 = src[2], c3 = src[3];
        dst[0] = c3;
        dst[1] = c2;
        dst[2] = c1;
        dst[3] = c0;
    }
}

void SwapChannels8(uint8_t* row, uint32_t width, const uint8_t order[4]) {
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        const uint8_t old[4] = {row[0], row[1], row[2], row[3]};
        for (int i = 0; i < 4; ++i) row[i] = old[order[i]];
    }
}

void SetChannel8(uint8_t* row, uint32_t width, uint32_t channel, uint8_t value) {
    for (uint32_t x = 0; x < width; ++x) row[4 * x + channel] = value;
}

void SetChannelF(float* row, uint32_t width, uint32_t channel, float value) {
    for (uint32_t x = 0; x < width; ++x) row[4 * x + channel] = value;
}

template <typename T>
void CopyChannel44(const T* src, T* dst, uint32_t width, uint32_t cs, uint32_t cd) {
    for (uint32_t x = 0; x < width; ++x) dst[4 * x + cd] = src[4 * x + cs];
}
template <typename T>
void CopyChannel41(const T* src, T* dst, uint32_t width, uint32_t cs) {
    for (uint32_t x = 0; x < width; ++x) dst[x] = src[4 * x + cs];
}
template <typename T>
void CopyChannel14(const T* src, T* dst, uint32_t width, uint32_t cd) {
    for (uint32_t x = 0; x < width; ++x) dst[4 * x + cd] = src[x];
}

void InvertChannel8(uint8_t* row, uint32_t width, uint32_t channel) {
    for (uint32_t x = 0; x < width; ++x) row[4 * x + channel] = static_cast<uint8_t>(~row[4 * x + channel]);
}

void InvertChannelF(float* row, uint32_t width, uint32_t channel) {
    for (uint32_t x = 0; x < width; ++x) row[4 * x + channel] = 1.0f - row[4 * x + channel];
}

void InvertBytes(uint8_t* row, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) row[i] = static_cast<uint8_t>(~row[i]);
}

void InvertFloats(float* row, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) row[i] = 1.0f - row[i];
}

// ---------------------------------------------------------------------------
// Alpha

void Premultiply8(uint8_t* row, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        const uint32_t a = row[alpha];
        for (uint32_t c = 0; c < 4; ++c)
            if (c != alpha) row[c] = static_cast<uint8_t>(Div255(row[c] * a));
    }
}

void PremultiplyF(float* row, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        const float a = row[alpha];
        for (uint32_t c = 0; c < 4; ++c)
            if (c != alpha) row[c] = row[c] * a;
    }
}

// NOTE: b <= 255 - a, so F.c * a + B.c * b <= 255 * 255 and Div255 is exact;
// the limits of the formula can never bite but are kept as written.
void Composite8(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, fg += 4, bg += 4, dst += 4) {
        const uint32_t a = fg[alpha];
        const uint32_t b = MinU(Div255(bg[alpha] * (255 - a)), 255);
        uint8_t out[4];
        for (uint32_t c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>(MinU(Div255(fg[c] * a + bg[c] * b), 255));
        out[alpha] = static_cast<uint8_t>(MinU(a + b, 255));
        std::memcpy(dst, out, 4);
    }
}

void CompositePremul8(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, fg += 4, bg += 4, dst += 4) {
        const uint32_t inv = 255 - fg[alpha];
        uint8_t out[4];
        // The alpha channel follows the same formula with F.alpha in place of F.c.
        for (uint32_t c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>(MinU(Div255(bg[c] * inv) + fg[c], 255));
        std::memcpy(dst, out, 4);
    }
}

void CompositeF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, fg += 4, bg += 4, dst += 4) {
        const float a = fg[alpha];
        const float b = MinF(bg[alpha] * (1.0f - a), 1.0f);
        float out[4];
        for (uint32_t c = 0; c < 4; ++c) out[c] = MinF(fg[c] * a + bg[c] * b, 1.0f);
        out[alpha] = MinF(a + b, 1.0f);
        std::memcpy(dst, out, sizeof out);
    }
}

void CompositePremulF(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha) {
    for (uint32_t x = 0; x < width; ++x, fg += 4, bg += 4, dst += 4) {
        const float inv = 1.0f - fg[alpha];
        float out[4];
        for (uint32_t c = 0; c < 4; ++c) out[c] = MinF(bg[c] * inv + fg[c], 1.0f);
        std::memcpy(dst, out, sizeof out);
    }
}

// trunc((A * Wa + B * Wb) / 255) limited to 255: every sum from 255 * 255 up
// gives 255, so the sum is limited first and Div255 stays in its exact range.
void Blend8(const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, uint32_t wa, uint32_t wb) {
    for (uint32_t i = 0; i < count; ++i)
        dst[i] = static_cast<uint8_t>(Div255(MinU(a[i] * wa + b[i] * wb, 255 * 255)));
}

void BlendF(const float* a, const float* b, float* dst, uint32_t count, float wa, float wb, bool limit) {
    for (uint32_t i = 0; i < count; ++i) {
        const float v = a[i] * wa + b[i] * wb;
        dst[i] = limit ? MinF(v, 1.0f) : v;
    }
}

// ---------------------------------------------------------------------------
// Per-value float operations

void SquareF(float* row, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) row[i] = row[i] * row[i];
}

void SqrtF(float* row, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        row[i] = row[i] < 0.0f ? std::numeric_limits<float>::quiet_NaN() : std::sqrt(row[i]);
}

void ClampBelowF(float* row, uint32_t width, const float t[4]) {
    for (uint32_t x = 0; x < width; ++x, row += 4)
        for (int c = 0; c < 4; ++c) row[c] = RaiseF(row[c], t[c]);
}

// ---------------------------------------------------------------------------
// Resampling passes

void ResampleV8(const uint8_t* const* rows, const int16_t* weights, uint32_t taps, int16_t* out, uint32_t count) {
    constexpr int32_t kHalf = 1 << (kResampleMidShift - 1);
    for (uint32_t i = 0; i < count; ++i) {
        int32_t acc = 0;
        for (uint32_t k = 0; k < taps; ++k) acc += int32_t(weights[k]) * rows[k][i];
        out[i] = static_cast<int16_t>((acc + kHalf) >> kResampleMidShift);
    }
}

void ResampleVF(const float* const* rows, const float* weights, uint32_t taps, float* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        float acc = 0.0f;
        for (uint32_t k = 0; k < taps; ++k) acc = acc + weights[k] * rows[k][i];
        out[i] = acc;
    }
}

void ResampleH8(const int16_t* in, uint8_t* out, uint32_t width, const int32_t* first, const int16_t* weights,
                uint32_t taps) {
    constexpr int32_t kHalf = 1 << (kResampleOutShift - 1);
    for (uint32_t x = 0; x < width; ++x, out += 4) {
        const int16_t* p = in + 4 * first[x];
        const int16_t* w = weights + size_t(x) * taps * 4;
        for (int c = 0; c < 4; ++c) {
            int32_t acc = 0;
            for (uint32_t k = 0; k < taps; ++k) acc += int32_t(w[(k & ~1u) * 4 + (k & 1)]) * p[4 * k + c];
            out[c] = static_cast<uint8_t>(ClampByte((acc + kHalf) >> kResampleOutShift));
        }
    }
}

void ResampleHF(const float* in, float* out, uint32_t width, const int32_t* first, const float* weights,
                uint32_t taps) {
    for (uint32_t x = 0; x < width; ++x, out += 4) {
        const float* p = in + 4 * size_t(first[x]);
        const float* w = weights + size_t(x) * taps * 4;
        for (int c = 0; c < 4; ++c) {
            float even = 0.0f, odd = 0.0f;
            for (uint32_t k = 0; k < taps; k += 2) {
                even = even + w[4 * k] * p[4 * k + c];
                odd = odd + w[4 * k + 4] * p[4 * k + 4 + c];
            }
            out[c] = even + odd;
        }
    }
}

constexpr ImageKernels kScalar = {
    SwapOrder8,
    SwapOrderF,
    SwapChannels8,
    SetChannel8,
    SetChannelF,
    CopyChannel44<uint8_t>,
    CopyChannel41<uint8_t>,
    CopyChannel14<uint8_t>,
    CopyChannel44<float>,
    CopyChannel41<float>,
    CopyChannel14<float>,
    InvertChannel8,
    InvertChannelF,
    InvertBytes,
    InvertFloats,
    Premultiply8,
    PremultiplyF,
    Composite8,
    CompositePremul8,
    CompositeF,
    CompositePremulF,
    Blend8,
    BlendF,
    SquareF,
    SqrtF,
    ClampBelowF,
    ResampleV8,
    ResampleVF,
    ResampleH8,
    ResampleHF,
};

KernelLevel g_level = KernelLevel::kScalar;

bool CpuHasAvx2() { return platform::ProcessorSimdLevel() == platform::SimdLevel::kAvx2; }

} // namespace

ImageKernels g_imageKernels = kScalar;

const ImageKernels& ScalarImageKernels() { return kScalar; }

KernelLevel BestKernelLevel() { return CpuHasAvx2() ? KernelLevel::kAvx2 : KernelLevel::kSse2; }

bool UseImageKernels(KernelLevel level) {
    if (level == KernelLevel::kAvx2 && !CpuHasAvx2()) return false;
    ImageKernels k = kScalar;
    if (level != KernelLevel::kScalar) InstallSse2ImageKernels(k); // SSE2 is the x86-64 baseline
    if (level == KernelLevel::kAvx2) InstallAvx2ImageKernels(k);
    g_imageKernels = k;
    g_level = level;
    return true;
}

void SelectImageKernelsForTest(bool forceScalar) {
    UseImageKernels(forceScalar ? KernelLevel::kScalar : BestKernelLevel());
}

void SelectImageKernels() {
    SelectImageKernelsForTest(platform::KernelSimdLevel() == platform::SimdLevel::kScalar);
}

const char* ImageKernelLevel() {
    switch (g_level) {
    case KernelLevel::kAvx2: return "avx2";
    case KernelLevel::kSse2: return "sse2";
    default: return "scalar";
    }
}

} // namespace svt
