// Records, constants and notification codes of the report control. The header stands alone (no
// <windows.h>): the few Windows shapes it needs are declared here with the same layouts (a notification
// header shaped like NMHDR, points and rectangles of 32-bit fields). Records keep the platform's natural
// alignment, so in the 32-bit library every field sits at 4 × its position; the 64-bit build (and the
// native build) widen the pointer-sized fields, and both layouts are checked below.
#ifndef ZRPC_REPORTCTRL_TYPES_H
#define ZRPC_REPORTCTRL_TYPES_H

#include <cstddef>
#include <cstdint>

// Tree node handles: opaque, the same tag as the platform's tree-view handles.
struct _TREEITEM;

#ifndef TVI_ROOT
#define TVI_ROOT ((_TREEITEM*)(intptr_t)-0x10000)
#define TVI_FIRST ((_TREEITEM*)(intptr_t)-0x0FFFF)
#define TVI_LAST ((_TREEITEM*)(intptr_t)-0x0FFFE)
#define TVI_SORT ((_TREEITEM*)(intptr_t)-0x0FFFD)
#endif

typedef intptr_t RV_LPARAM;   // pointer-sized application value (LPARAM)
typedef uint32_t RV_COLORREF; // 0x00BBGGRR

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
enum : uint32_t {
    RVS_ONESELECTION = 0x0001,
    RVS_KEEPSELECTIONVISIBLE = 0x0002,
    RVS_KEEPCOLOURS = 0x0004,
    RVS_STRIPEDROWS = 0x0008,
    RVS_ROWLINES = 0x0010,
    RVS_COLUMNLINES = 0x0020,
    RVS_HEADERLESS = 0x0040,
    RVS_UNSORTED = 0x0080,
    RVS_REMOVABLECOLUMNS = 0x0100,
    RVS_ENTRYROW = 0x0200,
    RVS_VIRTUALDATA = 0x0800,
    RVS_CELLFOCUS = 0x1000,
    RVS_OVERFLOWTEXT = 0x2000,
    RVS_TREECOLUMN = 0x4000,
    RVS_TREEMODE = 0x8000,
    RVS_TREEMASK = 0xC000,
};

// Properties (ModifyProperty).
enum : uint32_t {
    RVP_GAP = 1,
    RVP_CHECKBOXSIZE = 2,
    RVP_EMPTYMESSAGE = 3,
    RVP_LINESTYLE = 4,
    RVP_SORTTIP = 5,
    RVP_NOTIFYFILTER = 6,
    RVP_USECACHE = 7,
    RVP_DIVIDER = 8,
    RVP_USEPREVIEW = 9,
    RVP_USEHSCROLL = 10,
    RVP_CHECKBOXLOOK = 11,
    RVP_PICTUREHIGHLIGHT = 12,
    RVP_FADECOLOUR = 13,
    RVP_COPYDELIMITER = 14,
    RVP_COPYINDENTATION = 15,
};

// Item states.
enum : uint32_t {
    RVIS_HASFOCUS = 0x0001,
    RVIS_CHOSEN = 0x0002,
    RVIS_HEAVYFONT = 0x0004,
    RVIS_NOEDIT = 0x0008,
    RVIS_CUSTOMDRAW = 0x0010,
    RVIS_COLLAPSED = 0x0020,
    RVIS_EXPANDED = 0x0040,
    RVIS_FADEQUARTER = 0x0080,
    RVIS_FADEHALF = 0x0100,
    RVIS_OWNED = RVIS_HASFOCUS | RVIS_CHOSEN | RVIS_COLLAPSED | RVIS_EXPANDED, // kept by the control
};

// _RVITEM field mask.
enum : uint32_t {
    RVIM_LABEL = 0x0001,
    RVIM_FORECOLOUR = 0x0002,
    RVIM_PICTURE = 0x0004,
    RVIM_CHECKMARK = 0x0008,
    RVIM_BACKCOLOUR = 0x0010,
    RVIM_PREVIEWLINES = 0x0020,
    RVIM_STATEBITS = 0x0040,
    RVIM_USERDATA = 0x0080,
    RVIM_INDENTLEVEL = 0x0100,
    RVIM_OVERLAYIMAGE = 0x0200,
};

