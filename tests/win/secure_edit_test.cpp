// The secure edit control and the window layer under it, on a plain Win32 dialog that knows nothing
// of the library: typing, the limit, backspace, swallowed keys, clicks, the mask, the digest, the
// clipboard, input methods, characters the code page (1252 here) has and has not, changes from other
// threads and processes, reflection, giving windows back, the font and the screen's density, and the
// wiping of the typed bytes.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "crypto/sha1.h"
#include "tests/win/password_testing.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcfunc.h"
#include "zrpcsecureedit.h"

namespace {

constexpr WORD kEdit = 100;
constexpr WORD kButton = 101;
constexpr char kMask = '\x95';
constexpr UINT kDpiChanged = 0x02E0;            // WM_DPICHANGED
constexpr UINT kDpiChangedAfterParent = 0x02E3; // WM_DPICHANGED_AFTERPARENT

// The plain dialog's own procedure: it counts the edit-change notifications that reach it.
struct PlainDialogState {
    int changes = 0;
};

INT_PTR CALLBACK PlainDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        return TRUE;
    }
    auto* state = reinterpret_cast<PlainDialogState*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (msg == WM_COMMAND && LOWORD(wp) == kEdit && HIWORD(wp) == EN_CHANGE && state) ++state->changes;
    return FALSE;
}

HWND MakePlainDialog(PlainDialogState* state) {
    zt::DialogTemplate t(L"Plain dialog", 200, 60);
    t.Item(0x0081, kEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 180, 16, L"");
    t.Item(0x0080, kButton, WS_TABSTOP, 10, 34, 50, 14, L"Button");
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainDialogProc,
                                      reinterpret_cast<LPARAM>(state));
}

std::string Contents(CSecureEdit& edit) {
    CString text;
    edit.GetRealContents(text);
    return std::string(text.GetString(), static_cast<size_t>(text.GetLength()));
}

