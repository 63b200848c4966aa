// "3D Louver Grid" (D3DMNJalousie): a grid of panels, each turning over about
// its own centre line, one after another in snake order, while the whole
// grid tilts and recedes.
#include <algorithm>
#include <new>

#include "geometry/mesh_creator.h"
#include "geometry/twist_system.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/tilt.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range                   x    y    w    h    tooltip
    Slider     ("Shading",    0.5f,   0, 100,                {0,   0,   48,  30}, "Gives panels shaded effect"),
    CountSlider("Columns",    0.1f,   1, 20,                 {66,  0,   48,  30}, "Sets number of vertical panels"),
    CountSlider("Rows",       0.0f,   1, 20,                 {132, 0,   48,  30}, "Sets number of horizontal panels"),
    Slider     ("Cohesion",   1.0f,   0, 100,                {198, 0,   48,  30}, "Controls relative timing of panels"),
    Slider     ("Depth",      0.0f,   0, 100,                {264, 0,   48,  30}, "Sets distance from camera"),
    Choice     ("Rotation",   1, {"Vertical", "Horizontal"}, {0,   90,  114, 20}, "Orients panels vertically or horizontally"),
    Point      ("Tilt",       0.5116279f, 0.41860464f,       {132, 90,  180, 30}, "Sets angle of grid"),
    Check      ("Reverse",    true,                          {0,   145, 114, 10}, "Runs effect in reverse"),
    Choice     ("Background", 1, kBackgroundEntries,         {0,   180, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Double Doors", "Double Twisters", "Extreme Flip", "Floating Flip", "Four by Four", "Four Doors",
    "Hi Res", "Ripple Down", "Snake", "Triple Twisters", "Turnstile", "Twisting Blinds",
};

constexpr ParamValue kPresets[] = {
    // Shading  Columns    Rows       Cohesion   Depth      Rotation  Tilt                         Reverse  Background
    S(0.5f),    S(0.1f),   S(0),      S(1),      S(0),      C(1),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Double Doors
    S(0.5f),    S(0.105f), S(1),      S(0.955f), S(0),      C(1),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Double Twisters
    S(1),       S(0),      S(0),      S(0.675f), S(0.945f), C(0),     P(1, 0.11627907f),           Off(),   C(2), // Extreme Flip
    S(1),       S(0),      S(0),      S(0.675f), S(0.25f),  C(0),     P(0, 0),                     On(),    C(2), // Floating Flip
    S(0.5f),    S(0.2f),   S(0.18f),  S(0.675f), S(0.25f),  C(0),     P(0.89534885f, 0.55813956f), On(),    C(1), // Four by Four
    S(0.585f),  S(0.07f),  S(0.09f),  S(0.28f),  S(0),      C(1),     P(0.15116279f, 0.44186047f), On(),    C(1), // Four Doors
    S(0.5f),    S(1),      S(1),      S(0.675f), S(0.115f), C(1),     P(0.19767442f, 0.7906977f),  On(),    C(1), // Hi Res
    S(0),       S(1),      S(0.175f), S(0.94f),  S(0),      C(0),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Ripple Down
    S(0.5f),    S(0.45f),  S(0.275f), S(0.245f), S(0),      C(0),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Snake
    S(0.5f),    S(0.13f),  S(1),      S(0.955f), S(0),      C(1),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Triple Twisters
    S(0.5f),    S(0),      S(0),      S(0.19f),  S(0),      C(1),     P(0.2f, 0.9f),               On(),    C(1), // Turnstile
    S(0.68f),   S(0.37f),  S(1),      S(0.995f), S(0),      C(1),     P(0.5116279f, 0.41860464f),  On(),    C(1), // Twisting Blinds
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DMNJalousieDescription{"3D Louver Grid", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum GridParam : uint32_t {
    kShading, kColumns, kRows, kCohesion, kDepth, kRotation, kTilt, kReverse, kBackground
};

constexpr double kCameraDistance = 6.0;

// The parameters as the motion uses them.
struct GridSettings {
    int columns = 1, rows = 1;
    double cohesion = 1.0;     // √Cohesion
    double depth = 0.0;
    double tx = 0.5, ty = 0.5; // tilt factors: Tilt.x and 1 - Tilt.y
    bool horizontal = true;    // "Horizontal": panels turn about the vertical axis
    double ambient = 0.0;
    bool reverse = false;
    uint32_t background = kBackgroundSecond;
};

GridSettings ReadSettings(const ParamReader& p) {
    GridSettings s;
    s.columns = std::clamp(p.Count(kColumns), 1, 20);
    s.rows = std::clamp(p.Count(kRows), 1, 20);
    s.cohesion = CohesionFromKnob(p.Slider(kCohesion));
    s.depth = p.Slider(kDepth);
    // The tilt point leans the grid the other way round from the frames.
    const PointParam tilt = p.Point(kTilt);
    s.tx = tilt.x;
    s.ty = 1.0 - double(tilt.y);
    s.horizontal = p.Choice(kRotation) == 1;
    s.ambient = AmbientFromShading(p.Slider(kShading));
    s.reverse = p.Check(kReverse);
    s.background = p.Choice(kBackground);
    return s;
}

// The panels in snake order. Each turns about its own centre line, so its
// back shows the piece of the second picture that lies where its front
// shows the first: the grid's mirrored back rectangles are undone.
QuadMesh BuildPanels(const GridSettings& s, uint32_t width, uint32_t height) {
    const double a = kSceneHalfWidth;
    QuadMesh panels = QuadMeshCreator::CreatePlaneGrid(
        int32_t(width), int32_t(height), {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, s.columns, s.rows, kSourceFirst,
        kSourceSecond, s.horizontal ? kMirrorVertical : kMirrorHorizontal, true);
    for (QuadFace& panel : panels.faces()) panel.backRect = panel.frontRect;
    return panels;
}

Scene BuildGridScene(const GridSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = s.ambient,
                           .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const TwistSystem twist(BuildPanels(s, scene.firstWidth, scene.firstHeight));
    scene.model = TiltAndRecession(scene.t, s.depth, s.tx, s.ty);
    // The snake order is the same for top-down pictures.
    scene.faces = std::move(twist.TwistedFaces(scene.t, s.cohesion, s.horizontal, false).faces());
    return scene;
}

class D3DMNJalousie final : public BaseEffect {
public:
    D3DMNJalousie() : BaseEffect(kD3DMNJalousieDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildGridScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateLouverGrid() {
    auto* effect = new (std::nothrow) D3DMNJalousie();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
