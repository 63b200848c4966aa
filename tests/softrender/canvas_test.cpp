// The canvas: screen, background, camera and lists; shading; painter's
// order (against neighbour swapping); drawing single faces, and a picture
// cut into faces drawing as one, without seams. Clipping at the screen's
// edges, refused quads and guard bytes are the warp's tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "geometry/mesh_creator.h"
#include "geometry/quad_face.h"
#include "geometry/twist_system.h"
#include "softrender/canvas.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using namespace canvas_test;
constexpr double kPi = std::numbers::pi;
const Rgba kClear{0, 0, 0, 0};

// Paints the face part it is given.
struct PaintEffect : PREffect {
    int applied = 0;
    uint32_t lastWidth = 0;
    void Apply(ImageView& image) override {
        ++applied;
        lastWidth = image.width;
        for (uint32_t y = 0; y < image.height; ++y)
            for (uint32_t x = 0; x < image.width; ++x) std::memcpy(image.Row(y) + 4 * x, "\x30\x20\x10\xFF", 4);
    }
};

TEST(SceneCanvas, ClearAndBackgroundCoverTheScreenAndNothingElse) {
    SceneCanvas canvas;
    HostFrame out = Screen(5, 4);
    out.FillBytes(0x77);
    canvas.SetScreen(out.desc());
    canvas.ClearScreen();
    EXPECT_EQ(out.Load(), Picture(5, 4, kClear)); // alpha too

    const Picture small = Paint(3, 2, [](int x, int y) { return Rgba{uint8_t(x), uint8_t(y), 9, 200}; });
    out.FillBytes(0x77);
    canvas.DrawBackground(Source(small).view);
    Picture want(5, 4, kClear);
    want.Blit(small, 0, 0);
    EXPECT_EQ(out.Load(), want);
    const Picture big = Paint(7, 6, [](int x, int y) { return Rgba{uint8_t(x), uint8_t(y), 9, 200}; });
    canvas.DrawBackground(Source(big).view);
    EXPECT_EQ(out.Load(), Paint(5, 4, [&](int x, int y) { return big.at(x, y); }));
    EXPECT_TRUE(out.GuardsIntact());

    HostFrame floats = Screen(3, 2, kFormatBGRAF);
    floats.FillBytes(0x3F);
    canvas.SetScreen(floats.desc());
    canvas.ClearScreen();
    EXPECT_EQ(floats.Load(), Picture(3, 2, kClear));
    EXPECT_TRUE(floats.GuardsIntact());
}

class DrawFaceTest : public ::testing::Test {
protected:
    static constexpr int W = 40, H = 30;
    HostFrame out = Screen(W, H);
    SceneCanvas canvas;
    const Picture frontPic = Paint(W, H, [](int x, int y) { return Rgba{uint8_t(x * 7 + y * 3), uint8_t(x * 5 ^ y * 11), uint8_t(x + y * 13), 255}; });
    const Picture backPic = Paint(W, H, [](int x, int y) { return Rgba{uint8_t(255 - x), uint8_t(y * 8), 77, 255}; });
    const Source front{frontPic}, back{backPic};

    void SetUp() override {
        canvas.SetScreen(out.desc());
        canvas.SetFlags(kTwoSided);
    }
    const FacePictures pictures{&front.view, &back.view};

    bool Draw(const QuadFace& face, const FacePictures& shown) { return DrawFace(canvas, face, shown, kDrawDefault); }
    bool Draw(const QuadFace& face) { return Draw(face, pictures); }
    QuadFace Full(uint32_t mirror = kMirrorVertical) { return FullFrameFace(kSourceFirst, kSourceSecond, mirror); }
    // Every pixel off the outermost rows and columns equals the picture's.
    void ExpectOneToOne(const Picture& pic) {
        const Picture got = out.Load();
        for (int y = 1; y + 1 < H; ++y)
            for (int x = 1; x + 1 < W; ++x) ASSERT_EQ(got.at(x, y), pic.at(x, y)) << x << "," << y;
    }
};

