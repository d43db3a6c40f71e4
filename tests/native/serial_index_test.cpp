// The connection's serial index answers every lookup exactly as the tree walk of FindPublicKey does,
// on a document with the odd entries a hand-edited store may hold, read whole and on demand.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "keystore/serial_index.h"
#include "keystore/store_doc.h"

namespace {

TEST(SerialIndex, AgreesWithTheTreeWalk) {
    const std::string text =
        "<backupdatabase>"
        "<publickey serial=\"0000000A\" name=\"first\"><packet>p</packet>"
        "<publickey serial=\"0000000B\" name=\"nested in a key\"/></publickey>"
        "<publickey serial=\"0000000a\" name=\"lower case\"/>"
        "<publickey serial=\"0000000A\" name=\"second of A\"/>"
        "<group><publickey serial=\"0000000C\" name=\"inside another element\"/></group>"
        "<publickey serial=\"000000D\" name=\"seven digits\"/>"
        "<publickey serial=\"0000000E0\" name=\"nine digits\"/>"
        "<publickey name=\"no serial\"><publickey serial=\"0000000F\" name=\"below a key without serial\"/>"
        "</publickey>"
        "<publickey other=\"x\" serial=\"FFFFFFFF\" serial=\"00000010\" name=\"two serials\"/>"
        "<key serial=\"00000011\"/>"
        "<publickey serial=\"00000012\" name=\"last\"/>"
        "</backupdatabase>";
    for (XmlBuild build : {XmlBuild::whole, XmlBuild::on_demand}) {
        SCOPED_TRACE(build == XmlBuild::whole ? "whole" : "on demand");
        zks::StoreDoc doc;
        char* heap = static_cast<char*>(std::malloc(text.size() + 1));
        std::memcpy(heap, text.c_str(), text.size() + 1);
        ASSERT_TRUE(doc.LoadHeapText(heap, text.size(), build));
        zks::SerialIndex index;
        ASSERT_TRUE(index.Build(doc.Root()));
        const std::uint32_t serials[] = {0x0A, 0x0B, 0x0C, 0x0D,       0x0E, 0x0E0, 0x0F,
                                         0x10, 0x11, 0x12, 0xFFFFFFFF, 0,    0x99};
        int found = 0;
        for (std::uint32_t s : serials) {
            XmlNodeHandle walked = doc.FindPublicKey(s), indexed = index.Find(s);
            EXPECT_EQ(walked.is_null(), indexed.is_null()) << std::hex << s;
            if (!walked.is_null()) {
                EXPECT_EQ(walked.node(), indexed.node()) << std::hex << s;
                ++found;
            }
        }
        EXPECT_EQ(found, 5) << "A, C, both serials of the two-serial key, and the last";
        EXPECT_EQ(zks::StoreDoc::AttributeText(index.Find(0x0A), "name"), "first");
    }
}

TEST(SerialIndex, EmptyDocuments) {
    zks::SerialIndex index;
    EXPECT_TRUE(index.Build(XmlNodeHandle()));
    EXPECT_TRUE(index.Find(1).is_null());
    zks::StoreDoc doc;
    ASSERT_TRUE(doc.NewEmpty());
    EXPECT_TRUE(index.Build(doc.Root()));
    EXPECT_TRUE(index.Find(0).is_null());
}

} // namespace
