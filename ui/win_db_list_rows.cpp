// The key-store list's rows and cells: the records the control keeps for the rows it inserted, and
// the row and cell operations over them.
#include <cstdio>
#include <cstring>
#include <new>

#include "base/guard.h"
#include "ui/win_db_list_state.h"

using zrpc::dblist::View;

namespace {

// An array of records: the count of cells and the colours the control gave them, in front of the
// cells the row's item data points to (so that a column added after the row was inserted is never
// looked up past the array's end, and a colour the caller gave can be told from the control's).
struct RowBlock {
    int count;
    COLORREF baseText;
    COLORREF baseBack;
    _tCDBVORTALLISTSCTRLDATA cells[1];
};

RowBlock* BlockOf(const _tCDBVORTALLISTSCTRLDATA* cells) {
    return reinterpret_cast<RowBlock*>(
        const_cast<char*>(reinterpret_cast<const char*>(cells) - offsetof(RowBlock, cells)));
}

} // namespace

// ---------------------------------------------------------------- records

_tCDBVORTALLISTSCTRLDATA* CDBVortalListCtrl::State::Records::Make(int count, COLORREF text, COLORREF back) {
    if (count < 1) count = 1;
    size_t bytes = offsetof(RowBlock, cells) + sizeof(_tCDBVORTALLISTSCTRLDATA) * static_cast<size_t>(count);
    RowBlock* block = static_cast<RowBlock*>(::operator new(bytes, std::nothrow));
    if (!block) return nullptr;
    block->count = count;
    block->baseText = text;
    block->baseBack = back;
    for (int i = 0; i < count; ++i) {
        _tCDBVORTALLISTSCTRLDATA& c = block->cells[i];
        c.enabled = TRUE;
        c.textColour = text;
        c.backColour = back;
        c.checkState = eCheckNone;
        c.image = -1;
        c.type = DBLIST_ROW_CALLER;
        c.serial = 0;
    }
    try {
        m_blocks.insert(block->cells);
    } catch (...) {
        ::operator delete(block);
        return nullptr;
    }
    return block->cells;
}

void CDBVortalListCtrl::State::Records::Free(_tCDBVORTALLISTSCTRLDATA* cells) {
    if (!cells || !m_blocks.erase(cells)) return;
    ::operator delete(BlockOf(cells));
}

bool CDBVortalListCtrl::State::Records::Owns(LPARAM data) const {
    return data && m_blocks.count(reinterpret_cast<const void*>(data)) != 0;
}

_tCDBVORTALLISTSCTRLDATA* CDBVortalListCtrl::State::Records::Of(int row) const {
    HWND hwnd = s.Hwnd();
    if (!hwnd || row < 0 || row >= View(hwnd).GetItemCount()) return nullptr;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!View(hwnd).GetItem(&item) || !Owns(item.lParam)) return nullptr;
    return reinterpret_cast<_tCDBVORTALLISTSCTRLDATA*>(item.lParam);
}

int CDBVortalListCtrl::State::Records::Count(const _tCDBVORTALLISTSCTRLDATA* cells) {
    return cells ? BlockOf(cells)->count : 0;
}

bool CDBVortalListCtrl::State::Records::CallerText(const _tCDBVORTALLISTSCTRLDATA* cells, int column) {
    return cells && column >= 0 && column < Count(cells) &&
           cells[column].textColour != BlockOf(cells)->baseText;
}

bool CDBVortalListCtrl::State::Records::CallerBack(const _tCDBVORTALLISTSCTRLDATA* cells, int column) {
    return cells && column >= 0 && column < Count(cells) &&
           cells[column].backColour != BlockOf(cells)->baseBack;
}

