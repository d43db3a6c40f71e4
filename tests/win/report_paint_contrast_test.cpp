// The report control's colours: a text is never drawn in a colour that cannot be read on its row
// (a caller's dark background with the system's text colour, a caller's text colour its background
// hides), and under a high-contrast scheme the control draws in the system's colours alone: the
// caller's text and background colours, stripes and marked rows set aside, the selection still seen
// while the control has no focus, the check box in the scheme's text colour, the header in the
// scheme's button colours.
//
// A high-contrast scheme under Wine: Wine 8 refuses SPI_SETHIGHCONTRAST (error 1439) and always
// answers SPI_GETHIGHCONTRAST with the flag off, so the flag the library asks the system for is given
// to it by the test, in the library's own import of SystemParametersInfoA; the scheme's colours are the
// system's own, set with SetSysColors. Wine keeps those colours for the whole session (every process
// sees them until the server stops), so the scheme is set in a process of its own, started by this
// test, and the test puts every colour back when that process ends; the file runs alone.
// ctest-serial
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/palette.h"
#include "tests/win/rerun.h"
#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr int kColourIndices = 31; // COLOR_SCROLLBAR .. COLOR_MENUBAR

// ---------------------------------------------------------------- a high-contrast flag for the library

typedef BOOL(WINAPI* SpiFn)(UINT, UINT, PVOID, UINT);
SpiFn g_realSpi = nullptr;

BOOL WINAPI HighContrastSpi(UINT action, UINT param, PVOID pv, UINT winIni) {
    if (action == SPI_GETHIGHCONTRAST && pv) {
        auto* hc = static_cast<HIGHCONTRASTA*>(pv);
        if (hc->cbSize != sizeof *hc) return FALSE;
        hc->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE;
        hc->lpszDefaultScheme = nullptr;
        return TRUE;
    }
    return g_realSpi(action, param, pv, winIni);
}

// Points module's import of dll!name at replacement; the function it imported, null when not found.
void* PatchImport(HMODULE module, const char* dll, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    void* target = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), name));
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t) {
            if (reinterpret_cast<void*>(t->u1.Function) != target) continue;
            DWORD old = 0;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &old);
            t->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, old, &old);
            return target;
        }
    }
    return nullptr;
}

// A black high-contrast scheme, as the system's own black scheme sets it.
void SetBlackScheme() {
    const int indices[] = {COLOR_WINDOW,       COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                           COLOR_BTNFACE,      COLOR_BTNTEXT,    COLOR_BTNSHADOW, COLOR_3DLIGHT,
                           COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_GRAYTEXT,  COLOR_WINDOWFRAME};
    const COLORREF values[] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(26, 235, 255),
                               RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
                               RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 255, 255),
                               RGB(255, 255, 255), RGB(63, 242, 63),   RGB(255, 255, 255)};
    SetSysColors((int)(sizeof indices / sizeof indices[0]), indices, values);
}

// Every system colour as it is now, set back when the object goes.
class KeptColours {
  public:
    KeptColours() {
        for (int i = 0; i < kColourIndices; ++i) {
            m_index[i] = i;
            m_value[i] = GetSysColor(i);
        }
    }
    ~KeptColours() { SetSysColors(kColourIndices, m_index, m_value); }
    KeptColours(const KeptColours&) = delete;
    KeptColours& operator=(const KeptColours&) = delete;

  private:
    int m_index[kColourIndices];
    COLORREF m_value[kColourIndices];
};

// ---------------------------------------------------------------- the rows and what they show

constexpr COLORREF kStripe = RGB(200, 220, 240);
constexpr COLORREF kNavy = RGB(0, 0, 120);     // a marked row the system's black text cannot be read on
constexpr COLORREF kPale = RGB(255, 250, 235); // a marked row, light
constexpr COLORREF kYellow = RGB(255, 255, 0); // a caller's text colour a light row hides
constexpr COLORREF kDarkRed = RGB(150, 0, 0);  // a caller's text colour that reads on white

