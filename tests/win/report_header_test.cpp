// The report control's header beyond the plain header control: a column dragged with the drag image
// and drop marker windows, columns dragged off the header (RVS_REMOVABLECOLUMNS, a column that cannot
// be removed), the sub-item chooser, the right button on a header item, and a divider double-click
// fitting the column to its widest cell. Mouse messages go straight to the header window.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 77;

struct ParentState {
    std::vector<uint32_t> codes;
    std::vector<int> subItems; // iSubItem of each header notification
    LRESULT answer = 0;        // answer to RVN_COLUMNRIGHTCLICKED and RVN_DIVIDERDOUBLECLICKED
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code == RVN_COLUMNRIGHTCLICKED || h->code == RVN_DIVIDERDOUBLECLICKED) {
            state->codes.push_back(h->code);
            state->subItems.push_back(reinterpret_cast<const _NMRVHEADER*>(lp)->iSubItem);
            return state->answer;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class ReportHeader : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportHeaderTestParent", ParentProc, &state, WS_POPUP | WS_VISIBLE, 20,
                                      20, 600, 400);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Columns "Name" 100, "Size" 80, "Kind" 60 (formats may add column flags), then n items.
    CReportCtrl& Make(DWORD styles, UINT flags1 = 0, int items = 2) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 410, 310};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Size", "Kind"};
        int widths[] = {100, 80, 60};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = {RV_HDF_STRING | (i == 1 ? flags1 : 0u), widths[i], 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        for (int i = 0; i < items; ++i)
            report->AddItem(i ? "second" : "first");
        return *report;
    }
    RECT ItemRect(int item) {
        RECT rc = {};
        SendMessageA(report->GetHeaderCtrl(), HDM_GETITEMRECT, (WPARAM)item, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    // Presses header item `item` and moves the pointer to (x, y) of the header's client area in steps,
    // leaving the button down.
    void DragTo(int item, int x, int y) {
        HWND header = report->GetHeaderCtrl();
        RECT rc = ItemRect(item);
        int x0 = rc.left + 20, y0 = (rc.top + rc.bottom) / 2;
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
        for (int i = 1; i <= 8; ++i) {
            int xi = x0 + (x - x0) * i / 8, yi = y0 + (y - y0) * i / 8;
            SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(xi & 0xFFFF, yi & 0xFFFF));
        }
    }
    void Drop(int x, int y) {
        SendMessageA(report->GetHeaderCtrl(), WM_LBUTTONUP, 0, MAKELPARAM(x & 0xFFFF, y & 0xFFFF));
        zt::Pump(20);
    }
    std::vector<int> Order() {
        std::vector<int> out;
        for (int c = 0; c < report->GetActiveSubItemCount(); ++c)
            out.push_back(report->GetSubItemFromColumn(c));
        return out;
    }
    // A visible window of this thread of the given class, or null.
    static HWND Visible(const char* cls) {
        HWND w = FindWindowA(cls, nullptr);
        return w && IsWindowVisible(w) ? w : nullptr;
    }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

// While a column is dragged along the header the drag image follows the pointer and the drop marker
// stands at the insertion point; both go when the column is dropped in its new place.
TEST_F(ReportHeader, DragShowsDragImageAndDropMarker) {
    Make(0);
    RECT kind = ItemRect(2);
    int y = (kind.top + kind.bottom) / 2;
    DragTo(0, kind.left + 10, y); // before the middle of "Kind": between "Size" and "Kind"
    HWND drag = Visible("MFCFHDragWnd");
    HWND drop = Visible("MFCFHDropWnd");
    ASSERT_TRUE(drag);
    ASSERT_TRUE(drop);
    RECT dragRect, dropRect;
    GetWindowRect(drag, &dragRect);
    GetWindowRect(drop, &dropRect);
    POINT pointer = {kind.left + 10, y}, insertion = {kind.left, y};
    ClientToScreen(report->GetHeaderCtrl(), &pointer);
    ClientToScreen(report->GetHeaderCtrl(), &insertion);
    EXPECT_TRUE(PtInRect(&dragRect, pointer));
    EXPECT_EQ(100, dragRect.right - dragRect.left); // as wide as the dragged item
    EXPECT_EQ(insertion.x, (dropRect.left + dropRect.right) / 2);
    // Still in the same order while dragging.
    EXPECT_EQ((std::vector<int>{0, 1, 2}), Order());
    Drop(kind.left + 10, y);
    EXPECT_FALSE(Visible("MFCFHDragWnd"));
    EXPECT_FALSE(Visible("MFCFHDropWnd"));
    EXPECT_EQ((std::vector<int>{1, 0, 2}), Order());
    EXPECT_EQ(3, (int)SendMessageA(report->GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));

    // A press and release without moving is a click, not a drag.
    RECT name = ItemRect(0);
    SendMessageA(report->GetHeaderCtrl(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(name.left + 5, y));
    EXPECT_FALSE(Visible("MFCFHDragWnd"));
    SendMessageA(report->GetHeaderCtrl(), WM_LBUTTONUP, 0, MAKELPARAM(name.left + 5, y));
    zt::Pump(20);
    EXPECT_EQ((std::vector<int>{1, 0, 2}), Order());
    int sorted = -1;
    BOOL ascending = FALSE;
    ASSERT_TRUE(report->GetSortSettings(&sorted, &ascending));
    EXPECT_EQ(1, sorted); // the click sorted by the clicked column
}

// A column dropped off the header: hidden with RVS_REMOVABLECOLUMNS, else left where it was; a column
// flagged as not removable stays, and no drop marker shows off the header.
TEST_F(ReportHeader, ColumnDraggedOffTheHeader) {
    struct Case {
        const char* what;
        DWORD style;
        UINT flags;
        std::vector<int> after;
    } const cases[] = {
        {"removable columns", RVS_REMOVABLECOLUMNS, 0, {0, 2}},
        {"plain header", 0, 0, {0, 1, 2}},
        {"column that cannot be removed", RVS_REMOVABLECOLUMNS, RVCF_NOTREMOVABLE, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make(c.style, c.flags);
        RECT size = ItemRect(1);
        int x = (size.left + size.right) / 2, y = size.bottom + 120;
        DragTo(1, x, y);
        EXPECT_TRUE(Visible("MFCFHDragWnd"));
        EXPECT_FALSE(Visible("MFCFHDropWnd"));
        Drop(x, y);
        EXPECT_EQ(c.after, Order());
        EXPECT_EQ((int)c.after.size(), (int)SendMessageA(report->GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ(c.after.size() == 3, report->IsActiveSubItem(1) != FALSE);
    }
}

// The chooser lists the defined sub-items that are not shown, each with its sub-item as data; it
// follows definitions made with the update flag, and a column dropped on it is hidden and listed.
TEST_F(ReportHeader, SubItemChooser) {
    CReportCtrl& r = Make(RVS_REMOVABLECOLUMNS);
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
    _RVSUBITEM owner = {RV_HDF_STRING, 90, 0, 0, 0, "Owner"};
    r.DefineSubItem(3, &owner);
    ASSERT_TRUE(r.SetReportSubItemListCtrl(list));
    EXPECT_EQ(list, r.GetReportSubItemListCtrl());
    EXPECT_EQ((std::vector<std::string>{"Owner=3"}), listed());

    _RVSUBITEM date = {RV_HDF_STRING, 90, 0, 0, 0, "Date"};
    r.DefineSubItem(4, &date, FALSE);
    EXPECT_EQ((std::vector<std::string>{"Owner=3"}), listed()); // no update asked for
    _RVSUBITEM type = {RV_HDF_STRING, 90, 0, 0, 0, "Added"};
    r.DefineSubItem(5, &type, TRUE);
    EXPECT_EQ((std::vector<std::string>{"Added=5", "Date=4", "Owner=3"}), listed());

    // "Kind" dragged onto the chooser.
    RECT box;
    GetWindowRect(list, &box);
    POINT over = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    ScreenToClient(r.GetHeaderCtrl(), &over);
    DragTo(2, over.x, over.y);
    EXPECT_FALSE(Visible("MFCFHDropWnd"));
    Drop(over.x, over.y);
    EXPECT_FALSE(r.IsActiveSubItem(2));
    EXPECT_EQ((std::vector<std::string>{"Added=5", "Date=4", "Kind=2", "Owner=3"}), listed());

    r.UndefineSubItem(5);
    EXPECT_EQ((std::vector<std::string>{"Date=4", "Kind=2", "Owner=3"}), listed());
    ASSERT_TRUE(r.SetReportSubItemListCtrl(nullptr));
    EXPECT_EQ(nullptr, r.GetReportSubItemListCtrl());
    r.UndefineSubItem(4);
    EXPECT_EQ(3u, listed().size()); // detached: left alone
    DestroyWindow(list);
}

// The right button on a header item tells the parent which sub-item it shows.
TEST_F(ReportHeader, RightButtonOnTheHeader) {
    Make(0);
    HWND header = report->GetHeaderCtrl();
    // Column order Size, Name, Kind: the second header item shows sub-item 0.
    RECT kind = ItemRect(2);
    int y = (kind.top + kind.bottom) / 2;
    DragTo(0, kind.left + 10, y);
    Drop(kind.left + 10, y);
    ASSERT_EQ((std::vector<int>{1, 0, 2}), Order());
    for (LRESULT answer : {0, 1}) {
        state = ParentState();
        state.answer = answer;
        RECT second = ItemRect(1);
        SendMessageA(header, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(second.left + 10, y));
        SendMessageA(header, WM_RBUTTONUP, 0, MAKELPARAM(second.left + 10, y));
        ASSERT_EQ(1u, state.codes.size());
        EXPECT_EQ(RVN_COLUMNRIGHTCLICKED, state.codes[0]);
        EXPECT_EQ(0, state.subItems[0]);
    }
    // Filtered out: nothing reaches the parent.
    state = ParentState();
    ASSERT_TRUE(report->ModifyProperty(RVP_NOTIFYFILTER, ~(1L << 18)));
    SendMessageA(header, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(kind.left + 10, y));
    EXPECT_TRUE(state.codes.empty());
}

// A double-click on a divider fits the column to its widest cell (the bold font for heavy rows),
// within the column's limits; the parent may refuse, and a column without limits keeps its width.
TEST_F(ReportHeader, DividerDoubleClickFitsTheColumn) {
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectA(&lf);
    auto textWidth = [&](HFONT f, const char* text) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, f);
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return (int)size.cx;
    };
    const char* longText = "a considerably longer text than the column";
    struct Case {
        const char* what;
        UINT flags;
        int maxWidth;
        LRESULT answer;
        bool heavy;
        bool fits;
    } const cases[] = {
        {"plain", 0, 0, 0, false, true},
        {"bold row", 0, 0, 0, true, true},
        {"refused by the parent", 0, 0, 1, false, false},
        {"no limits", RVCF_NOLIMITS, 0, 0, false, false},
        {"maximum 150", 0, 150, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CReportCtrl& r = Make(0, c.flags);
        _RVSUBITEM s = {RV_HDF_STRING | c.flags, 80, 0, c.maxWidth, 0, "Size"};
        ASSERT_TRUE(r.RedefineSubItem(1, &s));
        r.SetItemText(0, 1, "short");
        r.SetItemText(1, 1, longText);
        if (c.heavy) {
            _RVITEM it = {};
            it.nMask = RVIM_STATEBITS;
            it.iItem = 1;
            it.iSubItem = -1;
            it.nState = RVIS_HEAVYFONT;
            ASSERT_TRUE(r.SetItem(&it));
        }
        state = ParentState();
        state.answer = c.answer;
        int gap = (int)r.GetProperty(RVP_GAP);
        int expected = gap + textWidth(c.heavy ? bold : font, longText) + gap;
        EXPECT_EQ(expected, r.MeasureItem(1, 1));
        if (c.maxWidth > 0) expected = std::min(expected, c.maxWidth);
        RECT size = ItemRect(1);
        SendMessageA(r.GetHeaderCtrl(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM(size.right - 1, (size.top + size.bottom) / 2));
        zt::Pump(10);
        ASSERT_EQ(1u, state.codes.size());
        EXPECT_EQ(RVN_DIVIDERDOUBLECLICKED, state.codes[0]);
        EXPECT_EQ(1, state.subItems[0]);
        int now = r.GetSubItemWidth(1);
        EXPECT_EQ(c.fits ? expected : 80, now);
        RECT after = ItemRect(1);
        EXPECT_EQ(now, after.right - after.left);
    }
    DeleteObject(bold);
}

// A column flagged to fit its header item is as wide as the item's content when it is shown: margins
// and text, plus the sort marker when that counts, within the column's limits.
TEST_F(ReportHeader, ColumnFittedToItsHeaderItem) {
    CReportCtrl& r = Make(0);
    HWND header = r.GetHeaderCtrl();
    int margin = (int)SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0);
    ASSERT_GT(margin, 0);
    HDC dc = GetDC(header);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0)));
    SIZE text = {};
    GetTextExtentPoint32A(dc, "Owner", 5, &text);
    SelectObject(dc, old);
    ReleaseDC(header, dc);
    struct Case {
        const char* what;
        UINT flags;
        int minWidth;
        int width;
    } const cases[] = {
        {"content", RVCF_FITHEADER, 0, margin + text.cx + margin},
        {"with the sort marker", RVCF_FITHEADER | RVCF_FITSORTMARKER, 0,
         margin + 8 + margin + text.cx + margin},
        {"raised to the minimum", RVCF_FITHEADER, 150, 150},
        {"not flagged", 0, 0, 17},
    };
    int sub = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        _RVSUBITEM s = {RV_HDF_STRING | c.flags, 17, c.minWidth, 0, 0, "Owner"};
        ASSERT_EQ(sub, r.DefineSubItem(sub, &s));
        ASSERT_GE(r.ActivateSubItem(sub, 0), 0);
        EXPECT_EQ(c.width, r.GetSubItemWidth(sub));
        RECT item = ItemRect(0);
        EXPECT_EQ(c.width, item.right - item.left);
        ++sub;
    }

    // A column profile restores the shown columns the same way: the fitted column takes its fit again,
    // whatever width the value stored for it; the other keeps the stored width.
    CReportCtrl::SetProfileStore("Software\\ZRPCFunc tests\\header", nullptr);
    r.DeactivateAllSubItems();
    r.SetSubItemWidth(3, 300);
    _RVSUBITEM plain = {RV_HDF_STRING, 40, 0, 0, 0, "Plain"};
    ASSERT_EQ(7, r.DefineSubItem(7, &plain));
    ASSERT_GE(r.ActivateSubItem(3, 0), 0);
    ASSERT_GE(r.ActivateSubItem(7, 1), 0);
    const int fitted = r.GetSubItemWidth(3);
    r.SetSubItemWidth(3, 300); // the user widened it
    r.SetSubItemWidth(7, 90);
    ASSERT_TRUE(r.WriteProfile("Columns", "Fit"));
    r.DeactivateAllSubItems();
    ASSERT_TRUE(r.GetProfile("Columns", "Fit"));
    EXPECT_EQ(fitted, r.GetSubItemWidth(3));
    EXPECT_EQ(fitted, ItemRect(0).right - ItemRect(0).left);
    EXPECT_EQ(90, r.GetSubItemWidth(7));
    CReportCtrl::SetProfileStore(nullptr, nullptr);
    for (const char* k : {"Software\\ZRPCFunc tests\\header\\Columns", "Software\\ZRPCFunc tests\\header",
                          "Software\\ZRPCFunc tests"})
        RegDeleteKeyA(HKEY_CURRENT_USER, k);
}

