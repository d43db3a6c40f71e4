// The machine-wide encryption key cache and token information cache, against the software token.
// ctest-lock: keycache
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "standins/token/softtoken.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

const char kTokenText[] = R"(token Alice's Token
serial 1A2B3C4D
pubkey 5A5A0001
backup1 B0000001
key 0 serial=0000A001 number=1 algo=9 length=32 usage=3 group=00000010 flags=2 name=Payroll
key 1 serial=0000A002 number=2 algo=5 length=24 usage=1 group=00000011 name=ABCDEFGHIJKLMNOP
key 5 serial=0000A006 number=6 algo=1 length=16 usage=0 group=00000016 name=Sixth
token Bob
serial 0B0B0B0B
handle 7
)";

class Caches : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(token.LoadText(kTokenText, &error)) << error;
        ZRPCFUNC_ResetEncryptionKeyCache();
        ZRPCFUNC_ResetTokenInfoExCache();
    }
    void FillAllSlots() {
        for (int slot = 0; slot < 64; ++slot) {
            SoftToken::Key k;
            k.serial = 0x1000 + slot;
            k.name = "k" + std::to_string(slot);
            token.Tokens()[0].keys[slot] = k;
        }
    }
    SoftToken token;
    const unsigned long alice = 1;
};

// A token that hands the key records over one by one and stops halfway until told to go on, so that
// the cache can be looked at while a fill is under way.
class SlowToken : public SoftToken {
  public:
    ZRPC_RESULT ZRPC_COMCALL GetAllKeys(uint32_t handle, _tToken_Key* keys64) override {
        _tToken_Key all[64];
        std::memcpy(all, keys64, sizeof all);
        ZRPC_RESULT rc = SoftToken::GetAllKeys(handle, all);
        for (int slot = 0; slot < 64; ++slot) {
            keys64[slot] = all[slot];
            if (slot == 31) {
                SetEvent(halfway);
                WaitForSingleObject(goOn, 10000);
            }
        }
        return rc;
    }
    HANDLE halfway = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE goOn = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// Another reader never sees a fill half done: the cache shows the old records until the new ones are
// all there.
TEST_F(Caches, FillIsPublishedWhole) {
    SlowToken slow;
    std::string error;
    ASSERT_TRUE(slow.LoadText(kTokenText, &error)) << error;
    ASSERT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 1), 0u);
    auto nameOf = [](int slot) {
        const char* name = ZRPCFUNC_GetEncryptionKeyFromCache(nullptr, 0, slot, nullptr, 0)->name;
        return std::string(name, strnlen(name, 16));
    };
    const std::string oldFirst = nameOf(0);
    for (int slot = 0; slot < 64; ++slot) {
        SoftToken::Key k;
        k.serial = 0x2000 + slot;
        k.name = "new" + std::to_string(slot);
        slow.Tokens()[0].keys[slot] = k;
    }
    std::thread filler([&] { EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&slow, alice, 1), 0u); });
    ASSERT_EQ(WaitForSingleObject(slow.halfway, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(std::string(ZRPCFUNC_GetEncryptionKeyFromCache(nullptr, 0, 0, nullptr, 0)->name, 0, 16),
              oldFirst)
        << "slot 0 already shows the fill under way";
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(nullptr, 0, 0, nullptr, 0)->serial, 0xA001u);
    SetEvent(slow.goOn);
    filler.join();
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(nullptr, 0, 0, nullptr, 0)->serial, 0x2000u);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(nullptr, 0, 63, nullptr, 0)->serial, 0x203Fu);
    CloseHandle(slow.halfway);
    CloseHandle(slow.goOn);
}

TEST_F(Caches, ResetStateMarksEverySlotEmptyWithItsNumber) {
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 0);
    for (int slot : {0, 5, 63}) {
        _tToken_Key* key = ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, slot, nullptr, 0);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->slot, slot);
        EXPECT_EQ(key->flags, 1);
    }
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY), 0);
}

TEST_F(Caches, FillAsksTheTokenOnceUntilForced) {
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 0u);
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 1);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 0u);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, 7, 0), 0u); // another handle: still answered from cache
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_ALL_KEYS), 1);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 1), 0u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_ALL_KEYS), 2);

    _tToken_Key* key = ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, 0, nullptr, 0);
    EXPECT_EQ(key->serial, 0xA001u);
    EXPECT_EQ(std::string(key->name, 7), "Payroll");
    EXPECT_EQ(key->flags, 2);
}

TEST_F(Caches, FailedFillLeavesTheCacheUncachedSoTheNextFillAsksAgain) {
    ASSERT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 0u);
    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 41);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 1), 41u);
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 0);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 41u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_ALL_KEYS), 3);
    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 0);
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 0u);
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 1);
}

