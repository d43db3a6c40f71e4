// Key stores as users have them: stores written by a writer that escapes nothing (notes and names
// holding '<', '>' and '"', a byte-order mark, a declaration in front), which every change must take and
// give back as they read; stores nested deeper than their layout, refused at once; a read-only store
// file and a folder in the store's place; values without markup stored byte for byte.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include <cstdio>

#include "standins/token/softtoken.h"

namespace {

using kst::Read;
using kst::StoreFile;

std::string Hex8(uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", (unsigned)serial);
    return text;
}

// One public key as a writer that escapes nothing lays it out: name and notes exactly as given, the
// packet text with its line breaks; `inside` holds the lines after the packet.
std::string Entry(uint32_t serial, const std::string& name, const std::string& inside = "") {
    return "\t<publickey serial=\"" + Hex8(serial) + "\" name=\"" + name + "\">\n\t\t<packet>" +
           kst::UpdateText(kst::PublicKeyPacket(serial, "k")) + "</packet>\n" + inside + "\t</publickey>\n";
}

std::string Store(const std::string& entries) {
    return "<backupdatabase>\n" + entries + "</backupdatabase>\n";
}

// Everything the exports read of one key, and the list of every key.
struct Reading {
    int named = 0;
    std::string name, email, comment, updates, listed;
    unsigned long packet = 0;
    bool operator==(const Reading& o) const {
        return named == o.named && name == o.name && email == o.email && comment == o.comment &&
               updates == o.updates && listed == o.listed && packet == o.packet;
    }
};

std::ostream& operator<<(std::ostream& out, const Reading& r) {
    return out << "name " << r.named << " '" << r.name << "' email '" << r.email << "' comment '" << r.comment
               << "' updates [" << r.updates << "] listed [" << r.listed << "] packet " << r.packet;
}

Reading ReadKey(uint32_t serial) {
    Reading r;
    char name[17] = "";
    r.named = ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name);
    r.name = name;
    char note[ZRPC_DB_NOTE_MAX + 1] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(serial, note), 0u);
    r.email = note;
    note[0] = 0;
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(serial, note), 0u);
    r.comment = note;
    _tNewTransferPacket packet;
    r.packet = ZRPCFUNC_DB_GetPublicKeyPacket(serial, &packet);
    if (r.packet == 0 && packet.serial != serial) r.packet = 1000;
    if (ZRPCFUNC_DB_Connect() != 0) return r;
    unsigned long s = 0;
    unsigned char field[16];
    for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&s, field); rc == 0;
         rc = ZRPCFUNC_DB_GetNextPublicKey(&s, field))
        if (s == serial) r.listed += std::string((const char*)field, strnlen((const char*)field, 16)) + " ";
    _tDBKeyUpdate u;
    for (unsigned long rc = ZRPCFUNC_DB_GetFirstUpdate(serial, &u); rc == 0;
         rc = ZRPCFUNC_DB_GetNextUpdate(&u)) {
        _tNewTransferPacket p;
        unsigned long got = ZRPCFUNC_DB_GetUpdatePacket(serial, u.keySerial, u.updateId, &p);
        char line[96];
        std::snprintf(line, sizeof line, "%08X/%04X algo %u '%.16s' %08X%08X packet %lu %08X; ",
                      (unsigned)u.keySerial, (unsigned)u.updateId, (unsigned)u.algorithm, u.name,
                      (unsigned)(u.created >> 32), (unsigned)u.created, got,
                      got == 0 ? (unsigned)p.serial : 0u);
        r.updates += line;
    }
    ZRPCFUNC_DB_Disconnect();
    return r;
}

class KeyStoreStores : public kst::StoreTest {};

