// CReportCtrl: the report control's window. A view over the portable model (reportctrl/model): the
// model holds items, columns, rows, selection and focus; the window lays out the header, the edit
// row and the list, scrolls by rows and pixels, paints the visible rows off-screen, hit-tests and
// sends the notifications to the parent.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <typeinfo>
#include <vector>

#include "frame/win_frame.h"
#include "include/zrpcreportctrl.h"
#include "reportctrl/model/report_model.h"
#include "reportctrl/win_report_user.h"
#include "reportctrl/win_report_extras.h"
#include "winlayer/win_window.h"

using zrpc::report::ReportModel;

namespace {

const char kClassName[] = "MFCReportCtrl";
constexpr int kTextBuffer = 256;
constexpr int kHeaderId = 0;
constexpr UINT kApplyOrder = WM_APP + 0x3A1; // posted to itself after a header drag

// The window procedure of "MFCReportCtrl" windows made by something other than CReportCtrl::Create
// (a dialog template naming the class): a plain window until an object takes it over.
LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Registers the class once per module; false when the system refuses it.
bool RegisterReportClass() {
    return zwin::RegisterModuleClass(kClassName, PlainProc, CS_DBLCLKS,
                                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)), 0);
}

// The process's profile store (SetProfileStore).
struct ProfileStore {
    std::string registryKey;
    std::string iniFile;
};
ProfileStore& Store() {
    static ProfileStore store;
    return store;
}

std::string RegistryKeyFor(const char* section) {
    std::string key = Store().registryKey;
    if (key.empty()) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof path);
        path[sizeof path - 1] = 0;
        std::string name = path;
        size_t slash = name.find_last_of("\\/");
        if (slash != std::string::npos) name.erase(0, slash + 1);
        size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.erase(dot);
        key = "Software\\" + name;
    }
    return key + "\\" + section;
}

