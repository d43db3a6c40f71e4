// Report model, items and sub-items: cells that round-trip whatever they hold, sub-item definitions
// shifting stored cells, the insertion rule while sorted, the state bits the control keeps, the copy
// line, colours, properties, the edit row, virtual mode and refusals of bad input.
#include <gtest/gtest.h>

#include <cstdio>

#include "report_fixture.h"

using namespace reporttest;
using zrpc::report::SharedValues;

namespace {

class ReportItems : public ::testing::Test {
  protected:
    RecordingHost host;
    ReportModel m{&host};
    void SetUp() override { DefineColumns(m, 3); }
};

TEST_F(ReportItems, CellTextsRoundTripWhateverTheyHold) {
    const std::string longText(300, 'x');
    const struct {
        const char* text;
        std::string expect;
    } cases[] = {
        {"plain", "plain"},
        {"a|b|c", "a|b|c"}, // the old separator inside a text
        {"(1,2,3,4,5)x|", "(1,2,3,4,5)x|"},
        {"", ""},
        {longText.c_str(), std::string(255, 'x')}, // cut at 255 bytes
        {"tab\there", "tab\there"},
    };
    for (const auto& c : cases) {
        int i = m.AddItem("first");
        ASSERT_TRUE(m.SetItemText(i, 1, c.text));
        EXPECT_EQ(m.GetItemText(i, 1), c.expect) << c.text;
        EXPECT_EQ(m.GetItemText(i, 0), "first");
        EXPECT_EQ(m.GetItemText(i, 2), "");
    }
    // Changing the separator after items exist is accepted and damages nothing.
    char before = m.Shared().divider;
    EXPECT_TRUE(m.ModifyProperty(RVP_DIVIDER, '#'));
    EXPECT_EQ(m.GetProperty(RVP_DIVIDER), '#');
    EXPECT_EQ(m.GetItemText(1, 1), "a|b|c");
    EXPECT_TRUE(m.SetItemText(1, 2, "p#q"));
    EXPECT_EQ(m.GetItemText(1, 2), "p#q");
    m.ModifyProperty(RVP_DIVIDER, before);
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportItems, GetItemFillsMaskFromWhatIsStored) {
    int i = m.AddItem("t", 3, 1, 2);
    char buf[8];
    _RVITEM r{};
    r.nMask = RVIM_LABEL;
    r.iItem = i;
    r.iSubItem = 0;
    r.lpszText = buf;
    r.iTextMax = sizeof buf;
    ASSERT_TRUE(m.GetItem(&r));
    EXPECT_EQ(r.nMask,
              RVIM_LABEL | RVIM_PICTURE | RVIM_CHECKMARK | RVIM_FORECOLOUR | RVIM_STATEBITS | RVIM_USERDATA);
    EXPECT_EQ(r.iImage, 3);
    EXPECT_EQ(r.iCheck, 1);
    EXPECT_EQ(r.iTextColor, 2);
    EXPECT_EQ(r.iOverlay, -1);
    EXPECT_EQ(r.iIndent, -1);
    // A cell without text: no RVIM_LABEL, an empty string and length 0.
    r.nMask = RVIM_LABEL;
    r.iSubItem = 1;
    std::snprintf(buf, sizeof buf, "junk");
    ASSERT_TRUE(m.GetItem(&r));
    EXPECT_EQ(r.nMask & RVIM_LABEL, 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(m.GetItemText(i, 1, buf, sizeof buf), 0);
    // A small buffer gets n - 1 characters and a terminator.
    m.SetItemText(i, 2, "abcdefghij");
    char small[4] = {'?', '?', '?', '?'};
    EXPECT_EQ(m.GetItemText(i, 2, small, sizeof small), 3);
    EXPECT_STREQ(small, "abc");
}

TEST_F(ReportItems, ControlOwnedStateBitsCannotBeSetOrCleared) {
    int i = m.AddItem("a");
    m.SetSelection(i, false); // CHOSEN and HASFOCUS now set by the control
    const struct {
        uint32_t pass;
        uint32_t expect;
    } cases[] = {
        {0, RVIS_CHOSEN | RVIS_HASFOCUS},
        {RVIS_HEAVYFONT | RVIS_EXPANDED | RVIS_COLLAPSED, RVIS_CHOSEN | RVIS_HASFOCUS | RVIS_HEAVYFONT},
        {0xFFFFFFFFu, 0xFFFFFFFFu & ~(RVIS_EXPANDED | RVIS_COLLAPSED)},
        {RVIS_NOEDIT, RVIS_CHOSEN | RVIS_HASFOCUS | RVIS_NOEDIT},
    };
    for (const auto& c : cases) {
        _RVITEM r{};
        r.nMask = RVIM_STATEBITS;
        r.iItem = i;
        r.iSubItem = -1;
        r.nState = c.pass;
        ASSERT_TRUE(m.SetItem(&r));
        _RVITEM g{};
        g.iItem = i;
        g.iSubItem = -1;
        ASSERT_TRUE(m.GetItem(&g));
        EXPECT_EQ(g.nState, c.expect) << std::hex << c.pass;
    }
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportItems, DefineSubItemAtZeroShiftsEveryStoredCell) {
    AddRow(m, {"a0", "a1", "a2"});
    AddRow(m, {"b0", "b1", "b2"});
    m.SetItemText(-1, 0, "edit");
    _RVSUBITEM s = SubItem("new");
    EXPECT_EQ(m.DefineSubItem(0, &s), 0);
    EXPECT_EQ(m.GetSubItemCount(), 4);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(m.GetItemText(i, 0), "");
        EXPECT_EQ(m.GetItemText(i, 1), std::string(1, (char)('a' + i)) + "0");
        EXPECT_EQ(m.GetItemText(i, 3), std::string(1, (char)('a' + i)) + "2");
    }
    EXPECT_EQ(m.GetItemText(-1, 1), "edit");
    // The shown columns keep showing the same data.
    EXPECT_EQ(m.GetColumnOrder(), (std::vector<int>{1, 2, 3}));
    // Past the end appends; removing a definition takes its cells away.
    EXPECT_EQ(m.DefineSubItem(99, &s), 4);
    EXPECT_TRUE(m.UndefineSubItem(1));
    EXPECT_EQ(m.GetItemText(0, 1), "a1");
    EXPECT_EQ(m.GetColumnOrder(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportItems, InsertWhileSortedLandsAtItsIndexAndFocusStays) {
    for (const char* t : {"d", "b", "e", "a"})
        m.AddItem(t);
    ASSERT_TRUE(m.SortItems(0, true)); // rows: a b d e = items 3 1 0 2
    m.SetSelection(0, false);          // focus on item 0 ("d"), row 2
    ASSERT_EQ(m.GetCurrentFocus(nullptr), 2);
    const struct {
        int at;
        std::vector<int> rows;
        int focusRow;
    } cases[] = {
        // Items >= at move up by one; the new item's row is its index.
        {1, {4, 1, 2, 0, 3}, 3},
        {5, {4, 1, 2, 0, 3, 5}, 3},
        {0, {0, 5, 2, 3, 1, 4, 6}, 4},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(m.InsertItem(c.at, "new"), c.at);
        EXPECT_EQ(m.GetItemRowArray(), c.rows) << c.at;
        EXPECT_EQ(m.GetCurrentFocus(nullptr), c.focusRow);
        EXPECT_EQ(m.GetItemText(m.GetItemFromRow(c.focusRow), 0), "d");
        EXPECT_EQ(Invariants(m), "ok");
    }
    // Past the end is refused and changes nothing.
    EXPECT_EQ(m.InsertItem(99, "x"), -2);
    EXPECT_EQ(m.GetItemCount(), 7);
}

TEST_F(ReportItems, DeleteItemNotifiesRenumbersAndMovesTheFocus) {
    for (int i = 0; i < 5; ++i) {
        m.AddItem(std::to_string(i).c_str());
        m.SetItemData(i, 100 + i);
    }
    m.SetSelection(3, false);
    m.SetSelection(4, true); // focus row 4, selected 3 and 4
    EXPECT_EQ(m.DeleteItem(1), 1);
    EXPECT_EQ(host.notes.back().code, RVN_REMOVED);
    EXPECT_EQ(host.notes.back().lParam, 101);
    int sel[4];
    EXPECT_EQ(m.GetSelectedItems(sel, 4), 2);
    EXPECT_EQ(sel[0], 2);
    EXPECT_EQ(sel[1], 3);
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 3); // same item, one row up
    EXPECT_EQ(m.DeleteItem(3), 1);            // the focused row: the focus goes one row up
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 2);
    EXPECT_EQ(m.GetItemText(m.GetItemFromRow(2), 0), "3");
    EXPECT_EQ(m.DeleteItem(-1), 0);
    EXPECT_EQ(m.DeleteItem(3), 0);
    EXPECT_EQ(Invariants(m), "ok");
    host.notes.clear();
    EXPECT_TRUE(m.DeleteAllItems());
    EXPECT_EQ(host.Items(RVN_REMOVED), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), -2);
    EXPECT_EQ(m.GetFirstSelectedItem(), -2);
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportItems, AddItemWithoutRecordCopiesTheEditRow) {
    m.SetItemText(-1, 0, "typed");
    m.SetItemText(-1, 2, "third");
    m.SetItemCheck(-1, 1, 1);
    int i = m.AddItem(static_cast<const _RVITEM*>(nullptr));
    ASSERT_EQ(i, 0);
    EXPECT_EQ(m.GetItemText(0, 0), "typed");
    EXPECT_EQ(m.GetItemCheck(0, 1), 1);
    EXPECT_EQ(m.GetItemText(0, 2), "third");
}

