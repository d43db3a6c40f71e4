// The in-place parser: what tree each construct gives, value normalisation, lenient end tags, document
// types with and without internal subset.
#include "xml/xml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// One line per node in pre-order: indent, type, name, attributes as [name=value], and the value.
std::string dump(const XmlNodeHandle& top) {
    std::string out;
    std::vector<std::pair<const XmlNodeRec*, int>> stack;
    const XmlNodeRec* root = top.node();
    for (std::uint32_t i = root->child_count; i-- > 0;)
        stack.push_back({root->children[i], 0});
    while (!stack.empty()) {
        auto [n, depth] = stack.back();
        stack.pop_back();
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        out += std::to_string(n->type);
        if (n->name != nullptr) out += std::string(" ") + n->name;
        for (std::uint32_t i = 0; i < n->attribute_count; ++i) {
            const XmlAttrRec* a = n->attributes[i];
            out += std::string(" [") + (a->name != nullptr ? a->name : "(none)") + "=" +
                   (a->value != nullptr ? a->value : "(null)") + "]";
        }
        if (n->value != nullptr) out += std::string(" '") + n->value + "'";
        out += "\n";
        for (std::uint32_t i = n->child_count; i-- > 0;)
            stack.push_back({n->children[i], depth + 1});
    }
    return out;
}

std::string parse_dump(const std::string& text) {
    XmlParser doc;
    EXPECT_TRUE(doc.load_from_memory(text.data(), text.size()));
    return dump(doc.root_handle());
}

struct ParseCase {
    const char* name;
    std::string text;
    std::string tree;
};

class ParseTree : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTree, GivesTree) {
    EXPECT_EQ(parse_dump(GetParam().text), GetParam().tree);
}

