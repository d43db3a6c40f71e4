/* zrpcctl.h: the library's controls as window classes driven by messages, for programs written in C,
 * built with another compiler or in another language. Plain C (C11) and C++; no C++ types.
 *
 * The report control (class ZRPC_REPORTCTRL_CLASS, "MFCReportCtrl") and the password field (class
 * ZRPC_SECUREEDIT_CLASS, "ZRPCSecureEdit") are window classes of zrpcfunc.dll, like the platform's list
 * and tree views: call ZRPCFUNC_InitControls once, then make them with CreateWindowEx or name them in a
 * dialog template, and drive them with SendMessage. A window made that way owns its control object; it
 * goes with the window. Notifications reach the parent as WM_NOTIFY (RVN_ codes of reportctrl_types.h)
 * and, for the password field, as the edit control's WM_COMMAND notifications (EN_CHANGE...).
 *
 * Dialog template lines (resource script), one a control:
 *   CONTROL "", 101, "MFCReportCtrl", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | 0x0008,
 *           7, 7, 300, 120
 *   CONTROL "", 102, "ZRPCSecureEdit", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
 *           7, 134, 300, 14
 * The low 16 bits of the report control's window style are its RVS_ styles (0x0008: RVS_STRIPEDROWS).
 *
 * The report control's messages (RVM_), their records and failure values: zrpcctl_report.h, included
 * here. The password field's messages are below. Messages are answered on the window's thread: send
 * them (SendMessage), do not post them.
 */
#ifndef ZRPC_CTL_H
#define ZRPC_CTL_H

#include <windows.h>

#include "reportctrl_types.h"
#include "zrpcctl_report.h"

/* Window class names. */
#define ZRPC_REPORTCTRL_CLASS "MFCReportCtrl"
#define ZRPC_SECUREEDIT_CLASS "ZRPCSecureEdit"

/* The password field: an edit control that keeps what is typed to itself and hands out only the
 * SHA-1 digest of it. Its window text is one mask character (the bullet: byte 149 in code page 1252,
 * '*' in a code page without one) per typed character, so WM_GETTEXT reads the mask only; a window of
 * the class starts with the mask on (SEDM_HIDEPASSWORD 0 shows the characters themselves, as
 * CSecureEdit does until told otherwise). The class is a Unicode one: typed, composed and pasted
 * characters arrive as UTF-16 and are kept as bytes of the process's code page (a character the code
 * page lacks is refused); the limit of 256 and SEDM_GETLENGTH count characters. Typing appends,
 * backspace deletes at the end, a paste appends; the text cannot be set from outside. Per message:
 * wParam | lParam | the answer and the member function of CSecureEdit that gives it | failure value. */
/* clang-format off */
#define SEDM_FIRST 0x0700u
#define SEDM_CLEAR        (SEDM_FIRST + 0u) /* 0 | 0 | TRUE (Empty) | - */
#define SEDM_GETLENGTH    (SEDM_FIRST + 1u) /* 0 | 0 | characters typed (counted on a wiped copy of GetRealContents) | - */
#define SEDM_GETDIGEST    (SEDM_FIRST + 2u) /* buffer size, >= 20 | unsigned char* buffer | TRUE, the 20-byte digest (HashContents) | FALSE */
#define SEDM_HIDEPASSWORD (SEDM_FIRST + 3u) /* non-zero: mask; 0: the characters | 0 | TRUE (HidePassword) | - */
#define SEDM_LAST         (SEDM_FIRST + 3u)
#define SEDM_DIGEST_SIZE 20
/* clang-format on */

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the window classes above (once per process; later calls only answer). TRUE when they are
 * registered. Call it before CreateWindowEx names a class and before a dialog template naming one is
 * made (DialogBox, CreateDialog...): the dialog cannot make an item of a class not yet registered. */
#ifdef ZRPC_BUILDING_DLL
__declspec(dllexport)
#else
__declspec(dllimport)
#endif
    BOOL ZRPCFUNC_InitControls(void);

#ifdef __cplusplus
}
#endif

#endif
