// The key store document: formats, the exact file text a sequence of changes gives, lookups by serial,
// escaping of typed values, the e-mail/comment rule, update entries and stores that are not stores.
#include <gtest/gtest.h>
#include "tests/common/collapsed.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "keystore/store_doc.h"
#include "updatefile/ktformat.h"

namespace {

using zks::StoreDoc;

std::string Text(const StoreDoc& doc) {
    std::string out;
    EXPECT_TRUE(doc.Serialize(out));
    return out;
}

// Serialises, parses the text again and serialises once more: what the next change will see and write.
std::string Reloaded(const StoreDoc& doc, StoreDoc& again) {
    std::string text = Text(doc);
    EXPECT_TRUE(again.Load(text.c_str(), text.size()));
    return Text(again);
}

_tNewTransferPacket MakePacket(uint32_t type, uint32_t serial, const char* name) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = type;
    p.serial = p.secondSerial = serial;
    std::strncpy(p.name, name, sizeof p.name);
    for (size_t i = 200; i < sizeof p; ++i)
        reinterpret_cast<uint8_t*>(&p)[i] = (uint8_t)(i * 7 + serial);
    return p;
}

std::string PacketText(uint32_t type, uint32_t serial, const char* name, const char* headerName = nullptr,
                       uint32_t target = 0) {
    std::string text;
    EXPECT_EQ(zrpc::kt::PacketToText(MakePacket(type, serial, name), headerName, target, text), 0u);
    return text;
}

TEST(KeyStoreFormats, SerialsUpdateIdsAndTimes) {
    EXPECT_EQ(zks::SerialText(0x1A2B3C4D), "1A2B3C4D");
    EXPECT_EQ(zks::SerialText(0xA), "0000000A");
    EXPECT_EQ(zks::UpdateSerialText(0xA001, 0x2B), "0000A001002B");
    EXPECT_EQ(zks::UpdateSerialText(0xFFFFFFFF, 0xFFFF), "FFFFFFFFFFFF");
    EXPECT_EQ(zks::FileTimeText(0x01D9A1B2C3D4E5F6ull), "01D9A1B2C3D4E5F6");
    EXPECT_EQ(zks::FileTimeText(5), "0000000000000005");
}

TEST(KeyStoreFormats, ChunkedTextDropsTheRestOfAChunkAfterANul) {
    std::string plain = "<backupdatabase/>\n";
    EXPECT_EQ(zks::ChunkedText(plain.data(), plain.size()), plain);
    std::string data(5000, 'a');
    data[10] = '\0';
    std::string text = zks::ChunkedText(data.data(), data.size());
    EXPECT_EQ(text, std::string(10, 'a') + std::string(5000 - 4095, 'a'));
}

TEST(KeyStoreDocument, EmptyStoreIsOneLine) {
    StoreDoc doc;
    ASSERT_TRUE(doc.NewEmpty());
    EXPECT_EQ(Text(doc), "<backupdatabase/>\n");
}

