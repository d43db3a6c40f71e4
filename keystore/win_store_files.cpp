// The key store's files: location, lock, loading and the replace protocol.
#include "keystore/win_store_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/win_file.h"
#include "base/text.h"
#include "base/win_settings.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "keystore/progress.h"

namespace zks {

namespace {

const char kStoreName[] = "KeyStore.xml";
const char kTempName[] = "TempStore.xml";
// Earlier versions named each writer's temporary file "TempStore.<process id>.xml".
const char kTempStem[] = "TempStore.";
const char kTempExtension[] = ".xml";
const char kPreviousName[] = "Previous.dat";

constexpr DWORD kLockWaitMs = 60000;
// A reader of another process may hold the store open for a moment; the replacement waits for it.
constexpr int kReplaceTries = 250;
constexpr DWORD kReplaceRetryMs = 20;

// The folder part of path, up to and including its last backslash.
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Retryable(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

} // namespace

bool StorePath(std::string& path) {
    path.clear();
    char folder[MAX_PATH + 1];
    if (!zrpc::ReadRegistryString(HKEY_LOCAL_MACHINE, zrpc::kClientKey, zrpc::kInstallDirValue, folder,
                                  sizeof folder))
        return false;
    std::string dir = folder;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    dir += kStoreName;
    if (dir.size() > kMaxPath) return false;
    path = dir;
    return true;
}

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

StoreFile StoreFileAt(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return StoreFile::missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return StoreFile::folder;
    if (attributes & FILE_ATTRIBUTE_READONLY) return StoreFile::readOnly;
    return StoreFile::file;
}

unsigned long ChangeRefusal(StoreFile state) {
    switch (state) {
    case StoreFile::missing:
    case StoreFile::folder:
        return kNoStore;
    case StoreFile::readOnly:
        return kAccessDenied; // whoever set the attribute wants the store left as it is
    default:
        return kOk;
    }
}

// Writes a whole file and flushes it to the disk before closing; the partial file is deleted on failure.
static bool WriteWholeFile(const std::string& path, const std::string& data) {
    return zrpc::WriteWholeFile(path.c_str(), data.data(), data.size());
}

bool LoadStore(const std::string& path, StoreDoc& doc, StoreUse use, bool* whole) {
    // Shared for reading, writing and deleting, so that another process can replace the store meanwhile.
    zrpc::FileBytes file;
    if (whole) *whole = false;
    if (zrpc::ReadWholeFile(path.c_str(), true, file) != zrpc::FileRead::Ok || file.size() == 0) return false;
    if (zrpc::ContainsNul(file.data(), file.size())) {
        // Stray NUL bytes: read as the chunked file reader would have read them. Such a file is never
        // whole.
        std::string text = ChunkedText(file.data(), file.size());
        file.Clear();
        bool ok = doc.Load(text.data(), text.size(), use);
        WipeString(text);
        return ok;
    }
    // Parsed in place: the document takes the block over, and tells what it met on the way.
    size_t size = file.size();
    bool ok = doc.LoadHeapText(file.Release(), size, XmlBuild::on_demand, use);
    if (ok && whole) *whole = doc.Whole();
    return ok;
}

// The temporary file beside the store. Writers are kept apart by the store lock, so one name serves.
static std::string TempPath(const std::string& folder) {
    return folder + kTempName;
}

// Deletes the temporary files a writer that was stopped in the middle of a save left: "TempStore.xml"
// (every writer holds the store lock while it has one, and this one holds it now) and the files of
// earlier versions, "TempStore.<process id>.xml", whose writer is gone.
static void RemoveLeftoverTemps(const std::string& folder) {
    const std::string temp = TempPath(folder);
    if (IsFile(temp)) {
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
    }
    const std::string pattern = folder + kTempStem + "*" + kTempExtension;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const size_t stem = sizeof kTempStem - 1, extension = sizeof kTempExtension - 1;
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (name.size() <= stem + extension) continue;
        const std::string digits = name.substr(stem, name.size() - stem - extension);
        if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const DWORD pid = (DWORD)std::strtoul(digits.c_str(), nullptr, 10);
        bool gone = true;
        if (pid != GetCurrentProcessId()) {
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
            if (process) {
                gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
                CloseHandle(process);
            } else {
                gone = GetLastError() == ERROR_INVALID_PARAMETER; // no such process
            }
        }
        if (gone) DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Moves source over target in one step, waiting a little for readers that hold the target open.
static bool MoveOver(const std::string& source, const std::string& target) {
    for (int i = 0; i < kReplaceTries; ++i) {
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!Retryable(GetLastError())) break;
        // Only a store file that is still a plain file is worth waiting for.
        if (StoreFileAt(target) != StoreFile::file && StoreFileAt(target) != StoreFile::missing) break;
        Sleep(kReplaceRetryMs);
    }
    return false;
}

bool SaveStore(const StoreDoc& doc, const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string temp = TempPath(folder), before = folder + kPreviousName;
    if (temp.size() > kMaxPath || before.size() > kMaxPath) return false;
    // Nothing is written for a store that cannot be replaced.
    if (StoreFileAt(path) != StoreFile::file) return false;
    RemoveLeftoverTemps(folder);

    // 1. The new content, complete and on the disk, under its own name. It goes out in pieces as it is
    // laid out: no copy of the whole text is made.
    {
        zrpc::WholeFileWriter writer(temp.c_str());
        if (!writer.Created()) return false;
        auto put = [](void* context, const char* data, size_t size) {
            return static_cast<zrpc::WholeFileWriter*>(context)->Write(data, size);
        };
        if (!doc.Write(put, &writer) || !writer.Commit()) return false;
    }

    // 2. The content before the change: a second name for the present store file, which the library
    // never writes in place; a copy where the file system has no links. The caller holds the store
    // lock, so the present file is the one the document was loaded from.
    DeleteFileA(before.c_str());
    bool ok = CreateHardLinkA(before.c_str(), path.c_str(), nullptr) ||
              CopyFileA(path.c_str(), before.c_str(), FALSE);

    // 3. One rename puts the new content in place: a crash leaves either file whole.
    ok = ok && MoveOver(temp, path);
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

StoreLock::StoreLock(const std::string& path) {
    // One name for every spelling of the path: upper case, one kind of slash, hashed (FNV-1a).
    uint64_t hash = 1469598103934665603ull;
    for (char c : path) {
        char u = c == '/' ? '\\' : (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
        hash = (hash ^ (unsigned char)u) * 1099511628211ull;
    }
    char name[80];
    // The store is the machine's, shared by every user: so is its lock. Where the global namespace is
    // refused (a process without the right to create global objects), the session's lock still keeps
    // that session's writers apart.
    std::snprintf(name, sizeof name, "Global\\ZRPCFunc.KeyStore.%08X%08X", (unsigned)(hash >> 32),
                  (unsigned)hash);
    m_mutex = CreateMutexA(nullptr, FALSE, name);
    if (!m_mutex) m_mutex = CreateMutexA(nullptr, FALSE, name + std::strlen("Global\\"));
    if (!m_mutex) return;
    DWORD r = WaitForSingleObject(m_mutex, kLockWaitMs);
    // An owner that died mid-change left the store old or new, never torn: carry on.
    m_held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

StoreLock::~StoreLock() {
    if (m_held) ReleaseMutex(m_mutex);
    if (m_mutex) CloseHandle(m_mutex);
}

bool CreateStoreFile(HWND parent, const char* path) {
    if (!path) return false;
    size_t length = strnlen(path, MAX_PATH);
    if (length == 0 || length > kMaxPath) return false;
    std::string store;
    const bool isStore = StorePath(store) && EqualNoCase(store.c_str(), path);
    // A folder in the store's place, or a read-only store, is refused before anything is shown or
    // written.
    if (isStore && StoreFileAt(store) != StoreFile::missing && StoreFileAt(store) != StoreFile::file)
        return false;
    bool ok = false;
    {
        ProgressScope working(IDS_CREATING_KEY_STORE);
        // Creating the store itself is a change like any other.
        StoreLock lock(isStore ? store : std::string(path));
        StoreDoc doc;
        std::string content;
        ok = doc.NewEmpty() && doc.Serialize(content);
        if (ok && isStore) {
            // The store is never written in place: "Previous.dat" may be another name of its file.
            const std::string temp = TempPath(FolderOf(store));
            const StoreFile state = StoreFileAt(store);
            ok = (state == StoreFile::missing || state == StoreFile::file) && temp.size() <= kMaxPath;
            if (ok) {
                RemoveLeftoverTemps(FolderOf(store));
                ok = WriteWholeFile(temp, content) && MoveOver(temp, store);
                if (!ok) DeleteFileA(temp.c_str());
            }
        } else if (ok) {
            ok = WriteWholeFile(path, content);
        }
    }
    if (parent && IsWindow(parent)) {
        InvalidateRect(parent, nullptr, TRUE);
        UpdateWindow(parent);
    }
    return ok;
}

} // namespace zks
