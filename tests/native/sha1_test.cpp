// SHA-1 on the context record: FIPS 180-1 digests, independence from how the input is split, the
// byte count's carry, the digest's place in the record and the whole-record comparison; the portable
// engine and the processor's SHA instructions over the same table, record for record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/sha1.h"

namespace {

std::string Hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = (uint8_t)(i * 31 + 7);
    return v;
}

using zrpc::Sha1Engine;

// The engines this processor can run: the portable one always, the SHA instructions where CPUID
// reports them.
std::vector<Sha1Engine> Engines() {
    std::vector<Sha1Engine> engines{Sha1Engine::Portable};
    if (zrpc::Sha1ProcessorEngineAvailable()) {
        engines.push_back(Sha1Engine::Processor);
    } else {
        std::printf("note: this processor has no SHA instructions; only the portable engine runs\n");
    }
    return engines;
}

const char* Name(Sha1Engine engine) {
    return engine == Sha1Engine::Portable ? "portable" : "processor";
}

// The whole record after data was fed in pieces of the given size (0: one call) and finished.
_tSHA_Context FinishedInPieces(Sha1Engine engine, const std::vector<uint8_t>& data, size_t piece) {
    _tSHA_Context c;
    std::memset(&c, 0xCC, sizeof c); // the block storage is not cleared by Init
    zrpc::Sha1Init(&c);
    if (piece == 0) {
        zrpc::Sha1UpdateWith(engine, &c, data.data(), data.size());
    } else {
        for (size_t at = 0; at < data.size(); at += piece)
            zrpc::Sha1UpdateWith(engine, &c, data.data() + at, std::min(piece, data.size() - at));
    }
    zrpc::Sha1FinalWith(engine, &c);
    return c;
}

// Digest of data fed in pieces of the given size (0: one call), through the library's own choice.
std::string DigestInPieces(const std::vector<uint8_t>& data, size_t piece) {
    _tSHA_Context c;
    std::memset(&c, 0xCC, sizeof c);
    zrpc::Sha1Init(&c);
    if (piece == 0) {
        zrpc::Sha1Update(&c, data.data(), data.size());
    } else {
        for (size_t at = 0; at < data.size(); at += piece)
            zrpc::Sha1Update(&c, data.data() + at, std::min(piece, data.size() - at));
    }
    return Hex(zrpc::Sha1Final(&c), 20);
}

struct Vector {
    std::vector<uint8_t> data;
    const char* digest;
};

