// Quad faces, meshes, and the grid and box builders.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/mesh_creator.h"

namespace svt {
namespace {

ImageView Picture(uint32_t w, uint32_t h) {
    ImageView v; // no pixels needed: only the size is read
    v.width = w;
    v.height = h;
    return v;
}

QuadFace FullFrame(const ImageView* front, const ImageView* back, uint32_t mirror = kMirrorVertical) {
    return QuadFace({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, front, back, mirror);
}

TEST(QuadFace, PixelRectIncludesBothEndPixels) {
    const ImageView pal = Picture(720, 576), big = Picture(1920, 1080);
    QuadFace face = FullFrame(&pal, nullptr);
    const IntRect r = face.PixelRect(false);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.w, 720);
    EXPECT_EQ(r.h, 576);

    // 719·0.25 + 0.5 = 180.25 -> 180; 719·0.5 + 0.5 = 360 -> w = 181.
    face.frontRect = {0.25, 0, 0.5, 1};
    face.backRect = {0, 0.5, 1, 1};
    EXPECT_EQ(face.PixelRect(false).x, 180);
    EXPECT_EQ(face.PixelRect(false).w, 181);
    // Without a back picture the back side still shows the front rectangle.
    EXPECT_EQ(face.PixelRect(true).x, 180);
    // With one, the back rectangle, scaled by the front picture's size.
    face.backPicture = &big;
    EXPECT_EQ(face.PixelRect(true).y, 288); // 575·0.5 + 0.5 = 288
    EXPECT_EQ(face.PixelRect(true).h, 288); // 575 - 288 + 1

    face.frontPicture = nullptr;
    EXPECT_EQ(face.PixelRect(false).w, 0);
    face.frontPicture = &pal;
    face.vertices.clear();
    EXPECT_EQ(face.PixelRect(false).w, 0);
}

TEST(QuadFace, CornerOrderPermutesOnlyTheBack) {
    using Order = std::array<int, 4>;
    EXPECT_EQ(FullFrame(nullptr, nullptr, 0).CornerOrder(false), (Order{0, 1, 2, 3}));
    EXPECT_EQ(FullFrame(nullptr, nullptr, 0).CornerOrder(true), (Order{1, 0, 3, 2}));
    EXPECT_EQ(FullFrame(nullptr, nullptr, 1).CornerOrder(true), (Order{3, 2, 1, 0}));
    EXPECT_EQ(FullFrame(nullptr, nullptr, 5).CornerOrder(true), (Order{0, 1, 2, 3}));
}

TEST(QuadFace, FacesWithoutFourCornersAreInert) {
    QuadFace face;
    face.vertices.clear();
    face.vertices.push_back({3, 0, 0});
    face.vertices.push_back({0, 3, 0});
    face.vertices.push_back({0, 0, 3});
    EXPECT_EQ(face.Centroid(), (Vec3{1, 1, 1}));
    face.Transform(TranslationMatrix(5, 5, 5));
    EXPECT_EQ(face.vertices[0], (Vec3{3, 0, 0}));
    EXPECT_EQ(face.TransformedCorners(Mat4{})[0], (Vec3{}));
    face.vertices.clear();
    EXPECT_EQ(face.Centroid(), (Vec3{}));

    QuadMesh mesh;
    EXPECT_EQ(mesh.Centroid(), (Vec3{}));
    mesh.AddFace(FullFrame(nullptr, nullptr));
    mesh.Transform(TranslationMatrix(0, 0, -2));
    mesh.AddFace(FullFrame(nullptr, nullptr));
    EXPECT_EQ(mesh.Centroid(), (Vec3{0, 0, -1}));
}

TEST(PlaneGrid, ColumnsSnapToWholePixelsAndShareTheirBorder) {
    const ImageView pic = Picture(1920, 1080);
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(1920, 1080, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 7, 1,
                                                           &pic, &pic, kMirrorVertical, false);
    ASSERT_EQ(grid.size(), 7u);
    // colStep = 1920/7 = 274.29; starts trunc(c·274.29 + 0.5).
    const int starts[7] = {0, 274, 549, 823, 1097, 1371, 1646};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(grid[c].frontRect.left, starts[c] / 1919.0) << c;
        EXPECT_EQ(grid[c].PixelRect(false).x, starts[c]) << c;
        if (c < 6) {
            EXPECT_EQ(grid[c].frontRect.right, grid[c + 1].frontRect.left) << c;
        }
        // The corners sit at the same fractions of the span.
        EXPECT_DOUBLE_EQ(grid[c].vertices[0].x, -1 + 2 * starts[c] / 1919.0) << c;
    }
    EXPECT_EQ(grid[6].frontRect.right, 1.0);
    EXPECT_EQ(grid[6].PixelRect(false).x + grid[6].PixelRect(false).w - 1, 1919);
}

TEST(PlaneGrid, SerpentineRowsRunBackAndCornersSpanTheParallelogram) {
    // A skewed, tilted parallelogram: the last corner is rightEnd + bottomEnd - origin.
    const Vec3 o{-1, 2, 0.5}, right{3, 2.5, 0}, bottom{-2, -1, 1};
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(31, 17, o, right, bottom, 3, 2, nullptr, nullptr, 2, true);
    ASSERT_EQ(grid.size(), 6u);
    const double lefts[6] = {0, 10, 21, 21, 10, 0}; // colStep 31/3: trunc(10.33 + 0.5) = 10, trunc(21.17) = 21
    for (int i = 0; i < 6; ++i) EXPECT_EQ(grid[i].frontRect.left, lefts[i] / 30) << i;
    const Vec3 far = grid[3].vertices[2]; // row 1 runs right to left: its first face is column 2
    EXPECT_NEAR(far.x, 2.0, 1e-12);
    EXPECT_NEAR(far.y, -0.5, 1e-12);
    EXPECT_NEAR(far.z, 0.5, 1e-12);
    EXPECT_EQ(grid[0].vertices[0], o);

    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(31, 17, o, right, bottom, 0, 2, nullptr, nullptr, 0, false).empty());
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(1, 17, o, right, bottom, 1, 1, nullptr, nullptr, 0, false).empty());
}

