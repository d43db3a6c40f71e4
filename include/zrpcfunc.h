// ZRPCFunc: the exported free functions of zrpcfunc.dll.
// Result codes are unsigned 32-bit, 0 for success; their texts come from ZRPCFUNC_FormatErrorMsg.
// Blocks the library hands out come from the global heap; release them with ZRPC_FreeGlobal below
// (GlobalUnlock and GlobalFree on the handle that GlobalHandle gives for the pointer).
//
// C (C11) and C++. Every function has C linkage and the C calling convention. The few that take or
// return the header-only CString (zrpcstring.h) are declared for C++ only; each has a twin for C that
// fills the caller's buffer (ZRPCFUNC_GetLangStringsz, the ...sz name functions,
// ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz, ZRPCFUNC_C_ShowWorkingDialog).
#ifndef ZRPC_FUNC_H
#define ZRPC_FUNC_H

#include <windows.h>

#include "zrpcrecords.h"
#include "zrpcresult.h"
#ifdef __cplusplus
#include "zrpcstring.h"
#endif
#include "zrpctoken.h"

#ifdef ZRPC_BUILDING_DLL
#define ZRPC_API ZRPC_EXTERN_C
#else
#define ZRPC_API ZRPC_EXTERN_C __declspec(dllimport)
#endif

// ------------------------------------------------------------------ module and language strings
ZRPC_API int ZRPCFUNC_FindResDLLName(char* name);
ZRPC_API int ZRPCFUNC_FindHelpCHMName(char* name);
#ifdef __cplusplus
ZRPC_API int ZRPCFUNC_GetLangString(CString* text, unsigned int id);
#endif
ZRPC_API int ZRPCFUNC_GetLangStringsz(char* buffer, int size, unsigned int id);
ZRPC_API COLORREF ZRPCFUNC_GetDlgColour(void);
ZRPC_API BOOL ZRPCFUNC_PreTranslateMsg(MSG* msg);

// ------------------------------------------------------------------ error messages
ZRPC_API unsigned long ZRPCFUNC_FormatErrorMsg(unsigned long code, char* buffer, unsigned long* size);
ZRPC_API void ZRPCFUNC_DisplayErrorMsg(HWND owner, unsigned long code, const char* doing, BOOL warning);
ZRPC_API void ZRPCFUNC_DisplayErrorMsgEx(HWND owner, unsigned long code, const char* doing,
                                         const char* detail, BOOL warning);

// ------------------------------------------------------------------ encryption key cache
ZRPC_API void ZRPCFUNC_ResetEncryptionKeyCache(void);
ZRPC_API int ZRPCFUNC_AreEncryptionKeysCached(void);
ZRPC_API unsigned long ZRPCFUNC_FillEncryptionKeyCache(ITokenInterface* token, unsigned long handle,
                                                       int force);
ZRPC_API _tToken_Key* ZRPCFUNC_GetEncryptionKeyFromCache(ITokenInterface* token, unsigned long handle,
                                                         int slot, unsigned long* result, int force);
// 1 when a filled slot's key name equals name (at most 16 characters compared).
#ifdef __cplusplus
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsed(ITokenInterface* token,
                                                                       unsigned long handle,
                                                                       unsigned long* result, CString name,
                                                                       int force);
