// The report control's window state (see win_report_state.h): the one holder its units read, and what
// the units share through it: layout, the header window's place, scrolling, repainting, fonts and image
// lists, the check of the control's own comparison; the control's own forms of its overridable
// operations (Notify, the last hop of every notification to the parent, among them); the profile store
// the column profiles are kept in, and the layered-window function the tip and the drop marker use.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reportctrl/win_report_state.h"
#include "winlayer/win_controls.h"
#include "winlayer/win_dpi.h"

using zrpc::report::ReportModel;

namespace {

// The model's scroll requests are numbered as the scroll bar's.
static_assert(zrpc::report::kScrollLineUp == SB_LINEUP && zrpc::report::kScrollPageDown == SB_PAGEDOWN &&
                  zrpc::report::kScrollThumbTrack == SB_THUMBTRACK &&
                  zrpc::report::kScrollBottom == SB_BOTTOM,
              "scroll codes");

RECT ToRect(const RVRECT& r) {
    RECT rc = {r.left, r.top, r.right, r.bottom};
    return rc;
}

} // namespace

// ---------------------------------------------------------------- the state

CReportCtrl::State::State(CReportCtrl& owner)
    : ctrl(owner), model(nullptr), geo(model), profiles(zrpc::report::ProcessProfileStore()), painter(*this),
      header(*this), tip(*this), input(*this), editor(*this), access(*this) {}

CReportCtrl::State::~State() {
    FreeFonts();
}

void CReportCtrl::State::FreeFonts() {
    painter.FreeBuffer(); // the buffer may hold the font
    if (font) DeleteObject(font);
    if (bold) DeleteObject(bold);
    font = bold = nullptr;
}

void CReportCtrl::State::RepaintRows(int first, int last) {
    HWND hwnd = Hwnd();
    if (!hwnd || !redraw) return;
    if (first == -2 || last == -2) {
        InvalidateRect(hwnd, nullptr, FALSE);
        return;
    }
    first = std::max(first, -1);
    last = std::min(last, model.GetRowCount() - 1); // no further than the rows there are
    for (int row = first; row <= last; ++row) {
        RVRECT rr;
        if (geo.RowRect(row, rr)) {
            RECT rc = ToRect(rr);
            InvalidateRect(hwnd, &rc, FALSE);
        }
        if (row > first + 256) { // a long range: everything
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        }
    }
}

