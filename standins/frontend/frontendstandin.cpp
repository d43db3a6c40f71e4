#include "standins/frontend/frontendstandin.h"

namespace {
const UINT kMessages[5] = {FrontEndStandIn::kEnabled, FrontEndStandIn::kBusy, FrontEndStandIn::kKeyService,
                           FrontEndStandIn::kMasterActive, FrontEndStandIn::kDeletePermitted};
constexpr UINT kQuit = WM_APP + 77;
} // namespace

FrontEndStandIn::FrontEndStandIn(const char* className, const char* title)
    : m_class(className), m_title(title) {
    for (int i = 0; i < 5; ++i) {
        m_replies[i] = 0;
        m_counts[i] = 0;
    }
    m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this] { Run(); });
    WaitForSingleObject(m_ready, 10000);
}

FrontEndStandIn::~FrontEndStandIn() {
    if (m_window) PostMessageA(m_window, kQuit, 0, 0);
    if (m_thread.joinable()) m_thread.join();
    CloseHandle(m_ready);
}

int FrontEndStandIn::Index(UINT message) {
    for (int i = 0; i < 5; ++i)
        if (kMessages[i] == message) return i;
    return -1;
}

void FrontEndStandIn::SetReply(UINT message, LRESULT value) {
    int i = Index(message);
    if (i >= 0) m_replies[i] = value;
}

int FrontEndStandIn::Count(UINT message) const {
    int i = Index(message);
    return i >= 0 ? m_counts[i].load() : 0;
}

LRESULT CALLBACK FrontEndStandIn::Procedure(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FrontEndStandIn*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    int i = Index(message);
    if (self && i >= 0) {
        ++self->m_counts[i];
        if (wp != 0 || lp != 0) ++self->m_bad;
        return self->m_replies[i];
    }
    if (message == kQuit) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

void FrontEndStandIn::Run() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = m_class.c_str();
    // Several stand-ins of one class may exist in a process: the class stays registered.
    RegisterClassA(&wc);
    m_window = CreateWindowExA(0, m_class.c_str(), m_title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, wc.hInstance, this);
    SetEvent(m_ready);
    if (!m_window) return;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    m_window = nullptr;
}
