// "3D Rotating Frames" (D3DRings): the picture is cut into concentric square
// frames that each turn over about the picture's central axis, the outermost
// first, while the whole picture tilts and recedes.
#include <algorithm>
#include <new>

#include "geometry/mesh_creator.h"
#include "geometry/ring_system.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/tilt.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range                   x    y    w    h    tooltip
    Slider     ("Shading",    0.5f,   0, 100,                {0,   0,   48,  30}, "Gives frames shaded effect"),
    CountSlider("Frames",     0.2f,   1, 15,                 {66,  0,   48,  30}, "Sets number of frames"),
    Slider     ("Cohesion",   0.45f,  0, 100,                {132, 0,   48,  30}, "Controls relative timing of frames"),
    Slider     ("Depth",      0.6f,   0, 100,                {198, 0,   48,  30}, "Sets distance from camera"),
    Point      ("Tilt",       0.2f, 0.9f,                    {0,   90,  180, 30}, "Sets angle of frames"),
    Choice     ("Rotation",   0, {"Vertical", "Horizontal"}, {198, 90,  80,  20}, "Orients frames vertically or horizontally"),
    Check      ("Reverse",    true,                          {198, 140, 80,  10}, "Runs effect in reverse"),
    Choice     ("Background", 2, kBackgroundEntries,         {0,   180, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Cascading Frames", "Entering Turnstiles", "Floating Picture", "Four Flips", "Frames In Space!",
    "Grow From Center", "Mower", "Rotate Into Center", "Rotating Warp", "Simple Flip", "Triple Doors",
};

constexpr ParamValue kPresets[] = {
    // Shading  Frames     Cohesion   Depth      Tilt                         Rotation  Reverse  Background
    S(0.38f),   S(0.395f), S(0.495f), S(0),      P(0.39534885f, 0.44186047f), C(0),     Off(),   C(0), // Cascading Frames
    S(0.5f),    S(0.455f), S(0.4f),   S(0),      P(0, 0),                     C(1),     On(),    C(0), // Entering Turnstiles
    S(0),       S(0),      S(0),      S(0.275f), P(0, 0),                     C(0),     Off(),   C(2), // Floating Picture
    S(0.38f),   S(0.22f),  S(0),      S(0),      P(0.39534885f, 0.44186047f), C(0),     Off(),   C(0), // Four Flips
    S(0.465f),  S(0.395f), S(0.495f), S(0.25f),  P(0.872093f, 0.11627907f),   C(0),     Off(),   C(2), // Frames In Space!
    S(0.38f),   S(1),      S(0.19f),  S(0),      P(0.39534885f, 0.44186047f), C(0),     On(),    C(0), // Grow From Center
    S(0.5f),    S(0.39f),  S(0.4f),   S(0),      P(0, 0),                     C(0),     On(),    C(0), // Mower
    S(0.38f),   S(1),      S(0.705f), S(0),      P(0.39534885f, 0.44186047f), C(0),     Off(),   C(0), // Rotate Into Center
    S(0),       S(0.56f),  S(0.885f), S(0),      P(0.39534885f, 0.44186047f), C(1),     Off(),   C(1), // Rotating Warp
    S(0),       S(0),      S(0),      S(0),      P(0, 0),                     C(0),     Off(),   C(0), // Simple Flip
    S(0.38f),   S(0.21f),  S(0),      S(0),      P(0.39534885f, 0.44186047f), C(1),     Off(),   C(0), // Triple Doors
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DRingsDescription{"3D Rotating Frames", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum RingsParam : uint32_t { kShading, kFrames, kCohesion, kDepth, kTilt, kRotation, kReverse, kBackground };

constexpr double kCameraDistance = 6.0;

// The parameters as the motion uses them.
struct RingsSettings {
    int frames = 1;           // K rings on a (2K - 1) x (2K - 1) grid
    double cohesion = 0.0;    // √Cohesion
    double depth = 0.0;
    double tx = 0.5, ty = 0.5; // tilt factors: 1 - Tilt.x and Tilt.y
    bool horizontal = false;   // "Horizontal": rings turn about the vertical axis
    double ambient = 0.0;
    bool reverse = false;
    uint32_t background = kBackgroundTransparent;
};

RingsSettings ReadSettings(const ParamReader& p) {
    RingsSettings s;
    s.frames = std::clamp(p.Count(kFrames), 1, 15);
    s.cohesion = CohesionFromKnob(p.Slider(kCohesion));
    s.depth = p.Slider(kDepth);
    const PointParam tilt = p.Point(kTilt);
    s.tx = 1.0 - double(tilt.x);
    s.ty = tilt.y;
    s.horizontal = p.Choice(kRotation) == 1;
    s.ambient = AmbientFromShading(p.Slider(kShading));
    s.reverse = p.Check(kReverse);
    s.background = p.Choice(kBackground);
    return s;
}

Scene BuildRingsScene(const RingsSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = s.ambient,
                           .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const double a = kSceneHalfWidth;
    const int32_t side = 2 * s.frames - 1;
    // Rings turn about the picture's centre line, so the grid's own back
    // mirroring already matches their half turn.
    const RingSystem rings(QuadMeshCreator::CreatePlaneGrid(
        int32_t(scene.firstWidth), int32_t(scene.firstHeight), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, side, side,
        kSourceFirst, kSourceSecond, s.horizontal ? kMirrorVertical : kMirrorHorizontal, false));
    scene.model = TiltAndRecession(scene.t, s.depth, s.tx, s.ty);
    scene.faces = std::move(rings.RotatedRings(scene.t, s.cohesion, s.frames, s.horizontal).faces());
    return scene;
}

class D3DRings final : public BaseEffect {
public:
    D3DRings() : BaseEffect(kD3DRingsDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildRingsScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateRotatingFrames() {
    auto* effect = new (std::nothrow) D3DRings();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
