// Where the report control's parts lie: the layout per style, row and cell rectangles with previews,
// images, check boxes and the tree's indent, what points hit, which rows fit, the scroll requests and
// bars, and in virtual mode which rows the geometry asks the parent for.
#include <gtest/gtest.h>

#include "report_fixture.h"
#include "reportctrl/model/report_geometry.h"

#include <set>
#include <string>
#include <vector>

using namespace reporttest;
using zrpc::report::CellRects;
using zrpc::report::ReportGeometry;
using zrpc::report::ScrollBarInfo;

namespace {

constexpr int kRow = 16;
constexpr int kHeader = 20;
const RVRECT kClient = {0, 0, 400, 300};

std::string Str(const RVRECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Three columns of widths 100, 80 and 60, n items "i<k>", a 400 x 300 client area with a 20-pixel header
// and 16-pixel rows.
class Geometry : public ::testing::Test {
  protected:
    RecordingHost host;
    ReportModel m{&host};
    ReportGeometry g{m};
    void Make(int items, uint32_t style = 0) {
        m.ModifyStyle(0, style);
        int widths[] = {100, 80, 60};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM s = SubItem("c", widths[i]);
            m.DefineSubItem(i, &s);
            m.ActivateSubItem(i, i);
        }
        for (int i = 0; i < items && !(style & RVS_VIRTUALDATA); ++i)
            m.AddItem(("i" + std::to_string(i)).c_str());
        g.SetRowHeight(kRow);
        g.RecountWidth();
        g.Layout(kClient, kHeader, 3);
    }
    void Preview(int item, int height) {
        _RVITEM r{};
        r.nMask = RVIM_PREVIEWLINES;
        r.iItem = item;
        r.iSubItem = -1;
        r.nPreview = height;
        ASSERT_TRUE(m.SetItem(&r));
    }
    _RVHITTESTINFO Hit(int x, int y) {
        _RVHITTESTINFO h{};
        h.point = {x, y};
        g.HitTest(&h);
        return h;
    }
};

TEST_F(Geometry, LayoutPerStyle) {
    const struct {
        uint32_t style;
        std::string header, edit, list;
    } cases[] = {
        {0, "0,0,400,20", "0,20,400,20", "0,20,400,300"},
        {RVS_HEADERLESS, "0,0,400,0", "0,0,400,0", "0,0,400,300"},
        {RVS_ENTRYROW, "0,0,400,20", "0,20,400,42", "0,42,400,300"}, // one row and twice the border
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        RecordingHost h;
        ReportModel model(&h);
        ReportGeometry geo(model);
        model.ModifyStyle(0, c.style);
        geo.SetRowHeight(kRow);
        geo.Layout(kClient, kHeader, 3);
        EXPECT_EQ(Str(geo.HeaderRect()), c.header);
        EXPECT_EQ(Str(geo.EditRect()), c.edit);
        EXPECT_EQ(Str(geo.ListRect()), c.list);
    }
}

TEST_F(Geometry, RowsWithPreviewsAndWhatFits) {
    Make(40);
    Preview(1, 30);
    RVRECT r;
    ASSERT_TRUE(g.RowRect(0, r));
    EXPECT_EQ(Str(r), "0,20,400,36"); // as wide as the list when the columns are narrower
    ASSERT_TRUE(g.RowRect(1, r));
    EXPECT_EQ(Str(r), "0,36,400,82"); // row height and preview
    ASSERT_TRUE(g.RowRect(2, r));
    EXPECT_EQ(r.top, 82);
    EXPECT_FALSE(g.RowRect(40, r));
    EXPECT_FALSE(g.RowRect(-1, r)); // no edit row
    // 280 pixels of list: 16 + 46 + 13 rows of 16 = 270, and one more partly.
    EXPECT_EQ(g.VisibleCount(false), 15);
    EXPECT_EQ(g.VisibleCount(true), 16);
    // The last page: 17 rows of 16 fit in 280.
    EXPECT_EQ(g.LastPageTop(), 23);
    EXPECT_TRUE(g.SetTop(30));
    EXPECT_EQ(g.Top(), 23); // held to the last page
    ASSERT_TRUE(g.RowRect(22, r));
    EXPECT_EQ(r.top, 20 - kRow); // above the list
}

TEST_F(Geometry, HitsAtChosenPoints) {
    Make(5);
    m.SortItems(0, false); // rows i4 i3 i2 i1 i0
    Preview(3, 20);        // row 1
    const struct {
        int x, y;
        uint32_t flags;
        int row, item, column;
    } cases[] = {
        {50, 10, RVHT_OVER, -2, -2, -1},      {50, 300, RVHT_UNDER, -2, -2, -1},
        {400, 100, RVHT_RIGHTOF, -2, -2, -1}, {50, 25, RVHT_LABEL, 0, 4, 0},
        {150, 40, RVHT_LABEL, 1, 3, 1},       {150, 60, RVHT_PREVIEWAREA, 1, 3, -1},
        {200, 80, RVHT_LABEL, 2, 2, 2},       {350, 80, RVHT_NONE, 2, 2, -1}, // right of the columns
        {50, 200, RVHT_NONE, -2, -2, -1},                                     // below the last row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        _RVHITTESTINFO h = Hit(c.x, c.y);
        EXPECT_EQ(h.nFlags, c.flags);
        EXPECT_EQ(h.iRow, c.row);
        EXPECT_EQ(h.iItem, c.item);
        EXPECT_EQ(h.iColumn, c.column);
        if (c.item >= 0) EXPECT_EQ(m.GetItemFromRow(h.iRow), h.iItem);
    }
}

TEST_F(Geometry, CellPartsAndTheEditRow) {
    Make(2, RVS_ENTRYROW);
    g.SetImages(true, 12, 12);
    m.SetItemImage(0, 0, 1);
    m.SetItemCheck(0, 0, 1);
    m.ModifyProperty(RVP_CHECKBOXSIZE, (10 << 16) | 10);
    CellRects c;
    ASSERT_TRUE(g.Cell(0, 0, c));
    // gap 6, image 12, gap, check 10, gap, text to one gap before the cell's end
    EXPECT_EQ(Str(c.cell), "0,42,100,58");
    EXPECT_EQ(Str(c.image), "6,44,18,56");
    EXPECT_EQ(Str(c.check), "24,45,34,55");
    EXPECT_EQ(Str(c.text), "40,42,94,58");
    ASSERT_TRUE(g.Cell(1, 0, c)); // nothing but text
    EXPECT_EQ(Str(c.text), "6,58,94,74");
    EXPECT_EQ(Hit(30, 50).nFlags, (uint32_t)RVHT_CHECKBOX);
    EXPECT_EQ(Hit(10, 50).nFlags, (uint32_t)RVHT_PICTURE);
    _RVHITTESTINFO e = Hit(50, 25);
    EXPECT_EQ(e.nFlags, (uint32_t)(RVHT_ENTRYROW | RVHT_LABEL));
    EXPECT_EQ(e.iRow, -1);
    EXPECT_EQ(e.iItem, -1);
    RVRECT r;
    ASSERT_TRUE(g.ItemRect(-1, -1, 0, r));
    EXPECT_EQ(Str(r), "0,20,400,36");
    EXPECT_FALSE(g.ItemRect(0, 0, 5, r));
}

TEST_F(Geometry, TreeIndentAndExpandBox) {
    Make(0, RVS_TREEMODE);
    _TREEITEM* top = m.InsertItem("top", -1, -1, -1, TVI_ROOT, TVI_LAST);
    _TREEITEM* kid = m.InsertItem("kid", -1, -1, -1, top, TVI_LAST);
    m.Expand(top, 1);
    CellRects c;
    ASSERT_TRUE(g.Cell(1, 0, c)); // level 2: two row heights of indent, the box in the second
    EXPECT_EQ(Str(c.box), "16,36,32,52");
    EXPECT_EQ(c.text.left, 32 + 6);
    EXPECT_EQ(Hit(8, 25).nFlags, (uint32_t)RVHT_EXPANDBOX); // the parent's box
    EXPECT_EQ(Hit(24, 40).nFlags, (uint32_t)RVHT_NONE);     // a node without children
    _RVHITTESTINFO h = Hit(60, 40);
    EXPECT_EQ(h.hItem, kid);
    // A node showing its tree sub-item: text area 4 runs to the end of the columns.
    m.SetTreeSubItem(kid, 2);
    RVRECT r;
    ASSERT_TRUE(g.ItemRect(m.GetItemIndex(kid), 0, 4, r));
    EXPECT_EQ(r.right, 240 - 6);
    ASSERT_TRUE(g.ItemRect(m.GetItemIndex(kid), 0, 3, r));
    EXPECT_EQ(r.right, 100 - 6);
}

// The expand box: 9 x 9 pixels at 96 DPI, scaled with the screen's density, centred in the row-high
// square the tree gives it, and never wider than the square less a (scaled) pixel each side.
TEST_F(Geometry, ExpandBoxAtEachDensity) {
    struct Case {
        unsigned dpi;
        RVRECT square;
        const char* box;
    } cases[] = {
        {96, {16, 36, 32, 52}, "20,40,29,49"}, // 16-pixel rows: 9 x 9 (the tree's sample above)
        {96, {0, 0, 17, 17}, "4,4,13,13"},     // 17-pixel rows
        {96, {0, 0, 10, 10}, "1,1,9,9"},       // a small square: 8 x 8
        {96, {0, 0, 6, 6}, "0,0,0,0"},         // too small to read: none
        {144, {0, 0, 22, 22}, "4,4,18,18"},    // 14 x 14 (13.5 rounded)
        {192, {0, 0, 27, 27}, "4,4,22,22"},    // 18 x 18 in the 27-pixel rows of 200 %
        {192, {0, 0, 14, 14}, "2,2,12,12"},    // the square less two pixels each side
        {192, {0, 0, 12, 12}, "0,0,0,0"},      // 8 pixels: less than 5 scaled
    };
    for (const Case& c : cases) {
        g.SetDpi(c.dpi);
        EXPECT_EQ(Str(g.ExpandBox(c.square)), c.box) << c.dpi << " " << Str(c.square);
    }
    EXPECT_EQ(g.Scaled(9), 18);
    g.SetDpi(0); // no density known: sizes as given
    EXPECT_EQ(g.Scaled(9), 9);
}

TEST_F(Geometry, ScrollRequestsAndBars) {
    Make(100);
    int page = g.VisibleCount(false);
    ASSERT_EQ(page, 17);
    const struct {
        int code, thumb, top;
    } steps[] = {
        {zrpc::report::kScrollLineDown, 0, 1}, {zrpc::report::kScrollPageDown, 0, 18},
        {zrpc::report::kScrollLineUp, 0, 17},  {zrpc::report::kScrollThumbTrack, 50, 50},
        {zrpc::report::kScrollBottom, 0, 83},  {zrpc::report::kScrollPageDown, 0, 83},
        {zrpc::report::kScrollTop, 0, 0},      {zrpc::report::kScrollPageUp, 0, 0},
    };
    for (const auto& st : steps) {
        g.SetTop(g.ScrollRowsTarget(st.code, st.thumb));
        EXPECT_EQ(g.Top(), st.top) << st.code;
    }
    ScrollBarInfo v = g.VerticalBar();
    EXPECT_EQ(v.max, 99);
    EXPECT_EQ(v.page, 17);
    // Rows scrolled into view: above to the top, below to the bottom.
    EXPECT_EQ(g.TopToShow(40, false), 40 - page + 1);
    g.SetTop(50);
    EXPECT_EQ(g.TopToShow(10, false), 10);
    EXPECT_EQ(g.TopToShow(55, false), 50);
    // A top row taller than the list: the rows below it are not on screen, and one is scrolled to.
    Preview(50, 400);
    g.SetTop(50);
    EXPECT_EQ(g.VisibleCount(true), 1);
    EXPECT_EQ(g.TopToShow(52, false), 51); // row 50 does not fit above 51 and 52
    // Horizontally in pixels: 240 of columns in 400 fit, nothing to scroll; narrower lists scroll.
    EXPECT_FALSE(g.SetHPos(100));
    g.Layout({0, 0, 150, 300}, kHeader, 3);
    EXPECT_TRUE(g.SetHPos(g.ScrollPixelsTarget(zrpc::report::kScrollLineDown, 0)));
    EXPECT_EQ(g.HPos(), 150 / 8);
    EXPECT_TRUE(g.SetHPos(g.ScrollPixelsTarget(zrpc::report::kScrollBottom, 0)));
    EXPECT_EQ(g.HPos(), 90);
    ScrollBarInfo h = g.HorizontalBar();
    EXPECT_EQ(h.max, 239);
    EXPECT_EQ(h.page, 150);
    EXPECT_EQ(g.HPosToShow(0), 0);
    g.SetHPos(0);
    EXPECT_EQ(g.HPosToShow(2), 240 - 150);
    EXPECT_EQ(Str(g.HeaderPlace()), "0,0,240,20");
}

TEST_F(Geometry, WheelNotches) {
    Make(10);
    int code = -1;
    EXPECT_EQ(g.WheelSteps(60, 3, &code), 0);
    EXPECT_EQ(g.WheelSteps(60, 3, &code), 3); // two halves make a notch
    EXPECT_EQ(code, zrpc::report::kScrollLineUp);
    EXPECT_EQ(g.WheelSteps(-240, 3, &code), 6);
    EXPECT_EQ(code, zrpc::report::kScrollLineDown);
    EXPECT_EQ(g.WheelSteps(-120, -1, &code), 1); // -1: a page per notch
    EXPECT_EQ(code, zrpc::report::kScrollPageDown);
}

// In virtual mode the geometry asks the parent only for the rows on screen (and rows about to be
// shown), never for the last page to size the scroll bar or to place the top row.
TEST_F(Geometry, VirtualModeAsksOnlyForRowsOnScreen) {
    Make(0, RVS_VIRTUALDATA);
    std::set<int> asked;
    host.data = [&](_RVITEM& r) { asked.insert(r.iItem); };
    m.SetItemCount(10000000);
    g.Clamp();
    ScrollBarInfo v = g.VerticalBar();
    EXPECT_EQ(v.max, 9999999);
    EXPECT_EQ(v.page, 280 / kRow);
    EXPECT_TRUE(asked.empty());
    int visible = g.VisibleCount(true);
    ASSERT_FALSE(asked.empty());
    EXPECT_LT(*asked.rbegin(), visible);
    asked.clear();
    g.SetTop(500000);
    EXPECT_EQ(g.Top(), 500000);
    EXPECT_TRUE(asked.empty());
    g.SetTop(g.ScrollRowsTarget(zrpc::report::kScrollBottom, 0));
    EXPECT_EQ(g.Top(), 10000000 - 280 / kRow);
    // The screen at the old top (a page's size) and the last page, now on screen (and the row above it,
    // found not to fit).
    ASSERT_FALSE(asked.empty());
    for (int item : asked)
        EXPECT_TRUE((item >= 500000 && item <= 500000 + 17) || item >= g.Top() - 1) << item;
    EXPECT_EQ(*asked.rbegin(), 9999999);
    asked.clear(); // the rows on screen are known now
    RVRECT r;
    ASSERT_TRUE(g.RowRect(9999999, r));
    EXPECT_TRUE(asked.empty());
}

} // namespace
