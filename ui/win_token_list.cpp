// CVortalListCtrl: the tokens attached to the machine, one row per token, on the report control.
#include "include/zrpctokenlist.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "frame/win_frame.h"
#include "ui/win_keystore_controls.h"
#include "winlayer/win_dpi.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

// Text shown, width kept on a divider double-click, "Sort by: %s" header tip.
constexpr uint32_t kColumnFormat = 0x000C4000;
constexpr DWORD kStyles =
    RVS_ONESELECTION | RVS_KEEPSELECTIONVISIBLE | RVS_UNSORTED | RVS_REMOVABLECOLUMNS | RVS_OVERFLOWTEXT;
static_assert(kStyles == 0x2183, "token list styles");
constexpr unsigned long kNoType = 0xFFFFFFFFul;
constexpr unsigned long kNoTokenFound = 2;
constexpr uint8_t kFlagPicture = 0x01;  // flag bit 0
constexpr uint8_t kFlagUnlocked = 0x02; // flag bit 1
constexpr uint32_t kSingleSlotType = 4;
// Widths at 96 DPI: the name and serial columns; what the status column leaves of the client area at
// set-up, and of the window after each refresh.
constexpr int kWidths[2] = {140, 80};
constexpr int kStatusSpare = 220;
constexpr int kFrameSpare = 4;

int TokenImage(const _tZRPKeyFindInfo& find, unsigned long type) {
    if (find.flags & kFlagUnlocked) return 25;
    if (find.flags & kFlagPicture) return 24;
    if (type == kSingleSlotType) return 35;
    return 23;
}

std::string TokenStatus(const _tZRPKeyFindInfo& find, unsigned long type, unsigned long found) {
    std::string text;
    if (found == ZRPC_TOKEN_STATE_UNKNOWN) {
        zrpc::LangString(IDS_TOKEN_NOT_AVAILABLE, text);
    } else {
        switch (find.state) {
        case 0:
            zrpc::LangString(IDS_TOKEN_READY, text);
            break;
        case 1:
            zrpc::LangString(IDS_TOKEN_LOCKED, text);
            break;
        case 3:
            zrpc::LangString(IDS_TOKEN_NOT_INITIALISED, text);
            break;
        default: // no text of its own
            break;
        }
    }
    if (type == kSingleSlotType && (find.flags & kFlagPicture)) text = "Reboot to unlock";
    return text;
}

} // namespace

CVortalListCtrl::CVortalListCtrl()
    : m_pToken(nullptr), m_types(nullptr), m_typeCount(0), m_typeCapacity(0), m_bInitialised(0),
      m_pictures(nullptr) {}

CVortalListCtrl::~CVortalListCtrl() {
    // A dialog item given back keeps no rows pointing at freed copies, nor pictures that are gone:
    // both are let go here, while the base still holds them.
    zrpc::GuardVoid([this] {
        DeleteVortalList();
        if (m_pictures) zrpc::UsePicturesForDpi(*this, 0, &m_pictures);
    });
    std::free(m_types);
}

unsigned long CVortalListCtrl::InitControl(ITokenInterface* pToken, int bRefresh) {
    return zrpc::Guard(1ul, [&]() -> unsigned long {
        m_pToken = pToken;
        const UINT dpi = zrpc::WindowDpi(m_hwnd);
        zrpc::UsePicturesForDpi(*this, dpi, &m_pictures);
        ModifyStyle(0, kStyles);
        // Defined afresh on every call.
        DeactivateAllSubItems();
        UndefineAllSubItems();
        RECT client = {};
        if (m_hwnd) GetClientRect(m_hwnd, &client);
        const struct {
            unsigned title;
            int width;
        } columns[] = {
            {IDS_TOKEN_COLUMN_NAME, zrpc::ScaleToDpi(kWidths[0], dpi)},
            {IDS_TOKEN_COLUMN_SERIAL, zrpc::ScaleToDpi(kWidths[1], dpi)},
            {IDS_TOKEN_COLUMN_STATUS, (client.right - client.left) - zrpc::ScaleToDpi(kStatusSpare, dpi)}};
        for (int i = 0; i < 3; ++i) {
            std::string title;
            zrpc::LangString(columns[i].title, title, 399);
            _RVSUBITEM sub = {kColumnFormat, columns[i].width, 0, 0, -1, title.c_str()};
            DefineSubItem(i, &sub);
            ActivateSubItem(i, i);
        }
        if (HWND header = GetHeaderCtrl()) EnableWindow(header, FALSE);
        unsigned long rc = bRefresh ? RefreshVortalList() : 0;
        m_bInitialised = 1;
        return rc;
    });
}

