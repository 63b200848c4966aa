// MemoryAllocator with a host. (Without one: every transition's contract
// test; ImageView's binding of every layout: the guard-byte tests; the frame
// processor as a host sees it: tests/hardening.)
#include <gtest/gtest.h>

#include <cstdlib>

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "library/abi.h"

namespace svt {
namespace {

// A host allocator that counts what it is asked for.
class CountingHost final : public IHostAllocator {
public:
    int refs = 1, blocks = 0, pictures = 0;
    int32_t strideShortfall = 0; // reports a stride this much too small

    Result QueryInterface(const GUID* iid, void** out) override {
        *out = *iid == IID_IHostAllocator ? this : nullptr;
        if (!*out) return kNoInterface;
        AddRef();
        return kOk;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    Result AllocateBlock(void** out, uint64_t size) override {
        *out = std::malloc(size);
        ++blocks;
        return kOk;
    }
    void FreeBlock(void* block) override { std::free(block), --blocks; }
    Result AllocatePicture(void** out, uint32_t width, uint32_t height, uint32_t pixelSize, int32_t* stride) override {
        *stride = int32_t(width * pixelSize + 12) - strideShortfall;
        *out = std::malloc(size_t(width * pixelSize + 12) * height);
        ++pictures;
        return kOk;
    }
    void FreePicture(void* picture) override { std::free(picture), --pictures; }
};

TEST(MemoryAllocator, HostAllocatorServesPicturesAndBlocksAndGetsThemAllBack) {
    CountingHost host;
    {
        MemoryAllocator alloc(&host);
        ASSERT_EQ(alloc.host(), &host);
        EXPECT_EQ(host.refs, 2);
        ImageView v;
        ASSERT_TRUE(v.Allocate(10, 4, 16, &alloc, kFormatBGRAF, 1));
        EXPECT_EQ(host.pictures, 1);
        EXPECT_EQ(v.stride, 10 * 16 + 12); // the host's stride
        void* block = nullptr;
        ASSERT_TRUE(alloc.AllocateBlock(&block, 100));
        EXPECT_EQ(host.blocks, 1);
        alloc.FreeBlock(block);
        v.Release();
        EXPECT_EQ(host.pictures + host.blocks, 0);
        EXPECT_EQ(alloc.live(), 0u);

        // A stride below the row is refused and the picture given back.
        host.strideShortfall = 13;
        EXPECT_FALSE(v.Allocate(10, 4, 4, &alloc, kFormatBGRA8, 1));
        EXPECT_TRUE(v.empty());
        EXPECT_EQ(host.pictures, 0);
    }
    EXPECT_EQ(host.refs, 1); // the allocator released its reference
}

} // namespace
} // namespace svt