// Stores a writer that escapes nothing wrote, as users have them. Every change takes them, and
// afterwards every key reads as it read before (as such a writer meant it), the bytes that hold no
// value (the rest of a tag, a byte-order mark, what stands before the store) are still there, and the
// store written is one that a further change gives back unchanged.
TEST_F(KeyStoreStores, StoresOfWritersThatEscapeNothingAreChangedAndReadBack) {
    const uint32_t kKey = 0x71, kOther = 0x72, kAdded = 0x73;
    _tNewTransferPacket issue = kst::PublicKeyPacket(kKey, "issued", 14);
    std::memcpy(issue.keyName, "Payroll", 7);
    const std::string other = Entry(kOther, "Other");
    struct Case {
        const char* what;
        std::string text;
        Reading expected; // the fields that say what the case is about (others: empty)
        std::vector<std::string> kept;
    } cases[] = {
        {"comment holding an address",
         Store(Entry(kKey, "Alice", "\t\t<comment>Alice <a@b.org></comment>\n") + other),
         {1, "Alice", "", "Alice <a@b.org>", "", "", 0},
         {"<comment>Alice <a@b.org></comment>"}},
        {"comment holding comparisons",
         Store(Entry(kKey, "Bob", "\t\t<comment>priority < 5 & size > 3</comment>\n") + other),
         {1, "Bob", "", "priority < 5 & size > 3", "", "", 0},
         {"<comment>priority < 5 & size > 3</comment>"}},
        {"e-mail address in angle brackets",
         Store(Entry(kKey, "Carol", "\t\t<email><carol@example.org></email>\n") + other),
         {1, "Carol", "<carol@example.org>", "", "", "", 0},
         {"<email><carol@example.org></email>"}},
        {"comment that looks like markup",
         Store(Entry(kKey, "Dan", "\t\t<comment></publickey> <x/> </comment</comment>\n") + other),
         {1, "Dan", "", "</publickey> <x/> </comment", "", "", 0},
         {"<comment></publickey> <x/> </comment</comment>"}},
        {"name holding quotes",
         Store(Entry(kKey, "My \"work\" key") + other),
         {1, "My", "", "", "", "", 0},
         {"work\" key\">"}},
        {"update name holding a quote",
         Store(Entry(kKey, "Eve",
                     "\t\t<updates>\n\t\t\t<update serial=\"0000A0010001\" name=\"Q\"1\" algo=\"9\">\n"
                     "\t\t\t\t<created>01D9A1B2C3D4E5F6</created>\n\t\t\t\t<packet>" +
                         kst::UpdateText(issue, "Eve", kKey) +
                         "</packet>\n\t\t\t</update>\n\t\t</updates>\n") +
               other),
         {1, "Eve", "", "", "", "", 0},
         {"name=\"Q\"1\" algo=\"9\">"}},
        {"attribute value holding < and >",
         Store(Entry(kKey, "<Ops> a>b") + other),
         {1, "<Ops> a>b", "", "", "", "", 0},
         {}},
        {"byte-order mark",
         "\xEF\xBB\xBF" + Store(Entry(kKey, "Fay") + other),
         {1, "Fay", "", "", "", "", 0},
         {"\xEF\xBB\xBF<backupdatabase>"}},
        {"declaration and comment first",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!-- exported by hand -->\n" +
             Store(Entry(kKey, "Gus") + other),
         {1, "Gus", "", "", "", "", 0},
         {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!--exported by hand-->\n<backupdatabase>"}},
        {"update packet naming its party with markup",
         Store(Entry(kKey, "<Ops> & \"Co\"",
                     "\t\t<updates>\n\t\t\t<update serial=\"0000A0010001\" name=\"Payroll\" algo=\"9\">\n"
                     "\t\t\t\t<created>01D9A1B2C3D4E5F6</created>\n\t\t\t\t<packet>" +
                         kst::UpdateText(issue, "<Ops> & \"Co\"", kKey) +
                         "</packet>\n\t\t\t</update>\n\t\t</updates>\n") +
               other),
         {1, "<Ops> &", "", "", "", "", 0},
         {"NAME=<Ops> & \"Co\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kst::RemoveStoreFiles();
        WriteStore(c.text);
        const Reading before = ReadKey(kKey);
        EXPECT_EQ(before.named, c.expected.named);
        EXPECT_EQ(before.name, c.expected.name);
        EXPECT_EQ(before.email, c.expected.email);
        EXPECT_EQ(before.comment, c.expected.comment);
        EXPECT_EQ(before.packet, 0u);

        // Changes of every kind, on another key and on the store as a whole.
        _tNewTransferPacket added = kst::PublicKeyPacket(kAdded, "added");
        _tNewTransferPacket renamed = kst::PublicKeyPacket(kOther, "Other two");
        EXPECT_EQ(ZRPCFUNC_DB_SetComments(kOther, const_cast<char*>("changed")), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(kOther, const_cast<char*>("o@x.org")), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &added, 0), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&renamed), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(kAdded), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(kKey, 0xB001, 1), before.updates.empty() ? 7u : 0u);

        EXPECT_EQ(ReadKey(kKey), before) << "the key reads as it read before the changes";
        char comment[ZRPC_DB_NOTE_MAX + 1] = "";
        EXPECT_EQ(ZRPCFUNC_DB_GetComments(kOther, comment), 0u);
        EXPECT_STREQ(comment, "changed");
        const std::string changed = Read(StoreFile());
        for (const std::string& k : c.kept)
            EXPECT_NE(changed.find(k), std::string::npos) << "lost: " << k << "\n" << changed;

        // What was written is a store as this library writes it: the same change gives it back.
        EXPECT_EQ(ZRPCFUNC_DB_SetComments(kOther, const_cast<char*>("changed")), 0u);
        EXPECT_EQ(Read(StoreFile()), changed);
    }
}

// A value that holds none of '<', '&' and '"' is stored byte for byte, '>' and all.
TEST_F(KeyStoreStores, ValuesWithoutMarkupAreStoredByteForByte) {
    Add(0x81, "a>b");
    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x81, const_cast<char*>("x > y, 'quoted'")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x81, const_cast<char*>("<a@b.org> & co")), 0u);
    const std::string file = Read(StoreFile());
    EXPECT_NE(file.find("<publickey serial=\"00000081\" name=\"a>b\">"), std::string::npos) << file;
    EXPECT_NE(file.find("\t\t<comment>x > y, 'quoted'</comment>\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\t\t<email>&lt;a@b.org&gt; &amp; co</email>\n"), std::string::npos) << file;
    const Reading r = ReadKey(0x81);
    EXPECT_EQ(r.name, "a>b");
    EXPECT_EQ(r.comment, "x > y, 'quoted'");
    EXPECT_EQ(r.email, "<a@b.org> & co");
}

