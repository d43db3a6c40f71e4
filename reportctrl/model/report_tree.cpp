// Tree mode: nodes, insertion and deletion of subtrees, expanding and collapsing, the visible rows in
// pre-order (rebuilt on the first use after a change), walking and sorting the tree.
#include "reportctrl/model/report_model.h"

#include <algorithm>

namespace zrpc::report {

TreeNode* ReportModel::Resolve(_TREEITEM* h, bool rootOk) const {
    if (h == TVI_ROOT) return rootOk ? const_cast<TreeNode*>(&m_root) : nullptr;
    TreeNode* n = reinterpret_cast<TreeNode*>(h);
    if (!n || !m_nodes.count(n)) return nullptr;
    return n;
}

_TREEITEM* ReportModel::Handle(TreeNode* n) const {
    if (!n) return nullptr;
    if (n == &m_root) return TVI_ROOT;
    return reinterpret_cast<_TREEITEM*>(n);
}

// ---------------------------------------------------------------- rows of the tree

// The rows are rebuilt on their next use.
void ReportModel::MarkTreeRowsStale() {
    m_rowsStale = true;
}

// The visible rows anew; the focus stays on its item, goes to the edit-row position when no item had
// it, and is lost by an item that is now hidden.
void ReportModel::EnsureRows() {
    if (!m_rowsStale) return;
    m_rowsStale = false;
    BuildTree();
    int focus = m_focusItem < 0 ? -1 : (m_rows.RowOf(m_focusItem) == -2 ? -2 : m_focusItem);
    if (Item* it = ItemPtr(m_focusItem)) it->state &= ~RVIS_HASFOCUS;
    m_focusItem = -3; // the mark is set afresh
    SetFocusItem(focus);
    int row = m_rows.RowOf(focus);
    m_host->RowsChanged();
    m_host->ShowRow(row);
}

// Pre-order walk of the whole tree: rows for the visible nodes, indent and expand marks for all.
void ReportModel::BuildTree() {
    std::vector<int> rows;
    rows.reserve(m_items.size());
    TreeNode* n = m_root.firstChild;
    int collapsedAbove = 0;
    while (n) {
        Item& it = m_items[(size_t)n->item];
        it.indent = n->level;
        UpdateMarks(n);
        if (collapsedAbove == 0) rows.push_back(n->item);
        if (n->firstChild) {
            if (!n->expanded) ++collapsedAbove;
            n = n->firstChild;
            continue;
        }
        while (n && !n->next) {
            n = n->parent;
            if (n == &m_root) {
                n = nullptr;
                break;
            }
            if (!n->expanded) --collapsedAbove;
        }
        if (n) n = n->next;
    }
    m_rows.Assign(rows, (int)m_items.size());
}

// The expand marks of a node's item follow its children and its expanded flag.
void ReportModel::UpdateMarks(TreeNode* n) {
    if (n == &m_root) return;
    Item& it = m_items[(size_t)n->item];
    it.state &= ~(RVIS_EXPANDED | RVIS_COLLAPSED);
    if (n->firstChild) it.state |= n->expanded ? RVIS_EXPANDED : RVIS_COLLAPSED;
}

bool ReportModel::NodeVisible(const TreeNode* n) const {
    for (const TreeNode* p = n->parent; p && p != &m_root; p = p->parent)
        if (!p->expanded) return false;
    return true;
}

// The highest collapsed ancestor of n (the first collapsed node on the way down from the top), or n.
TreeNode* ReportModel::VisibleAncestor(TreeNode* n) const {
    TreeNode* found = n;
    for (TreeNode* p = n->parent; p && p != &m_root; p = p->parent)
        if (!p->expanded) found = p;
    return found;
}

// ---------------------------------------------------------------- insertion

int ReportModel::CompareNodes(TreeNode* a, TreeNode* b, int iSubItem) {
    int sa = a->treeSubItem >= 0 ? a->treeSubItem : iSubItem;
    int sb = b->treeSubItem >= 0 ? b->treeSubItem : iSubItem;
    if (m_host->CustomCompare()) return m_host->CompareItems(*this, a->item, sa, b->item, sb);
    return DefaultCompareItems(a->item, sa, b->item, sb);
}

void ReportModel::LinkNode(TreeNode* node, TreeNode* parent, _TREEITEM* hInsertAfter, bool ascending,
                           int iSubItem) {
    LinkChild(node, parent, hInsertAfter, ascending, iSubItem);
    UpdateMarks(parent);
}

void ReportModel::LinkChild(TreeNode* node, TreeNode* parent, _TREEITEM* hInsertAfter, bool ascending,
                            int iSubItem) {
    node->parent = parent;
    node->next = nullptr;
    if (!parent->firstChild) {
        parent->firstChild = parent->lastChild = node;
        return;
    }
    if (hInsertAfter == TVI_FIRST) {
        node->next = parent->firstChild;
        parent->firstChild = node;
        return;
    }
    if (hInsertAfter == TVI_SORT) {
        TreeNode* prev = nullptr;
        for (TreeNode* c = parent->firstChild; c; prev = c, c = c->next) {
            int r = CompareNodes(node, c, iSubItem);
            if (ascending ? r <= 0 : r >= 0) {
                node->next = c;
                (prev ? prev->next : parent->firstChild) = node;
                return;
            }
        }
    }
    TreeNode* after = parent->lastChild;
    if (hInsertAfter != TVI_LAST && hInsertAfter != TVI_SORT)
        after = reinterpret_cast<TreeNode*>(hInsertAfter);
    node->next = after->next;
    after->next = node;
    if (parent->lastChild == after) parent->lastChild = node;
}

void ReportModel::UnlinkNode(TreeNode* node) {
    TreeNode* parent = node->parent;
    TreeNode* prev = nullptr;
    for (TreeNode* c = parent->firstChild; c && c != node; c = c->next)
        prev = c;
    (prev ? prev->next : parent->firstChild) = node->next;
    if (parent->lastChild == node) parent->lastChild = prev;
    node->next = nullptr;
    UpdateMarks(parent);
}

_TREEITEM* ReportModel::InsertItem(const _RVITEM* pItem, _TREEITEM* hParent, _TREEITEM* hInsertAfter,
                                   int iTreeSubItem) {
    if (!TreeMode() || Virtual() || !pItem || m_defs.empty()) return nullptr;
    TreeNode* parent = Resolve(hParent, true);
    if (!parent) return nullptr;
    if (hInsertAfter != TVI_FIRST && hInsertAfter != TVI_LAST && hInsertAfter != TVI_SORT) {
        TreeNode* after = Resolve(hInsertAfter, false);
        // A sibling to follow must be a child of the parent (unless the parent has none yet).
        if (!after || (parent->firstChild && after->parent != parent)) return nullptr;
    }
    if (iTreeSubItem < -1 || iTreeSubItem >= (int)m_defs.size()) return nullptr;
    Item it;
    it.cells = CellBlock((int)m_defs.size());
    // The record's text and cell values go into sub-item 0; indent and tree marks are the tree's.
    ApplyItemFields(it, 0, *pItem, true, *m_text);
    it.state &= ~RVIS_OWNED;
    TreeNode* node = new TreeNode;
    node->treeSubItem = iTreeSubItem;
    node->level = parent->level + 1;
    try {
        m_nodes.insert(node);
        m_items.push_back(std::move(it));
    } catch (...) {
        m_nodes.erase(node);
        delete node;
        throw;
    }
    node->item = (int)m_items.size() - 1;
    m_items.back().node = node;
    m_items.back().indent = node->level;
    MarkTreeRowsStale();
    LinkNode(node, parent, hInsertAfter, true, 0);
    return Handle(node);
}

_TREEITEM* ReportModel::InsertItem(const char* lpszText, int iImage, int iCheck, int iTextColor,
                                   _TREEITEM* hParent, _TREEITEM* hInsertAfter, int iTreeSubItem) {
    _RVITEM r = LabelRecord(lpszText, iImage, iCheck, iTextColor);
    return InsertItem(&r, hParent, hInsertAfter, iTreeSubItem);
}

// ---------------------------------------------------------------- deletion

// Post-order: each child's subtree, then the child; the node itself last unless only its children go.
void ReportModel::CollectPostOrder(TreeNode* top, std::vector<int>& out, bool includeSelf) {
    struct Frame {
        TreeNode* node;
        TreeNode* child;
    };
    std::vector<Frame> stack{{top, top->firstChild}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.child) {
            TreeNode* c = f.child;
            f.child = c->next;
            stack.push_back({c, c->firstChild});
            continue;
        }
        TreeNode* done = f.node;
        stack.pop_back();
        if (done != top || includeSelf) out.push_back(done->item);
    }
}

