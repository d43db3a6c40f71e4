// Items and rows kept apart: in a sorted list, in a tree with collapsed nodes and in virtual mode the
// operations that name items take and give items, those that name rows (the focus, the top row, the
// editor's cell) rows, and whatever the control shows, hits, scrolls to, edits or copies is the row
// where the item stands.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 91;

struct ParentState {
    std::set<int> asked; // items RVN_NEEDDATA asked for
    int needCount = 0;
    std::vector<_NMRVITEMEDIT> edits; // RVN_BEGINITEMEDIT records
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code == RVN_NEEDDATA) {
            auto* rq = reinterpret_cast<_NMRVITEMCALLBACK*>(lp);
            state->asked.insert(rq->item.iItem);
            ++state->needCount;
            if (rq->item.iSubItem >= 0) {
                snprintf(rq->item.lpszText, (size_t)rq->item.iTextMax, "v%d", rq->item.iItem);
                rq->item.nMask = RVIM_LABEL;
            } else {
                rq->item.nMask = 0;
            }
            return 0;
        }
        if (h->code == RVN_BEGINITEMEDIT) state->edits.push_back(*reinterpret_cast<const _NMRVITEMEDIT*>(lp));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class ReportRows : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportRowsParent", ParentProc, &state, WS_POPUP | WS_VISIBLE, 20, 20,
                                      480, 360);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
        zt::Pump(20);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Two columns; items "d", "b", "e", "a", "c" (item i has "<letter>" and "<i>x"), then sorted by
    // the first column: rows a b c d e are items 3 1 4 0 2.
    CReportCtrl& MakeSorted(DWORD styles = 0) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 450, 330};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Other"};
        for (int i = 0; i < 2; ++i) {
            _RVSUBITEM s = {HDF_STRING, 120, 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        const char* letters[] = {"d", "b", "e", "a", "c"};
        char text[16];
        for (int i = 0; i < 5; ++i) {
            int item = report->AddItem(letters[i]);
            snprintf(text, sizeof text, "%dx", i);
            report->SetItemText(item, 1, text);
        }
        EXPECT_TRUE(report->SortItems(0, TRUE));
        SetFocus(report->Handle());
        zt::Pump(10);
        return *report;
    }
    std::vector<int> Rows() {
        std::vector<int> v;
        for (int row = 0; row < report->GetRowCount(); ++row)
            v.push_back(report->GetItemFromRow(row));
        return v;
    }
    std::vector<int> Selected() {
        std::vector<int> v;
        for (int i = report->GetFirstSelectedItem(); i != -2; i = report->GetNextSelectedItem(i))
            v.push_back(i);
        return v;
    }
    void Key(UINT vk) {
        SendMessageA(report->Handle(), WM_KEYDOWN, vk, 0);
        zt::Pump(5);
    }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

const std::vector<int> kRowItems = {3, 1, 4, 0, 2};

// The focus is a row: selecting an item puts it on the item's row.
TEST_F(ReportRows, SelectingAnItemFocusesItsRowInASortedList) {
    CReportCtrl& r = MakeSorted();
    ASSERT_EQ(Rows(), kRowItems);
    for (int item = 0; item < 5; ++item) {
        SCOPED_TRACE(item);
        r.SetSelection(item);
        EXPECT_EQ(Selected(), std::vector<int>{item});
        EXPECT_EQ(r.GetCurrentFocus(), r.GetItemRow(item));
        EXPECT_EQ(r.GetItemFromRow(r.GetCurrentFocus()), item);
        _RVITEM it = {};
        it.iItem = item;
        it.iSubItem = -1;
        ASSERT_TRUE(r.GetItem(&it));
        EXPECT_TRUE(it.nState & RVIS_HASFOCUS);
    }
    // The focused item keeps its focus mark alone.
    int marked = 0;
    for (int item = 0; item < 5; ++item) {
        _RVITEM it = {};
        it.iItem = item;
        it.iSubItem = -1;
        r.GetItem(&it);
        marked += (it.nState & RVIS_HASFOCUS) != 0;
    }
    EXPECT_EQ(marked, 1);
}

// Sorting moves the focus with its item to the item's new row.
TEST_F(ReportRows, SortingKeepsTheFocusOnItsItem) {
    CReportCtrl& r = MakeSorted();
    r.SetSelection(0); // "d", row 3
    ASSERT_EQ(r.GetCurrentFocus(), 3);
    // By a call, descending and ascending again, and by a header click.
    EXPECT_TRUE(r.SortItems(0, FALSE)); // e d c b a
    EXPECT_EQ(r.GetItemRow(0), 1);
    EXPECT_EQ(r.GetCurrentFocus(), 1);
    EXPECT_TRUE(r.SortItems(1, TRUE)); // by "<i>x": items 0 1 2 3 4
    EXPECT_EQ(r.GetItemRow(0), 0);
    EXPECT_EQ(r.GetCurrentFocus(), 0);
    NMHEADERA click = {};
    click.hdr.hwndFrom = r.GetHeaderCtrl();
    click.hdr.idFrom = 0;
    click.hdr.code = HDN_ITEMCLICKA;
    click.iItem = 0; // the first column: sorted ascending by it
    SendMessageA(r.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Rows(), kRowItems);
    EXPECT_EQ(r.GetCurrentFocus(), 3);
    // The arrow keys go on from the item's row.
    Key(VK_DOWN);
    EXPECT_EQ(r.GetCurrentFocus(), 4);
    EXPECT_EQ(Selected(), std::vector<int>{2}); // "e", the row after "d"
}

TEST_F(ReportRows, RightOnAnOpenNodeGoesToItsFirstChild) {
    report.reset(new CReportCtrl);
    RECT rc = {10, 10, 450, 330};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | RVS_TREEMODE, rc, parent, kReportId));
    _RVSUBITEM s = {HDF_STRING, 200, 0, 0, 0, "Tree"};
    report->DefineSubItem(0, &s);
    report->ActivateSubItem(0, 0);
    // Items 0 "b", 1 "c" (child of b), 2 "d" (child of c), 3 "a" (first at the top): once open the
    // rows are a b c d, items 3 0 1 2, so that no row number equals its item's index.
    HTREEITEM b = report->InsertItem("b", -1, -1, -1, TVI_ROOT);
    HTREEITEM c = report->InsertItem("c", -1, -1, -1, b);
    HTREEITEM d = report->InsertItem("d", -1, -1, -1, c);
    HTREEITEM a = report->InsertItem("a", -1, -1, -1, TVI_ROOT, TVI_FIRST);
    ASSERT_TRUE(a && b && c && d);
    SetFocus(report->Handle());
    report->SetSelection(report->GetItemIndex(b));
    ASSERT_EQ(report->GetCurrentFocus(), 1); // rows: a b
    const struct {
        UINT key;
        int rows;
        int focusRow;
        const char* focus;
    } steps[] = {{VK_RIGHT, 3, 1, "b"}, {VK_RIGHT, 3, 2, "c"}, {VK_RIGHT, 4, 2, "c"}, {VK_RIGHT, 4, 3, "d"},
                 {VK_LEFT, 4, 2, "c"},  {VK_LEFT, 3, 2, "c"},  {VK_LEFT, 3, 1, "b"}};
    for (const auto& st : steps) {
        Key(st.key);
        EXPECT_EQ(report->GetRowCount(), st.rows);
        EXPECT_EQ(report->GetCurrentFocus(), st.focusRow) << st.focus;
        int item = report->GetItemFromRow(report->GetCurrentFocus());
        EXPECT_STREQ(report->GetItemText(item, 0).GetString(), st.focus);
        EXPECT_EQ(Selected(), std::vector<int>{item});
    }
}

