// Whether a folder may be encrypted (a fixed sequence of rules) and whether a protected folder may be
// deleted (the key-access service, the caller's rights and the front end).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "folders/win_folders.h"
#include "folders/win_keyaccess.h"
#include "base/pathroot.h"
#include "folders/treescan.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpctest.h"

using namespace zrpc::folders;

namespace {

// Encryptability flags and results.
constexpr unsigned long kLookBelow = 0x01;
constexpr unsigned long kScanSystemFiles = 0x04;
constexpr unsigned long kAcceptRemovable = 0x08;
constexpr unsigned long kAcceptRemote = 0x10;
constexpr unsigned long kSkipProfilesRoot = 0x40;

constexpr unsigned long kAccepted = 0;
constexpr unsigned long kSystemLocation = 1;

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

bool ProfileIsTemporaryOrRoaming(DWORD type) {
    return (type & (kProfileTemporary | kProfileRoaming)) != 0;
}

// The location a path names, in one spelling: "\\?\" forms undone, made full ("." and ".."
// resolved, slashes turned, trailing dots dropped), and, where the path exists, with the long name of
// every component. Unchanged when the platform cannot make it full within 259 characters.
std::string Location(const std::string& path) {
    std::string p = path;
    if (p.compare(0, 8, "\\\\?\\UNC\\") == 0)
        p = "\\\\" + p.substr(8);
    else if (p.compare(0, 4, "\\\\?\\") == 0)
        p = p.substr(4);
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return path;
    // The long name of the longest part that exists, then the rest as it was written.
    std::string head = full, tail;
    for (;;) {
        char longPath[MAX_PATH];
        DWORD m = GetLongPathNameA(head.c_str(), longPath, sizeof longPath);
        if (m > 0 && m < sizeof longPath) return longPath + tail;
        size_t cut = head.find_last_of('\\');
        if (cut == std::string::npos || cut < 3) return full;
        tail = head.substr(cut) + tail;
        head.resize(cut);
    }
}

// A shell special folder, as a location; false when the shell cannot report it.
bool SpecialFolder(int id, std::string& path) {
    char buffer[MAX_PATH + 1] = "";
    if (!SHGetSpecialFolderPathA(nullptr, buffer, id, FALSE) || !buffer[0]) return false;
    path = Location(buffer);
    return true;
}

void AddSeparator(std::string& path) {
    if (path.empty() || path.back() != '\\') path += '\\';
}

// Whether text begins with prefix, ignoring case as the file system does.
bool BeginsWith(const std::string& text, const std::string& prefix) {
    if (prefix.empty() || text.size() < prefix.size()) return false;
    std::string a = text.substr(0, prefix.size()), b = prefix;
    CharUpperBuffA(&a[0], (DWORD)a.size());
    CharUpperBuffA(&b[0], (DWORD)b.size());
    return a == b;
}

// Rules 4 and 5: a folder strictly inside the user's documents or desktop folder.
bool InsideUserFolder(const std::string& f, int id) {
    std::string folder;
    if (!SpecialFolder(id, folder)) return false;
    AddSeparator(folder);
    return BeginsWith(f, folder) && f.size() > folder.size();
}

// Rule 6: the folder that holds every profile, from the all-users desktop with its last two
// components cut.
bool InsideProfilesRoot(const std::string& f) {
    std::string desktop;
    if (!SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY, desktop)) return false;
    if (desktop.size() > 1 && desktop.back() == '\\') desktop.pop_back();
    for (int i = 0; i < 2; ++i) {
        size_t cut = desktop.rfind('\\');
        if (cut == std::string::npos) return false;
        desktop.resize(cut);
    }
    // Compared up to a separator, so that a sibling whose name merely begins the same way
    // ("C:\users2" beside "C:\users") is not taken for the profiles root.
    AddSeparator(desktop);
    return BeginsWith(f, desktop);
}

bool InsideFolder(const std::string& f, const std::string& folderPath) {
    if (folderPath.empty()) return false;
    std::string folder = folderPath;
    AddSeparator(folder);
    return BeginsWith(f, folder);
}

// The system-file answer of a walk: 0, 1 or 56, with the path of the file that decided it.
unsigned long SystemFileResult(const TreeScan& scan, char* offendingFile) {
    if (scan.SystemCode() && offendingFile && !scan.SystemFile().empty())
        zrpc::CopyToBuffer(offendingFile, kPathChars, scan.SystemFile());
    return scan.SystemCode();
}

// Walks the tree below folder to its first system file (see SystemFileCode).
unsigned long FindSystemFile(const char* folder, char* offendingFile) {
    TreeScan scan(TreeScan::kSystemFiles);
    scan.Run(folder);
    return SystemFileResult(scan, offendingFile);
}

unsigned long Encryptable(const char* folder, char* offendingFile, unsigned long flags) {
    if (!folder) return kBadArgument;
    // Rules compare locations, not spellings: "C:/Windows", "C:\\Windows.", "C:\\x\\..\\Windows" and a
    // short name all name the Windows folder.
    PathBuf fb;
    // A text that is not a full path ("C:", "a\\b") keeps its spelling: it names no fixed location.
    const std::string spelled = zrpc::IsAbsolutePath(folder) ? Location(folder) : std::string(folder);
    if (!fb.Set(spelled.c_str()) || !fb.AddSeparator()) return kBadArgument; // too long to classify
    const std::string f = fb.c_str();

    // Rules 1 and 9 walk the same tree; when both are asked for, one walk answers both. A protected
    // folder below decides the result before every other rule; a system file only after rules 2 to 8.
    unsigned what = TreeScan::kProtectedFolders;
    if (flags & kScanSystemFiles) what |= TreeScan::kSystemFiles;
    TreeScan scan(what);
    bool scanned = false;
    if (flags & kLookBelow) {
        scan.Run(f.c_str());
        scanned = true;
        if (scan.FoundProtected()) return zrpc::kProtectedBelow;
    }

    UINT type = GetDriveTypeA(folder);
    if ((type == DRIVE_REMOVABLE || type == DRIVE_CDROM) && (flags & kAcceptRemovable)) return kAccepted;
    if (type == DRIVE_REMOTE && (flags & kAcceptRemote)) return kAccepted;

    if (f.size() <= 3) return kSystemLocation;

    DWORD profile = GetUserProfileType();
    for (int id : {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY})
        if (InsideUserFolder(f, id))
            return ProfileIsTemporaryOrRoaming(profile) ? zrpc::kProfileNotLocal : kAccepted;

    if (!(flags & kSkipProfilesRoot) && InsideProfilesRoot(f)) return kSystemLocation;

    std::string programFiles;
    if (SpecialFolder(CSIDL_PROGRAM_FILES, programFiles) && InsideFolder(f, programFiles))
        return kSystemLocation;

    char windows[MAX_PATH + 1] = "";
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n > 0 && n < sizeof windows && InsideFolder(f, Location(windows))) return kSystemLocation;

    if (flags & kScanSystemFiles) {
        unsigned long code =
            scanned ? SystemFileResult(scan, offendingFile) : FindSystemFile(f.c_str(), offendingFile);
        if (code) return code;
    }
    return zrpc::kNoRuleApplied;
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
    if (!folder) return FALSE;
    if (!IsProtectedEx(folder, record)) return TRUE;

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
