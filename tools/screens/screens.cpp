// zrpc_screens: shows the library's windows as a user sees them and saves each as a 24-bit BMP
// (cut from the screen) in the current folder. ./run screens turns them into PNG files.
//   password_box.bmp     the password box with a few masked characters typed
//   working_dialog.bmp   the working dialog with its message, picture and first animation icon
//   report_list.bmp      the report control as a list: colours, images, check boxes, stripes, a sorted column
//   report_tree.bmp      the report control as a tree with preview text under some rows
//   gallery_PAGE.bmp     each page of zrpc-gallery.exe (beside this program), run with its sample keys
//                        in the key store and the tokens of gallery-tokens.txt
//   cgallery.bmp         zrpc-cgallery.exe, the C program that drives the controls through their window
//                        classes and messages
// With --codepage it takes only the pictures of texts in the process's code page, named after it
// (cp1252, or utf8 for zrpc_screens_utf8.exe, whose manifest makes UTF-8 its code page):
//   report_texts_CP.bmp  the report control with names in the code page's scripts (Cyrillic, Greek, CJK
//                        and emoji under UTF-8; Western accents, the euro and the ligatures under 1252),
//                        under a plain static control showing the first of them as the platform draws it
//   password_box_CP.bmp  the password box with a prompt in those scripts and six such characters typed
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "zrpcfunc.h"
#include "zrpcreportctrl.h"
#include "zrpcres_ids.h"

namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && GetDlgItem(hwnd, s->id)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Waits up to timeoutMs for a visible dialog of this process that has item id.
HWND WaitForDialogWithItem(int id, DWORD timeoutMs) {
    Search search = {id, nullptr};
    DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < timeoutMs) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        Sleep(20);
    }
    return search.found;
}

// Saves the screen area of hwnd (frame included) as a bottom-up 24-bit BMP.
bool SaveWindowShot(HWND hwnd, const char* path) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (mem && dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(mem, old);
    }
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    DWORD size = stride * static_cast<DWORD>(h);
    if (ok) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        FILE* f = std::fopen(path, "wb");
        ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
             std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 && std::fwrite(bits, size, 1, f) == 1;
        if (f) std::fclose(f);
    }
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

// The password box with prompt, and typed (UTF-16 characters, as the keyboard gives them) in its field.
bool PasswordBoxShot(const char* prompt = "Enter the password of the key store:",
                     const wchar_t* typed = L"secret", const char* file = "password_box.bmp") {
    unsigned char digest[20];
    std::atomic<bool> done{false};
    std::thread box([&] {
        ZRPCFUNC_ShowPasswordBox(nullptr, prompt, digest, 1);
        done = true;
    });
    bool ok = false;
    if (HWND dialog = WaitForDialogWithItem(IDC_PASSWORD_FIELD, 10000)) {
        HWND field = GetDlgItem(dialog, IDC_PASSWORD_FIELD);
        for (const wchar_t* c = typed; *c; ++c) {
            if (*c < 0x80)
                PostMessageA(field, WM_CHAR, static_cast<WPARAM>(*c), 1);
            else
                PostMessageW(field, WM_CHAR, static_cast<WPARAM>(*c), 1);
        }
        Sleep(700); // typed, redrawn, caret shown
        ok = SaveWindowShot(dialog, file);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    box.join();
    return ok && done;
}

// Dispatches this thread's messages for about ms milliseconds.
void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// The working dialog as it shows its first animation icon. The worker sets each icon through messages
// this thread answers: once the first icon is in and painted, the picture is taken without answering
// any more, so the worker's next icon waits until the picture is saved. Should a slow machine have
// let the next icon in meanwhile, the picture is taken again when the first comes round.
bool WorkingDialogShot() {
    ZRPCFUNC_C_ShowWorkingDialog(nullptr, const_cast<char*>("Writing the key store. Please wait..."));
    bool ok = false;
    if (HWND dialog = WaitForDialogWithItem(IDC_WORKING_ICON, 10000)) {
        auto icon = [dialog] {
            return reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_WORKING_ICON, STM_GETICON, 0, 0));
        };
        HICON first = nullptr;
        for (DWORD start = GetTickCount(); !first && GetTickCount() - start < 10000;) {
            PumpFor(1);
            first = icon();
        }
        for (int attempt = 0; first && attempt < 5 && !ok; ++attempt) {
            for (DWORD start = GetTickCount(); icon() != first && GetTickCount() - start < 10000;)
                PumpFor(1);
            PumpFor(30); // the icon and the message painted
            ok = icon() == first && SaveWindowShot(dialog, "working_dialog.bmp") && icon() == first;
        }
    }
    ZRPCFUNC_KillWorkingDialog();
    return ok;
}

