// LibrarySettings: the four yes/no user settings, one static object for the
// whole module, backed by the settings store (registry stand-in).
#pragma once

#include "library/abi.h"

namespace svt {

class LibrarySettings final : public ILibrarySettings {
public:
    static LibrarySettings& Instance();

    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override { return 2; } // static: counting never destroys it
    uint32_t Release() override { return 1; }

    Bool8 GetKnobsDragVertical() override { return knobsDragVertical_; }
    void SetKnobsDragVertical(Bool8 on) override;
    Bool8 GetKeyFramesVsPresets() override { return keyFramesVsPresets_; }
    void SetKeyFramesVsPresets(Bool8 on) override;
    Bool8 GetCropOverscan() override { return cropOverscan_; }
    void SetCropOverscan(Bool8 on) override;
    Bool8 GetForcedCPU() override { return forcedCPU_; }
    void SetForcedCPU(Bool8 on) override;
    void Refresh() override;

    // Reads all four values: true exactly when the stored text is "yes".
    void Load();
    // Once per module: the first library object loads the settings.
    void LoadOnce();
    // The options dialog's working copy of "Key Frames vs Presets".
    Bool8 keyFramesWorkingCopy() const { return keyFramesWorkingCopy_; }

private:
    LibrarySettings() = default;
    ~LibrarySettings() = default;

    Bool8 knobsDragVertical_ = 0;
    Bool8 keyFramesVsPresets_ = 0;
    Bool8 keyFramesWorkingCopy_ = 0;
    Bool8 cropOverscan_ = 0;
    Bool8 forcedCPU_ = 0;
};

} // namespace svt
