// Pictures on the host side: an 8-bit RGBA picture in memory (rows top
// first), host frames built from it in any of the four-channel formats the
// module draws (0, 1, 3, 4) and either row order, and PNG/JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::host {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, Rgba fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    Rgba& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
    const Rgba& at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    const std::vector<Rgba>& pixels() const { return pixels_; }
    Rgba* data() { return pixels_.data(); }

    void Fill(Rgba c);
    // src over this picture at (x, y), clipped.
    void Blit(const Picture& src, int x, int y);
    // Straight-alpha "over" of one pixel, clipped.
    void Blend(int x, int y, Rgba c, float coverage = 1.0f);
    friend bool operator==(const Picture&, const Picture&) = default;

private:
    int width_ = 0, height_ = 0;
    std::vector<Rgba> pixels_;
};

// Resampled to width x height with a tent filter widened on reduction, so
// fine detail averages instead of aliasing.
Picture Resized(const Picture& src, int width, int height);

// The format names of the command line: bgra8 (0), argb8 (1), bgraf (3),
// argbf (4). False for any other name.
bool ParseFormat(const std::string& name, uint32_t* code);
const char* FormatName(uint32_t code);
int PixelSizeOf(uint32_t code); // 4, 16, or 0 for a format the host cannot build

// How a HostFrame lays out its memory, for tests that look for stray writes.
struct FrameLayout {
    bool topDown = true;       // row 0 is the top of the picture
    bool negativeStride = false;
    int rowPadding = 0;        // bytes after each row, inside the stride
    int guard = 0;             // bytes before the first and after the last row
};

// A host frame that owns its pixels. Padding and guard bytes hold a known
// pattern so that a write outside the picture can be found.
class HostFrame {
public:
    HostFrame() = default;
    // False for a size below 1, a format other than 0, 1, 3, 4, or no memory.
    bool Allocate(int width, int height, uint32_t format, const FrameLayout& layout = {});
    bool Allocate(const Picture& picture, uint32_t format, const FrameLayout& layout = {});

    // Whether Allocate(width, height, format, layout) would make this frame
    // again, so that Store alone can refill it.
    bool Holds(int width, int height, uint32_t format, const FrameLayout& layout) const;

    FrameDesc* desc() { return &desc_; }
    const FrameDesc& frame() const { return desc_; }
    int width() const { return desc_.width; }
    int height() const { return desc_.height; }

    void Store(const Picture& picture); // the picture's top-left, converted
    Picture Load() const;               // back to 8-bit RGBA (floats rounded)
    void LoadInto(Picture* p) const;    // the same, reusing p's pixels when it has this size
    // The pixel at picture position (x, y) (top row first) as stored bytes.
    const uint8_t* PixelAt(int x, int y) const;
    // Every pixel byte set to `value` (padding and guards untouched).
    void FillBytes(uint8_t value);
    bool GuardsIntact() const;
    // Exact comparison of the stored pixels (not padding), format included.
    bool SamePixels(const HostFrame& other) const;

private:
    uint8_t* RowOf(int y) const; // picture row y, top first
    std::vector<uint8_t> buffer_;
    FrameDesc desc_{};
    FrameLayout layout_{};
    int rowBytes_ = 0, stride_ = 0;
};

// The largest picture side the tool reads or renders.
constexpr int kMaxSide = 16384;
// The memory the tool allows itself: the machine's memory (or the
// TUMBLERS_MEMORY_MB environment variable, in megabytes) and the process's
// address-space limit, whichever is smaller.
double MemoryLimit();
// False, with *error naming `what` and both figures, when `bytes` will not fit.
bool FitsInMemory(double bytes, const std::string& what, std::string* error);

// PNG (libpng) or JPEG (libjpeg), chosen by the file's first bytes. False,
// with *error saying why, when the file cannot be read, is larger than
// kMaxSide or does not fit in memory. A damaged JPEG (libjpeg warns and
// fills the rest with grey) is an error unless `lenient`.
bool ReadPicture(const std::string& path, Picture* out, std::string* error, bool lenient = false);
// PNG with alpha, or JPEG (quality 92) for .jpg/.jpeg names, written to a
// temporary name in the same folder and renamed when complete.
bool WritePicture(const std::string& path, const Picture& picture, std::string* error);

} // namespace svt::host
