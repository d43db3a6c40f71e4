// The report control's data: items and their sub-item cells, sub-item definitions and the shown
// columns, rows, colours, styles and properties, the tree, sorting, selection and focus, search, the
// copy text and the column profile value. No window here: the window is a view over this model and
// answers its callbacks (notifications to the parent, data requests in virtual mode, repaints,
// comparisons a derived control overrides).
#ifndef ZRPC_REPORT_MODEL_H
#define ZRPC_REPORT_MODEL_H

#include "reportctrl_types.h"
#include "reportctrl/model/report_rows.h"
#include "reportctrl/model/report_text.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zrpc::report {

class ReportModel;
struct Item;

// What the model asks of the window side. Every method has a harmless default.
class ReportHost {
  public:
    virtual ~ReportHost() = default;
    // Passes a notification record (starting with hdr, code filled in) to the parent; the parent's
    // answer, 0 when there is none. Only called for codes the notification filter lets through.
    virtual intptr_t Notify(RVNMHDR* hdr) {
        (void)hdr;
        return 0;
    }
    // Rows first..last (inclusive) need repainting; -2, -2 for every row.
    virtual void RepaintRows(int first, int last) {
        (void)first;
        (void)last;
    }
    // The number or order of rows changed (scroll range, layout).
    virtual void RowsChanged() {}
    // The row should be scrolled into view (-2: scroll to the top).
    virtual void ShowRow(int row) { (void)row; }
    // The row went and the rows below it moved up one: the view keeps the row that was on top where it
    // can, else shows the last page full.
    virtual void RowRemoved(int row) { (void)row; }
    // The colour table changed (palette).
    virtual void ColoursChanged() {}
    // Items by index, for state that names them (an open editor): one is about to be removed (-2:
    // every item), one was inserted (later items moved up), the virtual count was set.
    virtual void ItemRemoving(int iItem) { (void)iItem; }
    virtual void ItemInserted(int iItem) { (void)iItem; }
    virtual void ItemCountSet(int nCount) { (void)nCount; }
    // The shown columns, their order or a definition changed (header, chooser).
    virtual void ColumnsChanged() {}
    // Cell comparison for sorting, used only when CustomCompare() answers true (a derived control that
    // overrides the comparison); otherwise the model compares with the sort callback or the cells.
    virtual bool CustomCompare() const { return false; }
    virtual int CompareItems(ReportModel& model, int iItem1, int iSubItem1, int iItem2, int iSubItem2);
    // The operations a derived control may override; each default is the model's own (Default...).
    // Virtual mode's item cache: the cached record of an item (-1 the edit row) or null; a blank slot
    // claimed for an item (null: not cached); slots freed (-2 every slot, -1 the edit row's).
    virtual Item* CacheLookup(ReportModel& model, int iItem);
    virtual Item* CacheAdd(ReportModel& model, int iItem);
    virtual void CacheDelete(ReportModel& model, int iItem);
    // The record every read of an item goes through; the store of a changed record (SetItem); the
    // loading of a virtual-mode record from the parent.
    virtual Item* GetItemStruct(ReportModel& model, int iItem, int iSubItem, uint32_t nMask);
    virtual bool SetItemStruct(ReportModel& model, int iItem, Item& item);
    virtual void LoadItemData(ReportModel& model, Item* pItem, int iItem, int iSubItem, uint32_t nMask);
    // The text a cell gives to a copied line.
    virtual std::string ExpandedItemText(ReportModel& model, int iItem, int iSubItem);
    // Sorting rows lo..hi (list mode) and the children of a parent (tree mode).
    virtual void QuickSort(ReportModel& model, int iSubItem, int lo, int hi, bool bAscending);
    virtual void TreeSort(ReportModel& model, int iSubItem, _TREEITEM* hParent, bool bAscending,
                          bool bRecursive);
    // The core of every selection change, whoever asks for it (the user, a caller's SetSelection,
    // SelectAll, InvertSelection...).
    virtual void SelectRows(ReportModel& model, int iFirst, int iLast, bool bSelect, bool bKeepSelection,
                            bool bInvert, bool bNotify);
};

