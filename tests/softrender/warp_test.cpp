#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "softrender/canvas.h"
#include "softrender/warp.h"
#include "softrender/warp_p.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::GuardedPicture;
using test::IsFloatFormat;
using warp::SpanLevel;

const uint32_t kFormats[] = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF};
const char* const kLevelNames[] = {"scalar", "sse2", "avx2"};

// Runs `fn` once per span level this CPU offers, then goes back to scalar.
template <typename Fn>
void ForEachLevel(Fn fn) {
    for (SpanLevel level : {SpanLevel::kScalar, SpanLevel::kSse2, SpanLevel::kAvx2}) {
        if (!warp::UseSpanLevel(level)) continue;
        SCOPED_TRACE(kLevelNames[int(level)]);
        fn();
    }
    warp::UseSpanLevel(SpanLevel::kScalar);
}

QuadCorners Quad(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    return QuadCorners{{x0, x1, x2, x3}, {y0, y1, y2, y3}};
}

// Independent geometry in long double: the least signed distance from
// (px, py) to the lines of a convex quad's edges (positive inside), and
// the distance to its outline.
struct Where {
    long double margin, outline;
};
Where Locate(const QuadCorners& q, long double px, long double py) {
    long double orient = 0;
    for (int k = 0; k < 4; ++k) orient += (long double)q.x[k] * q.y[(k + 1) & 3] - (long double)q.x[(k + 1) & 3] * q.y[k];
    Where w{1e30L, 1e30L};
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        const long double ex = q.x[n] - q.x[k], ey = q.y[n] - q.y[k], rx = px - q.x[k], ry = py - q.y[k];
        w.margin = std::min(w.margin, (ex * ry - ey * rx) * (orient > 0 ? 1 : -1) / std::hypot(ex, ey));
        const long double t = std::clamp((rx * ex + ry * ey) / (ex * ex + ey * ey), 0.0L, 1.0L);
        w.outline = std::min(w.outline, std::hypot(rx - t * ex, ry - t * ey));
    }
    return w;
}

// The texture position a screen point shows, by Newton's method on the
// forward square-to-quad map in long double (no adjugate involved).
void InverseMap(const QuadCorners& q, int tw, int th, long double px, long double py, long double& s,
                long double& t) {
    const long double x0 = q.x[0], x1 = q.x[1], x2 = q.x[2], x3 = q.x[3];
    const long double y0 = q.y[0], y1 = q.y[1], y2 = q.y[2], y3 = q.y[3];
    const long double sx = x0 - x1 + x2 - x3, sy = y0 - y1 + y2 - y3;
    const long double dx1 = x1 - x2, dx2 = x3 - x2, dy1 = y1 - y2, dy2 = y3 - y2;
    const long double den = dx1 * dy2 - dx2 * dy1;
    const long double g = (sx * dy2 - sy * dx2) / den, h = (dx1 * sy - dy1 * sx) / den;
    auto fwd = [&](long double u, long double v, long double& x, long double& y) {
        const long double w = g * u + h * v + 1;
        x = ((x1 - x0 + g * x1) * u + (x3 - x0 + h * x3) * v + x0) / w;
        y = ((y1 - y0 + g * y1) * u + (y3 - y0 + h * y3) * v + y0) / w;
    };
    long double u = 0.5L, v = 0.5L;
    for (int it = 0; it < 12; ++it) { // quadratic convergence from the centre
        long double x, y, xu, yu, xv, yv;
        const long double e = 1e-9L;
        fwd(u, v, x, y);
        fwd(u + e, v, xu, yu);
        fwd(u, v + e, xv, yv);
        const long double a = (xu - x) / e, b = (xv - x) / e, c = (yu - y) / e, d = (yv - y) / e;
        const long double det = a * d - b * c, rx = px - x, ry = py - y;
        u += (d * rx - b * ry) / det;
        v += (a * ry - c * rx) / det;
    }
    s = u * (tw - 1);
    t = v * (th - 1);
}

// Mapping ______________________________________________________________________