TEST_F(DrawFaceTest, FullFrameFacesMapOneToOneFrontAndBack) {
    LinearLight full({0, 0, -1}, 1.0); // ambient 1: no shading
    canvas.AddLight(&full);
    EXPECT_TRUE(Draw(Full()));
    ExpectOneToOne(frontPic);
    EXPECT_TRUE(out.GuardsIntact());
    // Half turns about the vertical (mode 0) and horizontal (mode 1) axes both
    // show the back picture the right way round.
    canvas.SetViewMatrix(RotationY(kPi));
    EXPECT_TRUE(Draw(Full(kMirrorVertical)));
    ExpectOneToOne(backPic);
    out.FillBytes(0);
    canvas.SetViewMatrix(RotationX(kPi));
    EXPECT_TRUE(Draw(Full(kMirrorHorizontal)));
    ExpectOneToOne(backPic);
}

TEST_F(DrawFaceTest, ShadingDimsByTheLightOnTheDirectAndCopiedPaths) {
    // N.z = cos 60° = 0.5 under a head-on light without ambient: half
    // brightness, whether the face is warped straight from its picture or
    // through a copy of its part (how the two sample is the warp's own test).
    const Source flat(Picture(W, H, Rgba{50, 100, 200, 255}));
    LinearLight light({0, 0, -1}, 0.0);
    canvas.AddLight(&light);
    canvas.SetViewMatrix(RotationY(kPi / 3));
    for (bool copy : {false, true}) {
        out.FillBytes(0);
        canvas.SetAlwaysCopyFaces(copy);
        EXPECT_TRUE(Draw(FullFrameFace(kSourceFirst, kSourceNone), {&flat.view, nullptr}));
        EXPECT_LE(MaxDiff(Picture(1, 1, out.Load().at(W / 2, H / 2)), Picture(1, 1, Rgba{25, 50, 100, 255})), 1) << copy;
    }
}

TEST_F(DrawFaceTest, PostEffectsWorkOnEachDrawnFacePart) {
    auto* effect = new PaintEffect;
    canvas.AddPostEffect(effect);
    QuadFace half = Full();
    half.frontRect = {0, 0, 0.5, 1}; // 39·0.5 + 0.5 = 20: columns 0 to 20
    EXPECT_TRUE(Draw(half));
    EXPECT_EQ(effect->lastWidth, 21u);
    EXPECT_EQ(out.Load().at(W / 2, H / 2), (Rgba{0x10, 0x20, 0x30, 0xFF}));
    canvas.SetViewMatrix(TranslationMatrix(5, 0, 0)); // off screen
    EXPECT_TRUE(Draw(half));
    EXPECT_EQ(effect->applied, 1); // which costs no pass over its picture
}

QuadFace FaceAtDepth(double z) {
    return QuadFace({-1, 1, z}, {1, 1, z}, {1, -1, z}, {-1, -1, z}, kSourceNone, kSourceNone, 0, TexRect{}, TexRect{});
}

// The obvious order: swap neighbours while the later one lies strictly further back.
std::vector<uint64_t> NeighbourSwapOrder(const std::vector<double>& z) {
    std::vector<uint64_t> order(z.size());
    for (size_t i = 0; i < z.size(); ++i) order[i] = i;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 1; i < order.size(); ++i)
            if (z[order[i]] < z[order[i - 1]]) {
                std::swap(order[i], order[i - 1]);
                swapped = true;
            }
    }
    return order;
}

TEST(DepthOrder, EqualsNeighbourSwappingOnRandomDepthsWithManyTiesAndNaNs) {
    // Few levels: many ties. A NaN depth must still leave every face in the order once.
    std::vector<std::vector<double>> cases = {{0.5, NAN, -0.5, 0.25, NAN, -1}};
    for (int seed = 0; seed < 40; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> level(0, seed % 5 + 1);
        cases.emplace_back();
        for (int i = 0; i < 1 + seed * 7; ++i) cases.back().push_back(level(rng) * 0.25 - 1.0);
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        std::vector<QuadFace> faces;
        for (double z : cases[i]) faces.push_back(FaceAtDepth(z));
        EXPECT_EQ(DepthOrder(faces), NeighbourSwapOrder(cases[i])) << "case " << i;
    }
}

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
    const Source solid(Picture(W, H, Rgba{40, 200, 60, 255}));
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
            size_t inside = 0;
            for (int i = 0; i < W * H; ++i) {
                if (deep[i])
                    ++inside;
                else
                    whole.data()[i] = cut.data()[i] = kBlack;
            }
            EXPECT_GT(inside, size_t(W * H / 4)) << scene.name;
            // Any background in a seam shows here as a difference near 255.
            EXPECT_LE(MaxDiff(whole, cut), pic == &solid ? 1 : 3) << scene.name;
        }
    }
}

} // namespace
} // namespace svt
