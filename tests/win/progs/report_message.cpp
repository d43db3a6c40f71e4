// Test helper: sends one message to a window of another process, as any program may, and prints its
// answer; a message not answered within the time given ends with exit status 3.
//   report_message HWND MSG WPARAM LPARAM [MILLISECONDS]
// The numbers are hexadecimal (WPARAM and LPARAM as 32-bit values, sign-extended). Exit status 0, or
// 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 16)));
    if (!IsWindow(hwnd)) return 2;
    UINT msg = static_cast<UINT>(std::strtoul(argv[2], nullptr, 16));
    WPARAM wp =
        static_cast<WPARAM>(static_cast<INT_PTR>(static_cast<int>(std::strtoul(argv[3], nullptr, 16))));
    LPARAM lp = static_cast<LPARAM>(static_cast<int>(std::strtoul(argv[4], nullptr, 16)));
    UINT ms = argc > 5 ? static_cast<UINT>(std::strtoul(argv[5], nullptr, 10)) : 10000;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &answer)) return 3;
    std::printf("%ld\n", static_cast<long>(answer));
    return 0;
}
