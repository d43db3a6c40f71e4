// Records exchanged between the library, its callers and the token component.
// Every record is byte-packed and little-endian; 16-byte name fields are not terminated when full.
// This header is free of <windows.h> so that portable code and tests can use it on any platform; it
// compiles as C (C11) and as C++, and its layout checks run in both.
#ifndef ZRPC_RECORDS_H
#define ZRPC_RECORDS_H

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stddef.h>
#include <stdint.h>
#endif

#include "zrpcdefs.h"

typedef struct _tZRPKeyFindInfo _tZRPKeyFindInfo;
typedef struct _tToken_Key _tToken_Key;
typedef struct _tToken_KeyEx _tToken_KeyEx;
typedef struct _tToken_Info _tToken_Info;
typedef struct _tToken_InfoEx _tToken_InfoEx;
typedef struct _tSHA_Context _tSHA_Context;
typedef struct _tNewTransferPacket _tNewTransferPacket;
typedef struct _tDBKeyUpdate _tDBKeyUpdate;

#pragma pack(push, 1)

// Filled by the token component's enumeration calls.
struct _tZRPKeyFindInfo {
    uint32_t state;    // in: 7 on the first find; out: the token's state
    char name[16];     // token name
    uint8_t reserved1; // not read by the library
    uint8_t flags;     // bits 0 and 1: picture / "reboot to unlock" state
    uint8_t reserved2[2];
    uint32_t serial; // token serial number
    uint32_t handle; // token handle
    uint16_t extra;  // kept with the list item, not interpreted
};

// One key slot of a token.
struct _tToken_Key {
    uint8_t slot;
    uint32_t serial;    // key serial number
    uint16_t keyNumber; // used with the serial in update identifiers
    uint8_t algorithm;  // algorithm identifier; offsets 7..10 are also read as one 32-bit value
    uint8_t reserved[3];
    uint32_t length; // key length in bytes
    uint32_t usage;  // usage value; its low byte goes into issue-data requests
    char name[16];   // key name
    uint8_t flags;   // bit 0 empty, bit 1 default key, bits 5..7 further states
};

enum ZRPC_ENUM_BASE(uint8_t) {
    ZRPC_KEYFLAG_EMPTY = 0x01,
    ZRPC_KEYFLAG_DEFAULT = 0x02,
    ZRPC_KEYFLAG_BACKEDUP = 0x40,
};

// A key slot with its group code; callers zero it before asking the token.
struct _tToken_KeyEx {
    _tToken_Key key;
    uint32_t groupCode;
    uint32_t reserved;
};

// Token information; the library reads only the name.
struct _tToken_Info {
    uint16_t version;
    uint32_t serial;
    char name[16];
    uint8_t reserved[10];
};

// Extended token information.
struct _tToken_InfoEx {
    uint16_t version;
    uint32_t publicKeySerial; // serial of the token's own public key
    char name[16];            // token name
    uint8_t reserved1[9];
    uint8_t backupFlags; // bit 5: backup key 1 present; bit 6: backup key 2 present
    uint8_t reserved2[10];
};

enum ZRPC_ENUM_BASE(uint8_t) {
    ZRPC_TOKENINFO_BACKUP1 = 0x20,
    ZRPC_TOKENINFO_BACKUP2 = 0x40,
};

// SHA-1 context, allocated by the caller.
struct _tSHA_Context {
    uint32_t block[16]; // pending input bytes; the rolling message schedule while compressing
    uint32_t state[5];  // chaining values; the digest bytes after the final step
    uint32_t countHigh; // byte count, high word
    uint32_t countLow;  // byte count, low word
};

// The 377-byte transfer packet a token produces and consumes.
struct _tNewTransferPacket {
    uint32_t size;    // always 377
    uint32_t version; // always 0x00010006
    uint8_t header[28];
    uint32_t type; // 12 public key, 13 request for issue data, 14 issue data, 16 backup public key
    uint8_t body1[136];
    char name[16];         // display name of the token or key
    uint32_t secondSerial; // looked up when a stored public key is replaced
    uint32_t serial;       // the public key's serial; 1 or 2 in a request for a backup key
    char keyName[16];      // issue data: the wrapped key's name (public keys: start of the key data)
    uint8_t requestByte;   // type 13 request: low byte of the key's usage value
    uint8_t requestSlot;   // type 13 request: low byte of the slot
    uint32_t requestReserved;
    uint8_t body2[155];
};

