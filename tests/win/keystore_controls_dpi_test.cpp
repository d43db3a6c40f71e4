// The token, key and key-store controls on screens of any density: column widths that show whole
// serials and slot numbers, key-store names cut with an ellipsis, the key-store check box, its edge
// and its tick, the pictures, a window that moves to a screen of another density, and a high-contrast
// scheme. The program runs with the other tests at 96 DPI (every size as given for 96 DPI) and again at
// 144 and 192 DPI, each in a Wine prefix of its own (tools/screens/in_variant.sh), where the window moving
// between densities and high contrast are tried as well.
// ctest-lock: keystore keycache registry display
// ctest-dpi: 144 192
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/dpi.h"
#include "base/palette.h"
#include "include/zrpcdblist.h"
#include "include/zrpckeylist.h"
#include "include/zrpctokenlist.h"
#include "tests/win/keystore_controls_testing.h"

namespace {

constexpr WORD kItem = 100;
constexpr UINT kDpiChangedAfterParent = 0x02E3; // WM_DPICHANGED_AFTERPARENT

// Tokens with keys, for the key and token lists.
constexpr char kCards[] = "token Alice's Card\n"
                          "serial 0C0C0001\n"
                          "key 0 algo=9 length=32 usage=3 name=Plain\n"
                          "key 1 algo=5 length=24 usage=0 flags=2 name=Default\n"
                          "key 2 algo=1 length=16 usage=1 flags=64 name=Second\n"
                          "key 3 algo=9 length=32 usage=1 flags=32 name=Backup\n"
                          "key 9 algo=4 length=8 usage=2 name=Ten\n"
                          "token Bob's Card\n"
                          "serial 0C0C0002\n";

// The density the program was started for: ZRPC_TEST_DPI in a prefix of its own, else none (0).
unsigned RequestedDpi() {
    const char* v = std::getenv("ZRPC_TEST_DPI");
    return v ? static_cast<unsigned>(std::atoi(v)) : 0;
}

unsigned ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return static_cast<unsigned>(dpi);
}

// SetThreadDpiAwarenessContext, where the system has it: windows made while the thread is unaware of
// densities are shown at 96 DPI whatever the screen's.
using SetThreadContextFn = HANDLE(WINAPI*)(HANDLE);
SetThreadContextFn SetThreadContext() {
    return reinterpret_cast<SetThreadContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
}
const HANDLE kUnaware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));

// A top-level window shown at 96 DPI, for a control to move onto.
HWND MakeUnawareWindow() {
    SetThreadContextFn set = SetThreadContext();
    if (!set) return nullptr;
    HANDLE old = set(kUnaware);
    HWND w = CreateWindowExA(0, "STATIC", "96 DPI", WS_POPUP | WS_VISIBLE, 500, 20, 480, 400, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    set(old);
    return w;
}

// The screen reports a high-contrast scheme to the library: its calls of SystemParametersInfoA
// (through its import table) answer SPI_GETHIGHCONTRAST with the scheme on. Wine 8 keeps no such
// scheme of its own (the setting cannot be made there); the system's colours are set as one.
using SpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SpiFn g_realSpi = nullptr;
BOOL WINAPI HighContrastSpi(UINT action, UINT param, PVOID data, UINT winIni) {
    if (action == SPI_GETHIGHCONTRAST && data) {
        auto* hc = static_cast<HIGHCONTRASTA*>(data);
        hc->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE;
        hc->lpszDefaultScheme = nullptr;
        return TRUE;
    }
    return g_realSpi(action, param, data, winIni);
}

// Points the library's import of user32's function name at replacement; the function it pointed at
// before, or null when the library does not import it.
void* PatchLibraryImport(const char* name, void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA("zrpcfunc.dll"));
    if (!base) return nullptr;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
         ++imp) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "user32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            void* before = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return before;
        }
    }
    return nullptr;
}

