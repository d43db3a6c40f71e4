// Code-page texts and UTF-16; see win_codepage.h.
#include "base/win_codepage.h"

#include <cstring>

#include "base/text.h"

// Older headers (the library targets systems before this flag) lack it; the systems that run UTF-8 as
// their code page all know it.
#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x00000080
#endif

namespace zrpc {

UINT AnsiCodePage() {
    return GetACP();
}

bool AnsiIsUtf8() {
    return GetACP() == CP_UTF8;
}

namespace {

std::size_t Length(const char* text, std::size_t len) {
    return len == std::string::npos ? std::strlen(text) : len;
}

} // namespace

std::wstring WideFromAnsi(const char* text, std::size_t len) {
    if (!text) return std::wstring();
    len = Length(text, len);
    if (len == 0 || len > 0x7FFFFFFF) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(len), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(len), &out[0], n);
    return out;
}

bool AnsiFromWide(const wchar_t* text, std::size_t len, std::string& out) {
    out.clear();
    if (!text) return true;
    if (len == std::string::npos) len = std::wcslen(text);
    if (len == 0) return true;
    if (len > 0x3FFFFFFF) return false;
    const int wlen = static_cast<int>(len);
    const bool utf8 = AnsiIsUtf8();
    // UTF-8 holds every character but refuses lone surrogates; every other page is asked to say when
    // it had to substitute, and is kept from best-fit look-alikes.
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(CP_ACP, flags, text, wlen, nullptr, 0, nullptr, used);
    if (n <= 0 || usedDefault) return false;
    out.assign(static_cast<std::size_t>(n), '\0');
    usedDefault = FALSE;
    if (WideCharToMultiByte(CP_ACP, flags, text, wlen, &out[0], n, nullptr, used) != n || usedDefault) {
        out.clear();
        return false;
    }
    return true;
}

bool AnsiCharFromWide(const wchar_t* units, std::size_t count, std::string& out) {
    if (!units || count == 0 || count > 2) {
        out.clear();
        return false;
    }
    if (count == 1 && units[0] >= 0xD800 && units[0] <= 0xDFFF) {
        out.clear();
        return false;
    }
    return AnsiFromWide(units, count, out);
}

std::size_t WideLength(const char* text, std::size_t len) {
    if (!text) return 0;
    len = Length(text, len);
    if (len == 0 || len > 0x7FFFFFFF) return 0;
    const int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(len), nullptr, 0);
    return n > 0 ? static_cast<std::size_t>(n) : len;
}

std::size_t AnsiCutPoint(const char* text, std::size_t len, std::size_t maxBytes) {
    if (!text) return 0;
    if (len <= maxBytes) return len;
    if (AnsiIsUtf8()) return Utf8CutPoint(text, len, maxBytes);
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) return maxBytes;
    // Double-byte pages: walk from the start, a lead byte takes the next byte with it.
    std::size_t i = 0;
    while (i < maxBytes) {
        const std::size_t step = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty() || text.size() > 0x3FFFFFFF) return std::string();
    const int wlen = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), wlen, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wlen, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF) return std::wstring();
    const int len = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), len, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), len, &out[0], n);
    return out;
}

} // namespace zrpc
