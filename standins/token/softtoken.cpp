#include "standins/token/softtoken.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

void CopyName(char* field, const std::string& name) {
    std::memset(field, 0, 16);
    std::memcpy(field, name.data(), name.size() < 16 ? name.size() : 16);
}

bool ParseNumber(const std::string& text, int base, uint32_t& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, base);
    if (!end || *end) return false;
    out = (uint32_t)v;
    return true;
}

} // namespace

bool SoftToken::LoadFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return LoadText(text.str(), error);
}

bool SoftToken::LoadText(const std::string& text, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        line = line.substr(start);
        size_t space = line.find_first_of(" \t");
        std::string word = line.substr(0, space);
        std::string rest =
            space == std::string::npos ? "" : line.substr(line.find_first_not_of(" \t", space));
        if (word == "token") {
            Token t;
            t.name = rest;
            t.handle = (uint32_t)m_tokens.size() + 1;
            m_tokens.push_back(t);
            continue;
        }
        if (m_tokens.empty()) return fail("'" + word + "' before any 'token'");
        Token& t = m_tokens.back();
        uint32_t v = 0;
        if (word == "key") {
            std::istringstream fields(rest);
            std::string slotText;
            fields >> slotText;
            uint32_t slot;
            if (!ParseNumber(slotText, 10, slot) || slot > 63) return fail("bad slot '" + slotText + "'");
            Key k;
            std::string field;
            while (fields >> field) {
                size_t eq = field.find('=');
                if (eq == std::string::npos) return fail("expected name=value, got '" + field + "'");
                std::string name = field.substr(0, eq), value = field.substr(eq + 1);
                if (name == "name") {
                    std::string tail;
                    std::getline(fields, tail);
                    k.name = value + tail;
                    break;
                }
                bool hex = name == "serial" || name == "group";
                if (!ParseNumber(value, hex ? 16 : 10, v)) return fail("bad value for " + name);
                if (name == "serial")
                    k.serial = v;
                else if (name == "number")
                    k.number = (uint16_t)v;
                else if (name == "algo")
                    k.algorithm = (uint8_t)v;
                else if (name == "length")
                    k.length = v;
                else if (name == "usage")
                    k.usage = v;
                else if (name == "group")
                    k.groupCode = v;
                else if (name == "flags")
                    k.flags = (uint8_t)v;
                else
                    return fail("unknown key field '" + name + "'");
            }
            t.keys[(int)slot] = k;
            continue;
        }
        bool hex = word == "serial" || word == "pubkey" || word == "backup1" || word == "backup2";
        if (!ParseNumber(rest, hex ? 16 : 10, v)) return fail("bad value for " + word);
        if (word == "serial")
            t.serial = v;
        else if (word == "handle")
            t.handle = v;
        else if (word == "type")
            t.type = v;
        else if (word == "state")
            t.state = v;
        else if (word == "found")
            t.foundCode = v;
        else if (word == "flags")
            t.flags = (uint8_t)v;
        else if (word == "pubkey")
            t.publicKeySerial = v;
        else if (word == "backup1")
            t.backupSerial[0] = v;
        else if (word == "backup2")
            t.backupSerial[1] = v;
        else
            return fail("unknown directive '" + word + "'");
    }
    return true;
}

SoftToken::Token* SoftToken::FindToken(uint32_t handle) {
    for (Token& t : m_tokens)
        if (t.handle == handle) return &t;
    return nullptr;
}

int SoftToken::Calls(int place) const {
    auto it = m_calls.find(place);
    return it == m_calls.end() ? 0 : it->second;
}

uint32_t SoftToken::Enter(int place) {
    ++m_calls[place];
    auto it = m_fail.find(place);
    return it == m_fail.end() ? 0 : it->second;
}

uint32_t SoftToken::Unsupported(int place) {
    uint32_t rc = Enter(place);
    return rc ? rc : ZRPC_TOKEN_NOT_SUPPORTED;
}

ZRPC_RESULT SoftToken::QueryInterface(const void*, void** object) {
    if (object) *object = this;
    return 0;
}

void SoftToken::FillFind(const Token& t, _tZRPKeyFindInfo* find) const {
    std::memset(find, 0, sizeof *find);
    find->state = t.state;
    CopyName(find->name, t.name);
    find->flags = t.flags;
    find->serial = t.serial;
    find->handle = t.handle;
}

ZRPC_RESULT SoftToken::FindFirstToken(_tZRPKeyFindInfo* find) {
    if (uint32_t rc = Enter(ZRPC_PLACE_FIND_FIRST)) return rc;
    if (!find) return kBadArgument;
    m_next = 0;
    if (m_tokens.empty()) return ZRPC_TOKEN_NO_MORE;
    FillFind(m_tokens[m_next], find);
    return m_tokens[m_next++].foundCode;
}

ZRPC_RESULT SoftToken::FindNextToken(_tZRPKeyFindInfo* find) {
    if (uint32_t rc = Enter(ZRPC_PLACE_FIND_NEXT)) return rc;
    if (!find) return kBadArgument;
    if (m_next >= m_tokens.size()) return ZRPC_TOKEN_NO_MORE;
    FillFind(m_tokens[m_next], find);
    return m_tokens[m_next++].foundCode;
}

ZRPC_RESULT SoftToken::FindClose(_tZRPKeyFindInfo*) {
    if (uint32_t rc = Enter(ZRPC_PLACE_FIND_CLOSE)) return rc;
    m_next = 0;
    return 0;
}

