// CReportCtrl: the report control's window. The model (reportctrl/model) holds items, columns, rows,
// selection and focus, the geometry where everything lies; the window's state (win_report_state.h)
// holds the rest and is read by the units. Here, above the units: the model's host, which reaches them,
// the order in which they see a message with the window's own handling last, and the window's
// creation, styles and properties, and the window class with the control a window of it owns.
#include <windows.h>

#include <new>
#include <string>

#include "base/guard.h"
#include "base/win_module.h"
#include "include/zrpcctl.h"
#include "reportctrl/model/report_messages.h"
#include "reportctrl/win_report_class.h"
#include "reportctrl/win_report_state.h"
#include "winlayer/win_controls.h"
#include "winlayer/win_dpi.h"
#include "winlayer/win_window.h"

using zrpc::report::ReportModel;

namespace {

const char kClassName[] = ZRPC_REPORTCTRL_CLASS;

// Set while CReportCtrl::Create makes its window: that window is the creating object's.
thread_local bool t_objectCreates = false;

// The control of a window made by CreateWindowEx or a dialog template naming the class: made when the
// window is, and gone with it.
class WindowOwnedReport : public CReportCtrl {
  public:
    bool Start(HWND hwnd) { return zwin::Window::SubclassWindow(hwnd); }
    // Second stage, on WM_CREATE: the low 16 bits of the window's style are the control's own; the
    // window clips its header, as one CReportCtrl::Create makes does.
    bool Finish(const CREATESTRUCTA* cs) {
        if (cs) ModifyStyle(0xFFFF, (cs->style & 0xFFFF) | WS_CLIPCHILDREN);
        return Create() != FALSE;
    }
    // Gives the window up to a C++ object that takes it over: this control goes, with its header and
    // whatever it held; the window stays.
    void GiveUp() {
        HWND header = GetHeaderCtrl();
        delete this;
        if (header && IsWindow(header)) ::DestroyWindow(header);
    }

  protected:
    void PostNcDestroy() override { delete this; }
};

// The class's window procedure. A window made by anything but CReportCtrl::Create gets a control of
// its own on WM_NCCREATE (which then sees every message first); a window CReportCtrl::Create makes is
// taken over by that object once made. What reaches this procedure is the window's default handling.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        bool objectCreates = t_objectCreates;
        t_objectCreates = false;
        if (!objectCreates && !zwin::FromHandle(hwnd)) {
            bool made = zrpc::Guard(false, [&] {
                auto* control = new (std::nothrow) WindowOwnedReport;
                if (control && control->Start(hwnd)) return true;
                delete control;
                return false;
            });
            if (!made) return FALSE;
        }
    } else if (msg == WM_CREATE) {
        auto* control = dynamic_cast<WindowOwnedReport*>(zwin::FromHandle(hwnd));
        if (control &&
            !zrpc::Guard(false, [&] { return control->Finish(reinterpret_cast<CREATESTRUCTA*>(lp)); }))
            return -1;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Unregisters the class when the library is unloaded (a class left behind would name a procedure
// that is gone).
struct ClassRegistration {
    bool registered = false;
    ~ClassRegistration() {
        if (registered) UnregisterClassA(kClassName, zrpc::SelfModule());
    }
} g_registration;

} // namespace

namespace zrpc::report {

bool RegisterReportClass() {
    if (!zwin::RegisterModuleClass(kClassName, ControlProc, CS_DBLCLKS | CS_GLOBALCLASS,
                                   reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)), 0))
        return false;
    g_registration.registered = true;
    return true;
}

} // namespace zrpc::report

// ---------------------------------------------------------------- the model's host

