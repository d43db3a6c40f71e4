// Window densities and the system's sizes; see win_dpi.h.
#include "winlayer/win_dpi.h"

#include "include/zrpcres_ids.h"

namespace zrpc {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// The per-monitor functions of user32, where this system has them (older systems lack them).
template <typename Fn> Fn User32(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

UINT DeviceDpi(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    if (!dc) return kBaseDpi;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(hwnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

} // namespace

UINT WindowDpi(HWND hwnd) {
    static const GetDpiForWindowFn forWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        const UINT dpi = forWindow(hwnd);
        if (dpi) return dpi;
    }
    return DeviceDpi(hwnd);
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const GetSystemMetricsForDpiFn forDpi = User32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi ? dpi : kBaseDpi);
    const UINT system = DeviceDpi(nullptr);
    const int value = GetSystemMetrics(index);
    return system == dpi || dpi == 0 ? value : MulDiv(value, static_cast<int>(dpi), static_cast<int>(system));
}

bool HighContrastOn() {
    HIGHCONTRASTA hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

HICON LoadIconForDpi(HMODULE module, UINT id, int px, UINT dpi) {
    const int size = ScaleToDpi(px, dpi);
    return static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

HBITMAP LoadBitmapForDpi(HMODULE module, UINT id, UINT dpi, UINT flags) {
    // 100 % below 120 DPI, 150 % below 168, 200 % from there on.
    const UINT offsets[] = {0, IDB_SCALED_150, IDB_SCALED_200};
    int pick = dpi >= 168 ? 2 : dpi >= 120 ? 1 : 0;
    for (; pick >= 0; --pick) {
        HANDLE image = LoadImageA(module, MAKEINTRESOURCEA(id + offsets[pick]), IMAGE_BITMAP, 0, 0, flags);
        if (image) return static_cast<HBITMAP>(image);
    }
    return nullptr;
}

} // namespace zrpc
