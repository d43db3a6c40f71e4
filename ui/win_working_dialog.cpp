// The working dialog: a modeless window with a message, a picture and an icon that a worker thread
// swaps every 75 ms, shown while the caller's thread does something long. Shows nest; the window
// stays until the outermost kill.
//
// The message is the one thing the worker and the owning thread share while both run: the owning
// thread replaces it, the worker re-applies it. Both touch it only under g_textLock, and the worker
// copies it out before it talks to the window, so neither ever waits for the other while holding it.
#include <windows.h>

#include <cstring>
#include <string>

#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "winlayer/win_window.h"

namespace {

constexpr int kIconCount = IDI_WORKING_LAST - IDI_WORKING_FIRST + 1;
constexpr DWORD kFrameMs = 75;
constexpr DWORD kStopWaitMs = 1000;
constexpr DWORD kWorkerKilled = 1; // exit code of a worker that had to be terminated

static_assert(kIconCount == 6, "six animation icons");

struct TextLock {
    CRITICAL_SECTION cs;
    TextLock() { InitializeCriticalSection(&cs); }
    ~TextLock() { DeleteCriticalSection(&cs); }
};
TextLock g_textLock;

class Locked {
  public:
    Locked() { EnterCriticalSection(&g_textLock.cs); }
    ~Locked() { LeaveCriticalSection(&g_textLock.cs); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

class WorkingDialog;

// Per-process state. Everything but the message is touched by the owning thread only, and by the
// worker only to read (window handle and icons) while it runs.
struct State {
    unsigned long count = 0;
    WorkingDialog* dialog = nullptr;
    char* message = nullptr; // zero-filled global-heap block, under g_textLock
    HBITMAP picture = nullptr;
    HICON icons[kIconCount] = {};
    HANDLE stopEvent = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};
State g_state;

// A copy of the current message; false when there is none.
bool CopyMessage(std::string& out) {
    Locked lock;
    if (!g_state.message) return false;
    out.assign(g_state.message);
    return true;
}

void FreeMessageLocked() {
    if (!g_state.message) return;
    HGLOBAL h = GlobalHandle(g_state.message);
    g_state.message = nullptr;
    if (h) GlobalFree(h);
}

void RepaintNow(HWND control) {
    if (!control) return;
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
}

HWND DialogWindow();

// Replaces the message: a new private copy, and the control when the window is up.
void ReplaceMessage(const char* text) {
    if (!text) text = "";
    size_t size = std::strlen(text) + 1;
    {
        Locked lock;
        FreeMessageLocked();
        char* block = static_cast<char*>(GlobalAlloc(GPTR, size));
        if (!block) return; // no memory: no message, the window keeps its last text
        std::memcpy(block, text, size);
        g_state.message = block;
    }
    if (HWND hwnd = DialogWindow()) {
        SetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text);
        RepaintNow(GetDlgItem(hwnd, IDC_WORKING_MESSAGE));
    }
}

DWORD WINAPI Worker(LPVOID param) {
    HWND hwnd = static_cast<HWND>(param);
    HANDLE stop = g_state.stopEvent;
    int next = 0;
    std::string text;
    while (WaitForSingleObject(stop, kFrameMs) == WAIT_TIMEOUT) {
        HWND icon = GetDlgItem(hwnd, IDC_WORKING_ICON);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(g_state.icons[next]), 0);
        RepaintNow(icon);
        next = (next + 1) % kIconCount;
        if (CopyMessage(text)) {
            SetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text.c_str());
            RepaintNow(GetDlgItem(hwnd, IDC_WORKING_MESSAGE));
        }
    }
    return 0;
}

