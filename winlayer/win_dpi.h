// The density a window is shown at, the system's sizes at that density, and the high-contrast flag.
// Sizes given for 96 DPI scale by zrpc::ScaleToDpi (base/dpi.h); at 96 DPI nothing changes.
#ifndef ZRPC_WINLAYER_WIN_DPI_H
#define ZRPC_WINLAYER_WIN_DPI_H

#include <windows.h>

#include "base/dpi.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_BEFOREPARENT
#define WM_DPICHANGED_BEFOREPARENT 0x02E2
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace zrpc {

// The window's DPI: GetDpiForWindow where the system has it (per-monitor hosts), else the density of
// the window's device context; 96 when neither answers.
UINT WindowDpi(HWND hwnd);

// The system metric at a DPI: GetSystemMetricsForDpi where the system has it, else the metric of the
// system's own DPI scaled to dpi.
int SystemMetricForDpi(int index, UINT dpi);

// A 96-DPI size of a window scaled to the window's DPI.
inline int ScaleForWindow(HWND hwnd, int px) {
    return ScaleToDpi(px, WindowDpi(hwnd));
}

// True while the user has a high-contrast colour scheme on (SPI_GETHIGHCONTRAST).
bool HighContrastOn();

// An icon of the module at the size the system asks for a 96-DPI size px at dpi (the nearest image
// the icon holds, stretched by the system when none fits). Destroy with DestroyIcon.
HICON LoadIconForDpi(HMODULE module, UINT id, int px, UINT dpi);

// A bitmap of the module drawn for the density nearest to dpi: the 100 %, 150 % or 200 % picture
// (IDB_SCALED_150, IDB_SCALED_200 in include/zrpcres_ids.h), the nearest smaller one the module has
// when it lacks that one. flags as LoadImage takes them. Delete with DeleteObject.
HBITMAP LoadBitmapForDpi(HMODULE module, UINT id, UINT dpi, UINT flags = 0);

} // namespace zrpc

#endif
