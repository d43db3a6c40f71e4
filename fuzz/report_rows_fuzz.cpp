// Drives the row map with random edits (insertions and removals of items, swaps, new orders, a tree's
// visible rows with hidden items, virtual counts) beside a plain list of the items in row order, and
// checks after each edit that every row maps to its item and back and that an item without a row maps
// to none.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "reportctrl/model/report_rows.h"

using zrpc::report::RowMap;

namespace {

void Check(const RowMap& m, const std::vector<int>& rows, int items, bool isVirtual, int virtualCount) {
    if (isVirtual) {
        if (m.Count() != virtualCount) __builtin_trap();
        for (int r : {0, virtualCount / 2, virtualCount - 1})
            if (r >= 0 && r < virtualCount && (m.ItemAt(r) != r || m.RowOf(r) != r)) __builtin_trap();
        if (m.ItemAt(virtualCount) != -2 || m.RowOf(virtualCount) != -2) __builtin_trap();
        return;
    }
    if (m.Count() != (int)rows.size() || m.Rows() != rows) __builtin_trap();
    std::vector<int> rowOf((size_t)items, -2);
    for (int r = 0; r < (int)rows.size(); ++r) {
        if (m.ItemAt(r) != rows[(size_t)r]) __builtin_trap();
        rowOf[(size_t)rows[(size_t)r]] = r;
    }
    for (int i = 0; i < items; ++i)
        if (m.RowOf(i) != rowOf[(size_t)i]) __builtin_trap();
    if (m.ItemAt(-1) != -1 || m.RowOf(-1) != -1 || m.ItemAt(-2) != -2 || m.RowOf(-2) != -2) __builtin_trap();
    if (m.ItemAt((int)rows.size()) != -2 || m.RowOf(items) != -2) __builtin_trap();
    if (!m.Check(items, false, nullptr)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    RowMap m;
    std::vector<int> rows; // the reference: the items in row order
    int items = 0;
    bool isVirtual = false;
    int virtualCount = 0;
    for (int step = 0; step < 300 && in.n; ++step) {
        uint8_t op = in.Byte() % 9;
        if (isVirtual && op < 7) op = 7 + op % 2;
        switch (op) {
        case 0: { // a list item inserted at its index, on the row of that index
            if (items >= 200 || (int)rows.size() != items) break;
            int at = in.Small(0, items);
            for (int& r : rows)
                if (r >= at) ++r;
            rows.insert(rows.begin() + at, at);
            m.ItemInserted(at, ++items);
            break;
        }
        case 1: { // an item removed, with its row if it had one
            if (items == 0) break;
            int item = in.Small(0, items - 1);
            int row = -2;
            for (int r = 0; r < (int)rows.size(); ++r)
                if (rows[(size_t)r] == item) row = r;
            if (row >= 0) rows.erase(rows.begin() + row);
            for (int& r : rows)
                if (r > item) --r;
            if (m.ItemRemoved(item, --items) != row) __builtin_trap();
            break;
        }
        case 2: { // two rows swapped
            if (rows.size() < 2) break;
            int a = in.Small(0, (int)rows.size() - 1), b = in.Small(0, (int)rows.size() - 1);
            if (in.Byte() & 1) m.RowOf(0); // with the map built or not
            std::swap(rows[(size_t)a], rows[(size_t)b]);
            m.SwapRows(a, b);
            break;
        }
        case 3: { // sorted in place
            std::vector<int>& edit = m.Reorder();
            for (size_t i = 1; i < edit.size(); ++i)
                std::swap(edit[i], edit[(size_t)in.Byte() % (i + 1)]);
            rows = edit;
            break;
        }
        case 4: { // a tree's visible rows: a subset of the items in any order
            std::vector<int> shown;
            for (int i = 0; i < items; ++i)
                if (in.Byte() & 1) shown.push_back(i);
            for (size_t i = 1; i < shown.size(); ++i)
                std::swap(shown[i], shown[(size_t)in.Byte() % (i + 1)]);
            rows = shown;
            m.Assign(rows, items);
            break;
        }
        case 5: { // a list of every item in a new order
            std::vector<int> all;
            for (int i = 0; i < items; ++i)
                all.push_back(i);
            for (size_t i = 1; i < all.size(); ++i)
                std::swap(all[i], all[(size_t)in.Byte() % (i + 1)]);
            rows = all;
            m.Assign(rows, items);
            break;
        }
        case 6: // items renumbered: the rows go until the tree hands them over
            if (items > 0 && (in.Byte() & 1)) --items;
            rows.clear();
            m.Renumbered(items);
            break;
        case 7: // virtual mode on or off (the stored rows go)
            isVirtual = !isVirtual;
            m.SetVirtual(isVirtual);
            rows.clear();
            items = 0;
            virtualCount = 0;
            m.SetVirtualCount(0);
            break;
        case 8:
            virtualCount = in.Small(-1, 255) * (in.Byte() & 1 ? 1 : 40000);
            if (virtualCount < 0) virtualCount = 0;
            m.SetVirtualCount(virtualCount);
            if (!isVirtual) virtualCount = 0;
            break;
        }
        Check(m, rows, items, isVirtual, virtualCount);
    }
    return 0;
}
