// Whether a folder may be encrypted (a fixed sequence of rules) and whether a protected folder may be
// deleted (the key-access service, the caller's rights and the front end).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>

#include "folders/win_folders.h"
#include "folders/win_keyaccess.h"
#include "base/pathroot.h"
#include "folders/rules.h"
#include "folders/treescan.h"
#include "base/guard.h"
#include "base/text.h"
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

// Text in one case, folded as the file system folds names, so that the rules can compare exactly.
std::string Folded(std::string text) {
    if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
    return text;
}

// The machine as the rules see it, asked on demand.
class MachineEnvironment : public FolderEnvironment {
  public:
    MachineEnvironment(const char* folder, const std::string& location, unsigned long flags)
        : m_folder(folder), m_location(location), m_flags(flags) {}

    DriveKind Drive() override {
        switch (GetDriveTypeA(m_folder)) {
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
        char buffer[MAX_PATH + 1] = "";
        if (which == kWindows) {
            UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
            if (n == 0 || n >= sizeof buffer) return false;
        } else {
            static const int ids[] = {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                                      CSIDL_PROGRAM_FILES};
            if (!SHGetSpecialFolderPathA(nullptr, buffer, ids[which], FALSE) || !buffer[0]) return false;
        }
        location = Folded(Location(buffer));
        return true;
    }

    // Rules 1 and 9 walk the same tree; when both are asked for, one walk answers both.
    bool ProtectedFolderBelow() override {
        unsigned what = TreeScan::kProtectedFolders;
        if (m_flags & kScanSystemFiles) what |= TreeScan::kSystemFiles;
        m_scan.reset(new TreeScan(what));
        m_scan->Run(m_location.c_str());
        return m_scan->FoundProtected();
    }

    unsigned long SystemFile(std::string& file) override {
        if (!m_scan) {
            m_scan.reset(new TreeScan(TreeScan::kSystemFiles));
            m_scan->Run(m_location.c_str());
        }
        file = m_scan->SystemFile();
        return m_scan->SystemCode();
    }

  private:
    const char* m_folder;
    const std::string& m_location;
    unsigned long m_flags;
    std::unique_ptr<TreeScan> m_scan;
};

unsigned long Encryptable(const char* folder, char* offendingFile, unsigned long flags) {
    if (!folder) return kBadArgument;
    // Rules compare locations, not spellings: "C:/Windows", "C:\\Windows.", "C:\\x\\..\\Windows" and a
    // short name all name the Windows folder.
    PathBuf fb;
    // A text that is not a full path ("C:", "a\\b") keeps its spelling: it names no fixed location.
    const std::string spelled = zrpc::IsAbsolutePath(folder) ? Location(folder) : std::string(folder);
    if (!fb.Set(spelled.c_str()) || !fb.AddSeparator()) return kBadArgument; // too long to classify
    const std::string location = fb.c_str();
    MachineEnvironment env(folder, location, flags);
    std::string file;
    unsigned long code = FolderRuleResult(Folded(location), flags, env, file);
    if (code && offendingFile && !file.empty()) zrpc::CopyToBuffer(offendingFile, kPathChars, file);
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
