// CSecureEdit: the single-line edit control for passwords and pass phrases, exported by zrpcfunc.dll.
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_password.SubclassDlgItem(IDC_PASSWORD, hDlg);   // an EDIT item of the dialog
//     m_password.HidePassword(1);
// and later m_password.HashContents(digest) for the SHA-1 digest of what was typed.
//
// The control keeps what was typed in its own memory (locked against paging where the system
// allows it, wiped whenever bytes leave it and when the control goes) and shows one mask character
// (byte 149) per typed character, or the characters themselves until HidePassword is called with a
// non-zero value. Typing appends at the end and backspace deletes at the end; caret movement,
// selection, cut, copy, clear, undo and text set from outside change nothing. A paste appends the
// clipboard's characters of code 32 and above, as typing them would, up to the limit of 256.
#ifndef ZRPC_SECUREEDIT_H
#define ZRPC_SECUREEDIT_H

#include <windows.h>

#include "zrpcstring.h"
#include "zrpcwnd.h"

class ZRPC_CLASS CSecureEdit : public zwin::Window {
  public:
    enum { kLimit = 256, kMaskChar = 149 };

    CSecureEdit();
    virtual ~CSecureEdit();

    // Empties the contents and the window text.
    void Empty();
    // text becomes the typed characters, byte by byte. The copy is the caller's to wipe.
    void GetRealContents(CString& text);
    // Non-zero: show the mask character; 0: show the characters themselves.
    void HidePassword(int hide);
    // The 20-byte SHA-1 digest of the typed bytes.
    void HashContents(unsigned char* digest);

  protected:
    // Rebuilds the window text from the contents (always called with the mask character 149).
    void FillEditControlWithCharForContents(unsigned char mask);
    // Gives the fixed font to the window and redraws it.
    void SetFixedFont();

    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSetFocus(HWND oldFocus);
    void OnLButtonDown(UINT nFlags, POINT point);
    // A paste: the clipboard's printable characters appended as if typed.
    void OnPaste();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateFixedFont();
    bool Append(unsigned char c);
    void SetTextInternal(const char* text);
    void ReleaseWindow();

    unsigned char* m_contents; // kLimit bytes of locked, wiped memory; null when none could be had
    int m_length;
    int m_caret;
    HFONT m_font;
    BOOL m_fontApplied;
    BOOL m_hide;
    BOOL m_fontCreated;
    HFONT m_previousFont; // the window's font before ours, given back with the window
    bool m_locked;        // m_contents is locked against paging
    int m_selfEdit;       // the control is changing its own window text
};

#endif
