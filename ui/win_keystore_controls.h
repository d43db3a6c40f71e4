// What the token, key and key-store controls share: the token information they show, the request for
// a backup key's serial and the warnings they show on failures; and the token and key lists' sizes at
// the window's density (column widths, the pictures of the shared image strip).
#ifndef ZRPC_UI_KEYSTORE_CONTROLS_H
#define ZRPC_UI_KEYSTORE_CONTROLS_H

#include <windows.h>
#include <commctrl.h>

#include "base/guard.h"
#include "include/zrpcreportctrl.h"
#include "winlayer/win_dpi.h"
#include "zrpcrecords.h"
#include "zrpctoken.h"

namespace zrpc {

// Shows the error text for code as a warning owned by owner, with language string id as the
// activity.
void WarnFailure(HWND owner, unsigned long code, unsigned id);

// Shows the error text for code as a warning owned by owner, the activity being the getting of backup
// key 1 or 2.
void WarnBackupKeyFailure(HWND owner, unsigned long code, int key);

// Reads the token's extended information through the machine-wide cache into info; on failure shows
// the failure (activity: adding the public key to the key store) and returns its code.
unsigned long ReadTokenInfo(HWND owner, ITokenInterface* token, unsigned long tokenId, _tToken_InfoEx* info);

// Asks the token for backup key 1 or 2 with a backup public-key packet. A failure of the token is
// shown (activity: getting backup key N) and returned; on success *serial is the packet's serial,
// which may be 0.
unsigned long RequestBackupKeySerial(HWND owner, ITokenInterface* token, unsigned long tokenId, int key,
                                     unsigned long* serial);

// The token and key lists' columns: widths given at 96 DPI, set for the density dpi.
void SizeColumnsForDpi(CReportCtrl& list, const int* widths96, int count, UINT dpi);

// The pictures of the shared image strip (the language module's 16 x 16 pictures) for a list shown at
// dpi: the library's shared image list at 96 DPI; at another density a list of the control's own, in
// *own, of the language module's picture drawn for the density nearest to dpi, stretched to the
// scaled size where it is not drawn at that size. The list it replaces is destroyed once the control
// holds the new one; with dpi 0 the control goes back to the shared list and *own is destroyed.
void UsePicturesForDpi(CReportCtrl& list, UINT dpi, HIMAGELIST* own);

// How a token or key list sees a message around the report control's handling (base): on WM_DESTROY
// its rows go (freeRows) and the pictures of its own, before the report control's handling; on a DPI
// change the report control measures its fonts and rows first, then the list its columns and
// pictures (measure).
template <typename FreeRows, typename Measure, typename Base>
LRESULT ListWindowProc(CReportCtrl& list, HIMAGELIST* pictures, UINT msg, FreeRows freeRows, Measure measure,
                       Base base) {
    switch (msg) {
    case WM_DESTROY:
        freeRows();
        if (*pictures) GuardVoid([&] { UsePicturesForDpi(list, 0, pictures); });
        return base();
    case WM_DPICHANGED:
    case WM_DPICHANGED_AFTERPARENT: {
        // The control measures itself again, then the list sets its own widths and pictures (rows may
        // grow with the pictures): a view scrolled to its end is scrolled to its end again after both.
        const int rows = list.GetItemCount();
        const bool atEnd = rows > 0 && list.GetTopIndex() + list.GetVisibleCount(FALSE) >= rows;
        LRESULT result = base();
        measure();
        if (atEnd) list.EnsureVisible(rows - 1, FALSE);
        return result;
    }
    default:
        return base();
    }
}

} // namespace zrpc

#endif
