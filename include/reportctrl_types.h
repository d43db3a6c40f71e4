// Records, constants and notification codes of the report control. The header stands alone (no
// <windows.h>): the few Windows shapes it needs are declared here with the same layouts (a notification
// header shaped like NMHDR, points and rectangles of 32-bit fields). Records keep the platform's natural
// alignment, so in the 32-bit library every field sits at 4 × its position; the 64-bit build (and the
// native build) widen the pointer-sized fields, and both layouts are checked below.
//
// It compiles as C (C11) and as C++: a C client of the control's window class reads its notification
// codes and records from here (through zrpcctl.h), the C++ class and the library from the same lines.
#ifndef ZRPC_REPORTCTRL_TYPES_H
#define ZRPC_REPORTCTRL_TYPES_H

#include <stddef.h>
#include <stdint.h>

#include "zrpcdefs.h"

/* Tree node handles: opaque, the same tag as the platform's tree-view handles. */
struct _TREEITEM;

#ifndef TVI_ROOT
#define TVI_ROOT ((struct _TREEITEM*)(intptr_t)-0x10000)
#define TVI_FIRST ((struct _TREEITEM*)(intptr_t)-0x0FFFF)
#define TVI_LAST ((struct _TREEITEM*)(intptr_t)-0x0FFFE)
#define TVI_SORT ((struct _TREEITEM*)(intptr_t)-0x0FFFD)
#endif

typedef intptr_t RV_LPARAM;   /* pointer-sized application value (LPARAM) */
typedef uint32_t RV_COLORREF; /* 0x00BBGGRR */

/* Layout checks, in C11 and C++ alike. */
#define RV_STATIC_ASSERT(cond, text) ZRPC_STATIC_ASSERT(cond, text)

typedef struct RVPOINT RVPOINT;
typedef struct RVRECT RVRECT;
typedef struct RVNMHDR RVNMHDR;
typedef struct _RVITEM _RVITEM;
typedef struct _RVSUBITEM _RVSUBITEM;
typedef struct _RVHITTESTINFO _RVHITTESTINFO;
typedef struct _RVFINDINFO _RVFINDINFO;
typedef struct _NMREPORTVIEW _NMREPORTVIEW;
typedef struct _NMRVITEMCALLBACK _NMRVITEMCALLBACK;
typedef struct _NMRVITEMEDIT _NMRVITEMEDIT;
typedef struct _NMRVHEADER _NMRVHEADER;
typedef struct _NMRVDRAWPREVIEW _NMRVDRAWPREVIEW;
typedef struct _NMRVDRAWITEM _NMRVDRAWITEM;

struct RVPOINT {
    int32_t x;
    int32_t y;
};

struct RVRECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Same layout as the platform's NMHDR.
struct RVNMHDR {
    void* hwndFrom;
    uintptr_t idFrom;
    uint32_t code;
};

// Styles (low 16 bits of the style word).
#define RVS_ONESELECTION 0x0001u
#define RVS_KEEPSELECTIONVISIBLE 0x0002u
#define RVS_KEEPCOLOURS 0x0004u
#define RVS_STRIPEDROWS 0x0008u
#define RVS_ROWLINES 0x0010u
#define RVS_COLUMNLINES 0x0020u
#define RVS_HEADERLESS 0x0040u
#define RVS_UNSORTED 0x0080u
#define RVS_REMOVABLECOLUMNS 0x0100u
#define RVS_ENTRYROW 0x0200u
#define RVS_VIRTUALDATA 0x0800u
#define RVS_CELLFOCUS 0x1000u
#define RVS_OVERFLOWTEXT 0x2000u
#define RVS_TREECOLUMN 0x4000u
#define RVS_TREEMODE 0x8000u
#define RVS_TREEMASK 0xC000u

// Properties (ModifyProperty).
#define RVP_GAP 1u
#define RVP_CHECKBOXSIZE 2u
#define RVP_EMPTYMESSAGE 3u
#define RVP_LINESTYLE 4u
#define RVP_SORTTIP 5u
#define RVP_NOTIFYFILTER 6u
#define RVP_USECACHE 7u
#define RVP_DIVIDER 8u
#define RVP_USEPREVIEW 9u
#define RVP_USEHSCROLL 10u
#define RVP_CHECKBOXLOOK 11u
#define RVP_PICTUREHIGHLIGHT 12u
#define RVP_FADECOLOUR 13u
#define RVP_COPYDELIMITER 14u
#define RVP_COPYINDENTATION 15u

