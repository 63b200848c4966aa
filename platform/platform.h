// The system services the module relies on: the module's path, the
// processor's SIMD level, loading libraries, text conversion, the settings
// store, the system's own dialogs. The build compiles one system's half:
// platform/windows/ for the Windows DLL, platform/linux/ (the stand-in for
// those services) everywhere else; what is common lies in platform/ itself.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace svt::platform {

// --- Module --------------------------------------------------------------
// Absolute path of the loaded module file (SVTumblers.so, or the program
// that links the library statically); empty when unknown. Recorded once, by
// a load-time constructor, while a relative load path still means what it
// meant at load time.
std::string ModulePath();
// ModulePath() with its file name replaced by `fileName`; empty when unknown.
std::string PathBesideModule(const char* fileName);

// --- Processor ------------------------------------------------------------
enum class SimdLevel { kScalar, kSse2, kAvx2 };
// The widest level this processor runs, detected once (SSE2 is the x86-64
// baseline).
SimdLevel ProcessorSimdLevel();
// What the kernel tables should use: the processor's level, or kScalar when
// SVT_FORCE_SCALAR=1 is in the environment (read at each call, so tests may
// switch it).
SimdLevel KernelSimdLevel();

// --- Libraries -----------------------------------------------------------
// The file name ending of a loadable library here: ".dll" or ".so".
const char* LibrarySuffix();
// A path with a slash is loaded as given; a bare name through the
// platform's search order. Null on failure.
void* LoadLibrary(const char* pathOrName);
void* FindExport(void* library, const char* name);
void FreeLibrary(void* library);

// --- Settings store -------------------------------------------------------
// Windows: the registry itself; reads go through RegOpenKeyExA (KEY_READ) and
// RegQueryValueExA, REG_SZ values only, at most 10240 bytes; writes through
// RegCreateKeyExA and RegSetValueExA as REG_SZ with the terminator. The rest
// of this comment describes the Linux stand-in.
//
// Linux: two plain-text stores a person can read and edit:
//   current user   $XDG_CONFIG_HOME/solvane/registry.ini (default ~/.config)
//   local machine  /etc/xdg/solvane/registry.ini
// SVT_REGISTRY_ROOT=<dir> moves them to <dir>/user/solvane/registry.ini and
// <dir>/machine/solvane/registry.ini (tests, portable installs).
//
// Format: one section per key path, "name=value" lines below it:
//   [Software\Solvane\Common]
//   Crop Overscan=yes
// Blank lines and lines starting with ';' or '#' are comments. Key paths and
// value names compare ASCII case-insensitively, as registry names do; blanks
// around a name and inside the brackets are ignored. The value is the rest
// of the line after the first '=', exactly (no trimming, no escapes; a CR
// before the line end is dropped), so a value may hold any character except
// CR, LF and NUL. Where a name repeats, the last line wins. A store with a
// line that fits none of these forms, or an entry before the first section,
// is malformed and reads as empty as a whole rather than half-understood.
enum class RegistryRoot { kCurrentUser, kLocalMachine };
// Reads a string value; false, with *out cleared, when the store, key or
// value is missing or the store cannot be read or is malformed.
bool RegistryReadString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                        std::string* out);
// Writes a string value to the current user's store: the whole store is
// rewritten to a temporary file beside it, synced and renamed over it, with
// the folders created as needed; other sections, lines and comments are kept.
// A malformed store, or one over 1 MiB, is first moved aside to
// registry.ini.bad. A symbolic link is written through (the link stays; its
// target is replaced in the target's folder); the file keeps its mode, and a
// store that is itself read-only is not written. False for the
// local-machine root (never written), for names or values the format cannot
// hold (CR, LF or NUL anywhere; in a value name also '=' or a leading '[', ';',
// '#'; an empty key path or name, or blanks at either end of one), when the
// existing store cannot be read, and on any file error.
bool RegistryWriteString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value);
// The file behind a store (empty when no location can be found, e.g. no
// HOME); for tests and the README's sake. Windows: the root key's name.
std::string RegistryStorePath(RegistryRoot root);

// --- The system's dialogs ----------------------------------------------------
// For when the host supplies none (library/host_dialogs.h). Windows: the
// common open and save dialogs, and a message box owned by the foreground
// window. Linux has neither: the file dialog answers "cancelled" and the
// message box is written to standard error as "title: text".
// `icon` is one of SVT_ICON_* (the system's own MB_ICON* values); `flags`
// are the SVT_DIALOG_* bits, below.
inline constexpr uint32_t kDialogMustExist = 0x1;
inline constexpr uint32_t kDialogOverwritePrompt = 0x2;
void SystemMessageBox(const char16_t* title, const char16_t* text, uint32_t icon);
// True when the user chose a file, then in `path` (zero-terminated within
// `capacity`); `path` holds the initial name on entry.
bool SystemFileDialog(bool save, void* owner, const char16_t* title, const char16_t* filter,
                      const char16_t* defaultExtension, char16_t* path, uint32_t capacity, uint32_t flags);

} // namespace svt::platform
