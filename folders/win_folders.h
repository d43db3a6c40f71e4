// Internal interface of the folder-protection code: the filter channel, the marker file and the
// front-end window, shared by the queries, the deletion and the encryptability rules.
#ifndef ZRPC_FOLDERS_FOLDERS_H
#define ZRPC_FOLDERS_FOLDERS_H

#include <windows.h>

#include <string>

#include "folders/filter_request.h"
#include "folders/pathbuf.h"

namespace zrpc {
namespace folders {

constexpr char kMarkerName[] = "vktpdir.info";
constexpr size_t kMarkerRecordSize = 127;

constexpr unsigned long kNoFilter = 13; // filter device missing or its request failed
constexpr unsigned long kBadArgument = 3;

// Front-end window and messages.
constexpr char kFrontEndClass[] = "CorvanePlusClass";
constexpr char kFrontEndTitle[] = "Corvane+";
constexpr UINT kMsgQueryEnabled = WM_USER + 1000;         // 2024
constexpr UINT kMsgQueryBusy = WM_USER + 1001;            // 2025
constexpr UINT kMsgQueryKeyService = WM_USER + 1003;      // 2027
constexpr UINT kMsgQueryMasterActive = WM_USER + 1006;    // 2030
constexpr UINT kMsgQueryDeletePermitted = WM_USER + 1015; // 2039

// Marker path of folder: folder, a backslash unless it ends in one, "vktpdir.info".
inline bool MarkerPath(PathBuf& out, const char* folder) {
    return JoinPath(out, folder, kMarkerName);
}

// The filter channel. Every operation: OpenFilterDevice (true = failed), RegisterFilterSession,
// FilterBeginOperation, its commands, FilterEndOperation, CloseFilterDevice.
bool OpenFilterDevice();
void CloseFilterDevice();
void RegisterFilterSession();
bool SendFilterRequest(FilterRequest* request);
void FilterBeginOperation();
void FilterEndOperation();
void FilterNotifyFolderRemoved(const char* folder);

// Compares names as the file system does for the fixed names this code looks for, which are plain
// ASCII: letters without regard to case, every other byte exactly.
inline bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z') x = (unsigned char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (unsigned char)(y - 'A' + 'a');
        if (x != y) return false;
        if (!x) return true;
    }
}

// True when the name of a directory entry is the marker file's.
inline bool IsMarkerName(const char* name) {
    return name && EqualNoCase(name, kMarkerName);
}

} // namespace folders
} // namespace zrpc

#endif
