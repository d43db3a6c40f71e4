// The language module's pictures on the library's dialogs: the password box shows the picture drawn
// for the screen's density and takes it again when its window moves to a screen of another one. The
// file runs again in prefixes at 144 and 192 DPI (the working dialog's are in working_dialog_test).
// ctest-lock: display
// ctest-dpi: 144 192
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "zrpcfunc.h"
#include "zrpcres_ids.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0 // the system's own number; the headers give it from Windows 8.1 on
#endif

namespace {

UINT PrefixDpi() {
    char value[16] = "";
    return GetEnvironmentVariableA("ZRPC_TEST_DPI", value, sizeof value) ? (UINT)std::atoi(value) : 96u;
}

BOOL CALLBACK FindPasswordBox(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_PASSWORD_FIELD)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

SIZE PictureSize(HWND dialog) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(dialog, IDC_PASSWORD_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// The password box, open on a thread of its own while the test looks at it.
class OpenPasswordBox {
  public:
    OpenPasswordBox()
        : m_thread([this] {
              unsigned char digest[20];
              m_result = ZRPCFUNC_ShowPasswordBox(nullptr, "Password:", digest, 1);
              m_done = true;
          }) {
        for (DWORD start = GetTickCount(); !m_dialog && GetTickCount() - start < 10000; Sleep(20))
            EnumWindows(FindPasswordBox, reinterpret_cast<LPARAM>(&m_dialog));
    }
    ~OpenPasswordBox() {
        if (m_dialog) PostMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
        m_thread.join();
    }
    HWND Dialog() const { return m_dialog; }

  private:
    HWND m_dialog = nullptr;
    std::atomic<bool> m_done{false};
    unsigned long m_result = 0;
    std::thread m_thread;
};

TEST(DialogPictures, PasswordBoxShowsThePictureDrawnForTheScreensDensity) {
    const UINT dpi = PrefixDpi();
    OpenPasswordBox box;
    ASSERT_NE(box.Dialog(), nullptr);
    SIZE picture = PictureSize(box.Dialog());
    EXPECT_EQ(picture.cx, (int)(48 * dpi / 96)) << dpi << " DPI";
    EXPECT_EQ(picture.cy, (int)(48 * dpi / 96)) << dpi << " DPI";
    RECT item;
    GetClientRect(GetDlgItem(box.Dialog(), IDC_PASSWORD_PICTURE), &item);
    EXPECT_EQ(item.right, picture.cx) << "the item is as large as its picture";
    EXPECT_EQ(item.bottom, picture.cy);
}

TEST(DialogPictures, PasswordBoxTakesItsPictureAgainOnAScreenOfAnotherDensity) {
    OpenPasswordBox box;
    HWND dialog = box.Dialog();
    ASSERT_NE(dialog, nullptr);
    struct Screen {
        UINT dpi;
        int picture;
    } const screens[] = {{144, 72}, {192, 96}, {110, 48}, {120, 72}, {168, 96}, {96, 48}};
    for (const Screen& s : screens) {
        RECT place;
        GetWindowRect(dialog, &place);
        SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(s.dpi, s.dpi), reinterpret_cast<LPARAM>(&place));
        EXPECT_EQ(PictureSize(dialog).cx, s.picture) << s.dpi << " DPI";
        EXPECT_EQ(PictureSize(dialog).cy, s.picture) << s.dpi << " DPI";
    }
    EXPECT_TRUE(IsWindowVisible(dialog));
}

} // namespace
