// A software token component: answers the operations the library makes on a token component from
// tokens described in a small text file. For tests, any operation can be made to answer a chosen
// code, and the calls made on each operation are counted.
//
// Token file: one directive a line; '#' starts a comment.
//   token NAME              starts a token (its name, at most 16 characters are kept)
//   serial HEX              token serial
//   handle N                token handle (default: 1, 2, ... in file order)
//   type N                  token type (4: a single key slot)
//   state N                 state reported by the enumeration
//   found N                 code the enumeration answers for this token, record filled (default 0;
//                           22: a token shown without a state)
//   flags N                 flags byte of the find record
//   pubkey HEX              serial of the token's own public key
//   backup1 HEX / backup2 HEX   serials of the backup keys (absent: no backup key)
//   key SLOT serial=HEX number=N algo=N length=N usage=N group=HEX flags=N name=TEXT
//                           one key slot (name last: it runs to the end of the line)
#ifndef ZRPC_STANDIN_SOFTTOKEN_H
#define ZRPC_STANDIN_SOFTTOKEN_H

#include <map>
#include <string>
#include <vector>

#include "zrpcresult.h"
#include "zrpctoken.h"

class SoftToken : public ITokenInterface {
  public:
    struct Key {
        uint32_t serial = 0;
        uint16_t number = 0;
        uint8_t algorithm = 0;
        uint32_t length = 0;
        uint32_t usage = 0;
        uint32_t groupCode = 0;
        uint8_t flags = 0;
        std::string name;
    };
    struct Token {
        std::string name;
        uint32_t serial = 0;
        uint32_t handle = 0;
        uint32_t type = 1;
        uint32_t state = 0;
        uint32_t foundCode = 0;
        uint8_t flags = 0;
        uint32_t publicKeySerial = 0;
        uint32_t backupSerial[2] = {0, 0};
        std::map<int, Key> keys; // by slot; missing slots are empty
    };
    struct Mark {
        uint32_t handle;
        uint32_t slot;
        uint32_t flags;
    };

    // Codes this component answers with.
    static constexpr uint32_t kNoSuchToken = zrpc::kNoAnswer;
    static constexpr uint32_t kBadArgument = zrpc::kBadArgument;
    static constexpr uint32_t kSlotEmpty = zrpc::kSlotEmpty;
    static constexpr uint32_t kNoBackupKey = zrpc::kNoBackupKey;

    SoftToken() = default;
    // Reads a token file; false with a message in error when it cannot be read or parsed.
    bool LoadFile(const std::string& path, std::string* error);
    bool LoadText(const std::string& text, std::string* error);

    std::vector<Token>& Tokens() { return m_tokens; }
    Token* FindToken(uint32_t handle);

    // Makes the operation at place answer code (0 restores normal answers).
    void FailPlace(int place, uint32_t code) { m_fail[place] = code; }
    int Calls(int place) const;
    void ResetCalls() { m_calls.clear(); }
    const std::vector<Mark>& Marks() const { return m_marks; }

    // The bytes a public-key packet of this component carries for a serial (deterministic).
    static void FillKeyData(_tNewTransferPacket* packet, uint32_t seed);

