// SHA-1, Base64 and random IV bytes through the DLL; the scrambler's ordinal-only exports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "crypto/sha1.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

std::string Hex(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

FARPROC Ordinal(unsigned ordinal) {
    return GetProcAddress(GetModuleHandleA("zrpcfunc.dll"), MAKEINTRESOURCEA(ordinal));
}
template <class F> F OrdinalAs(unsigned ordinal) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(Ordinal(ordinal)));
}

// Checks a block handed out by the library: a fixed global-heap block of at least size bytes whose
// bytes from used on are zero.
void ExpectGlobalBlock(const void* block, size_t size, size_t used) {
    ASSERT_NE(block, nullptr);
    HGLOBAL h = GlobalHandle(block);
    ASSERT_NE(h, nullptr);
    EXPECT_GE(GlobalSize(h), size);
    EXPECT_EQ(GlobalFlags(h) & GMEM_DISCARDABLE, 0u);
    const unsigned char* p = static_cast<const unsigned char*>(block);
    for (size_t i = used; i < size; ++i)
        EXPECT_EQ(p[i], 0) << "byte " << i;
}

TEST(CryptoExports, Sha1Digests) {
    const struct {
        std::string data;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases) {
        for (size_t piece : {c.data.size() + 1, (size_t)1, (size_t)63}) {
            if (c.data.size() > 1000 && piece == 1) continue;
            _tSHA_Context context;
            ZRPCFUNC_SHA_Init(&context);
            for (size_t at = 0; at < c.data.size(); at += piece)
                ZRPCFUNC_SHA_Update(&context, reinterpret_cast<const unsigned char*>(c.data.data()) + at,
                                    (unsigned long)std::min(piece, c.data.size() - at));
            unsigned char* digest = ZRPCFUNC_SHA_Final(&context);
            EXPECT_EQ(digest, reinterpret_cast<unsigned char*>(context.state));
            EXPECT_EQ(Hex(digest, 20), c.digest) << c.data.size() << " bytes, pieces of " << piece;
        }
    }
}

