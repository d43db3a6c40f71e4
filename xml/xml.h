// Small XML engine behind the key store: an in-place parser that turns a text buffer into a tree of
// nodes, light handle objects that find, add, rename, fill and remove nodes and attributes, and a writer
// that puts a tree back on disk in the key store's layout.
//
// The engine is lenient: it never refuses a text and builds whatever tree the text gives; what the text
// held that a strict reader would object to is noted in the document's facts (XmlParseFacts). It
// decodes no entity or character references and the writer escapes nothing; callers that store text
// which may hold '<', '&' or '"' pass it through xml_escape() before storing and xml_unescape() after
// reading (see the end of this header).
//
// Elements nest at most XML_MAX_DEPTH levels in a parsed tree: deeper ones are passed over, with
// their content, so that a hostile text can neither exhaust anything nor make the writer put out its
// indentation depth x depth times.
//
// All strings are 8-bit and NUL-terminated. No call here throws except xml_escape()/xml_unescape(),
// which may throw std::bad_alloc like any std::string operation.
//
// Ownership of strings. Every name and value of a node or attribute carries an "in buffer" flag:
//  - true: the node does not own the string. Parsed nodes point into the parse buffer owned by the
//    XmlParser (or hold no string at all).
//  - false: the node owns a heap copy (std::malloc) and frees it when the node is freed.
// set_name()/set_value() copy the new text over the current string when the new text is not longer
// than it (the storage and the flag stay as they are), otherwise they free an owned old string and make
// a heap copy (flag false). So text set after a parse never points at the caller's memory: the caller's
// string may be released right after the call. Owned values are wiped before they are freed, and so is
// the parse buffer, because the key store keeps packet texts in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// Node types (the `type` field of XmlNodeRec).
enum XmlNodeType : std::int32_t {
    XML_NODE_NULL = 0,           // the empty node a handle shows when it refers to nothing
    XML_NODE_DOCUMENT = 1,       // root of a tree
    XML_NODE_ELEMENT = 2,        // element
    XML_NODE_TEXT = 3,           // character data between tags
    XML_NODE_CDATA = 4,          // <![CDATA[ ... ]]>
    XML_NODE_COMMENT = 5,        // <!-- ... -->
    XML_NODE_PI = 6,             // processing instruction <?target name="value"?>
    XML_NODE_INCLUDE = 7,        // <![INCLUDE[ ... ]]>
    XML_NODE_DOCTYPE = 8,        // <!DOCTYPE ...>
    XML_NODE_ENTITY_DECL = 9,    // <!ENTITY ...> and any declaration keyword not listed below
    XML_NODE_ATTLIST_DECL = 10,  // <!ATTLIST ...>
    XML_NODE_ELEMENT_DECL = 11,  // <!ELEMENT ...>
    XML_NODE_NOTATION_DECL = 12, // <!NOTATION ...>
};

// Default growth of the arrays while parsing, and the option mask (all parse features on).
constexpr std::int32_t XML_GROWTH_STEP = 4;
constexpr std::uint32_t XML_PARSE_ALL = 0xFFFF;
// Element levels a parse builds (the document's own elements are level 1).
constexpr std::uint32_t XML_MAX_DEPTH = 256;

// How a reader of a known layout wants its texts read, beyond the engine's lenient rules. Both lists and
// the rules live as long as the documents read with them.
struct XmlReadRules {
    // Null-ended list of element names that hold one text (null: none; at most the first eight count).
    // Such an element's character
    // content runs up to its own end tag ("</" name, white space, ">"): a '<' that starts anything else
    // is part of the text, as writers that escape nothing put it there.
    const char* const* text_elements = nullptr;
    // Keep the rest of a start tag that is no name="value" pair (the tail of a value that held its own
    // quote, a bare word) as an attribute of its own (XML_REST_...), so that writing the tree back
    // loses nothing of the tag. Without it the rest is passed over, as a lenient reader does.
    bool keep_tag_rest = false;
    // Of a document built on demand: note for each element whose content waits whether that content is
    // exactly what the writer would write for it (indentation, one text per line, normalised values),
    // so that the writer can copy it as it stands instead of making its records.
    bool note_verbatim = false;
};

