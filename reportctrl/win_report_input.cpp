// The report control's mouse, keyboard and clipboard: the window's messages turned into the decisions
// of the model (report_input.cpp), the notifications that may veto them, the tree's expand box, and the
// copy of the selected rows as text.
#include <windows.h>

#include <cstring>
#include <string>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "reportctrl/model/report_input.h"
#include "reportctrl/win_report_state.h"

using zrpc::report::ReportModel;

namespace {

bool KeyHeld(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

bool CReportCtrl::State::Input::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
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
    default:
        return false;
    }
}

// A click on a node's expand box (askFirst: RVN_EXPANDING may refuse) or a double-click on a node with
// children: the node opens or closes and the parent hears of it.
void CReportCtrl::State::Input::ToggleNode(int iItem, UINT keys, POINT pt, UINT flags, bool askFirst) {
    _TREEITEM* h = s.model.GetItemHandle(iItem);
    if (!h || !s.model.HasChildren(h)) return;
    RVPOINT at = {pt.x, pt.y};
    if (askFirst && s.model.NotifyItem(RVN_EXPANDING, iItem, 0, keys, at, flags)) return;
    s.model.Expand(h, 2);
    int focus = s.model.GetCurrentFocus(nullptr);
    if (focus >= 0) s.ScrollToRow(focus);
    InvalidateRect(s.Hwnd(), nullptr, FALSE);
    s.model.NotifyItem(RVN_EXPANDEDNODE, iItem, 0, keys, at, flags);
}

void CReportCtrl::State::Input::Mouse(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = s.Hwnd();
    POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
    if (GetFocus() != hwnd) SetFocus(hwnd);
    if (!IsWindow(hwnd)) return;
    s.Flush();
    _RVHITTESTINFO hti = {};
    hti.point.x = pt.x;
    hti.point.y = pt.y;
    s.geo.HitTest(&hti);
    UINT keys = (UINT)wp;
    bool shift = (keys & MK_SHIFT) != 0, ctrl = (keys & MK_CONTROL) != 0;
    bool onItem = hti.iItem >= -1 && hti.iRow >= -1;
    bool tree = s.TreeLook();
    switch (msg) {
    case WM_LBUTTONDOWN: {
        if (s.model.NotifyItem(RVN_CLICKED, hti.iItem, hti.iSubItem, keys, hti.point, hti.nFlags)) break;
        if (!onItem) break;
        if ((hti.nFlags & RVHT_EXPANDBOX) && tree) {
            ToggleNode(hti.iItem, keys, pt, hti.nFlags, true);
            break;
        }
        zrpc::report::ClickAction act = zrpc::report::Click(s.model, hti.iRow, hti.iColumn, shift, ctrl);
        if (hti.iRow >= 0) s.ScrollToRow(hti.iRow);
        InvalidateRect(hwnd, nullptr, FALSE);
        if (act.edit) s.ctrl.BeginEdit(act.row, act.column, 1);
        break;
    }
    case WM_LBUTTONDBLCLK:
        if (s.model.NotifyItem(RVN_DOUBLECLICKED, hti.iItem, hti.iSubItem, keys, hti.point, hti.nFlags))
            break;
        if (onItem && hti.iItem >= 0 && tree)
            ToggleNode(hti.iItem, keys, pt, hti.nFlags, (hti.nFlags & RVHT_EXPANDBOX) != 0);
        break;
    case WM_RBUTTONDOWN:
        if (s.model.NotifyItem(RVN_RIGHTCLICKED, hti.iItem, hti.iSubItem, keys, hti.point, hti.nFlags)) break;
        if (onItem) {
            zrpc::report::RightClick(s.model, hti.iRow, shift, ctrl);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    default:
        break;
    }
    s.access.TellChanges();
}

// A key went down; false when it is not one of the control's (the window's default handles it).
bool CReportCtrl::State::Input::KeyDown(UINT vk) {
    bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT);
    m_noCtrlKey = false;
    int column = -1;
    int item = s.model.GetItemFromRow(s.model.GetCurrentFocus(&column));
    if (s.model.NotifyItem(RVN_KEYPRESSED, item, s.model.GetSubItemFromColumn(column), vk)) return true;
    m_noCtrlKey = !ctrl;
    if (ctrl && (vk == 'C' || vk == VK_INSERT)) {
        Copy();
        return true;
    }
    s.Flush();
    zrpc::report::PageView view;
    view.top = s.geo.Top();
    view.visible = s.geo.VisibleCount(false);
    zrpc::report::KeyAction act = zrpc::report::KeyDown(s.model, vk, shift, ctrl, view);
    if (!act.handled) {
        TakeTypedCharacter();
        return false;
    }
    if (act.showRow >= 0) s.ScrollToRow(act.showRow);
    if (act.hscroll) s.HScroll(act.hscroll > 0 ? SB_LINERIGHT : SB_LINELEFT, 0);
    if (act.showColumn >= 0) s.ShowColumn(act.showColumn);
    InvalidateRect(s.Hwnd(), nullptr, FALSE);
    s.access.TellChanges();
    return true;
}

