// Pixel arithmetic: division by 255, alpha, blends, packed 4:2:2 and the
// float value operations. Exhaustive where the input space is small.
#include <cmath>

#include "frames/pixel_math_p.h"
#include "tests/support/guarded_image.h"

namespace svt::test {
namespace {

TEST(Div255, MultiplyShiftEqualsTruncatingDivisionOnEverySixteenBitValue) {
    for (uint32_t x = 0; x <= 0xFFFF; ++x) ASSERT_EQ(Div255(x), x / 255) << "x = " << x;
}

// Pixel (x, y) carries colour x and alpha y: every (colour, alpha) pair.
TEST(Premultiply, EveryColourAlphaPairTruncatesInBothByteOrders) {
    ForEachKernelLevel([] {
        for (uint32_t format : {kFormatBGRA8, kFormatARGB8}) {
            const uint32_t alpha = format == kFormatARGB8 ? 0 : 3;
            GuardedImage img(256, 256, format, 12);
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x)
                    for (uint32_t c = 0; c < 4; ++c) img.Pixel(x, y)[c] = uint8_t(c == alpha ? y : x);
            ASSERT_TRUE(Premultiply(img.view()));
            for (uint32_t a = 0; a < 256; ++a)
                for (uint32_t c = 0; c < 256; ++c)
                    for (uint32_t k = 0; k < 4; ++k)
                        ASSERT_EQ(img.Pixel(c, a)[k], k == alpha ? a : c * a / 255) << format << " c " << c << " a " << a;
            EXPECT_TRUE(img.GuardsIntact());
        }
    });
}

// Every (foreground alpha, background alpha) pair: F.c = x, B.c = 255 - y.
TEST(Composite, EveryAlphaPairFollowsTheOverOperatorWithTruncation) {
    ForEachKernelLevel([] {
        for (bool premultiplied : {false, true}) {
            GuardedImage fg(256, 256, kFormatBGRA8), bg(256, 256, kFormatBGRA8), out(256, 256, kFormatBGRA8);
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x) {
                    const uint8_t f[4] = {uint8_t(x), uint8_t(255 - x), uint8_t(x / 2), uint8_t(x)};
                    const uint8_t b[4] = {uint8_t(255 - y), uint8_t(y), 200, uint8_t(y)};
                    std::memcpy(fg.Pixel(x, y), f, 4);
                    std::memcpy(bg.Pixel(x, y), b, 4);
                }
            ASSERT_TRUE(Composite(fg.view(), bg.view(), out.view(), premultiplied));
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x) {
                    const uint8_t *f = fg.Pixel(x, y), *b = bg.Pixel(x, y);
                    const uint32_t a = f[3], bw = b[3] * (255 - a) / 255;
                    for (int c = 0; c < 4; ++c) {
                        const uint32_t expected = premultiplied ? b[c] * (255 - a) / 255 + f[c]
                                                  : c == 3      ? a + bw
                                                                : (f[c] * a + b[c] * bw) / 255;
                        ASSERT_EQ(out.Pixel(x, y)[c], std::min(expected, 255u))
                            << "premultiplied " << premultiplied << " x " << x << " y " << y << " c " << c;
                    }
                }
            EXPECT_TRUE(out.GuardsIntact());
        }
    });
}

// Every (A, B) pair of bytes, with weights whose integer forms are plain:
// 0.2 -> trunc(51.5) = 51, 0.6 -> trunc(153.5) = 153, 0.5 -> trunc(128.0) = 128.
TEST(WeightedBlend, EveryBytePairTruncatesAndLimitsAt255) {
    struct Case {
        float a, b;
        uint32_t wa, wb;
    };
    ForEachKernelLevel([] {
        for (Case c : {Case{0.2f, 0.6f, 51, 153}, Case{0.5f, 0.5f, 128, 128}, Case{1.0f, 0.0f, 255, 0},
                       Case{-1.0f, 7.0f, 0, 255}}) {
            GuardedImage a(256, 256, kFormatGray8, 3), b(256, 256, kFormatGray8, 5), out(256, 256, kFormatGray8, 7);
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x) *a.Pixel(x, y) = uint8_t(x), *b.Pixel(x, y) = uint8_t(y);
            ASSERT_TRUE(WeightedBlend(a.view(), b.view(), out.view(), c.a, c.b));
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x)
                    ASSERT_EQ(*out.Pixel(x, y), std::min((x * c.wa + y * c.wb) / 255, 255u))
                        << "weights " << c.a << ", " << c.b << " A " << x << " B " << y;
            EXPECT_TRUE(out.GuardsIntact());
        }
    });
}

TEST(WeightedBlend, FloatWeightsClampAtOneAndLimitOnlyWhenTheyExceedIt) {
    ForEachKernelLevel([] {
        GuardedImage a(5, 2, kFormatBGRAF), b(5, 2, kFormatBGRAF), out(5, 2, kFormatBGRAF);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 5; ++x)
                for (int c = 0; c < 4; ++c) a.FloatPixel(x, y)[c] = 1.0f, b.FloatPixel(x, y)[c] = 2.0f;
        ASSERT_TRUE(WeightedBlend(a.view(), b.view(), out.view(), 0.25f, 0.5f));
        EXPECT_EQ(out.FloatPixel(4, 1)[2], 1.25f); // 1 * 0.25 + 2 * 0.5; weights sum to 0.75: no limit
        ASSERT_TRUE(WeightedBlend(a.view(), b.view(), out.view(), 0.75f, 0.5f));
        EXPECT_EQ(out.FloatPixel(4, 1)[2], 1.0f); // 1.75 limited because 0.75 + 0.5 > 1
        ASSERT_TRUE(WeightedBlend(a.view(), b.view(), out.view(), 3.0f, 0.0f));
        EXPECT_EQ(out.FloatPixel(0, 0)[0], 1.0f); // weight 3 clamps to 1
    });
    // Byte and float images of equal pixel size do not mix.
    GuardedImage a(4, 4, kFormatBGRA8), b(4, 4, kFormatGrayF), out(4, 4, kFormatBGRA8);
    const auto before = out.bytes();
    EXPECT_FALSE(WeightedBlend(a.view(), b.view(), out.view(), 0.5f, 0.5f));
    EXPECT_EQ(out.bytes(), before);
}

