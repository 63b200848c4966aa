#include "softrender/smart_crop.h"

namespace svt {

CSmartCrop::CSmartCrop(IEffectContext* context, const FrameDesc* a, const FrameDesc* b, double progress,
                       bool cropA, bool cropB) {
    pictureA_.BindFrame(a);
    pictureB_.BindFrame(b);
    (void)context;
    (void)progress;
    (void)cropA;
    (void)cropB;
}

CSmartCrop::~CSmartCrop() {
    pictureA_.Release();
    pictureB_.Release();
}

void CSmartCrop::CropPictures(IEffectContext* context, double progress, bool cropA, bool cropB) {
    (void)context;
    (void)progress;
    (void)cropA;
    (void)cropB;
}

} // namespace svt
