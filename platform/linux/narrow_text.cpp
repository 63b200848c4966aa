// Linux's narrow code page is UTF-8.
#include "platform/text.h"

namespace svt::platform {

bool Utf16ToNarrow(const char16_t* text, std::string* out) { return Utf16ToUtf8(text, out); }
bool NarrowToUtf16(const char* text, std::u16string* out) { return Utf8ToUtf16(text, out); }

} // namespace svt::platform
