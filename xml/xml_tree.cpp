// Node records, their allocation and release, the wildcard matcher, handles, iterators and the
// document object.
#include "xml/xml.h"
#include "xml/xml_internal.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct CharClassTable {
    std::uint8_t v[256];
};

constexpr CharClassTable make_char_classes() {
    CharClassTable t{};
    for (int c = 0; c < 256; ++c) {
        std::uint8_t k = 0;
        if (c == 0) k |= XML_CLASS_NUL;
        if (c >= 1 && c <= 32) k |= XML_CLASS_WS;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
            c == ':' || c == '-' || c == '.' || c >= 128)
            k |= XML_CLASS_NAME;
        if (c == '<') k |= XML_CLASS_LT;
        if (c == '"') k |= XML_CLASS_DQUOTE;
        if (c == '\'') k |= XML_CLASS_SQUOTE;
        t.v[c] = k;
    }
    return t;
}

constexpr CharClassTable kCharClasses = make_char_classes();

// A node and the single slots of its initial attribute and child arrays, allocated as one block. Such an
// array is marked fixed in the node's storage bits: it is not freed on its own, and growing it moves it
// to a block of its own.
struct NodeBlock {
    XmlNodeRec rec;
    XmlAttrRec* attr_slot;
    XmlNodeRec* child_slot;
};

static_assert(offsetof(NodeBlock, rec) == 0, "a record without slots is a NodeBlock cut after its record");

NodeBlock* block_of(XmlNodeRec* node) {
    return reinterpret_cast<NodeBlock*>(node);
}

// Types whose records start with an attribute array and with a child array.
bool type_has_attributes(std::int32_t type) {
    switch (type) {
    case XML_NODE_NULL:
    case XML_NODE_ELEMENT:
    case XML_NODE_PI:
    case XML_NODE_DOCTYPE:
    case XML_NODE_ENTITY_DECL:
    case XML_NODE_ATTLIST_DECL:
    case XML_NODE_ELEMENT_DECL:
    case XML_NODE_NOTATION_DECL:
        return true;
    default:
        return false;
    }
}

bool type_has_children(std::int32_t type) {
    return type == XML_NODE_DOCUMENT || type == XML_NODE_ELEMENT || type == XML_NODE_DOCTYPE;
}

void free_owned(char* text, bool in_buffer, bool wipe) {
    if (in_buffer || text == nullptr) return;
    if (wipe) xml_wipe(text, std::strlen(text));
    std::free(text);
}

void free_attribute(XmlAttrRec* attr) {
    if (attr == nullptr) return;
    free_owned(attr->name, attr->name_in_buffer, false);
    free_owned(attr->value, attr->value_in_buffer, true);
    if (!attr->in_arena) std::free(attr);
}

// Frees one record with its attributes, arrays and owned strings; its children must be gone already.
void free_record(XmlNodeRec* node) {
    for (std::uint32_t i = 0; i < node->attribute_count; ++i)
        free_attribute(node->attributes[i]);
    if (!(node->storage & XML_STORE_ATTRS_FIXED)) std::free(node->attributes);
    if (!(node->storage & XML_STORE_CHILDREN_FIXED)) std::free(node->children);
    free_owned(node->name, node->name_in_buffer, false);
    free_owned(node->value, node->value_in_buffer, true);
    if (!(node->storage & XML_STORE_RECORD_ARENA)) std::free(block_of(node));
}

