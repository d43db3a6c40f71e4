// SHA-1 (FIPS 180-1) over _tSHA_Context. The compression is written out round by round and keeps its
// rolling 16-word message schedule in the context's own block storage.
#include "crypto/sha1.h"

#include <cstring>

namespace zrpc {
namespace {

inline uint32_t Rol(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadBigEndian(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}

inline void StoreBigEndian(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

// Schedule word i (i >= 16), computed in place over word i mod 16.
#define ZSHA_W(i) (w[(i)&15] = Rol(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))

// One round: e += f(b, c, d) + k + rol(a, 5) + word; b = rol(b, 30). The callers rotate the roles.
#define ZSHA_R0(a, b, c, d, e, i)                                                                            \
    e += ((b & (c ^ d)) ^ d) + w[i] + 0x5A827999u + Rol(a, 5);                                               \
    b = Rol(b, 30);
#define ZSHA_R1(a, b, c, d, e, i)                                                                            \
    e += ((b & (c ^ d)) ^ d) + ZSHA_W(i) + 0x5A827999u + Rol(a, 5);                                          \
    b = Rol(b, 30);
#define ZSHA_R2(a, b, c, d, e, i)                                                                            \
    e += (b ^ c ^ d) + ZSHA_W(i) + 0x6ED9EBA1u + Rol(a, 5);                                                  \
    b = Rol(b, 30);
#define ZSHA_R3(a, b, c, d, e, i)                                                                            \
    e += (((b | c) & d) | (b & c)) + ZSHA_W(i) + 0x8F1BBCDCu + Rol(a, 5);                                    \
    b = Rol(b, 30);
#define ZSHA_R4(a, b, c, d, e, i)                                                                            \
    e += (b ^ c ^ d) + ZSHA_W(i) + 0xCA62C1D6u + Rol(a, 5);                                                  \
    b = Rol(b, 30);

// Compresses the 64 bytes at source (which may be the block storage itself): they are converted to
// big-endian words into the block storage, which then serves as the message schedule.
void Compress(_tSHA_Context* context, const uint8_t* source) {
    uint32_t* w = context->block;
    for (int i = 0; i < 16; ++i)
        w[i] = LoadBigEndian(source + 4 * i);

    uint32_t a = context->state[0], b = context->state[1], c = context->state[2], d = context->state[3],
             e = context->state[4];

    ZSHA_R0(a, b, c, d, e, 0)
    ZSHA_R0(e, a, b, c, d, 1)
    ZSHA_R0(d, e, a, b, c, 2)
    ZSHA_R0(c, d, e, a, b, 3)
    ZSHA_R0(b, c, d, e, a, 4)
    ZSHA_R0(a, b, c, d, e, 5)
    ZSHA_R0(e, a, b, c, d, 6)
    ZSHA_R0(d, e, a, b, c, 7)
    ZSHA_R0(c, d, e, a, b, 8)
    ZSHA_R0(b, c, d, e, a, 9)
    ZSHA_R0(a, b, c, d, e, 10)
    ZSHA_R0(e, a, b, c, d, 11)
    ZSHA_R0(d, e, a, b, c, 12)
    ZSHA_R0(c, d, e, a, b, 13)
    ZSHA_R0(b, c, d, e, a, 14)
    ZSHA_R0(a, b, c, d, e, 15)
    ZSHA_R1(e, a, b, c, d, 16)
    ZSHA_R1(d, e, a, b, c, 17)
    ZSHA_R1(c, d, e, a, b, 18)
    ZSHA_R1(b, c, d, e, a, 19)

    ZSHA_R2(a, b, c, d, e, 20)
    ZSHA_R2(e, a, b, c, d, 21)
    ZSHA_R2(d, e, a, b, c, 22)
    ZSHA_R2(c, d, e, a, b, 23)
    ZSHA_R2(b, c, d, e, a, 24)
    ZSHA_R2(a, b, c, d, e, 25)
    ZSHA_R2(e, a, b, c, d, 26)
    ZSHA_R2(d, e, a, b, c, 27)
    ZSHA_R2(c, d, e, a, b, 28)
    ZSHA_R2(b, c, d, e, a, 29)
    ZSHA_R2(a, b, c, d, e, 30)
    ZSHA_R2(e, a, b, c, d, 31)
    ZSHA_R2(d, e, a, b, c, 32)
    ZSHA_R2(c, d, e, a, b, 33)
    ZSHA_R2(b, c, d, e, a, 34)
    ZSHA_R2(a, b, c, d, e, 35)
    ZSHA_R2(e, a, b, c, d, 36)
    ZSHA_R2(d, e, a, b, c, 37)
    ZSHA_R2(c, d, e, a, b, 38)
    ZSHA_R2(b, c, d, e, a, 39)

    ZSHA_R3(a, b, c, d, e, 40)
    ZSHA_R3(e, a, b, c, d, 41)
    ZSHA_R3(d, e, a, b, c, 42)
    ZSHA_R3(c, d, e, a, b, 43)
    ZSHA_R3(b, c, d, e, a, 44)
    ZSHA_R3(a, b, c, d, e, 45)
    ZSHA_R3(e, a, b, c, d, 46)
    ZSHA_R3(d, e, a, b, c, 47)
    ZSHA_R3(c, d, e, a, b, 48)
    ZSHA_R3(b, c, d, e, a, 49)
    ZSHA_R3(a, b, c, d, e, 50)
    ZSHA_R3(e, a, b, c, d, 51)
    ZSHA_R3(d, e, a, b, c, 52)
    ZSHA_R3(c, d, e, a, b, 53)
    ZSHA_R3(b, c, d, e, a, 54)
    ZSHA_R3(a, b, c, d, e, 55)
    ZSHA_R3(e, a, b, c, d, 56)
    ZSHA_R3(d, e, a, b, c, 57)
    ZSHA_R3(c, d, e, a, b, 58)
    ZSHA_R3(b, c, d, e, a, 59)

    ZSHA_R4(a, b, c, d, e, 60)
    ZSHA_R4(e, a, b, c, d, 61)
    ZSHA_R4(d, e, a, b, c, 62)
    ZSHA_R4(c, d, e, a, b, 63)
    ZSHA_R4(b, c, d, e, a, 64)
    ZSHA_R4(a, b, c, d, e, 65)
    ZSHA_R4(e, a, b, c, d, 66)
    ZSHA_R4(d, e, a, b, c, 67)
    ZSHA_R4(c, d, e, a, b, 68)
    ZSHA_R4(b, c, d, e, a, 69)
    ZSHA_R4(a, b, c, d, e, 70)
    ZSHA_R4(e, a, b, c, d, 71)
    ZSHA_R4(d, e, a, b, c, 72)
    ZSHA_R4(c, d, e, a, b, 73)
    ZSHA_R4(b, c, d, e, a, 74)
    ZSHA_R4(a, b, c, d, e, 75)
    ZSHA_R4(e, a, b, c, d, 76)
    ZSHA_R4(d, e, a, b, c, 77)
    ZSHA_R4(c, d, e, a, b, 78)
    ZSHA_R4(b, c, d, e, a, 79)

    context->state[0] += a;
    context->state[1] += b;
    context->state[2] += c;
    context->state[3] += d;
    context->state[4] += e;
}

#undef ZSHA_W
#undef ZSHA_R0
#undef ZSHA_R1
#undef ZSHA_R2
#undef ZSHA_R3
#undef ZSHA_R4

uint8_t* BlockBytes(_tSHA_Context* context) {
    return reinterpret_cast<uint8_t*>(context->block);
}

} // namespace

void Sha1Init(_tSHA_Context* context) {
    context->state[0] = 0x67452301u;
    context->state[1] = 0xEFCDAB89u;
    context->state[2] = 0x98BADCFEu;
    context->state[3] = 0x10325476u;
    context->state[4] = 0xC3D2E1F0u;
    context->countHigh = 0;
    context->countLow = 0;
}

void Sha1Update(_tSHA_Context* context, const uint8_t* data, size_t length) {
    if (length == 0) return;
    size_t used = context->countLow % 64;
    // The count is in bytes; the high word takes the carry of the low one.
    uint64_t count = ((uint64_t)context->countHigh << 32 | context->countLow) + (uint64_t)length;
    context->countLow = (uint32_t)count;
    context->countHigh = (uint32_t)(count >> 32);

    uint8_t* block = BlockBytes(context);
    if (length < 64 - used) {
        std::memcpy(block + used, data, length);
        return;
    }
    size_t fill = 64 - used;
    std::memcpy(block + used, data, fill);
    Compress(context, block);
    data += fill;
    length -= fill;
    while (length >= 64) {
        Compress(context, data);
        data += 64;
        length -= 64;
    }
    if (length) std::memcpy(block, data, length);
}

uint8_t* Sha1Final(_tSHA_Context* context) {
    uint8_t* block = BlockBytes(context);
    size_t used = context->countLow % 64;
    block[used++] = 0x80;
    if (64 - used < 8) {
        std::memset(block + used, 0, 64 - used);
        Compress(context, block);
        used = 0;
    }
    std::memset(block + used, 0, 56 - used);
    uint32_t bitsHigh = context->countHigh << 3 | context->countLow >> 29;
    uint32_t bitsLow = context->countLow << 3;
    StoreBigEndian(block + 56, bitsHigh);
    StoreBigEndian(block + 60, bitsLow);
    Compress(context, block);

    uint8_t* digest = reinterpret_cast<uint8_t*>(context->state);
    uint32_t words[5];
    std::memcpy(words, context->state, sizeof words);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(digest + 4 * i, words[i]);
    return digest;
}

int Sha1Compare(const void* first, const void* second) {
    const uint8_t* a = static_cast<const uint8_t*>(first);
    const uint8_t* b = static_cast<const uint8_t*>(second);
    for (size_t i = 0; i < sizeof(_tSHA_Context); ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

void Sha1Digest(const void* data, size_t length, uint8_t digest[20]) {
    _tSHA_Context context;
    Sha1Init(&context);
    Sha1Update(&context, static_cast<const uint8_t*>(data), length);
    std::memcpy(digest, Sha1Final(&context), 20);
    std::memset(&context, 0, sizeof context);
}

} // namespace zrpc
