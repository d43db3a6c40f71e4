// Start-up cost of each language module: LoadLibrary and FreeLibrary of zrpcfunc.dll with ResourceDll
// naming the English, German and stretched modules in turn, interleaved in one run. Prints the median
// of each and the ratio to English. The setting is restored at the end.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/win/benchclock.h"

namespace {

const char kSettingsKey[] = "Software\\Quillon Limited\\Corvane+\\Settings";
constexpr int kRounds = 41;

std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

bool SetResourceDll(HKEY key, const std::string& value) {
    return RegSetValueExA(key, "ResourceDll", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          (DWORD)value.size() + 1) == ERROR_SUCCESS;
}

} // namespace

int main() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return 1;
    char old[MAX_PATH] = {0};
    DWORD oldSize = sizeof old - 1, type = 0;
    bool hadOld = RegQueryValueExA(key, "ResourceDll", nullptr, &type, reinterpret_cast<BYTE*>(old),
                                   &oldSize) == ERROR_SUCCESS;

    const char* const modules[] = {"zrpcres.dll", "zrpcres-de.dll", "zrpcres-xx.dll"};
    std::vector<double> times[3];
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int m = 0; m < 3; ++m) {
            SetResourceDll(key, ProgramDir() + "\\" + modules[m]);
            double start = NowMs();
            HMODULE lib = LoadLibraryA("zrpcfunc.dll");
            if (lib) FreeLibrary(lib);
            double end = NowMs();
            if (!lib) ++failures;
            if (round > 0) times[m].push_back(end - start); // the first round warms the file cache
        }
    }
    if (hadOld)
        SetResourceDll(key, old);
    else
        RegDeleteValueA(key, "ResourceDll");
    RegCloseKey(key);

    double english = Median(times[0]);
    std::printf(
        "LoadLibrary + FreeLibrary of zrpcfunc.dll, median of %d rounds (ratio to English; aim <= 1.0)\n",
        kRounds - 1);
    for (int m = 0; m < 3; ++m)
        std::printf("  %-16s %8.3f ms   %5.2f\n", modules[m], Median(times[m]), Median(times[m]) / english);
    if (failures) std::printf("  %d loads failed\n", failures);
    return failures ? 1 : 0;
}
