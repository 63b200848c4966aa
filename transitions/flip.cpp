// "3D Flip" (D3DHalfRotate): one card with picture A on its front and picture
// B on its back makes a half turn, like a card turned over or a revolving
// door when its pivot lies off the centre.
#include <new>

#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name           default range                   x    y    w    h    tooltip
    Slider("Distance",    0.0f,   0,    100,             {0,   0,   48,  30}, "Sets distance from camera"),
    Slider("Offset",      0.0f,   -100, 100,             {66,  0,   48,  30}, "Sets center point"),
    Slider("Shading",     1.0f,   0,    100,             {132, 0,   48,  30}, "Creates shaded effect"),
    Choice("Orientation", 0, {"Horizontal", "Vertical"}, {198, 0,   114, 20}, "Sets horizontal or vertical orientation"),
    Check ("Clockwise",   false,                         {198, 60,  114, 10}, "Check for clockwise, uncheck for counterclockwise"),
    Slider("Fog",         1.0f,   0,    100,             {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider("Shine",       0.0f,   0,    100,             {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Choice("Background",  2, kBackgroundEntries,         {198, 110, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Alien Abduction", "Flip Over", "Flip Under", "Glowing Turnstile", "Revolve In Bottom", "Revolve In Left",
    "Revolve In Right", "Revolve In Top",
};

constexpr ParamValue kPresets[] = {
    // Distance  Offset     Shading    Orientation  Clockwise  Fog        Shine      Background
    S(0),        S(1),      S(0.44f),  C(1),        Off(),     S(0.765f), S(1),      C(2), // Alien Abduction
    S(0),        S(0.49f),  S(0.335f), C(1),        Off(),     S(0),      S(0.455f), C(0), // Flip Over
    S(0),        S(0.49f),  S(0.335f), C(1),        On(),      S(0),      S(0.455f), C(0), // Flip Under
    S(0),        S(0.505f), S(0),      C(0),        Off(),     S(1),      S(0.225f), C(2), // Glowing Turnstile
    S(0),        S(0),      S(0.425f), C(1),        Off(),     S(0),      S(0),      C(0), // Revolve In Bottom
    S(0),        S(0),      S(0.44f),  C(0),        Off(),     S(0),      S(0),      C(0), // Revolve In Left
    S(0),        S(1),      S(0.46f),  C(0),        On(),      S(0),      S(0),      C(0), // Revolve In Right
    S(0),        S(1),      S(0.37f),  C(1),        On(),      S(0),      S(0),      C(0), // Revolve In Top
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DHalfRotateDescription{"3D Flip", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum FlipParam : uint32_t { kDistance, kOffset, kShading, kOrientation, kClockwise, kFog, kShine, kBackground };

constexpr double kCameraDistance = 10.0;

// The parameters as the motion uses them.
struct FlipSettings {
    double distance = 0.0; // 0 to 1: how far the card recedes mid-turn
    double offset = -2.0;  // o = (Offset - 0.5)·4, in picture half heights
    double ambient = 0.0;
    bool vertical = false; // "Vertical": the turn is about a horizontal line
    double turn = -1.0;    // +1 clockwise, -1 counterclockwise
    double fog = 0.0;
    double shine = 0.0;
    uint32_t background = kBackgroundTransparent;
};

FlipSettings ReadSettings(const ParamReader& p) {
    FlipSettings s;
    s.distance = p.Slider(kDistance);
    s.offset = (double(p.Slider(kOffset)) - 0.5) * 4.0;
    s.ambient = AmbientFromShading(p.Slider(kShading));
    s.vertical = p.Choice(kOrientation) == 1;
    s.turn = p.Check(kClockwise) ? 1.0 : -1.0;
    s.fog = p.Slider(kFog);
    s.shine = p.Slider(kShine);
    s.background = p.Choice(kBackground);
    return s;
}

struct FlipPose {
    double u = 0.0; // eased progress, which also drives the glow
    Mat4 model;
};

// The card at progress t: a half turn about a pivot line h away from the
// centre, pushed back by Distance mid-turn, and drifting back so that it
// ends where it started (after a half turn about an off-centre line it
// would lie mirrored about the pivot, centred at 2h).
FlipPose FlipMotion(const FlipSettings& s, double t, bool topDown) {
    FlipPose pose;
    pose.u = s.distance > 0.0 ? EaseProgress(t, 2.5 + t, 0.45) : t;
    const double u = pose.u;
    const double theta = s.turn * kPi * u;
    // "Bottom" and "Top" pivots are named for bottom-up pictures.
    const double h = s.vertical ? (topDown ? s.offset : -s.offset) : s.offset * kSceneHalfWidth;
    auto along = [&](double d) { return s.vertical ? TranslationMatrix(0.0, d, 0.0) : TranslationMatrix(d, 0.0, 0.0); };
    Mat4 m = along(-h);
    m = MatMul(s.vertical ? RotationX(theta) : RotationY(theta), m);
    m = MatMul(along(h), m);
    m = MatMul(TranslationMatrix(0.0, 0.0, -100.0 * s.distance * std::sin(kPi * u)), m);
    pose.model = MatMul(along(-2.0 * h * u * u), m);
    return pose;
}

Scene BuildFlipScene(const FlipSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.distance = kCameraDistance, .ambient = s.ambient, .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const FlipPose pose = FlipMotion(s, scene.t, scene.topDown);
    scene.model = pose.model;
    // Even at zero amounts: the card's picture always passes through the look.
    LookOnFaces(scene, GlowLookAt(pose.u, s.fog, s.shine, frames.heightA));
    const double a = kSceneHalfWidth;
    scene.faces.push_back(QuadFace({-a, 1, 0}, {a, 1, 0}, {a, -1, 0}, {-a, -1, 0}, kSourceFirst, kSourceSecond,
                                   s.vertical ? kMirrorHorizontal : kMirrorVertical));
    return scene;
}

class D3DHalfRotate final : public BaseEffect {
public:
    D3DHalfRotate() : BaseEffect(kD3DHalfRotateDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildFlipScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateFlip() {
    auto* effect = new (std::nothrow) D3DHalfRotate();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
