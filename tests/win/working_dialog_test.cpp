// The working dialog: nesting, its text, its animation thread, a failed window creation, and its
// icon and picture at the screen's density. The file runs again in prefixes at 144 and 192 DPI.
// ctest-lock: display
// ctest-dpi: 144 192
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0 // the system's own number; the headers give it from Windows 8.1 on
#endif

namespace {

// Dispatches this thread's messages for about ms milliseconds.
void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

BOOL CALLBACK CollectWorking(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && GetDlgItem(hwnd, IDC_WORKING_ICON))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

// The working dialogs of this process.
std::vector<HWND> WorkingWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectWorking, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND TheWorkingWindow() {
    std::vector<HWND> w = WorkingWindows();
    return w.size() == 1 ? w[0] : nullptr;
}

std::string MessageOf(HWND hwnd) {
    char text[512] = "";
    GetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text, sizeof text);
    return text;
}

HICON IconOf(HWND hwnd) {
    return reinterpret_cast<HICON>(SendDlgItemMessageA(hwnd, IDC_WORKING_ICON, STM_GETICON, 0, 0));
}

// Pumps until the dialog shows an icon other than before.
bool WaitForOtherIcon(HWND hwnd, HICON before) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
        Pump(10);
        HICON now = IconOf(hwnd);
        if (now && now != before) return true;
    }
    return false;
}

int ThreadsOfThisProcess() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

// Waits (pumping) until the thread count is n; returns the last count seen.
int WaitForThreads(int n, DWORD timeoutMs = 3000) {
    DWORD start = GetTickCount();
    int have = ThreadsOfThisProcess();
    while (have != n && GetTickCount() - start < timeoutMs) {
        Pump(20);
        have = ThreadsOfThisProcess();
    }
    return have;
}

// The density of the prefix this run has (ZRPC_TEST_DPI, set by the run at another density), 96 else.
UINT PrefixDpi() {
    char value[16] = "";
    return GetEnvironmentVariableA("ZRPC_TEST_DPI", value, sizeof value) ? (UINT)std::atoi(value) : 96u;
}

