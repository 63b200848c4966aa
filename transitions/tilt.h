// The tilt and recession of the frame and panel grids: the whole picture
// leans and backs away from the camera during the transition and is square
// to it again at both ends.
#pragma once

#include <cmath>

#include "geometry/mat4.h"
#include "transitions/common.h"

namespace svt {

// With s = sin(π·t), φ = s·depth·π/2, α = (2·tx - 1)·φ and β = (2·ty - 1)·φ:
// a small turn about z by 0.1·α, then about x by β, then about y by α, then
// back along z by 10·depth·s. Tilt factors of 0.5, or depth 0, leave the
// picture square to the camera.
inline Mat4 TiltAndRecession(double t, double depth, double tx, double ty) {
    const double s = std::sin(kPi * t);
    const double phi = s * depth * kPi * 0.5;
    const double alpha = (2.0 * tx - 1.0) * phi;
    const double beta = (2.0 * ty - 1.0) * phi;
    Mat4 m = RotationZ(0.1 * alpha);
    m = MatMul(RotationX(beta), m);
    m = MatMul(RotationY(alpha), m);
    return MatMul(TranslationMatrix(0.0, 0.0, -10.0 * depth * s), m);
}

} // namespace svt