// One insertion with the records attached (a list view tells its parent of every change, so one
// insertion, not an insertion and a change).
int CDBVortalListCtrl::State::Records::InsertRow(int index, const char* text, int columns,
                                                 COLORREF textColour, COLORREF backColour,
                                                 _tCDBVORTALLISTSCTRLDATA** cells) {
    const COLORREF* colours = s.ctrl.m_colours;
    *cells = Make(columns, colours[zrpc::dblist::kWindowText], colours[zrpc::dblist::kWindow]);
    if (!*cells) return -1;
    (*cells)[0].textColour = textColour;
    (*cells)[0].backColour = backColour;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.lParam = reinterpret_cast<LPARAM>(*cells);
    int row = View(s.Hwnd()).InsertItem(item);
    if (row < 0) {
        Free(*cells);
        *cells = nullptr;
    }
    return row;
}

void CDBVortalListCtrl::State::Records::DetachAll() {
    if (HWND hwnd = s.Hwnd()) {
        int n = View(hwnd).GetItemCount();
        for (int row = 0; row < n; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Of(row);
            if (!cells) continue;
            LVITEMA item = {};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            View(hwnd).SetItem(item);
            Free(cells);
        }
    }
    FreeAll();
}

void CDBVortalListCtrl::State::Records::FreeAll() {
    for (const void* cells : m_blocks)
        ::operator delete(BlockOf(static_cast<const _tCDBVORTALLISTSCTRLDATA*>(cells)));
    m_blocks.clear();
}

// ---------------------------------------------------------------- rows and cells

int CDBVortalListCtrl::GetColumns() {
    return zrpc::Guard(0, [&] { return View(m_hwnd).GetHeader().GetItemCount(); });
}

int CDBVortalListCtrl::InsertItem(int index, const char* text) {
    return InsertItem(index, text, m_colours[zrpc::dblist::kWindowText], m_colours[zrpc::dblist::kWindow]);
}

int CDBVortalListCtrl::InsertItem(int index, const char* text, unsigned long textColour,
                                  unsigned long backColour) {
    return zrpc::Guard(-1, [&]() -> int {
        if (index < 0 || !m_hwnd) return -1;
        _tCDBVORTALLISTSCTRLDATA* cells = nullptr;
        return m_state->records.InsertRow(index, text, GetColumns(), textColour, backColour, &cells);
    });
}

int CDBVortalListCtrl::InsertItem(const LVITEMA* item) {
    return zrpc::Guard(-1, [&]() -> int {
        if (!item || item->iItem < 0 || !m_hwnd) return -1;
        using zrpc::dblist::kWindow;
        using zrpc::dblist::kWindowText;
        _tCDBVORTALLISTSCTRLDATA* cells =
            m_state->records.Make(GetColumns(), m_colours[kWindowText], m_colours[kWindow]);
        if (!cells) return -1;
        cells[0].image = item->iImage;
        LVITEMA copy = *item;
        copy.mask |= LVIF_PARAM; // the caller's data value is replaced by the row's records
        copy.lParam = reinterpret_cast<LPARAM>(cells);
        int row = View(m_hwnd).InsertItem(copy);
        if (row < 0) m_state->records.Free(cells);
        return row;
    });
}

BOOL CDBVortalListCtrl::DeleteItem(int row) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_hwnd || row < 0 || row >= RowCount()) return FALSE;
        // The control's records go; a row of the caller's keeps its item data for the caller's own
        // handling of the deletion.
        if (_tCDBVORTALLISTSCTRLDATA* cells = Records(row)) {
            LVITEMA data = {};
            data.mask = LVIF_PARAM;
            data.iItem = row;
            View(m_hwnd).SetItem(data);
            m_state->records.Free(cells);
        }
        return View(m_hwnd).DeleteItem(row) ? TRUE : FALSE;
    });
}

BOOL CDBVortalListCtrl::SetCheckbox(int row, int column, eCheckState state) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || column < 0 || column >= GetColumns() || column >= State::Records::Count(cells))
            return FALSE;
        cells[column].checkState = state;
        UpdateSubItem(row, column);
        return TRUE;
    });
}

int CDBVortalListCtrl::GetCheckbox(int row, int column) {
    return zrpc::Guard(-1, [&]() -> int {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || column < 0 || column >= GetColumns() || column >= State::Records::Count(cells))
            return -1;
        return cells[column].checkState;
    });
}

