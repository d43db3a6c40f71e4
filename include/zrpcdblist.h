// CDBVortalListCtrl: the key-store list, exported by zrpcfunc.dll. For one token it lists the
// token's own public key, its backup keys (checked and greyed: always included) and the public keys
// of the key store, each with a check box the user toggles by clicking the cell or pressing the
// space bar; the key store's comments or e-mail addresses can be shown and edited in place.
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_keys.SubclassDlgItem(IDC_KEYS, hDlg);   // a report-view list view item (SysListView32),
//                                               // with LVS_EDITLABELS where comments are edited
//     m_keys.InitControl(token, tokenHandle, 0x01 | 0x02 | 0x08, FALSE);
//     m_keys.LoadSettings();                    // the checks remembered for this token
// The dialog receives the registered message "WM_CDBVORTALLISTSCTRL_CHECKBOX_CLICKED" (row in
// wParam, column in lParam) whenever the user toggles a check box, and calls SaveSettings() to
// remember the checked key-store keys.
//
// Rows the dialog inserts itself (LVM_INSERTITEM with item data of its own) stay the dialog's: the
// control keeps records only for rows it inserted (its InsertItem members and its own listing), and
// frees only those. Check boxes, colours, the refused label editing and the freeing of records work
// from the moment the object holds the window, before and without InitControl. The sizes of the
// control (column widths, check box, tick, margins) follow the window's DPI, also when the window
// moves to a screen of another DPI; with a high-contrast scheme on, every cell is drawn in the
// system's colours.
#ifndef ZRPC_DBLIST_H
#define ZRPC_DBLIST_H

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "zrpcrecords.h"
#include "zrpctoken.h"
#include "zrpcwnd.h"

enum eCheckState { eCheckNone = -1, eCheckUnchecked = 0, eCheckChecked = 1 };

#pragma pack(push, 1)
// One cell's record; every row owns an array of them, one per column, as its item data.
struct _tCDBVORTALLISTSCTRLDATA {
    BOOL enabled; // column 0 only: a disabled row is grey and cannot be toggled
    COLORREF textColour;
    COLORREF backColour;
    eCheckState checkState; // -1: no check box
    int image;              // column 0: the image index given to InsertItem(const LVITEMA*)
    unsigned long type;     // column 0: 0 own key, 1 and 2 backup keys, 3 key-store key, 255 caller's row
    unsigned long serial;   // column 0: the public key's serial
};
#pragma pack(pop)
static_assert(sizeof(_tCDBVORTALLISTSCTRLDATA) == 28, "cell record");
static_assert(offsetof(_tCDBVORTALLISTSCTRLDATA, checkState) == 12 &&
                  offsetof(_tCDBVORTALLISTSCTRLDATA, serial) == 24,
              "cell record layout");

// List flags of InitControl.
enum : unsigned long {
    DBLIST_TOKEN_KEYS = 0x01,    // the token's own key and its backup keys
    DBLIST_STORE_KEYS = 0x02,    // the key store's public keys (not with own key only)
    DBLIST_NO_TOKEN_ROWS = 0x04, // the token's keys are read but get no rows
    DBLIST_COMMENTS = 0x08,      // column "Comments": the key store's comments, editable
    DBLIST_EMAIL = 0x10,         // column "EMail": the key store's e-mail addresses, editable
    DBLIST_SINGLE_CHOICE = 0x20, // checking a cell first clears every row's check
};

// Row types (column 0's type field).
enum : unsigned long {
    DBLIST_ROW_OWN = 0,
    DBLIST_ROW_BACKUP1 = 1,
    DBLIST_ROW_BACKUP2 = 2,
    DBLIST_ROW_STORE = 3,
    DBLIST_ROW_CALLER = 255
};

class CSubItemEdit;

class ZRPC_CLASS CDBVortalListCtrl : public zwin::Window {
  public:
    CDBVortalListCtrl();
    explicit CDBVortalListCtrl(_tToken_InfoEx* info);
    virtual ~CDBVortalListCtrl();

    // The registered message sent to the parent on every toggle (wParam row, lParam column).
    static UINT CheckboxMessage();

    // Stores token, flags and choice, creates the columns and fills the list. 0 on success; 1 for a
    // missing token or token id, otherwise the failure of reading the token (shown to the user).
    unsigned long InitControl(ITokenInterface* token, unsigned long tokenId, unsigned long flags,
                              int ownKeyOnly);
    // Empties and fills the list again (only once initialised); true when the fill succeeded.
    BOOL Refresh();

    // Rows and cells. A row inserted here gets one record per column; the colours given are column 0's
    // (the other cells keep the control's), set aside while a high-contrast scheme is on.
    int InsertItem(int index, const char* text);
    int InsertItem(int index, const char* text, unsigned long textColour, unsigned long backColour);
    int InsertItem(const LVITEMA* item);
    BOOL DeleteItem(int row);
    int GetColumns();
    BOOL SetCheckbox(int row, int column, eCheckState state);
    int GetCheckbox(int row, int column);
    BOOL GetEnabled(int row);
    BOOL SetEnabled(int row, BOOL enabled);
    void ClearAllChecks();
    int GetCurSel();
    void UpdateSubItem(int row, int column);
    BOOL GetSubItemRect(int row, int column, int area, RECT& rect);
    int HitTestEx(POINT& point, int* column);
    BOOL IsColumnEdit(int row, int column);
    CSubItemEdit* EditSubLabel(int row, int column);
    void AdjustLastColumn();
    void DumpItems();

    // Key listing.
    void FillVortalPublicKeys();
    unsigned long GetChobKeySerial(_eChobKey key, unsigned long* serial);
    void FillDatabasePublicKeys();

    // Checks remembered per token in the registry.
    BOOL GetRegData(void** data, unsigned long* size);
    void MarkStuff(unsigned long* serials, unsigned long size);
    void LoadSettings();
    void SaveSettings();

    // Drawing of one cell.
    void GetDrawColors(int row, int column, unsigned long& text, unsigned long& back);
    void DrawCheckbox(int row, int column, HDC dc, unsigned long text, unsigned long back, RECT& rect,
                      _tCDBVORTALLISTSCTRLDATA* records);
    void DrawTextA(int row, int column, HDC dc, unsigned long text, unsigned long back, RECT& rect,
                   _tCDBVORTALLISTSCTRLDATA* records);

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

  private:
    // The control's working state and the units that read it (internal to the library).
    struct State;

    BOOL IsControlInitialised() const { return m_initialised; }
    unsigned long Populate();
    void ReadColours();
    void RedrawParent();
    _tCDBVORTALLISTSCTRLDATA* Records(int row);
    int RowCount();

    BOOL m_ownKeyOnly;
    BOOL m_initialised;
    ITokenInterface* m_token;
    unsigned long m_tokenId;
    unsigned long m_flags;
    unsigned long m_backupSerial[2];
    COLORREF m_colours[11];
    BOOL m_hasBackupKeys;
    BOOL m_infoGiven;
    _tToken_InfoEx m_info;
    State* m_state;
};

#endif
