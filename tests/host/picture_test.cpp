// Host frames in the four formats and both row orders, picture files, and
// the built-in material.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "host/builtin_pictures.h"
#include "host/picture.h"
#include "tests/presets/scratch_folder.h"

namespace svt::host {
namespace {

using test::ScratchFolder;

Picture Ramp(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = {uint8_t(x * 37 + y), uint8_t(y * 53 + 7), uint8_t(x * y), uint8_t(255 - x - y)};
    return p;
}

TEST(HostFrame, EveryFormatAndLayoutRoundTripsWithTheContractsOrder) {
    const struct {
        uint32_t format;
        FrameLayout layout;
    } cases[] = {{kFormatBGRA8, {true, false, 0, 0}}, {kFormatARGB8, {false, false, 12, 16}},
                 {kFormatBGRAF, {true, true, 4, 8}}, {kFormatARGBF, {false, true, 32, 64}},
                 {kFormatBGRA8, {false, true, 3, 5}}};
    const Picture ramp = Ramp(7, 5);
    for (const auto& [format, layout] : cases) {
        HostFrame f;
        ASSERT_TRUE(f.Allocate(ramp, format, layout));
        EXPECT_EQ(f.Load(), ramp) << format;
        EXPECT_TRUE(f.GuardsIntact());
        EXPECT_EQ(f.frame().stride < 0, layout.negativeStride);
    }

    Picture p(2, 2, {0, 0, 0, 0});
    p.at(1, 0) = {10, 20, 30, 40}; // top row, right pixel
    HostFrame f;
    // Format 0 is blue, green, red, alpha; format 1 the reverse.
    ASSERT_TRUE(f.Allocate(p, kFormatBGRA8));
    const uint8_t* row0 = static_cast<const uint8_t*>(f.frame().data);
    EXPECT_EQ(std::vector<uint8_t>(row0 + 4, row0 + 8), (std::vector<uint8_t>{30, 20, 10, 40}));
    ASSERT_TRUE(f.Allocate(p, kFormatARGB8));
    row0 = static_cast<const uint8_t*>(f.frame().data);
    EXPECT_EQ(std::vector<uint8_t>(row0 + 4, row0 + 8), (std::vector<uint8_t>{40, 10, 20, 30}));
    // Bottom-up: the picture's top row is the frame's last row.
    ASSERT_TRUE(f.Allocate(p, kFormatBGRAF, {false}));
    const uint8_t* last = static_cast<const uint8_t*>(f.frame().data) + f.frame().stride;
    float blue;
    std::memcpy(&blue, last + 16, 4);
    EXPECT_FLOAT_EQ(blue, 30 / 255.0f);
}

TEST(HostFrame, GuardsRefusalsAndClampedFloats) {
    HostFrame f;
    ASSERT_TRUE(f.Allocate(3, 3, kFormatBGRA8, {true, false, 8, 16}));
    f.FillBytes(0xFF);
    EXPECT_TRUE(f.GuardsIntact());
    uint8_t* data = static_cast<uint8_t*>(f.desc()->data);
    data[3 * 4] ^= 1; // first padding byte of row 0
    EXPECT_FALSE(f.GuardsIntact());
    data[3 * 4] ^= 1;
    data[2 * f.frame().stride + 12 + 8] ^= 1; // the first guard byte after the last row
    EXPECT_FALSE(f.GuardsIntact());

    EXPECT_FALSE(f.Allocate(0, 5, kFormatBGRA8));
    EXPECT_FALSE(f.Allocate(5, 5, kFormatGray8));
    EXPECT_FALSE(f.Allocate(5, 5, 2));

    ASSERT_TRUE(f.Allocate(1, 1, kFormatBGRAF));
    const float v[4] = {-0.5f, 2.0f, 0.5f, NAN};
    std::memcpy(f.desc()->data, v, sizeof(v));
    // b -0.5 -> 0, g 2 -> 255, r 0.5 -> round(127.5) = 128, alpha NaN -> 0
    EXPECT_EQ(f.Load().at(0, 0), (Rgba{128, 255, 0, 0}));
}

TEST(PictureFiles, PngIsExactJpegCloseAndOpaqueHalfAFileFails) {
    ScratchFolder dir;
    const Picture p = Ramp(9, 4);
    std::string error;
    Picture back;
    ASSERT_TRUE(WritePicture(dir.File("ramp.png"), p, &error)) << error;
    ASSERT_TRUE(ReadPicture(dir.File("ramp.png"), &back, &error)) << error;
    EXPECT_EQ(back, p);
    EXPECT_EQ(dir.EntryCount(), 1u) << "no temporary file may be left";
    // Half a file (missing, foreign and written-nowhere files: tests/cli/errors.sh).
    const std::string png = ScratchFolder::Read(dir.File("ramp.png"));
    EXPECT_FALSE(ReadPicture(dir.Write("cut.png", png.substr(0, png.size() / 2)), &back, &error));
    EXPECT_NE(error.find(dir.File("cut.png") + ": "), std::string::npos) << error;

    ASSERT_TRUE(WritePicture(dir.File("flat.JPG"), Picture(16, 16, {200, 100, 50, 255}), &error)) << error;
    ASSERT_TRUE(ReadPicture(dir.File("flat.JPG"), &back, &error)) << error;
    ASSERT_EQ(back.width(), 16);
    EXPECT_NEAR(back.at(8, 8).r, 200, 3);
    EXPECT_NEAR(back.at(8, 8).b, 50, 3);
    EXPECT_EQ(back.at(8, 8).a, 255);
}

TEST(Resize, FineDetailAveragesAndFlatStaysFlat) {
    // One-pixel black and white columns reduced 4:1 must come out mid-grey,
    // not black or white as point sampling would give.
    Picture stripes(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) stripes.at(x, y) = (x & 1) ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255};
    const Picture small = Resized(stripes, 16, 2);
    for (int x = 1; x < 15; ++x) EXPECT_NEAR(small.at(x, 1).g, 128, 8) << x;
    const Picture flat = Resized(Picture(5, 3, {9, 99, 199, 255}), 17, 11);
    for (const Rgba& c : flat.pixels()) EXPECT_EQ(c, (Rgba{9, 99, 199, 255}));
}

TEST(Font, EveryGlyphIsDistinctAndLowerCaseDrawsAsUpper) {
    auto shape = [](char c) {
        std::string bits;
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) bits += GlyphPixel(c, x, y) ? '#' : '.';
        return bits;
    };
    std::set<std::string> shapes;
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,:-=/()%!?'+_")) {
        EXPECT_TRUE(shapes.insert(shape(c)).second) << "glyph '" << c << "' repeats another";
        if (c >= 'A' && c <= 'Z') {
            EXPECT_EQ(shape(char(c - 'A' + 'a')), shape(c)) << c;
        }
    }
    EXPECT_EQ(shapes.count(shape('@')), 0u) << "unknown characters draw a box unlike any glyph";
    EXPECT_EQ(TextWidth("AB", 2), (2 * kGlyphAdvance - 1) * 2);
}

