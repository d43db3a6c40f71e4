// Handles on the tree: lookups, the wildcard matcher, editing with its storage rule, erasing, iterators,
// and what every operation does on a handle that refers to nothing.
#include "xml/xml.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

XmlNodeHandle parse(XmlParser& doc, const std::string& text) {
    EXPECT_TRUE(doc.load_from_memory(text.data(), text.size()));
    return doc.root_handle();
}

// ---- matches_pattern ----

struct PatternCase {
    const char* pattern;
    const char* text;
    bool match;
};

const PatternCase kPatternCases[] = {
    {"publickey", "publickey", true},
    {"publickey", "publickeys", false},
    {"publickey", "Publickey", false}, // case-sensitive
    {"0000ABCD", "0000abcd", false},
    {"", "", true},
    {"", "a", false},
    {"a", "", false},
    {"*", "", true},
    {"*", "anything", true},
    {"***", "x", true},
    {"a*", "a", true},
    {"a*c", "abbbc", true},
    {"a*c", "abbbd", false},
    {"*b*", "abc", true},
    {"a*b*c", "aXbYbZc", true},
    {"a*b*c", "aXbYc", true},
    {"a*bc", "abcbc", true},
    {"a*bc", "abcbd", false},
    {"?", "x", true},
    {"?", "", false},
    {"??", "x", false},
    {"a?c", "abc", true},
    {"*?", "", false},
    {"[abc]", "b", true},
    {"[abc]", "d", false},
    {"[!abc]", "d", true},
    {"[!abc]", "a", false},
    {"[a-f]x", "dx", true},
    {"[a-f]x", "gx", false},
    {"[0-9A-F][0-9A-F]", "7E", true},
    {"[f-a]", "c", false}, // not a range: 'f', '-', 'a'
    {"[f-a]", "-", true},
    {"[a-]", "-", true},  // right bound ']' : not a range
    {"[]]", "]", true},   // ']' right after '[' is literal
    {"[!]]", "]", false}, // ... and after "[!"
    {"[!]]", "x", true},
    {"[]a]", "a", true},
    {"[abc", "[abc", true}, // no closing ']': a literal '['
    {"[abc", "a", false},
    {"x[", "x[", true},
    {"*[0-9]", "abc7", true},
    {"*[0-9]", "abc", false},
    {"\xe9*", "\xe9t\xe9", true}, // bytes of 128 and above compare as themselves
    {"[\xe0-\xef]", "\xe9", true},
};

TEST(XmlPattern, MatchesTable) {
    for (const auto& c : kPatternCases) {
        EXPECT_EQ(matches_pattern(c.pattern, c.text), c.match)
            << "pattern '" << c.pattern << "' text '" << c.text << "'";
    }
    EXPECT_FALSE(matches_pattern(nullptr, "a"));
    EXPECT_FALSE(matches_pattern("a", nullptr));
}

TEST(XmlPattern, ManyStarsOnLongTextFinishes) {
    std::string text(20000, 'a');
    std::string pattern;
    for (int i = 0; i < 50; ++i)
        pattern += "*a";
    pattern += "*b";
    EXPECT_FALSE(matches_pattern(pattern.c_str(), text.c_str()));
    text += "b";
    EXPECT_TRUE(matches_pattern(pattern.c_str(), text.c_str()));
}

// ---- lookups ----

TEST(XmlLookup, FirstElementSearchesFirstChildSubtreeBeforeSecondChild) {
    XmlParser doc;
    XmlNodeHandle root =
        parse(doc, "<r><first><deep><packet k='inner'/></deep></first><packet k='outer'/></r>");
    XmlNodeHandle r = root.child(0);
    XmlNodeHandle p = r.first_element("packet");
    ASSERT_FALSE(p.is_null());
    EXPECT_STREQ(p.attribute("k").value(), "inner");
    // The context node itself is not a candidate.
    EXPECT_TRUE(r.first_element("r").is_null());
    EXPECT_STREQ(root.first_element("r").name(), "r");
    EXPECT_STREQ(r.first_element("d*").name(), "deep");
    EXPECT_TRUE(r.first_element("nothing").is_null());
    EXPECT_TRUE(r.first_element(nullptr).is_null());
}

