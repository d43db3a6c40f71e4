// The key store document (see store_doc.h).
#include "keystore/store_doc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zks {

namespace {

const char kRootName[] = "backupdatabase";
const char kPublicKey[] = "publickey";
const char kSerial[] = "serial";
const char kName[] = "name";
const char kPacket[] = "packet";
const char kUpdates[] = "updates";
const char kUpdate[] = "update";
const char kAlgo[] = "algo";
const char kCreated[] = "created";

constexpr std::size_t kChunk = 4095;

// The elements that hold one text, and how the store is read for reading and for a change.
const char* const kTextElements[] = {kPacket, "email", "comment", kCreated, nullptr};
XmlReadRules Rules(StoreUse use) {
    XmlReadRules r;
    r.text_elements = kTextElements;
    r.keep_tag_rest = true;
    r.note_verbatim = use == StoreUse::change;
    return r;
}

const char kMark[] = "\xEF\xBB\xBF"; // UTF-8 byte-order mark

std::uint32_t ParseDecimalPrefix(const char* text) {
    std::uint32_t v = 0;
    for (; text && *text >= '0' && *text <= '9'; ++text)
        v = v * 10 + (std::uint32_t)(*text - '0');
    return v;
}

bool IsElementNamed(const XmlNodeRec* node, const char* name) {
    return node && node->type == XML_NODE_ELEMENT && node->name && std::strcmp(node->name, name) == 0;
}

} // namespace

std::string SerialText(std::uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", (unsigned)serial);
    return text;
}

std::string UpdateSerialText(std::uint32_t keySerial, std::uint16_t updateId) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X%04X", (unsigned)keySerial, (unsigned)updateId);
    return text;
}

std::string FileTimeText(std::uint64_t fileTime) {
    char text[24];
    std::snprintf(text, sizeof text, "%08X%08X", (unsigned)(fileTime >> 32),
                  (unsigned)(fileTime & 0xFFFFFFFFu));
    return text;
}

std::string ChunkedText(const char* data, std::size_t size) {
    if (!data || size == 0) return std::string();
    if (!std::memchr(data, 0, size)) return std::string(data, size);
    std::string out;
    out.reserve(size);
    for (std::size_t at = 0; at < size; at += kChunk) {
        std::size_t n = size - at < kChunk ? size - at : kChunk;
        const char* nul = static_cast<const char*>(std::memchr(data + at, 0, n));
        out.append(data + at, nul ? (std::size_t)(nul - (data + at)) : n);
    }
    return out;
}

std::string CutText(const std::string& text, std::size_t maxBytes, CutPointFn cut) {
    if (text.size() <= maxBytes) return text;
    return text.substr(0, cut != nullptr ? cut(text.data(), text.size(), maxBytes) : maxBytes);
}

void CopyNameField(char* field, const std::string& text, CutPointFn cut) {
    std::memset(field, 0, kNameField);
    const std::string name = CutText(text, kNameField, cut);
    std::memcpy(field, name.data(), name.size());
}

std::string NameFieldText(const char* field, CutPointFn cut) {
    std::size_t n = 0;
    while (n < kNameField && field[n])
        ++n;
    if (n == kNameField && cut != nullptr) {
        // A full field: the name was cut to fit it, perhaps inside its last character. The cut is asked
        // where a 16-byte cut of a longer text would fall (a continuation byte stands for the rest).
        char longer[kNameField + 1];
        std::memcpy(longer, field, kNameField);
        longer[kNameField] = static_cast<char>(0x80);
        n = cut(longer, sizeof longer, kNameField);
    }
    return std::string(field, n);
}

void ReadUpdateEntry(const XmlNodeHandle& update, _tDBKeyUpdate* out, CutPointFn cut) {
    std::memset(out, 0, sizeof *out);
    XmlAttrHandle serial = update.attribute(kSerial);
    const char* s = serial.value() ? serial.value() : "";
    out->keySerial = ParseHexPrefix(s, 8);
    out->updateId = std::strlen(s) > 8 ? (std::uint16_t)ParseHexPrefix(s + 8, 4) : 0;
    // Written in decimal, so read in decimal: identifiers above 9 (0x81, 0x82) come back right.
    XmlAttrHandle algo = update.attribute(kAlgo);
    out->algorithm = (std::uint8_t)(ParseDecimalPrefix(algo.value()) & 0xFF);
    CopyNameField(out->name, StoreDoc::AttributeText(update, kName), cut);
    std::string created = StoreDoc::ElementText(StoreDoc::ChildElement(update, kCreated));
    std::uint64_t high = ParseHexPrefix(created.c_str(), 8);
    std::uint64_t low = created.size() > 8 ? ParseHexPrefix(created.c_str() + 8, 8) : 0;
    out->created = (high << 32) | low;
}

