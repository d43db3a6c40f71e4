// The in-place parser.
//
// A cursor node starts at the node given to xml_parse(); start tags append an element to the cursor and
// make it the new cursor, end tags move the cursor back to its parent (whatever their name says), and
// every other construct is appended to the cursor. Names and values stay in the buffer: a NUL byte is
// written behind each of them, never ahead of the scan position, so the scan always stops at the buffer's
// own terminator. Values are normalised in place (leading and trailing whitespace dropped, inner runs
// collapsed to one space); entity references are left as they stand.
//
// Character data: under an element it becomes a text node when it holds something other than whitespace
// (this includes text after an end tag, a comment or another construct, so that mixed content written by
// the writer reads back); outside elements it is passed over.
//
// Nothing here recurses, except that a document type's internal subset is parsed once more by the same
// loop in its declaration mode, where a nested document type is only a declaration.
#include "xml/xml.h"
#include "xml/xml_internal.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool starts_with(const char* p, const char* prefix) {
    while (*prefix != '\0') {
        if (*p != *prefix) return false;
        ++p;
        ++prefix;
    }
    return true;
}

char* skip_ws(char* p) {
    while (xml_is_ws(*p))
        ++p;
    return p;
}

char* skip_name(char* p) {
    while (xml_is_name(*p))
        ++p;
    return p;
}

// Position of the first `c` at or after p, or of the terminating NUL.
char* find_char(char* p, char c) {
    while (*p != c && *p != '\0')
        ++p;
    return p;
}

inline std::uint8_t char_class(char c) {
    return xml_char_class[static_cast<unsigned char>(c)];
}

// Class bits that end a value running up to `term` ('<', '"' or '\''), together with whitespace and NUL.
std::uint8_t stop_mask(char term) {
    std::uint8_t m = XML_CLASS_WS | XML_CLASS_NUL;
    if (term == '<') m |= XML_CLASS_LT;
    if (term == '"') m |= XML_CLASS_DQUOTE;
    if (term == '\'') m |= XML_CLASS_SQUOTE;
    return m;
}

// Eight bytes at a time: does the word hold a byte below 33 (whitespace or NUL) or a byte equal to the
// one repeated in `term8`?
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
inline bool word_has_stop(std::uint64_t x, std::uint64_t term8) {
    std::uint64_t t = x ^ term8;
    return (((x - kOnes * 33) & ~x) | ((t - kOnes) & ~t)) & kHighs;
}
inline std::uint64_t load_word(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

#if defined(__SSE2__)
// Sixteen bytes at a time: bit i of the result is set when byte i is below 33 or equal to the term.
inline unsigned block_stops(const char* p, __m128i term16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(32)), x);
    __m128i hit = _mm_cmpeq_epi8(x, term16);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(low, hit)));
}
#endif

// Normalises the value that starts at r and ends at the first `term` ('<', '"' or '\'') or NUL, in place.
// Returns the position of that terminator (read its byte before writing the value's NUL, which may land
// on it); *begin and *end receive the normalised value's bounds. Bytes up to (not including) `limit`
// may be read.
char* scan_value(char* r, char term, const char* limit, char** begin, char** end) {
    const std::uint8_t m = stop_mask(term);
    const std::uint64_t term8 = kOnes * static_cast<unsigned char>(term);
    while (xml_is_ws(*r))
        ++r;
    *begin = r;
    char* w;
#if defined(__SSE2__)
    const __m128i term16 = _mm_set1_epi8(term);
#endif
    // As long as every whitespace run is a single byte the value stays where it is.
    for (;;) {
#if defined(__SSE2__)
        while (limit - r >= 16) {
            unsigned stops = block_stops(r, term16);
            if (stops != 0) {
                r += __builtin_ctz(stops);
                break;
            }
            r += 16;
        }
#endif
        while (limit - r >= 8 && !word_has_stop(load_word(r), term8))
            r += 8;
        // Each byte is looked at only once the previous one proved not to be a stop (so not the NUL).
        for (;;) {
            if (char_class(r[0]) & m) break;
            if (char_class(r[1]) & m) {
                r += 1;
                break;
            }
            if (char_class(r[2]) & m) {
                r += 2;
                break;
            }
            if (char_class(r[3]) & m) {
                r += 3;
                break;
            }
            r += 4;
        }
        if (!xml_is_ws(*r)) {
            *end = r;
            return r;
        }
        char* space = r++;
        while (xml_is_ws(*r))
            ++r;
        if (char_class(*r) & m) {
            *end = space; // trailing whitespace dropped
            return r;
        }
        *space = ' ';
        if (r != space + 1) {
            w = space + 1;
            break;
        }
    }
    // From the first longer run on, the rest moves towards the start while it is scanned.
    for (;;) {
#if defined(__SSE2__)
        while (limit - r >= 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r));
            if (block_stops(r, term16) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), x);
            w += 16;
            r += 16;
        }
