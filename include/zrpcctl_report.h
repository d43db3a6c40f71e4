// The report control's messages: every public operation of CReportCtrl (zrpcreportctrl.h) as a
// window message to a window of class "MFCReportCtrl", for clients in C, other compilers and other
// languages. Plain C (C11) and C++, no Windows header: zrpcctl.h includes it with <windows.h>, the
// class names and ZRPCFUNC_InitControls; read that header first.
//
// Each message is answered by the member function named beside it, with the same arguments and the
// same answer; what that function does is said in zrpcreportctrl.h. The notifications the control
// sends to its parent (RVN_ codes), the item states, styles, properties and the platform-shaped records
// are those of reportctrl_types.h.
//
// Records: byte-packed, each starts with cbSize, which must be sizeof the record (the control answers
// the message's failure value otherwise). A text going in is a pointer and a length in bytes
// (cchText; -1: the text ends at its first zero byte); a text coming out is the caller's buffer and
// its size in bytes (cchText), filled with at most cchText - 1 bytes and a terminating zero.
//
// Failure values, one per message, stand in the "fails" column below. A message answers it for a
// record of the wrong size, a null record or text pointer the message needs, and whatever the member
// function itself refuses (an item or sub-item out of range, a list operation in tree mode...); the
// control never reads or writes through a pointer it was not given. RV_NOITEM (-2) is the platform's
// "no item" of the report control, as in the C++ class.
#ifndef ZRPC_CTL_REPORT_H
#define ZRPC_CTL_REPORT_H

#include "reportctrl_types.h"

#define RV_NOITEM (-2)

