// CKeyListCtrl: the key list, exported by zrpcfunc.dll. One row per key slot of one token (64, or 1
// for a token of type 4), row r showing slot r: its number and picture, the key's name or state,
// algorithm, length in bits and usage, the default key in bold. It reads the slots through the
// machine-wide encryption key cache and is built on a report control (zrpcreportctrl.h).
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_keys.SubclassDlgItem(IDC_KEYS, hDlg);        // any child window item, e.g. a static
//     m_keys.InitControl(token, tokenHandle, TRUE);  // columns, then the slots
//     m_keys.EnsureKeyListDefaultKeyItemSelected();
// and after a key changed, m_keys.RefreshKeyList(FALSE, TRUE) or RefreshKeyListItem(slot, TRUE).
// A failed read of the token's keys is shown to the user and empties the list. Column widths and
// pictures follow the window's DPI (also when the window moves to a screen of another DPI).
#ifndef ZRPC_KEYLIST_H
#define ZRPC_KEYLIST_H

#include "zrpcrecords.h"
#include "zrpcreportctrl.h"
#include "zrpcstring.h"
#include "zrpctoken.h"

class ZRPC_CLASS CKeyListCtrl : public CReportCtrl {
  public:
    CKeyListCtrl();
    virtual ~CKeyListCtrl();

    // Keeps the token interface (not owned) and handle, asks the token's type (one slot for type 4,
    // else 64), sets the shared images, the styles and the five columns; lists the slots when
    // bRefresh (returning RefreshKeyList's code), else returns 0.
    unsigned long InitControl(ITokenInterface* pToken, unsigned long hToken, int bRefresh);
    // Steps the working dialog when asked, fills the key cache (from the token when bForce) and
    // shows every slot; 0, or the code of the failed fill (shown, and the list emptied).
    unsigned long RefreshKeyList(int bStepWorkingDialog, int bForce);
    // Shows slot iSlot again, read from the token when bForce; the code of that read (bForce when
    // the cache answered).
    unsigned long RefreshKeyListItem(int iSlot, int bForce);
    // Appends a row for the record; the new row's index.
    int InsertKeyListItem(_tToken_Key* pKey);
    // Copies the row's record out; FALSE (nothing copied) when the row has none.
    int GetKeyListItem(int iItem, _tToken_Key* pKey);
    int IsKeyListItemInUse(int iItem);
    // The first row with a used default key; -2 when there is none.
    int GetDefaultKeyListItem();
    void EnsureKeyListItemVisible(int iItem);
    int EnsureKeyListDefaultKeyItemVisible();
    void EnsureKeyListDefaultKeyItemSelected();
    // TRUE when a used slot's name equals strName in its first 16 characters (case-sensitive).
    int IsDuplicateEncryptionKeyName(CString strName);

  protected:
    // Sets the row's copy, texts, pictures and bold state from the record.
    void UpdateKeyListItem(int iItem, _tToken_Key* pKey);
    // Frees every row's copy and deletes all rows.
    void DeleteKeyList();
    // WM_DESTROY: the rows and their copies go with the window.
    void OnDestroy();
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Repaint();
    // Sets the row's texts, pictures and bold state from the record.
    void FillKeyListItem(int iItem, const _tToken_Key& key);
    // Column widths and pictures for the window's DPI.
    void Measure();

    ITokenInterface* m_pToken;
    unsigned long m_hToken;
    int m_nSlots;
    HIMAGELIST m_pictures; // the pictures at the window's DPI when it is not 96, else null
};

#endif
