// The GPU side of every transition: the extension table and blend guard
// (GPUHelper), the host objects bound for the length of a GPU entry, and the
// entries the host calls on IVideoGPUEffect (slots 9 to 12).
//
// Class tree: GPUEffectAdapter -> GPUEffectHelper -> (IVideoGPUEffect,
// GPUHelper); GPUHelper -> ARBHelper and, privately, GLGuard. The transition
// classes derive from GPUEffectAdapter through BaseEffect.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/light.h"
#include "geometry/scene.h"
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
    // 12: the adapter alone draws nothing and succeeds; a transition
    // overrides it to build its scene and hand it to DrawSceneGPU.
    Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                          const TimingRecord* timing) override;

    // The frame sequence of slot 12 for one scene (frame_sequence.cpp): the
    // scene and glow targets, border analysis, glow pass, background, the
    // lit mesh in a multisampled target, the copy into `out`. False when a
    // target cannot be made, a glow or background pass fails, or the scene
    // says its motion failed; the output is copied in every case but the
    // first.
    bool DrawSceneGPU(IEffectContext* context, const Scene& scene, GPUFrame* from, GPUFrame* to, GPUFrame* out);

    // One side of a mesh face as it is sent: four corners, the diffuse
    // colour, four picture coordinates (fractions of the source picture).
    struct FaceRecord {
        float corner[4][3];
        float diffuse[4];
        float uv[4][2];
    };
    // The records of one source; group 0 is drawn from "from", group 1 from
    // "to" (whatever "Reverse" made of them: the border results follow the
    // frames).
    struct FaceGroup {
        GPUFrame* frame = nullptr;
        std::vector<FaceRecord> faces;
    };

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

    // Passes of the frame sequence (frame_sequence.cpp, mesh_draw.cpp).
    // Matrices are row-major, loaded so that the GL matrix equals them; the
    // projection is mirrored in y first, so the scene's y = +1 (row 0 of the
    // pictures) lands on the target's row 0.
    void LoadModelView(const double* m);
    void LoadProjection(const double* p);
    // Mode 0: "from" pixel for pixel (upside down with `flip`); 1: "to"; 2:
    // transparent black; other modes false.
    bool BackgroundPass(int32_t mode, GPUFrame* from, GPUFrame* to, bool flip = false);
    // The glow and metal look of `source` into `destination` (blurred with
    // `blurCount` taps per axis through `temporary`).
    bool GlowPass(int32_t blurCount, float glow, float metal, GPUFrame* source, GPUFrame* destination,
                  GPUFrame* temporary);
    // Binds the scene target multisampled at the most samples the context
    // allows, halving the count after each refusal; when every count is
    // refused, single-sampled. The depth buffer starts at 0 (nothing drawn).
    bool BindSceneTarget(GPUFrame* scene);
    // The faces of both sources lit by `lights` under the loaded matrices;
    // frames[k] draws group k, `firstGroup` is the group of the scene's
    // first source.
    void MeshDraw(const std::vector<QuadFace>& faces, GPUFrame* const frames[2], int firstGroup,
                  const std::vector<Light3D*>& lights);
    // Draws the groups with `program` (begun per face), with source-alpha
    // blending when a face is translucent.
    bool FaceListDraw(const FaceGroup* groups, int count, ShaderProgram& program);
    // The composed scene into the host's frame, flipped when their flipped
    // flags differ, channels swapped for the output's format.
    void OutputCopy(GPUFrame* scene, GPUFrame* out);

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
