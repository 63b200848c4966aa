// Resize, ResizeRect and ScaleImage: sample positions, kernels, edges.

#include "tests/support/guarded_image.h"

namespace svt::test {
namespace {

TEST(Resize, AFlatImageStaysFlatUpAndDownInEveryMode) {
    ForEachKernelLevel([] {
        GuardedImage src(7, 6, kFormatBGRA8, 0);
        std::memset(src.Row(0), 200, 7 * 6 * 4);
        for (int32_t mode : {0, 1, 2}) {
            for (auto [w, h] : {std::pair{19u, 3u}, std::pair{2u, 17u}, std::pair{1u, 1u}}) {
                GuardedImage dst(w, h, kFormatBGRA8);
                ASSERT_TRUE(Resize(src.view(), dst.view(), mode));
                for (uint32_t y = 0; y < h; ++y)
                    for (uint32_t x = 0; x < w; ++x)
                        ASSERT_EQ(dst.Pixel(x, y)[2], 200) << "mode " << mode << " size " << w << "x" << h;
                GuardedImage smooth(w, h, kFormatBGRA8);
                ASSERT_TRUE(ScaleImage(src.view(), smooth.view(), 0, 0, 7, 6, 0, 0, int32_t(w), int32_t(h), kSmooth));
                EXPECT_EQ(smooth.Pixel(w - 1, h - 1)[0], 200);
            }
        }
    });
}

// Cubic and linear interpolation reproduce a linear function exactly, so
// away from the edges every output equals the ramp at its sample position
// u = (o + 0.5) * scale - 0.5: this pins the centre-to-centre mapping.
TEST(Resize, LinearAndCubicFollowARampAtCentreMappedPositions) {
    ForEachKernelLevel([] {
        GuardedImage src(16, 8, kFormatBGRAF);
        auto ramp = [](double x, double y) { return 0.01 * x + 0.1 * y; };
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 16; ++x)
                for (int c = 0; c < 4; ++c) src.FloatPixel(x, y)[c] = float(ramp(x, y));
        for (int32_t mode : {1, 2}) {
            GuardedImage dst(40, 20, kFormatBGRAF);
            ASSERT_TRUE(Resize(src.view(), dst.view(), mode));
            for (uint32_t y = 0; y < 20; ++y)
                for (uint32_t x = 0; x < 40; ++x) {
                    const double u = (x + 0.5) * 16 / 40 - 0.5, v = (y + 0.5) * 8 / 20 - 0.5;
                    if (u < 1 || u > 14 || v < 1 || v > 6) continue;
                    EXPECT_NEAR(dst.FloatPixel(x, y)[1], ramp(u, v), 2e-6) << "mode " << mode << " at " << x << "," << y;
                }
        }
    });
}

TEST(Resize, CubicOvershootIsClampedNotWrapped) {
    ForEachKernelLevel([] {
        GuardedImage src(6, 1, kFormatBGRA8), dst(30, 1, kFormatBGRA8);
        for (uint32_t x = 0; x < 6; ++x) std::memset(src.Pixel(x, 0), x < 3 ? 0 : 255, 4);
        ASSERT_TRUE(Resize(src.view(), dst.view(), kCubic));
        // Catmull-Rom rings on both sides of the step; a wrapped result would break the order
        for (uint32_t x = 1; x < 30; ++x) EXPECT_GE(dst.Pixel(x, 0)[0], dst.Pixel(x - 1, 0)[0]) << x;
        EXPECT_EQ(dst.Pixel(0, 0)[0], 0);
        EXPECT_EQ(dst.Pixel(29, 0)[0], 255);
    });
}

// The inclusive rectangle resizes as a cropped copy would: nothing outside it
// leaks in.
TEST(ResizeRect, NothingOutsideTheRectLeaksIn) {
    ForEachKernelLevel([] {
        for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
            GuardedImage src(23, 17, format), crop(13, 9, format);
            src.Randomize(21);
            const uint32_t rect[4] = {4, 5, 16, 13};
            ASSERT_TRUE(CopyRect(src.view(), 4, 5, 13, 9, crop.view(), 0, 0));
            for (int32_t mode : {0, 1, 2}) {
                for (auto [w, h] : {std::pair{31u, 20u}, std::pair{6u, 4u}}) {
                    GuardedImage a(w, h, format), b(w, h, format);
                    ASSERT_TRUE(ResizeRect(src.view(), rect, a.view(), mode));
                    ASSERT_TRUE(Resize(crop.view(), b.view(), mode));
                    EXPECT_EQ(a.bytes(), b.bytes()) << "format " << format << " mode " << mode << " " << w << "x" << h;
                }
            }
        }
    });
}

