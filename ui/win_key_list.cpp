// CKeyListCtrl: the key slots of one token, one row per slot, on the report control.
#include "include/zrpckeylist.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "crypto/win_names.h"
#include "frame/win_frame.h"
#include "token/win_caches.h"
#include "ui/win_keystore_controls.h"
#include "winlayer/win_dpi.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

// Text shown, width kept on a divider double-click, "Sort by: %s" header tip.
constexpr uint32_t kColumnFormat = 0x000C4000;
constexpr DWORD kStyles = RVS_ONESELECTION | RVS_KEEPSELECTIONVISIBLE | RVS_UNSORTED | RVS_OVERFLOWTEXT;
static_assert(kStyles == 0x2083, "key list styles");
constexpr int kNoRow = -2;
constexpr int kSlots = 64;
constexpr uint32_t kSingleSlotType = 4;
constexpr uint8_t kFlagBackupKey = 0x20;   // bit 5
constexpr uint8_t kFlagSecondState = 0x40; // bit 6
constexpr uint8_t kFlagReserved = 0x80;    // bit 7
constexpr size_t kNameChars = sizeof(_tToken_Key::name);

enum Column { kSlot, kName, kAlgorithm, kBits, kUsage, kColumns };

// The columns' titles, widths at 96 DPI and flags.
constexpr unsigned kTitles[kColumns] = {IDS_KEY_COLUMN_SLOT, IDS_KEY_COLUMN_NAME, IDS_KEY_COLUMN_ALGORITHM,
                                        IDS_KEY_COLUMN_BITS, IDS_KEY_COLUMN_USAGE};
constexpr int kWidths[kColumns] = {53, 120, 65, 50, 62};
constexpr uint32_t kExtraFormat[kColumns] = {0, 0, 0, 0, RVCF_IMAGESPACE};

std::string Number(int value, bool twoDigits = false) {
    char text[24];
    if (twoDigits)
        std::snprintf(text, sizeof text, "%02d", value);
    else
        std::snprintf(text, sizeof text, "%d", value);
    return text;
}

std::string CutName(const std::string& text) {
    return text.size() > kNameChars ? text.substr(0, kNameChars) : text;
}

} // namespace

CKeyListCtrl::CKeyListCtrl() : m_pToken(nullptr), m_hToken(0), m_nSlots(kSlots), m_pictures(nullptr) {}

CKeyListCtrl::~CKeyListCtrl() {
    // A dialog item given back keeps no rows pointing at freed copies, nor pictures that are gone:
    // both are let go here, while the base still holds them.
    zrpc::GuardVoid([this] {
        DeleteKeyList();
        if (m_pictures) zrpc::UsePicturesForDpi(*this, 0, &m_pictures);
    });
}

unsigned long CKeyListCtrl::InitControl(ITokenInterface* pToken, unsigned long hToken, int bRefresh) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        m_pToken = pToken;
        m_hToken = hToken;
        uint32_t type = 0;
        if (pToken) pToken->GetTokenType(static_cast<uint32_t>(hToken), &type);
        m_nSlots = type == kSingleSlotType ? 1 : kSlots;
        const UINT dpi = zrpc::WindowDpi(m_hwnd);
        zrpc::UsePicturesForDpi(*this, dpi, &m_pictures);
        ModifyStyle(0, kStyles);
        // Defined afresh on every call.
        DeactivateAllSubItems();
        UndefineAllSubItems();
        for (int i = 0; i < kColumns; ++i) {
            std::string title;
            zrpc::LangString(kTitles[i], title, 399);
            _RVSUBITEM sub = {
                kColumnFormat | kExtraFormat[i], zrpc::ScaleToDpi(kWidths[i], dpi), 0, 0, -1, title.c_str()};
            DefineSubItem(i, &sub);
            ActivateSubItem(i, i);
        }
        if (HWND header = GetHeaderCtrl()) EnableWindow(header, FALSE);
        return bRefresh ? RefreshKeyList(0, 0) : 0;
    });
}

