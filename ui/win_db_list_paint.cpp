// The key-store list's cells: colours (the cell's own, the greys of disabled rows and controls, the
// selection; the system's alone in high contrast; never a text that cannot be read on its
// background), the check box with its tick and the texts, at the window's density.
#include <algorithm>

#include "base/guard.h"
#include "ui/win_db_list_state.h"
#include "winlayer/win_dpi.h"

using zrpc::dblist::View;
namespace palette = zrpc::palette;

namespace {

// The check box's sizes at a density, from their 96-DPI values.
struct CheckSizes {
    explicit CheckSizes(UINT dpi)
        : boxLeft(zrpc::ScaleToDpi(9, dpi)), line(zrpc::ScaleToDpi(1, dpi)),
          textGap(zrpc::ScaleToDpi(4, dpi)), margin(zrpc::ScaleToDpi(2, dpi)),
          tickRight(zrpc::ScaleToDpi(9, dpi)), tickTop(zrpc::ScaleToDpi(3, dpi)),
          tick(zrpc::ScaleToDpi(7, dpi)), edges(std::max(1, zrpc::ScaleToDpi(2, dpi) / 2)) {}
    int boxLeft;   // the box's left edge from the cell's
    int line;      // the box's gap below and the shift of its edge
    int textGap;   // between the box and the text
    int margin;    // between a text and its cell's edges
    int tickRight; // the tick's rightmost column from the box's left edge
    int tickTop;   // the tick's top from the box's top
    int tick;      // the tick's width and height
    int edges;     // how many times the sunken edge is drawn, one inside the other
};

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// The sunken edge of the box, its lines as thick as the density asks.
void SunkenEdge(HDC dc, RECT box, int times) {
    if (times <= 1) {
        DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
        return;
    }
    for (int i = 0; i < times; ++i)
        DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    for (int i = 0; i < times; ++i)
        DrawEdge(dc, &box, BDR_SUNKENINNER, BF_RECT | BF_ADJUST);
}

// The tick: columns of strokes from the right, each one pixel further left, going down to the
// vertex and up again after it (at 96 DPI seven strokes of three pixels: four down, three up, the
// rightmost column 9 pixels right of the box's left edge, the top 3 below its top). A box of a row
// lower than the density's (a small font) gets a tick that fits within its edge.
void Tick(HDC dc, const RECT& box, const CheckSizes& size, COLORREF colour) {
    const int inset = 2 * size.edges; // the edge's lines
    const RECT room = {box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
    const int t = std::max(3, std::min({size.tick, static_cast<int>(room.right - room.left),
                                        static_cast<int>(room.bottom - room.top)}));
    const int vertex = (4 * t + 3) / 7; // the column, from the right, of the lowest point
    const int stroke = t - vertex;      // the height of each stroke
    const int x0 =
        std::max(std::min(static_cast<int>(box.left) + size.tickRight, static_cast<int>(room.right) - 1),
                 static_cast<int>(room.left) + t - 1);
    const int y0 =
        std::max(std::min(static_cast<int>(box.top) + size.tickTop, static_cast<int>(room.bottom) - t),
                 static_cast<int>(room.top));
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    for (int k = 0; k < t; ++k) {
        const int y = y0 + (k <= vertex ? k : 2 * vertex - k);
        MoveToEx(dc, x0 - k, y, nullptr);
        LineTo(dc, x0 - k, y + stroke);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

} // namespace

palette::Pair CDBVortalListCtrl::State::Painter::CellColours(int, int column,
                                                             const _tCDBVORTALLISTSCTRLDATA* cells) const {
    using namespace zrpc::dblist;
    const COLORREF* colours = s.ctrl.m_colours;
    const bool highContrast = zrpc::HighContrastOn();
    palette::Request request;
    if (cells && column < Records::Count(cells)) {
        request.hasText = Records::CallerText(cells, column);
        request.text = cells[column].textColour;
        request.hasBack = Records::CallerBack(cells, column);
        request.back = cells[column].backColour;
    }
    palette::Pair pair = palette::Choose(request, {colours[kWindowText], colours[kWindow]}, highContrast);
    if (cells && !cells[0].enabled) {
        // A disabled row's grey, readable on a background of the caller's.
        pair.text = colours[kGreyText];
        if (request.hasBack && !highContrast)
            pair.text = palette::ReadableText(pair.text, pair.back, colours[kWindowText]);
    }
    if (!IsWindowEnabled(s.Hwnd())) pair = {colours[kGreyText], colours[kFace]};
    return pair;
}

LRESULT CDBVortalListCtrl::State::Painter::CustomDraw(NMLVCUSTOMDRAW* draw) {
    using namespace zrpc::dblist;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        // A plain dialog does not pass WM_SYSCOLORCHANGE on to its items: the colours are checked
        // before every paint as well.
        for (int i = 0; i < kColourCount; ++i)
            if (s.ctrl.m_colours[i] != GetSysColor(kColourIndex[i])) {
                s.ctrl.ReadColours();
                break;
            }
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(draw->nmcd.dwItemSpec);
        int column = draw->iSubItem;
        _tCDBVORTALLISTSCTRLDATA* cells = s.records.Of(row);
        const palette::Pair pair = CellColours(row, column, cells);
        draw->clrText = pair.text;
        draw->clrTextBk = pair.back;
        RECT r;
        if (!s.ctrl.GetSubItemRect(row, column, LVIR_BOUNDS, r)) return CDRF_DODEFAULT;
        if (cells && column < Records::Count(cells) && cells[column].checkState != eCheckNone)
            s.ctrl.DrawCheckbox(row, column, draw->nmcd.hdc, pair.text, pair.back, r, cells);
        else
            s.ctrl.DrawTextA(row, column, draw->nmcd.hdc, pair.text, pair.back, r, cells);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CDBVortalListCtrl::State::Painter::Checkbox(int row, int column, HDC dc, COLORREF text, COLORREF back,
                                                 const RECT& rect, const _tCDBVORTALLISTSCTRLDATA* records) {
    using namespace zrpc::dblist;
    HWND hwnd = s.Hwnd();
    const COLORREF* colours = s.ctrl.m_colours;
    const CheckSizes size(zrpc::WindowDpi(hwnd));
    unsigned long textColour = text, backColour = back;
    s.ctrl.GetDrawColors(row, column, textColour, backColour);
    Fill(dc, rect, backColour);

    char label[kTextLimit + 1];
    CellText(hwnd, row, column, label, sizeof label);

    RECT box = rect;
    box.bottom = rect.bottom - size.line;
    const int height = box.bottom - box.top;
    box.left = label[0] ? rect.left + size.boxLeft
                        : rect.left + (rect.right - rect.left) / 2 - height / 2 - size.line;
    box.right = box.left + height;
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    Fill(dc, box, enabled ? colours[kWindow] : colours[kFace]);
    box.left += size.line;
    SunkenEdge(dc, box, size.edges);

    const bool rowEnabled = records ? records[0].enabled != FALSE : true;
    const int state = records && column < Records::Count(records) ? records[column].checkState : eCheckNone;
    // The tick in the window's text colour on the window colour the box is filled with (white on
    // black in a high-contrast scheme), grey when the control or the row is disabled.
    if (state == eCheckChecked)
        Tick(dc, box, size, enabled && rowEnabled ? colours[kWindowText] : colours[kGreyText]);
    if (label[0]) {
        RECT r = rect;
        r.left = box.right + size.textGap;
        r.right -= size.margin;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, textColour);
        SetBkColor(dc, backColour);
        ::DrawTextA(dc, label, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void CDBVortalListCtrl::State::Painter::Text(int row, int column, HDC dc, COLORREF text, COLORREF back,
                                             const RECT& rect) {
    using namespace zrpc::dblist;
    HWND hwnd = s.Hwnd();
    unsigned long textColour = text, backColour = back;
    s.ctrl.GetDrawColors(row, column, textColour, backColour);
    Fill(dc, rect, backColour);
    char label[kTextLimit + 1];
    CellText(hwnd, row, column, label, sizeof label);
    if (!label[0]) return;
    const int justify = ColumnJustify(hwnd, column);
    UINT align = justify == LVCFMT_RIGHT ? DT_RIGHT : justify == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    const int margin = zrpc::ScaleForWindow(hwnd, 2);
    RECT r = rect;
    r.left += margin;
    r.right -= margin;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    ::DrawTextA(dc, label, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
}

void CDBVortalListCtrl::GetDrawColors(int row, int column, unsigned long& text, unsigned long& back) {
    zrpc::GuardVoid([&] {
        using namespace zrpc::dblist;
        if (!IsWindowEnabled(m_hwnd)) {
            text = m_colours[kGreyText];
            back = m_colours[kFace];
            return;
        }
        UINT state = View(m_hwnd).GetItemState(row, LVIS_SELECTED);
        DWORD ex = View(m_hwnd).GetExtendedStyle();
        if ((state & LVIS_SELECTED) && ((ex & LVS_EX_FULLROWSELECT) || column == 0)) {
            if (GetFocus() == m_hwnd) {
                text = m_colours[kHighlightText];
                back = m_colours[kHighlight];
            } else if (GetWindowLongA(m_hwnd, GWL_STYLE) & LVS_SHOWSELALWAYS) {
                text = m_colours[kWindowText];
                back = m_colours[kFace];
            }
        }
    });
}

void CDBVortalListCtrl::DrawCheckbox(int row, int column, HDC dc, unsigned long text, unsigned long back,
                                     RECT& rect, _tCDBVORTALLISTSCTRLDATA* records) {
    zrpc::GuardVoid([&] {
        // Records handed in that the control did not make are not read.
        if (records && !m_state->records.Owns(reinterpret_cast<LPARAM>(records))) records = nullptr;
        m_state->painter.Checkbox(row, column, dc, text, back, rect, records);
    });
}

void CDBVortalListCtrl::DrawTextA(int row, int column, HDC dc, unsigned long text, unsigned long back,
                                  RECT& rect, _tCDBVORTALLISTSCTRLDATA*) {
    zrpc::GuardVoid([&] { m_state->painter.Text(row, column, dc, text, back, rect); });
}
