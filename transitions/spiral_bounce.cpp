// "3D Spiral Bounce" (D3DSpiralJelly).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range                           x    y    w    h    tooltip
    CountSlider("Columns",    0.4f,   1, 20,                         {0,   0,   48,  30}, "Sets number of vertical columns"),
    CountSlider("Rows",       0.4f,   1, 20,                         {66,  0,   48,  30}, "Sets number of horizontal rows"),
    Slider     ("Cohesion",   0.95f,  0, 100,                        {132, 0,   48,  30}, "Controls relative timing of panels"),
    Slider     ("Depth",      0.0f,   0, 100,                        {198, 0,   48,  30}, "Sets distance squares are falling"),
    Choice     ("Rotation",   0, {"None", "Vertical", "Horizontal"}, {0,   90,  114, 20}, "Orients panels vertically or horizontally"),
    Check      ("Reverse",    false,                                 {0,   145, 114, 10}, "Runs effect in reverse"),
    Choice     ("Background", 0, kBackgroundEntries,                 {132, 90,  114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Blow Left", "Coming In Fast", "Four Bounces", "Shake N Swirl", "Shake Up", "Six Pack", "Spiral In",
    "Spiral Out", "Take Down", "Wave From Left",
};

constexpr ParamValue kPresets[] = {
    // Columns  Rows       Cohesion   Depth  Rotation  Reverse  Background
    S(0.795f),  S(0),      S(0.895f), S(0),  C(0),     On(),    C(1), // Blow Left
    S(0),       S(0),      S(0),      S(0),  C(0),     Off(),   C(0), // Coming In Fast
    S(0.1f),    S(0.085f), S(0.39f),  S(0),  C(0),     Off(),   C(0), // Four Bounces
    S(1),       S(0.115f), S(0.99f),  S(0),  C(1),     On(),    C(1), // Shake N Swirl
    S(0),       S(1),      S(0.935f), S(0),  C(0),     Off(),   C(0), // Shake Up
    S(0.1f),    S(0.14f),  S(0.485f), S(0),  C(0),     On(),    C(0), // Six Pack
    S(0.4f),    S(0.4f),   S(0.95f),  S(0),  C(0),     Off(),   C(0), // Spiral In
    S(0.4f),    S(0.4f),   S(0.95f),  S(0),  C(0),     On(),    C(1), // Spiral Out
    S(0),       S(0.51f),  S(0),      S(0),  C(0),     On(),    C(1), // Take Down
    S(0.795f),  S(0),      S(0.895f), S(0),  C(0),     Off(),   C(1), // Wave From Left
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DSpiralJellyDescription{"3D Spiral Bounce", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DSpiralJelly final : public BaseEffect {
public:
    D3DSpiralJelly() : BaseEffect(kD3DSpiralJellyDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateSpiralBounce() {
    auto* effect = new (std::nothrow) D3DSpiralJelly();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
