// The machine-wide cache of the token's extended information, in a shared data section of its own.
#include <windows.h>

#include <cstring>

#include "base/guard.h"
#include "include/zrpcfunc.h"
#include "include/zrpcresult.h"
#include "token/win_cachelock.h"
#include "token/win_caches.h"

namespace {
struct TokenInfoCache {
    uint32_t cached;
    _tToken_InfoEx info;
};
constexpr char kLockName[] = "ZRPCFunc.TokenInfoCache";
} // namespace

// All zero in the library file: not cached. Unlike the key cache it is not reset at start-up.
__attribute__((section(".ztinfo"), shared)) TokenInfoCache g_tokenInfoCache = {0, {}};

namespace {

void Reset() {
    g_tokenInfoCache.cached = 0;
    std::memset(&g_tokenInfoCache.info, 0, sizeof g_tokenInfoCache.info);
}

unsigned long Fill(ITokenInterface* token, unsigned long handle, int force) {
    if (!force) {
        zrpc::CacheLock lock(kLockName);
        if (g_tokenInfoCache.cached == 1) return 0;
    }
    // Read into a private record, published whole under the lock.
    _tToken_InfoEx fresh;
    {
        zrpc::CacheLock lock(kLockName);
        std::memcpy(&fresh, &g_tokenInfoCache.info, sizeof fresh);
    }
    unsigned long rc = token ? token->GetTokenInfoEx(handle, &fresh) : zrpc::kBadArgument;
    zrpc::CacheLock lock(kLockName);
    if (rc == 0) {
        std::memcpy(&g_tokenInfoCache.info, &fresh, sizeof fresh);
        g_tokenInfoCache.cached = 1;
    } else {
        Reset();
    }
    return rc;
}

} // namespace

ZRPC_API void ZRPCFUNC_ResetTokenInfoExCache() {
    zrpc::CacheLock lock(kLockName);
    Reset();
}

ZRPC_API int ZRPCFUNC_IsTokenInfoExCached() {
    return (int)g_tokenInfoCache.cached;
}

ZRPC_API unsigned long ZRPCFUNC_FillTokenInfoExCache(ITokenInterface* token, unsigned long handle,
                                                     int force) {
    return zrpc::Guard<unsigned long>(zrpc::kBadArgument, [&] { return Fill(token, handle, force); });
}

_tToken_InfoEx* zrpc::TokenInfoFromCache(ITokenInterface* token, unsigned long handle, unsigned long* result,
                                         int force) {
    unsigned long rc = Fill(token, handle, force);
    if (result) *result = rc;
    return rc == 0 ? &g_tokenInfoCache.info : nullptr;
}

ZRPC_API _tToken_InfoEx* ZRPCFUNC_GetTokenInfoExFromCache(ITokenInterface* token, unsigned long handle,
                                                          unsigned long* result, int force) {
    return zrpc::Guard<_tToken_InfoEx*>(
        nullptr, [&] { return zrpc::TokenInfoFromCache(token, handle, result, force); });
}
