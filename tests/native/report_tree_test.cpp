// Report model, tree mode: walking codes, visible rows, expanding by levels, the focus when nodes are
// deleted or hidden, subtree deletion order, tree sorting with its equal-key order, and bad handles.
#include <gtest/gtest.h>

#include "report_fixture.h"

#include <map>

using namespace reporttest;

namespace {

// A (B1 is the only child of B)      rows when everything is expanded:
//   A1                               A A1 A1a A1a1 A2 B B1 C
//     A1a
//       A1a1
//   A2
// B
//   B1
// C
class ReportTree : public ::testing::Test {
  protected:
    RecordingHost host;
    ReportModel m{&host};
    std::map<std::string, _TREEITEM*> h;
    void SetUp() override {
        DefineColumns(m, 2);
        ASSERT_TRUE(m.ModifyStyle(0, RVS_TREEMODE));
        AddAll();
    }
    void AddAll() {
        Add("A", TVI_ROOT);
        Add("A1", h["A"]);
        Add("A1a", h["A1"]);
        Add("A1a1", h["A1a"]);
        Add("A2", h["A"]);
        Add("B", TVI_ROOT);
        Add("B1", h["B"]);
        Add("C", TVI_ROOT);
    }
    void Add(const std::string& name, _TREEITEM* parent, _TREEITEM* after = TVI_LAST) {
        h[name] = m.InsertItem(name.c_str(), -1, -1, -1, parent, after);
        ASSERT_NE(h[name], nullptr) << name;
    }
    std::string Name(_TREEITEM* x) {
        if (!x) return "null";
        if (x == TVI_ROOT) return "root";
        return m.GetItemText(m.GetItemIndex(x), 0);
    }
    std::string Rows() {
        std::string s;
        for (const std::string& t : RowTexts(m, 0))
            s += (s.empty() ? "" : " ") + t;
        return s;
    }
    std::string Focus() {
        int row = m.GetCurrentFocus(nullptr);
        return row < 0 ? std::to_string(row) : m.GetItemText(m.GetItemFromRow(row), 0);
    }
};

TEST_F(ReportTree, NewNodesAreCollapsedAndRowsShowTopLevel) {
    EXPECT_EQ(Rows(), "A B C");
    _RVITEM r{};
    r.iItem = m.GetItemIndex(h["A1"]);
    r.iSubItem = -1;
    ASSERT_TRUE(m.GetItem(&r));
    EXPECT_EQ(r.iIndent, 2);
    EXPECT_EQ(r.nState & (RVIS_EXPANDED | RVIS_COLLAPSED), (uint32_t)RVIS_COLLAPSED);
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportTree, GetNextItemCodes) {
    const struct {
        const char* from;
        uint32_t code;
        const char* expect;
    } cases[] = {
        {"A1a1", 0, "A"}, {"A", 0, "A"},     {"root", 0, "null"}, {"A1", 1, "A2"},  {"A2", 1, "null"},
        {"C", 1, "null"}, {"A1", 2, "null"}, {"A2", 2, "A1"},     {"C", 2, "B"},    {"A", 3, "null"},
        {"A1a", 3, "A1"}, {"A", 4, "A1"},    {"A2", 4, "null"},   {"root", 4, "A"}, {"A", 6, "null"},
    };
    for (const auto& c : cases) {
        _TREEITEM* from = std::string(c.from) == "root" ? TVI_ROOT : h[c.from];
        EXPECT_EQ(Name(m.GetNextItem(from, c.code)), c.expect) << c.from << " code " << c.code;
    }
    m.SetSelection(h["B"], false);
    EXPECT_EQ(Name(m.GetNextItem(TVI_ROOT, 5)), "B");
}

TEST_F(ReportTree, ChildrenCountsAndRelations) {
    EXPECT_EQ(m.GetItemCount(TVI_ROOT, 0), 3);
    EXPECT_EQ(m.GetItemCount(TVI_ROOT, 1), 8);
    EXPECT_EQ(m.GetItemCount(h["A"], 1), 4);
    EXPECT_EQ(m.GetItemCount(h["A"], 2), 2); // only exactly 1 counts recursively
    EXPECT_TRUE(m.HasChildren(h["A1a"]));
    EXPECT_FALSE(m.HasChildren(h["C"]));
    EXPECT_TRUE(m.IsChild(h["A"], h["A2"]));
    EXPECT_FALSE(m.IsChild(h["A"], h["A1a"]));
    EXPECT_TRUE(m.IsChild(TVI_ROOT, h["B"]));
    EXPECT_TRUE(m.IsDescendent(h["A"], h["A1a1"]));
    EXPECT_FALSE(m.IsDescendent(h["A1a1"], h["A1a1"]));
    EXPECT_FALSE(m.IsDescendent(h["B"], h["A1"]));
    EXPECT_EQ(m.GetItemHandle(m.GetItemIndex(h["B1"])), h["B1"]);
}

TEST_F(ReportTree, ExpandAllByLevels) {
    const struct {
        const char* from;
        int levels;
        const char* rows;
    } cases[] = {
        {"root", -1, "A A1 A1a A1a1 A2 B B1 C"},
        {"A", 1, "A A1 A1a A2 B C"}, // A and its children, not its grandchildren
        {"A", 0, "A A1 A2 B C"},
        {"root", 1, "A A1 A2 B B1 C"},
        {"B", -1, "A B B1 C"},
    };
    for (const auto& c : cases) {
        m.ExpandAll(TVI_ROOT, 0, -1);
        _TREEITEM* from = std::string(c.from) == "root" ? TVI_ROOT : h[c.from];
        ASSERT_TRUE(m.ExpandAll(from, 1, c.levels));
        EXPECT_EQ(Rows(), c.rows) << c.from << " " << c.levels;
        EXPECT_EQ(Invariants(m), "ok");
    }
    EXPECT_FALSE(m.ExpandAll(h["A"], 3, -1));
    EXPECT_FALSE(m.Expand(h["A"], 7));
    EXPECT_FALSE(m.Expand(TVI_ROOT, 0));
    ASSERT_TRUE(m.Expand(h["B"], 2));
    EXPECT_EQ(Rows(), "A B C");
}

TEST_F(ReportTree, CollapsingMovesTheFocusUpAndDropsHiddenSelection) {
    m.ExpandAll(TVI_ROOT, 1, -1);
    m.SetSelection(h["A1"], false);
    m.SetSelection(h["B1"], true);
    m.SetSelection(h["A1a1"], true); // focus there
    ASSERT_EQ(Focus(), "A1a1");
    ASSERT_TRUE(m.Expand(h["A1"], 0));
    EXPECT_EQ(Focus(), "A1");
    EXPECT_EQ(Rows(), "A A1 A2 B B1 C");
    std::vector<int> sel(8);
    sel.resize((size_t)m.GetSelectedItems(sel.data(), 8));
    EXPECT_EQ(sel, (std::vector<int>{m.GetItemIndex(h["A1"]), m.GetItemIndex(h["B1"])}));
    // Collapsing an unrelated node keeps the focus on its item.
    ASSERT_TRUE(m.Expand(h["B"], 0));
    EXPECT_EQ(Focus(), "A1");
    EXPECT_EQ(m.GetSelectedCount(), 2); // B1 is hidden but the focus was not inside B
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportTree, DeletingMovesTheFocusToSiblingParentOrEditRow) {
    const struct {
        const char* focus;
        const char* del;
        const char* expect;
    } cases[] = {
        {"A1a", "A1", "A2"}, // next sibling of the deleted node
        {"A2", "A2", "A"},   // last child: its parent
        {"B1", "B", "C"},    // inside the deleted subtree
        {"C", "C", "-1"},    // top-level without next sibling: the edit-row position
        {"B", "A1a1", "B"},  // outside: stays on its item
    };
    for (const auto& c : cases) {
        m.DeleteAllItems(); // a fresh tree
        h.clear();
        AddAll();
        m.ExpandAll(TVI_ROOT, 1, -1);
        m.SetSelection(h[c.focus], false);
        ASSERT_TRUE(m.DeleteItem(h[c.del])) << c.del;
        EXPECT_EQ(Focus(), c.expect) << c.del;
        EXPECT_EQ(Invariants(m), "ok") << c.del;
    }
}

TEST_F(ReportTree, SubtreeDeletionNotifiesInPostOrderWithCurrentIndices) {
    for (int i = 0; i < m.GetItemCount(); ++i)
        m.SetItemData(i, 100 + i);
    host.notes.clear();
    ASSERT_TRUE(m.DeleteItem(h["A"]));
    // Items A=0 A1=1 A1a=2 A1a1=3 A2=4: A1a1, A1a, A1, A2, A; each index as it is at that moment.
    std::vector<RV_LPARAM> data;
    for (const Note& n : host.notes)
        data.push_back(n.lParam);
    EXPECT_EQ(data, (std::vector<RV_LPARAM>{103, 102, 101, 104, 100}));
    EXPECT_EQ(host.Items(RVN_REMOVED), (std::vector<int>{3, 2, 1, 1, 0}));
    EXPECT_EQ(m.GetItemCount(), 3);
    EXPECT_EQ(Rows(), "B C");
    EXPECT_EQ(m.GetItemIndex(h["C"]), 2);
    // The deleted handles are refused from now on.
    EXPECT_FALSE(m.DeleteItem(h["A"]));
    EXPECT_EQ(m.GetItemIndex(h["A1a"]), -2);
    EXPECT_EQ(Invariants(m), "ok");
}

// A parent that looks at the rows while it is told of each removed item (the lookup rebuilds the
// tree's rows in the middle of the deletion) finds the rows right once the subtree is gone.
TEST(ReportTreeDeletion, RowsLookedUpWhileItemsGoStayRight) {
    struct LookingHost : RecordingHost {
        ReportModel* model = nullptr;
        intptr_t Notify(RVNMHDR* hdr) override {
            if (hdr->code == RVN_REMOVED && model) model->GetRowFromItem(0);
            return RecordingHost::Notify(hdr);
        }
    } host;
    ReportModel m(&host);
    host.model = &m;
    DefineColumns(m, 1);
    ASSERT_TRUE(m.ModifyStyle(0, RVS_TREEMODE));
    _TREEITEM* a = m.InsertItem("a", -1, -1, -1, TVI_ROOT, TVI_LAST);
    m.InsertItem("a1", -1, -1, -1, a, TVI_LAST);
    m.InsertItem("b", -1, -1, -1, TVI_ROOT, TVI_LAST);
    m.InsertItem("c", -1, -1, -1, TVI_ROOT, TVI_LAST);
    m.ExpandAll(TVI_ROOT, 1, -1);
    ASSERT_TRUE(m.DeleteItem(a));
    EXPECT_EQ(RowTexts(m, 0), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportTree, BadHandlesAndModesChangeNothing) {
    _TREEITEM* bad[] = {nullptr, TVI_FIRST, TVI_LAST, TVI_SORT, reinterpret_cast<_TREEITEM*>(&host)};
    for (_TREEITEM* b : bad) {
        EXPECT_EQ(m.InsertItem("x", -1, -1, -1, b, TVI_LAST), nullptr);
        EXPECT_FALSE(m.DeleteItem(b));
        EXPECT_FALSE(m.Expand(b, 1));
        EXPECT_EQ(m.GetNextItem(b, 4), nullptr);
        EXPECT_FALSE(m.HasChildren(b));
        EXPECT_EQ(m.GetItemCount(b, 1), 0);
        EXPECT_FALSE(m.EnsureVisible(b));
    }
    // The node to follow must be a child of the parent.
    EXPECT_EQ(m.InsertItem("x", -1, -1, -1, h["A"], h["B1"]), nullptr);
    EXPECT_FALSE(m.DeleteItem(TVI_ROOT));
    EXPECT_EQ(m.GetItemCount(), 8);
    EXPECT_EQ(m.InsertItem(0, "list"), -2);
    EXPECT_EQ(m.DeleteItem(0), -2);
    EXPECT_FALSE(m.MoveUp(1));
    EXPECT_EQ(Invariants(m), "ok");

    ReportModel list;
    DefineColumns(list, 1);
    EXPECT_EQ(list.InsertItem("x", -1, -1, -1, TVI_ROOT, TVI_LAST), nullptr);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_FALSE(list.DeleteItem(TVI_ROOT));

    ReportModel virtualTree; // virtual mode stores no items, not even tree ones
    DefineColumns(virtualTree, 1);
    ASSERT_TRUE(virtualTree.ModifyStyle(0, RVS_TREEMODE | RVS_VIRTUALDATA));
    EXPECT_EQ(virtualTree.InsertItem("x", -1, -1, -1, TVI_ROOT, TVI_LAST), nullptr);
    EXPECT_EQ(Invariants(virtualTree), "ok");
}

// The tree sub-item a node shows across its row: as inserted or set, -1 for none and for handles that
// name no node.
TEST_F(ReportTree, TreeSubItemReadBack) {
    EXPECT_EQ(-1, m.GetTreeSubItem(h["A"]));
    m.SetTreeSubItem(h["A"], 1);
    EXPECT_EQ(1, m.GetTreeSubItem(h["A"]));
    m.SetTreeSubItem(h["A"], 7); // not a defined sub-item: unchanged
    EXPECT_EQ(1, m.GetTreeSubItem(h["A"]));
    _TREEITEM* spanning = m.InsertItem("D", -1, -1, -1, TVI_ROOT, TVI_LAST, 0);
    ASSERT_NE(nullptr, spanning);
    EXPECT_EQ(0, m.GetTreeSubItem(spanning));
    EXPECT_EQ(-1, m.GetTreeSubItem(TVI_ROOT));
    EXPECT_EQ(-1, m.GetTreeSubItem(nullptr));
    EXPECT_EQ(-1, m.GetTreeSubItem(reinterpret_cast<_TREEITEM*>(&host)));
}

TEST_F(ReportTree, EnsureVisibleExpandsTheAncestors) {
    ASSERT_TRUE(m.EnsureVisible(h["A1a1"]));
    EXPECT_EQ(Rows(), "A A1 A1a A1a1 A2 B C");
}

TEST_F(ReportTree, CopyLinesCarryIndentAndExpandMarks) {
    m.ExpandAll(h["A"], 1, 1);
    const struct {
        const char* node;
        const char* line;
    } cases[] = {
        {"A", "-A\t\n"}, {"A1", "  -A1\t\n"}, {"A1a", "    +A1a\t\n"}, {"A2", "   A2\t\n"}, {"C", " C\t\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(m.GetItemString(m.GetItemIndex(h[c.node]), '\t'), c.line) << c.node;
}

class ReportTreeSort : public ::testing::Test {
  protected:
    ReportModel m;
    void SetUp() override {
        DefineColumns(m, 2);
        m.ModifyStyle(0, RVS_TREEMODE);
    }
    std::string Children(_TREEITEM* parent) {
        std::string s;
        for (_TREEITEM* c = m.GetNextItem(parent, 4); c; c = m.GetNextItem(c, 1)) {
            int i = m.GetItemIndex(c);
            s += m.GetItemText(i, 0) + std::to_string((long)m.GetItemData(i)) + " ";
        }
        return s;
    }
};

TEST_F(ReportTreeSort, EqualKeysSwapTheirOrderOnEachSort) {
    const char* keys[] = {"b", "a", "b", "c", "a", "b"};
    for (int i = 0; i < 6; ++i) {
        _TREEITEM* n = m.InsertItem(keys[i], -1, -1, -1, TVI_ROOT, TVI_LAST);
        m.SetItemData(m.GetItemIndex(n), i);
    }
    const struct {
        bool ascending;
        const char* order;
    } cases[] = {
        {true, "a4 a1 b5 b2 b0 c3 "},
        {true, "a1 a4 b0 b2 b5 c3 "},
        {false, "c3 b5 b2 b0 a4 a1 "},
        {false, "c3 b0 b2 b5 a1 a4 "},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m.SortItems(0, c.ascending));
        EXPECT_EQ(Children(TVI_ROOT), c.order);
        EXPECT_EQ(Invariants(m), "ok");
    }
}

TEST_F(ReportTreeSort, SortsEveryLevelKeepingSubtreesAndUsesTreeSubItems) {
    _TREEITEM* z = m.InsertItem("z", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* y = m.InsertItem("y", -1, -1, -1, TVI_ROOT, TVI_LAST);
    for (const char* t : {"3", "1", "2"})
        m.InsertItem(t, -1, -1, -1, z, TVI_LAST);
    // x sorts by its tree sub-item 1 ("a"), so it comes first.
    _TREEITEM* x = m.InsertItem("x", -1, -1, -1, TVI_ROOT, TVI_LAST, 1);
    m.SetItemText(m.GetItemIndex(x), 1, "a");
    m.ExpandAll(TVI_ROOT, 1, -1);
    ASSERT_TRUE(m.SortItems(0, true));
    EXPECT_EQ(RowTexts(m, 0), (std::vector<std::string>{"x", "y", "z", "1", "2", "3"}));
    EXPECT_TRUE(m.IsChild(z, m.GetNextItem(z, 4)));
    (void)y;
    // Sorted insertion: in front of the first child comparing equal or greater.
    m.InsertItem("2", -1, -1, -1, z, TVI_SORT);
    m.InsertItem("0", -1, -1, -1, z, TVI_SORT);
    m.InsertItem("9", -1, -1, -1, z, TVI_SORT);
    EXPECT_EQ(Children(z), "00 10 20 20 30 90 ");
    // A definition in front renumbers the tree sub-item with the cells.
    _RVSUBITEM s = SubItem("front");
    m.DefineSubItem(0, &s);
    m.ActivateSubItem(0, 0);
    ASSERT_TRUE(m.SortItems(1, false));
    EXPECT_EQ(RowTexts(m, 1).front(), "z");
    EXPECT_EQ(RowTexts(m, 1).back(), "x");
    // The sort column must be shown.
    m.DeactivateSubItem(2);
    EXPECT_FALSE(m.SortItems(2, true));
    EXPECT_EQ(Invariants(m), "ok");
}

} // namespace
