// The edges of what a frame descriptor may claim, checked exactly where a
// fault would hide: one byte of stride, the last address, the lowest row.
// Formats against pixel sizes are the hostile-frame tests' part.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "frames/frame_check.h"
#include "frames/image_view.h"

namespace svt {
namespace {

FrameDesc At(uintptr_t address, int32_t w, int32_t h, int32_t stride) {
    return FrameDesc{reinterpret_cast<void*>(address), w, h, stride, 4, 0, kFormatBGRA8, 0, {}};
}

TEST(FrameCheck, StrideMustCoverARowEitherWay) {
    FrameDesc f = At(0x10000, 10, 3, 40);
    EXPECT_TRUE(DescribesPicture(&f));
    f.stride = 39;
    EXPECT_FALSE(DescribesRows(&f)) << "one byte short";
    f.stride = -40;
    EXPECT_TRUE(DescribesPicture(&f));
    f.stride = -39;
    EXPECT_FALSE(DescribesRows(&f));
    f.stride = INT32_MIN;
    EXPECT_FALSE(DescribesRows(&f));
    f = At(0x10000, 1, 1, INT32_MAX);
    EXPECT_TRUE(DescribesRows(&f)) << "padding is the host's business";
}

TEST(FrameCheck, RowsMustStayInsideTheAddressSpace) {
    // Negative stride: the lowest row starts at data - (h - 1) * |stride|.
    FrameDesc f = At(2 * 40, 10, 3, -40);
    EXPECT_TRUE(DescribesRows(&f)) << "lowest row at address 0";
    f.data = reinterpret_cast<void*>(uintptr_t(2 * 40 - 1));
    EXPECT_FALSE(DescribesRows(&f)) << "one byte below 0";
    // Positive stride: the last byte is data + (h - 1) * stride + 39.
    f = At(UINTPTR_MAX - (2 * 40 + 39), 10, 3, 40);
    EXPECT_TRUE(DescribesRows(&f)) << "last byte at the top address";
    f.data = reinterpret_cast<void*>(UINTPTR_MAX - (2 * 40 + 38));
    EXPECT_FALSE(DescribesRows(&f)) << "one byte past it";
    f = At(0x10000, INT32_MAX / 4 + 1, 1, INT32_MAX);
    EXPECT_FALSE(DescribesRows(&f)) << "a row of 2^31 bytes";
}

TEST(FrameCheck, AViewRefusesTheStrideWithoutMagnitude) {
    const FrameDesc f = At(0x10000, 4, 4, INT32_MIN);
    ImageView v;
    EXPECT_FALSE(v.BindFrame(&f));
    EXPECT_TRUE(v.empty());
    v.BindMemory(reinterpret_cast<void*>(0x10000), 4, 4, INT32_MIN, 4, kFormatBGRA8, 0);
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(v.stride, 0);
}

} // namespace
} // namespace svt
