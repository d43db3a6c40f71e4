// Where the report control's parts lie: the header, the edit row and the list in the client area,
// the rectangle of each row and of each part of a cell, what a point hits, which rows fit, and the
// scroll positions (rows vertically, pixels horizontally) with the values of both scroll bars. No
// window here: the window measures what only it can (the client area, the header's own height, the
// frame border, image sizes), hands it in, and carries out what the answers ask.
//
// Rows may be taller than the row height by their item's preview. Reading a preview may load the item
// from the parent in virtual mode; the geometry reads previews only for rows on screen (or about to
// be: a row scrolled into view), and counts the others by what is known of them without asking.
//
// Sizes are pixels of the screen the control is on. The window tells the geometry that screen's
// density (SetDpi); the fixed sizes drawn inside the parts (the expand box) are given for 96 DPI and
// scale with it, so at 96 DPI each stays exactly what it is.
#ifndef ZRPC_REPORT_GEOMETRY_H
#define ZRPC_REPORT_GEOMETRY_H

#include "reportctrl/model/report_model.h"

namespace zrpc::report {

// Scroll requests, numbered as the platform's scroll-bar codes.
enum ScrollCode : int {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
};

// The values of one scroll bar.
struct ScrollBarInfo {
    int max = 0;  // range 0..max
    int page = 0; // the part one page covers
    int pos = 0;
};

// The parts of one cell on screen (empty rectangles for parts the cell does not have).
struct CellRects {
    RVRECT cell;  // the whole cell, one row high
    RVRECT box;   // the tree's expand box
    RVRECT image; // the image area
    RVRECT check; // the check-box area
    RVRECT text;  // the text area
};

bool InRect(const RVRECT& rc, int x, int y);
RVRECT MakeRect(int left, int top, int right, int bottom);

// A column width held to the column's limits (minimum, and maximum when 1 or more), unless the column
// has no limits.
int ClampToLimits(const SubItemDef& def, int width);

class ReportGeometry {
  public:
    explicit ReportGeometry(ReportModel& model) : m_model(model) {}
    ReportGeometry(const ReportGeometry&) = delete;
    ReportGeometry& operator=(const ReportGeometry&) = delete;

    // ---- layout
    // Places the header at the top (headerHeight high; none with RVS_HEADERLESS), the edit row below it
    // with RVS_ENTRYROW (one row plus twice the frame border high), and the list in the rest.
    void Layout(const RVRECT& client, int headerHeight, int frameBorder);
    const RVRECT& Client() const { return m_client; }
    const RVRECT& HeaderRect() const { return m_header; }
    const RVRECT& EditRect() const { return m_edit; }
    const RVRECT& ListRect() const { return m_list; }
    // Where the header window goes: moved with the columns, never narrower than the client area.
    RVRECT HeaderPlace() const;

    // ---- sizes
    // The density of the screen the control is drawn on (96: sizes as given), and a 96-DPI size at it.
    void SetDpi(unsigned dpi) { m_dpi = dpi ? dpi : 96; }
    unsigned Dpi() const { return m_dpi; }
    int Scaled(int px96) const;
    int RowHeight() const { return m_rowHeight; }
    void SetRowHeight(int height) { m_rowHeight = height; }
    // The cells' images: whether an image list is set, and the size of its images.
    void SetImages(bool present, int cx, int cy);
    bool HasImages() const { return m_images; }
    int ImageWidth() const { return m_imageCx; }
    int ImageHeight() const { return m_imageCy; }
    // The check area: the check images' size when a check image list is set, else the drawn box of the
    // model's check-box size.
    void SetCheckImages(bool on, int cx, int cy);
    bool CheckImages() const { return m_checkImages; }
    int CheckAreaWidth() const;
    int CheckAreaHeight() const;
    void SetIndentFirstColumn(bool on) { m_indentFirst = on; }
    // The indent of an item's first column: its level times the row height in tree mode or with the
    // first-column indent on.
    int IndentOf(int iItem) const;
    // The shown columns' total width (recounted from the model).
    int TotalWidth() const { return m_totalWidth; }
    void RecountWidth();
    bool ColumnRange(int column, int& x0, int& x1) const;
    // The expand box drawn in a tree node's box square (CellRects::box): 9 x 9 pixels at 96 DPI, scaled,
    // never more than the square less a pixel each side, centred in it; empty when the square is too
    // small for a box of 5 pixels (scaled) to be read.
    RVRECT ExpandBox(const RVRECT& square) const;

