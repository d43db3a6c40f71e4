// The report control's public operations: each is a thin shell over the model, the geometry or a unit
// of the window, which hold the operation's logic, and answers failure when anything throws.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/guard.h"
#include "reportctrl/win_report_state.h"

using zrpc::report::ReportModel;

#define ZRPC_FORWARD(fail, expr) return zrpc::Guard(fail, [&] { return expr; })

namespace {
constexpr int kMaxRowHeight = 4096;
} // namespace

// ---------------------------------------------------------------- sub-items and columns

int CReportCtrl::DefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList) {
    return zrpc::Guard(-1, [&] {
        _RVSUBITEM atDpi;
        int result = m_state->model.DefineSubItem(iSubItem, m_state->AtDpi(pSubItem, atDpi));
        if (bUpdateList) m_state->header.RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::RedefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        _RVSUBITEM atDpi;
        BOOL result = m_state->model.RedefineSubItem(iSubItem, m_state->AtDpi(pSubItem, atDpi));
        if (bUpdateList) m_state->header.RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::UndefineSubItem(int iSubItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL result = m_state->model.UndefineSubItem(iSubItem);
        m_state->header.RefreshChooser();
        return result;
    });
}
void CReportCtrl::UndefineAllSubItems() {
    zrpc::GuardVoid([&] {
        m_state->model.UndefineAllSubItems();
        m_state->header.RefreshChooser();
    });
}
// The chooser lists the sub-items that are not shown: it follows every column shown or hidden.
int CReportCtrl::ActivateSubItem(int iSubItem, int iColumn) {
    return zrpc::Guard(-1, [&] {
        State& s = *m_state;
        // A column that fits its header item takes that width before it is shown, so that the parent
        // hears of one new layout.
        if (s.model.GetSubItemDef(iSubItem) && !s.model.IsActiveSubItem(iSubItem))
            s.header.FitHeaderItem(iSubItem);
        int column = s.model.ActivateSubItem(iSubItem, iColumn);
        if (column >= 0) s.header.RefreshChooser();
        return column;
    });
}
BOOL CReportCtrl::DeactivateSubItem(int iSubItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL result = m_state->model.DeactivateSubItem(iSubItem);
        if (result) m_state->header.RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::DeactivateAllSubItems() {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL result = m_state->model.DeactivateAllSubItems();
        m_state->header.RefreshChooser();
        return result;
    });
}
BOOL CReportCtrl::IsActiveSubItem(int iSubItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.IsActiveSubItem(iSubItem));
}
int CReportCtrl::GetActiveSubItemCount() {
    ZRPC_FORWARD(0, m_state->model.GetActiveSubItemCount());
}
int CReportCtrl::GetSubItemCount() {
    ZRPC_FORWARD(0, m_state->model.GetSubItemCount());
}
int CReportCtrl::GetSubItemWidth(int iSubItem) {
    ZRPC_FORWARD(-1, m_state->model.GetSubItemWidth(iSubItem));
}
BOOL CReportCtrl::SetSubItemWidth(int iSubItem, int iWidth) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetSubItemWidth(iSubItem, iWidth));
}
int CReportCtrl::GetSubItemFromColumn(int iColumn) {
    ZRPC_FORWARD(-1, m_state->model.GetSubItemFromColumn(iColumn));
}
int CReportCtrl::GetColumnFromSubItem(int iSubItem) {
    ZRPC_FORWARD(-1, m_state->model.GetColumnFromSubItem(iSubItem));
}

// ---------------------------------------------------------------- items

