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

TEST(DisplayNames, FiveRecordsCopyTheirNameFieldOnly) {
    const struct {
        const char* field; // 16 bytes
        std::string name;
    } cases[] = {
        {"SixteenCharsLong", "SixteenCharsLong"}, // full field, no terminator: the byte after is 'X'
        {"\0abcdefghijklmno", ""},
        {"Bob\0\0\0\0\0\0\0\0\0\0\0\0\0", "Bob"},
        {"Alice\0trailing!!", "Alice"},
    };
    for (const auto& c : cases) {
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
    }
}

} // namespace
