// "3D Checker Board" (D3DChessBoard).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range           x    y    w    h    tooltip
    CountSlider("Grid",       0.2f,   2, 10,         {0,   0,   48,  30}, "Sets the number of squares to create"),
    Slider     ("Depth",      0.6f,   0, 100,        {66,  0,   48,  30}, "Sets distance from camera"),
    Point      ("Tilt",       0.2f, 0.9f,            {198, 0,   180, 30}, "Adjusts angle"),
    Point      ("Start",      0.2f, 0.8f,            {0,   90,  180, 30}, "Sets the start point for the transition motion"),
    Point      ("End",        0.8f, 0.2f,            {198, 90,  180, 30}, "Sets the end point for the transition motion"),
    Check      ("Rotate",     false,                 {132, 47,  60,  10}, "Sets entire checkerboard to spin before second scene"),
    Choice     ("Background", 2, kBackgroundEntries, {0,   180, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Cart Wheel", "Diagonal Down Left", "Diagonal Down Right", "Diagonal Up Left", "Diagonal Up Right",
    "Push Down", "Push Left", "Push Right", "Push Up", "Quad Tiles", "Roll Down", "Roll Left", "Roll Right",
    "Roll Up", "Somersault", "Spinning Mosaic", "Tic Tac Toe", "Vertical Hold",
};

constexpr ParamValue kPresets[] = {
    // Grid    Depth     Tilt                         Start                        End                          Rotate  Background
    S(0),      S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(0, 1),                     On(),   C(1), // Cart Wheel
    S(0.315f), S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(1, 0),                     Off(),  C(0), // Diagonal Down Left
    S(0.315f), S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(0, 0),                     Off(),  C(0), // Diagonal Down Right
    S(0.315f), S(0),     P(0.53488374f, 0.4883721f),  P(0, 0),                     P(1, 1),                     Off(),  C(0), // Diagonal Up Left
    S(0.315f), S(0),     P(0.53488374f, 0.4883721f),  P(1, 0),                     P(0, 1),                     Off(),  C(0), // Diagonal Up Right
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(1, 1),                     P(1, 0),                     Off(),  C(0), // Push Down
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(0, 1),                     P(1, 0.5813953f),            Off(),  C(0), // Push Left
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(1, 1),                     P(0, 1),                     Off(),  C(0), // Push Right
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(0, 0),                     P(0, 1),                     Off(),  C(0), // Push Up
    S(0.09f),  S(1),     P(0.54651165f, 0.6976744f),  P(0, 0),                     P(1, 1),                     Off(),  C(2), // Quad Tiles
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(1, 0),                     Off(),  C(0), // Roll Down
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(1, 1),                     Off(),  C(0), // Roll Left
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(0, 1),                     Off(),  C(0), // Roll Right
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(0, 0),                     P(0, 1),                     Off(),  C(0), // Roll Up
    S(0.09f),  S(1),     P(0.54651165f, 0.6976744f),  P(0, 0),                     P(1, 1),                     On(),   C(2), // Somersault
    S(1),      S(0.52f), P(0.5f, 0.55813956f),        P(0.61627907f, 0.60465115f), P(0.41860464f, 0.39534885f), On(),   C(2), // Spinning Mosaic
    S(0.225f), S(0.52f), P(0.94186044f, 0.13953489f), P(0, 0.53488374f),           P(1, 1),                     Off(),  C(2), // Tic Tac Toe
    S(0.565f), S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(1, 0),                     Off(),  C(0), // Vertical Hold
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DChessBoardDescription{"3D Checker Board", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DChessBoard final : public BaseEffect {
public:
    D3DChessBoard() : BaseEffect(kD3DChessBoardDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateCheckerBoard() {
    auto* effect = new (std::nothrow) D3DChessBoard();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
