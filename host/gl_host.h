// The reference OpenGL host: a headless EGL context (Mesa's software
// rasteriser or a real GPU) and the four host objects the module's GPU
// entries use, IGPUHost, IGLDevice, IGPUProgram and IGPUTexture.
//
// Nothing here is linked against EGL or GL: both are opened by name when a
// context is made, so the tool runs on machines without them and says why
// the GPU is unavailable. All calls must come from the thread that created
// the context.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::host {

struct GLApi; // the GL entry points of the context, host/gl_host.cpp

class GLContext {
public:
    GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;
    ~GLContext();

    // Makes a compatibility-profile context (OpenGL 2.1 or later) current on
    // this thread, with no window. False, with error() naming the library or
    // call that failed, when there is none.
    bool Create();
    const std::string& error() const { return error_; }

    const GLApi& gl() const { return *gl_; }
    // Waits until the context has done everything asked of it (for timing).
    void Finish() const;
    std::string vendor() const;
    std::string renderer() const;
    std::string version() const;
    // The extension table in the module's layout, filled from this context.
    const ExtensionTable& extensionTable() const { return table_; }

private:
    void* egl_ = nullptr;
    void* display_ = nullptr;
    void* context_ = nullptr;
    std::unique_ptr<GLApi> gl_;
    ExtensionTable table_{};
    std::string error_;
};

class GLDevice;
class GLTexture;

// IGPUHost over a GLContext. Compiled programs are kept by their source
// text for the life of the host, since the module builds them every frame;
// so are a few released render targets, since it asks for the same ones
// every frame and allocating GPU memory each time costs more than drawing.
class GLHost final : public IGPUHost {
public:
    explicit GLHost(GLContext& context);
    GLHost(const GLHost&) = delete;
    GLHost& operator=(const GLHost&) = delete;
    ~GLHost();

    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    void Reserved8() override {}
    // Formats 0, 1, 8, 9: 8-bit channels; 3, 4: float channels.
    Bool8 CreateRenderTarget(IGLDevice* device, GPUFrame* out, void* reserved, int32_t width, int32_t height,
                             uint32_t format, uint32_t, uint32_t, uint32_t) override;
    void Reserved10() override {}
    void Reserved11() override {}
    // Plain GLSL only (text lengths and values 0); anything else is refused.
    Bool8 CreateProgram(IGLDevice* device, IGPUProgram** out, const uint8_t* vertexData,
                        const uint8_t* fragmentData, const uint8_t* thirdData, uint32_t vertexLength,
                        uint32_t fragmentLength, uint32_t thirdLength, uint32_t vertexTextLength,
                        uint32_t fragmentTextLength, uint32_t thirdTextLength, uint64_t vertexValue,
                        uint64_t fragmentValue, uint64_t thirdValue) override;
    void Reserved13() override {}
    void ReleaseRenderTarget(GPUFrame* target) override;
    void Reserved15() override {}
    void ReleaseProgram(IGPUProgram* program) override;
    // The scene flag adds a depth buffer; samples are clamped to
    // GL_MAX_SAMPLES. Null binds the host's own target (hostFramebuffer()).
    Bool8 SetRenderTarget(IGLDevice* device, GPUFrame* target, int32_t samples, uint8_t sceneFlag,
                          uint8_t zero) override;
    void ResolveRenderTarget(IGLDevice* device, GPUFrame* target) override;
    void Reserved19() override {}
    // Runs the transition's preparation entry with this host.
    Bool8 TestEffect(IVideoGPUEffect* transition, uint32_t* record) override;
    void Reserved21() override {}
    void Reserved22() override {}
    void Reserved23() override {}
    // Kind 7: the GL vendor, renderer and version, one per line.
    uint32_t GetInfoText(uint32_t kind, char16_t* buffer, uint32_t length) override;

    GLDevice& device() { return *device_; }
    GLContext& context() { return context_; }

    // Host frames (formats 0, 1, 3, 4; top-down or bottom-up, any stride) to
    // and from textures of that format. The texture keeps GL's bottom-up rows;
    // a top-down frame becomes a GPUFrame marked flipped.
    bool Upload(const FrameDesc& frame, GPUFrame* out);
    bool Download(const GPUFrame& frame, FrameDesc& out);

    // Programs compiled so far (each source pair once) and the log of the
    // last one that failed.
    size_t compiledPrograms() const { return programs_.size(); }
    const std::string& lastProgramLog() const { return lastLog_; }
    // Programs and render targets handed out and not yet given back.
    int liveObjects() const { return live_; }

    void setHostFramebuffer(uint32_t fbo) { hostFramebuffer_ = fbo; }

    struct CompiledProgram {
        uint32_t id = 0;
        bool linked = false;
        std::vector<std::string> uniforms;
        std::map<std::string, int32_t> locations;
        std::map<std::string, int32_t> units; // sampler name -> texture unit
    };

private:
    friend class GLTexture;
    friend class GLProgramObject;
    GLContext& context_;
    std::unique_ptr<GLDevice> device_;
    std::map<std::string, std::unique_ptr<CompiledProgram>> programs_;
    std::string lastLog_;
    std::vector<GLTexture*> spareTargets_; // released, held for the next request of their size
    uint32_t hostFramebuffer_ = 0;
    int live_ = 0;
    uint32_t refs_ = 1;
};

// IGLDevice over a GLContext.
class GLDevice final : public IGLDevice {
public:
    explicit GLDevice(GLContext& context) : context_(context) {}
    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override { return 2; } // owned by its GLHost
    uint32_t Release() override { return 1; }
    void Reserved3() override {}
    void Reserved4() override {}
    const void* GetExtensionTable() override { return &context_.extensionTable(); }
    void GetIntegerv(uint32_t name, int32_t* out, uint32_t count) override;
    void GetFloatv(uint32_t name, float* out, uint32_t count) override;
    Bool8 Enable(uint32_t cap) override;
    void Disable(uint32_t cap) override;
    void BlendColor(float r, float g, float b, float a) override;
    void BlendEquationSeparate(uint32_t rgb, uint32_t alpha) override;
    void BlendFuncSeparate(uint32_t srcRGB, uint32_t dstRGB, uint32_t srcAlpha, uint32_t dstAlpha) override;
    // Before the output copy: no depth test, no culling, no blending.
    void SetOutputState(uint32_t value) override;

private:
    GLContext& context_;
};

// An IEffectContext for the GPU entries: offers the GLHost as IGPUHost and
// answers parameter reads from `values` (another context), if given.
class GPUEffectContext final : public IEffectContext {
public:
    GPUEffectContext(GLHost& host, IEffectContext* values) : host_(host), values_(values) {}
    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override { return --refs_; }
    Bool8 GetParamValue(uint32_t index, ParamValue* out, uint32_t type) override;
    uint32_t outstandingReferences() const { return refs_ - 1; }

private:
    GLHost& host_;
    IEffectContext* values_;
    uint32_t refs_ = 1;
};

} // namespace svt::host