StoreDoc::StoreDoc() = default;
StoreDoc::~StoreDoc() = default;

bool StoreDoc::Load(const char* text, std::size_t size, StoreUse use) {
    m_root = XmlNodeHandle();
    m_doc.reset();
    if (!text || size == 0) return false;
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (!copy) return false;
    std::memcpy(copy, text, size);
    copy[size] = 0;
    return LoadHeapText(copy, size, XmlBuild::whole, use);
}

bool StoreDoc::LoadHeapText(char* text, std::size_t size, XmlBuild build, StoreUse use) {
    m_root = XmlNodeHandle();
    m_doc.reset(new (std::nothrow) XmlParser);
    if (!m_doc) {
        if (text) {
            zrpc::Wipe(text, size);
            std::free(text);
        }
        return false;
    }
    // A byte-order mark is no text of the store: read as white space, written again in front of it.
    m_mark = text && size >= 3 && std::memcmp(text, kMark, 3) == 0;
    if (m_mark) std::memset(text, ' ', 3);
    m_doc->set_rules(Rules(use));
    if (!m_doc->load_from_heap_buffer(text, size, build)) {
        m_doc.reset();
        return false;
    }
    return FindRoot();
}

bool StoreDoc::Whole() const {
    if (!m_doc || m_root.is_null()) return false;
    const XmlParseFacts& facts = m_doc->facts();
    if (!facts.sound() || facts.depth > kLayoutDepth) return false;
    const XmlNodeRec* top = m_doc->root();
    if (m_root.node()->parent != top) return false;
    // Around the store's element: comments and processing instructions only.
    for (std::uint32_t i = 0; i < top->child_count; ++i) {
        const XmlNodeRec* n = top->children[i];
        if (n != m_root.node() && n->type != XML_NODE_COMMENT && n->type != XML_NODE_PI) return false;
    }
    return true;
}

bool StoreDoc::FindRoot() {
    XmlNodeHandle root = m_doc->root_handle().first_element(kRootName);
    if (root.is_null()) {
        m_doc.reset();
        return false;
    }
    m_root = root;
    return true;
}

bool StoreDoc::NewEmpty() {
    m_root = XmlNodeHandle();
    m_mark = false;
    m_doc.reset(new (std::nothrow) XmlParser);
    if (!m_doc || !m_doc->new_document()) {
        m_doc.reset();
        return false;
    }
    XmlNodeHandle root = m_doc->root_handle().append_child(XML_NODE_ELEMENT);
    if (root.is_null() || !root.set_name(kRootName)) {
        m_doc.reset();
        return false;
    }
    m_root = root;
    return true;
}

bool StoreDoc::Serialize(std::string& out) const {
    out.clear();
    if (!m_doc) return false;
    if (m_mark) out.append(kMark, 3);
    return write_to_string(m_doc->root_handle(), out);
}

bool StoreDoc::Write(XmlWriteFn write, void* context) const {
    if (!m_doc || !write) return false;
    if (m_mark && !write(context, kMark, 3)) return false;
    return write_to_sink(m_doc->root_handle(), write, context);
}

XmlNodeHandle StoreDoc::FindPublicKey(std::uint32_t serial) const {
    if (m_root.is_null()) return XmlNodeHandle();
    std::string text = SerialText(serial);
    return m_root.first_element_by_attribute(kPublicKey, kSerial, text.c_str());
}

int StoreDoc::FindPublicKeyChildNoCase(std::uint32_t serial) const {
    if (m_root.is_null()) return -1;
    std::string text = SerialText(serial);
    for (std::uint32_t i = 0; i < m_root.child_count(); ++i) {
        XmlAttrHandle a = m_root.child(i).attribute(kSerial);
        if (EqualNoCase(a.value(), text.c_str())) return (int)i;
    }
    return -1;
}

bool StoreDoc::AppendPublicKey(std::uint32_t serial, const std::string& name, const std::string& packetText) {
    XmlNodeHandle key = AppendElement(m_root, kPublicKey);
    if (key.is_null()) return false;
    if (!SetAttributeText(key, kSerial, SerialText(serial)) || !SetAttributeText(key, kName, name))
        return false;
    return !AppendTextElement(key, kPacket, packetText).is_null();
}

void StoreDoc::RemoveChild(int position) {
    if (!m_root.is_null()) m_root.erase_child(position);
}

XmlNodeHandle StoreDoc::ChildElement(const XmlNodeHandle& parent, const char* name) {
    if (parent.is_null()) return XmlNodeHandle();
    for (std::uint32_t i = 0, n = parent.child_count(); i < n; ++i) {
        XmlNodeHandle child = parent.child(i);
        if (IsElementNamed(child.node(), name)) return child;
    }
    return XmlNodeHandle();
}