// Grows an array of pointers from `capacity` to `capacity + grow` slots, in the arena when one is given
// (the old slots stay behind there), else on the heap. `fixed_bit` of `storage` tells whether the array
// is a heap block of its own (bit clear) that realloc may move.
template <typename T>
bool grow_array(T**& array, std::uint32_t& capacity, std::uint32_t grow, std::uint8_t& storage,
                std::uint8_t fixed_bit, XmlArena* arena) {
    if (grow == 0) grow = 1;
    if (capacity > UINT32_MAX / 2 - grow) return false;
    std::uint32_t new_capacity = capacity + grow;
    if (static_cast<std::size_t>(new_capacity) > SIZE_MAX / sizeof(T*)) return false;
    std::size_t bytes = new_capacity * sizeof(T*);
    T** grown;
    if (arena != nullptr || array == nullptr || (storage & fixed_bit)) {
        void* mem = arena != nullptr ? xml_arena_alloc(arena, bytes) : std::malloc(bytes);
        if (mem == nullptr) return false;
        grown = static_cast<T**>(mem);
        if (array != nullptr && capacity > 0) std::memcpy(grown, array, capacity * sizeof(T*));
        if (array != nullptr && !(storage & fixed_bit)) std::free(array);
        if (arena != nullptr) {
            storage = static_cast<std::uint8_t>(storage | fixed_bit);
        } else {
            storage = static_cast<std::uint8_t>(storage & ~fixed_bit);
        }
    } else {
        grown = static_cast<T**>(std::realloc(array, bytes));
        if (grown == nullptr) return false;
    }
    array = grown;
    capacity = new_capacity;
    return true;
}

// Iterative pre-order walk with a stack of (node, next child index). Small stacks live inline.
class WalkStack {
  public:
    struct Entry {
        XmlNodeRec* node;
        std::uint32_t next;
    };
    WalkStack() = default;
    WalkStack(const WalkStack&) = delete;
    WalkStack& operator=(const WalkStack&) = delete;
    ~WalkStack() {
        if (data_ != inline_) std::free(data_);
    }
    bool push(XmlNodeRec* node) {
        if (size_ == capacity_) {
            std::size_t cap = capacity_ * 2;
            if (cap > SIZE_MAX / sizeof(Entry)) return false;
            Entry* grown;
            if (data_ == inline_) {
                grown = static_cast<Entry*>(std::malloc(cap * sizeof(Entry)));
                if (grown != nullptr) std::memcpy(grown, inline_, sizeof(inline_));
            } else {
                grown = static_cast<Entry*>(std::realloc(data_, cap * sizeof(Entry)));
            }
            if (grown == nullptr) return false;
            data_ = grown;
            capacity_ = cap;
        }
        data_[size_].node = node;
        data_[size_].next = 0;
        ++size_;
        return true;
    }
    bool empty() const { return size_ == 0; }
    Entry& top() { return data_[size_ - 1]; }
    void pop() { --size_; }

  private:
    Entry inline_[32];
    Entry* data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 32;
};

// Equality of two short strings, without the set-up cost of a library call.
inline bool same_text(const char* a, const char* b) {
    while (*a == *b) {
        if (*a == '\0') return true;
        ++a;
        ++b;
    }
    return false;
}

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#define ZRPC_XML_WIDE_COMPARE 1
// Equality of `text` with a literal of at most 15 characters held, with its terminator and zero
// padding, in `literal`: one 16-byte comparison. The 16 bytes at `text` are read whole as long as they
// lie in one page (a string ends somewhere in them, but a page is readable to its end, as the C
// library's own string functions rely on); bytes past the literal's terminator are not looked at.
// The address sanitizer would take the bytes past the text's terminator for an overflow: it does not
// instrument this read, and callers check its precondition.
__attribute__((no_sanitize("address"))) inline bool same_text_wide(const char* text, __m128i literal,
                                                                   unsigned mask) {
    __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    unsigned eq = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(t, literal)));
    return (eq & mask) == mask;
}
inline bool within_one_page(const char* text) {
    return (reinterpret_cast<std::uintptr_t>(text) & 4095u) <= 4096u - 16u;
}
#endif

// A pattern prepared for many comparisons: one without wildcards is a plain string comparison, made 16
// bytes at a time where it can be.
class Pattern {
  public:
    explicit Pattern(const char* pattern)
        : pattern_(pattern), literal_(std::strpbrk(pattern, "*?[") == nullptr) {
#if ZRPC_XML_WIDE_COMPARE
        std::size_t n = std::strlen(pattern);
        wide_ = literal_ && n < 16;
        if (wide_) {
            char bytes[16] = {};
            std::memcpy(bytes, pattern, n);
            literal_bytes_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
            mask_ = (2u << n) - 1; // the characters and the terminator
        }
#endif
    }
    bool operator()(const char* text) const {
        if (text == nullptr) return false;
#if ZRPC_XML_WIDE_COMPARE
        if (wide_ && within_one_page(text)) return same_text_wide(text, literal_bytes_, mask_);
#endif
        return literal_ ? same_text(pattern_, text) : matches_pattern(pattern_, text);
    }

