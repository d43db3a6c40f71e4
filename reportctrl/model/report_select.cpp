// Sorting, selection and focus, search, the copy text and the consistency check of the model.
#include "reportctrl/model/report_model.h"

#include <algorithm>
#include <cstring>

namespace zrpc::report {

namespace {

int Sign(long long a, long long b) {
    return (a > b) - (a < b);
}

int CompareTexts(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (r) return r < 0 ? -1 : 1;
    return Sign((long long)a.size(), (long long)b.size());
}

} // namespace

// ---------------------------------------------------------------- sorting

SortKey MakeSortKey(const CellValue& c, int item) {
    SortKey e{0, c.text.data(), (uint32_t)c.text.size(), c.check, c.image, item, c.hasText};
    for (size_t k = 0; k < 8; ++k)
        e.prefix = (e.prefix << 8) | (k < c.text.size() ? (uint8_t)c.text[k] : 0u);
    return e;
}

int CompareSortKeys(const SortKey& a, const SortKey& b) {
    if (a.hasText || b.hasText) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
        return CompareTexts(std::string_view(a.text, a.length), std::string_view(b.text, b.length));
    }
    if (a.check >= 0 || b.check >= 0) return Sign(a.check, b.check);
    return Sign(a.image, b.image);
}

int ReportModel::DefaultCompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2) {
    if (m_sortProc) return m_sortProc(iItem1, iSubItem1, iItem2, iSubItem2, m_sortParam);
    CellValue a, b;
    std::string keep;
    if (Virtual()) {
        ReadCell(iItem1, iSubItem1, a, nullptr);
        keep = std::string(a.text); // the second read may reuse the cache slot
        a.text = keep;
        ReadCell(iItem2, iSubItem2, b, nullptr);
    } else {
        Item* x = ItemPtr(iItem1);
        Item* y = ItemPtr(iItem2);
        if (x) a = x->cells.Get(iSubItem1);
        if (y) b = y->cells.Get(iSubItem2);
    }
    if (a.hasText || b.hasText) return CompareTexts(a.text, b.text);
    if (a.check >= 0 || b.check >= 0) return Sign(a.check, b.check);
    return Sign(a.image, b.image);
}

int ReportModel::CompareItemRecords(const _RVITEM* pItem1, const _RVITEM* pItem2) {
    auto text = [](const _RVITEM* p) {
        return (p->nMask & RVIM_LABEL) && p->lpszText ? std::string_view(p->lpszText) : std::string_view();
    };
    std::string_view a = text(pItem1), b = text(pItem2);
    if (a.empty() && b.empty()) {
        if ((pItem1->nMask | pItem2->nMask) & RVIM_CHECKMARK) return Sign(pItem1->iCheck, pItem2->iCheck);
        return Sign(pItem1->iImage, pItem2->iImage);
    }
    return CompareTexts(a, b);
}

void ReportModel::SetSortCallback(RVCOMPAREPROC pfnCompare, RV_LPARAM lParamSort) {
    m_sortProc = pfnCompare;
    m_sortParam = lParamSort;
}

namespace {

// Quicksort with the middle element as pivot. The smaller part is sorted by recursion and the larger one
// by the loop, so the depth stays logarithmic; the inner scans stay inside the range even when a
// comparison callback contradicts itself.
template <class T, class Cmp> void QuickSortRange(std::vector<T>& v, int lo, int hi, bool asc, Cmp& cmp) {
    while (lo < hi) {
        const T pivot = v[(size_t)(lo + (hi - lo) / 2)];
        int i = lo, j = hi;
        while (i <= j) {
            while (i < hi) {
                int r = cmp(v[(size_t)i], pivot);
                if (asc ? r < 0 : r > 0)
                    ++i;
                else
                    break;
            }
            while (j > lo) {
                int r = cmp(v[(size_t)j], pivot);
                if (asc ? r > 0 : r < 0)
                    --j;
                else
                    break;
            }
            if (i <= j) {
                if (i != j) std::swap(v[(size_t)i], v[(size_t)j]);
                ++i;
                --j;
            }
        }
        if (j - lo < hi - i) {
            if (lo < j) QuickSortRange(v, lo, j, asc, cmp);
            lo = i;
        } else {
            if (i < hi) QuickSortRange(v, i, hi, asc, cmp);
            hi = j;
        }
    }
}

} // namespace

