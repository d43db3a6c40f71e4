// ZRPCFunc: the exported free functions of zrpcfunc.dll.
// Result codes are unsigned 32-bit, 0 for success; their texts come from ZRPCFUNC_FormatErrorMsg.
// Blocks the library hands out come from the global heap; release them with ZRPC_FreeGlobal below
// (GlobalUnlock and GlobalFree on the handle that GlobalHandle gives for the pointer).
#ifndef ZRPC_FUNC_H
#define ZRPC_FUNC_H

#include <windows.h>

#include "zrpcrecords.h"
#include "zrpcstring.h"
#include "zrpctoken.h"

#ifdef ZRPC_BUILDING_DLL
#define ZRPC_API extern "C"
#else
#define ZRPC_API extern "C" __declspec(dllimport)
#endif

// ------------------------------------------------------------------ module and language strings
ZRPC_API int ZRPCFUNC_FindResDLLName(char* name);
ZRPC_API int ZRPCFUNC_FindHelpCHMName(char* name);
ZRPC_API int ZRPCFUNC_GetLangString(CString* text, unsigned int id);
ZRPC_API int ZRPCFUNC_GetLangStringsz(char* buffer, int size, unsigned int id);
ZRPC_API COLORREF ZRPCFUNC_GetDlgColour();
ZRPC_API BOOL ZRPCFUNC_PreTranslateMsg(MSG* msg);

// ------------------------------------------------------------------ error messages
ZRPC_API unsigned long ZRPCFUNC_FormatErrorMsg(unsigned long code, char* buffer, unsigned long* size);
ZRPC_API void ZRPCFUNC_DisplayErrorMsg(HWND owner, unsigned long code, const char* doing, BOOL warning);
ZRPC_API void ZRPCFUNC_DisplayErrorMsgEx(HWND owner, unsigned long code, const char* doing, const char* detail,
                                         BOOL warning);

// ------------------------------------------------------------------ encryption key cache
ZRPC_API void ZRPCFUNC_ResetEncryptionKeyCache();
ZRPC_API int ZRPCFUNC_AreEncryptionKeysCached();
ZRPC_API unsigned long ZRPCFUNC_FillEncryptionKeyCache(ITokenInterface* token, unsigned long handle, int force);
ZRPC_API _tToken_Key* ZRPCFUNC_GetEncryptionKeyFromCache(ITokenInterface* token, unsigned long handle, int slot,
                                                         unsigned long* result, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsed(ITokenInterface* token,
                                                                       unsigned long handle, unsigned long* result,
                                                                       CString name, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAllSlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsFree(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API unsigned long ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(ITokenInterface* token, unsigned long handle,
                                                                   int slot, unsigned long* result, int force);

// ------------------------------------------------------------------ token information cache
ZRPC_API void ZRPCFUNC_ResetTokenInfoExCache();
ZRPC_API int ZRPCFUNC_IsTokenInfoExCached();
ZRPC_API unsigned long ZRPCFUNC_FillTokenInfoExCache(ITokenInterface* token, unsigned long handle, int force);
ZRPC_API _tToken_InfoEx* ZRPCFUNC_GetTokenInfoExFromCache(ITokenInterface* token, unsigned long handle,
                                                          unsigned long* result, int force);

// ------------------------------------------------------------------ SHA-1, Base64, names
// (declared by the digests and encodings code)
// @@crypto@@

// ------------------------------------------------------------------ remote update files
// @@updatefile@@

// ------------------------------------------------------------------ key store
// @@keystore@@

// ------------------------------------------------------------------ folder protection
// @@folders@@

// ------------------------------------------------------------------ working dialog
// @@ui@@

// Releases a block handed out by the library (Base64 text, update-file text, decoded packets).
inline void ZRPC_FreeGlobal(void* block) {
    if (!block) return;
    HGLOBAL h = GlobalHandle(block);
    if (h) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

#endif
