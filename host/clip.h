// Rendering a transition between two clips: the overlap (A's tail under B's
// head) or, joined, head of A + transition + tail of B with the sound
// crossfaded, every transition frame rendered on all cores.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/media.h"
#include "host/renderer.h"

namespace svt::host {

struct ClipJob {
    std::string from, to, out;
    std::string container, codec; // --format-out, --codec
    int crf = -1;
    double seconds = 1.0;          // the overlap, when frames == 0
    int frames = 0;
    Rational rate;                 // {0,1}: A's
    int width = 0, height = 0;     // 0: A's
    Fit fit = Fit::kLetterbox;
    bool fitGiven = false;
    std::string background;        // transparent|first|second|#RRGGBB; "" = by output
    bool join = false, sound = true, overwrite = false, quiet = false;
    int threads = 0;               // 0: every core
    uint32_t format = 0;
    FrameLayout layout;
    // When set (the GPU), renders one frame in place of slot 6; every frame
    // is then rendered in order on the calling thread.
    std::function<bool(EffectRenderer&, double t, std::string* error)> render;
};

// A transition object with the job's preset and settings applied; one is
// made for every worker.
using RendererFactory = std::function<std::unique_ptr<EffectRenderer>(std::string* error)>;

// Renders the job; returns the exit code (0, 1 failure, 2 usage) after
// printing any error.
int RenderClip(const ClipJob& job, const RendererFactory& make);

// "1.5" seconds or "45f" frames; false for anything else.
bool ParseDuration(const std::string& text, double* seconds, int* frames);
// --background: false for an unknown word or colour.
bool ParseBackground(const std::string& text);
// Exit 2 with *error set when `out` names one of `inputs` (the same file,
// however spelled), 0 otherwise.
int RefuseInputAsOutput(const std::string& out, const std::vector<std::string>& inputs, std::string* error);

} // namespace svt::host
