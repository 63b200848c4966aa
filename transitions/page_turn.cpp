// "3D Page Turn" (D3DPageCurl): picture A curls up like the page of a book or
// a calendar and turns over, uncovering picture B lying flat beneath it.
#include <cmath>
#include <new>

#include "geometry/mesh_creator.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name         default range                           x    y   w    h    tooltip
    Choice("Peel Edge", 0, {"Left", "Right", "Bottom", "Top"}, {0,   0,  114, 20}, "Sets the page turn hinge"),
    Check ("Peel Back", false,                                 {132, 0,  80,  10}, "Sets page to turn away from camera"),
    Check ("Reverse",   false,                                 {132, 30, 80,  10}, "Runs effect in reverse"),
    Slider("Fog",       0.0f,   0, 100,                        {0,   60, 48,  30}, "Gives scene a white glow"),
    Slider("Shine",     0.0f,   0, 100,                        {66,  60, 48,  30}, "Adds metallic sheen to scene"),
};

constexpr const char* kPresetNames[] = {
    "Foil Page From Above", "Foil Page From Below", "Foil Page From Left", "Foil Page From Right", "Hatch Up",
    "Last Page - Book", "Last Page - Calendar", "Next Page - Book", "Next Page - Calendar",
    "Page Away Bottom", "Page Away Left", "Page Away Right", "Page Away Top", "Wilt",
};

