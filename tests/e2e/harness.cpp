#include "harness.h"

#include <algorithm>
#include <cstdlib>

namespace e2e {

namespace {

constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMs = 500;
constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\zarvane.scr";
constexpr char kDllOverridesKey[] = "Software\\Wine\\AppDefaults\\zarvane.scr\\DllOverrides";

std::string UnixToWindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string windows = "Z:" + path;
    for (char& c : windows) {
        if (c == '/') {
            c = '\\';
        }
    }
    return windows;
}

void SendInputs(INPUT* inputs, UINT count) {
    ::SendInput(count, inputs, sizeof(INPUT));
}

INPUT KeyInput(WORD virtualKey, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    return input;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

// SetForegroundWindow succeeds only for a process that may set the foreground (Microsoft:
// the foreground process, one it started or allowed, the one that received the last input
// event, ...). This thread's input, attached to the foreground thread's, counts as the
// foreground's own; detached again at once, so that later keys stay the test's.
void AskForForeground(HWND window) {
    const DWORD self = ::GetCurrentThreadId();
    HWND foreground = ::GetForegroundWindow();
    const DWORD foregroundThread =
        foreground != nullptr ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attached = foregroundThread != 0 && foregroundThread != self &&
                          ::AttachThreadInput(self, foregroundThread, TRUE);
    ::SetForegroundWindow(window);
    if (attached) {
        ::AttachThreadInput(self, foregroundThread, FALSE);
    }
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

} // namespace

std::string SaverPath() {
    const char* path = std::getenv("ZARVANE_SCR");
    return UnixToWindowsPath(path ? path : "zarvane.scr");
}

std::string ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "zarvane-" + name;
    const std::string command = "cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul";
    std::system(command.c_str());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

SaverProcess::SaverProcess(const std::string& arguments, const std::string& program) {
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    // Wine on a loaded machine now and then fails a start outright; try again a few times.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info_)) {
            // As the Display control panel, which is in the foreground when it starts a
            // saver: its windows may take the foreground whether or not the test has it.
            ::AllowSetForegroundWindow(info_.dwProcessId);
            return;
        }
        info_ = {};
        ::Sleep(kStartRetryMs);
    }
}

SaverProcess::~SaverProcess() {
    if (info_.hProcess == nullptr) {
        return;
    }
    if (Running()) {
        ::TerminateProcess(info_.hProcess, 99);
        ::WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
}

bool SaverProcess::Running() const {
    return info_.hProcess && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool SaverProcess::WaitForExit(DWORD timeoutMs) {
    return WaitUntil([this] { return !Running(); }, timeoutMs);
}

int SaverProcess::ExitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
}

std::vector<HWND> SaverProcess::TopLevelWindows() const {
    WindowSearch search = {info_.dwProcessId, {}};
    ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND SaverProcess::WaitForWindow(const char* windowClass, const char* title,
                                 DWORD timeoutMs) const {
    HWND result = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows()) {
                char name[256] = {};
                char className[256] = {};
                ::GetClassNameA(window, className, sizeof(className));
                ::GetWindowTextA(window, name, sizeof(name));
                if (::IsWindowVisible(window) && lstrcmpA(className, windowClass) == 0 &&
                    (title == nullptr || lstrcmpA(name, title) == 0)) {
                    result = window;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return result;
}

HWND WaitForSaverWindow(const SaverProcess& saver) {
    HWND window = saver.WaitForWindow("WindowsScreenSaverClass", "Screen Saver");
    // Keys go to the foreground window: wait until the saver has brought itself forward.
    WaitForForeground(window);
    return window;
}

bool WaitForForeground(HWND window, DWORD timeoutMs) {
    if (window == nullptr) {
        return false;
    }
    bool asked = false; // once each time the foreground is lost
    const auto arrived = [&] {
        HWND foreground = ::GetForegroundWindow();
        const bool lost = foreground == nullptr || foreground == ::GetDesktopWindow();
        if (lost && !asked) {
            AskForForeground(window);
        }
        asked = lost;
        return foreground == window;
    };
    return WaitUntil(arrived, timeoutMs);
}

void MoveMouseTo(int x, int y) {
    ::SetCursorPos(x, y);
}

void PressKey(WORD virtualKey) {
    INPUT inputs[] = {KeyInput(virtualKey, 0), KeyInput(virtualKey, KEYEVENTF_KEYUP)};
    SendInputs(inputs, 2);
}

void ClickMouse(DWORD downFlag, DWORD upFlag) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = downFlag;
    inputs[1].mi.dwFlags = upFlag;
    SendInputs(inputs, 2);
}

HBITMAP LoadSaverBitmap(int resourceId) {
    HMODULE saver = ::LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP bitmap = ::LoadBitmapA(saver, MAKEINTRESOURCEA(resourceId));
    ::FreeLibrary(saver);
    return bitmap;
}

HWND WaitForChild(HWND parent, const char* windowClass, DWORD timeoutMs) {
    HWND child = nullptr;
    WaitUntil(
        [&] {
            child = ::FindWindowExA(parent, nullptr, windowClass, nullptr);
            return child != nullptr;
        },
        timeoutMs);
    return child;
}

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

WPARAM PreviewHost::contextMenuWParam = 0;
WPARAM PreviewHost::helpWParam = 0;

namespace {

LRESULT CALLBACK PreviewHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU || message == WM_HELP) {
        (message == WM_HELP ? PreviewHost::helpWParam : PreviewHost::contextMenuWParam) = wParam;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

PreviewHost::PreviewHost(int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PreviewHostProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZarvaneTestPreviewHost";
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "host",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, width, height,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    contextMenuWParam = helpWParam = 0;
    Pause(100);
}

PreviewHost::~PreviewHost() {
    if (::IsWindow(window_)) {
        ::DestroyWindow(window_);
    }
}

std::string PreviewHost::HandleText() const {
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window_)));
}

