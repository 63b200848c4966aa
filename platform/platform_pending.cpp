// Placeholder until the platform layer lands.
#include "platform/platform.h"

namespace svt::platform {

std::string ModulePath() { return {}; }
std::string PathBesideModule(const char*) { return {}; }
void* LoadLibrary(const char*) { return nullptr; }
void* FindExport(void*, const char*) { return nullptr; }
void FreeLibrary(void*) {}
bool Utf16ToNarrow(const char16_t*, std::string* out) { if (out) out->clear(); return false; }
bool NarrowToUtf16(const char*, std::u16string* out) { if (out) out->clear(); return false; }
bool RegistryReadString(RegistryRoot, const std::string&, const std::string&, std::string*) { return false; }
bool RegistryWriteString(RegistryRoot, const std::string&, const std::string&, const std::string&) { return false; }

} // namespace svt::platform
