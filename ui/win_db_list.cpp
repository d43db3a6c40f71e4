// CDBVortalListCtrl: the token's keys and the key store's public keys in a report-view list view,
// with check boxes drawn by the control, disabled rows, in-place editing of the key store's comments
// or e-mail addresses, and the checks remembered per token in the registry.
#include "include/zrpcdblist.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/win_settings.h"
#include "frame/win_frame.h"
#include "keystore/connection.h"
#include "keystore/store_doc.h"
#include "keystore/win_keystore.h"
#include "ui/win_keystore_controls.h"
#include "winlayer/win_controls.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

// The key store's bound for a comment or an e-mail address (without the terminator).
constexpr size_t kTextLimit = zks::kMaxNoteLength;

// The list view under the control's calls.
zwin::ListViewCtrl View(HWND list) {
    return zwin::ListViewCtrl(list);
}

// Reads a cell's text into buffer (empty when the cell has none).
void CellText(HWND list, int row, int column, char* buffer, size_t size) {
    buffer[0] = 0;
    View(list).GetItemText(row, column, buffer, (int)size);
}

enum Colour {
    kFace,
    kHighlight3D,
    kShadow,
    kFace2,
    kShadow2,
    kButtonText,
    kGreyText,
    kHighlight,
    kHighlightText,
    kWindow,
    kWindowText
};
const int kColourIndex[11] = {COLOR_3DFACE,        COLOR_3DHIGHLIGHT, COLOR_3DSHADOW,  COLOR_3DFACE,
                              COLOR_3DSHADOW,      COLOR_BTNTEXT,     COLOR_GRAYTEXT,  COLOR_HIGHLIGHT,
                              COLOR_HIGHLIGHTTEXT, COLOR_WINDOW,      COLOR_WINDOWTEXT};

// A row's records: the count of cells in front of the array that the row's item data points to, so
// that a column added after the row was inserted is never looked up past the array's end.
struct RowBlock {
    int count;
    int reserved;
    _tCDBVORTALLISTSCTRLDATA cells[1];
};

_tCDBVORTALLISTSCTRLDATA* NewRecords(int count, COLORREF text, COLORREF back) {
    if (count < 1) count = 1;
    size_t bytes = offsetof(RowBlock, cells) + sizeof(_tCDBVORTALLISTSCTRLDATA) * static_cast<size_t>(count);
    RowBlock* block = static_cast<RowBlock*>(::operator new(bytes, std::nothrow));
    if (!block) return nullptr;
    block->count = count;
    block->reserved = 0;
    for (int i = 0; i < count; ++i) {
        _tCDBVORTALLISTSCTRLDATA& c = block->cells[i];
        c.enabled = TRUE;
        c.textColour = text;
        c.backColour = back;
        c.checkState = eCheckNone;
        c.image = -1;
        c.type = DBLIST_ROW_CALLER;
        c.serial = 0;
    }
    return block->cells;
}

RowBlock* BlockOf(_tCDBVORTALLISTSCTRLDATA* cells) {
    return reinterpret_cast<RowBlock*>(reinterpret_cast<char*>(cells) - offsetof(RowBlock, cells));
}

void FreeRecords(_tCDBVORTALLISTSCTRLDATA* cells) {
    if (cells) ::operator delete(BlockOf(cells));
}

// Inserts a row at index together with its records (a list view tells its parent of every change, so
// one insertion, not two). The row's index, or -1 with nothing inserted; cells receives the records.
int InsertRow(HWND list, int index, const char* text, int columns, COLORREF textColour, COLORREF backColour,
              _tCDBVORTALLISTSCTRLDATA** cells) {
    *cells = NewRecords(columns, textColour, backColour);
    if (!*cells) return -1;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.lParam = reinterpret_cast<LPARAM>(*cells);
    int row = View(list).InsertItem(item);
    if (row < 0) {
        FreeRecords(*cells);
        *cells = nullptr;
    }
    return row;
}

// A column's justification (LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER), for its editor and its drawing.
int ColumnJustify(HWND list, int column) {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT;
    View(list).GetColumn(column, &info);
    return info.fmt & LVCFMT_JUSTIFYMASK;
}

std::string SerialText(unsigned long serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", serial);
    return text;
}

} // namespace

