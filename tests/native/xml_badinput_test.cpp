// Hostile and broken input: the parser never fails and stays inside its buffer, builds no more than its
// levels of a deep text, deep trees are searched and freed without recursion, huge values go through, and
// every tree it builds is sound.
#include "xml/xml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Checks the shape of every node: parent links, counts within capacities, strings terminated where they
// point. Returns the number of nodes below (and including) `top`.
std::size_t check_tree(const XmlNodeRec* top) {
    std::size_t nodes = 0;
    std::vector<const XmlNodeRec*> stack{top};
    while (!stack.empty()) {
        const XmlNodeRec* n = stack.back();
        stack.pop_back();
        ++nodes;
        EXPECT_GE(n->type, XML_NODE_NULL);
        EXPECT_LE(n->type, XML_NODE_NOTATION_DECL);
        EXPECT_LE(n->attribute_count, n->attribute_capacity);
        EXPECT_LE(n->child_count, n->child_capacity);
        if (n->name != nullptr) (void)std::strlen(n->name);
        if (n->value != nullptr) (void)std::strlen(n->value);
        for (std::uint32_t i = 0; i < n->attribute_count; ++i) {
            const XmlAttrRec* a = n->attributes[i];
            if (a->name != nullptr) (void)std::strlen(a->name);
            if (a->value != nullptr) (void)std::strlen(a->value);
        }
        for (std::uint32_t i = 0; i < n->child_count; ++i) {
            EXPECT_EQ(n->children[i]->parent, n);
            stack.push_back(n->children[i]);
        }
    }
    return nodes;
}

// Parse, check, write, parse the written text again and check that too.
void parse_write_parse(const std::string& text) {
    XmlParser doc;
    doc.load_from_memory(text.data(), text.size());
    if (doc.root() == nullptr) return;
    check_tree(doc.root());
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    XmlParser again;
    again.load_from_memory(out.data(), out.size());
    if (again.root() != nullptr) check_tree(again.root());
}

std::uint32_t next(std::uint32_t& x) {
    x = x * 1664525u + 1013904223u;
    return x >> 8;
}

TEST(XmlBadInput, RandomBytes) {
    std::uint32_t x = 7;
    for (int round = 0; round < 300; ++round) {
        std::string text(1 + next(x) % 3000, '\0');
        for (char& c : text)
            c = static_cast<char>(next(x));
        parse_write_parse(text);
    }
}

TEST(XmlBadInput, RandomMarkupSoup) {
    static const char* const kPieces[] = {
        "<",   ">", "/>",  "</",         "<?",        "?>",       "<!--", "-->",  "<![",
        "]]>", "[", "]",   "<!DOCTYPE ", "<!ENTITY ", "'",        "\"",   "=",    " ",
        "\n",  "a", "b:c", "&amp;",      "CDATA[",    "INCLUDE[", "\xe9", "\x01", "x='y'"};
    std::uint32_t x = 99;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        std::size_t pieces = next(x) % 60;
        for (std::size_t i = 0; i < pieces; ++i)
            text += kPieces[next(x) % (sizeof kPieces / sizeof kPieces[0])];
        parse_write_parse(text);
    }
}

TEST(XmlBadInput, EveryTruncationOfAKeyStore) {
    const std::string text =
        "<?xml version='1.0'?><!-- store -->\n<backupdatabase>\n"
        "\t<publickey serial=\"0000ABCD\" name=\"Alice\">\n"
        "\t\t<packet>==== R ====\r\n\r\nTYPE=0000000C\r\n-- BEGIN --\r\nQUJD\r\n</packet>\n"
        "\t\t<email>a@example.org</email>\n\t\t<comment><![CDATA[c]]></comment>\n"
        "\t\t<updates>\n\t\t\t<update serial='0000ABCD0001' name='u' algo='3'>\n"
        "\t\t\t\t<created>01D9A1B2C3D4E5F6</created>\n\t\t\t</update>\n\t\t</updates>\n"
        "\t</publickey>\n</backupdatabase>\n";
    for (std::size_t len = 1; len <= text.size(); ++len) {
        SCOPED_TRACE(len);
        // The document's copy and this buffer are exactly one byte longer than the text: the sanitizers
        // see any read past the terminator.
        XmlParser doc;
        ASSERT_TRUE(doc.load_from_memory(text.data(), len));
        check_tree(doc.root());
        std::vector<char> exact(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(len));
        exact.push_back('\0');
        XmlNodeRec* root = xml_new_node(XML_NODE_DOCUMENT);
        ASSERT_NE(root, nullptr);
        char* end = xml_parse(exact.data(), root);
        EXPECT_EQ(end, exact.data() + len);
        check_tree(root);
        xml_free_tree(root);
    }
}

TEST(XmlBadInput, StrayNulBytesEndTheText) {
    std::string text = "<a><b>one</b>";
    text += '\0';
    text += "<c>two</c></a>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    XmlNodeHandle a = doc.root_handle().child(0);
    EXPECT_EQ(a.child_count(), 1u);
    EXPECT_TRUE(doc.root_handle().first_element("c").is_null());
    EXPECT_EQ(std::string(doc.buffer(), text.size()).find("two"), text.find("two")); // rest untouched
}

TEST(XmlBadInput, UnbalancedTags) {
    const std::string texts[] = {"</a></b></c><d/>", "<a><b><c>", "<a></a></a></a><z/>", "</",
                                 "<a/></a><b>t"};
    for (const std::string& t : texts) {
        SCOPED_TRACE(t);
        parse_write_parse(t);
    }
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory("<a></a></a></a><z/>", 19));
    EXPECT_EQ(doc.root_handle().child_count(), 2u); // the extra end tags leave the cursor at the document
}

