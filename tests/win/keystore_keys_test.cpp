// Public keys in the key store: adding (with and without the question), the exact file a sequence of
// changes writes, replacing, reading, notes and their bound, values with markup characters, names and
// the enumeration.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zrpcres_ids.h"

namespace {

using kst::PublicKeyPacket;
using kst::Read;
using kst::StoreFile;
using kst::UpdateText;

class KeyStoreKeys : public kst::StoreTest {};

TEST_F(KeyStoreKeys, SequenceOfChangesWritesTheExactFile) {
    const _tNewTransferPacket alice = PublicKeyPacket(0x5A5A0001, "Alice's Token");
    const _tNewTransferPacket backup = PublicKeyPacket(0xB0000001, "Backup Key 1", 16);
    _tNewTransferPacket backupAs12 = backup;
    backupAs12.type = 12;
    const std::string aliceText = UpdateText(alice), backupText = UpdateText(backupAs12);

    Add(0x5A5A0001, "Alice's Token"); // creates the store, then adds
    EXPECT_EQ(Read(StoreFile()),
              "<backupdatabase>\n\t<publickey serial=\"5A5A0001\" name=\"Alice's Token\">\n"
              "\t\t<packet>" +
                  aliceText + "</packet>\n\t</publickey>\n</backupdatabase>\n");
    EXPECT_EQ(Read(kst::PreviousFile()), "<backupdatabase/>\n");

    Add(0xB0000001, "Backup Key 1", 16);
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x5A5A0001, const_cast<char*>("alice@example.org")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0xB0000001, const_cast<char*>("kept in the safe")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x5A5A0001, const_cast<char*>("payroll")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0xB0000001, const_cast<char*>("")), 0u); // nothing to empty
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x5A5A0001, const_cast<char*>("")), 0u); // emptied, kept

    EXPECT_EQ(Read(StoreFile()), "<backupdatabase>\n"
                                 "\t<publickey serial=\"5A5A0001\" name=\"Alice's Token\">\n"
                                 "\t\t<packet>" +
                                     Collapsed(aliceText) +
                                     "</packet>\n"
                                     "\t\t<email></email>\n"
                                     "\t\t<comment>payroll</comment>\n"
                                     "\t</publickey>\n"
                                     "\t<publickey serial=\"B0000001\" name=\"Backup Key\">\n"
                                     "\t\t<packet>" +
                                     Collapsed(backupText) +
                                     "</packet>\n"
                                     "\t\t<comment>kept in the safe</comment>\n"
                                     "\t</publickey>\n"
                                     "</backupdatabase>\n");

    ASSERT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x5A5A0001), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_DeletePublicKey(0xB0000001), 0u);
    EXPECT_EQ(Read(StoreFile()), "<backupdatabase/>\n");
}

TEST_F(KeyStoreKeys, AddingAKeyThatIsThereChangesNothingAndAsksNothing) {
    Add(0x10, "ten");
    const std::string store = Read(StoreFile()), previous = Read(kst::PreviousFile());
    zt::BoxAnswerer yes(IDYES);
    _tNewTransferPacket again = PublicKeyPacket(0x10, "other name");
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &again, 1), 0u);
    Sleep(300);
    EXPECT_TRUE(yes.Seen().empty());
    EXPECT_EQ(Read(StoreFile()), store);
    EXPECT_EQ(Read(kst::PreviousFile()), previous);
}

// The working dialog of the changes that take long: its window, while an outer show holds it up.
BOOL CALLBACK FindWorking(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid != GetCurrentProcessId() || std::string(cls) != "#32770" || !GetDlgItem(hwnd, IDC_WORKING_ICON))
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}
HWND WorkingWindow() {
    HWND found = nullptr;
    EnumWindows(FindWorking, reinterpret_cast<LPARAM>(&found));
    return found;
}
std::string WorkingMessage(HWND working) {
    char text[512] = "";
    GetDlgItemTextA(working, IDC_WORKING_MESSAGE, text, sizeof text);
    return text;
}
std::string LangText(unsigned id) {
    char text[512] = "";
    EXPECT_EQ(ZRPCFUNC_GetLangStringsz(text, sizeof text, id), 1);
    return text;
}

