#pragma once
// The saver's thirteen persisted options, kept in the user's registry key and in the
// "zarvsaver" section of WIN.INI, and the feed host's three also in the machine's policy
// key (settings_store.h says which is read first and why).
// One process-wide instance, `saverSettings`. It is filled by Load when the main window
// is created and when the configuration dialog opens; only the configuration dialog's OK
// calls Save. Integer flags hold 0 or 1 when written by the dialogs, but a hand-edited
// profile may hold any integer: readers treat every nonzero value as on.
// Load and Save are Win32 (registry and profile functions); the key table is platform-free.

constexpr int kSettingsTextSize = 80; // bytes of each text field, terminating zero included

struct SaverSettings {
    int internet;
    int showDetails;
    int lighting;
    int nightSide;
    int useProxy;
    int direct;
    int alternate;
    int useHardware;
    int english;
    int si;
    int knots;
    char proxyName[kSettingsTextSize];
    char alternateHost[kSettingsTextSize];

    // Reads every field in the keys' fixed order: "Internet", "Alternate" and
    // "AlternateHost" from the policy key when it holds them; every key from the user's
    // registry key when it holds it, else from WIN.INI, else the default. A stored text
    // longer than 79 characters reads cut to 79.
    void Load();
    // Writes every field to the registry key (integers as REG_DWORD, texts as they stand,
    // an empty text as an empty value) and then to WIN.INI (integers as "%d" text) where
    // WIN.INI can be written. True when every key reached the registry key, that is when
    // the next Load gives back these values; WIN.INI's result does not count.
    bool Save() const;
};

extern SaverSettings saverSettings;
