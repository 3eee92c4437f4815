#pragma once
// Shared by the dialog tests: the dialogs' captions and control ids as the outside world
// knows them, a configuration run of the saver driven like a user would, the fixture that
// opens one over stored settings, and the WIN.INI section as the configuration dialog's
// OK must leave it.
#include "harness.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace dialogs {

constexpr char kDialogClass[] = "#32770";
constexpr char kConfigCaption[] = "Zarvane - Screen Saver";
constexpr char kAdvancedCaption[] = "Advanced Options";
constexpr char kNoticeCaption[] = "Notice";
constexpr int kDialogResult = 1; // however a configuration run ends

// Control ids by number, as the dialog templates give them.
enum ControlId : int {
    kOk = 1,
    kCancel = 2,
    kAdvanced = 1000,
    kInternet = 1002,
    kNightSide = 1003,
    kDisableLighting = 1004,
    kUseHardware = 1005,
    kProxyName = 1006,
    kAlternate = 1007,
    kAlternateHost = 1008,
    kUseProxy = 1009,
    kSystemInternet = 1010,
    kDirect = 1011,
    kShowDetails = 1012,
    kEnglish = 1013,
    kSi = 1014,
    kKnots = 1015,
};

using Section = std::map<std::string, std::string>; // key -> value text

// The thirteen settings with the defaults a missing key reads as; Stored() is the section
// that Save leaves behind for them.
struct SettingsValues {
    int internet = 0;
    int showDetails = 0;
    int lighting = 1;
    int nightSide = 0;
    int useProxy = 0;
    int direct = 1;
    int alternate = 0;
    int useHardware = 0;
    int english = 1;
    int si = 0;
    int knots = 0;
    std::string proxyName;
    std::string alternateHost;

    SettingsValues();
    Section Stored() const;
};

// The saver's WIN.INI section as the file holds it.
Section SectionInFile();

bool IsChecked(HWND control);
bool IsEnabled(HWND control);

// The saver in configuration mode with its dialog open and in the foreground.
class ConfigRun {
  public:
    explicit ConfigRun(const std::string& arguments = "/c");
    bool Opened() const { return dialog_ != nullptr; }
    HWND Dialog() const { return dialog_; }
    e2e::SaverProcess& Process() { return process_; }

    // Controls of the configuration dialog.
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
    bool Checked(int id) const { return IsChecked(Item(id)); }
    bool Enabled(int id) const { return IsEnabled(Item(id)); }
    void Click(int id) { ClickControl(Item(id)); }

    // Clicks a control with the mouse. Two clicks on one control are kept apart by the
    // double-click time, so that each counts as a click of its own.
    void ClickControl(HWND control);
    // Clicks "&Advanced" and waits for the advanced dialog to be in the foreground.
    HWND OpenAdvanced();
    // A visible top-level window of the saver with the dialog class and this caption.
    HWND FindDialog(const char* caption) const;
    // Waits for the "Notice" box; null when none appears within the time.
    HWND WaitForNotice(DWORD timeoutMs = e2e::kStartTimeoutMs) const;
    // Clicks OK or Cancel of the configuration dialog and waits for the process to end
    // with the dialog's result.
    void FinishWith(int id);
    void ExpectEndedWithDialogResult();

  private:
    e2e::SaverProcess process_;
    HWND dialog_ = nullptr;
    HWND lastClicked_ = nullptr;
    DWORD lastClickTick_ = 0;
};

// The text of the message box's message, read from its static control.
std::string MessageBoxText(HWND box);

using Profile = std::vector<std::pair<const char*, const char*>>; // keys and texts to store

// A configuration run over settings stored for it. Open may be called once per case of a
// table: each starts from an empty section and registry key.
class DialogRun : public testing::Test {
  protected:
    // Stores `profile` afresh, notes the section's lines, and opens the configuration
    // dialog in the foreground; false when it did not open.
    bool Open(const Profile& profile = {}, const std::string& arguments = "/c") {
        run_.reset();
        profile_.Empty();
        for (const auto& [key, value] : profile) {
            profile_.Set(key, value);
        }
        before_ = e2e::ProfileSectionFileLines();
        run_.emplace(arguments);
        return run_->Opened();
    }
    // As Open, then the advanced options dialog over it; null when either did not open.
    HWND OpenAdvanced(const Profile& profile = {}) {
        return Open(profile) ? run_->OpenAdvanced() : nullptr;
    }
    // The settings as the saver reads them from what Open stored.
    static const SaverSettings& Loaded() {
        saverSettings.Load();
        return saverSettings;
    }

    e2e::ProfileSection profile_;
    std::optional<ConfigRun> run_;
    std::vector<std::string> before_; // the section's lines before the dialog opened
};

// The test suites of the two dialogs, over every file of dialog tests.
class ConfigDialog : public DialogRun {};
class AdvancedDialog : public DialogRun {};

} // namespace dialogs
