// BaseEffect: what all thirteen transitions share at the boundary: reference
// counting, QueryInterface, the description slots read from an
// EffectDescription, tooltips, and the CPU render entry (slot 6) that builds
// the render's allocator and calls the transition's own render (slot 14).
#pragma once

#include <atomic>
#include <cstdint>

#include "gpu/gpu_effect_adapter.h"
#include "library/abi.h"
#include "library/effect_description.h"

namespace svt {

class BaseEffect : public GPUEffectAdapter, public IParamToolTip {
public:
    explicit BaseEffect(const EffectDescription& description);
    BaseEffect(const BaseEffect&) = delete;
    BaseEffect& operator=(const BaseEffect&) = delete;

    // IUnknown, shared by both tables.
    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IVideoEffect
    const char* GetEffectName() override;
    uint32_t GetEffectFlags() override;
    Bool8 GetParamInfo(uint32_t index, ParamInfo* out) override;
    Bool8 Render(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                 const TimingRecord* timing) override;
    const char* GetPresetName(uint32_t preset) override;
    Bool8 GetPresetValue(uint32_t preset, uint32_t param, ParamValue* out) override;
    void DeleteSelf(uint32_t flags) override;

    // IParamToolTip
    const char* GetToolTip(uint32_t param) override;

    const EffectDescription& description() const { return description_; }
    // The allocator of the render in progress (slot 6 sets it), or null.
    MemoryAllocator* currentAllocator() const { return currentAllocator_; }

    IVideoEffect* AsVideoEffect() { return static_cast<IVideoGPUEffect*>(this); }

protected:
    virtual ~BaseEffect();

private:
    const EffectDescription& description_;
    std::atomic<uint32_t> refCount_{1};
    MemoryAllocator* currentAllocator_ = nullptr;
};

} // namespace svt
