// The report control as a careful caller and its user drive it: RVN_RELAYOUT for every width change,
// a deleted row that leaves the user's view where it was, a column drag that is no click, every
// selection change through an overridden SelectRows, the sub-item chooser after the definitions go,
// the in-place editor as part of the control's focus, a redraw of every item from another process,
// messages naming items that do not exist, and the messages of the background picture and the
// profile store.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/common/report_missing_items.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcctl.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 71;

struct Note {
    uint32_t code;
    int item;
    int subItem;
};

struct ParentState {
    std::vector<Note> notes;
    std::vector<Note> Of(uint32_t code) const {
        std::vector<Note> out;
        for (const Note& n : notes)
            if (n.code == code) out.push_back(n);
        return out;
    }
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state && reinterpret_cast<NMHDR*>(lp)->idFrom == kReportId) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code == RVN_COLUMNCLICKED || h->code == RVN_DIVIDERDOUBLECLICKED) {
            state->notes.push_back({h->code, -2, reinterpret_cast<const _NMRVHEADER*>(lp)->iSubItem});
        } else if (h->code != RVN_NEEDDATA && h->code != RVN_PAINTPREVIEW && h->code != RVN_PAINTITEM) {
            const auto* nm = reinterpret_cast<const _NMREPORTVIEW*>(lp);
            state->notes.push_back({h->code, nm->iItem, nm->iSubItem});
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

std::vector<int> Subs(const std::vector<Note>& notes) {
    std::vector<int> out;
    for (const Note& n : notes)
        out.push_back(n.subItem);
    return out;
}

// A control that overrides SelectRows: it counts the calls and passes them on unless told to keep
// the selection as it is.
class CountingReport : public CReportCtrl {
  public:
    int calls = 0;
    bool passOn = true;

  protected:
    void SelectRows(int iFirst, int iLast, BOOL bSelect, BOOL bKeepSelection, BOOL bInvert,
                    BOOL bNotify) override {
        ++calls;
        if (passOn) CReportCtrl::SelectRows(iFirst, iLast, bSelect, bKeepSelection, bInvert, bNotify);
    }
};

class ReportOps : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportOpsTestParent", ParentProc, &state, WS_POPUP | WS_VISIBLE, 20,
                                      20, 640, 420);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Columns "Name" 100, "Size" 80, "Kind" 60 shown, "Owner" 90 defined and hidden; items "row N".
    template <class Control = CReportCtrl> Control& Make(DWORD styles, int items, int height = 300) {
        auto* made = new Control;
        report.reset(made);
        RECT rc = {10, 10, 410, 10 + height};
        EXPECT_TRUE(made->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Size", "Kind", "Owner"};
        int widths[] = {100, 80, 60, 90};
        for (int i = 0; i < 4; ++i) {
            _RVSUBITEM s = {RV_HDF_STRING, widths[i], 0, 0, 0, names[i]};
            made->DefineSubItem(i, &s);
            if (i < 3) made->ActivateSubItem(i, i);
        }
        for (int i = 0; i < items; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "row %03d", i);
            made->AddItem(text);
            made->SetItemData(i, i);
        }
        zt::Pump(10);
        state = ParentState();
        return *made;
    }
    RECT HeaderItem(int item) {
        RECT rc = {};
        SendMessageA(report->GetHeaderCtrl(), HDM_GETITEMRECT, (WPARAM)item, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    void Header(UINT msg, WPARAM keys, int x, int y) {
        SendMessageA(report->GetHeaderCtrl(), msg, keys, MAKELPARAM(x & 0xFFFF, y & 0xFFFF));
    }
    std::vector<int> Order() {
        std::vector<int> out;
        for (int c = 0; c < report->GetActiveSubItemCount(); ++c)
            out.push_back(report->GetSubItemFromColumn(c));
        return out;
    }
    std::vector<std::string> RowTexts() {
        std::vector<std::string> out;
        for (int r = 0; r < report->GetRowCount(); ++r)
            out.push_back(report->GetItemText(report->GetItemFromRow(r), 0).GetString());
        return out;
    }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

// ---------------------------------------------------------------- RVN_RELAYOUT

TEST_F(ReportOps, RelayoutWheneverAColumnChangesWidth) {
    CReportCtrl& r = Make(0, 3);
    // SetSubItemWidth, once per change.
    ASSERT_TRUE(r.SetSubItemWidth(1, 130));
    ASSERT_EQ(std::vector<int>{1}, Subs(state.Of(RVN_RELAYOUT)));
    EXPECT_EQ(-2, state.Of(RVN_RELAYOUT)[0].item);
    state = ParentState();
    r.SetSubItemWidth(1, 130);
    EXPECT_TRUE(state.Of(RVN_RELAYOUT).empty());

    // The user drags the divider right of "Name" 40 pixels further.
    RECT name = HeaderItem(0);
    int y = (name.top + name.bottom) / 2;
    Header(WM_LBUTTONDOWN, MK_LBUTTON, name.right - 1, y);
    for (int dx = 10; dx <= 40; dx += 10)
        Header(WM_MOUSEMOVE, MK_LBUTTON, name.right - 1 + dx, y);
    Header(WM_LBUTTONUP, 0, name.right + 39, y);
    zt::Pump(10);
    EXPECT_NEAR(140, r.GetSubItemWidth(0), 2);
    std::vector<Note> told = state.Of(RVN_RELAYOUT);
    ASSERT_FALSE(told.empty());
    for (const Note& n : told)
        EXPECT_EQ(0, n.subItem);

    // A double-click on the divider fits the column to its cells.
    state = ParentState();
    name = HeaderItem(0);
    Header(WM_LBUTTONDBLCLK, MK_LBUTTON, name.right - 1, y);
    Header(WM_LBUTTONUP, 0, name.right - 1, y);
    zt::Pump(10);
    ASSERT_EQ(1u, state.Of(RVN_DIVIDERDOUBLECLICKED).size());
    EXPECT_EQ(std::max({r.MeasureItem(0, 0), r.MeasureItem(1, 0), r.MeasureItem(2, 0)}),
              r.GetSubItemWidth(0));
    EXPECT_EQ(std::vector<int>{0}, Subs(state.Of(RVN_RELAYOUT)));

    // A column shown.
    state = ParentState();
    EXPECT_EQ(1, r.ActivateSubItem(3, 1));
    EXPECT_EQ(std::vector<int>{3}, Subs(state.Of(RVN_RELAYOUT)));
    // Through a message, as a C client changes it.
    state = ParentState();
    EXPECT_EQ(TRUE, SendMessageA(r.Handle(), RVM_SETSUBITEMWIDTH, 2, 75));
    EXPECT_EQ(std::vector<int>{2}, Subs(state.Of(RVN_RELAYOUT)));
}

// ---------------------------------------------------------------- deleting rows under the user's view

TEST_F(ReportOps, DeleteItemLeavesTheViewWhereTheUserHasIt) {
    CReportCtrl& r = Make(0, 100);
    int visible = r.GetVisibleCount();
    ASSERT_GT(visible, 5);
    ASSERT_LT(visible, 40);
    r.SetCurrentFocus(0);             // the focus far above the view
    ASSERT_TRUE(r.EnsureVisible(60)); // row 60 the last one shown
    int top = r.GetTopIndex();
    ASSERT_EQ(60 - visible + 1, top);
    auto topText = [&] {
        return std::string(r.GetItemText(r.GetItemFromRow(r.GetTopIndex()), 0).GetString());
    };
    std::string first = topText();

    // A row above the view goes: the same row stays on top, one row higher up.
    ASSERT_TRUE(r.DeleteItem(5));
    EXPECT_EQ(top - 1, r.GetTopIndex());
    EXPECT_EQ(first, topText());
    // A row below the view goes: nothing moves.
    ASSERT_TRUE(r.DeleteItem(90));
    EXPECT_EQ(top - 1, r.GetTopIndex());
    EXPECT_EQ(first, topText());
    // The top row itself goes: the next one takes its place.
    int topItem = r.GetItemFromRow(r.GetTopIndex());
    std::string next = r.GetItemText(topItem + 1, 0).GetString();
    ASSERT_TRUE(r.DeleteItem(topItem));
    EXPECT_EQ(top - 1, r.GetTopIndex());
    EXPECT_EQ(next, topText());
    // With the focus inside the view, the view stays as well.
    r.SetCurrentFocus(r.GetItemFromRow(r.GetTopIndex() + 2));
    first = topText();
    ASSERT_TRUE(r.DeleteItem(0));
    EXPECT_EQ(first, topText());

    // On the last page: it stays full as rows go.
    ASSERT_TRUE(r.EnsureVisible(r.GetItemCount() - 1));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(r.DeleteItem(r.GetItemCount() - 1));
        EXPECT_EQ(r.GetRowCount() - visible, r.GetTopIndex());
    }
    ASSERT_TRUE(r.DeleteItem(r.GetItemFromRow(r.GetTopIndex())));
    EXPECT_EQ(r.GetRowCount() - visible, r.GetTopIndex());
    // Down to fewer rows than fit: the top is the first row.
    while (r.GetItemCount() > visible / 2)
        ASSERT_TRUE(r.DeleteItem(0));
    EXPECT_EQ(0, r.GetTopIndex());
}

// ---------------------------------------------------------------- a column drag is no click

TEST_F(ReportOps, ColumnDragIsNoClick) {
    CReportCtrl& r = Make(0, 4);
    // Rows in reverse name order, so that a sort would show.
    ASSERT_TRUE(r.SortItems(0, FALSE));
    RECT name = HeaderItem(0), kind = HeaderItem(2);
    int y = (name.top + name.bottom) / 2;
    std::vector<std::string> rows = RowTexts();
    state = ParentState();
    // Press on "Name", move past the drag distance to the right half of "Kind", release there.
    Header(WM_LBUTTONDOWN, MK_LBUTTON, name.left + 20, y);
    for (int i = 1; i <= 8; ++i)
        Header(WM_MOUSEMOVE, MK_LBUTTON, name.left + 20 + (kind.right - 10 - name.left - 20) * i / 8, y);
    Header(WM_LBUTTONUP, 0, kind.right - 10, y);
    zt::Pump(20);
    EXPECT_EQ((std::vector<int>{1, 2, 0}), Order());
    EXPECT_TRUE(state.Of(RVN_COLUMNCLICKED).empty());
    EXPECT_EQ(rows, RowTexts());
    int sorted = -1;
    BOOL ascending = TRUE;
    EXPECT_TRUE(r.GetSortSettings(&sorted, &ascending));
    EXPECT_EQ(0, sorted);
    EXPECT_FALSE(ascending);

    // Dragged off the header and back onto its own place: no click either.
    name = HeaderItem(2);
    Header(WM_LBUTTONDOWN, MK_LBUTTON, name.left + 20, y);
    Header(WM_MOUSEMOVE, MK_LBUTTON, name.left + 20, y + 150);
    Header(WM_MOUSEMOVE, MK_LBUTTON, name.left + 21, y);
    Header(WM_LBUTTONUP, 0, name.left + 21, y);
    zt::Pump(20);
    EXPECT_TRUE(state.Of(RVN_COLUMNCLICKED).empty());
    EXPECT_EQ(rows, RowTexts());

    // A press and release in place is a click: the parent hears of it and the column sorts.
    name = HeaderItem(2);
    Header(WM_LBUTTONDOWN, MK_LBUTTON, name.left + 20, y);
    Header(WM_LBUTTONUP, 0, name.left + 20, y);
    zt::Pump(20);
    EXPECT_EQ(std::vector<int>{0}, Subs(state.Of(RVN_COLUMNCLICKED)));
    EXPECT_TRUE(r.GetSortSettings(&sorted, &ascending));
    EXPECT_TRUE(ascending); // "Name" clicked while sorted descending: ascending now
    EXPECT_EQ("row 000", RowTexts().front());
}

// ---------------------------------------------------------------- SelectRows, the core of every change

TEST_F(ReportOps, EverySelectionChangeGoesThroughSelectRows) {
    CountingReport& r = Make<CountingReport>(0, 6);
    int items[] = {1, 4};
    HWND hwnd = r.Handle();
    RVMSELECT pattern = {};
    pattern.cbSize = sizeof pattern;
    pattern.iSubItem = 0;
    pattern.pszPattern = "row 00?";
    pattern.cchPattern = -1;
    RVMSELECT lessEq = {};
    lessEq.cbSize = sizeof lessEq;
    lessEq.nValue = 2;
    struct Case {
        const char* what;
        std::function<void()> change;
        int selected; // when passed on
    } const cases[] = {
        {"SetSelection(item)", [&] { r.SetSelection(3); }, 1},
        {"SetSelection(items)", [&] { r.SetSelection(items, 2); }, 2},
        {"SetSelection(pattern)", [&] { r.SetSelection(0, CString("ROW 00?")); }, 6},
        {"SetSelectionLessEq", [&] { r.SetSelectionLessEq(0, 2); }, 3},
        {"SelectAll", [&] { r.SelectAll(); }, 6},
        {"InvertSelection", [&] { r.InvertSelection(); }, 6},
        {"RVM_SETSELECTION", [&] { SendMessageA(hwnd, RVM_SETSELECTION, 2, FALSE); }, 1},
        {"RVM_SETSELECTIONPATTERN", [&] { SendMessageA(hwnd, RVM_SETSELECTIONPATTERN, 0, (LPARAM)&pattern); },
         6},
        {"RVM_SETSELECTIONLESSEQ", [&] { SendMessageA(hwnd, RVM_SETSELECTIONLESSEQ, 0, (LPARAM)&lessEq); },
         3},
        {"RVM_SELECTALL", [&] { SendMessageA(hwnd, RVM_SELECTALL, 0, 0); }, 6},
        {"RVM_INVERTSELECTION", [&] { SendMessageA(hwnd, RVM_INVERTSELECTION, 0, 0); }, 6},
    };
    for (bool passOn : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (passOn ? ", passed on" : ", kept by the override"));
            r.ClearSelection();
            r.calls = 0;
            r.passOn = passOn;
            c.change();
            EXPECT_GT(r.calls, 0);
            EXPECT_EQ(passOn ? c.selected : 0, r.GetSelectedCount());
        }
    }
    // Nothing of this notifies the parent.
    EXPECT_TRUE(state.Of(RVN_SELCHANGING).empty());
    EXPECT_TRUE(state.Of(RVN_SELCHANGED).empty());
}