void CKeyListCtrl::Repaint() {
    if (m_hwnd) RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

unsigned long CKeyListCtrl::RefreshKeyList(int bStepWorkingDialog, int bForce) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        (void)bStepWorkingDialog; // the working dialog animates on its own thread: there is no step to take
        Repaint();
        if (m_nSlots != 0 && GetItemCount() != m_nSlots) {
            // Row r shows slot r: rows a caller added are dropped before the slots are laid out.
            if (GetItemCount() != 0) DeleteKeyList();
            SetRedraw(FALSE); // one repaint for all the rows, below
            for (int slot = 0; slot < m_nSlots; ++slot) {
                _tToken_Key* cached = zrpc::KeyFromCache(m_pToken, m_hToken, slot, nullptr, 0);
                _tToken_Key empty;
                if (!cached) {
                    std::memset(&empty, 0, sizeof empty);
                    empty.slot = static_cast<uint8_t>(slot);
                    empty.flags = ZRPC_KEYFLAG_EMPTY;
                    cached = &empty;
                }
                _tToken_Key key = *cached; // the cache is shared: the row works on its own copy
                InsertKeyListItem(&key);
            }
            SetRedraw(TRUE);
            Repaint();
        }
        SetRedraw(FALSE);
        unsigned long rc = zrpc::FillKeyCache(m_pToken, m_hToken, bForce);
        if (rc != 0) {
            std::string doing;
            zrpc::LangString(IDS_READING_KEY, doing);
            zrpc::DisplayError(m_hwnd, rc, doing.c_str(), nullptr, true);
            DeleteKeyList();
        } else {
            for (int slot = 0; slot < m_nSlots; ++slot)
                RefreshKeyListItem(slot, 0);
        }
        SetRedraw(TRUE);
        Repaint();
        return rc;
    });
}

unsigned long CKeyListCtrl::RefreshKeyListItem(int iSlot, int bForce) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        unsigned long result = static_cast<unsigned long>(bForce);
        _tToken_Key* cached = zrpc::KeyFromCache(m_pToken, m_hToken, iSlot, &result, bForce);
        if (cached) {
            _tToken_Key key = *cached;
            UpdateKeyListItem(iSlot, &key);
        }
        return result;
    });
}

int CKeyListCtrl::InsertKeyListItem(_tToken_Key* pKey) {
    return zrpc::Guard(kNoRow, [&]() -> int {
        if (!pKey) return kNoRow;
        _tToken_Key* copy = new _tToken_Key(*pKey);
        int row = AddItem(Number(pKey->slot + 1, true).c_str());
        if (row < 0) {
            delete copy;
            return row;
        }
        SetItemData(row, reinterpret_cast<LPARAM>(copy));
        FillKeyListItem(row, *pKey);
        return row;
    });
}

void CKeyListCtrl::UpdateKeyListItem(int iItem, _tToken_Key* pKey) {
    zrpc::GuardVoid([&] {
        if (!pKey) return;
        auto* copy = reinterpret_cast<_tToken_Key*>(GetItemData(iItem));
        if (!copy) return;
        // The row shows its copy since it was inserted: an unchanged record changes nothing.
        if (std::memcmp(copy, pKey, sizeof *copy) == 0) return;
        *copy = *pKey;
        FillKeyListItem(iItem, *copy);
    });
}

void CKeyListCtrl::FillKeyListItem(int iItem, const _tToken_Key& key) {
    zrpc::GuardVoid([&] {
        const bool isDefault = (key.flags & ZRPC_KEYFLAG_DEFAULT) != 0;
        bool bold = isDefault;
        if (key.flags & ZRPC_KEYFLAG_EMPTY) {
            std::string empty;
            zrpc::LangString(IDS_KEY_EMPTY, empty);
            SetItemText(iItem, kSlot, Number(iItem + 1, true).c_str());
            SetItemImage(iItem, kSlot, 6);
            SetItemText(iItem, kName, empty.c_str());
            for (int c = kAlgorithm; c <= kUsage; ++c)
                SetItemText(iItem, c, "---");
            SetItemImage(iItem, kUsage, -1);
            bold = false;
        } else {
            SetItemText(iItem, kSlot, Number(key.slot + 1, true).c_str());
            if (key.flags & (kFlagBackupKey | kFlagReserved)) {
                // The picture follows bit 5, the text bit 7; the other columns keep their texts.
                std::string text;
                zrpc::LangString((key.flags & kFlagReserved) ? IDS_KEY_RESERVED : IDS_KEY_BACKUP, text);
                SetItemImage(iItem, kSlot, (key.flags & kFlagBackupKey) ? 29 : 34);
                SetItemText(iItem, kName, CutName(text).c_str());
                SetItemImage(iItem, kUsage, isDefault ? 2 : 0);
            } else {
                if (key.flags & kFlagSecondState)
                    SetItemImage(iItem, kSlot, isDefault ? 2 : 5);
                else
                    SetItemImage(iItem, kSlot, isDefault ? 32 : 33);
                SetItemText(iItem, kName, std::string(key.name, strnlen(key.name, kNameChars)).c_str());
                SetItemText(iItem, kAlgorithm, zrpc::AlgorithmName(key.algorithm));
                SetItemText(iItem, kBits, Number(static_cast<int>(key.length * 8)).c_str());
                SetItemText(iItem, kUsage, Number(static_cast<int>(key.usage)).c_str());
                SetItemImage(iItem, kUsage, key.usage != 0 ? 12 : 14);
            }
        }
        _RVITEM item = {};
        item.nMask = RVIM_STATEBITS;
        item.iItem = iItem;
        if (!GetItem(&item)) return;
        item.nMask = RVIM_STATEBITS;
        item.nState = bold ? (item.nState | RVIS_HEAVYFONT) : (item.nState & ~RVIS_HEAVYFONT);
        SetItem(&item);
    });
}

