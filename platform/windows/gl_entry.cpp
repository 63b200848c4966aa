// GL 1.x from opengl32.dll and gluLookAt from glu32.dll, looked up at the
// first call; extension entry points through wglGetProcAddress, which answers
// only while the calling thread has a current context (the host's).
#include <windows.h>

#include <mutex>

#include "platform/gl_entry.h"
#include "platform/platform.h"

namespace svt::platform {

namespace {

GLFunctions g_gl{};
bool g_glLoaded = false;
HMODULE g_opengl = nullptr;

void LoadSystemGL() {
    // NOTE: the libraries stay loaded for the life of the process, as on
    // Linux: unloading GL under a live context is not safe.
    HMODULE gl = LoadLibraryW(L"opengl32.dll");
    HMODULE glu = LoadLibraryW(L"glu32.dll");
    if (!gl || !glu) return;
    g_opengl = gl;
    if (!FindGLFunctions(gl, glu, &g_gl)) return;
    g_glLoaded = true;
}

std::once_flag g_once;

} // namespace

const GLFunctions* SystemGL() {
    std::call_once(g_once, LoadSystemGL);
    return g_glLoaded ? &g_gl : nullptr;
}

void* GLProcAddress(const char* name) {
    if (!name) return nullptr;
    std::call_once(g_once, LoadSystemGL);
    if (!g_opengl) return nullptr;
    using CurrentFn = HGLRC(WINAPI*)();
    using LookupFn = PROC(WINAPI*)(LPCSTR);
    const auto current = reinterpret_cast<CurrentFn>(FindExport(g_opengl, "wglGetCurrentContext"));
    const auto lookup = reinterpret_cast<LookupFn>(FindExport(g_opengl, "wglGetProcAddress"));
    if (!current || !lookup) return nullptr;
    if (!current()) return nullptr;
    // Some drivers answer small integers instead of null for a missing name.
    void* entry = reinterpret_cast<void*>(lookup(name));
    const auto value = reinterpret_cast<uintptr_t>(entry);
    return value <= 3 || value == uintptr_t(-1) ? nullptr : entry;
}

} // namespace svt::platform
