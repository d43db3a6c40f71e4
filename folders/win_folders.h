// Internal interface of the folder-protection code: the filter channel, the marker file and the
// front-end window, shared by the queries, the deletion and the encryptability rules. Paths are the
// full UTF-16 paths of folders/win_path.h.
#ifndef ZRPC_FOLDERS_FOLDERS_H
#define ZRPC_FOLDERS_FOLDERS_H

#include <windows.h>

#include <string>

#include "folders/filter_request.h"
#include "folders/win_path.h"
#include "include/zrpcresult.h"

namespace zrpc {
namespace folders {

constexpr wchar_t kMarkerName[] = L"vktpdir.info";
constexpr size_t kMarkerRecordSize = 127;

using zrpc::kBadArgument;
constexpr unsigned long kNoFilter = kNotAvailable; // filter device missing or its request failed

// Front-end window and messages.
constexpr char kFrontEndClass[] = "CorvanePlusClass";
constexpr char kFrontEndTitle[] = "Corvane+";
constexpr UINT kMsgQueryEnabled = WM_USER + 1000;         // 2024
constexpr UINT kMsgQueryBusy = WM_USER + 1001;            // 2025
constexpr UINT kMsgQueryKeyService = WM_USER + 1003;      // 2027
constexpr UINT kMsgQueryMasterActive = WM_USER + 1006;    // 2030
constexpr UINT kMsgQueryDeletePermitted = WM_USER + 1015; // 2039

// Marker path of folder, in the form handed to the platform: folder, a backslash unless it ends in
// one, "vktpdir.info".
inline std::wstring MarkerPath(const std::wstring& folder) {
    return LongForm(JoinPath(folder, kMarkerName));
}

// The filter channel. Every operation: OpenFilterDevice (true = failed), RegisterFilterSession,
// FilterBeginOperation, its commands, FilterEndOperation, CloseFilterDevice.
bool OpenFilterDevice();
void CloseFilterDevice();
void RegisterFilterSession();
bool SendFilterRequest(FilterRequest* request);
void FilterBeginOperation();
void FilterEndOperation();
// Tells the filter that folder (a full path, plain or long form) was removed. Not sent for a folder
// whose path the code page cannot hold or that would pass 259 characters with its trailing backslash.
void FilterNotifyFolderRemoved(const std::wstring& folder);

// The filter's flags record (eight values) through the control device: 0, 3 without a record, 13
// when the device is missing or its request fails.
unsigned long QueryFilterFlags(unsigned long* flagsRecord);

// Marker files: whether folder (a full path) holds one, and (IsProtectedEx, when record is not null)
// its 127-byte record, all zero when the record cannot be read whole.
bool IsProtected(const std::wstring& folder);
bool IsProtectedEx(const std::wstring& folder, unsigned char* record);

// The client's front end: its window (when it runs); its replies, passed on unchanged, to whether it is
// busy and whether the master key is active (0 when it does not run); and whether the caller belongs
// to the administrators.
bool FrontEndWindow(HWND* window);
BOOL FrontEndBusy();
BOOL MasterActive();
bool IsAdministrator();

// Opens a folder itself (path in long form), not what it may link to, so that its attributes can be
// checked through the handle and it cannot be renamed or replaced while it is open.
// INVALID_HANDLE_VALUE when it cannot.
inline HANDLE OpenFolderItself(const std::wstring& folder) {
    return CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

inline bool IsReparsePoint(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when the attributes the path gives now mark a junction or a symbolic link.
inline bool PathIsLink(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when the name of a directory entry (len characters) is the marker file's, in any case.
inline bool IsMarkerName(const wchar_t* name, size_t len) {
    const size_t n = sizeof kMarkerName / sizeof kMarkerName[0] - 1;
    if (len != n) return false;
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') c = (wchar_t)(c - L'A' + L'a');
        if (c != kMarkerName[i]) return false;
    }
    return true;
}

} // namespace folders
} // namespace zrpc

#endif
