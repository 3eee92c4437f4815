// What the two configuration dialogs show for stored settings, and what their controls
// store back on OK.
#include "settings/dialog_states.h"

#include <gtest/gtest.h>

namespace {

struct ConfigCase {
    int showDetails, internet, lighting, nightSide, useHardware;
    ConfigControls shown; // showDetails, internet, disableLighting, nightSide, enabled, hw
};

TEST(ConfigControlsFromSettings, ShowDetailsNeedsExactlyOneAndNoLightingGreysTheNightSide) {
    const ConfigCase cases[] = {
        {0, 0, 1, 0, 0, {false, false, false, false, true, false}}, // the defaults
        {1, 1, 1, 1, 1, {true, true, false, true, true, true}},
        {2, 2, 2, 2, 2, {false, true, false, true, true, true}}, // hand-edited values
        {-1, -1, -1, -1, -1, {false, true, false, true, true, true}},
        {1, 1, 0, 1, 0, {true, true, true, false, false, false}}, // unlit: night side off
        {0, 0, 0, 0, 0, {false, false, true, false, false, false}},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.showDetails << c.internet << c.lighting << c.nightSide << c.useHardware);
        SaverSettings settings = {};
        settings.showDetails = c.showDetails;
        settings.internet = c.internet;
        settings.lighting = c.lighting;
        settings.nightSide = c.nightSide;
        settings.useHardware = c.useHardware;
        const ConfigControls shown = ConfigControlsFromSettings(settings);
        EXPECT_EQ(shown.showDetails, c.shown.showDetails);
        EXPECT_EQ(shown.internet, c.shown.internet);
        EXPECT_EQ(shown.disableLighting, c.shown.disableLighting);
        EXPECT_EQ(shown.nightSide, c.shown.nightSide);
        EXPECT_EQ(shown.nightSideEnabled, c.shown.nightSideEnabled);
        EXPECT_EQ(shown.useHardware, c.shown.useHardware);
    }
}

TEST(StoreConfigControls, EachBoxStoresOneOrZeroAndDisableLightingTheInverse) {
    SaverSettings settings = {};
    settings.showDetails = settings.internet = settings.nightSide = settings.useHardware = 7;
    settings.lighting = 7;
    settings.knots = 5; // not the configuration dialog's
    StoreConfigControls({true, false, true, true, false, true}, settings);
    EXPECT_EQ(settings.showDetails, 1);
    EXPECT_EQ(settings.internet, 0);
    EXPECT_EQ(settings.lighting, 0);
    EXPECT_EQ(settings.nightSide, 1);
    EXPECT_EQ(settings.useHardware, 1);
    EXPECT_EQ(settings.knots, 5);
    StoreConfigControls({false, true, false, false, true, false}, settings);
    EXPECT_EQ(settings.showDetails, 0);
    EXPECT_EQ(settings.internet, 1);
    EXPECT_EQ(settings.lighting, 1);
    EXPECT_EQ(settings.nightSide, 0);
    EXPECT_EQ(settings.useHardware, 0);
}

struct AdvancedCase {
    int useProxy, direct, alternate, english, si, knots;
    // useProxy, systemInternet, direct, proxyNameEnabled, alternate, alternateHostEnabled,
    // english, si, knots
    AdvancedControls shown;
};

TEST(AdvancedControlsFromSettings, FlagsCountOnlyWhenExactlyOneAndTheProxyWins) {
    const AdvancedCase cases[] = {
        {0, 1, 0, 1, 0, 0, {false, false, true, false, false, false, true, false, false}},
        {1, 1, 1, 0, 1, 0, {true, false, false, true, true, true, false, true, false}},
        {0, 0, 0, 0, 0, 1, {false, true, false, false, false, false, false, false, true}},
        {2, 2, 2, 2, 2, 2, {false, true, false, false, false, false, false, false, false}},
        {0, 0, 0, 1, 1, 1, {false, true, false, false, false, false, true, true, true}},
    };
    for (const AdvancedCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.useProxy << c.direct << c.alternate << c.english << c.si << c.knots);
        SaverSettings settings = {};
        settings.useProxy = c.useProxy;
        settings.direct = c.direct;
        settings.alternate = c.alternate;
        settings.english = c.english;
        settings.si = c.si;
        settings.knots = c.knots;
        const AdvancedControls shown = AdvancedControlsFromSettings(settings);
        EXPECT_EQ(shown.useProxy, c.shown.useProxy);
        EXPECT_EQ(shown.systemInternet, c.shown.systemInternet);
        EXPECT_EQ(shown.direct, c.shown.direct);
        EXPECT_EQ(shown.proxyNameEnabled, c.shown.proxyNameEnabled);
        EXPECT_EQ(shown.alternate, c.shown.alternate);
        EXPECT_EQ(shown.alternateHostEnabled, c.shown.alternateHostEnabled);
        EXPECT_EQ(shown.english, c.shown.english);
        EXPECT_EQ(shown.si, c.shown.si);
        EXPECT_EQ(shown.knots, c.shown.knots);
    }
}

TEST(StoreAdvancedControls, EachButtonStoresOneOrZeroAndLeavesTheRestAlone) {
    SaverSettings settings = {};
    settings.internet = 3; // not the advanced dialog's
    StoreAdvancedControls({true, false, false, true, true, true, false, true, false}, settings);
    EXPECT_EQ(settings.useProxy, 1);
    EXPECT_EQ(settings.direct, 0);
    EXPECT_EQ(settings.alternate, 1);
    EXPECT_EQ(settings.english, 0);
    EXPECT_EQ(settings.si, 1);
    EXPECT_EQ(settings.knots, 0);
    EXPECT_EQ(settings.internet, 3);
    StoreAdvancedControls({false, false, true, false, false, false, true, false, true}, settings);
    EXPECT_EQ(settings.useProxy, 0);
    EXPECT_EQ(settings.direct, 1);
    EXPECT_EQ(settings.alternate, 0);
    EXPECT_EQ(settings.english, 1);
    EXPECT_EQ(settings.si, 0);
    EXPECT_EQ(settings.knots, 1);
}

} // namespace
