#include "host/gl_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <cstring>

namespace svt::host {

// GL and EGL entry points ____________________________________________________

using GLenum = uint32_t;
using GLuint = uint32_t;
using GLint = int32_t;
using GLsizei = int32_t;

namespace {
constexpr GLenum kVendor = 0x1F00, kRenderer = 0x1F01, kVersion = 0x1F02, kExtensions = 0x1F03;
constexpr GLenum kTexture2D = 0x0DE1, kTextureBinding2D = 0x8069, kTexture0 = 0x84C0, kActiveTexture = 0x84E0;
constexpr GLenum kTexMinFilter = 0x2801, kTexMagFilter = 0x2800, kTexWrapS = 0x2802, kTexWrapT = 0x2803;
constexpr GLenum kClampToEdge = 0x812F, kNearest = 0x2600;
constexpr GLenum kRGBA8 = 0x8058, kRGBA32F = 0x8814, kBGRA = 0x80E1, kUnsignedByte = 0x1401, kFloat = 0x1406;
constexpr GLenum kFramebuffer = 0x8D40, kReadFramebuffer = 0x8CA8, kDrawFramebuffer = 0x8CA9;
constexpr GLenum kRenderbuffer = 0x8D41, kColorAttachment0 = 0x8CE0, kDepthAttachment = 0x8D00;
constexpr GLenum kDepthComponent24 = 0x81A6, kFramebufferComplete = 0x8CD5, kMaxSamples = 0x8D57;
constexpr GLenum kColorBufferBit = 0x4000, kPackAlignment = 0x0D05, kUnpackAlignment = 0x0CF5;
constexpr GLenum kVertexShader = 0x8B31, kFragmentShader = 0x8B30, kCompileStatus = 0x8B81;
constexpr GLenum kLinkStatus = 0x8B82, kInfoLogLength = 0x8B84, kActiveUniforms = 0x8B86;
constexpr GLenum kSampler2D = 0x8B5E, kDepthTest = 0x0B71, kCullFace = 0x0B44, kBlend = 0x0BE2;
constexpr GLenum kFramebufferBinding = 0x8CA6, kCurrentProgram = 0x8B8D;
} // namespace

struct GLApi {
    const uint8_t* (*GetString)(GLenum);
    GLenum (*GetError)();
    void (*GetIntegerv)(GLenum, GLint*);
    void (*GetFloatv)(GLenum, float*);
    void (*Enable)(GLenum);
    void (*Disable)(GLenum);
    uint8_t (*IsEnabled)(GLenum);
    void (*BlendColor)(float, float, float, float);
    void (*BlendEquationSeparate)(GLenum, GLenum);
    void (*BlendFuncSeparate)(GLenum, GLenum, GLenum, GLenum);
    void (*GenTextures)(GLsizei, GLuint*);
    void (*DeleteTextures)(GLsizei, const GLuint*);
    void (*BindTexture)(GLenum, GLuint);
    void (*ActiveTexture)(GLenum);
    void (*TexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    void (*TexParameteri)(GLenum, GLenum, GLint);
    void (*GetTexImage)(GLenum, GLint, GLenum, GLenum, void*);
    void (*PixelStorei)(GLenum, GLint);
    void (*Viewport)(GLint, GLint, GLsizei, GLsizei);
    void (*Finish)();
    void (*GenFramebuffers)(GLsizei, GLuint*);
    void (*DeleteFramebuffers)(GLsizei, const GLuint*);
    void (*BindFramebuffer)(GLenum, GLuint);
    void (*FramebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint);
    void (*FramebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint);
    GLenum (*CheckFramebufferStatus)(GLenum);
    void (*GenRenderbuffers)(GLsizei, GLuint*);
    void (*DeleteRenderbuffers)(GLsizei, const GLuint*);
    void (*BindRenderbuffer)(GLenum, GLuint);
    void (*RenderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei);
    void (*RenderbufferStorageMultisample)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
    void (*BlitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, uint32_t, GLenum);
    GLuint (*CreateShader)(GLenum);
    void (*ShaderSource)(GLuint, GLsizei, const char* const*, const GLint*);
    void (*CompileShader)(GLuint);
    void (*GetShaderiv)(GLuint, GLenum, GLint*);
    void (*GetShaderInfoLog)(GLuint, GLsizei, GLsizei*, char*);
    void (*DeleteShader)(GLuint);
    GLuint (*CreateProgram)();
    void (*AttachShader)(GLuint, GLuint);
    void (*LinkProgram)(GLuint);
    void (*GetProgramiv)(GLuint, GLenum, GLint*);
    void (*GetProgramInfoLog)(GLuint, GLsizei, GLsizei*, char*);
    void (*DeleteProgram)(GLuint);
    void (*UseProgram)(GLuint);
    void (*GetActiveUniform)(GLuint, GLuint, GLsizei, GLsizei*, GLint*, GLenum*, char*);
    GLint (*GetUniformLocation)(GLuint, const char*);
    void (*Uniform1i)(GLint, GLint);
    void (*Uniform1f)(GLint, float);
    void (*Uniform2f)(GLint, float, float);
    void (*Uniform4f)(GLint, float, float, float, float);
};

namespace {

// EGL, spelled out here so that no EGL header or library is needed to build.
using EGLDisplay = void*;
using EGLContext = void*;
using EGLConfig = void*;
using EGLint = int32_t;
constexpr EGLint kEglNone = 0x3038, kEglRenderableType = 0x3040, kEglOpenGLBit = 0x0008;
constexpr EGLint kEglOpenGLApi = 0x30A2, kEglExtensions = 0x3055, kEglPlatformSurfaceless = 0x31DD;

struct EglApi {
    void* (*GetProcAddress)(const char*);
    EGLDisplay (*GetDisplay)(void*);
    EGLDisplay (*GetPlatformDisplayEXT)(EGLint, void*, const EGLint*);
    unsigned (*Initialize)(EGLDisplay, EGLint*, EGLint*);
    unsigned (*BindAPI)(EGLint);
    unsigned (*ChooseConfig)(EGLDisplay, const EGLint*, EGLConfig*, EGLint, EGLint*);
    EGLContext (*CreateContext)(EGLDisplay, EGLConfig, EGLContext, const EGLint*);
    unsigned (*MakeCurrent)(EGLDisplay, void*, void*, EGLContext);
    unsigned (*DestroyContext)(EGLDisplay, EGLContext);
    unsigned (*Terminate)(EGLDisplay);
    const char* (*QueryString)(EGLDisplay, EGLint);
    EGLint (*GetError)();
};

template <typename F> bool Sym(void* lib, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(lib, name));
    return out != nullptr;
}

bool Listed(const char* list, const char* name) {
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
        if ((at == list || at[-1] == ' ') && (at[n] == '\0' || at[n] == ' ')) return true;
    return false;
}

char Hex(EGLint e) { return "0123456789ABCDEF"[e & 15]; }
std::string EglCode(EGLint e) {
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) s += Hex(e >> shift);
    return s;
}

} // namespace

