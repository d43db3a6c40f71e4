#include "base/text.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zrpc {

namespace {
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}
} // namespace

void CopyToBuffer(char* buffer, std::size_t size, const std::string& text) {
    if (!buffer || size == 0) return;
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
}

bool EqualNoCase(const char* a, const char* b) {
    if (!a || !b) return false;
    for (; *a && *b; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return *a == *b;
}

bool ContainsNul(const char* data, std::size_t size) {
    if (!data) return false;
    const char* p = data;
    const char* end = data + size;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 64; p += 64) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
        __m128i low = _mm_min_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(low, zero)) != 0) return true;
    }
#endif
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    for (; end - p >= 8; p += 8) {
        std::uint64_t x;
        std::memcpy(&x, p, sizeof x);
        if ((x - kOnes) & ~x & kHighs) return true;
    }
    for (; p < end; ++p)
        if (*p == 0) return true;
    return false;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint32_t ParseHexPrefix(const char* text, std::size_t maxDigits) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; text && i < maxDigits; ++i) {
        int d = HexDigitValue(text[i]);
        if (d < 0) break;
        v = (v << 4) | (std::uint32_t)d;
    }
    return v;
}

std::size_t Utf8CutPoint(const char* text, std::size_t len, std::size_t maxBytes) {
    if (!text) return 0;
    if (len <= maxBytes) return len;
    // Step back over continuation bytes from the cut; the lead byte they follow decides whether its
    // whole sequence fits before the cut.
    std::size_t lead = maxBytes;
    std::size_t back = 0;
    while (lead > 0 && back < 3 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) {
        --lead;
        ++back;
    }
    const unsigned char b = static_cast<unsigned char>(text[lead]);
    std::size_t need = 1;
    if (b >= 0xF0 && b <= 0xF4)
        need = 4;
    else if (b >= 0xE0)
        need = 3;
    else if (b >= 0xC2 && b < 0xE0)
        need = 2;
    if (back == 0 || need == 1) return maxBytes; // the cut falls before a character, or in no sequence
    // The sequence that starts at lead is cut when it needs more bytes than stand before the cut.
    return back < need ? lead : maxBytes;
}

std::string FillPlaceholder(const std::string& format, const std::string& arg) {
    std::string out;
    out.reserve(format.size() + arg.size());
    bool used = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            char c = format[i + 1];
            if (c == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (!used && (c == 'd' || c == 'u' || c == 's')) {
                out += arg;
                used = true;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

} // namespace zrpc
