// Pieces shared by the key-store list and the key-store combo.
#include "ui/win_keystore_controls.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "frame/win_frame.h"
#include "token/win_caches.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace zrpc {

void WarnFailure(HWND owner, unsigned long code, unsigned id) {
    std::string doing;
    LangString(id, doing);
    DisplayError(owner, code, doing.c_str(), nullptr, true);
}

unsigned long ReadTokenInfo(HWND owner, ITokenInterface* token, unsigned long tokenId, _tToken_InfoEx* info) {
    unsigned long status = 0;
    _tToken_InfoEx* cached = TokenInfoFromCache(token, tokenId, &status, 0);
    if (!cached) {
        if (status == 0) status = 1;
        WarnFailure(owner, status, IDS_ADDING_PUBLIC_KEY);
        return status;
    }
    std::memcpy(info, cached, sizeof *info);
    return 0;
}

unsigned long RequestBackupKeySerial(HWND owner, ITokenInterface* token, unsigned long tokenId, int key,
                                     unsigned long* serial) {
    _tNewTransferPacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.size = ZRPC_PACKET_SIZE;
    packet.version = ZRPC_PACKET_VERSION;
    packet.type = ZRPC_PACKET_BACKUP_PUBLICKEY;
    packet.serial = static_cast<uint32_t>(key);
    unsigned long status = token->MakePacket(tokenId, &packet);
    if (status != 0) {
        // The language string carries the key number as its only placeholder (%d).
        std::string format;
        LangString(IDS_GETTING_BACKUP_KEY, format);
        const std::string doing = FillPlaceholder(format, std::to_string(key));
        DisplayError(owner, status, doing.c_str(), nullptr, true);
        return status;
    }
    if (packet.serial == 0) return 1;
    *serial = packet.serial;
    return 0;
}

} // namespace zrpc
