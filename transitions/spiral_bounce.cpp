// "3D Spiral Bounce" (D3DSpiralJelly).
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
