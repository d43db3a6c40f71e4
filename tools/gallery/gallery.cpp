// zrpc-gallery: every control of zrpcfunc.dll at work, each on a plain dialog of this program that
// knows nothing of the library beyond its exports and public headers. It runs against a software
// token described by a text file (default: demo-token.txt beside the program) and the key store of the
// installation folder.
//
//   zrpc-gallery.exe [--token FILE] [--page NAME] [--sample-keys]
//     --page NAME     opens one page directly (password, tokens, keys, keystore, combo, report, tree,
//                     virtual) and ends when it is closed
//     --sample-keys   adds the token's public key and a few other parties' keys to the key store
//                     (created when missing) before anything is shown
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "standins/token/softtoken.h"
#include "zrpcdbcombo.h"
#include "zrpcdblist.h"
#include "zrpcfunc.h"
#include "zrpckeylist.h"
#include "zrpcreportctrl.h"
#include "zrpcres_ids.h"
#include "zrpcsecureedit.h"
#include "zrpctokenlist.h"

namespace {

SoftToken g_token;
unsigned long g_tokenHandle = 1; // the token the key pages show: the one chosen on the token page
HIMAGELIST g_images = nullptr;   // the language module's 16 x 16 pictures, for the report pages

// ---------------------------------------------------------------- dialog templates in memory

enum : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085 };

class Template {
  public:
    Template(const wchar_t* title, short cx, short cy) {
        Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
        Dword(0);
        m_countAt = m_words.size();
        Word(0);
        Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
        Word(0), Word(0);
        Text(title);
        Word(8);
        Text(L"MS Shell Dlg");
    }
    // An item of a predefined class (kButton, kEdit, kStatic, kComboBox).
    void Item(WORD cls, WORD id, DWORD style, short x, short y, short cx, short cy,
              const wchar_t* text = L"") {
        Begin(id, style, x, y, cx, cy);
        Word(0xFFFF), Word(cls);
        End(text);
    }
    // An item of a window class given by name.
    void Item(const wchar_t* cls, WORD id, DWORD style, short x, short y, short cx, short cy) {
        Begin(id, style, x, y, cx, cy);
        Text(cls);
        End(L"");
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

  private:
    void Begin(WORD id, DWORD style, short x, short y, short cx, short cy) {
        if (m_words.size() % 2) Word(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)),
            Word(static_cast<WORD>(cy));
        Word(id);
    }
    void End(const wchar_t* text) {
        Text(text);
        Word(0);
        ++m_words[m_countAt];
    }
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* s) {
        for (; *s; ++s)
            Word(static_cast<WORD>(*s));
        Word(0);
    }
    std::vector<WORD> m_words;
    size_t m_countAt = 0;
};

// ---------------------------------------------------------------- pages

// One page: its dialog template and the handlers of its dialog.
class Page {
  public:
    virtual ~Page() = default;
    virtual const char* Name() const = 0;
    // The dialog's size in dialog units.
    virtual SIZE Size() const { return {314, 155}; }
    virtual void Build(Template& t) = 0;
    virtual void Init(HWND dialog) = 0;
    virtual void Command(HWND, WORD, WORD) {}
    virtual void Notify(HWND, NMHDR*) {}
    virtual void Other(HWND, UINT, WPARAM, LPARAM) {}
};

void SetText(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextA(dialog, id, text.c_str());
}

std::string Hex(const unsigned char* bytes, size_t n) {
    std::string out;
    char two[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        out += two;
    }
    return out;
}

