// CSecureEdit: the single-line edit control for passwords and pass phrases, exported by zrpcfunc.dll.
//
// A C++ class of the library: a client must be compiled with the mingw-w64 g++ compiler the library
// is built with (see zrpcwnd.h). Typical use on the client's own dialog, in WM_INITDIALOG:
//     m_password.SubclassDlgItem(IDC_PASSWORD, hDlg);   // an EDIT item of the dialog
//     m_password.HidePassword(1);
// and later m_password.HashContents(digest) for the SHA-1 digest of what was typed.
//
// The control keeps what was typed in its own memory (locked against paging where the system
// allows it, wiped whenever bytes leave it and when the control goes), as the bytes of the process's
// code page, and shows one mask character per typed character (the bullet, byte 149 of code page
// 1252; '*' in a code page without a bullet), or the characters themselves until HidePassword is
// called with a non-zero value. The window it takes over receives characters as UTF-16 (typed,
// composed by an input method, pasted); a character the code page cannot hold exactly is refused with
// a beep, as one past the limit of 256 characters is. Typing appends at the end and backspace deletes
// the last character; caret movement, selection, cut, copy, clear, undo and text set from outside
// change nothing; control characters (codes below 32 and DEL) are dropped. A paste appends the
// clipboard's printable characters, as typing them would, up to the limit (nothing when one of them
// has no form in the code page). The fixed font is made for the density (DPI) of the window it is
// given to, and made again when the window moves to a screen of another density.
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
    // text becomes the typed characters, as bytes of the process's code page. The copy is the
    // caller's to wipe.
    void GetRealContents(CString& text);
    // Non-zero: show the mask character; 0: show the characters themselves.
    void HidePassword(int hide);
    // The 20-byte SHA-1 digest of the typed bytes.
    void HashContents(unsigned char* digest);

    // Take over a window (an EDIT item of the caller's dialog) as zwin::Window does, and make it a
    // Unicode window while the control holds it, so that characters reach it as UTF-16 whatever the
    // window was made with; the window goes back as it was (procedure, character set, font).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();

  protected:
    // Rebuilds the window text from the contents (always called with the mask character 149, the
    // bullet of code page 1252, shown as the process's code page has it).
    void FillEditControlWithCharForContents(unsigned char mask);
    // Gives the fixed font, made for the window's density, to the window and redraws it.
    void SetFixedFont();

    // nChar: a UTF-16 unit (the two halves of a surrogate pair arrive one after the other).
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSetFocus(HWND oldFocus);
    void OnLButtonDown(UINT nFlags, POINT point);
    // A paste: the clipboard's printable characters appended as if typed.
    void OnPaste();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateFixedFont(UINT dpi);
    bool TakeCharacter(const wchar_t* units, int count);
    void TakeAnsiByte(unsigned char byte);
    void OnImeComposition(WPARAM wp, LPARAM lp);
    void Remeasure(UINT dpi);
    void SetTextInternal(const wchar_t* text);
    void ReplaceInternal(int from, int to, const wchar_t* text);
    int ShownUnits(int characters) const;
    int CharacterUnits(int index, wchar_t* units) const;
    void MaskShownFrom(int character);
    void WipeWindowText();
    void ForgetWindow();
    void ReleaseWindow();

    unsigned char* m_contents; // one locked, wiped block: the bytes, and per character its byte and
                               // UTF-16 unit counts
    int m_length;              // bytes
    int m_caret;               // characters
    HFONT m_font;
    BOOL m_fontApplied;
    BOOL m_hide;
    BOOL m_fontCreated;
    HFONT m_previousFont;            // the window's font before ours, given back with the window
    bool m_locked;                   // m_contents is locked against paging
    int m_selfEdit;                  // the control is changing its own window text
    UINT m_fontDpi;                  // the density m_font was made for
    HWND m_fontWindow;               // the window m_font was given to
    HWND m_preparedWindow;           // the window whose text the control has set (and whose buffer has room)
    bool m_textShowsChars;           // the window text holds typed characters (hide flag 0), not the mask
    int m_shownCount;                // characters (or masks) the window text holds
    wchar_t m_pendingHigh;           // the first half of a surrogate pair, until its second arrives
    unsigned char m_pendingBytes[4]; // a character of an 8-bit window arriving byte by byte (Create)
    int m_pendingCount;
};

#endif
