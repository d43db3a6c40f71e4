// In-place editing of the report control's cells: the built-in editor (an edit window over the cell, at
// most 16 characters, with an optional "..." button), the parent's own editor, the begin and end
// notifications with the parent's veto, and the bookkeeping that keeps an editor from outliving the
// item it edits. The built-in editor is a Unicode window: it takes characters (typed, composed or
// pasted), counts them as the platform does (UTF-16 units), accepts only those the process's code page
// can hold, and gives its text back in that code page.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "base/win_module.h"
#include "reportctrl/win_report_state.h"

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

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code-page form of a text, character by character: a character the page cannot hold is left
// out. Cut to fit out (size bytes with the terminator) without splitting a character.
void AnsiOfEditor(const std::wstring& wide, char* out, size_t size) {
    std::string text, one;
    for (size_t i = 0; i < wide.size(); ++i) {
        size_t n = IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1]) ? 2 : 1;
        if (zrpc::AnsiCharFromWide(&wide[i], n, one)) text += one;
        i += n - 1;
    }
    size_t len = zrpc::AnsiCutPoint(text.data(), text.size(), size - 1);
    std::memcpy(out, text.data(), len);
    out[len] = 0;
}

std::wstring WindowTextW(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text((size_t)std::max(n, 0) + 1, L'\0');
    int got = GetWindowTextW(hwnd, &text[0], n + 1);
    text.resize((size_t)std::max(got, 0));
    return text;
}

// The first line of a text, without the characters the code page cannot hold (false when some were
// left out).
bool HoldableLine(const std::wstring& in, std::wstring& out) {
    bool all = true;
    std::string one;
    out.clear();
    for (size_t i = 0; i < in.size() && in[i] != L'\r' && in[i] != L'\n'; ++i) {
        size_t n = IsHighSurrogate(in[i]) && i + 1 < in.size() && IsLowSurrogate(in[i + 1]) ? 2 : 1;
        if (zrpc::AnsiCharFromWide(&in[i], n, one))
            out.append(in, i, n);
        else
            all = false;
        i += n - 1;
    }
    return all;
}

