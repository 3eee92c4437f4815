// SaverSettings::Load and Save against the real WIN.INI and registry of the Windows
// platform (under Wine on the build machine). Each test starts without a "zarvsaver"
// section and without the user's registry key, and puts back whatever section was there
// (support::ProfileSection).
#include "settings/settings.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_keys.h"
#include "support/profile.h"

using support::ProfileSectionFileLines;

namespace {

class SettingsProfile : public testing::Test {
  protected:
    void SetUp() override {
        std::memset(&saverSettings, 0x5A, sizeof saverSettings); // Load must fill all
    }

    support::ProfileSection profile_;
};

struct Values {
    int internet, showDetails, lighting, nightSide, useProxy, direct, alternate, useHardware,
        english, si, knots;
    const char* proxyName;
    const char* alternateHost;
};

void ExpectSettings(const SaverSettings& s, const Values& v) {
    EXPECT_EQ(s.internet, v.internet);
    EXPECT_EQ(s.showDetails, v.showDetails);
    EXPECT_EQ(s.lighting, v.lighting);
    EXPECT_EQ(s.nightSide, v.nightSide);
    EXPECT_EQ(s.useProxy, v.useProxy);
    EXPECT_EQ(s.direct, v.direct);
    EXPECT_EQ(s.alternate, v.alternate);
    EXPECT_EQ(s.useHardware, v.useHardware);
    EXPECT_EQ(s.english, v.english);
    EXPECT_EQ(s.si, v.si);
    EXPECT_EQ(s.knots, v.knots);
    EXPECT_STREQ(s.proxyName, v.proxyName);
    EXPECT_STREQ(s.alternateHost, v.alternateHost);
}

void Assign(SaverSettings& s, const Values& v) {
    s = SaverSettings{v.internet,  v.showDetails, v.lighting, v.nightSide, v.useProxy, v.direct,
                      v.alternate, v.useHardware, v.english,  v.si,        v.knots,    {},
                      {}};
    std::strcpy(s.proxyName, v.proxyName);
    std::strcpy(s.alternateHost, v.alternateHost);
}

TEST_F(SettingsProfile, NoSectionGivesTheDefaults) {
    saverSettings.Load();
    ExpectSettings(saverSettings, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, "", kDefaultAlternateHost});
    EXPECT_TRUE(ProfileSectionFileLines().empty()); // Load writes nothing
}

struct RoundTripCase {
    const char* title;
    Values values;
    std::vector<std::string> lines; // the section in the file, in order
};

const RoundTripCase kRoundTrips[] = {
    {"dialog values",
     {1, 0, 0, 1, 1, 0, 1, 1, 0, 1, 0, "", "feeds.example.org"},
     {"Internet=1", "ShowDetails=0", "Lighting=0", "NightSide=1", "UseProxy=1", "Direct=0",
      "Alternate=1", "UseHardware=1", "English=0", "SI=1", "Knots=0",
      "ProxyName=", "AlternateHost=feeds.example.org"}},
    {"a distinct value per key",
     {2, -7, 3, 4, 5, 6, 7, 123456, INT_MAX, 9, INT_MIN, "proxy.example.net:3128",
      "feeds.example.org:8080/mirror"},
     {"Internet=2", "ShowDetails=-7", "Lighting=3", "NightSide=4", "UseProxy=5", "Direct=6",
      "Alternate=7", "UseHardware=123456", "English=2147483647", "SI=9", "Knots=-2147483648",
      "ProxyName=proxy.example.net:3128", "AlternateHost=feeds.example.org:8080/mirror"}},
};

TEST_F(SettingsProfile, SaveWritesAllThirteenKeysInOrderAndLoadReadsThemBack) {
    for (const RoundTripCase& c : kRoundTrips) {
        SCOPED_TRACE(c.title);
        ::WriteProfileStringA(kSettingsSection, nullptr, nullptr);
        Assign(saverSettings, c.values);
        saverSettings.Save();
        EXPECT_EQ(ProfileSectionFileLines(), c.lines);
        std::memset(&saverSettings, 0x5A, sizeof saverSettings);
        saverSettings.Load();
        ExpectSettings(saverSettings, c.values);
    }
}