// What a parse met besides the tree: everything a strict reader would object to. All false (and depth
// within bounds) for a text that is one well-formed run of elements, as the writer writes them.
struct XmlParseFacts {
    bool cut = false;            // the text ended inside an element, a tag, a value or a section
    bool stray = false;          // an end tag that closes no element of its name, a '<' or "<?" that
                                 // starts nothing, an unknown "<!" construct
    bool declarations = false;   // a document type, a declaration or an include section
    bool outside_text = false;   // character data other than white space outside every element
    bool loose_tag = false;      // a start tag holds text that is no name="value" pair and no quote
    bool quote_in_value = false; // a value quoted with ' holds a '"', which the writer's quotes cannot hold
    bool stopped = false;        // parsing ended before the text did (an internal subset, no memory)
    std::uint32_t depth = 0;     // deepest element level met (XML_MAX_DEPTH + 1: deeper ones passed over)
    // Nothing met that the writer would not give back.
    bool sound() const {
        return !cut && !stray && !declarations && !outside_text && !loose_tag && !quote_in_value &&
               !stopped && depth <= XML_MAX_DEPTH;
    }
};

struct XmlAttrRec {
    char* name; // null for the bare quoted strings of a document type declaration and for kept tag rests
    bool name_in_buffer;
    char* value;
    bool value_in_buffer;
    bool in_arena;     // internal: the record lives in its document's arena and is released with it
    std::uint8_t rest; // XML_REST_...: 0 for an attribute; else the rest of a start tag kept as it stood
};

// Values of XmlAttrRec::rest. The rest of a start tag that is no name="value" pair (read with
// XmlReadRules::keep_tag_rest) is kept as a nameless attribute whose value is that text, written back as
// it stood: after a space when whitespace came before it, right after what came before it otherwise.
enum : std::uint8_t {
    XML_REST_NONE = 0,
    XML_REST_SPACED = 1,
    XML_REST_GLUED = 2,
};

struct XmlNodeRec {
    XmlNodeRec* parent; // the document root and a detached node point to themselves
    char* name;         // element name, PI target or declared name; may be null
    bool name_in_buffer;
    std::int32_t type; // XmlNodeType
    std::uint32_t attribute_count;
    std::uint32_t attribute_capacity;
    XmlAttrRec** attributes; // document order
    std::uint32_t child_count;
    std::uint32_t child_capacity;
    XmlNodeRec** children; // document order
    char* value;           // text, CDATA, comment, include content; rest of a declaration
    bool value_in_buffer;
    std::uint8_t storage; // internal: XML_STORE_... bits, where the record and its arrays live
};

// Bits of XmlNodeRec::storage.
enum : std::uint8_t {
    XML_STORE_RECORD_ARENA = 1,   // the record is released with its document's arena
    XML_STORE_ATTRS_FIXED = 2,    // the attribute array is not a heap block of its own
    XML_STORE_CHILDREN_FIXED = 4, // the child array is not a heap block of its own
    XML_STORE_DIRTY = 8,          // this node or one below it may hold heap blocks (always set on heap nodes)
    XML_STORE_DEFERRED = 16,      // an element of a document built on demand whose content is not parsed yet:
                                  // child_count is 0 and children points to the deferred content's record;
                                  // the handles parse it on first use (see XmlBuild::on_demand)
};

// Parses the content of an element of a document built on demand, if that has not happened yet: its
// children then stand in its child array as a whole parse would have put them there.
void xml_build_children(XmlNodeRec* node);
// The number of children such an element will have, without parsing its content.
std::uint32_t xml_deferred_child_count(const XmlNodeRec* node);
// The node's children made, where they are still to be made.
inline void xml_ensure_children(XmlNodeRec* node) {
    if (node->storage & XML_STORE_DEFERRED) xml_build_children(node);
}

static_assert(sizeof(bool) == 1, "the string ownership flags are 8-bit");

// Wildcard match, case-sensitive: '*' any run (also none), '?' any one character, "[set]" one listed
// character, "[!set]" one character not listed; inside a set "a-z" is a range when the left bound is
// below the right bound and the right bound is not ']'; a ']' right after "[" or "[!" is literal; a '['
// with no closing ']' is a literal '['. Every other character matches itself. Null arguments never match.
bool matches_pattern(const char* pattern, const char* text);

// Block allocator of a document: parsed node and attribute records are carved out of it and released
// all at once with the document (erasing such a node frees its owned strings and arrays at once; the
// record itself goes with the document). Nodes added later come from the heap.
struct XmlArena;