  private:
    const char* pattern_;
    bool literal_;
#if ZRPC_XML_WIDE_COMPARE
    bool wide_ = false;
    __m128i literal_bytes_ = _mm_setzero_si128();
    unsigned mask_ = 0;
#endif
};

enum class Visit { accept, skip, descend };

inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Pre-order search below `context`: each child in order is classified; an accepted child is returned, a
// skipped one is passed over with its subtree, otherwise its subtree is searched before the next sibling.
// What the search reads of the sibling `ahead` places after the current one, asked for in stages so
// that each stage finds in the cache the record the one before asked for: the record itself sixteen
// places ahead, its name and attribute array eight places ahead, its first two attribute records four
// places ahead and the first one's value two places ahead. Siblings lie far apart in memory (each behind its
// own subtree), so without this every one of them waits for memory several times over.
inline void prefetch_ahead(XmlNodeRec* const* siblings, std::uint32_t next, std::uint32_t count) {
    if (next + 16 < count) prefetch(siblings[next + 16]);
    if (next + 8 < count) {
        const XmlNodeRec* r = siblings[next + 8];
        if (r != nullptr) {
            prefetch(r->name);
            prefetch(r->attributes);
        }
    }
    if (next + 4 < count) {
        const XmlNodeRec* r = siblings[next + 4];
        if (r != nullptr && r->attribute_count > 0 && r->attributes != nullptr) {
            prefetch(r->attributes[0]);
            if (r->attribute_count > 1) prefetch(r->attributes[1]);
        }
    }
    if (next + 2 < count) {
        const XmlNodeRec* r = siblings[next + 2];
        if (r != nullptr && r->attribute_count > 0 && r->attributes != nullptr && r->attributes[0] != nullptr)
            prefetch(r->attributes[0]->value);
    }
}

// Pre-order search below `context`: each child in order is classified; an accepted child is returned, a
// skipped one is passed over with its subtree, otherwise its subtree is searched before the next sibling.
template <typename Classify> XmlNodeRec* search_below(XmlNodeRec* context, Classify classify) {
    WalkStack stack;
    xml_ensure_children(context);
    if (!stack.push(context)) return nullptr;
    while (!stack.empty()) {
        WalkStack::Entry& e = stack.top();
        XmlNodeRec* const* siblings = e.node->children;
        const std::uint32_t count = siblings != nullptr ? e.node->child_count : 0;
        if (e.next == 0) {
            // The first records of a sibling run are asked for at once; later ones as the run goes.
            for (std::uint32_t i = 1; i < 16 && i < count; ++i)
                prefetch(siblings[i]);
        }
        XmlNodeRec* descend = nullptr;
        while (e.next < count) {
            std::uint32_t at = e.next++;
            prefetch_ahead(siblings, at, count);
            XmlNodeRec* child = siblings[at];
            if (child == nullptr) continue;
            Visit v = classify(child);
            if (v == Visit::accept) return child;
            if (v == Visit::descend) {
                xml_ensure_children(child);
                if (child->child_count > 0) {
                    descend = child;
                    break;
                }
            }
        }
        if (descend == nullptr) {
            stack.pop();
        } else if (!stack.push(descend)) {
            return nullptr;
        }
    }
    return nullptr;
}

bool match_set(const char*& p, unsigned char c, bool& matched) {
    // p points just past '['. On success p ends past the closing ']'.
    const char* s = p;
    bool negate = false;
    if (*s == '!') {
        negate = true;
        ++s;
    }
    bool found = false;
    bool first = true;
    for (;;) {
        unsigned char lo = static_cast<unsigned char>(*s);
        if (lo == 0) return false; // no closing ']'
        if (lo == ']' && !first) break;
        first = false;
        unsigned char hi = static_cast<unsigned char>(s[1]);
        if (hi == '-' && s[2] != '\0' && s[2] != ']' && lo < static_cast<unsigned char>(s[2])) {
            hi = static_cast<unsigned char>(s[2]);
            if (c >= lo && c <= hi) found = true;
            s += 3;
        } else {
            if (c == lo) found = true;
            s += 1;
        }
    }
    p = s + 1;
    matched = (found != negate);
    return true;
}

} // namespace