bool WriteProfileText(const char* section, const char* entry, const std::string& value) {
    if (!Store().iniFile.empty())
        return WritePrivateProfileStringA(section, entry, value.c_str(), Store().iniFile.c_str()) != FALSE;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RegistryKeyFor(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             (DWORD)value.size() + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string ReadProfileText(const char* section, const char* entry) {
    char buffer[4096] = "";
    if (!Store().iniFile.empty()) {
        GetPrivateProfileStringA(section, entry, "", buffer, sizeof buffer, Store().iniFile.c_str());
        return buffer;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyFor(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    DWORD type = 0, size = sizeof buffer - 1;
    LONG rc = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::string();
    buffer[std::min<DWORD>(size, sizeof buffer - 1)] = 0;
    return buffer;
}

RECT Rect(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

bool InRect(const RECT& rc, int x, int y) {
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

} // namespace

// ---------------------------------------------------------------- the window's state

class CReportCtrl::Impl : public zrpc::report::ReportHost {
  public:
    explicit Impl(CReportCtrl* owner) : self(owner), model(this) {}

    // Parts of one cell on screen.
    struct Cell {
        RECT cell;  // the whole cell
        RECT box;   // tree expand box (empty when none)
        RECT image; // image area (empty when none)
        RECT check; // check-box area (empty when none)
        RECT text;  // text area
    };

    intptr_t Notify(RVNMHDR* hdr) override { return self->Notify(hdr); }
    void RepaintRows(int first, int last) override {
        self->ItemChanged(); // an item changed: its tip, if shown, is out of date
        if (!self->m_hwnd || !redraw) return;
        if (first == -2 || last == -2) {
            InvalidateRect(self->m_hwnd, nullptr, FALSE);
            return;
        }
        for (int row = std::max(first, -1); row <= last; ++row) {
            RECT rc;
            if (RowRect(row, rc)) InvalidateRect(self->m_hwnd, &rc, FALSE);
            if (row > first + 256) { // a long range: everything below the first row
                InvalidateRect(self->m_hwnd, nullptr, FALSE);
                break;
            }
        }
    }
    // The scroll bars follow on the next look at the geometry (or the next paint), so that adding
    // many items costs no scroll-bar update per item.
    void RowsChanged() override {
        self->ItemChanged();
        if (!self->m_hwnd) return;
        scrollStale = true;
        if (redraw) InvalidateRect(self->m_hwnd, nullptr, FALSE);
    }
    void Flush() {
        if (scrollStale && self->m_hwnd) UpdateScrollBars();
    }
    void ShowRow(int row) override {
        if (!self->m_hwnd) return;
        if (row == -2) {
            SetTop(0);
            return;
        }
        EnsureRowVisible(row, false);
    }
    void ColoursChanged() override {
        paletteBuilt = self->RebuildPalette();
        if (self->m_hwnd && redraw) InvalidateRect(self->m_hwnd, nullptr, FALSE);
    }
    void ColumnsChanged() override {
        if (inSync)
            RecountWidth();
        else
            SyncHeader();
    }
    // A derived control may override the comparison, and the model must then sort through it; the
    // control's own class keeps the model's faster built-in sort (same order).
    bool CustomCompare() const override { return typeid(*self) != typeid(CReportCtrl); }
    int CompareItems(ReportModel&, int i1, int s1, int i2, int s2) override {
        return self->CompareItems(i1, s1, i2, s2);
    }
    // The overridable operations of the control.
    zrpc::report::Item* CacheLookup(ReportModel&, int iItem) override { return self->CacheLookup(iItem); }
    zrpc::report::Item* CacheAdd(ReportModel&, int iItem) override { return self->CacheAdd(iItem); }
    void CacheDelete(ReportModel&, int iItem) override { self->CacheDelete(iItem); }
    zrpc::report::Item* GetItemStruct(ReportModel&, int iItem, int iSubItem, uint32_t nMask) override {
        return self->GetItemStruct(iItem, iSubItem, nMask);
    }
    bool SetItemStruct(ReportModel&, int iItem, zrpc::report::Item& item) override {
        return self->SetItemStruct(iItem, item) != FALSE;
    }
    void LoadItemData(ReportModel&, zrpc::report::Item* pItem, int iItem, int iSubItem,
                      uint32_t nMask) override {
        self->LoadItemData(pItem, iItem, iSubItem, nMask);
    }
    std::string ExpandedItemText(ReportModel&, int iItem, int iSubItem) override {
        CString text = self->GetExpandedItemText(iItem, iSubItem);
        return std::string(text.GetString(), (size_t)text.GetLength());
    }
    void QuickSort(ReportModel&, int iSubItem, int lo, int hi, bool bAscending) override {
        self->QuickSort(iSubItem, lo, hi, bAscending);
    }
    void TreeSort(ReportModel&, int iSubItem, _TREEITEM* hParent, bool bAscending, bool bRecursive) override {
        self->TreeSort(iSubItem, hParent, bAscending, bRecursive);
    }
    void ItemRemoving(int iItem) override { user.ItemRemoving(iItem); }
    void ItemInserted(int iItem) override { user.ItemInserted(iItem); }
    void ItemCountSet(int nCount) override { user.ItemCountSet(nCount); }

    // ---- geometry
    int RowHeightOf(int row) {
        int h = rowHeight;
        if (row >= 0 && model.GetProperty(RVP_USEPREVIEW)) {
            _RVITEM it = {};
            it.iItem = model.GetItemFromRow(row);
            it.iSubItem = -1;
            if (model.GetItem(&it) && it.nPreview > 0) h += it.nPreview;
        }
        return h;
    }
    int PreviewOf(int row) {
        if (row < 0 || !model.GetProperty(RVP_USEPREVIEW)) return 0;
        _RVITEM it = {};
        it.iItem = model.GetItemFromRow(row);
        it.iSubItem = -1;
        return model.GetItem(&it) && it.nPreview > 0 ? it.nPreview : 0;
    }
    // The rectangle of a row in client coordinates (the edit row for -1), preview included. False
    // for a row that does not exist.
    bool RowRect(int row, RECT& rc) {
        int left = rcList.left - hpos, right = left + std::max<int>(totalWidth, rcList.right - rcList.left);
        if (row == -1) {
            if (!(self->GetStyle() & RVS_ENTRYROW)) return false;
            rc = Rect(left, rcEdit.top, right, rcEdit.top + rowHeight);
            return true;
        }
        if (row < 0 || row >= model.GetRowCount()) return false;
        int y = rcList.top;
        if (row >= top) {
            for (int r = top; r < row; ++r) {
                y += RowHeightOf(r);
                if (y > rcList.bottom + 32767) break;
            }
        } else {
            for (int r = row; r < top; ++r)
                y -= RowHeightOf(r);
        }
        rc = Rect(left, y, right, y + RowHeightOf(row));
        return true;
    }
    // Column x range (display position) in client coordinates.
    bool ColumnRange(int column, int& x0, int& x1) {
        const std::vector<int>& cols = model.GetColumnOrder();
        if (column < 0 || column >= (int)cols.size()) return false;
        int x = rcList.left - hpos;
        for (int c = 0; c < column; ++c)
            x += model.GetSubItemDef(cols[(size_t)c])->width;
        x0 = x;
        x1 = x + model.GetSubItemDef(cols[(size_t)column])->width;
        return true;
    }
    int IndentOf(int iItem) {
        if (!(self->GetStyle() & RVS_TREEMASK) && !indentFirst) return 0;
        _RVITEM it = {};
        it.iItem = iItem;
        it.iSubItem = -1;
        if (iItem < 0 || !model.GetItem(&it) || it.iIndent < 0) return 0;
        return it.iIndent * rowHeight;
    }
    int CheckWidth() { return (int)(model.GetProperty(RVP_CHECKBOXSIZE) & 0xFFFF); }
    int CheckHeight() { return (int)((model.GetProperty(RVP_CHECKBOXSIZE) >> 16) & 0xFFFF); }
    // The check area of a cell: the check image list's images when one is set, else the drawn box.
    int CheckAreaWidth() { return checkImages ? checkSize.cx : CheckWidth(); }
    int CheckAreaHeight() { return checkImages ? checkSize.cy : CheckHeight(); }

    // The parts of a cell: row rectangle (without preview) and column.
    bool CellParts(int row, int column, Cell& out) {
        RECT rr;
        if (!RowRect(row, rr)) return false;
        return CellPartsInRow(rr, row, column, out);
    }
    // The same for a row whose rectangle is known (painting: no walk from the top row).
    bool CellPartsInRow(RECT rr, int row, int column, Cell& out, const _RVITEM* known = nullptr) {
        rr.bottom = rr.top + rowHeight;
        int x0 = 0, x1 = 0;
        if (!ColumnRange(column, x0, x1)) return false;
        int iItem = row == -1 ? -1 : model.GetItemFromRow(row);
        int iSubItem = model.GetSubItemFromColumn(column);
        const zrpc::report::SubItemDef* def = model.GetSubItemDef(iSubItem);
        out.cell = Rect(x0, rr.top, x1, rr.bottom);
        out.box = out.image = out.check = Rect(0, 0, 0, 0);
        int gap = (int)model.GetProperty(RVP_GAP);
        int x = x0;
        if (column == 0 && iItem >= 0) {
            int indent = IndentOf(iItem);
            x += indent;
            if ((self->GetStyle() & RVS_TREEMASK) && indent > 0)
                out.box = Rect(x - rowHeight, rr.top, x, rr.bottom);
        }
        _RVITEM it = {};
        it.iItem = iItem;
        it.iSubItem = iSubItem;
        bool have = true;
        if (known)
            it = *known; // the cell as the caller already read it
        else
            have = model.GetItem(&it);
        bool image = (have && (it.nMask & RVIM_PICTURE)) || (def && (def->format & RVCF_IMAGESPACE));
        bool check = (have && (it.nMask & RVIM_CHECKMARK)) || (def && (def->format & RVCF_CHECKSPACE));
        if (image && images) {
            x += gap;
            int y = rr.top + (rowHeight - imageSize.cy) / 2;
            out.image = Rect(x, y, x + imageSize.cx, y + imageSize.cy);
            x += imageSize.cx;
        }
        if (check) {
            x += gap;
            int w = CheckAreaWidth(), h = CheckAreaHeight();
            int y = rr.top + (rowHeight - h) / 2;
            out.check = Rect(x, y, x + w, y + h);
            x += w;
        }
        x += gap;
        out.text = Rect(std::min(x, x1), rr.top, std::max(std::min(x, x1), x1 - gap), rr.bottom);
        return true;
    }

    // ---- layout and scrolling
    void Layout() {
        HWND hwnd = self->m_hwnd;
        if (!hwnd) return;
        RECT client;
        GetClientRect(hwnd, &client);
        DWORD style = self->GetStyle();
        int headerHeight = 0;
        if (header && !(style & RVS_HEADERLESS)) {
            RECT rc = client;
            WINDOWPOS wp = {};
            HDLAYOUT hl = {&rc, &wp};
            SendMessageA(header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&hl));
            headerHeight = wp.cy;
        }
        rcHeader = Rect(client.left, client.top, client.right, client.top + headerHeight);
        int y = rcHeader.bottom;
        if (style & RVS_ENTRYROW) {
            rcEdit =
                Rect(client.left, y, client.right, y + rowHeight + 2 * GetSystemMetrics(SM_CYFIXEDFRAME));
            y = rcEdit.bottom;
        } else {
            rcEdit = Rect(client.left, y, client.right, y);
        }
        rcList = Rect(client.left, y, client.right, std::max<int>(y, client.bottom));
        if (header) {
            ShowWindow(header, (style & RVS_HEADERLESS) ? SW_HIDE : SW_SHOWNA);
            PositionHeader();
        }
        UpdateScrollBars();
        SetTop(top);
        SetHPos(hpos);
        if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
    }
    void PositionHeader() {
        if (!header) return;
        int width = std::max<int>(totalWidth + hpos, rcHeader.right - rcHeader.left + hpos);
        SetWindowPos(header, nullptr, rcHeader.left - hpos, rcHeader.top, width,
                     rcHeader.bottom - rcHeader.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Rows that fit from the top row down.
    int VisibleCount(bool partial) {
        Flush();
        int rows = model.GetRowCount(), height = rcList.bottom - rcList.top, n = 0, y = 0;
        for (int r = top; r < rows; ++r) {
            int h = RowHeightOf(r);
            if (y + h > height) {
                if (partial && y < height) ++n;
                break;
            }
            y += h;
            ++n;
        }
        if (n == 0 && !partial) {
            // Below the last row: count what a full page of default rows would hold.
            n = rowHeight > 0 ? height / rowHeight : 0;
            if (rows - top > 0) n = std::min(n, rows - top);
        }
        return n;
    }
    // The top row that shows the last page full.
    int LastPageTop() {
        int rows = model.GetRowCount(), height = rcList.bottom - rcList.top, y = 0, r = rows;
        while (r > 0) {
            int h = RowHeightOf(r - 1);
            if (y + h > height) break;
            y += h;
            --r;
        }
        if (r == rows && rows > 0) r = rows - 1; // one row taller than the list
        return std::max(0, r);
    }
    void SetTop(int row) {
        int maxTop = LastPageTop();
        row = std::max(0, std::min(row, maxTop));
        if (row != top) {
            top = row;
            if (redraw && self->m_hwnd) InvalidateRect(self->m_hwnd, nullptr, FALSE);
        }
        if (!self->m_hwnd) return;
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS;
        si.nPos = top;
        SetScrollInfo(self->m_hwnd, SB_VERT, &si, redraw);
    }
    void SetHPos(int pos) {
        int page = rcList.right - rcList.left;
        pos = std::max(0, std::min(pos, totalWidth - page));
        if (pos != hpos) {
            hpos = pos;
            if (redraw && self->m_hwnd) InvalidateRect(self->m_hwnd, nullptr, FALSE);
        }
        PositionHeader();
        if (!self->m_hwnd) return;
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS;
        si.nPos = hpos;
        SetScrollInfo(self->m_hwnd, SB_HORZ, &si, redraw);
    }
    void UpdateScrollBars() {
        HWND hwnd = self->m_hwnd;
        if (!hwnd) return;
        scrollStale = false;
        int rows = model.GetRowCount();
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = std::max(0, rows - 1);
        int lastTop = LastPageTop();
        si.nPage = (UINT)std::max(1, rows - lastTop);
        if (rows == 0 || lastTop == 0) si.nPage = (UINT)(si.nMax + 1);
        top = std::max(0, std::min(top, lastTop));
        si.nPos = top;
        SetScrollInfo(hwnd, SB_VERT, &si, redraw);
        si.nMax = std::max(0, totalWidth - 1);
        si.nPage = (UINT)std::max<LONG>(0, rcList.right - rcList.left);
        hpos = std::max(0, std::min(hpos, totalWidth - (int)si.nPage));
        si.nPos = hpos;
        if (model.GetProperty(RVP_USEHSCROLL))
            SetScrollInfo(hwnd, SB_HORZ, &si, redraw);
        else
            ShowScrollBar(hwnd, SB_HORZ, FALSE);
    }
    void EnsureRowVisible(int row, bool partial) {
        Flush();
        if (row < 0 || row >= model.GetRowCount()) return;
        if (row < top) {
            SetTop(row);
            return;
        }
        int n = VisibleCount(partial);
        if (row < top + n) return;
        // Scroll down until the row fits at the bottom.
        int height = rcList.bottom - rcList.top, y = 0, r = row + 1;
        while (r > 0) {
            int h = RowHeightOf(r - 1);
            if (y + h > height && r <= row) break;
            y += h;
            --r;
        }
        SetTop(r);
    }
    void VScroll(int code, int thumb) {
        Flush();
        int page = std::max(1, VisibleCount(false));
        switch (code) {
        case SB_LINEUP:
            SetTop(top - 1);
            break;
        case SB_LINEDOWN:
            SetTop(top + 1);
            break;
        case SB_PAGEUP:
            SetTop(top - page);
            break;
        case SB_PAGEDOWN:
            SetTop(top + page);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            SetTop(thumb);
            break;
        case SB_TOP:
            SetTop(0);
            break;
        case SB_BOTTOM:
            SetTop(LastPageTop());
            break;
        default:
            break;
        }
    }
    void HScroll(int code, int thumb) {
        int width = rcList.right - rcList.left;
        switch (code) {
        case SB_LINELEFT:
            SetHPos(hpos - std::max(1, width / 8));
            break;
        case SB_LINERIGHT:
            SetHPos(hpos + std::max(1, width / 8));
            break;
        case SB_PAGELEFT:
            SetHPos(hpos - width);
            break;
        case SB_PAGERIGHT:
            SetHPos(hpos + width);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            SetHPos(thumb);
            break;
        case SB_LEFT:
            SetHPos(0);
            break;
        case SB_RIGHT:
            SetHPos(totalWidth);
            break;
        default:
            break;
        }
    }
    int ThumbPos(int bar) {
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(self->m_hwnd, bar, &si);
        return si.nTrackPos;
    }

    // ---- the header
    void SyncHeader() {
        if (!header) return;
        SendMessageA(header, WM_SETREDRAW, FALSE, 0);
        while (SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) > 0)
            SendMessageA(header, HDM_DELETEITEM, 0, 0);
        totalWidth = 0;
        const std::vector<int>& cols = model.GetColumnOrder();
        for (size_t c = 0; c < cols.size(); ++c) {
            const zrpc::report::SubItemDef* def = model.GetSubItemDef(cols[c]);
            if (!def) continue;
            HDITEMA hd = {};
            hd.mask = HDI_FORMAT | HDI_WIDTH | HDI_LPARAM;
            hd.fmt = (int)(def->format & 0xFFFF) & ~HDF_IMAGE;
            hd.cxy = def->width;
            hd.lParam = cols[c];
            if (def->format & HDF_STRING) {
                hd.mask |= HDI_TEXT;
                hd.pszText = const_cast<char*>(def->text.c_str());
            }
            if ((def->format & HDF_IMAGE) && images) {
                hd.mask |= HDI_IMAGE;
                hd.fmt |= HDF_IMAGE;
                hd.iImage = def->image;
            }
            SendMessageA(header, HDM_INSERTITEMA, c, reinterpret_cast<LPARAM>(&hd));
            totalWidth += def->width;
        }
        SendMessageA(header, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(header, nullptr, TRUE);
        if (self->m_hwnd) {
            PositionHeader();
            UpdateScrollBars();
            SetHPos(hpos);
            if (redraw) InvalidateRect(self->m_hwnd, nullptr, FALSE);
        }
    }

    // ---- fonts
    void ApplyFont(HFONT source, bool repaint) {
        LOGFONTA lf = {};
        if (!source || !GetObjectA(source, sizeof lf, &lf))
            GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        HFONT normal = CreateFontIndirectA(&lf);
        lf.lfWeight = FW_BOLD;
        HFONT heavy = CreateFontIndirectA(&lf);
        if (!normal || !heavy) {
            if (normal) DeleteObject(normal);
            if (heavy) DeleteObject(heavy);
            return;
        }
        FreeFonts();
        font = normal;
        bold = heavy;
        HDC dc = GetDC(self->m_hwnd);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(self->m_hwnd, dc);
        rowHeight = tm.tmHeight + tm.tmExternalLeading + 2 + ((self->GetStyle() & RVS_ROWLINES) ? 1 : 0);
        if (images && imageSize.cy + 1 > rowHeight) rowHeight = imageSize.cy + 1;
        int box = std::max(1, rowHeight - 2);
        model.ModifyProperty(RVP_CHECKBOXSIZE, (intptr_t)(((uint32_t)box << 16) | (uint32_t)box));
        if (header) SendMessageA(header, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (repaint) Layout();
    }
    void FreeFonts() {
        if (font) DeleteObject(font);
        if (bold) DeleteObject(bold);
        font = bold = nullptr;
    }

    // ---- off-screen painting
    void Paint() {
        Flush();
        HWND hwnd = self->m_hwnd;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        int w = std::max<LONG>(1, client.right), h = std::max<LONG>(1, client.bottom);
        if (!memDC || memSize.cx != w || memSize.cy != h) {
            FreeBuffer();
            memDC = CreateCompatibleDC(dc);
            memBitmap = CreateCompatibleBitmap(dc, w, h);
            memOld = SelectObject(memDC, memBitmap);
            memSize.cx = w;
            memSize.cy = h;
        }
        HRGN clip = CreateRectRgnIndirect(&ps.rcPaint);
        SelectClipRgn(memDC, clip);
        HPALETTE screenOld = UsePalette(dc), memPalOld = UsePalette(memDC);
        self->DrawCtrl(memDC);
        SelectClipRgn(memDC, nullptr);
        DeleteObject(clip);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, memDC, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        if (memPalOld) SelectPalette(memDC, memPalOld, TRUE);
        if (screenOld) SelectPalette(dc, screenOld, TRUE);
        EndPaint(hwnd, &ps);
    }

    // ---- palette: the colour table's colours and the background picture's, for displays with 256
    // colours or fewer (elsewhere selecting it changes nothing)
    HPALETTE palette = nullptr;
    bool paletteBuilt = true; // the last rebuild's result
    // Selects the palette into dc (as a background palette) and realises it; the palette it replaced,
    // null when there is none to select.
    HPALETTE UsePalette(HDC dc) {
        if (!palette || !dc) return nullptr;
        HPALETTE old = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
        return old;
    }
    // The palette as the foreground one (the control got the palette focus) or in the background (the
    // system palette changed); repaints when the realisation changed entries. True when there is one.
    bool RealisePalette(bool background) {
        HWND hwnd = self->m_hwnd;
        if (!palette || !hwnd) return false;
        HDC dc = GetDC(hwnd);
        HPALETTE old = SelectPalette(dc, palette, background ? TRUE : FALSE);
        UINT changed = RealizePalette(dc);
        SelectPalette(dc, old, TRUE);
        ReleaseDC(hwnd, dc);
        if (changed != 0 && changed != GDI_ERROR) InvalidateRect(hwnd, nullptr, FALSE);
        return true;
    }
    void FreePalette() {
        if (palette) DeleteObject(palette);
        palette = nullptr;
    }
    void FreeBuffer() {
        if (!memDC) return;
        SelectObject(memDC, memOld);
        DeleteObject(memBitmap);
        DeleteDC(memDC);
        memDC = nullptr;
        memBitmap = nullptr;
    }

    // ---- notifications from the window
    LRESULT SendView(uint32_t code, int iItem, int iSubItem, UINT keys, POINT pt, UINT flags) {
        uint32_t n = (RVN_BASE - code) & 31u;
        if (!(((uint32_t)model.GetProperty(RVP_NOTIFYFILTER) >> n) & 1u)) return 0;
        _NMREPORTVIEW nm = {};
        nm.hdr.code = code;
        nm.nKeys = keys;
        nm.point.x = pt.x;
        nm.point.y = pt.y;
        nm.nFlags = flags;
        nm.iItem = iItem;
        nm.iSubItem = iSubItem;
        if (iItem >= 0 && (self->GetStyle() & RVS_TREEMASK)) nm.hItem = model.GetItemHandle(iItem);
        if (iItem >= -1) {
            _RVITEM it = {};
            it.iItem = iItem;
            it.iSubItem = -1;
            if (model.GetItem(&it)) {
                if (!(self->GetStyle() & RVS_VIRTUALDATA)) nm.nState = it.nState;
                nm.lParam = it.lParam;
            }
        }
        return self->Notify(&nm.hdr);
    }
    // Header notifications: a click sorts (unless RVS_UNSORTED) after RVN_COLUMNCLICKED, tracking
    // keeps the definition width.
    bool HeaderNotify(NMHDR* nm, LRESULT* result) {
        if (!header || nm->hwndFrom != header) return false;
        NMHEADERA* nh = reinterpret_cast<NMHEADERA*>(nm);
        switch (nm->code) {
        case HDN_ITEMCLICKA:
        case HDN_ITEMCLICKW: {
            int sub = model.GetSubItemFromColumn(HeaderPosition(nh->iItem));
            _NMRVHEADER rh = {};
            rh.hdr.code = RVN_COLUMNCLICKED;
            rh.iSubItem = sub;
            uint32_t n = (RVN_BASE - RVN_COLUMNCLICKED) & 31u;
            bool vetoed =
                (((uint32_t)model.GetProperty(RVP_NOTIFYFILTER) >> n) & 1u) && self->Notify(&rh.hdr);
            if (!vetoed && !(self->GetStyle() & RVS_UNSORTED) && sub >= 0) {
                int cur = -1, asc = 1;
                model.GetSortSettings(&cur, &asc);
                model.SortItems(sub, cur == sub ? !asc : true);
                UpdateSortMarker();
            }
            *result = 0;
            return true;
        }
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
            if (nh->pitem && (nh->pitem->mask & HDI_WIDTH) && !inSync) {
                HDITEMA hd = {};
                hd.mask = HDI_LPARAM | HDI_WIDTH;
                SendMessageA(header, HDM_GETITEMA, nh->iItem, reinterpret_cast<LPARAM>(&hd));
                inSync = true;
                const zrpc::report::SubItemDef* def = model.GetSubItemDef((int)hd.lParam);
                if (def) {
                    // The user's width, kept within the column's limits.
                    int width = hd.cxy;
                    if (!(def->format & RVCF_NOLIMITS)) {
                        width = std::max(width, def->minWidth);
                        if (def->maxWidth >= 1) width = std::min(width, def->maxWidth);
                    }
                    if (width != hd.cxy) {
                        HDITEMA fix = {};
                        fix.mask = HDI_WIDTH;
                        fix.cxy = width;
                        SendMessageA(header, HDM_SETITEMA, nh->iItem, reinterpret_cast<LPARAM>(&fix));
                    }
                    if (def->width != width) model.SetSubItemWidth((int)hd.lParam, width);
                }
                inSync = false;
                RecountWidth();
            }
            *result = 0;
            return true;
        case HDN_ENDDRAG: {
            // The header's own reordering is refused; the model takes the new order once the drag
            // is over and the header is rebuilt from it.
            std::vector<int> order = model.GetColumnOrder();
            int from = nh->iItem, to = nh->pitem ? nh->pitem->iOrder : -1;
            if (from >= 0 && from < (int)order.size() && to >= 0 && to < (int)order.size() && from != to) {
                int sub = order[(size_t)from];
                order.erase(order.begin() + from);
                order.insert(order.begin() + to, sub);
                pendingOrder = order;
                PostMessageA(self->m_hwnd, kApplyOrder, 0, 0);
            }
            *result = TRUE;
            return true;
        }
        default:
            return false;
        }
    }
    int HeaderPosition(int headerItem) {
        // Header items are inserted in display order and never reordered by the header itself.
        return headerItem;
    }
    void UpdateSortMarker() {
        if (!header) return;
        int sub = -1, asc = 1;
        model.GetSortSettings(&sub, &asc);
        int n = (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            HDITEMA hd = {};
            hd.mask = HDI_FORMAT | HDI_LPARAM;
            SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&hd));
            hd.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if ((int)hd.lParam == sub) hd.fmt |= asc ? HDF_SORTUP : HDF_SORTDOWN;
            hd.mask = HDI_FORMAT;
            SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&hd));
        }
    }
    void ApplyPendingOrder() {
        if (pendingOrder.empty()) return;
        std::vector<int> order;
        order.swap(pendingOrder);
        model.SetColumnOrder(order);
    }
    void RecountWidth() {
        totalWidth = 0;
        for (int sub : model.GetColumnOrder())
            totalWidth += model.GetSubItemDef(sub)->width;
        UpdateScrollBars();
        PositionHeader();
        if (redraw) InvalidateRect(self->m_hwnd, nullptr, FALSE);
    }

    int WheelLinesFromRegistry() {
        HKEY key = nullptr;
        int lines = 3;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) == ERROR_SUCCESS) {
            char buffer[128] = {};
            DWORD size = sizeof buffer - 1, type = 0;
            if (RegQueryValueExA(key, "WheelScrollLines", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                 &size) == ERROR_SUCCESS &&
                (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
                buffer[std::min<DWORD>(size, sizeof buffer - 1)] = 0;
                char* end = nullptr;
                long v = std::strtol(buffer, &end, 10);
                if (end != buffer) lines = (int)v;
            }
            RegCloseKey(key);
        }
        return lines;
    }
    void Wheel(int delta) {
        wheelRest += delta;
        while (wheelRest >= WHEEL_DELTA || wheelRest <= -WHEEL_DELTA) {
            bool up = wheelRest > 0;
            wheelRest += up ? -WHEEL_DELTA : WHEEL_DELTA;
            if (wheelLines == -1 || wheelLines == (int)WHEEL_PAGESCROLL)
                VScroll(up ? SB_PAGEUP : SB_PAGEDOWN, 0);
            else
                for (int i = 0; i < wheelLines; ++i)
                    VScroll(up ? SB_LINEUP : SB_LINEDOWN, 0);
        }
    }

    CReportCtrl* self;
    ReportModel model;
    HWND header = nullptr;
    HFONT font = nullptr;
    HFONT bold = nullptr;
    RECT rcHeader = {0, 0, 0, 0};
    RECT rcEdit = {0, 0, 0, 0};
    RECT rcList = {0, 0, 0, 0};
    int rowHeight = 10;
    int totalWidth = 0;
    int top = 0;
    int hpos = 0;
    int wheelLines = 3;
    int wheelRest = 0;
    bool redraw = true;
    bool indentFirst = false;
    bool inSync = false;
    bool created = false;
    bool scrollStale = false;
    int paintFocus = -1; // while painting: 1 when the control has the focus, else 0
    bool HasFocus() const { return paintFocus >= 0 ? paintFocus != 0 : GetFocus() == self->m_hwnd; }
    std::vector<int> pendingOrder; // a column order from a header drag, applied after it ends
    HIMAGELIST images = nullptr;
    HIMAGELIST checkImages = nullptr;
    SIZE imageSize = {0, 0};
    SIZE checkSize = {0, 0};
    HDC memDC = nullptr;
    HBITMAP memBitmap = nullptr;
    HGDIOBJ memOld = nullptr;
    SIZE memSize = {0, 0};
    zrpc::report::ReportUser user{self}; // mouse, keys, clipboard, editing, accessibility
};

// ---------------------------------------------------------------- creation

CReportCtrl::CReportCtrl() : m_crSys(), m_impl(new Impl(this)), m_extras(nullptr) {}

CReportCtrl::~CReportCtrl() {
    zrpc::GuardVoid([this] {
        DestroyWindow();
        m_impl->FreeFonts();
        m_impl->FreeBuffer();
        m_impl->FreePalette();
        FreeExtras();
    });
    delete m_impl;
}

BOOL CReportCtrl::Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (m_hwnd || !RegisterReportClass()) return FALSE;
        // The control's own styles travel in the low 16 bits; the window gets the high ones only.
        m_impl->model.ModifyStyle(0xFFFF, dwStyle & 0xFFFF);
        if (!zwin::Window::Create(kClassName, "", (dwStyle & 0xFFFF0000u) | WS_CLIPCHILDREN, 0, rect, hParent,
                                  nID))
            return FALSE;
        if (!Create()) {
            DestroyWindow();
            return FALSE;
        }
        return TRUE;
    });
}