TEST(XmlLookup, FirstElementByAttribute) {
    XmlParser doc;
    XmlNodeHandle root =
        parse(doc, "<backupdatabase>"
                   "<publickey serial='00000001' name='a'><update serial='00000002'/></publickey>"
                   "<group><publickey serial='00000002' name='nested'/></group>"
                   "<publickey serial='00000002' name='b'/>"
                   "<publickey name='c' serial='0000000A'/>"
                   "</backupdatabase>");
    XmlNodeHandle db = root.child(0);
    struct {
        const char* name;
        const char* attr;
        const char* value;
        const char* found_name; // null: not found
    } kCases[] = {
        {"publickey", "serial", "00000001", "a"},
        // The first publickey matches by name but not by attribute: its subtree is not searched, so
        // update serial='00000002' is not a candidate; the non-matching <group> is searched.
        {"publickey", "serial", "00000002", "nested"},
        {"publickey", "serial", "0000000A", "c"},
        {"publickey", "serial", "0000000a", nullptr},
        {"publickey", "s*", "0000000?", "a"},
        {"publickey", "name", "b", "b"},
        // "*" also matches <group>, which has no serial: passed over with what it holds.
        {"*", "serial", "00000002", "b"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.attr + " " + c.value);
        XmlNodeHandle h = db.first_element_by_attribute(c.name, c.attr, c.value);
        if (c.found_name == nullptr) {
            EXPECT_TRUE(h.is_null());
        } else {
            ASSERT_FALSE(h.is_null());
            EXPECT_STREQ(h.attribute("name").value(), c.found_name);
        }
    }
    // Looking for "update", the publickey elements do not match by name, so their subtrees are searched.
    XmlNodeHandle u = db.first_element_by_attribute("update", "serial", "00000002");
    ASSERT_FALSE(u.is_null());
    EXPECT_STREQ(u.name(), "update");
    EXPECT_EQ(u.parent().node(), db.child(0).node());
    EXPECT_TRUE(db.first_element_by_attribute(nullptr, "serial", "1").is_null());
    EXPECT_TRUE(db.first_element_by_attribute("publickey", nullptr, "1").is_null());
    EXPECT_TRUE(db.first_element_by_attribute("publickey", "serial", nullptr).is_null());
    EXPECT_TRUE(db.child(3).first_element_by_attribute("*", "*", "*").is_null()); // no children
}

// Reading an attribute never changes the tree; ensure_attribute adds a missing one with an empty value.
TEST(XmlLookup, ReadingNeverAddsEnsuringAddsWithEmptyValue) {
    XmlParser doc;
    XmlNodeHandle a = parse(doc, "<a x='1'/>").child(0);
    EXPECT_TRUE(a.attribute("y").is_null());
    EXPECT_TRUE(a.attribute("y").is_null());
    EXPECT_EQ(a.attribute_count(), 1u);
    std::string read;
    ASSERT_TRUE(write_to_string(doc.root_handle(), read));
    EXPECT_EQ(read, "<a x=\"1\"/>\n");
    XmlAttrHandle y = a.ensure_attribute("y");
    ASSERT_FALSE(y.is_null());
    EXPECT_STREQ(y.name(), "y");
    EXPECT_STREQ(y.value(), "");
    EXPECT_EQ(a.attribute_count(), 2u);
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_EQ(out, "<a x=\"1\" y=\"\"/>\n");
    // An existing attribute is returned, not added again; patterns work here too.
    EXPECT_EQ(a.ensure_attribute("x").record(), a.attribute_at(0).record());
    EXPECT_EQ(a.ensure_attribute("?").record(), a.attribute_at(0).record());
    EXPECT_EQ(a.attribute_count(), 2u);
    EXPECT_TRUE(a.attribute_at(2).is_null());
}