class Sizes : public kst::StoreTest {
  protected:
    void SetUp() override {
        kst::StoreTest::SetUp();
        std::string error;
        ASSERT_TRUE(cards.LoadText(kCards, &error)) << error;
        ZRPCFUNC_ResetTokenInfoExCache();
        ZRPCFUNC_ResetEncryptionKeyCache();
        dpi = ScreenDpi();
        if (RequestedDpi()) {
            ASSERT_EQ(dpi, RequestedDpi()) << "the prefix made for this run has another density";
        }
    }
    void TearDown() override {
        ZRPCFUNC_ResetEncryptionKeyCache();
        ZRPCFUNC_ResetTokenInfoExCache();
        kst::StoreTest::TearDown();
    }
    int S(int px) const { return zrpc::ScaleToDpi(px, dpi); }
    static HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)); }
    static int TextWidth(HWND hwnd, const char* text) {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        return size.cx;
    }
    static void Repaint(HWND hwnd) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        zt::Pump(100);
    }
    // The key-store list's check box in a cell, at a density: the box (its left edge moved right, as
    // the edge is drawn), within its edge, and the tick's size: the density's, or what a box of a
    // lower row holds within its edge.
    struct CheckBox {
        RECT box;
        RECT inside;
        int tick;
    };
    static CheckBox BoxOf(const RECT& cell, unsigned at) {
        auto s = [at](int px) { return zrpc::ScaleToDpi(px, at); };
        const int height = (cell.bottom - s(1)) - cell.top;
        const int e = 2 * std::max(1, s(2) / 2);
        CheckBox b;
        b.box = {cell.left + s(9) + s(1), cell.top, cell.left + s(9) + height, cell.bottom - s(1)};
        b.inside = {b.box.left + e, b.box.top + e, b.box.right - e, b.box.bottom - e};
        b.tick = std::min({s(7), static_cast<int>(b.inside.right - b.inside.left),
                           static_cast<int>(b.inside.bottom - b.inside.top)});
        return b;
    }
    CheckBox BoxOf(const RECT& cell) const { return BoxOf(cell, dpi); }
    // The tick within a box: its size, within the edge.
    static void ExpectTick(const kct::Screen::Ink& tick, const CheckBox& b) {
        EXPECT_EQ(tick.Width(), b.tick);
        EXPECT_EQ(tick.Height(), b.tick);
        EXPECT_GE(tick.box.left, b.inside.left);
        EXPECT_GE(tick.box.top, b.inside.top);
        EXPECT_LE(tick.box.right, b.inside.right);
        EXPECT_LE(tick.box.bottom, b.inside.bottom);
    }
    int EdgeLines() const { return std::max(1, S(2) / 2); }

    kct::Tokens token; // for the key-store list
    SoftToken cards;   // for the key and token lists
    unsigned dpi = 96;
};

// ---------------------------------------------------------------- the key and token lists

TEST_F(Sizes, KeyListColumnsShowWholeSlotNumbersNamesAndValues) {
    kct::HostDialog dialog(L"STATIC", kItem, SS_LEFT, 300, 190);
    CKeyListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog.Handle()));
    ASSERT_EQ(list.InitControl(&cards, 1, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 64);
    const int widths[] = {53, 120, 65, 50, 62};
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE("column " + std::to_string(c));
        EXPECT_EQ(list.GetSubItemWidth(c), S(widths[c]));
        for (int row = 0; row < 64; ++row)
            ASSERT_LE(list.MeasureItem(row, c), list.GetSubItemWidth(c))
                << "row " << row << ": " << list.GetItemText(row, c).GetString();
    }
    // The pictures are as large as the density asks, and the rows hold them.
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list.GetImageList(), &cx, &cy));
    EXPECT_EQ(cx, S(16));
    EXPECT_EQ(cy, S(16));
    EXPECT_GE(list.GetItemHeight(), S(16) + 1);
}

