// Copies, flips, channel operations, border extension and the failure rules
// they all share. (The channel-order reversal: the frame processor's test in
// tests/hardening, the SIMD test, and the GPU agreement on reversed formats;
// the channel operations' guard bytes: the SIMD test.)
#include <algorithm>
#include <cstring>
#include <functional>

#include "tests/support/guarded_image.h"

namespace svt::test {
namespace {

using Px = std::vector<uint8_t>;

// Every pixel of a one-byte image holds a value naming its position.
void Number(GuardedImage& img) {
    for (uint32_t y = 0; y < img.height(); ++y)
        for (uint32_t x = 0; x < img.width(); ++x) *img.Pixel(x, y) = uint8_t(y * 16 + x);
}

TEST(CopyRect, ClampsTheRectMovesWithinOneImageAndNeedsEqualPixelSizes) {
    GuardedImage src(6, 4, kFormatGray8), dst(8, 5, kFormatGray8);
    Number(src);
    const uint8_t untouched = *dst.Pixel(7, 2);
    ASSERT_TRUE(CopyRect(src.view(), -5, 1, 100, 2, dst.view(), 1, 2));
    // x = -5 -> 0 with w unchanged, then w reduced to 6 - 0 and to 8 - 1: six columns of rows 1, 2
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 6; ++x) EXPECT_EQ(*dst.Pixel(1 + x, 2 + y), (1 + y) * 16 + x) << x << "," << y;
    EXPECT_EQ(*dst.Pixel(7, 2), untouched);
    EXPECT_TRUE(dst.GuardsIntact());

    const auto before = dst.bytes();
    EXPECT_TRUE(CopyRect(src.view(), 0, 0, 0, 4, dst.view(), 0, 0));
    EXPECT_TRUE(CopyRect(src.view(), 6, 0, 4, 4, dst.view(), 0, 0)); // x clamps to the width: nothing left
    EXPECT_EQ(dst.bytes(), before);
    GuardedImage bgra(4, 4, kFormatBGRA8);
    EXPECT_FALSE(CopyRect(bgra.view(), 0, 0, 4, 4, dst.view(), 0, 0));

    GuardedImage img(8, 8, kFormatGray8);
    Number(img);
    ImageView alias = *img.view();
    ASSERT_TRUE(CopyRect(img.view(), 0, 0, 6, 6, &alias, 2, 2));
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x) ASSERT_EQ(*img.Pixel(x + 2, y + 2), y * 16 + x);
}

TEST(CopyImage, CopiesTheOverlapOfEveryFormatAndNothingElse) {
    for (uint32_t format : {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF, kFormatGray8, kFormatGrayF}) {
        GuardedImage src(5, 7, format, 4, true), dst(7, 3, format, 12);
        src.Randomize(format);
        ASSERT_TRUE(CopyImage(src.view(), dst.view())) << format;
        for (uint32_t y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(dst.Row(y), src.Row(y), 5 * PixelSizeOf(format)), 0);
        EXPECT_TRUE(dst.GuardsIntact()) << format;
    }
}