TEST(KeyStoreDocument, SequenceOfChangesGivesTheExactFileText) {
    const std::string keyPacket = PacketText(12, 0x5A5A0001, "Alice's Token");
    const std::string backupPacket = PacketText(12, 0xB0000001, "Backup Key 1");
    const std::string updatePacket = PacketText(14, 0x5A5A0001, "", "Alice's Token", 0x5A5A0001);

    StoreDoc doc;
    ASSERT_TRUE(doc.NewEmpty());
    ASSERT_TRUE(doc.AppendPublicKey(0x5A5A0001, "Alice's Token", keyPacket));
    // A fresh packet text keeps its line breaks on the first write.
    EXPECT_EQ(Text(doc), "<backupdatabase>\n\t<publickey serial=\"5A5A0001\" name=\"Alice's Token\">\n"
                         "\t\t<packet>" +
                             keyPacket + "</packet>\n\t</publickey>\n</backupdatabase>\n");

    StoreDoc second;
    std::string reloaded = Reloaded(doc, second);
    ASSERT_TRUE(second.AppendPublicKey(0xB0000001, "Backup Key", backupPacket));
    XmlNodeHandle alice = second.FindPublicKey(0x5A5A0001);
    ASSERT_FALSE(alice.is_null());
    ASSERT_TRUE(StoreDoc::SetNote(alice, "email", "alice@example.org"));
    ASSERT_TRUE(StoreDoc::SetNote(alice, "comment", "payroll keys"));
    XmlNodeHandle updates = StoreDoc::Updates(alice, true);
    ASSERT_TRUE(StoreDoc::AppendUpdate(updates, zks::UpdateSerialText(0xA001, 1), "Payroll", 9,
                                       0x01D9000011112222ull, updatePacket));
    ASSERT_TRUE(StoreDoc::AppendUpdate(updates, zks::UpdateSerialText(0xA003, 3), "Digest", 0x81,
                                       0x01D9000033334444ull, updatePacket));

    StoreDoc third;
    const std::string expected = "<backupdatabase>\n"
                                 "\t<publickey serial=\"5A5A0001\" name=\"Alice's Token\">\n"
                                 "\t\t<packet>" +
                                 Collapsed(keyPacket) +
                                 "</packet>\n"
                                 "\t\t<email>alice@example.org</email>\n"
                                 "\t\t<comment>payroll keys</comment>\n"
                                 "\t\t<updates>\n"
                                 "\t\t\t<update serial=\"0000A0010001\" name=\"Payroll\" algo=\"9\">\n"
                                 "\t\t\t\t<created>01D9000011112222</created>\n"
                                 "\t\t\t\t<packet>" +
                                 Collapsed(updatePacket) +
                                 "</packet>\n"
                                 "\t\t\t</update>\n"
                                 "\t\t\t<update serial=\"0000A0030003\" name=\"Digest\" algo=\"129\">\n"
                                 "\t\t\t\t<created>01D9000033334444</created>\n"
                                 "\t\t\t\t<packet>" +
                                 Collapsed(updatePacket) +
                                 "</packet>\n"
                                 "\t\t\t</update>\n"
                                 "\t\t</updates>\n"
                                 "\t</publickey>\n"
                                 "\t<publickey serial=\"B0000001\" name=\"Backup Key\">\n"
                                 "\t\t<packet>" +
                                 Collapsed(backupPacket) +
                                 "</packet>\n"
                                 "\t</publickey>\n"
                                 "</backupdatabase>\n";
    EXPECT_EQ(Reloaded(second, third), expected);

    // Deleting the first key takes its updates with it.
    int at = third.FindPublicKeyChildNoCase(0x5A5A0001);
    ASSERT_EQ(at, 0);
    third.RemoveChild(at);
    EXPECT_EQ(Text(third),
              "<backupdatabase>\n\t<publickey serial=\"B0000001\" name=\"Backup Key\">\n\t\t<packet>" +
                  Collapsed(backupPacket) + "</packet>\n\t</publickey>\n</backupdatabase>\n");
    third.RemoveChild(0);
    EXPECT_EQ(Text(third), "<backupdatabase/>\n");
}

TEST(KeyStoreDocument, PacketTextReadBackStillDecodes) {
    const std::string keyPacket = PacketText(12, 0x77, "Seventy-seven");
    StoreDoc doc, again;
    ASSERT_TRUE(doc.NewEmpty());
    ASSERT_TRUE(doc.AppendPublicKey(0x77, "Seventy-seven", keyPacket));
    Reloaded(doc, again);
    std::string text = StoreDoc::ElementText(StoreDoc::ChildElement(again.FindPublicKey(0x77), "packet"));
    EXPECT_NE(text, keyPacket);
    _tNewTransferPacket back;
    ASSERT_EQ(zrpc::kt::TextToPacket(text.data(), text.size(), back), 0u);
    _tNewTransferPacket original = MakePacket(12, 0x77, "Seventy-seven");
    EXPECT_EQ(std::memcmp(&back, &original, sizeof back), 0);
}