std::string Sha1Of(const std::string& bytes) {
    uint8_t d[20];
    zrpc::Sha1Digest(bytes.data(), bytes.size(), d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

std::string DigestOf(CSecureEdit& edit) {
    unsigned char d[20];
    edit.HashContents(d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

class SecureEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = MakePlainDialog(&state);
        ASSERT_NE(dialog, nullptr);
        editWindow = GetDlgItem(dialog, kEdit);
        edit = std::make_unique<CSecureEdit>();
        ASSERT_TRUE(edit->SubclassDlgItem(kEdit, dialog));
        SetForegroundWindow(dialog);
        SetFocus(editWindow);
        zt::Pump(20);
    }
    void TearDown() override {
        edit.reset();
        if (dialog) DestroyWindow(dialog);
    }
    // Sends a message to the field from another thread while this one dispatches.
    void OnOtherThreadSend(UINT msg, WPARAM wp, LPARAM lp) {
        HWND h = editWindow;
        zt::OnOtherThread([=] { SendMessageA(h, msg, wp, lp); });
    }
    // Waits until the contents have n bytes.
    bool WaitForLength(size_t n) {
        return zt::WaitUntil([&] { return Contents(*edit).size() == n; }, 3000);
    }

    PlainDialogState state;
    HWND dialog = nullptr;
    HWND editWindow = nullptr;
    std::unique_ptr<CSecureEdit> edit;
};

TEST_F(SecureEdit, KeyboardTypingIsStoredAndShownOrMasked) {
    zt::TypeText("Pass word!");
    ASSERT_TRUE(WaitForLength(10));
    EXPECT_EQ(Contents(*edit), "Pass word!");
    EXPECT_EQ(zt::WindowText(editWindow), "Pass word!") << "characters shown until HidePassword(1)";

    edit->HidePassword(1);
    EXPECT_EQ(zt::WindowText(editWindow), std::string(10, kMask));
    zt::TypeText("x");
    ASSERT_TRUE(WaitForLength(11));
    EXPECT_EQ(zt::WindowText(editWindow), std::string(11, kMask)) << "a typed character never shows";
    edit->HidePassword(0);
    EXPECT_EQ(zt::WindowText(editWindow), "Pass word!x");

    DWORD start = 0, end = 0;
    SendMessageA(editWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 11u);
    EXPECT_EQ(end, 11u) << "the caret sits after the last character";
}

TEST_F(SecureEdit, BackspaceDeletesAtTheEndAndEmptyStaysEmpty) {
    zt::PressKey(VK_BACK);
    zt::Pump(50);
    EXPECT_EQ(Contents(*edit), "");
    EXPECT_EQ(zt::WindowText(editWindow), "");

    zt::TypeText("abc");
    ASSERT_TRUE(WaitForLength(3));
    zt::PressKey(VK_BACK);
    ASSERT_TRUE(WaitForLength(2));
    EXPECT_EQ(Contents(*edit), "ab");
    EXPECT_EQ(zt::WindowText(editWindow), "ab");
}

TEST_F(SecureEdit, CaretKeysSelectionAndClicksCannotInsertElsewhere) {
    zt::TypeText("abcd");
    ASSERT_TRUE(WaitForLength(4));
    // Caret movement, keyboard selection and the delete and clipboard keys: all without effect.
    struct {
        WORD vk, modifier;
    } keys[] = {{VK_LEFT, 0},
                {VK_HOME, 0},
                {VK_UP, 0},
                {VK_PRIOR, 0},
                {VK_DELETE, 0},
                {VK_LEFT, VK_SHIFT},
                {VK_HOME, VK_SHIFT},
                {VK_DELETE, VK_SHIFT},
                {VK_INSERT, 0},
                {VK_INSERT, VK_SHIFT},
                {VK_INSERT, VK_CONTROL},
                {'X', VK_CONTROL},
                {'V', VK_CONTROL},
                {'Z', VK_CONTROL},
                {'A', VK_CONTROL},
                {VK_RETURN, 0},
                {VK_TAB, VK_SHIFT}};
    for (auto k : keys) {
        SetFocus(editWindow);
        zt::PressKey(k.vk, k.modifier);
    }
    zt::Pump(100);
    SetFocus(editWindow);
    zt::TypeText("e");
    ASSERT_TRUE(WaitForLength(5));
    EXPECT_EQ(Contents(*edit), "abcde");
    EXPECT_EQ(zt::WindowText(editWindow), "abcde");

    // A click on the button, then on the field: the field only takes the focus back.
    zt::ClickCentre(GetDlgItem(dialog, kButton));
    ASSERT_TRUE(zt::WaitUntil([&] { return GetFocus() == GetDlgItem(dialog, kButton); }));
    PostMessageA(editWindow, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 5));
    zt::ClickCentre(editWindow);
    ASSERT_TRUE(zt::WaitUntil([&] { return GetFocus() == editWindow; }));
    zt::TypeText("f");
    ASSERT_TRUE(WaitForLength(6));
    EXPECT_EQ(Contents(*edit), "abcdef");
}

TEST_F(SecureEdit, TheLimitIs256Characters) {
    zt::PostChars(editWindow, std::string(255, 'k'));
    ASSERT_TRUE(WaitForLength(255));
    zt::PostChars(editWindow, "LM");
    ASSERT_TRUE(WaitForLength(256));
    zt::Pump(50);
    std::string expected = std::string(255, 'k') + "L";
    EXPECT_EQ(Contents(*edit), expected) << "the 257th character is refused";
    EXPECT_EQ(zt::WindowText(editWindow), expected);
}

TEST_F(SecureEdit, ControlCharactersAreDroppedAndHighCodesKept) {
    std::string high;
    for (int c = 128; c < 256; ++c)
        high += static_cast<char>(c);
    zt::PostChars(editWindow, std::string("\x01\x03\x08\x09\x0d\x16\x18\x1a\x1b") + " ~" + high);
    ASSERT_TRUE(WaitForLength(2 + 128));
    EXPECT_EQ(Contents(*edit), " ~" + high);
    EXPECT_EQ(DigestOf(*edit), Sha1Of(" ~" + high)) << "the digest is over the unsigned bytes";
    edit->HidePassword(1);
    EXPECT_EQ(zt::WindowText(editWindow), std::string(130, kMask));
}

TEST_F(SecureEdit, DigestEmptyAndContentsAfterEmpty) {
    EXPECT_EQ(DigestOf(*edit), Sha1Of("")) << "SHA-1 of the empty input";
    zt::PostChars(editWindow, "secret");
    ASSERT_TRUE(WaitForLength(6));
    EXPECT_EQ(DigestOf(*edit), Sha1Of("secret"));
    edit->Empty();
    EXPECT_EQ(Contents(*edit), "");
    EXPECT_EQ(zt::WindowText(editWindow), "");
    EXPECT_EQ(DigestOf(*edit), Sha1Of(""));
    zt::PostChars(editWindow, "n");
    ASSERT_TRUE(WaitForLength(1));
    EXPECT_EQ(zt::WindowText(editWindow), "n") << "typing starts again at the beginning";
}

TEST_F(SecureEdit, ChangesFromAnotherThreadChangeNothing) {
    zt::PostChars(editWindow, "keep");
    ASSERT_TRUE(WaitForLength(4));
    edit->HidePassword(1);
    ASSERT_TRUE(zt::SetClipboardText(dialog, "clipboard before"));
    struct {
        const char* name;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } cases[] = {
        {"WM_SETTEXT", WM_SETTEXT, 0, reinterpret_cast<LPARAM>("other")},
        {"EM_REPLACESEL", EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("other")},
        {"EM_SETSEL then EM_REPLACESEL", EM_SETSEL, 0, -1},
        {"EM_REPLACESEL", EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("")},
        {"WM_CUT", WM_CUT, 0, 0},
        {"WM_CLEAR", WM_CLEAR, 0, 0},
        {"WM_UNDO", WM_UNDO, 0, 0},
        {"EM_UNDO", EM_UNDO, 0, 0},
        {"WM_COPY", WM_COPY, 0, 0},
    };
    for (auto& c : cases) {
        OnOtherThreadSend(c.msg, c.wp, c.lp);
        EXPECT_EQ(Contents(*edit), "keep") << c.name;
        EXPECT_EQ(zt::WindowText(editWindow), std::string(4, kMask)) << c.name;
    }
    EXPECT_EQ(zt::ClipboardText(dialog), "clipboard before") << "copy and cut leave the clipboard alone";

    // Characters that come by other roads are typed characters like any other.
    OnOtherThreadSend(WM_IME_CHAR, 'i', 1);
    OnOtherThreadSend(WM_UNICHAR, 'u', 1);
    EXPECT_EQ(Contents(*edit), "keepiu");
    EXPECT_EQ(zt::WindowText(editWindow), std::string(6, kMask));
    SetFocus(editWindow);
    zt::PressKey(VK_BACK, VK_MENU); // Alt+Backspace, the edit control's undo
    zt::Pump(50);
    EXPECT_EQ(Contents(*edit), "keepiu");
    EXPECT_EQ(zt::WindowText(editWindow), std::string(6, kMask));
}

TEST_F(SecureEdit, PasteAppendsPrintableCharactersUpToTheLimit) {
    zt::PostChars(editWindow, "ab");
    ASSERT_TRUE(WaitForLength(2));
    ASSERT_TRUE(zt::SetClipboardText(dialog, "c\td\r\ne\x01 f"));
    OnOtherThreadSend(WM_PASTE, 0, 0);
    EXPECT_EQ(Contents(*edit), "abcde f");
    EXPECT_EQ(zt::WindowText(editWindow), "abcde f");

    // Shift+Insert is swallowed; the context menu's paste and Ctrl+V reach WM_PASTE or nothing.
    zt::PressKey(VK_INSERT, VK_SHIFT);
    zt::Pump(50);
    EXPECT_EQ(Contents(*edit), "abcde f");

    ASSERT_TRUE(zt::SetClipboardText(dialog, std::string(300, 'z')));
    OnOtherThreadSend(WM_PASTE, 0, 0);
    EXPECT_EQ(Contents(*edit), "abcde f" + std::string(249, 'z'));
    edit->HidePassword(1);
    EXPECT_EQ(zt::WindowText(editWindow), std::string(256, kMask));
}

// Another process reads the window text and tries to set it.
TEST_F(SecureEdit, AnotherProcessSeesOnlyTheMask) {
    zt::PostChars(editWindow, "hidden\xe9");
    ASSERT_TRUE(WaitForLength(7));
    edit->HidePassword(1);
    char hwnd[32];
    std::snprintf(hwnd, sizeof hwnd, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(editWindow)));
    std::string out;
    int rc = -1;
    zt::OnOtherThread([&] { rc = zt::RunProgram(std::string("window_message.exe get ") + hwnd, &out); });
    ASSERT_EQ(rc, 0);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    EXPECT_EQ(out, "95959595959595") << "seven mask characters and nothing else";

    zt::OnOtherThread(
        [&] { rc = zt::RunProgram(std::string("window_message.exe set ") + hwnd + " intruder", &out); });
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(out.substr(0, 1), "0") << "WM_SETTEXT from outside fails";
    EXPECT_EQ(Contents(*edit), "hidden\xe9");
    EXPECT_EQ(zt::WindowText(editWindow), std::string(7, kMask));
}

