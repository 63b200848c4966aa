// QuadFace: one textured panel of a scene, four corners in space showing a
// rectangle of its front picture on one side and of its back picture on the
// other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "geometry/mat4.h"
#include "geometry/vec3.h"

namespace svt {

// A rectangle of a picture as fractions of its size: 0 is the first pixel
// column or row, 1 the last.
struct TexRect {
    double left = 0.0;
    double top = 0.0;
    double right = 1.0;
    double bottom = 1.0;
};

// A rectangle of whole pixels.
struct IntRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

// How the back side is laid out.
enum MirrorMode : uint32_t {
    kMirrorVertical = 0,   // for a turn about the vertical axis: left and right exchanged
    kMirrorHorizontal = 1, // for a turn about the horizontal axis: top and bottom exchanged
    kMirrorNone = 2,       // any value other than 0 and 1: not mirrored
};

// The corners of a face, held in place (a face never needs more than four,
// and copying meshes then costs no allocation). A usable face has exactly
// four; fewer can be built to describe an unusable one.
class CornerList {
public:
    static constexpr uint32_t kCapacity = 4;

    CornerList() = default;
    CornerList(const Vec3& c0, const Vec3& c1, const Vec3& c2, const Vec3& c3) : v_{c0, c1, c2, c3}, n_(4) {}

    uint32_t size() const { return n_; }
    bool empty() const { return n_ == 0; }
    // False, leaving the list unchanged, when it is full.
    bool push_back(const Vec3& p) {
        if (n_ >= kCapacity) return false;
        v_[n_++] = p;
        return true;
    }
    void clear() { n_ = 0; }
    Vec3& operator[](size_t i) { return v_[i]; }
    const Vec3& operator[](size_t i) const { return v_[i]; }
    Vec3* begin() { return v_; }
    Vec3* end() { return v_ + n_; }
    const Vec3* begin() const { return v_; }
    const Vec3* end() const { return v_ + n_; }

private:
    Vec3 v_[kCapacity];
    uint32_t n_ = 0;
};

// Which picture a side of a face shows. The CPU renderer resolves it to the
// pictures of the render in progress, the GPU renderer to its textures; the
// first source is picture A unless "Reverse" exchanged them.
enum PictureSource : uint32_t {
    kSourceNone = 0,
    kSourceFirst = 1,
    kSourceSecond = 2,
};

class QuadFace {
public:
    // Corner k receives texture corner k of the shown rectangle: 0 top-left,
    // 1 top-right, 2 bottom-right, 3 bottom-left. Seen in that order running
    // clockwise, the face shows its front.
    CornerList vertices{Vec3{}, Vec3{}, Vec3{}, Vec3{}};
    TexRect frontRect;
    TexRect backRect;
    // kSourceNone on the front: the face is not drawn. On the back: seen
    // from behind, the face shows its front source.
    PictureSource front = kSourceNone;
    PictureSource back = kSourceNone;
    uint32_t mirrorMode = kMirrorVertical;

    QuadFace() = default;
    QuadFace(const Vec3& c0, const Vec3& c1, const Vec3& c2, const Vec3& c3, PictureSource front,
             PictureSource back, uint32_t mirror = kMirrorVertical, const TexRect& shownFront = {},
             const TexRect& shownBack = {})
        : vertices(c0, c1, c2, c3), frontRect(shownFront), backRect(shownBack), front(front), back(back),
          mirrorMode(mirror) {}
    QuadFace(const QuadFace&) = default;
    QuadFace& operator=(const QuadFace&) = default;

    bool usable() const { return vertices.size() == 4; }

    // The corners transformed by m; four zero points unless the face has
    // exactly four corners.
    std::array<Vec3, 4> TransformedCorners(const Mat4& m) const;
    // Transforms the corners in place; a face without four corners is left alone.
    void Transform(const Mat4& m);
    // Mean of the corners; zero for a face without corners.
    Vec3 Centroid() const;
    // The pixel rectangle of the shown picture part, both end pixels included:
    // backRect when backSide is set and there is a back source, else
    // frontRect, always scaled by the front picture's size (width x height).
    // Zero when the face has no corners, no front source or no pixels.
    IntRect PixelRect(bool backSide, uint32_t width, uint32_t height) const;
    // Entry k is the corner that receives texture corner k. The front is
    // never permuted; the back by mirrorMode: 0 -> (1, 0, 3, 2),
    // 1 -> (3, 2, 1, 0), others -> (0, 1, 2, 3).
    std::array<int, 4> CornerOrder(bool backSide) const;
};

} // namespace svt
