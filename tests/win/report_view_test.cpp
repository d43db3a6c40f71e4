// The report control's tip window over cells whose text does not fit (and its fade), CReportView
// holding one control over its client area, preview heights, the background picture (a bitmap of this
// program's resources, report_view_test.rc) and the text area of a tree node that spans the row.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"
#include "zrpcreportview.h"

namespace {

constexpr UINT kReportId = 88;

struct ParentState {
    std::vector<uint32_t> codes;
    std::vector<UINT_PTR> ids;
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code >= RVN_BASE - 31 && h->code <= RVN_BASE) {
            state->codes.push_back(h->code);
            state->ids.push_back(wp);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class ReportView : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportViewTestParent", ParentProc, &state, WS_POPUP | WS_VISIBLE, 30,
                                      30, 500, 400);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Columns "Name" 70 and "Size" 200.
    CReportCtrl& Make(DWORD styles) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 410, 310};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        _RVSUBITEM name = {RV_HDF_STRING, 70, 0, 0, 0, "Name"};
        _RVSUBITEM size = {RV_HDF_STRING, 200, 0, 0, 0, "Size"};
        report->DefineSubItem(0, &name);
        report->DefineSubItem(1, &size);
        report->ActivateSubItem(0, 0);
        report->ActivateSubItem(1, 1);
        return *report;
    }
    // The point in the middle of the text area of a cell, in client coordinates.
    POINT TextPoint(int item, int sub) {
        RECT rc = {};
        EXPECT_TRUE(report->GetItemRect(item, sub, &rc, 3));
        POINT pt = {rc.left + 4, (rc.top + rc.bottom) / 2};
        return pt;
    }
    void MoveTo(POINT pt, WPARAM keys = 0) {
        SendMessageA(report->Handle(), WM_MOUSEMOVE, keys, MAKELPARAM(pt.x, pt.y));
    }
    HWND Tip() {
        HWND tip = report->GetTipWindow();
        return tip && IsWindowVisible(tip) ? tip : nullptr;
    }
    // The control's painting through WM_PRINTCLIENT, into a bitmap of our own.
    std::unique_ptr<zt::Picture> Paint() { return std::make_unique<zt::Picture>(report->Handle(), 400, 300); }
    COLORREF PaintedAt(int x, int y) { return Paint()->At(x, y); }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

