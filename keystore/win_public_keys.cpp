// The store file and its public keys: existence, creation, adding, replacing, reading, notes and
// deletion. Each operation loads its own copy of the store; changes go through ModifyStore.
#include <windows.h>

#include <cstring>
#include <memory>

#include "base/win_codepage.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "keystore/connection.h"
#include "keystore/progress.h"
#include "keystore/win_keystore.h"
#include "keystore/win_store_files.h"
#include "updatefile/ktformat.h"

namespace zks {

namespace {

const char kBackupKeyName[] = "Backup Key";

bool ValidNote(const char* text) {
    return text && strnlen(text, kMaxNoteLength + 1) <= kMaxNoteLength;
}

// Loads the store for reading (built on demand: only the entry asked about is made): kNoStore or
// loadFailure when that fails.
unsigned long LoadForReading(StoreDoc& doc, unsigned long loadFailure) {
    std::string path;
    if (!StorePath(path) || !IsFile(path)) return kNoStore;
    return LoadStore(path, doc, StoreUse::read) ? kOk : loadFailure;
}

} // namespace

unsigned long GetNote(unsigned long serial, char* text, const char* element) {
    if (serial == 0 || !text) return kBadArgument;
    StoreDoc doc;
    if (unsigned long rc = LoadForReading(doc, kNotLoaded)) return rc;
    std::string note =
        StoreDoc::ElementText(StoreDoc::ChildElement(doc.FindPublicKey((uint32_t)serial), element));
    if (!note.empty())
        zrpc::CopyToBuffer(text, kMaxNoteLength + 1, CutText(note, kMaxNoteLength, zrpc::AnsiCutPoint));
    return kOk;
}

unsigned long SetNote(unsigned long serial, const char* text, const char* element) {
    if (serial == 0 || !text) return kBadArgument;
    if (!ValidNote(text)) return kBadArgument;
    const std::string note = text;
    return ModifyStore(kNotLoaded, [&](StoreDoc& doc, bool& save) -> unsigned long {
        XmlNodeHandle key = doc.FindPublicKey((uint32_t)serial);
        // A key that is not (or no longer) stored keeps no note: the caller must not believe it kept.
        if (key.is_null()) return kNoPublicKey;
        if (!StoreDoc::SetNote(key, element, note)) return kFileError;
        save = true;
        return kOk;
    });
}

// The entry for a packet: name, and the remote update text of a type 12 copy.
static unsigned long MakeEntry(const _tNewTransferPacket& packet, std::string& name, std::string& text) {
    name = packet.type == ZRPC_PACKET_BACKUP_PUBLICKEY ? std::string(kBackupKeyName)
                                                       : NameFieldText(packet.name, zrpc::AnsiCutPoint);
    _tNewTransferPacket copy = packet;
    copy.type = ZRPC_PACKET_PUBLICKEY;
    unsigned long rc = zrpc::kt::PacketToText(copy, nullptr, 0, text);
    zrpc::Wipe(&copy, sizeof copy);
    return rc;
}

unsigned long AddPublicKey(HWND parent, const _tNewTransferPacket* packet, int confirm) {
    if (!packet || (packet->type != ZRPC_PACKET_PUBLICKEY && packet->type != ZRPC_PACKET_BACKUP_PUBLICKEY))
        return kBadArgument;
    std::string path;
    if (!StorePath(path)) return kNoStore;
    const _tNewTransferPacket copy = *packet;

    if (confirm) {
        // Look first, then ask without holding the store, then look again under the lock.
        {
            StoreLock lock(path);
            if (!lock.Held()) return kFileError;
            if (!IsFile(path) && !CreateStoreFile(parent, path.c_str())) return kNoStore;
            StoreDoc doc;
            if (!LoadStore(path, doc, StoreUse::read)) return kFileError;
            if (!doc.FindPublicKey(copy.serial).is_null()) return kOk;
        }
        std::string question;
        zrpc::LangString(IDS_ADD_PUBLIC_KEY_QUESTION, question);
        if (MessageBoxA(parent, question.c_str(), zrpc::AppTitle(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return kDeclined;
    }

    std::unique_ptr<ProgressScope> working;
    std::string text;
    unsigned long rc;
    {
        StoreLock lock(path);
        if (!lock.Held()) return kFileError;
        if (!IsFile(path) && !CreateStoreFile(parent, path.c_str())) return kNoStore;
        StoreDoc doc;
        bool whole = false;
        if (!LoadStore(path, doc, StoreUse::change, &whole)) return kFileError;
        if (!doc.FindPublicKey(copy.serial).is_null()) return kOk;
        // A damaged store is never rewritten: what did not load would be lost.
        if (!whole) return kFileError;
        if (unsigned long refused = ChangeRefusal(StoreFileAt(path))) return refused;
        working.reset(new ProgressScope(IDS_ADDING_PUBLIC_KEY_WAIT));
        std::string name;
        rc = MakeEntry(copy, name, text);
        if (rc == kOk) {
            if (!doc.AppendPublicKey(copy.serial, name, text))
                rc = kNotLoaded;
            else if (!SaveStore(doc, path))
                rc = kFileError;
        }
    }
    WipeString(text);
    return rc; // the change is reported ended after the store is released
}

unsigned long UpdatePublicKey(_tNewTransferPacket* packet) {
    if (!packet) return kBadArgument;
    return ModifyStore(kFileError, [&](StoreDoc& doc, bool& save) -> unsigned long {
        XmlNodeHandle key = doc.FindPublicKey(packet->secondSerial);
        XmlNodeHandle element = StoreDoc::ChildElement(key, "packet");
        if (element.is_null()) return kNoPublicKey;
        // The name is taken before the text is made: the caller's packet itself is scrambled in the
        // making and left so; callers restore it with DescrambleBuffer (ordinal 13).
        std::string name = NameFieldText(packet->name, zrpc::AnsiCutPoint);
        std::string text;
        unsigned long rc = zrpc::kt::BuildText(*packet, nullptr, 0, text);
        if (rc != kOk) return kFileError;
        bool ok = StoreDoc::SetAttributeText(key, "name", name) && StoreDoc::SetElementText(element, text);
        WipeString(text);
        if (!ok) return kFileError;
        save = true;
        return kOk;
    });
}

unsigned long DeletePublicKey(unsigned long serial) {
    if (serial == 0) return kBadArgument;
    return ModifyStore(kFileError, [&](StoreDoc& doc, bool& save) -> unsigned long {
        int at = doc.FindPublicKeyChildNoCase((uint32_t)serial);
        if (at < 0) return kFileError;
        doc.RemoveChild(at);
        save = true;
        return kOk;
    });
}

unsigned long GetPublicKeyPacket(unsigned long serial, _tNewTransferPacket* packet) {
    if (serial == 0 || !packet) return kBadArgument;
    StoreDoc doc;
    if (unsigned long rc = LoadForReading(doc, kNotLoaded)) return rc;
    std::string text =
        StoreDoc::ElementText(StoreDoc::ChildElement(doc.FindPublicKey((uint32_t)serial), "packet"));
    if (text.empty()) return kFileError;
    return DecodePacketText(text, packet);
}

int GetNameFromSerial(unsigned long serial, char* name) {
    if (serial == 0 || !name || IsBadWritePtr(name, kNameField + 1)) return 0;
    StoreDoc doc;
    if (LoadForReading(doc, kNotLoaded) != kOk) return 0;
    XmlNodeHandle key = doc.FindPublicKey((uint32_t)serial);
    if (key.is_null()) return 0;
    CopyNameField(name, StoreDoc::AttributeText(key, "name"), zrpc::AnsiCutPoint);
    name[kNameField] = 0;
    return 1;
}

} // namespace zks

using namespace zks;

ZRPC_API int ZRPCFUNC_DB_DatabaseExists(char* path) {
    return zrpc::Guard(0, [&] {
        std::string store;
        if (!StorePath(store)) return 0;
        if (path) zrpc::CopyToBuffer(path, MAX_PATH, store);
        return IsFile(store) ? 1 : 0;
    });
}

ZRPC_API int ZRPCFUNC_DB_CreateDatabase(HWND parent, char* path) {
    return zrpc::Guard(0, [&] { return CreateStoreFile(parent, path) ? 1 : 0; });
}

ZRPC_API unsigned long ZRPCFUNC_DB_AddPublicKey(HWND parent, _tNewTransferPacket* packet, int confirm) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return AddPublicKey(parent, packet, confirm); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_UpdatePublicKey(_tNewTransferPacket* packet) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return UpdatePublicKey(packet); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_DeletePublicKey(unsigned long serial) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return DeletePublicKey(serial); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetPublicKeyPacket(unsigned long serial, _tNewTransferPacket* packet) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return GetPublicKeyPacket(serial, packet); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetEmailAddress(unsigned long serial, char* text) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return GetNote(serial, text, "email"); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetComments(unsigned long serial, char* text) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return GetNote(serial, text, "comment"); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_SetEmailAddress(unsigned long serial, char* text) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return SetNote(serial, text, "email"); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_SetComments(unsigned long serial, char* text) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [&] { return SetNote(serial, text, "comment"); });
}

ZRPC_API int ZRPCFUNC_DB_GetNameFromSerial(HWND, unsigned long serial, char* name) {
    return zrpc::Guard(0, [&] { return GetNameFromSerial(serial, name); });
}