struct Row {
    const char* what;
    COLORREF back;    // the background expected
    COLORREF text;    // the text colour expected
    COLORREF notText; // a colour the text must not have
};

// Counts the pixels of colour in rc.
int Count(const zt::Picture& pic, const RECT& rc, COLORREF colour) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            n += pic.At(x, y) == colour;
    return n;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Six rows: an own text colour, a stripe, a navy marked row, a pale marked row with yellow text, a
// selected row, a checked box; drawn while the control has no focus (and once with it), each checked
// against what the scheme expects.
void CheckRows(bool highContrast) {
    SCOPED_TRACE(highContrast ? "high contrast" : "the system's default scheme");
    HWND parent = zt::MakeParentWindow("ReportContrastParent", ParentProc, nullptr, WS_POPUP | WS_VISIBLE, 0,
                                       0, 500, 300);
    ASSERT_TRUE(parent);
    auto report = std::make_unique<CReportCtrl>();
    RECT rc = {0, 0, 400, 200};
    ASSERT_TRUE(
        report->Create(WS_CHILD | WS_VISIBLE | RVS_STRIPEDROWS | RVS_KEEPSELECTIONVISIBLE, rc, parent, 5));
    CReportCtrl& r = *report;
    const char* names[] = {"Name", "On"};
    for (int i = 0; i < 2; ++i) {
        _RVSUBITEM s = {RV_HDF_STRING, i ? 60 : 200, 0, 0, 0, names[i]};
        r.DefineSubItem(i, &s);
        r.ActivateSubItem(i, i);
    }
    r.InsertColor(0, kStripe);
    r.InsertColor(1, kNavy);
    r.InsertColor(2, kPale);
    r.InsertColor(3, kYellow);
    r.InsertColor(4, kDarkRed);
    r.AddItem("HHHHHHHHHHHH", -1, -1, 4); // 0: dark red text
    r.AddItem("HHHHHHHHHHHH");            // 1: a stripe
    r.AddItem("HHHHHHHHHHHH");            // 2: navy marked row
    r.AddItem("HHHHHHHHHHHH", -1, -1, 3); // 3: pale marked row, yellow text (also a stripe row)
    r.AddItem("HHHHHHHHHHHH");            // 4: selected
    r.AddItem("HHHHHHHHHHHH");            // 5: a checked box
    for (int item : {2, 3}) {
        _RVITEM bk = {};
        bk.nMask = RVIM_BACKCOLOUR;
        bk.iItem = item;
        bk.iSubItem = 0;
        bk.iBkColor = item == 2 ? 1 : 2;
        ASSERT_TRUE(r.SetItem(&bk));
    }
    r.SetItemCheck(5, 1, 1);
    r.SetSelection(4);
    SetFocus(parent);

    const COLORREF window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    const Row contrastRows[] = {
        {"own text colour set aside", window, text, kDarkRed},
        {"stripe set aside", window, text, RGB(1, 2, 3)},
        {"marked row set aside", window, text, RGB(1, 2, 3)},
        {"marked row and its text colour set aside", window, text, kYellow},
        {"selection without focus in the highlight colours", GetSysColor(COLOR_HIGHLIGHT),
         GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_WINDOWTEXT)},
    };
    const Row defaultRows[] = {
        {"own text colour that reads", window, kDarkRed, text},
        {"stripe with the system's text", kStripe, text, RGB(255, 255, 255)},
        {"navy row: white text, not the system's black", kNavy, RGB(255, 255, 255), text},
        {"yellow on a pale row: black instead", kPale, RGB(0, 0, 0), kYellow},
        {"selection without focus", GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT), RGB(1, 2, 3)},
    };
    const Row* rows = highContrast ? contrastRows : defaultRows;
    const size_t rowCount = 5;
    auto pic = std::make_unique<zt::Picture>(r.Handle(), 400, 200);
    for (size_t i = 0; i < rowCount; ++i) {
        SCOPED_TRACE(rows[i].what);
        RECT area;
        ASSERT_TRUE(r.GetItemRect((int)i, 0, &area, 3));
        EXPECT_EQ(rows[i].back, pic->At(area.right - 1, area.top + 1));
        EXPECT_GT(Count(*pic, area, rows[i].text), 10);
        EXPECT_EQ(0, Count(*pic, area, rows[i].notText));
        EXPECT_GE(zrpc::palette::Contrast(rows[i].text, rows[i].back), zrpc::palette::kReadableContrast);
    }
    // The check box: its frame and tick in colours that read on the box.
    RECT box;
    ASSERT_TRUE(r.GetItemRect(5, 1, &box, 2));
    EXPECT_EQ(window, pic->At(box.left + 2, box.top + 2));
    RECT inside = {box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    EXPECT_GT(Count(*pic, inside, text), 2) << "the tick";
    COLORREF frame = highContrast ? text : GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(frame, pic->At(box.left, (box.top + box.bottom) / 2));

    // With the focus, the selection in the highlight colours in either scheme.
    SetForegroundWindow(parent);
    SetFocus(r.Handle());
    pic = std::make_unique<zt::Picture>(r.Handle(), 400, 200);
    RECT area;
    ASSERT_TRUE(r.GetItemRect(4, 0, &area, 3));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), pic->At(area.right - 1, area.top + 1));
    EXPECT_GT(Count(*pic, area, GetSysColor(COLOR_HIGHLIGHTTEXT)), 10);

    // Grid lines: the grid colour, or in high contrast (where the grid colour is the window's) the
    // scheme's text colour.
    r.ModifyStyle(0, RVS_ROWLINES);
    pic = std::make_unique<zt::Picture>(r.Handle(), 400, 200);
    RECT line;
    ASSERT_TRUE(r.GetItemRect(1, 1, &line, 0));
    EXPECT_EQ(highContrast ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_BTNFACE),
              pic->At((line.left + line.right) / 2, line.bottom - 1));

    // The header: the scheme's button face, text and shadow.
    HWND header = r.GetHeaderCtrl();
    RECT hc;
    GetClientRect(header, &hc);
    zt::Picture hp(header, hc.right, hc.bottom);
    RECT item = {};
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), hp.At(item.right - 10, (item.top + item.bottom) / 2));
    EXPECT_GT(Count(hp, item, GetSysColor(COLOR_BTNTEXT)), 5);
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), hp.At(item.right - 1, (item.top + item.bottom) / 2));
    report.reset();
    DestroyWindow(parent);
}

