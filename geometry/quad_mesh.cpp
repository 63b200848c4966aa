#include "geometry/quad_mesh.h"

namespace svt {

void QuadMesh::Transform(const Mat4& m) {
    for (QuadFace& face : faces_) face.Transform(m);
}

Vec3 QuadMesh::Centroid() const {
    if (faces_.empty()) return {};
    Vec3 sum;
    for (const QuadFace& face : faces_) sum = sum + face.Centroid();
    const double n = static_cast<double>(faces_.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

} // namespace svt
