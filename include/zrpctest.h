// Test seams of zrpcfunc.dll.
//
// These two hooks let the Windows tests put stand-ins where the library meets components that a test
// machine does not have: the file-system filter's control device and the user-environment library's
// profile-type query. The library's logic is the same with or without them: a seam only replaces the
// three platform calls of the filter channel, or the GetProfileType function the library would
// otherwise load from userenv.dll. The client's programs never call these hooks.
#ifndef ZRPC_TEST_H
#define ZRPC_TEST_H

#include <windows.h>

#ifdef ZRPC_BUILDING_DLL
#define ZRPC_TEST_API extern "C"
#else
#define ZRPC_TEST_API extern "C" __declspec(dllimport)
#endif

// The calls through which the library reaches the filter's control device. The library's own table
// is {CreateFileA, DeviceIoControl, CloseHandle}.
struct ZrpcFilterChannel {
    HANDLE(WINAPI* open)
    (LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
     HANDLE templateFile);
    BOOL(WINAPI* control)
    (HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
     LPDWORD returned, LPOVERLAPPED overlapped);
    BOOL(WINAPI* close)(HANDLE device);
};

// Same form as GetProfileType of userenv.dll.
typedef BOOL(WINAPI* ZrpcProfileTypeSource)(DWORD* flags);

// Replaces the filter channel (null: back to the platform calls). FALSE, and nothing changed, when a
// table entry is null. Call it only while no filter operation runs.
ZRPC_TEST_API BOOL ZRPCTEST_SetFilterChannel(const ZrpcFilterChannel* channel);
// Replaces the profile-type query (null: back to GetProfileType of userenv.dll). The library still
// asks only on the Windows NT family.
ZRPC_TEST_API void ZRPCTEST_SetProfileTypeSource(ZrpcProfileTypeSource source);

#endif
