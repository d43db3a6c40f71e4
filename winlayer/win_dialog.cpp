#include "winlayer/win_window.h"

#include <map>

#include "base/guard.h"
#include "base/win_module.h"
#include "include/zrpcfunc.h"

namespace zwin {
namespace {

// Library windows of this process by handle; reached from any thread that pumps messages.
struct Registry {
    CRITICAL_SECTION lock;
    std::map<HWND, Window*> windows;
    Registry() { InitializeCriticalSection(&lock); }
    ~Registry() { DeleteCriticalSection(&lock); }
};

Registry& Windows() {
    static Registry registry;
    return registry;
}

} // namespace

void Window::Attach(HWND hwnd) {
    Registry& r = Windows();
    EnterCriticalSection(&r.lock);
    m_hwnd = hwnd;
    r.windows[hwnd] = this;
    LeaveCriticalSection(&r.lock);
}

void Window::Detach() {
    if (!m_hwnd) return;
    Registry& r = Windows();
    EnterCriticalSection(&r.lock);
    auto it = r.windows.find(m_hwnd);
    if (it != r.windows.end() && it->second == this) r.windows.erase(it);
    m_hwnd = nullptr;
    LeaveCriticalSection(&r.lock);
}

Window* FromHandle(HWND hwnd) {
    Registry& r = Windows();
    EnterCriticalSection(&r.lock);
    auto it = r.windows.find(hwnd);
    Window* w = it == r.windows.end() ? nullptr : it->second;
    LeaveCriticalSection(&r.lock);
    return w;
}

BOOL RoutePreTranslate(MSG* msg) {
    for (HWND h = msg->hwnd; h; h = GetParent(h)) {
        if (Window* w = FromHandle(h)) {
            if (w->PreTranslateMessage(msg)) return TRUE;
        }
    }
    return FALSE;
}

bool Dialog::CreateModeless(HINSTANCE module, int templateId, HWND owner) {
    if (!module) return false;
    zrpc::InitCommonControlsOnce();
    HWND hwnd =
        CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), owner, Proc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void Dialog::Destroy() {
    if (m_hwnd) ::DestroyWindow(m_hwnd);
}

BOOL Dialog::PreTranslateMessage(MSG* msg) {
    return m_hwnd && IsDialogMessageA(m_hwnd, msg);
}

INT_PTR Dialog::DoModal(HINSTANCE module, int templateId, HWND owner) {
    if (!module) return -1;
    zrpc::InitCommonControlsOnce();
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, Proc, reinterpret_cast<LPARAM>(this));
}

std::string Dialog::ItemText(int id) const {
    HWND item = Item(id);
    int n = item ? GetWindowTextLengthA(item) : 0;
    std::string text(n > 0 ? (size_t)n + 1 : 1, '\0');
    if (n > 0)
        text.resize((size_t)GetWindowTextA(item, &text[0], n + 1));
    else
        text.clear();
    return text;
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->Attach(hwnd);
        return self->OnInitDialog();
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->OnDestroy();
        self->Detach();
        return FALSE;
    }
    INT_PTR result = 0;
    if (self->OnMessage(msg, wp, lp, result)) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

} // namespace zwin

// The host's message loop hands its messages to the library's windows first.
ZRPC_API BOOL ZRPCFUNC_PreTranslateMsg(MSG* msg) {
    return zrpc::Guard<BOOL>(FALSE, [&] { return msg ? zwin::RoutePreTranslate(msg) : FALSE; });
}
