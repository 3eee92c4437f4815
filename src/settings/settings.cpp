#include "settings/settings.h"

#include <windows.h>

#include <cstdio>

#include "settings/settings_keys.h"

// The profile functions' results are ignored: an unreadable profile yields the defaults
// and a failed write is not reported.

void SaverSettings::Load() {
    for (const IntSettingKey& entry : kIntSettingKeys) {
        this->*entry.field =
            static_cast<int>(::GetProfileIntA(kSettingsSection, entry.key, entry.defaultValue));
    }
    for (const TextSettingKey& entry : kTextSettingKeys) {
        ::GetProfileStringA(kSettingsSection, entry.key, entry.defaultValue, this->*entry.field,
                            kSettingsTextSize);
    }
}

void SaverSettings::Save() const {
    for (const IntSettingKey& entry : kIntSettingKeys) {
        char text[16]; // "%d" of any 32-bit integer fits
        std::snprintf(text, sizeof text, "%d", this->*entry.field);
        ::WriteProfileStringA(kSettingsSection, entry.key, text);
    }
    for (const TextSettingKey& entry : kTextSettingKeys) {
        ::WriteProfileStringA(kSettingsSection, entry.key, this->*entry.field);
    }
}
