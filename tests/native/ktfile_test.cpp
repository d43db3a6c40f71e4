// The remote update text: exact layout, round trips, the reader's result codes on malformed input and
// the header (target and name) reader.
#include <gtest/gtest.h>

#include "tests/common/ktfile_fixture.h"

#include <cstring>
#include <string>
#include <vector>

#include "updatefile/ktformat.h"
#include "updatefile/scrambler.h"

namespace kt = zrpc::kt;

namespace {

using ktfixture::kExpected14;
using ktfixture::Packet;

std::string Build(uint32_t type, const char* name, uint32_t target) {
    _tNewTransferPacket p = Packet(type);
    std::string text;
    EXPECT_EQ(kt::PacketToText(p, name, target, text), kt::kOk);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t eol = text.find("\r\n", at);
        if (eol == std::string::npos) {
            lines.push_back(text.substr(at) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(at, eol - at));
        at = eol + 2;
    }
    return lines;
}

TEST(KtFormat, Type14WithTargetAndNameMatchesTheFixedFile) {
    EXPECT_EQ(Build(14, "Receiver", 0x00C0FFEE), kExpected14);
}

TEST(KtFormat, HeaderLinesAndTheirConditions) {
    const struct {
        uint32_t type;
        const char* name;
        uint32_t target;
        std::vector<std::string> header; // lines 3 up to the empty line before the begin marker
    } cases[] = {
        {14, "Receiver", 0x00C0FFEE, {"VERSION=1.6", "TYPE=0000000E", "TARGET=00C0FFEE", "NAME=Receiver"}},
        {14, nullptr, 0, {"VERSION=1.6", "TYPE=0000000E"}},
        {14, "", 0, {"VERSION=1.6", "TYPE=0000000E", "NAME="}},
        {14, nullptr, 1, {"VERSION=1.6", "TYPE=0000000E", "TARGET=00000001"}},
        {12, "Receiver", 0x00C0FFEE, {"VERSION=1.6", "TYPE=0000000C"}},
        {14, "name with = and spaces", 0, {"VERSION=1.6", "TYPE=0000000E", "NAME=name with = and spaces"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = Lines(Build(c.type, c.name, c.target));
        ASSERT_EQ(lines.size(), 4 + c.header.size() + 6 + 1) << c.type;
        EXPECT_EQ(lines[0], kt::kFirstLine);
        EXPECT_EQ(lines[0].size(), 45u);
        EXPECT_EQ(lines[1], "");
        for (size_t i = 0; i < c.header.size(); ++i)
            EXPECT_EQ(lines[2 + i], c.header[i]);
        size_t at = 2 + c.header.size();
        EXPECT_EQ(lines[at], "");
        EXPECT_EQ(lines[at + 1], kt::kBeginMarker);
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(lines[at + 2 + i].size(), 90u);
        EXPECT_EQ(lines[at + 7].size(), 54u);
        EXPECT_EQ(lines[at + 8], kt::kEndMarker);
    }
}

TEST(KtFormat, WritersTakeOnlyTypes12And14) {
    for (uint32_t type : {0u, 13u, 16u, 15u, 0xFFFFFFFFu}) {
        _tNewTransferPacket p = Packet(type), before = p;
        std::string text;
        EXPECT_EQ(kt::BuildText(p, "x", 1, text), kt::kBadArgument) << type;
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0) << "packet touched";
    }
}

TEST(KtFormat, BuildScramblesInPlaceAndTwiceWritesTwiceScrambled) {
    _tNewTransferPacket p = Packet(12);
    const _tNewTransferPacket original = p;
    std::string first, second;
    ASSERT_EQ(kt::BuildText(p, nullptr, 0, first), kt::kOk);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&p)[0], 0xA0); // 0x79 scrambled with seed 0
    _tNewTransferPacket back;
    ASSERT_EQ(kt::TextToPacket(first.data(), first.size(), back), kt::kOk);
    EXPECT_EQ(std::memcmp(&back, &original, sizeof back), 0);

