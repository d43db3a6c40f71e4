// Deletion of protected folder trees through the filter channel, and the file-in-use test.
#include <windows.h>

#include <cstdio>
#include <string>

#include "folders/win_folders.h"
#include "base/pathroot.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

using namespace zrpc::folders;

namespace {

constexpr unsigned long kOnlyIfProtected = 0x01;
constexpr unsigned long kDescend = 0x02;
constexpr unsigned long kForceQuiet = 0x04;
constexpr unsigned long kCannotOpen = zrpc::kNotRead;
constexpr unsigned long kNotRemoved = zrpc::kNotRead;

// What a deletion walk met: the first failure that left something behind.
struct Walk {
    DWORD firstError = 0;
    void Failed(DWORD error) {
        if (!firstError) firstError = error ? error : ERROR_GEN_FAILURE;
    }
    // The exported answer for a tree that could not be removed: a file held open by another program is
    // reported as such, everything else as a failed removal.
    unsigned long Result() const {
        if (!firstError) return kNotRemoved;
        return firstError == ERROR_SHARING_VIOLATION || firstError == ERROR_LOCK_VIOLATION ? zrpc::kFileInUse
                                                                                           : kNotRemoved;
    }
};

enum class Marker { Deleted, Missing, Kept };

// Deletes the marker file of folder.
Marker DeleteFolderMarker(const char* folder, Walk& walk) {
    PathBuf marker;
    if (!MarkerPath(marker, folder)) return Marker::Missing; // a path that does not fit names no marker
    if (DeleteFileA(marker.c_str())) return Marker::Deleted;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Marker::Missing;
    walk.Failed(error);
    return Marker::Kept;
}

void ShowListingFailure(const std::string& pattern, DWORD error) {
    char text[400];
    std::snprintf(text, sizeof text, "Failed FindFirstFile : %s, %08lX", pattern.c_str(),
                  (unsigned long)error);
    MessageBoxA(nullptr, text, "Debug", MB_OK);
}

bool IsDotName(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Removes a link to a folder elsewhere, never what it points to. Only when a handle on the link itself
// shows the link: where the platform opens the target instead (Wine with Linux links), removing "the
// link" would remove an empty target, so the link is left and counted as a failure.
void RemoveLink(const char* link, Walk& walk) {
    HANDLE h = OpenFolderItself(link);
    bool itself = h != INVALID_HANDLE_VALUE && IsReparsePoint(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!itself) {
        walk.Failed(ERROR_NOT_SUPPORTED);
        return;
    }
    SetFileAttributesA(link, FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(link) && !DeleteFileA(link)) walk.Failed(GetLastError());
}

// Closes a folder handle when it goes out of scope (or earlier, through Close).
class FolderHandle {
  public:
    explicit FolderHandle(HANDLE h) : m_h(h) {}
    ~FolderHandle() { Close(); }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    bool Open() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    void Close() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE m_h;
};

// Deletes folder's marker, then its content, then folder itself; tells the filter of each folder
// removed. A folder that is a link (junction or symbolic link) is removed as a link: nothing it points
// to is touched. True when folder is still there afterwards (a folder without a marker that is left
// alone, bit 0x04 clear, does not count as a failure).
bool DeleteEncryptedTree(const char* folder, unsigned long flags, unsigned long reserved, Walk& walk) {
    flags |= kDescend;
    // Held open, without delete sharing, until the folder itself is removed: checked as it is now, and
    // not replaced by a link between the check and the listing.
    FolderHandle self(OpenFolderItself(folder));
    if ((self.Open() && IsReparsePoint(self.Get())) || PathIsLink(folder)) {
        self.Close();
        RemoveLink(folder, walk);
        return GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES;
    }
    Marker marker = DeleteFolderMarker(folder, walk);
    if (marker != Marker::Deleted && !(flags & kForceQuiet)) return marker == Marker::Kept;

    PathBuf pattern;
    if (!JoinPath(pattern, folder, "*.*")) {
        // The pattern would not fit: the folder is treated as one that cannot be listed.
        if (!(flags & kForceQuiet))
            ShowListingFailure(std::string(folder) + "\\*.*", ERROR_FILENAME_EXCED_RANGE);
        walk.Failed(ERROR_FILENAME_EXCED_RANGE);
        return true;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (!(flags & kForceQuiet)) ShowListingFailure(pattern.c_str(), error);
        // A folder that is not there (any more) is no failure.
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) return false;
        walk.Failed(error);
        return true;
    }
    do {
        bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && IsDotName(fd.cFileName)) continue;
        PathBuf entry;
        // An entry whose full path would not fit is left alone: a cut-down path could name
        // something else, even a folder outside this tree.
        if (!JoinPath(entry, folder, fd.cFileName)) {
            walk.Failed(ERROR_FILENAME_EXCED_RANGE);
            continue;
        }
        if (isFolder) {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveLink(entry.c_str(), walk);
            } else {
                DeleteEncryptedTree(entry.c_str(), flags, reserved, walk);
            }
        } else {
            SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(entry.c_str())) walk.Failed(GetLastError());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);

    self.Close();
    SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    BOOL removed = RemoveDirectoryA(folder);
    DWORD error = removed ? 0 : GetLastError();
    if (removed) {
        FilterNotifyFolderRemoved(folder);
        return false;
    }
    walk.Failed(error);
    if (flags & kForceQuiet) return true;
    char text[64];
    std::snprintf(text, sizeof text, "Failed remove directory : %08lX", (unsigned long)error);
    MessageBoxA(nullptr, text, folder, MB_OK);
    return true;
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DeleteEncryptedFolder(const char* folder, unsigned long flags,
                                                      unsigned long reserved) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        // A drive or share root, or a text that is not a full path (empty, relative, drive-relative) or
        // that comes to a root once "." and ".." are resolved, would empty a whole drive: refused before
        // anything is touched.
        if (!folder || !zrpc::IsAbsolutePath(folder)) return kBadArgument;
        char full[kPathChars];
        DWORD n = GetFullPathNameA(folder, (DWORD)sizeof full, full, nullptr);
        if (n == 0 || n >= sizeof full || zrpc::IsRootPath(full)) return kBadArgument;
        if ((flags & kOnlyIfProtected) && !zrpc::folders::IsProtected(folder)) return 1;
        if (OpenFilterDevice()) return 1;
        RegisterFilterSession();
        FilterBeginOperation();
        Walk walk;
        bool failed = true;
        zrpc::GuardVoid([&] { failed = DeleteEncryptedTree(folder, flags, reserved, walk); });
        FilterEndOperation();
        CloseFilterDevice();
        return failed ? walk.Result() : 0;
    });
}

ZRPC_API unsigned long ZRPCFUNC_CopyEncryptedFolder(...) {
    return kNoFilter;
}

ZRPC_API unsigned long ZRPCFUNC_MoveEncryptedFolder(...) {
    return kNoFilter;
}

ZRPC_API unsigned long ZRPCFUNC_IsFileInUse(const char* file) {
    return zrpc::Guard<unsigned long>(kCannotOpen, [&]() -> unsigned long {
        if (!file) return kCannotOpen;
        DWORD attributes = GetFileAttributesA(file);
        bool cleared = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                       SetFileAttributesA(file, attributes & ~FILE_ATTRIBUTE_READONLY);
        HANDLE h = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
        unsigned long result = 0;
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        } else {
            DWORD error = GetLastError();
            result = (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) ? zrpc::kFileInUse
                                                                                         : kCannotOpen;
        }
        if (cleared) SetFileAttributesA(file, attributes);
        return result;
    });
}
