// The report control's header beyond the plain header control: columns dragged to a new place with a
// drag image window ("MFCFHDragWnd") under the pointer and a drop marker window ("MFCFHDropWnd") at the
// insertion point, a column dragged off the header hidden (RVS_REMOVABLECOLUMNS) or onto the sub-item
// chooser, the right button on a header item, and a divider double-click fitting the column to its
// cells. Also the message hook that routes the control's messages to these extras.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/win_frame.h"
#include "reportctrl/win_report_extras.h"
#include "winlayer/win_window.h"

namespace {

const char kDragClass[] = "MFCFHDragWnd";
const char kDropClass[] = "MFCFHDropWnd";
constexpr UINT_PTR kHeaderSubclassId = 0x52564844; // "RVHD"
constexpr int kDropMarkerWidth = 9;
constexpr int kSortMarkerWidth = 8; // the header's sort arrow

RECT Rect(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

} // namespace

// ---------------------------------------------------------------- window procedures

LRESULT CALLBACK CReportCtrl::Extras::HeaderSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                     DWORD_PTR data) {
    auto* x = reinterpret_cast<CReportCtrl::Extras*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, HeaderSubclass, kHeaderSubclassId);
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    bool handled = false;
    LRESULT result = zrpc::Guard((LRESULT)0, [&] { return x->HeaderProc(hwnd, msg, wp, lp, &handled); });
    return handled ? result : DefSubclassProc(hwnd, msg, wp, lp);
}

// The drag image: the dragged header item's text on a raised button face.
LRESULT CALLBACK CReportCtrl::Extras::DragProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT);
        auto* x = reinterpret_cast<CReportCtrl::Extras*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (x && x->header) {
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(x->header, WM_GETFONT, 0, 0)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            RECT text = Rect(rc.left + 6, rc.top, rc.right - 6, rc.bottom);
            ::DrawTextA(dc, x->dragText.c_str(), -1, &text,
                        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The drop marker: two arrow heads pointing at the insertion point, joined by a bar.
LRESULT CALLBACK CReportCtrl::Extras::DropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH back = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(dc, &rc, back);
        DeleteObject(back);
        HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
        HGDIOBJ oldBrush = SelectObject(dc, red);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        int w = rc.right, h = rc.bottom, mid = w / 2;
        POINT topArrow[] = {{0, 0}, {w, 0}, {mid, w / 2 + 1}};
        POINT bottomArrow[] = {{0, h}, {w, h}, {mid, h - w / 2 - 1}};
        Polygon(dc, topArrow, 3);
        Polygon(dc, bottomArrow, 3);
        RECT bar = Rect(mid - 1, 0, mid + 1, h);
        FillRect(dc, &bar, red);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(red);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CReportCtrl::Extras::MakePopup(const char* cls) {
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, cls, "", WS_POPUP, 0, 0, 1,
                             1, self->m_hwnd, nullptr, zrpc::SelfModule(), nullptr);
    if (w) SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return w;
}

// ---------------------------------------------------------------- the hook

CReportCtrl::Extras::~Extras() {
    CancelDrag();
    if (dragWnd) ::DestroyWindow(dragWnd);
    if (dropWnd) ::DestroyWindow(dropWnd);
    if (tip) ::DestroyWindow(tip);
    if (headerTips) ::DestroyWindow(headerTips);
    if (tipBold) DeleteObject(tipBold);
    if (bkImage) DeleteObject(bkImage);
    if (header && IsWindow(header)) RemoveWindowSubclass(header, HeaderSubclass, kHeaderSubclassId);
}

void CReportCtrl::AttachExtras() {
    if (!m_extras) m_extras = new Extras(this);
    m_extras->AttachHeader(GetHeaderCtrl());
}

void CReportCtrl::FreeExtras() {
    delete m_extras;
    m_extras = nullptr;
}

bool CReportCtrl::ExtrasMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (!m_extras) return false;
    Extras& x = *m_extras;
    switch (msg) {
    case WM_MOUSEMOVE: {
        POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
        x.TipMouseMove(pt, wp);
        return false;
    }
    case WM_MOUSELEAVE: {
        POINT pt;
        GetCursorPos(&pt);
        if (!PtInRect(&x.tipRect, pt)) x.HideTip();
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
        x.HideTip();
        return false;
    case WM_NOTIFY:
        return lp && x.HeaderNotify(reinterpret_cast<NMHDR*>(lp), result);
    case WM_NCDESTROY:
        // The popups are owned by the control and went with it; a new window makes new ones.
        x.CancelDrag();
        x.HideTip();
        x.header = nullptr;
        x.tip = x.dragWnd = x.dropWnd = x.headerTips = nullptr;
        return false;
    default:
        return false;
    }
}

void CReportCtrl::ItemChanged() {
    if (m_extras) m_extras->HideTip();
}

LRESULT CReportCtrl::Extras::Send(RVNMHDR* hdr) {
    uint32_t n = (RVN_BASE - hdr->code) & 31u;
    if (!(((uint32_t)self->GetProperty(RVP_NOTIFYFILTER) >> n) & 1u)) return 0;
    return self->Notify(hdr);
}

// ---------------------------------------------------------------- sub-item chooser

BOOL CReportCtrl::SetReportSubItemListCtrl(HWND hListBox) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_extras) m_extras = new Extras(this);
        if (hListBox && !IsWindow(hListBox)) return FALSE;
        m_extras->chooser = hListBox;
        RefreshChooser();
        return TRUE;
    });
}