TEST(KeyStoreDocument, TypedValuesWithMarkupCharactersComeBackExactly) {
    const std::string values[] = {"R&D <lab>", "\"quoted\" & more", "a&amp;b stays a&amp;b", "<>&\"'",
                                  "plain"};
    for (const std::string& v : values) {
        const std::string packet = PacketText(14, 1, "", v.substr(0, 16).c_str(), 1);
        StoreDoc doc, again;
        ASSERT_TRUE(doc.NewEmpty());
        ASSERT_TRUE(doc.AppendPublicKey(0x10, v, PacketText(12, 0x10, "x")));
        XmlNodeHandle key = doc.FindPublicKey(0x10);
        ASSERT_TRUE(StoreDoc::SetNote(key, "email", v));
        ASSERT_TRUE(StoreDoc::SetNote(key, "comment", v));
        ASSERT_TRUE(StoreDoc::AppendUpdate(StoreDoc::Updates(key, true), "000000010001", v, 1, 0, packet));
        std::string text = Reloaded(doc, again);
        XmlNodeHandle back = again.FindPublicKey(0x10);
        ASSERT_FALSE(back.is_null()) << text;
        EXPECT_EQ(StoreDoc::AttributeText(back, "name"), v);
        EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(back, "email")), v);
        EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(back, "comment")), v);
        XmlNodeHandle update = StoreDoc::FindUpdate(StoreDoc::Updates(back, false), "000000010001");
        ASSERT_FALSE(update.is_null());
        EXPECT_EQ(StoreDoc::AttributeText(update, "name"), v);
        std::string updateText = StoreDoc::ElementText(StoreDoc::ChildElement(update, "packet"));
        EXPECT_EQ(updateText, Collapsed(packet));
        EXPECT_NE(updateText.find("NAME=" + v.substr(0, 16) + " "), std::string::npos) << updateText;
        EXPECT_EQ(again.Root().child_count(), 1u) << "markup in a value must not make elements";
        if (v == "plain") EXPECT_NE(text.find("name=\"plain\""), std::string::npos) << "stored byte for byte";
    }
}

TEST(KeyStoreDocument, StoresWrittenWithoutEscapingReadAsBefore) {
    // Text the plain writer produced: apostrophes, a stray ampersand and a '>' were written raw.
    const std::string file = "<backupdatabase>\n\t<publickey serial=\"00000042\" name=\"Bob's & Co >\">\n"
                             "\t\t<packet>x</packet>\n\t\t<email>bob@example.org</email>\n"
                             "\t\t<comment>A & B > C</comment>\n\t</publickey>\n</backupdatabase>\n";
    StoreDoc doc;
    ASSERT_TRUE(doc.Load(file.data(), file.size()));
    XmlNodeHandle key = doc.FindPublicKey(0x42);
    EXPECT_EQ(StoreDoc::AttributeText(key, "name"), "Bob's & Co >");
    EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(key, "email")), "bob@example.org");
    EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(key, "comment")), "A & B > C");
    EXPECT_EQ(Text(doc), file) << "nothing changes when such a store is written again untouched";
}

// A byte-order mark in front of the store stays in front of it; the entries a change leaves alone
// are written back byte for byte, and so is what a writer that escapes nothing wrote into them.
TEST(KeyStoreDocument, ChangesKeepTheMarkAndTheEntriesTheyLeaveAlone) {
    const std::string entry = "\t<publickey serial=\"00000042\" name=\"Bob\">\n\t\t<packet>x y</packet>\n"
                              "\t\t<comment>Alice <a@b.org> & co</comment>\n\t\t<updates>\n"
                              "\t\t\t<update serial=\"0000A0010001\" name=\"Q\" algo=\"9\">\n"
                              "\t\t\t\t<created>01</created>\n\t\t\t\t<packet>p</packet>\n\t\t\t</update>\n"
                              "\t\t</updates>\n\t</publickey>\n";
    const std::string file = "\xEF\xBB\xBF<backupdatabase>\n" + entry + "</backupdatabase>\n";
    for (zks::StoreUse use : {zks::StoreUse::read, zks::StoreUse::change}) {
        StoreDoc doc;
        char* heap = static_cast<char*>(std::malloc(file.size() + 1));
        std::memcpy(heap, file.c_str(), file.size() + 1);
        ASSERT_TRUE(doc.LoadHeapText(heap, file.size(), XmlBuild::on_demand, use));
        EXPECT_TRUE(doc.Whole());
        EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(doc.FindPublicKey(0x42), "comment")),
                  "Alice <a@b.org> & co");
        ASSERT_TRUE(doc.AppendPublicKey(0x43, "new", "z"));
        EXPECT_EQ(Text(doc), "\xEF\xBB\xBF<backupdatabase>\n" + entry +
                                 "\t<publickey serial=\"00000043\" name=\"new\">\n\t\t<packet>z</packet>\n"
                                 "\t</publickey>\n</backupdatabase>\n");
    }
}