// The password field and the password box.
class PasswordPage : public Page {
  public:
    SIZE Size() const override { return {294, 74}; }
    enum { kField = 101, kDigest = 102, kResult = 103, kAsk = 104 };
    const char* Name() const override { return "password"; }
    void Build(Template& t) override {
        t.Item(kStatic, 0, SS_LEFT, 7, 9, 60, 8, L"Password:");
        t.Item(kEdit, kField, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 70, 7, 150, 12);
        t.Item(kButton, kDigest, WS_TABSTOP | BS_PUSHBUTTON, 226, 6, 60, 14, L"Digest");
        t.Item(kStatic, kResult, SS_LEFT | SS_NOPREFIX, 7, 28, 279, 18,
               L"SHA-1 of what is typed: (press Digest)");
        t.Item(kButton, kAsk, WS_TABSTOP | BS_PUSHBUTTON, 7, 52, 130, 14, L"Ask with the password box...");
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 236, 52, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_field.SubclassDlgItem(kField, dialog);
        m_field.HidePassword(1);
    }
    void Command(HWND dialog, WORD id, WORD) override {
        unsigned char digest[20];
        if (id == kDigest) {
            m_field.HashContents(digest);
            SetText(dialog, kResult, "SHA-1 of what is typed: " + Hex(digest, sizeof digest));
            SecureZeroMemory(digest, sizeof digest);
        } else if (id == kAsk) {
            // The password box hands back the digest only; 0 when the user confirmed.
            unsigned long rc =
                ZRPCFUNC_ShowPasswordBox(dialog, "Enter the password of the key store:", digest, 1);
            SetText(dialog, kResult,
                    rc == 0 ? "Password box: " + Hex(digest, sizeof digest) : "Password box: cancelled");
            SecureZeroMemory(digest, sizeof digest);
        }
    }

  private:
    CSecureEdit m_field;
};

// The tokens attached to the machine; the chosen one is the token of the key pages.
class TokensPage : public Page {
  public:
    SIZE Size() const override { return {314, 124}; }
    enum { kList = 201, kRefresh = 202, kInfo = 203 };
    const char* Name() const override { return "tokens"; }
    void Build(Template& t) override {
        t.Item(kStatic, kList, WS_BORDER, 7, 7, 300, 90);
        t.Item(kStatic, kInfo, SS_LEFT | SS_NOPREFIX, 7, 104, 190, 8, L"");
        t.Item(kButton, kRefresh, WS_TABSTOP | BS_PUSHBUTTON, 203, 102, 50, 14, L"Refresh");
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 102, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_list.SubclassDlgItem(kList, dialog);
        m_list.InitControl(&g_token, TRUE);
        // Rows show the last enumerated token first: choose the row of the key pages' token.
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            auto* find = reinterpret_cast<_tZRPKeyFindInfo*>(m_list.GetItemData(row));
            if (find && find->handle == g_tokenHandle) m_list.SetSelection(row);
        }
        Show(dialog);
    }
    void Command(HWND dialog, WORD id, WORD) override {
        if (id == kRefresh) {
            m_list.RefreshVortalList();
            Show(dialog);
        }
    }
    void Notify(HWND dialog, NMHDR* hdr) override {
        if (hdr->idFrom == kList && hdr->code == RVN_SELCHANGED) Show(dialog);
    }

  private:
    void Show(HWND dialog) {
        int row = m_list.GetFirstSelectedItem();
        auto* find = row >= 0 ? reinterpret_cast<_tZRPKeyFindInfo*>(m_list.GetItemData(row)) : nullptr;
        if (!find) {
            SetText(dialog, kInfo, "No token chosen");
            return;
        }
        g_tokenHandle = find->handle;
        char text[96];
        std::snprintf(text, sizeof text, "Chosen: handle %u, type %lu", static_cast<unsigned>(find->handle),
                      m_list.GetVortalType(row));
        SetText(dialog, kInfo, text);
    }
    CVortalListCtrl m_list;
};

std::string TokenName(unsigned long handle) {
    SoftToken::Token* t = g_token.FindToken(static_cast<uint32_t>(handle));
    return t ? t->name : "no token";
}

