// The report control's mouse, keyboard and clipboard: the window's messages turned into the
// decisions of the model (report_input.cpp), the notifications that may veto them, the tree's
// expand box, and the copy of the selected rows as text.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/win_frame.h"
#include "reportctrl/model/report_input.h"
#include "reportctrl/win_report_user.h"

namespace zrpc::report {

namespace {

// The control's SelectRows (overridable) as the model's selector.
class WindowSelector : public RowSelector {
  public:
    explicit WindowSelector(CReportCtrl& c) : m_c(c) {}
    void SelectRows(ReportModel&, int iFirst, int iLast, bool bSelect, bool bKeepSelection, bool bInvert,
                    bool bNotify) override {
        ReportWindow::SelectRows(m_c, iFirst, iLast, bSelect, bKeepSelection, bInvert, bNotify);
    }

  private:
    CReportCtrl& m_c;
};

bool KeyHeld(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

LRESULT ReportUser::Send(RVNMHDR* hdr, uint32_t code) {
    uint32_t n = (RVN_BASE - code) & 31u;
    if (!(((uint32_t)ReportWindow::Model(*m_ctrl).GetProperty(RVP_NOTIFYFILTER) >> n) & 1u)) return 0;
    hdr->code = code;
    return ReportWindow::Notify(*m_ctrl, hdr);
}

LRESULT ReportUser::SendView(uint32_t code, int iItem, int iSubItem, UINT keys, POINT pt, UINT flags) {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    _NMREPORTVIEW nm = {};
    nm.nKeys = keys;
    nm.point.x = pt.x;
    nm.point.y = pt.y;
    nm.nFlags = flags;
    nm.iItem = iItem;
    nm.iSubItem = iSubItem;
    DWORD style = m_ctrl->GetStyle();
    if (iItem >= 0 && (style & RVS_TREEMASK)) nm.hItem = model.GetItemHandle(iItem);
    if (iItem >= -1) {
        _RVITEM it = {};
        it.iItem = iItem;
        it.iSubItem = -1;
        if (model.GetItem(&it)) {
            if (!(style & RVS_VIRTUALDATA)) nm.nState = it.nState;
            nm.lParam = it.lParam;
        }
    }
    return Send(&nm.hdr, code);
}

// A click on a node's expand box (askFirst: RVN_EXPANDING may refuse) or a double-click on a node
// with children: the node opens or closes and the parent hears of it.
void ReportUser::ToggleNode(int iItem, UINT keys, POINT pt, UINT flags, bool askFirst) {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    _TREEITEM* h = model.GetItemHandle(iItem);
    if (!h || !model.HasChildren(h)) return;
    if (askFirst && SendView(RVN_EXPANDING, iItem, 0, keys, pt, flags)) return;
    model.Expand(h, 2);
    int focus = model.GetCurrentFocus(nullptr);
    if (focus >= 0) ReportWindow::ShowRow(*m_ctrl, focus);
    InvalidateRect(m_ctrl->Handle(), nullptr, FALSE);
    SendView(RVN_EXPANDEDNODE, iItem, 0, keys, pt, flags);
}

void ReportUser::Mouse(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = m_ctrl->Handle();
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
    if (GetFocus() != hwnd) SetFocus(hwnd);
    if (!IsWindow(hwnd)) return;
    _RVHITTESTINFO hti = {};
    hti.point.x = pt.x;
    hti.point.y = pt.y;
    m_ctrl->HitTest(&hti);
    UINT keys = (UINT)wp;
    bool shift = (keys & MK_SHIFT) != 0, ctrl = (keys & MK_CONTROL) != 0;
    bool onItem = hti.iItem >= -1 && hti.iRow >= -1;
    WindowSelector sel(*m_ctrl);
    switch (msg) {
    case WM_LBUTTONDOWN: {
        if (SendView(RVN_CLICKED, hti.iItem, hti.iSubItem, keys, pt, hti.nFlags)) break;
        if (!onItem) break;
        if ((hti.nFlags & RVHT_EXPANDBOX) && (m_ctrl->GetStyle() & RVS_TREEMASK)) {
            ToggleNode(hti.iItem, keys, pt, hti.nFlags, true);
            break;
        }
        ClickAction act = Click(model, sel, hti.iRow, hti.iColumn, shift, ctrl);
        if (hti.iRow >= 0) ReportWindow::ShowRow(*m_ctrl, hti.iRow);
        InvalidateRect(hwnd, nullptr, FALSE);
        if (act.edit) m_ctrl->BeginEdit(act.row, act.column, 1);
        break;
    }
    case WM_LBUTTONDBLCLK:
        if (SendView(RVN_DOUBLECLICKED, hti.iItem, hti.iSubItem, keys, pt, hti.nFlags)) break;
        if (onItem && hti.iItem >= 0 && (m_ctrl->GetStyle() & RVS_TREEMASK))
            ToggleNode(hti.iItem, keys, pt, hti.nFlags, (hti.nFlags & RVHT_EXPANDBOX) != 0);
        break;
    case WM_RBUTTONDOWN:
        if (SendView(RVN_RIGHTCLICKED, hti.iItem, hti.iSubItem, keys, pt, hti.nFlags)) break;
        if (onItem) {
            RightClick(model, sel, hti.iRow, shift, ctrl);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    default:
        break;
    }
    TellChanges();
}

// A key went down; false when it is not one of the control's (the window's default handles it).
bool ReportUser::KeyDown(UINT vk) {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT);
    m_noCtrlKey = false;
    int column = -1;
    int row = model.GetCurrentFocus(&column);
    int item = row == -1 ? -1 : model.GetItemFromRow(row);
    POINT none = {0, 0};
    if (SendView(RVN_KEYPRESSED, item, model.GetSubItemFromColumn(column), vk, none, 0)) return true;
    m_noCtrlKey = !ctrl;
    if (ctrl && (vk == 'C' || vk == VK_INSERT)) {
        Copy();
        return true;
    }
    PageView view;
    view.top = m_ctrl->GetTopIndex();
    view.visible = m_ctrl->GetVisibleCount(FALSE);
    WindowSelector sel(*m_ctrl);
    KeyAction act = zrpc::report::KeyDown(model, sel, vk, shift, ctrl, view);
    if (!act.handled) return false;
    if (act.showRow >= 0) ReportWindow::ShowRow(*m_ctrl, act.showRow);
    if (act.hscroll) ReportWindow::HScroll(*m_ctrl, act.hscroll > 0 ? SB_LINERIGHT : SB_LINELEFT);
    if (act.showColumn >= 0) ReportWindow::ShowColumn(*m_ctrl, act.showColumn);
    InvalidateRect(m_ctrl->Handle(), nullptr, FALSE);
    TellChanges();
    return true;
}

// A typed character opens the editor over the focused cell with that character as start key.
void ReportUser::Char(UINT ch) {
    if (!m_noCtrlKey || ch == 27 || ch == '\t' || ch == '\n') return;
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    int row = -2, column = -1;
    if (!TypingStartsEdit(model, KeyHeld(VK_CONTROL), &row, &column)) return;
    m_edit.typed = true;
    m_ctrl->BeginEdit(row, column, ch);
    m_edit.typed = false;
}

bool ReportUser::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    *result = 0;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        Mouse(msg, wp, lp);
        return true;
    case WM_KEYDOWN:
        return KeyDown((UINT)wp);
    case WM_CHAR:
        Char((UINT)wp);
        return true;
    case WM_HSCROLL:
        EndOpenEdit();
        return false;
    case WM_NOTIFY: {
        NMHDR* nm = reinterpret_cast<NMHDR*>(lp);
        if (!nm) return false;
        if (nm->hwndFrom && nm->hwndFrom == m_ctrl->GetHeaderCtrl()) {
            switch (nm->code) {
            case HDN_ITEMCLICKA:
            case HDN_ITEMCLICKW:
            case HDN_BEGINDRAG:
            case HDN_DIVIDERDBLCLICKA:
            case HDN_DIVIDERDBLCLICKW:
                EndOpenEdit();
                break;
            default:
                break;
            }
            return false;
        }
        if (nm->code == RVN_ENDITEMEDIT && m_edit.hwnd) {
            EditorEnded(reinterpret_cast<_NMRVITEMEDIT*>(lp));
            return true;
        }
        return false;
    }
    case WM_GETOBJECT:
        *result = GetObject(wp, lp);
        return *result != 0;
    case WM_SETFOCUS:
        TellChanges();
        return false;
    case WM_DESTROY:
        CancelEdit();
        AccessGone();
        return false;
    default:
        return false;
    }
}

void ReportUser::Copy() {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    HWND hwnd = m_ctrl->Handle();
    if (!hwnd || !OpenClipboard(hwnd)) return;
    EmptyClipboard();
    int count = model.GetSelectedCount();
    std::vector<int> items((size_t)count);
    if (count > 0) model.GetSelectedItems(items.data(), count);
    std::vector<std::pair<int, int>> rows; // row, item: the lines go in row order
    rows.reserve(items.size());
    for (int item : items) {
        int row = model.GetRowFromItem(item);
        if (row != -2) rows.push_back({row, item});
    }
    std::sort(rows.begin(), rows.end());
    std::string text;
    char separator = Globals().copyDelimiter;
    for (const auto& ri : rows) {
        CString line = ReportWindow::ItemString(*m_ctrl, ri.second, separator);
        text.append(line.GetString(), (size_t)line.GetLength());
    }
    if (!rows.empty()) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, text.size() + 1);
        char* p = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
        if (p) {
            std::memcpy(p, text.data(), text.size());
            p[text.size()] = 0;
            GlobalUnlock(block);
            if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
        } else if (block) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

} // namespace zrpc::report

using zrpc::report::ReportWindow;

void CReportCtrl::Copy() {
    zrpc::GuardVoid([&] { ReportWindow::User(*this).Copy(); });
}

void CReportCtrl::Cut() {}
