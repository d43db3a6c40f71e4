#include <windows.h>

#include <cstring>
#include <vector>

#include "folders/win_folders.h"
#include "folders/treescan.h"

namespace zrpc {
namespace folders {

namespace {

// The directory query through a handle (Windows Vista and later): the class number and the record of
// FileIdBothDirectoryInfo, declared here because the headers are those of the oldest platform the
// library loads on.
constexpr int kIdBothDirectoryInfo = 10;
struct IdBothDirInfo {
    DWORD NextEntryOffset;
    DWORD FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime, EndOfFile, AllocationSize;
    DWORD FileAttributes;
    DWORD FileNameLength; // bytes
    DWORD EaSize;
    CCHAR ShortNameLength;
    WCHAR ShortName[12];
    LARGE_INTEGER FileId;
    WCHAR FileName[1];
};
static_assert(offsetof(IdBothDirInfo, FileAttributes) == 56 && offsetof(IdBothDirInfo, FileId) == 96 &&
                  offsetof(IdBothDirInfo, FileName) == 104,
              "FILE_ID_BOTH_DIR_INFO layout");
typedef BOOL(WINAPI* QueryByHandleFn)(HANDLE, int, LPVOID, DWORD);

QueryByHandleFn DirectoryQuery() {
    static const QueryByHandleFn query = reinterpret_cast<QueryByHandleFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
    return query;
}

// Names longer than a path could hold still count for the system-file test.
constexpr int kNameBytes = 3 * 255 + 1;

// One entry of a listing, whichever way the folder was listed.
struct Entry {
    const char* name;
    DWORD attributes;
};

// Lists a folder through a handle on the folder itself, so that the entries are those of the folder that
// was checked: with `itself`, a folder that is a junction or a symbolic link now (whatever its parent's
// listing said a moment ago) is not listed; without, a link is followed (the walk's own start). Calls
// visit(entry) for every entry until it answers false. kUnavailable where the platform lacks the query.
enum class Listed { kYes, kLink, kNo, kUnavailable };

template <class Visit>
Listed ListByHandle(const char* folder, bool itself, std::vector<unsigned char>& buffer, Visit visit) {
    QueryByHandleFn query = DirectoryQuery();
    if (!query) return Listed::kUnavailable;
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (itself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE h = CreateFileA(folder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Listed::kNo;
    if (buffer.size() < 64 * 1024) buffer.resize(64 * 1024);
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    Listed result = Listed::kYes;
    bool first = true, more = true;
    char name[kNameBytes + 1];
    while (more && query(h, kIdBothDirectoryInfo, buffer.data(), (DWORD)buffer.size())) {
        for (size_t at = 0;;) {
            const IdBothDirInfo* info = reinterpret_cast<const IdBothDirInfo*>(buffer.data() + at);
            int n =
                WideCharToMultiByte(codePage, 0, info->FileName, (int)(info->FileNameLength / sizeof(WCHAR)),
                                    name, kNameBytes, nullptr, nullptr);
            name[n > 0 ? n : 0] = 0;
            if (first && itself) {
                // The "." entry, listed first, describes the folder the handle holds; where a file
                // system lists none, the handle itself is asked.
                bool link = n == 1 && name[0] == '.'
                                ? (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                                : IsReparsePoint(h);
                if (link) {
                    result = Listed::kLink;
                    more = false;
                    break;
                }
            }
            first = false;
            if (n > 0 && !visit(Entry{name, info->FileAttributes})) {
                more = false;
                break;
            }
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
    }
    // A folder whose first query fails was not listed (not a folder, no right to list it); a failure
    // later ends the listing as the end of the entries does.
    if (more && first && GetLastError() != ERROR_NO_MORE_FILES) result = Listed::kNo;
    CloseHandle(h);
    return result;
}

// The same by name, where the platform has no directory query through a handle. A folder is first
// asked whether it is a link now: a link made since its parent was listed is not entered.
template <class Visit> Listed ListByName(const char* folder, bool itself, Visit visit) {
    if (itself && IsFolderLink(folder)) return Listed::kLink;
    PathBuf pattern;
    if (!JoinPath(pattern, folder, "*")) return Listed::kNo;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return Listed::kNo;
    do {
        if (!visit(Entry{fd.cFileName, fd.dwFileAttributes})) break;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return Listed::kYes;
}

} // namespace

bool TreeScan::List(const PathBuf& folder, Listing& listing, bool itself, bool* link) {
    bool wantSystem = (m_what & kSystemFiles) && m_systemCode == 0;
    auto visit = [&](const Entry& e) {
        const char* name = e.name;
        if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsMarkerName(name)) listing.hasMarker = true;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return true;
            // Junctions and symbolic links are not followed: they may lead out of the tree or back
            // into it.
            if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
            listing.folders.emplace_back(name);
            return true;
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
                if (!(m_what & kProtectedFolders)) return false;
            }
        }
        return true;
    };
    Listed listed = ListByHandle(folder.c_str(), itself, m_buffer, visit);
    if (listed == Listed::kUnavailable) listed = ListByName(folder.c_str(), itself, visit);
    if (link) *link = listed == Listed::kLink;
    return listed == Listed::kYes;
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
        Listing inner;
        bool link = false;
        bool listed = List(child, inner, true, &link);
        if (link) continue; // became a link since its parent was listed: not entered, not asked
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
    if (!List(start, top, false, nullptr)) return false;
    if (!Done()) Descend(start, top, (m_what & kProtectedFolders) != 0);
    return true;
}

} // namespace folders
} // namespace zrpc