// Lookups compare names and values against literals of every length, also where a name or value ends
// at the very end of readable memory (the page after it is not readable): equal only when equal, and
// nothing past the text's terminator is read beyond its page.
TEST(XmlLookup, LiteralsOfEveryLengthUpToTheEndOfReadableMemory) {
    const long page = sysconf(_SC_PAGESIZE);
    char* mem = static_cast<char*>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(mem, MAP_FAILED);
    ASSERT_EQ(mprotect(mem + page, page, PROT_NONE), 0);
    char* const end = mem + page; // first byte that cannot be read
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle root = doc.root_handle();
    XmlNodeHandle parent = root.append_child(XML_NODE_ELEMENT);
    XmlNodeHandle e = parent.append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(e.set_name("x"));
    ASSERT_TRUE(e.ensure_attribute("k").set_value("x"));
    XmlNodeRec* rec = e.node();
    XmlAttrRec* attr = e.attribute_at(0).record();
    char* const name_before = rec->name;
    char* const value_before = attr->value;
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    for (std::size_t length = 0; length <= 20; ++length) {
        const std::string text = letters.substr(0, length);
        for (std::size_t slack = 0; slack < 40; ++slack) {
            // The text and its terminator end `slack` bytes before the unreadable page.
            char* at = end - slack - length - 1;
            std::memcpy(at, text.c_str(), length + 1);
            rec->name = at;
            attr->value = at;
            SCOPED_TRACE(std::to_string(length) + " characters, " + std::to_string(slack) +
                         " bytes before the end");
            EXPECT_EQ(parent.first_element(text.c_str()).node(), rec);
            EXPECT_EQ(parent.first_element_by_attribute(text.c_str(), "k", text.c_str()).node(), rec);
            EXPECT_EQ(e.attribute("k").record(), attr);
            std::string longer = text + "z", shorter = length ? text.substr(0, length - 1) : "z";
            std::string other = text;
            if (length) other[length - 1] = 'Z';
            for (const std::string& miss : {longer, shorter, other}) {
                if (miss == text) continue;
                EXPECT_TRUE(parent.first_element(miss.c_str()).is_null()) << miss;
                EXPECT_TRUE(parent.first_element_by_attribute(text.c_str(), "k", miss.c_str()).is_null())
                    << miss;
            }
        }
    }
    rec->name = name_before;
    attr->value = value_before;
    munmap(mem, 2 * page);
}

TEST(XmlLookup, ChildAndParent) {
    XmlParser doc;
    XmlNodeHandle root = parse(doc, "<a><b/><c/></a>");
    XmlNodeHandle a = root.child(0);
    EXPECT_STREQ(a.child(1).name(), "c");
    EXPECT_TRUE(a.child(2).is_null());
    EXPECT_TRUE(a.child(0xFFFFFFFFu).is_null());
    EXPECT_EQ(a.child(1).parent().node(), a.node());
    EXPECT_EQ(a.parent().node(), root.node());
    EXPECT_TRUE(root.parent().is_null());
}

TEST(XmlLookup, NullHandleAnswersNullEverywhere) {
    XmlNodeHandle none;
    EXPECT_TRUE(none.is_null());
    ASSERT_NE(none.node(), nullptr);
    EXPECT_EQ(none.node()->parent, none.node());
    EXPECT_EQ(none.type(), XML_NODE_NULL);
    EXPECT_TRUE(none.child(0).is_null());
    EXPECT_TRUE(none.first_element("*").is_null());
    EXPECT_TRUE(none.first_element_by_attribute("*", "*", "*").is_null());
    EXPECT_TRUE(none.ensure_attribute("x").is_null());
    EXPECT_TRUE(none.attribute("x").is_null());
    EXPECT_TRUE(none.attribute_at(0).is_null());
    EXPECT_TRUE(none.append_child(XML_NODE_ELEMENT).is_null());
    EXPECT_FALSE(none.set_name("x"));
    EXPECT_FALSE(none.set_value("x"));
    EXPECT_TRUE(none.parent().is_null());
    EXPECT_EQ(none.node()->attribute_count, 0u);
    EXPECT_EQ(none.node()->child_count, 0u);
    XmlChildIterator it = none.erase_child(0);
    EXPECT_TRUE(it.out_of_range());
    EXPECT_TRUE((*it).is_null());
    EXPECT_FALSE(none.begin() != none.end());
    XmlAttrHandle no_attr;
    EXPECT_EQ(no_attr.value(), nullptr);
    EXPECT_FALSE(no_attr.set_value("v"));
    XmlNodeHandle from_null(nullptr);
    EXPECT_TRUE(from_null.is_null());
    EXPECT_TRUE(XmlParser().root_handle().is_null());
}