// Messages: RVM_FIRST .. RVM_LAST, above WM_USER (0x0400), in the control's own range. Per message:
// wParam | lParam | the answer and the member function that gives it | the failure value ("-": none).
// clang-format off
#define RVM_FIRST 0x0600u
// ---- creation and state
#define RVM_GETSTYLE               (RVM_FIRST + 0x00u) // 0 | 0 | style word (GetStyle) | -
#define RVM_MODIFYSTYLE            (RVM_FIRST + 0x01u) // bits to remove | bits to add | TRUE (ModifyStyle, nFlags 0) | FALSE
#define RVM_SETPROPERTY            (RVM_FIRST + 0x02u) // RVP_ number | value (text: char*, zero-ended) | TRUE (ModifyProperty) | FALSE
#define RVM_GETPROPERTY            (RVM_FIRST + 0x03u) // RVP_ number | 0 | value (GetProperty); a text: const char*, valid until it changes | 0
// ---- sub-items and columns
#define RVM_DEFINESUBITEM          (RVM_FIRST + 0x10u) // iSubItem | RVMSUBITEM* | iSubItem (DefineSubItem) | -1
#define RVM_REDEFINESUBITEM        (RVM_FIRST + 0x11u) // iSubItem | RVMSUBITEM* | TRUE (RedefineSubItem) | FALSE
#define RVM_UNDEFINESUBITEM        (RVM_FIRST + 0x12u) // iSubItem | 0 | TRUE (UndefineSubItem) | FALSE
#define RVM_UNDEFINEALLSUBITEMS    (RVM_FIRST + 0x13u) // 0 | 0 | TRUE (UndefineAllSubItems) | -
#define RVM_ACTIVATESUBITEM        (RVM_FIRST + 0x14u) // iSubItem | iColumn | column (ActivateSubItem) | -1
#define RVM_DEACTIVATESUBITEM      (RVM_FIRST + 0x15u) // iSubItem | 0 | TRUE (DeactivateSubItem) | FALSE
#define RVM_DEACTIVATEALLSUBITEMS  (RVM_FIRST + 0x16u) // 0 | 0 | TRUE (DeactivateAllSubItems) | FALSE
#define RVM_ISACTIVESUBITEM        (RVM_FIRST + 0x17u) // iSubItem | 0 | TRUE when shown (IsActiveSubItem) | FALSE
#define RVM_GETACTIVESUBITEMCOUNT  (RVM_FIRST + 0x18u) // 0 | 0 | columns (GetActiveSubItemCount) | -
#define RVM_GETSUBITEMCOUNT        (RVM_FIRST + 0x19u) // 0 | 0 | definitions (GetSubItemCount) | -
#define RVM_GETSUBITEMWIDTH        (RVM_FIRST + 0x1Au) // iSubItem | 0 | width (GetSubItemWidth) | 0
#define RVM_SETSUBITEMWIDTH        (RVM_FIRST + 0x1Bu) // iSubItem | width | TRUE (SetSubItemWidth) | FALSE
#define RVM_GETSUBITEMFROMCOLUMN   (RVM_FIRST + 0x1Cu) // iColumn | 0 | sub-item (GetSubItemFromColumn) | -1
#define RVM_GETCOLUMNFROMSUBITEM   (RVM_FIRST + 0x1Du) // iSubItem | 0 | column (GetColumnFromSubItem) | -1
// ---- items
#define RVM_INSERTITEM             (RVM_FIRST + 0x20u) // 0 | RVMITEM* | new item (InsertItem) | -2
#define RVM_ADDITEM                (RVM_FIRST + 0x21u) // 0 | RVMITEM*; NULL: a copy of the edit row | new item (AddItem) | -2
#define RVM_DELETEITEM             (RVM_FIRST + 0x22u) // iItem | 0 | TRUE (DeleteItem) | FALSE; -2 in tree or virtual mode
#define RVM_DELETEALLITEMS         (RVM_FIRST + 0x23u) // 0 | 0 | TRUE (DeleteAllItems) | FALSE
#define RVM_SETITEMCOUNT           (RVM_FIRST + 0x24u) // count | 0 | TRUE (SetItemCount, virtual mode) | FALSE
#define RVM_GETITEMCOUNT           (RVM_FIRST + 0x25u) // 0 | 0 | items (GetItemCount) | -
#define RVM_GETITEM                (RVM_FIRST + 0x26u) // 0 | RVMITEM* | TRUE, the record filled (GetItem) | FALSE
#define RVM_SETITEM                (RVM_FIRST + 0x27u) // 0 | RVMITEM* | TRUE (SetItem) | FALSE
#define RVM_GETITEMTEXT            (RVM_FIRST + 0x28u) // iItem | RVMCELL* (a buffer) | length copied (GetItemText) | 0
#define RVM_SETITEMTEXT            (RVM_FIRST + 0x29u) // iItem | RVMCELL* (a text) | TRUE (SetItemText) | FALSE
#define RVM_GETITEMIMAGE           (RVM_FIRST + 0x2Au) // iItem | iSubItem | image (GetItemImage) | -1
#define RVM_SETITEMIMAGE           (RVM_FIRST + 0x2Bu) // iItem | RVMCELL* (iValue) | TRUE (SetItemImage) | FALSE
#define RVM_GETITEMCHECK           (RVM_FIRST + 0x2Cu) // iItem | iSubItem | check state (GetItemCheck) | -1
#define RVM_SETITEMCHECK           (RVM_FIRST + 0x2Du) // iItem | RVMCELL* (iValue) | TRUE (SetItemCheck) | FALSE
#define RVM_GETITEMDATA            (RVM_FIRST + 0x2Eu) // iItem | 0 | data (GetItemData) | 0
#define RVM_SETITEMDATA            (RVM_FIRST + 0x2Fu) // iItem | data | TRUE (SetItemData) | FALSE
// ---- colours
#define RVM_INSERTCOLOR            (RVM_FIRST + 0x30u) // iColor | COLORREF | iColor (InsertColor) | -1
#define RVM_SETCOLOR               (RVM_FIRST + 0x31u) // iColor | COLORREF | TRUE (SetColor) | FALSE
#define RVM_GETCOLOR               (RVM_FIRST + 0x32u) // iColor | 0 | COLORREF (GetColor) | 0
#define RVM_DELETECOLOR            (RVM_FIRST + 0x33u) // iColor | 0 | TRUE (DeleteColor) | FALSE
#define RVM_DELETEALLCOLORS        (RVM_FIRST + 0x34u) // 0 | 0 | TRUE (DeleteAllColors) | -
// ---- rows and the cache
#define RVM_FLUSHCACHE             (RVM_FIRST + 0x38u) // iItem | 0 | TRUE (FlushCache) | -
#define RVM_GETITEMROW             (RVM_FIRST + 0x39u) // iItem | 0 | row (GetItemRow) | -2
#define RVM_GETITEMFROMROW         (RVM_FIRST + 0x3Au) // iRow | 0 | item (GetItemFromRow) | -2
#define RVM_GETROWCOUNT            (RVM_FIRST + 0x3Bu) // 0 | 0 | rows (GetRowCount) | -
#define RVM_MOVEUP                 (RVM_FIRST + 0x3Cu) // iRow | 0 | TRUE (MoveUp) | FALSE
#define RVM_MOVEDOWN               (RVM_FIRST + 0x3Du) // iRow | 0 | TRUE (MoveDown) | FALSE
// ---- tree (nodes are HTREEITEM values; TVI_ROOT where the member function takes it)
#define RVM_INSERTTREEITEM         (RVM_FIRST + 0x40u) // 0 | RVMTREEITEM* | node (InsertItem) | NULL
#define RVM_DELETETREEITEM         (RVM_FIRST + 0x41u) // 0 | node | TRUE (DeleteItem) | FALSE
#define RVM_EXPAND                 (RVM_FIRST + 0x42u) // nCode | node | TRUE (Expand) | FALSE
#define RVM_EXPANDALL              (RVM_FIRST + 0x43u) // 0 | RVMEXPAND* | TRUE (ExpandAll) | FALSE
#define RVM_GETNEXTTREEITEM        (RVM_FIRST + 0x44u) // nCode | node | node (GetNextItem) | NULL
#define RVM_HASCHILDREN            (RVM_FIRST + 0x45u) // 0 | node | TRUE (HasChildren) | FALSE
#define RVM_ISCHILD                (RVM_FIRST + 0x46u) // parent node | node | TRUE (IsChild) | FALSE
#define RVM_ISDESCENDENT           (RVM_FIRST + 0x47u) // ancestor node | node | TRUE (IsDescendent) | FALSE
#define RVM_GETITEMINDEX           (RVM_FIRST + 0x48u) // 0 | node | item (GetItemIndex) | -2
#define RVM_GETITEMHANDLE          (RVM_FIRST + 0x49u) // iItem | 0 | node (GetItemHandle) | NULL
#define RVM_SETTREESUBITEM         (RVM_FIRST + 0x4Au) // iSubItem | node | TRUE (SetTreeSubItem) | FALSE: no such node
#define RVM_GETTREEITEMCOUNT       (RVM_FIRST + 0x4Bu) // bRecursive | node | children (GetItemCount) | 0
#define RVM_ENSURETREEITEMVISIBLE  (RVM_FIRST + 0x4Cu) // bPartialOK | node | TRUE (EnsureVisible) | FALSE
// ---- sorting
#define RVM_SORTITEMS              (RVM_FIRST + 0x50u) // iSubItem | bAscending | TRUE (SortItems) | FALSE
#define RVM_RESORTITEMS            (RVM_FIRST + 0x51u) // 0 | 0 | TRUE (ResortItems) | FALSE
#define RVM_GETSORTSETTINGS        (RVM_FIRST + 0x52u) // int* or NULL | BOOL* or NULL | TRUE when sorted (GetSortSettings) | FALSE
#define RVM_SETSORTCALLBACK        (RVM_FIRST + 0x53u) // RVCOMPAREPROC | lParamSort | TRUE (SetSortCallback) | -
#define RVM_GETSORTCALLBACK        (RVM_FIRST + 0x54u) // 0 | 0 | RVCOMPAREPROC (GetSortCallback) | -
// ---- selection (items, in item order)
#define RVM_GETFIRSTSELECTEDITEM   (RVM_FIRST + 0x58u) // 0 | 0 | item (GetFirstSelectedItem) | -2
#define RVM_GETNEXTSELECTEDITEM    (RVM_FIRST + 0x59u) // iItem | 0 | item (GetNextSelectedItem) | -2
#define RVM_GETSELECTEDCOUNT       (RVM_FIRST + 0x5Au) // 0 | 0 | count (GetSelectedCount) | -
#define RVM_GETSELECTEDITEMS       (RVM_FIRST + 0x5Bu) // nMax | int* or NULL | count (GetSelectedItems) | 0
#define RVM_SETSELECTION           (RVM_FIRST + 0x5Cu) // iItem | bKeepSelection | TRUE (SetSelection) | FALSE: the item has no row
#define RVM_SETSELECTIONITEMS      (RVM_FIRST + 0x5Du) // 0 | RVMSELECT* (piItems, nCount) | TRUE (SetSelection) | FALSE
#define RVM_SETTREESELECTION       (RVM_FIRST + 0x5Eu) // bKeepSelection | node | TRUE (SetSelection) | FALSE: no such node, or hidden
#define RVM_SETTREESELECTIONITEMS  (RVM_FIRST + 0x5Fu) // 0 | RVMSELECT* (phItems, nCount) | TRUE (SetSelection) | FALSE
#define RVM_SETSELECTIONPATTERN    (RVM_FIRST + 0x60u) // 0 | RVMSELECT* (iSubItem, pszPattern) | TRUE (SetSelection) | FALSE
#define RVM_SETSELECTIONLESSEQ     (RVM_FIRST + 0x61u) // 0 | RVMSELECT* (iSubItem, nValue) | TRUE (SetSelectionLessEq) | FALSE
#define RVM_CLEARSELECTION         (RVM_FIRST + 0x62u) // 0 | 0 | TRUE (ClearSelection) | -
#define RVM_INVERTSELECTION        (RVM_FIRST + 0x63u) // 0 | 0 | TRUE (InvertSelection) | -
#define RVM_SELECTALL              (RVM_FIRST + 0x64u) // 0 | 0 | TRUE (SelectAll) | -
// ---- focus and search
#define RVM_GETCURRENTFOCUS        (RVM_FIRST + 0x68u) // 0 | int* piColumn or NULL | row (GetCurrentFocus) | -2
#define RVM_ADJUSTFOCUS            (RVM_FIRST + 0x69u) // iRow | iColumn | TRUE (AdjustFocus) | FALSE
#define RVM_SETCURRENTFOCUS        (RVM_FIRST + 0x6Au) // iItem | iSubItem | TRUE (SetCurrentFocus) | FALSE
#define RVM_HASFOCUS               (RVM_FIRST + 0x6Bu) // 0 | 0 | TRUE (HasFocus) | FALSE
#define RVM_FINDITEM               (RVM_FIRST + 0x6Cu) // 0 | RVMFIND* | item (FindItem) | -2
// ---- column profile
#define RVM_WRITEPROFILE           (RVM_FIRST + 0x70u) // 0 | RVMPROFILE* | TRUE (WriteProfile) | FALSE
#define RVM_GETPROFILE             (RVM_FIRST + 0x71u) // 0 | RVMPROFILE* | TRUE (GetProfile) | FALSE
#define RVM_SETPROFILESTORE        (RVM_FIRST + 0x72u) // 0 | RVMPROFILESTORE* | TRUE (SetProfileStore, for every control of the process) | FALSE
// ---- layout, scrolling, drawing
#define RVM_GETITEMHEIGHT          (RVM_FIRST + 0x78u) // 0 | 0 | row height (GetItemHeight) | -
#define RVM_SETITEMHEIGHT          (RVM_FIRST + 0x79u) // height | 0 | TRUE (SetItemHeight) | -
#define RVM_GETVISIBLECOUNT        (RVM_FIRST + 0x7Au) // bPartial | 0 | rows (GetVisibleCount) | 0
#define RVM_GETTOPINDEX            (RVM_FIRST + 0x7Bu) // 0 | 0 | row (GetTopIndex) | -
#define RVM_ISITEMVISIBLE          (RVM_FIRST + 0x7Cu) // iItem | bPartial | TRUE (IsItemVisible) | FALSE
#define RVM_ENSUREVISIBLE          (RVM_FIRST + 0x7Du) // iItem | bPartial | TRUE (EnsureVisible) | FALSE
#define RVM_PAGEUP                 (RVM_FIRST + 0x7Eu) // 0 | 0 | TRUE (PageUp) | -
#define RVM_PAGEDOWN               (RVM_FIRST + 0x7Fu) // 0 | 0 | TRUE (PageDown) | -
#define RVM_GETITEMRECT            (RVM_FIRST + 0x80u) // 0 | RVMITEMRECT* | TRUE, rect filled (GetItemRect) | FALSE
#define RVM_HITTEST                (RVM_FIRST + 0x81u) // 0 | RVMHITTEST* | item (HitTest) | -2
#define RVM_SETIMAGELIST           (RVM_FIRST + 0x82u) // HIMAGELIST | HIMAGELIST of checks or NULL | TRUE (SetImageList) | -
#define RVM_GETIMAGELIST           (RVM_FIRST + 0x83u) // 0 | 0 | HIMAGELIST (GetImageList) | NULL
#define RVM_SETREDRAW              (RVM_FIRST + 0x84u) // bRedraw | 0 | TRUE (SetRedraw) | -
#define RVM_REDRAWITEMS            (RVM_FIRST + 0x85u) // iFirst | iLast | TRUE (RedrawItems) | -
#define RVM_SETINDENTFIRSTCOLUMN   (RVM_FIRST + 0x86u) // bIndent | 0 | TRUE (SetIndentFirstColumn) | -
#define RVM_GETHEADERCTRL          (RVM_FIRST + 0x87u) // 0 | 0 | HWND (GetHeaderCtrl) | NULL
#define RVM_GETWHEELLINES          (RVM_FIRST + 0x88u) // 0 | 0 | lines (GetWheelLines) | -
#define RVM_SETBKIMAGE             (RVM_FIRST + 0x89u) // HMODULE holding the bitmap (NULL: the program's) | MAKEINTRESOURCE(id) or char* name | TRUE (SetBkImage) | FALSE
// ---- clipboard and in-place editing
#define RVM_COPY                   (RVM_FIRST + 0x90u) // 0 | 0 | TRUE (Copy: the selected rows as CF_TEXT and CF_UNICODETEXT) | -
#define RVM_CUT                    (RVM_FIRST + 0x91u) // 0 | 0 | TRUE (Cut: nothing) | -
#define RVM_BEGINEDIT              (RVM_FIRST + 0x92u) // 0 | RVMEDIT* | TRUE (BeginEdit) | FALSE
#define RVM_ENDEDIT                (RVM_FIRST + 0x93u) // bUpdate | 0 | TRUE (EndEdit) | -
#define RVM_GETEDITWINDOW          (RVM_FIRST + 0x94u) // 0 | 0 | HWND (GetEditWindow) | NULL
// ---- cell sizes, previews, sub-item chooser, tip
#define RVM_MEASUREITEM            (RVM_FIRST + 0x98u) // 0 | RVMITEMRECT* (nCode: bTextOnly) | width (MeasureItem) | -1
#define RVM_PREVIEWHEIGHT          (RVM_FIRST + 0x99u) // HFONT | nLines | height (PreviewHeight) | -1
#define RVM_PREVIEWTEXTHEIGHT      (RVM_FIRST + 0x9Au) // 0 | RVMPREVIEW* | height (PreviewHeight) | -1
#define RVM_SETSUBITEMLIST         (RVM_FIRST + 0x9Cu) // HWND of a list box or NULL | 0 | TRUE (SetReportSubItemListCtrl) | FALSE
#define RVM_GETSUBITEMLIST         (RVM_FIRST + 0x9Du) // 0 | 0 | HWND (GetReportSubItemListCtrl) | NULL
#define RVM_GETTIPWINDOW           (RVM_FIRST + 0x9Eu) // 0 | 0 | HWND (GetTipWindow) | NULL
#define RVM_LAST (RVM_FIRST + 0x9Fu)
// clang-format on
// A number of the range without a message above goes to the control's normal handling (answer 0).