TEST_F(ReportRows, VirtualPaintAsksOnlyForThePaintedRows) {
    report.reset(new CReportCtrl);
    RECT rc = {10, 10, 450, 330};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | RVS_VIRTUALDATA, rc, parent, kReportId));
    _RVSUBITEM s = {HDF_STRING, 200, 0, 0, 0, "Cell"};
    report->DefineSubItem(0, &s);
    report->ActivateSubItem(0, 0);
    state.asked.clear();
    ASSERT_TRUE(report->SetItemCount(10000000));
    UpdateWindow(report->Handle());
    zt::Pump(10);
    int visible = report->GetVisibleCount(TRUE);
    ASSERT_GT(visible, 3);
    ASSERT_FALSE(state.asked.empty());
    EXPECT_EQ(*state.asked.begin(), 0);
    EXPECT_LT(*state.asked.rbegin(), visible) << state.asked.size() << " items asked for";
    // Far down: the last page (and the row above it, found not to fit), nothing in between.
    state.asked.clear();
    SendMessageA(report->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    UpdateWindow(report->Handle());
    ASSERT_FALSE(state.asked.empty());
    EXPECT_GE(*state.asked.begin(), 10000000 - visible - 1);
    EXPECT_EQ(report->GetTopIndex(), 10000000 - report->GetVisibleCount(FALSE));
}