constexpr int kDepth = 100000;

// A parse builds XML_MAX_DEPTH levels: the elements below are passed over with everything inside them,
// their end tags counted, and the text after them is read as if they were not there.
TEST(XmlBadInput, HundredThousandNestedElements) {
    std::string text;
    text.reserve(kDepth * 8 + 64);
    for (int i = 0; i < kDepth; ++i)
        text += "<a k='1'>";
    text += "<leaf>deep<!-- c --><?p?><![CDATA[x]]></leaf>";
    for (int i = 0; i < kDepth; ++i)
        text += "</a>";
    text += "<after>t</after>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    // The document node, the levels built and the element after them with its text.
    EXPECT_EQ(check_tree(doc.root()), static_cast<std::size_t>(XML_MAX_DEPTH) + 3);
    EXPECT_EQ(doc.facts().depth, XML_MAX_DEPTH + 1);
    EXPECT_FALSE(doc.facts().sound());
    EXPECT_FALSE(doc.facts().cut) << "every element passed over was closed";
    EXPECT_TRUE(doc.root_handle().first_element("leaf").is_null());
    XmlNodeHandle after = doc.root_handle().child(1);
    ASSERT_STREQ(after.name(), "after");
    EXPECT_STREQ(after.child(0).value(), "t");
    EXPECT_TRUE(doc.root_handle().first_element("missing").is_null());
    EXPECT_TRUE(doc.root_handle().first_element_by_attribute("*", "k", "2").is_null());
    // The deepest level built holds no element.
    XmlNodeHandle deepest = doc.root_handle().child(0);
    for (std::uint32_t level = 1; level < XML_MAX_DEPTH; ++level)
        deepest = deepest.child(0);
    ASSERT_STREQ(deepest.name(), "a");
    EXPECT_EQ(deepest.child_count(), 0u);
    // Written back, it stays within those levels.
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_LT(out.size(), static_cast<std::size_t>(XML_MAX_DEPTH) * XML_MAX_DEPTH * 2);
    // A change deep down makes the whole chain hold heap blocks, so freeing walks all of it.
    ASSERT_TRUE(deepest.append_child(XML_NODE_TEXT).set_value("a value set on the deepest level"));
    ASSERT_TRUE(deepest.append_child(XML_NODE_ELEMENT).set_name("added"));
    // Erasing the top element frees the whole chain.
    XmlNodeHandle top = doc.root_handle();
    top.erase_child(0);
    EXPECT_EQ(top.child_count(), 1u);
}

TEST(XmlBadInput, HundredThousandUnclosedElements) {
    std::string text;
    for (int i = 0; i < kDepth; ++i)
        text += "<n>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    EXPECT_EQ(check_tree(doc.root()), static_cast<std::size_t>(XML_MAX_DEPTH) + 1);
    EXPECT_TRUE(doc.facts().cut);
    EXPECT_EQ(doc.facts().depth, XML_MAX_DEPTH + 1);
}

TEST(XmlBadInput, HundredThousandLevelsBuiltOnTheHeap) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle cur = doc.root_handle();
    for (int i = 0; i < kDepth; ++i) {
        cur = cur.append_child(XML_NODE_ELEMENT);
        ASSERT_FALSE(cur.is_null());
        ASSERT_TRUE(cur.set_name("level"));
    }
    ASSERT_TRUE(cur.append_child(XML_NODE_TEXT).set_value("bottom"));
    EXPECT_TRUE(doc.root_handle().first_element("bottom").is_null()); // searched all the way down
    EXPECT_STREQ(doc.root_handle().first_element("level").child(0).name(), "level");
    // The document's destructor frees the chain without recursion.
}

TEST(XmlBadInput, TenMegabyteValues) {
    const std::size_t kSize = 10 * 1024 * 1024;
    std::string big(kSize, 'v');
    for (std::size_t i = 1000; i < kSize; i += 100000)
        big.replace(i, 3, " \r\n");                                              // runs to collapse
    std::string text = "<a k=\"" + big + "\" m='x'>" + big + "</a><b k='" + big; // the last value never ends
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    XmlNodeHandle a = doc.root_handle().child(0);
    std::size_t runs = (kSize - 1000 + 99999) / 100000;
    std::size_t normalised = kSize - 2 * runs;
    EXPECT_EQ(std::strlen(a.attribute("k").value()), normalised);
    EXPECT_STREQ(a.attribute("m").value(), "x");
    EXPECT_EQ(std::strlen(a.child(0).value()), normalised);
    XmlNodeHandle b = doc.root_handle().child(1);
    EXPECT_EQ(std::strlen(b.attribute("k").value()), normalised);
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_GT(out.size(), 3 * normalised);
    // A long value set through a handle replaces the parsed one.
    std::string other(kSize, 'w');
    ASSERT_TRUE(a.ensure_attribute("k").set_value(other.c_str()));
    EXPECT_EQ(std::strlen(a.attribute("k").value()), kSize);
}

TEST(XmlBadInput, LongNamesAndManyAttributes) {
    std::string name(100000, 'n');
    std::string text = "<" + name;
    for (int i = 0; i < 20000; ++i)
        text += " a" + std::to_string(i) + "=''";
    text += "/>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    XmlNodeHandle e = doc.root_handle().child(0);
    EXPECT_EQ(std::strlen(e.name()), name.size());
    EXPECT_EQ(e.attribute_count(), 20000u);
    EXPECT_STREQ(e.attribute("a19999").value(), "");
}

} // namespace
