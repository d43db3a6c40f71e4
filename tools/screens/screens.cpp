// zrpc_screens: shows the library's windows as a user sees them and saves each as a 24-bit BMP
// (cut from the screen) in the current folder. ./run screens turns them into PNG files.
//   password_box.bmp     the password box with a few masked characters typed
//   gallery_PAGE.bmp     each page of zrpc-gallery.exe (beside this program), run with its sample keys
//                        in the key store and the tokens of gallery-tokens.txt
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && GetDlgItem(hwnd, s->id)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Waits up to timeoutMs for a visible dialog of this process that has item id.
HWND WaitForDialogWithItem(int id, DWORD timeoutMs) {
    Search search = {id, nullptr};
    DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < timeoutMs) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        Sleep(20);
    }
    return search.found;
}

// Saves the screen area of hwnd (frame included) as a bottom-up 24-bit BMP.
bool SaveWindowShot(HWND hwnd, const char* path) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (mem && dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(mem, old);
    }
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    DWORD size = stride * static_cast<DWORD>(h);
    if (ok) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        FILE* f = std::fopen(path, "wb");
        ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
             std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 && std::fwrite(bits, size, 1, f) == 1;
        if (f) std::fclose(f);
    }
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool PasswordBoxShot() {
    unsigned char digest[20];
    std::atomic<bool> done{false};
    std::thread box([&] {
        ZRPCFUNC_ShowPasswordBox(nullptr, "Enter the password of the key store:", digest, 1);
        done = true;
    });
    bool ok = false;
    if (HWND dialog = WaitForDialogWithItem(IDC_PASSWORD_FIELD, 10000)) {
        HWND field = GetDlgItem(dialog, IDC_PASSWORD_FIELD);
        for (char c : std::string("secret"))
            PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
        Sleep(700); // typed, redrawn, caret shown
        ok = SaveWindowShot(dialog, "password_box.bmp");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    box.join();
    return ok && done;
}

std::string ProgramDir() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// Runs the gallery on one page, waits for its window (title given), lets prepare type into it, saves
// the window and closes it.
bool GalleryShot(const char* page, const wchar_t* title, bool sampleKeys, void (*prepare)(HWND)) {
    std::string dir = ProgramDir();
    std::string command =
        "\"" + dir + "zrpc-gallery.exe\" --token \"" + dir + "gallery-tokens.txt\" --page " + page;
    if (sampleKeys) command += " --sample-keys";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); !window && GetTickCount() - start < 20000; Sleep(50)) {
        HWND w = FindWindowW(nullptr, title);
        if (w && IsWindowVisible(w)) window = w;
    }
    bool ok = false;
    if (window) {
        SetForegroundWindow(window);
        if (prepare) prepare(window);
        Sleep(800); // drawn
        std::string file = std::string("gallery_") + page + ".bmp";
        ok = SaveWindowShot(window, file.c_str());
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        ok = false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok;
}

void TypePassword(HWND page) {
    HWND field = GetDlgItem(page, 101);
    for (char c : std::string("secret"))
        PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    Sleep(300);
    SendMessageA(GetDlgItem(page, 102), BM_CLICK, 0, 0);
}

} // namespace

int main() {
    int failures = 0;
    if (!PasswordBoxShot()) {
        std::fprintf(stderr, "zrpc_screens: password box not captured\n");
        ++failures;
    }
    const struct {
        const char* page;
        const wchar_t* title;
        void (*prepare)(HWND);
    } pages[] = {{"password", L"Gallery: password field and password box", TypePassword},
                 {"tokens", L"Gallery: token list", nullptr},
                 {"keys", L"Gallery: key list", nullptr},
                 {"keystore", L"Gallery: key-store list", nullptr},
                 {"combo", L"Gallery: backup-key combo", nullptr},
                 {"report", L"Gallery: report control, list", nullptr},
                 {"tree", L"Gallery: report control, tree", nullptr},
                 {"virtual", L"Gallery: report control, 100,000 virtual rows", nullptr}};
    bool first = true;
    for (const auto& p : pages) {
        if (!GalleryShot(p.page, p.title, first, p.prepare)) {
            std::fprintf(stderr, "zrpc_screens: gallery page %s not captured\n", p.page);
            ++failures;
        }
        first = false;
    }
    return failures;
}
