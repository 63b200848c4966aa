// "3D Box Fold" (D3DBoxInversion): picture A is the front of a closed box that
// unfolds into a flat net and folds on until it has turned inside out,
// showing picture B.
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name          default                  range      x    y    w    h   tooltip
    Slider("Speed",      0.5f,                    0, 100,  {0,   0,   48,  30}, "Adjusts speed at which box folds"),
    Slider("Depth",      0.9f,                    0, 100,  {66,  0,   48,  30}, "Sets distance from camera"),
    Point ("Tilt",       0.255814f, 0.767442f,             {132, 0,   180, 30}, "Adjusts angle"),
    Check ("Reverse",    false,                            {0,   100, 114, 10}, "Sets box to unfold instead of fold"),
    Choice("Background", 2, kBackgroundEntries,            {132, 90,  114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Cube Change", "Enter the Box", "Face Bottom Left", "Face Bottom Right",
    "Face Top Left", "Face Top Right", "Head On", "Sudden",
};

constexpr ParamValue kPresets[] = {
    //  Speed     Depth      Tilt        Reverse Background
    S(0.83f), S(0.47f),  P(1, 1),     Off(), C(2), // Cube Change
    S(0),     S(0),      P(0.5, 0.5), On(),  C(1), // Enter the Box
    S(0),     S(0.77f),  P(0, 1),     Off(), C(2), // Face Bottom Left
    S(0),     S(0.77f),  P(1, 1),     Off(), C(2), // Face Bottom Right
    S(0),     S(0.77f),  P(0, 0),     Off(), C(2), // Face Top Left
    S(0),     S(0.77f),  P(1, 0),     Off(), C(2), // Face Top Right
    S(0.08f), S(0.495f), P(0.5, 0.5), Off(), C(1), // Head On
    S(1),     S(0.325f), P(0.5, 0.5), Off(), C(2), // Sudden
};

} // namespace

const EffectDescription kD3DBoxInversionDescription{"3D Box Fold", 966, kParams, kPresetNames, kPresets};

namespace {

class D3DBoxInversion final : public BaseEffect {
public:
    D3DBoxInversion() : BaseEffect(kD3DBoxInversionDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateBoxFold() {
    auto* effect = new (std::nothrow) D3DBoxInversion();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