// Thirty keys, one of them holding elements nested far deeper than the layout. Every change refuses
// the store as damaged (1) at once and writes nothing; reads answer from the keys.
TEST_F(KeyStoreStores, StoreDeeperThanItsLayoutIsRefusedAtOnce) {
    for (int depth : {2000, 100000}) {
        SCOPED_TRACE(depth);
        kst::RemoveStoreFiles();
        std::string entries;
        for (uint32_t i = 1; i <= 30; ++i) {
            std::string inside;
            if (i == 15) {
                inside = "\t\t<updates>";
                for (int d = 0; d < depth; ++d)
                    inside += "<a>";
                for (int d = 0; d < depth; ++d)
                    inside += "</a>";
                inside += "</updates>\n";
            }
            entries += Entry(0x100 + i, "key " + std::to_string(i), inside);
        }
        const std::string text = Store(entries);
        WriteStore(text);

        const DWORD start = GetTickCount();
        _tNewTransferPacket add = kst::PublicKeyPacket(0x200, "added");
        _tNewTransferPacket upd = kst::PublicKeyPacket(0x101, "renamed");
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x101, const_cast<char*>("c")), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x11E, const_cast<char*>("e@x")), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&upd), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x10F), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(0x10F, 0xA001, 1), 1u);
        ASSERT_EQ(Read(StoreFile()), text) << "nothing rewritten";
        EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
        EXPECT_TRUE(kst::TempFiles().empty());

        // Reads answer from what the store holds, before, in and after the deep key.
        char name[17];
        for (uint32_t serial : {0x101u, 0x10Fu, 0x11Eu}) {
            EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name), 1) << serial;
            _tNewTransferPacket packet;
            EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(serial, &packet), 0u) << serial;
        }
        ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
        unsigned long serial = 0, count = 0, updates = 0;
        unsigned char field[16];
        for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, field); rc == 0;
             rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, field))
            ++count;
        EXPECT_EQ(count, 30u);
        EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(0x10F, &updates), 0u);
        EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 0u);
        // In time that grows with the file, not with its depth squared (reading 100,000 levels took
        // minutes, and a change wrote gigabytes).
        EXPECT_LT(GetTickCount() - start, 20000u);
    }
}

