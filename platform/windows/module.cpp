// The module's own path and run-time loading of libraries, through the
// Windows loader.
#include <windows.h>
#undef LoadLibrary // ours, below, is not the system's macro

#include <string>

#include "platform/platform.h"

namespace svt::platform {

namespace {

// The code that asks is in this module: its address finds the module, DLL or
// program, without the handle DllMain was given.
HMODULE ThisModule() {
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&ThisModule), &module)) return nullptr;
    return module;
}

} // namespace

std::string ModulePath() {
    HMODULE module = ThisModule();
    if (!module) return {};
    try {
        // Long paths ("\\?\" prefixed) reach 32767 characters.
        std::u16string wide(32768, u'\0');
        const DWORD n = GetModuleFileNameW(module, reinterpret_cast<LPWSTR>(wide.data()), DWORD(wide.size()));
        if (n == 0 || n >= wide.size()) return {};
        wide.resize(n);
        std::string narrow;
        // A path the ANSI code page cannot spell stays unknown rather than wrong.
        if (!Utf16ToNarrow(wide.c_str(), &narrow)) return {};
        return narrow;
    } catch (...) {
        return {};
    }
}

const char* LibrarySuffix() { return ".dll"; }

void* LoadLibrary(const char* pathOrName) {
    std::u16string wide;
    if (!pathOrName || !pathOrName[0] || !NarrowToUtf16(pathOrName, &wide)) return nullptr;
    // No "cannot find the DLL" box for the user while we only probe; the
    // mode is this thread's, so the host's other threads keep theirs.
    DWORD previous = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous);
    HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(wide.c_str()));
    if (quiet) SetThreadErrorMode(previous, nullptr);
    return reinterpret_cast<void*>(module);
}

void* FindExport(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeLibrary(void* library) {
    if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace svt::platform