// GLContext ___________________________________________________________________

GLContext::GLContext() = default;

GLContext::~GLContext() {
    if (egl_) {
        EglApi e{};
        Sym(egl_, "eglMakeCurrent", e.MakeCurrent);
        Sym(egl_, "eglDestroyContext", e.DestroyContext);
        if (display_) {
            if (e.MakeCurrent) e.MakeCurrent(display_, nullptr, nullptr, nullptr);
            if (context_ && e.DestroyContext) e.DestroyContext(display_, context_);
        }
        // NOTE: the display stays initialised and libEGL loaded for the life
        // of the process. A display is one per process and the next context
        // reuses it; terminating it unloads Mesa's driver, whose remaining
        // allocations then show up as leaks of an unknown module.
    }
}

bool GLContext::Create() {
    egl_ = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!egl_) {
        error_ = "no OpenGL context: libEGL.so.1 cannot be loaded";
        return false;
    }
    EglApi e{};
    if (!Sym(egl_, "eglGetProcAddress", e.GetProcAddress) || !Sym(egl_, "eglGetDisplay", e.GetDisplay) ||
        !Sym(egl_, "eglInitialize", e.Initialize) || !Sym(egl_, "eglBindAPI", e.BindAPI) ||
        !Sym(egl_, "eglChooseConfig", e.ChooseConfig) || !Sym(egl_, "eglCreateContext", e.CreateContext) ||
        !Sym(egl_, "eglMakeCurrent", e.MakeCurrent) || !Sym(egl_, "eglQueryString", e.QueryString) ||
        !Sym(egl_, "eglGetError", e.GetError)) {
        error_ = "no OpenGL context: libEGL.so.1 lacks the EGL 1.4 calls";
        return false;
    }
    // A window-less display: Mesa's surfaceless platform, else the default.
    const char* clientExtensions = e.QueryString(nullptr, kEglExtensions);
    if (Listed(clientExtensions, "EGL_MESA_platform_surfaceless") &&
        Listed(clientExtensions, "EGL_EXT_platform_base")) {
        e.GetPlatformDisplayEXT =
            reinterpret_cast<decltype(e.GetPlatformDisplayEXT)>(e.GetProcAddress("eglGetPlatformDisplayEXT"));
        if (e.GetPlatformDisplayEXT) display_ = e.GetPlatformDisplayEXT(kEglPlatformSurfaceless, nullptr, nullptr);
    }
    if (!display_) display_ = e.GetDisplay(nullptr);
    EGLint major = 0, minor = 0;
    if (!display_ || !e.Initialize(display_, &major, &minor)) {
        error_ = "no OpenGL context: eglInitialize failed (EGL error " + EglCode(e.GetError()) + ")";
        display_ = nullptr;
        return false;
    }
    if (!e.BindAPI(kEglOpenGLApi)) {
        error_ = "no OpenGL context: the EGL display offers no desktop OpenGL";
        return false;
    }
    const char* displayExtensions = e.QueryString(display_, kEglExtensions);
    EGLConfig config = nullptr;
    const EGLint configAttributes[] = {kEglRenderableType, kEglOpenGLBit, kEglNone};
    EGLint configs = 0;
    if (!e.ChooseConfig(display_, configAttributes, &config, 1, &configs) || configs < 1) {
        config = nullptr; // EGL_NO_CONFIG_KHR
        if (!Listed(displayExtensions, "EGL_KHR_no_config_context")) {
            error_ = "no OpenGL context: eglChooseConfig found no OpenGL configuration";
            return false;
        }
    }
    // No attributes: a compatibility-profile context of the highest version
    // the driver offers, so that GL 1.x calls and GLSL 1.10 both work.
    const EGLint contextAttributes[] = {kEglNone};
    context_ = e.CreateContext(display_, config, nullptr, contextAttributes);
    if (!context_) {
        error_ = "no OpenGL context: eglCreateContext failed (EGL error " + EglCode(e.GetError()) + ")";
        return false;
    }
    if (!e.MakeCurrent(display_, nullptr, nullptr, context_)) {
        error_ = "no OpenGL context: eglMakeCurrent without a surface failed (EGL error " + EglCode(e.GetError()) + ")";
        return false;
    }

    auto g = std::make_unique<GLApi>();
    bool ok = true;
    auto get = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(e.GetProcAddress(name));
        if (!fn) {
            if (ok) error_ = std::string("no usable OpenGL: the context lacks ") + name;
            ok = false;
        }
    };
    get(g->GetString, "glGetString");
    get(g->GetError, "glGetError");
    get(g->GetIntegerv, "glGetIntegerv");
    get(g->GetFloatv, "glGetFloatv");
    get(g->Enable, "glEnable");
    get(g->Disable, "glDisable");
    get(g->IsEnabled, "glIsEnabled");
    get(g->BlendColor, "glBlendColor");
    get(g->BlendEquationSeparate, "glBlendEquationSeparate");
    get(g->BlendFuncSeparate, "glBlendFuncSeparate");
    get(g->GenTextures, "glGenTextures");
    get(g->DeleteTextures, "glDeleteTextures");
    get(g->BindTexture, "glBindTexture");
    get(g->ActiveTexture, "glActiveTexture");
    get(g->TexImage2D, "glTexImage2D");
    get(g->TexParameteri, "glTexParameteri");
    get(g->GetTexImage, "glGetTexImage");
    get(g->PixelStorei, "glPixelStorei");
    get(g->Viewport, "glViewport");
    get(g->Finish, "glFinish");
    get(g->GenFramebuffers, "glGenFramebuffers");
    get(g->DeleteFramebuffers, "glDeleteFramebuffers");
    get(g->BindFramebuffer, "glBindFramebuffer");
    get(g->FramebufferTexture2D, "glFramebufferTexture2D");
    get(g->FramebufferRenderbuffer, "glFramebufferRenderbuffer");
    get(g->CheckFramebufferStatus, "glCheckFramebufferStatus");
    get(g->GenRenderbuffers, "glGenRenderbuffers");
    get(g->DeleteRenderbuffers, "glDeleteRenderbuffers");
    get(g->BindRenderbuffer, "glBindRenderbuffer");
    get(g->RenderbufferStorage, "glRenderbufferStorage");
    get(g->RenderbufferStorageMultisample, "glRenderbufferStorageMultisample");
    get(g->BlitFramebuffer, "glBlitFramebuffer");
    get(g->CreateShader, "glCreateShader");
    get(g->ShaderSource, "glShaderSource");
    get(g->CompileShader, "glCompileShader");
    get(g->GetShaderiv, "glGetShaderiv");
    get(g->GetShaderInfoLog, "glGetShaderInfoLog");
    get(g->DeleteShader, "glDeleteShader");
    get(g->CreateProgram, "glCreateProgram");
    get(g->AttachShader, "glAttachShader");
    get(g->LinkProgram, "glLinkProgram");
    get(g->GetProgramiv, "glGetProgramiv");
    get(g->GetProgramInfoLog, "glGetProgramInfoLog");
    get(g->DeleteProgram, "glDeleteProgram");
    get(g->UseProgram, "glUseProgram");
    get(g->GetActiveUniform, "glGetActiveUniform");
    get(g->GetUniformLocation, "glGetUniformLocation");
    get(g->Uniform1i, "glUniform1i");
    get(g->Uniform1f, "glUniform1f");
    get(g->Uniform2f, "glUniform2f");
    get(g->Uniform4f, "glUniform4f");
    if (!ok) return false;
    gl_ = std::move(g);

    const char* version = reinterpret_cast<const char*>(gl_->GetString(kVersion));
    int vMajor = 0, vMinor = 0;
    if (!version || std::sscanf(version, "%d.%d", &vMajor, &vMinor) != 2 || vMajor * 10 + vMinor < 21) {
        error_ = std::string("no usable OpenGL: version ") + (version ? version : "(none)") + ", 2.1 needed";
        gl_.reset();
        return false;
    }
    // The extension table in the module's layout: every entry point the
    // context resolves, a flag for every extension it lists.
    const char* extensions = reinterpret_cast<const char*>(gl_->GetString(kExtensions));
    for (int i = 0; i < kExtensionEntryCount; ++i) table_.entries[i] = e.GetProcAddress(kExtensionEntryNames[i]);
    for (int i = 0; i < kExtensionFlagCount; ++i) table_.flags[i] = Listed(extensions, kExtensionFlagNames[i]) ? 1 : 0;
    return true;
}

