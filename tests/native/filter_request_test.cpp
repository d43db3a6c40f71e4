// Scrambling of the filter's command requests, against vectors worked out by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "folders/filter_request.h"

namespace {

using zrpc::folders::FilterRequest;
using zrpc::folders::ScrambleFilterRequest;

FilterRequest FolderRemovedCommand() {
    FilterRequest request;
    for (int i = 0; i < 20; ++i)
        request.Unused[i] = (uint8_t)(0xC0 + i);
    request.Signature = 0xC001D00Du;
    request.Function = 5;
    request.Argument = 0x12345678u;
    return request;
}

TEST(FilterRequestScrambling, MatchesWorkedVectors) {
    struct Case {
        uint8_t keyBase; // key byte i is keyBase + i
        uint8_t processLowByte;
        uint8_t want[12];
    } cases[] = {
        // 0D D0 01 C0 | 05 00 00 00 | 78 56 34 12, each byte XOR key[i] XOR process byte.
        {0x00, 0x34, {0x39, 0xE5, 0x37, 0xF7, 0x35, 0x31, 0x32, 0x33, 0x44, 0x6B, 0x0A, 0x2D}},
        {0xA0, 0x00, {0xAD, 0x71, 0xA3, 0x63, 0xA1, 0xA5, 0xA6, 0xA7, 0xD0, 0xFF, 0x9E, 0xB9}},
        {0x00, 0x00, {0x0D, 0xD1, 0x03, 0xC3, 0x01, 0x05, 0x06, 0x07, 0x70, 0x5F, 0x3E, 0x19}},
    };
    for (const Case& c : cases) {
        uint8_t key[16];
        for (int i = 0; i < 16; ++i)
            key[i] = (uint8_t)(c.keyBase + i);
        const FilterRequest original = FolderRemovedCommand();
        FilterRequest request = original;
        ScrambleFilterRequest(&request, key, c.processLowByte);
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&request);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(c.want[i], bytes[i]) << "key base " << int(c.keyBase) << ", byte " << i;
        EXPECT_EQ(0, std::memcmp(original.Unused, request.Unused, sizeof request.Unused))
            << "bytes 12 to 31 are never scrambled";
        ScrambleFilterRequest(&request, key, c.processLowByte);
        EXPECT_EQ(0, std::memcmp(&original, &request, sizeof request)) << "scrambling twice restores the request";
    }
}

TEST(FilterRequestScrambling, KeyBytesTwelveToFifteenTakeNoPart) {
    uint8_t key[16] = {};
    FilterRequest a = FolderRemovedCommand(), b = FolderRemovedCommand();
    ScrambleFilterRequest(&a, key, 0x5A);
    for (int i = 12; i < 16; ++i)
        key[i] = 0xFF;
    ScrambleFilterRequest(&b, key, 0x5A);
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

} // namespace
