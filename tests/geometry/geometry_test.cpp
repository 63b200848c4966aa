// Matrices and the w rule; quad faces, the grid and box builders; the box
// fold; staggered half turns and the twist and ring animators built on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "geometry/light.h"
#include "geometry/mat4.h"
#include "geometry/mesh_creator.h"
#include "geometry/projection.h"
#include "geometry/ring_system.h"
#include "geometry/stagger.h"
#include "geometry/twist_system.h"

namespace svt {
namespace {

void ExpectNear(const Vec3& got, const Vec3& want, double tol = 1e-12) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

TEST(Mat4, ProductOrderTurnDirectionsAndTheWThreshold) {
    // RotationZ(pi/2) sends (1, 0, 0) to (0, -1, 0); +1 in x after it gives
    // (1, -1, 0), before it (2, 0, 0) -> (0, -2, 0).
    const Mat4 t = TranslationMatrix(1, 0, 0), r = RotationZ(std::numbers::pi / 2);
    ExpectNear(TransformPoint(MatMul(t, r), {1, 0, 0}), {1, -1, 0});
    ExpectNear(TransformPoint(MatMul(r, t), {1, 0, 0}), {0, -2, 0});
    // About y the right edge comes forward; about x the y = +1 edge moves away.
    const double s = std::sin(0.3), c = std::cos(0.3);
    ExpectNear(TransformPoint(RotationY(0.3), {1, 0, 0}), {c, 0, s});
    ExpectNear(TransformPoint(RotationX(0.3), {0, 1, 0}), {0, c, -s});

    // D = 10: (1, 1, 5) gets w = 1 - 5/10 = 0.5 and lands at (2, 2, 10).
    ExpectNear(TransformPoint(PerspectiveMatrix(10), {1, 1, 5}), {2, 2, 10}, 0);
    EXPECT_EQ(PerspectiveMatrix(1e-7).at(3, 2), 0.0); // no perspective
    Mat4 m;
    for (double w : {1e-7, -1e-6}) { // |w| <= 1e-6: undivided
        m.at(3, 3) = w;
        ExpectNear(TransformPoint(m, {3, 4, 5}), {3, 4, 5}, 0);
    }
    m.at(3, 3) = 2e-6;
    ExpectNear(TransformPoint(m, {3, 4, 5}), {1.5e6, 2e6, 2.5e6}, 1e-6);
}

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

enum { kFront, kRight, kBack, kLeft, kUpper, kLower }; // CreateBox order; upper is the y = +1 side

// The full-frame box with its back at z = -2, folded.
QuadMesh Folded(double progress) {
    const QuadMesh box =
        QuadMeshCreator::CreateBox({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, -2.0, kSourceNone, kSourceNone);
    return QuadMeshCreator::FoldBox(box, progress);
}

using Bounds = std::array<double, 6>; // x0, x1, y0, y1, z0, z1

// A face's bounding box, rounded to 1e-9 so that sine and cosine noise compares equal.
Bounds BoundsOf(const QuadFace& f) {
    Bounds b{1e9, -1e9, 1e9, -1e9, 1e9, -1e9};
    for (const Vec3& p : f.vertices) {
        const double v[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) {
            b[2 * i] = std::min(b[2 * i], std::round(v[i] * 1e9) / 1e9);
            b[2 * i + 1] = std::max(b[2 * i + 1], std::round(v[i] * 1e9) / 1e9);
        }
    }
    return b;
}

TEST(BoxFold, OpensIntoAFlatCrossAndClosesInFrontInsideOut) {
    // At 0.5 each side, two units deep, has swung a quarter turn about its
    // edge with the front and lies beside it; the back, hanging from the far
    // edge of the upper side, lies beyond that. At 1 the box stands in front.
    const struct {
        double progress;
        int face;
        Bounds want;
    } cases[] = {{0.5, kFront, {-1, 1, -1, 1, 0, 0}}, {0.5, kRight, {1, 3, -1, 1, 0, 0}},
                 {0.5, kLeft, {-3, -1, -1, 1, 0, 0}}, {0.5, kUpper, {-1, 1, 1, 3, 0, 0}},
                 {0.5, kLower, {-1, 1, -3, -1, 0, 0}}, {0.5, kBack, {-1, 1, 3, 5, 0, 0}},
                 {1.0, kRight, {1, 1, -1, 1, 0, 2}},  {1.0, kUpper, {-1, 1, 1, 1, 0, 2}},
                 {1.0, kBack, {-1, 1, -1, 1, 2, 2}},  {0.0, kBack, {-1, 1, -1, 1, -2, -2}}};
    for (const auto& c : cases) EXPECT_EQ(BoundsOf(Folded(c.progress)[c.face]), c.want) << c.progress << " " << c.face;

    // Two half turns about parallel hinges keep the back's orientation: its
    // back side (the second picture) faces +z, and its corner 1, which takes
    // that side's top-left texel, lies at the top left: upright, unmirrored.
    const QuadMesh closed = Folded(1.0);
    const CornerList& back = closed[kBack].vertices;
    EXPECT_LT(Cross(back[3] - back[0], back[1] - back[0]).z, 0.0);
    EXPECT_EQ(BoundsOf(QuadFace(back[1], back[1], back[1], back[1], kSourceNone, kSourceNone)), (Bounds{-1, -1, 1, 1, 2, 2}));

    // A mesh that is no box comes back as it was.
    QuadMesh five = Folded(0.0);
    five.faces().pop_back();
    EXPECT_EQ(BoundsOf(QuadMeshCreator::FoldBox(five, 0.5)[kRight]), BoundsOf(five[kRight]));
}

TEST(BoxFold, SidesStayHingedAndRigidAtEveryStage) {
    const QuadMesh box = Folded(0.0);
    auto near = [](const Vec3& a, const Vec3& b) { return Length(a - b) < 1e-12; };
    for (double f : {0.1, 0.3, 0.77, 0.95}) {
        SCOPED_TRACE(f);
        const QuadMesh m = Folded(f);
        EXPECT_TRUE(near(m[kRight].vertices[3], box[kFront].vertices[2]));
        EXPECT_TRUE(near(m[kLeft].vertices[1], box[kFront].vertices[0]));
        EXPECT_TRUE(near(m[kUpper].vertices[3], box[kFront].vertices[0]));
        EXPECT_TRUE(near(m[kLower].vertices[0], box[kFront].vertices[3]));
        EXPECT_TRUE(near(m[kBack].vertices[1], m[kUpper].vertices[0])); // joined along b0-b1
        EXPECT_TRUE(near(m[kBack].vertices[0], m[kUpper].vertices[1]));
        EXPECT_NEAR(Length(m[kRight].vertices[1] - m[kRight].vertices[0]), 2.0, 1e-12); // rigid
        EXPECT_NEAR(Length(m[kBack].vertices[2] - m[kBack].vertices[0]), 2.0 * std::sqrt(2.0), 1e-12);
    }
}

TEST(Stagger, WindowsFollowCohesion) {
    // m = 4, c = 0: d = 1/4, item 2 turns during [0.5, 0.75].
    EXPECT_EQ(StaggeredAngle(0.5, 2, 4, 0), 0.0);
    EXPECT_DOUBLE_EQ(StaggeredAngle(0.625, 2, 4, 0), std::numbers::pi / 2);
    EXPECT_EQ(StaggeredAngle(0.75, 2, 4, 0), std::numbers::pi);
    // c = 1: all together, angle t·pi.
    for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(StaggeredAngle(0.3, j, 5, 1), 0.3 * std::numbers::pi);
    // The last item ends exactly at t = 1 and later items never lead.
    for (int n : {1, 2, 7, 30})
        for (double c : {0.0, 0.25, 0.7071, 0.9}) {
            const StaggerWindow last = StaggerStart(n - 1, n, c);
            EXPECT_NEAR(last.start + last.duration, 1.0, 1e-12) << n << " " << c;
            for (double t = 0.0; t <= 1.0; t += 0.0625)
                for (int j = 1; j < n; ++j) EXPECT_LE(StaggeredProgress(t, j, n, c), StaggeredProgress(t, j - 1, n, c));
        }
}

TEST(TwistSystem, TurnsEachFaceAboutItsOwnCentreInSlotOrder) {
    const TwistSystem twist(QuadMeshCreator::CreatePlaneGrid(64, 64, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 4, 1,
                                                             kSourceNone, kSourceNone, 0, false));
    // c = 0, t = 0.625: faces 0 and 1 done, face 2 edge-on, face 3 waiting.
    const QuadMesh turned = twist.TwistedFaces(0.625, 0, true, false);
    ASSERT_EQ(turned.size(), 4u);
    EXPECT_NEAR(turned[0].vertices[0].x, twist.mesh[0].vertices[1].x, 1e-12); // left and right exchanged
    EXPECT_NEAR(turned[2].vertices[0].x, turned[2].vertices[1].x, 1e-12);
    EXPECT_NEAR(turned[2].Centroid().x, twist.mesh[2].Centroid().x, 1e-12);
    EXPECT_GT(turned[2].vertices[1].z, 0); // about the vertical, the right edge came forward
    EXPECT_EQ(turned[3].vertices[0], twist.mesh[3].vertices[0]);
    // Reversed, face i takes slot 3 - i: face 1 is edge-on, face 0 waits.
    const QuadMesh reversed = twist.TwistedFaces(0.625, 0, true, true);
    EXPECT_NEAR(reversed[1].vertices[0].x, reversed[1].vertices[1].x, 1e-12);
    EXPECT_EQ(reversed[0].vertices[0], twist.mesh[0].vertices[0]);
    // About the horizontal, the top edge moves away first.
    EXPECT_LT(twist.TwistedFaces(0.1, 1, false, false)[0].vertices[0].z, 0);
}

TEST(RingSystem, RingsPartitionTheGridAndTurnAboutTheOrigin) {
    EXPECT_EQ(RingSystem::RingCells(0, 2), (std::vector<uint64_t>{0, 1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(RingSystem::RingCells(1, 2), (std::vector<uint64_t>{4}));
    std::vector<int> hits(49, 0); // n = 4: 7 x 7 cells, each in exactly one ring
    for (int k = 0; k < 4; ++k)
        for (uint64_t c : RingSystem::RingCells(k, 4)) ++hits[c];
    EXPECT_EQ(hits, std::vector<int>(49, 1));

    const RingSystem rings(QuadMeshCreator::CreatePlaneGrid(9, 9, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 3, 3, kSourceNone,
                                                            kSourceNone, 1, false));
    // n = 2, c = 0, t = 0.25: d = 1/2, ring 0 at pi/2, ring 1 waiting.
    // RotationX(pi/2): (x, y, z) -> (x, z, -y), so (-1, 1, 0) -> (-1, 0, -1).
    const Vec3 corner = rings.RotatedRings(0.25, 0, 2, false)[0].vertices[0];
    EXPECT_NEAR(corner.y, 0, 1e-12);
    EXPECT_NEAR(corner.z, -1, 1e-12);
    EXPECT_EQ(rings.RotatedRings(0.25, 0, 2, false)[4].vertices[0], rings.mesh[4].vertices[0]);
    const QuadMesh done = rings.RotatedRings(1, 0.5, 2, true); // every ring half-turned about y
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(done[i].Centroid().x, -rings.mesh[i].Centroid().x, 1e-12) << i;
}

} // namespace
} // namespace svt
