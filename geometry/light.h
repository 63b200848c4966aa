// Flat lighting: one brightness per face, from the face's normal.
#pragma once

#include <vector>

#include "geometry/vec3.h"

namespace svt {

class Light3D {
public:
    // Brightness in [0, 1] of a face with unit `normal` around `point`. With
    // `twoSided`, a face seen from behind is lit as if it faced the light.
    virtual double Shade(const Vec3& normal, const Vec3& point, bool twoSided) const = 0;
    virtual ~Light3D() = default;
};

// A directional light. A face turned square against the light's travel gets
// full brightness, one turned edge-on (or away, one-sided) the ambient level.
class LinearLight : public Light3D {
public:
    Vec3 direction{0.0, 0.0, -1.0}; // the way the light travels
    double ambient = 0.0;

    LinearLight() = default;
    LinearLight(const Vec3& dir, double amb) : direction(dir), ambient(amb) {}

    // ambient + (1 - ambient)·c, with c = -(L·N) (one-sided) or |L·N|
    // (two-sided) held to [0, 1]. `point` is not used.
    double Shade(const Vec3& normal, const Vec3& point, bool twoSided) const override;
};

// Mean of Shade over `lights`; 1.0 when there are none.
double LightIntensity(const std::vector<Light3D*>& lights, const Vec3& normal, const Vec3& point, bool twoSided);

} // namespace svt