// This build's two SHA-1 engines (the portable code and the processor's SHA instructions, where CPUID
// reports them in this process: under emulation that depends on the emulated processor) give the whole
// record the export gives, byte for byte.
TEST(CryptoExports, Sha1EnginesOfThisBuildGiveTheExportsRecord) {
    std::printf("SHA instructions %s; the library uses the %s engine\n",
                zrpc::Sha1ProcessorEngineAvailable() ? "reported" : "not reported",
                zrpc::Sha1ActiveEngine() == zrpc::Sha1Engine::Processor ? "processor's" : "portable");
    std::vector<unsigned char> data(5000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (unsigned char)(i * 31 + 7);
    for (size_t length : {0u, 3u, 55u, 56u, 64u, 65u, 127u, 1000u, 5000u}) {
        for (size_t piece : {(size_t)1, (size_t)63, (size_t)64, (size_t)300, length + 1}) {
            _tSHA_Context exported, engines[2];
            std::memset(&exported, 0x5A, sizeof exported);
            ZRPCFUNC_SHA_Init(&exported);
            for (size_t at = 0; at < length; at += piece)
                ZRPCFUNC_SHA_Update(&exported, data.data() + at, (unsigned long)std::min(piece, length - at));
            ZRPCFUNC_SHA_Final(&exported);
            const zrpc::Sha1Engine kinds[2] = {zrpc::Sha1Engine::Portable, zrpc::Sha1Engine::Processor};
            for (int k = 0; k < 2; ++k) {
                _tSHA_Context& c = engines[k];
                std::memset(&c, 0x5A, sizeof c);
                zrpc::Sha1Init(&c);
                for (size_t at = 0; at < length; at += piece)
                    zrpc::Sha1UpdateWith(kinds[k], &c, data.data() + at, std::min(piece, length - at));
                zrpc::Sha1FinalWith(kinds[k], &c);
                EXPECT_EQ(std::memcmp(&c, &exported, sizeof c), 0)
                    << (k ? "processor" : "portable") << " engine, " << length << " bytes in pieces of "
                    << piece;
            }
        }
    }
}

TEST(CryptoExports, Sha1Compare) {
    _tSHA_Context a, b;
    std::memset(&a, 0, sizeof a);
    std::memset(&b, 0, sizeof b);
    for (_tSHA_Context* c : {&a, &b}) {
        ZRPCFUNC_SHA_Init(c);
        ZRPCFUNC_SHA_Update(c, reinterpret_cast<const unsigned char*>("abc"), 3);
        ZRPCFUNC_SHA_Final(c);
    }
    EXPECT_EQ(ZRPCFUNC_SHA_Compare(&a, &a), 0);
    EXPECT_EQ(ZRPCFUNC_SHA_Compare(&a, &b), 0);
    reinterpret_cast<unsigned char*>(b.block)[10] = 0xFF; // leftover bytes differ, digests equal
    EXPECT_EQ(ZRPCFUNC_SHA_Compare(&a, &b), -1);
    EXPECT_EQ(ZRPCFUNC_SHA_Compare(&b, &a), 1);
}

TEST(CryptoExports, EncodeBase64GivesAZeroFilledGlobalBlock) {
    for (unsigned long n : {0ul, 1ul, 2ul, 3ul, 377ul}) {
        std::vector<unsigned char> data(n, 0x41);
        char* text = reinterpret_cast<char*>(1);
        unsigned long length = 12345;
        ASSERT_EQ(EncodeBase64(&text, &length, data.data(), n), 0);
        EXPECT_EQ(length, (n + 2) / 3 * 4);
        ExpectGlobalBlock(text, length + 1, length);
        EXPECT_EQ(std::strlen(text), length);
        if (n == 377) {
            EXPECT_EQ(length, 504ul);
            EXPECT_EQ(text[503], '=');
            EXPECT_NE(text[502], '=');
        }
        ZRPC_FreeGlobal(text);
    }
}

TEST(CryptoExports, DecodeBase64Results) {
    const struct {
        const char* text;
        unsigned long textLength; // 0: the text's own length
        int rc;
        unsigned long dataLength;
        std::string bytes;
    } cases[] = {
        {"QUJD", 0, 0, 3, "ABC"},
        {"QUI=", 0, 0, 2, "AB"},
        {"QQ==", 0, 0, 1, "A"},
        {"QQ=", 0, 2, 2, "A"}, // truncated: the estimate (3 x 3 / 4) stays
        {"", 0, 0, 0, ""},
        {"Q U\r\nJ D", 0, 0, 3, "ABC"},
        {"QUJD", 100, 0, 3, "ABC"},       // a larger textLength only sizes the block
        {"QUJDQUJDQUJD", 4, 0, 3, "ABC"}, // a smaller one ends the text
    };
    for (const auto& c : cases) {
        unsigned char* data = nullptr;
        unsigned long length = 0;
        EXPECT_EQ(DecodeBase64(&data, &length, c.text, c.textLength), c.rc) << c.text;
        EXPECT_EQ(length, c.dataLength) << c.text;
        ASSERT_NE(data, nullptr) << c.text;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), c.bytes.size()), c.bytes) << c.text;
        unsigned long text = c.textLength ? c.textLength : (unsigned long)std::strlen(c.text);
        ExpectGlobalBlock(data, text * 3 / 4 + 1, c.bytes.size());
        ZRPC_FreeGlobal(data);
    }
}