// A typed character opens the editor over the focused cell with that character as start key. The
// control is a window of the code page: a character of several bytes comes as one message per byte
// (or, from some systems, two bytes in one message), and the editor opens once it is whole.
void CReportCtrl::State::Input::Char(UINT ch) {
    int row = -2, column = -1;
    if (!m_noCtrlKey || ch == 27 || ch == '\t' || ch == '\n' ||
        !zrpc::report::TypingStartsEdit(s.model, KeyHeld(VK_CONTROL), &row, &column)) {
        m_pending.clear();
        return;
    }
    if (ch > 0xFF && ch <= 0xFFFF) m_pending += (char)(ch >> 8); // lead and trail byte in one message
    m_pending += (char)ch;
    if (m_pending.size() < s.model.Text().LeadLength((unsigned char)m_pending[0])) return;
    std::string character;
    character.swap(m_pending);
    s.editor.BeginTyped(row, column, character);
}

namespace {

// Hands size bytes (a terminator among them) to the open clipboard in a block of its own.
void PutOnClipboard(UINT format, const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size);
    void* p = block ? GlobalLock(block) : nullptr;
    if (!p) {
        if (block) GlobalFree(block);
        return;
    }
    std::memcpy(p, data, size);
    GlobalUnlock(block);
    if (!SetClipboardData(format, block)) GlobalFree(block);
}

} // namespace

// The character a key types beyond ASCII, taken from the queue in its Unicode form before the system
// turns it into the code page for this window (which may lose it: a character of several bytes in
// UTF-8, say). A character of two UTF-16 units comes with two keys: the first half waits for the
// second. ASCII characters take the usual way (Char).
void CReportCtrl::State::Input::TakeTypedCharacter() {
    HWND hwnd = s.Hwnd();
    MSG m;
    if (!m_noCtrlKey || !PeekMessageW(&m, hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE) || m.wParam < 0x80 ||
        m.wParam > 0xFFFF)
        return;
    int row = -2, column = -1;
    if (!zrpc::report::TypingStartsEdit(s.model, KeyHeld(VK_CONTROL), &row, &column)) return;
    PeekMessageW(&m, hwnd, WM_CHAR, WM_CHAR, PM_REMOVE);
    wchar_t units[2] = {(wchar_t)m.wParam, 0};
    size_t count = 1;
    if (units[0] >= 0xD800 && units[0] <= 0xDBFF) {
        m_highSurrogate = units[0];
        return;
    }
    if (units[0] >= 0xDC00 && units[0] <= 0xDFFF && m_highSurrogate) {
        units[1] = units[0];
        units[0] = m_highSurrogate;
        count = 2;
    }
    m_highSurrogate = 0;
    std::string character;
    if (!zrpc::AnsiCharFromWide(units, count, character)) {
        MessageBeep(MB_OK); // the code page cannot hold it: no edit
        return;
    }
    s.editor.BeginTyped(row, column, character);
}

void CReportCtrl::State::Input::Copy() {
    HWND hwnd = s.Hwnd();
    if (!hwnd || !OpenClipboard(hwnd)) return;
    EmptyClipboard();
    // The selected items' lines, in the order of their rows.
    std::vector<int> items = s.model.SelectedInRowOrder();
    std::string text;
    char separator = s.model.Shared().copyDelimiter;
    for (int item : items) {
        CString line = s.ctrl.GetItemString(item, separator);
        text.append(line.GetString(), (size_t)line.GetLength());
    }
    if (!items.empty()) {
        // The text as the process's code page writes it, and beside it the same characters in UTF-16:
        // a program reading the Unicode form gets what the rows show, whatever its own code page.
        PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
        std::wstring wide = zrpc::WideFromAnsi(text.data(), text.size());
        PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    }
    CloseClipboard();
}

void CReportCtrl::Copy() {
    zrpc::GuardVoid([&] { m_state->input.Copy(); });
}

void CReportCtrl::Cut() {}
