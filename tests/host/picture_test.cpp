// Host frames in the four formats and both row orders, picture files, and
// the built-in material.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "host/builtin_pictures.h"
#include "host/files.h"
#include "host/picture.h"

namespace svt::host {
namespace {

Picture Ramp(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = {uint8_t(x * 37 + y), uint8_t(y * 53 + 7), uint8_t(x * y), uint8_t(255 - x - y)};
    return p;
}

std::string TempDir() {
    char pattern[] = "/tmp/svt_host_XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

struct LayoutCase {
    uint32_t format;
    FrameLayout layout;
};

class HostFrameLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(HostFrameLayouts, StoreAndLoadRoundTripWithoutTouchingPadding) {
    const auto [format, layout] = GetParam();
    const Picture p = Ramp(7, 5);
    HostFrame f;
    ASSERT_TRUE(f.Allocate(p, format, layout));
    EXPECT_EQ(f.Load(), p);
    EXPECT_TRUE(f.GuardsIntact());
    EXPECT_EQ(f.frame().pixelSize, PixelSizeOf(format));
    EXPECT_EQ(f.frame().stride < 0, layout.negativeStride);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, HostFrameLayouts,
    ::testing::Values(LayoutCase{kFormatBGRA8, {true, false, 0, 0}}, LayoutCase{kFormatARGB8, {false, false, 12, 16}},
                      LayoutCase{kFormatBGRAF, {true, true, 4, 8}}, LayoutCase{kFormatARGBF, {false, true, 32, 64}},
                      LayoutCase{kFormatBGRA8, {false, true, 3, 5}}));

TEST(HostFrame, ChannelOrderAndRowOrderAreTheContractsOwn) {
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
    FrameLayout bottomUp;
    bottomUp.topDown = false;
    ASSERT_TRUE(f.Allocate(p, kFormatBGRAF, bottomUp));
    EXPECT_EQ(f.frame().topDown, 0);
    const uint8_t* last = static_cast<const uint8_t*>(f.frame().data) + f.frame().stride;
    float blue;
    std::memcpy(&blue, last + 16, 4);
    EXPECT_FLOAT_EQ(blue, 30 / 255.0f);
}

TEST(HostFrame, GuardsNoticeAWriteIntoPaddingOrPastTheEnd) {
    FrameLayout layout;
    layout.rowPadding = 8;
    layout.guard = 16;
    HostFrame f;
    ASSERT_TRUE(f.Allocate(3, 3, kFormatBGRA8, layout));
    f.FillBytes(0xFF);
    EXPECT_TRUE(f.GuardsIntact());
    uint8_t* data = static_cast<uint8_t*>(f.desc()->data);
    data[3 * 4] ^= 1; // first padding byte of row 0
    EXPECT_FALSE(f.GuardsIntact());
    data[3 * 4] ^= 1;
    data[2 * f.frame().stride + 12 + 8] ^= 1; // the first guard byte after the last row
    EXPECT_FALSE(f.GuardsIntact());
}

TEST(HostFrame, RefusesWhatTheModuleCannotDraw) {
    HostFrame f;
    EXPECT_FALSE(f.Allocate(0, 5, kFormatBGRA8));
    EXPECT_FALSE(f.Allocate(5, 5, kFormatGray8));
    EXPECT_FALSE(f.Allocate(5, 5, 2));
}

TEST(HostFrame, FloatsOutsideTheRangeLoadClamped) {
    HostFrame f;
    ASSERT_TRUE(f.Allocate(1, 1, kFormatBGRAF));
    const float v[4] = {-0.5f, 2.0f, 0.5f, NAN};
    std::memcpy(f.desc()->data, v, sizeof(v));
    // b -0.5 -> 0, g 2 -> 255, r 0.5 -> round(127.5) = 128, alpha NaN -> 0
    EXPECT_EQ(f.Load().at(0, 0), (Rgba{128, 255, 0, 0}));
}

TEST(PictureFiles, PngKeepsEveryByteIncludingAlpha) {
    const std::string dir = TempDir();
    const Picture p = Ramp(9, 4);
    std::string error;
    ASSERT_TRUE(WritePicture(dir + "/ramp.png", p, &error)) << error;
    Picture back;
    ASSERT_TRUE(ReadPicture(dir + "/ramp.png", &back, &error)) << error;
    EXPECT_EQ(back, p);
    EXPECT_EQ(Listing(dir), std::set<std::string>{"ramp.png"}) << "no temporary file may be left";
}

TEST(PictureFiles, JpegIsCloseAndOpaque) {
    const std::string dir = TempDir();
    const Picture p(16, 16, {200, 100, 50, 255});
    std::string error;
    ASSERT_TRUE(WritePicture(dir + "/flat.JPG", p, &error)) << error;
    Picture back;
    ASSERT_TRUE(ReadPicture(dir + "/flat.JPG", &back, &error)) << error;
    ASSERT_EQ(back.width(), 16);
    EXPECT_NEAR(back.at(8, 8).r, 200, 3);
    EXPECT_NEAR(back.at(8, 8).b, 50, 3);
    EXPECT_EQ(back.at(8, 8).a, 255);
}

TEST(PictureFiles, UnreadableFilesSayWhichAndWhy) {
    const std::string dir = TempDir();
    Picture p;
    std::string error;
    EXPECT_FALSE(ReadPicture(dir + "/missing.png", &p, &error));
    EXPECT_EQ(error, "cannot read the picture " + dir + "/missing.png: No such file or directory");
    std::ofstream(dir + "/notes.png") << "hello";
    EXPECT_FALSE(ReadPicture(dir + "/notes.png", &p, &error));
    EXPECT_EQ(error, "cannot read the picture " + dir + "/notes.png: not a PNG or JPEG file");
    // A PNG cut short fails cleanly too.
    ASSERT_TRUE(WritePicture(dir + "/whole.png", Ramp(40, 40), &error));
    std::string bytes;
    {
        std::ifstream in(dir + "/whole.png", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::ofstream(dir + "/cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    EXPECT_FALSE(ReadPicture(dir + "/cut.png", &p, &error));
    EXPECT_NE(error.find(dir + "/cut.png: "), std::string::npos) << error;
    std::ofstream(dir + "/cut.jpg", std::ios::binary) << "\xFF\xD8\xFF\xE0 truncated";
    EXPECT_FALSE(ReadPicture(dir + "/cut.jpg", &p, &error));
}

TEST(PictureFiles, AFailedWriteLeavesNothingBehind) {
    const std::string dir = TempDir();
    std::string error;
    EXPECT_FALSE(WritePicture(dir + "/no/such/folder/x.png", Ramp(2, 2), &error));
    EXPECT_NE(error.find("cannot write " + dir + "/no/such/folder/x.png"), std::string::npos) << error;
    EXPECT_TRUE(Listing(dir).empty());
}

TEST(Resize, FineDetailAveragesInsteadOfAliasing) {
    // One-pixel black and white columns reduced 4:1 must come out mid-grey,
    // not black or white as point sampling would give.
    Picture stripes(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) stripes.at(x, y) = (x & 1) ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255};
    const Picture small = Resized(stripes, 16, 2);
    for (int x = 1; x < 15; ++x) EXPECT_NEAR(small.at(x, 1).g, 128, 8) << x;
    // A flat picture stays flat whatever the factor.
    const Picture flat = Resized(Picture(5, 3, {9, 99, 199, 255}), 17, 11);
    for (const Rgba& c : flat.pixels()) EXPECT_EQ(c, (Rgba{9, 99, 199, 255}));
}

TEST(Font, EveryGlyphIsDistinctAndLowerCaseDrawsAsUpper) {
    const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,:-=/()%!?'+_";
    std::set<std::string> shapes;
    for (char c : chars) {
        std::string bits;
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) bits += GlyphPixel(c, x, y) ? '#' : '.';
        EXPECT_TRUE(shapes.insert(bits).second) << "glyph '" << c << "' repeats another";
        if (c < 'A' || c > 'Z') continue;
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) EXPECT_EQ(GlyphPixel(char(c - 'A' + 'a'), x, y), GlyphPixel(c, x, y));
    }
    // Unknown characters draw a hollow box, unlike any glyph.
    std::string box;
    for (int y = 0; y < kGlyphHeight; ++y)
        for (int x = 0; x < kGlyphWidth; ++x) box += GlyphPixel('@', x, y) ? '#' : '.';
    EXPECT_EQ(shapes.count(box), 0u);
    EXPECT_EQ(TextWidth("AB", 2), (2 * kGlyphAdvance - 1) * 2);
}

TEST(BuiltinPictures, DetailedDifferentAndNotMirrorSymmetric) {
    const Picture a = BuiltinPictureA(240, 135), b = BuiltinPictureB(240, 135);
    EXPECT_EQ(a, BuiltinPictureA(240, 135)) << "drawn the same way every time";
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
    // Mean channel differences: the pictures tell apart, and so do their
    // mirror images, which the transitions' orientation tests rely on.
    EXPECT_GT(distance(a, b, false, false), 40);
    EXPECT_GT(distance(a, a, true, false), 25);
    EXPECT_GT(distance(a, a, false, true), 25);
    EXPECT_GT(distance(b, b, true, false), 25);
    EXPECT_GT(distance(b, b, false, true), 25);
    // Fine detail: neighbouring pixels differ a good deal on average.
    long edges = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 1; x < a.width(); ++x) edges += std::abs(a.at(x, y).g - a.at(x - 1, y).g);
    EXPECT_GT(double(edges) / (a.width() * a.height()), 8.0);
    // Tiny sizes still work.
    for (int s = 1; s < 4; ++s) EXPECT_EQ(BuiltinPictureB(s, s).width(), s);
}

TEST(OutputNames, TemporaryNamesKeepTheFolderAndExtension) {
    const std::string t = TemporaryNameFor("out/movie.mp4");
    EXPECT_EQ(t.rfind("out/.movie.mp4.tmp", 0), 0u) << t;
    EXPECT_EQ(ExtensionOf(t), "mp4");
    EXPECT_NE(TemporaryNameFor("x.png"), TemporaryNameFor("x.png"));
    EXPECT_EQ(ExtensionOf("a.b/c"), "");
    EXPECT_EQ(ExtensionOf("Photo.JPEG"), "jpeg");
}

} // namespace
} // namespace svt::host