void ReportModel::QuickSortRows(int iSubItem, int lo, int hi, bool bAscending) {
    std::vector<int>& rows = m_rows.Reorder();
    if (!m_sortProc && !m_host->CustomCompare() && !Virtual()) {
        // The built-in comparison: sort the keys, the same steps give the same rows.
        std::vector<SortKey> keys;
        keys.reserve((size_t)(hi - lo + 1));
        for (int r = lo; r <= hi; ++r) {
            int item = rows[(size_t)r];
            keys.push_back(MakeSortKey(m_items[(size_t)item].cells.Get(iSubItem), item));
        }
        auto cmp = [](const SortKey& a, const SortKey& b) { return CompareSortKeys(a, b); };
        QuickSortRange(keys, 0, (int)keys.size() - 1, bAscending, cmp);
        for (int r = lo; r <= hi; ++r)
            rows[(size_t)r] = keys[(size_t)(r - lo)].item;
        return;
    }
    auto cmp = [&](int a, int b) { return m_host->CompareItems(*this, a, iSubItem, b, iSubItem); };
    QuickSortRange(rows, lo, hi, bAscending, cmp);
    m_rows.Reorder(); // a comparison that looked rows up has rebuilt the map from half-sorted rows
}

void ReportModel::DefaultQuickSort(int iSubItem, int lo, int hi, bool bAscending) {
    if (Virtual() || TreeMode()) return;
    EnsureRows();
    lo = std::max(lo, 0);
    hi = std::min(hi, m_rows.Count() - 1);
    if (lo >= hi) return;
    QuickSortRows(iSubItem, lo, hi, bAscending); // the focus stays on its item
    m_host->RepaintRows(lo, hi);
}

bool ReportModel::SortItems(int iSubItem, bool bAscending) {
    if (Virtual() || !IsActiveSubItem(iSubItem)) return false;
    EnsureRows();
    m_sortSubItem = iSubItem;
    m_sortAscending = bAscending;
    if (TreeMode()) {
        MarkTreeRowsStale();
        m_host->TreeSort(*this, iSubItem, TVI_ROOT, bAscending, true);
        EnsureRows();
    } else {
        if (m_rows.Count() == 0) return false;
        m_host->QuickSort(*this, iSubItem, 0, m_rows.Count() - 1, bAscending);
        m_host->ShowRow(m_rows.RowOf(m_focusItem)); // the focus stayed on its item
    }
    m_host->RepaintRows(-2, -2);
    return true;
}

bool ReportModel::ResortItems() {
    if (m_sortSubItem < 0) return false;
    return SortItems(m_sortSubItem, m_sortAscending);
}

bool ReportModel::GetSortSettings(int* piSubItem, int* pbAscending) const {
    if (pbAscending) *pbAscending = m_sortAscending ? 1 : 0;
    if (piSubItem) *piSubItem = m_sortSubItem;
    return m_sortSubItem >= 0;
}

// ---------------------------------------------------------------- focus and selection

void ReportModel::SetFocusItem(int iItem) {
    int old = m_focusItem;
    m_focusItem = iItem;
    if (old == iItem) return;
    if (!Virtual()) {
        if (Item* it = ItemPtr(old)) it->state &= ~RVIS_HASFOCUS;
        if (Item* it = ItemPtr(iItem)) it->state |= RVIS_HASFOCUS;
    }
    if (old >= -1) {
        int row = m_rows.RowOf(old);
        if (row != -2) m_host->RepaintRows(row, row);
    }
}

void ReportModel::SelectItemBit(int iItem, bool on) {
    if (on)
        m_sel.insert(iItem);
    else
        m_sel.erase(iItem);
    if (!Virtual()) {
        Item* it = ItemPtr(iItem);
        if (it) it->state = on ? (it->state | RVIS_CHOSEN) : (it->state & ~RVIS_CHOSEN);
    }
}

// One item's selection bit: set, cleared or inverted; asks and tells the parent with bNotify.
bool ReportModel::ChangeSelection(int iItem, bool bSelect, bool bInvert, bool bNotify) {
    bool was = m_sel.count(iItem) != 0;
    bool now = bInvert ? !was : bSelect;
    if (now == was) return false;
    if (bNotify) {
        Item* it = Virtual() ? nullptr : ItemPtr(iItem);
        uint32_t state = it ? it->state : 0;
        state = now ? (state | RVIS_CHOSEN) : (state & ~RVIS_CHOSEN);
        if (NotifyRecord(RVN_SELCHANGING, iItem, -1, it, state) != 0) return false;
        SelectItemBit(iItem, now);
        NotifyRecord(RVN_SELCHANGED, iItem, -1, it, state);
        return true;
    }
    SelectItemBit(iItem, now);
    return true;
}

