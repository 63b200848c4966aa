// "3D Fly Away" (D3DFlyAway): picture A tumbles away from the viewer toward
// a target point, spinning as it goes, over picture B; optionally fading
// into B as it recedes.
#include <cmath>
#include <new>

#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name             default range    x    y    w    h    tooltip
    Slider("Distance",      0.35f,  0, 100, {0,   0,   48,  30}, "Sets distance from camera"),
    Point ("Flight Target", 0.5f, 0.5f,     {66,  0,   180, 30}, "Sets position the scene flies to"),
    Slider("Fog",           0.695f, 0, 100, {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider("Shine",         0.805f, 0, 100, {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Check ("Reverse",       false,          {165, 130, 114, 10}, "Check to make new scene fly toward camera"),
    Check ("Fade",          true,           {165, 100, 114, 10}, "Check to make flying scene fade out"),
};

constexpr const char* kPresetNames[] = {
    "Bottom Left In", "Bottom Left Out", "Bottom Right In", "Bottom Right Out", "Fog In", "Fog Out",
    "Shimmer In", "Shimmer Out", "Top Left In", "Top Left Out", "Top Right In", "Top Right Out",
};

constexpr ParamValue kPresets[] = {
    // Distance  Flight Target  Fog        Shine  Reverse  Fade
    S(0.75f),    P(0, 1),       S(0),      S(0),  On(),    On(),  // Bottom Left In
    S(0.75f),    P(0, 1),       S(0),      S(0),  Off(),   On(),  // Bottom Left Out
    S(0.75f),    P(1, 1),       S(0),      S(0),  On(),    On(),  // Bottom Right In
    S(0.75f),    P(1, 1),       S(0),      S(0),  Off(),   On(),  // Bottom Right Out
    S(0),        P(0.5f, 0.5f), S(1),      S(0),  On(),    Off(), // Fog In
    S(0),        P(0.5f, 0.5f), S(1),      S(0),  Off(),   Off(), // Fog Out
    S(0.145f),   P(0.5f, 0.5f), S(0.445f), S(1),  On(),    Off(), // Shimmer In
    S(0.145f),   P(0.5f, 0.5f), S(0.55f),  S(1),  Off(),   Off(), // Shimmer Out
    S(0.75f),    P(0, 0),       S(0),      S(0),  On(),    On(),  // Top Left In
    S(0.75f),    P(0, 0),       S(0),      S(0),  Off(),   On(),  // Top Left Out
    S(0.75f),    P(1, 0),       S(0),      S(0),  On(),    On(),  // Top Right In
    S(0.75f),    P(1, 0),       S(0),      S(0),  Off(),   On(),  // Top Right Out
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DFlyAwayDescription{"3D Fly Away", kEffectFlagsOwnCrop, kParams, kPresetNames, kPresets, 4};

namespace {

enum FlyAwayParam : uint32_t { kDistance, kFlightTarget, kFog, kShine, kReverse, kFade };

constexpr double kCameraDistance = 5.2;
constexpr double kAmbient = 0.3;
// The CPU renderer draws outputs narrower than kSmallWidth at kSmallSide x
// kSmallSide (from the pictures scaled to that size) and scales them back.
constexpr uint32_t kSmallWidth = 65;
constexpr uint32_t kSmallSide = 128;

// A knob as a fraction; a host's NaN or out-of-range word is held to [0, 1].
float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

struct FlyAwaySettings {
    int halfTurns = 1;   // m = trunc(Distance·2.9): extra half turns about y
    double reach = 0.4;  // k = Distance·0.9 + 0.1: 1 sends the picture 100 units back
    double targetX = 0.5;
    double targetY = 0.5;
    double fog = 0.0;
    double shine = 0.0;
    bool reverse = false;
    bool fade = true;
};

FlyAwaySettings ReadSettings(const ParamReader& p) {
    FlyAwaySettings s;
    const double distance = Unit(p.Slider(kDistance));
    s.halfTurns = int(distance * 2.9);
    s.reach = distance * 0.9 + 0.1;
    const PointParam target = p.Point(kFlightTarget);
    s.targetX = Unit(target.x);
    s.targetY = Unit(target.y);
    s.fog = Unit(p.Slider(kFog));
    s.shine = Unit(p.Slider(kShine));
    s.reverse = p.Check(kReverse);
    s.fade = p.Check(kFade);
    return s;
}

// The flying picture at progress t (0 < t < 1). It speeds up over the first
// half (ramp r), turning about y and tumbling about x, and recedes toward the
// target, ending up to 100 units back. `mirrorTarget`: both frames are
// stored top-down, so the target's y is read from the other edge.
Mat4 FlightModel(const FlyAwaySettings& s, double t, bool mirrorTarget) {
    const double r = t < 0.5 ? std::sqrt(2.0 * t) : 1.0;
    const double travelled = s.reach * t * 100.0 * r;
    const double yaw = (s.halfTurns * kPi + kPi / 2.0) * r * t;
    const double tumble = s.halfTurns == 0 ? r * t * kPi : t * r * t * kPi;
    const double ty = mirrorTarget ? 0.5 - s.targetY : s.targetY - 0.5;
    Mat4 m = RotationY(yaw);
    m = MatMul(RotationX(tumble), m);
    return MatMul(TranslationMatrix(0.3 * travelled * (s.targetX - 0.5) * kSceneHalfWidth, 0.3 * travelled * ty,
                                    -travelled),
                  m);
}

// The look swells over the first half and then holds at its peak; its
// radius also grows with t.
GlowLook FlightGlow(const FlyAwaySettings& s, double t, uint32_t pictureHeight) {
    const double swell = t < 0.5 ? GlowSwell(t) : 1.0;
    GlowLook look;
    const double radius = std::trunc(double(pictureHeight) * s.fog * swell * t * 0.2);
    look.radius = radius > 0.0 ? int32_t(radius) : 0;
    look.glow = float(s.fog * swell);
    look.metal = float(s.shine * swell);
    return look;
}

Scene BuildFlyAwayScene(const FlyAwaySettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = kBackgroundNone};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const double tt = scene.t;
    scene.smallBelowWidth = kSmallWidth;
    scene.smallSide = kSmallSide;
    // No "Background" choice: the picture flies away from the second one.
    scene.background = kSceneSecondSource;
    scene.model = FlightModel(s, tt, frames.topDownA && frames.topDownB);
    LookOnFaces(scene, FlightGlow(s, tt, scene.firstHeight));
    const double a = kSceneHalfWidth;
    // No back source: seen from behind the face shows the first picture too.
    scene.faces.push_back(QuadFace({-a, 1, 0}, {a, 1, 0}, {a, -1, 0}, {-a, -1, 0}, kSourceFirst, kSourceNone));
    if (s.fade) {
        scene.fade = true;
        scene.fadeWeight = tt * tt;
    }
    return scene;
}

class D3DFlyAway final : public BaseEffect {
public:
    D3DFlyAway() : BaseEffect(kD3DFlyAwayDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildFlyAwayScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateFlyAway() {
    auto* effect = new (std::nothrow) D3DFlyAway();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