BOOL CReportCtrl::SubclassWindow(HWND hwnd) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!zwin::Window::SubclassWindow(hwnd)) return FALSE;
        if (!Create()) {
            UnsubclassWindow();
            return FALSE;
        }
        return TRUE;
    });
}

BOOL CReportCtrl::SubclassDlgItem(UINT nID, HWND hParent) {
    HWND item = hParent ? GetDlgItem(hParent, (int)nID) : nullptr;
    return item ? SubclassWindow(item) : FALSE;
}

BOOL CReportCtrl::Create() {
    Impl& d = *m_impl;
    if (!m_hwnd) return FALSE;
    if (!d.header) {
        d.header = CreateWindowExA(
            0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_BUTTONS | HDS_FULLDRAG, 0, 0, 0, 0,
            m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHeaderId)), zrpc::SelfModule(), nullptr);
        if (!d.header) return FALSE;
        AttachExtras();
    }
    HWND parent = GetParent(m_hwnd);
    HFONT parentFont = parent ? reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    d.ApplyFont(parentFont, false);
    d.wheelLines = GetMouseScrollLines();
    GetSysColors();
    d.created = true;
    d.SyncHeader();
    d.Layout();
    return TRUE;
}

HWND CReportCtrl::GetHeaderCtrl() {
    return m_impl->header;
}

