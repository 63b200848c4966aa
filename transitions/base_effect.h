// BaseEffect: what all thirteen transitions share at the boundary: reference
// counting, QueryInterface, the description slots read from an
// EffectDescription, tooltips, and the two CPU render entries (slots 6 and
// 14), which hand the scene the transition builds to the CPU pipeline
// (softrender/scene_render.h). This is the seam between a transition's motion
// and the renderers: a transition only builds scenes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "frames/memory_allocator.h"
#include "geometry/scene.h"
#include "gpu/gpu_effect_adapter.h"
#include "library/abi.h"
#include "library/effect_description.h"
#include "platform/ref_count.h"
#include "softrender/canvas.h"

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

    // IVideoGPUEffect slot 14: the CPU render without the overscan crop.
    Bool8 RenderFrame(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                      MemoryAllocator* allocator) override;

    // IVideoGPUEffect slot 12: the same scene, drawn by the GPU pipeline
    // (gpu/gpu_effect_adapter.h) with the host objects slot 10 bound.
    Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                          const TimingRecord* timing) override;

    // IParamToolTip
    const char* GetToolTip(uint32_t param) override;

    const EffectDescription& description() const { return description_; }

    // The transition's whole motion: its scene at host progress t for frames
    // of the given geometry, with the settings read through `context`. The
    // allocator is the host's, for working memory the motion needs.
    virtual Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                             MemoryAllocator* allocator) const = 0;

    IVideoEffect* AsVideoEffect() { return static_cast<IVideoGPUEffect*>(this); }

protected:
    virtual ~BaseEffect();

private:
    const EffectDescription& description_;
    platform::RefCount refs_;
    // The CPU renderer's state, created at the first CPU render.
    std::unique_ptr<SceneCanvas> canvas_;

    Bool8 RenderOnCpu(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                      MemoryAllocator* allocator, bool crop);
};

} // namespace svt
