// The read connection's snapshot: enumerations of keys and updates, their cursors, notes, counts and
// update packets, on a store built in memory, and on the same store read back from its text whole and
// on demand (as the connection reads it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "keystore/connection.h"
#include "updatefile/ktformat.h"

namespace {

_tNewTransferPacket Packet(uint32_t serial) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = ZRPC_PACKET_ISSUE_DATA;
    p.serial = p.secondSerial = serial;
    for (size_t i = 200; i < sizeof p; ++i)
        reinterpret_cast<uint8_t*>(&p)[i] = (uint8_t)(i * 3 + serial);
    return p;
}

std::string PacketText(uint32_t serial) {
    std::string text;
    EXPECT_EQ(zrpc::kt::PacketToText(Packet(serial), nullptr, 0, text), 0u);
    return text;
}

enum class Source { built, readWhole, readOnDemand };

// Two keys: Alice's with notes and two updates, Bob's bare.
class Snapshot : public ::testing::TestWithParam<Source> {
  protected:
    void SetUp() override {
        zks::StoreDoc& doc = built.Doc();
        ASSERT_TRUE(doc.NewEmpty());
        ASSERT_TRUE(doc.AppendPublicKey(0x5A5A0001, "Alice's Token", PacketText(1)));
        ASSERT_TRUE(doc.AppendPublicKey(0x00B0B000, "Bob", PacketText(2)));
        XmlNodeHandle alice = doc.FindPublicKey(0x5A5A0001);
        ASSERT_TRUE(zks::StoreDoc::SetNote(alice, "email", "alice@example.org"));
        XmlNodeHandle updates = zks::StoreDoc::Updates(alice, true);
        ASSERT_TRUE(zks::StoreDoc::AppendUpdate(updates, zks::UpdateSerialText(0xA001, 1), "Payroll", 9, 5,
                                                PacketText(0xA001)));
        ASSERT_TRUE(zks::StoreDoc::AppendUpdate(updates, zks::UpdateSerialText(0xA003, 3), "Digest", 0x81, 6,
                                                PacketText(0xA003)));
        ASSERT_TRUE(built.Index());
        if (GetParam() != Source::built) {
            std::string text;
            ASSERT_TRUE(doc.Serialize(text));
            char* heap = static_cast<char*>(std::malloc(text.size() + 1));
            std::memcpy(heap, text.c_str(), text.size() + 1);
            ASSERT_TRUE(read.Doc().LoadHeapText(heap, text.size(),
                                                GetParam() == Source::readOnDemand ? XmlBuild::on_demand
                                                                                   : XmlBuild::whole));
            ASSERT_TRUE(read.Index());
        }
    }
    zks::StoreSnapshot built, read;
    zks::StoreSnapshot& snap = GetParam() == Source::built ? built : read;
};

INSTANTIATE_TEST_SUITE_P(Sources, Snapshot,
                         ::testing::Values(Source::built, Source::readWhole, Source::readOnDemand));

} // namespace

TEST_P(Snapshot, KeysInDocumentOrderWithTheirNotes) {
    unsigned long serial = 0;
    unsigned char name[16];
    char note[256];
    EXPECT_EQ(snap.NextPublicKey(&serial, name), 3u); // no First yet
    ASSERT_EQ(snap.FirstPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0x5A5A0001u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), 13), "Alice's Token");
    EXPECT_EQ(snap.NoteAtCursor("email", note), 0u);
    EXPECT_STREQ(note, "alice@example.org");
    EXPECT_EQ(snap.NoteAtCursor("comment", note), 1u); // missing note
    ASSERT_EQ(snap.NextPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0x00B0B000u);
    EXPECT_EQ(snap.NextPublicKey(&serial, name), 7u);
    EXPECT_EQ(snap.NextPublicKey(&serial, name), 7u); // stays past the end
    EXPECT_EQ(snap.NoteAtCursor("email", note), 1u);
    EXPECT_EQ(snap.FirstPublicKey(nullptr, name), 3u);
}

TEST_P(Snapshot, UpdatesCountsAndPackets) {
    _tDBKeyUpdate update;
    EXPECT_EQ(snap.NextUpdate(&update), 3u); // no First yet
    EXPECT_EQ(snap.FirstUpdate(0x12345678, &update), 29u);
    EXPECT_EQ(snap.FirstUpdate(0x00B0B000, &update), 7u); // a key without updates
    ASSERT_EQ(snap.FirstUpdate(0x5A5A0001, &update), 0u);
    EXPECT_EQ(update.keySerial, 0xA001u);
    EXPECT_EQ(update.updateId, 1u);
    ASSERT_EQ(snap.NextUpdate(&update), 0u);
    EXPECT_EQ(update.keySerial, 0xA003u);
    EXPECT_EQ(snap.NextUpdate(&update), 7u);

    unsigned long count = 9;
    EXPECT_EQ(snap.UpdateCount(0x5A5A0001, &count), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(snap.UpdateCount(0x00B0B000, &count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(snap.UpdateCount(0x77, &count), 29u);

    _tNewTransferPacket packet;
    ASSERT_EQ(snap.UpdatePacket(0x5A5A0001, 0xA003, 3, &packet), 0u);
    _tNewTransferPacket want = Packet(0xA003);
    EXPECT_EQ(std::memcmp(&packet, &want, sizeof packet), 0);
    EXPECT_EQ(snap.UpdatePacket(0x5A5A0001, 0xA003, 4, &packet), 29u); // no such update
    EXPECT_EQ(snap.UpdatePacket(0x5A5A0001, 0xA003, 3, nullptr), 3u);
}