HWND PreviewHost::Preview() const {
    return ::FindWindowExA(window_, nullptr, "WindowsScreenSaverClass", "Preview");
}

EmulatedWindowsVersion::EmulatedWindowsVersion(const char* version) {
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, kAppDefaultsKey, &key);
    ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>(lstrlenA(version) + 1));
    ::RegCloseKey(key);
}

EmulatedWindowsVersion::~EmulatedWindowsVersion() {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kAppDefaultsKey, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, "Version");
        ::RegCloseKey(key);
    }
}

NativeDllForSaver::NativeDllForSaver(const char* dll) : dll_(dll) {
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, kDllOverridesKey, &key);
    ::RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>("native"),
                     sizeof("native"));
    ::RegCloseKey(key);
}

NativeDllForSaver::~NativeDllForSaver() {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kDllOverridesKey, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, dll_.c_str());
        ::RegCloseKey(key);
    }
}

void PressKeyWith(WORD modifier, WORD virtualKey) {
    INPUT inputs[] = {KeyInput(modifier, 0), KeyInput(virtualKey, 0),
                      KeyInput(virtualKey, KEYEVENTF_KEYUP), KeyInput(modifier, KEYEVENTF_KEYUP)};
    SendInputs(inputs, 4);
}

void TypeText(const std::string& text) {
    for (char c : text) {
        // The virtual key of a letter is its capital; without Shift it types the small one.
        WORD key = static_cast<WORD>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (c == '.') {
            key = VK_OEM_PERIOD;
        }
        PressKey(key);
    }
}

void ClickWindow(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ClickAt(int x, int y) {
    MoveMouseTo(x, y);
    WaitUntil(
        [x, y] {
            POINT at = {};
            return ::GetCursorPos(&at) && at.x == x && at.y == y;
        },
        kExitTimeoutMs);
    // Each button event moves the pointer to the place itself: under Wine a pointer
    // motion still on its way from an earlier place can arrive between two events of one
    // SendInput and would carry the click elsewhere.
    const RECT screen = ScreenRect();
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65536 + screen.right - 1) / screen.right;
        input.mi.dy = (y * 65536 + screen.bottom - 1) / screen.bottom;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInputs(inputs, 2);
}

HWND FocusOfThread(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

std::string WindowText(HWND window) {
    // GetWindowTextA does not ask a control of another process for its text; WM_GETTEXT
    // does. The timeout keeps a hung saver from hanging the test.
    char text[1024] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, kExitTimeoutMs, &length);
    return text;
}

} // namespace e2e

namespace e2e {

bool Answers(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool RepaintAndWait(HWND window, DWORD timeoutMs) {
    if (!::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE)) {
        return false;
    }
    // Polled closely rather than through WaitUntil, so that a soak of many repaints is
    // paced by the painting and not by the poll.
    const DWORD start = ::GetTickCount();
    while (::GetUpdateRect(window, nullptr, FALSE)) {
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(1);
    }
    return true;
}

namespace {

// One entry of the GDI handle table (the 64-bit layout that Windows and Wine share).
struct GdiHandleEntry {
    uint64_t object;
    uint16_t processId;
    uint16_t count;
    uint16_t unique; // low byte: bit 7 marks a stock object
    uint8_t type;    // 0: free
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entries are 24 bytes");

constexpr size_t kGdiHandleCount = 0x10000;
constexpr size_t kPebGdiTableOffset = 0xF8; // PEB.GdiSharedHandleTable on 64-bit Windows
constexpr uint16_t kStockObjectFlag = 0x80;

using QueryProcessFunction = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

struct ProcessBasics {
    void* reserved1;
    unsigned char* peb;
    void* reserved2[4];
};

int CountTableEntries(HANDLE process) {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    auto query = reinterpret_cast<QueryProcessFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "NtQueryInformationProcess")));
    ProcessBasics basics = {};
    if (query == nullptr || query(process, 0, &basics, sizeof(basics), nullptr) != 0) {
        return -1;
    }
    const GdiHandleEntry* table = nullptr;
    std::vector<GdiHandleEntry> entries(kGdiHandleCount);
    if (!::ReadProcessMemory(process, basics.peb + kPebGdiTableOffset, &table, sizeof(table),
                             nullptr) ||
        table == nullptr ||
        !::ReadProcessMemory(process, table, entries.data(),
                             entries.size() * sizeof(GdiHandleEntry), nullptr)) {
        return -1;
    }
    // Windows keeps one table per session and marks each entry with its process; Wine keeps
    // one per process and marks none.
    const uint16_t owner = RunningUnderWine() ? 0 : static_cast<uint16_t>(::GetProcessId(process));
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [owner](const auto& e) {
        return e.type != 0 && (e.unique & kStockObjectFlag) == 0 && e.processId == owner;
    }));
}

} // namespace

GdiObjectCount CountGdiObjects(HANDLE process) {
    return {::GetGuiResources(process, GR_GDIOBJECTS), CountTableEntries(process)};
}

} // namespace e2e