// The text without its last character (a surrogate pair is one).
void DropLastCharacter(std::wstring& text) {
    if (text.empty()) return;
    size_t n =
        text.size() >= 2 && IsLowSurrogate(text.back()) && IsHighSurrogate(text[text.size() - 2]) ? 2 : 1;
    text.resize(text.size() - n);
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

// The built-in editor: an edit window (and its "..." button) subclassed here. It reports its end once,
// when it loses the focus to anything but its own button.
struct CReportCtrl::State::Editor::BuiltIn {
    Editor* editor = nullptr;
    HWND control = nullptr;
    zwin::EditCtrl edit;
    HWND button = nullptr;
    WNDPROC editProc = nullptr;
    WNDPROC buttonProc = nullptr;
    UINT endKey = 0;
    bool done = false;
    wchar_t highSurrogate = 0; // the first half of a typed character, until its second comes

    static BuiltIn* Of(HWND hwnd) {
        return reinterpret_cast<BuiltIn*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }

    // The editor's text in the code page, at most 255 bytes, cut between characters.
    static void TextOf(HWND hwnd, char* out, size_t size) { AnsiOfEditor(WindowTextW(hwnd), out, size); }

    // A typed character (or half of one) the editor takes: only characters the code page can hold
    // go in; another is refused with a beep, as a character past the limit is.
    bool TakeChar(HWND hwnd, WPARAM wp, LPARAM lp) {
        wchar_t c = (wchar_t)wp;
        std::string one;
        if (IsHighSurrogate(c)) {
            highSurrogate = c;
            return true;
        }
        if (IsLowSurrogate(c)) {
            wchar_t pair[2] = {highSurrogate, c};
            highSurrogate = 0;
            if (!pair[0] || !zrpc::AnsiCharFromWide(pair, 2, one) || Room(hwnd) < 2) return Refuse();
            CallWindowProcW(editProc, hwnd, WM_CHAR, pair[0], lp);
            CallWindowProcW(editProc, hwnd, WM_CHAR, pair[1], lp);
            return true;
        }
        highSurrogate = 0;
        if (c >= 0x20 && c != 0x7F && !zrpc::AnsiCharFromWide(&c, 1, one)) return Refuse();
        CallWindowProcW(editProc, hwnd, WM_CHAR, wp, lp);
        return true;
    }
    // A paste: the first line of the clipboard's Unicode text, with only the characters the code page
    // holds.
    void Paste(HWND hwnd) {
        std::wstring clip;
        if (!OpenClipboard(hwnd)) return;
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) clip = p;
            GlobalUnlock(h);
        }
        CloseClipboard();
        std::wstring line;
        bool whole = HoldableLine(clip, line);
        for (size_t room = Room(hwnd); line.size() > room;) { // within the limit, pairs kept whole
            DropLastCharacter(line);
            whole = false;
        }
        if (!whole) Refuse();
        CallWindowProcW(editProc, hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
    }
    // The UTF-16 units the limit leaves for what replaces the selection.
    size_t Room(HWND hwnd) const {
        DWORD from = 0, to = 0;
        CallWindowProcW(editProc, hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
        size_t length = (size_t)std::max(GetWindowTextLengthW(hwnd), 0);
        length -= std::min<size_t>(to > from ? to - from : 0, length);
        size_t limit = (size_t)CallWindowProcW(editProc, hwnd, EM_GETLIMITTEXT, 0, 0);
        return limit > length ? limit - length : 0;
    }
    static bool Refuse() {
        MessageBeep(MB_OK);
        return true;
    }

    // Sends RVN_ENDITEMEDIT with the end key and the text to the control, once. The control closes the
    // editor in answer: nothing of this object may be used after the call.
    void Finish() {
        if (done) return;
        done = true;
        char text[kTextBuffer] = "";
        TextOf(edit.Handle(), text, sizeof text);
        _NMRVITEMEDIT nm = {};
        nm.hdr.hwndFrom = edit.Handle();
        nm.hdr.idFrom = (uintptr_t)GetDlgCtrlID(edit.Handle());
        nm.hdr.code = RVN_ENDITEMEDIT;
        nm.iItem = editor->m_edit.item;
        nm.iSubItem = editor->m_edit.subItem;
        nm.hWnd = edit.Handle();
        nm.nKey = endKey;
        nm.lpszText = text;
        SendMessageA(control, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }

    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        BuiltIn* ed = Of(hwnd);
        WNDPROC old = ed->editProc;
        switch (msg) {
        case WM_GETDLGCODE:
            return CallWindowProcW(old, hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wp == VK_TAB || wp == VK_RETURN || wp == VK_ESCAPE) {
                ed->endKey = (UINT)wp;
                SetFocus(ed->control);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == '\t' || wp == '\r' || wp == 27) return 0;
            ed->TakeChar(hwnd, wp, lp);
            return 0;
        case WM_PASTE:
            ed->Paste(hwnd);
            return 0;
        case WM_KILLFOCUS: {
            LRESULT r = CallWindowProcW(old, hwnd, msg, wp, lp);
            if (reinterpret_cast<HWND>(wp) != ed->button || !ed->button) ed->Finish();
            return r;
        }
        case WM_NCDESTROY: {
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (ed->button && IsWindow(ed->button)) ::DestroyWindow(ed->button);
            delete ed;
            return CallWindowProcW(old, hwnd, msg, wp, lp);
        }
        default:
            break;
        }
        return CallWindowProcW(old, hwnd, msg, wp, lp);
    }

    static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        BuiltIn* ed = Of(hwnd);
        if (!ed) return DefWindowProcA(hwnd, msg, wp, lp);
        WNDPROC old = ed->buttonProc;
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            if (ed->button == hwnd) ed->button = nullptr;
            return CallWindowProcA(old, hwnd, msg, wp, lp);
        }
        LRESULT r = CallWindowProcA(old, hwnd, msg, wp, lp);
        if (msg == WM_SETFOCUS && !ed->done) ed->editor->ButtonPressed(ed->edit.Handle());
        return r;
    }
};

