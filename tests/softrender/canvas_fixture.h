// Shared by the canvas and seam tests: an output frame with guard bytes
// around every row and above and below the picture, and pictures to draw.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "frames/image_view.h"
#include "library/abi.h"
#include "softrender/canvas.h"

namespace svt::canvas_test {

inline constexpr uint8_t kGuardByte = 0xA5;

class GuardedFrame {
public:
    static constexpr int kGuard = 32; // bytes either side of every row; one whole row above and below

    GuardedFrame(uint32_t width, uint32_t height, uint32_t format = kFormatBGRA8)
        : width_(width), height_(height), pixelSize_(format == kFormatBGRAF || format == kFormatARGBF ? 16 : 4),
          stride_(int32_t(width * pixelSize_ + 2 * kGuard)), mem_(size_t(stride_) * (height + 2), kGuardByte) {
        desc_ = FrameDesc{};
        desc_.data = mem_.data() + stride_ + kGuard;
        desc_.width = int32_t(width);
        desc_.height = int32_t(height);
        desc_.stride = stride_;
        desc_.pixelSize = pixelSize_;
        desc_.format = format;
        desc_.topDown = 1;
        Fill(0);
    }

    FrameDesc* desc() { return &desc_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint8_t* Pixel(uint32_t x, uint32_t y) { return mem_.data() + size_t(y + 1) * stride_ + kGuard + x * pixelSize_; }
    const uint8_t* Pixel(uint32_t x, uint32_t y) const {
        return mem_.data() + size_t(y + 1) * stride_ + kGuard + x * pixelSize_;
    }

    // Every byte of every pixel set to `value`.
    void Fill(uint8_t value) {
        for (uint32_t y = 0; y < height_; ++y) std::memset(Pixel(0, y), value, size_t(width_) * pixelSize_);
    }
    void FillColour(const uint8_t bgra[4]) {
        for (uint32_t y = 0; y < height_; ++y)
            for (uint32_t x = 0; x < width_; ++x) std::memcpy(Pixel(x, y), bgra, 4);
    }

    // Number of guard bytes that no longer hold kGuardByte.
    size_t DamagedGuards() const {
        size_t bad = 0;
        for (size_t i = 0; i < mem_.size(); ++i) {
            const size_t row = i / stride_, col = i % stride_;
            const bool inPicture = row >= 1 && row <= height_ && col >= size_t(kGuard) &&
                                   col < size_t(kGuard) + size_t(width_) * pixelSize_;
            if (!inPicture && mem_[i] != kGuardByte) ++bad;
        }
        return bad;
    }

    // Largest difference over any byte of the pixels at (x, y) in both frames.
    int MaxDiff(const GuardedFrame& other, uint32_t x, uint32_t y) const {
        int most = 0;
        for (int c = 0; c < pixelSize_; ++c) {
            const int d = int(Pixel(x, y)[c]) - int(other.Pixel(x, y)[c]);
            most = d < 0 ? (-d > most ? -d : most) : (d > most ? d : most);
        }
        return most;
    }

private:
    uint32_t width_, height_;
    int32_t pixelSize_;
    int32_t stride_;
    std::vector<uint8_t> mem_;
    FrameDesc desc_;
};

// A BGRA picture whose pixel (x, y) is colour(x, y) as {b, g, r, a}.
template <class Colour>
ImageView MakePicture(uint32_t width, uint32_t height, Colour colour) {
    ImageView pic;
    if (!pic.Allocate(width, height, 4, nullptr, kFormatBGRA8, 1)) return pic;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const std::array<uint8_t, 4> c = colour(x, y);
            std::memcpy(pic.Row(y) + 4 * x, c.data(), 4);
        }
    return pic;
}

// A picture with detail in every pixel: no two neighbours alike.
inline ImageView PatternPicture(uint32_t width, uint32_t height) {
    return MakePicture(width, height, [](uint32_t x, uint32_t y) {
        return std::array<uint8_t, 4>{uint8_t(x * 7 + y * 3), uint8_t(x * 5 ^ y * 11), uint8_t(x + y * 13), 255};
    });
}

// The full-frame quad.
inline QuadFace FullFrameFace(const ImageView* front, const ImageView* back, uint32_t mirror = kMirrorVertical) {
    return QuadFace({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, front, back, mirror);
}

} // namespace svt::canvas_test
