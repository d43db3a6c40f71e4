// Questions answered from the folder marker file alone, and the classification of slow paths.
#include <windows.h>

#include <cstring>

#include "folders/win_folders.h"
#include "folders/treescan.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

using namespace zrpc::folders;

namespace {

// Length of the shortest ancestor that a parent walk may examine: for a UNC path "\\server\share..."
// the share itself ("\\server\share"); 0 for other paths.
size_t ShareRootLength(const std::wstring& path) {
    if (path.size() < 2 || path[0] != L'\\' || path[1] != L'\\') return 0;
    size_t slash = path.find(L'\\', 2);
    if (slash == std::wstring::npos) return path.size();
    size_t end = path.find(L'\\', slash + 1);
    return end == std::wstring::npos ? path.size() : end;
}

// The folder a child search starts from: path itself when it is a directory, else the folder that
// holds it. A file directly in a drive root is searched from that root ("C:\", not "C:", which would
// name the drive's current folder). False when path has no folder part.
bool SearchedFolder(std::wstring& path) {
    DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    size_t cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos) return false;
    path.resize(cut);
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    return true;
}

} // namespace

bool zrpc::folders::IsProtected(const std::wstring& folder) {
    return GetFileAttributesW(MarkerPath(folder).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool zrpc::folders::IsProtectedEx(const std::wstring& folder, unsigned char* record) {
    if (!IsProtected(folder)) return false;
    if (!record) return true;
    HANDLE file = CreateFileW(MarkerPath(folder).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    DWORD got = 0;
    if (!ReadFile(file, record, (DWORD)kMarkerRecordSize, &got, nullptr) || got < kMarkerRecordSize)
        std::memset(record, 0, kMarkerRecordSize);
    CloseHandle(file);
    return true;
}

ZRPC_API BOOL ZRPCFUNC_IsFolderProtected(const char* folder) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        std::wstring full;
        return TakePath(folder, full) == zrpc::kOk && IsProtected(full) ? TRUE : FALSE;
    });
}

ZRPC_API BOOL ZRPCFUNC_IsFolderProtectedEx(const char* folder, unsigned char* record) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        std::wstring full;
        return TakePath(folder, full) == zrpc::kOk && IsProtectedEx(full, record) ? TRUE : FALSE;
    });
}

ZRPC_API BOOL ZRPCFUNC_HasProtectedParent(const char* path) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        std::wstring work;
        if (TakePath(path, work) != zrpc::kOk) return FALSE;
        if (!work.empty() && work.back() == L'\\') work.pop_back();
        size_t floor = ShareRootLength(work);
        for (;;) {
            size_t cut = work.find_last_of(L'\\');
            if (cut == std::wstring::npos || cut < floor) return FALSE;
            work.resize(cut);
            // "C:" here stands for the drive's root: its marker path is "C:\vktpdir.info".
            if (IsProtected(work)) return TRUE;
        }
    });
}

ZRPC_API BOOL ZRPCFUNC_HasProtectedChild(const char* path, BOOL* found) {
    return zrpc::Guard<BOOL>(FALSE, [&]() -> BOOL {
        if (!path || !found) return FALSE;
        std::wstring folder;
        if (TakePath(path, folder) != zrpc::kOk || !SearchedFolder(folder)) return FALSE;
        TreeScan scan(TreeScan::kProtectedFolders);
        if (!scan.Run(folder)) return FALSE;
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
