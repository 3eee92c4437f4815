// Stands in for the 9x system's PASSWORD.CPL in the end-to-end tests (Wine has none).
// VerifyScreenSavePwd answers what the test stored under kTestKey "Answer" and records
// each call, so a test can tell whether and how often the saver asked. With "CloseAgain"
// set, a refusal also posts a close request to the owner, as a user who goes on pressing
// keys would: it arrives at once after the refusal.
#include <windows.h>

namespace {

constexpr char kTestKey[] = "Software\\ZarvaneTests\\Password";

DWORD ReadValue(HKEY key, const char* name, DWORD fallback) {
    DWORD value = fallback;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
        value = fallback;
    }
    return value;
}

void WriteValue(HKEY key, const char* name, DWORD value) {
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
    HKEY key = nullptr;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, kTestKey, &key) != ERROR_SUCCESS) {
        return FALSE;
    }
    WriteValue(key, "Calls", ReadValue(key, "Calls", 0) + 1);
    WriteValue(key, "Owner", static_cast<DWORD>(reinterpret_cast<UINT_PTR>(owner)));
    const DWORD answer = ReadValue(key, "Answer", 0);
    if (answer == 0 && ReadValue(key, "CloseAgain", 0) != 0) {
        ::PostMessageA(owner, WM_CLOSE, 0, 0);
    }
    ::RegCloseKey(key);
    return answer != 0 ? TRUE : FALSE;
}
