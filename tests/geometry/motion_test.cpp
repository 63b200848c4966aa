// Staggered half turns, and the twist and ring animators built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/mesh_creator.h"
#include "geometry/ring_system.h"
#include "geometry/stagger.h"
#include "geometry/twist_system.h"

namespace svt {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(Stagger, WindowsFollowCohesion) {
    // m = 4, c = 0: d = 1/4, item 2 turns during [0.5, 0.75].
    EXPECT_EQ(StaggeredAngle(0.5, 2, 4, 0), 0.0);
    EXPECT_DOUBLE_EQ(StaggeredAngle(0.625, 2, 4, 0), kPi / 2);
    EXPECT_EQ(StaggeredAngle(0.75, 2, 4, 0), kPi);
    EXPECT_EQ(StaggeredProgress(0.25, 0, 4, 0), 1.0);
    EXPECT_EQ(StaggeredProgress(0.75, 3, 4, 0), 0.0);
    // c = 1: everything turns together, angle t·pi.
    for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(StaggeredAngle(0.3, j, 5, 1), 0.3 * kPi);
    // Whatever the cohesion, the last item ends exactly at the end.
    for (double c : {0.0, 0.2, 0.7071, 0.99}) {
        const StaggerWindow w = StaggerStart(6, 7, c);
        EXPECT_NEAR(w.start + w.duration, 1.0, 1e-12) << c;
    }
}

QuadMesh Strip(int columns, uint32_t mirror) {
    return QuadMeshCreator::CreatePlaneGrid(64, 64, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, columns, 1, nullptr, nullptr,
                                            mirror, false);
}

TEST(TwistSystem, TurnsEachFaceAboutItsOwnCentreInSlotOrder) {
    const TwistSystem twist(Strip(4, 0));
    // c = 0, t = 0.625: faces 0 and 1 are done (pi), face 2 is edge-on, face 3 waits.
    const QuadMesh turned = twist.TwistedFaces(0.625, 0, true, false);
    ASSERT_EQ(turned.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const Vec3 g0 = twist.mesh[i].Centroid(), g1 = turned[i].Centroid();
        EXPECT_NEAR(g1.x, g0.x, 1e-12);
        EXPECT_NEAR(g1.z, 0.0, 1e-12);
    }
    const CornerList& done = turned[0].vertices;
    EXPECT_NEAR(done[0].x, twist.mesh[0].vertices[1].x, 1e-12); // left and right exchanged
    const CornerList& edgeOn = turned[2].vertices;
    EXPECT_NEAR(edgeOn[0].x, edgeOn[1].x, 1e-12);
    EXPECT_GT(edgeOn[1].z, 0); // about the vertical: the right edge came forward
    EXPECT_EQ(turned[3].vertices[0], twist.mesh[3].vertices[0]);

    // Reversed, face i takes slot 3 - i: face 1 is now the one edge-on.
    const QuadMesh reversed = twist.TwistedFaces(0.625, 0, true, true);
    EXPECT_NEAR(reversed[1].vertices[0].x, reversed[1].vertices[1].x, 1e-12);
    EXPECT_EQ(reversed[0].vertices[0], twist.mesh[0].vertices[0]);

    // About the horizontal axis the top edge (y = +1) moves away first.
    const QuadMesh flat = TwistSystem(Strip(1, 1)).TwistedFaces(0.25, 1, false, false);
    EXPECT_LT(flat[0].vertices[0].z, 0);
}

TEST(RingSystem, RingsPartitionTheGrid) {
    EXPECT_EQ(RingSystem::RingCells(0, 2), (std::vector<uint64_t>{0, 1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(RingSystem::RingCells(1, 2), (std::vector<uint64_t>{4}));
    EXPECT_TRUE(RingSystem::RingCells(2, 2).empty());
    // n = 4: a 7 x 7 grid; every cell in exactly one ring, ring sizes 24, 16, 8, 1.
    std::vector<int> hits(49, 0);
    for (int k = 0; k < 4; ++k) {
        const auto cells = RingSystem::RingCells(k, 4);
        EXPECT_EQ(cells.size(), size_t(k == 3 ? 1 : 8 * (3 - k))) << k;
        for (uint64_t c : cells) ++hits[c];
    }
    for (int c = 0; c < 49; ++c) EXPECT_EQ(hits[c], 1) << c;
}

TEST(RingSystem, TurnsWholeRingsAboutTheOrigin) {
    const RingSystem rings(QuadMeshCreator::CreatePlaneGrid(9, 9, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, 3, 3, nullptr,
                                                            nullptr, 1, false));
    // n = 2, c = 0, t = 0.25: d = 1/2, ring 0 at pi/2, ring 1 not started.
    // RotationX(pi/2): (x, y, z) -> (x, z, -y).
    const QuadMesh turned = rings.RotatedRings(0.25, 0, 2, false);
    const Vec3 corner = turned[0].vertices[0]; // was (-1, 1, 0)
    EXPECT_NEAR(corner.x, -1, 1e-12);
    EXPECT_NEAR(corner.y, 0, 1e-12);
    EXPECT_NEAR(corner.z, -1, 1e-12);
    EXPECT_EQ(turned[4].vertices[0], rings.mesh[4].vertices[0]);
    // At the end every ring has made its half turn about y: x mirrored.
    const QuadMesh done = rings.RotatedRings(1, 0.5, 2, true);
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(done[i].Centroid().x, -rings.mesh[i].Centroid().x, 1e-12) << i;
    EXPECT_TRUE(RingSystem().RotatedRings(0.5, 0, 2, true).empty());
}

} // namespace
} // namespace svt