const ParseCase kParseCases[] = {
    {"WhitespaceOnlyTextMakesNoNode", "<a>  \r\n\t </a>", "2 a\n"},
    {"TextIsNormalised", "<a> x  y </a>", "2 a\n  3 'x y'\n"},
    {"AllWhitespaceBytesCollapse", "<a>\x01x\t\r\n\x1f\x20y\x0b</a>", "2 a\n  3 'x y'\n"},
    {"HighBytesAreNotWhitespace", "<a>\xa0x\xff \xa0</a>", "2 a\n  3 '\xa0x\xff \xa0'\n"},
    {"EntityReferencesStayAsWritten", "<a>&amp; &lt;&#65;</a>", "2 a\n  3 '&amp; &lt;&#65;'\n"},
    {"BothQuoteKinds", "<a b='1' c=\"2\"/>", "2 a [b=1] [c=2]\n"},
    {"QuoteOfTheOtherKindInsideValue", "<a b='say \"hi\"' c=\"it's\"/>", "2 a [b=say \"hi\"] [c=it's]\n"},
    {"AttributeValuesAreNormalised", "<a b='  p \n\n q  '/>", "2 a [b=p q]\n"},
    {"SpacesAroundEquals", "<a b \t= \n'1'/>", "2 a [b=1]\n"},
    {"EmptyAttributeValue", "<a b=''/>", "2 a [b=]\n"},
    {"UnquotedValueEndsAttributeList", "<a b=1 c='2'>t</a>", "2 a\n  3 't'\n"},
    {"BareAttributeNameEndsAttributeList", "<a b c='2'/><z/>", "2 a\n2 z\n"},
    {"EndTagClosesWhateverIsOpen", "<a><b></c></a>", "2 a\n  2 b\n"},
    {"EndTagAtTopLevelIsIgnored", "</x></y><a/>", "2 a\n"},
    {"SelfClosedElementDoesNotBecomeCursor", "<a><b/><c>t</c></a>", "2 a\n  2 b\n  2 c\n    3 't'\n"},
    {"NameCharacters", "<a:b-c.d_e9 x:y-z='1'/>", "2 a:b-c.d_e9 [x:y-z=1]\n"},
    {"ProcessingInstructionWithAttributes", "<?xml version=\"1.0\" standalone='yes'?><a/>",
     "6 xml [version=1.0] [standalone=yes]\n2 a\n"},
    {"ProcessingInstructionSkipsOtherText", "<?pi junk k='v' ! more?><a/>", "6 pi [k=v]\n2 a\n"},
    {"ProcessingInstructionWithoutTarget", "<? no target ?><a/>", "2 a\n"},
    {"TargetRightBeforeClose", "<?pi?>", "6 pi\n"},
    {"CommentIsNormalised", "<!--  one   two\n -->", "5 'one two'\n"},
    {"CdataIsNormalisedNotDecoded", "<a><![CDATA[ <b> &amp;  x ]]></a>", "2 a\n  4 '<b> &amp; x'\n"},
    {"IncludeSection", "<![INCLUDE[ p  q ]]>", "7 'p q'\n"},
    {"OtherMarkedSectionMakesNothing", "<![IGNORE[ x ]]><a/>", "2 a\n"},
    {"UnknownBangMakesNothing", "<!ENTITY x 'y'><a/>", "2 a\n"},
    {"LessThanFollowedBySpaceMakesNothing", "< a><b/>", "2 b\n"},
    {"TextAfterChildElementIsKept", "<a><b/>tail  text</a>", "2 a\n  2 b\n  3 'tail text'\n"},
    {"TextBeforeChildElementIsKept", "<a>head<b/></a>", "2 a\n  3 'head'\n  2 b\n"},
    {"TextOutsideElementsIsPassedOver", "lead <a/> trail", "2 a\n"},
    {"DoctypeWithoutSubsetLetsParsingContinue", "<!DOCTYPE html PUBLIC \"-//A//B\" 'x.dtd'><a>t</a>",
     "8 [html=html] [PUBLIC=PUBLIC] [(none)=-//A//B] [(none)=x.dtd]\n2 a\n  3 't'\n"},
    {"DoctypeWithSubsetEndsParsing",
     "<!DOCTYPE d [\n <!ENTITY e \"v>w\">\n <!ELEMENT a (#PCDATA)>\n <!ATTLIST a  k  CDATA #IMPLIED>\n"
     " <!NOTATION n SYSTEM 'z'>\n <!FOO f bar>\n]><a>never read</a>",
     "8 [d=d] '\n <!ENTITY e \"v>w\">\n <!ELEMENT a (#PCDATA)>\n <!ATTLIST a  k  CDATA #IMPLIED>\n"
     " <!NOTATION n SYSTEM 'z'>\n <!FOO f bar>\n'\n"
     "  9 e '\"v>w\"'\n  11 a '(#PCDATA)'\n  10 a 'k CDATA #IMPLIED'\n  12 n 'SYSTEM 'z''\n  9 f 'bar'\n"},
    {"SubsetBracketsNest", "<!DOCTYPE d [<![INCLUDE[<!ENTITY a 'b'>]]>]><x/>",
     "8 [d=d] '<![INCLUDE[<!ENTITY a 'b'>]]>'\n  7 '<!ENTITY a 'b'>'\n"},
    {"DeclarationWithoutName", "<!DOCTYPE d [<!ENTITY % pe 'x'><!ELEMENT e>]>",
     "8 [d=d] '<!ENTITY % pe 'x'><!ELEMENT e>'\n  9 '% pe 'x''\n  11 e\n"},
    {"NestedDoctypeInSubsetIsADeclaration", "<!DOCTYPE a [<!DOCTYPE b [x]>]>",
     "8 [a=a] '<!DOCTYPE b [x]>'\n  9 b '[x]'\n"},
    {"KeyStoreShape",
     "<backupdatabase>\n\t<publickey serial=\"0000ABCD\" name=\"Alice\">\n\t\t<packet>==== F "
     "====\r\n\r\nV=1\r\n"
     "</packet>\n\t\t<email>a@b.c</email>\n\t</publickey>\n</backupdatabase>\n",
     "2 backupdatabase\n  2 publickey [serial=0000ABCD] [name=Alice]\n    2 packet\n      3 '==== F ==== "
     "V=1'\n"
     "    2 email\n      3 'a@b.c'\n"},
};

INSTANTIATE_TEST_SUITE_P(Xml, ParseTree, ::testing::ValuesIn(kParseCases),
                         [](const ::testing::TestParamInfo<ParseCase>& i) {
                             return std::string(i.param.name);
                         });

// Truncated and malformed texts keep the nodes built so far.
const ParseCase kTruncatedCases[] = {
    {"InsideStartTagName", "<a><bc", "2 a\n  2 bc\n"},
    {"InsideAttributeValue", "<a k='v w", "2 a [k=v w]\n"},
    {"AfterEquals", "<a k=", "2 a\n"},
    {"InsideText", "<a> some text", "2 a\n  3 'some text'\n"},
    {"InsideComment", "<!-- c", "5 'c'\n"},
    {"InsideCdata", "<a><![CDATA[ d", "2 a\n  4 'd'\n"},
    {"InsideProcessingInstruction", "<?pi k='1'", "6 pi [k=1]\n"},
    {"InsideDoctype", "<!DOCTYPE d 'q", "8 [d=d] [(none)=q]\n"},
    {"InsideSubset", "<!DOCTYPE d [<!ENTITY e 'v", "8 [d=d] '<!ENTITY e 'v'\n  9 e ''v'\n"},
    {"InsideEndTag", "<a>t</a", "2 a\n  3 't'\n"},
    {"LoneLessThan", "<", ""},
    {"NothingButWhitespace", " \n\t ", ""},
};

