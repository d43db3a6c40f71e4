// CReportCtrl: the report control exported by zrpcfunc.dll, a window of class "MFCReportCtrl" that
// shows rows of items in columns, optionally as a tree, with images, check boxes, colours, previews
// and a header.
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use:
//     m_report.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | RVS_STRIPEDROWS, rect, hParent, IDC_REPORT);
//     _RVSUBITEM column = {0, 120, 0, 0, 0, "Name"};
//     m_report.DefineSubItem(0, &column);
//     m_report.ActivateSubItem(0, 0);
//     m_report.AddItem("first");
// or m_report.SubclassDlgItem(IDC_REPORT, hDlg) over an item of the caller's dialog. Notifications
// (RVN_ codes of reportctrl_types.h) reach the parent as WM_NOTIFY.
//
// Items and rows: an item is a record, numbered in the order items were inserted; a row is a line on
// screen. Sorting, moves and a tree's collapsed nodes change which item stands on which row, never the
// items' numbers. Operations say which they take: iItem an item, iRow a row (GetItemRow and
// GetItemFromRow turn one into the other); the focus is a row (GetCurrentFocus, AdjustFocus), the
// selection a set of items.
#ifndef ZRPC_REPORTCTRL_H
#define ZRPC_REPORTCTRL_H

#include <windows.h>
#include <commctrl.h>

#include "reportctrl_types.h"
#include "zrpcstring.h"
#include "zrpcwnd.h"

namespace zrpc::report {
struct Item;
} // namespace zrpc::report

class ZRPC_CLASS CReportCtrl : public zwin::Window {
  public:
    CReportCtrl();
    virtual ~CReportCtrl();

