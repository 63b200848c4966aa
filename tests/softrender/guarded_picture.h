// Pictures for the renderer tests: pixels fenced by guard bytes (before the
// first row, in each row's stride padding, after the last row), so that a
// write outside the pixels shows even where AddressSanitizer would not see it.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frames/image_view.h"
#include "library/abi.h"

namespace svt::test {

inline bool IsFloatFormat(uint32_t format) { return format == kFormatBGRAF || format == kFormatARGBF; }

class GuardedPicture {
public:
    GuardedPicture(uint32_t width, uint32_t height, uint32_t format, uint32_t pad = 12)
        : width_(width), height_(height), pixelSize_(IsFloatFormat(format) ? 16 : 4),
          rowBytes_(size_t(width) * pixelSize_), stride_(rowBytes_ + pad) {
        buffer_.resize(kFence + stride_ * height + kFence);
        for (size_t i = 0; i < buffer_.size(); ++i) buffer_[i] = Guard(i);
        view_.BindMemory(buffer_.data() + kFence, width, height, int32_t(stride_), pixelSize_, format, 1);
    }
    GuardedPicture(const GuardedPicture&) = delete;
    GuardedPicture& operator=(const GuardedPicture&) = delete;

    ImageView& view() { return view_; }
    const ImageView& view() const { return view_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint8_t* Pixel(uint32_t x, uint32_t y) const { return view_.Row(y) + size_t(x) * pixelSize_; }
    float Channel(uint32_t x, uint32_t y, int c) const {
        if (pixelSize_ == 4) return Pixel(x, y)[c];
        float v;
        std::memcpy(&v, Pixel(x, y) + 4 * c, 4);
        return v;
    }
    void SetChannel(uint32_t x, uint32_t y, int c, float v) {
        if (pixelSize_ == 4)
            Pixel(x, y)[c] = static_cast<uint8_t>(v);
        else
            std::memcpy(Pixel(x, y) + 4 * c, &v, 4);
    }
    bool SamePixel(uint32_t x, uint32_t y, const GuardedPicture& o, uint32_t ox, uint32_t oy) const {
        return std::memcmp(Pixel(x, y), o.Pixel(ox, oy), pixelSize_) == 0;
    }

    // Every byte outside the pixels still holds its guard value.
    bool GuardsIntact() const {
        for (size_t i = 0; i < buffer_.size(); ++i)
            if (!IsPixelByte(i) && buffer_[i] != Guard(i)) return false;
        return true;
    }

    // Random bytes, or floats in [0, 1], from `seed`, salted with the values
    // where arithmetic tends to break.
    void Randomize(uint32_t seed) {
        std::mt19937 rng(seed);
        static const uint8_t kByteSalt[] = {0, 1, 127, 128, 254, 255};
        static const float kFloatSalt[] = {0.0f, 1.0f, 0.5f, 1e-7f, 0.9999999f};
        for (uint32_t y = 0; y < height_; ++y) {
            uint8_t* row = view_.Row(y);
            for (size_t i = 0; i < rowBytes_ / (pixelSize_ / 4); ++i) {
                const uint32_t r = rng();
                if (pixelSize_ == 4) {
                    row[i] = (r & 3) == 0 ? kByteSalt[(r >> 2) % 6] : static_cast<uint8_t>(r >> 8);
                } else {
                    const float v = (r & 7) == 0 ? kFloatSalt[(r >> 3) % 5] : float(r >> 8) * (1.0f / 16777216.0f);
                    std::memcpy(row + 4 * i, &v, 4);
                }
            }
        }
    }
    void Fill(const float value[4]) {
        for (uint32_t y = 0; y < height_; ++y)
            for (uint32_t x = 0; x < width_; ++x)
                for (int c = 0; c < 4; ++c) SetChannel(x, y, c, value[c]);
    }

private:
    static constexpr size_t kFence = 64;
    static uint8_t Guard(size_t i) { return static_cast<uint8_t>(0xA5 ^ (i * 29)); }
    bool IsPixelByte(size_t i) const {
        return i >= kFence && i < kFence + stride_ * height_ && (i - kFence) % stride_ < rowBytes_;
    }

    uint32_t width_, height_;
    int32_t pixelSize_;
    size_t rowBytes_, stride_;
    std::vector<uint8_t> buffer_;
    ImageView view_;
};

} // namespace svt::test
