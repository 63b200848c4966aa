#include "library/abi.h"

namespace svt {

// Replaced by the real CPresetSaver.
IPresetSaver* NewPresetSaver() { return nullptr; }

} // namespace svt