TEST_F(SettingsProfile, SavedSettingsComeBackWhenWinIniCannotBeWritten) {
    const Values changed = {
        1, 1, 0, 1, 1, 0, 1, 1, 0, 0, 1, "proxy.example.net:3128", "feeds.example.org:8080"};
    {
        support::UnwritableWinIni unwritable;
        ASSERT_EQ(::WriteProfileStringA(kSettingsSection, "Probe", "1"), FALSE)
            << "WIN.INI should not be writable here";
        Assign(saverSettings, changed);
        EXPECT_TRUE(saverSettings.Save());
        std::memset(&saverSettings, 0x5A, sizeof saverSettings);
        saverSettings.Load();
        ExpectSettings(saverSettings, changed);
    }
    EXPECT_TRUE(ProfileSectionFileLines().empty()); // the write did not reach WIN.INI
    saverSettings.Load();
    ExpectSettings(saverSettings, changed);
}

// The dialog's save is newer than what WIN.INI holds; a key it never wrote still comes
// from WIN.INI.
TEST_F(SettingsProfile, SavedSettingsWinOverAnOlderWinIniValue) {
    saverSettings.Load();
    saverSettings.lighting = 0;
    ASSERT_TRUE(saverSettings.Save());
    ::WriteProfileStringA(kSettingsSection, "Lighting", "1");
    saverSettings.Load();
    EXPECT_EQ(saverSettings.lighting, 0);
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    ::RegDeleteValueA(key, "Internet");
    ::RegCloseKey(key);
    ::WriteProfileStringA(kSettingsSection, "Internet", "1");
    saverSettings.Load();
    EXPECT_EQ(saverSettings.internet, 1);
}

TEST_F(SettingsProfile, LightingTwoReadsAsTwo) {
    ::WriteProfileStringA(kSettingsSection, "Lighting", "2");
    saverSettings.Load();
    EXPECT_EQ(saverSettings.lighting, 2);
}

TEST_F(SettingsProfile, EmptyAlternateHostStaysEmpty) {
    saverSettings.Load();
    saverSettings.alternateHost[0] = '\0';
    saverSettings.Save();
    const std::vector<std::string> lines = ProfileSectionFileLines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines.back(), "AlternateHost=");
    std::memset(&saverSettings, 0x5A, sizeof saverSettings);
    saverSettings.Load();
    EXPECT_STREQ(saverSettings.alternateHost, "");
    saverSettings.Load(); // and again: it never turns back into the default
    EXPECT_STREQ(saverSettings.alternateHost, "");
}

// The cut itself is the store merge's (settings_store_tests); here the real WIN.INI read
// must stay within the settings' room.
TEST_F(SettingsProfile, LongStoredTextsReadCutToTheirRoom) {
    const std::string stored(100, 'w');
    profile_.Set("ProxyName", stored.c_str());
    profile_.Set("AlternateHost", stored.c_str());
    saverSettings.Load();
    EXPECT_EQ(std::string(saverSettings.proxyName), stored.substr(0, kSettingsTextSize - 1));
    EXPECT_EQ(std::string(saverSettings.alternateHost), stored.substr(0, kSettingsTextSize - 1));
}

struct HandEditCase {
    const char* text;
    bool known; // the result below is certain on every Windows
    int expected;
};

const HandEditCase kHandEdits[] = {
    {"abc", true, 0},
    {"-7", true, -7},
    {"2", true, 2},
    {"7abc", true, 7},
    {"99999999999", false, 0},
    {"2147483648", false, 0},
    {"-2147483649", false, 0},
    {"", false, 0},
    {" 12 ", false, 0},
    {"0x10", false, 0},
    {"+5", false, 0},
    {"1e3", false, 0},
};

TEST_F(SettingsProfile, HandEditedIntegersReadAsGetProfileIntAGivesThem) {
    for (const HandEditCase& c : kHandEdits) {
        for (const IntSettingKey& entry : kIntSettingKeys) {
            SCOPED_TRACE(std::string(entry.key) + "=" + c.text);
            ::WriteProfileStringA(kSettingsSection, nullptr, nullptr);
            ::WriteProfileStringA(kSettingsSection, entry.key, c.text);
            saverSettings.Load();
            const int platform =
                static_cast<int>(::GetProfileIntA(kSettingsSection, entry.key, entry.defaultValue));
            EXPECT_EQ(saverSettings.*entry.field, platform);
            if (c.known) {
                EXPECT_EQ(saverSettings.*entry.field, c.expected);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
