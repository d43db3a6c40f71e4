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

// Eight bytes at a time (find_lt_or_nul).
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
inline std::uint64_t load_word(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

// The name of an element that holds one text (XmlReadRules::text_elements), whose end tag alone ends
// its text.
struct Close {
    const char* name;
    std::size_t size;
};

// True when p starts the end tag of `c`: "</", its name, white space, ">". Reads nothing past a NUL.
inline bool is_close(const char* p, const Close& c) {
    if (p[0] != '<' || p[1] != '/') return false;
    const char* q = p + 2;
    for (std::size_t i = 0; i < c.size; ++i)
        if (q[i] != c.name[i]) return false; // a NUL differs from every name character
    q += c.size;
    while (xml_is_ws(*q))
        ++q;
    return *q == '>';
}

#if defined(__SSE2__)
// Sixteen bytes of 0xFF, then sixteen of 0: lead_mask(j) has its first j bytes set (j from 0 to 16).
alignas(16) const unsigned char kLead[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline __m128i lead_mask(unsigned j) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLead + 16 - j));
}
inline __m128i select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
#endif

// Normalises the value that starts at r and ends at the first `term` ('<', '"' or '\'') or NUL, in place.
// With `close` (term '<'), a '<' that does not start that element's end tag belongs to the value.
// Returns the position of that terminator (read its byte before writing the value's NUL, which may land
// on it); *begin and *end receive the normalised value's bounds. Bytes up to (not including) `limit`
// may be read.
//
// The value is written over itself as it is read (the write position never passes the read position):
// each run of whitespace becomes one space where it starts. Sixteen bytes at a time where SSE2 is
// there, without a branch for single spaces or line breaks: every whitespace byte of a block becomes a
// space, the block is closed up over the bytes of a run after its first (a shift each), and the block
// that holds the value's end is written up to that end only. The last bytes before `limit` go one by
// one.
char* scan_value(char* r, char term, const char* limit, char** begin, char** end,
                 const Close* close = nullptr) {
    while (xml_is_ws(*r))
        ++r;
    *begin = r;
    char* w = r;
    bool space = false; // the last byte read was whitespace, written as the space that ends w
    // A '<' of a text element's content that is not its end tag is a character like any other.
    auto literal = [close](const char* q) { return close != nullptr && *q == '<' && !is_close(q, *close); };
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' '), stop = _mm_set1_epi8(term), zero = _mm_setzero_si128();
    unsigned carry = 0;
    while (limit - r >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r));
        const unsigned stops = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, stop), _mm_cmpeq_epi8(x, zero))));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, blank), x); // bytes 1 to 32 (and NUL)
        __m128i out = _mm_or_si128(_mm_andnot_si128(low, x), _mm_and_si128(low, blank));
        if (stops == 0) {
            // The whole block is the value's: the next block is read without waiting for this one.
            const unsigned ws = static_cast<unsigned>(_mm_movemask_epi8(low));
            unsigned drop = ws & ((ws << 1) | carry) & 0xFFFFu; // the bytes of a run after its first
            carry = ws >> 15;
            unsigned n = 16;
            if ((drop & (drop - 1)) == 0) {
                // None or one (the second byte of a line break): one shift, no branch.
                const unsigned j = static_cast<unsigned>(__builtin_ctz(drop | 0x10000u));
                out = select(lead_mask(j), out, _mm_srli_si128(out, 1));
                n -= drop != 0 ? 1u : 0u;
            } else {
                while (drop != 0) {
                    const unsigned j = 31u - static_cast<unsigned>(__builtin_clz(drop));
                    out = select(lead_mask(j), out, _mm_srli_si128(out, 1));
                    drop &= ~(1u << j);
                    --n;
                }
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), out);
            w += n;
            r += 16;
            continue;
        }
        // The block that holds the value's end (or a '<' of a text element's text).
        const unsigned k = static_cast<unsigned>(__builtin_ctz(stops)); // bytes of the value
        const unsigned ws = static_cast<unsigned>(_mm_movemask_epi8(low)) & ((1u << k) - 1);
        unsigned drop = ws & ((ws << 1) | carry);
        unsigned n = k;
        if (w == r && drop == 0 &&
            (ws & ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, blank)))) == 0) {
            // Nothing to change (a short value, single spaces at most): it stays where it is.
            w += k;
        } else {
            while (drop != 0) {
                const unsigned j = 31u - static_cast<unsigned>(__builtin_clz(drop));
                out = select(lead_mask(j), out, _mm_srli_si128(out, 1));
                drop &= ~(1u << j);
                --n;
            }
            // Past the value's end the bytes stay as they are (its terminator among them).
            out = select(lead_mask(n), out, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), out);
            w += n;
        }
        if (k > 0) carry = (ws >> (k - 1)) & 1u;
        r += k;
        if (literal(r)) {
            *w++ = *r++;
            carry = 0;
            continue;
        }
        if (carry) --w; // trailing whitespace dropped
        *end = w;
        return r;
    }
    space = carry != 0;
