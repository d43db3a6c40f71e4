// Items, sub-item definitions, columns, colours, styles, properties, reading and writing cells, the
// virtual-mode cache and the list-mode rows.
#include "reportctrl/model/report_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zrpc::report {

namespace {

constexpr int kCacheSlots = 128;
constexpr int kMaxColours = 0x10000;
constexpr int kTextBuffer = 256;
constexpr size_t kMaxCellText = kTextBuffer - 1;

} // namespace

int ReportHost::CompareItems(ReportModel& model, int iItem1, int iSubItem1, int iItem2, int iSubItem2) {
    return model.DefaultCompareItems(iItem1, iSubItem1, iItem2, iSubItem2);
}

Item* ReportHost::CacheLookup(ReportModel& model, int iItem) {
    return model.DefaultCacheLookup(iItem);
}

Item* ReportHost::CacheAdd(ReportModel& model, int iItem) {
    return model.DefaultCacheAdd(iItem);
}

void ReportHost::CacheDelete(ReportModel& model, int iItem) {
    model.DefaultCacheDelete(iItem);
}

Item* ReportHost::GetItemStruct(ReportModel& model, int iItem, int iSubItem, uint32_t nMask) {
    return model.DefaultGetItemStruct(iItem, iSubItem, nMask);
}

bool ReportHost::SetItemStruct(ReportModel& model, int iItem, Item& item) {
    return model.DefaultSetItemStruct(iItem, item);
}

void ReportHost::LoadItemData(ReportModel& model, Item* pItem, int iItem, int iSubItem, uint32_t nMask) {
    model.DefaultLoadItemData(pItem, iItem, iSubItem, nMask);
}

std::string ReportHost::ExpandedItemText(ReportModel& model, int iItem, int iSubItem) {
    return model.DefaultExpandedItemText(iItem, iSubItem);
}

void ReportHost::QuickSort(ReportModel& model, int iSubItem, int lo, int hi, bool bAscending) {
    model.DefaultQuickSort(iSubItem, lo, hi, bAscending);
}

void ReportHost::TreeSort(ReportModel& model, int iSubItem, _TREEITEM* hParent, bool bAscending,
                          bool bRecursive) {
    model.DefaultTreeSort(iSubItem, hParent, bAscending, bRecursive);
}

void ReportHost::SelectRows(ReportModel& model, int iFirst, int iLast, bool bSelect, bool bKeepSelection,
                            bool bInvert, bool bNotify) {
    model.DefaultSelectRows(iFirst, iLast, bSelect, bKeepSelection, bInvert, bNotify);
}

ReportModel::ReportModel(ReportHost* host, SharedValues* shared)
    : m_host(host ? host : &m_noHost), m_shared(shared ? shared : &ProcessValues()) {
    m_root.expanded = 1;
    m_root.level = 0;
    m_root.item = -2;
    m_cache.resize(kCacheSlots);
    m_editSlot.item = -2;
}

ReportModel::~ReportModel() {
    FreeTree();
}

void ReportModel::FreeTree() {
    for (TreeNode* n : m_nodes)
        delete n;
    m_nodes.clear();
    m_root.firstChild = m_root.lastChild = nullptr;
}

// ---------------------------------------------------------------- notifications

bool ReportModel::NotifyPasses(uint32_t code) const {
    uint32_t n = (RVN_BASE - code) & 31u;
    return ((m_notifyFilter >> n) & 1u) && m_host != &m_noHost;
}

intptr_t ReportModel::Notify(RVNMHDR* hdr, uint32_t code) {
    if (!hdr || !NotifyPasses(code)) return 0;
    hdr->code = code;
    return m_host->Notify(hdr);
}

// A _NMREPORTVIEW about an item whose record is at hand (it may be on its way out).
intptr_t ReportModel::NotifyRecord(uint32_t code, int iItem, int iSubItem, const Item* it, uint32_t state) {
    _NMREPORTVIEW nm{};
    nm.iItem = iItem;
    nm.iSubItem = iSubItem;
    nm.nState = state;
    if (it) {
        nm.lParam = it->lParam;
        if (TreeLook() && iItem >= 0) nm.hItem = reinterpret_cast<_TREEITEM*>(it->node);
    }
    return Notify(&nm.hdr, code);
}

intptr_t ReportModel::NotifyItem(uint32_t code, int iItem, int iSubItem, uint32_t keys, RVPOINT point,
                                 uint32_t flags) {
    if (!NotifyPasses(code)) return 0;
    _NMREPORTVIEW nm{};
    nm.nKeys = keys;
    nm.point = point;
    nm.nFlags = flags;
    nm.iItem = iItem;
    nm.iSubItem = iSubItem;
    if (iItem >= 0 && TreeLook()) nm.hItem = GetItemHandle(iItem);
    if (iItem >= -1) {
        _RVITEM it{};
        it.iItem = iItem;
        it.iSubItem = -1;
        if (GetItem(&it)) {
            if (!Virtual()) nm.nState = it.nState;
            nm.lParam = it.lParam;
        }
    }
    return Notify(&nm.hdr, code);
}

void ReportModel::NotifyRemoved(int iItem, const Item& item) {
    m_host->ItemRemoving(iItem);
    NotifyRecord(RVN_REMOVED, iItem, 0, &item, item.state);
}

