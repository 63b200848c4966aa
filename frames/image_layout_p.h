// How the operations see a view: which kind of pixel it holds, whether it
// can be touched at all, and its rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frames/image_view.h"

namespace svt {

enum class PixelKind : uint8_t {
    kNone,     // unusable view or a format the CPU operations do not take
    kBytes4,   // codes 0 and 1
    kFloats4,  // codes 3 and 4
    kBytes1,   // any view of one byte per pixel (allocation turns these into code 6)
    kFloats1,  // code 7
};

struct PixelLayout {
    PixelKind kind = PixelKind::kNone;
    bool usable = false;   // has pixels and sane rows, whatever its format
    uint32_t alpha = 0;    // alpha's channel index in four-channel pixels
    uint32_t rowBytes = 0; // width * pixel size
};

// A view is usable when it has pixels, a positive size and pixel size, and
// rows that do not overlap (stride >= width * pixel size, unless it has a
// single row). The pixel size must be the one its format implies.
inline PixelLayout LayoutOf(const ImageView* v) {
    PixelLayout l;
    if (!v || !v->data || v->width == 0 || v->height == 0 || v->pixelSize <= 0 || v->stride < 0) return l;
    const uint64_t rowBytes = uint64_t(v->width) * uint32_t(v->pixelSize);
    if (rowBytes > 0x7FFFFFFFu) return l;
    if (v->height > 1 && uint64_t(v->stride) < rowBytes) return l;
    if (v->height > 1 && uint64_t(v->height) * uint64_t(v->stride) > uint64_t(PTRDIFF_MAX)) return l;
    l.rowBytes = static_cast<uint32_t>(rowBytes);
    l.usable = true;
    if (v->pixelSize == 1) {
        l.kind = PixelKind::kBytes1;
        return l;
    }
    switch (v->format) {
    case kFormatBGRA8:
    case kFormatARGB8:
        if (v->pixelSize == 4) l.kind = PixelKind::kBytes4;
        break;
    case kFormatBGRAF:
    case kFormatARGBF:
        if (v->pixelSize == 16) l.kind = PixelKind::kFloats4;
        break;
    case kFormatGrayF:
        if (v->pixelSize == 4) l.kind = PixelKind::kFloats1;
        break;
    default: break;
    }
    l.alpha = (v->format == kFormatARGB8 || v->format == kFormatARGBF) ? 0 : 3;
    return l;
}

inline bool IsFourChannel(PixelKind k) { return k == PixelKind::kBytes4 || k == PixelKind::kFloats4; }
inline bool IsFloat(PixelKind k) { return k == PixelKind::kFloats4 || k == PixelKind::kFloats1; }

inline uint8_t* RowOf(const ImageView* v, uint32_t y) { return v->data + ptrdiff_t(y) * v->stride; }

inline uint32_t Min2(uint32_t a, uint32_t b) { return a < b ? a : b; }

} // namespace svt
