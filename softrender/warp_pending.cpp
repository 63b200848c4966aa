// Placeholder until the warp lands: draws nothing.
#include "softrender/warp.h"

namespace svt {

bool WarpQuad(const ImageView&, ImageView&, const QuadCorners&, uint32_t) { return false; }
bool WarpQuad(const WarpSource&, ImageView&, const QuadCorners&, uint32_t) { return false; }
void SelectWarpKernels() {}

} // namespace svt
