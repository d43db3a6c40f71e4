// The report model as a careful caller drives it: every selection change through the overridable
// SelectRows, RVN_RELAYOUT for every width change, a deleted row that leaves the view to the window,
// ranges held to the rows, messages naming items that do not exist, the two messages of the
// background picture and the profile store, and texts read as characters of a code page (cuts, the
// copy separator, the pattern of a selection).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/report_message_target.h"
#include "tests/common/report_missing_items.h"
#include "tests/native/report_fixture.h"

namespace {

using reporttest::AddRow;
using reporttest::DefineColumns;
using reporttest::Invariants;
using reporttest::RecordingHost;
using zrpc::report::ReportHost;
using zrpc::report::ReportModel;
using zrpc::report::TextRules;

// A host that sees every selection change, as a control deriving SelectRows does: it may pass the
// change on to the model's own form or keep it.
struct SelectingHost : RecordingHost {
    struct Call {
        int first, last;
        bool select, keep, invert, notify;
    };
    std::vector<Call> calls;
    bool passOn = true;
    void SelectRows(ReportModel& m, int first, int last, bool select, bool keep, bool invert,
                    bool notify) override {
        calls.push_back({first, last, select, keep, invert, notify});
        if (passOn) m.DefaultSelectRows(first, last, select, keep, invert, notify);
    }
};

TEST(ReportOps, EverySelectionChangeGoesThroughSelectRows) {
    SelectingHost host;
    ReportModel m(&host);
    DefineColumns(m, 2);
    for (const char* name : {"alpha", "beta", "gamma", "alps"})
        AddRow(m, {name});
    for (int i = 0; i < 4; ++i)
        m.SetItemData(i, i * 10);
    int two[] = {1, 3};
    struct Case {
        const char* what;
        std::function<void()> change;
        std::vector<int> selected; // when the change is passed on
    } const cases[] = {
        {"SetSelection(item)", [&] { m.SetSelection(2, false); }, {2}},
        {"SetSelection(items)", [&] { m.SetSelection(two, 2, false); }, {1, 3}},
        {"SetSelection(pattern)", [&] { m.SetSelection(0, "al*", false); }, {0, 3}},
        {"SetSelectionLessEq", [&] { m.SetSelectionLessEq(0, 10, false); }, {0, 1}},
        {"SelectAll", [&] { m.SelectAll(); }, {0, 1, 2, 3}},
        {"InvertSelection", [&] { m.InvertSelection(); }, {0, 1, 2, 3}},
    };
    for (bool passOn : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (passOn ? " passed on" : " kept by the control"));
            m.ClearSelection();
            host.calls.clear();
            host.passOn = passOn;
            c.change();
            EXPECT_FALSE(host.calls.empty());
            for (const auto& call : host.calls)
                EXPECT_FALSE(call.notify); // a caller's change notifies nobody
            std::vector<int> selected(8);
            selected.resize((size_t)m.GetSelectedItems(selected.data(), 8));
            EXPECT_EQ(passOn ? c.selected : std::vector<int>{}, selected);
            EXPECT_EQ("ok", Invariants(m));
        }
    }
}

