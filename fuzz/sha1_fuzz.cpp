// Fuzzes SHA-1's two engines against each other: the input's first bytes choose how the rest is split
// across Update calls and what the record held before Init; after every call and after Final the
// portable engine and the processor's SHA instructions must leave the same 92 bytes, and the digest
// must not depend on the split.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "crypto/sha1.h"

using zrpc::Sha1Engine;

namespace {

bool Same(const _tSHA_Context& a, const _tSHA_Context& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t fill = data[0], step = data[1];
    data += 2;
    size -= 2;
    const bool processor = zrpc::Sha1ProcessorEngineAvailable();

    _tSHA_Context whole, portable, other;
    for (_tSHA_Context* c : {&whole, &portable, &other}) {
        std::memset(c, fill, sizeof *c);
        zrpc::Sha1Init(c);
    }
    zrpc::Sha1UpdateWith(Sha1Engine::Portable, &whole, data, size);
    zrpc::Sha1FinalWith(Sha1Engine::Portable, &whole);

    // Pieces of 1 to 256 bytes, their lengths drawn from the input itself.
    size_t at = 0;
    size_t piece = (size_t)step + 1;
    while (at < size) {
        size_t n = piece < size - at ? piece : size - at;
        zrpc::Sha1UpdateWith(Sha1Engine::Portable, &portable, data + at, n);
        if (processor) {
            zrpc::Sha1UpdateWith(Sha1Engine::Processor, &other, data + at, n);
            if (!Same(portable, other)) __builtin_trap();
        }
        piece = (size_t)data[at] + 1;
        at += n;
    }
    zrpc::Sha1FinalWith(Sha1Engine::Portable, &portable);
    if (std::memcmp(portable.state, whole.state, 20) != 0) __builtin_trap();
    if (processor) {
        zrpc::Sha1FinalWith(Sha1Engine::Processor, &other);
        if (!Same(portable, other)) __builtin_trap();
    }
    return 0;
}
