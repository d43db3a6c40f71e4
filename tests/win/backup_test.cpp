// Backup of a token's key into the key store and a ".dlu" file, against the software token: every
// target kind, marking rules, the file and its folder, declined overwrite, missing or vanished targets,
// each step's failure and its report, and the default backup folder.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include <shlobj.h>

#include <functional>

#include "standins/token/softtoken.h"

namespace {

using kst::Read;
using kst::StoreFile;

const char kToken[] = "token Alice's Token\n"
                      "serial 1A2B3C4D\n"
                      "pubkey 5A5A0001\n"
                      "backup1 B0000001\n"
                      "backup2 B0000002\n"
                      "key 0 serial=0000A001 number=1 algo=9 length=32 usage=3 name=Payroll\n"
                      "key 1 serial=0000A002 number=2 algo=5 length=24 usage=497 name=Board papers\n";

// The software token, recording the issue-data requests it gets; it can also fail them, or run
// something while answering one.
class Token : public SoftToken {
  public:
    Token() {
        std::string error;
        EXPECT_TRUE(LoadText(kToken, &error)) << error;
    }
    ZRPC_RESULT ZRPC_COMCALL MakePacket(uint32_t handle, _tNewTransferPacket* packet) override {
        if (packet && packet->type == ZRPC_PACKET_ISSUE_REQUEST) {
            requests.push_back(*packet);
            if (duringRequest) duringRequest();
            if (failRequest) return failRequest;
        }
        return SoftToken::MakePacket(handle, packet);
    }
    std::vector<_tNewTransferPacket> requests;
    std::function<void()> duringRequest;
    uint32_t failRequest = 0;
};

class Backup : public kst::StoreTest {
  protected:
    void SetUp() override {
        kst::StoreTest::SetUp();
        parent = CreateWindowA("STATIC", "backup test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
        folder = zt::MakeTempDir("backup");
    }
    void TearDown() override {
        DestroyWindow(parent);
        zt::RemoveTree(folder);
        kst::StoreTest::TearDown();
    }
    static unsigned long UpdateCount(unsigned long serial) {
        EXPECT_EQ(ZRPCFUNC_DB_Connect(), 0u);
        unsigned long count = 0;
        unsigned long rc = ZRPCFUNC_DB_GetUpdateCountForToken(serial, &count);
        ZRPCFUNC_DB_Disconnect();
        return rc == 0 ? count : 1000 + rc;
    }
    static std::string StoredName(unsigned long serial) {
        char name[17] = "";
        return ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name) ? name : "<none>";
    }
    HWND parent = nullptr;
    std::string folder;
};

TEST_F(Backup, EachTargetKindFilesTheUpdateAndMarksAllButTheOwnKey) {
    struct Case {
        int kind;
        unsigned long targetSerial; // for kind 3
        uint32_t target;
        const char* targetName;
        bool marked;
    } cases[] = {
        {0, 0, 0x5A5A0001, "Alice's Token", false},
        {1, 0, 0xB0000001, "Backup Key", true},
        {2, 0, 0xB0000002, "Backup Key", true},
        {3, 0x77, 0x77, "Bob", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        kst::RemoveStoreFiles();
        if (c.kind == 3) Add(0x77, "Bob");
        Token token;
        ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, c.kind, c.targetSerial, 1, nullptr, nullptr), 0u);
        EXPECT_EQ(StoredName(c.target), c.targetName);
        EXPECT_EQ(UpdateCount(c.target), 1u);

        ASSERT_EQ(token.requests.size(), 1u);
        const _tNewTransferPacket& r = token.requests[0];
        EXPECT_EQ(r.size, 377u);
        EXPECT_EQ(r.version, 0x00010006u);
        EXPECT_EQ(r.serial, c.target) << "the request carries the target's public key";
        EXPECT_EQ(r.requestByte, 0xF1) << "low byte of the key's usage value";
        EXPECT_EQ(r.requestSlot, 1);
        EXPECT_EQ(r.requestReserved, 0u);

        ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
        _tDBKeyUpdate u;
        ASSERT_EQ(ZRPCFUNC_DB_GetFirstUpdate(c.target, &u), 0u);
        uint32_t keySerial = u.keySerial;
        uint16_t id = u.updateId;
        EXPECT_EQ(keySerial, 0xA002u);
        EXPECT_EQ(id, 2);
        EXPECT_EQ(u.algorithm, 5);
        EXPECT_EQ(std::string(u.name, strnlen(u.name, 16)), "Board papers");
        ZRPCFUNC_DB_Disconnect();

        if (c.marked) {
            ASSERT_EQ(token.Marks().size(), 1u);
            EXPECT_EQ(token.Marks()[0].handle, 1u);
            EXPECT_EQ(token.Marks()[0].slot, 1u);
            EXPECT_EQ(token.Marks()[0].flags, 0x40u);
        } else {
            EXPECT_TRUE(token.Marks().empty());
        }
    }
}