int CReportCtrl::InsertItem(_RVITEM* pItem) {
    ZRPC_FORWARD(-2, m_state->model.InsertItem(pItem));
}
int CReportCtrl::InsertItem(int iItem, LPCTSTR lpszText, int iImage, int iCheck, int iTextColor) {
    ZRPC_FORWARD(-2, m_state->model.InsertItem(iItem, lpszText, iImage, iCheck, iTextColor));
}
int CReportCtrl::AddItem(LPCTSTR lpszText, int iImage, int iCheck, int iTextColor) {
    ZRPC_FORWARD(-2, m_state->model.AddItem(lpszText, iImage, iCheck, iTextColor));
}
int CReportCtrl::AddItem(_RVITEM* pItem) {
    ZRPC_FORWARD(-2, m_state->model.AddItem(pItem));
}
int CReportCtrl::DeleteItem(int iItem) {
    ZRPC_FORWARD(-2, m_state->model.DeleteItem(iItem));
}
BOOL CReportCtrl::DeleteAllItems() {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.DeleteAllItems());
}
BOOL CReportCtrl::SetItemCount(int nCount) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItemCount(nCount));
}
int CReportCtrl::GetItemCount() {
    ZRPC_FORWARD(0, m_state->model.GetItemCount());
}
BOOL CReportCtrl::GetItem(_RVITEM* pItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.GetItem(pItem));
}
BOOL CReportCtrl::SetItem(_RVITEM* pItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItem(pItem));
}
int CReportCtrl::GetItemText(int iItem, int iSubItem, LPTSTR lpszText, int nLen) {
    ZRPC_FORWARD(0, m_state->model.GetItemText(iItem, iSubItem, lpszText, nLen));
}
CString CReportCtrl::GetItemText(int iItem, int iSubItem) {
    return zrpc::Guard(CString(),
                       [&] { return CString(m_state->model.GetItemText(iItem, iSubItem).c_str()); });
}
BOOL CReportCtrl::SetItemText(int iItem, int iSubItem, LPCTSTR lpszText) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItemText(iItem, iSubItem, lpszText));
}
int CReportCtrl::GetItemImage(int iItem, int iSubItem) {
    ZRPC_FORWARD(-1, m_state->model.GetItemImage(iItem, iSubItem));
}
BOOL CReportCtrl::SetItemImage(int iItem, int iSubItem, int iImage) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItemImage(iItem, iSubItem, iImage));
}
int CReportCtrl::GetItemCheck(int iItem, int iSubItem) {
    ZRPC_FORWARD(-1, m_state->model.GetItemCheck(iItem, iSubItem));
}
BOOL CReportCtrl::SetItemCheck(int iItem, int iSubItem, int iCheck) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItemCheck(iItem, iSubItem, iCheck));
}
LPARAM CReportCtrl::GetItemData(int iItem) {
    ZRPC_FORWARD((LPARAM)0, (LPARAM)m_state->model.GetItemData(iItem));
}
BOOL CReportCtrl::SetItemData(int iItem, LPARAM dwData) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.SetItemData(iItem, (RV_LPARAM)dwData));
}

// ---------------------------------------------------------------- colours

int CReportCtrl::InsertColor(int iColor, COLORREF crColor) {
    ZRPC_FORWARD(-1, m_state->model.InsertColor(iColor, crColor));
}
BOOL CReportCtrl::SetColor(int iColor, COLORREF crColor) {
    // The answer is the palette's rebuild once the colour is stored.
    ZRPC_FORWARD(FALSE, (BOOL)(m_state->model.SetColor(iColor, crColor) && m_state->painter.PaletteBuilt()));
}
COLORREF CReportCtrl::GetColor(int iColor) {
    ZRPC_FORWARD((COLORREF)0, (COLORREF)m_state->model.GetColor(iColor));
}
BOOL CReportCtrl::DeleteColor(int iColor) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.DeleteColor(iColor));
}
void CReportCtrl::DeleteAllColors() {
    zrpc::GuardVoid([&] { m_state->model.DeleteAllColors(); });
}

// ---------------------------------------------------------------- rows and the cache

void CReportCtrl::FlushCache(int iItem) {
    zrpc::GuardVoid([&] { m_state->model.FlushCache(iItem); });
}
int CReportCtrl::GetItemRow(int iItem) {
    ZRPC_FORWARD(-2, m_state->model.GetRowFromItem(iItem));
}
int CReportCtrl::GetItemFromRow(int iRow) {
    ZRPC_FORWARD(-2, m_state->model.GetItemFromRow(iRow));
}
int CReportCtrl::GetRowCount() {
    ZRPC_FORWARD(0, m_state->model.GetRowCount());
}
BOOL CReportCtrl::MoveUp(int iRow) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.MoveUp(iRow));
}
BOOL CReportCtrl::MoveDown(int iRow) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.MoveDown(iRow));
}

// ---------------------------------------------------------------- tree