// A text that is not terminated is read no further than textLength: here the byte after it is the
// first of a page that cannot be read.
TEST(CryptoExports, DecodeBase64StaysInsideTextLength) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    char* pages =
        static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    const char text[] = "QUJD QUI=";
    const size_t length = sizeof text - 1;
    char* at = pages + page - length;
    std::memcpy(at, text, length); // no terminator: the guard page follows
    unsigned char* data = nullptr;
    unsigned long dataLength = 0;
    EXPECT_EQ(DecodeBase64(&data, &dataLength, at, (unsigned long)length), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataLength), "ABCAB");
    ZRPC_FreeGlobal(data);
    // Cut inside a group: truncated, still without reading past the length.
    EXPECT_EQ(DecodeBase64(&data, &dataLength, pages + page - 2, 2), 2);
    ZRPC_FreeGlobal(data);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(CryptoExports, Base64RoundTripOfBytesAbove0x80) {
    std::vector<unsigned char> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[i] = (unsigned char)(255 - i);
    char* text = nullptr;
    unsigned long textLength = 0;
    ASSERT_EQ(EncodeBase64(&text, &textLength, bytes.data(), 256), 0);
    unsigned char* back = nullptr;
    unsigned long backLength = 0;
    ASSERT_EQ(DecodeBase64(&back, &backLength, text, 0), 0);
    ASSERT_EQ(backLength, 256ul);
    EXPECT_EQ(std::memcmp(back, bytes.data(), 256), 0);
    ZRPC_FreeGlobal(text);
    ZRPC_FreeGlobal(back);

    // Text bytes of 0x80 and above decode like any other character outside the alphabet.
    const char high[] = "\xc3\xa9\xff\x80";
    ASSERT_EQ(DecodeBase64(&back, &backLength, high, 0), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), backLength), std::string("\xff\xff\xff", 3));
    ZRPC_FreeGlobal(back);
}

TEST(OrdinalExports, ResolveByOrdinalOnlyNeverByName) {
    HMODULE dll = GetModuleHandleA("zrpcfunc.dll");
    ASSERT_NE(dll, nullptr);
    const struct {
        unsigned ordinal;
        const char* name;
    } exports[] = {{9, "ReadKTFileTarget"},
                   {10, "ScrambleStream"},
                   {11, "DescrambleStream"},
                   {12, "ScrambleBuffer"},
                   {13, "DescrambleBuffer"}};
    for (const auto& e : exports) {
        EXPECT_NE(GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal)), nullptr) << e.ordinal;
        EXPECT_EQ(GetProcAddress(dll, e.name), nullptr) << e.name << " is exported by name";
    }
    EXPECT_NE(Ordinal(9), Ordinal(10));
}

TEST(OrdinalExports, ScramblerBufferAndStreamForms) {
    auto scramble = OrdinalAs<ZRPC_ScrambleBufferFn>(ZRPC_ORDINAL_SCRAMBLEBUFFER);
    auto descramble = OrdinalAs<ZRPC_ScrambleBufferFn>(ZRPC_ORDINAL_DESCRAMBLEBUFFER);
    auto scrambleStream = OrdinalAs<ZRPC_ScrambleStreamFn>(ZRPC_ORDINAL_SCRAMBLESTREAM);
    auto descrambleStream = OrdinalAs<ZRPC_ScrambleStreamFn>(ZRPC_ORDINAL_DESCRAMBLESTREAM);
    ASSERT_TRUE(scramble && descramble && scrambleStream && descrambleStream);

    unsigned char first[1] = {0x79};
    scramble(0, first, 1);
    EXPECT_EQ(first[0], 0xA0);

    std::vector<unsigned char> message(377);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = (unsigned char)(i * 5 + 1);
    std::vector<unsigned char> whole = message, pieces = message;
    scramble(0x4321, whole.data(), (long)whole.size());
    unsigned char chain = 0;
    scrambleStream(0x4321, pieces.data(), 100, &chain);
    scrambleStream(0, pieces.data() + 100, 0, &chain);
    scrambleStream(0, pieces.data() + 100, 277, &chain);
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(chain, whole.back());

    descrambleStream(0x4321, pieces.data(), 200, &chain);
    descrambleStream(0, pieces.data() + 200, 177, &chain);
    EXPECT_EQ(pieces, message);
    descramble(0x4321, whole.data(), (long)whole.size());
    EXPECT_EQ(whole, message);

    // Length below 1 changes nothing.
    std::vector<unsigned char> same = message;
    scramble(7, same.data(), 0);
    scramble(7, same.data(), -5);
    EXPECT_EQ(same, message);
}

