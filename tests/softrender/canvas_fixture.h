// Shared by the renderer tests: screens and pictures fenced by guard bytes
// (before the first row, in each row's stride padding, after the last row),
// so that a write outside the pixels shows even where AddressSanitizer would
// not see it, and pictures for faces to show, built with the reference
// host's frames.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frames/image_view.h"
#include "geometry/quad_face.h"
#include "host/picture.h"

namespace svt::canvas_test {

using host::HostFrame;
using host::Picture;
using host::Rgba;

// Guard bytes after every row and around the whole frame.
inline HostFrame Screen(int width, int height, uint32_t format = kFormatBGRA8) {
    HostFrame f;
    f.Allocate(width, height, format, {true, false, 12, 64});
    return f;
}

template <class Colour>
Picture Paint(int width, int height, Colour colour) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.at(x, y) = colour(x, y);
    return p;
}

// A picture held as a host frame, with the view that faces show.
struct Source {
    HostFrame frame;
    ImageView view;
    explicit Source(const Picture& p) {
        frame.Allocate(p, kFormatBGRA8);
        view.BindFrame(frame.desc());
    }
};

inline QuadFace FullFrameFace(PictureSource front = kSourceFirst, PictureSource back = kSourceSecond,
                              uint32_t mirror = kMirrorVertical) {
    return QuadFace({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, front, back, mirror);
}

// Largest difference of any channel over the two frames' pixels.
inline int MaxDiff(const Picture& a, const Picture& b) {
    int most = 0;
    for (size_t i = 0; i < a.pixels().size(); ++i) {
        const Rgba p = a.pixels()[i], q = b.pixels()[i];
        for (int d : {p.r - q.r, p.g - q.g, p.b - q.b, p.a - q.a}) most = std::max(most, std::abs(d));
    }
    return most;
}

inline bool IsFloatFormat(uint32_t format) { return format == kFormatBGRAF || format == kFormatARGBF; }

// A picture in any format, held in a host frame (so guarded the same way),
// with the view the renderer's passes take.
class GuardedPicture {
public:
    GuardedPicture(uint32_t width, uint32_t height, uint32_t format, uint32_t pad = 12)
        : width_(width), height_(height), pixelSize_(IsFloatFormat(format) ? 16 : 4) {
        frame_.Allocate(int(width), int(height), format, {true, false, int(pad), 64});
        view_.BindFrame(frame_.desc());
    }
    GuardedPicture(const GuardedPicture&) = delete;
    GuardedPicture& operator=(const GuardedPicture&) = delete;

    ImageView& view() { return view_; }
    const ImageView& view() const { return view_; }
    FrameDesc* desc() { return frame_.desc(); }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    bool GuardsIntact() const { return frame_.GuardsIntact(); }
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
    // The pixel bytes, row by row, padding left out.
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out;
        for (uint32_t y = 0; y < height_; ++y) out.insert(out.end(), Pixel(0, y), Pixel(width_, y));
        return out;
    }

    // Random bytes, or floats in [0, 1], from `seed`, salted with the values
    // where arithmetic tends to break.
    void Randomize(uint32_t seed) {
        std::mt19937 rng(seed);
        static const uint8_t kByteSalt[] = {0, 1, 127, 128, 254, 255};
        static const float kFloatSalt[] = {0.0f, 1.0f, 0.5f, 1e-7f, 0.9999999f};
        for (uint32_t y = 0; y < height_; ++y)
            for (uint32_t i = 0; i < width_ * 4; ++i) {
                const uint32_t r = rng();
                if (pixelSize_ == 4)
                    Pixel(0, y)[i] = (r & 3) == 0 ? kByteSalt[(r >> 2) % 6] : static_cast<uint8_t>(r >> 8);
                else
                    SetChannel(i / 4, y, int(i % 4), (r & 7) == 0 ? kFloatSalt[(r >> 3) % 5] : float(r >> 8) * (1.0f / 16777216.0f));
            }
    }
    void Fill(const float value[4]) {
        for (uint32_t y = 0; y < height_; ++y)
            for (uint32_t x = 0; x < width_; ++x)
                for (int c = 0; c < 4; ++c) SetChannel(x, y, c, value[c]);
    }

private:
    uint32_t width_, height_;
    int32_t pixelSize_;
    HostFrame frame_;
    ImageView view_;
};

} // namespace svt::canvas_test
