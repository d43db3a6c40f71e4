// The report control for assistive programs: WM_GETOBJECT answers an IAccessible whose children are
// the rows on screen (name: the row's cells joined as the copy text joins them; role: list item, or
// outline item in tree mode; states: selected, focused, expanded or collapsed, checked where the first
// column has a check box; value: the tree level in tree mode), and focus and selection changes are
// told with NotifyWinEvent. The header keeps the platform's own accessible object.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "reportctrl/win_report_state.h"

namespace {

// The accessibility library is loaded when an assistive program first asks, so that the control
// costs nothing without one.
struct OleAcc {
    typedef LRESULT(WINAPI* FromObject)(REFIID, WPARAM, LPUNKNOWN);
    typedef HRESULT(WINAPI* StdObject)(HWND, LONG, REFIID, void**);
    HMODULE module = nullptr;
    FromObject lresultFromObject = nullptr;
    StdObject createStd = nullptr;
    OleAcc() {
        module = LoadLibraryA("oleacc.dll");
        if (!module) return;
        lresultFromObject = reinterpret_cast<FromObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
        createStd = reinterpret_cast<StdObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
    }
};

OleAcc& Acc() {
    static OleAcc acc;
    return acc;
}

BSTR Bstr(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), nullptr, 0);
    BSTR b = SysAllocStringLen(nullptr, (UINT)std::max(n, 0));
    if (b && n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), b, n);
    return b;
}

} // namespace

struct CReportCtrl::State::Access::Rows : public IAccessible {
    LONG refs = 1;
    State* s;                        // null once the control is gone
    IAccessible* standard = nullptr; // the platform's object for the client area (parent, navigation)

