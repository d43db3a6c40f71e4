// Reading a file into a parse buffer and writing a tree as indented text.
#include "xml/xml.h"
#include "xml/xml_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Appends to a std::string and, when an output is attached, hands full blocks to it. Once a write fails
// the sink stays failed and ignores everything else.
class Sink {
  public:
    explicit Sink(std::string& out, XmlWriteFn write = nullptr, void* context = nullptr)
        : out_(out), write_(write), context_(context) {}

    bool failed() const { return failed_; }

    void put(const char* text, std::size_t size) {
        if (failed_ || size == 0 || !room_for(size)) return;
        try {
            out_.append(text, size);
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return;
        }
        if (write_ != nullptr && out_.size() >= kBlock) flush();
    }
    void put(const char* text) {
        if (text != nullptr) put(text, std::strlen(text));
    }
    void put(char c) { put(&c, 1); }
    void indent(std::size_t depth) {
        if (failed_ || depth == 0 || !room_for(depth)) return;
        try {
            out_.append(depth, '\t');
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return;
        }
        if (write_ != nullptr && out_.size() >= kBlock) flush();
    }
    void flush() {
        if (write_ == nullptr || failed_ || out_.empty()) return;
        if (!write_(context_, out_.data(), out_.size())) failed_ = true;
        out_.clear();
    }

  private:
    // Makes room for extra more bytes. The text holds packet texts: when the buffer must move, the one
    // it outgrew is wiped, over its whole capacity, before it is released.
    bool room_for(std::size_t extra) {
        std::size_t need = out_.size() + extra;
        if (need <= out_.capacity()) return true;
        try {
            std::string bigger;
            bigger.reserve(need > 2 * out_.capacity() ? need : 2 * out_.capacity());
            bigger.append(out_);
            out_.resize(out_.capacity());
            xml_wipe(&out_[0], out_.size());
            out_.swap(bigger);
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return false;
        }
        return true;
    }

    // Pieces of 1 MiB: a file system call per piece costs little beside its bytes even where each call
    // is dear (64 KiB pieces made writing a 30 MB store under Wine half again as slow as one write).
    static constexpr std::size_t kBlock = 1 << 20;
    std::string& out_;
    XmlWriteFn write_;
    void* context_;
    bool failed_ = false;
};

void put_attributes(Sink& s, const XmlNodeRec* n) {
    for (std::uint32_t i = 0; i < n->attribute_count; ++i) {
        const XmlAttrRec* a = n->attributes[i];
        if (a == nullptr) continue;
        if (a->rest != XML_REST_NONE) {
            // The rest of a start tag, as it stood.
            if (a->rest == XML_REST_SPACED) s.put(' ');
            s.put(a->value);
            continue;
        }
        if (a->name == nullptr) continue;
        s.put(' ');
        s.put(a->name);
        if (a->value != nullptr) {
            s.put("=\"", 2);
            s.put(a->value);
            s.put('"');
        }
    }
}

const char* tag_name(const XmlNodeRec* n) {
    return n->name != nullptr ? n->name : "anonymous";
}

// "<!KEYWORD name value>" of a declaration inside a document type.
void put_declaration(Sink& s, const XmlNodeRec* n, std::size_t depth) {
    s.indent(depth);
    if (n->name != nullptr) {
        switch (n->type) {
        case XML_NODE_ATTLIST_DECL:
            s.put("<!ATTLIST ");
            break;
        case XML_NODE_ELEMENT_DECL:
            s.put("<!ELEMENT ");
            break;
        case XML_NODE_NOTATION_DECL:
            s.put("<!NOTATION ");
            break;
        default:
            s.put("<!ENTITY ");
            break;
        }
        s.put(n->name);
        if (n->value != nullptr) {
            s.put(' ');
            s.put(n->value);
        }
        s.put('>');
    }
    s.put('\n');
}

void put_wrapped(Sink& s, const XmlNodeRec* n, const char* open, const char* close) {
    if (n->value == nullptr) return;
    s.put(open);
    s.put(n->value);
    s.put(close);
}