// The key slots of the chosen token.
class KeysPage : public Page {
  public:
    SIZE Size() const override { return {314, 166}; }
    enum { kList = 301, kTitle = 302, kRead = 303, kInfo = 304 };
    const char* Name() const override { return "keys"; }
    void Build(Template& t) override {
        t.Item(kStatic, kTitle, SS_LEFT | SS_NOPREFIX, 7, 7, 300, 8, L"");
        t.Item(kStatic, kList, WS_BORDER, 7, 18, 300, 120);
        t.Item(kStatic, kInfo, SS_LEFT | SS_NOPREFIX, 7, 146, 150, 8, L"");
        t.Item(kButton, kRead, WS_TABSTOP | BS_PUSHBUTTON, 163, 144, 90, 14, L"Read from the token");
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 144, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        SetText(dialog, kTitle, "Key slots of " + TokenName(g_tokenHandle));
        m_list.SubclassDlgItem(kList, dialog);
        // Another token's keys may be in the machine-wide cache: read this token's afresh.
        m_list.InitControl(&g_token, g_tokenHandle, FALSE);
        m_list.RefreshKeyList(FALSE, TRUE);
        m_list.EnsureKeyListDefaultKeyItemSelected();
        m_list.EnsureKeyListDefaultKeyItemVisible();
        Show(dialog);
    }
    void Command(HWND dialog, WORD id, WORD) override {
        if (id == kRead) {
            m_list.RefreshKeyList(FALSE, TRUE);
            Show(dialog);
        }
    }
    void Notify(HWND dialog, NMHDR* hdr) override {
        if (hdr->idFrom == kList && hdr->code == RVN_SELCHANGED) Show(dialog);
    }

  private:
    void Show(HWND dialog) {
        int row = m_list.GetFirstSelectedItem();
        _tToken_Key key;
        if (row < 0 || !m_list.GetKeyListItem(row, &key)) {
            SetText(dialog, kInfo, "");
            return;
        }
        char text[96];
        std::snprintf(text, sizeof text, "Slot %d: %s", row + 1,
                      m_list.IsKeyListItemInUse(row) ? "in use" : "free");
        SetText(dialog, kInfo, text);
    }
    CKeyListCtrl m_list;
};

// The key store's public keys with check boxes and editable comments, for the chosen token.
class KeyStorePage : public Page {
  public:
    SIZE Size() const override { return {314, 145}; }
    enum { kList = 401, kSave = 402, kInfo = 403 };
    const char* Name() const override { return "keystore"; }
    void Build(Template& t) override {
        t.Item(L"SysListView32", kList,
               WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS, 7, 7, 300, 110);
        t.Item(kStatic, kInfo, SS_LEFT | SS_NOPREFIX, 7, 125, 190, 8, L"Click a box or press the space bar");
        t.Item(kButton, kSave, WS_TABSTOP | BS_PUSHBUTTON, 203, 123, 50, 14, L"Save");
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 123, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_list.SubclassDlgItem(kList, dialog);
        m_list.InitControl(&g_token, g_tokenHandle, DBLIST_TOKEN_KEYS | DBLIST_STORE_KEYS | DBLIST_COMMENTS,
                           FALSE);
        m_list.LoadSettings();
    }
    void Command(HWND dialog, WORD id, WORD) override {
        if (id == kSave) {
            m_list.SaveSettings();
            SetText(dialog, kInfo, "The checked keys are remembered for this token");
        }
    }
    void Other(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != CDBVortalListCtrl::CheckboxMessage()) return;
        char text[96];
        std::snprintf(text, sizeof text, "Row %d, column %d: %s", static_cast<int>(wp), static_cast<int>(lp),
                      m_list.GetCheckbox(static_cast<int>(wp), static_cast<int>(lp)) == 1 ? "checked"
                                                                                          : "cleared");
        SetText(dialog, kInfo, text);
    }

  private:
    CDBVortalListCtrl m_list;
};