void GLContext::Finish() const {
    if (gl_) gl_->Finish();
}

std::string GLContext::vendor() const {
    const uint8_t* s = gl_ ? gl_->GetString(kVendor) : nullptr;
    return s ? reinterpret_cast<const char*>(s) : "";
}
std::string GLContext::renderer() const {
    const uint8_t* s = gl_ ? gl_->GetString(kRenderer) : nullptr;
    return s ? reinterpret_cast<const char*>(s) : "";
}
std::string GLContext::version() const {
    const uint8_t* s = gl_ ? gl_->GetString(kVersion) : nullptr;
    return s ? reinterpret_cast<const char*>(s) : "";
}

// Textures and render targets __________________________________________________

class GLTexture final : public IGPUTexture {
public:
    GLTexture(GLHost& host, const GLApi& gl) : host_(host), gl_(gl) {}
    Result QueryInterface(const GUID* iid, void** out) override {
        if (!out) return kNullOutPointer;
        *out = nullptr;
        if (!iid || !(*iid == IID_IUnknown)) return kNoInterface;
        *out = static_cast<IGPUTexture*>(this);
        AddRef();
        return kOk;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        const uint32_t n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    bool HeldOnlyByHost() const { return refs_ == 1; }
    void Reserved3() override {}
    void SetFilter(uint32_t filter) override {
        GLint previous = 0;
        gl_.GetIntegerv(kTextureBinding2D, &previous);
        gl_.BindTexture(kTexture2D, texture);
        gl_.TexParameteri(kTexture2D, kTexMinFilter, GLint(filter));
        gl_.TexParameteri(kTexture2D, kTexMagFilter, GLint(filter));
        gl_.BindTexture(kTexture2D, GLuint(previous));
    }

    bool Allocate(int32_t w, int32_t h, bool floats) {
        width = w;
        height = h;
        internalFormat = floats ? kRGBA32F : kRGBA8;
        gl_.GenTextures(1, &texture);
        GLint previous = 0;
        gl_.GetIntegerv(kTextureBinding2D, &previous);
        gl_.BindTexture(kTexture2D, texture);
        gl_.TexParameteri(kTexture2D, kTexMinFilter, GLint(kNearest));
        gl_.TexParameteri(kTexture2D, kTexMagFilter, GLint(kNearest));
        gl_.TexParameteri(kTexture2D, kTexWrapS, GLint(kClampToEdge));
        gl_.TexParameteri(kTexture2D, kTexWrapT, GLint(kClampToEdge));
        while (gl_.GetError() != 0) {}
        gl_.TexImage2D(kTexture2D, 0, GLint(internalFormat), w, h, 0, kBGRA, floats ? kFloat : kUnsignedByte,
                       nullptr);
        const bool ok = gl_.GetError() == 0;
        gl_.BindTexture(kTexture2D, GLuint(previous));
        return ok;
    }
    // The framebuffer drawing into the texture; with `depth`, a depth buffer too.
    bool BindSingle(bool depth) {
        if (!fbo) {
            gl_.GenFramebuffers(1, &fbo);
            gl_.BindFramebuffer(kFramebuffer, fbo);
            gl_.FramebufferTexture2D(kFramebuffer, kColorAttachment0, kTexture2D, texture, 0);
        } else {
            gl_.BindFramebuffer(kFramebuffer, fbo);
        }
        if (depth && !depthBuffer) {
            gl_.GenRenderbuffers(1, &depthBuffer);
            gl_.BindRenderbuffer(kRenderbuffer, depthBuffer);
            gl_.RenderbufferStorage(kRenderbuffer, kDepthComponent24, width, height);
            gl_.FramebufferRenderbuffer(kFramebuffer, kDepthAttachment, kRenderbuffer, depthBuffer);
        }
        return gl_.CheckFramebufferStatus(kFramebuffer) == kFramebufferComplete;
    }
    bool BindMultisampled(int32_t samples, bool depth) {
        if (msFbo && (samples != msSamples || (depth && !msDepth))) DropMultisampled();
        if (!msFbo) {
            while (gl_.GetError() != 0) {}
            gl_.GenFramebuffers(1, &msFbo);
            gl_.BindFramebuffer(kFramebuffer, msFbo);
            gl_.GenRenderbuffers(1, &msColor);
            gl_.BindRenderbuffer(kRenderbuffer, msColor);
            gl_.RenderbufferStorageMultisample(kRenderbuffer, samples, internalFormat, width, height);
            gl_.FramebufferRenderbuffer(kFramebuffer, kColorAttachment0, kRenderbuffer, msColor);
            if (depth) {
                gl_.GenRenderbuffers(1, &msDepth);
                gl_.BindRenderbuffer(kRenderbuffer, msDepth);
                gl_.RenderbufferStorageMultisample(kRenderbuffer, samples, kDepthComponent24, width, height);
                gl_.FramebufferRenderbuffer(kFramebuffer, kDepthAttachment, kRenderbuffer, msDepth);
            }
            msSamples = samples;
        } else {
            gl_.BindFramebuffer(kFramebuffer, msFbo);
        }
        const bool ok = gl_.GetError() == 0 && gl_.CheckFramebufferStatus(kFramebuffer) == kFramebufferComplete;
        if (!ok) DropMultisampled();
        return ok;
    }
    void DropMultisampled() {
        if (msFbo) gl_.DeleteFramebuffers(1, &msFbo);
        if (msColor) gl_.DeleteRenderbuffers(1, &msColor);
        if (msDepth) gl_.DeleteRenderbuffers(1, &msDepth);
        msFbo = msColor = msDepth = 0;
        msSamples = 0;
    }
    void Resolve() {
        if (!msFbo || !BindSingle(false)) return;
        gl_.BindFramebuffer(kReadFramebuffer, msFbo);
        gl_.BindFramebuffer(kDrawFramebuffer, fbo);
        gl_.BlitFramebuffer(0, 0, width, height, 0, 0, width, height, kColorBufferBit, kNearest);
    }

    GLuint texture = 0, fbo = 0, depthBuffer = 0, msFbo = 0, msColor = 0, msDepth = 0;
    int32_t width = 0, height = 0, msSamples = 0;
    GLenum internalFormat = kRGBA8;

private:
    ~GLTexture() {
        DropMultisampled();
        if (fbo) gl_.DeleteFramebuffers(1, &fbo);
        if (depthBuffer) gl_.DeleteRenderbuffers(1, &depthBuffer);
        if (texture) gl_.DeleteTextures(1, &texture);
    }
    GLHost& host_;
    const GLApi& gl_;
    uint32_t refs_ = 1;
};

// Programs ___________________________________________________________________

class GLProgramObject final : public IGPUProgram {
public:
    GLProgramObject(GLHost& host, const GLHost::CompiledProgram& program) : host_(host), p_(program) {}
    Result QueryInterface(const GUID* iid, void** out) override {
        if (!out) return kNullOutPointer;
        *out = nullptr;
        if (!iid || !(*iid == IID_IUnknown)) return kNoInterface;
        *out = static_cast<IGPUProgram*>(this);
        AddRef();
        return kOk;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        const uint32_t n = --refs_;
        if (n == 0) {
            --host_.live_;
            delete this;
        }
        return n;
    }
    void Use() override { gl().UseProgram(p_.id); }
    Bool8 SetInt(const char* name, int32_t v) override {
        const GLint at = Location(name);
        if (at < 0) return 0;
        gl().Uniform1i(at, v);
        return 1;
    }
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    Bool8 SetFloat(const char* name, float v) override {
        const GLint at = Location(name);
        if (at < 0) return 0;
        gl().Uniform1f(at, v);
        return 1;
    }
    Bool8 SetFloat2(const char* name, float x, float y) override {
        const GLint at = Location(name);
        if (at < 0) return 0;
        gl().Uniform2f(at, x, y);
        return 1;
    }
    void Reserved10() override {}
    Bool8 SetFloat4(const char* name, float x, float y, float z, float w) override {
        const GLint at = Location(name);
        if (at < 0) return 0;
        gl().Uniform4f(at, x, y, z, w);
        return 1;
    }
    void Reserved12() override {}
    void Reserved13() override {}
    void Reserved14() override {}
    // Each sampler keeps its own texture unit; binding leaves unit 0 active.
    Bool8 SetTexture(const char* name, IGPUTexture* texture) override {
        const GLint at = Location(name);
        auto unit = p_.units.find(name ? name : "");
        if (at < 0 || unit == p_.units.end() || !texture) return 0;
        gl().ActiveTexture(kTexture0 + GLenum(unit->second));
        gl().BindTexture(kTexture2D, static_cast<GLTexture*>(texture)->texture);
        gl().ActiveTexture(kTexture0);
        gl().Uniform1i(at, unit->second);
        return 1;
    }
    uint32_t GetUniformNames(uint8_t* buffer) override {
        const uint32_t n = uint32_t(p_.uniforms.size());
        if (buffer) {
            for (uint32_t i = 0; i < n; ++i) {
                uint8_t* record = buffer + size_t(i) * kUniformRecordBytes;
                std::memset(record, 0, kUniformRecordBytes);
                const std::string& name = p_.uniforms[i];
                std::memcpy(record, name.data(), std::min<size_t>(name.size(), kUniformRecordBytes - 1));
            }
        }
        return n;
    }
    void Reserved17() override {}
    void Reserved18() override {}
    Bool8 IsValid() override { return p_.linked ? 1 : 0; }

private:
    const GLApi& gl() const { return host_.context().gl(); }
    // Makes the program current first: the setters act on it alone.
    GLint Location(const char* name) {
        if (!name) return -1;
        auto it = p_.locations.find(name);
        if (it == p_.locations.end()) return -1;
        GLint current = 0;
        gl().GetIntegerv(kCurrentProgram, &current);
        if (GLuint(current) != p_.id) gl().UseProgram(p_.id);
        return it->second;
    }
    GLHost& host_;
    const GLHost::CompiledProgram& p_;
    uint32_t refs_ = 1;
};

// GLHost ____________________________________________________________________

GLHost::GLHost(GLContext& context) : context_(context), device_(std::make_unique<GLDevice>(context)) {}

GLHost::~GLHost() {
    for (GLTexture* t : spareTargets_) t->Release();
    for (auto& [key, p] : programs_)
        if (p->id) context_.gl().DeleteProgram(p->id);
}

Result GLHost::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid || !(*iid == IID_IUnknown || *iid == IID_IGPUHost)) return kNoInterface;
    *out = static_cast<IGPUHost*>(this);
    AddRef();
    return kOk;
}
uint32_t GLHost::AddRef() { return ++refs_; }
uint32_t GLHost::Release() { return --refs_; } // owned by the caller that made it

