// Reading small XML files that come from outside (preset files, language
// files) before TinyXML sees them. TinyXML reads a file through ftell, which
// answers nonsense for directories and devices, and parses and frees nested
// elements recursively, so deep nesting would exhaust the stack. Both are
// stopped here: only regular files up to a size limit are read, and text
// nested deeper than a limit is refused.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

namespace svt {

// Reads the regular file at `path` into *out. False, with *out cleared, when
// the file cannot be opened, is not a regular file, is larger than
// `maxBytes`, or cannot be read completely.
inline bool ReadSmallFile(const char* path, size_t maxBytes, std::string* out) {
    if (!out) return false;
    out->clear();
    if (!path || !*path) return false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st{};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
              static_cast<unsigned long long>(st.st_size) <= maxBytes;
    if (ok) {
        out->resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < out->size()) {
            const ssize_t n = ::read(fd, out->data() + done, out->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // the file shrank under us, or an error
            done += static_cast<size_t>(n);
        }
        ok = done == out->size();
    }
    ::close(fd);
    if (!ok) out->clear();
    return ok;
}

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

} // namespace svt