// ---------------------------------------------------------------- styles and properties

bool ReportModel::ModifyStyle(uint32_t remove, uint32_t add) {
    uint32_t next = ((m_style & ~remove) | add) & 0xFFFFu;
    uint32_t modes = RVS_TREEMODE | RVS_VIRTUALDATA;
    if (((next ^ m_style) & modes) && (!m_items.empty() || (Virtual() && m_rows.Count() > 0))) return false;
    if ((next ^ m_style) & modes) {
        FlushCache(-2);
        m_rows.SetVirtual((next & RVS_VIRTUALDATA) != 0);
        m_rowsStale = false;
    }
    m_style = next;
    if (!(m_style & RVS_CELLFOCUS)) m_focusColumn = -1;
    m_host->RowsChanged();
    return true;
}

bool ReportModel::ModifyProperty(uint32_t nProperty, intptr_t lValue) {
    const char* text = reinterpret_cast<const char*>(lValue);
    switch (nProperty) {
    case RVP_GAP:
        m_gap = (int)lValue;
        break;
    case RVP_CHECKBOXSIZE:
        m_checkBoxSize = (uint32_t)lValue;
        break;
    case RVP_EMPTYMESSAGE:
        if (!text) return false;
        m_emptyMessage = text;
        break;
    case RVP_LINESTYLE:
        if (lValue < 0 || lValue > 2) return false;
        m_lineStyle = (int)lValue;
        break;
    case RVP_SORTTIP:
        if (!text) return false;
        m_sortTip = text;
        break;
    case RVP_NOTIFYFILTER:
        m_notifyFilter = (uint32_t)lValue;
        break;
    case RVP_USECACHE:
        m_useCache = lValue != 0;
        break;
    case RVP_DIVIDER:
        // Cells are stored as separate fields, so the separator no longer touches stored items.
        m_shared->divider = (char)lValue;
        break;
    case RVP_USEPREVIEW:
        m_usePreview = lValue != 0;
        break;
    case RVP_USEHSCROLL:
        m_useHScroll = lValue != 0;
        break;
    case RVP_CHECKBOXLOOK:
        if (lValue < 0 || lValue > 2) return false;
        m_checkBoxLook = (int)lValue;
        break;
    case RVP_PICTUREHIGHLIGHT:
        m_pictureHighlight = (int)lValue;
        break;
    case RVP_FADECOLOUR:
        m_fadeColour = (RV_COLORREF)lValue;
        break;
    case RVP_COPYDELIMITER:
        m_shared->copyDelimiter = (char)lValue;
        break;
    case RVP_COPYINDENTATION:
        if (!text) return false;
        m_shared->copyIndent = text;
        break;
    default:
        return false;
    }
    m_host->RowsChanged();
    return true;
}

intptr_t ReportModel::GetProperty(uint32_t nProperty) const {
    switch (nProperty) {
    case RVP_GAP:
        return m_gap;
    case RVP_CHECKBOXSIZE:
        return (intptr_t)m_checkBoxSize;
    case RVP_EMPTYMESSAGE:
        return reinterpret_cast<intptr_t>(m_emptyMessage.c_str());
    case RVP_LINESTYLE:
        return m_lineStyle;
    case RVP_SORTTIP:
        return reinterpret_cast<intptr_t>(m_sortTip.c_str());
    case RVP_NOTIFYFILTER:
        return (intptr_t)m_notifyFilter;
    case RVP_USECACHE:
        return m_useCache;
    case RVP_DIVIDER:
        return (unsigned char)m_shared->divider;
    case RVP_USEPREVIEW:
        return m_usePreview;
    case RVP_USEHSCROLL:
        return m_useHScroll;
    case RVP_CHECKBOXLOOK:
        return m_checkBoxLook;
    case RVP_PICTUREHIGHLIGHT:
        return m_pictureHighlight;
    case RVP_FADECOLOUR:
        return (intptr_t)m_fadeColour;
    case RVP_COPYDELIMITER:
        return (unsigned char)m_shared->copyDelimiter;
    case RVP_COPYINDENTATION:
        return reinterpret_cast<intptr_t>(m_shared->copyIndent.c_str());
    default:
        return 0;
    }
}

// ---------------------------------------------------------------- sub-items and columns

namespace {

SubItemDef MakeDef(const _RVSUBITEM& s) {
    SubItemDef d;
    d.format = s.nFormat;
    d.width = s.iWidth < 0 ? 200 : s.iWidth;
    d.minWidth = s.iMinWidth;
    d.maxWidth = s.iMaxWidth;
    d.image = (s.nFormat & RV_HDF_IMAGE) ? s.iImage : 0;
    d.text = s.lpszText ? s.lpszText : "";
    return d;
}

} // namespace

int ReportModel::DefineSubItem(int iSubItem, const _RVSUBITEM* pSubItem) {
    if (!pSubItem || iSubItem < 0) return -1;
    iSubItem = std::min(iSubItem, (int)m_defs.size()); // past the end: appended
    m_defs.insert(m_defs.begin() + iSubItem, MakeDef(*pSubItem));
    for (int& c : m_columns)
        if (c >= iSubItem) ++c;
    if (m_sortSubItem >= iSubItem) ++m_sortSubItem;
    for (TreeNode* n : m_nodes)
        if (n->treeSubItem >= iSubItem) ++n->treeSubItem;
    m_editRow.cells.InsertBlank(iSubItem);
    if (Virtual()) {
        FlushCache(-2);
        FlushCache(-1);
    } else {
        for (Item& it : m_items)
            it.cells.InsertBlank(iSubItem);
    }
    m_host->ColumnsChanged();
    return iSubItem;
}