void ReportModel::DefaultSelectRows(int iFirst, int iLast, bool bSelect, bool bKeepSelection, bool bInvert,
                                    bool bNotify) {
    EnsureRows();
    int rows = GetRowCount();
    if (iFirst < -1 || iFirst >= rows) return;
    iLast = std::max(-1, std::min(iLast, rows - 1)); // a range reaches no further than the rows
    if (m_style & RVS_ONESELECTION) {
        iLast = iFirst;
        bKeepSelection = false;
    }
    SetFocusItem(m_rows.ItemAt(iFirst));
    int lo = std::min(iFirst, iLast), hi = std::max(iFirst, iLast);
    if (!bSelect) return;
    for (int r = lo; r <= hi; ++r)
        ChangeSelection(GetItemFromRow(r), true, bInvert, bNotify);
    m_host->RepaintRows(lo, hi);
    if (bKeepSelection) return;
    std::vector<int> outside;
    for (int s : m_sel) {
        int r = GetRowFromItem(s);
        if (r < lo || r > hi) outside.push_back(s);
    }
    for (int s : outside) {
        ChangeSelection(s, false, false, bNotify);
        int r = GetRowFromItem(s);
        if (r != -2) m_host->RepaintRows(r, r);
    }
}

int ReportModel::GetFirstSelectedItem() const {
    return m_sel.empty() ? -2 : *m_sel.begin();
}

int ReportModel::GetNextSelectedItem(int iItem) const {
    auto it = m_sel.upper_bound(iItem);
    return it == m_sel.end() ? -2 : *it;
}

int ReportModel::GetSelectedItems(int* piItems, int nMax) const {
    if (piItems) {
        int k = 0;
        for (auto it = m_sel.begin(); it != m_sel.end() && k < nMax; ++it)
            piItems[k++] = *it;
    }
    return (int)m_sel.size();
}

bool ReportModel::SetSelection(int iItem, bool bKeepSelection) {
    if (iItem < -1 || iItem >= ItemCount()) return false;
    int row = GetRowFromItem(iItem);
    if (row == -2) return false;
    SelectRows(row, row, true, bKeepSelection, false, false);
    return true;
}

void ReportModel::SetSelection(const int* piItems, int nCount, bool bKeepSelection) {
    if (!piItems) return;
    for (int i = 0; i < nCount; ++i)
        SetSelection(piItems[i], i == 0 ? bKeepSelection : true);
}

void ReportModel::SetSelection(int iSubItem, const char* pattern, bool bKeepSelection) {
    if (!pattern || iSubItem < 0 || iSubItem >= (int)m_defs.size()) return;
    if (!bKeepSelection) ClearSelection();
    // The pattern is folded once; each row's text as it is read.
    std::vector<uint32_t> folded, text;
    m_text->Fold(pattern, folded);
    int rows = GetRowCount();
    for (int r = 0; r < rows; ++r) {
        m_text->Fold(GetItemText(GetItemFromRow(r), iSubItem), text);
        if (FoldedMatch(text, folded)) SelectRows(r, r, true, true, false, false);
    }
}

void ReportModel::SetSelectionLessEq(int iSubItem, int nValue, bool bKeepSelection) {
    if (iSubItem < -1 || iSubItem >= (int)m_defs.size()) return;
    if (!bKeepSelection) ClearSelection();
    int rows = GetRowCount();
    for (int r = 0; r < rows; ++r)
        if ((intptr_t)GetItemData(GetItemFromRow(r)) <= (intptr_t)nValue)
            SelectRows(r, r, true, true, false, false);
}

void ReportModel::ClearSelection() {
    std::vector<int> all(m_sel.begin(), m_sel.end());
    for (int s : all) {
        SelectItemBit(s, false);
        int r = GetRowFromItem(s);
        if (r != -2) m_host->RepaintRows(r, r);
    }
}

void ReportModel::InvertSelection() {
    int rows = GetRowCount();
    if (rows == 0) return;
    int focus = m_focusItem;
    SelectRows(0, rows - 1, true, true, true, false);
    SetFocusItem(focus);
}

void ReportModel::SelectAll() {
    if (GetRowCount() == 0) return;
    ClearSelection();
    InvertSelection();
}

