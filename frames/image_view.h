// The library's view of a picture: bound to host memory or to pixels it
// allocated itself.
#pragma once

#include <cstdint>

#include "library/abi.h"

namespace svt {

class MemoryAllocator;

// 48 bytes: data, size, positive stride, stride in pixels, pixel size,
// ownership, orientation, format and the allocator that owns the pixels.
struct ImageView {
    uint8_t* data = nullptr;       // lowest-addressed row
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t stride = 0;            // always positive in a bound view
    uint32_t strideInPixels = 0;
    int32_t pixelSize = 0;
    uint8_t ownsMemory = 0;
    uint8_t topDown = 0;
    uint32_t format = 0;
    MemoryAllocator* allocator = nullptr;

    ImageView() = default;
    ~ImageView() { Release(); }
    // A copy shares the pixels but never owns them.
    ImageView(const ImageView& other);
    ImageView& operator=(const ImageView& other);
    ImageView(ImageView&& other) noexcept;
    ImageView& operator=(ImageView&& other) noexcept;

    // Binds to the host frame, normalising a negative stride (the data moves
    // to the lowest-addressed row and the top-down flag is inverted). A null
    // frame leaves the view empty and returns false.
    bool BindFrame(const FrameDesc* frame);
    void BindMemory(void* pixels, uint32_t width, uint32_t height, int32_t stride, int32_t pixelSize,
                    uint32_t format, uint8_t topDown);
    // Allocates width x height pixels through `alloc` (null: the library's own
    // allocator). Pixel size 1 always gets format 6.
    bool Allocate(uint32_t width, uint32_t height, int32_t pixelSize, MemoryAllocator* alloc,
                  uint32_t format, uint8_t topDown);
    void Describe(FrameDesc* out) const;
    // Frees owned pixels through the recorded allocator and zeroes every field.
    void Release();

    bool empty() const { return data == nullptr || width == 0 || height == 0; }
    uint8_t* Row(uint32_t y) const { return data + static_cast<intptr_t>(y) * stride; }
};
static_assert(sizeof(ImageView) == 48);

} // namespace svt
