// The settings store: two plain-text files standing in for the registry's
// current-user and local-machine roots. The format is described in
// platform.h.
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/file_replace.h"
#include "platform/platform.h"

namespace svt::platform {

namespace {

constexpr const char* kStoreFolder = "solvane";
constexpr const char* kStoreFile = "registry.ini";
// A settings store is a few hundred bytes; anything much larger is not ours
// and is not worth the memory.
constexpr off_t kMaxStoreBytes = 1 << 20;

// ---------------------------------------------------------------------------
// Locations

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && home[0]) return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

std::string StorePath(RegistryRoot root) {
    const bool user = root == RegistryRoot::kCurrentUser;
    std::string base;
    if (const char* relocated = std::getenv("SVT_REGISTRY_ROOT"); relocated && relocated[0]) {
        base = std::string(relocated) + (user ? "/user" : "/machine");
    } else if (!user) {
        base = "/etc/xdg";
    } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        // Relative values are invalid by the base-directory rules and ignored.
        base = config;
    } else {
        base = HomeDirectory();
        if (base.empty()) return {};
        base += "/.config";
    }
    return base + "/" + kStoreFolder + "/" + kStoreFile;
}

// ---------------------------------------------------------------------------
// Reading and parsing

// kTooLarge: a regular file over the size limit, not read.
enum class FileStatus { kRead, kMissing, kUnreadable, kTooLarge };

FileStatus ReadWholeFile(const std::string& path, std::string* text, mode_t* mode) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileStatus::kMissing : FileStatus::kUnreadable;
    FileStatus status = FileStatus::kUnreadable;
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && mode) *mode = st.st_mode & 07777;
    if (regular && st.st_size > kMaxStoreBytes) status = FileStatus::kTooLarge;
    if (regular && st.st_size <= kMaxStoreBytes) {
        text->resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        for (;;) {
            if (done == text->size()) text->resize(done + 4096); // the file grew meanwhile
            const ssize_t n = read(fd, text->data() + done, text->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            if (done + static_cast<size_t>(n) > static_cast<size_t>(kMaxStoreBytes)) {
                status = FileStatus::kTooLarge; // it grew past the limit meanwhile
                break;
            }
            if (n == 0) {
                text->resize(done);
                status = FileStatus::kRead;
                break;
            }
            done += static_cast<size_t>(n);
        }
    }
    close(fd);
    return status;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct Line {
    enum Kind { kOther, kSection, kEntry };
    std::string_view raw; // without its LF
    Kind kind = kOther;
    std::string_view name; // section: key path; entry: value name
    std::string_view value;
    size_t valueAt = 0; // entry: offset of the value in raw
};

// Splits the store into lines; false when it is malformed.
bool ParseStore(std::string_view text, std::vector<Line>* lines) {
    if (text.find('\0') != std::string_view::npos) return false;
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        Line line;
        line.raw = text.substr(start, end - start);
        start = end + 1;

        std::string_view body = line.raw;
        if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
        const std::string_view trimmed = Trim(body);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
            line.kind = Line::kOther;
        } else if (trimmed.front() == '[') {
            if (trimmed.size() < 2 || trimmed.back() != ']') return false;
            line.kind = Line::kSection;
            line.name = Trim(trimmed.substr(1, trimmed.size() - 2));
            if (line.name.empty()) return false;
            inSection = true;
        } else {
            const size_t eq = body.find('=');
            if (eq == std::string_view::npos || !inSection) return false;
            line.kind = Line::kEntry;
            line.name = Trim(body.substr(0, eq));
            if (line.name.empty()) return false;
            line.valueAt = eq + 1;
            line.value = body.substr(eq + 1);
        }
        lines->push_back(line);
    }
    return true;
}

constexpr size_t kNoLine = static_cast<size_t>(-1);

// Index of the line holding the value (the last one wins), or kNoLine.
size_t FindEntry(const std::vector<Line>& lines, std::string_view keyPath, std::string_view valueName) {
    size_t found = kNoLine;
    bool inKey = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::kSection)
            inKey = EqualsNoCase(lines[i].name, keyPath);
        else if (lines[i].kind == Line::kEntry && inKey && EqualsNoCase(lines[i].name, valueName))
            found = i;
    }
    return found;
}

// Index of the last section header or entry of the last section named
// keyPath, where a new entry goes after; kNoLine when there is none.
size_t FindInsertionPoint(const std::vector<Line>& lines, std::string_view keyPath) {
    size_t at = kNoLine;
    bool inKey = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::kSection) {
            inKey = EqualsNoCase(lines[i].name, keyPath);
            if (inKey) at = i;
        } else if (lines[i].kind == Line::kEntry && inKey) {
            at = i;
        }
    }
    return at;
}