DWORD CReportCtrl::GetStyle() const {
    DWORD window = m_hwnd ? (DWORD)GetWindowLongA(m_hwnd, GWL_STYLE) : 0;
    return (window & 0xFFFF0000u) | (m_impl->model.GetStyle() & 0xFFFFu);
}

BOOL CReportCtrl::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        Impl& d = *m_impl;
        d.user.EndOpenEdit();
        DWORD before = GetStyle();
        if (!d.model.ModifyStyle(dwRemove & 0xFFFF, dwAdd & 0xFFFF)) return FALSE;
        if (m_hwnd && ((dwRemove | dwAdd) & 0xFFFF0000u)) {
            DWORD window = (DWORD)GetWindowLongA(m_hwnd, GWL_STYLE);
            window = (window & ~(dwRemove & 0xFFFF0000u)) | (dwAdd & 0xFFFF0000u);
            SetWindowLongA(m_hwnd, GWL_STYLE, (LONG)window);
            if (nFlags)
                SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | nFlags);
        }
        DWORD after = GetStyle();
        if ((after ^ before) & RVS_ROWLINES) d.rowHeight += (after & RVS_ROWLINES) ? 1 : -1;
        d.Layout();
        return TRUE;
    });
}

BOOL CReportCtrl::ModifyProperty(UINT nProperty, LONG_PTR lValue) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_impl->model.ModifyProperty(nProperty, (intptr_t)lValue)) return FALSE;
        m_impl->Layout();
        return TRUE;
    });
}

LONG_PTR CReportCtrl::GetProperty(UINT nProperty) const {
    return zrpc::Guard((LONG_PTR)0, [&] { return (LONG_PTR)m_impl->model.GetProperty(nProperty); });
}

// ---------------------------------------------------------------- model operations

#define ZRPC_FORWARD(fail, expr) return zrpc::Guard(fail, [&] { return expr; })

int CReportCtrl::DefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList) {
    return zrpc::Guard(-1, [&] {
        int result = m_impl->model.DefineSubItem(iSubItem, pSubItem);
        if (bUpdateList) RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::RedefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL result = m_impl->model.RedefineSubItem(iSubItem, pSubItem);
        if (bUpdateList) RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::UndefineSubItem(int iSubItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL result = m_impl->model.UndefineSubItem(iSubItem);
        RefreshChooser();
        return result;
    });
}
void CReportCtrl::UndefineAllSubItems() {
    zrpc::GuardVoid([&] { m_impl->model.UndefineAllSubItems(); });
}
int CReportCtrl::ActivateSubItem(int iSubItem, int iColumn) {
    return zrpc::Guard(-1, [&] {
        int column = m_impl->model.ActivateSubItem(iSubItem, iColumn);
        if (column >= 0 && m_extras) m_extras->FitHeaderItem(iSubItem);
        return column;
    });
}
BOOL CReportCtrl::DeactivateSubItem(int iSubItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.DeactivateSubItem(iSubItem));
}
BOOL CReportCtrl::DeactivateAllSubItems() {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.DeactivateAllSubItems());
}
BOOL CReportCtrl::IsActiveSubItem(int iSubItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.IsActiveSubItem(iSubItem));
}
int CReportCtrl::GetActiveSubItemCount() {
    ZRPC_FORWARD(0, m_impl->model.GetActiveSubItemCount());
}
int CReportCtrl::GetSubItemCount() {
    ZRPC_FORWARD(0, m_impl->model.GetSubItemCount());
}
int CReportCtrl::GetSubItemWidth(int iSubItem) {
    ZRPC_FORWARD(-1, m_impl->model.GetSubItemWidth(iSubItem));
}
BOOL CReportCtrl::SetSubItemWidth(int iSubItem, int iWidth) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetSubItemWidth(iSubItem, iWidth));
}
int CReportCtrl::GetSubItemFromColumn(int iColumn) {
    ZRPC_FORWARD(-1, m_impl->model.GetSubItemFromColumn(iColumn));
}
int CReportCtrl::GetColumnFromSubItem(int iSubItem) {
    ZRPC_FORWARD(-1, m_impl->model.GetColumnFromSubItem(iSubItem));
}

int CReportCtrl::InsertItem(_RVITEM* pItem) {
    ZRPC_FORWARD(-2, m_impl->model.InsertItem(pItem));
}
int CReportCtrl::InsertItem(int iItem, LPCTSTR lpszText, int iImage, int iCheck, int iTextColor) {
    ZRPC_FORWARD(-2, m_impl->model.InsertItem(iItem, lpszText, iImage, iCheck, iTextColor));
}
int CReportCtrl::AddItem(LPCTSTR lpszText, int iImage, int iCheck, int iTextColor) {
    ZRPC_FORWARD(-2, m_impl->model.AddItem(lpszText, iImage, iCheck, iTextColor));
}
int CReportCtrl::AddItem(_RVITEM* pItem) {
    ZRPC_FORWARD(-2, m_impl->model.AddItem(pItem));
}
int CReportCtrl::DeleteItem(int iItem) {
    ZRPC_FORWARD(-2, m_impl->model.DeleteItem(iItem));
}
BOOL CReportCtrl::DeleteAllItems() {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.DeleteAllItems());
}
BOOL CReportCtrl::SetItemCount(int nCount) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItemCount(nCount));
}
int CReportCtrl::GetItemCount() {
    ZRPC_FORWARD(0, m_impl->model.GetItemCount());
}

BOOL CReportCtrl::GetItem(_RVITEM* pItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.GetItem(pItem));
}
BOOL CReportCtrl::SetItem(_RVITEM* pItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItem(pItem));
}
int CReportCtrl::GetItemText(int iItem, int iSubItem, LPTSTR lpszText, int nLen) {
    ZRPC_FORWARD(0, m_impl->model.GetItemText(iItem, iSubItem, lpszText, nLen));
}
CString CReportCtrl::GetItemText(int iItem, int iSubItem) {
    return zrpc::Guard(CString(),
                       [&] { return CString(m_impl->model.GetItemText(iItem, iSubItem).c_str()); });
}
BOOL CReportCtrl::SetItemText(int iItem, int iSubItem, LPCTSTR lpszText) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItemText(iItem, iSubItem, lpszText));
}
int CReportCtrl::GetItemImage(int iItem, int iSubItem) {
    ZRPC_FORWARD(-1, m_impl->model.GetItemImage(iItem, iSubItem));
}
BOOL CReportCtrl::SetItemImage(int iItem, int iSubItem, int iImage) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItemImage(iItem, iSubItem, iImage));
}
int CReportCtrl::GetItemCheck(int iItem, int iSubItem) {
    ZRPC_FORWARD(-1, m_impl->model.GetItemCheck(iItem, iSubItem));
}
BOOL CReportCtrl::SetItemCheck(int iItem, int iSubItem, int iCheck) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItemCheck(iItem, iSubItem, iCheck));
}
LPARAM CReportCtrl::GetItemData(int iItem) {
    ZRPC_FORWARD((LPARAM)0, (LPARAM)m_impl->model.GetItemData(iItem));
}
BOOL CReportCtrl::SetItemData(int iItem, LPARAM dwData) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.SetItemData(iItem, (RV_LPARAM)dwData));
}

int CReportCtrl::InsertColor(int iColor, COLORREF crColor) {
    ZRPC_FORWARD(-1, m_impl->model.InsertColor(iColor, crColor));
}
BOOL CReportCtrl::SetColor(int iColor, COLORREF crColor) {
    // The answer is the palette's rebuild once the colour is stored.
    ZRPC_FORWARD(FALSE, (BOOL)(m_impl->model.SetColor(iColor, crColor) && m_impl->paletteBuilt));
}
COLORREF CReportCtrl::GetColor(int iColor) {
    ZRPC_FORWARD((COLORREF)0, (COLORREF)m_impl->model.GetColor(iColor));
}
BOOL CReportCtrl::DeleteColor(int iColor) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.DeleteColor(iColor));
}
void CReportCtrl::DeleteAllColors() {
    zrpc::GuardVoid([&] { m_impl->model.DeleteAllColors(); });
}

int CReportCtrl::CheckAreaWidth() {
    return m_impl->CheckAreaWidth();
}

