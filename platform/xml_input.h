// Reading small XML files that come from outside (preset files, language
// files) before TinyXML sees them. TinyXML reads a file through ftell, which
// answers nonsense for directories and devices, and parses and frees nested
// elements recursively, so deep nesting would exhaust the stack. Both are
// stopped here: only regular files up to a size limit are read, and text
// nested deeper than a limit is refused.
#pragma once

#include <cstddef>
#include <string>

namespace svt {

// Reads the regular file at `path` into *out. False, with *out cleared, when
// the file cannot be opened, is not a regular file, is larger than
// `maxBytes`, or cannot be read completely.
bool ReadSmallFile(const char* path, size_t maxBytes, std::string* out);

// An upper bound of the element nesting depth of `text` (up to the first
// zero byte or `size`), or false when that bound exceeds `maxDepth`. Start
// tags count up unless they close themselves; end tags count down;
// declarations, comments and processing instructions are skipped, but a tag
// written inside them still counts, so the bound can only be too high. Quoted
// attribute values are skipped, since TinyXML reads "/>" or ">" there as text.
inline bool XmlDepthWithin(const char* text, size_t size, int maxDepth) {
    if (!text) return true;
    int depth = 0;
    size_t i = 0;
    while (i < size && text[i]) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        const char next = i + 1 < size ? text[i + 1] : '\0';
        if (next == '/') {
            if (depth > 0) --depth;
            i += 2;
            continue;
        }
        if (next == '!' || next == '?') {
            i += 2;
            continue;
        }
        if (++depth > maxDepth) return false;
        // Find the end of the start tag, stepping over quoted values; each
        // byte is visited once, so the scan stays linear.
        size_t j = i + 1;
        char quote = 0;
        char last = 0;
        for (; j < size && text[j]; ++j) {
            const char c = text[j];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            } else if (c == '<') {
                break; // a malformed tag; the '<' is looked at again
            }
            if (!quote) last = c;
        }
        if (j < size && text[j] == '>') {
            if (last == '/') --depth;
            ++j;
        }
        i = j;
    }
    return true;
}

namespace xml_input_detail {

// At text[i]: the length of the well-formed UTF-8 sequence there (no
// overlong forms, surrogates or code points past U+10FFFF), *valid set; or,
// *valid clear, the length of its longest start that could still have become
// one (at least 1), which is replaced by one U+FFFD as a whole.
inline size_t Utf8SequenceAt(const unsigned char* text, size_t size, size_t i, bool* valid) {
    const unsigned char b0 = text[i];
    *valid = true;
    if (b0 < 0x80) return 1;
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        *valid = false;
        return 1;
    }
    size_t k = 1;
    for (; k < n && i + k < size; ++k) {
        const unsigned char c = text[i + k];
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) break;
    }
    *valid = k == n;
    return k;
}

// The length of the well-formed UTF-8 sequence at text[i], or 0.
inline size_t Utf8SequenceLength(const unsigned char* text, size_t size, size_t i) {
    bool valid;
    const size_t n = Utf8SequenceAt(text, size, i, &valid);
    return valid ? n : 0;
}

} // namespace xml_input_detail

// Text for TinyXML: `text` up to its first zero byte, as it is when it is
// well-formed UTF-8, else read as Latin-1 and converted, followed by a few
// zero bytes of margin.
inline std::string PrepareXmlText(const char* text, size_t size) {
    std::string out;
    if (!text) return out;
    size_t length = 0;
    while (length < size && text[length]) ++length;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    bool wellFormed = true;
    for (size_t i = 0; i < length && wellFormed;) {
        const size_t n = xml_input_detail::Utf8SequenceLength(bytes, length, i);
        wellFormed = n != 0;
        i += n;
    }
    if (wellFormed) {
        out.assign(text, length);
    } else {
        out.reserve(length * 2);
        for (size_t i = 0; i < length; ++i) {
            if (bytes[i] < 0x80) {
                out.push_back(static_cast<char>(bytes[i]));
            } else {
                out.push_back(static_cast<char>(0xC0 | (bytes[i] >> 6)));
                out.push_back(static_cast<char>(0x80 | (bytes[i] & 0x3F)));
            }
        }
    }
    out.append(8, '\0');
    return out;
}

} // namespace svt
