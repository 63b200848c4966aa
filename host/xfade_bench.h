// `tumblers bench --compare-xfade`: every transition timed beside FFmpeg's
// xfade "fade" cross-fade, on one core, in one interleaved run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/renderer.h"

namespace svt::host {

struct XfadeBenchOptions {
    int rounds = 5;       // samples per figure; the median is reported
    int frames = 4;       // frames per sample, at t = (f + 0.5) / frames
    bool large = true;    // also 3840 x 2160 for the per-pixel ratio
};

// Prints the table for the given transitions (MakeRenderer builds a fresh
// renderer of one). Returns 0, or 1 when the filter cannot be set up or a
// transition does not render.
int CompareWithXfade(const std::vector<uint32_t>& indexes,
                     const std::function<std::unique_ptr<EffectRenderer>(uint32_t)>& makeRenderer,
                     const XfadeBenchOptions& options);

} // namespace svt::host