// The pointer resting on a cut text shows the tip over the cell, wide enough for the whole text, fading
// in from transparent to opaque; it goes when the pointer moves to a text that fits, when the item
// changes, and it does not come without the style, without the focus or with a button down.
TEST_F(ReportView, TipWindowOverCutText) {
    CReportCtrl& r = Make(RVS_OVERFLOWTEXT);
    const char* longText = "a name much too long for seventy pixels";
    ASSERT_EQ(0, r.AddItem(longText));
    ASSERT_EQ(1, r.AddItem("Bo"));
    r.SetItemText(0, 1, "fits");
    SetFocus(r.Handle());
    ASSERT_EQ(r.Handle(), GetFocus());

    MoveTo(TextPoint(0, 0));
    HWND tip = Tip();
    ASSERT_TRUE(tip);
    char cls[64] = "";
    GetClassNameA(tip, cls, sizeof cls);
    EXPECT_STREQ("MFCReportTipCtrl", cls);
    EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(tip, GWL_STYLE) & (WS_BORDER | WS_CAPTION));
    RECT area, tipRect;
    ASSERT_TRUE(r.GetItemRect(0, 0, &area, 3));
    MapWindowPoints(r.Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    GetWindowRect(tip, &tipRect);
    EXPECT_EQ(area.top, tipRect.top);
    EXPECT_EQ(area.bottom, tipRect.bottom);
    EXPECT_LE(tipRect.left, area.left);
    EXPECT_GE(area.left - tipRect.left, 0);
    EXPECT_LE(area.left - tipRect.left, 3);
    HDC dc = GetDC(r.Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(r.Handle(), WM_GETFONT, 0, 0)));
    SIZE text = {};
    GetTextExtentPoint32A(dc, longText, (int)strlen(longText), &text);
    SelectObject(dc, old);
    ReleaseDC(r.Handle(), dc);
    EXPECT_GE(tipRect.right - tipRect.left, text.cx);

    // The fade: transparent at first, opaque after 26 steps of 20 ms.
    BYTE alpha = 0;
    COLORREF key = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(tip, &key, &alpha, &flags));
    EXPECT_LT(alpha, 255);
    EXPECT_EQ(RGB(255, 0, 255), key);
    EXPECT_TRUE(zt::WaitUntil(
        [&] {
            GetLayeredWindowAttributes(tip, &key, &alpha, &flags);
            return alpha == 255;
        },
        10000)); // generous: a loaded machine delays timers
    // The same cell again: the tip stays.
    POINT further = TextPoint(0, 0);
    further.x += 10;
    MoveTo(further);
    EXPECT_EQ(tip, Tip());

    // Still over the tip (it covers the next column's start): it stays. Beyond it, over a text that
    // fits: no tip.
    MoveTo(TextPoint(0, 1));
    EXPECT_EQ(tip, Tip());
    RECT size;
    ASSERT_TRUE(r.GetItemRect(0, 1, &size, 3));
    MoveTo(POINT{size.right - 3, (size.top + size.bottom) / 2});
    EXPECT_FALSE(Tip());
    MoveTo(TextPoint(1, 0));
    EXPECT_FALSE(Tip());
    // Shown again, then the item changes: gone, and the next one fades in anew.
    MoveTo(TextPoint(0, 0));
    ASSERT_TRUE(Tip());
    r.SetItemText(1, 1, "changed");
    EXPECT_FALSE(Tip());
    MoveTo(TextPoint(1, 0));
    MoveTo(TextPoint(0, 0));
    ASSERT_TRUE(Tip());
    GetLayeredWindowAttributes(tip, &key, &alpha, &flags);
    EXPECT_LT(alpha, 255);
    MoveTo(TextPoint(1, 0));

    // A button down, or no focus: no tip.
    MoveTo(TextPoint(0, 0), MK_LBUTTON);
    EXPECT_FALSE(Tip());
    SetFocus(parent);
    MoveTo(TextPoint(0, 0));
    EXPECT_FALSE(Tip());
    // Without RVS_OVERFLOWTEXT: none either.
    SetFocus(r.Handle());
    ASSERT_TRUE(r.ModifyStyle(RVS_OVERFLOWTEXT, 0));
    MoveTo(TextPoint(0, 0));
    EXPECT_FALSE(Tip());
}