TEST(OrdinalExports, EachThreadHasItsOwnGenerator) {
    auto scramble = OrdinalAs<ZRPC_ScrambleBufferFn>(ZRPC_ORDINAL_SCRAMBLEBUFFER);
    auto scrambleStream = OrdinalAs<ZRPC_ScrambleStreamFn>(ZRPC_ORDINAL_SCRAMBLESTREAM);
    // This thread's generator is seeded; a new thread continues from its own initial state (1):
    // its first drawn value is 41.
    unsigned char b[1] = {0};
    scramble(0, b, 1);
    unsigned char out = 0;
    std::thread([&] {
        unsigned char chain = 0, byte = 0xFF;
        scrambleStream(0, &byte, 1, &chain); // continues: no seeding
        out = byte;
    }).join();
    EXPECT_EQ(out, 41); // r XOR (NOT 0xFF) XOR chain 0
}

TEST(RandomIv, FillsBitsOverEightBytes) {
    const struct {
        unsigned long bits;
        size_t filled;
    } cases[] = {{64, 8}, {12, 1}, {7, 0}, {0, 0}, {128, 16}, {256, 32}};
    for (const auto& c : cases) {
        // Several tries: a random byte may be 0xEE by chance, never all of them.
        bool changed = c.filled == 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            unsigned char buffer[40];
            std::memset(buffer, 0xEE, sizeof buffer);
            ASSERT_EQ(ZRPCFUNC_GenerateSymmetricKeyForIV(0, c.bits, buffer, 0), 0ul) << c.bits;
            for (size_t i = c.filled; i < sizeof buffer; ++i)
                ASSERT_EQ(buffer[i], 0xEE) << c.bits << " byte " << i;
            for (size_t i = 0; i < c.filled; ++i)
                changed |= buffer[i] != 0xEE;
        }
        EXPECT_TRUE(changed) << c.bits;
    }
    // Two draws of 16 bytes differ; keeping the contents as seed still gives random bytes.
    unsigned char a[16], b[16];
    std::memset(b, 0x42, sizeof b);
    ASSERT_EQ(ZRPCFUNC_GenerateSymmetricKeyForIV(0, 128, a, 0), 0ul);
    ASSERT_EQ(ZRPCFUNC_GenerateSymmetricKeyForIV(0, 128, b, 1), 0ul);
    EXPECT_NE(std::memcmp(a, b, 16), 0);
}

TEST(CryptoTool, Sha1AndBase64Commands) {
    std::string dir = zt::MakeTempDir("cryptotool");
    std::string abc = dir + "\\abc.txt", cut = dir + "\\cut.txt";
    ASSERT_TRUE(zt::WriteFile(abc, "abc"));
    ASSERT_TRUE(zt::WriteFile(cut, "QQ="));
    std::string out;
    EXPECT_EQ(zt::RunProgram("zrpc.exe sha1 \"" + abc + "\"", &out), 0);
    EXPECT_EQ(out.substr(0, out.find_first_of("\r\n")), "a9993e364706816aba3e25717850c26c9cd0d89d  " + abc);
    EXPECT_EQ(zt::RunProgram("zrpc.exe base64 encode \"" + abc + "\"", &out), 0);
    EXPECT_EQ(out.substr(0, out.find_first_of("\r\n")), "YWJj");
    EXPECT_EQ(zt::RunProgram("zrpc.exe base64 decode \"" + cut + "\"", &out), 2);
    EXPECT_EQ(zt::RunProgram("zrpc.exe sha1 \"" + dir + "\\missing\"", &out), 1);
    zt::RemoveTree(dir);
}

} // namespace
