// Which store texts count as complete documents: only those may be changed and written back.
#include <gtest/gtest.h>

#include <string>

#include "keystore/store_check.h"

namespace {

TEST(StoreCheck, CompleteAndDamagedTexts) {
    const std::string entry =
        "\t<publickey serial=\"00000001\" name=\"a &gt; b\">\n\t\t<packet>AAAA BBBB</packet>\n"
        "\t\t<email></email>\n\t\t<updates>\n\t\t\t<update serial=\"000000010001\" "
        "name='u' algo=\"9\"><created>0</created><packet>x</packet></update>\n"
        "\t\t</updates>\n\t</publickey>\n";
    const std::string whole = "<backupdatabase>\n" + entry + "</backupdatabase>\n";
    struct Case {
        const char* what;
        std::string text;
        bool complete;
    } cases[] = {
        {"store", whole, true},
        {"empty store", "<backupdatabase/>\n", true},
        {"empty store with blanks", "  <backupdatabase />\r\n\t ", true},
        {"declaration and comment first", "<?xml version=\"1.0\"?>\n<!-- c -->\n" + whole, true},
        {"comment, CDATA and PI inside",
         "<backupdatabase><!-- a<b --><![CDATA[<x>]]><?p q?></backupdatabase>", true},
        {"attribute value holding '>'", "<backupdatabase><publickey name=\"a>b\"/></backupdatabase>", true},
        // What writers that escape nothing write.
        {"attribute value holding '<'", "<backupdatabase><publickey name=\"<a>\"/></backupdatabase>", true},
        {"byte-order mark first", "\xEF\xBB\xBF" + whole, true},
        {"comment holding markup",
         "<backupdatabase><publickey serial=\"00000001\" name=\"k\"><packet>p</packet><comment>Alice "
         "<a@b.org>"
         "</comment><email><x/></email></publickey></backupdatabase>",
         true},
        {"value holding its own quote",
         "<backupdatabase><publickey serial=\"1\" name=\"My \"work\" key\"/></backupdatabase>", true},
        {"update name holding a quote, algo after it",
         "<backupdatabase><publickey><updates><update serial=\"1\" name=\"a\"b\" "
         "algo=\"9\"/></updates></publickey>"
         "</backupdatabase>",
         true},
        {"deepest level of the layout",
         "<backupdatabase><publickey><updates><update><packet>p</packet></update></updates></publickey>"
         "</backupdatabase>",
         true},
        // Damaged, or not what any writer of the layout writes.
        {"byte-order mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF" + whole, false},
        {"'<' in the text of an element of elements",
         "<backupdatabase><publickey> a < b </publickey></backupdatabase>", false},
        {"unquoted value", "<backupdatabase><publickey name=k/></backupdatabase>", false},
        {"single-quoted value holding a quote", "<backupdatabase><publickey name='a\"b'/></backupdatabase>",
         false},
        {"markup inside the text of a packet",
         "<backupdatabase><publickey><updates><update><packet><x/></packet></update></updates></publickey>"
         "</backupdatabase>",
         true},
        {"deeper than the layout, in an element that holds elements",
         "<backupdatabase><publickey><updates><update><x><y/></x></update></updates></publickey>"
         "</backupdatabase>",
         false},
        {"end tag holding more than its name", "<backupdatabase><publickey></publickey x></backupdatabase>",
         false},
        {"include section inside", "<backupdatabase><![INCLUDE[ x ]]></backupdatabase>", false},
        {"root inside another element", "<a><backupdatabase/></a>", false},
        {"nothing", "", false},
        {"only blanks", " \n", false},
        {"other root", "<keystore/>", false},
        {"cut inside an entry", whole.substr(0, 40), false},
        {"cut inside the closing tag", whole.substr(0, whole.size() - 5), false},
        {"closing tag missing", "<backupdatabase>\n" + entry, false},
        {"NUL byte", std::string("<backupdatabase>\0</backupdatabase>", 34), false},
        {"doctype before", "<!DOCTYPE backupdatabase>\n" + whole, false},
        {"doctype inside", "<backupdatabase><!DOCTYPE x [<!ENTITY e \"v\">]>" + entry + "</backupdatabase>",
         false},
        {"element after the root", whole + "<publickey/>", false},
        {"text after the root", whole + "x", false},
        {"text before the root", "x" + whole, false},
        {"second root", whole + "<backupdatabase/>", false},
        {"mismatched end tag", "<backupdatabase><publickey></packet></backupdatabase>", false},
        {"unclosed attribute value", "<backupdatabase><publickey name=\"a/></backupdatabase>", false},
        {"attribute without value", "<backupdatabase><publickey name/></backupdatabase>", false},
        {"unclosed comment", "<backupdatabase><!-- </backupdatabase>", false},
        {"unclosed CDATA", "<backupdatabase><![CDATA[ </backupdatabase>", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.complete, zks::IsCompleteStoreText(c.text.data(), c.text.size())) << c.what;
    EXPECT_FALSE(zks::IsCompleteStoreText(nullptr, 0));
}

// A store nests only as deep as its layout: anything deeper is damaged, however well it closes, and
// is told in time linear in the text, without a deep stack.
TEST(StoreCheck, DeepNestingIsDamage) {
    for (int depth : {1, 200000}) {
        std::string text =
            "<backupdatabase><publickey serial=\"00000001\" name=\"k\"><packet>p</packet><updates>";
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        text += "</updates></publickey></backupdatabase>";
        EXPECT_EQ(zks::IsCompleteStoreText(text.data(), text.size()), depth == 1) << depth;
        text.erase(text.size() - 40, 4);
        EXPECT_FALSE(zks::IsCompleteStoreText(text.data(), text.size()));
    }
}

} // namespace
