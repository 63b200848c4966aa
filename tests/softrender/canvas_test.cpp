// The canvas: screen, background, camera, lists; shading; painter's order;
// drawing single faces.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/mesh_creator.h"
#include "softrender/canvas.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::FullFrameFace;
using canvas_test::GuardedFrame;
using canvas_test::MakePicture;
using canvas_test::PatternPicture;
using Colour = std::array<uint8_t, 4>;

constexpr double kPi = 3.14159265358979323846;

ImageView Solid(uint32_t w, uint32_t h, Colour c) {
    return MakePicture(w, h, [c](uint32_t, uint32_t) { return c; });
}

Colour At(const GuardedFrame& f, uint32_t x, uint32_t y) {
    Colour c;
    std::memcpy(c.data(), f.Pixel(x, y), 4);
    return c;
}

Colour At(const ImageView& v, uint32_t x, uint32_t y) {
    Colour c;
    std::memcpy(c.data(), v.Row(y) + 4 * x, 4);
    return c;
}

bool AllZero(const GuardedFrame& f) {
    for (uint32_t y = 0; y < f.height(); ++y)
        for (uint32_t x = 0; x < f.width(); ++x)
            if (At(f, x, y) != Colour{0, 0, 0, 0}) return false;
    return true;
}

// Counts live instances, and paints the face part it is given.
struct PaintEffect : PREffect {
    static inline int alive = 0;
    int applied = 0;
    uint32_t lastWidth = 0;
    PaintEffect() { ++alive; }
    ~PaintEffect() override { --alive; }
    void Apply(ImageView& image) override {
        ++applied;
        lastWidth = image.width;
        for (uint32_t y = 0; y < image.height; ++y)
            for (uint32_t x = 0; x < image.width; ++x) std::memcpy(image.Row(y) + 4 * x, "\x10\x20\x30\xFF", 4);
    }
};

TEST(SceneCanvas, ScreenCameraLightsAndEffectsFollowTheirRules) {
    SceneCanvas canvas;
    const ImageView pic = Solid(4, 4, {1, 2, 3, 4});
    EXPECT_EQ(canvas.screen(), nullptr);
    EXPECT_FALSE(DrawFace(canvas, FullFrameFace(&pic, nullptr), kDrawDefault));

    GuardedFrame out(8, 6);
    ASSERT_TRUE(canvas.SetScreen(out.desc()));
    EXPECT_EQ(canvas.screen()->width, 8u);
    EXPECT_EQ(canvas.screen()->height, 6u);
    EXPECT_EQ(canvas.screen()->a, 1.0);
    ASSERT_TRUE(canvas.SetScreen(nullptr)); // kept, but with nothing to draw on
    EXPECT_EQ(canvas.screen()->width, 0u);
    EXPECT_FALSE(DrawFace(canvas, FullFrameFace(&pic, nullptr), kDrawDefault));

    // combined = projection·view: (1, 1, 0) moved to z = 5, then w = 0.5.
    canvas.SetProjection(PerspectiveMatrix(10));
    canvas.SetViewMatrix(TranslationMatrix(0, 0, 5));
    EXPECT_EQ(TransformPoint(canvas.combined(), {1, 1, 0}), (Vec3{2, 2, 10}));

    LinearLight light;
    canvas.AddLight(&light);
    canvas.AddLight(&light);
    EXPECT_EQ(canvas.lights().size(), 1u);
    canvas.RemoveAllLights();
    EXPECT_TRUE(canvas.lights().empty());

    {
        SceneCanvas owner;
        auto* effect = new PaintEffect;
        owner.AddPostEffect(effect);
        owner.AddPostEffect(effect);
        EXPECT_EQ(owner.postEffects().size(), 1u);
        owner.ClearPostEffects();
        EXPECT_EQ(PaintEffect::alive, 0);
        owner.AddPostEffect(new PaintEffect);
    }
    EXPECT_EQ(PaintEffect::alive, 0); // the canvas deleted what it still held
}

TEST(SceneCanvas, ClearAndBackgroundWriteEveryScreenPixelAndNothingElse) {
    SceneCanvas canvas;
    GuardedFrame out(5, 4);
    out.Fill(0x77);
    canvas.SetScreen(out.desc());
    canvas.ClearScreen();
    EXPECT_TRUE(AllZero(out)); // alpha too: fully transparent
    EXPECT_EQ(out.DamagedGuards(), 0u);

    out.Fill(0x77);
    const ImageView small = PatternPicture(3, 2);
    canvas.DrawBackground(small);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            EXPECT_EQ(At(out, x, y), (x < 3 && y < 2 ? At(small, x, y) : Colour{0, 0, 0, 0})) << x << "," << y;

    const ImageView big = PatternPicture(7, 6);
    canvas.DrawBackground(big);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(At(out, x, y), At(big, x, y)) << x << "," << y;
    EXPECT_EQ(out.DamagedGuards(), 0u);

    GuardedFrame floats(3, 2, kFormatBGRAF);
    floats.Fill(0x3F);
    canvas.SetScreen(floats.desc());
    canvas.ClearScreen();
    EXPECT_EQ(floats.MaxDiff(GuardedFrame(3, 2, kFormatBGRAF), 2, 1), 0);
    EXPECT_EQ(floats.DamagedGuards(), 0u);
}

