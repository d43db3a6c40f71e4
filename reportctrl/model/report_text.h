// How the report control reads its texts as characters. Texts are 8-bit, in the code page of the
// process (a single-byte page, a double-byte page, or UTF-8): where the control cuts a text (a cell
// holds at most 255 bytes, a caller's buffer may be smaller), where it replaces the copy separator, and
// how the pattern of a selection matches ("?" one character, case ignored as the code page folds it)
// all go by the characters of that page. No platform here: the window hands the model the rules of
// the process's code page; the default reads every byte as a character and folds the ASCII letters.
#ifndef ZRPC_REPORT_TEXT_H
#define ZRPC_REPORT_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zrpc::report {

class TextRules {
  public:
    virtual ~TextRules() = default;
    // The bytes a character that starts with the byte lead takes (1: a character of one byte).
    virtual size_t LeadLength(unsigned char lead) const;
    // The bytes of the character that starts at text (left bytes remain, left >= 1): at least 1, at
    // most left.
    virtual size_t CharLength(const char* text, size_t left) const;
    // The longest prefix of len bytes, at most maxBytes long, that does not end inside a character.
    virtual size_t CutPoint(const char* text, size_t len, size_t maxBytes) const;
    // One value per character of text, letters that differ only in case giving the same value.
    virtual void Fold(std::string_view text, std::vector<uint32_t>& out) const;
};

// The default rules: one byte, one character; ASCII letters folded.
const TextRules& ByteTextRules();

// Whether text matches pattern: "*" any run of characters (none too), "?" any one character, every
// other character itself without regard to case; "*" and "?" are the ASCII ones. The last piece after a
// "*" only has to occur somewhere in the rest of the text.
bool PatternMatch(std::string_view text, std::string_view pattern, const TextRules& rules);
bool PatternMatch(const char* text, const char* pattern); // the default rules
// The same over texts already folded (TextRules::Fold).
bool FoldedMatch(const std::vector<uint32_t>& text, const std::vector<uint32_t>& pattern);

// The longest prefix of the zero-ended text that holds at most maxBytes bytes and ends on a character
// boundary.
std::string_view CutToBytes(const char* text, size_t maxBytes, const TextRules& rules);

} // namespace zrpc::report

#endif