int ReportModel::GetCurrentFocus(int* piColumn) {
    EnsureRows();
    if (piColumn) *piColumn = m_focusColumn;
    return m_rows.RowOf(m_focusItem);
}

int ReportModel::GetFocusedItem(int* piColumn) const {
    if (piColumn) *piColumn = m_focusColumn;
    return m_focusItem;
}

int ReportModel::GetAnchor() {
    return GetRowFromItem(m_anchorItem);
}

void ReportModel::SetAnchor(int iRow) {
    m_anchorItem = GetItemFromRow(iRow);
}

int ReportModel::SetCurrentFocus(int iItem, int iSubItem) {
    if (iItem < -1 || iItem >= ItemCount()) return -3;
    if (iItem == -1 && !(m_style & RVS_ENTRYROW)) return -3;
    int row = GetRowFromItem(iItem);
    if (row == -2) return -3;
    int column = -1;
    if (iSubItem >= 0) {
        column = GetColumnFromSubItem(iSubItem);
        if (column < 0) return -3;
    }
    return AdjustFocus(row, column) ? row : -3;
}

bool ReportModel::AdjustFocus(int iRow, int iColumn) {
    int rows = GetRowCount();
    if (iRow < -2 || iRow >= rows || iColumn < -1 || iColumn >= (int)m_columns.size()) return false;
    if (iColumn >= 0 && (m_defs[(size_t)m_columns[(size_t)iColumn]].format & RVCF_NOFOCUS)) return false;
    int old = m_rows.RowOf(m_focusItem);
    SetFocusItem(m_rows.ItemAt(iRow));
    m_focusColumn = iColumn;
    if (old >= -1) m_host->RepaintRows(old, old);
    if (iRow >= -1) m_host->RepaintRows(iRow, iRow);
    return true;
}

// ---------------------------------------------------------------- search

int ReportModel::FindItem(const _RVFINDINFO* pFindInfo, int iSubItem, int iStart) {
    if (Virtual() || !pFindInfo || iSubItem < -1 || iSubItem >= (int)m_defs.size()) return -2;
    const uint32_t f = pFindInfo->nFlags;
    const bool wrap = (f & RVFI_WRAPAROUND) != 0;
    const long long step = (f & RVFI_BACKWARD) ? -1 : 1;
    const long long count = (long long)m_items.size();
    std::string_view wanted =
        pFindInfo->lpszText ? std::string_view(pFindInfo->lpszText) : std::string_view();
    long long pos = (long long)iStart + step;
    // One pass over every position (the edit row and each item) at most.
    for (long long tested = 0; tested <= count; ++tested) {
        if (pos >= count) {
            if (!wrap) return -2;
            pos = -1;
        } else if (pos < -1) {
            if (!wrap) return -2;
            pos = count - 1;
        }
        if (tested > 0 && pos == iStart) return -2;
        Item* it = ItemPtr((int)pos);
        CellValue c = (it && iSubItem >= 0) ? it->cells.Get(iSubItem) : CellValue();
        bool ok = it != nullptr;
        if (ok && (f & RVFI_LABEL)) {
            std::string_view t = c.text.substr(0, 255);
            if (!c.hasText)
                ok = false;
            else if (f & RVFI_PREFIX)
                ok = t.size() >= wanted.size() && t.substr(0, wanted.size()) == wanted;
            else
                ok = t == wanted;
        }
        if (ok && (f & RVFI_PICTURE)) ok = c.image >= 0 && c.image == pFindInfo->iImage;
        if (ok && (f & RVFI_CHECKMARK)) ok = c.check >= 0 && c.check == pFindInfo->iCheck;
        if (ok && (f & RVFI_USERDATA)) ok = it->lParam == pFindInfo->lParam;
        if (ok) return (int)pos;
        pos += step;
    }
    return -2;
}

// ---------------------------------------------------------------- copy text

std::vector<int> ReportModel::SelectedInRowOrder() {
    EnsureRows();
    std::vector<std::pair<int, int>> rows; // row, item
    for (int s : m_sel) {
        int r = m_rows.RowOf(s);
        if (r != -2) rows.push_back({r, s});
    }
    std::sort(rows.begin(), rows.end());
    std::vector<int> items;
    items.reserve(rows.size());
    for (const auto& ri : rows)
        items.push_back(ri.second);
    return items;
}

