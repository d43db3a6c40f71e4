// The key-store list as its units see it: one state holder over the control, read by units that each
// have a file of their own: the rows' records and which item data are the control's
// (win_db_list_rows.cpp, with the row and cell operations), the columns at the window's density
// (win_db_list_layout.cpp), the painting of cells, check boxes and ticks in readable colours
// (win_db_list_paint.cpp), the user's clicks and keys (win_db_list_input.cpp) and in-place editing
// (win_db_list_edit.cpp). Listing the token's and the key store's keys and the checks remembered in the
// registry are the control's own operations (win_db_list_keys.cpp). The control (win_db_list.cpp)
// writes once, in CDBVortalListCtrl::WindowProc and OnReflect, the order in which the units see a
// message. Internal to the library.
#ifndef ZRPC_UI_WIN_DB_LIST_STATE_H
#define ZRPC_UI_WIN_DB_LIST_STATE_H

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <set>
#include <string>

#include "base/palette.h"
#include "include/zrpcdblist.h"
#include "keystore/store_doc.h"
#include "winlayer/win_controls.h"

namespace zrpc::dblist {

// The key store's bound for a comment or an e-mail address (without the terminator).
constexpr size_t kTextLimit = zks::kMaxNoteLength;

// The control's eleven system colours, in the order the control keeps them.
enum Colour {
    kFace,
    kHighlight3D,
    kShadow,
    kFace2,
    kShadow2,
    kButtonText,
    kGreyText,
    kHighlight,
    kHighlightText,
    kWindow,
    kWindowText,
    kColourCount
};
extern const int kColourIndex[kColourCount];

inline zwin::ListViewCtrl View(HWND list) {
    return zwin::ListViewCtrl(list);
}

// A cell's text into buffer (empty when the cell has none).
inline void CellText(HWND list, int row, int column, char* buffer, size_t size) {
    buffer[0] = 0;
    View(list).GetItemText(row, column, buffer, static_cast<int>(size));
}

// A column's justification (LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER).
int ColumnJustify(HWND list, int column);

std::string SerialText(unsigned long serial);

} // namespace zrpc::dblist

struct CDBVortalListCtrl::State {
    explicit State(CDBVortalListCtrl& owner)
        : ctrl(owner), records(*this), layout(*this), painter(*this), input(*this), editor(*this) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    HWND Hwnd() const { return ctrl.m_hwnd; }

    // ---- the rows' records (win_db_list_rows.cpp). A row inserted by the control carries an array of
    // records, one per column, as its item data; the control keeps the set of arrays it made, so that
    // item data of the caller's own rows are never taken for records, nor freed.
    class Records {
      public:
        explicit Records(State& s) : s(s) {}
        ~Records() { FreeAll(); }
        // An array of count records (at least one) with the defaults, the colours text and back being
        // the control's own at this moment. Null when out of memory.
        _tCDBVORTALLISTSCTRLDATA* Make(int count, COLORREF text, COLORREF back);
        // Frees an array the control made; anything else is left alone.
        void Free(_tCDBVORTALLISTSCTRLDATA* cells);
        bool Owns(LPARAM data) const;
        // The records of a row; null for a row without them or with the caller's own item data.
        _tCDBVORTALLISTSCTRLDATA* Of(int row) const;
        // The number of records of an array the control made.
        static int Count(const _tCDBVORTALLISTSCTRLDATA* cells);
        // Whether a cell's text or background colour is one given by the caller (a colour other than
        // the control's own when the row was inserted).
        static bool CallerText(const _tCDBVORTALLISTSCTRLDATA* cells, int column);
        static bool CallerBack(const _tCDBVORTALLISTSCTRLDATA* cells, int column);
        // Inserts a row at index with new records (one per column of columns), column 0 in the
        // colours given; the row, or -1 with nothing inserted.
        int InsertRow(int index, const char* text, int columns, COLORREF textColour, COLORREF backColour,
                      _tCDBVORTALLISTSCTRLDATA** cells);
        // The window is given back: the control's rows lose their item data, every array is freed.
        void DetachAll();
        void FreeAll();

      private:
        State& s;
        std::set<const void*> m_blocks; // the arrays the control made and has not freed
    };

    // ---- the columns at the window's density (win_db_list_layout.cpp)
    class Layout {
      public:
        explicit Layout(State& s) : s(s) {}
        // "Name", "Serial" and the note columns the flags ask for, sized for the window's DPI.
        void CreateColumns();
        // The last column fills the control.
        void AdjustLastColumn();
        // WM_DPICHANGED, WM_DPICHANGED_AFTERPARENT: the columns keep their share of the control at the
        // new density; rows, selection, focus and scrolling stay as they are.
        void DpiChanged();

      private:
        State& s;
        UINT m_dpi = 0; // the density the columns were last sized for; 0 before the control made them
    };

    // ---- cells, check boxes and ticks (win_db_list_paint.cpp)
    class Painter {
      public:
        explicit Painter(State& s) : s(s) {}
        // NM_CUSTOMDRAW, reflected.
        LRESULT CustomDraw(NMLVCUSTOMDRAW* draw);
        // A cell's colours before selection: the cell's own (column 0 the caller's when given), the
        // disabled row's and control's greys, the system's alone in high contrast, the text always
        // readable on the background.
        zrpc::palette::Pair CellColours(int row, int column, const _tCDBVORTALLISTSCTRLDATA* cells) const;
        void Checkbox(int row, int column, HDC dc, COLORREF text, COLORREF back, const RECT& rect,
                      const _tCDBVORTALLISTSCTRLDATA* records);
        void Text(int row, int column, HDC dc, COLORREF text, COLORREF back, const RECT& rect);

      private:
        State& s;
    };

    // ---- clicks, the space bar and the double click (win_db_list_input.cpp)
    class Input {
      public:
        explicit Input(State& s) : s(s) {}
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
        // Toggles a cell's check box and tells the parent; nothing for a cell without one.
        void Toggle(int row, int column);

      private:
        State& s;
        int m_focusBeforeClick = -1; // the focused row before the last button press, for the double click
    };

    // ---- in-place editing (win_db_list_edit.cpp)
    class Editor {
      public:
        explicit Editor(State& s) : s(s) {}
        // The list view's label-editing notifications, reflected.
        bool OnNotify(NMHDR* header, LRESULT* result);

      private:
        void EndLabelEdit(const NMLVDISPINFOA* info);
        State& s;
    };

    CDBVortalListCtrl& ctrl;
    bool reflecting = false; // the parent hands the list view's notifications back
    Records records;
    Layout layout;
    Painter painter;
    Input input;
    Editor editor;
};

#endif
