// A stand-in for the report control's window with the member functions the message table calls,
// answered by the model and its geometry, so that the table can be driven without a window (native
// tests, the fuzz target). What only a window has is kept as plain values: the clipboard's text, the
// profile store, the redraw flag, the handles handed in.
#ifndef ZRPC_TESTS_REPORT_MESSAGE_TARGET_H
#define ZRPC_TESTS_REPORT_MESSAGE_TARGET_H

#include <map>
#include <string>
#include <vector>

#include "reportctrl/model/report_geometry.h"
#include "reportctrl/model/report_messages.h"
#include "reportctrl/model/report_model.h"

namespace reporttest {

class MessageTarget {
  public:
    // The values every control of a process shares are this stand-in's own.
    explicit MessageTarget(zrpc::report::ReportHost* host = nullptr) : model(host, &shared), geo(model) {
        Lay();
    }

    zrpc::report::SharedValues shared;
    zrpc::report::ReportModel model;
    zrpc::report::ReportGeometry geo;
    std::string clipboard; // what the last Copy placed
    std::map<std::string, std::string> profiles;
    std::string profileKey, profileFile; // SetProfileStore's choice ("": the default)
    void* bkModule = nullptr;            // the last SetBkImage's module and resource
    const char* bkResource = nullptr;
    bool redraw = true;
    void* images = nullptr;
    void* checks = nullptr;
    void* chooser = nullptr;

    // The window's answer to a message: the table's, or 0 for a message not in it.
    intptr_t Send(uint32_t msg, uintptr_t wp, intptr_t lp) {
        intptr_t result = 0;
        return zrpc::report::AnswerReportMessage(*this, msg, wp, lp, &result) ? result : 0;
    }

    // ---- the member functions of CReportCtrl the table calls
    uint32_t GetStyle() { return model.GetStyle(); }
    int ModifyStyle(uint32_t remove, uint32_t add, unsigned) {
        return model.ModifyStyle(remove & 0xFFFF, add & 0xFFFF) ? (Lay(), 1) : 0;
    }
    int ModifyProperty(uint32_t p, intptr_t v) { return model.ModifyProperty(p, v); }
    intptr_t GetProperty(uint32_t p) { return model.GetProperty(p); }
    int DefineSubItem(int i, _RVSUBITEM* s, int) { return model.DefineSubItem(i, s); }
    int RedefineSubItem(int i, _RVSUBITEM* s, int) { return model.RedefineSubItem(i, s); }
    int UndefineSubItem(int i) { return model.UndefineSubItem(i); }
    void UndefineAllSubItems() { model.UndefineAllSubItems(); }
    int ActivateSubItem(int i, int c) { return model.ActivateSubItem(i, c); }
    int DeactivateSubItem(int i) { return model.DeactivateSubItem(i); }
    int DeactivateAllSubItems() { return model.DeactivateAllSubItems(); }
    int IsActiveSubItem(int i) { return model.IsActiveSubItem(i); }
    int GetActiveSubItemCount() { return model.GetActiveSubItemCount(); }
    int GetSubItemCount() { return model.GetSubItemCount(); }
    int GetSubItemWidth(int i) { return model.GetSubItemWidth(i); }
    int SetSubItemWidth(int i, int w) { return model.SetSubItemWidth(i, w); }
    int GetSubItemFromColumn(int c) { return model.GetSubItemFromColumn(c); }
    int GetColumnFromSubItem(int i) { return model.GetColumnFromSubItem(i); }

    int InsertItem(_RVITEM* p) { return model.InsertItem(p); }
    int AddItem(_RVITEM* p) { return model.AddItem(p); }
    int DeleteItem(int i) { return model.DeleteItem(i); }
    int DeleteAllItems() { return model.DeleteAllItems(); }
    int SetItemCount(int n) { return model.SetItemCount(n); }
    int GetItemCount() { return model.GetItemCount(); }
    int GetItem(_RVITEM* p) { return model.GetItem(p); }
    int SetItem(_RVITEM* p) { return model.SetItem(p); }
    int GetItemText(int i, int s, char* text, int n) { return model.GetItemText(i, s, text, n); }
    int SetItemText(int i, int s, const char* text) { return model.SetItemText(i, s, text); }
    int GetItemImage(int i, int s) { return model.GetItemImage(i, s); }
    int SetItemImage(int i, int s, int v) { return model.SetItemImage(i, s, v); }
    int GetItemCheck(int i, int s) { return model.GetItemCheck(i, s); }
    int SetItemCheck(int i, int s, int v) { return model.SetItemCheck(i, s, v); }
    RV_LPARAM GetItemData(int i) { return model.GetItemData(i); }
    int SetItemData(int i, RV_LPARAM v) { return model.SetItemData(i, v); }

