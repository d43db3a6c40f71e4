// Whether a folder may be encrypted (a fixed sequence of rules) and whether a protected folder may be
// deleted (the key-access service, the caller's rights and the front end).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "folders/win_folders.h"
#include "folders/win_keyaccess.h"
#include "folders/rules.h"
#include "folders/treescan.h"
#include "base/guard.h"
#include "base/text.h"
#include "base/win_codepage.h"
#include "include/zrpcfunc.h"
#include "include/zrpctest.h"

using namespace zrpc::folders;

namespace {

constexpr DWORD kProfileTemporary = 1; // PT_TEMPORARY
constexpr DWORD kProfileRoaming = 2;   // PT_ROAMING

ZrpcProfileTypeSource g_profileTypeSource = nullptr;

// The profile type: 1 temporary, 2 roaming (bits of GetProfileType); 0 off the NT family or when the
// question cannot be asked.
DWORD GetUserProfileType() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    DWORD flags = 0;
    if (g_profileTypeSource) return g_profileTypeSource(&flags) ? flags : 0;
    HMODULE userenv = LoadLibraryA("userenv.dll");
    if (!userenv) return 0;
    auto query = reinterpret_cast<ZrpcProfileTypeSource>(
        reinterpret_cast<void (*)()>(GetProcAddress(userenv, "GetProfileType")));
    BOOL ok = query ? query(&flags) : FALSE;
    FreeLibrary(userenv);
    return ok ? flags : 0;
}

typedef DWORD(WINAPI* FinalPathFn)(HANDLE, LPWSTR, DWORD, DWORD);

// The platform's final path of an open file (Windows Vista and later): null where it has none.
FinalPathFn FinalPathQuery() {
    static const FinalPathFn query = reinterpret_cast<FinalPathFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
    return query;
}