// Where a name is cut to a 16-byte field (here in UTF-8): the library cuts between characters, and a
// full field that ends inside a character gives its text without that remnant. Without a cut point
// (a single-byte code page) bytes are bytes.
TEST(KeyStoreFormats, NameFieldsAreCutBetweenCharacters) {
    const std::string letters = "A\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94"; // 15 bytes
    char field[16];
    zks::CopyNameField(field, letters + "\xD0\x96", zrpc::Utf8CutPoint);
    EXPECT_EQ(std::string(field, 16), letters + std::string(1, '\0'));
    zks::CopyNameField(field, letters + "\xD0\x96");
    EXPECT_EQ(std::string(field, 16), letters + "\xD0");
    EXPECT_EQ(zks::NameFieldText(field, zrpc::Utf8CutPoint), letters);
    EXPECT_EQ(zks::NameFieldText(field), letters + "\xD0");
    const std::string whole = "AB" + letters.substr(1); // 16 bytes of whole letters
    std::memcpy(field, whole.data(), 16);
    EXPECT_EQ(zks::NameFieldText(field, zrpc::Utf8CutPoint), whole);
    std::memcpy(field, "x\xD0y\0", 4);
    EXPECT_EQ(zks::NameFieldText(field, zrpc::Utf8CutPoint), "x\xD0y") << "the caller's bytes as given";
    EXPECT_EQ(zks::CutText(letters + "\xD0\x96", 16, zrpc::Utf8CutPoint), letters);
    EXPECT_EQ(zks::CutText("short", 16, zrpc::Utf8CutPoint), "short");
}

TEST(KeyStoreDocument, SerialLookupsAreExactExceptForDeletion) {
    const std::string file = "<backupdatabase>\n\t<publickey serial=\"00a0b0c0\" name=\"lower\">\n"
                             "\t\t<packet>x</packet>\n\t</publickey>\n"
                             "\t<publickey serial=\"00A0B0C1\" name=\"upper\">\n\t\t<packet>y</packet>\n"
                             "\t</publickey>\n</backupdatabase>\n";
    StoreDoc doc;
    ASSERT_TRUE(doc.Load(file.data(), file.size()));
    EXPECT_TRUE(doc.FindPublicKey(0x00A0B0C0).is_null());
    EXPECT_EQ(doc.FindPublicKeyChildNoCase(0x00A0B0C0), 0);
    EXPECT_FALSE(doc.FindPublicKey(0x00A0B0C1).is_null());
    EXPECT_EQ(doc.FindPublicKeyChildNoCase(0x00A0B0C1), 1);
    EXPECT_EQ(doc.FindPublicKeyChildNoCase(0x1), -1);

    const std::string updates = "<backupdatabase><publickey serial=\"00000001\" name=\"k\"><packet>p</packet>"
                                "<updates><update serial=\"0000a00a0001\" name=\"u\" algo=\"1\"/>"
                                "</updates></publickey></backupdatabase>";
    StoreDoc u;
    ASSERT_TRUE(u.Load(updates.data(), updates.size()));
    XmlNodeHandle list = StoreDoc::Updates(u.FindPublicKey(1), false);
    EXPECT_TRUE(StoreDoc::FindUpdate(list, zks::UpdateSerialText(0xA00A, 1)).is_null());
    EXPECT_EQ(StoreDoc::FindUpdateChildNoCase(list, zks::UpdateSerialText(0xA00A, 1)), 0);
}