HTREEITEM CReportCtrl::InsertItem(_RVITEM* pItem, HTREEITEM hParent, HTREEITEM hInsertAfter,
                                  int iTreeSubItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_state->model.InsertItem(pItem, hParent, hInsertAfter, iTreeSubItem));
}
HTREEITEM CReportCtrl::InsertItem(LPCTSTR lpszText, int iImage, int iCheck, int iTextColor, HTREEITEM hParent,
                                  HTREEITEM hInsertAfter, int iTreeSubItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_state->model.InsertItem(lpszText, iImage, iCheck, iTextColor, hParent,
                                                                hInsertAfter, iTreeSubItem));
}
BOOL CReportCtrl::DeleteItem(HTREEITEM hItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.DeleteItem(hItem));
}
BOOL CReportCtrl::Expand(HTREEITEM hItem, UINT nCode) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.Expand(hItem, nCode));
}
BOOL CReportCtrl::ExpandAll(HTREEITEM hItem, UINT nCode, int iLevels) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.ExpandAll(hItem, nCode, iLevels));
}
HTREEITEM CReportCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_state->model.GetNextItem(hItem, nCode));
}
BOOL CReportCtrl::HasChildren(HTREEITEM hItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.HasChildren(hItem));
}
BOOL CReportCtrl::IsChild(HTREEITEM hParent, HTREEITEM hChild) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.IsChild(hParent, hChild));
}
BOOL CReportCtrl::IsDescendent(HTREEITEM hAncestor, HTREEITEM hItem) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.IsDescendent(hAncestor, hItem));
}
int CReportCtrl::GetItemIndex(HTREEITEM hItem) {
    ZRPC_FORWARD(-2, m_state->model.GetItemIndex(hItem));
}
HTREEITEM CReportCtrl::GetItemHandle(int iItem) {
    ZRPC_FORWARD((HTREEITEM) nullptr, m_state->model.GetItemHandle(iItem));
}
void CReportCtrl::SetTreeSubItem(HTREEITEM hItem, int iSubItem) {
    zrpc::GuardVoid([&] { m_state->model.SetTreeSubItem(hItem, iSubItem); });
}
int CReportCtrl::GetItemCount(HTREEITEM hItem, BOOL bRecursive) {
    ZRPC_FORWARD(0, m_state->model.GetItemCount(hItem, bRecursive ? 1 : 0));
}
BOOL CReportCtrl::EnsureVisible(HTREEITEM hItem, BOOL bPartialOK) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        State& s = *m_state;
        if (!s.model.EnsureVisible(hItem)) return FALSE;
        s.ScrollToRow(s.model.GetRowFromItem(s.model.GetItemIndex(hItem)), bPartialOK != FALSE);
        return TRUE;
    });
}

// ---------------------------------------------------------------- sorting, selection, focus, search