#endif
        while (limit - r >= 8) {
            std::uint64_t x = load_word(r);
            if (word_has_stop(x, term8)) break;
            std::memcpy(w, &x, sizeof x);
            w += 8;
            r += 8;
        }
        for (;;) {
            char c = r[0];
            if (char_class(c) & m) break;
            w[0] = c;
            c = r[1];
            if (char_class(c) & m) {
                w += 1;
                r += 1;
                break;
            }
            w[1] = c;
            w += 2;
            r += 2;
        }
        if (!xml_is_ws(*r)) break;
        ++r;
        while (xml_is_ws(*r))
            ++r;
        if (char_class(*r) & m) break;
        *w++ = ' ';
    }
    *end = w;
    return r;
}

// Normalises [b, e) in place; returns the value's start and sets *end to its new end.
char* normalise_range(char* b, char* e, char** end) {
    while (b < e && xml_is_ws(*b))
        ++b;
    char* w = b;
    char* r = b;
    while (r < e) {
        char* run = r;
        while (r < e && !xml_is_ws(*r))
            ++r;
        std::size_t n = static_cast<std::size_t>(r - run);
        if (w != run) std::memmove(w, run, n);
        w += n;
        while (r < e && xml_is_ws(*r))
            ++r;
        if (r < e) *w++ = ' ';
    }
    *end = w;
    return b;
}

// Gives `node` the name [b, e) without touching the byte at e, which the caller still has to read: the
// name moves one byte to the left, over a byte already consumed (the '<' of its tag, the '?' of a
// processing instruction, whitespace). When that byte already holds the NUL that ends a text right in
// front of a start tag, the name is copied to the heap instead. False when memory ran out.
bool store_name(XmlNodeRec* node, char* b, char* e) {
    if (b[-1] == '\0') {
        node->name = xml_copy_string(b, static_cast<std::size_t>(e - b));
        node->name_in_buffer = false;
        xml_mark_dirty(node);
        return node->name != nullptr;
    }
    for (char* c = b; c < e; ++c)
        c[-1] = c[0]; // names are short
    e[-1] = '\0';
    node->name = b - 1;
    node->name_in_buffer = true;
    return true;
}

// First '<' or NUL at or after p; bytes up to (not including) `limit` may be read.
const char* find_lt_or_nul(const char* p, const char* limit) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), zero = _mm_setzero_si128();
    while (limit - p >= 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned hits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, lt), _mm_cmpeq_epi8(x, zero))));
        if (hits != 0) return p + __builtin_ctz(hits);
        p += 16;
    }
#endif
    while (limit - p >= 8) {
        std::uint64_t x = load_word(p);
        std::uint64_t t = x ^ (kOnes * '<');
        if ((((x - kOnes) & ~x) | ((t - kOnes) & ~t)) & kHighs) break;
        p += 8;
    }
    while (*p != '<' && *p != '\0')
        ++p;
    return p;
}

// The rest of a start tag from the end of its name, as attribute_list() reads it: the position after
// the tag and whether the element stays open. Null where the text ends inside the tag.
const char* skip_attribute_list(const char* p, bool* open) {
    for (;;) {
        while (xml_is_ws(*p))
            ++p;
        char c = *p;
        if (c == '\0') return nullptr;
        if (c == '>') {
            *open = true;
            return p + 1;
        }
        if (c == '/' && p[1] == '>') {
            *open = false;
            return p + 2;
        }
        if (xml_is_name(c)) {
            const char* q = p;
            while (xml_is_name(*q))
                ++q;
            while (xml_is_ws(*q))
                ++q;
            if (*q == '=') {
                ++q;
                while (xml_is_ws(*q))
                    ++q;
                char quote = *q;
                if (quote == '"' || quote == '\'') {
                    const char* v = q + 1;
                    while (*v != quote && *v != '\0')
                        ++v;
                    if (*v == '\0') return nullptr;
                    p = v + 1;
                    continue;
                }
            }
        }
        // Anything that is not a complete name="value" pair ends the attribute list.
        const char* g = p;
        while (*g != '>' && *g != '\0')
            ++g;
        if (*g == '\0') return nullptr;
        *open = !(g > p && g[-1] == '/');
        return g + 1;
    }
}

