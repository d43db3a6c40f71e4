// The report control's painting: the rows drawn off-screen and copied in one piece (the control's
// overridable DrawCtrl, DrawRow, DrawItem, DrawImage, DrawCheck, DrawText, DrawTreeBox and
// DrawBkgnd), the colours each row and text are drawn in, the palette made from the colour table and
// the background picture, and the picture tiled behind the rows.
//
// Colours: a row's background and its texts follow the system's scheme and the caller's colours as
// base/palette.h decides: a text is never drawn in a colour that cannot be read on its background, and
// in high contrast the system's colours alone are used (the caller's text and background colours, the
// stripes, marked rows and the background picture set aside; a selection without the focus is drawn in
// the highlight colours, which the scheme makes stand out). Sizes: the control's own sizes (the expand
// box, the check box's pens, the grid lines, margins) are given for 96 DPI and drawn at the window's
// density. Texts: the cells hold text in the process's code page; they are drawn with the Unicode text
// functions after conversion, so that a program running with UTF-8 as its code page shows them right.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_dpi.h"

using zrpc::report::CellRects;
using zrpc::report::SubItemDef;

namespace {

constexpr int kTextBuffer = 256;

RECT ToRect(const RVRECT& r) {
    RECT rc = {r.left, r.top, r.right, r.bottom};
    return rc;
}

RECT Rect(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

// The module whose code is at address (the caller of an export): the allocation base of the code.
HMODULE ModuleAt(const void* address) {
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(address, &info, sizeof info) && info.AllocationBase)
        return static_cast<HMODULE>(info.AllocationBase);
    return GetModuleHandleA(nullptr);
}

// The colour table a bitmap resource stores (none above 8 bits a pixel), read within the resource.
std::vector<COLORREF> StoredColours(HMODULE module, LPCSTR name) {
    std::vector<COLORREF> colours;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2)); // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER)) return colours;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size || header.biBitCount > 8) return colours;
    DWORD count = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
    count = std::min<DWORD>({count, 256u, (size - header.biSize) / (DWORD)sizeof(RGBQUAD)});
    for (DWORD i = 0; i < count; ++i) {
        RGBQUAD q;
        std::memcpy(&q, data + header.biSize + i * sizeof q, sizeof q);
        colours.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
    return colours;
}

} // namespace

// ---------------------------------------------------------------- off-screen painting

CReportCtrl::State::Painter::~Painter() {
    FreeBuffer();
    if (m_palette) DeleteObject(m_palette);
    if (m_picture) DeleteObject(m_picture);
}

void CReportCtrl::State::Painter::Paint() {
    s.Flush();
    HWND hwnd = s.Hwnd();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    int w = std::max<LONG>(1, client.right), h = std::max<LONG>(1, client.bottom);
    if (!m_memDC || m_memSize.cx != w || m_memSize.cy != h) {
        FreeBuffer();
        m_memDC = CreateCompatibleDC(dc);
        m_memBitmap = CreateCompatibleBitmap(dc, w, h);
        m_memOld = SelectObject(m_memDC, m_memBitmap);
        m_memSize.cx = w;
        m_memSize.cy = h;
    }
    HRGN clip = CreateRectRgnIndirect(&ps.rcPaint);
    SelectClipRgn(m_memDC, clip);
    HPALETTE screenOld = UsePalette(dc), memPalOld = UsePalette(m_memDC);
    // The buffer holds the control's font between paints (FreeBuffer lets it go before the font does).
    if (s.font && GetCurrentObject(m_memDC, OBJ_FONT) != s.font) SelectObject(m_memDC, s.font);
    s.ctrl.DrawCtrl(m_memDC);
    SelectClipRgn(m_memDC, nullptr);
    DeleteObject(clip);
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, m_memDC, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    if (memPalOld) SelectPalette(m_memDC, memPalOld, TRUE);
    if (screenOld) SelectPalette(dc, screenOld, TRUE);
    EndPaint(hwnd, &ps);
}

void CReportCtrl::State::Painter::PrintClient(HDC dc) {
    s.Flush();
    HPALETTE old = UsePalette(dc);
    s.ctrl.DrawCtrl(dc);
    if (old) SelectPalette(dc, old, TRUE);
}

