// "3D Twist" (D3DTwist).
#include <new>

#include "library/base_effect.h"
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

const EffectDescription kD3DTwistDescription{"3D Twist", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DTwist final : public BaseEffect {
public:
    D3DTwist() : BaseEffect(kD3DTwistDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateTwist() {
    auto* effect = new (std::nothrow) D3DTwist();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
