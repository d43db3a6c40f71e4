// Backup of a token's key: the key is wrapped on the token for a target public key (the token's own,
// a backup key or a stored one), filed in the key store as an update of that key, optionally written
// as a ".dlu" file, and marked as backed up on the token.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/win_codepage.h"
#include "base/win_settings.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "keystore/win_keystore.h"
#include "keystore/win_store_files.h"
#include "updatefile/ktformat.h"
#include "updatefile/win_ktfile.h"

namespace {

using namespace zks;

const char kBackupKeyName[] = "Backup Key";

constexpr uint32_t kMarkBackedUp = 0x40;

// Longest folder that still leaves room for "\NAME16 (XXXXXXXX)\KEYNAME16.dlu" within a path.
constexpr size_t kSubPathRoom = 1 + kNameField + 12 + kNameField + 4;

// A language string with arg in place of its placeholder.
std::string FormatOne(unsigned id, const std::string& arg) {
    std::string format;
    zrpc::LangString(id, format);
    return zrpc::FillPlaceholder(format, arg);
}

std::string LangText(unsigned id) {
    std::string text;
    zrpc::LangString(id, text);
    return text;
}

void Show(HWND parent, unsigned long code, const std::string& doing) {
    zrpc::DisplayError(parent, code, doing.c_str(), nullptr, true);
}

// Reports a step's failure when there is a parent to report to.
void Report(HWND parent, unsigned long code, const std::string& doing) {
    if (parent) Show(parent, code, doing);
}

// A name as a part of a file or folder name: characters that no file name may hold become '_'.
std::string FileNamePart(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if ((unsigned char)c < 32 || std::strchr("\\/:*?\"<>|", c)) c = '_';
    return out;
}

void PreparePacket(_tNewTransferPacket& packet) {
    std::memset(&packet, 0, sizeof packet);
    packet.size = ZRPC_PACKET_SIZE;
    packet.version = ZRPC_PACKET_VERSION;
}

// The stored public key packet of serial: 2 no store, 1 not loaded or key or text missing, else the
// decoder's result.
unsigned long StoredPacket(uint32_t serial, _tNewTransferPacket& packet) {
    std::string path;
    if (!StorePath(path) || !IsFile(path)) return kNoStore;
    StoreDoc doc;
    if (!LoadStore(path, doc, StoreUse::read)) return kFileError;
    std::string text = StoreDoc::ElementText(StoreDoc::ChildElement(doc.FindPublicKey(serial), "packet"));
    if (text.empty()) return kFileError;
    unsigned long rc = zrpc::kt::TextToPacket(text.data(), text.size(), packet);
    WipeString(text);
    return rc;
}

struct Wiper {
    _tNewTransferPacket& packet;
    ~Wiper() { zrpc::Wipe(&packet, sizeof packet); }
};

unsigned long Backup(HWND parent, ITokenInterface* token, unsigned long handle, int kind,
                     unsigned long targetSerial, int slot, const char* folder, char* filePath) {
    // 1. Arguments.
    if (!token || handle == 0) return kNoToken;
    if (kind == 3 && targetSerial == 0) return kBadArgument;
    std::string base;
    if (folder) {
        base = std::string(folder, strnlen(folder, MAX_PATH));
        if (base.size() >= MAX_PATH || base.size() + kSubPathRoom > kMaxPath) return kBadArgument;
    }

    // 2. The key.
    _tToken_KeyEx key;
    std::memset(&key, 0, sizeof key);
    unsigned long rc = token->GetKeyEx((uint32_t)handle, (uint32_t)slot, &key);
    if (rc != kOk) {
        Report(parent, rc, LangText(IDS_READING_KEY));
        return rc;
    }

    // 3. The packet buffer, cleared on every way out from here on.
    _tNewTransferPacket packet;
    Wiper wiper{packet};
    PreparePacket(packet);

    // 4. The target's public key.
    uint32_t target = 0;
    std::string targetName;
    unsigned long step = kOk;
    switch (kind) {
    case 0:
        packet.type = ZRPC_PACKET_PUBLICKEY;
        rc = token->MakePacket((uint32_t)handle, &packet);
        if (rc != kOk) {
            Show(parent, rc, "generating issue request");
            step = kFileError;
        } else {
            step = AddPublicKey(parent, &packet, 0);
            target = packet.serial;
            targetName = NameFieldText(packet.name, zrpc::AnsiCutPoint);
        }
        break;
    case 1:
    case 2:
        packet.type = ZRPC_PACKET_BACKUP_PUBLICKEY;
        packet.serial = (uint32_t)kind;
        rc = token->MakePacket((uint32_t)handle, &packet);
        if (rc != kOk) {
            Show(parent, rc, FormatOne(IDS_GETTING_BACKUP_KEY, std::to_string(kind)));
            step = rc;
        } else {
            step = AddPublicKey(parent, &packet, 0);
            target = packet.serial;
            char name[kNameField + 1] = {0};
            targetName = GetNameFromSerial(target, name) ? std::string(name) : kBackupKeyName;
        }
        break;
    case 3:
        step = StoredPacket((uint32_t)targetSerial, packet);
        target = packet.serial;
        targetName = NameFieldText(packet.name, zrpc::AnsiCutPoint);
        break;
    default:
        break; // no packet: the store refuses the empty one below
    }

    // 5.
    if (step != kOk) {
        Report(parent, step, "getting request");
        return step;
    }

    // 6. The target public key in the store.
    rc = AddPublicKey(parent, &packet, 0);
    if (rc != kOk) {
        Report(parent, rc, "manipulating the database");
        return rc;
    }

    // 7. Issue data for the key, wrapped for the target.
    packet.type = ZRPC_PACKET_ISSUE_REQUEST;
    packet.requestByte = reinterpret_cast<const uint8_t*>(&key)[15];
    packet.requestSlot = (uint8_t)slot;
    packet.requestReserved = 0;
    rc = token->MakePacket((uint32_t)handle, &packet);
    if (rc != kOk) {
        Report(parent, rc, "generating issue data");
        return rc;
    }

    // 8. Filed as an update of the target.
    packet.type = ZRPC_PACKET_ISSUE_DATA;
    const unsigned long filed = StoreUpdate(target, key.key.serial, &key, &packet);

    // 9. The ".dlu" file.
    bool written = false;
    if (folder) {
        std::string dir = base;
        if (dir.empty() || (dir.back() != '\\' && dir.back() != '/')) dir += '\\';
        char sub[48];
        std::snprintf(sub, sizeof sub, " (%08X)\\", (unsigned)target);
        dir += FileNamePart(CutText(targetName, kNameField, zrpc::AnsiCutPoint)) + sub;
        CreateDirectoryA(dir.c_str(), nullptr); // an existing folder is no error
        std::string path = dir + FileNamePart(NameFieldText(packet.keyName, zrpc::AnsiCutPoint)) + ".dlu";
        if (filePath) zrpc::CopyToBuffer(filePath, MAX_PATH, path);
        rc = zrpc::kt::WriteUpdateFile(parent, &packet, path.c_str(), targetName.c_str(), target);
        if (rc != kOk && rc != zrpc::kt::kDeclined) {
            Report(parent, rc, FormatOne(IDS_WRITING_BACKUP_FILE, path));
            return rc;
        }
        written = rc == kOk;
    }

    // 10. Marked as backed up, unless the key went to the token's own public key.
    zrpc::Wipe(&packet, sizeof packet);
    if (kind != 0 && filed == kOk) {
        rc = token->SetKeyFlags((uint32_t)handle, (uint32_t)slot, kMarkBackedUp);
        if (rc != kOk) {
            Report(parent, rc, "marking key as backed up");
            return rc;
        }
        return kOk;
    }

    // 11. With a folder the file stands for the backup; but when the user kept an existing file and
    // the filing failed too, the key went nowhere: that is not a success.
    return folder && (written || filed == kOk) ? kOk : filed;
}

int GetBackupFolder(char* folder) {
    if (!folder) return 0;
    if (zrpc::ReadRegistryString(HKEY_CURRENT_USER, zrpc::kSettingsKey, zrpc::kBackupFolderValue, folder,
                                 MAX_PATH))
        return 1;
    if (zrpc::ReadRegistryString(HKEY_LOCAL_MACHINE, zrpc::kClientKey, zrpc::kInstallDirValue, folder,
                                 MAX_PATH))
        return 1;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)) || !list) return 0;
    char path[MAX_PATH] = {0};
    BOOL ok = SHGetPathFromIDListA(list, path);
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc) {
        shellMalloc->Free(list);
        shellMalloc->Release();
    }
    if (!ok || !path[0]) return 0;
    zrpc::CopyToBuffer(folder, MAX_PATH, path);
    return 1;
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DB_Backup(HWND parent, ITokenInterface* token, unsigned long token_handle,
                                          int target_kind, unsigned long target_serial, int slot,
                                          char* folder, char* file_path) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] {
        return Backup(parent, token, token_handle, target_kind, target_serial, slot, folder, file_path);
    });
}

ZRPC_API int ZRPCFUNC_DB_GetBackupFolder(char* folder) {
    return zrpc::Guard(0, [&] { return GetBackupFolder(folder); });
}