#if defined(_MSC_VER) || defined(__GNUC__) || defined(__clang__)
#pragma pack(push, 1)
#endif

// An item (RVM_INSERTITEM, RVM_ADDITEM, RVM_GETITEM, RVM_SETITEM): the fields of _RVITEM, nMask naming
// the valid ones (RVIM_). Reading (RVM_GETITEM) with RVIM_LABEL copies the text into pszText, a buffer
// of cchText bytes; writing takes the text from pszText, cchText bytes (-1: zero-ended).
typedef struct RVMITEM {
    uint32_t cbSize;
    uint32_t nMask;
    int32_t iItem;
    int32_t iSubItem;
    char* pszText;
    int32_t cchText;
    int32_t iTextColor;
    int32_t iImage;
    int32_t iCheck;
    int32_t iBkColor;
    int32_t nPreview;
    int32_t iIndent;
    uint32_t nState;
    RV_LPARAM lParam;
    int32_t iOverlay;
} RVMITEM;

// A sub-item definition (RVM_DEFINESUBITEM, RVM_REDEFINESUBITEM): the fields of _RVSUBITEM, the column
// text counted, and the C++ functions' bUpdateList (refresh the sub-item chooser).
typedef struct RVMSUBITEM {
    uint32_t cbSize;
    uint32_t nFormat;
    int32_t iWidth;
    int32_t iMinWidth;
    int32_t iMaxWidth;
    int32_t iImage;
    const char* pszText;
    int32_t cchText;
    int32_t bUpdateList;
} RVMSUBITEM;