// A key-store key for each of the chosen token's backup keys.
class ComboPage : public Page {
  public:
    SIZE Size() const override { return {237, 82}; }
    enum { kFirst = 501, kSecond = 502, kInfo = 503 };
    const char* Name() const override { return "combo"; }
    void Build(Template& t) override {
        t.Item(kStatic, 0, SS_LEFT, 7, 9, 60, 8, L"Backup key 1:");
        t.Item(kComboBox, kFirst, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 70, 7, 160, 120);
        t.Item(kStatic, 0, SS_LEFT, 7, 27, 60, 8, L"Backup key 2:");
        t.Item(kComboBox, kSecond, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 70, 25, 160, 120);
        t.Item(kStatic, kInfo, SS_LEFT | SS_NOPREFIX, 7, 47, 223, 8, L"");
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 180, 60, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_first.SubclassDlgItem(kFirst, dialog);
        m_first.InitControl(&g_token, g_tokenHandle, eChobKey1);
        m_second.SubclassDlgItem(kSecond, dialog);
        m_second.InitControl(&g_token, g_tokenHandle, eChobKey2);
    }
    void Command(HWND dialog, WORD id, WORD code) override {
        if (code != CBN_SELENDOK || (id != kFirst && id != kSecond)) return;
        CDBVortalComboCtrl& combo = id == kFirst ? m_first : m_second;
        char text[96] = "No key of the key store chosen";
        if (combo.IsSelectionValid())
            std::snprintf(text, sizeof text, "Backup key %d: key %08lX", id == kFirst ? 1 : 2,
                          combo.m_selectedSerial);
        SetText(dialog, kInfo, text);
    }

  private:
    CDBVortalComboCtrl m_first, m_second;
};

// The report control as a list: columns, pictures, check boxes, colours, sorting by the header.
class ReportPage : public Page {
  public:
    enum { kReport = 601 };
    const char* Name() const override { return "report"; }
    void Build(Template& t) override {
        t.Item(kStatic, kReport, WS_BORDER, 7, 7, 300, 120);
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 133, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_report.SubclassDlgItem(kReport, dialog);
        m_report.ModifyStyle(0, RVS_STRIPEDROWS | RVS_COLUMNLINES);
        m_report.SetImageList(g_images);
        const char* titles[] = {"Document", "Size", "Owner"};
        const int widths[] = {200, 80, 140};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM column = {RV_HDF_STRING | (i == 0 ? RVCF_CHECKSPACE | RVCF_IMAGESPACE : 0u),
                                 widths[i],
                                 40,
                                 0,
                                 -1,
                                 titles[i]};
            m_report.DefineSubItem(i, &column);
            m_report.ActivateSubItem(i, i);
        }
        m_report.InsertColor(0, RGB(238, 243, 250)); // colour 0: the striped rows
        int red = m_report.InsertColor(1, RGB(170, 30, 30));
        const struct {
            const char* name;
            int size;
            const char* owner;
            int check;
        } rows[] = {{"Payroll 2026.xls", 48128, "Alice", 1},
                    {"Board minutes.doc", 23040, "Bob", 0},
                    {"Contracts", 0, "Carol", 1},
                    {"Salaries.csv", 5120, "Alice", 0},
                    {"Design review.ppt", 1204224, "Dave", 0},
                    {"Passwords.txt", 312, "Mallory", 0},
                    {"Budget 2027.xls", 65536, "Alice", 1},
                    {"Archive", 0, "Bob", 0}};
        for (const auto& r : rows) {
            bool folder = r.size == 0;
            int row =
                m_report.AddItem(r.name, folder ? 2 : 0, r.check, std::strcmp(r.owner, "Mallory") ? -1 : red);
            char size[32] = "folder";
            if (!folder) std::snprintf(size, sizeof size, "%d KB", (r.size + 1023) / 1024);
            m_report.SetItemText(row, 1, size);
            m_report.SetItemText(row, 2, r.owner);
        }
        m_report.SortItems(0, TRUE);
    }

  private:
    CReportCtrl m_report;
};

