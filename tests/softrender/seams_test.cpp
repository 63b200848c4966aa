// A picture cut into a grid of faces must draw as one picture: no background
// showing through the shared edges, whether flat or tilted in perspective.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "geometry/mesh_creator.h"
#include "geometry/twist_system.h"
#include "softrender/canvas.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::GuardedFrame;
using canvas_test::MakePicture;
using Colour = std::array<uint8_t, 4>;

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t W = 320, H = 240;
const Colour kMagenta{255, 0, 255, 255};
const Colour kBlack{0, 0, 0, 255};

Colour At(const GuardedFrame& f, uint32_t x, uint32_t y) {
    Colour c;
    std::memcpy(c.data(), f.Pixel(x, y), 4);
    return c;
}

struct Scene {
    const char* name;
    Mat4 projection, view;
};

const Scene kScenes[] = {
    {"flat", Mat4{}, Mat4{}},
    {"tilted", PerspectiveMatrix(6), MatMul(RotationY(kPi / 6), ScaleMatrix(0.8, 0.8, 1))},
};

// Draws `picture` over `background`, whole or cut into columns x rows faces.
void Render(GuardedFrame& out, const Scene& scene, const ImageView& picture, Colour background, int columns,
            int rows) {
    out.FillColour(background.data());
    SceneCanvas canvas;
    canvas.SetScreen(out.desc());
    canvas.SetFlags(kTwoSided);
    canvas.SetProjection(scene.projection);
    canvas.SetViewMatrix(scene.view);
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(int32_t(picture.width), int32_t(picture.height),
                                                           {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, columns, rows, &picture,
                                                           &picture, kMirrorVertical, false);
    DrawMesh(canvas, grid, kDrawDefault);
}

// Pixels fully covered by the picture, with all eight neighbours too: where
// the whole picture drawn over black and over magenta agree.
std::vector<bool> DeepInside(const Scene& scene, const ImageView& picture) {
    GuardedFrame overBlack(W, H), overMagenta(W, H);
    Render(overBlack, scene, picture, kBlack, 1, 1);
    Render(overMagenta, scene, picture, kMagenta, 1, 1);
    std::vector<bool> covered(W * H), deep(W * H, false);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) covered[y * W + x] = At(overBlack, x, y) == At(overMagenta, x, y);
    for (uint32_t y = 1; y + 1 < H; ++y)
        for (uint32_t x = 1; x + 1 < W; ++x) {
            bool all = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) all = all && covered[(y + dy) * W + x + dx];
            deep[y * W + x] = all;
        }
    return deep;
}

TEST(FaceSeams, SolidPictureShowsNoBackgroundAlongSharedEdges) {
    const Colour green{60, 200, 40, 255};
    const ImageView solid = MakePicture(W, H, [&](uint32_t, uint32_t) { return green; });
    for (const Scene& scene : kScenes) {
        const std::vector<bool> deep = DeepInside(scene, solid);
        GuardedFrame out(W, H);
        Render(out, scene, solid, kMagenta, 7, 5);
        int worst = 0;
        size_t inside = 0;
        for (uint32_t y = 0; y < H; ++y)
            for (uint32_t x = 0; x < W; ++x) {
                const Colour c = At(out, x, y);
                if (deep[y * W + x]) {
                    ++inside;
                    for (int ch = 0; ch < 4; ++ch) worst = std::max(worst, std::abs(int(c[ch]) - int(green[ch])));
                } else {
                    // Blended by coverage: every channel between the two colours.
                    for (int ch = 0; ch < 4; ++ch) {
                        EXPECT_GE(c[ch], std::min(green[ch], kMagenta[ch])) << scene.name << " " << x << "," << y;
                        EXPECT_LE(c[ch], std::max(green[ch], kMagenta[ch])) << scene.name << " " << x << "," << y;
                    }
                }
            }
        EXPECT_GT(inside, size_t(W * H / 4)) << scene.name;
        // Seam pixels are part of the interior; any background in them shows here.
        EXPECT_LE(worst, 2) << scene.name;
        EXPECT_EQ(out.DamagedGuards(), 0u);
    }
}

// A picture with detail everywhere, smooth enough that bilinear sampling of
// one cell and of the whole picture agree closely.
ImageView DetailedPicture(uint32_t w, uint32_t h) {
    return MakePicture(w, h, [](uint32_t x, uint32_t y) {
        const double r = std::hypot(double(x) - 120, double(y) - 90);
        return Colour{uint8_t(x * 255 / 319), uint8_t(y * 255 / 239), uint8_t(127 + 120 * std::sin(r / 9)), 255};
    });
}

