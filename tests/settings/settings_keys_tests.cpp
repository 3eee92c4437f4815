// The profile keys of the saver's settings: their names, their fixed order, their
// defaults, and which field each one reads and writes.
#include "settings/settings_keys.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    const char* key;
    int defaultValue;
};

// The stored keys in the order the profile has always had them.
const KeyCase kIntKeys[] = {
    {"Internet", 0}, {"ShowDetails", 0}, {"Lighting", 1},  {"NightSide", 0},
    {"UseProxy", 0}, {"Direct", 1},      {"Alternate", 0}, {"UseHardware", 0},
    {"English", 1},  {"SI", 0},          {"Knots", 0},
};

TEST(SettingsKeys, IntegerKeysInOrderWithDefaults) {
    ASSERT_EQ(kIntSettingCount, 11);
    for (int i = 0; i < kIntSettingCount; ++i) {
        EXPECT_STREQ(kIntSettingKeys[i].key, kIntKeys[i].key) << i;
        EXPECT_EQ(kIntSettingKeys[i].defaultValue, kIntKeys[i].defaultValue) << kIntKeys[i].key;
    }
}

TEST(SettingsKeys, TextKeysFollowInOrderWithDefaults) {
    ASSERT_EQ(kTextSettingCount, 2);
    EXPECT_STREQ(kTextSettingKeys[0].key, "ProxyName");
    EXPECT_STREQ(kTextSettingKeys[0].defaultValue, "");
    EXPECT_STREQ(kTextSettingKeys[1].key, "AlternateHost");
    EXPECT_STREQ(kTextSettingKeys[1].defaultValue, kDefaultAlternateHost);
    // A host name that fits the field with its terminating zero.
    EXPECT_GT(std::strlen(kDefaultAlternateHost), 0u);
    EXPECT_LT(std::strlen(kDefaultAlternateHost), static_cast<size_t>(kSettingsTextSize));
}

TEST(SettingsKeys, EachKeyReachesItsOwnField) {
    SaverSettings s{};
    s.internet = 101;
    s.showDetails = 102;
    s.lighting = 103;
    s.nightSide = 104;
    s.useProxy = 105;
    s.direct = 106;
    s.alternate = 107;
    s.useHardware = 108;
    s.english = 109;
    s.si = 110;
    s.knots = 111;
    std::strcpy(s.proxyName, "proxy");
    std::strcpy(s.alternateHost, "host");
    for (int i = 0; i < kIntSettingCount; ++i) {
        EXPECT_EQ(s.*kIntSettingKeys[i].field, 101 + i) << kIntSettingKeys[i].key;
    }
    EXPECT_STREQ(s.*kTextSettingKeys[0].field, "proxy");
    EXPECT_STREQ(s.*kTextSettingKeys[1].field, "host");
}

} // namespace