// Reads the content of an element from its first byte without changing anything: where the element's
// end tag ends and how many nodes parsing the content would make directly below the element. Answers
// only for content made of text, elements and end tags, ending before the text does; anything else
// (comments, instructions, sections, declarations, a stray '<', the end of the text) gives false, and
// the element is then parsed at once.
bool skip_content(const char* p, const char* limit, const char** after, std::uint32_t* count) {
    std::uint32_t depth = 0, n = 0;
    for (;;) {
        if (*p != '<') {
            while (xml_is_ws(*p))
                ++p;
            if (*p == '\0') return false;
            if (*p != '<') {
                // Character data: a text node wherever it holds more than whitespace.
                p = find_lt_or_nul(p, limit);
                if (*p == '\0') return false;
                if (depth == 0) ++n;
            }
        }
        char c = p[1];
        if (c == '/') {
            const char* g = p + 2;
            while (*g != '>' && *g != '\0')
                ++g;
            if (*g == '\0') return false;
            if (depth == 0) {
                *after = g + 1;
                *count = n;
                return true;
            }
            --depth;
            p = g + 1;
            continue;
        }
        if (!xml_is_name(c)) return false;
        if (depth == 0) ++n;
        const char* q = p + 1;
        while (xml_is_name(*q))
            ++q;
        bool open = false;
        q = skip_attribute_list(q, &open);
        if (q == nullptr) return false;
        if (open) ++depth;
        p = q;
    }
}

class Parser {
  public:
    Parser(const char* limit, std::int32_t growth_step, XmlArena* arena, bool on_demand = false)
        : limit_(limit), grow_(growth_step > 0 ? static_cast<std::uint32_t>(growth_step) : 4), arena_(arena),
          on_demand_(on_demand && arena != nullptr) {}

    // Parses from p with `top` as the first cursor; the cursor never moves above `top`. In declaration
    // mode (the internal subset of a document type) only comments, processing instructions, CDATA and
    // include sections and <!KEYWORD ...> declarations make nodes.
    char* run(char* p, XmlNodeRec* top, bool declarations);
    // Parses the content of an element whose start tag was parsed earlier, up to and including its end
    // tag; returns the position after it.
    char* element_content(char* p, XmlNodeRec* element) {
        depth_ = 2;
        top_ends_ = true;
        return run(p, element, false);
    }

  private:
    XmlNodeRec* append(XmlNodeRec* parent, std::int32_t type) {
        std::uint32_t grow = parent->child_capacity > grow_ ? parent->child_capacity : grow_;
        XmlNodeRec* n = xml_append_node(parent, type, grow, arena_);
        if (n == nullptr) failed_ = true;
        return n;
    }
    bool add_attribute(XmlNodeRec* node, char* name, bool name_in_buffer, char* value, bool value_in_buffer) {
        std::uint32_t grow = node->attribute_capacity > grow_ ? node->attribute_capacity : grow_;
        if (xml_append_attribute(node, name, name_in_buffer, value, value_in_buffer, grow, arena_) != nullptr)
            return true;
        failed_ = true;
        return false;
    }

    char* attribute_list(char* p, XmlNodeRec* owner, bool* open);
    char* try_attribute(char* p, XmlNodeRec* owner, bool* parsed);
    char* processing_instruction(char* p, XmlNodeRec* cursor);
    char* section(char* p, XmlNodeRec* cursor, std::int32_t type, const char* close);
    char* doctype(char* p, XmlNodeRec* cursor, bool* stop);
    char* declaration(char* p, XmlNodeRec* cursor);

    // Of a document built on demand: leaves the content of `element`, which starts at p, to be parsed
    // later when it ends with an end tag after text and elements only. The position after that end tag,
    // or null when the element is to be parsed now.
    char* defer(char* p, XmlNodeRec* element);

