#include "host/gpu_renderer.h"

#include <chrono>

namespace svt::host {

namespace {
double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
} // namespace

GPURenderer::GPURenderer() = default;

GPURenderer::~GPURenderer() {
    ReleaseSources();
    prepared_ = ComPtr<IVideoEffect>();
}

bool GPURenderer::Open() {
    if (!context_.Create()) {
        error_ = context_.error();
        return false;
    }
    host_ = std::make_unique<GLHost>(context_);
    return true;
}

void GPURenderer::ReleaseSources() {
    if (!host_) return;
    host_->ReleaseRenderTarget(&a_);
    host_->ReleaseRenderTarget(&b_);
}

bool GPURenderer::Render(EffectRenderer& r, double t, std::string* error, Times* times, bool reuseSources) {
    auto fail = [&](const std::string& why) {
        if (error) *error = r.info().name + " on the GPU: " + why;
        return false;
    };
    if (!host_) return fail("no OpenGL context");
    auto* effect = static_cast<IVideoGPUEffect*>(r.effect()); // the GPU entries extend the same table
    GPUEffectContext context(*host_, &r.context());
    if (prepared_.get() != r.effect()) {
        // Once per transition object, as a host does before its first GPU frame.
        uint32_t record[3] = {};
        if (!effect->PrepareGPU(&context, &host_->device(), record, 0) || !(record[1] & 1))
            return fail("its programs do not build on this OpenGL (" + host_->lastProgramLog() + ")");
        if (record[2]) return fail("the user setting \"Forced CPU\" is on");
        r.effect()->AddRef();
        prepared_ = ComPtr<IVideoEffect>::Adopt(r.effect());
    }
    FrameDesc& out = *r.output().desc();
    const double t0 = Now();
    if (!reuseSources || !a_.texture) {
        ReleaseSources();
        if (!host_->Upload(*r.frameA().desc(), &a_) || !host_->Upload(*r.frameB().desc(), &b_))
            return fail("cannot upload the pictures");
    }
    GPUFrame target{};
    if (!host_->CreateRenderTarget(&host_->device(), &target, nullptr, out.width, out.height, out.format, 0, 0, 0))
        return fail("cannot make a render target");
    target.flipped = out.topDown ? 1 : 0; // read back in the output frame's row order
    context_.Finish();
    const double t1 = Now();
    const TimingRecord timing{0.0, t};
    const bool rendered = effect->RenderGPU(nullptr, &context, &host_->device(), &a_, &b_, &target, &timing) != 0;
    context_.Finish();
    const double t2 = Now();
    const bool read = rendered && host_->Download(target, out);
    const double t3 = Now();
    host_->ReleaseRenderTarget(&target);
    if (!rendered) return fail("its render entry returned false");
    if (!read) return fail("cannot read the output back");
    if (context.outstandingReferences()) return fail("the transition kept a reference to the host's context");
    if (times) {
        times->upload += t1 - t0;
        times->render += t2 - t1;
        times->download += t3 - t2;
        ++times->frames;
    }
    return true;
}

} // namespace svt::host
