// Matrices and the w rule; quad faces and degenerate grids; the box fold at
// every stage; stagger windows and rings, beyond what the transitions'
// pictures show (tests/transitions/motion_test.cpp).
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

TEST(PlaneGrid, NoColumnsOrAPictureUnderTwoPixelsWideGivesNoFaces) {
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(31, 17, kTL, kTR, kBL, 0, 2, kSourceNone, kSourceNone, 0, false).empty());
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(1, 17, kTL, kTR, kBL, 1, 1, kSourceNone, kSourceNone, 0, false).empty());
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

TEST(Stagger, TheLastItemEndsAtOneAndLaterItemsNeverLead) {
    for (int n : {1, 2, 7, 30})
        for (double c : {0.0, 0.25, 0.7071, 0.9}) {
            const StaggerWindow last = StaggerStart(n - 1, n, c);
            EXPECT_NEAR(last.start + last.duration, 1.0, 1e-12) << n << " " << c;
            for (double t = 0.0; t <= 1.0; t += 0.0625)
                for (int j = 1; j < n; ++j) EXPECT_LE(StaggeredProgress(t, j, n, c), StaggeredProgress(t, j - 1, n, c));
        }
}

TEST(RingSystem, RingsPartitionTheGrid) {
    EXPECT_EQ(RingSystem::RingCells(0, 2), (std::vector<uint64_t>{0, 1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(RingSystem::RingCells(1, 2), (std::vector<uint64_t>{4}));
    std::vector<int> hits(49, 0); // n = 4: 7 x 7 cells, each in exactly one ring
    for (int k = 0; k < 4; ++k)
        for (uint64_t c : RingSystem::RingCells(k, 4)) ++hits[c];
    EXPECT_EQ(hits, std::vector<int>(49, 1));
}

} // namespace
} // namespace svt
