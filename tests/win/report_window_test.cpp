// The report control's window on a plain Win32 parent: creation and taking over a dialog item, the
// layout rectangles per style, hit-test flags at chosen points, scrolling with the wheel line count
// from the user's settings, notifications as the parent receives them, header-click sorting,
// virtual mode asking only for visible rows, and pixels of the control's own painting.
// ctest-lock: wheelsetting display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 1234;

// What the parent saw: each WM_NOTIFY record copied as it arrived.
struct Seen {
    uint32_t code;
    UINT_PTR wpId;
    RVNMHDR hdr;
    _NMREPORTVIEW view;
    _NMRVHEADER header;
    _RVITEM need;
};

struct ParentState {
    std::vector<Seen> seen;
    LRESULT answer = 0; // answer to RVN_CLICKED / RVN_COLUMNCLICKED
    int maxNeeded = -1; // highest item asked for with RVN_NEEDDATA
    int needCount = 0;
    bool fillNeeded = true;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code >= RVN_BASE - 31 && h->code <= RVN_BASE) {
            Seen s = {};
            s.code = h->code;
            s.wpId = wp;
            s.hdr = *h;
            if (h->code == RVN_NEEDDATA) {
                auto* rq = reinterpret_cast<_NMRVITEMCALLBACK*>(lp);
                s.need = rq->item;
                state->maxNeeded = std::max(state->maxNeeded, rq->item.iItem);
                ++state->needCount;
                if (state->fillNeeded && rq->item.iSubItem >= 0) {
                    snprintf(rq->item.lpszText, (size_t)rq->item.iTextMax, "v%d.%d", rq->item.iItem,
                             rq->item.iSubItem);
                    rq->item.nMask = RVIM_LABEL;
                } else {
                    rq->item.nMask = 0;
                }
                return 0; // not kept: millions of rows would fill the list
            }
            if (h->code == RVN_COLUMNCLICKED)
                s.header = *reinterpret_cast<const _NMRVHEADER*>(lp);
            else
                s.view = *reinterpret_cast<const _NMREPORTVIEW*>(lp);
            state->seen.push_back(s);
            if (h->code == RVN_CLICKED || h->code == RVN_COLUMNCLICKED) return state->answer;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class ReportWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportTestParent", ParentProc, &state,
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // A fresh control with the given styles, three columns (widths 100, 80, 60) and n items.
    CReportCtrl& Make(DWORD styles, int items = 0, bool columns = true) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 410, 310};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        if (columns) {
            const char* names[] = {"Name", "Size", "Kind"};
            int widths[] = {100, 80, 60};
            for (int i = 0; i < 3; ++i) {
                _RVSUBITEM s = {HDF_STRING, widths[i], 0, 0, 0, names[i]};
                report->DefineSubItem(i, &s);
                report->ActivateSubItem(i, i);
            }
        }
        char text[32];
        for (int i = 0; i < items; ++i) {
            snprintf(text, sizeof text, "item %03d", i);
            report->AddItem(text);
        }
        return *report;
    }
    int HeaderHeight() {
        RECT rc;
        GetWindowRect(report->GetHeaderCtrl(), &rc);
        return IsWindowVisible(report->GetHeaderCtrl()) ? rc.bottom - rc.top : 0;
    }
    std::vector<Seen> Codes(uint32_t code) {
        std::vector<Seen> out;
        for (const Seen& s : state.seen)
            if (s.code == code) out.push_back(s);
        return out;
    }
    // The control's painting, read back through WM_PRINTCLIENT into a bitmap of our own.
    std::unique_ptr<zt::Picture> Paint() { return std::make_unique<zt::Picture>(report->Handle(), 400, 300); }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

