// The filter's control channel: the flags query and the passive bit, with the
// filter stand-in checking every request the library sends; and the real (absent) device under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "standins/filter/filterstandin.h"
#include "zrpcfunc.h"
#include "zrpctest.h"

namespace {


class FilterChannel : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(filter.Install()); }
    void TearDown() override {
        filter.Uninstall();
        EXPECT_TRUE(filter.Faults().empty()) << ::testing::PrintToString(filter.Faults());
    }
    FilterStandIn filter;
};

TEST_F(FilterChannel, FlagsQueryIsRegisteredAndBracketed) {
    filter.SetFlags(0x11, 0x83);
    unsigned long record[2] = {0xAAAAAAAA, 0xBBBBBBBB};
    EXPECT_EQ(0u, ZRPCFUNC_GetVKTFSFlags(record));
    EXPECT_EQ(0x11u, record[0]);
    EXPECT_EQ(0x83u, record[1]);
    EXPECT_EQ("open register begin flags end close", filter.Trace());

    // Each operation opens and registers afresh; the stand-in hands out a new key every time, so a
    // library that kept an old key would fail the second time.
    EXPECT_EQ(0u, ZRPCFUNC_GetVKTFSFlags(record));
    EXPECT_EQ(2, filter.OpenCount());
    EXPECT_EQ("open register begin flags end close open register begin flags end close", filter.Trace());
}

TEST_F(FilterChannel, PassiveIsBit80OfWordOne) {
    struct Case {
        uint32_t word0, word1;
        unsigned long passive;
    } cases[] = {{0, 0x80, 128}, {0x80, 0x7F, 0}, {0, 0xFFFFFFFF, 128}, {0xFFFFFFFF, 0, 0}};
    for (const Case& c : cases) {
        filter.SetFlags(c.word0, c.word1);
        unsigned long passive = 99;
        EXPECT_EQ(0u, ZRPCFUNC_IsFilterPassive(&passive));
        EXPECT_EQ(c.passive, passive) << std::hex << c.word1;
    }
}

TEST_F(FilterChannel, MissingFilterIsNotAnErrorForThePassiveQuery) {
    filter.SetPresent(false);
    unsigned long record[2] = {5, 6};
    EXPECT_EQ(13u, ZRPCFUNC_GetVKTFSFlags(record));
    EXPECT_EQ(5u, record[0]);
    unsigned long passive = 99;
    EXPECT_EQ(0u, ZRPCFUNC_IsFilterPassive(&passive));
    EXPECT_EQ(0u, passive);
    EXPECT_EQ("", filter.Trace());
}

TEST_F(FilterChannel, FailedQueryGives13ButTheOperationStillEnds) {
    filter.FailFunction(18);
    unsigned long record[2] = {};
    EXPECT_EQ(13u, ZRPCFUNC_GetVKTFSFlags(record));
    EXPECT_EQ("open register begin flags end close", filter.Trace());
    unsigned long passive = 99;
    EXPECT_EQ(0u, ZRPCFUNC_IsFilterPassive(&passive));
    EXPECT_EQ(0u, passive);
}

TEST_F(FilterChannel, FailedBracketsAreIgnored) {
    filter.SetFlags(0, 0x80);
    for (uint32_t function : {3u, 4u}) {
        filter.FailFunction(function);
        unsigned long record[2] = {};
        EXPECT_EQ(0u, ZRPCFUNC_GetVKTFSFlags(record)) << function;
        EXPECT_EQ(0x80u, record[1]);
    }
}

TEST_F(FilterChannel, NullArgumentsAreRefusedWithoutOpening) {
    EXPECT_EQ(3u, ZRPCFUNC_GetVKTFSFlags(nullptr));
    EXPECT_EQ(3u, ZRPCFUNC_IsFilterPassive(nullptr));
    EXPECT_EQ(0, filter.OpenCount());
}

TEST(FilterChannelSeam, IncompleteTableIsRefused) {
    ZrpcFilterChannel table = FilterStandIn::Channel();
    table.control = nullptr;
    EXPECT_FALSE(ZRPCTEST_SetFilterChannel(&table));
    // The platform channel stays: Wine has no filter device.
    unsigned long record[2] = {};
    EXPECT_EQ(13u, ZRPCFUNC_GetVKTFSFlags(record));
}

TEST(FilterChannelSeam, RealDeviceIsAbsentUnderWine) {
    ASSERT_TRUE(ZRPCTEST_SetFilterChannel(nullptr));
    unsigned long record[2] = {7, 7};
    EXPECT_EQ(13u, ZRPCFUNC_GetVKTFSFlags(record));
    unsigned long passive = 99;
    EXPECT_EQ(0u, ZRPCFUNC_IsFilterPassive(&passive));
    EXPECT_EQ(0u, passive);
}

} // namespace