// The in-place editor of a cell: an edit control over the cell that reports its text to the list's
// parent when it loses the focus, then destroys itself.
class CSubItemEdit : public zwin::Window {
  public:
    CSubItemEdit(HWND list, int row, int column)
        : m_list(list), m_row(row), m_column(column), m_cancel(false) {}
    bool Start(const RECT& rect, DWORD align, const char* text) {
        RECT r = rect;
        if (!Create("EDIT", text, WS_BORDER | WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, 0, r, m_list,
                    static_cast<UINT>(m_column)))
            return false;
        zwin::EditCtrl edit(m_hwnd);
        edit.SetFont(zwin::ControlHandle(m_list).GetFont(), true);
        SetFocus(m_hwnd);
        edit.SelectAll();
        edit.ScrollCaret();
        return true;
    }

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM) override {
        switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | Default();
        case WM_KEYDOWN:
            if (wp == VK_RETURN || wp == VK_ESCAPE) {
                if (wp == VK_ESCAPE) m_cancel = true;
                SetFocus(m_list);
                return 0;
            }
            return Default();
        case WM_CHAR: {
            if (wp == VK_RETURN || wp == VK_ESCAPE) return 0; // no beep
            LRESULT result = Default();
            Widen();
            return result;
        }
        case WM_KILLFOCUS: {
            LRESULT result = Default();
            Finish();
            return result;
        }
        default:
            return Default();
        }
    }
    void PostNcDestroy() override { delete this; }

  private:
    void Widen() {
        int length = GetWindowTextLengthA(m_hwnd);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        GetWindowTextA(m_hwnd, &text[0], length + 1);
        HDC dc = GetDC(m_hwnd);
        HGDIOBJ old = SelectObject(dc, zwin::ControlHandle(m_hwnd).GetFont());
        SIZE size = {};
        GetTextExtentPoint32A(dc, text.c_str(), length, &size);
        SelectObject(dc, old);
        ReleaseDC(m_hwnd, dc);
        RECT mine, list;
        GetWindowRect(m_hwnd, &mine);
        MapWindowPoints(nullptr, m_list, reinterpret_cast<POINT*>(&mine), 2);
        GetClientRect(m_list, &list);
        int want = size.cx + 5;
        if (want > mine.right - mine.left) {
            int width = want;
            if (mine.left + width > list.right) width = list.right - mine.left;
            SetWindowPos(m_hwnd, nullptr, 0, 0, width, mine.bottom - mine.top, SWP_NOMOVE | SWP_NOZORDER);
        }
    }
    void Finish() {
        if (m_done) return;
        m_done = true;
        int length = GetWindowTextLengthA(m_hwnd);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        GetWindowTextA(m_hwnd, &text[0], length + 1);
        NMLVDISPINFOA info = {};
        info.hdr.hwndFrom = m_list;
        info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_list));
        info.hdr.code = LVN_ENDLABELEDITA;
        info.item.mask = LVIF_TEXT;
        info.item.iItem = m_row;
        info.item.iSubItem = m_column;
        info.item.pszText = m_cancel ? nullptr : &text[0];
        info.item.cchTextMax = length;
        HWND parent = GetParent(m_list);
        if (parent) SendMessageA(parent, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
        ::DestroyWindow(m_hwnd);
    }

    HWND m_list;
    int m_row;
    int m_column;
    bool m_cancel;
    bool m_done = false;
};

CDBVortalListCtrl::CDBVortalListCtrl()
    : m_ownKeyOnly(FALSE), m_initialised(FALSE), m_token(nullptr), m_tokenId(0),
      m_flags(0), m_backupSerial{0, 0}, m_hasBackupKeys(FALSE), m_infoGiven(FALSE), m_focusBeforeClick(-1) {
    std::memset(&m_info, 0, sizeof m_info);
    ReadColours();
    CheckboxMessage();
}

CDBVortalListCtrl::CDBVortalListCtrl(_tToken_InfoEx* info) : CDBVortalListCtrl() {
    if (info) {
        std::memcpy(&m_info, info, sizeof m_info);
        m_infoGiven = TRUE;
    }
}

CDBVortalListCtrl::~CDBVortalListCtrl() {
    // A window given back keeps its rows, but not item data that point at freed records.
    zrpc::GuardVoid([this] {
        if (!m_hwnd) return;
        int n = RowCount();
        for (int row = 0; row < n; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
            if (!cells) continue;
            LVITEMA item = {};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            View(m_hwnd).SetItem(item);
            FreeRecords(cells);
        }
    });
}

UINT CDBVortalListCtrl::CheckboxMessage() {
    static const UINT message = RegisterWindowMessageA("WM_CDBVORTALLISTSCTRL_CHECKBOX_CLICKED");
    return message;
}

void CDBVortalListCtrl::ReadColours() {
    for (int i = 0; i < 11; ++i)
        m_colours[i] = GetSysColor(kColourIndex[i]);
}