HWND CReportCtrl::GetReportSubItemListCtrl() {
    return m_extras ? m_extras->chooser : nullptr;
}

void CReportCtrl::RefreshChooser() {
    if (!m_extras || !m_extras->chooser || !IsWindow(m_extras->chooser)) return;
    HWND list = m_extras->chooser;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int defs = GetSubItemCount();
    for (int s = 0; s < defs; ++s) {
        if (IsActiveSubItem(s)) continue;
        char text[256] = "";
        SubItemInfo(s, nullptr, nullptr, nullptr, text, sizeof text);
        LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, (LPARAM)s);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// ---------------------------------------------------------------- cell widths

int CReportCtrl::MeasureItem(int iItem, int iSubItem, RECT* pRect, BOOL bTextOnly) {
    return zrpc::Guard(-1, [&]() -> int {
        if (!m_hwnd) return -1;
        char text[256] = "";
        _RVITEM it = {};
        it.nMask = RVIM_LABEL;
        it.iItem = iItem;
        it.iSubItem = iSubItem;
        it.lpszText = text;
        it.iTextMax = sizeof text;
        if (iSubItem < 0 || !GetItem(&it)) return -1;
        int gap = (int)GetProperty(RVP_GAP);
        int width = 0;
        if (!bTextOnly) {
            width = gap;
            int cx = 0, cy = 0;
            if ((it.nMask & RVIM_PICTURE) && GetImageList() &&
                ImageList_GetIconSize(GetImageList(), &cx, &cy))
                width += cx + gap;
            if (it.nMask & RVIM_CHECKMARK) width += CheckAreaWidth() + gap;
        }
        if (it.nMask & RVIM_LABEL) {
            HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
            HFONT bold = nullptr;
            if ((it.nState & RVIS_HEAVYFONT) && font) {
                LOGFONTA lf = {};
                GetObjectA(font, sizeof lf, &lf);
                lf.lfWeight = FW_BOLD;
                bold = CreateFontIndirectA(&lf);
            }
            HDC dc = GetDC(m_hwnd);
            HGDIOBJ old = SelectObject(dc, bold ? bold : font);
            SIZE size = {0, 0};
            GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
            SelectObject(dc, old);
            ReleaseDC(m_hwnd, dc);
            if (bold) DeleteObject(bold);
            width += size.cx + (bTextOnly ? 0 : gap);
        }
        if (pRect) {
            pRect->left = pRect->top = 0;
            pRect->right = width;
            pRect->bottom = GetItemHeight();
        }
        return width;
    });
}

// ---------------------------------------------------------------- the header

void CReportCtrl::Extras::AttachHeader(HWND h) {
    if (!h || h == header) return;
    header = h;
    SetWindowSubclass(h, HeaderSubclass, kHeaderSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // One tool over the whole header; its text is asked for when it is about to show.
    headerTips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 0, 0, 0, 0, h, nullptr, zrpc::SelfModule(), nullptr);
    if (headerTips) {
        TTTOOLINFOA ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = h;
        ti.uId = 1;
        ti.rect = Rect(0, 0, 32767, 32767);
        ti.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(headerTips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

std::string CReportCtrl::Extras::HeaderTipText() {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(header, &pt);
    HDHITTESTINFO hit = {};
    hit.pt = pt;
    int item = (int)SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    UINT format = 0;
    char column[256] = "";
    if (item < 0 ||
        !self->SubItemInfo(SubItemOfHeaderItem(item), &format, nullptr, nullptr, column, sizeof column))
        return std::string();
    if (!(format & RVCF_SORTTIP)) return std::string();
    // The first "%s" of the tip format takes the column text; anything else in it stays as it is
    // (the format is the caller's text, never handed to a formatting function).
    const char* tipFormat = reinterpret_cast<const char*>(self->GetProperty(RVP_SORTTIP));
    std::string tip = tipFormat ? tipFormat : "";
    size_t at = tip.find("%s");
    if (at != std::string::npos) tip.replace(at, 2, column);
    return tip;
}

int CReportCtrl::Extras::SubItemOfHeaderItem(int headerItem) {
    HDITEMA hd = {};
    hd.mask = HDI_LPARAM;
    if (!header || !SendMessageA(header, HDM_GETITEMA, (WPARAM)headerItem, reinterpret_cast<LPARAM>(&hd)))
        return -1;
    return (int)hd.lParam;
}

bool CReportCtrl::Extras::HeaderNotify(NMHDR* nm, LRESULT* result) {
    if (!header || nm->hwndFrom != header) return false;
    if (nm->code != HDN_DIVIDERDBLCLICKA && nm->code != HDN_DIVIDERDBLCLICKW) return false;
    auto* nh = reinterpret_cast<NMHEADERA*>(nm);
    int sub = SubItemOfHeaderItem(nh->iItem);
    *result = 0;
    if (sub < 0) return true;
    _NMRVHEADER rh = {};
    rh.hdr.code = RVN_DIVIDERDOUBLECLICKED;
    rh.iSubItem = sub;
    if (Send(&rh.hdr)) return true;
    FitColumn(sub);
    return true;
}

// The column becomes as wide as its widest cell, within its limits.
void CReportCtrl::Extras::FitColumn(int iSubItem) {
    UINT format = 0;
    int minWidth = 0, maxWidth = 0;
    if (!self->SubItemInfo(iSubItem, &format, &minWidth, &maxWidth, nullptr, 0)) return;
    if ((self->GetStyle() & RVS_VIRTUALDATA) || (format & RVCF_NOLIMITS)) return;
    int items = self->GetItemCount();
    if (items <= 0) return;
    int width = 0;
    for (int i = 0; i < items; ++i)
        width = std::max(width, self->MeasureItem(i, iSubItem, nullptr, FALSE));
    width = std::max(width, minWidth);
    if (maxWidth >= 1) width = std::min(width, maxWidth);
    if (width > 0 && width != self->GetSubItemWidth(iSubItem)) self->SetSubItemWidth(iSubItem, width);
}

void CReportCtrl::Extras::FitHeaderItem(int iSubItem) {
    UINT format = 0;
    int minWidth = 0, maxWidth = 0;
    char text[256] = "";
    if (!header || !self->SubItemInfo(iSubItem, &format, &minWidth, &maxWidth, text, sizeof text)) return;
    if (!(format & RVCF_FITHEADER)) return;
    int margin = (int)SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0);
    if (margin <= 0) margin = 3 * GetSystemMetrics(SM_CXEDGE);
    int width = margin;
    int cx = 0, cy = 0;
    if ((format & RV_HDF_IMAGE) && self->GetImageList() &&
        ImageList_GetIconSize(self->GetImageList(), &cx, &cy))
        width += cx + margin;
    if (format & RVCF_FITSORTMARKER) width += kSortMarkerWidth + margin;
    if (format & RV_HDF_STRING) {
        HDC dc = GetDC(header);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0)));
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
        SelectObject(dc, old);
        ReleaseDC(header, dc);
        width += size.cx + margin;
    }
    if (!(format & RVCF_NOLIMITS)) {
        width = std::max(width, minWidth);
        if (maxWidth >= 1) width = std::min(width, maxWidth);
    }
    if (width != self->GetSubItemWidth(iSubItem)) self->SetSubItemWidth(iSubItem, width);
}

