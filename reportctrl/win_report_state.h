// The report control's window as its units see it: one state holder (the model, its geometry, the
// fonts and image lists, the window's flags) and the units that read it, each in a file of its own:
// painting and the palette (win_report_paint.cpp), the user's input and the clipboard
// (win_report_input.cpp), the header (win_report_header.cpp; column dragging and the sub-item chooser
// in win_report_drag.cpp), in-place editing (win_report_edit.cpp), the tip window (win_report_tip.cpp)
// and accessibility (win_report_access.cpp). The units read the state; the control above them
// (win_report_ctrl.cpp) makes the model's host, which reaches every unit, and writes once, in
// CReportCtrl::WindowProc, the order in which the units see a message. Every notification leaves
// through the model's one sender and reaches the parent through the control's Notify. Internal to the
// library.
#ifndef ZRPC_WIN_REPORT_STATE_H
#define ZRPC_WIN_REPORT_STATE_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/dpi.h"
#include "base/palette.h"
#include "include/zrpcreportctrl.h"
#include "reportctrl/model/report_geometry.h"
#include "reportctrl/model/report_model.h"
#include "winlayer/win_controls.h"

namespace zrpc::report {

// Where WriteProfile and GetProfile keep their values: the initialisation file when one is named, else
// the registry key under HKEY_CURRENT_USER (default "Software\<program name>"), each section a subkey.
// These are the calling application's profile settings, and so one store serves every control of the
// process (ProcessProfileStore); SetProfileStore changes it for all of them.
class ProfileStore {
  public:
    void Set(const char* registryKey, const char* iniFile);
    bool Write(const char* section, const char* entry, const std::string& value) const;
    std::string Read(const char* section, const char* entry) const;

  private:
    std::string KeyFor(const char* section) const;
    std::string m_registryKey;
    std::string m_iniFile;
};
ProfileStore& ProcessProfileStore();

// How the control's texts are read as characters: the process's code page (win_report_text.cpp).
const TextRules& ProcessTextRules();

// SetLayeredWindowAttributes, looked up at run time in USER32.DLL where the platform has layered
// windows (it and UpdateLayeredWindow are there); null elsewhere (the Windows 9x family).
typedef BOOL(WINAPI* SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
SetLayeredFn LayeredWindowFunction();

} // namespace zrpc::report

struct CReportCtrl::State {
    explicit State(CReportCtrl& owner);
    ~State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // Every unit offers OnMessage: true when it took the message (its answer in *result); most only
    // look and let the message go on.

    // ---- painting: the off-screen buffer, the palette and the background picture (win_report_paint.cpp;
    // the drawing itself is the control's overridable DrawCtrl, DrawRow, DrawItem...)
    class Painter {
      public:
        explicit Painter(State& s) : s(s) {}
        ~Painter();
        void Paint(); // WM_PAINT
        void PrintClient(HDC dc);
        // The palette as the foreground one (the control got the palette focus) or in the background;
        // repaints when the realisation changed entries. True when there is one.
        bool RealisePalette(bool background);
        // Makes the palette anew from the colour table and the background picture; false when it could
        // not be made (an empty table and no picture give no palette, which is no failure).
        bool RebuildPalette();
        bool PaletteBuilt() const { return m_paletteBuilt; }
        // The background picture: a bitmap resource of module; false when it cannot be loaded.
        bool LoadPicture(HMODULE module, const char* name);
        // Tiles the picture over rect, tiles anchored at (x0, y0); false when there is none.
        bool DrawPicture(HDC dc, RECT rect, int x0, int y0) const;
        // The picture again for the window's density (the nearest of the 100, 150 and 200 % pictures of
        // a numbered resource); nothing for a named one or without a picture.
        void ReloadPicture();
        // While painting: whether the control has the focus and whether the system's high-contrast
        // scheme is on (each asked once per paint).
        bool Focused() const;
        bool HighContrast() const;
        void BeginPaintFocus();
        void EndPaintFocus() { m_paintFocus = m_paintContrast = -1; }
        void FreeBuffer();