enum ZRPC_ENUM_BASE(uint32_t) {
    ZRPC_PACKET_SIZE = 377,
    ZRPC_PACKET_VERSION = 0x00010006,
    ZRPC_PACKET_PUBLICKEY = 12,
    ZRPC_PACKET_ISSUE_REQUEST = 13,
    ZRPC_PACKET_ISSUE_DATA = 14,
    ZRPC_PACKET_BACKUP_PUBLICKEY = 16,
};

// Summary of one stored key update.
struct _tDBKeyUpdate {
    uint32_t keySerial; // serial of the key the update carries
    uint16_t updateId;
    uint8_t algorithm;
    uint64_t created; // file time, UTC
    char name[16];    // the key's name
};

#pragma pack(pop)

ZRPC_STATIC_ASSERT(sizeof(_tZRPKeyFindInfo) == 34, "find record");
ZRPC_STATIC_ASSERT(offsetof(_tZRPKeyFindInfo, name) == 4 && offsetof(_tZRPKeyFindInfo, flags) == 21 &&
                       offsetof(_tZRPKeyFindInfo, serial) == 24 && offsetof(_tZRPKeyFindInfo, handle) == 28 &&
                       offsetof(_tZRPKeyFindInfo, extra) == 32,
                   "find record layout");
ZRPC_STATIC_ASSERT(sizeof(_tToken_Key) == 36, "key record");
ZRPC_STATIC_ASSERT(offsetof(_tToken_Key, serial) == 1 && offsetof(_tToken_Key, keyNumber) == 5 &&
                       offsetof(_tToken_Key, algorithm) == 7 && offsetof(_tToken_Key, length) == 11 &&
                       offsetof(_tToken_Key, usage) == 15 && offsetof(_tToken_Key, name) == 19 &&
                       offsetof(_tToken_Key, flags) == 35,
                   "key record layout");
ZRPC_STATIC_ASSERT(sizeof(_tToken_KeyEx) == 44 && offsetof(_tToken_KeyEx, groupCode) == 36,
                   "extended key record");
ZRPC_STATIC_ASSERT(offsetof(_tToken_Info, name) == 6, "token information layout");
ZRPC_STATIC_ASSERT(sizeof(_tToken_InfoEx) == 42, "extended token information");
ZRPC_STATIC_ASSERT(offsetof(_tToken_InfoEx, publicKeySerial) == 2 && offsetof(_tToken_InfoEx, name) == 6 &&
                       offsetof(_tToken_InfoEx, backupFlags) == 31,
                   "extended token information layout");
ZRPC_STATIC_ASSERT(sizeof(_tSHA_Context) == 92, "SHA-1 context");
ZRPC_STATIC_ASSERT(offsetof(_tSHA_Context, state) == 64 && offsetof(_tSHA_Context, countHigh) == 84 &&
                       offsetof(_tSHA_Context, countLow) == 88,
                   "SHA-1 context layout");
ZRPC_STATIC_ASSERT(sizeof(_tNewTransferPacket) == 377, "transfer packet");
ZRPC_STATIC_ASSERT(offsetof(_tNewTransferPacket, version) == 4 && offsetof(_tNewTransferPacket, type) == 36 &&
                       offsetof(_tNewTransferPacket, name) == 176 &&
                       offsetof(_tNewTransferPacket, secondSerial) == 192 &&
                       offsetof(_tNewTransferPacket, serial) == 196 &&
                       offsetof(_tNewTransferPacket, keyName) == 200 &&
                       offsetof(_tNewTransferPacket, requestByte) == 216 &&
                       offsetof(_tNewTransferPacket, requestSlot) == 217 &&
                       offsetof(_tNewTransferPacket, requestReserved) == 218,
                   "transfer packet layout");
ZRPC_STATIC_ASSERT(sizeof(_tDBKeyUpdate) == 31, "update record");
ZRPC_STATIC_ASSERT(offsetof(_tDBKeyUpdate, updateId) == 4 && offsetof(_tDBKeyUpdate, algorithm) == 6 &&
                       offsetof(_tDBKeyUpdate, created) == 7 && offsetof(_tDBKeyUpdate, name) == 15,
                   "update record layout");

#endif