TEST_F(Backup, FolderGetsAFilePerTargetAndKey) {
    Token token;
    char path[MAX_PATH];
    std::memset(path, 'x', sizeof path);
    std::string dir = folder; // without a trailing backslash
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 1, 0, 0, &dir[0], path), 0u);
    const std::string expected = folder + "\\Backup Key (B0000001)\\Payroll.dlu";
    EXPECT_STREQ(path, expected.c_str());
    ASSERT_TRUE(zt::FileExists(expected));

    _tNewTransferPacket* packet = nullptr;
    ASSERT_EQ(ZRPCFUNC_ReadKTFile(&packet, expected.c_str()), 0u);
    EXPECT_EQ(packet->type, 14u);
    EXPECT_EQ(std::string(packet->keyName, strnlen(packet->keyName, 16)), "Payroll");
    ZRPC_FreeGlobal(packet);
    const std::string text = Read(expected);
    EXPECT_NE(text.find("TARGET=B0000001\r\nNAME=Backup Key\r\n"), std::string::npos) << text;

    std::string withSlash = folder + "\\";
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 0, 0, 1, &withSlash[0], path), 0u);
    EXPECT_EQ(std::string(path), folder + "\\Alice's Token (5A5A0001)\\Board papers.dlu");
    EXPECT_TRUE(zt::FileExists(path));
    EXPECT_EQ(token.Marks().size(), 1u) << "the own public key never marks";
}

TEST_F(Backup, DeclinedOverwriteStillSucceedsAndMarks) {
    Token token;
    char path[MAX_PATH] = "";
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 2, 0, 0, &folder[0], path), 0u);
    const std::string first = Read(path);
    ASSERT_TRUE(zt::WriteFile(path, "kept"));
    {
        zt::BoxAnswerer cancel(IDCANCEL);
        EXPECT_EQ(ZRPCFUNC_DB_Backup(parent, &token, 1, 2, 0, 0, &folder[0], path), 0u);
        ASSERT_EQ(cancel.Seen().size(), 1u);
        EXPECT_NE(cancel.Seen()[0].text.find(path), std::string::npos);
    }
    EXPECT_EQ(Read(path), "kept");
    EXPECT_EQ(token.Marks().size(), 2u);
}

TEST_F(Backup, MissingTargetIsReportedOnlyWithAParent) {
    Token token;
    {
        zt::BoxAnswerer ok(IDOK);
        EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x99, 0, nullptr, nullptr), 2u) << "no store yet";
        Add(0x77, "Bob");
        EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x99, 0, nullptr, nullptr), 1u);
        Sleep(300);
        EXPECT_TRUE(ok.Seen().empty());
        EXPECT_EQ(ZRPCFUNC_DB_Backup(parent, &token, 1, 3, 0x99, 0, nullptr, nullptr), 1u);
        ASSERT_TRUE(ok.WaitFor(1));
        EXPECT_NE(ok.Seen()[0].text.find("getting request"), std::string::npos) << ok.Seen()[0].text;
    }
    EXPECT_TRUE(token.requests.empty());
    EXPECT_TRUE(token.Marks().empty());
}

TEST_F(Backup, TargetThatVanishesBeforeFilingIsNotMarked) {
    Add(0x77, "Bob");
    Token token;
    token.duringRequest = [] { ZRPCFUNC_DB_DeletePublicKey(0x77); };
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x77, 0, nullptr, nullptr), 29u);
    EXPECT_TRUE(token.Marks().empty());

    // With a folder the file is still written and the result is 0, but the key is not marked.
    Add(0x77, "Bob");
    char path[MAX_PATH] = "";
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x77, 0, &folder[0], path), 0u);
    EXPECT_TRUE(zt::FileExists(path));
    EXPECT_EQ(std::string(path), folder + "\\Bob (00000077)\\Payroll.dlu");
    EXPECT_TRUE(token.Marks().empty());

    // The key neither filed nor written (the user kept the existing file): the filing's code, not 0.
    Add(0x77, "Bob");
    ASSERT_TRUE(zt::WriteFile(path, "kept"));
    {
        zt::BoxAnswerer cancel(IDCANCEL);
        EXPECT_EQ(ZRPCFUNC_DB_Backup(parent, &token, 1, 3, 0x77, 0, &folder[0], path), 29u);
        EXPECT_EQ(cancel.Seen().size(), 1u);
    }
    EXPECT_EQ(Read(path), "kept");
    EXPECT_TRUE(token.Marks().empty());
}

