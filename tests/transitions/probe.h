// Driving transitions through the LOADED module (SVT_MODULE_PATH) with the
// reference host's own context, allocator and frames, and reading what they
// draw.
//
// Probe pictures are grids of flat colours whose channels are 0, 128 or 255
// with at least one at 255: the ratios of the channels, which flat shading
// and bilinear sampling inside a cell keep, tell which cell of which picture
// a face shows there, or that the background shows through. With A plain red
// and B plain blue, Seen() tells A, B or the background apart.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/shared_module.h"

namespace svt::test {

using host::Picture;
using host::Rgba;

// The frame size most probes use.
inline constexpr int kW = 160, kH = 90;

inline Picture PictureA(int w, int h) { return host::BuiltinPictureA(w, h); }
inline Picture PictureB(int w, int h) { return host::BuiltinPictureB(w, h); }

inline host::FrameLayout Rows(bool topDown) {
    host::FrameLayout l;
    l.topDown = topDown;
    return l;
}

// Mean absolute difference per colour channel of two pictures of one size
// (alpha ignored), leaving out `inset` pixels at each edge.
inline double MeanDifference(const Picture& p, const Picture& q, int inset = 0) {
    if (p.width() != q.width() || p.height() != q.height() || p.width() <= 2 * inset || p.height() <= 2 * inset)
        return 1e9;
    double sum = 0;
    for (int y = inset; y < p.height() - inset; ++y)
        for (int x = inset; x < p.width() - inset; ++x) {
            const Rgba &a = p.at(x, y), &b = q.at(x, y);
            sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        }
    return sum / (3.0 * (p.width() - 2 * inset) * (p.height() - 2 * inset));
}

// Box of the pixels (x, y) for which `in(x, y)` holds; empty when none.
struct PixelBox {
    int left = 0, top = 0, right = -1, bottom = -1; // inclusive
    long count = 0;
    bool empty() const { return count == 0; }
    double centreX() const { return (left + right) / 2.0; }
    double centreY() const { return (top + bottom) / 2.0; }
};

template <class In> PixelBox BoxWhere(const Picture& p, In in) {
    PixelBox b{p.width(), p.height(), -1, -1, 0};
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (in(x, y)) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b.count ? b : PixelBox{};
}

inline PixelBox OpaqueBox(const Picture& p, int threshold = 0) {
    return BoxWhere(p, [&](int x, int y) { return p.at(x, y).a > threshold; });
}

// Colour codes: the three channel ratios to the brightest channel, each
// rounded to 0, 1/2 or 1, as base-3 digits (red first); kClear where alpha
// is below one half, -2 where too dark to tell.
inline constexpr int kClear = -1;

inline int Code(const Rgba& c) {
    if (c.a < 128) return kClear;
    const int m = std::max({c.r, c.g, c.b});
    if (m < 24) return -2;
    auto trit = [m](int v) { return int(std::lround(2.0 * v / m)); };
    return trit(c.r) + 3 * trit(c.g) + 9 * trit(c.b);
}

inline constexpr Rgba kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
inline constexpr Rgba kCyan{0, 255, 255}, kMagenta{255, 0, 255}, kWhite{255, 255, 255}, kOrange{255, 128, 0};
inline constexpr Rgba kPink{255, 128, 128}, kLime{128, 255, 0}, kSky{0, 128, 255}, kViolet{128, 0, 255};

// The pixels showing `code`, with their left and right neighbours (where
// smooth edges meet, a blend can read as a third colour).
inline PixelBox CodeBox(const Picture& p, int code) {
    return BoxWhere(p, [&](int x, int y) {
        return x > 0 && x + 1 < p.width() && Code(p.at(x - 1, y)) == code && Code(p.at(x, y)) == code &&
               Code(p.at(x + 1, y)) == code;
    });
}

// A width x height picture of cols x rows flat cells, colours row by row
// from the top left.
inline Picture Cells(int width, int height, int cols, int rows, const std::vector<Rgba>& colours) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.at(x, y) = colours[size_t((y * rows / height) * cols + x * cols / width)];
    return p;
}

// Quarters: A red, green / blue, yellow; B cyan, magenta / white, orange.
inline Picture QuartersA(int w, int h) { return Cells(w, h, 2, 2, {kRed, kGreen, kBlue, kYellow}); }
inline Picture QuartersB(int w, int h) { return Cells(w, h, 2, 2, {kCyan, kMagenta, kWhite, kOrange}); }

