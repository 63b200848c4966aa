// The GPU border analysis: the dark border on each side of both sources,
// measured without reading pixels back. Four scan passes per source reduce
// the picture's side strips to one-pixel profiles (1 where a column or row
// is dark over its whole length); four reduce passes walk each profile from
// the picture's edge and add the measurement into one channel of the
// source's 1 x 1 result:
//
//   red   dark columns at the left,        as a share of the width
//   green dark rows at the last rows,      as a share of the height
//   blue  1 - dark columns at the right,   as a share of the width
//   alpha 1 - dark rows at the first rows, as a share of the height
//
// ("first" and "last" rows in the texture's own order). crop_mesh.frag turns
// these into the same content rectangle the CPU cropper finds.
#include <algorithm>

#include "gpu/gl_constants.h"
#include "gpu/gpu_effect_adapter.h"
#include "library/settings.h"

namespace svt {

namespace {

constexpr float kThreshold = 0.38f;
constexpr int kProfiles = 8; // A0 B0 C0 D0 A1 B1 C1 D1

// Stage rectangle of one source in texture-normalised numbers.
struct SourceSpan {
    float ua, va, du, dv;
};

SourceSpan SpanOf(const GPUFrame& s) {
    const float tw = float(std::max(s.textureWidth, 1)), th = float(std::max(s.textureHeight, 1));
    const float ua = float(s.x) / tw, va = float(s.y) / th;
    return {ua, va, float(s.width + s.x) / tw - ua, float(s.height + s.y) / th - va};
}

} // namespace

void GPUEffectAdapter::AnalyzeBorders(IEffectContext* /*context*/, float eased, GPUFrame* from, GPUFrame* to) {
    borderAnalysisValid_ = 0;
    if (!LibrarySettings::Instance().GetCropOverscan()) return;
    borderAnalysisValid_ = 1;

    GPUFrame* sources[2] = {from, to};
    // Both sources are profiled at the "from" frame's twentieth.
    const int32_t fromWidth = from ? from->width : 0, fromHeight = from ? from->height : 0;
    const int32_t W = std::max(1, fromWidth / 20), H = std::max(1, fromHeight / 20);

    GPUFrame profiles[kProfiles] = {};
    bool complete = host_ != nullptr;
    for (int i = 0; i < kProfiles && complete; ++i) {
        const bool row = i % 2 == 0; // A and C are W x 1, B and D 1 x H
        complete = host_->CreateRenderTarget(device_, &profiles[i], nullptr, row ? W : 1, row ? 1 : H,
                                             kFormatBGRA8, 0, 0, 0) != 0;
    }
    ShaderProgram scanX(true), scanY(true), reduce(true);
    complete = complete && CreateProgram(ProgramId::kBorderScanX, scanX) &&
               CreateProgram(ProgramId::kBorderScanY, scanY) && CreateProgram(ProgramId::kBorderReduce, reduce);

    // Scan passes.
    for (int k = 0; k < 2; ++k) {
        GPUFrame* s = sources[k];
        if (!s || !s->texture) continue;
        s->texture->SetFilter(gl::kNearest);
        if (!complete || s->width < 1 || s->height < 1) continue;
        const SourceSpan p = SpanOf(*s);
        const float sw = float(s->width), sh = float(s->height);
        const float wShare = float(W - 1) / sw, hShare = float(H - 1) / sh;
        struct ScanPass {
            GPUFrame* target;
            ShaderProgram* program;
            float minPixel, maxPixel, pixelSize;
            StageRect rect;
            bool flip;
        };
        GPUFrame* set = &profiles[4 * k];
        const ScanPass passes[4] = {
            {&set[0], &scanX, p.va, p.va + p.dv, p.dv / sh, {p.ua, p.va, p.ua + p.du * wShare, p.va + p.dv}, true},
            {&set[2], &scanX, p.va, p.va + p.dv, p.dv / sh,
             {p.ua + p.du * (1 - wShare), p.va, p.ua + p.du, p.va + p.dv}, false},
            {&set[1], &scanY, p.ua, p.ua + p.du, p.du / sw,
             {p.ua, p.va + p.dv * (1 - hShare), p.ua + p.du, p.va + p.dv}, true},
            {&set[3], &scanY, p.ua, p.ua + p.du, p.du / sw, {p.ua, p.va, p.ua + p.du, p.va + p.dv * hShare}, true},
        };
        for (const ScanPass& pass : passes) {
            renderTargetActive_ = 0;
            // NOTE: a target that cannot be bound is skipped rather than
            // drawn into whatever the host has bound (the scene target).
            if (!BindTarget(pass.target, 0, 0)) continue;
            ClearTarget();
            ShaderProgram& program = *pass.program;
            BeginPass(program);
            program.SetInt("SwapChannelsSrc", SwapFlag(s->format));
            program.SetFloat("fThreshold", kThreshold);
            program.SetFloat("fMinPixel", pass.minPixel);
            program.SetFloat("fMaxPixel", pass.maxPixel);
            program.SetFloat("fPixelSize", pass.pixelSize);
            program.SetTextureStage(0, s, pass.rect);
            FullFrameQuad(s, pass.flip, nullptr);
        }
    }

    // The four reduce passes of a source add up in its result.
    IGLDevice* guarded = guardedDevice();
    if (guarded && guarded->Enable(gl::kBlend)) guarded->BlendEquationSeparate(gl::kFuncAdd, gl::kFuncAdd);
    SetBlendFunc(1, 1);
    for (int k = 0; k < 2; ++k) {
        GPUFrame* s = sources[k];
        if (!complete || !s || !s->texture || s->width < 1 || s->height < 1) continue;
        if (!host_->CreateRenderTarget(device_, &borderResult_[k], nullptr, 1, 1, kFormatBGRAF, 0, 0, 0)) {
            borderResult_[k] = GPUFrame{};
            continue;
        }
        renderTargetActive_ = 0;
        if (!BindTarget(&borderResult_[k], 0, 0)) continue;
        ClearTarget();
        const float wScale = float(W) / float(s->width), hScale = float(H) / float(s->height);
        struct ReducePass {
            GPUFrame* profile;
            int32_t count;
            float direction[2], start[2], mask[4], scale, shift;
        };
        GPUFrame* set = &profiles[4 * k];
        const ReducePass passes[4] = {
            {&set[0], W, {1.0f / float(W), 0}, {0, 0.5f}, {1, 0, 0, 0}, wScale, 0},
            {&set[2], W, {-1.0f / float(W), 0}, {1, 0.5f}, {0, 0, 1, 0}, wScale, 1 - wScale},
            {&set[1], H, {0, 1.0f / float(H)}, {0.5f, 0}, {0, 1, 0, 0}, hScale, 0},
            {&set[3], H, {0, -1.0f / float(H)}, {0.5f, 1}, {0, 0, 0, 1}, hScale, 1 - hScale},
        };
        for (const ReducePass& pass : passes) {
            pass.profile->texture->SetFilter(gl::kNearest);
            BeginPass(reduce);
            reduce.SetTextureStage(0, pass.profile, StageRect{});
            reduce.SetInt("nCount", pass.count);
            reduce.SetFloat2("Direction", pass.direction[0], pass.direction[1]);
            reduce.SetFloat2("StartPosition", pass.start[0], pass.start[1]);
            reduce.SetFloat4("Mask", pass.mask[0], pass.mask[1], pass.mask[2], pass.mask[3]);
            reduce.SetFloat("fScale", pass.scale);
            reduce.SetFloat("fShift", pass.shift);
            FullFrameQuad(pass.profile, false, nullptr);
        }
    }
    if (guarded) guarded->Disable(gl::kBlend);

    cropPower_[0] = eased > 0.1f ? 1.0f : eased * 10.0f;
    cropPower_[1] = eased >= 0.9f ? (1.0f - eased) * 10.0f : 1.0f;

    currentProgram_ = nullptr;
    scanX.Release();
    scanY.Release();
    reduce.Release();
    for (GPUFrame& p : profiles)
        if (host_) host_->ReleaseRenderTarget(&p);
}

void GPUEffectAdapter::ReleaseBorderResults() {
    borderAnalysisValid_ = 0;
    for (GPUFrame& r : borderResult_) {
        if (host_) host_->ReleaseRenderTarget(&r);
        r = GPUFrame{};
    }
}

} // namespace svt
