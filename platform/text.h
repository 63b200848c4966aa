// The one UTF-16 <-> UTF-8 converter, and the conversion to and from the
// system's narrow code page: the module, the language library and the
// reference host all compile platform/text.cpp and the system's narrow_text.cpp
// in.
#pragma once

#include <string>
#include <string_view>

namespace svt::platform {

// Zero-terminated UTF-16 to UTF-8 and back. Strict both ways, so a path or a
// translation is never silently altered: false, with *out cleared, for
// unpaired surrogates, invalid or truncated UTF-8 sequences, overlong forms,
// encoded surrogates, code points past U+10FFFF, or a null pointer. Never
// throws (running out of memory answers false).
bool Utf16ToUtf8(const char16_t* text, std::string* out);
bool Utf8ToUtf16(const char* text, std::u16string* out);

// Zero-terminated UTF-16 to the system's narrow code page and back: what
// file names and the module's narrow texts are written in. UTF-8 on Linux
// (the functions above); the ANSI code page on Windows, where a character
// the code page lacks, or a byte sequence it does not define, fails the
// conversion instead of becoming a look-alike. Same contract otherwise.
bool Utf16ToNarrow(const char16_t* text, std::string* out);
bool NarrowToUtf16(const char* text, std::u16string* out);

// The same for text to show: every unpaired surrogate, and every byte that
// does not start a well-formed UTF-8 sequence, becomes U+FFFD. May throw
// std::bad_alloc.
std::string Utf16ToUtf8Lossy(std::u16string_view text);
std::u16string Utf8ToUtf16Lossy(std::string_view text);

} // namespace svt::platform
