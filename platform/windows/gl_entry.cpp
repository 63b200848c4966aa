// GL 1.x from opengl32.dll and gluLookAt from glu32.dll, looked up at the
// first call; extension entry points through wglGetProcAddress, which answers
// only while the calling thread has a current context (the host's).
#include <windows.h>

#include <mutex>

#include "platform/gl_entry.h"

namespace svt::platform {

namespace {

template <typename F> bool Find(HMODULE lib, const char* name, F& out) {
    out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    return out != nullptr;
}

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
    GLFunctions f{};
    const bool ok = Find(gl, "glGetString", f.GetString) && Find(gl, "glClearDepth", f.ClearDepth) &&
                    Find(gl, "glDepthFunc", f.DepthFunc) && Find(gl, "glColor3f", f.Color3f) &&
                    Find(gl, "glMatrixMode", f.MatrixMode) && Find(gl, "glLoadIdentity", f.LoadIdentity) &&
                    Find(gl, "glLoadMatrixd", f.LoadMatrixd) && Find(gl, "glOrtho", f.Ortho) &&
                    Find(gl, "glBegin", f.Begin) && Find(gl, "glEnd", f.End) &&
                    Find(gl, "glVertex3f", f.Vertex3f) && Find(gl, "glTexCoord2f", f.TexCoord2f) &&
                    Find(gl, "glClearColor", f.ClearColor) && Find(gl, "glClear", f.Clear) &&
                    Find(glu, "gluLookAt", f.LookAt);
    if (!ok) return;
    g_gl = f;
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
    CurrentFn current = nullptr;
    LookupFn lookup = nullptr;
    if (!Find(g_opengl, "wglGetCurrentContext", current) || !Find(g_opengl, "wglGetProcAddress", lookup)) return nullptr;
    if (!current()) return nullptr;
    // Some drivers answer small integers instead of null for a missing name.
    void* entry = reinterpret_cast<void*>(lookup(name));
    const auto value = reinterpret_cast<uintptr_t>(entry);
    return value <= 3 || value == uintptr_t(-1) ? nullptr : entry;
}

} // namespace svt::platform
