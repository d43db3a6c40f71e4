// The report control in the user's hands, driven by real input (SendInput) on a plain Win32 parent:
// click sequences with Shift and Ctrl, the arrow, page and space keys, the parent's vetoes of
// clicks, keys and selection changes, the tree's expand box and keys, and the clipboard.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 77;

struct ParentState {
    std::vector<uint32_t> codes;
    std::vector<_NMREPORTVIEW> views;
    std::set<int> vetoSelect; // items whose RVN_SELCHANGING is refused
    std::set<uint32_t> veto;  // codes answered with 1
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code >= RVN_BASE - 31 && h->code <= RVN_BASE && h->code != RVN_NEEDDATA) {
            state->codes.push_back(h->code);
            _NMREPORTVIEW v = {};
            if (h->code != RVN_COLUMNCLICKED) v = *reinterpret_cast<const _NMREPORTVIEW*>(lp);
            state->views.push_back(v);
            if (h->code == RVN_SELCHANGING && state->vetoSelect.count(v.iItem)) return 1;
            if (state->veto.count(h->code)) return 1;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// One step a person takes: a click on a row (with modifiers), a right click, or a key.
struct Act {
    enum Kind { kClick, kRight, kKey } kind;
    int rowOrKey;
    WORD mod1;
    WORD mod2;
};
Act C(int row, WORD m1 = 0, WORD m2 = 0) {
    return {Act::kClick, row, m1, m2};
}
Act R(int row, WORD m1 = 0) {
    return {Act::kRight, row, m1, 0};
}
Act K(int key, WORD m1 = 0) {
    return {Act::kKey, key, m1, 0};
}

class ReportInput : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportInputParent", ParentProc, &state, WS_POPUP | WS_VISIBLE, 20, 20,
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
    // A control with three columns and n items "r<i>", "<i>b", "<i>c".
    CReportCtrl& Make(DWORD styles, int items) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 450, 330};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Size", "Kind"};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = {HDF_STRING, 100, 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        char text[32];
        for (int i = 0; i < items; ++i) {
            snprintf(text, sizeof text, "r%d", i);
            int item = report->AddItem(text);
            snprintf(text, sizeof text, "%db", i);
            report->SetItemText(item, 1, text);
            snprintf(text, sizeof text, "%dc", i);
            report->SetItemText(item, 2, text);
        }
        SetForegroundWindow(parent);
        SetFocus(report->Handle());
        zt::Pump(20);
        return *report;
    }
    // A point inside a cell, in screen coordinates.
    POINT CellPoint(int item, int subItem, int dx = 20) {
        RECT cell = {};
        EXPECT_TRUE(report->GetItemRect(item, subItem, &cell, 0));
        POINT pt = {cell.left + dx, (cell.top + cell.bottom) / 2};
        ClientToScreen(report->Handle(), &pt);
        return pt;
    }
    void MouseAt(POINT pt, DWORD down, DWORD up) {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        INPUT in[3] = {};
        for (INPUT& i : in)
            i.type = INPUT_MOUSE;
        in[0].mi.dx = pt.x * 65535 / (sw - 1);
        in[0].mi.dy = pt.y * 65535 / (sh - 1);
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[1].mi.dwFlags = down;
        in[2].mi.dwFlags = up;
        SendInput(3, in, sizeof in[0]);
    }
    void Do(const Act& a) {
        if (a.mod1) zt::SendKey(a.mod1, false);
        if (a.mod2) zt::SendKey(a.mod2, false);
        switch (a.kind) {
        case Act::kClick:
            MouseAt(CellPoint(a.rowOrKey, 0, 20 + 7 * (clicks++ % 5)), MOUSEEVENTF_LEFTDOWN,
                    MOUSEEVENTF_LEFTUP);
            break;
        case Act::kRight:
            MouseAt(CellPoint(a.rowOrKey, 1), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
            break;
        case Act::kKey:
            zt::PressKey((WORD)a.rowOrKey);
            break;
        }
        if (a.mod2) zt::SendKey(a.mod2, true);
        if (a.mod1) zt::SendKey(a.mod1, true);
        zt::Pump(30);
    }
    std::vector<int> Selected() {
        std::vector<int> v;
        for (int i = report->GetFirstSelectedItem(); i != -2; i = report->GetNextSelectedItem(i))
            v.push_back(i);
        return v;
    }
    int Count(uint32_t code) {
        int n = 0;
        for (uint32_t c : state.codes)
            n += c == code;
        return n;
    }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
    int clicks = 0;
};