// The report control as a tree.
class TreePage : public Page {
  public:
    enum { kReport = 701 };
    const char* Name() const override { return "tree"; }
    void Build(Template& t) override {
        t.Item(kStatic, kReport, WS_BORDER, 7, 7, 300, 120);
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 133, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_report.SubclassDlgItem(kReport, dialog);
        m_report.ModifyStyle(0, RVS_TREEMODE);
        m_report.SetImageList(g_images);
        const char* titles[] = {"Folder", "Protected"};
        const int widths[] = {250, 120};
        for (int i = 0; i < 2; ++i) {
            _RVSUBITEM column = {
                RV_HDF_STRING | (i == 0 ? RVCF_IMAGESPACE : 0u), widths[i], 40, 0, -1, titles[i]};
            m_report.DefineSubItem(i, &column);
            m_report.ActivateSubItem(i, i);
        }
        struct Node {
            const char* name;
            int level;
            bool isProtected;
        };
        const Node nodes[] = {{"C:\\", 0, false},  {"Finance", 1, true},  {"Payroll", 2, true},
                              {"2026", 3, true},   {"Budgets", 2, true},  {"Projects", 1, false},
                              {"Orion", 2, false}, {"Designs", 3, false}, {"Contracts", 2, true},
                              {"Users", 1, false}, {"Alice", 2, false},   {"Documents", 3, true}};
        HTREEITEM parents[8] = {TVI_ROOT};
        for (const Node& n : nodes) {
            HTREEITEM item = m_report.InsertItem(n.name, n.isProtected ? 11 : 2, -1, -1, parents[n.level]);
            parents[n.level + 1] = item;
            int index = m_report.GetItemIndex(item);
            m_report.SetItemText(index, 1, n.isProtected ? "encrypted" : "");
        }
        m_report.ExpandAll(TVI_ROOT, TVE_EXPAND);
    }

  private:
    CReportCtrl m_report;
};

// The report control in virtual mode: 100,000 rows the dialog supplies as they are drawn.
class VirtualPage : public Page {
  public:
    enum { kReport = 801, kRows = 100000 };
    const char* Name() const override { return "virtual"; }
    void Build(Template& t) override {
        t.Item(kStatic, kReport, WS_BORDER, 7, 7, 300, 120);
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 257, 133, 50, 14, L"Close");
    }
    void Init(HWND dialog) override {
        m_report.SubclassDlgItem(kReport, dialog);
        m_report.ModifyStyle(0, RVS_VIRTUALDATA | RVS_STRIPEDROWS);
        m_report.InsertColor(0, RGB(238, 243, 250)); // colour 0: the striped rows
        const char* titles[] = {"Row", "Serial", "Checksum"};
        const int widths[] = {110, 100, 150};
        for (int i = 0; i < 3; ++i) {
            _RVSUBITEM column = {RV_HDF_STRING, widths[i], 40, 0, -1, titles[i]};
            m_report.DefineSubItem(i, &column);
            m_report.ActivateSubItem(i, i);
        }
        m_report.SetItemCount(kRows);
        m_report.EnsureVisible(kRows / 2);
    }
    void Notify(HWND, NMHDR* hdr) override {
        if (hdr->idFrom != kReport || hdr->code != RVN_NEEDDATA) return;
        _RVITEM& item = reinterpret_cast<_NMRVITEMCALLBACK*>(hdr)->item;
        if (item.iSubItem < 0 || !item.lpszText || item.iTextMax <= 0) {
            item.nMask = 0;
            return;
        }
        unsigned n = static_cast<unsigned>(item.iItem);
        size_t size = static_cast<size_t>(item.iTextMax);
        if (item.iSubItem == 0)
            std::snprintf(item.lpszText, size, "Row %u", n + 1);
        else if (item.iSubItem == 1)
            std::snprintf(item.lpszText, size, "%08X", 0x5A5A0000u + n);
        else
            std::snprintf(item.lpszText, size, "%08X", n * 2654435761u);
        item.nMask = RVIM_LABEL;
    }

  private:
    CReportCtrl m_report;
};

