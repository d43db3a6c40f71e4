// The report control against the platform's list view (SysListView32, report view, 3 columns) doing the
// same work in one run: insert 100,000 items with their sub-item texts, sort on a text column (the list
// view with LVM_SORTITEMSEX and a text compare), 1,000 label searches, select all and copy to the
// clipboard, and the private bytes the items take. Prints both times and the ratio (aim <= 1.0). The sort
// is also timed on a control derived from the report control without a comparison of its own (as the
// token and key lists are): it sorts as fast as the report control itself.
// Needs a display (./run bench gives it one).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/win/benchclock.h"
#include "zrpcreportctrl.h"

namespace {

constexpr int kItems = 100000;
constexpr int kSearches = 1000;
constexpr int kTextBuffer = 256;

struct Texts {
    std::vector<std::string> name, size, kind;
};

// The same pseudo-random texts for both controls.
Texts MakeTexts() {
    Texts t;
    unsigned seed = 12345;
    char buffer[32];
    for (int i = 0; i < kItems; ++i) {
        seed = seed * 1103515245u + 12345u;
        snprintf(buffer, sizeof buffer, "k%08u", (seed >> 4) % 100000000u);
        t.name.push_back(buffer);
        snprintf(buffer, sizeof buffer, "%d", (int)((seed >> 8) % 65536u));
        t.size.push_back(buffer);
        snprintf(buffer, sizeof buffer, "kind %d", i % 17);
        t.kind.push_back(buffer);
    }
    return t;
}

// The process's private bytes (0 when the platform does not tell); the working set with working.
SIZE_T PrivateBytes(bool working = false) {
    struct Counters {
        DWORD cb;
        DWORD PageFaultCount;
        SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
            QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage,
            PrivateUsage;
    };
    typedef BOOL(WINAPI * Query)(HANDLE, Counters*, DWORD);
    static Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    Counters c = {};
    c.cb = sizeof c;
    if (!query || !query(GetCurrentProcess(), &c, sizeof c)) return 0;
    if (working) return c.WorkingSetSize;
    return c.PrivateUsage ? c.PrivateUsage : c.PagefileUsage;
}

// ---- the list view
HWND g_list = nullptr;

int CALLBACK CompareListTexts(LPARAM i1, LPARAM i2, LPARAM) {
    char a[kTextBuffer], b[kTextBuffer];
    ListView_GetItemText(g_list, (int)i1, 0, a, sizeof a);
    ListView_GetItemText(g_list, (int)i2, 0, b, sizeof b);
    return std::strcmp(a, b);
}

void CopyListSelection(HWND list, HWND owner) {
    std::string text;
    char cell[kTextBuffer];
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i != -1;
         i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
        for (int c = 0; c < 3; ++c) {
            ListView_GetItemText(list, i, c, cell, sizeof cell);
            text += cell;
            text += c < 2 ? '\t' : '\n';
        }
    }
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

size_t ClipboardLength(HWND owner) {
    size_t n = 0;
    if (!OpenClipboard(owner)) return 0;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) n = std::strlen(p);
        GlobalUnlock(h);
    }
    CloseClipboard();
    return n;
}

struct Times {
    double insert = 0, sort = 0, search = 0, copy = 0, selectAll = 0;
    SIZE_T bytes = 0;
    SIZE_T workingSet = 0;
    size_t copied = 0;
    int found = 0;
};

Times RunListView(HWND parent, const Texts& t, const std::vector<int>& targets) {
    Times r;
    SIZE_T before = PrivateBytes(), beforeWs = PrivateBytes(true);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS,
                                0, 0, 400, 300, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    g_list = list;
    const char* names[] = {"Name", "Size", "Kind"};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 100;
        col.pszText = const_cast<char*>(names[c]);
        SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    double start = NowMs();
    for (int i = 0; i < kItems; ++i) {
        LVITEMA it = {};
        it.mask = LVIF_TEXT;
        it.iItem = i;
        it.pszText = const_cast<char*>(t.name[(size_t)i].c_str());
        int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
        ListView_SetItemText(list, at, 1, const_cast<char*>(t.size[(size_t)i].c_str()));
        ListView_SetItemText(list, at, 2, const_cast<char*>(t.kind[(size_t)i].c_str()));
    }
    r.insert = NowMs() - start;
    r.bytes = PrivateBytes() - before;
    r.workingSet = PrivateBytes(true) - beforeWs;

    start = NowMs();
    SendMessageA(list, LVM_SORTITEMSEX, 0, reinterpret_cast<LPARAM>(&CompareListTexts));
    r.sort = NowMs() - start;

    start = NowMs();
    for (int target : targets) {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = t.name[(size_t)target].c_str();
        r.found += SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, reinterpret_cast<LPARAM>(&find)) >= 0;
    }
    r.search = NowMs() - start;

    start = NowMs();
    ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    r.selectAll = NowMs() - start;
    CopyListSelection(list, parent);
    r.copy = NowMs() - start;
    r.copied = ClipboardLength(parent);
    return r;
}