// Everything that turns a point, a row or an item into another names the item of the sorted row.
TEST_F(ReportRows, HitRectsVisibilityEditingAndCopyFollowTheRows) {
    CReportCtrl& r = MakeSorted(RVS_CELLFOCUS | WS_VSCROLL);
    int height = r.GetItemHeight();
    for (int row = 0; row < 5; ++row) {
        int item = kRowItems[(size_t)row];
        SCOPED_TRACE(row);
        EXPECT_EQ(r.GetItemFromRow(row), item);
        EXPECT_EQ(r.GetItemRow(item), row);
        RECT cell;
        ASSERT_TRUE(r.GetItemRect(item, 0, &cell, 0));
        RECT first;
        ASSERT_TRUE(r.GetItemRect(kRowItems[0], 0, &first, 0));
        EXPECT_EQ(cell.top - first.top, row * height);
        _RVHITTESTINFO hti = {};
        hti.point.x = cell.left + 30;
        hti.point.y = (cell.top + cell.bottom) / 2;
        EXPECT_EQ(r.HitTest(&hti), item);
        EXPECT_EQ(hti.iRow, row);
        EXPECT_EQ(hti.iItem, item);
        EXPECT_TRUE(r.IsItemVisible(item));
    }
    // Editing a row edits its item's cell.
    state.edits.clear();
    ASSERT_TRUE(r.BeginEdit(1, 1, VK_RETURN)); // row 1: "b", item 1
    ASSERT_EQ(state.edits.size(), 1u);
    EXPECT_EQ(state.edits[0].iItem, 1);
    SetWindowTextA(r.GetEditWindow(), "new");
    r.EndEdit(TRUE);
    EXPECT_STREQ(r.GetItemText(1, 1).GetString(), "new");
    state.edits.clear();
    ASSERT_TRUE(r.BeginEdit(0, 1, VK_RETURN)); // row 0: "a", item 3
    ASSERT_EQ(state.edits.size(), 1u);
    EXPECT_EQ(state.edits[0].iItem, 3);
    r.EndEdit(FALSE);
    // Copy: the selected items in row order.
    r.SetSelection(0);
    r.SetSelection(3, TRUE);
    r.SetSelection(1, TRUE);
    zt::SetClipboardText(parent, "before");
    r.Copy();
    EXPECT_EQ(zt::ClipboardText(parent), "a\t3x\nb\tnew\nd\t0x\n");
}

TEST_F(ReportRows, EnsureVisibleScrollsToTheItemsRow) {
    report.reset(new CReportCtrl);
    RECT rc = {10, 10, 450, 130};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, rc, parent, kReportId));
    _RVSUBITEM s = {HDF_STRING, 120, 0, 0, 0, "Name"};
    report->DefineSubItem(0, &s);
    report->ActivateSubItem(0, 0);
    char text[16];
    for (int i = 0; i < 60; ++i) {
        snprintf(text, sizeof text, "%02d", 59 - i); // item i sorts to row 59 - i
        report->AddItem(text);
    }
    ASSERT_TRUE(report->SortItems(0, TRUE));
    int page = report->GetVisibleCount(FALSE);
    ASSERT_GT(page, 1);
    ASSERT_LT(page, 30);
    // Item 50 stands at row 9; item 5 at row 54.
    EXPECT_TRUE(report->EnsureVisible(5));
    EXPECT_TRUE(report->IsItemVisible(5));
    EXPECT_EQ(report->GetTopIndex(), 54 - page + 1);
    EXPECT_TRUE(report->EnsureVisible(50));
    EXPECT_TRUE(report->IsItemVisible(50));
    EXPECT_EQ(report->GetTopIndex(), 9);
    EXPECT_FALSE(report->IsItemVisible(5));
}

// The pattern selection is public: every row whose cell matches, added to or replacing the selection.
TEST_F(ReportRows, PatternSelection) {
    CReportCtrl& r = MakeSorted();
    CString pattern("?x");
    r.SetSelection(1, pattern, FALSE);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3, 4}));
    r.SetSelection(0, CString("b*"), FALSE);
    EXPECT_EQ(Selected(), std::vector<int>{1});
    r.SetSelection(0, CString("D"), TRUE); // case does not matter
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1}));
}

} // namespace
