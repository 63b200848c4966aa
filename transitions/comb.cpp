// "3D Comb" (D3DComb): picture A cut into strips like the teeth of a comb;
// each strip in turn spins about the picture's centre line, then flies off
// along its length and shrinks to nothing, neighbours going opposite ways,
// uncovering picture B.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "geometry/mesh_creator.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name            default range                   x    y   w    h    tooltip
    CountSlider("Slices",       1.0f,   1,    30,              {0,   0,  48,  30}, "Sets number and width of strips"),
    Slider     ("Cohesion",     0.655f, 0,    100,             {66,  0,  48,  30}, "Controls relative timing of strips"),
    Slider     ("Depth",        0.0f,   0,    100,             {132, 0,  48,  30}, "Sets distance from camera"),
    Choice     ("Orientation",  1, {"Horizontal", "Vertical"}, {198, 0,  114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Reverse",      true,                          {198, 60, 66,  10}, "Reverses spin"),
    Check      ("Spread",       false,                         {264, 60, 60,  10}, "Sets width of strips"),
    Slider     ("Flight Speed", 0.64f,  -100, 100,             {0,   90, 48,  30}, "Sets velocity and direction of strips"),
    Slider     ("Flight Delay", 0.07f,  0,    100,             {66,  90, 48,  30}, "Determines when strips will start spinning"),
    Slider     ("Angle",        0.225f, 0,    90,              {132, 90, 48,  30}, "Determines when strips will start spinning"),
    Slider     ("Fog",          1.0f,   0,    100,             {198, 90, 48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",        0.51f,  0,    100,             {264, 90, 48,  30}, "Adds metallic sheen to scene"),
};

constexpr const char* kPresetNames[] = {
    "Aluminum Sticks", "Closing Horizontal Combs", "Closing Vertical Combs", "Dagwood Sandwich", "Fly Away",
    "Fly In", "Knitting", "Lincoln Logs", "Metal Shades", "Opening Horizontal Combs",
    "Opening Vertical Combs", "Paint Roller Left Right", "Paint Roller Up Down", "Painted Sticks",
    "Pastels Right", "Picket Fence", "Robot Jaws", "Slide Left", "Unravelling",
};

// The four Opening and Closing Combs presets carry a Shine word that is no slider
// value (a large negative float); the transition tolerates it.
constexpr ParamValue kInvalid = Raw(0xCCCCCCCCu, 0xCCCCCCCCu);

constexpr ParamValue kPresets[] = {
    // Slices  Cohesion   Depth      Orientation  Reverse  Spread  Flight Speed  Flight Delay  Angle      Fog       Shine
    S(1),      S(0.655f), S(0),      C(1),        On(),    Off(),  S(0.64f),     S(0.07f),     S(0.225f), S(1),     S(0.51f),  // Aluminum Sticks
    S(0.33f),  S(1),      S(0),      C(0),        On(),    Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Closing Horizontal Combs
    S(0.33f),  S(1),      S(0),      C(1),        On(),    Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Closing Vertical Combs
    S(0.39f),  S(0.47f),  S(0.18f),  C(0),        On(),    On(),   S(0.64f),     S(0.18f),     S(0.71f),  S(0.28f), S(0.31f),  // Dagwood Sandwich
    S(0),      S(0),      S(0),      C(0),        Off(),   Off(),  S(0),         S(0.14f),     S(0.665f), S(0),     S(0),      // Fly Away
    S(0),      S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0.14f),     S(0.665f), S(0),     S(0),      // Fly In
    S(0.945f), S(0.33f),  S(0.365f), C(0),        On(),    Off(),  S(1),         S(0.47f),     S(0.765f), S(0),     S(0),      // Knitting
    S(0.945f), S(1),      S(1),      C(0),        On(),    Off(),  S(1),         S(0.47f),     S(0.765f), S(0),     S(0),      // Lincoln Logs
    S(0.675f), S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0),         S(1),      S(0.68f), S(0.945f), // Metal Shades
    S(0.33f),  S(1),      S(0),      C(0),        Off(),   Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Opening Horizontal Combs
    S(0.33f),  S(1),      S(0),      C(1),        Off(),   Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Opening Vertical Combs
    S(0.115f), S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0),         S(0),      S(0.25f), S(0.305f), // Paint Roller Left Right
    S(0.115f), S(0),      S(0),      C(1),        On(),    Off(),  S(0),         S(0),         S(0),      S(0.29f), S(0.2f),   // Paint Roller Up Down
    S(0.575f), S(0.655f), S(0.46f),  C(1),        Off(),   On(),   S(0.64f),     S(0.07f),     S(0.225f), S(0.28f), S(0.31f),  // Painted Sticks
    S(1),      S(0.655f), S(0),      C(1),        Off(),   Off(),  S(0.64f),     S(0.07f),     S(0.225f), S(1),     S(0),      // Pastels Right
    S(0.26f),  S(0),      S(1),      C(1),        Off(),   On(),   S(0.48f),     S(0),         S(0.225f), S(0.28f), S(0.345f), // Picket Fence
    S(0.45f),  S(1),      S(0),      C(1),        On(),    On(),   S(0.64f),     S(0.07f),     S(0.225f), S(0.28f), S(1),      // Robot Jaws
    S(0),      S(0),      S(0),      C(0),        Off(),   Off(),  S(0),         S(0.14f),     S(0),      S(0),     S(0),      // Slide Left
    S(0.945f), S(0.33f),  S(0.495f), C(1),        Off(),   Off(),  S(0.275f),    S(0.47f),     S(0.765f), S(0),     S(0),      // Unravelling
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DCombDescription{"3D Comb", kEffectFlagsOwnCrop, kParams, kPresetNames, kPresets, 4};

namespace {

enum CombParam : uint32_t {
    kSlices, kCohesion, kDepth, kOrientation, kReverse, kSpread, kFlightSpeed, kFlightDelay, kAngle, kFog, kShine
};

constexpr double kCameraDistance = 5.0;
constexpr double kAmbient = 0.6;

// A knob as a fraction; a host's NaN or out-of-range word is held to [0, 1].
float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

struct CombSettings {
    int strips = 30;
    double cohesion = 0.0;    // √Cohesion
    double depth = 0.0;       // 0 to 1: how far the comb recedes mid-transition
    bool vertical = true;     // "Vertical": upright strips flying along y
    bool reverse = true;
    bool spread = false;
    double flight = 0.0;      // L = (Flight Speed - 0.5)·10, signed
    double spinShare = 0.05;  // q0: the part of a strip's window spent spinning
    double angle = 0.0;       // A, 0 to π/2
    double fog = 0.0;
    double shine = 0.0;
};

CombSettings ReadSettings(const ParamReader& p) {
    CombSettings s;
    s.strips = std::clamp(p.Count(kSlices), 1, 30);
    s.cohesion = CohesionFromKnob(Unit(p.Slider(kCohesion)));
    s.depth = Unit(p.Slider(kDepth));
    s.vertical = p.Choice(kOrientation) == 1;
    s.reverse = p.Check(kReverse);
    s.spread = p.Check(kSpread);
    s.flight = (double(Unit(p.Slider(kFlightSpeed))) - 0.5) * 10.0;
    s.spinShare = double(Unit(p.Slider(kFlightDelay))) * 0.9 + 0.05;
    s.angle = double(Unit(p.Slider(kAngle))) * 0.5 * kPi;
    // Four built-in presets store a Shine word that is no slider value; as 0
    // it changes nothing, since the look is applied only for Fog or Shine > 0.
    s.fog = Unit(p.Slider(kFog));
    s.shine = Unit(p.Slider(kShine));
    return s;
}

// Where strip i is at the transition's progress t: it spins by ±A over the
// first q0 of its window, then flies ±L along its length while shrinking to
// nothing. Odd strips go the other way. Null scale: the strip has gone.
struct StripPose {
    Mat4 transform;
    double scale = 1.0;
};

StripPose StripMotion(const CombSettings& s, const Vec3& centre, int i, double t) {
    const double q = StaggeredProgress(t, i, s.strips, s.cohesion);
    double spin = 1.0, fly = 0.0;
    if (q <= s.spinShare)
        spin = q / s.spinShare;
    else
        fly = (q - s.spinShare) / (1.0 - s.spinShare);
    const double sign = i % 2 ? -1.0 : 1.0;
    const double theta = sign * spin * s.angle;
    const double e = sign * fly * s.flight;

    StripPose pose;
    pose.scale = 1.0 - fly * fly * fly;
    const double k = pose.scale;
    Mat4 m = MatMul(TranslationMatrix(centre), MatMul(ScaleMatrix(k, k, k), TranslationMatrix(-centre)));
    m = MatMul(s.vertical ? TranslationMatrix(0.0, e, 0.0) : TranslationMatrix(e, 0.0, 0.0), m);
    m = MatMul(s.vertical ? RotationX(theta) : RotationY(theta), m);
    if (s.spread) {
        // Twice the spacing at mid-transition.
        const double push = std::sin(kPi * t);
        m = MatMul(s.vertical ? TranslationMatrix(centre.x * push, 0.0, 0.0)
                              : TranslationMatrix(0.0, centre.y * push, 0.0),
                   m);
    }
    pose.transform = m;
    return pose;
}

Scene BuildCombScene(const CombSettings& s, double t, const FrameGeometry& frames) {
    // t' = 0 draws the comb at rest.
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = kBackgroundNone, .renderAtZero = true};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const double tt = scene.t;
    // No "Background" choice: the strips always leave the second picture.
    scene.background = kSceneSecondSource;
    if (s.fog > 0.0 || s.shine > 0.0) LookOnPictures(scene, tt, s.fog, s.shine, false);
    if (s.depth > 0.0) scene.model = TranslationMatrix(0.0, 0.0, -5.0 * s.depth * std::sin(kPi * tt));

    const double a = kSceneHalfWidth;
    QuadMesh strips = QuadMeshCreator::CreatePlaneGrid(
        int32_t(scene.firstWidth), int32_t(scene.firstHeight), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0},
        s.vertical ? s.strips : 1, s.vertical ? 1 : s.strips, kSourceFirst, kSourceFirst,
        s.vertical ? kMirrorHorizontal : kMirrorVertical, true);
    std::vector<QuadFace>& faces = strips.faces();
    size_t kept = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        const StripPose pose = StripMotion(s, faces[i].Centroid(), int(i), tt);
        if (!(pose.scale > 0.0)) continue; // flown away
        faces[i].Transform(pose.transform);
        faces[kept++] = faces[i];
    }
    faces.resize(kept);
    scene.faces = std::move(faces);
    return scene;
}

class D3DComb final : public BaseEffect {
public:
    D3DComb() : BaseEffect(kD3DCombDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildCombScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateComb() {
    auto* effect = new (std::nothrow) D3DComb();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
