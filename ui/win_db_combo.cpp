// CDBVortalComboCtrl: the key store's public keys in a drop-down list, for choosing one of a token's
// backup keys.
#include "include/zrpcdbcombo.h"

#include <cstdio>
#include <cstring>

#include "base/guard.h"
#include "base/wipe.h"
#include "keystore/connection.h"
#include "keystore/win_keystore.h"
#include "ui/win_keystore_controls.h"
#include "winlayer/win_controls.h"
#include "zrpcfunc.h"

namespace {

// The combo box under the control's calls.
zwin::ComboBoxCtrl Box(HWND combo) {
    return zwin::ComboBoxCtrl(combo);
}

} // namespace

CDBVortalComboCtrl::CDBVortalComboCtrl()
    : m_selectedSerial(0), m_selectedValue(0), m_token(nullptr), m_tokenId(0), m_key(eChobKey1),
      m_initialised(FALSE), m_selectionValid(FALSE), m_infoGiven(FALSE) {
    std::memset(m_selectedKeyData, 0, sizeof m_selectedKeyData);
    std::memset(&m_info, 0, sizeof m_info);
}

CDBVortalComboCtrl::CDBVortalComboCtrl(_tToken_InfoEx* info) : CDBVortalComboCtrl() {
    if (info) {
        std::memcpy(&m_info, info, sizeof m_info);
        m_infoGiven = TRUE;
    }
}

CDBVortalComboCtrl::~CDBVortalComboCtrl() {
    zrpc::Wipe(m_selectedKeyData, sizeof m_selectedKeyData);
}

unsigned long CDBVortalComboCtrl::InitControl(ITokenInterface* token, unsigned long tokenId, _eChobKey key) {
    return zrpc::Guard(1ul, [&] {
        m_token = token;
        m_tokenId = tokenId;
        m_key = key;
        if (m_hwnd) EnableReflection();
        return Populate();
    });
}

BOOL CDBVortalComboCtrl::Refresh() {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_initialised || !m_hwnd) return FALSE;
        int count = Box(m_hwnd).GetCount();
        for (int i = 0; i < count; ++i)
            Box(m_hwnd).SetItemData(i, 0);
        Box(m_hwnd).ResetContent();
        return Populate() == 0 ? TRUE : FALSE;
    });
}

unsigned long CDBVortalComboCtrl::Populate() {
    if (!m_token || !m_hwnd) return 1;
    unsigned long status = zrpc::ReadTokenInfo(m_hwnd, m_token, m_tokenId, &m_info);
    if (status != 0) return status;

    bool holds = (m_key == eChobKey1 && (m_info.backupFlags & ZRPC_TOKENINFO_BACKUP1)) ||
                 (m_key == eChobKey2 && (m_info.backupFlags & ZRPC_TOKENINFO_BACKUP2));
    unsigned long current = 0;
    if (holds) {
        status = zrpc::RequestBackupKeySerial(m_hwnd, m_token, m_tokenId, m_key, &current);
        if (status != 0) return status;
    } else {
        int at = Box(m_hwnd).AddString("(none)");
        if (at >= 0) {
            Box(m_hwnd).SetItemData(at, 0);
            Box(m_hwnd).SetCurSel(at);
        }
    }

    bool matched = false;
    // A snapshot of the control's own: the caller's connection, its cursors and answers stay as they were.
    zks::StoreSnapshot store;
    if (zks::LoadSnapshot(store) == 0) {
        unsigned long serial = 0;
        unsigned char name[17];
        std::memset(name, 0, sizeof name);
        for (unsigned long rc = store.FirstPublicKey(&serial, name); rc == 0;
             rc = store.NextPublicKey(&serial, name)) {
            name[16] = 0;
            if (serial == m_info.publicKeySerial) continue;
            char text[64];
            std::snprintf(text, sizeof text, "%s (%08lX)", reinterpret_cast<const char*>(name), serial);
            int at = Box(m_hwnd).AddString(text);
            if (at < 0) continue;
            Box(m_hwnd).SetItemData(at, static_cast<LPARAM>(serial));
            if (holds && serial == current) {
                matched = true;
                Box(m_hwnd).SetCurSel(at);
                FillChobKeyStructure();
            }
            std::memset(name, 0, sizeof name);
        }
        m_initialised = TRUE;
    }
    if (holds && !matched) {
        char text[32];
        std::snprintf(text, sizeof text, "Unknown (%08lX)", current);
        int count = Box(m_hwnd).GetCount();
        int at = Box(m_hwnd).InsertString(count, text);
        if (at >= 0) {
            Box(m_hwnd).SetItemData(at, static_cast<LPARAM>(current));
            Box(m_hwnd).SetCurSel(at);
        }
    }
    return 0;
}

void CDBVortalComboCtrl::FillChobKeyStructure() {
    m_selectionValid = FALSE;
    if (!m_hwnd) return;
    int at = Box(m_hwnd).GetCurSel();
    if (at < 0) return;
    unsigned long serial = static_cast<unsigned long>(Box(m_hwnd).GetItemData(at));
    if (serial == 0 || serial == static_cast<unsigned long>(CB_ERR)) return;
    _tNewTransferPacket packet;
    std::memset(&packet, 0, sizeof packet);
    if (zks::GetPublicKeyPacket(serial, &packet) == 0) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&packet);
        std::memcpy(&m_selectedSerial, bytes + 196, 4);
        std::memcpy(&m_selectedValue, bytes + 200, 4);
        std::memcpy(m_selectedKeyData, bytes + 204, sizeof m_selectedKeyData);
        m_selectionValid = TRUE;
    }
    zrpc::Wipe(&packet, sizeof packet);
}

bool CDBVortalComboCtrl::OnReflect(UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    if (msg == WM_COMMAND && HIWORD(wp) == CBN_SELENDOK) FillChobKeyStructure();
    return false; // the dialog sees the notification as well
}