std::string ProgramDir() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// Runs a program beside this one, waits for its window (title given), lets prepare type into it, saves
// the window as file and closes it.
bool ProgramShot(const std::string& arguments, const wchar_t* title, const char* file,
                 void (*prepare)(HWND)) {
    std::string command = "\"" + ProgramDir() + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); !window && GetTickCount() - start < 20000; Sleep(50)) {
        HWND w = FindWindowW(nullptr, title);
        if (w && IsWindowVisible(w)) window = w;
    }
    bool ok = false;
    if (window) {
        SetForegroundWindow(window);
        if (prepare) prepare(window);
        Sleep(800); // drawn
        ok = SaveWindowShot(window, file);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        ok = false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok;
}

// Runs the gallery on one page (see ProgramShot).
bool GalleryShot(const char* page, const wchar_t* title, bool sampleKeys, void (*prepare)(HWND)) {
    std::string arguments =
        "zrpc-gallery.exe\" --token \"" + ProgramDir() + "gallery-tokens.txt\" --page " + page;
    if (sampleKeys) arguments += " --sample-keys";
    std::string file = std::string("gallery_") + page + ".bmp";
    return ProgramShot(arguments, title, file.c_str(), prepare);
}

void TypePassword(HWND page) {
    HWND field = GetDlgItem(page, 101);
    for (char c : std::string("secret"))
        PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    Sleep(300);
    SendMessageA(GetDlgItem(page, 102), BM_CLICK, 0, 0);
}

// ---- the report control

// Preview texts of the tree picture, by item data.
const char* const kPreviews[] = {
    "",
    "Encrypted with the token's key 3. Last backed up on 2 March; two public keys may open it.",
    "Shared with the accounts team. Files added here are encrypted as they are saved.",
};

