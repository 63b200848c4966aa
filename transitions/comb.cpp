// "3D Comb" (D3DComb).
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
