// The controls as window classes (zrpcctl.h): made by a dialog template and by CreateWindowEx, driven
// by messages alone and compared with the C++ classes on the same data; the password field's digest;
// wrong arguments; who owns the control object; and random message sequences sent to a live control.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "crypto/sha1.h"
#include "tests/common/report_message_driver.h"
#include "tests/win/support/testsupport.h"
#include "tests/win/ui_testing.h"
#include "zrpcctl.h"
#include "zrpcfunc.h"
#include "zrpcreportctrl.h"
#include "zrpcsecureedit.h"

namespace {

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

// The rows both controls get: a name, a size and a kind, in an order no column is sorted in.
struct Row {
    const char* name;
    const char* size;
    const char* kind;
};
const Row kRows[] = {{"pear", "12", "fruit"},     {"Apple", "7", "fruit"},
                     {"fig", "3", "fruit"},       {"apricot", "9", "fruit"},
                     {"leek", "30", "vegetable"}, {"Artichoke", "15", "vegetable"},
                     {"bean", "1", "vegetable"},  {"alder", "900", "tree"}};
const char* const kTitles[] = {"Name", "Size", "Kind"};

intptr_t Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return (intptr_t)SendMessageA(hwnd, msg, wp, lp);
}

// Fills a control through messages only.
void FillByMessages(HWND report) {
    for (int i = 0; i < 3; ++i) {
        RVMSUBITEM sub = {sizeof sub, HDF_STRING, 90, 0, 0, 0, kTitles[i], -1, 0};
        ASSERT_EQ(i, Send(report, RVM_DEFINESUBITEM, (WPARAM)i, (LPARAM)&sub));
        ASSERT_EQ(i, Send(report, RVM_ACTIVATESUBITEM, (WPARAM)i, i));
    }
    int n = 0;
    for (const Row& r : kRows) {
        RVMITEM item = {};
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL | RVIM_USERDATA;
        item.iItem = n;
        item.pszText = const_cast<char*>(r.name);
        item.cchText = -1;
        item.lParam = 100 + n;
        ASSERT_EQ(n, Send(report, RVM_INSERTITEM, 0, (LPARAM)&item));
        const char* cells[] = {r.size, r.kind};
        for (int sub = 1; sub <= 2; ++sub) {
            RVMCELL cell = {sizeof cell, sub, const_cast<char*>(cells[sub - 1]),
                            (int32_t)strlen(cells[sub - 1]), 0};
            ASSERT_EQ(TRUE, Send(report, RVM_SETITEMTEXT, (WPARAM)n, (LPARAM)&cell));
        }
        ++n;
    }
}

// The same through the C++ class.
void FillByClass(CReportCtrl& report) {
    for (int i = 0; i < 3; ++i) {
        _RVSUBITEM sub = {HDF_STRING, 90, 0, 0, 0, kTitles[i]};
        ASSERT_EQ(i, report.DefineSubItem(i, &sub));
        ASSERT_EQ(i, report.ActivateSubItem(i, i));
    }
    int n = 0;
    for (const Row& r : kRows) {
        ASSERT_EQ(n, report.AddItem(r.name));
        report.SetItemData(n, 100 + n);
        report.SetItemText(n, 1, r.size);
        report.SetItemText(n, 2, r.kind);
        ++n;
    }
}

std::string TextByMessage(HWND report, int item, int sub) {
    char buffer[64] = "";
    RVMCELL cell = {sizeof cell, sub, buffer, sizeof buffer, 0};
    Send(report, RVM_GETITEMTEXT, (WPARAM)item, (LPARAM)&cell);
    return buffer;
}

