// MemoryAllocator with a host (without one: every transition's contract test;
// ImageView's binding of every layout: the guard-byte tests), and the frame
// processor as a host sees it (from the loaded module).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "tests/library/loaded_module.h"

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

class LoadedFrameProcessor : public test::LoadedModule {
protected:
    void SetUp() override {
        LoadedModule::SetUp();
        if (HasFatalFailure()) return;
        library_ = NewLibrary();
        ASSERT_NE(library_, nullptr);
        fp_ = library_->CreateFrameProcessor();
        ASSERT_NE(fp_, nullptr);
    }
    void TearDown() override {
        if (fp_) {
            EXPECT_EQ(fp_->Release(), 0u); // the last reference destroys it
        }
        if (library_) library_->Release();
        LoadedModule::TearDown();
    }

    IEffectLibrary* library_ = nullptr;
    IFrameProcessor* fp_ = nullptr;
};

FrameDesc Frame(void* data, int32_t w, int32_t h, int32_t stride, uint32_t format) {
    const int32_t pixelSize = format == kFormatBGRAF ? 16 : format == kFormatGray8 ? 1 : 4;
    return FrameDesc{data, w, h, stride, pixelSize, 0, format, 1, {}};
}

TEST_F(LoadedFrameProcessor, ReversesChannelOrderInPlaceAndComposites) {
    uint8_t px[4] = {10, 20, 30, 40};
    FrameDesc f = Frame(px, 1, 1, 4, kFormatBGRA8);
    ASSERT_TRUE(fp_->SwapChannelOrder(&f, &f));
    EXPECT_EQ(std::vector<uint8_t>(px, px + 4), (std::vector<uint8_t>{40, 30, 20, 10}));

    uint8_t fg[4] = {255, 255, 255, 128}, bg[4] = {0, 0, 0, 255}, out[4] = {};
    FrameDesc ff = Frame(fg, 1, 1, 4, kFormatBGRA8), fb = Frame(bg, 1, 1, 4, kFormatBGRA8),
              fo = Frame(out, 1, 1, 4, kFormatBGRA8);
    ASSERT_TRUE(fp_->Composite(&ff, &fb, &fo, 0));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{128, 128, 128, 255}));
}

} // namespace
} // namespace svt
