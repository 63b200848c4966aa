// Quad faces and meshes, the grid and box builders.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/mesh_creator.h"

namespace svt {
namespace {

const Vec3 kTL{-1, 1, 0}, kTR{1, 1, 0}, kBR{1, -1, 0}, kBL{-1, -1, 0};

TEST(QuadFace, PixelRectCornerOrderAndFacesWithoutFourCorners) {
    QuadFace face(kTL, kTR, kBR, kBL, kSourceFirst, kSourceNone);
    EXPECT_EQ(face.PixelRect(false, 720, 576).w, 720);
    EXPECT_EQ(face.PixelRect(false, 720, 576).h, 576);
    // 719·0.25 + 0.5 -> 180; 719·0.5 + 0.5 = 360 -> w = 181. Without a back
    // picture the back side shows the front rectangle too.
    face.frontRect = {0.25, 0, 0.5, 1};
    face.backRect = {0, 0.5, 1, 1};
    EXPECT_EQ(face.PixelRect(true, 720, 576).x, 180);
    EXPECT_EQ(face.PixelRect(true, 720, 576).w, 181);
    // With one, the back rectangle, still in the front picture's size: 575·0.5 + 0.5 = 288.
    face.back = kSourceSecond;
    EXPECT_EQ(face.PixelRect(true, 720, 576).y, 288);
    EXPECT_EQ(face.PixelRect(true, 720, 576).h, 288);

    using Order = std::array<int, 4>;
    const struct {
        uint32_t mirror;
        bool back;
        Order want;
    } orders[] = {{1, false, {0, 1, 2, 3}}, {1, true, {3, 2, 1, 0}}, {0, true, {1, 0, 3, 2}}, {5, true, {0, 1, 2, 3}}};
    for (const auto& o : orders) {
        face.mirrorMode = o.mirror;
        EXPECT_EQ(face.CornerOrder(o.back), o.want) << o.mirror << o.back;
    }

    face.vertices.clear();
    EXPECT_EQ(face.PixelRect(false, 720, 576).w, 0);
    face.vertices.push_back({3, 0, 0});
    face.vertices.push_back({0, 3, 0});
    face.vertices.push_back({0, 0, 3});
    EXPECT_EQ(face.Centroid(), (Vec3{1, 1, 1}));
    face.Transform(TranslationMatrix(5, 5, 5)); // left alone
    EXPECT_EQ(face.vertices[0], (Vec3{3, 0, 0}));
    EXPECT_EQ(face.TransformedCorners(Mat4{})[0], (Vec3{}));
}

TEST(PlaneGrid, ColumnsSnapToWholePixelsAndShareTheirBorder) {
    const QuadMesh grid =
        QuadMeshCreator::CreatePlaneGrid(1920, 1080, kTL, kTR, kBL, 7, 1, kSourceNone, kSourceNone, kMirrorVertical, false);
    ASSERT_EQ(grid.size(), 7u);
    // colStep = 1920/7 = 274.29; column c starts at trunc(c·274.29 + 0.5).
    const int starts[7] = {0, 274, 549, 823, 1097, 1371, 1646};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(grid[c].frontRect.left, starts[c] / 1919.0) << c;
        EXPECT_EQ(grid[c].frontRect.right, c < 6 ? grid[c + 1].frontRect.left : 1.0) << c;
        EXPECT_DOUBLE_EQ(grid[c].vertices[0].x, -1 + 2 * starts[c] / 1919.0) << c;
    }
}

TEST(PlaneGrid, SerpentineOrderCornersAndMirroredBacks) {
    // Skewed and tilted: the far corner is rightEnd + bottomEnd - origin = (2, -0.5, 0.5).
    const Vec3 o{-1, 2, 0.5}, right{3, 2.5, 0}, bottom{-2, -1, 1};
    const QuadMesh grid = QuadMeshCreator::CreatePlaneGrid(31, 17, o, right, bottom, 3, 2, kSourceNone, kSourceNone, 2, true);
    ASSERT_EQ(grid.size(), 6u);
    const double lefts[6] = {0, 10, 21, 21, 10, 0}; // 31/3 = 10.33: trunc(10.83) = 10, trunc(21.17) = 21
    for (int i = 0; i < 6; ++i) EXPECT_EQ(grid[i].frontRect.left, lefts[i] / 30) << i;
    EXPECT_NEAR(Length(grid[3].vertices[2] - Vec3{2, -0.5, 0.5}), 0, 1e-12);
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(31, 17, o, right, bottom, 0, 2, kSourceNone, kSourceNone, 0, false).empty());
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(1, 17, o, right, bottom, 1, 1, kSourceNone, kSourceNone, 0, false).empty());

    // 5 pixels in 4 columns: the first ends at trunc(1.25 + 0.5) = 1, i.e. 0.25;
    // mirrored about the vertical its back is the last column, about the horizontal the last row.
    const QuadFace across = QuadMeshCreator::CreatePlaneGrid(5, 2, kTL, kTR, kBL, 4, 1, kSourceNone, kSourceNone, 0, false)[0];
    EXPECT_EQ(across.frontRect.right, 0.25);
    EXPECT_EQ(across.backRect.left, 0.75);
    EXPECT_EQ(across.backRect.right, 1.0);
    const QuadFace down = QuadMeshCreator::CreatePlaneGrid(2, 5, kTL, kTR, kBL, 1, 4, kSourceNone, kSourceNone, 1, false)[0];
    EXPECT_EQ(down.backRect.top, 0.75);
    EXPECT_EQ(down.backRect.right, 1.0);
}

// Every side of a box shows its front outward: its normal by the renderer's
// rule (corners 0, 3, 1) points away from the box's centre.
void ExpectOutwardFacing(const QuadMesh& box) {
    ASSERT_EQ(box.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const CornerList& v = box[i].vertices;
        EXPECT_GT(Dot(TriangleNormal(v[0], v[3], v[1]), box[i].Centroid() - box.Centroid()), 0) << "side " << i;
    }
}

TEST(Boxes, SidesFaceOutwardAndCopyTheirSource) {
    const QuadMesh box = QuadMeshCreator::CreateBox(kTL, kTR, kBR, kBL, -2, kSourceFirst, kSourceSecond);
    ExpectOutwardFacing(box);
    EXPECT_EQ(box[2].Centroid().z, -2.0);
    EXPECT_EQ(box[3].back, kSourceSecond);

    QuadMesh src;
    src.AddFace(QuadFace(kTL, kTR, kBR, kBL, kSourceFirst, kSourceSecond, 1, {0.25, 0, 0.5, 1}));
    const std::vector<QuadMesh> boxes = QuadMeshCreator::CreateFaceBoxes(src);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectOutwardFacing(boxes[0]);
    // Depth (|c1 - c0| + |c2 - c0|)/2 = (2 + 2·sqrt 2)/2 = 1 + sqrt 2.
    EXPECT_DOUBLE_EQ(boxes[0][2].vertices[0].z, -(1 + std::sqrt(2.0)));
    EXPECT_EQ(boxes[0][4].mirrorMode, 1u);
    EXPECT_EQ(boxes[0][4].frontRect.left, 0.25);
}

} // namespace
} // namespace svt
