#include "host/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <dirent.h>

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


// ---------------------------------------------------------------------------
// Temporaries removed on signals. The handler may only use what is safe in a
// signal: fixed buffers, unlink, rmdir, and the folder's own listing is not
// safe, so a temporary folder holds at most the frames listed in it below.

namespace {

constexpr int kSlots = 16;
constexpr size_t kPathMax = 4096;
struct SignalSlot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 armed
    bool folder = false;
    char path[kPathMax] = {};
};
SignalSlot g_slots[kSlots];

void RemoveFolder(const char* path) {
    // The folder is this run's own: everything in it was written by this run.
    if (DIR* d = opendir(path)) {
        while (dirent* e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            char name[kPathMax + 256];
            std::snprintf(name, sizeof(name), "%s/%s", path, e->d_name);
            unlink(name);
        }
        closedir(d);
    }
    rmdir(path);
}

void OnSignal(int sig) {
    for (SignalSlot& s : g_slots)
        if (s.state.load() == 2) {
            if (s.folder)
                RemoveFolder(s.path);
            else
                unlink(s.path);
        }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

void InstallCleanupOnSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, OnSignal);
}

TemporaryFile::TemporaryFile(std::string path, bool folder) : path_(std::move(path)), folder_(folder) {
    if (path_.empty() || path_.size() >= kPathMax) return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].state.compare_exchange_strong(expected, 1)) continue;
        // Armed only once the whole name is there.
        std::memcpy(g_slots[i].path, path_.c_str(), path_.size() + 1);
        g_slots[i].folder = folder_;
        g_slots[i].state.store(2);
        slot_ = i;
        break;
    }
}

TemporaryFile::~TemporaryFile() {
    if (path_.empty()) return;
    if (folder_)
        RemoveFolder(path_.c_str());
    else
        std::remove(path_.c_str());
    Release();
}

void TemporaryFile::Release() {
    if (slot_ >= 0) g_slots[slot_].state.store(0);
    slot_ = -1;
    path_.clear();
}

bool TemporaryFile::Commit(const std::string& destination, std::string* error) {
    if (path_.empty()) return false;
    const bool ok = std::rename(path_.c_str(), destination.c_str()) == 0;
    if (!ok && error) *error = "cannot write " + destination + ": " + std::strerror(errno);
    if (ok) Release();
    return ok;
}

} // namespace svt::host
