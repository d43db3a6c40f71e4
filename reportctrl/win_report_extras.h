// The parts of the report control's window beside its rows: the tip window over cells whose text does
// not fit, the background picture, the sub-item chooser and the header's column dragging with its drag
// image and drop marker windows. Internal to the library.
#ifndef ZRPC_WIN_REPORT_EXTRAS_H
#define ZRPC_WIN_REPORT_EXTRAS_H

#include <windows.h>

#include <string>
#include <vector>

#include "include/zrpcreportctrl.h"

class CReportCtrl::Extras {
  public:
    explicit Extras(CReportCtrl* owner) : self(owner) {}
    ~Extras();
    Extras(const Extras&) = delete;
    Extras& operator=(const Extras&) = delete;

    // ---- tip window (win_report_tip.cpp)
    void TipMouseMove(POINT pt, WPARAM keys);
    void HideTip();
    // The fade's next step (every 20 ms until fully opaque).
    void TipFadeStep();
    void PaintTip(HDC dc);

    // ---- header (win_report_header.cpp)
    void AttachHeader(HWND header);
    LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
    bool HeaderNotify(NMHDR* nm, LRESULT* result);
    void FitColumn(int iSubItem);
    // A shown column flagged to fit its header item takes the width of the item's content (margins,
    // image, sort marker when counted, text), within its limits.
    void FitHeaderItem(int iSubItem);
    // The header tip of the item under the pointer: the sort tip with the column text for a column
    // flagged for it, else nothing.
    std::string HeaderTipText();
    void CancelDrag();
    int SubItemOfHeaderItem(int headerItem);
    // Sends a notification when the filter lets its code through; the parent's answer.
    LRESULT Send(RVNMHDR* hdr);

    // Window procedures of the header's subclass, the drag image, the drop marker and the tip.
    static LRESULT CALLBACK HeaderSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                           DWORD_PTR data);
    static LRESULT CALLBACK DragProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK DropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK TipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND MakePopup(const char* cls);

    CReportCtrl* self;

    // tip window
    HWND tip = nullptr;
    RECT tipRect = {0, 0, 0, 0}; // screen
    std::string tipText;
    HFONT tipFont = nullptr; // not owned: the control's font, or tipBold
    HFONT tipBold = nullptr; // owned
    COLORREF tipTextColour = 0;
    COLORREF tipBack = 0;
    int tipItem = -2;
    int tipSubItem = -1;
    int tipAlpha = 0;
    bool tipFading = false;

    // background picture
    HBITMAP bkImage = nullptr;
    SIZE bkSize = {0, 0};
    std::vector<COLORREF> bkColours; // its colour table as stored (pictures of 256 colours or fewer)

    // sub-item chooser
    HWND chooser = nullptr;

    // column dragging in the header
    HWND header = nullptr;
    HWND headerTips = nullptr; // tooltip control of the header
    int headerTipItem = -1;    // header item the tip was last asked for
    std::string headerTip;     // its text, kept while the tooltip shows it
    HWND dragWnd = nullptr;
    HWND dropWnd = nullptr;
    bool pressed = false;
    bool dragging = false;
    int dragItem = -1;
    int dragTarget = -1; // insertion position among the header items
    int dropState = 0;   // 0 header, 1 chooser, 2 kept on the header, -1 elsewhere
    POINT pressPoint = {0, 0};
    std::string dragText;
    HCURSOR dragCursor = nullptr; // none set: the "no" cursor off the header
};

namespace zrpc::report {

// SetLayeredWindowAttributes, looked up at run time in USER32.DLL, when the platform has layered
// windows (it and UpdateLayeredWindow are there); null elsewhere (the Windows 9x family).
typedef BOOL(WINAPI* SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
SetLayeredFn LayeredWindowFunction();

} // namespace zrpc::report

#endif