// Item states.
#define RVIS_HASFOCUS 0x0001u
#define RVIS_CHOSEN 0x0002u
#define RVIS_HEAVYFONT 0x0004u
#define RVIS_NOEDIT 0x0008u
#define RVIS_CUSTOMDRAW 0x0010u
#define RVIS_COLLAPSED 0x0020u
#define RVIS_EXPANDED 0x0040u
#define RVIS_FADEQUARTER 0x0080u
#define RVIS_FADEHALF 0x0100u
#define RVIS_OWNED (RVIS_HASFOCUS | RVIS_CHOSEN | RVIS_COLLAPSED | RVIS_EXPANDED) /* kept by the control */

// _RVITEM field mask.
#define RVIM_LABEL 0x0001u
#define RVIM_FORECOLOUR 0x0002u
#define RVIM_PICTURE 0x0004u
#define RVIM_CHECKMARK 0x0008u
#define RVIM_BACKCOLOUR 0x0010u
#define RVIM_PREVIEWLINES 0x0020u
#define RVIM_STATEBITS 0x0040u
#define RVIM_USERDATA 0x0080u
#define RVIM_INDENTLEVEL 0x0100u
#define RVIM_OVERLAYIMAGE 0x0200u

// Hit-test flags.
#define RVHT_NONE 0x0001u
#define RVHT_PICTURE 0x0002u
#define RVHT_CHECKBOX 0x0004u
#define RVHT_LABEL 0x0008u
#define RVHT_PREVIEWAREA 0x0010u
#define RVHT_EXPANDBOX 0x0020u
#define RVHT_ENTRYROW 0x0040u
#define RVHT_OVER 0x0100u
#define RVHT_UNDER 0x0200u
#define RVHT_RIGHTOF 0x0400u
#define RVHT_LEFTOF 0x0800u

// Search flags.
#define RVFI_LABEL 0x0001u
#define RVFI_PREFIX 0x0002u
#define RVFI_PICTURE 0x0004u
#define RVFI_CHECKMARK 0x0008u
#define RVFI_USERDATA 0x0010u
#define RVFI_WRAPAROUND 0x0100u
#define RVFI_BACKWARD 0x0200u

// Column flags in the high 16 bits of a sub-item's format.
#define RVCF_FITHEADER 0x00010000u
#define RVCF_FITSORTMARKER 0x00020000u
#define RVCF_NOLIMITS 0x00040000u
#define RVCF_SORTTIP 0x00080000u
#define RVCF_NOTREMOVABLE 0x00100000u
#define RVCF_IMAGESPACE 0x01000000u
#define RVCF_CHECKSPACE 0x02000000u
#define RVCF_NOFOCUS 0x04000000u
#define RV_HDF_IMAGE 0x0800u
#define RV_HDF_STRING 0x4000u

// Notification codes: RVN_BASE - n; bit n of RVP_NOTIFYFILTER lets code n through.
#define RVN_BASE 0xFFFFF800u
#define RVN_PAINTPREVIEW (RVN_BASE - 0u)
#define RVN_CLICKED (RVN_BASE - 1u)
#define RVN_DOUBLECLICKED (RVN_BASE - 2u)
#define RVN_SELCHANGING (RVN_BASE - 3u)
#define RVN_SELCHANGED (RVN_BASE - 4u)
#define RVN_COLUMNCLICKED (RVN_BASE - 5u)
#define RVN_RELAYOUT (RVN_BASE - 6u)
#define RVN_REMOVED (RVN_BASE - 7u)
#define RVN_NEEDDATA (RVN_BASE - 8u)
#define RVN_BEGINITEMEDIT (RVN_BASE - 9u)
#define RVN_ENDITEMEDIT (RVN_BASE - 10u)
#define RVN_KEYPRESSED (RVN_BASE - 11u)
#define RVN_DIVIDERDOUBLECLICKED (RVN_BASE - 12u)
#define RVN_RIGHTCLICKED (RVN_BASE - 13u)
#define RVN_BUTTONPRESSED (RVN_BASE - 14u)
#define RVN_PAINTITEM (RVN_BASE - 15u)
#define RVN_EXPANDING (RVN_BASE - 16u)
#define RVN_EXPANDEDNODE (RVN_BASE - 17u)
#define RVN_COLUMNRIGHTCLICKED (RVN_BASE - 18u)

struct _RVITEM {
    uint32_t nMask;
    int32_t iItem;
    int32_t iSubItem;
    char* lpszText;
    int32_t iTextMax;
    int32_t iTextColor;
    int32_t iImage;
    int32_t iCheck;
    int32_t iBkColor;
    int32_t nPreview;
    int32_t iIndent;
    uint32_t nState;
    RV_LPARAM lParam;
    int32_t iOverlay;
};