// One cell of the item named by wParam: its text (RVM_GETITEMTEXT: a buffer; RVM_SETITEMTEXT: the
// text) or a value (RVM_SETITEMIMAGE, RVM_SETITEMCHECK: iValue).
typedef struct RVMCELL {
    uint32_t cbSize;
    int32_t iSubItem;
    char* pszText;
    int32_t cchText;
    int32_t iValue;
} RVMCELL;

// A selection: items (piItems, nCount), tree nodes (phItems, nCount), a pattern over one sub-item's
// texts (iSubItem, pszPattern, cchPattern; "*" any run, "?" any one character, case ignored), or the
// items whose data is at most nValue (iSubItem, nValue). Each message reads the fields it names.
typedef struct RVMSELECT {
    uint32_t cbSize;
    int32_t bKeepSelection;
    const int32_t* piItems;
    struct _TREEITEM* const* phItems;
    const char* pszPattern;
    int32_t nCount;
    int32_t iSubItem;
    int32_t nValue;
    int32_t cchPattern;
} RVMSELECT;

// A tree item to insert (RVM_INSERTTREEITEM): under hParent (TVI_ROOT: top level), after hInsertAfter
// (TVI_FIRST, TVI_LAST, TVI_SORT or a sibling), showing iTreeSubItem across its row (-1: none); item
// is the item's record (its own cbSize set too).
typedef struct RVMTREEITEM {
    uint32_t cbSize;
    int32_t iTreeSubItem;
    struct _TREEITEM* hParent;
    struct _TREEITEM* hInsertAfter;
    RVMITEM item;
} RVMTREEITEM;