class TruncatedText : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TruncatedText, KeepsNodesBuiltSoFar) {
    EXPECT_EQ(parse_dump(GetParam().text), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(Xml, TruncatedText, ::testing::ValuesIn(kTruncatedCases),
                         [](const ::testing::TestParamInfo<ParseCase>& i) {
                             return std::string(i.param.name);
                         });

TEST(XmlParse, StringsPointIntoTheBufferOfTheDocument) {
    XmlParser doc;
    const std::string text = "<a k='v'>t</a>";
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    XmlNodeHandle a = doc.root_handle().child(0);
    const char* begin = doc.buffer();
    const char* end = begin + text.size() + 1;
    XmlAttrHandle k = a.attribute("k");
    for (const char* s : {a.name(), k.name(), k.value(), a.child(0).value()}) {
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(s >= begin && s < end);
    }
    EXPECT_TRUE(a.node()->name_in_buffer);
    EXPECT_TRUE(a.child(0).node()->value_in_buffer);
    EXPECT_TRUE(k.record()->name_in_buffer && k.record()->value_in_buffer);
    EXPECT_EQ(doc.root()->parent, doc.root());
    EXPECT_EQ(a.node()->parent, doc.root());
}

TEST(XmlParse, ParsesCallerBufferInPlace) {
    char text[] = "<r><v>one  two</v></r>";
    XmlNodeRec* root = xml_new_node(XML_NODE_DOCUMENT);
    ASSERT_NE(root, nullptr);
    char* end = xml_parse(text, root);
    EXPECT_EQ(end, text + std::strlen("<r><v>one  two</v></r>"));
    XmlNodeHandle v = XmlNodeHandle(root).first_element("v");
    ASSERT_FALSE(v.is_null());
    EXPECT_STREQ(v.child(0).value(), "one two");
    EXPECT_GE(v.child(0).value(), text);
    EXPECT_LT(v.child(0).value(), text + sizeof text);
    xml_free_tree(root);
}

TEST(XmlParse, ArraysGrowAsNeeded) {
    std::string text = "<r";
    for (int i = 0; i < 50; ++i)
        text += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
    text += ">";
    for (int i = 0; i < 300; ++i)
        text += "<c" + std::to_string(i) + "/>";
    text += "</r>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text.data(), text.size()));
    XmlNodeHandle r = doc.root_handle().child(0);
    ASSERT_EQ(r.attribute_count(), 50u);
    ASSERT_EQ(r.child_count(), 300u);
    EXPECT_LE(r.node()->attribute_count, r.node()->attribute_capacity);
    EXPECT_LE(r.node()->child_count, r.node()->child_capacity);
    EXPECT_STREQ(r.attribute_at(49).name(), "a49");
    EXPECT_STREQ(r.attribute_at(49).value(), "49");
    EXPECT_STREQ(r.child(299).name(), "c299");
}

TEST(XmlParse, NewNodesStartWithArraysByType) {
    // Which node types get an attribute array and a child array (capacity 1) at creation.
    const struct {
        std::int32_t type;
        bool attributes;
        bool children;
    } kTypes[] = {{XML_NODE_NULL, true, false},         {XML_NODE_DOCUMENT, false, true},
                  {XML_NODE_ELEMENT, true, true},       {XML_NODE_TEXT, false, false},
                  {XML_NODE_CDATA, false, false},       {XML_NODE_COMMENT, false, false},
                  {XML_NODE_PI, true, false},           {XML_NODE_INCLUDE, false, false},
                  {XML_NODE_DOCTYPE, true, true},       {XML_NODE_ENTITY_DECL, true, false},
                  {XML_NODE_ATTLIST_DECL, true, false}, {XML_NODE_ELEMENT_DECL, true, false},
                  {XML_NODE_NOTATION_DECL, true, false}};
    for (const auto& t : kTypes) {
        SCOPED_TRACE(t.type);
        XmlNodeRec* n = xml_new_node(t.type);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->parent, n);
        EXPECT_EQ(n->type, t.type);
        EXPECT_EQ(n->name, nullptr);
        EXPECT_EQ(n->value, nullptr);
        EXPECT_FALSE(n->name_in_buffer);
        EXPECT_FALSE(n->value_in_buffer);
        EXPECT_EQ(n->attribute_count, 0u);
        EXPECT_EQ(n->child_count, 0u);
        EXPECT_EQ(n->attribute_capacity, t.attributes ? 1u : 0u);
        EXPECT_EQ(n->attributes != nullptr, t.attributes);
        EXPECT_EQ(n->child_capacity, t.children ? 1u : 0u);
        EXPECT_EQ(n->children != nullptr, t.children);
        xml_free_tree(n);
    }
    EXPECT_EQ(xml_new_node(13), nullptr);
    EXPECT_EQ(xml_new_node(-1), nullptr);
}

TEST(XmlParse, LoadFromMemoryStopsAtFirstNul) {
    const char text[] = "<a>x</a>\0<b/>";
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory(text, sizeof text - 1));
    EXPECT_EQ(dump(doc.root_handle()), "2 a\n  3 'x'\n");
    EXPECT_FALSE(doc.load_from_memory(text, 0));
    EXPECT_TRUE(doc.root_handle().is_null());
}