// The tip of a bold row is as wide as the bold text.
TEST_F(ReportView, TipOfABoldRowUsesTheBoldFont) {
    CReportCtrl& r = Make(RVS_OVERFLOWTEXT);
    const char* text = "WWWWWWWWWWWWWWWWWWWW";
    ASSERT_EQ(0, r.AddItem(text));
    _RVITEM it = {};
    it.nMask = RVIM_STATEBITS;
    it.iItem = 0;
    it.iSubItem = -1;
    it.nState = RVIS_HEAVYFONT;
    ASSERT_TRUE(r.SetItem(&it));
    SetFocus(r.Handle());
    MoveTo(TextPoint(0, 0));
    HWND tip = Tip();
    ASSERT_TRUE(tip);
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(r.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectA(&lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bold);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(bold);
    RECT rc;
    GetWindowRect(tip, &rc);
    EXPECT_GE(rc.right - rc.left, size.cx);
    EXPECT_LE(rc.right - rc.left, size.cx + 8);
}

// The view holds one control over its whole client area (id 0, a tab stop), resizes it with itself,
// hands it the focus and passes its notifications on to its own parent.
TEST_F(ReportView, ViewHoldsOneControl) {
    CReportView view;
    RECT rc = {20, 20, 320, 220};
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, rc, parent, 55, RVS_STRIPEDROWS));
    char cls[64] = "";
    GetClassNameA(view.Handle(), cls, sizeof cls);
    EXPECT_STREQ("CReportView", cls);
    CReportCtrl& r = view.GetReportCtrl();
    ASSERT_TRUE(r.Handle());
    EXPECT_EQ(view.Handle(), GetParent(r.Handle()));
    EXPECT_EQ(0, GetDlgCtrlID(r.Handle()));
    EXPECT_TRUE(GetWindowLongA(r.Handle(), GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(IsWindowVisible(r.Handle()));
    EXPECT_TRUE(r.GetStyle() & RVS_STRIPEDROWS);
    auto fills = [&] {
        RECT client, inner;
        GetClientRect(view.Handle(), &client);
        GetWindowRect(r.Handle(), &inner);
        MapWindowPoints(nullptr, view.Handle(), reinterpret_cast<POINT*>(&inner), 2);
        return EqualRect(&client, &inner) != FALSE;
    };
    EXPECT_TRUE(fills());
    SetWindowPos(view.Handle(), nullptr, 0, 0, 410, 150, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(fills());
    RECT inner;
    GetWindowRect(r.Handle(), &inner);
    EXPECT_EQ(410, inner.right - inner.left);

    SetFocus(view.Handle());
    EXPECT_EQ(r.Handle(), GetFocus());

    _RVSUBITEM name = {RV_HDF_STRING, 100, 0, 0, 0, "Name"};
    r.DefineSubItem(0, &name);
    r.ActivateSubItem(0, 0);
    r.AddItem("one");
    RECT cell;
    ASSERT_TRUE(r.GetItemRect(0, 0, &cell, 3));
    state = ParentState(); // the column shown above told its new layout already
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 2, cell.top + 2));
    SendMessageA(r.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 2, cell.top + 2));
    ASSERT_FALSE(state.codes.empty());
    EXPECT_EQ(RVN_CLICKED, state.codes[0]);
    EXPECT_EQ(0u, state.ids[0]);
}

// Preview heights: n lines of a font; a text word-wrapped to the shown columns' width or to a rectangle.
TEST_F(ReportView, PreviewHeights) {
    CReportCtrl& r = Make(0);
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC dc = GetDC(r.Handle());
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(r.Handle(), dc);
    int line = tm.tmHeight + tm.tmExternalLeading;
    EXPECT_EQ(0, r.PreviewHeight(font, 0u));
    EXPECT_EQ(line, r.PreviewHeight(font, 1u));
    EXPECT_EQ(3 * line, r.PreviewHeight(font, 3u));

    std::string words;
    for (int i = 0; i < 40; ++i)
        words += "word ";
    int wide = r.PreviewHeight(font, words.c_str()); // 270 pixels: the two columns
    RECT narrow = {0, 0, 90, 0};
    int tall = r.PreviewHeight(font, words.c_str(), &narrow);
    EXPECT_GE(wide, 2 * tm.tmHeight);
    EXPECT_GT(tall, wide);
    EXPECT_EQ(0, tall % tm.tmHeight);
    EXPECT_EQ(tm.tmHeight, r.PreviewHeight(font, "one line"));
}