bool ReportModel::RedefineSubItem(int iSubItem, const _RVSUBITEM* pSubItem) {
    if (!pSubItem || iSubItem < 0 || iSubItem >= (int)m_defs.size()) return false;
    SubItemDef d = MakeDef(*pSubItem);
    int width = d.width;
    d.width = m_defs[(size_t)iSubItem].width; // the new width is applied below, as a change
    m_defs[(size_t)iSubItem] = d;
    m_host->ColumnsChanged();
    return SetSubItemWidth(iSubItem, width);
}

bool ReportModel::UndefineSubItem(int iSubItem) {
    if (iSubItem < 0 || iSubItem >= (int)m_defs.size()) return false;
    DeactivateSubItem(iSubItem);
    m_defs.erase(m_defs.begin() + iSubItem);
    for (int& c : m_columns)
        if (c > iSubItem) --c;
    if (m_sortSubItem > iSubItem) --m_sortSubItem;
    m_editRow.cells.Remove(iSubItem);
    if (Virtual()) {
        FlushCache(-2);
        FlushCache(-1);
    } else {
        for (Item& it : m_items)
            it.cells.Remove(iSubItem);
    }
    for (TreeNode* n : m_nodes) {
        if (n->treeSubItem == iSubItem)
            n->treeSubItem = -1;
        else if (n->treeSubItem > iSubItem)
            --n->treeSubItem;
    }
    m_host->ColumnsChanged();
    return true;
}

void ReportModel::UndefineAllSubItems() {
    while (!m_defs.empty())
        UndefineSubItem(0);
}

const SubItemDef* ReportModel::GetSubItemDef(int iSubItem) const {
    if (iSubItem < 0 || iSubItem >= (int)m_defs.size()) return nullptr;
    return &m_defs[(size_t)iSubItem];
}

int ReportModel::GetSubItemWidth(int iSubItem) const {
    const SubItemDef* d = GetSubItemDef(iSubItem);
    return d ? d->width : 0;
}

bool ReportModel::SetSubItemWidth(int iSubItem, int iWidth) {
    if (iSubItem < 0 || iSubItem >= (int)m_defs.size()) return false;
    int& width = m_defs[(size_t)iSubItem].width;
    bool changed = width != iWidth;
    width = iWidth;
    m_host->ColumnsChanged();
    if (changed && IsActiveSubItem(iSubItem)) NotifyItem(RVN_RELAYOUT, -2, iSubItem);
    return true;
}

int ReportModel::ActivateSubItem(int iSubItem, int iColumn) {
    if (iSubItem < 0 || iSubItem >= (int)m_defs.size() || IsActiveSubItem(iSubItem)) return -1;
    iColumn = std::max(0, std::min(iColumn, (int)m_columns.size()));
    SubItemDef& d = m_defs[(size_t)iSubItem];
    if (!(d.format & RVCF_NOLIMITS)) {
        if (d.width < d.minWidth) d.width = d.minWidth;
        if (d.maxWidth >= 1 && d.width > d.maxWidth) d.width = d.maxWidth;
    }
    m_columns.insert(m_columns.begin() + iColumn, iSubItem);
    m_host->ColumnsChanged();
    NotifyItem(RVN_RELAYOUT, -2, iSubItem); // the columns right of it moved
    return iColumn;
}

bool ReportModel::DeactivateSubItem(int iSubItem) {
    int col = GetColumnFromSubItem(iSubItem);
    if (col < 0) return false;
    m_columns.erase(m_columns.begin() + col);
    if (m_sortSubItem == iSubItem) m_sortSubItem = -1;
    if (m_focusColumn >= (int)m_columns.size()) m_focusColumn = -1;
    m_host->ColumnsChanged();
    return true;
}

bool ReportModel::DeactivateAllSubItems() {
    while (!m_columns.empty())
        if (!DeactivateSubItem(m_columns.front())) return false;
    return true;
}

int ReportModel::GetSubItemFromColumn(int iColumn) const {
    if (iColumn < 0 || iColumn >= (int)m_columns.size()) return -1;
    return m_columns[(size_t)iColumn];
}

int ReportModel::GetColumnFromSubItem(int iSubItem) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == iSubItem) return (int)i;
    return -1;
}

bool ReportModel::SetColumnOrder(const std::vector<int>& subItems) {
    if (subItems.size() != m_columns.size()) return false;
    std::vector<int> a = subItems, b = m_columns;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b) return false;
    m_columns = subItems;
    m_host->ColumnsChanged();
    return true;
}

// ---------------------------------------------------------------- items

int ReportModel::GetItemCount() const {
    return ItemCount();
}

Item* ReportModel::ItemPtr(int iItem) {
    if (iItem == -1) return &m_editRow;
    if (iItem < 0 || iItem >= (int)m_items.size()) return nullptr;
    return &m_items[(size_t)iItem];
}