TEST_F(ReportItems, CopyLineJoinsCellsAndBlanksTheSeparator) {
    int i = AddRow(m, {"a\tb", "", "c"});
    m.SetItemText(i, 1, nullptr); // no text
    m.SetItemImage(i, 1, 7);
    EXPECT_EQ(m.GetItemString(i, '\t'), "a b\t7\tc\n");
    m.SetItemImage(i, 1, -1);
    m.SetItemCheck(i, 1, 2);
    EXPECT_EQ(m.GetItemString(i, ';'), "a\tb;2;c\n");
    // Display order, not definition order.
    ASSERT_TRUE(m.SetColumnOrder({2, 0, 1}));
    EXPECT_EQ(m.GetItemString(i, ','), "c,a\tb,2\n");
    EXPECT_EQ(m.GetItemString(5, ','), "");
}

TEST_F(ReportItems, ColourTable) {
    EXPECT_EQ(m.InsertColor(2, 0x0000FF), 2); // extends with zeros
    EXPECT_EQ(m.GetColorCount(), 3);
    EXPECT_EQ(m.GetColor(0), 0u);
    EXPECT_EQ(m.InsertColor(0, 0x00FF00), 0); // inserts before
    EXPECT_EQ(m.GetColor(3), 0x0000FFu);
    EXPECT_TRUE(m.SetColor(1, 0x123456));
    EXPECT_EQ(m.GetColor(1), 0x123456u);
    const int bad[] = {-1, 4, 1000};
    for (int b : bad) {
        EXPECT_FALSE(m.SetColor(b, 1)) << b;
        EXPECT_EQ(m.GetColor(b), 0u) << b;
    }
    EXPECT_FALSE(m.DeleteColor(4));
    EXPECT_TRUE(m.DeleteColor(0));
    EXPECT_EQ(m.GetColor(0), 0x123456u);
    EXPECT_EQ(m.InsertColor(-1, 0), -1);
    EXPECT_EQ(m.InsertColor(0x10000, 0), -1);
    m.DeleteAllColors();
    EXPECT_EQ(m.GetColorCount(), 0);
}

