// "3D Louvers" (D3DJalousie): the picture is cut into slats like a blind; each
// slat shows a strip of picture A on its front and the matching strip of
// picture B on its back, and makes a half turn about its own centre line.
#include <new>

#include "geometry/mesh_creator.h"
#include "geometry/twist_system.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name           default range                   x    y    w    h    tooltip
    Slider     ("Shading",     0.5f,   0, 100,                {0,   0,   48,  30}, "Gives louvers shaded effect"),
    CountSlider("Slices",      1.0f,   1, 30,                 {66,  0,   48,  30}, "Sets number of louvers"),
    Slider     ("Cohesion",    0.85f,  0, 100,                {132, 0,   48,  30}, "Controls relative timing of panels"),
    Choice     ("Orientation", 0, {"Horizontal", "Vertical"}, {198, 0,   114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Reverse",     false,                         {198, 60,  114, 10}, "Runs effect in reverse"),
    Slider     ("Fog",         0.855f, 0, 100,                {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",       1.0f,   0, 100,                {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Choice     ("Background",  0, kBackgroundEntries,         {198, 120, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Bottom To Top", "Flip", "Left To Right", "Metal Blinds", "Revolving Shimmer", "Right To Left",
    "Ripple Down", "Ripple Left", "Ripple Right", "Ripple Up", "Top To Bottom",
};

constexpr ParamValue kPresets[] = {
    // Shading  Slices     Cohesion  Orientation  Reverse  Fog        Shine      Background
    S(0.695f),  S(0.305f), S(0),     C(0),        Off(),   S(0),      S(0),      C(0), // Bottom To Top
    S(0.5f),    S(0),      S(0),     C(0),        Off(),   S(0),      S(0),      C(2), // Flip
    S(0.5f),    S(0.295f), S(0),     C(1),        Off(),   S(0),      S(0),      C(0), // Left To Right
    S(0.5f),    S(0.655f), S(0.5f),  C(0),        Off(),   S(0.445f), S(0.775f), C(0), // Metal Blinds
    S(0),       S(0),      S(1),     C(1),        Off(),   S(0.5f),   S(0.865f), C(1), // Revolving Shimmer
    S(0.5f),    S(0.36f),  S(0),     C(1),        On(),    S(0),      S(0),      C(0), // Right To Left
    S(0),       S(0.575f), S(0.55f), C(0),        On(),    S(0.43f),  S(0.145f), C(0), // Ripple Down
    S(0),       S(0.575f), S(0.55f), C(1),        On(),    S(0.43f),  S(0.145f), C(0), // Ripple Left
    S(0),       S(0.575f), S(0.55f), C(1),        Off(),   S(0.43f),  S(0.145f), C(0), // Ripple Right
    S(0),       S(0.575f), S(0.55f), C(0),        Off(),   S(0.43f),  S(0.145f), C(0), // Ripple Up
    S(0.5f),    S(0.315f), S(0),     C(0),        On(),    S(0),      S(0),      C(0), // Top To Bottom
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DJalousieDescription{"3D Louvers", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum LouversParam : uint32_t { kShading, kSlices, kCohesion, kOrientation, kReverse, kFog, kShine, kBackground };

constexpr double kCameraDistance = 6.0;

struct LouversSettings {
    int slats = 30;
    double cohesion = 0.0; // √Cohesion
    bool vertical = false; // "Vertical": upright slats turning about the y axis
    bool reverse = false;
    double fog = 0.0;      // 1 - (1 - Fog)²
    double shine = 0.0;
    double ambient = 0.0;
    uint32_t background = kBackgroundFirst;
};

LouversSettings ReadSettings(const ParamReader& p) {
    LouversSettings s;
    s.slats = p.Count(kSlices);
    s.cohesion = CohesionFromKnob(p.Slider(kCohesion));
    s.vertical = p.Choice(kOrientation) == 1;
    s.reverse = p.Check(kReverse);
    s.fog = SquaredFog(p.Slider(kFog));
    s.shine = p.Slider(kShine);
    s.ambient = AmbientFromShading(p.Slider(kShading));
    s.background = p.Choice(kBackground);
    return s;
}

// The slats across the full frame, each showing a strip of `front` and, on
// its back, the strip of `back` that lies at the same place: the grid lays
// the back out mirrored for a turn of the whole picture, so each slat's back
// rectangle is mirrored back onto its front rectangle. The slat's own half
// turn then brings that strip upright.
QuadMesh Slats(uint32_t width, uint32_t height, int count, bool vertical) {
    const double a = kSceneHalfWidth;
    QuadMesh slats = QuadMeshCreator::CreatePlaneGrid(
        int32_t(width), int32_t(height), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, vertical ? count : 1,
        vertical ? 1 : count, kSourceFirst, kSourceSecond, vertical ? kMirrorVertical : kMirrorHorizontal, true);
    for (QuadFace& slat : slats.faces()) {
        TexRect& r = slat.backRect;
        const TexRect old = r;
        if (vertical) {
            r.left = 1.0 - old.right;
            r.right = 1.0 - old.left;
        } else {
            r.top = 1.0 - old.bottom;
            r.bottom = 1.0 - old.top;
        }
    }
    return slats;
}

Scene BuildLouversScene(const LouversSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = s.ambient,
                           .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    if (s.fog > 0.0 || s.shine > 0.0) LookOnPictures(scene, scene.t, s.fog, s.shine, true);
    // Slats start from y = +1 or x = -a; for top-down pictures the order is
    // mirrored with the picture.
    const TwistSystem twist(Slats(scene.firstWidth, scene.firstHeight, s.slats, s.vertical));
    scene.faces = std::move(twist.TwistedFaces(scene.t, s.cohesion, s.vertical, scene.topDown).faces());
    return scene;
}

class D3DJalousie final : public BaseEffect {
public:
    D3DJalousie() : BaseEffect(kD3DJalousieDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildLouversScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateLouvers() {
    auto* effect = new (std::nothrow) D3DJalousie();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
