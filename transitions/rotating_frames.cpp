// "3D Rotating Frames" (D3DRings).
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

const EffectDescription kD3DRingsDescription{"3D Rotating Frames", 966, kParams, kPresetNames, kPresets, -1};

namespace {

class D3DRings final : public BaseEffect {
public:
    D3DRings() : BaseEffect(kD3DRingsDescription) {}

    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0; // not rendered yet: the host keeps its output
    }
};

} // namespace

IVideoEffect* CreateRotatingFrames() {
    auto* effect = new (std::nothrow) D3DRings();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
