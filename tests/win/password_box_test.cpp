// The password box, driven as a user would: keyboard, mouse, an input method, Enter, Escape, the close
// command, a move to a screen of another density, and zrpc password in a process of its own.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "crypto/sha1.h"
#include "tests/win/password_testing.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

std::string Sha1Of(const std::string& bytes) {
    uint8_t d[20];
    zrpc::Sha1Digest(bytes.data(), bytes.size(), d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

using zpt::Box;
using zpt::OkEnabled;
using zpt::WaitForBox;

TEST(PasswordBox, OkFollowsTheFieldAndAClickOnOkGivesTheDigest) {
    Box box("Enter the key store password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    char prompt[100] = "";
    GetDlgItemTextA(box.hwnd, IDC_PASSWORD_PROMPT, prompt, sizeof prompt);
    EXPECT_STREQ(prompt, "Enter the key store password:");
    EXPECT_NE(SendDlgItemMessageA(box.hwnd, IDC_PASSWORD_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
        << "the picture shows bitmap 745";
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(box.hwnd, nullptr), &gui);
    EXPECT_EQ(gui.hwndFocus, box.field) << "the field has the focus";
    EXPECT_FALSE(OkEnabled(box.hwnd)) << "OK is disabled while the field is empty";

    zt::TypeText("a");
    ASSERT_TRUE(zt::WaitUntil([&] { return OkEnabled(box.hwnd); })) << "the first character enables OK";
    EXPECT_EQ(zt::WindowText(box.field), "\x95");
    zt::PressKey(VK_BACK);
    ASSERT_TRUE(zt::WaitUntil([&] { return !OkEnabled(box.hwnd); })) << "deleting it disables OK again";
    EXPECT_EQ(zt::WindowText(box.field), "");

    zt::TypeText("Pw 42!");
    ASSERT_TRUE(zt::WaitUntil([&] { return zt::WindowText(box.field) == std::string(6, '\x95'); }));
    EXPECT_TRUE(OkEnabled(box.hwnd));
    zt::ClickCentre(GetDlgItem(box.hwnd, IDOK));
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(Sha1Of("Pw 42!"))) << "SHA-1 of the typed characters, not of the mask";
}

TEST(PasswordBox, EnterConfirmsAndTheDigestCoversCodes128To255) {
    std::string typed = "A b~";
    for (int c = 128; c < 256; ++c)
        typed += static_cast<char>(c);
    Box box("Pass phrase:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    zt::PostChars(box.field, typed);
    ASSERT_TRUE(zt::WaitUntil([&] { return GetWindowTextLengthA(box.field) == (int)typed.size(); }));
    EXPECT_EQ(zt::WindowText(box.field), std::string(typed.size(), '\x95'));
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(Sha1Of(typed)));
}

TEST(PasswordBox, EnterOnAnEmptyFieldDoesNotConfirm) {
    Box box("Password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    zt::PressKey(VK_RETURN);
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, IDOK)));
    zt::Pump(300);
    EXPECT_FALSE(box.done) << "an empty password is never confirmed";
    EXPECT_TRUE(IsWindow(box.hwnd));
}

TEST(PasswordBox, EveryOtherWayOutGives20AndLeavesTheDigest) {
    struct {
        const char* name;
        void (*end)(HWND box);
    } ways[] = {
        {"Cancel clicked", [](HWND b) { zt::ClickCentre(GetDlgItem(b, IDCANCEL)); }},
        {"Escape", [](HWND) { zt::PressKey(VK_ESCAPE); }},
        {"close box", [](HWND b) { PostMessageA(b, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (auto& way : ways) {
        Box box("Password:", 1);
        ASSERT_NE(box.hwnd, nullptr) << way.name;
        zt::TypeText("typed");
        ASSERT_TRUE(zt::WaitUntil([&] { return OkEnabled(box.hwnd); })) << way.name;
        way.end(box.hwnd);
        ASSERT_TRUE(box.Ended()) << way.name;
        EXPECT_EQ(box.rc, 20u) << way.name;
        EXPECT_TRUE(box.Untouched()) << way.name;
    }
}

TEST(PasswordBox, ShowModeZeroShowsTheCharacters) {
    Box box("Password:", 0);
    ASSERT_NE(box.hwnd, nullptr);
    zt::TypeText("visible");
    ASSERT_TRUE(zt::WaitUntil([&] { return zt::WindowText(box.field) == "visible"; }));
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(Sha1Of("visible")));
}

TEST(PasswordBox, TheOwnerIsTheCallersWindowAndOutlivesTheBox) {
    Box box("Password:", 1, true);
    ASSERT_NE(box.hwnd, nullptr);
    ASSERT_NE(box.owner.load(), nullptr);
    EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), box.owner.load());
    PostMessageA(box.hwnd, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 20u);
    EXPECT_TRUE(box.ownerAliveAfter) << "the caller's window is not destroyed";
}

// Shown or masked, confirmed or not: once the box is closed no heap block holds the password, as
// 8-bit text or as UTF-16 (the passwords are static arrays, typed a byte at a time).
TEST(PasswordBox, NothingOfThePasswordStaysInTheHeap) {
    static const char kMasked[] = "Box-Heap-Check-7731";
    static const char kShown[] = "Box-Shown-Check-4417";
    static const char kCancelled[] = "Box-Cancel-Check-2208";
    struct {
        const char* password;
        int hideMode;
        bool confirm;
    } cases[] = {{kMasked, 1, true}, {kShown, 0, true}, {kCancelled, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hideMode ? (c.confirm ? "masked, confirmed" : "masked, cancelled")
                                : (c.confirm ? "shown, confirmed" : "shown, cancelled"));
        {
            Box box("Password:", c.hideMode);
            ASSERT_NE(box.hwnd, nullptr);
            // Posted after the characters, the key comes after them; nothing reads the field's text
            // (a reading copies it).
            for (const char* p = c.password; *p; ++p)
                PostMessageA(box.field, WM_CHAR, static_cast<unsigned char>(*p), 1);
            PostMessageA(box.field, WM_KEYDOWN, c.confirm ? VK_RETURN : VK_ESCAPE, 1);
            ASSERT_TRUE(box.Ended());
            EXPECT_EQ(box.rc, c.confirm ? 0u : 20u);
            if (c.confirm) {
                EXPECT_TRUE(box.Digest(zpt::Sha1OfText(c.password)));
            }
        }
        EXPECT_FALSE(zpt::HeapsHoldEitherForm(c.password));
    }
}

// A message of the test's own, run on the box's thread by a hook: an input method composes there,
// on the field's own context (a context belongs to its window's thread).
UINT ComposeMessage() {
    static const UINT msg = RegisterWindowMessageA("password_box_test compose");
    return msg;
}
const wchar_t* g_composed = nullptr;

LRESULT CALLBACK ComposeHook(int code, WPARAM wp, LPARAM lp) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call->message == ComposeMessage() && g_composed) {
        zpt::InputMethod ime;
        ime.Compose(call->hwnd, g_composed, call->wParam != 0, false);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// What an input method composes enables OK and is what the digest covers, never shown unmasked.
TEST(PasswordBox, AnInputMethodsResultIsThePassword) {
    zpt::InputMethod ime;
    ASSERT_TRUE(ime.Usable());
    Box box("Password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROC, ComposeHook, nullptr, GetWindowThreadProcessId(box.hwnd, nullptr));
    ASSERT_NE(hook, nullptr);
    g_composed = L"\u00e9l\u00e8ve";
    SendMessageA(box.field, ComposeMessage(), FALSE, 0);
    EXPECT_EQ(zt::WindowText(box.field), "") << "what is being composed is not in the field";
    EXPECT_FALSE(OkEnabled(box.hwnd));
    SendMessageA(box.field, ComposeMessage(), TRUE, 0);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(zt::WaitUntil([&] { return OkEnabled(box.hwnd); })) << "the result enables OK";
    EXPECT_EQ(zt::WindowText(box.field), std::string(5, '\x95'));
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, IDOK)));
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(Sha1Of("\xe9l\xe8ve")));
}