TEST(Channels, SwapSetCopyAndInvertTouchOnlyTheirChannels) {
    ForEachKernelLevel([] {
        // SwapChannels: channel i becomes old channel order[i].
        GuardedImage img(2, 1, kFormatBGRA8);
        std::memcpy(img.Row(0), Px{10, 20, 30, 40, 1, 2, 3, 4}.data(), 8);
        const uint32_t order[4] = {2, 2, 0, 3}, bad[4] = {0, 1, 2, 4};
        ASSERT_TRUE(SwapChannels(img.view(), order));
        EXPECT_EQ(img.Bytes(0, 0, 8), (Px{30, 30, 10, 40, 3, 3, 1, 4}));
        EXPECT_FALSE(SwapChannels(img.view(), bad));
        EXPECT_FALSE(SwapChannels(img.view(), nullptr));

        // SetChannel: bytes take the value, floats its fraction.
        GuardedImage b(3, 2, kFormatBGRA8), f(3, 2, kFormatBGRAF), g(3, 2, kFormatGray8);
        ASSERT_TRUE(SetChannel(b.view(), 1, 200));
        ASSERT_TRUE(SetChannel(f.view(), 3, 51));
        EXPECT_EQ(b.Pixel(2, 1)[1], 200);
        EXPECT_EQ(f.FloatPixel(2, 1)[3], 51.0f * (1.0f / 255.0f));
        EXPECT_FALSE(SetChannel(b.view(), 4, 0));
        EXPECT_FALSE(SetChannel(g.view(), 0, 0));

        // CopyChannel between four- and one-channel images.
        GuardedImage src(3, 2, kFormatBGRA8), dst(3, 2, kFormatBGRA8), gray(3, 2, kFormatGray8);
        src.Randomize(4);
        dst.Randomize(5);
        const GuardedImage before(dst);
        ASSERT_TRUE(CopyChannel(src.view(), dst.view(), 2, 0));
        for (uint32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(dst.Pixel(x, 1)[0], src.Pixel(x, 1)[2]);
            EXPECT_EQ(std::memcmp(dst.Pixel(x, 1) + 1, before.Pixel(x, 1) + 1, 3), 0);
        }
        ASSERT_TRUE(CopyChannel(src.view(), gray.view(), 3, 0));
        EXPECT_EQ(*gray.Pixel(2, 0), src.Pixel(2, 0)[3]);
        ASSERT_TRUE(CopyChannel(gray.view(), dst.view(), 0, 1));
        EXPECT_EQ(dst.Pixel(2, 0)[1], src.Pixel(2, 0)[3]);
        GuardedImage fsrc(3, 1, kFormatBGRAF), fgray(3, 1, kFormatGrayF);
        fsrc.Randomize(6);
        ASSERT_TRUE(CopyChannel(fsrc.view(), fgray.view(), 1, 0));
        EXPECT_EQ(*fgray.FloatPixel(1, 0), fsrc.FloatPixel(1, 0)[1]);
        EXPECT_FALSE(CopyChannel(src.view(), fgray.view(), 0, 0)); // bytes into floats

        // InvertChannel: one channel, or every value of a one-channel image.
        GuardedImage argb(3, 2, kFormatARGB8), g5(5, 2, kFormatGray8, 3), gf(2, 1, kFormatGrayF);
        for (uint32_t x = 0; x < 3; ++x) std::memcpy(argb.Pixel(x, 0), Px{0, 1, 128, 255}.data(), 4);
        ASSERT_TRUE(InvertChannel(argb.view(), 2));
        EXPECT_EQ(argb.Bytes(1, 0, 4), (Px{0, 1, 127, 255}));
        Number(g5);
        ASSERT_TRUE(InvertChannel(g5.view(), 0));
        EXPECT_EQ(*g5.Pixel(4, 1), 255 - (16 + 4));
        *gf.FloatPixel(0, 0) = 0.25f;
        ASSERT_TRUE(InvertChannel(gf.view(), 0));
        EXPECT_EQ(*gf.FloatPixel(0, 0), 0.75f);
        const auto unchanged = argb.bytes();
        EXPECT_FALSE(InvertChannel(argb.view(), 4));
        EXPECT_EQ(argb.bytes(), unchanged);
    });
}

