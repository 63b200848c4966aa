// "3D Flip" (D3DHalfRotate).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name           default range                   x    y    w    h    tooltip
    Slider("Distance",    0.0f,   0,    100,             {0,   0,   48,  30}, "Sets distance from camera"),
    Slider("Offset",      0.0f,   -100, 100,             {66,  0,   48,  30}, "Sets center point"),
    Slider("Shading",     1.0f,   0,    100,             {132, 0,   48,  30}, "Creates shaded effect"),
    Choice("Orientation", 0, {"Horizontal", "Vertical"}, {198, 0,   114, 20}, "Sets horizontal or vertical orientation"),
    Check ("Clockwise",   false,                         {198, 60,  114, 10}, "Check for clockwise, uncheck for counterclockwise"),
    Slider("Fog",         1.0f,   0,    100,             {0,   90,  48,  30}, "Gives scene a white glow"),
    Slider("Shine",       0.0f,   0,    100,             {66,  90,  48,  30}, "Adds metallic sheen to scene"),
    Choice("Background",  2, kBackgroundEntries,         {198, 110, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Alien Abduction", "Flip Over", "Flip Under", "Glowing Turnstile", "Revolve In Bottom", "Revolve In Left",
    "Revolve In Right", "Revolve In Top",
};

constexpr ParamValue kPresets[] = {
    // Distance  Offset     Shading    Orientation  Clockwise  Fog        Shine      Background
    S(0),        S(1),      S(0.44f),  C(1),        Off(),     S(0.765f), S(1),      C(2), // Alien Abduction
    S(0),        S(0.49f),  S(0.335f), C(1),        Off(),     S(0),      S(0.455f), C(0), // Flip Over
    S(0),        S(0.49f),  S(0.335f), C(1),        On(),      S(0),      S(0.455f), C(0), // Flip Under
    S(0),        S(0.505f), S(0),      C(0),        Off(),     S(1),      S(0.225f), C(2), // Glowing Turnstile
    S(0),        S(0),      S(0.425f), C(1),        Off(),     S(0),      S(0),      C(0), // Revolve In Bottom
    S(0),        S(0),      S(0.44f),  C(0),        Off(),     S(0),      S(0),      C(0), // Revolve In Left
    S(0),        S(1),      S(0.46f),  C(0),        On(),      S(0),      S(0),      C(0), // Revolve In Right
    S(0),        S(1),      S(0.37f),  C(1),        On(),      S(0),      S(0),      C(0), // Revolve In Top
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DHalfRotateDescription{"3D Flip", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DHalfRotate final : public BaseEffect {
public:
    D3DHalfRotate() : BaseEffect(kD3DHalfRotateDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateFlip() {
    auto* effect = new (std::nothrow) D3DHalfRotate();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
