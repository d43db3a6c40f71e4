// ITokenInterface: the token component that callers hand to the library. The library calls it through
// its table of operations in the component-object manner (__stdcall, the object as first argument) and
// never takes or releases references. Only the operations the library uses carry a meaning here; the
// others keep their places in the table. C callers get the same table as a record of function pointers
// (ITokenInterfaceVtbl, the object as first argument), as component interfaces are declared for C.
#ifndef ZRPC_TOKEN_H
#define ZRPC_TOKEN_H

#include "zrpcrecords.h"

#if defined(_WIN32)
#define ZRPC_COMCALL __stdcall
#else
#define ZRPC_COMCALL
#endif

typedef uint32_t ZRPC_RESULT;

// Codes of the token component that the library interprets.
enum ZRPC_ENUM_BASE(uint32_t) {
    ZRPC_TOKEN_NO_MORE = 7,        // enumeration: no (further) token
    ZRPC_TOKEN_STATE_UNKNOWN = 22, // enumeration: token shown without a state
    ZRPC_TOKEN_NOT_SUPPORTED = 49, // operation not provided by a component
};

// A token's two backup keys.
enum _eChobKey { eChobKey1 = 1, eChobKey2 = 2 };
typedef enum _eChobKey _eChobKey;

#ifdef __cplusplus
struct ITokenInterface {
    // 0 to 2: the component object's own housekeeping.
    virtual ZRPC_RESULT ZRPC_COMCALL QueryInterface(const void* iid, void** object) = 0;
    virtual uint32_t ZRPC_COMCALL AddRef() = 0;
    virtual uint32_t ZRPC_COMCALL Release() = 0;
    // 3 to 7: not used by the library.
    virtual ZRPC_RESULT ZRPC_COMCALL Operation3() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation4() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation5() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation6() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation7() = 0;
    // 8 to 10: enumeration of the attached tokens.
    virtual ZRPC_RESULT ZRPC_COMCALL FindFirstToken(_tZRPKeyFindInfo* find) = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL FindNextToken(_tZRPKeyFindInfo* find) = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL FindClose(_tZRPKeyFindInfo* find) = 0;
    // 11 to 20
    virtual ZRPC_RESULT ZRPC_COMCALL Operation11() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation12() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation13() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation14() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation15() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation16() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation17() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation18() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation19() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation20() = 0;
    // 21: one key slot.
    virtual ZRPC_RESULT ZRPC_COMCALL GetKey(uint32_t handle, uint32_t slot, _tToken_Key* key) = 0;
    // 22 to 33
    virtual ZRPC_RESULT ZRPC_COMCALL Operation22() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation23() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation24() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation25() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation26() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation27() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation28() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation29() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation30() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation31() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation32() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation33() = 0;
    // 34: all 64 key slots.
    virtual ZRPC_RESULT ZRPC_COMCALL GetAllKeys(uint32_t handle, _tToken_Key* keys64) = 0;
    // 35 to 41
    virtual ZRPC_RESULT ZRPC_COMCALL Operation35() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation36() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation37() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation38() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation39() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation40() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation41() = 0;
    // 42: set flags on a key (0x40: backed up).
    virtual ZRPC_RESULT ZRPC_COMCALL SetKeyFlags(uint32_t handle, uint32_t slot, uint32_t flags) = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation43() = 0;
    // 44: extended token information.
    virtual ZRPC_RESULT ZRPC_COMCALL GetTokenInfoEx(uint32_t handle, _tToken_InfoEx* info) = 0;
    // 45 to 51
    virtual ZRPC_RESULT ZRPC_COMCALL Operation45() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation46() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation47() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation48() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation49() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation50() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation51() = 0;
    // 52: fill a transfer packet according to the type preset in it.
    virtual ZRPC_RESULT ZRPC_COMCALL MakePacket(uint32_t handle, _tNewTransferPacket* packet) = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation53() = 0;
    // 54: one key slot with its group code.
    virtual ZRPC_RESULT ZRPC_COMCALL GetKeyEx(uint32_t handle, uint32_t slot, _tToken_KeyEx* key) = 0;
    // 55 to 60
    virtual ZRPC_RESULT ZRPC_COMCALL Operation55() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation56() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation57() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation58() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation59() = 0;
    virtual ZRPC_RESULT ZRPC_COMCALL Operation60() = 0;
    // 61: the token's type (4: a single key slot).
    virtual ZRPC_RESULT ZRPC_COMCALL GetTokenType(uint32_t handle, uint32_t* type) = 0;
};
#else
typedef struct ITokenInterface ITokenInterface;
typedef struct ITokenInterfaceVtbl ITokenInterfaceVtbl;
// clang-format off
struct ITokenInterfaceVtbl {
    // 0 to 2: the component object's own housekeeping.
    ZRPC_RESULT(ZRPC_COMCALL* QueryInterface)(ITokenInterface* self, const void* iid, void** object);
    uint32_t(ZRPC_COMCALL* AddRef)(ITokenInterface* self);
    uint32_t(ZRPC_COMCALL* Release)(ITokenInterface* self);
    // 3 to 7: not used by the library.
    ZRPC_RESULT(ZRPC_COMCALL* Operation3)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation4)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation5)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation6)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation7)(ITokenInterface* self);
    // 8 to 10: enumeration of the attached tokens.
    ZRPC_RESULT(ZRPC_COMCALL* FindFirstToken)(ITokenInterface* self, _tZRPKeyFindInfo* find);
    ZRPC_RESULT(ZRPC_COMCALL* FindNextToken)(ITokenInterface* self, _tZRPKeyFindInfo* find);
    ZRPC_RESULT(ZRPC_COMCALL* FindClose)(ITokenInterface* self, _tZRPKeyFindInfo* find);
    // 11 to 20
    ZRPC_RESULT(ZRPC_COMCALL* Operation11)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation12)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation13)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation14)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation15)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation16)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation17)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation18)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation19)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation20)(ITokenInterface* self);
    // 21: one key slot.
    ZRPC_RESULT(ZRPC_COMCALL* GetKey)(ITokenInterface* self, uint32_t handle, uint32_t slot,
                                      _tToken_Key* key);
    // 22 to 33
    ZRPC_RESULT(ZRPC_COMCALL* Operation22)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation23)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation24)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation25)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation26)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation27)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation28)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation29)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation30)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation31)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation32)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation33)(ITokenInterface* self);
    // 34: all 64 key slots.
    ZRPC_RESULT(ZRPC_COMCALL* GetAllKeys)(ITokenInterface* self, uint32_t handle, _tToken_Key* keys64);
    // 35 to 41
    ZRPC_RESULT(ZRPC_COMCALL* Operation35)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation36)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation37)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation38)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation39)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation40)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation41)(ITokenInterface* self);
    // 42: set flags on a key (0x40: backed up).
    ZRPC_RESULT(ZRPC_COMCALL* SetKeyFlags)(ITokenInterface* self, uint32_t handle, uint32_t slot,
                                           uint32_t flags);
    ZRPC_RESULT(ZRPC_COMCALL* Operation43)(ITokenInterface* self);
    // 44: extended token information.
    ZRPC_RESULT(ZRPC_COMCALL* GetTokenInfoEx)(ITokenInterface* self, uint32_t handle, _tToken_InfoEx* info);
    // 45 to 51
    ZRPC_RESULT(ZRPC_COMCALL* Operation45)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation46)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation47)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation48)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation49)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation50)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation51)(ITokenInterface* self);
    // 52: fill a transfer packet according to the type preset in it.
    ZRPC_RESULT(ZRPC_COMCALL* MakePacket)(ITokenInterface* self, uint32_t handle,
                                          _tNewTransferPacket* packet);
    ZRPC_RESULT(ZRPC_COMCALL* Operation53)(ITokenInterface* self);
    // 54: one key slot with its group code.
    ZRPC_RESULT(ZRPC_COMCALL* GetKeyEx)(ITokenInterface* self, uint32_t handle, uint32_t slot,
                                        _tToken_KeyEx* key);
    // 55 to 60
    ZRPC_RESULT(ZRPC_COMCALL* Operation55)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation56)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation57)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation58)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation59)(ITokenInterface* self);
    ZRPC_RESULT(ZRPC_COMCALL* Operation60)(ITokenInterface* self);
    // 61: the token's type (4: a single key slot).
    ZRPC_RESULT(ZRPC_COMCALL* GetTokenType)(ITokenInterface* self, uint32_t handle, uint32_t* type);
};
// clang-format on
struct ITokenInterface {
    const ITokenInterfaceVtbl* lpVtbl;
};
#endif

