// Blocks handed to callers: fixed, zero-filled blocks of the global heap, released by the caller with
// GlobalUnlock and GlobalFree on the handle GlobalHandle gives (ZRPC_FreeGlobal in zrpcfunc.h).
#ifndef ZRPC_BASE_GLOBALBLOCK_H
#define ZRPC_BASE_GLOBALBLOCK_H

#include <windows.h>

#include <cstddef>

#include "base/wipe.h"

namespace zrpc {

// A locked block of size bytes (all zero), or null.
inline void* AllocGlobalBlock(size_t size) {
    if (size == 0 || size > 0x7FFFFFFFu) return nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

// Releases a block from AllocGlobalBlock, wiping its first wipeSize bytes first.
inline void FreeGlobalBlock(void* block, size_t wipeSize = 0) {
    if (!block) return;
    Wipe(block, wipeSize);
    HGLOBAL h = GlobalHandle(block);
    if (h) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

} // namespace zrpc

#endif
