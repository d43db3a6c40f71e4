// The report control's tip window ("MFCReportTipCtrl"): with RVS_OVERFLOWTEXT, while the control has
// the focus and no mouse button is down, resting the pointer on the text of a cell that does not fit
// shows the whole text in a borderless top-most popup laid exactly over the cell, in the cell's font.
// Where the platform has layered windows the tip fades in (opacity from 0, +10 every 20 ms up to 255);
// elsewhere it shows at once. The tip is transparent to the mouse: the control below keeps getting
// the pointer's messages and hides the tip when the pointer leaves it.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "frame/win_frame.h"
#include "reportctrl/win_report_extras.h"
#include "winlayer/win_window.h"

namespace {

const char kTipClass[] = "MFCReportTipCtrl";
constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadeMs = 20;
constexpr int kFadeStep = 10;
constexpr COLORREF kColourKey = RGB(255, 0, 255);

using zrpc::report::SetLayeredFn;

SetLayeredFn LayeredFunction() {
    return zrpc::report::LayeredWindowFunction();
}

} // namespace

LRESULT CALLBACK CReportCtrl::Extras::TipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* x = reinterpret_cast<CReportCtrl::Extras*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
        if (x) zrpc::GuardVoid([&] { x->PaintTip(dc); });
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wp == kFadeTimer && x) zrpc::GuardVoid([&] { x->TipFadeStep(); });
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

zrpc::report::SetLayeredFn zrpc::report::LayeredWindowFunction() {
    static const SetLayeredFn fn = []() -> SetLayeredFn {
        HMODULE user = GetModuleHandleA("USER32.DLL");
        if (!user || !GetProcAddress(user, "UpdateLayeredWindow")) return nullptr;
        return reinterpret_cast<SetLayeredFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "SetLayeredWindowAttributes")));
    }();
    return fn;
}

HWND CReportCtrl::GetTipWindow() {
    return m_extras ? m_extras->tip : nullptr;
}

void CReportCtrl::Extras::PaintTip(HDC dc) {
    RECT rc;
    GetClientRect(tip, &rc);
    SetBkColor(dc, tipBack);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
    FrameRect(dc, &rc, frame);
    DeleteObject(frame);
    HGDIOBJ old = SelectObject(dc, tipFont ? tipFont : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, tipTextColour);
    RECT text = rc;
    text.left += 2;
    ::DrawTextA(dc, tipText.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void CReportCtrl::Extras::TipFadeStep() {
    SetLayeredFn layered = LayeredFunction();
    if (!tip || !layered || !tipFading) {
        if (tip) KillTimer(tip, kFadeTimer);
        tipFading = false;
        return;
    }
    tipAlpha = std::min(255, tipAlpha + kFadeStep);
    layered(tip, kColourKey, (BYTE)tipAlpha, LWA_ALPHA | LWA_COLORKEY);
    if (tipAlpha >= 255) {
        KillTimer(tip, kFadeTimer);
        tipFading = false;
    }
}

void CReportCtrl::Extras::HideTip() {
    if (!tip || tipItem == -2) return;
    KillTimer(tip, kFadeTimer);
    tipFading = false;
    ShowWindow(tip, SW_HIDE);
    tipItem = -2;
    tipSubItem = -1;
    tipRect = {0, 0, 0, 0};
    // The next tip fades in from nothing again.
    tipAlpha = 0;
    if (SetLayeredFn layered = LayeredFunction()) layered(tip, kColourKey, 0, LWA_ALPHA | LWA_COLORKEY);
}

void CReportCtrl::Extras::TipMouseMove(POINT pt, WPARAM keys) {
    HWND hwnd = self->m_hwnd;
    POINT screen = pt;
    ClientToScreen(hwnd, &screen);
    if (tipItem != -2 && PtInRect(&tipRect, screen)) return; // still on the tip's cell
    HideTip();
    if (!(self->GetStyle() & RVS_OVERFLOWTEXT) || GetFocus() != hwnd) return;
    if (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) return;
    _RVHITTESTINFO hit = {};
    hit.point.x = pt.x;
    hit.point.y = pt.y;
    self->HitTest(&hit);
    if (!(hit.nFlags & RVHT_LABEL) || hit.iItem < -1 || hit.iSubItem < 0) return;

    char text[256] = "";
    _RVITEM it = {};
    it.nMask = RVIM_LABEL;
    it.iItem = hit.iItem;
    it.iSubItem = hit.iSubItem;
    it.lpszText = text;
    it.iTextMax = sizeof text;
    if (!self->GetItem(&it) || !(it.nMask & RVIM_LABEL) || !text[0]) return;
    RECT area;
    if (!self->GetItemRect(hit.iItem, hit.iSubItem, &area, 4) || pt.x < area.left || pt.x >= area.right)
        return;

    // The cell's font: bold for RVIS_HEAVYFONT rows.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (tipBold) {
        DeleteObject(tipBold);
        tipBold = nullptr;
    }
    if ((it.nState & RVIS_HEAVYFONT) && font) {
        LOGFONTA lf = {};
        GetObjectA(font, sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        tipBold = CreateFontIndirectA(&lf);
    }
    tipFont = tipBold ? tipBold : font;
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, tipFont ? tipFont : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (size.cx <= area.right - area.left) return; // it fits

    if (!tip) {
        if (!zwin::RegisterModuleClass(kTipClass, &Extras::TipProc, 0, nullptr, 0)) return;
        tip = CreateWindowExA(
            WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | (LayeredFunction() ? WS_EX_LAYERED : 0),
            kTipClass, "", WS_POPUP, 0, 0, 1, 1, hwnd, nullptr, zrpc::SelfModule(), nullptr);
        if (!tip) return;
        SetWindowLongPtrA(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    tipText = text;
    tipItem = hit.iItem;
    tipSubItem = hit.iSubItem;
    tipBack = GetSysColor(COLOR_INFOBK);
    tipTextColour = GetSysColor(COLOR_INFOTEXT);
    // Laid over the cell's text, from two pixels before it, wide enough for the whole text.
    POINT topLeft = {area.left - 2, area.top};
    ClientToScreen(hwnd, &topLeft);
    tipRect = {topLeft.x, topLeft.y, topLeft.x + size.cx + 5, topLeft.y + (area.bottom - area.top)};
    if (SetLayeredFn layered = LayeredFunction()) {
        tipAlpha = 0;
        layered(tip, kColourKey, 0, LWA_ALPHA | LWA_COLORKEY);
        tipFading = true;
        SetTimer(tip, kFadeTimer, kFadeMs, nullptr);
    } else {
        tipAlpha = 255;
    }
    SetWindowPos(tip, HWND_TOPMOST, tipRect.left, tipRect.top, tipRect.right - tipRect.left,
                 tipRect.bottom - tipRect.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(tip, nullptr, TRUE);
    // The control hears when the pointer leaves it (the tip lets the pointer through).
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
}
