// GPUHelper's drawing primitives: the fixed GL state, the orthographic view
// of full-frame quads, render-target binding and the quads themselves. Every
// GL 1.x call goes through the system's GL looked up at run time; without it
// the primitives do nothing and the quads answer false.
#include <utility>

#include "gpu/gl_constants.h"
#include "gpu/gpu_effect_adapter.h"
#include "platform/gl_entry.h"

namespace svt {

namespace {

using MultiTexCoord2f = void (*)(uint32_t target, float s, float t);

} // namespace

void GPUHelper::SceneStateSetup() {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (gl) {
        gl->ClearDepth(0.0);
        gl->DepthFunc(gl::kGreater);
    }
    if (device_) {
        device_->Enable(gl::kDepthTest);
        device_->Disable(gl::kAlphaTest);
    }
    if (IGLDevice* guarded = guardedDevice()) guarded->Disable(gl::kBlend);
    if (device_) {
        device_->Disable(gl::kLighting);
        device_->Disable(gl::kTexture2D);
    }
    if (gl) gl->Color3f(1, 1, 1);
}

void GPUHelper::CameraSetup() {
    OrthographicSetup(10, 10);
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return;
    gl->MatrixMode(gl::kModelView);
    gl->LoadIdentity();
    gl->LookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
}

void GPUHelper::OrthographicSetup(float w, float h) {
    quadDepth_ = 0;
    orthoHalfWidth_ = double(w * 0.5f);
    orthoHalfHeight_ = double(h * 0.5f);
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return;
    gl->MatrixMode(gl::kProjection);
    gl->LoadIdentity();
    gl->Ortho(-w / 2, w / 2, -h / 2, h / 2, 2.0, 12.0);
}

bool GPUHelper::BindTarget(GPUFrame* target, int32_t samples, uint32_t sceneFlag) {
    if (!host_) return false;
    if (!host_->SetRenderTarget(device_, target, samples, uint8_t(sceneFlag != 0), 0)) return false;
    targetWidth_ = target && target->width > 0 ? uint32_t(target->width) : 0;
    targetHeight_ = target && target->height > 0 ? uint32_t(target->height) : 0;
    return true;
}

void GPUHelper::ClearTarget() {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return;
    gl->ClearColor(0, 0, 0, 0);
    gl->Clear(gl::kColorBufferBit);
}

bool GPUHelper::BeginPass(ShaderProgram& program) {
    currentProgram_ = &program;
    return program.BeginPass(int32_t(targetWidth_), int32_t(targetHeight_));
}

bool GPUHelper::FullFrameQuad(GPUFrame* texture, bool flip, const float* rect) {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return false;
    if (currentProgram_) currentProgram_->CheckStages(texture, nullptr);
    const float r[4] = {rect ? rect[0] : 0.0f, rect ? rect[1] : 0.0f, rect ? rect[2] : 1.0f, rect ? rect[3] : 1.0f};
    const double hw = orthoHalfWidth_, hh = orthoHalfHeight_;
    const float x0 = float(r[0] * 2 * hw - hw), x1 = float(r[2] * 2 * hw - hw);
    float y0 = float(r[1] * 2 * hh - hh), y1 = float(r[3] * 2 * hh - hh);
    if (flip) std::swap(y0, y1);
    const float z = float(quadDepth_ - 0.00001);
    gl->Begin(gl::kTriangleStrip);
    gl->TexCoord2f(0, 0);
    gl->Vertex3f(x0, y0, z);
    gl->TexCoord2f(0, 1);
    gl->Vertex3f(x0, y1, z);
    gl->TexCoord2f(1, 0);
    gl->Vertex3f(x1, y0, z);
    gl->TexCoord2f(1, 1);
    gl->Vertex3f(x1, y1, z);
    gl->End();
    return true;
}

bool GPUHelper::TwoTextureQuad(GPUFrame* first, GPUFrame* second) {
    const platform::GLFunctions* gl = platform::SystemGL();
    auto texCoord = reinterpret_cast<MultiTexCoord2f>(extensionTable().entries[kSlotMultiTexCoord2f]);
    if (!gl || !texCoord) return false;
    if (currentProgram_) currentProgram_->CheckStages(first, second);
    const float hw = float(orthoHalfWidth_), hh = float(orthoHalfHeight_);
    const float z = float(quadDepth_ - 0.00001);
    gl->Begin(gl::kTriangleStrip);
    texCoord(gl::kTexture0, 0, 0);
    gl->Vertex3f(-hw, -hh, z);
    texCoord(gl::kTexture0, 0, 1);
    gl->Vertex3f(-hw, hh, z);
    texCoord(gl::kTexture0, 1, 0);
    gl->Vertex3f(hw, -hh, z);
    texCoord(gl::kTexture0, 1, 1);
    gl->Vertex3f(hw, hh, z);
    gl->End();
    return true;
}

} // namespace svt