// The colour code at fractions of the width and height from the top left
// (as shown, whatever the frame's row order).
inline int CodeAt(const Picture& p, double fx, double fy) {
    const int x = std::clamp(int(std::lround(fx * (p.width() - 1))), 0, p.width() - 1);
    const int y = std::clamp(int(std::lround(fy * (p.height() - 1))), 0, p.height() - 1);
    return Code(p.at(x, y));
}

// The codes at four points around (cx, cy).
struct Quarters {
    int tl, tr, bl, br;
    friend bool operator==(const Quarters&, const Quarters&) = default;
};
inline Quarters QuartersAround(const Picture& p, double cx, double cy, double dx, double dy) {
    return {CodeAt(p, cx - dx, cy - dy), CodeAt(p, cx + dx, cy - dy), CodeAt(p, cx - dx, cy + dy),
            CodeAt(p, cx + dx, cy + dy)};
}
inline const Quarters kUprightA{Code(kRed), Code(kGreen), Code(kBlue), Code(kYellow)};
inline const Quarters kUprightB{Code(kCyan), Code(kMagenta), Code(kWhite), Code(kOrange)};
inline void PrintTo(const Quarters& q, std::ostream* os) {
    *os << "{" << q.tl << ", " << q.tr << ", " << q.bl << ", " << q.br << "}";
}

// With A plain red and B plain blue: 'A', 'B', '.' (the background) or '?'
// (a blend of them).
inline char Seen(const Rgba& c) {
    if (c.a < 64) return '.';
    if (c.r > 40 && c.r > 4 * c.b) return 'A';
    if (c.b > 40 && c.b > 4 * c.r) return 'B';
    return '?';
}

// At a point of the picture plane: x from -1 (column 0) to 1, y from 1 (the
// top row as shown) to -1.
inline char SeenAt(const Picture& p, double x, double y) {
    const int px = int(std::lround((x + 1) * (p.width() - 1) / 2));
    const int py = int(std::lround((1 - y) * (p.height() - 1) / 2));
    return Seen(p.at(std::clamp(px, 0, p.width() - 1), std::clamp(py, 0, p.height() - 1)));
}

inline long Count(const Picture& p, char what) {
    return std::count_if(p.pixels().begin(), p.pixels().end(), [&](const Rgba& c) { return Seen(c) == what; });
}

// One transition (by registry index) with its own host context and frames.
class TransitionProbe {
public:
    explicit TransitionProbe(uint32_t index) : renderer_(NewRenderer(index)) {
        EXPECT_TRUE(renderer_) << "transition " << index << " could not be loaded";
    }

    host::EffectRenderer& renderer() { return *renderer_; }

    // A parameter as the panel shows it ("Slices", "4").
    TransitionProbe& Set(const std::string& label, const std::string& value) {
        std::string why;
        EXPECT_TRUE(renderer_ && renderer_->Set(label, value, &why)) << label << ": " << why;
        return *this;
    }
    TransitionProbe& Pictures(const Picture& a, const Picture& b, const host::FrameLayout& layout = {},
                              uint32_t format = kFormatBGRA8) {
        EXPECT_TRUE(renderer_ && renderer_->SetPictures(a, b, format, layout));
        return *this;
    }

    // Renders at t; the render must succeed and give back all it took.
    Picture Render(double t) {
        if (!renderer_) return Picture();
        const host::RenderCheck check = renderer_->Render(t);
        EXPECT_TRUE(check.rendered) << "t = " << t;
        EXPECT_TRUE(check.clean()) << "t = " << t << ": " << check.Problems();
        return renderer_->output().Load();
    }

private:
    std::unique_ptr<host::EffectRenderer> renderer_;
};

// Just inside both ends a transition shows its pictures themselves, the
// right way up and round: under one level apart on average, leaving out the
// outermost pixels (smooth edges, and neighbouring tiles, share them).
inline void ExpectEndsShowTheirPictures(TransitionProbe& r, const Picture& a, const Picture& b, const std::string& what) {
    EXPECT_LT(MeanDifference(r.Render(1e-6), a, 1), 1.0) << what;
    EXPECT_LT(MeanDifference(r.Render(1 - 1e-6), b, 1), 1.0) << what;
}

} // namespace svt::test