// A null handle outlives the handle it was copied from: every one shows the same constant empty node.
TEST(XmlLookup, NullHandlesShowOneConstantEmptyNode) {
    XmlNodeHandle b, c;
    {
        XmlNodeHandle a;
        b = a;
        c = XmlNodeHandle(a);
    }
    for (const XmlNodeHandle& h : {b, c, XmlNodeHandle(nullptr)}) {
        EXPECT_TRUE(h.is_null());
        EXPECT_EQ(h.node(), &xml_empty_node);
        EXPECT_EQ(h.node()->parent, h.node());
        EXPECT_EQ(h.child_count(), 0u);
        EXPECT_EQ(h.node()->children, nullptr);
    }
}

// ---- editing ----

TEST(XmlEdit, AppendChildOnlyOnDocumentAndElements) {
    XmlParser doc;
    XmlNodeHandle root = parse(doc, "<a>t<!--c--></a><?p?>");
    XmlNodeHandle a = root.child(0);
    XmlNodeHandle text = a.child(0);
    ASSERT_EQ(text.type(), XML_NODE_TEXT);
    EXPECT_TRUE(text.append_child(XML_NODE_ELEMENT).is_null());
    EXPECT_TRUE(a.child(1).append_child(XML_NODE_TEXT).is_null());    // comment
    EXPECT_TRUE(root.child(1).append_child(XML_NODE_TEXT).is_null()); // processing instruction
    EXPECT_EQ(text.child_count(), 0u);
    EXPECT_TRUE(a.append_child(13).is_null());
    EXPECT_EQ(a.child_count(), 2u);

    XmlNodeHandle e = a.append_child(XML_NODE_ELEMENT);
    ASSERT_FALSE(e.is_null());
    EXPECT_EQ(a.child_count(), 3u);
    EXPECT_EQ(a.child(2).node(), e.node());
    EXPECT_EQ(e.node()->parent, a.node());
    EXPECT_EQ(e.name(), nullptr);
    XmlNodeHandle top = root.append_child(XML_NODE_COMMENT);
    EXPECT_EQ(root.child(2).node(), top.node());
    // A document node below another node is not a root: nothing can be appended to it.
    XmlNodeHandle inner_doc = e.append_child(XML_NODE_DOCUMENT);
    ASSERT_FALSE(inner_doc.is_null());
    EXPECT_TRUE(inner_doc.append_child(XML_NODE_ELEMENT).is_null());
}

TEST(XmlEdit, AppendChildGrowsArrayByOneSlot) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle e = doc.root_handle().append_child(XML_NODE_ELEMENT);
    for (std::uint32_t i = 1; i <= 5; ++i) {
        e.append_child(XML_NODE_TEXT);
        EXPECT_EQ(e.node()->child_capacity, i);
    }
}

TEST(XmlEdit, SetNameAndValueOnlyOnTheirNodeTypes) {
    XmlParser doc;
    XmlNodeHandle root = parse(doc, "<e>t</e><![CDATA[d]]><!--c--><?p?><![INCLUDE[i]]><!DOCTYPE x>");
    struct {
        std::uint32_t index;
        bool name_ok;
        bool value_ok;
    } kCases[] = {{0, true, false}, {1, false, true},  {2, false, true},
                  {3, true, false}, {4, false, false}, {5, false, false}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.index);
        XmlNodeHandle n = root.child(c.index);
        EXPECT_EQ(n.set_name("nm"), c.name_ok);
        EXPECT_EQ(n.set_value("val"), c.value_ok);
        EXPECT_FALSE(n.set_name(nullptr));
        EXPECT_FALSE(n.set_value(nullptr));
    }
    EXPECT_TRUE(root.child(0).child(0).set_value("text"));
    EXPECT_FALSE(root.set_name("doc"));
    std::string out;
    ASSERT_TRUE(write_to_string(root, out));
    EXPECT_EQ(out, "<nm>text</nm>\n<![CDATA[val]]>\n<!--val-->\n<?nm?>\n<![INCLUDE[i]]>\n<!DOCTYPE x>\n");
}

