// The report control's texts in the process's code page, as two test programs see them: one that
// runs with UTF-8 as its code page (report_ops_utf8_test, through its manifest) and one with the
// system's old code page (report_ops_text_test, 1252 here). Each includes this file; the samples are
// names in Cyrillic, Greek, CJK and with an emoji under UTF-8, and Western European names under 1252.
// Copying puts the Unicode text beside the code-page text, a pattern's "?" is one character, case is
// folded beyond ASCII, cuts keep characters whole, and the in-place editor is a Unicode window that
// takes only characters the code page holds.
#ifndef ZRPC_TESTS_REPORT_TEXT_CASES_H
#define ZRPC_TESTS_REPORT_TEXT_CASES_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kTextReportId = 73;

bool Utf8() {
    return GetACP() == CP_UTF8;
}

// A sample name: its bytes in the code page and its characters.
struct Sample {
    const char* bytes;
    const wchar_t* wide;
};

const std::vector<Sample>& Samples() {
    static const std::vector<Sample> utf8 = {
        {"Документ", L"Документ"},
        {"Ελληνικά", L"Ελληνικά"},
        {"文件夾", L"文件夾"},
        {"\xF0\x9F\x94\x91 key", L"\U0001F511 key"},
    };
    static const std::vector<Sample> western = {
        {"caf\xE9", L"caf\u00E9"},
        {"Gr\xF6\xDF"
         "e",
         L"Gr\u00F6\u00DF"
         L"e"},
        {"na\xEFve \x80", L"na\u00EFve \u20AC"},
    };
    return Utf8() ? utf8 : western;
}

std::wstring Wide(HWND hwnd) {
    wchar_t text[300] = L"";
    int n = GetWindowTextW(hwnd, text, 300);
    return std::wstring(text, n > 0 ? (size_t)n : 0);
}

class ReportText : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportTextTestParent", DefWindowProcA, nullptr, WS_POPUP | WS_VISIBLE,
                                      20, 20, 520, 360);
        ASSERT_TRUE(parent);
        SetForegroundWindow(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // Two shown columns: the samples, and their row numbers.
    CReportCtrl& Make(DWORD styles = 0) {
        report.reset(new CReportCtrl);
        RECT rc = {10, 10, 410, 310};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | styles, rc, parent, kTextReportId));
        _RVSUBITEM name = {RV_HDF_STRING, 200, 0, 0, 0, "Name"};
        _RVSUBITEM number = {RV_HDF_STRING, 60, 0, 0, 0, "No."};
        report->DefineSubItem(0, &name);
        report->DefineSubItem(1, &number);
        report->ActivateSubItem(0, 0);
        report->ActivateSubItem(1, 1);
        for (size_t i = 0; i < Samples().size(); ++i) {
            report->AddItem(Samples()[i].bytes);
            report->SetItemText((int)i, 1, std::to_string(i).c_str());
        }
        return *report;
    }
    std::vector<int> Selected() {
        std::vector<int> out(16);
        out.resize((size_t)report->GetSelectedItems(out.data(), 16));
        return out;
    }
    // Opens the built-in editor over row 0's name; the editor window.
    HWND Edit(UINT key) {
        SetFocus(report->Handle());
        EXPECT_TRUE(report->BeginEdit(0, 0, key));
        return report->GetEditWindow();
    }
    void Type(HWND editor, const std::wstring& units) {
        for (wchar_t c : units)
            SendMessageW(editor, WM_CHAR, c, 1);
    }
    void Finish(HWND editor) {
        PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
        zt::WaitUntil([&] { return !report->GetEditWindow(); }, 3000);
    }

    HWND parent = nullptr;
    std::unique_ptr<CReportCtrl> report;
};

TEST_F(ReportText, CodePageOfThisProgram) {
#ifdef ZRPC_EXPECT_UTF8
    EXPECT_EQ((UINT)CP_UTF8, GetACP());
#else
    EXPECT_EQ(1252u, GetACP());
#endif
}

// The copied rows are there in both forms: the code-page bytes as before, and the same characters in
// UTF-16 for programs that read Unicode.
TEST_F(ReportText, CopyPutsUnicodeTextBesideTheCodePageText) {
    CReportCtrl& r = Make();
    r.SelectAll();
    r.Copy();
    std::string bytes;
    std::wstring wide;
    for (size_t i = 0; i < Samples().size(); ++i) {
        bytes += std::string(Samples()[i].bytes) + "\t" + std::to_string(i) + "\n";
        wide += std::wstring(Samples()[i].wide) + L"\t" + std::to_wstring(i) + L"\n";
    }
    EXPECT_EQ(bytes, zt::ClipboardText(parent));
    ASSERT_TRUE(OpenClipboard(parent));
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    std::wstring got;
    if (const wchar_t* p = h ? static_cast<const wchar_t*>(GlobalLock(h)) : nullptr) {
        got = p;
        GlobalUnlock(h);
    }
    CloseClipboard();
    EXPECT_TRUE(got == wide) << "the Unicode text differs";
}