// RVM_EXPANDALL: nCode 0 collapse, 1 expand, 2 toggle; iLevels -1 every level below hItem.
typedef struct RVMEXPAND {
    uint32_t cbSize;
    uint32_t nCode;
    struct _TREEITEM* hItem;
    int32_t iLevels;
} RVMEXPAND;

// RVM_FINDITEM: the fields of _RVFINDINFO (nFlags RVFI_), the text counted, and the C++ function's
// iSubItem and iStart (-1: from the first item).
typedef struct RVMFIND {
    uint32_t cbSize;
    uint32_t nFlags;
    const char* pszText;
    RV_LPARAM lParam;
    int32_t cchText;
    int32_t iImage;
    int32_t iCheck;
    int32_t iSubItem;
    int32_t iStart;
} RVMFIND;

// RVM_HITTEST: the fields of _RVHITTESTINFO; x, y in, the rest out.
typedef struct RVMHITTEST {
    uint32_t cbSize;
    int32_t x;
    int32_t y;
    uint32_t nFlags;
    struct _TREEITEM* hItem;
    int32_t iItem;
    int32_t iSubItem;
    int32_t iRow;
    int32_t iColumn;
    RVRECT rect;
} RVMHITTEST;

// RVM_GETITEMRECT (nCode: 0 cell, 1 image, 2 check box, 3 text, 4 spanning text; iSubItem -1 the row)
// and RVM_MEASUREITEM (nCode: bTextOnly); rect out, client coordinates.
typedef struct RVMITEMRECT {
    uint32_t cbSize;
    int32_t iItem;
    int32_t iSubItem;
    uint32_t nCode;
    RVRECT rect;
} RVMITEMRECT;