bool CReportCtrl::RebuildPalette() {
    Impl& d = *m_impl;
    d.FreePalette();
    std::vector<PALETTEENTRY> entries;
    auto add = [&](BYTE r, BYTE g, BYTE b) {
        if (entries.size() < 256) entries.push_back(PALETTEENTRY{r, g, b, 0});
    };
    for (int i = 0; i < d.model.GetColorCount(); ++i) {
        COLORREF c = (COLORREF)d.model.GetColor(i);
        add(GetRValue(c), GetGValue(c), GetBValue(c));
    }
    // A picture of 256 colours or fewer brings its own colour table.
    if (m_extras && m_extras->bkImage)
        for (COLORREF c : m_extras->bkColours)
            add(GetRValue(c), GetGValue(c), GetBValue(c));
    if (entries.empty()) return true;
    std::vector<BYTE> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    LOGPALETTE* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = (WORD)entries.size();
    std::copy(entries.begin(), entries.end(), log->palPalEntry);
    d.palette = CreatePalette(log);
    return d.palette != nullptr;
}

void CReportCtrl::FlushCache(int iItem) {
    zrpc::GuardVoid([&] { m_impl->model.FlushCache(iItem); });
}
int CReportCtrl::GetItemRow(int iItem) {
    ZRPC_FORWARD(-2, m_impl->model.GetRowFromItem(iItem));
}
int CReportCtrl::GetItemFromRow(int iRow) {
    ZRPC_FORWARD(-2, m_impl->model.GetItemFromRow(iRow));
}
int CReportCtrl::GetRowCount() {
    ZRPC_FORWARD(0, m_impl->model.GetRowCount());
}

HTREEITEM CReportCtrl::InsertItem(_RVITEM* pItem, HTREEITEM hParent, HTREEITEM hInsertAfter,
                                  int iTreeSubItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_impl->model.InsertItem(pItem, hParent, hInsertAfter, iTreeSubItem));
}
HTREEITEM CReportCtrl::InsertItem(LPCTSTR lpszText, int iImage, int iCheck, int iTextColor, HTREEITEM hParent,
                                  HTREEITEM hInsertAfter, int iTreeSubItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_impl->model.InsertItem(lpszText, iImage, iCheck, iTextColor, hParent,
                                                               hInsertAfter, iTreeSubItem));
}
BOOL CReportCtrl::DeleteItem(HTREEITEM hItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.DeleteItem(hItem));
}
BOOL CReportCtrl::Expand(HTREEITEM hItem, UINT nCode) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.Expand(hItem, nCode));
}
BOOL CReportCtrl::ExpandAll(HTREEITEM hItem, UINT nCode, int iLevels) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.ExpandAll(hItem, nCode, iLevels));
}
HTREEITEM CReportCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_impl->model.GetNextItem(hItem, nCode));
}
BOOL CReportCtrl::HasChildren(HTREEITEM hItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.HasChildren(hItem));
}
int CReportCtrl::GetItemIndex(HTREEITEM hItem) {
    ZRPC_FORWARD(-2, m_impl->model.GetItemIndex(hItem));
}
HTREEITEM CReportCtrl::GetItemHandle(int iItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_impl->model.GetItemHandle(iItem));
}
BOOL CReportCtrl::EnsureVisible(HTREEITEM hItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_impl->model.EnsureVisible(hItem)) return FALSE;
        m_impl->EnsureRowVisible(m_impl->model.GetRowFromItem(m_impl->model.GetItemIndex(hItem)), false);
        return TRUE;
    });
}

BOOL CReportCtrl::SortItems(int iSubItem, BOOL bAscending) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL ok = m_impl->model.SortItems(iSubItem, bAscending != FALSE);
        m_impl->UpdateSortMarker();
        return ok;
    });
}
BOOL CReportCtrl::ResortItems() {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.ResortItems());
}
BOOL CReportCtrl::GetSortSettings(int* piSubItem, BOOL* pbAscending) {
    ZRPC_FORWARD(FALSE, (BOOL)m_impl->model.GetSortSettings(piSubItem, pbAscending));
}
void CReportCtrl::SetSortCallback(RVCOMPAREPROC pfnCompare, LPARAM lParamSort) {
    zrpc::GuardVoid([&] { m_impl->model.SetSortCallback(pfnCompare, (RV_LPARAM)lParamSort); });
}
int CReportCtrl::GetFirstSelectedItem() {
    ZRPC_FORWARD(-2, m_impl->model.GetFirstSelectedItem());
}
int CReportCtrl::GetNextSelectedItem(int iItem) {
    ZRPC_FORWARD(-2, m_impl->model.GetNextSelectedItem(iItem));
}
int CReportCtrl::GetSelectedCount() {
    ZRPC_FORWARD(0, m_impl->model.GetSelectedCount());
}
void CReportCtrl::SetSelection(int iItem, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_impl->model.SetSelection(iItem, bKeepSelection != FALSE); });
}
void CReportCtrl::ClearSelection() {
    zrpc::GuardVoid([&] { m_impl->model.ClearSelection(); });
}
void CReportCtrl::SelectAll() {
    zrpc::GuardVoid([&] { m_impl->model.SelectAll(); });
}
int CReportCtrl::GetCurrentFocus(int* piColumn) {
    ZRPC_FORWARD(-2, m_impl->model.GetItemFromRow(m_impl->model.GetCurrentFocus(piColumn)));
}
BOOL CReportCtrl::SetCurrentFocus(int iItem, int iSubItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        Impl& d = *m_impl;
        int row = d.model.GetRowFromItem(iItem);
        int column = iSubItem < 0 ? -1 : d.model.GetColumnFromSubItem(iSubItem);
        if (!d.model.AdjustFocus(row, column)) return FALSE;
        d.EnsureRowVisible(row, false);
        if (m_hwnd && d.redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
        return TRUE;
    });
}
int CReportCtrl::FindItem(_RVFINDINFO* pFindInfo, int iSubItem, int iStart) {
    ZRPC_FORWARD(-2, m_impl->model.FindItem(pFindInfo, iSubItem, iStart));
}

#undef ZRPC_FORWARD

// ---------------------------------------------------------------- column profile

void CReportCtrl::SetProfileStore(LPCTSTR lpszRegistryKey, LPCTSTR lpszIniFile) {
    zrpc::GuardVoid([&] {
        Store().registryKey = lpszRegistryKey ? lpszRegistryKey : "";
        Store().iniFile = lpszIniFile ? lpszIniFile : "";
    });
}

BOOL CReportCtrl::WriteProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!lpszSection || !lpszEntry) return FALSE;
        m_impl->ApplyPendingOrder(); // a drag's order not yet applied
        return WriteProfileText(lpszSection, lpszEntry, m_impl->model.GetProfileValue());
    });
}

BOOL CReportCtrl::GetProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!lpszSection || !lpszEntry) return FALSE;
        std::string value = ReadProfileText(lpszSection, lpszEntry);
        const std::vector<int> before = m_impl->model.GetColumnOrder();
        if (value.empty() || !m_impl->model.ApplyProfileValue(value.c_str())) return FALSE;
        // Columns the value shows are activated as ActivateSubItem does it: a column that fits its
        // header item takes that width, not the stored one.
        if (m_extras)
            for (int sub : std::vector<int>(m_impl->model.GetColumnOrder()))
                if (std::find(before.begin(), before.end(), sub) == before.end())
                    m_extras->FitHeaderItem(sub);
        return TRUE;
    });
}

// ---------------------------------------------------------------- layout and scrolling

int CReportCtrl::GetItemHeight() {
    return m_impl->rowHeight;
}

void CReportCtrl::SetItemHeight(int nHeight) {
    zrpc::GuardVoid([&] {
        m_impl->rowHeight = std::max(1, nHeight) + ((GetStyle() & RVS_ROWLINES) ? 1 : 0);
        m_impl->Layout();
    });
}

int CReportCtrl::GetVisibleCount(BOOL bPartial) {
    return zrpc::Guard(0, [&] { return m_impl->VisibleCount(bPartial != FALSE); });
}

int CReportCtrl::GetTopIndex() {
    m_impl->Flush();
    return m_impl->top;
}

BOOL CReportCtrl::IsItemVisible(int iItem, BOOL bPartial) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        m_impl->Flush();
        int row = m_impl->model.GetRowFromItem(iItem);
        if (row < 0) return row == -1 && (GetStyle() & RVS_ENTRYROW);
        return row >= m_impl->top && row < m_impl->top + m_impl->VisibleCount(bPartial != FALSE);
    });
}

BOOL CReportCtrl::EnsureVisible(int iItem, BOOL bPartial) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        int row = m_impl->model.GetRowFromItem(iItem);
        if (row < 0) return FALSE;
        m_impl->EnsureRowVisible(row, bPartial != FALSE);
        return TRUE;
    });
}

void CReportCtrl::PageUp() {
    zrpc::GuardVoid([&] { m_impl->VScroll(SB_PAGEUP, 0); });
}
void CReportCtrl::PageDown() {
    zrpc::GuardVoid([&] { m_impl->VScroll(SB_PAGEDOWN, 0); });
}

BOOL CReportCtrl::GetItemRect(int iItem, int iSubItem, RECT* pRect, UINT nCode) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        Impl& d = *m_impl;
        if (!pRect || nCode > 4) return FALSE;
        d.Flush();
        int row = d.model.GetRowFromItem(iItem);
        if (row == -2) return FALSE;
        if (iSubItem < 0) {
            RECT rc;
            if (!d.RowRect(row, rc)) return FALSE;
            *pRect = rc;
            return TRUE;
        }
        int column = d.model.GetColumnFromSubItem(iSubItem);
        Impl::Cell c;
        if (column < 0 || !d.CellParts(row, column, c)) return FALSE;
        switch (nCode) {
        case 0:
            *pRect = c.cell;
            break;
        case 1:
            *pRect = c.image;
            break;
        case 2:
            *pRect = c.check;
            break;
        case 4: {
            // A tree node showing its tree sub-item: the text runs on to the end of the row.
            *pRect = c.text;
            RECT rr;
            int span = iItem >= 0 ? d.model.GetTreeSubItem(d.model.GetItemHandle(iItem)) : -1;
            if (span >= 0 && column == 0 && (GetStyle() & RVS_TREEMASK) && d.RowRect(row, rr))
                pRect->right =
                    std::max(pRect->left, std::min<LONG>(rr.right, d.rcList.left - d.hpos + d.totalWidth) -
                                              (LONG)d.model.GetProperty(RVP_GAP));
            break;
        }
        default:
            *pRect = c.text;
            break;
        }
        return TRUE;
    });
}

