#include "base/pathroot.h"

#include <cstring>

namespace zrpc {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether text begins with prefix, letters compared without regard to case, either slash matching a
// backslash in prefix.
bool BeginsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (b == '\\') {
            if (!IsSeparator(a)) return false;
            continue;
        }
        if (a >= 'a' && a <= 'z') a = (char)(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = (char)(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

// Skips one path component and the separators after it; returns where the next one begins.
const char* NextComponent(const char* p, bool* had) {
    const char* start = p;
    while (*p && !IsSeparator(*p))
        ++p;
    *had = p != start;
    while (IsSeparator(*p))
        ++p;
    return p;
}

} // namespace

bool IsAbsolutePath(const char* path) {
    if (!path) return false;
    if (IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

bool IsRootPath(const char* fullPath) {
    if (!fullPath) return true;
    const char* p = fullPath;
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

} // namespace zrpc