// Writes the fields named by the record into an item (the control's own state bits are kept).
void ApplyItemFields(Item& it, int iSubItem, const _RVITEM& r, bool keepIndent, const TextRules& rules) {
    uint32_t m = r.nMask;
    if (m & RVIM_BACKCOLOUR) it.bkColour = r.iBkColor;
    if (m & RVIM_PREVIEWLINES) it.preview = r.nPreview;
    if ((m & RVIM_INDENTLEVEL) && !keepIndent) it.indent = r.iIndent;
    if (m & RVIM_STATEBITS) it.state = (it.state & RVIS_OWNED) | (r.nState & ~RVIS_OWNED);
    if (m & RVIM_USERDATA) it.lParam = r.lParam;
    if (iSubItem < 0) return;
    const uint32_t cellBits =
        RVIM_LABEL | RVIM_FORECOLOUR | RVIM_PICTURE | RVIM_CHECKMARK | RVIM_OVERLAYIMAGE;
    if (!(m & cellBits)) return;
    CellValue c = it.cells.Get(iSubItem);
    std::string keep(c.text); // the view points into the block that Set replaces
    c.text = keep;
    if (m & RVIM_LABEL) {
        c.hasText = r.lpszText != nullptr;
        c.text = CutToBytes(r.lpszText, kMaxCellText, rules);
    }
    if (m & RVIM_FORECOLOUR) c.colour = r.iTextColor;
    if (m & RVIM_PICTURE) c.image = r.iImage;
    if (m & RVIM_CHECKMARK) c.check = r.iCheck;
    if (m & RVIM_OVERLAYIMAGE) c.overlay = r.iOverlay;
    // Negative numbers are "absent": the packed cell keeps only values >= 0.
    it.cells.Set(iSubItem, c);
}

int ReportModel::InsertItem(const _RVITEM* pItem) {
    if (!pItem || TreeMode() || Virtual()) return -2;
    int count = (int)m_items.size();
    int iItem = pItem->iItem;
    if (iItem < 0 || iItem > count || pItem->iSubItem >= (int)m_defs.size()) return -2;
    EnsureRows();
    Item it;
    it.cells = CellBlock((int)m_defs.size());
    ApplyItemFields(it, pItem->iSubItem, *pItem, false, *m_text);
    m_items.insert(m_items.begin() + iItem, std::move(it));
    m_rows.ItemInserted(iItem, count + 1);
    if (iItem < count) {
        std::set<int> sel;
        for (int s : m_sel)
            sel.insert(Shifted(s, iItem, true));
        m_sel.swap(sel);
    }
    // The focus and the anchor stay on their items.
    m_focusItem = Shifted(m_focusItem, iItem, true);
    m_anchorItem = Shifted(m_anchorItem, iItem, true);
    m_host->ItemInserted(iItem);
    m_host->RowsChanged();
    return iItem;
}

_RVITEM ReportModel::LabelRecord(const char* lpszText, int iImage, int iCheck, int iTextColor) {
    _RVITEM r{};
    r.nMask = RVIM_LABEL;
    r.iSubItem = 0;
    r.lpszText = const_cast<char*>(lpszText);
    if (iImage >= 0) r.nMask |= RVIM_PICTURE;
    if (iCheck >= 0) r.nMask |= RVIM_CHECKMARK;
    if (iTextColor >= 0) r.nMask |= RVIM_FORECOLOUR;
    r.iImage = iImage;
    r.iCheck = iCheck;
    r.iTextColor = iTextColor;
    return r;
}

int ReportModel::InsertItem(int iItem, const char* lpszText, int iImage, int iCheck, int iTextColor) {
    _RVITEM r = LabelRecord(lpszText, iImage, iCheck, iTextColor);
    r.iItem = iItem;
    return InsertItem(&r);
}

int ReportModel::AddItem(const char* lpszText, int iImage, int iCheck, int iTextColor) {
    return InsertItem(ItemCount(), lpszText, iImage, iCheck, iTextColor);
}

int ReportModel::AddItem(const _RVITEM* pItem) {
    if (pItem) {
        _RVITEM r = *pItem;
        r.iItem = ItemCount();
        return InsertItem(&r);
    }
    // A copy of the edit row: its first text makes the item, the other cells are copied over.
    if (TreeMode() || Virtual()) return -2;
    std::string first = GetItemText(-1, 0);
    int iItem = InsertItem(ItemCount(), first.c_str());
    if (iItem < 0) return iItem;
    for (int s = 1; s < (int)m_defs.size(); ++s) {
        CellValue c = m_editRow.cells.Get(s);
        std::string text(c.text);
        c.text = text;
        m_items[(size_t)iItem].cells.Set(s, c);
    }
    return iItem;
}

