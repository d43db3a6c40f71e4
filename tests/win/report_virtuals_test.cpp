// A control derived from the report control, overriding the item cache, the item records, the
// loading of virtual-mode cells, the copied cell text and both sorts: each override is reached where
// the control reads, stores, copies and sorts, and decides the outcome.
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

constexpr UINT kReportId = 77;

struct ParentState {
    int needCount = 0; // RVN_NEEDDATA requests seen
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<ParentState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && state && reinterpret_cast<const RVNMHDR*>(lp)->code == RVN_NEEDDATA) {
        auto* rq = reinterpret_cast<_NMRVITEMCALLBACK*>(lp);
        ++state->needCount;
        if (rq->item.iSubItem >= 0) {
            snprintf(rq->item.lpszText, (size_t)rq->item.iTextMax, "n%d.%d", rq->item.iItem,
                     rq->item.iSubItem);
            rq->item.nMask = RVIM_LABEL;
        } else {
            rq->item.nMask = 0;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Each override is switched on by its flag; with the flag off it is the control's own.
class Derived : public CReportCtrl {
  public:
    // ---- switches
    bool noCacheHits = false;  // CacheLookup finds nothing
    bool ownCells = false;     // LoadItemData fills cells itself, without asking the parent
    bool mirrorReads = false;  // GetItemStruct reads item n-1-i for item i
    bool readOnly = false;     // SetItemStruct stores nothing
    bool bracketCells = false; // GetExpandedItemText puts copied cells in brackets
    int sortBy = -1;           // QuickSort sorts by this sub-item, descending, when >= 0
    bool topLevelOnly = false; // TreeSort sorts only the children of the parent it is given
    bool byLength = false;     // CompareItems orders cells by their text's length, then as the base does
    HFONT strayFont = nullptr; // DrawItem selects this font after drawing item 0's first cell and leaves it

    // ---- what was called
    int lookups = 0, adds = 0, loads = 0, stores = 0, quickSorts = 0, treeSorts = 0;
    std::vector<int> deleted;
    int sortLow = -9, sortHigh = -9;
    HTREEITEM treeParent = nullptr;
    std::vector<std::pair<int, HGDIOBJ>> cellFonts; // item and the font selected as DrawItem began

    CString Line(int iItem) { return GetItemString(iItem, '\t'); }

  protected:
    void DrawItem(HDC hDC, RECT rect, _RVITEM* pItem) override {
        if (pItem->iSubItem == 0) cellFonts.emplace_back(pItem->iItem, GetCurrentObject(hDC, OBJ_FONT));
        CReportCtrl::DrawItem(hDC, rect, pItem);
        if (strayFont && pItem->iItem == 0 && pItem->iSubItem == 0) SelectObject(hDC, strayFont);
    }
    int CompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2) override {
        if (byLength) {
            size_t a = std::strlen(GetItemText(iItem1, iSubItem1).GetString());
            size_t b = std::strlen(GetItemText(iItem2, iSubItem2).GetString());
            if (a != b) return a < b ? -1 : 1;
        }
        return CReportCtrl::CompareItems(iItem1, iSubItem1, iItem2, iSubItem2);
    }
    structITEM* CacheLookup(int iItem) override {
        ++lookups;
        return noCacheHits ? nullptr : CReportCtrl::CacheLookup(iItem);
    }
    structITEM* CacheAdd(int iItem) override {
        ++adds;
        return CReportCtrl::CacheAdd(iItem);
    }
    void CacheDelete(int iItem) override {
        deleted.push_back(iItem);
        CReportCtrl::CacheDelete(iItem);
    }
    structITEM* GetItemStruct(int iItem, int iSubItem, UINT nMask) override {
        if (mirrorReads && iItem >= 0) iItem = GetItemCount() - 1 - iItem;
        return CReportCtrl::GetItemStruct(iItem, iSubItem, nMask);
    }
    BOOL SetItemStruct(int iItem, structITEM& item) override {
        ++stores;
        return readOnly ? FALSE : CReportCtrl::SetItemStruct(iItem, item);
    }
    void LoadItemData(structITEM* pItem, int iItem, int iSubItem, UINT nMask) override {
        ++loads;
        if (!ownCells) {
            CReportCtrl::LoadItemData(pItem, iItem, iSubItem, nMask);
            return;
        }
        char text[32];
        snprintf(text, sizeof text, "own %d.%d", iItem, iSubItem);
        _RVITEM r = {};
        r.nMask = RVIM_LABEL | RVIM_PICTURE | RVIM_USERDATA;
        r.iItem = iItem;
        r.iSubItem = iSubItem;
        r.lpszText = text;
        r.iImage = iItem % 5;
        r.lParam = 1000 + iItem;
        StoreItemData(pItem, &r);
    }
    CString GetExpandedItemText(int iItem, int iSubItem) override {
        CString text = CReportCtrl::GetExpandedItemText(iItem, iSubItem);
        if (!bracketCells) return text;
        return CString("[") + text.GetString() + "]";
    }
    void QuickSort(int iSubItem, int iLow, int iHigh, BOOL bAscending) override {
        ++quickSorts;
        sortLow = iLow;
        sortHigh = iHigh;
        if (sortBy >= 0)
            CReportCtrl::QuickSort(sortBy, iLow, iHigh, FALSE);
        else
            CReportCtrl::QuickSort(iSubItem, iLow, iHigh, bAscending);
    }
    void TreeSort(int iSubItem, HTREEITEM hParent, BOOL bAscending, BOOL bRecursive) override {
        ++treeSorts;
        treeParent = hParent;
        CReportCtrl::TreeSort(iSubItem, hParent, bAscending, topLevelOnly ? FALSE : bRecursive);
    }
};

class ReportVirtuals : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportVirtualsParent", ParentProc, &state,
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    // A control with two columns; items named by rows of {name, key}.
    Derived& Make(DWORD styles, const std::vector<std::pair<const char*, const char*>>& items = {}) {
        report.reset(new Derived);
        RECT rc = {10, 10, 410, 310};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, kReportId));
        const char* names[] = {"Name", "Key"};
        for (int i = 0; i < 2; ++i) {
            _RVSUBITEM s = {HDF_STRING, 120, 0, 0, 0, names[i]};
            report->DefineSubItem(i, &s);
            report->ActivateSubItem(i, i);
        }
        for (const auto& it : items) {
            int i = report->AddItem(it.first);
            report->SetItemText(i, 1, it.second);
        }
        return *report;
    }
    std::string Rows() {
        std::string out;
        for (int row = 0; row < report->GetRowCount(); ++row) {
            if (row) out += ',';
            out += report->GetItemText(report->GetItemFromRow(row), 0).GetString();
        }
        return out;
    }

    HWND parent = nullptr;
    ParentState state;
    std::unique_ptr<Derived> report;
};