// The typed bytes live in the control's own memory: after Empty and after destruction they are
// found in no heap block of the process, used or freed.
TEST_F(SecureEdit, TypedBytesAreNotLeftInTheHeap) {
    static const char kPassword[] = "Qz7#kP!w9xV2-heapcheck";
    const size_t n = sizeof kPassword - 1;
    edit->HidePassword(1);
    zt::PostChars(editWindow, kPassword);
    ASSERT_TRUE(
        zt::WaitUntil([&] { return static_cast<size_t>(GetWindowTextLengthA(editWindow)) == n; }, 3000));
    {
        // The scan sees a heap copy: the caller's own copy of the contents.
        CString copy;
        edit->GetRealContents(copy);
        ASSERT_EQ(static_cast<size_t>(copy.GetLength()), n);
        EXPECT_TRUE(zt::HeapsHold(kPassword, n)) << "the scan finds a copy made on the heap";
        SecureZeroMemory(const_cast<char*>(copy.GetString()), n);
    }
    EXPECT_FALSE(zt::HeapsHold(kPassword, n)) << "with the mask on, no heap block holds the password";
    edit->Empty();
    EXPECT_FALSE(zt::HeapsHold(kPassword, n)) << "after Empty";

    zt::PostChars(editWindow, kPassword);
    ASSERT_TRUE(
        zt::WaitUntil([&] { return static_cast<size_t>(GetWindowTextLengthA(editWindow)) == n; }, 3000));
    unsigned char digest[20];
    edit->HashContents(digest);
    edit.reset();
    EXPECT_FALSE(zt::HeapsHold(kPassword, n)) << "after destruction";
}

