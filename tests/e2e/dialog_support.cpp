#include "dialog_support.h"

#include <gtest/gtest.h>

#include "settings/settings_keys.h"

using namespace e2e;

namespace dialogs {

namespace {

// The message of a message box stands in a static control with this id (Windows and Wine).
constexpr int kMessageBoxTextId = 0xFFFF;

} // namespace

SettingsValues::SettingsValues() : alternateHost(kDefaultAlternateHost) {}

Section SettingsValues::Stored() const {
    auto text = [](int value) { return std::to_string(value); };
    return {{"Internet", text(internet)},    {"ShowDetails", text(showDetails)},
            {"Lighting", text(lighting)},    {"NightSide", text(nightSide)},
            {"UseProxy", text(useProxy)},    {"Direct", text(direct)},
            {"Alternate", text(alternate)},  {"UseHardware", text(useHardware)},
            {"English", text(english)},      {"SI", text(si)},
            {"Knots", text(knots)},          {"ProxyName", proxyName},
            {"AlternateHost", alternateHost}};
}

Section SectionInFile() {
    Section section;
    for (const std::string& line : ProfileSectionFileLines()) {
        const size_t equals = line.find('=');
        section[line.substr(0, equals)] =
            equals == std::string::npos ? "" : line.substr(equals + 1);
    }
    return section;
}

bool IsChecked(HWND control) {
    return ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND control) {
    return ::IsWindowEnabled(control) != FALSE;
}

ConfigRun::ConfigRun(const std::string& arguments) : process_(arguments) {
    dialog_ = process_.WaitForWindow(kDialogClass, kConfigCaption);
    if (dialog_ == nullptr) {
        ADD_FAILURE() << "no configuration dialog: "
                      << (!process_.Started() ? "the saver did not start"
                          : process_.Running()
                              ? "none appeared"
                              : "the saver ended with " + std::to_string(process_.ExitCode()));
    } else if (!WaitForForeground(dialog_)) {
        ADD_FAILURE() << "the configuration dialog did not come to the foreground";
    }
}

void ConfigRun::ClickControl(HWND control) {
    const DWORD sinceLast = ::GetTickCount() - lastClickTick_;
    if (control == lastClicked_ && sinceLast <= ::GetDoubleClickTime()) {
        Pause(::GetDoubleClickTime() - sinceLast + 50);
    }
    ClickWindow(control);
    lastClicked_ = control;
    lastClickTick_ = ::GetTickCount();
}

HWND ConfigRun::FindDialog(const char* caption) const {
    for (HWND window : process_.TopLevelWindows()) {
        char className[64] = {};
        ::GetClassNameA(window, className, sizeof(className));
        if (::IsWindowVisible(window) && lstrcmpA(className, kDialogClass) == 0 &&
            WindowText(window) == caption) {
            return window;
        }
    }
    return nullptr;
}

HWND ConfigRun::OpenAdvanced() {
    Click(kAdvanced);
    HWND advanced = process_.WaitForWindow(kDialogClass, kAdvancedCaption);
    if (advanced == nullptr || !WaitForForeground(advanced)) {
        ADD_FAILURE() << "the advanced options dialog did not open in the foreground";
    }
    return advanced;
}

HWND ConfigRun::WaitForNotice(DWORD timeoutMs) const {
    HWND notice = nullptr;
    WaitUntil([&] { return (notice = FindDialog(kNoticeCaption)) != nullptr; }, timeoutMs);
    return notice;
}

void ConfigRun::FinishWith(int id) {
    Click(id);
    ExpectEndedWithDialogResult();
}

void ConfigRun::ExpectEndedWithDialogResult() {
    ASSERT_TRUE(process_.WaitForExit()) << "the configuration dialog did not end";
    EXPECT_EQ(process_.ExitCode(), kDialogResult);
}

std::string MessageBoxText(HWND box) {
    return WindowText(::GetDlgItem(box, kMessageBoxTextId));
}

} // namespace dialogs
