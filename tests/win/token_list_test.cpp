// The token list on a plain dialog against the software token: rows in the reverse of the
// enumeration order with their pictures, serials and states ("Reboot to unlock" included), the token
// types, the codes of an enumeration that finds nothing or fails, the columns and the refitted last
// column, and the rows gone with the window.
// ctest-lock: display
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "include/zrpcfunc.h"
#include "include/zrpctokenlist.h"
#include "standins/token/softtoken.h"
#include "tests/win/ui_testing.h"

namespace {

constexpr WORD kItem = 300;

INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

class TokenList : public ::testing::Test {
  protected:
    void SetUp() override { MakeDialog(300, 150); }
    void TearDown() override {
        list.UnsubclassWindow();
        if (IsWindow(dialog)) DestroyWindow(dialog);
    }
    void MakeDialog(short cx, short cy) {
        if (list.Handle()) list.UnsubclassWindow();
        if (IsWindow(dialog)) DestroyWindow(dialog);
        zt::DialogTemplate t(L"Tokens", cx, cy);
        t.Item(0x0082, kItem, SS_LEFT, 5, 5, static_cast<short>(cx - 10), static_cast<short>(cy - 10), L"");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainProc, 0);
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog));
    }
    void Load(const std::string& text) {
        token = SoftToken();
        std::string error;
        ASSERT_TRUE(token.LoadText(text, &error)) << error;
    }
    std::string Text(int row, int column) { return list.GetItemText(row, column).GetString(); }
    int LastColumnWant() {
        RECT r;
        GetWindowRect(list.Handle(), &r);
        return (r.right - r.left) - 140 - 80 - 4;
    }

    SoftToken token;
    HWND dialog = nullptr;
    CVortalListCtrl list;
};

TEST_F(TokenList, RowsInReverseEnumerationOrder) {
    Load("token Plain\n serial 00000A01\n state 0\n"
         "token Picture\n serial 00000A02\n state 1\n flags 1\n"
         "token Unlocked\n serial 00000A03\n state 3\n flags 3\n"
         "token Single\n serial 00000A04\n type 4\n state 0\n"
         "token Single locked\n serial 00000A05\n type 4\n state 1\n flags 1\n"
         "token Single both\n serial 00000A06\n type 4\n state 3\n flags 3\n"
         "token No state\n serial 00000A07\n state 0\n found 22\n"
         "token Odd state\n serial 00000A08\n state 2\n type 7\n"
         "token SixteenCharName!\n serial 00000A09\n state 0\n");
    ASSERT_EQ(list.InitControl(&token, TRUE), 0u);
    EXPECT_TRUE(list.IsControlInitialised());
    struct Row {
        const char* name;
        const char* serial;
        int image;
        const char* status;
        unsigned long type;
    };
    const Row rows[] = {
        {"SixteenCharName!", "00000A09", 23, "Ready", 1},
        {"Odd state", "00000A08", 23, "", 7},
        {"No state", "00000A07", 23, "Not available", 1},
        {"Single both", "00000A06", 25, "Reboot to unlock", 4},
        {"Single locked", "00000A05", 24, "Reboot to unlock", 4},
        {"Single", "00000A04", 35, "Ready", 4},
        {"Unlocked", "00000A03", 25, "Not initialised", 1},
        {"Picture", "00000A02", 24, "Locked", 1},
        {"Plain", "00000A01", 23, "Ready", 1},
    };
    ASSERT_EQ(list.GetItemCount(), 9);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(Text(i, 0), rows[i].name);
        EXPECT_EQ(list.GetItemImage(i, 0), rows[i].image);
        EXPECT_EQ(Text(i, 1), rows[i].serial);
        EXPECT_EQ(Text(i, 2), rows[i].status);
        EXPECT_EQ(list.GetVortalType(i), rows[i].type);
        // The row's data: the control's own copy of the token's find record.
        auto* find = reinterpret_cast<_tZRPKeyFindInfo*>(list.GetItemData(i));
        ASSERT_NE(find, nullptr);
        EXPECT_EQ(find->handle, static_cast<uint32_t>(9 - i));
        EXPECT_EQ(find->serial, 0xA09u - i);
        EXPECT_EQ(std::string(find->name, strnlen(find->name, 16)), rows[i].name);
    }
    EXPECT_EQ(list.GetVortalType(-1), 0xFFFFFFFFul);
    EXPECT_EQ(list.GetVortalType(9), 0xFFFFFFFFul);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_FIND_CLOSE), 1);

    // A second refresh lists the same tokens once, with the types of this enumeration.
    token.Tokens()[0].type = 4;
    ASSERT_EQ(list.RefreshVortalList(), 0u);
    ASSERT_EQ(list.GetItemCount(), 9);
    EXPECT_EQ(list.GetVortalType(8), 4u);
    EXPECT_EQ(list.GetItemImage(8, 0), 35);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_FIND_CLOSE), 2);
}

