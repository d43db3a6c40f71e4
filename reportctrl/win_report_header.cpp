// The report control's header: a plain header control whose items are made from the model's shown
// columns (each carrying its sub-item), with the sort marker, a click that sorts (unless RVS_UNSORTED),
// widths that follow the user within the columns' limits, columns fitted to their header item or, on a
// divider double-click, to their cells, the sort tip of flagged columns, the right button, and the
// sub-item chooser. Column dragging is in win_report_drag.cpp.
//
// The header stays the platform's header window (its hit testing, keyboard and mouse handling and what
// assistive programs read of it are the platform's) but paints itself, flat: the items in display
// order, an owner-drawn item (HDF_OWNERDRAW) handed to the control's parent as WM_DRAWITEM (CtlType
// ODT_HEADER, CtlID the control's id, hwndItem the header, itemID the header item, itemData its
// sub-item), the others with their image, text and the sort marker, a thin separator after each item
// and a frame around the items, in the system's colours, every size at the window's density.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "base/win_module.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_dpi.h"

using zrpc::report::SubItemDef;

namespace {

constexpr int kHeaderId = 0;
constexpr UINT_PTR kHeaderSubclassId = 0x52564844; // "RVHD"
constexpr int kSortMarkerWidth = 8;                // the header's sort arrow, at 96 DPI
constexpr UINT kApplyOrder = WM_APP + 0x3A1;       // posted to the control after a header drag

} // namespace

CReportCtrl::State::Header::~Header() {
    CancelDrag();
    if (m_dragWnd) ::DestroyWindow(m_dragWnd);
    if (m_dropWnd) ::DestroyWindow(m_dropWnd);
    if (m_tips) ::DestroyWindow(m_tips.Handle());
    if (s.headerWindow && IsWindow(s.headerWindow.Handle()))
        RemoveWindowSubclass(s.headerWindow.Handle(), HeaderSubclass, kHeaderSubclassId);
}

bool CReportCtrl::State::Header::Create() {
    HWND h = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_BUTTONS | HDS_FULLDRAG,
                             0, 0, 0, 0, s.Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHeaderId)),
                             zrpc::SelfModule(), nullptr);
    if (!h) return false;
    s.headerWindow.Attach(h);
    SetWindowSubclass(h, HeaderSubclass, kHeaderSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // One tool over the whole header; its text is asked for when it is about to show.
    m_tips.Attach(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  0, 0, 0, 0, h, nullptr, zrpc::SelfModule(), nullptr));
    if (m_tips) {
        TTTOOLINFOA ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = h;
        ti.uId = 1;
        ti.rect = {0, 0, 32767, 32767};
        ti.lpszText = LPSTR_TEXTCALLBACKA;
        m_tips.AddTool(ti);
    }
    return true;
}

void CReportCtrl::State::Header::Forget() {
    CancelDrag();
    s.headerWindow.Attach(nullptr);
    m_tips.Attach(nullptr);
    m_dragWnd = m_dropWnd = nullptr;
}

// ---------------------------------------------------------------- the items from the model

void CReportCtrl::State::Header::Sync() {
    if (!s.headerWindow) return;
    s.headerWindow.SetRedraw(false);
    while (s.headerWindow.GetItemCount() > 0)
        s.headerWindow.DeleteItem(0);
    const std::vector<int>& cols = s.model.GetColumnOrder();
    for (size_t c = 0; c < cols.size(); ++c) {
        const SubItemDef* def = s.model.GetSubItemDef(cols[c]);
        if (!def) continue;
        HDITEMA hd = {};
        hd.mask = HDI_FORMAT | HDI_WIDTH | HDI_LPARAM;
        hd.fmt = (int)(def->format & 0xFFFF) & ~HDF_IMAGE;
        hd.cxy = def->width;
        hd.lParam = cols[c];
        if (def->format & HDF_STRING) {
            hd.mask |= HDI_TEXT;
            hd.pszText = const_cast<char*>(def->text.c_str());
        }
        if ((def->format & HDF_IMAGE) && s.images) {
            hd.mask |= HDI_IMAGE;
            hd.fmt |= HDF_IMAGE;
            hd.iImage = def->image;
        }
        s.headerWindow.InsertItem((int)c, hd);
    }
    s.geo.RecountWidth();
    UpdateSortMarker(); // the items made anew carry the marker again
    s.headerWindow.SetRedraw(true);
    InvalidateRect(s.headerWindow.Handle(), nullptr, TRUE);
    if (s.Hwnd()) {
        s.PlaceHeader();
        s.UpdateScrollBars();
        s.SetHPos(s.geo.HPos());
        s.Invalidate();
    }
}