    // p is now scrambled (and its type field no longer 12): restore the type to let the writer take it.
    p.type = 12;
    _tNewTransferPacket once = p;
    ASSERT_EQ(kt::BuildText(p, nullptr, 0, second), kt::kOk);
    ASSERT_EQ(kt::TextToPacket(second.data(), second.size(), back), kt::kOk);
    EXPECT_EQ(std::memcmp(&back, &once, sizeof back), 0);
}

TEST(KtFormat, RoundTripsAndToleratesOtherLineBreaks) {
    const _tNewTransferPacket original = Packet(14);
    std::string text = Build(14, "Receiver", 0x00C0FFEE);

    // Data lines joined into one line.
    std::string joined = text;
    size_t begin = joined.find(kt::kBeginMarker) + std::strlen(kt::kBeginMarker) + 2;
    size_t end = joined.find(kt::kEndMarker);
    std::string block = joined.substr(begin, end - begin), flat;
    for (char c : block)
        if (c != '\r' && c != '\n') flat += c;
    joined.replace(begin, end - begin, flat + "\n");

    // Broken at other places with LF only and blanks; header lines reordered; text before and after.
    std::string odd = "Some mail text\nwith the file pasted in:\n" + text.substr(0, begin);
    for (size_t i = 0; i < flat.size(); ++i) {
        odd += flat[i];
        if (i % 37 == 36) odd += " \n\t";
    }
    odd += "\n" + std::string(kt::kEndMarker) + "\nregards\n";

    for (const std::string& t : {text, joined, odd}) {
        _tNewTransferPacket back;
        ASSERT_EQ(kt::TextToPacket(t.data(), t.size(), back), kt::kOk) << t;
        EXPECT_EQ(std::memcmp(&back, &original, sizeof back), 0);
    }
}

TEST(KtFormat, ReaderResultCodesOnMalformedShapes) {
    const std::string good = Build(12, nullptr, 0);
    const std::string first = kt::kFirstLine, begin = kt::kBeginMarker, end = kt::kEndMarker;
    auto without = [&](const std::string& what) {
        std::string t = good;
        t.erase(t.find(what), what.size());
        return t;
    };
    size_t dataAt = good.find(begin) + begin.size() + 2;
    std::string data;
    for (char c : good.substr(dataAt, good.find(end) - dataAt))
        if (c != '\r' && c != '\n') data += c;
    auto withData = [&](const std::string& d) {
        return first + "\r\n" + begin + "\r\n" + d + "\r\n" + end + "\r\n";
    };

    const struct {
        const char* what;
        std::string text;
        uint32_t rc;
    } cases[] = {
        {"empty", "", kt::kBadFormat},
        {"no first line", without(first), kt::kBadFormat},
        {"first line in lower case", "======== corvane+ remote update file ========\r\n" + good.substr(47),
         kt::kBadFormat},
        {"first line cut", good.substr(0, 30), kt::kBadFormat},
        {"no begin marker", without(begin), kt::kNotRead},
        {"no end marker", without(end), kt::kNotRead},
        {"markers swapped", first + "\r\n" + end + "\r\n" + data + "\r\n" + begin + "\r\n", kt::kNotRead},
        {"begin marker before the first line", begin + "\r\n" + first + "\r\n" + data + end, kt::kNotRead},
        {"end marker right after begin", first + begin + end, kt::kNotRead},
        {"file cut inside the data", good.substr(0, dataAt + 200), kt::kNotRead},
        {"data ends inside a group", withData(data.substr(0, 503)), kt::kNotRead},
        {"data one group short", withData(data.substr(0, 500)), kt::kBadFormat},
        {"empty data block", withData(""), kt::kBadFormat},
        {"data cut at the padding", withData(data.substr(0, 98) + "=="), kt::kBadFormat},
        {"good", good, kt::kOk},
        {"binary junk around a good file", std::string("\0\xff\x01", 3) + good + std::string("\0\0", 2),
         kt::kOk},
    };
    for (const auto& c : cases) {
        _tNewTransferPacket p;
        std::memset(&p, 0x5C, sizeof p);
        EXPECT_EQ(kt::TextToPacket(c.text.data(), c.text.size(), p), c.rc) << c.what;
        if (c.rc != kt::kOk) EXPECT_EQ(reinterpret_cast<uint8_t*>(&p)[0], 0x5C) << c.what;
    }
    _tNewTransferPacket p;
    EXPECT_EQ(kt::TextToPacket(nullptr, 10, p), kt::kNoMemory);
}

