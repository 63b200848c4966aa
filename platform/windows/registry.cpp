// The settings store is the registry: string values under the current user,
// read there first and then under the local machine.
#include <windows.h>

#include "platform/platform.h"

namespace svt::platform {

namespace {

// Values are read into a buffer of this many bytes, terminator included.
constexpr DWORD kReadBufferBytes = 10240;

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

} // namespace

std::string RegistryStorePath(RegistryRoot root) {
    return root == RegistryRoot::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool RegistryReadString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                        std::string* out) {
    if (!out) return false;
    out->clear();
    if (keyPath.empty() || HasNul(keyPath) || HasNul(valueName)) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootKey(root), keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buffer[kReadBufferBytes];
    DWORD type = 0;
    DWORD size = sizeof(buffer) - 1; // room to terminate a value stored without one
    const LSTATUS status =
        RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return false;
    buffer[size] = '\0';
    try {
        out->assign(buffer); // up to the first terminator
    } catch (...) {
        out->clear();
        return false;
    }
    return true;
}

bool RegistryWriteString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value) {
    if (root != RegistryRoot::kCurrentUser) return false;
    if (keyPath.empty() || valueName.empty() || HasNul(keyPath) || HasNul(valueName) || HasNul(value)) return false;
    if (value.size() + 1 > kReadBufferBytes) return false; // could never be read back
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

} // namespace svt::platform
