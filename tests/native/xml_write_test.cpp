// The writer's byte layout, reading files in chunks with the NUL cut, the escape helpers, and a key
// store document that goes to disk and back.
#include "xml/xml.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("zrpc_xml_write_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    static void put(const std::string& path, const std::string& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
    }
    static std::string get(const std::string& path) {
        std::string bytes;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr) return "<missing>";
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
        return bytes;
    }
    fs::path dir_;
};

std::string written(const XmlNodeHandle& h) {
    std::string out;
    EXPECT_TRUE(write_to_string(h, out));
    return out;
}

std::string rewrite(const std::string& text) {
    XmlParser doc;
    EXPECT_TRUE(doc.load_from_memory(text.data(), text.size()));
    return written(doc.root_handle());
}

// Pre-order dump of a tree for comparisons.
std::string dump(const XmlNodeHandle& top) {
    std::string out;
    std::vector<std::pair<const XmlNodeRec*, int>> stack{{top.node(), 0}};
    while (!stack.empty()) {
        auto [n, depth] = stack.back();
        stack.pop_back();
        out += std::to_string(depth) + ":" + std::to_string(n->type) + ":" + (n->name ? n->name : "-");
        for (std::uint32_t i = 0; i < n->attribute_count; ++i)
            out += std::string(" ") + (n->attributes[i]->name ? n->attributes[i]->name : "-") + "=" +
                   (n->attributes[i]->value ? n->attributes[i]->value : "-");
        out += std::string("|") + (n->value ? n->value : "-") + "\n";
        for (std::uint32_t i = n->child_count; i-- > 0;)
            stack.push_back({n->children[i], depth + 1});
    }
    return out;
}

// ---- layout ----

struct LayoutCase {
    const char* name;
    std::string text;
    std::string expected;
};

class WriterLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(WriterLayout, WritesExactBytes) {
    EXPECT_EQ(rewrite(GetParam().text), GetParam().expected);
}

const LayoutCase kLayoutCases[] = {
    {"EmptyStore", "<backupdatabase></backupdatabase>", "<backupdatabase/>\n"},
    {"ElementWithSingleTextOnOneLine", "<email> someone </email>", "<email>someone</email>\n"},
    {"ElementWithOtherChildrenIndentsByTabs", "<a x='1'><b>t</b><c><d/></c></a>",
     "<a x=\"1\">\n\t<b>t</b>\n\t<c>\n\t\t<d/>\n\t</c>\n</a>\n"},
    {"ElementAndTextEachOnOwnLine", "<a><b/>text</a>", "<a>\n\t<b/>\n\ttext\n</a>\n"},
    {"ElementWithSingleCdataIsNotOneLine", "<a><![CDATA[x]]></a>", "<a>\n\t<![CDATA[x]]>\n</a>\n"},
    {"ProcessingInstruction", "<?xml version='1.0' encoding=\"x\"?>",
     "<?xml version=\"1.0\" encoding=\"x\"?>\n"},
    {"Comment", "<a><!-- note --></a>", "<a>\n\t<!--note-->\n</a>\n"},
    {"IncludeSection", "<![INCLUDE[ inc ]]>", "<![INCLUDE[inc]]>\n"},
    {"DoctypeWithoutSubset", "<!DOCTYPE html PUBLIC '-//x' \"y z\">",
     "<!DOCTYPE html PUBLIC \"-//x\" \"y z\">\n"},
    {"DoctypeWithDeclarations",
     "<!DOCTYPE d [<!ENTITY e 'v'><!-- skipped --><!ELEMENT a  (b)><!ATTLIST a k CDATA #IMPLIED>"
     "<!NOTATION n SYSTEM 'z'><!ENTITY % pe 'x'>]>",
     "<!DOCTYPE d\n[\n\t<!ENTITY e 'v'>\n\t<!ELEMENT a (b)>\n\t<!ATTLIST a k CDATA #IMPLIED>\n"
     "\t<!NOTATION n SYSTEM 'z'>\n\t\n]>\n"},
    {"DoctypeWithSubsetWithoutDeclarations", "<!DOCTYPE d [ junk ]>", "<!DOCTYPE d [ junk ]>\n"},
    {"DeclarationWithoutValue", "<!DOCTYPE d [<!ELEMENT a>]>", "<!DOCTYPE d\n[\n\t<!ELEMENT a>\n]>\n"},
    {"NothingEscaped", "<a k='&amp;&lt;'>&gt;&#65;</a>", "<a k=\"&amp;&lt;\">&gt;&#65;</a>\n"},
    {"QuoteInsideSingleQuotedValueWrittenRaw", "<a k='say \"x\"'/>", "<a k=\"say \"x\"\"/>\n"},
    {"TopLevelNodesInOrder", "<?p?><!--c--><a/><b/>", "<?p?>\n<!--c-->\n<a/>\n<b/>\n"},
};