        // The colours of the row being drawn, which its cells' texts are chosen against: the system's
        // pair for the row's state (plain, selected, selected without focus, disabled) and the
        // caller's background (the item's own colour or the stripe), set aside in high contrast.
        struct RowColours {
            zrpc::palette::Pair system = {0, 0};
            bool hasBack = false;
            COLORREF back = 0;
            bool selected = false;
        };
        // The row's colours as DrawRow works them out; BeginRow keeps them for the cells of the row
        // (DrawText reads them), EndRow forgets them.
        RowColours ColoursOfRow(int iRow, const _RVITEM& whole, bool selected) const;
        void BeginRow(const RowColours& c) {
            m_row = c;
            m_inRow = true;
        }
        void EndRow() { m_inRow = false; }
        // The text colour of a cell of item (its own colour index, -1 none) in the row being drawn.
        COLORREF TextColour(const _RVITEM& item) const;
        // The background a row is filled with.
        static COLORREF BackOf(const RowColours& c) { return c.hasBack ? c.back : c.system.back; }

      private:
        HPALETTE UsePalette(HDC dc) const;
        State& s;
        HDC m_memDC = nullptr;
        HBITMAP m_memBitmap = nullptr;
        HGDIOBJ m_memOld = nullptr;
        SIZE m_memSize = {0, 0};
        HPALETTE m_palette = nullptr;
        bool m_paletteBuilt = true;
        int m_paintFocus = -1;    // while painting: 1 when the control has the focus, else 0
        int m_paintContrast = -1; // while painting: 1 in high contrast, else 0
        RowColours m_row;
        bool m_inRow = false;
        HBITMAP m_picture = nullptr;
        HMODULE m_pictureModule = nullptr; // where a numbered picture came from (reloaded for a density)
        UINT m_pictureId = 0;
        SIZE m_pictureSize = {0, 0};
        std::vector<COLORREF> m_pictureColours; // its colour table (pictures of 256 colours or fewer)
    };

    // ---- the header: its items made from the model's columns, sorting on a click, widths, fitting,
    // the header tip (win_report_header.cpp), column dragging and the sub-item chooser
    // (win_report_drag.cpp)
    class Header {
      public:
        explicit Header(State& s) : s(s) {}
        ~Header();
        bool Create(); // the header window, its subclass and its tip
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        // The header's items anew from the model's shown columns.
        void Sync();
        void ColumnsChanged(); // the model's columns or widths changed
        void UpdateSortMarker();
        // A column flagged to fit its header item takes the width of the item's content (margins,
        // image, sort marker when counted, text), within its limits.
        void FitHeaderItem(int iSubItem);
        // The column becomes as wide as its widest cell, within its limits.
        void FitColumn(int iSubItem);
        // A column order from a drag, applied once the drag is over (or before a profile is written).
        void ApplyPendingOrder();
        void SetChooser(HWND list);
        HWND Chooser() const { return m_chooser.Handle(); }
        void RefreshChooser();

      private:
        static LRESULT CALLBACK HeaderSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                               DWORD_PTR data);
        LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
        // The header's own flat painting: every item in display order, owner-drawn ones handed to the
        // control's parent (WM_DRAWITEM), the others with image, text and sort marker, thin separators
        // between them and a frame around them, in the system's colours at the window's density.
        void PaintHeader(HDC dc, const RECT& area);
        void PaintHeaderItem(HDC dc, int item, const RECT& rc, HIMAGELIST images);
        // The space left of and right of an item's content, and the sort marker's width.
        int HeaderMargin() const;
        int SortMarkerWidth() const;
        bool Notify(NMHDR* nm, LRESULT* result);
        void Recount(); // the total width and what follows from it
        std::string TipText() const;
        int SubItemOf(int headerItem) const { return (int)s.headerWindow.GetItemData(headerItem, -1); }
        // ---- dragging (win_report_drag.cpp)
        static LRESULT CALLBACK DragProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
        static LRESULT CALLBACK DropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
        HWND MakePopup(const char* cls);
        void Press(POINT pt);
        bool Drag(POINT pt);
        bool Drop();
        void CancelDrag();
        void Forget(); // the windows went with the control's

