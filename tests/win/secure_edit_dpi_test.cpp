// The password field and the password box on screens of 144 and 192 DPI. The density a process sees
// is the LogPixels value of the user's desktop settings (HKCU\Control Panel\Desktop, read by every
// process as it starts), so the measurements run in processes of this program started while the value
// is set, and the value is restored at once. That changes what every new process reads: this file
// runs alone. The measuring tests are disabled in an ordinary run and run in the started processes.
// ctest-serial
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/dpi.h"
#include "tests/win/password_testing.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"
#include "zrpcsecureedit.h"

namespace {

constexpr WORD kEdit = 100;
const char kDesktopKey[] = "Control Panel\\Desktop";

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

// In a process started at ZRPC_TEST_DPI: the fixed font is -20 px scaled to the window's density, and
// the mask glyphs grow with it (measured against a window of the same process drawn at 96 DPI).
TEST(AtDensity, DISABLED_TheFieldsFontAndMaskScale) {
    const UINT dpi = EnvNumber("ZRPC_TEST_DPI");
    ASSERT_NE(dpi, 0u) << "run by PasswordDensity";
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

// In a process started at ZRPC_TEST_DPI: the password box shows the language module's picture for the
// density (the one nearest below where the module lacks it), its field the scaled font.
TEST(AtDensity, DISABLED_ThePasswordBoxAtTheDensity) {
    const UINT dpi = EnvNumber("ZRPC_TEST_DPI");
    ASSERT_NE(dpi, 0u) << "run by PasswordDensity";
    BecomeDpiAware();
    zpt::Box box("Password:", 1);
    ASSERT_NE(box.hwnd, nullptr);
    const int expected = zpt::ModulePictureWidth(zpt::LanguageModule(), dpi);
    EXPECT_EQ(zpt::ShownPictureWidth(box.hwnd), expected);
    EXPECT_EQ(static_cast<UINT>(expected), EnvNumber("ZRPC_TEST_PICTURE")) << "the module the test made";
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

// A 24-bit picture of the given size as a bitmap resource holds it (a DIB without file header).
std::vector<BYTE> PictureResource(int size) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = size;
    h.biHeight = size;
    h.biPlanes = 1;
    h.biBitCount = 24;
    const int stride = (size * 3 + 3) & ~3;
    std::vector<BYTE> data(sizeof h + static_cast<size_t>(stride * size), 0x80);
    std::memcpy(data.data(), &h, sizeof h);
    return data;
}

// A copy of the language module with the password box's picture at 150 % and 200 % added.
std::string ModuleWithDensePictures() {
    const std::string dir = zt::MakeTempDir("dense-pictures");
    const std::string path = dir + "\\zrpcres.dll";
    if (!CopyFileA((zt::ProgramDir() + "\\zrpcres.dll").c_str(), path.c_str(), FALSE)) return "";
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update) return "";
    const struct {
        UINT id;
        int size;
    } pictures[] = {{IDB_BITMAP_745 + IDB_SCALED_150, 72}, {IDB_BITMAP_745 + IDB_SCALED_200, 96}};
    bool ok = true;
    for (const auto& p : pictures) {
        std::vector<BYTE> data = PictureResource(p.size);
        ok = ok && UpdateResourceA(update, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(p.id),
                                   MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), data.data(),
                                   static_cast<DWORD>(data.size()));
    }
    return EndUpdateResourceA(update, !ok) && ok ? path : "";
}

// Sets a DWORD value for as long as it lives, the value before given back after.
class DwordSetting {
  public:
    DwordSetting(const char* key, const char* name, DWORD value) : m_restore(HKEY_CURRENT_USER, key, name) {
        HKEY k;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
            ERROR_SUCCESS)
            return;
        m_set = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
                ERROR_SUCCESS;
        RegCloseKey(k);
    }
    bool Set() const { return m_set; }

  private:
    zt::RegistryValue m_restore;
    bool m_set = false;
};

// Runs the disabled measurements of this program in a process started at the density, with the
// language module given, and reports their output when they fail.
void MeasureAt(UINT dpi, const std::string& module, int pictureWidth) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI, " + module);
    zt::RegistryValue language(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    language.Set(module.c_str());
    std::string out;
    int rc = -1;
    {
        DwordSetting density(kDesktopKey, "LogPixels", dpi);
        ASSERT_TRUE(density.Set());
        SetEnvironmentVariableA("ZRPC_TEST_DPI", std::to_string(dpi).c_str());
        SetEnvironmentVariableA("ZRPC_TEST_PICTURE", std::to_string(pictureWidth).c_str());
        zt::OnOtherThread([&] {
            rc = zt::RunProgram("secure_edit_dpi_test.exe --gtest_also_run_disabled_tests "
                                "--gtest_filter=AtDensity.DISABLED_*",
                                &out, 120000);
        });
        SetEnvironmentVariableA("ZRPC_TEST_DPI", nullptr);
        SetEnvironmentVariableA("ZRPC_TEST_PICTURE", nullptr);
    }
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 2 tests."), std::string::npos) << out;
    const size_t measured = out.find("density ");
    if (measured != std::string::npos)
        std::printf("%s", out.substr(measured, out.find('\n', measured) - measured + 1).c_str());
}

// At 144 DPI with a language module that has the denser pictures, and at 192 DPI with one that has
// only the 100 % picture.
TEST(PasswordDensity, FontMaskAndPictureAt144And192Dpi) {
    const std::string dense = ModuleWithDensePictures();
    ASSERT_FALSE(dense.empty()) << "a language module with the 150 % and 200 % pictures";
    ASSERT_EQ(zpt::ModulePictureWidth(dense, 144), 72);
    ASSERT_EQ(zpt::ModulePictureWidth(dense, 192), 96);
    const std::string plain = zt::ProgramDir() + "\\zrpcres.dll";
    MeasureAt(144, dense, 72);
    MeasureAt(192, plain, zpt::ModulePictureWidth(plain, 192));
    zt::RemoveTree(dense.substr(0, dense.find_last_of('\\')));
}

} // namespace