Bool8 GLHost::CreateRenderTarget(IGLDevice*, GPUFrame* out, void*, int32_t width, int32_t height, uint32_t format,
                                 uint32_t, uint32_t, uint32_t) {
    if (!out || width < 1 || height < 1 || width > 16384 || height > 16384) return 0;
    bool floats;
    switch (format) {
    case 0: case 1: case 8: case 9: floats = false; break;
    case 3: case 4: floats = true; break;
    default: return 0;
    }
    const GLenum internal = floats ? kRGBA32F : kRGBA8;
    GLTexture* t = nullptr;
    for (auto it = spareTargets_.begin(); it != spareTargets_.end(); ++it)
        if ((*it)->width == width && (*it)->height == height && (*it)->internalFormat == internal) {
            t = *it;
            spareTargets_.erase(it);
            t->SetFilter(kNearest); // as a new one; its pixels are as undefined as a new one's
            break;
        }
    if (!t) {
        t = new GLTexture(*this, context_.gl());
        if (!t->Allocate(width, height, floats)) {
            t->Release();
            return 0;
        }
    }
    ++live_;
    *out = GPUFrame{};
    out->texture = t;
    out->format = format;
    out->textureWidth = out->width = width;
    out->textureHeight = out->height = height;
    return 1;
}

void GLHost::ReleaseRenderTarget(GPUFrame* target) {
    if (!target || !target->texture) return;
    --live_;
    // Only a target nobody else holds can be handed out again.
    auto* t = static_cast<GLTexture*>(target->texture);
    constexpr size_t kSpares = 16; // the scene, glow and border targets of a frame, with room
    if (!t->HeldOnlyByHost()) {
        t->Release();
    } else {
        if (spareTargets_.size() == kSpares) {
            spareTargets_.front()->Release(); // the longest unused
            spareTargets_.erase(spareTargets_.begin());
        }
        spareTargets_.push_back(t);
    }
    target->texture = nullptr;
}