class ControlClasses : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ZRPCFUNC_InitControls());
        parent = zt::MakeParentWindow("ControlClassesParent", ParentProc, nullptr,
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        DestroyWindow(parent);
        zt::Pump(10);
    }
    HWND MakeReport(DWORD styles, int id = 10, int x = 0) {
        return CreateWindowExA(0, ZRPC_REPORTCTRL_CLASS, "", WS_CHILD | WS_VISIBLE | WS_BORDER | styles, x, 0,
                               300, 300, parent, (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    }
    HWND parent = nullptr;
};

TEST_F(ControlClasses, InitControlsIsIdempotentAndTheClassesAreGlobal) {
    EXPECT_TRUE(ZRPCFUNC_InitControls());
    EXPECT_TRUE(ZRPCFUNC_InitControls());
    // Found from this program's module as from the library's: any module may name them.
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), ZRPC_REPORTCTRL_CLASS, &info));
    EXPECT_TRUE(info.style & CS_GLOBALCLASS);
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), ZRPC_SECUREEDIT_CLASS, &info));
    EXPECT_TRUE(info.style & CS_GLOBALCLASS);
}

TEST_F(ControlClasses, DialogTemplateNamesBothClasses) {
    HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), parent, PlainDialogProc, 0);
    ASSERT_TRUE(dialog) << GetLastError();
    HWND report = GetDlgItem(dialog, 101), field = GetDlgItem(dialog, 102);
    ASSERT_TRUE(report);
    ASSERT_TRUE(field);
    // The template's low style bits are the control's own styles; its header is made.
    EXPECT_EQ((DWORD)RVS_STRIPEDROWS, (DWORD)Send(report, RVM_GETSTYLE) & 0xFFFF);
    EXPECT_TRUE(GetWindowLongA(report, GWL_STYLE) & WS_CLIPCHILDREN);
    HWND header = (HWND)Send(report, RVM_GETHEADERCTRL);
    EXPECT_TRUE(header && GetParent(header) == report);
    FillByMessages(report);
    EXPECT_EQ(8, Send(report, RVM_GETITEMCOUNT));
    EXPECT_EQ(3, Send(header, HDM_GETITEMCOUNT));
    // The field takes typed characters and shows the mask.
    zt::PostChars(field, "pw");
    zt::Pump(50);
    EXPECT_EQ(2, Send(field, SEDM_GETLENGTH));
    EXPECT_EQ(std::string(2, '\x95'), zt::WindowText(field));
    DestroyWindow(dialog);
}

