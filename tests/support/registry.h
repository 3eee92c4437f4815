#pragma once
// Values under HKEY_CURRENT_USER set for one test and removed afterwards, and read back.
#include <windows.h>

#include <string>

namespace support {

// A DWORD value, set for one test and removed afterwards.
class RegistryValue {
  public:
    RegistryValue(const char* keyPath, const char* name, DWORD value);
    ~RegistryValue();
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

  private:
    std::string keyPath_;
    std::string name_;
};

// A text value, set for one test and removed afterwards.
class RegistryText {
  public:
    RegistryText(const char* keyPath, const char* name, const char* value);
    ~RegistryText();
    RegistryText(const RegistryText&) = delete;
    RegistryText& operator=(const RegistryText&) = delete;

  private:
    std::string keyPath_;
    std::string name_;
};

DWORD ReadRegistryDword(const char* keyPath, const char* name, DWORD fallback);
std::string ReadRegistryString(const char* keyPath, const char* name); // "" when absent

} // namespace support
