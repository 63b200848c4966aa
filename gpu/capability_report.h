// The capability report of the options dialog: which transitions of a
// library the video host can render on its GPU.
#pragma once

#include <string>

#include "library/abi.h"

namespace svt {

// Lines end with "\r\n". `videoHost` is asked for IGPUHost; each transition
// of `library` (index 0, 1, ... while CreateEffect answers) is tested with
// the host's TestEffect and released again.
std::u16string CapabilityReport(IUnknown* videoHost, IEffectLibrary* library);

} // namespace svt
