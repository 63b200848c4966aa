// Placeholders until the image operations land: every operation fails.
#include "frames/image_ops.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace svt {

bool CopyImage(const ImageView* src, ImageView* dst) { return false; }
bool CopyRect(const ImageView* src, int32_t x, int32_t y, int32_t w, int32_t h, ImageView* dst, int32_t dx, int32_t dy) { return false; }
bool CopyFlipped(const ImageView* src, ImageView* dst) { return false; }
bool FlipRows(ImageView* image) { return false; }
bool SwapChannelOrder(const ImageView* src, ImageView* dst) { return false; }
bool SwapChannels(ImageView* image, const uint32_t order[4]) { return false; }
bool SetChannel(ImageView* image, uint32_t channel, uint32_t value) { return false; }
bool CopyChannel(const ImageView* src, ImageView* dst, uint32_t srcChannel, uint32_t dstChannel) { return false; }
bool InvertChannel(ImageView* image, uint32_t channel) { return false; }
bool Premultiply(ImageView* image) { return false; }
bool Composite(const ImageView* fg, const ImageView* bg, ImageView* dst, bool premultiplied) { return false; }
bool UnpackYUV422(const ImageView* src, ImageView* dst, uint8_t alpha) { return false; }
bool PackYUV422(const ImageView* src, ImageView* dst) { return false; }
bool RGBToYCbCr(const ImageView* src, ImageView* dst) { return false; }
bool YCbCrToRGB(const ImageView* src, ImageView* dst) { return false; }
bool SquareValues(ImageView* image) { return false; }
bool SqrtValues(ImageView* image) { return false; }
bool ClampBelow(ImageView* image, const float thresholds[4]) { return false; }
bool Resize(const ImageView* src, ImageView* dst, int32_t interpolation) { return false; }
bool ResizeRect(const ImageView* src, const uint32_t rect[4], ImageView* dst, int32_t interpolation) { return false; }
bool WeightedBlend(const ImageView* a, const ImageView* b, ImageView* dst, float wa, float wb) { return false; }
bool ScaleImage(const ImageView* src, ImageView* dst, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t mode) { return false; }
bool ExtendBorder(ImageView* image, int32_t bx, int32_t by) { return false; }
void SelectImageKernels() {  }
const char* ImageKernelLevel() { return "scalar"; }

} // namespace svt
