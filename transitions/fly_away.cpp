// "3D Fly Away" (D3DFlyAway): picture A tumbles away from the viewer toward
// a target point, spinning as it goes, over picture B; optionally fading
// into B as it recedes.
#include <cmath>
#include <new>

#include "frames/image_ops.h"
#include "library/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name             default range    x    y    w    h    tooltip
    Slider("Distance",      0.35f,  0, 100, {0,   0,   48,  30}, "Sets distance from camera"),
    Point ("Flight Target", 0.5f, 0.5f,     {66,  0,   180, 30}, "Sets position the scene flies to"),
    Slider("Fog",           0.695f, 0, 100, {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider("Shine",         0.805f, 0, 100, {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Check ("Reverse",       false,          {165, 130, 114, 10}, "Check to make new scene fly toward camera"),
    Check ("Fade",          true,           {165, 100, 114, 10}, "Check to make flying scene fade out"),
};

constexpr const char* kPresetNames[] = {
    "Bottom Left In", "Bottom Left Out", "Bottom Right In", "Bottom Right Out", "Fog In", "Fog Out",
    "Shimmer In", "Shimmer Out", "Top Left In", "Top Left Out", "Top Right In", "Top Right Out",
};

constexpr ParamValue kPresets[] = {
    // Distance  Flight Target  Fog        Shine  Reverse  Fade
    S(0.75f),    P(0, 1),       S(0),      S(0),  On(),    On(),  // Bottom Left In
    S(0.75f),    P(0, 1),       S(0),      S(0),  Off(),   On(),  // Bottom Left Out
    S(0.75f),    P(1, 1),       S(0),      S(0),  On(),    On(),  // Bottom Right In
    S(0.75f),    P(1, 1),       S(0),      S(0),  Off(),   On(),  // Bottom Right Out
    S(0),        P(0.5f, 0.5f), S(1),      S(0),  On(),    Off(), // Fog In
    S(0),        P(0.5f, 0.5f), S(1),      S(0),  Off(),   Off(), // Fog Out
    S(0.145f),   P(0.5f, 0.5f), S(0.445f), S(1),  On(),    Off(), // Shimmer In
    S(0.145f),   P(0.5f, 0.5f), S(0.55f),  S(1),  Off(),   Off(), // Shimmer Out
    S(0.75f),    P(0, 0),       S(0),      S(0),  On(),    On(),  // Top Left In
    S(0.75f),    P(0, 0),       S(0),      S(0),  Off(),   On(),  // Top Left Out
    S(0.75f),    P(1, 0),       S(0),      S(0),  On(),    On(),  // Top Right In
    S(0.75f),    P(1, 0),       S(0),      S(0),  Off(),   On(),  // Top Right Out
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DFlyAwayDescription{"3D Fly Away", 962, kParams, kPresetNames, kPresets, 4};

namespace {

enum FlyAwayParam : uint32_t { kDistance, kFlightTarget, kFog, kShine, kReverse, kFade };

constexpr double kCameraDistance = 5.2;
constexpr double kAmbient = 0.3;
// Outputs narrower than kSmallWidth are rendered at kSmallSide x kSmallSide
// (from the pictures scaled to that size) and scaled back.
constexpr uint32_t kSmallWidth = 65;
constexpr uint32_t kSmallSide = 128;

// A knob as a fraction; a host's NaN or out-of-range word is held to [0, 1].
float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

struct FlyAwaySettings {
    int halfTurns = 1;   // m = trunc(Distance·2.9): extra half turns about y
    double reach = 0.4;  // k = Distance·0.9 + 0.1: 1 sends the picture 100 units back
    double targetX = 0.5;
    double targetY = 0.5;
    double fog = 0.0;
    double shine = 0.0;
    bool reverse = false;
    bool fade = true;
};

FlyAwaySettings ReadSettings(const ParamReader& p) {
    FlyAwaySettings s;
    const double distance = Unit(p.Slider(kDistance));
    s.halfTurns = int(distance * 2.9);
    s.reach = distance * 0.9 + 0.1;
    const PointParam target = p.Point(kFlightTarget);
    s.targetX = Unit(target.x);
    s.targetY = Unit(target.y);
    s.fog = Unit(p.Slider(kFog));
    s.shine = Unit(p.Slider(kShine));
    s.reverse = p.Check(kReverse);
    s.fade = p.Check(kFade);
    return s;
}

// The flying picture at progress t (0 < t < 1). It speeds up over the first
// half (ramp r), turning about y and tumbling about x, and recedes toward the
// target, ending up to 100 units back. `mirrorTarget`: both frames are
// stored top-down, so the target's y is read from the other edge.
Mat4 FlightModel(const FlyAwaySettings& s, double t, bool mirrorTarget) {
    const double r = t < 0.5 ? std::sqrt(2.0 * t) : 1.0;
    const double travelled = s.reach * t * 100.0 * r;
    const double yaw = (s.halfTurns * kPi + kPi / 2.0) * r * t;
    const double tumble = s.halfTurns == 0 ? r * t * kPi : t * r * t * kPi;
    const double ty = mirrorTarget ? 0.5 - s.targetY : s.targetY - 0.5;
    Mat4 m = RotationY(yaw);
    m = MatMul(RotationX(tumble), m);
    return MatMul(TranslationMatrix(0.3 * travelled * (s.targetX - 0.5) * kSceneHalfWidth, 0.3 * travelled * ty,
                                    -travelled),
                  m);
}

// The look swells over the first half and then holds at its peak; its
// radius also grows with t.
GlowLook FlightGlow(const FlyAwaySettings& s, double t, uint32_t pictureHeight) {
    const double swell = t < 0.5 ? GlowSwell(t) : 1.0;
    GlowLook look;
    const double radius = std::trunc(double(pictureHeight) * s.fog * swell * t * 0.2);
    look.radius = radius > 0.0 ? int32_t(radius) : 0;
    look.glow = float(s.fog * swell);
    look.metal = float(s.shine * swell);
    return look;
}

// The progress the scene runs on, as FrameRender will derive it.
double SceneProgress(double t, bool reverse) {
    if (std::isnan(t)) t = 0.0;
    return reverse ? 1.0 - t : t;
}

class D3DFlyAway final : public TransitionBase {
public:
    D3DFlyAway() : TransitionBase(kD3DFlyAwayDescription) {}

    Bool8 RenderFrame(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                      MemoryAllocator* allocator) override {
        const FlyAwaySettings s = ReadSettings(ParamReader(context, description()));
        // Only frames inside the scene take the small path: the copies
        // outside it stay exact.
        const double tt = SceneProgress(t, s.reverse);
        if (out && out->width > 0 && uint32_t(out->width) < kSmallWidth && tt > 0.0 && tt < 1.0)
            return RenderSmall(s, from, to, out, t, allocator);
        return RenderScene(s, from, to, out, t, allocator);
    }

private:
    Bool8 RenderScene(const FlyAwaySettings& s, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                      MemoryAllocator* allocator) {
        const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance,
                                .ambient = kAmbient, .background = kBackgroundNone};
        FrameRender render(*this, from, to, out, t, allocator, setup);
        if (!render.drawing()) return render.result();
        const double tt = render.t();

        // No "Background" choice: the picture flies away from the second one.
        SceneCanvas& canvas = render.canvas();
        canvas.DrawBackground(render.second());
        const bool mirrorTarget = render.pictureA().topDown && render.pictureB().topDown;
        render.SetModel(FlightModel(s, tt, mirrorTarget));
        render.RegisterGlow(FlightGlow(s, tt, render.first().height));
        const double a = kSceneHalfWidth;
        // No back picture: seen from behind the face shows the first picture too.
        const QuadFace picture({-a, 1, 0}, {a, 1, 0}, {a, -1, 0}, {-a, -1, 0}, &render.first(), nullptr);
        DrawFace(canvas, picture, kDrawDefault);
        if (s.fade) {
            const double w = tt * tt;
            WeightedBlend(&render.second(), &canvas.screen()->image, &canvas.screen()->image, float(w),
                          float(1.0 - w));
        }
        return render.result();
    }

    // The scene at kSmallSide x kSmallSide, from the pictures scaled to that
    // size, scaled back into the output.
    Bool8 RenderSmall(const FlyAwaySettings& s, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                      MemoryAllocator* allocator) {
        ImageView a, b, output;
        if (!a.BindFrame(from) || !b.BindFrame(to) || !output.BindFrame(out) || a.empty() || b.empty() ||
            output.empty())
            return 0;
        ImageView smallA, smallB, smallOut;
        auto scaled = [&](const ImageView& src, ImageView& dst) {
            return dst.Allocate(kSmallSide, kSmallSide, src.pixelSize, allocator, src.format, src.topDown) &&
                   ScaleImage(&src, &dst, 0, 0, int32_t(src.width), int32_t(src.height), 0, 0, kSmallSide,
                              kSmallSide, kSmooth);
        };
        if (!scaled(a, smallA) || !scaled(b, smallB) ||
            !smallOut.Allocate(kSmallSide, kSmallSide, output.pixelSize, allocator, output.format, output.topDown))
            return 0;
        FrameDesc da{}, db{}, dout{};
        smallA.Describe(&da);
        smallB.Describe(&db);
        smallOut.Describe(&dout);
        if (!RenderScene(s, &da, &db, &dout, t, allocator)) return 0;
        return ScaleImage(&smallOut, &output, 0, 0, kSmallSide, kSmallSide, 0, 0, int32_t(output.width),
                          int32_t(output.height), kSmooth)
                   ? 1
                   : 0;
    }
};

} // namespace

IVideoEffect* CreateFlyAway() {
    auto* effect = new (std::nothrow) D3DFlyAway();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
