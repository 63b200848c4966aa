// The GPU side of every transition: the extension table and blend guard
// (GPUHelper), the host objects bound for the length of a GPU entry, and the
// entries the host calls on IVideoGPUEffect (slots 9 to 12).
//
// Class tree: GPUEffectAdapter -> GPUEffectHelper -> (IVideoGPUEffect,
// GPUHelper); GPUHelper -> ARBHelper and, privately, GLGuard. The transition
// classes derive from GPUEffectAdapter through BaseEffect.
#pragma once

#include <cstdint>

#include "gpu/arb_helper.h"
#include "gpu/programs.h"
#include "gpu/shader_program.h"
#include "library/abi.h"

namespace svt {

class GPUHelper : public ARBHelper, private GLGuard {
public:
    IGLDevice* device() const { return device_; }
    IGPUHost* host() const { return host_; }

    // Makes `id` through the bound host into `holder`; runs the library's own
    // extension loader first when the host gave no table. False when the
    // loader or the host fails.
    bool CreateProgram(ProgramId id, ShaderProgram& holder);
    // Creates each program in turn and gives it back at once; stops at the
    // first that fails. An empty list succeeds.
    bool ProveProgramsBuild(const ProgramId* ids, int count);

    // Fixed state of every pass: depth test on with clear depth 0 and
    // GL_GREATER (nearer is larger z), no alpha test, blending, lighting or
    // fixed-function texturing, colour white.
    void SceneStateSetup();
    // The orthographic 10 x 10 view of full-frame quads, eye at (0, 0, 5).
    void CameraSetup();
    void OrthographicSetup(float w, float h);
    // Binds `target` (null: the host's own) through the host; on success
    // records its size in targetWidth_/targetHeight_ (0 x 0 for null).
    bool BindTarget(GPUFrame* target, int32_t samples, uint32_t sceneFlag);
    // Colour 0, 0, 0, 0 over the bound target.
    void ClearTarget();
    // Makes `program` the pass in progress and begins it at the bound size.
    bool BeginPass(ShaderProgram& program);
    // One quad over the whole view (or `rect`, x0, y0, x1, y1 as fractions
    // of it) with coordinates 0..1, exchanged in y with `flip`, after the
    // stage check of the pass in progress with `texture`. False without GL.
    bool FullFrameQuad(GPUFrame* texture, bool flip, const float* rect /* x0,y0,x1,y1 or null */);
    // The same over the whole view with two textures on stages 0 and 1.
    bool TwoTextureQuad(GPUFrame* first, GPUFrame* second);

protected:
    GPUHelper() = default;

    // Start of a GPU entry: remembers the host objects and, with a device,
    // copies its extension table and saves the blend state; with none, puts
    // back whatever state is saved.
    void Bind(IGLDevice* device, IGPUHost* host);
    // End of a GPU entry: forgets the host objects and restores the blend state.
    void Unbind();

    using GLGuard::guardedDevice;
    using GLGuard::SetBlendFunc;

    uint8_t renderTargetActive_ = 0;
    IGLDevice* device_ = nullptr;
    IGPUHost* host_ = nullptr;
    double orthoHalfWidth_ = 0, orthoHalfHeight_ = 0, quadDepth_ = 0;
    uint32_t targetWidth_ = 0, targetHeight_ = 0;
    ShaderProgram* currentProgram_ = nullptr;
};

class GPUEffectHelper : public IVideoGPUEffect, public GPUHelper {
protected:
    ~GPUEffectHelper() = default;
};

class GPUEffectAdapter : public GPUEffectHelper {
public:
    // 9: asks the context for IGPUHost (none: false), binds the host objects,
    // calls slot 11 and unbinds.
    Bool8 PrepareGPU(IEffectContext* context, IGLDevice* device, uint32_t* record, uint32_t flags) override;
    // 10: refuses a null context or timing record and a "from" frame whose
    // format is not 0, 1, 3 or 4; then as slot 9 with slot 12.
    Bool8 RenderGPU(void* unused, IEffectContext* context, IGLDevice* device, GPUFrame* from, GPUFrame* to,
                    GPUFrame* out, const TimingRecord* timing) override;
    // 11: proves the transition's programs build: record = {0, built,
    // "Forced CPU"}. The programs follow from the transition (with or
    // without the glow look) and "Crop Overscan" (the border programs); an
    // object that is none of the thirteen transitions answers false.
    Bool8 PrepareEffectGPU(IEffectContext* context, uint32_t* record, uint32_t flags) override;
    // 12: draws nothing and succeeds until the frame sequence exists.
    Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                          const TimingRecord* timing) override;

protected:
    ~GPUEffectAdapter() = default;

    // Slot 11 for the two kinds of transition.
    Bool8 PrepareTransitionGPU(IEffectContext* context, uint32_t* record, bool withGlow);

    // Border analysis (border_analysis.cpp). With "Crop Overscan" on, measures
    // the dark border of both sources into the two 1 x 1 border results and
    // sets the crop powers for the eased progress; the mesh draw then crops
    // while borderAnalysisValid_ is set. ReleaseBorderResults ends it for the
    // frame.
    void AnalyzeBorders(IEffectContext* context, float eased, GPUFrame* from, GPUFrame* to);
    void ReleaseBorderResults();

    double modelView_[16] = {};
    double projection_[16] = {};
    float faceAlpha_ = 1.0f;
    uint8_t borderAnalysisValid_ = 0;
    float cropPower_[2] = {};
    GPUFrame borderResult_[2] = {};
};

// Whether the transition named `name` renders the glow look on the GPU (and
// so needs the glow programs); -1 when the name is no transition's.
int TransitionHasGlow(const char* name);

} // namespace svt
