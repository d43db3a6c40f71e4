// The password field and the password box on screens of 144 and 192 DPI. The density a process sees
// is fixed as it starts, so this program runs again at each density in a copy of the prefix made for it
// (ZRPC_TEST_DPI tells the density); in the ordinary run at 96 DPI there is nothing to measure.
// ctest-lock: display
// ctest-dpi: 144 192
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/dpi.h"
#include "tests/win/password_testing.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"
#include "zrpcsecureedit.h"

namespace {

constexpr WORD kEdit = 100;

UINT EnvNumber(const char* name) {
    const char* v = std::getenv(name);
    return v ? static_cast<UINT>(std::strtoul(v, nullptr, 10)) : 0;
}

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using SetThreadContextFn = HANDLE(WINAPI*)(HANDLE);

// The process takes the screen's density itself (per monitor where the system knows it, else the
// system's), as the project's programs declare in their manifests.
void BecomeDpiAware() {
    HMODULE user = GetModuleHandleA("user32.dll");
    auto set = zt::Proc<SetContextFn>(user, "SetProcessDpiAwarenessContext");
    if (set && (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3)))) return;
    auto aware = zt::Proc<BOOL(WINAPI*)()>(user, "SetProcessDPIAware");
    if (aware) aware();
}

// Makes the windows of this thread made from now on unaware of the density (drawn at 96 DPI) or aware.
void ThreadAware(bool aware) {
    auto set = zt::Proc<SetThreadContextFn>(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext");
    if (set) set(reinterpret_cast<HANDLE>(aware ? -3 : -1));
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

// A plain dialog with an edit item, a CSecureEdit on it, six masked characters typed.
struct MaskedField {
    HWND dialog = nullptr, field = nullptr;
    CSecureEdit edit;
    MaskedField() {
        zt::DialogTemplate t(L"Plain dialog", 200, 40);
        t.Item(0x0081, kEdit, WS_BORDER | ES_AUTOHSCROLL, 10, 10, 180, 20, L"");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
        if (!dialog) return;
        field = GetDlgItem(dialog, kEdit);
        edit.SubclassDlgItem(kEdit, dialog);
        edit.HidePassword(1);
        for (char c : std::string("secret"))
            PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
        zpt::WaitUntil([&] { return GetWindowTextLengthA(field) == 6; });
    }
    ~MaskedField() {
        if (dialog) DestroyWindow(dialog);
    }
    zpt::Ink Mask() const {
        return zpt::InkOf(field, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
    }
};

// At the density of the run: the fixed font is -20 px scaled to the window's density, and
// the mask glyphs grow with it (measured against a window of the same process drawn at 96 DPI).
TEST(PasswordDensity, TheFieldsFontAndMaskScale) {
    const UINT dpi = EnvNumber("ZRPC_TEST_DPI");
    if (dpi == 0 || dpi == 96) GTEST_SKIP() << "measured at 144 and 192 DPI";
    BecomeDpiAware();
    auto system = zt::Proc<UINT(WINAPI*)()>(GetModuleHandleA("user32.dll"), "GetDpiForSystem");
    ASSERT_TRUE(system);
    ASSERT_EQ(system(), dpi) << "the process started at the density set for it";

    ThreadAware(false);
    MaskedField at96;
    ThreadAware(true);
    MaskedField dense;
    ASSERT_TRUE(at96.field && dense.field);
    EXPECT_EQ(zpt::FontHeight(at96.field), -20);
    EXPECT_EQ(zpt::FontHeight(dense.field), zrpc::ScaleToDpi(-20, dpi));

    const zpt::Ink small = at96.Mask(), large = dense.Mask();
    EXPECT_EQ(small.runs, 6);
    EXPECT_EQ(large.runs, 6);
    const int expected = small.Height() * static_cast<int>(dpi) / 96;
    EXPECT_GE(large.Height(), expected - 1) << "the mask glyphs grow with the density";
    EXPECT_LE(large.Height(), expected + 2);
    EXPECT_GE(large.Width(), small.Width() * static_cast<int>(dpi) / 96 - 3);
    std::printf("density %u: mask glyphs %dx%d px (at 96 DPI %dx%d px)\n", dpi, large.Width(), large.Height(),
                small.Width(), small.Height());
}

// At the density of the run: the password box shows the language module's picture drawn for the
// density, its field the scaled font.
TEST(PasswordDensity, ThePasswordBoxAtTheDensity) {
    const UINT dpi = EnvNumber("ZRPC_TEST_DPI");
    if (dpi == 0 || dpi == 96) GTEST_SKIP() << "measured at 144 and 192 DPI";
    BecomeDpiAware();
    zpt::Box box("Password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    const int expected = zpt::ModulePictureWidth(zpt::LanguageModule(), dpi);
    EXPECT_EQ(zpt::ShownPictureWidth(box.hwnd), expected);
    EXPECT_EQ(expected, zrpc::ScaleToDpi(48, dpi)) << "the module has the picture drawn for this density";
    for (char c : std::string("dense"))
        PostMessageA(box.field, WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_TRUE(zpt::WaitUntil([&] { return GetWindowTextLengthA(box.field) == 5; }));
    EXPECT_EQ(zpt::FontHeight(box.field), zrpc::ScaleToDpi(-20, dpi));
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, IDOK)));
    ASSERT_TRUE(box.Ended());
    EXPECT_EQ(box.rc, 0u);
    EXPECT_TRUE(box.Digest(zpt::Sha1Of("dense")));
}

} // namespace