TEST(KtFormat, DecodeDataKeepsPartialBytesOnATruncatedGroup) {
    std::string base64 = "QUJDQUI"; // ends inside the second group
    std::vector<uint8_t> out(kt::DecodedCapacity(base64.size()), 0);
    EXPECT_GE(out.size(), 378u);
    size_t n = 0;
    EXPECT_EQ(kt::DecodeData(base64, out.data(), out.size(), &n), kt::kNotRead);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 4), "ABCA");
}

TEST(KtFormat, CheckPacket) {
    _tNewTransferPacket p = Packet(12);
    EXPECT_EQ(kt::CheckPacket(nullptr, 12), kt::kBadArgument);
    EXPECT_EQ(kt::CheckPacket(&p, 12), kt::kOk);
    EXPECT_EQ(kt::CheckPacket(&p, 14), kt::kBadFormat);
    EXPECT_EQ(kt::CheckPacket(&p, 0xFFFFFFFFu), kt::kOk);
    p.type = 99;
    EXPECT_EQ(kt::CheckPacket(&p, 0xFFFFFFFFu), kt::kOk);
    p.size = 376;
    EXPECT_EQ(kt::CheckPacket(&p, 0xFFFFFFFFu), kt::kBadFormat);
    p.size = 377;
    p.version = 0x00010005;
    EXPECT_EQ(kt::CheckPacket(&p, 0xFFFFFFFFu), kt::kBadFormat);
}

TEST(KtFormat, TargetReader) {
    const std::string full = Build(14, "Receiver", 0x00C0FFEE);
    const struct {
        const char* what;
        std::string text;
        uint32_t rc;
        uint32_t target;
        std::string name; // 16 bytes expected
    } cases[] = {
        {"written file", full, kt::kOk, 0x00C0FFEE, std::string("Receiver\0\0\0\0-- B", 16)},
        {"three letters", "TARGET=1\r\nNAME=Bob\r\nXXXXXXXXXXXXXXXX", kt::kOk, 1,
         std::string("Bob\0\0XXXXXXXXXXX", 16)},
        {"no NAME", "TARGET=ABCDEF12\r\n", kt::kOk, 0xABCDEF12, std::string(16, '\0')},
        {"no TARGET", "NAME=Bob\r\n", kt::kNotRead, 0x77777777, std::string(16, '\x77')},
        {"TARGET at the very end", "NAME=Bob\r\nTARGET=", kt::kOk, 0,
         std::string("Bob\0\0TARGET=\0\0\0\0", 16)},
        {"NAME at the very end", "TARGET=12345678NAME=", kt::kOk, 0x12345678, std::string(16, '\0')},
        {"short hex at the end", "TARGET=1f", kt::kOk, 0x1F, std::string(16, '\0')},
        {"more than 8 digits", "TARGET=123456789ABC", kt::kOk, 0x12345678, std::string(16, '\0')},
        {"stops at a non-digit", "TARGET=12G4", kt::kOk, 0x12, std::string(16, '\0')},
        {"long name", "TARGET=0\nNAME=ABCDEFGHIJKLMNOPQRSTUVWXYZ", kt::kOk, 0, "ABCDEFGHIJKLMNOP"},
        {"empty", "", kt::kNotRead, 0x77777777, std::string(16, '\x77')},
    };
    for (const auto& c : cases) {
        // The input is copied into a buffer of exactly its size so that AddressSanitizer sees any
        // read past it.
        std::vector<char> data(c.text.begin(), c.text.end());
        char name[17];
        std::memset(name, 0x77, sizeof name);
        uint32_t target = 0x77777777;
        EXPECT_EQ(kt::ReadTarget(data.data(), data.size(), name, &target), c.rc) << c.what;
        EXPECT_EQ(target, c.target) << c.what;
        EXPECT_EQ(std::string(name, 16), c.name) << c.what;
        EXPECT_EQ(name[16], '\x77') << c.what << ": 17th byte written";
    }
}

} // namespace