int CReportCtrl::HitTest(_RVHITTESTINFO* p) {
    return zrpc::Guard(-2, [&]() -> int {
        Impl& d = *m_impl;
        if (!p) return -2;
        d.Flush();
        int x = p->point.x, y = p->point.y;
        p->nFlags = 0;
        p->hItem = nullptr;
        p->iItem = -2;
        p->iSubItem = -1;
        p->iRow = -2;
        p->iColumn = -1;
        p->rect.left = p->rect.top = p->rect.right = p->rect.bottom = 0;
        RECT client;
        GetClientRect(m_hwnd, &client);
        const RECT& list = d.rcList;
        if (y < d.rcHeader.bottom) p->nFlags |= RVHT_OVER;
        if (y >= client.bottom) p->nFlags |= RVHT_UNDER;
        if (x < list.left) p->nFlags |= RVHT_LEFTOF;
        if (x >= list.right) p->nFlags |= RVHT_RIGHTOF;
        if (p->nFlags) return -2;
        int row = -2;
        RECT rr = {0, 0, 0, 0};
        if (y < d.rcEdit.bottom) {
            p->nFlags |= RVHT_ENTRYROW;
            row = -1;
            d.RowRect(-1, rr);
            if (y >= rr.bottom) return -2;
        } else {
            int rows = d.model.GetRowCount(), top = list.top;
            for (int r = d.top; r < rows && top < list.bottom; ++r) {
                int h = d.RowHeightOf(r);
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
            d.RowRect(row, rr);
        }
        p->iRow = row;
        p->iItem = row == -1 ? -1 : d.model.GetItemFromRow(row);
        if (p->iItem >= 0 && (GetStyle() & RVS_TREEMASK)) p->hItem = d.model.GetItemHandle(p->iItem);
        if (y >= rr.top + d.rowHeight) { // below the row's cells: the preview
            p->nFlags |= RVHT_PREVIEWAREA;
            p->rect.left = rr.left;
            p->rect.top = rr.top + d.rowHeight;
            p->rect.right = rr.right;
            p->rect.bottom = rr.bottom;
            return p->iItem;
        }
        int columns = d.model.GetActiveSubItemCount();
        for (int c = 0; c < columns; ++c) {
            Impl::Cell cell;
            if (!d.CellParts(row, c, cell) || x < cell.cell.left || x >= cell.cell.right) continue;
            p->iColumn = c;
            p->iSubItem = d.model.GetSubItemFromColumn(c);
            p->rect.left = cell.cell.left;
            p->rect.top = cell.cell.top;
            p->rect.right = cell.cell.right;
            p->rect.bottom = cell.cell.bottom;
            if (InRect(cell.box, x, y))
                p->nFlags |= (d.model.HasChildren(p->hItem) ? RVHT_EXPANDBOX : RVHT_NONE);
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
    });
}

BOOL CReportCtrl::SetImageList(HIMAGELIST hImageList, HIMAGELIST hCheckList) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        Impl& d = *m_impl;
        d.images = hImageList;
        d.checkImages = hCheckList;
        int cx = 0, cy = 0;
        if (hImageList && ImageList_GetIconSize(hImageList, &cx, &cy)) {
            d.imageSize.cx = cx;
            d.imageSize.cy = cy;
        } else {
            d.imageSize.cx = d.imageSize.cy = 0;
        }
        if (hCheckList && ImageList_GetIconSize(hCheckList, &cx, &cy)) {
            d.checkSize.cx = cx;
            d.checkSize.cy = cy;
        }
        if (d.header) SendMessageA(d.header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hImageList));
        if (d.images && d.imageSize.cy + 1 > d.rowHeight) d.rowHeight = d.imageSize.cy + 1;
        d.SyncHeader();
        d.Layout();
        return TRUE;
    });
}

HIMAGELIST CReportCtrl::GetImageList() {
    return m_impl->images;
}

void CReportCtrl::SetRedraw(BOOL bRedraw) {
    zrpc::GuardVoid([&] {
        m_impl->redraw = bRedraw != FALSE;
        if (!m_hwnd) return;
        SendMessageA(m_hwnd, WM_SETREDRAW, bRedraw, 0);
        if (bRedraw) {
            m_impl->UpdateScrollBars();
            InvalidateRect(m_hwnd, nullptr, TRUE);
        }
    });
}

void CReportCtrl::RedrawItems(int iFirst, int iLast) {
    zrpc::GuardVoid([&] {
        Impl& d = *m_impl;
        for (int i = iFirst; i <= iLast; ++i) {
            int row = d.model.GetRowFromItem(i);
            if (row != -2) d.RepaintRows(row, row);
        }
    });
}

void CReportCtrl::SetIndentFirstColumn(BOOL bIndent) {
    m_impl->indentFirst = bIndent != FALSE;
    if (m_hwnd && m_impl->redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
}

int CReportCtrl::GetWheelLines() {
    return m_impl->wheelLines;
}

bool CReportCtrl::SubItemInfo(int iSubItem, UINT* pFormat, int* pMinWidth, int* pMaxWidth, char* lpszText,
                              int nText) {
    const zrpc::report::SubItemDef* def = m_impl->model.GetSubItemDef(iSubItem);
    if (!def) return false;
    if (pFormat) *pFormat = def->format;
    if (pMinWidth) *pMinWidth = def->minWidth;
    if (pMaxWidth) *pMaxWidth = def->maxWidth;
    if (lpszText && nText > 0) {
        size_t n = std::min(def->text.size(), (size_t)nText - 1);
        def->text.copy(lpszText, n);
        lpszText[n] = 0;
    }
    return true;
}

// ---------------------------------------------------------------- overridable operations

CString CReportCtrl::GetItemString(int iItem, TCHAR cSeparator) {
    return CString(m_impl->model.GetItemString(iItem, cSeparator).c_str());
}

int CReportCtrl::CompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2) {
    return m_impl->model.DefaultCompareItems(iItem1, iSubItem1, iItem2, iSubItem2);
}

int CReportCtrl::CompareItems(_RVITEM* pItem1, _RVITEM* pItem2) {
    return ReportModel::CompareItemRecords(pItem1, pItem2);
}

CReportCtrl::structITEM* CReportCtrl::CacheLookup(int iItem) {
    return m_impl->model.DefaultCacheLookup(iItem);
}

CReportCtrl::structITEM* CReportCtrl::CacheAdd(int iItem) {
    return m_impl->model.DefaultCacheAdd(iItem);
}

void CReportCtrl::CacheDelete(int iItem) {
    m_impl->model.DefaultCacheDelete(iItem);
}

CReportCtrl::structITEM* CReportCtrl::GetItemStruct(int iItem, int iSubItem, UINT nMask) {
    return m_impl->model.DefaultGetItemStruct(iItem, iSubItem, nMask);
}

BOOL CReportCtrl::SetItemStruct(int iItem, structITEM& item) {
    return m_impl->model.DefaultSetItemStruct(iItem, item);
}

void CReportCtrl::LoadItemData(structITEM* pItem, int iItem, int iSubItem, UINT nMask) {
    m_impl->model.DefaultLoadItemData(pItem, iItem, iSubItem, nMask);
}

void CReportCtrl::StoreItemData(structITEM* pItem, const _RVITEM* pData) {
    if (pItem && pData) m_impl->model.StoreItemData(pItem, *pData);
}

CString CReportCtrl::GetExpandedItemText(int iItem, int iSubItem) {
    return CString(m_impl->model.DefaultExpandedItemText(iItem, iSubItem).c_str());
}

void CReportCtrl::QuickSort(int iSubItem, int iLow, int iHigh, BOOL bAscending) {
    m_impl->model.DefaultQuickSort(iSubItem, iLow, iHigh, bAscending != FALSE);
}

void CReportCtrl::TreeSort(int iSubItem, HTREEITEM hParent, BOOL bAscending, BOOL bRecursive) {
    m_impl->model.DefaultTreeSort(iSubItem, hParent, bAscending != FALSE, bRecursive != FALSE);
}

LRESULT CReportCtrl::Notify(RVNMHDR* pHdr) {
    if (!pHdr || !m_hwnd) return 0;
    HWND parent = GetParent(m_hwnd);
    if (!parent) return 0;
    pHdr->hwndFrom = m_hwnd;
    pHdr->idFrom = (uintptr_t)GetDlgCtrlID(m_hwnd);
    return SendMessageA(parent, WM_NOTIFY, (WPARAM)pHdr->idFrom, reinterpret_cast<LPARAM>(pHdr));
}

void CReportCtrl::GetSysColors() {
    m_crSys[kWindow] = GetSysColor(COLOR_WINDOW);
    m_crSys[kHighlight] = GetSysColor(COLOR_HIGHLIGHT);
    m_crSys[kHighlightNoFocus] = GetSysColor(COLOR_BTNFACE);
    m_crSys[kText] = GetSysColor(COLOR_WINDOWTEXT);
    m_crSys[kHighlightText] = GetSysColor(COLOR_HIGHLIGHTTEXT);
    m_crSys[kHighlightTextNoFocus] = GetSysColor(COLOR_WINDOWTEXT);
    m_crSys[kGrid] = GetSysColor(COLOR_BTNFACE);
    m_crSys[kDisabled] = GetSysColor(COLOR_BTNFACE);
    m_crSys[k3DLight] = GetSysColor(COLOR_3DLIGHT);
    m_crSys[kShadow] = GetSysColor(COLOR_BTNSHADOW);
    m_crSys[kButtonHighlight] = GetSysColor(COLOR_BTNHIGHLIGHT);
    m_crSys[kDarkShadow] = GetSysColor(COLOR_3DDKSHADOW);
}

int CReportCtrl::GetMouseScrollLines() {
    return m_impl->WheelLinesFromRegistry();
}