int ReportModel::DeleteItem(int iItem) {
    if (TreeMode() || Virtual()) return -2;
    if (iItem < 0 || iItem >= (int)m_items.size()) return 0;
    EnsureRows();
    NotifyRemoved(iItem, m_items[(size_t)iItem]);
    // The focus goes by rows here: up one row when the deleted row was at or above it, and never past
    // the last row; it then names the item on that row.
    int focusRow = m_rows.RowOf(m_focusItem);
    int row = m_rows.RowOf(iItem);
    if (m_focusItem >= 0) {
        m_items[(size_t)m_focusItem].state &= ~RVIS_HASFOCUS;
        if (row <= focusRow) --focusRow;
    }
    m_items.erase(m_items.begin() + iItem);
    m_rows.ItemRemoved(iItem, (int)m_items.size());
    std::set<int> sel;
    for (int s : m_sel)
        if (s != iItem) sel.insert(Shifted(s, iItem, false));
    m_sel.swap(sel);
    m_anchorItem = m_anchorItem == iItem ? -2 : Shifted(m_anchorItem, iItem, false);
    if (focusRow >= m_rows.Count()) focusRow = m_rows.Count() - 1;
    if (m_focusItem == -1) m_editRow.state &= ~RVIS_HASFOCUS;
    m_focusItem = -2; // the old focus holder may be gone: the new one is set afresh
    if (focusRow >= -1) SetFocusItem(m_rows.ItemAt(focusRow));
    m_host->RowsChanged();
    m_host->RowRemoved(row); // the view stays where the user has it
    return 1;
}

int ReportModel::Shifted(int index, int at, bool inserted) {
    if (index < 0 || index < at) return index;
    if (inserted) return index + 1;
    return index == at ? -2 : index - 1;
}

bool ReportModel::DeleteAllItems() {
    if (Virtual()) return false;
    m_host->ItemRemoving(-2);
    EnsureRows();
    if (TreeMode()) {
        std::vector<int> order;
        CollectPostOrder(&m_root, order, false);
        DeleteItems(order);
        m_root.firstChild = m_root.lastChild = nullptr;
    } else {
        for (size_t i = 0; i < m_items.size(); ++i)
            NotifyRemoved((int)i, m_items[i]);
        m_items.clear();
    }
    m_items.clear();
    m_rows.Clear();
    m_sel.clear();
    m_editRow.state &= ~(RVIS_CHOSEN | RVIS_HASFOCUS);
    m_rowsStale = false;
    m_focusItem = -2;
    m_anchorItem = -2;
    m_host->RowsChanged();
    m_host->ShowRow(-2);
    return true;
}

bool ReportModel::SetItemCount(int nCount) {
    if (!Virtual() || nCount < 0) return false;
    m_host->ItemCountSet(nCount);
    m_rows.SetVirtualCount(nCount);
    // Rows and items coincide: a focus beyond the last row goes to the last one.
    if (m_focusItem >= nCount) m_focusItem = nCount > 0 ? nCount - 1 : -2;
    if (m_anchorItem >= nCount) m_anchorItem = nCount > 0 ? nCount - 1 : -2;
    m_sel.erase(m_sel.lower_bound(nCount), m_sel.end());
    std::vector<int> gone;
    for (const CacheSlot& s : m_cache)
        if (s.item >= nCount) gone.push_back(s.item);
    for (int item : gone)
        m_host->CacheDelete(*this, item);
    m_host->RowsChanged();
    m_host->RepaintRows(-2, -2);
    return true;
}

// ---------------------------------------------------------------- reading and writing

void ReportModel::FlushCache(int iItem) {
    if (!Virtual() && !m_useCache) return;
    m_host->CacheDelete(*this, iItem);
}

Item* ReportModel::DefaultCacheLookup(int iItem) {
    if (iItem == -1) return m_editSlot.item == -1 ? &m_editSlot.data : nullptr;
    if (iItem < 0) return nullptr;
    CacheSlot& s = m_cache[(size_t)(iItem % kCacheSlots)];
    return s.item == iItem ? &s.data : nullptr;
}

Item* ReportModel::DefaultCacheAdd(int iItem) {
    if (iItem < -1) return nullptr;
    CacheSlot& s = iItem == -1 ? m_editSlot : m_cache[(size_t)(iItem % kCacheSlots)];
    s.item = iItem;
    s.data = Item();
    s.data.cells = CellBlock((int)m_defs.size());
    return &s.data;
}

void ReportModel::DefaultCacheDelete(int iItem) {
    if (iItem == -2) {
        for (CacheSlot& s : m_cache)
            s.item = -2;
    } else if (iItem == -1) {
        m_editSlot.item = -2;
    } else if (iItem >= 0) {
        CacheSlot& s = m_cache[(size_t)(iItem % kCacheSlots)];
        if (s.item == iItem) s.item = -2;
    }
}

Item* ReportModel::DefaultGetItemStruct(int iItem, int iSubItem, uint32_t nMask) {
    if (!Virtual()) return ItemPtr(iItem);
    if (iItem < -1 || iItem >= m_rows.Count()) return nullptr;
    if (m_useCache) {
        if (Item* hit = m_host->CacheLookup(*this, iItem)) {
            if (iSubItem < 0 || !hit->cells.Get(iSubItem).Empty()) return hit;
            m_host->LoadItemData(*this, hit, iItem, iSubItem, nMask);
            return hit;
        }
    }
    Item* slot = m_host->CacheAdd(*this, iItem);
    if (!slot) { // not cached: loaded for this read only
        m_scratch = Item();
        m_scratch.cells = CellBlock((int)m_defs.size());
        slot = &m_scratch;
    }
    m_host->LoadItemData(*this, slot, iItem, iSubItem, nMask);
    return slot;
}