struct SubItemDef {
    uint32_t format = 0;
    int width = 200;
    int minWidth = 0;
    int maxWidth = 0;
    int image = 0;
    std::string text;
};

// One cell as read from an item.
struct CellValue {
    int image = -1;
    int overlay = -1;
    int check = -1;
    int colour = -1;
    bool hasText = false;
    std::string_view text;
    bool Empty() const { return !hasText && image < 0 && overlay < 0 && check < 0 && colour < 0; }
};

// The cells of one item, packed in one heap block: a header (cell count, byte size), then per cell a
// flag byte naming the values present, those values, and the text with its length byte.
class CellBlock {
  public:
    CellBlock() = default;
    explicit CellBlock(int cells);
    CellBlock(const CellBlock& other);
    CellBlock& operator=(const CellBlock& other);
    CellBlock(CellBlock&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CellBlock& operator=(CellBlock&& other) noexcept;
    ~CellBlock();

    int Count() const;
    CellValue Get(int k) const;                     // a cell that does not exist reads as empty
    bool Text(int k, std::string_view& text) const; // false when the cell has no text
    void Set(int k, const CellValue& v);
    void InsertBlank(int k);
    void Remove(int k);
    size_t Bytes() const;

  private:
    void Rebuild(int skipOrInsertAt, int mode, int setAt, const CellValue* setValue);
    uint8_t* m_p = nullptr;
};

struct TreeNode {
    TreeNode* parent = nullptr;
    TreeNode* firstChild = nullptr;
    TreeNode* next = nullptr;
    TreeNode* lastChild = nullptr;
    int item = -2;
    int treeSubItem = -1;
    int expanded = 0;
    int level = 0;
};

struct Item {
    int bkColour = -1;
    int preview = 0;
    int indent = -1;
    uint32_t state = 0;
    RV_LPARAM lParam = 0;
    TreeNode* node = nullptr;
    CellBlock cells;
};

// A cell's sort key, read once before sorting so that the built-in comparison does not read the cell
// again; the first eight text bytes, big-endian, decide most comparisons on their own.
struct SortKey {
    uint64_t prefix;
    const char* text;
    uint32_t length;
    int check;
    int image;
    int item;
    bool hasText;
};
SortKey MakeSortKey(const CellValue& c, int item);
// The built-in comparison of two cells (text byte-wise, else check states, else images).
int CompareSortKeys(const SortKey& a, const SortKey& b);

// Writes the fields an item record names into an item; the control's own state bits are kept, and so
// is the indent when keepIndent (tree mode). A text is cut to 255 bytes on a character boundary.
void ApplyItemFields(Item& it, int iSubItem, const _RVITEM& r, bool keepIndent, const TextRules& rules);

// The values every control of the process shares: the sub-item separator (with the blank record made
// from it), the column separator of copied rows and the indent per tree level of copied rows. They are
// process-wide by definition: a change through one control's ModifyProperty holds for all. A model
// reads them through the object it was given, the process's own unless a test gives it another.
struct SharedValues {
    char divider = '|';
    char copyDelimiter = '\t';
    std::string copyIndent = "  ";
};
// The process's shared values.
SharedValues& ProcessValues();

// Parses a column profile value for a control with defCount definitions; false for anything that is
// not exactly a value of that shape (counts, widths, columns naming distinct defined sub-items).
bool ParseProfileValue(const char* text, int defCount, std::vector<int>& widths, std::vector<int>& columns);

class ReportModel {
  public:
    explicit ReportModel(ReportHost* host = nullptr, SharedValues* shared = nullptr);
    virtual ~ReportModel();
    ReportModel(const ReportModel&) = delete;
    ReportModel& operator=(const ReportModel&) = delete;

    void SetHost(ReportHost* host) { m_host = host ? host : &m_noHost; }
    SharedValues& Shared() const { return *m_shared; }
    // How texts are read as characters (the code page); null: a byte is a character.
    void SetTextRules(const TextRules* rules) { m_text = rules ? rules : &ByteTextRules(); }
    const TextRules& Text() const { return *m_text; }

