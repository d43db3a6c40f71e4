// The report control's answers to keys and clicks (see report_input.h).
#include "reportctrl/model/report_input.h"

#include <algorithm>

namespace zrpc::report {

namespace {

bool TreeLook(const ReportModel& m) {
    return (m.GetStyle() & RVS_TREEMASK) != 0;
}

// A row of the list, or the edit row when the control shows one.
bool RowExists(ReportModel& m, int row) {
    return (row >= 0 && row < m.GetRowCount()) || (row == -1 && (m.GetStyle() & RVS_ENTRYROW));
}

bool ColumnTakesFocus(ReportModel& m, int column) {
    int sub = m.GetSubItemFromColumn(column);
    const SubItemDef* def = m.GetSubItemDef(sub);
    return def && !(def->format & RVCF_NOFOCUS);
}

// The next column from `from` in direction step (+1/-1) that may take the focus, or -1.
int NextFocusColumn(ReportModel& m, int from, int step) {
    int count = m.GetActiveSubItemCount();
    for (int c = from + step; c >= 0 && c < count; c += step)
        if (ColumnTakesFocus(m, c)) return c;
    return -1;
}

// Moves the row focus and the selection to `row` with the rules of the arrow keys.
void MoveTo(ReportModel& m, int row, bool shift, bool ctrl) {
    int column = -1;
    m.GetCurrentFocus(&column);
    if (ctrl && !shift) {
        if (!m.AdjustFocus(row, column)) m.AdjustFocus(row, -1);
        return;
    }
    if (shift) {
        int anchor = m.GetAnchor();
        if (anchor < -1 || anchor >= m.GetRowCount()) {
            anchor = row;
            m.SetAnchor(row);
        }
        m.SelectRows(row, anchor, true, false, false, true);
    } else {
        m.SelectRows(row, row, true, false, false, true);
        m.SetAnchor(row);
    }
}

// Left and Right in tree mode on the focused node; false when the key falls through.
bool TreeKey(ReportModel& m, int row, bool right, KeyAction& act) {
    if (row < 0) return false;
    int item = m.GetItemFromRow(row);
    _TREEITEM* h = m.GetItemHandle(item);
    if (!h) return false;
    bool children = m.HasChildren(h);
    _RVITEM it{};
    it.iItem = item;
    it.iSubItem = -1;
    m.GetItem(&it);
    bool expanded = (it.nState & RVIS_EXPANDED) != 0;
    if (right) {
        if (!children) return false;
        if (!expanded) {
            m.Expand(h, 1);
            act.showRow = m.GetRowFromItem(item);
            return true;
        }
        int child = m.GetItemIndex(m.GetNextItem(h, 4));
        int childRow = m.GetRowFromItem(child);
        if (childRow >= 0) {
            m.SelectRows(childRow, childRow, true, false, false, true);
            m.SetAnchor(childRow);
            act.showRow = childRow;
        }
        return true;
    }
    if (children && expanded) {
        m.Expand(h, 0);
        act.showRow = m.GetRowFromItem(item);
        return true;
    }
    _TREEITEM* parent = m.GetNextItem(h, 3);
    if (parent) {
        int parentRow = m.GetRowFromItem(m.GetItemIndex(parent));
        if (parentRow >= 0) {
            m.SelectRows(parentRow, parentRow, true, false, false, true);
            m.SetAnchor(parentRow);
            act.showRow = parentRow;
        }
        return true;
    }
    if (m.GetStyle() & RVS_ENTRYROW) {
        m.SelectRows(-1, -1, true, false, false, true);
        m.SetAnchor(-1);
    }
    return true;
}

} // namespace

KeyAction KeyDown(ReportModel& m, unsigned key, bool shift, bool ctrl, const PageView& view) {
    KeyAction act;
    int column = -1;
    int focus = m.GetCurrentFocus(&column);
    int rows = m.GetRowCount();
    int first = (m.GetStyle() & RVS_ENTRYROW) ? -1 : 0;
    int visible = std::max(1, view.visible);
    int lastVisible = std::min(rows - 1, view.top + visible - 1);
    int target = -3;
    switch (key) {
    case kKeySpace:
        act.handled = true;
        if (focus >= first) { // not the edit-row position without an edit row (tree changes leave it)
            m.SelectRows(focus, focus, true, true, ctrl, true);
            m.SetAnchor(focus);
        }
        return act;
    case kKeyUp:
        act.handled = true;
        if (focus == -2)
            target = rows > 0 ? 0 : first;
        else
            target = std::max(first, std::min(focus - 1, rows - 1));
        break;
    case kKeyDown:
        act.handled = true;
        if (rows == 0) return act;
        target = focus < 0 ? 0 : std::min(rows - 1, focus + 1);
        break;
    case kKeyPageUp:
        act.handled = true;
        if (rows == 0) return act;
        if (focus != view.top || focus < 0)
            target = std::min(std::max(view.top, 0), rows - 1);
        else
            target = std::max(0, focus - visible);
        break;
    case kKeyPageDown:
        act.handled = true;
        if (rows == 0) return act;
        if (focus != lastVisible || focus < 0)
            target = std::max(lastVisible, 0);
        else
            target = std::min(rows - 1, focus + visible);
        break;
    case kKeyHome:
        act.handled = true;
        if (rows == 0) return act;
        target = 0;
        break;
    case kKeyEnd:
        act.handled = true;
        if (rows == 0) return act;
        target = rows - 1;
        break;
    case kKeyLeft:
    case kKeyRight: {
        act.handled = true;
        bool right = key == kKeyRight;
        if (TreeLook(m) && column == -1 && TreeKey(m, focus, right, act)) return act;
        if (m.GetStyle() & RVS_CELLFOCUS) {
            if (focus < -1) return act;
            int next = NextFocusColumn(m, column, right ? 1 : -1);
            if (next >= 0) {
                m.AdjustFocus(focus, next);
                act.showColumn = next;
            }
            return act;
        }
        act.hscroll = right ? 1 : -1;
        return act;
    }
    default:
        return act;
    }
    if (target < -1 || target >= rows) return act;
    MoveTo(m, target, shift, ctrl);
    act.showRow = target;
    return act;
}

int ClickColumn(ReportModel& m, int row, int hitColumn) {
    if (hitColumn < 0) return -1;
    if (!(m.GetStyle() & RVS_CELLFOCUS) && row != -1) return -1;
    return ColumnTakesFocus(m, hitColumn) ? hitColumn : -1;
}

ClickAction Click(ReportModel& m, int row, int hitColumn, bool shift, bool ctrl) {
    ClickAction act;
    if (!RowExists(m, row)) return act;
    int oldColumn = -1;
    int oldRow = m.GetCurrentFocus(&oldColumn);
    int column = ClickColumn(m, row, hitColumn);
    int anchor = m.GetAnchor();
    if (anchor < -1 || anchor >= m.GetRowCount()) anchor = row;
    if (shift && !ctrl) {
        m.SelectRows(row, anchor, true, false, false, true);
    } else if (ctrl && !shift) {
        m.SelectRows(row, row, true, true, true, true);
        m.SetAnchor(row);
    } else if (ctrl && shift) {
        m.SelectRows(row, anchor, true, true, false, true);
        m.SetAnchor(row);
    } else {
        m.SelectRows(row, row, true, false, false, true);
        m.SetAnchor(row);
    }
    if (!m.AdjustFocus(row, column)) m.AdjustFocus(row, -1);
    if (!shift && !ctrl && column >= 0 && oldRow == row && oldColumn == column &&
        (row == -1 || (m.GetStyle() & RVS_CELLFOCUS))) {
        act.edit = true;
        act.row = row;
        act.column = column;
    }
    return act;
}

void RightClick(ReportModel& m, int row, bool shift, bool ctrl) {
    if (shift || ctrl || !RowExists(m, row)) return;
    m.SelectRows(row, row, true, false, false, true);
    m.SetAnchor(row);
}

bool TypingStartsEdit(ReportModel& m, bool ctrl, int* row, int* column) {
    int c = -1;
    int r = m.GetCurrentFocus(&c);
    if (ctrl || c < 0 || r < -1) return false;
    if (!(m.GetStyle() & RVS_CELLFOCUS) && r != -1) return false;
    if (row) *row = r;
    if (column) *column = c;
    return true;
}

} // namespace zrpc::report
