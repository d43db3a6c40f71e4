// A document built on demand: the elements below the top level keep their content until it is asked
// for, and then hold exactly what a whole parse gives, whatever the text (well-formed, lenient or cut
// short); a load makes the records of the upper levels only.
#include "xml/xml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/common/xml_same_tree.h"

namespace {

const char* const kTexts[] = {
    "",
    "<a/>",
    "<a><b/></a>",
    "<a><b>text</b><c x='1' y=\"2\">  more   text  </c></a>",
    "<db>\n\t<k serial=\"0001\" name=\"n\">\n\t\t<packet>line 1\r\n line 2</packet>\n\t\t<email>e@x</email>\n"
    "\t\t<updates>\n\t\t\t<update serial='000100A1'><created>01</created><packet>p</packet></update>\n"
    "\t\t</updates>\n\t</k>\n</db>\n",
    // Mixed content, text after end tags, whitespace-only content, empty elements at every depth.
    "<a><b>x<c/>y<d>z</d> w </b><e>   </e><f></f><g/></a>",
    // Lenient end tags: a wrong name still closes, a stray one at the top is passed over.
    "<a><b><c></x></y><d/></b></a></z><e><f/></e>",
    // Attribute values holding '>' and '/', unquoted and broken attributes.
    "<a><b v='a>b' w=\"/>\"><c/></b><d x=1/><e x='1' y><f/></e><g a = 'sp aced'>t</g></a>",
    // Constructs the content check leaves to the parse at once: comments, instructions, sections.
    "<a><b><!-- c --><c/></b><d><?pi x='1'?></d><e><![CDATA[ <x> ]]></e><f><![INCLUDE[ i ]]></f></a>",
    "<a><b><!DOCTYPE d [<!ENTITY e 'v'>]><c/></b><after/></a>",
    "<a><b><!DOCTYPE d SYSTEM 'x'><c/></b><after/></a>",
    "<a><b>< x</b><c><=y</c><d>a<b</d></a>",
    // Cut short inside content, inside a start tag, inside a value, inside an end tag.
    "<a><b><c>text",
    "<a><b><c x='1",
    "<a><b><c x='1'",
    "<a><b></c",
    "<a><b>t</b><c><d></d",
    // Text right in front of tags (the parser's terminator lands on the '<').
    "<a><b>x<c>y</c>z</b><d>q</d></a>",
    // Entity references and bytes of 128 and above pass through.
    "<a><b n='caf\xc3\xa9'>&amp; \xff\x80</b></a>",
    // Deep nesting.
    "<a><b><c><d><e><f><g>deep</g></f></e></d></c></b></a>",
};

// Rules of a reader of a known layout: "t" and "packet" hold one text, tag rests are kept, and content
// that is exactly what the writer writes goes out as it stands.
const char* const kTextNames[] = {"t", "packet", nullptr};
XmlReadRules LayoutRules() {
    XmlReadRules r;
    r.text_elements = kTextNames;
    r.keep_tag_rest = true;
    r.note_verbatim = true;
    return r;
}

// Texts that the rules read otherwise than the lenient defaults, and texts exactly as the writer
// writes them.
const char* const kLayoutTexts[] = {
    "<db>\n\t<k s=\"1\">\n\t\t<t>a <b> c</t>\n\t\t<u>x</u>\n\t</k>\n</db>\n",
    "<db>\n\t<k s=\"1\" n=\"say \"hi\" there\">\n\t\t<t></k> </t</t>\n\t\t<e/>\n\t</k>\n</db>\n",
    "<db><k><t>  </t><t></t><t><</t><t>x</t ></t><packet>a\r\n  b</packet></k></db>",
    "<db><k a='1' b c=\"2\"><x y=1/><z \"q\"/></k><k><t>", // cut inside a text element
    "<db>\n\t<k>\n\t\t<u>\n\t\t\t<v w=\"1\">text</v>\n\t\t\t<e/>\n\t\t</u>\n\t</k>\n\t<k>one</k>\n</db>\n",
    // Near misses of the writer's layout: each is written back otherwise than it stands.
    "<db>\n\t<k>\n\t\t<u></u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u>a  b</u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u> a</u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u>a </u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u>a\tb</u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u>a</u >\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u v='1'/>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u v=\"1 \"/>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u  v=\"1\"/>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t<u/>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u/>\n</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u/>\n\t</k >\n</db>\n",
    "<db>\n\t<k>\n\t\t<u>\n\t\t</u>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<t>\n\t\t\t<u/>\n\t\t</t>\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u/>\n\t\t<!-- c -->\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u/>x\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u/>\r\n\t</k>\n</db>\n",
    "<db>\n\t<k>\n\t\t<u></v>\n\t</k>\n</db>\n",
    "<db>\n\t<k> \n\t\t<u/>\n\t</k>\n</db>\n",
};

TEST(XmlOnDemand, SameTreeAsAWholeParse) {
    const XmlReadRules rules = LayoutRules();
    for (const char* text : kLayoutTexts)
        for (const std::string& t : {std::string(text), "<r><s>" + std::string(text) + "</s><t/></r>"})
            EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(t.data(), t.size(), &rules), "") << t;
    for (const char* text : kTexts) {
        const std::string t(text);
        EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(t.data(), t.size(), &rules), "") << t;
    }
    for (const char* text : kTexts) {
        // As it stands, and two levels down, where all of it lies in content that waits.
        for (const std::string& t : {std::string(text), "<r><s>" + std::string(text) + "</s><t/></r>"})
            EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(t.data(), t.size()), "") << t;
    }
    // A NUL byte inside the text ends it there, in both.
    const char nul[] = "<a><b>x</b><c>y\0<d/></c></a>";
    EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(nul, sizeof nul - 1), "");
}