    // ---- notifications
    // The one way a notification leaves the control: sent to the host (and so to the parent) with its
    // code when the notification filter (RVP_NOTIFYFILTER) lets the code through; the parent's answer,
    // 0 when filtered out or nobody listens.
    intptr_t Notify(RVNMHDR* hdr, uint32_t code);
    bool NotifyPasses(uint32_t code) const;
    // A _NMREPORTVIEW about an item (-1 the edit row, -2 none) sent with code: its tree node (tree
    // looks, item >= 0), its state (not in virtual mode) and its data filled in.
    intptr_t NotifyItem(uint32_t code, int iItem, int iSubItem, uint32_t keys = 0, RVPOINT point = {0, 0},
                        uint32_t flags = 0);

    // ---- styles and properties
    uint32_t GetStyle() const { return m_style; }
    // Changes the control's own style bits. Tree and virtual mode change only while the control holds
    // no items (false otherwise, nothing changed).
    bool ModifyStyle(uint32_t remove, uint32_t add);
    bool ModifyProperty(uint32_t nProperty, intptr_t lValue);
    // The value of a property; the text properties answer a const char*.
    intptr_t GetProperty(uint32_t nProperty) const;

    // ---- sub-item definitions and columns
    int DefineSubItem(int iSubItem, const _RVSUBITEM* pSubItem);
    bool RedefineSubItem(int iSubItem, const _RVSUBITEM* pSubItem);
    bool UndefineSubItem(int iSubItem);
    void UndefineAllSubItems();
    int GetSubItemCount() const { return (int)m_defs.size(); }
    const SubItemDef* GetSubItemDef(int iSubItem) const;
    int GetSubItemWidth(int iSubItem) const;
    bool SetSubItemWidth(int iSubItem, int iWidth);
    // Shows a sub-item at a display position; the position taken, or -1 (already shown, undefined).
    int ActivateSubItem(int iSubItem, int iColumn);
    bool DeactivateSubItem(int iSubItem);
    bool DeactivateAllSubItems();
    bool IsActiveSubItem(int iSubItem) const { return GetColumnFromSubItem(iSubItem) >= 0; }
    int GetActiveSubItemCount() const { return (int)m_columns.size(); }
    int GetSubItemFromColumn(int iColumn) const;
    int GetColumnFromSubItem(int iSubItem) const;
    const std::vector<int>& GetColumnOrder() const { return m_columns; }
    // A new display order of the shown sub-items (after a header drag): false unless it is a
    // permutation of the shown ones.
    bool SetColumnOrder(const std::vector<int>& subItems);

    // ---- items (list mode)
    int InsertItem(const _RVITEM* pItem);
    int InsertItem(int iItem, const char* lpszText, int iImage = -1, int iCheck = -1, int iTextColor = -1);
    int AddItem(const char* lpszText, int iImage = -1, int iCheck = -1, int iTextColor = -1);
    int AddItem(const _RVITEM* pItem); // null: a copy of the edit row
    int DeleteItem(int iItem);
    bool DeleteAllItems();
    bool SetItemCount(int nCount); // virtual mode
    int GetItemCount() const;

    // ---- reading and writing
    bool GetItem(_RVITEM* pItem);
    bool SetItem(const _RVITEM* pItem);
    int GetItemText(int iItem, int iSubItem, char* lpszText, int nLen);
    std::string GetItemText(int iItem, int iSubItem);
    bool SetItemText(int iItem, int iSubItem, const char* lpszText);
    int GetItemImage(int iItem, int iSubItem);
    bool SetItemImage(int iItem, int iSubItem, int iImage);
    int GetItemCheck(int iItem, int iSubItem);
    bool SetItemCheck(int iItem, int iSubItem, int iCheck);
    RV_LPARAM GetItemData(int iItem);
    bool SetItemData(int iItem, RV_LPARAM dwData);
    std::string GetItemString(int iItem, char cSeparator);
    // The preview height under a row (0 without one, or with RVP_USEPREVIEW off). In virtual mode the
    // item is asked for only when load; otherwise a row not in the cache counts as having none.
    int RowPreview(int row, bool load);

    // ---- colours
    int InsertColor(int iColor, RV_COLORREF crColor);
    bool SetColor(int iColor, RV_COLORREF crColor);
    RV_COLORREF GetColor(int iColor) const;
    bool DeleteColor(int iColor);
    void DeleteAllColors();
    int GetColorCount() const { return (int)m_colours.size(); }

