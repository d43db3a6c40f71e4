#include <windows.h>

#include <cstring>

#include "folders/win_folders.h"
#include "folders/treescan.h"

namespace zrpc {
namespace folders {

bool TreeScan::List(const PathBuf& folder, Listing& listing) {
    PathBuf pattern;
    if (!JoinPath(pattern, folder.c_str(), "*")) return false;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool wantSystem = (m_what & kSystemFiles) && m_systemCode == 0;
    do {
        const char* name = fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsMarkerName(name)) listing.hasMarker = true;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            // Junctions and symbolic links are not followed: they may lead out of the tree or back
            // into it.
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            listing.folders.emplace_back(name);
            continue;
        }
        if (IsMarkerName(name)) listing.hasMarker = true;
        if (wantSystem) {
            unsigned code = SystemFileCode(name);
            if (code) {
                m_systemCode = code;
                wantSystem = false;
                PathBuf file;
                if (JoinPath(file, folder.c_str(), name)) m_systemFile = file.c_str();
                // Nothing else is wanted from this walk: stop listing at once.
                if (!(m_what & kProtectedFolders)) break;
            }
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

void TreeScan::Descend(const PathBuf& folder, const Listing& listing, bool lookForMarkers) {
    for (const std::string& name : listing.folders) {
        if (Done()) return;
        bool dotted = name[0] == '.';
        bool markersHere = lookForMarkers && !dotted;
        // A folder that is only searched for markers is not entered when its name begins with '.'.
        if (!markersHere && !((m_what & kSystemFiles) && m_systemCode == 0)) continue;
        PathBuf child;
        if (!JoinPath(child, folder.c_str(), name.c_str())) continue; // would not fit: not touched
        if (IsFolderLink(child.c_str())) continue;                    // became a link since it was listed
        Listing inner;
        bool listed = List(child, inner);
        if (markersHere) {
            // A folder that cannot be listed is still asked for its marker file directly.
            PathBuf marker;
            bool isProtected = listed ? inner.hasMarker
                                      : MarkerPath(marker, child.c_str()) &&
                                            GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
            if (isProtected) {
                m_protected = true;
                return;
            }
        }
        if (listed) Descend(child, inner, markersHere);
    }
}

bool TreeScan::Run(const char* folder) {
    PathBuf start;
    if (!start.Set(folder)) return false;
    Listing top;
    if (!List(start, top)) return false;
    if (!Done()) Descend(start, top, (m_what & kProtectedFolders) != 0);
    return true;
}

} // namespace folders
} // namespace zrpc
