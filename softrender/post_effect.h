// PREffect: an image effect applied in place, to each face's picture part as
// the face is drawn (registered with the canvas) or to whole pictures.
#pragma once

#include "frames/image_ops.h"
#include "frames/image_view.h"

namespace svt {

class PREffect {
public:
    virtual void Apply(ImageView& image) = 0;
    // dst (same size and format as src) receives src with the effect
    // applied; false when src cannot be copied there.
    virtual bool ApplyInto(const ImageView& src, ImageView& dst) {
        if (!CopyImage(&src, &dst)) return false;
        Apply(dst);
        return true;
    }
    // False when Apply leaves every picture as it was.
    virtual bool ChangesPictures() const { return true; }
    virtual ~PREffect() = default;
};

} // namespace svt