TEST(KeyStoreDocument, NotesFollowTheEmailAndCommentRule) {
    StoreDoc doc;
    ASSERT_TRUE(doc.NewEmpty());
    ASSERT_TRUE(doc.AppendPublicKey(1, "k", "p"));
    XmlNodeHandle key = doc.FindPublicKey(1);
    const std::string before = Text(doc);

    ASSERT_TRUE(StoreDoc::SetNote(key, "email", "")); // empty text on a key without email: no change
    EXPECT_EQ(Text(doc), before);

    ASSERT_TRUE(StoreDoc::SetNote(key, "comment", "first"));
    ASSERT_TRUE(StoreDoc::SetNote(key, "email", "a@b"));
    ASSERT_TRUE(StoreDoc::SetNote(key, "comment", "a longer second comment"));
    EXPECT_EQ(Text(doc),
              "<backupdatabase>\n\t<publickey serial=\"00000001\" name=\"k\">\n\t\t<packet>p</packet>\n"
              "\t\t<comment>a longer second comment</comment>\n\t\t<email>a@b</email>\n"
              "\t</publickey>\n</backupdatabase>\n")
        << "elements keep the order in which they were first added";

    ASSERT_TRUE(StoreDoc::SetNote(key, "email", ""));
    EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(key, "email")), "");
    EXPECT_FALSE(StoreDoc::ChildElement(key, "email").is_null()) << "emptied, not removed";

    // An element whose first child is not text cannot take a note. (Read from a file, whatever an email
    // element holds is its text: "<x/>" there is a note a writer that escapes nothing wrote.)
    const std::string odd = "<backupdatabase><publickey serial=\"00000002\" name=\"k\"><packet>p</packet>"
                            "<email><x/></email></publickey></backupdatabase>";
    StoreDoc bad;
    ASSERT_TRUE(bad.Load(odd.data(), odd.size()));
    EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(bad.FindPublicKey(2), "email")), "<x/>");
    XmlNodeHandle email = StoreDoc::ChildElement(bad.FindPublicKey(2), "email");
    email.erase_child(0);
    ASSERT_FALSE(StoreDoc::AppendElement(email, "x").is_null());
    EXPECT_FALSE(StoreDoc::SetNote(bad.FindPublicKey(2), "email", "new"));
}

TEST(KeyStoreDocument, UpdateEntriesDecodeTheirFields) {
    const std::string file =
        "<backupdatabase><publickey serial=\"00000001\" name=\"k\"><packet>p</packet><updates>"
        "<update serial=\"0000A0010002\" name=\"Payroll\" algo=\"9\"><created>01D9A1B2C3D4E5F6</created>"
        "<packet>x</packet></update>"
        "<update serial=\"0000A0030003\" name=\"ExactlySixteen!!\" algo=\"129\"><created>1</created></update>"
        "<update serial=\"0000A004\" name=\"M&amp;A\" algo=\"130\"/>"
        "<update/>"
        "</updates></publickey></backupdatabase>";
    StoreDoc doc;
    ASSERT_TRUE(doc.Load(file.data(), file.size()));
    XmlNodeHandle updates = StoreDoc::Updates(doc.FindPublicKey(1), false);
    ASSERT_EQ(updates.child_count(), 4u);
    struct {
        uint32_t keySerial;
        uint16_t id;
        uint8_t algo;
        uint64_t created;
        std::string name;
    } expected[] = {{0xA001, 2, 9, 0x01D9A1B2C3D4E5F6ull, "Payroll"},
                    {0xA003, 3, 0x81, 0x1ull << 32, "ExactlySixteen!!"},
                    {0xA004, 0, 0x82, 0, "M&A"},
                    {0, 0, 0, 0, ""}};
    for (uint32_t i = 0; i < 4; ++i) {
        _tDBKeyUpdate u;
        std::memset(&u, 0xEE, sizeof u);
        zks::ReadUpdateEntry(updates.child(i), &u);
        // Copies: the record is packed.
        uint32_t keySerial = u.keySerial;
        uint16_t id = u.updateId;
        uint8_t algo = u.algorithm;
        uint64_t created = u.created;
        EXPECT_EQ(keySerial, expected[i].keySerial) << i;
        EXPECT_EQ(id, expected[i].id) << i;
        EXPECT_EQ(algo, expected[i].algo) << i;
        EXPECT_EQ(created, expected[i].created) << i;
        EXPECT_EQ(std::string(u.name, 16), expected[i].name + std::string(16 - expected[i].name.size(), '\0'))
            << i;
    }
    EXPECT_EQ(updates.child(3).attribute_count(), 0u) << "reading a missing attribute does not add it";
}

