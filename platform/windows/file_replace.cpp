// Replacing a small file as a whole on Windows: the new contents go to a
// temporary file beside the target and MoveFileExW puts it in place, so a
// reader sees the old contents or the new.
#include <windows.h>
#undef ReplaceFile // ours, below, is not the system's macro
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>

#include "platform/file_replace.h"
#include "platform/text.h"

namespace svt::platform {

namespace {

bool Widen(const std::string& path, std::u16string* wide) { return !path.empty() && NarrowToUtf16(path.c_str(), wide); }

LPCWSTR W(const std::u16string& s) { return reinterpret_cast<LPCWSTR>(s.c_str()); }

} // namespace

// Links are the file system's business here: a write through one replaces
// what it names, as the system resolves it.
std::string FollowLinks(const std::string& path) { return path; }

bool IsReadOnlyFile(const std::string& path) {
    std::u16string wide;
    if (!Widen(path, &wide)) return false;
    const DWORD attributes = GetFileAttributesW(W(wide));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool ReplaceFile(const std::string& path, mode_t, const std::function<bool(int fd)>& write) {
    std::u16string target;
    if (!Widen(path, &target)) return false;
    const DWORD attributes = GetFileAttributesW(W(target));
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() != ERROR_FILE_NOT_FOUND) return false;

    static std::atomic<uint32_t> counter{0};
    std::u16string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        std::u16string suffix;
        const std::string tag = ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        for (char c : tag) suffix += char16_t(c);
        temporary = target + suffix;
        fd = _wopen(reinterpret_cast<const wchar_t*>(temporary.c_str()),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = write(fd) && _commit(fd) == 0;
    ok = _close(fd) == 0 && ok;
    ok = ok && MoveFileExW(W(temporary), W(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(W(temporary));
    return ok;
}

} // namespace svt::platform