TEST_F(Backup, ArgumentsAreCheckedFirst) {
    Token token;
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, nullptr, 1, 1, 0, 0, nullptr, nullptr), 9u);
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 0, 1, 0, 0, nullptr, nullptr), 9u);
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0, 0, nullptr, nullptr), 3u);
    // A folder that leaves no room for the subfolder and file name is refused before anything happens.
    std::string deep = "C:\\" + std::string(215, 'd');
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 1, 0, 0, &deep[0], nullptr), 3u);
    std::string huge(400, 'h');
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 1, 0, 0, &huge[0], nullptr), 3u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY_EX), 0);
    EXPECT_FALSE(zt::FileExists(StoreFile()));
    // An unknown kind fetches no packet; the empty packet is refused by the store.
    EXPECT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 7, 0, 0, nullptr, nullptr), 3u);
    EXPECT_TRUE(token.Marks().empty());
}

// A failing step returns its code; with a parent it is reported naming what failed.
TEST_F(Backup, EachFailingStepIsReported) {
    struct Case {
        const char* what;
        int kind;
        std::function<void(Token&)> arrange;
        unsigned long result;
        std::vector<std::string> reports; // expected box texts, in order
        bool withParent;
    } cases[] = {
        {"key not read",
         1,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_GET_KEY_EX, 14); },
         14,
         {"reading the key from the token"},
         true},
        {"key not read, no parent",
         1,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_GET_KEY_EX, 14); },
         14,
         {},
         false},
        {"own public key not made",
         0,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_MAKE_PACKET, 30); },
         1,
         {"generating issue request"},
         false},
        {"own public key not made, with parent",
         0,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_MAKE_PACKET, 30); },
         1,
         {"generating issue request", "getting request"},
         true},
        {"backup key not made",
         2,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_MAKE_PACKET, 30); },
         30,
         {"getting backup key 2 from the token"},
         false},
        {"issue data not made", 1, [](Token& t) { t.failRequest = 31; }, 31, {"generating issue data"}, true},
        {"not marked",
         1,
         [](Token& t) { t.FailPlace(ZRPC_PLACE_SET_KEY_FLAGS, 32); },
         32,
         {"marking key as backed up"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kst::RemoveStoreFiles();
        Token token;
        c.arrange(token);
        zt::BoxAnswerer ok(IDOK);
        EXPECT_EQ(
            ZRPCFUNC_DB_Backup(c.withParent ? parent : nullptr, &token, 1, c.kind, 0, 0, nullptr, nullptr),
            c.result);
        ok.WaitFor(c.reports.size(), 3000);
        Sleep(200);
        std::vector<zt::SeenBox> seen = ok.Seen();
        ASSERT_EQ(seen.size(), c.reports.size());
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_NE(seen[i].text.find(c.reports[i]), std::string::npos) << seen[i].text;
    }
}

TEST_F(Backup, DefaultBackupFolder) {
    zt::RegistryValue backupFolder(HKEY_CURRENT_USER, zt::kSettingsKey, "BackupFolder");
    zt::RegistryValue install(HKEY_LOCAL_MACHINE, zt::kClientKey, "strInstallDir");
    char out[MAX_PATH];
    EXPECT_EQ(ZRPCFUNC_DB_GetBackupFolder(nullptr), 0);

    backupFolder.Set("D:\\Backups");
    EXPECT_EQ(ZRPCFUNC_DB_GetBackupFolder(out), 1);
    EXPECT_STREQ(out, "D:\\Backups");

    backupFolder.Set(nullptr);
    install.Set("C:\\Program Files\\Somewhere");
    EXPECT_EQ(ZRPCFUNC_DB_GetBackupFolder(out), 1);
    EXPECT_STREQ(out, "C:\\Program Files\\Somewhere");

    install.Set(nullptr);
    char desktop[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(ZRPCFUNC_DB_GetBackupFolder(out), 1);
    EXPECT_STREQ(out, desktop);

    // A value that does not fit the buffer is passed over.
    std::string tooLong(300, 'x');
    backupFolder.Set(tooLong.c_str());
    EXPECT_EQ(ZRPCFUNC_DB_GetBackupFolder(out), 1);
    EXPECT_STREQ(out, desktop);
}

} // namespace
