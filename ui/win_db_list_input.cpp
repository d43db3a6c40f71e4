// The key-store list's input: a press anywhere in a cell with a check box toggles it, the space bar
// toggles the selected row's, a double click on the focused row's editable cell opens the editor;
// each toggle is told to the parent with the registered message.
#include "ui/win_db_list_state.h"

using zrpc::dblist::View;

bool CDBVortalListCtrl::State::Input::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    CDBVortalListCtrl& c = s.ctrl;
    HWND hwnd = s.Hwnd();
    switch (msg) {
    case WM_LBUTTONDOWN: {
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        // The first press of a double click focuses the row: the editor opens only on a row that had
        // the focus before.
        m_focusBeforeClick = View(hwnd).GetNextItem(-1, LVNI_FOCUSED);
        int column = 0;
        int row = c.RowCount() > 0 ? c.HitTestEx(p, &column) : -1;
        if (row < 0) return false;
        _tCDBVORTALLISTSCTRLDATA* cells = s.records.Of(row);
        if (!cells || !cells[0].enabled) {
            *result = 0; // a row without records or a disabled row swallows the press
            return true;
        }
        Toggle(row, column);
        return false;
    }
    case WM_KEYDOWN: {
        if (wp != VK_SPACE) return false;
        int row = c.GetCurSel();
        if (row < 0) return false;
        _tCDBVORTALLISTSCTRLDATA* cells = s.records.Of(row);
        if (!cells || !cells[0].enabled) {
            *result = 0;
            return true;
        }
        Toggle(row, 0);
        return false;
    }
    case WM_LBUTTONDBLCLK: {
        *result = c.Default();
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        int column = 0;
        int row = c.HitTestEx(p, &column);
        if (row < 0) return true;
        UINT state = View(hwnd).GetItemState(row, LVIS_FOCUSED);
        if ((state & LVIS_FOCUSED) && row == m_focusBeforeClick && c.IsColumnEdit(row, column)) {
            if (GetWindowLongA(hwnd, GWL_STYLE) & LVS_EDITLABELS) c.EditSubLabel(row, column);
            return true;
        }
        View(hwnd).SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return true;
    }
    default:
        return false;
    }
}

void CDBVortalListCtrl::State::Input::Toggle(int row, int column) {
    CDBVortalListCtrl& c = s.ctrl;
    HWND hwnd = s.Hwnd();
    _tCDBVORTALLISTSCTRLDATA* cells = s.records.Of(row);
    if (!cells || column >= Records::Count(cells)) return;
    if (cells[column].checkState == eCheckNone) return;
    if (cells[column].checkState == eCheckUnchecked && (c.m_flags & DBLIST_SINGLE_CHOICE)) c.ClearAllChecks();
    cells[column].checkState = cells[column].checkState == eCheckChecked ? eCheckUnchecked : eCheckChecked;
    c.UpdateSubItem(row, column);
    HWND parent = GetParent(hwnd);
    if (!parent) parent = GetWindow(hwnd, GW_OWNER);
    if (parent)
        SendMessageA(parent, CheckboxMessage(), static_cast<WPARAM>(row), static_cast<LPARAM>(column));
}