BOOL CALLBACK FindTips(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(lp);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (!lstrcmpiA(cls, TOOLTIPS_CLASSA) && GetWindow(hwnd, GW_OWNER) == found->first) {
        found->second = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The header's tip for the item under the pointer: the sort tip with the column text for a column
// flagged for it, nothing for the others; the tip format is taken as text apart from its "%s".
TEST_F(ReportHeader, SortTipOfAColumn) {
    CReportCtrl& r = Make(0, RVCF_SORTTIP);
    HWND header = r.GetHeaderCtrl();
    // The tooltip's owner is the header's top-level window.
    std::pair<HWND, HWND> found(GetAncestor(header, GA_ROOT), nullptr);
    EnumThreadWindows(GetCurrentThreadId(), FindTips, reinterpret_cast<LPARAM>(&found));
    HWND tips = found.second;
    ASSERT_TRUE(tips);
    auto tipAt = [&](int item) {
        RECT rc = ItemRect(item);
        POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        ClientToScreen(header, &pt);
        SetCursorPos(pt.x, pt.y);
        NMTTDISPINFOA di = {};
        di.hdr.hwndFrom = tips;
        di.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(header, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
        return std::string(di.lpszText ? di.lpszText : "");
    };
    EXPECT_EQ("Sort by: Size", tipAt(1));
    EXPECT_EQ("", tipAt(0));
    EXPECT_EQ("", tipAt(2));
    ASSERT_TRUE(r.ModifyProperty(RVP_SORTTIP, reinterpret_cast<LONG_PTR>("Order %d by %s%n")));
    EXPECT_EQ("Order %d by Size%n", tipAt(1));
}

// The width a cell needs: gap, image, check box and text, each followed by the gap.
TEST_F(ReportHeader, MeasureItemParts) {
    CReportCtrl& r = Make(0, 0, 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
    ImageList_SetImageCount(images, 1);
    r.SetImageList(images);
    ASSERT_EQ(0, r.AddItem("text", 0, 1));
    r.SetItemText(0, 1, "");
    int gap = (int)r.GetProperty(RVP_GAP);
    int check = (int)(r.GetProperty(RVP_CHECKBOXSIZE) & 0xFFFF);
    int text = r.MeasureItem(0, 0, nullptr, TRUE);
    EXPECT_GT(text, 10);
    RECT rc;
    EXPECT_EQ(gap + 16 + gap + check + gap + text + gap, r.MeasureItem(0, 0, &rc));
    EXPECT_EQ(rc.right, r.MeasureItem(0, 0));
    EXPECT_EQ(r.GetItemHeight(), rc.bottom);
    EXPECT_EQ(gap, r.MeasureItem(0, 2)); // an empty cell
    EXPECT_EQ(-1, r.MeasureItem(5, 0));
    EXPECT_EQ(-1, r.MeasureItem(0, 9));
    // With a check image list the check area is one of its images, as the cell is drawn: the text
    // starts where the measured width says.
    HIMAGELIST checks = ImageList_Create(24, 12, ILC_COLOR24, 2, 0);
    ImageList_SetImageCount(checks, 2);
    r.SetImageList(images, checks);
    ASSERT_NE(24, check);
    EXPECT_EQ(gap + 16 + gap + 24 + gap + text + gap, r.MeasureItem(0, 0));
    RECT textArea = {};
    ASSERT_TRUE(r.GetItemRect(0, 0, &textArea, 3));
    RECT cell = {};
    ASSERT_TRUE(r.GetItemRect(0, 0, &cell, 0));
    EXPECT_EQ(gap + 16 + gap + 24 + gap, textArea.left - cell.left);
    r.SetImageList(nullptr);
    ImageList_Destroy(checks);
    ImageList_Destroy(images);
}

} // namespace
