#include "transitions/base_effect.h"

#include <cstring>
#include <new>

#include "frames/frame_check.h"
#include "frames/memory_allocator.h"
#include "softrender/scene_render.h"

namespace svt {

void FillParamInfo(const ParamSpec& param, ParamInfo* out) {
    std::memset(out, 0, sizeof(*out));
    out->defaultValue = param.defaultValue;
    out->type = param.type;
    switch (param.type) {
    case kParamSlider:
        out->slider.minimum = param.minimum;
        out->slider.maximum = param.maximum;
        out->slider.continuous = param.continuous;
        break;
    case kParamChoice:
        out->choice.count = param.entryCount;
        for (uint32_t i = 0; i < param.entryCount && i < kMaxChoiceEntries; ++i)
            std::strncpy(out->choice.entries[i], param.entries[i], kChoiceEntryBytes - 1);
        break;
    default:
        break;
    }
    std::strncpy(out->name, param.name, kParamNameBytes - 1);
    out->x = param.rect.x;
    out->y = param.rect.y;
    out->width = param.rect.width;
    out->height = param.rect.height;
    out->present = 1;
}

BaseEffect::BaseEffect(const EffectDescription& description) : description_(description) {}

BaseEffect::~BaseEffect() = default;

Result BaseEffect::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid) return kNoInterface;
    if (*iid == IID_IUnknown || *iid == IID_IVideoEffect || *iid == IID_IVideoGPUEffect)
        *out = AsVideoEffect();
    else if (*iid == IID_IParamToolTip)
        *out = static_cast<IParamToolTip*>(this);
    else
        return kNoInterface;
    AddRef();
    return kOk;
}

uint32_t BaseEffect::AddRef() { return refs_.AddRef(); }

uint32_t BaseEffect::Release() {
    const uint32_t left = refs_.Release();
    if (left == 0) DeleteSelf(1);
    return left;
}

void BaseEffect::DeleteSelf(uint32_t flags) {
    if (flags & 1)
        delete this;
    else
        this->~BaseEffect();
}

const char* BaseEffect::GetEffectName() { return description_.name; }
uint32_t BaseEffect::GetEffectFlags() { return description_.flags; }

Bool8 BaseEffect::GetParamInfo(uint32_t index, ParamInfo* out) {
    if (!out) return 0;
    std::memset(out, 0, sizeof(*out));
    if (index >= description_.ParamCount()) return 0;
    FillParamInfo(description_.params[index], out);
    return 1;
}

const char* BaseEffect::GetPresetName(uint32_t preset) {
    return preset < description_.PresetCount() ? description_.presetNames[preset] : nullptr;
}

Bool8 BaseEffect::GetPresetValue(uint32_t preset, uint32_t param, ParamValue* out) {
    if (!out || preset >= description_.PresetCount() || param >= description_.ParamCount()) return 0;
    const size_t at = size_t(preset) * description_.ParamCount() + param;
    if (at >= description_.presetValues.size()) return 0;
    *out = description_.presetValues[at];
    return 1;
}

const char* BaseEffect::GetToolTip(uint32_t param) {
    return param < description_.ParamCount() ? description_.params[param].tooltip : nullptr;
}

namespace {

// The transition seen by the CPU pipeline: its scene with the host's settings.
class SceneFromSettings final : public SceneSource {
public:
    SceneFromSettings(const BaseEffect& effect, IEffectContext* context) : effect_(effect), context_(context) {}
    Scene BuildScene(double t, const FrameGeometry& frames, MemoryAllocator* allocator) const override {
        return effect_.BuildScene(context_, t, frames, allocator);
    }

private:
    const BaseEffect& effect_;
    IEffectContext* context_;
};

} // namespace

Bool8 BaseEffect::RenderOnCpu(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                              MemoryAllocator* allocator, bool crop) {
    // Nothing may leave a slot as an exception: memory the library's heap
    // refuses makes the render fail.
    try {
        if (!canvas_) canvas_.reset(new (std::nothrow) SceneCanvas());
        const SceneFromSettings source(*this, context);
        if (crop && description_.cropCheckParam >= 0)
            return RenderSceneCropped(canvas_.get(), source, context, uint32_t(description_.cropCheckParam), from,
                                      to, out, t, allocator)
                       ? 1
                       : 0;
        return RenderScene(canvas_.get(), source, from, to, out, t, allocator) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

Bool8 BaseEffect::RenderFrame(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                              MemoryAllocator* allocator) {
    return RenderOnCpu(context, from, to, out, t, allocator, false);
}

Bool8 BaseEffect::Render(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                         const TimingRecord* timing) {
    if (!timing || !RenderableFrames(from, to, out)) return 0;
    MemoryAllocator allocator(context);
    const Bool8 result = RenderOnCpu(context, from, to, out, timing->progress, &allocator, true);
    allocator.ReleaseAll();
    return result;
}

Bool8 BaseEffect::RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                                  const TimingRecord* timing) {
    if (!timing || !from || !to || !out || from->width < 1 || from->height < 1 || to->width < 1 || to->height < 1)
        return 0;
    try {
        FrameGeometry frames;
        frames.widthA = uint32_t(from->width);
        frames.heightA = uint32_t(from->height);
        frames.widthB = uint32_t(to->width);
        frames.heightB = uint32_t(to->height);
        frames.outWidth = out->width > 0 ? uint32_t(out->width) : 0;
        frames.outHeight = out->height > 0 ? uint32_t(out->height) : 0;
        // A texture stored upside down holds a top-down picture.
        frames.topDownA = from->flipped != 0;
        frames.topDownB = to->flipped != 0;
        MemoryAllocator allocator(context);
        const Scene scene = BuildScene(context, timing->progress, frames, &allocator);
        const bool drawn = DrawSceneGPU(context, scene, from, to, out);
        allocator.ReleaseAll();
        return drawn ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace svt