TEST_F(ReportWindow, CreatesWindowOfItsClassWithStyleWord) {
    CReportCtrl& r = Make(WS_BORDER | RVS_STRIPEDROWS | RVS_UNSORTED, 3);
    char cls[64] = "";
    GetClassNameA(r.Handle(), cls, sizeof cls);
    EXPECT_STREQ("MFCReportCtrl", cls);
    EXPECT_EQ((DWORD)kReportId, (DWORD)GetDlgCtrlID(r.Handle()));
    EXPECT_EQ((DWORD)(RVS_STRIPEDROWS | RVS_UNSORTED), r.GetStyle() & 0xFFFF);
    EXPECT_TRUE(r.GetStyle() & WS_BORDER);
    // The control's own bits do not land in the window's style.
    EXPECT_EQ(0u, (DWORD)GetWindowLongA(r.Handle(), GWL_STYLE) & 0xFFFFu);
    ASSERT_TRUE(r.GetHeaderCtrl());
    EXPECT_EQ(3, (int)SendMessageA(r.GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(3, r.GetItemCount());
    EXPECT_STREQ("item 001", r.GetItemText(1, 0).GetString());
    EXPECT_TRUE(r.ModifyStyle(RVS_UNSORTED, RVS_ROWLINES));
    EXPECT_EQ((DWORD)(RVS_STRIPEDROWS | RVS_ROWLINES), r.GetStyle() & 0xFFFF);
    // The parent's font is taken over: rows are as tall as its text plus 2 (plus the line).
    HDC dc = GetDC(r.Handle());
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(r.Handle(), dc);
    EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading + 2 + 1, r.GetItemHeight());
}

TEST_F(ReportWindow, TakesOverADialogItem) {
    zt::DialogTemplate t(L"Plain dialog", 200, 120);
    t.Item(0x0082, 300, SS_LEFT, 5, 5, 190, 100, L"");
    HWND dlg = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
    ASSERT_TRUE(dlg);
    {
        CReportCtrl r;
        ASSERT_TRUE(r.SubclassDlgItem(300, dlg));
        _RVSUBITEM s = {HDF_STRING, 90, 0, 0, 0, "Only"};
        EXPECT_EQ(0, r.DefineSubItem(0, &s));
        EXPECT_EQ(0, r.ActivateSubItem(0, 0));
        EXPECT_EQ(0, r.AddItem("one"));
        RECT rc;
        ASSERT_TRUE(r.GetItemRect(0, 0, &rc, 0));
        EXPECT_EQ(90, rc.right - rc.left);
        _RVHITTESTINFO hti = {};
        hti.point.x = rc.left + 50;
        hti.point.y = (rc.top + rc.bottom) / 2;
        EXPECT_EQ(0, r.HitTest(&hti));
        EXPECT_EQ((uint32_t)RVHT_LABEL, hti.nFlags);
    }
    // Given back, not destroyed.
    EXPECT_TRUE(IsWindow(GetDlgItem(dlg, 300)));
    DestroyWindow(dlg);
}

// Where the first row starts, by style: below the header, the header's height gone with
// RVS_HEADERLESS, the edit row's height added with RVS_ENTRYROW.
TEST_F(ReportWindow, LayoutRectanglesPerStyle) {
    struct Case {
        DWORD style;
        bool header;
        bool entry;
    } cases[] = {
        {0, true, false},
        {RVS_HEADERLESS, false, false},
        {RVS_ENTRYROW, true, true},
        {RVS_HEADERLESS | RVS_ENTRYROW, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        CReportCtrl& r = Make(c.style, 5);
        int header = HeaderHeight();
        if (c.header) {
            EXPECT_GT(header, 0);
        } else {
            EXPECT_EQ(0, header);
        }
        int entry = c.entry ? r.GetItemHeight() + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) : 0;
        RECT row0;
        ASSERT_TRUE(r.GetItemRect(0, -1, &row0, 0));
        EXPECT_EQ(header + entry, row0.top);
        EXPECT_EQ(r.GetItemHeight(), row0.bottom - row0.top);
        RECT edit;
        EXPECT_EQ(c.entry ? TRUE : FALSE, r.GetItemRect(-1, -1, &edit, 0));
        if (c.entry) {
            EXPECT_EQ(header, edit.top);
        }
        // The list is 300 high: whole rows that fit below the header and edit row.
        EXPECT_EQ(std::min(5, (300 - header - entry) / r.GetItemHeight()), r.GetVisibleCount(FALSE));
    }
}

TEST_F(ReportWindow, RowLinesAddOnePixel) {
    CReportCtrl& r = Make(0, 2);
    r.SetItemHeight(20);
    EXPECT_EQ(20, r.GetItemHeight());
    EXPECT_TRUE(r.ModifyStyle(0, RVS_ROWLINES));
    EXPECT_EQ(21, r.GetItemHeight());
    RECT a, b;
    r.GetItemRect(0, -1, &a, 0);
    r.GetItemRect(1, -1, &b, 0);
    EXPECT_EQ(21, b.top - a.top);
    r.SetItemHeight(20);
    EXPECT_EQ(21, r.GetItemHeight());
    EXPECT_TRUE(r.ModifyStyle(RVS_ROWLINES, 0));
    EXPECT_EQ(20, r.GetItemHeight());
}

// Hit-test flags at points chosen from the cell parts of a control with images, check boxes, tree
// boxes and a preview.
TEST_F(ReportWindow, HitTestFlagsAtChosenPoints) {
    CReportCtrl& r = Make(RVS_TREEMODE, 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 2, 0);
    ImageList_SetImageCount(images, 2);
    r.SetImageList(images);
    r.SetItemHeight(20);
    HTREEITEM root = r.InsertItem("root", 0, 1, -1, TVI_ROOT);
    ASSERT_TRUE(root);
    HTREEITEM child = r.InsertItem("child", 1, 0, -1, root);
    ASSERT_TRUE(child);
    r.Expand(root, TVE_EXPAND);
    _RVITEM preview = {};
    preview.nMask = RVIM_PREVIEWLINES;
    preview.iItem = r.GetItemIndex(child);
    preview.iSubItem = 0;
    preview.nPreview = 30;
    ASSERT_TRUE(r.SetItem(&preview));
    int rootItem = r.GetItemIndex(root), childItem = r.GetItemIndex(child);
    ASSERT_EQ(2, r.GetRowCount());

    RECT cell, image, check, text, row1;
    ASSERT_TRUE(r.GetItemRect(rootItem, 0, &cell, 0));
    ASSERT_TRUE(r.GetItemRect(rootItem, 0, &image, 1));
    ASSERT_TRUE(r.GetItemRect(rootItem, 0, &check, 2));
    ASSERT_TRUE(r.GetItemRect(rootItem, 0, &text, 3));
    ASSERT_TRUE(r.GetItemRect(childItem, -1, &row1, 0));
    EXPECT_EQ(16, image.right - image.left);
    EXPECT_LE(image.right, check.left);
    EXPECT_LE(check.right, text.left);
    EXPECT_EQ(20 + 30, row1.bottom - row1.top); // the preview enlarges the row
    RECT childImage;
    r.GetItemRect(childItem, 0, &childImage, 1);
    EXPECT_EQ(20, childImage.left - image.left); // one level deeper, one row height further in

    int header = HeaderHeight();
    struct Case {
        int x, y;
        uint32_t flags;
        int item;
        int subItem;
    } cases[] = {
        {image.left - 6 - 5, (cell.top + cell.bottom) / 2, RVHT_EXPANDBOX, rootItem, 0},
        {image.left + 8, (cell.top + cell.bottom) / 2, RVHT_PICTURE, rootItem, 0},
        {(check.left + check.right) / 2, (check.top + check.bottom) / 2, RVHT_CHECKBOX, rootItem, 0},
        {text.left + 5, (cell.top + cell.bottom) / 2, RVHT_LABEL, rootItem, 0},
        {cell.right + 10, (cell.top + cell.bottom) / 2, RVHT_LABEL, rootItem, 1},
        {50, row1.top + 25, RVHT_PREVIEWAREA, childItem, -1},
        {50, row1.bottom + 40, RVHT_NONE, -2, -1},
        {50, header / 2, RVHT_OVER, -2, -1},
        {260, (cell.top + cell.bottom) / 2, RVHT_NONE, rootItem, -1}, // right of the last column
        {-3, 50, RVHT_LEFTOF, -2, -1},
        {500, 50, RVHT_RIGHTOF, -2, -1},
        {50, 400, RVHT_UNDER, -2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        _RVHITTESTINFO hti = {};
        hti.point.x = c.x;
        hti.point.y = c.y;
        EXPECT_EQ(c.item, r.HitTest(&hti));
        EXPECT_EQ(c.flags, hti.nFlags);
        EXPECT_EQ(c.item, hti.iItem);
        EXPECT_EQ(c.subItem, hti.iSubItem);
        if (c.item >= 0) {
            EXPECT_EQ(c.item == rootItem ? root : child, hti.hItem);
        }
    }
    report.reset();
    ImageList_Destroy(images);
}

TEST_F(ReportWindow, EntryRowHit) {
    CReportCtrl& r = Make(RVS_ENTRYROW, 1);
    RECT edit;
    ASSERT_TRUE(r.GetItemRect(-1, 0, &edit, 3));
    _RVHITTESTINFO hti = {};
    hti.point.x = edit.left + 4;
    hti.point.y = (edit.top + edit.bottom) / 2;
    EXPECT_EQ(-1, r.HitTest(&hti));
    EXPECT_EQ((uint32_t)(RVHT_ENTRYROW | RVHT_LABEL), hti.nFlags);
    EXPECT_EQ(-1, hti.iRow);
}

// The wheel line count comes from "WheelScrollLines" of the user's desktop settings: its value, 3
// when it is missing, a page per notch for -1.
TEST_F(ReportWindow, WheelLinesFromTheUsersSettings) {
    zt::RegistryValue setting(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WheelScrollLines");
    struct Case {
        const char* value;
        int lines;
    } cases[] = {{"5", 5}, {nullptr, 3}, {"-1", -1}, {"1", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(missing)");
        setting.Set(c.value);
        CReportCtrl& r = Make(0, 200);
        EXPECT_EQ(c.lines, r.GetWheelLines());
        int page = r.GetVisibleCount(FALSE);
        ASSERT_GT(page, 5);
        SendMessageA(r.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-WHEEL_DELTA), 0);
        EXPECT_EQ(c.lines == -1 ? page : c.lines, r.GetTopIndex());
        SendMessageA(r.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)WHEEL_DELTA), 0);
        EXPECT_EQ(0, r.GetTopIndex());
    }
    // A settings change is read again by a live control.
    setting.Set("7");
    SendMessageA(report->Handle(), WM_SETTINGCHANGE, SPI_SETWHEELSCROLLLINES, 0);
    EXPECT_EQ(7, report->GetWheelLines());
}

TEST_F(ReportWindow, ScrollingByRowsAndPixels) {
    CReportCtrl& r = Make(0, 1000);
    int page = r.GetVisibleCount(FALSE);
    SendMessageA(r.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(page, r.GetTopIndex());
    SendMessageA(r.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(1000 - page, r.GetTopIndex());
    EXPECT_TRUE(r.IsItemVisible(999, FALSE));
    EXPECT_FALSE(r.IsItemVisible(0, TRUE));
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(r.Handle(), SB_VERT, &si);
    EXPECT_EQ(999, si.nMax);
    EXPECT_EQ(1000 - page, si.nPos);
    r.EnsureVisible(10, FALSE);
    EXPECT_EQ(10, r.GetTopIndex());
    r.PageUp();
    EXPECT_EQ(0, r.GetTopIndex());
    // Horizontal: columns 240 wide in a 400-wide list do not scroll; make them wider.
    r.SetSubItemWidth(0, 700);
    SendMessageA(r.Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
    RECT cell, client;
    r.GetItemRect(0, 0, &cell, 0);
    GetClientRect(r.Handle(), &client);
    EXPECT_EQ(-(client.right / 8), cell.left);
    SendMessageA(r.Handle(), WM_HSCROLL, SB_RIGHT, 0);
    r.GetItemRect(0, 2, &cell, 0);
    EXPECT_EQ(client.right, cell.right); // the last column ends at the right edge
}

// Notifications reach the parent as WM_NOTIFY with the control's id and their records' fields; the
// notification filter holds them back.
TEST_F(ReportWindow, NotificationsAsTheParentReceivesThem) {
    CReportCtrl& r = Make(0, 5);
    r.SetItemData(2, 0x5A5A);
    RECT cell;
    ASSERT_TRUE(r.GetItemRect(2, 1, &cell, 3));
    LPARAM at = MAKELPARAM(cell.left + 3, cell.top + 2);
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(r.Handle(), WM_LBUTTONUP, 0, at);
    std::vector<Seen> clicks = Codes(RVN_CLICKED);
    ASSERT_EQ(1u, clicks.size());
    const Seen& s = clicks[0];
    EXPECT_EQ(kReportId, s.wpId);
    EXPECT_EQ(r.Handle(), s.hdr.hwndFrom);
    EXPECT_EQ(kReportId, s.hdr.idFrom);
    EXPECT_EQ(2, s.view.iItem);
    EXPECT_EQ(1, s.view.iSubItem);
    EXPECT_EQ((uint32_t)RVHT_LABEL, s.view.nFlags);
    EXPECT_EQ(cell.left + 3, s.view.point.x);
    EXPECT_EQ((uint32_t)MK_LBUTTON, s.view.nKeys);
    EXPECT_EQ(0x5A5A, s.view.lParam);
    // The click selected the row (the selection notifications came too) and focused it.
    EXPECT_EQ(2, r.GetFirstSelectedItem());
    EXPECT_EQ(2, r.GetCurrentFocus());
    EXPECT_FALSE(Codes(RVN_SELCHANGED).empty());

    SendMessageA(r.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(r.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    EXPECT_EQ(1u, Codes(RVN_DOUBLECLICKED).size());
    ASSERT_EQ(1u, Codes(RVN_RIGHTCLICKED).size());
    EXPECT_EQ(2, Codes(RVN_RIGHTCLICKED)[0].view.iItem);

    // A parent answering non-zero to the click keeps the selection as it was.
    state.answer = 1;
    RECT other;
    r.GetItemRect(4, 0, &other, 0);
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(other.left + 40, other.top + 2));
    EXPECT_EQ(2, r.GetFirstSelectedItem());
    state.answer = 0;

    r.DeleteItem(2);
    ASSERT_EQ(1u, Codes(RVN_REMOVED).size());
    EXPECT_EQ(0x5A5A, Codes(RVN_REMOVED)[0].view.lParam);

    // Filter: only RVN_REMOVED (bit 7) passes.
    state.seen.clear();
    ASSERT_TRUE(r.ModifyProperty(RVP_NOTIFYFILTER, 1 << 7));
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(r.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    r.DeleteItem(0);
    ASSERT_EQ(1u, state.seen.size());
    EXPECT_EQ((uint32_t)RVN_REMOVED, state.seen[0].code);
}

// A click on a header item notifies the parent and sorts by that column, toggling the direction on
// the next click; RVS_UNSORTED and a vetoing parent keep the order.
TEST_F(ReportWindow, HeaderClickSorts) {
    struct Case {
        DWORD style;
        LRESULT veto;
        bool sorts;
    } cases[] = {{0, 0, true}, {RVS_UNSORTED, 0, false}, {0, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style * 10 + c.veto);
        state.seen.clear();
        state.answer = c.veto;
        CReportCtrl& r = Make(c.style, 0);
        const char* names[] = {"pear", "apple", "fig"};
        for (const char* n : names)
            r.AddItem(n);
        HWND header = r.GetHeaderCtrl();
        RECT item;
        SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
        std::vector<Seen> clicks = Codes(RVN_COLUMNCLICKED);
        ASSERT_EQ(1u, clicks.size());
        EXPECT_EQ(0, clicks[0].header.iSubItem);
        std::string order;
        for (int row = 0; row < 3; ++row)
            order += r.GetItemText(r.GetItemFromRow(row), 0).GetString() + std::string(" ");
        EXPECT_EQ(c.sorts ? "apple fig pear " : "pear apple fig ", order);
        if (!c.sorts) continue;
        HDITEMA hd = {};
        hd.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&hd));
        EXPECT_TRUE(hd.fmt & HDF_SORTUP);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
        EXPECT_STREQ("pear", r.GetItemText(r.GetItemFromRow(0), 0).GetString());
    }
    state.answer = 0;
}

// Virtual mode: painting asks the parent only for the rows on screen, whatever the count.
TEST_F(ReportWindow, VirtualModeAsksOnlyForVisibleRows) {
    CReportCtrl& r = Make(RVS_VIRTUALDATA, 0);
    ASSERT_TRUE(r.SetItemCount(10000000));
    int visible = r.GetVisibleCount(TRUE);
    state.maxNeeded = -1;
    state.needCount = 0;
    auto pic = Paint();
    EXPECT_GT(state.needCount, 0);
    EXPECT_LT(state.maxNeeded, visible);
    EXPECT_LE(state.needCount, visible * 4 + 8); // per row: the item and its three cells
    EXPECT_STREQ("v3.1", r.GetItemText(3, 1).GetString());
    // Far down, still only the rows shown.
    SendMessageA(r.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(10000000 - r.GetVisibleCount(FALSE), r.GetTopIndex());
    state.maxNeeded = -1;
    state.needCount = 0;
    pic = Paint();
    EXPECT_EQ(9999999, state.maxNeeded);
    EXPECT_LE(state.needCount, visible * 4 + 8);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    GetScrollInfo(r.Handle(), SB_VERT, &si);
    EXPECT_EQ(9999999, si.nMax); // 32-bit scroll positions
    EXPECT_EQ(r.GetTopIndex(), si.nPos);
}

// Pixels that decide a behaviour: an item's own background, stripes, the selection, a check mark,
// and the empty-list text.
TEST_F(ReportWindow, PaintedPixels) {
    CReportCtrl& r = Make(RVS_STRIPEDROWS | RVS_KEEPSELECTIONVISIBLE, 4);
    r.InsertColor(0, RGB(200, 220, 240)); // stripes
    r.InsertColor(1, RGB(250, 10, 10));   // an item's own background
    _RVITEM bk = {};
    bk.nMask = RVIM_BACKCOLOUR;
    bk.iItem = 2;
    bk.iSubItem = 0;
    bk.iBkColor = 1;
    ASSERT_TRUE(r.SetItem(&bk));
    r.SetItemCheck(0, 1, 1);
    r.SetSelection(3);
    SetFocus(parent);
    RECT rows[4];
    for (int i = 0; i < 4; ++i)
        r.GetItemRect(i, 2, &rows[i], 3);
    auto pic = Paint();
    auto probe = [&](int i) { return pic->At(rows[i].right - 1, rows[i].top + 1); };
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), probe(0));
    EXPECT_EQ(RGB(200, 220, 240), probe(1));
    EXPECT_EQ(RGB(250, 10, 10), probe(2));
    // Row 3 is selected; the control has no focus, so the no-focus selection colour shows.
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), probe(3));
    // The check mark: some pixel inside the box has the text colour.
    RECT box;
    ASSERT_TRUE(r.GetItemRect(0, 1, &box, 2));
    int marked = 0;
    for (int y = box.top + 1; y < box.bottom - 1; ++y)
        for (int x = box.left + 1; x < box.right - 1; ++x)
            marked += pic->At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_GT(marked, 2);
    RECT unchecked;
    r.SetItemCheck(0, 1, 0);
    pic = Paint();
    r.GetItemRect(0, 1, &unchecked, 2);
    marked = 0;
    for (int y = box.top + 1; y < box.bottom - 1; ++y)
        for (int x = box.left + 1; x < box.right - 1; ++x)
            marked += pic->At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(0, marked);

    // Empty list: the text in the first line of the list, nothing there with an empty message.
    r.DeleteAllItems();
    auto textPixels = [&](const zt::Picture& p) {
        int n = 0, top = HeaderHeight();
        for (int y = top; y < top + r.GetItemHeight() + 4; ++y)
            for (int x = 0; x < 400; ++x)
                n += p.At(x, y) != GetSysColor(COLOR_WINDOW);
        return n;
    };
    pic = Paint();
    EXPECT_GT(textPixels(*pic), 20);
    ASSERT_TRUE(r.ModifyProperty(RVP_EMPTYMESSAGE, reinterpret_cast<LONG_PTR>("")));
    pic = Paint();
    EXPECT_EQ(0, textPixels(*pic));
}

// A column limit: a definition narrower than its minimum of 50 is shown 50 wide, and the user cannot
// make it narrower by dragging the divider.
TEST_F(ReportWindow, ColumnMinimumWidth) {
    CReportCtrl& r = Make(0, 0, false);
    _RVSUBITEM narrow = {HDF_STRING, 30, 50, 0, 0, "Narrow"};
    _RVSUBITEM free = {HDF_STRING | RVCF_NOLIMITS, 30, 50, 0, 0, "Free"};
    r.DefineSubItem(0, &narrow);
    r.DefineSubItem(1, &free);
    r.ActivateSubItem(0, 0);
    r.ActivateSubItem(1, 1);
    ASSERT_EQ(0, r.AddItem("one"));
    HWND header = r.GetHeaderCtrl();
    RECT item;
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(50, item.right - item.left);
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(30, item.right - item.left);
    // The divider dragged 40 pixels to the left.
    RECT first;
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    int y = (first.top + first.bottom) / 2;
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.right - 1, y));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(first.right - 41, y));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(first.right - 41, y));
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(50, item.right - item.left);
    EXPECT_EQ(50, r.GetSubItemWidth(0));
    RECT cell;
    ASSERT_TRUE(r.GetItemRect(0, 0, &cell, 0));
    EXPECT_EQ(50, cell.right - cell.left);
}

