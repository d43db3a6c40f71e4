// Speed and memory of the report model on 100,000 items of 3 sub-items (texts of 8 to 24 characters),
// next to plain standard-library peers on the same strings in the same run, and a tree of 100,000 nodes
// (100 top-level nodes of 1,000 children each). The ratios asked of the model are printed at the end:
//   sort                 <= 2 x std::stable_sort of the same strings
//   reading every cell   <= 3 x a plain std::vector walk copying the same texts
//   tree sort            <= 2 x the list sort of the same count
//   memory per item      <= 2 x the bytes of its texts + 64
#include "reportctrl/model/report_model.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

using zrpc::report::ReportModel;

namespace {

constexpr int kItems = 100000;
constexpr int kSubItems = 3;
constexpr int kFinds = 1000;
constexpr int kTop = 100;
constexpr int kChildren = 1000;

std::vector<std::array<std::string, kSubItems>> MakeTexts() {
    std::mt19937 rng(12345);
    std::vector<std::array<std::string, kSubItems>> t((size_t)kItems);
    for (auto& row : t)
        for (std::string& s : row) {
            size_t len = 8 + rng() % 17;
            s.resize(len);
            for (char& c : s)
                c = (char)('a' + rng() % 26);
        }
    return t;
}

const std::vector<std::array<std::string, kSubItems>>& Texts() {
    static const auto t = MakeTexts();
    return t;
}

void Define(ReportModel& m) {
    static const char* names[kSubItems] = {"Name", "Kind", "Note"};
    for (int i = 0; i < kSubItems; ++i) {
        _RVSUBITEM s{};
        s.nFormat = RV_HDF_STRING;
        s.iWidth = 100;
        s.lpszText = names[i];
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
}

void Fill(ReportModel& m) {
    const auto& t = Texts();
    for (int i = 0; i < kItems; ++i) {
        m.AddItem(t[(size_t)i][0].c_str());
        for (int s = 1; s < kSubItems; ++s)
            m.SetItemText(i, s, t[(size_t)i][(size_t)s].c_str());
    }
}

ReportModel& List() {
    static ReportModel* m = [] {
        auto* r = new ReportModel;
        Define(*r);
        Fill(*r);
        return r;
    }();
    return *m;
}

void BM_List_Insert(benchmark::State& state) {
    for (auto _ : state) {
        ReportModel m;
        Define(m);
        Fill(m);
        benchmark::DoNotOptimize(m.GetItemCount());
    }
}

void SortBench(benchmark::State& state, bool ascending) {
    ReportModel& m = List();
    std::vector<int> original(m.GetItemRowArray());
    for (int i = 0; i < kItems; ++i)
        original[(size_t)i] = i;
    for (auto _ : state) {
        state.PauseTiming();
        m.SetItemRowArray(original);
        state.ResumeTiming();
        m.SortItems(0, ascending);
    }
    int a = m.GetItemFromRow(0), b = m.GetItemFromRow(kItems - 1);
    bool ordered = ascending ? Texts()[(size_t)a][0] <= Texts()[(size_t)b][0]
                             : Texts()[(size_t)a][0] >= Texts()[(size_t)b][0];
    if (!ordered) state.SkipWithError("not sorted");
}
void BM_List_SortAscending(benchmark::State& state) {
    SortBench(state, true);
}
void BM_List_SortDescending(benchmark::State& state) {
    SortBench(state, false);
}

void PeerSortBench(benchmark::State& state, bool ascending) {
    std::vector<std::string> original;
    for (const auto& row : Texts())
        original.push_back(row[0]);
    std::vector<std::string> v;
    for (auto _ : state) {
        state.PauseTiming();
        v = original;
        state.ResumeTiming();
        if (ascending)
            std::stable_sort(v.begin(), v.end());
        else
            std::stable_sort(v.begin(), v.end(), std::greater<std::string>());
        benchmark::DoNotOptimize(v.data());
    }
}
void BM_Peer_StableSortAscending(benchmark::State& state) {
    PeerSortBench(state, true);
}
void BM_Peer_StableSortDescending(benchmark::State& state) {
    PeerSortBench(state, false);
}

void BM_List_Find1000(benchmark::State& state) {
    ReportModel& m = List();
    int found = 0;
    for (auto _ : state) {
        for (int k = 0; k < kFinds; ++k) {
            int i = (int)((k * 7919L) % kItems);
            _RVFINDINFO f{};
            f.nFlags = RVFI_LABEL;
            f.lpszText = Texts()[(size_t)i][0].c_str();
            found += m.FindItem(&f, 0, -1) >= 0;
        }
    }
    if (found != (int)state.iterations() * kFinds) state.SkipWithError("not found");
}

void BM_List_SelectAllCopy(benchmark::State& state) {
    ReportModel& m = List();
    size_t bytes = 0;
    for (auto _ : state) {
        m.SelectAll();
        std::string text = m.GetCopyText();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    m.ClearSelection();
    state.counters["bytes"] = (double)bytes;
}

void BM_List_ReadEveryCell(benchmark::State& state) {
    ReportModel& m = List();
    char buffer[256];
    size_t total = 0;
    for (auto _ : state) {
        for (int i = 0; i < kItems; ++i)
            for (int s = 0; s < kSubItems; ++s)
                total += (size_t)m.GetItemText(i, s, buffer, sizeof buffer);
    }
    benchmark::DoNotOptimize(total);
}

void BM_Peer_VectorWalk(benchmark::State& state) {
    const auto& t = Texts();
    char buffer[256];
    size_t total = 0;
    for (auto _ : state) {
        for (int i = 0; i < kItems; ++i)
            for (int s = 0; s < kSubItems; ++s) {
                const std::string& x = t[(size_t)i][(size_t)s];
                size_t n = std::min(x.size(), sizeof buffer - 1);
                std::memcpy(buffer, x.data(), n);
                buffer[n] = 0;
                benchmark::DoNotOptimize(buffer);
                total += n;
            }
    }
    benchmark::DoNotOptimize(total);
}

void FillTree(ReportModel& m) {
    const auto& t = Texts();
    int k = 0;
    for (int p = 0; p < kTop; ++p) {
        _TREEITEM* top = m.InsertItem(t[(size_t)k++][0].c_str(), -1, -1, -1, TVI_ROOT, TVI_LAST);
        for (int c = 0; c < kChildren - 1 && k < kItems; ++c)
            m.InsertItem(t[(size_t)k++][0].c_str(), -1, -1, -1, top, TVI_LAST);
    }
}

ReportModel* NewTree() {
    auto* m = new ReportModel;
    Define(*m);
    m->ModifyStyle(0, RVS_TREEMODE);
    FillTree(*m);
    return m;
}

void BM_Tree_Insert(benchmark::State& state) {
    for (auto _ : state) {
        ReportModel* m = NewTree();
        benchmark::DoNotOptimize(m->GetRowCount());
        state.PauseTiming();
        delete m;
        state.ResumeTiming();
    }
}

void BM_Tree_SortRecursive(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ReportModel* m = NewTree();
        m->GetRowCount(); // rows of the insertions built before the clock runs
        state.ResumeTiming();
        m->SortItems(0, true);
        benchmark::DoNotOptimize(m->GetRowCount());
        state.PauseTiming();
        delete m;
        state.ResumeTiming();
    }
}

void BM_Tree_ExpandAll(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ReportModel* m = NewTree();
        m->GetRowCount();
        state.ResumeTiming();
        m->ExpandAll(TVI_ROOT, 1, -1);
        if (m->GetRowCount() != kTop * kChildren) state.SkipWithError("rows");
        state.PauseTiming();
        delete m;
        state.ResumeTiming();
    }
}

// Times in nanoseconds per iteration, by benchmark name.
std::map<std::string, double> g_times;

class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.iterations > 0)
                g_times[r.benchmark_name()] = r.real_accumulated_time * 1e9 / (double)r.iterations;
        ConsoleReporter::ReportRuns(runs);
    }
};

