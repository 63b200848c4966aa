// RingSystem: turns the concentric square rings of a (2n - 1) x (2n - 1)
// grid half a turn each about an axis through the origin, the outermost ring
// first, by the staggering rule (geometry/stagger.h).
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/quad_mesh.h"

namespace svt {

class RingSystem {
public:
    // The grid's faces in row-major order; the transition fills it.
    QuadMesh mesh;

    RingSystem() = default;
    explicit RingSystem(const QuadMesh& faces) : mesh(faces) {}

    // Indices row·s + column (s = 2n - 1), in row-major order, of the cells on
    // the border of the square from (k, k) to (s - k - 1, s - k - 1). Ring 0
    // is the outer frame, ring n - 1 the centre cell; empty for k outside
    // [0, n) or n < 1.
    static std::vector<uint64_t> RingCells(int64_t k, int64_t n);

    // A copy of the faces with ring k (k = 0 … n - 1, item k of n) turned
    // about the origin by its staggered half-turn angle: about the vertical
    // axis (RotationY) with `aboutVertical`, else about the horizontal axis
    // (RotationX). Ring cells beyond the mesh's faces are ignored.
    QuadMesh RotatedRings(double t, double cohesion, int64_t n, bool aboutVertical) const;
};

} // namespace svt
