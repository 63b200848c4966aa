// PREffect: an image effect applied in place, to each face's picture part as
// the face is drawn (registered with the canvas) or to whole pictures.
#pragma once

#include "frames/image_view.h"

namespace svt {

class PREffect {
public:
    virtual void Apply(ImageView& image) = 0;
    virtual ~PREffect() = default;
};

} // namespace svt
