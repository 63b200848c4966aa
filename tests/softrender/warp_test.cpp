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
#include "tests/softrender/guarded_picture.h"

namespace svt {
namespace {

using test::GuardedPicture;
using test::IsFloatFormat;
using warp::SpanLevel;

const uint32_t kFormats[] = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF};

const char* LevelName(SpanLevel level) {
    switch (level) {
    case SpanLevel::kAvx2: return "avx2";
    case SpanLevel::kSse2: return "sse2";
    default: return "scalar";
    }
}

// Runs `fn` once per span level this CPU offers, then goes back to scalar.
template <typename Fn>
void ForEachLevel(Fn fn) {
    for (SpanLevel level : {SpanLevel::kScalar, SpanLevel::kSse2, SpanLevel::kAvx2}) {
        if (!warp::UseSpanLevel(level)) continue;
        SCOPED_TRACE(LevelName(level));
        fn();
    }
    warp::UseSpanLevel(SpanLevel::kScalar);
}

QuadCorners Quad(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    return QuadCorners{{x0, x1, x2, x3}, {y0, y1, y2, y3}};
}

// Independent geometry, in long double: distance from (px, py) to a convex
// quad, 0 inside.
long double DistanceToQuad(const QuadCorners& q, long double px, long double py) {
    long double orient = 0;
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        orient += (long double)q.x[k] * q.y[n] - (long double)q.x[n] * q.y[k];
    }
    bool inside = true;
    long double best = 1e30L;
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        const long double ex = q.x[n] - q.x[k], ey = q.y[n] - q.y[k];
        const long double rx = px - q.x[k], ry = py - q.y[k];
        if ((ex * ry - ey * rx) * orient < 0) inside = false;
        const long double t = std::clamp((rx * ex + ry * ey) / (ex * ex + ey * ey), 0.0L, 1.0L);
        best = std::min(best, std::hypot(rx - t * ex, ry - t * ey));
    }
    return inside ? 0.0L : best;
}

bool StrictlyInside(const QuadCorners& q, long double px, long double py, long double margin) {
    long double orient = 0;
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        orient += (long double)q.x[k] * q.y[n] - (long double)q.x[n] * q.y[k];
    }
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        const long double ex = q.x[n] - q.x[k], ey = q.y[n] - q.y[k];
        const long double cross = ex * (py - q.y[k]) - ey * (px - q.x[k]);
        if (cross * (orient > 0 ? 1 : -1) < margin * std::hypot(ex, ey)) return false;
    }
    return true;
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
        const long double det = a * d - b * c;
        const long double rx = px - x, ry = py - y;
        u += (d * rx - b * ry) / det;
        v += (a * ry - c * rx) / det;
    }
    s = u * (tw - 1);
    t = v * (th - 1);
}

std::vector<uint8_t> Snapshot(const GuardedPicture& p) {
    std::vector<uint8_t> out;
    const size_t bytes = size_t(p.width()) * (IsFloatFormat(p.view().format) ? 16 : 4);
    for (uint32_t y = 0; y < p.height(); ++y) out.insert(out.end(), p.view().Row(y), p.view().Row(y) + bytes);
    return out;
}

// Mapping ______________________________________________________________________

TEST(WarpQuad, IdentityQuadCopiesTheTextureExactly) {
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        ForEachLevel([&] {
            GuardedPicture tex(53, 31, format), screen(53, 31, format);
            tex.Randomize(7);
            screen.Randomize(8);
            const QuadCorners q = Quad(0, 0, 52, 0, 52, 30, 0, 30);
            ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), q, kDrawDefault));
            for (uint32_t y = 0; y < 31; ++y)
                for (uint32_t x = 0; x < 53; ++x) ASSERT_TRUE(screen.SamePixel(tex, x, y)) << x << "," << y;
            EXPECT_TRUE(screen.GuardsIntact());
        });
    }
}

TEST(WarpQuad, SourceRectangleIsSampledAsItsOwnTexture) {
    // The rectangle (5, 3, 20, 10) of a bigger picture drawn one to one: its
    // neighbours in the picture never bleed in, even at the clamped edges.
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        ForEachLevel([&] {
            GuardedPicture pic(40, 20, format), screen(30, 16, format);
            pic.Randomize(11);
            screen.Randomize(12);
            WarpSource src{&pic.view(), 5, 3, 20, 10, 1.0f};
            ASSERT_TRUE(WarpQuad(src, screen.view(), Quad(2, 1, 21, 1, 21, 10, 2, 10), kDrawDefault));
            for (uint32_t y = 0; y < 10; ++y)
                for (uint32_t x = 0; x < 20; ++x)
                    ASSERT_EQ(0, std::memcmp(screen.Pixel(x + 2, y + 1), pic.Pixel(x + 5, y + 3),
                                             IsFloatFormat(format) ? 16 : 4));
        });
    }
}

