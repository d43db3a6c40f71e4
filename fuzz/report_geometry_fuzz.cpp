// Lays out the report model in random client areas (list, sorted, tree or virtual mode, items with
// previews, the edit row, images, check boxes, random column widths) and scrolls it at random; checks
// that the scroll positions stay in their ranges, that the rows on screen lie one below the other,
// that a point inside a row's cell hits that row and the item standing on it, that whatever a point
// hits is the item of the row hit, and that a row scrolled into view is on screen.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "reportctrl/model/report_geometry.h"

using namespace zrpc::report;

namespace {

struct PreviewHost : ReportHost {
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code == RVN_NEEDDATA) {
            _RVITEM& r = reinterpret_cast<_NMRVITEMCALLBACK*>(hdr)->item;
            r.nMask = RVIM_PREVIEWLINES;
            r.nPreview = r.iItem % 5 == 0 ? 7 : 0;
            if (r.iSubItem >= 0) {
                std::snprintf(r.lpszText, (size_t)r.iTextMax, "v%d", r.iItem);
                r.nMask |= RVIM_LABEL;
            }
        }
        return 0;
    }
};

void Check(ReportModel& m, ReportGeometry& g, FuzzInput& in) {
    int rows = m.GetRowCount();
    int top = g.Top();
    if (top < 0 || (rows > 0 && top > rows - 1) || (rows == 0 && top != 0)) __builtin_trap();
    if (top > g.LastPageTop()) __builtin_trap();
    const RVRECT& list = g.ListRect();
    if (g.HPos() < 0 || (g.HPos() > 0 && g.HPos() > g.TotalWidth() - (list.right - list.left)))
        __builtin_trap();
    // The rows on screen, one below the other, each hit at a point of its first column's cell.
    int shown = g.VisibleCount(true);
    RVRECT prev = {0, 0, 0, 0};
    for (int r = top; r < top + shown && r < rows; ++r) {
        RVRECT rc;
        if (!g.RowRect(r, rc)) __builtin_trap();
        if (r > top && rc.top != prev.bottom) __builtin_trap();
        if (rc.bottom - rc.top < g.RowHeight()) __builtin_trap();
        prev = rc;
        CellRects cell;
        if (m.GetActiveSubItemCount() == 0 || !g.Cell(r, 0, cell)) continue;
        if (cell.text.left > cell.text.right || cell.cell.left > cell.cell.right) __builtin_trap();
        int x = cell.cell.left + (cell.cell.right - cell.cell.left) / 2, y = cell.cell.top;
        if (x < list.left || x >= list.right || y < list.top || y >= list.bottom) continue;
        _RVHITTESTINFO h{};
        h.point = {x, y};
        int item = g.HitTest(&h);
        if (h.iRow != r || item != m.GetItemFromRow(r) || h.iItem != item) __builtin_trap();
    }
    // Any point: the item hit is the item of the row hit.
    for (int k = 0; k < 4; ++k) {
        _RVHITTESTINFO h{};
        h.point = {in.Small(-20, 120) * 4, in.Small(-20, 120) * 4};
        int item = g.HitTest(&h);
        if (item != h.iItem) __builtin_trap();
        if (h.iRow != -2 && m.GetItemFromRow(h.iRow) != h.iItem) __builtin_trap();
        if (h.iRow == -2 && h.iItem != -2) __builtin_trap();
        if (h.iColumn >= 0 && !InRect(h.rect, h.point.x, h.point.y)) __builtin_trap();
    }
    ScrollBarInfo v = g.VerticalBar();
    if (v.max != (rows > 0 ? rows - 1 : 0) || v.page < 1 || v.pos != top) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    PreviewHost host;
    ReportModel m(&host);
    ReportGeometry g(m);
    uint8_t mode = in.Byte() % 4;
    uint32_t style = (in.Byte() & 1) ? RVS_ENTRYROW : 0;
    if (in.Byte() & 1) style |= RVS_HEADERLESS;
    if (mode == 2) style |= RVS_TREEMODE;
    if (mode == 3) style |= RVS_VIRTUALDATA;
    m.ModifyStyle(0, style);
    for (int i = 0; i < 3; ++i) {
        _RVSUBITEM s{};
        s.nFormat = RV_HDF_STRING;
        s.iWidth = in.Small(0, 60) * 3;
        s.lpszText = "c";
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
    int items = in.Small(0, 120);
    std::vector<_TREEITEM*> nodes;
    for (int i = 0; i < items; ++i) {
        if (mode == 3) break;
        if (mode == 2) {
            _TREEITEM* parent =
                nodes.empty() || (in.Byte() & 1) ? TVI_ROOT : nodes[(size_t)in.Byte() % nodes.size()];
            _TREEITEM* h = m.InsertItem("t", in.Small(-1, 1), in.Small(-1, 1), -1, parent, TVI_LAST);
            if (h) nodes.push_back(h);
        } else {
            m.AddItem(std::to_string(in.Byte()).c_str(), in.Small(-1, 1), in.Small(-1, 1), -1);
        }
        if (in.Byte() % 4 == 0) {
            _RVITEM r{};
            r.nMask = RVIM_PREVIEWLINES;
            r.iItem = i;
            r.iSubItem = -1;
            r.nPreview = in.Small(0, 40);
            m.SetItem(&r);
        }
    }
    if (mode == 3) m.SetItemCount(in.Small(0, 255) * (in.Byte() & 1 ? 40000 : 1));
    if (mode == 1) m.SortItems(0, in.Byte() & 1);
    if (mode == 2) m.ExpandAll(TVI_ROOT, in.Small(0, 2), -1);
    g.SetRowHeight(in.Small(1, 30));
    g.SetImages(in.Byte() & 1, in.Small(0, 20), in.Small(0, 20));
    g.SetIndentFirstColumn(in.Byte() & 1);
    g.RecountWidth();
    RVRECT client = {0, 0, in.Small(0, 120) * 4, in.Small(0, 120) * 4};
    g.Layout(client, in.Small(0, 30), in.Small(0, 3));
    g.Clamp();
    Check(m, g, in);
    for (int step = 0; step < 40 && in.n; ++step) {
        int rows = m.GetRowCount();
        switch (in.Byte() % 5) {
        case 0:
            g.SetTop(g.ScrollRowsTarget(in.Small(0, 8), in.Small(-5, 300) * (in.Byte() & 1 ? 1 : 40000)));
            break;
        case 1:
            g.SetHPos(g.ScrollPixelsTarget(in.Small(0, 8), in.Small(-5, 300)));
            break;
        case 2: {
            int row = in.Small(-2, rows);
            bool partial = in.Byte() & 1;
            g.SetTop(g.TopToShow(row, partial));
            // A row that fits the list is on screen once shown.
            if (row >= 0 && row < rows &&
                g.RowHeightOf(row, true) <= g.ListRect().bottom - g.ListRect().top &&
                (row < g.Top() || row >= g.Top() + g.VisibleCount(true)))
                __builtin_trap();
            break;
        }
        case 3: {
            int code = 0;
            int n = g.WheelSteps(in.Small(-3, 3) * 60, in.Small(-1, 4), &code);
            for (int i = 0; i < n && i < 50; ++i)
                g.SetTop(g.ScrollRowsTarget(code, 0));
            break;
        }
        case 4:
            g.SetHPos(g.HPosToShow(in.Small(-1, 3)));
            break;
        }
        Check(m, g, in);
    }
    return 0;
}