bool CReportCtrl::State::Editor::OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    *result = 0;
    switch (msg) {
    case WM_HSCROLL:
        EndOpenEdit();
        return false;
    case WM_NOTIFY: {
        NMHDR* nm = reinterpret_cast<NMHDR*>(lp);
        if (!nm) return false;
        if (nm->hwndFrom && nm->hwndFrom == s.headerWindow.Handle()) {
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
    case WM_DESTROY:
        CancelEdit();
        return false;
    default:
        return false;
    }
}

void CReportCtrl::State::Editor::ButtonPressed(HWND editor) {
    char text[kTextBuffer] = "";
    BuiltIn::TextOf(editor, text, sizeof text);
    _NMRVITEMEDIT nm = {};
    nm.iItem = m_edit.item;
    nm.iSubItem = m_edit.subItem;
    nm.hWnd = editor;
    nm.lpszText = text;
    nm.lParam = s.model.GetItemData(m_edit.item);
    RECT rc;
    GetWindowRect(editor, &rc);
    MapWindowPoints(nullptr, s.Hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    nm.rect = {rc.left, rc.top, rc.right, rc.bottom};
    LRESULT answer = s.model.Notify(&nm.hdr, RVN_BUTTONPRESSED);
    if (!IsWindow(editor) || m_edit.hwnd != editor) return;
    zwin::EditCtrl edit(editor);
    if (answer == 1) {
        // The parent's text goes back within the editor's limit (characters), whatever it left in the
        // record, and only with characters the code page holds.
        text[sizeof text - 1] = 0;
        char parent[kTextBuffer];
        CopyBounded(parent, sizeof parent, nm.lpszText ? nm.lpszText : text, sizeof parent - 1);
        std::wstring back;
        HoldableLine(zrpc::WideFromAnsi(parent), back);
        size_t limit = std::min<size_t>((size_t)edit.GetLimitText(), kEditorLimit);
        while (back.size() > limit)
            DropLastCharacter(back);
        SetWindowTextW(editor, back.c_str());
        edit.SetSel((int)back.size(), (int)back.size());
    }
    SetFocus(editor);
}

void CReportCtrl::State::Editor::BeginTyped(int iRow, int iColumn, const std::string& character) {
    if (character.empty()) return;
    m_typed = true;
    m_typedText = character;
    s.ctrl.BeginEdit(iRow, iColumn, (unsigned char)character[0]);
    m_typed = false;
    m_typedText.clear();
}

BOOL CReportCtrl::State::Editor::BeginEdit(int iRow, int iColumn, UINT nKey) {
    HWND hwnd = s.Hwnd();
    if (!hwnd || iRow < -1 || iColumn < 0 || iColumn >= s.model.GetActiveSubItemCount()) return FALSE;
    if (iRow == -1 && !(s.model.GetStyle() & RVS_ENTRYROW)) return FALSE;
    if (iRow >= s.model.GetRowCount()) return FALSE;
    bool typed = m_typed;
    std::string typedText = m_typedText;
    if (m_edit.hwnd) EndOpenEdit();
    int item = s.model.GetItemFromRow(iRow);
    int subItem = s.model.GetSubItemFromColumn(iColumn);
    char text[kTextBuffer] = "";
    _RVITEM cell = {};
    cell.nMask = RVIM_LABEL;
    cell.iItem = item;
    cell.iSubItem = subItem;
    cell.lpszText = text;
    cell.iTextMax = sizeof text;
    if (!s.model.GetItem(&cell) || (cell.nState & RVIS_NOEDIT)) return FALSE;
    bool hasText = (cell.nMask & RVIM_LABEL) != 0;
    if (iRow >= 0) s.ScrollToRow(iRow);
    s.ShowColumn(iColumn);
    s.Flush();
    zrpc::report::CellRects parts;
    if (!s.geo.Cell(iRow, iColumn, parts)) return FALSE;
    const RVRECT& rcCell = parts.cell;
    _NMRVITEMEDIT nm = {};
    nm.iItem = item;
    nm.iSubItem = subItem;
    nm.rect = rcCell;
    nm.nKey = nKey;
    nm.lpszText = hasText ? text : nullptr;
    nm.lParam = cell.lParam;
    if (s.model.Notify(&nm.hdr, RVN_BEGINITEMEDIT)) {
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

    RECT r = {parts.text.left, rcCell.top - 1, rcCell.right, rcCell.bottom + 1};
    int height = r.bottom - r.top;
    bool button = nm.bButton && (r.right - r.left) > height + kButtonMargin;
    int editRight = button ? r.right - height : r.right;
    HWND handle = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                                  editRight - r.left, height, hwnd, nullptr, zrpc::SelfModule(), nullptr);
    if (!handle) return FALSE;
    zwin::EditCtrl edit(handle);
    BuiltIn* ed = new BuiltIn;
    ed->editor = this;
    ed->control = hwnd;
    ed->edit = edit;
    edit.SetFont((cell.nState & RVIS_HEAVYFONT) ? s.bold : s.font, false);
    std::wstring wide = zrpc::WideFromAnsi(text);
    SetWindowTextW(handle, wide.c_str());
    edit.LimitText(kEditorLimit);
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ed));
    ed->editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BuiltIn::EditProc)));
    if (button) {
        ed->button =
            CreateWindowExA(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, editRight, r.top,
                            r.right - editRight, height, hwnd, nullptr, zrpc::SelfModule(), nullptr);
        if (ed->button) {
            zwin::ControlHandle(ed->button).SetFont(s.font, false);
            SetWindowLongPtrA(ed->button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ed));
            ed->buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                ed->button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BuiltIn::ButtonProc)));
        }
    }
    m_edit = EditState();
    m_edit.hwnd = handle;
    m_edit.builtIn = true;
    m_edit.item = item;
    m_edit.subItem = subItem;
    ShowWindow(handle, SW_SHOW);
    SetFocus(handle);

    int len = (int)wide.size();
    if (nKey == kMouseStart || nKey == VK_RETURN) {
        edit.SetSel(len, len);
    } else if (nKey == VK_BACK) {
        DropLastCharacter(wide);
        SetWindowTextW(handle, wide.c_str());
        edit.SetSel((int)wide.size(), (int)wide.size());
    } else if (SelectsWholeText(nKey, typed)) {
        edit.SelectAll();
    } else {
        // The character typed (all of its bytes), or the key as a byte of the code page.
        char key = (char)nKey;
        std::wstring start =
            typed ? zrpc::WideFromAnsi(typedText.data(), typedText.size()) : zrpc::WideFromAnsi(&key, 1);
        SetWindowTextW(handle, start.c_str());
        edit.SetSel((int)start.size(), (int)start.size());
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
}

