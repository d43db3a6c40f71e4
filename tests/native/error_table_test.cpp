// The code-to-string table: the documented anchor points, no two codes sharing a string, and the text
// of an unknown code. That every mapped string exists in the language module is checked on Windows.
#include <gtest/gtest.h>

#include <set>

#include "frame/error_table.h"

namespace {

TEST(ErrorTable, AnchorPoints) {
    const struct {
        uint32_t code, string;
    } cases[] = {
        {0, 0},
        {16, 16},
        {19, 59171},
        {21, 17},
        {61, 57},
        {62, 59158},
        {64, 59160},
        {75, 59157},
        {77, 59162},
        {65, 59172},
        {17, zrpc::kUnknownErrorCode},
        {18, zrpc::kUnknownErrorCode},
        {20, zrpc::kUnknownErrorCode},
        {66, zrpc::kUnknownErrorCode},
        {74, zrpc::kUnknownErrorCode},
        {78, zrpc::kUnknownErrorCode},
        {2027, zrpc::kUnknownErrorCode},
        {0xFFFFFFFFu, zrpc::kUnknownErrorCode},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zrpc::ErrorStringId(c.code), c.string) << "code " << c.code;
}

TEST(ErrorTable, NoTwoCodesShareAString) {
    std::set<uint32_t> seen;
    for (uint32_t code = 0; code < 200; ++code) {
        uint32_t id = zrpc::ErrorStringId(code);
        if (id == zrpc::kUnknownErrorCode) continue;
        EXPECT_TRUE(seen.insert(id).second) << "code " << code << " reuses string " << id;
    }
    EXPECT_EQ(seen.size(), 66u) << "codes 0-16, 19, 21-65 and 75-77 are known";
}

TEST(ErrorTable, UnknownTextCarriesEightUpperCaseDigits) {
    EXPECT_EQ(zrpc::UnknownErrorText(20), "Unknown Corvane+ Error : 00000014");
    EXPECT_EQ(zrpc::UnknownErrorText(0xABCDEF01u), "Unknown Corvane+ Error : ABCDEF01");
    EXPECT_EQ(zrpc::UnknownErrorText(20).size(), 33u);
}

} // namespace
