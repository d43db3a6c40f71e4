// Base64 encoding and decoding. The encoder emits two characters per table look-up; the decoder takes
// whole groups of four alphabet characters through four combined tables and falls back to the
// character-by-character steps for white space, padding, characters outside the alphabet and the end.
#include "crypto/base64.h"

#include <cstring>

namespace zrpc {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kOutside = 0xFF;

// Value of each byte: 0..63 for the alphabet, 0 for "=", 0xFF for everything else (0x80..0xFF too).
struct ValueTable {
    uint8_t v[256];
    constexpr ValueTable() : v() {
        for (int i = 0; i < 256; ++i)
            v[i] = kOutside;
        for (int i = 0; i < 64; ++i)
            v[(unsigned char)kAlphabet[i]] = (uint8_t)i;
        v[(unsigned char)'='] = 0;
    }
};
constexpr ValueTable kValues;

// Pairs of characters for every 12-bit value.
struct PairTable {
    char c[4096 * 2];
    constexpr PairTable() : c() {
        for (int i = 0; i < 4096; ++i) {
            c[2 * i] = kAlphabet[i >> 6];
            c[2 * i + 1] = kAlphabet[i & 63];
        }
    }
};
constexpr PairTable kPairs;

// Combined decoding tables: the contribution of a character in each of the four places of a group to
// the group's three bytes, laid out as a little-endian word (byte 0 first); kSlow (in the unused fourth
// byte) marks anything that needs the careful path: white space, padding, NUL and characters outside
// the alphabet.
constexpr uint32_t kSlow = 0x01000000u;
struct GroupTables {
    uint32_t t[4][256];
    constexpr GroupTables() : t() {
        for (int place = 0; place < 4; ++place)
            for (int ch = 0; ch < 256; ++ch)
                t[place][ch] = kSlow;
        for (uint32_t i = 0; i < 64; ++i) {
            unsigned char ch = (unsigned char)kAlphabet[i];
            t[0][ch] = i << 2;
            t[1][ch] = i >> 4 | (i & 15) << 12;
            t[2][ch] = (i >> 2) << 8 | (i & 3) << 22;
            t[3][ch] = i << 16;
        }
    }
};
constexpr GroupTables kGroups;

inline bool IsSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A value shifted right as a signed 8-bit number: 0xFF stays all ones.
inline unsigned SignedShiftRight(unsigned value, int bits) {
    return value == kOutside ? 0xFFu : value >> bits;
}

} // namespace

size_t Base64EncodedLength(size_t length) {
    return (length / 3 + (length % 3 ? 1 : 0)) * 4;
}

void Base64Encode(const uint8_t* data, size_t length, char* text) {
    size_t whole = length / 3;
    // Two groups (six bytes, eight characters) per step, then the odd group.
    for (; whole >= 2; whole -= 2) {
        uint32_t g1 = (uint32_t)data[0] << 16 | (uint32_t)data[1] << 8 | data[2];
        uint32_t g2 = (uint32_t)data[3] << 16 | (uint32_t)data[4] << 8 | data[5];
        char chars[8];
        std::memcpy(chars, &kPairs.c[2 * (g1 >> 12)], 2);
        std::memcpy(chars + 2, &kPairs.c[2 * (g1 & 0xFFF)], 2);
        std::memcpy(chars + 4, &kPairs.c[2 * (g2 >> 12)], 2);
        std::memcpy(chars + 6, &kPairs.c[2 * (g2 & 0xFFF)], 2);
        std::memcpy(text, chars, 8);
        data += 6;
        text += 8;
    }
    if (whole) {
        uint32_t group = (uint32_t)data[0] << 16 | (uint32_t)data[1] << 8 | data[2];
        std::memcpy(text, &kPairs.c[2 * (group >> 12)], 2);
        std::memcpy(text + 2, &kPairs.c[2 * (group & 0xFFF)], 2);
        data += 3;
        text += 4;
    }
    switch (length % 3) {
    case 1:
        text[0] = kAlphabet[data[0] >> 2];
        text[1] = kAlphabet[(data[0] & 3) << 4];
        text[2] = '=';
        text[3] = '=';
        text += 4;
        break;
    case 2:
        text[0] = kAlphabet[data[0] >> 2];
        text[1] = kAlphabet[(data[0] & 3) << 4 | data[1] >> 4];
        text[2] = kAlphabet[(data[1] & 15) << 2];
        text[3] = '=';
        text += 4;
        break;
    }
    *text = 0;
}

