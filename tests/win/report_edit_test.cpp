// In-place editing of the report control with real typing (SendInput) on a plain Win32 parent: the
// start keys, the 16-character limit, Escape, Tab and Return, the parent's veto and its own editor,
// the "..." button and what the parent may do to its text, the edit row, and an editor that never
// outlives its item or the control.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 88;

struct ParentState {
    std::vector<uint32_t> codes;
    std::vector<_NMRVITEMEDIT> edits; // begin, end and button records as they came
    std::vector<std::string> texts;   // their texts
    bool askButton = false;           // RVN_BEGINITEMEDIT: ask for the "..." button
    HWND ownEditor = nullptr;         // RVN_BEGINITEMEDIT: run the edit in this window
    bool takeOver = false;
    bool vetoEnd = false;                // RVN_ENDITEMEDIT answered non-zero
    std::string buttonText;              // RVN_BUTTONPRESSED: the text written into the record's buffer
    const char* buttonPointer = nullptr; // or a text of its own put into the record
    LRESULT buttonAnswer = 1;
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && st) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code == RVN_NEEDDATA) { // virtual mode: every cell has a text
            _RVITEM& item = reinterpret_cast<_NMRVITEMCALLBACK*>(lp)->item;
            item.nMask = 0;
            if (item.iSubItem >= 0) {
                snprintf(item.lpszText, (size_t)item.iTextMax, "v%d", item.iItem);
                item.nMask = RVIM_LABEL;
            }
            return 0;
        }
        if (h->code == RVN_BEGINITEMEDIT || h->code == RVN_ENDITEMEDIT || h->code == RVN_BUTTONPRESSED) {
            auto* e = reinterpret_cast<_NMRVITEMEDIT*>(lp);
            st->codes.push_back(h->code);
            st->edits.push_back(*e);
            st->texts.push_back(e->lpszText ? e->lpszText : "<null>");
            if (h->code == RVN_BEGINITEMEDIT) {
                e->bButton = st->askButton;
                if (st->takeOver) {
                    e->hWnd = st->ownEditor;
                    return 1;
                }
            }
            if (h->code == RVN_ENDITEMEDIT) return st->vetoEnd ? 1 : 0;
            if (h->code == RVN_BUTTONPRESSED) {
                if (st->buttonPointer)
                    e->lpszText = const_cast<char*>(st->buttonPointer);
                else
                    std::memcpy(e->lpszText, st->buttonText.c_str(),
                                std::min<size_t>(st->buttonText.size() + 1, 256));
                return st->buttonAnswer;
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class ReportEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportEditParent", ParentProc, &st, WS_POPUP | WS_VISIBLE, 20, 20, 480,
                                      360);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
        zt::Pump(20);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Three columns (widths 120, 120, w2) and n items "r<i>", "<i>b", "<i>c".
    CReportCtrl& Make(DWORD styles, int items, int w2 = 120) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 450, 330};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Size", "Kind"};
        int widths[] = {120, 120, w2};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = {HDF_STRING, widths[i], 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        char text[32];
        for (int i = 0; i < items && !(styles & RVS_VIRTUALDATA); ++i) {
            snprintf(text, sizeof text, "r%d", i);
            int item = report->AddItem(text);
            snprintf(text, sizeof text, "%db", i);
            report->SetItemText(item, 1, text);
            snprintf(text, sizeof text, "%dc", i);
            report->SetItemText(item, 2, text);
        }
        SetForegroundWindow(parent);
        SetFocus(report->Handle());
        zt::Pump(20);
        return *report;
    }
    // Focuses a cell as a click would (without a double-click in between).
    void FocusCell(int item, int subItem) {
        RECT cell;
        ASSERT_TRUE(report->GetItemRect(item, subItem, &cell, 3));
        SendMessageA(report->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 2, cell.top + 2));
        SendMessageA(report->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 2, cell.top + 2));
    }
    HWND Editor() { return report->GetEditWindow(); }
    HWND Button() {
        HWND child = nullptr;
        while ((child = FindWindowExA(report->Handle(), child, "Button", nullptr)) != nullptr)
            if (zt::WindowText(child) == "...") return child;
        return nullptr;
    }
    int Count(uint32_t code) {
        int n = 0;
        for (uint32_t c : st.codes)
            n += c == code;
        return n;
    }

    HWND parent = nullptr;
    ParentState st;
    std::unique_ptr<CReportCtrl> report;
};

