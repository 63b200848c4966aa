#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "frames/image_ops.h"
#include "host/host_context.h"
#include "softrender/glow.h"
#include "softrender/glow_p.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::GuardedPicture;
using test::IsFloatFormat;

template <typename Fn>
void ForEachGlowLevel(Fn fn) {
    for (bool simd : {false, true}) {
        glow::UseGlowKernels(simd);
        SCOPED_TRACE(simd ? "simd" : "scalar");
        fn();
    }
    glow::UseGlowKernels(false);
}

// The blur the way the algorithm states it, independent of the running
// sums: the picture copied into a margin of n, its border repeated from
// half + 2 in, direct tent sums along rows into a second padded image whose
// border is repeated the same way, then direct sums along columns. 8-bit sums
// are divided with rounding to nearest; float weights are divided by their sum.
std::vector<float> LiteralBlur(const ImageView& pic, int radius) {
    const int n = radius + 1, half = n / 2, w = int(pic.width), h = int(pic.height);
    const bool isFloat = IsFloatFormat(pic.format);
    std::vector<int> weight(n);
    int total = 0;
    for (int i = 0; i < n; ++i) total += weight[i] = i < (n + 1) / 2 ? i + 1 : n - i;
    ImageView p1, p2;
    EXPECT_TRUE(p1.Allocate(w + n, h + n, pic.pixelSize, nullptr, pic.format, 1));
    EXPECT_TRUE(p2.Allocate(w + n, h + n, pic.pixelSize, nullptr, pic.format, 1));
    for (uint32_t y = 0; y < p2.height; ++y) std::memset(p2.Row(y), 0, size_t(p2.width) * p2.pixelSize);
    EXPECT_TRUE(CopyRect(&pic, 0, 0, w, h, &p1, half, half));
    EXPECT_TRUE(ExtendBorder(&p1, half + 2, half + 2));
    auto get = [&](const ImageView& v, int x, int y, int c) -> float {
        if (!isFloat) return v.Row(y)[4 * x + c];
        float f;
        std::memcpy(&f, v.Row(y) + 16 * x + 4 * c, 4);
        return f;
    };
    auto filter = [&](auto at) -> float { // at(i): the input under tap i
        if (isFloat) {
            float s = 0;
            for (int i = 0; i < n; ++i) s += float(weight[i]) / float(total) * at(i);
            return s;
        }
        int s = 0;
        for (int i = 0; i < n; ++i) s += weight[i] * int(at(i));
        return float((s + total / 2) / total);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                const float v = filter([&](int i) { return get(p1, x + 2 * half - i, half + y, c); });
                if (isFloat)
                    std::memcpy(p2.Row(half + y) + 16 * (half + x) + 4 * c, &v, 4);
                else
                    p2.Row(half + y)[4 * (half + x) + c] = uint8_t(v);
            }
    EXPECT_TRUE(ExtendBorder(&p2, half + 2, half + 2));
    std::vector<float> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) out.push_back(filter([&](int j) { return get(p2, half + x, y + 2 * half - j, c); }));
    return out;
}

std::vector<float> Values(const GuardedPicture& p) {
    std::vector<float> out;
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x)
            for (int c = 0; c < 4; ++c) out.push_back(p.Channel(x, y, c));
    return out;
}

// Blur __________________________________________________________________________