TEST(WarpQuad, BilinearMidpointsRoundHalfUp) {
    // A 2 x 2 texture stretched over 3 x 3 pixels: the middle row and column
    // sample halfway between texels.
    GuardedPicture tex(2, 2, kFormatBGRA8), screen(3, 3, kFormatBGRA8);
    const uint8_t texel[2][2][2] = {{{0, 10}, {255, 20}}, {{0, 30}, {255, 41}}}; // [y][x][channel 0, 1]
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            tex.Pixel(x, y)[0] = texel[y][x][0];
            tex.Pixel(x, y)[1] = texel[y][x][1];
        }
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
    const QuadCorners quads[] = {Quad(20, 10, 140, 25, 150, 100, 5, 110), Quad(150, 5, 10, 20, 40, 115, 120, 90),
                                 Quad(30.25, 60.5, 80, 2, 130.75, 60, 80, 118.5)};
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        const bool isFloat = IsFloatFormat(format);
        GuardedPicture tex(200, 150, format);
        for (uint32_t y = 0; y < 150; ++y)
            for (uint32_t x = 0; x < 200; ++x) {
                tex.SetChannel(x, y, 0, isFloat ? x / 256.0f : float(x));
                tex.SetChannel(x, y, 1, isFloat ? y / 256.0f : float(y));
            }
        for (const QuadCorners& q : quads) {
            ForEachLevel([&] {
                GuardedPicture screen(160, 120, format);
                ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), q, kDrawDefault));
                int checked = 0;
                for (uint32_t y = 0; y < 120; ++y)
                    for (uint32_t x = 0; x < 160; ++x) {
                        if (!StrictlyInside(q, x, y, 0.5L)) continue;
                        long double s, t;
                        InverseMap(q, 200, 150, x, y, s, t);
                        const double scale = isFloat ? 256.0 : 1.0;
                        // 8-bit: 1/256 from the 7-bit fraction plus 1/2 from rounding.
                        const double tol = isFloat ? 2e-3 : 0.51;
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
        Quad(-40, -30, -10, -30, -10, -5, -40, -5),        // wholly outside, above left
        Quad(100, 3, 140, 3, 140, 20, 100, 20),            // wholly outside, right
        Quad(-12.3, 4.6, 20.2, 2.1, 18.9, 19.7, -8.4, 21), // across the left edge
        Quad(30, -9.5, 55.5, -3, 52, 12.2, 27, 9),         // across the top
        Quad(50.2, 8, 90, 5, 80, 17, 49, 14.4),            // across the right
        Quad(10, 15.5, 40.5, 16, 44, 40, 6, 33),           // across the bottom
        Quad(-30, -20, 100, -25, 95, 60, -35, 50),         // over the whole screen
        Quad(-5, 11, 30, -40, 95, 11, 30, 70),             // a diamond crossing every edge
        Quad(20.2, 10.1, 20.6, 10.2, 20.5, 10.7, 20.1, 10.5), // smaller than a pixel
        Quad(3, 3, 60, 18.2, 60.3, 18.9, 3, 3.4),          // a sliver
        Quad(12, 2, 48, 9, 52, 22, 2, 20)};                // a perspective face inside
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f}, background[4] = {1.0f, 0.0f, 0.5f, 0.0f};
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        const bool isFloat = IsFloatFormat(format);
        const float unit = isFloat ? 1.0f : 255.0f;
        float c[4], b[4];
        for (int i = 0; i < 4; ++i) c[i] = std::round(colour[i] * unit), b[i] = std::round(background[i] * unit);
        if (isFloat)
            for (int i = 0; i < 4; ++i) c[i] = colour[i], b[i] = background[i];
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
                        const bool far = DistanceToQuad(q, x, y) > 0.75L, inside = StrictlyInside(q, x, y, 1e-9L);
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