// Makes the control with its three columns, redrawing off.
void Prepare(HWND parent, CReportCtrl& report, UINT id) {
    RECT rc = {0, 0, 400, 300};
    report.Create(WS_CHILD | WS_VISIBLE, rc, parent, id);
    const char* names[] = {"Name", "Size", "Kind"};
    for (int c = 0; c < 3; ++c) {
        _RVSUBITEM s = {HDF_STRING, 100, 0, 0, 0, names[c]};
        report.DefineSubItem(c, &s);
        report.ActivateSubItem(c, c);
    }
    report.SetRedraw(FALSE);
}

// Inserts every item with its sub-item texts.
void Fill(CReportCtrl& report, const Texts& t) {
    for (int i = 0; i < kItems; ++i) {
        int at = report.AddItem(t.name[(size_t)i].c_str());
        report.SetItemText(at, 1, t.size[(size_t)i].c_str());
        report.SetItemText(at, 2, t.kind[(size_t)i].c_str());
    }
}

Times RunReport(HWND parent, CReportCtrl& report, const Texts& t, const std::vector<int>& targets) {
    Times r;
    SIZE_T before = PrivateBytes(), beforeWs = PrivateBytes(true);
    Prepare(parent, report, 1);
    double start = NowMs();
    Fill(report, t);
    r.insert = NowMs() - start;
    r.bytes = PrivateBytes() - before;
    r.workingSet = PrivateBytes(true) - beforeWs;
    report.SetRedraw(TRUE);

    start = NowMs();
    report.SortItems(0, TRUE);
    r.sort = NowMs() - start;

    start = NowMs();
    for (int target : targets) {
        _RVFINDINFO find = {RVFI_LABEL, t.name[(size_t)target].c_str(), 0, 0, 0};
        r.found += report.FindItem(&find, 0, -1) >= 0;
    }
    r.search = NowMs() - start;

    start = NowMs();
    report.SelectAll();
    r.selectAll = NowMs() - start;
    report.Copy();
    r.copy = NowMs() - start;
    r.copied = ClipboardLength(parent);
    return r;
}

// A derived control that overrides nothing the sort uses.
class DerivedReport : public CReportCtrl {
  public:
    int Marker() const { return 1; }
};

double SortDerived(HWND parent, const Texts& t) {
    DerivedReport report;
    Prepare(parent, report, 2);
    Fill(report, t);
    report.SetRedraw(TRUE);
    double start = NowMs();
    report.SortItems(0, TRUE);
    return NowMs() - start;
}

void Line(const char* what, double ours, double theirs, const char* unit) {
    std::printf("  %-34s %12.1f %12.1f %s   %5.2f\n", what, ours, theirs, unit,
                theirs > 0 ? ours / theirs : 0.0);
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND parent = CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 420, 320, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!parent) {
        std::printf("report_ops_bench: no window (is there a display?)\n");
        return 1;
    }
    Texts texts = MakeTexts();
    std::vector<int> targets;
    for (int i = 0; i < kSearches; ++i)
        targets.push_back((int)(((unsigned)i * 2654435761u) % (unsigned)kItems));

    // The list view first, kept alive while ours fills: neither reuses memory the other freed.
    Times lv = RunListView(parent, texts, targets);
    CReportCtrl report;
    Times rv = RunReport(parent, report, texts, targets);
    double derivedSort = SortDerived(parent, texts);

    std::printf(
        "Report control vs list view (SysListView32), %d items x 3 columns (ratio ours/list view; aim <= "
        "1.0)\n",
        kItems);
    std::printf("  %-34s %12s %12s      %s\n", "", "ours", "list view", "ratio");
    Line("insert items with sub-item texts", rv.insert, lv.insert, "ms");
    Line("sort on a text column", rv.sort, lv.sort, "ms");
    Line("  the same, a derived control", derivedSort, lv.sort, "ms");
    Line("1,000 label searches", rv.search, lv.search, "ms");
    Line("select all and copy", rv.copy, lv.copy, "ms");
    Line("  of which select all", rv.selectAll, lv.selectAll, "ms");
    Line("private bytes of the items", rv.bytes / 1024.0, lv.bytes / 1024.0, "KB");
    Line("  working set growth", rv.workingSet / 1024.0, lv.workingSet / 1024.0, "KB");
    std::printf("  (found %d / %d labels; copied %zu / %zu bytes)\n", rv.found, lv.found, rv.copied,
                lv.copied);
    bool ok = rv.found == kSearches && lv.found == kSearches && rv.copied == lv.copied && rv.copied > 0;
    if (!ok) std::printf("  MISMATCH between the two controls' results\n");
    DestroyWindow(parent);
    return ok ? 0 : 1;
}
