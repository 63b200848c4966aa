// "3D Box Fold" (D3DBoxInversion): picture A is the front of a closed box that
// unfolds into a flat net and folds on until it has turned inside out,
// showing picture B.
#include <cmath>
#include <new>

#include "geometry/mesh_creator.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name          default                  range      x    y    w    h   tooltip
    Slider("Speed",      0.5f,                    0, 100,  {0,   0,   48,  30}, "Adjusts speed at which box folds"),
    Slider("Depth",      0.9f,                    0, 100,  {66,  0,   48,  30}, "Sets distance from camera"),
    Point ("Tilt",       0.255814f, 0.767442f,             {132, 0,   180, 30}, "Adjusts angle"),
    Check ("Reverse",    false,                            {0,   100, 114, 10}, "Sets box to unfold instead of fold"),
    Choice("Background", 2, kBackgroundEntries,            {132, 90,  114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Cube Change", "Enter the Box", "Face Bottom Left", "Face Bottom Right",
    "Face Top Left", "Face Top Right", "Head On", "Sudden",
};

constexpr ParamValue kPresets[] = {
    //  Speed     Depth      Tilt        Reverse Background
    S(0.83f), S(0.47f),  P(1, 1),     Off(), C(2), // Cube Change
    S(0),     S(0),      P(0.5, 0.5), On(),  C(1), // Enter the Box
    S(0),     S(0.77f),  P(0, 1),     Off(), C(2), // Face Bottom Left
    S(0),     S(0.77f),  P(1, 1),     Off(), C(2), // Face Bottom Right
    S(0),     S(0.77f),  P(0, 0),     Off(), C(2), // Face Top Left
    S(0),     S(0.77f),  P(1, 0),     Off(), C(2), // Face Top Right
    S(0.08f), S(0.495f), P(0.5, 0.5), Off(), C(1), // Head On
    S(1),     S(0.325f), P(0.5, 0.5), Off(), C(2), // Sudden
};

} // namespace

const EffectDescription kD3DBoxInversionDescription{"3D Box Fold", kEffectFlags, kParams, kPresetNames, kPresets};

namespace {

enum BoxFoldParam : uint32_t { kSpeed, kDepth, kTilt, kReverse, kBackground };

constexpr double kCameraDistance = 6.0;
// Faces turned from the light are almost black.
constexpr double kAmbient = 0.05;
// The easing curve's exponent and share, kept in single precision.
constexpr double kEaseExponent = double(1.8f);
constexpr double kEaseShare = double(0.4f);

// The parameters as the motion uses them.
struct BoxFoldSettings {
    double window = 0.55; // w: the share of the transition the fold takes
    double depth = 1.45;  // k: how far the box recedes and tilts mid-fold
    double tiltX = 0.5;   // 1 - Tilt.x
    double tiltY = 0.5;   // Tilt.y, before mirroring for top-down pictures
    bool reverse = false;
    uint32_t background = kBackgroundTransparent;
};

BoxFoldSettings ReadSettings(const ParamReader& p) {
    BoxFoldSettings s;
    s.window = (1.0 - double(p.Slider(kSpeed))) * 0.9 + 0.1;
    s.depth = double(p.Slider(kDepth)) * 1.5 + 0.1;
    const PointParam tilt = p.Point(kTilt);
    s.tiltX = 1.0 - double(tilt.x);
    s.tiltY = tilt.y;
    s.reverse = p.Check(kReverse);
    s.background = p.Choice(kBackground);
    return s;
}

struct BoxFoldPose {
    double fold = 0.0; // 0 closed behind the front, 0.5 a flat net, 1 closed in front
    Mat4 model;
};

// The box at progress t: it tilts and recedes most at mid-transition, folds
// over the middle share `window` of the eased time, and moves back by its own
// depth so that the face ending nearest the viewer lands in the picture
// plane.
BoxFoldPose BoxFoldMotion(const BoxFoldSettings& s, double t, bool topDown) {
    const double u = EaseProgress(t, kEaseExponent, kEaseShare);
    const double a = kSceneHalfWidth;
    const double s1 = std::sin(kPi * u);
    const double tilt = s1 * s.depth * kPi / 2.0;
    const double alpha = (2.0 * s.tiltX - 1.0) * tilt * 0.3;
    const double beta = (2.0 * MirrorY(s.tiltY, topDown) - 1.0) * tilt * 0.2;

    BoxFoldPose pose;
    Mat4 m = RotationZ(alpha);
    m = MatMul(RotationX(beta), m);
    m = MatMul(RotationY(alpha), m);
    m = MatMul(TranslationMatrix(0.0, -0.6 * s.depth * s1, -10.0 * s.depth * s1), m);
    pose.model = MatMul(TranslationMatrix(0.0, 0.0, -2.0 * a * std::sin(kPi * u / 2.0)), m);

    const double margin = (1.0 - s.window) / 2.0;
    pose.fold = u < margin ? 0.0 : u > 1.0 - margin ? 1.0 : (u - margin) / s.window;
    return pose;
}

Scene BuildBoxFoldScene(const BoxFoldSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const BoxFoldPose pose = BoxFoldMotion(s, scene.t, scene.topDown);
    // The box's depth equals its width: its back stands at z = -2a.
    const double a = kSceneHalfWidth;
    const QuadMesh box = QuadMeshCreator::CreateBox({-a, 1, 0}, {a, 1, 0}, {a, -1, 0}, {-a, -1, 0}, -2.0 * a,
                                                    kSourceFirst, kSourceSecond);
    // NOTE: the placement is applied to the faces rather than set as the
    // model matrix. The picture is the same, but the painter's order then
    // sorts the faces as placed: sorted before the tilt, a side that has
    // turned toward the viewer can be painted over by one behind it (a
    // strongly tilted, still closed box shows its inside).
    QuadMesh folded = QuadMeshCreator::FoldBox(box, pose.fold);
    folded.Transform(pose.model);
    scene.faces = std::move(folded.faces());
    return scene;
}

class D3DBoxInversion final : public BaseEffect {
public:
    D3DBoxInversion() : BaseEffect(kD3DBoxInversionDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildBoxFoldScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateBoxFold() {
    auto* effect = new (std::nothrow) D3DBoxInversion();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