bool ReportModel::DefaultSetItemStruct(int iItem, const Item& item) {
    if (Virtual()) return false;
    Item* it = ItemPtr(iItem);
    if (!it) return false;
    constexpr uint32_t kOwn = RVIS_HASFOCUS | RVIS_CHOSEN | RVIS_COLLAPSED | RVIS_EXPANDED;
    if (&item == it) return true;
    TreeNode* node = it->node;
    uint32_t own = it->state & kOwn;
    int indent = it->indent;
    *it = item;
    it->node = node;
    it->state = (it->state & ~kOwn) | own;
    if (TreeMode() && iItem >= 0) it->indent = indent;
    return true;
}

void ReportModel::DefaultLoadItemData(Item* pItem, int iItem, int iSubItem, uint32_t nMask) {
    if (!pItem) return;
    char buffer[kTextBuffer] = {0};
    _NMRVITEMCALLBACK rq{};
    _RVITEM& r = rq.item;
    r.nMask = nMask | (iSubItem >= 0 ? RVIM_LABEL : 0u);
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    r.lpszText = buffer;
    r.iTextMax = kTextBuffer;
    r.iTextColor = r.iImage = r.iCheck = r.iBkColor = r.iOverlay = -1;
    if (!NotifyPasses(RVN_NEEDDATA)) return; // nobody to ask: nothing loaded
    // The mask names what is asked; the parent answers with the bits of the fields it filled.
    Notify(&rq.hdr, RVN_NEEDDATA);
    r.iItem = iItem; // the answer fills fields, it does not move the request
    r.iSubItem = iSubItem;
    StoreItemData(pItem, r);
}

void ReportModel::StoreItemData(Item* pItem, const _RVITEM& r) {
    if (!pItem) return;
    uint32_t got = r.nMask;
    if (r.iSubItem >= 0 && r.iSubItem < (int)m_defs.size()) {
        CellValue c;
        std::string text;
        if (got & RVIM_LABEL) {
            c.hasText = true;
            text = std::string(CutToBytes(r.lpszText, kMaxCellText, *m_text));
            c.text = text;
        }
        if (got & RVIM_PICTURE) c.image = r.iImage;
        if (got & RVIM_OVERLAYIMAGE) c.overlay = r.iOverlay;
        if (got & RVIM_CHECKMARK) c.check = r.iCheck;
        if (got & RVIM_FORECOLOUR) c.colour = r.iTextColor;
        pItem->cells.Set(r.iSubItem, c);
    }
    pItem->bkColour = (got & RVIM_BACKCOLOUR) ? r.iBkColor : -1;
    pItem->preview = (got & RVIM_PREVIEWLINES) ? r.nPreview : 0;
    pItem->state = (got & RVIM_STATEBITS) ? (r.nState & ~(RVIS_CHOSEN | RVIS_HASFOCUS)) : 0;
    pItem->indent = (got & RVIM_INDENTLEVEL) ? r.iIndent : -1;
    if (got & RVIM_USERDATA) pItem->lParam = r.lParam;
}

bool ReportModel::GetItem(_RVITEM* pItem) {
    if (!pItem) return false;
    int iItem = pItem->iItem, iSubItem = pItem->iSubItem;
    if (iItem <= -2 || iItem >= ItemCount() || iSubItem >= (int)m_defs.size()) return false;
    bool wantText = (pItem->nMask & RVIM_LABEL) && pItem->lpszText && pItem->iTextMax > 0;
    Item* it = GetItemStruct(iItem, iSubItem, pItem->nMask);
    if (!it) return false;
    uint32_t mask = RVIM_STATEBITS | RVIM_USERDATA;
    pItem->iBkColor = it->bkColour;
    pItem->nPreview = it->preview;
    pItem->iIndent = it->indent;
    pItem->nState = it->state;
    if (Virtual()) {
        if (m_sel.count(iItem)) pItem->nState |= RVIS_CHOSEN;
        if (m_focusItem == iItem) pItem->nState |= RVIS_HASFOCUS;
    }
    pItem->lParam = it->lParam;
    if (it->bkColour >= 0) mask |= RVIM_BACKCOLOUR;
    if (it->preview != 0) mask |= RVIM_PREVIEWLINES;
    if (it->indent >= 0) mask |= RVIM_INDENTLEVEL;
    CellValue c = iSubItem >= 0 ? it->cells.Get(iSubItem) : CellValue();
    pItem->iImage = c.image;
    pItem->iOverlay = c.overlay;
    pItem->iCheck = c.check;
    pItem->iTextColor = c.colour;
    if (c.image >= 0) mask |= RVIM_PICTURE;
    if (c.overlay >= 0) mask |= RVIM_OVERLAYIMAGE;
    if (c.check >= 0) mask |= RVIM_CHECKMARK;
    if (c.colour >= 0) mask |= RVIM_FORECOLOUR;
    if (wantText) {
        size_t n = CutFor(c.text, (size_t)pItem->iTextMax - 1);
        if (c.hasText && n) std::memcpy(pItem->lpszText, c.text.data(), n);
        pItem->lpszText[c.hasText ? n : 0] = 0;
        if (c.hasText) mask |= RVIM_LABEL;
    }
    pItem->nMask = mask;
    return true;
}