// Every prefix of a store-shaped text: a text cut anywhere gives the same tree both ways.
TEST(XmlOnDemand, SameTreeForEveryCutOfAStore) {
    const std::string text =
        "<backupdatabase>\n\t<publickey serial=\"0000000A\" name=\"Key &amp; co\">\n\t\t<packet>======== "
        "x\r\n"
        "TYPE=0000000C\r\n\r\nABCD\r\n</packet>\n\t\t<email>a@b</email>\n\t\t<comment>c  d</comment>\n"
        "\t\t<updates>\n\t\t\t<update serial=\"0000000A0001\" name=\"u\" algo=\"9\">\n\t\t\t\t<created>"
        "01DA00000000000A</created>\n\t\t\t\t<packet>p q</packet>\n\t\t\t</update>\n\t\t</updates>\n\t"
        "</publickey>\n\t<publickey serial=\"0000000B\" name=\"k\">\n\t\t<packet>z</packet>\n\t</publickey>\n"
        "</backupdatabase>\n";
    const XmlReadRules rules = LayoutRules();
    for (std::size_t n = 0; n <= text.size(); ++n) {
        ASSERT_EQ(xmltest::WholeAndOnDemandDiffer(text.data(), n), "") << "first " << n << " bytes";
        ASSERT_EQ(xmltest::WholeAndOnDemandDiffer(text.data(), n, &rules), "") << "first " << n << " bytes";
    }
}

// Nesting deeper than the levels whose content waits, and deeper than a parse builds: the same tree and
// facts both ways, and nothing read twice over its whole depth (a deep text is read in time that grows
// with its length).
TEST(XmlOnDemand, DeepContentIsParsedAtOnce) {
    const XmlReadRules rules = LayoutRules();
    for (int depth : {7, 8, 9, 20, 255, 256, 257, 300}) {
        std::string text = "<db><k>";
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        text += "<t>x</t>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        text += "</k><k><t>after</t></k></db>";
        EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(text.data(), text.size()), "") << depth;
        EXPECT_EQ(xmltest::WholeAndOnDemandDiffer(text.data(), text.size(), &rules), "") << depth;
    }
}

// Content that is exactly what the writer writes is written from the text as it stands, without
// making its records; any other content is made to be written.
TEST(XmlOnDemand, VerbatimContentIsWrittenWithoutBeingMade) {
    const std::string text = "<db>\n\t<k s=\"1\">\n\t\t<t>a < b</t>\n\t\t<u>\n\t\t\t<v/>\n\t\t</u>\n\t</k>\n"
                             "\t<k s=\"2\">\n\t\t<t>a  b</t>\n\t</k>\n\t<k s=\"3\">one</k>\n</db>\n";
    const XmlReadRules rules = LayoutRules();
    XmlParser doc;
    doc.set_rules(rules);
    ASSERT_TRUE(doc.load_from_heap_buffer(xmltest::HeapText(text.data(), text.size()), text.size(),
                                          XmlBuild::on_demand));
    EXPECT_TRUE(doc.facts().sound());
    EXPECT_EQ(doc.facts().depth, 4u);
    XmlNodeRec* db = doc.root_handle().child(0).node();
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_EQ(out, "<db>\n\t<k s=\"1\">\n\t\t<t>a < b</t>\n\t\t<u>\n\t\t\t<v/>\n\t\t</u>\n\t</k>\n"
                   "\t<k s=\"2\">\n\t\t<t>a b</t>\n\t</k>\n\t<k s=\"3\">one</k>\n</db>\n");
    EXPECT_TRUE(db->children[0]->storage & XML_STORE_DEFERRED) << "written as it stood";
    EXPECT_FALSE(db->children[1]->storage & XML_STORE_DEFERRED) << "made: its text is normalised";
    EXPECT_TRUE(db->children[2]->storage & XML_STORE_DEFERRED) << "one text, as the writer writes it";
    // Written from elsewhere than where it was read, the content is made.
    std::string entry;
    ASSERT_TRUE(write_to_string(XmlNodeHandle(db->children[0]), entry));
    EXPECT_EQ(entry, "<k s=\"1\">\n\t<t>a < b</t>\n\t<u>\n\t\t<v/>\n\t</u>\n</k>\n");
}