std::string ReportModel::GetCopyText() {
    std::string text;
    for (int item : SelectedInRowOrder())
        text += GetItemString(item, m_shared->copyDelimiter);
    return text;
}

// ---------------------------------------------------------------- consistency

bool ReportModel::CheckInvariants(std::string* why) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    EnsureRows();
    const int defs = (int)m_defs.size();
    const int count = ItemCount();
    if (m_editRow.cells.Count() != defs) return fail("edit row cell count");
    for (const Item& it : m_items)
        if (it.cells.Count() != defs) return fail("item cell count");
    std::vector<char> seen((size_t)defs, 0);
    for (int c : m_columns) {
        if (c < 0 || c >= defs || seen[(size_t)c]) return fail("column list");
        seen[(size_t)c] = 1;
    }
    if (m_sortSubItem < -1 || m_sortSubItem >= defs) return fail("sort sub-item");
    // Every row maps to an item and back; in a list every item stands on a row.
    if (m_rows.Virtual() != Virtual()) return fail("row map form");
    if (!m_rows.Check(count, !TreeMode() && !Virtual(), why)) return false;
    if (Virtual()) {
        if (!m_items.empty()) return fail("virtual mode holds items");
    } else if (!TreeMode()) {
        if (!m_nodes.empty()) return fail("nodes outside tree mode");
    } else {
        if (m_nodes.size() != m_items.size()) return fail("node count");
        std::vector<int> expect;
        struct Frame {
            const TreeNode* n;
            bool visible;
        };
        std::vector<Frame> stack;
        std::vector<const TreeNode*> kids;
        auto pushKids = [&](const TreeNode* p, bool visible) {
            kids.clear();
            const TreeNode* last = nullptr;
            for (const TreeNode* c = p->firstChild; c; c = c->next) {
                kids.push_back(c);
                last = c;
            }
            if (p->lastChild != last) return false;
            for (auto k = kids.rbegin(); k != kids.rend(); ++k)
                stack.push_back({*k, visible});
            return true;
        };
        if (!pushKids(&m_root, true)) return fail("root's last child");
        size_t visited = 0;
        while (!stack.empty()) {
            Frame f = stack.back();
            stack.pop_back();
            const TreeNode* n = f.n;
            if (++visited > m_items.size()) return fail("tree has a cycle");
            if (!m_nodes.count(const_cast<TreeNode*>(n))) return fail("unknown node linked");
            if (n->item < 0 || n->item >= count) return fail("node item");
            const Item& it = m_items[(size_t)n->item];
            if (it.node != n) return fail("item and node disagree");
            if (n->level != n->parent->level + 1 || it.indent != n->level) return fail("level or indent");
            uint32_t marks = it.state & (RVIS_EXPANDED | RVIS_COLLAPSED);
            uint32_t want = !n->firstChild ? 0u
                            : n->expanded  ? (uint32_t)RVIS_EXPANDED
                                           : (uint32_t)RVIS_COLLAPSED;
            if (marks != want) return fail("expand marks");
            for (const TreeNode* c = n->firstChild; c; c = c->next)
                if (c->parent != n) return fail("child's parent");
            if (f.visible) expect.push_back(n->item);
            if (!pushKids(n, f.visible && n->expanded)) return fail("last child");
        }
        if (visited != m_items.size()) return fail("items outside the tree");
        if (expect != m_rows.Rows()) return fail("rows are not the visible pre-order");
    }
    for (int s : m_sel)
        if (s < -1 || s >= count) return fail("selected index out of range");
    if (!Virtual()) {
        for (int i = -1; i < (int)m_items.size(); ++i) {
            bool bit = (ItemPtr(i)->state & RVIS_CHOSEN) != 0;
            if (bit != (m_sel.count(i) != 0)) return fail("selection list and state bits disagree");
        }
    }
    // The focus names an item that stands on a row (or the edit row, or none); only it has the mark.
    if (m_focusItem < -2 || m_focusItem >= count) return fail("focus item");
    if (m_focusItem >= 0 && m_rows.RowOf(m_focusItem) == -2) return fail("focused item without a row");
    if (m_anchorItem < -2 || m_anchorItem >= count) return fail("anchor item");
    if (!Virtual()) {
        for (int i = -1; i < (int)m_items.size(); ++i) {
            bool bit = (ItemPtr(i)->state & RVIS_HASFOCUS) != 0;
            if (bit != (i == m_focusItem)) return fail("focus mark");
        }
    }
    return true;
}

} // namespace zrpc::report
