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
constexpr char kActiveSetupKey[] =
    "Software\\Microsoft\\Active Setup\\Installed Components\\Zarvane";
constexpr char kAbsent[] = "<absent>"; // as ProfileSection::Get reports a missing key
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

void SetDesktopValue(const char* name, const char* value) {
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, kDesktopKey, &key);
    if (*value == '\0') {
        ::RegDeleteValueA(key, name);
    } else {
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                         static_cast<DWORD>(lstrlenA(value) + 1));
    }
    ::RegCloseKey(key);
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
    const char* userSaver; // the user's SCRNSAVE.EXE before the install; "" for none
    bool interactive;      // through the pages instead: their defaults, the host typed
};

void PrintTo(const InstallCase& row, std::ostream* out) {
    *out << row.name;
}

const InstallCase kInstallCases[] = {
    {"FeedHostAndScreenSaver", true, false, "", false},
    {"NoActivateLeavesTheUsersSaver", false, true, kOtherSaver, false},
    {"PagesWithTheirDefaultsAndAHost", true, false, kOtherSaver, true},
};

// What the user's screen-saver values and the saver's settings must hold at a moment.
struct UserState {
    std::string saver;  // SCRNSAVE.EXE, "" when absent
    std::string active; // ScreenSaveActive
    std::vector<std::pair<const char*, std::string>> profile;
    std::vector<std::pair<const char*, std::string>> settingsKey; // the user's registry copy
};

UserState AfterInstall(const InstallCase& row, const std::string& host) {
    UserState state;
    state.saver = row.noActivate ? row.userSaver : InstalledSaver();
    state.active = row.noActivate ? "0" : "1";
    state.profile = {{"Internet", row.feedHost ? "1" : kAbsent},
                     {"Alternate", row.feedHost ? "1" : kAbsent},
                     {"AlternateHost", row.feedHost ? host : kAbsent}};
    state.settingsKey = {{"Internet", row.feedHost ? "1" : kAbsent},
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
}

void DeleteUserChoices() {
    SetDesktopValue("SCRNSAVE.EXE", "");
    SetDesktopValue("ScreenSaveActive", "0");
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsRegistryKey);
}

// Active Setup's entry, and what its command gives a user who signs in for the first time
// after the install: the same choices as the account that ran the setup got. (The test
// can only be that account; the values it got are removed first.)
void ExpectActiveSetupGivesTheChoices(const InstallCase& row, const std::string& host) {
    const std::string command = RegistryValueText(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath");
    if (row.noActivate && !row.feedHost) {
        EXPECT_EQ(command, kAbsent) << "nothing per user to hand on";
        return;
    }
    ASSERT_NE(command, kAbsent);
    std::string version = ZARVANE_VERSION_TEXT;
    std::replace(version.begin(), version.end(), '.', ',');
    EXPECT_EQ(RegistryValueText(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version"), version);
    EXPECT_EQ(RegistryValueText(HKEY_LOCAL_MACHINE, kActiveSetupKey, "IsInstalled"), "1");
    // The account that ran the setup has its choices already: Active Setup passes it by.
    EXPECT_EQ(RegistryValueText(HKEY_CURRENT_USER, kActiveSetupKey, "Version"), version);
    DeleteUserChoices();
    const std::string saver = row.noActivate ? "" : InstalledSaver();
    EXPECT_STRCASEEQ(ReadRegistryString(kDesktopKey, "SCRNSAVE.EXE").c_str(), "");
    ASSERT_EQ(RunToEnd(command), 0) << command;
    EXPECT_STRCASEEQ(ReadRegistryString(kDesktopKey, "SCRNSAVE.EXE").c_str(), saver.c_str());
    EXPECT_EQ(ReadRegistryString(kDesktopKey, "ScreenSaveActive"), row.noActivate ? "0" : "1");
    for (const auto& [key, value] : AfterInstall(row, host).settingsKey) {
        EXPECT_EQ(RegistryValueText(HKEY_CURRENT_USER, kSettingsRegistryKey, key), value) << key;
    }
}

void PrepareUser(const InstallCase& row) {
    SetDesktopValue("SCRNSAVE.EXE", row.userSaver);
    SetDesktopValue("ScreenSaveActive", "0");
}

std::string SetupCommand(const InstallCase& row, const std::string& host) {
    std::string command = "\"" + SetupPath() + "\" /S";
    if (row.feedHost) {
        command += " /FEEDHOST=" + host;
    }
    if (row.noActivate) {
        command += " /NOACTIVATE";
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
    WaitUntil([&] { return WindowText(next) == "&Close" && ::IsWindowEnabled(next); },
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

// The registered quiet uninstall; the uninstaller runs on from a copy of itself, and
// removes the entry last.
void Uninstall() {
    const std::string command = UninstallValue("QuietUninstallString");
    ASSERT_EQ(RunToEnd(command), 0) << command;
    ASSERT_TRUE(WaitUntil([] { return UninstallValue("DisplayName") == kAbsent; }, kRunTimeoutMs))
        << "the uninstall entry stays";
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
    ExpectActiveSetupGivesTheChoices(row, server.HostText());
    Uninstall();
    EXPECT_EQ(RegistryValueText(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath"), kAbsent);
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

// A running saver holds zarvane.scr, as Windows holds a running program's file: the
// uninstall then leaves it for the next restart, and the Apps entry goes with everything
// else, since nothing is left for it to remove.
TEST(Uninstall, WhileTheSaverRunsTheSaverGoesAtTheNextRestart) {
    ASSERT_FALSE(SetupPath().empty()) << "ZARVANE_SETUP names no setup";
    const ProfileSection profile;
    ForgetPendingRemovals();
    ASSERT_EQ(RunToEnd("\"" + SetupPath() + "\" /S /NOACTIVATE"), 0);
    RestMouseOverGlobe();
    SaverProcess saver("/s", InstalledSaver());
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Uninstall();
    EXPECT_TRUE(FileExists(InstalledSaver())) << "removed while it ran";
    EXPECT_NE(PendingRemovals().find("zarvane.scr"), std::string::npos) << PendingRemovals();
    EXPECT_FALSE(FileExists(InstallFolder()));
    ExpectEndsOnAKey(saver);
    // What the restart does.
    ::DeleteFileA(InstalledSaver().c_str());
    ForgetPendingRemovals();
}

} // namespace
