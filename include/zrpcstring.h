// CString: the small string object that crosses the library's interface (names, language strings).
// Everything is inline and uses the C runtime's heap, which the library and its callers share, so a
// string made on one side of the boundary can be kept, changed and released on the other.
#ifndef ZRPC_STRING_H
#define ZRPC_STRING_H

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class CString {
  public:
    CString() : m_psz(nullptr) {}
    CString(const char* text) : m_psz(nullptr) { Assign(text, text ? std::strlen(text) : 0); }
    CString(const char* text, int length) : m_psz(nullptr) { Assign(text, length > 0 ? (size_t)length : 0); }
    CString(const CString& other) : m_psz(nullptr) { Assign(other.GetString(), other.Length()); }
    CString(CString&& other) noexcept : m_psz(other.m_psz) { other.m_psz = nullptr; }
    ~CString() { std::free(m_psz); }

    CString& operator=(const CString& other) {
        if (this != &other) Assign(other.GetString(), other.Length());
        return *this;
    }
    CString& operator=(CString&& other) noexcept {
        if (this != &other) {
            std::free(m_psz);
            m_psz = other.m_psz;
            other.m_psz = nullptr;
        }
        return *this;
    }
    CString& operator=(const char* text) {
        CString copy(text);
        return *this = static_cast<CString&&>(copy);
    }

    const char* GetString() const { return m_psz ? m_psz : ""; }
    operator const char*() const { return GetString(); }
    int GetLength() const { return (int)Length(); }
    bool IsEmpty() const { return Length() == 0; }
    void Empty() {
        std::free(m_psz);
        m_psz = nullptr;
    }
    char operator[](int i) const { return GetString()[i]; }

    CString& operator+=(const char* text) {
        size_t a = Length(), b = text ? std::strlen(text) : 0;
        if (b == 0) return *this;
        char* p = static_cast<char*>(std::malloc(a + b + 1));
        if (!p) return *this;
        std::memcpy(p, GetString(), a);
        std::memcpy(p + a, text, b);
        p[a + b] = 0;
        std::free(m_psz);
        m_psz = p;
        return *this;
    }
    friend CString operator+(const CString& a, const char* b) {
        CString r(a);
        r += b;
        return r;
    }
    friend bool operator==(const CString& a, const char* b) {
        return std::strcmp(a.GetString(), b ? b : "") == 0;
    }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

    // printf-style formatting into the string (bounded: the text is measured first).
    void Format(const char* format, ...) {
        va_list args;
        va_start(args, format);
        FormatV(format, args);
        va_end(args);
    }
    void FormatV(const char* format, va_list args) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (n < 0) {
            Empty();
            return;
        }
        char* p = static_cast<char*>(std::malloc((size_t)n + 1));
        if (!p) return;
        std::vsnprintf(p, (size_t)n + 1, format, args);
        std::free(m_psz);
        m_psz = p;
    }

    // Direct access to a buffer of at least minLength characters plus terminator.
    char* GetBuffer(int minLength) {
        size_t have = Length();
        size_t want = minLength > 0 ? (size_t)minLength : 0;
        if (want < have) want = have;
        char* p = static_cast<char*>(std::malloc(want + 1));
        if (!p) return nullptr;
        std::memcpy(p, GetString(), have);
        std::memset(p + have, 0, want + 1 - have);
        std::free(m_psz);
        m_psz = p;
        return p;
    }
    void ReleaseBuffer(int newLength = -1) {
        if (!m_psz) return;
        if (newLength >= 0) m_psz[newLength] = 0;
    }

  private:
    size_t Length() const { return m_psz ? std::strlen(m_psz) : 0; }
    void Assign(const char* text, size_t length) {
        char* p = nullptr;
        if (text && length) {
            p = static_cast<char*>(std::malloc(length + 1));
            if (!p) return;
            std::memcpy(p, text, length);
            p[length] = 0;
        }
        std::free(m_psz);
        m_psz = p;
    }
    char* m_psz;
};

static_assert(sizeof(CString) == sizeof(char*), "CString is one pointer");

#endif