#endif
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz(ITokenInterface* token,
                                                                         unsigned long handle,
                                                                         unsigned long* result,
                                                                         const char* name, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAllSlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsFree(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API int ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsUsed(ITokenInterface* token, unsigned long handle,
                                                                 unsigned long* result, int force);
ZRPC_API unsigned long ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(ITokenInterface* token,
                                                                   unsigned long handle, int slot,
                                                                   unsigned long* result, int force);

// ------------------------------------------------------------------ token information cache
ZRPC_API void ZRPCFUNC_ResetTokenInfoExCache(void);
ZRPC_API int ZRPCFUNC_IsTokenInfoExCached(void);
ZRPC_API unsigned long ZRPCFUNC_FillTokenInfoExCache(ITokenInterface* token, unsigned long handle, int force);
ZRPC_API _tToken_InfoEx* ZRPCFUNC_GetTokenInfoExFromCache(ITokenInterface* token, unsigned long handle,
                                                          unsigned long* result, int force);

// ------------------------------------------------------------------ SHA-1, Base64, names
// SHA-1 over a caller-owned context. Final returns the address of the context's state field, which
// then holds the 20 digest bytes; Compare compares two whole 92-byte records.
ZRPC_API void ZRPCFUNC_SHA_Init(_tSHA_Context* context);
ZRPC_API void ZRPCFUNC_SHA_Update(_tSHA_Context* context, const unsigned char* data, unsigned long length);
ZRPC_API unsigned char* ZRPCFUNC_SHA_Final(_tSHA_Context* context);
ZRPC_API int ZRPCFUNC_SHA_Compare(const void* first, const void* second);

// Base64. Both allocate their output as a fixed, zero-filled global-heap block (release it with
// ZRPC_FreeGlobal). Encode: 0, or 1 when no block was obtained. Decode: 0; 1 when no block was
// obtained; 2 when the text ends inside a group of four (the block is still the caller's).
ZRPC_API int EncodeBase64(char** text, unsigned long* textLength, const unsigned char* data,
                          unsigned long dataLength);
ZRPC_API int DecodeBase64(unsigned char** data, unsigned long* dataLength, const char* text,
                          unsigned long textLength);

// Algorithm names (only the low 8 bits of id count) and display names of 16-byte name fields (the
// field up to its first zero, at most 16 characters; empty for a null record).
ZRPC_API const char* ZRPCFUNC_GetAlgorithmForID(unsigned long id);
#ifdef __cplusplus
ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromFindInfo(_tZRPKeyFindInfo* info);
ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromTokenInfo(_tToken_Info* info);
ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromTokenInfoEx(_tToken_InfoEx* info);
ZRPC_API CString ZRPCFUNC_GetNiceKeyNameFromKeyData(_tToken_Key* key);
ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromPubKeyPacket(_tNewTransferPacket* packet);
#endif
// The same names in the caller's buffer of size bytes (ZRPC_NAME_BUFFER holds every name): at most
// size - 1 characters and a zero. They answer the number of characters written: 0 for a null record
// (the buffer then empty), a null buffer or a size below 1.
enum ZRPC_ENUM_BASE(unsigned) { ZRPC_NAME_BUFFER = 17 };
ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromFindInfosz(_tZRPKeyFindInfo* info, char* buffer, int size);
ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromTokenInfosz(_tToken_Info* info, char* buffer, int size);
ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromTokenInfoExsz(_tToken_InfoEx* info, char* buffer, int size);
ZRPC_API int ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(_tToken_Key* key, char* buffer, int size);
ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromPubKeyPacketsz(_tNewTransferPacket* packet, char* buffer, int size);
// Fills bits / 8 bytes of buffer with random bytes from the cryptographic provider (keepContents
// non-zero: the present bytes seed the generator too). 0, or 1 on failure (buffer zeroed).
ZRPC_API unsigned long ZRPCFUNC_GenerateSymmetricKeyForIV(unsigned long reserved, unsigned long bits,
                                                          unsigned char* buffer, int keepContents);

// ------------------------------------------------------------------ remote update files
// Remote update files (the text form of a 377-byte transfer packet). The writers take packet types 12
// and 14 only and leave the caller's packet scrambled. Codes: 0 ok, 1 not read / no markers / not
// decodable, 2 not created, 3 bad argument or type, 5 no header line or packet check failed,
// 6 no memory or no data, 20 overwrite declined. Blocks handed out are released with ZRPC_FreeGlobal.
ZRPC_API unsigned long ZRPCFUNC_WriteKTFile(HWND owner, _tNewTransferPacket* packet, const char* path,
                                            const char* name, unsigned long target);
ZRPC_API unsigned long ZRPCFUNC_CreateMemKTFile(_tNewTransferPacket* packet, char** text,
                                                unsigned long* length, const char* name,
                                                unsigned long target);
ZRPC_API unsigned long ZRPCFUNC_ReadKTFile(_tNewTransferPacket** packet, const char* path);
ZRPC_API unsigned long ZRPCFUNC_ReadMemKTFile(_tNewTransferPacket** packet, const char* data,
                                              unsigned long length);
// Size 377, version 0x00010006 and the given type (0xFFFFFFFF: any type). 0, 3 (null packet) or 5.
ZRPC_API unsigned long ZRPCFUNC_CheckKTValidatePacket(_tNewTransferPacket* packet, unsigned long type);

// Exported by ordinal only: find them with GetProcAddress(module, MAKEINTRESOURCEA(ordinal)).
enum ZRPC_ENUM_BASE(unsigned) {
    ZRPC_ORDINAL_READKTFILETARGET = 9,
    ZRPC_ORDINAL_SCRAMBLESTREAM = 10,
    ZRPC_ORDINAL_DESCRAMBLESTREAM = 11,
    ZRPC_ORDINAL_SCRAMBLEBUFFER = 12,
    ZRPC_ORDINAL_DESCRAMBLEBUFFER = 13,
};
// name: 17 zeroed bytes (16 are written); target: the TARGET value.
typedef unsigned long (*ZRPC_ReadKTFileTargetFn)(const char* path, char* name, unsigned long* target);
typedef void (*ZRPC_ScrambleStreamFn)(long seed, unsigned char* buffer, long length, unsigned char* chain);
typedef void (*ZRPC_ScrambleBufferFn)(unsigned short seed, unsigned char* buffer, long length);

// ------------------------------------------------------------------ key store
// The key store: KeyStore.xml in the installation folder (strInstallDir). Codes: 0 ok, 1 not read or
// written / entry or text missing, 2 no store (or no location), 3 bad argument or enumeration step
// without first step, 6 not loaded / no memory, 7 no (further) item, 9 no token interface or handle,
// 12 not connected, 13 not available, 20 declined, 29 no public key with that serial; update-file and
// token codes pass through. Every change loads its own copy of the store and replaces the file whole;
// changes of several processes are serialised. Paths are buffers of MAX_PATH (260) characters.
// E-mail addresses and comments hold at most ZRPC_DB_NOTE_MAX characters: the getters write at most
// ZRPC_DB_NOTE_MAX + 1 bytes, the setters refuse longer texts with 3.
enum ZRPC_ENUM_BASE(unsigned) { ZRPC_DB_NOTE_MAX = 255 };
ZRPC_API int ZRPCFUNC_DB_DatabaseExists(char* path);
ZRPC_API int ZRPCFUNC_DB_CreateDatabase(HWND parent, char* path);
ZRPC_API unsigned long ZRPCFUNC_DB_Connect(void);
ZRPC_API unsigned long ZRPCFUNC_DB_Disconnect(void);
// Public keys (packets of type 12, or 16 for a backup key, stored as 12).
ZRPC_API unsigned long ZRPCFUNC_DB_AddPublicKey(HWND parent, _tNewTransferPacket* packet, int confirm);
ZRPC_API unsigned long ZRPCFUNC_DB_UpdatePublicKey(_tNewTransferPacket* packet);
ZRPC_API unsigned long ZRPCFUNC_DB_DeletePublicKey(unsigned long serial);
ZRPC_API unsigned long ZRPCFUNC_DB_GetPublicKeyPacket(unsigned long serial, _tNewTransferPacket* packet);
ZRPC_API unsigned long ZRPCFUNC_DB_GetEmailAddress(unsigned long serial, char* text);
ZRPC_API unsigned long ZRPCFUNC_DB_GetComments(unsigned long serial, char* text);
// The setters answer 29 and write nothing for a serial that is not stored.
ZRPC_API unsigned long ZRPCFUNC_DB_SetEmailAddress(unsigned long serial, char* text);
ZRPC_API unsigned long ZRPCFUNC_DB_SetComments(unsigned long serial, char* text);
// name: 17 bytes (16 characters and a NUL).
ZRPC_API int ZRPCFUNC_DB_GetNameFromSerial(HWND parent, unsigned long serial, char* name);
// Enumeration over the connection (a snapshot taken at connect time); name receives 16 bytes.
ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstPublicKey(unsigned long* serial, unsigned char* name);
ZRPC_API unsigned long ZRPCFUNC_DB_GetNextPublicKey(unsigned long* serial, unsigned char* name);
ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyEmail(char* text);
ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyComment(char* text);
// Updates: keys wrapped for a stored public key (serial), named by key serial and update id.
ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstUpdate(unsigned long serial, _tDBKeyUpdate* update);
ZRPC_API unsigned long ZRPCFUNC_DB_GetNextUpdate(_tDBKeyUpdate* update);
ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdateCountForToken(unsigned long serial, unsigned long* count);
ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdatePacket(unsigned long serial, unsigned long key_serial,
                                                   unsigned short update_id, _tNewTransferPacket* packet);
ZRPC_API unsigned long ZRPCFUNC_DB_FindNextUpdate(long* position, unsigned long serial, char* text);
ZRPC_API unsigned long ZRPCFUNC_DB_DeleteUpdate(unsigned long serial, unsigned long key_serial,
                                                unsigned short update_id);
// Backup of the key in slot for target_kind 0 (the token's own public key), 1 or 2 (backup key 1 or 2)
// or 3 (the stored public key target_serial); with a folder, also FOLDER\NAME (SERIAL)\KEY.dlu, whose
// path goes to file_path (MAX_PATH bytes). folder must leave room for that path (at most 211
// characters), else 3.
ZRPC_API unsigned long ZRPCFUNC_DB_Backup(HWND parent, ITokenInterface* token, unsigned long token_handle,
                                          int target_kind, unsigned long target_serial, int slot,
                                          char* folder, char* file_path);
// folder: MAX_PATH bytes. 1 when a folder was found (settings, installation folder, desktop).
ZRPC_API int ZRPCFUNC_DB_GetBackupFolder(char* folder);

// ------------------------------------------------------------------ folder protection
// Folder protection. A folder is protected when it directly holds the marker file "vktpdir.info".
// Paths are 8-bit text in the process's code page (UTF-8 for a program that declares it). Every folder
// export below but ZRPCFUNC_IsSlowPath reads a path alike: relative, drive-relative and root-relative
// texts (".", "..", "\") name the folder the current folder gives them ("C:" alone: the drive's root);
// a path may have 259 characters, counted as the platform counts them (UTF-16 units), whatever bytes
// the code page spends on them; a longer path, an empty one, and a device name (NUL, CON, COM1,
// "C:\x\nul.txt", "\\.\COM1"...) are refused before anything is opened: the code answers 3, the
// questions FALSE. Paths the library builds from a folder (its marker file, its entries) are not held
// to 259 characters and never cut down.
ZRPC_API BOOL ZRPCFUNC_IsFolderProtected(const char* folder);
// As above; when protected and record is given, record (127 bytes) receives the marker file's first
// 127 bytes (all zero after a short read; untouched when the marker cannot be opened).
ZRPC_API BOOL ZRPCFUNC_IsFolderProtectedEx(const char* folder, unsigned char* record);
// Whether an ancestor of path (up to the drive root, or a UNC path's share) is protected.
ZRPC_API BOOL ZRPCFUNC_HasProtectedParent(const char* path);
// Searches below path (the folder of path when it is a file) and sets *found to 1 at the first
// protected folder; *found is never cleared. 1 when the search ran, 0 when path or found is null or
// the folder cannot be listed. Folders whose names begin with '.' are not searched. Junctions and
// symbolic links below path are followed; every folder is searched once.
ZRPC_API BOOL ZRPCFUNC_HasProtectedChild(const char* path, BOOL* found);
// True for network drives, UNC paths, null paths and paths shorter than three characters.
ZRPC_API BOOL ZRPCFUNC_IsSlowPath(const char* path);
// Asks the filter for its flags record (at least two 32-bit words): 0, 13 (no filter or the request
// failed) or 3 (null record).
ZRPC_API unsigned long ZRPCFUNC_GetVKTFSFlags(unsigned long* flagsRecord);
// *passive = 0 or 128 (bit 0x80 of flags word 1); a missing filter counts as not passive (result 0).
// 3 for a null argument.
ZRPC_API unsigned long ZRPCFUNC_IsFilterPassive(unsigned long* passive);

// Deletes a protected folder tree, telling the filter of every folder removed (innermost first).
// flags: 0x01 only if protected, 0x04 force and quiet (unprotected subfolders too, no message box, and
// a folder that could not be removed is still announced to the filter: its marker is gone). Folders
// whose names begin with '.' are left. Junctions and symbolic links are removed as links, never
// followed, and only as their folder would be (without 0x04, when what they show is protected).
// 3 (nothing touched) for a null, empty or relative folder, a drive or share root in any spelling, a
// device name or a path longer than 259 characters; 1 when 0x01 is set and the folder is not
// protected, or the filter cannot be opened; 0 when the folder is gone (or, without 0x04, was not
// protected: nothing touched); 61 (a marker in use) or 1 when the folder's marker could not be deleted
// (nothing touched); 65, "The folder could not be removed completely", when the walk ran but the
// folder is still there (its marker and part of its content may be gone; without 0x04 a message box
// says why).
ZRPC_API unsigned long ZRPCFUNC_DeleteEncryptedFolder(const char* folder, unsigned long flags,
                                                      unsigned long reserved);
// Not supported: both look at no argument and return 13.
#ifdef __cplusplus
ZRPC_API unsigned long ZRPCFUNC_CopyEncryptedFolder(...);
ZRPC_API unsigned long ZRPCFUNC_MoveEncryptedFolder(...);
#else
ZRPC_API unsigned long ZRPCFUNC_CopyEncryptedFolder();
ZRPC_API unsigned long ZRPCFUNC_MoveEncryptedFolder();
#endif
// 0 when file can be opened for exclusive reading and writing, 61 when another program holds it,
// 1 when it cannot be opened otherwise (a null file among them); 3 for a path refused as above (a
// device name is never opened). A read-only file keeps its read-only attribute.
ZRPC_API unsigned long ZRPCFUNC_IsFileInUse(const char* file);

// The front end (top-level window of class "CorvanePlusClass" titled "Corvane+"). Replies are passed on
// unchanged; every query answers 0 when the front end does not run.
ZRPC_API BOOL ZRPCFUNC_IsFrontEndRunning(HWND* window);
ZRPC_API BOOL ZRPCFUNC_IsFrontEndBusy(void);
ZRPC_API BOOL ZRPCFUNC_IsFrontEndEnabled(void);
ZRPC_API BOOL ZRPCFUNC_IsMasterActive(void);
// Whether the built-in Administrators group is among the groups of the process's access token.
ZRPC_API BOOL ZRPCFUNC_IsNTAdministrator(void);

// Encryptability: 0 accepted, 1 system location or core system file, 56 program/driver/database file
// in the tree, 58 no rule applied, 59 protected folder below, 75 inside documents or desktop on a
// temporary or roaming profile; 3 for a path refused as above. The rules compare locations: a relative
// spelling and a link given as the folder are followed to where they lead. flags: 0x01 look for
// protected folders below, 0x04 scan for system files (offendingFile, 260 bytes, receives the file's
// path, or its short form where the whole path's 8-bit text would not fit or the code page cannot hold
// it), 0x08 accept removable and optical drives, 0x10 accept network drives, 0x40 skip the profiles
// root. The scans follow junctions and symbolic links below the folder, every folder once.
ZRPC_API unsigned long ZRPCFUNC_IsFolderEncryptable(const char* folder, char* offendingFile,
                                                    unsigned long flags);
// 1 for a folder that is not protected; for a protected folder asks the key-access service with the
// front end's value, then the caller's rights and the front end. 0 for a null folder.
ZRPC_API BOOL ZRPCFUNC_IsFolderDeleteable(const char* folder);

// ------------------------------------------------------------------ working dialog
// The working dialog, shown while the calling thread does something long (that thread must keep
// dispatching messages). Shows nest: every show is matched by a kill; inner shows change the text.
// The parent is not used. Both shows return 0.
#ifdef __cplusplus
ZRPC_API unsigned long ZRPCFUNC_ShowWorkingDialog(HWND parent, CString message);
#endif
ZRPC_API unsigned long ZRPCFUNC_C_ShowWorkingDialog(HWND parent, char* message);
ZRPC_API void ZRPCFUNC_SetWorkingMessage(char* message);
ZRPC_API void ZRPCFUNC_StepWorkingDialog(void);
ZRPC_API void ZRPCFUNC_KillWorkingDialog(void);

// ------------------------------------------------------------------ password box
// Asks for a password in a modal dialog owned by parent (may be null), with prompt above the field.
// hideMode non-zero shows a mask character for each typed character. Returns 0 when the user
// confirmed with OK, with the 20-byte SHA-1 digest of the typed bytes in digest; 20 for every other
// way out (Cancel, the close box), digest then left as it was. The typed text itself never leaves
// the dialog.
ZRPC_API unsigned long ZRPCFUNC_ShowPasswordBox(HWND parent, const char* prompt, unsigned char* digest,
                                                int hideMode);

// Releases a block handed out by the library (Base64 text, update-file text, decoded packets).
ZRPC_INLINE void ZRPC_FreeGlobal(void* block) {
    if (!block) return;
    HGLOBAL h = GlobalHandle(block);
    if (h) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

#endif