    int InsertColor(int i, RV_COLORREF c) { return model.InsertColor(i, c); }
    int SetColor(int i, RV_COLORREF c) { return model.SetColor(i, c); }
    RV_COLORREF GetColor(int i) { return model.GetColor(i); }
    int DeleteColor(int i) { return model.DeleteColor(i); }
    void DeleteAllColors() { model.DeleteAllColors(); }

    void FlushCache(int i) { model.FlushCache(i); }
    int GetItemRow(int i) { return model.GetRowFromItem(i); }
    int GetItemFromRow(int r) { return model.GetItemFromRow(r); }
    int GetRowCount() { return model.GetRowCount(); }
    int MoveUp(int r) { return model.MoveUp(r); }
    int MoveDown(int r) { return model.MoveDown(r); }

    _TREEITEM* InsertItem(_RVITEM* p, _TREEITEM* parent, _TREEITEM* after, int sub) {
        return model.InsertItem(p, parent, after, sub);
    }
    int DeleteItem(_TREEITEM* h) { return model.DeleteItem(h); }
    int Expand(_TREEITEM* h, uint32_t code) { return model.Expand(h, code); }
    int ExpandAll(_TREEITEM* h, uint32_t code, int levels) { return model.ExpandAll(h, code, levels); }
    _TREEITEM* GetNextItem(_TREEITEM* h, uint32_t code) { return model.GetNextItem(h, code); }
    int HasChildren(_TREEITEM* h) { return model.HasChildren(h); }
    int IsChild(_TREEITEM* p, _TREEITEM* c) { return model.IsChild(p, c); }
    int IsDescendent(_TREEITEM* a, _TREEITEM* h) { return model.IsDescendent(a, h); }
    int GetItemIndex(_TREEITEM* h) { return model.GetItemIndex(h); }
    _TREEITEM* GetItemHandle(int i) { return model.GetItemHandle(i); }
    void SetTreeSubItem(_TREEITEM* h, int s) { model.SetTreeSubItem(h, s); }
    int GetItemCount(_TREEITEM* h, int recursive) { return model.GetItemCount(h, recursive); }
    int EnsureVisible(_TREEITEM* h, int partial) {
        if (!model.EnsureVisible(h)) return 0;
        geo.SetTop(geo.TopToShow(model.GetRowFromItem(model.GetItemIndex(h)), partial != 0));
        return 1;
    }

    int SortItems(int s, int ascending) { return model.SortItems(s, ascending != 0); }
    int ResortItems() { return model.ResortItems(); }
    int GetSortSettings(int* s, int* a) { return model.GetSortSettings(s, a); }
    void SetSortCallback(RVCOMPAREPROC f, RV_LPARAM p) { model.SetSortCallback(f, p); }
    RVCOMPAREPROC GetSortCallback() { return model.GetSortCallback(); }
    int GetFirstSelectedItem() { return model.GetFirstSelectedItem(); }
    int GetNextSelectedItem(int i) { return model.GetNextSelectedItem(i); }
    int GetSelectedCount() { return model.GetSelectedCount(); }
    int GetSelectedItems(int* items, int max) { return model.GetSelectedItems(items, max); }
    void SetSelection(int i, int keep) { model.SetSelection(i, keep != 0); }
    void SetSelection(int* items, int n, int keep) { model.SetSelection(items, n, keep != 0); }
    void SetSelection(_TREEITEM* h, int keep) { model.SetSelection(h, keep != 0); }
    void SetSelection(_TREEITEM** hs, int n, int keep) { model.SetSelection(hs, n, keep != 0); }
    void SetSelection(int s, const char* pattern, int keep) { model.SetSelection(s, pattern, keep != 0); }
    void SetSelectionLessEq(int s, int v, int keep) { model.SetSelectionLessEq(s, v, keep != 0); }
    void ClearSelection() { model.ClearSelection(); }
    void InvertSelection() { model.InvertSelection(); }
    void SelectAll() { model.SelectAll(); }
    int GetCurrentFocus(int* column) { return model.GetCurrentFocus(column); }
    int AdjustFocus(int r, int c) { return model.AdjustFocus(r, c); }
    int SetCurrentFocus(int i, int s) {
        int row = model.SetCurrentFocus(i, s);
        if (row < -1) return 0;
        Lay();
        geo.SetTop(geo.TopToShow(row, false));
        return 1;
    }
    int HasFocus() { return 0; }
    int FindItem(_RVFINDINFO* f, int s, int start) { return model.FindItem(f, s, start); }