BOOL CDBVortalListCtrl::GetEnabled(int row) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        return cells ? cells[0].enabled : FALSE;
    });
}

BOOL CDBVortalListCtrl::SetEnabled(int row, BOOL enabled) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells) return FALSE;
        cells[0].enabled = enabled;
        RECT bounds = {};
        if (View(m_hwnd).GetItemRect(row, &bounds, LVIR_BOUNDS)) {
            InvalidateRect(m_hwnd, &bounds, TRUE);
            UpdateWindow(m_hwnd);
        }
        return TRUE;
    });
}

void CDBVortalListCtrl::ClearAllChecks() {
    zrpc::GuardVoid([&] {
        int n = RowCount();
        for (int row = 0; row < n; ++row)
            if (_tCDBVORTALLISTSCTRLDATA* cells = Records(row)) {
                cells[0].checkState = eCheckUnchecked;
                UpdateSubItem(row, 0);
            }
    });
}

int CDBVortalListCtrl::GetCurSel() {
    return m_hwnd ? View(m_hwnd).GetNextItem(-1, LVNI_SELECTED) : -1;
}

void CDBVortalListCtrl::UpdateSubItem(int row, int column) {
    zrpc::GuardVoid([&] {
        if (row < 0 || row >= RowCount() || column < 0 || column >= GetColumns()) return;
        RECT r;
        if (!GetSubItemRect(row, column, LVIR_BOUNDS, r)) return;
        InvalidateRect(m_hwnd, &r, TRUE);
        UpdateWindow(m_hwnd);
    });
}

BOOL CDBVortalListCtrl::GetSubItemRect(int row, int column, int area, RECT& rect) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_hwnd) return FALSE;
        const zwin::ListViewCtrl view = View(m_hwnd);
        if (!view.GetSubItemRect(row, column, area, &rect)) return FALSE;
        if (column == 0 && GetColumns() >= 2) {
            RECT next = {};
            if (view.GetSubItemRect(row, 1, LVIR_BOUNDS, &next)) rect.right = next.left;
        }
        return TRUE;
    });
}

int CDBVortalListCtrl::HitTestEx(POINT& point, int* column) {
    return zrpc::Guard(-1, [&]() -> int {
        if (!m_hwnd) return -1;
        LVHITTESTINFO hit = {};
        hit.pt = point;
        const zwin::ListViewCtrl view = View(m_hwnd);
        int row = view.HitTest(&hit);
        if (column) *column = 0;
        if ((GetWindowLongA(m_hwnd, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) return row;
        const zwin::HeaderCtrl header = view.GetHeader();
        if (!header) return -1;
        int columns = header.GetItemCount();
        int top = view.GetTopIndex();
        int bottom = top + view.GetCountPerPage();
        int count = RowCount();
        if (bottom > count) bottom = count;
        for (row = top; row <= bottom && row < count; ++row) {
            RECT bounds = {};
            if (!view.GetItemRect(row, &bounds, LVIR_BOUNDS)) continue;
            if (!PtInRect(&bounds, point)) continue;
            int left = bounds.left;
            for (int c = 0; c < columns; ++c) {
                int width = view.GetColumnWidth(c);
                if (point.x >= left && point.x <= left + width) {
                    if (column) *column = c;
                    return row;
                }
                left += width;
            }
        }
        return -1;
    });
}

void CDBVortalListCtrl::DumpItems() {
    zrpc::GuardVoid([&] {
        int n = RowCount();
        for (int row = 0; row < n; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
            if (!cells) continue;
            char name[zrpc::dblist::kTextLimit + 1];
            zrpc::dblist::CellText(m_hwnd, row, 0, name, sizeof name);
            char line[400];
            std::snprintf(line, sizeof line, "Name : %s Enabled %d State %d Type %lu\n", name,
                          cells[0].enabled, static_cast<int>(cells[0].checkState), cells[0].type);
            OutputDebugStringA(line);
        }
    });
}
