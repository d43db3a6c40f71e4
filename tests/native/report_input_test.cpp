// Report model: what keys and clicks do to the selection, the focus and the anchor, in list and tree
// mode, with the one-selection style, a vetoing parent, cell focus and the no-focus column flag.
#include <gtest/gtest.h>

#include "report_fixture.h"
#include "reportctrl/model/report_input.h"

#include <algorithm>

using namespace reporttest;
using namespace zrpc::report;

namespace {

enum Kind { kKey, kClick, kRight };

struct Step {
    Kind kind;
    unsigned keyOrRow; // a key, or the row clicked (-1 the edit row)
    bool shift;
    bool ctrl;
    int column; // the column clicked
};

Step Key(unsigned k, bool shift = false, bool ctrl = false) {
    return {kKey, k, shift, ctrl, -1};
}
Step ClickRow(int row, bool shift = false, bool ctrl = false, int column = 0) {
    return {kClick, (unsigned)row, shift, ctrl, column};
}
Step RightRow(int row, bool shift = false, bool ctrl = false) {
    return {kRight, (unsigned)row, shift, ctrl, 0};
}

struct Case {
    const char* name;
    uint32_t style;
    std::vector<Step> steps;
    std::vector<int> selected; // items, ascending
    int focusRow;
    int focusColumn;
};

class ReportInput : public ::testing::Test {
  protected:
    RecordingHost host;
    ReportModel m{&host};
    PageView view{0, 4}; // rows 0..3 on screen