size_t HeapInUse() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

void PrintMemory() {
    Texts(); // the peer's strings are not the model's
    size_t before = HeapInUse();
    auto* m = new ReportModel;
    Define(*m);
    Fill(*m);
    size_t after = HeapInUse();
    double texts = 0;
    for (const auto& row : Texts())
        for (const std::string& s : row)
            texts += (double)s.size();
    double perItem = (double)(after - before) / kItems, textPerItem = texts / kItems;
    std::printf("memory per item: %.1f bytes (texts %.1f bytes; limit 2 x texts + 64 = %.1f) -> %s\n",
                perItem, textPerItem, 2 * textPerItem + 64,
                perItem <= 2 * textPerItem + 64 ? "within" : "OVER");
    delete m;
}

void Ratio(const char* what, const char* a, const char* b, double limit) {
    auto x = g_times.find(a), y = g_times.find(b);
    if (x == g_times.end() || y == g_times.end() || y->second <= 0) {
        std::printf("%-44s: not measured\n", what);
        return;
    }
    double r = x->second / y->second;
    std::printf("%-44s: %5.2f (limit %.0f) -> %s\n", what, r, limit, r <= limit ? "within" : "OVER");
}

} // namespace

BENCHMARK(BM_List_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List_SortAscending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_StableSortAscending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List_SortDescending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_StableSortDescending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List_Find1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List_SelectAllCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List_ReadEveryCell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_VectorWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tree_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tree_SortRecursive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tree_ExpandAll)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PrintMemory();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nratios (same run):\n");
    Ratio("sort ascending / std::stable_sort", "BM_List_SortAscending", "BM_Peer_StableSortAscending", 2);
    Ratio("sort descending / std::stable_sort", "BM_List_SortDescending", "BM_Peer_StableSortDescending", 2);
    Ratio("read every cell / plain vector walk", "BM_List_ReadEveryCell", "BM_Peer_VectorWalk", 3);
    Ratio("tree sort / list sort of the same count", "BM_Tree_SortRecursive", "BM_List_SortAscending", 2);
    return 0;
}