std::vector<Vector> Vectors() {
    auto text = [](const char* s) { return std::vector<uint8_t>(s, s + std::strlen(s)); };
    return {
        {text(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {text("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {Pattern(55), "749bbefb28edc4638b28b2b9a9e03ab9a4032b90"},
        {Pattern(56), "a5b6e9c29d201c774753ff8e7fb64931656f5e63"},
        {Pattern(63), "d1a454409359fc372b4d22b3cea6488d6ba1be00"},
        {Pattern(64), "39a0d8b645ad85f1f976731ed112ac9455e28b78"},
        {Pattern(65), "d0c96e18890114a14716e9686528d2e3fdba8d9e"},
        {Pattern(119), "562ecf8a430f8e1056e3619bae33628e9a1d0a4e"},
        {Pattern(120), "353f6d2bf0e91aa91b74a2e0b3f297510f7d825f"},
        {Pattern(128), "0060f2a7e34b6e4d459f560197ef93243732a400"},
    };
}

TEST(Sha1, KnownDigestsWhateverTheSplit) {
    for (const Vector& v : Vectors()) {
        for (size_t piece : {0, 1, 3, 7, 55, 63, 64, 65}) {
            EXPECT_EQ(DigestInPieces(v.data, piece), v.digest)
                << v.data.size() << " bytes in pieces of " << piece;
            for (Sha1Engine engine : Engines()) {
                _tSHA_Context c = FinishedInPieces(engine, v.data, piece);
                EXPECT_EQ(Hex(reinterpret_cast<const uint8_t*>(c.state), 20), v.digest)
                    << Name(engine) << ", " << v.data.size() << " bytes in pieces of " << piece;
            }
        }
    }
}

// The processor's instructions leave every byte of the record as the portable code does: the digest,
// the count and the block storage (the last schedule words and the bytes still pending), after every
// step, so that records compare alike whichever engine made them.
TEST(Sha1, EnginesLeaveTheSameRecordAfterEveryStep) {
    std::vector<Sha1Engine> engines = Engines();
    if (engines.size() < 2) GTEST_SKIP() << "no SHA instructions on this processor";
    std::vector<uint8_t> data = Pattern(5000);
    uint32_t x = 12345;
    for (int run = 0; run < 200; ++run) {
        _tSHA_Context a, b;
        std::memset(&a, 0xCC, sizeof a);
        std::memset(&b, 0xCC, sizeof b);
        zrpc::Sha1Init(&a);
        zrpc::Sha1Init(&b);
        size_t at = 0, total = (run * 37) % data.size();
        while (at < total) {
            x = x * 1103515245u + 12345u;
            size_t piece = std::min<size_t>((x >> 16) % (run % 3 == 0 ? 300 : 70), total - at);
            zrpc::Sha1UpdateWith(Sha1Engine::Portable, &a, data.data() + at, piece);
            zrpc::Sha1UpdateWith(Sha1Engine::Processor, &b, data.data() + at, piece);
            ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "run " << run << " after " << at + piece;
            at += piece;
        }
        uint8_t* da = zrpc::Sha1FinalWith(Sha1Engine::Portable, &a);
        uint8_t* db = zrpc::Sha1FinalWith(Sha1Engine::Processor, &b);
        EXPECT_EQ((void*)da, (void*)a.state);
        EXPECT_EQ((void*)db, (void*)b.state);
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "run " << run << " finished, " << total << " bytes";
        EXPECT_EQ(zrpc::Sha1Compare(&a, &b), 0);
    }
}

TEST(Sha1, TheProcessorsInstructionsAreUsedWhereTheyExist) {
    EXPECT_EQ(zrpc::Sha1ActiveEngine(),
              zrpc::Sha1ProcessorEngineAvailable() ? Sha1Engine::Processor : Sha1Engine::Portable);
}

TEST(Sha1, MillionA) {
    std::vector<uint8_t> a(1000000, 'a');
    EXPECT_EQ(DigestInPieces(a, 0), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    for (Sha1Engine engine : Engines()) {
        for (size_t piece : {0, 1000, 4093}) {
            _tSHA_Context c = FinishedInPieces(engine, a, piece);
            EXPECT_EQ(Hex(reinterpret_cast<const uint8_t*>(c.state), 20),
                      "34aa973cd4c4daa4f61eeb2bdbad27316534016f")
                << Name(engine) << " in pieces of " << piece;
        }
    }
}

TEST(Sha1, InitSetsStateAndCountOnly) {
    _tSHA_Context c;
    std::memset(&c, 0xAB, sizeof c);
    zrpc::Sha1Init(&c);
    const uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    EXPECT_EQ(std::memcmp(c.state, h, sizeof h), 0);
    EXPECT_EQ(c.countHigh, 0u);
    EXPECT_EQ(c.countLow, 0u);
    for (uint32_t w : c.block)
        EXPECT_EQ(w, 0xABABABABu);
}

TEST(Sha1, CountIsInBytesAndCarriesIntoTheHighWord) {
    _tSHA_Context c;
    zrpc::Sha1Init(&c);
    std::vector<uint8_t> data = Pattern(100);
    zrpc::Sha1Update(&c, data.data(), 40);
    EXPECT_EQ(c.countLow, 40u);
    zrpc::Sha1Update(&c, data.data(), 0);
    EXPECT_EQ(c.countLow, 40u);
    // A count near the top of the low word: adding wraps it and increments the high word.
    c.countLow = 0xFFFFFFE8u; // still 40 bytes into the block
    zrpc::Sha1Update(&c, data.data(), 100);
    EXPECT_EQ(c.countHigh, 1u);
    EXPECT_EQ(c.countLow, 0x4Cu);
}

TEST(Sha1, FinalWritesTheDigestOverTheStateField) {
    _tSHA_Context c;
    zrpc::Sha1Init(&c);
    zrpc::Sha1Update(&c, reinterpret_cast<const uint8_t*>("abc"), 3);
    uint8_t* digest = zrpc::Sha1Final(&c);
    EXPECT_EQ((void*)digest, (void*)c.state);
    EXPECT_EQ(Hex(reinterpret_cast<uint8_t*>(c.state), 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, CompareWholeRecords) {
    auto finished = [](const char* text) {
        _tSHA_Context c;
        std::memset(&c, 0, sizeof c);
        zrpc::Sha1Init(&c);
        zrpc::Sha1Update(&c, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
        zrpc::Sha1Final(&c);
        return c;
    };
    _tSHA_Context a = finished("abc"), b = finished("abc");
    EXPECT_EQ(zrpc::Sha1Compare(&a, &a), 0);
    EXPECT_EQ(zrpc::Sha1Compare(&a, &b), 0);

    // Same digest, different leftover block bytes: unequal, ordered by the first differing byte.
    _tSHA_Context d = a;
    reinterpret_cast<uint8_t*>(d.block)[63] ^= 0x01;
    EXPECT_NE(zrpc::Sha1Compare(&a, &d), 0);
    EXPECT_EQ(std::memcmp(a.state, d.state, 20), 0);

    uint8_t low[92] = {0}, high[92] = {0};
    high[91] = 0x80; // compared as unsigned: 0x80 is greater than 0x00
    EXPECT_EQ(zrpc::Sha1Compare(low, high), -1);
    EXPECT_EQ(zrpc::Sha1Compare(high, low), 1);
    low[0] = 0x01;
    EXPECT_EQ(zrpc::Sha1Compare(low, high), 1); // the first difference decides
}

} // namespace