// "?" stands for one character however many bytes it takes, and case is folded beyond ASCII.
TEST_F(ReportText, PatternGoesByCharacters) {
    CReportCtrl& r = Make();
    struct Case {
        const char* pattern;
        std::vector<int> selected;
    };
    const std::vector<Case> utf8 = {
        {"Д?кумент", {0}}, // one letter of two bytes
        {"Д??кумент", {}}, // not two
        {"ДОКУМЕНТ", {0}}, // folded beyond ASCII
        {"ελλην*", {1}},   // Greek, lower case
        {"??夾", {2}},     // three bytes a character
        {"? KEY", {3}},    // four bytes, one character
        {"*", {0, 1, 2, 3}},
    };
    const std::vector<Case> western = {
        {"CAF?", {0}},                         // "é" is one character, as before
        {"CAF\xC9", {0}},                      // "É" folds to "é" in this code page
        {"gr??e", {1}},   {"NA\xCFVE ?", {2}}, // "Ï" and the euro sign
        {"*", {0, 1, 2}},
    };
    for (const Case& c : Utf8() ? utf8 : western) {
        SCOPED_TRACE(c.pattern);
        r.SetSelection(0, CString(c.pattern));
        EXPECT_EQ(c.selected, Selected());
    }
}

// A text longer than a cell holds is cut before a character, never inside it; so is a text read into a
// small buffer.
TEST_F(ReportText, CutsKeepCharactersWhole) {
    CReportCtrl& r = Make();
    std::string letter = Utf8() ? "Ж" : "\xE9";
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += letter;
    int item = r.AddItem(text.c_str());
    std::string stored = r.GetItemText(item, 0).GetString();
    EXPECT_EQ(Utf8() ? 254u : 255u, stored.size());
    EXPECT_EQ(0, text.compare(0, stored.size(), stored));
    char small[8];
    EXPECT_EQ(Utf8() ? 6 : 7, r.GetItemText(item, 0, small, sizeof small));
    EXPECT_EQ(0, text.compare(0, strlen(small), small));
    // Four-byte characters: 252 of 255 bytes.
    if (Utf8()) {
        std::string keys;
        for (int i = 0; i < 70; ++i)
            keys += "\xF0\x9F\x94\x91";
        item = r.AddItem(keys.c_str());
        EXPECT_EQ(252, (int)strlen(r.GetItemText(item, 0).GetString()));
    }
}

// The editor is a Unicode window: it shows the cell's characters, counts characters against its limit,
// takes only characters the code page holds, and gives its text back in the code page.
TEST_F(ReportText, EditorTakesCharactersOfTheCodePage) {
    CReportCtrl& r = Make();
    HWND editor = Edit(1);
    ASSERT_TRUE(editor);
    EXPECT_TRUE(IsWindowUnicode(editor));
    EXPECT_TRUE(Wide(editor) == Samples()[0].wide);
    Finish(editor);
    EXPECT_STREQ(Samples()[0].bytes, r.GetItemText(0, 0).GetString());

    // Typed over: the start key 'a', then characters of every script and an emoji (two units).
    editor = Edit('a');
    ASSERT_TRUE(editor);
    Type(editor, L"\u0416\u03BB\u6587\U0001F511\u00E9\u20AC");
    std::wstring expect = Utf8() ? L"a\u0416\u03BB\u6587\U0001F511\u00E9\u20AC" : L"a\u00E9\u20AC";
    EXPECT_TRUE(Wide(editor) == expect);
    Finish(editor);
    EXPECT_STREQ(Utf8() ? "a\xD0\x96\xCE\xBB\xE6\x96\x87\xF0\x9F\x94\x91\xC3\xA9\xE2\x82\xAC" : "a\xE9\x80",
                 r.GetItemText(0, 0).GetString());

    // The limit counts characters (UTF-16 units): 16, whatever their bytes.
    editor = Edit('x');
    ASSERT_TRUE(editor);
    Type(editor, std::wstring(20, Utf8() ? L'\u0416' : L'\u00E9'));
    EXPECT_EQ(16u, Wide(editor).size());
    // A pair that would not fit whole is refused whole.
    SendMessageW(editor, EM_SETSEL, 15, 16);
    Type(editor, L"\U0001F511");
    EXPECT_EQ(16u, Wide(editor).size());
    Finish(editor);
    EXPECT_EQ(Utf8() ? 31 : 16, (int)strlen(r.GetItemText(0, 0).GetString())); // "x" and 15 letters

    // Backspace as start key takes the last character away, all of its bytes or units; Escape keeps
    // the cell as it was.
    struct Back {
        const char* cell;
        const wchar_t* left;
    };
    const std::vector<Back> utf8 = {{"Ключ", L"Клю"}, {"\xF0\x9F\x94\x91", L""}, {"a\xF0\x9F\x94\x91", L"a"}};
    const std::vector<Back> western = {{"caf\xE9", L"caf"}, {"\x80", L""}};
    for (const Back& b : Utf8() ? utf8 : western) {
        r.SetItemText(0, 0, b.cell);
        editor = Edit(VK_BACK);
        ASSERT_TRUE(editor);
        EXPECT_TRUE(Wide(editor) == b.left) << b.cell;
        PostMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 1);
        zt::WaitUntil([&] { return !r.GetEditWindow(); }, 3000);
        EXPECT_STREQ(b.cell, r.GetItemText(0, 0).GetString());
    }
}

