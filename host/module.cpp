#include "host/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace svt::host {

std::string DefaultModulePath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "SVTumblers.so";
    std::string exe(buf, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return "SVTumblers.so";
    const std::string beside = exe.substr(0, slash + 1) + "SVTumblers.so";
    // Installed, the tool is in bin/ and the module in lib/svtumblers/.
    const std::string installed = exe.substr(0, slash + 1) + "../lib/svtumblers/SVTumblers.so";
    return access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0 ? installed : beside;
}

EffectModule::~EffectModule() {
    library_.Reset();
    if (!handle_) return;
    auto canUnload = reinterpret_cast<CanUnloadDLLNowFn>(dlsym(handle_, "CanUnloadDLLNow"));
    // A module that still has live objects must stay mapped: their tables
    // point into it.
    if (!canUnload || canUnload()) dlclose(handle_);
}

bool EffectModule::Load(const std::string& path) {
    path_ = path;
    // A bare name would send dlopen through the library search path; the
    // user meant a file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = "cannot load the module " + path + ": " + (why ? why : "unknown reason");
        return false;
    }
    auto get = reinterpret_cast<GetEffectsLibraryFn>(dlsym(handle_, "GetEffectsLibrary"));
    if (!get) {
        error_ = path + " is not a transition module (no GetEffectsLibrary export)";
        return false;
    }
    library_ = ComPtr<IEffectLibrary>::Adopt(get());
    if (!library_) {
        error_ = "the module " + path + " returned no library object";
        return false;
    }
    return true;
}

ComPtr<IVideoEffect> EffectModule::CreateEffect(uint32_t index) const {
    if (!library_) return {};
    return ComPtr<IVideoEffect>::Adopt(library_->CreateEffect(index));
}

} // namespace svt::host