// Waits for the worker to end, answering the messages it sends to the window meanwhile (it talks to
// the controls synchronously, so a plain wait would hold both threads until the time-out).
bool WaitForWorker(HANDLE thread, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void StopWorker() {
    if (!g_state.thread) return;
    if (g_state.stopEvent) SetEvent(g_state.stopEvent);
    if (!WaitForWorker(g_state.thread, kStopWaitMs)) TerminateThread(g_state.thread, kWorkerKilled);
    CloseHandle(g_state.thread);
    g_state.thread = nullptr;
    g_state.threadId = 0;
}

class WorkingDialog : public zwin::Dialog {
  protected:
    BOOL OnInitDialog() override {
        HWND hwnd = Handle();
        std::string text;
        if (CopyMessage(text)) SetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text.c_str());
        if (g_state.picture)
            SendDlgItemMessageA(hwnd, IDC_WORKING_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(g_state.picture));
        ShowWindow(hwnd, SW_SHOW);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (!g_state.stopEvent)
            g_state.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        else
            ResetEvent(g_state.stopEvent);
        g_state.thread =
            g_state.stopEvent ? CreateThread(nullptr, 0, Worker, hwnd, 0, &g_state.threadId) : nullptr;
        if (!g_state.thread)
            MessageBoxA(nullptr, "Failed to create worker dlg thread", zrpc::AppTitle(), MB_OK);
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR&) override {
        // The controls still exist here; the worker must be gone before they do.
        if (msg == WM_DESTROY) StopWorker();
        return false;
    }
    void OnDestroy() override { StopWorker(); }
};

HWND DialogWindow() {
    return g_state.dialog ? g_state.dialog->Handle() : nullptr;
}

void ReleaseResources() {
    {
        Locked lock;
        FreeMessageLocked();
    }
    if (g_state.picture) DeleteObject(g_state.picture);
    g_state.picture = nullptr;
    if (g_state.stopEvent) CloseHandle(g_state.stopEvent);
    g_state.stopEvent = nullptr;
    for (HICON& icon : g_state.icons) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
}

void Show(const char* message) {
    if (++g_state.count > 1) {
        ReplaceMessage(message);
        return;
    }
    HINSTANCE lang = zrpc::LangModule();
    for (int i = 0; i < kIconCount; ++i)
        g_state.icons[i] = static_cast<HICON>(
            lang ? LoadImageA(lang, MAKEINTRESOURCEA(IDI_WORKING_FIRST + i), IMAGE_ICON, 32, 32, 0)
                 : nullptr);
    g_state.picture = static_cast<HBITMAP>(
        lang ? LoadImageA(lang, MAKEINTRESOURCEA(IDB_BITMAP_124), IMAGE_BITMAP, 0, 0, 0) : nullptr);
    ReplaceMessage(message);

    if (!g_state.dialog) g_state.dialog = new WorkingDialog;
    if (!g_state.dialog->CreateModeless(lang, IDD_WORKING, nullptr)) {
        MessageBoxA(nullptr, "Failed to create working dialog", zrpc::AppTitle(), MB_OK);
        // Nothing is up: the level is not kept, so the next show tries again and kills stay harmless.
        StopWorker();
        ReleaseResources();
        g_state.count = 0;
        return;
    }
    ShowWindow(DialogWindow(), SW_SHOW);
}

void Kill() {
    if (!DialogWindow()) return;
    if (--g_state.count > 0) return;
    {
        Locked lock;
        FreeMessageLocked();
    }
    g_state.dialog->Destroy(); // stops the worker
    StopWorker();
    ReleaseResources();
    g_state.count = 0;
}

} // namespace

ZRPC_API unsigned long ZRPCFUNC_ShowWorkingDialog(HWND, CString message) {
    zrpc::GuardVoid([&] { Show(message.GetString()); });
    return 0;
}

ZRPC_API unsigned long ZRPCFUNC_C_ShowWorkingDialog(HWND, char* message) {
    zrpc::GuardVoid([&] { Show(message); });
    return 0;
}

ZRPC_API void ZRPCFUNC_SetWorkingMessage(char* message) {
    zrpc::GuardVoid([&] { ReplaceMessage(message); });
}

ZRPC_API void ZRPCFUNC_StepWorkingDialog() {}

ZRPC_API void ZRPCFUNC_KillWorkingDialog() {
    zrpc::GuardVoid([] { Kill(); });
}