TEST(XmlEdit, ShorterTextIsCopiedInPlaceLongerGetsAHeapCopy) {
    XmlParser doc;
    XmlNodeHandle root = parse(doc, "<element k='value'>some text</element>");
    XmlNodeHandle e = root.child(0);
    XmlNodeHandle t = e.child(0);
    XmlAttrHandle k = e.attribute("k");

    const char* name_storage = e.name();
    ASSERT_TRUE(e.set_name("elem"));
    EXPECT_EQ(e.name(), name_storage); // same storage, still in the parse buffer
    EXPECT_TRUE(e.node()->name_in_buffer);
    EXPECT_STREQ(e.name(), "elem");

    ASSERT_TRUE(e.set_name("a much longer element name"));
    EXPECT_NE(e.name(), name_storage);
    EXPECT_FALSE(e.node()->name_in_buffer);
    const char* owned = e.name();
    ASSERT_TRUE(e.set_name("short"));
    EXPECT_EQ(e.name(), owned); // the owned copy is reused
    EXPECT_FALSE(e.node()->name_in_buffer);

    const char* value_storage = t.value();
    ASSERT_TRUE(t.set_value("same text")); // equal length
    EXPECT_EQ(t.value(), value_storage);
    ASSERT_TRUE(t.set_value("longer text than before"));
    EXPECT_FALSE(t.node()->value_in_buffer);

    const char* attr_storage = k.value();
    ASSERT_TRUE(k.set_value("v2"));
    EXPECT_EQ(k.value(), attr_storage);
    ASSERT_TRUE(k.set_value("a longer attribute value"));
    EXPECT_FALSE(k.record()->value_in_buffer);
    EXPECT_FALSE(k.set_value(nullptr));
    EXPECT_STREQ(k.value(), "a longer attribute value");

    // The caller's strings may go away at once: the tree keeps its own copies.
    {
        std::string temp = "value from a temporary string";
        ASSERT_TRUE(t.set_value(temp.c_str()));
    }
    std::string out;
    ASSERT_TRUE(write_to_string(root, out));
    EXPECT_EQ(out, "<short k=\"a longer attribute value\">value from a temporary string</short>\n");
}

TEST(XmlEdit, AttributeHandleWithoutOwnerCannotGrowParsedValue) {
    XmlParser doc;
    XmlNodeHandle e = parse(doc, "<e k='value'/>").child(0);
    XmlAttrHandle bare(e.attribute("k").record(), nullptr);
    EXPECT_FALSE(bare.set_value("a value longer than the parsed one"));
    EXPECT_STREQ(bare.value(), "value");
    EXPECT_TRUE(bare.set_value("v2"));
    EXPECT_STREQ(e.attribute("k").value(), "v2");
}

TEST(XmlEdit, ValueMayComeFromTheNodeItself) {
    XmlParser doc;
    XmlNodeHandle t = parse(doc, "<a>abcdef</a>").child(0).child(0);
    ASSERT_TRUE(t.set_value(t.value() + 2)); // overlapping source
    EXPECT_STREQ(t.value(), "cdef");
}

TEST(XmlEdit, NewNodesOwnTheirStrings) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle e = doc.root_handle().append_child(XML_NODE_ELEMENT);
    EXPECT_FALSE(e.node()->name_in_buffer);
    ASSERT_TRUE(e.set_name("email"));
    EXPECT_FALSE(e.node()->name_in_buffer);
    XmlNodeHandle t = e.append_child(XML_NODE_TEXT);
    ASSERT_TRUE(t.set_value("someone@example.org"));
    ASSERT_TRUE(e.ensure_attribute("kind").set_value("work"));
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_EQ(out, "<email kind=\"work\">someone@example.org</email>\n");
}

