// The system's GL 1.x, GLU and extension entry points, looked up by name at
// run time, so that the module loads and renders on the CPU on a machine with
// no GL library at all. Nothing here is linked against GL.
//
// Linux: GL 1.x from libOpenGL.so.0, else libGL.so.1; gluLookAt from
// libGLU.so.1. Extension entry points: eglGetProcAddress when the calling
// thread has a current EGL context, else glXGetProcAddressARB.
// Windows: opengl32.dll and glu32.dll; extension entry points through
// wglGetProcAddress, null while no context is current.
#pragma once

namespace svt::platform {

// The GL 1.x calls the GPU path makes itself, in the GL's own calling form.
struct GLFunctions {
    const unsigned char* (*GetString)(unsigned name);
    void (*ClearDepth)(double depth);
    void (*DepthFunc)(unsigned func);
    void (*Color3f)(float r, float g, float b);
    void (*MatrixMode)(unsigned mode);
    void (*LoadIdentity)();
    void (*LoadMatrixd)(const double* m);
    void (*Ortho)(double l, double r, double b, double t, double n, double f);
    void (*Begin)(unsigned mode);
    void (*End)();
    void (*Vertex3f)(float x, float y, float z);
    void (*TexCoord2f)(float s, float t);
    void (*ClearColor)(float r, float g, float b, float a);
    void (*Clear)(unsigned mask);
    void (*LookAt)(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
                   double uz);
};

// Fills `out` from `gl` (GL 1.x) and `glu` (gluLookAt), libraries opened with
// LoadLibrary; false, leaving `out` alone, when a name is missing.
bool FindGLFunctions(void* gl, void* glu, GLFunctions* out);

// The functions, loaded at the first call and kept for the life of the
// process; null when a library or a name is missing (the result is the same
// on every later call).
const GLFunctions* SystemGL();

// The extension entry point `name` of the current context, or null.
void* GLProcAddress(const char* name);

} // namespace svt::platform
