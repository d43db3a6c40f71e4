// Updates that load the store themselves: deletion, and the filing of a new update for the backup.
#include <windows.h>

#include <cstring>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "base/wipe.h"
#include "include/zrpcfunc.h"
#include "keystore/win_store_files.h"
#include "updatefile/ktformat.h"

namespace zks {

unsigned long StoreUpdate(uint32_t publicKeySerial, uint32_t keySerial, const _tToken_KeyEx* key,
                          const _tNewTransferPacket* packet) {
    if (!publicKeySerial || !keySerial || !key || !packet) return kBadArgument;
    _tNewTransferPacket copy = *packet;
    unsigned long result = ModifyStore(kFileError, [&](StoreDoc& doc, bool& save) -> unsigned long {
        XmlNodeHandle publicKey = doc.FindPublicKey(publicKeySerial);
        if (publicKey.is_null()) return kNoPublicKey;
        XmlNodeHandle updates = StoreDoc::Updates(publicKey, true);
        if (updates.is_null()) return kNotLoaded;
        const std::string serial = UpdateSerialText(keySerial, key->key.keyNumber);
        if (!StoreDoc::FindUpdate(updates, serial).is_null()) return kOk; // filed before: nothing to write

        // The algorithm identifier and the three bytes after it, as one value.
        uint32_t algo;
        std::memcpy(&algo, reinterpret_cast<const uint8_t*>(key) + 7, sizeof algo);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const uint64_t created = ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;

        // The text names the party the update is meant for, as the backup file does.
        const std::string target =
            CutText(StoreDoc::AttributeText(publicKey, "name"), kNameField, zrpc::AnsiCutPoint);
        std::string text;
        unsigned long rc = zrpc::kt::PacketToText(copy, target.c_str(), publicKeySerial, text);
        if (rc != kOk) return rc;
        bool ok = StoreDoc::AppendUpdate(updates, serial, NameFieldText(copy.keyName, zrpc::AnsiCutPoint),
                                         algo, created, text);
        WipeString(text);
        if (!ok) return kNotLoaded;
        save = true;
        return kOk;
    });
    // The copy holds the wrapped key.
    zrpc::Wipe(&copy, sizeof copy);
    return result;
}

} // namespace zks

namespace {

using namespace zks;

unsigned long DeleteUpdate(unsigned long serial, unsigned long keySerial, unsigned short updateId) {
    if (serial == 0 || keySerial == 0) return kBadArgument;
    return ModifyStore(kNotLoaded, [&](StoreDoc& doc, bool& save) -> unsigned long {
        XmlNodeHandle publicKey = doc.FindPublicKey((uint32_t)serial);
        if (publicKey.is_null()) return kNoPublicKey;
        XmlNodeHandle updates = StoreDoc::Updates(publicKey, false);
        if (updates.is_null() || updates.child_count() == 0) return kNoItem;
        int at = StoreDoc::FindUpdateChildNoCase(updates, UpdateSerialText((uint32_t)keySerial, updateId));
        if (at < 0) return kOk; // nothing to delete: the store is not written
        updates.erase_child(at);
        save = true;
        return kOk;
    });
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DB_DeleteUpdate(unsigned long serial, unsigned long key_serial,
                                                unsigned short update_id) {
    return zrpc::Guard<unsigned long>(kNotLoaded,
                                      [&] { return DeleteUpdate(serial, key_serial, update_id); });
}
