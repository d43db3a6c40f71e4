// CReportView, the window that holds one report control over its whole client area, and the report
// control's preview heights.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <commctrl.h>

#include "base/guard.h"
#include "include/zrpcreportview.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_controls.h"
#include "winlayer/win_window.h"

namespace {

const char kViewClass[] = "CReportView";

LRESULT CALLBACK PlainViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
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
        zwin::ControlHandle(m_hwnd).SetFont(zwin::ControlHandle(hParent).GetFont(), false);
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
