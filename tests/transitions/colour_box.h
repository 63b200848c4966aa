// The box of the pixels of an output that show one flat colour of a probe
// picture (scene_probe.h), optionally within a band of rows. A pixel counts
// when it and its left and right neighbours have the colour's code: where
// smooth edges meet, a blend can read as a third colour.
#pragma once

#include <algorithm>

#include "tests/transitions/scene_probe.h"

namespace svt::test {

inline harness::PixelBox CodeBox(const host::Picture& p, int code, int firstRow = 0, int endRow = 1 << 30) {
    harness::PixelBox b{p.width(), p.height(), -1, -1, 0};
    for (int y = std::max(firstRow, 0); y < std::min(endRow, p.height()); ++y)
        for (int x = 1; x + 1 < p.width(); ++x)
            if (Code(p.at(x - 1, y)) == code && Code(p.at(x, y)) == code && Code(p.at(x + 1, y)) == code) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b.count ? b : harness::PixelBox{};
}

} // namespace svt::test