    int WriteProfile(const char* section, const char* entry) {
        profiles[std::string(section) + "\\" + entry] = model.GetProfileValue();
        return 1;
    }
    void SetProfileStore(const char* registryKey, const char* iniFile) {
        profileKey = registryKey ? registryKey : "";
        profileFile = iniFile ? iniFile : "";
    }
    int GetProfile(const char* section, const char* entry) {
        auto it = profiles.find(std::string(section) + "\\" + entry);
        return it != profiles.end() && !it->second.empty() && model.ApplyProfileValue(it->second.c_str());
    }

    int GetItemHeight() { return geo.RowHeight(); }
    void SetItemHeight(int h) {
        geo.SetRowHeight((h < 1 ? 1 : h) + ((GetStyle() & RVS_ROWLINES) ? 1 : 0));
        Lay();
    }
    int GetVisibleCount(int partial) { return Lay(), geo.VisibleCount(partial != 0); }
    int GetTopIndex() { return Lay(), geo.Top(); }
    int IsItemVisible(int i, int partial) {
        Lay();
        int row = model.GetRowFromItem(i);
        if (row < 0) return row == -1 && (GetStyle() & RVS_ENTRYROW);
        return row >= geo.Top() && row < geo.Top() + geo.VisibleCount(partial != 0);
    }
    int EnsureVisible(int i, int partial) {
        int row = model.GetRowFromItem(i);
        if (row < 0) return 0;
        Lay();
        geo.SetTop(geo.TopToShow(row, partial != 0));
        return 1;
    }
    void PageUp() { Lay(), geo.SetTop(geo.ScrollRowsTarget(zrpc::report::kScrollPageUp, 0)); }
    void PageDown() { Lay(), geo.SetTop(geo.ScrollRowsTarget(zrpc::report::kScrollPageDown, 0)); }
    int GetItemRect(int i, int s, RVRECT* rc, unsigned code) {
        return rc && (Lay(), geo.ItemRect(i, s, code, *rc));
    }
    int HitTest(_RVHITTESTINFO* h) { return h ? (Lay(), geo.HitTest(h)) : -2; }
    int SetImageList(void* list, void* checkList) { return images = list, checks = checkList, 1; }
    void* GetImageList() { return images; }
    void SetRedraw(int on) { redraw = on != 0; }
    void RedrawItems(int, int) {}
    void SetIndentFirstColumn(int on) { geo.SetIndentFirstColumn(on != 0); }
    void* GetHeaderCtrl() { return nullptr; }
    int GetWheelLines() { return 3; }
    int SetBkImage(void* module, const char* resource) { return bkModule = module, bkResource = resource, 1; }

    void Copy() { clipboard = model.GetCopyText(); }
    void Cut() {}
    int BeginEdit(int, int, unsigned) { return 0; }
    void EndEdit(int, _NMRVITEMEDIT*) {}
    void* GetEditWindow() { return nullptr; }
    int MeasureItem(int, int, RVRECT*, int) { return -1; }
    int PreviewHeight(void*, unsigned) { return -1; }
    int PreviewHeight(void*, const char*, RVRECT*) { return -1; }
    int SetReportSubItemListCtrl(void* list) { return chooser = list, 1; }
    void* GetReportSubItemListCtrl() { return chooser; }
    void* GetTipWindow() { return nullptr; }

  private:
    // The window's layout: a client area of 400 x 300 with a header 20 high.
    void Lay() {
        geo.RecountWidth();
        geo.Layout({0, 0, 400, 300}, 20, 2);
    }
};

} // namespace reporttest

#endif
