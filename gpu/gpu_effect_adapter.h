// GPUEffectAdapter: the GPU entry points every transition offers on
// IVideoGPUEffect (slots 9 to 12).
#pragma once

#include "library/abi.h"

namespace svt {

class GPUEffectAdapter : public IVideoGPUEffect {
public:
    // 9: asks the context for IGPUHost (none: false) and calls slot 11.
    Bool8 PrepareGPU(IEffectContext* context, IGLDevice* device, uint32_t* record, uint32_t flags) override;
    // 10: refuses a "from" frame whose format is not 0, 1, 3 or 4, asks the
    // context for IGPUHost (none: false) and calls slot 12.
    Bool8 RenderGPU(void* unused, IEffectContext* context, IGLDevice* device, GPUFrame* from, GPUFrame* to,
                    GPUFrame* out, const TimingRecord* timing) override;
    // 11: the adapter's own version reports "not ready".
    Bool8 PrepareEffectGPU(IEffectContext* context, uint32_t* record, uint32_t flags) override;
    // 12: the adapter's own version draws nothing and succeeds.
    Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                          const TimingRecord* timing) override;

protected:
    ~GPUEffectAdapter() = default;
};

} // namespace svt