    explicit Rows(State* state) : s(state) {
        if (Acc().createStd)
            Acc().createStd(s->Hwnd(), OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard));
    }
    virtual ~Rows() {
        if (standard) standard->Release();
    }

    HWND Hwnd() { return s ? s->Hwnd() : nullptr; }
    bool Alive() { return s && IsWindow(Hwnd()); }
    int Top() {
        s->Flush();
        return s->geo.Top();
    }
    int ChildCount() {
        s->Flush();
        int rows = s->model.GetRowCount() - s->geo.Top();
        return std::max(0, std::min(rows, s->geo.VisibleCount(true)));
    }
    // The line a row's item gives to the clipboard, without its line feed.
    std::string Name(int row) {
        CString line = s->ctrl.GetItemString(s->model.GetItemFromRow(row), s->model.Shared().copyDelimiter);
        std::string text(line.GetString(), (size_t)line.GetLength());
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    // The row of a child id (1 = the top row on screen); -2 for none.
    int RowOf(const VARIANT& v) {
        if (v.vt != VT_I4 || v.lVal < 1 || v.lVal > ChildCount()) return -2;
        return Top() + v.lVal - 1;
    }
    static bool Self(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }
    bool Tree() { return s->TreeLook(); }

    // ---- IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, IID_IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs);
        if (n == 0) delete this;
        return (ULONG)n;
    }

    // ---- IDispatch: not offered (clients use the IAccessible methods)
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Alive()) return E_FAIL;
        return standard ? standard->get_accParent(parent) : S_FALSE;
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!Alive()) return E_FAIL;
        *count = ChildCount();
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        return Alive() ? S_FALSE : E_FAIL; // rows are simple elements
    }
    STDMETHODIMP get_accName(VARIANT v, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (!Alive()) return E_FAIL;
        if (Self(v)) return standard ? standard->get_accName(v, name) : S_FALSE;
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        *name = Bstr(Name(row));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accValue(VARIANT v, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        if (!Alive()) return E_FAIL;
        int row = RowOf(v);
        if (Self(v) || !Tree()) return row == -2 && !Self(v) ? E_INVALIDARG : S_FALSE;
        if (row == -2) return E_INVALIDARG;
        _RVITEM it = {};
        it.iItem = s->model.GetItemFromRow(row);
        it.iSubItem = -1;
        if (!s->model.GetItem(&it)) return S_FALSE;
        char level[16];
        snprintf(level, sizeof level, "%d", (int)it.iIndent);
        *value = Bstr(level);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accDescription(VARIANT, BSTR* d) override {
        if (d) *d = nullptr;
        return Alive() ? S_FALSE : E_FAIL;
    }
    STDMETHODIMP get_accRole(VARIANT v, VARIANT* role) override {
        if (!role) return E_POINTER;
        VariantInit(role);
        if (!Alive()) return E_FAIL;
        role->vt = VT_I4;
        if (Self(v)) {
            role->lVal = Tree() ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_LIST;
            return S_OK;
        }
        if (RowOf(v) == -2) return E_INVALIDARG;
        role->lVal = Tree() ? ROLE_SYSTEM_OUTLINEITEM : ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT v, VARIANT* state) override {
        if (!state) return E_POINTER;
        VariantInit(state);
        if (!Alive()) return E_FAIL;
        bool focused = GetFocus() == Hwnd();
        state->vt = VT_I4;
        if (Self(v)) {
            state->lVal = STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
            if (!IsWindowVisible(Hwnd())) state->lVal |= STATE_SYSTEM_INVISIBLE;
            return S_OK;
        }
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        zrpc::report::ReportModel& model = s->model;
        _RVITEM it = {};
        it.iItem = model.GetItemFromRow(row);
        it.iSubItem = model.GetSubItemFromColumn(0);
        if (it.iSubItem < 0) it.iSubItem = -1;
        model.GetItem(&it);
        long s = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (it.nState & RVIS_CHOSEN) s |= STATE_SYSTEM_SELECTED;
        if (focused && model.GetCurrentFocus(nullptr) == row) s |= STATE_SYSTEM_FOCUSED;
        if (it.nState & RVIS_EXPANDED) s |= STATE_SYSTEM_EXPANDED;
        if (it.nState & RVIS_COLLAPSED) s |= STATE_SYSTEM_COLLAPSED;
        if (it.iSubItem >= 0 && (it.nMask & RVIM_CHECKMARK) && it.iCheck >= 0 && (it.iCheck & 1))
            s |= STATE_SYSTEM_CHECKED;
        state->lVal = s;
        return S_OK;
    }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* h) override {
        if (h) *h = nullptr;
        return Alive() ? S_FALSE : E_FAIL;
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return Alive() ? S_FALSE : E_FAIL;
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* k) override {
        if (k) *k = nullptr;
        return Alive() ? S_FALSE : E_FAIL;
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        if (!Alive()) return E_FAIL;
        if (GetFocus() != Hwnd()) return S_FALSE;
        int row = s->model.GetCurrentFocus(nullptr);
        focus->vt = VT_I4;
        focus->lVal = (row >= Top() && row - Top() < ChildCount()) ? row - Top() + 1 : CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* sel) override {
        if (!sel) return E_POINTER;
        VariantInit(sel);
        if (!Alive()) return E_FAIL;
        // The first selected row on screen (a single child id; none: empty).
        zrpc::report::ReportModel& model = s->model;
        for (int k = 0, n = ChildCount(); k < n; ++k) {
            _RVITEM it = {};
            it.iItem = model.GetItemFromRow(Top() + k);
            it.iSubItem = -1;
            if (model.GetItem(&it) && (it.nState & RVIS_CHOSEN)) {
                sel->vt = VT_I4;
                sel->lVal = k + 1;
                return S_OK;
            }
        }
        return S_FALSE;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT, BSTR* a) override {
        if (a) *a = nullptr;
        return Alive() ? S_FALSE : E_FAIL;
    }
    STDMETHODIMP accSelect(long flags, VARIANT v) override {
        if (!Alive()) return E_FAIL;
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        CReportCtrl& c = s->ctrl;
        zrpc::report::ReportModel& model = s->model;
        if (flags & SELFLAG_TAKEFOCUS) {
            SetFocus(Hwnd());
            model.AdjustFocus(row, -1);
        }
        if (flags & SELFLAG_TAKESELECTION)
            c.SelectRows(row, row, true, false, false, true);
        else if (flags & (SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION)) {
            int focusRow = model.GetCurrentFocus(nullptr);
            bool add = (flags & SELFLAG_ADDSELECTION) != 0;
            _RVITEM it = {};
            it.iItem = model.GetItemFromRow(row);
            it.iSubItem = -1;
            model.GetItem(&it);
            if (add != ((it.nState & RVIS_CHOSEN) != 0)) c.SelectRows(row, row, true, true, true, true);
            if (!(flags & SELFLAG_TAKEFOCUS) && focusRow >= -1) model.AdjustFocus(focusRow, -1);
        }
        InvalidateRect(Hwnd(), nullptr, FALSE);
        s->access.TellChanges();
        return S_OK;
    }
    STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
        if (!x || !y || !w || !h) return E_POINTER;
        *x = *y = *w = *h = 0;
        if (!Alive()) return E_FAIL;
        if (Self(v)) return standard ? standard->accLocation(x, y, w, h, v) : S_FALSE;
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        RVRECT rr;
        s->Flush();
        if (!s->geo.RowRect(row, rr)) return S_FALSE;
        RECT rc = {rr.left, rr.top, rr.right, rr.bottom};
        RECT client;
        GetClientRect(Hwnd(), &client);
        rc.left = std::max(rc.left, client.left);
        rc.right = std::min(rc.right, client.right);
        MapWindowPoints(Hwnd(), nullptr, reinterpret_cast<POINT*>(&rc), 2);
        *x = rc.left;
        *y = rc.top;
        *w = rc.right - rc.left;
        *h = rc.bottom - rc.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInit(end);
        if (!Alive()) return E_FAIL;
        int n = ChildCount();
        long id = -1;
        if (Self(start)) {
            if (dir == NAVDIR_FIRSTCHILD) id = n > 0 ? 1 : -1;
            if (dir == NAVDIR_LASTCHILD) id = n > 0 ? n : -1;
            if (id < 0) return standard ? standard->accNavigate(dir, start, end) : S_FALSE;
        } else {
            if (RowOf(start) == -2) return E_INVALIDARG;
            if (dir == NAVDIR_NEXT || dir == NAVDIR_DOWN) id = start.lVal < n ? start.lVal + 1 : -1;
            if (dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP) id = start.lVal > 1 ? start.lVal - 1 : -1;
            if (id < 0) return S_FALSE;
        }
        end->vt = VT_I4;
        end->lVal = id;
        return S_OK;
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        VariantInit(hit);
        if (!Alive()) return E_FAIL;
        POINT pt = {x, y};
        ScreenToClient(Hwnd(), &pt);
        RECT client;
        GetClientRect(Hwnd(), &client);
        if (!PtInRect(&client, pt)) return S_FALSE;
        _RVHITTESTINFO hti = {};
        hti.point.x = pt.x;
        hti.point.y = pt.y;
        s->Flush();
        s->geo.HitTest(&hti);
        hit->vt = VT_I4;
        hit->lVal =
            (hti.iRow >= Top() && hti.iRow - Top() < ChildCount()) ? hti.iRow - Top() + 1 : CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT) override { return Alive() ? DISP_E_MEMBERNOTFOUND : E_FAIL; }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }
};