TEST(PlaneGrid, BackRectanglesMirrorByMode) {
    const Vec3 o{-1, 1, 0}, r{1, 1, 0}, b{-1, -1, 0};
    // 5 pixels in 4 columns: the first ends at trunc(1.25 + 0.5) = 1 = 0.25 of 4.
    const QuadFace across = QuadMeshCreator::CreatePlaneGrid(5, 2, o, r, b, 4, 1, nullptr, nullptr, 0, false)[0];
    EXPECT_EQ(across.frontRect.right, 0.25);
    EXPECT_EQ(across.backRect.left, 0.75);
    EXPECT_EQ(across.backRect.right, 1.0);
    EXPECT_EQ(across.backRect.bottom, 1.0);
    const QuadFace down = QuadMeshCreator::CreatePlaneGrid(2, 5, o, r, b, 1, 4, nullptr, nullptr, 1, false)[0];
    EXPECT_EQ(down.backRect.top, 0.75);
    EXPECT_EQ(down.backRect.bottom, 1.0);
    EXPECT_EQ(down.backRect.right, 1.0);
    const QuadFace plain = QuadMeshCreator::CreatePlaneGrid(5, 2, o, r, b, 4, 1, nullptr, nullptr, 7, false)[1];
    EXPECT_EQ(plain.backRect.left, plain.frontRect.left);
    EXPECT_EQ(plain.backRect.right, plain.frontRect.right);
}

// Every side of a box must show its front outward: its normal (by the
// renderer's rule, corners 0, 3, 1) points away from the box's centre.
void ExpectOutwardFacing(const QuadMesh& box) {
    ASSERT_EQ(box.size(), 6u);
    const Vec3 centre = box.Centroid();
    for (size_t i = 0; i < 6; ++i) {
        const CornerList& v = box[i].vertices;
        const Vec3 n = TriangleNormal(v[0], v[3], v[1]);
        EXPECT_GT(Dot(n, box[i].Centroid() - centre), 0) << "side " << i;
    }
}

TEST(Boxes, SidesFaceOutwardAndReachTheDepth) {
    const ImageView a = Picture(4, 4), b = Picture(4, 4);
    const QuadMesh box = QuadMeshCreator::CreateBox({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, -2, &a, &b);
    ExpectOutwardFacing(box);
    EXPECT_EQ(box[2].Centroid().z, -2.0);
    EXPECT_EQ(box[0].frontPicture, &a);
    EXPECT_EQ(box[3].backPicture, &b);
    EXPECT_EQ(box[5].backRect.right, 1.0);

    QuadMesh src;
    QuadFace face = FullFrame(&a, &b, 1);
    face.frontRect = {0.25, 0, 0.5, 1};
    src.AddFace(face);
    src.AddFace(face);
    const std::vector<QuadMesh> boxes = QuadMeshCreator::CreateFaceBoxes(src);
    ASSERT_EQ(boxes.size(), 2u);
    ExpectOutwardFacing(boxes[0]);
    // Depth = (|c1 - c0| + |c2 - c0|)/2 = (2 + 2·sqrt 2)/2 = 1 + sqrt 2.
    EXPECT_DOUBLE_EQ(boxes[0][2].vertices[0].z, -(1 + std::sqrt(2.0)));
    EXPECT_EQ(boxes[0][4].mirrorMode, 1u);
    EXPECT_EQ(boxes[0][4].frontRect.left, 0.25);
}

} // namespace
} // namespace svt
