// "3D Comb" (D3DComb).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name            default range                   x    y   w    h    tooltip
    CountSlider("Slices",       1.0f,   1,    30,              {0,   0,  48,  30}, "Sets number and width of strips"),
    Slider     ("Cohesion",     0.655f, 0,    100,             {66,  0,  48,  30}, "Controls relative timing of strips"),
    Slider     ("Depth",        0.0f,   0,    100,             {132, 0,  48,  30}, "Sets distance from camera"),
    Choice     ("Orientation",  1, {"Horizontal", "Vertical"}, {198, 0,  114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Reverse",      true,                          {198, 60, 66,  10}, "Reverses spin"),
    Check      ("Spread",       false,                         {264, 60, 60,  10}, "Sets width of strips"),
    Slider     ("Flight Speed", 0.64f,  -100, 100,             {0,   90, 48,  30}, "Sets velocity and direction of strips"),
    Slider     ("Flight Delay", 0.07f,  0,    100,             {66,  90, 48,  30}, "Determines when strips will start spinning"),
    Slider     ("Angle",        0.225f, 0,    90,              {132, 90, 48,  30}, "Determines when strips will start spinning"),
    Slider     ("Fog",          1.0f,   0,    100,             {198, 90, 48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",        0.51f,  0,    100,             {264, 90, 48,  30}, "Adds metallic sheen to scene"),
};

constexpr const char* kPresetNames[] = {
    "Aluminum Sticks", "Closing Horizontal Combs", "Closing Vertical Combs", "Dagwood Sandwich", "Fly Away",
    "Fly In", "Knitting", "Lincoln Logs", "Metal Shades", "Opening Horizontal Combs",
    "Opening Vertical Combs", "Paint Roller Left Right", "Paint Roller Up Down", "Painted Sticks",
    "Pastels Right", "Picket Fence", "Robot Jaws", "Slide Left", "Unravelling",
};

// The four Opening and Closing Combs presets carry a Shine word that is no slider
// value (a large negative float); the transition tolerates it.
constexpr ParamValue kInvalid = Raw(0xCCCCCCCCu, 0xCCCCCCCCu);

constexpr ParamValue kPresets[] = {
    // Slices  Cohesion   Depth      Orientation  Reverse  Spread  Flight Speed  Flight Delay  Angle      Fog       Shine
    S(1),      S(0.655f), S(0),      C(1),        On(),    Off(),  S(0.64f),     S(0.07f),     S(0.225f), S(1),     S(0.51f),  // Aluminum Sticks
    S(0.33f),  S(1),      S(0),      C(0),        On(),    Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Closing Horizontal Combs
    S(0.33f),  S(1),      S(0),      C(1),        On(),    Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Closing Vertical Combs
    S(0.39f),  S(0.47f),  S(0.18f),  C(0),        On(),    On(),   S(0.64f),     S(0.18f),     S(0.71f),  S(0.28f), S(0.31f),  // Dagwood Sandwich
    S(0),      S(0),      S(0),      C(0),        Off(),   Off(),  S(0),         S(0.14f),     S(0.665f), S(0),     S(0),      // Fly Away
    S(0),      S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0.14f),     S(0.665f), S(0),     S(0),      // Fly In
    S(0.945f), S(0.33f),  S(0.365f), C(0),        On(),    Off(),  S(1),         S(0.47f),     S(0.765f), S(0),     S(0),      // Knitting
    S(0.945f), S(1),      S(1),      C(0),        On(),    Off(),  S(1),         S(0.47f),     S(0.765f), S(0),     S(0),      // Lincoln Logs
    S(0.675f), S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0),         S(1),      S(0.68f), S(0.945f), // Metal Shades
    S(0.33f),  S(1),      S(0),      C(0),        Off(),   Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Opening Horizontal Combs
    S(0.33f),  S(1),      S(0),      C(1),        Off(),   Off(),  S(0.62f),     S(0),         S(0),      S(0),     kInvalid,  // Opening Vertical Combs
    S(0.115f), S(0),      S(0),      C(0),        On(),    Off(),  S(0),         S(0),         S(0),      S(0.25f), S(0.305f), // Paint Roller Left Right
    S(0.115f), S(0),      S(0),      C(1),        On(),    Off(),  S(0),         S(0),         S(0),      S(0.29f), S(0.2f),   // Paint Roller Up Down
    S(0.575f), S(0.655f), S(0.46f),  C(1),        Off(),   On(),   S(0.64f),     S(0.07f),     S(0.225f), S(0.28f), S(0.31f),  // Painted Sticks
    S(1),      S(0.655f), S(0),      C(1),        Off(),   Off(),  S(0.64f),     S(0.07f),     S(0.225f), S(1),     S(0),      // Pastels Right
    S(0.26f),  S(0),      S(1),      C(1),        Off(),   On(),   S(0.48f),     S(0),         S(0.225f), S(0.28f), S(0.345f), // Picket Fence
    S(0.45f),  S(1),      S(0),      C(1),        On(),    On(),   S(0.64f),     S(0.07f),     S(0.225f), S(0.28f), S(1),      // Robot Jaws
    S(0),      S(0),      S(0),      C(0),        Off(),   Off(),  S(0),         S(0.14f),     S(0),      S(0),     S(0),      // Slide Left
    S(0.945f), S(0.33f),  S(0.495f), C(1),        Off(),   Off(),  S(0.275f),    S(0.47f),     S(0.765f), S(0),     S(0),      // Unravelling
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DCombDescription{"3D Comb", 962, kParams, kPresetNames, kPresets, 4};

namespace {

class D3DComb final : public BaseEffect {
public:
    D3DComb() : BaseEffect(kD3DCombDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateComb() {
    auto* effect = new (std::nothrow) D3DComb();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
