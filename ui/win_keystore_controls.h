// What the key-store list and the key-store combo share: the token information they show, the
// request for a backup key's serial, and the warnings they show on failures.
#ifndef ZRPC_UI_KEYSTORE_CONTROLS_H
#define ZRPC_UI_KEYSTORE_CONTROLS_H

#include <windows.h>

#include "zrpcrecords.h"
#include "zrpctoken.h"

namespace zrpc {

// Shows the error text for code as a warning owned by owner, with language string id as the
// activity.
void WarnFailure(HWND owner, unsigned long code, unsigned id);

// Reads the token's extended information through the machine-wide cache into info; on failure shows
// the failure (activity: adding the public key to the key store) and returns its code.
unsigned long ReadTokenInfo(HWND owner, ITokenInterface* token, unsigned long tokenId, _tToken_InfoEx* info);

// Asks the token for backup key 1 or 2 with a backup public-key packet. A failure of the token is
// shown (activity: getting backup key N) and returned; a packet without a serial gives 1 without a
// message. On success *serial is the key's serial.
unsigned long RequestBackupKeySerial(HWND owner, ITokenInterface* token, unsigned long tokenId, int key,
                                     unsigned long* serial);

} // namespace zrpc

#endif
