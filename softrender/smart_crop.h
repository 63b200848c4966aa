// CSmartCrop, the overscan cropper: wraps the two pictures of a render and,
// when the user setting "Crop Overscan" is on, replaces each by a zoomed copy
// with the dark overscan border cropped away, ramping in over the first tenth
// of the transition (picture A) and out over the last tenth (picture B).
#pragma once

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "library/abi.h"

namespace svt {

// An inclusive rectangle of pixels.
struct CropRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const CropRect&) const = default;
};

// The content rectangle inside a dark border: one dark line of margin is
// kept, and no more than 1/20 of the picture is examined on each side (a
// side without bright content ends one line short of that limit). A pixel is
// bright when its blue, green and red add up to at least 225 (floats: at
// least 225/255), wherever the format puts them. Formats other than 0, 1, 3
// and 4 give the whole picture.
CropRect DetectBorder(const ImageView& picture);

// The share of the crop at progress t: picture A zooms in over the first
// tenth of the transition, picture B (second) out over the last tenth.
float CropRamp(double progress, bool second);

// The part of a w x h picture shown for content rectangle r at ramp s:
// r itself at s >= 1, the whole picture (0, 0, w, h) at s <= 0, in between
// proportionally.
CropRect CropRectangle(const CropRect& r, float s, uint32_t w, uint32_t h);

class CSmartCrop {
public:
    // Wraps `a` and `b`; crops them when the setting is on (cropA, cropB
    // choose which).
    CSmartCrop(IEffectContext* context, const FrameDesc* a, const FrameDesc* b, double progress, bool cropA,
               bool cropB);
    CSmartCrop(const CSmartCrop&) = delete;
    CSmartCrop& operator=(const CSmartCrop&) = delete;
    ~CSmartCrop();

    // Crops regardless of the setting (transitions that crop inside their
    // render call this when the setting is on). The zoomed copies come from
    // the context's allocator. A picture already replaced by a zoomed copy is
    // not cropped again; a failed allocation leaves a picture as it was.
    void CropPictures(IEffectContext* context, double progress, bool cropA, bool cropB);

    const ImageView& PictureA() const { return pictureA_; }
    const ImageView& PictureB() const { return pictureB_; }

private:
    ImageView pictureA_;
    ImageView pictureB_;
    MemoryAllocator allocator_;
};

} // namespace svt
