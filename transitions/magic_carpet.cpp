// "3D Magic Carpet" (D3DWave): picture A bends into an arch, then flies away
// from the viewer in a travelling wave that dies down while it banks,
// uncovering picture B lying flat behind it.
#include <algorithm>
#include <cmath>
#include <new>

#include "geometry/mesh_creator.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name       default range       x    y   w    h    tooltip
    Slider("Bank",    0.5f,   -100, 100, {0,   0,  48,  30}, "Sets angle of carpet flight"),
    Slider("Delay",   0.07f,  0,    100, {66,  0,  48,  30}, "Sets angle of carpet flight"),
    Slider("Depth",   0.5f,   0,    100, {132, 0,  48,  30}, "Sets distance from camera"),
    Check ("Reverse", false,             {0,   90, 114, 10}, "Runs effect in reverse"),
};

constexpr const char* kPresetNames[] = {
    "Fly Away", "Fly In", "Rotate Left", "Rotate Right", "Spiral Away", "Twister Coming In",
};

constexpr ParamValue kPresets[] = {
    // Bank    Delay     Depth      Reverse
    S(0.5f),   S(0.28f), S(1),      Off(), // Fly Away
    S(0.5f),   S(0.68f), S(0.5f),   On(),  // Fly In
    S(0.69f),  S(0.07f), S(0.5f),   Off(), // Rotate Left
    S(0.295f), S(0.07f), S(0.5f),   Off(), // Rotate Right
    S(0),      S(0),     S(0.625f), Off(), // Spiral Away
    S(0),      S(0),     S(0.625f), On(),  // Twister Coming In
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DWaveDescription{"3D Magic Carpet", kEffectFlagsOwnCrop, kParams, kPresetNames, kPresets, 3};

namespace {

enum CarpetParam : uint32_t { kBank, kDelay, kDepth, kReverse };

constexpr double kCameraDistance = 6.0;
constexpr double kAmbient = 0.4;
constexpr int32_t kStrips = 60;

// The parameters as the motion uses them.
struct CarpetSettings {
    double bank = 0.0;      // b = 2·Bank - 1 whole turns by the end of the flight
    double lift = 0.045;    // l = Delay·0.5 + 0.01: share of the eased time spent arching
    double distance = 12.5; // L = Depth·15 + 5: how far the carpet flies back
    bool reverse = false;
};

CarpetSettings ReadSettings(const ParamReader& p) {
    CarpetSettings s;
    s.bank = 2.0 * double(p.Slider(kBank)) - 1.0;
    s.lift = double(p.Slider(kDelay)) * 0.5 + 0.01;
    s.distance = double(p.Slider(kDepth)) * 15.0 + 5.0;
    s.reverse = p.Check(kReverse);
    return s;
}

// Where the carpet is at one moment.
struct CarpetPose {
    double lift = 0.0;     // p1: 0 flat, 1 fully arched
    double flight = 0.0;   // p2: 0 at the end of the lift, 1 at the end
    double distance = 0.0; // L
    double bank = 0.0;     // the turn about the view axis, radians
};

CarpetPose CarpetMotion(double t, double bank, double lift, double distance) {
    CarpetPose pose;
    const double u = EaseProgress(t, 1.8, 0.4);
    // A lift share the knob cannot give (l <= 0) would divide by zero; the
    // carpet then arches at once.
    if (lift > 0.0 && u <= lift) {
        pose.lift = u / lift;
    } else {
        pose.lift = 1.0;
        const double flight = lift < 1.0 ? (u - lift) / (1.0 - lift) : 0.0;
        pose.flight = flight > 0.0 ? std::min(flight, 1.0) : 0.0;
    }
    pose.distance = distance;
    pose.bank = bank * 2.0 * kPi * pose.flight;
    return pose;
}

Vec3 CarpetPoint(const CarpetPose& pose, const Vec3& p) {
    // Corners of the flat carpet lie in [-1, 1]; held there so that the arch
    // is defined for whatever rounding put them a hair outside.
    Vec3 q{p.x, std::clamp(p.y, -1.0, 1.0), 0.0};
    q.z = std::asin(q.y) * pose.lift;
    if (pose.flight > 0.0) {
        q.z -= pose.distance * pose.flight;
        q.y = std::sin(q.z) * (1.0 - pose.flight * pose.flight);
    }
    return q;
}

Scene BuildCarpetScene(const CarpetSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = kBackgroundNone};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    // The carpet flies off the second picture, which lies flat behind it.
    scene.background = kSceneSecondSource;
    const CarpetPose pose = CarpetMotion(scene.t, s.bank, s.lift, s.distance);
    const double a = kSceneHalfWidth;
    QuadMesh carpet = QuadMeshCreator::CreatePlaneGrid(int32_t(scene.firstWidth), int32_t(scene.firstHeight),
                                                       {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, 1, kStrips, kSourceFirst,
                                                       kSourceFirst, kMirrorVertical, false);
    for (QuadFace& strip : carpet.faces())
        for (Vec3& corner : strip.vertices) corner = CarpetPoint(pose, corner);
    scene.model = RotationZ(pose.bank);
    scene.faces = std::move(carpet.faces());
    return scene;
}

class D3DWave final : public BaseEffect {
public:
    D3DWave() : BaseEffect(kD3DWaveDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildCarpetScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateMagicCarpet() {
    auto* effect = new (std::nothrow) D3DWave();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
