#include "settings/dialog_states.h"

namespace {

int Flag(bool on) {
    return on ? 1 : 0;
}

} // namespace

ConfigControls ConfigControlsFromSettings(const SaverSettings& settings) {
    const bool unlit = settings.lighting == 0;
    ConfigControls controls = {};
    controls.showDetails = settings.showDetails == 1;
    controls.internet = settings.internet != 0;
    controls.disableLighting = unlit;
    controls.nightSide = !unlit && settings.nightSide != 0;
    controls.nightSideEnabled = !unlit;
    controls.useHardware = settings.useHardware != 0;
    return controls;
}

void StoreConfigControls(const ConfigControls& controls, SaverSettings& settings) {
    settings.showDetails = Flag(controls.showDetails);
    settings.internet = Flag(controls.internet);
    settings.nightSide = Flag(controls.nightSide);
    settings.lighting = Flag(!controls.disableLighting);
    settings.useHardware = Flag(controls.useHardware);
}

AdvancedControls AdvancedControlsFromSettings(const SaverSettings& settings) {
    const bool proxy = settings.useProxy == 1;
    AdvancedControls controls = {};
    controls.useProxy = proxy;
    controls.direct = !proxy && settings.direct == 1;
    controls.systemInternet = !proxy && settings.direct != 1;
    controls.proxyNameEnabled = proxy;
    controls.alternate = settings.alternate == 1;
    controls.alternateHostEnabled = controls.alternate;
    controls.english = settings.english == 1;
    controls.si = settings.si == 1;
    controls.knots = settings.knots == 1;
    return controls;
}

void StoreAdvancedControls(const AdvancedControls& controls, SaverSettings& settings) {
    settings.alternate = Flag(controls.alternate);
    settings.useProxy = Flag(controls.useProxy);
    settings.direct = Flag(controls.direct);
    settings.english = Flag(controls.english);
    settings.si = Flag(controls.si);
    settings.knots = Flag(controls.knots);
}
