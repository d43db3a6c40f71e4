// The report control's tip window ("MFCReportTipCtrl"): with RVS_OVERFLOWTEXT, while the control has
// the focus and no mouse button is down, resting the pointer on the text of a cell that does not fit
// shows the whole text in a borderless top-most popup laid exactly over the cell, in the cell's font.
// Where the platform has layered windows the tip fades in (opacity from 0, +10 every 20 ms up to 255);
// elsewhere it shows at once. The tip is transparent to the mouse: the control below keeps getting the
// pointer's messages and hides the tip when the pointer leaves it. The text (in the process's code
// page) is measured and drawn with the Unicode text functions; its margins are given for 96 DPI and
// scale with the control's density.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "base/win_module.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_window.h"

namespace {

const char kTipClass[] = "MFCReportTipCtrl";
constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadeMs = 20;
constexpr int kFadeStep = 10;
constexpr COLORREF kColourKey = RGB(255, 0, 255);

} // namespace

LRESULT CALLBACK CReportCtrl::State::Tip::TipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* t = reinterpret_cast<Tip*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT; // the pointer's messages go to the window below
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (t) zrpc::GuardVoid([&] { t->Paint(dc); });
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (t) zrpc::GuardVoid([&] { t->Paint(reinterpret_cast<HDC>(wp)); });
        return 0;
    case WM_TIMER:
        if (wp == kFadeTimer && t) zrpc::GuardVoid([&] { t->FadeStep(); });
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

CReportCtrl::State::Tip::~Tip() {
    if (m_tip) ::DestroyWindow(m_tip);
    if (m_bold) DeleteObject(m_bold);
}

HWND CReportCtrl::GetTipWindow() {
    return m_state->tip.Handle();
}

bool CReportCtrl::State::Tip::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT*) {
    switch (msg) {
    case WM_MOUSEMOVE:
        MouseMove(POINT{(short)LOWORD(lp), (short)HIWORD(lp)}, wp);
        return false;
    case WM_MOUSELEAVE: {
        POINT pt;
        GetCursorPos(&pt);
        if (!PtInRect(&m_rect, pt)) Hide();
        return false;
    }
    case WM_KILLFOCUS:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_KEYDOWN:
    case WM_SIZE:
        Hide();
        return false;
    case WM_NCDESTROY:
        // The tip is owned by the control and went with it; a new window makes a new one.
        Hide();
        m_tip = nullptr;
        return false;
    default:
        return false;
    }
}

