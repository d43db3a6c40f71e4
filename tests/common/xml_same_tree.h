// A text parsed whole and the same text parsed on demand, compared node by node through the handles
// (which build the on-demand tree as they go): used by the native tests and the XML fuzz target.
#ifndef ZRPC_TESTS_XML_SAME_TREE_H
#define ZRPC_TESTS_XML_SAME_TREE_H

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "xml/xml.h"

namespace xmltest {

// A heap copy of size bytes with a terminator, as load_from_heap_buffer takes it.
inline char* HeapText(const char* data, std::size_t size) {
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (copy == nullptr) return nullptr;
    if (size > 0) std::memcpy(copy, data, size);
    copy[size] = '\0';
    return copy;
}

inline bool SameText(const char* a, const char* b) {
    return (a == nullptr || b == nullptr) ? a == b : std::strcmp(a, b) == 0;
}

// Empty when both trees are the same (types, names, values, attributes, their ownership flags, the
// children's count as the handles report it before and after the children are made); else where they
// part.
inline std::string Difference(const XmlNodeHandle& whole, const XmlNodeHandle& lazy) {
    std::vector<std::pair<XmlNodeHandle, XmlNodeHandle>> stack{{whole, lazy}};
    std::string path;
    while (!stack.empty()) {
        XmlNodeHandle a = stack.back().first, b = stack.back().second;
        stack.pop_back();
        const XmlNodeRec *x = a.node(), *y = b.node();
        const std::string at = std::string(" at ") + (x->name ? x->name : "(no name)");
        if (x->type != y->type) return "type" + at;
        if (!SameText(x->name, y->name) || x->name_in_buffer != y->name_in_buffer) return "name" + at;
        if (!SameText(x->value, y->value) || x->value_in_buffer != y->value_in_buffer) return "value" + at;
        if (x->attribute_count != y->attribute_count) return "attribute count" + at;
        for (std::uint32_t i = 0; i < x->attribute_count; ++i) {
            const XmlAttrRec *p = x->attributes[i], *q = y->attributes[i];
            if (!SameText(p->name, q->name) || !SameText(p->value, q->value) ||
                p->name_in_buffer != q->name_in_buffer || p->value_in_buffer != q->value_in_buffer ||
                p->rest != q->rest)
                return "attribute " + std::to_string(i) + at;
        }
        const std::uint32_t promised = b.child_count();
        if (a.child_count() != promised) return "child count" + at;
        for (std::uint32_t i = a.child_count(); i-- > 0;) {
            XmlNodeHandle ca = a.child(i), cb = b.child(i);
            if (ca.is_null() != cb.is_null()) return "child " + std::to_string(i) + at;
            if (cb.parent().node() != y) return "parent of child " + std::to_string(i) + at;
            stack.push_back({ca, cb});
        }
        if (y->child_count != promised) return "children made" + at;
    }
    return std::string();
}

inline std::string FactsDiffer(const XmlParseFacts& a, const XmlParseFacts& b) {
    if (a.cut != b.cut) return "facts: cut";
    if (a.stray != b.stray) return "facts: stray";
    if (a.declarations != b.declarations) return "facts: declarations";
    if (a.outside_text != b.outside_text) return "facts: outside text";
    if (a.loose_tag != b.loose_tag) return "facts: loose tag";
    if (a.quote_in_value != b.quote_in_value) return "facts: quote in value";
    if (a.stopped != b.stopped) return "facts: stopped";
    if (a.depth != b.depth) return "facts: depth";
    return std::string();
}

// Parses text both ways (with the rules, when given) and compares the trees, the facts, where parsing
// stopped, the text buffers once every node is made (the in-place writes are the same) and the written
// text: that of the whole tree, of the tree built on demand once every node is made, and of a tree
// built on demand written before anything was asked for (with note_verbatim, content that waits goes
// out as it stands). Empty when all agree.
inline std::string WholeAndOnDemandDiffer(const char* data, std::size_t size,
                                          const XmlReadRules* rules = nullptr) {
    XmlParser whole, lazy, unread;
    if (rules != nullptr) {
        whole.set_rules(*rules);
        lazy.set_rules(*rules);
        unread.set_rules(*rules);
    }
    char* a = HeapText(data, size);
    char* b = HeapText(data, size);
    char* c = HeapText(data, size);
    if (a == nullptr || b == nullptr || c == nullptr) {
        std::free(a);
        std::free(b);
        std::free(c);
        return std::string();
    }
    bool okA = whole.load_from_heap_buffer(a, size, XmlBuild::whole);
    bool okB = lazy.load_from_heap_buffer(b, size, XmlBuild::on_demand);
    bool okC = unread.load_from_heap_buffer(c, size, XmlBuild::on_demand);
    if (okA != okB || okA != okC) return "load result";
    if (!okA) return std::string();
    if (whole.end_position() - whole.buffer() != lazy.end_position() - lazy.buffer()) return "end position";
    std::string why = FactsDiffer(whole.facts(), lazy.facts());
    if (!why.empty()) return why;
    why = Difference(whole.root_handle(), lazy.root_handle());
    if (!why.empty()) return why;
    if (std::memcmp(whole.buffer(), lazy.buffer(), size + 1) != 0) return "buffer bytes";
    std::string textA, textB, textC;
    if (!write_to_string(whole.root_handle(), textA) || !write_to_string(lazy.root_handle(), textB) ||
        !write_to_string(unread.root_handle(), textC))
        return "writing";
    if (textA != textB) return "written text";
    return textA == textC ? std::string() : "written text before anything was asked for";
}

} // namespace xmltest

#endif