        State& s;
        zwin::ToolTipCtrl m_tips;    // the header's tooltip control
        zwin::ListBoxCtrl m_chooser; // the caller's sub-item chooser
        int m_tipItem = -1;          // header item the tip was last asked for
        std::string m_tip;           // its text, kept while the tooltip shows it
        bool m_inSync = false;       // a width change of our own
        std::vector<int> m_pendingOrder;
        HWND m_dragWnd = nullptr;
        HWND m_dropWnd = nullptr;
        bool m_pressed = false;
        bool m_dragging = false;
        bool m_forgetting = false; // a drag begins: the header lets go of the item it pressed
        int m_dragItem = -1;
        int m_dragTarget = -1; // insertion position among the header items
        int m_dropState = 0;   // 0 header, 1 chooser, 2 kept on the header, -1 elsewhere
        POINT m_pressPoint = {0, 0};
        std::string m_dragText;
        HCURSOR m_dragCursor = nullptr; // none set: the "no" cursor off the header
        int m_pressedItem = -1;         // the item the left button went down on (drawn pressed)
    };

    // ---- the tip window over cells whose text does not fit (win_report_tip.cpp)
    class Tip {
      public:
        explicit Tip(State& s) : s(s) {}
        ~Tip();
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        void Hide();
        HWND Handle() const { return m_tip; }

      private:
        static LRESULT CALLBACK TipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
        void MouseMove(POINT pt, WPARAM keys);
        void FadeStep();
        void Paint(HDC dc);
        State& s;
        HWND m_tip = nullptr;
        RECT m_rect = {0, 0, 0, 0}; // screen
        std::string m_text;
        HFONT m_font = nullptr; // not owned: the control's font, or m_bold
        HFONT m_bold = nullptr; // owned
        COLORREF m_textColour = 0;
        COLORREF m_back = 0;
        int m_item = -2;
        int m_subItem = -1;
        int m_alpha = 0;
        bool m_fading = false;
    };

    // ---- mouse, keyboard and the clipboard (win_report_input.cpp)
    class Input {
      public:
        explicit Input(State& s) : s(s) {}
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        // Puts the selected rows on the clipboard as text.
        void Copy();

      private:
        void Mouse(UINT msg, WPARAM wp, LPARAM lp);
        bool KeyDown(UINT vk);
        void Char(UINT ch);
        void TakeTypedCharacter();
        void ToggleNode(int iItem, UINT keys, POINT pt, UINT flags, bool askFirst);
        State& s;
        bool m_noCtrlKey = false;    // the last key went down without Ctrl
        std::string m_pending;       // the bytes of a typed character that came so far
        wchar_t m_highSurrogate = 0; // the first half of a typed character of two UTF-16 units
    };

    // ---- in-place editing (win_report_edit.cpp)
    class Editor {
      public:
        explicit Editor(State& s) : s(s) {}
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        BOOL BeginEdit(int iRow, int iColumn, UINT nKey);
        // An edit started by a typed character, all of its bytes in the code page (through the
        // control's overridable BeginEdit, whose start key is its first byte).
        void BeginTyped(int iRow, int iColumn, const std::string& character);
        void EndEdit(BOOL bUpdate, _NMRVITEMEDIT* pNMItemEdit);
        // Ends an open edit before a change that moves cells (style, header, horizontal scroll): the
        // built-in editor reports its text as when it loses the focus; a parent's editor is stored.
        void EndOpenEdit();
        HWND Window() const { return m_edit.hwnd; }
        // Items that go and come: an open edit follows its item or ends without storing.
        void ItemRemoving(int iItem); // -2: every item
        void ItemInserted(int iItem);
        void ItemCountSet(int nCount);

      private:
        struct BuiltIn; // the built-in editor's windows
        struct EditState {
            HWND hwnd = nullptr;  // the active editor (null: none)
            bool builtIn = false; // our own editor (else the parent's window)
            int item = -2;        // edited item (-1 the edit row)
            int subItem = -1;     // edited sub-item
            bool ending = false;  // EndEdit is running
        };
        void CancelEdit();
        void EditorEnded(_NMRVITEMEDIT* nm);
        void ButtonPressed(HWND editor);
        State& s;
        EditState m_edit;
        bool m_typed = false;    // the start key came as a typed character
        std::string m_typedText; // that character's bytes
    };

    // ---- assistive programs (win_report_access.cpp)
    class Access {
      public:
        explicit Access(State& s) : s(s) {}
        ~Access();
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        // Focus and selection events after a change (compared with what was last told).
        void TellChanges();

      private:
        struct Rows; // the accessible object: the rows on screen as its children
        void Gone();
        State& s;
        int m_toldFocus = -3;
        std::vector<int> m_toldSelection;
        Rows* m_object = nullptr;
    };

