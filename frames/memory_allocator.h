// Scratch memory for one render: from the host's IHostAllocator when the
// context offers one, from the library's own heap and picture allocator
// otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "library/abi.h"

namespace svt {

// Rows of pictures from the library's own allocator start on this boundary
// and their strides are multiples of it, so SIMD loops may use aligned loads.
inline constexpr size_t kPictureRowAlignment = 64;

class MemoryAllocator {
public:
    MemoryAllocator() = default;
    // Asks `context` for IHostAllocator; a refusal leaves the allocator on the heap.
    explicit MemoryAllocator(IUnknown* context);
    MemoryAllocator(const MemoryAllocator&) = delete;
    MemoryAllocator& operator=(const MemoryAllocator&) = delete;
    ~MemoryAllocator();

    bool AllocateBlock(void** out, uint64_t size);
    void FreeBlock(void* block);
    // Width, height and pixel size must be positive; pixel sizes 1, 2, 3, 4
    // and 16 are supported by the library's own allocator.
    bool AllocatePicture(void** out, uint32_t width, uint32_t height, uint32_t pixelSize, int32_t* stride);
    void FreePicture(void* picture);

    // Releases the host interface. Blocks still live are freed.
    void ReleaseAll();

    IHostAllocator* host() const { return host_; }
    // Blocks and pictures handed out and not yet freed.
    size_t live() const { return liveCount_; }

    // An allocator reached through a null holder behaves as one without a
    // host interface: these accept null.
    static bool AllocatePicture(MemoryAllocator* a, void** out, uint32_t width, uint32_t height,
                                uint32_t pixelSize, int32_t* stride);
    static void FreePicture(MemoryAllocator* a, void* picture);
    static bool AllocateBlock(MemoryAllocator* a, void** out, uint64_t size);
    static void FreeBlock(MemoryAllocator* a, void* block);

private:
    IHostAllocator* host_ = nullptr;
    size_t liveCount_ = 0;
};

} // namespace svt