TEST_F(ControlClasses, MessagesGiveWhatTheClassGivesOnTheSameData) {
    HWND byMessages = MakeReport(0);
    ASSERT_TRUE(byMessages);
    FillByMessages(byMessages);
    CReportCtrl cls;
    RECT rc = {310, 0, 610, 300};
    ASSERT_TRUE(cls.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, rc, parent, 11));
    FillByClass(cls);

    struct Step {
        const char* what;
        int sortSub; // -1: no sort
        bool ascending;
        const char* pattern;
        int patternSub;
    } steps[] = {{"unsorted, pattern a*", -1, true, "a*", 0},
                 {"by name ascending, pattern ?e*", 0, true, "?e*", 0},
                 {"by name descending, pattern *ruit", 0, false, "*ruit", 2},
                 {"by kind ascending, nothing", 2, true, "zzz", 0},
                 {"by size ascending (as text), pattern 1*", 1, true, "1*", 1}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.sortSub >= 0) {
            EXPECT_EQ(TRUE, Send(byMessages, RVM_SORTITEMS, (WPARAM)s.sortSub, s.ascending));
            EXPECT_TRUE(cls.SortItems(s.sortSub, s.ascending));
        }
        int rows = (int)Send(byMessages, RVM_GETROWCOUNT);
        ASSERT_EQ(cls.GetRowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            int item = (int)Send(byMessages, RVM_GETITEMFROMROW, (WPARAM)row);
            EXPECT_EQ(cls.GetItemFromRow(row), item) << row;
            for (int sub = 0; sub < 3; ++sub)
                EXPECT_EQ(std::string(cls.GetItemText(item, sub).GetString()),
                          TextByMessage(byMessages, item, sub));
            EXPECT_EQ((intptr_t)cls.GetItemData(item), Send(byMessages, RVM_GETITEMDATA, (WPARAM)item));
        }
        RVMSELECT sel = {};
        sel.cbSize = sizeof sel;
        sel.iSubItem = s.patternSub;
        sel.pszPattern = s.pattern;
        sel.cchPattern = -1;
        EXPECT_EQ(TRUE, Send(byMessages, RVM_SETSELECTIONPATTERN, 0, (LPARAM)&sel));
        cls.SetSelection(s.patternSub, CString(s.pattern), FALSE);
        int want[16] = {}, got[16] = {};
        int n = cls.GetSelectedItems(want, 16);
        ASSERT_EQ(n, (int)Send(byMessages, RVM_GETSELECTEDITEMS, 16, (LPARAM)got));
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(want[i], got[i]);
        // Copy: the same text on the clipboard from both.
        EXPECT_EQ(TRUE, Send(byMessages, RVM_COPY));
        std::string copied = zt::ClipboardText(parent);
        zt::SetClipboardText(parent, "");
        cls.Copy();
        EXPECT_EQ(zt::ClipboardText(parent), copied);
        EXPECT_EQ(n == 0, copied.empty());
        // The focus and the sort settings.
        int column = 7;
        EXPECT_EQ(cls.GetCurrentFocus(nullptr),
                  (int)Send(byMessages, RVM_GETCURRENTFOCUS, 0, (LPARAM)&column));
        int sub = -3;
        BOOL asc = -3;
        EXPECT_EQ(cls.GetSortSettings(nullptr, nullptr),
                  (BOOL)Send(byMessages, RVM_GETSORTSETTINGS, (WPARAM)&sub, (LPARAM)&asc));
        if (s.sortSub >= 0) {
            EXPECT_EQ(s.sortSub, sub);
            EXPECT_EQ(s.ascending, asc != FALSE);
        }
    }
    // Geometry: the same cell rectangles and hits (the two controls have the same size and font).
    for (int item = 0; item < 3; ++item) {
        RVMITEMRECT r = {sizeof r, item, 1, 3, {0, 0, 0, 0}};
        RECT want = {};
        ASSERT_EQ(cls.GetItemRect(item, 1, &want, 3), (BOOL)Send(byMessages, RVM_GETITEMRECT, 0, (LPARAM)&r));
        EXPECT_EQ(want.left, r.rect.left);
        EXPECT_EQ(want.top, r.rect.top);
        EXPECT_EQ(want.right, r.rect.right);
        EXPECT_EQ(want.bottom, r.rect.bottom);
        RVMHITTEST hit = {};
        hit.cbSize = sizeof hit;
        hit.x = (want.left + want.right) / 2;
        hit.y = (want.top + want.bottom) / 2;
        EXPECT_EQ(item, (int)Send(byMessages, RVM_HITTEST, 0, (LPARAM)&hit));
        EXPECT_EQ(1, hit.iSubItem);
    }
    DestroyWindow(byMessages);
}