bool ReportModel::SetItem(const _RVITEM* pItem) {
    if (!pItem || Virtual()) return false;
    int iItem = pItem->iItem;
    if (iItem <= -2 || iItem >= (int)m_items.size() || pItem->iSubItem >= (int)m_defs.size()) return false;
    Item changed = *ItemPtr(iItem);
    ApplyItemFields(changed, pItem->iSubItem, *pItem, TreeMode() && iItem >= 0, *m_text);
    if (!m_host->SetItemStruct(*this, iItem, changed)) return false;
    m_host->RowsChanged();
    if (!m_rowsStale) { // stale rows are repainted whole when they are rebuilt
        int row = GetRowFromItem(iItem);
        if (row != -2) m_host->RepaintRows(row, row);
    }
    return true;
}

int ReportModel::GetItemText(int iItem, int iSubItem, char* lpszText, int nLen) {
    if (lpszText && nLen > 0) lpszText[0] = 0;
    if (!Virtual()) {
        // Stored items: the cell is read directly (the same answer as GetItem with RVIM_LABEL).
        if (iItem < -1 || iItem >= (int)m_items.size() || iSubItem >= (int)m_defs.size() || iSubItem < 0 ||
            !lpszText || nLen <= 0)
            return 0;
        Item* it = GetItemStruct(iItem, iSubItem, RVIM_LABEL);
        if (!it) return 0;
        std::string_view text;
        if (!it->cells.Text(iSubItem, text)) return 0;
        size_t n = CutFor(text, (size_t)nLen - 1);
        if (n) std::memcpy(lpszText, text.data(), n);
        lpszText[n] = 0;
        return (int)n;
    }
    _RVITEM r{};
    r.nMask = RVIM_LABEL;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    r.lpszText = lpszText;
    r.iTextMax = nLen;
    if (!GetItem(&r) || !(r.nMask & RVIM_LABEL)) return 0;
    return (int)std::strlen(lpszText);
}

std::string ReportModel::GetItemText(int iItem, int iSubItem) {
    char buffer[kTextBuffer];
    GetItemText(iItem, iSubItem, buffer, sizeof buffer);
    return buffer;
}

bool ReportModel::SetItemText(int iItem, int iSubItem, const char* lpszText) {
    _RVITEM r{};
    r.nMask = RVIM_LABEL;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    r.lpszText = const_cast<char*>(lpszText);
    return SetItem(&r);
}

int ReportModel::GetItemImage(int iItem, int iSubItem) {
    _RVITEM r{};
    r.nMask = RVIM_PICTURE;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    return GetItem(&r) ? r.iImage : -1;
}

bool ReportModel::SetItemImage(int iItem, int iSubItem, int iImage) {
    _RVITEM r{};
    r.nMask = RVIM_PICTURE;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    r.iImage = iImage;
    return SetItem(&r);
}

int ReportModel::GetItemCheck(int iItem, int iSubItem) {
    _RVITEM r{};
    r.nMask = RVIM_CHECKMARK;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    return GetItem(&r) ? r.iCheck : -1;
}

bool ReportModel::SetItemCheck(int iItem, int iSubItem, int iCheck) {
    _RVITEM r{};
    r.nMask = RVIM_CHECKMARK;
    r.iItem = iItem;
    r.iSubItem = iSubItem;
    r.iCheck = iCheck;
    return SetItem(&r);
}

RV_LPARAM ReportModel::GetItemData(int iItem) {
    _RVITEM r{};
    r.nMask = RVIM_USERDATA;
    r.iItem = iItem;
    r.iSubItem = -1;
    return GetItem(&r) ? r.lParam : 0;
}

bool ReportModel::SetItemData(int iItem, RV_LPARAM dwData) {
    _RVITEM r{};
    r.nMask = RVIM_USERDATA;
    r.iItem = iItem;
    r.iSubItem = -1;
    r.lParam = dwData;
    return SetItem(&r);
}

bool ReportModel::ReadCell(int iItem, int iSubItem, CellValue& cell, Item** owner) {
    cell = CellValue();
    if (iItem < -1 || iItem >= ItemCount() || iSubItem >= (int)m_defs.size()) return false;
    Item* it = GetItemStruct(iItem, iSubItem, RVIM_LABEL);
    if (!it) return false;
    if (owner) *owner = it;
    if (iSubItem >= 0) cell = it->cells.Get(iSubItem);
    return true;
}

std::string ReportModel::DefaultExpandedItemText(int iItem, int iSubItem) {
    CellValue c;
    if (!ReadCell(iItem, iSubItem, c, nullptr)) return std::string();
    if (c.hasText) return std::string(c.text);
    if (c.image >= 0) return std::to_string(c.image);
    if (c.check >= 0) return std::to_string(c.check);
    return std::string();
}

