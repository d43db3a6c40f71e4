// Window objects: windows the library creates, windows it takes over by subclassing, and the
// reflection of a control's notifications from whatever parent it has back to the control.
#include <windows.h>
#include <commctrl.h>

#include "base/guard.h"
#include "base/win_module.h"
#include "winlayer/win_window.h"

namespace zwin {

bool RegisterModuleClass(const char* name, WNDPROC proc, UINT style, HBRUSH background, int windowExtra) {
    // The library's windows may hold common controls (headers, tips, list views).
    zrpc::InitCommonControlsOnce();
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(zrpc::SelfModule(), name, &existing)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = windowExtra;
    wc.hInstance = zrpc::SelfModule();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

namespace {

const char kLibraryClass[] = "ZRPCFuncWindow";

// Registers a class whose window procedure hands every message to the window object.
bool RegisterWithProc(const char* name, WNDPROC proc) {
    return RegisterModuleClass(name, proc, CS_DBLCLKS,
                               reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)),
                               sizeof(Window*));
}

// The control that sent a parent notification, or null when msg is not one.
HWND NotificationSender(HWND self, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<HWND>(lp);
    case WM_NOTIFY:
        return lp ? reinterpret_cast<const NMHDR*>(lp)->hwndFrom : nullptr;
    case WM_DRAWITEM:
        return lp && wp ? reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem : nullptr;
    case WM_DELETEITEM:
        return lp && wp ? reinterpret_cast<const DELETEITEMSTRUCT*>(lp)->hwndItem : nullptr;
    case WM_COMPAREITEM:
        return lp && wp ? reinterpret_cast<const COMPAREITEMSTRUCT*>(lp)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        // No window handle in the record: the identifier names the control.
        if (lp && wp && reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlType != ODT_MENU &&
            wp == static_cast<WPARAM>(GetDlgCtrlID(self)))
            return self;
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

Window::Window()
    : m_hwnd(nullptr), m_current(nullptr), m_reflectParent(nullptr), m_owned(false), m_subclassed(false) {}

Window::~Window() {
    DisableReflection();
    if (m_owned && m_hwnd)
        ::DestroyWindow(m_hwnd);
    else if (m_subclassed)
        UnsubclassWindow();
    Detach();
}

const char* Window::LibraryClassName() {
    return kLibraryClass;
}

bool Window::Create(const char* className, const char* text, DWORD style, DWORD exStyle, const RECT& rect,
                    HWND parent, UINT id) {
    if (m_hwnd) return false;
    zrpc::InitCommonControlsOnce();
    if (!className) className = kLibraryClass;
    if (className == kLibraryClass || !lstrcmpiA(className, kLibraryClass))
        if (!RegisterWithProc(kLibraryClass, ClassProc)) return false;
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    bool ours = GetClassInfoExA(zrpc::SelfModule(), className, &info) && info.lpfnWndProc == ClassProc;
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND hwnd = CreateWindowExA(exStyle, className, text ? text : "", style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, menu,
                                zrpc::SelfModule(), ours ? this : nullptr);
    if (!hwnd) return false;
    if (!ours && !SubclassWindow(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    m_owned = true;
    return true;
}

bool Window::SubclassWindow(HWND hwnd) {
    if (m_hwnd || !IsWindow(hwnd) || FromHandle(hwnd)) return false;
    if (!SetWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    Attach(hwnd);
    m_subclassed = true;
    return true;
}

bool Window::SubclassDlgItem(UINT id, HWND parent) {
    HWND item = parent ? GetDlgItem(parent, static_cast<int>(id)) : nullptr;
    return item && SubclassWindow(item);
}

HWND Window::UnsubclassWindow() {
    if (!m_subclassed || !m_hwnd) return nullptr;
    DisableReflection();
    HWND hwnd = m_hwnd;
    RemoveWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    m_subclassed = false;
    m_owned = false;
    Detach();
    return hwnd;
}

void Window::DestroyWindow() {
    if (!m_hwnd) return;
    if (m_owned)
        ::DestroyWindow(m_hwnd); // WM_NCDESTROY lets the object go of it
    else
        UnsubclassWindow();
}

LRESULT Window::WindowProc(UINT, WPARAM, LPARAM) {
    return Default();
}

LRESULT Window::Default() {
    if (!m_current) return 0;
    return DefProc(m_current->msg, m_current->wp, m_current->lp);
}

LRESULT Window::DefProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (!m_hwnd) return 0;
    if (m_subclassed) return DefSubclassProc(m_hwnd, msg, wp, lp);
    return ::DefWindowProcA(m_hwnd, msg, wp, lp);
}

bool Window::OnReflect(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

bool Window::EnableReflection() {
    HWND parent = m_hwnd ? GetParent(m_hwnd) : nullptr;
    if (!parent) return false;
    if (parent == m_reflectParent) return true;
    DisableReflection();
    if (!SetWindowSubclass(parent, ParentProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_reflectParent = parent;
    return true;
}

void Window::DisableReflection() {
    if (!m_reflectParent) return;
    RemoveWindowSubclass(m_reflectParent, ParentProc, reinterpret_cast<UINT_PTR>(this));
    m_reflectParent = nullptr;
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    Current current = {msg, wp, lp};
    Current* outer = m_current;
    m_current = &current;
    LRESULT result = 0;
    try {
        result = WindowProc(msg, wp, lp);
    } catch (...) {
        result = 0;
    }
    m_current = outer;
    return result;
}

void Window::Gone() {
    DisableReflection();
    Detach();
    m_owned = false;
    m_subclassed = false;
    PostNcDestroy();
}

LRESULT CALLBACK Window::ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, 0));
    if (msg == WM_NCCREATE && !self) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) {
            SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
            self->Attach(hwnd);
        }
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = self->Dispatch(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, 0, 0);
        self->Gone();
    }
    return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR data) {
    Window* self = reinterpret_cast<Window*>(data);
    LRESULT result = self->Dispatch(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SubclassProc, id);
        self->Gone();
    }
    return result;
}

LRESULT CALLBACK Window::ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    Window* self = reinterpret_cast<Window*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ParentProc, id);
        self->m_reflectParent = nullptr;
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    HWND from = self->m_hwnd ? NotificationSender(self->m_hwnd, msg, wp, lp) : nullptr;
    if (from && from == self->m_hwnd) {
        LRESULT result = 0;
        bool handled = zrpc::Guard(false, [&] { return self->OnReflect(msg, wp, lp, &result); });
        if (handled) return result;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

} // namespace zwin