// The field keeps its contents after its window is gone, and a taken-over window is given back,
// not destroyed, when the object goes first.
TEST_F(SecureEdit, WindowAndObjectLiveApart) {
    zt::PostChars(editWindow, "kept");
    ASSERT_TRUE(WaitForLength(4));
    DestroyWindow(dialog);
    dialog = nullptr;
    EXPECT_EQ(edit->Handle(), nullptr);
    EXPECT_EQ(Contents(*edit), "kept");
    EXPECT_EQ(DigestOf(*edit), Sha1Of("kept"));

    dialog = MakePlainDialog(&state);
    ASSERT_NE(dialog, nullptr);
    HWND item = GetDlgItem(dialog, kEdit);
    LONG_PTR before = GetWindowLongPtrA(item, GWLP_WNDPROC);
    {
        CSecureEdit other;
        ASSERT_TRUE(other.SubclassDlgItem(kEdit, dialog));
        EXPECT_FALSE(edit->SubclassDlgItem(kEdit, dialog)) << "one object per window";
        PostMessageA(item, WM_CHAR, 'q', 1);
        zt::Pump(50);
        EXPECT_EQ(zt::WindowText(item), "q");
    }
    EXPECT_TRUE(IsWindow(item)) << "the caller's window is not destroyed";
    EXPECT_EQ(GetWindowLongPtrA(item, GWLP_WNDPROC), before) << "its window procedure is back";
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    EXPECT_NE(GetObjectA(font, sizeof lf, &lf), 0) << "the item is left with a font that exists";
    PostMessageA(item, WM_CHAR, 'r', 1);
    zt::Pump(50);
    EXPECT_EQ(zt::WindowText(item), "qr") << "a plain edit control again";
}

// An input method composes on the field's own context: what is being composed never enters the
// window text, the result goes through the contents, mask and limit as typed characters do.
TEST_F(SecureEdit, InputMethodResultsGoThroughTheContents) {
    zpt::InputMethod ime;
    ASSERT_TRUE(ime.Usable());
    for (int hide : {1, 0}) {
        SCOPED_TRACE(hide ? "masked" : "shown");
        edit->Empty();
        edit->HidePassword(hide);
        zt::PostChars(editWindow, "ab");
        ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(*edit).size() == 2; }));
        SetFocus(editWindow);
        ASSERT_TRUE(ime.Compose(editWindow, L"\u00e9t\u00e9", false));
        EXPECT_EQ(Contents(*edit), "ab") << "nothing is stored while the input method composes";
        EXPECT_EQ(zpt::WindowTextW(editWindow), hide ? std::wstring(2, L'\u2022') : L"ab")
            << "the characters being composed are not in the window text";
        ime.Cancel(editWindow);
        EXPECT_EQ(Contents(*edit), "ab");

        ASSERT_TRUE(ime.Compose(editWindow, L"\u00e9t\u00e9", true));
        EXPECT_EQ(Contents(*edit), "ab\xe9t\xe9") << "the result is stored as typed characters";
        EXPECT_EQ(DigestOf(*edit), Sha1Of("ab\xe9t\xe9"));
        EXPECT_EQ(zpt::WindowTextW(editWindow), hide ? std::wstring(5, L'\u2022') : L"ab\u00e9t\u00e9");

        // Characters code page 1252 lacks are refused, one by one, as typed ones are.
        ASSERT_TRUE(ime.Compose(editWindow, L"\u5bc6x\u7801", true));
        EXPECT_EQ(Contents(*edit), "ab\xe9t\xe9x");
        EXPECT_EQ(zpt::WindowTextW(editWindow).size(), 6u);
    }

    // The limit counts composed characters too.
    edit->Empty();
    edit->HidePassword(1);
    zt::PostChars(editWindow, std::string(254, 'k'));
    ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(*edit).size() == 254; }));
    SetFocus(editWindow);
    ASSERT_TRUE(ime.Compose(editWindow, L"xyz", true));
    EXPECT_EQ(Contents(*edit), std::string(254, 'k') + "xy");
    EXPECT_EQ(zt::WindowText(editWindow), std::string(256, kMask));
}

