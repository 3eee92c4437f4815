// What the two configuration dialogs show for stored settings, and what their controls
// store back on OK. Control states are written as strings of 0 and 1 in field order.
#include "settings/dialog_states.h"

#include "settings/settings_keys.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Single digits in a row: flags of 0 and 1, and 7 for a field nobody wrote.
std::string Digits(std::initializer_list<int> values) {
    std::string text;
    for (int value : values) {
        text += static_cast<char>('0' + value);
    }
    return text;
}

// showDetails internet disableLighting nightSide nightSideEnabled useHardware
std::string Shown(const ConfigControls& c) {
    return Digits({c.showDetails, c.internet, c.disableLighting, c.nightSide, c.nightSideEnabled,
                   c.useHardware});
}

// useProxy systemInternet direct proxyNameEnabled alternate alternateHostEnabled english
// si knots
std::string Shown(const AdvancedControls& c) {
    return Digits({c.useProxy, c.systemInternet, c.direct, c.proxyNameEnabled, c.alternate,
                   c.alternateHostEnabled, c.english, c.si, c.knots});
}

// Every integer setting 7.
SaverSettings Unwritten() {
    SaverSettings settings = {};
    for (const IntSettingKey& key : kIntSettingKeys) {
        settings.*key.field = 7;
    }
    return settings;
}

struct ConfigCase {
    int showDetails, internet, lighting, nightSide, useHardware;
    const char* shown;
};

TEST(ConfigControlsFromSettings, ShowDetailsNeedsExactlyOneAndNoLightingGreysTheNightSide) {
    const ConfigCase cases[] = {
        {0, 0, 1, 0, 0, "000010"}, // the defaults
        {1, 1, 1, 1, 1, "110111"}, {2, 2, 2, 2, 2, "010111"}, {-1, -1, -1, -1, -1, "010111"},
        {1, 1, 0, 1, 0, "111000"}, // unlit: the night side cleared and greyed out
        {0, 0, 0, 0, 1, "001001"},
    };
    for (const ConfigCase& c : cases) {
        SaverSettings settings = {};
        settings.showDetails = c.showDetails;
        settings.internet = c.internet;
        settings.lighting = c.lighting;
        settings.nightSide = c.nightSide;
        settings.useHardware = c.useHardware;
        EXPECT_EQ(Shown(ConfigControlsFromSettings(settings)), c.shown)
            << c.showDetails << c.internet << c.lighting << c.nightSide << c.useHardware;
    }
}

TEST(StoreConfigControls, EachBoxStoresOneOrZeroAndDisableLightingTheInverse) {
    SaverSettings settings = Unwritten();
    const auto stored = [&settings] {
        return Digits({settings.showDetails, settings.internet, settings.lighting,
                       settings.nightSide, settings.useHardware});
    };
    StoreConfigControls({true, false, true, true, false, true}, settings);
    EXPECT_EQ(stored(), "10011");
    StoreConfigControls({false, true, false, false, true, false}, settings);
    EXPECT_EQ(stored(), "01100");
    EXPECT_EQ(settings.knots, 7); // not the configuration dialog's
}

struct AdvancedCase {
    int useProxy, direct, alternate, english, si, knots;
    const char* shown;
};

TEST(AdvancedControlsFromSettings, FlagsCountOnlyWhenExactlyOneAndTheProxyWins) {
    const AdvancedCase cases[] = {
        {0, 1, 0, 1, 0, 0, "001000100"}, // the defaults
        {1, 1, 1, 0, 1, 0, "100111010"}, {0, 0, 0, 0, 0, 1, "010000001"},
        {2, 2, 2, 2, 2, 2, "010000000"}, {0, 0, 0, 1, 1, 1, "010000111"},
    };
    for (const AdvancedCase& c : cases) {
        SaverSettings settings = {};
        settings.useProxy = c.useProxy;
        settings.direct = c.direct;
        settings.alternate = c.alternate;
        settings.english = c.english;
        settings.si = c.si;
        settings.knots = c.knots;
        EXPECT_EQ(Shown(AdvancedControlsFromSettings(settings)), c.shown)
            << c.useProxy << c.direct << c.alternate << c.english << c.si << c.knots;
    }
}

TEST(StoreAdvancedControls, EachButtonStoresOneOrZeroAndLeavesTheRestAlone) {
    SaverSettings settings = Unwritten();
    const auto stored = [&settings] {
        return Digits({settings.useProxy, settings.alternate, settings.direct, settings.english,
                       settings.si, settings.knots});
    };
    StoreAdvancedControls({true, false, false, true, true, true, false, true, false}, settings);
    EXPECT_EQ(stored(), "110010");
    StoreAdvancedControls({false, false, true, false, false, false, true, false, true}, settings);
    EXPECT_EQ(stored(), "001101");
    EXPECT_EQ(settings.internet, 7); // not the advanced dialog's
}

} // namespace