TEST_F(ReportItems, PropertiesAcceptTheirValuesAndRefuseOthers) {
    const struct {
        uint32_t prop;
        intptr_t value;
        bool ok;
    } cases[] = {
        {RVP_GAP, 4, true},
        {RVP_LINESTYLE, 0, true},
        {RVP_LINESTYLE, 3, false},
        {RVP_LINESTYLE, -1, false},
        {RVP_CHECKBOXLOOK, 2, true},
        {RVP_CHECKBOXLOOK, 3, false},
        {RVP_NOTIFYFILTER, 0, true},
        {RVP_NOTIFYFILTER, -1, true},
        {0, 1, false},
        {16, 1, false},
        {RVP_EMPTYMESSAGE, 0, false},
        {RVP_FADECOLOUR, 0xFF, true},
        {RVP_SORTTIP, 0, false},
        {RVP_COPYINDENTATION, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m.ModifyProperty(c.prop, c.value), c.ok) << c.prop << " " << c.value;
    EXPECT_EQ(m.GetProperty(RVP_LINESTYLE), 0);
    EXPECT_EQ(m.GetProperty(RVP_CHECKBOXSIZE), (8 << 16) | 8);
    EXPECT_STREQ(reinterpret_cast<const char*>(m.GetProperty(RVP_EMPTYMESSAGE)),
                 "There are no items to show in this view.");
    EXPECT_STREQ(reinterpret_cast<const char*>(m.GetProperty(RVP_SORTTIP)), "Sort by: %s");
}

// The separator, the copy separator and the copy indent are one set of values for every control that
// shares them: a change through one control holds for the others; a control with values of its own
// is not touched.
TEST(ReportShared, ValuesChangedThroughOneControlHoldForAll) {
    SharedValues shared, other;
    ReportModel a(nullptr, &shared), b(nullptr, &shared), c(nullptr, &other);
    const struct {
        uint32_t prop;
        intptr_t value;
    } cases[] = {{RVP_DIVIDER, '#'}, {RVP_COPYDELIMITER, ';'}};
    for (const auto& k : cases) {
        intptr_t was = c.GetProperty(k.prop);
        ASSERT_TRUE(a.ModifyProperty(k.prop, k.value));
        EXPECT_EQ(b.GetProperty(k.prop), k.value);
        EXPECT_EQ(c.GetProperty(k.prop), was);
    }
    ASSERT_TRUE(b.ModifyProperty(RVP_COPYINDENTATION, reinterpret_cast<intptr_t>("--")));
    EXPECT_STREQ(reinterpret_cast<const char*>(a.GetProperty(RVP_COPYINDENTATION)), "--");
    EXPECT_STREQ(reinterpret_cast<const char*>(c.GetProperty(RVP_COPYINDENTATION)), "  ");
    // A control made without values of its own shares the process's.
    ReportModel d, e;
    EXPECT_EQ(&d.Shared(), &zrpc::report::ProcessValues());
    EXPECT_EQ(&d.Shared(), &e.Shared());
}

TEST_F(ReportItems, BadItemsAndSubItemsChangeNothing) {
    AddRow(m, {"a", "b", "c"});
    _RVITEM r{};
    r.nMask = RVIM_LABEL;
    r.lpszText = const_cast<char*>("x");
    const struct { int item, sub; } cases[] = {{-2, 0}, {-3, 0}, {1, 0}, {1000, 0}, {0, 3}, {0, 100}};
    for (const auto& c : cases) {
        r.iItem = c.item;
        r.iSubItem = c.sub;
        EXPECT_FALSE(m.SetItem(&r)) << c.item << "," << c.sub;
        _RVITEM g = r;
        EXPECT_FALSE(m.GetItem(&g));
        EXPECT_EQ(m.GetItemImage(c.item, c.sub), -1);
    }
    EXPECT_FALSE(m.SetItem(nullptr));
    EXPECT_FALSE(m.GetItem(nullptr));
    r.iItem = 0;
    r.iSubItem = 5;
    EXPECT_EQ(m.InsertItem(&r), -2);
    EXPECT_EQ(m.DefineSubItem(-1, nullptr), -1);
    EXPECT_FALSE(m.UndefineSubItem(3));
    EXPECT_FALSE(m.RedefineSubItem(-1, nullptr));
    EXPECT_EQ(m.ActivateSubItem(0, 0), -1); // already shown
    EXPECT_EQ(m.ActivateSubItem(7, 0), -1);
    EXPECT_FALSE(m.DeactivateSubItem(7));
    EXPECT_EQ(m.GetItemCount(), 1);
    EXPECT_EQ(m.GetItemText(0, 0), "a");
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportItems, ActivationClampsTheWidthToTheLimits) {
    _RVSUBITEM s = SubItem("narrow", 20);
    s.iMinWidth = 50;
    s.iMaxWidth = 80;
    int sub = m.DefineSubItem(3, &s);
    EXPECT_EQ(m.ActivateSubItem(sub, 0), 0);
    EXPECT_EQ(m.GetSubItemWidth(sub), 50);
    _RVSUBITEM wide = SubItem("wide", 500);
    wide.iMaxWidth = 80;
    sub = m.DefineSubItem(4, &wide);
    m.ActivateSubItem(sub, 9); // past the end: last position
    EXPECT_EQ(m.GetSubItemWidth(sub), 80);
    EXPECT_EQ(m.GetColumnFromSubItem(sub), 4);
    _RVSUBITEM deflt = SubItem("default", -5);
    EXPECT_EQ(m.GetSubItemWidth(m.DefineSubItem(5, &deflt)), 200);
}

TEST_F(ReportItems, StylesChangeModesOnlyWhileEmpty) {
    EXPECT_TRUE(m.ModifyStyle(0, RVS_CELLFOCUS | RVS_ENTRYROW));
    m.AddItem("x");
    EXPECT_FALSE(m.ModifyStyle(0, RVS_TREEMODE));
    EXPECT_FALSE(m.ModifyStyle(0, RVS_VIRTUALDATA));
    EXPECT_EQ(m.GetStyle(), (uint32_t)(RVS_CELLFOCUS | RVS_ENTRYROW));
    ASSERT_TRUE(m.AdjustFocus(0, 1));
    int col = 0;
    EXPECT_TRUE(m.ModifyStyle(RVS_CELLFOCUS, 0));
    m.GetCurrentFocus(&col);
    EXPECT_EQ(col, -1);
    m.DeleteAllItems();
    EXPECT_TRUE(m.ModifyStyle(0, RVS_TREEMODE));
    EXPECT_EQ(m.InsertItem(0, "list"), -2);
}

TEST(ReportVirtual, DataComesFromTheParentThroughTheCache) {
    RecordingHost host;
    ReportModel m(&host);
    DefineColumns(m, 2);
    ASSERT_TRUE(m.ModifyStyle(0, RVS_VIRTUALDATA));
    host.data = [](_RVITEM& r) {
        if (r.iSubItem >= 0) {
            std::snprintf(r.lpszText, (size_t)r.iTextMax, "v%d.%d", r.iItem, r.iSubItem);
            r.nMask |= RVIM_LABEL;
        }
        r.lParam = r.iItem * 10;
        r.nMask |= RVIM_USERDATA;
    };
    ASSERT_TRUE(m.SetItemCount(300));
    EXPECT_EQ(m.GetItemCount(), 300);
    EXPECT_EQ(m.GetItemText(5, 1), "v5.1");
    int asked = host.needData;
    EXPECT_EQ(m.GetItemText(5, 1), "v5.1"); // cached
    EXPECT_EQ(host.needData, asked);
    EXPECT_EQ(m.GetItemText(133, 0), "v133.0"); // same slot (133 mod 128 = 5): replaces item 5
    EXPECT_EQ(m.GetItemText(5, 1), "v5.1");
    EXPECT_GT(host.needData, asked + 1);
    EXPECT_EQ(m.GetItemData(7), 70);
    // Cache off: every read asks.
    m.ModifyProperty(RVP_USECACHE, 0);
    asked = host.needData;
    m.GetItemText(5, 1);
    m.GetItemText(5, 1);
    EXPECT_EQ(host.needData, asked + 2);
    // List operations are refused; selection lives beside the data.
    EXPECT_EQ(m.InsertItem(0, "x"), -2);
    EXPECT_EQ(m.DeleteItem(0), -2);
    EXPECT_FALSE(m.DeleteAllItems());
    EXPECT_FALSE(m.SetItemText(0, 0, "x"));
    EXPECT_FALSE(m.SortItems(0, true));
    _RVFINDINFO f{};
    EXPECT_EQ(m.FindItem(&f, 0, -1), -2);
    m.SetSelection(10, false);
    m.SetSelection(250, true);
    EXPECT_EQ(m.GetSelectedCount(), 2);
    _RVITEM g{};
    g.iItem = 250;
    g.iSubItem = -1;
    ASSERT_TRUE(m.GetItem(&g));
    EXPECT_EQ(g.nState, (uint32_t)(RVIS_CHOSEN | RVIS_HASFOCUS));
    EXPECT_EQ(m.GetNextItem(TVI_ROOT, 5), nullptr); // a focused row but no tree
    EXPECT_EQ(Invariants(m), "ok");
    // SetItemCount(0) leaves no selection, no focus and no cached item.
    ASSERT_TRUE(m.SetItemCount(0));
    EXPECT_EQ(m.GetSelectedCount(), 0);
    EXPECT_EQ(m.GetCurrentFocus(nullptr), -2);
    EXPECT_EQ(m.GetItemText(5, 1), "");
    EXPECT_EQ(Invariants(m), "ok");
}

TEST(ReportVirtual, NotifyFilterZeroGivesBlankCells) {
    RecordingHost host;
    ReportModel m(&host);
    DefineColumns(m, 1);
    m.ModifyStyle(0, RVS_VIRTUALDATA);
    host.data = [](_RVITEM& r) {
        std::snprintf(r.lpszText, (size_t)r.iTextMax, "data");
        r.nMask |= RVIM_LABEL;
    };
    m.SetItemCount(3);
    ASSERT_TRUE(m.ModifyProperty(RVP_NOTIFYFILTER, 0));
    EXPECT_EQ(m.GetItemText(1, 0), "");
    EXPECT_EQ(host.needData, 0);
    // Only the data request let through.
    m.ModifyProperty(RVP_NOTIFYFILTER, 1 << 8);
    m.FlushCache(-2);
    EXPECT_EQ(m.GetItemText(1, 0), "data");
}

} // namespace
