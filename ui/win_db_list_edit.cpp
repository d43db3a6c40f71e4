// The key-store list's in-place editing: the editor over a note cell, and the end of an edit, written
// back to the cell and to the key store. The list view's own label editing is never used.
#include <new>
#include <string>

#include "base/guard.h"
#include "keystore/win_keystore.h"
#include "ui/win_db_list_state.h"
#include "winlayer/win_dpi.h"

using zrpc::dblist::View;

// The in-place editor of a cell: an edit control over the cell that reports its text to the list's
// parent when it loses the focus, then destroys itself.
class CSubItemEdit : public zwin::Window {
  public:
    CSubItemEdit(HWND list, int row, int column) : m_list(list), m_row(row), m_column(column) {}
    bool Start(const RECT& rect, DWORD align, const char* text) {
        RECT r = rect;
        if (!Create("EDIT", text, WS_BORDER | WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, 0, r, m_list,
                    static_cast<UINT>(m_column)))
            return false;
        zwin::EditCtrl edit(m_hwnd);
        edit.SetFont(zwin::ControlHandle(m_list).GetFont(), true);
        SetFocus(m_hwnd);
        edit.SelectAll();
        edit.ScrollCaret();
        return true;
    }

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM) override {
        switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | Default();
        case WM_KEYDOWN:
            if (wp == VK_RETURN || wp == VK_ESCAPE) {
                if (wp == VK_ESCAPE) m_cancel = true;
                SetFocus(m_list);
                return 0;
            }
            return Default();
        case WM_CHAR: {
            if (wp == VK_RETURN || wp == VK_ESCAPE) return 0; // no beep
            LRESULT result = Default();
            Widen();
            return result;
        }
        case WM_KILLFOCUS: {
            LRESULT result = Default();
            Finish();
            return result;
        }
        default:
            return Default();
        }
    }
    void PostNcDestroy() override { delete this; }

  private:
    std::string Text() const {
        int length = GetWindowTextLengthA(m_hwnd);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        GetWindowTextA(m_hwnd, &text[0], length + 1);
        text.resize(static_cast<size_t>(length));
        return text;
    }
    // Wider when the text and a margin no longer fit, up to the list's right edge.
    void Widen() {
        const std::string text = Text();
        HDC dc = GetDC(m_hwnd);
        HGDIOBJ old = SelectObject(dc, zwin::ControlHandle(m_hwnd).GetFont());
        SIZE size = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(m_hwnd, dc);
        RECT mine, list;
        GetWindowRect(m_hwnd, &mine);
        MapWindowPoints(nullptr, m_list, reinterpret_cast<POINT*>(&mine), 2);
        GetClientRect(m_list, &list);
        int want = size.cx + zrpc::ScaleForWindow(m_hwnd, 5);
        if (want > mine.right - mine.left) {
            int width = want;
            if (mine.left + width > list.right) width = list.right - mine.left;
            SetWindowPos(m_hwnd, nullptr, 0, 0, width, mine.bottom - mine.top, SWP_NOMOVE | SWP_NOZORDER);
        }
    }
    void Finish() {
        if (m_done) return;
        m_done = true;
        std::string text = Text();
        NMLVDISPINFOA info = {};
        info.hdr.hwndFrom = m_list;
        info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_list));
        info.hdr.code = LVN_ENDLABELEDITA;
        info.item.mask = LVIF_TEXT;
        info.item.iItem = m_row;
        info.item.iSubItem = m_column;
        info.item.pszText = m_cancel ? nullptr : &text[0];
        info.item.cchTextMax = static_cast<int>(text.size());
        HWND parent = GetParent(m_list);
        if (parent) SendMessageA(parent, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
        ::DestroyWindow(m_hwnd);
    }

    HWND m_list;
    int m_row;
    int m_column;
    bool m_cancel = false;
    bool m_done = false;
};

BOOL CDBVortalListCtrl::IsColumnEdit(int row, int column) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (column != 2 && !(column == 3 && (m_flags & DBLIST_COMMENTS) && (m_flags & DBLIST_EMAIL)))
            return FALSE;
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        return cells && cells[0].type == DBLIST_ROW_STORE ? TRUE : FALSE;
    });
}