int CKeyListCtrl::GetKeyListItem(int iItem, _tToken_Key* pKey) {
    return zrpc::Guard(FALSE, [&]() -> int {
        auto* copy = reinterpret_cast<_tToken_Key*>(GetItemData(iItem));
        if (!copy || !pKey) return FALSE;
        *pKey = *copy;
        return TRUE;
    });
}

int CKeyListCtrl::IsKeyListItemInUse(int iItem) {
    return zrpc::Guard(FALSE, [&]() -> int {
        if (iItem == kNoRow) return FALSE;
        auto* copy = reinterpret_cast<_tToken_Key*>(GetItemData(iItem));
        if (!copy) return FALSE;
        return (copy->flags & ZRPC_KEYFLAG_EMPTY) ? FALSE : TRUE;
    });
}

int CKeyListCtrl::GetDefaultKeyListItem() {
    return zrpc::Guard(kNoRow, [&]() -> int {
        for (int row = 0; row < m_nSlots; ++row) {
            auto* copy = reinterpret_cast<_tToken_Key*>(GetItemData(row));
            if (!copy) return kNoRow;
            if (!(copy->flags & ZRPC_KEYFLAG_EMPTY) && (copy->flags & ZRPC_KEYFLAG_DEFAULT)) return row;
        }
        return kNoRow;
    });
}

void CKeyListCtrl::EnsureKeyListItemVisible(int iItem) {
    EnsureVisible(iItem, TRUE);
}

int CKeyListCtrl::EnsureKeyListDefaultKeyItemVisible() {
    int row = GetDefaultKeyListItem();
    if (row != kNoRow) EnsureKeyListItemVisible(row);
    return row;
}

void CKeyListCtrl::EnsureKeyListDefaultKeyItemSelected() {
    SetSelection(GetDefaultKeyListItem(), FALSE);
}

int CKeyListCtrl::IsDuplicateEncryptionKeyName(CString strName) {
    return zrpc::Guard(FALSE, [&]() -> int {
        for (int row = 0; row < m_nSlots; ++row) {
            auto* copy = reinterpret_cast<_tToken_Key*>(GetItemData(row));
            if (!copy) break;
            if (copy->flags & ZRPC_KEYFLAG_EMPTY) continue;
            char name[kNameChars];
            std::memcpy(name, copy->name, kNameChars);
            if (std::strncmp(name, strName.GetString(), kNameChars) == 0) return TRUE;
        }
        return FALSE;
    });
}

void CKeyListCtrl::DeleteKeyList() {
    zrpc::GuardVoid([&] {
        int n = GetItemCount();
        for (int i = 0; i < n; ++i) {
            delete reinterpret_cast<_tToken_Key*>(GetItemData(i));
            SetItemData(i, 0);
        }
        DeleteAllItems();
    });
}

void CKeyListCtrl::OnDestroy() {
    DeleteKeyList();
}

void CKeyListCtrl::Measure() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd || GetSubItemCount() < kColumns) return;
        const UINT dpi = zrpc::WindowDpi(m_hwnd);
        zrpc::UsePicturesForDpi(*this, dpi, &m_pictures);
        zrpc::SizeColumnsForDpi(*this, kWidths, kColumns, dpi);
    });
}

LRESULT CKeyListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return zrpc::ListWindowProc(
        *this, &m_pictures, msg, [&] { OnDestroy(); }, [&] { Measure(); },
        [&] { return CReportCtrl::WindowProc(msg, wp, lp); });
}