TEST_F(ReportOps, TreeSelectionGoesThroughSelectRows) {
    CountingReport& r = Make<CountingReport>(RVS_TREEMODE, 0);
    HTREEITEM top = r.InsertItem("top", -1, -1, -1, TVI_ROOT, TVI_LAST);
    HTREEITEM child = r.InsertItem("child", -1, -1, -1, top, TVI_LAST);
    r.Expand(top, 1);
    HTREEITEM both[] = {top, child};
    r.passOn = false;
    r.SetSelection(child);
    r.SetSelection(both, 2);
    EXPECT_EQ(3, r.calls);
    EXPECT_EQ(0, r.GetSelectedCount());
    r.passOn = true;
    r.SetSelection(both, 2);
    EXPECT_EQ(2, r.GetSelectedCount());
}

// ---------------------------------------------------------------- the sub-item chooser

TEST_F(ReportOps, ChooserListsOnlyTheHiddenSubItemsThatExist) {
    CReportCtrl& r = Make(0, 2);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_SORT, 430, 10, 150,
                                200, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(list);
    auto listed = [&] {
        std::vector<std::string> out;
        int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            char text[64] = "";
            SendMessageA(list, LB_GETTEXT, (WPARAM)i, reinterpret_cast<LPARAM>(text));
            out.push_back(std::string(text) + "=" +
                          std::to_string(SendMessageA(list, LB_GETITEMDATA, (WPARAM)i, 0)));
        }
        return out;
    };
    ASSERT_TRUE(r.SetReportSubItemListCtrl(list));
    EXPECT_EQ((std::vector<std::string>{"Owner=3"}), listed());
    r.DeactivateSubItem(1);
    EXPECT_EQ((std::vector<std::string>{"Owner=3", "Size=1"}), listed());
    r.ActivateSubItem(3, 0);
    EXPECT_EQ((std::vector<std::string>{"Size=1"}), listed());
    r.DeactivateAllSubItems();
    EXPECT_EQ(4u, listed().size());
    r.UndefineAllSubItems();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(0, r.GetSubItemCount());
    // The same by message.
    _RVSUBITEM again = {RV_HDF_STRING, 50, 0, 0, 0, "Again"};
    r.DefineSubItem(0, &again, TRUE);
    EXPECT_EQ((std::vector<std::string>{"Again=0"}), listed());
    EXPECT_EQ(TRUE, SendMessageA(r.Handle(), RVM_UNDEFINEALLSUBITEMS, 0, 0));
    EXPECT_TRUE(listed().empty());
    DestroyWindow(list);
}

