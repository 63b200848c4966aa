#include "frames/frame_check.h"

#include <cstdint>

namespace svt {

namespace {

// The pixel size a format implies; 0 for codes the CPU path does not take.
int32_t PixelSizeOf(uint32_t format) {
    switch (format) {
    case kFormatBGRA8:
    case kFormatARGB8:
    case kFormatGrayF: return 4;
    case kFormatBGRAF:
    case kFormatARGBF: return 16;
    case kFormatGray8: return 1;
    default: return 0;
    }
}

bool IsFourChannel(uint32_t format) {
    return format == kFormatBGRA8 || format == kFormatARGB8 || format == kFormatBGRAF || format == kFormatARGBF;
}

} // namespace

bool DescribesRows(const FrameDesc* frame) {
    if (!frame || !frame->data || frame->width <= 0 || frame->height <= 0 || frame->pixelSize <= 0) return false;
    if (frame->stride == INT32_MIN) return false;
    const uint64_t rowBytes = uint64_t(frame->width) * uint64_t(frame->pixelSize);
    const uint64_t step = frame->stride < 0 ? uint64_t(-int64_t(frame->stride)) : uint64_t(frame->stride);
    if (rowBytes > uint64_t(INT32_MAX) || step < rowBytes) return false;
    // Both products stay below 2^62, so the sums below cannot wrap.
    const uint64_t reach = uint64_t(frame->height - 1) * step;
    const uint64_t start = reinterpret_cast<uintptr_t>(frame->data);
    if (frame->stride < 0) return reach <= start && rowBytes - 1 <= UINTPTR_MAX - start;
    return reach + rowBytes - 1 <= UINTPTR_MAX - start;
}

bool DescribesPicture(const FrameDesc* frame) {
    return DescribesRows(frame) && frame->pixelSize == PixelSizeOf(frame->format);
}

bool RenderableFrames(const FrameDesc* from, const FrameDesc* to, const FrameDesc* out) {
    return DescribesPicture(from) && DescribesPicture(to) && DescribesPicture(out) && IsFourChannel(out->format) &&
           from->format == out->format && to->format == out->format;
}

} // namespace svt
