// EncodeBase64, DecodeBase64: the portable cores with global-heap output blocks.
#include <windows.h>

#include <cstring>

#include "base/win_globalblock.h"
#include "crypto/base64.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

ZRPC_API int EncodeBase64(char** text, unsigned long* textLength, const unsigned char* data,
                          unsigned long dataLength) {
    return zrpc::Guard(1, [&] {
        if (!text || !textLength) return 1;
        *text = nullptr;
        size_t length = zrpc::Base64EncodedLength(dataLength);
        *textLength = (unsigned long)length;
        if (dataLength && !data) return 1;
        char* block = static_cast<char*>(zrpc::AllocGlobalBlock(length + 1));
        if (!block) return 1;
        zrpc::Base64Encode(data, dataLength, block);
        *text = block;
        return 0;
    });
}

ZRPC_API int DecodeBase64(unsigned char** data, unsigned long* dataLength, const char* text,
                          unsigned long textLength) {
    return zrpc::Guard(1, [&] {
        if (!data || !dataLength) return 1;
        *data = nullptr;
        if (!text) return 1;
        const zrpc::Base64DecodeSizes sizes = zrpc::Base64DecodeSizing(text, textLength);
        *dataLength = (unsigned long)sizes.capacity;
        unsigned char* block = static_cast<unsigned char*>(zrpc::AllocGlobalBlock(sizes.capacity + 1));
        if (!block) return 1;
        *data = block;
        size_t produced = 0;
        int rc =
            zrpc::Base64DecodeAnswer(zrpc::Base64Decode(text, sizes.chars, block, sizes.capacity, &produced));
        if (rc) return rc;
        *dataLength = (unsigned long)produced;
        return 0;
    });
}