Bool8 GLHost::CreateProgram(IGLDevice*, IGPUProgram** out, const uint8_t* vertexData, const uint8_t* fragmentData,
                            const uint8_t* thirdData, uint32_t vertexLength, uint32_t fragmentLength,
                            uint32_t thirdLength, uint32_t vertexTextLength, uint32_t fragmentTextLength,
                            uint32_t thirdTextLength, uint64_t vertexValue, uint64_t fragmentValue,
                            uint64_t thirdValue) {
    if (!out) return 0;
    *out = nullptr;
    if (!vertexData || !fragmentData || vertexLength == 0 || fragmentLength == 0) return 0;
    if (vertexTextLength || fragmentTextLength || vertexValue || fragmentValue) return 0; // not plain GLSL
    if (thirdData || thirdLength || thirdTextLength || thirdValue) return 0;
    const std::string vertex(reinterpret_cast<const char*>(vertexData), vertexLength);
    const std::string fragment(reinterpret_cast<const char*>(fragmentData), fragmentLength);
    std::string key = vertex;
    key.push_back('\0');
    key += fragment;
    auto found = programs_.find(key);
    if (found == programs_.end()) {
        const GLApi& g = context_.gl();
        auto p = std::make_unique<CompiledProgram>();
        std::string log;
        auto compile = [&](GLenum stage, const std::string& text) -> GLuint {
            const GLuint s = g.CreateShader(stage);
            const char* data = text.data();
            const GLint length = GLint(text.size());
            g.ShaderSource(s, 1, &data, &length);
            g.CompileShader(s);
            GLint ok = 0, size = 0;
            g.GetShaderiv(s, kCompileStatus, &ok);
            if (!ok) {
                g.GetShaderiv(s, kInfoLogLength, &size);
                std::string text(size_t(std::max(size, 1)), '\0');
                g.GetShaderInfoLog(s, size, nullptr, text.data());
                log += (stage == kVertexShader ? "vertex: " : "fragment: ") + std::string(text.c_str());
                g.DeleteShader(s);
                return 0;
            }
            return s;
        };
        const GLuint vs = compile(kVertexShader, vertex);
        const GLuint fs = compile(kFragmentShader, fragment);
        if (vs && fs) {
            p->id = g.CreateProgram();
            g.AttachShader(p->id, vs);
            g.AttachShader(p->id, fs);
            g.LinkProgram(p->id);
            GLint ok = 0;
            g.GetProgramiv(p->id, kLinkStatus, &ok);
            p->linked = ok != 0;
            if (!ok) {
                GLint size = 0;
                g.GetProgramiv(p->id, kInfoLogLength, &size);
                std::string text(size_t(std::max(size, 1)), '\0');
                g.GetProgramInfoLog(p->id, size, nullptr, text.data());
                log += "link: " + std::string(text.c_str());
            }
        }
        if (vs) g.DeleteShader(vs);
        if (fs) g.DeleteShader(fs);
        if (p->linked) {
            GLint count = 0;
            g.GetProgramiv(p->id, kActiveUniforms, &count);
            int32_t nextUnit = 0;
            for (GLint i = 0; i < count; ++i) {
                char name[256] = {};
                GLint size = 0;
                GLenum type = 0;
                g.GetActiveUniform(p->id, GLuint(i), sizeof name, nullptr, &size, &type, name);
                p->uniforms.emplace_back(name);
                p->locations[name] = g.GetUniformLocation(p->id, name);
                if (type == kSampler2D) p->units[name] = nextUnit++;
            }
        } else {
            lastLog_ = log;
        }
        found = programs_.emplace(std::move(key), std::move(p)).first;
    }
    if (!found->second->linked) return 0;
    *out = new GLProgramObject(*this, *found->second);
    ++live_;
    return 1;
}

