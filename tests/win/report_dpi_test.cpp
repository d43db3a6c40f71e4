// The report control on screens of 100, 150 and 200 %: its own sizes (row height, gap, default column
// width, expand box, check box, grid lines, the header's sort marker and separators, a column fitted to
// its cells) measured from the pixels it paints and from its metrics at 96, 144 and 192 DPI; and a
// control moving to a screen of another density (WM_DPICHANGED, WM_DPICHANGED_AFTERPARENT) measures
// itself again and keeps its items, selection, focus and scroll position.
//
// Wine reads the density a process runs at once, when the process starts, from the user's value
// "LogPixels" (REG_DWORD) under "Control Panel\Desktop" (HKEY_CURRENT_CONFIG\Software\Fonts\LogPixels
// when the user has none). The 96-DPI cases run in this process; for 144 and 192 DPI the test sets the
// user's value, starts this program again for the cases named ReportAtDpi.DISABLED_* (which check that
// they run at that density), and puts the value back before anything else runs: the file runs alone.
// ctest-serial
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/rerun.h"
#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

// The system's messages to a window whose screen changed density (newer than the headers' target).
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

UINT SystemDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return (UINT)dpi;
}

// GetDpiForWindow where user32 has it.
UINT DpiOfWindow(HWND hwnd) {
    typedef UINT(WINAPI * Fn)(HWND);
    static Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return fn ? fn(hwnd) : SystemDpi();
}

// The width of a 3-D edge at dpi, as the system gives it.
int EdgeAt(UINT dpi) {
    typedef int(WINAPI * Fn)(int, UINT);
    static Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    return fn ? fn(SM_CXEDGE, dpi) : GetSystemMetrics(SM_CXEDGE);
}

// A size given for 96 DPI at dpi, rounded to the nearest pixel.
int At(int px96, UINT dpi) {
    return (px96 * (int)dpi + 48) / 96;
}

TEXTMETRICA MetricsOf(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm;
}