// ---------------------------------------------------------------- running a page

INT_PTR CALLBACK PageProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    auto* page = reinterpret_cast<Page*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lp);
        reinterpret_cast<Page*>(lp)->Init(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        if (page) page->Command(dialog, LOWORD(wp), HIWORD(wp));
        return FALSE;
    case WM_NOTIFY:
        if (page && lp) page->Notify(dialog, reinterpret_cast<NMHDR*>(lp));
        return FALSE;
    default:
        if (page) page->Other(dialog, msg, wp, lp);
        return FALSE;
    }
}

const wchar_t* PageTitle(const std::string& name) {
    if (name == "password") return L"Gallery: password field and password box";
    if (name == "tokens") return L"Gallery: token list";
    if (name == "keys") return L"Gallery: key list";
    if (name == "keystore") return L"Gallery: key-store list";
    if (name == "combo") return L"Gallery: backup-key combo";
    if (name == "report") return L"Gallery: report control, list";
    if (name == "tree") return L"Gallery: report control, tree";
    return L"Gallery: report control, 100,000 virtual rows";
}

std::unique_ptr<Page> MakePage(const std::string& name) {
    if (name == "password") return std::make_unique<PasswordPage>();
    if (name == "tokens") return std::make_unique<TokensPage>();
    if (name == "keys") return std::make_unique<KeysPage>();
    if (name == "keystore") return std::make_unique<KeyStorePage>();
    if (name == "combo") return std::make_unique<ComboPage>();
    if (name == "report") return std::make_unique<ReportPage>();
    if (name == "tree") return std::make_unique<TreePage>();
    if (name == "virtual") return std::make_unique<VirtualPage>();
    return nullptr;
}

const char* const kPages[] = {"password", "tokens", "keys", "keystore", "combo", "report", "tree", "virtual"};

INT_PTR RunPage(HWND owner, const std::string& name) {
    std::unique_ptr<Page> page = MakePage(name);
    if (!page) return -1;
    SIZE size = page->Size();
    Template t(PageTitle(name), static_cast<short>(size.cx), static_cast<short>(size.cy));
    page->Build(t);
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), owner, PageProc,
                                   reinterpret_cast<LPARAM>(page.get()));
}

// The main window: one button per page.
INT_PTR CALLBACK MainProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND) {
        WORD id = LOWORD(wp);
        if (id == IDCANCEL) {
            EndDialog(dialog, 0);
        } else if (id >= 1000 && id < 1000 + sizeof kPages / sizeof kPages[0]) {
            RunPage(dialog, kPages[id - 1000]);
        }
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------- set-up

std::string ProgramDir() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? "" : dir.substr(0, slash + 1);
}

void LoadImages() {
    char name[MAX_PATH] = "";
    if (!ZRPCFUNC_FindResDLLName(name)) return;
    HMODULE lang = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!lang) return;
    g_images = ImageList_LoadImageA(lang, MAKEINTRESOURCEA(IDB_IMAGE_STRIP), 16, 0, RGB(255, 0, 255),
                                    IMAGE_BITMAP, LR_CREATEDIBSECTION);
    FreeLibrary(lang);
}

// A public-key packet for another party, shaped as a token makes one.
_tNewTransferPacket PartyPacket(uint32_t serial, const char* name) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = ZRPC_PACKET_PUBLICKEY;
    p.serial = p.secondSerial = serial;
    std::memcpy(p.name, name, strnlen(name, sizeof p.name));
    SoftToken::FillKeyData(&p, serial);
    return p;
}