const std::uint8_t xml_char_class[256] = {
#define XML_ROW(r)                                                                                           \
    kCharClasses.v[r + 0], kCharClasses.v[r + 1], kCharClasses.v[r + 2], kCharClasses.v[r + 3],              \
        kCharClasses.v[r + 4], kCharClasses.v[r + 5], kCharClasses.v[r + 6], kCharClasses.v[r + 7],          \
        kCharClasses.v[r + 8], kCharClasses.v[r + 9], kCharClasses.v[r + 10], kCharClasses.v[r + 11],        \
        kCharClasses.v[r + 12], kCharClasses.v[r + 13], kCharClasses.v[r + 14], kCharClasses.v[r + 15]
    XML_ROW(0),   XML_ROW(16),  XML_ROW(32),  XML_ROW(48),  XML_ROW(64),  XML_ROW(80),
    XML_ROW(96),  XML_ROW(112), XML_ROW(128), XML_ROW(144), XML_ROW(160), XML_ROW(176),
    XML_ROW(192), XML_ROW(208), XML_ROW(224), XML_ROW(240),
#undef XML_ROW
};

// Called through a volatile pointer so that the compiler cannot drop the clearing of memory that is
// about to be freed.
static void* (*const volatile xml_memset)(void*, int, std::size_t) = std::memset;

void xml_wipe(void* data, std::size_t size) {
    if (data != nullptr && size > 0) xml_memset(data, 0, size);
}

// ---- arena ----

// The first block is small (most documents are a few kilobytes); each further block doubles up to 4 MiB,
// so a large document takes a few dozen blocks. Releasing thousands of small blocks in a row is slow on
// heaps that give freed memory back to the system (tens of milliseconds for a 30 MB store under Wine).
constexpr std::size_t kFirstArenaBlock = 32 * 1024;
constexpr std::size_t kLargestArenaBlock = 4 * 1024 * 1024;

XmlArena* xml_arena_create() {
    void* mem = std::malloc(sizeof(XmlArena));
    return mem != nullptr ? new (mem) XmlArena() : nullptr;
}

void xml_arena_destroy(XmlArena* arena) {
    if (arena == nullptr) return;
    for (XmlArena::Block* b = arena->blocks; b != nullptr;) {
        XmlArena::Block* next = b->next;
        std::free(b);
        b = next;
    }
    arena->~XmlArena();
    std::free(arena);
}

void* xml_arena_alloc_block(XmlArena* arena, std::size_t size) {
    std::size_t header = xml_arena_round(sizeof(XmlArena::Block));
    std::size_t want = arena->next_block != 0 ? arena->next_block : kFirstArenaBlock;
    if (want < size + header) want = size + header;
    XmlArena::Block* b = static_cast<XmlArena::Block*>(std::malloc(want));
    if (b == nullptr) return nullptr;
    if (arena->next_block < kFirstArenaBlock) arena->next_block = kFirstArenaBlock;
    if (arena->next_block < kLargestArenaBlock) arena->next_block *= 2;
    b->next = arena->blocks;
    b->size = want;
    arena->blocks = b;
    char* p = reinterpret_cast<char*>(b) + header;
    arena->cursor = p + size;
    arena->left = want - header - size;
    return p;
}

char* xml_copy_string(const char* text, std::size_t size) {
    if (size == SIZE_MAX) return nullptr;
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (copy == nullptr) return nullptr;
    if (size > 0) std::memcpy(copy, text, size);
    copy[size] = '\0';
    return copy;
}

XmlNodeRec* xml_new_node(std::int32_t type) {
    return xml_new_node_in(type, nullptr);
}