// Deletes the given items (indices as they are now), notifying in the given order with the index each
// item has at that moment, as if they went one by one; then renumbers everything in one pass.
void ReportModel::DeleteItems(const std::vector<int>& order) {
    size_t n = m_items.size();
    std::vector<int> fenwick(n + 1, 0);
    std::vector<char> gone(n, 0);
    auto below = [&](int i) {
        int s = 0;
        for (int k = i; k > 0; k -= k & -k)
            s += fenwick[(size_t)k];
        return s;
    };
    for (int i : order) {
        NotifyRemoved(i - below(i), m_items[(size_t)i]);
        gone[(size_t)i] = 1;
        for (size_t k = (size_t)i + 1; k <= n; k += k & (~k + 1))
            ++fenwick[k];
    }
    std::vector<int> newIndex(n, -2);
    size_t w = 0;
    for (size_t i = 0; i < n; ++i) {
        if (gone[i]) {
            TreeNode* node = m_items[i].node;
            if (node) {
                m_nodes.erase(node);
                delete node;
            }
            continue;
        }
        newIndex[i] = (int)w;
        if (w != i) m_items[w] = std::move(m_items[i]);
        if (m_items[w].node) m_items[w].node->item = (int)w;
        ++w;
    }
    m_items.resize(w);
    std::set<int> sel;
    for (int s : m_sel) {
        if (s < 0)
            sel.insert(s);
        else if (newIndex[(size_t)s] >= 0)
            sel.insert(newIndex[(size_t)s]);
    }
    m_sel.swap(sel);
    auto renumber = [&](int& item) {
        if (item >= 0 && item < (int)n) item = newIndex[(size_t)item];
    };
    renumber(m_focusItem);
    renumber(m_anchorItem);
    m_rows.Renumbered((int)w);
    m_rowsStale = TreeMode();
}

