// Replacing a small file as a whole (the settings store, preset files): the
// new contents go to a temporary file beside the file that is changed, are
// synced and renamed over it, so a reader sees the old contents or the new,
// never a mixture, and a crash leaves one of the two.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace svt::platform {

// The file a write to `path` changes: symbolic links in its last component
// followed, relative targets taken from the link's folder, up to 40 links.
// The last target need not exist. Empty for a loop or an unreadable link.
std::string FollowLinks(const std::string& path);

// Whether the file at `path` exists and is read-only: we may not write it,
// or it has no write permission bit at all (which even the superuser is
// meant to respect here).
bool IsReadOnlyFile(const std::string& path);

// Replaces the file at FollowLinks(path) by what `write` puts into the new
// file's descriptor (true when it wrote everything). The link itself stays.
// An existing file keeps its mode and, where the process may set them, its
// owner and group; a new one is created with `newMode` less the umask. False,
// with every file as it was, when the target is not a regular file, is
// read-only, or on any error (nothing temporary is left behind).
bool ReplaceFile(const std::string& path, mode_t newMode, const std::function<bool(int fd)>& write);

} // namespace svt::platform