// RVM_WRITEPROFILE, RVM_GETPROFILE: the section and the entry of the column profile.
typedef struct RVMPROFILE {
    uint32_t cbSize;
    int32_t cchSection;
    const char* pszSection;
    const char* pszEntry;
    int32_t cchEntry;
} RVMPROFILE;

// RVM_SETPROFILESTORE: where the column profiles of every control of the process are kept: the
// initialisation file pszIniFile when it is given, else the registry key pszRegistryKey under
// HKEY_CURRENT_USER (each section a subkey). A null text is the default (no file; the key
// "Software\<program name>").
typedef struct RVMPROFILESTORE {
    uint32_t cbSize;
    const char* pszRegistryKey;
    int32_t cchRegistryKey;
    const char* pszIniFile;
    int32_t cchIniFile;
} RVMPROFILESTORE;

// RVM_BEGINEDIT: the row (-1 the edit row), column and start key (1: a click).
typedef struct RVMEDIT {
    uint32_t cbSize;
    int32_t iRow;
    int32_t iColumn;
    uint32_t nKey;
} RVMEDIT;

// RVM_PREVIEWTEXTHEIGHT: the height of the text word-wrapped in hFont (an HFONT) to the width of the
// shown columns, or of rect when bUseRect.
typedef struct RVMPREVIEW {
    uint32_t cbSize;
    int32_t cchText;
    void* hFont;
    const char* pszText;
    int32_t bUseRect;
    RVRECT rect;
} RVMPREVIEW;

