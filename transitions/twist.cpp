// "3D Twist" (D3DTwist): the picture is cut into slices that spin half a turn
// each about the line along them, one after another, so that the picture
// twists like a ribbon from A to B; optionally it also turns in its plane,
// tumbles and recedes.
#include <cmath>
#include <new>

#include "geometry/mesh_creator.h"
#include "geometry/twist_system.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range                   x    y    w    h    tooltip
    Slider     ("Shading",    0.0f,   0, 100,                {0,   0,   48,  30}, "Gives slices shaded effect"),
    CountSlider("Slices",     0.6f,   1, 40,                 {66,  0,   48,  30}, "Sets number of slices"),
    Slider     ("Cohesion",   0.85f,  0, 100,                {132, 0,   48,  30}, "Controls relative timing of slices"),
    Slider     ("Depth",      0.25f,  0, 100,                {198, 0,   48,  30}, "Sets distance twist appears from camera"),
    Choice     ("Axis",       0, {"Vertical", "Horizontal"}, {0,   90,  114, 20}, "Sets twist peel vertical or horizontal"),
    Check      ("Rotate",     true,                          {132, 90,  114, 10}, "Check for counterclockwise turn"),
    Check      ("Flip",       false,                         {132, 120, 114, 10}, "Sets slices to turn over as they twist"),
    Check      ("Reverse",    false,                         {132, 150, 114, 10}, "Runs effect in reverse"),
    Slider     ("Fog",        0.0f,   0, 100,                {0,   150, 48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",      0.0f,   0, 100,                {66,  150, 48,  30}, "Adds metallic sheen to scene"),
    Choice     ("Background", 0, kBackgroundEntries,         {132, 190, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Bottom To Top", "Dutch Doors", "Horizontal Flip", "Horizontal Flip - Painted", "Horizontal Twist",
    "Left To Right", "Painted Back Flip", "Right To Left", "Rotate Left", "Rotate Right", "Spinning Lights",
    "Stick Twister", "Top To Bottom", "Tumbling Card", "Turnstile", "Vertical Twist",
};

// "Left To Right" and "Right To Left" carry a Background word that is no entry;
// the transition tolerates it (it draws such a value as transparent).
constexpr ParamValue kInvalid = Raw(0xCCCCCCCCu, 0xCCCCCCCCu);

constexpr ParamValue kPresets[] = {
    // Shading  Slices     Cohesion   Depth      Axis  Rotate  Flip   Reverse  Fog        Shine      Background
    S(0),       S(0.4f),   S(0),      S(0),      C(0), Off(),  Off(), Off(),   S(0),      S(0),      C(0),     // Bottom To Top
    S(0),       S(0.045f), S(0),      S(0),      C(0), Off(),  Off(), Off(),   S(0),      S(0),      C(0),     // Dutch Doors
    S(0.625f),  S(0.075f), S(1),      S(0),      C(1), Off(),  Off(), Off(),   S(0),      S(0),      C(2),     // Horizontal Flip
    S(0.625f),  S(0),      S(1),      S(0),      C(1), Off(),  Off(), Off(),   S(0.9f),   S(0.59f),  C(2),     // Horizontal Flip - Painted
    S(0.56f),   S(1),      S(0.975f), S(0),      C(1), Off(),  Off(), Off(),   S(0),      S(0),      C(1),     // Horizontal Twist
    S(0),       S(0.625f), S(0),      S(0),      C(1), Off(),  Off(), Off(),   S(0),      S(0),      kInvalid, // Left To Right
    S(0),       S(0.22f),  S(0.445f), S(0),      C(0), On(),   Off(), Off(),   S(0.645f), S(0.505f), C(2),     // Painted Back Flip
    S(0),       S(0.335f), S(0),      S(0),      C(1), Off(),  Off(), On(),    S(0),      S(0),      kInvalid, // Right To Left
    S(0),       S(0.495f), S(0.605f), S(0),      C(1), On(),   Off(), Off(),   S(0),      S(0),      C(1),     // Rotate Left
    S(0),       S(0.495f), S(0.605f), S(0),      C(1), On(),   Off(), On(),    S(0),      S(0),      C(0),     // Rotate Right
    S(0),       S(0.095f), S(0.445f), S(0),      C(0), On(),   On(),  Off(),   S(1),      S(0),      C(2),     // Spinning Lights
    S(0.625f),  S(0.46f),  S(0.62f),  S(0.515f), C(0), On(),   On(),  Off(),   S(0),      S(0),      C(0),     // Stick Twister
    S(0),       S(0.84f),  S(0),      S(0),      C(0), Off(),  Off(), On(),    S(0),      S(0),      C(0),     // Top To Bottom
    S(0.625f),  S(0),      S(1),      S(0.425f), C(0), On(),   On(),  Off(),   S(0),      S(0),      C(2),     // Tumbling Card
    S(0.56f),   S(0),      S(1),      S(0),      C(0), Off(),  Off(), Off(),   S(0),      S(0),      C(2),     // Turnstile
    S(0.56f),   S(1),      S(0.975f), S(0),      C(0), Off(),  Off(), Off(),   S(0),      S(0),      C(1),     // Vertical Twist
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DTwistDescription{"3D Twist", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum TwistParam : uint32_t {
    kShading, kSlices, kCohesion, kDepth, kAxis, kRotate, kFlip, kReverse, kFog, kShine, kBackground
};

constexpr double kCameraDistance = 6.0;

struct TwistSettings {
    int slices = 24;
    double cohesion = 0.0; // √Cohesion
    double depth = 0.0;    // 0 to 1: how far the picture recedes mid-transition
    bool vertical = true;  // "Vertical": slices across the picture spinning about the y axis
    bool rotate = false;
    bool flip = false;
    bool reverse = false;
    double fog = 0.0;
    double shine = 0.0;
    double ambient = 0.0;
    uint32_t background = kBackgroundFirst;
};

TwistSettings ReadSettings(const ParamReader& p) {
    TwistSettings s;
    s.slices = p.Count(kSlices);
    s.cohesion = CohesionFromKnob(p.Slider(kCohesion));
    s.depth = p.Slider(kDepth);
    s.vertical = p.Choice(kAxis) != 1;
    s.rotate = p.Check(kRotate);
    s.flip = p.Check(kFlip);
    s.reverse = p.Check(kReverse);
    s.fog = p.Slider(kFog);
    s.shine = p.Slider(kShine);
    s.ambient = AmbientFromShading(p.Slider(kShading));
    // Two built-in presets store a value that is no entry; it draws as
    // transparent rather than leaving the host's output behind the slices.
    const uint32_t background = p.Choice(kBackground);
    s.background = background <= kBackgroundTransparent ? background : kBackgroundTransparent;
    return s;
}

// The whole picture's motion at progress t, in order: a half turn in the
// picture plane ("Rotate"), one tumble end over end ("Flip"), a recession
// that returns by the end ("Depth").
Mat4 TwistModel(const TwistSettings& s, double t) {
    Mat4 m;
    if (s.rotate) m = RotationZ(kPi * t);
    if (s.flip) m = MatMul(RotationX(2.0 * kPi * t), m);
    if (s.depth > 0.0) m = MatMul(TranslationMatrix(0.0, 0.0, -5.0 * s.depth * std::sin(kPi * t)), m);
    return m;
}

// The slices across the full frame. Their backs are laid out for the turn
// the picture makes in all: a slice's half turn about its own axis, plus a
// half turn in the picture plane with "Rotate", which exchanges the two
// mirror directions. Picture B then ends upright and unmirrored either way.
QuadMesh Slices(uint32_t width, uint32_t height, const TwistSettings& s) {
    const double a = kSceneHalfWidth;
    const uint32_t mirror = s.rotate != !s.vertical ? kMirrorHorizontal : kMirrorVertical;
    return QuadMeshCreator::CreatePlaneGrid(int32_t(width), int32_t(height), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0},
                                            s.vertical ? 1 : s.slices, s.vertical ? s.slices : 1, kSourceFirst,
                                            kSourceSecond, mirror, true);
}

Scene BuildTwistScene(const TwistSettings& s, double t, const FrameGeometry& frames) {
    // t' = 0 draws the untwisted picture.
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = s.ambient,
                           .background = s.background, .renderAtZero = true};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    if (s.fog > 0.0 || s.shine > 0.0) LookOnPictures(scene, scene.t, s.fog, s.shine, true);
    scene.model = TwistModel(s, scene.t);
    const TwistSystem twist(Slices(scene.firstWidth, scene.firstHeight, s));
    scene.faces = std::move(twist.TwistedFaces(scene.t, s.cohesion, s.vertical, scene.topDown).faces());
    return scene;
}

class D3DTwist final : public BaseEffect {
public:
    D3DTwist() : BaseEffect(kD3DTwistDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildTwistScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateTwist() {
    auto* effect = new (std::nothrow) D3DTwist();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
