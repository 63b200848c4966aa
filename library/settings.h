// LibrarySettings: the four yes/no user settings, one static object for the
// whole module, backed by the settings store (registry stand-in, see
// platform/platform.h).
//
// Where the values live: key "Software\Solvane\Common" holds "Knobs Drag
// Vertical", "Crop Overscan" and "Forced CPU"; the library's own key
// "Software\Solvane\Solvane Tumblers" holds "Key Frames vs Presets". Each is
// the text "yes" or "no". Reads look in the current user's store first and
// fall back to the local machine's; writes go to the current user's store.
//
// Threads: setters run on the host's UI thread while render threads read;
// each setting is a single atomic byte, so readers see the old or the new
// value and nothing is locked.
#pragma once

#include <atomic>

#include "library/abi.h"

namespace svt {

// The library's name, as IEffectLibrary reports it; its own settings key ends
// with it.
inline constexpr const char* kLibraryName = "Solvane Tumblers";

class LibrarySettings final : public ILibrarySettings {
public:
    static LibrarySettings& Instance();

    // Answers IUnknown only: the settings table has no interface identifier
    // of its own, hosts reach it through IEffectLibrary::GetSettings.
    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override { return 2; } // static: counting never destroys it
    uint32_t Release() override { return 1; }

    Bool8 GetKnobsDragVertical() override { return knobsDragVertical_.load(std::memory_order_relaxed); }
    void SetKnobsDragVertical(Bool8 on) override;
    Bool8 GetKeyFramesVsPresets() override { return keyFramesVsPresets_.load(std::memory_order_relaxed); }
    void SetKeyFramesVsPresets(Bool8 on) override;
    Bool8 GetCropOverscan() override { return cropOverscan_.load(std::memory_order_relaxed); }
    void SetCropOverscan(Bool8 on) override;
    Bool8 GetForcedCPU() override { return forcedCPU_.load(std::memory_order_relaxed); }
    void SetForcedCPU(Bool8 on) override;
    // Re-reads the stores: a value that is there turns its setting on when
    // its first character is 'y'; a missing value keeps the setting as it is.
    void Refresh() override;

    // Reads all four values: a setting is on exactly when its stored text is
    // "yes"; a missing value turns it off. Also resets the options dialog's
    // working copy of "Key Frames vs Presets" to the stored value. The first
    // library object calls it.
    void Load();
    // The options dialog's working copy of "Key Frames vs Presets".
    Bool8 keyFramesWorkingCopy() const { return keyFramesWorkingCopy_.load(std::memory_order_relaxed); }

private:
    LibrarySettings() = default;
    ~LibrarySettings() = default;

    std::atomic<Bool8> knobsDragVertical_{0};
    std::atomic<Bool8> keyFramesVsPresets_{0};
    std::atomic<Bool8> keyFramesWorkingCopy_{0};
    std::atomic<Bool8> cropOverscan_{0};
    std::atomic<Bool8> forcedCPU_{0};
};

} // namespace svt
