// Staggered timing of m items (panels, slices, rings) over one transition.
// Each item moves for d = 1/(m·(1 - c) + c) of the time; item j starts at
// j·(1 - c)·d, so the last one ends exactly at t = 1. Cohesion c = 1 moves
// every item together over the whole transition, c = 0 one after another,
// each for 1/m of the time.
#pragma once

#include <cstdint>

namespace svt {

struct StaggerWindow {
    double start = 0.0;
    double duration = 1.0;
};

// The window of item j of m. Fewer than one item counts as one; cohesion is
// held to [0, 1], outside which the windows would not fit the transition.
inline StaggerWindow StaggerStart(int64_t j, int64_t m, double cohesion) {
    if (!(cohesion >= 0.0)) cohesion = 0.0;
    if (cohesion > 1.0) cohesion = 1.0;
    const double items = m < 1 ? 1.0 : double(m);
    const double d = 1.0 / (items * (1.0 - cohesion) + cohesion);
    return {double(j) * (1.0 - cohesion) * d, d};
}

// Local progress of item j: 0 up to its start, 1 from its end on, linear between.
inline double StaggeredProgress(double t, int64_t j, int64_t m, double cohesion) {
    const StaggerWindow w = StaggerStart(j, m, cohesion);
    if (t <= w.start) return 0.0;
    if (t >= w.start + w.duration) return 1.0;
    return (t - w.start) / w.duration;
}

// The staggered half turn: π times the local progress, exactly 0 before the
// item's window and exactly π after it.
inline double StaggeredAngle(double t, int64_t j, int64_t m, double cohesion) {
    return StaggeredProgress(t, j, m, cohesion) * kPi;
}

} // namespace svt
