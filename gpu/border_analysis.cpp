#include "gpu/gpu_effect_adapter.h"

namespace svt {

void GPUEffectAdapter::AnalyzeBorders(IEffectContext* /*context*/, float /*eased*/, GPUFrame* /*from*/,
                                      GPUFrame* /*to*/) {
    borderAnalysisValid_ = 0;
}

void GPUEffectAdapter::ReleaseBorderResults() {
    borderAnalysisValid_ = 0;
}

} // namespace svt
