// The row map: which item stands on which row, and the reverse (see report_rows.h).
#include "reportctrl/model/report_rows.h"

#include <utility>

namespace zrpc::report {

void RowMap::SetVirtual(bool on) {
    m_virtual = on;
    Clear();
}

int RowMap::ItemAt(int row) const {
    if (row == -1 || row == -2) return row;
    if (row < 0 || row >= Count()) return -2;
    return m_virtual ? row : m_rows[(size_t)row];
}

int RowMap::RowOf(int item) const {
    if (item == -1 || item == -2) return item;
    if (m_virtual) return (item >= 0 && item < m_virtualCount) ? item : -2;
    if (item < 0 || item >= m_itemCount) return -2;
    EnsureMap();
    return m_rowOf[(size_t)item];
}

void RowMap::EnsureMap() const {
    if (!m_stale) return;
    m_rowOf.assign((size_t)m_itemCount, -2);
    for (size_t r = 0; r < m_rows.size(); ++r)
        m_rowOf[(size_t)m_rows[r]] = (int)r;
    m_stale = false;
}

void RowMap::Clear() {
    m_rows.clear();
    m_itemCount = 0;
    m_stale = true;
}

void RowMap::Assign(const std::vector<int>& rows, int itemCount) {
    m_rows = rows;
    m_itemCount = itemCount;
    m_stale = true;
}

void RowMap::ItemInserted(int item, int itemCount) {
    int before = m_itemCount;
    m_itemCount = itemCount;
    if (item == before && item == (int)m_rows.size()) {
        // Appended: no number changes and the map stays valid.
        m_rows.push_back(item);
        if (!m_stale) m_rowOf.push_back(item);
        return;
    }
    for (int& r : m_rows)
        if (r >= item) ++r;
    if (item <= (int)m_rows.size()) m_rows.insert(m_rows.begin() + item, item);
    m_stale = true;
}

int RowMap::ItemRemoved(int item, int itemCount) {
    int row = RowOf(item);
    if (row >= 0) m_rows.erase(m_rows.begin() + row);
    for (int& r : m_rows)
        if (r > item) --r;
    m_itemCount = itemCount;
    m_stale = true;
    return row;
}

void RowMap::Renumbered(int itemCount) {
    m_rows.clear();
    m_itemCount = itemCount;
    m_stale = true;
}

void RowMap::SwapRows(int a, int b) {
    std::swap(m_rows[(size_t)a], m_rows[(size_t)b]);
    if (!m_stale) {
        m_rowOf[(size_t)m_rows[(size_t)a]] = a;
        m_rowOf[(size_t)m_rows[(size_t)b]] = b;
    }
}

std::vector<int>& RowMap::Reorder() {
    m_stale = true;
    return m_rows;
}

bool RowMap::Check(int itemCount, bool allHaveRows, std::string* why) const {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (m_virtual) {
        if (!m_rows.empty()) return fail("virtual rows are stored");
        for (int r : {0, m_virtualCount - 1})
            if (r >= 0 && r < m_virtualCount && RowOf(ItemAt(r)) != r)
                return fail("virtual row and item differ");
        return true;
    }
    if (m_itemCount != itemCount) return fail("row map item count");
    if (allHaveRows && (int)m_rows.size() != itemCount) return fail("row count");
    std::vector<char> seen((size_t)itemCount, 0);
    for (int r = 0; r < (int)m_rows.size(); ++r) {
        int item = m_rows[(size_t)r];
        if (item < 0 || item >= itemCount || seen[(size_t)item]) return fail("rows are not distinct items");
        seen[(size_t)item] = 1;
        if (RowOf(item) != r || ItemAt(r) != item) return fail("a row does not map to its item and back");
    }
    for (int i = 0; i < itemCount; ++i)
        if (!seen[(size_t)i] && RowOf(i) != -2) return fail("an item without a row maps to one");
    return true;
}

} // namespace zrpc::report