INSTANTIATE_TEST_SUITE_P(Xml, WriterLayout, ::testing::ValuesIn(kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& i) {
                             return std::string(i.param.name);
                         });

TEST(XmlWriter, NodesWithoutNamesOrValues) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle root = doc.root_handle();
    XmlNodeHandle a = root.append_child(XML_NODE_ELEMENT); // no name: "anonymous"
    a.append_child(XML_NODE_TEXT);                         // null value: only the indent
    a.append_child(XML_NODE_CDATA);
    a.append_child(XML_NODE_COMMENT);
    a.append_child(XML_NODE_INCLUDE);
    a.append_child(XML_NODE_PI);
    a.append_child(XML_NODE_ELEMENT).append_child(XML_NODE_TEXT); // one text child with null value
    a.append_child(XML_NODE_DOCUMENT);                            // a document below an element
    a.append_child(XML_NODE_NULL);
    a.append_child(XML_NODE_ENTITY_DECL); // declaration without name
    a.append_child(XML_NODE_DOCTYPE);
    EXPECT_EQ(written(root), "<anonymous>\n"
                             "\t\n"
                             "\t\n"
                             "\t\n"
                             "\t\n"
                             "\t<?anonymous?>\n"
                             "\t<anonymous></anonymous>\n"
                             "\t\n"
                             "\t\n"
                             "\t\n"
                             "\t<!DOCTYPE>\n"
                             "</anonymous>\n");
}

TEST(XmlWriter, AttributesWithoutValueOrName) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle e = doc.root_handle().append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(e.set_name("e"));
    ASSERT_TRUE(e.ensure_attribute("k").set_value("v"));
    XmlAttrRec* flag = e.ensure_attribute("flag").record();
    ASSERT_NE(flag, nullptr);
    std::free(flag->value); // an attribute without value is written as its bare name
    flag->value = nullptr;
    XmlAttrRec* nameless = e.ensure_attribute("gone").record();
    std::free(nameless->name); // an attribute without name is left out
    nameless->name = nullptr;
    EXPECT_EQ(written(doc.root_handle()), "<e k=\"v\" flag/>\n");
}

TEST(XmlWriter, SubtreeIsWrittenFromDepthZero) {
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory("<a><b><c>t</c><d/></b></a>", 26));
    XmlNodeHandle b = doc.root_handle().first_element("b");
    EXPECT_EQ(written(b), "<b>\n\t<c>t</c>\n\t<d/>\n</b>\n");
    EXPECT_EQ(written(b.child(0).child(0)), "t\n");
    EXPECT_EQ(written(XmlNodeHandle()), "");
}

TEST(XmlWriter, LineBreaksInValuesAreWrittenAndCollapseOnReading) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle p = doc.root_handle().append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(p.set_name("packet"));
    ASSERT_TRUE(p.append_child(XML_NODE_TEXT).set_value("line one\r\nline two\r\n"));
    std::string out = written(doc.root_handle());
    EXPECT_EQ(out, "<packet>line one\r\nline two\r\n</packet>\n");
    EXPECT_EQ(rewrite(out), "<packet>line one line two</packet>\n");
}

