#pragma once
// Where each option of SaverSettings lives in the profile: the section, the key names in
// their fixed order of reading and writing, and the defaults a missing key reads as.
// Platform-free, so that Load and Save (Win32) and the tests share one table.
#include "settings/settings.h"

constexpr const char* kSettingsSection = "zarvsaver";
// The user's own copy of the settings, under HKEY_CURRENT_USER: one value per profile key,
// the integers as REG_DWORD, the texts as REG_SZ. Read before the WIN.INI section.
constexpr const char* kSettingsRegistryKey = "Software\\Zarvane";

// An administrator's choice of feed server for every user of the machine, under
// HKEY_LOCAL_MACHINE, where Group Policy keeps policies: written by the setup's /FEEDHOST=
// or by the site's own tools. Only the keys of kPolicySettingKeys count there, and they
// are read before the user's key.
constexpr const char* kPolicyRegistryKey = "Software\\Policies\\Zarvane";
constexpr int kPolicySettingCount = 3;
extern const char* const kPolicySettingKeys[kPolicySettingCount];

// The maker's web host: where the feed is looked for with "Alternate" on until the user
// names another host.
constexpr const char* kDefaultAlternateHost = "www.quillmere.com";

struct IntSettingKey {
    const char* key;
    int SaverSettings::*field;
    int defaultValue;
};

struct TextSettingKey {
    const char* key;
    char (SaverSettings::*field)[kSettingsTextSize];
    const char* defaultValue;
};

// The eleven integer keys come first, then the two text keys; the order is the order in
// which Load reads and Save writes them.
constexpr int kIntSettingCount = 11;
constexpr int kTextSettingCount = 2;
extern const IntSettingKey kIntSettingKeys[kIntSettingCount];
extern const TextSettingKey kTextSettingKeys[kTextSettingCount];
