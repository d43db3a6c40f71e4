// The key store's calls for the library's own code (the exports are shells over them): the read
// connection and the public keys.
#ifndef ZRPC_KEYSTORE_WIN_KEYSTORE_H
#define ZRPC_KEYSTORE_WIN_KEYSTORE_H

#include <windows.h>

#include "include/zrpcrecords.h"

namespace zks {

class StoreSnapshot;

// Loads the store as it is now into a snapshot of the caller's own (0, or 2 when there is no store, 1
// when it does not load, 6 when memory runs out). The process's connection is not touched.
unsigned long LoadSnapshot(StoreSnapshot& snapshot);

// The process's read connection: Connect takes a snapshot of the store (0, or 2, 1, 6), Disconnect
// drops it (12 when there is none); Connection is the snapshot, null when not connected.
unsigned long Connect();
unsigned long Disconnect();
StoreSnapshot* Connection();

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
