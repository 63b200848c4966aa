// Writing files whole or not at all: everything is written under a temporary
// name in the destination's folder and renamed over the destination when
// complete, so a failure never leaves half a file behind.
#pragma once

#include <string>

namespace svt::host {

// A name in the same folder as `path`, hidden, unique to this process, and
// ending in the same extension (tools that choose a format by extension,
// such as ffmpeg, see the real one).
std::string TemporaryNameFor(const std::string& path);
// Renames `temporary` to `path`; on failure removes `temporary`.
bool CommitFile(const std::string& temporary, const std::string& path, std::string* error);

// The lower-case extension without the dot ("" when none).
std::string ExtensionOf(const std::string& path);
bool IsDirectory(const std::string& path);
bool MakeDirectories(const std::string& path, std::string* error);

// A temporary file or folder this run made: removed when it goes out of
// scope unless committed, and removed by SIGINT/SIGTERM/SIGHUP (the handler
// installed by InstallCleanupOnSignals) while it exists. Only what was
// registered here is ever removed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path, bool folder = false);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    // Renames it to `destination`; on failure removes it.
    bool Commit(const std::string& destination, std::string* error);
    // Stops tracking it (it was moved or removed by its owner).
    void Release();

private:
    std::string path_;
    bool folder_;
    int slot_ = -1;
};
void InstallCleanupOnSignals();

} // namespace svt::host
