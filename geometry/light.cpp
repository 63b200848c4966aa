#include "geometry/light.h"

namespace svt {

double LinearLight::Shade(const Vec3& normal, const Vec3&, bool twoSided) const {
    const double d = Dot(direction, normal);
    double c = (twoSided && d > 0) ? d : -d;
    if (c > 1) c = 1;
    if (c <= 0) c = 0;
    return ambient + (1 - ambient) * c;
}

double LightIntensity(const std::vector<Light3D*>& lights, const Vec3& normal, const Vec3& point, bool twoSided) {
    double sum = 0.0;
    size_t n = 0;
    for (const Light3D* light : lights) {
        if (!light) continue;
        sum += light->Shade(normal, point, twoSided);
        ++n;
    }
    return n ? sum / double(n) : 1.0;
}

} // namespace svt
