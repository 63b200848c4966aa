#include "gpu/gpu_effect_adapter.h"

#include <cstring>

#include "library/settings.h"
#include "platform/gl_entry.h"

namespace svt {

namespace {

IGPUHost* AskGPUHost(IEffectContext* context) {
    if (!context) return nullptr;
    void* host = nullptr;
    if (context->QueryInterface(&IID_IGPUHost, &host) != kOk) return nullptr;
    return static_cast<IGPUHost*>(host);
}

} // namespace

// GPUHelper _________________________________________________________________

void GPUHelper::Bind(IGLDevice* device, IGPUHost* host) {
    device_ = device;
    host_ = host;
    if (!device) {
        GLGuard::Restore();
        return;
    }
    if (const void* table = device->GetExtensionTable())
        std::memcpy(&extensionTable(), table, sizeof(ExtensionTable));
    GLGuard::Save(device);
}

void GPUHelper::Unbind() {
    device_ = nullptr;
    host_ = nullptr;
    targetWidth_ = targetHeight_ = 0;
    currentProgram_ = nullptr;
    GLGuard::Restore();
}

bool GPUHelper::CreateProgram(ProgramId id, ShaderProgram& holder) {
    holder.Release();
    if (!host_) return false;
    if (!HasHostEntries() && !LoadExtensions()) return false;
    const ProgramSources s = SourcesOf(id);
    IGPUProgram* program = nullptr;
    if (!host_->CreateProgram(device_, &program, s.vertex.data, s.fragment.data, nullptr, s.vertex.length,
                              s.fragment.length, 0, s.vertex.textLength, s.fragment.textLength, 0, s.vertex.value,
                              s.fragment.value, 0) ||
        !program)
        return false;
    holder.Attach(host_, device_, program);
    if (!holder.valid()) {
        // An invalid program is not kept by the holder but is still the host's.
        host_->ReleaseProgram(program);
        return false;
    }
    return true;
}

bool GPUHelper::ProveProgramsBuild(const ProgramId* ids, int count) {
    if (!host_) return false;
    if (!HasHostEntries() && !LoadExtensions()) return false;
    for (int i = 0; i < count; ++i) {
        ShaderProgram holder(ids[i] != ProgramId::kCopy);
        if (!CreateProgram(ids[i], holder)) return false;
        holder.Release();
    }
    return true;
}

// Entries ___________________________________________________________________

Bool8 GPUEffectAdapter::PrepareGPU(IEffectContext* context, IGLDevice* device, uint32_t* record, uint32_t flags) {
    // Without the system's GL the GPU path cannot draw: answer as a host
    // without GPU objects.
    if (!platform::SystemGL()) return 0;
    IGPUHost* host = AskGPUHost(context);
    if (!host) return 0;
    Bind(device, host);
    const Bool8 result = PrepareEffectGPU(context, record, flags);
    Unbind();
    host->Release();
    return result;
}

Bool8 GPUEffectAdapter::RenderGPU(void* /*unused*/, IEffectContext* context, IGLDevice* device, GPUFrame* from,
                                  GPUFrame* to, GPUFrame* out, const TimingRecord* timing) {
    if (!context || !timing || !from) return 0;
    const uint32_t f = from->format;
    if (f != kFormatBGRA8 && f != kFormatARGB8 && f != kFormatBGRAF && f != kFormatARGBF) return 0;
    if (!platform::SystemGL()) return 0;
    IGPUHost* host = AskGPUHost(context);
    if (!host) return 0;
    Bind(device, host);
    const Bool8 result = RenderEffectGPU(context, from, to, out, timing);
    Unbind();
    host->Release();
    return result;
}

int TransitionHasGlow(const char* name) {
    static constexpr const char* kWithGlow[] = {"3D Comb",  "3D Fly Away",  "3D Flip",        "3D Louvers",
                                                "3D Pizza Boxes", "3D Page Turn", "3D Twist", "3D Magic Carpet"};
    static constexpr const char* kWithoutGlow[] = {"3D Box Fold", "3D Checker Board", "3D Louver Grid",
                                                   "3D Rotating Frames", "3D Spiral Bounce"};
    if (!name) return -1;
    for (const char* n : kWithGlow)
        if (std::strcmp(n, name) == 0) return 1;
    for (const char* n : kWithoutGlow)
        if (std::strcmp(n, name) == 0) return 0;
    return -1;
}

Bool8 GPUEffectAdapter::PrepareEffectGPU(IEffectContext* context, uint32_t* record, uint32_t /*flags*/) {
    // NOTE: the variant follows from the transition's name so that the
    // transition classes need no GPU code of their own.
    const int glow = TransitionHasGlow(GetEffectName());
    if (glow < 0) return 0;
    return PrepareTransitionGPU(context, record, glow == 1);
}

Bool8 GPUEffectAdapter::PrepareTransitionGPU(IEffectContext* context, uint32_t* record, bool withGlow) {
    if (!context) return 0;
    IGPUHost* host = AskGPUHost(context);
    if (!host) return 0;
    ProgramId ids[6];
    int n = 0;
    ids[n++] = ProgramId::kMesh;
    if (LibrarySettings::Instance().GetCropOverscan()) {
        ids[n++] = ProgramId::kBorderScanX;
        ids[n++] = ProgramId::kBorderScanY;
        ids[n++] = ProgramId::kBorderReduce;
    }
    if (withGlow) {
        ids[n++] = ProgramId::kGlow;
        ids[n++] = ProgramId::kBlur2;
    }
    const bool built = ProveProgramsBuild(ids, n);
    if (record) {
        record[0] = 0;
        record[1] = built ? 1 : 0;
        record[2] = LibrarySettings::Instance().GetForcedCPU() ? 1 : 0;
    }
    host->Release();
    return 1;
}

Bool8 GPUEffectAdapter::RenderEffectGPU(IEffectContext*, GPUFrame*, GPUFrame*, GPUFrame*, const TimingRecord*) {
    return 1;
}

} // namespace svt