TEST_F(Sizes, TokenListColumnsShowWholeNamesAndSerials) {
    kct::HostDialog dialog(L"STATIC", kItem, SS_LEFT, 300, 120);
    CVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog.Handle()));
    ASSERT_EQ(list.InitControl(&cards, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(1, 1).GetString(), std::string("0C0C0001"));
    EXPECT_EQ(list.GetSubItemWidth(0), S(140));
    EXPECT_EQ(list.GetSubItemWidth(1), S(80));
    for (int row = 0; row < 2; ++row)
        for (int c = 0; c < 3; ++c)
            EXPECT_LE(list.MeasureItem(row, c), list.GetSubItemWidth(c))
                << list.GetItemText(row, c).GetString();
    RECT outer;
    GetWindowRect(list.Handle(), &outer);
    EXPECT_EQ(list.GetSubItemWidth(2), (outer.right - outer.left) - S(140) - S(80) - S(4));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list.GetImageList(), &cx, &cy));
    EXPECT_EQ(cx, S(16));
}

// ---------------------------------------------------------------- the key-store list

class StoreSizes : public Sizes {
  protected:
    void SetUp() override {
        Sizes::SetUp();
        Add(0x5A5A0001, "Alice's Token");
        Add(0x0C0C0001, "Bob");
        Add(0x0C0C0002, "WWWWWWWW MMMMMMM");
    }
    std::unique_ptr<kct::HostDialog> MakeDialog(short height = 140) {
        auto d = std::make_unique<kct::HostDialog>(L"SysListView32", kItem,
                                                   LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 260, height);
        SetForegroundWindow(d->Handle());
        return d;
    }
    static std::string Text(HWND list, int row, int column) { return kct::CellText(list, row, column); }
    static int ColumnWidth(HWND list, int column) {
        return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
    }
};

TEST_F(StoreSizes, ColumnsShowWholeSerialsAndCutNamesWithAnEllipsis) {
    auto dialog = MakeDialog();
    HWND hwnd = dialog->Item();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x0B, 0), 0u); // with the comments column: "Serial" keeps its width
    ASSERT_EQ(Text(hwnd, 3, 1), "0C0C0001");
    EXPECT_EQ(ColumnWidth(hwnd, 0), S(120));
    EXPECT_EQ(ColumnWidth(hwnd, 1), S(70));
    RECT outer;
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(ColumnWidth(hwnd, 2), (outer.right - outer.left) - S(120) - S(70) - S(4));
    // A whole serial within the cell's margins.
    EXPECT_LE(TextWidth(hwnd, "0C0C0001") + 2 * S(2), ColumnWidth(hwnd, 1));

    // The long name (row 4) ends in "..." before its cell's margin.
    ASSERT_EQ(Text(hwnd, 4, 0), "WWWWWWWW MMMMMMM");
    Repaint(hwnd);
    RECT cell;
    ASSERT_TRUE(list.GetSubItemRect(4, 0, LVIR_BOUNDS, cell));
    const CheckBox b = BoxOf(cell);
    ASSERT_GT(TextWidth(hwnd, "WWWWWWWW MMMMMMM"), cell.right - b.box.right)
        << "the name (a whole 16-byte field of wide letters) is longer than its cell in any face";
    const kct::Screen screen(hwnd);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const RECT label = {b.box.right + 1, cell.top, cell.right, cell.bottom};
    const kct::Screen::Ink ink = screen.Find(label, [&](COLORREF c) { return c != window; });
    ASSERT_GT(ink.count, 0);
    EXPECT_LE(ink.box.right, cell.right - S(2)) << "the name stops before the serial's column";
    // The last dots' width: ink only at the foot of the text there (dots), none of a letter.
    const int dots = TextWidth(hwnd, "...");
    const RECT end = {ink.box.right - dots + 1, cell.top, ink.box.right, cell.bottom};
    const kct::Screen::Ink tail = screen.Find(end, [&](COLORREF c) { return c != window; });
    ASSERT_GT(tail.count, 0);
    EXPECT_GE(tail.box.top, ink.box.top + ink.Height() * 2 / 3) << "a letter where the ellipsis belongs";
}

