// What the report control does with the user's keys and clicks: which rows get selected (through the
// model's SelectRows, and so the control's), where the focus and the anchor go, which tree node opens
// or closes, and when an in-place edit starts. No window here: the window passes in the key or the
// hit row and column, the rows on screen, and carries out the scrolling and the editing the answer
// asks for.
#ifndef ZRPC_REPORT_INPUT_H
#define ZRPC_REPORT_INPUT_H

#include "reportctrl/model/report_model.h"

namespace zrpc::report {

// Keys the control handles (the platform's virtual-key numbers).
enum : unsigned {
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
};

// The rows on screen when a key is pressed.
struct PageView {
    int top = 0;     // first visible row
    int visible = 1; // rows that fit wholly
};

// What the window does after a key.
struct KeyAction {
    bool handled = false; // the key was one of the control's
    int showRow = -3;     // scroll this row into view (-3: none)
    int hscroll = 0;      // scroll horizontally by one step: -1 left, +1 right
    int showColumn = -1;  // scroll this display column into view
};

// A left click: the edit to start, if any.
struct ClickAction {
    bool edit = false;
    int row = -2;
    int column = -1;
};

// Up, Down, Page Up, Page Down, Home, End, Left, Right and Space with the Shift and Ctrl states.
KeyAction KeyDown(ReportModel& model, unsigned key, bool shift, bool ctrl, const PageView& view);

// The focused column a click on a cell gives: the cell's column with RVS_CELLFOCUS (and always on
// the edit row, whose cells are typed into), unless the column never takes the focus; else -1.
int ClickColumn(ReportModel& model, int row, int hitColumn);

// Left button down on a row (-1 the edit row) at a hit column.
ClickAction Click(ReportModel& model, int row, int hitColumn, bool shift, bool ctrl);

// Right button down on a row: with neither Shift nor Ctrl it selects only that row.
void RightClick(ReportModel& model, int row, bool shift, bool ctrl);

// Whether a typed character starts editing the focused cell; the cell in *row, *column.
bool TypingStartsEdit(ReportModel& model, bool ctrl, int* row, int* column);

} // namespace zrpc::report

#endif
