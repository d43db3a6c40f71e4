// The characters of the report control's texts; see report_text.h.
#include "reportctrl/model/report_text.h"

#include <algorithm>

namespace zrpc::report {

size_t TextRules::LeadLength(unsigned char lead) const {
    (void)lead;
    return 1;
}

size_t TextRules::CharLength(const char* text, size_t left) const {
    (void)text;
    return left ? 1 : 0;
}

size_t TextRules::CutPoint(const char* text, size_t len, size_t maxBytes) const {
    if (len <= maxBytes) return len;
    size_t at = 0;
    while (at < maxBytes) {
        size_t n = std::max<size_t>(1, CharLength(text + at, len - at));
        if (at + n > maxBytes) break;
        at += n;
    }
    return at;
}

void TextRules::Fold(std::string_view text, std::vector<uint32_t>& out) const {
    out.clear();
    out.reserve(text.size());
    for (char c : text) {
        uint32_t b = (unsigned char)c;
        out.push_back(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    }
}

const TextRules& ByteTextRules() {
    static const TextRules rules;
    return rules;
}

namespace {

constexpr uint32_t kAnyRun = '*';
constexpr uint32_t kAnyOne = '?';

bool Match(const uint32_t* t, const uint32_t* tEnd, const uint32_t* p, const uint32_t* pEnd) {
    while (t != tEnd && p != pEnd) {
        if (*p == kAnyRun) {
            ++p;
            if (p == pEnd) return true;
            const uint32_t* pieceEnd = p;
            while (pieceEnd != pEnd && *pieceEnd != kAnyRun && *pieceEnd != kAnyOne)
                ++pieceEnd;
            const uint32_t* found = std::search(t, tEnd, p, pieceEnd);
            if (found == tEnd && p != pieceEnd) return false;
            if (pieceEnd == pEnd) return true; // the last piece only has to occur
            t = found + (pieceEnd - p);
            p = pieceEnd;
            continue;
        }
        if (*p != kAnyOne && *p != *t) return false;
        ++p;
        ++t;
    }
    return t == tEnd && (p == pEnd || *p == kAnyRun);
}

} // namespace

bool FoldedMatch(const std::vector<uint32_t>& text, const std::vector<uint32_t>& pattern) {
    return Match(text.data(), text.data() + text.size(), pattern.data(), pattern.data() + pattern.size());
}

bool PatternMatch(std::string_view text, std::string_view pattern, const TextRules& rules) {
    std::vector<uint32_t> t, p;
    rules.Fold(text, t);
    rules.Fold(pattern, p);
    return FoldedMatch(t, p);
}

bool PatternMatch(const char* text, const char* pattern) {
    if (!text || !pattern) return false;
    return PatternMatch(std::string_view(text), std::string_view(pattern), ByteTextRules());
}

std::string_view CutToBytes(const char* text, size_t maxBytes, const TextRules& rules) {
    if (!text) return {};
    // Up to one byte past the limit: a text that goes on is told from one that ends there.
    size_t len = 0;
    while (len <= maxBytes && text[len])
        ++len;
    return std::string_view(text, rules.CutPoint(text, len, maxBytes));
}

} // namespace zrpc::report
