// The library's result codes: unsigned 32-bit, 0 for success. ZRPCFUNC_FormatErrorMsg and
// ZRPCFUNC_DisplayErrorMsg give each code's text from the language module; a code some call answers
// with but that has no text of its own (20, the user declined) is shown as an unknown error.
// C and C++: the ZRPC_ constants for both, the zrpc::k names for the library's C++ code.
#ifndef ZRPC_RESULT_H
#define ZRPC_RESULT_H

enum {
    ZRPC_OK = 0,
    ZRPC_NOT_READ = 1,            // a file not opened or read; an entry or marker missing
    ZRPC_NOT_CREATED = 2,         // a file not created or not written; the key store does not exist
    ZRPC_BAD_ARGUMENT = 3,        // an argument missing or not valid
    ZRPC_FAILED = 4,              // the operation failed
    ZRPC_BAD_FORMAT = 5,          // the data is not in the expected format
    ZRPC_NO_MEMORY = 6,           // memory not obtained, or the data could not be loaded
    ZRPC_NO_MORE_ITEMS = 7,       // past the end of an enumeration, or nothing to enumerate
    ZRPC_NO_ANSWER = 8,           // the token did not answer (no such token)
    ZRPC_NO_TOKEN = 9,            // no token given, or no token interface
    ZRPC_NOT_CONNECTED = 12,      // the key store is not connected
    ZRPC_NOT_AVAILABLE = 13,      // the operation is not available (no filter)
    ZRPC_SLOT_EMPTY = 14,         // the key slot is empty
    ZRPC_DECLINED = 20,           // the user declined (an overwrite, a password box)
    ZRPC_NO_PUBLIC_KEY = 29,      // no public key with that serial in the key store
    ZRPC_NO_BACKUP_KEY = 30,      // the backup key is missing
    ZRPC_ACCESS_DENIED = 52,      // access was denied (the key store's file is read-only)
    ZRPC_NO_RULE_APPLIED = 58,    // no folder rule applies to the folder
    ZRPC_PROTECTED_BELOW = 59,    // a protected folder lies below the folder
    ZRPC_FILE_IN_USE = 61,        // a file is in use by another program
    ZRPC_FOLDER_NOT_REMOVED = 65, // the folder deletion ran but the folder is still there: its marker
                                  // and part of its content may be gone
    ZRPC_PROFILE_NOT_LOCAL = 75,  // the profile is temporary or roaming
};

#ifdef __cplusplus
namespace zrpc {

constexpr unsigned long kOk = ZRPC_OK;
constexpr unsigned long kNotRead = ZRPC_NOT_READ;
constexpr unsigned long kNotCreated = ZRPC_NOT_CREATED;
constexpr unsigned long kBadArgument = ZRPC_BAD_ARGUMENT;
constexpr unsigned long kFailed = ZRPC_FAILED;
constexpr unsigned long kBadFormat = ZRPC_BAD_FORMAT;
constexpr unsigned long kNoMemory = ZRPC_NO_MEMORY;
constexpr unsigned long kNoMoreItems = ZRPC_NO_MORE_ITEMS;
constexpr unsigned long kNoAnswer = ZRPC_NO_ANSWER;
constexpr unsigned long kNoToken = ZRPC_NO_TOKEN;
constexpr unsigned long kNotConnected = ZRPC_NOT_CONNECTED;
constexpr unsigned long kNotAvailable = ZRPC_NOT_AVAILABLE;
constexpr unsigned long kSlotEmpty = ZRPC_SLOT_EMPTY;
constexpr unsigned long kDeclined = ZRPC_DECLINED;
constexpr unsigned long kNoPublicKey = ZRPC_NO_PUBLIC_KEY;
constexpr unsigned long kNoBackupKey = ZRPC_NO_BACKUP_KEY;
constexpr unsigned long kNoRuleApplied = ZRPC_NO_RULE_APPLIED;
constexpr unsigned long kProtectedBelow = ZRPC_PROTECTED_BELOW;
constexpr unsigned long kFileInUse = ZRPC_FILE_IN_USE;
constexpr unsigned long kProfileNotLocal = ZRPC_PROFILE_NOT_LOCAL;
constexpr unsigned long kFolderNotRemoved = ZRPC_FOLDER_NOT_REMOVED;
constexpr unsigned long kAccessDenied = ZRPC_ACCESS_DENIED;

} // namespace zrpc
#endif

#endif