    struct Host; // what the model asks of the window (win_report_ctrl.cpp)

    // ---- what the units share (win_report_state.cpp)
    HWND Hwnd() const { return ctrl.m_hwnd; }
    bool TreeLook() const { return (model.GetStyle() & RVS_TREEMASK) != 0; }
    // The header, the edit row and the list in the client area; both scroll positions re-applied.
    void Layout();
    // The header window at the geometry's header place.
    void PlaceHeader();
    // The scroll bars follow the rows on the next look at the geometry (or the next paint), so that
    // adding many items costs no scroll-bar update per item.
    void RowsChanged();
    void Flush();
    void UpdateScrollBars();
    void SetTop(int row);
    void SetHPos(int pos);
    void VScroll(int code, int thumb);
    void HScroll(int code, int thumb);
    void ScrollToRow(int row, bool partial = false); // scrolled into view (-2: the top; not the edit row)
    // A row went (DeleteItem): the view keeps the row that was on top, else the last page full.
    void KeepTopAfterRemoval(int row);
    // The input focus is in the control: the control itself, or its in-place editor.
    bool HasFocus() const;
    void ShowColumn(int column);
    // Rows first..last to be painted again (-2, -2: every row), or the whole window.
    void RepaintRows(int first, int last);
    void Invalidate();
    // The normal and bold fonts from a font's description; the row height and check box follow.
    void ApplyFont(HFONT source, bool relayout);
    // ---- the screen's density: the sizes the control's own drawing is given in for 96 DPI scaled to
    // the window's DPI (at 96 DPI every size stays exactly as given)
    int Px(int px96) const { return zrpc::ScaleToDpi(px96, dpi); }
    // The density read when the window is made; the default gap (given for 96 DPI) is scaled to it.
    void TakeDpi();
    // The window moved to a screen of another density: fonts, row height, check box, column widths
    // and limits, gap, the horizontal scroll position and the background picture are measured again;
    // the items, selection, focus and top row stay.
    void DpiChanged(UINT newDpi);
    // WM_DPICHANGED (a top-level control: the density in wParam, the place the system suggests in
    // lParam) and WM_DPICHANGED_AFTERPARENT (a child: the window's density once its parent moved).
    void DpiMessage(UINT msg, WPARAM wp, LPARAM lp);
    // A sub-item definition with the default width (a negative width) taken at the window's density:
    // def itself when nothing changes, else a copy in out.
    const _RVSUBITEM* AtDpi(const _RVSUBITEM* def, _RVSUBITEM& out) const;
    // The pixels RVS_ROWLINES adds to a row (its grid line's width).
    int RowLineWidth() const { return Px(1); }
    void FreeFonts();
    // The cells' images and the check images (null: drawn check boxes); the row height follows.
    void SetImageLists(HIMAGELIST images, HIMAGELIST checks);
    int WheelLinesFromRegistry() const;
    // Whether the comparison is the control's own: a derived control that overrides CompareItems
    // sorts through it, any other (whatever its class) with the model's faster keys (same order).
    // NoteOwnComparison runs while the control is being made, when the object is a CReportCtrl.
    void NoteOwnComparison();
    bool CompareOverridden() const;

    CReportCtrl& ctrl;
    zrpc::report::ReportModel model;
    zrpc::report::ReportGeometry geo;
    // What the model asks of the window: made by the control (win_report_ctrl.cpp), since it reaches
    // every unit.
    std::unique_ptr<zrpc::report::ReportHost> host;
    zrpc::report::ProfileStore& profiles;
    zwin::HeaderCtrl headerWindow; // the header control (made by the header unit)
    HFONT font = nullptr;
    HFONT bold = nullptr;
    HIMAGELIST images = nullptr;
    HIMAGELIST checkImages = nullptr;
    int wheelLines = 3;
    UINT dpi = zrpc::kBaseDpi;
    bool redraw = true;
    bool created = false;
    bool scrollStale = false;
    typedef int (*Comparison)(CReportCtrl*, int, int, int, int);
    Comparison ownComparison = nullptr; // CReportCtrl::CompareItems

    // The units, made after the state they read and gone before it.
    Painter painter;
    Header header;
    Tip tip;
    Input input;
    Editor editor;
    Access access;
};

#endif
