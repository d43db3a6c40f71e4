// Items and rows, kept apart in one place. An item is a record, numbered in the order items were
// inserted; a row is a line on screen. The row map knows which item stands on which row and the
// reverse, in every form the control takes:
//   - list: every item stands on exactly one row; a new item lands on the row equal to its index,
//     sorting and moves reorder the rows;
//   - tree: the rows are the visible nodes in pre-order (the tree hands them over); an item whose node
//     lies under a collapsed one has no row;
//   - virtual: item i stands on row i, for a count the parent sets; nothing is stored.
// -1 (the edit row) and -2 (none) map to themselves. Everything that turns a row into an item or an
// item into a row asks here.
#ifndef ZRPC_REPORT_ROWS_H
#define ZRPC_REPORT_ROWS_H

#include <string>
#include <vector>

namespace zrpc::report {

class RowMap {
  public:
    // ---- the form
    // Virtual mode: rows are items, count rows; the stored rows are dropped.
    void SetVirtual(bool on);
    bool Virtual() const { return m_virtual; }
    void SetVirtualCount(int count) { m_virtualCount = count < 0 ? 0 : count; }

    // ---- reading
    int Count() const { return m_virtual ? m_virtualCount : (int)m_rows.size(); }
    // The item on a row; -2 for a row that does not exist.
    int ItemAt(int row) const;
    // The row of an item; -2 for an item without a row (unknown, or a hidden tree node).
    int RowOf(int item) const;
    // The stored rows in order (empty in virtual mode).
    const std::vector<int>& Rows() const { return m_rows; }

    // ---- changing the stored rows; itemCount is the number of items there are afterwards
    void Clear();
    // A new order of the rows (a tree's visible nodes, or a caller's permutation of the list).
    void Assign(const std::vector<int>& rows, int itemCount);
    // List form: a new item was inserted at index item (later items moved up by one); it stands on
    // the row equal to its index.
    void ItemInserted(int item, int itemCount);
    // An item was removed (later items move down by one); the row it stood on, -2 when it had none.
    int ItemRemoved(int item, int itemCount);
    // Items were renumbered (newIndex[old] is the new index, -2 for a removed one) and the rows
    // dropped: the tree rebuilds them.
    void Renumbered(int itemCount);
    void SwapRows(int a, int b);
    // The rows for sorting in place; the map follows on its next use.
    std::vector<int>& Reorder();

    // Every row maps to an item and back, and every item of a list stands on a row (allHaveRows);
    // false with a reason when not.
    bool Check(int itemCount, bool allHaveRows, std::string* why) const;

  private:
    void EnsureMap() const;

    std::vector<int> m_rows;
    mutable std::vector<int> m_rowOf; // item to row, rebuilt on the first lookup after a change
    mutable bool m_stale = true;
    int m_itemCount = 0;
    bool m_virtual = false;
    int m_virtualCount = 0;
};

} // namespace zrpc::report

#endif
