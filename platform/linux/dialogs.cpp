// Linux has no system dialogs of its own to offer a module: file dialogs
// answer "cancelled", message boxes go to standard error.
#include <cstdio>

#include "platform/platform.h"

namespace svt::platform {

namespace {

std::string ForStderr(const char16_t* text) {
    std::string narrow;
    if (text && !Utf16ToNarrow(text, &narrow)) return std::string(1, '?');
    return narrow;
}

} // namespace

void SystemMessageBox(const char16_t* title, const char16_t* text, uint32_t) {
    try {
        std::fprintf(stderr, "%s: %s\n", ForStderr(title).c_str(), ForStderr(text).c_str());
    } catch (...) {
    }
}

bool SystemFileDialog(bool, void*, const char16_t*, const char16_t*, const char16_t*, char16_t*, uint32_t, uint32_t) {
    return false;
}

} // namespace svt::platform
