#include "host/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace svt::host {

std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size())
        return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> serial{0};
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string ext = ExtensionOf(path);
    return dir + "." + base + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(serial++) +
           (ext.empty() ? "" : "." + ext);
}

bool CommitFile(const std::string& temporary, const std::string& path, std::string* error) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::string& path, std::string* error) {
    if (path.empty() || IsDirectory(path)) return true;
    for (size_t pos = 1; pos != std::string::npos;) {
        pos = path.find('/', pos);
        const std::string part = path.substr(0, pos);
        if (!part.empty() && !IsDirectory(part) && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            if (error) *error = "cannot create the folder " + part + ": " + std::strerror(errno);
            return false;
        }
        if (pos != std::string::npos) ++pos;
    }
    return true;
}

} // namespace svt::host