// Creating the store and adding a key show the working dialog with their texts (strings 124 and 125)
// and take it down again; adding a key that is there shows nothing.
TEST_F(KeyStoreKeys, LongChangesShowTheWorkingDialogWithTheirText) {
    char path[MAX_PATH] = "";
    ASSERT_EQ(ZRPCFUNC_DB_DatabaseExists(path), 0);
    ASSERT_NE(path[0], 0);
    // An outer show keeps the window up: each change's text stays in it to be read afterwards.
    ASSERT_EQ(ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("outer")), 0u);
    HWND working = WorkingWindow();
    ASSERT_NE(working, nullptr);
    ASSERT_EQ(ZRPCFUNC_DB_CreateDatabase(nullptr, path), 1);
    EXPECT_EQ(WorkingMessage(working), LangText(IDS_CREATING_KEY_STORE));
    _tNewTransferPacket p = PublicKeyPacket(0x30, "thirty");
    ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u);
    EXPECT_EQ(WorkingMessage(working), LangText(IDS_ADDING_PUBLIC_KEY_WAIT));
    ZRPCFUNC_SetWorkingMessage(const_cast<char*>("outer again"));
    ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u);
    EXPECT_EQ(WorkingMessage(working), "outer again") << "a key that is there is not added again";
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(working));

    // Without an outer show, nothing stays up after a change.
    _tNewTransferPacket q = PublicKeyPacket(0x31, "thirty-one");
    ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &q, 0), 0u);
    EXPECT_EQ(WorkingWindow(), nullptr);
}

TEST_F(KeyStoreKeys, ConfirmationDeclinedAddsNothing) {
    Add(0x20, "twenty");
    const std::string store = Read(StoreFile());
    _tNewTransferPacket p = PublicKeyPacket(0x21, "asked");
    {
        zt::BoxAnswerer no(IDNO);
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 1), 20u);
        ASSERT_EQ(no.Seen().size(), 1u);
        EXPECT_EQ(no.Seen()[0].text, "Do you want to add this public key to the key store?");
        EXPECT_EQ(no.Seen()[0].title, "Corvane+");
    }
    EXPECT_EQ(Read(StoreFile()), store);
    {
        zt::BoxAnswerer yes(IDYES);
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 1), 0u);
        EXPECT_EQ(yes.Seen().size(), 1u);
    }
    char name[17];
    EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x21, name), 1);
    EXPECT_STREQ(name, "asked");
}

TEST_F(KeyStoreKeys, AddRefusesWhatIsNoPublicKey) {
    EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, nullptr, 0), 3u);
    for (uint32_t type : {13u, 14u, 0u}) {
        _tNewTransferPacket p = PublicKeyPacket(0x30, "x", type);
        EXPECT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 3u) << type;
    }
    EXPECT_FALSE(zt::FileExists(StoreFile()));
}

TEST_F(KeyStoreKeys, BackupKeyIsStoredAsAPublicKeyNamedBackupKey) {
    _tNewTransferPacket p = PublicKeyPacket(0xB0000002, "Backup Key 2", 16);
    const _tNewTransferPacket given = p;
    ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u);
    EXPECT_EQ(std::memcmp(&p, &given, sizeof p), 0) << "the caller's packet is not touched";
    char name[17];
    ASSERT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0xB0000002, name), 1);
    EXPECT_STREQ(name, "Backup Key");
    _tNewTransferPacket back;
    ASSERT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0xB0000002, &back), 0u);
    EXPECT_EQ(back.type, 12u);
    _tNewTransferPacket expected = given;
    expected.type = 12;
    EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0);
}

TEST_F(KeyStoreKeys, UpdatePublicKeyReplacesPacketAndNameFoundByTheSecondSerial) {
    Add(0x40, "old name");
    ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x40, const_cast<char*>("stays")), 0u);
    _tNewTransferPacket fresh = PublicKeyPacket(0x41, "new name");
    fresh.secondSerial = 0x40; // the entry is found by this one
    const _tNewTransferPacket given = fresh;
    ASSERT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&fresh), 0u);
    // The caller's packet is left scrambled, and DescrambleBuffer gives back exactly what was given.
    EXPECT_NE(std::memcmp(&fresh, &given, sizeof fresh), 0) << "the caller's packet is left scrambled";
    auto descramble = reinterpret_cast<ZRPC_ScrambleBufferFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("zrpcfunc.dll"), MAKEINTRESOURCEA(ZRPC_ORDINAL_DESCRAMBLEBUFFER))));
    ASSERT_NE(descramble, nullptr);
    descramble(0, reinterpret_cast<unsigned char*>(&fresh), sizeof fresh);
    EXPECT_EQ(std::memcmp(&fresh, &given, sizeof fresh), 0) << "descrambled, the packet is the one given";

    char name[17];
    ASSERT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x40, name), 1);
    EXPECT_STREQ(name, "new name");
    _tNewTransferPacket back;
    ASSERT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x40, &back), 0u);
    EXPECT_EQ(std::memcmp(&back, &given, sizeof back), 0);
    char comment[ZRPC_DB_NOTE_MAX + 1] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x40, comment), 0u);
    EXPECT_STREQ(comment, "stays");

    EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(nullptr), 3u);
    _tNewTransferPacket unknown = PublicKeyPacket(0x99, "none");
    EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&unknown), 29u);
    _tNewTransferPacket request = PublicKeyPacket(0x40, "request", 13);
    const _tNewTransferPacket requestGiven = request;
    EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&request), 1u) << "a type the text writer refuses";
    EXPECT_EQ(std::memcmp(&request, &requestGiven, sizeof request), 0) << "a refused packet is not scrambled";
}