TEST_F(ReportVirtuals, QuickSortOverrideDecidesTheOrder) {
    Derived& r = Make(0, {{"a", "2"}, {"b", "3"}, {"c", "1"}, {"d", "0"}});
    ASSERT_TRUE(r.SortItems(0, TRUE));
    EXPECT_EQ(1, r.quickSorts);
    EXPECT_EQ(0, r.sortLow);
    EXPECT_EQ(3, r.sortHigh);
    EXPECT_EQ("a,b,c,d", Rows());
    // The override sorts by the key column, descending, whatever was asked.
    r.sortBy = 1;
    ASSERT_TRUE(r.SortItems(0, TRUE));
    EXPECT_EQ("b,a,c,d", Rows());
    // The focus follows its item through the override's order.
    r.SetSelection(3);
    r.sortBy = -1;
    ASSERT_TRUE(r.SortItems(0, FALSE));
    EXPECT_EQ("d,c,b,a", Rows());
    EXPECT_EQ(0, r.GetItemRow(3));
    EXPECT_EQ(0, r.GetCurrentFocus()); // the focus is a row: the item's new one
}

TEST_F(ReportVirtuals, CompareItemsOverrideDecidesSortingWithoutASortCallback) {
    Derived& r = Make(0, {{"cc", "0"}, {"aaa", "1"}, {"b", "2"}});
    ASSERT_TRUE(r.SortItems(0, TRUE));
    EXPECT_EQ("aaa,b,cc", Rows()); // the base comparison, through the derived control
    r.byLength = true;
    ASSERT_TRUE(r.SortItems(0, TRUE));
    EXPECT_EQ("b,cc,aaa", Rows()); // the override's order: shortest first
    ASSERT_TRUE(r.SortItems(0, FALSE));
    EXPECT_EQ("aaa,cc,b", Rows());
}

