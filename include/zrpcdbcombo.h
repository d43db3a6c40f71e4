// CDBVortalComboCtrl: the drop-down list, exported by zrpcfunc.dll, from which the user chooses a
// key-store public key for one of a token's two backup keys.
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_combo.SubclassDlgItem(IDC_BACKUPKEY, hDlg);      // a drop-down list (COMBOBOX) item
//     m_combo.InitControl(token, tokenHandle, eChobKey1);
// The list holds the key store's public keys except the token's own, "(none)" when the token holds
// no such backup key, and "Unknown (%08X)" when it holds one the key store does not know; the key
// the token holds is preselected. Whenever a choice is confirmed (CBN_SELENDOK, which the dialog
// still receives), the chosen key's packet is read from the key store; when IsSelectionValid() is
// true, m_selectedSerial, m_selectedValue and m_selectedKeyData describe the chosen key.
#ifndef ZRPC_DBCOMBO_H
#define ZRPC_DBCOMBO_H

#include <windows.h>

#include "zrpcrecords.h"
#include "zrpctoken.h"
#include "zrpcwnd.h"

class ZRPC_CLASS CDBVortalComboCtrl : public zwin::Window {
  public:
    CDBVortalComboCtrl();
    explicit CDBVortalComboCtrl(_tToken_InfoEx* info);
    virtual ~CDBVortalComboCtrl();

    // Stores the token and the backup key and fills the list; returns 0 or the token's failure
    // code (already shown to the user).
    unsigned long InitControl(ITokenInterface* token, unsigned long tokenId, _eChobKey key);
    // Set when a fill reached the key store.
    BOOL IsControlInitialised() const { return m_initialised; }
    // Set when the key of the current selection was read from the key store.
    BOOL IsSelectionValid() const { return m_selectionValid; }
    // Empties and fills the list again; false when the control was never initialised or the fill
    // failed.
    BOOL Refresh();

    // The chosen key, valid while IsSelectionValid(): its serial (packet bytes 196 to 199), the
    // value of packet bytes 200 to 203 and the key data of packet bytes 204 to 331.
    unsigned long m_selectedSerial;
    unsigned long m_selectedValue;
    unsigned char m_selectedKeyData[128];

  protected:
    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

  private:
    unsigned long Populate();
    void FillChobKeyStructure();

    ITokenInterface* m_token;
    unsigned long m_tokenId;
    _eChobKey m_key;
    _tToken_InfoEx m_info;
    BOOL m_initialised;
    BOOL m_selectionValid;
    BOOL m_infoGiven;
};

#endif