int CVortalListCtrl::IsControlInitialised() {
    return m_bInitialised;
}

void CVortalListCtrl::AddTokenType(unsigned long handle, unsigned long type) {
    if (m_typeCount == m_typeCapacity) {
        int capacity = m_typeCapacity + 10;
        void* grown = std::realloc(m_types, sizeof(TokenType) * static_cast<size_t>(capacity));
        if (!grown) throw std::bad_alloc();
        m_types = static_cast<TokenType*>(grown);
        m_typeCapacity = capacity;
    }
    m_types[m_typeCount++] = {handle, type};
}

unsigned long CVortalListCtrl::RefreshVortalList() {
    return zrpc::Guard(kNoTokenFound, [&]() -> unsigned long {
        DeleteVortalList();
        m_typeCount = 0;
        if (!m_pToken) return kNoTokenFound;
        _tZRPKeyFindInfo find;
        std::memset(&find, 0, sizeof find);
        find.state = ZRPC_TOKEN_NO_MORE;
        int listed = 0;
        // A token is listed when the component answers 0, or 22 for a token it shows without a state.
        // Any other answer ends the enumeration: the record was not filled.
        for (unsigned long rc = m_pToken->FindFirstToken(&find); rc == 0 || rc == ZRPC_TOKEN_STATE_UNKNOWN;
             rc = m_pToken->FindNextToken(&find)) {
            uint32_t type = 0;
            m_pToken->GetTokenType(find.handle, &type); // a failure leaves type 0
            AddTokenType(find.handle, type);
            const std::string name(find.name, strnlen(find.name, sizeof find.name));
            if (InsertItem(0, name.c_str(), TokenImage(find, type)) < 0) continue;
            char serial[16];
            std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(find.serial));
            SetItemText(0, 1, serial);
            SetItemText(0, 2, TokenStatus(find, type, rc).c_str());
            SetItemData(0, reinterpret_cast<LPARAM>(new _tZRPKeyFindInfo(find)));
            ++listed;
        }
        unsigned long closed = m_pToken->FindClose(&find);
        FitLastColumn();
        return listed == 0 ? kNoTokenFound : closed;
    });
}

void CVortalListCtrl::FitLastColumn() {
    if (!m_hwnd) return;
    const UINT dpi = zrpc::WindowDpi(m_hwnd);
    RECT outer = {};
    GetWindowRect(m_hwnd, &outer);
    int width = (outer.right - outer.left) - GetSubItemWidth(0) - GetSubItemWidth(1) -
                zrpc::ScaleToDpi(kFrameSpare, dpi);
    if (GetVisibleCount(FALSE) < GetItemCount()) width -= zrpc::SystemMetricForDpi(SM_CXVSCROLL, dpi);
    SetSubItemWidth(2, width);
}

void CVortalListCtrl::Measure() {
    zrpc::GuardVoid([&] {
        if (!m_hwnd || !m_bInitialised) return;
        const UINT dpi = zrpc::WindowDpi(m_hwnd);
        zrpc::UsePicturesForDpi(*this, dpi, &m_pictures);
        zrpc::SizeColumnsForDpi(*this, kWidths, 2, dpi);
        FitLastColumn();
    });
}

unsigned long CVortalListCtrl::GetVortalType(int iItem) {
    return zrpc::Guard(kNoType, [&]() -> unsigned long {
        auto* find = reinterpret_cast<_tZRPKeyFindInfo*>(GetItemData(iItem));
        if (!find) return kNoType;
        for (int i = 0; i < m_typeCount; ++i)
            if (m_types[i].handle == find->handle) return m_types[i].type;
        return kNoType;
    });
}

void CVortalListCtrl::DeleteVortalList() {
    zrpc::GuardVoid([&] {
        int n = GetItemCount();
        for (int i = 0; i < n; ++i) {
            delete reinterpret_cast<_tZRPKeyFindInfo*>(GetItemData(i));
            SetItemData(i, 0);
        }
        DeleteAllItems();
    });
}

void CVortalListCtrl::OnDestroy() {
    DeleteVortalList();
}

LRESULT CVortalListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return zrpc::ListWindowProc(
        *this, &m_pictures, msg, [&] { OnDestroy(); }, [&] { Measure(); },
        [&] { return CReportCtrl::WindowProc(msg, wp, lp); });
}
