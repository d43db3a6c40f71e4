// The key list on a plain dialog against the software token: the row of each slot state, one row
// for a type-4 token, refreshes that keep 64 rows, the default row, the duplicate-name compare, a
// failed read answered in its error box from another thread, and the rows gone with the window.
// ctest-lock: keycache display
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "include/zrpcfunc.h"
#include "include/zrpckeylist.h"
#include "standins/token/softtoken.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"

namespace {

constexpr WORD kItem = 300;

constexpr char kTokens[] = "token Keys\n"
                           "serial 11110001\n"
                           "key 0 algo=9 length=32 usage=3 name=Plain\n"
                           "key 1 algo=5 length=24 usage=0 flags=2 name=Default\n"
                           "key 2 algo=1 length=16 usage=1 flags=64 name=Second state\n"
                           "key 3 algo=9 length=32 usage=1 flags=32 name=Backup\n"
                           "key 4 algo=9 length=32 usage=1 flags=128 name=Reserved\n"
                           "key 5 algo=9 length=32 usage=1 flags=160 name=Both\n"
                           "key 6 algo=9 length=32 usage=1 flags=34 name=Backup default\n"
                           "key 7 algo=4 length=8 usage=2 name=ABCDEFGHIJKLMNOP\n"
                           "key 8 flags=1 name=Ghost\n"
                           "key 10 algo=9 length=16 usage=7 flags=66 name=Second default\n"
                           "token Single\n"
                           "serial 11110002\n"
                           "type 4\n"
                           "key 0 algo=9 length=32 usage=1 flags=2 name=Only\n"
                           "token Empty default\n"
                           "serial 11110003\n"
                           "key 0 algo=9 length=32 usage=1 flags=3 name=Gone\n"
                           "key 1 algo=9 length=32 usage=1 name=Plain\n";

INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

class KeyList : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(token.LoadText(kTokens, &error)) << error;
        ZRPCFUNC_ResetEncryptionKeyCache();
        zt::DialogTemplate t(L"Keys", 300, 200);
        t.Item(0x0082, kItem, SS_LEFT, 5, 5, 290, 190, L"");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainProc, 0);
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog));
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        ZRPCFUNC_ResetEncryptionKeyCache();
    }
    bool Bold(int row) {
        _RVITEM item = {};
        item.nMask = RVIM_STATEBITS;
        item.iItem = row;
        EXPECT_TRUE(list.GetItem(&item));
        return (item.nState & RVIS_HEAVYFONT) != 0;
    }
    std::string Text(int row, int column) { return list.GetItemText(row, column).GetString(); }

    SoftToken token;
    HWND dialog = nullptr;
    CKeyListCtrl list;
};

TEST_F(KeyList, ColumnsStylesAndHeader) {
    EXPECT_EQ(list.InitControl(&token, 1, FALSE), 0u);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetStyle() & 0xFFFF, 0x2083u);
    EXPECT_FALSE(IsWindowEnabled(list.GetHeaderCtrl()));
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Slot", 53}, {"Key name", 120}, {"Cipher", 65}, {"Bits", 50}, {"Usage", 62}};
    // A second set-up defines the same columns again, not five more.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass) {
            EXPECT_EQ(list.InitControl(&token, 1, FALSE), 0u);
        }
        ASSERT_EQ(list.GetSubItemCount(), 5);
        ASSERT_EQ(list.GetActiveSubItemCount(), 5);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(list.GetSubItemWidth(i), columns[i].width);
            EXPECT_EQ(list.GetColumnFromSubItem(i), i);
            char title[64] = "";
            HDITEMA hd = {};
            hd.mask = HDI_TEXT;
            hd.pszText = title;
            hd.cchTextMax = sizeof title;
            SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&hd));
            EXPECT_STREQ(title, columns[i].title);
        }
    }
    EXPECT_NE(list.GetImageList(), nullptr);
}

