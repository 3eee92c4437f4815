// The release as a Windows user gets it: the version resource of the built saver, and the
// setup run silently the ways an administrator runs it and once through its pages, each
// followed by the silent uninstall. Runs in a Wine prefix of its own: it installs into
// the system folder and writes the machine's uninstall entries. ZARVANE_SCR is the
// released zarvane.scr, ZARVANE_SETUP the setup (a Windows path).
#include "feed_screen.h"
#include "harness.h"
#include "http_server.h"
#include "zarvane_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace e2e;

namespace {

constexpr DWORD kRunTimeoutMs = 120000; // a setup or uninstall run: catches a hang only
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zarvane";
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kPolicyKey[] = "Software\\Policies\\Zarvane";
constexpr char kActiveSetupKey[] = "Software\\Microsoft\\Active Setup\\Installed Components\\";
const std::string kLegacyEntry = std::string(kActiveSetupKey) + "Zarvane";
const std::string kAllUsersEntry = std::string(kActiveSetupKey) + "Zarvane.AllUsers";
const std::string kCleanUpEntry = std::string(kActiveSetupKey) + "Zarvane.Uninstall";
constexpr char kUsersHost[] = "mine.example"; // what the user saved in the dialog
constexpr char kAbsent[] = "<absent>";        // as ProfileSection::Get reports a missing key
constexpr char kOtherSaver[] = "C:\\windows\\system32\\other.scr";
constexpr char kFeedStatus[] = "Storm feed of the installer test";
constexpr char kFeed[] = "Storm feed of the installer test\n-North Atlantic\nAlpha,25.0,75.0,35\n";

std::string SetupPath() {
    const char* path = std::getenv("ZARVANE_SETUP");
    return path ? path : "";
}

std::string InstalledSaver() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\zarvane.scr";
}

std::string InstallFolder() {
    const char* programs = std::getenv("ProgramW6432");
    return std::string(programs ? programs : "C:\\Program Files") + "\\Zarvane";
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a command line to its end; its exit code, or -1 when it did not start or end.
int RunToEnd(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        std::printf("could not start %s: error %lu\n", commandLine.c_str(), ::GetLastError());
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(info.hProcess, kRunTimeoutMs) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(info.hProcess, &code);
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

// A registry value as text (a DWORD in decimal); kAbsent when missing.
std::string RegistryValueText(HKEY root, const char* keyPath, const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return kAbsent;
    }
    char data[512] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    const LONG result =
        ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return kAbsent;
    }
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : data;
}

std::string UninstallValue(const char* name) {
    return RegistryValueText(HKEY_LOCAL_MACHINE, kUninstallKey, name);
}

// A text value set, or removed when `value` is "".
void SetRegistryText(HKEY root, const char* keyPath, const char* name, const char* value) {
    HKEY key = nullptr;
    ::RegCreateKeyA(root, keyPath, &key);
    if (*value == '\0') {
        ::RegDeleteValueA(key, name);
    } else {
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                         static_cast<DWORD>(lstrlenA(value) + 1));
    }
    ::RegCloseKey(key);
}

void SetDesktopValue(const char* name, const char* value) {
    SetRegistryText(HKEY_CURRENT_USER, kDesktopKey, name, value);
}

// ---- The version resource ------------------------------------------------------------

std::string VersionText(const std::vector<char>& info, const std::string& block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string path = block + name;
    if (!::VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) {
        return kAbsent;
    }
    return text;
}

std::vector<char> VersionInfo(const std::string& path) {
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeA(path.c_str(), &ignored));
    if (info.empty() ||
        !::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) {
        info.clear();
    }
    return info;
}

// The string block that the resource's own translation entry names, as Explorer finds it.
std::string StringBlock(const std::vector<char>& info) {
    WORD* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD)) {
        return kAbsent;
    }
    char block[64] = {};
    std::snprintf(block, sizeof(block), "\\StringFileInfo\\%04X%04X\\", translation[0],
                  translation[1]);
    return block;
}

