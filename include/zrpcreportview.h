// CReportView: a window exported by zrpcfunc.dll that holds one report control filling its client
// area. The control is made with the view (window id 0, visible, a tab stop), follows every size
// change of the view and takes the focus whenever the view gets it. The control's notifications are
// passed on to the view's parent as they arrive. Typical use:
//     m_view.Create(WS_CHILD | WS_VISIBLE, rect, hParent, IDC_VIEW, RVS_STRIPEDROWS);
//     m_view.GetReportCtrl().DefineSubItem(0, &column);
#ifndef ZRPC_REPORTVIEW_H
#define ZRPC_REPORTVIEW_H

#include <windows.h>

#include "zrpcreportctrl.h"
#include "zrpcwnd.h"

class ZRPC_CLASS CReportView : public zwin::Window {
  public:
    CReportView();
    virtual ~CReportView();

    // Creates the view as a window of class "CReportView" and its control with dwReportStyle (the
    // control's RVS_ styles and extra window styles such as WS_VSCROLL). FALSE when either cannot be
    // made.
    BOOL Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID, DWORD dwReportStyle = 0);
    CReportCtrl& GetReportCtrl();

  protected:
    // Makes the control the first time it is called (Create calls it); FALSE when it cannot be made.
    virtual BOOL OnInitialUpdate();
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    CReportCtrl* m_report;
    DWORD m_reportStyle;
    bool m_initialised;
};

#endif
