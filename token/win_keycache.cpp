// The machine-wide encryption key cache: the last complete read of a token's 64 key slots and each
// slot's group code, in a data section that every process loading the library shares.
#include <windows.h>

#include <cstring>

#include "base/guard.h"
#include "include/zrpcfunc.h"
#include "include/zrpcresult.h"
#include "token/win_cachelock.h"
#include "token/win_caches.h"

namespace {

constexpr int kSlots = 64;
constexpr uint32_t kNoGroupCode = 0xFFFFFFFFu;
constexpr char kLockName[] = "ZRPCFunc.KeyCache";

struct KeyCache {
    uint32_t cached;
    _tToken_Key keys[kSlots];
    uint32_t groupCodes[kSlots];
};

} // namespace

// Initial contents from the library file; the first process to start the library resets them.
__attribute__((section(".zkeys"), shared)) KeyCache g_keyCache = {0, {}, {kNoGroupCode}};

// Machine-wide by the library's contract with its callers (the key cache and this flag are shared by
// every process that loads the library): set to 1 by the first process that starts the library after
// this section came into being, never back to 0.
__attribute__((section(".zflag"), shared)) volatile LONG g_firstLoadDone = 0;

namespace {

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kSlots;
}

void MarkEmpty(int slot) {
    g_keyCache.keys[slot].slot = (uint8_t)slot;
    g_keyCache.keys[slot].flags = ZRPC_KEYFLAG_EMPTY;
}

unsigned long Fill(ITokenInterface* token, unsigned long handle, int force) {
    if (!force) {
        zrpc::CacheLock lock(kLockName);
        if (g_keyCache.cached == 1) return 0;
    }
    if (!token) {
        zrpc::CacheLock lock(kLockName);
        g_keyCache.cached = 0;
        return zrpc::kBadArgument;
    }
    // The token fills a private copy (starting from what the cache holds, so that records it leaves
    // alone stay as they were); the copy is published whole under the lock.
    _tToken_Key fresh[kSlots];
    {
        zrpc::CacheLock lock(kLockName);
        std::memcpy(fresh, g_keyCache.keys, sizeof fresh);
    }
    unsigned long rc = token->GetAllKeys(handle, fresh);
    zrpc::CacheLock lock(kLockName);
    std::memcpy(g_keyCache.keys, fresh, sizeof fresh);
    g_keyCache.cached = rc == 0 ? 1 : 0;
    return rc;
}

// Fills as a fill does and reports the code; on success copies the records out under the lock.
bool FillForCheck(ITokenInterface* token, unsigned long handle, unsigned long* result, int force,
                  _tToken_Key (&keys)[kSlots]) {
    zrpc::KeyCacheFirstLoad();
    unsigned long rc = Fill(token, handle, force);
    if (result) *result = rc;
    if (rc != 0) return false;
    zrpc::CacheLock lock(kLockName);
    std::memcpy(keys, g_keyCache.keys, sizeof keys);
    return true;
}

bool IsEmpty(const _tToken_Key& key) {
    return (key.flags & ZRPC_KEYFLAG_EMPTY) != 0;
}

// After a fill as FillForCheck does it: 1 when a slot is empty (empty set) or used (clear), 0 when no
// slot is; -1 when the fill failed.
int FindSlot(ITokenInterface* token, unsigned long handle, unsigned long* result, int force, bool empty) {
    _tToken_Key keys[kSlots];
    if (!FillForCheck(token, handle, result, force, keys)) return -1;
    for (const _tToken_Key& key : keys)
        if (IsEmpty(key) == empty) return 1;
    return 0;
}

} // namespace

void zrpc::ResetKeyCache() {
    zrpc::CacheLock lock(kLockName);
    g_keyCache.cached = 0;
    for (int i = 0; i < kSlots; ++i) {
        g_keyCache.groupCodes[i] = kNoGroupCode;
        MarkEmpty(i);
    }
}

void zrpc::KeyCacheFirstLoad() {
    if (InterlockedCompareExchange(&g_firstLoadDone, 0, 0) != 0) return;
    // Under the cache's lock: two processes starting at once reset the cache once, and neither uses it
    // before the reset is complete.
    zrpc::CacheLock lock(kLockName);
    if (g_firstLoadDone != 0) return;
    zrpc::ResetKeyCache();
    InterlockedExchange(&g_firstLoadDone, 1);
}

ZRPC_API void ZRPCFUNC_ResetEncryptionKeyCache() {
    zrpc::GuardVoid([] {
        zrpc::KeyCacheFirstLoad();
        zrpc::ResetKeyCache();
    });
}

