// The key store's public-key calls, for the library's own code (the exports are shells over them).
#ifndef ZRPC_KEYSTORE_WIN_PUBLIC_KEYS_H
#define ZRPC_KEYSTORE_WIN_PUBLIC_KEYS_H

#include <windows.h>

#include "include/zrpcrecords.h"

namespace zks {

unsigned long GetNote(unsigned long serial, char* text, const char* element);
unsigned long SetNote(unsigned long serial, const char* text, const char* element);
unsigned long AddPublicKey(HWND parent, const _tNewTransferPacket* packet, int confirm);
unsigned long UpdatePublicKey(_tNewTransferPacket* packet);
unsigned long DeletePublicKey(unsigned long serial);
unsigned long GetPublicKeyPacket(unsigned long serial, _tNewTransferPacket* packet);
// 1 with the key's 16-character name (terminated) in name, 0 when there is no such key.
int GetNameFromSerial(unsigned long serial, char* name);

} // namespace zks

#endif