// Writes one node at `depth`. For an element whose children go on their own lines only the start tag line
// is written and true is returned: the caller writes the children and then the end tag.
bool put_node(Sink& s, const XmlNodeRec* n, std::size_t depth) {
    s.indent(depth);
    switch (n->type) {
    case XML_NODE_ELEMENT: {
        // Content that waits and is exactly what this writer would write for it, written where it was
        // read (at the same depth), goes out as it stands; other content waiting is parsed now.
        const XmlDeferred* d = xml_deferred(n);
        if (d != nullptr && d->verbatim > 0 && xml_level(n) == depth + 1) {
            s.put('<');
            s.put(tag_name(n));
            put_attributes(s, n);
            s.put('>');
            s.put(d->content, d->verbatim);
            s.put("</", 2);
            s.put(tag_name(n));
            s.put(">\n", 2);
            return false;
        }
        xml_ensure_children(const_cast<XmlNodeRec*>(n));
        s.put('<');
        s.put(tag_name(n));
        put_attributes(s, n);
        if (n->child_count == 0 || n->children == nullptr) {
            s.put("/>\n", 3);
            return false;
        }
        const XmlNodeRec* only = n->children[0];
        if (n->child_count == 1 && only != nullptr && only->type == XML_NODE_TEXT) {
            s.put('>');
            s.put(only->value);
            s.put("</", 2);
            s.put(tag_name(n));
            s.put(">\n", 2);
            return false;
        }
        s.put(">\n", 2);
        return true;
    }
    case XML_NODE_PI:
        s.put("<?", 2);
        s.put(tag_name(n));
        put_attributes(s, n);
        s.put("?>", 2);
        break;
    case XML_NODE_TEXT:
        s.put(n->value);
        break;
    case XML_NODE_CDATA:
        put_wrapped(s, n, "<![CDATA[", "]]>");
        break;
    case XML_NODE_COMMENT:
        put_wrapped(s, n, "<!--", "-->");
        break;
    case XML_NODE_INCLUDE:
        put_wrapped(s, n, "<![INCLUDE[", "]]>");
        break;
    case XML_NODE_DOCTYPE:
        s.put("<!DOCTYPE");
        for (std::uint32_t i = 0; i < n->attribute_count; ++i) {
            const XmlAttrRec* a = n->attributes[i];
            if (a == nullptr) continue;
            s.put(' ');
            if (a->name != nullptr) {
                s.put(a->name);
            } else {
                s.put('"');
                s.put(a->value);
                s.put('"');
            }
        }
        if (n->child_count > 0 && n->children != nullptr) {
            s.put("\n[\n", 3);
            for (std::uint32_t i = 0; i < n->child_count && !s.failed(); ++i) {
                const XmlNodeRec* d = n->children[i];
                if (d != nullptr && d->type >= XML_NODE_ENTITY_DECL && d->type <= XML_NODE_NOTATION_DECL)
                    put_declaration(s, d, depth + 1);
            }
            s.put("]>", 2);
        } else if (n->value != nullptr) {
            s.put(" [", 2);
            s.put(n->value);
            s.put("]>", 2);
        } else {
            s.put('>');
        }
        break;
    case XML_NODE_ENTITY_DECL:
    case XML_NODE_ATTLIST_DECL:
    case XML_NODE_ELEMENT_DECL:
    case XML_NODE_NOTATION_DECL:
        put_declaration(s, n, 0); // indent already written
        return false;
    default: // document, null: nothing but the indent
        break;
    }
    s.put('\n');
    return false;
}

// Writes `first` .. `first + count` (an array of siblings) at depth 0 and everything below them, without
// recursion; stops as soon as the sink fails.
bool put_nodes(Sink& s, XmlNodeRec* const* first, std::uint32_t count) {
    struct Frame {
        const XmlNodeRec* node;
        std::uint32_t next;
    };
    Frame* stack = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
    bool ok = true;
    for (std::uint32_t i = 0; i < count && ok && !s.failed(); ++i) {
        const XmlNodeRec* top = first[i];
        if (top == nullptr || !put_node(s, top, 0)) continue;
        size = 0;
        const XmlNodeRec* open = top;
        for (;;) {
            if (open != nullptr) {
                if (size == capacity) {
                    std::size_t cap = capacity == 0 ? 64 : capacity * 2;
                    Frame* grown = static_cast<Frame*>(std::realloc(stack, cap * sizeof(Frame)));
                    if (grown == nullptr) {
                        ok = false;
                        break;
                    }
                    stack = grown;
                    capacity = cap;
                }
                stack[size].node = open;
                stack[size].next = 0;
                ++size;
                open = nullptr;
            }
            if (size == 0 || s.failed()) break;
            Frame& f = stack[size - 1];
            if (f.next < f.node->child_count) {
                const XmlNodeRec* child = f.node->children[f.next++];
                if (child != nullptr && put_node(s, child, size)) open = child;
                continue;
            }
            // All children written: end tag at the element's own depth.
            s.indent(size - 1);
            s.put("</", 2);
            s.put(tag_name(f.node));
            s.put(">\n", 2);
            --size;
        }
    }
    std::free(stack);
    return ok && !s.failed();
}

bool put_tree(Sink& s, const XmlNodeHandle& handle) {
    if (handle.is_null()) return true;
    XmlNodeRec* n = handle.node();
    if (n->type == XML_NODE_DOCUMENT && n->parent == n) {
        if (n->children == nullptr) return true;
        return put_nodes(s, n->children, n->child_count);
    }
    return put_nodes(s, &n, 1);
}