bool CReportCtrl::State::Access::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_GETOBJECT:
        // The rows for assistive programs; other objects are the platform's.
        if ((LONG)lp != OBJID_CLIENT || !Acc().lresultFromObject) return false;
        if (!m_object) m_object = new Rows(&s);
        *result = Acc().lresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(m_object));
        return *result != 0;
    case WM_SETFOCUS:
        TellChanges();
        return false;
    case WM_DESTROY:
        Gone();
        return false;
    default:
        return false;
    }
}

CReportCtrl::State::Access::~Access() {
    Gone();
}

void CReportCtrl::State::Access::TellChanges() {
    HWND hwnd = s.Hwnd();
    if (!hwnd) return;
    s.Flush();
    int top = s.geo.Top();
    int focus = s.model.GetCurrentFocus(nullptr);
    int count = s.model.GetSelectedCount();
    std::vector<int> selection((size_t)count);
    if (count > 0) s.model.GetSelectedItems(selection.data(), count);
    bool selectionChanged = selection != m_toldSelection;
    bool focusChanged = focus != m_toldFocus;
    m_toldSelection.swap(selection);
    m_toldFocus = focus;
    int shown = std::max(0, std::min(s.model.GetRowCount() - top, s.geo.VisibleCount(true)));
    auto childOf = [&](int row) {
        return (row >= top && row - top < shown) ? (LONG)(row - top + 1) : (LONG)-1;
    };
    if (selectionChanged) {
        LONG child = m_toldSelection.size() == 1 ? childOf(s.model.GetRowFromItem(m_toldSelection[0])) : -1;
        if (child > 0)
            NotifyWinEvent(EVENT_OBJECT_SELECTION, hwnd, OBJID_CLIENT, child);
        else
            NotifyWinEvent(EVENT_OBJECT_SELECTIONWITHIN, hwnd, OBJID_CLIENT, CHILDID_SELF);
    }
    if ((focusChanged || selectionChanged) && GetFocus() == hwnd) {
        LONG child = childOf(focus);
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, child > 0 ? child : CHILDID_SELF);
    }
}

// The control goes: an assistive program still holding the object gets failures from now on.
void CReportCtrl::State::Access::Gone() {
    if (!m_object) return;
    m_object->s = nullptr;
    m_object->Release();
    m_object = nullptr;
}