TEST(ResizeRect, RectPastTheSourceIsReducedAndReversedRectsFail) {
    GuardedImage src(8, 6, kFormatBGRA8), a(5, 5, kFormatBGRA8), b(5, 5, kFormatBGRA8);
    src.Randomize(4);
    const uint32_t past[4] = {3, 2, 100, 100}, exact[4] = {3, 2, 7, 5}, reversed[4] = {5, 2, 4, 5},
                   outside[4] = {8, 0, 9, 5};
    ASSERT_TRUE(ResizeRect(src.view(), past, a.view(), kCubic));
    ASSERT_TRUE(ResizeRect(src.view(), exact, b.view(), kCubic));
    EXPECT_EQ(a.bytes(), b.bytes());
    for (const uint32_t* bad : {reversed, outside, static_cast<const uint32_t*>(nullptr)})
        EXPECT_FALSE(ResizeRect(src.view(), bad, a.view(), kCubic));
    EXPECT_EQ(a.bytes(), b.bytes());
}

TEST(ScaleImage, SmoothShrinkAveragesTheCoveredArea) {
    ForEachKernelLevel([] {
        GuardedImage src(4, 1, kFormatBGRA8), half(2, 1, kFormatBGRA8), third(2, 1, kFormatBGRA8);
        const uint8_t v[4] = {10, 20, 30, 50};
        for (uint32_t x = 0; x < 4; ++x) std::memset(src.Pixel(x, 0), v[x], 4);
        ASSERT_TRUE(ScaleImage(src.view(), half.view(), 0, 0, 4, 1, 0, 0, 2, 1, kSmooth));
        // (10 + 20) / 2 and (30 + 50) / 2
        EXPECT_EQ(half.Bytes(0, 0, 8), (std::vector<uint8_t>{15, 15, 15, 15, 40, 40, 40, 40}));
        ASSERT_TRUE(ScaleImage(src.view(), third.view(), 0, 0, 3, 1, 0, 0, 2, 1, kSmooth));
        EXPECT_EQ(third.Pixel(0, 0)[0], 13); // (10 + 0.5 * 20) / 1.5 = 13.3
        EXPECT_EQ(third.Pixel(1, 0)[0], 27); // (0.5 * 20 + 30) / 1.5 = 26.7
    });
}

TEST(ScaleImage, DestinationRectPartlyOutsideWritesOnlyInside) {
    GuardedImage src(6, 6, kFormatBGRAF), full(12, 12, kFormatBGRAF), part(8, 8, kFormatBGRAF);
    src.Randomize(2);
    part.Randomize(3);
    const GuardedImage before(part);
    ASSERT_TRUE(ScaleImage(src.view(), full.view(), 0, 0, 6, 6, 0, 0, 12, 12, kCubic));
    ASSERT_TRUE(ScaleImage(src.view(), part.view(), 0, 0, 6, 6, -4, 2, 12, 12, kCubic));
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            const uint8_t* expected = y < 2 ? before.Pixel(x, y) : full.Pixel(x + 4, y - 2);
            EXPECT_EQ(std::memcmp(part.Pixel(x, y), expected, 16), 0) << x << "," << y;
        }
    EXPECT_TRUE(part.GuardsIntact());
}

} // namespace
} // namespace svt::test
