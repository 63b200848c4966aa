// AVX2 row kernels of the glow.
#include "softrender/glow_p.h"

namespace svt::glow {

void InstallAvx2Glow(GlowKernels&) {}

} // namespace svt::glow
