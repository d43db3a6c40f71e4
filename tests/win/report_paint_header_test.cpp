// The report control's header paints itself, flat: thin separators after the items and a frame around
// them in the system's colours, images and texts, the sort marker pointing the sort's way on the sorted
// item only (and kept when the columns change), and an owner-drawn item handed to the control's parent
// as WM_DRAWITEM, both when the header paints on screen and when it is printed. It stays the platform's
// header window: its class and its hit testing are the platform's.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace {

constexpr UINT kReportId = 321;
constexpr COLORREF kOwnerColour = RGB(10, 200, 30);
constexpr COLORREF kImageColour = RGB(220, 20, 60);

struct ParentState {
    std::vector<DRAWITEMSTRUCT> drawn; // WM_DRAWITEM as the parent received it
    std::vector<WPARAM> ids;
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_DRAWITEM && state) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        state->drawn.push_back(*dis);
        state->ids.push_back(wp);
        HBRUSH brush = CreateSolidBrush(kOwnerColour);
        FillRect(dis->hDC, &dis->rcItem, brush);
        DeleteObject(brush);
        return TRUE;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The pixels a window shows on screen (its own painting, through WM_PAINT).
class Screen {
  public:
    explicit Screen(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~Screen() { ReleaseDC(m_hwnd, m_dc); }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }

  private:
    HWND m_hwnd;
    HDC m_dc;
};

template <typename Pixels> int Count(const Pixels& p, const RECT& rc, COLORREF colour) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            n += p.At(x, y) == colour;
    return n;
}

class ReportHeaderPaint : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportHeaderPaintParent", ParentProc, &state, WS_POPUP | WS_VISIBLE,
                                      30, 30, 600, 300);
        ASSERT_TRUE(parent);
        report.reset(new CReportCtrl);
        RECT rc = {0, 0, 500, 200};
        ASSERT_TRUE(report->Create(WS_CHILD | WS_VISIBLE, rc, parent, kReportId));
        // One image of a single colour (32-bit pixels 0x00RRGGBB).
        images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
        std::vector<DWORD> pixels(16 * 16, (DWORD)GetRValue(kImageColour) << 16 |
                                               (DWORD)GetGValue(kImageColour) << 8 | GetBValue(kImageColour));
        HBITMAP bmp = CreateBitmap(16, 16, 1, 32, pixels.data());
        ImageList_Add(images, bmp, nullptr);
        DeleteObject(bmp);
        report->SetImageList(images);
        // "Name" 120 with an image, "Owner" 100 drawn by the parent, "Size" 80.
        _RVSUBITEM name = {RV_HDF_STRING | RV_HDF_IMAGE, 120, 0, 0, 0, "Name"};
        _RVSUBITEM owner = {RV_HDF_STRING | HDF_OWNERDRAW, 100, 0, 0, 0, "Owner"};
        _RVSUBITEM size = {RV_HDF_STRING, 80, 0, 0, 0, "Size"};
        report->DefineSubItem(0, &name);
        report->DefineSubItem(1, &owner);
        report->DefineSubItem(2, &size);
        for (int i = 0; i < 3; ++i)
            ASSERT_GE(report->ActivateSubItem(i, i), 0);
        report->AddItem("b");
        report->AddItem("a");
        header = report->GetHeaderCtrl();
        GetClientRect(header, &client);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        ImageList_Destroy(images);
        zt::Pump(10);
    }
    RECT ItemRect(int item) {
        RECT rc = {};
        SendMessageA(header, HDM_GETITEMRECT, (WPARAM)item, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    // A left click on header item `item`, as the mouse gives it.
    void Click(int item) {
        RECT rc = ItemRect(item);
        LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
        zt::Pump(10);
    }
    // The sort marker's pixels near the right end of an item: their rows' widths from top to bottom.
    template <typename Pixels> std::vector<int> MarkerRows(const Pixels& p, int item) {
        RECT rc = ItemRect(item);
        RECT end = {rc.right - 30, rc.top, rc.right - 1, rc.bottom};
        std::vector<int> rows;
        for (int y = end.top; y < end.bottom; ++y) {
            RECT line = {end.left, y, end.right, y + 1};
            int n = Count(p, line, GetSysColor(COLOR_BTNTEXT));
            if (n) rows.push_back(n);
        }
        return rows;
    }

    HWND parent = nullptr;
    HWND header = nullptr;
    RECT client = {};
    HIMAGELIST images = nullptr;
    ParentState state;
    std::unique_ptr<CReportCtrl> report;
};

// Separators, the frame around the items and the plain face, on screen and printed alike.
TEST_F(ReportHeaderPaint, FlatItemsWithSeparatorsAndFrame) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE), line = GetSysColor(COLOR_BTNSHADOW);
    InvalidateRect(header, nullptr, TRUE);
    UpdateWindow(header);
    Screen screen(header);
    zt::Picture printed(header, client.right, client.bottom);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass ? "printed" : "on screen");
        auto at = [&](int x, int y) { return pass ? printed.At(x, y) : screen.At(x, y); };
        for (int item : {0, 2}) {
            RECT rc = ItemRect(item);
            int mid = (rc.top + rc.bottom) / 2;
            EXPECT_EQ(line, at(rc.right - 1, mid)) << "separator after item " << item;
            EXPECT_EQ(face, at(rc.right - 2, mid)) << "one pixel wide";
            EXPECT_EQ(line, at((rc.left + rc.right) / 2, rc.top)) << "frame above item " << item;
            EXPECT_EQ(line, at((rc.left + rc.right) / 2, rc.bottom - 1)) << "frame below item " << item;
            // The plain face between the text and the separator: no gradient, no theme part.
            for (int y = rc.top + 2; y < rc.bottom - 2; ++y)
                EXPECT_EQ(face, at(rc.right - 4, y)) << "item " << item << " y " << y;
        }
        EXPECT_EQ(line, at(0, (client.top + client.bottom) / 2)) << "frame on the left";
        // Past the items: the face, with a line under it.
        RECT last = ItemRect(2);
        EXPECT_EQ(face, at(last.right + 20, client.bottom / 2));
        EXPECT_EQ(line, at(last.right + 20, client.bottom - 1));
        // The texts and the image.
        auto count = [&](const RECT& rc, COLORREF colour) {
            int n = 0;
            for (int y = rc.top; y < rc.bottom; ++y)
                for (int x = rc.left; x < rc.right; ++x)
                    n += at(x, y) == colour;
            return n;
        };
        EXPECT_GT(count(ItemRect(0), GetSysColor(COLOR_BTNTEXT)), 5);
        EXPECT_GT(count(ItemRect(2), GetSysColor(COLOR_BTNTEXT)), 5);
        EXPECT_GT(count(ItemRect(0), kImageColour), 100) << "the item's image";
    }
}