void CReportCtrl::State::Editor::EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit) {
    if (!m_edit.hwnd || m_edit.ending) return;
    HWND hwnd = s.Hwnd();
    EditState was = m_edit;
    m_edit.ending = true;
    if (bUpdate && !(s.model.GetStyle() & RVS_VIRTUALDATA)) {
        char text[kTextBuffer] = "";
        if (pNMItemEdit && pNMItemEdit->lpszText)
            CopyBounded(text, sizeof text, pNMItemEdit->lpszText, sizeof text - 1);
        else if (IsWindowUnicode(was.hwnd))
            BuiltIn::TextOf(was.hwnd, text, sizeof text);
        else
            GetWindowTextA(was.hwnd, text, sizeof text);
        s.model.SetItemText(was.item, was.subItem, text);
    }
    m_edit = EditState();
    if (was.builtIn) {
        if (BuiltIn* ed = BuiltIn::Of(was.hwnd)) ed->done = true;
    }
    HWND focus = GetFocus();
    bool editorHadFocus = focus && (focus == was.hwnd || ::IsChild(was.hwnd, focus));
    if (IsWindow(was.hwnd)) ::DestroyWindow(was.hwnd);
    if (hwnd && IsWindow(hwnd)) {
        if (editorHadFocus) SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void CReportCtrl::State::Editor::EditorEnded(_NMRVITEMEDIT* nm) {
    _NMRVITEMEDIT copy = *nm;
    copy.iItem = m_edit.item;
    copy.iSubItem = m_edit.subItem;
    if (s.model.Notify(&copy.hdr, RVN_ENDITEMEDIT)) {
        s.ctrl.EndEdit(FALSE, nullptr);
        return;
    }
    _NMRVITEMEDIT mine = *nm; // the editor's own text, whatever the parent did with its copy
    s.ctrl.EndEdit(nm->nKey != 27, &mine);
}

void CReportCtrl::State::Editor::EndOpenEdit() {
    if (!m_edit.hwnd || m_edit.ending) return;
    if (m_edit.builtIn) {
        if (BuiltIn* ed = BuiltIn::Of(m_edit.hwnd)) {
            if (!ed->done) {
                ed->endKey = 0;
                ed->Finish();
            }
        }
        if (m_edit.hwnd) EndEdit(TRUE, nullptr); // the control did not close it in answer
        return;
    }
    s.ctrl.EndEdit(TRUE, nullptr);
}

// Ends an open edit without storing: its item goes, or the control does.
void CReportCtrl::State::Editor::CancelEdit() {
    if (!m_edit.hwnd) return;
    if (m_edit.builtIn) {
        if (BuiltIn* ed = BuiltIn::Of(m_edit.hwnd)) ed->done = true;
    }
    m_edit.ending = false;
    EndEdit(FALSE, nullptr);
}

void CReportCtrl::State::Editor::ItemRemoving(int iItem) {
    if (!m_edit.hwnd) return;
    if (iItem == -2 || iItem == m_edit.item)
        CancelEdit();
    else if (iItem >= 0 && iItem < m_edit.item)
        --m_edit.item;
}

void CReportCtrl::State::Editor::ItemInserted(int iItem) {
    if (m_edit.hwnd && m_edit.item >= 0 && iItem <= m_edit.item) ++m_edit.item;
}

void CReportCtrl::State::Editor::ItemCountSet(int nCount) {
    if (m_edit.hwnd && m_edit.item >= nCount) CancelEdit();
}

BOOL CReportCtrl::BeginEdit(int iRow, int iColumn, UINT nKey) {
    return zrpc::Guard(FALSE, [&] { return m_state->editor.BeginEdit(iRow, iColumn, nKey); });
}

void CReportCtrl::EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit) {
    zrpc::GuardVoid([&] { m_state->editor.EndEdit(bUpdate, pNMItemEdit); });
}

HWND CReportCtrl::GetEditWindow() {
    return m_state->editor.Window();
}