void CReportCtrl::State::Header::ColumnsChanged() {
    if (m_inSync)
        Recount(); // a width the user gave: the header has it already
    else
        Sync();
}

void CReportCtrl::State::Header::Recount() {
    s.geo.RecountWidth();
    s.UpdateScrollBars();
    s.PlaceHeader();
    s.Invalidate();
}

void CReportCtrl::State::Header::UpdateSortMarker() {
    if (!s.headerWindow) return;
    int sub = -1, asc = 1;
    s.model.GetSortSettings(&sub, &asc);
    for (int i = 0, n = s.headerWindow.GetItemCount(); i < n; ++i) {
        HDITEMA hd = {};
        hd.mask = HDI_FORMAT | HDI_LPARAM;
        s.headerWindow.GetItem(i, &hd);
        hd.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if ((int)hd.lParam == sub) hd.fmt |= asc ? HDF_SORTUP : HDF_SORTDOWN;
        hd.mask = HDI_FORMAT;
        s.headerWindow.SetItem(i, hd);
    }
}

void CReportCtrl::State::Header::ApplyPendingOrder() {
    if (m_pendingOrder.empty()) return;
    std::vector<int> order;
    order.swap(m_pendingOrder);
    s.model.SetColumnOrder(order);
}

// ---------------------------------------------------------------- the control's messages

bool CReportCtrl::State::Header::OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_NOTIFY:
        return lp && Notify(reinterpret_cast<NMHDR*>(lp), result);
    case kApplyOrder:
        ApplyPendingOrder();
        *result = 0;
        return true;
    case WM_NCDESTROY:
        Forget(); // the header, its tip and the drag windows went with the control
        return false;
    default:
        return false;
    }
}

