// EffectModule: SVTumblers.so loaded with dlopen, and the library object its
// GetEffectsLibrary export returns. Everything the host knows about the
// module comes through library/abi.h.
#pragma once

#include <string>

#include "host/com_ptr.h"
#include "library/abi.h"

namespace svt::host {

// The module beside the running program (found through /proc/self/exe), or
// the bare file name when that cannot be resolved.
std::string DefaultModulePath();

class EffectModule {
public:
    EffectModule() = default;
    EffectModule(const EffectModule&) = delete;
    EffectModule& operator=(const EffectModule&) = delete;
    // Releases the library object, then unloads the module when it says it
    // may be unloaded. Every effect taken from it must be released first.
    ~EffectModule();

    // False, with error() saying why, when the file cannot be loaded, lacks
    // the export, or the export returns null.
    bool Load(const std::string& path);

    IEffectLibrary* library() const { return library_.get(); }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    // A new transition holding one reference, or empty past the last index.
    ComPtr<IVideoEffect> CreateEffect(uint32_t index) const;

private:
    void* handle_ = nullptr;
    ComPtr<IEffectLibrary> library_;
    std::string path_;
    std::string error_;
};

} // namespace svt::host