TEST(Glow, RunningSumsEqualTheDirectTent) {
    // Odd and even tap counts; for 8 bits radius 216 (d = 109 * 109) and 253
    // (d = 127 * 128, the largest) divide in single precision, 300 (d = 151 * 151) in double.
    struct Size {
        uint32_t w, h;
    };
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        SCOPED_TRACE(format);
        for (Size size : {Size{23, 17}, Size{6, 5}, Size{40, 9}}) {
            GuardedPicture pic(size.w, size.h, format);
            pic.Randomize(size.w * 31 + format);
            for (int radius : {0, 1, 2, 3, 4, 7, 8, 13, 30, 216, 253, 300}) {
                SCOPED_TRACE(radius);
                const std::vector<float> expected = LiteralBlur(pic.view(), radius);
                ForEachGlowLevel([&] {
                    GuardedPicture out(size.w, size.h, format);
                    ASSERT_TRUE(TentBlur(pic.view(), out.view(), radius, nullptr));
                    EXPECT_TRUE(out.GuardsIntact());
                    const std::vector<float> got = Values(out);
                    for (size_t i = 0; i < got.size(); ++i)
                        ASSERT_NEAR(expected[i], got[i], IsFloatFormat(format) ? 2e-6 : 0)
                            << "pixel " << i / 4 % size.w << "," << i / 4 / size.w << " channel " << i % 4;
                });
            }
        }
    }
}

TEST(Glow, SimdPassesEqualScalarOnBigPictures) {
    // Exact for every format: integer sums in 8 bits, the same double
    // operations in the same order for floats. Beyond the usual radii, those
    // where the AVX2 division moves to double (d >= 2^14 from 255) and the
    // row and column kernels leave 16-bit sums (a > 128: 260, 432, as 4K
    // frames ask for) and one wider than the picture; the blur alone, then
    // the glow and the metal pass (large enough for its sheen table, with
    // float brightness outside [0, 1] and NaN salted in before it), then the
    // look on parts of the picture (rows in batches of eight and a rest,
    // column pieces off the eight-pixel grid, alpha left out of the sums).
    constexpr uint32_t kW = 301, kH = 157;
    for (uint32_t format : {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF}) {
        SCOPED_TRACE(format);
        GuardedPicture pic(kW, kH, format);
        pic.Randomize(17);
        for (int radius : {5, 64, 216, 252, 255, 260, 432, 1500}) {
            SCOPED_TRACE(radius);
            std::vector<uint8_t> ref[3];
            ForEachGlowLevel([&] {
                GuardedPicture blurred(kW, kH, format), out(kW, kH, format);
                ASSERT_TRUE(TentBlur(pic.view(), blurred.view(), radius, nullptr));
                for (uint32_t y = 0; y < kH; ++y)
                    std::memcpy(out.Pixel(0, y), pic.Pixel(0, y), kW * (IsFloatFormat(format) ? 16 : 4));
                ASSERT_TRUE(ApplyGlow(out.view(), radius, 0.6f, 0x40C0FF, nullptr));
                const float odd[] = {-0.5f, 1.75f, std::nanf(""), 1.0f, 0.0f};
                for (uint32_t i = 0; IsFloatFormat(format) && i < 40; ++i)
                    out.SetChannel(i * 37 % kW, i * 11 % kH, int(i % 4), odd[i % 5]);
                ASSERT_TRUE(ApplyMetal(out.view(), 0.8f, radius % 2 ? 0x40C0FF : 0xFFFFFF)); // grey or not
                EXPECT_TRUE(blurred.GuardsIntact() && out.GuardsIntact());
                if (ref[0].empty()) {
                    ref[0] = blurred.bytes();
                    ref[1] = out.bytes();
                }
                EXPECT_TRUE(ref[0] == blurred.bytes());
                EXPECT_TRUE(ref[1] == out.bytes());
                // The look on a few parts alone (overlapping, touching the
                // edges, reaching past them): the same pixels there, none
                // written elsewhere.
                const IntRect parts[] = {{7, 40, 60, 50}, {50, 60, 200, 10}, {290, 100, 30, 20}, {-5, 150, 12, 20}};
                // Float brightness below 0 here and there sends the metal
                // back to the scalar kernel.
                GuardedPicture salted(pic), some(kW, kH, format), whole(kW, kH, format);
                for (uint32_t i = 0; IsFloatFormat(format) && i < 240; ++i)
                    salted.SetChannel(i / 4 * 37 % kW, i / 4 * 13 % kH, int(i % 4), -4.0f);
                const GuardedPicture fresh(some);
                ASSERT_TRUE(ApplyLook(salted.view(), some.view(), radius, 0.6f, 0.5f, 0x40C0FF, nullptr, parts, 4));
                ASSERT_TRUE(ApplyLook(salted.view(), whole.view(), radius, 0.6f, 0.5f, 0x40C0FF, nullptr));
                EXPECT_TRUE(some.GuardsIntact());
                if (ref[2].empty()) ref[2] = some.bytes();
                EXPECT_TRUE(ref[2] == some.bytes());
                const size_t ps = IsFloatFormat(format) ? 16 : 4;
                for (uint32_t y = 0; y < kH; ++y)
                    for (uint32_t x = 0; x < kW; ++x) {
                        bool inside = false;
                        for (const IntRect& r : parts)
                            inside |= int(x) >= r.x && int(x) < r.x + r.w && int(y) >= r.y && int(y) < r.y + r.h;
                        ASSERT_EQ(0, std::memcmp(some.Pixel(x, y), (inside ? whole : fresh).Pixel(x, y), ps)) << x << "," << y;
                    }
            });
        }
    }
}

