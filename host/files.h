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

} // namespace svt::host