TEST_F(ControlClasses, WrongArgumentsAnswerTheDocumentedValuesAndChangeNothing) {
    HWND report = MakeReport(0);
    ASSERT_TRUE(report);
    FillByMessages(report);
    struct Case {
        const char* what;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        intptr_t expected;
    };
    char buffer[8] = "";
    RVMCELL shortCell = {sizeof(RVMCELL) - 1, 0, buffer, sizeof buffer, 0};
    RVMITEM item = {};
    item.cbSize = sizeof item + 4;
    const Case cases[] = {
        {"item out of range", RVM_GETITEMDATA, 99, 0, 0},
        {"delete an item out of range", RVM_DELETEITEM, (WPARAM)-5, 0, FALSE},
        {"null record", RVM_GETITEMTEXT, 0, 0, 0},
        {"short record", RVM_GETITEMTEXT, 0, (LPARAM)&shortCell, 0},
        {"long record", RVM_INSERTITEM, 0, (LPARAM)&item, -2},
        {"null find", RVM_FINDITEM, 0, 0, -2},
        {"made-up node", RVM_GETITEMINDEX, 0, 0x1234, -2},
        {"list operation in the wrong mode", RVM_SETITEMCOUNT, 5, 0, FALSE},
        {"digest message to the report", SEDM_GETDIGEST, 20, (LPARAM)buffer, 0},
        {"number of the range without a message", RVM_FIRST + 0x9B, 1, 1, 0},
        {"number below the range", RVM_FIRST - 1, 1, 1, 0},
        {"colour table beyond reach", RVM_INSERTCOLOR, 0x7FFFFFFF, 0xFF, -1},
    };
    for (const Case& c : cases) {
#ifdef _WIN64
        if (c.msg == RVM_INSERTCOLOR) continue; // 8 GB may be had there; the 32-bit product cannot
#endif
        EXPECT_EQ(c.expected, Send(report, c.msg, c.wp, c.lp)) << c.what;
    }
    EXPECT_EQ(8, Send(report, RVM_GETITEMCOUNT));
    EXPECT_EQ("pear", TextByMessage(report, 0, 0));
    EXPECT_EQ(0, Send(report, RVM_GETSELECTEDCOUNT));
}

