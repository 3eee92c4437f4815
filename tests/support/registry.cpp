#include "support/registry.h"

namespace support {

namespace {

void SetValue(const char* keyPath, const char* name, DWORD type, const BYTE* data, DWORD size) {
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, keyPath, &key);
    ::RegSetValueExA(key, name, 0, type, data, size);
    ::RegCloseKey(key);
}

void DeleteValue(const std::string& keyPath, const std::string& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, keyPath.c_str(), &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, name.c_str());
        ::RegCloseKey(key);
    }
}

// The value's bytes into `data` (room for `size`); false when it cannot be read.
bool QueryValue(const char* keyPath, const char* name, BYTE* data, DWORD size) {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, keyPath, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool read = ::RegQueryValueExA(key, name, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return read;
}

} // namespace

RegistryValue::RegistryValue(const char* keyPath, const char* name, DWORD value)
    : keyPath_(keyPath), name_(name) {
    SetValue(keyPath, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

RegistryValue::~RegistryValue() {
    DeleteValue(keyPath_, name_);
}

RegistryText::RegistryText(const char* keyPath, const char* name, const char* value)
    : keyPath_(keyPath), name_(name) {
    SetValue(keyPath, name, REG_SZ, reinterpret_cast<const BYTE*>(value),
             static_cast<DWORD>(lstrlenA(value) + 1));
}

RegistryText::~RegistryText() {
    DeleteValue(keyPath_, name_);
}

DWORD ReadRegistryDword(const char* keyPath, const char* name, DWORD fallback) {
    DWORD value = fallback;
    return QueryValue(keyPath, name, reinterpret_cast<BYTE*>(&value), sizeof(value)) ? value
                                                                                     : fallback;
}

std::string ReadRegistryString(const char* keyPath, const char* name) {
    char value[512] = {};
    return QueryValue(keyPath, name, reinterpret_cast<BYTE*>(value), sizeof(value) - 1) ? value
                                                                                        : "";
}

} // namespace support
