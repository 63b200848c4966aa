// The GL 1.x table from two opened libraries, the same names on every system.
#include "platform/gl_entry.h"
#include "platform/platform.h"

namespace svt::platform {

namespace {

template <typename F> bool Find(void* lib, const char* name, F& out) {
    out = reinterpret_cast<F>(FindExport(lib, name));
    return out != nullptr;
}

} // namespace

bool FindGLFunctions(void* gl, void* glu, GLFunctions* out) {
    GLFunctions f{};
    const bool ok = Find(gl, "glGetString", f.GetString) && Find(gl, "glClearDepth", f.ClearDepth) &&
                    Find(gl, "glDepthFunc", f.DepthFunc) && Find(gl, "glColor3f", f.Color3f) &&
                    Find(gl, "glMatrixMode", f.MatrixMode) && Find(gl, "glLoadIdentity", f.LoadIdentity) &&
                    Find(gl, "glLoadMatrixd", f.LoadMatrixd) && Find(gl, "glOrtho", f.Ortho) &&
                    Find(gl, "glBegin", f.Begin) && Find(gl, "glEnd", f.End) &&
                    Find(gl, "glVertex3f", f.Vertex3f) && Find(gl, "glTexCoord2f", f.TexCoord2f) &&
                    Find(gl, "glClearColor", f.ClearColor) && Find(gl, "glClear", f.Clear) &&
                    Find(glu, "gluLookAt", f.LookAt);
    if (ok) *out = f;
    return ok;
}

} // namespace svt::platform