std::string ReportModel::GetItemString(int iItem, char cSeparator) {
    std::string line;
    if (iItem < -1 || iItem >= ItemCount()) return line;
    for (size_t col = 0; col < m_columns.size(); ++col) {
        if (col) line += cSeparator;
        int sub = m_columns[col];
        if (col == 0 && TreeLook()) {
            CellValue c;
            Item* it = nullptr;
            if (ReadCell(iItem, sub, c, &it) && it) {
                for (int i = 1; i < it->indent; ++i)
                    line += m_shared->copyIndent;
                line += (it->state & RVIS_EXPANDED) ? '-' : (it->state & RVIS_COLLAPSED) ? '+' : ' ';
            }
        }
        // The separator inside a cell becomes a blank; a byte of a longer character is not one.
        std::string text = m_host->ExpandedItemText(*this, iItem, sub);
        if (text.find(cSeparator) == std::string::npos) {
            line += text;
            continue;
        }
        for (size_t at = 0; at < text.size();) {
            size_t n = std::max<size_t>(1, m_text->CharLength(&text[at], text.size() - at));
            if (n == 1 && text[at] == cSeparator)
                line += ' ';
            else
                line.append(text, at, n);
            at += n;
        }
    }
    line += '\n';
    return line;
}

// ---------------------------------------------------------------- colours

int ReportModel::InsertColor(int iColor, RV_COLORREF crColor) {
    if (iColor < 0 || iColor >= kMaxColours) return -1;
    try {
        if (iColor < (int)m_colours.size()) {
            m_colours.insert(m_colours.begin() + iColor, crColor);
        } else {
            m_colours.resize((size_t)iColor + 1, 0);
            m_colours[(size_t)iColor] = crColor;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    m_host->ColoursChanged();
    return iColor;
}

bool ReportModel::SetColor(int iColor, RV_COLORREF crColor) {
    if (iColor < 0 || iColor >= (int)m_colours.size()) return false;
    m_colours[(size_t)iColor] = crColor;
    m_host->ColoursChanged();
    m_host->RepaintRows(-2, -2);
    return true;
}

RV_COLORREF ReportModel::GetColor(int iColor) const {
    if (iColor < 0 || iColor >= (int)m_colours.size()) return 0;
    return m_colours[(size_t)iColor];
}

bool ReportModel::DeleteColor(int iColor) {
    if (iColor < 0 || iColor >= (int)m_colours.size()) return false;
    m_colours.erase(m_colours.begin() + iColor);
    m_host->ColoursChanged();
    return true;
}

void ReportModel::DeleteAllColors() {
    m_colours.clear();
    m_host->ColoursChanged();
}

// ---------------------------------------------------------------- rows

const RowMap& ReportModel::Rows() {
    EnsureRows();
    return m_rows;
}

int ReportModel::RowPreview(int row, bool load) {
    if (!m_usePreview) return 0;
    int iItem = GetItemFromRow(row);
    if (iItem < 0) return 0;
    Item* it = nullptr;
    if (Virtual() && !load)
        it = m_useCache ? m_host->CacheLookup(*this, iItem) : nullptr; // known without asking the parent
    else
        it = GetItemStruct(iItem, -1, 0);
    return it && it->preview > 0 ? it->preview : 0;
}

bool ReportModel::SetItemRowArray(const std::vector<int>& rows) {
    if (Virtual() || TreeMode()) return false;
    EnsureRows();
    if ((int)rows.size() != m_rows.Count()) return false;
    std::vector<char> seen(m_items.size(), 0);
    for (int r : rows) {
        if (r < 0 || r >= (int)m_items.size() || seen[(size_t)r]) return false;
        seen[(size_t)r] = 1;
    }
    m_rows.Assign(rows, (int)m_items.size()); // the focus stays on its item
    m_host->RowsChanged();
    m_host->RepaintRows(-2, -2);
    return true;
}

bool ReportModel::MoveUp(int iRow) {
    if (Virtual() || TreeMode()) return false;
    EnsureRows();
    if (iRow < 1 || iRow >= m_rows.Count()) return false;
    m_rows.SwapRows(iRow - 1, iRow); // the focus moves with its item
    m_host->RepaintRows(iRow - 1, iRow);
    return true;
}

bool ReportModel::MoveDown(int iRow) {
    if (Virtual() || TreeMode()) return false;
    EnsureRows();
    if (iRow < 0 || iRow >= m_rows.Count() - 1) return false;
    m_rows.SwapRows(iRow, iRow + 1);
    m_host->RepaintRows(iRow, iRow + 1);
    return true;
}

// ---------------------------------------------------------------- column profile value

std::string ReportModel::GetProfileValue() const {
    std::string v = "(" + std::to_string(m_defs.size()) + "," + std::to_string(m_columns.size()) + ")";
    for (const SubItemDef& d : m_defs)
        v += " " + std::to_string(d.width);
    for (int c : m_columns)
        v += " " + std::to_string(c);
    return v;
}

bool ReportModel::ApplyProfileValue(const char* text) {
    std::vector<int> widths, columns;
    if (!ParseProfileValue(text, (int)m_defs.size(), widths, columns)) return false;
    for (size_t i = 0; i < widths.size(); ++i)
        m_defs[i].width = widths[i];
    for (size_t i = 0; i < columns.size(); ++i)
        if (!IsActiveSubItem(columns[i])) ActivateSubItem(columns[i], (int)i);
    m_host->ColumnsChanged();
    return true;
}

size_t ReportModel::ItemBytes() const {
    size_t n = m_items.capacity() * sizeof(Item);
    for (const Item& it : m_items)
        n += it.cells.Bytes();
    return n;
}

} // namespace zrpc::report
