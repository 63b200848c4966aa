// Rendering a transition through its GPU entry (slot 10) on the tool's
// headless EGL context: frames A and B uploaded as textures, the output
// drawn into a render target and read back into the renderer's output
// frame, so that everything after a render is the same as on the CPU.
//
// One context, made current on the thread that opens it: every call comes
// from that thread and frames render in order.
#pragma once

#include <memory>
#include <string>

#include "host/com_ptr.h"
#include "host/gl_host.h"
#include "host/renderer.h"

namespace svt::host {

class GPURenderer {
public:
    GPURenderer();
    ~GPURenderer();
    GPURenderer(const GPURenderer&) = delete;
    GPURenderer& operator=(const GPURenderer&) = delete;

    // Makes the context; false with error() ("no OpenGL context: ...") when
    // there is none.
    bool Open();
    const std::string& error() const { return error_; }
    GLContext& context() { return context_; }

    // Seconds spent in each stage, added up over calls.
    struct Times {
        double upload = 0, render = 0, download = 0;
        int frames = 0;
    };

    // Renders `r` at t on the GPU into r.output(). With `reuseSources` the
    // textures of A and B from the previous call are drawn again (for timing
    // the render alone); otherwise the frames are uploaded first. False with
    // *error when the transition refuses the GPU or the render fails.
    bool Render(EffectRenderer& r, double t, std::string* error, Times* times = nullptr, bool reuseSources = false);

private:
    void ReleaseSources();
    GLContext context_;
    std::unique_ptr<GLHost> host_;
    GPUFrame a_{}, b_{};
    // The transition prepared last, held so that its address cannot come
    // back as another object's that was never prepared.
    ComPtr<IVideoEffect> prepared_;
    std::string error_;
};

} // namespace svt::host