TEST(VersionResource, NamesTheMakerAndTheProductAndCarriesTheProjectVersion) {
    const std::vector<char> info = VersionInfo(SaverPath());
    ASSERT_FALSE(info.empty()) << SaverPath() << " has no version resource";
    const std::string block = StringBlock(info);
    EXPECT_EQ(block, "\\StringFileInfo\\040904E4\\"); // US English, code page 1252
    const std::pair<const char*, std::string> fields[] = {
        {"CompanyName", "Quillmere"},
        {"FileDescription", "Zarvane screen saver"},
        {"ProductName", "Zarvane"},
        {"LegalCopyright", "Copyright (C) 2026 Quillmere"},
        {"OriginalFilename", "zarvane.scr"},
        {"FileVersion", ZARVANE_VERSION_TEXT},
        {"ProductVersion", ZARVANE_VERSION_TEXT},
    };
    for (const auto& [name, expected] : fields) {
        EXPECT_EQ(VersionText(info, block, name), expected) << name;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD high = MAKELONG(ZARVANE_VERSION_MINOR, ZARVANE_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, ZARVANE_VERSION_PATCH);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
}

// The application manifest: Windows 10 and 11, the invoker's rights, not DPI-aware.
TEST(VersionResource, ManifestStatesWhatTheProgramIs) {
    HMODULE saver = ::LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(saver, nullptr);
    HRSRC found = ::FindResourceA(saver, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr) << "no RT_MANIFEST 1";
    const std::string manifest(
        static_cast<const char*>(::LockResource(::LoadResource(saver, found))),
        ::SizeofResource(saver, found));
    ::FreeLibrary(saver);
    for (const char* part : {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                             "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
                             ">false</dpiAware>", ">unaware</dpiAwareness>"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
}

TEST(VersionResource, StringOneStaysTheNameWindowsLists) {
    HMODULE saver = ::LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(saver, nullptr);
    char title[64] = {};
    ::LoadStringA(saver, 1, title, sizeof(title));
    ::FreeLibrary(saver);
    EXPECT_STREQ(title, "Zarvane");
}

// ---- Silent install and uninstall ----------------------------------------------------

struct InstallCase {
    const char* name;
    bool feedHost;         // /FEEDHOST=127.0.0.1:PORT, a feed server on loopback
    bool noActivate;       // /NOACTIVATE
    bool allUsers;         // /ALLUSERS
    const char* userSaver; // the user's SCRNSAVE.EXE before the install; "" for none
    bool interactive;      // through the pages instead: their defaults, the host typed
};

void PrintTo(const InstallCase& row, std::ostream* out) {
    *out << row.name;
}

const InstallCase kInstallCases[] = {
    {"FeedHostAndScreenSaver", true, false, false, "", false},
    {"NoActivateLeavesTheUsersSaver", false, true, false, kOtherSaver, false},
    {"EveryAccountsScreenSaver", false, false, true, kOtherSaver, false},
    {"PagesWithTheirDefaultsAndAHost", true, false, false, kOtherSaver, true},
};

// What the user's screen-saver values and the saver's settings must hold at a moment.
struct UserState {
    std::string saver;  // SCRNSAVE.EXE, "" when absent
    std::string active; // ScreenSaveActive
    std::vector<std::pair<const char*, std::string>> profile;
    std::vector<std::pair<const char*, std::string>> settingsKey; // the user's registry copy
    std::vector<std::pair<const char*, std::string>> policy;      // the machine's feed host
};

UserState AfterInstall(const InstallCase& row, const std::string& host) {
    UserState state;
    state.saver = row.noActivate ? row.userSaver : InstalledSaver();
    state.active = row.noActivate ? "0" : "1";
    // The setup writes neither WIN.INI nor the user's key: the user's own choice stays.
    state.profile = {{"Internet", kAbsent}, {"Alternate", kAbsent}, {"AlternateHost", kAbsent}};
    state.settingsKey = {{"Internet", kAbsent}, {"Alternate", "1"}, {"AlternateHost", kUsersHost}};
    state.policy = {{"Internet", row.feedHost ? "1" : kAbsent},
                    {"Alternate", row.feedHost ? "1" : kAbsent},
                    {"AlternateHost", row.feedHost ? host : kAbsent}};
    return state;
}

// The screen saver is cleared only where it was Zarvane; the settings stay as installed.
UserState AfterUninstall(const InstallCase& row, const std::string& host) {
    UserState state = AfterInstall(row, host);
    if (!row.noActivate) {
        state.saver = "";
        state.active = "0";
    }
    for (auto& [key, value] : state.policy) {
        value = kAbsent;
    }
    return state;
}

void ExpectUserState(const ProfileSection& profile, const UserState& expected) {
    EXPECT_STRCASEEQ(ReadRegistryString(kDesktopKey, "SCRNSAVE.EXE").c_str(),
                     expected.saver.c_str());
    EXPECT_EQ(ReadRegistryString(kDesktopKey, "ScreenSaveActive"), expected.active);
    for (const auto& [key, value] : expected.profile) {
        EXPECT_EQ(profile.Get(key), value) << key;
    }
    for (const auto& [key, value] : expected.settingsKey) {
        EXPECT_EQ(RegistryValueText(HKEY_CURRENT_USER, kSettingsRegistryKey, key), value) << key;
    }
    for (const auto& [key, value] : expected.policy) {
        EXPECT_EQ(RegistryValueText(HKEY_LOCAL_MACHINE, kPolicyKey, key), value) << key;
    }
}

// Active Setup: only /ALLUSERS registers an entry, and what its command gives a user who
// signs in for the first time after the install is Zarvane as screen saver. (The test can
// only be the account that ran the setup; its values are removed first.) An earlier
// version's entry and an uninstall's clean-up entry are gone.
void ExpectActiveSetupEntry(const InstallCase& row) {
    const HKEY machine = HKEY_LOCAL_MACHINE;
    EXPECT_EQ(RegistryValueText(machine, kLegacyEntry.c_str(), "StubPath"), kAbsent);
    EXPECT_EQ(RegistryValueText(machine, kCleanUpEntry.c_str(), "StubPath"), kAbsent);
    const std::string command = RegistryValueText(machine, kAllUsersEntry.c_str(), "StubPath");
    if (!row.allUsers) {
        EXPECT_EQ(command, kAbsent);
        return;
    }
    ASSERT_NE(command, kAbsent);
    const std::string version = RegistryValueText(machine, kAllUsersEntry.c_str(), "Version");
    EXPECT_EQ(RegistryValueText(machine, kAllUsersEntry.c_str(), "IsInstalled"), "1");
    // The account that ran the setup has its choice already: Active Setup passes it by.
    EXPECT_EQ(RegistryValueText(HKEY_CURRENT_USER, kAllUsersEntry.c_str(), "Version"), version);
    SetDesktopValue("SCRNSAVE.EXE", "");
    SetDesktopValue("ScreenSaveActive", "0");
    ASSERT_EQ(RunToEnd(command), 0) << command;
    EXPECT_STRCASEEQ(ReadRegistryString(kDesktopKey, "SCRNSAVE.EXE").c_str(),
                     InstalledSaver().c_str());
    EXPECT_EQ(ReadRegistryString(kDesktopKey, "ScreenSaveActive"), "1");
    // A reinstall of the same version applies nothing new: no user runs it again.
    ASSERT_EQ(RunToEnd("\"" + SetupPath() + "\" /S /ALLUSERS"), 0);
    EXPECT_EQ(RegistryValueText(machine, kAllUsersEntry.c_str(), "Version"), version);
}

// The user's screen saver and a feed host the user saved; an earlier version's Active
// Setup entry.
void PrepareUser(const InstallCase& row) {
    SetDesktopValue("SCRNSAVE.EXE", row.userSaver);
    SetDesktopValue("ScreenSaveActive", "0");
    SetRegistryText(HKEY_CURRENT_USER, kSettingsRegistryKey, "AlternateHost", kUsersHost);
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, kSettingsRegistryKey, &key);
    const DWORD on = 1;
    ::RegSetValueExA(key, "Alternate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    ::RegCloseKey(key);
    SetRegistryText(HKEY_LOCAL_MACHINE, kLegacyEntry.c_str(), "StubPath", "reg.exe import x.reg");
}

std::string SetupCommand(const InstallCase& row, const std::string& host) {
    std::string command = "\"" + SetupPath() + "\" /S";
    if (row.feedHost) {
        command += " /FEEDHOST=" + host;
    }
    if (row.noActivate) {
        command += " /NOACTIVATE";
    }
    if (row.allUsers) {
        command += " /ALLUSERS";
    }
    return command;
}

HWND VisibleChild(HWND parent, const char* windowClass) {
    struct Search {
        const char* windowClass;
        HWND found;
    } search = {windowClass, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            char name[64] = {};
            ::GetClassNameA(child, name, sizeof(name));
            if (::IsWindowVisible(child) && lstrcmpiA(name, s->windowClass) == 0) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ClickNext(HWND setup) {
    ::PostMessageA(setup, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(setup, IDOK)));
}

// As a user goes through the pages: the option left as it comes, `host` typed on the
// "Storm feed server" page, then Next until the setup has done and closes.
int RunThroughThePages(const std::string& host) {
    SaverProcess setup("", SetupPath());
    const HWND window = setup.WaitForWindow("#32770"); // its one dialog window
    if (window == nullptr) {
        return -1;
    }
    ClickNext(window);
    HWND hostBox = nullptr;
    WaitUntil([&] { return (hostBox = VisibleChild(window, "Edit")) != nullptr; }, kStartTimeoutMs);
    ::SendMessageA(hostBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(host.c_str()));
    ClickNext(window);
    const HWND next = ::GetDlgItem(window, IDOK);
    WaitUntil([&] { return WindowText(next) == "&Finish" && ::IsWindowEnabled(next); },
              kRunTimeoutMs);
    ClickNext(window);
    return setup.WaitForExit(kRunTimeoutMs) ? setup.ExitCode() : -1;
}

void ExpectInstalledFiles() {
    EXPECT_TRUE(FileBytes(InstalledSaver()) == FileBytes(SaverPath()))
        << InstalledSaver() << " is not the released zarvane.scr";
    const std::string uninstaller = InstallFolder() + "\\uninstall.exe";
    EXPECT_TRUE(FileExists(uninstaller));
    const std::string size = std::to_string((FileBytes(InstalledSaver()).size() + 1023) / 1024);
    const std::pair<const char*, std::string> entry[] = {
        {"DisplayName", "Zarvane"},
        {"DisplayVersion", ZARVANE_VERSION_TEXT},
        {"Publisher", "Quillmere"},
        {"DisplayIcon", uninstaller},
        {"UninstallString", "\"" + uninstaller + "\""},
        {"QuietUninstallString", "\"" + uninstaller + "\" /S"},
        {"EstimatedSize", size},
    };
    for (const auto& [name, expected] : entry) {
        EXPECT_STRCASEEQ(UninstallValue(name).c_str(), expected.c_str()) << name;
    }
}

// The installed saver, started as Windows starts it, full screen and fed from `server`.
void ExpectSaverShowsTheFeed(const TestHttpServer& server) {
    RestMouseOverGlobe();
    SaverProcess saver("/s", InstalledSaver());
    const HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr) << "the installed saver shows no window";
    const RECT screen = ScreenRect();
    const RECT rect = WindowRectOf(window);
    EXPECT_TRUE(::EqualRect(&rect, &screen)) << "not full screen";
    ASSERT_TRUE(WaitUntil([&] { return server.RequestCount() > 0; }, kFeedTimeoutMs));
    EXPECT_EQ(server.Requests()[0].rfind("GET /RirozIrid/ssaver.dat ", 0), 0u);
    EXPECT_EQ(WaitForBanner(CurrentGeometry(false), kFeedStatus, kFeedTimeoutMs), 0);
    ExpectEndsOnAKey(saver);
}

// The registered quiet uninstall, run as NSIS itself runs it: from a copy of the
// uninstaller, with _?= naming the installation folder. Started plainly, the uninstaller
// copies itself to %TEMP% and ends at once while the copy does the work; this way the
// process waited for is the one that does it, and nothing of it overlaps the next install.
// It ends with ERROR_SUCCESS_REBOOT_REQUIRED when a file in use goes only at the next restart.
void Uninstall(DWORD expectedExit = ERROR_SUCCESS) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
    const std::string copy = std::string(temp) + "zarvane-uninstall.exe";
    ASSERT_TRUE(::CopyFileA((InstallFolder() + "\\uninstall.exe").c_str(), copy.c_str(), FALSE));
    const std::string inPlace = "\"" + copy + "\" /S _?=" + InstallFolder();
    ASSERT_EQ(RunToEnd(inPlace), static_cast<int>(expectedExit)) << inPlace;
    EXPECT_TRUE(::DeleteFileA(copy.c_str()));
    EXPECT_EQ(UninstallValue("DisplayName"), kAbsent) << "the uninstall entry stays";
}

class SilentSetup : public ::testing::TestWithParam<InstallCase> {};

TEST_P(SilentSetup, InstallsThenUninstallsKeepingTheSettings) {
    const InstallCase& row = GetParam();
    ASSERT_FALSE(SetupPath().empty()) << "ZARVANE_SETUP names no setup";
    TestHttpServer server({200, kFeed});
    const ProfileSection profile; // no "zarvsaver" section before the install
    PrepareUser(row);
    ASSERT_EQ(row.interactive ? RunThroughThePages(server.HostText())
                              : RunToEnd(SetupCommand(row, server.HostText())),
              0);
    ExpectInstalledFiles();
    ExpectUserState(profile, AfterInstall(row, server.HostText()));
    if (row.feedHost) {
        ExpectSaverShowsTheFeed(server);
    }
    ExpectActiveSetupEntry(row);
    Uninstall();
    EXPECT_EQ(RegistryValueText(HKEY_LOCAL_MACHINE, kAllUsersEntry.c_str(), "StubPath"), kAbsent);
    // The clean-up entry for accounts signed out now; this account has had it done.
    EXPECT_NE(RegistryValueText(HKEY_LOCAL_MACHINE, kCleanUpEntry.c_str(), "StubPath"), kAbsent);
    EXPECT_EQ(RegistryValueText(HKEY_CURRENT_USER, kCleanUpEntry.c_str(), "Version"),
              RegistryValueText(HKEY_LOCAL_MACHINE, kCleanUpEntry.c_str(), "Version"));
    EXPECT_FALSE(FileExists(InstalledSaver()));
    EXPECT_FALSE(FileExists(InstallFolder()));
    ExpectUserState(profile, AfterUninstall(row, server.HostText()));
}

INSTANTIATE_TEST_SUITE_P(Release, SilentSetup, ::testing::ValuesIn(kInstallCases),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRemovals[] = "PendingFileRenameOperations";

// The renames and removals that wait for the next restart (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT), every path of the list, in small letters.
std::string PendingRemovals() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return "";
    }
    DWORD size = 0;
    ::RegQueryValueExA(key, kPendingRemovals, nullptr, nullptr, nullptr, &size);
    std::string text(size, '\0');
    if (size == 0 ||
        ::RegQueryValueExA(key, kPendingRemovals, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS) {
        text.clear();
    }
    ::RegCloseKey(key);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c ? std::tolower(c) : '|'); });
    return text;
}