    // ---- rows
    // A row's height, its preview included (load: the item may be asked for).
    int RowHeightOf(int row, bool load) const;
    // The rectangle of a row, preview included (-1: the edit row). False for a row that does not exist.
    bool RowRect(int row, RVRECT& rc) const;
    // Rows that fit from the top row down (partial: a partly shown last row counts). When not even the
    // top row fits wholly, the rows of one row height that would fit (the page of a page scroll).
    int VisibleCount(bool partial) const;
    // The top row that shows the last page full. load: the last rows are read (in virtual mode asked for);
    // otherwise a row not known without asking counts one row high.
    int LastPageTop(bool load = true) const;

    // ---- scroll positions
    int Top() const { return m_top; }
    int HPos() const { return m_hpos; }
    // Both clamp to their ranges; true when the position changed.
    bool SetTop(int row);
    bool SetHPos(int pos);
    // Both positions held to their ranges after the rows or the widths changed.
    void Clamp();
    // The top row a vertical scroll request asks for (thumb: the thumb's row).
    int ScrollRowsTarget(int code, int thumb) const;
    // The horizontal position a horizontal scroll request asks for: a line is an eighth of the list's
    // width, a page its width.
    int ScrollPixelsTarget(int code, int thumb) const;
    // The top row that shows a row (partial: a partly shown last row counts as shown).
    int TopToShow(int row, bool partial) const;
    // The horizontal position that shows a display column.
    int HPosToShow(int column) const;
    // Scroll requests for a wheel movement: per 120 units, lines times a line request, or one page
    // request when lines is -1 (or the platform's page value); the rest of the delta is kept.
    int WheelSteps(int delta, int lines, int* code);
    ScrollBarInfo VerticalBar() const;
    ScrollBarInfo HorizontalBar() const;

    // ---- cells and hits
    // The parts of a cell (display column) of a row; rowRect when the row's rectangle is known, known
    // when the cell has been read already (painting).
    bool Cell(int row, int column, CellRects& out) const;
    bool CellInRow(const RVRECT& rowRect, int row, int column, CellRects& out, const _RVITEM* known) const;
    // GetItemRect: the cell of an item and sub-item (-1: the row); nCode 0 the cell, 1 the image area,
    // 2 the check-box area, 3 the text area, 4 the text area of a tree node spanning its tree sub-item.
    bool ItemRect(int iItem, int iSubItem, unsigned nCode, RVRECT& out) const;
    // What the point of p->point hits (RVHT_ flags, item, row, sub-item, column, cell); the item, -2
    // for none.
    int HitTest(_RVHITTESTINFO* p) const;

  private:
    // The rows from the top row down that fit (partial: a partly shown last one counts).
    int RowsThatFit(bool partial) const;
    // A top row held to its range.
    int ClampTop(int row) const;
    // The item's preview is read (and, in virtual mode, may be asked for) only when load.
    int PreviewOf(int row, bool load) const;
    ReportModel& m_model;
    RVRECT m_client = {0, 0, 0, 0};
    RVRECT m_header = {0, 0, 0, 0};
    RVRECT m_edit = {0, 0, 0, 0};
    RVRECT m_list = {0, 0, 0, 0};
    int m_rowHeight = 10;
    int m_totalWidth = 0;
    int m_top = 0;
    int m_hpos = 0;
    int m_wheelRest = 0;
    int m_imageCx = 0;
    int m_imageCy = 0;
    bool m_images = false;
    bool m_checkImages = false;
    int m_checkCx = 0;
    int m_checkCy = 0;
    bool m_indentFirst = false;
    unsigned m_dpi = 96;
};

} // namespace zrpc::report

#endif