    void Fill(uint32_t style, int rows) {
        m.ModifyStyle(0xFFFF, style);
        DefineColumns(m, 3);
        for (int i = 0; i < rows; ++i) {
            std::string t = "r" + std::to_string(i);
            AddRow(m, {t, t + "b", t + "c"});
        }
    }
    ClickAction Run(const Step& s) {
        ClickAction a;
        switch (s.kind) {
        case kKey: {
            KeyAction k = KeyDown(m, s.keyOrRow, s.shift, s.ctrl, view);
            // The window scrolls the row into view; the page follows it.
            if (k.showRow >= 0 && k.showRow < view.top) view.top = k.showRow;
            if (k.showRow >= view.top + view.visible) view.top = k.showRow - view.visible + 1;
            break;
        }
        case kClick:
            a = Click(m, (int)s.keyOrRow, s.column, s.shift, s.ctrl);
            break;
        case kRight:
            RightClick(m, (int)s.keyOrRow, s.shift, s.ctrl);
            break;
        }
        return a;
    }
    std::vector<int> Selected() {
        std::vector<int> v(64);
        v.resize((size_t)std::min(64, m.GetSelectedItems(v.data(), 64)));
        return v;
    }
};

TEST_F(ReportInput, KeyAndClickSequencesGiveTheSelectionAndFocus) {
    const unsigned Up = kKeyUp, Down = kKeyDown, Space = kKeySpace, Home = kKeyHome, End = kKeyEnd;
    const unsigned PgUp = kKeyPageUp, PgDn = kKeyPageDown;
    const Case cases[] = {
        {"click selects one row", 0, {ClickRow(2), ClickRow(4)}, {4}, 4, -1},
        {"shift-click ranges from the anchor", 0, {ClickRow(2), ClickRow(5, true)}, {2, 3, 4, 5}, 5, -1},
        {"shift-click upwards", 0, {ClickRow(5), ClickRow(2, true)}, {2, 3, 4, 5}, 2, -1},
        {"a second shift-click keeps the anchor",
         0,
         {ClickRow(2), ClickRow(5, true), ClickRow(0, true)},
         {0, 1, 2},
         0,
         -1},
        {"ctrl-click toggles",
         0,
         {ClickRow(1), ClickRow(3, false, true), ClickRow(1, false, true)},
         {3},
         1,
         -1},
        {"ctrl+shift adds a range from the anchor",
         0,
         {ClickRow(0), ClickRow(3, false, true), ClickRow(5, true, true)},
         {0, 3, 4, 5},
         5,
         -1},
        {"ctrl+shift makes the row the anchor",
         0,
         {ClickRow(0), ClickRow(2, true, true), ClickRow(4, true)},
         {2, 3, 4},
         4,
         -1},
        {"right click selects only its row", 0, {ClickRow(0), ClickRow(2, true), RightRow(5)}, {5}, 5, -1},
        {"right click with ctrl changes nothing", 0, {ClickRow(1), RightRow(4, false, true)}, {1}, 1, -1},
        {"right click with shift changes nothing", 0, {ClickRow(1), RightRow(4, true)}, {1}, 1, -1},
        {"down without focus starts at the first row", 0, {Key(Down)}, {0}, 0, -1},
        {"up without focus starts at the first row", 0, {Key(Up)}, {0}, 0, -1},
        {"down moves and selects alone", 0, {ClickRow(1), Key(Down), Key(Down)}, {3}, 3, -1},
        {"down stops at the last row", 0, {ClickRow(7), Key(Down)}, {7}, 7, -1},
        {"up stops at the first row", 0, {ClickRow(0), Key(Up)}, {0}, 0, -1},
        {"shift+down extends from the anchor",
         0,
         {ClickRow(1), Key(Down, true), Key(Down, true)},
         {1, 2, 3},
         3,
         -1},
        {"shift+up after shift+down shrinks",
         0,
         {ClickRow(1), Key(Down, true), Key(Down, true), Key(Up, true)},
         {1, 2},
         2,
         -1},
        {"ctrl+down moves only the focus",
         0,
         {ClickRow(1), Key(Down, false, true), Key(Down, false, true)},
         {1},
         3,
         -1},
        {"space selects the focused row keeping the rest",
         0,
         {ClickRow(1), Key(Down, false, true), Key(Down, false, true), Key(Space)},
         {1, 3},
         3,
         -1},
        {"ctrl+space toggles", 0, {ClickRow(1), Key(Space, false, true)}, {}, 1, -1},
        {"home and end", 0, {ClickRow(3), Key(End)}, {7}, 7, -1},
        {"shift+home extends to the top", 0, {ClickRow(2), Key(Home, true)}, {0, 1, 2}, 0, -1},
        {"shift+end extends to the bottom", 0, {ClickRow(5), Key(End, true)}, {5, 6, 7}, 7, -1},
        {"ctrl+home moves only the focus", 0, {ClickRow(5), Key(Home, false, true)}, {5}, 0, -1},
        {"page down goes to the last visible row", 0, {ClickRow(1), Key(PgDn)}, {3}, 3, -1},
        {"page down there goes a page further", 0, {ClickRow(1), Key(PgDn), Key(PgDn)}, {7}, 7, -1},
        {"page up goes to the first visible row", 0, {ClickRow(2), Key(PgUp)}, {0}, 0, -1},
        {"shift+page down extends", 0, {ClickRow(1), Key(PgDn, true)}, {1, 2, 3}, 3, -1},
        {"one selection: shift-click selects one",
         RVS_ONESELECTION,
         {ClickRow(1), ClickRow(4, true)},
         {4},
         4,
         -1},
        {"one selection: ctrl-click replaces",
         RVS_ONESELECTION,
         {ClickRow(1), ClickRow(4, false, true)},
         {4},
         4,
         -1},
        {"one selection: shift+down selects one",
         RVS_ONESELECTION,
         {ClickRow(1), Key(Down, true)},
         {2},
         2,
         -1},
        {"edit row: up from the first row", RVS_ENTRYROW, {ClickRow(0), Key(Up)}, {-1}, -1, -1},
        {"edit row: down from it", RVS_ENTRYROW, {ClickRow(0), Key(Up), Key(Down)}, {0}, 0, -1},
        {"edit row: a click gives its cell the focus",
         RVS_ENTRYROW,
         {ClickRow(-1, false, false, 2)},
         {-1},
         -1,
         2},
        {"cell focus: the click's column", RVS_CELLFOCUS, {ClickRow(2, false, false, 1)}, {2}, 2, 1},
        {"cell focus: right and left move the column",
         RVS_CELLFOCUS,
         {ClickRow(2, false, false, 0), Key(kKeyRight), Key(kKeyRight), Key(kKeyRight), Key(kKeyLeft)},
         {2},
         2,
         1},
        {"cell focus: down keeps the column",
         RVS_CELLFOCUS,
         {ClickRow(2, false, false, 2), Key(Down)},
         {3},
         3,
         2},
        {"no cell focus: the row only", 0, {ClickRow(2, false, false, 2)}, {2}, 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.notes.clear();
        m.DeleteAllItems();
        m.UndefineAllSubItems();
        m.SetAnchor(-2);
        m.AdjustFocus(-2, -1);
        view = PageView{0, 4};
        Fill(c.style, 8);
        for (const Step& s : c.steps)
            Run(s);
        EXPECT_EQ(Selected(), c.selected);
        int column = -5;
        EXPECT_EQ(m.GetCurrentFocus(&column), c.focusRow);
        EXPECT_EQ(column, c.focusColumn);
        EXPECT_EQ(Invariants(m), "ok");
    }
}

TEST_F(ReportInput, AVetoKeepsTheRowUnselectedWhileTheFocusMoves) {
    Fill(0, 5);
    host.vetoSelect = {2};
    Click(m, 1, 0, false, false);
    KeyDown(m, kKeyDown, false, false, view);
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 2);
    EXPECT_EQ(m.GetSelectedCount(), 0); // row 1 went, row 2 was refused
    Click(m, 0, 0, false, false);
    Click(m, 3, 0, true, false); // the range 0..3 skips item 2
    std::vector<int> v(8);
    v.resize((size_t)m.GetSelectedItems(v.data(), 8));
    EXPECT_EQ(v, (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 3);
    // The parent was asked about item 2 each time.
    int asked = 0;
    for (const Note& n : host.notes)
        if (n.code == RVN_SELCHANGING && n.item == 2) ++asked;
    EXPECT_EQ(asked, 2);
}

TEST_F(ReportInput, ClickOnTheFocusedCellStartsAnEdit) {
    const struct {
        const char* name;
        uint32_t style;
        std::vector<Step> steps;
        bool edit;
        int row, column;
    } cases[] = {
        {"cell focus: second click on the same cell",
         RVS_CELLFOCUS,
         {ClickRow(1, false, false, 1), ClickRow(1, false, false, 1)},
         true,
         1,
         1},
        {"cell focus: another cell first",
         RVS_CELLFOCUS,
         {ClickRow(1, false, false, 0), ClickRow(1, false, false, 1)},
         false,
         -2,
         -1},
        {"cell focus: with ctrl no edit",
         RVS_CELLFOCUS,
         {ClickRow(1, false, false, 1), ClickRow(1, false, true, 1)},
         false,
         -2,
         -1},
        {"row focus: no edit",
         0,
         {ClickRow(1, false, false, 1), ClickRow(1, false, false, 1)},
         false,
         -2,
         -1},
        {"edit row: second click",
         RVS_ENTRYROW,
         {ClickRow(-1, false, false, 2), ClickRow(-1, false, false, 2)},
         true,
         -1,
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m.DeleteAllItems();
        m.UndefineAllSubItems();
        m.AdjustFocus(-2, -1);
        Fill(c.style, 3);
        ClickAction a;
        for (const Step& s : c.steps)
            a = Run(s);
        EXPECT_EQ(a.edit, c.edit);
        EXPECT_EQ(a.row, c.row);
        EXPECT_EQ(a.column, c.column);
    }
}

TEST_F(ReportInput, NoFocusColumnsAreSkipped) {
    m.ModifyStyle(0, RVS_CELLFOCUS);
    for (int i = 0; i < 4; ++i) {
        _RVSUBITEM s = SubItem("c");
        if (i == 1 || i == 3) s.nFormat |= RVCF_NOFOCUS;
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
    AddRow(m, {"a", "b", "c", "d"});
    Click(m, 0, 1, false, false); // a no-focus column: the row gets the focus, no column
    int column = -5;
    EXPECT_EQ(m.GetCurrentFocus(&column), 0);
    EXPECT_EQ(column, -1);
    KeyAction k = KeyDown(m, kKeyRight, false, false, view);
    m.GetCurrentFocus(&column);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(k.showColumn, 0);
    KeyDown(m, kKeyRight, false, false, view);
    m.GetCurrentFocus(&column);
    EXPECT_EQ(column, 2);
    KeyDown(m, kKeyRight, false, false, view); // 3 never takes it: stays
    m.GetCurrentFocus(&column);
    EXPECT_EQ(column, 2);
    KeyDown(m, kKeyLeft, false, false, view);
    m.GetCurrentFocus(&column);
    EXPECT_EQ(column, 0);
    int row = 0;
    EXPECT_TRUE(TypingStartsEdit(m, false, &row, &column));
    EXPECT_FALSE(TypingStartsEdit(m, true, &row, &column)); // with Ctrl held
}

TEST_F(ReportInput, LeftAndRightWithoutCellFocusScroll) {
    Fill(0, 2);
    Click(m, 0, 1, false, false);
    EXPECT_EQ(KeyDown(m, kKeyRight, false, false, view).hscroll, 1);
    EXPECT_EQ(KeyDown(m, kKeyLeft, false, false, view).hscroll, -1);
    int row = 0, column = 0;
    EXPECT_FALSE(TypingStartsEdit(m, false, &row, &column)); // a row, not a cell, has the focus
}

TEST_F(ReportInput, TreeKeysOpenCloseAndWalk) {
    m.ModifyStyle(0, RVS_TREEMODE | RVS_ENTRYROW);
    DefineColumns(m, 1);
    _TREEITEM* a = m.InsertItem("a", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* a1 = m.InsertItem("a1", -1, -1, -1, a, TVI_LAST);
    m.InsertItem("a2", -1, -1, -1, a, TVI_LAST);
    m.InsertItem("b", -1, -1, -1, TVI_ROOT, TVI_LAST);
    ASSERT_EQ(m.GetRowCount(), 2); // a (collapsed), b
    Click(m, 0, 0, false, false);
    const struct {
        unsigned key;
        int rows;
        int focusItem;
    } steps[] = {
        {kKeyRight, 4, m.GetItemIndex(a)},  // expands
        {kKeyRight, 4, m.GetItemIndex(a1)}, // to the first child
        {kKeyRight, 4, m.GetItemIndex(a1)}, // no children: falls through to scrolling
        {kKeyLeft, 4, m.GetItemIndex(a)},   // to the parent
        {kKeyLeft, 2, m.GetItemIndex(a)},   // collapses
        {kKeyLeft, 2, -1},                  // top level: the edit row
    };
    for (const auto& s : steps) {
        KeyAction k = KeyDown(m, s.key, false, false, view);
        EXPECT_TRUE(k.handled);
        EXPECT_EQ(m.GetRowCount(), s.rows);
        int row = m.GetCurrentFocus(nullptr);
        EXPECT_EQ(row == -1 ? -1 : m.GetItemFromRow(row), s.focusItem);
        EXPECT_EQ(Invariants(m), "ok");
    }
    EXPECT_EQ(m.GetFirstSelectedItem(), -1);
}

} // namespace

namespace {

// Deleting the focused first row leaves the focus at the edit-row position; without an edit row,
// neither Space nor a click there may select that position.
TEST_F(ReportInput, TheEditRowPositionWithoutAnEditRowIsNeverSelected) {
    Fill(0, 3);
    Click(m, 0, 0, false, false);
    m.DeleteItem(0);
    ASSERT_EQ(m.GetCurrentFocus(nullptr), -1);
    KeyDown(m, kKeySpace, false, false, view);
    Click(m, -1, 0, false, false);
    RightClick(m, -1, false, false);
    EXPECT_EQ(m.GetSelectedCount(), 0);
    KeyDown(m, kKeyDown, false, false, view);
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 0);
    EXPECT_EQ(Selected(), std::vector<int>{0});
    EXPECT_EQ(Invariants(m), "ok");
}

} // namespace
