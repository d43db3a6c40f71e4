// Shared pieces of the report model tests: a host that records notifications and can veto selection
// changes or answer data requests, and a control with three shown sub-items.
#ifndef ZRPC_TESTS_REPORT_FIXTURE_H
#define ZRPC_TESTS_REPORT_FIXTURE_H

#include "reportctrl/model/report_model.h"

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace reporttest {

using zrpc::report::ReportHost;
using zrpc::report::ReportModel;

struct Note {
    uint32_t code;
    int item;
    uint32_t state;
    RV_LPARAM lParam;
};

struct RecordingHost : ReportHost {
    std::vector<Note> notes;
    std::set<int> vetoSelect;           // items whose selection change is refused
    std::function<void(_RVITEM&)> data; // answers RVN_NEEDDATA
    int needData = 0;
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code == RVN_NEEDDATA) {
            ++needData;
            _RVITEM& r = reinterpret_cast<_NMRVITEMCALLBACK*>(hdr)->item;
            r.nMask = 0;
            if (data) data(r);
            return 0;
        }
        auto* nm = reinterpret_cast<_NMREPORTVIEW*>(hdr);
        notes.push_back({hdr->code, nm->iItem, nm->nState, nm->lParam});
        if (hdr->code == RVN_SELCHANGING && vetoSelect.count(nm->iItem)) return 1;
        return 0;
    }
    std::vector<int> Items(uint32_t code) const {
        std::vector<int> v;
        for (const Note& n : notes)
            if (n.code == code) v.push_back(n.item);
        return v;
    }
};

inline _RVSUBITEM SubItem(const char* text, int width = 100) {
    _RVSUBITEM s{};
    s.nFormat = RV_HDF_STRING;
    s.iWidth = width;
    s.lpszText = text;
    return s;
}

// Defines n sub-items named "S0".."Sn-1" and shows them in definition order.
inline void DefineColumns(ReportModel& m, int n) {
    static const char* names[] = {"S0", "S1", "S2", "S3", "S4", "S5"};
    for (int i = 0; i < n; ++i) {
        _RVSUBITEM s = SubItem(names[i]);
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
}

// Adds an item whose cells hold the given texts.
inline int AddRow(ReportModel& m, const std::vector<std::string>& cells) {
    int i = m.AddItem(cells.empty() ? "" : cells[0].c_str());
    for (size_t k = 1; k < cells.size(); ++k)
        m.SetItemText(i, (int)k, cells[k].c_str());
    return i;
}

inline std::vector<std::string> RowTexts(ReportModel& m, int iSubItem) {
    std::vector<std::string> v;
    for (int r = 0; r < m.GetRowCount(); ++r)
        v.push_back(m.GetItemText(m.GetItemFromRow(r), iSubItem));
    return v;
}

inline std::string Invariants(ReportModel& m) {
    std::string why;
    return m.CheckInvariants(&why) ? "ok" : why;
}

} // namespace reporttest

#endif
