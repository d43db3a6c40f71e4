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
// back as stored; text free of '<', '&' and '"' is stored byte for byte, and stores written without
// escaping read as before.
//
// Stores written by writers that escape nothing are read as such a writer meant them: the texts of
// packet, email, comment and created run up to their own end tag whatever '<' they hold, the rest of a
// start tag after a value that held its own '"' is kept and written back as it stood, and a leading
// UTF-8 byte-order mark stays in front of the store.
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
using zrpc::kAccessDenied;                            // the store file is read-only

// Longest e-mail address or comment the store keeps (the terminator makes 256 bytes).
constexpr std::size_t kMaxNoteLength = 255;
// Bytes of a name field (names are not terminated when full).
constexpr std::size_t kNameField = 16;
// Element levels of the layout: backupdatabase, publickey, updates, update, created and packet.
constexpr std::uint32_t kLayoutDepth = 5;

// Where a text of the process's code page may be cut: the longest prefix of text (len bytes) of at most
// maxBytes bytes that ends on a character's boundary (zrpc::AnsiCutPoint on Windows). Null: any byte.
using CutPointFn = std::size_t (*)(const char* text, std::size_t len, std::size_t maxBytes);

// "%08X", "%08X%04X" and "%08X%08X" (high part first).
std::string SerialText(std::uint32_t serial);
std::string UpdateSerialText(std::uint32_t keySerial, std::uint16_t updateId);
std::string FileTimeText(std::uint64_t fileTime);
using zrpc::EqualNoCase;
using zrpc::ParseHexPrefix;

// The text a store file gives, read as the key store reads files: in chunks of 4095 bytes, each chunk
// contributing its bytes up to its first NUL byte.
std::string ChunkedText(const char* data, std::size_t size);

// The decoded fields of one update element (the name cut as CopyNameField cuts it).
void ReadUpdateEntry(const XmlNodeHandle& update, _tDBKeyUpdate* out, CutPointFn cut = nullptr);

// Copies up to 16 bytes of text into a 16-byte field, zero-filling the rest. A longer text is cut by
// the library, so never inside a character (cut).
void CopyNameField(char* field, const std::string& text, CutPointFn cut = nullptr);
// The text of a 16-byte field up to its first NUL (at most 16 bytes). A field filled to its end holds a
// name cut to fit it: a character of which the field holds only the first bytes is no text and is left
// out (cut). What the field holds otherwise is the caller's and kept as it is.
std::string NameFieldText(const char* field, CutPointFn cut = nullptr);
// At most maxBytes bytes of text, never cut inside a character (cut).
std::string CutText(const std::string& text, std::size_t maxBytes, CutPointFn cut = nullptr);

// How the key store reads its file: for reading, or for a change (see XmlReadRules::note_verbatim: the
// entries that a change leaves alone are written back as they stand).
enum class StoreUse { read, change };

using zrpc::WipeString;

class StoreDoc {
  public:
    StoreDoc();
    ~StoreDoc();
    StoreDoc(const StoreDoc&) = delete;
    StoreDoc& operator=(const StoreDoc&) = delete;

    // Parses store text (read as ChunkedText already); true when it holds a backupdatabase element.
    bool Load(const char* text, std::size_t size, StoreUse use = StoreUse::read);
    // The same, parsing in place a std::malloc block of size + 1 bytes (byte `size` is 0, no NUL before
    // it) that the document takes over whatever the outcome. A document may be built on demand (see
    // XmlBuild): it then makes the records of the entries it is asked about.
    bool LoadHeapText(char* text, std::size_t size, XmlBuild build = XmlBuild::whole,
                      StoreUse use = StoreUse::read);
    // True when the loaded text is a whole store that a change may write back without losing anything:
    // one backupdatabase element with nothing but white space, comments and processing instructions
    // around it, every element closed by its own end tag, nothing cut short, no declaration, no text
    // outside the element, no start tag holding a bare word, and no element deeper than the layout's
    // levels (see XmlParseFacts).
    bool Whole() const;
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
    bool m_mark = false; // the text began with a UTF-8 byte-order mark, written again in front of it
};

} // namespace zks

#endif