    // The component-object interface.
    ZRPC_RESULT ZRPC_COMCALL QueryInterface(const void* iid, void** object) override;
    uint32_t ZRPC_COMCALL AddRef() override { return ++m_refs; }
    uint32_t ZRPC_COMCALL Release() override { return m_refs > 1 ? --m_refs : 1; }
    ZRPC_RESULT ZRPC_COMCALL Operation3() override { return Unsupported(3); }
    ZRPC_RESULT ZRPC_COMCALL Operation4() override { return Unsupported(4); }
    ZRPC_RESULT ZRPC_COMCALL Operation5() override { return Unsupported(5); }
    ZRPC_RESULT ZRPC_COMCALL Operation6() override { return Unsupported(6); }
    ZRPC_RESULT ZRPC_COMCALL Operation7() override { return Unsupported(7); }
    ZRPC_RESULT ZRPC_COMCALL FindFirstToken(_tZRPKeyFindInfo* find) override;
    ZRPC_RESULT ZRPC_COMCALL FindNextToken(_tZRPKeyFindInfo* find) override;
    ZRPC_RESULT ZRPC_COMCALL FindClose(_tZRPKeyFindInfo* find) override;
    ZRPC_RESULT ZRPC_COMCALL Operation11() override { return Unsupported(11); }
    ZRPC_RESULT ZRPC_COMCALL Operation12() override { return Unsupported(12); }
    ZRPC_RESULT ZRPC_COMCALL Operation13() override { return Unsupported(13); }
    ZRPC_RESULT ZRPC_COMCALL Operation14() override { return Unsupported(14); }
    ZRPC_RESULT ZRPC_COMCALL Operation15() override { return Unsupported(15); }
    ZRPC_RESULT ZRPC_COMCALL Operation16() override { return Unsupported(16); }
    ZRPC_RESULT ZRPC_COMCALL Operation17() override { return Unsupported(17); }
    ZRPC_RESULT ZRPC_COMCALL Operation18() override { return Unsupported(18); }
    ZRPC_RESULT ZRPC_COMCALL Operation19() override { return Unsupported(19); }
    ZRPC_RESULT ZRPC_COMCALL Operation20() override { return Unsupported(20); }
    ZRPC_RESULT ZRPC_COMCALL GetKey(uint32_t handle, uint32_t slot, _tToken_Key* key) override;
    ZRPC_RESULT ZRPC_COMCALL Operation22() override { return Unsupported(22); }
    ZRPC_RESULT ZRPC_COMCALL Operation23() override { return Unsupported(23); }
    ZRPC_RESULT ZRPC_COMCALL Operation24() override { return Unsupported(24); }
    ZRPC_RESULT ZRPC_COMCALL Operation25() override { return Unsupported(25); }
    ZRPC_RESULT ZRPC_COMCALL Operation26() override { return Unsupported(26); }
    ZRPC_RESULT ZRPC_COMCALL Operation27() override { return Unsupported(27); }
    ZRPC_RESULT ZRPC_COMCALL Operation28() override { return Unsupported(28); }
    ZRPC_RESULT ZRPC_COMCALL Operation29() override { return Unsupported(29); }
    ZRPC_RESULT ZRPC_COMCALL Operation30() override { return Unsupported(30); }
    ZRPC_RESULT ZRPC_COMCALL Operation31() override { return Unsupported(31); }
    ZRPC_RESULT ZRPC_COMCALL Operation32() override { return Unsupported(32); }
    ZRPC_RESULT ZRPC_COMCALL Operation33() override { return Unsupported(33); }
    ZRPC_RESULT ZRPC_COMCALL GetAllKeys(uint32_t handle, _tToken_Key* keys64) override;
    ZRPC_RESULT ZRPC_COMCALL Operation35() override { return Unsupported(35); }
    ZRPC_RESULT ZRPC_COMCALL Operation36() override { return Unsupported(36); }
    ZRPC_RESULT ZRPC_COMCALL Operation37() override { return Unsupported(37); }
    ZRPC_RESULT ZRPC_COMCALL Operation38() override { return Unsupported(38); }
    ZRPC_RESULT ZRPC_COMCALL Operation39() override { return Unsupported(39); }
    ZRPC_RESULT ZRPC_COMCALL Operation40() override { return Unsupported(40); }
    ZRPC_RESULT ZRPC_COMCALL Operation41() override { return Unsupported(41); }
    ZRPC_RESULT ZRPC_COMCALL SetKeyFlags(uint32_t handle, uint32_t slot, uint32_t flags) override;
    ZRPC_RESULT ZRPC_COMCALL Operation43() override { return Unsupported(43); }
    ZRPC_RESULT ZRPC_COMCALL GetTokenInfoEx(uint32_t handle, _tToken_InfoEx* info) override;
    ZRPC_RESULT ZRPC_COMCALL Operation45() override { return Unsupported(45); }
    ZRPC_RESULT ZRPC_COMCALL Operation46() override { return Unsupported(46); }
    ZRPC_RESULT ZRPC_COMCALL Operation47() override { return Unsupported(47); }
    ZRPC_RESULT ZRPC_COMCALL Operation48() override { return Unsupported(48); }
    ZRPC_RESULT ZRPC_COMCALL Operation49() override { return Unsupported(49); }
    ZRPC_RESULT ZRPC_COMCALL Operation50() override { return Unsupported(50); }
    ZRPC_RESULT ZRPC_COMCALL Operation51() override { return Unsupported(51); }
    ZRPC_RESULT ZRPC_COMCALL MakePacket(uint32_t handle, _tNewTransferPacket* packet) override;
    ZRPC_RESULT ZRPC_COMCALL Operation53() override { return Unsupported(53); }
    ZRPC_RESULT ZRPC_COMCALL GetKeyEx(uint32_t handle, uint32_t slot, _tToken_KeyEx* key) override;
    ZRPC_RESULT ZRPC_COMCALL Operation55() override { return Unsupported(55); }
    ZRPC_RESULT ZRPC_COMCALL Operation56() override { return Unsupported(56); }
    ZRPC_RESULT ZRPC_COMCALL Operation57() override { return Unsupported(57); }
    ZRPC_RESULT ZRPC_COMCALL Operation58() override { return Unsupported(58); }
    ZRPC_RESULT ZRPC_COMCALL Operation59() override { return Unsupported(59); }
    ZRPC_RESULT ZRPC_COMCALL Operation60() override { return Unsupported(60); }
    ZRPC_RESULT ZRPC_COMCALL GetTokenType(uint32_t handle, uint32_t* type) override;

  private:
    // Counts the call and answers the failure set for the place, if any (0 = go on).
    uint32_t Enter(int place);
    uint32_t Unsupported(int place);
    void FillKey(const Token& token, int slot, _tToken_Key* key) const;
    void FillFind(const Token& token, _tZRPKeyFindInfo* find) const;

    std::vector<Token> m_tokens;
    std::map<int, uint32_t> m_fail;
    std::map<int, int> m_calls;
    std::vector<Mark> m_marks;
    size_t m_next = 0;
    uint32_t m_refs = 1;
};

#endif
