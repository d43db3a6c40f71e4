// CSecureEdit: a password edit control that keeps the typed characters in its own locked, wiped
// memory and shows a mask character for each. Window text and contents never differ: every way of
// changing the text other than typing, backspace and paste is refused.
#include <windows.h>

#include "crypto/sha1.h"
#include "base/guard.h"
#include "base/wipe.h"
#include "include/zrpcsecureedit.h"
#include "winlayer/win_controls.h"

namespace {

constexpr DWORD kBlockSize = 4096; // one page holds the whole limit
static_assert(CSecureEdit::kLimit < kBlockSize, "contents fit one block");

// Puts the edit control's caret at position and scrolls it into view.
void ShowCaretAt(HWND hwnd, int position) {
    const zwin::EditCtrl edit(hwnd);
    edit.SetSel(position, position);
    edit.ScrollCaret();
}

// The byte a WM_CHAR stands for in the system's 8-bit character set, or -1 when it has none. The
// window is a Unicode one once it is subclassed, so its characters arrive as UTF-16 units.
int CharByte(HWND hwnd, WPARAM wp) {
    if (!IsWindowUnicode(hwnd)) return static_cast<int>(wp & 0xFF);
    wchar_t w = static_cast<wchar_t>(wp);
    if (w < 0x80) return w;
    char out[4] = {};
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, &w, 1, out, sizeof out, nullptr, &usedDefault);
    if (n != 1 || usedDefault) return -1;
    return static_cast<unsigned char>(out[0]);
}

// Restores a counter on every way out of a scope.
class Raise {
  public:
    explicit Raise(int& counter) : m_counter(counter) { ++m_counter; }
    ~Raise() { --m_counter; }
    Raise(const Raise&) = delete;
    Raise& operator=(const Raise&) = delete;

  private:
    int& m_counter;
};

} // namespace

CSecureEdit::CSecureEdit()
    : m_contents(nullptr), m_length(0), m_caret(0), m_font(nullptr), m_fontApplied(FALSE), m_hide(FALSE),
      m_fontCreated(FALSE), m_previousFont(nullptr), m_locked(false), m_selfEdit(0) {
    void* block = VirtualAlloc(nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block) {
        m_contents = static_cast<unsigned char*>(block);
        // Kept out of the paging file where the process's working set allows it.
        m_locked = VirtualLock(block, kBlockSize) != FALSE;
    }
    m_fontCreated = CreateFixedFont() ? TRUE : FALSE;
}

CSecureEdit::~CSecureEdit() {
    zrpc::GuardVoid([this] { ReleaseWindow(); });
    if (m_contents) {
        zrpc::Wipe(m_contents, kBlockSize);
        if (m_locked) VirtualUnlock(m_contents, kBlockSize);
        VirtualFree(m_contents, 0, MEM_RELEASE);
        m_contents = nullptr;
    }
    m_length = m_caret = 0;
    if (m_font) DeleteObject(m_font);
    m_font = nullptr;
}

void CSecureEdit::ReleaseWindow() {
    if (!m_hwnd) return;
    // A window taken over from the caller goes back with the caller's font, since ours is deleted.
    if (m_fontApplied) zwin::EditCtrl(m_hwnd).SetFont(m_previousFont, false);
    DestroyWindow();
}

