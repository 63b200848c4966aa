#include "transitions/common.h"

#include <algorithm>
#include <new>

#include "frames/image_ops.h"
#include "softrender/glow.h"

namespace svt {

// Parameters ______________________________________________________________

ParamValue ParamReader::Read(uint32_t index, uint32_t type) const {
    ParamValue v{};
    if (context_ && context_->GetParamValue(index, &v, type)) return v;
    return index < description_.ParamCount() ? description_.params[index].defaultValue : ParamValue{};
}

int ParamReader::Count(uint32_t index) const {
    if (index >= description_.ParamCount()) return 0;
    const float v = Slider(index);
    const double lo = description_.params[index].minimum, hi = description_.params[index].maximum;
    const double count = std::trunc(double(v) * (hi - lo) + lo);
    // A stored fraction outside [0, 1] (no panel makes one) must not ask for
    // millions of panels: the count stays on its displayed scale.
    if (!(count >= lo)) return int(lo);
    return count > hi ? int(hi) : int(count);
}

// Timing ___________________________________________________________________

double EaseProgress(double t, double e, double s) {
    if (!(e >= 0.01)) e = 0.01;
    if (s > 0.5) s = 0.5;
    if (!(s > 0.0) || e == 1.0) return t;
    t = std::clamp(t, 0.0, 1.0);
    if (t <= s) {
        const double u = t / s;
        return std::pow(u, e) * s * (1.0 - u) + u * t;
    }
    if (t >= 1.0 - s) {
        const double u = (t - (1.0 - s)) / s;
        return (std::pow(u, 1.0 / e) * s + (1.0 - s)) * u + (1.0 - u) * t;
    }
    return t;
}

// Glow _____________________________________________________________________

GlowLook GlowLookAt(double progress, double fog, double shine, uint32_t pictureHeight) {
    const double s = GlowSwell(progress);
    GlowLook look;
    const double radius = std::trunc(double(pictureHeight) * fog * s * 0.2);
    look.radius = radius > 0.0 ? int32_t(std::min(radius, 1e6)) : 0;
    look.glow = float(fog * s);
    look.metal = float(shine * s);
    return look;
}

PREffect* NewGlowEffect(const GlowLook& look, MemoryAllocator* allocator) {
    return new (std::nothrow) PRDreamGlowEffect(look.radius, look.glow, look.metal, 0xFFFFFF, allocator);
}

// TransitionBase _____________________________________________________________

TransitionBase::TransitionBase(const EffectDescription& description) : BaseEffect(description) {}

TransitionBase::~TransitionBase() = default;

SceneCanvas* TransitionBase::canvas() {
    if (!canvas_) canvas_.reset(new (std::nothrow) SceneCanvas());
    return canvas_.get();
}

// FrameRender ________________________________________________________________

FrameRender::FrameRender(TransitionBase& owner, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                         MemoryAllocator* allocator, const SceneSetup& setup)
    : allocator_(allocator), light_({0.0, 0.0, -1.0}, setup.ambient) {
    // Without all three frames there is nothing to render: the host keeps
    // its own output.
    if (!pictureA_.BindFrame(from) || !pictureB_.BindFrame(to) || !out || pictureA_.empty() || pictureB_.empty())
        return;
    result_ = true;
    t_ = std::isnan(t) ? 0.0 : t; // a host's garbage progress shows picture A
    if (setup.reverse) {
        std::swap(first_, second_);
        t_ = 1.0 - t_;
    }
    canvas_ = owner.canvas();
    if (!canvas_ || !canvas_->SetScreen(out)) {
        canvas_ = nullptr;
        return; // no canvas: nothing is drawn, the render still counts
    }
    if (!canvas_->hasPixels()) {
        result_ = false; // an output frame without pixels
        canvas_ = nullptr;
        return;
    }
    canvas_->AddLight(&light_);
    canvas_->SetFlags(kTransitionCanvasFlags);
    canvas_->SetProjection(PerspectiveMatrix(setup.distance));
    canvas_->SetViewMatrix(IdentityMatrix());
    if (canvas_->screen()) canvas_->screen()->a = kSceneHalfWidth;

    if (setup.renderAtZero ? t_ < 0.0 : t_ <= 0.0) {
        canvas_->DrawBackground(*first_);
        return;
    }
    if (t_ >= 1.0) {
        canvas_->DrawBackground(*second_);
        return;
    }
    switch (setup.background) {
    case kBackgroundFirst: canvas_->DrawBackground(pictureA_); break;
    case kBackgroundSecond: canvas_->DrawBackground(pictureB_); break;
    case kBackgroundTransparent: canvas_->ClearScreen(); break;
    default: break;
    }
    drawing_ = true;
}

FrameRender::~FrameRender() {
    if (canvas_) {
        canvas_->RemoveAllLights();
        canvas_->ClearPostEffects();
    }
}

void FrameRender::RegisterGlow(const GlowLook& look) {
    if (!drawing_ || glowRegistered_) return;
    if (PREffect* effect = NewGlowEffect(look, allocator_)) {
        canvas_->AddPostEffect(effect);
        glowRegistered_ = true;
    }
}

void FrameRender::GlowOnCopies(double progress, double fog, double shine) {
    if (!drawing_ || !(fog > 0.0 || shine > 0.0)) return;
    auto glowing = [&](const ImageView& src, ImageView& copy) -> const ImageView* {
        if (!copy.Allocate(src.width, src.height, src.pixelSize, allocator_, src.format, src.topDown) ||
            !CopyImage(&src, &copy)) {
            copy.Release();
            return &src;
        }
        std::unique_ptr<PREffect> effect(NewGlowEffect(GlowLookAt(progress, fog, shine, src.height), allocator_));
        if (effect) effect->Apply(copy);
        return &copy;
    };
    const ImageView* a = glowing(*first_, glowA_);
    const ImageView* b = glowing(*second_, glowB_);
    first_ = a;
    second_ = b;
}

} // namespace svt