TEST(ApplyShade, ScalesColourAndKeepsAlpha) {
    // Colour i becomes trunc(i/2 + 0.5): (i + 1)/2 in integers; 255 -> 128, 1 -> 1.
    ImageView bgra = MakePicture(256, 1, [](uint32_t x, uint32_t) { return Colour{uint8_t(x), uint8_t(x), uint8_t(x), uint8_t(x)}; });
    ASSERT_TRUE(ApplyShade(bgra, 0.5));
    for (int i = 0; i < 256; ++i) {
        const uint8_t s = uint8_t((i + 1) / 2);
        EXPECT_EQ(At(bgra, i, 0), (Colour{s, s, s, uint8_t(i)})) << i;
    }
    ImageView argb = Solid(2, 2, {255, 255, 1, 100});
    argb.format = kFormatARGB8; // alpha first
    ASSERT_TRUE(ApplyShade(argb, 0.5));
    EXPECT_EQ(At(argb, 1, 1), (Colour{255, 128, 1, 50}));

    ImageView f;
    ASSERT_TRUE(f.Allocate(1, 1, 16, nullptr, kFormatARGBF, 1));
    const float in[4] = {0.8f, 0.5f, 1.0f, 0.25f};
    std::memcpy(f.data, in, 16);
    ASSERT_TRUE(ApplyShade(f, 0.5));
    float outF[4];
    std::memcpy(outF, f.data, 16);
    EXPECT_EQ(outF[0], 0.8f);
    EXPECT_EQ(outF[1], 0.25f);
    EXPECT_EQ(outF[3], 0.125f);

    ImageView gray;
    ASSERT_TRUE(gray.Allocate(2, 2, 1, nullptr, kFormatGray8, 1));
    gray.data[0] = 200;
    EXPECT_FALSE(ApplyShade(gray, 0.5));
    EXPECT_EQ(gray.data[0], 200);
}

// The painter's order as stated: neighbours swap when the later one lies
// strictly further back, until a pass swaps nothing.
std::vector<uint64_t> BubbleReference(const std::vector<double>& z) {
    std::vector<uint64_t> order(z.size());
    for (size_t i = 0; i < z.size(); ++i) order[i] = i;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 1; i < order.size(); ++i)
            if (z[order[i]] < z[order[i - 1]]) std::swap(order[i], order[i - 1]), swapped = true;
    }
    return order;
}

TEST(DepthOrder, SortsFarToNearAndKeepsTiesInListOrder) {
    for (uint32_t seed = 0; seed < 20; ++seed) {
        std::mt19937 rng(seed);
        std::vector<QuadFace> faces;
        std::vector<double> z;
        for (int i = 0; i < 60; ++i) {
            z.push_back(double(int(rng() % 5)) - 2); // many ties
            QuadFace f = FullFrameFace(nullptr, nullptr);
            f.Transform(TranslationMatrix(0, 0, z.back()));
            faces.push_back(f);
        }
        EXPECT_EQ(DepthOrder(faces), BubbleReference(z)) << "seed " << seed;
    }
    std::vector<QuadFace> withNaN(3, FullFrameFace(nullptr, nullptr));
    withNaN[1].Transform(TranslationMatrix(0, 0, std::nan("")));
    withNaN[2].Transform(TranslationMatrix(0, 0, -1));
    EXPECT_EQ(DepthOrder(withNaN), BubbleReference({0, std::nan(""), -1}));
}

class DrawFaceTest : public ::testing::Test {
protected:
    static constexpr uint32_t W = 40, H = 30;
    GuardedFrame out{W, H};
    SceneCanvas canvas;
    ImageView front = PatternPicture(W, H);
    ImageView back = MakePicture(W, H, [](uint32_t x, uint32_t y) { return Colour{uint8_t(255 - x), uint8_t(y * 8), 77, 255}; });

    void SetUp() override {
        canvas.SetScreen(out.desc());
        canvas.SetFlags(kTwoSided);
    }
    // Every pixel off the outermost rows and columns equals the picture's.
    void ExpectOneToOne(const ImageView& pic) {
        for (uint32_t y = 1; y + 1 < H; ++y)
            for (uint32_t x = 1; x + 1 < W; ++x) ASSERT_EQ(At(out, x, y), At(pic, x, y)) << x << "," << y;
    }
};