int TextWidth(HFONT font, const char* text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

LONG FontHeight(HWND hwnd) {
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfHeight;
}

// The smallest rectangle holding every pixel of colour inside area (empty when none).
RECT BoundsOf(const zt::Picture& pic, RECT area, COLORREF colour) {
    RECT b = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (pic.At(x, y) == colour) {
                b.left = std::min<LONG>(b.left, x);
                b.top = std::min<LONG>(b.top, y);
                b.right = std::max<LONG>(b.right, x + 1);
                b.bottom = std::max<LONG>(b.bottom, y + 1);
            }
    if (b.left >= b.right) b = {0, 0, 0, 0};
    return b;
}

// Pixels of colour in a run starting at (x, y), stepping by (dx, dy).
int Run(const zt::Picture& pic, int x, int y, int dx, int dy, COLORREF colour) {
    int n = 0;
    while (n < 200 && pic.At(x + n * dx, y + n * dy) == colour)
        ++n;
    return n;
}

// ---------------------------------------------------------------- the sizes at one density

void CheckSizes(UINT dpi) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
    ASSERT_EQ(dpi, SystemDpi()) << "the process does not run at the density asked for";
    HWND parent = zt::MakeParentWindow("ReportDpiParent", DefWindowProcA, nullptr, WS_POPUP | WS_VISIBLE, 0,
                                       0, 900, 700);
    ASSERT_TRUE(parent);
    EXPECT_EQ(dpi, DpiOfWindow(parent));
    auto report = std::make_unique<CReportCtrl>();
    RECT rc = {0, 0, At(480, dpi), At(300, dpi)};
    ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | RVS_TREEMODE, rc, parent, 7));
    CReportCtrl& r = *report;
    HWND hwnd = r.Handle();
    const int gap = At(6, dpi);
    EXPECT_EQ(gap, (int)r.GetProperty(RVP_GAP));

    // Columns: the default width (200 at 96 DPI), a check-box column, a serial column.
    _RVSUBITEM name = {RV_HDF_STRING, -1, 0, 0, 0, "Name"};
    _RVSUBITEM check = {RV_HDF_STRING, At(60, dpi), 0, 0, 0, "On"};
    _RVSUBITEM serial = {RV_HDF_STRING, At(30, dpi), 0, 0, 0, "Serial"};
    r.DefineSubItem(0, &name);
    r.DefineSubItem(1, &check);
    r.DefineSubItem(2, &serial);
    for (int i = 0; i < 3; ++i)
        ASSERT_GE(r.ActivateSubItem(i, i), 0);
    EXPECT_EQ(At(200, dpi), r.GetSubItemWidth(0));

    // The row height follows the font (made by the system at this density), plus two pixels at 96 DPI.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    TEXTMETRICA tm = MetricsOf(font);
    const int row = tm.tmHeight + tm.tmExternalLeading + At(2, dpi);
    EXPECT_EQ(row, r.GetItemHeight());
    EXPECT_EQ((row - At(2, dpi)) * 0x10001, (int)r.GetProperty(RVP_CHECKBOXSIZE)); // a square

    HTREEITEM top = r.InsertItem("top", -1, -1, -1, TVI_ROOT);
    HTREEITEM kid = r.InsertItem("kid", -1, -1, -1, top);
    ASSERT_TRUE(top && kid);
    int topItem = r.GetItemIndex(top);
    r.SetItemCheck(topItem, 1, 1);
    r.SetItemText(topItem, 2, "0C0C0001");
    SetFocus(parent); // no focus frame in the pictures

    // The expand box of the collapsed node: its frame in the shadow colour, 9 x 9 at 96 DPI, scaled;
    // a frame and bars one pixel (scaled) thick.
    {
        zt::Picture pic(hwnd, rc.right, rc.bottom);
        RECT cell;
        ASSERT_TRUE(r.GetItemRect(topItem, 0, &cell, 0));
        RECT square = {cell.left, cell.top, cell.left + row, cell.top + row};
        RECT box = BoundsOf(pic, square, GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(At(9, dpi), box.right - box.left);
        EXPECT_EQ(At(9, dpi), box.bottom - box.top);
        int mid = (box.top + box.bottom) / 2;
        EXPECT_EQ(At(1, dpi), Run(pic, box.left, mid - 1, 1, 0, GetSysColor(COLOR_BTNSHADOW)));
        // The bars cross in the middle: the horizontal one seen in a column near the box's left side,
        // the vertical one (collapsed) in a row near its top.
        RECT bar = BoundsOf(pic, box, GetSysColor(COLOR_WINDOWTEXT));
        ASSERT_GT(bar.right, bar.left);
        int xOnBar = bar.left, yOnBar = bar.top;
        int thick = 0;
        for (int y = box.top; y < box.bottom; ++y)
            thick += pic.At(xOnBar, y) == GetSysColor(COLOR_WINDOWTEXT);
        EXPECT_EQ(At(1, dpi), thick);
        thick = 0;
        for (int x = box.left; x < box.right; ++x)
            thick += pic.At(x, yOnBar) == GetSysColor(COLOR_WINDOWTEXT);
        EXPECT_EQ(At(1, dpi), thick);

        // The check box: a square of the row height less two pixels (scaled), framed one pixel (scaled)
        // thick in the flat look, its tick in the text colour.
        RECT area;
        ASSERT_TRUE(r.GetItemRect(topItem, 1, &area, 2));
        EXPECT_EQ(row - At(2, dpi), area.right - area.left);
        RECT frame = BoundsOf(pic, area, GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(area.right - area.left, frame.right - frame.left);
        EXPECT_EQ(area.bottom - area.top, frame.bottom - frame.top);
        EXPECT_EQ(At(1, dpi),
                  Run(pic, frame.left, (frame.top + frame.bottom) / 2, 1, 0, GetSysColor(COLOR_BTNSHADOW)));
        RECT tick = BoundsOf(pic, frame, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_GT(tick.bottom - tick.top, (frame.bottom - frame.top) / 3);
    }

    // A divider double-click fits the serial column to its cells: the gap, the text, the gap; the whole
    // serial is shown.
    HWND header = r.GetHeaderCtrl();
    RECT item = {};
    SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    SendMessageA(header, WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(item.right - 1, (item.top + item.bottom) / 2));
    zt::Pump(10);
    int serialWidth = TextWidth(font, "0C0C0001");
    EXPECT_EQ(gap + serialWidth + gap, r.GetSubItemWidth(2));
    RECT text;
    ASSERT_TRUE(r.GetItemRect(topItem, 2, &text, 3));
    EXPECT_GE(text.right - text.left, serialWidth);

    // Grid lines: RVS_ROWLINES adds their width to a row, one pixel at 96 DPI, scaled; drawn so wide.
    r.ModifyStyle(0, RVS_ROWLINES);
    EXPECT_EQ(row + At(1, dpi), r.GetItemHeight());
    {
        zt::Picture pic(hwnd, rc.right, rc.bottom);
        RECT rowRect;
        ASSERT_TRUE(r.GetItemRect(topItem, -1, &rowRect, 0));
        RECT cell;
        ASSERT_TRUE(r.GetItemRect(topItem, 0, &cell, 0));
        int x = cell.right - At(20, dpi); // in the name column, right of its text
        EXPECT_EQ(At(1, dpi), Run(pic, x, rowRect.bottom - 1, 0, -1, GetSysColor(COLOR_BTNFACE)));
    }
    r.ModifyStyle(RVS_ROWLINES, 0);
    EXPECT_EQ(row, r.GetItemHeight());

    // The header, sorted by the first column: the marker at the item's right end, 8 x 4 pixels at
    // 96 DPI (pointing up), and a separator one pixel (scaled) wide at each item's right edge.
    ASSERT_TRUE(r.SortItems(0, TRUE));
    RECT hc;
    GetClientRect(header, &hc);
    {
        zt::Picture pic(header, hc.right, hc.bottom);
        SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        int margin = 3 * EdgeAt(dpi);
        RECT end = {item.right - margin - At(8, dpi) - At(4, dpi), item.top, item.right - margin,
                    item.bottom};
        RECT marker = BoundsOf(pic, end, GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(At(8, dpi), marker.right - marker.left);
        EXPECT_EQ(At(8, dpi) / 2, marker.bottom - marker.top);
        EXPECT_EQ(item.right - margin, marker.right);
        // Pointing up: its top row narrower than its bottom row.
        EXPECT_LT(Run(pic, marker.left + (marker.right - marker.left) / 2 - 1, marker.top, 1, 0,
                      GetSysColor(COLOR_BTNTEXT)),
                  Run(pic, marker.left, marker.bottom - 1, 1, 0, GetSysColor(COLOR_BTNTEXT)));
        EXPECT_EQ(At(1, dpi), Run(pic, item.right - 1, (item.top + item.bottom) / 2, -1, 0,
                                  GetSysColor(COLOR_BTNSHADOW)));
    }
    report.reset();
    DestroyWindow(parent);
}

// ---------------------------------------------------------------- moving to a screen of another density

struct Snapshot {
    int count, top, hpos, focus, focusColumn, gap, row;
    LONG fontHeight;
    std::vector<int> widths, selected;
};

Snapshot Take(CReportCtrl& r) {
    Snapshot s = {};
    s.count = r.GetItemCount();
    s.top = r.GetTopIndex();
    s.hpos = GetScrollPos(r.Handle(), SB_HORZ);
    s.focus = r.GetCurrentFocus(&s.focusColumn);
    s.gap = (int)r.GetProperty(RVP_GAP);
    s.row = r.GetItemHeight();
    s.fontHeight = FontHeight(r.Handle());
    for (int i = 0; i < r.GetSubItemCount(); ++i)
        s.widths.push_back(r.GetSubItemWidth(i));
    s.selected.resize(16);
    s.selected.resize((size_t)r.GetSelectedItems(s.selected.data(), 16));
    return s;
}

void CheckDensityChange(UINT dpi) {
    SCOPED_TRACE("from " + std::to_string(dpi) + " DPI");
    ASSERT_EQ(dpi, SystemDpi());
    // A top-level control, as the system tells a window that moved to another screen: WM_DPICHANGED
    // with the new density and the place it suggests.
    CReportCtrl r;
    RECT rc = {40, 40, 40 + At(400, dpi), 40 + At(300, dpi)};
    ASSERT_TRUE(
        r.Create(WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | RVS_KEEPSELECTIONVISIBLE, rc, nullptr, 0));
    const int widths[] = {160, 140, 203, 90};
    for (int i = 0; i < 4; ++i) {
        _RVSUBITEM s = {RV_HDF_STRING, At(widths[i], dpi), At(40, dpi), i == 3 ? At(120, dpi) : 0, 0,
                        "Column"};
        r.DefineSubItem(i, &s);
        r.ActivateSubItem(i, i);
    }
    char text[32];
    for (int i = 0; i < 200; ++i) {
        snprintf(text, sizeof text, "item %03d", i);
        r.AddItem(text);
    }
    r.SetSelection(40);
    r.SetSelection(43, TRUE);
    ASSERT_TRUE(r.AdjustFocus(43));
    for (int i = 0; i < 30; ++i)
        SendMessageA(r.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    for (int i = 0; i < 2; ++i)
        SendMessageA(r.Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    const Snapshot before = Take(r);
    ASSERT_EQ(30, before.top);
    ASSERT_GT(before.hpos, 0);
    ASSERT_EQ(2u, before.selected.size());

    const UINT other = dpi + dpi / 2;
    RECT suggested = {60, 50, 60 + MulDiv(rc.right - rc.left, (int)other, (int)dpi),
                      50 + MulDiv(rc.bottom - rc.top, (int)other, (int)dpi)};
    SendMessageA(r.Handle(), kDpiChanged, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
    const Snapshot moved = Take(r);
    auto scaled = [&](int v) { return MulDiv(v, (int)other, (int)dpi); };
    EXPECT_EQ(before.count, moved.count);
    EXPECT_EQ(before.selected, moved.selected);
    EXPECT_EQ(before.focus, moved.focus);
    EXPECT_EQ(before.top, moved.top);
    EXPECT_EQ(scaled(before.hpos), moved.hpos);
    EXPECT_EQ(scaled(before.gap), moved.gap);
    EXPECT_EQ(scaled(before.fontHeight), moved.fontHeight);
    for (size_t i = 0; i < before.widths.size(); ++i)
        EXPECT_EQ(scaled(before.widths[i]), moved.widths[i]) << "column " << i;
    TEXTMETRICA tm = MetricsOf(reinterpret_cast<HFONT>(SendMessageA(r.Handle(), WM_GETFONT, 0, 0)));
    EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading + At(2, other), moved.row);
    EXPECT_GT(moved.row, before.row);
    RECT now;
    GetWindowRect(r.Handle(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    // The limits moved too: shown again at a width past its maximum, the last column takes its scaled
    // maximum.
    ASSERT_TRUE(r.DeactivateSubItem(3));
    r.SetSubItemWidth(3, 2000);
    ASSERT_GE(r.ActivateSubItem(3, 3), 0);
    EXPECT_EQ(scaled(At(120, dpi)), r.GetSubItemWidth(3));
    r.SetSubItemWidth(3, moved.widths[3]);

    // Back on the first screen, as a child hears it: its parent gave it its first size again, then the
    // window's own density comes with WM_DPICHANGED_AFTERPARENT. Every size is as it was.
    SetWindowPos(r.Handle(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(r.Handle(), kDpiChangedAfterParent, 0, 0);
    const Snapshot back = Take(r);
    EXPECT_EQ(before.count, back.count);
    EXPECT_EQ(before.selected, back.selected);
    EXPECT_EQ(before.focus, back.focus);
    EXPECT_EQ(before.top, back.top);
    EXPECT_EQ(before.hpos, back.hpos);
    EXPECT_EQ(before.gap, back.gap);
    EXPECT_EQ(before.fontHeight, back.fontHeight);
    EXPECT_EQ(before.row, back.row);
    EXPECT_EQ(before.widths, back.widths);
    // Nothing changes when the density stays.
    SendMessageA(r.Handle(), kDpiChangedAfterParent, 0, 0);
    EXPECT_EQ(before.widths, Take(r).widths);
    EXPECT_EQ(before.row, Take(r).row);
}

// ---------------------------------------------------------------- this program again at another density

// The user's LogPixels value set for as long as the object lives, then put back as it was.
class UserDensity {
  public:
    explicit UserDensity(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &m_key, nullptr);
        DWORD size = sizeof m_old, type = 0;
        m_had = m_key &&
                RegQueryValueExA(m_key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&m_old),
                                 &size) == ERROR_SUCCESS &&
                type == REG_DWORD;
        if (m_key)
            RegSetValueExA(m_key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~UserDensity() {
        if (!m_key) return;
        if (m_had)
            RegSetValueExA(m_key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_old),
                           sizeof m_old);
        else
            RegDeleteValueA(m_key, "LogPixels");
        RegCloseKey(m_key);
    }
    UserDensity(const UserDensity&) = delete;
    UserDensity& operator=(const UserDensity&) = delete;

  private:
    HKEY m_key = nullptr;
    bool m_had = false;
    DWORD m_old = 0;
};

// Runs this program's cases ReportAtDpi.DISABLED_<name> in a process of its own at dpi; its exit code.
DWORD RunAtDensity(UINT dpi, const char* name) {
    UserDensity density(dpi);
    std::string filter = std::string("ReportAtDpi.DISABLED_") + name;
    return zt::RunCasesAlone(filter.c_str(), "ZRPC_TEST_DPI", std::to_string(dpi).c_str());
}

// The density a case started by RunAtDensity runs at (0: not started so).
UINT AskedDpi() {
    const char* v = zt::AloneValue("ZRPC_TEST_DPI");
    return v ? (UINT)std::atoi(v) : 0;
}

} // namespace

TEST(ReportDpi, SizesAt96) {
    ASSERT_EQ(96u, SystemDpi()) << "the test prefix runs at 96 DPI";
    CheckSizes(96);
}

TEST(ReportDpi, SizesAt144And192) {
    for (UINT dpi : {144u, 192u})
        EXPECT_EQ(0u, RunAtDensity(dpi, "Sizes")) << "the cases at " << dpi << " DPI (their output is above)";
    EXPECT_EQ(96u, SystemDpi());
}

TEST(ReportDpi, MovingToAnotherDensityAt96) {
    CheckDensityChange(96);
}

TEST(ReportDpi, MovingToAnotherDensityAt144And192) {
    for (UINT dpi : {144u, 192u})
        EXPECT_EQ(0u, RunAtDensity(dpi, "Moving"))
            << "the cases at " << dpi << " DPI (their output is above)";
}

// Run by the cases above, in a process of their own at 144 or 192 DPI.
TEST(ReportAtDpi, DISABLED_Sizes) {
    ASSERT_NE(0u, AskedDpi()) << "started by ReportDpi.SizesAt144And192 only";
    CheckSizes(AskedDpi());
}

TEST(ReportAtDpi, DISABLED_Moving) {
    ASSERT_NE(0u, AskedDpi()) << "started by ReportDpi.MovingToAnotherDensityAt144And192 only";
    CheckDensityChange(AskedDpi());
}