// Combine and metal __________________________________________________________

TEST(Glow, RadiusZeroLeavesOnlyTheCombine) {
    // With one tap the blur is the identity away from the two outermost
    // lines, so each inner pixel of a checkerboard is combined with itself.
    // glow 1: k = sqrt(0.8) * 1.5 = 1.3416407, K = trunc(k * 380) = 509.
    // Colour 0x0080FF: red 255, green 128, blue 0.
    //  (B 50, G 100, R 200, A 30): Ls = (76*200 + 149*100 + 30*50) >> 8 = 123,
    //    Lg = (123 * 509) >> 8 = 244, lift 121: blue min(50 + 0, 0) = 0,
    //    green min(100 + (121*128 >> 8), 128) = 128, red min(200 + 120, 255) = 255, alpha 244.
    //  (B 10, G 20, R 30, A 200): Ls = 5560 >> 8 = 21, Lg = (21 * 509) >> 8 = 41,
    //    lift 20: blue 0, green min(20 + 10, 128) = 30, red 30 + 19 = 49, alpha max(41, 200) = 200.
    const uint8_t a[4] = {50, 100, 200, 30}, b[4] = {10, 20, 30, 200};
    const uint8_t ea[4] = {0, 128, 255, 244}, eb[4] = {0, 30, 49, 200};
    ForEachGlowLevel([&] {
        GuardedPicture pic(12, 9, kFormatBGRA8);
        for (uint32_t y = 0; y < 9; ++y)
            for (uint32_t x = 0; x < 12; ++x) std::memcpy(pic.Pixel(x, y), (x + y) % 2 ? b : a, 4);
        ASSERT_TRUE(ApplyGlow(pic.view(), 0, 1.0f, 0x0080FF, nullptr));
        for (uint32_t y = 2; y < 8; ++y)
            for (uint32_t x = 2; x < 11; ++x)
                ASSERT_EQ(0, std::memcmp(pic.Pixel(x, y), (x + y) % 2 ? eb : ea, 4)) << x << "," << y;
    });
}

TEST(Glow, FloatCombineOnAFlatPicture) {
    // A flat picture blurs to itself at any radius. glow 1: k' = 1.3416407 *
    // 1.49 = 1.9990447; S = (B 0.2, G 0.4, R 0.8, A 0.1): Ls = 0.298*0.8 +
    // 0.586*0.4 + 0.113*0.2 = 0.4954, Lg = 0.4954 * 1.9990447 = 0.9903267,
    // lift 0.4949267 toward white (255 * 0.003921569 = 1): B 0.6949267,
    // G 0.8949267, R min(1.2949, 1) = 1, alpha 0.9903267.
    const float s[4] = {0.2f, 0.4f, 0.8f, 0.1f}, e[4] = {0.6949267f, 0.8949267f, 1.0f, 0.9903267f};
    for (uint32_t format : {kFormatBGRAF, kFormatARGBF}) {
        float fill[4], want[4];
        for (int c = 0; c < 4; ++c) {
            fill[c] = s[format == kFormatBGRAF ? c : 3 - c];
            want[c] = e[format == kFormatBGRAF ? c : 3 - c];
        }
        GuardedPicture pic(20, 14, format);
        pic.Fill(fill);
        ASSERT_TRUE(ApplyGlow(pic.view(), 7, 1.0f, 0xFFFFFF, nullptr));
        for (uint32_t y = 0; y < 14; ++y)
            for (uint32_t x = 0; x < 20; ++x)
                for (int c = 0; c < 4; ++c) ASSERT_NEAR(want[c], pic.Channel(x, y, c), 2e-6);
    }
}

