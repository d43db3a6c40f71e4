// Values that held packet text leave nothing behind when a shorter value replaces them in place.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keystore/store_doc.h"

namespace {

TEST(XmlWipe, ShorterValuesWipeTheOldTail) {
    const std::string text = "<backupdatabase><publickey serial=\"00000001\" name=\"a long name here\">"
                             "<packet>SECRET-PACKET-TEXT</packet></publickey></backupdatabase>";
    zks::StoreDoc doc;
    ASSERT_TRUE(doc.Load(text.c_str(), text.size()));
    XmlNodeHandle key = doc.FindPublicKey(1);
    XmlNodeHandle packet = zks::StoreDoc::ChildElement(key, "packet");
    XmlNodeHandle value = packet.child(0);
    char* stored = value.node()->value;
    const size_t oldLength = std::strlen(stored);
    ASSERT_TRUE(zks::StoreDoc::SetElementText(packet, "new"));
    ASSERT_EQ(value.node()->value, stored) << "replaced in place";
    EXPECT_STREQ(stored, "new");
    EXPECT_EQ(std::string(stored + 4, oldLength - 3), std::string(oldLength - 3, '\0'));

    XmlAttrHandle name = key.attribute("name");
    char* nameText = name.record()->value;
    const size_t nameLength = std::strlen(nameText);
    ASSERT_TRUE(zks::StoreDoc::SetAttributeText(key, "name", "b"));
    EXPECT_STREQ(nameText, "b");
    EXPECT_EQ(std::string(nameText + 2, nameLength - 1), std::string(nameLength - 1, '\0'));
}

TEST(XmlWipe, SerialisedStoreIsWhole) {
    // The serialiser grows its buffer itself (wiping what it outgrows): the text must still be exact.
    zks::StoreDoc doc;
    ASSERT_TRUE(doc.NewEmpty());
    std::string packet(5000, 'p');
    for (std::uint32_t i = 1; i <= 50; ++i)
        ASSERT_TRUE(doc.AppendPublicKey(i, "k", packet));
    std::string out;
    ASSERT_TRUE(doc.Serialize(out));
    zks::StoreDoc again;
    ASSERT_TRUE(again.Load(out.c_str(), out.size()));
    for (std::uint32_t i = 1; i <= 50; ++i)
        EXPECT_EQ(zks::StoreDoc::ElementText(zks::StoreDoc::ChildElement(again.FindPublicKey(i), "packet")),
                  packet);
}

} // namespace
