// What every transition shares: reading and mapping its parameters, the
// "Reverse" exchange, the copies outside the scene, the background choice,
// the light and the camera, the easing curve, the staggering of panels, the
// glow and metal look, and the mirroring of vertical choices for top-down
// pictures.
//
// A transition's CPU render (slot 14) reads like this:
//
//     Bool8 RenderFrame(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out,
//                       double t, MemoryAllocator* allocator) override {
//         const ParamReader params(context, description());      // 1: read and map
//         SceneSetup setup;
//         setup.reverse = params.Check(kReverse);
//         setup.distance = 6.0;
//         setup.ambient = AmbientFromShading(params.Slider(kShading));
//         setup.background = params.Choice(kBackground);
//         FrameRender render(*this, from, to, out, t, allocator, setup); // 2-5
//         if (!render.drawing()) return render.result();          // t' outside (0, 1)
//         render.RegisterGlow(GlowLookAt(render.t(), fog, shine, render.first().height)); // 6
//         ... build faces from render.first() / render.second(), animate for
//         ... render.t(), set render.canvas().SetViewMatrix(model) and draw   // 7
//         return render.result();                                  // 8 when `render` goes
//     }
//
// Conventions (scene space): the picture plane is z = 0, a full-frame picture
// spans x from -a to a (a = 1) and y from -1 to 1, +z toward the viewer;
// y = +1 is row 0 of the pictures in memory. Corners of a full-frame quad run
// (-a, 1, 0), (a, 1, 0), (a, -1, 0), (-a, -1, 0). The light travels along
// (0, 0, -1); the camera adds perspective with w = 1 - z/D. Every face is
// drawn two-sided with bilinear sampling and smooth edges (kDrawDefault).
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "geometry/light.h"
#include "geometry/mat4.h"
#include "geometry/stagger.h"
#include "library/abi.h"
#include "library/base_effect.h"
#include "library/effect_description.h"
#include "softrender/canvas.h"

namespace svt {

inline constexpr double kPi = 3.14159265358979323846;
// The glow swells with sin(3.1415·t): 3.1415, not π, so it is slightly above
// zero at t = 1.
inline constexpr double kGlowPi = 3.1415;
// Horizontal half-extent of the scene.
inline constexpr double kSceneHalfWidth = 1.0;
// The canvas flags every transition draws with: TwoSided.
inline constexpr uint32_t kTransitionCanvasFlags = kTwoSided;

// "Background" entries. Any other value leaves the canvas as it is, which is
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

// The values of a PRDreamGlowEffect (softrender/glow.h); colour is always
// white.
struct GlowLook {
    int32_t radius = 0; // pixels
    float glow = 0.0f;
    float metal = 0.0f;
};

// s = sin(3.1415·progress): 0 at 0, 1 at 0.5, about 9·10⁻⁵ at 1.
inline double GlowSwell(double progress) { return std::sin(kGlowPi * progress); }
// At `progress`, with f the mapped Fog value: radius trunc(H·f·s·0.2), glow
// f·s, metal shine·s, where H is the height of the picture it works on.
GlowLook GlowLookAt(double progress, double fog, double shine, uint32_t pictureHeight);

// A new PRDreamGlowEffect with the look (white), working through
// `allocator`; null when there is no memory. The caller owns it.
PREffect* NewGlowEffect(const GlowLook& look, MemoryAllocator* allocator);

// Transitions and their frames ______________________________________________

// The base of every transition: BaseEffect plus the canvas the transition
// keeps between renders (created at its first CPU render).
class TransitionBase : public BaseEffect {
public:
    explicit TransitionBase(const EffectDescription& description);

    // The canvas, created on first use; null when it cannot be created.
    SceneCanvas* canvas();

protected:
    ~TransitionBase() override;

private:
    std::unique_ptr<SceneCanvas> canvas_;
};

// How a transition sets up its scene (steps 2 to 5 of every render).
struct SceneSetup {
    bool reverse = false;       // exchange the textures and run on t' = 1 - t
    double distance = 10.0;     // camera distance D (projection element -1/D)
    double ambient = 0.0;       // the light's ambient level
    uint32_t background = kBackgroundTransparent;
    // Where the scene starts: by default t' <= 0 copies the first picture;
    // set, only t' < 0 does and t' = 0 is rendered.
    bool renderAtZero = false;
};

// One CPU render of a transition, from wrapping the frames to cleaning up.
//
// Construction does, in order: wrap frames A, B and the output; exchange the
// textures for "Reverse"; add the light (direction (0, 0, -1)) and set up the
// canvas (bound to the output, flags TwoSided, identity view, the camera's
// projection); copy the first texture's picture for t' <= 0 or the second's
// for t' >= 1 and stop; otherwise prepare the background from the host's
// frames (never exchanged). Destruction removes the lights and the post
// effects and releases the glow copies.
//
// drawing() is false when the frame is complete already (a copy outside the
// scene; no canvas, which draws nothing but counts as rendered; missing
// frames, which count as not rendered): RenderFrame then returns result().
// A progress that is not a number counts as 0.
class FrameRender {
public:
    FrameRender(TransitionBase& owner, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                MemoryAllocator* allocator, const SceneSetup& setup);
    FrameRender(const FrameRender&) = delete;
    FrameRender& operator=(const FrameRender&) = delete;
    ~FrameRender();

    bool drawing() const { return drawing_; }
    Bool8 result() const { return result_ ? 1 : 0; }

    // The progress the scene runs on (1 - t under "Reverse").
    double t() const { return t_; }
    // The textures after the exchange: first() is picture A unless reversed.
    const ImageView& first() const { return *first_; }
    const ImageView& second() const { return *second_; }
    // The host's frames as received (the background always uses these).
    const ImageView& pictureA() const { return pictureA_; }
    const ImageView& pictureB() const { return pictureB_; }
    // Picture A's top-down flag, for MirrorY and MirrorIndex.
    bool topDown() const { return pictureA_.topDown != 0; }
    // Only valid while drawing().
    SceneCanvas& canvas() const { return *canvas_; }
    MemoryAllocator* allocator() const { return allocator_; }

    // Registers the look as a post effect of the canvas, applied to each
    // face's picture part as the face is drawn (zero amounts included). A
    // second call adds nothing.
    void RegisterGlow(const GlowLook& look);
    // Replaces first() and second() by copies carrying the look, each with
    // the radius of its own height, when fog > 0 or shine > 0. A copy that
    // cannot be made leaves that texture as it was.
    void GlowOnCopies(double progress, double fog, double shine);

    // Sets the model matrix (the canvas's view; combined with the camera).
    void SetModel(const Mat4& model) { canvas_->SetViewMatrix(model); }

private:
    SceneCanvas* canvas_ = nullptr;
    MemoryAllocator* allocator_;
    ImageView pictureA_, pictureB_;
    ImageView glowA_, glowB_;
    const ImageView* first_ = &pictureA_;
    const ImageView* second_ = &pictureB_;
    LinearLight light_;
    double t_ = 0.0;
    bool drawing_ = false;
    bool result_ = false;
    bool glowRegistered_ = false;
};

} // namespace svt
