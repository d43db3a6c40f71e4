// Algorithm names and the display names of 16-byte name fields.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <thread>
#include <string>

#include "zrpcfunc.h"

namespace {

TEST(AlgorithmNames, Table) {
    const struct {
        unsigned long id;
        const char* name;
    } cases[] = {{1, "RC4"},    {2, "CAST"},    {3, "BlowFish"},    {4, "DES"}, {5, "3DES"},
                 {6, "SEAL"},   {7, "RC5"},     {8, "RC6"},         {9, "AES"}, {0x81, "SHA-1"},
                 {0x82, "MD5"}, {0x101, "RC4"}, {0xFFFF0109, "AES"}};
    for (const auto& c : cases)
        EXPECT_STREQ(ZRPCFUNC_GetAlgorithmForID(c.id), c.name) << c.id;
}

TEST(AlgorithmNames, OthersGiveLanguageString100AndStayValid) {
    char expected[400] = "";
    ASSERT_EQ(ZRPCFUNC_GetLangStringsz(expected, sizeof expected, 100), 1);
    ASSERT_NE(expected[0], 0);
    for (unsigned long id : {0ul, 10ul, 0x80ul, 0x83ul, 0xFFul, 0x100ul}) {
        const char* name = ZRPCFUNC_GetAlgorithmForID(id);
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(name, expected) << id;
    }
    const char* kept = ZRPCFUNC_GetAlgorithmForID(0);
    ZRPCFUNC_GetAlgorithmForID(1);
    EXPECT_STREQ(kept, expected); // still readable after further calls
    // One constant text for the library's lifetime, whichever thread asks.
    const char* other = nullptr;
    std::thread([&] { other = ZRPCFUNC_GetAlgorithmForID(0x83); }).join();
    EXPECT_EQ(other, kept);
    EXPECT_STREQ(kept, expected);
}

// Fills the 16-byte field at offset in a record of size bytes; the bytes around it are 'X'.
template <class Record> Record WithName(size_t offset, const char* field16) {
    Record r;
    std::memset(&r, 'X', sizeof r);
    std::memcpy(reinterpret_cast<char*>(&r) + offset, field16, 16);
    return r;
}

const struct NameCase {
    const char* field; // 16 bytes
    std::string name;
} kNameCases[] = {
    {"SixteenCharsLong", "SixteenCharsLong"}, // full field, no terminator: the byte after is 'X'
    {"\0abcdefghijklmno", ""},
    {"Bob\0\0\0\0\0\0\0\0\0\0\0\0\0", "Bob"},
    {"Alice\0trailing!!", "Alice"},
};

// Each record's name as a CString, and through the C twins in the caller's buffer: the same text.
TEST(DisplayNames, FiveRecordsCopyTheirNameFieldOnly) {
    for (const auto& c : kNameCases) {
        auto find = WithName<_tZRPKeyFindInfo>(4, c.field);
        auto info = WithName<_tToken_Info>(6, c.field);
        auto infoEx = WithName<_tToken_InfoEx>(6, c.field);
        auto key = WithName<_tToken_Key>(19, c.field);
        auto packet = WithName<_tNewTransferPacket>(176, c.field);
        EXPECT_EQ(std::string(ZRPCFUNC_GetNiceTokenNameFromFindInfo(&find).GetString()), c.name);
        EXPECT_EQ(std::string(ZRPCFUNC_GetNiceTokenNameFromTokenInfo(&info).GetString()), c.name);
        EXPECT_EQ(std::string(ZRPCFUNC_GetNiceTokenNameFromTokenInfoEx(&infoEx).GetString()), c.name);
        EXPECT_EQ(std::string(ZRPCFUNC_GetNiceKeyNameFromKeyData(&key).GetString()), c.name);
        EXPECT_EQ(std::string(ZRPCFUNC_GetNiceTokenNameFromPubKeyPacket(&packet).GetString()), c.name);

        char buffers[5][ZRPC_NAME_BUFFER];
        std::memset(buffers, '#', sizeof buffers);
        const int n[5] = {
            ZRPCFUNC_GetNiceTokenNameFromFindInfosz(&find, buffers[0], ZRPC_NAME_BUFFER),
            ZRPCFUNC_GetNiceTokenNameFromTokenInfosz(&info, buffers[1], ZRPC_NAME_BUFFER),
            ZRPCFUNC_GetNiceTokenNameFromTokenInfoExsz(&infoEx, buffers[2], ZRPC_NAME_BUFFER),
            ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(&key, buffers[3], ZRPC_NAME_BUFFER),
            ZRPCFUNC_GetNiceTokenNameFromPubKeyPacketsz(&packet, buffers[4], ZRPC_NAME_BUFFER),
        };
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(std::string(buffers[i]), c.name) << "twin " << i;
            EXPECT_EQ(n[i], (int)c.name.size()) << "twin " << i;
        }
    }
}

TEST(DisplayNames, BufferTwinsWriteInsideTheirSizeOnly) {
    auto key = WithName<_tToken_Key>(19, "SixteenCharsLong");
    const struct {
        int size;
        int written;
        const char* text; // nullptr: the buffer untouched
    } cases[] = {{0, 0, nullptr},
                 {-1, 0, nullptr},
                 {1, 0, ""},
                 {5, 4, "Sixt"},
                 {16, 15, "SixteenCharsLon"},
                 {17, 16, "SixteenCharsLong"},
                 {24, 16, "SixteenCharsLong"}};
    for (const auto& c : cases) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(&key, buffer, c.size), c.written) << c.size;
        const size_t used = c.text ? std::strlen(c.text) + 1 : 0;
        if (c.text) {
            EXPECT_STREQ(buffer, c.text) << c.size;
        }
        for (size_t i = used; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << c.size << ", byte " << i;
    }
    // No record: an empty name; no buffer: nothing written.
    char buffer[ZRPC_NAME_BUFFER] = "left";
    EXPECT_EQ(ZRPCFUNC_GetNiceTokenNameFromFindInfosz(nullptr, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ZRPCFUNC_GetNiceTokenNameFromPubKeyPacketsz(nullptr, buffer, sizeof buffer), 0);
    EXPECT_EQ(ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(&key, nullptr, 17), 0);
}

} // namespace
