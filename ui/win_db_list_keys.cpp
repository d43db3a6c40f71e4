// The key-store list's keys: the token's own public key and backup keys, the key store's public keys,
// and the checks remembered per token in the registry.
#include <cstring>
#include <string>

#include "base/guard.h"
#include "base/win_settings.h"
#include "frame/win_frame.h"
#include "keystore/connection.h"
#include "keystore/win_keystore.h"
#include "ui/win_db_list_state.h"
#include "ui/win_keystore_controls.h"
#include "zrpcres_ids.h"

using zrpc::dblist::SerialText;
using zrpc::dblist::View;

unsigned long CDBVortalListCtrl::Populate() {
    unsigned long status = zrpc::ReadTokenInfo(m_hwnd, m_token, m_tokenId, &m_info);
    if (status != 0) return status;
    // What the token held at the last listing is not known any more: a backup key it gave up or
    // changed must neither keep a store key out of the list nor stand for the token.
    m_backupSerial[0] = m_backupSerial[1] = 0;
    m_hasBackupKeys = FALSE;
    if (m_flags & DBLIST_TOKEN_KEYS) FillVortalPublicKeys();
    if (!m_ownKeyOnly && (m_flags & DBLIST_STORE_KEYS)) FillDatabasePublicKeys();
    m_state->layout.AdjustLastColumn();
    return 0;
}

void CDBVortalListCtrl::FillVortalPublicKeys() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd) return;
        int row = 0;
        int last = m_ownKeyOnly ? 0 : 2;
        for (int i = 0; i <= last; ++i) {
            std::string name;
            unsigned long serial = 0;
            bool present = false;
            unsigned long status = 0;
            if (i == 0) {
                name = zks::NameFieldText(m_info.name);
                serial = m_info.publicKeySerial;
                present = true;
            } else if (m_info.backupFlags & (i == 1 ? ZRPC_TOKENINFO_BACKUP1 : ZRPC_TOKENINFO_BACKUP2)) {
                present = true;
                m_hasBackupKeys = TRUE;
                // A failure of the token is shown by the request itself.
                status = m_token ? zrpc::RequestBackupKeySerial(m_hwnd, m_token, m_tokenId, i, &serial) : 1;
                if (status == 0 && serial == 0) {
                    // The token holds the key but gave no serial: named like a failure, once.
                    status = 1;
                    if (!(m_flags & DBLIST_NO_TOKEN_ROWS)) zrpc::WarnBackupKeyFailure(m_hwnd, status, i);
                }
                if (status == 0) {
                    m_backupSerial[i - 1] = serial;
                    char stored[17] = "";
                    if (zks::GetNameFromSerial(serial, stored))
                        name = stored;
                    else
                        name = i == 1 ? "Backup Key 1" : "Backup Key 2";
                }
            }
            if (!present || (m_flags & DBLIST_NO_TOKEN_ROWS) || status != 0) continue;
            int at = InsertItem(row, name.c_str());
            if (at < 0) continue;
            View(m_hwnd).SetItemText(at, 1, SerialText(serial).c_str());
            View(m_hwnd).SetItemText(at, 2, "");
            if (_tCDBVORTALLISTSCTRLDATA* cells = Records(at)) {
                cells[0].enabled = FALSE;
                cells[0].checkState = eCheckChecked;
                cells[0].type = static_cast<unsigned long>(i);
                cells[0].serial = serial;
            }
            ++row;
        }
        RedrawParent();
    });
}

unsigned long CDBVortalListCtrl::GetChobKeySerial(_eChobKey key, unsigned long* serial) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        if (!m_token || !serial) return 1;
        unsigned long got = 0;
        unsigned long status = zrpc::RequestBackupKeySerial(m_hwnd, m_token, m_tokenId, key, &got);
        if (status != 0) return status;
        if (got == 0) return 1;
        *serial = got;
        return 0;
    });
}

