// AVX2 row kernels.
#include "frames/image_kernels_p.h"

namespace svt {

void InstallAvx2ImageKernels(ImageKernels& k) { (void)k; }

} // namespace svt
