// The read connection's core: a snapshot of the store, its index by serial, and the cursors of the
// public-key and update enumerations. The Windows side loads the store file into it and keeps one
// per process; calls come from one thread at a time.
#ifndef ZRPC_KEYSTORE_CONNECTION_H
#define ZRPC_KEYSTORE_CONNECTION_H

#include <cstdint>
#include <string>

#include "include/zrpcrecords.h"
#include "keystore/serial_index.h"
#include "keystore/store_doc.h"

namespace zks {

// Decodes the packet text of a store entry into packet, which is written only on success; the text and
// the decoded copy are wiped. The update-file reader's answer (0 on success).
unsigned long DecodePacketText(std::string& text, _tNewTransferPacket* packet);

class StoreSnapshot {
  public:
    // The document to read from, loaded by the caller; builds the index. False when memory ran out.
    StoreDoc& Doc() { return m_doc; }
    // Where the texts the snapshot hands out in fixed fields and buffers may be cut (see CutPointFn).
    void SetCutPoint(CutPointFn cut) { m_cut = cut; }
    bool Index() { return m_keys.Build(m_doc.Root()); }

    // The public keys in document order: serial (from eight hexadecimal digits) and the 16-byte name
    // field. 7 past the end; Next without First is 3.
    unsigned long FirstPublicKey(unsigned long* serial, unsigned char* name);
    unsigned long NextPublicKey(unsigned long* serial, unsigned char* name);
    // The "email" or "comment" note of the key at the key cursor (at most 255 characters and the
    // terminator): 1 when there is no such key or the note is missing or empty.
    unsigned long NoteAtCursor(const char* element, char* text);

    // The updates of a public key in document order: 29 for an unknown key, 7 when it has none or
    // past the end; Next without First is 3.
    unsigned long FirstUpdate(unsigned long serial, _tDBKeyUpdate* update);
    unsigned long NextUpdate(_tDBKeyUpdate* update);
    unsigned long UpdateCount(unsigned long serial, unsigned long* count);
    // The packet of one update, decoded: 29 when the update or its packet text is missing.
    unsigned long UpdatePacket(unsigned long serial, unsigned long keySerial, unsigned short updateId,
                               _tNewTransferPacket* packet);

  private:
    static constexpr std::uint32_t kNoCursor = 0xFFFFFFFFu;
    unsigned long ReadKeyAtCursor(unsigned long* serial, unsigned char* name);
    unsigned long ReadUpdateAtCursor(_tDBKeyUpdate* update);

    StoreDoc m_doc;
    SerialIndex m_keys;      // the snapshot never changes: lookups by serial go through this index
    XmlNodeHandle m_updates; // the updates element being enumerated
    std::uint32_t m_keyCursor = kNoCursor;
    std::uint32_t m_updateCursor = kNoCursor;
    CutPointFn m_cut = nullptr;
};

} // namespace zks

#endif
