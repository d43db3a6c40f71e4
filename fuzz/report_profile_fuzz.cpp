// Reads column profile values: a refused value changes nothing; an accepted one names distinct defined
// sub-items, is applied, and is written back in a form that reads back to the same columns and widths.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reportctrl/model/report_model.h"

using zrpc::report::ParseProfileValue;
using zrpc::report::ReportModel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    int defs = data[0] % 8;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    ReportModel m;
    for (int i = 0; i < defs; ++i) {
        _RVSUBITEM s{};
        s.iWidth = 10 + i;
        s.lpszText = "c";
        m.DefineSubItem(i, &s);
    }
    if (defs > 1) m.ActivateSubItem(1, 0);
    const std::string before = m.GetProfileValue();
    std::vector<int> widths, columns;
    bool parsed = ParseProfileValue(text.c_str(), defs, widths, columns);
    bool applied = m.ApplyProfileValue(text.c_str());
    if (parsed != applied) __builtin_trap();
    if (!applied) {
        if (m.GetProfileValue() != before) __builtin_trap();
        return 0;
    }
    if ((int)widths.size() != defs || columns.empty() || (int)columns.size() > defs) __builtin_trap();
    std::vector<bool> seen((size_t)defs, false);
    for (int c : columns) {
        if (c < 0 || c >= defs || seen[(size_t)c]) __builtin_trap();
        seen[(size_t)c] = true;
    }
    // Widths as stored; a column shown by the value is held to its limits (minimum 0 here).
    std::vector<int> stored;
    for (int i = 0; i < defs; ++i) {
        int want = widths[(size_t)i];
        if (seen[(size_t)i] && !(defs > 1 && i == 1) && want < 0) want = 0;
        if (m.GetSubItemWidth(i) != want) __builtin_trap();
        stored.push_back(want);
    }
    // What is written now reads back to the same widths and shown columns.
    std::string again = m.GetProfileValue();
    std::vector<int> w2, c2;
    if (!ParseProfileValue(again.c_str(), defs, w2, c2) || w2 != stored || c2 != m.GetColumnOrder())
        __builtin_trap();
    return 0;
}