// The background picture: tiles of this program's bitmap 301 (8 x 8, left half green, right half
// purple) behind rows without a colour of their own, the tiles anchored at the list's corner; a
// selected row keeps the selection colour; a missing bitmap is refused.
TEST_F(ReportView, BackgroundPicture) {
    CReportCtrl& r = Make(RVS_KEEPSELECTIONVISIBLE);
    for (int i = 0; i < 3; ++i)
        r.AddItem("");
    EXPECT_FALSE(r.SetBkImage(999u));
    EXPECT_FALSE(r.SetBkImage("NOSUCHBITMAP"));
    ASSERT_TRUE(r.SetBkImage(301u));
    r.InsertColor(0, RGB(250, 250, 10));
    _RVITEM own = {};
    own.nMask = RVIM_BACKCOLOUR;
    own.iItem = 1;
    own.iSubItem = 0;
    own.iBkColor = 0;
    ASSERT_TRUE(r.SetItem(&own));
    r.SetSelection(2);
    RECT row0, row1, row2;
    ASSERT_TRUE(r.GetItemRect(0, -1, &row0));
    ASSERT_TRUE(r.GetItemRect(1, -1, &row1));
    ASSERT_TRUE(r.GetItemRect(2, -1, &row2));
    const COLORREF green = RGB(40, 180, 40), purple = RGB(120, 40, 160);
    int y = row0.top + 1;
    EXPECT_EQ(green, PaintedAt(row0.left + 1, y));
    EXPECT_EQ(purple, PaintedAt(row0.left + 5, y));
    EXPECT_EQ(green, PaintedAt(row0.left + 9, y));
    EXPECT_EQ(purple, PaintedAt(row0.left + 300, y)); // 300 = 37 tiles and 4 pixels
    EXPECT_EQ(RGB(250, 250, 10), PaintedAt(row1.left + 1, row1.top + 1));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PaintedAt(row2.left + 1, row2.top + 1));
    // Below the rows: the picture too.
    EXPECT_EQ(green, PaintedAt(row0.left + 2, row2.bottom + 20));
    EXPECT_EQ(purple, PaintedAt(row0.left + 6, row2.bottom + 20));
}

// A control that notes the palette of every context it draws into.
class PaletteProbe : public CReportCtrl {
  public:
    bool stock = false;                // the context had the default palette
    std::vector<PALETTEENTRY> entries; // else its entries
    void DrawCtrl(HDC hDC) override {
        HPALETTE pal = static_cast<HPALETTE>(GetCurrentObject(hDC, OBJ_PAL));
        stock = pal == GetStockObject(DEFAULT_PALETTE);
        UINT n = pal && !stock ? GetPaletteEntries(pal, 0, 0, nullptr) : 0;
        entries.assign(n, PALETTEENTRY{});
        if (n) GetPaletteEntries(pal, 0, n, entries.data());
        CReportCtrl::DrawCtrl(hDC);
    }
    std::vector<COLORREF> Colours() const {
        std::vector<COLORREF> out;
        for (const PALETTEENTRY& e : entries)
            out.push_back(RGB(e.peRed, e.peGreen, e.peBlue));
        return out;
    }
};

// The palette the control draws with holds the colour table's colours and the colours a background
// picture of 256 colours or fewer brings; it follows every change of either, is used by the control's
// own painting and by WM_PRINTCLIENT, and the caller's context gets its own palette back. Without
// colours and picture there is none.
TEST_F(ReportView, PaletteFollowsTheColourTableAndThePicture) {
    auto* probe = new PaletteProbe;
    report.reset(probe);
    RECT rc = {10, 10, 410, 310};
    ASSERT_TRUE(probe->Create(WS_CHILD | WS_VISIBLE, rc, parent, kReportId));
    probe->AddItem("row");
    auto printed = [&] {
        auto shot = Paint();
        EXPECT_EQ(GetCurrentObject(shot->dc(), OBJ_PAL), GetStockObject(DEFAULT_PALETTE))
            << "the caller's context keeps its palette";
        return probe->stock ? std::vector<COLORREF>{} : probe->Colours();
    };
    const COLORREF yellow = RGB(250, 250, 10), dark = RGB(10, 20, 30), other = RGB(9, 8, 7);
    const COLORREF green = RGB(40, 180, 40), purple = RGB(120, 40, 160);
    const COLORREF tableOnly[] = {RGB(1, 2, 3), RGB(250, 128, 7)};

    EXPECT_TRUE(printed().empty());
    EXPECT_TRUE(probe->stock);
    EXPECT_EQ(SendMessageA(probe->Handle(), WM_QUERYNEWPALETTE, 0, 0), FALSE) << "no palette to realise";

    probe->InsertColor(0, yellow);
    probe->InsertColor(1, dark);
    EXPECT_EQ(printed(), (std::vector<COLORREF>{yellow, dark}));
    EXPECT_TRUE(probe->SetColor(1, other));
    EXPECT_EQ(printed(), (std::vector<COLORREF>{yellow, other}));
    EXPECT_FALSE(probe->SetColor(2, dark));

    ASSERT_TRUE(probe->SetBkImage(302u)); // 8 bits a pixel, four colours in its table
    EXPECT_EQ(printed(), (std::vector<COLORREF>{yellow, other, green, purple, tableOnly[0], tableOnly[1]}));
    EXPECT_EQ(SendMessageA(probe->Handle(), WM_QUERYNEWPALETTE, 0, 0), TRUE);
    SendMessageA(probe->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(parent), 0);
    // The control's own painting draws with it too.
    probe->entries.clear();
    InvalidateRect(probe->Handle(), nullptr, FALSE);
    UpdateWindow(probe->Handle());
    EXPECT_EQ(probe->Colours(),
              (std::vector<COLORREF>{yellow, other, green, purple, tableOnly[0], tableOnly[1]}));

    probe->DeleteColor(0);
    EXPECT_EQ(printed(), (std::vector<COLORREF>{other, green, purple, tableOnly[0], tableOnly[1]}));
    ASSERT_TRUE(probe->SetBkImage(301u)); // 24 bits a pixel: no colours of its own
    EXPECT_EQ(printed(), (std::vector<COLORREF>{other}));
    probe->DeleteAllColors();
    EXPECT_TRUE(printed().empty());
    EXPECT_TRUE(probe->stock);
}