// ---- pieces ----

// A document of some megabytes comes out in pieces of about 1 MiB that together are exactly the
// text write_to_string makes; an output that refuses a piece stops the writing with false.
TEST(XmlSink, PiecesJoinToTheWholeTextAndARefusalStops) {
    std::string text = "<backupdatabase>";
    for (int i = 0; i < 30000; ++i)
        text += "<publickey serial=\"" + std::to_string(10000000 + i) + "\" name=\"k\"><packet>" +
                std::string(80, 'A' + i % 26) + "</packet></publickey>";
    text += "</backupdatabase>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    struct Output {
        std::string joined;
        std::vector<std::size_t> pieces;
        std::size_t refuseAt = SIZE_MAX;
    };
    auto take = [](void* context, const char* data, std::size_t size) {
        Output& out = *static_cast<Output*>(context);
        if (out.pieces.size() == out.refuseAt) return false;
        out.pieces.push_back(size);
        out.joined.append(data, size);
        return true;
    };
    Output all;
    ASSERT_TRUE(write_to_sink(doc.root_handle(), take, &all));
    EXPECT_EQ(all.joined, written(doc.root_handle()));
    ASSERT_GT(all.pieces.size(), 2u);
    for (std::size_t i = 0; i + 1 < all.pieces.size(); ++i) {
        EXPECT_GE(all.pieces[i], 1u << 20);
        EXPECT_LT(all.pieces[i], (1u << 20) + 200);
    }
    Output refusing;
    refusing.refuseAt = 1;
    EXPECT_FALSE(write_to_sink(doc.root_handle(), take, &refusing));
    EXPECT_EQ(refusing.pieces.size(), 1u) << "nothing is offered after a refusal";
    EXPECT_FALSE(write_to_sink(doc.root_handle(), nullptr, nullptr));
}

// ---- files ----

using XmlFile = TempDir;

TEST_F(XmlFile, WriteFileWritesBytesAsLaidOut) {
    XmlParser doc;
    const std::string text = "<backupdatabase><publickey serial=\"0000ABCD\" name=\"n\"><email>e</email>"
                             "<comment>c</comment></publickey></backupdatabase>";
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    std::string p = path("KeyStore.xml");
    ASSERT_TRUE(write_file(doc.root_handle(), p.c_str()));
    EXPECT_EQ(get(p), "<backupdatabase>\n\t<publickey serial=\"0000ABCD\" name=\"n\">\n\t\t<email>e</email>\n"
                      "\t\t<comment>c</comment>\n\t</publickey>\n</backupdatabase>\n");
    // Writing again truncates.
    ASSERT_TRUE(doc.new_document());
    ASSERT_TRUE(doc.root_handle().append_child(XML_NODE_ELEMENT).set_name("backupdatabase"));
    ASSERT_TRUE(write_file(doc.root_handle(), p.c_str()));
    EXPECT_EQ(get(p), "<backupdatabase/>\n");
    // A null handle gives an empty file.
    ASSERT_TRUE(write_file(XmlNodeHandle(), p.c_str()));
    EXPECT_EQ(get(p), "");
}

TEST_F(XmlFile, WriteFileFailsWhenFileCannotBeCreated) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    EXPECT_FALSE(write_file(doc.root_handle(), path("no/such/folder/x.xml").c_str()));
    EXPECT_FALSE(write_file(doc.root_handle(), dir_.string().c_str())); // a folder
    EXPECT_FALSE(write_file(doc.root_handle(), nullptr));
}

TEST_F(XmlFile, WriteFileReportsFailedWrites) {
    // A device that accepts the open but refuses every byte: the caller must not take the file as written.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no device that refuses writes here";
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle e = doc.root_handle().append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(e.set_name("backupdatabase"));
    EXPECT_FALSE(write_file(doc.root_handle(), "/dev/full"));
}