TEST_F(StoreSizes, CheckBoxEdgeAndTickScaleWithTheDensity) {
    auto dialog = MakeDialog();
    HWND hwnd = dialog->Item();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
    ASSERT_EQ(Text(hwnd, 3, 0), "Bob");
    ASSERT_TRUE(list.SetCheckbox(3, 0, eCheckChecked));
    Repaint(hwnd);
    RECT cell;
    ASSERT_TRUE(list.GetSubItemRect(3, 0, LVIR_BOUNDS, cell));
    const CheckBox b = BoxOf(cell);
    const kct::Screen screen(hwnd);
    const kct::Screen::Ink tick = screen.Find(b.inside, GetSysColor(COLOR_WINDOWTEXT));
    ExpectTick(tick, b);
    if (dpi == 96) {
        // Where the Part puts it: its right column 9 pixels right of the box's edge, its top 3 below
        // the box's top.
        EXPECT_EQ(b.tick, 7) << "the row of the default font holds the whole tick";
        EXPECT_EQ(tick.box.right - 1, b.box.left + 9);
        EXPECT_EQ(tick.box.top, b.box.top + 3);
    }
    // The sunken edge: as many lines as the density asks on the box's left side, then the window
    // colour the box is filled with.
    const int y = b.inside.top;
    int edge = 0;
    while (edge < 10 && screen.At(b.box.left + edge, y) != GetSysColor(COLOR_WINDOW))
        ++edge;
    EXPECT_EQ(edge, 2 * EdgeLines());
    // An unchecked box is empty within its edge.
    ASSERT_TRUE(list.GetSubItemRect(4, 0, LVIR_BOUNDS, cell));
    const CheckBox clear = BoxOf(cell);
    const int area = (clear.inside.right - clear.inside.left) * (clear.inside.bottom - clear.inside.top);
    EXPECT_EQ(screen.Find(clear.inside, GetSysColor(COLOR_WINDOW)).count, area);
}

// ---------------------------------------------------------------- moving to another density

