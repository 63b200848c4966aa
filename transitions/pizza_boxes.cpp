// "3D Pizza Boxes" (D3DLayers).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name            default range                   x    y    w    h    tooltip
    CountSlider("Slices",       0.43f,  1, 10,                 {0,   0,   48,  30}, "Sets number of boxes"),
    Slider     ("Cohesion",     0.85f,  0, 100,                {66,  0,   48,  30}, "Controls relative timing of moving slices"),
    Slider     ("Depth",        0.25f,  0, 100,                {132, 0,   48,  30}, "Sets distance from camera"),
    Slider     ("Ebb && Flow",  0.405f, 0, 100,                {198, 0,   48,  30}, "Sets slices to move close and away from camera"),
    Choice     ("Orientation",  0, {"Horizontal", "Vertical"}, {0,   90,  114, 20}, "Sets horizontal or vertical orientation"),
    Check      ("Rotate right", false,                         {0,   145, 114, 10}, "Check to make boxes spin right;  uncheck to spin left"),
    Check      ("Spread",       false,                         {0,   175, 114, 10}, "Sets spacing between boxes"),
    Check      ("Alternate",    false,                         {0,   205, 114, 10}, "Sets every other box turning in opposite direction"),
    Slider     ("Fog",          0.0f,   0, 100,                {132, 90,  48,  30}, "Gives scene a white glow"),
    Slider     ("Shine",        0.0f,   0, 100,                {198, 90,  48,  30}, "Adds metallic sheen to scene"),
    Choice     ("Background",   0, kBackgroundEntries,         {132, 181, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Box Stack Left", "Box Stack Right", "Casino", "Cube Down", "Cube Left", "Cube Right", "Cube Up",
    "Flying Saucers", "Horizontal Shuffle", "In Your Face", "Levitate", "Light Boxes", "Metal Cube Down",
    "Metal Cube Left", "Metal Cube Right", "Metal Cube Up", "Three Boxes", "Vertical Shuffle",
};

constexpr ParamValue kPresets[] = {
    // Slices  Cohesion   Depth      Ebb && Flow  Orientation  Rotate right  Spread  Alternate  Fog        Shine     Background
    S(0.425f), S(0.37f),  S(0),      S(0),        C(0),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // Box Stack Left
    S(0.425f), S(0.37f),  S(0),      S(0),        C(0),        On(),         Off(),  Off(),     S(0),      S(0),     C(0), // Box Stack Right
    S(0.425f), S(0),      S(0),      S(0),        C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // Casino
    S(0),      S(0),      S(0.31f),  S(0.465f),   C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(2), // Cube Down
    S(0),      S(0),      S(0.375f), S(0.46f),    C(0),        Off(),        Off(),  Off(),     S(0),      S(0),     C(2), // Cube Left
    S(0),      S(0),      S(0.375f), S(0.46f),    C(0),        On(),         Off(),  Off(),     S(0),      S(0),     C(2), // Cube Right
    S(0),      S(0),      S(0.31f),  S(0.465f),   C(1),        On(),         Off(),  Off(),     S(0),      S(0),     C(2), // Cube Up
    S(0.47f),  S(0.78f),  S(0.7f),   S(0.61f),    C(0),        On(),         On(),   On(),      S(0.415f), S(1),     C(2), // Flying Saucers
    S(0.575f), S(0),      S(0.175f), S(0),        C(1),        Off(),        On(),   Off(),     S(0),      S(0),     C(0), // Horizontal Shuffle
    S(0.45f),  S(0.545f), S(1),      S(1),        C(1),        Off(),        Off(),  Off(),     S(0),      S(0),     C(0), // In Your Face
    S(0.185f), S(1),      S(0.3f),   S(0),        C(0),        On(),         On(),   On(),      S(0),      S(0),     C(2), // Levitate
    S(0.45f),  S(0.545f), S(0.675f), S(0.515f),   C(0),        Off(),        Off(),  Off(),     S(1),      S(0),     C(0), // Light Boxes
    S(0),      S(0),      S(0),      S(0),        C(1),        Off(),        Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Down
    S(0),      S(0),      S(0),      S(0),        C(0),        Off(),        Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Left
    S(0),      S(0),      S(0),      S(0),        C(0),        On(),         Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Right
    S(0),      S(0),      S(0),      S(0),        C(1),        On(),         Off(),  Off(),     S(0.62f),  S(0.97f), C(2), // Metal Cube Up
    S(0.25f),  S(1),      S(0.3f),   S(0),        C(1),        On(),         On(),   On(),      S(0),      S(0),     C(2), // Three Boxes
    S(0.345f), S(0),      S(0.175f), S(0),        C(0),        Off(),        On(),   Off(),     S(0),      S(0),     C(0), // Vertical Shuffle
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DLayersDescription{"3D Pizza Boxes", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DLayers final : public BaseEffect {
public:
    D3DLayers() : BaseEffect(kD3DLayersDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreatePizzaBoxes() {
    auto* effect = new (std::nothrow) D3DLayers();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
