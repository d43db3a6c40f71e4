// The key store document: the tree of KeyStore.xml and every lookup and change the key store makes on
// it, free of any platform call so that it builds and is tested natively.
//
//   <backupdatabase>
//       <publickey serial="%08X" name="...">
//           <packet>remote update text of the public key</packet>
//           <email>...</email> <comment>...</comment>          (each at most once, in order of addition)
//           <updates>
//               <update serial="%08X%04X" name="..." algo="%u">
//                   <created>%08X%08X</created>
//                   <packet>remote update text of the issue data</packet>
//               </update>
//           </updates>
//       </publickey>
//   </backupdatabase>
//
// Values that people type or that come from packets (names, e-mail addresses, comments, packet texts)
// go through xml_escape on the way in and xml_unescape on the way out, so '<', '&', '>' and '"' come
// back as stored; text free of those characters is stored byte for byte, and stores written without
// escaping read as before.
#ifndef ZRPC_KEYSTORE_STORE_DOC_H
#define ZRPC_KEYSTORE_STORE_DOC_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/text.h"
#include "base/wipe.h"
#include "include/zrpcrecords.h"
#include "include/zrpcresult.h"
#include "xml/xml.h"

namespace zks {

// The library's result codes, as the key store answers them, and its readings of some.
using zrpc::kBadArgument;
using zrpc::kDeclined;
using zrpc::kNoPublicKey;
using zrpc::kNotAvailable;
using zrpc::kNotConnected;
using zrpc::kNoToken;
using zrpc::kOk;
constexpr unsigned long kFileError = zrpc::kNotRead;  // not read or written, or an expected entry missing
constexpr unsigned long kNoStore = zrpc::kNotCreated; // no store file, or its location not configured
constexpr unsigned long kNotLoaded = zrpc::kNoMemory; // the store could not be loaded, or memory ran out
constexpr unsigned long kNoItem = zrpc::kNoMoreItems; // past the end of an enumeration, or no updates

// Longest e-mail address or comment the store keeps (the terminator makes 256 bytes).
constexpr std::size_t kMaxNoteLength = 255;
// Bytes of a name field (names are not terminated when full).
constexpr std::size_t kNameField = 16;

// "%08X", "%08X%04X" and "%08X%08X" (high part first).
std::string SerialText(std::uint32_t serial);
std::string UpdateSerialText(std::uint32_t keySerial, std::uint16_t updateId);
std::string FileTimeText(std::uint64_t fileTime);
using zrpc::EqualNoCase;
using zrpc::ParseHexPrefix;

// The text a store file gives, read as the key store reads files: in chunks of 4095 bytes, each chunk
// contributing its bytes up to its first NUL byte.
std::string ChunkedText(const char* data, std::size_t size);

// The decoded fields of one update element.
void ReadUpdateEntry(const XmlNodeHandle& update, _tDBKeyUpdate* out);

// Copies up to 16 bytes of text into a 16-byte field, zero-filling the rest.
void CopyNameField(char* field, const std::string& text);
// The text of a 16-byte field up to its first NUL (at most 16 characters).
std::string NameFieldText(const char* field);

using zrpc::WipeString;

class StoreDoc {
  public:
    StoreDoc();
    ~StoreDoc();
    StoreDoc(const StoreDoc&) = delete;
    StoreDoc& operator=(const StoreDoc&) = delete;

    // Parses store text (read as ChunkedText already); true when it holds a backupdatabase element.
    bool Load(const char* text, std::size_t size);
    // The same, parsing in place a std::malloc block of size + 1 bytes (byte `size` is 0, no NUL before
    // it) that the document takes over whatever the outcome. A document that is only read may be built
    // on demand (see XmlBuild): it then makes the records of the entries it is asked about.
    bool LoadHeapText(char* text, std::size_t size, XmlBuild build = XmlBuild::whole);
    // An empty store: one backupdatabase element.
    bool NewEmpty();
    bool Loaded() const { return !m_root.is_null(); }
    // The backupdatabase element.
    const XmlNodeHandle& Root() const { return m_root; }
    // The file text of the whole document. False when memory ran out.
    bool Serialize(std::string& out) const;
    // The same text handed in pieces to write (see write_to_sink). False when memory ran out or write
    // refused a piece.
    bool Write(XmlWriteFn write, void* context) const;

    // The publickey element whose serial attribute is exactly "%08X" of serial, anywhere in the tree.
    XmlNodeHandle FindPublicKey(std::uint32_t serial) const;
    // Position among the children of backupdatabase of the first whose serial attribute equals "%08X"
    // of serial ignoring case; -1 when none.
    int FindPublicKeyChildNoCase(std::uint32_t serial) const;
    // Appends a publickey element with its packet text. False when memory ran out.
    bool AppendPublicKey(std::uint32_t serial, const std::string& name, const std::string& packetText);
    // Removes the child of backupdatabase at position with everything in it.
    void RemoveChild(int position);

    // The first child element of parent with that name, or a null handle.
    static XmlNodeHandle ChildElement(const XmlNodeHandle& parent, const char* name);
    // The unescaped text of an element (its first child's value), empty when it has none.
    static std::string ElementText(const XmlNodeHandle& element);
    // The unescaped value of an attribute; empty when missing. Never adds the attribute.
    static std::string AttributeText(const XmlNodeHandle& element, const char* name);
    // Sets an attribute (added when missing) to the escaped text.
    static bool SetAttributeText(XmlNodeHandle element, const char* name, const std::string& text);
    // Sets the first child's value of element to the escaped text, adding a text child when it has
    // none. False when memory ran out or the first child holds no text.
    static bool SetElementText(XmlNodeHandle element, const std::string& text);
    // Appends an element, optionally with a text child holding the escaped text.
    static XmlNodeHandle AppendElement(XmlNodeHandle parent, const char* name);
    static XmlNodeHandle AppendTextElement(XmlNodeHandle parent, const char* name, const std::string& text);

    // The e-mail / comment rule: a non-empty text creates the element and its text child when missing;
    // an empty text only empties an existing element's text. False when memory ran out or the existing
    // element holds no text as its first child.
    static bool SetNote(XmlNodeHandle publicKey, const char* element, const std::string& text);

    // The updates element of a public key (appended when missing and create is set).
    static XmlNodeHandle Updates(XmlNodeHandle publicKey, bool create);
    // The update with exactly that serial text, or a null handle.
    static XmlNodeHandle FindUpdate(const XmlNodeHandle& updates, const std::string& serialText);
    // Position of the first update whose serial equals serialText ignoring case; -1 when none.
    static int FindUpdateChildNoCase(const XmlNodeHandle& updates, const std::string& serialText);
    // Appends update, created and packet. False when memory ran out.
    static bool AppendUpdate(XmlNodeHandle updates, const std::string& serialText, const std::string& name,
                             std::uint32_t algo, std::uint64_t created, const std::string& packetText);

  private:
    bool FindRoot(); // sets m_root to the backupdatabase element; drops the document without one
    std::unique_ptr<XmlParser> m_doc;
    XmlNodeHandle m_root;
};

} // namespace zks

#endif
