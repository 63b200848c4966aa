// The GPU frame sequence: one scene (geometry/scene.h) drawn through the
// host's render targets and programs into the host's output frame. The scene
// is the same value the CPU pipeline draws; only the drawing differs.
#include <array>
#include <cmath>

#include "geometry/mat4.h"
#include "gpu/gl_constants.h"
#include "gpu/gpu_effect_adapter.h"
#include "platform/gl_entry.h"

namespace svt {

namespace {

// Intermediate targets drop the other channel order: what the programs write
// is always in the shaders' own order.
uint32_t MappedFormat(uint32_t format) {
    switch (format) {
    case 1: return 0;
    case 4: return 3;
    case 9: return 8;
    default: return format;
    }
}

void SetFilter(GPUFrame* frame, uint32_t filter) {
    if (frame && frame->texture) frame->texture->SetFilter(filter);
}

// Row-major to GL's column-major order, so that the GL matrix equals m.
void LoadMatrix(uint32_t mode, const double* m) {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return;
    double columns[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) columns[4 * c + r] = m[4 * r + c];
    gl->MatrixMode(mode);
    gl->LoadMatrixd(columns);
}

bool HasLook(const GlowLook& look) { return look.glow > 0.0f || look.metal > 0.0f; }

// The glow program's amount: the CPU look's factor sqrt(0.8 g)·1.5 on its
// 380/255 luminance scale.
float GlowFactor(float glow) { return std::sqrt(glow * 0.8f) * 1.5f * 1.4901961f; }

// Which sources (first, second) the scene's faces show toward the viewer.
// The sides are told apart as the CPU renderer and culling tell them, by the
// turn of the projected corners; a face seen nearly edge-on, or reaching
// behind the camera, counts for both of its sides.
std::array<bool, 2> ShownSources(const Scene& scene) {
    std::array<bool, 2> shown{false, false};
    const Mat4 toScreen = MatMul(PerspectiveMatrix(scene.cameraDistance), scene.model);
    const double d = scene.cameraDistance;
    for (const QuadFace& face : scene.faces) {
        if (face.front == kSourceNone || !face.usable()) continue;
        const PictureSource back = face.back != kSourceNone ? face.back : face.front;
        bool front = true, behind = true;
        bool nearCamera = false;
        for (const Vec3& v : face.vertices) {
            const Vec3 p = TransformPoint(scene.model, v);
            nearCamera |= std::fabs(d) >= 1e-6 && !(1.0 - p.z / d > 1e-3);
        }
        const std::array<Vec3, 4> q = face.TransformedCorners(toScreen);
        const double turn = Cross(q[3] - q[0], q[1] - q[0]).z;
        if (!nearCamera && std::fabs(turn) > 1e-9) {
            front = turn > 0;
            behind = !front;
        }
        if (front) shown[face.front == kSourceFirst ? 0 : 1] = true;
        if (behind) shown[back == kSourceFirst ? 0 : 1] = true;
    }
    return shown;
}

} // namespace

void GPUEffectAdapter::LoadModelView(const double* m) {
    for (int i = 0; i < 16; ++i) modelView_[i] = m[i];
    LoadMatrix(gl::kModelView, modelView_);
}

void GPUEffectAdapter::LoadProjection(const double* p) {
    // P × diag(1, -1, 1, 1): the eye-space y is mirrored before projection.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) projection_[4 * r + c] = c == 1 ? -p[4 * r + c] : p[4 * r + c];
    LoadMatrix(gl::kProjection, projection_);
}

bool GPUEffectAdapter::BackgroundPass(int32_t mode, GPUFrame* from, GPUFrame* to, bool flip) {
    if (mode == 2) {
        ClearTarget();
        return true;
    }
    if (mode != 0 && mode != 1) return false;
    ShaderProgram program(true);
    if (!CreateProgram(ProgramId::kBackground, program)) return false;
    GPUFrame* frame = mode == 0 ? from : to;
    SetFilter(frame, gl::kNearest);
    if (device_) device_->Disable(gl::kDepthTest);
    BeginPass(program);
    program.SetInt("SwapChannelsSrc", frame ? SwapFlag(frame->format) : 0);
    FullFrameQuad(frame, flip, nullptr);
    if (device_) device_->Enable(gl::kDepthTest);
    currentProgram_ = nullptr;
    program.Release();
    return true;
}

bool GPUEffectAdapter::GlowPass(int32_t blurCount, float glow, float metal, GPUFrame* source,
                                GPUFrame* destination, GPUFrame* temporary) {
    ShaderProgram glowProgram(true), blur2(true), blur1(true);
    if (!CreateProgram(ProgramId::kGlow, glowProgram) || !CreateProgram(ProgramId::kBlur2, blur2) ||
        !CreateProgram(ProgramId::kBlur1, blur1))
        return false;
    // Integer division and remainder truncate toward zero, as the programs
    // expect.
    const int32_t half = blurCount / 2, odd = blurCount % 2;
    auto blur = [&](ShaderProgram& program, GPUFrame* input, GPUFrame* target) {
        // The blur sums two taps per bilinear fetch; everything else of
        // the look samples texel centres.
        SetFilter(input, gl::kLinear);
        BindTarget(target, 0, 0);
        BeginPass(program);
        program.SetInt("blurSize", half);
        program.SetInt("isOdd", odd);
        FullFrameQuad(input, false, nullptr);
    };
    blur(blur1, source, destination);
    blur(blur2, destination, temporary);
    SetFilter(source, gl::kNearest);
    SetFilter(destination, gl::kNearest);
    renderTargetActive_ = 0;
    BindTarget(destination, 0, 0);
    BeginPass(glowProgram);
    const int32_t swap = source ? SwapFlag(source->format) : 0;
    glowProgram.SetInt("SwapChannelsSrc0", swap);
    glowProgram.SetInt("SwapChannelsSrc1", swap);
    glowProgram.SetFloat("fGlow", GlowFactor(glow));
    glowProgram.SetFloat("fMetal", metal);
    TwoTextureQuad(source, temporary);
    currentProgram_ = nullptr;
    return true;
}

bool GPUEffectAdapter::BindSceneTarget(GPUFrame* scene) {
    renderTargetActive_ = 1;
    int32_t samples = 0;
    if (device_) device_->GetIntegerv(gl::kMaxSamples, &samples, 1);
    // NOTE: a context that refuses n samples usually takes the next power of
    // two below, so halving finds it in a few tries without creating a
    // multisampled buffer per count.
    bool bound = false;
    for (; samples > 0 && !bound; samples /= 2) bound = BindTarget(scene, samples, 1);
    if (!bound) {
        // No multisampling at all: the scene is still drawn, without
        // smoothed edges, and there is nothing to resolve.
        renderTargetActive_ = 0;
        bound = BindTarget(scene, 0, 1);
    }
    if (bound)
        if (const platform::GLFunctions* gl = platform::SystemGL()) gl->Clear(gl::kDepthBufferBit);
    return bound;
}

void GPUEffectAdapter::OutputCopy(GPUFrame* scene, GPUFrame* out) {
    ShaderProgram program(false);
    if (!scene || !out || !CreateProgram(ProgramId::kCopy, program)) return;
    renderTargetActive_ = 0;
    BindTarget(out, 0, 0);
    // The quad lands on the scene's texel centres; nearest sampling keeps
    // them exact whatever filter the target had.
    SetFilter(scene, gl::kNearest);
    BeginPass(program);
    program.SetInt("SwapChannelsDst", SwapFlag(out->format));
    program.SetTexture("Tex", scene);
    const float tw = float(scene->textureWidth > 0 ? scene->textureWidth : 1);
    const float th = float(scene->textureHeight > 0 ? scene->textureHeight : 1);
    program.SetFloat2("texCoordScale0", float(scene->width) / tw, float(scene->height) / th);
    program.SetFloat2("texCoordShift0", float(scene->x) / tw, float(scene->y) / th);
    FullFrameQuad(scene, out->flipped != scene->flipped, nullptr);
    using UseProgramObject = void (*)(uint32_t);
    if (auto use = reinterpret_cast<UseProgramObject>(extensionTable().entries[kSlotUseProgramObject])) use(0);
    BindTarget(nullptr, 0, 0);
    currentProgram_ = nullptr;
    program.Release();
}

bool GPUEffectAdapter::DrawSceneGPU(IEffectContext* context, const Scene& scene, GPUFrame* from, GPUFrame* to,
                                    GPUFrame* out) {
    if (!host_ || !from || !to || !out) return false;
    // The frame's targets and border results go back to the host however
    // the frame ends (a refused allocation may end it early).
    struct FrameTargets {
        GPUEffectAdapter& self;
        GPUFrame frame[3] = {};
        ~FrameTargets() {
            self.ReleaseBorderResults();
            for (GPUFrame& t : frame) self.host_->ReleaseRenderTarget(&t);
        }
    } targets{*this};
    GPUFrame& sceneTarget = targets.frame[0];
    GPUFrame* glowTarget[2] = {&targets.frame[1], &targets.frame[2]};
    const int32_t w = from->width, h = from->height;
    if (!host_->CreateRenderTarget(device_, &sceneTarget, nullptr, w, h, from->format, 0, 0, 0) ||
        !host_->CreateRenderTarget(device_, glowTarget[0], nullptr, w, h, MappedFormat(from->format), 0, 0, 0) ||
        !host_->CreateRenderTarget(device_, glowTarget[1], nullptr, w, h, MappedFormat(from->format), 0, 0, 0))
        return false;
    bool result = true;
    SceneStateSetup();
    CameraSetup();

    // The host's frames by the scene's sources: "Reverse" makes "to" the
    // first source.
    GPUFrame* frames[2] = {from, to};
    const int firstGroup = scene.reverse ? 1 : 0;
    // The progress as the host sees it (A leaving): the crop of "from" fades
    // in from its start, the crop of "to" out toward its end.
    const double hostProgress = scene.reverse ? 1.0 - scene.t : scene.t;
    AnalyzeBorders(context, float(hostProgress), from, to);

    // The look on whole sources, into the glow targets, which then stand in
    // for them in the mesh.
    bool glowFailed = false;
    if (scene.drawing()) {
        GlowLook looks[2] = {};
        bool with[2] = {false, false};
        if (scene.lookTarget == kLookPerFace && HasLook(scene.look)) {
            looks[0] = looks[1] = scene.look;
            with[0] = with[1] = true;
        } else if (scene.lookTarget == kLookWholePictures) {
            looks[firstGroup] = scene.lookFirst;
            with[firstGroup] = HasLook(scene.lookFirst);
            looks[1 - firstGroup] = scene.lookSecond;
            with[1 - firstGroup] = scene.lookOnSecond && HasLook(scene.lookSecond);
        }
        // A source that no face shows this frame needs no look.
        const std::array<bool, 2> shown = ShownSources(scene);
        with[firstGroup] = with[firstGroup] && shown[0];
        with[1 - firstGroup] = with[1 - firstGroup] && shown[1];
        if (with[0] || with[1]) {
            for (GPUFrame* f : {from, to, &sceneTarget, glowTarget[0], glowTarget[1]}) SetFilter(f, gl::kNearest);
            for (int k = 0; k < 2 && !glowFailed; ++k) {
                if (!with[k]) continue;
                const GlowLook& look = looks[k];
                if (!GlowPass(1 + look.radius, look.glow, look.metal, frames[k], glowTarget[k], &sceneTarget))
                    glowFailed = true;
                else
                    frames[k] = glowTarget[k];
            }
            if (glowFailed) result = false;
        }
    }

    BindSceneTarget(&sceneTarget);

    if (!glowFailed) {
        bool filled = true;
        GPUFrame* first = scene.reverse ? to : from;
        GPUFrame* second = scene.reverse ? from : to;
        switch (scene.stage) {
        case kStageShowFirst: filled = BackgroundPass(0, first, first); break;
        case kStageShowSecond: filled = BackgroundPass(0, second, second); break;
        case kStageDraw:
            switch (scene.background) {
            case kScenePictureA: filled = BackgroundPass(0, from, to); break;
            case kScenePictureB: filled = BackgroundPass(1, from, to); break;
            case kSceneTransparent: filled = BackgroundPass(2, from, to); break;
            case kSceneSecondSource: filled = BackgroundPass(0, second, second); break;
            // The output as the host handed it, drawn back under the scene
            // in the scene's row order (the copy turns it back).
            case kSceneKeep: filled = BackgroundPass(0, out, out, out->flipped != from->flipped); break;
            }
            break;
        }
        if (!filled) result = false;
    }

    if (scene.drawing()) {
        if (scene.failed) {
            result = false;
        } else {
            LoadModelView(scene.model.m);
            LoadProjection(PerspectiveMatrix(scene.cameraDistance).m);
            LinearLight light({0.0, 0.0, -1.0}, scene.ambient);
            const std::vector<Light3D*> lights{&light};
            faceAlpha_ = float(scene.faceAlpha());
            MeshDraw(scene.faces, frames, firstGroup, lights);
            faceAlpha_ = 1.0f;
        }
    }

    ReleaseBorderResults();
    if (renderTargetActive_) {
        renderTargetActive_ = 0;
        host_->ResolveRenderTarget(device_, &sceneTarget);
    }
    BindTarget(&sceneTarget, 0, 0);
    SceneStateSetup();
    CameraSetup();
    sceneTarget.flipped = from->flipped;
    // The host's output state for the copy (the reference host switches off
    // depth test, culling and blending).
    if (device_) device_->SetOutputState(0);
    OutputCopy(&sceneTarget, out);
    return result;
}

} // namespace svt
