// zrpc keystore: the key store through the library's exports.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kUsage[] = "keystore path | create [--force] | list | show SERIAL | add FILE.dlu [--confirm]\n"
                      "       zrpc keystore delete SERIAL | set-email SERIAL TEXT | set-comment SERIAL TEXT\n"
                      "       zrpc keystore updates SERIAL | export SERIAL OUT.dlu [--force]\n"
                      "       zrpc keystore delete-update SERIAL KEYSERIAL ID";

std::string Name16(const void* field) {
    const char* p = static_cast<const char*>(field);
    return std::string(p, strnlen(p, 16));
}

bool ParseSerial(const std::string& text, unsigned long& serial) {
    return ZrpcParseHex(text, serial);
}

// The store's path; false (with a message) when its location is not configured.
bool StorePath(std::string& path, bool& exists) {
    char buffer[MAX_PATH] = "";
    exists = ZRPCFUNC_DB_DatabaseExists(buffer) != 0;
    path = buffer;
    if (path.empty()) {
        std::fprintf(stderr, "zrpc: the key store's location (strInstallDir) is not configured\n");
        return false;
    }
    return true;
}

std::string IsoTime(uint64_t fileTime) {
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)fileTime;
    ft.dwHighDateTime = (DWORD)(fileTime >> 32);
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return text;
}

// Connects for an enumeration and disconnects at the end of the scope.
struct Connection {
    unsigned long rc;
    Connection() : rc(ZRPCFUNC_DB_Connect()) {}
    ~Connection() {
        if (rc == 0) ZRPCFUNC_DB_Disconnect();
    }
};

int Path(const std::vector<std::string>& args) {
    if (!args.empty()) return ZrpcUsage(kUsage);
    std::string path;
    bool exists;
    if (!StorePath(path, exists)) return 2;
    std::printf("%s%s\n", path.c_str(), exists ? "" : " (not created yet)");
    return 0;
}

int Create(std::vector<std::string> args) {
    bool force = ZrpcTakeFlag(args, "--force");
    if (!args.empty()) return ZrpcUsage(kUsage);
    std::string path;
    bool exists;
    if (!StorePath(path, exists)) return 2;
    if (exists && !force) {
        std::fprintf(stderr, "zrpc: %s exists (use --force to empty it)\n", path.c_str());
        return 20;
    }
    if (!ZRPCFUNC_DB_CreateDatabase(nullptr, &path[0])) return ZrpcFail(2, "creating " + path);
    std::printf("created %s\n", path.c_str());
    return 0;
}

int List(const std::vector<std::string>& args) {
    if (!args.empty()) return ZrpcUsage(kUsage);
    Connection c;
    if (c.rc) return ZrpcFail(c.rc, "opening the key store");
    unsigned long serial = 0;
    unsigned char name[16];
    unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name);
    for (; rc == 0; rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name)) {
        char email[ZRPC_DB_NOTE_MAX + 1] = "", comment[ZRPC_DB_NOTE_MAX + 1] = "";
        ZRPCFUNC_DB_GetPubKeyEmail(email);
        ZRPCFUNC_DB_GetPubKeyComment(comment);
        unsigned long updates = 0;
        ZRPCFUNC_DB_GetUpdateCountForToken(serial, &updates);
        std::printf("%08lX\t%s\t%s\t%s\t%lu\n", serial, Name16(name).c_str(), email, comment, updates);
    }
    return rc == 7 ? 0 : ZrpcFail(rc, "listing the key store");
}

int PrintUpdates(unsigned long serial) {
    _tDBKeyUpdate u;
    unsigned long rc = ZRPCFUNC_DB_GetFirstUpdate(serial, &u);
    for (; rc == 0; rc = ZRPCFUNC_DB_GetNextUpdate(&u)) {
        uint64_t created = u.created;
        std::printf("%08X\t%04X\t%s\t%s\t%s\n", (unsigned)u.keySerial, (unsigned)u.updateId,
                    ZRPCFUNC_GetAlgorithmForID(u.algorithm), IsoTime(created).c_str(),
                    Name16(u.name).c_str());
    }
    return rc == 7 ? 0 : ZrpcFail(rc, "listing the updates");
}

int Show(const std::vector<std::string>& args) {
    unsigned long serial;
    if (args.size() != 1 || !ParseSerial(args[0], serial)) return ZrpcUsage(kUsage);
    char name[17] = "";
    if (!ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name)) return ZrpcFail(29, "finding " + args[0]);
    char email[ZRPC_DB_NOTE_MAX + 1] = "", comment[ZRPC_DB_NOTE_MAX + 1] = "";
    unsigned long rc = ZRPCFUNC_DB_GetEmailAddress(serial, email);
    if (rc == 0) rc = ZRPCFUNC_DB_GetComments(serial, comment);
    if (rc) return ZrpcFail(rc, "reading the key store");
    _tNewTransferPacket packet;
    rc = ZRPCFUNC_DB_GetPublicKeyPacket(serial, &packet);
    std::printf("serial:   %08lX\nname:     %s\ne-mail:   %s\ncomment:  %s\n", serial, name, email, comment);
    if (rc == 0)
        std::printf("packet:   type %u, serial %08X, name %s\n", (unsigned)packet.type,
                    (unsigned)packet.serial, Name16(packet.name).c_str());
    else
        std::printf("packet:   not readable (code %lu)\n", rc);
    SecureZeroMemory(&packet, sizeof packet);
    Connection c;
    if (c.rc) return ZrpcFail(c.rc, "opening the key store");
    unsigned long count = 0;
    ZRPCFUNC_DB_GetUpdateCountForToken(serial, &count);
    std::printf("updates:  %lu\n", count);
    return count ? PrintUpdates(serial) : 0;
}

