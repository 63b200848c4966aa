#include <string>

#include "platform/platform.h"

namespace svt::platform {

std::string PathBesideModule(const char* fileName) {
    if (!fileName || !fileName[0]) return {};
    try {
        std::string path = ModulePath();
        // Either separator: Windows paths may hold both, and a module's own
        // file name never holds a backslash on Linux.
        const size_t slash = path.find_last_of("\\/");
        if (slash == std::string::npos) return {};
        path.resize(slash + 1);
        path += fileName;
        return path;
    } catch (...) {
        return {};
    }
}

} // namespace svt::platform