TEST_F(KeyStoreKeys, DeleteAndPacketLookups) {
    Add(0x50, "fifty");
    Add(0x51, "fifty-one");
    _tNewTransferPacket back;
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0, &back), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x50, nullptr), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x52, &back), 1u);
    ASSERT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x51, &back), 0u);
    EXPECT_EQ(back.serial, 0x51u);
    EXPECT_EQ(std::string(back.name), "fifty-one");

    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0), 3u);
    const std::string before = Read(StoreFile());
    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x52), 1u);
    EXPECT_EQ(Read(StoreFile()), before);
    EXPECT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x50), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x50, &back), 1u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPublicKeyPacket(0x51, &back), 0u);
}

TEST_F(KeyStoreKeys, NotesAreBoundedBothWays) {
    Add(0x60, "sixty");
    const std::string longest(ZRPC_DB_NOTE_MAX, 'n');
    const std::string tooLong(ZRPC_DB_NOTE_MAX + 1, 'n');
    const std::string store = Read(StoreFile());
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x60, const_cast<char*>(tooLong.c_str())), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x60, const_cast<char*>(tooLong.c_str())), 3u);
    EXPECT_EQ(Read(StoreFile()), store) << "a refused text changes nothing";
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x60, const_cast<char*>(longest.c_str())), 0u);
    char text[ZRPC_DB_NOTE_MAX + 1 + 8];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x60, text), 0u);
    EXPECT_EQ(std::string(text), longest);

    // A store edited by hand with longer texts: the getters never write more than the bound.
    const std::string packet = UpdateText(PublicKeyPacket(0x61, "k"));
    WriteStore("<backupdatabase><publickey serial=\"00000061\" name=\"k\"><packet>" + packet +
               "</packet><email>" + std::string(1000, 'e') + "</email><comment>" + std::string(5000, 'c') +
               "</comment></publickey></backupdatabase>\n");
    for (int which = 0; which < 4; ++which) {
        std::memset(text, '#', sizeof text);
        unsigned long rc;
        if (which == 0)
            rc = ZRPCFUNC_DB_GetEmailAddress(0x61, text);
        else if (which == 1)
            rc = ZRPCFUNC_DB_GetComments(0x61, text);
        else {
            ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
            unsigned long serial;
            unsigned char name[16];
            ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u);
            rc = which == 2 ? ZRPCFUNC_DB_GetPubKeyEmail(text) : ZRPCFUNC_DB_GetPubKeyComment(text);
            ZRPCFUNC_DB_Disconnect();
        }
        EXPECT_EQ(rc, 0u) << which;
        EXPECT_EQ(std::strlen(text), (size_t)ZRPC_DB_NOTE_MAX) << which;
        EXPECT_EQ(std::string(text + ZRPC_DB_NOTE_MAX + 1, 8), std::string(8, '#')) << which;
    }
}

