#include "settings/settings_store.h"

#include <cstring>

#include "settings/settings_keys.h"

namespace {

int FindInt(const SettingsSource* sources, int count, const IntSettingKey& entry) {
    for (int i = 0; i < count; ++i) {
        int value = 0;
        if (sources[i].findInt(sources[i].context, entry.key, &value)) {
            return value;
        }
    }
    return entry.defaultValue;
}

void FindText(const SettingsSource* sources, int count, const TextSettingKey& entry,
              char (&text)[kSettingsTextSize]) {
    for (int i = 0; i < count; ++i) {
        if (sources[i].findText(sources[i].context, entry.key, text)) {
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