TEST(XmlParse, ReloadReplacesTheTree) {
    XmlParser doc;
    ASSERT_TRUE(doc.load_from_memory("<a/>", 4));
    ASSERT_TRUE(doc.load_from_memory("<b><c/></b>", 11));
    EXPECT_EQ(dump(doc.root_handle()), "2 b\n  2 c\n");
    ASSERT_TRUE(doc.new_document());
    EXPECT_EQ(doc.root_handle().type(), XML_NODE_DOCUMENT);
    EXPECT_EQ(doc.root_handle().child_count(), 0u);
}

// ---- what a parse meets besides the tree ----

std::string facts_of(const std::string& text, const XmlReadRules* rules = nullptr) {
    XmlParser doc;
    if (rules != nullptr) doc.set_rules(*rules);
    doc.load_from_memory(text.data(), text.size());
    const XmlParseFacts& f = doc.facts();
    std::string out;
    if (f.cut) out += "cut ";
    if (f.stray) out += "stray ";
    if (f.declarations) out += "declarations ";
    if (f.outside_text) out += "outside ";
    if (f.loose_tag) out += "loose ";
    if (f.quote_in_value) out += "quote ";
    if (f.stopped) out += "stopped ";
    out += "depth " + std::to_string(f.depth);
    EXPECT_EQ(f.sound(), out.rfind("depth ", 0) == 0 && f.depth <= XML_MAX_DEPTH) << text;
    return out;
}