bool CSecureEdit::CreateFixedFont() {
    m_font = CreateFontA(-20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Lucida Console");
    return m_font != nullptr;
}

void CSecureEdit::Empty() {
    zrpc::GuardVoid([this] {
        if (m_hwnd) SetTextInternal("");
        m_caret = 0;
        if (m_contents) zrpc::Wipe(m_contents, kLimit);
        m_length = 0;
    });
}

void CSecureEdit::GetRealContents(CString& text) {
    zrpc::GuardVoid([&] {
        if (m_contents && m_length > 0)
            text = CString(reinterpret_cast<const char*>(m_contents), m_length);
        else
            text = CString();
    });
}

void CSecureEdit::HidePassword(int hide) {
    zrpc::GuardVoid([&] {
        m_hide = hide;
        if (m_hwnd) FillEditControlWithCharForContents(kMaskChar);
    });
}

void CSecureEdit::HashContents(unsigned char* digest) {
    if (!digest) return;
    _tSHA_Context context;
    zrpc::Sha1Init(&context);
    if (m_contents && m_length > 0) zrpc::Sha1Update(&context, m_contents, static_cast<size_t>(m_length));
    const uint8_t* result = zrpc::Sha1Final(&context);
    for (int i = 0; i < 20; ++i)
        digest[i] = result[i];
    // The context's block still holds the last bytes of the contents.
    zrpc::Wipe(&context, sizeof context);
}

void CSecureEdit::SetTextInternal(const char* text) {
    Raise self(m_selfEdit);
    SetWindowTextA(m_hwnd, text);
}

void CSecureEdit::FillEditControlWithCharForContents(unsigned char mask) {
    if (!m_hwnd) return;
    if (!m_fontCreated) m_fontCreated = CreateFixedFont() ? TRUE : FALSE;
    if (m_fontCreated && !m_fontApplied) {
        SetFixedFont();
        m_fontApplied = TRUE;
    }
    zwin::EditCtrl(m_hwnd).SetRedraw(false);
    char text[kLimit + 1];
    int n = m_contents ? m_length : 0;
    for (int i = 0; i < n; ++i)
        text[i] = static_cast<char>(m_hide ? mask : m_contents[i]);
    text[n] = 0;
    SetTextInternal(text);
    zrpc::Wipe(text, sizeof text);
    ShowCaretAt(m_hwnd, static_cast<int>(m_caret));
    zwin::EditCtrl(m_hwnd).SetRedraw(true);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSecureEdit::SetFixedFont() {
    if (!m_hwnd || !m_font) return;
    const zwin::EditCtrl edit(m_hwnd);
    m_previousFont = edit.GetFont();
    edit.SetFont(m_font, true);
}

bool CSecureEdit::Append(unsigned char c) {
    if (!m_contents || m_length >= kLimit) return false;
    m_contents[m_length++] = c;
    m_caret = m_length;
    return true;
}

void CSecureEdit::OnChar(UINT nChar, UINT, UINT) {
    if (m_caret >= kLimit || !m_contents) {
        MessageBeep(MB_OK);
        return;
    }
    unsigned char c = static_cast<unsigned char>(nChar);
    if (c >= 32 && Append(c)) FillEditControlWithCharForContents(kMaskChar);
    ShowCaretAt(m_hwnd, static_cast<int>(m_caret));
}

void CSecureEdit::OnKeyDown(UINT nChar, UINT, UINT) {
    switch (nChar) {
    case VK_BACK:
        if (m_length > 0 && m_contents) {
            --m_caret;
            --m_length;
            m_contents[m_length] = 0;
            zrpc::Wipe(m_contents + m_length, 1);
        }
        FillEditControlWithCharForContents(kMaskChar);
        return;
    case VK_RETURN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
        return;
    default:
        Default();
    }
}

void CSecureEdit::OnKeyUp(UINT nChar, UINT, UINT) {
    if (nChar == VK_CAPITAL) return;
    Default();
}

void CSecureEdit::OnSetFocus(HWND) {
    Default();
    ShowCaretAt(m_hwnd, 65535);
}

void CSecureEdit::OnLButtonDown(UINT, POINT) {
    SetFocus(m_hwnd);
}

void CSecureEdit::OnPaste() {
    if (!OpenClipboard(m_hwnd)) return;
    HANDLE data = GetClipboardData(CF_TEXT);
    const unsigned char* text = data ? static_cast<const unsigned char*>(GlobalLock(data)) : nullptr;
    bool changed = false, full = false;
    if (text) {
        SIZE_T size = GlobalSize(data);
        for (SIZE_T i = 0; i < size && text[i]; ++i) {
            if (text[i] < 32) continue; // control characters are dropped, as when typed
            if (!Append(text[i])) {
                full = true;
                break;
            }
            changed = true;
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (full) MessageBeep(MB_OK);
    if (changed) FillEditControlWithCharForContents(kMaskChar);
}

LRESULT CSecureEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_UNICHAR:
        if (wp == UNICODE_NOCHAR) return TRUE; // yes, the control takes WM_UNICHAR
        if (wp > 0xFFFF) return 0;             // outside every 8-bit character set
        [[fallthrough]];
    case WM_IME_CHAR: // the edit control would insert these itself, behind the contents' back
    case WM_CHAR: {
        int c = CharByte(m_hwnd, wp);
        if (c >= 0) OnChar(static_cast<UINT>(c), LOWORD(lp), HIWORD(lp));
        return 0;
    }
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Backspace is the edit control's own undo.
        if (wp == VK_BACK) return 0;
        return Default();
    case WM_KEYUP:
        OnKeyUp(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        OnLButtonDown(static_cast<UINT>(wp), p);
        return 0;
    }
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wp));
        return 0;
    case WM_SETTEXT:
    case EM_REPLACESEL:
        // Only the control itself changes its text: anything else would part it from the contents.
        if (m_selfEdit) return Default();
        return msg == WM_SETTEXT ? FALSE : 0;
    case WM_PASTE:
        OnPaste();
        return 0;
    case WM_CUT:
    case WM_COPY:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_CANUNDO:
        return 0;
    default:
        return Default();
    }
}