TEST(Glow, MetalOnMidGrey) {
    // m = 1, grey 200: l = 600/768 = 0.78125, sigma = sin(6.283 +
    // 28.9018008637 * 0.78125) = -0.5548628, w = ((0.8f * sigma + 1) * 0.5 +
    // l) * 153.6 = 162.709229, cc = 255 * 0.0028089888 = 0.716292144;
    // channel = trunc(200 * 0.4 + 0.716292144 * 162.709229) = trunc(196.547) = 196.
    for (uint32_t format : {kFormatBGRA8, kFormatARGB8}) {
        GuardedPicture pic(3, 2, format);
        const float grey[4] = {200, 200, 200, 200};
        pic.Fill(grey);
        const int alpha = format == kFormatBGRA8 ? 3 : 0;
        pic.SetChannel(1, 1, alpha, 77);
        ASSERT_TRUE(ApplyMetal(pic.view(), 1.0f, 0xFFFFFF));
        for (int c = 0; c < 4; ++c) EXPECT_EQ(c == alpha ? 77 : 196, pic.Channel(1, 1, c));
    }
    // The float pass on grey 200/255: l = 0.7843137, sigma = sin(6.283 +
    // 28.9018008637 * l) = -0.6262592, w = ((0.8 * sigma + 1) * 0.5 + l) * 0.6
    // = 0.6202860; 0.7843137 * 0.4 + 0.716292144 * 0.6202860 = 0.7580315.
    GuardedPicture f(2, 2, kFormatBGRAF);
    const float g[4] = {200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 0.5f};
    f.Fill(g);
    ASSERT_TRUE(ApplyMetal(f.view(), 1.0f, 0xFFFFFF));
    EXPECT_NEAR(0.7580315f, f.Channel(0, 0, 0), 1e-6);
    EXPECT_EQ(0.5f, f.Channel(0, 0, 3));
}

// Doing nothing _______________________________________________________________

TEST(Glow, PassesThatCannotRunLeaveThePictureAlone) {
    GuardedPicture pic(16, 12, kFormatBGRA8);
    pic.Randomize(3);
    const std::vector<float> before = Values(pic);
    EXPECT_FALSE(ApplyMetal(pic.view(), 0.0f, 0xFFFFFF));
    EXPECT_FALSE(ApplyGlow(pic.view(), 10, 0.0f, 0xFFFFFF, nullptr));
    PRDreamGlowEffect(10, 0.0f, 0.0f, 0xFFFFFF, nullptr).Apply(pic.view());
    EXPECT_EQ(before, Values(pic));

    // A host that refuses memory: the glow is skipped and nothing leaks.
    host::HostContext context({});
    context.allocator().FailAfter(0);
    {
        MemoryAllocator alloc(&context);
        EXPECT_FALSE(ApplyGlow(pic.view(), 10, 1.0f, 0xFFFFFF, &alloc));
        context.allocator().FailAfter(2); // the work image, then a refusal among the rows' blocks
        EXPECT_FALSE(ApplyGlow(pic.view(), 10, 1.0f, 0xFFFFFF, &alloc));
    }
    EXPECT_EQ(0u, context.allocator().live());
    EXPECT_EQ(before, Values(pic));
}

} // namespace
} // namespace svt
