#include "library/abi.h"

namespace svt {

// Replaced by the real FrameProcessor.
IFrameProcessor* NewFrameProcessor() { return nullptr; }

} // namespace svt