#else
    (void)limit;
#endif
    // The last bytes, one by one.
    for (;;) {
        const char c = *r;
        if (c == term || c == '\0') {
            if (!literal(r)) break;
            *w++ = *r++;
            space = false;
            continue;
        }
        if (xml_is_ws(c)) {
            if (!space) *w++ = ' ';
            space = true;
        } else {
            *w++ = c;
            space = false;
        }
        ++r;
    }
    if (space) --w; // trailing whitespace dropped
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

inline bool same_bytes(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Whether the rules make the element named [name, name + size) one that holds a single text.
inline bool is_text_element(const XmlTextNames& names, const char* name, std::size_t size) {
    for (std::uint32_t i = 0; i < names.count; ++i)
        if (names.size[i] == size && names.name[i][0] == name[0] && same_bytes(names.name[i], name, size))
            return true;
    return false;
}

// The rest of a start tag from the end of its name, as attribute_list() reads it: the position after
// the tag and whether the element stays open. Null where the text ends inside the tag. *odd is set when
// the tag holds a rest that is no name="value" pair, or a value quoted with ' that holds a '"'.
const char* skip_attribute_list(const char* p, bool* open, bool* odd) {
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
                    if (quote == '\'' &&
                        std::memchr(q + 1, '"', static_cast<std::size_t>(v - q - 1)) != nullptr)
                        *odd = true;
                    p = v + 1;
                    continue;
                }
            }
        }
        // Anything that is not a complete name="value" pair ends the attribute list.
        *odd = true;
        const char* g = p;
        while (*g != '>' && *g != '\0')
            ++g;
        if (*g == '\0') return nullptr;
        *open = !(g > p && g[-1] == '/');
        return g + 1;
    }
}

// Levels below an element whose content may wait (deeper content is parsed at once): reading the
// content of each waiting level again when it is made costs at most this many passes over the text.
constexpr std::uint32_t kDeferDepth = 8;

// An element open while content is read without parsing it: its name and whether it holds one text.
struct OpenName {
    const char* name;
    std::size_t size;
    bool text;
};

// What reading an element's content without parsing it found.
struct Content {
    const char* after = nullptr; // past the element's end tag
    std::uint32_t count = 0;     // nodes parsing the content makes directly below the element
    std::uint32_t depth = 0;     // element levels below the element
    std::uint32_t verbatim = 0;  // the content's length, when the writer would write it as it stands
};