// Where an existing path leads: through every junction and symbolic link on the way, with the long
// name of every component. False when the path does not exist or the platform cannot say.
bool FinalPath(const std::wstring& path, std::wstring& out) {
    std::vector<wchar_t> buffer(1024);
    if (FinalPathQuery()) {
        HANDLE h =
            CreateFileW(LongForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD n = FinalPathQuery()(h, buffer.data(), (DWORD)buffer.size(), 0 /* VOLUME_NAME_DOS */);
        if (n >= buffer.size()) {
            buffer.resize(n + 1);
            n = FinalPathQuery()(h, buffer.data(), (DWORD)buffer.size(), 0);
        }
        CloseHandle(h);
        if (n == 0 || n >= buffer.size()) return false;
        out = PlainForm(std::wstring(buffer.data(), n));
        return true;
    }
    // Older platforms: the long names of an existing path (links are not seen through there).
    const std::wstring access = LongForm(path);
    if (GetFileAttributesW(access.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    DWORD n = GetLongPathNameW(access.c_str(), buffer.data(), (DWORD)buffer.size());
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetLongPathNameW(access.c_str(), buffer.data(), (DWORD)buffer.size());
    }
    if (n == 0 || n >= buffer.size()) return false;
    out = PlainForm(std::wstring(buffer.data(), n));
    return true;
}

// The location a full path names, in one spelling: "\\?\" forms undone, "." and ".." resolved,
// slashes turned, and the longest part that exists followed through its junctions and symbolic links,
// with long names; the rest as it was written.
std::wstring Location(const std::wstring& path) {
    std::wstring full = PlainForm(path);
    wchar_t buffer[kPathChars];
    DWORD n = GetFullPathNameW(full.c_str(), kPathChars, buffer, nullptr);
    if (n > 0 && n < kPathChars) full.assign(buffer, n);
    std::wstring head = full, tail, final;
    for (;;) {
        if (FinalPath(head, final)) return final + tail;
        size_t cut = head.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut < 3) return full;
        tail = head.substr(cut) + tail;
        head.resize(cut);
    }
}

// A location in the rules' spelling: one case, folded as the file system folds names, so that the
// rules can compare exactly; UTF-8, whatever the process's code page.
std::string RuleSpelling(std::wstring location) {
    if (!location.empty()) CharUpperBuffW(&location[0], (DWORD)location.size());
    return zrpc::Utf8FromWide(location);
}

std::wstring WithSeparator(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

// The machine as the rules see it, asked on demand. location: the folder's location, with a trailing
// backslash.
class MachineEnvironment : public FolderEnvironment {
  public:
    MachineEnvironment(const std::wstring& location, unsigned long flags)
        : m_location(location), m_flags(flags) {}

    DriveKind Drive() override {
        switch (GetDriveTypeW(m_location.c_str())) {
        case DRIVE_REMOVABLE:
        case DRIVE_CDROM:
            return DriveKind::Removable;
        case DRIVE_REMOTE:
            return DriveKind::Remote;
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        default:
            return DriveKind::Other;
        }
    }

    bool ProfileIsTemporaryOrRoaming() override {
        return (GetUserProfileType() & (kProfileTemporary | kProfileRoaming)) != 0;
    }

    bool SpecialFolder(Special which, std::string& location) override {
        wchar_t buffer[MAX_PATH + 1] = L"";
        if (which == kWindows) {
            UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
            if (n == 0 || n > MAX_PATH) return false;
        } else {
            static const int ids[] = {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                                      CSIDL_PROGRAM_FILES};
            if (!SHGetSpecialFolderPathW(nullptr, buffer, ids[which], FALSE) || !buffer[0]) return false;
        }
        location = RuleSpelling(Location(buffer));
        return true;
    }

    // Rules 1 and 9 walk the same tree; when both are asked for, one walk answers both.
    bool ProtectedFolderBelow() override {
        unsigned what = TreeScan::kProtectedFolders;
        if (m_flags & kScanSystemFiles) what |= TreeScan::kSystemFiles;
        m_scan.reset(new TreeScan(what));
        m_scan->Run(m_location);
        return m_scan->FoundProtected();
    }

    unsigned long SystemFile(std::string& file) override {
        if (!m_scan) {
            m_scan.reset(new TreeScan(TreeScan::kSystemFiles));
            m_scan->Run(m_location);
        }
        file = zrpc::Utf8FromWide(m_scan->SystemFile());
        return m_scan->SystemCode();
    }

  private:
    const std::wstring& m_location;
    unsigned long m_flags;
    std::unique_ptr<TreeScan> m_scan;
};

unsigned long Encryptable(const char* folder, char* offendingFile, unsigned long flags) {
    // Rules compare locations, not spellings: "C:/Windows", "C:\\Windows.", "C:\\x\\..\\Windows", a short
    // name, "Windows" in the current folder C:\, "C:Windows" and a link to the Windows folder all name
    // the Windows folder.
    std::wstring full;
    if (TakePath(folder, full) != zrpc::kOk) return kBadArgument;
    const std::wstring location = WithSeparator(Location(full));
    MachineEnvironment env(location, flags);
    std::string file;
    unsigned long code = FolderRuleResult(RuleSpelling(location), flags, env, file);
    std::string named;
    if (code && offendingFile && !file.empty() && PathForCaller(zrpc::WideFromUtf8(file), named))
        zrpc::CopyToBuffer(offendingFile, kPathChars, named);
    return code;
}

// The component runtime's calls, loaded when a deletability check needs them: most programs that
// load this library never ask, and need not carry the runtime.
struct ComRuntime {
    typedef HRESULT(WINAPI* InitializeFn)(LPVOID);
    typedef void(WINAPI* UninitializeFn)();
    typedef HRESULT(WINAPI* CreateInstanceFn)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

    ComRuntime() : module(LoadLibraryA("ole32.dll")) {
        if (!module) return;
        initialize = reinterpret_cast<InitializeFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CoInitialize")));
        uninitialize = reinterpret_cast<UninitializeFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CoUninitialize")));
        createInstance = reinterpret_cast<CreateInstanceFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CoCreateInstance")));
    }
    ~ComRuntime() {
        if (module) FreeLibrary(module);
    }
    ComRuntime(const ComRuntime&) = delete;
    ComRuntime& operator=(const ComRuntime&) = delete;
    bool ok() const { return initialize && uninitialize && createInstance; }

    HMODULE module;
    InitializeFn initialize = nullptr;
    UninitializeFn uninitialize = nullptr;
    CreateInstanceFn createInstance = nullptr;
};

// Asks the key-access service with the front end's value; 0 lets the check go on.
unsigned long AskKeyAccessService(const ComRuntime& com, HWND frontEnd, const unsigned char* record) {
    unsigned long check = 1;
    IUnknown* unknown = nullptr;
    if (SUCCEEDED(com.createInstance(zrpc::kKeyAccessClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&unknown))) &&
        unknown) {
        zrpc::IKeyAccessService* service = nullptr;
        if (SUCCEEDED(
                unknown->QueryInterface(zrpc::kKeyAccessInterface, reinterpret_cast<void**>(&service))) &&
            service) {
            LRESULT value = SendMessageA(frontEnd, kMsgQueryKeyService, 0, 0);
            if (value) check = service->CheckAccess((unsigned long)value, record + 4);
            service->Release();
        }
        unknown->Release();
    }
    return check;
}

BOOL Deleteable(const char* folder) {
    unsigned char record[kMarkerRecordSize] = {};
    std::wstring full;
    if (TakePath(folder, full) != zrpc::kOk) return FALSE;
    if (!IsProtectedEx(full, record)) return TRUE;

    HWND frontEnd = nullptr;
    if (!FrontEndWindow(&frontEnd)) return FALSE;
    unsigned long check = 1;
    {
        ComRuntime com;
        if (!com.ok() || FAILED(com.initialize(nullptr))) return FALSE;
        check = AskKeyAccessService(com, frontEnd, record);
        com.uninitialize();
    }
    if (check) return FALSE;

    if (IsAdministrator()) return TRUE;
    if (MasterActive()) return TRUE;
    return (BOOL)SendMessageA(frontEnd, kMsgQueryDeletePermitted, 0, 0);
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_IsFolderEncryptable(const char* folder, char* offendingFile,
                                                    unsigned long flags) {
    return zrpc::Guard<unsigned long>(kBadArgument,
                                      [&] { return Encryptable(folder, offendingFile, flags & 0xFF); });
}

ZRPC_API BOOL ZRPCFUNC_IsFolderDeleteable(const char* folder) {
    return zrpc::Guard<BOOL>(FALSE, [&] { return Deleteable(folder); });
}

ZRPC_TEST_API void ZRPCTEST_SetProfileTypeSource(ZrpcProfileTypeSource source) {
    g_profileTypeSource = source;
}
