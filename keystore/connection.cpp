#include "keystore/connection.h"

#include <cstring>

#include "updatefile/ktformat.h"

namespace zks {

unsigned long DecodePacketText(std::string& text, _tNewTransferPacket* packet) {
    _tNewTransferPacket decoded;
    unsigned long rc = zrpc::kt::TextToPacket(text.data(), text.size(), decoded);
    if (rc == kOk) std::memcpy(packet, &decoded, sizeof decoded);
    zrpc::Wipe(&decoded, sizeof decoded);
    WipeString(text);
    return rc;
}

unsigned long StoreSnapshot::ReadKeyAtCursor(unsigned long* serial, unsigned char* name) {
    XmlNodeHandle entry = m_doc.Root().child(m_keyCursor);
    if (entry.is_null()) return kNoItem;
    XmlAttrHandle s = entry.attribute("serial");
    *serial = ParseHexPrefix(s.value(), 8);
    CopyNameField(reinterpret_cast<char*>(name), StoreDoc::AttributeText(entry, "name"), m_cut);
    return kOk;
}

unsigned long StoreSnapshot::FirstPublicKey(unsigned long* serial, unsigned char* name) {
    if (!serial || !name) return kBadArgument;
    m_keyCursor = 0;
    return ReadKeyAtCursor(serial, name);
}

unsigned long StoreSnapshot::NextPublicKey(unsigned long* serial, unsigned char* name) {
    if (!serial || !name || m_keyCursor == kNoCursor) return kBadArgument;
    if (m_keyCursor < m_doc.Root().child_count()) ++m_keyCursor;
    return ReadKeyAtCursor(serial, name);
}

unsigned long StoreSnapshot::NoteAtCursor(const char* element, char* text) {
    if (!text) return kBadArgument;
    XmlNodeHandle entry = m_doc.Root().child(m_keyCursor);
    if (entry.is_null()) return kFileError;
    std::string note = StoreDoc::ElementText(StoreDoc::ChildElement(entry, element));
    if (note.empty()) return kFileError;
    zrpc::CopyToBuffer(text, kMaxNoteLength + 1, CutText(note, kMaxNoteLength, m_cut));
    return kOk;
}

unsigned long StoreSnapshot::ReadUpdateAtCursor(_tDBKeyUpdate* update) {
    XmlNodeHandle entry = m_updates.child(m_updateCursor);
    if (entry.is_null()) return kNoItem;
    ReadUpdateEntry(entry, update, m_cut);
    return kOk;
}

unsigned long StoreSnapshot::FirstUpdate(unsigned long serial, _tDBKeyUpdate* update) {
    m_updateCursor = 0;
    if (serial == 0 || !update) return kBadArgument;
    XmlNodeHandle key = m_keys.Find((std::uint32_t)serial);
    if (key.is_null()) return kNoPublicKey;
    m_updates = StoreDoc::Updates(key, false);
    if (m_updates.is_null() || m_updates.child_count() == 0) return kNoItem;
    return ReadUpdateAtCursor(update);
}

unsigned long StoreSnapshot::NextUpdate(_tDBKeyUpdate* update) {
    if (!update || m_updateCursor == kNoCursor) return kBadArgument;
    if (m_updates.is_null()) return kNoItem;
    if (m_updateCursor < m_updates.child_count()) ++m_updateCursor;
    return ReadUpdateAtCursor(update);
}

unsigned long StoreSnapshot::UpdateCount(unsigned long serial, unsigned long* count) {
    if (!count) return kBadArgument;
    XmlNodeHandle key = m_keys.Find((std::uint32_t)serial);
    if (key.is_null()) return kNoPublicKey;
    XmlNodeHandle updates = StoreDoc::Updates(key, false);
    *count = updates.is_null() ? 0 : updates.child_count();
    return kOk;
}

unsigned long StoreSnapshot::UpdatePacket(unsigned long serial, unsigned long keySerial,
                                          unsigned short updateId, _tNewTransferPacket* packet) {
    if (!packet) return kBadArgument;
    XmlNodeHandle key = m_keys.Find((std::uint32_t)serial);
    XmlNodeHandle update = StoreDoc::FindUpdate(StoreDoc::Updates(key, false),
                                                UpdateSerialText((std::uint32_t)keySerial, updateId));
    XmlNodeHandle text = StoreDoc::ChildElement(update, "packet");
    if (text.is_null()) return kNoPublicKey;
    std::string data = StoreDoc::ElementText(text);
    return DecodePacketText(data, packet);
}

} // namespace zks