// Reads the content of an element at `level` from its first byte without changing anything (see
// Content). Answers only for content made of text and elements that a parse finds sound (end tags that
// close their own elements, start tags of name="value" pairs), at most kDeferDepth levels deep and
// ending before the text does; anything else (comments, instructions, sections, declarations, a stray
// '<', a tag rest, the end of the text) gives false, and the element is then parsed at once, where
// the parse notes what it meets.
bool skip_content(const char* p, const char* limit, const OpenName& element, std::uint32_t level,
                  const XmlTextNames& names, Content* out) {
    OpenName open[kDeferDepth + 1];
    std::uint32_t depth = 0, n = 0, deepest = 0;
    open[0] = element;
    for (;;) {
        const OpenName& cur = open[depth];
        if (cur.text) {
            // One text up to the element's own end tag, '<' and all; then that end tag.
            const Close c{cur.name, cur.size};
            bool text = false;
            for (;;) {
                const char* lt = find_lt_or_nul(p, limit);
                for (const char* t = p; !text && t < lt; ++t)
                    text = !xml_is_ws(*t);
                if (*lt == '\0') return false;
                p = lt;
                if (is_close(lt, c)) break;
                text = true;
                ++p;
            }
            if (text && depth == 0) ++n;
            const char* g = p + 2 + cur.size;
            while (*g != '>')
                ++g; // whitespace only (is_close)
            if (depth == 0) {
                out->after = g + 1;
                out->count = n;
                out->depth = deepest;
                return true;
            }
            --depth;
            p = g + 1;
            continue;
        } else if (*p != '<') {
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
            // The end tag of the innermost open element: its name, whitespace, '>'.
            const OpenName& closing = open[depth];
            const char* g = p + 2;
            if (!same_bytes(g, closing.name, closing.size)) return false; // a NUL differs too
            g += closing.size;
            if (xml_is_name(*g)) return false;
            while (xml_is_ws(*g))
                ++g;
            if (*g != '>') return false;
            if (depth == 0) {
                out->after = g + 1;
                out->count = n;
                out->depth = deepest;
                return true;
            }
            --depth;
            p = g + 1;
            continue;
        }
        if (!xml_is_name(c)) return false;
        if (depth == 0) ++n;
        const char* b = p + 1;
        const char* e = b;
        while (xml_is_name(*e))
            ++e;
        bool is_open = false, odd = false;
        const char* q;
        if (*e == '>') { // no attributes, the usual case
            is_open = true;
            q = e + 1;
        } else {
            q = skip_attribute_list(e, &is_open, &odd);
            if (q == nullptr || odd) return false;
        }
        if (depth >= deepest) {
            deepest = depth + 1;
            if (deepest > kDeferDepth || level + deepest > XML_MAX_DEPTH) return false;
        }
        if (is_open) {
            ++depth;
            open[depth] = OpenName{b, static_cast<std::size_t>(e - b),
                                   is_text_element(names, b, static_cast<std::size_t>(e - b))};
        }
        p = q;
    }
}

// A value exactly as the writer puts out a normalised text, from p: at least one byte, no whitespace
// but single spaces between other bytes, no NUL. It ends at the first '<' (with `close`, at that
// element's end tag: other '<' belong to the text). The position of that '<', or null.
const char* canonical_text(const char* p, const char* limit, const Close* close) {
    (void)limit; // read up to only by the wide scan
    if (xml_is_ws(*p) || *p == '<' || *p == '\0') return nullptr;
    const char* q = p;
    bool space = false; // the byte before q was a space
    for (;;) {
#if defined(__SSE2__)
        // Sixteen bytes at a time while they hold no '<', no NUL, no whitespace but single spaces.
        const __m128i blank = _mm_set1_epi8(' '), lt = _mm_set1_epi8('<');
        while (limit - q >= 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, blank), x); // bytes 0 to 32
            __m128i sp = _mm_cmpeq_epi8(x, blank);
            unsigned bad = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_andnot_si128(sp, low), _mm_cmpeq_epi8(x, lt))));
            unsigned spaces = static_cast<unsigned>(_mm_movemask_epi8(sp));
            if (bad != 0 || (spaces & ((spaces << 1) | (space ? 1u : 0u))) != 0) break;
            space = (spaces >> 15) != 0;
            q += 16;
        }
