// A picture cut into a grid of faces must draw as one picture: no background
// showing through the shared edges, flat or tilted in perspective.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>

#include "geometry/mesh_creator.h"
#include "geometry/twist_system.h"
#include "softrender/canvas.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using namespace canvas_test;
constexpr int W = 320, H = 240;
const Rgba kMagenta{255, 0, 255, 255}, kBlack{0, 0, 0, 255};

struct View {
    const char* name;
    Mat4 projection, view;
};
const View kScenes[] = {
    {"flat", Mat4{}, Mat4{}},
    {"tilted", PerspectiveMatrix(6), MatMul(RotationY(std::numbers::pi / 6), ScaleMatrix(0.8, 0.8, 1))},
};

// The picture drawn over `background`, whole or cut into columns x rows faces.
Picture Render(const View& scene, const Source& pic, Rgba background, int columns, int rows) {
    HostFrame out = Screen(W, H);
    out.Store(Picture(W, H, background));
    SceneCanvas canvas;
    canvas.SetScreen(out.desc());
    canvas.SetFlags(kTwoSided);
    canvas.SetProjection(scene.projection);
    canvas.SetViewMatrix(scene.view);
    DrawFaces(canvas,
              QuadMeshCreator::CreatePlaneGrid(W, H, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, columns, rows, kSourceFirst,
                                               kSourceNone, kMirrorVertical, false)
                  .faces(),
              {&pic.view, nullptr});
    EXPECT_TRUE(out.GuardsIntact());
    return out.Load();
}

// Pixels that the whole picture covers fully, with all eight neighbours:
// where it drawn over black and over magenta agree. Seams cross them all.
std::vector<bool> DeepInside(const View& scene, const Source& pic) {
    const Picture a = Render(scene, pic, kBlack, 1, 1), b = Render(scene, pic, kMagenta, 1, 1);
    std::vector<bool> deep(W * H, false);
    for (int y = 1; y + 1 < H; ++y)
        for (int x = 1; x + 1 < W; ++x) {
            bool all = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) all = all && a.at(x + dx, y + dy) == b.at(x + dx, y + dy);
            deep[y * W + x] = all;
        }
    return deep;
}

TEST(FaceSeams, GridDrawsLikeTheWholePictureOverAContrastingBackground) {
    const Rgba green{40, 200, 60, 255};
    const Source solid(Picture(W, H, green));
    // Detail everywhere, smooth enough that sampling a cell and the whole
    // picture agree closely.
    const Source detailed(Paint(W, H, [](int x, int y) {
        const double r = std::hypot(x - 120.0, y - 90.0);
        return Rgba{uint8_t(127 + 120 * std::sin(r / 9)), uint8_t(y * 255 / (H - 1)), uint8_t(x * 255 / (W - 1)), 255};
    }));
    for (const Source* pic : {&solid, &detailed}) {
        for (const View& scene : kScenes) {
            const std::vector<bool> deep = DeepInside(scene, *pic);
            Picture whole = Render(scene, *pic, kMagenta, 1, 1), cut = Render(scene, *pic, kMagenta, 7, 5);
            size_t inside = 0, unblended = 0;
            for (int i = 0; i < W * H; ++i) {
                const Rgba c = cut.data()[i];
                if (deep[i]) {
                    ++inside;
                } else {
                    // Border pixels blend the two colours by coverage, nothing else.
                    if (pic == &solid && (c.r < green.r || c.g > green.g || c.b < green.b)) ++unblended;
                    whole.data()[i] = cut.data()[i] = kBlack;
                }
            }
            EXPECT_GT(inside, size_t(W * H / 4)) << scene.name;
            EXPECT_EQ(unblended, 0u) << scene.name;
            // Any background in a seam shows here as a difference near 255.
            EXPECT_LE(MaxDiff(whole, cut), pic == &solid ? 1 : 3) << scene.name;
        }
    }
}

} // namespace
} // namespace svt
