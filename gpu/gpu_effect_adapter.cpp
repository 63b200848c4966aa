#include "gpu/gpu_effect_adapter.h"

namespace svt {

namespace {

IUnknown* AskGPUHost(IEffectContext* context) {
    if (!context) return nullptr;
    void* host = nullptr;
    if (context->QueryInterface(&IID_IGPUHost, &host) != kOk) return nullptr;
    return static_cast<IUnknown*>(host);
}

} // namespace

Bool8 GPUEffectAdapter::PrepareGPU(IEffectContext* context, IGLDevice* /*device*/, uint32_t* record,
                                   uint32_t flags) {
    IUnknown* host = AskGPUHost(context);
    if (!host) return 0;
    const Bool8 result = PrepareEffectGPU(context, record, flags);
    host->Release();
    return result;
}

Bool8 GPUEffectAdapter::RenderGPU(void* /*unused*/, IEffectContext* context, IGLDevice* /*device*/,
                                  GPUFrame* from, GPUFrame* to, GPUFrame* out, const TimingRecord* timing) {
    if (!context || !timing || !from) return 0;
    const uint32_t f = from->format;
    if (f != kFormatBGRA8 && f != kFormatARGB8 && f != kFormatBGRAF && f != kFormatARGBF) return 0;
    IUnknown* host = AskGPUHost(context);
    if (!host) return 0;
    const Bool8 result = RenderEffectGPU(context, from, to, out, timing);
    host->Release();
    return result;
}

Bool8 GPUEffectAdapter::PrepareEffectGPU(IEffectContext*, uint32_t*, uint32_t) { return 0; }

Bool8 GPUEffectAdapter::RenderEffectGPU(IEffectContext*, GPUFrame*, GPUFrame*, GPUFrame*, const TimingRecord*) {
    return 1;
}

} // namespace svt
