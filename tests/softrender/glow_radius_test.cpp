// The AVX2 glow against the scalar kernels where they part ways: the radii
// where its row kernel widens (a > 128) and its division moves to double
// (d >= 2^14), as 4K frames ask for up to 432, and the metal pass (floats on
// pictures large enough for their sheen table, brightness outside it included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "softrender/glow.h"
#include "softrender/glow_p.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::GuardedPicture;

TEST(GlowRadius, SimdEqualsScalarAcrossTheWideKernels) {
    constexpr uint32_t kW = 977, kH = 61;
    // 252: d = 127 * 127; 255: a = 128, d = 128 * 129 (16-bit sums, double
    // division); 260 and 432: 32-bit row sums; 1500: wider than the picture.
    for (uint32_t format : {kFormatBGRA8, kFormatARGB8}) {
        GuardedPicture pic(kW, kH, format);
        pic.Randomize(5 + format);
        for (int radius : {252, 255, 260, 432, 1500}) {
            std::vector<uint8_t> results[2];
            for (bool simd : {false, true}) {
                glow::UseGlowKernels(simd);
                GuardedPicture out(kW, kH, format);
                ASSERT_TRUE(TentBlur(pic.view(), out.view(), radius, nullptr));
                EXPECT_TRUE(out.GuardsIntact());
                for (uint32_t y = 0; y < kH; ++y)
                    results[simd].insert(results[simd].end(), out.Pixel(0, y), out.Pixel(0, y) + 4 * kW);
            }
            glow::UseGlowKernels(false);
            EXPECT_TRUE(results[0] == results[1]) << "format " << format << " radius " << radius;
        }
    }
}

TEST(GlowRadius, MetalSimdEqualsScalar) {
    constexpr uint32_t kW = 203, kH = 101; // over 16 * 1025 pixels: the tabulated float sheen
    for (uint32_t format : {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF}) {
        const uint32_t ps = format == kFormatBGRAF || format == kFormatARGBF ? 16 : 4;
        GuardedPicture pic(kW, kH, format);
        pic.Randomize(11 + format);
        const float odd[] = {-0.5f, 1.75f, std::nanf(""), 1.0f, 0.0f};
        for (uint32_t i = 0; ps == 16 && i < 40; ++i) pic.SetChannel(i * 37 % kW, i * 11 % kH, int(i % 4), odd[i % 5]);
        for (uint32_t colour : {0xFFFFFFu, 0x40C0FFu}) {
            std::vector<uint8_t> results[2];
            for (bool simd : {false, true}) {
                glow::UseGlowKernels(simd);
                GuardedPicture out(kW, kH, format);
                for (uint32_t y = 0; y < kH; ++y) std::memcpy(out.Pixel(0, y), pic.Pixel(0, y), ps * kW);
                ASSERT_TRUE(ApplyMetal(out.view(), 0.8f, colour));
                EXPECT_TRUE(out.GuardsIntact());
                for (uint32_t y = 0; y < kH; ++y)
                    results[simd].insert(results[simd].end(), out.Pixel(0, y), out.Pixel(0, y) + ps * kW);
            }
            glow::UseGlowKernels(false);
            EXPECT_TRUE(results[0] == results[1]) << "format " << format << " colour " << colour;
        }
    }
}

} // namespace
} // namespace svt
