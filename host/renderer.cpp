#include "host/renderer.h"

#include "host/param_units.h"

namespace svt::host {

std::string RenderCheck::Problems() const {
    std::string s;
    auto add = [&](size_t n, const char* what) {
        if (n) s += (s.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    add(liveBlocks, "memory block(s) not freed");
    add(livePictures, "picture(s) not freed");
    add(badFrees, "free(s) of memory the host never gave");
    add(heldReferences, "host reference(s) kept");
    add(typeMismatches, "parameter read(s) with the wrong type");
    return s;
}

EffectRenderer::EffectRenderer(ComPtr<IVideoEffect> effect, uint32_t index)
    : effect_(std::move(effect)), info_(EffectInfo::Read(effect_.get(), index)), context_(info_.params) {}

bool EffectRenderer::ApplyPreset(int preset) {
    if (preset < 0 || size_t(preset) >= info_.presets.size()) return false;
    const auto& values = info_.presets[size_t(preset)].values;
    for (size_t i = 0; i < values.size(); ++i) context_.SetValue(uint32_t(i), values[i]);
    return true;
}

bool EffectRenderer::Set(const std::string& label, const std::string& displayValue, std::string* error) {
    std::string why;
    const int i = info_.FindParam(label);
    ParamValue v{};
    if (i < 0) {
        why = info_.name + " has no parameter \"" + label + "\"; its parameters are: " + JoinNames(info_.ParamNames());
    } else if (ParseDisplayValue(info_.params[size_t(i)], displayValue, &v, &why)) {
        context_.SetValue(uint32_t(i), v);
        return true;
    }
    if (error) *error = why;
    return false;
}

bool EffectRenderer::SetPictures(const Picture& a, const Picture& b, uint32_t format, const FrameLayout& layout) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    // Frames of the same shape are refilled in place (a clip's every frame):
    // Store writes every pixel, and the module writes every output pixel.
    const int w = a.width(), h = a.height();
    if (a_.Holds(w, h, format, layout) && b_.Holds(w, h, format, layout) && out_.Holds(w, h, format, layout)) {
        a_.Store(a);
        b_.Store(b);
        return true;
    }
    return a_.Allocate(a, format, layout) && b_.Allocate(b, format, layout) &&
           out_.Allocate(a.width(), a.height(), format, layout);
}

RenderCheck EffectRenderer::Render(double t) {
    RenderCheck check;
    if (!effect_ || out_.width() == 0) return check;
    // No clear first: the module writes every pixel of the output, as it
    // must for hosts that hand over whatever their buffer last held.
    HostAllocator& alloc = context_.allocator();
    const size_t blocksBefore = alloc.liveBlocks(), picturesBefore = alloc.livePictures();
    const size_t badBefore = alloc.badFrees(), mismatchBefore = context_.typeMismatches();
    const TimingRecord timing{0.0, t};
    check.rendered = effect_->Render(&context_, a_.desc(), b_.desc(), out_.desc(), &timing) != 0;
    check.liveBlocks = alloc.liveBlocks() - blocksBefore;
    check.livePictures = alloc.livePictures() - picturesBefore;
    check.badFrees = alloc.badFrees() - badBefore;
    check.heldReferences = context_.outstandingReferences() + alloc.outstandingReferences();
    check.typeMismatches = context_.typeMismatches() - mismatchBefore;
    return check;
}

} // namespace svt::host