    const char* limit_; // one past the buffer's terminating NUL
    std::uint32_t grow_;
    XmlArena* arena_;
    bool on_demand_;
    std::uint32_t depth_ = 0; // elements above the cursor and the cursor itself (the document node: 0)
    bool top_ends_ = false;   // an end tag met with the cursor at the top ends the run
    bool failed_ = false;     // memory ran out: stop with the tree built so far
};

char* Parser::defer(char* p, XmlNodeRec* element) {
    const char* after = nullptr;
    std::uint32_t count = 0;
    if (!skip_content(p, limit_, &after, &count)) return nullptr;
    if (count > 0) {
        void* mem = xml_arena_alloc(arena_, sizeof(XmlDeferred));
        if (mem == nullptr) return nullptr;
        XmlDeferred* d = static_cast<XmlDeferred*>(mem);
        d->content = p;
        d->arena = arena_;
        d->count = count;
        element->children = reinterpret_cast<XmlNodeRec**>(d);
        element->child_count = 0;
        element->child_capacity = 0;
        element->storage =
            static_cast<std::uint8_t>(element->storage | XML_STORE_DEFERRED | XML_STORE_CHILDREN_FIXED);
    }
    // Content of whitespace alone makes no node and parsing it writes nothing: the element is done.
    return const_cast<char*>(after);
}

// p at the first byte of a possible attribute name. On success *parsed is true and the result is the
// position after the closing quote (or the buffer's end); otherwise the result is p unchanged.
char* Parser::try_attribute(char* p, XmlNodeRec* owner, bool* parsed) {
    *parsed = false;
    char* name_end = skip_name(p);
    if (name_end == p) return p;
    char* q = skip_ws(name_end);
    if (*q != '=') return p;
    q = skip_ws(q + 1);
    char quote = *q;
    if (quote != '"' && quote != '\'') return p;
    *name_end = '\0'; // whitespace or '=', both consumed
    char* vb;
    char* ve;
    char* r = scan_value(q + 1, quote, limit_, &vb, &ve);
    char stop = *r;
    *ve = '\0';
    *parsed = true;
    if (!add_attribute(owner, p, true, vb, true)) return r + std::strlen(r);
    return stop == '\0' ? r : r + 1;
}

// Attributes of a start tag up to '>' or "/>". *open tells whether the element stays open.
char* Parser::attribute_list(char* p, XmlNodeRec* owner, bool* open) {
    for (;;) {
        p = skip_ws(p);
        char c = *p;
        if (c == '\0') {
            *open = true;
            return p;
        }
        if (c == '>') {
            *open = true;
            return p + 1;
        }
        if (c == '/' && p[1] == '>') {
            *open = false;
            return p + 2;
        }
        if (xml_is_name(c)) {
            bool parsed;
            char* next = try_attribute(p, owner, &parsed);
            if (failed_) return next;
            if (parsed) {
                if (*next == '\0') {
                    *open = true;
                    return next;
                }
                p = next;
                continue;
            }
        }
        // Anything that is not a complete name="value" pair ends the attribute list.
        char* g = find_char(p, '>');
        if (*g == '\0') {
            *open = true;
            return g;
        }
        *open = !(g > p && g[-1] == '/');
        return g + 1;
    }
}

// p just past "<?" with a name character at p.
char* Parser::processing_instruction(char* p, XmlNodeRec* cursor) {
    char* nb = p;
    char* ne = skip_name(p);
    XmlNodeRec* pi = append(cursor, XML_NODE_PI);
    if (pi == nullptr) return ne;
    if (!store_name(pi, nb, ne)) {
        failed_ = true;
        return ne;
    }
    p = ne;
    for (;;) {
        p = skip_ws(p);
        if (*p == '\0') return p;
        if (p[0] == '?' && p[1] == '>') return p + 2;
        if (xml_is_name(*p)) {
            bool parsed;
            char* next = try_attribute(p, pi, &parsed);
            if (failed_) return next;
            p = parsed ? next : skip_name(p);
            continue;
        }
        ++p; // other text inside the instruction is skipped
    }
}

// Comment, CDATA or include section: p at the first byte of its content.
char* Parser::section(char* p, XmlNodeRec* cursor, std::int32_t type, const char* close) {
    char* e = std::strstr(p, close);
    char* content_end = e != nullptr ? e : p + std::strlen(p);
    char* after = e != nullptr ? e + std::strlen(close) : content_end;
    XmlNodeRec* n = append(cursor, type);
    if (n == nullptr) return after;
    char* ve;
    n->value = normalise_range(p, content_end, &ve);
    n->value_in_buffer = true;
    *ve = '\0';
    return after;
}

