// The key store's files: location, creation, the connection, the replace protocol and stores that are
// not what they should be.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using kst::Read;
using kst::StoreFile;

class KeyStoreFiles : public kst::StoreTest {};

// Every operation that needs the store, with the code it gives when there is none.
struct Operation {
    const char* name;
    std::function<unsigned long()> run;
};

std::vector<Operation> OperationsNeedingTheStore() {
    static _tNewTransferPacket packet = kst::PublicKeyPacket(0x51, "k");
    static char text[ZRPC_DB_NOTE_MAX + 1];
    return {
        {"Connect", [] { return ZRPCFUNC_DB_Connect(); }},
        {"UpdatePublicKey", [] { return ZRPCFUNC_DB_UpdatePublicKey(&packet); }},
        {"DeletePublicKey", [] { return ZRPCFUNC_DB_DeletePublicKey(0x51); }},
        {"GetPublicKeyPacket", [] { return ZRPCFUNC_DB_GetPublicKeyPacket(0x51, &packet); }},
        {"GetEmailAddress", [] { return ZRPCFUNC_DB_GetEmailAddress(0x51, text); }},
        {"GetComments", [] { return ZRPCFUNC_DB_GetComments(0x51, text); }},
        {"SetEmailAddress", [] { return ZRPCFUNC_DB_SetEmailAddress(0x51, const_cast<char*>("a@b")); }},
        {"SetComments", [] { return ZRPCFUNC_DB_SetComments(0x51, const_cast<char*>("c")); }},
        {"DeleteUpdate", [] { return ZRPCFUNC_DB_DeleteUpdate(0x51, 0xA001, 1); }},
    };
}

TEST_F(KeyStoreFiles, LocationComesFromTheInstallationFolder) {
    zt::RegistryValue install(HKEY_LOCAL_MACHINE, zt::kClientKey, "strInstallDir");
    const std::string dir = kst::InstallDir();
    char path[MAX_PATH];

    for (std::string value : {dir.substr(0, dir.size() - 1), dir}) { // without and with the backslash
        install.Set(value.c_str());
        std::memset(path, 'x', sizeof path);
        EXPECT_EQ(ZRPCFUNC_DB_DatabaseExists(path), 0);
        EXPECT_EQ(std::string(path), dir + "KeyStore.xml") << value;
        EXPECT_EQ(ZRPCFUNC_DB_DatabaseExists(nullptr), 0);
        ASSERT_TRUE(zt::WriteFile(StoreFile(), "<backupdatabase/>\n"));
        EXPECT_NE(ZRPCFUNC_DB_DatabaseExists(path), 0);
        DeleteFileA(StoreFile().c_str());
    }
}

TEST_F(KeyStoreFiles, WithoutALocationNothingFindsAStore) {
    zt::RegistryValue install(HKEY_LOCAL_MACHINE, zt::kClientKey, "strInstallDir");
    ASSERT_TRUE(zt::WriteFile(StoreFile(), "<backupdatabase/>\n"));
    const std::string longFolder = "C:\\" + std::string(250, 'f');
    for (const char* value : {(const char*)nullptr, "", longFolder.c_str()}) {
        install.Set(value);
        char path[MAX_PATH + 16];
        std::memset(path, 'x', sizeof path);
        path[sizeof path - 1] = 0;
        EXPECT_EQ(ZRPCFUNC_DB_DatabaseExists(path), 0);
        EXPECT_EQ(std::string(path), std::string(sizeof path - 1, 'x')) << "path is left alone";
        for (const Operation& op : OperationsNeedingTheStore())
            EXPECT_EQ(op.run(), 2u) << op.name;
        _tNewTransferPacket p = kst::PublicKeyPacket(0x52, "new");
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 2u);
        EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u);
    }
}

TEST_F(KeyStoreFiles, NoStoreFileGivesTwoEverywhere) {
    for (const Operation& op : OperationsNeedingTheStore())
        EXPECT_EQ(op.run(), 2u) << op.name;
    EXPECT_FALSE(zt::FileExists(StoreFile())) << "no operation but an addition creates the store";
}

TEST_F(KeyStoreFiles, CreateDatabaseWritesTheEmptyStore) {
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, nullptr), 0);
    std::string path = StoreFile();
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &path[0]), 1);
    EXPECT_EQ(Read(StoreFile()), "<backupdatabase/>\n");
    EXPECT_FALSE(zt::FileExists(kst::TempFile()));

    // Any other path is written directly, too.
    std::string dir = zt::MakeTempDir("create");
    std::string other = dir + "\\other.xml";
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &other[0]), 1);
    EXPECT_EQ(Read(other), "<backupdatabase/>\n");
    std::string missingFolder = dir + "\\no such folder\\x.xml";
    EXPECT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &missingFolder[0]), 0);
    zt::RemoveTree(dir);
}

