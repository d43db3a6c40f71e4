// The portable part of the tree walk: the system-file name rule and when a walk is done.
#include "folders/treescan.h"

#include <cstring>

namespace zrpc {
namespace folders {

namespace {

// Whether len characters of name equal the ASCII word, ASCII letters compared without regard to case.
template <class C> bool EqualsWord(const C* name, std::size_t len, const char* word) {
    std::size_t n = std::strlen(word);
    if (len != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned c = sizeof(C) == 1 ? (unsigned)(unsigned char)name[i] : (unsigned)name[i];
        if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
        if (c != (unsigned char)word[i]) return false;
    }
    return true;
}

template <class C> unsigned Code(const C* name, std::size_t len) {
    static const char* const kCoreFiles[] = {"kernel32.dll", "win.com", "user.dll", "user32.dll"};
    static const char* const kExtensions[] = {".exe", ".dll", ".sys", ".vxd", ".mdb", ".386"};
    if (!name) return 0;
    for (const char* core : kCoreFiles)
        if (EqualsWord(name, len, core)) return 1;
    std::size_t dot = len;
    while (dot > 0 && name[dot - 1] != '.')
        --dot;
    if (dot == 0) return 0;
    for (const char* ext : kExtensions)
        if (EqualsWord(name + dot - 1, len - dot + 1, ext)) return 56;
    return 0;
}

} // namespace

unsigned SystemFileCode(const char* name) {
    return name ? Code(name, std::strlen(name)) : 0;
}

unsigned SystemFileCode(const wchar_t* name, std::size_t len) {
    return Code(name, len);
}

bool TreeScan::Done() const {
    if (m_protected) return true;
    bool systemPending = (m_what & kSystemFiles) && m_systemCode == 0;
    bool markersPending = (m_what & kProtectedFolders) != 0;
    return !systemPending && !markersPending;
}

} // namespace folders
} // namespace zrpc
