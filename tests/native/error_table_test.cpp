// The code-to-string table for every code from 0 to 80 and beyond.
#include <gtest/gtest.h>

#include "frame/error_table.h"

namespace {

TEST(ErrorTable, EveryCodeFromZeroToEighty) {
    const struct {
        uint32_t first, last;
        int64_t offset; // string = code + offset; INT64_MIN for unknown
    } rows[] = {{0, 16, 0},   {17, 18, INT64_MIN}, {20, 20, INT64_MIN},
                {21, 61, -4}, {65, 74, INT64_MIN}, {78, 80, INT64_MIN}};
    for (const auto& row : rows) {
        for (uint32_t code = row.first; code <= row.last; ++code) {
            uint32_t want = row.offset == INT64_MIN ? zrpc::kUnknownErrorCode : (uint32_t)(code + row.offset);
            EXPECT_EQ(zrpc::ErrorStringId(code), want) << "code " << code;
        }
    }
    const std::pair<uint32_t, uint32_t> singles[] = {{19, 59171}, {62, 59158}, {63, 59159}, {64, 59160},
                                                     {75, 59157}, {76, 59161}, {77, 59162}};
    for (auto [code, id] : singles)
        EXPECT_EQ(zrpc::ErrorStringId(code), id) << "code " << code;
}

TEST(ErrorTable, LargeCodesAreUnknown) {
    for (uint32_t code : {78u, 100u, 2027u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu})
        EXPECT_EQ(zrpc::ErrorStringId(code), zrpc::kUnknownErrorCode) << code;
}

TEST(ErrorTable, UnknownTextCarriesEightUpperCaseDigits) {
    EXPECT_EQ(zrpc::UnknownErrorText(20), "Unknown Corvane+ Error : 00000014");
    EXPECT_EQ(zrpc::UnknownErrorText(0xABCDEF01u), "Unknown Corvane+ Error : ABCDEF01");
    EXPECT_EQ(zrpc::UnknownErrorText(20).size(), 33u);
}

} // namespace