TEST_F(ReportVirtuals, TreeSortOverrideDecidesWhichLevelsAreSorted) {
    Derived& r = Make(RVS_TREEMODE);
    HTREEITEM b = r.InsertItem("b", -1, -1, -1, TVI_ROOT);
    r.InsertItem("z", -1, -1, -1, b);
    r.InsertItem("y", -1, -1, -1, b);
    r.InsertItem("a", -1, -1, -1, TVI_ROOT);
    r.Expand(b, TVE_EXPAND);
    ASSERT_EQ("b,z,y,a", Rows());
    ASSERT_TRUE(r.SortItems(0, TRUE));
    EXPECT_EQ(1, r.treeSorts);
    EXPECT_EQ(TVI_ROOT, r.treeParent);
    EXPECT_EQ("a,b,y,z", Rows());
    // Sorting only the top level leaves the children in their order.
    r.topLevelOnly = true;
    ASSERT_TRUE(r.SortItems(0, FALSE));
    EXPECT_EQ("b,y,z,a", Rows());
}

TEST_F(ReportVirtuals, ExpandedItemTextOverrideChangesWhatIsCopied) {
    Derived& r = Make(0, {{"one", "1"}, {"two", nullptr}});
    r.SetItemCheck(1, 1, 1);
    EXPECT_STREQ("one\t1\n", r.Line(0).GetString());
    EXPECT_STREQ("two\t1\n", r.Line(1).GetString()); // no text: the check state
    r.bracketCells = true;
    EXPECT_STREQ("[one]\t[1]\n", r.Line(0).GetString());
    r.SelectAll();
    r.Copy();
    EXPECT_EQ("[one]\t[1]\n[two]\t[1]\n", zt::ClipboardText(parent));
}

TEST_F(ReportVirtuals, LoadItemDataOverrideSuppliesVirtualCells) {
    Derived& r = Make(RVS_VIRTUALDATA);
    ASSERT_TRUE(r.SetItemCount(1000));
    r.ownCells = true;
    EXPECT_STREQ("own 7.1", r.GetItemText(7, 1).GetString());
    EXPECT_EQ(2, r.GetItemImage(7, 0));
    EXPECT_EQ((LPARAM)1000 + 999, r.GetItemData(999));
    UpdateWindow(r.Handle()); // painting reads the visible cells through the override too
    EXPECT_EQ(0, state.needCount);
    EXPECT_GT(r.loads, 3);
    // The control's own loading asks the parent.
    r.ownCells = false;
    r.FlushCache(-2);
    EXPECT_STREQ("n8.1", r.GetItemText(8, 1).GetString());
    EXPECT_GT(state.needCount, 0);
}

TEST_F(ReportVirtuals, CacheOverridesAreWhereItemsAreLookedUpAddedAndFreed) {
    Derived& r = Make(RVS_VIRTUALDATA);
    ASSERT_TRUE(r.SetItemCount(300));
    r.FlushCache(-2);
    r.deleted.clear();
    EXPECT_STREQ("n5.0", r.GetItemText(5, 0).GetString());
    int loads = r.loads, needs = state.needCount;
    EXPECT_GE(r.adds, 1);
    EXPECT_GE(r.lookups, 1);
    // A second read of the cell is a cache hit: nothing is loaded.
    EXPECT_STREQ("n5.0", r.GetItemText(5, 0).GetString());
    EXPECT_EQ(loads, r.loads);
    EXPECT_EQ(needs, state.needCount);
    // A lookup that never finds anything makes every read load again.
    r.noCacheHits = true;
    EXPECT_STREQ("n5.0", r.GetItemText(5, 0).GetString());
    EXPECT_STREQ("n5.0", r.GetItemText(5, 0).GetString());
    EXPECT_EQ(loads + 2, r.loads);
    EXPECT_EQ(needs + 2, state.needCount);
    r.noCacheHits = false;
    // FlushCache and a smaller count free slots through CacheDelete.
    r.FlushCache(5);
    r.FlushCache(-1);
    EXPECT_EQ((std::vector<int>{5, -1}), r.deleted);
    r.GetItemText(250, 0);
    r.GetItemText(20, 0);
    r.deleted.clear();
    ASSERT_TRUE(r.SetItemCount(100));
    EXPECT_EQ((std::vector<int>{250}), r.deleted);
}