// The messages an input method sends, sent as it sends them: the result is read from the field's
// context, and the characters the input method hands on afterwards are those of the result.
TEST_F(SecureEdit, InputMethodMessagesSentDirectly) {
    zpt::InputMethod ime;
    ASSERT_TRUE(ime.Usable());
    edit->HidePassword(1);
    SetFocus(editWindow);
    HIMC context = ime.getContext(editWindow);
    ASSERT_NE(context, nullptr) << "the field has an input context";
    const std::wstring text = L"\u00fcber";
    ASSERT_TRUE(
        ime.setString(context, SCS_SETSTR, (void*)text.c_str(), (DWORD)(text.size() * 2), nullptr, 0));
    zpt::Pump(30);
    ASSERT_TRUE(ime.notify(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    // The result stays in the context: a second WM_IME_COMPOSITION naming it appends it again, and
    // the WM_IME_CHAR an input method sends for a window that ignored the result is a typed character.
    SendMessageW(editWindow, WM_IME_STARTCOMPOSITION, 0, 0);
    SendMessageW(editWindow, WM_IME_COMPOSITION, text[0], GCS_RESULTSTR | GCS_RESULTCLAUSE);
    SendMessageW(editWindow, WM_IME_ENDCOMPOSITION, 0, 0);
    SendMessageW(editWindow, WM_IME_CHAR, L'\u00df', 1);
    zpt::Pump(30);
    ime.releaseContext(editWindow, context);
    EXPECT_EQ(Contents(*edit), "\xfc"
                               "ber\xfc"
                               "ber\xdf");
    // Asked for the text around the caret, it gives none, shown or masked.
    for (int hide : {1, 0}) {
        edit->HidePassword(hide);
        for (WPARAM request : {IMR_RECONVERTSTRING, IMR_DOCUMENTFEED, IMR_CONFIRMRECONVERTSTRING}) {
            EXPECT_EQ(SendMessageW(editWindow, WM_IME_REQUEST, request, 0), 0) << request;
            RECONVERTSTRING feed[40] = {};
            feed[0].dwSize = sizeof feed;
            EXPECT_EQ(SendMessageW(editWindow, WM_IME_REQUEST, request, reinterpret_cast<LPARAM>(feed)), 0)
                << request;
        }
    }
    edit->HidePassword(1);
    EXPECT_EQ(zpt::WindowTextW(editWindow), std::wstring(9, L'\u2022'));
}

// Characters typed as UTF-16 (as any keyboard or input tool types them): those of the code page are
// stored as its bytes; the others are refused, never stored as "?" or a look-alike.
TEST_F(SecureEdit, CharactersOutsideTheCodePageAreRefused) {
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_TRUE(IsWindowUnicode(editWindow)) << "the field receives UTF-16 characters";
    edit->HidePassword(1);
    zpt::TypeUnicode(L"\u00e9\u20ac\u0436\u03b1\u5bc6\U0001F511z");
    ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(*edit).size() == 3; }));
    zpt::Pump(50);
    EXPECT_EQ(Contents(*edit), "\xe9\x80z") << "e-acute and the euro sign are bytes of code page 1252";
    EXPECT_EQ(DigestOf(*edit), Sha1Of("\xe9\x80z"));
    EXPECT_EQ(zt::WindowText(editWindow), std::string(3, kMask));

    // A best-fit look-alike ("a" for a-circle-below, "?" for the rest) is no substitute either.
    for (wchar_t refused : {L'\u1e01', L'\u0101', L'\u2260', L'\uFFFD', static_cast<wchar_t>(0xD800)})
        PostMessageW(editWindow, WM_CHAR, refused, 1);
    PostMessageW(editWindow, WM_UNICHAR, 0x1F600, 1);
    PostMessageW(editWindow, WM_UNICHAR, L'\u00e8', 1);
    ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(*edit).size() == 4; }));
    zpt::Pump(50);
    EXPECT_EQ(Contents(*edit), "\xe9\x80z\xe8");

    // A paste with a character outside the code page pastes nothing.
    ASSERT_TRUE(zt::SetClipboardText(dialog, ""));
    {
        ASSERT_TRUE(OpenClipboard(dialog));
        EmptyClipboard();
        const wchar_t text[] = L"ok\u0436";
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
        memcpy(GlobalLock(h), text, sizeof text);
        GlobalUnlock(h);
        EXPECT_NE(SetClipboardData(CF_UNICODETEXT, h), nullptr);
        CloseClipboard();
    }
    OnOtherThreadSend(WM_PASTE, 0, 0);
    EXPECT_EQ(Contents(*edit), "\xe9\x80z\xe8") << "no part of the paste is kept";
}