TEST(ReportOps, TreeSelectionGoesThroughSelectRows) {
    SelectingHost host;
    ReportModel m(&host);
    m.ModifyStyle(0, RVS_TREEMODE);
    DefineColumns(m, 1);
    _TREEITEM* top = m.InsertItem("top", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* child = m.InsertItem("child", -1, -1, -1, top, TVI_LAST);
    m.Expand(top, 1);
    host.passOn = false;
    _TREEITEM* both[] = {top, child};
    m.SetSelection(child, false);
    m.SetSelection(both, 2, false);
    EXPECT_EQ(3u, host.calls.size());
    EXPECT_EQ(0, m.GetSelectedCount());
}

// RVN_RELAYOUT carries item -2 and the sub-item whose column changed width.
struct RelayoutHost : ReportHost {
    std::vector<int> subItems;
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code == RVN_RELAYOUT) {
            auto* nm = reinterpret_cast<_NMREPORTVIEW*>(hdr);
            EXPECT_EQ(-2, nm->iItem);
            subItems.push_back(nm->iSubItem);
        }
        return 0;
    }
};
TEST(ReportOps, RelayoutOnEveryWidthChangeOfAColumn) {
    RelayoutHost host;
    ReportModel m(&host);
    DefineColumns(m, 2);
    _RVSUBITEM hidden = reporttest::SubItem("Hidden", 70);
    m.DefineSubItem(2, &hidden);
    struct Case {
        const char* what;
        std::function<void()> change;
        std::vector<int> told;
    } const cases[] = {
        {"a shown column made wider", [&] { m.SetSubItemWidth(1, 140); }, {1}},
        {"the same width again", [&] { m.SetSubItemWidth(1, 140); }, {}},
        {"a hidden sub-item's width", [&] { m.SetSubItemWidth(2, 90); }, {}},
        {"a column shown", [&] { m.ActivateSubItem(2, 0); }, {2}},
        {"a definition with a new width",
         [&] {
             _RVSUBITEM s = reporttest::SubItem("S0", 55);
             m.RedefineSubItem(0, &s);
         },
         {0}},
        {"a column hidden", [&] { m.DeactivateSubItem(0); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.subItems.clear();
        c.change();
        EXPECT_EQ(c.told, host.subItems);
    }
    // Filtered out: nothing.
    host.subItems.clear();
    m.ModifyProperty(RVP_NOTIFYFILTER, ~(1L << 6));
    m.SetSubItemWidth(1, 10);
    EXPECT_TRUE(host.subItems.empty());
}

// A deleted row tells the window which row went; the model asks for no scroll to the focus.
struct ViewHost : ReportHost {
    std::vector<int> removed, shown;
    void RowRemoved(int row) override { removed.push_back(row); }
    void ShowRow(int row) override { shown.push_back(row); }
};

TEST(ReportOps, DeletedRowLeavesTheViewToTheWindow) {
    ViewHost host;
    ReportModel m(&host);
    DefineColumns(m, 1);
    for (int i = 0; i < 10; ++i)
        m.AddItem(std::to_string(9 - i).c_str());
    m.SortItems(0, true); // item 9 on row 0 ... item 0 on row 9
    m.AdjustFocus(8, -1);
    host.shown.clear();
    ASSERT_EQ(8, m.GetRowFromItem(1));
    ASSERT_EQ(1, m.DeleteItem(1));
    EXPECT_EQ(std::vector<int>{8}, host.removed);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ("ok", Invariants(m));
}

TEST(ReportOps, RangesAreHeldToTheRows) {
    RecordingHost host;
    ReportModel m(&host);
    DefineColumns(m, 1);
    for (int i = 0; i < 5; ++i)
        m.AddItem("row");
    m.SelectRows(1, INT_MAX, true, false, false, false);
    EXPECT_EQ(4, m.GetSelectedCount());
    EXPECT_EQ(1, m.GetCurrentFocus(nullptr));
    m.SelectRows(3, INT_MIN, true, false, false, false); // down to the edit row
    EXPECT_EQ(5, m.GetSelectedCount());
    m.ClearSelection();
    m.SelectRows(INT_MAX, 0, true, false, false, false); // no such first row: nothing
    m.SelectRows(5, 0, true, false, false, false);
    EXPECT_EQ(0, m.GetSelectedCount());
    m.DefaultQuickSort(0, INT_MIN, INT_MAX, true);
    EXPECT_EQ("ok", Invariants(m));
}

TEST(ReportOps, MessagesNamingMissingItemsAnswerTheirFailureValue) {
    reporttest::MessageTarget t;
    auto send = [&](uint32_t msg, uintptr_t wp, intptr_t lp) { return t.Send(msg, wp, lp); };
    reporttest::FillForMissing(send);
    ASSERT_EQ(reporttest::kMissingItems, (int)t.Send(RVM_GETITEMCOUNT, 0, 0));
    ASSERT_EQ(1, (int)t.Send(RVM_GETSELECTEDCOUNT, 0, 0));
    std::vector<std::string> failures = reporttest::MissingItemFailures(send);
    EXPECT_TRUE(failures.empty()) << failures.size() << " wrong, the first: " << failures[0];
    // Items that exist still work.
    EXPECT_EQ(1, (int)t.Send(RVM_SETCURRENTFOCUS, 5, 1));
    int column = -9;
    EXPECT_EQ(5, (int)t.Send(RVM_GETCURRENTFOCUS, 0, (intptr_t)&column));
    EXPECT_EQ(1, column);
}

TEST(ReportOps, TreeMessagesNamingMissingNodes) {
    reporttest::MessageTarget t;
    t.model.ModifyStyle(0, RVS_TREEMODE);
    DefineColumns(t.model, 1);
    _TREEITEM* top = t.model.InsertItem("top", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* child = t.model.InsertItem("child", -1, -1, -1, top, TVI_LAST); // hidden: top is collapsed
    intptr_t made = reinterpret_cast<intptr_t>(top);
    intptr_t hidden = reinterpret_cast<intptr_t>(child);
    for (intptr_t bogus : {(intptr_t)0x1234, made + 4, (intptr_t)0}) {
        SCOPED_TRACE(bogus);
        EXPECT_EQ(0, t.Send(RVM_SETTREESELECTION, 0, bogus));
        EXPECT_EQ(0, t.Send(RVM_SETTREESUBITEM, 0, bogus));
        EXPECT_EQ(0, t.Send(RVM_EXPAND, 1, bogus));
        EXPECT_EQ(-2, t.Send(RVM_GETITEMINDEX, 0, bogus));
        EXPECT_EQ(0, t.Send(RVM_DELETETREEITEM, 0, bogus));
    }
    EXPECT_EQ(0, t.Send(RVM_SETTREESELECTION, 0, hidden)); // a hidden node has no row
    EXPECT_EQ(0, t.Send(RVM_SETCURRENTFOCUS, 1, -1));
    EXPECT_EQ(0, t.model.GetSelectedCount());
    EXPECT_EQ(1, t.Send(RVM_SETTREESELECTION, 0, made));
    EXPECT_EQ(1, t.model.GetSelectedCount());
    EXPECT_EQ("ok", Invariants(t.model));
}

TEST(ReportOps, BackgroundPictureAndProfileStoreMessages) {
    reporttest::MessageTarget t;
    const char* key = "Software\\Example\\Columns";
    RVMPROFILESTORE store = {sizeof store, key, -1, nullptr, 0};
    EXPECT_EQ(1, t.Send(RVM_SETPROFILESTORE, 0, (intptr_t)&store));
    EXPECT_EQ(key, t.profileKey);
    EXPECT_EQ("", t.profileFile);
    store = {sizeof store, key, 8, "C:\\profiles.ini", -1};
    EXPECT_EQ(1, t.Send(RVM_SETPROFILESTORE, 0, (intptr_t)&store));
    EXPECT_EQ("Software", t.profileKey); // counted
    EXPECT_EQ("C:\\profiles.ini", t.profileFile);
    store = {sizeof store, nullptr, 0, nullptr, 0};
    EXPECT_EQ(1, t.Send(RVM_SETPROFILESTORE, 0, (intptr_t)&store)); // the default again
    EXPECT_EQ("", t.profileKey);
    store.cbSize = sizeof store + 1;
    EXPECT_EQ(0, t.Send(RVM_SETPROFILESTORE, 0, (intptr_t)&store));
    EXPECT_EQ(0, t.Send(RVM_SETPROFILESTORE, 0, 0));
    store = {sizeof store, key, -2, nullptr, 0};
    EXPECT_EQ(0, t.Send(RVM_SETPROFILESTORE, 0, (intptr_t)&store));

    int module = 0;
    EXPECT_EQ(1, t.Send(RVM_SETBKIMAGE, (uintptr_t)&module, 301));
    EXPECT_EQ((void*)&module, t.bkModule);
    EXPECT_EQ(301, (intptr_t)t.bkResource);
}

// ---------------------------------------------------------------- texts of a code page

// UTF-8 as a code page: characters of one to four bytes; ASCII, Greek and Cyrillic capitals folded.
struct Utf8Rules : TextRules {
    size_t LeadLength(unsigned char b) const override {
        return b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 1;
    }
    size_t CharLength(const char* text, size_t left) const override {
        size_t n = LeadLength((unsigned char)text[0]);
        if (n > left) return 1;
        for (size_t i = 1; i < n; ++i)
            if (((unsigned char)text[i] & 0xC0) != 0x80) return 1;
        return n;
    }
    void Fold(std::string_view text, std::vector<uint32_t>& out) const override {
        out.clear();
        for (size_t at = 0; at < text.size();) {
            size_t n = CharLength(text.data() + at, text.size() - at);
            uint32_t c = (unsigned char)text[at];
            if (n > 1) {
                c &= 0x7F >> n;
                for (size_t i = 1; i < n; ++i)
                    c = c << 6 | ((unsigned char)text[at + i] & 0x3F);
            }
            if ((c >= 'A' && c <= 'Z') || (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) c += 0x20;
            out.push_back(c);
            at += n;
        }
    }
};

// A double-byte page: 0x81..0x9F lead a character of two bytes, whose second byte may be any byte.
struct DoubleByteRules : TextRules {
    size_t LeadLength(unsigned char b) const override { return b >= 0x81 && b <= 0x9F ? 2 : 1; }
    size_t CharLength(const char* text, size_t left) const override {
        return left >= 2 && LeadLength((unsigned char)text[0]) == 2 ? 2 : 1;
    }
};

// Whether every character of s is whole.
bool WholeCharacters(const std::string& s) {
    Utf8Rules r;
    for (size_t at = 0; at < s.size();) {
        size_t n = r.LeadLength((unsigned char)s[at]);
        if (r.CharLength(s.data() + at, s.size() - at) != n) return false;
        at += n;
    }
    return true;
}

TEST(ReportText, PatternMatchesCharactersNotBytes) {
    Utf8Rules utf8;
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    } const cases[] = {
        {"Документ", "Д?кумент", true},   // "?" is one letter of two bytes
        {"Документ", "Д??кумент", false}, // not two bytes
        {"документ", "ДОКУМЕНТ", true},   // case folded beyond ASCII
        {"Ελληνικά", "ελλ*", true},
        {"Ελληνικά", "?λληνικά", true},
        {"文件夾", "??夾", true}, // three bytes a character
        {"文件夾", "?夾", false},
        {"🔑 key", "? KEY", true}, // four bytes, one character
        {"🔑 key", "*key", true},
        {"abc", "a*c", true},
        {"abcd", "a*c", true}, // the last piece occurs somewhere
        {"abc", "A?C", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.match, zrpc::report::PatternMatch(c.text, c.pattern, utf8))
            << c.text << " ~ " << c.pattern;
    // Bytes, as before, with the default rules.
    EXPECT_FALSE(zrpc::report::PatternMatch("Документ", "Д?кумент"));
    EXPECT_TRUE(zrpc::report::PatternMatch("Документ", "Д??кумент"));
    EXPECT_TRUE(zrpc::report::PatternMatch("abc", "A?C"));
}

TEST(ReportText, SelectionPatternGoesByTheModelsRules) {
    RecordingHost host;
    Utf8Rules utf8;
    ReportModel m(&host);
    m.SetTextRules(&utf8);
    DefineColumns(m, 1);
    for (const char* name : {"Документ", "Дакумент", "Договор", "🔑1", "🔑22"})
        AddRow(m, {name});
    m.SetSelection(0, "д?кумент", false);
    std::vector<int> selected(8);
    selected.resize((size_t)m.GetSelectedItems(selected.data(), 8));
    EXPECT_EQ((std::vector<int>{0, 1}), selected);
    m.SetSelection(0, "??", false);
    selected.resize(8);
    selected.resize((size_t)m.GetSelectedItems(selected.data(), 8));
    EXPECT_EQ((std::vector<int>{3}), selected);
}

TEST(ReportText, CutsNeverSplitACharacter) {
    RecordingHost host;
    Utf8Rules utf8;
    ReportModel m(&host);
    m.SetTextRules(&utf8);
    DefineColumns(m, 1);
    std::string cyrillic;
    for (int i = 0; i < 150; ++i)
        cyrillic += "Ж"; // 300 bytes
    std::string emoji;
    for (int i = 0; i < 70; ++i)
        emoji += "🔑"; // 280 bytes
    struct Case {
        const char* what;
        std::string text;
        size_t stored; // bytes kept of a cell's 255
        size_t small;  // bytes read into a buffer of 10
    } const cases[] = {
        {"two-byte letters", cyrillic, 254, 8},
        {"four-byte characters", emoji, 252, 8},
        {"ASCII", std::string(300, 'a'), 255, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int item = m.AddItem(c.text.c_str());
        std::string stored = m.GetItemText(item, 0);
        EXPECT_EQ(c.stored, stored.size());
        EXPECT_TRUE(WholeCharacters(stored));
        EXPECT_EQ(0, c.text.compare(0, stored.size(), stored));
        char small[10];
        EXPECT_EQ((int)c.small, m.GetItemText(item, 0, small, sizeof small));
        EXPECT_TRUE(WholeCharacters(small));
        char record[10];
        _RVITEM r{};
        r.nMask = RVIM_LABEL;
        r.iItem = item;
        r.lpszText = record;
        r.iTextMax = sizeof record;
        ASSERT_TRUE(m.GetItem(&r));
        EXPECT_STREQ(small, record);
    }
    // The default rules cut bytes, as before.
    ReportModel bytes(&host);
    DefineColumns(bytes, 1);
    int item = bytes.AddItem(cyrillic.c_str());
    EXPECT_EQ(255u, bytes.GetItemText(item, 0).size());
}

TEST(ReportText, CopySeparatorInsideADoubleByteCharacterStays) {
    RecordingHost host;
    DoubleByteRules rules;
    zrpc::report::SharedValues shared;
    ReportModel m(&host, &shared);
    m.SetTextRules(&rules);
    DefineColumns(m, 2);
    m.ModifyProperty(RVP_COPYDELIMITER, '|');
    // "\x81|" is one character whose second byte is "|"; the lone "|" after it is a separator.
    AddRow(m, {"a\x81|b|c", "d"});
    EXPECT_EQ(std::string("a\x81|b c|d\n"), m.GetItemString(0, '|'));
}

} // namespace