// Hit-test flags.
enum : uint32_t {
    RVHT_NONE = 0x0001,
    RVHT_PICTURE = 0x0002,
    RVHT_CHECKBOX = 0x0004,
    RVHT_LABEL = 0x0008,
    RVHT_PREVIEWAREA = 0x0010,
    RVHT_EXPANDBOX = 0x0020,
    RVHT_ENTRYROW = 0x0040,
    RVHT_OVER = 0x0100,
    RVHT_UNDER = 0x0200,
    RVHT_RIGHTOF = 0x0400,
    RVHT_LEFTOF = 0x0800,
};

// Search flags.
enum : uint32_t {
    RVFI_LABEL = 0x0001,
    RVFI_PREFIX = 0x0002,
    RVFI_PICTURE = 0x0004,
    RVFI_CHECKMARK = 0x0008,
    RVFI_USERDATA = 0x0010,
    RVFI_WRAPAROUND = 0x0100,
    RVFI_BACKWARD = 0x0200,
};

// Column flags in the high 16 bits of a sub-item's format.
enum : uint32_t {
    RVCF_FITHEADER = 0x00010000,
    RVCF_FITSORTMARKER = 0x00020000,
    RVCF_NOLIMITS = 0x00040000,
    RVCF_SORTTIP = 0x00080000,
    RVCF_NOTREMOVABLE = 0x00100000,
    RVCF_IMAGESPACE = 0x01000000,
    RVCF_CHECKSPACE = 0x02000000,
    RVCF_NOFOCUS = 0x04000000,
    RV_HDF_IMAGE = 0x0800,
    RV_HDF_STRING = 0x4000,
};

