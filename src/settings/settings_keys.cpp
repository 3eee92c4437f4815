#include "settings/settings_keys.h"

// Plain data, so it lives in the core: platform-free code and native tests can read it.
SaverSettings saverSettings;

const IntSettingKey kIntSettingKeys[kIntSettingCount] = {
    {"Internet", &SaverSettings::internet, 0},   {"ShowDetails", &SaverSettings::showDetails, 0},
    {"Lighting", &SaverSettings::lighting, 1},   {"NightSide", &SaverSettings::nightSide, 0},
    {"UseProxy", &SaverSettings::useProxy, 0},   {"Direct", &SaverSettings::direct, 1},
    {"Alternate", &SaverSettings::alternate, 0}, {"UseHardware", &SaverSettings::useHardware, 0},
    {"English", &SaverSettings::english, 1},     {"SI", &SaverSettings::si, 0},
    {"Knots", &SaverSettings::knots, 0},
};

const TextSettingKey kTextSettingKeys[kTextSettingCount] = {
    {"ProxyName", &SaverSettings::proxyName, ""},
    {"AlternateHost", &SaverSettings::alternateHost, kDefaultAlternateHost},
};

const char* const kPolicySettingKeys[kPolicySettingCount] = {"Internet", "Alternate",
                                                             "AlternateHost"};
