// Drives the report model with random keys and clicks (with Shift and Ctrl, in list or tree mode, with
// the edit row, cell focus, one-selection, no-focus columns and a parent that vetoes selection changes)
// mixed with item insertions, deletions, sorting and tree expansion, and checks after each step that
// the model's invariants hold, that the focus stays on a row that exists, that a focused column may
// take the focus, that one-selection never holds two items unless the parent refused a deselection, and that
// the rows asked to be shown exist.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "reportctrl/model/report_input.h"

using namespace zrpc::report;

namespace {

using Input = FuzzInput;

struct VetoHost : ReportHost {
    uint8_t veto = 0;
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code != RVN_SELCHANGING || !veto) return 0;
        return reinterpret_cast<_NMREPORTVIEW*>(hdr)->iItem % (veto % 4 + 2) == 0;
    }
};

void Check(ReportModel& m, const KeyAction* act, int focusBefore, bool input, bool vetoing) {
    std::string why;
    if (!m.CheckInvariants(&why)) __builtin_trap();
    int column = -1;
    int row = m.GetCurrentFocus(&column);
    if (row < -2 || row >= m.GetRowCount()) __builtin_trap();
    // Keys and clicks never move the focus to the edit-row position without an edit row (deleting
    // the first row or changing the tree may leave it there).
    if (input && row == -1 && focusBefore != -1 && !(m.GetStyle() & RVS_ENTRYROW)) __builtin_trap();
    if (m.GetFirstSelectedItem() == -1 && !(m.GetStyle() & RVS_ENTRYROW)) __builtin_trap();
    if (column >= 0) {
        const SubItemDef* def = m.GetSubItemDef(m.GetSubItemFromColumn(column));
        if (!def || (def->format & RVCF_NOFOCUS)) __builtin_trap();
    }
    // (A parent refusing a deselection may keep a second item selected.)
    if ((m.GetStyle() & RVS_ONESELECTION) && !vetoing && m.GetSelectedCount() > 1) __builtin_trap();
    if (act && act->showRow != -3 && (act->showRow < -1 || act->showRow >= m.GetRowCount())) __builtin_trap();
    if (act && act->showColumn >= m.GetActiveSubItemCount()) __builtin_trap();
}

const unsigned kKeys[] = {kKeySpace, kKeyPageUp, kKeyPageDown, kKeyEnd,  kKeyHome,
                          kKeyLeft,  kKeyUp,     kKeyRight,    kKeyDown, 'A'};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    VetoHost host;
    ReportModel m(&host);
    uint8_t flags = in.Byte();
    host.veto = in.Byte();
    bool tree = flags & 1;
    for (int i = 0; i < 4; ++i) {
        _RVSUBITEM s{};
        s.iWidth = 50;
        s.lpszText = "c";
        if ((flags >> 4) & (1 << (i % 4)) && i > 0) s.nFormat = RVCF_NOFOCUS;
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
    uint32_t style = (tree ? RVS_TREEMODE : 0) | ((flags & 2) ? RVS_ENTRYROW : 0) |
                     ((flags & 4) ? RVS_CELLFOCUS : 0) | ((flags & 8) ? RVS_ONESELECTION : 0);
    m.ModifyStyle(0, style);
    std::vector<_TREEITEM*> handles;
    for (int step = 0; step < 300 && in.n; ++step) {
        int rows = m.GetRowCount();
        uint8_t op = in.Byte() % 12;
        uint8_t mods = in.Byte();
        bool shift = mods & 1, ctrl = mods & 2;
        KeyAction act;
        bool haveAct = false;
        int focusBefore = m.GetCurrentFocus(nullptr);
        bool input = op >= 2 && op <= 7;
        switch (op) {
        case 0:
        case 1:
            if (m.GetItemCount() < 200) {
                std::string text(1, (char)('a' + in.Byte() % 26));
                if (tree) {
                    _TREEITEM* parent = handles.empty() || (mods & 4)
                                            ? TVI_ROOT
                                            : handles[(size_t)in.Byte() % handles.size()];
                    _TREEITEM* h = m.InsertItem(text.c_str(), -1, -1, -1, parent, TVI_LAST);
                    if (h) handles.push_back(h);
                } else {
                    m.InsertItem(in.Small(0, m.GetItemCount()), text.c_str());
                }
            }
            break;
        case 2:
        case 3:
        case 4: {
            PageView view;
            view.top = in.Small(0, rows);
            view.visible = in.Small(0, 12);
            act = KeyDown(m, kKeys[in.Byte() % (sizeof kKeys / sizeof kKeys[0])], shift, ctrl, view);
            haveAct = true;
            break;
        }
        case 5:
        case 6:
            Click(m, in.Small(-3, rows + 1), in.Small(-2, 5), shift, ctrl);
            break;
        case 7:
            RightClick(m, in.Small(-3, rows + 1), shift, ctrl);
            break;
        case 8:
            if (tree) {
                if (!handles.empty()) m.Expand(handles[(size_t)in.Byte() % handles.size()], in.Byte() % 3);
            } else {
                m.DeleteItem(in.Small(-1, m.GetItemCount()));
            }
            break;
        case 9:
            m.SortItems(in.Small(0, 3), mods & 4);
            break;
        case 10: {
            int row = -2, column = -1;
            if (TypingStartsEdit(m, ctrl, &row, &column)) {
                if (column < 0 || row < -1) __builtin_trap();
            }
            break;
        }
        case 11:
            if (tree && !handles.empty() && (mods & 8)) {
                size_t k = (size_t)in.Byte() % handles.size();
                m.DeleteItem(handles[k]);
                // The node and its descendants are gone: keep only handles the model still knows.
                std::vector<_TREEITEM*> live;
                for (_TREEITEM* h : handles)
                    if (h != handles[k] && m.GetItemIndex(h) >= 0) live.push_back(h);
                handles.swap(live);
            }
            break;
        default:
            break;
        }
        Check(m, haveAct ? &act : nullptr, focusBefore, input, host.veto != 0);
    }
    return 0;
}