// The column profile: written after the user moved a column by dragging its header item, restored
// on a fresh control; a value for another number of definitions, or with no column, is refused.
// Both stores: a registry key of the user's and an initialisation file.
TEST_F(ReportWindow, ProfileAfterColumnDragRestoredOnFreshControl) {
    std::string ini = zt::MakeTempDir("reportprofile") + "\\columns.ini";
    struct Store {
        const char* key;
        const char* ini;
    } stores[] = {{"Software\\ZRPCFunc tests\\report", nullptr}, {nullptr, ini.c_str()}};
    for (const Store& st : stores) {
        SCOPED_TRACE(st.key ? st.key : st.ini);
        CReportCtrl::SetProfileStore(st.key, st.ini);
        CReportCtrl& r = Make(0, 2);
        HWND header = r.GetHeaderCtrl();
        RECT a, c;
        SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&a));
        SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&c));
        int y = (a.top + a.bottom) / 2;
        // "Name" dragged past the middle of "Kind": it becomes the last column.
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.left + 30, y));
        for (int x = a.left + 30; x <= c.right - 5; x += 10)
            SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(c.right - 5, y));
        zt::Pump(20);
        EXPECT_EQ(1, r.GetSubItemFromColumn(0));
        EXPECT_EQ(2, r.GetSubItemFromColumn(1));
        EXPECT_EQ(0, r.GetSubItemFromColumn(2));
        RECT cell;
        r.GetItemRect(0, 0, &cell, 0);
        EXPECT_EQ(140, cell.left); // painted where the header shows it
        ASSERT_TRUE(r.WriteProfile("Columns", "Main"));

        CReportCtrl& fresh = Make(0, 0, false);
        const char* names[] = {"Name", "Size", "Kind"};
        int widths[] = {10, 10, 10};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = {HDF_STRING, widths[i], 0, 0, 0, names[i]};
            fresh.DefineSubItem(i, &s);
        }
        ASSERT_TRUE(fresh.GetProfile("Columns", "Main"));
        ASSERT_EQ(3, fresh.GetActiveSubItemCount());
        EXPECT_EQ(1, fresh.GetSubItemFromColumn(0));
        EXPECT_EQ(2, fresh.GetSubItemFromColumn(1));
        EXPECT_EQ(0, fresh.GetSubItemFromColumn(2));
        EXPECT_EQ(100, fresh.GetSubItemWidth(0));
        EXPECT_EQ(3, (int)SendMessageA(fresh.GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));

        // Another definition count: ignored. No column shown: refused.
        CReportCtrl& more = Make(0, 0, false);
        for (int i = 0; i < 4; ++i) {
            _RVSUBITEM s = {HDF_STRING, 20, 0, 0, 0, "x"};
            more.DefineSubItem(i, &s);
        }
        EXPECT_FALSE(more.GetProfile("Columns", "Main"));
        EXPECT_EQ(0, more.GetActiveSubItemCount());
        more.UndefineSubItem(3);
        more.UndefineSubItem(2);
        ASSERT_TRUE(more.WriteProfile("Columns", "Bare"));
        EXPECT_FALSE(more.GetProfile("Columns", "Bare"));
        EXPECT_FALSE(more.GetProfile("Columns", "Missing"));
    }
    CReportCtrl::SetProfileStore(nullptr, nullptr);
    for (const char* k : {"Software\\ZRPCFunc tests\\report\\Columns", "Software\\ZRPCFunc tests\\report",
                          "Software\\ZRPCFunc tests"})
        RegDeleteKeyA(HKEY_CURRENT_USER, k);
    std::string text;
    ASSERT_TRUE(zt::ReadFile(ini, text));
    EXPECT_NE(std::string::npos, text.find("Bare=(2,0) 20 20")) << text;
}

} // namespace