void GLHost::ReleaseProgram(IGPUProgram* program) {
    if (program) program->Release();
}

Bool8 GLHost::SetRenderTarget(IGLDevice*, GPUFrame* target, int32_t samples, uint8_t sceneFlag, uint8_t) {
    const GLApi& g = context_.gl();
    if (!target) {
        g.BindFramebuffer(kFramebuffer, hostFramebuffer_);
        return 1;
    }
    auto* t = static_cast<GLTexture*>(target->texture);
    if (!t) return 0;
    bool ok;
    if (samples > 0) {
        GLint most = 0;
        g.GetIntegerv(kMaxSamples, &most);
        ok = most > 0 && t->BindMultisampled(std::min(samples, most), sceneFlag != 0);
    } else {
        ok = t->BindSingle(sceneFlag != 0);
    }
    if (!ok) {
        g.BindFramebuffer(kFramebuffer, hostFramebuffer_);
        return 0;
    }
    g.Viewport(0, 0, t->width, t->height);
    return 1;
}

void GLHost::ResolveRenderTarget(IGLDevice*, GPUFrame* target) {
    if (!target || !target->texture) return;
    GLint bound = 0;
    context_.gl().GetIntegerv(kFramebufferBinding, &bound);
    static_cast<GLTexture*>(target->texture)->Resolve();
    context_.gl().BindFramebuffer(kFramebuffer, GLuint(bound));
}

