// Fuzz target for the XML engine: parse any bytes, walk and check every node, search, edit, write the
// tree to memory, and parse the written text again. Also checks that escaping round-trips, and that the
// text parsed on demand (as it stands and two levels down) gives the tree a whole parse gives, also when
// read by the rules of a known layout.
#include "xml/xml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/xml_same_tree.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Walks every node through the handle interface and checks the tree's links; returns the node count.
std::size_t walk(const XmlNodeHandle& top, const char* pattern) {
    std::size_t count = 0;
    std::vector<XmlNodeHandle> stack{top};
    while (!stack.empty()) {
        XmlNodeHandle h = stack.back();
        stack.pop_back();
        ++count;
        const XmlNodeRec* n = h.node();
        check(n->child_count <= n->child_capacity && n->attribute_count <= n->attribute_capacity);
        if (h.name() != nullptr) {
            (void)std::strlen(h.name());
            (void)matches_pattern(pattern, h.name());
        }
        if (h.value() != nullptr) (void)std::strlen(h.value());
        for (std::uint32_t i = 0; i < h.attribute_count(); ++i) {
            XmlAttrHandle a = h.attribute_at(i);
            check(!a.is_null());
            if (a.name() != nullptr) (void)std::strlen(a.name());
            if (a.value() != nullptr) (void)std::strlen(a.value());
        }
        for (XmlChildIterator it = h.begin(); it != h.end(); ++it) {
            check(it->node()->parent == n);
            stack.push_back(*it);
        }
    }
    return count;
}

// The rules of a reader of a known layout, as the key store reads its file.
const char* const kTextNames[] = {"packet", "email", "t", nullptr};
XmlReadRules LayoutRules() {
    XmlReadRules r;
    r.text_elements = kTextNames;
    r.keep_tag_rest = true;
    r.note_verbatim = true;
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);

    std::string raw(text, size);
    check(xml_unescape(xml_escape(raw)) == raw);

    check(xmltest::WholeAndOnDemandDiffer(text, size).empty());
    const std::string nested = "<r><s>" + raw + "</s></r>";
    check(xmltest::WholeAndOnDemandDiffer(nested.data(), nested.size()).empty());
    // Read by the rules of a layout, content written as it stands where it is exactly what the writer
    // writes: the same tree, facts and text.
    const XmlReadRules rules = LayoutRules();
    check(xmltest::WholeAndOnDemandDiffer(text, size, &rules).empty());
    const std::string entry = "<r>\n\t<s>\n" + raw + "\n\t</s>\n</r>\n";
    check(xmltest::WholeAndOnDemandDiffer(entry.data(), entry.size(), &rules).empty());
    {
        // What such a reader writes reads back as the same tree, and is written the same again.
        XmlParser first;
        first.set_rules(rules);
        if (first.load_from_memory(text, size)) {
            std::string once;
            check(write_to_string(first.root_handle(), once));
            XmlParser second;
            second.set_rules(rules);
            if (second.load_from_memory(once.data(), once.size())) {
                std::string twice;
                check(write_to_string(second.root_handle(), twice));
                if (first.facts().sound()) check(twice == once);
            }
        }
    }

    // The first bytes up to a newline (at most 12) double as a search pattern.
    std::string pattern;
    for (std::size_t i = 0; i < size && i < 12 && text[i] != '\n'; ++i)
        pattern += text[i] != '\0' ? text[i] : '*';

    XmlParser doc;
    if (!doc.load_from_memory(text, size)) return 0;
    XmlNodeHandle root = doc.root_handle();
    walk(root, pattern.c_str());
    (void)root.first_element(pattern.c_str());
    (void)root.first_element_by_attribute("*", pattern.c_str(), "*");
    (void)root.first_element_by_attribute(pattern.c_str(), "*", pattern.c_str());

    std::string first;
    check(write_to_string(root, first));
    // Written in pieces, the text is the same.
    std::string pieces;
    check(write_to_sink(
        root,
        [](void* out, const char* data, std::size_t n) {
            static_cast<std::string*>(out)->append(data, n);
            return true;
        },
        &pieces));
    check(pieces == first);

    // Edit what was parsed: longer and shorter strings, added and erased nodes.
    XmlNodeHandle e = root.first_element("*");
    if (!e.is_null()) {
        e.ensure_attribute("added").set_value(pattern.c_str());
        e.set_name("renamed-with-a-longer-name");
        XmlNodeHandle t = e.append_child(XML_NODE_TEXT);
        t.set_value(raw.c_str());
        if (e.child_count() > 1) e.erase_child(0);
        walk(root, pattern.c_str());
    }
    if (root.child_count() > 1) root.erase_child(static_cast<std::int32_t>(root.child_count() - 1));
    std::string edited;
    check(write_to_string(root, edited));

    XmlParser again;
    if (again.load_from_memory(first.data(), first.size())) {
        walk(again.root_handle(), pattern.c_str());
        std::string second;
        check(write_to_string(again.root_handle(), second));
    }
    return 0;
}