LRESULT CALLBACK ShotParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const RVNMHDR* h = reinterpret_cast<const RVNMHDR*>(lp);
        if (h->code == RVN_PAINTPREVIEW) {
            auto* p = reinterpret_cast<const _NMRVDRAWPREVIEW*>(lp);
            HDC dc = static_cast<HDC>(p->hDC);
            RECT r = {p->rect.left + 40, p->rect.top, p->rect.right - 8, p->rect.bottom};
            size_t i = (size_t)p->lParam < sizeof kPreviews / sizeof kPreviews[0] ? (size_t)p->lParam : 0;
            SetTextColor(dc, (p->nState & RVIS_CHOSEN) ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 160));
            SetBkMode(dc, TRANSPARENT);
            DrawTextA(dc, kPreviews[i], -1, &r, DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Four 16 x 16 pictures drawn here: a key, a folder, a document, a locked document.
HIMAGELIST MakeImages() {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    const COLORREF magenta = RGB(255, 0, 255);
    for (int i = 0; i < 4; ++i) {
        HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all = {0, 0, 16, 16};
        HBRUSH back = CreateSolidBrush(magenta);
        FillRect(dc, &all, back);
        DeleteObject(back);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(60, 60, 60));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HBRUSH fill = nullptr;
        switch (i) {
        case 0: // key
            fill = CreateSolidBrush(RGB(230, 180, 30));
            SelectObject(dc, fill);
            Ellipse(dc, 1, 4, 9, 12);
            Rectangle(dc, 8, 7, 15, 9);
            Rectangle(dc, 12, 9, 14, 12);
            break;
        case 1: // folder
            fill = CreateSolidBrush(RGB(250, 210, 90));
            SelectObject(dc, fill);
            Rectangle(dc, 1, 3, 7, 6);
            Rectangle(dc, 1, 5, 15, 14);
            break;
        case 2: // document
        case 3: // locked document
            fill = CreateSolidBrush(RGB(255, 255, 255));
            SelectObject(dc, fill);
            Rectangle(dc, 3, 1, 13, 15);
            MoveToEx(dc, 5, 5, nullptr);
            LineTo(dc, 11, 5);
            MoveToEx(dc, 5, 8, nullptr);
            LineTo(dc, 11, 8);
            if (i == 3) {
                HBRUSH lock = CreateSolidBrush(RGB(200, 40, 40));
                HGDIOBJ o = SelectObject(dc, lock);
                Rectangle(dc, 8, 9, 15, 15);
                SelectObject(dc, o);
                DeleteObject(lock);
            }
            break;
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        if (fill) DeleteObject(fill);
        SelectObject(dc, old);
        ImageList_AddMasked(list, bmp, magenta);
        DeleteObject(bmp);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return list;
}

HWND MakeShotParent(int w, int h) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ShotParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZrpcScreensParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        registered = RegisterClassA(&wc) != 0;
    }
    HWND parent = CreateWindowExA(0, "ZrpcScreensParent", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 40, 40, w, h,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (parent)
        SendMessageA(parent, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return parent;
}

void Column(CReportCtrl& report, int sub, const char* text, int width, UINT format = 0) {
    _RVSUBITEM s = {RV_HDF_STRING | format, width, 0, 0, 0, text};
    report.DefineSubItem(sub, &s);
    report.ActivateSubItem(sub, sub);
}

bool ReportListShot(HIMAGELIST images) {
    HWND parent = MakeShotParent(520, 250);
    if (!parent) return false;
    bool ok = false;
    {
        CReportCtrl report;
        RECT rc = {0, 0, 518, 248};
        report.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | RVS_STRIPEDROWS | RVS_COLUMNLINES |
                          RVS_KEEPSELECTIONVISIBLE,
                      rc, parent, 1);
        report.InsertColor(0, RGB(236, 242, 250)); // stripes
        report.InsertColor(1, RGB(0, 110, 0));     // valid
        report.InsertColor(2, RGB(190, 0, 0));     // revoked
        report.InsertColor(3, RGB(255, 244, 200)); // a marked row
        report.SetImageList(images);
        Column(report, 0, "Name", 170);
        Column(report, 1, "Serial", 90);
        Column(report, 2, "Algorithm", 110);
        Column(report, 3, "State", 120);
        struct Row {
            const char* name;
            const char* serial;
            const char* algorithm;
            const char* state;
            int image, check, colour;
        } const rows[] = {
            {"Harbour office", "0004A1F3", "AES-256", "valid", 0, 1, 1},
            {"Accounts team", "00031C07", "AES-128", "valid", 0, 1, 1},
            {"Old laptop", "0001FF20", "3DES", "revoked", 3, 2, 2},
            {"Backup token", "00050B11", "AES-256", "valid", 0, 0, 1},
            {"Reception", "0002D3E9", "AES-128", "not checked", 2, 4, -1},
            {"Zurich branch", "0006A0C2", "AES-256", "valid", 0, 5, 1},
            {"Field engineers", "00042B7D", "AES-256", "expires soon", 1, 0, -1},
            {"Directors", "0003E4A8", "AES-256", "valid", 0, 1, 1},
        };
        for (const Row& r : rows) {
            int i = report.AddItem(r.name, r.image, r.check);
            report.SetItemText(i, 1, r.serial);
            report.SetItemText(i, 2, r.algorithm);
            _RVITEM it = {};
            it.nMask = RVIM_LABEL | (r.colour >= 0 ? (uint32_t)RVIM_FORECOLOUR : 0u);
            it.iItem = i;
            it.iSubItem = 3;
            it.lpszText = const_cast<char*>(r.state);
            it.iTextColor = r.colour;
            report.SetItem(&it);
        }
        _RVITEM bold = {};
        bold.nMask = RVIM_STATEBITS | RVIM_BACKCOLOUR;
        bold.iItem = 6;
        bold.iSubItem = -1;
        bold.nState = RVIS_HEAVYFONT;
        bold.iBkColor = 3;
        report.SetItem(&bold);
        report.SortItems(0, TRUE);
        report.SetSelection(1);
        SetForegroundWindow(parent);
        SetFocus(report.Handle());
        report.SetCurrentFocus(1);
        PumpFor(500);
        ok = SaveWindowShot(parent, "report_list.bmp");
    }
    DestroyWindow(parent);
    return ok;
}

bool ReportTreeShot(HIMAGELIST images) {
    HWND parent = MakeShotParent(520, 290);
    if (!parent) return false;
    bool ok = false;
    {
        CReportCtrl report;
        RECT rc = {0, 0, 518, 288};
        report.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | RVS_TREEMODE | RVS_ROWLINES, rc, parent, 1);
        report.SetImageList(images);
        Column(report, 0, "Folder", 250);
        Column(report, 1, "Files", 70, 1 /* right */);
        Column(report, 2, "Protected", 190);
        HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        int twoLines = report.PreviewHeight(font, 2u);
        struct Node {
            int parent; // index into made[] or -1
            const char* name;
            const char* files;
            const char* state;
            int image, preview;
        } const nodes[] = {
            {-1, "Projects", "214", "yes", 1, 0}, {0, "Harbour extension", "96", "yes", 1, 1},
            {1, "Drawings", "58", "yes", 1, 0},   {1, "contract.pdf", "1", "yes (key 3)", 3, 0},
            {0, "Accounts", "118", "yes", 1, 2},  {-1, "Private", "31", "no", 1, 0},
            {5, "notes.txt", "1", "no", 2, 0},
        };
        std::vector<HTREEITEM> made;
        for (const Node& n : nodes) {
            HTREEITEM up = n.parent < 0 ? TVI_ROOT : made[(size_t)n.parent];
            HTREEITEM h = report.InsertItem(n.name, n.image, -1, -1, up, TVI_LAST);
            made.push_back(h);
            int i = report.GetItemIndex(h);
            report.SetItemText(i, 1, n.files);
            report.SetItemText(i, 2, n.state);
            if (n.preview) {
                _RVITEM it = {};
                it.nMask = RVIM_PREVIEWLINES | RVIM_USERDATA;
                it.iItem = i;
                it.iSubItem = -1;
                it.nPreview = twoLines > 0 ? twoLines : 26;
                it.lParam = n.preview;
                report.SetItem(&it);
            }
        }
        report.ExpandAll(TVI_ROOT, TVE_EXPAND);
        report.SetSelection(report.GetItemIndex(made[1]));
        SetForegroundWindow(parent);
        SetFocus(report.Handle());
        report.SetCurrentFocus(report.GetItemIndex(made[1]));
        PumpFor(500);
        ok = SaveWindowShot(parent, "report_tree.bmp");
    }
    DestroyWindow(parent);
    return ok;
}