TEST(WarpQuad, OneToOneCopiesTheTextureOrItsSourceRectangleExactly) {
    // The whole texture on a screen of its size, and the rectangle (5, 3, 20,
    // 10) of it at (2, 1): its neighbours never bleed in, even at the clamped edges.
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        ForEachLevel([&] {
            GuardedPicture tex(53, 31, format), whole(53, 31, format), part(30, 16, format);
            tex.Randomize(7);
            whole.Randomize(8);
            part.Randomize(12);
            ASSERT_TRUE(WarpQuad(tex.view(), whole.view(), Quad(0, 0, 52, 0, 52, 30, 0, 30), kDrawDefault));
            ASSERT_TRUE(WarpQuad(WarpSource{&tex.view(), 5, 3, 20, 10, 1.0f}, part.view(),
                                 Quad(2, 1, 21, 1, 21, 10, 2, 10), kDrawDefault));
            for (uint32_t y = 0; y < 31; ++y)
                for (uint32_t x = 0; x < 53; ++x) {
                    ASSERT_TRUE(whole.SamePixel(x, y, tex, x, y)) << x << "," << y;
                    if (x < 20 && y < 10) {
                        ASSERT_TRUE(part.SamePixel(x + 2, y + 1, tex, x + 5, y + 3)) << x << "," << y;
                    }
                }
            EXPECT_TRUE(whole.GuardsIntact() && part.GuardsIntact());
        });
    }
}

TEST(WarpQuad, BilinearMidpointsRoundHalfUp) {
    // A 2 x 2 texture stretched over 3 x 3 pixels: the middle row and column
    // sample halfway between texels. Channels 0 and 1 of texels (0,0) (1,0) (0,1) (1,1):
    GuardedPicture tex(2, 2, kFormatBGRA8), screen(3, 3, kFormatBGRA8);
    const uint8_t texel[4][2] = {{0, 10}, {255, 20}, {0, 30}, {255, 41}};
    for (int i = 0; i < 4; ++i) std::memcpy(tex.Pixel(i % 2, i / 2), texel[i], 2);
    ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(0, 0, 2, 0, 2, 2, 0, 2), kDrawDefault));
    EXPECT_EQ(128, screen.Pixel(1, 0)[0]); // (0 + 255) / 2 = 127.5 -> 128
    EXPECT_EQ(15, screen.Pixel(1, 0)[1]);  // (10 + 20) / 2
    EXPECT_EQ(20, screen.Pixel(0, 1)[1]);  // (10 + 30) / 2
    EXPECT_EQ(36, screen.Pixel(1, 2)[1]);  // (30 + 41) / 2 = 35.5 -> 36
    EXPECT_EQ(25, screen.Pixel(1, 1)[1]);  // (10 + 20 + 30 + 41) / 4 = 25.25 -> 25
    EXPECT_EQ(41, screen.Pixel(2, 2)[1]);  // corners land on texel centres
}

TEST(WarpQuad, PerspectiveMapMatchesAnIndependentInverse) {
    // Channel 0 holds the texel column and channel 1 the row, so each pixel
    // shows where it sampled; bilinear interpolation of a ramp is the ramp.
    // The last quad's rows are longer than one run: restarting the set-up
    // must not shift the samples.
    const QuadCorners quads[] = {Quad(20, 10, 140, 25, 150, 100, 5, 110), Quad(150, 5, 10, 20, 40, 115, 120, 90),
                                 Quad(30.25, 60.5, 80, 2, 130.75, 60, 80, 118.5), Quad(-3, 0, 298, 0.5, 299, 119, -2.5, 118)};
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        const bool isFloat = IsFloatFormat(format);
        const double scale = isFloat ? 256.0 : 1.0;
        const double tol = isFloat ? 2e-3 : 0.51; // 8-bit: 1/256 from the 7-bit fraction plus 1/2 from rounding
        GuardedPicture tex(200, 150, format);
        for (uint32_t y = 0; y < 150; ++y)
            for (uint32_t x = 0; x < 200; ++x) {
                tex.SetChannel(x, y, 0, float(x / scale));
                tex.SetChannel(x, y, 1, float(y / scale));
            }
        for (const QuadCorners& q : quads) {
            ForEachLevel([&] {
                GuardedPicture screen(300, 120, format);
                ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), q, kDrawDefault));
                int checked = 0;
                for (uint32_t y = 0; y < 120; ++y)
                    for (uint32_t x = 0; x < 300; ++x) {
                        if (Locate(q, x, y).margin < 0.5L) continue;
                        long double s, t;
                        InverseMap(q, 200, 150, x, y, s, t);
                        ASSERT_NEAR(screen.Channel(x, y, 0) * scale, double(s), tol) << x << "," << y;
                        ASSERT_NEAR(screen.Channel(x, y, 1) * scale, double(t), tol) << x << "," << y;
                        ++checked;
                    }
                EXPECT_GT(checked, 5000);
            });
        }
    }
}