// Draws a grid of faces whose corners are `map`ped grid points, each face a
// flat colour without red, over a red background.
template <typename Map>
void DrawGrid(GuardedPicture& screen, int cols, int rows, Map map) {
    const uint32_t format = screen.view().format;
    const bool isFloat = IsFloatFormat(format);
    const int red = format == kFormatBGRA8 || format == kFormatBGRAF ? 2 : 1;
    const float one = isFloat ? 1.0f : 255.0f;
    float bg[4] = {0, 0, 0, one};
    bg[red] = one;
    screen.Fill(bg);
    GuardedPicture tex(4, 4, format);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            float c[4] = {one, one, one, one};
            c[red] = 0;
            const float shade = float((i * 37 + j * 11) % 256);
            c[red == 2 ? 0 : 3] = isFloat ? shade / 255.0f : shade;
            tex.Fill(c);
            double x[4], y[4];
            map(i, j, x[0], y[0]);
            map(i + 1, j, x[1], y[1]);
            map(i + 1, j + 1, x[2], y[2]);
            map(i, j + 1, x[3], y[3]);
            ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]),
                                 kDrawDefault));
        }
}

TEST(WarpQuad, FacesSharingEdgesLeaveNoBackgroundBetweenThem) {
    const int cols = 5, rows = 4;
    auto flat = [](int i, int j, double& x, double& y) {
        x = 4.3 + i * 13.37;
        y = 3.6 + j * 11.21;
    };
    // The same grid seen in perspective: a homography of the flat one.
    auto tilted = [&](int i, int j, double& x, double& y) {
        double fx, fy;
        flat(i, j, fx, fy);
        const double w = 1 + 0.004 * fx - 0.002 * fy;
        x = (0.9 * fx + 0.3 * fy + 2) / w;
        y = (-0.1 * fx + 1.0 * fy + 4) / w;
    };
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        const int red = format == kFormatBGRA8 || format == kFormatBGRAF ? 2 : 1;
        for (int variant = 0; variant < 2; ++variant) {
            SCOPED_TRACE(variant ? "tilted" : "flat");
            GuardedPicture screen(80, 64, format);
            if (variant)
                DrawGrid(screen, cols, rows, tilted);
            else
                DrawGrid(screen, cols, rows, flat);
            double x[4], y[4];
            const int ci[4] = {0, cols, cols, 0}, cj[4] = {0, 0, rows, rows};
            for (int k = 0; k < 4; ++k) {
                if (variant)
                    tilted(ci[k], cj[k], x[k], y[k]);
                else
                    flat(ci[k], cj[k], x[k], y[k]);
            }
            const QuadCorners outline = Quad(x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]);
            int inside = 0, ramp = 0;
            for (uint32_t py = 0; py < 64; ++py)
                for (uint32_t px = 0; px < 80; ++px) {
                    const float r = screen.Channel(px, py, red);
                    if (StrictlyInside(outline, px, py, 0)) {
                        ASSERT_EQ(0.0f, r) << px << "," << py; // no background through a shared edge
                        ++inside;
                    } else if (r > 0 && r < (IsFloatFormat(format) ? 1.0f : 255.0f)) {
                        ++ramp;
                    }
                }
            EXPECT_GT(inside, 2000);
            EXPECT_GT(ramp, 40); // the outline of the whole is still smoothed
        }
    }
}

// Refusals _____________________________________________________________________

TEST(WarpQuad, RefusesQuadsThatAreNotConvexOrNotFinite) {
    const double nan = std::nan(""), inf = INFINITY;
    const QuadCorners bad[] = {
        Quad(0, 0, 10, 0, 0, 10, 10, 10),     // crossing (a bow tie)
        Quad(0, 0, 10, 5, 0, 10, 3, 5),       // concave
        Quad(0, 0, 5, 0, 10, 0, 5, 5),        // three corners in a line
        Quad(0, 0, 0, 0, 10, 10, 0, 10),      // a repeated corner
        Quad(4, 4, 4, 4, 4, 4, 4, 4),         // a point
        Quad(0, 0, 10, 10, 20, 20, 30, 30),   // a line
        Quad(0, 0, 10, 0, nan, 10, 0, 10),    // not a number
        Quad(0, 0, inf, 0, 10, 10, 0, 10),    // infinite
        Quad(0, 0, 1e12, 0, 10, 10, 0, 10)};  // beyond any screen arithmetic
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        GuardedPicture tex(8, 8, format), screen(16, 16, format);
        tex.Randomize(1);
        screen.Randomize(2);
        const std::vector<uint8_t> before = Snapshot(screen);
        for (size_t i = 0; i < std::size(bad); ++i) EXPECT_FALSE(WarpQuad(tex.view(), screen.view(), bad[i], kDrawDefault)) << i;
        EXPECT_EQ(before, Snapshot(screen));
        // Both windings are convex.
        EXPECT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(1, 1, 9, 1, 9, 9, 1, 9), kDrawDefault));
        EXPECT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(1, 1, 1, 9, 9, 9, 9, 1), kDrawDefault));
    }
}

