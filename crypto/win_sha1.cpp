// ZRPCFUNC_SHA_Init, ZRPCFUNC_SHA_Update, ZRPCFUNC_SHA_Final, ZRPCFUNC_SHA_Compare.
#include <windows.h>

#include "crypto/sha1.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

ZRPC_API void ZRPCFUNC_SHA_Init(_tSHA_Context* context) {
    zrpc::GuardVoid([&] {
        if (context) zrpc::Sha1Init(context);
    });
}

ZRPC_API void ZRPCFUNC_SHA_Update(_tSHA_Context* context, const unsigned char* data, unsigned long length) {
    zrpc::GuardVoid([&] {
        if (context && data) zrpc::Sha1Update(context, data, length);
    });
}

ZRPC_API unsigned char* ZRPCFUNC_SHA_Final(_tSHA_Context* context) {
    return zrpc::Guard<unsigned char*>(
        nullptr, [&]() -> unsigned char* { return context ? zrpc::Sha1Final(context) : nullptr; });
}

ZRPC_API int ZRPCFUNC_SHA_Compare(const void* first, const void* second) {
    return zrpc::Guard(0, [&] {
        if (!first || !second) return first == second ? 0 : (first ? 1 : -1);
        return zrpc::Sha1Compare(first, second);
    });
}