// Runs this program's case ReportInHighContrast.DISABLED_Rows in a process of its own; its exit code.
DWORD RunInHighContrast() {
    return zt::RunCasesAlone("ReportInHighContrast.DISABLED_Rows", "ZRPC_TEST_HIGHCONTRAST", "1", 120000);
}

} // namespace

TEST(ReportContrast, DefaultSchemeTextsReadOnEveryRow) {
    CheckRows(false);
}

TEST(ReportContrast, HighContrastSchemeInSystemColoursOnly) {
    KeptColours kept; // whatever the other process does, the session's colours come back
    EXPECT_EQ(0u, RunInHighContrast()) << "the cases in high contrast (their output is above)";
}

// Run by the case above, in a process of its own.
TEST(ReportInHighContrast, DISABLED_Rows) {
    ASSERT_TRUE(zt::AloneValue("ZRPC_TEST_HIGHCONTRAST"))
        << "started by ReportContrast.HighContrastSchemeInSystemColoursOnly only";
    HMODULE library = GetModuleHandleA("zrpcfunc.dll");
    ASSERT_TRUE(library);
    g_realSpi = reinterpret_cast<SpiFn>(PatchImport(library, "user32.dll", "SystemParametersInfoA",
                                                    reinterpret_cast<void*>(&HighContrastSpi)));
    ASSERT_TRUE(g_realSpi) << "the library imports SystemParametersInfoA";
    SetBlackScheme();
    ASSERT_EQ(RGB(0, 0, 0), GetSysColor(COLOR_WINDOW));
    CheckRows(true);
}
