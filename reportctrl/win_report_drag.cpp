// Column dragging in the report control's header: a pressed header item dragged further than the
// system's drag distance shows a drag image window ("MFCFHDragWnd") under the pointer and a drop marker
// window ("MFCFHDropWnd") at the insertion point. Dropped on the header it takes its new place; dragged
// off the header or onto the sub-item chooser it is hidden (RVS_REMOVABLECOLUMNS), unless the column is
// flagged to stay on the header. Also the sub-item chooser itself: a list box of the caller's that lists
// the defined sub-items not shown.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/guard.h"
#include "base/win_module.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_window.h"

namespace {

const char kDragClass[] = "MFCFHDragWnd";
const char kDropClass[] = "MFCFHDropWnd";
constexpr int kDropMarkerWidth = 9;
const LPCSTR kArrowCursor = MAKEINTRESOURCEA(32512); // IDC_ARROW
const LPCSTR kNoCursor = MAKEINTRESOURCEA(32648);    // IDC_NO

RECT Rect(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

} // namespace

// The drag image: the dragged header item's text on a raised button face.
LRESULT CALLBACK CReportCtrl::State::Header::DragProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT);
        auto* h = reinterpret_cast<Header*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (h && h->s.headerWindow) {
            HGDIOBJ old = SelectObject(dc, h->s.headerWindow.GetFont());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            RECT text = Rect(rc.left + 6, rc.top, rc.right - 6, rc.bottom);
            ::DrawTextA(dc, h->m_dragText.c_str(), -1, &text,
                        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The drop marker: two arrow heads pointing at the insertion point, joined by a bar.
LRESULT CALLBACK CReportCtrl::State::Header::DropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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

HWND CReportCtrl::State::Header::MakePopup(const char* cls) {
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, cls, "", WS_POPUP, 0, 0, 1,
                             1, s.Hwnd(), nullptr, zrpc::SelfModule(), nullptr);
    if (w) SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return w;
}

// The left button on a header item (not on a divider): a drag may follow.
void CReportCtrl::State::Header::Press(POINT pt) {
    CancelDrag();
    UINT flags = 0;
    int item = s.headerWindow.HitTest(pt, &flags);
    if (item >= 0 && (flags & HHT_ONHEADER) && !(flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN))) {
        m_pressed = true;
        m_dragItem = item;
        m_pressPoint = pt;
    }
}