// Coverage _____________________________________________________________________

TEST(WarpQuad, TouchesOnlyPixelsNearTheQuad) {
    // A flat texture colour C over a background B: centres inside get C,
    // pixels further than 0.75 px from the quad keep B (the outer ramp is
    // half a pixel wide, a little more at corners), and the ring between
    // holds blends of the two. Guard bytes catch writes past the screen.
    const QuadCorners quads[] = {
        Quad(-40, -30, -10, -30, -10, -5, -40, -5),           // wholly outside, above left
        Quad(100, 3, 140, 3, 140, 20, 100, 20),               // wholly outside, right
        Quad(-12.3, 4.6, 20.2, 2.1, 18.9, 19.7, -8.4, 21),    // across the left edge
        Quad(30, -9.5, 55.5, -3, 52, 12.2, 27, 9),            // across the top
        Quad(50.2, 8, 90, 5, 80, 17, 49, 14.4),               // across the right
        Quad(10, 15.5, 40.5, 16, 44, 40, 6, 33),              // across the bottom
        Quad(-30, -20, 100, -25, 95, 60, -35, 50),            // over the whole screen
        Quad(-5, 11, 30, -40, 95, 11, 30, 70),                // a diamond crossing every edge
        Quad(20.2, 10.1, 20.6, 10.2, 20.5, 10.7, 20.1, 10.5), // smaller than a pixel
        Quad(3, 3, 60, 18.2, 60.3, 18.9, 3, 3.4),             // a sliver
        Quad(12, 2, 48, 9, 52, 22, 2, 20)};                   // a perspective face inside
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f}, background[4] = {1.0f, 0.0f, 0.5f, 0.0f};
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        const bool isFloat = IsFloatFormat(format);
        float c[4], b[4];
        for (int i = 0; i < 4; ++i) {
            c[i] = isFloat ? colour[i] : std::round(colour[i] * 255);
            b[i] = isFloat ? background[i] : std::round(background[i] * 255);
        }
        GuardedPicture tex(9, 7, format);
        tex.Fill(c);
        for (size_t qi = 0; qi < std::size(quads); ++qi) {
            SCOPED_TRACE(qi);
            const QuadCorners& q = quads[qi];
            ForEachLevel([&] {
                GuardedPicture screen(64, 24, format);
                screen.Fill(b);
                ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), q, kDrawDefault));
                EXPECT_TRUE(screen.GuardsIntact());
                for (uint32_t y = 0; y < 24; ++y)
                    for (uint32_t x = 0; x < 64; ++x) {
                        const Where w = Locate(q, x, y);
                        const bool far = w.margin < 0 && w.outline > 0.75L, inside = w.margin >= 1e-9L;
                        for (int ch = 0; ch < 4; ++ch) {
                            const float v = screen.Channel(x, y, ch);
                            if (far)
                                ASSERT_EQ(b[ch], v) << x << "," << y;
                            else if (inside)
                                ASSERT_NEAR(c[ch], v, isFloat ? 1e-6 : 0) << x << "," << y;
                            else
                                ASSERT_TRUE(v >= std::min(b[ch], c[ch]) - 1e-6f && v <= std::max(b[ch], c[ch]) + 1e-6f)
                                    << x << "," << y;
                        }
                    }
            });
        }
    }
}

// Refusals _____________________________________________________________________