TEST_F(ReportVirtuals, ItemStructOverridesDecideReadsAndStores) {
    Derived& r = Make(0, {{"first", "x"}, {"middle", "y"}, {"last", "z"}});
    r.mirrorReads = true;
    EXPECT_STREQ("last", r.GetItemText(0, 0).GetString());
    EXPECT_STREQ("y", r.GetItemText(1, 1).GetString());
    EXPECT_STREQ("last\tz\n", r.Line(0).GetString());
    r.mirrorReads = false;
    // Every change is stored through SetItemStruct; one that is not stored leaves the item as it was.
    int stores = r.stores;
    EXPECT_TRUE(r.SetItemText(1, 0, "changed"));
    EXPECT_EQ(stores + 1, r.stores);
    EXPECT_STREQ("changed", r.GetItemText(1, 0).GetString());
    r.readOnly = true;
    EXPECT_FALSE(r.SetItemText(1, 0, "refused"));
    EXPECT_FALSE(r.SetItemData(1, 42));
    EXPECT_STREQ("changed", r.GetItemText(1, 0).GetString());
    EXPECT_EQ((LPARAM)0, r.GetItemData(1));
    r.readOnly = false;
    // The stored record keeps the control's own state: the selection survives a change of state bits.
    r.SetSelection(2);
    _RVITEM it = {};
    it.nMask = RVIM_STATEBITS;
    it.iItem = 2;
    it.iSubItem = -1;
    it.nState = RVIS_HEAVYFONT;
    EXPECT_TRUE(r.SetItem(&it));
    it.nMask = RVIM_STATEBITS;
    ASSERT_TRUE(r.GetItem(&it));
    EXPECT_EQ((UINT)(RVIS_HEAVYFONT | RVIS_CHOSEN | RVIS_HASFOCUS), it.nState & 0x7F);
}

} // namespace

// Each row is drawn in its own font (the heavy one for RVIS_HEAVYFONT items) whatever a cell before it
// left selected, and the paint gives the device context back with the font it had.
TEST_F(ReportVirtuals, RowsDrawInTheirFontWhateverACellLeftSelected) {
    Derived& r = Make(0, {{"zero", "0"}, {"one", "1"}, {"two", "2"}, {"three", "3"}});
    _RVITEM heavy = {};
    heavy.nMask = RVIM_STATEBITS;
    heavy.iItem = 2;
    heavy.nState = RVIS_HEAVYFONT;
    ASSERT_TRUE(r.SetItem(&heavy));
    HFONT stray = CreateFontA(30, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Courier New");
    ASSERT_TRUE(stray);
    r.strayFont = stray;

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 420, 320);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    r.cellFonts.clear();
    SendMessageA(r.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(before, GetCurrentObject(dc, OBJ_FONT));

    std::vector<HGDIOBJ> font(4, nullptr);
    for (const auto& seen : r.cellFonts)
        if (seen.first >= 0 && seen.first < 4 && !font[(size_t)seen.first])
            font[(size_t)seen.first] = seen.second;
    ASSERT_TRUE(font[0] && font[1] && font[2] && font[3]);
    EXPECT_EQ(font[0], font[1]); // not the font the cell before left selected
    EXPECT_EQ(font[0], font[3]);
    EXPECT_NE(stray, font[1]);
    EXPECT_NE(font[0], font[2]); // the heavy row in the heavy font
    EXPECT_NE(stray, font[2]);
    EXPECT_NE(before, font[0]);

    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    r.strayFont = nullptr;
    DeleteObject(stray);
}
