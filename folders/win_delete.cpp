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

// What the deletion of one folder came to.
enum class Outcome {
    kRemoved,    // the folder is gone (or was not there)
    kUntouched,  // left as it was: no marker of its own and bit 0x04 clear
    kMarkerKept, // left as it was: its marker could not be deleted and bit 0x04 is clear
    kNotRemoved, // the walk ran (the marker is gone, content perhaps too) but the folder is still there
};

struct Result {
    Outcome outcome;
    DWORD error; // the platform's error of the step that failed
};

enum class Marker { kDeleted, kMissing, kKept };

// Deletes the marker file of folder (long form).
Marker DeleteFolderMarker(const std::wstring& folder, DWORD& error) {
    if (DeleteFileW(MarkerPath(folder).c_str())) return Marker::kDeleted;
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Marker::kMissing;
    return Marker::kKept;
}

void ShowBox(const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

std::wstring Hex(DWORD error) {
    wchar_t text[12];
    std::swprintf(text, sizeof text / sizeof text[0], L"%08lX", (unsigned long)error);
    return text;
}

bool StartsWithDot(const wchar_t* name) {
    return name[0] == L'.';
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

// A junction or symbolic link met as a folder of the tree (or given as the tree): it is removed as a
// link, never followed, by the rule of any folder: without bit 0x04, only when what it shows is
// protected. Removed only when a handle on the link itself shows the link: where the platform opens
// the target instead (Wine with Linux links), removing "the link" would remove an empty target, so the
// link stays. Links are not announced to the filter: no protected folder went with them.
Result DeleteLink(const std::wstring& link, unsigned long flags) {
    if (!(flags & kForceQuiet) && !IsProtected(link)) return {Outcome::kUntouched, 0};
    HANDLE h = OpenFolderItself(link);
    bool itself = h != INVALID_HANDLE_VALUE && IsReparsePoint(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!itself) return {Outcome::kNotRemoved, ERROR_NOT_SUPPORTED};
    SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryW(link.c_str()) || DeleteFileW(link.c_str())) return {Outcome::kRemoved, 0};
    return {Outcome::kNotRemoved, GetLastError()};
}

// Deletes folder's marker, then its content, then folder itself (folder in long form); tells the
// filter of each folder removed, and with bit 0x04 of each folder it tried to remove.
Result DeleteEncryptedTree(const std::wstring& folder, unsigned long flags, unsigned long reserved) {
    flags |= kDescend;
    const std::wstring plain = PlainForm(folder);
    // Held open, without delete sharing, until the folder itself is removed: checked as it is now, and
    // not replaced by a link between the check and the listing.
    FolderHandle self(OpenFolderItself(folder));
    if ((self.Open() && IsReparsePoint(self.Get())) || PathIsLink(folder)) {
        self.Close();
        return DeleteLink(folder, flags);
    }
    DWORD error = 0;
    Marker marker = DeleteFolderMarker(folder, error);
    if (marker == Marker::kMissing && !(flags & kForceQuiet)) return {Outcome::kUntouched, 0};
    if (marker == Marker::kKept && !(flags & kForceQuiet)) return {Outcome::kMarkerKept, error};

    const std::wstring pattern = JoinPath(folder, L"*.*");
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (!(flags & kForceQuiet))
            ShowBox(L"Failed FindFirstFile : " + PlainForm(pattern) + L", " + Hex(error), L"Debug");
        // A folder that is not there (any more) is no failure.
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) return {Outcome::kRemoved, 0};
        return {Outcome::kNotRemoved, error};
    }
    do {
        const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Folders whose names begin with a dot are left, "." and ".." among them.
        if (isFolder && StartsWithDot(fd.cFileName)) continue;
        const std::wstring entry = JoinPath(folder, fd.cFileName);
        if (isFolder) {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                DeleteLink(entry, flags);
            else
                DeleteEncryptedTree(entry, flags, reserved);
        } else {
            SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(entry.c_str());
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);

    self.Close();
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool removed = RemoveDirectoryW(folder.c_str()) != FALSE;
    error = removed ? 0 : GetLastError();
    // With bit 0x04 a folder that could not be removed is announced all the same: its marker is gone,
    // so it is no longer protected.
    if (removed || (flags & kForceQuiet)) FilterNotifyFolderRemoved(folder);
    if (removed) return {Outcome::kRemoved, 0};
    if (!(flags & kForceQuiet)) ShowBox(L"Failed remove directory : " + Hex(error), plain);
    return {Outcome::kNotRemoved, error};
}

unsigned long ExportedResult(const Result& r) {
    switch (r.outcome) {
    case Outcome::kRemoved:
    case Outcome::kUntouched:
        return zrpc::kOk;
    case Outcome::kMarkerKept:
        return r.error == ERROR_SHARING_VIOLATION || r.error == ERROR_LOCK_VIOLATION ? zrpc::kFileInUse
                                                                                     : zrpc::kNotRead;
    default:
        return zrpc::kFolderNotRemoved;
    }
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DeleteEncryptedFolder(const char* folder, unsigned long flags,
                                                      unsigned long reserved) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        // A drive or share root, or a text that is not a full path (empty, relative, drive-relative) or
        // that comes to a root once "." and ".." are resolved, would empty a whole drive or depend on
        // the current folder: refused before anything is touched.
        if (!folder || !zrpc::IsAbsolutePath(folder)) return kBadArgument;
        std::wstring full;
        if (TakePath(folder, full) != zrpc::kOk || zrpc::IsRootPath(full.c_str())) return kBadArgument;
        if ((flags & kOnlyIfProtected) && !IsProtected(full)) return 1;
        if (OpenFilterDevice()) return 1;
        RegisterFilterSession();
        FilterBeginOperation();
        Result result = {Outcome::kNotRemoved, 0};
        zrpc::GuardVoid([&] { result = DeleteEncryptedTree(LongForm(full), flags, reserved); });
        FilterEndOperation();
        CloseFilterDevice();
        return ExportedResult(result);
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
        std::wstring full;
        if (TakePath(file, full) != zrpc::kOk) return kBadArgument;
        const std::wstring path = LongForm(full);
        DWORD attributes = GetFileAttributesW(path.c_str());
        bool cleared = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                       SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
        unsigned long result = 0;
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        } else {
            DWORD error = GetLastError();
            result = (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) ? zrpc::kFileInUse
                                                                                         : kCannotOpen;
        }
        if (cleared) SetFileAttributesW(path.c_str(), attributes);
        return result;
    });
}