TEST_F(KeyStoreFiles, ConnectionIsASnapshot) {
    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u);
    Add(0x1111, "first");
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    Add(0x2222, "second");
    EXPECT_EQ(ZRPCFUNC_DB_Connect(), 0u) << "connecting again keeps the first snapshot";

    unsigned long serial = 0;
    unsigned char name[16];
    EXPECT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 3u) << "no first step yet";
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0x1111u);
    EXPECT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 7u) << "the second key is not in the snapshot";
    EXPECT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 7u);

    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u);
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 12u);
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0x2222u);
    EXPECT_EQ(std::string((char*)name, 16), std::string("second") + std::string(10, '\0'));
}

TEST_F(KeyStoreFiles, ChangeReplacesTheStoreAndKeepsThePreviousContent) {
    Add(0x3333, "one");
    const std::string before = Read(StoreFile());
    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x3333, const_cast<char*>("a comment")), 0u);
    const std::string after = Read(StoreFile());
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("<comment>a comment</comment>"), std::string::npos);
    EXPECT_EQ(Read(kst::PreviousFile()), before);
    EXPECT_FALSE(zt::FileExists(kst::TempFile()));

    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x3333, const_cast<char*>("another")), 0u);
    EXPECT_EQ(Read(kst::PreviousFile()), after) << "each change refreshes the previous content";

    // Emptying the store by creating it anew keeps the previous content apart from the store's.
    const std::string last = Read(StoreFile());
    std::string path = StoreFile();
    ASSERT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, &path[0]), 1);
    EXPECT_EQ(Read(StoreFile()), "<backupdatabase/>\n");
    EXPECT_EQ(Read(kst::PreviousFile()), after);
    EXPECT_NE(last, after);
}

TEST_F(KeyStoreFiles, FailedSaveLeavesTheStoreAsItWas) {
    Add(0x4444, "one");
    const std::string before = Read(StoreFile());
    const std::string previous = Read(kst::PreviousFile());
    // The writer's temporary file cannot be created: a folder of that name is in the way.
    ASSERT_TRUE(CreateDirectoryA(kst::TempFile().c_str(), nullptr));
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x4444, const_cast<char*>("lost")), 1u);
    EXPECT_EQ(Read(StoreFile()), before);
    EXPECT_EQ(Read(kst::PreviousFile()), previous) << "nothing else is touched";
    RemoveDirectoryA(kst::TempFile().c_str());

    // "Previous.dat" cannot be written: the store stays as it was.
    DeleteFileA(kst::PreviousFile().c_str());
    ASSERT_TRUE(CreateDirectoryA(kst::PreviousFile().c_str(), nullptr));
    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x4444), 1u);
    EXPECT_EQ(Read(StoreFile()), before);
    RemoveDirectoryA(kst::PreviousFile().c_str());

    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x4444), 0u) << "the next save goes through";
    EXPECT_EQ(Read(StoreFile()), "<backupdatabase/>\n");
    EXPECT_EQ(Read(kst::PreviousFile()), before);
    EXPECT_FALSE(zt::FileExists(kst::TempFile()));
}

TEST_F(KeyStoreFiles, ReaderHoldingTheStoreOpenBrieflyDelaysAChange) {
    Add(0x4545, "one");
    HANDLE reader =
        CreateFileA(StoreFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread closer([reader] {
        Sleep(300);
        CloseHandle(reader);
    });
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x4545, const_cast<char*>("x@y")), 0u);
    closer.join();
    char text[ZRPC_DB_NOTE_MAX + 1] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x4545, text), 0u);
    EXPECT_STREQ(text, "x@y");
    EXPECT_FALSE(zt::FileExists(kst::TempFile()));
}

