// CVortalListCtrl: the token list, exported by zrpcfunc.dll. One row per token attached to the
// machine (the last one the token component enumerates comes first), with the token's picture, name,
// serial number and status, on a report control (zrpcreportctrl.h).
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_tokens.SubclassDlgItem(IDC_TOKENS, hDlg);   // any child window item, e.g. a static
//     m_tokens.InitControl(token, TRUE);            // columns, then the tokens
// and later m_tokens.RefreshVortalList() when tokens come and go. Each row's item data points to a
// copy of the token's _tZRPKeyFindInfo that the control owns (read it, never free it). Column widths
// and pictures follow the window's DPI (also when the window moves to a screen of another DPI).
#ifndef ZRPC_TOKENLIST_H
#define ZRPC_TOKENLIST_H

#include "zrpcrecords.h"
#include "zrpcreportctrl.h"
#include "zrpctoken.h"

class ZRPC_CLASS CVortalListCtrl : public CReportCtrl {
  public:
    CVortalListCtrl();
    virtual ~CVortalListCtrl();

    // Keeps the token interface (not owned), sets the shared images, the styles and the three
    // columns; lists the tokens when bRefresh (and returns what RefreshVortalList returns), else 0.
    unsigned long InitControl(ITokenInterface* pToken, int bRefresh);
    int IsControlInitialised();
    // Lists the tokens again. 2 when no token was found, else the code of closing the enumeration.
    unsigned long RefreshVortalList();
    // The type of the row's token, 0xFFFFFFFF when the row has none.
    unsigned long GetVortalType(int iItem);

  protected:
    // Frees every row's copy and deletes all rows.
    void DeleteVortalList();
    // WM_DESTROY: the rows and their copies go with the window.
    void OnDestroy();
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    struct TokenType {
        unsigned long handle;
        unsigned long type;
    };
    void AddTokenType(unsigned long handle, unsigned long type);
    void FitLastColumn();
    // Column widths and pictures for the window's DPI.
    void Measure();

    ITokenInterface* m_pToken;
    TokenType* m_types; // in enumeration order, grown 10 at a time
    int m_typeCount;
    int m_typeCapacity;
    int m_bInitialised;
    HIMAGELIST m_pictures; // the pictures at the window's DPI when it is not 96, else null
};

#endif
