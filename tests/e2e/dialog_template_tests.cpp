// The dialog templates as zarvane.scr carries them, read back from the file: captions,
// fonts, styles, sizes, and every control's id, class, style, text and rectangle, in
// template order (the order of Tab and of the radio groups).
#include "dialog_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

using namespace e2e;
using namespace dialogs;

namespace {

struct Box {
    int x, y, width, height;
    bool operator==(const Box& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << box.x << "," << box.y << " " << box.width << "x" << box.height;
}

struct TemplateControl {
    int id = 0;
    std::string className;
    DWORD style = 0;
    std::string text;
    Box box = {};
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    Box box = {};
    std::string caption;
    int pointSize = 0;
    std::string font;
    std::vector<TemplateControl> controls;
};

// Reads the fields of a DLGTEMPLATE or DLGTEMPLATEEX in their order.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* data) : start_(data), at_(data) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    Box ReadBox() {
        const short x = Take<short>(), y = Take<short>(), cx = Take<short>(), cy = Take<short>();
        return {x, y, cx, cy};
    }
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word()) {
            text += static_cast<char>(c);
        }
        return text;
    }
    // A name or an ordinal; the ordinals of the predefined control classes become names.
    std::string NameOrOrdinal() {
        const WORD first = *reinterpret_cast<const WORD*>(at_);
        if (first != 0xFFFF) {
            return Text();
        }
        Word();
        const WORD ordinal = Word();
        static const char* const kClasses[] = {"Button", "Edit", "Static"};
        return ordinal >= 0x80 && ordinal <= 0x82 ? kClasses[ordinal - 0x80]
                                                  : "#" + std::to_string(ordinal);
    }
    void Skip(size_t bytes) { at_ += bytes; }
    void AlignToDword() { at_ = start_ + ((at_ - start_ + 3) & ~size_t{3}); }

  private:
    template <typename T> T Take() {
        T value;
        std::memcpy(&value, at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    const BYTE* start_;
    const BYTE* at_;
};

TemplateControl ReadControl(TemplateReader& reader, bool extended) {
    TemplateControl control;
    reader.AlignToDword();
    if (extended) {
        reader.Dword(); // help id
        reader.Dword(); // extended style
        control.style = reader.Dword();
    } else {
        control.style = reader.Dword();
        reader.Dword(); // extended style
    }
    control.box = reader.ReadBox();
    control.id = extended ? static_cast<int>(reader.Dword()) : static_cast<short>(reader.Word());
    control.className = reader.NameOrOrdinal();
    control.text = reader.NameOrOrdinal();
    reader.Skip(reader.Word()); // creation data
    return control;
}

DialogTemplate ParseTemplate(const BYTE* data) {
    DialogTemplate dialog;
    TemplateReader reader(data);
    dialog.extended = reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
    if (dialog.extended) {
        reader.Skip(4 + 4 + 4); // version and signature, help id, extended style
        dialog.style = reader.Dword();
    } else {
        dialog.style = reader.Dword();
        reader.Dword(); // extended style
    }
    const WORD count = reader.Word();
    dialog.box = reader.ReadBox();
    reader.NameOrOrdinal(); // menu
    reader.NameOrOrdinal(); // window class
    dialog.caption = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        if (dialog.extended) {
            reader.Skip(2 + 1 + 1); // weight, italic, character set
        }
        dialog.font = reader.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        dialog.controls.push_back(ReadControl(reader, dialog.extended));
    }
    return dialog;
}