TEST(BuiltinPictures, DetailedDifferentAndNotMirrorSymmetric) {
    const Picture a = BuiltinPictureA(240, 135), b = BuiltinPictureB(240, 135);
    // Mean channel difference between p and q, q mirrored as asked.
    auto distance = [](const Picture& p, const Picture& q, bool mirrorX, bool mirrorY) {
        long sum = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const Rgba& c = p.at(x, y);
                const Rgba& d = q.at(mirrorX ? q.width() - 1 - x : x, mirrorY ? q.height() - 1 - y : y);
                sum += std::abs(c.r - d.r) + std::abs(c.g - d.g) + std::abs(c.b - d.b);
            }
        return double(sum) / (3.0 * p.width() * p.height());
    };
    // The pictures tell apart, and so do their mirror images, which the
    // transitions' orientation tests rely on.
    EXPECT_GT(distance(a, b, false, false), 40);
    for (const Picture* p : {&a, &b}) {
        EXPECT_GT(distance(*p, *p, true, false), 25);
        EXPECT_GT(distance(*p, *p, false, true), 25);
    }
    long edges = 0; // fine detail: neighbours differ a good deal on average
    for (int y = 0; y < a.height(); ++y)
        for (int x = 1; x < a.width(); ++x) edges += std::abs(a.at(x, y).g - a.at(x - 1, y).g);
    EXPECT_GT(double(edges) / (a.width() * a.height()), 8.0);
    for (int s = 1; s < 4; ++s) EXPECT_EQ(BuiltinPictureB(s, s).width(), s);
}

} // namespace
} // namespace svt::host