    // ---- virtual mode cache and item records
    void FlushCache(int iItem);
    // The model's own forms of the host's overridable operations (see ReportHost).
    Item* DefaultCacheLookup(int iItem);
    Item* DefaultCacheAdd(int iItem);
    void DefaultCacheDelete(int iItem);
    Item* DefaultGetItemStruct(int iItem, int iSubItem, uint32_t nMask);
    // Stores a record over a stored item (list mode); the item's tree node, the control's own state
    // bits and, in tree mode, its level are kept. False in virtual mode or out of range.
    bool DefaultSetItemStruct(int iItem, const Item& item);
    void DefaultLoadItemData(Item* pItem, int iItem, int iSubItem, uint32_t nMask);
    // Writes the fields the record's mask names into an item: the cell of r.iSubItem (when >= 0; text
    // cut to 255 bytes) and the item's background, preview, state (not the control's own bits),
    // indent and data; fields not named are set absent, the data kept.
    void StoreItemData(Item* pItem, const _RVITEM& r);
    // The cell's text, else its image index, else its check state, else nothing.
    std::string DefaultExpandedItemText(int iItem, int iSubItem);
    // Rows lo..hi (clamped to the rows) by a sub-item; nothing in tree or virtual mode.
    void DefaultQuickSort(int iSubItem, int lo, int hi, bool bAscending);
    // The children of a parent node (TVI_ROOT: the top level); the rows are rebuilt on their next use.
    void DefaultTreeSort(int iSubItem, _TREEITEM* hParent, bool bAscending, bool bRecursive);

    // ---- rows: which item stands on which row (see report_rows.h); a tree's rows are rebuilt first
    // when a change left them stale
    const RowMap& Rows();
    int GetRowCount() { return Rows().Count(); }
    int GetItemFromRow(int iRow) { return Rows().ItemAt(iRow); }
    int GetRowFromItem(int iItem) { return Rows().RowOf(iItem); }
    const std::vector<int>& GetItemRowArray() { return Rows().Rows(); }
    bool SetItemRowArray(const std::vector<int>& rows);
    bool MoveUp(int iRow);
    bool MoveDown(int iRow);

    // ---- tree
    _TREEITEM* InsertItem(const _RVITEM* pItem, _TREEITEM* hParent, _TREEITEM* hInsertAfter,
                          int iTreeSubItem);
    _TREEITEM* InsertItem(const char* lpszText, int iImage, int iCheck, int iTextColor, _TREEITEM* hParent,
                          _TREEITEM* hInsertAfter, int iTreeSubItem = -1);
    bool DeleteItem(_TREEITEM* hItem);
    bool Expand(_TREEITEM* hItem, uint32_t nCode);
    bool ExpandAll(_TREEITEM* hItem, uint32_t nCode, int iLevels);
    _TREEITEM* GetNextItem(_TREEITEM* hItem, uint32_t nCode);
    bool HasChildren(_TREEITEM* hItem);
    bool IsChild(_TREEITEM* hParent, _TREEITEM* hChild);
    bool IsDescendent(_TREEITEM* hAncestor, _TREEITEM* hItem);
    int GetItemIndex(_TREEITEM* hItem);
    _TREEITEM* GetItemHandle(int iItem);
    void SetTreeSubItem(_TREEITEM* hItem, int iSubItem);
    int GetTreeSubItem(_TREEITEM* hItem) const; // -1 for none or an unknown node
    int GetItemCount(_TREEITEM* hItem, int bRecursive);
    bool EnsureVisible(_TREEITEM* hItem);
    void SetSelection(_TREEITEM* hItem, bool bKeepSelection);
    void SetSelection(_TREEITEM** phItems, int nCount, bool bKeepSelection);

