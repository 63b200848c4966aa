// "3D Magic Carpet" (D3DWave).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //     name       default range       x    y   w    h    tooltip
    Slider("Bank",    0.5f,   -100, 100, {0,   0,  48,  30}, "Sets angle of carpet flight"),
    Slider("Delay",   0.07f,  0,    100, {66,  0,  48,  30}, "Sets angle of carpet flight"),
    Slider("Depth",   0.5f,   0,    100, {132, 0,  48,  30}, "Sets distance from camera"),
    Check ("Reverse", false,             {0,   90, 114, 10}, "Runs effect in reverse"),
};

constexpr const char* kPresetNames[] = {
    "Fly Away", "Fly In", "Rotate Left", "Rotate Right", "Spiral Away", "Twister Coming In",
};

constexpr ParamValue kPresets[] = {
    // Bank    Delay     Depth      Reverse
    S(0.5f),   S(0.28f), S(1),      Off(), // Fly Away
    S(0.5f),   S(0.68f), S(0.5f),   On(),  // Fly In
    S(0.69f),  S(0.07f), S(0.5f),   Off(), // Rotate Left
    S(0.295f), S(0.07f), S(0.5f),   Off(), // Rotate Right
    S(0),      S(0),     S(0.625f), Off(), // Spiral Away
    S(0),      S(0),     S(0.625f), On(),  // Twister Coming In
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DWaveDescription{"3D Magic Carpet", 962, kParams, kPresetNames, kPresets, 3};

namespace {

class D3DWave final : public BaseEffect {
public:
    D3DWave() : BaseEffect(kD3DWaveDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateMagicCarpet() {
    auto* effect = new (std::nothrow) D3DWave();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