XmlNodeRec* xml_new_node_in(std::int32_t type, XmlArena* arena) {
    if (type < XML_NODE_NULL || type > XML_NODE_NOTATION_DECL) return nullptr;
    const bool attributes = type_has_attributes(type), children = type_has_children(type);
    // Text, CDATA, comment and include nodes start without arrays: their record has no slots behind it.
    const std::size_t bytes = attributes || children ? sizeof(NodeBlock) : sizeof(XmlNodeRec);
    void* mem = arena != nullptr ? xml_arena_alloc(arena, bytes) : std::malloc(bytes);
    if (mem == nullptr) return nullptr;
    XmlNodeRec* n = static_cast<XmlNodeRec*>(mem); // the first member of a NodeBlock
    n->storage = static_cast<std::uint8_t>((arena != nullptr ? XML_STORE_RECORD_ARENA : XML_STORE_DIRTY) |
                                           XML_STORE_ATTRS_FIXED | XML_STORE_CHILDREN_FIXED);
    n->parent = n;
    n->name = nullptr;
    n->name_in_buffer = false;
    n->type = type;
    n->attribute_count = 0;
    n->child_count = 0;
    n->value = nullptr;
    n->value_in_buffer = false;
    n->attributes = nullptr;
    n->attribute_capacity = 0;
    n->children = nullptr;
    n->child_capacity = 0;
    if (!attributes && !children) return n;
    NodeBlock* block = block_of(n);
    block->attr_slot = nullptr;
    block->child_slot = nullptr;
    if (attributes) {
        n->attributes = &block->attr_slot;
        n->attribute_capacity = 1;
    }
    if (children) {
        n->children = &block->child_slot;
        n->child_capacity = 1;
    }
    return n;
}

void xml_reset_child_slot(XmlNodeRec* node) {
    NodeBlock* block = block_of(node);
    block->child_slot = nullptr;
    node->children = &block->child_slot;
    node->child_capacity = 1;
    node->child_count = 0;
    node->storage = static_cast<std::uint8_t>(node->storage | XML_STORE_CHILDREN_FIXED);
}

std::uint32_t xml_deferred_child_count(const XmlNodeRec* node) {
    return reinterpret_cast<const XmlDeferred*>(node->children)->count;
}

void xml_text_names(const XmlReadRules* rules, XmlTextNames* names) {
    names->count = 0;
    if (rules == nullptr || rules->text_elements == nullptr) return;
    for (const char* const* t = rules->text_elements; *t != nullptr && names->count < 8; ++t) {
        names->name[names->count] = *t;
        names->size[names->count] = std::strlen(*t);
        ++names->count;
    }
}

std::uint32_t xml_level(const XmlNodeRec* node) {
    std::uint32_t level = 0;
    while (node != nullptr && node->parent != node && node->type != XML_NODE_DOCUMENT) {
        ++level;
        node = node->parent;
    }
    return level;
}

void xml_mark_dirty(XmlNodeRec* node) {
    while (node != nullptr && !(node->storage & XML_STORE_DIRTY)) {
        node->storage = static_cast<std::uint8_t>(node->storage | XML_STORE_DIRTY);
        if (node->parent == node) break;
        node = node->parent;
    }
}

void xml_free_tree(XmlNodeRec* start) {
    if (start == nullptr || !(start->storage & XML_STORE_DIRTY)) return; // clean arena subtree
    // Take the last child of the current node off its array; a childless one is freed at once, otherwise
    // its own children are taken off the same way. A node whose children are all gone is freed and the
    // walk continues with its parent, until only the start node is left.
    XmlNodeRec* cur = start;
    for (;;) {
        if (cur->child_count > 0 && cur->children != nullptr) {
            XmlNodeRec* child = cur->children[--cur->child_count];
            if (child == nullptr || !(child->storage & XML_STORE_DIRTY))
                continue; // nothing of its own to free
            if (child->child_count > 0) {
                child->parent = cur;
                cur = child;
            } else {
                free_record(child);
            }
            continue;
        }
        if (cur == start) break;
        XmlNodeRec* up = cur->parent;
        free_record(cur);
        cur = up;
    }
    free_record(start);
}

bool xml_reserve_child(XmlNodeRec* node, std::uint32_t grow, XmlArena* arena) {
    if (node->child_count < node->child_capacity && node->children != nullptr) return true;
    return grow_array(node->children, node->child_capacity, grow, node->storage, XML_STORE_CHILDREN_FIXED,
                      arena);
}

