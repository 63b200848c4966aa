// AVX2 span kernels of the warp.
#include "softrender/warp_p.h"

namespace svt::warp {

void InstallAvx2Spans(SpanKernels&) {}

} // namespace svt::warp