struct _RVSUBITEM {
    uint32_t nFormat;
    int32_t iWidth;
    int32_t iMinWidth;
    int32_t iMaxWidth;
    int32_t iImage;
    const char* lpszText;
};

struct _RVHITTESTINFO {
    RVPOINT point;
    uint32_t nFlags;
    struct _TREEITEM* hItem;
    int32_t iItem;
    int32_t iSubItem;
    int32_t iRow;
    int32_t iColumn;
    RVRECT rect;
};

struct _RVFINDINFO {
    uint32_t nFlags;
    const char* lpszText;
    int32_t iImage;
    int32_t iCheck;
    RV_LPARAM lParam;
};

struct _NMREPORTVIEW {
    RVNMHDR hdr;
    uint32_t nKeys;
    RVPOINT point;
    uint32_t nFlags;
    struct _TREEITEM* hItem;
    int32_t iItem;
    int32_t iSubItem;
    uint32_t nState;
    RV_LPARAM lParam;
};

// RVN_NEEDDATA: the parent fills the item record and sets the mask bits of what it filled.
struct _NMRVITEMCALLBACK {
    RVNMHDR hdr;
    _RVITEM item;
};

struct _NMRVITEMEDIT {
    RVNMHDR hdr;
    int32_t iReserved;
    int32_t iItem;
    int32_t iSubItem;
    int32_t bButton; // begin edit: the parent asks for a "..." button
    void* hWnd;
    RVRECT rect;
    uint32_t nKey;
    char* lpszText;
    RV_LPARAM lParam;
};

struct _NMRVHEADER {
    RVNMHDR hdr;
    int32_t iSubItem;
};

struct _NMRVDRAWPREVIEW {
    RVNMHDR hdr;
    int32_t iReserved;
    int32_t iItem;
    uint32_t nState;
    void* hDC;
    RVRECT rect;
    RV_LPARAM lParam;
};

struct _NMRVDRAWITEM {
    RVNMHDR hdr;
    _RVITEM* lpItem;
    void* hDC;
    RVRECT rect;
};

// Sort callback: negative, zero or positive as item 1 sorts before, with or after item 2.
#if defined(_WIN32) && !defined(_WIN64)
#define RV_CALLBACK __stdcall
#else
#define RV_CALLBACK
#endif
typedef int(RV_CALLBACK* RVCOMPAREPROC)(int iItem1, int iSubItem1, int iItem2, int iSubItem2,
                                        RV_LPARAM lParamSort);