TEST_F(DrawFaceTest, FullFrameFaceMapsThePictureOneToOne) {
    EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&front, &back), kDrawDefault));
    ExpectOneToOne(front);
    LinearLight full({0, 0, -1}, 1.0); // ambient 1: no shading either
    canvas.AddLight(&full);
    out.Fill(0);
    EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&front, &back), kDrawDefault));
    ExpectOneToOne(front);
    EXPECT_EQ(out.DamagedGuards(), 0u);

    QuadFace broken = FullFrameFace(&front, &back);
    broken.frontPicture = nullptr;
    EXPECT_FALSE(DrawFace(canvas, broken, kDrawDefault));
    broken = FullFrameFace(&front, &back);
    broken.vertices.clear();
    EXPECT_FALSE(DrawFace(canvas, broken, kDrawDefault));
}

TEST_F(DrawFaceTest, BackFacesAreCulledOrShownInReadingOrder) {
    canvas.SetFlags(0);
    canvas.SetViewMatrix(RotationY(0.6 * kPi)); // past a quarter turn
    EXPECT_FALSE(DrawFace(canvas, FullFrameFace(&front, &back), kDrawDefault));
    EXPECT_TRUE(AllZero(out));

    // A half turn about the vertical with mirror mode 0, and about the
    // horizontal with mode 1, both show the back picture the right way round.
    canvas.SetFlags(kTwoSided);
    canvas.SetViewMatrix(RotationY(kPi));
    EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&front, &back, kMirrorVertical), kDrawDefault));
    ExpectOneToOne(back);
    out.Fill(0);
    canvas.SetViewMatrix(RotationX(kPi));
    EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&front, &back, kMirrorHorizontal), kDrawDefault));
    ExpectOneToOne(back);
}

TEST_F(DrawFaceTest, OffScreenFacesAreSkippedAndPartialOnesClipped) {
    canvas.SetViewMatrix(TranslationMatrix(-3, 0, 0)); // every x < 0
    EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&front, &back), kDrawDefault));
    EXPECT_TRUE(AllZero(out));

    // Three corners left of the frame, one inside at x = 1.5·19.5 = 29.25.
    canvas.SetViewMatrix(Mat4{});
    const QuadFace partial({-3, 1, 0}, {0.5, 0, 0}, {-2, -1, 0}, {-3, -1, 0}, &front, &back);
    EXPECT_TRUE(DrawFace(canvas, partial, kDrawDefault));
    EXPECT_NE(At(out, 0, H / 2), (Colour{0, 0, 0, 0}));
    for (uint32_t y = 0; y < H; ++y) EXPECT_EQ(At(out, W - 1, y), (Colour{0, 0, 0, 0})) << y;
    EXPECT_EQ(out.DamagedGuards(), 0u);

    // A quad folded over itself (corners in bow-tie order) draws nothing.
    out.Fill(0);
    const QuadFace folded({-1, 1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, -1, 0}, &front, &back);
    EXPECT_TRUE(DrawFace(canvas, folded, kDrawDefault));
    EXPECT_TRUE(AllZero(out));
}

TEST_F(DrawFaceTest, LightingDarkensTurnedFacesOnBothPaths) {
    const ImageView flat = Solid(W, H, {200, 100, 50, 255});
    LinearLight light({0, 0, -1}, 0.0);
    canvas.AddLight(&light);
    canvas.SetViewMatrix(RotationY(kPi / 3)); // N.z = cos 60° = 0.5: k = 0.5
    for (bool copy : {false, true}) {
        out.Fill(0);
        canvas.SetAlwaysCopyFaces(copy);
        EXPECT_TRUE(DrawFace(canvas, FullFrameFace(&flat, nullptr), kDrawDefault));
        const Colour c = At(out, W / 2, H / 2);
        EXPECT_NEAR(c[0], 100, 1) << copy;
        EXPECT_NEAR(c[1], 50, 1) << copy;
        EXPECT_NEAR(c[2], 25, 1) << copy;
        EXPECT_EQ(c[3], 255) << copy;
    }
}