TEST(WarpQuad, RefusesTexturesAndScreensItCannotDraw) {
    GuardedPicture thin(1, 8, kFormatBGRA8), flat(8, 1, kFormatBGRA8), tex(8, 8, kFormatBGRA8);
    GuardedPicture screen(16, 16, kFormatBGRA8), floatScreen(16, 16, kFormatBGRAF), argb(16, 16, kFormatARGB8);
    tex.Randomize(3);
    screen.Randomize(4);
    const std::vector<uint8_t> before = Snapshot(screen);
    const QuadCorners q = Quad(1, 1, 12, 2, 13, 13, 2, 12);
    EXPECT_FALSE(WarpQuad(thin.view(), screen.view(), q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(flat.view(), screen.view(), q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(tex.view(), floatScreen.view(), q, kDrawDefault)); // formats differ
    EXPECT_FALSE(WarpQuad(tex.view(), argb.view(), q, kDrawDefault));
    ImageView gray;
    uint8_t bytes[256];
    gray.BindMemory(bytes, 16, 16, 16, 1, kFormatGray8, 1);
    EXPECT_FALSE(WarpQuad(gray, gray, q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(WarpSource{nullptr, 0, 0, 8, 8, 1}, screen.view(), q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(WarpSource{&tex.view(), 4, 0, 5, 8, 1}, screen.view(), q, kDrawDefault)); // past the right
    EXPECT_FALSE(WarpQuad(WarpSource{&tex.view(), -1, 0, 4, 4, 1}, screen.view(), q, kDrawDefault));
    EXPECT_FALSE(WarpQuad(WarpSource{&tex.view(), 0, 0, 8, 1, 1}, screen.view(), q, kDrawDefault));
    EXPECT_EQ(before, Snapshot(screen));
}

// Fast loops against the reference _____________________________________________

struct RandomCase {
    int sw, sh, pw, ph;
    WarpSource src;
    QuadCorners q;
};

RandomCase MakeCase(uint32_t seed, const ImageView* dummy) {
    std::mt19937 rng(seed);
    auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    RandomCase c{};
    c.sw = pick(1, 120);
    c.sh = pick(1, 50);
    c.pw = pick(2, 90);
    c.ph = pick(2, 60);
    c.src.image = dummy;
    c.src.w = pick(2, c.pw);
    c.src.h = pick(2, c.ph);
    c.src.x = pick(0, c.pw - c.src.w);
    c.src.y = pick(0, c.ph - c.src.h);
    c.src.shade = seed % 3 == 0 ? 1.0f : float(uni(0, 1));
    // A rectangle, turned, squeezed and seen in perspective, placed anywhere
    // around the screen.
    {
        const double cx = uni(-0.3, 1.3) * c.sw, cy = uni(-0.3, 1.3) * c.sh;
        const double rx = uni(0.5, 1.2) * std::max(c.sw, 8), ry = uni(0.2, 1.2) * std::max(c.sh, 8);
        const double a = uni(0, 6.2832), persp = seed % 4 == 1 ? 0.0 : uni(-0.6, 0.6);
        const double ux[4] = {-1, 1, 1, -1}, uy[4] = {-1, -1, 1, 1};
        for (int k = 0; k < 4; ++k) {
            const double w = 1 + persp * ux[k] * 0.5;
            const double px = ux[k] * rx / w, py = uy[k] * ry / w;
            c.q.x[k] = cx + px * std::cos(a) - py * std::sin(a);
            c.q.y[k] = cy + px * std::sin(a) + py * std::cos(a);
        }
        if (seed % 5 == 2) // land corners on pixel centres now and then
            for (int k = 0; k < 4; ++k) c.q.x[k] = std::round(c.q.x[k]), c.q.y[k] = std::round(c.q.y[k]);
    }
    return c;
}

std::vector<uint8_t> RenderCase(const RandomCase& c, uint32_t format, uint32_t seed, SpanLevel level,
                                bool& drawn) {
    EXPECT_TRUE(warp::UseSpanLevel(level));
    GuardedPicture pic(c.pw, c.ph, format), screen(c.sw, c.sh, format);
    pic.Randomize(seed * 2 + 1);
    screen.Randomize(seed * 2 + 2);
    WarpSource src = c.src;
    src.image = &pic.view();
    drawn = WarpQuad(src, screen.view(), c.q, kDrawDefault);
    EXPECT_TRUE(screen.GuardsIntact());
    return Snapshot(screen);
}

TEST(WarpQuad, SimdSpansEqualTheScalarReference) {
    // Exact equality, 8-bit and float: every level computes the same
    // quantised weights and the same float operations in the same order.
    const ImageView none;
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        for (uint32_t seed = 0; seed < 150; ++seed) {
            const RandomCase c = MakeCase(seed, &none);
            bool drawnRef = false;
            const std::vector<uint8_t> ref = RenderCase(c, format, seed, SpanLevel::kScalar, drawnRef);
            for (SpanLevel level : {SpanLevel::kSse2, SpanLevel::kAvx2}) {
                if (!warp::UseSpanLevel(level)) continue;
                bool drawn = false;
                const std::vector<uint8_t> got = RenderCase(c, format, seed, level, drawn);
                ASSERT_EQ(drawnRef, drawn) << "seed " << seed;
                ASSERT_TRUE(ref == got) << "seed " << seed << " level " << LevelName(level) << " quad (" << c.q.x[0]
                                        << "," << c.q.y[0] << ") (" << c.q.x[1] << "," << c.q.y[1] << ") ("
                                        << c.q.x[2] << "," << c.q.y[2] << ") (" << c.q.x[3] << "," << c.q.y[3]
                                        << ")";
            }
        }
    }
    warp::UseSpanLevel(SpanLevel::kScalar);
}

TEST(WarpQuad, LongRowsAreSplitWithoutSeams) {
    // Rows longer than one run: the float set-up restarts every run, which
    // must neither shift samples nor differ between levels.
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        GuardedPicture tex(700, 4, format);
        const bool isFloat = IsFloatFormat(format);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 700; ++x) tex.SetChannel(x, y, 0, isFloat ? x / 1024.0f : float(x % 200));
        std::vector<uint8_t> ref;
        ForEachLevel([&] {
            GuardedPicture screen(1100, 6, format);
            ASSERT_TRUE(WarpQuad(tex.view(), screen.view(), Quad(-3, 0, 1098, 0.5, 1099, 5, -2.5, 4.5), kDrawDefault));
            if (ref.empty())
                ref = Snapshot(screen);
            else
                EXPECT_TRUE(ref == Snapshot(screen));
            if (isFloat) // s grows by 699/1101 per pixel on row 2
                for (uint32_t x = 300; x < 800; ++x) {
                    long double s, t;
                    InverseMap(Quad(-3, 0, 1098, 0.5, 1099, 5, -2.5, 4.5), 700, 4, x, 2, s, t);
                    ASSERT_NEAR(screen.Channel(x, 2, 0) * 1024.0, double(s), 2e-3) << x;
                }
        });
    }
}

TEST(WarpQuad, FoldedShadeStaysWithinOneLevelOfShadingFirst) {
    for (uint32_t format : kFormats) {
        SCOPED_TRACE(format);
        const bool isFloat = IsFloatFormat(format);
        const int alpha = format == kFormatBGRA8 || format == kFormatBGRAF ? 3 : 0;
        for (float k : {0.0f, 0.25f, 0.5f, 0.7312f, 0.999f}) {
            SCOPED_TRACE(k);
            GuardedPicture pic(60, 40, format);
            pic.Randomize(uint32_t(k * 1000) + 5);
            const QuadCorners q = Quad(3.5, 2.2, 70.1, 8, 66, 45.7, 1, 39);
            ForEachLevel([&] {
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
                            if (ch == alpha)
                                ASSERT_EQ(a, b) << x << "," << y;
                            else
                                ASSERT_NEAR(a, b, isFloat ? 1e-6 : 1.0) << x << "," << y << " ch " << ch;
                        }
            });
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
