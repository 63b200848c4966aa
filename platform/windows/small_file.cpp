// Reading a small file whole (platform/xml_input.h), in binary mode so that
// no line ending is translated.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/text.h"
#include "platform/xml_input.h"

namespace svt {

bool ReadSmallFile(const char* path, size_t maxBytes, std::string* out) {
    if (!out) return false;
    out->clear();
    std::u16string wide;
    if (!path || !*path || !platform::NarrowToUtf16(path, &wide)) return false;
    const int fd = _wopen(reinterpret_cast<const wchar_t*>(wide.c_str()), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return false;
    struct _stat64 st{};
    bool ok = _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG && st.st_size >= 0 &&
              static_cast<unsigned long long>(st.st_size) <= maxBytes;
    if (ok) {
        try {
            out->resize(static_cast<size_t>(st.st_size));
        } catch (...) {
            ok = false;
        }
    }
    size_t done = 0;
    while (ok && done < out->size()) {
        const size_t chunk = out->size() - done < (1u << 30) ? out->size() - done : (1u << 30);
        const int n = _read(fd, out->data() + done, static_cast<unsigned>(chunk));
        if (n <= 0) break; // the file shrank under us, or an error
        done += static_cast<size_t>(n);
    }
    ok = ok && done == out->size();
    _close(fd);
    if (!ok) out->clear();
    return ok;
}

} // namespace svt
