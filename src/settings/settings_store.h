#pragma once
// Which store each setting is read from. The settings live in three places: the machine's
// policy key, where an administrator names the feed server for every user (the setup's
// /FEEDHOST=, Group Policy); the user's own registry key, which the configuration dialog
// writes and which any user can write without elevation; and the "zarvsaver" section of
// WIN.INI, which earlier versions and other tools write, and which a non-elevated program
// on Windows 10 and 11 cannot write. A key is read from the first store that holds it, so
// a policy wins over the user's choice, and a setting saved in the dialog wins over an
// older WIN.INI value. Platform-free; the stores themselves are Win32.
#include "settings/settings.h"

// One store of settings. Each function says whether the store holds the key and, when it
// does, fills the value; `context` is the store's own.
struct SettingsSource {
    const void* context;
    // A policy store: only the keys of kPolicySettingKeys are taken from it, whatever
    // else it holds.
    bool policy;
    bool (*findInt)(const void* context, const char* key, int* value);
    // `text` has room for kSettingsTextSize bytes; a longer stored text is cut to
    // kSettingsTextSize - 1 characters and zero-terminated.
    bool (*findText)(const void* context, const char* key, char* text);
};

// Fills every field from the first of `sources` (newest first) that holds its key, and
// with the key's default when none does.
void LoadSettingsFrom(SaverSettings& settings, const SettingsSource* sources, int count);
