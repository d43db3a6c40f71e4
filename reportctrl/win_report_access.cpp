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

#include "reportctrl/win_report_user.h"

namespace zrpc::report {

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

struct AccessibleRows : public IAccessible {
    LONG refs = 1;
    ReportUser* user;
    IAccessible* standard = nullptr; // the platform's object for the client area (parent, navigation)

    explicit AccessibleRows(ReportUser* u) : user(u) {
        if (Acc().createStd)
            Acc().createStd(u->m_ctrl->Handle(), OBJID_CLIENT, IID_IAccessible,
                            reinterpret_cast<void**>(&standard));
    }
    virtual ~AccessibleRows() {
        if (standard) standard->Release();
    }

    CReportCtrl* Ctrl() { return user ? user->m_ctrl : nullptr; }
    HWND Hwnd() { return user ? user->m_ctrl->Handle() : nullptr; }
    bool Alive() { return user && IsWindow(Hwnd()); }
    int Top() { return Ctrl()->GetTopIndex(); }
    int ChildCount() {
        CReportCtrl* c = Ctrl();
        int rows = c->GetRowCount() - c->GetTopIndex();
        return std::max(0, std::min(rows, c->GetVisibleCount(TRUE)));
    }
    // The row of a child id (1 = the top row on screen); -2 for none.
    int RowOf(const VARIANT& v) {
        if (v.vt != VT_I4 || v.lVal < 1 || v.lVal > ChildCount()) return -2;
        return Top() + v.lVal - 1;
    }
    static bool Self(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }
    bool Tree() { return (Ctrl()->GetStyle() & RVS_TREEMASK) != 0; }

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
        CString line =
            ReportWindow::ItemString(*Ctrl(), Ctrl()->GetItemFromRow(row), Globals().copyDelimiter);
        std::string text(line.GetString(), (size_t)line.GetLength());
        if (!text.empty() && text.back() == '\n') text.pop_back();
        *name = Bstr(text);
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
        it.iItem = Ctrl()->GetItemFromRow(row);
        it.iSubItem = -1;
        if (!Ctrl()->GetItem(&it)) return S_FALSE;
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
        CReportCtrl* c = Ctrl();
        bool focused = GetFocus() == Hwnd();
        state->vt = VT_I4;
        if (Self(v)) {
            state->lVal = STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
            if (!IsWindowVisible(Hwnd())) state->lVal |= STATE_SYSTEM_INVISIBLE;
            return S_OK;
        }
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        ReportModel& model = ReportWindow::Model(*c);
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
        int row = ReportWindow::Model(*Ctrl()).GetCurrentFocus(nullptr);
        focus->vt = VT_I4;
        focus->lVal = (row >= Top() && row - Top() < ChildCount()) ? row - Top() + 1 : CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* sel) override {
        if (!sel) return E_POINTER;
        VariantInit(sel);
        if (!Alive()) return E_FAIL;
        // The first selected row on screen (a single child id; none: empty).
        ReportModel& model = ReportWindow::Model(*Ctrl());
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
        CReportCtrl& c = *Ctrl();
        ReportModel& model = ReportWindow::Model(c);
        if (flags & SELFLAG_TAKEFOCUS) {
            SetFocus(Hwnd());
            model.AdjustFocus(row, -1);
        }
        if (flags & SELFLAG_TAKESELECTION)
            ReportWindow::SelectRows(c, row, row, true, false, false, true);
        else if (flags & (SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION)) {
            int focusRow = model.GetCurrentFocus(nullptr);
            bool add = (flags & SELFLAG_ADDSELECTION) != 0;
            _RVITEM it = {};
            it.iItem = model.GetItemFromRow(row);
            it.iSubItem = -1;
            model.GetItem(&it);
            if (add != ((it.nState & RVIS_CHOSEN) != 0))
                ReportWindow::SelectRows(c, row, row, true, true, true, true);
            if (!(flags & SELFLAG_TAKEFOCUS) && focusRow >= -1) model.AdjustFocus(focusRow, -1);
        }
        InvalidateRect(Hwnd(), nullptr, FALSE);
        user->TellChanges();
        return S_OK;
    }
    STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
        if (!x || !y || !w || !h) return E_POINTER;
        *x = *y = *w = *h = 0;
        if (!Alive()) return E_FAIL;
        if (Self(v)) return standard ? standard->accLocation(x, y, w, h, v) : S_FALSE;
        int row = RowOf(v);
        if (row == -2) return E_INVALIDARG;
        RECT rc;
        if (!Ctrl()->GetItemRect(Ctrl()->GetItemFromRow(row), -1, &rc, 0)) return S_FALSE;
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
        Ctrl()->HitTest(&hti);
        hit->vt = VT_I4;
        hit->lVal =
            (hti.iRow >= Top() && hti.iRow - Top() < ChildCount()) ? hti.iRow - Top() + 1 : CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT) override { return Alive() ? DISP_E_MEMBERNOTFOUND : E_FAIL; }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }
};

LRESULT ReportUser::GetObject(WPARAM wp, LPARAM lp) {
    if ((LONG)lp != OBJID_CLIENT || !Acc().lresultFromObject) return 0;
    if (!m_access) m_access = new AccessibleRows(this);
    return Acc().lresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(m_access));
}

void ReportUser::TellChanges() {
    HWND hwnd = m_ctrl->Handle();
    if (!hwnd) return;
    ReportModel& model = ReportWindow::Model(*m_ctrl);
    int top = m_ctrl->GetTopIndex();
    int focus = model.GetCurrentFocus(nullptr);
    int count = model.GetSelectedCount();
    std::vector<int> selection((size_t)count);
    if (count > 0) model.GetSelectedItems(selection.data(), count);
    bool selectionChanged = selection != m_toldSelection;
    bool focusChanged = focus != m_toldFocus;
    m_toldSelection.swap(selection);
    m_toldFocus = focus;
    int shown = std::max(0, std::min(model.GetRowCount() - top, m_ctrl->GetVisibleCount(TRUE)));
    auto childOf = [&](int row) {
        return (row >= top && row - top < shown) ? (LONG)(row - top + 1) : (LONG)-1;
    };
    if (selectionChanged) {
        LONG child = m_toldSelection.size() == 1 ? childOf(model.GetRowFromItem(m_toldSelection[0])) : -1;
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
void ReportUser::AccessGone() {
    if (!m_access) return;
    m_access->user = nullptr;
    m_access->Release();
    m_access = nullptr;
}

} // namespace zrpc::report