// ---------------------------------------------------------------- the editor is part of the control

TEST_F(ReportOps, EditorHoldsTheControlsFocus) {
    CReportCtrl& r = Make(0, 3);
    HWND other = CreateWindowExA(0, "BUTTON", "elsewhere", WS_CHILD | WS_VISIBLE, 430, 300, 100, 24, parent,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    int items[] = {0, 1};
    r.SetSelection(items, 2);
    SetFocus(r.Handle());
    RECT row1;
    ASSERT_TRUE(r.GetItemRect(1, -1, &row1));
    auto rowColour = [&] {
        zt::Picture picture(r.Handle(), 400, 300);
        return picture.At(row1.right - 20, row1.top + 2); // in "Kind", clear of the editor over "Name"
    };
    const COLORREF focused = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_TRUE(r.HasFocus());
    EXPECT_EQ(focused, rowColour());

    ASSERT_TRUE(r.BeginEdit(1, 0, 1));
    HWND editor = r.GetEditWindow();
    ASSERT_TRUE(editor);
    ASSERT_EQ(editor, GetFocus());
    EXPECT_TRUE(r.HasFocus());
    EXPECT_EQ(TRUE, SendMessageA(r.Handle(), RVM_HASFOCUS, 0, 0));
    EXPECT_EQ(focused, rowColour());

    // The focus goes elsewhere: the edit ends and the control has the focus no more.
    SetFocus(other);
    zt::Pump(10);
    EXPECT_FALSE(r.GetEditWindow());
    EXPECT_FALSE(r.HasFocus());
    EXPECT_NE(focused, rowColour());
    DestroyWindow(other);
}

// ---------------------------------------------------------------- ranges

TEST_F(ReportOps, RedrawOfAnyRangeReturns) {
    CReportCtrl& r = Make(0, 20);
    r.RedrawItems(0, INT_MAX);
    r.RedrawItems(INT_MIN, INT_MAX);
    r.RedrawItems(INT_MAX - 1, INT_MAX);
    char hwnd[32];
    std::snprintf(hwnd, sizeof hwnd, "%llx", (unsigned long long)(UINT_PTR)r.Handle());
    struct Case {
        int first, last;
    } const cases[] = {
        {0, 0x7FFFFFFF}, {-1, 0x7FFFFFFF}, {(int)0x80000000, 0x7FFFFFFF}, {0x7FFFFFF0, 0x7FFFFFFF}};
    for (const Case& c : cases) {
        // Sent by another program, which waits 10 seconds at most for the answer.
        char command[128];
        std::snprintf(command, sizeof command, "report_message.exe %s %x %x %x 10000", hwnd, RVM_REDRAWITEMS,
                      (unsigned)c.first, (unsigned)c.last);
        int rc = -9;
        std::string out;
        zt::OnOtherThread([&] { rc = zt::RunProgram(command, &out, 30000); });
        EXPECT_EQ(0, rc) << command;
        EXPECT_EQ("1", out.substr(0, 1)) << command;
    }
    EXPECT_EQ(20, r.GetItemCount());
}

// ---------------------------------------------------------------- items that do not exist

TEST_F(ReportOps, MessagesNamingMissingItemsAnswerTheirFailureValue) {
    CReportCtrl& r = Make(0, 0);
    r.UndefineAllSubItems();
    HWND hwnd = r.Handle();
    auto send = [&](uint32_t msg, uintptr_t wp, intptr_t lp) {
        return (intptr_t)SendMessageA(hwnd, msg, wp, lp);
    };
    reporttest::FillForMissing(send);
    ASSERT_EQ(reporttest::kMissingItems, r.GetItemCount());
    std::vector<std::string> failures = reporttest::MissingItemFailures(send);
    EXPECT_TRUE(failures.empty()) << failures.size() << " wrong, the first: " << failures[0];
    // An item that exists takes the focus, on the column asked for, and is scrolled to.
    EXPECT_EQ(TRUE, SendMessageA(hwnd, RVM_SETCURRENTFOCUS, 5, 1));
    int column = -9;
    EXPECT_EQ(5, r.GetCurrentFocus(&column));
    EXPECT_EQ(1, column);
}

// ---------------------------------------------------------------- the background picture and the profile
// store

TEST_F(ReportOps, BackgroundPictureByMessage) {
    CReportCtrl& r = Make(0, 1);
    HWND hwnd = r.Handle();
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETBKIMAGE, (WPARAM)self, 999));
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETBKIMAGE, (WPARAM)self, (LPARAM) "NOSUCHBITMAP"));
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETBKIMAGE, (WPARAM)self, 0));
    // From the library's own module there is no such picture: the module named is the one used.
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETBKIMAGE, (WPARAM)GetModuleHandleA("zrpcfunc.dll"), 301));
    for (WPARAM module : {(WPARAM)self, (WPARAM)0}) {
        ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_SETBKIMAGE, module, 301));
        RECT row0;
        ASSERT_TRUE(r.GetItemRect(0, -1, &row0));
        zt::Picture picture(hwnd, 400, 300);
        EXPECT_EQ(RGB(40, 180, 40), picture.At(row0.left + 1, row0.bottom + 10));
        EXPECT_EQ(RGB(120, 40, 160), picture.At(row0.left + 5, row0.bottom + 10));
    }
}

