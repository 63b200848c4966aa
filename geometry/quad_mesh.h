// QuadMesh: an ordered list of faces, moved as a whole or face by face.
// Copying a mesh copies its faces (with the sources they show).
#pragma once

#include <cstddef>
#include <vector>

#include "geometry/quad_face.h"

namespace svt {

class QuadMesh {
public:
    QuadMesh() = default;
    QuadMesh(const QuadMesh&) = default;
    QuadMesh& operator=(const QuadMesh&) = default;
    QuadMesh(QuadMesh&&) = default;
    QuadMesh& operator=(QuadMesh&&) = default;

    // Appends a copy.
    void AddFace(const QuadFace& face) { faces_.push_back(face); }
    // A copy of the face list, in insertion order.
    std::vector<QuadFace> Faces() const { return faces_; }
    // QuadFace::Transform on every face.
    void Transform(const Mat4& m);
    // Mean of the faces' centroids; zero for an empty mesh.
    Vec3 Centroid() const;

    // Direct access, for animators that move faces one by one.
    std::vector<QuadFace>& faces() { return faces_; }
    const std::vector<QuadFace>& faces() const { return faces_; }
    size_t size() const { return faces_.size(); }
    bool empty() const { return faces_.empty(); }
    QuadFace& operator[](size_t i) { return faces_[i]; }
    const QuadFace& operator[](size_t i) const { return faces_[i]; }

private:
    std::vector<QuadFace> faces_;
};

} // namespace svt