#define RV_OFFSETS_4(T, a, b, c, d, oa, ob, oc, od)                                                          \
    RV_STATIC_ASSERT(offsetof(T, a) == (oa) && offsetof(T, b) == (ob) && offsetof(T, c) == (oc) &&           \
                         offsetof(T, d) == (od),                                                             \
                     #T " layout")

RV_STATIC_ASSERT(sizeof(RVPOINT) == 8 && sizeof(RVRECT) == 16, "point and rectangle");
#if INTPTR_MAX == INT32_MAX
// The 32-bit library: every field is 4 bytes wide and sits at 4 x its position.
RV_STATIC_ASSERT(sizeof(RVNMHDR) == 12 && offsetof(RVNMHDR, code) == 8, "notification header");
RV_STATIC_ASSERT(sizeof(_RVITEM) == 56, "_RVITEM size");
RV_OFFSETS_4(_RVITEM, lpszText, iTextMax, iBkColor, nState, 12, 16, 32, 44);
RV_OFFSETS_4(_RVITEM, iIndent, lParam, iOverlay, iCheck, 40, 48, 52, 28);
RV_STATIC_ASSERT(sizeof(_RVSUBITEM) == 24 && offsetof(_RVSUBITEM, lpszText) == 20, "_RVSUBITEM");
RV_STATIC_ASSERT(sizeof(_RVHITTESTINFO) == 48, "_RVHITTESTINFO size");
RV_OFFSETS_4(_RVHITTESTINFO, nFlags, hItem, iColumn, rect, 8, 12, 28, 32);
RV_STATIC_ASSERT(sizeof(_RVFINDINFO) == 20, "_RVFINDINFO size");
RV_OFFSETS_4(_RVFINDINFO, lpszText, iImage, iCheck, lParam, 4, 8, 12, 16);
RV_STATIC_ASSERT(sizeof(_NMREPORTVIEW) == 48, "_NMREPORTVIEW size");
RV_OFFSETS_4(_NMREPORTVIEW, nKeys, point, nFlags, hItem, 12, 16, 24, 28);
RV_OFFSETS_4(_NMREPORTVIEW, iItem, iSubItem, nState, lParam, 32, 36, 40, 44);
RV_STATIC_ASSERT(sizeof(_NMRVITEMCALLBACK) == 68 && offsetof(_NMRVITEMCALLBACK, item) == 12,
                 "need-data record");
RV_STATIC_ASSERT(sizeof(_NMRVITEMEDIT) == 60, "_NMRVITEMEDIT size");
RV_OFFSETS_4(_NMRVITEMEDIT, iItem, bButton, hWnd, rect, 16, 24, 28, 32);
RV_OFFSETS_4(_NMRVITEMEDIT, iReserved, nKey, lpszText, lParam, 12, 48, 52, 56);
RV_STATIC_ASSERT(sizeof(_NMRVHEADER) == 16 && offsetof(_NMRVHEADER, iSubItem) == 12, "_NMRVHEADER");
RV_STATIC_ASSERT(sizeof(_NMRVDRAWPREVIEW) == 48, "preview-draw record size");
RV_OFFSETS_4(_NMRVDRAWPREVIEW, iItem, hDC, rect, lParam, 16, 24, 28, 44);
RV_STATIC_ASSERT(sizeof(_NMRVDRAWITEM) == 36, "item-draw record size");
RV_OFFSETS_4(_NMRVDRAWITEM, hdr, lpItem, hDC, rect, 0, 12, 16, 20);
#else
// 64-bit builds: pointer-sized fields are 8 bytes wide and 8-aligned.
RV_STATIC_ASSERT(sizeof(RVNMHDR) == 24 && offsetof(RVNMHDR, code) == 16, "notification header");
RV_STATIC_ASSERT(sizeof(_RVITEM) == 72, "_RVITEM size");
RV_OFFSETS_4(_RVITEM, lpszText, iTextMax, iBkColor, nState, 16, 24, 40, 52);
RV_OFFSETS_4(_RVITEM, iIndent, lParam, iOverlay, iCheck, 48, 56, 64, 36);
RV_STATIC_ASSERT(sizeof(_RVSUBITEM) == 32 && offsetof(_RVSUBITEM, lpszText) == 24, "_RVSUBITEM");
RV_STATIC_ASSERT(sizeof(_RVHITTESTINFO) == 56, "_RVHITTESTINFO size");
RV_OFFSETS_4(_RVHITTESTINFO, nFlags, hItem, iColumn, rect, 8, 16, 36, 40);
RV_STATIC_ASSERT(sizeof(_RVFINDINFO) == 32, "_RVFINDINFO size");
RV_OFFSETS_4(_RVFINDINFO, lpszText, iImage, iCheck, lParam, 8, 16, 20, 24);
RV_STATIC_ASSERT(sizeof(_NMREPORTVIEW) == 72, "_NMREPORTVIEW size");
RV_OFFSETS_4(_NMREPORTVIEW, nKeys, point, nFlags, hItem, 24, 28, 36, 40);
RV_OFFSETS_4(_NMREPORTVIEW, iItem, iSubItem, nState, lParam, 48, 52, 56, 64);
RV_STATIC_ASSERT(sizeof(_NMRVITEMCALLBACK) == 96 && offsetof(_NMRVITEMCALLBACK, item) == 24,
                 "need-data record");
RV_STATIC_ASSERT(sizeof(_NMRVITEMEDIT) == 88, "_NMRVITEMEDIT size");
RV_OFFSETS_4(_NMRVITEMEDIT, iItem, bButton, hWnd, rect, 28, 36, 40, 48);
RV_OFFSETS_4(_NMRVITEMEDIT, iReserved, nKey, lpszText, lParam, 24, 64, 72, 80);
RV_STATIC_ASSERT(sizeof(_NMRVHEADER) == 32 && offsetof(_NMRVHEADER, iSubItem) == 24, "_NMRVHEADER");
RV_STATIC_ASSERT(sizeof(_NMRVDRAWPREVIEW) == 72, "preview-draw record size");
RV_OFFSETS_4(_NMRVDRAWPREVIEW, iItem, hDC, rect, lParam, 28, 40, 48, 64);
RV_STATIC_ASSERT(sizeof(_NMRVDRAWITEM) == 56, "item-draw record size");
RV_OFFSETS_4(_NMRVDRAWITEM, hdr, lpItem, hDC, rect, 0, 24, 32, 40);
#endif
#undef RV_OFFSETS_4

#endif