// Loading on demand makes the top level and the elements right below it; their content waits, its
// children counted; asking for one element's children makes those and nothing else.
TEST(XmlOnDemand, OnlyWhatIsAskedForIsMade) {
    const std::string text = "<db><k s='1'><p>a</p><e>b</e></k><k s='2'><p>c</p></k><k s='3'> </k></db>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_heap_buffer(xmltest::HeapText(text.data(), text.size()), text.size(),
                                          XmlBuild::on_demand));
    XmlNodeRec* db = doc.root_handle().child(0).node();
    ASSERT_STREQ(db->name, "db");
    ASSERT_EQ(db->child_count, 3u); // the top level is made at once
    XmlNodeHandle k1(db->children[0]), k2(db->children[1]), k3(db->children[2]);
    EXPECT_TRUE(k1.node()->storage & XML_STORE_DEFERRED);
    EXPECT_TRUE(k2.node()->storage & XML_STORE_DEFERRED);
    EXPECT_FALSE(k3.node()->storage & XML_STORE_DEFERRED); // whitespace alone: nothing to make
    EXPECT_EQ(k1.node()->child_count, 0u);
    EXPECT_EQ(k1.child_count(), 2u); // counted without being made
    EXPECT_EQ(k3.child_count(), 0u);
    EXPECT_TRUE(k1.node()->storage & XML_STORE_DEFERRED);
    EXPECT_STREQ(k1.attribute("s").value(), "1"); // attributes are there at once

    // Looking for a key by attribute passes the others over without making their content.
    EXPECT_EQ(doc.root_handle().child(0).first_element_by_attribute("k", "s", "2").node(), k2.node());
    EXPECT_TRUE(k1.node()->storage & XML_STORE_DEFERRED);
    EXPECT_TRUE(k2.node()->storage & XML_STORE_DEFERRED);

    XmlNodeHandle e = k1.child(1);
    EXPECT_FALSE(k1.node()->storage & XML_STORE_DEFERRED);
    ASSERT_STREQ(e.name(), "e");
    EXPECT_TRUE(e.node()->storage & XML_STORE_DEFERRED); // one level at a time
    EXPECT_STREQ(e.child(0).value(), "b");
    EXPECT_TRUE(k2.node()->storage & XML_STORE_DEFERRED);

    // The writer makes what it writes.
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_EQ(out,
              "<db>\n\t<k s=\"1\">\n\t\t<p>a</p>\n\t\t<e>b</e>\n\t</k>\n\t<k s=\"2\">\n\t\t<p>c</p>\n\t</k>\n"
              "\t<k s=\"3\"/>\n</db>\n");
}

// Changing a document built on demand changes it as it would a whole one.
TEST(XmlOnDemand, ChangesMakeTheContentFirst) {
    const std::string text = "<db><k><p>a</p></k><k><p>b</p><q/></k></db>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_heap_buffer(xmltest::HeapText(text.data(), text.size()), text.size(),
                                          XmlBuild::on_demand));
    XmlNodeHandle db = doc.root_handle().child(0);
    XmlNodeHandle added = db.child(0).append_child(XML_NODE_ELEMENT);
    ASSERT_TRUE(added.set_name("n"));
    db.child(1).erase_child(0);
    std::string out;
    ASSERT_TRUE(write_to_string(doc.root_handle(), out));
    EXPECT_EQ(out, "<db>\n\t<k>\n\t\t<p>a</p>\n\t\t<n/>\n\t</k>\n\t<k>\n\t\t<q/>\n\t</k>\n</db>\n");
}

} // namespace