TEST_F(KeyList, EachSlotStateHasItsRow) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 64);
    struct Case {
        int row;
        const char* slot;
        int image;
        const char* name;
        const char* algorithm;
        const char* bits;
        const char* usage;
        int usageImage;
        bool bold;
    };
    const Case cases[] = {
        {0, "01", 33, "Plain", "AES", "256", "3", 12, false},
        {1, "02", 32, "Default", "3DES", "192", "0", 14, true},
        {2, "03", 5, "Second state", "RC4", "128", "1", 12, false},
        // Special states: the picture follows bit 5, the text bit 7; the other texts stay as they were.
        {3, "04", 29, "Backup key", "---", "---", "---", 0, false},
        {4, "05", 34, "Reserved key", "---", "---", "---", 0, false},
        {5, "06", 29, "Reserved key", "---", "---", "---", 0, false},
        {6, "07", 29, "Backup key", "---", "---", "---", 2, true},
        {7, "08", 33, "ABCDEFGHIJKLMNOP", "DES", "64", "2", 12, false},
        {8, "09", 6, "<empty>", "---", "---", "---", -1, false},
        {9, "10", 6, "<empty>", "---", "---", "---", -1, false},
        {10, "11", 2, "Second default", "AES", "128", "7", 12, true},
        {63, "64", 6, "<empty>", "---", "---", "---", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(Text(c.row, 0), c.slot);
        EXPECT_EQ(list.GetItemImage(c.row, 0), c.image);
        EXPECT_EQ(Text(c.row, 1), c.name);
        EXPECT_EQ(Text(c.row, 2), c.algorithm);
        EXPECT_EQ(Text(c.row, 3), c.bits);
        EXPECT_EQ(Text(c.row, 4), c.usage);
        EXPECT_EQ(list.GetItemImage(c.row, 4), c.usageImage);
        EXPECT_EQ(Bold(c.row), c.bold);
        _tToken_Key key;
        ASSERT_TRUE(list.GetKeyListItem(c.row, &key));
        EXPECT_EQ(key.slot, c.row);
        EXPECT_EQ(list.IsKeyListItemInUse(c.row), c.image != 6);
    }
    // A default key that loses its mark loses the bold face, and nothing else of the row's state.
    token.Tokens()[0].keys[1].flags = 0;
    list.SetSelection(1);
    EXPECT_EQ(list.RefreshKeyListItem(1, TRUE), 0u);
    EXPECT_FALSE(Bold(1));
    EXPECT_EQ(list.GetItemImage(1, 0), 33);
    EXPECT_EQ(list.GetFirstSelectedItem(), 1);
}

TEST_F(KeyList, OneRowForATypeFourToken) {
    ASSERT_EQ(list.InitControl(&token, 2, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(Text(0, 1), "Only");
    EXPECT_EQ(list.GetDefaultKeyListItem(), 0);
    EXPECT_EQ(list.RefreshKeyList(FALSE, TRUE), 0u);
    EXPECT_EQ(list.GetItemCount(), 1);
}

TEST_F(KeyList, RefreshesKeepSixtyFourRows) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    int reads = token.Calls(ZRPC_PLACE_GET_ALL_KEYS);
    EXPECT_EQ(list.RefreshKeyList(FALSE, FALSE), 0u);
    EXPECT_EQ(list.GetItemCount(), 64);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_ALL_KEYS), reads); // answered from the cache
    token.Tokens()[0].keys[0].name = "Renamed";
    EXPECT_EQ(list.RefreshKeyList(FALSE, TRUE), 0u);
    EXPECT_EQ(list.GetItemCount(), 64);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_ALL_KEYS), reads + 1);
    EXPECT_EQ(Text(0, 1), "Renamed");

    // A row a caller appended does not shift the slots: the next refresh lays them out again.
    _tToken_Key extra = {};
    extra.slot = 40;
    std::memcpy(extra.name, "Extra", 5);
    EXPECT_EQ(list.InsertKeyListItem(&extra), 64);
    EXPECT_EQ(Text(64, 0), "41");
    EXPECT_EQ(Text(64, 1), "Extra");
    EXPECT_EQ(list.RefreshKeyList(FALSE, FALSE), 0u);
    ASSERT_EQ(list.GetItemCount(), 64);
    for (int row : {0, 40, 63}) {
        _tToken_Key key;
        ASSERT_TRUE(list.GetKeyListItem(row, &key));
        EXPECT_EQ(key.slot, row);
    }
}

TEST_F(KeyList, StepsTheWorkingDialogItIsAskedTo) {
    ASSERT_EQ(list.InitControl(&token, 1, FALSE), 0u);
    char message[] = "Reading the keys";
    ASSERT_EQ(ZRPCFUNC_C_ShowWorkingDialog(dialog, message), 0u);
    EXPECT_EQ(list.RefreshKeyList(TRUE, TRUE), 0u);
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_EQ(list.GetItemCount(), 64);
    EXPECT_EQ(Text(0, 1), "Plain");
}

TEST_F(KeyList, ReadingOneSlot) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    int reads = token.Calls(ZRPC_PLACE_GET_KEY);
    token.Tokens()[0].keys[0].name = "Changed";
    EXPECT_EQ(list.RefreshKeyListItem(0, FALSE), 0u); // the cache answers: nothing read
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY), reads);
    EXPECT_EQ(Text(0, 1), "Plain");
    EXPECT_EQ(list.RefreshKeyListItem(0, TRUE), 0u);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_GET_KEY), reads + 1);
    EXPECT_EQ(Text(0, 1), "Changed");
    // A failed read reports the token's code and shows the slot empty.
    token.FailPlace(ZRPC_PLACE_GET_KEY, 31);
    EXPECT_EQ(list.RefreshKeyListItem(0, TRUE), 31u);
    token.FailPlace(ZRPC_PLACE_GET_KEY, 0);
    EXPECT_EQ(Text(0, 1), "<empty>");
    EXPECT_FALSE(list.IsKeyListItemInUse(0));
}

