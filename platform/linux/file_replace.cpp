#include "platform/file_replace.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <vector>

namespace svt::platform {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, empty file beside `target` with a name no one else uses.
int CreateTemporary(const std::string& target, mode_t mode, std::string* name) {
    static std::atomic<uint32_t> counter{0};
    const std::string folder = FolderOf(target);
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 64; ++attempt) {
        *name = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st{};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buffer(st.st_size > 0 ? size_t(st.st_size) + 1 : 4096);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || size_t(n) >= buffer.size()) return {};
        const std::string target(buffer.data(), size_t(n));
        current = target[0] == '/' ? target : FolderOf(current) + "/" + target;
    }
    return {}; // a loop, or a chain longer than the system would follow
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

bool ReplaceFile(const std::string& path, mode_t newMode, const std::function<bool(int fd)>& write) {
    const std::string target = FollowLinks(path);
    if (target.empty()) return false;
    struct stat st{};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && (!S_ISREG(st.st_mode) || IsReadOnlyFile(target))) return false;

    std::string temporary;
    const int fd = CreateTemporary(target, exists ? (st.st_mode & 07777) : newMode, &temporary);
    if (fd < 0) return false;
    bool ok = true;
    if (exists) {
        // Best effort for the owner: only a privileged process may give a
        // file away, and a group we are not in cannot be kept either.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)!::fchown(fd, uid_t(-1), st.st_gid);
        ok = ::fchmod(fd, st.st_mode & 07777) == 0; // the umask must not narrow it
    }
    ok = ok && write(fd) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Makes the rename itself durable; nothing to undo when it fails.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace svt::platform
