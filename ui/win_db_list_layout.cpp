// The key-store list's columns at the window's density: the widths are given for a 96-DPI screen and
// scale with the window's DPI, also when the window moves to a screen of another DPI.
#include "ui/win_db_list_state.h"
#include "winlayer/win_dpi.h"

using zrpc::dblist::View;

namespace {

// Widths at 96 DPI: the name and serial columns, what the note column leaves of the window's width,
// and what the last column leaves for the window's frame.
constexpr int kNameWidth = 120;
constexpr int kSerialWidth = 70;
constexpr int kNoteSpare = 74;
constexpr int kFrameSpare = 4;

} // namespace

void CDBVortalListCtrl::State::Layout::CreateColumns() {
    HWND hwnd = s.Hwnd();
    const UINT dpi = zrpc::WindowDpi(hwnd);
    auto add = [&](int at, const char* name, int width) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<char*>(name);
        column.iSubItem = at;
        View(hwnd).InsertColumn(at, column);
    };
    RECT r = {};
    GetWindowRect(hwnd, &r);
    const int third = (r.right - r.left) - zrpc::ScaleToDpi(kNoteSpare, dpi);
    add(0, "Name", zrpc::ScaleToDpi(kNameWidth, dpi));
    add(1, "Serial", zrpc::ScaleToDpi(kSerialWidth, dpi));
    if (s.ctrl.m_flags & DBLIST_COMMENTS) add(2, "Comments", third);
    if (s.ctrl.m_flags & DBLIST_EMAIL) add(2, "EMail", third);
    m_dpi = dpi;
}

void CDBVortalListCtrl::State::Layout::AdjustLastColumn() {
    HWND hwnd = s.Hwnd();
    int columns = s.ctrl.GetColumns();
    if (columns < 1) return;
    const zwin::ListViewCtrl view = View(hwnd);
    const UINT dpi = zrpc::WindowDpi(hwnd);
    int sum = 0;
    for (int c = 0; c < columns - 1; ++c)
        sum += view.GetColumnWidth(c);
    RECT r;
    GetWindowRect(hwnd, &r);
    int width = (r.right - r.left) - sum - zrpc::ScaleToDpi(kFrameSpare, dpi);
    if (view.GetItemCount() > view.GetCountPerPage()) width -= zrpc::SystemMetricForDpi(SM_CXVSCROLL, dpi);
    view.SetColumnWidth(columns - 1, width);
}

void CDBVortalListCtrl::State::Layout::DpiChanged() {
    HWND hwnd = s.Hwnd();
    const UINT dpi = zrpc::WindowDpi(hwnd);
    if (!hwnd || m_dpi == 0 || dpi == m_dpi) return;
    // Every column keeps its share (the user may have resized them); the last one fills the control
    // again. Column widths move nothing else: rows, selection, focus and the scroll position stay.
    const zwin::ListViewCtrl view = View(hwnd);
    const int columns = s.ctrl.GetColumns();
    for (int c = 0; c < columns; ++c)
        view.SetColumnWidth(c,
                            MulDiv(view.GetColumnWidth(c), static_cast<int>(dpi), static_cast<int>(m_dpi)));
    m_dpi = dpi;
    if (s.ctrl.m_initialised) AdjustLastColumn();
    InvalidateRect(hwnd, nullptr, TRUE);
}
