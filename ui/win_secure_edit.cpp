// CSecureEdit: a password edit control that keeps the typed characters in its own locked, wiped
// memory and shows a mask character for each. Window text and contents never differ: every way of
// changing the text other than typing (keyboard or input method), backspace and paste is refused.
//
// The window is a Unicode one (the subclass procedure is), so characters arrive as UTF-16 and are kept
// as the bytes of the process's code page; one that the code page cannot hold is refused. The system
// edit control only ever holds the mask, or in show mode the characters themselves: it is never handed
// a text that replaces the characters at once (the edit control keeps a freed copy of what it
// replaces), and they are overwritten one by one before it lets its text go.
#include <windows.h>
#include <imm.h>

#include <string>

#include "base/guard.h"
#include "base/win_codepage.h"
#include "base/wipe.h"
#include "crypto/sha1.h"
#include "include/zrpcsecureedit.h"
#include "winlayer/win_controls.h"
#include "winlayer/win_dpi.h"
#include "winlayer/win_window.h"

namespace {

constexpr DWORD kBlockSize = 4096; // one page holds the whole limit
constexpr int kMaxCharBytes = 4;   // the longest character of any code page (UTF-8, GB 18030)
constexpr int kBytesSize = CSecureEdit::kLimit * kMaxCharBytes;
constexpr int kCountsOffset = kBytesSize;                         // then one byte count per character
constexpr int kUnitsOffset = kCountsOffset + CSecureEdit::kLimit; // and its UTF-16 unit count (1 or 2)
constexpr int kMaxUnits = CSecureEdit::kLimit * 2;                // every character a surrogate pair
constexpr int kFontHeight = -20;                                  // at 96 DPI
static_assert(kUnitsOffset + CSecureEdit::kLimit <= static_cast<int>(kBlockSize), "contents fit one block");

// The procedure behind the shim, as a Unicode caller calls it (the system translates the messages),
// and as the window had it, to give it back.
const wchar_t kBehindProperty[] = L"ZRPCSecureEdit.Behind";
const wchar_t kOwnProperty[] = L"ZRPCSecureEdit.OwnProc";

// In front of the procedure of a window made as an 8-bit (ANSI) one while a control holds it: the
// window is a Unicode one, its characters arrive as UTF-16, and the procedures behind get every
// message in the form they were made for.
LRESULT CALLBACK UnicodeShim(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC behind = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kBehindProperty));
    LRESULT result = behind ? CallWindowProcW(behind, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kBehindProperty);
        RemovePropW(hwnd, kOwnProperty);
    }
    return result;
}

// Makes an 8-bit window a Unicode one (true when it is one now).
bool MakeUnicode(HWND hwnd) {
    if (IsWindowUnicode(hwnd)) return true;
    const LONG_PTR own = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    const LONG_PTR behind = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    if (!own || !behind || !SetPropW(hwnd, kBehindProperty, reinterpret_cast<HANDLE>(behind)) ||
        !SetPropW(hwnd, kOwnProperty, reinterpret_cast<HANDLE>(own))) {
        RemovePropW(hwnd, kBehindProperty);
        return false;
    }
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UnicodeShim));
    return IsWindowUnicode(hwnd) != FALSE;
}

// Gives the window its own procedure back when the shim is still in front (a procedure set in front
// of it later keeps it, and it keeps passing every message on).
void RestoreAnsi(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return;
    HANDLE own = GetPropW(hwnd, kOwnProperty);
    if (!own || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(UnicodeShim)) return;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    RemovePropW(hwnd, kBehindProperty);
    RemovePropW(hwnd, kOwnProperty);
}

// Puts the edit control's caret at position and scrolls it into view.
void ShowCaretAt(HWND hwnd, int position) {
    const zwin::EditCtrl edit(hwnd);
    edit.SetSel(position, position);
    edit.ScrollCaret();
}

// The end of the window text, in UTF-16 units (of a text the control has not set).
int TextEnd(HWND hwnd) {
    return GetWindowTextLengthW(hwnd);
}