// What the model asks of the window: notifications go to the parent through the control's Notify,
// changed rows are repainted (and the tip over an item that changed goes), the editor follows the
// items it names, the header the columns, the palette the colour table; and the control's overridable
// operations, which the model goes through.
struct CReportCtrl::State::Host : zrpc::report::ReportHost {
    explicit Host(State& state) : s(state) {}
    intptr_t Notify(RVNMHDR* hdr) override { return s.ctrl.Notify(hdr); }
    void RepaintRows(int first, int last) override {
        s.tip.Hide();
        s.RepaintRows(first, last);
    }
    void RowsChanged() override {
        s.tip.Hide();
        s.RowsChanged();
    }
    void ShowRow(int row) override { s.ScrollToRow(row); }
    void RowRemoved(int row) override { s.KeepTopAfterRemoval(row); }
    void ColoursChanged() override {
        s.painter.RebuildPalette();
        s.Invalidate();
    }
    void ItemRemoving(int iItem) override { s.editor.ItemRemoving(iItem); }
    void ItemInserted(int iItem) override { s.editor.ItemInserted(iItem); }
    void ItemCountSet(int nCount) override { s.editor.ItemCountSet(nCount); }
    void ColumnsChanged() override { s.header.ColumnsChanged(); }
    bool CustomCompare() const override { return s.CompareOverridden(); }
    int CompareItems(ReportModel&, int i1, int s1, int i2, int s2) override {
        return s.ctrl.CompareItems(i1, s1, i2, s2);
    }
    zrpc::report::Item* CacheLookup(ReportModel&, int iItem) override { return s.ctrl.CacheLookup(iItem); }
    zrpc::report::Item* CacheAdd(ReportModel&, int iItem) override { return s.ctrl.CacheAdd(iItem); }
    void CacheDelete(ReportModel&, int iItem) override { s.ctrl.CacheDelete(iItem); }
    zrpc::report::Item* GetItemStruct(ReportModel&, int iItem, int iSubItem, uint32_t nMask) override {
        return s.ctrl.GetItemStruct(iItem, iSubItem, nMask);
    }
    bool SetItemStruct(ReportModel&, int iItem, zrpc::report::Item& item) override {
        return s.ctrl.SetItemStruct(iItem, item) != FALSE;
    }
    void LoadItemData(ReportModel&, zrpc::report::Item* pItem, int iItem, int iSubItem,
                      uint32_t nMask) override {
        s.ctrl.LoadItemData(pItem, iItem, iSubItem, nMask);
    }
    std::string ExpandedItemText(ReportModel&, int iItem, int iSubItem) override {
        CString text = s.ctrl.GetExpandedItemText(iItem, iSubItem);
        return std::string(text.GetString(), (size_t)text.GetLength());
    }
    void QuickSort(ReportModel&, int iSubItem, int lo, int hi, bool bAscending) override {
        s.ctrl.QuickSort(iSubItem, lo, hi, bAscending);
    }
    void TreeSort(ReportModel&, int iSubItem, _TREEITEM* hParent, bool bAscending, bool bRecursive) override {
        s.ctrl.TreeSort(iSubItem, hParent, bAscending, bRecursive);
    }
    void SelectRows(ReportModel&, int iFirst, int iLast, bool bSelect, bool bKeepSelection, bool bInvert,
                    bool bNotify) override {
        s.ctrl.SelectRows(iFirst, iLast, bSelect, bKeepSelection, bInvert, bNotify);
    }
    State& s;
};

CReportCtrl::CReportCtrl() : m_crSys(), m_state(new State(*this)) {
    m_state->host.reset(new State::Host(*m_state));
    m_state->model.SetHost(m_state->host.get());
    m_state->model.SetTextRules(&zrpc::report::ProcessTextRules());
    m_state->NoteOwnComparison(); // the object is a CReportCtrl while this constructor runs
}

CReportCtrl::~CReportCtrl() {
    zrpc::GuardVoid([this] { DestroyWindow(); });
    delete m_state;
}

// ---------------------------------------------------------------- the order of the units

LRESULT CReportCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    State& s = *m_state;
    // The messages of zrpcctl.h, for clients that reach the control through its window only: each
    // answered by the public operation a C++ client calls (reportctrl/model/report_messages.h).
    intptr_t answer = 0;
    if (zrpc::report::AnswerReportMessage(*this, msg, wp, lp, &answer)) return answer;
    if (!s.created) return Default();
    // The order in which the control's units see a message, written here once. Each takes the message
    // (its answer in result) or lets it go on to the next:
    //  1. the tip window: hides on every click, key, scroll, size and loss of the focus, and follows
    //     the pointer, before anything moves what it covers;
    //  2. input: mouse buttons, keys and typed characters (selection, focus, tree, starting edits);
    //  3. editing: an open edit ends before the header or a horizontal scroll moves its cell, and the
    //     editor's end notification is taken here;
    //  4. the header: a click sorts, a width follows the user, a dragged column lands, a divider
    //     double-click fits the column;
    //  5. accessibility: WM_GETOBJECT, and the focus event once the control has the focus;
    //  6. the window itself, below: painting, layout, scrolling, fonts, colours.
    LRESULT result = 0;
    if (s.tip.OnMessage(msg, wp, lp, &result) || s.input.OnMessage(msg, wp, lp, &result) ||
        s.editor.OnMessage(msg, wp, lp, &result) || s.header.OnMessage(msg, wp, lp, &result) ||
        s.access.OnMessage(msg, wp, lp, &result))
        return result;
    switch (msg) {
    case WM_PAINT:
        s.painter.Paint();
        return 0;
    case WM_PRINTCLIENT:
        s.painter.PrintClient(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_QUERYNEWPALETTE:
        return s.painter.RealisePalette(false) ? TRUE : FALSE;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wp) != m_hwnd) s.painter.RealisePalette(true);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        s.Layout();
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (!s.model.GetProperty(RVP_USEHSCROLL)) ShowScrollBar(m_hwnd, SB_HORZ, FALSE);
        break;
    case WM_SETFONT:
        s.ApplyFont(reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        if (!LOWORD(lp)) s.Layout();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s.font);
    case WM_VSCROLL:
    case WM_HSCROLL: {
        int bar = msg == WM_VSCROLL ? SB_VERT : SB_HORZ;
        int code = LOWORD(wp), thumb = 0;
        if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
            SCROLLINFO si = {};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(m_hwnd, bar, &si);
            thumb = si.nTrackPos;
        }
        if (bar == SB_VERT)
            s.VScroll(code, thumb);
        else
            s.HScroll(code, thumb);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        int code = 0;
        int steps = s.geo.WheelSteps(GET_WHEEL_DELTA_WPARAM(wp), s.wheelLines, &code);
        for (int i = 0; i < steps; ++i)
            s.VScroll(code, 0);
        return 0;
    }
    case WM_SETTINGCHANGE:
        s.wheelLines = GetMouseScrollLines();
        GetSysColors();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_SYSCOLORCHANGE:
        GetSysColors();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_DPICHANGED:
    case WM_DPICHANGED_AFTERPARENT:
        s.DpiMessage(msg, wp, lp);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_NCDESTROY:
        s.created = false;
        s.painter.FreeBuffer();
        break;
    default:
        break;
    }
    return Default();
}