// The pointer moved with the button down; true when the drag takes the move.
bool CReportCtrl::State::Header::Drag(POINT pt) {
    if (!m_pressed) return false;
    HWND hwnd = s.headerWindow.Handle();
    if (!m_dragging) {
        if (std::abs(pt.x - m_pressPoint.x) <= GetSystemMetrics(SM_CXDRAG) &&
            std::abs(pt.y - m_pressPoint.y) <= GetSystemMetrics(SM_CYDRAG))
            return false;
        // A drag begins, and a drag is no click: an open edit ends (saving), the header forgets its
        // pressed item (released far from any item; a header that reports a click for it even so is
        // not heard) and the drag keeps the pointer.
        s.editor.EndOpenEdit();
        m_forgetting = true;
        DefSubclassProc(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-30000 & 0xFFFF, -30000 & 0xFFFF));
        m_forgetting = false;
        m_dragging = true;
        m_dragTarget = m_dragItem;
        SetCapture(hwnd);
        char text[256] = "";
        HDITEMA hd = {};
        hd.mask = HDI_TEXT;
        hd.pszText = text;
        hd.cchTextMax = sizeof text;
        s.headerWindow.GetItem(m_dragItem, &hd);
        text[sizeof text - 1] = 0;
        m_dragText = text;
        zwin::RegisterModuleClass(kDragClass, DragProc, 0, nullptr, 0);
        zwin::RegisterModuleClass(kDropClass, DropProc, 0, nullptr, 0);
        if (!m_dragWnd) m_dragWnd = MakePopup(kDragClass);
        if (!m_dropWnd) m_dropWnd = MakePopup(kDropClass);
        zrpc::report::SetLayeredFn layered = zrpc::report::LayeredWindowFunction();
        if (m_dropWnd && layered) { // the magenta around the arrows is see-through where the platform allows
            SetWindowLongA(m_dropWnd, GWL_EXSTYLE, GetWindowLongA(m_dropWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
            layered(m_dropWnd, RGB(255, 0, 255), 255, LWA_COLORKEY);
        }
    }
    RECT client, itemRect = {0, 0, 0, 0};
    GetClientRect(hwnd, &client);
    s.headerWindow.GetItemRect(m_dragItem, &itemRect);
    POINT screen = pt;
    ClientToScreen(hwnd, &screen);
    int count = s.headerWindow.GetItemCount();
    RECT last = {0, 0, 0, 0};
    if (count > 0) s.headerWindow.GetItemRect(count - 1, &last);
    bool overHeader = pt.y >= client.top && pt.y < client.bottom && pt.x >= client.left &&
                      pt.x < std::max<LONG>(client.right, last.right);
    const zrpc::report::SubItemDef* def = s.model.GetSubItemDef(SubItemOf(m_dragItem));
    uint32_t format = def ? def->format : 0;
    RECT chooserRect = {0, 0, 0, 0};
    if (m_chooser && IsWindow(m_chooser.Handle()) && IsWindowVisible(m_chooser.Handle()))
        GetWindowRect(m_chooser.Handle(), &chooserRect);
    LPCSTR cursor = kArrowCursor;
    if (overHeader) {
        m_dropState = 0;
        int over = s.headerWindow.HitTest(pt);
        if (over < 0) {
            m_dragTarget = count;
        } else {
            RECT r = {0, 0, 0, 0};
            s.headerWindow.GetItemRect(over, &r);
            m_dragTarget = pt.x > (r.left + r.right) / 2 ? over + 1 : over;
        }
    } else if (format & RVCF_NOTREMOVABLE) {
        m_dropState = 2;
        cursor = kNoCursor;
    } else if (PtInRect(&chooserRect, screen)) {
        m_dropState = 1;
    } else {
        m_dropState = -1;
        cursor = nullptr;
    }
    if (cursor)
        SetCursor(LoadCursorA(nullptr, cursor));
    else
        SetCursor(m_dragCursor ? m_dragCursor : LoadCursorA(nullptr, kNoCursor));
    // The drag image follows the pointer, as wide as the item.
    if (m_dragWnd) {
        int w = std::max<LONG>(24, itemRect.right - itemRect.left), h = client.bottom - client.top;
        SetWindowPos(m_dragWnd, HWND_TOPMOST, screen.x - (m_pressPoint.x - itemRect.left), screen.y - h / 2,
                     w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        InvalidateRect(m_dragWnd, nullptr, TRUE);
    }
    if (m_dropWnd) {
        if (m_dropState == 0) {
            int x = last.right;
            if (m_dragTarget < count) {
                RECT r = {0, 0, 0, 0};
                s.headerWindow.GetItemRect(m_dragTarget, &r);
                x = r.left;
            }
            POINT at = {x, client.top};
            ClientToScreen(hwnd, &at);
            int h = client.bottom - client.top + 2 * kDropMarkerWidth;
            SetWindowPos(m_dropWnd, HWND_TOPMOST, at.x - kDropMarkerWidth / 2, at.y - kDropMarkerWidth,
                         kDropMarkerWidth, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ShowWindow(m_dropWnd, SW_HIDE);
        }
    }
    return true;
}

// The button went up; true when a drag ended here.
bool CReportCtrl::State::Header::Drop() {
    if (!m_dragging) {
        m_pressed = false;
        return false;
    }
    HWND hwnd = s.headerWindow.Handle();
    int from = m_dragItem, target = m_dragTarget, state = m_dropState;
    CancelDrag();
    int sub = SubItemOf(from);
    if (state == 0 || state == 2) {
        // The header's new order, as a header drag reports it: the dropped item's final position.
        int to = target > from ? target - 1 : target;
        to = std::max(0, std::min(to, s.headerWindow.GetItemCount() - 1));
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
            SendMessageA(s.Hwnd(), WM_NOTIFY, nh.hdr.idFrom, reinterpret_cast<LPARAM>(&nh));
        }
    } else if (s.model.GetStyle() & RVS_REMOVABLECOLUMNS) {
        // Dropped off the header or onto the chooser: the column is hidden.
        if (sub >= 0 && s.model.DeactivateSubItem(sub)) RefreshChooser();
    }
    return true;
}

void CReportCtrl::State::Header::CancelDrag() {
    bool was = m_dragging;
    m_dragging = false;
    m_pressed = false;
    if (m_dragWnd) ShowWindow(m_dragWnd, SW_HIDE);
    if (m_dropWnd) ShowWindow(m_dropWnd, SW_HIDE);
    if (was && s.headerWindow && GetCapture() == s.headerWindow.Handle()) ReleaseCapture();
}

// ---------------------------------------------------------------- the sub-item chooser

void CReportCtrl::State::Header::SetChooser(HWND list) {
    m_chooser.Attach(list);
    RefreshChooser();
}

void CReportCtrl::State::Header::RefreshChooser() {
    if (!m_chooser || !IsWindow(m_chooser.Handle())) return;
    m_chooser.SetRedraw(false);
    m_chooser.ResetContent();
    for (int sub = 0, defs = s.model.GetSubItemCount(); sub < defs; ++sub) {
        if (s.model.IsActiveSubItem(sub)) continue;
        std::string text = s.model.GetSubItemDef(sub)->text.substr(0, 255);
        int at = m_chooser.AddString(text.c_str());
        if (at >= 0) m_chooser.SetItemData(at, (LPARAM)sub);
    }
    m_chooser.SetRedraw(true);
    InvalidateRect(m_chooser.Handle(), nullptr, TRUE);
}

BOOL CReportCtrl::SetReportSubItemListCtrl(HWND hListBox) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (hListBox && !IsWindow(hListBox)) return FALSE;
        m_state->header.SetChooser(hListBox);
        return TRUE;
    });
}

HWND CReportCtrl::GetReportSubItemListCtrl() {
    return m_state->header.Chooser();
}