TEST_F(ControlClasses, PasswordFieldHandsOutTheDigestOnly) {
    HWND field = CreateWindowExA(0, ZRPC_SECUREEDIT_CLASS, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 200,
                                 24, parent, (HMENU)20, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(field);
    // The C++ class on a plain edit, typed the same.
    HWND plain = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 30, 200, 24, parent,
                                 (HMENU)21, GetModuleHandleA(nullptr), nullptr);
    CSecureEdit cls;
    ASSERT_TRUE(cls.SubclassWindow(plain));
    zt::PostChars(field, "s3cret\xE9");
    zt::PostChars(plain, "s3cret\xE9");
    zt::Pump(100);
    EXPECT_EQ(7, Send(field, SEDM_GETLENGTH));
    unsigned char digest[SEDM_DIGEST_SIZE] = {}, want[20] = {}, sha[20] = {};
    EXPECT_EQ(TRUE, Send(field, SEDM_GETDIGEST, sizeof digest, (LPARAM)digest));
    cls.HashContents(want);
    zrpc::Sha1Digest("s3cret\xE9", 7, sha);
    EXPECT_EQ(0, memcmp(digest, want, 20));
    EXPECT_EQ(0, memcmp(digest, sha, 20));
    // The window text is the mask, and it cannot be set from outside.
    EXPECT_EQ(std::string(7, '\x95'), zt::WindowText(field));
    EXPECT_FALSE(SetWindowTextA(field, "other"));
    EXPECT_EQ(7, Send(field, SEDM_GETLENGTH));
    // A buffer too small or none: FALSE, nothing written.
    unsigned char small[SEDM_DIGEST_SIZE] = {};
    EXPECT_EQ(FALSE, Send(field, SEDM_GETDIGEST, 19, (LPARAM)small));
    EXPECT_EQ(FALSE, Send(field, SEDM_GETDIGEST, 20, 0));
    EXPECT_EQ(std::string(20, '\0'), std::string((char*)small, 20));
    // The characters themselves on request; emptied.
    EXPECT_EQ(TRUE, Send(field, SEDM_HIDEPASSWORD, 0));
    EXPECT_EQ("s3cret\xE9", zt::WindowText(field));
    EXPECT_EQ(TRUE, Send(field, SEDM_CLEAR));
    EXPECT_EQ(0, Send(field, SEDM_GETLENGTH));
    EXPECT_EQ(TRUE, Send(field, SEDM_GETDIGEST, sizeof digest, (LPARAM)digest));
    zrpc::Sha1Digest("", 0, sha);
    EXPECT_EQ(0, memcmp(digest, sha, 20));
    // A window name given at creation is no typed text: the field starts empty.
    HWND named = CreateWindowExA(0, ZRPC_SECUREEDIT_CLASS, "visible", WS_CHILD, 0, 60, 200, 24, parent,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(named);
    EXPECT_EQ("", zt::WindowText(named));
    EXPECT_EQ(0, Send(named, SEDM_GETLENGTH));
    DestroyWindow(named);
    // Report messages are nothing to the field.
    EXPECT_EQ(0, Send(field, RVM_GETITEMCOUNT));
    DestroyWindow(field);
}

TEST_F(ControlClasses, EachWindowOwnsItsObjectAndNoneIsOwnedTwice) {
    // Windows of the class made and destroyed in numbers, their controls with them.
    for (int i = 0; i < 50; ++i) {
        HWND report = MakeReport(i % 2 ? RVS_TREEMODE : 0, 30 + i);
        ASSERT_TRUE(report);
        RVMSUBITEM sub = {sizeof sub, HDF_STRING, 90, 0, 0, 0, "Name", -1, 0};
        Send(report, RVM_DEFINESUBITEM, 0, (LPARAM)&sub);
        HWND field = CreateWindowExA(0, ZRPC_SECUREEDIT_CLASS, "", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(field);
        EXPECT_TRUE(DestroyWindow(i % 3 ? report : field));
        EXPECT_TRUE(DestroyWindow(i % 3 ? field : report));
    }
    // A control made by the C++ class is that object's: the class's procedure makes no second one, the
    // window answers the messages through the object, and the object outlives a window destroyed
    // from outside.
    auto cls = std::make_unique<CReportCtrl>();
    RECT rc = {0, 0, 200, 200};
    ASSERT_TRUE(cls->Create(WS_CHILD | WS_VISIBLE, rc, parent, 40));
    HWND hwnd = cls->Handle();
    _RVSUBITEM sub = {HDF_STRING, 90, 0, 0, 0, "Name"};
    cls->DefineSubItem(0, &sub);
    cls->ActivateSubItem(0, 0);
    cls->AddItem("one");
    EXPECT_EQ(1, Send(hwnd, RVM_GETITEMCOUNT));
    EXPECT_EQ("one", TextByMessage(hwnd, 0, 0));
    // A window of the class owns its object; a C++ object taking it over (as a dialog's code takes over
    // an item of its template) replaces that object: one header, the C++ object's items, and the window
    // stays when the C++ object goes.
    HWND owned = MakeReport(0, 41);
    RVMSUBITEM ownedSub = {sizeof ownedSub, HDF_STRING, 90, 0, 0, 0, "Name", -1, 0};
    Send(owned, RVM_DEFINESUBITEM, 0, (LPARAM)&ownedSub);
    {
        CReportCtrl other;
        ASSERT_TRUE(other.SubclassWindow(owned));
        EXPECT_EQ(0, other.GetSubItemCount());
        other.DefineSubItem(0, &sub);
        other.ActivateSubItem(0, 0);
        EXPECT_EQ(0, other.AddItem("taken"));
        EXPECT_EQ(1, Send(owned, RVM_GETITEMCOUNT));
        EXPECT_EQ("taken", TextByMessage(owned, 0, 0));
        int headers = 0;
        for (HWND child = GetWindow(owned, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[32] = "";
            GetClassNameA(child, name, sizeof name);
            if (!lstrcmpiA(name, WC_HEADERA)) ++headers;
        }
        EXPECT_EQ(1, headers);
        CReportCtrl third;
        EXPECT_FALSE(third.SubclassWindow(owned)); // a C++ object's window is not taken from it
    }
    EXPECT_TRUE(IsWindow(owned));
    DestroyWindow(owned);
    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, cls->Handle());
    EXPECT_EQ(1, cls->GetItemCount());
    cls.reset();
}

// Random message sequences (fixed seed, bounded) sent to live controls in each mode: every message
// is answered and the control still works afterwards.
TEST_F(ControlClasses, RandomMessageSequencesToALiveControl) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 4, 0);
    HWND chooser = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 400, 0, 100, 100, parent, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    reporttest::DriverHandles handles;
    handles.images = (uintptr_t)images;
    handles.font = (uintptr_t)GetStockObject(DEFAULT_GUI_FONT);
    handles.listBox = (uintptr_t)chooser;
    const DWORD modes[] = {0, RVS_TREEMODE, RVS_VIRTUALDATA, RVS_ENTRYROW | RVS_CELLFOCUS};
    uint32_t seed = 25;
    for (DWORD mode : modes) {
        HWND report = MakeReport(mode, 50);
        ASSERT_TRUE(report);
        if (mode & RVS_VIRTUALDATA) {
            RVMSUBITEM sub = {sizeof sub, HDF_STRING, 90, 0, 0, 0, "Name", -1, 0};
            Send(report, RVM_DEFINESUBITEM, 0, (LPARAM)&sub);
            Send(report, RVM_ACTIVATESUBITEM, 0, 0);
            EXPECT_EQ(TRUE, Send(report, RVM_SETITEMCOUNT, 40));
        } else if (mode & RVS_TREEMODE) {
            RVMSUBITEM sub = {sizeof sub, HDF_STRING, 90, 0, 0, 0, "Name", -1, 0};
            Send(report, RVM_DEFINESUBITEM, 0, (LPARAM)&sub);
            Send(report, RVM_ACTIVATESUBITEM, 0, 0);
            intptr_t parentNode = (intptr_t)TVI_ROOT;
            for (int i = 0; i < 12; ++i) {
                RVMTREEITEM tree = {};
                tree.cbSize = sizeof tree;
                tree.hParent = reinterpret_cast<struct _TREEITEM*>(i % 4 ? parentNode : (intptr_t)TVI_ROOT);
                tree.hInsertAfter = TVI_LAST;
                tree.iTreeSubItem = -1;
                tree.item.cbSize = sizeof tree.item;
                tree.item.nMask = RVIM_LABEL;
                tree.item.pszText = const_cast<char*>(kRows[i % 8].name);
                tree.item.cchText = -1;
                intptr_t node = Send(report, RVM_INSERTTREEITEM, 0, (LPARAM)&tree);
                EXPECT_NE(0, node);
                if (i % 4 == 0) parentNode = node;
            }
        } else {
            FillByMessages(report);
        }
        std::vector<uint8_t> bytes(8000);
        for (uint8_t& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = (uint8_t)(seed >> 16);
        }
        FuzzInput in{bytes.data(), bytes.size()};
        auto driver = reporttest::MakeMessageDriver(
            in, handles, [&](uint32_t msg, uintptr_t wp, intptr_t lp) { return Send(report, msg, wp, lp); });
        int sent = 0;
        while (driver.More() && sent < 400) {
            driver.Step();
            ++sent;
        }
        EXPECT_GT(sent, 100);
        zt::Pump(20);
        // Still a working control.
        Send(report, RVM_ENDEDIT, FALSE);
        int count = (int)Send(report, RVM_GETITEMCOUNT);
        EXPECT_GE(count, 0);
        if (!(Send(report, RVM_GETSTYLE) & (RVS_TREEMODE | RVS_VIRTUALDATA))) {
            RVMITEM item = {};
            item.cbSize = sizeof item;
            item.nMask = RVIM_LABEL;
            item.iItem = count;
            item.pszText = const_cast<char*>("after");
            item.cchText = -1;
            if (Send(report, RVM_GETSUBITEMCOUNT) > 0) {
                EXPECT_EQ(count, Send(report, RVM_INSERTITEM, 0, (LPARAM)&item));
            }
        }
        DestroyWindow(report);
    }
    DestroyWindow(chooser);
    ImageList_Destroy(images);
}

} // namespace