int CDBVortalListCtrl::RowCount() {
    return View(m_hwnd).GetItemCount();
}

_tCDBVORTALLISTSCTRLDATA* CDBVortalListCtrl::Records(int row) {
    if (!m_hwnd || row < 0 || row >= RowCount()) return nullptr;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!View(m_hwnd).GetItem(&item)) return nullptr;
    return reinterpret_cast<_tCDBVORTALLISTSCTRLDATA*>(item.lParam);
}

int CDBVortalListCtrl::RecordCount(int row) {
    _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
    return cells ? BlockOf(cells)->count : 0;
}

int CDBVortalListCtrl::GetColumns() {
    return zrpc::Guard(0, [&] { return View(m_hwnd).GetHeader().GetItemCount(); });
}

unsigned long CDBVortalListCtrl::InitControl(ITokenInterface* token, unsigned long tokenId,
                                             unsigned long flags, int ownKeyOnly) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        m_token = token;
        m_tokenId = tokenId;
        m_flags = flags;
        m_ownKeyOnly = ownKeyOnly ? TRUE : FALSE;
        if (!token || tokenId == 0) {
            std::string doing;
            zrpc::LangString(IDS_NO_TOKEN_COMPONENT, doing);
            zrpc::DisplayError(m_hwnd, 1, doing.c_str(), nullptr, false);
            return 1;
        }
        if (!m_hwnd) return 1;
        EnableReflection();
        View(m_hwnd).SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_FLATSB,
                                      LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
        CreateColumns();
        RedrawParent();
        unsigned long status = Populate();
        if (status == 0) m_initialised = TRUE;
        return status;
    });
}

void CDBVortalListCtrl::CreateColumns() {
    auto add = [&](int at, const char* name, int width) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<char*>(name);
        column.iSubItem = at;
        View(m_hwnd).InsertColumn(at, column);
    };
    RECT r = {};
    GetWindowRect(m_hwnd, &r);
    int third = (r.right - r.left) - 74;
    add(0, "Name", 120);
    add(1, "Serial", 70);
    if (m_flags & DBLIST_COMMENTS) add(2, "Comments", third);
    if (m_flags & DBLIST_EMAIL) add(2, "EMail", third);
}

void CDBVortalListCtrl::RedrawParent() {
    HWND parent = GetParent(m_hwnd);
    if (parent)
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL CDBVortalListCtrl::Refresh() {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_initialised || !m_hwnd) return FALSE;
        DeleteAllRows();
        return Populate() == 0 ? TRUE : FALSE;
    });
}

void CDBVortalListCtrl::DeleteAllRows() {
    for (int row = RowCount() - 1; row >= 0; --row)
        DeleteItem(row);
}

unsigned long CDBVortalListCtrl::Populate() {
    unsigned long status = zrpc::ReadTokenInfo(m_hwnd, m_token, m_tokenId, &m_info);
    if (status != 0) return status;
    if (m_flags & DBLIST_TOKEN_KEYS) FillVortalPublicKeys();
    if (!m_ownKeyOnly && (m_flags & DBLIST_STORE_KEYS)) FillDatabasePublicKeys();
    AdjustLastColumn();
    return 0;
}

void CDBVortalListCtrl::FillVortalPublicKeys() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd) return;
        int row = 0;
        int last = m_ownKeyOnly ? 0 : 2;
        for (int i = 0; i <= last; ++i) {
            std::string name;
            unsigned long serial = 0;
            bool present = false;
            unsigned long status = 0;
            if (i == 0) {
                name = zks::NameFieldText(m_info.name);
                serial = m_info.publicKeySerial;
                present = true;
            } else if (m_info.backupFlags & (i == 1 ? ZRPC_TOKENINFO_BACKUP1 : ZRPC_TOKENINFO_BACKUP2)) {
                present = true;
                m_hasBackupKeys = TRUE;
                // A failure of the token is shown by the request itself.
                status = GetChobKeySerial(static_cast<_eChobKey>(i), &serial);
                if (status == 0) {
                    m_backupSerial[i - 1] = serial;
                    char stored[17] = "";
                    if (zks::GetNameFromSerial(serial, stored))
                        name = stored;
                    else
                        name = i == 1 ? "Backup Key 1" : "Backup Key 2";
                }
            }
            if (!present || (m_flags & DBLIST_NO_TOKEN_ROWS) || status != 0) continue;
            int at = InsertItem(row, name.c_str());
            if (at < 0) continue;
            View(m_hwnd).SetItemText(at, 1, SerialText(serial).c_str());
            View(m_hwnd).SetItemText(at, 2, "");
            if (_tCDBVORTALLISTSCTRLDATA* cells = Records(at)) {
                cells[0].enabled = FALSE;
                cells[0].checkState = eCheckChecked;
                cells[0].type = static_cast<unsigned long>(i);
                cells[0].serial = serial;
            }
            ++row;
        }
        RedrawParent();
    });
}