SIZE IconSize(HICON icon) {
    ICONINFO info = {};
    SIZE size = {0, 0};
    if (!icon || !GetIconInfo(icon, &info)) return size;
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    size = {bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

SIZE PictureSize(HWND dialog) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(dialog, IDC_WORKING_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// Pumps until the worker has shown an icon; that icon.
HICON FirstIcon(HWND hwnd) {
    HICON icon = nullptr;
    for (DWORD start = GetTickCount(); !icon && GetTickCount() - start < 10000;) {
        Pump(10);
        icon = IconOf(hwnd);
    }
    return icon;
}

TEST(WorkingDialogDensity, IconAndPictureComeAtTheScreensDensity) {
    const UINT dpi = PrefixDpi();
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("measured"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    HDC dc = GetDC(hwnd);
    EXPECT_EQ((UINT)GetDeviceCaps(dc, LOGPIXELSY), dpi) << "the prefix's density reaches the window";
    ReleaseDC(hwnd, dc);

    // The icon at the size the system asks for (32, 48 or 64 pixels), the picture drawn for the
    // density (48, 72 or 96 pixels), and the picture's item as large as its picture.
    SIZE icon = IconSize(FirstIcon(hwnd));
    EXPECT_EQ(icon.cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(icon.cx, (int)(32 * dpi / 96));
    EXPECT_EQ(icon.cy, (int)(32 * dpi / 96));
    SIZE picture = PictureSize(hwnd);
    EXPECT_EQ(picture.cx, (int)(48 * dpi / 96));
    EXPECT_EQ(picture.cy, (int)(48 * dpi / 96));
    RECT item;
    GetClientRect(GetDlgItem(hwnd, IDC_WORKING_PICTURE), &item);
    EXPECT_EQ(item.right, picture.cx);
    EXPECT_EQ(item.bottom, picture.cy);
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WorkingDialogDensity, MovingToAnotherScreenTakesIconsAndPictureForIt) {
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("moving"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_NE(FirstIcon(hwnd), nullptr);
    struct Screen {
        UINT dpi;
        int icon, picture;
    } const screens[] = {{144, 48, 72}, {192, 64, 96}, {120, 40, 72}, {96, 32, 48}};
    for (const Screen& s : screens) {
        // What the system sends when the window moves to a screen of that density: the density and the
        // window's place there.
        RECT place;
        GetWindowRect(hwnd, &place);
        SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(s.dpi, s.dpi), reinterpret_cast<LPARAM>(&place));
        EXPECT_EQ(IconSize(IconOf(hwnd)).cx, s.icon) << s.dpi << " DPI, at once";
        EXPECT_EQ(PictureSize(hwnd).cx, s.picture) << s.dpi << " DPI";
        EXPECT_EQ(PictureSize(hwnd).cy, s.picture) << s.dpi << " DPI";
        // The animation goes on with icons of the new size.
        HICON before = IconOf(hwnd);
        ASSERT_TRUE(WaitForOtherIcon(hwnd, before)) << s.dpi << " DPI: the icon stopped changing";
        EXPECT_EQ(IconSize(IconOf(hwnd)).cx, s.icon) << s.dpi << " DPI, the next frame";
        EXPECT_EQ(MessageOf(hwnd), "moving");
    }
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WorkingDialog, ShowsNestAndOnlyTheOutermostKillRemovesTheWindow) {
    ASSERT_TRUE(WorkingWindows().empty());
    EXPECT_EQ(ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("Reading the token")), 0u);
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(MessageOf(hwnd), "Reading the token");
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);

    EXPECT_EQ(ZRPCFUNC_ShowWorkingDialog(nullptr, CString("Writing the key store")), 0u);
    EXPECT_EQ(TheWorkingWindow(), hwnd) << "an inner show makes no second window";
    EXPECT_EQ(MessageOf(hwnd), "Writing the key store");

    ZRPCFUNC_KillWorkingDialog();
    Pump(200);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(MessageOf(hwnd), "Writing the key store") << "the inner text stays after the inner kill";

    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(WorkingWindows().empty());

    // A kill with nothing up leaves the count alone: one show and one kill still balance.
    ZRPCFUNC_KillWorkingDialog();
    ZRPCFUNC_KillWorkingDialog();
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("again"));
    hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WorkingDialog, MessageSetWhileNothingIsUpGivesWayToTheShowsOwn) {
    ZRPCFUNC_SetWorkingMessage(const_cast<char*>("stored beforehand"));
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("the show's text"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    Pump(200); // the worker re-applies the current text
    EXPECT_EQ(MessageOf(hwnd), "the show's text");

    ZRPCFUNC_SetWorkingMessage(const_cast<char*>("step two of three"));
    EXPECT_EQ(MessageOf(hwnd), "step two of three");
    Pump(200);
    EXPECT_EQ(MessageOf(hwnd), "step two of three");

    ZRPCFUNC_SetWorkingMessage(nullptr);
    EXPECT_EQ(MessageOf(hwnd), "");
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WorkingDialog, WorkerCyclesTheSixIconsAndEndsWithTheDialog) {
    int before = ThreadsOfThisProcess();
    ASSERT_GT(before, 0);
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("animating"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(WaitForThreads(before + 1), before + 1) << "one worker thread while the dialog is up";

    // The step call is a no-op: without dispatching, the icon does not move.
    HICON still = IconOf(hwnd);
    ZRPCFUNC_StepWorkingDialog();
    EXPECT_EQ(IconOf(hwnd), still);

    // Sample the icon while dispatching: six different icons come round in a fixed order (13 frames
    // take about 1 s at 75 ms a frame; the limit only keeps a stuck animation from hanging the test).
    std::vector<HICON> order;
    DWORD start = GetTickCount();
    while (order.size() < 13 && GetTickCount() - start < 30000) {
        Pump(10);
        HICON icon = IconOf(hwnd);
        if (icon && (order.empty() || order.back() != icon)) order.push_back(icon);
    }
    std::set<HICON> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), 6u);
    ASSERT_GE(order.size(), 13u) << "the icon stopped changing";
    for (size_t i = 6; i < order.size(); ++i)
        EXPECT_EQ(order[i], order[i - 6]) << "frame " << i;

    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(ThreadsOfThisProcess(), before) << "the worker is gone when the kill returns";
}

// The worker: the one thread of this process that is not in `before`.
HANDLE OpenNewThread(const std::set<DWORD>& before) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    DWORD id = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId() && !before.count(te.th32ThreadID))
            id = te.th32ThreadID;
    CloseHandle(snap);
    return id ? OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id) : nullptr;
}