void CReportCtrl::State::Painter::FreeBuffer() {
    if (!m_memDC) return;
    SelectObject(m_memDC, m_memOld);
    SelectObject(m_memDC, GetStockObject(SYSTEM_FONT));
    DeleteObject(m_memBitmap);
    DeleteDC(m_memDC);
    m_memDC = nullptr;
    m_memBitmap = nullptr;
}

void CReportCtrl::State::Painter::BeginPaintFocus() {
    m_paintFocus = s.HasFocus() ? 1 : 0;
    m_paintContrast = zrpc::HighContrastOn() ? 1 : 0;
}

bool CReportCtrl::State::Painter::Focused() const {
    return m_paintFocus >= 0 ? m_paintFocus != 0 : s.HasFocus();
}

bool CReportCtrl::State::Painter::HighContrast() const {
    return m_paintContrast >= 0 ? m_paintContrast != 0 : zrpc::HighContrastOn();
}

// ---------------------------------------------------------------- colours of rows and texts

CReportCtrl::State::Painter::RowColours
CReportCtrl::State::Painter::ColoursOfRow(int iRow, const _RVITEM& whole, bool selected) const {
    const COLORREF* sys = s.ctrl.m_crSys;
    bool contrast = HighContrast();
    RowColours c;
    c.selected = selected;
    if (selected && (Focused() || contrast))
        c.system = {sys[kHighlightText], sys[kHighlight]};
    else if (selected)
        c.system = {sys[kHighlightTextNoFocus], sys[kHighlightNoFocus]};
    else
        c.system = {sys[kText], IsWindowEnabled(s.Hwnd()) ? sys[kWindow] : sys[kDisabled]};
    if (selected || contrast) return c;
    int colours = s.model.GetColorCount();
    if (whole.iBkColor >= 0 && whole.iBkColor < colours) {
        c.hasBack = true;
        c.back = (COLORREF)s.model.GetColor(whole.iBkColor);
    } else if ((s.model.GetStyle() & RVS_STRIPEDROWS) && iRow >= 0 && (iRow & 1) && colours > 0) {
        c.hasBack = true;
        c.back = (COLORREF)s.model.GetColor(0);
    }
    return c;
}

COLORREF CReportCtrl::State::Painter::TextColour(const _RVITEM& item) const {
    RowColours c = m_inRow ? m_row : ColoursOfRow(-1, item, (item.nState & RVIS_CHOSEN) != 0);
    zrpc::palette::Request wanted;
    wanted.hasBack = c.hasBack;
    wanted.back = c.back;
    bool own =
        (item.nMask & RVIM_FORECOLOUR) && item.iTextColor >= 0 && item.iTextColor < s.model.GetColorCount();
    if (own && (!c.selected || (s.model.GetStyle() & RVS_KEEPCOLOURS))) {
        wanted.hasText = true;
        wanted.text = (COLORREF)s.model.GetColor(item.iTextColor);
    }
    return (COLORREF)zrpc::palette::Choose(wanted, c.system, HighContrast()).text;
}

// ---------------------------------------------------------------- the palette: the colour table's colours
// and the background picture's, for displays of 256 colours or fewer (elsewhere it changes nothing)

// Selects the palette into dc (as a background palette) and realises it; the palette it replaced, null
// when there is none to select.
HPALETTE CReportCtrl::State::Painter::UsePalette(HDC dc) const {
    if (!m_palette || !dc) return nullptr;
    HPALETTE old = SelectPalette(dc, m_palette, TRUE);
    RealizePalette(dc);
    return old;
}

