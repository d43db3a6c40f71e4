// The shared pieces: wiping, bounded copies, name compare, hexadecimal parsing, placeholders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/text.h"
#include "base/wipe.h"

TEST(Wipe, ClearsTheWholeLengthPastEmbeddedNuls) {
    char block[12] = {'p', 'w', 0, 's', 'e', 'c', 'r', 'e', 't', 0, 'x', 'y'};
    zrpc::Wipe(block, sizeof block);
    for (char c : block)
        EXPECT_EQ(c, 0);
    zrpc::Wipe(nullptr, 5); // nothing to do, no fault
    std::string text("key\0text", 8);
    zrpc::WipeString(text);
    EXPECT_TRUE(text.empty());
}

TEST(Text, CopyToBufferCutsAndTerminates) {
    char buffer[4];
    std::memset(buffer, 'z', sizeof buffer);
    zrpc::CopyToBuffer(buffer, sizeof buffer, "abcdef");
    EXPECT_STREQ(buffer, "abc");
    zrpc::CopyToBuffer(buffer, sizeof buffer, "");
    EXPECT_STREQ(buffer, "");
    zrpc::CopyToBuffer(buffer, 0, "abc"); // no room at all: untouched
    EXPECT_STREQ(buffer, "");
}

TEST(Text, EqualNoCaseFoldsAsciiLettersOnly) {
    struct {
        const char *a, *b;
        bool equal;
    } cases[] = {{"00a0b0c0", "00A0B0C0", true},
                 {"00A0B0C", "00A0B0C0", false},
                 {"ZRPCFOLD.SYS", "zrpcfold.sys", true},
                 {"\xC4", "\xE4", false}, // no folding beyond ASCII
                 {"", "", true},
                 {"a", "", false}};
    for (const auto& c : cases)
        EXPECT_EQ(zrpc::EqualNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_FALSE(zrpc::EqualNoCase(nullptr, ""));
    EXPECT_FALSE(zrpc::EqualNoCase("", nullptr));
}

TEST(Text, ParseHexPrefixStopsAtTheFirstOtherCharacter) {
    struct {
        const char* text;
        size_t digits;
        uint32_t value;
    } cases[] = {{"1a2B3c4D", 8, 0x1A2B3C4D},
                 {"0000A001002B", 8, 0xA001},
                 {"002B", 4, 0x2B},
                 {"12G4", 8, 0x12},
                 {"", 8, 0},
                 {"FFFFFFFFF", 8, 0xFFFFFFFF}};
    for (const auto& c : cases)
        EXPECT_EQ(zrpc::ParseHexPrefix(c.text, c.digits), c.value) << c.text;
    EXPECT_EQ(zrpc::ParseHexPrefix(nullptr, 8), 0u);
    EXPECT_EQ(zrpc::HexDigitValue('g'), -1);
}

// The scan runs in blocks of 64 and 8 bytes and then byte by byte: a NUL at any position of any block,
// at any alignment, is found, and bytes that merely look small or high (1, 0x80, 0xFF) are not NULs.
TEST(Text, ContainsNulFindsANulAtEveryPositionAndAlignment) {
    std::string filler(200, '\0');
    const char kinds[] = {'\x01', '\x80', '\xFF', 'a'};
    for (size_t i = 0; i < filler.size(); ++i)
        filler[i] = kinds[i % 4];
    for (size_t offset = 0; offset < 8; ++offset) {
        for (size_t size : {0u, 1u, 7u, 8u, 63u, 64u, 65u, 130u, 191u}) {
            std::string text = filler.substr(0, offset + size);
            const char* data = text.data() + offset;
            EXPECT_FALSE(zrpc::ContainsNul(data, size)) << offset << " " << size;
            for (size_t at = 0; at < size; ++at) {
                text[offset + at] = '\0';
                EXPECT_TRUE(zrpc::ContainsNul(data, size)) << offset << " " << size << " " << at;
                text[offset + at] = filler[offset + at];
            }
        }
    }
    // Only the given length is looked at: the terminator behind it does not count.
    EXPECT_FALSE(zrpc::ContainsNul("abc", 3));
    EXPECT_FALSE(zrpc::ContainsNul(nullptr, 0));
}

TEST(Text, FillPlaceholderReplacesTheFirstArgumentOnly) {
    struct {
        const char *format, *arg, *out;
    } cases[] = {{"Overwrite %s?", "C:\\a.dlu", "Overwrite C:\\a.dlu?"},
                 {"%s and %s", "x", "x and %s"},
                 {"Slot %d of 64", "7", "Slot 7 of 64"},
                 {"100%% of %u", "3", "100% of 3"},
                 {"no argument", "x", "no argument"},
                 {"trailing %", "x", "trailing %"},
                 {"%x stays", "y", "%x stays"},
                 {"%s", "%s", "%s"}}; // the argument is not read as a format
    for (const auto& c : cases)
        EXPECT_EQ(zrpc::FillPlaceholder(c.format, c.arg), c.out) << c.format;
}

TEST(Text, Utf8CutPointNeverEndsInsideACharacter) {
    // "a" 1 byte, "é" 2, "€" 3, "😀" 4.
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
    struct {
        std::size_t max, cut;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3},   {4, 3},   {5, 3},  {6, 6},
                 {7, 6}, {8, 6}, {9, 6}, {10, 10}, {11, 11}, {40, 11}};
    for (const auto& c : cases)
        EXPECT_EQ(c.cut, zrpc::Utf8CutPoint(text.data(), text.size(), c.max)) << "max " << c.max;
    // Bytes that are no UTF-8 are characters of their own: a stray continuation or a bad lead is cut
    // anywhere, as are bytes of the old single-byte pages.
    const std::string stray = "ab\x80\x80\x80\x80";
    EXPECT_EQ(4u, zrpc::Utf8CutPoint(stray.data(), stray.size(), 4));
    const std::string latin = "caf\xE9s";
    EXPECT_EQ(4u, zrpc::Utf8CutPoint(latin.data(), latin.size(), 4));
    EXPECT_EQ(0u, zrpc::Utf8CutPoint(nullptr, 5, 3));
}
