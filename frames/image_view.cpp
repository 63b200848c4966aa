#include "frames/image_view.h"

#include <climits>
#include <cstdlib>
#include <utility>

#include "frames/memory_allocator.h"

namespace svt {

ImageView::ImageView(const ImageView& other)
    : data(other.data), width(other.width), height(other.height), stride(other.stride),
      strideInPixels(other.strideInPixels), pixelSize(other.pixelSize), ownsMemory(0),
      topDown(other.topDown), format(other.format), allocator(nullptr) {}

ImageView& ImageView::operator=(const ImageView& other) {
    if (this != &other) {
        Release();
        ImageView copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ImageView::ImageView(ImageView&& other) noexcept
    : data(other.data), width(other.width), height(other.height), stride(other.stride),
      strideInPixels(other.strideInPixels), pixelSize(other.pixelSize), ownsMemory(other.ownsMemory),
      topDown(other.topDown), format(other.format), allocator(other.allocator) {
    other.ownsMemory = 0;
    other.Release();
}

ImageView& ImageView::operator=(ImageView&& other) noexcept {
    if (this != &other) {
        Release();
        data = other.data;
        width = other.width;
        height = other.height;
        stride = other.stride;
        strideInPixels = other.strideInPixels;
        pixelSize = other.pixelSize;
        ownsMemory = other.ownsMemory;
        topDown = other.topDown;
        format = other.format;
        allocator = other.allocator;
        other.ownsMemory = 0;
        other.Release();
    }
    return *this;
}

bool ImageView::BindFrame(const FrameDesc* frame) {
    Release();
    if (!frame) return false;
    // INT32_MIN has no positive counterpart: no picture has such rows.
    if (frame->width < 0 || frame->height < 0 || frame->stride == INT32_MIN) return false;
    BindMemory(frame->data, static_cast<uint32_t>(frame->width), static_cast<uint32_t>(frame->height),
               frame->stride, frame->pixelSize, frame->format, frame->topDown);
    return true;
}

void ImageView::BindMemory(void* pixels, uint32_t w, uint32_t h, int32_t s, int32_t ps, uint32_t fmt,
                           uint8_t td) {
    Release();
    data = static_cast<uint8_t*>(pixels);
    width = w;
    height = h;
    pixelSize = ps;
    format = fmt;
    topDown = td ? 1 : 0;
    if (s == INT32_MIN) {
        Release(); // rows no stride can describe: an empty view
        return;
    }
    if (s < 0) {
        // Normalise to the lowest-addressed row; reading upward flips the
        // orientation. Address arithmetic in integers: a descriptor that
        // reaches below address zero must not be undefined behaviour before
        // the caller gets to refuse it.
        if (data && h > 0)
            data = reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(data) -
                                              uintptr_t(h - 1) * uintptr_t(-int64_t(s)));
        stride = -s;
        topDown = topDown ? 0 : 1;
    } else {
        stride = s;
    }
    strideInPixels = ps > 0 ? static_cast<uint32_t>(stride / ps) : 0;
}

bool ImageView::Allocate(uint32_t w, uint32_t h, int32_t ps, MemoryAllocator* alloc, uint32_t fmt, uint8_t td) {
    Release();
    if (w == 0 || h == 0 || ps <= 0) return false;
    void* p = nullptr;
    int32_t s = 0;
    if (!MemoryAllocator::AllocatePicture(alloc, &p, w, h, static_cast<uint32_t>(ps), &s)) return false;
    BindMemory(p, w, h, s, ps, ps == 1 ? kFormatGray8 : fmt, td);
    ownsMemory = 1;
    allocator = alloc;
    return true;
}

void ImageView::Describe(FrameDesc* out) const {
    if (!out) return;
    *out = FrameDesc{};
    out->data = data;
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->stride = stride;
    out->pixelSize = pixelSize;
    out->format = format;
    out->topDown = topDown;
}

void ImageView::Release() {
    if (ownsMemory && data) MemoryAllocator::FreePicture(allocator, data);
    data = nullptr;
    width = height = 0;
    stride = 0;
    strideInPixels = 0;
    pixelSize = 0;
    ownsMemory = 0;
    topDown = 0;
    format = 0;
    allocator = nullptr;
}

} // namespace svt