BOOL CReportCtrl::SortItems(int iSubItem, BOOL bAscending) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        BOOL ok = m_state->model.SortItems(iSubItem, bAscending != FALSE);
        m_state->header.UpdateSortMarker();
        return ok;
    });
}
BOOL CReportCtrl::ResortItems() {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.ResortItems());
}
BOOL CReportCtrl::GetSortSettings(int* piSubItem, BOOL* pbAscending) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.GetSortSettings(piSubItem, pbAscending));
}
void CReportCtrl::SetSortCallback(RVCOMPAREPROC pfnCompare, LPARAM lParamSort) {
    zrpc::GuardVoid([&] { m_state->model.SetSortCallback(pfnCompare, (RV_LPARAM)lParamSort); });
}
RVCOMPAREPROC CReportCtrl::GetSortCallback() {
    return m_state->model.GetSortCallback();
}
int CReportCtrl::GetFirstSelectedItem() {
    ZRPC_FORWARD(-2, m_state->model.GetFirstSelectedItem());
}
int CReportCtrl::GetNextSelectedItem(int iItem) {
    ZRPC_FORWARD(-2, m_state->model.GetNextSelectedItem(iItem));
}
int CReportCtrl::GetSelectedCount() {
    ZRPC_FORWARD(0, m_state->model.GetSelectedCount());
}
int CReportCtrl::GetSelectedItems(int* piItems, int nMax) {
    ZRPC_FORWARD(0, m_state->model.GetSelectedItems(piItems, nMax));
}
void CReportCtrl::SetSelection(int iItem, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_state->model.SetSelection(iItem, bKeepSelection != FALSE); });
}
void CReportCtrl::SetSelection(int* piItems, int nCount, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_state->model.SetSelection(piItems, nCount, bKeepSelection != FALSE); });
}
void CReportCtrl::SetSelection(HTREEITEM hItem, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_state->model.SetSelection(hItem, bKeepSelection != FALSE); });
}
void CReportCtrl::SetSelection(HTREEITEM* phItems, int nCount, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_state->model.SetSelection(phItems, nCount, bKeepSelection != FALSE); });
}
void CReportCtrl::SetSelection(int iSubItem, const CString& strPattern, BOOL bKeepSelection) {
    zrpc::GuardVoid(
        [&] { m_state->model.SetSelection(iSubItem, strPattern.GetString(), bKeepSelection != FALSE); });
}
void CReportCtrl::SetSelectionLessEq(int iSubItem, int nValue, BOOL bKeepSelection) {
    zrpc::GuardVoid([&] { m_state->model.SetSelectionLessEq(iSubItem, nValue, bKeepSelection != FALSE); });
}
void CReportCtrl::ClearSelection() {
    zrpc::GuardVoid([&] { m_state->model.ClearSelection(); });
}
void CReportCtrl::InvertSelection() {
    zrpc::GuardVoid([&] { m_state->model.InvertSelection(); });
}
void CReportCtrl::SelectAll() {
    zrpc::GuardVoid([&] { m_state->model.SelectAll(); });
}
int CReportCtrl::GetCurrentFocus(int* piColumn) {
    ZRPC_FORWARD(-2, m_state->model.GetCurrentFocus(piColumn));
}
BOOL CReportCtrl::AdjustFocus(int iRow, int iColumn) {
    ZRPC_FORWARD(FALSE, (BOOL)m_state->model.AdjustFocus(iRow, iColumn));
}
BOOL CReportCtrl::SetCurrentFocus(int iItem, int iSubItem) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        State& s = *m_state;
        int row = s.model.SetCurrentFocus(iItem, iSubItem);
        if (row < -1) return FALSE;
        s.ScrollToRow(row);
        s.Invalidate();
        return TRUE;
    });
}
BOOL CReportCtrl::HasFocus() {
    return zrpc::Guard(FALSE, [&]() -> BOOL { return m_state->HasFocus(); });
}
int CReportCtrl::FindItem(_RVFINDINFO* pFindInfo, int iSubItem, int iStart) {
    ZRPC_FORWARD(-2, m_state->model.FindItem(pFindInfo, iSubItem, iStart));
}

// ---------------------------------------------------------------- background picture

BOOL CReportCtrl::SetBkImage(HMODULE hModule, LPCTSTR lpszResource) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!lpszResource) return FALSE;
        return m_state->painter.LoadPicture(hModule ? hModule : GetModuleHandleA(nullptr), lpszResource);
    });
}

// ---------------------------------------------------------------- column profile

void CReportCtrl::SetProfileStore(LPCTSTR lpszRegistryKey, LPCTSTR lpszIniFile) {
    zrpc::GuardVoid([&] { zrpc::report::ProcessProfileStore().Set(lpszRegistryKey, lpszIniFile); });
}

BOOL CReportCtrl::WriteProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!lpszSection || !lpszEntry) return FALSE;
        m_state->header.ApplyPendingOrder(); // a drag's order not yet applied
        return m_state->profiles.Write(lpszSection, lpszEntry, m_state->model.GetProfileValue());
    });
}

BOOL CReportCtrl::GetProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        State& s = *m_state;
        if (!lpszSection || !lpszEntry) return FALSE;
        std::string value = s.profiles.Read(lpszSection, lpszEntry);
        const std::vector<int> before = s.model.GetColumnOrder();
        if (value.empty() || !s.model.ApplyProfileValue(value.c_str())) return FALSE;
        // Columns the value shows are activated as ActivateSubItem does it: a column that fits its
        // header item takes that width, not the stored one.
        for (int sub : std::vector<int>(s.model.GetColumnOrder()))
            if (std::find(before.begin(), before.end(), sub) == before.end()) s.header.FitHeaderItem(sub);
        return TRUE;
    });
}

// ---------------------------------------------------------------- layout, scrolling, hits

