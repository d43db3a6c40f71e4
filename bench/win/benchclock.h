// Timing and file helpers shared by the Windows benchmarks.
#ifndef ZRPC_BENCH_CLOCK_H
#define ZRPC_BENCH_CLOCK_H

#include <windows.h>

#include <algorithm>
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

#endif