// ---------------------------------------------------------------- creation

BOOL CReportCtrl::Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (m_hwnd || !zrpc::report::RegisterReportClass()) return FALSE;
        // The control's own styles travel in the low 16 bits; the window gets the high ones only.
        m_state->model.ModifyStyle(0xFFFF, dwStyle & 0xFFFF);
        t_objectCreates = true;
        bool made = zwin::Window::Create(kClassName, "", (dwStyle & 0xFFFF0000u) | WS_CLIPCHILDREN, 0, rect,
                                         hParent, nID);
        t_objectCreates = false;
        if (!made) return FALSE;
        if (!Create()) {
            DestroyWindow();
            return FALSE;
        }
        return TRUE;
    });
}

BOOL CReportCtrl::SubclassWindow(HWND hwnd) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (m_hwnd) return FALSE;
        // An item of the class in a dialog template holds a control of its own, made with the window;
        // a C++ object taking the item over replaces it, as it takes over any other item.
        if (auto* owned = dynamic_cast<WindowOwnedReport*>(zwin::FromHandle(hwnd))) owned->GiveUp();
        if (!zwin::Window::SubclassWindow(hwnd)) return FALSE;
        if (!Create()) {
            UnsubclassWindow();
            return FALSE;
        }
        return TRUE;
    });
}

BOOL CReportCtrl::SubclassDlgItem(UINT nID, HWND hParent) {
    HWND item = hParent ? GetDlgItem(hParent, (int)nID) : nullptr;
    return item ? SubclassWindow(item) : FALSE;
}

BOOL CReportCtrl::Create() {
    State& s = *m_state;
    if (!m_hwnd) return FALSE;
    if (!s.headerWindow && !s.header.Create()) return FALSE;
    HWND parent = GetParent(m_hwnd);
    s.TakeDpi();
    s.ApplyFont(parent ? zwin::ControlHandle(parent).GetFont() : nullptr, false);
    s.wheelLines = GetMouseScrollLines();
    GetSysColors();
    s.created = true;
    s.header.Sync();
    s.Layout();
    return TRUE;
}

HWND CReportCtrl::GetHeaderCtrl() {
    return m_state->headerWindow.Handle();
}

BOOL CReportCtrl::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        State& s = *m_state;
        s.editor.EndOpenEdit();
        DWORD before = GetStyle();
        if (!s.model.ModifyStyle(dwRemove & 0xFFFF, dwAdd & 0xFFFF)) return FALSE;
        if (m_hwnd && ((dwRemove | dwAdd) & 0xFFFF0000u)) {
            DWORD window = (DWORD)GetWindowLongA(m_hwnd, GWL_STYLE);
            window = (window & ~(dwRemove & 0xFFFF0000u)) | (dwAdd & 0xFFFF0000u);
            SetWindowLongA(m_hwnd, GWL_STYLE, (LONG)window);
            if (nFlags)
                SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | nFlags);
        }
        DWORD after = GetStyle();
        if ((after ^ before) & RVS_ROWLINES)
            s.geo.SetRowHeight(s.geo.RowHeight() + ((after & RVS_ROWLINES) ? 1 : -1) * s.RowLineWidth());
        s.Layout();
        return TRUE;
    });
}

BOOL CReportCtrl::ModifyProperty(UINT nProperty, LONG_PTR lValue) {
    return zrpc::Guard(FALSE, [&]() -> BOOL {
        if (!m_state->model.ModifyProperty(nProperty, (intptr_t)lValue)) return FALSE;
        m_state->Layout();
        return TRUE;
    });
}

LONG_PTR CReportCtrl::GetProperty(UINT nProperty) const {
    return zrpc::Guard((LONG_PTR)0, [&] { return (LONG_PTR)m_state->model.GetProperty(nProperty); });
}
