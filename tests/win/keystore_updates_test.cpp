// Updates in the key store: enumeration over the connection, counts, packets, deletion, and the
// update that a backup files.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include "standins/token/softtoken.h"

namespace {

using kst::Read;
using kst::StoreFile;

class KeyStoreUpdates : public kst::StoreTest {
  protected:
    // A store with key 1 (three updates, one with a lower-case serial), key 2 (empty updates element)
    // and key 3 (no updates element).
    void WriteSample() {
        issue = kst::PublicKeyPacket(1, "issued", 14);
        std::memcpy(issue.keyName, "Payroll", 7);
        packetText = kst::UpdateText(issue, "Key One", 1);
        const std::string key = kst::UpdateText(kst::PublicKeyPacket(1, "Key One"));
        WriteStore("<backupdatabase>\n"
                   "\t<publickey serial=\"00000001\" name=\"Key One\">\n"
                   "\t\t<packet>" +
                   key +
                   "</packet>\n"
                   "\t\t<updates>\n"
                   "\t\t\t<update serial=\"0000A0010001\" name=\"Payroll\" algo=\"9\">\n"
                   "\t\t\t\t<created>01D9A1B2C3D4E5F6</created>\n"
                   "\t\t\t\t<packet>" +
                   packetText +
                   "</packet>\n"
                   "\t\t\t</update>\n"
                   "\t\t\t<update serial=\"0000A0020002\" name=\"Digests\" algo=\"129\">\n"
                   "\t\t\t\t<created>0000000100000002</created>\n"
                   "\t\t\t\t<packet>" +
                   packetText +
                   "</packet>\n"
                   "\t\t\t</update>\n"
                   "\t\t\t<update serial=\"0000a00a000b\" name=\"lower\" algo=\"130\">\n"
                   "\t\t\t\t<created>0000000000000003</created>\n"
                   "\t\t\t\t<packet>" +
                   packetText +
                   "</packet>\n"
                   "\t\t\t</update>\n"
                   "\t\t</updates>\n"
                   "\t</publickey>\n"
                   "\t<publickey serial=\"00000002\" name=\"Key Two\">\n"
                   "\t\t<packet>" +
                   key +
                   "</packet>\n"
                   "\t\t<updates/>\n"
                   "\t</publickey>\n"
                   "\t<publickey serial=\"00000003\" name=\"Key Three\">\n"
                   "\t\t<packet>" +
                   key +
                   "</packet>\n"
                   "\t</publickey>\n"
                   "</backupdatabase>\n");
    }
    _tNewTransferPacket issue;
    std::string packetText;
};

struct Expected {
    uint32_t keySerial;
    uint16_t id;
    uint8_t algo;
    uint64_t created;
    const char* name;
};

void ExpectUpdate(const _tDBKeyUpdate& u, const Expected& e) {
    uint32_t keySerial = u.keySerial;
    uint16_t id = u.updateId;
    uint8_t algo = u.algorithm;
    uint64_t created = u.created;
    EXPECT_EQ(keySerial, e.keySerial);
    EXPECT_EQ(id, e.id);
    EXPECT_EQ(algo, e.algo);
    EXPECT_EQ(created, e.created);
    EXPECT_EQ(std::string(u.name, strnlen(u.name, 16)), e.name);
}

TEST_F(KeyStoreUpdates, EnumerationReadsEveryField) {
    WriteSample();
    _tDBKeyUpdate u;
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstUpdate(1, &u), 12u);
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 3u) << "no first step since connecting";

    const Expected all[] = {{0xA001, 1, 9, 0x01D9A1B2C3D4E5F6ull, "Payroll"},
                            {0xA002, 2, 0x81, 0x0000000100000002ull, "Digests"},
                            {0xA00A, 0xB, 0x82, 3, "lower"}};
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstUpdate(1, &u), 0u);
    ExpectUpdate(u, all[0]);
    ASSERT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 0u);
    ExpectUpdate(u, all[1]);
    ASSERT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 0u);
    ExpectUpdate(u, all[2]);
    EXPECT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 7u);
    EXPECT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 7u);

    unsigned long count = 99;
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(1, &count), 0u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(2, &count), 0u);
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(3, &count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(4, &count), 29u);
}

TEST_F(KeyStoreUpdates, KeysWithoutUpdatesAndUnknownKeys) {
    WriteSample();
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    _tDBKeyUpdate u;
    for (unsigned long serial : {2ul, 3ul}) {
        EXPECT_EQ(ZRPCFUNC_DB_GetFirstUpdate(serial, &u), 7u) << serial;
        EXPECT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 7u) << serial;
    }
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstUpdate(0, &u), 3u);

    // An unknown key leaves the current updates element in place: the enumeration of key 1 goes on
    // from the start.
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstUpdate(1, &u), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstUpdate(9, &u), 29u);
    ASSERT_EQ(ZRPCFUNC_DB_GetNextUpdate(&u), 0u);
    ExpectUpdate(u, {0xA002, 2, 0x81, 0x0000000100000002ull, "Digests"});
}