// p just past "<!DOCTYPE". *stop is set when an internal subset ended the parse.
char* Parser::doctype(char* p, XmlNodeRec* cursor, bool* stop) {
    *stop = false;
    XmlNodeRec* dt = append(cursor, XML_NODE_DOCTYPE);
    if (dt == nullptr) return p;
    for (;;) {
        p = skip_ws(p);
        char c = *p;
        if (c == '\0') return p;
        if (c == '>') return p + 1;
        if (xml_is_name(c)) {
            // A bare word: name and value both that word, each its own copy.
            char* e = skip_name(p);
            std::size_t size = static_cast<std::size_t>(e - p);
            char* name = xml_copy_string(p, size);
            char* value = xml_copy_string(p, size);
            if (name == nullptr || value == nullptr || !add_attribute(dt, name, false, value, false)) {
                std::free(name);
                std::free(value);
                failed_ = true;
                return e;
            }
            xml_mark_dirty(dt);
            p = e;
            continue;
        }
        if (c == '"' || c == '\'') {
            char* vb;
            char* ve;
            char* r = scan_value(p + 1, c, limit_, &vb, &ve);
            char end = *r;
            *ve = '\0';
            if (!add_attribute(dt, nullptr, true, vb, true)) return r;
            if (end == '\0') return r;
            p = r + 1;
            continue;
        }
        if (c == '[') {
            // Internal subset up to the matching ']': kept whole as the node's value and parsed into
            // declaration nodes. Nothing after it is read.
            char* b = p + 1;
            char* q = b;
            std::size_t depth = 1;
            for (; *q != '\0'; ++q) {
                if (*q == '[') {
                    ++depth;
                } else if (*q == ']' && --depth == 0) {
                    break;
                }
            }
            char* value = xml_copy_string(b, static_cast<std::size_t>(q - b));
            if (value == nullptr) {
                failed_ = true;
                return q;
            }
            dt->value = value;
            dt->value_in_buffer = false;
            xml_mark_dirty(dt);
            char end = *q;
            *q = '\0';
            const bool ends = top_ends_;
            top_ends_ = false; // the subset's own end tags end nothing
            run(b, dt, true);
            top_ends_ = ends;
            *stop = true;
            return end == '\0' ? q : q + 1;
        }
        ++p; // anything else inside the declaration is skipped
    }
}

// p just past "<!" with a name character at p: <!KEYWORD name rest>.
char* Parser::declaration(char* p, XmlNodeRec* cursor) {
    char* kb = p;
    char* ke = skip_name(p);
    std::size_t klen = static_cast<std::size_t>(ke - kb);
    std::int32_t type = XML_NODE_ENTITY_DECL;
    if (klen == 7 && std::memcmp(kb, "ATTLIST", 7) == 0) {
        type = XML_NODE_ATTLIST_DECL;
    } else if (klen == 7 && std::memcmp(kb, "ELEMENT", 7) == 0) {
        type = XML_NODE_ELEMENT_DECL;
    } else if (klen == 8 && std::memcmp(kb, "NOTATION", 8) == 0) {
        type = XML_NODE_NOTATION_DECL;
    }
    char* nb = skip_ws(ke);
    char* ne = skip_name(nb);
    // The rest runs to the next '>' outside quotes.
    char* g = ne;
    while (*g != '\0' && *g != '>') {
        if (*g == '"' || *g == '\'') {
            char quote = *g++;
            while (*g != '\0' && *g != quote)
                ++g;
            if (*g == '\0') break;
        }
        ++g;
    }
    XmlNodeRec* n = append(cursor, type);
    if (n == nullptr) return g;
    if (ne > nb) {
        if (!store_name(n, nb, ne)) { // nb - 1 is whitespace
            failed_ = true;
            return g;
        }
    }
    char end = *g;
    char* ve;
    char* vb = normalise_range(ne, g, &ve);
    if (ve > vb) {
        n->value = vb;
        n->value_in_buffer = true;
        *ve = '\0';
    }
    return end == '\0' ? g : g + 1;
}

