// The column titles of the token and key lists fit their columns in every shipped language: the widths
// are the controls' own (fixed), each module's title is measured with the header's font (DrawText with
// DT_CALCRECT) plus the header's margins. A failure names the module, the string number and both widths.
// The stretched module is left out: its titles are meant to show the cut in the pictures.
// ctest-lock: keycache display
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "include/zrpcfunc.h"
#include "include/zrpckeylist.h"
#include "include/zrpcres_ids.h"
#include "include/zrpctokenlist.h"
#include "standins/token/softtoken.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"

namespace {

constexpr WORD kItem = 300;

INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

// A string of a language module, as the module holds it.
std::wstring ModuleString(HMODULE module, unsigned id) {
    wchar_t text[512] = L"";
    LoadStringW(module, id, text, 512);
    return text;
}

// The width a header item's title needs: the text in the header's font and the header's margins
// (three edges on either side).
int Needed(HWND header, const std::wstring& title) {
    HDC dc = GetDC(header);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(header, WM_GETFONT, 0, 0));
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, title.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(header, dc);
    return (r.right - r.left) + 6 * GetSystemMetrics(SM_CXEDGE);
}

struct Column {
    unsigned title;
    int width;
};

void CheckTitles(const char* control, HWND header, const std::vector<Column>& columns) {
    for (const char* name : {"zrpcres.dll", "zrpcres-de.dll"}) {
        HMODULE module =
            LoadLibraryExA((zt::ProgramDir() + "\\" + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module) << name;
        for (const Column& c : columns) {
            std::wstring title = ModuleString(module, c.title);
            EXPECT_FALSE(title.empty()) << name << " string " << c.title;
            int needed = Needed(header, title);
            EXPECT_LE(needed, c.width) << control << ", " << name << ", string " << c.title << ": needs "
                                       << needed << " pixels, has " << c.width;
        }
        FreeLibrary(module);
    }
}

class ColumnTitles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(token.LoadText("token Keys\nserial 11110001\nkey 0 algo=9 length=32 usage=3 name=Plain\n",
                                   &error))
            << error;
        ZRPCFUNC_ResetEncryptionKeyCache();
        zt::DialogTemplate t(L"Lists", 300, 200);
        t.Item(0x0082, kItem, SS_LEFT, 5, 5, 290, 190, L"");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainProc, 0);
        ASSERT_TRUE(dialog);
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        ZRPCFUNC_ResetEncryptionKeyCache();
    }
    SoftToken token;
    HWND dialog = nullptr;
};

} // namespace

TEST_F(ColumnTitles, TokenListTitlesFitInEveryLanguage) {
    CVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog));
    ASSERT_EQ(list.InitControl(&token, TRUE), 0u);
    ASSERT_EQ(list.GetSubItemCount(), 3);
    CheckTitles("token list", list.GetHeaderCtrl(),
                {{IDS_TOKEN_COLUMN_NAME, list.GetSubItemWidth(0)},
                 {IDS_TOKEN_COLUMN_SERIAL, list.GetSubItemWidth(1)},
                 {IDS_TOKEN_COLUMN_STATUS, list.GetSubItemWidth(2)}});
    list.UnsubclassWindow();
}

TEST_F(ColumnTitles, KeyListTitlesFitInEveryLanguage) {
    CKeyListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog));
    ASSERT_EQ(list.InitControl(&token, 1, FALSE), 0u);
    ASSERT_EQ(list.GetSubItemCount(), 5);
    std::vector<Column> columns;
    for (int i = 0; i < 5; ++i)
        columns.push_back({IDS_KEY_COLUMN_SLOT + (unsigned)i, list.GetSubItemWidth(i)});
    CheckTitles("key list", list.GetHeaderCtrl(), columns);
    list.UnsubclassWindow();
}
