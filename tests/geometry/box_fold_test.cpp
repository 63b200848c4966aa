// The box fold: a closed box behind the picture opens into a flat net and
// closes again in front of it, turned inside out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/mesh_creator.h"

namespace svt {
namespace {

// The box of the transition: the full frame in front, its back at z = -2.
QuadMesh FrameBox() {
    return QuadMeshCreator::CreateBox({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, -2.0, nullptr, nullptr);
}

enum { kFront, kRight, kBack, kLeft, kUpper, kLower }; // CreateBox order; upper is the y = +1 side

void ExpectNear(const Vec3& a, const Vec3& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-12) << what;
    EXPECT_NEAR(a.y, b.y, 1e-12) << what;
    EXPECT_NEAR(a.z, b.z, 1e-12) << what;
}

struct Extent {
    double lo[3] = {1e9, 1e9, 1e9};
    double hi[3] = {-1e9, -1e9, -1e9};
};

Extent ExtentOf(const QuadFace& face) {
    Extent e;
    for (const Vec3& p : face.vertices) {
        const double v[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) {
            e.lo[i] = std::min(e.lo[i], v[i]);
            e.hi[i] = std::max(e.hi[i], v[i]);
        }
    }
    return e;
}

void ExpectExtent(const QuadFace& face, double x0, double x1, double y0, double y1, double z0, double z1,
                  const char* what) {
    const Extent e = ExtentOf(face);
    EXPECT_NEAR(e.lo[0], x0, 1e-12) << what;
    EXPECT_NEAR(e.hi[0], x1, 1e-12) << what;
    EXPECT_NEAR(e.lo[1], y0, 1e-12) << what;
    EXPECT_NEAR(e.hi[1], y1, 1e-12) << what;
    EXPECT_NEAR(e.lo[2], z0, 1e-12) << what;
    EXPECT_NEAR(e.hi[2], z1, 1e-12) << what;
}

// z of the face normal (c3 - c0) x (c1 - c0): positive when its front faces the viewer.
double FacingZ(const QuadFace& f) {
    return Cross(f.vertices[3] - f.vertices[0], f.vertices[1] - f.vertices[0]).z;
}

TEST(BoxFold, ZeroLeavesTheBoxClosed) {
    const QuadMesh box = FrameBox();
    const QuadMesh folded = QuadMeshCreator::FoldBox(box, 0.0);
    ASSERT_EQ(folded.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(folded[i].vertices[k], box[i].vertices[k]) << i << " " << k;
}

TEST(BoxFold, HalfFoldLaysTheNetFlatAroundTheFront) {
    // Each side, two units deep, swings a quarter turn about its front edge
    // and lands beside the front: x in [1, 3] for the right side, and so on;
    // the back, hanging from the far edge of the upper side, lands beyond it.
    const QuadMesh net = QuadMeshCreator::FoldBox(FrameBox(), 0.5);
    ExpectExtent(net[kFront], -1, 1, -1, 1, 0, 0, "front");
    ExpectExtent(net[kRight], 1, 3, -1, 1, 0, 0, "right");
    ExpectExtent(net[kLeft], -3, -1, -1, 1, 0, 0, "left");
    ExpectExtent(net[kUpper], -1, 1, 1, 3, 0, 0, "upper");
    ExpectExtent(net[kLower], -1, 1, -3, -1, 0, 0, "lower");
    ExpectExtent(net[kBack], -1, 1, 3, 5, 0, 0, "back");
}

TEST(BoxFold, FullFoldClosesTheBoxInFrontWithTheBackFacingTheViewer) {
    const QuadMesh closed = QuadMeshCreator::FoldBox(FrameBox(), 1.0);
    ExpectExtent(closed[kFront], -1, 1, -1, 1, 0, 0, "front");
    ExpectExtent(closed[kRight], 1, 1, -1, 1, 0, 2, "right");
    ExpectExtent(closed[kLeft], -1, -1, -1, 1, 0, 2, "left");
    ExpectExtent(closed[kUpper], -1, 1, 1, 1, 0, 2, "upper");
    ExpectExtent(closed[kLower], -1, 1, -1, -1, 0, 2, "lower");
    ExpectExtent(closed[kBack], -1, 1, -1, 1, 2, 2, "back");
    // Two half turns about parallel hinges keep the back's orientation: it
    // shows its back side (the second picture) toward +z, upright: its
    // corner 1 (which receives the back's top-left texel) is at the top left.
    EXPECT_LT(FacingZ(closed[kBack]), 0.0);
    ExpectNear(closed[kBack].vertices[1], {-1, 1, 2}, "back corner 1");
    // The front shows its front side throughout.
    EXPECT_GT(FacingZ(closed[kFront]), 0.0);
}

TEST(BoxFold, SidesStayHingedAtEveryStage) {
    const QuadMesh box = FrameBox();
    for (double f : {0.1, 0.3, 0.5, 0.77, 0.95}) {
        const QuadMesh m = QuadMeshCreator::FoldBox(box, f);
        // Each side keeps the edge it shares with the front...
        ExpectNear(m[kRight].vertices[0], box[kFront].vertices[1], "right hinge");
        ExpectNear(m[kRight].vertices[3], box[kFront].vertices[2], "right hinge");
        ExpectNear(m[kLeft].vertices[1], box[kFront].vertices[0], "left hinge");
        ExpectNear(m[kUpper].vertices[3], box[kFront].vertices[0], "upper hinge");
        ExpectNear(m[kLower].vertices[0], box[kFront].vertices[3], "lower hinge");
        // ...and the back stays joined to the upper side (b0, b1).
        ExpectNear(m[kBack].vertices[1], m[kUpper].vertices[0], "back joint");
        ExpectNear(m[kBack].vertices[0], m[kUpper].vertices[1], "back joint");
        // Sides are rigid: the depth edge stays two units long, the back's diagonal 2√2.
        EXPECT_NEAR(Length(m[kRight].vertices[1] - m[kRight].vertices[0]), 2.0, 1e-12) << f;
        EXPECT_NEAR(Length(m[kBack].vertices[2] - m[kBack].vertices[0]), 2.0 * std::sqrt(2.0), 1e-12) << f;
    }
}

TEST(BoxFold, MeshesThatAreNoBoxComeBackUnchanged) {
    QuadMesh five = FrameBox();
    five.faces().pop_back();
    const QuadMesh out = QuadMeshCreator::FoldBox(five, 0.5);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[kRight].vertices[1], five[kRight].vertices[1]);

    QuadMesh broken = FrameBox();
    broken[kBack].vertices.clear();
    EXPECT_EQ(QuadMeshCreator::FoldBox(broken, 0.5)[kRight].vertices[1], broken[kRight].vertices[1]);
}

} // namespace
} // namespace svt