// Texts of the code-page pictures: the rows of the report (name, owner, note), a prompt and six
// characters to type, each given in the code page the picture is for.
struct CodePageTexts {
    const char* suffix;
    const char* header[3];
    const char* rows[6][3];
    const char* prompt;
    const wchar_t* typed;
};

const CodePageTexts kUtf8Texts = {
    "utf8",
    {u8"Name · Имя · 名前", u8"Owner · Κάτοχος", u8"Note"},
    {{u8"Документы бухгалтерии", u8"Ольга", u8"отчёт за 2026 год"},
     {u8"Αρχείο Αθήνας", u8"Νίκος", u8"Ελληνικά κείμενα"},
     {u8"東京オフィス", u8"佐藤", u8"鍵の控え"},
     {u8"北京办公室", u8"王伟", u8"备份密钥"},
     {u8"Keys 🔑 and locks 🔒", u8"Zoë", u8"emoji 😀 outside the BMP"},
     {u8"Café Zürich", u8"Søren", u8"Latin accents"}},
    u8"Пароль · Κωδικός · 密码 · 🔑:",
    L"\u043F\u0430\u0440\u043E\u043B\u044C", // пароль
};

const CodePageTexts kCp1252Texts = {
    "cp1252",
    {"Name", "Owner", "Note"},
    {{"Caf\xE9 Z\xFCrich", "S\xF8ren", "Western accents"},
     {"\xC6r\xF8sk\xF8"
      "bing office",
      "Bj\xF6rk", "\xE6 \xF8 \xE5"},
     {"Se\xF1ora Mu\xF1oz", "Jos\xE9", "\xBFqu\xE9 tal?"},
     {"\x8Cuvres compl\xE8tes", "Fran\xE7oise", "the ligature \x8C"},
     {"Budget \x80 2026",
      "Gr\xFC\xDF"
      "e",
      "the euro sign \x80"},
     {"Stra\xDF"
      "e 5, Gen\xE8ve",
      "Ma\xEFt\xE9", "\x93quoted\x94 \x96 dash"}},
    "Kennwort f\xFCr den Schl\xFCsselspeicher:",
    L"Pass\u00E9!", // Passé!
};