void SoftToken::FillKey(const Token& t, int slot, _tToken_Key* key) const {
    std::memset(key, 0, sizeof *key);
    key->slot = (uint8_t)slot;
    auto it = t.keys.find(slot);
    bool usable = t.type != 4 || slot == 0;
    if (it == t.keys.end() || !usable) {
        key->flags = ZRPC_KEYFLAG_EMPTY;
        return;
    }
    const Key& k = it->second;
    key->serial = k.serial;
    key->keyNumber = k.number;
    key->algorithm = k.algorithm;
    key->length = k.length;
    key->usage = k.usage;
    CopyName(key->name, k.name);
    key->flags = k.flags;
}

ZRPC_RESULT SoftToken::GetKey(uint32_t handle, uint32_t slot, _tToken_Key* key) {
    if (uint32_t rc = Enter(ZRPC_PLACE_GET_KEY)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (!key || slot > 63) return kBadArgument;
    FillKey(*t, (int)slot, key);
    return 0;
}

ZRPC_RESULT SoftToken::GetAllKeys(uint32_t handle, _tToken_Key* keys64) {
    if (uint32_t rc = Enter(ZRPC_PLACE_GET_ALL_KEYS)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (!keys64) return kBadArgument;
    for (int slot = 0; slot < 64; ++slot)
        FillKey(*t, slot, &keys64[slot]);
    return 0;
}

ZRPC_RESULT SoftToken::GetKeyEx(uint32_t handle, uint32_t slot, _tToken_KeyEx* key) {
    if (uint32_t rc = Enter(ZRPC_PLACE_GET_KEY_EX)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (!key || slot > 63) return kBadArgument;
    FillKey(*t, (int)slot, &key->key);
    auto it = t->keys.find((int)slot);
    key->groupCode = it == t->keys.end() ? 0 : it->second.groupCode;
    return 0;
}

ZRPC_RESULT SoftToken::SetKeyFlags(uint32_t handle, uint32_t slot, uint32_t flags) {
    if (uint32_t rc = Enter(ZRPC_PLACE_SET_KEY_FLAGS)) return rc;
    Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    auto it = t->keys.find((int)slot);
    if (it == t->keys.end()) return kSlotEmpty;
    it->second.flags |= (uint8_t)flags;
    m_marks.push_back({handle, slot, flags});
    return 0;
}

ZRPC_RESULT SoftToken::GetTokenInfoEx(uint32_t handle, _tToken_InfoEx* info) {
    if (uint32_t rc = Enter(ZRPC_PLACE_GET_INFO_EX)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (!info) return kBadArgument;
    std::memset(info, 0, sizeof *info);
    info->version = 1;
    info->publicKeySerial = t->publicKeySerial;
    CopyName(info->name, t->name);
    if (t->backupSerial[0]) info->backupFlags |= ZRPC_TOKENINFO_BACKUP1;
    if (t->backupSerial[1]) info->backupFlags |= ZRPC_TOKENINFO_BACKUP2;
    return 0;
}

void SoftToken::FillKeyData(_tNewTransferPacket* packet, uint32_t seed) {
    // Bytes 200 to 331 carry the public key data; later bytes the rest of the packet.
    uint8_t* bytes = reinterpret_cast<uint8_t*>(packet);
    uint32_t s = seed * 2654435761u + 12345u;
    for (size_t i = 200; i < sizeof *packet; ++i) {
        s = s * 1103515245u + 12345u;
        bytes[i] = (uint8_t)(s >> 16);
    }
}

ZRPC_RESULT SoftToken::MakePacket(uint32_t handle, _tNewTransferPacket* packet) {
    if (uint32_t rc = Enter(ZRPC_PLACE_MAKE_PACKET)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (!packet) return kBadArgument;
    switch (packet->type) {
    case ZRPC_PACKET_PUBLICKEY:
        FillKeyData(packet, t->publicKeySerial);
        packet->serial = packet->secondSerial = t->publicKeySerial;
        CopyName(packet->name, t->name);
        return 0;
    case ZRPC_PACKET_BACKUP_PUBLICKEY: {
        uint32_t which = packet->serial;
        if (which != 1 && which != 2) return kBadArgument;
        uint32_t serial = t->backupSerial[which - 1];
        if (!serial) return kNoBackupKey;
        FillKeyData(packet, serial);
        packet->serial = packet->secondSerial = serial;
        CopyName(packet->name, which == 1 ? "Backup Key 1" : "Backup Key 2");
        return 0;
    }
    case ZRPC_PACKET_ISSUE_REQUEST: {
        // Issue data: the key in the requested slot, wrapped for the public key in the packet.
        auto it = t->keys.find(packet->requestSlot);
        if (it == t->keys.end() || (it->second.flags & ZRPC_KEYFLAG_EMPTY)) return kSlotEmpty;
        const Key& k = it->second;
        uint32_t target = packet->serial;
        FillKeyData(packet, target ^ k.serial);
        packet->serial = target;
        CopyName(packet->keyName, k.name);
        return 0;
    }
    default:
        return kBadArgument;
    }
}

ZRPC_RESULT SoftToken::GetTokenType(uint32_t handle, uint32_t* type) {
    if (uint32_t rc = Enter(ZRPC_PLACE_GET_TYPE)) return rc;
    const Token* t = FindToken(handle);
    if (!t) return kNoSuchToken;
    if (type) *type = t->type;
    return 0;
}