constexpr ParamValue kPresets[] = {
    // Peel Edge  Peel Back  Reverse  Fog        Shine
    C(3),         Off(),     On(),    S(0.555f), S(0.58f), // Foil Page From Above
    C(2),         Off(),     On(),    S(0.555f), S(0.58f), // Foil Page From Below
    C(0),         Off(),     On(),    S(0.555f), S(0.58f), // Foil Page From Left
    C(1),         Off(),     On(),    S(0.555f), S(0.58f), // Foil Page From Right
    C(2),         On(),      On(),    S(0),      S(0),     // Hatch Up
    C(0),         Off(),     On(),    S(0),      S(0),     // Last Page - Book
    C(3),         Off(),     On(),    S(0),      S(0),     // Last Page - Calendar
    C(0),         Off(),     Off(),   S(0),      S(0),     // Next Page - Book
    C(3),         Off(),     Off(),   S(0),      S(0),     // Next Page - Calendar
    C(2),         On(),      Off(),   S(0),      S(0),     // Page Away Bottom
    C(0),         On(),      Off(),   S(0),      S(0),     // Page Away Left
    C(1),         On(),      Off(),   S(0),      S(0),     // Page Away Right
    C(3),         On(),      Off(),   S(0),      S(0),     // Page Away Top
    C(2),         Off(),     Off(),   S(0),      S(0),     // Wilt
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DPageCurlDescription{"3D Page Turn", kEffectFlagsOwnCrop, kParams, kPresetNames, kPresets, 2};

namespace {

enum PageTurnParam : uint32_t { kPeelEdge, kPeelBack, kReverse, kFog, kShine };

// The hinge, in the naming of bottom-up pictures: "Bottom" is the edge at
// y = +1 (row 0).
enum PeelEdge : uint32_t { kLeft, kRight, kBottom, kTop };

constexpr double kCameraDistance = 5.0;
constexpr double kAmbient = 0.6;
constexpr int kStrips = 40;

struct PageTurnSettings {
    uint32_t edge = kLeft;
    bool peelBack = false;
    bool reverse = false;
    double fog = 0.0;
    double shine = 0.0;
};

PageTurnSettings ReadSettings(const ParamReader& p) {
    PageTurnSettings s;
    const uint32_t edge = p.Choice(kPeelEdge);
    s.edge = edge <= kTop ? edge : kLeft; // a value that is no entry hinges on the left
    s.peelBack = p.Check(kPeelBack);
    s.reverse = p.Check(kReverse);
    s.fog = p.Slider(kFog);
    s.shine = p.Slider(kShine);
    return s;
}

// Bends the page, 40 strips numbered from x = -a or from y = +1, at progress
// t: every joint between strips bends by the same small angle, so the page
// rolls into a curl, and after mid-transition the joint at the hinge lifts
// the whole curl toward a right angle. Joint k turns strip k counted from the
// hinge and every strip beyond it about the strip's hinge-side edge.
void CurlPage(QuadMesh& page, uint32_t edge, bool peelBack, double t) {
    const int n = int(page.size());
    if (n < 2) return;
    const bool fromStart = edge == kLeft || edge == kBottom; // strip 0 lies at the hinge
    const bool aboutY = edge == kLeft || edge == kRight;
    // The strip's corner on its hinge-side edge: (-x, +y), (+x, +y) or (+x, -y).
    const int hingeCorner = fromStart ? 0 : edge == kRight ? 1 : 2;
    const double sign = (fromStart ? 1.0 : -1.0) * (peelBack ? -1.0 : 1.0);

    const double delta = kPi * t / (n - 1);
    for (int k = 0; k < n; ++k) {
        double theta = delta;
        if (k == 0 && t > 0.5 && kPi / 2.0 - delta > 0.0) {
            const double lift = std::sin(kPi * (t - 0.5));
            theta = delta + lift * lift * lift * (kPi / 2.0 - delta);
        }
        const int j = fromStart ? k : n - 1 - k;
        const Vec3 corner = page[size_t(j)].vertices[hingeCorner];
        // A line parallel to the y axis through the corner's (x, z), or to the
        // x axis through its (y, z).
        const Vec3 hinge = aboutY ? Vec3{corner.x, 0.0, corner.z} : Vec3{0.0, corner.y, corner.z};
        const Mat4 turn = aboutY ? RotationY(sign * theta) : RotationX(sign * theta);
        const Mat4 m = MatMul(MatMul(TranslationMatrix(hinge), turn), TranslationMatrix(-hinge));
        const int first = fromStart ? j : 0, last = fromStart ? n - 1 : j;
        for (int i = first; i <= last; ++i) page[size_t(i)].Transform(m);
    }
}

Scene BuildPageTurnScene(PageTurnSettings s, double t, const FrameGeometry& frames) {
    // The page lies on the second picture, drawn below; t' = 0 draws the flat page.
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = kBackgroundNone, .renderAtZero = true};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const double tp = scene.t;
    if (scene.topDown && (s.edge == kBottom || s.edge == kTop)) s.edge = s.edge == kBottom ? kTop : kBottom;
    scene.background = kSceneSecondSource;
    // The look belongs to the page alone, and only with fog: without it
    // there is no sheen either.
    if (s.fog > 0.0) LookOnPictures(scene, tp, s.fog, s.shine, false);

    const double a = kSceneHalfWidth;
    const bool columns = s.edge == kLeft || s.edge == kRight;
    QuadMesh strips = QuadMeshCreator::CreatePlaneGrid(int32_t(scene.firstWidth), int32_t(scene.firstHeight),
                                                       {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, columns ? kStrips : 1,
                                                       columns ? 1 : kStrips, kSourceFirst, kSourceFirst,
                                                       kMirrorNone, false);
    CurlPage(strips, s.edge, s.peelBack, tp);

    // A slight drift toward the hinge, ten output pixels by the end.
    const double dx = frames.outWidth > 0 ? 10.0 / frames.outWidth * tp : 0.0;
    const double dy = frames.outHeight > 0 ? 10.0 / frames.outHeight * tp : 0.0;
    switch (s.edge) {
    case kLeft: scene.model = TranslationMatrix(-dx, 0.0, 0.0); break;
    case kRight: scene.model = TranslationMatrix(dx, 0.0, 0.0); break;
    case kBottom: scene.model = TranslationMatrix(0.0, dy, 0.0); break;
    default: scene.model = TranslationMatrix(0.0, -dy, 0.0); break;
    }
    scene.faces = std::move(strips.faces());
    return scene;
}

class D3DPageCurl final : public BaseEffect {
public:
    D3DPageCurl() : BaseEffect(kD3DPageCurlDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildPageTurnScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreatePageTurn() {
    auto* effect = new (std::nothrow) D3DPageCurl();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