// The box moves to a screen of another density: the picture for it, the place the system suggests,
// and the typed characters, the caret and the focus as they were.
TEST(PasswordBox, AnotherDensityKeepsWhatWasTyped) {
    Box box("Password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(zpt::ShownPictureWidth(box.hwnd), zpt::ModulePictureWidth(zpt::LanguageModule(), 96));
    zt::TypeText("dense");
    ASSERT_TRUE(zt::WaitUntil([&] { return GetWindowTextLengthA(box.field) == 5; }));
    for (UINT dpi : {192u, 144u, 96u}) {
        RECT r;
        GetWindowRect(box.hwnd, &r);
        RECT suggested = {r.left, r.top, r.left + MulDiv(r.right - r.left, (int)dpi, 96),
                          r.top + MulDiv(r.bottom - r.top, (int)dpi, 96)};
        if (dpi == 96) suggested = r;
        SendMessageA(box.hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(zpt::ShownPictureWidth(box.hwnd), zpt::ModulePictureWidth(zpt::LanguageModule(), dpi))
            << dpi;
        GetWindowRect(box.hwnd, &r);
        EXPECT_EQ(r.right - r.left, suggested.right - suggested.left) << dpi;
        EXPECT_EQ(zt::WindowText(box.field), std::string(5, '\x95')) << dpi;
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(box.hwnd, nullptr), &gui);
        EXPECT_EQ(gui.hwndFocus, box.field) << dpi;
        EXPECT_TRUE(OkEnabled(box.hwnd));
    }
    zt::TypeText("r");
    ASSERT_TRUE(zt::WaitUntil([&] { return GetWindowTextLengthA(box.field) == 6; }));
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(box.Ended());
    EXPECT_TRUE(box.Digest(Sha1Of("denser")));
}

// zrpc password in its own process, answered from here.
TEST(PasswordBox, ZrpcPasswordPrintsTheDigestOrExits20) {
    for (bool confirm : {true, false}) {
        std::string out;
        int rc = -1;
        std::thread run(
            [&] { rc = zt::RunProgram("zrpc.exe password --show \"Tool prompt:\"", &out, 30000); });
        HWND box = WaitForBox(false);
        if (box) {
            char prompt[64] = "";
            GetDlgItemTextA(box, IDC_PASSWORD_PROMPT, prompt, sizeof prompt);
            EXPECT_STREQ(prompt, "Tool prompt:");
            HWND field = GetDlgItem(box, IDC_PASSWORD_FIELD);
            zt::PostChars(field, "tool pw\xe9");
            // The window of another process: its text comes through WM_GETTEXT.
            auto text = [&] {
                char t[64] = "";
                SendMessageA(field, WM_GETTEXT, sizeof t, reinterpret_cast<LPARAM>(t));
                return std::string(t);
            };
            EXPECT_TRUE(zt::WaitUntil([&] { return OkEnabled(box) && text() == "tool pw\xe9"; }));
            if (confirm)
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            else
                PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        run.join();
        ASSERT_NE(box, nullptr);
        if (confirm) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(out.substr(0, 40), Hex(Sha1Of("tool pw\xe9")));
        } else {
            EXPECT_EQ(rc, 20);
            EXPECT_EQ(out, "");
        }
    }
}

} // namespace
