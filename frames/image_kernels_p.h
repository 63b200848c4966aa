// Row kernels of the image operations and the table that picks them.
//
// A row kernel sees pointers and a pixel count, never strides or format
// codes. The table starts out scalar (always complete and correct) and the
// SSE2 and AVX2 installers overwrite what they improve; it is chosen once at
// module attach and read-only afterwards.
#pragma once

#include <cstdint>

namespace svt {

// Resampling taps along one axis: output i reads `taps` consecutive inputs
// from first[i] on (relative to the sampled region) with weights[i * taps + k].
// 8-bit weights are Q14 integers summing to exactly 1 << 14.
struct ImageKernels {
    // (c0, c1, c2, c3) -> (c3, c2, c1, c0); src may equal dst.
    void (*swapOrder8)(const uint8_t* src, uint8_t* dst, uint32_t width);
    void (*swapOrderF)(const float* src, float* dst, uint32_t width);
    // Channel i becomes old channel order[i] (each 0..3).
    void (*swapChannels8)(uint8_t* row, uint32_t width, const uint8_t order[4]);
    void (*setChannel8)(uint8_t* row, uint32_t width, uint32_t channel, uint8_t value);
    void (*setChannelF)(float* row, uint32_t width, uint32_t channel, float value);
    // 4 -> 4, 4 -> 1 and 1 -> 4 channels.
    void (*copyChannel8x44)(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cs, uint32_t cd);
    void (*copyChannel8x41)(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cs);
    void (*copyChannel8x14)(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t cd);
    void (*copyChannelFx44)(const float* src, float* dst, uint32_t width, uint32_t cs, uint32_t cd);
    void (*copyChannelFx41)(const float* src, float* dst, uint32_t width, uint32_t cs);
    void (*copyChannelFx14)(const float* src, float* dst, uint32_t width, uint32_t cd);
    void (*invertChannel8)(uint8_t* row, uint32_t width, uint32_t channel);
    void (*invertChannelF)(float* row, uint32_t width, uint32_t channel);
    void (*invertBytes)(uint8_t* row, uint32_t count);
    void (*invertFloats)(float* row, uint32_t count);
    // alpha: index of the alpha channel in the pixel (3 for codes 0 and 3, 0 for 1 and 4).
    void (*premultiply8)(uint8_t* row, uint32_t width, uint32_t alpha);
    void (*premultiplyF)(float* row, uint32_t width, uint32_t alpha);
    void (*composite8)(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width, uint32_t alpha);
    void (*compositePremul8)(const uint8_t* fg, const uint8_t* bg, uint8_t* dst, uint32_t width,
                             uint32_t alpha);
    void (*compositeF)(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha);
    void (*compositePremulF)(const float* fg, const float* bg, float* dst, uint32_t width, uint32_t alpha);
    // count values; 8-bit weights 0..255, float weights already clamped to <= 1.
    void (*blend8)(const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, uint32_t wa, uint32_t wb);
    void (*blendF)(const float* a, const float* b, float* dst, uint32_t count, float wa, float wb, bool limit);
    void (*squareF)(float* row, uint32_t count);
    void (*sqrtF)(float* row, uint32_t count);
    void (*clampBelowF)(float* row, uint32_t width, const float t[4]);
    // Vertical pass: out[i] = round(sum_k weights[k] * rows[k][i] / 2^8), a
    // Q6 intermediate (8-bit), or the plain weighted sum (float).
    void (*resampleV8)(const uint8_t* const* rows, const int16_t* weights, uint32_t taps, int16_t* out,
                       uint32_t count);
    void (*resampleVF)(const float* const* rows, const float* weights, uint32_t taps, float* out,
                       uint32_t count);
    // Horizontal pass over 4-channel pixels of the intermediate row; `taps`
    // is even and `in` is readable (zero) one pixel past the region. Weights
    // come spread over the four channels so that SIMD code loads them whole:
    // output x, tap k starts at weights[(x * taps + k) * 4]; floats repeat
    // w[k] four times, 8-bit holds (w[k], w[k + 1]) four times for even k.
    // Floats sum the even taps and the odd taps in order, then add the two,
    // so that a register of two neighbouring taps gives the same bits.
    void (*resampleH8)(const int16_t* in, uint8_t* out, uint32_t width, const int32_t* first,
                       const int16_t* weights, uint32_t taps);
    void (*resampleHF)(const float* in, float* out, uint32_t width, const int32_t* first,
                       const float* weights, uint32_t taps);
};

// The kernels in use (read-only after selection).
extern ImageKernels g_imageKernels;
inline const ImageKernels& Kernels() { return g_imageKernels; }

// The complete scalar table: the reference every faster kernel must equal.
const ImageKernels& ScalarImageKernels();

// Filled by image_kernels_sse2.cpp and image_kernels_avx2.cpp.
void InstallSse2ImageKernels(ImageKernels& k);
void InstallAvx2ImageKernels(ImageKernels& k);

enum class KernelLevel { kScalar, kSse2, kAvx2 };
// The best level this CPU runs.
KernelLevel BestKernelLevel();
// Installs exactly `level` (for tests and benchmarks); false, changing
// nothing, when the CPU lacks it.
bool UseImageKernels(KernelLevel level);
// Scalar when forceScalar, else what SelectImageKernels would pick
// regardless of the environment.
void SelectImageKernelsForTest(bool forceScalar);

// Q14 weights of the 8-bit resampler.
inline constexpr int kResampleShift = 14;
inline constexpr int kResampleOne = 1 << kResampleShift;
// The vertical pass keeps 6 fractional bits in its int16 intermediate.
inline constexpr int kResampleMidShift = 8;
inline constexpr int kResampleOutShift = 2 * kResampleShift - kResampleMidShift;

} // namespace svt
