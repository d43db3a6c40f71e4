// Base64 cores: encoding lengths and padding, the decoder's exact steps (truncated groups, padding
// places, white space, characters outside the alphabet) and its output bound.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypto/base64.h"

namespace {

std::string Encode(const std::string& bytes) {
    std::string text(zrpc::Base64EncodedLength(bytes.size()) + 1, '?');
    zrpc::Base64Encode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &text[0]);
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    return text;
}

struct Decoded {
    int rc;
    std::string bytes;
};

Decoded Decode(const std::string& text) {
    std::vector<uint8_t> out(zrpc::Base64DecodeEstimate(text.size()) + 1, 0xEE);
    size_t n = 99999;
    int rc = zrpc::Base64Decode(text.c_str(), text.size(), out.data(), out.size() - 1, &n);
    EXPECT_EQ(out.back(), 0xEE) << "wrote past the estimate for '" << text << "'";
    return {rc, std::string(out.begin(), out.begin() + (long)n)};
}

TEST(Base64, EncodeTable) {
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"ABC", "QUJD"},
        {std::string("\x00\xff\xfe", 3), "AP/+"},
        {std::string("\xfb\xff\xbf", 3), "+/+/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encode(c.bytes), c.text) << c.text;
}

TEST(Base64, PacketSizedInputGives504CharactersOnOneLine) {
    std::string bytes(377, '\x5a');
    std::string text = Encode(bytes);
    EXPECT_EQ(text.size(), 504u);
    EXPECT_EQ(text.back(), '=');
    EXPECT_NE(text[502], '=');
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64, DecodeTable) {
    const struct {
        const char* text;
        int rc;
        std::string bytes;
    } cases[] = {
        {"", 0, ""},
        {"   \r\n\t", 0, ""},
        {"QUJD", 0, "ABC"},
        {"QUI=", 0, "AB"},
        {"QQ==", 0, "A"},
        {"QQ=", 2, "A"},      // the text ends inside the group after the padding
        {"QQ", 2, ""},        // c2 followed by the end
        {"Q", 2, ""},         // c1 followed by the end
        {"QUI", 2, "A"},      // c3 followed by the end
        {"QUJDQQ", 2, "ABC"}, // a second group cut short
        {"Q U\nJ\r\nD", 0, "ABC"},
        {" \tQ\vU\fJ D\r\n", 0, "ABC"},
        {"QQ==QUJD", 0, "A"}, // everything after the padding is ignored
        {"QUI=QUJD", 0, "AB"},
        {"Q\nQ\n=\n=", 0, "A"},                      // white space inside the padding
        {"Q\n=\n=", 2, "@"},                         // "=" second counts as 0; the third place ends the text
        {"==QU", 0, std::string("\x00\x04\x14", 3)}, // "=" in the first two places counts as 0
        {"A=AA", 0, std::string("\x00\x00\x00", 3)},
        {"QUJDQUJD", 0, "ABCABC"},
        {"QUJDQUI=", 0, "ABCAB"},
    };
    for (const auto& c : cases) {
        Decoded d = Decode(c.text);
        EXPECT_EQ(d.rc, c.rc) << "'" << c.text << "'";
        EXPECT_EQ(d.bytes, c.bytes) << "'" << c.text << "'";
    }
}

TEST(Base64, CharactersOutsideTheAlphabetCountAs0xFF) {
    // '!' has the value 0xFF: the bytes it touches come out as ones where its bits land.
    EXPECT_EQ(Decode("!!!!").bytes, std::string("\xff\xff\xff", 3));
    // c1 = 'Q' (16), c2 = '!' (0xFF): (16 << 2) | (0xFF taken as signed >> 4) = 0xFF.
    EXPECT_EQ(Decode("Q!==").bytes, std::string("\xff", 1));
    // Bytes of 0x80 and above behave exactly like '!' and never reach past the table.
    for (int ch = 0x80; ch <= 0xFF; ++ch) {
        std::string text = "QUJD";
        text[1] = (char)ch;
        Decoded high = Decode(text);
        text[1] = '!';
        Decoded bang = Decode(text);
        EXPECT_EQ(high.rc, 0);
        EXPECT_EQ(high.bytes, bang.bytes) << "byte " << ch;
    }
}

TEST(Base64, StopsAtTheFirstNul) {
    std::string text("QUJD\0QUJD", 9);
    std::vector<uint8_t> out(6);
    size_t n = 0;
    EXPECT_EQ(zrpc::Base64Decode(text.data(), text.size(), out.data(), out.size(), &n), 0);
    EXPECT_EQ(n, 3u);
}

TEST(Base64, NeverWritesPastTheCapacity) {
    const std::string text = "QUJDQUJDQUJD";
    for (size_t cap = 0; cap <= 9; ++cap) {
        std::vector<uint8_t> out(cap + 1, 0xEE);
        size_t n = 0;
        int rc = zrpc::Base64Decode(text.c_str(), text.size(), out.data(), cap, &n);
        EXPECT_EQ(out[cap], 0xEE) << cap;
        EXPECT_EQ(n, cap < 9 ? cap : 9u);
        EXPECT_EQ(rc, cap < 9 ? zrpc::kBase64Full : zrpc::kBase64Ok) << cap;
    }
}

TEST(Base64, RoundTripsEveryLengthAndSurvivesLineBreaks) {
    std::mt19937 rng(7);
    for (size_t len = 0; len < 200; ++len) {
        std::string bytes(len, '\0');
        for (char& c : bytes)
            c = (char)rng();
        std::string text = Encode(bytes);
        Decoded plain = Decode(text);
        EXPECT_EQ(plain.rc, 0);
        EXPECT_EQ(plain.bytes, bytes) << len;

        std::string broken;
        for (size_t i = 0; i < text.size(); ++i) {
            broken += text[i];
            if (rng() % 3 == 0) broken += (rng() % 2) ? "\r\n" : " ";
        }
        EXPECT_EQ(Decode(broken).bytes, bytes) << len;
    }
}

TEST(Base64, EstimateIsThreeQuartersOfTheText) {
    for (size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 504u, 505u, 1000001u})
        EXPECT_EQ(zrpc::Base64DecodeEstimate(n), n * 3 / 4) << n;
}

} // namespace

TEST(Base64, DecodeSizingBoundsTheTextAndAnswersTruncation) {
    struct {
        const char* text;
        size_t given; // the caller's length; 0 = up to the terminator
        size_t chars, capacity;
    } cases[] = {{"QUJD", 0, 4, 3},   {"QUJDRA==", 0, 8, 6}, {"QUJDRA==", 4, 4, 3},
                 {"QU\0JD", 6, 2, 4}, {"", 0, 0, 0},         {"QUJD", 2, 2, 1}};
    for (const auto& c : cases) {
        zrpc::Base64DecodeSizes s = zrpc::Base64DecodeSizing(c.text, c.given);
        EXPECT_EQ(s.chars, c.chars) << c.text << " " << c.given;
        EXPECT_EQ(s.capacity, c.capacity) << c.text << " " << c.given;
    }
    // A buffer without a terminator is not read past the length given.
    const char unterminated[4] = {'Q', 'U', 'J', 'D'};
    EXPECT_EQ(zrpc::Base64DecodeSizing(unterminated, sizeof unterminated).chars, 4u);
    EXPECT_EQ(zrpc::Base64DecodeSizing(nullptr, 8).capacity, 0u);

    EXPECT_EQ(zrpc::Base64DecodeAnswer(zrpc::kBase64Ok), 0);
    EXPECT_EQ(zrpc::Base64DecodeAnswer(zrpc::kBase64Truncated), 2);
}