TEST(XmlEdit, EraseChildRemovesAndFreesSubtree) {
    XmlParser doc;
    XmlNodeHandle root = parse(doc, "<db><k serial='1'><u/><u/></k><k serial='2'/><k serial='3'/></db>");
    XmlNodeHandle db = root.child(0);
    // Heap nodes and owned strings inside the subtree that goes: the sanitizers report any leak.
    XmlNodeHandle k1 = db.child(0);
    XmlNodeHandle added = k1.append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(added.set_name("added"));
    ASSERT_TRUE(added.append_child(XML_NODE_TEXT).set_value("owned text that is long"));
    ASSERT_TRUE(added.ensure_attribute("a").set_value("owned attribute value"));
    ASSERT_TRUE(k1.attribute("serial").set_value("a longer serial value"));

    XmlChildIterator it = db.erase_child(0);
    EXPECT_EQ(it.position(), 0);
    EXPECT_EQ(it.parent_node(), db.node());
    ASSERT_EQ(db.child_count(), 2u);
    EXPECT_STREQ(db.child(0).attribute("serial").value(), "2");
    EXPECT_STREQ(db.child(1).attribute("serial").value(), "3");
    EXPECT_STREQ((*it).attribute("serial").value(), "2");

    db.erase_child(1);
    ASSERT_EQ(db.child_count(), 1u);
    db.erase_child(1); // beyond the count: nothing
    db.erase_child(-1);
    ASSERT_EQ(db.child_count(), 1u);
    db.erase_child(0);
    EXPECT_EQ(db.child_count(), 0u);
    std::string out;
    ASSERT_TRUE(write_to_string(root, out));
    EXPECT_EQ(out, "<db/>\n");
}

TEST(XmlEdit, EraseChildOfHeapBuiltTree) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle db = doc.root_handle().append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(db.set_name("backupdatabase"));
    for (int i = 0; i < 3; ++i) {
        XmlNodeHandle k = db.append_child(XML_NODE_ELEMENT);
        ASSERT_TRUE(k.set_name("publickey"));
        ASSERT_TRUE(k.ensure_attribute("serial").set_value(std::to_string(i).c_str()));
        XmlNodeHandle p = k.append_child(XML_NODE_ELEMENT);
        ASSERT_TRUE(p.set_name("packet"));
        ASSERT_TRUE(p.append_child(XML_NODE_TEXT).set_value("packet text"));
    }
    db.erase_child(1);
    ASSERT_EQ(db.child_count(), 2u);
    EXPECT_STREQ(db.child(1).attribute("serial").value(), "2");
}

// ---- iterators ----

TEST(XmlIterator, WalksChildrenInOrder) {
    XmlParser doc;
    XmlNodeHandle a = parse(doc, "<a><b/><c/><d/></a>").child(0);
    std::string names;
    for (XmlChildIterator it = a.begin(); it != a.end(); ++it)
        names += it->name();
    EXPECT_EQ(names, "bcd");
    names.clear();
    for (XmlNodeHandle h : a)
        names += h.name();
    EXPECT_EQ(names, "bcd");

    XmlChildIterator it = a.begin();
    XmlChildIterator end = a.end();
    EXPECT_TRUE(it.has_children());
    EXPECT_TRUE(it < end && it <= end && end > it && end >= it && !(it == end));
    EXPECT_EQ(end.position(), 3);
    EXPECT_TRUE(end.out_of_range());
    EXPECT_TRUE((*end).is_null());
    --end;
    EXPECT_STREQ((*end).name(), "d");
    it.set_position(-1);
    EXPECT_TRUE(it.out_of_range());
    EXPECT_TRUE((*it).is_null());
    it.assign(end);
    EXPECT_EQ(it.position(), 2);
    EXPECT_TRUE(it == end);

    XmlNodeHandle leaf = a.child(0);
    EXPECT_FALSE(leaf.begin().has_children());
    EXPECT_TRUE(leaf.begin().out_of_range());
    EXPECT_FALSE(leaf.begin() != leaf.end());
}

} // namespace