#if defined(_MSC_VER) || defined(__GNUC__) || defined(__clang__)
#pragma pack(pop)
#endif

#define RVM_OFFSETS_4(T, a, b, c, d, oa, ob, oc, od)                                                         \
    RV_STATIC_ASSERT(offsetof(T, a) == (oa) && offsetof(T, b) == (ob) && offsetof(T, c) == (oc) &&           \
                         offsetof(T, d) == (od),                                                             \
                     #T " layout")
#if INTPTR_MAX == INT32_MAX
RV_STATIC_ASSERT(sizeof(RVMITEM) == 60, "RVMITEM size");
RVM_OFFSETS_4(RVMITEM, pszText, cchText, nState, lParam, 16, 20, 48, 52);
RVM_OFFSETS_4(RVMITEM, iTextColor, iIndent, iOverlay, nMask, 24, 44, 56, 4);
RV_STATIC_ASSERT(sizeof(RVMSUBITEM) == 36, "RVMSUBITEM size");
RVM_OFFSETS_4(RVMSUBITEM, iImage, pszText, cchText, bUpdateList, 20, 24, 28, 32);
RV_STATIC_ASSERT(sizeof(RVMCELL) == 20, "RVMCELL size");
RVM_OFFSETS_4(RVMCELL, iSubItem, pszText, cchText, iValue, 4, 8, 12, 16);
RV_STATIC_ASSERT(sizeof(RVMSELECT) == 36, "RVMSELECT size");
RVM_OFFSETS_4(RVMSELECT, piItems, phItems, pszPattern, nCount, 8, 12, 16, 20);
RVM_OFFSETS_4(RVMSELECT, bKeepSelection, iSubItem, nValue, cchPattern, 4, 24, 28, 32);
RV_STATIC_ASSERT(sizeof(RVMTREEITEM) == 76, "RVMTREEITEM size");
RVM_OFFSETS_4(RVMTREEITEM, iTreeSubItem, hParent, hInsertAfter, item, 4, 8, 12, 16);
RV_STATIC_ASSERT(sizeof(RVMEXPAND) == 16 && offsetof(RVMEXPAND, iLevels) == 12, "RVMEXPAND");
RV_STATIC_ASSERT(sizeof(RVMFIND) == 36, "RVMFIND size");
RVM_OFFSETS_4(RVMFIND, pszText, lParam, cchText, iStart, 8, 12, 16, 32);
RV_STATIC_ASSERT(sizeof(RVMHITTEST) == 52, "RVMHITTEST size");
RVM_OFFSETS_4(RVMHITTEST, nFlags, hItem, iColumn, rect, 12, 16, 32, 36);
RV_STATIC_ASSERT(sizeof(RVMITEMRECT) == 32 && offsetof(RVMITEMRECT, rect) == 16, "RVMITEMRECT");
RV_STATIC_ASSERT(sizeof(RVMPROFILE) == 20, "RVMPROFILE size");
RVM_OFFSETS_4(RVMPROFILE, cchSection, pszSection, pszEntry, cchEntry, 4, 8, 12, 16);
RV_STATIC_ASSERT(sizeof(RVMPROFILESTORE) == 20, "RVMPROFILESTORE size");
RVM_OFFSETS_4(RVMPROFILESTORE, pszRegistryKey, cchRegistryKey, pszIniFile, cchIniFile, 4, 8, 12, 16);
RV_STATIC_ASSERT(sizeof(RVMEDIT) == 16 && offsetof(RVMEDIT, nKey) == 12, "RVMEDIT");
RV_STATIC_ASSERT(sizeof(RVMPREVIEW) == 36, "RVMPREVIEW size");
RVM_OFFSETS_4(RVMPREVIEW, hFont, pszText, bUseRect, rect, 8, 12, 16, 20);
#else
RV_STATIC_ASSERT(sizeof(RVMITEM) == 68, "RVMITEM size");
RVM_OFFSETS_4(RVMITEM, pszText, cchText, nState, lParam, 16, 24, 52, 56);
RVM_OFFSETS_4(RVMITEM, iTextColor, iIndent, iOverlay, nMask, 28, 48, 64, 4);
RV_STATIC_ASSERT(sizeof(RVMSUBITEM) == 40, "RVMSUBITEM size");
RVM_OFFSETS_4(RVMSUBITEM, iImage, pszText, cchText, bUpdateList, 20, 24, 32, 36);
RV_STATIC_ASSERT(sizeof(RVMCELL) == 24, "RVMCELL size");
RVM_OFFSETS_4(RVMCELL, iSubItem, pszText, cchText, iValue, 4, 8, 16, 20);
RV_STATIC_ASSERT(sizeof(RVMSELECT) == 48, "RVMSELECT size");
RVM_OFFSETS_4(RVMSELECT, piItems, phItems, pszPattern, nCount, 8, 16, 24, 32);
RVM_OFFSETS_4(RVMSELECT, bKeepSelection, iSubItem, nValue, cchPattern, 4, 36, 40, 44);
RV_STATIC_ASSERT(sizeof(RVMTREEITEM) == 92, "RVMTREEITEM size");
RVM_OFFSETS_4(RVMTREEITEM, iTreeSubItem, hParent, hInsertAfter, item, 4, 8, 16, 24);
RV_STATIC_ASSERT(sizeof(RVMEXPAND) == 20 && offsetof(RVMEXPAND, iLevels) == 16, "RVMEXPAND");
RV_STATIC_ASSERT(sizeof(RVMFIND) == 44, "RVMFIND size");
RVM_OFFSETS_4(RVMFIND, pszText, lParam, cchText, iStart, 8, 16, 24, 40);
RV_STATIC_ASSERT(sizeof(RVMHITTEST) == 56, "RVMHITTEST size");
RVM_OFFSETS_4(RVMHITTEST, nFlags, hItem, iColumn, rect, 12, 16, 36, 40);
RV_STATIC_ASSERT(sizeof(RVMITEMRECT) == 32 && offsetof(RVMITEMRECT, rect) == 16, "RVMITEMRECT");
RV_STATIC_ASSERT(sizeof(RVMPROFILE) == 28, "RVMPROFILE size");
RVM_OFFSETS_4(RVMPROFILE, cchSection, pszSection, pszEntry, cchEntry, 4, 8, 16, 24);
RV_STATIC_ASSERT(sizeof(RVMPROFILESTORE) == 28, "RVMPROFILESTORE size");
RVM_OFFSETS_4(RVMPROFILESTORE, pszRegistryKey, cchRegistryKey, pszIniFile, cchIniFile, 4, 12, 16, 24);
RV_STATIC_ASSERT(sizeof(RVMEDIT) == 16 && offsetof(RVMEDIT, nKey) == 12, "RVMEDIT");
RV_STATIC_ASSERT(sizeof(RVMPREVIEW) == 44, "RVMPREVIEW size");
RVM_OFFSETS_4(RVMPREVIEW, hFont, pszText, bUseRect, rect, 8, 16, 24, 28);
#endif
#undef RVM_OFFSETS_4

#endif
