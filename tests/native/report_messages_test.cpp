// The report control's message table over the model: the table covers its range once, wrong
// arguments answer each message's failure value, and messages give what the member functions give on
// the same data.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/common/report_message_target.h"
#include "tests/native/report_fixture.h"

namespace {

using reporttest::MessageTarget;

TEST(ReportMessages, TableCoversItsRangeOnceAndNothingElse) {
    size_t count = 0;
    const auto* table = zrpc::report::ReportMessages<MessageTarget>(&count);
    std::set<uint32_t> seen;
    for (size_t i = 0; i < count; ++i) {
        EXPECT_GE(table[i].msg, RVM_FIRST);
        EXPECT_LE(table[i].msg, RVM_LAST);
        EXPECT_TRUE(seen.insert(table[i].msg).second) << "twice: " << std::hex << table[i].msg;
    }
    EXPECT_GE(count, 100u);
    // Numbers of the range without an entry, and numbers outside it, go to the normal handling.
    MessageTarget t;
    intptr_t result = 77;
    for (uint32_t msg = RVM_FIRST - 2; msg <= RVM_LAST + 2; ++msg) {
        bool answered = zrpc::report::AnswerReportMessage(t, msg, 0, 0, &result);
        EXPECT_EQ(seen.count(msg) == 1, answered) << std::hex << msg;
    }
    EXPECT_FALSE(zrpc::report::AnswerReportMessage(t, 0x000F /* WM_PAINT */, 0, 0, &result));
}

// A control with three shown columns and four items, through messages.
struct Filled : ::testing::Test {
    void SetUp() override {
        const char* titles[] = {"Name", "Size", "Note"};
        for (int i = 0; i < 3; ++i) {
            RVMSUBITEM sub = {sizeof sub, RV_HDF_STRING, 80, 0, 0, 0, titles[i], -1, 0};
            ASSERT_EQ(i, (int)t.Send(RVM_DEFINESUBITEM, (uintptr_t)i, (intptr_t)&sub));
            ASSERT_EQ(i, (int)t.Send(RVM_ACTIVATESUBITEM, (uintptr_t)i, i));
        }
        const char* names[] = {"pear", "apple", "fig", "apricot"};
        for (int i = 0; i < 4; ++i) {
            RVMITEM item = {};
            item.cbSize = sizeof item;
            item.nMask = RVIM_LABEL | RVIM_USERDATA;
            item.iItem = i;
            item.pszText = const_cast<char*>(names[i]);
            item.cchText = -1;
            item.lParam = 10 * i;
            ASSERT_EQ(i, (int)t.Send(RVM_INSERTITEM, 0, (intptr_t)&item));
            char size[8];
            std::snprintf(size, sizeof size, "%d", 4 - i);
            RVMCELL cell = {sizeof cell, 1, size, -1, 0};
            ASSERT_EQ(1, (int)t.Send(RVM_SETITEMTEXT, (uintptr_t)i, (intptr_t)&cell));
        }
    }
    std::string Text(int item, int sub) {
        char buffer[64] = "";
        RVMCELL cell = {sizeof cell, sub, buffer, sizeof buffer, 0};
        t.Send(RVM_GETITEMTEXT, (uintptr_t)item, (intptr_t)&cell);
        return buffer;
    }
    MessageTarget t;
};

TEST_F(Filled, WrongArgumentsAnswerTheFailureValue) {
    // Each record message once with a null record and once with a size one byte short.
    struct Case {
        uint32_t msg;
        uintptr_t wp;
        intptr_t fail;
        size_t size;
    } cases[] = {
        {RVM_DEFINESUBITEM, 3, -1, sizeof(RVMSUBITEM)},
        {RVM_REDEFINESUBITEM, 0, 0, sizeof(RVMSUBITEM)},
        {RVM_INSERTITEM, 0, -2, sizeof(RVMITEM)},
        {RVM_ADDITEM, 0, -2, sizeof(RVMITEM)},
        {RVM_GETITEM, 0, 0, sizeof(RVMITEM)},
        {RVM_SETITEM, 0, 0, sizeof(RVMITEM)},
        {RVM_GETITEMTEXT, 0, 0, sizeof(RVMCELL)},
        {RVM_SETITEMTEXT, 0, 0, sizeof(RVMCELL)},
        {RVM_SETITEMIMAGE, 0, 0, sizeof(RVMCELL)},
        {RVM_SETITEMCHECK, 0, 0, sizeof(RVMCELL)},
        {RVM_INSERTTREEITEM, 0, 0, sizeof(RVMTREEITEM)},
        {RVM_EXPANDALL, 0, 0, sizeof(RVMEXPAND)},
        {RVM_SETSELECTIONITEMS, 0, 0, sizeof(RVMSELECT)},
        {RVM_SETTREESELECTIONITEMS, 0, 0, sizeof(RVMSELECT)},
        {RVM_SETSELECTIONPATTERN, 0, 0, sizeof(RVMSELECT)},
        {RVM_SETSELECTIONLESSEQ, 0, 0, sizeof(RVMSELECT)},
        {RVM_FINDITEM, 0, -2, sizeof(RVMFIND)},
        {RVM_WRITEPROFILE, 0, 0, sizeof(RVMPROFILE)},
        {RVM_GETPROFILE, 0, 0, sizeof(RVMPROFILE)},
        {RVM_GETITEMRECT, 0, 0, sizeof(RVMITEMRECT)},
        {RVM_HITTEST, 0, -2, sizeof(RVMHITTEST)},
        {RVM_BEGINEDIT, 0, 0, sizeof(RVMEDIT)},
        {RVM_MEASUREITEM, 0, -1, sizeof(RVMITEMRECT)},
        {RVM_PREVIEWTEXTHEIGHT, 0, -1, sizeof(RVMPREVIEW)},
    };
    for (const Case& c : cases) {
        if (c.msg != RVM_ADDITEM) EXPECT_EQ(c.fail, t.Send(c.msg, c.wp, 0)) << std::hex << c.msg << " null";
        // Every byte of the record set, as a caller's record of another version would be; only the size
        // is one short, and nothing else is read.
        std::vector<unsigned char> record(c.size + 8, 0xEE);
        uint32_t size = (uint32_t)c.size - 1;
        std::memcpy(record.data(), &size, sizeof size);
        EXPECT_EQ(c.fail, t.Send(c.msg, c.wp, (intptr_t)record.data())) << std::hex << c.msg << " short";
    }
    // Nothing changed.
    EXPECT_EQ(4, (int)t.Send(RVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(3, (int)t.Send(RVM_GETSUBITEMCOUNT, 0, 0));
    EXPECT_EQ(0, (int)t.Send(RVM_GETSELECTEDCOUNT, 0, 0));
}

TEST_F(Filled, NullTextsAndBadLengthsFail) {
    struct Case {
        const char* what;
        char* text;
        int32_t length;
    } cases[] = {{"null", nullptr, -1}, {"null counted", nullptr, 3}, {"length below -1", (char*)"x", -2}};
    for (const Case& c : cases) {
        RVMCELL cell = {sizeof cell, 0, c.text, c.length, 0};
        EXPECT_EQ(0, t.Send(RVM_SETITEMTEXT, 0, (intptr_t)&cell)) << c.what;
        RVMSUBITEM sub = {sizeof sub, 0, 50, 0, 0, 0, c.text, c.length, 0};
        EXPECT_EQ(-1, t.Send(RVM_DEFINESUBITEM, 3, (intptr_t)&sub)) << c.what;
        RVMSELECT sel = {};
        sel.cbSize = sizeof sel;
        sel.pszPattern = c.text;
        sel.cchPattern = c.length;
        EXPECT_EQ(0, t.Send(RVM_SETSELECTIONPATTERN, 0, (intptr_t)&sel)) << c.what;
        RVMITEM item = {};
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL;
        item.pszText = c.text;
        item.cchText = c.length;
        EXPECT_EQ(-2, t.Send(RVM_INSERTITEM, 0, (intptr_t)&item)) << c.what;
    }
    EXPECT_EQ("pear", Text(0, 0));
    EXPECT_EQ(4, (int)t.Send(RVM_GETITEMCOUNT, 0, 0));
    // A null array with a count, a negative count.
    RVMSELECT sel = {};
    sel.cbSize = sizeof sel;
    sel.nCount = 2;
    EXPECT_EQ(0, t.Send(RVM_SETSELECTIONITEMS, 0, (intptr_t)&sel));
    int32_t items[] = {1};
    sel.piItems = items;
    sel.nCount = -1;
    EXPECT_EQ(0, t.Send(RVM_SETSELECTIONITEMS, 0, (intptr_t)&sel));
    // A buffer of no bytes.
    char buffer[4] = "zzz";
    RVMCELL cell = {sizeof cell, 0, buffer, 0, 0};
    EXPECT_EQ(0, t.Send(RVM_GETITEMTEXT, 0, (intptr_t)&cell));
    EXPECT_STREQ("zzz", buffer);
}

TEST_F(Filled, CountedTextsAreReadToTheirLengthOnly) {
    // A counted text is its first cchText bytes, whatever follows them; a zero byte inside ends it.
    struct Case {
        const char* bytes;
        int32_t length;
        const char* expected;
    } cases[] = {{"plumXYZ", 4, "plum"},
                 {"kiwi", 4, "kiwi"},
                 {"li\0me", 5, "li"},
                 {"date", 0, ""},
                 {"lime", -1, "lime"}};
    for (const Case& c : cases) {
        std::vector<char> heap(c.bytes, c.bytes + (c.length > 0 ? c.length : std::strlen(c.bytes) + 1));
        RVMCELL cell = {sizeof cell, 2, heap.data(), c.length, 0};
        ASSERT_EQ(1, t.Send(RVM_SETITEMTEXT, 0, (intptr_t)&cell)) << c.bytes;
        EXPECT_EQ(c.expected, Text(0, 2)) << c.bytes;
    }
    // Out: at most cchText - 1 bytes and the zero; the answer is the length copied.
    char small[4] = "";
    RVMCELL cell = {sizeof cell, 0, small, sizeof small, 0};
    EXPECT_EQ(3, (int)t.Send(RVM_GETITEMTEXT, 3, (intptr_t)&cell));
    EXPECT_STREQ("apr", small);
}

TEST_F(Filled, MessagesGiveWhatTheMemberFunctionsGive) {
    // The same operations straight on a second model.
    zrpc::report::SharedValues shared;
    zrpc::report::ReportModel m(nullptr, &shared);
    const char* titles[] = {"Name", "Size", "Note"};
    for (int i = 0; i < 3; ++i) {
        _RVSUBITEM s = reporttest::SubItem(titles[i], 80);
        m.DefineSubItem(i, &s);
        m.ActivateSubItem(i, i);
    }
    const char* names[] = {"pear", "apple", "fig", "apricot"};
    for (int i = 0; i < 4; ++i) {
        _RVITEM r = zrpc::report::ReportModel::LabelRecord(names[i], -1, -1, -1);
        r.iItem = i;
        r.nMask |= RVIM_USERDATA;
        r.lParam = 10 * i;
        m.InsertItem(&r);
        m.SetItemText(i, 1, std::to_string(4 - i).c_str());
    }
    // Sort by the name, descending; then select a pattern and copy.
    EXPECT_EQ(1, t.Send(RVM_SORTITEMS, 0, 0));
    m.SortItems(0, false);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(m.GetItemFromRow(row), (int)t.Send(RVM_GETITEMFROMROW, (uintptr_t)row, 0)) << row;
    int sub = -1, ascending = -1;
    EXPECT_EQ(1, t.Send(RVM_GETSORTSETTINGS, (uintptr_t)&sub, (intptr_t)&ascending));
    EXPECT_EQ(0, sub);
    EXPECT_EQ(0, ascending);

    RVMSELECT sel = {};
    sel.cbSize = sizeof sel;
    sel.iSubItem = 0;
    sel.pszPattern = "A*";
    sel.cchPattern = -1;
    EXPECT_EQ(1, t.Send(RVM_SETSELECTIONPATTERN, 0, (intptr_t)&sel));
    m.SetSelection(0, "A*", false);
    int32_t got[8] = {}, want[8] = {};
    ASSERT_EQ(m.GetSelectedItems(want, 8), (int)t.Send(RVM_GETSELECTEDITEMS, 8, (intptr_t)got));
    EXPECT_EQ(2, m.GetSelectedCount());
    EXPECT_EQ(0, std::memcmp(got, want, sizeof got));
    EXPECT_EQ(1, t.Send(RVM_COPY, 0, 0));
    EXPECT_EQ(m.GetCopyText(), t.clipboard);
    EXPECT_EQ("apricot\t1\t\napple\t3\t\n", t.clipboard);

    // Find by a counted prefix, then the data and the focus.
    RVMFIND find = {};
    find.cbSize = sizeof find;
    find.nFlags = RVFI_LABEL | RVFI_PREFIX;
    find.pszText = "figure";
    find.cchText = 2;
    find.iStart = -1;
    _RVFINDINFO f = {RVFI_LABEL | RVFI_PREFIX, "fi", 0, 0, 0};
    EXPECT_EQ(m.FindItem(&f, 0, -1), (int)t.Send(RVM_FINDITEM, 0, (intptr_t)&find));
    EXPECT_EQ(2, (int)t.Send(RVM_FINDITEM, 0, (intptr_t)&find));
    EXPECT_EQ(20, (int)t.Send(RVM_GETITEMDATA, 2, 0));
    int column = 5;
    EXPECT_EQ(m.GetCurrentFocus(nullptr), (int)t.Send(RVM_GETCURRENTFOCUS, 0, (intptr_t)&column));
    EXPECT_EQ(-1, column);

    // A whole item read back, its text into the caller's buffer.
    char buffer[16] = "";
    RVMITEM item = {};
    item.cbSize = sizeof item;
    item.nMask = RVIM_LABEL;
    item.iItem = 3;
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchText = sizeof buffer;
    ASSERT_EQ(1, t.Send(RVM_GETITEM, 0, (intptr_t)&item));
    EXPECT_STREQ("apricot", buffer);
    EXPECT_EQ(30, (int)item.lParam);
    EXPECT_TRUE(item.nState & RVIS_CHOSEN);
    EXPECT_TRUE(item.nMask & RVIM_LABEL);

    // The profile round trip and the columns it restores.
    RVMPROFILE profile = {sizeof profile, -1, "Report", "Columns", -1};
    EXPECT_EQ(1, t.Send(RVM_DEACTIVATESUBITEM, 1, 0));
    EXPECT_EQ(1, t.Send(RVM_WRITEPROFILE, 0, (intptr_t)&profile));
    EXPECT_EQ(1, t.Send(RVM_DEACTIVATEALLSUBITEMS, 0, 0));
    EXPECT_EQ(1, t.Send(RVM_GETPROFILE, 0, (intptr_t)&profile));
    EXPECT_EQ(2, (int)t.Send(RVM_GETACTIVESUBITEMCOUNT, 0, 0));
    EXPECT_EQ(2, (int)t.Send(RVM_GETSUBITEMFROMCOLUMN, 1, 0));
}

TEST(ReportMessagesTree, NodesThroughMessages) {
    MessageTarget t;
    ASSERT_EQ(1, t.Send(RVM_MODIFYSTYLE, 0, RVS_TREEMODE));
    RVMSUBITEM sub = {sizeof sub, RV_HDF_STRING, 80, 0, 0, 0, "Name", -1, 0};
    t.Send(RVM_DEFINESUBITEM, 0, (intptr_t)&sub);
    t.Send(RVM_ACTIVATESUBITEM, 0, 0);
    auto insert = [&](const char* text, intptr_t parent) {
        RVMTREEITEM tree = {};
        tree.cbSize = sizeof tree;
        tree.hParent = reinterpret_cast<struct _TREEITEM*>(parent);
        tree.hInsertAfter = TVI_LAST;
        tree.iTreeSubItem = -1;
        tree.item.cbSize = sizeof tree.item;
        tree.item.nMask = RVIM_LABEL;
        tree.item.pszText = const_cast<char*>(text);
        tree.item.cchText = -1;
        return t.Send(RVM_INSERTTREEITEM, 0, (intptr_t)&tree);
    };
    intptr_t top = insert("top", (intptr_t)TVI_ROOT);
    ASSERT_NE(0, top);
    intptr_t child = insert("child", top);
    ASSERT_NE(0, child);
    EXPECT_EQ(1, t.Send(RVM_ISCHILD, (uintptr_t)top, child));
    EXPECT_EQ(child, t.Send(RVM_GETNEXTTREEITEM, 4, top));
    EXPECT_EQ(2, (int)t.Send(RVM_GETTREEITEMCOUNT, 1, (intptr_t)TVI_ROOT));
    EXPECT_EQ(1, (int)t.Send(RVM_GETROWCOUNT, 0, 0)); // collapsed
    RVMEXPAND expand = {sizeof expand, 1, reinterpret_cast<struct _TREEITEM*>(top), -1};
    EXPECT_EQ(1, t.Send(RVM_EXPANDALL, 0, (intptr_t)&expand));
    EXPECT_EQ(2, (int)t.Send(RVM_GETROWCOUNT, 0, 0));
    // A record whose inner item has the wrong size is refused; a made-up node is no node.
    RVMTREEITEM bad = {};
    bad.cbSize = sizeof bad;
    bad.hParent = TVI_ROOT;
    bad.hInsertAfter = TVI_LAST;
    bad.item.cbSize = sizeof bad.item - 4;
    EXPECT_EQ(0, t.Send(RVM_INSERTTREEITEM, 0, (intptr_t)&bad));
    EXPECT_EQ(-2, t.Send(RVM_GETITEMINDEX, 0, 0x1234));
    EXPECT_EQ(0, t.Send(RVM_DELETETREEITEM, 0, 0x1234));
    EXPECT_EQ(1, t.Send(RVM_DELETETREEITEM, 0, top));
    EXPECT_EQ(0, (int)t.Send(RVM_GETITEMCOUNT, 0, 0));
    // The handle of the deleted child is stale now.
    EXPECT_EQ(-2, t.Send(RVM_GETITEMINDEX, 0, child));
}

} // namespace