void CDBVortalListCtrl::FillDatabasePublicKeys() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd) return;
        // A snapshot of the control's own: the caller's connection, its cursors and answers stay as
        // they were.
        zks::StoreSnapshot store;
        if (zks::LoadSnapshot(store) != 0) return;
        unsigned long serial = 0;
        unsigned char name[17];
        std::memset(name, 0, sizeof name);
        // Both columns may be present: each has its own lookup into its own buffer.
        int commentColumn = -1, emailColumn = -1;
        if ((m_flags & DBLIST_EMAIL) && (m_flags & DBLIST_COMMENTS)) {
            emailColumn = 2;
            commentColumn = 3;
        } else if (m_flags & DBLIST_EMAIL) {
            emailColumn = 2;
        } else if (m_flags & DBLIST_COMMENTS) {
            commentColumn = 2;
        }
        // Counted once: the loop keeps them (each question is a message to the list view).
        const int columns = GetColumns();
        int rows = RowCount();
        const zwin::ListViewCtrl view = View(m_hwnd);
        view.SetRedraw(false);
        for (unsigned long rc = store.FirstPublicKey(&serial, name); rc == 0;
             rc = store.NextPublicKey(&serial, name)) {
            name[16] = 0;
            if (serial == m_info.publicKeySerial || serial == m_backupSerial[0] ||
                serial == m_backupSerial[1]) {
                std::memset(name, 0, sizeof name);
                continue;
            }
            _tCDBVORTALLISTSCTRLDATA* cells = nullptr;
            int at = m_state->records.InsertRow(rows, reinterpret_cast<const char*>(name), columns,
                                                m_colours[zrpc::dblist::kWindowText],
                                                m_colours[zrpc::dblist::kWindow], &cells);
            std::memset(name, 0, sizeof name);
            if (at < 0) continue;
            ++rows;
            std::string serialText = SerialText(serial);
            view.SetItemText(at, 1, serialText.c_str());
            auto lookup = [&](int column, const char* element) {
                if (column < 0) return;
                char text[zrpc::dblist::kTextLimit + 1];
                zrpc::CopyToBuffer(text, sizeof text, serialText);
                if (store.NoteAtCursor(element, text) == 0) view.SetItemText(at, column, text);
            };
            lookup(commentColumn, "comment");
            lookup(emailColumn, "email");
            cells[0].enabled = TRUE;
            cells[0].checkState = eCheckUnchecked;
            cells[0].type = DBLIST_ROW_STORE;
            cells[0].serial = serial;
        }
        view.SetRedraw(true);
        RedrawParent();
    });
}

// The token's registry value: its own public key's serial as eight hexadecimal digits.
BOOL CDBVortalListCtrl::GetRegData(void** data, unsigned long* size) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!data || !size) return FALSE;
        *data = nullptr;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, zrpc::kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return FALSE;
        std::string name = SerialText(m_info.publicKeySerial);
        DWORD bytes = 0;
        LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &bytes);
        BOOL ok = FALSE;
        if (rc == ERROR_SUCCESS) {
            HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes * 2 + 4);
            if (block) {
                *data = block;
                DWORD got = bytes * 2;
                ok = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, static_cast<BYTE*>(block), &got) ==
                             ERROR_SUCCESS
                         ? TRUE
                         : FALSE;
                *size = ok ? got : 0;
            }
        }
        RegCloseKey(key);
        return ok;
    });
}

void CDBVortalListCtrl::MarkStuff(unsigned long* serials, unsigned long size) {
    zrpc::GuardVoid([&] {
        if (!serials) return;
        // Only whole serials: a trailing part of a value whose size is not a multiple of 4 is ignored.
        unsigned long n = size / 4;
        int rows = RowCount();
        for (unsigned long i = 0; i < n; ++i) {
            for (int row = 0; row < rows; ++row) {
                _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
                if (cells && cells[0].type == DBLIST_ROW_STORE && cells[0].serial == serials[i]) {
                    cells[0].checkState = eCheckChecked;
                    UpdateSubItem(row, 0);
                    break;
                }
            }
        }
    });
}

void CDBVortalListCtrl::LoadSettings() {
    zrpc::GuardVoid([&] {
        void* data = nullptr;
        unsigned long size = 0;
        if (GetRegData(&data, &size)) MarkStuff(static_cast<unsigned long*>(data), size);
        if (data) GlobalFree(data);
    });
}

void CDBVortalListCtrl::SaveSettings() {
    zrpc::GuardVoid([&] {
        std::string serials;
        int rows = RowCount();
        for (int row = 0; row < rows; ++row) {
            _tCDBVORTALLISTSCTRLDATA* cells = Records(row);
            if (cells && cells[0].type == DBLIST_ROW_STORE && cells[0].checkState == eCheckChecked) {
                uint32_t s = static_cast<uint32_t>(cells[0].serial);
                serials.append(reinterpret_cast<const char*>(&s), 4);
            }
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, zrpc::kSettingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        std::string name = SerialText(m_info.publicKeySerial);
        RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(serials.data()),
                       static_cast<DWORD>(serials.size()));
        RegCloseKey(key);
    });
}
