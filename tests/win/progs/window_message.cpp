// Test helper: talks to a window of another process.
//   window_message get HWND        prints the window text (WM_GETTEXT) as hex bytes
//   window_message set HWND TEXT   sends WM_SETTEXT and prints its answer
//   window_message paste HWND      sends WM_PASTE
// HWND is hexadecimal. Exit status 0, or 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[2], nullptr, 16)));
    if (!IsWindow(hwnd)) return 2;
    if (!std::strcmp(argv[1], "get")) {
        char text[600] = "";
        LRESULT n = SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        for (LRESULT i = 0; i < n; ++i)
            std::printf("%02x", static_cast<unsigned char>(text[i]));
        std::printf("\n");
        return 0;
    }
    if (!std::strcmp(argv[1], "set") && argc == 4) {
        LRESULT r = SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        std::printf("%ld\n", static_cast<long>(r));
        return 0;
    }
    if (!std::strcmp(argv[1], "paste")) {
        SendMessageA(hwnd, WM_PASTE, 0, 0);
        return 0;
    }
    return 2;
}