    // ---- sorting
    bool SortItems(int iSubItem, bool bAscending);
    bool ResortItems();
    bool GetSortSettings(int* piSubItem, int* pbAscending) const;
    void SetSortCallback(RVCOMPAREPROC pfnCompare, RV_LPARAM lParamSort);
    RVCOMPAREPROC GetSortCallback() const { return m_sortProc; }
    // The comparisons of the control (callback, else the cells).
    int DefaultCompareItems(int iItem1, int iSubItem1, int iItem2, int iSubItem2);
    static int CompareItemRecords(const _RVITEM* pItem1, const _RVITEM* pItem2);
    // The record the short insert forms build: sub-item 0 with its label, and the picture, check mark
    // and text colour each when it is 0 or more.
    static _RVITEM LabelRecord(const char* lpszText, int iImage, int iCheck, int iTextColor);

    // ---- selection and focus
    // The focus and the anchor of range selections name items (-1 the edit row, -2 none): whatever
    // reorders the rows, they stay on their items. Their rows are looked up when asked for.
    int GetFirstSelectedItem() const;
    int GetNextSelectedItem(int iItem) const;
    int GetSelectedItems(int* piItems, int nMax) const;
    int GetSelectedCount() const { return (int)m_sel.size(); }
    // Every change below goes through SelectRows, and so through the host's (a derived control's).
    // Selects an item's row (the focus goes there); false, nothing changed, when the item has no row.
    bool SetSelection(int iItem, bool bKeepSelection);
    void SetSelection(const int* piItems, int nCount, bool bKeepSelection);
    // Every row whose iSubItem text matches the pattern ("*", "?", case ignored; see PatternMatch).
    void SetSelection(int iSubItem, const char* pattern, bool bKeepSelection);
    void SetSelectionLessEq(int iSubItem, int nValue, bool bKeepSelection);
    void ClearSelection();
    void InvertSelection();
    void SelectAll();
    // A selection change of rows iFirst..iLast (-1 is the edit row), through the host.
    void SelectRows(int iFirst, int iLast, bool bSelect, bool bKeepSelection, bool bInvert, bool bNotify) {
        m_host->SelectRows(*this, iFirst, iLast, bSelect, bKeepSelection, bInvert, bNotify);
    }
    // The model's own form of it: iFirst must be a row (else nothing happens), iLast is held to the
    // rows there are.
    void DefaultSelectRows(int iFirst, int iLast, bool bSelect, bool bKeepSelection, bool bInvert,
                           bool bNotify);
    // The focused row (-2 none, -1 the edit row) and column.
    int GetCurrentFocus(int* piColumn);
    // The focused item (-2 none, -1 the edit row) and column.
    int GetFocusedItem(int* piColumn) const;
    bool AdjustFocus(int iRow, int iColumn);
    // The focus on an item's row and, with iSubItem >= 0, on that sub-item's column: the row, or -3
    // (nothing changed) for an item without a row (one that does not exist, a hidden node, the edit
    // row without RVS_ENTRYROW) or a sub-item that is not shown or never takes the focus.
    int SetCurrentFocus(int iItem, int iSubItem);
    // The anchor's row (-2 when it has none); setting names the item on that row.
    int GetAnchor();
    void SetAnchor(int iRow);

    // ---- search and copy
    int FindItem(const _RVFINDINFO* pFindInfo, int iSubItem, int iStart);
    // The text Copy puts on the clipboard: one line per selected row, in row order.
    std::string GetCopyText();
    // The selected items that have rows, in row order.
    std::vector<int> SelectedInRowOrder();

    // ---- column profile value
    std::string GetProfileValue() const;
    bool ApplyProfileValue(const char* text);

    // ---- for tests and checks
    // Verifies every invariant of the model; false with a reason when one is broken.
    bool CheckInvariants(std::string* why);
    size_t ItemBytes() const; // heap bytes held for items (block payloads)

  protected:
    // The record to read for an item (virtual mode: loading it from the parent as needed), through the
    // host.
    Item* GetItemStruct(int iItem, int iSubItem, uint32_t nMask) {
        return m_host->GetItemStruct(*this, iItem, iSubItem, nMask);
    }

  private:
    struct CacheSlot {
        int item = -2;
        Item data;
    };