std::string StoreDoc::ElementText(const XmlNodeHandle& element) {
    if (element.is_null() || element.child_count() == 0) return std::string();
    XmlNodeHandle first = element.child(0);
    const char* v = first.is_null() ? nullptr : first.value();
    if (!v || !*v) return std::string();
    if (!std::strchr(v, '&')) return std::string(v);
    return xml_unescape(v);
}

std::string StoreDoc::AttributeText(const XmlNodeHandle& element, const char* name) {
    if (element.is_null()) return std::string();
    const char* v = element.attribute(name).value();
    if (!v) return std::string();
    if (!std::strchr(v, '&')) return std::string(v);
    return xml_unescape(v);
}

bool StoreDoc::SetAttributeText(XmlNodeHandle element, const char* name, const std::string& text) {
    XmlAttrHandle a = element.ensure_attribute(name);
    if (a.is_null()) return false;
    std::string escaped = xml_escape(text);
    bool ok = a.set_value(escaped.c_str());
    WipeString(escaped);
    return ok;
}

bool StoreDoc::SetElementText(XmlNodeHandle element, const std::string& text) {
    if (element.is_null()) return false;
    XmlNodeHandle first = element.child_count() ? element.child(0) : element.append_child(XML_NODE_TEXT);
    if (first.is_null()) return false;
    std::string escaped = xml_escape(text);
    bool ok = first.set_value(escaped.c_str());
    WipeString(escaped);
    return ok;
}

XmlNodeHandle StoreDoc::AppendElement(XmlNodeHandle parent, const char* name) {
    XmlNodeHandle e = parent.append_child(XML_NODE_ELEMENT);
    if (e.is_null() || !e.set_name(name)) return XmlNodeHandle();
    return e;
}

XmlNodeHandle StoreDoc::AppendTextElement(XmlNodeHandle parent, const char* name, const std::string& text) {
    XmlNodeHandle e = AppendElement(parent, name);
    if (e.is_null()) return e;
    XmlNodeHandle t = e.append_child(XML_NODE_TEXT);
    if (t.is_null()) return XmlNodeHandle();
    std::string escaped = xml_escape(text);
    bool ok = t.set_value(escaped.c_str());
    WipeString(escaped);
    return ok ? e : XmlNodeHandle();
}

bool StoreDoc::SetNote(XmlNodeHandle publicKey, const char* element, const std::string& text) {
    XmlNodeHandle e = ChildElement(publicKey, element);
    if (text.empty()) {
        if (e.is_null() || e.child_count() == 0) return true;
        return e.child(0).set_value("");
    }
    if (e.is_null()) e = AppendElement(publicKey, element);
    return SetElementText(e, text);
}

XmlNodeHandle StoreDoc::Updates(XmlNodeHandle publicKey, bool create) {
    XmlNodeHandle u = ChildElement(publicKey, kUpdates);
    if (u.is_null() && create) u = AppendElement(publicKey, kUpdates);
    return u;
}

XmlNodeHandle StoreDoc::FindUpdate(const XmlNodeHandle& updates, const std::string& serialText) {
    if (updates.is_null()) return XmlNodeHandle();
    for (std::uint32_t i = 0, n = updates.child_count(); i < n; ++i) {
        XmlNodeHandle u = updates.child(i);
        const char* v = u.attribute(kSerial).value();
        if (IsElementNamed(u.node(), kUpdate) && v && serialText == v) return u;
    }
    return XmlNodeHandle();
}

int StoreDoc::FindUpdateChildNoCase(const XmlNodeHandle& updates, const std::string& serialText) {
    if (updates.is_null()) return -1;
    for (std::uint32_t i = 0; i < updates.child_count(); ++i) {
        XmlAttrHandle a = updates.child(i).attribute(kSerial);
        if (EqualNoCase(a.value(), serialText.c_str())) return (int)i;
    }
    return -1;
}

bool StoreDoc::AppendUpdate(XmlNodeHandle updates, const std::string& serialText, const std::string& name,
                            std::uint32_t algo, std::uint64_t created, const std::string& packetText) {
    XmlNodeHandle u = AppendElement(updates, kUpdate);
    if (u.is_null()) return false;
    char algoText[16];
    std::snprintf(algoText, sizeof algoText, "%u", (unsigned)algo);
    if (!SetAttributeText(u, kSerial, serialText) || !SetAttributeText(u, kName, name) ||
        !SetAttributeText(u, kAlgo, algoText))
        return false;
    if (AppendTextElement(u, kCreated, FileTimeText(created)).is_null()) return false;
    return !AppendTextElement(u, kPacket, packetText).is_null();
}

} // namespace zks