bool CReportCtrl::State::Painter::RealisePalette(bool background) {
    HWND hwnd = s.Hwnd();
    if (!m_palette || !hwnd) return false;
    HDC dc = GetDC(hwnd);
    HPALETTE old = SelectPalette(dc, m_palette, background ? TRUE : FALSE);
    UINT changed = RealizePalette(dc);
    SelectPalette(dc, old, TRUE);
    ReleaseDC(hwnd, dc);
    if (changed != 0 && changed != GDI_ERROR) InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

bool CReportCtrl::State::Painter::RebuildPalette() {
    if (m_palette) DeleteObject(m_palette);
    m_palette = nullptr;
    std::vector<PALETTEENTRY> entries;
    auto add = [&](COLORREF c) {
        if (entries.size() < 256)
            entries.push_back(PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0});
    };
    for (int i = 0; i < s.model.GetColorCount(); ++i)
        add((COLORREF)s.model.GetColor(i));
    // A picture of 256 colours or fewer brings its own colour table.
    if (m_picture)
        for (COLORREF c : m_pictureColours)
            add(c);
    m_paletteBuilt = true;
    if (entries.empty()) return true;
    std::vector<BYTE> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    LOGPALETTE* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = (WORD)entries.size();
    std::copy(entries.begin(), entries.end(), log->palPalEntry);
    m_palette = CreatePalette(log);
    m_paletteBuilt = m_palette != nullptr;
    return m_paletteBuilt;
}

// ---------------------------------------------------------------- the background picture

bool CReportCtrl::State::Painter::LoadPicture(HMODULE module, const char* name) {
    // A numbered picture is taken at the window's density (its 150 % and 200 % forms where the module
    // has them; at 96 DPI the picture itself).
    bool numbered = IS_INTRESOURCE(name);
    UINT id = numbered ? (UINT)(uintptr_t)name : 0;
    HBITMAP bmp =
        numbered ? zrpc::LoadBitmapForDpi(module, id, s.dpi, LR_CREATEDIBSECTION)
                 : static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) return false;
    m_pictureModule = numbered ? module : nullptr;
    m_pictureId = id;
    BITMAP info = {};
    GetObjectA(bmp, sizeof info, &info);
    if (m_picture) DeleteObject(m_picture);
    m_picture = bmp;
    m_pictureSize.cx = info.bmWidth;
    m_pictureSize.cy = std::abs(info.bmHeight);
    m_pictureColours = StoredColours(module, name);
    if (s.Hwnd()) InvalidateRect(s.Hwnd(), nullptr, FALSE);
    return RebuildPalette();
}

void CReportCtrl::State::Painter::ReloadPicture() {
    if (m_picture && m_pictureModule) LoadPicture(m_pictureModule, MAKEINTRESOURCEA(m_pictureId));
}

bool CReportCtrl::State::Painter::DrawPicture(HDC dc, RECT rect, int x0, int y0) const {
    // In high contrast the rows show the system's colours, never a picture.
    if (!m_picture || m_pictureSize.cx <= 0 || m_pictureSize.cy <= 0 || HighContrast()) return false;
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) return false;
    HGDIOBJ old = SelectObject(mem, m_picture);
    int w = m_pictureSize.cx, h = m_pictureSize.cy;
    // First tile at or before the rectangle's corner, on the grid anchored at (x0, y0).
    auto start = [](int from, int anchor, int step) {
        int d = (from - anchor) % step;
        if (d < 0) d += step;
        return from - d;
    };
    for (int y = start(rect.top, y0, h); y < rect.bottom; y += h) {
        for (int x = start(rect.left, x0, w); x < rect.right; x += w) {
            int l = std::max<int>(x, rect.left), t = std::max<int>(y, rect.top);
            int r = std::min<int>(x + w, rect.right), b = std::min<int>(y + h, rect.bottom);
            BitBlt(dc, l, t, r - l, b - t, mem, l - x, t - y, SRCCOPY);
        }
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    return true;
}

BOOL CReportCtrl::SetBkImage(UINT nID) {
    HMODULE caller = ModuleAt(__builtin_return_address(0));
    return zrpc::Guard(FALSE,
                       [&]() -> BOOL { return m_state->painter.LoadPicture(caller, MAKEINTRESOURCEA(nID)); });
}

BOOL CReportCtrl::SetBkImage(LPCTSTR lpszResource) {
    HMODULE caller = ModuleAt(__builtin_return_address(0));
    return zrpc::Guard(
        FALSE, [&]() -> BOOL { return lpszResource && m_state->painter.LoadPicture(caller, lpszResource); });
}

// ---------------------------------------------------------------- the drawing (overridable)

