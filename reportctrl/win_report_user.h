// The report control in the user's hands: mouse and keyboard (win_report_input.cpp), the clipboard,
// in-place editing (win_report_edit.cpp) and the accessible object (win_report_access.cpp). The
// window (win_report_ctrl.cpp) hands its messages here first and tells about items that come and go.
#ifndef ZRPC_WIN_REPORT_USER_H
#define ZRPC_WIN_REPORT_USER_H

#include <windows.h>

#include <vector>

#include "include/zrpcreportctrl.h"
#include "reportctrl/model/report_model.h"

namespace zrpc::report {

class ReportUser;
struct AccessibleRows;

// The parts of the control's window the user's side needs (defined in win_report_ctrl.cpp).
struct ReportWindow {
    static ReportModel& Model(CReportCtrl& c);
    static ReportUser& User(CReportCtrl& c);
    static HFONT Font(CReportCtrl& c, bool bold);
    // Scrolls a row (not the edit row) or a display column into view.
    static void ShowRow(CReportCtrl& c, int row);
    static void ShowColumn(CReportCtrl& c, int column);
    // One horizontal scroll step (SB_ code).
    static void HScroll(CReportCtrl& c, int code);
    // The parts of a cell in client coordinates: the whole cell and its text area.
    static bool CellRects(CReportCtrl& c, int row, int column, RECT* cell, RECT* text);
    static int RowHeight(CReportCtrl& c);
    // The control's overridable operations.
    static LRESULT Notify(CReportCtrl& c, RVNMHDR* hdr) { return c.Notify(hdr); }
    static void SelectRows(CReportCtrl& c, int first, int last, bool select, bool keep, bool invert,
                           bool notify) {
        c.SelectRows(first, last, select, keep, invert, notify);
    }
    static CString ItemString(CReportCtrl& c, int iItem, char separator) {
        return c.GetItemString(iItem, separator);
    }
};

class ReportUser {
  public:
    explicit ReportUser(CReportCtrl* owner) : m_ctrl(owner) {}
    ~ReportUser();
    ReportUser(const ReportUser&) = delete;
    ReportUser& operator=(const ReportUser&) = delete;

    // A message of the control; true when handled here (the answer in *result). Some messages are
    // only looked at (an open edit ends first) and go on to the window.
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    // Items that go and come: an open edit follows its item or ends without storing.
    void ItemRemoving(int iItem); // -2: every item
    void ItemInserted(int iItem);
    void ItemCountSet(int nCount);

    // ---- clipboard
    void Copy();

    // ---- in-place editing
    BOOL BeginEdit(int iRow, int iColumn, UINT nKey);
    void EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit);
    // Ends an open edit before a change that moves cells (style, header, horizontal scroll): the
    // built-in editor reports its text as when it loses the focus; a parent's editor is stored.
    void EndOpenEdit();
    HWND EditWindow() const { return m_edit.hwnd; }

    // ---- accessibility
    // The accessible object's answer to WM_GETOBJECT.
    LRESULT GetObject(WPARAM wp, LPARAM lp);
    // Focus and selection events after a change (compares with what was last told).
    void TellChanges();
    void AccessGone();

  private:
    friend struct EditorWindow;
    friend struct AccessibleRows;

    struct EditState {
        HWND hwnd = nullptr;  // the active editor (null: none)
        bool builtIn = false; // our own editor (else the parent's window)
        int item = -2;        // edited item (-1 the edit row)
        int subItem = -1;     // edited sub-item
        bool typed = false;   // the start key came as a typed character
        bool ending = false;  // EndEdit is running
    };

    LRESULT Send(RVNMHDR* hdr, uint32_t code);
    LRESULT SendView(uint32_t code, int iItem, int iSubItem, UINT keys, POINT pt, UINT flags);
    void Mouse(UINT msg, WPARAM wp, LPARAM lp);
    bool KeyDown(UINT vk);
    void Char(UINT ch);
    void ToggleNode(int iItem, UINT keys, POINT pt, UINT flags, bool askFirst);
    void CancelEdit();
    void EditorEnded(_NMRVITEMEDIT* nm);
    void ButtonPressed(HWND editor);

    CReportCtrl* m_ctrl;
    bool m_noCtrlKey = false; // the last key went down without Ctrl
    EditState m_edit;
    // What assistive programs were last told.
    int m_toldFocus = -3;
    std::vector<int> m_toldSelection;
    AccessibleRows* m_access = nullptr;
};

} // namespace zrpc::report

#endif
