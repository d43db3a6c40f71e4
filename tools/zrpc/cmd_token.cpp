// zrpc token, zrpc backup: packets of a software token (a token file, see tools/demo-token.txt) and the
// backup of one of its keys through the library.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "standins/token/softtoken.h"
#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kTokenUsage[] = "token pubkey --token FILE [--handle N] [--backup 1|2] OUT.bin   "
                           "the token's public key packet (type 12, or 16 for a backup key)";
const char kBackupUsage[] = "backup --token FILE [--handle N] --slot N --to own|backup1|backup2|SERIAL "
                            "[--folder DIR]   back a key up (slots 1..64, as the key list shows them)";

// Loads the token file named by --token and picks the token (--handle, else the first).
int LoadToken(std::vector<std::string>& args, SoftToken& token, unsigned long& handle, const char* usage) {
    std::string file, handleText;
    if (!ZrpcTakeOption(args, "--token", file)) return ZrpcUsage(usage);
    std::string error;
    if (!token.LoadFile(file, &error)) {
        std::fprintf(stderr, "zrpc: token file: %s\n", error.c_str());
        return 1;
    }
    long h = token.Tokens().empty() ? 0 : (long)token.Tokens()[0].handle;
    if (ZrpcTakeOption(args, "--handle", handleText) && !ZrpcParseInt(handleText, h)) return ZrpcUsage(usage);
    handle = (unsigned long)h;
    return 0;
}

int Token(const std::vector<std::string>& input) {
    std::vector<std::string> args = input;
    if (args.empty() || args[0] != "pubkey") return ZrpcUsage(kTokenUsage);
    args.erase(args.begin());
    SoftToken token;
    unsigned long handle = 0;
    if (int rc = LoadToken(args, token, handle, kTokenUsage)) return rc;
    std::string which;
    long backup = 0;
    if (ZrpcTakeOption(args, "--backup", which) && (!ZrpcParseInt(which, backup) || backup < 1 || backup > 2))
        return ZrpcUsage(kTokenUsage);
    if (args.size() != 1) return ZrpcUsage(kTokenUsage);

    _tNewTransferPacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.size = ZRPC_PACKET_SIZE;
    packet.version = ZRPC_PACKET_VERSION;
    packet.type = backup ? ZRPC_PACKET_BACKUP_PUBLICKEY : ZRPC_PACKET_PUBLICKEY;
    if (backup) packet.serial = (uint32_t)backup;
    unsigned long rc = token.MakePacket((uint32_t)handle, &packet);
    if (rc) return ZrpcFail(rc, "making the public key packet");
    bool ok = ZrpcWriteFile(args[0], std::string(reinterpret_cast<const char*>(&packet), sizeof packet));
    std::printf("public key %08X (%s), type %u\n", (unsigned)packet.serial,
                std::string(packet.name, strnlen(packet.name, 16)).c_str(), (unsigned)packet.type);
    SecureZeroMemory(&packet, sizeof packet);
    return ok ? 0 : ZrpcFail(2, "writing " + args[0]);
}

int Backup(const std::vector<std::string>& input) {
    std::vector<std::string> args = input;
    SoftToken token;
    unsigned long handle = 0;
    if (int rc = LoadToken(args, token, handle, kBackupUsage)) return rc;
    std::string slotText, to, folder;
    long slot = -1;
    // Slots are numbered from 1 wherever a person types or reads them, as the key list shows them.
    if (!ZrpcTakeOption(args, "--slot", slotText) || !ZrpcParseInt(slotText, slot) || slot < 1 || slot > 64 ||
        !ZrpcTakeOption(args, "--to", to))
        return ZrpcUsage(kBackupUsage);
    bool haveFolder = ZrpcTakeOption(args, "--folder", folder);
    if (!args.empty()) return ZrpcUsage(kBackupUsage);

    int kind = 3;
    unsigned long target = 0;
    if (to == "own")
        kind = 0;
    else if (to == "backup1")
        kind = 1;
    else if (to == "backup2")
        kind = 2;
    else if (!ZrpcParseHex(to, target))
        return ZrpcUsage(kBackupUsage);

    char path[MAX_PATH] = "";
    unsigned long rc = ZRPCFUNC_DB_Backup(nullptr, &token, handle, kind, target, (int)slot - 1,
                                          haveFolder ? &folder[0] : nullptr, haveFolder ? path : nullptr);
    if (rc) return ZrpcFail(rc, "backing up slot " + slotText);
    if (haveFolder) std::printf("wrote %s\n", path);
    for (const SoftToken::Mark& m : token.Marks())
        std::printf("slot %lu marked as backed up (flags %02lX)\n", (unsigned long)m.slot + 1,
                    (unsigned long)m.flags);
    return 0;
}

} // namespace

ZRPC_COMMAND("token", Token, kTokenUsage);
ZRPC_COMMAND("backup", Backup, kBackupUsage);