unsigned long CDBVortalListCtrl::GetChobKeySerial(_eChobKey key, unsigned long* serial) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        if (!m_token || !serial) return 1;
        return zrpc::RequestBackupKeySerial(m_hwnd, m_token, m_tokenId, key, serial);
    });
}

void CDBVortalListCtrl::FillDatabasePublicKeys() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd) return;
        // A snapshot of the control's own: the caller's connection, its cursors and answers stay as
        // they were.
        zks::StoreSnapshot store;
        if (zks::LoadSnapshot(store) != 0) return;
        unsigned long serial = 0;
        unsigned char name[17];
        std::memset(name, 0, sizeof name);
        // Both columns may be present: each has its own lookup into its own buffer.
        int commentColumn = -1, emailColumn = -1;
        if ((m_flags & DBLIST_EMAIL) && (m_flags & DBLIST_COMMENTS)) {
            emailColumn = 2;
            commentColumn = 3;
        } else if (m_flags & DBLIST_EMAIL) {
            emailColumn = 2;
        } else if (m_flags & DBLIST_COMMENTS) {
            commentColumn = 2;
        }
        // Counted once: the loop keeps them (each question is a message to the list view).
        const int columns = GetColumns();
        int rows = RowCount();
        const zwin::ListViewCtrl view = View(m_hwnd);
        view.SetRedraw(false);
        for (unsigned long rc = store.FirstPublicKey(&serial, name); rc == 0;
             rc = store.NextPublicKey(&serial, name)) {
            name[16] = 0;
            if (serial == m_info.publicKeySerial || serial == m_backupSerial[0] ||
                serial == m_backupSerial[1]) {
                std::memset(name, 0, sizeof name);
                continue;
            }
            _tCDBVORTALLISTSCTRLDATA* cells = nullptr;
            int at = InsertRow(m_hwnd, rows, reinterpret_cast<const char*>(name), columns,
                               m_colours[kWindowText], m_colours[kWindow], &cells);
            std::memset(name, 0, sizeof name);
            if (at < 0) continue;
            ++rows;
            std::string serialText = SerialText(serial);
            view.SetItemText(at, 1, serialText.c_str());
            auto lookup = [&](int column, const char* element) {
                if (column < 0) return;
                char text[kTextLimit + 1];
                zrpc::CopyToBuffer(text, sizeof text, serialText);
                if (store.NoteAtCursor(element, text) == 0) view.SetItemText(at, column, text);
            };
            lookup(commentColumn, "comment");
            lookup(emailColumn, "email");
            cells[0].enabled = TRUE;
            cells[0].checkState = eCheckUnchecked;
            cells[0].type = DBLIST_ROW_STORE;
            cells[0].serial = serial;
        }
        view.SetRedraw(true);
        RedrawParent();
    });
}

int CDBVortalListCtrl::InsertItem(int index, const char* text) {
    return InsertItem(index, text, m_colours[kWindowText], m_colours[kWindow]);
}

int CDBVortalListCtrl::InsertItem(int index, const char* text, unsigned long textColour,
                                  unsigned long backColour) {
    return zrpc::Guard(-1, [&]() -> int {
        if (index < 0 || !m_hwnd) return -1;
        _tCDBVORTALLISTSCTRLDATA* cells = nullptr;
        return InsertRow(m_hwnd, index, text, GetColumns(), textColour, backColour, &cells);
    });
}

int CDBVortalListCtrl::InsertItem(const LVITEMA* item) {
    return zrpc::Guard(-1, [&]() -> int {
        if (!item || item->iItem < 0 || !m_hwnd) return -1;
        _tCDBVORTALLISTSCTRLDATA* cells =
            NewRecords(GetColumns(), m_colours[kWindowText], m_colours[kWindow]);
        if (!cells) return -1;
        cells[0].image = item->iImage;
        LVITEMA copy = *item;
        copy.mask |= LVIF_PARAM; // the caller's data value is replaced by the row's records
        copy.lParam = reinterpret_cast<LPARAM>(cells);
        int row = View(m_hwnd).InsertItem(copy);
        if (row < 0) FreeRecords(cells);
        return row;
    });
}