namespace {

// Code-page text drawn with the Unicode functions (the text's characters as the process's code page
// means them), in one line of rc as DrawTextW draws it with format (an alignment, DT_VCENTER,
// DT_SINGLELINE, DT_END_ELLIPSIS and DT_NOPREFIX). A text that fits, which most cells are, is placed
// and drawn directly: DrawTextW would measure the font and the text again for each cell, which costs
// as much as drawing it.
void DrawCodePageText(HDC dc, const char* text, RECT* rc, UINT format) {
    std::wstring wide = zrpc::WideFromAnsi(text);
    SIZE size = {0, 0};
    if (GetTextExtentPoint32W(dc, wide.c_str(), (int)wide.size(), &size) && size.cx <= rc->right - rc->left) {
        int x = rc->left;
        if (format & DT_CENTER)
            x = (rc->left + rc->right - size.cx) / 2;
        else if (format & DT_RIGHT)
            x = rc->right - size.cx;
        int y = rc->top + (rc->bottom - rc->top) / 2 - size.cy / 2;
        ExtTextOutW(dc, x, y, ETO_CLIPPED, rc, wide.c_str(), (UINT)wide.size(), nullptr);
        return;
    }
    ::DrawTextW(dc, wide.c_str(), (int)wide.size(), rc, format);
}

// A pen of width pixels: a cosmetic one at one pixel (every style), else a geometric one that keeps
// its style (dots and dashes) at any width.
HPEN MakePen(int style, int width, COLORREF colour) {
    if (width <= 1 || style == PS_SOLID) return CreatePen(style, std::max(1, width), colour);
    LOGBRUSH lb = {BS_SOLID, colour, 0};
    return ExtCreatePen(PS_GEOMETRIC | (DWORD)style | PS_ENDCAP_FLAT, (DWORD)width, &lb, 0, nullptr);
}

// A line from (x0, y0) to (x1, y1) in pen, ends included as a one-pixel pen draws them.
void Line(HDC dc, HPEN pen, int x0, int y0, int x1, int y1) {
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
}

// A frame of width pixels inside box.
void Frame(HDC dc, const RECT& box, int width, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    for (int i = 0; i < width && box.left + i < box.right - i && box.top + i < box.bottom - i; ++i) {
        RECT r = {box.left + i, box.top + i, box.right - i, box.bottom - i};
        FrameRect(dc, &r, brush);
    }
    DeleteObject(brush);
}

} // namespace

