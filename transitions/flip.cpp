// "3D Flip" (D3DHalfRotate).
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
