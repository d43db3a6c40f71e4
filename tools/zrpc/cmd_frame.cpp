// zrpc config, zrpc error, zrpc cache.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "standins/token/softtoken.h"
#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kSettings[] = "Software\\Quillon Limited\\Corvane+\\Settings";
const char kClient[] = "SOFTWARE\\Quillon Limited\\Corvane+\\Client";

struct Setting {
    const char* name;
    HKEY root;
    const char* key;
};
const Setting kSettingsList[] = {
    {"ResourceDll", HKEY_CURRENT_USER, kSettings},
    {"HelpChm", HKEY_CURRENT_USER, kSettings},
    {"BackupFolder", HKEY_CURRENT_USER, kSettings},
    {"strInstallDir", HKEY_LOCAL_MACHINE, kClient},
};

bool ReadValue(const Setting& s, std::string& value) {
    HKEY key;
    if (RegOpenKeyExA(s.root, s.key, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buffer[1024];
    DWORD size = sizeof buffer - 1, type = 0;
    LONG rc = RegQueryValueExA(key, s.name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    buffer[size] = 0;
    value = buffer;
    return true;
}

const char kConfigUsage[] =
    "config [set NAME VALUE | unset NAME]   (ResourceDll, HelpChm, BackupFolder, strInstallDir)";

int Config(const std::vector<std::string>& args) {
    if (args.empty()) {
        for (const Setting& s : kSettingsList) {
            std::string v;
            if (ReadValue(s, v))
                std::printf("%s=%s\n", s.name, v.c_str());
            else
                std::printf("%s is not set\n", s.name);
        }
        char name[255];
        int found = ZRPCFUNC_FindResDLLName(name);
        std::printf("language module in use: %s%s\n", name, found ? "" : " (default)");
        found = ZRPCFUNC_FindHelpCHMName(name);
        std::printf("help file: %s%s\n", name, found ? "" : " (default)");
        return 0;
    }
    bool set = args[0] == "set" && args.size() == 3;
    bool unset = args[0] == "unset" && args.size() == 2;
    if (!set && !unset) return ZrpcUsage(kConfigUsage);
    for (const Setting& s : kSettingsList) {
        if (_stricmp(s.name, args[1].c_str()) != 0) continue;
        HKEY key;
        if (RegCreateKeyExA(s.root, s.key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return ZrpcFail(2, std::string("opening the settings for ") + s.name);
        LONG rc = set ? RegSetValueExA(key, s.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(args[2].c_str()),
                                       (DWORD)args[2].size() + 1)
                      : RegDeleteValueA(key, s.name);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS && !(unset && rc == ERROR_FILE_NOT_FOUND))
            return ZrpcFail(2, std::string("writing ") + s.name);
        return 0;
    }
    return ZrpcUsage(kConfigUsage);
}

int Error(const std::vector<std::string>& args) {
    long code;
    if (args.size() != 1 || !ZrpcParseInt(args[0], code)) return ZrpcUsage("error CODE");
    unsigned long size = 0;
    unsigned long id = ZRPCFUNC_FormatErrorMsg((unsigned long)code, nullptr, &size);
    char text[400] = "";
    unsigned long have = sizeof text;
    ZRPCFUNC_FormatErrorMsg((unsigned long)code, text, &have);
    if (id == 0xFFFFFFFFu)
        std::printf("%lu: %s (no string)\n", (unsigned long)code, text);
    else
        std::printf("%lu: %s (string %lu)\n", (unsigned long)code, text, id);
    return 0;
}

// Loads the software token named by --token FILE; prints the reason and returns false on failure.
bool LoadToken(std::vector<std::string>& args, SoftToken& token, unsigned long& handle, int& rc) {
    std::string file, handleText;
    if (!ZrpcTakeOption(args, "--token", file)) {
        rc = ZrpcUsage("cache --token FILE [--handle N] [--force]");
        return false;
    }
    std::string error;
    if (!token.LoadFile(file, &error)) {
        std::fprintf(stderr, "zrpc: token file: %s\n", error.c_str());
        rc = 1;
        return false;
    }
    long h = token.Tokens().empty() ? 0 : (long)token.Tokens()[0].handle;
    if (ZrpcTakeOption(args, "--handle", handleText) && !ZrpcParseInt(handleText, h)) {
        rc = ZrpcUsage("cache --token FILE [--handle N] [--force]");
        return false;
    }
    handle = (unsigned long)h;
    return true;
}

int Cache(const std::vector<std::string>& input) {
    std::vector<std::string> args = input;
    SoftToken token;
    unsigned long handle = 0;
    int rc = 0;
    bool force = ZrpcTakeFlag(args, "--force");
    if (!LoadToken(args, token, handle, rc)) return rc;

    unsigned long code = ZRPCFUNC_FillEncryptionKeyCache(&token, handle, force ? 1 : 0);
    if (code) return ZrpcFail(code, "filling the key cache");
    std::printf("key cache: %s (token asked %d time%s)\n",
                ZRPCFUNC_AreEncryptionKeysCached() ? "cached" : "not cached",
                token.Calls(ZRPC_PLACE_GET_ALL_KEYS), token.Calls(ZRPC_PLACE_GET_ALL_KEYS) == 1 ? "" : "s");
    for (int slot = 0; slot < 64; ++slot) {
        _tToken_Key* key = ZRPCFUNC_GetEncryptionKeyFromCache(&token, handle, slot, nullptr, 0);
        if (!key || (key->flags & ZRPC_KEYFLAG_EMPTY)) continue;
        unsigned long group = ZRPCFUNC_GetEncryptionKeyGroupCodeFromCache(&token, handle, slot, nullptr, 0);
        char name[17] = {0};
        std::memcpy(name, key->name, 16);
        std::printf("  slot %2d  serial %08X  %-16s  %-8s  %4lu bits  usage %lu  group %08lX%s\n", slot + 1,
                    (unsigned)key->serial, name, ZRPCFUNC_GetAlgorithmForID(key->algorithm),
                    (unsigned long)key->length * 8, (unsigned long)key->usage, group,
                    (key->flags & ZRPC_KEYFLAG_DEFAULT) ? "  (default)" : "");
    }
    unsigned long result = 0;
    _tToken_InfoEx* info = ZRPCFUNC_GetTokenInfoExFromCache(&token, handle, &result, force ? 1 : 0);
    if (!info) return ZrpcFail(result, "reading the token information");
    char name[17] = {0};
    std::memcpy(name, info->name, 16);
    std::printf("token information: %s, public key %08X, backup keys:%s%s\n", name,
                (unsigned)info->publicKeySerial, (info->backupFlags & ZRPC_TOKENINFO_BACKUP1) ? " 1" : "",
                (info->backupFlags & ZRPC_TOKENINFO_BACKUP2) ? " 2" : "");
    return 0;
}

} // namespace

ZRPC_COMMAND("config", Config, kConfigUsage);
ZRPC_COMMAND("error", Error, "error CODE                      text of a result code");
ZRPC_COMMAND("cache", Cache, "cache --token FILE [--handle N] [--force]   fill and show the key cache");