// Record level. A new node has no strings (flags false), both counts 0 and, depending on its type,
// attribute and child arrays of capacity 1; its parent points to itself. Null when memory ran out or
// the type is not 0..12.
XmlNodeRec* xml_new_node(std::int32_t type);
// Frees the node, its whole subtree, every attribute and every owned string, without recursion. Does not
// unlink the node from its parent. Records that live in a document's arena stay there until the arena goes;
// a subtree of such records that never received heap blocks is not even visited.
void xml_free_tree(XmlNodeRec* node);
// Parses the NUL-terminated text in place into `root` (normally a fresh document node): NUL bytes are
// written behind names and values and the new nodes point into `text`, which must outlive them. Never
// fails; returns where parsing stopped. New records come from `arena` when one is given, else from the
// heap.
char* xml_parse(char* text, XmlNodeRec* root, std::int32_t growth_step = XML_GROWTH_STEP,
                std::uint32_t options = XML_PARSE_ALL, XmlArena* arena = nullptr);

class XmlNodeHandle;
class XmlChildIterator;

// The node every handle that refers to nothing shows: type 0, no strings, no arrays, its parent itself.
// One for the whole process, constant; nothing ever writes to it (every change first asks is_null()).
extern const XmlNodeRec xml_empty_node;

// A pointer to one attribute record (may refer to nothing) and to the node that holds it. A small value:
// copying it copies two pointers.
class XmlAttrHandle {
  public:
    XmlAttrHandle() = default;
    // `owner` is the node whose attribute array holds `attr`; without it set_value() cannot give an
    // attribute of a parsed tree a longer value.
    XmlAttrHandle(XmlAttrRec* attr, XmlNodeRec* owner) : attr_(attr), owner_(owner) {}

    bool is_null() const { return attr_ == nullptr; }
    XmlAttrRec* record() const { return attr_; }
    XmlNodeRec* owner() const { return owner_; }
    const char* name() const { return attr_ ? attr_->name : nullptr; }
    // The value, or null (also for a null handle).
    const char* value() const { return attr_ ? attr_->value : nullptr; }
    // Copies `text` into the value by the storage rule above. False for a null handle, a null text or
    // when memory ran out (the old value stays).
    bool set_value(const char* text);

  private:
    XmlAttrRec* attr_ = nullptr;
    XmlNodeRec* owner_ = nullptr;
};

// Shows one node, or nothing: a handle that refers to nothing shows xml_empty_node, so node() is never
// null and every lookup on such a handle answers a null handle. A small value (one pointer) that never
// owns the node it shows. Reads (every const member) never change the tree; only the members below that
// say so add, rename, fill or remove.
class XmlNodeHandle {
  public:
    XmlNodeHandle() : node_(empty()) {}
    explicit XmlNodeHandle(XmlNodeRec* node) : node_(node != nullptr ? node : empty()) {}

    XmlNodeRec* node() const { return node_; }
    // True when the handle refers to nothing or to a node of type 0.
    bool is_null() const { return node_->type == XML_NODE_NULL; }
    std::int32_t type() const { return node_->type; }
    const char* name() const { return node_->name; }
    const char* value() const { return node_->value; }
    std::uint32_t child_count() const {
        return (node_->storage & XML_STORE_DEFERRED) ? xml_deferred_child_count(node_) : node_->child_count;
    }
    std::uint32_t attribute_count() const { return node_->attribute_count; }
    // The parent, or a null handle for a root, a detached node or a null handle.
    XmlNodeHandle parent() const;

    // The child at `index`, or a null handle when index is not below the child count.
    XmlNodeHandle child(std::uint32_t index) const;
    // Depth-first, pre-order search below this node (not the node itself) for the first node whose name
    // matches the pattern.
    XmlNodeHandle first_element(const char* name_pattern) const;
    // The same walk; a node qualifies when its name matches and one of its attributes matches both
    // attribute patterns. A node whose name matches but whose attributes do not is passed over together
    // with its subtree; a node whose name does not match has its subtree searched.
    XmlNodeHandle first_element_by_attribute(const char* name_pattern, const char* attr_name_pattern,
                                             const char* attr_value_pattern) const;
    // The first attribute whose name matches the pattern, or a null handle. Never changes the tree.
    XmlAttrHandle attribute(const char* name_pattern) const;
    // The attribute at `index` in document order, or a null handle.
    XmlAttrHandle attribute_at(std::uint32_t index) const;