bool ReportModel::DeleteItem(_TREEITEM* hItem) {
    if (!TreeMode()) return false;
    TreeNode* node = Resolve(hItem, false);
    if (!node) return false;
    MarkTreeRowsStale();
    int focusItem = m_focusItem;
    TreeNode* focusNode = focusItem >= 0 ? m_items[(size_t)focusItem].node : nullptr;
    bool inside = false;
    for (TreeNode* p = focusNode; p && p != &m_root; p = p->parent)
        if (p == node) inside = true;
    int target = focusItem;
    if (inside) {
        TreeNode* to = node->next ? node->next : (node->parent != &m_root ? node->parent : nullptr);
        target = to ? to->item : -2;
    }
    std::vector<int> order;
    CollectPostOrder(node, order, true);
    TreeNode* parent = node->parent;
    UnlinkNode(node);
    // The focus goes to the target (renumbered with the items); its mark follows with the rows.
    if (Item* it = ItemPtr(m_focusItem)) it->state &= ~RVIS_HASFOCUS;
    m_focusItem = target;
    DeleteItems(order);
    if (!parent->firstChild) parent->lastChild = nullptr;
    EnsureRows();
    return true;
}

// ---------------------------------------------------------------- expanding

void ReportModel::ExpandNode(TreeNode* n, uint32_t nCode) {
    bool wasExpanded = n->expanded != 0;
    n->expanded = nCode == 0 ? 0 : nCode == 1 ? 1 : !n->expanded;
    UpdateMarks(n);
    if (!wasExpanded || n->expanded) return;
    // Collapsed: the focus climbs to the first collapsed node above it, whose hidden descendants leave
    // the selection.
    FollowFocusAfterHide();
}

void ReportModel::FollowFocusAfterHide() {
    if (m_focusItem < 0) return;
    TreeNode* f = m_items[(size_t)m_focusItem].node;
    if (!f) return;
    TreeNode* va = VisibleAncestor(f);
    // Nothing is told or repainted while the tree changes: the mark follows with the rows.
    m_items[(size_t)m_focusItem].state &= ~RVIS_HASFOCUS;
    m_focusItem = va->item;
    std::vector<int> drop;
    for (int s : m_sel) {
        if (s < 0) continue;
        TreeNode* sn = m_items[(size_t)s].node;
        if (!sn || sn == va || NodeVisible(sn)) continue;
        for (TreeNode* p = sn->parent; p && p != &m_root; p = p->parent)
            if (p == va) {
                drop.push_back(s);
                break;
            }
    }
    for (int s : drop)
        SelectItemBit(s, false);
}

