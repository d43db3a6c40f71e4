// Drives the report model with random sequences of operations (list, tree or virtual mode, with bad
// indices, stale tree handles and a parent that vetoes selection changes) and checks after each one
// that the rows, the selection, the focus and the tree still agree, and that every row maps to an item
// and back; sorted rows must be in order.
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "reportctrl/model/report_model.h"

using zrpc::report::ReportHost;
using zrpc::report::ReportModel;

namespace {

using Input = FuzzInput;

struct FuzzHost : ReportHost {
    uint8_t veto = 0;
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code == RVN_NEEDDATA) {
            _RVITEM& r = reinterpret_cast<_NMRVITEMCALLBACK*>(hdr)->item;
            r.nMask = RVIM_USERDATA;
            r.lParam = r.iItem;
            if (r.iSubItem >= 0 && r.iItem % 3) {
                std::snprintf(r.lpszText, (size_t)r.iTextMax, "v%d", r.iItem % 7);
                r.nMask |= RVIM_LABEL;
            }
            return 0;
        }
        if (hdr->code == RVN_SELCHANGING) {
            auto* nm = reinterpret_cast<_NMREPORTVIEW*>(hdr);
            return veto && nm->iItem % (veto % 4 + 2) == 0;
        }
        return 0;
    }
};

void Check(ReportModel& m) {
    std::string why;
    if (!m.CheckInvariants(&why)) __builtin_trap();
    // Every row maps to an item and back; an item without a row is a node under a collapsed one.
    int rows = m.GetRowCount();
    for (int r = 0; r < rows; ++r)
        if (m.GetRowFromItem(m.GetItemFromRow(r)) != r) __builtin_trap();
    for (int i = 0, n = m.GetItemCount(); i < n; ++i) {
        int r = m.GetRowFromItem(i);
        if (r == -2 ? !(m.GetStyle() & RVS_TREEMODE) : m.GetItemFromRow(r) != i) __builtin_trap();
    }
    // The focus is a row that exists (or the edit row, or none).
    int focus = m.GetCurrentFocus(nullptr);
    if (focus < -2 || focus >= rows) __builtin_trap();
}

// After a list sort without callback every neighbouring pair is in order.
void CheckSorted(ReportModel& m, int sub, bool asc) {
    int rows = m.GetRowCount();
    for (int r = 1; r < rows; ++r) {
        int c = m.DefaultCompareItems(m.GetItemFromRow(r - 1), sub, m.GetItemFromRow(r), sub);
        if (asc ? c > 0 : c < 0) __builtin_trap();
    }
}