ZRPC_API int ZRPCFUNC_AreEncryptionKeysCached() {
    return zrpc::Guard(0, [] {
        zrpc::KeyCacheFirstLoad();
        return (int)g_keyCache.cached;
    });
}

unsigned long zrpc::FillKeyCache(ITokenInterface* token, unsigned long handle, int force) {
    KeyCacheFirstLoad();
    return Fill(token, handle, force);
}

_tToken_Key* zrpc::KeyFromCache(ITokenInterface* token, unsigned long handle, int slot, unsigned long* result,
                                int force) {
    KeyCacheFirstLoad();
    if (!ValidSlot(slot)) {
        if (result) *result = zrpc::kBadArgument;
        return nullptr;
    }
    _tToken_Key* key = &g_keyCache.keys[slot];
    if (!force) return key;
    _tToken_Key fresh;
    {
        zrpc::CacheLock lock(kLockName);
        std::memcpy(&fresh, key, sizeof fresh);
    }
    unsigned long rc = token ? token->GetKey(handle, (uint32_t)slot, &fresh) : zrpc::kBadArgument;
    if (result) *result = rc;
    zrpc::CacheLock lock(kLockName);
    std::memcpy(key, &fresh, sizeof fresh);
    if (rc != 0) {
        MarkEmpty(slot);
        g_keyCache.cached = 0;
    }
    return key;
}

ZRPC_API unsigned long ZRPCFUNC_FillEncryptionKeyCache(ITokenInterface* token, unsigned long handle,
                                                       int force) {
    return zrpc::Guard<unsigned long>(zrpc::kBadArgument,
                                      [&] { return zrpc::FillKeyCache(token, handle, force); });
}

ZRPC_API _tToken_Key* ZRPCFUNC_GetEncryptionKeyFromCache(ITokenInterface* token, unsigned long handle,
                                                         int slot, unsigned long* result, int force) {
    return zrpc::Guard<_tToken_Key*>(nullptr,
                                     [&] { return zrpc::KeyFromCache(token, handle, slot, result, force); });
}

namespace {
int KeyNameUsed(ITokenInterface* token, unsigned long handle, unsigned long* result, const char* name,
                int force) {
    _tToken_Key keys[kSlots];
    if (!FillForCheck(token, handle, result, force, keys)) return 0;
    for (const _tToken_Key& key : keys) {
        if (!IsEmpty(key) && std::strncmp(key.name, name ? name : "", sizeof key.name) == 0) return 1;
    }
    return 0;
}
} // namespace

ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsed(ITokenInterface* token,
                                                                       unsigned long handle,
                                                                       unsigned long* result, CString name,
                                                                       int force) {
    return zrpc::Guard(0, [&] { return KeyNameUsed(token, handle, result, name.GetString(), force); });
}

ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz(ITokenInterface* token,
                                                                         unsigned long handle,
                                                                         unsigned long* result,
                                                                         const char* name, int force) {
    return zrpc::Guard(0, [&] { return KeyNameUsed(token, handle, result, name, force); });
}

ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAllSlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force) {
    return zrpc::Guard(0, [&] { return FindSlot(token, handle, result, force, true) == 0 ? 1 : 0; });
}

ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsFree(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force) {
    return zrpc::Guard(0, [&] { return FindSlot(token, handle, result, force, true) == 1 ? 1 : 0; });
}

ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force) {
    return zrpc::Guard(0, [&] { return FindSlot(token, handle, result, force, false) == 1 ? 1 : 0; });
}

ZRPC_API unsigned long ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(ITokenInterface* token,
                                                                   unsigned long handle, int slot,
                                                                   unsigned long* result, int force) {
    return zrpc::Guard<unsigned long>(kNoGroupCode, [&]() -> unsigned long {
        if (!ValidSlot(slot)) {
            if (result) *result = zrpc::kBadArgument;
            return kNoGroupCode;
        }
        zrpc::KeyCacheFirstLoad();
        uint32_t& code = g_keyCache.groupCodes[slot];
        if (!force) {
            zrpc::CacheLock lock(kLockName);
            if (code != kNoGroupCode) return code;
        }
        _tToken_KeyEx record;
        std::memset(&record, 0, sizeof record);
        unsigned long rc = token ? token->GetKeyEx(handle, (uint32_t)slot, &record) : zrpc::kBadArgument;
        if (result) *result = rc;
        zrpc::CacheLock lock(kLockName);
        if (rc != 0)
            code = kNoGroupCode;
        else
            code = IsEmpty(record.key) ? kNoGroupCode : record.groupCode;
        return code;
    });
}
