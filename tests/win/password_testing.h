// Helpers of the password field and password box tests: a Unicode message loop (a Unicode window
// pumped by an 8-bit loop gets its characters squeezed through the code page), characters typed as
// UTF-16 through the keyboard queue, an input method composing on the field's own context, digests,
// the heap scan for both forms of a text, where a window's drawing leaves ink, and the password box run
// on a thread of its own.
#ifndef ZRPC_PASSWORD_TESTING_H
#define ZRPC_PASSWORD_TESTING_H

#include <windows.h>
#include <imm.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "crypto/sha1.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcfunc.h"

namespace zpt {

// Dispatches this thread's messages, Unicode messages as such, for about ms milliseconds.
inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(2);
    } while (GetTickCount() - start < ms);
}

inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        Pump(5);
    }
    return true;
}

// Types text through the keyboard queue as the system's on-screen keyboards and input tools do: one
// key press per UTF-16 unit (VK_PACKET), so any script comes through whatever the keyboard layout.
inline void TypeUnicode(const std::wstring& text) {
    for (wchar_t unit : text) {
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = unit;
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof in[0]);
    }
}

inline std::wstring WindowTextW(HWND hwnd) {
    wchar_t text[1100] = L"";
    int n = GetWindowTextW(hwnd, text, 1100);
    return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

inline std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

inline std::string Sha1Of(const std::string& bytes) {
    uint8_t d[20];
    zrpc::Sha1Digest(bytes.data(), bytes.size(), d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

// The digest of a zero-ended text without a heap copy of it (for the tests that scan the heap).
inline std::string Sha1OfText(const char* text) {
    uint8_t d[20];
    zrpc::Sha1Digest(text, std::strlen(text), d);
    return std::string(reinterpret_cast<char*>(d), 20);
}

// Whether any heap block of the process, in use or freed, holds the text (at most 63 characters,
// ASCII) as 8-bit characters or as UTF-16, or holds its end from the ninth character on (a freed block
// begins with the heap's own bookkeeping, written over the first bytes of what it held). The UTF-16
// form is made on the stack: the scan must not find its own copy.
inline bool HeapsHoldEitherForm(const char* ascii) {
    const size_t n = std::strlen(ascii);
    wchar_t wide[64] = {};
    if (n >= 64) return true;
    for (size_t i = 0; i < n; ++i)
        wide[i] = static_cast<unsigned char>(ascii[i]);
    const size_t from = n >= 20 ? 8 : 0;
    return zt::HeapsHold(ascii + from, n - from) || zt::HeapsHold(wide + from, (n - from) * sizeof(wchar_t));
}

// The input method functions of imm32, as an input method's client uses them.
class InputMethod {
  public:
    InputMethod() {
        m_module = LoadLibraryA("imm32.dll");
        getContext = Get<decltype(getContext)>("ImmGetContext");
        releaseContext = Get<decltype(releaseContext)>("ImmReleaseContext");
        setString = Get<decltype(setString)>("ImmSetCompositionStringW");
        notify = Get<decltype(notify)>("ImmNotifyIME");
        setOpen = Get<decltype(setOpen)>("ImmSetOpenStatus");
    }
    ~InputMethod() {
        if (m_module) FreeLibrary(m_module);
    }
    InputMethod(const InputMethod&) = delete;
    InputMethod& operator=(const InputMethod&) = delete;
    bool Usable() const { return getContext && releaseContext && setString && notify && setOpen; }

    // Composes text on the window's own input context (the window has the focus), as a user does with
    // an input method open: the text being composed first, then, when complete, the result.
    // The input method sends its messages while it is called: pump false composes without dispatching
    // anything else (from a hook, say).
    bool Compose(HWND hwnd, const std::wstring& text, bool complete, bool pump = true) {
        HIMC context = getContext(hwnd);
        if (!context) return false;
        setOpen(context, TRUE);
        bool ok = setString(context, SCS_SETSTR, (void*)text.c_str(), (DWORD)(text.size() * sizeof(wchar_t)),
                            nullptr, 0) != FALSE;
        if (pump) Pump(30);
        if (ok && complete) ok = notify(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0) != FALSE;
        if (pump) Pump(30);
        releaseContext(hwnd, context);
        return ok;
    }
    // Ends a composition without a result.
    void Cancel(HWND hwnd) {
        HIMC context = getContext(hwnd);
        if (!context) return;
        notify(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
        releaseContext(hwnd, context);
        Pump(30);
    }

    HIMC(WINAPI* getContext)(HWND) = nullptr;
    BOOL(WINAPI* releaseContext)(HWND, HIMC) = nullptr;
    BOOL(WINAPI* setString)(HIMC, DWORD, LPVOID, DWORD, LPVOID, DWORD) = nullptr;
    BOOL(WINAPI* notify)(HIMC, DWORD, DWORD, DWORD) = nullptr;
    BOOL(WINAPI* setOpen)(HIMC, BOOL) = nullptr;

  private:
    template <class F> F Get(const char* name) {
        return m_module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_module, name)))
                        : nullptr;
    }
    HMODULE m_module = nullptr;
};

// The pixels of a window's client drawing that are not the background: their bounding box, their
// count and the columns of ink separated by blank columns (one per glyph for a row of bullets).
struct Ink {
    int left = 0, top = 0, right = -1, bottom = -1, pixels = 0, runs = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    bool onlyTextColour = true; // every ink pixel is the given text colour
};

inline Ink InkOf(HWND hwnd, COLORREF background, COLORREF text) {
    RECT r;
    GetClientRect(hwnd, &r);
    zt::Picture picture(hwnd, r.right, r.bottom);
    Ink ink;
    ink.left = r.right;
    ink.top = r.bottom;
    bool previous = false;
    for (int x = 0; x < r.right; ++x) {
        bool column = false;
        for (int y = 0; y < r.bottom; ++y) {
            COLORREF c = picture.At(x, y);
            if (c == background) continue;
            column = true;
            ++ink.pixels;
            if (c != text) ink.onlyTextColour = false;
            if (x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
            if (y < ink.top) ink.top = y;
            if (y > ink.bottom) ink.bottom = y;
        }
        if (column && !previous) ++ink.runs;
        previous = column;
    }
    return ink;
}

// The language module the library loads (the ResourceDll setting of the user's settings).
inline std::string LanguageModule() {
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    RegGetValueA(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll", RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}

// The width of the picture of the password box a language module has for a density: its 200 % or
// 150 % picture where it has that one, the nearest smaller one where not.
inline int ModulePictureWidth(const std::string& modulePath, UINT dpi) {
    HMODULE module = LoadLibraryExA(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 0;
    const struct { UINT id, fromDpi; } pictures[] = {{745 + 30000, 168}, {745 + 20000, 120}, {745, 0}};
    int width = 0;
    for (const auto& p : pictures) {
        if (dpi < p.fromDpi) continue;
        HBITMAP b = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(p.id), IMAGE_BITMAP, 0, 0, 0));
        if (!b) continue;
        BITMAP info = {};
        GetObjectA(b, sizeof info, &info);
        DeleteObject(b);
        width = info.bmWidth;
        break;
    }
    FreeLibrary(module);
    return width;
}

// The width of the picture a password box shows.
inline int ShownPictureWidth(HWND box) {
    HBITMAP shown = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(box, 1000, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info = {};
    return shown && GetObjectA(shown, sizeof info, &info) ? info.bmWidth : 0;
}

// The height of the font a window draws with (WM_GETFONT), as the font was asked for.
inline LONG FontHeight(HWND hwnd) {
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    return font && GetObjectA(font, sizeof lf, &lf) ? lf.lfHeight : 0;
}

// The password box's items, as the language module's template has them.
constexpr int kBoxPrompt = 2082, kBoxField = 2077;
constexpr unsigned char kUntouched = 0xAB;

struct Finder {
    bool ownProcess;
    HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<Finder*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if ((pid == GetCurrentProcessId()) == f->ownProcess && !std::strcmp(cls, "#32770") &&
        GetDlgItem(hwnd, kBoxField) && GetDlgItem(hwnd, kBoxPrompt) && IsWindowVisible(hwnd)) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible password box of this process (or of another process), waiting for it to appear.
HWND WaitForBox(bool ownProcess = true) {
    Finder f = {ownProcess, nullptr};
    zt::WaitUntil(
        [&] {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&f));
            return f.found != nullptr;
        },
        10000);
    return f.found;
}

bool OkEnabled(HWND box) {
    return IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE;
}

// ZRPCFUNC_ShowPasswordBox on a thread of its own (its modal loop), answered from the test's thread.
class Box {
  public:
    Box(const char* prompt, int hideMode, bool withOwner = false) {
        std::memset(digest, kUntouched, sizeof digest);
        thread = std::thread([=] {
            HWND owner = nullptr;
            if (withOwner) {
                owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                        nullptr, nullptr, nullptr);
                this->owner = owner;
            }
            rc = ZRPCFUNC_ShowPasswordBox(owner, prompt, digest, hideMode);
            if (owner) {
                ownerAliveAfter = IsWindow(owner) != FALSE;
                DestroyWindow(owner);
            }
            done = true;
        });
        hwnd = WaitForBox();
        if (hwnd) {
            field = GetDlgItem(hwnd, kBoxField);
            SetForegroundWindow(hwnd);
        }
    }
    ~Box() {
        if (!done && hwnd) PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
        thread.join();
    }
    bool Ended() {
        return zt::WaitUntil([&] { return done.load(); }, 5000);
    }
    bool Digest(const std::string& expected) const { return std::memcmp(digest, expected.data(), 20) == 0; }
    bool Untouched() const {
        for (unsigned char c : digest)
            if (c != kUntouched) return false;
        return true;
    }

    HWND hwnd = nullptr, field = nullptr;
    std::atomic<HWND> owner{nullptr};
    std::atomic<bool> done{false};
    bool ownerAliveAfter = false;
    unsigned long rc = 999;
    unsigned char digest[20];
    std::thread thread;
};

} // namespace zpt

#endif