// A paste takes the clipboard's Unicode text, its first line, with the characters the code page holds.
TEST_F(ReportText, PasteIntoTheEditor) {
    CReportCtrl& r = Make();
    const wchar_t* clip = L"\u00E9\u0416\u20AC\U0001F511\r\nsecond line";
    ASSERT_TRUE(OpenClipboard(parent));
    EmptyClipboard();
    size_t bytes = (wcslen(clip) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), clip, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    HWND editor = Edit('q');
    ASSERT_TRUE(editor);
    SendMessageW(editor, WM_PASTE, 0, 0);
    EXPECT_TRUE(Wide(editor) == (Utf8() ? L"q\u00E9\u0416\u20AC\U0001F511" : L"q\u00E9\u20AC"));
    Finish(editor);
    EXPECT_STREQ(Utf8() ? "q\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x94\x91" : "q\xE9\x80",
                 r.GetItemText(0, 0).GetString());

    // Pasted again and again: no further than the limit, and a pair that does not fit stays out whole.
    editor = Edit('q');
    ASSERT_TRUE(editor);
    Type(editor, L"r");
    for (int i = 0; i < 4; ++i)
        SendMessageW(editor, WM_PASTE, 0, 0);
    std::wstring text = Wide(editor);
    EXPECT_LE(text.size(), 16u);
    EXPECT_FALSE(text.back() >= 0xD800 && text.back() <= 0xDBFF);
    if (Utf8()) {
        // "qr" and five units twice; then room for four: the pair stays out, three go in; then one.
        EXPECT_TRUE(text ==
                    L"qr\u00E9\u0416\u20AC\U0001F511\u00E9\u0416\u20AC\U0001F511\u00E9\u0416\u20AC\u00E9");
    }
    PostMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 1);
    zt::WaitUntil([&] { return !r.GetEditWindow(); }, 3000);
}

// A character typed on a focused cell opens the editor with that character, all of its bytes.
TEST_F(ReportText, TypingACharacterStartsTheEdit) {
    CReportCtrl& r = Make(RVS_CELLFOCUS);
    ASSERT_TRUE(r.SetCurrentFocus(1, 0));
    SetFocus(r.Handle());
    // Each UTF-16 unit typed as a key of its own, as an input method or a touch keyboard types it.
    auto typeUnits = [](const std::wstring& units) {
        for (wchar_t u : units) {
            INPUT in[2] = {};
            for (INPUT& i : in) {
                i.type = INPUT_KEYBOARD;
                i.ki.wScan = u;
                i.ki.dwFlags = KEYEVENTF_UNICODE;
            }
            in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof in[0]);
        }
    };
    struct Case {
        const wchar_t* typed;
        const char* stored;
    };
    const std::vector<Case> utf8 = {
        {L"\u0416", "\xD0\x96"}, {L"\u6587", "\xE6\x96\x87"}, {L"\U0001F511", "\xF0\x9F\x94\x91"}};
    const std::vector<Case> western = {{L"\u00E9", "\xE9"}, {L"\u20AC", "\x80"}};
    for (const Case& c : Utf8() ? utf8 : western) {
        ASSERT_TRUE(r.SetCurrentFocus(1, 0));
        SetFocus(r.Handle());
        typeUnits(c.typed);
        ASSERT_TRUE(zt::WaitUntil([&] { return r.GetEditWindow() != nullptr; }, 3000));
        HWND editor = r.GetEditWindow();
        EXPECT_TRUE(Wide(editor) == c.typed);
        Finish(editor);
        EXPECT_STREQ(c.stored, r.GetItemText(1, 0).GetString());
    }
    if (!Utf8()) {
        // A letter the code page does not hold opens no editor, and the cell keeps its text.
        SetFocus(r.Handle());
        typeUnits(L"\u0416");
        zt::Pump(200);
        EXPECT_FALSE(r.GetEditWindow());
        EXPECT_STREQ("\x80", r.GetItemText(1, 0).GetString());
    }
}

} // namespace

#endif
