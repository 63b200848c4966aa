#include "library/settings.h"

#include <string>

#include "platform/platform.h"

namespace svt {

namespace {

using platform::RegistryRoot;

constexpr const char* kCommonKey = "Software\\Solvane\\Common";
constexpr const char* kKnobsDragVertical = "Knobs Drag Vertical";
constexpr const char* kKeyFramesVsPresets = "Key Frames vs Presets";
constexpr const char* kCropOverscan = "Crop Overscan";
constexpr const char* kForcedCPU = "Forced CPU";
// Values are read into a buffer of this many bytes, terminator included; a
// longer one reads as missing rather than cut.
constexpr size_t kReadBufferBytes = 10240;

// The library's own key: "Software\Solvane\" + the library name.
std::string LibraryKey() { return std::string("Software\\Solvane\\") + kLibraryName; }

// Current user first; a key or value missing there is looked up under the
// local machine.
bool ReadSetting(const char* keyPath, const char* valueName, std::string* text) {
    for (RegistryRoot root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine})
        if (platform::RegistryReadString(root, keyPath, valueName, text) && text->size() < kReadBufferBytes)
            return true;
    return false;
}

bool ReadSetting(bool ownKey, const char* valueName, std::string* text) {
    try {
        return ReadSetting(ownKey ? LibraryKey().c_str() : kCommonKey, valueName, text);
    } catch (...) {
        return false;
    }
}

// Failures are silent: the value in memory stays changed either way.
void WriteSetting(bool ownKey, const char* valueName, Bool8 on) {
    try {
        platform::RegistryWriteString(RegistryRoot::kCurrentUser, ownKey ? LibraryKey() : kCommonKey, valueName,
                                      on ? "yes" : "no");
    } catch (...) {
    }
}

} // namespace

LibrarySettings& LibrarySettings::Instance() {
    static LibrarySettings settings;
    return settings;
}

Result LibrarySettings::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (iid && *iid == IID_IUnknown) {
        *out = static_cast<ILibrarySettings*>(this);
        AddRef();
        return kOk;
    }
    return kNoInterface;
}

void LibrarySettings::SetKnobsDragVertical(Bool8 on) {
    knobsDragVertical_.store(on ? 1 : 0, std::memory_order_relaxed);
    WriteSetting(false, kKnobsDragVertical, on);
}

void LibrarySettings::SetKeyFramesVsPresets(Bool8 on) {
    keyFramesVsPresets_.store(on ? 1 : 0, std::memory_order_relaxed);
    WriteSetting(true, kKeyFramesVsPresets, on);
}

void LibrarySettings::SetCropOverscan(Bool8 on) {
    cropOverscan_.store(on ? 1 : 0, std::memory_order_relaxed);
    WriteSetting(false, kCropOverscan, on);
}

void LibrarySettings::SetForcedCPU(Bool8 on) {
    forcedCPU_.store(on ? 1 : 0, std::memory_order_relaxed);
    WriteSetting(false, kForcedCPU, on);
}

void LibrarySettings::Load() {
    std::string text;
    auto load = [&](bool ownKey, const char* valueName, std::atomic<Bool8>& field) {
        const bool on = ReadSetting(ownKey, valueName, &text) && text == "yes";
        field.store(on ? 1 : 0, std::memory_order_relaxed);
    };
    load(false, kKnobsDragVertical, knobsDragVertical_);
    load(true, kKeyFramesVsPresets, keyFramesVsPresets_);
    load(false, kCropOverscan, cropOverscan_);
    load(false, kForcedCPU, forcedCPU_);
    keyFramesWorkingCopy_.store(keyFramesVsPresets_.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void LibrarySettings::Refresh() {
    std::string text;
    auto refresh = [&](bool ownKey, const char* valueName, std::atomic<Bool8>& field) {
        if (ReadSetting(ownKey, valueName, &text))
            field.store(!text.empty() && text[0] == 'y' ? 1 : 0, std::memory_order_relaxed);
    };
    refresh(false, kKnobsDragVertical, knobsDragVertical_);
    refresh(true, kKeyFramesVsPresets, keyFramesVsPresets_);
    refresh(false, kCropOverscan, cropOverscan_);
    refresh(false, kForcedCPU, forcedCPU_);
}

} // namespace svt