    bool TreeMode() const { return (m_style & RVS_TREEMODE) != 0; }
    bool TreeLook() const { return (m_style & RVS_TREEMASK) != 0; }
    bool Virtual() const { return (m_style & RVS_VIRTUALDATA) != 0; }
    int ItemCount() const { return Virtual() ? m_rows.Count() : (int)m_items.size(); }
    intptr_t NotifyRecord(uint32_t code, int iItem, int iSubItem, const Item* it, uint32_t state);
    void NotifyRemoved(int iItem, const Item& item);
    Item* ItemPtr(int iItem); // stored item or edit row, null when out of range
    // The bytes of a text a buffer of room + 1 bytes takes, its characters kept whole.
    size_t CutFor(std::string_view text, size_t room) const {
        return text.size() <= room ? text.size() : m_text->CutPoint(text.data(), text.size(), room);
    }
    bool ReadCell(int iItem, int iSubItem, CellValue& cell, Item** owner);
    // Moves the focus to an item (its focus mark with it) and repaints the rows it left and reached.
    void SetFocusItem(int iItem);
    // An item index that moved: inserted at `at` (+1 from there on) or removed (`at` itself gone).
    static int Shifted(int index, int at, bool inserted);
    void EnsureRows();
    void MarkTreeRowsStale();
    void BuildTree();
    void SelectItemBit(int iItem, bool on);
    bool ChangeSelection(int iItem, bool bSelect, bool bInvert, bool bNotify);
    void QuickSortRows(int iSubItem, int lo, int hi, bool bAscending);

    // tree helpers
    TreeNode* Resolve(_TREEITEM* h, bool rootOk) const;
    _TREEITEM* Handle(TreeNode* n) const;
    void LinkNode(TreeNode* node, TreeNode* parent, _TREEITEM* hInsertAfter, bool ascending, int iSubItem);
    void LinkChild(TreeNode* node, TreeNode* parent, _TREEITEM* hInsertAfter, bool ascending, int iSubItem);
    void UpdateMarks(TreeNode* n);
    void UnlinkNode(TreeNode* node);
    int CompareNodes(TreeNode* a, TreeNode* b, int iSubItem);
    void TreeSort(int iSubItem, TreeNode* parent, bool bAscending, bool bRecursive);
    void DeleteItems(const std::vector<int>& order); // items in notification order
    void CollectPostOrder(TreeNode* n, std::vector<int>& out, bool includeSelf);
    TreeNode* VisibleAncestor(TreeNode* n) const;
    bool NodeVisible(const TreeNode* n) const;
    void ExpandNode(TreeNode* n, uint32_t nCode);
    void FollowFocusAfterHide();
    void FreeTree();

    ReportHost m_noHost;
    ReportHost* m_host;
    SharedValues* m_shared;
    const TextRules* m_text = &ByteTextRules();
    Item m_scratch; // a record loaded when the cache would not take it
    uint32_t m_style = 0;

    // properties
    int m_gap = 6;
    uint32_t m_checkBoxSize = (8u << 16) | 8u;
    std::string m_emptyMessage = "There are no items to show in this view.";
    int m_lineStyle = 2;
    std::string m_sortTip = "Sort by: %s";
    uint32_t m_notifyFilter = 0xFFFFFFFFu;
    bool m_useCache = true;
    bool m_usePreview = true;
    bool m_useHScroll = true;
    int m_checkBoxLook = 0;
    int m_pictureHighlight = 0;
    RV_COLORREF m_fadeColour = 0xFFFFFF;

    std::vector<SubItemDef> m_defs;
    std::vector<int> m_columns; // shown sub-items in display order
    std::vector<Item> m_items;
    Item m_editRow;
    RowMap m_rows;
    std::vector<RV_COLORREF> m_colours;
    std::vector<CacheSlot> m_cache;
    CacheSlot m_editSlot;

    int m_focusItem = -2;
    int m_focusColumn = -1;
    int m_anchorItem = -2;
    std::set<int> m_sel;

    // tree
    TreeNode m_root;
    std::unordered_set<TreeNode*> m_nodes;
    bool m_rowsStale = false;

    int m_sortSubItem = -1;
    bool m_sortAscending = true;
    RVCOMPAREPROC m_sortProc = nullptr;
    RV_LPARAM m_sortParam = 0;
};

} // namespace zrpc::report

#endif