// The controls are moved onto a window shown at 96 DPI and back, each time told as a per-monitor host
// tells its children (WM_DPICHANGED_AFTERPARENT): the sizes follow, the rows, the selection, the
// focused row and the scroll position stay.
TEST_F(StoreSizes, ControlsMovedToAnotherDensityMeasureAgainAndKeepTheirState) {
    if (dpi == 96)
        GTEST_SKIP() << "runs on a screen of another density (win.keystore_controls_dpi_test.dpiN)";
    HWND other = MakeUnawareWindow();
    ASSERT_TRUE(other);
    using GetDpiFn = UINT(WINAPI*)(HWND);
    auto windowDpi = reinterpret_cast<GetDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    ASSERT_TRUE(windowDpi);
    // Moved, focused, then told; the focus stays with the control.
    auto move = [&](HWND control, HWND parent, unsigned expected) {
        SetParent(control, parent);
        ASSERT_EQ(windowDpi(control), expected);
        SetForegroundWindow(GetAncestor(parent, GA_ROOT));
        SetFocus(control);
        SendMessageA(control, kDpiChangedAfterParent, 0, 0);
    };

    // The key list: 64 rows, the sixth selected, scrolled to its end.
    {
        kct::HostDialog dialog(L"STATIC", kItem, SS_LEFT, 300, 120);
        CKeyListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog.Handle()));
        ASSERT_EQ(list.InitControl(&cards, 1, TRUE), 0u);
        list.SetSelection(5);
        list.EnsureVisible(63);
        SetFocus(list.Handle());
        const int top = list.GetTopIndex(), focus = list.GetCurrentFocus();
        ASSERT_GT(top, 0);
        const int widths[] = {53, 120, 65, 50, 62};
        for (auto [parent, at] : {std::pair<HWND, unsigned>{other, 96u}, {dialog.Handle(), dpi}}) {
            SCOPED_TRACE(at);
            move(list.Handle(), parent, at);
            for (int c = 0; c < 5; ++c)
                EXPECT_EQ(list.GetSubItemWidth(c), zrpc::ScaleToDpi(widths[c], at));
            int cx = 0, cy = 0;
            ASSERT_TRUE(ImageList_GetIconSize(list.GetImageList(), &cx, &cy));
            EXPECT_EQ(cx, zrpc::ScaleToDpi(16, at));
            EXPECT_EQ(list.GetItemCount(), 64);
            EXPECT_EQ(list.GetFirstSelectedItem(), 5);
            EXPECT_EQ(list.GetSelectedCount(), 1);
            EXPECT_EQ(list.GetCurrentFocus(), focus);
            EXPECT_EQ(list.GetTopIndex(), top);
            EXPECT_EQ(GetFocus(), list.Handle());
        }
    }
    // The token list: the last column fits the window again.
    {
        kct::HostDialog dialog(L"STATIC", kItem, SS_LEFT, 300, 120);
        CVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog.Handle()));
        ASSERT_EQ(list.InitControl(&cards, TRUE), 0u);
        list.SetSelection(1);
        for (auto [parent, at] : {std::pair<HWND, unsigned>{other, 96u}, {dialog.Handle(), dpi}}) {
            SCOPED_TRACE(at);
            move(list.Handle(), parent, at);
            EXPECT_EQ(list.GetSubItemWidth(0), zrpc::ScaleToDpi(140, at));
            EXPECT_EQ(list.GetSubItemWidth(1), zrpc::ScaleToDpi(80, at));
            RECT outer;
            GetWindowRect(list.Handle(), &outer);
            EXPECT_EQ(list.GetSubItemWidth(2), (outer.right - outer.left) - zrpc::ScaleToDpi(140, at) -
                                                   zrpc::ScaleToDpi(80, at) - zrpc::ScaleToDpi(4, at));
            EXPECT_EQ(list.GetItemCount(), 2);
            EXPECT_EQ(list.GetFirstSelectedItem(), 1);
        }
    }
    // The key-store list: the columns keep their share, the tick is drawn for the window's density.
    {
        for (int i = 0; i < 30; ++i)
            Add(0x0D000000u + static_cast<unsigned>(i), ("Party " + std::to_string(i)).c_str());
        auto dialog = MakeDialog(
            70); // low enough to be seen on the 96-DPI window, which Wine shows twice as large at 192 DPI
        HWND hwnd = dialog->Item();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        ASSERT_EQ(list.InitControl(&token, 1, 0x0B, 0), 0u);
        const int rows = static_cast<int>(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
        ASSERT_GT(rows, 30);
        ASSERT_TRUE(list.SetCheckbox(rows - 1, 0, eCheckChecked));
        LVITEMA state = {};
        state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(hwnd, LVM_SETITEMSTATE, rows - 1, reinterpret_cast<LPARAM>(&state));
        SendMessageA(hwnd, LVM_ENSUREVISIBLE, rows - 1, FALSE);
        SetFocus(hwnd);
        const int top = static_cast<int>(SendMessageA(hwnd, LVM_GETTOPINDEX, 0, 0));
        ASSERT_GT(top, 0);
        for (auto [parent, at] : {std::pair<HWND, unsigned>{other, 96u}, {dialog->Handle(), dpi}}) {
            SCOPED_TRACE(at);
            move(hwnd, parent, at);
            EXPECT_EQ(ColumnWidth(hwnd, 0), zrpc::ScaleToDpi(120, at));
            EXPECT_EQ(ColumnWidth(hwnd, 1), zrpc::ScaleToDpi(70, at));
            EXPECT_EQ(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0), rows);
            EXPECT_EQ(list.GetCurSel(), rows - 1);
            EXPECT_EQ(SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), rows - 1);
            EXPECT_EQ(SendMessageA(hwnd, LVM_GETTOPINDEX, 0, 0), top);
            EXPECT_EQ(GetFocus(), hwnd);
            // The selected row's box, in the highlight's colours, holds a tick of the density's size.
            Repaint(hwnd);
            RECT cell;
            ASSERT_TRUE(list.GetSubItemRect(rows - 1, 0, LVIR_BOUNDS, cell));
            const CheckBox b = BoxOf(cell, at);
            const kct::Screen screen(hwnd);
            ExpectTick(screen.Find(b.inside, GetSysColor(COLOR_WINDOWTEXT)), b);
        }
    }
    DestroyWindow(other);
}

