#include "ui/win_working_dialog.h"

#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "keystore/progress.h"
#include "ui/win_dialog_picture.h"
#include "winlayer/win_dpi.h"
#include "winlayer/win_window.h"

namespace zrpc {

namespace {

constexpr DWORD kFrameMs = 75;
constexpr DWORD kStopWaitMs = 1000;
constexpr DWORD kWorkerKilled = 1; // exit code of a worker that had to be terminated
// The worker's request to show the icon frame wParam (0 to 5), sent to the dialog.
constexpr UINT kShowFrame = WM_USER + 0x100;

class Locked {
  public:
    explicit Locked(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~Locked() { LeaveCriticalSection(&m_cs); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    CRITICAL_SECTION& m_cs;
};

void RepaintNow(HWND control) {
    if (!control) return;
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
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

} // namespace

static_assert(IDI_WORKING_LAST - IDI_WORKING_FIRST + 1 == 6, "six animation icons");

// The window: filled from its owner on creation; the worker runs from creation to WM_DESTROY, while
// the controls it talks to still exist.
class WorkingDialog::View : public zwin::Dialog {
  public:
    explicit View(WorkingDialog& owner) : m_owner(owner) {}

  protected:
    BOOL OnInitDialog() override {
        HWND hwnd = Handle();
        std::string text;
        if (m_owner.CopyMessage(text)) SetItemText(IDC_WORKING_MESSAGE, text.c_str());
        const UINT dpi = WindowDpi(hwnd);
        m_picture.Show(hwnd, LangModule(), dpi);
        m_owner.LoadIcons(hwnd, dpi);
        ShowWindow(hwnd, SW_SHOW);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        m_owner.StartWorker(hwnd);
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override {
        HWND hwnd = Handle();
        if (msg == kShowFrame) {
            m_owner.ShowFrame(hwnd, static_cast<int>(wp));
            result = 0;
            return true;
        }
        if (msg == WM_DESTROY) {
            m_owner.StopWorker();
            m_picture.Release(hwnd);
            return false;
        }
        // A new density or colour scheme: the icons and the picture for it; the system goes on with the
        // rest (the window's place on the new screen, its items and font).
        if (msg == WM_DPICHANGED) m_owner.LoadIcons(hwnd, LOWORD(wp));
        m_picture.OnMessage(hwnd, msg, wp, lp);
        return false;
    }

  private:
    WorkingDialog& m_owner;
    DialogPicture m_picture{IDB_BITMAP_124, IDC_WORKING_PICTURE};
};

WorkingDialog& WorkingDialog::Instance() {
    static WorkingDialog instance;
    return instance;
}

WorkingDialog::WorkingDialog() {
    InitializeCriticalSection(&m_textLock);
}

WorkingDialog::~WorkingDialog() {
    // The library is being unloaded: the window object stays with the window, which may outlive it.
    DeleteCriticalSection(&m_textLock);
}

HWND WorkingDialog::Window() const {
    return m_view ? m_view->Handle() : nullptr;
}

bool WorkingDialog::CopyMessage(std::string& out) {
    Locked lock(m_textLock);
    if (!m_hasMessage) return false;
    out = m_message;
    return true;
}

void WorkingDialog::SetMessage(const char* text) {
    if (!text) text = "";
    {
        Locked lock(m_textLock);
        m_message = text;
        m_hasMessage = true;
    }
    if (HWND hwnd = Window()) {
        SetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text);
        RepaintNow(GetDlgItem(hwnd, IDC_WORKING_MESSAGE));
    }
}

DWORD WINAPI WorkingDialog::Worker(LPVOID param) {
    WorkingDialog& self = *static_cast<WorkingDialog*>(param);
    HWND hwnd = self.m_workerWindow;
    int next = 0;
    std::string text;
    while (WaitForSingleObject(self.m_stopEvent, kFrameMs) == WAIT_TIMEOUT) {
        SendMessageA(hwnd, kShowFrame, static_cast<WPARAM>(next), 0);
        next = (next + 1) % kIconCount;
        if (self.CopyMessage(text)) {
            SetDlgItemTextA(hwnd, IDC_WORKING_MESSAGE, text.c_str());
            RepaintNow(GetDlgItem(hwnd, IDC_WORKING_MESSAGE));
        }
    }
    return 0;
}

void WorkingDialog::LoadIcons(HWND hwnd, UINT dpi) {
    HINSTANCE lang = LangModule();
    const int size = SystemMetricForDpi(SM_CXICON, dpi);
    HICON old[kIconCount];
    for (int i = 0; i < kIconCount; ++i) {
        old[i] = m_icons[i];
        m_icons[i] = static_cast<HICON>(
            lang ? LoadImageA(lang, MAKEINTRESOURCEA(IDI_WORKING_FIRST + i), IMAGE_ICON, size, size, 0)
                 : nullptr);
    }
    if (m_frame >= 0) ShowFrame(hwnd, m_frame);
    for (HICON icon : old)
        if (icon) DestroyIcon(icon);
}

void WorkingDialog::ShowFrame(HWND hwnd, int frame) {
    if (frame < 0 || frame >= kIconCount) return;
    m_frame = frame;
    HWND icon = GetDlgItem(hwnd, IDC_WORKING_ICON);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(m_icons[frame]), 0);
    RepaintNow(icon);
}

void WorkingDialog::StartWorker(HWND hwnd) {
    m_workerWindow = hwnd;
    if (!m_stopEvent)
        m_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    else
        ResetEvent(m_stopEvent);
    m_thread = m_stopEvent ? CreateThread(nullptr, 0, Worker, this, 0, nullptr) : nullptr;
    if (!m_thread) MessageBoxA(nullptr, "Failed to create worker dlg thread", AppTitle(), MB_OK);
}

// The one place the worker ends: asked to stop, and terminated when it does not within a second.
void WorkingDialog::StopWorker() {
    if (!m_thread) return;
    if (m_stopEvent) SetEvent(m_stopEvent);
    if (!WaitForWorker(m_thread, kStopWaitMs)) TerminateThread(m_thread, kWorkerKilled);
    CloseHandle(m_thread);
    m_thread = nullptr;
}

void WorkingDialog::ReleaseResources() {
    {
        Locked lock(m_textLock);
        m_message.clear();
        m_hasMessage = false;
    }
    if (m_stopEvent) CloseHandle(m_stopEvent);
    m_stopEvent = nullptr;
    for (HICON& icon : m_icons) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
    m_frame = -1;
}

void WorkingDialog::Show(const char* message) {
    if (++m_count > 1) {
        SetMessage(message);
        return;
    }
    HINSTANCE lang = LangModule();
    SetMessage(message);

    if (!m_view) m_view = new View(*this);
    if (!m_view->CreateModeless(lang, IDD_WORKING, nullptr)) {
        MessageBoxA(nullptr, "Failed to create working dialog", AppTitle(), MB_OK);
        // Nothing is up: the level is not kept, so the next show tries again and kills stay harmless.
        ReleaseResources();
        m_count = 0;
        return;
    }
    ShowWindow(Window(), SW_SHOW);
}

void WorkingDialog::Kill() {
    if (!Window()) return;
    if (--m_count > 0) return;
    m_view->Destroy(); // WM_DESTROY stops the worker
    ReleaseResources();
    m_count = 0;
}

namespace {

// The key store reports its long changes here: each shows the working dialog with its language string.
class StoreProgress final : public zks::ProgressSink {
  public:
    void Begin(unsigned stringId) override {
        std::string text;
        LangString(stringId, text);
        WorkingDialog::Instance().Show(text.c_str());
    }
    void End() override {
        GuardVoid([] { WorkingDialog::Instance().Kill(); });
    }
};

StoreProgress g_storeProgress;
// Installed as the library is loaded, before any call can reach the store.
const bool g_storeProgressInstalled = (zks::SetProgressSink(&g_storeProgress), true);

} // namespace

} // namespace zrpc

using zrpc::WorkingDialog;

ZRPC_API unsigned long ZRPCFUNC_ShowWorkingDialog(HWND, CString message) {
    zrpc::GuardVoid([&] { WorkingDialog::Instance().Show(message.GetString()); });
    return 0;
}

ZRPC_API unsigned long ZRPCFUNC_C_ShowWorkingDialog(HWND, char* message) {
    zrpc::GuardVoid([&] { WorkingDialog::Instance().Show(message); });
    return 0;
}

ZRPC_API void ZRPCFUNC_SetWorkingMessage(char* message) {
    zrpc::GuardVoid([&] { WorkingDialog::Instance().SetMessage(message); });
}

ZRPC_API void ZRPCFUNC_StepWorkingDialog() {}

ZRPC_API void ZRPCFUNC_KillWorkingDialog() {
    zrpc::GuardVoid([] { WorkingDialog::Instance().Kill(); });
}