Bool8 GLHost::TestEffect(IVideoGPUEffect* transition, uint32_t* record) {
    if (!transition || !record) return 0;
    GPUEffectContext context(*this, nullptr);
    return transition->PrepareGPU(&context, device_.get(), record, 0);
}

uint32_t GLHost::GetInfoText(uint32_t kind, char16_t* buffer, uint32_t length) {
    if (kind != 7) return 0;
    const std::string text = "OpenGL vendor: " + context_.vendor() + "\r\nOpenGL renderer: " + context_.renderer() +
                             "\r\nOpenGL version: " + context_.version() + "\r\n";
    if (!buffer) return uint32_t(text.size());
    if (length == 0) return 0;
    const uint32_t n = std::min<uint32_t>(uint32_t(text.size()), length - 1);
    for (uint32_t i = 0; i < n; ++i) buffer[i] = char16_t(static_cast<unsigned char>(text[i]));
    buffer[n] = 0;
    return n;
}

// Frames in and out ___________________________________________________________

namespace {

bool FrameUsable(const FrameDesc& f) {
    if (!f.data || f.width < 1 || f.height < 1) return false;
    const int32_t pixel = (f.format == 0 || f.format == 1) ? 4 : (f.format == 3 || f.format == 4) ? 16 : 0;
    if (pixel == 0 || f.pixelSize != pixel) return false;
    const int64_t row = int64_t(f.width) * pixel;
    return f.stride >= row || -int64_t(f.stride) >= row;
}

// Picture row r (0 = top) of the frame.
uint8_t* RowOf(const FrameDesc& f, int32_t r) {
    const int32_t memoryRow = f.topDown ? r : f.height - 1 - r;
    return static_cast<uint8_t*>(f.data) + int64_t(memoryRow) * f.stride;
}

} // namespace