TEST(FaceSeams, GridDrawsLikeTheWholePicture) {
    const ImageView picture = DetailedPicture(W, H);
    for (const Scene& scene : kScenes) {
        const std::vector<bool> deep = DeepInside(scene, picture);
        GuardedFrame whole(W, H), cut(W, H);
        Render(whole, scene, picture, kMagenta, 1, 1);
        Render(cut, scene, picture, kMagenta, 7, 5);
        int worst = 0;
        for (uint32_t y = 0; y < H; ++y)
            for (uint32_t x = 0; x < W; ++x)
                if (deep[y * W + x]) worst = std::max(worst, whole.MaxDiff(cut, x, y));
        EXPECT_LE(worst, 3) << scene.name;
    }
}

// --- A picture to look at ---------------------------------------------------
// With SVT_SAVE_PICTURES set, writes beside bin/: tilted_grid.png, a detailed
// picture cut into 7 x 5 faces and tilted in perspective over dark grey;
// tilted_grid_zoom.png, a part of it enlarged; twisted_grid.png, the same
// faces part-way through their staggered half turns.

void Put32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

uint32_t Crc32(const std::string& bytes, size_t from) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= uint8_t(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png += type;
    png += data;
    Put32(png, Crc32(png, start));
}

// An uncompressed PNG (zlib stored blocks): enough for a picture to look at.
bool WritePng(const std::string& path, const GuardedFrame& f) {
    std::string raw;
    for (uint32_t y = 0; y < f.height(); ++y) {
        raw.push_back(0); // no filter
        for (uint32_t x = 0; x < f.width(); ++x) {
            const uint8_t* p = f.Pixel(x, y);
            raw += {char(p[2]), char(p[1]), char(p[0]), char(p[3])};
        }
    }
    std::string z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z += {char(n & 0xFF), char(n >> 8), char(~n & 0xFF), char((~n >> 8) & 0xFF)};
        z.append(raw, at, n);
    }
    Put32(z, (b << 16) | a);
    std::string header;
    Put32(header, f.width());
    Put32(header, f.height());
    header += {8, 6, 0, 0, 0}; // 8-bit RGBA
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && ok;
}

// A nearest-neighbour enlargement of the w x h region at (x0, y0), to see seams.
GuardedFrame Zoom(const GuardedFrame& f, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, uint32_t factor) {
    GuardedFrame z(w * factor, h * factor);
    for (uint32_t y = 0; y < z.height(); ++y)
        for (uint32_t x = 0; x < z.width(); ++x) std::memcpy(z.Pixel(x, y), f.Pixel(x0 + x / factor, y0 + y / factor), 4);
    return z;
}

TEST(FaceSeams, SavesTiltedGridsToLookAt) {
    if (!std::getenv("SVT_SAVE_PICTURES")) GTEST_SKIP() << "set SVT_SAVE_PICTURES to write tilted_grid*.png";
    const uint32_t w = 640, h = 360;
    const ImageView picture = MakePicture(w, h, [](uint32_t x, uint32_t y) {
        const bool check = ((x / 20) + (y / 20)) & 1;
        const double r = std::hypot(double(x) - 320, double(y) - 180);
        return Colour{uint8_t(check ? 230 : 40), uint8_t(127 + 120 * std::sin(r / 11)), uint8_t(x * 255 / (w - 1)), 255};
    });
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(w, h, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 7, 5, &picture,
                                                           &picture, kMirrorVertical, true);
    LinearLight light({0, 0, -1}, 0.4);
    const std::string dir = std::string(SVT_BIN_DIR) + "/../";
    for (bool twisted : {false, true}) {
        GuardedFrame out(w, h);
        const Colour grey{40, 40, 40, 255};
        out.FillColour(grey.data());
        SceneCanvas canvas;
        canvas.SetScreen(out.desc());
        canvas.SetFlags(kTwoSided);
        canvas.SetProjection(PerspectiveMatrix(6));
        canvas.SetViewMatrix(MatMul(RotationY(kPi / 6), ScaleMatrix(0.8, 0.8, 1)));
        canvas.AddLight(&light);
        if (twisted) {
            // Faces part-way through their staggered half turns: every face edge shows.
            TwistSystem(grid).Draw(canvas, 0.3, kDrawDefault, 0.6, true, false);
        } else {
            DrawMesh(canvas, grid, kDrawDefault);
        }
        const std::string name = dir + (twisted ? "twisted_grid.png" : "tilted_grid.png");
        ASSERT_TRUE(WritePng(name, out)) << name;
        if (!twisted) {
            ASSERT_TRUE(WritePng(dir + "tilted_grid_zoom.png", Zoom(out, 230, 110, 120, 90, 5)));
        }
    }
}

} // namespace
} // namespace svt
