// CSmartCrop, the overscan cropper: wraps the two pictures of a render and,
// when the user setting "Crop Overscan" is on, replaces each by a zoomed copy
// with the dark overscan border cropped away, ramping in over the first tenth
// of the transition (picture A) and out over the last tenth (picture B).
#pragma once

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "library/abi.h"

namespace svt {

class CSmartCrop {
public:
    // Wraps `a` and `b`; crops them when the setting is on (cropA, cropB
    // choose which).
    CSmartCrop(IEffectContext* context, const FrameDesc* a, const FrameDesc* b, double progress, bool cropA,
               bool cropB);
    CSmartCrop(const CSmartCrop&) = delete;
    CSmartCrop& operator=(const CSmartCrop&) = delete;
    virtual ~CSmartCrop();

    // Crops regardless of the setting (transitions that crop inside their
    // render call this when the setting is on).
    void CropPictures(IEffectContext* context, double progress, bool cropA, bool cropB);

    const ImageView& PictureA() const { return pictureA_; }
    const ImageView& PictureB() const { return pictureB_; }

private:
    ImageView pictureA_;
    ImageView pictureB_;
    MemoryAllocator allocator_;
};

} // namespace svt
