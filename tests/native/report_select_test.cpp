// Report model: sorting rows, the selection with its notifications and veto, focus moves, the pattern
// match, the search with wrap-around through the edit row, and the copy text.
#include <gtest/gtest.h>

#include "report_fixture.h"

#include <algorithm>
#include <random>

using namespace reporttest;
using zrpc::report::PatternMatch;

namespace {

class ReportSelect : public ::testing::Test {
  protected:
    RecordingHost host;
    ReportModel m{&host};
    void SetUp() override {
        DefineColumns(m, 3);
        const char* rows[][3] = {
            {"pear", "3", "x"}, {"apple", "1", "y"}, {"fig", "2", "x"}, {"Apple", "4", "z"}};
        for (auto& r : rows)
            AddRow(m, {r[0], r[1], r[2]});
        for (int i = 0; i < 4; ++i)
            m.SetItemData(i, 10 * i - 15);
    }
    std::vector<int> Selected() {
        std::vector<int> v(16);
        v.resize((size_t)std::min(16, m.GetSelectedItems(v.data(), 16)));
        return v;
    }
};

TEST_F(ReportSelect, SortingReordersRowsAndKeepsTheFocusedItem) {
    m.SetSelection(2, false); // "fig", row 2
    const struct {
        int sub;
        bool ascending;
        std::vector<std::string> col0;
    } cases[] = {
        {0, true, {"Apple", "apple", "fig", "pear"}}, // byte-wise: upper case first
        {0, false, {"pear", "fig", "apple", "Apple"}},
        {1, true, {"apple", "fig", "pear", "Apple"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m.SortItems(c.sub, c.ascending));
        EXPECT_EQ(RowTexts(m, 0), c.col0);
        EXPECT_EQ(m.GetItemFromRow(m.GetCurrentFocus(nullptr)), 2);
        int sub = -5, asc = -5;
        EXPECT_TRUE(m.GetSortSettings(&sub, &asc));
        EXPECT_EQ(sub, c.sub);
        EXPECT_EQ(asc, c.ascending ? 1 : 0);
        EXPECT_EQ(Invariants(m), "ok");
    }
    m.DeactivateSubItem(1); // the sort column goes: no sort column is left
    int sub = 0;
    EXPECT_FALSE(m.GetSortSettings(&sub, nullptr));
    EXPECT_EQ(sub, -1);
    EXPECT_FALSE(m.ResortItems());
    EXPECT_FALSE(m.SortItems(1, true));
}

int RV_CALLBACK ByData(int a, int, int b, int, RV_LPARAM model) {
    auto* m = reinterpret_cast<ReportModel*>(model);
    long long x = m->GetItemData(a), y = m->GetItemData(b);
    return (x < y) ? 1 : (x > y) ? -1 : 0; // largest first
}

TEST_F(ReportSelect, SortCallbackDecides) {
    m.SetSortCallback(ByData, reinterpret_cast<RV_LPARAM>(&m));
    EXPECT_EQ(m.GetSortCallback(), &ByData);
    ASSERT_TRUE(m.SortItems(0, true));
    EXPECT_EQ(m.GetItemRowArray(), (std::vector<int>{3, 2, 1, 0}));
}

// The row sort is the control's own quicksort: ties land where its partition puts them. A reference
// written straight from the algorithm (recursing into both parts) gives the same rows.
void ReferenceQuickSort(std::vector<int>& rows, const std::vector<std::string>& key, int lo, int hi) {
    int i = lo, j = hi;
    const std::string pivot = key[(size_t)rows[(size_t)((lo + hi) / 2)]];
    while (i <= j) {
        while (key[(size_t)rows[(size_t)i]] < pivot)
            ++i;
        while (key[(size_t)rows[(size_t)j]] > pivot)
            --j;
        if (i <= j) {
            std::swap(rows[(size_t)i], rows[(size_t)j]);
            ++i;
            --j;
        }
    }
    if (lo < j) ReferenceQuickSort(rows, key, lo, j);
    if (i < hi) ReferenceQuickSort(rows, key, i, hi);
}

// A derived control's own comparison goes through the host, one cell pair at a time.
struct CustomHost : ReportHost {
    int calls = 0;
    bool CustomCompare() const override { return true; }
    int CompareItems(ReportModel& m, int a, int sa, int b, int sb) override {
        ++calls;
        return m.DefaultCompareItems(a, sa, b, sb);
    }
};

TEST(ReportSort, TiesLandWhereTheQuicksortPutsThem) {
    std::mt19937 rng(7);
    for (int n : {2, 17, 500, 3000}) {
        CustomHost host;
        ReportModel custom(&host);
        DefineColumns(custom, 1);
        ReportModel m;
        DefineColumns(m, 1);
        std::vector<std::string> key;
        for (int i = 0; i < n; ++i) {
            key.push_back(std::string(1, (char)('a' + rng() % 5)));
            m.AddItem(key.back().c_str());
            custom.AddItem(key.back().c_str());
        }
        std::vector<int> rows(m.GetItemRowArray());
        ReferenceQuickSort(rows, key, 0, n - 1);
        ASSERT_TRUE(m.SortItems(0, true));
        EXPECT_EQ(m.GetItemRowArray(), rows) << n;
        ASSERT_TRUE(custom.SortItems(0, true));
        EXPECT_EQ(custom.GetItemRowArray(), rows) << n;
        EXPECT_GT(host.calls, 0);
    }
    // Already sorted and reversed inputs of a large size do not exhaust the stack.
    ReportModel big;
    DefineColumns(big, 1);
    char text[16];
    for (int i = 0; i < 30000; ++i) {
        std::snprintf(text, sizeof text, "%07d", i);
        big.AddItem(text);
    }
    ASSERT_TRUE(big.SortItems(0, false));
    EXPECT_EQ(big.GetItemFromRow(0), 29999);
    ASSERT_TRUE(big.SortItems(0, true));
    EXPECT_EQ(big.GetItemFromRow(0), 0);
}

TEST(ReportSort, RecordComparisonForDerivedControls) {
    auto rec = [](const char* text, int check, int image, uint32_t mask) {
        _RVITEM r{};
        r.nMask = mask;
        r.lpszText = const_cast<char*>(text);
        r.iCheck = check;
        r.iImage = image;
        return r;
    };
    const uint32_t L = RVIM_LABEL, C = RVIM_CHECKMARK;
    const struct {
        _RVITEM a, b;
        int sign;
    } cases[] = {
        {rec("a", 0, 0, L), rec("b", 0, 0, L), -1},
        {rec("B", 0, 0, L), rec("a", 0, 0, L), -1},        // byte-wise
        {rec("", 1, 0, L), rec("", 0, 0, L | C), 1},       // both empty: check states
        {rec(nullptr, 0, 5, 0), rec(nullptr, 0, 2, 0), 1}, // no check mark: images
        {rec("x", 0, 0, L), rec("", 0, 0, L), 1},
        {rec("x", 0, 0, 0), rec("", 0, 0, L), 0}, // text without RVIM_LABEL counts as empty
    };
    for (const auto& c : cases) {
        int r = ReportModel::CompareItemRecords(&c.a, &c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
    }
}

TEST_F(ReportSelect, SelectRowsNotifiesAndHonoursTheVeto) {
    host.vetoSelect = {2};
    m.SelectRows(0, 3, true, false, false, true);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 0); // the focus moves even to a refused row
    EXPECT_EQ(host.Items(RVN_SELCHANGING), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(host.Items(RVN_SELCHANGED), (std::vector<int>{0, 1, 3}));
    for (const Note& n : host.notes)
        if (n.code == RVN_SELCHANGING) EXPECT_TRUE(n.state & RVIS_CHOSEN);
    host.notes.clear();
    host.vetoSelect = {3};
    m.SelectRows(2, 2, true, false, false, true); // 2 in; 0 and 1 out; 3 refuses to go
    EXPECT_EQ(Selected(), (std::vector<int>{2, 3}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 2);
    host.notes.clear();
    m.SetSelection(0, false); // no notifications
    EXPECT_TRUE(host.notes.empty());
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_EQ(Invariants(m), "ok");
}

TEST_F(ReportSelect, SelectionForms) {
    const struct {
        const char* what;
        std::function<void(ReportModel&)> act;
        std::vector<int> selected;
    } cases[] = {
        {"list",
         [](ReportModel& r) {
             int v[] = {3, 1};
             r.SetSelection(v, 2, false);
         },
         {1, 3}},
        {"pattern", [](ReportModel& r) { r.SetSelection(0, "a*E", false); }, {1, 3}},
        {"pattern keeps", [](ReportModel& r) { r.SetSelection(2, "x", true); }, {0, 1, 2, 3}},
        {"less-eq", [](ReportModel& r) { r.SetSelectionLessEq(0, 5, false); }, {0, 1, 2}},
        {"invert", [](ReportModel& r) { r.InvertSelection(); }, {3}},
        {"all", [](ReportModel& r) { r.SelectAll(); }, {0, 1, 2, 3}},
        {"clear", [](ReportModel& r) { r.ClearSelection(); }, {}},
        {"bad item", [](ReportModel& r) { r.SetSelection(9, false); }, {}},
        {"bad sub-item", [](ReportModel& r) { r.SetSelection(7, "*", false); }, {}},
    };
    for (const auto& c : cases) {
        c.act(m);
        EXPECT_EQ(Selected(), c.selected) << c.what;
        EXPECT_EQ(Invariants(m), "ok") << c.what;
    }
    EXPECT_EQ(m.GetFirstSelectedItem(), -2);
    m.SetSelection(2, false);
    m.SetSelection(0, true);
    EXPECT_EQ(m.GetFirstSelectedItem(), 0); // item order, not row order
    EXPECT_EQ(m.GetNextSelectedItem(0), 2);
    EXPECT_EQ(m.GetNextSelectedItem(2), -2);
}

TEST_F(ReportSelect, OneSelectionKeepsExactlyOne) {
    m.ModifyStyle(0, RVS_ONESELECTION);
    m.SetSelection(1, false);
    m.SetSelection(2, true);
    EXPECT_EQ(Selected(), (std::vector<int>{2}));
    m.SelectRows(0, 3, true, true, false, true);
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
}

TEST_F(ReportSelect, FocusMovesWithRowsAndRefusesBadPlaces) {
    m.SetSelection(1, false);
    ASSERT_TRUE(m.MoveUp(1));
    EXPECT_EQ(m.GetItemRowArray(), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 0);
    ASSERT_TRUE(m.MoveDown(2));
    EXPECT_EQ(m.GetItemRowArray(), (std::vector<int>{1, 0, 3, 2}));
    EXPECT_FALSE(m.MoveUp(0));
    EXPECT_FALSE(m.MoveDown(3));
    EXPECT_FALSE(m.SetItemRowArray({0, 1, 2}));
    EXPECT_FALSE(m.SetItemRowArray({0, 1, 1, 2})); // not a permutation
    ASSERT_TRUE(m.SetItemRowArray({3, 2, 1, 0}));
    EXPECT_EQ(m.GetCurrentFocus(nullptr), 2); // still on item 1
    EXPECT_EQ(Invariants(m), "ok");
    const struct {
        int row, col;
        bool ok;
    } cases[] = {{0, 2, true},  {-1, -1, true}, {-2, 0, true}, {-3, 0, false},
                 {4, 0, false}, {0, 3, false},  {0, -2, false}};
    for (const auto& c : cases)
        EXPECT_EQ(m.AdjustFocus(c.row, c.col), c.ok) << c.row << "," << c.col;
    _RVSUBITEM s = SubItem("nofocus");
    s.nFormat |= RVCF_NOFOCUS;
    ASSERT_TRUE(m.RedefineSubItem(1, &s));
    EXPECT_FALSE(m.AdjustFocus(0, 1));
    EXPECT_EQ(Invariants(m), "ok");
}

TEST(ReportPattern, MatchTable) {
    const struct {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"abc", "a*c", true},  {"abcd", "a*c", true}, // the last piece only has to occur
        {"abc", "A?C", true},  {"ABC", "abc", true},
        {"ab", "abc", false},  {"abc", "ab", false},
        {"abc", "*", true},    {"", "*", true},
        {"", "", true},        {"x", "", false},
        {"abc", "a*", true},   {"abc", "*b*", true},
        {"abc", "*d", false},  {"axbxc", "a*x?c", false}, // the first place a piece occurs is taken
        {"abc", "abc*", true}, {"ab", "ab*z", true},      // text used up, the rest starts with "*"
        {"abc", "a?", false},  {"a", "?", true},
        {"", "?", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PatternMatch(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
}

TEST_F(ReportSelect, FindItemCriteriaDirectionAndWrap) {
    m.SetItemText(-1, 0, "apple"); // the edit row is searched too when wrapping
    m.SetItemImage(2, 0, 5);
    m.SetItemText(1, 1, ""); // empty text
    auto find = [&](uint32_t flags, const char* text, int sub, int start, int image = -1,
                    RV_LPARAM data = 0) {
        _RVFINDINFO f{};
        f.nFlags = flags;
        f.lpszText = text;
        f.iImage = image;
        f.lParam = data;
        return m.FindItem(&f, sub, start);
    };
    const uint32_t L = RVFI_LABEL, W = RVFI_WRAPAROUND, B = RVFI_BACKWARD;
    EXPECT_EQ(find(L, "apple", 0, -1), 1);
    EXPECT_EQ(find(L, "apple", 0, 1), -2);
    EXPECT_EQ(find(L | W, "apple", 0, 1), -1); // through the edit row
    EXPECT_EQ(find(L | W, "pear", 0, 3), 0);   // last item: edit row, then item 0
    EXPECT_EQ(find(L | RVFI_PREFIX, "Ap", 0, -1), 3);
    EXPECT_EQ(find(L, "app", 0, -1), -2);
    EXPECT_EQ(find(L | B, "apple", 0, 3), 1);
    EXPECT_EQ(find(L | B | W, "Apple", 0, 2), 3);
    EXPECT_EQ(find(RVFI_PICTURE, nullptr, 0, -1, 5), 2);
    EXPECT_EQ(find(RVFI_USERDATA, nullptr, 0, -1, -1, 15), 3);
    EXPECT_EQ(find(0, nullptr, 0, 0), 1); // no criteria: the next position
    EXPECT_EQ(find(L, "", 1, -1), 1);     // empty text matches only a cell that has text
    EXPECT_EQ(find(L, "", 2, -1), -2);
    // Wrap-around from outside the range ends after one pass.
    for (int start : {-100, 50, 4, -2}) {
        EXPECT_EQ(find(L | W, "none", 0, start), -2) << start;
        EXPECT_EQ(find(L | W | B, "none", 0, start), -2) << start;
    }
    EXPECT_EQ(find(L | W, "fig", 0, 1000), 2);
    EXPECT_EQ(find(L, "fig", 3, -1), -2);
    EXPECT_EQ(m.FindItem(nullptr, 0, -1), -2);
}

TEST_F(ReportSelect, CopyTextIsTheSelectedRowsWithTabAndLineFeed) {
    EXPECT_EQ(m.GetCopyText(), "");
    m.SortItems(0, true); // rows: Apple apple fig pear
    int items[] = {0, 3};
    m.SetSelection(items, 2, false);
    EXPECT_EQ(m.GetCopyText(), "Apple\t4\tz\npear\t3\tx\n");
    char before = m.Shared().copyDelimiter;
    m.ModifyProperty(RVP_COPYDELIMITER, ';');
    EXPECT_EQ(m.GetCopyText(), "Apple;4;z\npear;3;x\n");
    m.ModifyProperty(RVP_COPYDELIMITER, before);
    EXPECT_EQ(m.GetCopyText().find('\r'), std::string::npos);
}

} // namespace
