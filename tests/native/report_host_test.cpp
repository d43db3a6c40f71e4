// The model's overridable operations as a host sees them: what reaches the hooks, and the model's own
// forms when a host calls them with odd arguments or declines (no cache slot, a refused store).
#include <gtest/gtest.h>

#include "report_fixture.h"

#include <cstdio>

namespace {

using namespace reporttest;
using zrpc::report::Item;

struct HookHost : RecordingHost {
    bool noSlots = false;       // CacheAdd declines every item
    bool refuse = false;        // SetItemStruct stores nothing
    int sortLo = 0, sortHi = 0; // QuickSort is asked for these rows instead
    bool narrowSort = false;
    int adds = 0;
    Item* CacheAdd(ReportModel& m, int iItem) override {
        ++adds;
        return noSlots ? nullptr : m.DefaultCacheAdd(iItem);
    }
    bool SetItemStruct(ReportModel& m, int iItem, Item& item) override {
        return !refuse && m.DefaultSetItemStruct(iItem, item);
    }
    void QuickSort(ReportModel& m, int iSubItem, int lo, int hi, bool bAscending) override {
        if (narrowSort) {
            lo = sortLo;
            hi = sortHi;
        }
        m.DefaultQuickSort(iSubItem, lo, hi, bAscending);
    }
};

TEST(ReportHostHooks, UncachedReadsLoadEachTimeAndStayReadable) {
    HookHost host;
    host.data = [](_RVITEM& r) {
        snprintf(r.lpszText, (size_t)r.iTextMax, "d%d", r.iItem);
        r.nMask = RVIM_LABEL;
    };
    ReportModel m(&host);
    ASSERT_TRUE(m.ModifyStyle(0, RVS_VIRTUALDATA));
    DefineColumns(m, 2);
    ASSERT_TRUE(m.SetItemCount(500));
    host.noSlots = true;
    EXPECT_EQ("d3", m.GetItemText(3, 0));
    EXPECT_EQ("d3", m.GetItemText(3, 0));
    EXPECT_EQ("d499", m.GetItemText(499, 1));
    EXPECT_EQ(3, host.needData);
    EXPECT_EQ(3, host.adds);
    host.noSlots = false;
    EXPECT_EQ("d3", m.GetItemText(3, 0));
    EXPECT_EQ("d3", m.GetItemText(3, 0));
    EXPECT_EQ(4, host.needData);
    EXPECT_EQ("ok", Invariants(m));
}

TEST(ReportHostHooks, ARefusedStoreChangesNothing) {
    HookHost host;
    ReportModel m(&host);
    DefineColumns(m, 2);
    AddRow(m, {"a", "1"});
    host.refuse = true;
    EXPECT_FALSE(m.SetItemText(0, 1, "2"));
    EXPECT_EQ("1", m.GetItemText(0, 1));
    // Inserting is not a change of a stored item: the new item comes with its text.
    EXPECT_EQ(1, m.AddItem("b"));
    EXPECT_EQ("b", m.GetItemText(1, 0));
    EXPECT_EQ("ok", Invariants(m));
}

TEST(ReportHostHooks, StoreKeepsTheControlsOwnStateAndTreeLevel) {
    HookHost host;
    ReportModel m(&host);
    ASSERT_TRUE(m.ModifyStyle(0, RVS_TREEMODE));
    DefineColumns(m, 1);
    _TREEITEM* top = m.InsertItem("top", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* kid = m.InsertItem("kid", -1, -1, -1, top, TVI_LAST);
    m.Expand(top, 2); // expand
    int item = m.GetItemIndex(kid);
    m.SetSelection(item, false);
    _RVITEM r{};
    r.nMask = RVIM_STATEBITS | RVIM_INDENTLEVEL;
    r.iItem = item;
    r.iSubItem = -1;
    r.nState = RVIS_HEAVYFONT;
    r.iIndent = 7;
    ASSERT_TRUE(m.SetItem(&r));
    r.nMask = 0;
    ASSERT_TRUE(m.GetItem(&r));
    EXPECT_EQ((uint32_t)(RVIS_HEAVYFONT | RVIS_CHOSEN | RVIS_HASFOCUS), r.nState);
    EXPECT_EQ(2, r.iIndent);
    EXPECT_EQ(kid, m.GetItemHandle(item));
    EXPECT_EQ("ok", Invariants(m));
}

TEST(ReportHostHooks, QuickSortOfPartOfTheRowsLeavesTheRest) {
    struct Case {
        int lo, hi;
        std::vector<std::string> rows;
    } cases[] = {
        {1, 2, {"d", "b", "c", "a"}},
        {-5, 99, {"a", "b", "c", "d"}}, // clamped to the rows
        {2, 1, {"d", "c", "b", "a"}},   // empty range: nothing moves
    };
    for (const Case& c : cases) {
        HookHost host;
        ReportModel m(&host);
        DefineColumns(m, 1);
        for (const char* t : {"d", "c", "b", "a"})
            m.AddItem(t);
        host.narrowSort = true;
        host.sortLo = c.lo;
        host.sortHi = c.hi;
        ASSERT_TRUE(m.SortItems(0, true));
        EXPECT_EQ(c.rows, RowTexts(m, 0)) << c.lo << ".." << c.hi;
        EXPECT_EQ("ok", Invariants(m));
    }
}

} // namespace