TEST(KeyStoreDocument, TextsThatAreNoStoreDoNotLoad) {
    const std::string bad[] = {
        std::string(),
        std::string("\0\0\0\0", 4),
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
        "<keystore><publickey serial=\"00000001\"/></keystore>",
        "just text",
        "<backupdatabas",
    };
    for (const std::string& b : bad) {
        StoreDoc doc;
        EXPECT_FALSE(doc.Load(b.data(), b.size())) << b;
        EXPECT_FALSE(doc.Loaded());
        EXPECT_TRUE(doc.FindPublicKey(1).is_null());
        EXPECT_EQ(doc.FindPublicKeyChildNoCase(1), -1);
        std::string out;
        EXPECT_FALSE(doc.Serialize(out));
    }
}

// A heap block handed to the document is parsed in place and released with it, also when it holds no
// store (the sanitizers report a leak or a double free otherwise).
TEST(KeyStoreDocument, HeapTextLoadsInPlaceAndIsReleasedWithTheDocument) {
    auto heap = [](const std::string& text) {
        char* block = static_cast<char*>(std::malloc(text.size() + 1));
        std::memcpy(block, text.data(), text.size());
        block[text.size()] = 0;
        return block;
    };
    const std::string store = "<backupdatabase>\n\t<publickey serial=\"0000ABCD\" name=\"A &amp; B\">\n"
                              "\t\t<packet>x</packet>\n\t</publickey>\n</backupdatabase>\n";
    StoreDoc inPlace, copied;
    ASSERT_TRUE(inPlace.LoadHeapText(heap(store), store.size()));
    ASSERT_TRUE(copied.Load(store.data(), store.size()));
    EXPECT_EQ(Text(inPlace), Text(copied));
    EXPECT_FALSE(inPlace.FindPublicKey(0xABCD).is_null());

    for (const std::string& bad : {std::string("just text"), std::string("<keystore/>"), std::string()}) {
        StoreDoc doc;
        EXPECT_FALSE(doc.LoadHeapText(heap(bad), bad.size())) << bad;
        EXPECT_FALSE(doc.Loaded());
    }
}

TEST(KeyStoreDocument, DamagedEntriesAnswerWithoutCrashing) {
    // Truncated, keys without serial or packet, updates without attributes: lookups still answer.
    const std::string damaged[] = {
        "<backupdatabase><publickey name=\"no serial\"><packet>p</packet></publickey>"
        "<publickey serial=\"00000002\" name=\"no packet\"><updates><update serial=\"000000010001\">"
        "<packet>update packet</packet></update></updates></publickey>",
        "<backupdatabase><publickey serial=\"00000002\"",
        "<backupdatabase><publickey serial=\"00000002\" name=\"k\"><packet>",
    };
    for (const std::string& d : damaged) {
        StoreDoc doc;
        ASSERT_TRUE(doc.Load(d.data(), d.size())) << d;
        EXPECT_EQ(doc.FindPublicKeyChildNoCase(1), -1);
        XmlNodeHandle key = doc.FindPublicKey(2);
        ASSERT_FALSE(key.is_null()) << d;
        // The key's own packet is its direct child, never an update's.
        std::string packet = StoreDoc::ElementText(StoreDoc::ChildElement(key, "packet"));
        EXPECT_NE(packet, "update packet");
        EXPECT_EQ(StoreDoc::ElementText(StoreDoc::ChildElement(key, "email")), "");
        _tDBKeyUpdate u;
        for (uint32_t i = 0; i < StoreDoc::Updates(key, false).child_count(); ++i)
            zks::ReadUpdateEntry(StoreDoc::Updates(key, false).child(i), &u);
        std::string out;
        EXPECT_TRUE(doc.Serialize(out));
    }
}

} // namespace
