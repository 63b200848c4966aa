// "3D Louvers" (D3DJalousie).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name           default range                   x    y    w    h    tooltip
    Slider     ("Shading",     0.5f,   0, 100,                {0,   0,   48,  30}, "Gives louvers shaded effect"),
    CountSlider("Slices",      1.0f,   1, 30,                 {66,  0,   48,  30}, "Sets number of louvers"),
    Slider     ("Cohesion",    0.85f,  0, 100,                {132, 0,   48,  30}, "Controls relative timing of panels"),
    Choice     ("Orientation", 0, {"Horizontal", "Vertical"}, {198, 0,   114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Reverse",     false,                         {198, 60,  114, 10}, "Runs effect in reverse"),
    Slider     ("Fog",         0.855f, 0, 100,                {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",       1.0f,   0, 100,                {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Choice     ("Background",  0, kBackgroundEntries,         {198, 120, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Bottom To Top", "Flip", "Left To Right", "Metal Blinds", "Revolving Shimmer", "Right To Left",
    "Ripple Down", "Ripple Left", "Ripple Right", "Ripple Up", "Top To Bottom",
};

constexpr ParamValue kPresets[] = {
    // Shading  Slices     Cohesion  Orientation  Reverse  Fog        Shine      Background
    S(0.695f),  S(0.305f), S(0),     C(0),        Off(),   S(0),      S(0),      C(0), // Bottom To Top
    S(0.5f),    S(0),      S(0),     C(0),        Off(),   S(0),      S(0),      C(2), // Flip
    S(0.5f),    S(0.295f), S(0),     C(1),        Off(),   S(0),      S(0),      C(0), // Left To Right
    S(0.5f),    S(0.655f), S(0.5f),  C(0),        Off(),   S(0.445f), S(0.775f), C(0), // Metal Blinds
    S(0),       S(0),      S(1),     C(1),        Off(),   S(0.5f),   S(0.865f), C(1), // Revolving Shimmer
    S(0.5f),    S(0.36f),  S(0),     C(1),        On(),    S(0),      S(0),      C(0), // Right To Left
    S(0),       S(0.575f), S(0.55f), C(0),        On(),    S(0.43f),  S(0.145f), C(0), // Ripple Down
    S(0),       S(0.575f), S(0.55f), C(1),        On(),    S(0.43f),  S(0.145f), C(0), // Ripple Left
    S(0),       S(0.575f), S(0.55f), C(1),        Off(),   S(0.43f),  S(0.145f), C(0), // Ripple Right
    S(0),       S(0.575f), S(0.55f), C(0),        Off(),   S(0.43f),  S(0.145f), C(0), // Ripple Up
    S(0.5f),    S(0.315f), S(0),     C(0),        On(),    S(0),      S(0),      C(0), // Top To Bottom
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DJalousieDescription{"3D Louvers", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DJalousie final : public BaseEffect {
public:
    D3DJalousie() : BaseEffect(kD3DJalousieDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateLouvers() {
    auto* effect = new (std::nothrow) D3DJalousie();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
