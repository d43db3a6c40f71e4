// Shared by the tests of the key-store list and combo: a software token with several tokens, a
// plain dialog hosting one control item, and mouse clicks at a point of a window.
#ifndef ZRPC_TESTS_KEYSTORE_CONTROLS_TESTING_H
#define ZRPC_TESTS_KEYSTORE_CONTROLS_TESTING_H

#include <windows.h>

#include <string>
#include <vector>

#include "standins/token/softtoken.h"
#include "tests/win/keystore_testing.h"
#include "tests/win/ui_testing.h"

namespace kct {

// Handle 1: own key 5A5A0001, both backup keys. Handle 2: no backup key. Handle 3: backup key 2 only.
constexpr char kTokens[] = "token Alice's Token\n"
                           "pubkey 5A5A0001\n"
                           "backup1 B0000001\n"
                           "backup2 B0000002\n"
                           "token Bare Token\n"
                           "pubkey 5A5A0002\n"
                           "token Half Token\n"
                           "pubkey 5A5A0003\n"
                           "backup2 B0000022\n";

class Tokens : public SoftToken {
  public:
    Tokens() {
        std::string error;
        EXPECT_TRUE(LoadText(kTokens, &error)) << error;
    }
};

// A left click at a point in client coordinates of hwnd, through the mouse input queue; with
// doubleClick the button goes down and up twice.
inline void ClickAt(HWND hwnd, POINT p, bool doubleClick = false) {
    ClientToScreen(hwnd, &p);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in[5] = {};
    for (INPUT& i : in)
        i.type = INPUT_MOUSE;
    in[0].mi.dx = p.x * 65535 / (sw - 1);
    in[0].mi.dy = p.y * 65535 / (sh - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    in[3].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[4].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(doubleClick ? 5 : 3, in, sizeof in[0]);
}

// A plain modeless dialog with one item of a window class named by its class name.
class HostDialog {
  public:
    HostDialog(const wchar_t* cls, WORD id, DWORD style, short cx, short cy) {
        std::vector<WORD> w;
        auto word = [&](WORD v) { w.push_back(v); };
        auto dword = [&](DWORD v) {
            word(LOWORD(v));
            word(HIWORD(v));
        };
        auto text = [&](const wchar_t* s) {
            for (; *s; ++s)
                word(static_cast<WORD>(*s));
            word(0);
        };
        dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT);
        dword(0);
        word(1);
        word(10), word(10), word(static_cast<WORD>(cx + 20)), word(static_cast<WORD>(cy + 20));
        word(0), word(0);
        text(L"host");
        word(8);
        text(L"MS Shell Dlg");
        if (w.size() % 2) word(0);
        dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | style);
        dword(0);
        word(10), word(10), word(static_cast<WORD>(cx)), word(static_cast<WORD>(cy));
        word(id);
        text(cls);
        word(0);
        word(0);
        m_hwnd =
            CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(w.data()),
                                       nullptr, Proc, reinterpret_cast<LPARAM>(this));
        m_item = GetDlgItem(m_hwnd, id);
    }
    ~HostDialog() {
        if (IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
    }
    HostDialog(const HostDialog&) = delete;
    HostDialog& operator=(const HostDialog&) = delete;

    HWND Handle() const { return m_hwnd; }
    HWND Item() const { return m_item; }
    // Messages the dialog received: (message, wParam, lParam).
    struct Seen {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Seen> seen;
    UINT watch = 0; // a registered message to record besides WM_COMMAND

  private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrA(hwnd, DWLP_USER, lp);
            return TRUE;
        }
        auto* self = reinterpret_cast<HostDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (self && (msg == WM_COMMAND || (self->watch && msg == self->watch)))
            self->seen.push_back({msg, wp, lp});
        return FALSE;
    }
    HWND m_hwnd = nullptr;
    HWND m_item = nullptr;
};

} // namespace kct

#endif
