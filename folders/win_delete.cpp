// Deletion of protected folder trees through the filter channel, and the file-in-use test.
#include <windows.h>

#include <cstdio>
#include <string>

#include "folders/win_folders.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"

using namespace zrpc::folders;

namespace {

constexpr unsigned long kOnlyIfProtected = 0x01;
constexpr unsigned long kDescend = 0x02;
constexpr unsigned long kForceQuiet = 0x04;
constexpr unsigned long kFileInUse = 61;
constexpr unsigned long kCannotOpen = 1;

// True when the marker file of folder could not be deleted.
bool DeleteFolderMarker(const char* folder) {
    PathBuf marker;
    if (!MarkerPath(marker, folder)) return true;
    return !DeleteFileA(marker.c_str());
}

void ShowListingFailure(const std::string& pattern, DWORD error) {
    char text[400];
    std::snprintf(text, sizeof text, "Failed FindFirstFile : %s, %08lX", pattern.c_str(),
                  (unsigned long)error);
    MessageBoxA(nullptr, text, "Debug", MB_OK);
}

bool IsDotName(const char* name) {
    return name[0] == '.';
}

// Deletes folder's marker, then its content, then folder itself; tells the filter of each folder
// removed. True when it failed (the caller does not look at it).
bool DeleteEncryptedTree(const char* folder, unsigned long flags, unsigned long reserved) {
    flags |= kDescend;
    if (DeleteFolderMarker(folder) && !(flags & kForceQuiet)) return false;

    PathBuf pattern;
    if (!JoinPath(pattern, folder, "*.*")) {
        // The pattern would not fit: the folder is treated as one that cannot be listed.
        if (!(flags & kForceQuiet))
            ShowListingFailure(std::string(folder) + "\\*.*", ERROR_FILENAME_EXCED_RANGE);
        return true;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (!(flags & kForceQuiet)) ShowListingFailure(pattern.c_str(), error);
        return true;
    }
    do {
        bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && IsDotName(fd.cFileName)) continue;
        PathBuf entry;
        // An entry whose full path would not fit is left alone: a cut-down path could name
        // something else, even a folder outside this tree.
        if (!JoinPath(entry, folder, fd.cFileName)) continue;
        if (isFolder) {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link to a folder elsewhere: remove the link, never what it points to.
                SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
                RemoveDirectoryA(entry.c_str());
            } else {
                DeleteEncryptedTree(entry.c_str(), flags, reserved);
            }
        } else {
            SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(entry.c_str());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);

    SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    BOOL removed = RemoveDirectoryA(folder);
    DWORD error = removed ? 0 : GetLastError();
    if (removed || (flags & kForceQuiet)) {
        FilterNotifyFolderRemoved(folder);
        return false;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Failed remove directory : %08lX", (unsigned long)error);
    MessageBoxA(nullptr, text, folder, MB_OK);
    return true;
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DeleteEncryptedFolder(const char* folder, unsigned long flags,
                                                      unsigned long reserved) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!folder) return kBadArgument;
        if ((flags & kOnlyIfProtected) && !ZRPCFUNC_IsFolderProtected(folder)) return 1;
        if (OpenFilterDevice()) return 1;
        RegisterFilterSession();
        FilterBeginOperation();
        zrpc::GuardVoid([&] { DeleteEncryptedTree(folder, flags, reserved); });
        FilterEndOperation();
        CloseFilterDevice();
        return 0;
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
            result = (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) ? kFileInUse
                                                                                         : kCannotOpen;
        }
        if (cleared) SetFileAttributesA(file, attributes);
        return result;
    });
}