void CReportCtrl::SelectRows(int iFirst, int iLast, BOOL bSelect, BOOL bKeepSelection, BOOL bInvert,
                             BOOL bNotify) {
    m_impl->model.SelectRows(iFirst, iLast, bSelect != FALSE, bKeepSelection != FALSE, bInvert != FALSE,
                             bNotify != FALSE);
    if (m_hwnd && m_impl->redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CReportCtrl::DrawBkgnd(HDC hDC, RECT rect, COLORREF crBackground) {
    SetBkColor(hDC, crBackground);
    ExtTextOutA(hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void CReportCtrl::DrawCtrl(HDC hDC) {
    Impl& d = *m_impl;
    RECT client;
    GetClientRect(m_hwnd, &client);
    bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
    COLORREF back = enabled ? m_crSys[kWindow] : m_crSys[kDisabled];
    // The rows paint their own background: the fill here covers what lies above the list and, once the
    // rows are drawn, what is left below the last one.
    int rows = d.model.GetRowCount();
    RECT fill = client;
    if (rows > 0) fill.bottom = d.rcList.top;
    if (!enabled || !DrawBkImage(hDC, fill, d.rcList.left - d.hpos, d.rcList.top)) DrawBkgnd(hDC, fill, back);
    HGDIOBJ oldFont = SelectObject(hDC, d.font ? d.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hDC, TRANSPARENT);
    bool focused = GetFocus() == m_hwnd;
    d.paintFocus = focused ? 1 : 0; // asked once per paint: the rows and cells below use it
    int focusColumn = -1;
    int focusRow = d.model.GetCurrentFocus(&focusColumn);
    if (GetStyle() & RVS_ENTRYROW) {
        RECT rr;
        d.RowRect(-1, rr);
        DrawRow(hDC, rr, client, -1);
        if (focused && focusRow == -1) {
            RECT fr = d.rcEdit;
            DrawFocusRect(hDC, &fr);
        }
    }
    if (rows == 0) {
        const char* empty = reinterpret_cast<const char*>(d.model.GetProperty(RVP_EMPTYMESSAGE));
        if (empty && *empty) {
            RECT line = Rect(d.rcList.left, d.rcList.top, d.rcList.right, d.rcList.top + d.rowHeight + 4);
            SetTextColor(hDC, m_crSys[kText]);
            ::DrawTextA(hDC, empty, -1, &line,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        }
    } else {
        HRGN clip = CreateRectRgnIndirect(&d.rcList);
        ExtSelectClipRgn(hDC, clip, RGN_AND);
        int y = d.rcList.top;
        int left = d.rcList.left - d.hpos;
        int right = left + std::max<int>(d.totalWidth, d.rcList.right - d.rcList.left);
        for (int r = d.top; r < rows && y < d.rcList.bottom; ++r) {
            int h = d.RowHeightOf(r);
            RECT rr = Rect(left, y, right, y + h);
            DrawRow(hDC, rr, d.rcList, r);
            if (focused && r == focusRow) {
                RECT fr = rr;
                int x0 = 0, x1 = 0;
                if (focusColumn >= 0 && (GetStyle() & RVS_CELLFOCUS) && d.ColumnRange(focusColumn, x0, x1)) {
                    fr.left = x0;
                    fr.right = x1;
                    fr.bottom = fr.top + d.rowHeight;
                }
                SetTextColor(hDC, RGB(0, 0, 0));
                SetBkColor(hDC, RGB(255, 255, 255));
                ::DrawFocusRect(hDC, &fr);
            }
            y += h;
        }
        if (y < client.bottom) {
            RECT below = Rect(client.left, y, client.right, client.bottom);
            if (!enabled || !DrawBkImage(hDC, below, d.rcList.left - d.hpos, d.rcList.top))
                DrawBkgnd(hDC, below, back);
        }
        SelectClipRgn(hDC, nullptr);
        DeleteObject(clip);
    }
    SelectObject(hDC, oldFont);
    d.paintFocus = -1;
}

void CReportCtrl::DrawRow(HDC hDC, RECT rcRow, RECT rcClip, int iRow) {
    Impl& d = *m_impl;
    (void)rcClip;
    DWORD style = GetStyle();
    int iItem = iRow == -1 ? -1 : d.model.GetItemFromRow(iRow);
    _RVITEM whole = {};
    whole.iItem = iItem;
    whole.iSubItem = -1;
    d.model.GetItem(&whole);
    bool focused = d.HasFocus();
    bool selected = (whole.nState & RVIS_CHOSEN) && (focused || (style & RVS_KEEPSELECTIONVISIBLE));
    COLORREF back = IsWindowEnabled(m_hwnd) ? m_crSys[kWindow] : m_crSys[kDisabled];
    if (whole.iBkColor >= 0 && whole.iBkColor < d.model.GetColorCount())
        back = d.model.GetColor(whole.iBkColor);
    else if ((style & RVS_STRIPEDROWS) && iRow >= 0 && (iRow & 1) && d.model.GetColorCount() > 0)
        back = d.model.GetColor(0);
    if (selected) back = focused ? m_crSys[kHighlight] : m_crSys[kHighlightNoFocus];
    RECT cells = rcRow;
    cells.bottom = cells.top + d.rowHeight;
    bool plain = !selected && whole.iBkColor < 0 && IsWindowEnabled(m_hwnd);
    if (!plain || !DrawBkImage(hDC, rcRow, d.rcList.left - d.hpos, d.rcList.top)) DrawBkgnd(hDC, cells, back);
    HGDIOBJ oldFont = SelectObject(hDC, (whole.nState & RVIS_HEAVYFONT) && d.bold ? d.bold : d.font);
    const std::vector<int>& cols = d.model.GetColumnOrder();
    char buffer[kTextBuffer];
    int x = rcRow.left;
    // A tree node showing its tree sub-item draws that one from the first column to the row's end.
    int span = -1;
    if (iItem >= 0 && (style & RVS_TREEMASK)) span = d.model.GetTreeSubItem(d.model.GetItemHandle(iItem));
    for (int c = 0; c < (int)cols.size() && (span < 0 || c == 0); ++c) {
        const zrpc::report::SubItemDef* def = d.model.GetSubItemDef(cols[(size_t)c]);
        int x0 = x;
        x = span >= 0 ? rcRow.left + d.totalWidth : x + (def ? def->width : 0);
        if (x < rcClip.left || x0 > rcClip.right) continue; // a column outside the list area
        _RVITEM it = {};
        it.nMask = RVIM_LABEL;
        it.iItem = iItem;
        it.iSubItem = span >= 0 ? span : cols[(size_t)c];
        buffer[0] = 0;
        it.lpszText = buffer;
        it.iTextMax = sizeof buffer;
        if (!d.model.GetItem(&it)) continue;
        Impl::Cell cell;
        if (!d.CellPartsInRow(rcRow, iRow, c, cell, &it)) continue;
        it.nState = whole.nState;
        if (selected)
            it.nState |= RVIS_CHOSEN;
        else
            it.nState &= ~RVIS_CHOSEN;
        if (c == 0 && cell.box.right > cell.box.left)
            DrawTreeBox(hDC, cell.box, whole.nState & (RVIS_COLLAPSED | RVIS_EXPANDED));
        RECT area = cell.cell;
        area.left = cell.box.right > cell.box.left ? cell.box.right : cell.cell.left;
        if (span >= 0) area.right = x;
        if ((whole.nState & RVIS_CUSTOMDRAW)) {
            _NMRVDRAWITEM nm = {};
            nm.hdr.code = RVN_PAINTITEM;
            nm.lpItem = &it;
            nm.hDC = hDC;
            nm.rect = {area.left, area.top, area.right, area.bottom};
            uint32_t n = (RVN_BASE - RVN_PAINTITEM) & 31u;
            if ((((uint32_t)d.model.GetProperty(RVP_NOTIFYFILTER) >> n) & 1u) && Notify(&nm.hdr)) continue;
        }
        // A cell with room for its image and check box stays inside its rectangle (the text ends in
        // an ellipsis); only narrower cells, or cells cut by the paint area, need a clip of their own.
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
    SelectObject(hDC, oldFont);
    int preview = rcRow.bottom - cells.bottom;
    if (preview > 0) {
        if (!plain || !DrawBkImage(hDC, rcRow, d.rcList.left - d.hpos, d.rcList.top))
            DrawBkgnd(hDC, Rect(rcRow.left, cells.bottom, rcRow.right, rcRow.bottom), back);
        _NMRVDRAWPREVIEW nm = {};
        nm.hdr.code = RVN_PAINTPREVIEW;
        nm.iItem = iItem;
        nm.nState = whole.nState;
        nm.hDC = hDC;
        nm.rect = {rcRow.left, cells.bottom, rcRow.right, rcRow.bottom};
        nm.lParam = whole.lParam;
        uint32_t n = (RVN_BASE - RVN_PAINTPREVIEW) & 31u;
        if (((uint32_t)d.model.GetProperty(RVP_NOTIFYFILTER) >> n) & 1u) Notify(&nm.hdr);
    }
    if (style & (RVS_ROWLINES | RVS_COLUMNLINES)) {
        static const int kPens[] = {PS_DOT, PS_DASH, PS_SOLID};
        int ls = (int)d.model.GetProperty(RVP_LINESTYLE);
        HPEN pen = CreatePen(kPens[std::max(0, std::min(2, ls))], 1, m_crSys[kGrid]);
        HGDIOBJ old = SelectObject(hDC, pen);
        SetBkColor(hDC, back);
        if (style & RVS_ROWLINES) {
            MoveToEx(hDC, rcRow.left, rcRow.bottom - 1, nullptr);
            LineTo(hDC, rcRow.right, rcRow.bottom - 1);
        }
        if (style & RVS_COLUMNLINES) {
            int x = d.rcList.left - d.hpos;
            for (int sub : cols) {
                x += d.model.GetSubItemDef(sub)->width;
                MoveToEx(hDC, x - 1, rcRow.top, nullptr);
                LineTo(hDC, x - 1, rcRow.bottom);
            }
        }
        SelectObject(hDC, old);
        DeleteObject(pen);
    }
}

void CReportCtrl::DrawItem(HDC hDC, RECT rect, _RVITEM* pItem) {
    Impl& d = *m_impl;
    int gap = (int)d.model.GetProperty(RVP_GAP);
    const zrpc::report::SubItemDef* def = d.model.GetSubItemDef(pItem->iSubItem);
    RECT r = rect;
    bool wantImage = (pItem->nMask & RVIM_PICTURE) || (def && (def->format & RVCF_IMAGESPACE));
    if (wantImage && d.images) {
        r.left += gap;
        if (r.left + d.imageSize.cx > rect.right) return; // no room for the image: nothing further
        if (pItem->nMask & RVIM_PICTURE) DrawImage(hDC, r, pItem, (pItem->nState & RVIS_CHOSEN) != 0);
        r.left += d.imageSize.cx;
    }
    if ((pItem->nMask & RVIM_CHECKMARK) || (def && (def->format & RVCF_CHECKSPACE))) {
        r.left += gap;
        int w = d.CheckAreaWidth();
        if (pItem->nMask & RVIM_CHECKMARK) DrawCheck(hDC, r, pItem);
        r.left += w;
    }
    r.left += gap;
    r.right -= gap;
    if ((pItem->nMask & RVIM_LABEL) && r.right > r.left) DrawText(hDC, r, pItem);
}

int CReportCtrl::DrawImage(HDC hDC, RECT rect, _RVITEM* pItem, BOOL bSelected) {
    Impl& d = *m_impl;
    if (!d.images || pItem->iImage < 0) return 0;
    int y = rect.top + (d.rowHeight - d.imageSize.cy) / 2;
    UINT style = ILD_TRANSPARENT;
    int mode = (int)d.model.GetProperty(RVP_PICTUREHIGHLIGHT);
    COLORREF blend = CLR_NONE;
    if (mode == 0) {
        if (pItem->nState & RVIS_FADEHALF)
            style |= ILD_BLEND50, blend = (COLORREF)d.model.GetProperty(RVP_FADECOLOUR);
        else if (pItem->nState & RVIS_FADEQUARTER)
            style |= ILD_BLEND25, blend = (COLORREF)d.model.GetProperty(RVP_FADECOLOUR);
    } else {
        int focusColumn = -1;
        bool focusRow = d.model.GetCurrentFocus(&focusColumn) == d.model.GetRowFromItem(pItem->iItem);
        if ((mode & 1) && bSelected)
            style |= ILD_BLEND50, blend = m_crSys[kHighlight];
        else if ((mode & 2) && focusRow)
            style |= ILD_BLEND25, blend = m_crSys[kHighlight];
    }
    if ((pItem->nMask & RVIM_OVERLAYIMAGE) && pItem->iOverlay >= 0)
        style |= INDEXTOOVERLAYMASK((UINT)pItem->iOverlay & 0x0F);
    ImageList_DrawEx(d.images, pItem->iImage, hDC, rect.left, y, 0, 0, CLR_NONE, blend, style);
    return d.imageSize.cx;
}

int CReportCtrl::DrawCheck(HDC hDC, RECT rect, _RVITEM* pItem) {
    Impl& d = *m_impl;
    int state = pItem->iCheck;
    if (state < 0) return 0;
    if (d.checkImages) {
        int y = rect.top + (d.rowHeight - d.checkSize.cy) / 2;
        ImageList_Draw(d.checkImages, state, hDC, rect.left, y, ILD_TRANSPARENT);
        return d.checkSize.cx;
    }
    int w = d.CheckWidth(), h = d.CheckHeight();
    int y = rect.top + (d.rowHeight - h) / 2;
    RECT box = Rect(rect.left, y, rect.left + w, y + h);
    bool checked = state & 1, crossed = state & 2, greyed = state & 4;
    int look = (int)d.model.GetProperty(RVP_CHECKBOXLOOK);
    if (look == 2) {
        DrawFrameControl(hDC, &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (greyed ? DFCS_INACTIVE : 0));
    } else {
        COLORREF fill = greyed ? m_crSys[kDisabled] : m_crSys[kWindow];
        DrawBkgnd(hDC, box, fill);
        HPEN frame = CreatePen(PS_SOLID, 1, look == 1 ? RGB(0, 0, 0) : m_crSys[kShadow]);
        HGDIOBJ old = SelectObject(hDC, frame);
        HGDIOBJ oldBrush = SelectObject(hDC, GetStockObject(NULL_BRUSH));
        Rectangle(hDC, box.left, box.top, box.right, box.bottom);
        SelectObject(hDC, oldBrush);
        SelectObject(hDC, old);
        DeleteObject(frame);
        if (checked) {
            HPEN mark = CreatePen(PS_SOLID, 2, greyed ? m_crSys[kShadow] : m_crSys[kText]);
            old = SelectObject(hDC, mark);
            MoveToEx(hDC, box.left + 2, box.top + h / 2, nullptr);
            LineTo(hDC, box.left + w / 2 - 1, box.bottom - 3);
            LineTo(hDC, box.right - 2, box.top + 1);
            SelectObject(hDC, old);
            DeleteObject(mark);
        }
    }
    if (crossed) {
        HPEN red = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(hDC, red);
        MoveToEx(hDC, box.left + 1, box.top + 1, nullptr);
        LineTo(hDC, box.right - 1, box.bottom - 1);
        MoveToEx(hDC, box.right - 1, box.top + 1, nullptr);
        LineTo(hDC, box.left + 1, box.bottom - 1);
        SelectObject(hDC, old);
        DeleteObject(red);
    }
    return w;
}

int CReportCtrl::DrawText(HDC hDC, RECT rect, _RVITEM* pItem) {
    Impl& d = *m_impl;
    bool focused = d.HasFocus();
    bool selected = (pItem->nState & RVIS_CHOSEN) != 0;
    COLORREF colour = m_crSys[kText];
    bool own = (pItem->nMask & RVIM_FORECOLOUR) && pItem->iTextColor >= 0 &&
               pItem->iTextColor < d.model.GetColorCount();
    if (own) colour = d.model.GetColor(pItem->iTextColor);
    if (selected && (!own || !(GetStyle() & RVS_KEEPCOLOURS)))
        colour = focused ? m_crSys[kHighlightText] : m_crSys[kHighlightTextNoFocus];
    SetTextColor(hDC, colour);
    const zrpc::report::SubItemDef* def = d.model.GetSubItemDef(pItem->iSubItem);
    UINT align = DT_LEFT;
    if (def && (def->format & 3) == 1) align = DT_RIGHT;
    if (def && (def->format & 3) == 2) align = DT_CENTER;
    RECT r = rect;
    r.bottom = r.top + d.rowHeight;
    ::DrawTextA(hDC, pItem->lpszText, -1, &r,
                align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    return 1;
}

void CReportCtrl::DrawTreeBox(HDC hDC, RECT rect, UINT nState) {
    if (!(nState & (RVIS_COLLAPSED | RVIS_EXPANDED))) return;
    int size = std::min<int>(9, std::min<int>(rect.right - rect.left, rect.bottom - rect.top) - 2);
    if (size < 5) return;
    int cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2;
    RECT box = Rect(cx - size / 2, cy - size / 2, cx - size / 2 + size, cy - size / 2 + size);
    DrawBkgnd(hDC, box, m_crSys[kWindow]);
    HPEN pen = CreatePen(PS_SOLID, 1, m_crSys[kShadow]);
    HGDIOBJ old = SelectObject(hDC, pen);
    HGDIOBJ oldBrush = SelectObject(hDC, GetStockObject(NULL_BRUSH));
    Rectangle(hDC, box.left, box.top, box.right, box.bottom);
    SelectObject(hDC, oldBrush);
    SelectObject(hDC, old);
    DeleteObject(pen);
    HPEN sign = CreatePen(PS_SOLID, 1, m_crSys[kText]);
    old = SelectObject(hDC, sign);
    MoveToEx(hDC, box.left + 2, cy, nullptr);
    LineTo(hDC, box.right - 2, cy);
    if (nState & RVIS_COLLAPSED) {
        MoveToEx(hDC, cx, box.top + 2, nullptr);
        LineTo(hDC, cx, box.bottom - 2);
    }
    SelectObject(hDC, old);
    DeleteObject(sign);
}

// ---------------------------------------------------------------- the user's side

namespace zrpc::report {

ReportModel& ReportWindow::Model(CReportCtrl& c) {
    return c.m_impl->model;
}
ReportUser& ReportWindow::User(CReportCtrl& c) {
    return c.m_impl->user;
}
HFONT ReportWindow::Font(CReportCtrl& c, bool bold) {
    return bold ? c.m_impl->bold : c.m_impl->font;
}
void ReportWindow::ShowRow(CReportCtrl& c, int row) {
    c.m_impl->EnsureRowVisible(row, false);
}
void ReportWindow::ShowColumn(CReportCtrl& c, int column) {
    CReportCtrl::Impl& d = *c.m_impl;
    int x0 = 0, x1 = 0;
    if (!d.ColumnRange(column, x0, x1)) return;
    int left = x0 - d.rcList.left + d.hpos, right = x1 - d.rcList.left + d.hpos; // in column space
    int page = d.rcList.right - d.rcList.left;
    if (left < d.hpos)
        d.SetHPos(left);
    else if (right > d.hpos + page)
        d.SetHPos(std::min(left, right - page));
}
void ReportWindow::HScroll(CReportCtrl& c, int code) {
    c.m_impl->HScroll(code, 0);
}
bool ReportWindow::CellRects(CReportCtrl& c, int row, int column, RECT* cell, RECT* text) {
    c.m_impl->Flush();
    CReportCtrl::Impl::Cell parts;
    if (!c.m_impl->CellParts(row, column, parts)) return false;
    if (cell) *cell = parts.cell;
    if (text) *text = parts.text;
    return true;
}
int ReportWindow::RowHeight(CReportCtrl& c) {
    return c.m_impl->rowHeight;
}

} // namespace zrpc::report

// ---------------------------------------------------------------- messages

LRESULT CReportCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    Impl& d = *m_impl;
    LRESULT handled = 0;
    // The tip and header extras see every message first (the tip hides on clicks and keys), except the
    // header's notifications: input and editing see those first, so an open edit ends before the
    // header acts (a divider double-click fits the column).
    if (d.created && msg != WM_NOTIFY && ExtrasMessage(msg, wp, lp, &handled)) return handled;
    if (d.created && d.user.OnMessage(msg, wp, lp, &handled)) return handled;
    if (d.created && msg == WM_NOTIFY && ExtrasMessage(msg, wp, lp, &handled)) return handled;
    switch (msg) {
    case WM_PAINT:
        if (!d.created) break;
        d.Paint();
        return 0;
    case WM_PRINTCLIENT: {
        if (!d.created) break;
        d.Flush();
        HDC dc = reinterpret_cast<HDC>(wp);
        HPALETTE old = d.UsePalette(dc);
        DrawCtrl(dc);
        if (old) SelectPalette(dc, old, TRUE);
        return 0;
    }
    case WM_QUERYNEWPALETTE:
        return d.RealisePalette(false) ? TRUE : FALSE;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wp) != m_hwnd) d.RealisePalette(true);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        d.Layout();
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (!d.model.GetProperty(RVP_USEHSCROLL)) ShowScrollBar(m_hwnd, SB_HORZ, FALSE);
        break;
    case WM_SETFONT:
        d.ApplyFont(reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        if (!LOWORD(lp)) d.Layout();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(d.font);
    case WM_VSCROLL:
        d.VScroll(LOWORD(wp),
                  (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION) ? d.ThumbPos(SB_VERT) : 0);
        return 0;
    case WM_HSCROLL:
        d.HScroll(LOWORD(wp),
                  (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION) ? d.ThumbPos(SB_HORZ) : 0);
        return 0;
    case WM_MOUSEWHEEL:
        d.Wheel(GET_WHEEL_DELTA_WPARAM(wp));
        return 0;
    case WM_SETTINGCHANGE:
        d.wheelLines = GetMouseScrollLines();
        GetSysColors();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_SYSCOLORCHANGE:
        GetSysColors();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_ENABLE:
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (lp && d.HeaderNotify(reinterpret_cast<NMHDR*>(lp), &result)) return result;
        break;
    }
    case kApplyOrder:
        m_impl->ApplyPendingOrder();
        return 0;
    case WM_NCDESTROY:
        d.header = nullptr;
        d.created = false;
        d.FreeBuffer();
        break;
    default:
        break;
    }
    return Default();
}