bool ReportModel::Expand(_TREEITEM* hItem, uint32_t nCode) {
    if (!TreeLook() || nCode > 2) return false;
    TreeNode* n = Resolve(hItem, false);
    if (!n) return false;
    MarkTreeRowsStale();
    ExpandNode(n, nCode);
    EnsureRows();
    return true;
}

bool ReportModel::ExpandAll(_TREEITEM* hItem, uint32_t nCode, int iLevels) {
    if (!TreeLook() || nCode > 2) return false;
    TreeNode* top = Resolve(hItem, true);
    if (!top) return false;
    MarkTreeRowsStale();
    if (top != &m_root) ExpandNode(top, nCode);
    std::vector<TreeNode*> level{top}, next;
    for (int depth = 1; !level.empty() && (iLevels < 0 || depth <= iLevels); ++depth) {
        next.clear();
        for (TreeNode* p : level)
            for (TreeNode* c = p->firstChild; c; c = c->next) {
                ExpandNode(c, nCode);
                if (c->firstChild) next.push_back(c);
            }
        level.swap(next);
    }
    EnsureRows();
    return true;
}

// ---------------------------------------------------------------- walking

_TREEITEM* ReportModel::GetNextItem(_TREEITEM* hItem, uint32_t nCode) {
    TreeNode* n = Resolve(hItem, true);
    if (!n) return nullptr;
    bool root = n == &m_root;
    switch (nCode) {
    case 0:
        if (root) return nullptr;
        while (n->parent != &m_root)
            n = n->parent;
        return Handle(n);
    case 1:
        return root ? nullptr : Handle(n->next);
    case 2: {
        if (root || n->parent->firstChild == n) return nullptr;
        TreeNode* c = n->parent->firstChild;
        while (c->next != n)
            c = c->next;
        return Handle(c);
    }
    case 3:
        return (root || n->parent == &m_root) ? nullptr : Handle(n->parent);
    case 4:
        return Handle(n->firstChild);
    case 5:
        EnsureRows();
        return GetItemHandle(m_focusItem); // null outside tree mode
    default:
        return nullptr;
    }
}

bool ReportModel::HasChildren(_TREEITEM* hItem) {
    TreeNode* n = Resolve(hItem, true);
    return n && n->firstChild;
}

bool ReportModel::IsChild(_TREEITEM* hParent, _TREEITEM* hChild) {
    TreeNode* p = Resolve(hParent, true);
    TreeNode* c = Resolve(hChild, false);
    return p && c && c->parent == p;
}

bool ReportModel::IsDescendent(_TREEITEM* hAncestor, _TREEITEM* hItem) {
    TreeNode* a = Resolve(hAncestor, true);
    TreeNode* n = Resolve(hItem, false);
    if (!a || !n) return false;
    for (TreeNode* p = n->parent; p; p = p->parent)
        if (p == a) return true;
    return false;
}

int ReportModel::GetItemIndex(_TREEITEM* hItem) {
    TreeNode* n = Resolve(hItem, true);
    return n ? n->item : -2;
}

_TREEITEM* ReportModel::GetItemHandle(int iItem) {
    if (iItem < 0 || iItem >= (int)m_items.size()) return nullptr;
    return Handle(m_items[(size_t)iItem].node);
}

void ReportModel::SetTreeSubItem(_TREEITEM* hItem, int iSubItem) {
    TreeNode* n = Resolve(hItem, false);
    if (n && iSubItem >= -1 && iSubItem < (int)m_defs.size()) n->treeSubItem = iSubItem;
}

int ReportModel::GetTreeSubItem(_TREEITEM* hItem) const {
    TreeNode* n = Resolve(hItem, false);
    return n ? n->treeSubItem : -1;
}

int ReportModel::GetItemCount(_TREEITEM* hItem, int bRecursive) {
    TreeNode* top = Resolve(hItem, true);
    if (!top) return 0;
    if (bRecursive != 1) {
        int n = 0;
        for (TreeNode* c = top->firstChild; c; c = c->next)
            ++n;
        return n;
    }
    std::vector<int> all;
    CollectPostOrder(top, all, false);
    return (int)all.size();
}