// Notification codes: RVN_BASE - n; bit n of RVP_NOTIFYFILTER lets code n through.
enum : uint32_t {
    RVN_BASE = 0xFFFFF800u,
    RVN_PAINTPREVIEW = RVN_BASE - 0,
    RVN_CLICKED = RVN_BASE - 1,
    RVN_DOUBLECLICKED = RVN_BASE - 2,
    RVN_SELCHANGING = RVN_BASE - 3,
    RVN_SELCHANGED = RVN_BASE - 4,
    RVN_COLUMNCLICKED = RVN_BASE - 5,
    RVN_RELAYOUT = RVN_BASE - 6,
    RVN_REMOVED = RVN_BASE - 7,
    RVN_NEEDDATA = RVN_BASE - 8,
    RVN_BEGINITEMEDIT = RVN_BASE - 9,
    RVN_ENDITEMEDIT = RVN_BASE - 10,
    RVN_KEYPRESSED = RVN_BASE - 11,
    RVN_DIVIDERDOUBLECLICKED = RVN_BASE - 12,
    RVN_RIGHTCLICKED = RVN_BASE - 13,
    RVN_BUTTONPRESSED = RVN_BASE - 14,
    RVN_PAINTITEM = RVN_BASE - 15,
    RVN_EXPANDING = RVN_BASE - 16,
    RVN_EXPANDEDNODE = RVN_BASE - 17,
    RVN_COLUMNRIGHTCLICKED = RVN_BASE - 18,
};

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
    _TREEITEM* hItem;
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
    _TREEITEM* hItem;
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
    static_assert(offsetof(T, a) == (oa) && offsetof(T, b) == (ob) && offsetof(T, c) == (oc) &&              \
                      offsetof(T, d) == (od),                                                                \
                  #T " layout")

static_assert(sizeof(RVPOINT) == 8 && sizeof(RVRECT) == 16, "point and rectangle");
#if INTPTR_MAX == INT32_MAX
// The 32-bit library: every field is 4 bytes wide and sits at 4 x its position.
static_assert(sizeof(RVNMHDR) == 12 && offsetof(RVNMHDR, code) == 8, "notification header");
static_assert(sizeof(_RVITEM) == 56, "_RVITEM size");
RV_OFFSETS_4(_RVITEM, lpszText, iTextMax, iBkColor, nState, 12, 16, 32, 44);
RV_OFFSETS_4(_RVITEM, iIndent, lParam, iOverlay, iCheck, 40, 48, 52, 28);
static_assert(sizeof(_RVSUBITEM) == 24 && offsetof(_RVSUBITEM, lpszText) == 20, "_RVSUBITEM");
static_assert(sizeof(_RVHITTESTINFO) == 48, "_RVHITTESTINFO size");
RV_OFFSETS_4(_RVHITTESTINFO, nFlags, hItem, iColumn, rect, 8, 12, 28, 32);
static_assert(sizeof(_RVFINDINFO) == 20, "_RVFINDINFO size");
RV_OFFSETS_4(_RVFINDINFO, lpszText, iImage, iCheck, lParam, 4, 8, 12, 16);
static_assert(sizeof(_NMREPORTVIEW) == 48, "_NMREPORTVIEW size");
RV_OFFSETS_4(_NMREPORTVIEW, nKeys, point, nFlags, hItem, 12, 16, 24, 28);
RV_OFFSETS_4(_NMREPORTVIEW, iItem, iSubItem, nState, lParam, 32, 36, 40, 44);
static_assert(sizeof(_NMRVITEMCALLBACK) == 68 && offsetof(_NMRVITEMCALLBACK, item) == 12, "need-data record");
static_assert(sizeof(_NMRVITEMEDIT) == 60, "_NMRVITEMEDIT size");
RV_OFFSETS_4(_NMRVITEMEDIT, iItem, bButton, hWnd, rect, 16, 24, 28, 32);
RV_OFFSETS_4(_NMRVITEMEDIT, iReserved, nKey, lpszText, lParam, 12, 48, 52, 56);
static_assert(sizeof(_NMRVHEADER) == 16 && offsetof(_NMRVHEADER, iSubItem) == 12, "_NMRVHEADER");
static_assert(sizeof(_NMRVDRAWPREVIEW) == 48, "preview-draw record size");
RV_OFFSETS_4(_NMRVDRAWPREVIEW, iItem, hDC, rect, lParam, 16, 24, 28, 44);
static_assert(sizeof(_NMRVDRAWITEM) == 36, "item-draw record size");
RV_OFFSETS_4(_NMRVDRAWITEM, hdr, lpItem, hDC, rect, 0, 12, 16, 20);
#else
// 64-bit builds: pointer-sized fields are 8 bytes wide and 8-aligned.
static_assert(sizeof(RVNMHDR) == 24 && offsetof(RVNMHDR, code) == 16, "notification header");
static_assert(sizeof(_RVITEM) == 72, "_RVITEM size");
RV_OFFSETS_4(_RVITEM, lpszText, iTextMax, iBkColor, nState, 16, 24, 40, 52);
RV_OFFSETS_4(_RVITEM, iIndent, lParam, iOverlay, iCheck, 48, 56, 64, 36);
static_assert(sizeof(_RVSUBITEM) == 32 && offsetof(_RVSUBITEM, lpszText) == 24, "_RVSUBITEM");
static_assert(sizeof(_RVHITTESTINFO) == 56, "_RVHITTESTINFO size");
RV_OFFSETS_4(_RVHITTESTINFO, nFlags, hItem, iColumn, rect, 8, 16, 36, 40);
static_assert(sizeof(_RVFINDINFO) == 32, "_RVFINDINFO size");
RV_OFFSETS_4(_RVFINDINFO, lpszText, iImage, iCheck, lParam, 8, 16, 20, 24);
static_assert(sizeof(_NMREPORTVIEW) == 72, "_NMREPORTVIEW size");
RV_OFFSETS_4(_NMREPORTVIEW, nKeys, point, nFlags, hItem, 24, 28, 36, 40);
RV_OFFSETS_4(_NMREPORTVIEW, iItem, iSubItem, nState, lParam, 48, 52, 56, 64);
static_assert(sizeof(_NMRVITEMCALLBACK) == 96 && offsetof(_NMRVITEMCALLBACK, item) == 24, "need-data record");
static_assert(sizeof(_NMRVITEMEDIT) == 88, "_NMRVITEMEDIT size");
RV_OFFSETS_4(_NMRVITEMEDIT, iItem, bButton, hWnd, rect, 28, 36, 40, 48);
RV_OFFSETS_4(_NMRVITEMEDIT, iReserved, nKey, lpszText, lParam, 24, 64, 72, 80);
static_assert(sizeof(_NMRVHEADER) == 32 && offsetof(_NMRVHEADER, iSubItem) == 24, "_NMRVHEADER");
static_assert(sizeof(_NMRVDRAWPREVIEW) == 72, "preview-draw record size");
RV_OFFSETS_4(_NMRVDRAWPREVIEW, iItem, hDC, rect, lParam, 28, 40, 48, 64);
static_assert(sizeof(_NMRVDRAWITEM) == 56, "item-draw record size");
RV_OFFSETS_4(_NMRVDRAWITEM, hdr, lpItem, hDC, rect, 0, 24, 32, 40);
#endif
#undef RV_OFFSETS_4

#endif