#endif
        // Byte by byte up to the next event, which ends the text, refuses it or is a literal '<'.
        for (;;) {
            const char c = *q;
            if (c == '<') {
                if (close != nullptr && !is_close(q, *close)) {
                    space = false;
                    ++q;
                    break; // back to the wide scan
                }
                return space ? nullptr : q;
            }
            if (c == ' ') {
                if (space) return nullptr;
                space = true;
            } else if (xml_is_ws(c) || c == '\0') {
                return nullptr;
            } else {
                space = false;
            }
            ++q;
        }
    }
}

// An attribute value as the writer puts out a normalised one, from p up to its closing '"': no
// whitespace but single spaces between other bytes, no NUL. The position of the '"', or null.
const char* canonical_value(const char* p) {
    if (*p == ' ') return nullptr;
    bool space = false;
    for (const char* q = p;; ++q) {
        const char c = *q;
        if (c == '"') return space ? nullptr : q;
        if (c == ' ') {
            if (space) return nullptr;
            space = true;
        } else if (xml_is_ws(c) || c == '\0') {
            return nullptr;
        } else {
            space = false;
        }
    }
}

// True when p holds "</" name ">" exactly.
bool exact_end(const char* p, const char* name, std::size_t size) {
    return p[0] == '<' && p[1] == '/' && std::strncmp(p + 2, name, size) == 0 && p[2 + size] == '>';
}

// Reads the content of an element at `level` (its start tag written with level - 1 tabs) and tells
// whether it is exactly what the writer puts out for the nodes a parse makes of it: either one text,
// or a line feed, each child element on lines of its own indented one tab deeper (an element with one
// text on one line, one without content as "<name/>", one with elements over its lines), and the tabs
// of the element's own end tag. Such content is sound and is written back as it stands; it nests at
// most kDeferDepth levels. Fills Content (with the verbatim length) when it is.
bool verbatim_content(const char* p, const char* limit, const OpenName& element, std::uint32_t level,
                      const XmlTextNames& names, Content* out) {
    const char* const start = p;
    const Close own{element.name, element.size};
    if (*p != '\n') {
        // One text: the element is written on one line.
        const char* e = canonical_text(p, limit, element.text ? &own : nullptr);
        if (e == nullptr || !is_close(e, own)) return false;
        out->after = std::strchr(e, '>') + 1;
        out->count = 1;
        out->depth = 0;
        out->verbatim = static_cast<std::uint32_t>(e - start);
        return static_cast<std::size_t>(e - start) <= UINT32_MAX;
    }
    if (element.text) return false; // its content would read as one text
    OpenName open[kDeferDepth + 1];
    std::uint32_t children[kDeferDepth + 1];
    std::uint32_t depth = 0, deepest = 0;
    open[0] = element;
    children[0] = 0;
    ++p;
    for (;;) {
        const char* q = p;
        while (*q == '\t')
            ++q;
        const std::size_t tabs = static_cast<std::size_t>(q - p);
        if (*q != '<') return false;
        if (q[1] == '/') {
            // The end tag of the innermost open element, which holds at least one child.
            if (tabs != level - 1 + depth || children[depth] == 0) return false;
            if (depth == 0) {
                if (!is_close(q, own) || static_cast<std::size_t>(q - start) > UINT32_MAX) return false;
                out->after = std::strchr(q, '>') + 1;
                out->count = children[0];
                out->depth = deepest;
                out->verbatim = static_cast<std::uint32_t>(q - start);
                return true;
            }
            const OpenName& closing = open[depth];
            if (!exact_end(q, closing.name, closing.size) || q[3 + closing.size] != '\n') return false;
            p = q + 4 + closing.size;
            --depth;
            continue;
        }
        // A child of the innermost open element.
        if (tabs != level + depth) return false;
        ++children[depth];
        if (depth + 1 > deepest) deepest = depth + 1;
        if (deepest > kDeferDepth || level + deepest > XML_MAX_DEPTH) return false;
        const char* b = q + 1;
        const char* e = b;
        while (xml_is_name(*e))
            ++e;
        const std::size_t size = static_cast<std::size_t>(e - b);
        if (size == 0) return false;
        q = e;
        while (*q == ' ') {
            const char* an = q + 1;
            const char* ae = an;
            while (xml_is_name(*ae))
                ++ae;
            if (ae == an || ae[0] != '=' || ae[1] != '"') return false;
            const char* ve = canonical_value(ae + 2);
            if (ve == nullptr) return false;
            q = ve + 1;
        }
        if (q[0] == '/' && q[1] == '>') {
            if (q[2] != '\n') return false;
            p = q + 3;
            continue;
        }
        if (q[0] != '>') return false;
        ++q;
        const bool text = is_text_element(names, b, size);
        if (*q == '\n') {
            if (text) return false;
            ++depth;
            open[depth] = OpenName{b, size, false};
            children[depth] = 0;
            p = q + 1;
            continue;
        }
        const Close c{b, size};
        const char* te = canonical_text(q, limit, text ? &c : nullptr);
        if (te == nullptr || !exact_end(te, b, size) || te[3 + size] != '\n') return false;
        p = te + 4 + size;
    }
}

