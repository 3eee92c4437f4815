#pragma once
// The saver's thirteen persisted options, kept in the "zarvsaver" section of WIN.INI.
// One process-wide instance, `saverSettings`. It is filled by Load when the main window
// is created and when the configuration dialog opens; only the configuration dialog's OK
// calls Save. Integer flags hold 0 or 1 when written by the dialogs, but a hand-edited
// profile may hold any integer: readers treat every nonzero value as on.
// Load and Save are Win32 (the profile functions); the key table is platform-free.

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

    // Reads every field from the profile in the keys' fixed order; a missing section or
    // key gives its default. A stored text longer than 79 characters reads cut to 79.
    void Load();
    // Writes every field back, integers as "%d" text, texts as they stand (an empty text
    // is written as an empty value, not removed). Failures are ignored.
    void Save() const;
};

extern SaverSettings saverSettings;