void CReportCtrl::State::RowsChanged() {
    if (!Hwnd()) return;
    scrollStale = true;
    if (redraw) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void CReportCtrl::State::Invalidate() {
    if (Hwnd() && redraw) InvalidateRect(Hwnd(), nullptr, FALSE);
}

// The function CompareItems calls for this object, against the control's own: g++ gives the address of
// the function a bound pointer to a member function calls. While CReportCtrl's constructor runs, the
// object is a CReportCtrl, and the address is the control's own comparison. A control derived in a
// client program reaches the library's functions through that program's import jumps
// ("jmp [import slot]"): the jump is followed to the function itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
namespace {
typedef int (CReportCtrl::*CompareMember)(int, int, int, int);

const void* ThroughImportJump(const void* fn) {
    const unsigned char* p = static_cast<const unsigned char*>(fn);
    if (!p || p[0] != 0xFF || p[1] != 0x25) return fn;
    int32_t operand;
    std::memcpy(&operand, p + 2, sizeof operand);
#ifdef _WIN64
    const unsigned char* slot = p + 6 + operand; // relative to the next instruction
#else
    const unsigned char* slot = reinterpret_cast<const unsigned char*>((uintptr_t)(uint32_t)operand);
#endif
    const void* target;
    std::memcpy(&target, slot, sizeof target);
    return target;
}
} // namespace
void CReportCtrl::State::NoteOwnComparison() {
    CompareMember compare = &CReportCtrl::CompareItems;
    ownComparison = (Comparison)(ctrl.*compare);
}
bool CReportCtrl::State::CompareOverridden() const {
    CompareMember compare = &CReportCtrl::CompareItems;
    const void* now = reinterpret_cast<const void*>((Comparison)(ctrl.*compare));
    const void* own = reinterpret_cast<const void*>(ownComparison);
    return now != own && ThroughImportJump(now) != own;
}
#pragma GCC diagnostic pop

// ---------------------------------------------------------------- layout and scrolling

void CReportCtrl::State::Layout() {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    RECT client;
    GetClientRect(hwnd, &client);
    RVRECT rc = {client.left, client.top, client.right, client.bottom};
    int headerHeight = headerWindow ? headerWindow.LayoutHeight(client) : 0;
    geo.Layout(rc, headerHeight, zrpc::SystemMetricForDpi(SM_CYFIXEDFRAME, dpi));
    if (headerWindow) {
        ShowWindow(headerWindow.Handle(), (model.GetStyle() & RVS_HEADERLESS) ? SW_HIDE : SW_SHOWNA);
        PlaceHeader();
    }
    UpdateScrollBars();
    SetTop(geo.Top());
    SetHPos(geo.HPos());
    Invalidate();
}

void CReportCtrl::State::PlaceHeader() {
    if (!headerWindow) return;
    RVRECT at = geo.HeaderPlace();
    SetWindowPos(headerWindow.Handle(), nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CReportCtrl::State::Flush() {
    if (scrollStale && Hwnd()) UpdateScrollBars();
}

void CReportCtrl::State::UpdateScrollBars() {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    scrollStale = false;
    geo.Clamp();
    zrpc::report::ScrollBarInfo v = geo.VerticalBar(), h = geo.HorizontalBar();
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = v.max;
    si.nPage = (UINT)v.page;
    si.nPos = v.pos;
    SetScrollInfo(hwnd, SB_VERT, &si, redraw);
    si.nMax = h.max;
    si.nPage = (UINT)h.page;
    si.nPos = h.pos;
    if (model.GetProperty(RVP_USEHSCROLL))
        SetScrollInfo(hwnd, SB_HORZ, &si, redraw);
    else
        ShowScrollBar(hwnd, SB_HORZ, FALSE);
}

void CReportCtrl::State::SetTop(int row) {
    if (geo.SetTop(row)) Invalidate();
    if (!Hwnd()) return;
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = geo.Top();
    SetScrollInfo(Hwnd(), SB_VERT, &si, redraw);
}

void CReportCtrl::State::SetHPos(int pos) {
    if (geo.SetHPos(pos)) Invalidate();
    PlaceHeader();
    if (!Hwnd()) return;
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = geo.HPos();
    SetScrollInfo(Hwnd(), SB_HORZ, &si, redraw);
}

void CReportCtrl::State::VScroll(int code, int thumb) {
    Flush();
    SetTop(geo.ScrollRowsTarget(code, thumb));
}

void CReportCtrl::State::HScroll(int code, int thumb) {
    SetHPos(geo.ScrollPixelsTarget(code, thumb));
}

void CReportCtrl::State::ScrollToRow(int row, bool partial) {
    if (!Hwnd()) return;
    Flush();
    if (row == -2) {
        SetTop(0);
        return;
    }
    if (row < 0 || row >= model.GetRowCount()) return;
    int top = geo.TopToShow(row, partial);
    if (top != geo.Top()) SetTop(top);
}

void CReportCtrl::State::KeepTopAfterRemoval(int row) {
    if (!Hwnd()) return;
    Flush();
    // The rows below the one that went moved up: the row that was on top keeps its place on top when
    // it went up with them; the top is then held to the range (the last page full, never above 0).
    int top = geo.Top();
    SetTop(row >= 0 && row < top ? top - 1 : top);
}

bool CReportCtrl::State::HasFocus() const {
    HWND hwnd = Hwnd();
    HWND focus = GetFocus();
    if (!hwnd || !focus) return false;
    // The control's own windows (its editor and the editor's button) are part of it, and so is an
    // editor the parent opened for it.
    if (focus == hwnd || ::IsChild(hwnd, focus)) return true;
    HWND edit = editor.Window();
    return edit && (focus == edit || ::IsChild(edit, focus));
}

void CReportCtrl::State::ShowColumn(int column) {
    int pos = geo.HPosToShow(column);
    if (pos != geo.HPos()) SetHPos(pos);
}

// ---------------------------------------------------------------- fonts and images

void CReportCtrl::State::ApplyFont(HFONT source, bool relayout) {
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
    HDC dc = GetDC(Hwnd());
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(Hwnd(), dc);
    int rowHeight =
        tm.tmHeight + tm.tmExternalLeading + Px(2) + ((model.GetStyle() & RVS_ROWLINES) ? RowLineWidth() : 0);
    if (images && geo.ImageHeight() + 1 > rowHeight) rowHeight = geo.ImageHeight() + 1;
    geo.SetRowHeight(rowHeight);
    int box = std::max(1, rowHeight - Px(2));
    model.ModifyProperty(RVP_CHECKBOXSIZE, (intptr_t)(((uint32_t)box << 16) | (uint32_t)box));
    headerWindow.SetFont(font, false);
    if (relayout) Layout();
}

// ---------------------------------------------------------------- the screen's density

namespace {

// A size measured at one density, at another.
int Rescale(int px, UINT from, UINT to) {
    return from == to || from == 0 ? px : MulDiv(px, (int)to, (int)from);
}

} // namespace

void CReportCtrl::State::TakeDpi() {
    UINT now = zrpc::WindowDpi(Hwnd());
    // The gap is a size of the control's own, given (by default, or before the window was made) for
    // the density the control had so far: 96 DPI for a new control.
    int gap = (int)model.GetProperty(RVP_GAP);
    if (now != dpi) model.ModifyProperty(RVP_GAP, Rescale(gap, dpi, now));
    dpi = now;
    geo.SetDpi(dpi);
}

void CReportCtrl::State::DpiChanged(UINT newDpi) {
    if (!Hwnd() || newDpi == 0 || newDpi == dpi) return;
    UINT old = dpi;
    editor.EndOpenEdit();
    tip.Hide();
    // The view keeps its top row; a view scrolled to its end stays at its end (where more rows fit,
    // the top moves up to keep the last page full, and comes back down when fewer fit again).
    const int top = geo.Top();
    const bool atEnd = model.GetRowCount() > 0 && top >= geo.LastPageTop(false);
    int hpos = Rescale(geo.HPos(), old, newDpi);
    dpi = newDpi;
    geo.SetDpi(dpi);
    model.ModifyProperty(RVP_GAP, Rescale((int)model.GetProperty(RVP_GAP), old, dpi));
    // Every definition's width and limits (an unlimited maximum stays unlimited).
    for (int i = 0; i < model.GetSubItemCount(); ++i) {
        const zrpc::report::SubItemDef* def = model.GetSubItemDef(i);
        if (!def) continue;
        std::string text = def->text;
        _RVSUBITEM scaled = {def->format,
                             Rescale(def->width, old, dpi),
                             Rescale(def->minWidth, old, dpi),
                             def->maxWidth > 0 ? Rescale(def->maxWidth, old, dpi) : def->maxWidth,
                             def->image,
                             text.c_str()};
        model.RedefineSubItem(i, &scaled);
    }
    // The fonts at the new density (a parent that sets fonts of its own afterwards replaces them); the
    // row height, the check box and the header's font follow.
    LOGFONTA lf = {};
    if (font && GetObjectA(font, sizeof lf, &lf)) {
        lf.lfHeight = Rescale(lf.lfHeight, old, dpi);
        lf.lfWidth = Rescale(lf.lfWidth, old, dpi);
        if (HFONT scaled = CreateFontIndirectA(&lf)) {
            ApplyFont(scaled, false);
            DeleteObject(scaled);
        }
    } else {
        ApplyFont(nullptr, false);
    }
    SetImageLists(images, checkImages); // sizes read again from the caller's lists
    painter.ReloadPicture();
    header.Sync();
    Layout();
    SetTop(atEnd ? geo.LastPageTop(false) : top);
    SetHPos(hpos);
    if (headerWindow) InvalidateRect(headerWindow.Handle(), nullptr, FALSE);
}

void CReportCtrl::State::DpiMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DPICHANGED) {
        DpiChanged(HIWORD(wp));
        if (const RECT* suggested = reinterpret_cast<const RECT*>(lp))
            SetWindowPos(Hwnd(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (msg == WM_DPICHANGED_AFTERPARENT) {
        DpiChanged(zrpc::WindowDpi(Hwnd()));
    }
}

const _RVSUBITEM* CReportCtrl::State::AtDpi(const _RVSUBITEM* def, _RVSUBITEM& out) const {
    if (!def || def->iWidth >= 0 || dpi == zrpc::kBaseDpi) return def;
    out = *def;
    out.iWidth = Px(200); // the default width
    return &out;
}

void CReportCtrl::State::SetImageLists(HIMAGELIST list, HIMAGELIST checks) {
    images = list;
    checkImages = checks;
    int cx = 0, cy = 0;
    if (list && ImageList_GetIconSize(list, &cx, &cy))
        geo.SetImages(true, cx, cy);
    else
        geo.SetImages(list != nullptr, 0, 0);
    if (checks && ImageList_GetIconSize(checks, &cx, &cy)) geo.SetCheckImages(true, cx, cy);
    if (!checks) geo.SetCheckImages(false, 0, 0);
    headerWindow.SetImageList(list);
    if (images && geo.ImageHeight() + 1 > geo.RowHeight()) geo.SetRowHeight(geo.ImageHeight() + 1);
}

int CReportCtrl::State::WheelLinesFromRegistry() const {
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

// ---------------------------------------------------------------- the control's own forms of its overridable
// operations

DWORD CReportCtrl::GetStyle() const {
    DWORD window = m_hwnd ? (DWORD)GetWindowLongA(m_hwnd, GWL_STYLE) : 0;
    return (window & 0xFFFF0000u) | (m_state->model.GetStyle() & 0xFFFFu);
}

CString CReportCtrl::GetItemString(int iItem, TCHAR cSeparator) {
    return CString(m_state->model.GetItemString(iItem, cSeparator).c_str());
}
int CReportCtrl::CompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2) {
    return m_state->model.DefaultCompareItems(iItem1, iSubItem1, iItem2, iSubItem2);
}
int CReportCtrl::CompareItems(_RVITEM* pItem1, _RVITEM* pItem2) {
    return ReportModel::CompareItemRecords(pItem1, pItem2);
}
CReportCtrl::structITEM* CReportCtrl::CacheLookup(int iItem) {
    return m_state->model.DefaultCacheLookup(iItem);
}
CReportCtrl::structITEM* CReportCtrl::CacheAdd(int iItem) {
    return m_state->model.DefaultCacheAdd(iItem);
}
void CReportCtrl::CacheDelete(int iItem) {
    m_state->model.DefaultCacheDelete(iItem);
}
CReportCtrl::structITEM* CReportCtrl::GetItemStruct(int iItem, int iSubItem, UINT nMask) {
    return m_state->model.DefaultGetItemStruct(iItem, iSubItem, nMask);
}
BOOL CReportCtrl::SetItemStruct(int iItem, structITEM& item) {
    return m_state->model.DefaultSetItemStruct(iItem, item);
}
void CReportCtrl::LoadItemData(structITEM* pItem, int iItem, int iSubItem, UINT nMask) {
    m_state->model.DefaultLoadItemData(pItem, iItem, iSubItem, nMask);
}
void CReportCtrl::StoreItemData(structITEM* pItem, const _RVITEM* pData) {
    if (pItem && pData) m_state->model.StoreItemData(pItem, *pData);
}
CString CReportCtrl::GetExpandedItemText(int iItem, int iSubItem) {
    return CString(m_state->model.DefaultExpandedItemText(iItem, iSubItem).c_str());
}
void CReportCtrl::QuickSort(int iSubItem, int iLow, int iHigh, BOOL bAscending) {
    m_state->model.DefaultQuickSort(iSubItem, iLow, iHigh, bAscending != FALSE);
}
void CReportCtrl::TreeSort(int iSubItem, HTREEITEM hParent, BOOL bAscending, BOOL bRecursive) {
    m_state->model.DefaultTreeSort(iSubItem, hParent, bAscending != FALSE, bRecursive != FALSE);
}
void CReportCtrl::SelectRows(int iFirst, int iLast, BOOL bSelect, BOOL bKeepSelection, BOOL bInvert,
                             BOOL bNotify) {
    m_state->model.DefaultSelectRows(iFirst, iLast, bSelect != FALSE, bKeepSelection != FALSE,
                                     bInvert != FALSE, bNotify != FALSE);
    m_state->Invalidate();
}

// The last hop of every notification: the model's sender filtered it, the control hands it to its parent.
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
    // The header paints in the system's colours too.
    if (m_state->headerWindow) InvalidateRect(m_state->headerWindow.Handle(), nullptr, FALSE);
}

int CReportCtrl::GetMouseScrollLines() {
    return m_state->WheelLinesFromRegistry();
}

// ---------------------------------------------------------------- the profile store and layered windows

namespace zrpc::report {

ProfileStore& ProcessProfileStore() {
    static ProfileStore store;
    return store;
}

void ProfileStore::Set(const char* registryKey, const char* iniFile) {
    m_registryKey = registryKey ? registryKey : "";
    m_iniFile = iniFile ? iniFile : "";
}

std::string ProfileStore::KeyFor(const char* section) const {
    std::string key = m_registryKey;
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

bool ProfileStore::Write(const char* section, const char* entry, const std::string& value) const {
    if (!m_iniFile.empty())
        return WritePrivateProfileStringA(section, entry, value.c_str(), m_iniFile.c_str()) != FALSE;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyFor(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             (DWORD)value.size() + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string ProfileStore::Read(const char* section, const char* entry) const {
    char buffer[4096] = "";
    if (!m_iniFile.empty()) {
        GetPrivateProfileStringA(section, entry, "", buffer, sizeof buffer, m_iniFile.c_str());
        return buffer;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyFor(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    DWORD type = 0, size = sizeof buffer - 1;
    LONG rc = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::string();
    buffer[std::min<DWORD>(size, sizeof buffer - 1)] = 0;
    return buffer;
}

} // namespace zrpc::report

zrpc::report::SetLayeredFn zrpc::report::LayeredWindowFunction() {
    static const SetLayeredFn fn = []() -> SetLayeredFn {
        HMODULE user = GetModuleHandleA("USER32.DLL");
        if (!user || !GetProcAddress(user, "UpdateLayeredWindow")) return nullptr;
        return reinterpret_cast<SetLayeredFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "SetLayeredWindowAttributes")));
    }();
    return fn;
}