TEST_F(KeyStoreKeys, NoteRulesForEmptyTextsAndUnknownKeys) {
    Add(0x70, "seventy");
    char text[ZRPC_DB_NOTE_MAX + 1];
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0, text), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x70, nullptr), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x70, nullptr), 3u);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0, const_cast<char*>("x")), 3u);

    // No e-mail element: the text is left alone.
    std::snprintf(text, sizeof text, "%s", "untouched");
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x70, text), 0u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x71, text), 0u) << "unknown key";
    EXPECT_STREQ(text, "untouched");

    // An empty text on a key without e-mail changes nothing in the tree but still rewrites the store
    // (in the form a store read back has: the packet text on one line).
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x70, const_cast<char*>("")), 0u);
    const std::string store = Read(StoreFile());
    EXPECT_EQ(store.find('\r'), std::string::npos);
    DeleteFileA(kst::PreviousFile().c_str());
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x70, const_cast<char*>("")), 0u);
    EXPECT_EQ(Read(StoreFile()), store);
    EXPECT_EQ(Read(kst::PreviousFile()), store);
    // A text for an unknown key (deleted by another process meanwhile, say) is not reported as kept,
    // and nothing is written.
    DeleteFileA(kst::PreviousFile().c_str());
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x71, const_cast<char*>("nobody")), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x71, const_cast<char*>("nobody@x")), 29u);
    EXPECT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x71, const_cast<char*>("")), 29u);
    EXPECT_EQ(Read(StoreFile()), store);
    EXPECT_FALSE(zt::FileExists(kst::PreviousFile())) << "the store was rewritten";

    // An emptied e-mail reads as none.
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x70, const_cast<char*>("a@b")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x70, const_cast<char*>("")), 0u);
    std::snprintf(text, sizeof text, "%s", "untouched");
    EXPECT_EQ(ZRPCFUNC_DB_GetEmailAddress(0x70, text), 0u);
    EXPECT_STREQ(text, "untouched");
}

TEST_F(KeyStoreKeys, ValuesWithMarkupCharactersComeBackAsStored) {
    const char* values[] = {"R&D <lab>", "\"Q\" & A", "x&amp;y", "a<b>c&d\"e"};
    uint32_t serial = 0x80;
    for (const char* v : values) {
        _tNewTransferPacket p = PublicKeyPacket(++serial, v);
        ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u) << v;
        ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(serial, const_cast<char*>(v)), 0u);
        ASSERT_EQ(ZRPCFUNC_DB_SetComments(serial, const_cast<char*>(v)), 0u);
    }
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    unsigned long s;
    unsigned char name[16];
    int i = 0;
    for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&s, name); rc == 0;
         rc = ZRPCFUNC_DB_GetNextPublicKey(&s, name), ++i) {
        ASSERT_LT(i, 4);
        EXPECT_EQ(s, 0x81u + i);
        EXPECT_EQ(std::string((char*)name, strnlen((char*)name, 16)), values[i]);
        char text[ZRPC_DB_NOTE_MAX + 1] = "";
        EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyEmail(text), 0u);
        EXPECT_STREQ(text, values[i]);
        EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyComment(text), 0u);
        EXPECT_STREQ(text, values[i]);
        char byName[17];
        EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, s, byName), 1);
        EXPECT_STREQ(byName, values[i]);
    }
    EXPECT_EQ(i, 4) << "markup in a value never makes or breaks elements";
}

TEST_F(KeyStoreKeys, NameFromSerial) {
    Add(0x90, "SixteenCharsName");
    char name[17];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x90, name), 1);
    EXPECT_EQ(std::string(name, 17), std::string("SixteenCharsName") + '\0');
    EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x91, name), 0);
    EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0, name), 0);
    EXPECT_EQ(ZRPCFUNC_DB_GetNameFromSerial(nullptr, 0x90, nullptr), 0);
}

TEST_F(KeyStoreKeys, EnumerationWithNotesOfTheCurrentEntry) {
    Add(0xA1, "one");
    Add(0xA2, "two");
    ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0xA2, const_cast<char*>("two@example.org")), 0u);
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    char text[ZRPC_DB_NOTE_MAX + 1] = "untouched";
    EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyEmail(text), 1u) << "no entry before the first step";
    unsigned long serial = 0;
    unsigned char name[16];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(nullptr, name), 3u);
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0xA1u);
    EXPECT_EQ(std::string((char*)name, 16), std::string("one") + std::string(13, '\0'));
    EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyEmail(text), 1u);
    EXPECT_STREQ(text, "untouched");
    ASSERT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 0u);
    EXPECT_EQ(serial, 0xA2u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyEmail(text), 0u);
    EXPECT_STREQ(text, "two@example.org");
    EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyComment(text), 1u);
    EXPECT_EQ(ZRPCFUNC_DB_GetNextPublicKey(&serial, name), 7u);
    EXPECT_EQ(ZRPCFUNC_DB_GetPubKeyEmail(text), 1u) << "past the end";
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 0u) << "a first step starts over";
    EXPECT_EQ(serial, 0xA1u);
}

} // namespace
