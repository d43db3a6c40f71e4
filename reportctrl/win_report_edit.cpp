// In-place editing of the report control's cells: the built-in editor (an edit window over the cell,
// at most 16 characters, with an optional "..." button), the parent's own editor, the begin and end
// notifications with the parent's veto, and the bookkeeping that keeps an editor from outliving the
// item it edits.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "frame/win_frame.h"
#include "reportctrl/win_report_user.h"

namespace zrpc::report {

namespace {

constexpr int kTextBuffer = 256;  // cell text read and written through buffers of this size
constexpr int kEditorLimit = 16;  // characters the built-in editor accepts
constexpr int kButtonMargin = 10; // the "..." button needs an editor this much wider than tall
constexpr UINT kMouseStart = 1;   // start key of an edit opened by a click

// Copies at most max characters of a text that may not be terminated within them.
void CopyBounded(char* out, size_t outSize, const char* text, size_t max) {
    size_t n = 0;
    if (text) {
        const void* end = std::memchr(text, 0, max);
        n = end ? (size_t)(static_cast<const char*>(end) - text) : max;
    }
    n = std::min(n, outSize - 1);
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

bool SelectsWholeText(UINT key, bool typed) {
    if (typed && key >= VK_PRIOR && key <= VK_DOWN) return false; // "!" to "(" typed as characters
    switch (key) {
    case VK_TAB:
    case VK_SPACE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return true;
    default:
        return false;
    }
}

} // namespace

// The built-in editor: an edit window (and its "..." button) subclassed here. It reports its end
// once, when it loses the focus to anything but its own button.
struct EditorWindow {
    ReportUser* user = nullptr;
    HWND control = nullptr;
    HWND edit = nullptr;
    HWND button = nullptr;
    WNDPROC editProc = nullptr;
    WNDPROC buttonProc = nullptr;
    UINT endKey = 0;
    bool done = false;

    static EditorWindow* Of(HWND hwnd) {
        return reinterpret_cast<EditorWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }

    // Sends RVN_ENDITEMEDIT with the end key and the text to the control, once. The control closes
    // the editor in answer: nothing of this object may be used after the call.
    void Finish() {
        if (done) return;
        done = true;
        char text[kTextBuffer] = "";
        GetWindowTextA(edit, text, sizeof text);
        _NMRVITEMEDIT nm = {};
        nm.hdr.hwndFrom = edit;
        nm.hdr.idFrom = (uintptr_t)GetDlgCtrlID(edit);
        nm.hdr.code = RVN_ENDITEMEDIT;
        nm.iItem = user->m_edit.item;
        nm.iSubItem = user->m_edit.subItem;
        nm.hWnd = edit;
        nm.nKey = endKey;
        nm.lpszText = text;
        SendMessageA(control, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }

    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        EditorWindow* ed = Of(hwnd);
        WNDPROC old = ed->editProc;
        switch (msg) {
        case WM_GETDLGCODE:
            return CallWindowProcA(old, hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wp == VK_TAB || wp == VK_RETURN || wp == VK_ESCAPE) {
                ed->endKey = (UINT)wp;
                SetFocus(ed->control);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == '\t' || wp == '\r' || wp == 27) return 0;
            break;
        case WM_KILLFOCUS: {
            LRESULT r = CallWindowProcA(old, hwnd, msg, wp, lp);
            if (reinterpret_cast<HWND>(wp) != ed->button || !ed->button) ed->Finish();
            return r;
        }
        case WM_NCDESTROY: {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            if (ed->button && IsWindow(ed->button)) DestroyWindow(ed->button);
            delete ed;
            return CallWindowProcA(old, hwnd, msg, wp, lp);
        }
        default:
            break;
        }
        return CallWindowProcA(old, hwnd, msg, wp, lp);
    }

    static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        EditorWindow* ed = Of(hwnd);
        if (!ed) return DefWindowProcA(hwnd, msg, wp, lp);
        WNDPROC old = ed->buttonProc;
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            if (ed->button == hwnd) ed->button = nullptr;
            return CallWindowProcA(old, hwnd, msg, wp, lp);
        }
        LRESULT r = CallWindowProcA(old, hwnd, msg, wp, lp);
        if (msg == WM_SETFOCUS && !ed->done) ed->user->ButtonPressed(ed->edit);
        return r;
    }
};

ReportUser::~ReportUser() {
    AccessGone();
}

