// The key store's files: location, lock, loading and the replace protocol.
#include "keystore/win_store_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/win_frame.h"
#include "include/zrpcfunc.h"

namespace zks {

namespace {

const char kClientKey[] = "SOFTWARE\\Quillon Limited\\Corvane+\\Client";
const char kInstallValue[] = "strInstallDir";
const char kStoreName[] = "KeyStore.xml";
const char kTempName[] = "TempStore.xml";
const char kPreviousName[] = "Previous.dat";

constexpr DWORD kLockWaitMs = 60000;
constexpr DWORD kIoBlock = 1 << 20;
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
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClientKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char folder[MAX_PATH + 1] = {0};
    DWORD size = MAX_PATH, type = 0;
    LONG rc = RegQueryValueExA(key, kInstallValue, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    folder[size < MAX_PATH ? size : MAX_PATH] = 0;
    std::string dir = folder;
    if (dir.empty()) return false;
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

namespace {

void WipeAndFree(char* block, size_t size) {
    if (!block) return;
    zrpc::Wipe(block, size);
    std::free(block);
}

// Reads the whole file into a std::malloc block one byte longer than the content, that byte 0. The
// file is shared for reading, writing and deleting, so that another process can replace the store
// meanwhile. Null when the file cannot be opened or read.
char* ReadFileToHeap(const std::string& path, size_t& size) {
    size = 0;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER length;
    size_t capacity = 0;
    bool ok = true;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0) {
        if (length.QuadPart >= 0x40000000) ok = false; // no store is that large
        capacity = (size_t)length.QuadPart;
    }
    char* block = ok ? static_cast<char*>(std::malloc(capacity + 1)) : nullptr;
    ok = block != nullptr;
    // The size the file has, then whatever it still gives (it may have grown meanwhile).
    while (ok && size < capacity) {
        DWORD got = 0;
        DWORD want = (DWORD)(capacity - size < kIoBlock * 64 ? capacity - size : kIoBlock * 64);
        if (!::ReadFile(file, block + size, want, &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        size += got;
    }
    char tail[1 << 16];
    for (DWORD got = 0; ok;) {
        if (!::ReadFile(file, tail, sizeof tail, &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        size_t grown = size + got;
        char* bigger = grown < 0x40000000 ? static_cast<char*>(std::malloc(grown + 1)) : nullptr;
        if (!bigger) {
            ok = false;
            break;
        }
        std::memcpy(bigger, block, size);
        std::memcpy(bigger + size, tail, got);
        WipeAndFree(block, capacity + 1);
        block = bigger;
        size = capacity = grown;
    }
    zrpc::Wipe(tail, sizeof tail);
    CloseHandle(file);
    if (!ok) {
        WipeAndFree(block, capacity + 1);
        size = 0;
        return nullptr;
    }
    block[size] = 0;
    return block;
}

} // namespace

bool WriteWholeFile(const std::string& path, const std::string& data, bool* createFailed) {
    if (createFailed) *createFailed = false;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (createFailed) *createFailed = true;
        return false;
    }
    bool ok = true;
    for (size_t at = 0; ok && at < data.size();) {
        DWORD n = (DWORD)(data.size() - at < kIoBlock ? data.size() - at : kIoBlock), wrote = 0;
        ok = ::WriteFile(file, data.data() + at, n, &wrote, nullptr) && wrote == n;
        at += wrote;
    }
    if (ok) ok = FlushFileBuffers(file) != FALSE;
    if (!CloseHandle(file)) ok = false;
    if (!ok) DeleteFileA(path.c_str());
    return ok;
}

bool LoadStore(const std::string& path, StoreDoc& doc, std::string* raw) {
    size_t size = 0;
    char* block = ReadFileToHeap(path, size);
    if (!block) return false;
    if (size == 0) {
        WipeAndFree(block, 1);
        return false;
    }
    bool ok = true;
    if (raw) {
        // The caller keeps the bytes before the change (for Previous.dat).
        try {
            raw->assign(block, size);
        } catch (...) {
            ok = false;
        }
    }
    if (!ok) {
        WipeAndFree(block, size + 1);
    } else if (std::memchr(block, 0, size)) {
        // Stray NUL bytes: read as the chunked file reader would have read them.
        std::string text = ChunkedText(block, size);
        WipeAndFree(block, size + 1);
        ok = doc.Load(text.data(), text.size());
        WipeString(text);
    } else {
        // Parsed in place: the document takes the block over.
        ok = doc.LoadHeapText(block, size);
    }
    if (!ok && raw) WipeString(*raw);
    return ok;
}

// Moves source over target in one step, waiting a little for readers that hold the target open.
static bool MoveOver(const std::string& source, const std::string& target) {
    for (int i = 0; i < kReplaceTries; ++i) {
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!Retryable(GetLastError())) break;
        Sleep(kReplaceRetryMs);
    }
    return false;
}

bool SaveStore(const StoreDoc& doc, const std::string& path, const std::string& previous) {
    const std::string folder = FolderOf(path);
    const std::string temp = folder + kTempName, before = folder + kPreviousName;
    if (temp.size() > kMaxPath || before.size() > kMaxPath) return false;
    std::string text;
    if (!doc.Serialize(text)) return false;

    // 1. The new content, complete and on the disk, under its own name.
    bool ok = WriteWholeFile(temp, text);
    WipeString(text);
    if (!ok) return false;

    // 2. The content before the change: a second name for the present store file, which the library
    // never writes in place; a copy where the file system has no links.
    DeleteFileA(before.c_str());
    if (!CreateHardLinkA(before.c_str(), path.c_str(), nullptr) && !WriteWholeFile(before, previous))
        return false;

    // 3. One rename puts the new content in place: a crash leaves either file whole.
    return MoveOver(temp, path);
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
    std::string text;
    zrpc::LangString(124, text);
    ZRPCFUNC_C_ShowWorkingDialog(parent, const_cast<char*>(text.c_str()));
    ZRPCFUNC_StepWorkingDialog();
    bool ok = false;
    {
        // Creating the store itself is a change like any other.
        std::string store;
        bool isStore = StorePath(store) && EqualNoCase(store.c_str(), path);
        StoreLock lock(isStore ? store : std::string(path));
        StoreDoc doc;
        std::string content;
        ok = doc.NewEmpty() && doc.Serialize(content);
        if (ok && isStore) {
            // The store is never written in place: "Previous.dat" may be another name of its file.
            const std::string temp = FolderOf(store) + kTempName;
            ok = temp.size() <= kMaxPath && WriteWholeFile(temp, content) && MoveOver(temp, store);
        } else if (ok) {
            ok = WriteWholeFile(path, content);
        }
    }
    ZRPCFUNC_KillWorkingDialog();
    if (parent && IsWindow(parent)) {
        InvalidateRect(parent, nullptr, TRUE);
        UpdateWindow(parent);
    }
    return ok;
}

} // namespace zks
