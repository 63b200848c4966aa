// Test images fenced by guard bytes (before the first row, in every row's
// stride padding, after the last row), so that a write outside the pixels
// shows even where AddressSanitizer would not see it; and a loop over the
// image kernel levels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frames/image_kernels_p.h"
#include "frames/image_ops.h"
#include "frames/image_view.h"
#include "library/abi.h"

namespace svt::test {

inline uint8_t GuardByte(size_t i) { return static_cast<uint8_t>(0x5A + i * 13); }

inline bool IsFloatFormat(uint32_t format) { return format == kFormatBGRAF || format == kFormatARGBF; }

inline int32_t PixelSizeOf(uint32_t format) {
    return format == kFormatBGRAF || format == kFormatARGBF ? 16 : format == kFormatGray8 ? 1 : 4;
}

class GuardedImage {
public:
    // pad: stride padding per row; negativeStride binds a FrameDesc whose data
    // is the last row in memory; pixelSize 0 takes the format's.
    GuardedImage(uint32_t width, uint32_t height, uint32_t format, uint32_t pad = 8, bool negativeStride = false,
                 int32_t pixelSize = 0)
        : width_(width), height_(height), format_(format), pixelSize_(pixelSize ? pixelSize : PixelSizeOf(format)),
          rowBytes_(size_t(width) * pixelSize_), stride_(rowBytes_ + pad), negative_(negativeStride) {
        buffer_.resize(kFence + stride_ * height + kFence);
        for (size_t i = 0; i < buffer_.size(); ++i) buffer_[i] = GuardByte(i);
        Bind();
    }
    GuardedImage(const GuardedImage& o)
        : width_(o.width_), height_(o.height_), format_(o.format_), pixelSize_(o.pixelSize_), rowBytes_(o.rowBytes_),
          stride_(o.stride_), negative_(o.negative_), buffer_(o.buffer_) {
        Bind();
    }
    GuardedImage& operator=(const GuardedImage&) = delete;

    ImageView* view() { return &view_; }
    uint8_t* Row(uint32_t y) const { return view_.data + size_t(y) * view_.stride; }
    uint8_t* Pixel(uint32_t x, uint32_t y) const { return Row(y) + size_t(x) * pixelSize_; }
    float* FloatPixel(uint32_t x, uint32_t y) const { return reinterpret_cast<float*>(Pixel(x, y)); }
    std::vector<uint8_t> Bytes(uint32_t x, uint32_t y, size_t n) const { return {Pixel(x, y), Pixel(x, y) + n}; }
    const std::vector<uint8_t>& bytes() const { return buffer_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    FrameDesc* desc() { return &desc_; }

    // Channel c of pixel (x, y) of a four-channel image, bytes or floats.
    float Channel(uint32_t x, uint32_t y, int c) const {
        return pixelSize_ == 4 ? float(Pixel(x, y)[c]) : FloatPixel(x, y)[c];
    }
    void SetChannel(uint32_t x, uint32_t y, int c, float v) {
        pixelSize_ == 4 ? void(Pixel(x, y)[c] = uint8_t(v)) : void(FloatPixel(x, y)[c] = v);
    }
    void Fill(const float value[4]) {
        for (uint32_t y = 0; y < height_; ++y)
            for (uint32_t x = 0; x < width_; ++x)
                for (int c = 0; c < 4; ++c) SetChannel(x, y, c, value[c]);
    }
    bool SamePixel(uint32_t x, uint32_t y, const GuardedImage& o, uint32_t ox, uint32_t oy) const {
        return std::memcmp(Pixel(x, y), o.Pixel(ox, oy), size_t(pixelSize_)) == 0;
    }

    // Every byte outside the pixels still holds its guard value.
    bool GuardsIntact() const {
        for (size_t i = 0; i < buffer_.size(); ++i) {
            const bool pixel = i >= kFence && i < kFence + stride_ * height_ && (i - kFence) % stride_ < rowBytes_;
            if (!pixel && buffer_[i] != GuardByte(i)) return false;
        }
        return true;
    }

    // Random pixels salted with the values where arithmetic tends to break;
    // floats within [0, 1] (no -0) only where `unitFloats`.
    void Randomize(uint32_t seed, bool unitFloats = false) {
        std::mt19937 rng(seed);
        const bool isFloat = format_ == kFormatBGRAF || format_ == kFormatARGBF || format_ == kFormatGrayF;
        static const uint8_t kByteSalt[] = {0, 1, 127, 128, 254, 255};
        static const float kFloatSalt[] = {0.0f, 1.0f, 0.5f, 1e-7f, 0.9999999f, -0.0f, -0.25f, 1.5f};
        for (uint32_t y = 0; y < height_; ++y) {
            uint8_t* row = Row(y);
            for (size_t i = 0; i < (isFloat ? rowBytes_ / 4 : rowBytes_); ++i) {
                const uint32_t r = rng();
                if (isFloat) {
                    float v = (r & 7) == 0 ? kFloatSalt[(r >> 3) % (unitFloats ? 5 : 8)] : float(rng() >> 8) * (1.0f / 16777216.0f);
                    std::memcpy(row + 4 * i, &v, 4);
                } else {
                    row[i] = (r & 3) == 0 ? kByteSalt[(r >> 2) % 6] : static_cast<uint8_t>(r >> 8);
                }
            }
        }
    }

protected:
    static constexpr size_t kFence = 64;

    void Bind() {
        uint8_t* base = buffer_.data() + kFence;
        desc_ = FrameDesc{};
        desc_.data = negative_ ? base + stride_ * (height_ - 1) : base;
        desc_.width = int32_t(width_);
        desc_.height = int32_t(height_);
        desc_.stride = negative_ ? -int32_t(stride_) : int32_t(stride_);
        desc_.pixelSize = pixelSize_;
        desc_.format = format_;
        desc_.topDown = 1;
        view_.BindFrame(&desc_);
    }

    uint32_t width_, height_, format_;
    int32_t pixelSize_;
    size_t rowBytes_, stride_;
    bool negative_;
    std::vector<uint8_t> buffer_;
    FrameDesc desc_{};
    ImageView view_;
};

inline const char* LevelName(KernelLevel level) {
    return level == KernelLevel::kAvx2 ? "avx2" : level == KernelLevel::kSse2 ? "sse2" : "scalar";
}

// Runs fn once per kernel level this CPU offers, then restores the default.
template <typename Fn>
void ForEachKernelLevel(Fn fn) {
    for (KernelLevel level : {KernelLevel::kScalar, KernelLevel::kSse2, KernelLevel::kAvx2}) {
        if (!UseImageKernels(level)) continue;
        SCOPED_TRACE(LevelName(level));
        fn();
    }
    SelectImageKernelsForTest(false);
}

} // namespace svt::test
