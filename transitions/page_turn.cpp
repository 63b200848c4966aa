// "3D Page Turn" (D3DPageCurl).
#include <new>

#include "library/base_effect.h"
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

const EffectDescription kD3DPageCurlDescription{"3D Page Turn", 962, kParams, kPresetNames, kPresets, 2};

namespace {

class D3DPageCurl final : public BaseEffect {
public:
    D3DPageCurl() : BaseEffect(kD3DPageCurlDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreatePageTurn() {
    auto* effect = new (std::nothrow) D3DPageCurl();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