struct ChunkCase {
    const char* name;
    std::size_t size;
    std::vector<std::size_t> nuls;
    std::size_t chunk_size;
};

// The rule: the file is taken in pieces of chunk_size - 1 bytes and each piece keeps its bytes up to its
// first NUL.
std::string expected_text(const std::string& bytes, std::size_t chunk_size) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += chunk_size - 1) {
        std::string piece = bytes.substr(at, chunk_size - 1);
        out += piece.substr(0, piece.find('\0'));
    }
    return out;
}

class ReadFileChunks : public TempDir, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ReadFileChunks, CutsEachChunkAtItsFirstNul) {
    const ChunkCase& c = GetParam();
    std::string bytes;
    for (std::size_t i = 0; i < c.size; ++i)
        bytes += static_cast<char>('a' + i % 26);
    for (std::size_t n : c.nuls)
        bytes[n] = '\0';
    std::string p = path("chunks.bin");
    put(p, bytes);
    char* text = nullptr;
    std::size_t read = 0;
    ASSERT_TRUE(read_file(p.c_str(), c.chunk_size, &text, &read));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(read, c.size);
    EXPECT_EQ(std::string(text), expected_text(bytes, c.chunk_size));
    std::free(text);
}

const ChunkCase kChunkCases[] = {
    // A NUL at position 10 of a 5000-byte file: 10 characters, then the second chunk's text.
    {"NulAt10Of5000", 5000, {10}, 4096},
    {"NulAtLastByteOfFirstChunk", 9000, {4094}, 4096},
    {"NulAtFirstByteOfSecondChunk", 9000, {4095}, 4096},
    {"NulsInEveryChunk", 20000, {1, 4096, 8190, 8191, 12284, 16379}, 4096},
    {"NoNul", 100000, {}, 4096},
    {"ExactlyOneChunk", 4095, {}, 4096},
    {"NulAsLastByteOfFile", 4096, {4095}, 4096},
    {"SmallChunks", 1000, {3, 9, 10, 500, 999}, 10},
    {"LargeChunks", 300000, {70000, 200001}, 100000},
    {"ChunkOfTwoKeepsOnlyNonNulBytes", 50, {0, 7, 49}, 2},
};

INSTANTIATE_TEST_SUITE_P(Xml, ReadFileChunks, ::testing::ValuesIn(kChunkCases),
                         [](const ::testing::TestParamInfo<ChunkCase>& i) {
                             return std::string(i.param.name);
                         });

TEST_F(XmlFile, ReadFileNul5000Example) {
    std::string bytes(5000, 'x');
    bytes[10] = '\0';
    std::string p = path("nul.bin");
    put(p, bytes);
    char* text = nullptr;
    std::size_t read = 0;
    ASSERT_TRUE(read_file(p.c_str(), 4096, &text, &read));
    EXPECT_EQ(read, 5000u);
    EXPECT_EQ(std::string(text).size(), 10u + (5000u - 4095u));
    std::free(text);
}

TEST_F(XmlFile, ReadFileFailures) {
    char* text = reinterpret_cast<char*>(1);
    std::size_t read = 7;
    EXPECT_FALSE(read_file(path("missing.xml").c_str(), 4096, &text, &read));
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(read, 0u);
    put(path("empty.xml"), "");
    EXPECT_FALSE(read_file(path("empty.xml").c_str(), 4096, &text, &read));
    put(path("x.xml"), "<a/>");
    EXPECT_FALSE(read_file(path("x.xml").c_str(), 1, &text, &read));
    EXPECT_FALSE(read_file(nullptr, 4096, &text, &read));
    // Only NUL bytes: bytes were read, so it succeeds, with an empty text.
    put(path("nuls.bin"), std::string(10, '\0'));
    ASSERT_TRUE(read_file(path("nuls.bin").c_str(), 4096, &text, &read));
    EXPECT_EQ(read, 10u);
    EXPECT_STREQ(text, "");
    std::free(text);
}

