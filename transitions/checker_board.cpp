// "3D Checker Board" (D3DChessBoard).
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