bool xml_reserve_attribute(XmlNodeRec* node, std::uint32_t grow, XmlArena* arena) {
    if (node->attribute_count < node->attribute_capacity && node->attributes != nullptr) return true;
    return grow_array(node->attributes, node->attribute_capacity, grow, node->storage, XML_STORE_ATTRS_FIXED,
                      arena);
}

XmlNodeRec* xml_append_node(XmlNodeRec* parent, std::int32_t type, std::uint32_t grow, XmlArena* arena) {
    if (!xml_reserve_child(parent, grow, arena)) return nullptr;
    if (arena == nullptr) xml_mark_dirty(parent); // a heap child, maybe a heap array
    XmlNodeRec* n = xml_new_node_in(type, arena);
    if (n == nullptr) return nullptr;
    n->parent = parent;
    parent->children[parent->child_count++] = n;
    return n;
}

XmlAttrRec* xml_append_attribute(XmlNodeRec* node, char* name, bool name_in_buffer, char* value,
                                 bool value_in_buffer, std::uint32_t grow, XmlArena* arena) {
    if (!xml_reserve_attribute(node, grow, arena)) return nullptr;
    if (arena == nullptr) xml_mark_dirty(node);
    void* mem =
        arena != nullptr ? xml_arena_alloc(arena, sizeof(XmlAttrRec)) : std::malloc(sizeof(XmlAttrRec));
    if (mem == nullptr) return nullptr;
    XmlAttrRec* a = static_cast<XmlAttrRec*>(mem);
    a->in_arena = arena != nullptr;
    a->rest = XML_REST_NONE;
    a->name = name;
    a->name_in_buffer = name_in_buffer;
    a->value = value;
    a->value_in_buffer = value_in_buffer;
    node->attributes[node->attribute_count++] = a;
    return a;
}

bool xml_store_string(char*& target, bool& in_buffer, const char* text, XmlNodeRec* owner) {
    if (text == nullptr) return false;
    std::size_t size = std::strlen(text);
    if (target != nullptr) {
        std::size_t old = std::strlen(target);
        if (size <= old) {
            std::memmove(target, text, size + 1); // text may lie inside target
            // The old value's tail (packet text, say) does not stay behind the new terminator.
            if (old > size) xml_wipe(target + size + 1, old - size);
            return true;
        }
    }
    char* copy = xml_copy_string(text, size);
    if (copy == nullptr) return false;
    free_owned(target, in_buffer, true);
    target = copy;
    in_buffer = false;
    xml_mark_dirty(owner);
    return true;
}

bool matches_pattern(const char* pattern, const char* text) {
    if (pattern == nullptr || text == nullptr) return false;
    const char* p = pattern;
    const char* t = text;
    // Backtracking point: the pattern just past the last '*' and the text position it was tried at.
    const char* star_p = nullptr;
    const char* star_t = nullptr;
    for (;;) {
        char pc = *p;
        if (pc == '*') {
            while (*p == '*')
                ++p;
            if (*p == '\0') return true;
            star_p = p;
            star_t = t;
            continue;
        }
        if (*t == '\0') {
            if (pc == '\0') return true;
            return false; // pattern left over (not only stars: handled above)
        }
        bool ok;
        const char* next = p + 1;
        if (pc == '\0') {
            ok = false;
        } else if (pc == '?') {
            ok = true;
        } else if (pc == '[') {
            const char* s = p + 1;
            bool matched = false;
            if (match_set(s, static_cast<unsigned char>(*t), matched)) {
                ok = matched;
                next = s;
            } else {
                ok = (*t == '[');
            }
        } else {
            ok = (pc == *t);
        }
        if (ok) {
            p = next;
            ++t;
            continue;
        }
        if (star_p == nullptr) return false;
        // Let the last star swallow one more character and retry.
        p = star_p;
        t = ++star_t;
        if (*t == '\0') {
            // Only a pattern made of stars could still match the empty rest; star_p is not a star.
            return false;
        }
    }
}

// ---- XmlAttrHandle ----

bool XmlAttrHandle::set_value(const char* text) {
    if (attr_ == nullptr || text == nullptr) return false;
    // An attribute of a parsed tree can only take a heap copy when its node is known (see owner()).
    if (owner_ == nullptr && attr_->in_arena &&
        (attr_->value == nullptr || std::strlen(text) > std::strlen(attr_->value)))
        return false;
    return xml_store_string(attr_->value, attr_->value_in_buffer, text, owner_);
}

