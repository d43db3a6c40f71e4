// The process-wide read connection: a snapshot of the store taken at connect time, with the cursors of
// the public key and update enumerations. Calls come from one thread at a time.
#include <windows.h>

#include <cstring>
#include <new>

#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "keystore/serial_index.h"
#include "keystore/win_store_files.h"
#include "updatefile/ktformat.h"

namespace {

using namespace zks;

constexpr uint32_t kNoCursor = 0xFFFFFFFFu;

struct Connection {
    StoreDoc doc;
    SerialIndex keys;      // the snapshot never changes: lookups by serial go through this index
    XmlNodeHandle updates; // the updates element being enumerated
    uint32_t keyCursor = kNoCursor;
    uint32_t updateCursor = kNoCursor;
};

Connection* g_connection = nullptr;

// Copies text and its terminator into a caller's note buffer, never more than the bound.
void CopyNote(char* buffer, const std::string& text) {
    zrpc::CopyToBuffer(buffer, kMaxNoteLength + 1, text);
}

unsigned long ReadKeyAtCursor(unsigned long* serial, unsigned char* name) {
    XmlNodeHandle entry = g_connection->doc.Root().child(g_connection->keyCursor);
    if (entry.is_null()) return kNoItem;
    XmlAttrHandle s = entry.find_attribute("serial");
    *serial = ParseHexPrefix(s.value(), 8);
    CopyNameField(reinterpret_cast<char*>(name), StoreDoc::AttributeText(entry, "name"));
    return kOk;
}

unsigned long ReadNoteAtCursor(const char* element, char* text) {
    XmlNodeHandle entry = g_connection->doc.Root().child(g_connection->keyCursor);
    if (entry.is_null()) return kFileError;
    std::string note = StoreDoc::ElementText(StoreDoc::ChildElement(entry, element));
    if (note.empty()) return kFileError;
    CopyNote(text, note);
    return kOk;
}

unsigned long ReadUpdateAtCursor(_tDBKeyUpdate* update) {
    XmlNodeHandle entry = g_connection->updates.child(g_connection->updateCursor);
    if (entry.is_null()) return kNoItem;
    ReadUpdateEntry(entry, update);
    return kOk;
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_DB_Connect(void) {
    return zrpc::Guard<unsigned long>(kNotLoaded, []() -> unsigned long {
        std::string path;
        if (!StorePath(path) || !IsFile(path)) return kNoStore;
        if (g_connection) return kOk;
        Connection* c = new (std::nothrow) Connection;
        if (!c) return kNotLoaded;
        if (!LoadStore(path, c->doc, nullptr)) {
            delete c;
            return kFileError;
        }
        if (!c->keys.Build(c->doc.Root())) {
            delete c;
            return kNotLoaded;
        }
        g_connection = c;
        return kOk;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_Disconnect(void) {
    return zrpc::Guard<unsigned long>(kNotConnected, []() -> unsigned long {
        if (!g_connection) return kNotConnected;
        delete g_connection;
        g_connection = nullptr;
        return kOk;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstPublicKey(unsigned long* serial, unsigned char* name) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!serial || !name) return kBadArgument;
        g_connection->keyCursor = 0;
        return ReadKeyAtCursor(serial, name);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetNextPublicKey(unsigned long* serial, unsigned char* name) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!serial || !name || g_connection->keyCursor == kNoCursor) return kBadArgument;
        if (g_connection->keyCursor < g_connection->doc.Root().child_count()) ++g_connection->keyCursor;
        return ReadKeyAtCursor(serial, name);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyEmail(char* text) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!text) return kBadArgument;
        return ReadNoteAtCursor("email", text);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyComment(char* text) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!text) return kBadArgument;
        return ReadNoteAtCursor("comment", text);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstUpdate(unsigned long serial, _tDBKeyUpdate* update) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        g_connection->updateCursor = 0;
        if (serial == 0 || !update) return kBadArgument;
        XmlNodeHandle key = g_connection->keys.Find((uint32_t)serial);
        if (key.is_null()) return kNoPublicKey;
        g_connection->updates = StoreDoc::Updates(key, false);
        if (g_connection->updates.is_null() || g_connection->updates.child_count() == 0) return kNoItem;
        return ReadUpdateAtCursor(update);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetNextUpdate(_tDBKeyUpdate* update) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!update || g_connection->updateCursor == kNoCursor) return kBadArgument;
        if (g_connection->updates.is_null()) return kNoItem;
        if (g_connection->updateCursor < g_connection->updates.child_count()) ++g_connection->updateCursor;
        return ReadUpdateAtCursor(update);
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdateCountForToken(unsigned long serial, unsigned long* count) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!count) return kBadArgument;
        XmlNodeHandle key = g_connection->keys.Find((uint32_t)serial);
        if (key.is_null()) return kNoPublicKey;
        XmlNodeHandle updates = StoreDoc::Updates(key, false);
        *count = updates.is_null() ? 0 : updates.child_count();
        return kOk;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdatePacket(unsigned long serial, unsigned long key_serial,
                                                   unsigned short update_id, _tNewTransferPacket* packet) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!g_connection) return kNotConnected;
        if (!packet) return kBadArgument;
        XmlNodeHandle key = g_connection->keys.Find((uint32_t)serial);
        XmlNodeHandle update = StoreDoc::FindUpdate(StoreDoc::Updates(key, false),
                                                    UpdateSerialText((uint32_t)key_serial, update_id));
        XmlNodeHandle text = StoreDoc::ChildElement(update, "packet");
        if (text.is_null()) return kNoPublicKey;
        std::string data = StoreDoc::ElementText(text);
        _tNewTransferPacket decoded;
        unsigned long rc = zrpc::kt::TextToPacket(data.data(), data.size(), decoded);
        if (rc == kOk) std::memcpy(packet, &decoded, sizeof decoded);
        zrpc::Wipe(&decoded, sizeof decoded);
        WipeString(data);
        return rc;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_FindNextUpdate(long*, unsigned long, char*) {
    return kNotAvailable;
}