BOOL CDBVortalListCtrl::DeleteItem(int row) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_hwnd || row < 0 || row >= RowCount()) return FALSE;
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        LVITEMA data = {};
        data.mask = LVIF_PARAM;
        data.iItem = row;
        View(m_hwnd).SetItem(data);
        FreeRecords(cells);
        return View(m_hwnd).DeleteItem(row) ? TRUE : FALSE;
    });
}

BOOL CDBVortalListCtrl::SetCheckbox(int row, int column, eCheckState state) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || column < 0 || column >= GetColumns() || column >= BlockOf(cells)->count) return FALSE;
        cells[column].checkState = state;
        UpdateSubItem(row, column);
        return TRUE;
    });
}

int CDBVortalListCtrl::GetCheckbox(int row, int column) {
    return zrpc::Guard(-1, [&]() -> int {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || column < 0 || column >= GetColumns() || column >= BlockOf(cells)->count) return -1;
        return cells[column].checkState;
    });
}

BOOL CDBVortalListCtrl::GetEnabled(int row) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        return cells ? cells[0].enabled : FALSE;
    });
}

BOOL CDBVortalListCtrl::SetEnabled(int row, BOOL enabled) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells) return FALSE;
        cells[0].enabled = enabled;
        RECT r;
        if (GetSubItemRect(row, 0, LVIR_BOUNDS, r)) {
            RECT bounds = {};
            View(m_hwnd).GetItemRect(row, &bounds, LVIR_BOUNDS);
            InvalidateRect(m_hwnd, &bounds, TRUE);
            UpdateWindow(m_hwnd);
        }
        return TRUE;
    });
}

void CDBVortalListCtrl::ClearAllChecks() {
    zrpc::GuardVoid([&] {
        int n = RowCount();
        for (int row = 0; row < n; ++row)
            if (_tCDBVORTALLISTSCTRLDATA* cells = Records(row)) {
                cells[0].checkState = eCheckUnchecked;
                UpdateSubItem(row, 0);
            }
    });
}

int CDBVortalListCtrl::GetCurSel() {
    return m_hwnd ? View(m_hwnd).GetNextItem(-1, LVNI_SELECTED) : -1;
}

void CDBVortalListCtrl::UpdateSubItem(int row, int column) {
    zrpc::GuardVoid([&] {
        if (row < 0 || row >= RowCount() || column < 0 || column >= GetColumns()) return;
        RECT r;
        if (!GetSubItemRect(row, column, LVIR_BOUNDS, r)) return;
        InvalidateRect(m_hwnd, &r, TRUE);
        UpdateWindow(m_hwnd);
    });
}

BOOL CDBVortalListCtrl::GetSubItemRect(int row, int column, int area, RECT& rect) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_hwnd) return FALSE;
        const zwin::ListViewCtrl view = View(m_hwnd);
        if (!view.GetSubItemRect(row, column, area, &rect)) return FALSE;
        if (column == 0 && GetColumns() >= 2) {
            RECT next = {};
            if (view.GetSubItemRect(row, 1, LVIR_BOUNDS, &next)) rect.right = next.left;
        }
        return TRUE;
    });
}

int CDBVortalListCtrl::HitTestEx(POINT& point, int* column) {
    return zrpc::Guard(-1, [&]() -> int {
        if (!m_hwnd) return -1;
        LVHITTESTINFO hit = {};
        hit.pt = point;
        const zwin::ListViewCtrl view = View(m_hwnd);
        int row = view.HitTest(&hit);
        if (column) *column = 0;
        if ((GetWindowLongA(m_hwnd, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) return row;
        const zwin::HeaderCtrl header = view.GetHeader();
        if (!header) return -1;
        int columns = header.GetItemCount();
        int top = view.GetTopIndex();
        int bottom = top + view.GetCountPerPage();
        int count = RowCount();
        if (bottom > count) bottom = count;
        for (row = top; row <= bottom && row < count; ++row) {
            RECT bounds = {};
            if (!view.GetItemRect(row, &bounds, LVIR_BOUNDS)) continue;
            if (!PtInRect(&bounds, point)) continue;
            int left = bounds.left;
            for (int c = 0; c < columns; ++c) {
                int width = view.GetColumnWidth(c);
                if (point.x >= left && point.x <= left + width) {
                    if (column) *column = c;
                    return row;
                }
                left += width;
            }
        }
        return -1;
    });
}

BOOL CDBVortalListCtrl::IsColumnEdit(int row, int column) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (column != 2 && !(column == 3 && (m_flags & DBLIST_COMMENTS) && (m_flags & DBLIST_EMAIL)))
            return FALSE;
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        return cells && cells[0].type == DBLIST_ROW_STORE ? TRUE : FALSE;
    });
}