CSubItemEdit* CDBVortalListCtrl::EditSubLabel(int row, int column) {
    return zrpc::Guard(static_cast<CSubItemEdit*>(nullptr), [&]() -> CSubItemEdit* {
        if (!m_hwnd) return nullptr;
        const zwin::ListViewCtrl view = View(m_hwnd);
        if (!view.EnsureVisible(row, true)) return nullptr;
        int columns = GetColumns();
        if (column < 0 || column >= columns) return nullptr;
        if (view.GetColumnWidth(column) < zrpc::ScaleForWindow(m_hwnd, 5)) return nullptr;
        RECT bounds = {};
        view.GetItemRect(row, &bounds, LVIR_BOUNDS);
        int offset = 0;
        for (int c = 0; c < column; ++c)
            offset += view.GetColumnWidth(c);
        RECT client;
        GetClientRect(m_hwnd, &client);
        if (offset + bounds.left < 0 || offset + bounds.left > client.right) {
            SIZE size = {offset + bounds.left, 0};
            view.Scroll(size.cx, 0);
            bounds.left -= size.cx;
        }
        const int justify = zrpc::dblist::ColumnJustify(m_hwnd, column);
        DWORD align = justify == LVCFMT_RIGHT ? ES_RIGHT : justify == LVCFMT_CENTER ? ES_CENTER : ES_LEFT;
        RECT r = bounds;
        r.left = bounds.left + offset;
        r.right = r.left + view.GetColumnWidth(column);
        if (r.right > client.right) r.right = client.right;
        // Column 0 leaves the small picture's room.
        if (column == 0 && view.GetImageList(LVSIL_SMALL)) r.left += zrpc::ScaleForWindow(m_hwnd, 16);
        char text[zrpc::dblist::kTextLimit + 1];
        zrpc::dblist::CellText(m_hwnd, row, column, text, sizeof text);
        CSubItemEdit* editor = new (std::nothrow) CSubItemEdit(m_hwnd, row, column);
        if (!editor) return nullptr;
        if (!editor->Start(r, align, text)) {
            delete editor;
            return nullptr;
        }
        return editor;
    });
}

bool CDBVortalListCtrl::State::Editor::OnNotify(NMHDR* header, LRESULT* result) {
    switch (header->code) {
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW:
        *result = TRUE; // the list view's own label editing is never used
        return true;
    case LVN_ENDLABELEDITA:
        zrpc::GuardVoid([&] { EndLabelEdit(reinterpret_cast<NMLVDISPINFOA*>(header)); });
        *result = 0;
        return true;
    default:
        return false;
    }
}

// The edited text goes into the cell, and for a row of the control's into the key store (comments or
// e-mail addresses, by the note column edited). A cancelled edit changes nothing.
void CDBVortalListCtrl::State::Editor::EndLabelEdit(const NMLVDISPINFOA* info) {
    if (!info->item.pszText) return;
    CDBVortalListCtrl& c = s.ctrl;
    int row = info->item.iItem, column = info->item.iSubItem;
    _tCDBVORTALLISTSCTRLDATA* cells = s.records.Of(row);
    std::string text = info->item.pszText;
    if (cells) {
        unsigned long rc = 0;
        bool both = (c.m_flags & DBLIST_COMMENTS) && (c.m_flags & DBLIST_EMAIL);
        bool email = (c.m_flags & DBLIST_EMAIL) && column == 2;
        bool comment = (c.m_flags & DBLIST_COMMENTS) && (both ? column == 3 : column == 2);
        if (email) rc = zks::SetNote(cells[0].serial, text.c_str(), "email");
        if (comment) rc = zks::SetNote(cells[0].serial, text.c_str(), "comment");
        // A text the key store refuses (longer than it keeps) leaves the cell as it was.
        if (rc != 0) return;
    }
    View(s.Hwnd()).SetItemText(row, column, text.c_str());
}
