#include "folders/filter_request.h"

namespace zrpc {
namespace folders {

void ScrambleFilterRequest(FilterRequest* request, const uint8_t key[kFilterKeySize],
                           uint8_t processLowByte) {
    if (!request || !key) return;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(request);
    for (size_t i = 0; i < kFilterScrambledBytes; ++i)
        bytes[i] = (uint8_t)(bytes[i] ^ key[i % kFilterKeySize] ^ processLowByte);
}

} // namespace folders
} // namespace zrpc
