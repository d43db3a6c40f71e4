// The controls as window classes for every client (include/zrpcctl.h): ZRPCFUNC_InitControls registers
// the report control's class and the password field's, "ZRPCSecureEdit", a class built on the system's
// edit control whose every window owns a CSecureEdit, made on WM_NCCREATE and gone with the window,
// and answers the field's messages through one table.
#include <windows.h>

#include <new>

#include "base/guard.h"
#include "base/message_table.h"
#include "base/win_module.h"
#include "base/wipe.h"
#include "include/zrpcctl.h"
#include "include/zrpcsecureedit.h"
#include "reportctrl/win_report_class.h"
#include "winlayer/win_window.h"

namespace {

const wchar_t kSecureEditClassW[] = L"" ZRPC_SECUREEDIT_CLASS;

// The characters of the field's contents (code-page text): a surrogate pair is one character. Counted
// through a UTF-16 copy on the stack, wiped at once.
intptr_t CharacterCount(const CString& text) {
    wchar_t units[CSecureEdit::kLimit * 2 + 1];
    const int n = text.GetLength() > 0 ? MultiByteToWideChar(CP_ACP, 0, text.GetString(), text.GetLength(),
                                                             units, CSecureEdit::kLimit * 2)
                                       : 0;
    intptr_t count = 0;
    for (int i = 0; i < n; ++i)
        if (units[i] < 0xDC00 || units[i] > 0xDFFF) ++count;
    zrpc::Wipe(units, sizeof units);
    return count;
}

// The password field's messages, each answered by the member function a C++ client would call. Only
// the digest leaves the control: the length (in characters) is counted on a copy that is wiped at once.
template <class T> const zrpc::MessageEntry<T>* SecureEditMessages(size_t* count) {
    static const zrpc::MessageEntry<T> table[] = {
        ZRPC_MESSAGE(SEDM_CLEAR, 0, t.Empty(); r = 1),
        ZRPC_MESSAGE(SEDM_GETLENGTH, 0, CString text; t.GetRealContents(text); r = CharacterCount(text);
                     zrpc::Wipe(const_cast<char*>(text.GetString()), (size_t)text.GetLength())),
        ZRPC_MESSAGE(SEDM_GETDIGEST, 0, if (!lp || wp < SEDM_DIGEST_SIZE) return false;
                     t.HashContents(reinterpret_cast<unsigned char*>(lp)); r = 1),
        ZRPC_MESSAGE(SEDM_HIDEPASSWORD, 0, t.HidePassword(zrpc::MessageInt(wp)); r = 1),
    };
    *count = sizeof table / sizeof table[0];
    return table;
}

// The system edit class's procedure, which handles everything the field leaves to the edit control.
WNDPROC g_editProc = nullptr;

class WindowOwnedSecureEdit : public CSecureEdit {
  public:
    // A field whose window any program may read: the mask from the start (set before the window is
    // taken over, which the edit control has not yet begun to build).
    bool Start(HWND hwnd) {
        HidePassword(1);
        return zwin::Window::SubclassWindow(hwnd);
    }

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= SEDM_FIRST && msg <= SEDM_LAST) {
            size_t count = 0;
            CSecureEdit& self = *this;
            const auto* table = SecureEditMessages<CSecureEdit>(&count);
            intptr_t result = 0;
            if (zrpc::AnswerMessage(table, count, self, msg, wp, lp, &result)) return result;
        }
        return CSecureEdit::WindowProc(msg, wp, lp);
    }
    void PostNcDestroy() override { delete this; }
};

LRESULT CALLBACK SecureEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE && !zwin::FromHandle(hwnd)) {
        bool made = zrpc::Guard(false, [&] {
            auto* field = new (std::nothrow) WindowOwnedSecureEdit;
            if (field && field->Start(hwnd)) return true;
            delete field;
            return false;
        });
        if (!made) return FALSE;
    }
    LRESULT result =
        g_editProc ? CallWindowProcW(g_editProc, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    // A window name given at creation became the edit control's text without being typed: the field
    // starts empty, its text and its contents alike.
    if (msg == WM_CREATE && result != -1) {
        if (auto* field = dynamic_cast<WindowOwnedSecureEdit*>(zwin::FromHandle(hwnd)))
            zrpc::GuardVoid([&] { field->Empty(); });
    }
    return result;
}

// Unregisters the class when the library is unloaded.
struct ClassRegistration {
    bool registered = false;
    ~ClassRegistration() {
        if (registered) UnregisterClassW(kSecureEditClassW, zrpc::SelfModule());
    }
} g_registration;

// A Unicode class: its windows receive characters as UTF-16, whatever the program's code page.
bool RegisterSecureEditClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(zrpc::SelfModule(), kSecureEditClassW, &wc)) return true;
    // The system's edit class, with this procedure in front of its own.
    if (!GetClassInfoExW(nullptr, L"EDIT", &wc)) return false;
    g_editProc = wc.lpfnWndProc;
    wc.cbSize = sizeof wc;
    wc.style |= CS_GLOBALCLASS;
    wc.lpfnWndProc = SecureEditProc;
    wc.hInstance = zrpc::SelfModule();
    wc.lpszClassName = kSecureEditClassW;
    wc.lpszMenuName = nullptr;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_registration.registered = true;
    return true;
}

} // namespace

extern "C" BOOL ZRPCFUNC_InitControls(void) {
    return zrpc::Guard(FALSE, []() -> BOOL {
        zrpc::InitCommonControlsOnce();
        return zrpc::report::RegisterReportClass() && RegisterSecureEditClass();
    });
}
