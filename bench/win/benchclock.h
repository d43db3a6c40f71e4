// Timing and file helpers shared by the Windows benchmarks.
#ifndef ZRPC_BENCH_CLOCK_H
#define ZRPC_BENCH_CLOCK_H

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Milliseconds from the performance counter.
inline double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Reads a whole file into data (the raw traffic the key store benchmarks compare with).
inline bool ReadAll(const std::string& path, std::string& data) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    GetFileSizeEx(f, &size);
    data.resize((size_t)size.QuadPart);
    DWORD got = 0;
    bool ok =
        data.empty() || (::ReadFile(f, &data[0], (DWORD)data.size(), &got, nullptr) && got == data.size());
    CloseHandle(f);
    return ok;
}

// Reads a whole file into fresh memory (pages the process never touched before), as a program that
// reads the file once does, and gives the memory back: what one read of a file costs, whatever the
// heap happens to hold from earlier work.
inline bool ReadFresh(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) != 0;
    char* block = ok ? static_cast<char*>(VirtualAlloc(nullptr, (SIZE_T)size.QuadPart + 1,
                                                       MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
                     : nullptr;
    DWORD got = 0;
    ok = block && ::ReadFile(f, block, (DWORD)size.QuadPart, &got, nullptr) && got == size.QuadPart;
    if (block) VirtualFree(block, 0, MEM_RELEASE);
    CloseHandle(f);
    return ok;
}

// Writes a whole file and flushes it to the disk, as the key store writes its files.
inline bool WriteAll(const std::string& path, const std::string& data) {
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD wrote = 0;
    bool ok = ::WriteFile(f, data.data(), (DWORD)data.size(), &wrote, nullptr) && wrote == data.size();
    ok = FlushFileBuffers(f) && ok;
    CloseHandle(f);
    return ok;
}

// The build this benchmark is, and what runs it: Windows benchmarks run the 64-bit twin of the
// library's sources where the machine runs no 32-bit code natively (timings under emulation say
// nothing), the 32-bit product elsewhere.
inline void PrintBuild() {
    typedef const char*(CDECL * VersionFn)();
    VersionFn wine = reinterpret_cast<VersionFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    std::printf("build: %s, mingw-w64 g++ %s, %s; running under %s%s\n",
                sizeof(void*) == 8 ? "the 64-bit twin (x86_64) of the library's sources, not the product"
                                   : "the 32-bit product (i686)",
                __VERSION__,
#if defined(NDEBUG) && defined(__OPTIMIZE__)
                "optimised",
#else
                "NOT optimised",
#endif
                wine ? "Wine " : "Windows", wine ? wine() : "");
}

// "what   ours ms   ratio x peer   (aim <= x) -> met / NOT met".
inline void PrintAim(const char* what, double ours, double ratio, const char* peer, double aim) {
    std::printf("  %-44s %9.1f ms   %5.2f x %-6s (aim <= %.1f) -> %s\n", what, ours, ratio, peer, aim,
                ratio <= aim ? "met" : "NOT met");
}

#endif
