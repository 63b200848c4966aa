#include "transitions/common.h"

#include <algorithm>

namespace svt {

// Parameters ______________________________________________________________

ParamValue ParamReader::Read(uint32_t index, uint32_t type) const {
    ParamValue v{};
    if (context_ && context_->GetParamValue(index, &v, type)) return v;
    return index < description_.ParamCount() ? description_.params[index].defaultValue : ParamValue{};
}

int ParamReader::Count(uint32_t index) const {
    if (index >= description_.ParamCount()) return 0;
    const float v = Slider(index);
    const double lo = description_.params[index].minimum, hi = description_.params[index].maximum;
    const double count = std::trunc(double(v) * (hi - lo) + lo);
    // A stored fraction outside [0, 1] (no panel makes one) must not ask for
    // millions of panels: the count stays on its displayed scale.
    if (!(count >= lo)) return int(lo);
    return count > hi ? int(hi) : int(count);
}

// Timing ___________________________________________________________________

double EaseProgress(double t, double e, double s) {
    if (!(e >= 0.01)) e = 0.01;
    if (s > 0.5) s = 0.5;
    if (!(s > 0.0) || e == 1.0) return t;
    t = std::clamp(t, 0.0, 1.0);
    if (t <= s) {
        const double u = t / s;
        return std::pow(u, e) * s * (1.0 - u) + u * t;
    }
    if (t >= 1.0 - s) {
        const double u = (t - (1.0 - s)) / s;
        return (std::pow(u, 1.0 / e) * s + (1.0 - s)) * u + (1.0 - u) * t;
    }
    return t;
}

// Glow _____________________________________________________________________

GlowLook GlowLookAt(double progress, double fog, double shine, uint32_t pictureHeight) {
    const double s = GlowSwell(progress);
    GlowLook look;
    const double radius = std::trunc(double(pictureHeight) * fog * s * 0.2);
    look.radius = radius > 0.0 ? int32_t(std::min(radius, 1e6)) : 0;
    look.glow = float(fog * s);
    look.metal = float(shine * s);
    return look;
}

// The scene ______________________________________________________________

Scene BeginScene(const SceneSetup& setup, double t, const FrameGeometry& frames) {
    Scene scene;
    scene.reverse = setup.reverse;
    scene.t = std::isnan(t) ? 0.0 : t; // a host's garbage progress shows picture A
    if (setup.reverse) scene.t = 1.0 - scene.t;
    scene.firstWidth = setup.reverse ? frames.widthB : frames.widthA;
    scene.firstHeight = setup.reverse ? frames.heightB : frames.heightA;
    scene.secondWidth = setup.reverse ? frames.widthA : frames.widthB;
    scene.secondHeight = setup.reverse ? frames.heightA : frames.heightB;
    scene.topDown = frames.topDownA;
    scene.cameraDistance = setup.distance;
    scene.ambient = setup.ambient;
    if (setup.renderAtZero ? scene.t < 0.0 : scene.t <= 0.0)
        scene.stage = kStageShowFirst;
    else if (scene.t >= 1.0)
        scene.stage = kStageShowSecond;
    else
        scene.stage = kStageDraw;
    switch (setup.background) {
    case kBackgroundFirst: scene.background = kScenePictureA; break;
    case kBackgroundSecond: scene.background = kScenePictureB; break;
    case kBackgroundTransparent: scene.background = kSceneTransparent; break;
    default: scene.background = kSceneKeep; break;
    }
    return scene;
}

void LookOnPictures(Scene& scene, double progress, double fog, double shine, bool second) {
    scene.lookTarget = kLookWholePictures;
    scene.lookFirst = GlowLookAt(progress, fog, shine, scene.firstHeight);
    scene.lookSecond = GlowLookAt(progress, fog, shine, scene.secondHeight);
    scene.lookOnSecond = second;
}

} // namespace svt