// Rules that change nothing, for parses given none.
const XmlReadRules kNoRules;

class Parser {
  public:
    Parser(const char* limit, std::int32_t growth_step, XmlArena* arena, bool on_demand,
           const XmlReadRules* rules, XmlParseFacts* facts)
        : limit_(limit), grow_(growth_step > 0 ? static_cast<std::uint32_t>(growth_step) : 4), arena_(arena),
          on_demand_(on_demand && arena != nullptr), rules_(rules != nullptr ? rules : &kNoRules),
          facts_(facts != nullptr ? facts : &scratch_) {
        // A document's table is made once, when its parse starts (xml_parse_n).
        if (arena != nullptr && arena->rules == rules) {
            names_ = &arena->names;
        } else {
            xml_text_names(rules_, &own_names_);
            names_ = &own_names_;
        }
    }

    // Parses from p with `top` as the first cursor; the cursor never moves above `top`. In declaration
    // mode (the internal subset of a document type) only comments, processing instructions, CDATA and
    // include sections and <!KEYWORD ...> declarations make nodes.
    char* run(char* p, XmlNodeRec* top, bool declarations);
    // Parses the content of an element whose start tag was parsed earlier, up to and including its end
    // tag; returns the position after it.
    char* element_content(char* p, XmlNodeRec* element) {
        depth_ = xml_level(element);
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
    bool add_attribute(XmlNodeRec* node, char* name, bool name_in_buffer, char* value, bool value_in_buffer,
                       std::uint8_t rest = XML_REST_NONE) {
        std::uint32_t grow = node->attribute_capacity > grow_ ? node->attribute_capacity : grow_;
        XmlAttrRec* a =
            xml_append_attribute(node, name, name_in_buffer, value, value_in_buffer, grow, arena_);
        if (a != nullptr) {
            a->rest = rest;
            return true;
        }
        failed_ = true;
        return false;
    }
    bool text_element(const XmlNodeRec* n) const {
        return names_->count > 0 && n->type == XML_NODE_ELEMENT && n->name != nullptr &&
               is_text_element(*names_, n->name, std::strlen(n->name));
    }
    void note_depth(std::uint32_t level) {
        if (level > facts_->depth) facts_->depth = level;
    }

    char* attribute_list(char* p, XmlNodeRec* owner, bool* open);
    char* try_attribute(char* p, XmlNodeRec* owner, bool* parsed);
    char* processing_instruction(char* p, XmlNodeRec* cursor);
    char* section(char* p, XmlNodeRec* cursor, std::int32_t type, const char* close);
    char* doctype(char* p, XmlNodeRec* cursor, bool* stop);
    char* declaration(char* p, XmlNodeRec* cursor);

    // Of a document built on demand: leaves the content of `element`, which starts at p, to be parsed
    // later when it is sound text and elements (see skip_content). The position after its end tag, or
    // null when the element is to be parsed now.
    char* defer(char* p, XmlNodeRec* element, std::size_t name_size, bool text);

    const char* limit_; // one past the buffer's terminating NUL
    std::uint32_t grow_;
    XmlArena* arena_;
    bool on_demand_;
    const XmlReadRules* rules_;
    XmlParseFacts* facts_;
    XmlParseFacts scratch_;
    const XmlTextNames* names_; // the rules' text elements
    XmlTextNames own_names_;
    std::uint32_t depth_ = 0;  // level of the cursor (the document node: 0)
    std::uint32_t excess_ = 0; // elements open below the deepest level built, passed over
    bool top_ends_ = false;    // an end tag met with the cursor at the top ends the run
    bool failed_ = false;      // memory ran out: stop with the tree built so far
};

char* Parser::defer(char* p, XmlNodeRec* element, std::size_t name_size, bool text) {
    const std::uint32_t level = depth_ + 1;
    const OpenName self{element->name, name_size, text};
    Content c;
    bool ok = rules_->note_verbatim && verbatim_content(p, limit_, self, level, *names_, &c);
    if (!ok) {
        c = Content();
        ok = skip_content(p, limit_, self, level, *names_, &c);
    }
    if (!ok) return nullptr;
    note_depth(level + c.depth);
    if (c.count > 0) {
        void* mem = xml_arena_alloc(arena_, sizeof(XmlDeferred));
        if (mem == nullptr) return nullptr;
        XmlDeferred* d = static_cast<XmlDeferred*>(mem);
        d->content = p;
        d->arena = arena_;
        d->count = c.count;
        d->verbatim = c.verbatim;
        element->children = reinterpret_cast<XmlNodeRec**>(d);
        element->child_count = 0;
        element->child_capacity = 0;
        element->storage =
            static_cast<std::uint8_t>(element->storage | XML_STORE_DEFERRED | XML_STORE_CHILDREN_FIXED);
    }
    // Content of whitespace alone makes no node and parsing it writes nothing: the element is done.
    return const_cast<char*>(c.after);
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
    if (stop == '\0') facts_->cut = true;
    if (quote == '\'' && std::memchr(vb, '"', static_cast<std::size_t>(ve - vb)) != nullptr)
        facts_->quote_in_value = true;
    if (!add_attribute(owner, p, true, vb, true)) return r + std::strlen(r);
    return stop == '\0' ? r : r + 1;
}

// Attributes of a start tag up to '>' or "/>". *open tells whether the element stays open.
char* Parser::attribute_list(char* p, XmlNodeRec* owner, bool* open) {
    for (;;) {
        p = skip_ws(p);
        char c = *p;
        if (c == '\0') {
            facts_->cut = true;
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
            facts_->cut = true;
            *open = true;
            return g;
        }
        *open = !(g > p && g[-1] == '/');
        // The rest: up to the '/' of "/>" or the '>', without trailing whitespace.
        char* e = *open ? g : g - 1;
        while (e > p && xml_is_ws(e[-1]))
            --e;
        bool quoted = false;
        for (const char* q = p; q < e && !quoted; ++q)
            quoted = *q == '"';
        if (!quoted) facts_->loose_tag = true;
        if (rules_->keep_tag_rest && e > p) {
            const std::uint8_t rest = xml_is_ws(p[-1]) ? XML_REST_SPACED : XML_REST_GLUED;
            *e = '\0'; // whitespace, '/' or the '>', all read
            if (!add_attribute(owner, nullptr, true, p, true, rest)) return g + 1;
        }
        return g + 1;
    }
}

// p just past "<?" with a name character at p.
char* Parser::processing_instruction(char* p, XmlNodeRec* cursor) {
    if (excess_ > 0) {
        // Inside elements that are passed over: nothing is made.
        char* e = std::strstr(p, "?>");
        if (e == nullptr) {
            facts_->cut = true;
            return p + std::strlen(p);
        }
        return e + 2;
    }
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
        if (*p == '\0') {
            facts_->cut = true;
            return p;
        }
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
    if (e == nullptr) facts_->cut = true;
    char* content_end = e != nullptr ? e : p + std::strlen(p);
    char* after = e != nullptr ? e + std::strlen(close) : content_end;
    if (excess_ > 0) return after;
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
    facts_->declarations = true;
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
            if (end == '\0') facts_->cut = true;
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
    // The cursor holds one text up to its own end tag (a text element of the rules).
    Close close{nullptr, 0};
    bool in_text = false;
    // The cursor moves to n; text: n holds one text, its name size bytes long.
    auto enter = [&](XmlNodeRec* n, bool text, std::size_t size) {
        cur = n;
        in_text = text;
        if (text) close = Close{n->name, size};
    };
    enter(top, !declarations && text_element(top), top->name != nullptr ? std::strlen(top->name) : 0);
    // The end of the text: whatever is still open is cut short.
    auto finish = [&](char* at) {
        if (!declarations && (cur != top || top_ends_ || excess_ > 0)) facts_->cut = true;
        return at;
    };
    while (!failed_) {
        // Character data up to the next '<' (of a text element: up to its end tag).
        if (*p != '<' || in_text) {
            p = skip_ws(p);
            if (*p == '\0') return finish(p);
            if (*p != '<' || (in_text && !is_close(p, close))) {
                if (declarations || excess_ > 0 || cur->type != XML_NODE_ELEMENT) {
                    if (!declarations && excess_ == 0 && cur->type == XML_NODE_DOCUMENT)
                        facts_->outside_text = true;
                    p = const_cast<char*>(find_lt_or_nul(p, limit_));
                    if (*p == '\0') return finish(p);
                } else {
                    char* vb;
                    char* ve;
                    char* r = scan_value(p, '<', limit_, &vb, &ve, in_text ? &close : nullptr);
                    char stop = *r;
                    *ve = '\0';
                    XmlNodeRec* t = append(cur, XML_NODE_TEXT);
                    if (t != nullptr) {
                        t->value = vb;
                        t->value_in_buffer = true;
                    }
                    if (stop == '\0') return finish(r);
                    if (failed_) return r;
                    p = r; // the '<' may now be a NUL: dispatch below does not look back at it
                }
            }
        }
        ++p; // past '<'
        char c = *p;
        if (c == '\0') {
            facts_->cut = true;
            return p;
        }
        if (c == '?') {
            if (xml_is_name(p[1])) {
                p = processing_instruction(p + 1, cur);
            } else {
                if (!declarations) facts_->stray = true;
                p = find_char(p, '>');
                if (*p == '\0') {
                    facts_->cut = true;
                    return p;
                }
                ++p;
            }
        } else if (c == '!') {
            if (starts_with(p, "!--")) {
                p = section(p + 3, cur, XML_NODE_COMMENT, "-->");
            } else if (starts_with(p, "![CDATA[")) {
                p = section(p + 8, cur, XML_NODE_CDATA, "]]>");
            } else if (starts_with(p, "![INCLUDE[")) {
                if (!declarations) facts_->declarations = true;
                p = section(p + 10, cur, XML_NODE_INCLUDE, "]]>");
            } else if (declarations && xml_is_name(p[1])) {
                p = declaration(p + 1, cur);
            } else if (!declarations && excess_ == 0 && starts_with(p, "!DOCTYPE")) {
                bool stop;
                p = doctype(p + 8, cur, &stop);
                if (stop) {
                    facts_->stopped = true;
                    return p;
                }
            } else {
                if (!declarations) {
                    if (xml_is_name(p[1]))
                        facts_->declarations = true;
                    else
                        facts_->stray = true;
                }
                p = find_char(p, '<');
            }
        } else if (c == '/') {
            // The usual end tag names the open element and ends right after it: read in one pass.
            char* g = nullptr;
            if (excess_ == 0 && cur != top && cur->name != nullptr && !declarations) {
                const char* nm = cur->name;
                char* q = p + 1;
                while (*nm != '\0' && *q == *nm) {
                    ++q;
                    ++nm;
                }
                if (*nm == '\0' && !xml_is_name(*q)) {
                    while (xml_is_ws(*q))
                        ++q;
                    if (*q == '>') g = q;
                }
            }
            if (g == nullptr) {
                g = find_char(p, '>');
                if (*g != '\0' && excess_ == 0 && cur != top && !declarations)
                    facts_->stray = true; // another name
            }
            if (excess_ > 0) {
                --excess_;
            } else if (cur != top) {
                // An element that holds elements holds no text of the rules' kind.
                enter(cur->parent, false, 0);
                --depth_;
            } else if (top_ends_) {
                if (*g == '\0') facts_->cut = true;
                return *g == '\0' ? g : g + 1;
            } else if (!declarations) {
                facts_->stray = true; // closes nothing
            }
            if (*g == '\0') {
                facts_->cut = true;
                return g;
            }
            p = g + 1;
        } else if (xml_is_name(c) && !declarations) {
            char* ne = skip_name(p);
            if (depth_ >= XML_MAX_DEPTH) {
                // Deeper than the levels a parse builds: passed over with everything inside it.
                facts_->depth = XML_MAX_DEPTH + 1;
                bool open = false, odd = false;
                const char* after = skip_attribute_list(ne, &open, &odd);
                if (after == nullptr) {
                    facts_->cut = true;
                    return ne + std::strlen(ne);
                }
                if (open) ++excess_;
                p = const_cast<char*>(after);
            } else {
                const std::size_t size = static_cast<std::size_t>(ne - p);
                const bool text = names_->count > 0 && is_text_element(*names_, p, size);
                XmlNodeRec* el = append(cur, XML_NODE_ELEMENT);
                if (el == nullptr) return ne;
                if (!store_name(el, p, ne)) {
                    failed_ = true;
                    return ne;
                }
                note_depth(depth_ + 1);
                bool open;
                p = attribute_list(ne, el, &open);
                if (open) {
                    // Below the top level of a document built on demand, the content waits until it is
                    // asked for.
                    char* after = on_demand_ && depth_ >= 1 && *p != '\0' && !failed_
                                      ? defer(p, el, size, text)
                                      : nullptr;
                    if (after != nullptr) {
                        p = after;
                    } else {
                        enter(el, text, size);
                        ++depth_;
                    }
                }
            }
        } else {
            if (!declarations) facts_->stray = true; // a '<' that starts nothing
            p = find_char(p, '<');
        }
        if (*p == '\0') return finish(p);
    }
    return p;
}

} // namespace