int Add(std::vector<std::string> args) {
    bool confirm = ZrpcTakeFlag(args, "--confirm");
    if (args.size() != 1) return ZrpcUsage(kUsage);
    _tNewTransferPacket* packet = nullptr;
    unsigned long rc = ZRPCFUNC_ReadKTFile(&packet, args[0].c_str());
    if (rc == 0) rc = ZRPCFUNC_CheckKTValidatePacket(packet, 0xFFFFFFFF);
    if (rc) {
        ZRPC_FreeGlobal(packet);
        return ZrpcFail(rc, "reading " + args[0]);
    }
    unsigned long serial = packet->serial;
    rc = ZRPCFUNC_DB_AddPublicKey(nullptr, packet, confirm ? 1 : 0);
    SecureZeroMemory(packet, sizeof *packet);
    ZRPC_FreeGlobal(packet);
    if (rc) return ZrpcFail(rc, "adding the public key of " + args[0]);
    char name[17] = "";
    ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name);
    std::printf("public key %08lX (%s) is in the key store\n", serial, name);
    return 0;
}

int Delete(const std::vector<std::string>& args) {
    unsigned long serial;
    if (args.size() != 1 || !ParseSerial(args[0], serial)) return ZrpcUsage(kUsage);
    unsigned long rc = ZRPCFUNC_DB_DeletePublicKey(serial);
    return rc ? ZrpcFail(rc, "deleting " + args[0]) : 0;
}

int SetNote(const std::vector<std::string>& args, bool email) {
    unsigned long serial;
    if (args.size() != 2 || !ParseSerial(args[0], serial)) return ZrpcUsage(kUsage);
    std::string text = args[1];
    unsigned long rc =
        email ? ZRPCFUNC_DB_SetEmailAddress(serial, &text[0]) : ZRPCFUNC_DB_SetComments(serial, &text[0]);
    return rc ? ZrpcFail(rc, email ? "setting the e-mail address" : "setting the comment") : 0;
}

int Updates(const std::vector<std::string>& args) {
    unsigned long serial;
    if (args.size() != 1 || !ParseSerial(args[0], serial)) return ZrpcUsage(kUsage);
    Connection c;
    if (c.rc) return ZrpcFail(c.rc, "opening the key store");
    return PrintUpdates(serial);
}

int Export(std::vector<std::string> args) {
    bool force = ZrpcTakeFlag(args, "--force");
    unsigned long serial;
    if (args.size() != 2 || !ParseSerial(args[0], serial)) return ZrpcUsage(kUsage);
    const std::string& out = args[1];
    if (GetFileAttributesA(out.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!force) {
            std::fprintf(stderr, "zrpc: %s exists (use --force to replace it)\n", out.c_str());
            return 20;
        }
        DeleteFileA(out.c_str());
    }
    _tNewTransferPacket packet;
    unsigned long rc = ZRPCFUNC_DB_GetPublicKeyPacket(serial, &packet);
    if (rc == 0) rc = ZRPCFUNC_WriteKTFile(nullptr, &packet, out.c_str(), nullptr, 0);
    SecureZeroMemory(&packet, sizeof packet);
    if (rc) return ZrpcFail(rc, "exporting " + args[0]);
    std::printf("wrote %s\n", out.c_str());
    return 0;
}

int DeleteUpdate(const std::vector<std::string>& args) {
    unsigned long serial, keySerial, id;
    if (args.size() != 3 || !ParseSerial(args[0], serial) || !ParseSerial(args[1], keySerial) ||
        !ZrpcParseHex(args[2], id) || id > 0xFFFF)
        return ZrpcUsage(kUsage);
    unsigned long rc = ZRPCFUNC_DB_DeleteUpdate(serial, keySerial, (unsigned short)id);
    return rc ? ZrpcFail(rc, "deleting the update") : 0;
}

int Keystore(const std::vector<std::string>& args) {
    if (args.empty()) return ZrpcUsage(kUsage);
    std::vector<std::string> rest(args.begin() + 1, args.end());
    const std::string& what = args[0];
    if (what == "path") return Path(rest);
    if (what == "create") return Create(rest);
    if (what == "list") return List(rest);
    if (what == "show") return Show(rest);
    if (what == "add") return Add(rest);
    if (what == "delete") return Delete(rest);
    if (what == "set-email") return SetNote(rest, true);
    if (what == "set-comment") return SetNote(rest, false);
    if (what == "updates") return Updates(rest);
    if (what == "export") return Export(rest);
    if (what == "delete-update") return DeleteUpdate(rest);
    return ZrpcUsage(kUsage);
}

} // namespace

ZRPC_COMMAND("keystore", Keystore, kUsage);
