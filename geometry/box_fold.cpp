// The fold of a box made by QuadMeshCreator::CreateBox: its four sides swing
// open about the edges they share with the front, like a cardboard net, and
// the back swings about its edge with the c0-c1 side and rides along with it.
// Past a quarter turn the net lies flat in the front's plane; at a half turn
// the box has closed again on the other side of the front, turned inside out.
//
// The hinges run parallel to the front's edges, so the front must lie square
// to the axes (as every box of the transitions does): the c1-c2 and c0-c3
// sides turn about the y axis, the c0-c1 and c3-c2 sides and the back about
// the x axis.
#include <cmath>

#include "geometry/mesh_creator.h"

namespace svt {

namespace {

// Rotation about an axis through `hinge`: translate it to the origin, turn,
// translate back.
Mat4 AboutHinge(const Vec3& hinge, const Mat4& turn) {
    return MatMul(MatMul(TranslationMatrix(hinge), turn), TranslationMatrix(-hinge));
}

// Sides in CreateBox order, named by the front edge they share.
enum BoxSide : size_t { kFront, kSideC1C2, kBack, kSideC0C3, kSideC0C1, kSideC3C2, kSideCount };

} // namespace

QuadMesh QuadMeshCreator::FoldBox(const QuadMesh& box, double progress) {
    QuadMesh out = box;
    if (out.size() != kSideCount) return out;
    for (const QuadFace& face : out.faces())
        if (!face.usable()) return out;

    const double phi = kPi * progress;
    const CornerList& front = box[kFront].vertices;
    // The c0-c1 side runs b0, b1, c1, c0: its first corner is where the back
    // hangs from it.
    const Vec3 backHinge = box[kSideC0C1].vertices[0];

    const Mat4 c0c1 = AboutHinge(front[0], RotationX(-phi));
    out[kSideC1C2].Transform(AboutHinge(front[1], RotationY(phi)));
    out[kSideC0C3].Transform(AboutHinge(front[0], RotationY(-phi)));
    out[kSideC3C2].Transform(AboutHinge(front[3], RotationX(phi)));
    out[kSideC0C1].Transform(c0c1);
    out[kBack].Transform(MatMul(c0c1, AboutHinge(backHinge, RotationX(-phi))));
    return out;
}

} // namespace svt