CSubItemEdit* CDBVortalListCtrl::EditSubLabel(int row, int column) {
    return zrpc::Guard(static_cast<CSubItemEdit*>(nullptr), [&]() -> CSubItemEdit* {
        if (!m_hwnd) return nullptr;
        const zwin::ListViewCtrl view = View(m_hwnd);
        if (!view.EnsureVisible(row, true)) return nullptr;
        int columns = GetColumns();
        if (column < 0 || column >= columns) return nullptr;
        if (view.GetColumnWidth(column) < 5) return nullptr;
        RECT bounds = {};
        view.GetItemRect(row, &bounds, LVIR_BOUNDS);
        int offset = 0;
        for (int c = 0; c < column; ++c)
            offset += view.GetColumnWidth(c);
        RECT client;
        GetClientRect(m_hwnd, &client);
        if (offset + bounds.left < 0 || offset + bounds.left > client.right) {
            SIZE size = {offset + bounds.left, 0};
            view.Scroll(size.cx, 0);
            bounds.left -= size.cx;
        }
        const int justify = ColumnJustify(m_hwnd, column);
        DWORD align = justify == LVCFMT_RIGHT ? ES_RIGHT : justify == LVCFMT_CENTER ? ES_CENTER : ES_LEFT;
        RECT r = bounds;
        r.left = bounds.left + offset;
        r.right = r.left + view.GetColumnWidth(column);
        if (r.right > client.right) r.right = client.right;
        if (column == 0 && view.GetImageList(LVSIL_SMALL)) r.left += 16;
        char text[kTextLimit + 1];
        CellText(m_hwnd, row, column, text, sizeof text);
        CSubItemEdit* editor = new (std::nothrow) CSubItemEdit(m_hwnd, row, column);
        if (!editor) return nullptr;
        if (!editor->Start(r, align, text)) {
            delete editor;
            return nullptr;
        }
        return editor;
    });
}

void CDBVortalListCtrl::AdjustLastColumn() {
    zrpc::GuardVoid([&] {
        int columns = GetColumns();
        if (columns < 1) return;
        const zwin::ListViewCtrl view = View(m_hwnd);
        int sum = 0;
        for (int c = 0; c < columns - 1; ++c)
            sum += view.GetColumnWidth(c);
        RECT r;
        GetWindowRect(m_hwnd, &r);
        int width = (r.right - r.left) - sum - 4;
        if (RowCount() > view.GetCountPerPage()) width -= GetSystemMetrics(SM_CXVSCROLL);
        view.SetColumnWidth(columns - 1, width);
    });
}

void CDBVortalListCtrl::DumpItems() {
    zrpc::GuardVoid([&] {
        int n = RowCount();
        for (int row = 0; row < n; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
            if (!cells) continue;
            char name[kTextLimit + 1];
            CellText(m_hwnd, row, 0, name, sizeof name);
            char line[400];
            std::snprintf(line, sizeof line, "Name : %s Enabled %d State %d Type %lu\n", name,
                          cells[0].enabled, static_cast<int>(cells[0].checkState), cells[0].type);
            OutputDebugStringA(line);
        }
    });
}

// The token's registry value: its own public key's serial as eight hexadecimal digits.
BOOL CDBVortalListCtrl::GetRegData(void** data, unsigned long* size) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!data || !size) return FALSE;
        *data = nullptr;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, zrpc::kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return FALSE;
        std::string name = SerialText(m_info.publicKeySerial);
        DWORD bytes = 0;
        LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &bytes);
        BOOL ok = FALSE;
        if (rc == ERROR_SUCCESS) {
            HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes * 2 + 4);
            if (block) {
                *data = block;
                DWORD got = bytes * 2;
                ok = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, static_cast<BYTE*>(block), &got) ==
                             ERROR_SUCCESS
                         ? TRUE
                         : FALSE;
                *size = ok ? got : 0;
            }
        }
        RegCloseKey(key);
        return ok;
    });
}

void CDBVortalListCtrl::MarkStuff(unsigned long* serials, unsigned long size) {
    zrpc::GuardVoid([&] {
        if (!serials) return;
        // Only whole serials: a trailing part of a value whose size is not a multiple of 4 is ignored.
        unsigned long n = size / 4;
        int rows = RowCount();
        for (unsigned long i = 0; i < n; ++i) {
            for (int row = 0; row < rows; ++row) {
                _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
                if (cells && cells[0].type == DBLIST_ROW_STORE && cells[0].serial == serials[i]) {
                    cells[0].checkState = eCheckChecked;
                    UpdateSubItem(row, 0);
                    break;
                }
            }
        }
    });
}

