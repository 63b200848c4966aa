// Staggered half turns, and the twist and ring animators built on them.
#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "geometry/mesh_creator.h"
#include "geometry/ring_system.h"
#include "geometry/stagger.h"
#include "geometry/twist_system.h"

namespace svt {
namespace {

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
