// Questions answered from the folder marker file alone, and the classification of slow paths.
#include <windows.h>

#include <cstring>

#include "folders/win_folders.h"
#include "folders/treescan.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

using namespace zrpc::folders;

namespace {

bool MarkerExists(const char* folder) {
    PathBuf marker;
    if (!MarkerPath(marker, folder)) return false; // a marker path that would not fit names no marker
    return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Length of the shortest ancestor that a parent walk may examine: for a UNC path "\\server\share..."
// the share itself ("\\server\share"); 0 for other paths.
size_t ShareRootLength(const char* path) {
    if (path[0] != '\\' || path[1] != '\\') return 0;
    const char* server = path + 2;
    const char* slash = std::strchr(server, '\\');
    if (!slash) return std::strlen(path);
    const char* end = std::strchr(slash + 1, '\\');
    return end ? (size_t)(end - path) : std::strlen(path);
}

} // namespace

bool zrpc::folders::IsProtected(const char* folder) {
    return folder && MarkerExists(folder);
}

bool zrpc::folders::IsProtectedEx(const char* folder, unsigned char* record) {
    if (!IsProtected(folder)) return false;
    if (!record) return true;
    PathBuf marker;
    MarkerPath(marker, folder);
    HANDLE file =
        CreateFileA(marker.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    DWORD got = 0;
    if (!ReadFile(file, record, (DWORD)kMarkerRecordSize, &got, nullptr) || got < kMarkerRecordSize)
        std::memset(record, 0, kMarkerRecordSize);
    CloseHandle(file);
    return true;
}

ZRPC_API BOOL ZRPCFUNC_IsFolderProtected(const char* folder) {
    return zrpc::Guard<BOOL>(FALSE, [&] { return IsProtected(folder) ? TRUE : FALSE; });
}

ZRPC_API BOOL ZRPCFUNC_IsFolderProtectedEx(const char* folder, unsigned char* record) {
    return zrpc::Guard<BOOL>(FALSE, [&] { return IsProtectedEx(folder, record) ? TRUE : FALSE; });
}

ZRPC_API BOOL ZRPCFUNC_HasProtectedParent(const char* path) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        PathBuf work;
        if (!path || !work.Set(path)) return FALSE;
        if (work.EndsWithSeparator()) work.Truncate(work.size() - 1);
        size_t floor = ShareRootLength(work.c_str());
        for (;;) {
            long cut = work.LastSeparator();
            if (cut < 0 || (size_t)cut < floor) return FALSE;
            work.Truncate((size_t)cut);
            if (MarkerExists(work.c_str())) return TRUE;
        }
    });
}

ZRPC_API BOOL ZRPCFUNC_HasProtectedChild(const char* path, BOOL* found) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        if (!path || !found) return FALSE;
        PathBuf folder;
        if (!folder.Set(path)) return FALSE;
        DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            // The folder of a file is searched.
            long cut = folder.LastSeparator();
            if (cut < 0) return FALSE;
            folder.Truncate((size_t)cut);
        }
        TreeScan scan(TreeScan::kProtectedFolders);
        if (!scan.Run(folder.c_str())) return FALSE;
        if (scan.FoundProtected()) *found = TRUE;
        return TRUE;
    });
}

ZRPC_API BOOL ZRPCFUNC_IsSlowPath(const char* path) {
    return zrpc::Guard<BOOL>(TRUE, [&]() -> BOOL {
        if (!path || std::strlen(path) < 3) return TRUE;
        if (path[0] == '\\' && path[1] == '\\') return TRUE;
        char root[4] = {path[0], path[1], path[2], 0};
        return GetDriveTypeA(root) == DRIVE_REMOTE ? TRUE : FALSE;
    });
}