// Store files that are not stores, or hold damaged entries. Every operation answers with a code,
// nothing crashes, and a store that could not be loaded is never written.
TEST_F(KeyStoreFiles, BadStoreFilesAnswerWithCodes) {
    const std::string goodPacket = kst::UpdateText(kst::PublicKeyPacket(0x61, "k"));
    struct Case {
        const char* what;
        std::string text;
        bool loads;
        bool whole = true; // parses completely to its closing tag
    } cases[] = {
        {"empty", "", false},
        {"binary",
         std::string("\x00\x01\x02\xff\xfe<\x00"
                     "backupdatabase",
                     21),
         false},
        {"truncated before the root element", "<backupdata", false},
        {"no backupdatabase", "<keystore><publickey serial=\"00000061\" name=\"k\"/></keystore>\n", false},
        {"truncated inside an entry",
         "<backupdatabase>\n\t<publickey serial=\"00000061\" name=\"k\">\n\t\t<pac", true, false},
        {"publickey without serial",
         "<backupdatabase><publickey name=\"k\"><packet>" + goodPacket +
             "</packet></publickey></backupdatabase>\n",
         true},
        {"publickey without packet",
         "<backupdatabase><publickey serial=\"00000061\" name=\"k\"><updates><update "
         "serial=\"0000A0010001\" name=\"u\" algo=\"9\"><packet>" +
             goodPacket + "</packet></update></updates></publickey></backupdatabase>\n",
         true},
        {"packet text that does not decode",
         "<backupdatabase><publickey serial=\"00000061\" name=\"k\"><packet>====== not a packet ======"
         "</packet></publickey></backupdatabase>\n",
         true},
        {"lower-case serials",
         "<backupdatabase><publickey serial=\"0000006a\" name=\"k\"><packet>" + goodPacket +
             "</packet><updates><update serial=\"0000a0010001\" name=\"u\" algo=\"9\"/>"
             "</updates></publickey></backupdatabase>\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kst::RemoveStoreFiles();
        WriteStore(c.text);
        unsigned long connect = ZRPCFUNC_DB_Connect();
        EXPECT_EQ(connect, c.loads ? 0u : 1u);
        if (connect == 0) {
            unsigned long serial;
            unsigned char name[16];
            char note[ZRPC_DB_NOTE_MAX + 1];
            _tDBKeyUpdate update;
            _tNewTransferPacket packet;
            for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
                 rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name)) {
                ZRPCFUNC_DB_GetPubKeyEmail(note);
                ZRPCFUNC_DB_GetPubKeyComment(note);
                for (unsigned long u = ZRPCFUNC_DB_GetFirstUpdate(serial, &update); u == 0;
                     u = ZRPCFUNC_DB_GetNextUpdate(&update))
                    ZRPCFUNC_DB_GetUpdatePacket(serial, update.keySerial, update.updateId, &packet);
            }
            EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 0u);
        } else {
            EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u) << "a failed connect leaves the library not connected";
        }

        _tNewTransferPacket packet;
        char note[ZRPC_DB_NOTE_MAX + 1];
        const unsigned long readFailure = c.loads ? 0u : 6u;
        EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x61, note), readFailure);
        unsigned long got = ZRPCFUNC_DB_GetPublicKeyPacket(0x61, &packet);
        if (!c.loads)
            EXPECT_EQ(got, 6u);
        else
            EXPECT_NE(got, 0u) << "no well-formed key 00000061 in these stores";
        char name[17];
        EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x62, name), 0);

        // Changes: refused with a code when the store does not load, and then the file stays as it was.
        _tNewTransferPacket add = kst::PublicKeyPacket(0x62, "added");
        _tNewTransferPacket upd = kst::PublicKeyPacket(0x61, "renamed");
        std::vector<std::pair<const char*, unsigned long>> changes = {
            {"SetEmailAddress", ZRPCFUNC_DB_SetEmailAddress(0x61, const_cast<char*>("e@x"))},
            {"SetComments", ZRPCFUNC_DB_SetComments(0x61, const_cast<char*>("c"))},
            {"UpdatePublicKey", ZRPCFUNC_DB_UpdatePublicKey(&upd)},
            {"DeleteUpdate", ZRPCFUNC_DB_DeleteUpdate(0x6A, 0xA001, 1)},
            {"DeletePublicKey", ZRPCFUNC_DB_DeletePublicKey(0x6A)},
            {"AddPublicKey", ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0)},
        };
        if (!c.loads) {
            const unsigned long expected[] = {6, 6, 1, 6, 1, 1};
            for (size_t i = 0; i < changes.size(); ++i)
                EXPECT_EQ(changes[i].second, expected[i]) << changes[i].first;
            EXPECT_EQ(Read(StoreFile()), c.text) << "a store that does not load is never written";
            EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
        } else if (!c.whole) {
            for (const auto& change : changes)
                EXPECT_EQ(change.second, 1u) << change.first << ": a damaged store is not changed";
            EXPECT_EQ(Read(StoreFile()), c.text) << "a damaged store is never written";
            EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
        } else {
            EXPECT_EQ(changes.back().second, 0u) << "a loadable store takes a new key";
            ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u) << "what was written still loads";
            ZRPCFUNC_DB_Disconnect();
            EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x62, &packet), 0u);
            EXPECT_EQ(packet.serial, 0x62u);
        }
    }
}

