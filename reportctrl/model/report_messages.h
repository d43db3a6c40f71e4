// The report control's messages (include/zrpcctl_report.h), each answered by the member function a
// C++ client would call, in one table. It is a template over the object it calls: the window
// (CReportCtrl, win_report_ctrl.cpp) answers its messages through it, and the tests and the fuzz target
// send it messages against the model. The entries only read the arguments and call: what an operation
// does is the member function's.
#ifndef ZRPC_REPORT_MESSAGES_H
#define ZRPC_REPORT_MESSAGES_H

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "reportctrl_types.h"
#include "zrpcctl_report.h"

namespace zrpc::report {

// An item record going in: the _RVITEM it stands for, its text kept in text.
inline bool ItemIn(const RVMITEM& m, std::string& text, _RVITEM& out) {
    out = _RVITEM{m.nMask,  m.iItem,    m.iSubItem, nullptr,   0,        m.iTextColor, m.iImage,
                  m.iCheck, m.iBkColor, m.nPreview, m.iIndent, m.nState, m.lParam,     m.iOverlay};
    if (m.nMask & RVIM_LABEL) {
        if (!MessageText(m.pszText, m.cchText, text)) return false;
        out.lpszText = &text[0];
        out.iTextMax = (int32_t)text.size() + 1;
    }
    return true;
}

// An item record to be read into: the caller's buffer as the _RVITEM's; the fields back afterwards.
inline _RVITEM ItemQuery(const RVMITEM& m) {
    _RVITEM out = {m.nMask,      m.iItem,  m.iSubItem, m.pszText,  m.pszText ? m.cchText : 0,
                   m.iTextColor, m.iImage, m.iCheck,   m.iBkColor, m.nPreview,
                   m.iIndent,    m.nState, m.lParam,   m.iOverlay};
    return out;
}
inline void ItemOut(const _RVITEM& r, RVMITEM& m) {
    m.nMask = r.nMask;
    m.iTextColor = r.iTextColor;
    m.iImage = r.iImage;
    m.iCheck = r.iCheck;
    m.iBkColor = r.iBkColor;
    m.nPreview = r.nPreview;
    m.iIndent = r.iIndent;
    m.nState = r.nState;
    m.lParam = r.lParam;
    m.iOverlay = r.iOverlay;
}

inline _TREEITEM* Node(uintptr_t v) {
    return reinterpret_cast<_TREEITEM*>(v);
}

// The table. T is the object answering: CReportCtrl, or a stand-in with the same member functions.
template <class T> const MessageEntry<T>* ReportMessages(size_t* count) {
    using zrpc::MessageArray;
    using zrpc::MessageHandle;
    using zrpc::MessageInt;
    using zrpc::MessageRecord;
    using zrpc::MessageText;
    static const MessageEntry<T> table[] = {
        // ---- creation and state
        ZRPC_MESSAGE(RVM_GETSTYLE, 0, r = (intptr_t)t.GetStyle()),
        ZRPC_MESSAGE(RVM_MODIFYSTYLE, 0, r = t.ModifyStyle((uint32_t)wp, (uint32_t)lp, 0)),
        ZRPC_MESSAGE(RVM_SETPROPERTY, 0, r = t.ModifyProperty((uint32_t)wp, lp)),
        ZRPC_MESSAGE(RVM_GETPROPERTY, 0, r = (intptr_t)t.GetProperty((uint32_t)wp)),
        // ---- sub-items and columns
        ZRPC_MESSAGE(RVM_DEFINESUBITEM, -1, auto* m = MessageRecord<RVMSUBITEM>(lp); std::string text;
                     if (!m || !MessageText(m->pszText, m->cchText, text)) return false;
                     _RVSUBITEM s = {m->nFormat, m->iWidth, m->iMinWidth, m->iMaxWidth, m->iImage, text.c_str()};
                     r = t.DefineSubItem(MessageInt(wp), &s, m->bUpdateList)),
        ZRPC_MESSAGE(RVM_REDEFINESUBITEM, 0, auto* m = MessageRecord<RVMSUBITEM>(lp); std::string text;
                     if (!m || !MessageText(m->pszText, m->cchText, text)) return false;
                     _RVSUBITEM s = {m->nFormat, m->iWidth, m->iMinWidth, m->iMaxWidth, m->iImage, text.c_str()};
                     r = t.RedefineSubItem(MessageInt(wp), &s, m->bUpdateList)),
        ZRPC_MESSAGE(RVM_UNDEFINESUBITEM, 0, r = t.UndefineSubItem(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_UNDEFINEALLSUBITEMS, 0, t.UndefineAllSubItems(); r = 1),
        ZRPC_MESSAGE(RVM_ACTIVATESUBITEM, -1, r = t.ActivateSubItem(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_DEACTIVATESUBITEM, 0, r = t.DeactivateSubItem(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_DEACTIVATEALLSUBITEMS, 0, r = t.DeactivateAllSubItems()),
        ZRPC_MESSAGE(RVM_ISACTIVESUBITEM, 0, r = t.IsActiveSubItem(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETACTIVESUBITEMCOUNT, 0, r = t.GetActiveSubItemCount()),
        ZRPC_MESSAGE(RVM_GETSUBITEMCOUNT, 0, r = t.GetSubItemCount()),
        ZRPC_MESSAGE(RVM_GETSUBITEMWIDTH, 0, r = t.GetSubItemWidth(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_SETSUBITEMWIDTH, 0, r = t.SetSubItemWidth(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_GETSUBITEMFROMCOLUMN, -1, r = t.GetSubItemFromColumn(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETCOLUMNFROMSUBITEM, -1, r = t.GetColumnFromSubItem(MessageInt(wp))),
        // ---- items
        ZRPC_MESSAGE(RVM_INSERTITEM, -2, auto* m = MessageRecord<RVMITEM>(lp); std::string text; _RVITEM it;
                     if (!m || !ItemIn(*m, text, it)) return false; r = t.InsertItem(&it)),
        ZRPC_MESSAGE(RVM_ADDITEM, -2, if (!lp) { r = t.AddItem((_RVITEM*)nullptr); return true; };
                     auto* m = MessageRecord<RVMITEM>(lp); std::string text; _RVITEM it;
                     if (!m || !ItemIn(*m, text, it)) return false; r = t.AddItem(&it)),
        ZRPC_MESSAGE(RVM_DELETEITEM, 0, r = t.DeleteItem(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_DELETEALLITEMS, 0, r = t.DeleteAllItems()),
        ZRPC_MESSAGE(RVM_SETITEMCOUNT, 0, r = t.SetItemCount(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETITEMCOUNT, 0, r = t.GetItemCount()),
        ZRPC_MESSAGE(RVM_GETITEM, 0, auto* m = MessageRecord<RVMITEM>(lp); if (!m) return false;
                     _RVITEM it = ItemQuery(*m); r = t.GetItem(&it); if (r) ItemOut(it, *m)),
        ZRPC_MESSAGE(RVM_SETITEM, 0, auto* m = MessageRecord<RVMITEM>(lp); std::string text; _RVITEM it;
                     if (!m || !ItemIn(*m, text, it)) return false; r = t.SetItem(&it)),
        ZRPC_MESSAGE(RVM_GETITEMTEXT, 0, auto* m = MessageRecord<RVMCELL>(lp);
                     if (!m || !m->pszText || m->cchText <= 0) return false;
                     r = t.GetItemText(MessageInt(wp), m->iSubItem, m->pszText, m->cchText)),
        ZRPC_MESSAGE(RVM_SETITEMTEXT, 0, auto* m = MessageRecord<RVMCELL>(lp); std::string text;
                     if (!m || !MessageText(m->pszText, m->cchText, text)) return false;
                     r = t.SetItemText(MessageInt(wp), m->iSubItem, text.c_str())),
        ZRPC_MESSAGE(RVM_GETITEMIMAGE, -1, r = t.GetItemImage(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_SETITEMIMAGE, 0, auto* m = MessageRecord<RVMCELL>(lp); if (!m) return false;
                     r = t.SetItemImage(MessageInt(wp), m->iSubItem, m->iValue)),
        ZRPC_MESSAGE(RVM_GETITEMCHECK, -1, r = t.GetItemCheck(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_SETITEMCHECK, 0, auto* m = MessageRecord<RVMCELL>(lp); if (!m) return false;
                     r = t.SetItemCheck(MessageInt(wp), m->iSubItem, m->iValue)),
        ZRPC_MESSAGE(RVM_GETITEMDATA, 0, r = (intptr_t)t.GetItemData(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_SETITEMDATA, 0, r = t.SetItemData(MessageInt(wp), lp)),
        // ---- colours
        ZRPC_MESSAGE(RVM_INSERTCOLOR, -1, r = t.InsertColor(MessageInt(wp), (uint32_t)lp)),
        ZRPC_MESSAGE(RVM_SETCOLOR, 0, r = t.SetColor(MessageInt(wp), (uint32_t)lp)),
        ZRPC_MESSAGE(RVM_GETCOLOR, 0, r = (intptr_t)t.GetColor(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_DELETECOLOR, 0, r = t.DeleteColor(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_DELETEALLCOLORS, 0, t.DeleteAllColors(); r = 1),
        // ---- rows and the cache
        ZRPC_MESSAGE(RVM_FLUSHCACHE, 0, t.FlushCache(MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_GETITEMROW, -2, r = t.GetItemRow(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETITEMFROMROW, -2, r = t.GetItemFromRow(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETROWCOUNT, 0, r = t.GetRowCount()),
        ZRPC_MESSAGE(RVM_MOVEUP, 0, r = t.MoveUp(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_MOVEDOWN, 0, r = t.MoveDown(MessageInt(wp))),
        // ---- tree
        ZRPC_MESSAGE(RVM_INSERTTREEITEM, 0, auto* m = MessageRecord<RVMTREEITEM>(lp); std::string text;
                     _RVITEM it; if (!m || m->item.cbSize != sizeof(RVMITEM) || !ItemIn(m->item, text, it)) return false;
                     r = (intptr_t)t.InsertItem(&it, m->hParent, m->hInsertAfter, m->iTreeSubItem)),
        ZRPC_MESSAGE(RVM_DELETETREEITEM, 0, r = t.DeleteItem(Node((uintptr_t)lp))),
        ZRPC_MESSAGE(RVM_EXPAND, 0, r = t.Expand(Node((uintptr_t)lp), (uint32_t)wp)),
        ZRPC_MESSAGE(RVM_EXPANDALL, 0, auto* m = MessageRecord<RVMEXPAND>(lp); if (!m) return false;
                     r = t.ExpandAll(m->hItem, m->nCode, m->iLevels)),
        ZRPC_MESSAGE(RVM_GETNEXTTREEITEM, 0, r = (intptr_t)t.GetNextItem(Node((uintptr_t)lp), (uint32_t)wp)),
        ZRPC_MESSAGE(RVM_HASCHILDREN, 0, r = t.HasChildren(Node((uintptr_t)lp))),
        ZRPC_MESSAGE(RVM_ISCHILD, 0, r = t.IsChild(Node(wp), Node((uintptr_t)lp))),
        ZRPC_MESSAGE(RVM_ISDESCENDENT, 0, r = t.IsDescendent(Node(wp), Node((uintptr_t)lp))),
        ZRPC_MESSAGE(RVM_GETITEMINDEX, -2, r = t.GetItemIndex(Node((uintptr_t)lp))),
        ZRPC_MESSAGE(RVM_GETITEMHANDLE, 0, r = (intptr_t)t.GetItemHandle(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_SETTREESUBITEM, 0, if (t.GetItemIndex(Node((uintptr_t)lp)) < 0) return false;
                     t.SetTreeSubItem(Node((uintptr_t)lp), MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_GETTREEITEMCOUNT, 0, r = t.GetItemCount(Node((uintptr_t)lp), MessageInt(wp))),
        ZRPC_MESSAGE(RVM_ENSURETREEITEMVISIBLE, 0, r = t.EnsureVisible(Node((uintptr_t)lp), MessageInt(wp))),
        // ---- sorting
        ZRPC_MESSAGE(RVM_SORTITEMS, 0, r = t.SortItems(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_RESORTITEMS, 0, r = t.ResortItems()),
        ZRPC_MESSAGE(RVM_GETSORTSETTINGS, 0,
                     r = t.GetSortSettings(reinterpret_cast<int*>(wp), reinterpret_cast<int*>(lp))),
        ZRPC_MESSAGE(RVM_SETSORTCALLBACK, 0, t.SetSortCallback(reinterpret_cast<RVCOMPAREPROC>(wp), lp); r = 1),
        ZRPC_MESSAGE(RVM_GETSORTCALLBACK, 0, r = reinterpret_cast<intptr_t>(t.GetSortCallback())),
        // ---- selection
        ZRPC_MESSAGE(RVM_GETFIRSTSELECTEDITEM, -2, r = t.GetFirstSelectedItem()),
        ZRPC_MESSAGE(RVM_GETNEXTSELECTEDITEM, -2, r = t.GetNextSelectedItem(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETSELECTEDCOUNT, 0, r = t.GetSelectedCount()),
        ZRPC_MESSAGE(RVM_GETSELECTEDITEMS, 0, r = t.GetSelectedItems(reinterpret_cast<int*>(lp), MessageInt(wp))),
        ZRPC_MESSAGE(RVM_SETSELECTION, 0, if (t.GetItemRow(MessageInt(wp)) == -2) return false;
                     t.SetSelection(MessageInt(wp), (int)lp); r = 1),
        ZRPC_MESSAGE(RVM_SETSELECTIONITEMS, 0, auto* m = MessageRecord<RVMSELECT>(lp); std::vector<int> items;
                     if (!m || !MessageArray<int>(m->piItems, m->nCount, items)) return false;
                     t.SetSelection(items.data(), (int)items.size(), m->bKeepSelection); r = 1),
        ZRPC_MESSAGE(RVM_SETTREESELECTION, 0, int item = t.GetItemIndex(Node((uintptr_t)lp));
                     if (item < 0 || t.GetItemRow(item) == -2) return false;
                     t.SetSelection(Node((uintptr_t)lp), MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_SETTREESELECTIONITEMS, 0, auto* m = MessageRecord<RVMSELECT>(lp);
                     std::vector<_TREEITEM*> nodes;
                     if (!m || !MessageArray<_TREEITEM*>(m->phItems, m->nCount, nodes)) return false;
                     t.SetSelection(nodes.data(), (int)nodes.size(), m->bKeepSelection); r = 1),
        ZRPC_MESSAGE(RVM_SETSELECTIONPATTERN, 0, auto* m = MessageRecord<RVMSELECT>(lp); std::string pattern;
                     if (!m || !MessageText(m->pszPattern, m->cchPattern, pattern)) return false;
                     t.SetSelection(m->iSubItem, pattern.c_str(), m->bKeepSelection); r = 1),
        ZRPC_MESSAGE(RVM_SETSELECTIONLESSEQ, 0, auto* m = MessageRecord<RVMSELECT>(lp); if (!m) return false;
                     t.SetSelectionLessEq(m->iSubItem, m->nValue, m->bKeepSelection); r = 1),
        ZRPC_MESSAGE(RVM_CLEARSELECTION, 0, t.ClearSelection(); r = 1),
        ZRPC_MESSAGE(RVM_INVERTSELECTION, 0, t.InvertSelection(); r = 1),
        ZRPC_MESSAGE(RVM_SELECTALL, 0, t.SelectAll(); r = 1),
        // ---- focus and search
        ZRPC_MESSAGE(RVM_GETCURRENTFOCUS, -2, r = t.GetCurrentFocus(reinterpret_cast<int*>(lp))),
        ZRPC_MESSAGE(RVM_ADJUSTFOCUS, 0, r = t.AdjustFocus(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_SETCURRENTFOCUS, 0, r = t.SetCurrentFocus(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_HASFOCUS, 0, r = t.HasFocus()),
        ZRPC_MESSAGE(RVM_FINDITEM, -2, auto* m = MessageRecord<RVMFIND>(lp); std::string text;
                     if (!m || ((m->nFlags & RVFI_LABEL) && !MessageText(m->pszText, m->cchText, text))) return false;
                     _RVFINDINFO f = {m->nFlags, text.c_str(), m->iImage, m->iCheck, m->lParam};
                     r = t.FindItem(&f, m->iSubItem, m->iStart)),
        // ---- column profile
        ZRPC_MESSAGE(RVM_WRITEPROFILE, 0, auto* m = MessageRecord<RVMPROFILE>(lp); std::string section, entry;
                     if (!m || !MessageText(m->pszSection, m->cchSection, section) ||
                         !MessageText(m->pszEntry, m->cchEntry, entry)) return false;
                     r = t.WriteProfile(section.c_str(), entry.c_str())),
        ZRPC_MESSAGE(RVM_GETPROFILE, 0, auto* m = MessageRecord<RVMPROFILE>(lp); std::string section, entry;
                     if (!m || !MessageText(m->pszSection, m->cchSection, section) ||
                         !MessageText(m->pszEntry, m->cchEntry, entry)) return false;
                     r = t.GetProfile(section.c_str(), entry.c_str())),
        ZRPC_MESSAGE(RVM_SETPROFILESTORE, 0, auto* m = MessageRecord<RVMPROFILESTORE>(lp); if (!m) return false;
                     std::string key, file;
                     if ((m->pszRegistryKey && !MessageText(m->pszRegistryKey, m->cchRegistryKey, key)) ||
                         (m->pszIniFile && !MessageText(m->pszIniFile, m->cchIniFile, file))) return false;
                     t.SetProfileStore(m->pszRegistryKey ? key.c_str() : nullptr,
                                       m->pszIniFile ? file.c_str() : nullptr);
                     r = 1),
        // ---- layout, scrolling, drawing
        ZRPC_MESSAGE(RVM_GETITEMHEIGHT, 0, r = t.GetItemHeight()),
        ZRPC_MESSAGE(RVM_SETITEMHEIGHT, 0, t.SetItemHeight(MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_GETVISIBLECOUNT, 0, r = t.GetVisibleCount(MessageInt(wp))),
        ZRPC_MESSAGE(RVM_GETTOPINDEX, 0, r = t.GetTopIndex()),
        ZRPC_MESSAGE(RVM_ISITEMVISIBLE, 0, r = t.IsItemVisible(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_ENSUREVISIBLE, 0, r = t.EnsureVisible(MessageInt(wp), (int)lp)),
        ZRPC_MESSAGE(RVM_PAGEUP, 0, t.PageUp(); r = 1),
        ZRPC_MESSAGE(RVM_PAGEDOWN, 0, t.PageDown(); r = 1),
        ZRPC_MESSAGE(RVM_GETITEMRECT, 0, auto* m = MessageRecord<RVMITEMRECT>(lp); if (!m) return false;
                     RVRECT rc = m->rect;
                     r = t.GetItemRect(m->iItem, m->iSubItem, zrpc::SameLayout<RVRECT>{&rc}, m->nCode);
                     if (r) m->rect = rc),
        ZRPC_MESSAGE(RVM_HITTEST, -2, auto* m = MessageRecord<RVMHITTEST>(lp); if (!m) return false;
                     _RVHITTESTINFO h = {};
                     h.point.x = m->x; h.point.y = m->y; r = t.HitTest(&h); m->nFlags = h.nFlags;
                     m->hItem = h.hItem; m->iItem = h.iItem; m->iSubItem = h.iSubItem; m->iRow = h.iRow;
                     m->iColumn = h.iColumn; m->rect = h.rect),
        ZRPC_MESSAGE(RVM_SETIMAGELIST, 0, r = t.SetImageList(MessageHandle{wp}, MessageHandle{(uintptr_t)lp})),
        ZRPC_MESSAGE(RVM_GETIMAGELIST, 0, r = (intptr_t)t.GetImageList()),
        ZRPC_MESSAGE(RVM_SETREDRAW, 0, t.SetRedraw(MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_REDRAWITEMS, 0, t.RedrawItems(MessageInt(wp), (int)lp); r = 1),
        ZRPC_MESSAGE(RVM_SETINDENTFIRSTCOLUMN, 0, t.SetIndentFirstColumn(MessageInt(wp)); r = 1),
        ZRPC_MESSAGE(RVM_GETHEADERCTRL, 0, r = (intptr_t)t.GetHeaderCtrl()),
        ZRPC_MESSAGE(RVM_GETWHEELLINES, 0, r = t.GetWheelLines()),
        ZRPC_MESSAGE(RVM_SETBKIMAGE, 0, r = t.SetBkImage(MessageHandle{wp}, reinterpret_cast<const char*>(lp))),
        // ---- clipboard and in-place editing
        ZRPC_MESSAGE(RVM_COPY, 0, t.Copy(); r = 1),
        ZRPC_MESSAGE(RVM_CUT, 0, t.Cut(); r = 1),
        ZRPC_MESSAGE(RVM_BEGINEDIT, 0, auto* m = MessageRecord<RVMEDIT>(lp); if (!m) return false;
                     r = t.BeginEdit(m->iRow, m->iColumn, m->nKey)),
        ZRPC_MESSAGE(RVM_ENDEDIT, 0, t.EndEdit(MessageInt(wp), nullptr); r = 1),
        ZRPC_MESSAGE(RVM_GETEDITWINDOW, 0, r = (intptr_t)t.GetEditWindow()),
        // ---- cell sizes, previews, sub-item chooser, tip
        ZRPC_MESSAGE(RVM_MEASUREITEM, -1, auto* m = MessageRecord<RVMITEMRECT>(lp); if (!m) return false;
                     RVRECT rc = m->rect;
                     r = t.MeasureItem(m->iItem, m->iSubItem, zrpc::SameLayout<RVRECT>{&rc}, m->nCode != 0);
                     m->rect = rc),
        ZRPC_MESSAGE(RVM_PREVIEWHEIGHT, -1, r = t.PreviewHeight(MessageHandle{wp}, (uint32_t)lp)),
        ZRPC_MESSAGE(RVM_PREVIEWTEXTHEIGHT, -1, auto* m = MessageRecord<RVMPREVIEW>(lp); std::string text;
                     if (!m || !MessageText(m->pszText, m->cchText, text)) return false; RVRECT rc = m->rect;
                     r = t.PreviewHeight(MessageHandle{(uintptr_t)m->hFont}, text.c_str(),
                                         zrpc::SameLayout<RVRECT>{m->bUseRect ? &rc : nullptr})),
        ZRPC_MESSAGE(RVM_SETSUBITEMLIST, 0, r = t.SetReportSubItemListCtrl(MessageHandle{wp})),
        ZRPC_MESSAGE(RVM_GETSUBITEMLIST, 0, r = (intptr_t)t.GetReportSubItemListCtrl()),
        ZRPC_MESSAGE(RVM_GETTIPWINDOW, 0, r = (intptr_t)t.GetTipWindow()),
    };
    *count = sizeof table / sizeof table[0];
    return table;
}

// Answers a message of the report control's range through the table; false for any other message
// (and for a number of the range the table has no entry for), which goes to the normal handling.
template <class T>
bool AnswerReportMessage(T& target, uint32_t msg, uintptr_t wp, intptr_t lp, intptr_t* result) {
    if (msg < RVM_FIRST || msg > RVM_LAST) return false;
    size_t count = 0;
    const MessageEntry<T>* table = ReportMessages<T>(&count);
    return AnswerMessage(table, count, target, msg, wp, lp, result);
}

} // namespace zrpc::report

#endif