void ForgetPendingRemovals() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueA(key, kPendingRemovals);
        ::RegCloseKey(key);
    }
}

// A pending removal at the next restart, as MoveFileEx records it.
void ScheduleRemoval(const std::string& path) {
    ASSERT_TRUE(::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) << path;
}

// A running saver holds zarvane.scr, as Windows holds a running program's file: the
// uninstall moves it out of the way under another name, which goes at the next restart,
// and the Apps entry goes with everything else. A later install is not removed at that
// restart, not even where an earlier version scheduled zarvane.scr itself for removal:
// the setup takes that one entry out of the list and keeps the others.
TEST(Uninstall, WhileTheSaverRunsAReinstallSurvivesTheNextRestart) {
    ASSERT_FALSE(SetupPath().empty()) << "ZARVANE_SETUP names no setup";
    const ProfileSection profile;
    ForgetPendingRemovals();
    ASSERT_EQ(RunToEnd("\"" + SetupPath() + "\" /S /NOACTIVATE"), 0);
    RestMouseOverGlobe();
    SaverProcess saver("/s", InstalledSaver());
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Uninstall(ERROR_SUCCESS_REBOOT_REQUIRED);
    EXPECT_FALSE(FileExists(InstalledSaver())) << "still under its own name";
    EXPECT_EQ(PendingRemovals().find("zarvane.scr"), std::string::npos) << PendingRemovals();
    EXPECT_NE(PendingRemovals().find("system32\\"), std::string::npos) << PendingRemovals();
    EXPECT_FALSE(FileExists(InstallFolder()));
    const std::string other = InstallFolder() + ".other";
    std::ofstream(other).put('x');
    // As an earlier version's uninstaller left it: the file in use, scheduled by its name.
    std::ofstream(InstalledSaver()).put('x');
    ScheduleRemoval(InstalledSaver());
    ScheduleRemoval(other);
    ASSERT_EQ(RunToEnd("\"" + SetupPath() + "\" /S /NOACTIVATE"), 0);
    EXPECT_EQ(PendingRemovals().find("system32\\zarvane.scr"), std::string::npos)
        << PendingRemovals();
    EXPECT_NE(PendingRemovals().find("zarvane.other"), std::string::npos) << PendingRemovals();
    EXPECT_TRUE(FileExists(InstalledSaver()));
    ExpectEndsOnAKey(saver);
    Uninstall();
    ::DeleteFileA(other.c_str());
    ForgetPendingRemovals();
}

} // namespace