// The token's own public key and a few other parties' keys into the key store; 0 on success.
unsigned long AddSampleKeys() {
    char path[MAX_PATH] = "";
    if (!ZRPCFUNC_DB_DatabaseExists(path) && !ZRPCFUNC_DB_CreateDatabase(nullptr, path)) return 2;
    _tNewTransferPacket own;
    std::memset(&own, 0, sizeof own);
    own.size = ZRPC_PACKET_SIZE;
    own.version = ZRPC_PACKET_VERSION;
    own.type = ZRPC_PACKET_PUBLICKEY;
    unsigned long rc = g_token.MakePacket(static_cast<uint32_t>(g_tokenHandle), &own);
    if (rc == 0) rc = ZRPCFUNC_DB_AddPublicKey(nullptr, &own, 0);
    const struct {
        uint32_t serial;
        const char* name;
        const char* email;
        const char* comment;
    } parties[] = {{0xB0000001, "Safe One", "", "Backup key in the safe"},
                   {0x0C0C0001, "Bob", "bob@example.org", "Finance"},
                   {0x0C0C0002, "Carol", "carol@example.org", "Legal, Oslo office"},
                   {0x0C0C0003, "Dave", "", ""},
                   {0x0C0C0004, "Erin", "erin@example.org", "Auditor"}};
    for (const auto& party : parties) {
        _tNewTransferPacket p = PartyPacket(party.serial, party.name);
        unsigned long added = ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0);
        if (added != 0 && rc == 0) rc = added;
        char text[256];
        std::snprintf(text, sizeof text, "%s", party.email);
        if (*text) ZRPCFUNC_DB_SetEmailAddress(party.serial, text);
        std::snprintf(text, sizeof text, "%s", party.comment);
        if (*text) ZRPCFUNC_DB_SetComments(party.serial, text);
    }
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    std::string tokenFile = ProgramDir() + "demo-token.txt";
    std::string page;
    bool sampleKeys = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--token" && i + 1 < argc) {
            tokenFile = argv[++i];
        } else if (a == "--page" && i + 1 < argc) {
            page = argv[++i];
        } else if (a == "--sample-keys") {
            sampleKeys = true;
        } else {
            std::fprintf(stderr, "usage: zrpc-gallery [--token FILE] [--page NAME] [--sample-keys]\n"
                                 "pages: password tokens keys keystore combo report tree virtual\n");
            return 2;
        }
    }
    std::string error;
    if (!g_token.LoadFile(tokenFile, &error)) {
        std::fprintf(stderr, "zrpc-gallery: %s: %s\n", tokenFile.c_str(), error.c_str());
        return 2;
    }
    if (!g_token.Tokens().empty()) g_tokenHandle = g_token.Tokens().front().handle;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    LoadImages();
    if (sampleKeys) {
        unsigned long rc = AddSampleKeys();
        if (rc != 0) std::fprintf(stderr, "zrpc-gallery: adding the sample keys: code %lu\n", rc);
    }
    int status = 0;
    if (!page.empty()) {
        if (!MakePage(page)) {
            std::fprintf(stderr, "zrpc-gallery: no page '%s'\n", page.c_str());
            return 2;
        }
        status = RunPage(nullptr, page) < 0 ? 1 : 0;
    } else {
        Template t(L"ZRPCFunc gallery", 150, 24 + 18 * static_cast<short>(sizeof kPages / sizeof kPages[0]));
        for (size_t i = 0; i < sizeof kPages / sizeof kPages[0]; ++i) {
            std::wstring label(PageTitle(kPages[i]) + 9); // without "Gallery: "
            t.Item(kButton, static_cast<WORD>(1000 + i), WS_TABSTOP | BS_PUSHBUTTON, 7,
                   static_cast<short>(7 + 18 * i), 136, 14, label.c_str());
        }
        t.Item(kButton, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 93,
               static_cast<short>(7 + 18 * (sizeof kPages / sizeof kPages[0])), 50, 14, L"Close");
        DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, MainProc, 0);
    }
    ZRPCFUNC_DB_Disconnect();
    if (g_images) ImageList_Destroy(g_images);
    return status;
}
