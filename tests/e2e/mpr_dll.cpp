// Stands in for MPR.DLL in the end-to-end tests so that the change-password call can be
// observed (the tests run the saver with WINEDLLOVERRIDES=mpr=n and this DLL beside it).
// PwdChangePasswordA records its provider name and owner window under kTestKey.
#include <windows.h>

namespace {

constexpr char kTestKey[] = "Software\\ZarvaneTests\\Password";

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(const char* provider, HWND owner, DWORD, void*) {
    HKEY key = nullptr;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, kTestKey, &key) != ERROR_SUCCESS) {
        return ERROR_ACCESS_DENIED;
    }
    ::RegSetValueExA(key, "ChangeProvider", 0, REG_SZ, reinterpret_cast<const BYTE*>(provider),
                     static_cast<DWORD>(lstrlenA(provider) + 1));
    const DWORD ownerValue = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(owner));
    ::RegSetValueExA(key, "ChangeOwner", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ownerValue),
                     sizeof(ownerValue));
    ::RegCloseKey(key);
    return ERROR_SUCCESS;
}