TEST_F(TokenList, ColumnsStylesAndHeader) {
    Load("token One\n serial 1\n");
    EXPECT_FALSE(list.IsControlInitialised());
    EXPECT_EQ(list.InitControl(&token, FALSE), 0u);
    EXPECT_TRUE(list.IsControlInitialised());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(token.Calls(ZRPC_PLACE_FIND_FIRST), 0);
    EXPECT_EQ(list.GetStyle() & 0xFFFF, 0x2183u);
    EXPECT_FALSE(IsWindowEnabled(list.GetHeaderCtrl()));
    EXPECT_NE(list.GetImageList(), nullptr);
    RECT client;
    GetClientRect(list.Handle(), &client);
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Token", 140}, {"Serial", 80}, {"Status", client.right - 220}};
    for (int pass = 0; pass < 2; ++pass) {
        if (pass) {
            EXPECT_EQ(list.InitControl(&token, FALSE), 0u); // the same columns again
        }
        ASSERT_EQ(list.GetSubItemCount(), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(list.GetSubItemWidth(i), columns[i].width);
            char title[64] = "";
            HDITEMA hd = {};
            hd.mask = HDI_TEXT;
            hd.pszText = title;
            hd.cchTextMax = sizeof title;
            SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&hd));
            EXPECT_STREQ(title, columns[i].title);
        }
    }
    // After a refresh the last column fills the window.
    EXPECT_EQ(list.RefreshVortalList(), 0u);
    EXPECT_EQ(list.GetSubItemWidth(2), LastColumnWant());
}

TEST_F(TokenList, LastColumnLeavesRoomForTheScrollBar) {
    MakeDialog(300, 60);
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "token T" + std::to_string(i) + "\n serial " + std::to_string(i + 1) + "\n";
    Load(text);
    ASSERT_EQ(list.InitControl(&token, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 20);
    ASSERT_LT(list.GetVisibleCount(), 20);
    EXPECT_EQ(list.GetSubItemWidth(2), LastColumnWant() - GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(TokenList, EnumerationCodes) {
    struct Case {
        const char* what;
        const char* tokens;
        int place;
        uint32_t code;
        unsigned long rc;
        int rows;
    };
    const char two[] = "token A\n serial 1\ntoken B\n serial 2\n";
    const Case cases[] = {
        {"no token", "", 0, 0, 2, 0},
        {"two tokens", two, 0, 0, 0, 2},
        {"closing fails", two, ZRPC_PLACE_FIND_CLOSE, 9, 9, 2},
        {"closing fails, nothing found", "", ZRPC_PLACE_FIND_CLOSE, 9, 2, 0},
        // A failed call ends the enumeration: nothing the component did not fill is listed.
        {"first call fails", two, ZRPC_PLACE_FIND_FIRST, 31, 2, 0},
        {"next call fails", two, ZRPC_PLACE_FIND_NEXT, 31, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.tokens);
        if (c.place) token.FailPlace(c.place, c.code);
        EXPECT_EQ(list.InitControl(&token, TRUE), c.rc);
        EXPECT_EQ(list.GetItemCount(), c.rows);
        EXPECT_EQ(token.Calls(ZRPC_PLACE_FIND_CLOSE), 1);
        EXPECT_TRUE(list.IsControlInitialised());
    }
    EXPECT_EQ(list.GetVortalType(1), 0xFFFFFFFFul); // past the one row
    // No token interface: nothing to list.
    CVortalListCtrl bare;
    list.UnsubclassWindow();
    ASSERT_TRUE(bare.SubclassDlgItem(kItem, dialog));
    EXPECT_EQ(bare.InitControl(nullptr, TRUE), 2u);
    bare.UnsubclassWindow();
}

TEST_F(TokenList, RowsGoWithTheWindow) {
    Load("token A\n serial 1\ntoken B\n serial 2\n");
    ASSERT_EQ(list.InitControl(&token, TRUE), 0u);
    ASSERT_EQ(list.GetItemCount(), 2);
    DestroyWindow(dialog);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.Handle(), nullptr);
}

} // namespace