void CReportCtrl::DrawBkgnd(HDC hDC, RECT rect, COLORREF crBackground) {
    SetBkColor(hDC, crBackground);
    ExtTextOutA(hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void CReportCtrl::DrawCtrl(HDC hDC) {
    State& s = *m_state;
    const RVRECT& list = s.geo.ListRect();
    RECT rcList = ToRect(list);
    RECT client;
    GetClientRect(m_hwnd, &client);
    s.painter.BeginPaintFocus(); // asked once per paint: the rows and cells below use it
    bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
    COLORREF back = enabled ? m_crSys[kWindow] : m_crSys[kDisabled];
    int x0 = list.left - s.geo.HPos();
    // The rows paint their own background: the fill here covers what lies above the list and, once the
    // rows are drawn, what is left below the last one.
    int rows = s.model.GetRowCount();
    RECT fill = client;
    if (rows > 0) fill.bottom = list.top;
    if (!enabled || !s.painter.DrawPicture(hDC, fill, x0, list.top)) DrawBkgnd(hDC, fill, back);
    // The control's font, selected only when the device context does not hold it already (the
    // off-screen buffer keeps it from one paint to the next: selecting a font makes the system realise
    // it again, which costs more than a screen of texts).
    HGDIOBJ font = s.font ? static_cast<HGDIOBJ>(s.font) : GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ oldFont = GetCurrentObject(hDC, OBJ_FONT);
    if (oldFont != font) SelectObject(hDC, font);
    SetBkMode(hDC, TRANSPARENT);
    // The focus frame shows while the control has the focus and no editor is open over a cell.
    bool focused = s.painter.Focused() && !s.editor.Window();
    int focusColumn = -1;
    int focusRow = s.model.GetCurrentFocus(&focusColumn);
    int rowHeight = s.geo.RowHeight();
    uint32_t style = s.model.GetStyle(); // the control's own style bits
    if (style & RVS_ENTRYROW) {
        RVRECT rr;
        s.geo.RowRect(-1, rr);
        DrawRow(hDC, ToRect(rr), client, -1);
        if (focused && focusRow == -1) {
            RECT fr = ToRect(s.geo.EditRect());
            ::DrawFocusRect(hDC, &fr);
        }
    }
    if (rows == 0) {
        const char* empty = reinterpret_cast<const char*>(s.model.GetProperty(RVP_EMPTYMESSAGE));
        if (empty && *empty) {
            RECT line = Rect(list.left, list.top, list.right, list.top + rowHeight + s.Px(4));
            SetTextColor(hDC, m_crSys[kText]);
            DrawCodePageText(hDC, empty, &line,
                             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        }
    } else {
        HRGN clip = CreateRectRgnIndirect(&rcList);
        ExtSelectClipRgn(hDC, clip, RGN_AND);
        int y = list.top;
        int right = x0 + std::max<int>(s.geo.TotalWidth(), list.right - list.left);
        for (int r = s.geo.Top(); r < rows && y < list.bottom; ++r) {
            int h = s.geo.RowHeightOf(r, true);
            RECT rr = Rect(x0, y, right, y + h);
            DrawRow(hDC, rr, rcList, r);
            if (focused && r == focusRow) {
                RECT fr = rr;
                int c0 = 0, c1 = 0;
                if (focusColumn >= 0 && (style & RVS_CELLFOCUS) && s.geo.ColumnRange(focusColumn, c0, c1)) {
                    fr.left = c0;
                    fr.right = c1;
                    fr.bottom = fr.top + rowHeight;
                }
                SetTextColor(hDC, RGB(0, 0, 0));
                SetBkColor(hDC, RGB(255, 255, 255));
                ::DrawFocusRect(hDC, &fr);
            }
            y += h;
        }
        if (y < client.bottom) {
            RECT below = Rect(client.left, y, client.right, client.bottom);
            if (!enabled || !s.painter.DrawPicture(hDC, below, x0, list.top)) DrawBkgnd(hDC, below, back);
        }
        SelectClipRgn(hDC, nullptr);
        DeleteObject(clip);
    }
    if (GetCurrentObject(hDC, OBJ_FONT) != oldFont) SelectObject(hDC, oldFont);
    s.painter.EndPaintFocus();
}

void CReportCtrl::DrawRow(HDC hDC, RECT rcRow, RECT rcClip, int iRow) {
    State& s = *m_state;
    uint32_t style = s.model.GetStyle(); // the control's own style bits
    bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
    int iItem = s.model.GetItemFromRow(iRow);
    int rowHeight = s.geo.RowHeight();
    int x0 = s.geo.ListRect().left - s.geo.HPos(), y0 = s.geo.ListRect().top;
    _RVITEM whole = {};
    whole.iItem = iItem;
    whole.iSubItem = -1;
    s.model.GetItem(&whole);
    bool focused = s.painter.Focused();
    bool selected = (whole.nState & RVIS_CHOSEN) && (focused || (style & RVS_KEEPSELECTIONVISIBLE));
    State::Painter::RowColours colours = s.painter.ColoursOfRow(iRow, whole, selected);
    COLORREF back = State::Painter::BackOf(colours);
    RECT cells = rcRow;
    cells.bottom = cells.top + rowHeight;
    bool plain = !selected && whole.iBkColor < 0 && enabled; // stripes give way to the picture
    if (!plain || !s.painter.DrawPicture(hDC, rcRow, x0, y0)) DrawBkgnd(hDC, cells, back);
    s.painter.BeginRow(colours); // the cells' texts are chosen against the row's colours
    // Selecting a font makes the system realise it for the device context again, which costs about as
    // much as drawing the row's texts: a row in the font already selected (the control's, selected once
    // per paint by DrawCtrl) selects nothing. Either way the row ends with the font it found.
    HFONT rowFont = (whole.nState & RVIS_HEAVYFONT) && s.bold ? s.bold : s.font;
    HGDIOBJ oldFont = GetCurrentObject(hDC, OBJ_FONT);
    if (oldFont != rowFont) SelectObject(hDC, rowFont);
    const std::vector<int>& cols = s.model.GetColumnOrder();
    RVRECT rowRect = {rcRow.left, rcRow.top, rcRow.right, rcRow.bottom};
    char buffer[kTextBuffer];
    int x = rcRow.left;
    // A tree node showing its tree sub-item draws that one from the first column to the row's end.
    int span = -1;
    if (iItem >= 0 && (style & RVS_TREEMASK)) span = s.model.GetTreeSubItem(s.model.GetItemHandle(iItem));
    for (int c = 0; c < (int)cols.size() && (span < 0 || c == 0); ++c) {
        const SubItemDef* def = s.model.GetSubItemDef(cols[(size_t)c]);
        int left = x;
        x = span >= 0 ? rcRow.left + s.geo.TotalWidth() : x + (def ? def->width : 0);
        if (x < rcClip.left || left > rcClip.right) continue; // a column outside the list area
        _RVITEM it = {};
        it.nMask = RVIM_LABEL;
        it.iItem = iItem;
        it.iSubItem = span >= 0 ? span : cols[(size_t)c];
        buffer[0] = 0;
        it.lpszText = buffer;
        it.iTextMax = sizeof buffer;
        if (!s.model.GetItem(&it)) continue;
        CellRects cell;
        if (!s.geo.CellInRow(rowRect, iRow, c, cell, &it)) continue;
        it.nState = whole.nState;
        if (selected)
            it.nState |= RVIS_CHOSEN;
        else
            it.nState &= ~RVIS_CHOSEN;
        if (c == 0 && cell.box.right > cell.box.left)
            DrawTreeBox(hDC, ToRect(cell.box), whole.nState & (RVIS_COLLAPSED | RVIS_EXPANDED));
        RECT area = ToRect(cell.cell);
        area.left = cell.box.right > cell.box.left ? cell.box.right : cell.cell.left;
        if (span >= 0) area.right = x;
        if ((whole.nState & RVIS_CUSTOMDRAW)) {
            _NMRVDRAWITEM nm = {};
            nm.lpItem = &it;
            nm.hDC = hDC;
            nm.rect = {area.left, area.top, area.right, area.bottom};
            if (s.model.Notify(&nm.hdr, RVN_PAINTITEM)) continue;
        }
        // A cell with room for its image and check box stays inside its rectangle (the text ends in an
        // ellipsis); only narrower cells, or cells cut by the paint area, need a clip of their own.
        bool inside = area.left >= rcClip.left && area.right <= rcClip.right && area.top >= rcClip.top &&
                      area.bottom <= rcClip.bottom && cell.check.right <= area.right &&
                      cell.image.right <= area.right;
        if (inside) {
            DrawItem(hDC, area, &it);
        } else {
            SaveDC(hDC);
            IntersectClipRect(hDC, std::max(area.left, rcClip.left), std::max(area.top, rcClip.top),
                              std::min(area.right, rcClip.right), std::min(area.bottom, rcClip.bottom));
            DrawItem(hDC, area, &it);
            RestoreDC(hDC, -1);
        }
    }
    s.painter.EndRow();
    if (GetCurrentObject(hDC, OBJ_FONT) != oldFont) SelectObject(hDC, oldFont);
    int preview = rcRow.bottom - cells.bottom;
    if (preview > 0) {
        if (!plain || !s.painter.DrawPicture(hDC, rcRow, x0, y0))
            DrawBkgnd(hDC, Rect(rcRow.left, cells.bottom, rcRow.right, rcRow.bottom), back);
        _NMRVDRAWPREVIEW nm = {};
        nm.iItem = iItem;
        nm.nState = whole.nState;
        nm.hDC = hDC;
        nm.rect = {rcRow.left, cells.bottom, rcRow.right, rcRow.bottom};
        nm.lParam = whole.lParam;
        s.model.Notify(&nm.hdr, RVN_PAINTPREVIEW);
    }
    if (style & (RVS_ROWLINES | RVS_COLUMNLINES)) {
        // Grid lines as wide as the pixels RVS_ROWLINES adds to a row, inside the row's bottom edge and
        // the columns' right edges.
        static const int kPens[] = {PS_DOT, PS_DASH, PS_SOLID};
        int ls = (int)s.model.GetProperty(RVP_LINESTYLE);
        int width = s.RowLineWidth();
        // In high contrast the scheme's text colour: the grid colour (the button face) is the window's
        // own colour in the black and white schemes.
        COLORREF grid = s.painter.HighContrast() ? m_crSys[kText] : m_crSys[kGrid];
        HPEN pen = MakePen(kPens[std::max(0, std::min(2, ls))], width, grid);
        SetBkColor(hDC, back);
        int half = width / 2; // a wide pen is centred on its line
        if (style & RVS_ROWLINES)
            Line(hDC, pen, rcRow.left, rcRow.bottom - width + half, rcRow.right, rcRow.bottom - width + half);
        if (style & RVS_COLUMNLINES) {
            int lx = x0;
            for (int sub : cols) {
                lx += s.model.GetSubItemDef(sub)->width;
                Line(hDC, pen, lx - width + half, rcRow.top, lx - width + half, rcRow.bottom);
            }
        }
        DeleteObject(pen);
    }
}

void CReportCtrl::DrawItem(HDC hDC, RECT rect, _RVITEM* pItem) {
    State& s = *m_state;
    int gap = (int)s.model.GetProperty(RVP_GAP);
    const SubItemDef* def = s.model.GetSubItemDef(pItem->iSubItem);
    RECT r = rect;
    bool wantImage = (pItem->nMask & RVIM_PICTURE) || (def && (def->format & RVCF_IMAGESPACE));
    if (wantImage && s.images) {
        r.left += gap;
        if (r.left + s.geo.ImageWidth() > rect.right) return; // no room for the image: nothing further
        if (pItem->nMask & RVIM_PICTURE) DrawImage(hDC, r, pItem, (pItem->nState & RVIS_CHOSEN) != 0);
        r.left += s.geo.ImageWidth();
    }
    if ((pItem->nMask & RVIM_CHECKMARK) || (def && (def->format & RVCF_CHECKSPACE))) {
        r.left += gap;
        int w = s.geo.CheckAreaWidth();
        if (pItem->nMask & RVIM_CHECKMARK) DrawCheck(hDC, r, pItem);
        r.left += w;
    }
    r.left += gap;
    r.right -= gap;
    if ((pItem->nMask & RVIM_LABEL) && r.right > r.left) DrawText(hDC, r, pItem);
}

int CReportCtrl::DrawImage(HDC hDC, RECT rect, _RVITEM* pItem, BOOL bSelected) {
    State& s = *m_state;
    if (!s.images || pItem->iImage < 0) return 0;
    int y = rect.top + (s.geo.RowHeight() - s.geo.ImageHeight()) / 2;
    UINT style = ILD_TRANSPARENT;
    int mode = (int)s.model.GetProperty(RVP_PICTUREHIGHLIGHT);
    COLORREF blend = CLR_NONE;
    if (mode == 0) {
        if (pItem->nState & RVIS_FADEHALF)
            style |= ILD_BLEND50, blend = (COLORREF)s.model.GetProperty(RVP_FADECOLOUR);
        else if (pItem->nState & RVIS_FADEQUARTER)
            style |= ILD_BLEND25, blend = (COLORREF)s.model.GetProperty(RVP_FADECOLOUR);
    } else {
        bool focusRow = s.model.GetCurrentFocus(nullptr) == s.model.GetRowFromItem(pItem->iItem);
        if ((mode & 1) && bSelected)
            style |= ILD_BLEND50, blend = m_crSys[kHighlight];
        else if ((mode & 2) && focusRow)
            style |= ILD_BLEND25, blend = m_crSys[kHighlight];
    }
    if ((pItem->nMask & RVIM_OVERLAYIMAGE) && pItem->iOverlay >= 0)
        style |= INDEXTOOVERLAYMASK((UINT)pItem->iOverlay & 0x0F);
    ImageList_DrawEx(s.images, pItem->iImage, hDC, rect.left, y, 0, 0, CLR_NONE, blend, style);
    return s.geo.ImageWidth();
}

int CReportCtrl::DrawCheck(HDC hDC, RECT rect, _RVITEM* pItem) {
    State& s = *m_state;
    int state = pItem->iCheck;
    if (state < 0) return 0;
    int w = s.geo.CheckAreaWidth(), h = s.geo.CheckAreaHeight();
    int y = rect.top + (s.geo.RowHeight() - h) / 2;
    if (s.checkImages) {
        ImageList_Draw(s.checkImages, state, hDC, rect.left, y, ILD_TRANSPARENT);
        return w;
    }
    RECT box = Rect(rect.left, y, rect.left + w, y + h);
    bool checked = state & 1, crossed = state & 2, greyed = state & 4;
    bool contrast = s.painter.HighContrast();
    int look = (int)s.model.GetProperty(RVP_CHECKBOXLOOK);
    int px1 = s.Px(1), px2 = s.Px(2), px3 = s.Px(3);
    if (look == 2) {
        DrawFrameControl(hDC, &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (greyed ? DFCS_INACTIVE : 0));
    } else {
        DrawBkgnd(hDC, box, greyed ? m_crSys[kDisabled] : m_crSys[kWindow]);
        // The monochrome box in the text colour (black in the default scheme, readable in every
        // scheme); the flat one in the shadow colour, or the text colour in high contrast.
        Frame(hDC, box, px1, look == 1 || contrast ? m_crSys[kText] : m_crSys[kShadow]);
        if (checked) {
            HPEN mark = CreatePen(PS_SOLID, px2, greyed ? m_crSys[kShadow] : m_crSys[kText]);
            HGDIOBJ old = SelectObject(hDC, mark);
            MoveToEx(hDC, box.left + px2, box.top + h / 2, nullptr);
            LineTo(hDC, box.left + w / 2 - px1, box.bottom - px3);
            LineTo(hDC, box.right - px2, box.top + px1);
            SelectObject(hDC, old);
            DeleteObject(mark);
        }
    }
    if (crossed) {
        // The red cross; in high contrast the scheme's text colour.
        HPEN red = CreatePen(PS_SOLID, px2, contrast ? m_crSys[kText] : RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(hDC, red);
        MoveToEx(hDC, box.left + px1, box.top + px1, nullptr);
        LineTo(hDC, box.right - px1, box.bottom - px1);
        MoveToEx(hDC, box.right - px1, box.top + px1, nullptr);
        LineTo(hDC, box.left + px1, box.bottom - px1);
        SelectObject(hDC, old);
        DeleteObject(red);
    }
    return w;
}

int CReportCtrl::DrawText(HDC hDC, RECT rect, _RVITEM* pItem) {
    State& s = *m_state;
    SetTextColor(hDC, s.painter.TextColour(*pItem));
    const SubItemDef* def = s.model.GetSubItemDef(pItem->iSubItem);
    UINT align = DT_LEFT;
    if (def && (def->format & 3) == 1) align = DT_RIGHT;
    if (def && (def->format & 3) == 2) align = DT_CENTER;
    RECT r = rect;
    r.bottom = r.top + s.geo.RowHeight();
    DrawCodePageText(hDC, pItem->lpszText, &r,
                     align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    return 1;
}

void CReportCtrl::DrawTreeBox(HDC hDC, RECT rect, UINT nState) {
    State& s = *m_state;
    if (!(nState & (RVIS_COLLAPSED | RVIS_EXPANDED))) return;
    RVRECT square = {rect.left, rect.top, rect.right, rect.bottom};
    RECT box = ToRect(s.geo.ExpandBox(square));
    if (box.right <= box.left) return;
    int px1 = s.Px(1), px2 = s.Px(2);
    DrawBkgnd(hDC, box, m_crSys[kWindow]);
    Frame(hDC, box, px1, s.painter.HighContrast() ? m_crSys[kText] : m_crSys[kShadow]);
    // The bars: one pixel (scaled) thick, through the box's middle, two pixels (scaled) from its frame.
    int size = box.right - box.left;
    int mid = size / 2 - px1 / 2;
    HBRUSH sign = CreateSolidBrush(m_crSys[kText]);
    RECT bar = Rect(box.left + px2, box.top + mid, box.right - px2, box.top + mid + px1);
    FillRect(hDC, &bar, sign);
    if (nState & RVIS_COLLAPSED) {
        bar = Rect(box.left + mid, box.top + px2, box.left + mid + px1, box.bottom - px2);
        FillRect(hDC, &bar, sign);
    }
    DeleteObject(sign);
}
