// Items and rows: the row map on its own (list edits, a tree's visible rows with hidden items, virtual
// mode), and the model in every form it takes (list, sorted list, tree with collapsed nodes, virtual),
// where every row maps to an item and back and the focus stays on its item whatever reorders the rows.
#include <gtest/gtest.h>

#include "report_fixture.h"

#include <functional>
#include <string>
#include <vector>

using namespace reporttest;
using zrpc::report::RowMap;

namespace {

// Every row and every item of the map, both ways.
void ExpectMapsBothWays(const RowMap& m, const std::vector<int>& rows, int itemCount) {
    ASSERT_EQ(m.Count(), (int)rows.size());
    for (int r = 0; r < (int)rows.size(); ++r) {
        EXPECT_EQ(m.ItemAt(r), rows[(size_t)r]) << "row " << r;
        EXPECT_EQ(m.RowOf(rows[(size_t)r]), r) << "item " << rows[(size_t)r];
    }
    for (int i = 0; i < itemCount; ++i) {
        bool shown = false;
        for (int it : rows)
            shown = shown || it == i;
        if (!shown) EXPECT_EQ(m.RowOf(i), -2) << "hidden item " << i;
    }
    for (int special : {-1, -2}) {
        EXPECT_EQ(m.ItemAt(special), special);
        EXPECT_EQ(m.RowOf(special), special);
    }
    EXPECT_EQ(m.ItemAt((int)rows.size()), -2);
    EXPECT_EQ(m.RowOf(itemCount), -2);
    EXPECT_EQ(m.ItemAt(-3), -2);
    std::string why;
    EXPECT_TRUE(m.Check(itemCount, false, &why)) << why;
}

TEST(RowMap, EditsOfAListAndATree) {
    const struct {
        const char* name;
        std::function<void(RowMap&)> edit;
        std::vector<int> rows;
        int items;
    } cases[] = {
        {"appended items stand on their own rows",
         [](RowMap& m) {
             for (int i = 0; i < 5; ++i)
                 m.ItemInserted(i, i + 1);
         },
         {0, 1, 2, 3, 4},
         5},
        {"a new item lands on the row of its index, later items renumbered",
         [](RowMap& m) {
             m.Assign({4, 3, 2, 1, 0}, 5);
             m.ItemInserted(1, 6);
         },
         {5, 1, 4, 3, 2, 0},
         6},
        {"a removed item leaves its row, later items renumbered",
         [](RowMap& m) {
             m.Assign({5, 1, 4, 3, 2, 0}, 6);
             EXPECT_EQ(m.ItemRemoved(3, 5), 3);
         },
         {4, 1, 3, 2, 0},
         5},
        {"swapped rows swap their items",
         [](RowMap& m) {
             m.Assign({0, 1, 2}, 3);
             m.RowOf(0); // a map built before the swap follows it
             m.SwapRows(0, 2);
         },
         {2, 1, 0},
         3},
        {"sorting in place",
         [](RowMap& m) {
             m.Assign({0, 1, 2, 3}, 4);
             m.RowOf(3);
             std::vector<int>& rows = m.Reorder();
             std::swap(rows[0], rows[3]);
         },
         {3, 1, 2, 0},
         4},
        {"a tree's visible rows: hidden items have none",
         [](RowMap& m) {
             m.Assign({3, 0, 5}, 6);
         },
         {3, 0, 5},
         6},
        {"a hidden item removed",
         [](RowMap& m) {
             m.Assign({3, 0, 5}, 6);
             EXPECT_EQ(m.ItemRemoved(1, 5), -2);
         },
         {2, 0, 4},
         5},
        {"renumbered items leave no rows until the tree hands them over",
         [](RowMap& m) {
             m.Assign({1, 0}, 2);
             m.Renumbered(1);
         },
         {},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowMap m;
        c.edit(m);
        EXPECT_EQ(m.Rows(), c.rows);
        ExpectMapsBothWays(m, c.rows, c.items);
    }
}

TEST(RowMap, VirtualRowsAreItems) {
    RowMap m;
    m.Assign({1, 0}, 2);
    m.SetVirtual(true);
    EXPECT_TRUE(m.Rows().empty());
    m.SetVirtualCount(10000000);
    EXPECT_EQ(m.Count(), 10000000);
    for (int i : {0, 17, 9999999}) {
        EXPECT_EQ(m.ItemAt(i), i);
        EXPECT_EQ(m.RowOf(i), i);
    }
    EXPECT_EQ(m.ItemAt(10000000), -2);
    EXPECT_EQ(m.RowOf(10000000), -2);
    EXPECT_EQ(m.RowOf(-1), -1);
    m.SetVirtualCount(-5);
    EXPECT_EQ(m.Count(), 0);
    std::string why;
    EXPECT_TRUE(m.Check(0, false, &why)) << why;
}

// ---------------------------------------------------------------- the model in every form

struct Form {
    const char* name;
    std::function<void(ReportModel&)> make; // makes five items, "a" to "e" in row order
    std::vector<int> rows;                  // the items on the rows
};

void MakeList(ReportModel& m, bool sorted) {
    DefineColumns(m, 1);
    for (const char* t : {"c", "e", "a", "d", "b"})
        m.AddItem(t);
    if (sorted) m.SortItems(0, true);
}

// Items 0 "c", 1 "d" (child of c), 2 "a", 3 "e" (child of c), 4 "b": rows a b c d e with c open,
// items 2 4 0 1 3, so that no row number is its item's.
void MakeTree(ReportModel& m, bool open) {
    DefineColumns(m, 1);
    m.ModifyStyle(0, RVS_TREEMODE);
    _TREEITEM* c = m.InsertItem("c", -1, -1, -1, TVI_ROOT, TVI_LAST);
    m.InsertItem("d", -1, -1, -1, c, TVI_LAST);
    _TREEITEM* a = m.InsertItem("a", -1, -1, -1, TVI_ROOT, TVI_FIRST);
    m.InsertItem("e", -1, -1, -1, c, TVI_LAST);
    m.InsertItem("b", -1, -1, -1, TVI_ROOT, a);
    if (open) m.Expand(c, 1);
}

TEST(ReportRows, EveryRowMapsToAnItemAndBackInEveryForm) {
    const Form forms[] = {
        {"list", [](ReportModel& m) { MakeList(m, false); }, {0, 1, 2, 3, 4}},
        {"sorted list", [](ReportModel& m) { MakeList(m, true); }, {2, 4, 0, 3, 1}},
        {"tree, all open", [](ReportModel& m) { MakeTree(m, true); }, {2, 4, 0, 1, 3}},
        {"tree, collapsed node", [](ReportModel& m) { MakeTree(m, false); }, {2, 4, 0}},
        {"virtual",
         [](ReportModel& m) {
             DefineColumns(m, 1);
             m.ModifyStyle(0, RVS_VIRTUALDATA);
             m.SetItemCount(5);
         },
         {0, 1, 2, 3, 4}},
    };
    for (const Form& f : forms) {
        SCOPED_TRACE(f.name);
        RecordingHost host;
        ReportModel m(&host);
        f.make(m);
        ASSERT_EQ(m.GetRowCount(), (int)f.rows.size());
        for (int r = 0; r < m.GetRowCount(); ++r) {
            EXPECT_EQ(m.GetItemFromRow(r), f.rows[(size_t)r]) << "row " << r;
            EXPECT_EQ(m.GetRowFromItem(m.GetItemFromRow(r)), r);
        }
        for (int i = 0; i < m.GetItemCount(); ++i) {
            int row = m.GetRowFromItem(i);
            if (row != -2) EXPECT_EQ(m.GetItemFromRow(row), i);
        }
        // The selection takes items, the focus answers its row.
        for (int r = 0; r < m.GetRowCount(); ++r) {
            int item = f.rows[(size_t)r];
            m.SetSelection(item, false);
            EXPECT_EQ(m.GetCurrentFocus(nullptr), r) << "item " << item;
            EXPECT_EQ(m.GetFirstSelectedItem(), item);
        }
        EXPECT_EQ(Invariants(m), "ok");
    }
}

// Whatever reorders the rows, the focus and the anchor of range selections stay on their items.
TEST(ReportRows, FocusAndAnchorStayOnTheirItems) {
    RecordingHost host;
    ReportModel m(&host);
    MakeList(m, false);       // c e a d b
    m.SetSelection(3, false); // "d", row 3
    m.SetAnchor(m.GetRowFromItem(1));
    const struct {
        const char* name;
        std::function<void()> change;
        std::vector<int> rows;
    } steps[] = {
        {"sorted", [&] { m.SortItems(0, true); }, {2, 4, 0, 3, 1}},
        {"sorted down", [&] { m.SortItems(0, false); }, {1, 3, 0, 4, 2}},
        {"the row above the focus moved down", [&] { m.MoveDown(0); }, {3, 1, 0, 4, 2}},
        {"a new order",
         [&] {
             m.SetItemRowArray({0, 1, 2, 3, 4});
         },
         {0, 1, 2, 3, 4}},
        {"an item inserted in front", [&] { m.InsertItem(0, "f"); }, {0, 1, 2, 3, 4, 5}},
    };
    int focusItem = 3, anchorItem = 1;
    for (const auto& st : steps) {
        SCOPED_TRACE(st.name);
        st.change();
        if (st.rows.size() == 6) { // the insertion renumbered them
            ++focusItem;
            ++anchorItem;
        }
        EXPECT_EQ(m.GetItemRowArray(), st.rows);
        EXPECT_EQ(m.GetItemFromRow(m.GetCurrentFocus(nullptr)), focusItem);
        EXPECT_EQ(m.GetItemFromRow(m.GetAnchor()), anchorItem);
        EXPECT_EQ(Invariants(m), "ok");
    }
    // A range from the anchor goes to the anchor's row now.
    m.SortItems(0, true); // a b c d e f
    m.SelectRows(m.GetRowFromItem(5), m.GetAnchor(), true, false, false, false);
    std::vector<int> selected(8);
    selected.resize((size_t)m.GetSelectedItems(selected.data(), 8));
    int lo = std::min(m.GetRowFromItem(5), m.GetRowFromItem(anchorItem));
    int hi = std::max(m.GetRowFromItem(5), m.GetRowFromItem(anchorItem));
    EXPECT_EQ((int)selected.size(), hi - lo + 1);
}

} // namespace
