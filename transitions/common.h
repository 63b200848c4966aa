// What every transition shares: reading and mapping its parameters, the
// "Reverse" exchange, progress at or beyond the ends, the background choice,
// the light and the camera, the easing curve, the staggering of panels, the
// glow and metal look, and the mirroring of vertical choices for top-down
// pictures. Both renderers take these rules from here through the scene.
//
// A transition is its description plus one function that builds its scene
// (the CPU pipeline in softrender/scene_render.h and a GPU renderer draw the
// value it returns):
//
//     Scene BuildFlipScene(const FlipSettings& s, double t, const FrameGeometry& frames) {
//         const SceneSetup setup{.distance = 10.0, .ambient = s.ambient,
//                                .background = s.background};        // 1: camera, light, background
//         Scene scene = BeginScene(setup, t, frames);                  // 2: "Reverse", the ends
//         if (!scene.drawing()) return scene;                          //    a copy of one source
//         const FlipPose pose = FlipMotion(s, scene.t, scene.topDown); // 3: the motion
//         scene.model = pose.model;                                    // 4: matrices and faces
//         scene.faces.push_back(QuadFace(..., kSourceFirst, kSourceSecond, kMirrorVertical));
//         LookOnFaces(scene, GlowLookAt(pose.u, s.fog, s.shine, frames.heightA)); // 5: the look
//         return scene;
//     }
//
// and the transition's class answers BuildScene with
// BuildFlipScene(ReadSettings(ParamReader(context, description())), t, frames).
//
// Conventions (scene space) are those of geometry/scene.h: a full-frame quad
// runs (-a, 1, 0), (a, 1, 0), (a, -1, 0), (-a, -1, 0) with a = 1, y = +1 is
// row 0 of the pictures in memory, +z toward the viewer.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "geometry/mat4.h"
#include "geometry/scene.h"
#include "geometry/stagger.h"
#include "library/abi.h"
#include "library/effect_description.h"

namespace svt {

// The glow swells with sin(3.1415·t): 3.1415, not π, so it is slightly above
// zero at t = 1.
inline constexpr double kGlowPi = 3.1415;
// Horizontal half-extent of the scene.
inline constexpr double kSceneHalfWidth = 1.0;

// "Background" entries. Any other value leaves the output as it is, which is
// also what a transition without the choice asks for with kBackgroundNone.
enum BackgroundChoice : uint32_t {
    kBackgroundFirst = 0,       // the host's frame A
    kBackgroundSecond = 1,      // the host's frame B
    kBackgroundTransparent = 2, // cleared to transparent black
    kBackgroundNone = 3,
};

// Parameters ______________________________________________________________

struct PointParam {
    float x = 0.0f;
    float y = 0.0f;
};

// Reads parameters through the host's context, one GetParamValue per call,
// asking for the type the accessor names. A null context, or a read the host
// refuses, yields the parameter's default from the description (zero for an
// index the description does not have).
class ParamReader {
public:
    ParamReader(IEffectContext* context, const EffectDescription& description)
        : context_(context), description_(description) {}

    float Slider(uint32_t index) const { return Read(index, kParamSlider).AsSlider(); }
    uint32_t Choice(uint32_t index) const { return Read(index, kParamChoice).AsChoice(); }
    bool Check(uint32_t index) const { return Read(index, kParamCheck).AsCheck(); }
    PointParam Point(uint32_t index) const {
        const ParamValue v = Read(index, kParamPoint);
        return {v.X(), v.Y()};
    }
    // A count slider mapped by truncation: trunc(v·(max - min) + min) with the
    // displayed range from the description (Slices 1 to 30: v·29 + 1), held
    // to that range for values no panel produces (NaN gives the minimum).
    int Count(uint32_t index) const;

    ParamValue Read(uint32_t index, uint32_t type) const;

private:
    IEffectContext* context_;
    const EffectDescription& description_;
};

// "Cohesion" knobs: c = √v (negative v counts as 0).
inline double CohesionFromKnob(float v) { return v > 0.0f ? std::sqrt(double(v)) : 0.0; }
// "Fog" knobs of the panel transitions that square it: f = 1 - (1 - v)².
inline double SquaredFog(float v) { return 1.0 - (1.0 - double(v)) * (1.0 - double(v)); }
// "Shading" knobs: ambient = 1 - v, taken only when it lies in [0, 1]; 0
// otherwise.
inline double AmbientFromShading(float v) {
    const double ambient = 1.0 - double(v);
    return ambient >= 0.0 && ambient <= 1.0 ? ambient : 0.0;
}

// Timing ___________________________________________________________________

// The easing curve: e is the exponent (held at 0.01 or more), s the share of
// the time curved at each end (held at 0.5 or less). s <= 0 or e = 1 leave t
// unchanged (even outside [0, 1]); otherwise t is clamped to [0, 1], eased in
// over [0, s], linear in the middle and eased out over [1 - s, 1]. It passes
// through (0, 0), (s, s), (1 - s, 1 - s) and (1, 1).
double EaseProgress(double t, double e, double s);

// Staggering of n panels with cohesion c: StaggeredProgress(t, j, n, c) from
// geometry/stagger.h gives panel j its local progress (0 before its window,
// 1 after, linear inside; each window lasts 1/(n·(1 - c) + c)).

// Vertical choices for pictures stored top-down (flag set on picture A): a
// y value v becomes 1 - v, a panel index j of n becomes n - 1 - j, "Bottom"
// and "Top" are exchanged. The geometry itself is never mirrored.
inline double MirrorY(double v, bool topDown) { return topDown ? 1.0 - v : v; }
inline int64_t MirrorIndex(int64_t j, int64_t n, bool topDown) { return topDown ? n - 1 - j : j; }

// Glow and metal look ________________________________________________________

// s = sin(3.1415·progress): 0 at 0, 1 at 0.5, about 9·10⁻⁵ at 1.
inline double GlowSwell(double progress) { return std::sin(kGlowPi * progress); }
// At `progress`, with f the mapped Fog value: radius trunc(H·f·s·0.2), glow
// f·s, metal shine·s, where H is the height of the picture it works on.
GlowLook GlowLookAt(double progress, double fog, double shine, uint32_t pictureHeight);

// The scene ______________________________________________________________

// How a transition sets up its scene.
struct SceneSetup {
    bool reverse = false;       // exchange the sources and run on t' = 1 - t
    double distance = 10.0;     // camera distance D (projection element -1/D)
    double ambient = 0.0;       // the light's ambient level
    uint32_t background = kBackgroundTransparent; // a "Background" entry
    // Where the motion starts: by default t' <= 0 shows the first source;
    // set, only t' < 0 does and t' = 0 is drawn.
    bool renderAtZero = false;
};

// The scene's frame: t' from t (NaN counts as 0; 1 - t under "Reverse"), the
// stage (the first source up to the start, the second from t' = 1, drawn in
// between), the sources' sizes after the exchange, the camera, the light and
// the background.
Scene BeginScene(const SceneSetup& setup, double t, const FrameGeometry& frames);

// The look on every face's picture part as it is drawn.
inline void LookOnFaces(Scene& scene, const GlowLook& look) {
    scene.lookTarget = kLookPerFace;
    scene.look = look;
}
// The look on copies of the whole first source (and the second with
// `second`), each with the radius of its own height, at `progress`.
void LookOnPictures(Scene& scene, double progress, double fog, double shine, bool second);

} // namespace svt
