// Small text helpers every subsystem uses: bounded copies, case-insensitive compare of fixed ASCII
// names, hexadecimal parsing and the one-argument placeholder of language strings.
#ifndef ZRPC_BASE_TEXT_H
#define ZRPC_BASE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrpc {

// Copies text into a caller's buffer of size bytes, cut to fit and always terminated (size > 0).
void CopyToBuffer(char* buffer, std::size_t size, const std::string& text);

// Compares two texts with ASCII letters folded to lower case and every other byte exact, as the file
// system compares the fixed names this library looks for. False when either is null.
bool EqualNoCase(const char* a, const char* b);

// The value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

// The value of the leading hexadecimal digits of text, at most maxDigits of them; parsing stops at the
// first other character. 0 for a null or non-hexadecimal text.
std::uint32_t ParseHexPrefix(const char* text, std::size_t maxDigits);

// True when size bytes from data hold a NUL byte. A scan at memory speed: a damaged store is told
// from a sound one this way before every load, and the C library's byte loop is slow on large files.
bool ContainsNul(const char* data, std::size_t size);

// The longest prefix of len bytes of UTF-8 text, at most maxBytes long, that does not end inside a
// character: a cut never leaves the lead byte of a sequence without all of its continuation bytes.
// Bytes that are no valid UTF-8 count as characters of their own.
std::size_t Utf8CutPoint(const char* text, std::size_t len, std::size_t maxBytes);

// A language string used as a format with one argument: its first "%s", "%d" or "%u" becomes arg and
// "%%" becomes "%"; any other "%" stays as it is (the text comes from a resource, not from this code).
std::string FillPlaceholder(const std::string& format, const std::string& arg);

} // namespace zrpc

#endif