// A text limit the caller set on the item below the control's own cuts nothing the control shows.
TEST_F(SecureEdit, ACallersLowerLimitCutsNothing) {
    SendMessageA(editWindow, EM_LIMITTEXT, 4, 0);
    edit->HidePassword(0);
    zt::PostChars(editWindow, "shown past four");
    ASSERT_TRUE(WaitForLength(15));
    EXPECT_EQ(zt::WindowText(editWindow), "shown past four");
    edit->HidePassword(1);
    EXPECT_EQ(zt::WindowText(editWindow), std::string(15, kMask));
}

// A field made by Create on the system's edit class is an 8-bit window: its characters come as bytes
// of the code page, the euro sign's among them.
TEST_F(SecureEdit, AFieldMadeByCreateTakesTheCodePagesBytes) {
    CSecureEdit made;
    RECT r = {10, 40, 200, 60};
    ASSERT_TRUE(made.Create("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, r, dialog, 300));
    made.HidePassword(1);
    zt::PostChars(made.Handle(), "\x80\xe9\x01z");
    ASSERT_TRUE(zt::WaitUntil([&] { return Contents(made).size() == 3; }));
    EXPECT_EQ(Contents(made), "\x80\xe9z");
    EXPECT_EQ(zt::WindowText(made.Handle()), std::string(3, kMask));
}

// Ctrl+Backspace types DEL (127) after the backspace: a control character, dropped like those below 32.
TEST_F(SecureEdit, CtrlBackspaceTypesNothing) {
    zt::TypeText("abcd");
    ASSERT_TRUE(WaitForLength(4));
    zt::PressKey(VK_BACK, VK_CONTROL);
    ASSERT_TRUE(WaitForLength(3));
    zt::Pump(50);
    EXPECT_EQ(Contents(*edit), "abc");
    EXPECT_EQ(zt::WindowText(editWindow), "abc");
    zt::PostChars(editWindow, "\x7f"
                              "e\x7f");
    ASSERT_TRUE(WaitForLength(4));
    zt::Pump(50);
    EXPECT_EQ(Contents(*edit), "abce");
    ASSERT_TRUE(zt::SetClipboardText(dialog, "f\x7fg"));
    OnOtherThreadSend(WM_PASTE, 0, 0);
    EXPECT_EQ(Contents(*edit), "abcefg");
    EXPECT_EQ(DigestOf(*edit), Sha1Of("abcefg"));
}

// Shown or masked, the edit control's text is overwritten before the control lets it go: no heap
// block holds the password, as 8-bit text or as UTF-16, once the window is gone.
TEST_F(SecureEdit, NoModeLeavesThePasswordInTheHeap) {
    // The test makes no copy either: the passwords are static arrays typed a byte at a time, the wait is
    // on the digest (reading the contents or the shown text would copy them).
    static const char kShown[] = "Show-Heap-Check-9173";
    static const char kMasked[] = "Mask-Heap-Check-5528";
    static const char kLast[] = "3";
    auto holds = [&](const char* text, size_t n) {
        return zt::WaitUntil([&] {
            unsigned char want[20], have[20];
            zrpc::Sha1Digest(text, n, want);
            edit->HashContents(have);
            return std::memcmp(want, have, 20) == 0;
        });
    };
    for (int hide : {0, 1}) {
        SCOPED_TRACE(hide ? "masked" : "shown");
        const char* password = hide ? kMasked : kShown;
        const size_t n = std::strlen(password);
        edit->HidePassword(hide);
        for (size_t i = 0; i + 1 < n; ++i)
            PostMessageA(editWindow, WM_CHAR, static_cast<unsigned char>(password[i]), 1);
        ASSERT_TRUE(holds(password, n - 1));
        // Shown, then masked and shown again (or the other way), a character taken back, two typed.
        edit->HidePassword(!hide);
        edit->HidePassword(hide);
        char typed[64] = "";
        std::memcpy(typed, password, n - 1);
        typed[n - 1] = kLast[0];
        zt::PostChars(editWindow, kLast);
        ASSERT_TRUE(holds(typed, n));
        SecureZeroMemory(typed, sizeof typed);
        zt::PressKey(VK_BACK);
        ASSERT_TRUE(holds(password, n - 1));
        PostMessageA(editWindow, WM_CHAR, static_cast<unsigned char>(password[n - 1]), 1);
        ASSERT_TRUE(holds(password, n));
        DestroyWindow(dialog);
        dialog = nullptr;
        EXPECT_FALSE(zpt::HeapsHoldEitherForm(password)) << "after the window is gone";
        EXPECT_TRUE(holds(password, n)) << "the contents stay with the object";
        edit.reset();
        EXPECT_FALSE(zpt::HeapsHoldEitherForm(password)) << "after the object is gone";

        dialog = MakePlainDialog(&state);
        ASSERT_NE(dialog, nullptr);
        editWindow = GetDlgItem(dialog, kEdit);
        edit = std::make_unique<CSecureEdit>();
        ASSERT_TRUE(edit->SubclassDlgItem(kEdit, dialog));
        SetFocus(editWindow);
    }
    // Empty with the characters shown leaves them nowhere either.
    static const char kEmptied[] = "Empty-Heap-Check-3391";
    edit->HidePassword(0);
    for (const char* p = kEmptied; *p; ++p)
        PostMessageA(editWindow, WM_CHAR, static_cast<unsigned char>(*p), 1);
    ASSERT_TRUE(holds(kEmptied, std::strlen(kEmptied)));
    edit->Empty();
    EXPECT_FALSE(zpt::HeapsHoldEitherForm(kEmptied)) << "after Empty";
    EXPECT_EQ(zt::WindowText(editWindow), "");
}

// One object on two windows in turn: each window gets the fixed font while the object holds it, and
// is left with its own font when the object goes.
TEST_F(SecureEdit, TheFontBelongsToTheWindowItWasGivenTo) {
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    edit->HidePassword(1);
    EXPECT_EQ(zpt::FontHeight(editWindow), -20) << "the fixed font at 96 DPI";
    DestroyWindow(dialog);

    // A second dialog with a font of its own.
    HFONT ownFont = CreateFontA(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    dialog = MakePlainDialog(&state);
    ASSERT_NE(dialog, nullptr);
    editWindow = GetDlgItem(dialog, kEdit);
    SendMessageA(editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont), FALSE);
    ASSERT_TRUE(edit->SubclassDlgItem(kEdit, dialog));
    edit->HidePassword(1);
    EXPECT_EQ(zpt::FontHeight(editWindow), -20) << "the second window gets the fixed font too";
    zt::PostChars(editWindow, "x");
    ASSERT_TRUE(WaitForLength(1));
    edit.reset();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(editWindow, WM_GETFONT, 0, 0)), ownFont)
        << "the window is given back with its own font, not the first window's";
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageA(editWindow, WM_GETFONT, 0, 0)), dialogFont);
    SendMessageA(editWindow, WM_SETFONT, 0, FALSE);
    DeleteObject(ownFont);
}