bool ReportModel::EnsureVisible(_TREEITEM* hItem) {
    TreeNode* n = Resolve(hItem, false);
    if (!n) return false;
    MarkTreeRowsStale();
    for (TreeNode* p = n->parent; p && p != &m_root; p = p->parent)
        if (!p->expanded) {
            p->expanded = 1;
            UpdateMarks(p);
        }
    EnsureRows();
    m_host->ShowRow(GetRowFromItem(n->item));
    return true;
}

void ReportModel::SetSelection(_TREEITEM* hItem, bool bKeepSelection) {
    TreeNode* n = Resolve(hItem, false);
    if (n) SetSelection(n->item, bKeepSelection);
}

void ReportModel::SetSelection(_TREEITEM** phItems, int nCount, bool bKeepSelection) {
    if (!phItems) return;
    for (int i = 0; i < nCount; ++i)
        SetSelection(phItems[i], i == 0 ? bKeepSelection : true);
}

// ---------------------------------------------------------------- sorting

namespace {

// Stable merge sort that stays in bounds whatever the comparison answers.
template <class T, class Less> void MergeSort(std::vector<T>& v, Less less) {
    std::vector<T> tmp(v.size());
    for (size_t width = 1; width < v.size(); width *= 2) {
        for (size_t lo = 0; lo < v.size(); lo += 2 * width) {
            size_t mid = std::min(lo + width, v.size()), hi = std::min(lo + 2 * width, v.size());
            size_t a = lo, b = mid, o = lo;
            while (a < mid && b < hi)
                tmp[o++] = less(v[b], v[a]) ? v[b++] : v[a++];
            while (a < mid)
                tmp[o++] = v[a++];
            while (b < hi)
                tmp[o++] = v[b++];
        }
        v.swap(tmp);
    }
}

} // namespace

// The children of each parent end up as the insertion of each child, in the old order, in front of the
// first child comparing equal or greater (ascending): sorted, with equal keys in reverse of their old
// order. A stable sort of the reversed children gives exactly that.
void ReportModel::TreeSort(int iSubItem, TreeNode* parent, bool bAscending, bool bRecursive) {
    std::vector<TreeNode*> parents{parent}, kids;
    while (!parents.empty()) {
        TreeNode* p = parents.back();
        parents.pop_back();
        kids.clear();
        for (TreeNode* c = p->firstChild; c; c = c->next) {
            kids.push_back(c);
            if (bRecursive && c->firstChild) parents.push_back(c);
        }
        if (kids.size() < 2) continue;
        std::reverse(kids.begin(), kids.end());
        if (!m_sortProc && !m_host->CustomCompare()) {
            // The built-in comparison: keys read once per child.
            std::vector<SortKey> keys;
            keys.reserve(kids.size());
            for (TreeNode* c : kids) {
                int sub = c->treeSubItem >= 0 ? c->treeSubItem : iSubItem;
                keys.push_back(MakeSortKey(m_items[(size_t)c->item].cells.Get(sub), c->item));
            }
            MergeSort(keys, [&](const SortKey& a, const SortKey& b) {
                int r = CompareSortKeys(a, b);
                return bAscending ? r < 0 : r > 0;
            });
            for (size_t i = 0; i < kids.size(); ++i)
                kids[i] = m_items[(size_t)keys[i].item].node;
        } else {
            MergeSort(kids, [&](TreeNode* a, TreeNode* b) {
                int r = CompareNodes(a, b, iSubItem);
                return bAscending ? r < 0 : r > 0;
            });
        }
        p->firstChild = kids.front();
        for (size_t i = 0; i + 1 < kids.size(); ++i)
            kids[i]->next = kids[i + 1];
        kids.back()->next = nullptr;
        p->lastChild = kids.back();
    }
}

// A parent's children (all levels below with bRecursive); the rows follow on their next use, with the
// focus on its item.
void ReportModel::DefaultTreeSort(int iSubItem, _TREEITEM* hParent, bool bAscending, bool bRecursive) {
    TreeNode* parent = TreeMode() ? Resolve(hParent, true) : nullptr;
    if (!parent) return;
    MarkTreeRowsStale();
    TreeSort(iSubItem, parent, bAscending, bRecursive);
}

} // namespace zrpc::report
