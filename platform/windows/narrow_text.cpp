// Windows' narrow code page is the ANSI code page (CP_ACP), converted by the
// system itself. Strict both ways: a character the code page lacks fails
// rather than turning into a best-fit look-alike or '?', and so does a byte
// sequence it does not define.
#include <windows.h>

#include "platform/text.h"

namespace svt::platform {

bool Utf16ToNarrow(const char16_t* text, std::string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    if (!*text) return true;
    const auto* wide = reinterpret_cast<LPCWSTR>(text);
    // UTF-8 as the ANSI code page takes no default character; it reports an
    // unpaired surrogate as an invalid character instead.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr, usedDefaultOut);
    if (size <= 0 || usedDefault) return false;
    try {
        out->resize(size_t(size));
    } catch (...) {
        return false;
    }
    const int written = WideCharToMultiByte(CP_ACP, flags, wide, -1, out->data(), size, nullptr, usedDefaultOut);
    if (written != size || usedDefault) {
        out->clear();
        return false;
    }
    out->resize(size_t(size) - 1); // the terminator
    return true;
}

bool NarrowToUtf16(const char* text, std::u16string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    if (!*text) return true;
    const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (size <= 0) return false;
    try {
        out->resize(size_t(size));
    } catch (...) {
        return false;
    }
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, reinterpret_cast<LPWSTR>(out->data()), size) !=
        size) {
        out->clear();
        return false;
    }
    out->resize(size_t(size) - 1);
    return true;
}

} // namespace svt::platform