// A field on a screen of another density makes its font again for it and keeps its text, the caret
// and the focus; at 96 DPI its font is the fixed -20 px one.
TEST_F(SecureEdit, AnotherDensityRemeasuresKeepingTextSelectionAndFocus) {
    edit.reset();
    // A top-level field: the new density comes with WM_DPICHANGED itself.
    HWND popup = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 40, 40,
                                 300, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    {
        CSecureEdit field;
        ASSERT_TRUE(field.SubclassWindow(popup));
        field.HidePassword(0);
        SetForegroundWindow(popup);
        SetFocus(popup);
        zt::PostChars(popup, "pass");
        ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(field) == "pass"; }));
        EXPECT_EQ(zpt::FontHeight(popup), -20);
        const zpt::Ink before = zpt::InkOf(popup, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));

        for (UINT dpi : {192u, 144u}) {
            RECT suggested = {40, 40, 40 + MulDiv(300, (int)dpi, 96), 40 + MulDiv(40, (int)dpi, 96)};
            SendMessageW(popup, kDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            zpt::Pump(20);
            EXPECT_EQ(zpt::FontHeight(popup), -MulDiv(20, (int)dpi, 96)) << dpi;
            EXPECT_EQ(zt::WindowText(popup), "pass") << dpi;
            EXPECT_EQ(Contents(field), "pass") << dpi;
            DWORD start = 0, end = 0;
            SendMessageA(popup, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(start, 4u) << dpi;
            EXPECT_EQ(end, 4u) << dpi;
            EXPECT_EQ(GetFocus(), popup) << dpi;
            RECT now;
            GetWindowRect(popup, &now);
            EXPECT_EQ(now.right - now.left, suggested.right - suggested.left) << dpi;
            if (dpi == 192) {
                const zpt::Ink after =
                    zpt::InkOf(popup, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
                EXPECT_GE(after.Height(), before.Height() * 3 / 2) << "the characters are drawn larger";
            }
        }
        // A child window is told after its parent and takes the density of its window (96 here).
        SendMessageW(popup, kDpiChangedAfterParent, 0, 0);
        EXPECT_EQ(zpt::FontHeight(popup), -20);
        EXPECT_EQ(zt::WindowText(popup), "pass");
        zt::PostChars(popup, "!");
        ASSERT_TRUE(zpt::WaitUntil([&] { return Contents(field) == "pass!"; }));
    }
    DestroyWindow(popup);
}

// A window object of a test: it counts what reaches it and what is reflected to it.
class Probe : public zwin::Window {
  public:
    using zwin::Window::DisableReflection;
    using zwin::Window::EnableReflection;
    int creates = 0, chars = 0, reflected = 0;
    bool swallow = false;

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CREATE) ++creates;
        if (msg == WM_CHAR) ++chars;
        return zwin::Window::WindowProc(msg, wp, lp);
    }
    bool OnReflect(UINT msg, WPARAM wp, LPARAM, LRESULT* result) override {
        if (msg != WM_COMMAND || HIWORD(wp) != EN_CHANGE) return false;
        ++reflected;
        *result = 0;
        return swallow;
    }
};

