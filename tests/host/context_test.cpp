// The host's context and allocator. (The library's MemoryAllocator over a
// host allocator: tests/frames.)
#include "host/host_context.h"

#include <gtest/gtest.h>

#include <cstring>

namespace svt::host {
namespace {

std::vector<ParamInfo> TwoParams() {
    std::vector<ParamInfo> p(2);
    p[0].type = kParamSlider;
    p[0].defaultValue = ParamValue::Slider(0.25f);
    p[1].type = kParamChoice;
    p[1].defaultValue = ParamValue::Choice(2);
    return p;
}

TEST(HostContext, AnswersTheRightTypeCountsRefusalsAndAllocatorReferences) {
    HostContext ctx(TwoParams());
    ParamValue v{};
    ASSERT_TRUE(ctx.GetParamValue(0, &v, kParamSlider));
    EXPECT_EQ(v.AsSlider(), 0.25f);
    ctx.SetValue(1, ParamValue::Choice(1));
    ASSERT_TRUE(ctx.GetParamValue(1, &v, kParamChoice));
    EXPECT_EQ(v.AsChoice(), 1u);
    EXPECT_EQ(ctx.typeMismatches(), 0u);

    v = ParamValue::FromWords(5, 5);
    EXPECT_FALSE(ctx.GetParamValue(0, &v, kParamCheck));
    EXPECT_FALSE(ctx.GetParamValue(2, &v, kParamSlider));
    EXPECT_FALSE(ctx.GetParamValue(0, nullptr, kParamSlider));
    EXPECT_EQ(v.Word(0), 5u) << "a refused read leaves the buffer alone";
    EXPECT_EQ(ctx.typeMismatches(), 1u);
    EXPECT_EQ(ctx.refusedIndex(), 1u);

    // Its allocator is handed out counted, so that a reference the module
    // keeps shows. (A host offering none: the transitions' contract test.)
    void* p = nullptr;
    ASSERT_EQ(ctx.QueryInterface(&IID_IHostAllocator, &p), kOk);
    ASSERT_EQ(p, static_cast<IHostAllocator*>(&ctx.allocator()));
    EXPECT_EQ(ctx.allocator().outstandingReferences(), 1u);
    static_cast<IHostAllocator*>(p)->Release();
    EXPECT_EQ(ctx.allocator().outstandingReferences(), 0u);
}

TEST(HostAllocator, AlignsCountsRefusesAndFailsOnRequest) {
    HostAllocator a;
    void* pic = nullptr;
    int32_t stride = 0;
    ASSERT_EQ(a.AllocatePicture(&pic, 17, 3, 16, &stride), kOk);
    EXPECT_EQ(stride, 320) << "17·16 = 272 rounded up to 64";
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pic) % 64, 0u);
    std::memset(pic, 1, size_t(stride) * 3); // all of it is ours to use
    void* block = nullptr;
    ASSERT_EQ(a.AllocateBlock(&block, 10), kOk);
    EXPECT_EQ(a.livePictures(), 1u);
    EXPECT_EQ(a.liveBlocks(), 1u);
    a.FreeBlock(pic); // the wrong slot
    a.FreePicture(block);
    EXPECT_EQ(a.badFrees(), 2u);
    a.FreePicture(pic);
    a.FreeBlock(block);
    a.FreeBlock(block); // twice
    EXPECT_EQ(a.live(), 0u);
    EXPECT_EQ(a.badFrees(), 3u);

    void* p = reinterpret_cast<void*>(1);
    EXPECT_NE(a.AllocatePicture(&p, 0, 3, 4, &stride), kOk);
    EXPECT_EQ(p, nullptr);
    EXPECT_NE(a.AllocatePicture(&p, 3, 3, 4, nullptr), kOk);
    EXPECT_NE(a.AllocateBlock(&p, 0), kOk);
    a.FailAfter(1);
    EXPECT_EQ(a.AllocateBlock(&p, 8), kOk);
    a.FreeBlock(p);
    EXPECT_NE(a.AllocateBlock(&p, 8), kOk);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(a.live(), 0u);
}

} // namespace
} // namespace svt::host