// ---- XmlNodeHandle ----

const XmlNodeRec xml_empty_node = {
    const_cast<XmlNodeRec*>(&xml_empty_node), // parent: itself
    nullptr,
    false,
    XML_NODE_NULL,
    0,
    0,
    nullptr,
    0,
    0,
    nullptr,
    nullptr,
    false,
    0,
};

XmlNodeHandle XmlNodeHandle::parent() const {
    if (is_null() || node_->parent == node_ || node_->parent == nullptr) return XmlNodeHandle();
    return XmlNodeHandle(node_->parent);
}

XmlNodeHandle XmlNodeHandle::child(std::uint32_t index) const {
    xml_ensure_children(node_);
    if (is_null() || index >= node_->child_count || node_->children == nullptr) return XmlNodeHandle();
    return XmlNodeHandle(node_->children[index]);
}

XmlNodeHandle XmlNodeHandle::first_element(const char* name_pattern) const {
    if (is_null() || name_pattern == nullptr) return XmlNodeHandle();
    Pattern name(name_pattern);
    XmlNodeRec* found = search_below(
        node_, [&name](XmlNodeRec* n) { return name(n->name) ? Visit::accept : Visit::descend; });
    return XmlNodeHandle(found);
}

XmlNodeHandle XmlNodeHandle::first_element_by_attribute(const char* name_pattern,
                                                        const char* attr_name_pattern,
                                                        const char* attr_value_pattern) const {
    xml_ensure_children(node_);
    if (is_null() || name_pattern == nullptr || attr_name_pattern == nullptr ||
        attr_value_pattern == nullptr || node_->child_count == 0 || node_->children == nullptr)
        return XmlNodeHandle();
    Pattern name(name_pattern);
    Pattern attr_name(attr_name_pattern);
    Pattern attr_value(attr_value_pattern);
    XmlNodeRec* found = search_below(node_, [&](XmlNodeRec* n) {
        if (!name(n->name)) return Visit::descend;
        for (std::uint32_t i = 0; i < n->attribute_count; ++i) {
            const XmlAttrRec* a = n->attributes[i];
            if (a != nullptr && attr_name(a->name) && attr_value(a->value != nullptr ? a->value : ""))
                return Visit::accept;
        }
        return Visit::skip;
    });
    return XmlNodeHandle(found);
}

XmlAttrHandle XmlNodeHandle::attribute(const char* name_pattern) const {
    if (is_null() || name_pattern == nullptr) return XmlAttrHandle();
    Pattern name(name_pattern);
    for (std::uint32_t i = 0; i < node_->attribute_count; ++i) {
        XmlAttrRec* a = node_->attributes[i];
        if (a != nullptr && name(a->name)) return XmlAttrHandle(a, node_);
    }
    return XmlAttrHandle();
}

XmlAttrHandle XmlNodeHandle::ensure_attribute(const char* name_pattern) {
    XmlAttrHandle found = attribute(name_pattern);
    if (!found.is_null() || is_null() || name_pattern == nullptr) return found;
    char* name = xml_copy_string(name_pattern, std::strlen(name_pattern));
    char* value = xml_copy_string("", 0);
    XmlAttrRec* a = nullptr;
    if (name != nullptr && value != nullptr) a = xml_append_attribute(node_, name, false, value, false, 1);
    if (a == nullptr) {
        std::free(name);
        std::free(value);
    }
    return XmlAttrHandle(a, a != nullptr ? node_ : nullptr);
}

XmlAttrHandle XmlNodeHandle::attribute_at(std::uint32_t index) const {
    if (is_null() || index >= node_->attribute_count || node_->attributes == nullptr) return XmlAttrHandle();
    return XmlAttrHandle(node_->attributes[index], node_);
}

XmlNodeHandle XmlNodeHandle::append_child(std::int32_t type) {
    if (is_null()) return XmlNodeHandle();
    xml_ensure_children(node_);
    bool container =
        node_->type == XML_NODE_ELEMENT || (node_->type == XML_NODE_DOCUMENT && node_->parent == node_);
    if (!container) return XmlNodeHandle();
    return XmlNodeHandle(xml_append_node(node_, type, 1));
}

