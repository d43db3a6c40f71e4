// Names in the key store of a program that runs with UTF-8 as its code page. A name that fills a 16-byte
// field was cut to fit it, possibly inside its last character: that remnant is no text and never goes
// into the store or comes back out of it. Where the library itself cuts a longer name into a field, it
// cuts between characters. What a caller hands in otherwise is kept byte for byte.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include "standins/token/softtoken.h"

namespace {

using kst::Read;
using kst::StoreFile;

// "A" and seven Cyrillic letters (15 bytes); the same with the first byte of one more letter (the 16
// bytes a token keeps of a longer name); "AB" and seven letters (16 bytes, whole).
const std::string kCut15 = "A\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94";
const std::string kLonger = kCut15 + "\xD0\x96";
const std::string kWhole16 = "AB\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94";

bool ValidUtf8(const std::string& text) {
    return text.empty() ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0) > 0;
}

std::string Field(const unsigned char* field) {
    return std::string((const char*)field, strnlen((const char*)field, 16));
}

class KeyStoreNames : public kst::StoreTest {
  protected:
    void SetUp() override {
        kst::StoreTest::SetUp();
        ASSERT_EQ(GetACP(), 65001u) << "the test program runs with UTF-8 as its code page";
    }
    static std::string StoredName(unsigned long serial) {
        char name[17] = "";
        return ZRPCFUNC_DB_GetNameFromSerial(nullptr, serial, name) ? name : "<none>";
    }
    static std::string ListedName(unsigned long wanted) {
        std::string out = "<none>";
        if (ZRPCFUNC_DB_Connect() != 0) return out;
        unsigned long serial = 0;
        unsigned char field[16];
        for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, field); rc == 0;
             rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, field))
            if (serial == wanted) out = Field(field) + (strnlen((const char*)field, 16) < 16 ? "" : "|full");
        ZRPCFUNC_DB_Disconnect();
        return out;
    }
};

TEST_F(KeyStoreNames, NameCutInsideACharacterAtTheFieldIsStoredWithoutTheRemnant) {
    struct Case {
        const char* what;
        std::string field; // the packet's 16-byte name field, as the caller filled it
        std::string stored;
        std::string listed;
    } cases[] = {
        {"cut inside its last letter", kLonger.substr(0, 16), kCut15, kCut15},
        {"filling the field with whole letters", kWhole16, kWhole16, kWhole16 + "|full"},
        {"shorter, with a byte that is no character", "x\xD0y", "x\xD0y", "x\xD0y"},
    };
    uint32_t serial = 0x500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        _tNewTransferPacket p = kst::PublicKeyPacket(++serial, "");
        std::memcpy(p.name, c.field.data(), c.field.size());
        ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u);
        EXPECT_EQ(StoredName(serial), c.stored);
        EXPECT_EQ(ListedName(serial), c.listed);
        const std::string file = Read(StoreFile());
        EXPECT_NE(file.find("name=\"" + c.stored + "\""), std::string::npos) << file;
        // The caller's own packet name changes the stored name the same way.
        _tNewTransferPacket renamed = p;
        EXPECT_EQ(ZRPCFUNC_DB_UpdatePublicKey(&renamed), 0u);
        EXPECT_EQ(StoredName(serial), c.stored);
    }
    // Every name the library wrote is text.
    std::string file = Read(StoreFile());
    const size_t bad = file.find("x\xD0y");
    file.erase(bad, 3);
    EXPECT_TRUE(ValidUtf8(file));
}

// A stored name longer than a field (written by hand, or by another program) is cut between letters.
TEST_F(KeyStoreNames, LongerStoredNamesAreCutBetweenCharacters) {
    const std::string longName =
        "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 "
        "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2"; // 7 letters, space, 6 letters
    const std::string first15 = longName.substr(0, 15);     // 7 letters and the space
    WriteStore("<backupdatabase>\n\t<publickey serial=\"00000600\" name=\"" + longName + "\">\n\t\t<packet>" +
               kst::UpdateText(kst::PublicKeyPacket(0x600, "k")) +
               "</packet>\n\t</publickey>\n</backupdatabase>\n");
    EXPECT_EQ(StoredName(0x600), first15);
    EXPECT_EQ(ListedName(0x600), first15);
}

// The backup files an update under the wrapped key's name and names its ".dlu" file after it; a token
// that cut the key's name inside a letter gets both without the remnant.
TEST_F(KeyStoreNames, BackupNamesWithoutTheRemnant) {
    SoftToken token;
    std::string error;
    ASSERT_TRUE(token.LoadText("token " + kLonger +
                                   "\nserial 1A2B3C4D\npubkey 5A5A0001\n"
                                   "key 0 serial=0000A001 number=1 algo=9 name=" +
                                   kLonger + "\n",
                               &error))
        << error;
    Add(0x700, "target");
    const std::string folder = zt::MakeTempDir("names");
    char path[MAX_PATH] = "";
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, 0x700, 0, const_cast<char*>(folder.c_str()), path),
              0u);
    EXPECT_EQ(std::string(path), folder + "\\target (00000700)\\" + kCut15 + ".dlu");
    EXPECT_TRUE(zt::FileExists(path));
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    _tDBKeyUpdate u;
    ASSERT_EQ(ZRPCFUNC_DB_GetFirstUpdate(0x700, &u), 0u);
    EXPECT_EQ(std::string(u.name, strnlen(u.name, 16)), kCut15);
    ZRPCFUNC_DB_Disconnect();
    EXPECT_TRUE(ValidUtf8(Read(StoreFile())));

    // The token's own public key, named by the token's name cut the same way.
    ASSERT_EQ(ZRPCFUNC_DB_Backup(nullptr, &token, 1, 0, 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(StoredName(0x5A5A0001), kCut15);
    EXPECT_TRUE(ValidUtf8(Read(StoreFile())));
    zt::RemoveTree(folder);
}

} // namespace
