// The module's two exports.
#include <new>

#include "library/abi.h"
#include "library/effect_library.h"

#define SVT_EXPORT extern "C" __attribute__((visibility("default")))

// Builds a new library object holding one reference the caller owns; null
// when it cannot be allocated.
SVT_EXPORT svt::IEffectLibrary* GetEffectsLibrary() {
    auto* library = new (std::nothrow) svt::D3DTumblers();
    return library ? library->AsLibrary() : nullptr;
}

// True exactly when no library object is alive.
SVT_EXPORT svt::Bool8 CanUnloadDLLNow() { return svt::DLLDependentObject::LiveCount() == 0 ? 1 : 0; }
