// What the transitions' pictures (tests/transitions/motion_test.cpp) do not
// show: degenerate grids, the box fold at every stage, stagger windows for
// any cohesion, rings covering the whole grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/mesh_creator.h"
#include "geometry/ring_system.h"
#include "geometry/stagger.h"

namespace svt {
namespace {

const Vec3 kTL{-1, 1, 0}, kTR{1, 1, 0}, kBR{1, -1, 0}, kBL{-1, -1, 0}; // the full frame

TEST(PlaneGrid, NoColumnsOrAPictureUnderTwoPixelsWideGivesNoFaces) {
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(31, 17, kTL, kTR, kBL, 0, 2, kSourceNone, kSourceNone, 0, false).empty());
    EXPECT_TRUE(QuadMeshCreator::CreatePlaneGrid(1, 17, kTL, kTR, kBL, 1, 1, kSourceNone, kSourceNone, 0, false).empty());
}

enum { kFront, kRight, kBack, kLeft, kUpper, kLower }; // CreateBox order; upper is the y = +1 side

// The full-frame box with its back at z = -2, folded.
QuadMesh Folded(double progress) {
    return QuadMeshCreator::FoldBox(QuadMeshCreator::CreateBox(kTL, kTR, kBR, kBL, -2.0, kSourceNone, kSourceNone), progress);
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