TEST_F(ReportOps, ProfileStoreByMessage) {
    CReportCtrl& r = Make(0, 0);
    HWND hwnd = r.Handle();
    std::string folder = zt::MakeTempDir("report_ops_profiles");
    std::string file = folder + "\\columns.ini";
    RVMPROFILESTORE store = {sizeof store, nullptr, 0, file.c_str(), -1};
    ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_SETPROFILESTORE, 0, (LPARAM)&store));
    RVMPROFILE profile = {sizeof profile, -1, "Layout", "Columns", -1};
    ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_WRITEPROFILE, 0, (LPARAM)&profile));
    char value[128] = "";
    GetPrivateProfileStringA("Layout", "Columns", "", value, sizeof value, file.c_str());
    EXPECT_STREQ("(4,3) 100 80 60 90 0 1 2", value);

    // A registry key of the caller's: each section a subkey.
    const char* key = "Software\\ZRPC tests\\report ops";
    store = {sizeof store, key, -1, nullptr, 0};
    ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_SETPROFILESTORE, 0, (LPARAM)&store));
    r.SetSubItemWidth(0, 120);
    ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_WRITEPROFILE, 0, (LPARAM)&profile));
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZRPC tests\\report ops\\Layout", 0, KEY_READ, &k));
    DWORD size = sizeof value - 1, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "Columns", nullptr, &type, (BYTE*)value, &size));
    RegCloseKey(k);
    value[size] = 0;
    EXPECT_STREQ("(4,3) 120 80 60 90 0 1 2", value);
    // Read back by a fresh control.
    r.DeactivateAllSubItems();
    ASSERT_EQ(TRUE, SendMessageA(hwnd, RVM_GETPROFILE, 0, (LPARAM)&profile));
    EXPECT_EQ((std::vector<int>{0, 1, 2}), Order());
    EXPECT_EQ(120, r.GetSubItemWidth(0));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZRPC tests\\report ops\\Layout");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZRPC tests\\report ops");

    // Null texts: the default store again; a record of a wrong size is refused.
    store = {sizeof store, nullptr, 0, nullptr, 0};
    EXPECT_EQ(TRUE, SendMessageA(hwnd, RVM_SETPROFILESTORE, 0, (LPARAM)&store));
    store.cbSize = sizeof store - 1;
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETPROFILESTORE, 0, (LPARAM)&store));
    EXPECT_EQ(FALSE, SendMessageA(hwnd, RVM_SETPROFILESTORE, 0, 0));
    zt::RemoveTree(folder);
}

} // namespace