TEST_F(SecureEdit, ReflectionOnAPlainDialogLeavesItsProcedureAsItWas) {
    edit.reset();
    LONG_PTR parentA = GetWindowLongPtrA(dialog, GWLP_WNDPROC);
    LONG_PTR parentW = GetWindowLongPtrW(dialog, GWLP_WNDPROC);
    BOOL parentUnicode = IsWindowUnicode(dialog);
    {
        Probe probe;
        ASSERT_TRUE(probe.SubclassDlgItem(kEdit, dialog));
        ASSERT_TRUE(probe.EnableReflection());
        PostMessageA(editWindow, WM_CHAR, 'a', 1);
        ASSERT_TRUE(zt::WaitUntil([&] { return probe.reflected == 1; }));
        EXPECT_EQ(probe.chars, 1);
        EXPECT_EQ(state.changes, 1) << "a notification the probe passes on reaches the dialog too";

        probe.swallow = true;
        PostMessageA(editWindow, WM_CHAR, 'b', 1);
        ASSERT_TRUE(zt::WaitUntil([&] { return probe.reflected == 2; }));
        EXPECT_EQ(state.changes, 1) << "a notification the probe handles does not";

        // Notifications of other controls pass by the probe.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kButton, EN_CHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kButton)));
        EXPECT_EQ(probe.reflected, 2);
    }
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_WNDPROC), parentA);
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWLP_WNDPROC), parentW);
    EXPECT_EQ(IsWindowUnicode(dialog), parentUnicode);
    EXPECT_TRUE(IsWindow(editWindow));
    PostMessageA(editWindow, WM_CHAR, 'c', 1);
    ASSERT_TRUE(zt::WaitUntil([&] { return state.changes == 2; }));
    EXPECT_EQ(zt::WindowText(editWindow), "abc");

    // Reflection switched off by hand, and a parent destroyed while the probe still holds it.
    Probe again;
    ASSERT_TRUE(again.SubclassDlgItem(kEdit, dialog));
    ASSERT_TRUE(again.EnableReflection());
    again.DisableReflection();
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_WNDPROC), parentA);
    ASSERT_TRUE(again.EnableReflection());
    DestroyWindow(dialog);
    dialog = nullptr;
    EXPECT_EQ(again.Handle(), nullptr);
}

TEST_F(SecureEdit, WindowsOfTheLibraryClassAreCreatedAndOwned) {
    RECT r = {0, 0, 40, 20};
    HWND made = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.Create(nullptr, "", WS_CHILD | WS_VISIBLE, 0, r, dialog, 300));
        made = probe.Handle();
        EXPECT_EQ(GetParent(made), dialog);
        EXPECT_EQ(GetDlgCtrlID(made), 300);
        EXPECT_EQ(probe.creates, 1) << "creation messages reach the object";
        EXPECT_FALSE(probe.Create(nullptr, "", WS_CHILD, 0, r, dialog, 301)) << "one window per object";

        Probe edit2;
        ASSERT_TRUE(edit2.Create("EDIT", "", WS_CHILD | WS_VISIBLE, 0, r, dialog, 302));
        PostMessageA(edit2.Handle(), WM_CHAR, 'z', 1);
        zt::Pump(50);
        EXPECT_EQ(edit2.chars, 1) << "a window of a system class is taken over as it is made";
    }
    EXPECT_FALSE(IsWindow(made)) << "a window the object created goes with it";
    EXPECT_EQ(GetDlgItem(dialog, 302), nullptr);
}

} // namespace