bool GLHost::Upload(const FrameDesc& frame, GPUFrame* out) {
    if (!out || !FrameUsable(frame)) return false;
    GPUFrame made{};
    if (!CreateRenderTarget(device_.get(), &made, nullptr, frame.width, frame.height, frame.format, 0, 0, 0))
        return false;
    // Texture rows keep the frame's memory order, lowest address first, as
    // the module's own views read host frames: a negative stride starts at
    // the last row and turns the row order over. A top-down frame so lands
    // upside down for GL and is marked flipped.
    const bool negative = frame.stride < 0;
    const int64_t stride = negative ? -int64_t(frame.stride) : int64_t(frame.stride);
    const uint8_t* lowest = static_cast<const uint8_t*>(frame.data) +
                            (negative ? int64_t(frame.height - 1) * int64_t(frame.stride) : 0);
    const size_t row = size_t(frame.width) * size_t(frame.pixelSize);
    std::vector<uint8_t> pixels(row * size_t(frame.height));
    for (int32_t r = 0; r < frame.height; ++r) std::memcpy(pixels.data() + row * size_t(r), lowest + r * stride, row);
    const GLApi& g = context_.gl();
    const bool floats = frame.format == 3 || frame.format == 4;
    GLint previous = 0;
    g.GetIntegerv(kTextureBinding2D, &previous);
    g.BindTexture(kTexture2D, static_cast<GLTexture*>(made.texture)->texture);
    g.PixelStorei(kUnpackAlignment, 4);
    g.TexImage2D(kTexture2D, 0, GLint(floats ? kRGBA32F : kRGBA8), frame.width, frame.height, 0, kBGRA,
                 floats ? kFloat : kUnsignedByte, pixels.data());
    g.BindTexture(kTexture2D, GLuint(previous));
    made.flipped = (frame.topDown != 0) != negative ? 1 : 0;
    *out = made;
    return true;
}

bool GLHost::Download(const GPUFrame& frame, FrameDesc& out) {
    auto* t = static_cast<GLTexture*>(frame.texture);
    if (!t || !FrameUsable(out) || out.width != frame.width || out.height != frame.height) return false;
    const bool floats = out.format == 3 || out.format == 4;
    const size_t pixel = floats ? 16 : 4;
    std::vector<uint8_t> pixels(size_t(t->width) * size_t(t->height) * pixel);
    const GLApi& g = context_.gl();
    GLint previous = 0;
    g.GetIntegerv(kTextureBinding2D, &previous);
    g.BindTexture(kTexture2D, t->texture);
    g.PixelStorei(kPackAlignment, 4);
    g.GetTexImage(kTexture2D, 0, kBGRA, floats ? kFloat : kUnsignedByte, pixels.data());
    g.BindTexture(kTexture2D, GLuint(previous));
    const size_t textureRow = size_t(t->width) * pixel, row = size_t(out.width) * pixel;
    for (int32_t r = 0; r < out.height; ++r) {
        // Texture row of picture row r: from the top when the frame is
        // flipped (stored upside down), else from GL's bottom.
        const int32_t texRow = frame.flipped ? frame.y + r : frame.y + frame.height - 1 - r;
        std::memcpy(RowOf(out, r), pixels.data() + textureRow * size_t(texRow) + size_t(frame.x) * pixel, row);
    }
    return true;
}

// GLDevice __________________________________________________________________

Result GLDevice::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid || !(*iid == IID_IUnknown)) return kNoInterface;
    *out = static_cast<IGLDevice*>(this);
    return kOk;
}
void GLDevice::GetIntegerv(uint32_t name, int32_t* out, uint32_t count) {
    if (!out || count == 0) return;
    GLint values[16] = {};
    context_.gl().GetIntegerv(name, values);
    std::copy_n(values, std::min<uint32_t>(count, 16), out);
}
void GLDevice::GetFloatv(uint32_t name, float* out, uint32_t count) {
    if (!out || count == 0) return;
    float values[16] = {};
    context_.gl().GetFloatv(name, values);
    std::copy_n(values, std::min<uint32_t>(count, 16), out);
}
Bool8 GLDevice::Enable(uint32_t cap) {
    const GLApi& g = context_.gl();
    while (g.GetError() != 0) {}
    g.Enable(cap);
    return g.GetError() == 0 && g.IsEnabled(cap);
}
void GLDevice::Disable(uint32_t cap) { context_.gl().Disable(cap); }
void GLDevice::BlendColor(float r, float g, float b, float a) { context_.gl().BlendColor(r, g, b, a); }
void GLDevice::BlendEquationSeparate(uint32_t rgb, uint32_t alpha) { context_.gl().BlendEquationSeparate(rgb, alpha); }
void GLDevice::BlendFuncSeparate(uint32_t srcRGB, uint32_t dstRGB, uint32_t srcAlpha, uint32_t dstAlpha) {
    context_.gl().BlendFuncSeparate(srcRGB, dstRGB, srcAlpha, dstAlpha);
}
void GLDevice::SetOutputState(uint32_t) {
    const GLApi& g = context_.gl();
    g.Disable(kDepthTest);
    g.Disable(kCullFace);
    g.Disable(kBlend);
}

// GPUEffectContext ____________________________________________________________

Result GPUEffectContext::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid) return kNoInterface;
    if (*iid == IID_IGPUHost) return host_.QueryInterface(iid, out);
    if (*iid == IID_IUnknown) {
        *out = static_cast<IEffectContext*>(this);
        AddRef();
        return kOk;
    }
    if (values_) return values_->QueryInterface(iid, out);
    return kNoInterface;
}

Bool8 GPUEffectContext::GetParamValue(uint32_t index, ParamValue* out, uint32_t type) {
    return values_ ? values_->GetParamValue(index, out, type) : 0;
}

} // namespace svt::host