// zarvane.scr loaded as a data file, for its resources.
class SaverResources {
  public:
    SaverResources()
        : module_(::LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~SaverResources() {
        if (module_) {
            ::FreeLibrary(module_);
        }
    }
    const BYTE* DialogData(int id) const {
        HRSRC found = ::FindResourceA(module_, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
        HGLOBAL loaded = found ? ::LoadResource(module_, found) : nullptr;
        return loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    }

  private:
    HMODULE module_;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCheckBox = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultPush = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kEdit = kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_DISABLED;
constexpr DWORD kText = kChild | SS_LEFT;
constexpr DWORD kFrame = kChild | BS_GROUPBOX;
constexpr DWORD kModalPopup = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;

struct ExpectedControl {
    int id;
    const char* className;
    DWORD style;
    const char* text; // null: a line of our own wording, any text that is not empty
    Box box;
};

const ExpectedControl kConfigControls[] = {
    {-1, "Button", kFrame, "", {7, 107, 197, 40}},
    {kInternet, "Button", kCheckBox, "Retrieve Storm Data", {13, 115, 82, 10}},
    {kShowDetails, "Button", kCheckBox, "&Show Storm Detail Info", {13, 124, 95, 10}},
    {kDisableLighting, "Button", kCheckBox, "Disable Lighting", {128, 115, 67, 10}},
    {kNightSide, "Button", kCheckBox, "Show Night side", {128, 124, 67, 10}},
    {kUseHardware, "Button", kCheckBox, "Use 3D Hardware", {128, 133, 72, 10}},
    {kAdvanced, "Button", kPush, "&Advanced", {75, 151, 39, 12}},
    {kCancel, "Button", kPush, "&Cancel", {120, 151, 40, 12}},
    {kOk, "Button", kDefaultPush, "&OK", {167, 151, 40, 12}},
    {-1, "Static", kText, nullptr, {5, 23, 190, 8}},
    {-1, "Static", kText, nullptr, {5, 31, 65, 8}},
    {-1, "Static", kText, "Screen Saver Ver. 2.3", {5, 38, 71, 8}},
    {-1, "Static", kText, nullptr, {5, 72, 67, 8}},
    {-1, "Static", kText, nullptr, {5, 80, 64, 8}},
    {-1, "Static", kText, nullptr, {5, 88, 124, 8}},
    {-1, "Static", kText, nullptr, {5, 96, 63, 8}},
};

const ExpectedControl kAdvancedControls[] = {
    {-1, "Button", kFrame | WS_GROUP, "", {7, 1, 175, 98}},
    {kUseProxy, "Button", kRadio | WS_GROUP, "Use &Proxy Server", {12, 11, 71, 10}},
    {kProxyName, "Edit", kEdit, "", {12, 23, 160, 14}},
    {kSystemInternet, "Button", kRadio, "Use &Microsoft Settings", {12, 45, 87, 10}},
    {kDirect, "Button", kRadio, "Use &Direct Connect", {12, 55, 78, 10}},
    {kAlternate, "Button", kCheckBox, "&Use Alternate Host", {12, 70, 75, 10}},
    {kAlternateHost, "Edit", kEdit, "", {12, 81, 160, 14}},
    {-1, "Button", kFrame | WS_GROUP, "", {7, 110, 107, 30}},
    {kEnglish, "Button", kRadio, "English (Miles per Hour)", {14, 115, 93, 10}},
    {kSi, "Button", kRadio, "SI (Kilometers per Hour)", {14, 123, 95, 10}},
    {kKnots, "Button", kRadio, "Nautical (Knots)", {14, 130, 68, 10}},
    {kOk, "Button", kDefaultPush, "OK", {141, 114, 40, 12}},
    {kCancel, "Button", kPush, "Cancel", {141, 129, 40, 12}},
    {-1, "Static", kText | WS_GROUP, "Display Units:", {7, 105, 47, 8}},
};

template <size_t N>
void ExpectControls(const DialogTemplate& dialog, const ExpectedControl (&expected)[N]) {
    ASSERT_EQ(dialog.controls.size(), N);
    for (size_t i = 0; i < N; ++i) {
        const TemplateControl& actual = dialog.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " \"" + actual.text + "\"");
        EXPECT_EQ(actual.id, expected[i].id);
        EXPECT_EQ(lstrcmpiA(actual.className.c_str(), expected[i].className), 0)
            << actual.className;
        EXPECT_EQ(actual.style, expected[i].style) << std::hex << actual.style;
        if (expected[i].text != nullptr) {
            EXPECT_EQ(actual.text, expected[i].text);
        } else {
            EXPECT_FALSE(actual.text.empty());
        }
        EXPECT_EQ(actual.box, expected[i].box);
    }
}

} // namespace

TEST_F(ConfigDialog, TemplateHasTheDesignedCaptionFontStylesAndControls) {
    SaverResources saver;
    const BYTE* data = saver.DialogData(2003);
    ASSERT_NE(data, nullptr);
    const DialogTemplate dialog = ParseTemplate(data);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, kModalPopup | WS_VISIBLE) << std::hex << dialog.style;
    EXPECT_EQ(dialog.box, (Box{0, 0, 214, 166}));
    EXPECT_EQ(dialog.caption, "Zarvane - Screen Saver");
    EXPECT_EQ(dialog.font, "Comic Sans MS");
    EXPECT_EQ(dialog.pointSize, 9);
    ExpectControls(dialog, kConfigControls);
}

TEST_F(AdvancedDialog, TemplateHasTheDesignedCaptionFontStylesAndControls) {
    SaverResources saver;
    const BYTE* data = saver.DialogData(102);
    ASSERT_NE(data, nullptr);
    const DialogTemplate dialog = ParseTemplate(data);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style, kModalPopup) << std::hex << dialog.style;
    EXPECT_EQ(dialog.box, (Box{0, 0, 191, 147}));
    EXPECT_EQ(dialog.caption, "Advanced Options");
    EXPECT_EQ(dialog.font, "Comic Sans MS");
    EXPECT_EQ(dialog.pointSize, 9);
    ExpectControls(dialog, kAdvancedControls);
}

namespace {

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

int TextWidth(HWND control) {
    const std::string text = WindowText(control);
    HDC dc = ::GetDC(control);
    HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return extent.cx;
}

} // namespace

// The lines of the configuration dialog's text block are drawn whole, with the font that
// the dialog really gets here, in the rectangles the template gives them.
TEST_F(ConfigDialog, TextLinesFitTheirRectangles) {
    SaverResources saver;
    const BYTE* data = saver.DialogData(2003);
    ASSERT_NE(data, nullptr);
    HWND dialog = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                               reinterpret_cast<LPCDLGTEMPLATEA>(data), nullptr,
                                               InertDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    int lines = 0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        ::GetClassNameA(child, className, sizeof(className));
        if (lstrcmpiA(className, "Static") != 0) {
            continue;
        }
        ++lines;
        RECT client = {};
        ::GetClientRect(child, &client);
        EXPECT_LE(TextWidth(child), client.right) << "\"" << WindowText(child) << "\"";
    }
    EXPECT_EQ(lines, 7);
    ::DestroyWindow(dialog);
}
