// The control channel to the encryption file-system filter: opening its device, registering the
// per-process session, scrambled commands bracketed by begin and end, and the flags query.
#include <windows.h>

#include <cstring>
#include <string>

#include "folders/win_folders.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"
#include "include/zrpctest.h"

// Requests carry 32-bit addresses. The 64-bit build exists only to run the tests on machines that
// cannot run 32-bit processes; there the buffers sit below 4 GB or the request is not sent.
#ifndef ZRPC_X64_TEST_BUILD
static_assert(sizeof(void*) == 4, "request arguments carry 32-bit addresses");
#endif

namespace zrpc {
namespace folders {
namespace {

const char kDeviceNT[] = "\\\\.\\VKTPFSD_Device";
const char kDevice9x[] = "\\\\.\\VKTPFSD.VXD";
constexpr DWORD kOpenFlagsNT = FILE_ATTRIBUTE_NORMAL;                             // 0x80
constexpr DWORD kOpenFlags9x = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE; // 0x04000080

const ZrpcFilterChannel kPlatformChannel = {CreateFileA, DeviceIoControl, CloseHandle};

// Per process: the platform calls in use, the device handle while an operation runs, and the
// session key area that the filter fills at registration (the library never writes it).
ZrpcFilterChannel g_channel = kPlatformChannel;
HANDLE g_device = INVALID_HANDLE_VALUE;
uint8_t g_sessionKey[kFilterKeySize];

bool IsWindows9x() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return (info.dwPlatformId & 1) != 0;
}

uint32_t AddressOf(const void* p) {
    uintptr_t address = reinterpret_cast<uintptr_t>(p);
    // Only reachable in the 64-bit test build: an address the request cannot carry is sent as null.
    if (address > 0xFFFFFFFFu) return 0;
    return (uint32_t)address;
}

bool Control(FilterRequest* request) {
    DWORD returned = 0;
    return g_channel.control(g_device, kFilterControlCode, request, sizeof *request, request, sizeof *request,
                             &returned, nullptr) != FALSE;
}

void SendCommand(uint32_t function, uint32_t argument) {
    if (g_device == INVALID_HANDLE_VALUE) return;
    FilterRequest request = {};
    request.Signature = kFilterSignatureCommand;
    request.Function = function;
    request.Argument = argument;
    SendFilterRequest(&request);
}

} // namespace

bool OpenFilterDevice() {
    bool old = IsWindows9x();
    g_device = g_channel.open(old ? kDevice9x : kDeviceNT, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, old ? kOpenFlags9x : kOpenFlagsNT, nullptr);
    return g_device == INVALID_HANDLE_VALUE;
}

void CloseFilterDevice() {
    if (g_device == INVALID_HANDLE_VALUE) return;
    g_channel.close(g_device);
    g_device = INVALID_HANDLE_VALUE;
}

void RegisterFilterSession() {
    if (g_device == INVALID_HANDLE_VALUE) return;
    FilterRequest request = {};
    request.Signature = kFilterSignatureRegister;
    request.Argument = AddressOf(g_sessionKey);
    SendFilterRequest(&request);
}

bool SendFilterRequest(FilterRequest* request) {
    if (g_device == INVALID_HANDLE_VALUE || !request) return false;
    // The key area is this module's own memory, so reading it cannot fault.
    if (request->Signature != kFilterSignatureRegister)
        ScrambleFilterRequest(request, g_sessionKey, (uint8_t)(GetCurrentProcessId() & 0xFF));
    return Control(request);
}

void FilterBeginOperation() {
    SendCommand(kFilterBeginOperation, (uint32_t)GetCurrentProcessId());
}

void FilterEndOperation() {
    SendCommand(kFilterEndOperation, (uint32_t)GetCurrentProcessId());
}

void FilterNotifyFolderRemoved(const std::wstring& folder) {
    if (g_device == INVALID_HANDLE_VALUE) return;
    std::wstring plain = PlainForm(folder);
    if (plain.empty() || plain.back() != L'\\') plain += L'\\';
    // The filter takes the path as 8-bit text of at most 259 characters: a folder the code page cannot
    // name exactly, or whose path would pass that length, is not announced under another name.
    std::string path;
    if (!AnsiPath(plain, path)) return;
    SendCommand(kFilterFolderRemoved, AddressOf(path.c_str()));
}

} // namespace folders
} // namespace zrpc

using namespace zrpc::folders;

unsigned long zrpc::folders::QueryFilterFlags(unsigned long* flagsRecord) {
    if (!flagsRecord) return kBadArgument;
    if (OpenFilterDevice()) return kNoFilter;
    RegisterFilterSession();
    FilterBeginOperation();
    FilterRequest request = {};
    request.Signature = kFilterSignatureCommand;
    request.Function = kFilterQueryFlags;
    request.Argument = AddressOf(flagsRecord);
    bool ok = SendFilterRequest(&request);
    FilterEndOperation();
    CloseFilterDevice();
    return ok ? 0 : kNoFilter;
}

ZRPC_API unsigned long ZRPCFUNC_GetVKTFSFlags(unsigned long* flagsRecord) {
    return zrpc::Guard<unsigned long>(kNoFilter, [&] { return QueryFilterFlags(flagsRecord); });
}

ZRPC_API unsigned long ZRPCFUNC_IsFilterPassive(unsigned long* passive) {
    return zrpc::Guard<unsigned long>(kNoFilter, [&]() -> unsigned long {
        if (!passive) return kBadArgument;
        *passive = 0;
        unsigned long record[8] = {};
        unsigned long rc = QueryFilterFlags(record);
        if (rc == 0) {
            *passive = record[1] & kFilterPassiveBit;
            return 0;
        }
        return rc == kNoFilter ? 0 : rc;
    });
}

ZRPC_TEST_API BOOL ZRPCTEST_SetFilterChannel(const ZrpcFilterChannel* channel) {
    if (!channel) {
        g_channel = kPlatformChannel;
        return TRUE;
    }
    if (!channel->open || !channel->control || !channel->close) return FALSE;
    g_channel = *channel;
    return TRUE;
}