// A store that loads only in part (cut short, a stray NUL byte, a document type declaration, text
// after the root) still answers reads from what loaded, but every change is refused with 1 and the
// file stays byte for byte as it was: a change saved from it would drop the entries that did not load.
TEST_F(KeyStoreFiles, DamagedStoreIsReadButNeverRewritten) {
    Add(0x81, "first");
    Add(0x82, "second");
    Add(0x83, "third");
    const std::string whole = Read(StoreFile());
    const size_t second = whole.find("serial=\"00000082\"");
    ASSERT_NE(second, std::string::npos);
    const size_t secondPacket = whole.find("<packet>", second);
    ASSERT_NE(secondPacket, std::string::npos);
    const size_t firstEnd = whole.find("</publickey>") + std::strlen("</publickey>");
    std::string withNul = whole;
    withNul[secondPacket + 20] = '\0'; // the rest of its 4095-byte chunk drops out
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"cut short", whole.substr(0, secondPacket + 30)},
        {"cut before the closing tag", whole.substr(0, whole.rfind("</backupdatabase>"))},
        {"stray NUL byte", withNul},
        {"document type declaration",
         whole.substr(0, firstEnd) + "\n<!DOCTYPE x [<!ENTITY e \"v\">]>" + whole.substr(firstEnd)},
        {"text after the root", whole + "<publickey serial=\"00000084\" name=\"stray\"/>\n"},
        {"unclosed element", whole.substr(0, firstEnd) + "\n\t<publickey serial=\"00000085\" name=\"x\">" +
                                 whole.substr(firstEnd)},
        {"mismatched end tag", whole.substr(0, firstEnd - 10) + "comment>" + whole.substr(firstEnd - 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kst::RemoveStoreFiles();
        WriteStore(c.text);
        char name[17];
        EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x81, name), 1) << "reads answer from what loaded";

        _tNewTransferPacket add = kst::PublicKeyPacket(0x90, "added");
        _tNewTransferPacket upd = kst::PublicKeyPacket(0x81, "renamed");
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x81, const_cast<char*>("e@x")), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x81, const_cast<char*>("c")), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&upd), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x81), 1u);
        EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(0x81, 0xA001, 1), 1u);
        EXPECT_EQ(Read(StoreFile()), c.text);
        EXPECT_FALSE(zt::FileExists(kst::PreviousFile()));
        EXPECT_FALSE(zt::FileExists(kst::TempFile()));
    }
    // The undamaged store takes the same changes.
    kst::RemoveStoreFiles();
    WriteStore(whole);
    _tNewTransferPacket add = kst::PublicKeyPacket(0x90, "added");
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &add, 0), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x81, const_cast<char*>("e@x")), 0u);
}

// The store belongs to the machine, so its lock lives in the global namespace, where the writers of
// every user's session meet: a change waits while another holder has it.
TEST_F(KeyStoreFiles, ChangesWaitForTheMachineWideLock) {
    Add(0x4646, "one");
    uint64_t hash = 1469598103934665603ull;
    for (char c : StoreFile()) {
        char u = c == '/' ? '\\' : (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
        hash = (hash ^ (unsigned char)u) * 1099511628211ull;
    }
    char name[80];
    std::snprintf(name, sizeof name, "Global\\ZRPCFunc.KeyStore.%08X%08X", (unsigned)(hash >> 32),
                  (unsigned)hash);
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> released{false};
    std::thread holder([&] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
        SetEvent(held);
        Sleep(1500);
        released = true;
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(held, 10000);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x4646, const_cast<char*>("after the holder")), 0u);
    EXPECT_TRUE(released) << "the change did not wait for the global lock";
    holder.join();
    CloseHandle(held);
}

TEST_F(KeyStoreFiles, LowerCaseSerialsAreFoundOnlyWhereCaseIsIgnored) {
    const std::string packet = kst::UpdateText(kst::PublicKeyPacket(0xABCDEF, "lower"));
    WriteStore("<backupdatabase><publickey serial=\"00abcdef\" name=\"lower\"><packet>" + packet +
               "</packet><updates><update serial=\"0000a00a0001\" name=\"u\" algo=\"9\"><created>0</created>"
               "<packet>" +
               packet + "</packet></update></updates></publickey></backupdatabase>\n");
    _tNewTransferPacket out;
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0xABCDEF, &out), 1u);
    EXPECT_EQ(ZRPCFUNC_DB_DeleteUpdate(0xABCDEF, 0xA00A, 1), 29u) << "its public key is not found";

    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    unsigned long serial = 0;
    unsigned char name[16];
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0xABCDEFu) << "the enumeration reads the serial as a number";
    ZRPCFUNC_DB_Disconnect();

    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0xABCDEF), 0u);
    EXPECT_EQ(Read(StoreFile()), "<backupdatabase/>\n");
}

} // namespace
