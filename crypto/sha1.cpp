// SHA-1 (FIPS 180-1) over _tSHA_Context, with two engines for the compression of whole blocks:
//  - the portable one, written out round by round, which keeps its rolling 16-word message schedule in
//    the context's own block storage;
//  - the processor's SHA instructions (x86, 32- and 64-bit), used when CPUID reports them. They keep
//    the schedule in registers and store its last 16 words into the block storage after the last block
//    of a run, so that the record ends exactly as the portable engine leaves it.
// The engine is chosen once, when the library starts (see ActiveEngine()).
#include "crypto/sha1.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define ZRPC_SHA1_PROCESSOR 1
#include <cpuid.h>
#include <immintrin.h>
#endif

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

void PortableBlocks(_tSHA_Context* context, const uint8_t* data, size_t blocks) {
    for (; blocks > 0; --blocks, data += 64)
        Compress(context, data);
}

#if ZRPC_SHA1_PROCESSOR

// The SHA instructions come with SSSE3 (byte shuffle) and SSE4.1 (word extract).
bool ProcessorHasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    const bool sha = (b & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

// Four rounds on the message words in `msg`. The first group takes its words by addition to E, the
// others through sha1nexte; f selects the round function (0 Ch, 1 Parity, 2 Maj, 3 Parity).
#define ZSHA_NI_FIRST(e0, msg)                                                                               \
    e0 = _mm_add_epi32(e0, msg);                                                                             \
    e1 = abcd;                                                                                               \
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
#define ZSHA_NI_ROUNDS(eIn, eOut, msg, f)                                                                    \
    eIn = _mm_sha1nexte_epu32(eIn, msg);                                                                     \
    eOut = abcd;                                                                                             \
    abcd = _mm_sha1rnds4_epu32(abcd, eIn, f);

// Blocks through the processor's SHA instructions. Each message register holds four schedule words,
// the first in the highest lane; after the last block they hold words 64 to 79, which go into the block
// storage in order, as the portable engine leaves them there.
__attribute__((target("sha,sse4.1,ssse3"))) void ProcessorBlocks(_tSHA_Context* context, const uint8_t* data,
                                                                 size_t blocks) {
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(context->state)), 0x1B);
    __m128i e0 = _mm_set_epi32((int)context->state[4], 0, 0, 0);
    __m128i e1;
    __m128i m0 = _mm_setzero_si128(), m1 = m0, m2 = m0, m3 = m0;
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abcdSaved = abcd, eSaved = e0;
        m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), reverse);
        m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), reverse);
        m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), reverse);
        m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), reverse);

        // Rounds 0 to 15: the block's own words; the schedule of words 16 to 31 starts meanwhile.
        ZSHA_NI_FIRST(e0, m0)
        ZSHA_NI_ROUNDS(e1, e0, m1, 0)
        m0 = _mm_sha1msg1_epu32(m0, m1);
        ZSHA_NI_ROUNDS(e0, e1, m2, 0)
        m1 = _mm_sha1msg1_epu32(m1, m2);
        m0 = _mm_xor_si128(m0, m2);
        e1 = _mm_sha1nexte_epu32(e1, m3);
        e0 = abcd;
        m0 = _mm_sha1msg2_epu32(m0, m3);
        abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
        m2 = _mm_sha1msg1_epu32(m2, m3);
        m1 = _mm_xor_si128(m1, m3);

        // Rounds 16 to 63: each group of four uses one register and advances the other three.
#define ZSHA_NI_STEP(eIn, eOut, cur, next, after, prev, f)                                                   \
    eIn = _mm_sha1nexte_epu32(eIn, cur);                                                                     \
    eOut = abcd;                                                                                             \
    next = _mm_sha1msg2_epu32(next, cur);                                                                    \
    abcd = _mm_sha1rnds4_epu32(abcd, eIn, f);                                                                \
    prev = _mm_sha1msg1_epu32(prev, cur);                                                                    \
    after = _mm_xor_si128(after, cur);
        ZSHA_NI_STEP(e0, e1, m0, m1, m2, m3, 0) // 16-19
        ZSHA_NI_STEP(e1, e0, m1, m2, m3, m0, 1) // 20-23
        ZSHA_NI_STEP(e0, e1, m2, m3, m0, m1, 1)
        ZSHA_NI_STEP(e1, e0, m3, m0, m1, m2, 1)
        ZSHA_NI_STEP(e0, e1, m0, m1, m2, m3, 1)
        ZSHA_NI_STEP(e1, e0, m1, m2, m3, m0, 1) // 36-39
        ZSHA_NI_STEP(e0, e1, m2, m3, m0, m1, 2) // 40-43
        ZSHA_NI_STEP(e1, e0, m3, m0, m1, m2, 2)
        ZSHA_NI_STEP(e0, e1, m0, m1, m2, m3, 2)
        ZSHA_NI_STEP(e1, e0, m1, m2, m3, m0, 2)
        ZSHA_NI_STEP(e0, e1, m2, m3, m0, m1, 2) // 56-59
        ZSHA_NI_STEP(e1, e0, m3, m0, m1, m2, 3) // 60-63
