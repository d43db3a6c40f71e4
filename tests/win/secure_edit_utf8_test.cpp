// The password field and the password box in a program whose code page is UTF-8 (its manifest says
// so): passwords in every script are kept as their UTF-8 bytes, one mask character each, the limit and
// backspace count characters, and the digest is the SHA-1 of the UTF-8 bytes.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "tests/win/password_testing.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcctl.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"
#include "zrpcsecureedit.h"

namespace {

constexpr WORD kEdit = 100;
constexpr wchar_t kBullet = L'\u2022';
const char kBulletUtf8[] = "\xE2\x80\xA2";

std::string Contents(CSecureEdit& edit) {
    CString text;
    edit.GetRealContents(text);
    return std::string(text.GetString(), static_cast<size_t>(text.GetLength()));
}

std::string DigestOf(CSecureEdit& edit) {
    unsigned char d[20];
    edit.HashContents(d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

// The characters of a UTF-16 text (a surrogate pair is one).
size_t Characters(const std::wstring& text) {
    size_t n = 0;
    for (wchar_t u : text)
        if (u < 0xDC00 || u > 0xDFFF) ++n;
    return n;
}

std::string Repeat(const char* text, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += text;
    return out;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

class Utf8Field : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest gives the program UTF-8";
        zt::DialogTemplate t(L"Plain dialog", 200, 40);
        t.Item(0x0081, kEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 180, 16, L"");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        field = GetDlgItem(dialog, kEdit);
        edit = std::make_unique<CSecureEdit>();
        ASSERT_TRUE(edit->SubclassDlgItem(kEdit, dialog));
        SetForegroundWindow(dialog);
        SetFocus(field);
        zpt::Pump(20);
    }
    void TearDown() override {
        edit.reset();
        if (dialog) DestroyWindow(dialog);
    }
    bool WaitForContents(const std::string& bytes) {
        return zpt::WaitUntil([&] { return Contents(*edit) == bytes; }, 5000);
    }

    HWND dialog = nullptr, field = nullptr;
    std::unique_ptr<CSecureEdit> edit;
};

// Typed as a user of each script types them: stored as UTF-8, masked one bullet a character, shown as
// typed, a backspace taking the last character whole; every password its own digest.
TEST_F(Utf8Field, PasswordsInEveryScriptKeepTheirCharacters) {
    struct {
        const char* name;
        const wchar_t* password;
    } cases[] = {
        {"Cyrillic", L"\u043f\u0430\u0440\u043e\u043b\u044c"}, // six letters
        {"Cyrillic, other six letters", L"\u0441\u0435\u043a\u0440\u0435\u0442"},
        {"Greek", L"\u03ba\u03c9\u03b4\u03b9\u03ba\u03cc\u03c2"},
        {"CJK", L"\u5bc6\u7801\u53e3\u4ee4"},
        {"emoji", L"\U0001F511\U0001F642x"},
        {"Latin with accents", L"Pass\u00e9 \u00fc"},
    };
    std::set<std::string> digests;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring password = c.password;
        const std::string utf8 = zpt::Utf8(password);
        const size_t n = Characters(password);
        edit->Empty();
        edit->HidePassword(1);
        SetFocus(field);
        zpt::TypeUnicode(password);
        ASSERT_TRUE(WaitForContents(utf8));
        EXPECT_EQ(DigestOf(*edit), zpt::Sha1Of(utf8)) << "SHA-1 of the UTF-8 bytes";
        EXPECT_EQ(zpt::WindowTextW(field), std::wstring(n, kBullet)) << "one mask a character";
        EXPECT_EQ(zt::WindowText(field), Repeat(kBulletUtf8, n)) << "the mask is a UTF-8 bullet";
        digests.insert(DigestOf(*edit));

        edit->HidePassword(0);
        EXPECT_EQ(zpt::WindowTextW(field), password);
        zt::PressKey(VK_BACK);
        const std::wstring shorter = password.substr(
            0, password.size() - (password.back() >= 0xDC00 && password.back() <= 0xDFFF ? 2 : 1));
        ASSERT_TRUE(WaitForContents(zpt::Utf8(shorter))) << "backspace takes the last character whole";
        EXPECT_EQ(zpt::WindowTextW(field), shorter);
        edit->HidePassword(1);
        EXPECT_EQ(zpt::WindowTextW(field), std::wstring(n - 1, kBullet));
    }
    EXPECT_EQ(digests.size(), sizeof cases / sizeof cases[0]) << "distinct passwords, distinct digests";
}

// The limit is 256 characters, however many bytes they take; a surrogate pair is one character.
TEST_F(Utf8Field, TheLimitCountsCharacters) {
    edit->HidePassword(1);
    for (int i = 0; i < 255; ++i)
        PostMessageW(field, WM_CHAR, L'\u0436', 1);
    ASSERT_TRUE(WaitForContents(Repeat("\xD0\xB6", 255)));
    PostMessageW(field, WM_CHAR, 0xD83D, 1); // U+1F511, the 256th character
    PostMessageW(field, WM_CHAR, 0xDD11, 1);
    PostMessageW(field, WM_CHAR, L'z', 1); // the 257th
    const std::string full = Repeat("\xD0\xB6", 255) + "\xF0\x9F\x94\x91";
    ASSERT_TRUE(WaitForContents(full));
    zpt::Pump(50);
    EXPECT_EQ(Contents(*edit), full) << "the 257th character is refused";
    EXPECT_EQ(zpt::WindowTextW(field), std::wstring(256, kBullet));
    zt::PressKey(VK_BACK);
    ASSERT_TRUE(WaitForContents(Repeat("\xD0\xB6", 255)));
}

// Composed by an input method and pasted: the same characters, the same bytes.
TEST_F(Utf8Field, ComposedAndPastedCharacters) {
    zpt::InputMethod ime;
    ASSERT_TRUE(ime.Usable());
    edit->HidePassword(1);
    ASSERT_TRUE(ime.Compose(field, L"\u5bc6\u7801", true));
    EXPECT_EQ(Contents(*edit), "\xE5\xAF\x86\xE7\xA0\x81");
    {
        ASSERT_TRUE(OpenClipboard(dialog));
        EmptyClipboard();
        const wchar_t text[] = L"\u043f\u0430\r\n\U0001F511";
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
        std::memcpy(GlobalLock(h), text, sizeof text);
        GlobalUnlock(h);
        EXPECT_NE(SetClipboardData(CF_UNICODETEXT, h), nullptr);
        CloseClipboard();
    }
    SendMessageW(field, WM_PASTE, 0, 0);
    const std::string all = "\xE5\xAF\x86\xE7\xA0\x81\xD0\xBF\xD0\xB0\xF0\x9F\x94\x91";
    EXPECT_EQ(Contents(*edit), all);
    EXPECT_EQ(DigestOf(*edit), zpt::Sha1Of(all));
    EXPECT_EQ(zpt::WindowTextW(field), std::wstring(5, kBullet));
}

// The mask is drawn as bullets: small round glyphs, one a character, not the tall replacement boxes
// an invalid UTF-8 byte would draw.
TEST_F(Utf8Field, TheMaskIsDrawnAsBullets) {
    edit->HidePassword(1);
    zpt::TypeUnicode(L"\u043f\u0430\u0440\u043e\u043b\u044c");
    ASSERT_TRUE(WaitForContents(zpt::Utf8(L"\u043f\u0430\u0440\u043e\u043b\u044c")));
    const zpt::Ink ink = zpt::InkOf(field, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ink.runs, 6) << "six glyphs";
    EXPECT_GT(ink.pixels, 0);
    EXPECT_LE(ink.Height(), 10) << "a bullet is about a third of the 20-pixel font's height";
    EXPECT_LE(ink.Width(), 6 * 20);
}

// The window class of zrpcctl.h counts characters too.
TEST_F(Utf8Field, TheWindowClassCountsCharacters) {
    ASSERT_TRUE(ZRPCFUNC_InitControls());
    HWND made = CreateWindowExA(0, ZRPC_SECUREEDIT_CLASS, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200,
                                24, dialog, (HMENU)200, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(IsWindowUnicode(made));
    SetFocus(made);
    zpt::TypeUnicode(L"\u5bc6\u7801\U0001F511");
    ASSERT_TRUE(zpt::WaitUntil([&] { return SendMessageA(made, SEDM_GETLENGTH, 0, 0) == 3; }));
    unsigned char digest[SEDM_DIGEST_SIZE] = {};
    EXPECT_TRUE(SendMessageA(made, SEDM_GETDIGEST, sizeof digest, (LPARAM)digest));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(digest), 20),
              zpt::Sha1Of(zpt::Utf8(L"\u5bc6\u7801\U0001F511")));
    EXPECT_EQ(zt::WindowText(made), Repeat(kBulletUtf8, 3));
    DestroyWindow(made);
}

// The password box, typed in Cyrillic: the digest is the SHA-1 of the UTF-8 bytes.
TEST(Utf8PasswordBox, TheDigestIsThatOfTheUtf8Bytes) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    zpt::Box box("\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    wchar_t prompt[32] = L"";
    GetDlgItemTextW(box.hwnd, IDC_PASSWORD_PROMPT, prompt, 32);
    EXPECT_STREQ(prompt, L"\u041f\u0430\u0440\u043e\u043b\u044c:") << "the prompt is read as UTF-8";
    zpt::TypeUnicode(L"\u0441\u0435\u043a\u0440\u0435\u0442");
    EXPECT_TRUE(zpt::WaitUntil([&] { return zpt::WindowTextW(box.field) == std::wstring(6, kBullet); }));
    EXPECT_TRUE(zpt::OkEnabled(box.hwnd));
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(zpt::Sha1Of(zpt::Utf8(L"\u0441\u0435\u043a\u0440\u0435\u0442"))));
}

} // namespace