// Places in the table of operations, counted from 0.
// clang-format off
enum ZrpcTokenPlace ZRPC_ENUM_BASE(int) {
    ZRPC_PLACE_FIND_FIRST = 8,
    ZRPC_PLACE_FIND_NEXT = 9,
    ZRPC_PLACE_FIND_CLOSE = 10,
    ZRPC_PLACE_GET_KEY = 21,
    ZRPC_PLACE_GET_ALL_KEYS = 34,
    ZRPC_PLACE_SET_KEY_FLAGS = 42,
    ZRPC_PLACE_GET_INFO_EX = 44,
    ZRPC_PLACE_MAKE_PACKET = 52,
    ZRPC_PLACE_GET_KEY_EX = 54,
    ZRPC_PLACE_GET_TYPE = 61,
    ZRPC_PLACE_COUNT = 62,
};
// clang-format on

#ifndef __cplusplus
// The C table has the places above.
#define ZRPC_TOKEN_PLACE_CHECK(member, place)                                                                \
    (offsetof(ITokenInterfaceVtbl, member) == (place) * sizeof(void (*)(void)))
ZRPC_STATIC_ASSERT(sizeof(ITokenInterfaceVtbl) == ZRPC_PLACE_COUNT * sizeof(void (*)(void)),
                   "token table size");
ZRPC_STATIC_ASSERT(ZRPC_TOKEN_PLACE_CHECK(FindFirstToken, ZRPC_PLACE_FIND_FIRST) &&
                       ZRPC_TOKEN_PLACE_CHECK(FindNextToken, ZRPC_PLACE_FIND_NEXT) &&
                       ZRPC_TOKEN_PLACE_CHECK(FindClose, ZRPC_PLACE_FIND_CLOSE) &&
                       ZRPC_TOKEN_PLACE_CHECK(GetKey, ZRPC_PLACE_GET_KEY) &&
                       ZRPC_TOKEN_PLACE_CHECK(GetAllKeys, ZRPC_PLACE_GET_ALL_KEYS) &&
                       ZRPC_TOKEN_PLACE_CHECK(SetKeyFlags, ZRPC_PLACE_SET_KEY_FLAGS) &&
                       ZRPC_TOKEN_PLACE_CHECK(GetTokenInfoEx, ZRPC_PLACE_GET_INFO_EX) &&
                       ZRPC_TOKEN_PLACE_CHECK(MakePacket, ZRPC_PLACE_MAKE_PACKET) &&
                       ZRPC_TOKEN_PLACE_CHECK(GetKeyEx, ZRPC_PLACE_GET_KEY_EX) &&
                       ZRPC_TOKEN_PLACE_CHECK(GetTokenType, ZRPC_PLACE_GET_TYPE),
                   "token table places");
#endif

#endif
