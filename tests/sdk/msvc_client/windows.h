/* A stand-in for the platform's <windows.h>, for the MSVC-style client only: the few declarations
 * zrpcfunc.h and the client use, with the platform's names, values and calling conventions. (The
 * platform SDK's own headers are not on these machines, and mingw's do not compile in that mode.) */
#ifndef ZRPC_SDK_CLIENT_WINDOWS_H
#define ZRPC_SDK_CLIENT_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#define WINAPI __stdcall
#define DECLSPEC_IMPORT __declspec(dllimport)

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef DWORD COLORREF;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef struct HWND__* HWND;
typedef struct HKEY__* HKEY;
typedef struct HINSTANCE__* HMODULE;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define GENERIC_WRITE 0x40000000ul
#define CREATE_ALWAYS 2
#define FILE_ATTRIBUTE_NORMAL 0x80
#define ERROR_SUCCESS 0L
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001ul)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002ul)
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define REG_SZ 1

/* kernel32 */
DECLSPEC_IMPORT HANDLE WINAPI GetStdHandle(DWORD which);
DECLSPEC_IMPORT BOOL WINAPI WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written,
                                      void* overlapped);
DECLSPEC_IMPORT __declspec(noreturn) void WINAPI ExitProcess(UINT code);
DECLSPEC_IMPORT DWORD WINAPI GetModuleFileNameA(HMODULE module, char* name, DWORD size);
DECLSPEC_IMPORT BOOL WINAPI CreateDirectoryA(const char* path, void* security);
DECLSPEC_IMPORT BOOL WINAPI RemoveDirectoryA(const char* path);
DECLSPEC_IMPORT BOOL WINAPI DeleteFileA(const char* path);
DECLSPEC_IMPORT HANDLE WINAPI CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                                          DWORD disposition, DWORD flags, HANDLE model);
DECLSPEC_IMPORT BOOL WINAPI CloseHandle(HANDLE handle);
DECLSPEC_IMPORT HGLOBAL WINAPI GlobalHandle(const void* block);
DECLSPEC_IMPORT BOOL WINAPI GlobalUnlock(HGLOBAL block);
DECLSPEC_IMPORT HGLOBAL WINAPI GlobalFree(HGLOBAL block);

/* advapi32 */
DECLSPEC_IMPORT LONG WINAPI RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className,
                                            DWORD options, DWORD access, void* security, HKEY* result,
                                            DWORD* disposition);
DECLSPEC_IMPORT LONG WINAPI RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                             BYTE* data, DWORD* size);
DECLSPEC_IMPORT LONG WINAPI RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                           const BYTE* data, DWORD size);
DECLSPEC_IMPORT LONG WINAPI RegDeleteValueA(HKEY key, const char* name);
DECLSPEC_IMPORT LONG WINAPI RegCloseKey(HKEY key);

#endif