TEST_F(DrawFaceTest, DirectAndCopiedPathsAgreeWithinOneLevel) {
    LinearLight light({0, 0, -1}, 0.3);
    canvas.AddLight(&light);
    canvas.SetProjection(PerspectiveMatrix(6));
    canvas.SetViewMatrix(MatMul(RotationX(0.4), RotationY(0.5)));
    // The whole picture, then the centre cell of a 3 x 3 grid (an inner rectangle).
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(W, H, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 3, 3, &front,
                                                           &back, kMirrorVertical, false);
    for (const QuadFace& face : {FullFrameFace(&front, &back), grid[4]}) {
        GuardedFrame copied(W, H);
        SceneCanvas reference;
        reference.SetScreen(copied.desc());
        reference.SetFlags(kTwoSided);
        reference.SetProjection(canvas.projection());
        reference.SetViewMatrix(canvas.view());
        reference.AddLight(&light);
        reference.SetAlwaysCopyFaces(true);
        out.Fill(0);
        EXPECT_TRUE(DrawFace(canvas, face, kDrawDefault));
        EXPECT_TRUE(DrawFace(reference, face, kDrawDefault));
        int most = 0;
        for (uint32_t y = 0; y < H; ++y)
            for (uint32_t x = 0; x < W; ++x) most = std::max(most, out.MaxDiff(copied, x, y));
        EXPECT_LE(most, 1);
        EXPECT_FALSE(AllZero(out));
    }
}

TEST_F(DrawFaceTest, PostEffectsWorkOnEachDrawnFacePart) {
    auto* effect = new PaintEffect;
    canvas.AddPostEffect(effect);
    QuadFace half = FullFrameFace(&front, &back);
    half.frontRect = {0, 0, 0.5, 1}; // 39·0.5 + 0.5 = 20: columns 0 to 20
    EXPECT_TRUE(DrawFace(canvas, half, kDrawDefault));
    EXPECT_EQ(effect->applied, 1);
    EXPECT_EQ(effect->lastWidth, 21u);
    EXPECT_EQ(At(out, W / 2, H / 2), (Colour{0x10, 0x20, 0x30, 0xFF}));

    canvas.SetFlags(0);
    canvas.SetViewMatrix(RotationY(kPi)); // culled: no work on its picture
    EXPECT_FALSE(DrawFace(canvas, half, kDrawDefault));
    canvas.SetViewMatrix(TranslationMatrix(5, 0, 0)); // off screen: none either
    EXPECT_TRUE(DrawFace(canvas, half, kDrawDefault));
    EXPECT_EQ(effect->applied, 1);
    canvas.ClearPostEffects();
}

TEST_F(DrawFaceTest, EqualDepthFacesPaintInListOrderAndNearerOnesLast) {
    const ImageView red = Solid(W, H, {0, 0, 255, 255}), blue = Solid(W, H, {255, 0, 0, 255});
    DrawFaces(canvas, {FullFrameFace(&red, nullptr), FullFrameFace(&blue, nullptr)});
    EXPECT_EQ(At(out, W / 2, H / 2), (Colour{255, 0, 0, 255}));
    QuadMesh mesh;
    mesh.AddFace(FullFrameFace(&blue, nullptr));
    mesh.AddFace(FullFrameFace(&red, nullptr));
    DrawMesh(canvas, mesh, kDrawDefault);
    EXPECT_EQ(At(out, W / 2, H / 2), (Colour{0, 0, 255, 255}));
    // Listed first but nearer: drawn last. (No perspective: same screen quad.)
    mesh[0].Transform(TranslationMatrix(0, 0, 0.5));
    DrawMesh(canvas, mesh, kDrawDefault);
    EXPECT_EQ(At(out, W / 2, H / 2), (Colour{255, 0, 0, 255}));
}

TEST_F(DrawFaceTest, NothingIsWrittenOutsideTheFrame) {
    // Quads crossing each edge and corner, far outside, huge, and reaching
    // behind the camera; then random ones, seeded by case.
    canvas.SetProjection(PerspectiveMatrix(6));
    std::vector<Mat4> cases;
    for (double dx : {-1.5, -0.9, 0.0, 0.9, 1.5})
        for (double dy : {-1.5, -0.9, 0.0, 0.9, 1.5}) cases.push_back(TranslationMatrix(dx, dy, 0));
    cases.push_back(TranslationMatrix(40, 3, 0));
    cases.push_back(ScaleMatrix(1000, 1000, 1));
    cases.push_back(MatMul(TranslationMatrix(0, 0, 5.9), RotationY(0.3)));
    cases.push_back(MatMul(TranslationMatrix(0, 0, 5), RotationX(1.2)));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int i = 0; i < 60; ++i)
        cases.push_back(MatMul(TranslationMatrix(2 * u(rng), 2 * u(rng), 3 * u(rng)),
                               MatMul(RotationY(3 * u(rng)), MatMul(RotationX(3 * u(rng)), ScaleMatrix(1 + u(rng), 1 + u(rng), 1)))));
    for (size_t i = 0; i < cases.size(); ++i) {
        canvas.SetViewMatrix(cases[i]);
        DrawFace(canvas, FullFrameFace(&front, &back), kDrawDefault);
        ASSERT_EQ(out.DamagedGuards(), 0u) << "case " << i;
    }
}

} // namespace
} // namespace svt