#undef ZSHA_NI_STEP

        // Rounds 64 to 79: the last words of the schedule are completed, none beyond word 79.
        e0 = _mm_sha1nexte_epu32(e0, m0); // 64-67
        e1 = abcd;
        m1 = _mm_sha1msg2_epu32(m1, m0);
        abcd = _mm_sha1rnds4_epu32(abcd, e0, 3);
        m3 = _mm_sha1msg1_epu32(m3, m0);
        m2 = _mm_xor_si128(m2, m0);
        e1 = _mm_sha1nexte_epu32(e1, m1); // 68-71
        e0 = abcd;
        m2 = _mm_sha1msg2_epu32(m2, m1);
        abcd = _mm_sha1rnds4_epu32(abcd, e1, 3);
        m3 = _mm_xor_si128(m3, m1);
        e0 = _mm_sha1nexte_epu32(e0, m2); // 72-75
        e1 = abcd;
        m3 = _mm_sha1msg2_epu32(m3, m2);
        abcd = _mm_sha1rnds4_epu32(abcd, e0, 3);
        ZSHA_NI_ROUNDS(e1, e0, m3, 3) // 76-79

        e0 = _mm_sha1nexte_epu32(e0, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(context->state), _mm_shuffle_epi32(abcd, 0x1B));
    context->state[4] = (uint32_t)_mm_extract_epi32(e0, 3);
    __m128i* schedule = reinterpret_cast<__m128i*>(context->block);
    _mm_storeu_si128(schedule + 0, _mm_shuffle_epi32(m0, 0x1B));
    _mm_storeu_si128(schedule + 1, _mm_shuffle_epi32(m1, 0x1B));
    _mm_storeu_si128(schedule + 2, _mm_shuffle_epi32(m2, 0x1B));
    _mm_storeu_si128(schedule + 3, _mm_shuffle_epi32(m3, 0x1B));
}

#undef ZSHA_NI_FIRST
#undef ZSHA_NI_ROUNDS

#endif // ZRPC_SHA1_PROCESSOR

using BlocksFn = void (*)(_tSHA_Context*, const uint8_t*, size_t);

BlocksFn EngineBlocks(Sha1Engine engine) {
#if ZRPC_SHA1_PROCESSOR
    if (engine == Sha1Engine::Processor && Sha1ProcessorEngineAvailable()) return ProcessorBlocks;
#else
    (void)engine;
#endif
    return PortableBlocks;
}

// The engine of this process, chosen on first use; the initialiser below makes that first use the
// library's start-up, so no call finds the choice still to be made.
BlocksFn ActiveBlocks() {
    static const BlocksFn blocks = EngineBlocks(Sha1Engine::Processor);
    return blocks;
}
const BlocksFn kChosenAtStartUp = ActiveBlocks();

uint8_t* BlockBytes(_tSHA_Context* context) {
    return reinterpret_cast<uint8_t*>(context->block);
}

void Update(BlocksFn blocks, _tSHA_Context* context, const uint8_t* data, size_t length) {
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
    blocks(context, block, 1);
    data += fill;
    length -= fill;
    if (length >= 64) {
        blocks(context, data, length / 64);
        data += length & ~(size_t)63;
        length &= 63;
    }
    if (length) std::memcpy(block, data, length);
}

uint8_t* Final(BlocksFn blocks, _tSHA_Context* context) {
    uint8_t* block = BlockBytes(context);
    size_t used = context->countLow % 64;
    block[used++] = 0x80;
    if (64 - used < 8) {
        std::memset(block + used, 0, 64 - used);
        blocks(context, block, 1);
        used = 0;
    }
    std::memset(block + used, 0, 56 - used);
    uint32_t bitsHigh = context->countHigh << 3 | context->countLow >> 29;
    uint32_t bitsLow = context->countLow << 3;
    StoreBigEndian(block + 56, bitsHigh);
    StoreBigEndian(block + 60, bitsLow);
    blocks(context, block, 1);

    uint8_t* digest = reinterpret_cast<uint8_t*>(context->state);
    uint32_t words[5];
    std::memcpy(words, context->state, sizeof words);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(digest + 4 * i, words[i]);
    return digest;
}

} // namespace

bool Sha1ProcessorEngineAvailable() {
#if ZRPC_SHA1_PROCESSOR
    static const bool available = ProcessorHasShaInstructions();
    return available;
#else
    return false;
#endif
}

Sha1Engine Sha1ActiveEngine() {
    (void)kChosenAtStartUp;
    return ActiveBlocks() == PortableBlocks ? Sha1Engine::Portable : Sha1Engine::Processor;
}

void Sha1UpdateWith(Sha1Engine engine, _tSHA_Context* context, const uint8_t* data, size_t length) {
    Update(EngineBlocks(engine), context, data, length);
}

uint8_t* Sha1FinalWith(Sha1Engine engine, _tSHA_Context* context) {
    return Final(EngineBlocks(engine), context);
}

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
    Update(ActiveBlocks(), context, data, length);
}

uint8_t* Sha1Final(_tSHA_Context* context) {
    return Final(ActiveBlocks(), context);
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
