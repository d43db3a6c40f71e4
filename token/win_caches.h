// The machine-wide key and token information caches, for the library's own code.
#ifndef ZRPC_TOKEN_WIN_CACHES_H
#define ZRPC_TOKEN_WIN_CACHES_H

#include "include/zrpctoken.h"

namespace zrpc {

// The token information cache's record, filled from the token first when it is empty or force is set;
// null when the token cannot give it (result, when given, receives the token's code).
_tToken_InfoEx* TokenInfoFromCache(ITokenInterface* token, unsigned long handle, unsigned long* result,
                                   int force);

// The key cache: filled from the token when empty or force is set (the token's code); one slot's record,
// read again from the token first with force (null for a slot outside the cache).
unsigned long FillKeyCache(ITokenInterface* token, unsigned long handle, int force);
_tToken_Key* KeyFromCache(ITokenInterface* token, unsigned long handle, int slot, unsigned long* result,
                          int force);

// Empties the key cache: no key cached, every slot marked empty, no group code known.
void ResetKeyCache();

// The key cache's first-load step: the first process to use the library after the machine-wide
// sections came into being empties the key cache and sets the machine-wide first-load flag; after
// that the step leaves the cache alone, in every process. Every key cache call takes it first, and so
// does the library's start-up.
void KeyCacheFirstLoad();

} // namespace zrpc

#endif