// A store file made read-only, and a folder where the store file should be: every change answers at
// once, leaves the file (and its attribute) or the folder as it was, and leaves nothing behind.
TEST_F(KeyStoreStores, ReadOnlyStoreAndFolderInItsPlaceAreRefusedAtOnce) {
    SoftToken token;
    std::string error;
    ASSERT_TRUE(token.LoadText("token T\nkey 0 serial=0000A001 number=1 algo=9 name=Wrapped\n", &error))
        << error;
    Add(0x91, "one");
    const std::string text = Read(StoreFile()), previous = Read(kst::PreviousFile());
    ASSERT_TRUE(SetFileAttributesA(StoreFile().c_str(), FILE_ATTRIBUTE_READONLY));
    DWORD start = GetTickCount();
    _tNewTransferPacket add = kst::PublicKeyPacket(0x92, "two");
    _tNewTransferPacket upd = kst::PublicKeyPacket(0x91, "renamed");
    _tNewTransferPacket again = kst::PublicKeyPacket(0x91, "one");
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &again, 0), 0u) << "nothing to change: the key is there";
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x91, const_cast<char*>("c")), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x91, const_cast<char*>("e@x")), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&upd), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x91), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(0x91, 0xA001, 1), 52u);
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x91, 0, nullptr, nullptr), 52u)
        << "filing the update";
    std::string path = StoreFile();
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &path[0]), 0);
    EXPECT_LT(GetTickCount() - start, 3000u) << "refused at once";
    EXPECT_EQ(Read(StoreFile()), text);
    EXPECT_TRUE(GetFileAttributesA(StoreFile().c_str()) & FILE_ATTRIBUTE_READONLY) << "the attribute stays";
    EXPECT_EQ(Read(kst::PreviousFile()), previous);
    EXPECT_TRUE(kst::TempFiles().empty());
    char name[17];
    EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x91, name), 1) << "reads go on";
    char message[400];
    unsigned long size = sizeof message;
    EXPECT_NE(ZRPCFUNC_FormatErrorMsg(52, message, &size), 0xFFFFFFFFu) << "52 has a text of its own";
    ASSERT_TRUE(SetFileAttributesA(StoreFile().c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x91, const_cast<char*>("c")), 0u) << "writable again";

    // A folder in the store file's place.
    kst::RemoveStoreFiles();
    ASSERT_TRUE(CreateDirectoryA(StoreFile().c_str(), nullptr));
    start = GetTickCount();
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0), 2u) << "the store cannot be created";
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &path[0]), 0);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x91, const_cast<char*>("c")), 2u);
    EXPECT_EQ(ZRPCFUNC_DB_DatabaseExists(nullptr), 0);
    EXPECT_LT(GetTickCount() - start, 3000u) << "refused at once";
    EXPECT_TRUE(GetFileAttributesA(StoreFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(kst::TempFiles().empty()) << "no temporary file left";
    EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
}

} // namespace