void CDBVortalListCtrl::LoadSettings() {
    zrpc::GuardVoid([&] {
        void* data = nullptr;
        unsigned long size = 0;
        if (GetRegData(&data, &size)) MarkStuff(static_cast<unsigned long*>(data), size);
        if (data) GlobalFree(data);
    });
}

void CDBVortalListCtrl::SaveSettings() {
    zrpc::GuardVoid([&] {
        std::string serials;
        int rows = RowCount();
        for (int row = 0; row < rows; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
            if (cells && cells[0].type == DBLIST_ROW_STORE && cells[0].checkState == eCheckChecked) {
                uint32_t s = static_cast<uint32_t>(cells[0].serial);
                serials.append(reinterpret_cast<const char*>(&s), 4);
            }
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, zrpc::kSettingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        std::string name = SerialText(m_info.publicKeySerial);
        RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(serials.data()),
                       static_cast<DWORD>(serials.size()));
        RegCloseKey(key);
    });
}

void CDBVortalListCtrl::GetDrawColors(int row, int column, unsigned long& text, unsigned long& back) {
    zrpc::GuardVoid([&] {
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
        GetDrawColors(row, column, text, back);
        HBRUSH brush = CreateSolidBrush(back);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);

        char label[kTextLimit + 1];
        CellText(m_hwnd, row, column, label, sizeof label);

        RECT box = rect;
        box.bottom = rect.bottom - 1;
        int height = box.bottom - box.top;
        box.left = label[0] ? rect.left + 9 : rect.left + (rect.right - rect.left) / 2 - height / 2 - 1;
        box.right = box.left + height;
        bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
        HBRUSH fill = CreateSolidBrush(enabled ? m_colours[kWindow] : m_colours[kFace]);
        FillRect(dc, &box, fill);
        DeleteObject(fill);
        box.left += 1;
        DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);

        bool rowEnabled = records ? records[0].enabled != FALSE : true;
        int state = records && column < BlockOf(records)->count ? records[column].checkState : eCheckNone;
        if (state == eCheckChecked) {
            HPEN pen = CreatePen(PS_SOLID, 1, enabled && rowEnabled ? RGB(0, 0, 0) : m_colours[kGreyText]);
            HGDIOBJ old = SelectObject(dc, pen);
            int x = box.left + 9, y = box.top + 3;
            for (int i = 0; i < 4; ++i, --x, ++y) {
                MoveToEx(dc, x, y, nullptr);
                LineTo(dc, x, y + 3);
            }
            for (int i = 0; i < 3; ++i, --x, --y) {
                MoveToEx(dc, x, y, nullptr);
                LineTo(dc, x, y + 3);
            }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        if (label[0]) {
            RECT r = rect;
            r.left = box.right + 4;
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, text);
            SetBkColor(dc, back);
            ::DrawTextA(dc, label, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        }
    });
}

void CDBVortalListCtrl::DrawTextA(int row, int column, HDC dc, unsigned long text, unsigned long back,
                                  RECT& rect, _tCDBVORTALLISTSCTRLDATA*) {
    zrpc::GuardVoid([&] {
        GetDrawColors(row, column, text, back);
        HBRUSH brush = CreateSolidBrush(back);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
        char label[kTextLimit + 1];
        CellText(m_hwnd, row, column, label, sizeof label);
        if (!label[0]) return;
        const int justify = ColumnJustify(m_hwnd, column);
        UINT align = justify == LVCFMT_RIGHT ? DT_RIGHT : justify == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
        RECT r = rect;
        r.left += 2;
        r.right -= 2;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, text);
        ::DrawTextA(dc, label, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
    });
}

