// The module's own path and run-time loading of libraries.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace svt::platform {

namespace {

// NOTE: a plain buffer, not a std::string: it is written by a load-time
// constructor, which may run before this file's dynamic initialisers.
char g_modulePath[PATH_MAX];
std::once_flag g_pathOnce;

// Resolves the file that holds this code. dladdr names the module as it was
// loaded (possibly relative to a working directory that may change later) or,
// for code linked into the program itself, argv[0]; both are made absolute
// now, while the name still means what it meant at load time.
void RecordModulePath() {
    Dl_info info{};
    const char* name = nullptr;
    if (dladdr(reinterpret_cast<void*>(&RecordModulePath), &info) && info.dli_fname && info.dli_fname[0])
        name = info.dli_fname;
    char resolved[PATH_MAX];
    // A name without a slash was found through a search path, not the working
    // directory; the kernel knows the program's real file.
    if (name && std::strchr(name, '/') && realpath(name, resolved)) {
        std::memcpy(g_modulePath, resolved, sizeof(resolved));
        return;
    }
    const ssize_t n = readlink("/proc/self/exe", resolved, sizeof(resolved) - 1);
    if (n > 0) {
        resolved[n] = '\0';
        std::memcpy(g_modulePath, resolved, static_cast<size_t>(n) + 1);
    }
}

void RecordModulePathOnce() {
    try {
        std::call_once(g_pathOnce, RecordModulePath);
    } catch (...) {
        // call_once reports a failed thread primitive by throwing; the path
        // then stays unknown.
    }
}

__attribute__((constructor)) void OnLoad() { RecordModulePathOnce(); }

} // namespace

std::string ModulePath() {
    RecordModulePathOnce();
    try {
        return std::string(g_modulePath);
    } catch (...) {
        return {};
    }
}

const char* LibrarySuffix() { return ".so"; }

void* LoadLibrary(const char* pathOrName) {
    if (!pathOrName || !pathOrName[0]) return nullptr;
    return dlopen(pathOrName, RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void FreeLibrary(void* library) {
    if (library) dlclose(library);
}

} // namespace svt::platform
