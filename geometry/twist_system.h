// TwistSystem: turns every face of a mesh half a turn about its own centre
// line, one after another by the staggering rule (geometry/stagger.h).
#pragma once

#include <cstdint>

#include "geometry/quad_mesh.h"

namespace svt {

class TwistSystem {
public:
    // The faces to turn; the transition that uses the system fills it.
    QuadMesh mesh;

    TwistSystem() = default;
    explicit TwistSystem(const QuadMesh& faces) : mesh(faces) {}

    // A copy of the faces, face i turned about its centroid by the staggered
    // half-turn angle of slot i (slot m - 1 - i with `reverse`): about the
    // vertical axis (RotationY) with `aboutVertical`, else about the
    // horizontal axis (RotationX).
    QuadMesh TwistedFaces(double t, double cohesion, bool aboutVertical, bool reverse) const;
};

} // namespace svt