bool IsHigh(wchar_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(wchar_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Codes below 32 (tab, enter, escape, the clipboard shortcuts) and DEL (Ctrl+Backspace) are no
// password characters.
bool IsControl(wchar_t u) {
    return u < 32 || u == 0x7F;
}

// The mask character of the window text: the character the given byte is in code page 1252 (149, the
// bullet), when the process's code page has it; else '*', which every code page has.
wchar_t MaskUnit(unsigned char mask) {
    wchar_t unit = 0;
    const char byte = static_cast<char>(mask);
    if (MultiByteToWideChar(1252, 0, &byte, 1, &unit, 1) != 1 || IsControl(unit)) return L'*';
    std::string bytes;
    return zrpc::AnsiCharFromWide(&unit, 1, bytes) ? unit : L'*';
}

// The input-method functions, taken from imm32 where the system has it (it is loaded with user32
// wherever input methods exist).
struct Imm {
    using GetContext = HIMC(WINAPI*)(HWND);
    using ReleaseContext = BOOL(WINAPI*)(HWND, HIMC);
    using GetString = LONG(WINAPI*)(HIMC, DWORD, LPVOID, DWORD);
    GetContext getContext = nullptr;
    ReleaseContext releaseContext = nullptr;
    GetString getString = nullptr;
    Imm() {
        HMODULE imm = GetModuleHandleA("imm32.dll");
        if (!imm) imm = LoadLibraryA("imm32.dll");
        if (!imm) return;
        getContext =
            reinterpret_cast<GetContext>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")));
        releaseContext = reinterpret_cast<ReleaseContext>(
            reinterpret_cast<void*>(GetProcAddress(imm, "ImmReleaseContext")));
        getString = reinterpret_cast<GetString>(
            reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetCompositionStringW")));
    }
    bool Usable() const { return getContext && releaseContext && getString; }
};

const Imm& ImmFunctions() {
    static const Imm imm;
    return imm;
}

// Whether a window is alive and shows font.
bool Shows(HWND hwnd, HFONT font) {
    return hwnd && font && IsWindow(hwnd) &&
           reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)) == font;
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

// A UTF-16 text on the stack, wiped when it goes.
struct WideText {
    wchar_t units[kMaxUnits + 1];
    int length = 0;
    WideText() { units[0] = 0; }
    ~WideText() { zrpc::Wipe(units, sizeof units); }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
};

} // namespace

CSecureEdit::CSecureEdit()
    : m_contents(nullptr), m_length(0), m_caret(0), m_font(nullptr), m_fontApplied(FALSE), m_hide(FALSE),
      m_fontCreated(FALSE), m_previousFont(nullptr), m_locked(false), m_selfEdit(0), m_fontDpi(0),
      m_fontWindow(nullptr), m_preparedWindow(nullptr), m_textShowsChars(false), m_shownCount(0),
      m_pendingHigh(0), m_pendingBytes(), m_pendingCount(0) {
    void* block = VirtualAlloc(nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block) {
        m_contents = static_cast<unsigned char*>(block);
        // Kept out of the paging file where the process's working set allows it.
        m_locked = VirtualLock(block, kBlockSize) != FALSE;
    }
    m_fontCreated = CreateFixedFont(zrpc::kBaseDpi) ? TRUE : FALSE;
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
    m_pendingHigh = 0;
    zrpc::Wipe(m_pendingBytes, sizeof m_pendingBytes);
    if (m_font) DeleteObject(m_font);
    m_font = nullptr;
}

void CSecureEdit::ReleaseWindow() {
    if (!m_hwnd) return;
    // A window taken over from the caller goes back with the caller's font, since ours is deleted.
    if (m_fontApplied && m_fontWindow == m_hwnd) zwin::EditCtrl(m_hwnd).SetFont(m_previousFont, false);
    ForgetWindow();
    HWND hwnd = m_hwnd;
    DestroyWindow();
    RestoreAnsi(hwnd);
}

void CSecureEdit::ForgetWindow() {
    m_fontApplied = FALSE;
    m_fontWindow = nullptr;
    m_previousFont = nullptr;
    m_preparedWindow = nullptr;
    m_textShowsChars = false;
    m_shownCount = 0;
}

bool CSecureEdit::SubclassWindow(HWND hwnd) {
    return zrpc::Guard(false, [&] {
        if (m_hwnd || !IsWindow(hwnd) || zwin::FromHandle(hwnd)) return false;
        const bool wasUnicode = IsWindowUnicode(hwnd) != FALSE;
        if (!MakeUnicode(hwnd)) return false;
        if (zwin::Window::SubclassWindow(hwnd)) return true;
        if (!wasUnicode) RestoreAnsi(hwnd);
        return false;
    });
}

bool CSecureEdit::SubclassDlgItem(UINT id, HWND parent) {
    HWND item = parent ? GetDlgItem(parent, static_cast<int>(id)) : nullptr;
    return item && SubclassWindow(item);
}

HWND CSecureEdit::UnsubclassWindow() {
    return zrpc::Guard<HWND>(nullptr, [&]() -> HWND {
        if (!m_hwnd) return nullptr;
        if (m_fontApplied && m_fontWindow == m_hwnd) zwin::EditCtrl(m_hwnd).SetFont(m_previousFont, false);
        ForgetWindow();
        HWND hwnd = zwin::Window::UnsubclassWindow();
        RestoreAnsi(hwnd);
        return hwnd;
    });
}

bool CSecureEdit::CreateFixedFont(UINT dpi) {
    HFONT font =
        CreateFontA(zrpc::ScaleToDpi(kFontHeight, dpi), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Lucida Console");
    if (!font) return false;
    HFONT old = m_font;
    m_font = font;
    m_fontDpi = dpi;
    if (!old) return true;
    // The font belongs to the window it was given to: that window gets the new one when it is ours
    // still, its own font back when it is not (left by a direct UnsubclassWindow), before the old goes.
    if (Shows(m_fontWindow, old)) {
        if (m_fontWindow == m_hwnd) {
            zwin::EditCtrl(m_hwnd).SetFont(font, true);
        } else {
            zwin::EditCtrl(m_fontWindow).SetFont(m_previousFont, false);
            m_fontWindow = nullptr;
            m_fontApplied = FALSE;
        }
    }
    DeleteObject(old);
    return true;
}

void CSecureEdit::Empty() {
    zrpc::GuardVoid([this] {
        if (m_hwnd) {
            WipeWindowText();
            SetTextInternal(L"");
            m_shownCount = 0;
        }
        m_caret = 0;
        if (m_contents) zrpc::Wipe(m_contents, kBlockSize);
        m_length = 0;
        m_pendingHigh = 0;
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

void CSecureEdit::SetTextInternal(const wchar_t* text) {
    Raise self(m_selfEdit);
    SetWindowTextW(m_hwnd, text);
}

void CSecureEdit::ReplaceInternal(int from, int to, const wchar_t* text) {
    Raise self(m_selfEdit);
    SendMessageW(m_hwnd, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
    SendMessageW(m_hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// The UTF-16 units the first characters of the window text take.
int CSecureEdit::ShownUnits(int characters) const {
    if (!m_textShowsChars) return characters;
    int units = 0;
    for (int i = 0; i < characters; ++i)
        units += m_contents[kUnitsOffset + i];
    return units;
}

// The UTF-16 form of character index of the contents (its bytes starting where the ones before end);
// the number of units written (1 or 2), 0 when there is no such character.
int CSecureEdit::CharacterUnits(int index, wchar_t* units) const {
    if (!m_contents || index < 0 || index >= m_caret) return 0;
    int offset = 0;
    for (int i = 0; i < index; ++i)
        offset += m_contents[kCountsOffset + i];
    const int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(m_contents + offset),
                                      m_contents[kCountsOffset + index], units, 2);
    return n > 0 ? n : 0;
}

// Replaces the characters the window text shows from a character on with one mask each, the last
// first, a character per change: a copy the edit control makes of what it replaces, or of what it is
// handed, never holds more than one typed character.
void CSecureEdit::MaskShownFrom(int character) {
    if (!m_textShowsChars || !m_contents) return;
    const wchar_t mask[2] = {MaskUnit(kMaskChar), 0};
    int end = ShownUnits(m_shownCount);
    for (int i = m_shownCount - 1; i >= character; --i) {
        const int units = m_contents[kUnitsOffset + i];
        ReplaceInternal(end - units, end, mask);
        end -= units;
        m_contents[kUnitsOffset + i] = 1;
    }
}

// Overwrites the typed characters the window text holds with the mask (before the edit control frees
// its text, which it does without overwriting it).
void CSecureEdit::WipeWindowText() {
    if (!m_hwnd || m_preparedWindow != m_hwnd || !m_textShowsChars) return;
    MaskShownFrom(0);
    m_textShowsChars = false;
}

void CSecureEdit::FillEditControlWithCharForContents(unsigned char mask) {
    if (!m_hwnd) return;
    // The font, made for the window's density, once per window.
    const UINT dpi = zrpc::WindowDpi(m_hwnd);
    if (m_fontApplied && m_fontWindow == m_hwnd) {
        if (dpi != m_fontDpi) Remeasure(dpi);
    } else {
        if ((!m_fontCreated || m_fontDpi != dpi) && CreateFixedFont(dpi)) m_fontCreated = TRUE;
        if (m_fontCreated) {
            SetFixedFont();
            m_fontApplied = TRUE;
        }
    }
    const zwin::EditCtrl edit(m_hwnd);
    edit.SetRedraw(false);
    const wchar_t maskUnit = MaskUnit(mask);
    if (m_preparedWindow != m_hwnd) {
        // The caller's text goes; the edit control's buffer grows to the longest text at once, while it
        // holds no typed character, so that it is never moved (the old block freed) with one in it.
        // A limit the caller set below the control's own would cut what the control shows.
        if (edit.GetLimitText() < kMaxUnits) edit.LimitText(kMaxUnits);
        WideText room;
        for (int i = 0; i < kMaxUnits; ++i)
            room.units[i] = maskUnit;
        room.units[kMaxUnits] = 0;
        SetTextInternal(room.units);
        SetTextInternal(L"");
        m_preparedWindow = m_hwnd;
        m_textShowsChars = false;
        m_shownCount = 0;
    }

    const int count = m_contents ? m_caret : 0;
    const bool showChars = !m_hide && count > 0;
    if (!showChars) {
        // The mask alone, set at once: what the edit control copies of the mask is no secret.
        WipeWindowText();
        WideText masks;
        for (int i = 0; i < count; ++i)
            masks.units[i] = maskUnit;
        masks.units[count] = 0;
        SetTextInternal(masks.units);
    } else {
        // The characters change only at the end: what the window shows of them stays, the rest is
        // masked, deleted, and the new characters appended one at a time.
        const int keep = m_textShowsChars ? (m_shownCount < count ? m_shownCount : count) : 0;
        MaskShownFrom(keep);
        const int keptUnits = ShownUnits(keep);
        ReplaceInternal(keptUnits, keptUnits + (m_shownCount - keep), L"");
        wchar_t one[3] = {};
        int at = keptUnits;
        for (int i = keep; i < count; ++i) {
            int units = CharacterUnits(i, one);
            if (units == 0) one[units++] = maskUnit;
            one[units] = 0;
            m_contents[kUnitsOffset + i] = static_cast<unsigned char>(units);
            ReplaceInternal(at, at, one);
            at += units;
        }
        zrpc::Wipe(one, sizeof one);
    }
    m_textShowsChars = showChars;
    m_shownCount = count;
    ShowCaretAt(m_hwnd, ShownUnits(count));
    edit.SetRedraw(true);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSecureEdit::SetFixedFont() {
    if (!m_hwnd || !m_font) return;
    const zwin::EditCtrl edit(m_hwnd);
    if (m_fontWindow != m_hwnd) {
        // A window that had the font before this one (left by a direct UnsubclassWindow) gets its own back.
        if (Shows(m_fontWindow, m_font)) zwin::EditCtrl(m_fontWindow).SetFont(m_previousFont, false);
        m_previousFont = edit.GetFont();
        m_fontWindow = m_hwnd;
    }
    edit.SetFont(m_font, true);
}

// The window shows on a screen of another density: a font for it, the text, selection and focus kept.
void CSecureEdit::Remeasure(UINT dpi) {
    if (!m_hwnd || !dpi || dpi == m_fontDpi) return;
    // A font not yet given to this window is made for its density when it is.
    if (!(m_fontApplied && m_fontWindow == m_hwnd)) return;
    DWORD start = 0, end = 0;
    SendMessageW(m_hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (!CreateFixedFont(dpi)) return;
    const zwin::EditCtrl edit(m_hwnd);
    edit.SetSel(static_cast<int>(start), static_cast<int>(end));
    edit.ScrollCaret();
}

bool CSecureEdit::TakeCharacter(const wchar_t* units, int count) {
    if (!m_contents || m_caret >= kLimit) return false;
    std::string bytes;
    if (!zrpc::AnsiCharFromWide(units, static_cast<size_t>(count), bytes)) return false;
    const int size = static_cast<int>(bytes.size());
    const bool fits = size > 0 && size <= kMaxCharBytes && m_length + size <= kBytesSize;
    if (fits) {
        for (int i = 0; i < size; ++i)
            m_contents[m_length + i] = static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
        m_contents[kCountsOffset + m_caret] = static_cast<unsigned char>(size);
        m_length += size;
        ++m_caret;
    }
    zrpc::WipeString(bytes);
    return fits;
}

void CSecureEdit::OnChar(UINT nChar, UINT, UINT) {
    const wchar_t unit = static_cast<wchar_t>(nChar);
    wchar_t units[2] = {unit, 0};
    int count = 1;
    if (IsHigh(unit)) {
        // The second half follows in a message of its own; a first half without one is refused.
        if (m_pendingHigh) MessageBeep(MB_OK);
        m_pendingHigh = unit;
        return;
    }
    if (IsLow(unit) || m_pendingHigh) {
        const bool pair = IsLow(unit) && m_pendingHigh;
        if (pair) {
            units[0] = m_pendingHigh;
            units[1] = unit;
            count = 2;
        }
        m_pendingHigh = 0;
        if (!pair) {
            MessageBeep(MB_OK);
            if (IsLow(unit)) return;
        }
    }
    bool changed = false;
    if (m_caret >= kLimit || !m_contents)
        MessageBeep(MB_OK);
    else if (!IsControl(units[0])) {
        changed = TakeCharacter(units, count);
        // A character the code page cannot hold exactly is refused, never replaced by a look-alike.
        if (!changed) MessageBeep(MB_OK);
    }
    zrpc::Wipe(units, sizeof units);
    if (changed) FillEditControlWithCharForContents(kMaskChar);
    // The end of the text as the control last set it: asking the window for its length would have the
    // system copy the text (to measure it in the other character set) and leave the copy in the heap.
    ShowCaretAt(m_hwnd, m_preparedWindow == m_hwnd ? ShownUnits(m_shownCount) : TextEnd(m_hwnd));
}

// A window that is not a Unicode one receives its characters as bytes of the code page; a character
// of several bytes comes a byte at a time.
void CSecureEdit::TakeAnsiByte(unsigned char byte) {
    if (m_pendingCount >= static_cast<int>(sizeof m_pendingBytes)) m_pendingCount = 0;
    m_pendingBytes[m_pendingCount++] = byte;
    wchar_t units[2] = {};
    const int n =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(m_pendingBytes),
                            m_pendingCount, units, 2);
    CPINFO info{};
    const bool singleByte = !GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2;
    if (n <= 0 && !singleByte && m_pendingCount < static_cast<int>(sizeof m_pendingBytes)) return;
    zrpc::Wipe(m_pendingBytes, sizeof m_pendingBytes);
    m_pendingCount = 0;
    if (n <= 0) {
        MessageBeep(MB_OK);
        return;
    }
    for (int i = 0; i < n; ++i)
        OnChar(units[i], 1, 0);
    zrpc::Wipe(units, sizeof units);
}

// An input method's composed result goes to the contents as typed characters; what is still being
// composed is shown by the input method's own window, never put into the window text.
void CSecureEdit::OnImeComposition(WPARAM wp, LPARAM lp) {
    constexpr LPARAM kResult = GCS_RESULTSTR | GCS_RESULTCLAUSE | GCS_RESULTREADSTR | GCS_RESULTREADCLAUSE;
    const Imm& imm = ImmFunctions();
    if ((lp & GCS_RESULTSTR) && imm.Usable()) {
        if (HIMC context = imm.getContext(m_hwnd)) {
            WideText result;
            const LONG bytes =
                imm.getString(context, GCS_RESULTSTR, result.units, sizeof result.units - sizeof(wchar_t));
            imm.releaseContext(m_hwnd, context);
            result.length = bytes > 0 ? static_cast<int>(bytes / static_cast<LONG>(sizeof(wchar_t))) : 0;
            for (int i = 0; i < result.length; ++i)
                OnChar(result.units[i], 1, 0);
        }
    }
    if (lp & ~kResult) DefWindowProcW(m_hwnd, WM_IME_COMPOSITION, wp, lp & ~kResult);
}

void CSecureEdit::OnKeyDown(UINT nChar, UINT, UINT) {
    switch (nChar) {
    case VK_BACK:
        if (m_caret > 0 && m_contents) {
            --m_caret;
            const int size = m_contents[kCountsOffset + m_caret];
            m_length -= size;
            zrpc::Wipe(m_contents + m_length, static_cast<size_t>(size));
            m_contents[kCountsOffset + m_caret] = 0;
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
    // The system gives every text on the clipboard in UTF-16 too.
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    bool changed = false, refused = false;
    if (text) {
        const SIZE_T units = GlobalSize(data) / sizeof(wchar_t);
        SIZE_T end = 0;
        while (end < units && text[end])
            ++end;
        // Either every printable character has a form in the code page, or nothing is pasted: a
        // password with characters silently left out would be another password.
        std::string bytes;
        for (SIZE_T i = 0; i < end && !refused; ++i) {
            if (IsControl(text[i])) continue;
            const size_t count = IsHigh(text[i]) && i + 1 < end && IsLow(text[i + 1]) ? 2 : 1;
            refused = !zrpc::AnsiCharFromWide(text + i, count, bytes);
            i += count - 1;
        }
        zrpc::WipeString(bytes);
        for (SIZE_T i = 0; i < end && !refused; ++i) {
            if (IsControl(text[i])) continue;
            const int count = IsHigh(text[i]) && i + 1 < end && IsLow(text[i + 1]) ? 2 : 1;
            if (!TakeCharacter(text + i, count)) {
                refused = true; // the limit
                break;
            }
            changed = true;
            i += static_cast<SIZE_T>(count - 1);
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (refused) MessageBeep(MB_OK);
    if (changed) FillEditControlWithCharForContents(kMaskChar);
}

LRESULT CSecureEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_UNICHAR:
        if (wp == UNICODE_NOCHAR) return TRUE; // yes, the control takes WM_UNICHAR
        if (wp > 0x10FFFF) return 0;
        if (wp >= 0x10000) {
            OnChar(static_cast<UINT>(0xD800 + ((wp - 0x10000) >> 10)), LOWORD(lp), HIWORD(lp));
            OnChar(static_cast<UINT>(0xDC00 + ((wp - 0x10000) & 0x3FF)), LOWORD(lp), HIWORD(lp));
        } else {
            OnChar(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        }
        return 0;
    case WM_IME_CHAR: // the edit control would insert these itself, behind the contents' back
    case WM_CHAR:
        // A Unicode window (SubclassWindow, the window class) receives UTF-16 units; one made as an
        // 8-bit window by Create, the code page's bytes.
        if (IsWindowUnicode(m_hwnd)) {
            OnChar(static_cast<UINT>(wp & 0xFFFF), LOWORD(lp), HIWORD(lp));
        } else {
            if (msg == WM_IME_CHAR && (wp & 0xFF00))
                TakeAnsiByte(static_cast<unsigned char>((wp >> 8) & 0xFF));
            TakeAnsiByte(static_cast<unsigned char>(wp & 0xFF));
        }
        return 0;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
        // Not the edit control's: it would show the characters being composed in its own text.
        return DefWindowProcW(m_hwnd, msg, wp, lp);
    case WM_IME_COMPOSITION:
        OnImeComposition(wp, lp);
        return 0;
    case WM_IME_REQUEST:
        // An input method asking for the text around the caret (to convert it again, or to guess
        // better) gets none: the field's text is the password or its mask.
        if (wp == IMR_RECONVERTSTRING || wp == IMR_CONFIRMRECONVERTSTRING || wp == IMR_DOCUMENTFEED) return 0;
        return Default();
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
    case WM_DPICHANGED: {
        // A top-level field: the new density is in the message, the suggested place in lParam.
        Remeasure(HIWORD(wp));
        if (const RECT* r = reinterpret_cast<const RECT*>(lp))
            SetWindowPos(m_hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DPICHANGED_AFTERPARENT:
        Remeasure(zrpc::WindowDpi(m_hwnd));
        return Default();
    case WM_DESTROY:
        // The edit control frees its text without overwriting it.
        WipeWindowText();
        return Default();
    case WM_NCDESTROY: {
        LRESULT result = Default();
        ForgetWindow();
        return result;
    }
    default:
        return Default();
    }
}
