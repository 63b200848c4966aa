#include "library/settings.h"

namespace svt {

LibrarySettings& LibrarySettings::Instance() {
    static LibrarySettings settings;
    return settings;
}

Result LibrarySettings::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (iid && *iid == IID_IUnknown) {
        *out = static_cast<ILibrarySettings*>(this);
        return kOk;
    }
    return kNoInterface;
}

void LibrarySettings::SetKnobsDragVertical(Bool8 on) { knobsDragVertical_ = on ? 1 : 0; }
void LibrarySettings::SetKeyFramesVsPresets(Bool8 on) { keyFramesVsPresets_ = on ? 1 : 0; }
void LibrarySettings::SetCropOverscan(Bool8 on) { cropOverscan_ = on ? 1 : 0; }
void LibrarySettings::SetForcedCPU(Bool8 on) { forcedCPU_ = on ? 1 : 0; }
void LibrarySettings::Refresh() {}
void LibrarySettings::Load() {}
void LibrarySettings::LoadOnce() {}

} // namespace svt
