// SSE2 row kernels (the x86-64 baseline).
#include "frames/image_kernels_p.h"

namespace svt {

void InstallSse2ImageKernels(ImageKernels& k) { (void)k; }

} // namespace svt
