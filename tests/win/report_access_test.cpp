// The report control as an assistive program sees it: AccessibleObjectFromWindow from another thread,
// the rows on screen as children with their names, roles, states and tree levels after selecting,
// checking and expanding, and the focus and selection events raised while the user clicks and types.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

// What an assistive program reads of one child (or of the object itself, child 0).
struct Read {
    HRESULT hr = E_FAIL;
    long count = -1;
    std::string name;
    std::string value;
    long role = 0;
    long state = 0;
};

std::string Narrow(BSTR b) {
    std::string s;
    if (!b) return s;
    int n = WideCharToMultiByte(CP_ACP, 0, b, (int)SysStringLen(b), nullptr, 0, nullptr, nullptr);
    s.resize((size_t)std::max(n, 0));
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, b, (int)SysStringLen(b), &s[0], n, nullptr, nullptr);
    SysFreeString(b);
    return s;
}

// Reads children 0..n of the control's client object on another thread, as a screen reader would.
std::vector<Read> ReadAccessible(HWND hwnd, int children) {
    std::vector<Read> out((size_t)children + 1);
    zt::OnOtherThread([&] {
        CoInitialize(nullptr);
        HMODULE oleacc = LoadLibraryA("oleacc.dll");
        typedef HRESULT(WINAPI * FromWindow)(HWND, DWORD, REFIID, void**);
        auto fromWindow = reinterpret_cast<FromWindow>(
            reinterpret_cast<void*>(GetProcAddress(oleacc, "AccessibleObjectFromWindow")));
        IAccessible* acc = nullptr;
        HRESULT hr = fromWindow ? fromWindow(hwnd, (DWORD)OBJID_CLIENT, IID_IAccessible,
                                             reinterpret_cast<void**>(&acc))
                                : E_FAIL;
        for (int k = 0; k <= children && acc; ++k) {
            Read& r = out[(size_t)k];
            r.hr = hr;
            VARIANT child;
            VariantInit(&child);
            child.vt = VT_I4;
            child.lVal = k;
            acc->get_accChildCount(&r.count);
            BSTR b = nullptr;
            if (k > 0 && acc->get_accName(child, &b) == S_OK) r.name = Narrow(b);
            b = nullptr;
            if (acc->get_accValue(child, &b) == S_OK) r.value = Narrow(b);
            VARIANT v;
            VariantInit(&v);
            if (acc->get_accRole(child, &v) == S_OK && v.vt == VT_I4) r.role = v.lVal;
            VariantInit(&v);
            if (acc->get_accState(child, &v) == S_OK && v.vt == VT_I4) r.state = v.lVal;
        }
        if (acc) acc->Release();
        if (oleacc) FreeLibrary(oleacc);
        CoUninitialize();
    });
    return out;
}

struct Event {
    DWORD event;
    LONG object;
    LONG child;
};
std::vector<Event>* g_events = nullptr;
HWND g_watched = nullptr;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild, DWORD, DWORD) {
    if (g_events && hwnd == g_watched) g_events->push_back({event, idObject, idChild});
}

class ReportAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 20, 20, 480, 360, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    CReportCtrl& Make(DWORD styles) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 450, 330};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, 5));
        const char* names[] = {"Name", "Size", "Kind"};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = {HDF_STRING, 100, 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        SetFocus(report->Handle());
        return *report;
    }
    void Click(int item) {
        RECT cell;
        ASSERT_TRUE(report->GetItemRect(item, 1, &cell, 0));
        LPARAM at = MAKELPARAM(cell.left + 5, cell.top + 2);
        PostMessageA(report->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | (ctrl ? MK_CONTROL : 0), at);
        PostMessageA(report->Handle(), WM_LBUTTONUP, 0, at);
        zt::Pump(20);
        Sleep(GetDoubleClickTime() / 4);
    }
    HWND parent = nullptr;
    std::unique_ptr<CReportCtrl> report;
    bool ctrl = false;
};

TEST_F(ReportAccess, RowsAsChildrenWithNamesRolesAndStates) {
    CReportCtrl& r = Make(0);
    char text[16];
    for (int i = 0; i < 5; ++i) {
        snprintf(text, sizeof text, "r%d", i);
        r.AddItem(text);
        snprintf(text, sizeof text, "%db", i);
        r.SetItemText(i, 1, text);
        snprintf(text, sizeof text, "%dc", i);
        r.SetItemText(i, 2, text);
    }
    r.SetItemCheck(0, 0, 1); // checked
    r.SetItemCheck(2, 0, 0); // a box, unchecked
    Click(1);
    ctrl = true;
    Click(3);
    std::vector<Read> rd = ReadAccessible(r.Handle(), 5);
    ASSERT_EQ(rd[0].hr, S_OK);
    EXPECT_EQ(rd[0].count, 5);
    EXPECT_EQ(rd[0].role, ROLE_SYSTEM_LIST);
    EXPECT_TRUE(rd[0].state & STATE_SYSTEM_FOCUSED);
    const struct {
        const char* name;
        long on, off;
    } rows[] = {
        {"r0\t0b\t0c", STATE_SYSTEM_CHECKED, STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED},
        {"r1\t1b\t1c", STATE_SYSTEM_SELECTED, STATE_SYSTEM_FOCUSED | STATE_SYSTEM_CHECKED},
        {"r2\t2b\t2c", 0, STATE_SYSTEM_SELECTED | STATE_SYSTEM_CHECKED},
        {"r3\t3b\t3c", STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED, STATE_SYSTEM_EXPANDED},
        {"r4\t4b\t4c", STATE_SYSTEM_SELECTABLE, STATE_SYSTEM_SELECTED},
    };
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(rd[(size_t)k].name, rows[k - 1].name);
        EXPECT_EQ(rd[(size_t)k].role, ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ(rd[(size_t)k].state & rows[k - 1].on, rows[k - 1].on);
        EXPECT_EQ(rd[(size_t)k].state & rows[k - 1].off, 0);
        EXPECT_EQ(rd[(size_t)k].value, ""); // no level outside tree mode
    }
}

