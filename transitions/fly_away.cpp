// "3D Fly Away" (D3DFlyAway).
#include <new>

#include "library/base_effect.h"
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

class D3DFlyAway final : public BaseEffect {
public:
    D3DFlyAway() : BaseEffect(kD3DFlyAwayDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateFlyAway() {
    auto* effect = new (std::nothrow) D3DFlyAway();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
