// File dialogs and message boxes. The host supplies them through the
// module's export SVTumblersSetHostServices (library/host_services.h); until
// it does, the system's own dialogs are shown (platform.h: on Linux the
// dialogs answer "cancelled" and message boxes go to standard error).
#pragma once

#include <cstdint>

#include "library/host_services.h"

namespace svt {

// Takes a copy of `services` (null removes them). False, changing nothing,
// when the record is smaller than SVTHostServices.
bool SetHostServices(const SVTHostServices* services);

// Shows the host's open or save dialog. True when the user chose a file:
// `path` then holds it, zero-terminated within `capacity`. False when the
// user cancelled, no dialog is available, or the arguments are unusable.
bool ShowOpenDialog(void* owner, const char16_t* title, const char16_t* filter, const char16_t* defaultExtension,
                    char16_t* path, uint32_t capacity);
bool ShowSaveDialog(void* owner, const char16_t* title, const char16_t* filter, const char16_t* defaultExtension,
                    char16_t* path, uint32_t capacity);

// A modal message box with an OK button; `icon` is one of SVT_ICON_*.
void ShowMessageBox(const char16_t* title, const char16_t* text, uint32_t icon);

} // namespace svt
