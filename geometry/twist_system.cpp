#include "geometry/twist_system.h"

#include "geometry/stagger.h"

namespace svt {

QuadMesh TwistSystem::TwistedFaces(double t, double cohesion, bool aboutVertical, bool reverse) const {
    QuadMesh out = mesh;
    const int64_t m = int64_t(out.size());
    for (int64_t i = 0; i < m; ++i) {
        QuadFace& face = out[size_t(i)];
        const double angle = StaggeredAngle(t, reverse ? m - 1 - i : i, m, cohesion);
        const Vec3 g = face.Centroid();
        const Mat4 turn = aboutVertical ? RotationY(angle) : RotationX(angle);
        face.Transform(MatMul(MatMul(TranslationMatrix(g), turn), TranslationMatrix(-g)));
    }
    return out;
}


} // namespace svt
