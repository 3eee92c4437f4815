#include "settings/settings_store.h"

#include <cstring>

#include "settings/settings_keys.h"

namespace {

bool IsPolicyKey(const char* key) {
    for (const char* policyKey : kPolicySettingKeys) {
        if (std::strcmp(key, policyKey) == 0) {
            return true;
        }
    }
    return false;
}

bool Holds(const SettingsSource& source, const char* key) {
    return !source.policy || IsPolicyKey(key);
}

int FindInt(const SettingsSource* sources, int count, const IntSettingKey& entry) {
    for (int i = 0; i < count; ++i) {
        int value = 0;
        if (Holds(sources[i], entry.key) &&
            sources[i].findInt(sources[i].context, entry.key, &value)) {
            return value;
        }
    }
    return entry.defaultValue;
}

void FindText(const SettingsSource* sources, int count, const TextSettingKey& entry,
              char (&text)[kSettingsTextSize]) {
    for (int i = 0; i < count; ++i) {
        if (Holds(sources[i], entry.key) &&
            sources[i].findText(sources[i].context, entry.key, text)) {
            text[kSettingsTextSize - 1] = '\0';
            return;
        }
    }
    std::strncpy(text, entry.defaultValue, kSettingsTextSize - 1);
    text[kSettingsTextSize - 1] = '\0';
}

} // namespace

void LoadSettingsFrom(SaverSettings& settings, const SettingsSource* sources, int count) {
    for (const IntSettingKey& entry : kIntSettingKeys) {
        settings.*entry.field = FindInt(sources, count, entry);
    }
    for (const TextSettingKey& entry : kTextSettingKeys) {
        FindText(sources, count, entry, settings.*entry.field);
    }
}
