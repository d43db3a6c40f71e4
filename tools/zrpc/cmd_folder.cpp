// zrpc folder: folder protection on real folders (marker files, the encryptability and deletability
// rules, protected-tree deletion, the file-in-use test and the filter's flags).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kUsage[] =
    "folder protected PATH | parent PATH | child PATH | slow PATH | encryptable PATH [--flags HEX] |\n"
    "         deletable PATH | delete PATH [--flags HEX] | in-use FILE | filter-flags";

std::string CodeText(unsigned long code) {
    char text[400] = "";
    unsigned long size = sizeof text;
    ZRPCFUNC_FormatErrorMsg(code, text, &size);
    return text;
}

const char* YesNo(BOOL b) {
    return b ? "yes" : "no";
}

// What an encryptability code means, beside the code's general text.
const char* EncryptableMeaning(unsigned long code) {
    switch (code) {
    case 0:
        return "accepted";
    case 1:
        return "system location or core system file";
    case 3:
        return "path missing or too long";
    case 56:
        return "program, driver or database file in the tree";
    case 58:
        return "no rule applied";
    case 59:
        return "a protected folder lies below";
    case 75:
        return "inside documents or desktop on a temporary or roaming profile";
    default:
        return "unexpected";
    }
}

int Folder(const std::vector<std::string>& input) {
    std::vector<std::string> args = input;
    std::string flagsText;
    unsigned long flags = 0;
    bool haveFlags = ZrpcTakeOption(args, "--flags", flagsText);
    if (haveFlags && !ZrpcParseHex(flagsText, flags)) return ZrpcUsage(kUsage);
    if (args.empty()) return ZrpcUsage(kUsage);
    const std::string& verb = args[0];

    if (verb == "filter-flags" && args.size() == 1 && !haveFlags) {
        unsigned long record[8] = {};
        unsigned long rc = ZRPCFUNC_GetVKTFSFlags(record);
        if (rc) return ZrpcFail(rc, "asking the file-system filter for its flags");
        unsigned long passive = 0;
        ZRPCFUNC_IsFilterPassive(&passive);
        std::printf("flags: %08lX %08lX (passive: %s)\n", record[0], record[1], YesNo(passive != 0));
        return 0;
    }
    if (args.size() != 2) return ZrpcUsage(kUsage);
    const char* path = args[1].c_str();
    bool takesFlags = verb == "encryptable" || verb == "delete";
    if (haveFlags && !takesFlags) return ZrpcUsage(kUsage);

    if (verb == "protected") {
        unsigned char record[127] = {};
        BOOL p = ZRPCFUNC_IsFolderProtectedEx(path, record);
        std::printf("protected: %s\n", YesNo(p));
        if (p) {
            std::printf("marker record:");
            for (int i = 0; i < 16; ++i)
                std::printf(" %02X", record[i]);
            std::printf(" ...\n");
        }
        return 0;
    }
    if (verb == "parent") {
        std::printf("protected parent: %s\n", YesNo(ZRPCFUNC_HasProtectedParent(path)));
        return 0;
    }
    if (verb == "child") {
        BOOL found = FALSE;
        if (!ZRPCFUNC_HasProtectedChild(path, &found)) return ZrpcFail(1, std::string("listing ") + path);
        std::printf("protected child: %s\n", YesNo(found));
        return 0;
    }
    if (verb == "slow") {
        std::printf("slow path: %s (drive type %u)\n", YesNo(ZRPCFUNC_IsSlowPath(path)), GetDriveTypeA(path));
        return 0;
    }
    if (verb == "encryptable") {
        char offending[MAX_PATH] = "";
        unsigned long code = ZRPCFUNC_IsFolderEncryptable(path, offending, flags);
        std::printf("%lu: %s (%s)\n", code, EncryptableMeaning(code), CodeText(code).c_str());
        if (offending[0]) std::printf("system file: %s\n", offending);
        return 0;
    }
    if (verb == "deletable") {
        std::printf("deletable: %s\n", YesNo(ZRPCFUNC_IsFolderDeleteable(path)));
        return 0;
    }
    if (verb == "delete") {
        unsigned long rc = ZRPCFUNC_DeleteEncryptedFolder(path, flags, 0);
        if (rc == 1)
            std::printf("nothing deleted: %s\n", (flags & 1) && !ZRPCFUNC_IsFolderProtected(path)
                                                     ? "the folder is not protected"
                                                     : "the file-system filter is not there");
        else if (rc == 0)
            std::printf("deleted%s\n",
                        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "" : " (the folder remains)");
        return (int)rc;
    }
    if (verb == "in-use") {
        unsigned long rc = ZRPCFUNC_IsFileInUse(path);
        std::printf("%lu: %s\n", rc, rc == 0 ? "not in use" : rc == 61 ? "in use" : "cannot be opened");
        return 0;
    }
    return ZrpcUsage(kUsage);
}

} // namespace

ZRPC_COMMAND(
    "folder", Folder,
    "folder protected|parent|child|slow|encryptable [--flags HEX]|deletable|delete [--flags HEX] PATH,\n"
    "         folder in-use FILE, folder filter-flags");
