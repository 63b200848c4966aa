// PRDreamGlowEffect: the glow ("Fog") and metal ("Shine") look, applied in
// place to a picture or to each face's picture part as the face is drawn.
//
// Apply runs the glow pass, then the metal pass, on pictures of format 0, 1,
// 3 or 4; other formats are left as they are.
//  - Glow: the picture is blurred with a separable tent of radius + 1 taps
//    (edges repeated outward), and every pixel whose blurred luminance,
//    amplified by the glow amount, exceeds its own is lifted toward the glow
//    colour; alpha rises to the amplified blurred luminance. Skipped when the
//    amount is 0 or a work image cannot be allocated. Its cost per pixel does
//    not depend on the radius.
//  - Metal: the picture is darkened by 0.6 * metal and given a banded sheen
//    that depends on each pixel's brightness; alpha is kept. Skipped when
//    metal <= 0.
#pragma once

#include <cstdint>

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "geometry/quad_face.h"
#include "softrender/post_effect.h"

namespace svt {

class PRDreamGlowEffect : public PREffect {
public:
    PRDreamGlowEffect(int32_t radius, float glow, float metal, uint32_t colour, MemoryAllocator* allocator)
        : radius(radius), glow(glow), metal(metal), colour(colour), allocator(allocator) {}

    void Apply(ImageView& image) override;
    // Both passes from `src` into `dst` in one sweep: the glow's blur reads
    // src, each combined row goes to dst and through the metal pass while
    // it is in cache. Same pixels as a copy followed by Apply.
    bool ApplyInto(const ImageView& src, ImageView& dst) override;
    bool ChangesPictures() const override;

    int32_t radius;              // pixels; the tent has radius + 1 taps
    float glow;                  // amount >= 0
    float metal;                 // amount >= 0
    uint32_t colour;             // 0x00BBGGRR: low byte red, then green, then blue
    MemoryAllocator* allocator;  // work images; null: the library's own heap
};

// The two passes on their own. Both return false, leaving the picture as it
// was, when they do nothing (format, amount, allocation).
bool ApplyGlow(ImageView& image, int32_t radius, float glow, uint32_t colour, MemoryAllocator* allocator);
bool ApplyMetal(ImageView& image, float metal, uint32_t colour);

// Copy, ApplyGlow and ApplyMetal in one sweep (see ApplyInto). False,
// nothing written, unless src and dst are pictures of the same size and
// format the passes take. With `parts`, only the pixels of those `count`
// rectangles of dst are written (the same values as for the whole picture;
// the blur still sees the picture around them): the work shrinks with the
// part asked for.
bool ApplyLook(const ImageView& src, ImageView& dst, int32_t radius, float glow, float metal, uint32_t colour,
               MemoryAllocator* allocator, const IntRect* parts = nullptr, size_t count = 0);

// The glow's blur alone: dst (same size and format as src) receives src
// filtered by the tent of radius + 1 taps along rows, then along columns.
// Beyond the picture the filter sees the edge repeated, taken from two
// pixels in (one on the right and bottom when radius + 1 is odd): the
// outermost pixels themselves do not reach the blur. 8-bit sums are divided
// with rounding to nearest at each pass. Radii above 4095 count as 4095.
bool TentBlur(const ImageView& src, ImageView& dst, int32_t radius, MemoryAllocator* allocator);

} // namespace svt