TEST_F(ReportInput, SequencesOfClicksAndKeysGiveSelectionAndFocus) {
    const WORD S = VK_SHIFT, Ct = VK_CONTROL;
    const struct {
        const char* name;
        DWORD style;
        std::vector<Act> acts;
        std::vector<int> selected;
        int focus;
    } cases[] = {
        {"click", 0, {C(3)}, {3}, 3},
        {"shift-click ranges from the anchor", 0, {C(1), C(4, S)}, {1, 2, 3, 4}, 4},
        {"ctrl-click toggles", 0, {C(1), C(3, Ct), C(5, Ct), C(3, Ct)}, {1, 5}, 3},
        {"ctrl+shift-click adds a range", 0, {C(0), C(2, Ct), C(4, S, Ct)}, {0, 2, 3, 4}, 4},
        {"right click selects its row alone", 0, {C(0), C(2, S), R(5)}, {5}, 5},
        {"ctrl+right click changes nothing", 0, {C(0), R(5, Ct)}, {0}, 0},
        {"down and shift+down", 0, {C(1), K(VK_DOWN), K(VK_DOWN, S), K(VK_DOWN, S)}, {2, 3, 4}, 4},
        {"ctrl+down moves the focus, space adds",
         0,
         {C(1), K(VK_DOWN, Ct), K(VK_DOWN, Ct), K(VK_SPACE)},
         {1, 3},
         3},
        {"ctrl+space toggles", 0, {C(2), K(VK_SPACE, Ct)}, {}, 2},
        {"home, end with shift", 0, {C(4), K(VK_END, S)}, {4, 5, 6, 7, 8, 9}, 9},
        {"ctrl+home moves only the focus", 0, {C(4), K(VK_HOME, Ct)}, {4}, 0},
        {"up to the edit row", RVS_ENTRYROW, {C(0), K(VK_UP)}, {-1}, -1},
        {"one selection keeps one", RVS_ONESELECTION, {C(1), C(4, S), C(6, Ct), K(VK_DOWN, S)}, {7}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.style, 10);
        clicks = 0;
        for (const Act& a : c.acts)
            Do(a);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(report->GetCurrentFocus(), c.focus);
        Sleep(GetDoubleClickTime() / 2); // the next case's first click is no double-click
    }
}

TEST_F(ReportInput, PageKeysGoToTheVisibleEndsThenAPage) {
    CReportCtrl& r = Make(0, 100);
    int page = r.GetVisibleCount(FALSE);
    ASSERT_GT(page, 3);
    Do(C(1));
    const struct {
        WORD key;
        int focus;
    } steps[] = {
        {VK_NEXT, page - 1},     // the last visible row
        {VK_NEXT, 2 * page - 1}, // a page further
        {VK_PRIOR, page},        // the first visible row
        {VK_PRIOR, 0},           // a page up
        {VK_END, 99},
        {VK_HOME, 0},
    };
    for (const auto& s : steps) {
        Do(K(s.key));
        EXPECT_EQ(r.GetCurrentFocus(), s.focus) << s.key;
        EXPECT_TRUE(r.IsItemVisible(s.focus));
        EXPECT_EQ(Selected(), std::vector<int>{s.focus});
    }
}

TEST_F(ReportInput, VetoesOfTheParent) {
    CReportCtrl& r = Make(0, 6);
    // A refused selection change: the focus still moves, the row stays unselected.
    state.vetoSelect = {2};
    Do(C(1));
    Do(K(VK_DOWN));
    EXPECT_EQ(r.GetCurrentFocus(), 2);
    EXPECT_EQ(Selected(), std::vector<int>{});
    Do(C(0));
    Do(C(3, VK_SHIFT));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 3}));
    state.vetoSelect.clear();
    // A refused key is not processed, and the parent heard which key on which item.
    state.veto = {RVN_KEYPRESSED};
    state.codes.clear();
    state.views.clear();
    Do(K(VK_DOWN));
    EXPECT_EQ(r.GetCurrentFocus(), 3);
    ASSERT_EQ(Count(RVN_KEYPRESSED), 1);
    EXPECT_EQ(state.views[0].nKeys, (uint32_t)VK_DOWN);
    EXPECT_EQ(state.views[0].iItem, 3);
    // A refused click and a refused right click select nothing.
    state.veto = {RVN_CLICKED, RVN_RIGHTCLICKED};
    Do(C(5));
    Do(R(4));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(Count(RVN_CLICKED), 1);
    EXPECT_EQ(Count(RVN_RIGHTCLICKED), 1);
    state.veto.clear();
}

TEST_F(ReportInput, CellFocusMovesByColumnAndSkipsNoFocusColumns) {
    report.reset(new CReportCtrl);
    RECT rc = {10, 10, 450, 330};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | RVS_CELLFOCUS, rc, parent, kReportId));
    for (int i = 0; i < 4; ++i) {
        _RVSUBITEM s = {HDF_STRING | (i == 2 ? RVCF_NOFOCUS : 0u), 90, 0, 0, 0, "c"};
        report->DefineSubItem(i, &s);
        report->ActivateSubItem(i, i);
    }
    report->AddItem("a");
    report->AddItem("b");
    SetFocus(report->Handle());
    Do(C(0));
    int column = -5;
    EXPECT_EQ(report->GetCurrentFocus(&column), 0);
    EXPECT_EQ(column, 0);
    const struct {
        WORD key;
        int row, column;
    } steps[] = {{VK_RIGHT, 0, 1}, {VK_RIGHT, 0, 3}, {VK_RIGHT, 0, 3}, {VK_DOWN, 1, 3}, {VK_LEFT, 1, 1}};
    for (const auto& s : steps) {
        Do(K(s.key));
        EXPECT_EQ(report->GetCurrentFocus(&column), s.row);
        EXPECT_EQ(column, s.column);
    }
}