TEST_F(KeyList, DefaultRow) {
    ASSERT_EQ(list.InitControl(&token, 1, FALSE), 0u);
    EXPECT_EQ(list.GetDefaultKeyListItem(), -2); // no rows yet
    EXPECT_EQ(list.RefreshKeyList(FALSE, TRUE), 0u);
    EXPECT_EQ(list.GetDefaultKeyListItem(), 1);
    list.EnsureKeyListDefaultKeyItemSelected();
    EXPECT_EQ(list.GetFirstSelectedItem(), 1);
    EXPECT_EQ(list.GetSelectedCount(), 1);
    list.EnsureKeyListItemVisible(63);
    EXPECT_TRUE(list.IsItemVisible(63));
    EXPECT_FALSE(list.IsItemVisible(1));
    EXPECT_EQ(list.EnsureKeyListDefaultKeyItemVisible(), 1);
    EXPECT_TRUE(list.IsItemVisible(1));

    // A default mark on an empty slot does not count.
    CKeyListCtrl other;
    ASSERT_TRUE(list.UnsubclassWindow());
    ASSERT_TRUE(other.SubclassDlgItem(kItem, dialog));
    ZRPCFUNC_ResetEncryptionKeyCache();
    ASSERT_EQ(other.InitControl(&token, 3, TRUE), 0u);
    EXPECT_EQ(other.GetDefaultKeyListItem(), -2);
    EXPECT_EQ(other.EnsureKeyListDefaultKeyItemVisible(), -2);
    other.ClearSelection();
    other.EnsureKeyListDefaultKeyItemSelected();
    EXPECT_EQ(other.GetSelectedCount(), 0);
    other.UnsubclassWindow();
}

TEST_F(KeyList, DuplicateNamesLookAtSixteenCharactersOfUsedSlots) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    const struct {
        const char* name;
        int duplicate;
    } cases[] = {
        {"Plain", TRUE},
        {"plain", FALSE},            // case counts
        {"Plai", FALSE},             // the whole name
        {"ABCDEFGHIJKLMNOP", TRUE},  // 16 characters, shown and compared whole
        {"ABCDEFGHIJKLMNOPQ", TRUE}, // differs only after the 16th character
        {"ABCDEFGHIJKLMNOQ", FALSE},
        {"Ghost", FALSE}, // an empty slot's leftover name
        {"Backup", TRUE}, // special states keep their key's name
        {"", FALSE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.IsDuplicateEncryptionKeyName(c.name), c.duplicate) << c.name;
}

TEST_F(KeyList, RowQueriesOutsideTheList) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    _tToken_Key key;
    std::memset(&key, 0xAB, sizeof key);
    for (int row : {-2, -1, 64, 1000}) {
        EXPECT_FALSE(list.GetKeyListItem(row, &key)) << row;
        EXPECT_FALSE(list.IsKeyListItemInUse(row)) << row;
    }
    EXPECT_EQ(key.slot, 0xAB); // nothing copied
    EXPECT_EQ(list.InsertKeyListItem(nullptr), -2);
}

TEST_F(KeyList, FailedReadIsShownAndEmptiesTheList) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 31);
    std::vector<zt::SeenBox> seen;
    unsigned long rc;
    {
        zt::BoxAnswerer boxes(IDOK);
        rc = list.RefreshKeyList(FALSE, TRUE);
        seen = boxes.Seen();
    }
    token.FailPlace(ZRPC_PLACE_GET_ALL_KEYS, 0);
    EXPECT_EQ(rc, 31u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].text.find("reading the key from the token"), std::string::npos) << seen[0].text;
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetDefaultKeyListItem(), -2);
    // The next refresh lays the slots out again.
    EXPECT_EQ(list.RefreshKeyList(FALSE, TRUE), 0u);
    EXPECT_EQ(list.GetItemCount(), 64);

    // Without a token the read fails the same way.
    CKeyListCtrl bare;
    ASSERT_TRUE(list.UnsubclassWindow());
    ASSERT_TRUE(bare.SubclassDlgItem(kItem, dialog));
    ZRPCFUNC_ResetEncryptionKeyCache();
    {
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_NE(bare.InitControl(nullptr, 1, TRUE), 0u);
        EXPECT_EQ(boxes.Seen().size(), 1u);
    }
    EXPECT_EQ(bare.GetItemCount(), 0);
    bare.UnsubclassWindow();
}

TEST_F(KeyList, RowsGoWithTheWindow) {
    ASSERT_EQ(list.InitControl(&token, 1, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 64);
    DestroyWindow(dialog);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.Handle(), nullptr);
}

} // namespace
