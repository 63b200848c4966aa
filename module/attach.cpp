// Module attach: what the process-attach notification does. Every kernel
// table is filled here, from the one processor detection in platform/, when
// the module (or a program linking the static library) starts. The tables are
// constant-initialised to their scalar entries, since the order of load-time
// constructors across files is not fixed.
#include "frames/image_ops.h"
#include "softrender/warp.h"

namespace svt {
namespace {

__attribute__((constructor)) void OnModuleAttach() {
    SelectImageKernels();
    SelectWarpKernels(); // with the glow's row kernels
}

} // namespace
} // namespace svt