TEST_F(ReportInput, TreeExpandBoxAndKeys) {
    report.reset(new CReportCtrl);
    RECT rc = {10, 10, 450, 330};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | RVS_TREEMODE, rc, parent, kReportId));
    _RVSUBITEM s = {HDF_STRING, 200, 0, 0, 0, "Tree"};
    report->DefineSubItem(0, &s);
    report->ActivateSubItem(0, 0);
    HTREEITEM a = report->InsertItem("a", -1, -1, -1, TVI_ROOT);
    report->InsertItem("a1", -1, -1, -1, a);
    report->InsertItem("a2", -1, -1, -1, a);
    report->InsertItem("b", -1, -1, -1, TVI_ROOT);
    SetFocus(report->Handle());
    ASSERT_EQ(report->GetRowCount(), 2);
    int ia = report->GetItemIndex(a);
    RECT cell;
    ASSERT_TRUE(report->GetItemRect(ia, 0, &cell, 0));
    int rowHeight = report->GetItemHeight();
    POINT box = {cell.left + rowHeight / 2, (cell.top + cell.bottom) / 2}; // the box left of level 1
    _RVHITTESTINFO hti = {};
    hti.point.x = box.x;
    hti.point.y = box.y;
    report->HitTest(&hti);
    ASSERT_TRUE(hti.nFlags & RVHT_EXPANDBOX);
    ClientToScreen(report->Handle(), &box);

    // A refused RVN_EXPANDING keeps the node closed.
    state.veto = {RVN_EXPANDING};
    MouseAt(box, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    zt::Pump(30);
    EXPECT_EQ(report->GetRowCount(), 2);
    EXPECT_EQ(Count(RVN_EXPANDEDNODE), 0);
    state.veto.clear();
    Sleep(GetDoubleClickTime() + 50);
    MouseAt(box, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    zt::Pump(30);
    EXPECT_EQ(report->GetRowCount(), 4);
    EXPECT_EQ(Count(RVN_EXPANDING), 2);
    EXPECT_EQ(Count(RVN_EXPANDEDNODE), 1);
    EXPECT_EQ(Selected(), std::vector<int>{}); // the box toggles without selecting

    // A double-click on the node's text closes it again.
    Sleep(GetDoubleClickTime() + 50);
    POINT text = CellPoint(ia, 0, 2 * rowHeight + 10);
    MouseAt(text, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    MouseAt(text, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    zt::Pump(40);
    EXPECT_EQ(Count(RVN_DOUBLECLICKED), 1);
    EXPECT_EQ(report->GetRowCount(), 2);
    EXPECT_EQ(Count(RVN_EXPANDEDNODE), 2);

    // Keys: Right opens, Right again goes to the first child, Left to the parent, Left closes.
    const struct {
        WORD key;
        int rows;
        const char* focus;
    } steps[] = {
        {VK_RIGHT, 4, "a"}, {VK_RIGHT, 4, "a1"}, {VK_DOWN, 4, "a2"}, {VK_LEFT, 4, "a"}, {VK_LEFT, 2, "a"}};
    for (const auto& st : steps) {
        Do(K(st.key));
        EXPECT_EQ(report->GetRowCount(), st.rows);
        EXPECT_STREQ(report->GetItemText(report->GetItemFromRow(report->GetCurrentFocus()), 0), st.focus);
    }
}

TEST_F(ReportInput, CopyPutsTheSelectedRowsOnTheClipboard) {
    CReportCtrl& r = Make(0, 5);
    zt::SetClipboardText(parent, "before");
    r.Cut(); // does nothing
    EXPECT_EQ(zt::ClipboardText(parent), "before");
    Do(C(3));
    Do(C(1, VK_CONTROL));
    r.SortItems(0, FALSE); // rows: r4 r3 r2 r1 r0: the copy follows the rows
    Do(K('C', VK_CONTROL));
    EXPECT_EQ(zt::ClipboardText(parent), "r3\t3b\t3c\nr1\t1b\t1c\n");
    // A cell without text gives its image, else its check state.
    r.SetItemText(1, 1, nullptr);
    r.SetItemCheck(1, 1, 1);
    r.SetItemText(1, 2, "a\tb");
    r.Copy();
    EXPECT_EQ(zt::ClipboardText(parent), "r3\t3b\t3c\nr1\t1\ta b\n");
    // Nothing selected: the clipboard is left empty.
    r.ClearSelection();
    r.Copy();
    EXPECT_EQ(zt::ClipboardText(parent), "");
}

} // namespace
