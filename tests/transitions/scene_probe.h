// Reads what a transition's output shows at chosen places.
//
// The pictures are grids of flat colours whose channels are 0, 128 or 255
// with at least one at 255. Such a colour is told apart from the others by
// the ratios of its channels, which the flat shading of a face and bilinear
// sampling inside a cell keep, so a probe can say which cell of which
// picture a face shows there, or that the background shows through.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/picture.h"
#include "host/renderer.h"
#include "tests/transitions/module_harness.h"

namespace svt::test {

// Colour codes: the three channel ratios to the brightest channel, each
// rounded to 0, 1/2 or 1, as base-3 digits (red first).
inline constexpr int kClear = -1; // alpha below one half: the background shows
inline constexpr int kDark = -2;  // too dark to tell

inline int ColourCode(const host::Rgba& c) {
    if (c.a < 128) return kClear;
    const int m = std::max({c.r, c.g, c.b});
    if (m < 24) return kDark;
    auto trit = [m](int v) { return int(std::lround(2.0 * v / m)); };
    return trit(c.r) + 3 * trit(c.g) + 9 * trit(c.b);
}

inline constexpr host::Rgba kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
inline constexpr host::Rgba kCyan{0, 255, 255}, kMagenta{255, 0, 255}, kWhite{255, 255, 255},
    kOrange{255, 128, 0};
inline constexpr host::Rgba kPink{255, 128, 128}, kLime{128, 255, 0}, kSky{0, 128, 255}, kViolet{128, 0, 255};
inline int Code(const host::Rgba& c) { return ColourCode(c); }

// A width x height picture of cols x rows flat cells, colours row by row
// from the top left.
inline host::Picture Cells(int width, int height, int cols, int rows, const std::vector<host::Rgba>& colours) {
    host::Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.at(x, y) = colours[size_t((y * rows / height) * cols + x * cols / width)];
    return p;
}

// Quarters: A red, green / blue, yellow; B cyan, magenta / white, orange.
inline host::Picture QuartersA(int w, int h) { return Cells(w, h, 2, 2, {kRed, kGreen, kBlue, kYellow}); }
inline host::Picture QuartersB(int w, int h) { return Cells(w, h, 2, 2, {kCyan, kMagenta, kWhite, kOrange}); }

// The colour code at a place of a picture given as fractions of its width
// and height from the top left (as it is shown, whatever the frame's row
// order).
inline int CodeAt(const host::Picture& p, double fx, double fy) {
    const int x = std::clamp(int(std::lround(fx * (p.width() - 1))), 0, p.width() - 1);
    const int y = std::clamp(int(std::lround(fy * (p.height() - 1))), 0, p.height() - 1);
    return ColourCode(p.at(x, y));
}

// Which picture shows through the four quarter centres, as codes.
struct Quarters {
    int tl, tr, bl, br;
    friend bool operator==(const Quarters&, const Quarters&) = default;
};
inline Quarters QuartersAround(const host::Picture& p, double cx, double cy, double dx, double dy) {
    return {CodeAt(p, cx - dx, cy - dy), CodeAt(p, cx + dx, cy - dy), CodeAt(p, cx - dx, cy + dy),
            CodeAt(p, cx + dx, cy + dy)};
}
inline const Quarters kUprightA{Code(kRed), Code(kGreen), Code(kBlue), Code(kYellow)};
inline const Quarters kUprightB{Code(kCyan), Code(kMagenta), Code(kWhite), Code(kOrange)};
inline void PrintTo(const Quarters& q, std::ostream* os) {
    *os << "{" << q.tl << ", " << q.tr << ", " << q.bl << ", " << q.br << "}";
}

// One transition (by registry index) with its own host context and frames.
class TransitionProbe {
public:
    explicit TransitionProbe(uint32_t index) : renderer_(harness::MakeRenderer(index)) {
        EXPECT_TRUE(renderer_) << "transition " << index << " could not be loaded";
    }

    bool ok() const { return renderer_ != nullptr; }
    host::EffectRenderer& renderer() { return *renderer_; }

    // A parameter as the panel shows it ("Slices", "4").
    TransitionProbe& Set(const std::string& label, const std::string& value) {
        std::string why;
        EXPECT_TRUE(renderer_->Set(label, value, &why)) << why;
        return *this;
    }
    TransitionProbe& Preset(const std::string& name) {
        const int p = renderer_->info().FindPreset(name);
        EXPECT_GE(p, 0) << "no preset " << name;
        renderer_->ApplyPreset(p);
        return *this;
    }
    TransitionProbe& Pictures(const host::Picture& a, const host::Picture& b, uint32_t format = kFormatBGRA8,
                              const host::FrameLayout& layout = {}) {
        EXPECT_TRUE(renderer_->SetPictures(a, b, format, layout));
        return *this;
    }

    // Renders at t; the render must succeed and give back all it took.
    host::Picture Render(double t) {
        const host::RenderCheck check = renderer_->Render(t);
        EXPECT_TRUE(check.rendered) << "t = " << t;
        EXPECT_TRUE(check.clean()) << "t = " << t << ": " << check.Problems();
        return renderer_->output().Load();
    }

private:
    std::unique_ptr<host::EffectRenderer> renderer_;
};

} // namespace svt::test
