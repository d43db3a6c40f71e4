// Repaint of one screen of the report control against the platform's list view (report view) in the
// same run: about 40 visible rows of 5 columns, with 1,000 and 100,000 stored items and 10,000,000
// items in virtual mode (the parent answers each control's data requests). For each case both controls
// sit side by side in a window of their own with the same font and size; each round goes over every
// case and repaints both controls (window, header and rows, painted at once). Prints the median per
// repaint, the ratio to the list view (aim <= 0.6: the header paints itself flat, the rows in the
// control's own few calls) and the virtual repaint over our 1,000-item repaint (aim <= 1.2).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/win/benchclock.h"
#include "zrpcreportctrl.h"

namespace {

constexpr int kColumns = 5;
constexpr int kColumnWidth = 90;
constexpr int kRows = 40;
constexpr int kRounds = 101;
constexpr UINT kReportId = 100;
constexpr UINT kListId = 101;

// Text of one cell, the same for both controls.
void CellText(int item, int sub, char* out, size_t size) {
    if (sub == 0)
        std::snprintf(out, size, "Item %d", item);
    else
        std::snprintf(out, size, "%d.%d value", item, sub);
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->idFrom == kReportId && hdr->code == RVN_NEEDDATA) {
            auto* rq = reinterpret_cast<_NMRVITEMCALLBACK*>(lp);
            if (rq->item.iSubItem >= 0 && rq->item.lpszText) {
                CellText(rq->item.iItem, rq->item.iSubItem, rq->item.lpszText, (size_t)rq->item.iTextMax);
                rq->item.nMask = RVIM_LABEL;
            } else {
                rq->item.nMask = 0;
            }
            return 0;
        }
        if (hdr->idFrom == kListId && hdr->code == LVN_GETDISPINFOA) {
            auto* di = reinterpret_cast<NMLVDISPINFOA*>(lp);
            if ((di->item.mask & LVIF_TEXT) && di->item.pszText)
                CellText(di->item.iItem, di->item.iSubItem, di->item.pszText, (size_t)di->item.cchTextMax);
            return 0;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// One full repaint of a control and its header, done before returning.
double Repaint(HWND hwnd) {
    double start = NowMs();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    return NowMs() - start;
}

struct Pair {
    std::unique_ptr<CReportCtrl> report;
    HWND list = nullptr;
};

// Both controls for one case, each kRows rows high (rows of the list view's height).
bool MakePair(HWND parent, HFONT font, int items, bool virtualMode, Pair& out) {
    DWORD lvStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS;
    if (virtualMode) lvStyle |= LVS_OWNERDATA;
    out.list = CreateWindowExA(0, WC_LISTVIEWA, "", lvStyle, 0, 0, kColumns * kColumnWidth + 30, 400, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!out.list) return false;
    SendMessageA(out.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (int c = 0; c < kColumns; ++c) {
        char name[16];
        std::snprintf(name, sizeof name, "Column %d", c);
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = kColumnWidth;
        col.pszText = name;
        col.iSubItem = c;
        SendMessageA(out.list, LVM_INSERTCOLUMNA, (WPARAM)c, reinterpret_cast<LPARAM>(&col));
    }
    out.report.reset(new CReportCtrl);
    RECT rc = {kColumns * kColumnWidth + 40, 0, 2 * (kColumns * kColumnWidth + 30) + 10, 400};
    DWORD rvStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL;
    if (virtualMode) rvStyle |= RVS_VIRTUALDATA;
    if (!out.report->Create(rvStyle, rc, parent, kReportId)) return false;
    SendMessageA(out.report->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (int c = 0; c < kColumns; ++c) {
        char name[16];
        std::snprintf(name, sizeof name, "Column %d", c);
        _RVSUBITEM s = {RV_HDF_STRING, kColumnWidth, 0, 0, 0, name};
        out.report->DefineSubItem(c, &s);
        out.report->ActivateSubItem(c, c);
    }

    char text[64];
    if (virtualMode) {
        SendMessageA(out.list, LVM_SETITEMCOUNT, (WPARAM)items, 0);
        out.report->SetItemCount(items);
    } else {
        SendMessageA(out.list, WM_SETREDRAW, FALSE, 0);
        out.report->SetRedraw(FALSE);
        for (int i = 0; i < items; ++i) {
            LVITEMA it = {};
            it.mask = LVIF_TEXT;
            it.iItem = i;
            CellText(i, 0, text, sizeof text);
            it.pszText = text;
            SendMessageA(out.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
            out.report->AddItem(text);
            for (int c = 1; c < kColumns; ++c) {
                CellText(i, c, text, sizeof text);
                LVITEMA sub = {};
                sub.iSubItem = c;
                sub.pszText = text;
                SendMessageA(out.list, LVM_SETITEMTEXTA, (WPARAM)i, reinterpret_cast<LPARAM>(&sub));
                out.report->SetItemText(i, c, text);
            }
        }
        SendMessageA(out.list, WM_SETREDRAW, TRUE, 0);
        out.report->SetRedraw(TRUE);
    }

    // The same client height for both: kRows rows of the list view plus its header.
    RECT item = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(out.list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    int rowHeight = item.bottom - item.top > 0 ? item.bottom - item.top : 16;
    RECT header = {};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(out.list, LVM_GETHEADER, 0, 0)), &header);
    RECT client = {}, window = {};
    GetClientRect(out.list, &client);
    GetWindowRect(out.list, &window);
    int frame = (window.bottom - window.top) - client.bottom;
    int height = frame + (header.bottom - header.top) + kRows * rowHeight;
    SetWindowPos(out.list, nullptr, 0, 0, kColumns * kColumnWidth + 30, height, SWP_NOZORDER | SWP_NOMOVE);
    out.report->SetItemHeight(rowHeight);
    SetWindowPos(out.report->Handle(), nullptr, 0, 0, kColumns * kColumnWidth + 30, height,
                 SWP_NOZORDER | SWP_NOMOVE);
    UpdateWindow(out.list);
    UpdateWindow(out.report->Handle());
    Pump();
    return true;
}

struct Case {
    const char* name;
    int items;
    bool virtualMode;
    HWND window = nullptr; // a top-level window of its own holding the pair
    Pair pair;
    std::vector<double> ours, list;
};

HWND MakeParent() {
    return CreateWindowExA(0, "ReportPaintBench", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 1020, 760, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ReportPaintBench";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    Case cases[3];
    cases[0].name = "1,000 items";
    cases[0].items = 1000;
    cases[1].name = "100,000 items";
    cases[1].items = 100000;
    cases[2].name = "10,000,000 virtual";
    cases[2].items = 10000000;
    cases[2].virtualMode = true;
    for (Case& c : cases) {
        c.window = MakeParent();
        if (!c.window || !MakePair(c.window, font, c.items, c.virtualMode, c.pair)) {
            std::printf("report_paint_bench: controls not created (is there a display?)\n");
            return 1;
        }
    }
    // Rounds over all cases, so that a change of the machine's load falls on every case alike; each
    // case's window is brought to the top (untimed) before its repaints.
    for (int round = 0; round < kRounds; ++round) {
        for (Case& c : cases) {
            SetWindowPos(c.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            UpdateWindow(c.window);
            RedrawWindow(c.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump();
            // Each control goes first in every other round, so that neither always paints first.
            double a = 0, b = 0;
            if (round & 1) {
                b = Repaint(c.pair.list);
                a = Repaint(c.pair.report->Handle());
            } else {
                a = Repaint(c.pair.report->Handle());
                b = Repaint(c.pair.list);
            }
            Pump();
            if (round > 0) { // the first round warms caches and fonts
                c.ours.push_back(a);
                c.list.push_back(b);
            }
        }
    }

    std::printf("Full repaint of one screen (%d columns), median of %d rounds, report control vs list view\n",
                kColumns, kRounds - 1);
    std::printf("  %-20s %7s %10s %10s %8s\n", "case", "rows", "ours ms", "list ms", "ratio");
    for (Case& c : cases) {
        double ours = Median(c.ours), list = Median(c.list);
        int oursRows = c.pair.report->GetVisibleCount(FALSE);
        int listRows = (int)SendMessageA(c.pair.list, LVM_GETCOUNTPERPAGE, 0, 0);
        std::printf("  %-20s %3d/%-3d %10.3f %10.3f %8.2f  (aim <= 0.6)\n", c.name, oursRows, listRows, ours,
                    list, ours / list);
    }
    std::printf("  ours, 10,000,000 virtual / 1,000 items: %.2f  (aim <= 1.2)\n",
                Median(cases[2].ours) / Median(cases[0].ours));
    for (Case& c : cases) {
        DestroyWindow(c.pair.list);
        c.pair.report.reset();
        DestroyWindow(c.window);
    }
    return 0;
}
