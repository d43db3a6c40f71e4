// Helpers for the tests that drive windows: message pumping, a plain Win32 dialog made in memory,
// keyboard and mouse input, the clipboard, and a scan of the process's heaps.
#ifndef ZRPC_UI_TESTING_H
#define ZRPC_UI_TESTING_H

#include <windows.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zt {

// Dispatches this thread's messages for about ms milliseconds.
inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(2);
    } while (GetTickCount() - start < ms);
}
// A plain top-level window of a class of the test's own (registered on first use) that parents the
// controls under test: proc answers its messages, state is its user data, the dialog font its font.
inline HWND MakeParentWindow(const char* className, WNDPROC proc, void* state, DWORD style, int x, int y,
                             int w, int h) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, className, "parent", style, x, y, w, h, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!parent) return nullptr;
    SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    SendMessageA(parent, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return parent;
}

// Pumps until done() or the timeout; returns done().
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        Pump(5);
    }
    return true;
}

// Runs f on another thread while this one keeps dispatching (f may send messages to our windows).
inline void OnOtherThread(const std::function<void()>& f) {
    std::atomic<bool> finished{false};
    std::thread t([&] {
        f();
        finished = true;
    });
    WaitUntil([&] { return finished.load(); }, 20000);
    t.join();
}

// A dialog template built in memory: a plain Win32 dialog that knows nothing of the library.
class DialogTemplate {
  public:
    DialogTemplate(const wchar_t* title, short cx, short cy) {
        Dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_SETFONT);
        Dword(0);
        m_countAt = m_words.size();
        Word(0);
        Word(10), Word(10), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
        Word(0), Word(0); // no menu, standard class
        Text(title);
        Word(8);
        Text(L"MS Shell Dlg");
    }
    // An item of a standard class (0x0080 button, 0x0081 edit, 0x0082 static).
    void Item(WORD cls, WORD id, DWORD style, short x, short y, short cx, short cy, const wchar_t* text) {
        if (m_words.size() % 2) Word(0); // items start on a DWORD boundary
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)),
            Word(static_cast<WORD>(cy));
        Word(id);
        Word(0xFFFF), Word(cls);
        Text(text);
        Word(0);
        ++m_words[m_countAt];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

  private:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* s) {
        for (; *s; ++s)
            Word(static_cast<WORD>(*s));
        Word(0);
    }
    std::vector<WORD> m_words;
    size_t m_countAt = 0;
};

inline void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

// Presses and releases a key (with Shift or Control held when asked), as the keyboard would.
inline void PressKey(WORD vk, WORD modifier = 0) {
    if (modifier) SendKey(modifier, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (modifier) SendKey(modifier, true);
}

// Types printable ASCII text through the keyboard input queue.
inline void TypeText(const char* text) {
    for (; *text; ++text) {
        SHORT scan = VkKeyScanA(*text);
        if (scan == -1) continue;
        PressKey(LOBYTE(scan), (HIBYTE(scan) & 1) ? VK_SHIFT : 0);
    }
}

// A left click at the centre of a window, through the mouse input queue.
inline void ClickCentre(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in[3] = {};
    for (INPUT& i : in)
        i.type = INPUT_MOUSE;
    in[0].mi.dx = x * 65535 / (sw - 1);
    in[0].mi.dy = y * 65535 / (sh - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof in[0]);
}

// Posts one WM_CHAR per byte (as an ANSI character), for characters a keyboard layout may not have.
inline void PostChars(HWND hwnd, const std::string& bytes) {
    for (unsigned char c : bytes)
        PostMessageA(hwnd, WM_CHAR, c, 1);
}

inline std::string WindowText(HWND hwnd) {
    char text[600] = "";
    int n = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

inline bool SetClipboardText(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (h) {
        std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
        GlobalUnlock(h);
        ok = SetClipboardData(CF_TEXT, h) != nullptr;
        if (!ok) GlobalFree(h);
    }
    CloseClipboard();
    return ok;
}

inline std::string ClipboardText(HWND owner) {
    std::string text;
    if (!OpenClipboard(owner)) return "<not opened>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) text = p;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

// Whether any block of any heap of this process, in use or freed, holds the n bytes at pattern.
// Allocates nothing while the heaps are locked.
inline bool HeapsHold(const void* pattern, size_t n) {
    HANDLE heaps[256];
    DWORD count = GetProcessHeaps(256, heaps);
    if (count > 256) count = 256;
    const unsigned char* p = static_cast<const unsigned char*>(pattern);
    bool found = false;
    for (DWORD h = 0; h < count && !found; ++h) {
        if (!HeapLock(heaps[h])) continue;
        PROCESS_HEAP_ENTRY e = {};
        while (!found && HeapWalk(heaps[h], &e)) {
            if (e.wFlags & (PROCESS_HEAP_REGION | PROCESS_HEAP_UNCOMMITTED_RANGE)) continue;
            const unsigned char* d = static_cast<const unsigned char*>(e.lpData);
            if (!d || e.cbData < n) continue;
            for (size_t i = 0; i + n <= e.cbData && !found; ++i)
                found = d[i] == p[0] && std::memcmp(d + i, p, n) == 0;
        }
        HeapUnlock(heaps[h]);
    }
    return found;
}

// A window's client painting, read back through WM_PRINTCLIENT into a bitmap of our own
// (width x height pixels, compatible with the screen); or, without a window, the bitmap alone to draw in.
class Picture {
  public:
    Picture(int width, int height) {
        HDC screen = GetDC(nullptr);
        m_dc = CreateCompatibleDC(screen);
        m_bmp = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        m_old = SelectObject(m_dc, m_bmp);
    }
    Picture(HWND hwnd, int width, int height) : Picture(width, height) {
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bmp);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }

  private:
    HDC m_dc = nullptr;
    HBITMAP m_bmp = nullptr;
    HGDIOBJ m_old = nullptr;
};

} // namespace zt

#endif
