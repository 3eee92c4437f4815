// SaverSettings::Load and Save against the real WIN.INI and registry of the Windows
// platform (under Wine on the build machine). Each test starts without a "zarvsaver"
// section and without the user's registry key, and puts back whatever section was there.
#include "settings/settings.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_keys.h"

namespace {

// The section as GetProfileSectionA gives it: "key=value" texts, each zero-terminated,
// and a final zero; empty when there is no section.
std::vector<char> ReadSection() {
    for (DWORD size = 4096;; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = ::GetProfileSectionA(kSettingsSection, buffer.data(), size);
        if (length < size - 2) {
            buffer.resize(length == 0 ? 0 : length + 1);
            return buffer;
        }
    }
}

// The lines of the "zarvsaver" section as they stand in the WIN.INI file itself.
std::vector<std::string> SectionLinesInFile() {
    char directory[MAX_PATH];
    ::GetWindowsDirectoryA(directory, MAX_PATH);
    std::ifstream file(std::string(directory) + "\\win.ini");
    std::vector<std::string> lines;
    bool inSection = false;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inSection = ::lstrcmpiA(line.c_str(), "[zarvsaver]") == 0;
        } else if (inSection && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Puts back a section read by ReadSection, key by key: Wine 8's WriteProfileSectionA
// reports success but writes nothing.
void RestoreSection(std::vector<char>& section) {
    for (char* entry = section.data(); !section.empty() && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        char* equals = std::strchr(entry, '=');
        if (equals != nullptr) {
            *equals = '\0';
            ::WriteProfileStringA(kSettingsSection, entry, equals + 1);
            *equals = '=';
        }
    }
}

class SettingsProfile : public testing::Test {
  protected:
    void SetUp() override {
        saved_ = ReadSection();
        ::WriteProfileStringA(kSettingsSection, nullptr, nullptr);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsRegistryKey);
        std::memset(&saverSettings, 0x5A, sizeof saverSettings); // Load must fill all
    }
    void TearDown() override {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsRegistryKey);
        ::WriteProfileStringA(kSettingsSection, nullptr, nullptr);
        RestoreSection(saved_);
    }

  private:
    std::vector<char> saved_;
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
    EXPECT_TRUE(SectionLinesInFile().empty()); // Load writes nothing
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
        EXPECT_EQ(SectionLinesInFile(), c.lines);
        std::memset(&saverSettings, 0x5A, sizeof saverSettings);
        saverSettings.Load();
        ExpectSettings(saverSettings, c.values);
    }
}

std::string WinIniPath() {
    char directory[MAX_PATH];
    ::GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\win.ini";
}

// WIN.INI as Windows 10 and 11 show it to a program without elevation: not writable. A
// folder in its place fails every write, whoever runs the test (root ignores file modes).
class UnwritableWinIni {
  public:
    UnwritableWinIni() {
        const std::string path = WinIniPath();
        ::MoveFileA(path.c_str(), (path + ".away").c_str());
        ::CreateDirectoryA(path.c_str(), nullptr);
    }
    ~UnwritableWinIni() {
        const std::string path = WinIniPath();
        ::RemoveDirectoryA(path.c_str());
        ::MoveFileA((path + ".away").c_str(), path.c_str());
    }
};

TEST_F(SettingsProfile, SavedSettingsComeBackWhenWinIniCannotBeWritten) {
    const Values changed = {
        1, 1, 0, 1, 1, 0, 1, 1, 0, 0, 1, "proxy.example.net:3128", "feeds.example.org:8080"};
    {
        UnwritableWinIni unwritable;
        ASSERT_EQ(::WriteProfileStringA(kSettingsSection, "Probe", "1"), FALSE)
            << "WIN.INI should not be writable here";
        Assign(saverSettings, changed);
        EXPECT_TRUE(saverSettings.Save());
        std::memset(&saverSettings, 0x5A, sizeof saverSettings);
        saverSettings.Load();
        ExpectSettings(saverSettings, changed);
    }
    EXPECT_TRUE(SectionLinesInFile().empty()); // the write did not reach WIN.INI
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
    const std::vector<std::string> lines = SectionLinesInFile();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines.back(), "AlternateHost=");
    std::memset(&saverSettings, 0x5A, sizeof saverSettings);
    saverSettings.Load();
    EXPECT_STREQ(saverSettings.alternateHost, "");
    saverSettings.Load(); // and again: it never turns back into the default
    EXPECT_STREQ(saverSettings.alternateHost, "");
}

TEST_F(SettingsProfile, LongStoredTextsReadCutTo79) {
    std::string stored;
    for (int i = 0; i < 100; ++i) {
        stored += static_cast<char>('a' + i % 26);
    }
    ::WriteProfileStringA(kSettingsSection, "ProxyName", stored.c_str());
    ::WriteProfileStringA(kSettingsSection, "AlternateHost", stored.c_str());
    saverSettings.Load();
    EXPECT_EQ(std::string(saverSettings.proxyName), stored.substr(0, 79));
    EXPECT_EQ(std::string(saverSettings.alternateHost), stored.substr(0, 79));
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