// Every parse feature is on whatever `options` says: the documents only ever use the full mask.
char* xml_parse_n(char* text, std::size_t length, XmlNodeRec* root, std::int32_t growth_step,
                  std::uint32_t /*options*/, XmlArena* arena, XmlBuild build, const XmlReadRules* rules,
                  XmlParseFacts* facts) {
    if (text == nullptr || root == nullptr) return text;
    if (arena != nullptr) {
        arena->text_limit = text + length + 1;
        arena->growth_step = growth_step;
        arena->rules = rules;
        xml_text_names(rules, &arena->names);
    }
    Parser parser(text + length + 1, growth_step, arena, build == XmlBuild::on_demand, rules, facts);
    char* end = parser.run(text, root, false);
    if (facts != nullptr && end < text + length) facts->stopped = true;
    return end;
}

void xml_build_children(XmlNodeRec* node) {
    if (!(node->storage & XML_STORE_DEFERRED)) return;
    const XmlDeferred d = *reinterpret_cast<const XmlDeferred*>(node->children);
    node->storage = static_cast<std::uint8_t>(node->storage & ~XML_STORE_DEFERRED);
    xml_reset_child_slot(node);
    // The content was read once already and found sound: what parsing it meets changes no fact.
    Parser parser(d.arena->text_limit, d.arena->growth_step, d.arena, true, d.arena->rules, nullptr);
    parser.element_content(d.content, node);
}

char* xml_parse(char* text, XmlNodeRec* root, std::int32_t growth_step, std::uint32_t options,
                XmlArena* arena) {
    if (text == nullptr) return text;
    return xml_parse_n(text, std::strlen(text), root, growth_step, options, arena);
}
