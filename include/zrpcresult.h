// The library's result codes: unsigned 32-bit, 0 for success. ZRPCFUNC_FormatErrorMsg and
// ZRPCFUNC_DisplayErrorMsg give each code's text from the language module; a code some call answers
// with but that has no text of its own (20, the user declined) is shown as an unknown error.
#ifndef ZRPC_RESULT_H
#define ZRPC_RESULT_H

namespace zrpc {

constexpr unsigned long kOk = 0;
constexpr unsigned long kNotRead = 1;       // a file not opened or read; an entry or marker missing
constexpr unsigned long kNotCreated = 2;    // a file not created or not written; the key store does not exist
constexpr unsigned long kBadArgument = 3;   // an argument missing or not valid
constexpr unsigned long kFailed = 4;        // the operation failed
constexpr unsigned long kBadFormat = 5;     // the data is not in the expected format
constexpr unsigned long kNoMemory = 6;      // memory not obtained, or the data could not be loaded
constexpr unsigned long kNoMoreItems = 7;   // past the end of an enumeration, or nothing to enumerate
constexpr unsigned long kNoAnswer = 8;      // the token did not answer (no such token)
constexpr unsigned long kNoToken = 9;       // no token given, or no token interface
constexpr unsigned long kNotConnected = 12; // the key store is not connected
constexpr unsigned long kNotAvailable = 13; // the operation is not available (no filter)
constexpr unsigned long kSlotEmpty = 14;    // the key slot is empty
constexpr unsigned long kDeclined = 20;     // the user declined (an overwrite, a password box)
constexpr unsigned long kNoPublicKey = 29;  // no public key with that serial in the key store
constexpr unsigned long kNoBackupKey = 30;  // the backup key is missing
constexpr unsigned long kNoRuleApplied = 58;   // no folder rule applies to the folder
constexpr unsigned long kProtectedBelow = 59;  // a protected folder lies below the folder
constexpr unsigned long kFileInUse = 61;       // a file is in use by another program
constexpr unsigned long kProfileNotLocal = 75; // the profile is temporary or roaming
constexpr unsigned long kAccessDenied = 52;    // access was denied (the key store's file is read-only)

} // namespace zrpc

#endif