// Packed 4:2:2 frames here have 2 bytes per pixel.
GuardedImage Packed(uint32_t w, uint32_t h = 1) { return GuardedImage(w, h, kFormatGray8, 6, false, 2); }

TEST(YUV422, OddWidthWritesOnlyYAndUOfTheLastPixelAndWidthOneFails) {
    GuardedImage rgb(3, 2, kFormatBGRA8), packed = Packed(3, 2), back(3, 2, kFormatBGRA8);
    rgb.Randomize(7);
    ASSERT_TRUE(PackYUV422(rgb.view(), packed.view()));
    EXPECT_TRUE(packed.GuardsIntact()); // 6 bytes per row, not 8
    ASSERT_TRUE(UnpackYUV422(packed.view(), back.view(), 255));
    EXPECT_TRUE(back.GuardsIntact());

    GuardedImage one(1, 1, kFormatBGRA8), onePacked = Packed(1);
    const auto before = onePacked.bytes();
    EXPECT_FALSE(PackYUV422(one.view(), onePacked.view()));
    EXPECT_EQ(onePacked.bytes(), before);
}

TEST(FloatValues, SqrtOfNegativeIsNaNSquareUndoesItAndClampBelowPerChannel) {
    ForEachKernelLevel([] {
        GuardedImage img(3, 1, kFormatBGRAF);
        const float v[12] = {-1.0f, 0.0f, 0.25f, 4.0f, 1.0f, 0.0f, -0.0f, 9.0f, 0.5f, 0.5f, 0.5f, 0.5f};
        std::memcpy(img.Row(0), v, sizeof v);
        ASSERT_TRUE(SqrtValues(img.view()));
        const float* r = img.FloatPixel(0, 0);
        EXPECT_TRUE(std::isnan(r[0]));
        EXPECT_EQ(r[1], 0.0f);
        EXPECT_EQ(r[2], 0.5f);
        EXPECT_EQ(r[3], 2.0f);
        EXPECT_EQ(r[7], 3.0f);
        ASSERT_TRUE(SquareValues(img.view()));
        EXPECT_EQ(r[2], 0.25f);
        EXPECT_EQ(r[3], 4.0f);

        GuardedImage argb(5, 2, kFormatARGBF);
        for (uint32_t x = 0; x < 5; ++x)
            for (int c = 0; c < 8; ++c) argb.FloatPixel(x, c / 4)[c % 4] = 0.1f * float(x);
        const float t[4] = {0.0f, 0.15f, 0.25f, 1.0f};
        ASSERT_TRUE(ClampBelow(argb.view(), t));
        const float expected[4] = {0.2f, 0.2f, 0.25f, 1.0f}; // every channel 0.2 before
        EXPECT_EQ(std::memcmp(argb.FloatPixel(2, 1), expected, 16), 0);
        EXPECT_TRUE(argb.GuardsIntact());
    });
    GuardedImage bytes(2, 2, kFormatBGRA8);
    const float t[4] = {};
    EXPECT_FALSE(SqrtValues(bytes.view()) || SquareValues(bytes.view()) || ClampBelow(bytes.view(), t));
}

TEST(YCbCr, WhiteAndBlackLandOnStudioLevelsAndTheRoundTripIsClose) {
    GuardedImage rgb(2, 1, kFormatBGRAF), ycc(2, 1, kFormatBGRAF), back(2, 1, kFormatBGRAF);
    const float px[8] = {1, 1, 1, 0.5f, 0, 0, 0, 1};
    std::memcpy(rgb.Row(0), px, sizeof px);
    ASSERT_TRUE(RGBToYCbCr(rgb.view(), ycc.view()));
    // memory order Cr, Cb, Y, A: white Y = 0.858824 + 0.0627451 = 235/255, chroma centred
    const float* white = ycc.FloatPixel(0, 0);
    EXPECT_NEAR(white[2], 235.0f / 255.0f, 1e-5f);
    EXPECT_NEAR(white[1], 0.5f, 1e-5f);
    EXPECT_NEAR(white[0], 0.5f, 1e-5f);
    EXPECT_EQ(white[3], 0.5f);
    EXPECT_NEAR(ycc.FloatPixel(1, 0)[2], 16.0f / 255.0f, 1e-6f);

    rgb.Randomize(3);
    ASSERT_TRUE(RGBToYCbCr(rgb.view(), ycc.view()));
    ASSERT_TRUE(YCbCrToRGB(ycc.view(), back.view()));
    for (int c = 0; c < 8; ++c) EXPECT_NEAR(back.FloatPixel(0, 0)[c], rgb.FloatPixel(0, 0)[c], 2e-3f);
}

} // namespace
} // namespace svt::test
