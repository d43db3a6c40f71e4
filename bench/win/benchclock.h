// Timing helpers shared by the Windows benchmarks.
#ifndef ZRPC_BENCH_CLOCK_H
#define ZRPC_BENCH_CLOCK_H

#include <windows.h>

#include <algorithm>
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

#endif
