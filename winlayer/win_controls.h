// Typed wrappers over the platform's common controls: a handle and one inline member per message, so
// that the controls and dialogs built on them say what they ask (header.GetItemCount()) instead of
// sending raw messages. Each wrapper holds a window handle it does not own: it is made over any
// handle, copied freely, and never creates or destroys a window. Null handles are allowed; every
// call on one answers 0 (or false, or null).
#ifndef ZRPC_WINLAYER_CONTROLS_H
#define ZRPC_WINLAYER_CONTROLS_H

#include <windows.h>
#include <commctrl.h>

namespace zwin {

// What every control answers: its handle, fonts, redrawing.
class ControlHandle {
  public:
    explicit ControlHandle(HWND hwnd = nullptr) : m_hwnd(hwnd) {}
    HWND Handle() const { return m_hwnd; }
    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }

    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return m_hwnd ? SendMessageA(m_hwnd, msg, wp, lp) : 0;
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }
    void SetFont(HFONT font, bool redraw) const {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }
    void SetRedraw(bool redraw) const { Send(WM_SETREDRAW, redraw ? TRUE : FALSE); }

  protected:
    HWND m_hwnd;
};

// The header control (WC_HEADER).
class HeaderCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    int GetItemCount() const { return (int)Send(HDM_GETITEMCOUNT); }
    int InsertItem(int index, const HDITEMA& item) const {
        return (int)Send(HDM_INSERTITEMA, (WPARAM)index, reinterpret_cast<LPARAM>(&item));
    }
    bool DeleteItem(int index) const { return Send(HDM_DELETEITEM, (WPARAM)index) != 0; }
    // The fields item->mask names; false for an item that does not exist.
    bool GetItem(int index, HDITEMA* item) const {
        return Send(HDM_GETITEMA, (WPARAM)index, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SetItem(int index, const HDITEMA& item) const {
        return Send(HDM_SETITEMA, (WPARAM)index, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // The application value of an item (HDI_LPARAM); fallback when the item does not exist.
    LPARAM GetItemData(int index, LPARAM fallback) const {
        HDITEMA hd = {};
        hd.mask = HDI_LPARAM;
        return GetItem(index, &hd) ? hd.lParam : fallback;
    }
    bool GetItemRect(int index, RECT* rect) const {
        return Send(HDM_GETITEMRECT, (WPARAM)index, reinterpret_cast<LPARAM>(rect)) != 0;
    }
    // The item under pt (header coordinates), -1 for none; the hit flags in *flags when given.
    int HitTest(POINT pt, UINT* flags = nullptr) const {
        HDHITTESTINFO hit = {};
        hit.pt = pt;
        int item = (int)Send(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (flags) *flags = hit.flags;
        return item;
    }
    // The height the header wants within a rectangle (HDM_LAYOUT).
    int LayoutHeight(RECT within) const {
        WINDOWPOS wp = {};
        HDLAYOUT layout = {&within, &wp};
        Send(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
        return wp.cy;
    }
    HIMAGELIST SetImageList(HIMAGELIST images) const {
        return reinterpret_cast<HIMAGELIST>(Send(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
    }
    int GetBitmapMargin() const { return (int)Send(HDM_GETBITMAPMARGIN); }
};

// The list view (WC_LISTVIEW), report view.
class ListViewCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    int GetItemCount() const { return (int)Send(LVM_GETITEMCOUNT); }
    bool SetItemCount(int count) const { return Send(LVM_SETITEMCOUNT, (WPARAM)count) != 0; }
    // The new item's index, -1 when refused.
    int InsertItem(const LVITEMA& item) const {
        return (int)Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    bool DeleteItem(int index) const { return Send(LVM_DELETEITEM, (WPARAM)index) != 0; }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    bool GetItem(LVITEMA* item) const { return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    bool SetItem(const LVITEMA& item) const {
        return Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // The text of a cell into buffer (size bytes); its length.
    int GetItemText(int index, int subItem, char* buffer, int size) const {
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = size;
        return (int)Send(LVM_GETITEMTEXTA, (WPARAM)index, reinterpret_cast<LPARAM>(&item));
    }
    bool SetItemText(int index, int subItem, const char* text) const {
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = const_cast<char*>(text);
        return Send(LVM_SETITEMTEXTA, (WPARAM)index, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    UINT GetItemState(int index, UINT mask) const {
        return (UINT)Send(LVM_GETITEMSTATE, (WPARAM)index, mask);
    }
    bool SetItemState(int index, UINT state, UINT mask) const {
        LVITEMA item = {};
        item.state = state;
        item.stateMask = mask;
        return Send(LVM_SETITEMSTATE, (WPARAM)index, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    int GetNextItem(int start, UINT flags) const { return (int)Send(LVM_GETNEXTITEM, (WPARAM)start, flags); }
    // LVIR_ code in rect->left on entry, as the message wants it.
    bool GetItemRect(int index, RECT* rect, int code) const {
        rect->left = code;
        return Send(LVM_GETITEMRECT, (WPARAM)index, reinterpret_cast<LPARAM>(rect)) != 0;
    }
    bool GetSubItemRect(int index, int subItem, int code, RECT* rect) const {
        rect->top = subItem;
        rect->left = code;
        return Send(LVM_GETSUBITEMRECT, (WPARAM)index, reinterpret_cast<LPARAM>(rect)) != 0;
    }
    int HitTest(LVHITTESTINFO* hit) const { return (int)Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(hit)); }
    int GetTopIndex() const { return (int)Send(LVM_GETTOPINDEX); }
    int GetCountPerPage() const { return (int)Send(LVM_GETCOUNTPERPAGE); }
    bool EnsureVisible(int index, bool partialOk) const {
        return Send(LVM_ENSUREVISIBLE, (WPARAM)index, partialOk ? TRUE : FALSE) != 0;
    }
    bool Scroll(int dx, int dy) const { return Send(LVM_SCROLL, (WPARAM)dx, (LPARAM)dy) != 0; }
    int InsertColumn(int index, const LVCOLUMNA& column) const {
        return (int)Send(LVM_INSERTCOLUMNA, (WPARAM)index, reinterpret_cast<LPARAM>(&column));
    }
    bool GetColumn(int index, LVCOLUMNA* column) const {
        return Send(LVM_GETCOLUMNA, (WPARAM)index, reinterpret_cast<LPARAM>(column)) != 0;
    }
    int GetColumnWidth(int index) const { return (int)Send(LVM_GETCOLUMNWIDTH, (WPARAM)index); }
    bool SetColumnWidth(int index, int width) const {
        return Send(LVM_SETCOLUMNWIDTH, (WPARAM)index, MAKELPARAM(width, 0)) != 0;
    }
    HeaderCtrl GetHeader() const { return HeaderCtrl(reinterpret_cast<HWND>(Send(LVM_GETHEADER))); }
    HIMAGELIST GetImageList(int which) const {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_GETIMAGELIST, (WPARAM)which));
    }
    DWORD GetExtendedStyle() const { return (DWORD)Send(LVM_GETEXTENDEDLISTVIEWSTYLE); }
    void SetExtendedStyle(DWORD mask, DWORD style) const {
        Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, (LPARAM)style);
    }
};

// The edit control.
class EditCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    void SetSel(int start, int end) const { Send(EM_SETSEL, (WPARAM)start, (LPARAM)end); }
    void SelectAll() const { SetSel(0, -1); }
    void ScrollCaret() const { Send(EM_SCROLLCARET); }
    void LimitText(int characters) const { Send(EM_LIMITTEXT, (WPARAM)characters); }
    int GetLimitText() const { return (int)Send(EM_GETLIMITTEXT); }
    void ReplaceSel(const char* text, bool canUndo) const {
        Send(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text));
    }
    bool CanUndo() const { return Send(EM_CANUNDO) != 0; }
    bool Undo() const { return Send(EM_UNDO) != 0; }
};

// The combo box.
class ComboBoxCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    int GetCount() const { return (int)Send(CB_GETCOUNT); }
    // The new entry's index, CB_ERR or CB_ERRSPACE when refused.
    int AddString(const char* text) const {
        return (int)Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    int InsertString(int index, const char* text) const {
        return (int)Send(CB_INSERTSTRING, (WPARAM)index, reinterpret_cast<LPARAM>(text));
    }
    void ResetContent() const { Send(CB_RESETCONTENT); }
    int GetCurSel() const { return (int)Send(CB_GETCURSEL); }
    int SetCurSel(int index) const { return (int)Send(CB_SETCURSEL, (WPARAM)index); }
    LPARAM GetItemData(int index) const { return (LPARAM)Send(CB_GETITEMDATA, (WPARAM)index); }
    bool SetItemData(int index, LPARAM data) const {
        return Send(CB_SETITEMDATA, (WPARAM)index, data) != CB_ERR;
    }
};

// The list box (the report control's sub-item chooser).
class ListBoxCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    int GetCount() const { return (int)Send(LB_GETCOUNT); }
    int AddString(const char* text) const {
        return (int)Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    void ResetContent() const { Send(LB_RESETCONTENT); }
    LPARAM GetItemData(int index) const { return (LPARAM)Send(LB_GETITEMDATA, (WPARAM)index); }
    bool SetItemData(int index, LPARAM data) const {
        return Send(LB_SETITEMDATA, (WPARAM)index, data) != LB_ERR;
    }
};

// The tooltip control.
class ToolTipCtrl : public ControlHandle {
  public:
    using ControlHandle::ControlHandle;
    bool AddTool(const TTTOOLINFOA& tool) const {
        return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    }
    void Pop() const { Send(TTM_POP); }
    void Update() const { Send(TTM_UPDATE); }
};

} // namespace zwin

#endif
