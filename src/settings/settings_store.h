#pragma once
// Which store each setting is read from. The settings live in two places: the user's own
// registry key, which the configuration dialog writes and which any user can write without
// elevation, and the "zarvsaver" section of WIN.INI, which earlier versions, the setup's
// /FEEDHOST= and other tools write, and which a non-elevated program on Windows 10 and 11
// cannot write. A key is read from the first store that holds it, so a setting saved in the
// dialog wins over an older WIN.INI value. Platform-free; the stores themselves are Win32.
#include "settings/settings.h"

// One store of settings. Each function says whether the store holds the key and, when it
// does, fills the value; `context` is the store's own.
struct SettingsSource {
    const void* context;
    bool (*findInt)(const void* context, const char* key, int* value);
    // `text` has room for kSettingsTextSize bytes; a longer stored text is cut to
    // kSettingsTextSize - 1 characters and zero-terminated.
    bool (*findText)(const void* context, const char* key, char* text);
};

// Fills every field from the first of `sources` (newest first) that holds its key, and
// with the key's default when none does.
void LoadSettingsFrom(SaverSettings& settings, const SettingsSource* sources, int count);
