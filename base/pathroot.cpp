#include "base/pathroot.h"

#include <cstddef>

namespace zrpc {

namespace {

// Every question looks at characters one by one and decides on ASCII ones alone, so one template
// serves 8-bit text and UTF-16 text. (8-bit text of a double-byte code page can hold a backslash as
// the second byte of a character: the library asks these questions of the UTF-16 form of a path.)
template <class C> unsigned Code(C c) {
    return sizeof(C) == 1 ? (unsigned)(unsigned char)c : (unsigned)c;
}

template <class C> bool IsSeparator(C c) {
    return c == '\\' || c == '/';
}

template <class C> bool IsLetter(C c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

template <class C> unsigned Upper(C c) {
    unsigned u = Code(c);
    return u >= 'a' && u <= 'z' ? u - 'a' + 'A' : u;
}

// Whether text begins with prefix, letters compared without regard to case, either slash matching a
// backslash in prefix.
template <class C> bool BeginsWithNoCase(const C* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (*prefix == '\\') {
            if (!IsSeparator(*text)) return false;
            continue;
        }
        if (Upper(*text) != Upper(*prefix)) return false;
    }
    return true;
}

// Skips one path component and the separators after it; returns where the next one begins.
template <class C> const C* NextComponent(const C* p, bool* had) {
    const C* start = p;
    while (*p && !IsSeparator(*p))
        ++p;
    *had = p != start;
    while (IsSeparator(*p))
        ++p;
    return p;
}

template <class C> bool Absolute(const C* path) {
    if (!path) return false;
    if (IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

template <class C> bool Root(const C* fullPath) {
    if (!fullPath) return true;
    const C* p = fullPath;
    bool share = false;
    if (BeginsWithNoCase(p, "\\\\?\\UNC\\")) {
        p += 8;
        share = true;
    } else if (BeginsWithNoCase(p, "\\\\?\\") || BeginsWithNoCase(p, "\\\\.\\")) {
        p += 4;
        // "\\.\X:\a" and "\\?\X:\a" name a folder like "X:\a"; anything else there is a device or a
        // volume, never an ordinary folder.
        if (!(IsLetter(p[0]) && p[1] == ':')) return true;
    } else if (IsSeparator(p[0]) && IsSeparator(p[1])) {
        p += 2;
        share = true;
    }
    while (IsSeparator(*p) && !share)
        ++p;
    if (share) {
        // Server and share name, then at least one component more.
        bool had = false;
        p = NextComponent(p, &had);
        if (!had) return true;
        p = NextComponent(p, &had);
        if (!had) return true;
        NextComponent(p, &had);
        return !had;
    }
    if (IsLetter(p[0]) && p[1] == ':') {
        p += 2;
        while (IsSeparator(*p))
            ++p;
        return *p == 0;
    }
    // Neither a drive nor a share: "\a" or a relative text, which a full path never is.
    return true;
}

// The superscript digits one, two and three: U+00B9, U+00B2, U+00B3, the same bytes in code page 1252.
bool IsSuperscriptDigit(unsigned c) {
    return c == 0xB9 || c == 0xB2 || c == 0xB3;
}

// Whether the name [begin, end) is a device name: the part before the first '.' or ':', trailing
// spaces dropped, is one of the reserved names.
template <class C> bool IsDeviceName(const C* begin, const C* end) {
    const C* stop = begin;
    while (stop < end && *stop != '.' && *stop != ':')
        ++stop;
    while (stop > begin && stop[-1] == ' ')
        --stop;
    unsigned name[8];
    std::size_t n = 0;
    for (const C* p = begin; p < stop; ++p) {
        if (n == sizeof name / sizeof name[0]) return false;
        name[n++] = Upper(*p);
    }
    auto is = [&](const char* word) {
        std::size_t i = 0;
        for (; word[i]; ++i)
            if (i >= n || name[i] != (unsigned char)word[i]) return false;
        return i == n;
    };
    if (is("CON") || is("PRN") || is("AUX") || is("NUL") || is("CONIN$") || is("CONOUT$")) return true;
    if (n == 4 && ((name[0] == 'C' && name[1] == 'O' && name[2] == 'M') ||
                   (name[0] == 'L' && name[1] == 'P' && name[2] == 'T')))
        return (name[3] >= '0' && name[3] <= '9') || IsSuperscriptDigit(name[3]);
    return false;
}

template <class C> bool Device(const C* path) {
    if (!path) return false;
    const C* p = path;
    if (BeginsWithNoCase(p, "\\\\.\\")) {
        p += 4;
        if (!(IsLetter(p[0]) && p[1] == ':')) return true;
    }
    while (*p) {
        while (IsSeparator(*p))
            ++p;
        const C* start = p;
        while (*p && !IsSeparator(*p))
            ++p;
        if (p > start && IsDeviceName(start, p)) return true;
    }
    return false;
}

} // namespace

bool IsAbsolutePath(const char* path) {
    return Absolute(path);
}
bool IsAbsolutePath(const wchar_t* path) {
    return Absolute(path);
}
bool IsRootPath(const char* fullPath) {
    return Root(fullPath);
}
bool IsRootPath(const wchar_t* fullPath) {
    return Root(fullPath);
}
bool NamesDevice(const char* path) {
    return Device(path);
}
bool NamesDevice(const wchar_t* path) {
    return Device(path);
}

} // namespace zrpc
