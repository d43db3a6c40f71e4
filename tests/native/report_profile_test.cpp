// Report model, column profile value: the written form, reading it back onto a fresh control, and the
// values that are refused without changing anything.
#include <gtest/gtest.h>

#include "report_fixture.h"

using namespace reporttest;

namespace {

void Define(ReportModel& m, std::initializer_list<int> widths) {
    int i = 0;
    for (int w : widths) {
        _RVSUBITEM s = SubItem("c", w);
        m.DefineSubItem(i++, &s);
    }
}

TEST(ReportProfile, WritesCountsWidthsAndColumnOrder) {
    ReportModel m;
    Define(m, {140, 80, 200});
    m.ActivateSubItem(2, 0);
    m.ActivateSubItem(0, 1);
    EXPECT_EQ(m.GetProfileValue(), "(3,2) 140 80 200 2 0");
    ReportModel none;
    Define(none, {10, 20});
    EXPECT_EQ(none.GetProfileValue(), "(2,0) 10 20");
    EXPECT_FALSE(none.ApplyProfileValue("(2,0) 10 20"));
}

TEST(ReportProfile, ReadBackRestoresWidthsAndOrder) {
    ReportModel m;
    Define(m, {100, 100, 100});
    ASSERT_TRUE(m.ApplyProfileValue("(3,2) 140 80 200 2 0"));
    EXPECT_EQ(m.GetColumnOrder(), (std::vector<int>{2, 0}));
    EXPECT_EQ(m.GetSubItemWidth(0), 140);
    EXPECT_EQ(m.GetSubItemWidth(1), 80);
    EXPECT_EQ(m.GetSubItemWidth(2), 200);
    // A moved column is written in its new place and restored so on a fresh control.
    ASSERT_TRUE(m.SetColumnOrder({0, 2}));
    std::string v = m.GetProfileValue();
    ReportModel fresh;
    Define(fresh, {1, 1, 1});
    ASSERT_TRUE(fresh.ApplyProfileValue(v.c_str()));
    EXPECT_EQ(fresh.GetColumnOrder(), (std::vector<int>{0, 2}));
    EXPECT_EQ(fresh.GetProfileValue(), v);
    EXPECT_TRUE(fresh.ApplyProfileValue("  (3,1)   5  6 7   1 ") ==
                false);                                             // leading blanks before "(" refused
    EXPECT_TRUE(fresh.ApplyProfileValue("(3,1)   5  6 7   1\r\n")); // blanks before numbers are skipped
}

TEST(ReportProfile, MalformedValuesChangeNothing) {
    const char* bad[] = {
        nullptr,
        "",
        "(4,2) 1 2 3 4 0 1",         // a different definition count
        "(3,0) 1 2 3",               // no column
        "(3,4) 1 2 3 0 1 2 0",       // more columns than definitions
        "(3,2) 1 2 3 0",             // cut short
        "(3,2) 1 2 3",               // cut short
        "(3,2) 1 2",                 // cut short
        "(3,2) 1 2 3 0 3",           // a sub-item outside the definitions
        "(3,2) 1 2 3 0 -1",          // a sub-item outside the definitions
        "(3,2) 1 2 3 1 1",           // repeated
        "(3,2) 1 2 3 0 1 9",         // trailing garbage
        "(3,2) 1 2 x 0 1",           // garbage
        "3,2) 1 2 3 0 1",            // no bracket
        "(3;2) 1 2 3 0 1",           // wrong separator
        "(3,2)1 2 3 0 1",            // no blank before the first width
        "(3,2) 1 2 99999999999 0 1", // out of range
    };
    for (const char* v : bad) {
        ReportModel m;
        Define(m, {10, 20, 30});
        m.ActivateSubItem(1, 0);
        EXPECT_FALSE(m.ApplyProfileValue(v)) << (v ? v : "null");
        EXPECT_EQ(m.GetProfileValue(), "(3,1) 10 20 30 1") << (v ? v : "null");
    }
}

TEST(ReportProfile, AlreadyShownSubItemIsNotActivatedAgain) {
    ReportModel m;
    Define(m, {10, 20, 30});
    m.ActivateSubItem(1, 0);
    ASSERT_TRUE(m.ApplyProfileValue("(3,2) 5 6 7 2 1"));
    EXPECT_EQ(m.GetColumnOrder(), (std::vector<int>{2, 1}));
}

} // namespace