TEST_F(ReportAccess, TreeRowsCarryLevelAndExpansion) {
    CReportCtrl& r = Make(RVS_TREEMODE);
    HTREEITEM a = r.InsertItem("a", -1, -1, -1, TVI_ROOT);
    HTREEITEM a1 = r.InsertItem("a1", -1, -1, -1, a);
    r.InsertItem("a1x", -1, -1, -1, a1);
    r.InsertItem("b", -1, -1, -1, TVI_ROOT);
    std::vector<Read> rd = ReadAccessible(r.Handle(), 2);
    EXPECT_EQ(rd[0].count, 2);
    EXPECT_EQ(rd[0].role, ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(rd[1].role, ROLE_SYSTEM_OUTLINEITEM);
    EXPECT_TRUE(rd[1].state & STATE_SYSTEM_COLLAPSED);
    EXPECT_FALSE(rd[2].state & (STATE_SYSTEM_COLLAPSED | STATE_SYSTEM_EXPANDED)); // no children
    EXPECT_EQ(rd[1].value, "1");
    EXPECT_EQ(rd[1].name, "+a\t\t");

    r.Expand(a, 1);
    rd = ReadAccessible(r.Handle(), 3);
    EXPECT_EQ(rd[0].count, 3);
    EXPECT_TRUE(rd[1].state & STATE_SYSTEM_EXPANDED);
    EXPECT_EQ(rd[1].name, "-a\t\t");
    EXPECT_EQ(rd[2].value, "2");
    EXPECT_TRUE(rd[2].state & STATE_SYSTEM_COLLAPSED);
    EXPECT_EQ(rd[2].name, "  +a1\t\t");
}

TEST_F(ReportAccess, FocusAndSelectionEventsFollowTheUser) {
    CReportCtrl& r = Make(0);
    for (int i = 0; i < 4; ++i)
        r.AddItem("row");
    std::vector<Event> events;
    g_events = &events;
    g_watched = r.Handle();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTIONWITHIN, nullptr, OnEvent,
                                         0, 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    Click(2);
    zt::Pump(30);
    auto seen = [&](DWORD ev, LONG child) {
        for (const Event& e : events)
            if (e.event == ev && e.object == OBJID_CLIENT && e.child == child) return true;
        return false;
    };
    EXPECT_TRUE(seen(EVENT_OBJECT_SELECTION, 3));
    EXPECT_TRUE(seen(EVENT_OBJECT_FOCUS, 3));
    events.clear();
    PostMessageA(r.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    zt::Pump(30);
    EXPECT_TRUE(seen(EVENT_OBJECT_SELECTION, 4));
    EXPECT_TRUE(seen(EVENT_OBJECT_FOCUS, 4));
    events.clear();
    PostMessageA(r.Handle(), WM_KEYDOWN, VK_DOWN, 0); // already on the last row: nothing changes
    zt::Pump(30);
    EXPECT_TRUE(events.empty());
    UnhookWinEvent(hook);
    g_events = nullptr;
}

// An assistive program that still holds the object after the control is gone gets failures, not a crash.
TEST_F(ReportAccess, AnObjectHeldPastTheControlFailsCleanly) {
    CReportCtrl& r = Make(0);
    r.AddItem("row");
    HMODULE oleacc = LoadLibraryA("oleacc.dll");
    typedef HRESULT(WINAPI * FromWindow)(HWND, DWORD, REFIID, void**);
    auto fromWindow = reinterpret_cast<FromWindow>(
        reinterpret_cast<void*>(GetProcAddress(oleacc, "AccessibleObjectFromWindow")));
    ASSERT_TRUE(fromWindow);
    IAccessible* acc = nullptr;
    ASSERT_EQ(fromWindow(r.Handle(), (DWORD)OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&acc)),
              S_OK);
    long count = 0;
    EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    report.reset();
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = 1;
    BSTR name = nullptr;
    EXPECT_TRUE(FAILED(acc->get_accChildCount(&count)));
    EXPECT_TRUE(FAILED(acc->get_accName(child, &name)));
    EXPECT_EQ(name, nullptr);
    acc->Release();
    FreeLibrary(oleacc);
}

} // namespace
