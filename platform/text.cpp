// Strict conversion between UTF-16 and UTF-8. Text that would not survive the
// round trip unchanged is refused rather than patched with U+FFFD, so a path
// or a translation is never silently altered.
#include <cstdint>

#include "platform/platform.h"

namespace svt::platform {

namespace {

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

// Decodes one sequence at s; returns its length, or 0 when it is not
// well-formed UTF-8. The ranges of the second byte are those of the
// well-formed byte sequences table: they exclude overlong forms (C0, C1,
// E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and values past U+10FFFF
// (F4 90..BF, F5..FF).
int DecodeUtf8(const unsigned char* s, uint32_t* cp) {
    const unsigned char b0 = s[0];
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    int length;
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
    for (int i = 1; i < length; ++i) {
        // A zero terminator fails this test too, so a truncated sequence
        // never reads past the end of the text.
        const unsigned char b = s[i];
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
        *cp = (*cp << 6) | (b & 0x3F);
    }
    return length;
}

} // namespace

bool Utf16ToNarrow(const char16_t* text, std::string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    try {
        for (const char16_t* p = text; *p; ++p) {
            uint32_t cp = *p;
            if (IsHighSurrogate(cp)) {
                if (!IsLowSurrogate(p[1])) {
                    out->clear();
                    return false;
                }
                cp = 0x10000 + ((cp - 0xD800) << 10) + (p[1] - 0xDC00u);
                ++p;
            } else if (IsLowSurrogate(cp)) {
                out->clear();
                return false;
            }
            AppendUtf8(cp, *out);
        }
        return true;
    } catch (...) {
        out->clear();
        return false;
    }
}

bool NarrowToUtf16(const char* text, std::u16string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    try {
        const auto* s = reinterpret_cast<const unsigned char*>(text);
        while (*s) {
            uint32_t cp;
            const int length = DecodeUtf8(s, &cp);
            if (!length) {
                out->clear();
                return false;
            }
            s += length;
            if (cp < 0x10000) {
                *out += static_cast<char16_t>(cp);
            } else {
                cp -= 0x10000;
                *out += static_cast<char16_t>(0xD800 + (cp >> 10));
                *out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            }
        }
        return true;
    } catch (...) {
        out->clear();
        return false;
    }
}

} // namespace svt::platform