TEST(WarpQuad, RefusesWhatItCannotDrawAndLeavesTheScreenAlone) {
    const double nan = std::nan(""), inf = INFINITY;
    const QuadCorners bad[] = {
        Quad(0, 0, 10, 0, 0, 10, 10, 10),    // crossing (a bow tie)
        Quad(0, 0, 10, 5, 0, 10, 3, 5),      // concave
        Quad(0, 0, 5, 0, 10, 0, 5, 5),       // three corners in a line
        Quad(0, 0, 0, 0, 10, 10, 0, 10),     // a repeated corner
        Quad(4, 4, 4, 4, 4, 4, 4, 4),        // a point
        Quad(0, 0, 10, 10, 20, 20, 30, 30),  // a line
        Quad(0, 0, 10, 0, nan, 10, 0, 10),   // not a number
        Quad(0, 0, inf, 0, 10, 10, 0, 10),   // infinite
        Quad(0, 0, 1e12, 0, 10, 10, 0, 10)}; // beyond any screen arithmetic
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        GuardedPicture tex(8, 8, format), screen(16, 16, format);
        tex.Randomize(1);
        screen.Randomize(2);
        const std::vector<uint8_t> before = screen.bytes();
        for (size_t i = 0; i < std::size(bad); ++i)
            EXPECT_FALSE(WarpQuad(tex.view(), screen.view(), bad[i], kDrawDefault)) << i;
        EXPECT_EQ(before, screen.bytes());
        // Both windings are convex.
        EXPECT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(1, 1, 9, 1, 9, 9, 1, 9), kDrawDefault));
        EXPECT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(1, 1, 1, 9, 9, 9, 9, 1), kDrawDefault));
    }

    // Textures under 2 x 2 and source rectangles that are empty, too small or
    // reach past the picture (frames in other formats never reach a render).
    GuardedPicture thin(1, 8, kFormatBGRA8), flat(8, 1, kFormatBGRA8), tex(8, 8, kFormatBGRA8), screen(16, 16, kFormatBGRA8);
    tex.Randomize(3);
    screen.Randomize(4);
    const std::vector<uint8_t> before = screen.bytes();
    const QuadCorners q = Quad(1, 1, 12, 2, 13, 13, 2, 12);
    EXPECT_FALSE(WarpQuad(thin.view(), screen.view(), q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(flat.view(), screen.view(), q, kDrawDefault));
    for (const WarpSource& src : {WarpSource{nullptr, 0, 0, 8, 8, 1}, WarpSource{&tex.view(), 4, 0, 5, 8, 1},
                                  WarpSource{&tex.view(), -1, 0, 4, 4, 1}, WarpSource{&tex.view(), 0, 0, 8, 1, 1}})
        EXPECT_FALSE(WarpQuad(src, screen.view(), q, kDrawDefault)) << src.x << "," << src.w << "," << src.h;
    EXPECT_EQ(before, screen.bytes());
}

// Fast loops against the reference _____________________________________________

// A random picture part, drawn as a rectangle turned, squeezed and seen in
// perspective anywhere around a random screen, from `level`.
std::vector<uint8_t> RenderRandomCase(uint32_t format, uint32_t seed, SpanLevel level, bool& drawn) {
    EXPECT_TRUE(warp::UseSpanLevel(level));
    std::mt19937 rng(seed);
    auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    // Now and then rows longer than one run: the float set-up restarts every run.
    const int sw = pick(1, seed % 10 == 3 ? 3 * warp::kMaxRun : 120), sh = pick(1, 50), pw = pick(2, 90), ph = pick(2, 60);
    GuardedPicture pic(pw, ph, format), screen(sw, sh, format);
    WarpSource src{&pic.view(), 0, 0, pick(2, pw), pick(2, ph), 1.0f};
    src.x = pick(0, pw - src.w);
    src.y = pick(0, ph - src.h);
    src.shade = seed % 3 == 0 ? 1.0f : float(uni(0, 1));
    const double cx = uni(-0.3, 1.3) * sw, cy = uni(-0.3, 1.3) * sh;
    const double rx = uni(0.5, 1.2) * std::max(sw, 8), ry = uni(0.2, 1.2) * std::max(sh, 8);
    const double a = uni(0, 6.2832), persp = seed % 4 == 1 ? 0.0 : uni(-0.6, 0.6);
    const double ux[4] = {-1, 1, 1, -1}, uy[4] = {-1, -1, 1, 1};
    QuadCorners q;
    for (int k = 0; k < 4; ++k) {
        const double w = 1 + persp * ux[k] * 0.5, px = ux[k] * rx / w, py = uy[k] * ry / w;
        q.x[k] = cx + px * std::cos(a) - py * std::sin(a);
        q.y[k] = cy + px * std::sin(a) + py * std::cos(a);
        if (seed % 5 == 2) q.x[k] = std::round(q.x[k]), q.y[k] = std::round(q.y[k]); // on pixel centres now and then
    }
    pic.Randomize(seed * 2 + 1);
    screen.Randomize(seed * 2 + 2);
    drawn = WarpQuad(src, screen.view(), q, kDrawDefault);
    EXPECT_TRUE(screen.GuardsIntact());
    return screen.bytes();
}

