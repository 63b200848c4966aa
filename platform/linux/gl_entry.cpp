#include "platform/gl_entry.h"

#include <dlfcn.h>

#include <mutex>

namespace svt::platform {

namespace {

void* OpenFirst(const char* const* names) {
    for (; *names; ++names)
        if (void* h = dlopen(*names, RTLD_NOW | RTLD_LOCAL)) return h;
    return nullptr;
}

GLFunctions g_gl{};
bool g_glLoaded = false;

void LoadSystemGL() {
    static const char* const kGL[] = {"libOpenGL.so.0", "libGL.so.1", nullptr};
    static const char* const kGLU[] = {"libGLU.so.1", nullptr};
    // NOTE: the handles stay open for the life of the process: the module
    // may be unloaded and loaded again, and closing GL under a live
    // context is not safe.
    void* gl = OpenFirst(kGL);
    void* glu = OpenFirst(kGLU);
    if (!gl || !glu) return;
    if (!FindGLFunctions(gl, glu, &g_gl)) return;
    g_glLoaded = true;
}

} // namespace

const GLFunctions* SystemGL() {
    static std::once_flag once;
    std::call_once(once, LoadSystemGL);
    return g_glLoaded ? &g_gl : nullptr;
}

void* GLProcAddress(const char* name) {
    using EglProc = void* (*)(const char*);
    using EglCurrent = void* (*)();
    // An EGL context is current only when the host made one; the library
    // opened by the host is found without loading anything new.
    if (void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) {
        auto current = reinterpret_cast<EglCurrent>(dlsym(egl, "eglGetCurrentContext"));
        auto lookup = reinterpret_cast<EglProc>(dlsym(egl, "eglGetProcAddress"));
        void* result = nullptr;
        const bool useEgl = current && lookup && current() != nullptr;
        if (useEgl) result = lookup(name);
        dlclose(egl);
        if (useEgl) return result;
    }
    static const char* const kGLX[] = {"libGLX.so.0", "libGL.so.1", nullptr};
    static void* glx = OpenFirst(kGLX);
    if (!glx) return nullptr;
    static auto lookup = reinterpret_cast<EglProc>(dlsym(glx, "glXGetProcAddressARB"));
    return lookup ? lookup(name) : nullptr;
}

} // namespace svt::platform