    // Changes. The first attribute whose name matches the pattern; when none matches, an attribute with
    // that name and an empty value is appended to this node and returned. Null handle for a null node, a
    // null pattern or when memory ran out.
    XmlAttrHandle ensure_attribute(const char* name_pattern);
    // Only on a document node (type 1, parent itself) or an element: appends a new node of `type` (0..12)
    // as the last child and returns a handle on it. Otherwise, and when memory ran out, a null handle.
    XmlNodeHandle append_child(std::int32_t type);
    // Elements and processing instructions only. False for other nodes, a null text or no memory.
    bool set_name(const char* text);
    // Text, CDATA and comment nodes only. False for other nodes, a null text or no memory.
    bool set_value(const char* text);
    // Removes the child at `position` and frees its subtree; nothing happens for a position outside the
    // children. Returns an iterator on this node at position 0.
    XmlChildIterator erase_child(std::int32_t position);

    XmlChildIterator begin() const;
    XmlChildIterator end() const;

  private:
    // Nothing writes through the pointer of a null handle (see xml_empty_node).
    static XmlNodeRec* empty() { return const_cast<XmlNodeRec*>(&xml_empty_node); }
    XmlNodeRec* node_;
};

// Walks the children of one node: the node and a position, compared by position alone. A small value;
// dereferencing gives a handle on the child at the position, or a null handle when out of range.
class XmlChildIterator {
  public:
    XmlChildIterator() = default;
    XmlChildIterator(XmlNodeRec* node, std::int32_t position) : node_(node), position_(position) {}

    // The node exists, has a child array and at least one child.
    bool has_children() const {
        return node_ != nullptr && node_->type != XML_NODE_NULL && node_->children != nullptr &&
               node_->child_count > 0;
    }
    // No children, or the position is below 0 or not below the child count.
    bool out_of_range() const {
        return !has_children() || position_ < 0 ||
               static_cast<std::uint32_t>(position_) >= node_->child_count;
    }
    void set_position(std::int32_t position) { position_ = position; }
    std::int32_t position() const { return position_; }
    // Takes position and node from another iterator.
    void assign(const XmlChildIterator& other) { *this = other; }

    bool operator==(const XmlChildIterator& other) const { return position_ == other.position_; }
    bool operator!=(const XmlChildIterator& other) const { return position_ != other.position_; }
    bool operator<(const XmlChildIterator& other) const { return position_ < other.position_; }
    bool operator>(const XmlChildIterator& other) const { return position_ > other.position_; }
    bool operator<=(const XmlChildIterator& other) const { return position_ <= other.position_; }
    bool operator>=(const XmlChildIterator& other) const { return position_ >= other.position_; }
    XmlChildIterator& operator++() {
        ++position_;
        return *this;
    }
    XmlChildIterator& operator--() {
        --position_;
        return *this;
    }
    XmlNodeHandle operator*() const {
        return out_of_range() ? XmlNodeHandle() : XmlNodeHandle(node_->children[position_]);
    }
    // it->name() and the like, on the handle operator* gives.
    struct Arrow {
        XmlNodeHandle handle;
        const XmlNodeHandle* operator->() const { return &handle; }
    };
    Arrow operator->() const { return Arrow{**this}; }

    XmlNodeRec* parent_node() const { return node_; }

  private:
    XmlNodeRec* node_ = nullptr;
    std::int32_t position_ = 0;
};

static_assert(sizeof(XmlNodeHandle) == sizeof(void*) && std::is_trivially_copyable<XmlNodeHandle>::value,
              "a node handle is one pointer");
static_assert(std::is_trivially_copyable<XmlAttrHandle>::value &&
                  std::is_trivially_copyable<XmlChildIterator>::value,
              "attribute handles and iterators are plain values");

// How a document builds its tree from its text. whole: every node at once. on_demand: the elements
// directly below the document node at once, and the content of every element below those when it is
// first asked for (through a handle or the writer), parsed then exactly as a whole parse would have
// parsed it. Loading such a document costs a read of its text and the records of its upper levels; a
// reader that looks at a part of the document makes the records of that part only. Reads through
// handles may therefore add records (never change what the document says): a document built on demand
// is read from one thread at a time.
enum class XmlBuild { whole, on_demand };