TEST_F(KeyStoreUpdates, PacketsAreFoundByExactSerial) {
    WriteSample();
    _tNewTransferPacket out;
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdatePacket(1, 0xA001, 1, &out), 12u);
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    std::memset(&out, 0, sizeof out);
    ASSERT_EQ(ZRPCFUNC_DB_GetUpdatePacket(1, 0xA002, 2, &out), 0u);
    EXPECT_EQ(std::memcmp(&out, &issue, sizeof out), 0);
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdatePacket(1, 0xA00A, 0xB, &out), 29u) << "lower-case serial";
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdatePacket(1, 0xA001, 2, &out), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdatePacket(2, 0xA001, 1, &out), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdatePacket(7, 0xA001, 1, &out), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_FindNextUpdate(nullptr, 1, nullptr), 13u);
}

TEST_F(KeyStoreUpdates, DeleteIgnoresCaseAndWritesOnlyWhenSomethingGoes) {
    WriteSample();
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(0, 0xA001, 1), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(1, 0, 1), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(9, 0xA001, 1), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(2, 0xA001, 1), 7u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(3, 0xA001, 1), 7u);

    const std::string store = Read(StoreFile());
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(1, 0xA001, 9), 0u) << "nothing matches";
    EXPECT_EQ(Read(StoreFile()), store);
    EXPECT_FALSE(zt::FileExists(kst::PreviousFile())) << "the store was not rewritten";

    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(1, 0xA00A, 0xB), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(1, 0xA001, 1), 0u);
    const std::string after = Read(StoreFile());
    EXPECT_EQ(after.find("0000a00a000b"), std::string::npos);
    EXPECT_EQ(after.find("0000A0010001"), std::string::npos);
    EXPECT_NE(after.find("0000A0020002"), std::string::npos);
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    unsigned long count = 0;
    EXPECT_EQ(ZRPCFUNC_DB_GetUpdateCountForToken(1, &count), 0u);
    EXPECT_EQ(count, 1u);
}

// Updates filed by a backup: the entry's fields, the created time, and a second filing.
TEST_F(KeyStoreUpdates, BackupFilesAnUpdateOnceWithItsFields) {
    SoftToken token;
    std::string error;
    ASSERT_TRUE(token.LoadText("token T\nserial 1\npubkey 5A5A0001\nbackup1 B0000001\n"
                               "key 3 serial=0000C003 number=7 algo=129 length=20 usage=5 name=Digest key\n",
                               &error))
        << error;
    FILETIME before;
    GetSystemTimeAsFileTime(&before);
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 1, 0, 3, nullptr, nullptr), 0u);
    FILETIME after;
    GetSystemTimeAsFileTime(&after);
    const std::string store = Read(StoreFile());
    EXPECT_NE(store.find("<update serial=\"0000C0030007\" name=\"Digest key\" algo=\"129\">"),
              std::string::npos)
        << store;

    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    _tDBKeyUpdate u;
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstUpdate(0xB0000001, &u), 0u);
    uint64_t created = u.created;
    const uint64_t lo = ((uint64_t)before.dwHighDateTime << 32) | before.dwLowDateTime;
    const uint64_t hi = ((uint64_t)after.dwHighDateTime << 32) | after.dwLowDateTime;
    EXPECT_GE(created, lo);
    EXPECT_LE(created, hi);
    ExpectUpdate(u, {0xC003, 7, 0x81, created, "Digest key"});

    // The stored text is issue data naming its target.
    _tNewTransferPacket packet;
    ASSERT_EQ(ZRPCFUNC_DB_GetUpdatePacket(0xB0000001, 0xC003, 7, &packet), 0u);
    EXPECT_EQ(packet.type, 14u);
    EXPECT_EQ(std::string(packet.keyName, strnlen(packet.keyName, 16)), "Digest key");
    EXPECT_NE(store.find("TARGET=B0000001"), std::string::npos);
    EXPECT_NE(store.find("NAME=Backup Key"), std::string::npos);
    ZRPCFUNC_DB_Disconnect();

    // The same key to the same target again: already filed, the store stays as it is.
    const std::string settled = Read(StoreFile());
    DeleteFileA(kst::PreviousFile().c_str());
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 1, 0, 3, nullptr, nullptr), 0u);
    EXPECT_EQ(Read(StoreFile()), settled);
    EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
    EXPECT_EQ(token.Marks().size(), 2u) << "the key is still marked";
}

} // namespace
