// Conversion between UTF-16 and UTF-8, strict or replacing what is not
// well-formed with U+FFFD.
#include "platform/text.h"

#include <cstdint>

namespace svt::platform {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(uint32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one sequence at s[0] of the `size` bytes left; returns its length,
// or 0 when it is not well-formed UTF-8. The ranges of the second byte are
// those of the well-formed byte sequences table: they exclude overlong forms
// (C0, C1, E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and values past
// U+10FFFF (F4 90..BF, F5..FF).
size_t DecodeUtf8(const unsigned char* s, size_t size, uint32_t* cp) {
    const unsigned char b0 = s[0];
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    size_t length;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        *cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        *cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        *cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (length > size) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char b = s[i];
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
        *cp = (*cp << 6) | (b & 0x3F);
    }
    return length;
}

// False at the first fault unless `replace`, which writes U+FFFD for it.
bool ToUtf8(std::u16string_view text, bool replace, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            if (!replace) return false;
            cp = kReplacement;
        }
        AppendUtf8(cp, out);
    }
    return true;
}

bool ToUtf16(std::string_view text, bool replace, std::u16string& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        size_t length = DecodeUtf8(s + i, text.size() - i, &cp);
        if (!length) {
            if (!replace) return false;
            cp = kReplacement;
            length = 1; // resynchronise on the next byte
        }
        AppendUtf16(cp, out);
        i += length;
    }
    return true;
}

} // namespace

bool Utf16ToUtf8(const char16_t* text, std::string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    try {
        if (ToUtf8(text, false, *out)) return true;
    } catch (...) {
    }
    out->clear();
    return false;
}

bool Utf8ToUtf16(const char* text, std::u16string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    try {
        if (ToUtf16(text, false, *out)) return true;
    } catch (...) {
    }
    out->clear();
    return false;
}

std::string Utf16ToUtf8Lossy(std::u16string_view text) {
    std::string out;
    ToUtf8(text, true, out);
    return out;
}

std::u16string Utf8ToUtf16Lossy(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    ToUtf16(text, true, out);
    return out;
}

} // namespace svt::platform