// The header's notifications: a click sorts after RVN_COLUMNCLICKED, a width the user changes stays in
// the column's limits, a divider double-click fits the column, a finished drag reorders the columns.
bool CReportCtrl::State::Header::Notify(NMHDR* nm, LRESULT* result) {
    if (!s.headerWindow || nm->hwndFrom != s.headerWindow.Handle()) return false;
    auto* nh = reinterpret_cast<NMHEADERA*>(nm);
    *result = 0;
    switch (nm->code) {
    case HDN_ITEMCLICKA:
    case HDN_ITEMCLICKW: {
        if (m_forgetting) return true; // the press began a column drag, not a click
        // Header items stand in display order: the header never reorders them itself.
        int sub = s.model.GetSubItemFromColumn(nh->iItem);
        _NMRVHEADER rh = {};
        rh.iSubItem = sub;
        bool vetoed = s.model.Notify(&rh.hdr, RVN_COLUMNCLICKED) != 0;
        if (!vetoed && !(s.model.GetStyle() & RVS_UNSORTED) && sub >= 0) {
            int current = -1, asc = 1;
            s.model.GetSortSettings(&current, &asc);
            s.model.SortItems(sub, current == sub ? !asc : true);
            UpdateSortMarker();
        }
        return true;
    }
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW: {
        if (!nh->pitem || !(nh->pitem->mask & HDI_WIDTH) || m_inSync) return true;
        HDITEMA hd = {};
        hd.mask = HDI_LPARAM | HDI_WIDTH;
        s.headerWindow.GetItem(nh->iItem, &hd);
        m_inSync = true;
        if (const SubItemDef* def = s.model.GetSubItemDef((int)hd.lParam)) {
            int width = zrpc::report::ClampToLimits(*def, hd.cxy);
            if (width != hd.cxy) {
                HDITEMA fix = {};
                fix.mask = HDI_WIDTH;
                fix.cxy = width;
                s.headerWindow.SetItem(nh->iItem, fix);
            }
            if (def->width != width) s.model.SetSubItemWidth((int)hd.lParam, width);
        }
        m_inSync = false;
        Recount();
        return true;
    }
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW: {
        int sub = SubItemOf(nh->iItem);
        if (sub < 0) return true;
        _NMRVHEADER rh = {};
        rh.iSubItem = sub;
        if (!s.model.Notify(&rh.hdr, RVN_DIVIDERDOUBLECLICKED)) FitColumn(sub);
        return true;
    }
    case HDN_ENDDRAG: {
        // The header's own reordering is refused; the model takes the new order once the drag is over
        // and the header is made again from it.
        std::vector<int> order = s.model.GetColumnOrder();
        int from = nh->iItem, to = nh->pitem ? nh->pitem->iOrder : -1;
        if (from >= 0 && from < (int)order.size() && to >= 0 && to < (int)order.size() && from != to) {
            int sub = order[(size_t)from];
            order.erase(order.begin() + from);
            order.insert(order.begin() + to, sub);
            m_pendingOrder = order;
            PostMessageA(s.Hwnd(), kApplyOrder, 0, 0);
        }
        *result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------- fitting

void CReportCtrl::State::Header::FitColumn(int iSubItem) {
    const SubItemDef* def = s.model.GetSubItemDef(iSubItem);
    if (!def || (s.model.GetStyle() & RVS_VIRTUALDATA) || (def->format & RVCF_NOLIMITS)) return;
    int items = s.model.GetItemCount();
    if (items <= 0) return;
    int width = 0;
    for (int i = 0; i < items; ++i)
        width = std::max(width, s.ctrl.MeasureItem(i, iSubItem, nullptr, FALSE));
    width = zrpc::report::ClampToLimits(*def, width);
    if (width > 0 && width != def->width) s.model.SetSubItemWidth(iSubItem, width);
}

void CReportCtrl::State::Header::FitHeaderItem(int iSubItem) {
    const SubItemDef* def = s.model.GetSubItemDef(iSubItem);
    if (!s.headerWindow || !def || !(def->format & RVCF_FITHEADER)) return;
    int margin = HeaderMargin();
    int width = margin;
    int cx = 0, cy = 0;
    if ((def->format & RV_HDF_IMAGE) && s.images && ImageList_GetIconSize(s.images, &cx, &cy))
        width += cx + margin;
    if (def->format & RVCF_FITSORTMARKER) width += SortMarkerWidth() + margin;
    if (def->format & RV_HDF_STRING) {
        HDC dc = GetDC(s.headerWindow.Handle());
        HGDIOBJ old = SelectObject(dc, s.headerWindow.GetFont());
        SIZE size = {0, 0};
        std::wstring text = zrpc::WideFromAnsi(def->text.c_str());
        GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
        SelectObject(dc, old);
        ReleaseDC(s.headerWindow.Handle(), dc);
        width += size.cx + margin;
    }
    width = zrpc::report::ClampToLimits(*def, width);
    if (width != def->width) s.model.SetSubItemWidth(iSubItem, width);
}

// ---------------------------------------------------------------- the width a cell needs

int CReportCtrl::MeasureItem(int iItem, int iSubItem, RECT* pRect, BOOL bTextOnly) {
    return zrpc::Guard(-1, [&]() -> int {
        State& s = *m_state;
        if (!m_hwnd) return -1;
        char text[256] = "";
        _RVITEM it = {};
        it.nMask = RVIM_LABEL;
        it.iItem = iItem;
        it.iSubItem = iSubItem;
        it.lpszText = text;
        it.iTextMax = sizeof text;
        if (iSubItem < 0 || !s.model.GetItem(&it)) return -1;
        int gap = (int)s.model.GetProperty(RVP_GAP);
        int width = 0;
        if (!bTextOnly) {
            width = gap;
            int cx = 0, cy = 0;
            if ((it.nMask & RVIM_PICTURE) && s.images && ImageList_GetIconSize(s.images, &cx, &cy))
                width += cx + gap;
            if (it.nMask & RVIM_CHECKMARK) width += s.geo.CheckAreaWidth() + gap;
        }
        if (it.nMask & RVIM_LABEL) {
            // The bold font for RVIS_HEAVYFONT items.
            HFONT font = (it.nState & RVIS_HEAVYFONT) && s.bold ? s.bold : s.font;
            HDC dc = GetDC(m_hwnd);
            HGDIOBJ old = SelectObject(dc, font);
            SIZE size = {0, 0};
            std::wstring wide = zrpc::WideFromAnsi(text);
            GetTextExtentPoint32W(dc, wide.c_str(), (int)wide.size(), &size);
            SelectObject(dc, old);
            ReleaseDC(m_hwnd, dc);
            width += size.cx + (bTextOnly ? 0 : gap);
        }
        if (pRect) {
            pRect->left = pRect->top = 0;
            pRect->right = width;
            pRect->bottom = s.geo.RowHeight();
        }
        return width;
    });
}

// ---------------------------------------------------------------- the header tip

std::string CReportCtrl::State::Header::TipText() const {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(s.headerWindow.Handle(), &pt);
    int item = s.headerWindow.HitTest(pt);
    const SubItemDef* def = item >= 0 ? s.model.GetSubItemDef(SubItemOf(item)) : nullptr;
    if (!def || !(def->format & RVCF_SORTTIP)) return std::string();
    // The first "%s" of the tip format takes the column text; anything else in it stays as it is (the
    // format is the caller's text, never handed to a formatting function).
    const char* format = reinterpret_cast<const char*>(s.model.GetProperty(RVP_SORTTIP));
    std::string tip = format ? format : "";
    std::string column = def->text.substr(0, 255);
    size_t at = tip.find("%s");
    if (at != std::string::npos) tip.replace(at, 2, column);
    return tip;
}

// ---------------------------------------------------------------- the header's own messages

LRESULT CALLBACK CReportCtrl::State::Header::HeaderSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                                            UINT_PTR, DWORD_PTR data) {
    auto* h = reinterpret_cast<Header*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, HeaderSubclass, kHeaderSubclassId);
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    bool handled = false;
    LRESULT result = zrpc::Guard((LRESULT)0, [&] { return h->HeaderProc(hwnd, msg, wp, lp, &handled); });
    return handled ? result : DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CReportCtrl::State::Header::HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
    switch (msg) {
    case WM_RBUTTONDOWN: {
        int item = s.headerWindow.HitTest(pt);
        if (item < 0) return 0;
        _NMRVHEADER rh = {};
        rh.iSubItem = SubItemOf(item);
        if (s.model.Notify(&rh.hdr, RVN_COLUMNRIGHTCLICKED)) *handled = true; // the parent took it
        return 0;
    }
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        if (!nm || !m_tips || nm->hwndFrom != m_tips.Handle() || nm->code != TTN_GETDISPINFOA) return 0;
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(lp);
        m_tip = TipText();
        di->lpszText = const_cast<char*>(m_tip.c_str());
        di->hinst = nullptr;
        *handled = true;
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        // Drawn off-screen and copied in one piece, so that nothing flickers while a divider moves.
        int w = std::max<LONG>(1, client.right), h = std::max<LONG>(1, client.bottom);
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(mem, bmp);
        PaintHeader(mem, client);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, mem, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        EndPaint(hwnd, &ps);
        *handled = true;
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(hwnd, &client);
        PaintHeader(reinterpret_cast<HDC>(wp), client);
        *handled = true;
        return 0;
    }
    case WM_ERASEBKGND:
        *handled = true;
        return 1; // the painting covers everything
    case WM_LBUTTONDOWN: {
        UINT flags = 0;
        int item = s.headerWindow.HitTest(pt, &flags);
        m_pressedItem = (flags & HHT_ONHEADER) && !(flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) &&
                                (GetWindowLongA(hwnd, GWL_STYLE) & HDS_BUTTONS)
                            ? item
                            : -1;
        if (m_pressedItem >= 0) InvalidateRect(hwnd, nullptr, FALSE);
        Press(pt);
        return 0; // the header presses the item as usual
    }
    case WM_MOUSEMOVE:
        if (m_tips && !m_dragging) {
            // Another item under the pointer: the tip asks for its text again.
            int item = s.headerWindow.HitTest(pt);
            if (item != m_tipItem) {
                m_tipItem = item;
                m_tips.Pop();
                m_tips.Update();
            }
        }
        *handled = Drag(pt);
        return 0;
    case WM_LBUTTONUP:
        if (m_pressedItem >= 0) {
            m_pressedItem = -1;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        *handled = Drop();
        return 0;
    case WM_CAPTURECHANGED:
        if (m_pressedItem >= 0 && reinterpret_cast<HWND>(lp) != hwnd) {
            m_pressedItem = -1;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        if (m_dragging && reinterpret_cast<HWND>(lp) != hwnd) {
            CancelDrag();
            *handled = true;
        }
        return 0;
    case WM_KEYDOWN:
        if (m_dragging && wp == VK_ESCAPE) {
            CancelDrag();
            *handled = true;
        }
        return 0;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------- the header's flat painting

int CReportCtrl::State::Header::HeaderMargin() const {
    return 3 * zrpc::SystemMetricForDpi(SM_CXEDGE, s.dpi);
}

int CReportCtrl::State::Header::SortMarkerWidth() const {
    return s.Px(kSortMarkerWidth);
}

void CReportCtrl::State::Header::PaintHeader(HDC dc, const RECT& area) {
    HWND hwnd = s.headerWindow.Handle();
    COLORREF face = GetSysColor(COLOR_BTNFACE), line = GetSysColor(COLOR_BTNSHADOW);
    SetBkColor(dc, face);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    int count = s.headerWindow.GetItemCount();
    std::vector<int> order((size_t)std::max(0, count));
    if (count > 0 &&
        !SendMessageA(hwnd, HDM_GETORDERARRAY, (WPARAM)count, reinterpret_cast<LPARAM>(order.data())))
        for (int i = 0; i < count; ++i)
            order[(size_t)i] = i;
    // The font is selected once for every item: selecting one makes the system realise it again, which
    // costs more than drawing the items' texts.
    HFONT font = s.headerWindow.GetFont();
    HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(hwnd, HDM_GETIMAGELIST, 0, 0));
    int thin = s.Px(1);
    HBRUSH lineBrush = CreateSolidBrush(line);
    int used = area.left; // the right end of the items
    for (int item : order) {
        RECT rc;
        if (!s.headerWindow.GetItemRect(item, &rc)) continue;
        used = std::max<int>(used, rc.right);
        if (rc.right <= area.left || rc.left >= area.right) continue;
        PaintHeaderItem(dc, item, rc, images);
        // The separator: a thin line at the item's right edge, a little shorter than the item.
        int inset = std::min<int>(s.Px(4), (rc.bottom - rc.top) / 4);
        RECT sep = {rc.right - thin, rc.top + inset, rc.right, rc.bottom - inset};
        FillRect(dc, &sep, lineBrush);
    }
    // The frame around the items (the whole width when there are none), a thin line under the rest.
    RECT frame = {area.left, area.top, std::max<int>(used, area.left + 1), area.bottom};
    if (count == 0) frame.right = area.right;
    for (int i = 0; i < thin; ++i) {
        RECT r = {frame.left + i, frame.top + i, frame.right - i, frame.bottom - i};
        if (r.left < r.right && r.top < r.bottom) FrameRect(dc, &r, lineBrush);
    }
    if (frame.right < area.right) {
        RECT under = {frame.right, area.bottom - thin, area.right, area.bottom};
        FillRect(dc, &under, lineBrush);
    }
    DeleteObject(lineBrush);
    SelectObject(dc, oldFont);
}

void CReportCtrl::State::Header::PaintHeaderItem(HDC dc, int item, const RECT& rc, HIMAGELIST images) {
    HWND hwnd = s.headerWindow.Handle();
    wchar_t text[260] = L"";
    HDITEMW hd = {};
    hd.mask = HDI_FORMAT | HDI_TEXT | HDI_IMAGE | HDI_LPARAM;
    hd.pszText = text;
    hd.cchTextMax = (int)(sizeof text / sizeof text[0]);
    if (!SendMessageW(hwnd, HDM_GETITEMW, (WPARAM)item, reinterpret_cast<LPARAM>(&hd))) return;
    text[sizeof text / sizeof text[0] - 1] = 0;
    bool pressed = item == m_pressedItem;
    if (hd.fmt & HDF_OWNERDRAW) {
        // The owner draws within the item and may leave the device context as it likes.
        int saved = SaveDC(dc);
        IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
        // The owner draws the item: the control's parent, as for any owner-drawn header item.
        HWND owner = GetParent(s.Hwnd());
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_HEADER;
        dis.CtlID = (UINT)GetDlgCtrlID(s.Hwnd());
        dis.itemID = (UINT)item;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = pressed ? ODS_SELECTED : 0;
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = rc;
        dis.itemData = (ULONG_PTR)hd.lParam;
        if (owner) SendMessageA(owner, WM_DRAWITEM, (WPARAM)dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        RestoreDC(dc, saved);
        return;
    }
    int margin = HeaderMargin();
    int shift = pressed ? s.Px(1) : 0; // a pressed item's content moves by a pixel
    RECT inner = {rc.left + margin + shift, rc.top + shift, rc.right - margin + shift, rc.bottom + shift};
    // The sort marker at the right end: a small triangle pointing up for ascending, down for descending
    // (in an item too narrow for it, none).
    int markerWidth = SortMarkerWidth();
    if ((hd.fmt & (HDF_SORTUP | HDF_SORTDOWN)) && inner.right - inner.left >= markerWidth) {
        int w = markerWidth, h = std::max(1, w / 2);
        int x = inner.right - w, y = (inner.top + inner.bottom - h) / 2;
        // Corners on the outermost pixels: the marker covers w x h pixels.
        POINT up[] = {{x, y + h - 1}, {x + w - 1, y + h - 1}, {x + (w - 1) / 2, y}};
        POINT down[] = {{x, y}, {x + w - 1, y}, {x + (w - 1) / 2, y + h - 1}};
        COLORREF mark = GetSysColor(COLOR_BTNTEXT);
        HBRUSH brush = CreateSolidBrush(mark);
        HPEN pen = CreatePen(PS_SOLID, 1, mark);
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
        Polygon(dc, (hd.fmt & HDF_SORTUP) ? up : down, 3);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
        inner.right = x - margin;
    }
    // Everything below stays inside the item: the image only where it fits, the text cut with an
    // ellipsis.
    if ((hd.fmt & HDF_IMAGE) && images && hd.iImage >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        if (inner.left + cx <= inner.right && cy <= rc.bottom - rc.top) {
            ImageList_Draw(images, hd.iImage, dc, inner.left, (inner.top + inner.bottom - cy) / 2,
                           ILD_TRANSPARENT);
            inner.left += cx + margin;
        }
    }
    if (((hd.fmt & HDF_STRING) || text[0]) && inner.right > inner.left) {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        UINT align = DT_LEFT;
        if ((hd.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT) align = DT_RIGHT;
        if ((hd.fmt & HDF_JUSTIFYMASK) == HDF_CENTER) align = DT_CENTER;
        ::DrawTextW(dc, text, -1, &inner, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}