TEST_F(XmlFile, LoadFromFile) {
    XmlParser doc;
    EXPECT_FALSE(doc.load_from_file(path("missing.xml").c_str()));
    EXPECT_TRUE(doc.root_handle().is_null());
    put(path("empty.xml"), "");
    EXPECT_FALSE(doc.load_from_file(path("empty.xml").c_str()));
    put(path("nuls.xml"), std::string(3, '\0'));
    ASSERT_TRUE(doc.load_from_file(path("nuls.xml").c_str()));
    EXPECT_EQ(doc.root_handle().child_count(), 0u);
    // A NUL inside the first chunk hides the rest of that chunk from the parser.
    std::string text = "<a>x</a>";
    text += '\0';
    text += "<b/>";
    put(path("cut.xml"), text);
    ASSERT_TRUE(doc.load_from_file(path("cut.xml").c_str()));
    EXPECT_EQ(written(doc.root_handle()), "<a>x</a>\n");
}

// ---- escaping ----

TEST(XmlEscape, EscapesTheFourMarkupCharacters) {
    const std::pair<std::string, std::string> kCases[] = {
        {"", ""},
        {"plain text, 'quotes' too", "plain text, 'quotes' too"},
        {"a<b>c", "a&lt;b&gt;c"},
        {"a > b, 'c'", "a > b, 'c'"},
        {"\"&\"", "&quot;&amp;&quot;"},
        {"&amp;", "&amp;amp;"},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
        {"\xe9\xff", "\xe9\xff"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(xml_escape(c.first), c.second) << c.first;
}

TEST(XmlEscape, UnescapesExactlyFiveEntities) {
    const std::pair<std::string, std::string> kCases[] = {
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        {"a &amp;lt; b", "a &lt; b"},
        {"&#60; &#x3c; &nbsp; &AMP; &ampx", "&#60; &#x3c; &nbsp; &AMP; &ampx"},
        {"&amp", "&amp"},
        {"&", "&"},
        {"tail &", "tail &"},
        {"&&lt;", "&<"},
        {"no entities", "no entities"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(xml_unescape(c.first), c.second) << c.first;
}

TEST(XmlEscape, RoundTripsEveryByteString) {
    std::uint32_t x = 12345;
    for (int i = 0; i < 2000; ++i) {
        std::string s;
        std::size_t len = i % 40;
        for (std::size_t k = 0; k < len; ++k) {
            x = x * 1103515245u + 12345u;
            static const char kPool[] = "&<>\"';ampltgquos# \x01\xe9";
            s += kPool[(x >> 16) % (sizeof kPool - 1)];
        }
        ASSERT_EQ(xml_unescape(xml_escape(s)), s) << s;
        std::string e = xml_escape(s);
        EXPECT_EQ(e.find_first_of("<\""), std::string::npos);
        // Text without '<', '&' and '"' is kept byte for byte, '>' and all.
        if (s.find_first_of("<&\"") == std::string::npos)
            EXPECT_EQ(e, s);
        else
            EXPECT_EQ(e.find('>'), std::string::npos);
    }
}

TEST(XmlEscape, EscapedValuesSurviveWriterAndParser) {
    const std::string kValues[] = {"Tom & Jerry <tj@example.org>", "say \"hello\" > 'bye'",
                                   "&lt; typed literally", "</comment><comment>injected"};
    for (const std::string& v : kValues) {
        XmlParser doc;
        ASSERT_TRUE(doc.new_document());
        XmlNodeHandle e = doc.root_handle().append_child(XML_NODE_ELEMENT);
        ASSERT_TRUE(e.set_name("comment"));
        ASSERT_TRUE(e.ensure_attribute("name").set_value(xml_escape(v).c_str()));
        ASSERT_TRUE(e.append_child(XML_NODE_TEXT).set_value(xml_escape(v).c_str()));
        std::string out = written(doc.root_handle());
        XmlParser back;
        ASSERT_TRUE(back.load_from_memory(out.data(), out.size()));
        XmlNodeHandle c = back.root_handle().first_element("comment");
        ASSERT_EQ(back.root_handle().child_count(), 1u) << out;
        EXPECT_EQ(xml_unescape(c.attribute("name").value()), v);
        ASSERT_EQ(c.child_count(), 1u);
        EXPECT_EQ(xml_unescape(c.child(0).value()), v);
    }
}

// ---- a key store document to disk and back ----

void add_text_element(XmlNodeHandle parent, const char* name, const std::string& text) {
    XmlNodeHandle e = parent.append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(e.set_name(name));
    ASSERT_TRUE(e.append_child(XML_NODE_TEXT).set_value(text.c_str()));
}

TEST_F(XmlFile, KeyStoreRoundTrip) {
    XmlParser doc;
    ASSERT_TRUE(doc.new_document());
    XmlNodeHandle db = doc.root_handle().append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(db.set_name("backupdatabase"));
    const std::string packet = "======== Corvane+ Remote Update File ======== VERSION=1.6 TYPE=0000000C "
                               "-- BEGIN ZRP RM DATA -- QUJD+/== -- END ZRP RM DATA --";
    for (int i = 0; i < 4; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X", 0xA0000000u + static_cast<unsigned>(i));
        XmlNodeHandle k = db.append_child(XML_NODE_ELEMENT);
        ASSERT_TRUE(k.set_name("publickey"));
        ASSERT_TRUE(k.ensure_attribute("serial").set_value(serial));
        ASSERT_TRUE(k.ensure_attribute("name").set_value(("Key " + std::to_string(i)).c_str()));
        add_text_element(k, "packet", packet);
        add_text_element(k, "email", "user" + std::to_string(i) + "@example.org");
        add_text_element(k, "comment", xml_escape("R&D <lab>"));
        if (i % 2 == 0) {
            XmlNodeHandle ups = k.append_child(XML_NODE_ELEMENT);
            ASSERT_TRUE(ups.set_name("updates"));
            for (int u = 0; u < 3; ++u) {
                XmlNodeHandle up = ups.append_child(XML_NODE_ELEMENT);
                ASSERT_TRUE(up.set_name("update"));
                ASSERT_TRUE(up.ensure_attribute("serial").set_value(
                    (std::string(serial) + "000" + std::to_string(u)).c_str()));
                ASSERT_TRUE(up.ensure_attribute("name").set_value("Upd"));
                ASSERT_TRUE(up.ensure_attribute("algo").set_value("3"));
                add_text_element(up, "created", "01D9A1B2C3D4E5F6");
                add_text_element(up, "packet", packet);
            }
        }
    }
    std::string p1 = path("KeyStore.xml");
    ASSERT_TRUE(write_file(doc.root_handle(), p1.c_str()));

    XmlParser back;
    ASSERT_TRUE(back.load_from_file(p1.c_str()));
    EXPECT_EQ(dump(back.root_handle()), dump(doc.root_handle()));
    XmlNodeHandle found = back.root_handle().first_element_by_attribute("publickey", "serial", "A0000002");
    ASSERT_FALSE(found.is_null());
    EXPECT_STREQ(found.first_element("email").child(0).value(), "user2@example.org");
    EXPECT_EQ(xml_unescape(found.first_element("comment").child(0).value()), "R&D <lab>");
    EXPECT_EQ(found.first_element("packet").child(0).value(), packet); // the key's own packet comes first

    std::string p2 = path("again.xml");
    ASSERT_TRUE(write_file(back.root_handle(), p2.c_str()));
    EXPECT_EQ(get(p2), get(p1));
}

} // namespace
