// The process-wide read connection: a snapshot of the store taken at connect time, with the cursors of
// the public key and update enumerations. Calls come from one thread at a time.
#include <windows.h>

#include <new>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "include/zrpcfunc.h"
#include "keystore/connection.h"
#include "keystore/win_keystore.h"
#include "keystore/win_store_files.h"

namespace {

using namespace zks;

StoreSnapshot* g_connection = nullptr;

} // namespace

unsigned long zks::LoadSnapshot(StoreSnapshot& snapshot) {
    std::string path;
    if (!StorePath(path) || !IsFile(path)) return kNoStore;
    // A snapshot is only read: the records of an entry are made when the entry is first asked about,
    // so that connecting costs little more than reading the file.
    if (!LoadStore(path, snapshot.Doc(), StoreUse::read)) return kFileError;
    snapshot.SetCutPoint(zrpc::AnsiCutPoint);
    return snapshot.Index() ? kOk : kNotLoaded;
}

unsigned long zks::Connect() {
    std::string path;
    if (!StorePath(path) || !IsFile(path)) return kNoStore;
    if (g_connection) return kOk;
    StoreSnapshot* c = new (std::nothrow) StoreSnapshot;
    if (!c) return kNotLoaded;
    unsigned long rc = LoadSnapshot(*c);
    if (rc != kOk) {
        delete c;
        return rc;
    }
    g_connection = c;
    return kOk;
}

unsigned long zks::Disconnect() {
    if (!g_connection) return kNotConnected;
    delete g_connection;
    g_connection = nullptr;
    return kOk;
}

StoreSnapshot* zks::Connection() {
    return g_connection;
}

ZRPC_API unsigned long ZRPCFUNC_DB_Connect(void) {
    return zrpc::Guard<unsigned long>(kNotLoaded, [] { return Connect(); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_Disconnect(void) {
    return zrpc::Guard<unsigned long>(kNotConnected, [] { return Disconnect(); });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstPublicKey(unsigned long* serial, unsigned char* name) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->FirstPublicKey(serial, name) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetNextPublicKey(unsigned long* serial, unsigned char* name) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->NextPublicKey(serial, name) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyEmail(char* text) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->NoteAtCursor("email", text) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetPubKeyComment(char* text) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->NoteAtCursor("comment", text) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetFirstUpdate(unsigned long serial, _tDBKeyUpdate* update) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->FirstUpdate(serial, update) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetNextUpdate(_tDBKeyUpdate* update) {
    return zrpc::Guard<unsigned long>(
        kBadArgument, [&] { return g_connection ? g_connection->NextUpdate(update) : kNotConnected; });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdateCountForToken(unsigned long serial, unsigned long* count) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->UpdateCount(serial, count) : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_GetUpdatePacket(unsigned long serial, unsigned long key_serial,
                                                   unsigned short update_id, _tNewTransferPacket* packet) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] {
        return g_connection ? g_connection->UpdatePacket(serial, key_serial, update_id, packet)
                            : kNotConnected;
    });
}

ZRPC_API unsigned long ZRPCFUNC_DB_FindNextUpdate(long*, unsigned long, char*) {
    return kNotAvailable;
}