void ReportUser::ButtonPressed(HWND editor) {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    char text[kTextBuffer] = "";
    GetWindowTextA(editor, text, sizeof text);
    _NMRVITEMEDIT nm = {};
    nm.iItem = m_edit.item;
    nm.iSubItem = m_edit.subItem;
    nm.hWnd = editor;
    nm.lpszText = text;
    nm.lParam = model.GetItemData(m_edit.item);
    RECT rc;
    GetWindowRect(editor, &rc);
    MapWindowPoints(nullptr, m_ctrl->Handle(), reinterpret_cast<POINT*>(&rc), 2);
    nm.rect.left = rc.left;
    nm.rect.top = rc.top;
    nm.rect.right = rc.right;
    nm.rect.bottom = rc.bottom;
    LRESULT answer = Send(&nm.hdr, RVN_BUTTONPRESSED);
    if (!IsWindow(editor) || m_edit.hwnd != editor) return;
    if (answer == 1) {
        // The parent's text goes back within the editor's limit, whatever it left in the record.
        text[sizeof text - 1] = 0;
        size_t limit = std::min<size_t>((size_t)SendMessageA(editor, EM_GETLIMITTEXT, 0, 0), kEditorLimit);
        char back[kEditorLimit + 1];
        CopyBounded(back, sizeof back, nm.lpszText ? nm.lpszText : text, std::min(limit, sizeof text - 1));
        SetWindowTextA(editor, back);
        int len = (int)std::strlen(back);
        SendMessageA(editor, EM_SETSEL, len, len);
    }
    SetFocus(editor);
}

BOOL ReportUser::BeginEdit(int iRow, int iColumn, UINT nKey) {
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    HWND hwnd = m_ctrl->Handle();
    DWORD style = m_ctrl->GetStyle();
    if (!hwnd || iRow < -1 || iColumn < 0 || iColumn >= model.GetActiveSubItemCount()) return FALSE;
    if (iRow == -1 && !(style & RVS_ENTRYROW)) return FALSE;
    if (iRow >= model.GetRowCount()) return FALSE;
    bool typed = m_edit.typed;
    if (m_edit.hwnd) EndOpenEdit();
    int item = iRow == -1 ? -1 : model.GetItemFromRow(iRow);
    int subItem = model.GetSubItemFromColumn(iColumn);
    char text[kTextBuffer] = "";
    _RVITEM cell = {};
    cell.nMask = RVIM_LABEL;
    cell.iItem = item;
    cell.iSubItem = subItem;
    cell.lpszText = text;
    cell.iTextMax = sizeof text;
    if (!model.GetItem(&cell) || (cell.nState & RVIS_NOEDIT)) return FALSE;
    bool hasText = (cell.nMask & RVIM_LABEL) != 0;
    if (iRow >= 0) ReportWindow::ShowRow(*m_ctrl, iRow);
    ReportWindow::ShowColumn(*m_ctrl, iColumn);
    RECT rcCell, rcText;
    if (!ReportWindow::CellRects(*m_ctrl, iRow, iColumn, &rcCell, &rcText)) return FALSE;
    _NMRVITEMEDIT nm = {};
    nm.iItem = item;
    nm.iSubItem = subItem;
    nm.rect.left = rcCell.left;
    nm.rect.top = rcCell.top;
    nm.rect.right = rcCell.right;
    nm.rect.bottom = rcCell.bottom;
    nm.nKey = nKey;
    nm.lpszText = hasText ? text : nullptr;
    nm.lParam = cell.lParam;
    if (Send(&nm.hdr, RVN_BEGINITEMEDIT)) {
        HWND own = static_cast<HWND>(nm.hWnd);
        if (!own || !IsWindow(own)) return FALSE;
        m_edit = EditState();
        m_edit.hwnd = own;
        m_edit.item = item;
        m_edit.subItem = subItem;
        SetFocus(own);
        return TRUE;
    }
    if (!hasText || !IsWindow(hwnd)) return FALSE;

    RECT r = {rcText.left, rcCell.top - 1, rcCell.right, rcCell.bottom + 1};
    int height = r.bottom - r.top;
    bool button = nm.bButton && (r.right - r.left) > height + kButtonMargin;
    int editRight = button ? r.right - height : r.right;
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                                editRight - r.left, height, hwnd, nullptr, zrpc::SelfModule(), nullptr);
    if (!edit) return FALSE;
    EditorWindow* ed = new EditorWindow;
    ed->user = this;
    ed->control = hwnd;
    ed->edit = edit;
    HFONT font = ReportWindow::Font(*m_ctrl, (cell.nState & RVIS_HEAVYFONT) != 0);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(edit, text);
    SendMessageA(edit, EM_LIMITTEXT, kEditorLimit, 0);
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ed));
    ed->editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorWindow::EditProc)));
    if (button) {
        ed->button =
            CreateWindowExA(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, editRight, r.top,
                            r.right - editRight, height, hwnd, nullptr, zrpc::SelfModule(), nullptr);
        if (ed->button) {
            SendMessageA(ed->button, WM_SETFONT, reinterpret_cast<WPARAM>(ReportWindow::Font(*m_ctrl, false)),
                         FALSE);
            SetWindowLongPtrA(ed->button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ed));
            ed->buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                ed->button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorWindow::ButtonProc)));
        }
    }
    m_edit = EditState();
    m_edit.hwnd = edit;
    m_edit.builtIn = true;
    m_edit.item = item;
    m_edit.subItem = subItem;
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);

    int len = (int)std::strlen(text);
    if (nKey == kMouseStart || nKey == VK_RETURN) {
        SendMessageA(edit, EM_SETSEL, len, len);
    } else if (nKey == VK_BACK) {
        if (len > 0) text[--len] = 0;
        SetWindowTextA(edit, text);
        SendMessageA(edit, EM_SETSEL, len, len);
    } else if (SelectsWholeText(nKey, typed)) {
        SendMessageA(edit, EM_SETSEL, 0, -1);
    } else {
        char start[2] = {(char)nKey, 0};
        SetWindowTextA(edit, start);
        SendMessageA(edit, EM_SETSEL, 1, 1);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
}

