// The state of the client's front end, asked through its top-level window, and the caller's rights.
#include <windows.h>

#include <vector>

#include "folders/win_folders.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"

using namespace zrpc::folders;

namespace {

// The front end's reply to message, or 0 when it does not run.
LRESULT AskFrontEnd(UINT message) {
    HWND window = nullptr;
    if (!zrpc::folders::FrontEndWindow(&window)) return 0;
    return SendMessageA(window, message, 0, 0);
}

bool TokenHasAdministrators(HANDLE token) {
    DWORD size = 0;
    if (GetTokenInformation(token, TokenGroups, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    std::vector<DWORD> block(size / sizeof(DWORD) + 1); // DWORD-aligned, as the groups need
    bool answer = false;
    TOKEN_GROUPS* groups = reinterpret_cast<TOKEN_GROUPS*>(block.data());
    if (GetTokenInformation(token, TokenGroups, groups, size, &size)) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                     0, 0, &administrators)) {
            // Every group counts, whatever its attributes (enabled, deny-only, ...).
            for (DWORD i = 0; i < groups->GroupCount && !answer; ++i)
                answer = EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
            FreeSid(administrators);
        }
    }
    return answer;
}

} // namespace

namespace zrpc {
namespace folders {

bool FrontEndWindow(HWND* window) {
    HWND found = FindWindowA(kFrontEndClass, kFrontEndTitle);
    if (!found) return false;
    if (window) *window = found;
    return true;
}

BOOL FrontEndBusy() {
    return (BOOL)AskFrontEnd(kMsgQueryBusy);
}

BOOL MasterActive() {
    return (BOOL)AskFrontEnd(kMsgQueryMasterActive);
}

bool IsAdministrator() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token)) return false;
    bool answer = TokenHasAdministrators(token);
    CloseHandle(token);
    return answer;
}

} // namespace folders
} // namespace zrpc

ZRPC_API BOOL ZRPCFUNC_IsFrontEndRunning(HWND* window) {
    return zrpc::Guard<BOOL>(FALSE, [&] { return FrontEndWindow(window) ? TRUE : FALSE; });
}

ZRPC_API BOOL ZRPCFUNC_IsFrontEndBusy() {
    return zrpc::Guard<BOOL>(FALSE, [] { return FrontEndBusy(); });
}

ZRPC_API BOOL ZRPCFUNC_IsFrontEndEnabled() {
    return zrpc::Guard<BOOL>(FALSE, []() -> BOOL {
        HWND window = nullptr;
        if (!FrontEndWindow(&window) || FrontEndBusy()) return FALSE;
        return (BOOL)SendMessageA(window, kMsgQueryEnabled, 0, 0);
    });
}

ZRPC_API BOOL ZRPCFUNC_IsMasterActive() {
    return zrpc::Guard<BOOL>(FALSE, [] { return MasterActive(); });
}

ZRPC_API BOOL ZRPCFUNC_IsNTAdministrator() {
    return zrpc::Guard<BOOL>(FALSE, [] { return IsAdministrator() ? TRUE : FALSE; });
}
