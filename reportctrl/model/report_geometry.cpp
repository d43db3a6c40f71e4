// Where the report control's parts lie (see report_geometry.h).
#include "reportctrl/model/report_geometry.h"

#include <algorithm>

#include "base/dpi.h"

namespace zrpc::report {

bool InRect(const RVRECT& rc, int x, int y) {
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

RVRECT MakeRect(int left, int top, int right, int bottom) {
    RVRECT rc = {left, top, right, bottom};
    return rc;
}

int ClampToLimits(const SubItemDef& def, int width) {
    if (def.format & RVCF_NOLIMITS) return width;
    width = std::max(width, def.minWidth);
    if (def.maxWidth >= 1) width = std::min(width, def.maxWidth);
    return width;
}

namespace {

int Width(const RVRECT& rc) {
    return rc.right - rc.left;
}
int Height(const RVRECT& rc) {
    return rc.bottom - rc.top;
}

} // namespace

// ---------------------------------------------------------------- layout and sizes

void ReportGeometry::Layout(const RVRECT& client, int headerHeight, int frameBorder) {
    uint32_t style = m_model.GetStyle();
    if (style & RVS_HEADERLESS) headerHeight = 0;
    m_client = client;
    m_header = MakeRect(client.left, client.top, client.right, client.top + headerHeight);
    int y = m_header.bottom;
    if (style & RVS_ENTRYROW) {
        m_edit = MakeRect(client.left, y, client.right, y + m_rowHeight + 2 * frameBorder);
        y = m_edit.bottom;
    } else {
        m_edit = MakeRect(client.left, y, client.right, y);
    }
    m_list = MakeRect(client.left, y, client.right, std::max<int>(y, client.bottom));
}

RVRECT ReportGeometry::HeaderPlace() const {
    int width = std::max(m_totalWidth + m_hpos, Width(m_header) + m_hpos);
    return MakeRect(m_header.left - m_hpos, m_header.top, m_header.left - m_hpos + width, m_header.bottom);
}

int ReportGeometry::Scaled(int px96) const {
    return ScaleToDpi(px96, m_dpi);
}

RVRECT ReportGeometry::ExpandBox(const RVRECT& square) const {
    int side = std::min(Width(square), Height(square));
    int size = std::min(Scaled(9), side - 2 * Scaled(1));
    if (size < Scaled(5)) return MakeRect(0, 0, 0, 0);
    int cx = (square.left + square.right) / 2, cy = (square.top + square.bottom) / 2;
    int left = cx - size / 2, top = cy - size / 2;
    return MakeRect(left, top, left + size, top + size);
}

void ReportGeometry::SetImages(bool present, int cx, int cy) {
    m_images = present;
    m_imageCx = cx;
    m_imageCy = cy;
}

void ReportGeometry::SetCheckImages(bool on, int cx, int cy) {
    m_checkImages = on;
    if (on) {
        m_checkCx = cx;
        m_checkCy = cy;
    }
}

int ReportGeometry::CheckAreaWidth() const {
    if (m_checkImages) return m_checkCx;
    return (int)(m_model.GetProperty(RVP_CHECKBOXSIZE) & 0xFFFF);
}

int ReportGeometry::CheckAreaHeight() const {
    if (m_checkImages) return m_checkCy;
    return (int)((m_model.GetProperty(RVP_CHECKBOXSIZE) >> 16) & 0xFFFF);
}

int ReportGeometry::IndentOf(int iItem) const {
    if (!(m_model.GetStyle() & RVS_TREEMASK) && !m_indentFirst) return 0;
    _RVITEM it = {};
    it.iItem = iItem;
    it.iSubItem = -1;
    if (iItem < 0 || !m_model.GetItem(&it) || it.iIndent < 0) return 0;
    return it.iIndent * m_rowHeight;
}

void ReportGeometry::RecountWidth() {
    m_totalWidth = 0;
    for (int sub : m_model.GetColumnOrder())
        m_totalWidth += m_model.GetSubItemDef(sub)->width;
}

bool ReportGeometry::ColumnRange(int column, int& x0, int& x1) const {
    const std::vector<int>& cols = m_model.GetColumnOrder();
    if (column < 0 || column >= (int)cols.size()) return false;
    int x = m_list.left - m_hpos;
    for (int c = 0; c < column; ++c)
        x += m_model.GetSubItemDef(cols[(size_t)c])->width;
    x0 = x;
    x1 = x + m_model.GetSubItemDef(cols[(size_t)column])->width;
    return true;
}

// ---------------------------------------------------------------- rows

int ReportGeometry::PreviewOf(int row, bool load) const {
    return row >= 0 ? m_model.RowPreview(row, load) : 0;
}

int ReportGeometry::RowHeightOf(int row, bool load) const {
    return m_rowHeight + PreviewOf(row, load);
}

bool ReportGeometry::RowRect(int row, RVRECT& rc) const {
    int left = m_list.left - m_hpos, right = left + std::max<int>(m_totalWidth, Width(m_list));
    if (row == -1) {
        if (!(m_model.GetStyle() & RVS_ENTRYROW)) return false;
        rc = MakeRect(left, m_edit.top, right, m_edit.top + m_rowHeight);
        return true;
    }
    if (row < 0 || row >= m_model.GetRowCount()) return false;
    int y = m_list.top;
    bool onScreen = false;
    if (row >= m_top) {
        for (int r = m_top; r < row; ++r) {
            y += RowHeightOf(r, y < m_list.bottom);
            if (y > m_list.bottom + 32767) break;
        }
        onScreen = y < m_list.bottom;
    } else {
        for (int r = row; r < m_top; ++r)
            y -= RowHeightOf(r, false);
    }
    rc = MakeRect(left, y, right, y + RowHeightOf(row, onScreen));
    return true;
}

int ReportGeometry::RowsThatFit(bool partial) const {
    int rows = m_model.GetRowCount(), height = Height(m_list), n = 0, y = 0;
    for (int r = m_top; r < rows; ++r) {
        int h = RowHeightOf(r, true);
        if (y + h > height) {
            if (partial && y < height) ++n;
            break;
        }
        y += h;
        ++n;
    }
    return n;
}

int ReportGeometry::VisibleCount(bool partial) const {
    int rows = m_model.GetRowCount(), height = Height(m_list);
    int n = RowsThatFit(partial);
    if (n == 0 && !partial) {
        // Below the last row: count what a full page of rows without previews would hold.
        n = m_rowHeight > 0 ? height / m_rowHeight : 0;
        if (rows - m_top > 0) n = std::min(n, rows - m_top);
    }
    return n;
}

int ReportGeometry::LastPageTop(bool load) const {
    int rows = m_model.GetRowCount(), height = Height(m_list), y = 0, r = rows;
    while (r > 0) {
        int h = RowHeightOf(r - 1, load);
        if (y + h > height) break;
        y += h;
        --r;
    }
    if (r == rows && rows > 0) r = rows - 1; // one row taller than the list
    return std::max(0, r);
}

// ---------------------------------------------------------------- scroll positions

// Every row is at least one row high, so a top more than a page of rows above the end is in range
// without reading the last rows (which, in virtual mode, would be asked for); nearer the end the last
// page is read, and it is the page on screen then.
int ReportGeometry::ClampTop(int row) const {
    row = std::max(0, row);
    int fit = m_rowHeight > 0 ? Height(m_list) / m_rowHeight : 0;
    if (row < m_model.GetRowCount() - std::max(1, fit)) return row;
    return std::min(row, LastPageTop(true));
}

bool ReportGeometry::SetTop(int row) {
    row = ClampTop(row);
    if (row == m_top) return false;
    m_top = row;
    return true;
}

bool ReportGeometry::SetHPos(int pos) {
    pos = std::max(0, std::min(pos, m_totalWidth - Width(m_list)));
    if (pos == m_hpos) return false;
    m_hpos = pos;
    return true;
}

void ReportGeometry::Clamp() {
    m_top = ClampTop(m_top);
    m_hpos = std::max(0, std::min(m_hpos, m_totalWidth - std::max(0, Width(m_list))));
}

int ReportGeometry::ScrollRowsTarget(int code, int thumb) const {
    int page = std::max(1, VisibleCount(false));
    switch (code) {
    case kScrollLineUp:
        return m_top - 1;
    case kScrollLineDown:
        return m_top + 1;
    case kScrollPageUp:
        return m_top - page;
    case kScrollPageDown:
        return m_top + page;
    case kScrollThumbTrack:
    case kScrollThumbPosition:
        return thumb;
    case kScrollTop:
        return 0;
    case kScrollBottom:
        return LastPageTop();
    default:
        return m_top;
    }
}

int ReportGeometry::ScrollPixelsTarget(int code, int thumb) const {
    int width = Width(m_list);
    switch (code) {
    case kScrollLineUp:
        return m_hpos - std::max(1, width / 8);
    case kScrollLineDown:
        return m_hpos + std::max(1, width / 8);
    case kScrollPageUp:
        return m_hpos - width;
    case kScrollPageDown:
        return m_hpos + width;
    case kScrollThumbTrack:
    case kScrollThumbPosition:
        return thumb;
    case kScrollTop:
        return 0;
    case kScrollBottom:
        return m_totalWidth;
    default:
        return m_hpos;
    }
}

int ReportGeometry::TopToShow(int row, bool partial) const {
    if (row < 0 || row >= m_model.GetRowCount()) return m_top;
    if (row < m_top) return row;
    if (row < m_top + RowsThatFit(partial)) return m_top;
    // Down until the row fits at the bottom: the rows walked are the next screen.
    int height = Height(m_list), y = 0, r = row + 1;
    while (r > 0) {
        int h = RowHeightOf(r - 1, true);
        if (y + h > height && r <= row) break;
        y += h;
        --r;
    }
    return r;
}

int ReportGeometry::HPosToShow(int column) const {
    int x0 = 0, x1 = 0;
    if (!ColumnRange(column, x0, x1)) return m_hpos;
    int left = x0 - m_list.left + m_hpos, right = x1 - m_list.left + m_hpos; // in column space
    int page = Width(m_list);
    if (left < m_hpos) return left;
    if (right > m_hpos + page) return std::min(left, right - page);
    return m_hpos;
}

int ReportGeometry::WheelSteps(int delta, int lines, int* code) {
    const int kNotch = 120;
    m_wheelRest += delta;
    int notches = m_wheelRest / kNotch;
    m_wheelRest -= notches * kNotch;
    bool up = notches > 0;
    int n = notches < 0 ? -notches : notches;
    if (code)
        *code = lines == -1 ? (up ? kScrollPageUp : kScrollPageDown) : (up ? kScrollLineUp : kScrollLineDown);
    return lines == -1 ? n : n * std::max(0, lines);
}

ScrollBarInfo ReportGeometry::VerticalBar() const {
    ScrollBarInfo b;
    int rows = m_model.GetRowCount();
    int lastTop = LastPageTop(false); // the page as far as it is known: the thumb's size only
    b.max = std::max(0, rows - 1);
    b.page = std::max(1, rows - lastTop);
    if (rows == 0 || lastTop == 0) b.page = b.max + 1;
    b.pos = m_top;
    return b;
}

ScrollBarInfo ReportGeometry::HorizontalBar() const {
    ScrollBarInfo b;
    b.max = std::max(0, m_totalWidth - 1);
    b.page = std::max(0, Width(m_list));
    b.pos = m_hpos;
    return b;
}

// ---------------------------------------------------------------- cells and hits

bool ReportGeometry::Cell(int row, int column, CellRects& out) const {
    RVRECT rr;
    if (!RowRect(row, rr)) return false;
    return CellInRow(rr, row, column, out, nullptr);
}

bool ReportGeometry::CellInRow(const RVRECT& rowRect, int row, int column, CellRects& out,
                               const _RVITEM* known) const {
    RVRECT rr = rowRect;
    rr.bottom = rr.top + m_rowHeight;
    int x0 = 0, x1 = 0;
    if (!ColumnRange(column, x0, x1)) return false;
    int iItem = m_model.GetItemFromRow(row);
    int iSubItem = m_model.GetSubItemFromColumn(column);
    const SubItemDef* def = m_model.GetSubItemDef(iSubItem);
    out.cell = MakeRect(x0, rr.top, x1, rr.bottom);
    out.box = out.image = out.check = MakeRect(0, 0, 0, 0);
    int gap = (int)m_model.GetProperty(RVP_GAP);
    int x = x0;
    if (column == 0 && iItem >= 0) {
        int indent = IndentOf(iItem);
        x += indent;
        if ((m_model.GetStyle() & RVS_TREEMASK) && indent > 0)
            out.box = MakeRect(x - m_rowHeight, rr.top, x, rr.bottom);
    }
    _RVITEM it = {};
    it.iItem = iItem;
    it.iSubItem = iSubItem;
    bool have = true;
    if (known)
        it = *known; // the cell as the caller read it
    else
        have = m_model.GetItem(&it);
    bool image = (have && (it.nMask & RVIM_PICTURE)) || (def && (def->format & RVCF_IMAGESPACE));
    bool check = (have && (it.nMask & RVIM_CHECKMARK)) || (def && (def->format & RVCF_CHECKSPACE));
    if (image && m_images) {
        x += gap;
        int y = rr.top + (m_rowHeight - m_imageCy) / 2;
        out.image = MakeRect(x, y, x + m_imageCx, y + m_imageCy);
        x += m_imageCx;
    }
    if (check) {
        x += gap;
        int w = CheckAreaWidth(), h = CheckAreaHeight();
        int y = rr.top + (m_rowHeight - h) / 2;
        out.check = MakeRect(x, y, x + w, y + h);
        x += w;
    }
    x += gap;
    int textLeft = std::min(x, x1);
    out.text = MakeRect(textLeft, rr.top, std::max(textLeft, x1 - gap), rr.bottom);
    return true;
}

bool ReportGeometry::ItemRect(int iItem, int iSubItem, unsigned nCode, RVRECT& out) const {
    if (nCode > 4) return false;
    int row = m_model.GetRowFromItem(iItem);
    if (row == -2) return false;
    if (iSubItem < 0) return RowRect(row, out);
    int column = m_model.GetColumnFromSubItem(iSubItem);
    CellRects c;
    if (column < 0 || !Cell(row, column, c)) return false;
    switch (nCode) {
    case 0:
        out = c.cell;
        break;
    case 1:
        out = c.image;
        break;
    case 2:
        out = c.check;
        break;
    case 4: {
        // A tree node showing its tree sub-item: the text runs on to the end of the row.
        out = c.text;
        RVRECT rr;
        int span = iItem >= 0 ? m_model.GetTreeSubItem(m_model.GetItemHandle(iItem)) : -1;
        if (span >= 0 && column == 0 && (m_model.GetStyle() & RVS_TREEMASK) && RowRect(row, rr))
            out.right = std::max(out.left, std::min<int>(rr.right, m_list.left - m_hpos + m_totalWidth) -
                                               (int)m_model.GetProperty(RVP_GAP));
        break;
    }
    default:
        out = c.text;
        break;
    }
    return true;
}

int ReportGeometry::HitTest(_RVHITTESTINFO* p) const {
    int x = p->point.x, y = p->point.y;
    p->nFlags = 0;
    p->hItem = nullptr;
    p->iItem = -2;
    p->iSubItem = -1;
    p->iRow = -2;
    p->iColumn = -1;
    p->rect = MakeRect(0, 0, 0, 0);
    if (y < m_header.bottom) p->nFlags |= RVHT_OVER;
    if (y >= m_client.bottom) p->nFlags |= RVHT_UNDER;
    if (x < m_list.left) p->nFlags |= RVHT_LEFTOF;
    if (x >= m_list.right) p->nFlags |= RVHT_RIGHTOF;
    if (p->nFlags) return -2;
    int row = -2;
    RVRECT rr = MakeRect(0, 0, 0, 0);
    if (y < m_edit.bottom) {
        p->nFlags |= RVHT_ENTRYROW;
        row = -1;
        RowRect(-1, rr);
        if (y >= rr.bottom) return -2;
    } else {
        int rows = m_model.GetRowCount(), top = m_list.top;
        for (int r = m_top; r < rows && top < m_list.bottom; ++r) {
            int h = RowHeightOf(r, true);
            if (y < top + h) {
                row = r;
                break;
            }
            top += h;
        }
        if (row == -2) {
            p->nFlags |= RVHT_NONE;
            return -2;
        }
        RowRect(row, rr);
    }
    p->iRow = row;
    p->iItem = m_model.GetItemFromRow(row);
    if (p->iItem >= 0 && (m_model.GetStyle() & RVS_TREEMASK)) p->hItem = m_model.GetItemHandle(p->iItem);
    if (y >= rr.top + m_rowHeight) { // below the row's cells: the preview
        p->nFlags |= RVHT_PREVIEWAREA;
        p->rect = MakeRect(rr.left, rr.top + m_rowHeight, rr.right, rr.bottom);
        return p->iItem;
    }
    int columns = m_model.GetActiveSubItemCount();
    for (int c = 0; c < columns; ++c) {
        CellRects cell;
        if (!CellInRow(rr, row, c, cell, nullptr) || x < cell.cell.left || x >= cell.cell.right) continue;
        p->iColumn = c;
        p->iSubItem = m_model.GetSubItemFromColumn(c);
        p->rect = cell.cell;
        if (InRect(cell.box, x, y))
            p->nFlags |= m_model.HasChildren(p->hItem) ? RVHT_EXPANDBOX : RVHT_NONE;
        else if (InRect(cell.image, x, y))
            p->nFlags |= RVHT_PICTURE;
        else if (InRect(cell.check, x, y))
            p->nFlags |= RVHT_CHECKBOX;
        else if (x >= cell.text.left)
            p->nFlags |= RVHT_LABEL;
        else
            p->nFlags |= RVHT_NONE;
        return p->iItem;
    }
    p->nFlags |= RVHT_NONE;
    return p->iItem;
}

} // namespace zrpc::report
