// "3D Fly Away" (D3DFlyAway).
#include <new>

#include "library/base_effect.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

// Parameters, tooltips and built-in presets: to be filled from the tables.
constexpr ParamSpec kParams[] = {
    Slider("Placeholder", 0.0f, 0, 100, {0, 0, 48, 30}, ""),
};
constexpr const char* kPresetNames[] = {"Placeholder"};
constexpr ParamValue kPresets[] = {S(0)};

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
