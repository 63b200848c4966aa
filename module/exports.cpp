// The module's exports.
#include <new>

#include "library/abi.h"
#include "library/host_dialogs.h"
#include "module/effect_library.h"

#define SVT_EXPORT extern "C" __attribute__((visibility("default")))

// Builds a new library object holding one reference the caller owns; null
// when it cannot be allocated.
SVT_EXPORT svt::IEffectLibrary* GetEffectsLibrary() {
    auto* library = new (std::nothrow) svt::D3DTumblers();
    return library ? library->AsLibrary() : nullptr;
}

// True exactly when no library object is alive.
SVT_EXPORT svt::Bool8 CanUnloadDLLNow() { return svt::DLLDependentObject::LiveCount() == 0 ? 1 : 0; }

// Takes the host's dialogs and message boxes (library/host_services.h).
SVT_EXPORT uint8_t SVTumblersSetHostServices(const SVTHostServices* services) {
    return svt::SetHostServices(services) ? 1 : 0;
}
