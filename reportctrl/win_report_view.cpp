// CReportView, the window that holds one report control over its whole client area, and the report
// control's sizing helpers for previews and its background picture.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "frame/win_frame.h"
#include "include/zrpcreportview.h"
#include "reportctrl/win_report_extras.h"
#include "winlayer/win_window.h"

namespace {

const char kViewClass[] = "CReportView";

LRESULT CALLBACK PlainViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The module whose code is at address (the caller of an export).
HMODULE ModuleAt(const void* address) {
    // The allocation base of the code is the module's handle (this works on every system family).
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(address, &info, sizeof info) && info.AllocationBase)
        return static_cast<HMODULE>(info.AllocationBase);
    return GetModuleHandleA(nullptr);
}

} // namespace

// ---------------------------------------------------------------- preview heights

int CReportCtrl::PreviewHeight(HFONT hFont, UINT nLines) {
    return zrpc::Guard(-1, [&]() -> int {
        HDC dc = GetDC(m_hwnd);
        if (!dc) return -1;
        HGDIOBJ old = SelectObject(dc, hFont ? hFont : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(m_hwnd, dc);
        return (tm.tmHeight + tm.tmExternalLeading) * (int)nLines;
    });
}

int CReportCtrl::PreviewHeight(HFONT hFont, LPCTSTR lpszText, RECT* pRect) {
    return zrpc::Guard(-1, [&]() -> int {
        int width = 0;
        if (pRect) {
            width = pRect->right - pRect->left;
        } else {
            for (int c = 0, n = GetActiveSubItemCount(); c < n; ++c)
                width += std::max(0, GetSubItemWidth(GetSubItemFromColumn(c)));
        }
        HDC dc = GetDC(m_hwnd);
        if (!dc) return -1;
        HGDIOBJ old = SelectObject(dc, hFont ? hFont : GetStockObject(DEFAULT_GUI_FONT));
        RECT rc = {0, 0, std::max(1, width), 0};
        int height = ::DrawTextA(dc, lpszText ? lpszText : "", -1, &rc,
                                 DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(m_hwnd, dc);
        return height;
    });
}

// ---------------------------------------------------------------- background picture

namespace {

// The colour table a bitmap resource stores (none above 8 bits a pixel), read within the resource.
std::vector<COLORREF> StoredColours(HMODULE module, LPCSTR name) {
    std::vector<COLORREF> colours;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2)); // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER)) return colours;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size || header.biBitCount > 8) return colours;
    DWORD count = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
    count = std::min<DWORD>({count, 256u, (size - header.biSize) / (DWORD)sizeof(RGBQUAD)});
    for (DWORD i = 0; i < count; ++i) {
        RGBQUAD q;
        std::memcpy(&q, data + header.biSize + i * sizeof q, sizeof q);
        colours.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
    return colours;
}

BOOL LoadBkImage(CReportCtrl* self, HMODULE module, LPCSTR name, HBITMAP* out, SIZE* size,
                 std::vector<COLORREF>* colours) {
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) return FALSE;
    BITMAP info = {};
    GetObjectA(bmp, sizeof info, &info);
    if (*out) DeleteObject(*out);
    *out = bmp;
    size->cx = info.bmWidth;
    size->cy = std::abs(info.bmHeight);
    *colours = StoredColours(module, name);
    if (self->Handle()) InvalidateRect(self->Handle(), nullptr, FALSE);
    return TRUE;
}

} // namespace

BOOL CReportCtrl::SetBkImage(UINT nID) {
    HMODULE caller = ModuleAt(__builtin_return_address(0));
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_extras) m_extras = new Extras(this);
        return LoadBkImage(this, caller, MAKEINTRESOURCEA(nID), &m_extras->bkImage, &m_extras->bkSize,
                           &m_extras->bkColours) &&
               RebuildPalette();
    });
}

BOOL CReportCtrl::SetBkImage(LPCTSTR lpszResource) {
    HMODULE caller = ModuleAt(__builtin_return_address(0));
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!lpszResource) return FALSE;
        if (!m_extras) m_extras = new Extras(this);
        return LoadBkImage(this, caller, lpszResource, &m_extras->bkImage, &m_extras->bkSize,
                           &m_extras->bkColours) &&
               RebuildPalette();
    });
}

bool CReportCtrl::DrawBkImage(HDC hDC, RECT rect, int x0, int y0) {
    if (!m_extras || !m_extras->bkImage || m_extras->bkSize.cx <= 0 || m_extras->bkSize.cy <= 0) return false;
    HDC mem = CreateCompatibleDC(hDC);
    if (!mem) return false;
    HGDIOBJ old = SelectObject(mem, m_extras->bkImage);
    int w = m_extras->bkSize.cx, h = m_extras->bkSize.cy;
    // First tile at or before the rectangle's corner, on the grid anchored at (x0, y0).
    auto start = [](int from, int anchor, int step) {
        int d = (from - anchor) % step;
        if (d < 0) d += step;
        return from - d;
    };
    for (int y = start(rect.top, y0, h); y < rect.bottom; y += h) {
        for (int x = start(rect.left, x0, w); x < rect.right; x += w) {
            int l = std::max<int>(x, rect.left), t = std::max<int>(y, rect.top);
            int r = std::min<int>(x + w, rect.right), b = std::min<int>(y + h, rect.bottom);
            BitBlt(hDC, l, t, r - l, b - t, mem, l - x, t - y, SRCCOPY);
        }
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    return true;
}

// ---------------------------------------------------------------- CReportView

CReportView::CReportView() : m_report(new CReportCtrl), m_reportStyle(0), m_initialised(false) {}

CReportView::~CReportView() {
    zrpc::GuardVoid([this] {
        DestroyWindow();
        delete m_report;
    });
}

CReportCtrl& CReportView::GetReportCtrl() {
    return *m_report;
}

BOOL CReportView::Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID, DWORD dwReportStyle) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (m_hwnd || !zwin::RegisterModuleClass(kViewClass, PlainViewProc, 0, nullptr, 0)) return FALSE;
        m_reportStyle = dwReportStyle;
        if (!zwin::Window::Create(kViewClass, "", dwStyle | WS_CLIPCHILDREN, 0, rect, hParent, nID))
            return FALSE;
        SendMessageA(m_hwnd, WM_SETFONT, SendMessageA(hParent, WM_GETFONT, 0, 0), FALSE);
        if (!OnInitialUpdate()) {
            DestroyWindow();
            return FALSE;
        }
        return TRUE;
    });
}

BOOL CReportView::OnInitialUpdate() {
    if (m_initialised) return TRUE;
    RECT client;
    GetClientRect(m_hwnd, &client);
    if (!m_report->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | m_reportStyle, client, m_hwnd, 0))
        return FALSE;
    m_initialised = true;
    return TRUE;
}

LRESULT CReportView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (m_initialised && m_report->Handle())
            SetWindowPos(m_report->Handle(), nullptr, 0, 0, LOWORD(lp), HIWORD(lp),
                         SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    case WM_SETFOCUS:
        if (m_report->Handle()) SetFocus(m_report->Handle());
        return 0;
    case WM_ERASEBKGND:
        return 1; // the control covers everything
    case WM_NOTIFY:
    case WM_COMMAND:
        if (HWND parent = GetParent(m_hwnd)) return SendMessageA(parent, msg, wp, lp);
        return 0;
    default:
        return Default();
    }
}