TEST_F(Caches, SingleSlotReadForcedOrFromTheCache) {
    ASSERT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 0), 0u);
    unsigned long result = 1234;
    _tToken_Key* cached = ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, 5, &result, 0);
    EXPECT_EQ(result, 1234u); // answered from the cache: result untouched
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY), 0);

    token.Tokens()[0].keys[5].name = "Renamed";
    _tToken_Key* forced = ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, 5, &result, 1);
    EXPECT_EQ(forced, cached); // always the slot's record inside the cache
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(std::string(forced->name, 7), "Renamed");
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 1); // a good forced read leaves the flag

    token.FailPlace(ZRPC_PLACE_GET_KEY, 17);
    forced = ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, 5, &result, 1);
    EXPECT_EQ(result, 17u);
    EXPECT_EQ(forced->slot, 5);
    EXPECT_EQ(forced->flags, 1);
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 0);
}

TEST_F(Caches, SlotsOutsideTheCacheAreRefused) {
    for (int slot : {-1, 64, 1000}) {
        unsigned long result = 0;
        EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, slot, &result, 1), nullptr);
        EXPECT_EQ(result, 3u);
        result = 0;
        EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, slot, &result, 1), 0xFFFFFFFFu);
        EXPECT_EQ(result, 3u);
    }
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY) + token.Calls(ZRPC_PLACE_GET_KEY_EX), 0);
}

TEST_F(Caches, NameCheckComparesTheFirstSixteenCharacters) {
    const struct {
        const char* name;
        int used;
    } cases[] = {
        {"Payroll", 1},
        {"payroll", 0},              // case-sensitive
        {"Payrol", 0},               // a prefix is not the name
        {"ABCDEFGHIJKLMNOP", 1},     // a full 16-character field without terminator
        {"ABCDEFGHIJKLMNOPQRST", 1}, // 20 characters, the first 16 equal
        {"ABCDEFGHIJKLMNO", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        unsigned long result = 99;
        EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsed(&token, alice, &result,
                                                                            CString(c.name), 0),
                  c.used)
            << c.name;
        EXPECT_EQ(result, 0u);
        // The C twin answers the same from a plain text.
        result = 99;
        EXPECT_EQ(
            ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz(&token, alice, &result, c.name, 0),
            c.used)
            << c.name;
        EXPECT_EQ(result, 0u);
    }
    // No text is the empty name, which no filled slot has.
    unsigned long result = 99;
    EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz(&token, alice, &result, nullptr, 0),
              0);
    EXPECT_EQ(result, 0u);
    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 8);
    result = 0;
    EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsed(&token, alice, &result,
                                                                        CString("Payroll"), 1),
              0);
    EXPECT_EQ(result, 8u);
    result = 0;
    EXPECT_EQ(
        ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz(&token, alice, &result, "Payroll", 1), 0);
    EXPECT_EQ(result, 8u);
}

TEST_F(Caches, SlotChecksOnSomeNoneAndAllSlotsUsed) {
    struct Row {
        const char* what;
        int all, anyFree, anyUsed;
    };
    auto check = [&](const Row& row) {
        unsigned long r1 = 9, r2 = 9, r3 = 9;
        EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAllSlotsUsed(&token, alice, &r1, 1), row.all)
            << row.what;
        EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsFree(&token, alice, &r2, 1), row.anyFree)
            << row.what;
        EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsUsed(&token, alice, &r3, 1), row.anyUsed)
            << row.what;
        EXPECT_EQ(r1 | r2 | r3, 0u);
    };
    check({"three keys", 0, 1, 1});
    token.Tokens()[0].keys.clear();
    check({"no keys", 0, 1, 0});
    FillAllSlots();
    check({"all keys", 1, 0, 1});

    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 5);
    unsigned long result = 0;
    EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAllSlotsUsed(&token, alice, &result, 1), 0);
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsFree(&token, alice, &result, 0), 0);
    EXPECT_EQ(ZRPCFUNC_CheckEncryptionKeysInCache_AreAnySlotsUsed(&token, alice, nullptr, 0), 0);
}

TEST_F(Caches, GroupCodesAreAskedOnceAndForgottenOnFailureOrEmptySlot) {
    unsigned long result = 9;
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, &result, 0), 0x10u);
    EXPECT_EQ(result, 0u);
    result = 9;
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, &result, 0), 0x10u);
    EXPECT_EQ(result, 9u); // answered from the cache
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 1);

    // An empty slot has no group code, so each query asks again.
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 3, nullptr, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 3, nullptr, 0), 0xFFFFFFFFu);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 3);

    // A fill of the key array neither clears nor refreshes group codes.
    ASSERT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 1), 0u);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, nullptr, 0), 0x10u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 3);

    token.FailPlace(ZRPC_PLACE_GET_KEY_EX, 6);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, &result, 1), 0xFFFFFFFFu);
    EXPECT_EQ(result, 6u);
    token.FailPlace(ZRPC_PLACE_GET_KEY_EX, 0);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, &result, 0), 0x10u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 5);

    ZRPCFUNC_ResetEncryptionKeyCache();
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, alice, 0, nullptr, 0), 0x10u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 6);
}