TEST(WarpQuad, SimdSpansEqualTheScalarReference) {
    // Exact equality, 8-bit and float: every level computes the same
    // quantised weights and the same float operations in the same order.
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        for (uint32_t seed = 0; seed < 150; ++seed) {
            bool drawnRef = false, drawn = false;
            const std::vector<uint8_t> ref = RenderRandomCase(format, seed, SpanLevel::kScalar, drawnRef);
            for (SpanLevel level : {SpanLevel::kSse2, SpanLevel::kAvx2}) {
                if (!warp::UseSpanLevel(level)) continue;
                const std::vector<uint8_t> got = RenderRandomCase(format, seed, level, drawn);
                ASSERT_EQ(drawnRef, drawn) << "seed " << seed;
                ASSERT_TRUE(ref == got) << "seed " << seed << " level " << kLevelNames[int(level)];
            }
        }
    }
    warp::UseSpanLevel(SpanLevel::kScalar);
}

TEST(WarpQuad, FoldedShadeStaysWithinOneLevelOfShadingFirst) {
    // On the scalar spans; the SIMD ones equal them, shade included.
    const QuadCorners q = Quad(3.5, 2.2, 70.1, 8, 66, 45.7, 1, 39);
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        const bool isFloat = IsFloatFormat(format);
        const int alpha = format == kFormatBGRA8 || format == kFormatBGRAF ? 3 : 0;
        for (float k : {0.0f, 0.25f, 0.5f, 0.7312f, 0.999f}) {
            SCOPED_TRACE(k);
            GuardedPicture pic(60, 40, format);
            pic.Randomize(uint32_t(k * 1000) + 5);
            GuardedPicture literal(72, 48, format), folded(72, 48, format), shadedTex(26, 18, format);
            literal.Randomize(9);
            folded.Randomize(9);
            // Literal order: copy the part, shade it, warp it.
            for (uint32_t y = 0; y < 18; ++y)
                std::memcpy(shadedTex.Pixel(0, y), pic.Pixel(20, y + 11), 26 * (isFloat ? 16 : 4));
            ASSERT_TRUE(ApplyShade(shadedTex.view(), k));
            ASSERT_TRUE(WarpQuad(shadedTex.view(), literal.view(), q, kDrawDefault));
            ASSERT_TRUE(WarpQuad(WarpSource{&pic.view(), 20, 11, 26, 18, k}, folded.view(), q, kDrawDefault));
            for (uint32_t y = 0; y < 48; ++y)
                for (uint32_t x = 0; x < 72; ++x)
                    for (int ch = 0; ch < 4; ++ch) {
                        const float a = literal.Channel(x, y, ch), b = folded.Channel(x, y, ch);
                        ASSERT_NEAR(a, b, ch == alpha ? 0 : isFloat ? 1e-6 : 1.0) << x << "," << y << " ch " << ch;
                    }
        }
    }
}

TEST(WarpQuad, ForceScalarVariableKeepsTheReference) {
    setenv("SVT_FORCE_SCALAR", "1", 1);
    SelectWarpKernels();
    EXPECT_EQ(SpanLevel::kScalar, warp::ActiveSpanLevel());
    unsetenv("SVT_FORCE_SCALAR");
    SelectWarpKernels();
    EXPECT_NE(SpanLevel::kScalar, warp::ActiveSpanLevel());
    warp::UseSpanLevel(SpanLevel::kScalar);
}

} // namespace
} // namespace svt
