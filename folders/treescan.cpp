// The portable part of the tree walk: the system-file name rule and when a walk is done.
#include "folders/treescan.h"

#include <cstring>

#include "base/text.h"

namespace zrpc {
namespace folders {

unsigned SystemFileCode(const char* name) {
    static const char* const kCoreFiles[] = {"kernel32.dll", "win.com", "user.dll", "user32.dll"};
    static const char* const kExtensions[] = {".exe", ".dll", ".sys", ".vxd", ".mdb", ".386"};
    if (!name) return 0;
    for (const char* core : kCoreFiles)
        if (EqualNoCase(name, core)) return 1;
    const char* dot = std::strrchr(name, '.');
    if (!dot) return 0;
    for (const char* ext : kExtensions)
        if (EqualNoCase(dot, ext)) return 56;
    return 0;
}

bool TreeScan::Done() const {
    if (m_protected) return true;
    bool systemPending = (m_what & kSystemFiles) && m_systemCode == 0;
    bool markersPending = (m_what & kProtectedFolders) != 0;
    return !systemPending && !markersPending;
}

} // namespace folders
} // namespace zrpc