// A document: the tree, the text buffer its parsed strings point into, and the parse settings.
class XmlParser {
  public:
    XmlParser();
    virtual ~XmlParser(); // frees the tree (when auto_delete) and then the buffer
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Frees any previous tree and buffer, reads the whole file (read_file, 4096-byte chunks) and parses
    // it into a new document node. True when the file gave at least one byte.
    bool load_from_file(const char* path);
    // The same for `size` bytes of text in memory (copied; parsing stops at the first NUL byte). True
    // when size is above 0.
    bool load_from_memory(const char* data, std::size_t size);
    // The same without the copy: takes over `data`, a std::malloc block of at least size + 1 bytes
    // whose byte `size` is 0, and parses it in place. The block is the document's from then on (wiped
    // and freed with it), also when the call returns false (size 0).
    bool load_from_heap_buffer(char* data, std::size_t size, XmlBuild build = XmlBuild::whole);
    // Frees any previous tree and buffer and starts an empty document. False when memory ran out.
    bool new_document();
    // How the next loads read their text (default: the lenient rules alone). The lists the rules name
    // must outlive the documents read with them.
    void set_rules(const XmlReadRules& rules) { rules_ = rules; }
    // What the last load met besides the tree (for a document built on demand: in all of its text).
    const XmlParseFacts& facts() const { return facts_; }
    // A handle on the document node (a null handle before anything was loaded).
    XmlNodeHandle root_handle() const { return XmlNodeHandle(root_); }

    XmlNodeRec* root() const { return root_; }
    const char* buffer() const { return buffer_; }
    const char* end_position() const { return end_position_; }

  private:
    void release();
    bool parse_owned_buffer(XmlBuild build = XmlBuild::whole);

    XmlNodeRec* root_ = nullptr;
    std::int32_t growth_step_ = XML_GROWTH_STEP;
    bool auto_delete_ = true;
    char* buffer_ = nullptr;
    char* end_position_ = nullptr;
    std::uint32_t option_mask_ = XML_PARSE_ALL;
    std::size_t buffer_size_ = 0; // bytes allocated for buffer_, for wiping
    XmlArena* arena_ = nullptr;   // records of the parsed tree
    XmlReadRules rules_;
    XmlParseFacts facts_;
};

// Reads a file into a new heap buffer (release it with std::free) in chunks of chunk_size - 1 bytes;
// each chunk contributes its text up to its first NUL byte, so the buffer never holds a NUL before its
// terminator. *bytes_read receives the number of bytes read from the file (which may exceed the text's
// length). True when that number is above 0; on false *text is null. chunk_size must be at least 2.
bool read_file(const char* path, std::size_t chunk_size, char** text, std::size_t* bytes_read);

// Writes the tree shown by `node` as indented text: one tab per level, every line ending in a single line
// feed, an element with a single text child on one line, nothing escaped. A document node has its
// children written at depth 0; any other node is written itself at depth 0. A null handle writes nothing.
// True only when the file could be created and every byte was written and flushed.
bool write_file(const XmlNodeHandle& node, const char* path);
// The same text appended to `out`. False when memory ran out.
bool write_to_string(const XmlNodeHandle& node, std::string& out);
// The same text handed in order, in pieces of about 1 MiB, to write(context, data, size), which answers
// false to stop the writing. No buffer of the whole text is made; the piece buffer is wiped at the end.
// True when every piece was taken.
using XmlWriteFn = bool (*)(void* context, const char* data, std::size_t size);
bool write_to_sink(const XmlNodeHandle& node, XmlWriteFn write, void* context);

// Escape scheme for values that may hold markup characters. The parser decodes nothing and the writer
// escapes nothing, so a caller storing arbitrary text escapes it on the way in and unescapes it on the
// way out:
//   xml_escape: text that holds none of '<', '&' and '"' as it is ('>' too: a writer that escapes
//   nothing writes such text the same way); in any other text '&' -> "&amp;", '<' -> "&lt;",
//   '>' -> "&gt;", '"' -> "&quot;" and all other bytes as they are.
//   xml_unescape: decodes exactly "&amp;", "&lt;", "&gt;", "&quot;" and "&apos;"; every other '&'
//   sequence stays as it is, so stores written before escaping was used read back as before unless they
//   held one of these five sequences literally.
// xml_unescape(xml_escape(s)) == s for every s. The escaped text holds no '<' or '"' and can therefore
// be an element text or a double-quoted attribute value; it holds '>' only where s held no other markup
// character. Runs of whitespace are still collapsed by the
// parser (neither function touches whitespace).
std::string xml_escape(std::string_view text);
std::string xml_unescape(std::string_view text);
