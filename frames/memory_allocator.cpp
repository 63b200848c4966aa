#include "frames/memory_allocator.h"

#include <cstdlib>
#include <new>

namespace svt {

namespace {

size_t AlignUp(size_t v, size_t a) { return (v + a - 1) / a * a; }

bool OwnPictureSizeSupported(uint32_t pixelSize) {
    return pixelSize == 1 || pixelSize == 2 || pixelSize == 3 || pixelSize == 4 || pixelSize == 16;
}

} // namespace

MemoryAllocator::MemoryAllocator(IUnknown* context) {
    if (!context) return;
    void* p = nullptr;
    if (context->QueryInterface(&IID_IHostAllocator, &p) == kOk && p)
        host_ = static_cast<IHostAllocator*>(p);
}

MemoryAllocator::~MemoryAllocator() { ReleaseAll(); }

void MemoryAllocator::ReleaseAll() {
    if (host_) {
        host_->Release();
        host_ = nullptr;
    }
}

bool MemoryAllocator::AllocateBlock(void** out, uint64_t size) {
    if (!out) return false;
    *out = nullptr;
    if (size == 0) return false;
    if (host_) {
        if (host_->AllocateBlock(out, size) != kOk || !*out) {
            *out = nullptr;
            return false;
        }
    } else {
        *out = std::malloc(size);
        if (!*out) return false;
    }
    ++liveCount_;
    return true;
}

void MemoryAllocator::FreeBlock(void* block) {
    if (!block) return;
    if (host_)
        host_->FreeBlock(block);
    else
        std::free(block);
    --liveCount_;
}

bool MemoryAllocator::AllocatePicture(void** out, uint32_t width, uint32_t height, uint32_t pixelSize,
                                      int32_t* stride) {
    if (!out) return false;
    *out = nullptr;
    if (!stride || width == 0 || height == 0 || pixelSize == 0) return false;
    if (width > 0x7FFFFFFFu / pixelSize || height > 0x7FFFFFFFu) return false;
    if (host_) {
        int32_t s = 0;
        if (host_->AllocatePicture(out, width, height, pixelSize, &s) != kOk || !*out ||
            s < static_cast<int64_t>(width) * pixelSize) {
            if (*out) host_->FreePicture(*out);
            *out = nullptr;
            return false;
        }
        *stride = s;
    } else {
        if (!OwnPictureSizeSupported(pixelSize)) return false;
        const size_t rowBytes = AlignUp(size_t(width) * pixelSize, kPictureRowAlignment);
        if (rowBytes > 0x7FFFFFFF) return false;
        void* p = ::operator new(rowBytes * height, std::align_val_t(kPictureRowAlignment), std::nothrow);
        if (!p) return false;
        *out = p;
        *stride = static_cast<int32_t>(rowBytes);
    }
    ++liveCount_;
    return true;
}

void MemoryAllocator::FreePicture(void* picture) {
    if (!picture) return;
    if (host_)
        host_->FreePicture(picture);
    else
        ::operator delete(picture, std::align_val_t(kPictureRowAlignment));
    --liveCount_;
}

namespace {
// The allocator behind a null holder: the library's own heap, no host.
MemoryAllocator& HeapAllocator() {
    static thread_local MemoryAllocator heap;
    return heap;
}
} // namespace

bool MemoryAllocator::AllocatePicture(MemoryAllocator* a, void** out, uint32_t width, uint32_t height,
                                      uint32_t pixelSize, int32_t* stride) {
    return (a ? *a : HeapAllocator()).AllocatePicture(out, width, height, pixelSize, stride);
}
void MemoryAllocator::FreePicture(MemoryAllocator* a, void* picture) {
    (a ? *a : HeapAllocator()).FreePicture(picture);
}
bool MemoryAllocator::AllocateBlock(MemoryAllocator* a, void** out, uint64_t size) {
    return (a ? *a : HeapAllocator()).AllocateBlock(out, size);
}
void MemoryAllocator::FreeBlock(MemoryAllocator* a, void* block) { (a ? *a : HeapAllocator()).FreeBlock(block); }

} // namespace svt