TEST(XmlParse, FactsTellWhatAStrictReaderWouldObjectTo) {
    const std::pair<std::string, std::string> kCases[] = {
        {"<a/>", "depth 1"},
        {"  <a b='1' c=\"2\"><b>t</b><c/></a>\n", "depth 2"},
        {"<?xml version='1.0'?><!-- c --><a><![CDATA[<x>]]><?p q?></a>", "depth 1"},
        {"<a><b></b ></a>", "depth 2"},
        {"<a>", "cut depth 1"},
        {"<a><b></a>", "cut stray depth 2"},
        {"<a></b>", "stray depth 1"},
        {"</a><b/>", "stray depth 1"},
        {"<a></a junk>", "stray depth 1"},
        {"<a>< b</a>", "stray depth 1"},
        {"<? x?><a/>", "stray depth 1"},
        {"<a><!></a>", "stray depth 1"},
        {"<a><!x></a>", "declarations depth 1"},
        {"<!DOCTYPE a><a/>", "declarations depth 1"},
        {"<!DOCTYPE a [<!ENTITY e 'v'>]><a/>", "declarations stopped depth 0"},
        {"<!ENTITY x 'y'><a/>", "declarations depth 1"},
        {"<a><![INCLUDE[x]]></a>", "declarations depth 1"},
        {"x<a/>", "outside depth 1"},
        {"<a/>y", "outside depth 1"},
        {"<a b/>", "loose depth 1"},
        {"<a b=1/>", "loose depth 1"},
        {"<a b=\"x\"y\"/>", "depth 1"},
        {"<a b='say \"x\"'/>", "quote depth 1"},
        {"<a k='v", "cut depth 1"},
        {"<a k", "cut depth 1"},
        {"<!-- x", "cut depth 0"},
        {"<a><![CDATA[x</a>", "cut depth 1"},
        {"<?p k='1'", "cut depth 0"},
        {"<a>t</a", "cut depth 1"},
        {"<", "cut depth 0"},
        {std::string("<a>x</a>\0<b/>", 13), "stopped depth 1"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(facts_of(c.first), c.second) << c.first;
    std::string deep;
    for (std::uint32_t i = 0; i <= XML_MAX_DEPTH; ++i)
        deep += "<a>";
    for (std::uint32_t i = 0; i <= XML_MAX_DEPTH; ++i)
        deep += "</a>";
    EXPECT_EQ(facts_of(deep), "depth " + std::to_string(XML_MAX_DEPTH + 1));
    EXPECT_EQ(facts_of(deep.substr(3, deep.size() - 7)), "depth " + std::to_string(XML_MAX_DEPTH));
}

// A reader of a known layout: its text elements hold everything up to their own end tag, and the rest of
// a start tag is kept, to be written back as it stood.
const char* const kTextNames[] = {"t", "packet", nullptr};

TEST(XmlParse, TextElementsRunToTheirOwnEndTag) {
    XmlReadRules rules;
    rules.text_elements = kTextNames;
    const ParseCase kCases[] = {
        {"Markup", "<a><t>Alice <a@b.org></t></a>", "2 a\n  2 t\n    3 'Alice <a@b.org>'\n"},
        {"Comparison", "<t>x < 5 > 3</t>", "2 t\n  3 'x < 5 > 3'\n"},
        {"LeadingLessThan", "<t><b/></t><u><b/></u>", "2 t\n  3 '<b/>'\n2 u\n  2 b\n"},
        {"OtherEndTags", "<t></a> </t x></tt></t >", "2 t\n  3 '</a> </t x></tt>'\n"},
        {"Normalised", "<packet>\r\n a\r\n\r\n<b> \t</packet>", "2 packet\n  3 'a <b>'\n"},
        {"Empty", "<t>  </t><t></t>", "2 t\n2 t\n"},
        {"OnlyByName", "<x:t><b/></x:t>", "2 x:t\n  2 b\n"},
        {"CutShort", "<t>a <b", "2 t\n  3 'a <b'\n"},
    };
    for (const ParseCase& c : kCases) {
        XmlParser doc;
        doc.set_rules(rules);
        ASSERT_TRUE(doc.load_from_memory(c.text.data(), c.text.size()));
        EXPECT_EQ(dump(doc.root_handle()), c.tree) << c.name;
        std::string out;
        ASSERT_TRUE(write_to_string(doc.root_handle(), out));
        XmlParser again;
        again.set_rules(rules);
        ASSERT_TRUE(again.load_from_memory(out.data(), out.size()));
        EXPECT_EQ(dump(again.root_handle()), c.tree) << c.name << ": written and read again";
    }
    EXPECT_EQ(facts_of("<a><t>x <y> z</t></a>", &rules), "depth 2");
    EXPECT_EQ(facts_of("<a><t>x <y> z</a>", &rules), "cut depth 2");
}

TEST(XmlParse, TagRestsAreKeptAndWrittenAsTheyStood) {
    XmlReadRules rules;
    rules.keep_tag_rest = true;
    const struct {
        const char* text;
        const char* tree;
        const char* written;
    } kCases[] = {
        {"<a n=\"My \"work\" key\"/>", "2 a [n=My] [(none)=work\" key\"]\n", "<a n=\"My\"work\" key\"/>\n"},
        {"<u s=\"1\" n=\"Q\"1\" algo=\"9\">t</u>", "2 u [s=1] [n=Q] [(none)=1\" algo=\"9\"]\n  3 't'\n",
         "<u s=\"1\" n=\"Q\"1\" algo=\"9\">t</u>\n"},
        {"<a b  c='2' / >", "2 a [(none)=b  c='2' /]\n", "<a b  c='2' //>\n"},
        {"<a@b.org>x</a>", "2 a [(none)=@b.org]\n  3 'x'\n", "<a@b.org>x</a>\n"},
        {"<a k=1 />", "2 a [(none)=k=1]\n", "<a k=1/>\n"},
    };
    for (const auto& c : kCases) {
        XmlParser doc;
        doc.set_rules(rules);
        ASSERT_TRUE(doc.load_from_memory(c.text, std::strlen(c.text)));
        EXPECT_EQ(dump(doc.root_handle()), c.tree) << c.text;
        std::string out;
        ASSERT_TRUE(write_to_string(doc.root_handle(), out));
        EXPECT_EQ(out, c.written) << c.text;
        XmlParser again;
        again.set_rules(rules);
        ASSERT_TRUE(again.load_from_memory(out.data(), out.size()));
        EXPECT_EQ(dump(again.root_handle()), c.tree) << c.text << ": written and read again";
        EXPECT_TRUE(again.root_handle().child(0).attribute("(none)").is_null()) << "a rest has no name";
    }
}

} // namespace
