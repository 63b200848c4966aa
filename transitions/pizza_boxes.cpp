// "3D Pizza Boxes" (D3DLayers): the picture cut into slices, each slice a
// flat box with picture A in front and picture B behind; the boxes make
// half turns about their own centres one after another.
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
    //          name            default range                   x    y    w    h    tooltip
    CountSlider("Slices",       0.43f,  1, 10,                 {0,   0,   48,  30}, "Sets number of boxes"),
    Slider     ("Cohesion",     0.85f,  0, 100,                {66,  0,   48,  30}, "Controls relative timing of moving slices"),
    Slider     ("Depth",        0.25f,  0, 100,                {132, 0,   48,  30}, "Sets distance from camera"),
    Slider     ("Ebb && Flow",  0.405f, 0, 100,                {198, 0,   48,  30}, "Sets slices to move close and away from camera"),
    Choice     ("Orientation",  0, {"Horizontal", "Vertical"}, {0,   90,  114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Rotate right", false,                         {0,   145, 114, 10}, "Check to make boxes spin right;  uncheck to spin left"),
    Check      ("Spread",       false,                         {0,   175, 114, 10}, "Sets spacing between boxes"),
    Check      ("Alternate",    false,                         {0,   205, 114, 10}, "Sets every other box turning in opposite direction"),
    Slider     ("Fog",          0.0f,   0, 100,                {132, 90,  48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",        0.0f,   0, 100,                {198, 90,  48,  30}, "Adds metallic sheen to scene"),
    Choice     ("Background",   0, kBackgroundEntries,         {132, 181, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Box Stack Left", "Box Stack Right", "Casino", "Cube Down", "Cube Left", "Cube Right", "Cube Up",
    "Flying Saucers", "Horizontal Shuffle", "In Your Face", "Levitate", "Light Boxes", "Metal Cube Down",
    "Metal Cube Left", "Metal Cube Right", "Metal Cube Up", "Three Boxes", "Vertical Shuffle",
};

constexpr ParamValue kPresets[] = {
    // Slices  Cohesion   Depth      Ebb && Flow  Orientation  Rotate right  Spread  Alternate  Fog        Shine     Background
    S(0.425f), S(0.37f),  S(0),      S(0),        C(0),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // Box Stack Left
    S(0.425f), S(0.37f),  S(0),      S(0),        C(0),        On(),         Off(),  Off(),     S(0),      S(0),     C(0), // Box Stack Right
    S(0.425f), S(0),      S(0),      S(0),        C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // Casino
    S(0),      S(0),      S(0.31f),  S(0.465f),   C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(2), // Cube Down
    S(0),      S(0),      S(0.375f), S(0.46f),    C(0),        Off(),        Off(),  Off(),     S(0),      S(0),     C(2), // Cube Left
    S(0),      S(0),      S(0.375f), S(0.46f),    C(0),        On(),         Off(),  Off(),     S(0),      S(0),     C(2), // Cube Right
    S(0),      S(0),      S(0.31f),  S(0.465f),   C(1),        On(),         Off(),  Off(),     S(0),      S(0),     C(2), // Cube Up
    S(0.47f),  S(0.78f),  S(0.7f),   S(0.61f),    C(0),        On(),         On(),   On(),      S(0.415f), S(1),     C(2), // Flying Saucers
    S(0.575f), S(0),      S(0.175f), S(0),        C(1),        Off(),        On(),   Off(),     S(0),      S(0),     C(0), // Horizontal Shuffle
    S(0.45f),  S(0.545f), S(1),      S(1),        C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // In Your Face
    S(0.185f), S(1),      S(0.3f),   S(0),        C(0),        On(),         On(),   On(),      S(0),      S(0),     C(2), // Levitate
    S(0.45f),  S(0.545f), S(0.675f), S(0.515f),   C(0),        Off(),        Off(),  Off(),     S(1),      S(0),     C(0), // Light Boxes
    S(0),      S(0),      S(0),      S(0),        C(1),        Off(),        Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Down
    S(0),      S(0),      S(0),      S(0),        C(0),        Off(),        Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Left
    S(0),      S(0),      S(0),      S(0),        C(0),        On(),         Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Right
    S(0),      S(0),      S(0),      S(0),        C(1),        On(),         Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Up
    S(0.25f),  S(1),      S(0.3f),   S(0),        C(1),        On(),         On(),   On(),      S(0),      S(0),     C(2), // Three Boxes
    S(0.345f), S(0),      S(0.175f), S(0),        C(0),        Off(),        On(),   Off(),     S(0),      S(0),     C(0), // Vertical Shuffle
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DLayersDescription{"3D Pizza Boxes", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum PizzaParam : uint32_t {
    kSlices, kCohesion, kDepth, kEbbFlow, kOrientation, kRotateRight, kSpread, kAlternate, kFog, kShine, kBackground
};

constexpr double kCameraDistance = 5.0;
constexpr double kAmbient = 0.5;
constexpr size_t kBackFace = 2; // of the six faces CreateFaceBoxes makes

// A knob as a fraction; a host's NaN or out-of-range word is held to [0, 1].
float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

struct PizzaSettings {
    int boxes = 4;
    double cohesion = 0.0; // √Cohesion
    double depth = 0.0;    // 0 to 1: how far the boxes recede mid-transition
    double swing = 0.0;    // e = "Ebb && Flow"·5: toward the viewer and back during a turn
    bool vertical = false; // "Vertical": upright boxes turning about the x axis
    bool rotateRight = false;
    bool spread = false;
    bool alternate = false;
    double fog = 0.0;
    double shine = 0.0;
    uint32_t background = kBackgroundFirst;
};

PizzaSettings ReadSettings(const ParamReader& p) {
    PizzaSettings s;
    s.boxes = std::clamp(p.Count(kSlices), 1, 10);
    s.cohesion = CohesionFromKnob(Unit(p.Slider(kCohesion)));
    s.depth = Unit(p.Slider(kDepth));
    s.swing = double(Unit(p.Slider(kEbbFlow))) * 5.0;
    s.vertical = p.Choice(kOrientation) == 1;
    s.rotateRight = p.Check(kRotateRight);
    s.spread = p.Check(kSpread);
    s.alternate = p.Check(kAlternate);
    s.fog = Unit(p.Slider(kFog));
    s.shine = Unit(p.Slider(kShine));
    s.background = p.Choice(kBackground);
    return s;
}

// One box per slice, picture A's slice in front. The back face shows the
// same slice of picture B, laid out to read upright once the box has made
// its half turn: about y its corners already run that way, about x they are
// turned end for end.
std::vector<QuadMesh> Boxes(uint32_t width, uint32_t height, const PizzaSettings& s) {
    const double a = kSceneHalfWidth;
    const QuadMesh slices = QuadMeshCreator::CreatePlaneGrid(
        int32_t(width), int32_t(height), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, s.vertical ? s.boxes : 1,
        s.vertical ? 1 : s.boxes, kSourceFirst, kSourceSecond, s.vertical ? kMirrorHorizontal : kMirrorVertical,
        true);
    std::vector<QuadMesh> boxes = QuadMeshCreator::CreateFaceBoxes(slices);
    for (QuadMesh& box : boxes) {
        if (box.size() <= kBackFace) continue;
        QuadFace& back = box[kBackFace];
        back.front = kSourceSecond;
        if (s.vertical && back.usable()) {
            const CornerList v = back.vertices;
            back.vertices = CornerList(v[2], v[3], v[0], v[1]);
        }
    }
    return boxes;
}

// Box i of n at progress t: a half turn about its own centre g within its
// window, pushed apart with "Spread" and swung toward the viewer and back
// with "Ebb && Flow".
Mat4 BoxMotion(const PizzaSettings& s, const Vec3& g, int i, double t, bool topDown) {
    const double q = StaggeredProgress(t, i, s.boxes, s.cohesion);
    const bool odd = i % 2 != 0;
    double theta = kPi * q;
    if (s.alternate && odd) theta = -theta;
    if (s.rotateRight) theta = -theta;
    if (s.vertical && topDown) theta = -theta;
    Mat4 m = MatMul(s.vertical ? RotationX(theta) : RotationY(theta), TranslationMatrix(-g));
    m = MatMul(TranslationMatrix(g), m);
    if (s.spread) {
        const double push = std::sin(kPi * t);
        m = MatMul(s.vertical ? TranslationMatrix(g.x * push, 0.0, 0.0) : TranslationMatrix(0.0, g.y * push, 0.0),
                   m);
    }
    if (s.swing != 0.0) {
        const double z = s.swing * std::sin(2.0 * kPi * q);
        m = MatMul(TranslationMatrix(0.0, 0.0, s.alternate && odd ? -z : z), m);
    }
    return m;
}

Scene BuildPizzaScene(const PizzaSettings& s, double t, const FrameGeometry& frames) {
    // t = 0 draws the boxes at rest.
    const SceneSetup setup{.distance = kCameraDistance, .ambient = kAmbient, .background = s.background,
                           .renderAtZero = true};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const double tt = scene.t;
    if (s.fog > 0.0 || s.shine > 0.0) LookOnPictures(scene, tt, s.fog, s.shine, true);
    if (s.depth > 0.0) scene.model = TranslationMatrix(0.0, 0.0, -5.0 * s.depth * std::sin(kPi * tt));
    std::vector<QuadMesh> boxes = Boxes(scene.firstWidth, scene.firstHeight, s);
    scene.faces.reserve(boxes.size() * 6);
    for (size_t i = 0; i < boxes.size(); ++i) {
        QuadMesh& box = boxes[i];
        box.Transform(BoxMotion(s, box.Centroid(), int(i), tt, scene.topDown));
        scene.faces.insert(scene.faces.end(), box.faces().begin(), box.faces().end());
    }
    return scene;
}

class D3DLayers final : public BaseEffect {
public:
    D3DLayers() : BaseEffect(kD3DLayersDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildPizzaScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreatePizzaBoxes() {
    auto* effect = new (std::nothrow) D3DLayers();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