bool ReportTextsShot(const CodePageTexts& t) {
    HWND parent = MakeShotParent(520, 200);
    if (!parent) return false;
    bool ok = false;
    {
        // The platform's own drawing of the first name, for comparison.
        HWND label = CreateWindowExA(0, "STATIC", t.rows[0][0], WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                     6, 4, 506, 18, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        CReportCtrl report;
        RECT rc = {0, 24, 518, 198};
        report.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | RVS_STRIPEDROWS | RVS_COLUMNLINES, rc, parent, 1);
        report.InsertColor(0, RGB(236, 242, 250)); // stripes
        Column(report, 0, t.header[0], 200);
        Column(report, 1, t.header[1], 120);
        Column(report, 2, t.header[2], 190);
        for (const auto& row : t.rows) {
            int i = report.AddItem(row[0]);
            report.SetItemText(i, 1, row[1]);
            report.SetItemText(i, 2, row[2]);
        }
        report.SetSelection(2);
        SetForegroundWindow(parent);
        SetFocus(report.Handle());
        report.SetCurrentFocus(2);
        PumpFor(500);
        ok = SaveWindowShot(parent, (std::string("report_texts_") + t.suffix + ".bmp").c_str());
    }
    DestroyWindow(parent);
    return ok;
}

// The pictures of texts in this process's code page.
int CodePageShots() {
    const CodePageTexts& t = GetACP() == CP_UTF8 ? kUtf8Texts : kCp1252Texts;
    int failures = 0;
    if (!ReportTextsShot(t)) {
        std::fprintf(stderr, "zrpc_screens: report texts (%s) not captured\n", t.suffix);
        ++failures;
    }
    if (!PasswordBoxShot(t.prompt, t.typed, (std::string("password_box_") + t.suffix + ".bmp").c_str())) {
        std::fprintf(stderr, "zrpc_screens: password box (%s) not captured\n", t.suffix);
        ++failures;
    }
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--codepage") == 0) return CodePageShots();
    int failures = 0;
    if (!PasswordBoxShot()) {
        std::fprintf(stderr, "zrpc_screens: password box not captured\n");
        ++failures;
    }
    if (!WorkingDialogShot()) {
        std::fprintf(stderr, "zrpc_screens: working dialog not captured\n");
        ++failures;
    }
    HIMAGELIST images = MakeImages();
    if (!ReportListShot(images)) {
        std::fprintf(stderr, "zrpc_screens: report list not captured\n");
        ++failures;
    }
    if (!ReportTreeShot(images)) {
        std::fprintf(stderr, "zrpc_screens: report tree not captured\n");
        ++failures;
    }
    ImageList_Destroy(images);
    const struct {
        const char* page;
        const wchar_t* title;
        void (*prepare)(HWND);
    } pages[] = {{"password", L"Gallery: password field and password box", TypePassword},
                 {"tokens", L"Gallery: token list", nullptr},
                 {"keys", L"Gallery: key list", nullptr},
                 {"keystore", L"Gallery: key-store list", nullptr},
                 {"combo", L"Gallery: backup-key combo", nullptr},
                 {"report", L"Gallery: report control, list", nullptr},
                 {"tree", L"Gallery: report control, tree", nullptr},
                 {"virtual", L"Gallery: report control, 100,000 virtual rows", nullptr}};
    bool first = true;
    for (const auto& p : pages) {
        if (!GalleryShot(p.page, p.title, first, p.prepare)) {
            std::fprintf(stderr, "zrpc_screens: gallery page %s not captured\n", p.page);
            ++failures;
        }
        first = false;
    }
    if (!ProgramShot("zrpc-cgallery.exe\"", L"C gallery: controls by window class", "cgallery.bmp",
                     nullptr)) {
        std::fprintf(stderr, "zrpc_screens: the C gallery not captured\n");
        ++failures;
    }
    return failures;
}
