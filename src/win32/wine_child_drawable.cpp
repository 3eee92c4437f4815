#include "win32/wine_child_drawable.h"

#include <cstdint>

namespace {

// Wine's X11 driver escape and two of its codes, from Wine's x11drv.h.
constexpr int kX11DriverEscape = 6789;
enum X11DriverEscapeCode : int32_t { kSetDrawable = 0, kGetDrawable = 1 };
constexpr int32_t kIncludeInferiors = 1;

struct GetDrawableReply {
    int32_t code;
    uint64_t drawable;
    uint64_t glDrawable;
    int32_t pixelFormat;
};

struct SetDrawableRequest {
    int32_t code;
    uint64_t drawable;
    int32_t mode;
    RECT dcRect; // relative to the drawable
};

bool RunningUnderWine() {
    static const bool underWine =
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return underWine;
}

// The child's client area relative to its top-level window's outer rectangle.
RECT ClientRectInTopLevel(HWND child, HWND topLevel) {
    RECT client = {};
    ::GetClientRect(child, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(child, &origin);
    RECT outer = {};
    ::GetWindowRect(topLevel, &outer);
    const int left = origin.x - outer.left;
    const int top = origin.y - outer.top;
    return {left, top, left + client.right, top + client.bottom};
}

} // namespace

void RepairChildDrawable(HWND child, HDC dc) {
    if (!RunningUnderWine()) {
        return;
    }
    const int32_t query = kGetDrawable;
    GetDrawableReply reply = {};
    if (::ExtEscape(dc, kX11DriverEscape, sizeof(query), reinterpret_cast<const char*>(&query),
                    sizeof(reply), reinterpret_cast<char*>(&reply)) <= 0 ||
        reply.drawable != 0) {
        return;
    }
    HWND topLevel = ::GetAncestor(child, GA_ROOT);
    const auto whole = reinterpret_cast<uintptr_t>(::GetPropA(topLevel, "__wine_x11_whole_window"));
    if (whole == 0) {
        return;
    }
    SetDrawableRequest request = {kSetDrawable, whole, kIncludeInferiors,
                                  ClientRectInTopLevel(child, topLevel)};
    ::ExtEscape(dc, kX11DriverEscape, sizeof(request), reinterpret_cast<const char*>(&request), 0,
                nullptr);
}