bool XmlNodeHandle::set_name(const char* text) {
    if (is_null() || (node_->type != XML_NODE_ELEMENT && node_->type != XML_NODE_PI)) return false;
    return xml_store_string(node_->name, node_->name_in_buffer, text, node_);
}

bool XmlNodeHandle::set_value(const char* text) {
    if (is_null() ||
        (node_->type != XML_NODE_TEXT && node_->type != XML_NODE_CDATA && node_->type != XML_NODE_COMMENT))
        return false;
    return xml_store_string(node_->value, node_->value_in_buffer, text, node_);
}

XmlChildIterator XmlNodeHandle::erase_child(std::int32_t position) {
    if (is_null()) return XmlChildIterator();
    xml_ensure_children(node_);
    if (position >= 0 && static_cast<std::uint32_t>(position) < node_->child_count &&
        node_->children != nullptr) {
        std::uint32_t pos = static_cast<std::uint32_t>(position);
        XmlNodeRec* gone = node_->children[pos];
        std::memmove(node_->children + pos, node_->children + pos + 1,
                     (node_->child_count - pos - 1) * sizeof(XmlNodeRec*));
        --node_->child_count;
        if (gone != nullptr) {
            gone->parent = gone; // detached
            xml_free_tree(gone);
        }
    }
    return XmlChildIterator(node_, 0);
}

XmlChildIterator XmlNodeHandle::begin() const {
    xml_ensure_children(node_);
    return XmlChildIterator(is_null() ? nullptr : node_, 0);
}

XmlChildIterator XmlNodeHandle::end() const {
    if (is_null()) return XmlChildIterator(nullptr, 0);
    xml_ensure_children(node_);
    return XmlChildIterator(node_, static_cast<std::int32_t>(node_->child_count));
}

// ---- XmlParser ----

XmlParser::XmlParser() = default;

XmlParser::~XmlParser() {
    release();
}

void XmlParser::release() {
    if (root_ != nullptr && auto_delete_) xml_free_tree(root_);
    root_ = nullptr;
    facts_ = XmlParseFacts();
    xml_arena_destroy(arena_);
    arena_ = nullptr;
    if (buffer_ != nullptr) {
        xml_wipe(buffer_, buffer_size_);
        std::free(buffer_);
    }
    buffer_ = nullptr;
    buffer_size_ = 0;
    end_position_ = nullptr;
}

bool XmlParser::parse_owned_buffer(XmlBuild build) {
    arena_ = xml_arena_create();
    root_ = xml_new_node(XML_NODE_DOCUMENT);
    if (root_ == nullptr) return false;
    // Without an arena nothing can wait: the whole tree is made at once.
    if (arena_ == nullptr) build = XmlBuild::whole;
    end_position_ = xml_parse_n(buffer_, buffer_size_ - 1, root_, growth_step_, option_mask_, arena_, build,
                                &rules_, &facts_);
    return true;
}

bool XmlParser::load_from_file(const char* path) {
    release();
    char* text = nullptr;
    std::size_t bytes = 0;
    std::size_t length = 0;
    if (!xml_read_file(path, 4096, &text, &bytes, &length)) return false;
    buffer_ = text;
    buffer_size_ = length + 1;
    return parse_owned_buffer();
}

bool XmlParser::load_from_memory(const char* data, std::size_t size) {
    release();
    if (data == nullptr || size == 0) return false;
    buffer_ = xml_copy_string(data, size); // parsing stops at the first NUL byte
    if (buffer_ == nullptr) return false;
    buffer_size_ = size + 1;
    return parse_owned_buffer();
}

bool XmlParser::load_from_heap_buffer(char* data, std::size_t size, XmlBuild build) {
    release();
    if (data == nullptr) return false;
    buffer_ = data;
    buffer_size_ = size + 1;
    if (size == 0) {
        release();
        return false;
    }
    return parse_owned_buffer(build);
}

bool XmlParser::new_document() {
    release();
    root_ = xml_new_node(XML_NODE_DOCUMENT);
    return root_ != nullptr;
}
