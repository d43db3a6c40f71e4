// Helpers shared by the XML engine's sources; not part of its interface.
#pragma once

#include "xml/xml.h"

#include <cstddef>
#include <cstdint>

// Character classes of the parser: whitespace is every byte from 1 to 32; a name character is an ASCII
// letter or digit, '_', ':', '-', '.' or any byte of 128 and above (letters of the 8-bit code pages and
// of multibyte encodings).
// The last three classes mark the bytes that end a text ('<') and a quoted value.
enum : std::uint8_t {
    XML_CLASS_WS = 1,
    XML_CLASS_NAME = 2,
    XML_CLASS_NUL = 4,
    XML_CLASS_LT = 8,
    XML_CLASS_DQUOTE = 16,
    XML_CLASS_SQUOTE = 32,
};
extern const std::uint8_t xml_char_class[256];

inline bool xml_is_ws(char c) {
    return (xml_char_class[static_cast<unsigned char>(c)] & XML_CLASS_WS) != 0;
}
inline bool xml_is_name(char c) {
    return (xml_char_class[static_cast<unsigned char>(c)] & XML_CLASS_NAME) != 0;
}

// Overwrites `size` bytes with zeros in a way the compiler keeps.
void xml_wipe(void* data, std::size_t size);
// Heap copy of `size` bytes plus a terminator, or null.
char* xml_copy_string(const char* text, std::size_t size);

// The text elements of a parse's rules, with their sizes (at most 8 are looked at).
struct XmlTextNames {
    std::uint32_t count = 0;
    const char* name[8];
    std::size_t size[8];
};
// Fills names from the rules (none for null rules).
void xml_text_names(const XmlReadRules* rules, XmlTextNames* names);

struct XmlArena {
    struct Block {
        Block* next;
        std::size_t size;
    };
    Block* blocks = nullptr;
    char* cursor = nullptr;
    std::size_t left = 0;
    std::size_t next_block = 0; // size of the next block to take (0: the first block's size)
    // Of a document built on demand: one past the terminator of the text its strings point into, and
    // the growth step of its arrays.
    const char* text_limit = nullptr;
    std::int32_t growth_step = XML_GROWTH_STEP;
    const XmlReadRules* rules = nullptr; // the document's, for the content parsed later
    XmlTextNames names;                  // its text elements
};

// The content of an element not parsed yet (XML_STORE_DEFERRED): where it starts in the text, the
// document's arena, how many children parsing it gives, and, when the content is exactly what the writer
// would write for it (XmlReadRules::note_verbatim), its length up to the element's end tag (else 0).
struct XmlDeferred {
    char* content;
    XmlArena* arena;
    std::uint32_t count;
    std::uint32_t verbatim;
};

// The deferred content of an element, or null.
inline const XmlDeferred* xml_deferred(const XmlNodeRec* node) {
    return (node->storage & XML_STORE_DEFERRED) ? reinterpret_cast<const XmlDeferred*>(node->children)
                                                : nullptr;
}
// The element level of a node: 1 for an element right below the document node.
std::uint32_t xml_level(const XmlNodeRec* node);

// Gives an element of an arena its own initial child array back (one slot, empty).
void xml_reset_child_slot(XmlNodeRec* node);

// Records hold pointers and 32-bit numbers only.
constexpr std::size_t XML_ARENA_ALIGN = alignof(void*) > alignof(std::uint64_t) ? alignof(void*)
                                                                                : alignof(std::uint64_t);
constexpr std::size_t xml_arena_round(std::size_t n) {
    return (n + XML_ARENA_ALIGN - 1) & ~(XML_ARENA_ALIGN - 1);
}

XmlArena* xml_arena_create();
void xml_arena_destroy(XmlArena* arena);
// Starts a new block for an allocation of `size` (already rounded) bytes; null when memory ran out.
void* xml_arena_alloc_block(XmlArena* arena, std::size_t size);
// `size` bytes aligned for records, or null.
inline void* xml_arena_alloc(XmlArena* arena, std::size_t size) {
    size = xml_arena_round(size);
    if (size > arena->left) return xml_arena_alloc_block(arena, size);
    void* p = arena->cursor;
    arena->cursor += size;
    arena->left -= size;
    return p;
}
// A new node as xml_new_node() makes it, in the arena when one is given.
XmlNodeRec* xml_new_node_in(std::int32_t type, XmlArena* arena);

// Makes room for one more entry in a node's child (or attribute) array, growing it to capacity + grow
// slots when full; a grown array comes from `arena` when one is given. False when memory ran out (the
// array is unchanged).
bool xml_reserve_child(XmlNodeRec* node, std::uint32_t grow, XmlArena* arena = nullptr);
bool xml_reserve_attribute(XmlNodeRec* node, std::uint32_t grow, XmlArena* arena = nullptr);

// Appends a new node of `type` as the last child of `parent` (growing a full array by `grow` slots).
XmlNodeRec* xml_append_node(XmlNodeRec* parent, std::int32_t type, std::uint32_t grow,
                            XmlArena* arena = nullptr);
// Appends an attribute record holding the given strings and flags. Null when memory ran out; then the
// strings are not taken over.
XmlAttrRec* xml_append_attribute(XmlNodeRec* node, char* name, bool name_in_buffer, char* value,
                                 bool value_in_buffer, std::uint32_t grow, XmlArena* arena = nullptr);

// read_file() that also gives the length of the text kept.
bool xml_read_file(const char* path, std::size_t chunk_size, char** text, std::size_t* bytes_read,
                   std::size_t* length);

// xml_parse() for a text whose terminating NUL is known to be at text[length] (NUL bytes may come
// earlier: parsing stops at the first one); every byte up to text[length] may be read.
// Rules and facts, when given, are those of XmlParser::set_rules and XmlParser::facts.
char* xml_parse_n(char* text, std::size_t length, XmlNodeRec* root, std::int32_t growth_step,
                  std::uint32_t options, XmlArena* arena, XmlBuild build = XmlBuild::whole,
                  const XmlReadRules* rules = nullptr, XmlParseFacts* facts = nullptr);

// Records that `node` (or a record below it) now holds a heap block: sets XML_STORE_DIRTY on it and its
// ancestors, so that freeing the tree visits it.
void xml_mark_dirty(XmlNodeRec* node);

// The storage rule of set_name/set_value: copies over the current string when the new text is not
// longer, else replaces it with a heap copy and marks `owner` dirty. False (nothing changed) when memory
// ran out.
bool xml_store_string(char*& target, bool& in_buffer, const char* text, XmlNodeRec* owner);
