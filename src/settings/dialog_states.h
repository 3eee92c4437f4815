#pragma once
// What the two configuration dialogs show for the settings, and what their controls mean
// for the settings when OK is pressed. Platform-free: the dialog procedures only apply
// these states to their controls and read them back.
#include "settings/settings.h"

// The configuration dialog's check boxes.
struct ConfigControls {
    bool showDetails;
    bool internet;
    bool disableLighting;
    bool nightSide;
    bool nightSideEnabled; // "Show Night side" means nothing on an unlit globe
    bool useHardware;
};

// On opening: "ShowDetails" shows as checked only when exactly 1, the other flags when
// nonzero; with "Lighting" 0 the night side is cleared and greyed out.
ConfigControls ConfigControlsFromSettings(const SaverSettings& settings);
// On OK: each flag becomes 1 or 0 from its box ("Lighting" is the inverse of its box).
void StoreConfigControls(const ConfigControls& controls, SaverSettings& settings);

// The advanced options dialog's radio buttons, check boxes and edit boxes. An edit box
// shows its stored text exactly while it is enabled; otherwise it stays empty.
struct AdvancedControls {
    bool useProxy;
    bool systemInternet;
    bool direct;
    bool proxyNameEnabled;
    bool alternate;
    bool alternateHostEnabled;
    bool english;
    bool si;
    bool knots;
};

// On opening, every flag counts only when exactly 1: the proxy wins over "Direct", and
// with neither the system's settings are chosen. A hand-edited profile with no unit set
// to exactly 1 leaves every unit button clear.
AdvancedControls AdvancedControlsFromSettings(const SaverSettings& settings);
// On OK: the six flags become 1 or 0 from their buttons; the texts are read separately.
void StoreAdvancedControls(const AdvancedControls& controls, SaverSettings& settings);