TEST_F(Caches, TokenInformationIsReadOnceAndClearedOnFailure) {
    unsigned long result = 9;
    _tToken_InfoEx* first = ZRPCFUNC_GetTokenInfoExFromCache(&token, alice, &result, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(first->publicKeySerial, 0x5A5A0001u);
    EXPECT_EQ(first->backupFlags, ZRPC_TOKENINFO_BACKUP1);
    EXPECT_EQ(ZRPCFUNC_GetTokenInfoExFromCache(&token, alice, &result, 0), first);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_INFO_EX), 1);
    EXPECT_EQ(ZRPCFUNC_IsTokenInfoExCached(), 1);

    token.FailPlace(ZRPC_PLACE_GET_INFO_EX, 12);
    EXPECT_EQ(ZRPCFUNC_GetTokenInfoExFromCache(&token, alice, &result, 1), nullptr);
    EXPECT_EQ(result, 12u);
    EXPECT_EQ(ZRPCFUNC_IsTokenInfoExCached(), 0);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(first);
    for (size_t i = 0; i < sizeof(_tToken_InfoEx); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(ZRPCFUNC_FillTokenInfoExCache(&token, alice, 0), 12u);
}

// A component written in plain C style: a table of __stdcall functions with the object first.
struct RawComponent {
    void** table;
    int allKeysCalls;
    unsigned long lastHandle;
};
ZRPC_RESULT __stdcall RawUnused(RawComponent*) {
    return 49;
}
ZRPC_RESULT __stdcall RawGetAllKeys(RawComponent* self, uint32_t handle, _tToken_Key* keys) {
    self->allKeysCalls++;
    self->lastHandle = handle;
    for (int i = 0; i < 64; ++i) {
        std::memset(&keys[i], 0, sizeof keys[i]);
        keys[i].slot = (uint8_t)i;
        keys[i].serial = 0xC0DE0000u + i;
    }
    return 0;
}

TEST(TokenInterface, ACStyleComponentIsCalledAtPlaceThirtyFourWithItselfFirst) {
    void* table[ZRPC_PLACE_COUNT];
    for (void*& entry : table)
        entry = reinterpret_cast<void*>(&RawUnused);
    table[ZRPC_PLACE_GET_ALL_KEYS] = reinterpret_cast<void*>(&RawGetAllKeys);
    RawComponent raw = {table, 0, 0};
    ITokenInterface* token = reinterpret_cast<ITokenInterface*>(&raw);
    ZRPCFUNC_ResetEncryptionKeyCache();
    EXPECT_EQ(ZRPCFUNC_FillEncryptionKeyCache(token, 0x55, 1), 0u);
    EXPECT_EQ(raw.allKeysCalls, 1);
    EXPECT_EQ(raw.lastHandle, 0x55u);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(token, 0x55, 63, nullptr, 0)->serial, 0xC0DE003Fu);
    ZRPCFUNC_ResetEncryptionKeyCache();
}

TEST_F(Caches, ASecondProcessSeesBothCachesAndDoesNotResetThem) {
    ASSERT_EQ(ZRPCFUNC_FillEncryptionKeyCache(&token, alice, 1), 0u);
    ASSERT_EQ(ZRPCFUNC_FillTokenInfoExCache(&token, alice, 1), 0u);
    std::string out;
    ASSERT_EQ(zt::RunProgram("frame_probe.exe caches", &out), 0);
    EXPECT_EQ(out, "keys=1 slot0=0000A001 flags=2 name=Payroll info=1 token=Alice's Token\r\n");

    // And the other way round: a second process fills, this one reads without asking.
    ZRPCFUNC_ResetEncryptionKeyCache();
    ZRPCFUNC_ResetTokenInfoExCache();
    token.ResetCalls();
    std::string dir = zt::MakeTempDir("cache");
    ASSERT_TRUE(zt::WriteFile(dir + "\\token.txt",
                              "token Carol\npubkey 0000C0C0\nkey 0 serial=00ABCDEF name=Carol key\n"));
    ASSERT_EQ(zt::RunProgram("frame_probe.exe fill \"" + dir + "\\token.txt\""), 0);
    EXPECT_EQ(ZRPCFUNC_AreEncryptionKeysCached(), 1);
    EXPECT_EQ(ZRPCFUNC_GetEncryptionKeyFromCache(&token, alice, 0, nullptr, 0)->serial, 0x00ABCDEFu);
    ASSERT_EQ(ZRPCFUNC_IsTokenInfoExCached(), 1);
    EXPECT_EQ(ZRPCFUNC_GetTokenInfoExFromCache(&token, alice, nullptr, 0)->publicKeySerial, 0xC0C0u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_INFO_EX), 0);
    zt::RemoveTree(dir);
}

} // namespace