// ---------------------------------------------------------------- high contrast

// With a high-contrast scheme on (white text on black), the key-store list draws in the system's
// colours alone: the caller's colours are set aside, the tick is the window's text colour, every text
// can be read on its background.
TEST_F(StoreSizes, HighContrastDrawsInTheSystemsColoursAlone) {
    if (!RequestedDpi()) GTEST_SKIP() << "changes the system's colours: runs in a prefix of its own";
    g_realSpi = reinterpret_cast<SpiFn>(
        PatchLibraryImport("SystemParametersInfoA", reinterpret_cast<void*>(HighContrastSpi)));
    ASSERT_TRUE(g_realSpi) << "the library asks the scheme through SystemParametersInfoA";
    const int elements[] = {COLOR_WINDOW,      COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                            COLOR_3DFACE,      COLOR_GRAYTEXT,   COLOR_BTNTEXT,   COLOR_3DSHADOW,
                            COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    const COLORREF scheme[] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(26, 235, 255),  RGB(0, 0, 0),
                               RGB(0, 0, 0),       RGB(63, 242, 63),   RGB(255, 255, 255), RGB(128, 128, 128),
                               RGB(255, 255, 255), RGB(128, 128, 128), RGB(192, 192, 192)};
    constexpr int n = sizeof elements / sizeof elements[0];
    COLORREF saved[n];
    for (int i = 0; i < n; ++i)
        saved[i] = GetSysColor(elements[i]);
    ASSERT_TRUE(SetSysColors(n, elements, scheme));
    {
        auto dialog = MakeDialog();
        HWND hwnd = dialog->Item();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
        const COLORREF light = RGB(255, 255, 224);
        const int mine = list.InsertItem(5, "HHHHHHHH", RGB(0, 0, 0), light);
        ASSERT_GE(mine, 0);
        ASSERT_TRUE(list.SetCheckbox(3, 0, eCheckChecked));
        Repaint(hwnd);
        const kct::Screen screen(hwnd);
        RECT cell;
        ASSERT_TRUE(list.GetSubItemRect(mine, 0, LVIR_BOUNDS, cell));
        EXPECT_EQ(screen.Find(cell, light).count, 0) << "the caller's background is set aside";
        EXPECT_GT(screen.Find(cell, RGB(255, 255, 255)).count, 0) << "the text in the window's text colour";
        // The ticks: the checked key-store row's in the window's text colour, the disabled rows' grey.
        ASSERT_TRUE(list.GetSubItemRect(3, 0, LVIR_BOUNDS, cell));
        ExpectTick(screen.Find(BoxOf(cell).inside, RGB(255, 255, 255)), BoxOf(cell));
        ASSERT_TRUE(list.GetSubItemRect(0, 0, LVIR_BOUNDS, cell));
        ExpectTick(screen.Find(BoxOf(cell).inside, RGB(63, 242, 63)), BoxOf(cell));
        // Every cell's text reads on its background.
        const int rows = static_cast<int>(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < 2; ++column) {
                if (Text(hwnd, row, column).empty()) continue;
                RECT r;
                ASSERT_TRUE(list.GetSubItemRect(row, column, LVIR_BOUNDS, r));
                if (column == 0) r.left = BoxOf(r).box.right + 1;
                const COLORREF back = screen.At(r.right - 1, r.bottom - 1);
                double best = 0;
                screen.Find(r, [&](COLORREF p) {
                    best = std::max(best, zrpc::palette::Contrast(p, back));
                    return false;
                });
                EXPECT_GE(best, zrpc::palette::kReadableContrast) << "row " << row << ", column " << column;
            }
    }
    SetSysColors(n, elements, saved);
    PatchLibraryImport("SystemParametersInfoA", reinterpret_cast<void*>(g_realSpi));
}

} // namespace