void CReportCtrl::State::Tip::Paint(HDC dc) {
    RECT rc;
    GetClientRect(m_tip, &rc);
    SetBkColor(dc, m_back);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
    for (int i = 0, thin = s.Px(1); i < thin; ++i) {
        RECT r = {rc.left + i, rc.top + i, rc.right - i, rc.bottom - i};
        FrameRect(dc, &r, frame);
    }
    DeleteObject(frame);
    HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_textColour);
    RECT text = rc;
    text.left += s.Px(2);
    std::wstring wide = zrpc::WideFromAnsi(m_text.c_str());
    ::DrawTextW(dc, wide.c_str(), (int)wide.size(), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void CReportCtrl::State::Tip::FadeStep() {
    zrpc::report::SetLayeredFn layered = zrpc::report::LayeredWindowFunction();
    if (!m_tip || !layered || !m_fading) {
        if (m_tip) KillTimer(m_tip, kFadeTimer);
        m_fading = false;
        return;
    }
    m_alpha = std::min(255, m_alpha + kFadeStep);
    layered(m_tip, kColourKey, (BYTE)m_alpha, LWA_ALPHA | LWA_COLORKEY);
    if (m_alpha >= 255) {
        KillTimer(m_tip, kFadeTimer);
        m_fading = false;
    }
}

void CReportCtrl::State::Tip::Hide() {
    if (!m_tip || m_item == -2) return;
    KillTimer(m_tip, kFadeTimer);
    m_fading = false;
    ShowWindow(m_tip, SW_HIDE);
    m_item = -2;
    m_subItem = -1;
    m_rect = {0, 0, 0, 0};
    // The next tip fades in from nothing again.
    m_alpha = 0;
    if (zrpc::report::SetLayeredFn layered = zrpc::report::LayeredWindowFunction())
        layered(m_tip, kColourKey, 0, LWA_ALPHA | LWA_COLORKEY);
}

void CReportCtrl::State::Tip::MouseMove(POINT pt, WPARAM keys) {
    HWND hwnd = s.Hwnd();
    POINT screen = pt;
    ClientToScreen(hwnd, &screen);
    if (m_item != -2 && PtInRect(&m_rect, screen)) return; // still on the tip's cell
    Hide();
    if (!(s.model.GetStyle() & RVS_OVERFLOWTEXT) || GetFocus() != hwnd) return;
    if (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) return;
    s.Flush();
    _RVHITTESTINFO hit = {};
    hit.point.x = pt.x;
    hit.point.y = pt.y;
    s.geo.HitTest(&hit);
    if (!(hit.nFlags & RVHT_LABEL) || hit.iItem < -1 || hit.iSubItem < 0) return;

    char text[256] = "";
    _RVITEM it = {};
    it.nMask = RVIM_LABEL;
    it.iItem = hit.iItem;
    it.iSubItem = hit.iSubItem;
    it.lpszText = text;
    it.iTextMax = sizeof text;
    if (!s.model.GetItem(&it) || !(it.nMask & RVIM_LABEL) || !text[0]) return;
    RVRECT cell;
    if (!s.geo.ItemRect(hit.iItem, hit.iSubItem, 4, cell) || pt.x < cell.left || pt.x >= cell.right) return;

    // The cell's font: bold for RVIS_HEAVYFONT rows.
    if (m_bold) {
        DeleteObject(m_bold);
        m_bold = nullptr;
    }
    if ((it.nState & RVIS_HEAVYFONT) && s.font) {
        LOGFONTA lf = {};
        GetObjectA(s.font, sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        m_bold = CreateFontIndirectA(&lf);
    }
    m_font = m_bold ? m_bold : s.font;
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {0, 0};
    std::wstring wide = zrpc::WideFromAnsi(text);
    GetTextExtentPoint32W(dc, wide.c_str(), (int)wide.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (size.cx <= cell.right - cell.left) return; // it fits

    if (!m_tip) {
        if (!zwin::RegisterModuleClass(kTipClass, &Tip::TipProc, 0, nullptr, 0)) return;
        m_tip =
            CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE |
                                (zrpc::report::LayeredWindowFunction() ? WS_EX_LAYERED : 0),
                            kTipClass, "", WS_POPUP, 0, 0, 1, 1, hwnd, nullptr, zrpc::SelfModule(), nullptr);
        if (!m_tip) return;
        SetWindowLongPtrA(m_tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    m_text = text;
    m_item = hit.iItem;
    m_subItem = hit.iSubItem;
    m_back = GetSysColor(COLOR_INFOBK);
    m_textColour = GetSysColor(COLOR_INFOTEXT);
    // Laid over the cell's text, from two pixels (at 96 DPI) before it, wide enough for the whole text.
    POINT topLeft = {cell.left - s.Px(2), cell.top};
    ClientToScreen(hwnd, &topLeft);
    m_rect = {topLeft.x, topLeft.y, topLeft.x + size.cx + s.Px(5), topLeft.y + (cell.bottom - cell.top)};
    if (zrpc::report::SetLayeredFn layered = zrpc::report::LayeredWindowFunction()) {
        m_alpha = 0;
        layered(m_tip, kColourKey, 0, LWA_ALPHA | LWA_COLORKEY);
        m_fading = true;
        SetTimer(m_tip, kFadeTimer, kFadeMs, nullptr);
    } else {
        m_alpha = 255;
    }
    SetWindowPos(m_tip, HWND_TOPMOST, m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                 m_rect.bottom - m_rect.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(m_tip, nullptr, TRUE);
    // The control hears when the pointer leaves it (the tip lets the pointer through).
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
}