TEST(ExtendBorder, RepeatsTheInnerBlockOnEveryPixelSizeAndRefusesAnEmptyInner) {
    GuardedImage img(6, 6, kFormatGray8);
    Number(img);
    ASSERT_TRUE(ExtendBorder(img.view(), 2, 2));
    // inner block: (2,2)=34 (3,2)=35 (2,3)=50 (3,3)=51; every pixel takes the nearest of them
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x) EXPECT_EQ(*img.Pixel(x, y), (y < 3 ? 32 : 48) + (x < 3 ? 2 : 3)) << x << "," << y;
    EXPECT_TRUE(img.GuardsIntact());

    for (uint32_t format : {kFormatBGRA8, kFormatARGBF, kFormatGrayF}) {
        // Five border pixels a side: a run of four and one more.
        GuardedImage img(11, 5, format, 4);
        img.Randomize(format);
        const GuardedImage before(img);
        ASSERT_TRUE(ExtendBorder(img.view(), 5, 1));
        const size_t ps = size_t(PixelSizeOf(format));
        // the only inner column is 5; every pixel is the nearest inner one as it was
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 11; ++x)
                EXPECT_EQ(std::memcmp(img.Pixel(x, y), before.Pixel(5, std::clamp(y, 1u, 3u)), ps), 0)
                    << format << " " << x << "," << y;
        EXPECT_TRUE(img.GuardsIntact());
        const auto after = img.bytes();
        EXPECT_FALSE(ExtendBorder(img.view(), 6, 1));
        EXPECT_FALSE(ExtendBorder(img.view(), 0, 3));
        EXPECT_FALSE(ExtendBorder(img.view(), -1, 0));
        EXPECT_EQ(img.bytes(), after);
    }
}

// A bad input leaves the destination exactly as it was.
TEST(FailureRules, BadImagesAreRefusedAndTheDestinationStaysUntouched) {
    GuardedImage good(4, 3, kFormatBGRA8), dst(4, 3, kFormatBGRA8), argb(4, 3, kFormatARGB8);
    good.Randomize(9);
    dst.Randomize(10);
    const auto before = dst.bytes();

    ImageView nullPixels = *good.view(), zeroWidth = nullPixels, gpuFormat = nullPixels, wrongSize = nullPixels,
              overlappingRows = nullPixels;
    nullPixels.data = nullptr;
    zeroWidth.width = 0;
    gpuFormat.format = kFormatGPU8;
    wrongSize.format = kFormatBGRAF; // 16-byte format on 4-byte pixels
    overlappingRows.stride = 8;
    GuardedImage floats(4, 3, kFormatBGRAF);

    const uint32_t rect[4] = {0, 0, 3, 2};
    using Op = std::function<bool(const ImageView*)>;
    const std::pair<const char*, Op> ops[] = {
        {"CopyImage", [&](const ImageView* s) { return CopyImage(s, dst.view()); }},
        {"CopyRect", [&](const ImageView* s) { return CopyRect(s, 0, 0, 4, 3, dst.view(), 0, 0); }},
        {"SwapChannelOrder", [&](const ImageView* s) { return SwapChannelOrder(s, dst.view()); }},
        {"Composite", [&](const ImageView* s) { return Composite(s, good.view(), dst.view(), false); }},
        {"WeightedBlend", [&](const ImageView* s) { return WeightedBlend(good.view(), s, dst.view(), 1, 1); }},
        {"CopyChannel", [&](const ImageView* s) { return CopyChannel(s, dst.view(), 0, 0); }},
        {"Resize", [&](const ImageView* s) { return Resize(s, dst.view(), 2); }},
        {"ResizeRect", [&](const ImageView* s) { return ResizeRect(s, rect, dst.view(), 2); }},
        {"ScaleImage", [&](const ImageView* s) { return ScaleImage(s, dst.view(), 0, 0, 4, 3, 0, 0, 4, 3, 3); }},
        {"PackYUV422", [&](const ImageView* s) { return PackYUV422(s, dst.view()); }},
    };
    for (const auto& [name, op] : ops) {
        for (const ImageView* bad : std::initializer_list<const ImageView*>{
                 nullptr, &nullPixels, &zeroWidth, &gpuFormat, &wrongSize, &overlappingRows, floats.view()}) {
            EXPECT_FALSE(op(bad)) << name << " with bad input " << bad;
            ASSERT_EQ(dst.bytes(), before) << name;
        }
    }
    EXPECT_FALSE(Composite(good.view(), argb.view(), dst.view(), true)); // one format for all three
    EXPECT_EQ(dst.bytes(), before);
    EXPECT_FALSE(Premultiply(&gpuFormat));
    EXPECT_FALSE(FlipRows(nullptr));
    EXPECT_FALSE(ExtendBorder(&nullPixels, 1, 1));
}

} // namespace
} // namespace svt::test
