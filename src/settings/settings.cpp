#include "settings/settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace {

// What GetProfileStringA gives for a key that WIN.INI does not hold; no stored text
// starts with a control character.
constexpr char kAbsentProfileText[] = "\x01";

HKEY RegistryKey(const void* context) {
    return *static_cast<const HKEY*>(context);
}

bool FindRegistryInt(const void* context, const char* key, int* value) {
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (::RegQueryValueExA(RegistryKey(context), key, nullptr, &type,
                           reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(number)) {
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

// A REG_SZ value may lack its terminating zero and may be of any length.
bool FindRegistryText(const void* context, const char* key, char* text) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(RegistryKey(context), key, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    std::string stored(size, '\0');
    if (size > 0 &&
        ::RegQueryValueExA(RegistryKey(context), key, nullptr, &type,
                           reinterpret_cast<BYTE*>(stored.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    stored.resize(std::strlen(stored.c_str()));
    std::snprintf(text, kSettingsTextSize, "%s", stored.c_str());
    return true;
}

bool FindProfileText(const void*, const char* key, char* text) {
    ::GetProfileStringA(kSettingsSection, key, kAbsentProfileText, text, kSettingsTextSize);
    return std::strcmp(text, kAbsentProfileText) != 0;
}

// GetProfileIntA gives its default for a key that is absent (or whose text it does not
// read as a number): asked with two defaults, it then gives two results, and the key's
// own default applies, exactly as GetProfileIntA would give it.
bool FindProfileInt(const void*, const char* key, int* value) {
    const UINT withZero = ::GetProfileIntA(kSettingsSection, key, 0);
    if (withZero != ::GetProfileIntA(kSettingsSection, key, 1)) {
        return false;
    }
    *value = static_cast<int>(withZero);
    return true;
}

// The key open for reading; null when it is not there or cannot be read.
HKEY OpenForReading(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool SaveToRegistry(const SaverSettings& settings) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool saved = true;
    for (const IntSettingKey& entry : kIntSettingKeys) {
        const DWORD number = static_cast<DWORD>(settings.*entry.field);
        saved &=
            ::RegSetValueExA(key, entry.key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                             sizeof(number)) == ERROR_SUCCESS;
    }
    for (const TextSettingKey& entry : kTextSettingKeys) {
        const char* text = settings.*entry.field;
        saved &= ::RegSetValueExA(key, entry.key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return saved;
}

// For earlier versions and other tools that read the section. On Windows 10 and 11 a
// non-elevated program cannot write it (the file lies in the Windows folder), so its
// result does not count.
void SaveToProfile(const SaverSettings& settings) {
    for (const IntSettingKey& entry : kIntSettingKeys) {
        char text[16]; // "%d" of any 32-bit integer fits
        std::snprintf(text, sizeof text, "%d", settings.*entry.field);
        ::WriteProfileStringA(kSettingsSection, entry.key, text);
    }
    for (const TextSettingKey& entry : kTextSettingKeys) {
        ::WriteProfileStringA(kSettingsSection, entry.key, settings.*entry.field);
    }
}

} // namespace

void SaverSettings::Load() {
    HKEY policyKey = OpenForReading(HKEY_LOCAL_MACHINE, kPolicyRegistryKey);
    HKEY userKey = OpenForReading(HKEY_CURRENT_USER, kSettingsRegistryKey);
    SettingsSource sources[3] = {};
    int count = 0;
    // A key that is not there is a store that holds nothing.
    if (policyKey != nullptr) {
        sources[count++] = {&policyKey, true, FindRegistryInt, FindRegistryText};
    }
    if (userKey != nullptr) {
        sources[count++] = {&userKey, false, FindRegistryInt, FindRegistryText};
    }
    sources[count++] = {nullptr, false, FindProfileInt, FindProfileText};
    LoadSettingsFrom(*this, sources, count);
    for (HKEY key : {policyKey, userKey}) {
        if (key != nullptr) {
            ::RegCloseKey(key);
        }
    }
}

bool SaverSettings::Save() const {
    const bool saved = SaveToRegistry(*this);
    SaveToProfile(*this);
    return saved;
}
