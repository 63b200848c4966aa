// Shared by the renderer tests: screens fenced by guard bytes, and pictures
// for faces to show, built with the reference host's frames.
#pragma once

#include <cstdint>

#include "frames/image_view.h"
#include "geometry/quad_face.h"
#include "host/picture.h"
#include "tests/support/guarded_image.h"

namespace svt::canvas_test {

using host::HostFrame;
using host::Picture;
using host::Rgba;

// Guard bytes after every row and around the whole frame.
inline HostFrame Screen(int width, int height, uint32_t format = kFormatBGRA8) {
    HostFrame f;
    f.Allocate(width, height, format, {true, false, 12, 64});
    return f;
}

template <class Colour>
Picture Paint(int width, int height, Colour colour) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.at(x, y) = colour(x, y);
    return p;
}

// A picture held as a host frame, with the view that faces show.
struct Source {
    HostFrame frame;
    ImageView view;
    explicit Source(const Picture& p) {
        frame.Allocate(p, kFormatBGRA8);
        view.BindFrame(frame.desc());
    }
};

inline QuadFace FullFrameFace(PictureSource front = kSourceFirst, PictureSource back = kSourceSecond,
                              uint32_t mirror = kMirrorVertical) {
    return QuadFace({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, front, back, mirror);
}

// Largest difference of any channel over the two frames' pixels.
inline int MaxDiff(const Picture& a, const Picture& b) {
    int most = 0;
    for (size_t i = 0; i < a.pixels().size(); ++i) {
        const Rgba p = a.pixels()[i], q = b.pixels()[i];
        for (int d : {p.r - q.r, p.g - q.g, p.b - q.b, p.a - q.a}) most = std::max(most, std::abs(d));
    }
    return most;
}

// The guarded test image with its view as the renderer's passes take it, and
// floats kept within [0, 1].
struct GuardedPicture : test::GuardedImage {
    GuardedPicture(uint32_t width, uint32_t height, uint32_t format) : GuardedImage(width, height, format, 12) {}
    ImageView& view() { return *GuardedImage::view(); }
    void Randomize(uint32_t seed) { GuardedImage::Randomize(seed, true); }
};

} // namespace svt::canvas_test
