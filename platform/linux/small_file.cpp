// Reading a small file whole (platform/xml_input.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/xml_input.h"

namespace svt {

bool ReadSmallFile(const char* path, size_t maxBytes, std::string* out) {
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

} // namespace svt
