// zrpc dlu: remote update files (write, read, target, check) through the library's exports.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kUsage[] = "dlu write PACKET.bin OUT.dlu [--name NAME] [--target HEX] [--force]\n"
                      "       zrpc dlu read FILE.dlu [--out PACKET.bin]\n"
                      "       zrpc dlu target FILE.dlu\n"
                      "       zrpc dlu check PACKET.bin [--type N]";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Reads a 377-byte packet file.
int ReadPacket(const std::string& path, _tNewTransferPacket& packet) {
    std::string data;
    if (!ZrpcReadFile(path, data)) return ZrpcFail(1, "reading " + path);
    if (data.size() != sizeof packet) {
        std::fprintf(stderr, "zrpc: %s holds %u bytes, not a 377-byte packet\n", path.c_str(),
                     (unsigned)data.size());
        return 5;
    }
    std::memcpy(&packet, data.data(), sizeof packet);
    return 0;
}

std::string Name16(const char* field) {
    return std::string(field, strnlen(field, 16));
}

int Write(std::vector<std::string> args) {
    std::string name, targetText;
    bool haveName = ZrpcTakeOption(args, "--name", name);
    unsigned long target = 0;
    if (ZrpcTakeOption(args, "--target", targetText) && !ZrpcParseHex(targetText, target))
        return ZrpcUsage(kUsage);
    bool force = ZrpcTakeFlag(args, "--force");
    if (args.size() != 2) return ZrpcUsage(kUsage);
    _tNewTransferPacket packet;
    if (int rc = ReadPacket(args[0], packet)) return rc;
    const std::string& out = args[1];
    if (Exists(out) && !force) {
        std::fprintf(stderr, "zrpc: %s exists (use --force to replace it)\n", out.c_str());
        return 20;
    }
    // Written beside the target under a fresh name, then moved over it: the library asks no question
    // and a failed write leaves an existing file as it was.
    std::string temp = out + ".zrpc-new";
    DeleteFileA(temp.c_str());
    unsigned long rc =
        ZRPCFUNC_WriteKTFile(nullptr, &packet, temp.c_str(), haveName ? name.c_str() : nullptr, target);
    SecureZeroMemory(&packet, sizeof packet);
    if (rc) {
        DeleteFileA(temp.c_str());
        return ZrpcFail(rc, "writing " + out);
    }
    if (!MoveFileExA(temp.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp.c_str());
        return ZrpcFail(2, "replacing " + out);
    }
    return 0;
}

int Read(std::vector<std::string> args) {
    std::string outPath;
    bool haveOut = ZrpcTakeOption(args, "--out", outPath);
    if (args.size() != 1) return ZrpcUsage(kUsage);
    _tNewTransferPacket* packet = nullptr;
    unsigned long rc = ZRPCFUNC_ReadKTFile(&packet, args[0].c_str());
    if (rc) {
        ZRPC_FreeGlobal(packet);
        return ZrpcFail(rc, "reading " + args[0]);
    }
    std::printf("TYPE=%08X\nSERIAL=%08X\nNAME=%s\n", (unsigned)packet->type, (unsigned)packet->serial,
                Name16(packet->name).c_str());
    bool written = true;
    if (haveOut)
        written = ZrpcWriteFile(outPath, std::string(reinterpret_cast<const char*>(packet), sizeof *packet));
    SecureZeroMemory(packet, sizeof *packet);
    ZRPC_FreeGlobal(packet);
    return written ? 0 : ZrpcFail(2, "writing " + outPath);
}

int Target(const std::vector<std::string>& args) {
    if (args.size() != 1) return ZrpcUsage(kUsage);
    FARPROC proc =
        GetProcAddress(GetModuleHandleA("zrpcfunc.dll"), MAKEINTRESOURCEA(ZRPC_ORDINAL_READKTFILETARGET));
    auto read = reinterpret_cast<ZRPC_ReadKTFileTargetFn>(reinterpret_cast<void*>(proc));
    if (!read) return ZrpcFail(1, "finding ReadKTFileTarget");
    char name[17] = {0};
    unsigned long target = 0;
    unsigned long rc = read(args[0].c_str(), name, &target);
    if (rc) return ZrpcFail(rc, "reading the target of " + args[0]);
    std::printf("TARGET=%08lX\nNAME=%s\n", target, name);
    return 0;
}

int Check(std::vector<std::string> args) {
    std::string typeText;
    long type = -1;
    if (ZrpcTakeOption(args, "--type", typeText) && !ZrpcParseInt(typeText, type)) return ZrpcUsage(kUsage);
    if (args.size() != 1) return ZrpcUsage(kUsage);
    _tNewTransferPacket packet;
    if (int rc = ReadPacket(args[0], packet)) return rc;
    unsigned long rc = ZRPCFUNC_CheckKTValidatePacket(&packet, (unsigned long)type);
    SecureZeroMemory(&packet, sizeof packet);
    if (rc) return ZrpcFail(rc, "checking " + args[0]);
    std::printf("packet valid\n");
    return 0;
}

int Dlu(const std::vector<std::string>& args) {
    if (args.empty()) return ZrpcUsage(kUsage);
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "write") return Write(rest);
    if (args[0] == "read") return Read(rest);
    if (args[0] == "target") return Target(rest);
    if (args[0] == "check") return Check(rest);
    return ZrpcUsage(kUsage);
}

} // namespace

ZRPC_COMMAND("dlu", Dlu, kUsage);