void ReportUser::EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit) {
    if (!m_edit.hwnd || m_edit.ending) return;
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    HWND hwnd = m_ctrl->Handle();
    EditState was = m_edit;
    m_edit.ending = true;
    if (bUpdate && !(m_ctrl->GetStyle() & RVS_VIRTUALDATA)) {
        char text[kTextBuffer] = "";
        if (pNMItemEdit && pNMItemEdit->lpszText)
            CopyBounded(text, sizeof text, pNMItemEdit->lpszText, sizeof text - 1);
        else
            GetWindowTextA(was.hwnd, text, sizeof text);
        model.SetItemText(was.item, was.subItem, text);
    }
    m_edit = EditState();
    if (was.builtIn) {
        if (EditorWindow* ed = EditorWindow::Of(was.hwnd)) ed->done = true;
    }
    HWND focus = GetFocus();
    bool editorHadFocus = focus && (focus == was.hwnd || IsChild(was.hwnd, focus));
    if (IsWindow(was.hwnd)) DestroyWindow(was.hwnd);
    if (hwnd && IsWindow(hwnd)) {
        if (editorHadFocus) SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void ReportUser::EditorEnded(_NMRVITEMEDIT* nm) {
    _NMRVITEMEDIT copy = *nm;
    copy.iItem = m_edit.item;
    copy.iSubItem = m_edit.subItem;
    if (Send(&copy.hdr, RVN_ENDITEMEDIT)) {
        m_ctrl->EndEdit(FALSE, nullptr);
        return;
    }
    _NMRVITEMEDIT mine = *nm; // the editor's own text, whatever the parent did with its copy
    m_ctrl->EndEdit(nm->nKey != 27, &mine);
}

void ReportUser::EndOpenEdit() {
    if (!m_edit.hwnd || m_edit.ending) return;
    if (m_edit.builtIn) {
        if (EditorWindow* ed = EditorWindow::Of(m_edit.hwnd)) {
            if (!ed->done) {
                ed->endKey = 0;
                ed->Finish();
            }
        }
        if (m_edit.hwnd) EndEdit(TRUE, nullptr); // the control did not close it in answer
        return;
    }
    m_ctrl->EndEdit(TRUE, nullptr);
}

// Ends an open edit without storing: its item goes, or the control does.
void ReportUser::CancelEdit() {
    if (!m_edit.hwnd) return;
    if (m_edit.builtIn) {
        if (EditorWindow* ed = EditorWindow::Of(m_edit.hwnd)) ed->done = true;
    }
    m_edit.ending = false;
    EndEdit(FALSE, nullptr);
}

void ReportUser::ItemRemoving(int iItem) {
    if (!m_edit.hwnd) return;
    if (iItem == -2 || iItem == m_edit.item)
        CancelEdit();
    else if (iItem >= 0 && iItem < m_edit.item)
        --m_edit.item;
}

void ReportUser::ItemInserted(int iItem) {
    if (m_edit.hwnd && m_edit.item >= 0 && iItem <= m_edit.item) ++m_edit.item;
}

void ReportUser::ItemCountSet(int nCount) {
    if (m_edit.hwnd && m_edit.item >= nCount) CancelEdit();
}

} // namespace zrpc::report

using zrpc::report::ReportWindow;

BOOL CReportCtrl::BeginEdit(int iRow, int iColumn, UINT nKey) {
    return zrpc::Guard(FALSE, [&] { return ReportWindow::User(*this).BeginEdit(iRow, iColumn, nKey); });
}

void CReportCtrl::EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit) {
    zrpc::GuardVoid([&] { ReportWindow::User(*this).EndEdit(bUpdate, pNMItemEdit); });
}

HWND CReportCtrl::GetEditWindow() {
    return ReportWindow::User(*this).EditWindow();
}