char* Parser::run(char* p, XmlNodeRec* top, bool declarations) {
    XmlNodeRec* cur = top;
    while (!failed_) {
        // Character data up to the next '<'.
        if (*p != '<') {
            p = skip_ws(p);
            if (*p == '\0') return p;
            if (*p != '<') {
                if (declarations || cur->type != XML_NODE_ELEMENT) {
                    p = find_char(p, '<');
                    if (*p == '\0') return p;
                } else {
                    char* vb;
                    char* ve;
                    char* r = scan_value(p, '<', limit_, &vb, &ve);
                    char stop = *r;
                    *ve = '\0';
                    XmlNodeRec* t = append(cur, XML_NODE_TEXT);
                    if (t != nullptr) {
                        t->value = vb;
                        t->value_in_buffer = true;
                    }
                    if (stop == '\0' || failed_) return r;
                    p = r; // the '<' may now be a NUL: dispatch below does not look back at it
                }
            }
        }
        ++p; // past '<'
        char c = *p;
        if (c == '\0') return p;
        if (c == '?') {
            if (xml_is_name(p[1])) {
                p = processing_instruction(p + 1, cur);
            } else {
                p = find_char(p, '>');
                if (*p == '\0') return p;
                ++p;
            }
        } else if (c == '!') {
            if (starts_with(p, "!--")) {
                p = section(p + 3, cur, XML_NODE_COMMENT, "-->");
            } else if (starts_with(p, "![CDATA[")) {
                p = section(p + 8, cur, XML_NODE_CDATA, "]]>");
            } else if (starts_with(p, "![INCLUDE[")) {
                p = section(p + 10, cur, XML_NODE_INCLUDE, "]]>");
            } else if (declarations && xml_is_name(p[1])) {
                p = declaration(p + 1, cur);
            } else if (!declarations && starts_with(p, "!DOCTYPE")) {
                bool stop;
                p = doctype(p + 8, cur, &stop);
                if (stop) return p;
            } else {
                p = find_char(p, '<');
            }
        } else if (c == '/') {
            p = find_char(p, '>');
            if (cur != top) {
                cur = cur->parent;
                --depth_;
            } else if (top_ends_) {
                return *p == '\0' ? p : p + 1;
            }
            if (*p == '\0') return p;
            ++p;
        } else if (xml_is_name(c) && !declarations) {
            char* ne = skip_name(p);
            XmlNodeRec* el = append(cur, XML_NODE_ELEMENT);
            if (el == nullptr) return ne;
            if (!store_name(el, p, ne)) {
                failed_ = true;
                return ne;
            }
            bool open;
            p = attribute_list(ne, el, &open);
            if (open) {
                // Below the top level of a document built on demand, the content waits until it is
                // asked for.
                char* after = on_demand_ && depth_ >= 1 && *p != '\0' && !failed_ ? defer(p, el) : nullptr;
                if (after != nullptr) {
                    p = after;
                } else {
                    cur = el;
                    ++depth_;
                }
            }
        } else {
            p = find_char(p, '<');
        }
        if (*p == '\0') return p;
    }
    return p;
}

} // namespace

// Every parse feature is on whatever `options` says: the documents only ever use the full mask.
char* xml_parse_n(char* text, std::size_t length, XmlNodeRec* root, std::int32_t growth_step,
                  std::uint32_t /*options*/, XmlArena* arena, XmlBuild build) {
    if (text == nullptr || root == nullptr) return text;
    if (arena != nullptr) {
        arena->text_limit = text + length + 1;
        arena->growth_step = growth_step;
    }
    Parser parser(text + length + 1, growth_step, arena, build == XmlBuild::on_demand);
    return parser.run(text, root, false);
}

void xml_build_children(XmlNodeRec* node) {
    if (!(node->storage & XML_STORE_DEFERRED)) return;
    const XmlDeferred d = *reinterpret_cast<const XmlDeferred*>(node->children);
    node->storage = static_cast<std::uint8_t>(node->storage & ~XML_STORE_DEFERRED);
    xml_reset_child_slot(node);
    Parser parser(d.arena->text_limit, d.arena->growth_step, d.arena, true);
    parser.element_content(d.content, node);
}

char* xml_parse(char* text, XmlNodeRec* root, std::int32_t growth_step, std::uint32_t options,
                XmlArena* arena) {
    if (text == nullptr) return text;
    return xml_parse_n(text, std::strlen(text), root, growth_step, options, arena);
}