int CReportCtrl::GetItemHeight() {
    return m_state->geo.RowHeight();
}

void CReportCtrl::SetItemHeight(int nHeight) {
    zrpc::GuardVoid([&] {
        // Rows as tall as a screen at most: a height from any message keeps the sums of rows in range.
        nHeight = std::max(1, std::min(nHeight, kMaxRowHeight));
        m_state->geo.SetRowHeight(nHeight + ((GetStyle() & RVS_ROWLINES) ? m_state->RowLineWidth() : 0));
        m_state->Layout();
    });
}

int CReportCtrl::GetVisibleCount(BOOL bPartial) {
    return zrpc::Guard(0, [&] {
        m_state->Flush();
        return m_state->geo.VisibleCount(bPartial != FALSE);
    });
}

int CReportCtrl::GetTopIndex() {
    m_state->Flush();
    return m_state->geo.Top();
}

BOOL CReportCtrl::IsItemVisible(int iItem, BOOL bPartial) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        State& s = *m_state;
        s.Flush();
        int row = s.model.GetRowFromItem(iItem);
        if (row < 0) return row == -1 && (GetStyle() & RVS_ENTRYROW);
        return row >= s.geo.Top() && row < s.geo.Top() + s.geo.VisibleCount(bPartial != FALSE);
    });
}

BOOL CReportCtrl::EnsureVisible(int iItem, BOOL bPartial) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        int row = m_state->model.GetRowFromItem(iItem);
        if (row < 0) return FALSE;
        m_state->ScrollToRow(row, bPartial != FALSE);
        return TRUE;
    });
}

void CReportCtrl::PageUp() {
    zrpc::GuardVoid([&] { m_state->VScroll(SB_PAGEUP, 0); });
}
void CReportCtrl::PageDown() {
    zrpc::GuardVoid([&] { m_state->VScroll(SB_PAGEDOWN, 0); });
}

BOOL CReportCtrl::GetItemRect(int iItem, int iSubItem, RECT* pRect, UINT nCode) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!pRect) return FALSE;
        m_state->Flush();
        RVRECT rc;
        if (!m_state->geo.ItemRect(iItem, iSubItem, nCode, rc)) return FALSE;
        *pRect = {rc.left, rc.top, rc.right, rc.bottom};
        return TRUE;
    });
}

int CReportCtrl::HitTest(_RVHITTESTINFO* pHitTestInfo) {
    return zrpc::Guard(-2, [&]() -> int {
        if (!pHitTestInfo) return -2;
        m_state->Flush();
        return m_state->geo.HitTest(pHitTestInfo);
    });
}

BOOL CReportCtrl::SetImageList(HIMAGELIST hImageList, HIMAGELIST hCheckList) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        m_state->SetImageLists(hImageList, hCheckList);
        m_state->header.Sync();
        m_state->Layout();
        return TRUE;
    });
}

HIMAGELIST CReportCtrl::GetImageList() {
    return m_state->images;
}

void CReportCtrl::SetRedraw(BOOL bRedraw) {
    zrpc::GuardVoid([&] {
        m_state->redraw = bRedraw != FALSE;
        if (!m_hwnd) return;
        zwin::ControlHandle(m_hwnd).SetRedraw(bRedraw != FALSE);
        if (bRedraw) {
            m_state->UpdateScrollBars();
            InvalidateRect(m_hwnd, nullptr, TRUE);
        }
    });
}

void CReportCtrl::RedrawItems(int iFirst, int iLast) {
    zrpc::GuardVoid([&] {
        State& s = *m_state;
        // The range is held to the items there are (the edit row among them).
        iFirst = std::max(iFirst, -1);
        iLast = std::min(iLast, s.model.GetItemCount() - 1);
        for (int i = iFirst; i <= iLast; ++i) {
            int row = s.model.GetRowFromItem(i);
            if (row == -2) continue;
            s.tip.Hide();
            s.RepaintRows(row, row);
        }
    });
}

void CReportCtrl::SetIndentFirstColumn(BOOL bIndent) {
    m_state->geo.SetIndentFirstColumn(bIndent != FALSE);
    m_state->Invalidate();
}

int CReportCtrl::GetWheelLines() {
    return m_state->wheelLines;
}

#undef ZRPC_FORWARD