// Text area of a tree node showing its tree sub-item: it runs on to the end of the shown columns; a
// node without one has the plain text area.
TEST_F(ReportView, SpanningTreeNodeTextArea) {
    CReportCtrl& r = Make(RVS_TREEMODE);
    HTREEITEM plain = r.InsertItem("plain", -1, -1, -1, TVI_ROOT, TVI_LAST);
    HTREEITEM span = r.InsertItem("spanning", -1, -1, -1, TVI_ROOT, TVI_LAST, 1);
    ASSERT_TRUE(plain);
    ASSERT_TRUE(span);
    int gap = (int)r.GetProperty(RVP_GAP);
    RECT text, spanText, row;
    int i = r.GetItemIndex(span);
    ASSERT_TRUE(r.GetItemRect(i, 0, &text, 3));
    ASSERT_TRUE(r.GetItemRect(i, 0, &spanText, 4));
    ASSERT_TRUE(r.GetItemRect(i, -1, &row));
    EXPECT_EQ(text.left, spanText.left);
    EXPECT_EQ(text.top, spanText.top);
    EXPECT_EQ(270 - gap, spanText.right);
    int p = r.GetItemIndex(plain);
    ASSERT_TRUE(r.GetItemRect(p, 0, &text, 3));
    ASSERT_TRUE(r.GetItemRect(p, 0, &spanText, 4));
    EXPECT_TRUE(EqualRect(&text, &spanText));
    EXPECT_FALSE(r.GetItemRect(p, 0, &text, 5));

    // Painted: the spanning node's sub-item 1 text starts in the first column; the plain node's in
    // the second.
    r.SetItemText(i, 0, "");
    r.SetItemText(p, 0, "");
    r.SetItemText(i, 1, "WWWWWWWWWWWW");
    r.SetItemText(p, 1, "WWWWWWWWWWWW");
    RECT plainRow, spanRow;
    ASSERT_TRUE(r.GetItemRect(p, -1, &plainRow));
    ASSERT_TRUE(r.GetItemRect(i, -1, &spanRow));
    auto shot = Paint();
    auto inkIn = [&](const RECT& rowRect, int x0, int x1) {
        int n = 0;
        for (int y = rowRect.top; y < rowRect.bottom; ++y)
            for (int x = x0; x < x1; ++x)
                n += shot->At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
        return n;
    };
    EXPECT_GT(inkIn(spanRow, 0, 70), 10);
    EXPECT_GT(inkIn(spanRow, 70, 140), 10);
    EXPECT_EQ(0, inkIn(plainRow, 0, 70));
    EXPECT_GT(inkIn(plainRow, 70, 140), 10);
}

} // namespace