std::set<DWORD> ThreadIds() {
    std::set<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(te.th32ThreadID);
    CloseHandle(snap);
    return ids;
}

TEST(WorkingDialog, WorkerEndsByItselfWhenTheOwnerStoppedDispatching) {
    for (bool pumping : {true, false}) {
        std::set<DWORD> before = ThreadIds();
        ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("busy"));
        HANDLE worker = OpenNewThread(before);
        ASSERT_NE(worker, nullptr);
        // Without dispatching, the worker is soon blocked sending its next update to this thread.
        if (pumping)
            Pump(400);
        else
            Sleep(400);
        ZRPCFUNC_KillWorkingDialog();
        EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0)
            << "the worker is gone when the kill returns";
        DWORD code = 12345;
        GetExitCodeThread(worker, &code);
        EXPECT_EQ(code, 0u) << "the worker returned by itself rather than being terminated (pumping "
                            << pumping << ")";
        CloseHandle(worker);
        EXPECT_TRUE(WorkingWindows().empty());
        EXPECT_EQ(ThreadIds(), before);
    }
}

TEST(WorkingDialog, TextReplacedWhileTheWorkerRunsNeverTears) {
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("start"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    const std::string texts[] = {"a", std::string(300, 'b'), "cc", std::string(120, 'd')};
    std::set<std::string> allowed(std::begin(texts), std::end(texts));
    DWORD start = GetTickCount();
    for (int i = 0; GetTickCount() - start < 1500; ++i) {
        ZRPCFUNC_SetWorkingMessage(const_cast<char*>(texts[i % 4].c_str()));
        Pump(i % 3);
        std::string shown = MessageOf(hwnd);
        ASSERT_TRUE(allowed.count(shown)) << "torn text of " << shown.size() << " characters";
    }
    ZRPCFUNC_SetWorkingMessage(const_cast<char*>("final"));
    for (DWORD t = GetTickCount(); MessageOf(hwnd) != "final" && GetTickCount() - t < 30000;)
        Pump(10);
    EXPECT_EQ(MessageOf(hwnd), "final");
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

// Refuses the creation of the first window made from the language module on this thread.
HHOOK g_hook = nullptr;
int g_refusals = 0;
LRESULT CALLBACK RefuseFirstDialog(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && g_refusals == 0) {
        auto* cw = reinterpret_cast<CBT_CREATEWNDA*>(lp);
        if (cw->lpcs->hInstance == GetModuleHandleA("zrpcres.dll")) {
            ++g_refusals;
            return 1;
        }
    }
    return CallNextHookEx(g_hook, code, wp, lp);
}

TEST(WorkingDialog, FailedCreationIsReportedAndDoesNotKeepTheLevel) {
    ASSERT_NE(GetModuleHandleA("zrpcres.dll"), nullptr);
    g_hook = SetWindowsHookExA(WH_CBT, RefuseFirstDialog, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    {
        zt::BoxAnswerer ok(IDOK);
        EXPECT_EQ(ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("never seen")), 0u);
        ASSERT_TRUE(ok.WaitFor(1));
        std::vector<zt::SeenBox> seen = ok.Seen();
        EXPECT_EQ(seen[0].text, "Failed to create working dialog");
        EXPECT_EQ(seen[0].title, "Corvane+");
    }
    UnhookWindowsHookEx(g_hook);
    EXPECT_EQ(g_refusals, 1);
    EXPECT_TRUE(WorkingWindows().empty());

    ZRPCFUNC_KillWorkingDialog(); // nothing is up: no effect

    // The next show makes the window for real, and a single kill removes it again.
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("second try"));
    HWND hwnd = TheWorkingWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(MessageOf(hwnd), "second try");
    ZRPCFUNC_KillWorkingDialog();
    EXPECT_FALSE(IsWindow(hwnd));
}

} // namespace
