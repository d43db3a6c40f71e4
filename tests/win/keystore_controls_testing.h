// Shared by the tests of the key-store list and combo: a software token with several tokens, a
// plain dialog hosting one control item, and mouse clicks at a point of a window.
#ifndef ZRPC_TESTS_KEYSTORE_CONTROLS_TESTING_H
#define ZRPC_TESTS_KEYSTORE_CONTROLS_TESTING_H

#include <windows.h>
#include <commctrl.h>

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
    // The token of this handle says it holds its backup keys but gives each one's packet the serial 0.
    uint32_t zeroSerialHandle = 0;
    ZRPC_RESULT ZRPC_COMCALL MakePacket(uint32_t handle, _tNewTransferPacket* packet) override {
        const bool backup = packet && packet->type == ZRPC_PACKET_BACKUP_PUBLICKEY;
        ZRPC_RESULT rc = SoftToken::MakePacket(handle, packet);
        if (rc == 0 && backup && handle == zeroSerialHandle) packet->serial = packet->secondSerial = 0;
        return rc;
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

// A list view cell's text.
inline std::string CellText(HWND list, int row, int column) {
    char text[300] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

// A window's client area as it shows on the screen, copied once (reading pixels one by one from the
// screen asks the display for each).
class Screen {
  public:
    explicit Screen(HWND hwnd) {
        GetClientRect(hwnd, &m_rect);
        m_width = m_rect.right;
        m_height = m_rect.bottom;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = m_width;
        bi.bmiHeader.biHeight = -m_height; // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        HDC dc = GetDC(hwnd);
        m_dc = CreateCompatibleDC(dc);
        m_bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bmp);
        BitBlt(m_dc, 0, 0, m_width, m_height, dc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, dc);
        GdiFlush();
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    ~Screen() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bmp);
        DeleteDC(m_dc);
    }
    // The colour at a client point; CLR_INVALID outside the client area.
    COLORREF At(int x, int y) const {
        if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
        DWORD v = m_bits[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // The pixels within area (client coordinates, right and bottom excluded) for which match holds:
    // how many, and the smallest rectangle holding them (empty when none).
    struct Ink {
        int count = 0;
        RECT box = {0, 0, 0, 0};
        int Width() const { return box.right - box.left; }
        int Height() const { return box.bottom - box.top; }
    };
    template <typename Match> Ink Find(const RECT& area, Match match) const {
        Ink ink;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                COLORREF c = At(x, y);
                if (c == CLR_INVALID || !match(c)) continue;
                if (ink.count++ == 0) {
                    ink.box = {x, y, x + 1, y + 1};
                } else {
                    ink.box.left = x < ink.box.left ? x : ink.box.left;
                    ink.box.right = x + 1 > ink.box.right ? x + 1 : ink.box.right;
                    ink.box.top = y < ink.box.top ? y : ink.box.top;
                    ink.box.bottom = y + 1 > ink.box.bottom ? y + 1 : ink.box.bottom;
                }
            }
        return ink;
    }
    Ink Find(const RECT& area, COLORREF colour) const {
        return Find(area, [colour](COLORREF c) { return c == colour; });
    }

  private:
    RECT m_rect = {0, 0, 0, 0};
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bmp = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

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
    // The item data of every row whose deletion the list told the dialog of (LVN_DELETEITEM).
    std::vector<LPARAM> deleted;

  private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrA(hwnd, DWLP_USER, lp);
            return TRUE;
        }
        auto* self = reinterpret_cast<HostDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (self && (msg == WM_COMMAND || (self->watch && msg == self->watch)))
            self->seen.push_back({msg, wp, lp});
        if (self && msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_DELETEITEM)
            self->deleted.push_back(reinterpret_cast<NMLISTVIEW*>(lp)->lParam);
        return FALSE;
    }
    HWND m_hwnd = nullptr;
    HWND m_item = nullptr;
};

} // namespace kct

#endif
