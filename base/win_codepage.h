// Texts in the process's code page (the 8-bit texts of every export) and their UTF-16 form. The code
// page is the one the process runs with: an old single-byte or double-byte page, or UTF-8 when the
// program declares it in its manifest. Conversions to the code page are strict: a character the page
// cannot hold is never replaced by "?" or a look-alike.
#ifndef ZRPC_BASE_WIN_CODEPAGE_H
#define ZRPC_BASE_WIN_CODEPAGE_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace zrpc {

// The process's code page (GetACP) and whether it is UTF-8.
UINT AnsiCodePage();
bool AnsiIsUtf8();

// The UTF-16 form of len bytes of code-page text (len npos: up to the terminator). Bytes that form
// no character come out as the page's replacement (never a fault). Empty for null.
std::wstring WideFromAnsi(const char* text, std::size_t len = std::string::npos);

// The code-page form of len UTF-16 units (npos: up to the terminator). False, with out empty, when a
// character has no exact form in the page (no substitutes, no best-fit look-alikes), or for a lone
// surrogate. True and empty for null or empty input.
bool AnsiFromWide(const wchar_t* text, std::size_t len, std::string& out);

// The code-page bytes of one character given as UTF-16 (one unit, or a surrogate pair): false when the
// page cannot hold it exactly.
bool AnsiCharFromWide(const wchar_t* units, std::size_t count, std::string& out);

// The length of code-page text in characters as the platform counts them (UTF-16 units).
std::size_t WideLength(const char* text, std::size_t len = std::string::npos);

// The longest prefix of text (len bytes) of at most maxBytes bytes that does not end inside a
// character of the code page (UTF-8 sequences, double-byte pairs).
std::size_t AnsiCutPoint(const char* text, std::size_t len, std::size_t maxBytes);

// UTF-8 and UTF-16, whatever the process's code page: for texts the library keeps in one spelling of
// its own (paths the folder rules compare). Empty for empty input; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& text);

} // namespace zrpc

#endif
