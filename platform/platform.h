// Our stand-in for the Windows services the module relies on: module
// attach and path, loading libraries, text conversion, the settings store.
#pragma once

#include <string>

namespace svt::platform {

// --- Module --------------------------------------------------------------
// Absolute path of the loaded module file (SVTumblers.so, or the program
// that links the library statically); empty when unknown.
std::string ModulePath();
// ModulePath() with its file name replaced by `fileName`; empty when unknown.
std::string PathBesideModule(const char* fileName);

// --- Libraries -----------------------------------------------------------
// A path with a slash is loaded as given; a bare name through the
// platform's search order. Null on failure.
void* LoadLibrary(const char* pathOrName);
void* FindExport(void* library, const char* name);
void FreeLibrary(void* library);

// --- Text ----------------------------------------------------------------
// UTF-16 to the narrow code page (UTF-8) and back. False, with *out
// cleared, when the text cannot be converted (unpaired surrogates, invalid
// UTF-8) or a pointer is null.
bool Utf16ToNarrow(const char16_t* text, std::string* out);
bool NarrowToUtf16(const char* text, std::u16string* out);

// --- Settings store (registry stand-in) -----------------------------------
enum class RegistryRoot { kCurrentUser, kLocalMachine };
// Reads a string value; false when the store, key or value is missing or the
// store cannot be read.
bool RegistryReadString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                        std::string* out);
// Writes a string value atomically (temporary file, then rename).
bool RegistryWriteString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value);

} // namespace svt::platform