// Grows the read buffer to hold at least `need` bytes, wiping the old block (the file may hold packets).
bool grow_buffer(char*& buffer, std::size_t length, std::size_t& capacity, std::size_t need) {
    if (need <= capacity) return true;
    std::size_t cap = capacity * 2 < need ? need : capacity * 2;
    char* grown = static_cast<char*>(std::malloc(cap));
    if (grown == nullptr) return false;
    if (buffer != nullptr) {
        std::memcpy(grown, buffer, length + 1);
        xml_wipe(buffer, length + 1);
        std::free(buffer);
    }
    buffer = grown;
    capacity = cap;
    return true;
}

} // namespace

bool read_file(const char* path, std::size_t chunk_size, char** text, std::size_t* bytes_read) {
    std::size_t length;
    return xml_read_file(path, chunk_size, text, bytes_read, &length);
}

bool xml_read_file(const char* path, std::size_t chunk_size, char** text, std::size_t* bytes_read,
                   std::size_t* text_length) {
    if (text != nullptr) *text = nullptr;
    if (bytes_read != nullptr) *bytes_read = 0;
    *text_length = 0;
    if (path == nullptr || text == nullptr || chunk_size < 2) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    // The file is read in large blocks, but cut as if it had been read `chunk` bytes at a time: from the
    // first NUL byte of a chunk to the chunk's end nothing is kept. Chunks start at file offsets that
    // are multiples of `chunk`.
    const std::size_t chunk = chunk_size - 1;
    const std::size_t per_read = 1 << 16;
    char* buffer = nullptr;
    std::size_t length = 0; // text kept so far
    std::size_t capacity = 0;
    std::size_t total = 0; // bytes read from the file
    bool cut = false;      // the current chunk met a NUL byte
    std::size_t expected = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0) expected = static_cast<std::size_t>(size);
    }
    std::rewind(f);
    bool ok = grow_buffer(buffer, 0, capacity, expected + 2);
    if (ok) buffer[0] = '\0';
    while (ok) {
        std::size_t room = capacity - 1 - length;
        if (room == 0) {
            if (!grow_buffer(buffer, length, capacity, length + per_read + 1)) {
                ok = false;
                break;
            }
            room = capacity - 1 - length;
        }
        char* at = buffer + length;
        std::size_t n = std::fread(at, 1, room < per_read ? room : per_read, f);
        if (n == 0) break;
        char* src = at;
        char* dst = at;
        for (std::size_t left = n; left > 0;) {
            std::size_t to_boundary = chunk - total % chunk;
            std::size_t size = left < to_boundary ? left : to_boundary;
            if (!cut) {
                const char* nul = static_cast<const char*>(std::memchr(src, 0, size));
                std::size_t keep = nul != nullptr ? static_cast<std::size_t>(nul - src) : size;
                cut = nul != nullptr;
                if (dst != src) std::memmove(dst, src, keep);
                dst += keep;
            }
            src += size;
            left -= size;
            total += size;
            if (total % chunk == 0) cut = false;
        }
        if (dst != src) xml_wipe(dst, static_cast<std::size_t>(src - dst));
        length = static_cast<std::size_t>(dst - buffer);
        buffer[length] = '\0';
    }
    std::fclose(f);
    if (!ok || total == 0) {
        if (buffer != nullptr) {
            xml_wipe(buffer, length + 1);
            std::free(buffer);
        }
        return false;
    }
    *text = buffer;
    if (bytes_read != nullptr) *bytes_read = total;
    *text_length = length;
    return true;
}

bool write_to_sink(const XmlNodeHandle& node, XmlWriteFn write, void* context) {
    if (write == nullptr) return false;
    std::string block;
    bool ok;
    try {
        block.reserve(1 << 12); // grows to about twice a piece for large trees
        Sink s(block, write, context);
        ok = put_tree(s, node);
        s.flush();
        ok = ok && !s.failed();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    try {
        block.resize(block.capacity());
    } catch (const std::bad_alloc&) {
    }
    if (!block.empty()) xml_wipe(&block[0], block.size());
    return ok;
}

bool write_file(const XmlNodeHandle& node, const char* path) {
    if (path == nullptr) return false;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = write_to_sink(
        node,
        [](void* file, const char* data, std::size_t size) {
            return std::fwrite(data, 1, size, static_cast<std::FILE*>(file)) == size;
        },
        f);
    if (std::fflush(f) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

bool write_to_string(const XmlNodeHandle& node, std::string& out) {
    Sink s(out);
    return put_tree(s, node);
}