size_t Base64DecodeEstimate(size_t textLength) {
    return textLength / 4 * 3 + (textLength % 4) * 3 / 4;
}

int Base64Decode(const char* text, size_t textLength, uint8_t* out, size_t capacity, size_t* produced) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* const end = p + textLength;
    size_t n = 0;
    int result = kBase64Ok;

    auto atEnd = [&] { return p == end || *p == 0; };
    auto skip = [&] {
        while (p != end && IsSpace(*p))
            ++p;
    };
    auto emit = [&](unsigned value) {
        if (n == capacity) return false;
        out[n++] = (uint8_t)value;
        return true;
    };

    skip();
    while (!atEnd()) {
        // Whole groups of four alphabet characters, stored four bytes at a time (the fourth is
        // overwritten by the next group), as long as input and output both have room.
        size_t groups = (size_t)(end - p) / 4;
        size_t room = capacity - n >= 4 ? (capacity - n - 1) / 3 : 0;
        if (groups > room) groups = room;
        for (; groups; --groups) {
            uint32_t group =
                kGroups.t[0][p[0]] | kGroups.t[1][p[1]] | kGroups.t[2][p[2]] | kGroups.t[3][p[3]];
            if (group & kSlow) break;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            out[n] = (uint8_t)group;
            out[n + 1] = (uint8_t)(group >> 8);
            out[n + 2] = (uint8_t)(group >> 16);
#else
            std::memcpy(out + n, &group, 4);
#endif
            n += 3;
            p += 4;
        }
        // Between groups: white space, then perhaps the end.
        skip();
        if (atEnd()) break;

        // One group, character by character. The current character is c1 (not white space, not the end).
        {
            unsigned v1 = kValues.v[*p++];
            skip();
            if (atEnd()) {
                result = kBase64Truncated;
                break;
            }
            unsigned v2 = kValues.v[*p++];
            skip();
            if (atEnd()) {
                result = kBase64Truncated;
                break;
            }
            if (!emit((v1 << 2) | SignedShiftRight(v2, 4))) {
                result = kBase64Full;
                break;
            }
            unsigned char c3 = *p++;
            skip();
            if (atEnd()) {
                result = kBase64Truncated;
                break;
            }
            if (c3 == '=') break;
            unsigned v3 = kValues.v[c3];
            if (!emit((v2 << 4) | SignedShiftRight(v3, 2))) {
                result = kBase64Full;
                break;
            }
            unsigned char c4 = *p++;
            skip();
            if (c4 == '=') break;
            if (!emit((v3 << 6) | kValues.v[c4])) {
                result = kBase64Full;
                break;
            }
        }
    }
    if (produced) *produced = n;
    return result;
}

Base64DecodeSizes Base64DecodeSizing(const char* text, size_t textLength) {
    Base64DecodeSizes sizes = {0, 0};
    if (!text) return sizes;
    if (textLength) {
        const void* end = std::memchr(text, 0, textLength);
        sizes.chars = end ? (size_t)(static_cast<const char*>(end) - text) : textLength;
    } else {
        sizes.chars = std::strlen(text);
        textLength = sizes.chars;
    }
    sizes.capacity = Base64DecodeEstimate(textLength);
    return sizes;
}

int Base64DecodeAnswer(int result) {
    return result == kBase64Truncated ? 2 : 0;
}

} // namespace zrpc
