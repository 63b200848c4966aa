// The AVX2 glow against the scalar kernels at the radii where its row
// kernel widens (a > 128) and its division moves to double (d >= 2^14):
// 4K frames ask for radii up to 432.
#include <gtest/gtest.h>

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

} // namespace
} // namespace svt
