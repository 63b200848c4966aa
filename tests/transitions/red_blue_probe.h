// Transitions rendered through the loaded module with picture A plain red
// and picture B plain blue: at any place the output then shows A, B or the
// transparent background, whatever shading and sampling did to brightness.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/transitions/module_harness.h"

namespace svt::probe {

using host::Picture;

inline constexpr host::Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255};

// 'A', 'B', '.' (the background) or '?' (a blend of them).
inline char Seen(const host::Rgba& c) {
    if (c.a < 64) return '.';
    if (c.r > 40 && c.r > 4 * c.b) return 'A';
    if (c.b > 40 && c.b > 4 * c.r) return 'B';
    return '?';
}

// At a point of the picture plane: x from -1 (column 0) to 1, y from 1 (the
// top row of a top-down frame) to -1.
inline char SeenAt(const Picture& p, double x, double y) {
    const int px = int(std::lround((x + 1) * (p.width() - 1) / 2));
    const int py = int(std::lround((1 - y) * (p.height() - 1) / 2));
    return Seen(p.at(std::clamp(px, 0, p.width() - 1), std::clamp(py, 0, p.height() - 1)));
}

inline long Count(const Picture& p, char what) {
    long n = 0;
    for (const host::Rgba& c : p.pixels()) n += Seen(c) == what;
    return n;
}

using Settings = std::vector<std::pair<std::string, std::string>>;

// Transition `index` with `settings` (display values) over the pictures, or
// null when something was refused.
inline std::unique_ptr<host::EffectRenderer> Make(uint32_t index, const Settings& settings, const Picture& a,
                                                  const Picture& b, bool topDown = true) {
    auto r = harness::MakeRenderer(index);
    bool ok = r != nullptr;
    for (const auto& [label, value] : settings) ok = ok && r->Set(label, value);
    host::FrameLayout layout;
    layout.topDown = topDown;
    return ok && r->SetPictures(a, b, kFormatBGRA8, layout) ? std::move(r) : nullptr;
}

inline Picture At(host::EffectRenderer& r, double t) {
    EXPECT_TRUE(r.Render(t).rendered) << t;
    return r.output().Load();
}

// Picture B, read at a coarse scale: much closer to it than to its mirror
// images, so neither upside down nor the wrong way round.
inline void ExpectUprightB(const Picture& out, const std::string& what) {
    const Picture got = host::Resized(out, 40, 22);
    const Picture b = host::Resized(harness::PictureB(out.width(), out.height()), 40, 22);
    const double same = harness::MeanDifference(got, b);
    EXPECT_LT(same, 6) << what;
    EXPECT_LT(same * 4, harness::MeanDifference(got, b, true, false)) << what;
    EXPECT_LT(same * 4, harness::MeanDifference(got, b, false, true)) << what;
}

} // namespace svt::probe