LRESULT CDBVortalListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        // A plain dialog does not pass WM_SYSCOLORCHANGE on to its items: the colours are checked
        // before every paint as well.
        for (int i = 0; i < 11; ++i)
            if (m_colours[i] != GetSysColor(kColourIndex[i])) {
                ReadColours();
                break;
            }
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(draw->nmcd.dwItemSpec);
        int column = draw->iSubItem;
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        COLORREF text = m_colours[kWindowText], back = m_colours[kWindow];
        int count = cells ? BlockOf(cells)->count : 0;
        if (cells && column < count) {
            text = cells[column].textColour;
            back = cells[column].backColour;
        }
        if (cells && !cells[0].enabled) text = m_colours[kGreyText];
        if (!IsWindowEnabled(m_hwnd)) {
            text = m_colours[kGreyText];
            back = m_colours[kFace];
        }
        draw->clrText = text;
        draw->clrTextBk = back;
        RECT r;
        if (!GetSubItemRect(row, column, LVIR_BOUNDS, r)) return CDRF_DODEFAULT;
        if (cells && column < count && cells[column].checkState != eCheckNone)
            DrawCheckbox(row, column, draw->nmcd.hdc, text, back, r, cells);
        else
            DrawTextA(row, column, draw->nmcd.hdc, text, back, r, cells);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CDBVortalListCtrl::ToggleCell(int row, int column) {
    _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
    if (!cells || column >= BlockOf(cells)->count) return;
    if (cells[column].checkState == eCheckNone) return;
    if (cells[column].checkState == eCheckUnchecked && (m_flags & DBLIST_SINGLE_CHOICE)) ClearAllChecks();
    cells[column].checkState = cells[column].checkState == eCheckChecked ? eCheckUnchecked : eCheckChecked;
    UpdateSubItem(row, column);
    HWND parent = GetParent(m_hwnd);
    if (!parent) parent = GetWindow(m_hwnd, GW_OWNER);
    if (parent)
        SendMessageA(parent, CheckboxMessage(), static_cast<WPARAM>(row), static_cast<LPARAM>(column));
}

void CDBVortalListCtrl::OnEndLabelEdit(const NMLVDISPINFOA* info) {
    if (!info->item.pszText) return;
    int row = info->item.iItem, column = info->item.iSubItem;
    _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
    std::string text = info->item.pszText;
    if (cells) {
        unsigned long rc = 0;
        bool both = (m_flags & DBLIST_COMMENTS) && (m_flags & DBLIST_EMAIL);
        bool email = (m_flags & DBLIST_EMAIL) && column == 2;
        bool comment = (m_flags & DBLIST_COMMENTS) && (both ? column == 3 : column == 2);
        if (email) rc = zks::SetNote(cells[0].serial, text.c_str(), "email");
        if (comment) rc = zks::SetNote(cells[0].serial, text.c_str(), "comment");
        // A text the key store refuses (longer than it keeps) leaves the cell as it was.
        if (rc != 0) return;
    }
    View(m_hwnd).SetItemText(row, column, text.c_str());
}

bool CDBVortalListCtrl::OnReflect(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_NOTIFY || !lp) return false;
    NMHDR* header = reinterpret_cast<NMHDR*>(lp);
    switch (header->code) {
    case NM_CUSTOMDRAW:
        *result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
        return true;
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW:
        *result = TRUE; // the list view's own label editing is never used
        return true;
    case LVN_ENDLABELEDITA:
        OnEndLabelEdit(reinterpret_cast<NMLVDISPINFOA*>(lp));
        *result = 0;
        return true;
    case LVN_DELETEITEM: {
        // Rows deleted by the dialog itself take their records with them.
        NMLISTVIEW* item = reinterpret_cast<NMLISTVIEW*>(lp);
        if (item->lParam) FreeRecords(reinterpret_cast<_tCDBVORTALLISTSCTRLDATA*>(item->lParam));
        return false;
    }
    default:
        return false;
    }
}

LRESULT CDBVortalListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOLORCHANGE:
        ReadColours();
        return Default();
    case WM_DESTROY:
        DeleteAllRows();
        return Default();
    case WM_LBUTTONDOWN: {
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        // The first press of a double click focuses the row: the editor opens only on a row that had
        // the focus before.
        m_focusBeforeClick = View(m_hwnd).GetNextItem(-1, LVNI_FOCUSED);
        int column = 0;
        int row = RowCount() > 0 ? HitTestEx(p, &column) : -1;
        if (row < 0) return Default();
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || !cells[0].enabled) return 0;
        ToggleCell(row, column);
        return Default();
    }
    case WM_KEYDOWN: {
        if (wp != VK_SPACE) return Default();
        int row = GetCurSel();
        if (row < 0) return Default();
        _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
        if (!cells || !cells[0].enabled) return 0;
        ToggleCell(row, 0);
        return Default();
    }
    case WM_LBUTTONDBLCLK: {
        LRESULT result = Default();
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        int column = 0;
        int row = HitTestEx(p, &column);
        if (row < 0) return result;
        UINT state = View(m_hwnd).GetItemState(row, LVIS_FOCUSED);
        if ((state & LVIS_FOCUSED) && row == m_focusBeforeClick && IsColumnEdit(row, column)) {
            if (GetWindowLongA(m_hwnd, GWL_STYLE) & LVS_EDITLABELS) EditSubLabel(row, column);
            return result;
        }
        View(m_hwnd).SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return result;
    }
    default:
        return Default();
    }
}