    // ---- creation and state
    // Creates the control as a window of class "MFCReportCtrl"; the low 16 bits of dwStyle are the
    // control's own RVS_ styles. FALSE when the window cannot be made.
    BOOL Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID);
    // Takes over an existing window (a dialog item) and makes it a report control. An item of class
    // "MFCReportCtrl" already holds a control of its own (made with the window, see zrpcctl.h): this
    // object replaces it, and what that control held goes with it.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT nID, HWND hParent);
    // The window's high 16 bits with the control's low 16 bits.
    DWORD GetStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    // lValue is pointer-sized: the text properties pass a const char*.
    BOOL ModifyProperty(UINT nProperty, LONG_PTR lValue);
    LONG_PTR GetProperty(UINT nProperty) const;

    // ---- sub-items and columns
    int DefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList = FALSE);
    BOOL RedefineSubItem(int iSubItem, _RVSUBITEM* pSubItem, BOOL bUpdateList = FALSE);
    BOOL UndefineSubItem(int iSubItem);
    void UndefineAllSubItems();
    int ActivateSubItem(int iSubItem, int iColumn = 0);
    BOOL DeactivateSubItem(int iSubItem);
    BOOL DeactivateAllSubItems();
    BOOL IsActiveSubItem(int iSubItem);
    int GetActiveSubItemCount();
    int GetSubItemCount();
    int GetSubItemWidth(int iSubItem);
    BOOL SetSubItemWidth(int iSubItem, int iWidth);
    int GetSubItemFromColumn(int iColumn);
    int GetColumnFromSubItem(int iSubItem);

    // ---- items
    int InsertItem(_RVITEM* pItem);
    int InsertItem(int iItem, LPCTSTR lpszText, int iImage = -1, int iCheck = -1, int iTextColor = -1);
    int AddItem(LPCTSTR lpszText, int iImage = -1, int iCheck = -1, int iTextColor = -1);
    int AddItem(_RVITEM* pItem);
    int DeleteItem(int iItem);
    BOOL DeleteAllItems();
    BOOL SetItemCount(int nCount);
    int GetItemCount();

    BOOL GetItem(_RVITEM* pItem);
    BOOL SetItem(_RVITEM* pItem);
    int GetItemText(int iItem, int iSubItem, LPTSTR lpszText, int nLen);
    CString GetItemText(int iItem, int iSubItem);
    BOOL SetItemText(int iItem, int iSubItem, LPCTSTR lpszText);
    int GetItemImage(int iItem, int iSubItem);
    BOOL SetItemImage(int iItem, int iSubItem, int iImage);
    int GetItemCheck(int iItem, int iSubItem);
    BOOL SetItemCheck(int iItem, int iSubItem, int iCheck);
    LPARAM GetItemData(int iItem);
    BOOL SetItemData(int iItem, LPARAM dwData);

    // ---- colours
    int InsertColor(int iColor, COLORREF crColor);
    BOOL SetColor(int iColor, COLORREF crColor);
    COLORREF GetColor(int iColor);
    BOOL DeleteColor(int iColor);
    void DeleteAllColors();

    // ---- rows, cache
    void FlushCache(int iItem);
    // The row an item stands on (-2: none, a hidden tree node), and the item on a row (-2: no such
    // row); -1, the edit row, maps to itself.
    int GetItemRow(int iItem);
    int GetItemFromRow(int iRow);
    int GetRowCount();
    // Rows iRow - 1 and iRow (MoveUp), iRow and iRow + 1 (MoveDown) change places (list mode); the
    // focus stays on its item.
    BOOL MoveUp(int iRow);
    BOOL MoveDown(int iRow);

    // ---- tree
    HTREEITEM InsertItem(_RVITEM* pItem, HTREEITEM hParent, HTREEITEM hInsertAfter = TVI_LAST,
                         int iTreeSubItem = -1);
    HTREEITEM InsertItem(LPCTSTR lpszText, int iImage, int iCheck, int iTextColor, HTREEITEM hParent,
                         HTREEITEM hInsertAfter = TVI_LAST, int iTreeSubItem = -1);
    BOOL DeleteItem(HTREEITEM hItem);
    BOOL Expand(HTREEITEM hItem, UINT nCode);
    BOOL ExpandAll(HTREEITEM hItem, UINT nCode, int iLevels = -1);
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode);
    BOOL HasChildren(HTREEITEM hItem);
    BOOL IsChild(HTREEITEM hParent, HTREEITEM hChild);
    BOOL IsDescendent(HTREEITEM hAncestor, HTREEITEM hItem);
    int GetItemIndex(HTREEITEM hItem);
    HTREEITEM GetItemHandle(int iItem);
    // The sub-item a node shows across its row (-1: none).
    void SetTreeSubItem(HTREEITEM hItem, int iSubItem);
    // The children of hItem (TVI_ROOT: the top level); with bRecursive every descendant.
    int GetItemCount(HTREEITEM hItem, BOOL bRecursive);
    // Opens every ancestor of the node and scrolls its row into view.
    BOOL EnsureVisible(HTREEITEM hItem, BOOL bPartialOK = FALSE);

    // ---- sorting, selection, focus, search
    BOOL SortItems(int iSubItem, BOOL bAscending);
    BOOL ResortItems();
    BOOL GetSortSettings(int* piSubItem, BOOL* pbAscending);
    void SetSortCallback(RVCOMPAREPROC pfnCompare, LPARAM lParamSort);
    RVCOMPAREPROC GetSortCallback();
    // The selected items in item order.
    int GetFirstSelectedItem();
    int GetNextSelectedItem(int iItem);
    int GetSelectedCount();
    // The number of selected items; at most nMax of them into piItems when it is not null.
    int GetSelectedItems(int* piItems, int nMax);
    // Selects the item's row and puts the focus there; without bKeepSelection nothing else stays
    // selected. No notifications.
    void SetSelection(int iItem, BOOL bKeepSelection = FALSE);
    // The listed items: the first replaces the selection unless bKeepSelection, the others add to it.
    void SetSelection(int* piItems, int nCount, BOOL bKeepSelection = FALSE);
    void SetSelection(HTREEITEM hItem, BOOL bKeepSelection = FALSE);
    void SetSelection(HTREEITEM* phItems, int nCount, BOOL bKeepSelection = FALSE);
    // Every row whose iSubItem text matches strPattern: "*" any run of characters, "?" any one, case
    // ignored. Without bKeepSelection the selection is cleared first. No notifications.
    void SetSelection(int iSubItem, const CString& strPattern, BOOL bKeepSelection = FALSE);
    // Every row whose item data, as a signed number, is at most nValue.
    void SetSelectionLessEq(int iSubItem, int nValue, BOOL bKeepSelection = FALSE);
    void ClearSelection();
    void InvertSelection();
    void SelectAll();
    // The focused row (-2 none, -1 the edit row); the focused column into *piColumn (-1: the whole row).
    int GetCurrentFocus(int* piColumn = nullptr);
    // Moves the focus to a row and column; FALSE for a row or column that does not exist or a column
    // that never takes the focus.
    BOOL AdjustFocus(int iRow, int iColumn = -1);
    // The focus on an item's row and, with iSubItem >= 0, on its column; the row is scrolled into view.
    // FALSE, and nothing changes, for an item without a row (none such, a hidden node, the edit row
    // without RVS_ENTRYROW) or a sub-item not shown or never taking the focus.
    BOOL SetCurrentFocus(int iItem, int iSubItem = -1);
    // The control holds the input focus: itself, or its in-place editor.
    BOOL HasFocus();
    int FindItem(_RVFINDINFO* pFindInfo, int iSubItem = 0, int iStart = -1);

    // ---- column profile
    // Where WriteProfile and GetProfile keep their values, for every control of the process: the
    // initialisation file when one is named, else the registry key under HKEY_CURRENT_USER (default
    // "Software\\<program name>"), each section a subkey. Null arguments go back to the default.
    static void SetProfileStore(LPCTSTR lpszRegistryKey, LPCTSTR lpszIniFile);
    BOOL WriteProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry);
    BOOL GetProfile(LPCTSTR lpszSection, LPCTSTR lpszEntry);

    // ---- layout, scrolling, drawing
    int GetItemHeight();
    void SetItemHeight(int nHeight);
    // Rows that fit from the top row down, and the top row.
    int GetVisibleCount(BOOL bPartial = FALSE);
    int GetTopIndex();
    BOOL IsItemVisible(int iItem, BOOL bPartial = FALSE);
    BOOL EnsureVisible(int iItem, BOOL bPartial = FALSE);
    void PageUp();
    void PageDown();
    // nCode: 0 whole cell, 1 image area, 2 check-box area, 3 text area, 4 text area of a tree node
    // spanning sub-item. iSubItem -1: the row.
    BOOL GetItemRect(int iItem, int iSubItem, RECT* pRect, UINT nCode = 0);
    int HitTest(_RVHITTESTINFO* pHitTestInfo);
    // The images of cells and, optionally, the images shown instead of drawn check boxes. The caller
    // keeps owning both lists.
    BOOL SetImageList(HIMAGELIST hImageList, HIMAGELIST hCheckList = nullptr);
    HIMAGELIST GetImageList();
    void SetRedraw(BOOL bRedraw);
    void RedrawItems(int iFirst, int iLast);
    void SetIndentFirstColumn(BOOL bIndent);
    HWND GetHeaderCtrl();
    // The wheel line count in use (read from the user's settings).
    int GetWheelLines();

    // ---- clipboard and in-place editing
    // Puts the selected rows on the clipboard as text (CF_TEXT, and the same characters as
    // CF_UNICODETEXT), cells joined by the copy separator, each row ended by a line feed. Cut leaves
    // clipboard and items alone.
    void Copy();
    void Cut();
    // Opens an editor over a cell (iRow -1: the edit row; nKey the key that starts it, 1 a click);
    // TRUE when an editor is open.
    virtual BOOL BeginEdit(int iRow, int iColumn, UINT nKey);
    // Ends the open edit, storing the record's text (or the built-in editor's) when bUpdate.
    virtual void EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit = nullptr);
    // The active editor window, null when no edit is open.
    HWND GetEditWindow();

    // ---- cell sizes, previews, background, header extras
    // The width a cell needs (gap, image, check box, text, each followed by the gap; the bold font for
    // RVIS_HEAVYFONT items); with bTextOnly the text alone. pRect, when given, gets that width and the
    // row height. -1 for a cell that does not exist.
    int MeasureItem(int iItem, int iSubItem, RECT* pRect = nullptr, BOOL bTextOnly = FALSE);
    // Height of nLines lines of hFont; height of lpszText word-wrapped to the width of the shown
    // columns (or of pRect). -1 without a device context. For choosing an item's preview height.
    int PreviewHeight(HFONT hFont, UINT nLines);
    int PreviewHeight(HFONT hFont, LPCTSTR lpszText, RECT* pRect = nullptr);
    // A bitmap resource of the calling module tiled behind the rows; FALSE when it cannot be loaded.
    BOOL SetBkImage(UINT nID);
    BOOL SetBkImage(LPCTSTR lpszResource);
    // The same from a module the caller names (null: the program's own); lpszResource a name or
    // MAKEINTRESOURCE(id).
    BOOL SetBkImage(HMODULE hModule, LPCTSTR lpszResource);
    // The sub-item chooser: a list box (the caller's) listing the defined sub-items that are not shown,
    // each entry's data its sub-item index. With RVS_REMOVABLECOLUMNS a column dragged onto it is
    // hidden. Null detaches it.
    BOOL SetReportSubItemListCtrl(HWND hListBox);
    HWND GetReportSubItemListCtrl();
    // The tip window over a cell whose text does not fit (RVS_OVERFLOWTEXT); null before it exists.
    HWND GetTipWindow();

  protected:
    // ---- overridable operations
    // Second stage of creation: header, fonts, style word, layout, system colours.
    virtual BOOL Create();
    virtual CString GetItemString(int iItem, TCHAR cSeparator);
    // Draws one cell (image, check box, text) into rect.
    virtual void DrawItem(HDC hDC, RECT rect, _RVITEM* pItem);
    virtual void DrawBkgnd(HDC hDC, RECT rect, COLORREF crBackground);
    virtual int CompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2);
    virtual int CompareItems(_RVITEM* pItem1, _RVITEM* pItem2);
    // Sends a notification to the parent as WM_NOTIFY (the header's sender fields filled in); the
    // parent's answer.
    virtual LRESULT Notify(RVNMHDR* pHdr);
    virtual void GetSysColors();
    virtual int GetMouseScrollLines();
    // An item as the control keeps it (cells, colours, preview, indent, state, data); opaque outside
    // the library: read through GetItem, filled by a LoadItemData override with StoreItemData.
    typedef zrpc::report::Item structITEM;
    // Virtual mode's item cache (128 slots, item i in slot i mod 128, the edit row in a slot of its
    // own): the cached record of an item (-1 the edit row), null when not cached; the item's slot
    // claimed and blank, null when the item is not to be cached; a slot freed (-2 every slot, -1 the
    // edit row's; FlushCache and SetItemCount come here).
    virtual structITEM* CacheLookup(int iItem);
    virtual structITEM* CacheAdd(int iItem);
    virtual void CacheDelete(int iItem);
    // The record every read of an item goes through: the stored item, or in virtual mode the cached
    // one, loaded as needed (nMask: the fields asked for). Null when there is no such item.
    virtual structITEM* GetItemStruct(int iItem, int iSubItem, UINT nMask);
    // Stores the changed record of a stored item (SetItem); the item's tree link, the control's own
    // state bits and, in tree mode, its level are kept. FALSE when nothing was stored (SetItem then
    // fails).
    virtual BOOL SetItemStruct(int iItem, structITEM& item);
    // Fills a virtual-mode record for a read of a sub-item (-1: the item's own fields) by asking the
    // parent with RVN_NEEDDATA.
    virtual void LoadItemData(structITEM* pItem, int iItem, int iSubItem, UINT nMask);
    // For a LoadItemData override: writes the fields pData->nMask names into the record (the cell of
    // pData->iSubItem when >= 0, text cut to 255 bytes); fields not named become absent.
    void StoreItemData(structITEM* pItem, const _RVITEM* pData);
    // The text a cell gives to a copied line (GetItemString, Copy): its text, else its image index,
    // else its check state, else nothing.
    virtual CString GetExpandedItemText(int iItem, int iSubItem);
    // The core of every selection change: the user's clicks and keys and every programmatic form
    // (SetSelection in each form, SelectAll, InvertSelection, the pattern and less-or-equal forms, the
    // messages) come here, so an override sees them all. Rows iFirst..iLast (-1 the edit row); iFirst
    // gets the focus, iLast is held to the rows there are.
    virtual void SelectRows(int iFirst, int iLast, BOOL bSelect = TRUE, BOOL bKeepSelection = FALSE,
                            BOOL bInvert = FALSE, BOOL bNotify = TRUE);
    virtual void DrawCtrl(HDC hDC);
    virtual void DrawRow(HDC hDC, RECT rcRow, RECT rcClip, int iRow);
    virtual void DrawTreeBox(HDC hDC, RECT rect, UINT nState);
    virtual int DrawImage(HDC hDC, RECT rect, _RVITEM* pItem, BOOL bSelected);
    virtual int DrawCheck(HDC hDC, RECT rect, _RVITEM* pItem);
    virtual int DrawText(HDC hDC, RECT rect, _RVITEM* pItem);
    // Sorts rows iLow..iHigh by a sub-item, with CompareItems (list mode; SortItems sorts every row
    // through it).
    virtual void QuickSort(int iSubItem, int iLow, int iHigh, BOOL bAscending);
    // Sorts the children of hParent (TVI_ROOT: the top level), with bRecursive every level below as
    // well (tree mode; SortItems sorts the whole tree through it, from the root).
    virtual void TreeSort(int iSubItem, HTREEITEM hParent, BOOL bAscending, BOOL bRecursive);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // The colours GetSysColors loads, by role.
    enum {
        kWindow,
        kHighlight,
        kHighlightNoFocus,
        kText,
        kHighlightText,
        kHighlightTextNoFocus,
        kGrid,
        kDisabled,
        k3DLight,
        kShadow,
        kButtonHighlight,
        kDarkShadow,
        kColourCount
    };
    COLORREF m_crSys[kColourCount];

  private:
    // The window's state, read by the units that paint, take the user's input, run the header, edit in
    // place, show the tip and answer assistive programs (reportctrl/win_report_state.h).
    struct State;
    State* m_state;
};

#endif