// Typing on a focused cell opens the editor with the typed character; the end key decides.
TEST_F(ReportEdit, TypingOpensTheEditorAndTheEndKeyDecides) {
    const struct {
        const char* name;
        const char* typed;
        WORD endKey;
        bool vetoEnd;
        const char* cellAfter;
    } cases[] = {
        {"return stores", "xyz", VK_RETURN, false, "xyz"},
        {"tab stores", "q", VK_TAB, false, "q"},
        {"escape keeps the old text", "xyz", VK_ESCAPE, false, "1b"},
        {"the parent's veto keeps the old text after return", "xyz", VK_RETURN, true, "1b"},
        {"at most 16 characters", "abcdefghijklmnopqrstu", VK_RETURN, false, "abcdefghijklmnop"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        st = ParentState();
        st.vetoEnd = c.vetoEnd;
        CReportCtrl& r = Make(RVS_CELLFOCUS, 3);
        FocusCell(1, 1);
        zt::TypeText(c.typed);
        zt::Pump(40);
        ASSERT_TRUE(Editor());
        EXPECT_EQ(zt::WindowText(Editor()), std::string(c.typed).substr(0, 16));
        ASSERT_EQ(Count(RVN_BEGINITEMEDIT), 1);
        EXPECT_EQ(st.edits[0].iItem, 1);
        EXPECT_EQ(st.edits[0].iSubItem, 1);
        EXPECT_EQ(st.edits[0].nKey, (uint32_t)(unsigned char)c.typed[0]);
        EXPECT_EQ(st.texts[0], "1b");
        zt::PressKey(c.endKey);
        zt::Pump(40);
        EXPECT_FALSE(Editor());
        EXPECT_EQ(GetFocus(), r.Handle());
        ASSERT_EQ(Count(RVN_ENDITEMEDIT), 1);
        const _NMRVITEMEDIT& end = st.edits.back();
        EXPECT_EQ(end.hdr.hwndFrom, r.Handle());
        EXPECT_EQ(end.hdr.idFrom, kReportId);
        EXPECT_EQ(end.nKey, (uint32_t)c.endKey);
        EXPECT_EQ(end.iItem, 1);
        EXPECT_EQ(st.texts.back(), std::string(c.typed).substr(0, 16));
        EXPECT_STREQ(r.GetItemText(1, 1), c.cellAfter);
    }
}

TEST_F(ReportEdit, StartKeysPlaceTheCaretOrReplaceTheText) {
    CReportCtrl& r = Make(RVS_CELLFOCUS, 2);
    r.SetItemText(0, 0, "hello");
    const struct {
        UINT key;
        const char* text;
        int selStart, selEnd;
    } cases[] = {
        {1, "hello", 5, 5},         // a click: caret after the text
        {VK_RETURN, "hello", 5, 5}, //
        {VK_BACK, "hell", 4, 4},    // the last character goes
        {VK_HOME, "hello", 0, 5},   // navigation keys select the whole text
        {VK_SPACE, "hello", 0, 5},  //
        {VK_TAB, "hello", 0, 5},    //
        {'k', "k", 1, 1},           // a character replaces the text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(r.BeginEdit(0, 0, c.key));
        ASSERT_TRUE(Editor());
        EXPECT_EQ(zt::WindowText(Editor()), c.text);
        DWORD s = 0, e = 0;
        SendMessageA(Editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        EXPECT_EQ((int)s, c.selStart);
        EXPECT_EQ((int)e, c.selEnd);
        EXPECT_EQ(SendMessageA(Editor(), EM_GETLIMITTEXT, 0, 0), 16);
        r.EndEdit(FALSE);
        EXPECT_FALSE(Editor());
    }
    EXPECT_STREQ(r.GetItemText(0, 0), "hello");
    // A "(" typed on the keyboard is a character, not the Down key of the same number.
    FocusCell(0, 0);
    PostMessageA(r.Handle(), WM_KEYDOWN, VK_SHIFT, 0); // a key without a character of its own
    zt::PostChars(r.Handle(), "(");
    zt::Pump(30);
    ASSERT_TRUE(Editor());
    EXPECT_EQ(zt::WindowText(Editor()), "(");
}

TEST_F(ReportEdit, NoEditorWithoutTextOrWithNoEditAndBoldForHeavyItems) {
    CReportCtrl& r = Make(RVS_CELLFOCUS, 3);
    r.SetItemText(0, 1, nullptr);
    EXPECT_FALSE(r.BeginEdit(0, 1, 1)); // a cell without text
    EXPECT_FALSE(Editor());
    _RVITEM it = {};
    it.nMask = RVIM_STATEBITS;
    it.iItem = 1;
    it.iSubItem = -1;
    it.nState = RVIS_NOEDIT;
    r.SetItem(&it);
    st.codes.clear();
    EXPECT_FALSE(r.BeginEdit(1, 1, 1));
    EXPECT_EQ(Count(RVN_BEGINITEMEDIT), 0); // refused before the parent is asked
    EXPECT_FALSE(r.BeginEdit(-1, 0, 1));    // no edit row without RVS_ENTRYROW
    EXPECT_FALSE(r.BeginEdit(2, -1, 1));
    it.iItem = 2;
    it.nState = RVIS_HEAVYFONT;
    r.SetItem(&it);
    ASSERT_TRUE(r.BeginEdit(2, 0, 1));
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Editor(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    r.EndEdit(FALSE);
    ASSERT_TRUE(r.BeginEdit(0, 0, 1));
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Editor(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_NE(lf.lfWeight, FW_BOLD);
    r.EndEdit(FALSE);
}

TEST_F(ReportEdit, TheButtonAndWhatTheParentDoesToItsText) {
    st.askButton = true;
    CReportCtrl& r = Make(RVS_CELLFOCUS, 2, 22); // column 2 is too narrow for a button
    ASSERT_TRUE(r.BeginEdit(0, 2, 1));
    EXPECT_FALSE(Button());
    r.EndEdit(FALSE);

    ASSERT_TRUE(r.BeginEdit(0, 1, 1));
    HWND button = Button();
    ASSERT_TRUE(button);
    RECT eb, bb;
    GetWindowRect(Editor(), &eb);
    GetWindowRect(button, &bb);
    EXPECT_EQ(bb.bottom - bb.top, bb.right - bb.left); // a square
    EXPECT_EQ(bb.bottom - bb.top, eb.bottom - eb.top); // as tall as the editor
    EXPECT_EQ(bb.left, eb.right);                      // at its right end

    const struct {
        const char* name;
        std::string text;
        const char* pointer;
        LRESULT answer;
        const char* editor;
    } cases[] = {
        {"a short text goes back", "chosen", nullptr, 1, "chosen"},
        {"an answer other than 1 keeps the text", "ignored", nullptr, 2, "chosen"},
        {"a long text is cut to the limit", std::string(255, 'L'), nullptr, 1, "LLLLLLLLLLLLLLLL"},
        {"a text of the parent's own is cut too", "", "0123456789abcdefghijklmnopqrstuvwxyz", 1,
         "0123456789abcdef"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.answer == 1 && !c.pointer && c.text == "chosen") SetWindowTextA(Editor(), "0b");
        st.buttonText = c.text;
        st.buttonPointer = c.pointer;
        st.buttonAnswer = c.answer;
        int before = Count(RVN_BUTTONPRESSED);
        SetFocus(button); // the button takes the focus: the parent is asked
        zt::Pump(20);
        EXPECT_EQ(Count(RVN_BUTTONPRESSED), before + 1);
        ASSERT_TRUE(Editor());
        EXPECT_EQ(GetFocus(), Editor()); // the editor took the focus back and did not end
        EXPECT_EQ(zt::WindowText(Editor()), c.editor);
    }
    EXPECT_EQ(Count(RVN_ENDITEMEDIT), 0);
    EXPECT_EQ(st.texts[st.texts.size() - 4], "0b"); // the record carried the editor's text
    zt::PressKey(VK_RETURN);
    zt::Pump(30);
    EXPECT_STREQ(r.GetItemText(0, 1), "0123456789abcdef");
    EXPECT_FALSE(Button());
}

TEST_F(ReportEdit, TheParentRunsTheEditItself) {
    CReportCtrl& r = Make(RVS_CELLFOCUS, 2);
    HWND own = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 300, 300, 100, 20, parent,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    st.takeOver = true;
    st.ownEditor = nullptr;
    EXPECT_FALSE(r.BeginEdit(1, 0, 1)); // taking over without a window refuses the edit
    EXPECT_FALSE(Editor());
    st.ownEditor = own;
    ASSERT_TRUE(r.BeginEdit(1, 0, 1));
    EXPECT_EQ(Editor(), own);
    EXPECT_EQ(GetFocus(), own);
    EXPECT_STREQ(st.texts.back().c_str(), "r1");
    EXPECT_EQ(st.edits.back().nKey, 1u);
    RECT cell;
    r.GetItemRect(1, 0, &cell, 0);
    EXPECT_EQ(st.edits.back().rect.left, cell.left);
    EXPECT_EQ(st.edits.back().rect.bottom, cell.bottom);
    // The parent's editor reports its end to the control, which stores and passes it on.
    char text[] = "from the parent";
    _NMRVITEMEDIT nm = {};
    nm.hdr.hwndFrom = own;
    nm.hdr.code = RVN_ENDITEMEDIT;
    nm.nKey = VK_RETURN;
    nm.lpszText = text;
    SendMessageA(r.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_STREQ(r.GetItemText(1, 0), "from the parent");
    EXPECT_EQ(Count(RVN_ENDITEMEDIT), 1);
    EXPECT_EQ(st.edits.back().hdr.hwndFrom, r.Handle());
    EXPECT_EQ(st.edits.back().iItem, 1);
    EXPECT_FALSE(Editor());
}

TEST_F(ReportEdit, TheEditRowAndAddItemNull) {
    CReportCtrl& r = Make(RVS_ENTRYROW, 2);
    r.SetItemText(-1, 0, "new");
    r.SetItemText(-1, 2, "kind");
    RECT cell;
    ASSERT_TRUE(r.GetItemRect(-1, 0, &cell, 3));
    LPARAM at = MAKELPARAM(cell.left + 2, cell.top + 2);
    // A first click focuses the edit row's cell, a second (not a double-click) opens the editor.
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_FALSE(Editor());
    SendMessageA(r.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ASSERT_TRUE(Editor());
    EXPECT_EQ(st.edits.back().iItem, -1);
    SendMessageA(Editor(), EM_SETSEL, 0, -1);
    zt::TypeText("entry");
    zt::PressKey(VK_RETURN);
    zt::Pump(40);
    EXPECT_STREQ(r.GetItemText(-1, 0), "entry");
    // Typing on the focused edit-row cell opens the editor too, even without cell focus.
    zt::TypeText("z");
    zt::Pump(30);
    ASSERT_TRUE(Editor());
    zt::PressKey(VK_ESCAPE);
    zt::Pump(30);
    int added = r.AddItem(static_cast<_RVITEM*>(nullptr));
    EXPECT_EQ(added, 2);
    EXPECT_STREQ(r.GetItemText(2, 0), "entry");
    EXPECT_STREQ(r.GetItemText(2, 2), "kind");
}

// An open editor never outlives its item or the control; it follows its item when others move.
TEST_F(ReportEdit, AnEditorNeverOutlivesItsItem) {
    const struct {
        const char* name;
        void (*act)(CReportCtrl&);
        bool editorStays;
    } cases[] = {
        {"deleting the edited item", [](CReportCtrl& r) { r.DeleteItem(2); }, false},
        {"deleting every item", [](CReportCtrl& r) { r.DeleteAllItems(); }, false},
        {"deleting an item above it", [](CReportCtrl& r) { r.DeleteItem(0); }, true},
        {"inserting an item above it", [](CReportCtrl& r) { r.InsertItem(0, "top"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        st = ParentState();
        CReportCtrl& r = Make(RVS_CELLFOCUS, 4);
        ASSERT_TRUE(r.BeginEdit(2, 1, 1));
        SetWindowTextA(Editor(), "edited");
        c.act(r);
        zt::Pump(10);
        EXPECT_EQ(Editor() != nullptr, c.editorStays);
        if (c.editorStays) {
            zt::PressKey(VK_RETURN);
            zt::Pump(30);
            // The text went to the item that was edited ("r2"), wherever it is now.
            _RVFINDINFO find = {RVFI_LABEL, "r2", 0, 0, 0};
            int item = r.FindItem(&find, 0, -1);
            ASSERT_GE(item, 0);
            EXPECT_STREQ(r.GetItemText(item, 1), "edited");
        } else {
            EXPECT_EQ(Count(RVN_ENDITEMEDIT), 0);
            for (int i = 0; i < r.GetItemCount(); ++i)
                EXPECT_STRNE(r.GetItemText(i, 1), "edited");
        }
    }
    // Destroying the control with an editor open: it ends without storing or telling.
    st = ParentState();
    CReportCtrl& r = Make(RVS_CELLFOCUS, 2);
    ASSERT_TRUE(r.BeginEdit(1, 1, 1));
    HWND editor = Editor();
    report.reset();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(Count(RVN_ENDITEMEDIT), 0);
}

TEST_F(ReportEdit, VirtualCountBelowTheEditedItemEndsTheEdit) {
    CReportCtrl& r = Make(RVS_CELLFOCUS | RVS_VIRTUALDATA, 0);
    r.SetItemCount(10);
    ASSERT_TRUE(r.BeginEdit(5, 0, 1));
    EXPECT_EQ(zt::WindowText(Editor()), "v5");
    r.SetItemCount(8); // still there
    EXPECT_TRUE(Editor());
    r.SetItemCount(5); // gone
    EXPECT_FALSE(Editor());
    EXPECT_EQ(Count(RVN_ENDITEMEDIT), 0);
}

// An open edit ends, storing its text, before a style change, a header click and a horizontal scroll.
TEST_F(ReportEdit, ChangesThatEndAnOpenEditFirst) {
    const struct {
        const char* name;
        void (*act)(CReportCtrl&);
    } cases[] = {
        {"style change", [](CReportCtrl& r) { r.ModifyStyle(0, RVS_ROWLINES); }},
        {"horizontal scroll", [](CReportCtrl& r) { SendMessageA(r.Handle(), WM_HSCROLL, SB_LINERIGHT, 0); }},
        {"header click",
         [](CReportCtrl& r) {
             RECT item;
             SendMessageA(r.GetHeaderCtrl(), HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
             LPARAM at = MAKELPARAM(item.left + 10, (item.top + item.bottom) / 2);
             SendMessageA(r.GetHeaderCtrl(), WM_LBUTTONDOWN, MK_LBUTTON, at);
             SendMessageA(r.GetHeaderCtrl(), WM_LBUTTONUP, 0, at);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        st = ParentState();
        CReportCtrl& r = Make(RVS_CELLFOCUS, 3);
        ASSERT_TRUE(r.BeginEdit(1, 0, 1));
        SetWindowTextA(Editor(), "saved");
        c.act(r);
        zt::Pump(20);
        EXPECT_FALSE(Editor());
        EXPECT_EQ(Count(RVN_ENDITEMEDIT), 1);
        EXPECT_EQ(st.edits.back().nKey, 0u);
        _RVFINDINFO find = {RVFI_LABEL, "saved", 0, 0, 0};
        EXPECT_GE(r.FindItem(&find, 0, -1), 0);
    }
}

} // namespace
