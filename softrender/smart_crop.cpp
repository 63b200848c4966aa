#include "softrender/smart_crop.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "frames/image_ops.h"
#include "library/settings.h"

namespace svt {

namespace {

// Three times the brightness threshold 75.
constexpr int32_t kBrightSum = 225;

// Reads the three colour channels of a pixel wherever the format keeps them:
// bytes 0-2 of code 0 (blue, green, red), bytes 1-3 of code 1, floats 0-2 of
// code 3 and floats 1-3 of code 4. Floats count on the 0..255 scale.
struct BrightTest {
    uint32_t format;
    bool operator()(const uint8_t* p) const {
        switch (format) {
        case kFormatBGRA8: return p[0] + p[1] + p[2] >= kBrightSum;
        case kFormatARGB8: return p[1] + p[2] + p[3] >= kBrightSum;
        default: {
            float c[4];
            std::memcpy(c, p, 16);
            const int first = format == kFormatBGRAF ? 0 : 1;
            return (c[first] + c[first + 1] + c[first + 2]) * 255.0f >= float(kBrightSum);
        }
        }
    }
};

bool Croppable(const ImageView& v) {
    if (v.empty() || v.stride <= 0) return false;
    switch (v.format) {
    case kFormatBGRA8:
    case kFormatARGB8: return v.pixelSize == 4;
    case kFormatBGRAF:
    case kFormatARGBF: return v.pixelSize == 16;
    default: return false;
    }
}

bool RowBright(const ImageView& v, const BrightTest& bright, uint32_t y) {
    const uint8_t* p = v.Row(y);
    for (uint32_t x = 0; x < v.width; ++x, p += v.pixelSize)
        if (bright(p)) return true;
    return false;
}

} // namespace

CropRect DetectBorder(const ImageView& picture) {
    const int32_t w = int32_t(std::min<uint32_t>(picture.width, 0x7FFFFFFF));
    const int32_t h = int32_t(std::min<uint32_t>(picture.height, 0x7FFFFFFF));
    CropRect r{0, 0, w - 1, h - 1};
    if (!Croppable(picture)) return r;
    const BrightTest bright{picture.format};
    const int32_t ny = h / 20, nx = w / 20;

    for (int32_t y = 0; y < ny; ++y) {
        r.top = y - 1;
        if (RowBright(picture, bright, uint32_t(y))) break;
    }
    for (int32_t y = h - 1; y >= h - ny; --y) {
        r.bottom = y + 1;
        if (RowBright(picture, bright, uint32_t(y))) break;
    }
    // Columns: the first bright column from each side over all rows, found
    // row by row so that memory is read in order.
    int32_t firstLeft = nx, firstRight = w - 1 - nx;
    for (int32_t y = 0; y < h && nx > 0; ++y) {
        const uint8_t* row = picture.Row(uint32_t(y));
        for (int32_t x = 0; x < firstLeft; ++x)
            if (bright(row + size_t(x) * picture.pixelSize)) {
                firstLeft = x;
                break;
            }
        for (int32_t x = w - 1; x > firstRight; --x)
            if (bright(row + size_t(x) * picture.pixelSize)) {
                firstRight = x;
                break;
            }
    }
    if (nx > 0) {
        r.left = firstLeft < nx ? firstLeft - 1 : nx - 2;
        r.right = firstRight > w - 1 - nx ? firstRight + 1 : w - nx + 1;
    }
    r.top = std::max(r.top, 0);
    r.left = std::max(r.left, 0);
    r.bottom = std::min(r.bottom, h - 1);
    r.right = std::min(r.right, w - 1);
    return r;
}

float CropRamp(double progress, bool second) {
    // The thresholds and the factor are single-precision values widened
    // (0.1f, 0.9f and 1 / 0.1f), and the share is kept in single precision.
    constexpr double kFactor = 9.99999985098839;
    if (!second) return progress > 0.10000000149011612 ? 1.0f : static_cast<float>(progress * kFactor);
    return progress >= 0.8999999761581421 ? static_cast<float>((1 - progress) * kFactor) : 1.0f;
}

CropRect CropRectangle(const CropRect& r, float s, uint32_t w, uint32_t h) {
    if (s >= 1) return r;
    if (!(s > 0)) return CropRect{0, 0, int32_t(w), int32_t(h)};
    const double f = s, keep = 1 - f;
    return CropRect{static_cast<int32_t>(std::trunc(r.left * f + 0.5)),
                    static_cast<int32_t>(std::trunc(r.top * f + 0.5)),
                    static_cast<int32_t>(std::trunc(double(w) * keep + r.right * f + 0.5)),
                    static_cast<int32_t>(std::trunc(double(h) * keep + r.bottom * f + 0.5))};
}

CSmartCrop::CSmartCrop(IEffectContext* context, const FrameDesc* a, const FrameDesc* b, double progress,
                       bool cropA, bool cropB) {
    pictureA_.BindFrame(a);
    pictureB_.BindFrame(b);
    if (LibrarySettings::Instance().GetCropOverscan()) CropPictures(context, progress, cropA, cropB);
}

CSmartCrop::~CSmartCrop() {
    pictureA_.Release();
    pictureB_.Release();
}

namespace {

// Replaces `picture` by its zoomed copy; leaves it as it was on any failure.
void CropOne(ImageView& picture, double progress, bool second, MemoryAllocator& allocator) {
    if (!Croppable(picture) || picture.ownsMemory) return;
    const uint32_t w = picture.width, h = picture.height;
    CropRect r = DetectBorder(picture);
    if (r.left < 3 && r.right >= int32_t(w) - 2 && r.top < 3 && r.bottom >= int32_t(h) - 2)
        r = CropRect{0, 0, int32_t(w) - 1, int32_t(h) - 1};
    if (int64_t(r.right) - r.left + 1 >= w && int64_t(r.bottom) - r.top + 1 >= h) return;

    const float s = CropRamp(progress, second);
    const CropRect c = CropRectangle(r, s, w, h);
    const uint32_t rect[4] = {uint32_t(std::clamp(c.left, 0, int32_t(w) - 1)),
                              uint32_t(std::clamp(c.top, 0, int32_t(h) - 1)),
                              uint32_t(std::clamp(c.right, std::max(c.left, 0), int32_t(w) - 1)),
                              uint32_t(std::clamp(c.bottom, std::max(c.top, 0), int32_t(h) - 1))};
    ImageView zoomed;
    if (!zoomed.Allocate(w, h, picture.pixelSize, &allocator, picture.format, picture.topDown)) return;
    if (!ResizeRect(&picture, rect, &zoomed, kCubic)) return;
    if (s < 1) {
        // What remains of the dark border while the zoom ramps is covered by
        // the nearest inner pixels.
        const int32_t b = std::max(r.left - c.left, r.top - c.top) + 1;
        ExtendBorder(&zoomed, b, b);
    }
    picture = std::move(zoomed);
}

} // namespace

void CSmartCrop::CropPictures(IEffectContext* context, double progress, bool cropA, bool cropB) {
    // Bind the allocator to this render's host; copies it already holds keep
    // the binding they were made with.
    if (allocator_.live() == 0) {
        allocator_.~MemoryAllocator();
        new (&allocator_) MemoryAllocator(context);
    }
    if (cropA) CropOne(pictureA_, progress, false, allocator_);
    if (cropB) CropOne(pictureB_, progress, true, allocator_);
}

} // namespace svt