// ---------------------------------------------------------------------------
// Writing

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

bool IsStorableName(std::string_view s) { return !s.empty() && Trim(s) == s && !HasLineBreakOrNul(s); }

bool MakeDirectories(const std::string& dir) {
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        // 0700 as the base-directory rules ask for folders we create.
        struct stat st;
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST && !(stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            return false;
        if (slash == std::string::npos) return true;
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Keeps what a person wrote (or what grew out of bounds) for them to look
// at, and lets the store start afresh. A read-only store stays where it is.
bool MoveAside(const std::string& path) {
    return !IsReadOnlyFile(path) && rename(path.c_str(), (path + ".bad").c_str()) == 0;
}

// `path` is the store file itself, links already followed.
bool WriteLocked(const std::string& path, std::string_view keyPath, std::string_view valueName,
                 std::string_view value) {
    std::string text;
    mode_t mode = 0644;
    std::vector<Line> lines;
    switch (ReadWholeFile(path, &text, &mode)) {
    case FileStatus::kUnreadable:
        return false; // not ours to overwrite blindly
    case FileStatus::kMissing:
        text.clear();
        break;
    case FileStatus::kTooLarge:
        if (!MoveAside(path)) return false;
        text.clear();
        break;
    case FileStatus::kRead:
        if (!ParseStore(text, &lines)) {
            if (!MoveAside(path)) return false;
            lines.clear();
        }
        break;
    }

    std::string out;
    out.reserve(text.size() + keyPath.size() + valueName.size() + value.size() + 8);
    const size_t entry = FindEntry(lines, keyPath, valueName);
    const size_t insertAfter = entry != kNoLine ? kNoLine : FindInsertionPoint(lines, keyPath);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (i == entry) {
            // Keep the name as the person spelled it, and a CRLF ending.
            out.append(line.raw.substr(0, line.valueAt)).append(value);
            if (line.raw.back() == '\r') out += '\r';
        } else {
            out.append(line.raw);
        }
        out += '\n';
        if (i == insertAfter) out.append(valueName).append("=").append(value) += '\n';
    }
    if (entry == kNoLine && insertAfter == kNoLine) {
        if (!out.empty()) out += '\n';
        out.append("[").append(keyPath).append("]\n");
        out.append(valueName).append("=").append(value) += '\n';
    }
    return ReplaceFile(path, mode, [&](int fd) { return WriteAll(fd, out); });
}

} // namespace

std::string RegistryStorePath(RegistryRoot root) {
    try {
        return StorePath(root);
    } catch (...) {
        return {};
    }
}

bool RegistryReadString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                        std::string* out) {
    if (!out) return false;
    out->clear();
    try {
        const std::string path = StorePath(root);
        if (path.empty()) return false;
        std::string text;
        if (ReadWholeFile(path, &text, nullptr) != FileStatus::kRead) return false;
        std::vector<Line> lines;
        if (!ParseStore(text, &lines)) return false;
        const size_t at = FindEntry(lines, keyPath, valueName);
        if (at == kNoLine) return false;
        out->assign(lines[at].value);
        return true;
    } catch (...) {
        out->clear();
        return false;
    }
}

bool RegistryWriteString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value) {
    if (root != RegistryRoot::kCurrentUser) return false;
    if (!IsStorableName(keyPath) || !IsStorableName(valueName) || HasLineBreakOrNul(value)) return false;
    if (valueName.find('=') != std::string::npos) return false;
    if (valueName.front() == '[' || valueName.front() == ';' || valueName.front() == '#') return false;
    try {
        const std::string path = StorePath(root);
        if (path.empty()) return false;
        const std::string dir = path.substr(0, path.rfind('/'));
        if (!MakeDirectories(dir)) return false;
        const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) return false;
        // NOTE: the lock is on the folder, so no lock file is left beside the
        // store; it serialises writers in this and other processes (flock
        // locks belong to the open file, not to the process).
        bool ok = false;
        int locked;
        while ((locked = flock(dirFd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked == 0) {
            try {
                // Through a symbolic link to the file it names, so the link
                // stays and its target changes.
                const std::string target = FollowLinks(path);
                ok = !target.empty() && WriteLocked(target, keyPath, valueName, value);
            } catch (...) {
                ok = false;
            }
        }
        close(dirFd); // drops the lock
        return ok;
    } catch (...) {
        return false;
    }
}

} // namespace svt::platform