LRESULT CReportCtrl::Extras::HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
    switch (msg) {
    case WM_RBUTTONDOWN: {
        HDHITTESTINFO hit = {};
        hit.pt = pt;
        int item = (int)SendMessageA(hwnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (item < 0) return 0;
        _NMRVHEADER rh = {};
        rh.hdr.code = RVN_COLUMNRIGHTCLICKED;
        rh.iSubItem = SubItemOfHeaderItem(item);
        if (Send(&rh.hdr)) *handled = true; // the parent took it: no default processing
        return 0;
    }
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        if (!nm || !headerTips || nm->hwndFrom != headerTips || nm->code != TTN_GETDISPINFOA) return 0;
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(lp);
        headerTip = HeaderTipText();
        di->lpszText = const_cast<char*>(headerTip.c_str());
        di->hinst = nullptr;
        *handled = true;
        return 0;
    }
    case WM_LBUTTONDOWN: {
        CancelDrag();
        HDHITTESTINFO hit = {};
        hit.pt = pt;
        int item = (int)SendMessageA(hwnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (item >= 0 && (hit.flags & HHT_ONHEADER) && !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN))) {
            pressed = true;
            dragItem = item;
            pressPoint = pt;
        }
        return 0; // the header presses the item as usual
    }
    case WM_MOUSEMOVE: {
        if (headerTips && !dragging) {
            // Another item under the pointer: the tip asks for its text again.
            HDHITTESTINFO hit = {};
            hit.pt = pt;
            int item = (int)SendMessageA(hwnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (item != headerTipItem) {
                headerTipItem = item;
                SendMessageA(headerTips, TTM_POP, 0, 0);
                SendMessageA(headerTips, TTM_UPDATE, 0, 0);
            }
        }
        if (!pressed) return 0;
        if (!dragging) {
            if (std::abs(pt.x - pressPoint.x) <= GetSystemMetrics(SM_CXDRAG) &&
                std::abs(pt.y - pressPoint.y) <= GetSystemMetrics(SM_CYDRAG))
                return 0;
            // A drag begins: the header forgets its pressed item (released far from any item, so it
            // sends no click) and the drag keeps the pointer.
            DefSubclassProc(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-30000 & 0xFFFF, -30000 & 0xFFFF));
            dragging = true;
            dragTarget = dragItem;
            SetCapture(hwnd);
            char text[256] = "";
            HDITEMA hd = {};
            hd.mask = HDI_TEXT;
            hd.pszText = text;
            hd.cchTextMax = sizeof text;
            SendMessageA(hwnd, HDM_GETITEMA, (WPARAM)dragItem, reinterpret_cast<LPARAM>(&hd));
            text[sizeof text - 1] = 0;
            dragText = text;
            zwin::RegisterModuleClass(kDragClass, DragProc, 0, nullptr, 0);
            zwin::RegisterModuleClass(kDropClass, DropProc, 0, nullptr, 0);
            if (!dragWnd) dragWnd = MakePopup(kDragClass);
            if (!dropWnd) dropWnd = MakePopup(kDropClass);
            zrpc::report::SetLayeredFn layered = zrpc::report::LayeredWindowFunction();
            if (dropWnd &&
                layered) { // the magenta around the arrows is see-through where the platform allows
                SetWindowLongA(dropWnd, GWL_EXSTYLE, GetWindowLongA(dropWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
                layered(dropWnd, RGB(255, 0, 255), 255, LWA_COLORKEY);
            }
        }
        *handled = true;
        RECT client, itemRect = {0, 0, 0, 0};
        GetClientRect(hwnd, &client);
        SendMessageA(hwnd, HDM_GETITEMRECT, (WPARAM)dragItem, reinterpret_cast<LPARAM>(&itemRect));
        POINT screen = pt;
        ClientToScreen(hwnd, &screen);
        int count = (int)SendMessageA(hwnd, HDM_GETITEMCOUNT, 0, 0);
        RECT last = {0, 0, 0, 0};
        if (count > 0)
            SendMessageA(hwnd, HDM_GETITEMRECT, (WPARAM)(count - 1), reinterpret_cast<LPARAM>(&last));
        bool overHeader = pt.y >= client.top && pt.y < client.bottom && pt.x >= client.left &&
                          pt.x < std::max<LONG>(client.right, last.right);
        UINT format = 0;
        self->SubItemInfo(SubItemOfHeaderItem(dragItem), &format, nullptr, nullptr, nullptr, 0);
        RECT chooserRect = {0, 0, 0, 0};
        if (chooser && IsWindow(chooser) && IsWindowVisible(chooser)) GetWindowRect(chooser, &chooserRect);
        LPCSTR cursor = MAKEINTRESOURCEA(32512); // IDC_ARROW
        if (overHeader) {
            dropState = 0;
            HDHITTESTINFO hit = {};
            hit.pt = pt;
            int over = (int)SendMessageA(hwnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (over < 0) {
                dragTarget = count;
            } else {
                RECT r = {0, 0, 0, 0};
                SendMessageA(hwnd, HDM_GETITEMRECT, (WPARAM)over, reinterpret_cast<LPARAM>(&r));
                dragTarget = pt.x > (r.left + r.right) / 2 ? over + 1 : over;
            }
        } else if (format & RVCF_NOTREMOVABLE) {
            dropState = 2;
            cursor = MAKEINTRESOURCEA(32648); // IDC_NO
        } else if (PtInRect(&chooserRect, screen)) {
            dropState = 1;
        } else {
            dropState = -1;
            cursor = nullptr;
        }
        if (cursor)
            SetCursor(LoadCursorA(nullptr, cursor));
        else
            SetCursor(dragCursor ? dragCursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32648)));
        // The drag image follows the pointer, as wide as the item.
        if (dragWnd) {
            int w = std::max<LONG>(24, itemRect.right - itemRect.left), h = client.bottom - client.top;
            SetWindowPos(dragWnd, HWND_TOPMOST, screen.x - (pressPoint.x - itemRect.left), screen.y - h / 2,
                         w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
            InvalidateRect(dragWnd, nullptr, TRUE);
        }
        if (dropWnd) {
            if (dropState == 0) {
                int x = 0;
                if (dragTarget < count) {
                    RECT r = {0, 0, 0, 0};
                    SendMessageA(hwnd, HDM_GETITEMRECT, (WPARAM)dragTarget, reinterpret_cast<LPARAM>(&r));
                    x = r.left;
                } else {
                    x = last.right;
                }
                POINT at = {x, client.top};
                ClientToScreen(hwnd, &at);
                int h = client.bottom - client.top + 2 * kDropMarkerWidth;
                SetWindowPos(dropWnd, HWND_TOPMOST, at.x - kDropMarkerWidth / 2, at.y - kDropMarkerWidth,
                             kDropMarkerWidth, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
            } else {
                ShowWindow(dropWnd, SW_HIDE);
            }
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!dragging) {
            pressed = false;
            return 0;
        }
        *handled = true;
        int from = dragItem, target = dragTarget, state = dropState;
        CancelDrag();
        int sub = SubItemOfHeaderItem(from);
        if (state == 0 || state == 2) {
            // The header's new order, as a header drag reports it: the dropped item's final position.
            int to = target > from ? target - 1 : target;
            int count = (int)SendMessageA(hwnd, HDM_GETITEMCOUNT, 0, 0);
            to = std::max(0, std::min(to, count - 1));
            if (to != from) {
                HDITEMA hd = {};
                hd.mask = HDI_ORDER;
                hd.iOrder = to;
                NMHEADERA nh = {};
                nh.hdr.hwndFrom = hwnd;
                nh.hdr.idFrom = (UINT_PTR)GetDlgCtrlID(hwnd);
                nh.hdr.code = HDN_ENDDRAG;
                nh.iItem = from;
                nh.pitem = &hd;
                SendMessageA(self->m_hwnd, WM_NOTIFY, nh.hdr.idFrom, reinterpret_cast<LPARAM>(&nh));
            }
        } else if (self->GetStyle() & RVS_REMOVABLECOLUMNS) {
            // Dropped off the header or onto the chooser: the column is hidden.
            if (sub >= 0 && self->DeactivateSubItem(sub)) self->RefreshChooser();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (dragging && reinterpret_cast<HWND>(lp) != hwnd) {
            CancelDrag();
            *handled = true;
        }
        return 0;
    case WM_KEYDOWN:
        if (dragging && wp == VK_ESCAPE) {
            CancelDrag();
            *handled = true;
        }
        return 0;
    default:
        return 0;
    }
}

void CReportCtrl::Extras::CancelDrag() {
    bool was = dragging;
    dragging = false;
    pressed = false;
    if (dragWnd) ShowWindow(dragWnd, SW_HIDE);
    if (dropWnd) ShowWindow(dropWnd, SW_HIDE);
    if (was && header && GetCapture() == header) ReleaseCapture();
}