// An owner-drawn item goes to the control's parent with what it needs to draw it; the parent's
// drawing is what the header shows, on screen and printed.
TEST_F(ReportHeaderPaint, OwnerDrawnItemHandedToTheParent) {
    state.drawn.clear();
    InvalidateRect(header, nullptr, TRUE);
    UpdateWindow(header);
    ASSERT_FALSE(state.drawn.empty()) << "the parent was not asked to draw the item";
    const DRAWITEMSTRUCT& dis = state.drawn.back();
    RECT rc = ItemRect(1);
    EXPECT_EQ((UINT)ODT_HEADER, dis.CtlType);
    EXPECT_EQ(kReportId, dis.CtlID);
    EXPECT_EQ((WPARAM)kReportId, state.ids.back());
    EXPECT_EQ(header, dis.hwndItem);
    EXPECT_EQ(1u, dis.itemID);
    EXPECT_EQ(1u, (UINT)dis.itemData); // the sub-item it shows
    EXPECT_EQ((UINT)ODA_DRAWENTIRE, dis.itemAction);
    EXPECT_TRUE(EqualRect(&rc, &dis.rcItem));
    for (const DRAWITEMSTRUCT& d : state.drawn)
        EXPECT_EQ(1u, d.itemID) << "only the owner-drawn item goes to the parent";
    RECT inside = {rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2};
    Screen screen(header);
    int area = (inside.right - inside.left) * (inside.bottom - inside.top);
    EXPECT_EQ(area, Count(screen, inside, kOwnerColour));
    state.drawn.clear();
    zt::Picture printed(header, client.right, client.bottom);
    EXPECT_EQ(1u, state.drawn.size());
    EXPECT_EQ(area, Count(printed, inside, kOwnerColour));
    // The parent draws within the item: the neighbours keep their own painting.
    RECT left = ItemRect(0), right = ItemRect(2);
    EXPECT_EQ(0, Count(printed, left, kOwnerColour));
    EXPECT_EQ(0, Count(printed, right, kOwnerColour));
}

// A click sorts ascending (the marker points up), a second click descending (down); only the sorted
// item shows it, and it stays when the columns change.
TEST_F(ReportHeaderPaint, SortMarkerFollowsTheSort) {
    {
        zt::Picture p(header, client.right, client.bottom);
        EXPECT_TRUE(MarkerRows(p, 2).empty()) << "no marker before sorting";
    }
    Click(2);
    std::vector<int> up, down;
    {
        zt::Picture p(header, client.right, client.bottom);
        up = MarkerRows(p, 2);
        EXPECT_TRUE(MarkerRows(p, 0).empty());
    }
    ASSERT_GE(up.size(), 3u);
    EXPECT_LT(up.front(), up.back()) << "ascending: narrow at the top";
    Click(2);
    {
        zt::Picture p(header, client.right, client.bottom);
        down = MarkerRows(p, 2);
    }
    ASSERT_GE(down.size(), 3u);
    EXPECT_GT(down.front(), down.back()) << "descending: wide at the top";
    // Another column shown: the header is made again and the marker is still on the sorted column.
    _RVSUBITEM kind = {RV_HDF_STRING, 60, 0, 0, 0, "Kind"};
    report->DefineSubItem(3, &kind);
    ASSERT_GE(report->ActivateSubItem(3, 0), 0); // first: the sorted column is now item 3
    zt::Picture p(header, client.right, client.bottom);
    EXPECT_EQ(down, MarkerRows(p, 3));
}

// The header is still the platform's window: its class, and a point hits the item under it.
TEST_F(ReportHeaderPaint, StaysThePlatformsHeader) {
    char cls[64] = "";
    GetClassNameA(header, cls, sizeof cls);
    EXPECT_STREQ(WC_HEADERA, cls);
    for (int item = 0; item < 3; ++item) {
        RECT rc = ItemRect(item);
        HDHITTESTINFO hit = {};
        hit.pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        EXPECT_EQ(item, (int)SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        EXPECT_TRUE(hit.flags & HHT_ONHEADER);
    }
}

} // namespace
