// The system's message box and common file dialogs, for a host that gave
// the module none of its own.
#include <windows.h>
#include <commdlg.h>

#include "platform/platform.h"

namespace svt::platform {

namespace {

LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }

} // namespace

void SystemMessageBox(const char16_t* title, const char16_t* text, uint32_t icon) {
    MessageBoxW(GetForegroundWindow(), Wide(text ? text : u""), Wide(title ? title : u""), MB_OK | (icon & MB_ICONMASK));
}

bool SystemFileDialog(bool save, void* owner, const char16_t* title, const char16_t* filter,
                      const char16_t* defaultExtension, char16_t* path, uint32_t capacity, uint32_t flags) {
    if (!path || capacity == 0) return false;
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = Wide(filter);
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = reinterpret_cast<LPWSTR>(path);
    dialog.nMaxFile = capacity;
    dialog.lpstrTitle = Wide(title);
    dialog.lpstrDefExt = defaultExtension && defaultExtension[0] ? Wide(defaultExtension) : nullptr;
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (flags & kDialogMustExist) dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (flags & kDialogOverwritePrompt) dialog.Flags |= OFN_OVERWRITEPROMPT;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen != FALSE;
}

} // namespace svt::platform