_TREEITEM* PickHandle(Input& in, const std::vector<_TREEITEM*>& handles) {
    uint8_t b = in.Byte();
    switch (b % 8) {
    case 0:
        return TVI_ROOT;
    case 1:
        return TVI_FIRST;
    case 2:
        return TVI_LAST;
    case 3:
        return TVI_SORT;
    case 4:
        return nullptr;
    default:
        return handles.empty() ? TVI_ROOT : handles[(size_t)(b / 8) % handles.size()];
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    FuzzHost host;
    ReportModel m(&host);
    uint8_t mode = in.Byte() % 3;
    host.veto = in.Byte();
    for (int i = 0; i < 3; ++i) {
        _RVSUBITEM s{};
        s.iWidth = 50;
        s.lpszText = "c";
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
    if (mode == 1) m.ModifyStyle(0, RVS_TREEMODE);
    if (mode == 2) m.ModifyStyle(0, RVS_VIRTUALDATA);
    if (in.Byte() & 1) m.ModifyStyle(0, RVS_ONESELECTION);
    std::vector<_TREEITEM*> handles; // live and deleted ones alike
    for (int step = 0; step < 200 && in.n; ++step) {
        int count = m.GetItemCount();
        int rows = m.GetRowCount();
        int item = in.Small(-3, count + 1);
        int sub = in.Small(-2, m.GetSubItemCount());
        switch (in.Byte() % 28) {
        case 0:
            if (count < 300) m.AddItem(in.Text().c_str(), in.Small(-1, 3), in.Small(-1, 2), -1);
            break;
        case 1:
            if (count < 300) m.InsertItem(item, in.Text().c_str());
            break;
        case 2:
            m.DeleteItem(item);
            break;
        case 3:
            m.SetItemText(item, sub, in.Text().c_str());
            break;
        case 4: {
            _RVITEM r{};
            r.nMask = RVIM_STATEBITS | RVIM_INDENTLEVEL | RVIM_CHECKMARK;
            r.iItem = item;
            r.iSubItem = sub;
            r.nState = in.Byte() * 0x01010101u;
            r.iIndent = in.Small(-2, 5);
            r.iCheck = in.Small(-1, 7);
            m.SetItem(&r);
            break;
        }
        case 5: {
            _RVSUBITEM s{};
            s.iWidth = in.Small(-5, 100);
            s.lpszText = "d";
            if (m.GetSubItemCount() < 8) m.DefineSubItem(in.Small(-1, 9), &s);
            break;
        }
        case 6:
            m.UndefineSubItem(sub);
            break;
        case 7:
            if (in.Byte() & 1)
                m.ActivateSubItem(sub, in.Small(-1, 5));
            else
                m.DeactivateSubItem(sub);
            break;
        case 8: {
            bool asc = in.Byte() & 1;
            if (m.SortItems(sub, asc) && mode == 0) CheckSorted(m, sub, asc);
            break;
        }
        case 9: {
            uint8_t f = in.Byte();
            m.SelectRows(in.Small(-3, rows), in.Small(-3, rows), f & 1, f & 2, f & 4, f & 8);
            break;
        }
        case 10:
            m.SetSelection(item, in.Byte() & 1);
            break;
        case 11:
            m.SetSelection(sub, in.Text().c_str(), in.Byte() & 1);
            break;
        case 12: {
            uint8_t w = in.Byte() % 3;
            if (w == 0)
                m.ClearSelection();
            else if (w == 1)
                m.InvertSelection();
            else
                m.SelectAll();
            break;
        }
        case 13:
            if (in.Byte() & 1)
                m.MoveUp(in.Small(-1, rows));
            else
                m.MoveDown(in.Small(-1, rows));
            break;
        case 14: {
            std::vector<int> order(m.GetItemRowArray());
            for (size_t i = 1; i < order.size(); ++i)
                std::swap(order[i], order[(size_t)in.Byte() % (i + 1)]);
            if ((in.Byte() & 3) == 0 && !order.empty()) order[0] = in.Small(-2, count + 2);
            m.SetItemRowArray(order);
            break;
        }
        case 15:
            m.AdjustFocus(in.Small(-3, rows), in.Small(-2, 4));
            break;
        case 16: {
            std::string t = in.Text();
            _RVFINDINFO f{};
            f.nFlags = in.Byte() | ((uint32_t)(in.Byte() & 3) << 8);
            f.lpszText = t.c_str();
            f.iImage = in.Small(-1, 3);
            f.iCheck = in.Small(-1, 2);
            int found = m.FindItem(&f, sub, in.Small(-400, 400));
            if (found < -2 || found >= count) __builtin_trap();
            break;
        }
        case 17: {
            std::string copy = m.GetCopyText();
            if (copy.find('\r') != std::string::npos) __builtin_trap();
            m.GetItemString(item, '\t');
            break;
        }
        case 18: {
            if (count >= 300) break;
            _TREEITEM* parent = PickHandle(in, handles);
            _TREEITEM* after = PickHandle(in, handles);
            _TREEITEM* h = m.InsertItem(in.Text().c_str(), -1, -1, -1, parent, after, in.Small(-2, 3));
            if (h) handles.push_back(h);
            break;
        }
        case 19:
            m.DeleteItem(PickHandle(in, handles));
            break;
        case 20:
            if (in.Byte() & 1)
                m.Expand(PickHandle(in, handles), in.Small(0, 3));
            else
                m.ExpandAll(PickHandle(in, handles), in.Small(0, 3), in.Small(-1, 3));
            break;
        case 21: {
            _TREEITEM* h = PickHandle(in, handles);
            _TREEITEM* n = m.GetNextItem(h, in.Small(0, 6));
            if (n && n != TVI_ROOT && m.GetItemIndex(n) < 0) __builtin_trap();
            m.HasChildren(h);
            m.IsChild(PickHandle(in, handles), h);
            m.IsDescendent(PickHandle(in, handles), h);
            m.GetItemCount(h, in.Small(0, 2));
            break;
        }
        case 22:
            m.SetItemCount(in.Small(-1, 300));
            break;
        case 23:
            if ((in.Byte() & 7) == 0) m.DeleteAllItems();
            break;
        case 24: {
            int c = in.Small(-2, 12);
            uint8_t w = in.Byte() % 3;
            if (w == 0)
                m.InsertColor(c, 0x123456);
            else if (w == 1)
                m.SetColor(c, 0);
            else
                m.DeleteColor(c);
            break;
        }
        case 25: {
            std::string v = (in.Byte() & 1) ? m.GetProfileValue() : "(" + in.Text() + ") 1 2 3 0";
            m.ApplyProfileValue(v.c_str());
            break;
        }
        case 26: {
            uint32_t prop = (uint32_t)in.Small(0, 16);
            bool text = prop == RVP_EMPTYMESSAGE || prop == RVP_SORTTIP || prop == RVP_COPYINDENTATION;
            m.ModifyProperty(prop, text ? reinterpret_cast<intptr_t>("t") : in.Small(-1, 3));
            break;
        }
        case 27:
            if (in.Byte() & 1)
                m.SetTreeSubItem(PickHandle(in, handles), in.Small(-2, 4));
            else
                m.EnsureVisible(PickHandle(in, handles));
            break;
        }
        Check(m);
    }
    return 0;
}
