// CDBVortalListCtrl: the token's keys and the key store's public keys in a report-view list view,
// with check boxes drawn by the control, disabled rows, in-place editing of the key store's comments
// or e-mail addresses, and the checks remembered per token in the registry. This file holds the
// control's set-up and the order in which its units (win_db_list_state.h) see a message.
#include <cstdio>
#include <cstring>
#include <string>

#include "frame/win_frame.h"
#include "ui/win_db_list_state.h"
#include "ui/win_keystore_controls.h"
#include "winlayer/win_dpi.h"
#include "zrpcres_ids.h"

using zrpc::dblist::View;

namespace zrpc::dblist {

const int kColourIndex[kColourCount] = {
    COLOR_3DFACE,   COLOR_3DHIGHLIGHT, COLOR_3DSHADOW,      COLOR_3DFACE, COLOR_3DSHADOW,  COLOR_BTNTEXT,
    COLOR_GRAYTEXT, COLOR_HIGHLIGHT,   COLOR_HIGHLIGHTTEXT, COLOR_WINDOW, COLOR_WINDOWTEXT};

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

} // namespace zrpc::dblist

CDBVortalListCtrl::CDBVortalListCtrl()
    : m_ownKeyOnly(FALSE), m_initialised(FALSE), m_token(nullptr), m_tokenId(0),
      m_flags(0), m_backupSerial{0, 0}, m_hasBackupKeys(FALSE), m_infoGiven(FALSE),
      m_state(new State(*this)) {
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
    // A window given back keeps its rows, but none with item data that point at freed records; the
    // caller's own rows keep theirs.
    zrpc::GuardVoid([this] { m_state->records.DetachAll(); });
    delete m_state;
}

UINT CDBVortalListCtrl::CheckboxMessage() {
    static const UINT message = RegisterWindowMessageA("WM_CDBVORTALLISTSCTRL_CHECKBOX_CLICKED");
    return message;
}

void CDBVortalListCtrl::ReadColours() {
    for (int i = 0; i < zrpc::dblist::kColourCount; ++i)
        m_colours[i] = GetSysColor(zrpc::dblist::kColourIndex[i]);
}

int CDBVortalListCtrl::RowCount() {
    return View(m_hwnd).GetItemCount();
}

_tCDBVORTALLISTSCTRLDATA* CDBVortalListCtrl::Records(int row) {
    return m_state->records.Of(row);
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
        m_state->layout.CreateColumns();
        RedrawParent();
        unsigned long status = Populate();
        if (status == 0) m_initialised = TRUE;
        return status;
    });
}

void CDBVortalListCtrl::RedrawParent() {
    HWND parent = GetParent(m_hwnd);
    if (parent)
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL CDBVortalListCtrl::Refresh() {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_initialised || !m_hwnd) return FALSE;
        for (int row = RowCount() - 1; row >= 0; --row)
            DeleteItem(row);
        return Populate() == 0 ? TRUE : FALSE;
    });
}

void CDBVortalListCtrl::AdjustLastColumn() {
    zrpc::GuardVoid([&] { m_state->layout.AdjustLastColumn(); });
}

// The order in which the units see a message of the list view, written here once:
//  0. the first message turns the notifications back to the control (rows a dialog adds before or
//     without InitControl are drawn, edited and freed as the control's); they stay with the parent
//     that had the window then, to which the list view keeps sending them;
//  1. destroying: every row goes (the control's records freed) before the list view's own handling,
//     then the records the control still holds;
//  2. input: button presses toggle check boxes, the space bar the selected row's, a double click on a
//     focused editable cell opens the editor;
//  3. the system's colours and the window's density.
LRESULT CDBVortalListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    State& s = *m_state;
    if (!s.reflecting && msg != WM_DESTROY && msg != WM_NCDESTROY) s.reflecting = EnableReflection();
    LRESULT result = 0;
    switch (msg) {
    case WM_DESTROY:
        zrpc::GuardVoid([&] {
            for (int row = RowCount() - 1; row >= 0; --row)
                DeleteItem(row);
        });
        result = Default();
        s.records.FreeAll();
        return result;
    case WM_SYSCOLORCHANGE:
        ReadColours();
        return Default();
    case WM_DPICHANGED:
    case WM_DPICHANGED_AFTERPARENT:
        result = Default();
        zrpc::GuardVoid([&] { s.layout.DpiChanged(); });
        return result;
    default:
        break;
    }
    if (s.input.OnMessage(msg, wp, lp, &result)) return result;
    return Default();
}

// The list view's notifications, handed back by the parent: painting, label editing, and rows going.
bool CDBVortalListCtrl::OnReflect(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_NOTIFY || !lp) return false;
    NMHDR* header = reinterpret_cast<NMHDR*>(lp);
    State& s = *m_state;
    switch (header->code) {
    case NM_CUSTOMDRAW:
        *result = zrpc::Guard(static_cast<LRESULT>(CDRF_DODEFAULT),
                              [&] { return s.painter.CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lp)); });
        return true;
    case LVN_DELETEITEM: {
        // A row deleted by the dialog itself takes the control's records with it; the dialog's own
        // item data are its own, and the dialog sees the notification as well.
        const NMLISTVIEW* item = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (s.records.Owns(item->lParam))
            s.records.Free(reinterpret_cast<_tCDBVORTALLISTSCTRLDATA*>(item->lParam));
        return false;
    }
    default:
        return s.editor.OnNotify(header, result);
    }
}
