// What the native benchmarks print besides Google Benchmark's table: which build ran, and every ratio
// against its peer with its aim. Each benchmark runs several times, the repetitions of all benchmarks
// interleaved at random so that a change in the machine's load falls on both sides of a ratio alike;
// ratios compare the medians of the CPU time per iteration (the time the process itself ran; the wall
// clock's ratio is shown beside it). Google Benchmark's rates (bytes per second) are per CPU second too.
#ifndef ZRPC_BENCH_REPORT_H
#define ZRPC_BENCH_REPORT_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchreport {

// The median over the repetitions of the CPU and the real seconds per iteration, by benchmark name.
struct Times {
    double cpu = 0, real = 0;
};
inline std::map<std::string, Times>& Recorded() {
    static std::map<std::string, Times> times;
    return times;
}

class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median" || r.iterations <= 0)
                continue;
            Times& t = Recorded()[r.run_name.str()];
            t.cpu = r.cpu_accumulated_time / (double)r.iterations;
            t.real = r.real_accumulated_time / (double)r.iterations;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// The build these benchmarks were compiled as.
inline void PrintBuild() {
    std::printf("build: native %s, %s, %s (", sizeof(void*) == 8 ? "x86_64" : "32-bit",
#if defined(__clang__)
                "clang " __clang_version__,
#else
                "g++ " __VERSION__,
#endif
#if defined(NDEBUG) && defined(__OPTIMIZE__)
                "optimised release build"
#else
                "NOT an optimised release build"
#endif
    );
    std::printf("the library's portable sources, as the benchmarks' release tree builds them)\n");
}

// "what: ours / peer = ratio (aim <= x or >= x) -> met / NOT met". speed: the ratio is of speeds (the
// peer's time over ours), else of times.
inline void PrintRatio(const char* what, const std::string& ours, const std::string& peer, double aim,
                       bool speed, bool atMost) {
    auto a = Recorded().find(ours), b = Recorded().find(peer);
    if (a == Recorded().end() || b == Recorded().end()) {
        std::printf("  %-52s not measured\n", what);
        return;
    }
    double mine = a->second.cpu, theirs = b->second.cpu;
    double ratio = speed ? theirs / mine : mine / theirs;
    double wall = speed ? b->second.real / a->second.real : a->second.real / b->second.real;
    bool met = atMost ? ratio <= aim : ratio >= aim;
    std::printf("  %-52s %6.2f %s (wall clock %.2f)   aim %s %.2f -> %s\n", what, ratio,
                speed ? "x its speed" : "x its time ", wall, atMost ? "<=" : ">=", aim,
                met ? "met" : "NOT met");
}

// A ratio printed for information only.
inline void PrintRatioNoAim(const char* what, const std::string& ours, const std::string& peer, bool speed) {
    auto a = Recorded().find(ours), b = Recorded().find(peer);
    if (a == Recorded().end() || b == Recorded().end()) {
        std::printf("  %-52s not measured\n", what);
        return;
    }
    double mine = a->second.cpu, theirs = b->second.cpu;
    std::printf("  %-52s %6.2f %s   (no aim)\n", what, speed ? theirs / mine : mine / theirs,
                speed ? "x its speed" : "x its time ");
}

// Runs every registered benchmark `repetitions` times, interleaved, then the caller prints its ratios.
inline int Run(int argc, char** argv, int repetitions) {
    std::vector<std::string> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=" + std::to_string(repetitions);
    args.insert(args.begin() + 1, {reps, "--benchmark_enable_random_interleaving=true",
                                   "--benchmark_display_aggregates_only=true"});
    std::vector<char*> pointers;
    for (std::string& s : args)
        pointers.push_back(&s[0]);
    int count = (int)pointers.size();
    benchmark::Initialize(&count, pointers.data());
    if (benchmark::ReportUnrecognizedArguments(count, pointers.data())) return 1;
    PrintBuild();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace benchreport

#endif
