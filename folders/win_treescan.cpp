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

// One entry of a listing, whichever way the folder was listed.
struct Entry {
    const wchar_t* name;
    size_t len;
    DWORD attributes;
};

bool IsDotName(const wchar_t* name, size_t len) {
    return (len == 1 && name[0] == L'.') || (len == 2 && name[0] == L'.' && name[1] == L'.');
}

// The identity of the folder a handle holds: its volume's serial number and its file number.
bool HandleIdentity(HANDLE h, uint32_t& volume, uint64_t& file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    volume = info.dwVolumeSerialNumber;
    file = ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    return true;
}

HANDLE OpenForListing(const std::wstring& folder) {
    // A junction or symbolic link is opened as what it leads to.
    return CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

enum class Listed { kYes, kNo, kUnavailable };

// Lists a folder through a handle on it, so that the entries are those of the folder whose identity is
// taken. Calls visit(entry) for every entry until it answers false. The folder's file number comes
// from its "." entry where the file system lists one, else (and, with askVolume, its volume too) from
// the handle. kUnavailable where the platform lacks the query.
template <class Visit>
Listed ListByHandle(const std::wstring& folder, std::vector<unsigned char>& buffer, bool askVolume,
                    uint32_t& volume, uint64_t& file, Visit visit) {
    QueryByHandleFn query = DirectoryQuery();
    if (!query) return Listed::kUnavailable;
    HANDLE h = OpenForListing(folder);
    if (h == INVALID_HANDLE_VALUE) return Listed::kNo;
    if (buffer.size() < 64 * 1024) buffer.resize(64 * 1024);
    bool known = askVolume ? HandleIdentity(h, volume, file) : false;
    bool first = true, more = true;
    while (more && query(h, kIdBothDirectoryInfo, buffer.data(), (DWORD)buffer.size())) {
        for (size_t at = 0;;) {
            const IdBothDirInfo* info = reinterpret_cast<const IdBothDirInfo*>(buffer.data() + at);
            const size_t len = info->FileNameLength / sizeof(WCHAR);
            if (first && !known) {
                if (len == 1 && info->FileName[0] == L'.')
                    file = (uint64_t)info->FileId.QuadPart;
                else
                    HandleIdentity(h, volume, file);
                known = true;
            }
            first = false;
            if (len > 0 && !visit(Entry{info->FileName, len, info->FileAttributes})) {
                more = false;
                break;
            }
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
    }
    // A folder whose first query fails was not listed (not a folder, no right to list it); a failure
    // later ends the listing as the end of the entries does.
    Listed result = more && first && GetLastError() != ERROR_NO_MORE_FILES ? Listed::kNo : Listed::kYes;
    if (!known) HandleIdentity(h, volume, file);
    CloseHandle(h);
    return result;
}

// The same by name, where the platform has no directory query through a handle; the identity comes
// from a handle on the folder.
template <class Visit>
Listed ListByName(const std::wstring& folder, uint32_t& volume, uint64_t& file, Visit visit) {
    HANDLE h = OpenForListing(folder);
    if (h == INVALID_HANDLE_VALUE) return Listed::kNo;
    bool known = HandleIdentity(h, volume, file);
    CloseHandle(h);
    if (!known) return Listed::kNo;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return Listed::kNo;
    do {
        if (!visit(Entry{fd.cFileName, std::wcslen(fd.cFileName), fd.dwFileAttributes})) break;
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return Listed::kYes;
}

} // namespace

bool TreeScan::List(const std::wstring& folder, Listing& listing, bool link, Identity& id) {
    bool wantSystem = (m_what & kSystemFiles) && m_systemCode == 0;
    auto visit = [&](const Entry& e) {
        if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsMarkerName(e.name, e.len)) listing.hasMarker = true;
            if (!IsDotName(e.name, e.len))
                listing.folders.push_back(Subfolder{std::wstring(e.name, e.len),
                                                    (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
            return true;
        }
        if (IsMarkerName(e.name, e.len)) listing.hasMarker = true;
        if (wantSystem) {
            unsigned code = SystemFileCode(e.name, e.len);
            if (code) {
                m_systemCode = code;
                wantSystem = false;
                m_systemFile = PlainForm(JoinPath(folder, std::wstring(e.name, e.len).c_str()));
                // Nothing else is wanted from this walk: stop listing at once.
                if (!(m_what & kProtectedFolders)) return false;
            }
        }
        return true;
    };
    Listed listed = ListByHandle(folder, m_buffer, link, id.first, id.second, visit);
    if (listed == Listed::kUnavailable) listed = ListByName(folder, id.first, id.second, visit);
    return listed == Listed::kYes;
}

void TreeScan::Descend(const std::wstring& folder, const Listing& listing, bool lookForMarkers,
                       uint32_t volume) {
    for (const Subfolder& sub : listing.folders) {
        if (Done()) return;
        bool dotted = sub.name[0] == L'.';
        bool markersHere = lookForMarkers && !dotted;
        // A folder that is only searched for markers is not entered when its name begins with '.'.
        if (!markersHere && !((m_what & kSystemFiles) && m_systemCode == 0)) continue;
        const std::wstring child = JoinPath(folder, sub.name.c_str());
        Listing inner;
        Identity id(volume, 0);
        bool listed = List(child, inner, sub.link, id);
        // Met before, through a link or as an ancestor: passed over, neither asked nor entered again.
        if (listed && !m_entered.insert(id).second) continue;
        if (markersHere) {
            // A folder that cannot be listed is still asked for its marker file directly.
            bool isProtected = listed
                                   ? inner.hasMarker
                                   : GetFileAttributesW(MarkerPath(child).c_str()) != INVALID_FILE_ATTRIBUTES;
            if (isProtected) {
                m_protected = true;
                return;
            }
        }
        if (listed) Descend(child, inner, markersHere, id.first);
    }
}

bool TreeScan::Run(const std::wstring& folder) {
    const std::wstring start = LongForm(folder);
    Listing top;
    Identity id(0, 0);
    if (!List(start, top, true, id)) return false;
    m_entered.insert(id);
    if (!Done()) Descend(start, top, (m_what & kProtectedFolders) != 0, id.first);
    return true;
}

} // namespace folders
} // namespace zrpc
