/* zrpc-cgallery.exe: the library's controls from a C program, through their window classes and
 * messages only (zrpcctl.h). Its dialog comes from its own resource script, which names the report
 * control and the password field by class. It fills the report with 1,000 rows, sorts them, selects
 * a pattern, copies the selection, saves the column layout in a profile file of its choosing, types a
 * password into the field and reads its digest.
 *   zrpc-cgallery.exe            shows the dialog until it is closed
 *   zrpc-cgallery.exe --check    does the same without waiting, checks every answer, and ends with 0
 *                                when all were right (1 otherwise), printing what it found
 * Compiled as C11; links nothing of the library but its import library. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "cgallery.h"
#include "zrpcctl.h"

enum { kRows = 1000 };

static int g_check;
static int g_failures;
static char g_summary[512];

static void Expect(int ok, const char* what) {
    if (ok) return;
    ++g_failures;
    fprintf(stderr, "cgallery: wrong: %s\n", what);
}

static LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return SendMessageA(hwnd, msg, wp, lp);
}

/* Three columns and 1,000 rows: a file name, a size and a kind, every seventh row in red. */
static void FillReport(HWND report) {
    static const char* const titles[] = {"Name", "Size", "Kind"};
    static const int widths[] = {240, 120, 150};
    static const char* const kinds[] = {"document", "picture", "archive", "key file"};
    int i, sub;
    for (i = 0; i < 3; ++i) {
        RVMSUBITEM column = {0};
        column.cbSize = sizeof column;
        column.nFormat = 0x4000 /* HDF_STRING */ | (i == 1 ? 1 /* right-aligned */ : 0);
        column.iWidth = widths[i];
        column.pszText = titles[i];
        column.cchText = -1;
        Expect(Send(report, RVM_DEFINESUBITEM, (WPARAM)i, (LPARAM)&column) == i, "define a column");
        Expect(Send(report, RVM_ACTIVATESUBITEM, (WPARAM)i, i) == i, "show a column");
    }
    Send(report, RVM_INSERTCOLOR, 0, RGB(238, 243, 250)); /* stripes */
    Send(report, RVM_INSERTCOLOR, 1, RGB(192, 0, 0));
    Send(report, RVM_SETREDRAW, FALSE, 0);
    for (i = 0; i < kRows; ++i) {
        char name[32], size[16];
        RVMITEM item = {0};
        RVMCELL cell = {0};
        snprintf(name, sizeof name, "file %04d.txt", (i * 379) % kRows);
        snprintf(size, sizeof size, "%d KB", 1 + (i * 7919) % 4096);
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL | RVIM_USERDATA | (i % 7 == 0 ? RVIM_FORECOLOUR : 0);
        item.iItem = i;
        item.pszText = name;
        item.cchText = (int32_t)strlen(name);
        item.iTextColor = 1;
        item.lParam = i;
        Expect(Send(report, RVM_INSERTITEM, 0, (LPARAM)&item) == i, "insert a row");
        cell.cbSize = sizeof cell;
        for (sub = 1; sub <= 2; ++sub) {
            cell.iSubItem = sub;
            cell.pszText = (char*)(sub == 1 ? size : kinds[i % 4]);
            cell.cchText = -1;
            Send(report, RVM_SETITEMTEXT, (WPARAM)i, (LPARAM)&cell);
        }
    }
    Send(report, RVM_SETREDRAW, TRUE, 0);
}

/* The clipboard's text: its length and its number of lines. */
static void ClipboardLines(HWND owner, int* length, int* lines) {
    *length = *lines = 0;
    if (!OpenClipboard(owner)) return;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* text = data ? (const char*)GlobalLock(data) : NULL;
    if (text) {
        const char* p;
        *length = (int)strlen(text);
        for (p = text; *p; ++p)
            if (*p == '\n') ++*lines;
        GlobalUnlock(data);
    }
    CloseClipboard();
}

/* The column layout written to an initialisation file of the program's own choosing (in the temporary
 * folder), read back from it, and the default store chosen again. */
static void SaveColumns(HWND report) {
    char file[MAX_PATH + 32] = "", value[128] = "";
    RVMPROFILESTORE store = {0};
    RVMPROFILE profile = {0};
    DWORD n = GetTempPathA(MAX_PATH, file);
    if (n == 0 || n >= MAX_PATH) return;
    snprintf(file + n, sizeof file - n, "%s", "zrpc-cgallery.ini");
    store.cbSize = sizeof store;
    store.pszIniFile = file;
    store.cchIniFile = -1;
    Expect(Send(report, RVM_SETPROFILESTORE, 0, (LPARAM)&store) == TRUE, "choose the profile file");
    profile.cbSize = sizeof profile;
    profile.pszSection = "Report";
    profile.cchSection = -1;
    profile.pszEntry = "Columns";
    profile.cchEntry = -1;
    Expect(Send(report, RVM_WRITEPROFILE, 0, (LPARAM)&profile) == TRUE, "write the columns");
    GetPrivateProfileStringA("Report", "Columns", "", value, sizeof value, file);
    Expect(strcmp(value, "(3,3) 240 120 150 0 1 2") == 0, "the columns in the profile file");
    DeleteFileA(file);
    store.pszIniFile = NULL;
    Expect(Send(report, RVM_SETPROFILESTORE, 0, (LPARAM)&store) == TRUE, "the default profile store");
}

static void Run(HWND dialog) {
    HWND report = GetDlgItem(dialog, IDC_REPORT);
    HWND field = GetDlgItem(dialog, IDC_PASSWORD);
    char first[64] = "", hex[2 * SEDM_DIGEST_SIZE + 1] = "";
    unsigned char digest[SEDM_DIGEST_SIZE];
    RVMCELL cell = {0};
    RVMSELECT select = {0};
    int selected, focus, length = 0, lines = 0, i;
    const char* password = "secret";

    FillReport(report);
    Expect(Send(report, RVM_GETITEMCOUNT, 0, 0) == kRows, "1,000 rows");

    /* Sorted by name, descending: the last name comes first. */
    Expect(Send(report, RVM_SORTITEMS, 0, FALSE) == TRUE, "sort");
    cell.cbSize = sizeof cell;
    cell.pszText = first;
    cell.cchText = sizeof first;
    Send(report, RVM_GETITEMTEXT, (WPARAM)Send(report, RVM_GETITEMFROMROW, 0, 0), (LPARAM)&cell);
    Expect(strcmp(first, "file 0999.txt") == 0, "the first row after the sort");

    /* Every name ending in 7.txt selected (100 rows), the first of them scrolled into view. */
    select.cbSize = sizeof select;
    select.iSubItem = 0;
    select.pszPattern = "*7.TXT";
    select.cchPattern = -1;
    Expect(Send(report, RVM_SETSELECTIONPATTERN, 0, (LPARAM)&select) == TRUE, "select a pattern");
    selected = (int)Send(report, RVM_GETSELECTEDCOUNT, 0, 0);
    Expect(selected == 100, "100 rows selected");
    focus = (int)Send(report, RVM_GETFIRSTSELECTEDITEM, 0, 0);
    Send(report, RVM_SETCURRENTFOCUS, (WPARAM)focus, -1);
    Send(report, RVM_ENSUREVISIBLE, (WPARAM)focus, FALSE);

    /* The selection copied: one line per selected row. */
    Expect(Send(report, RVM_COPY, 0, 0) == TRUE, "copy");
    ClipboardLines(dialog, &length, &lines);
    Expect(lines == selected, "one copied line per selected row");
    SaveColumns(report);

    /* A password typed into the field; only its digest comes back. */
    SetFocus(field);
    for (i = 0; password[i]; ++i)
        Send(field, WM_CHAR, (WPARAM)(unsigned char)password[i], 1);
    Expect(Send(field, SEDM_GETLENGTH, 0, 0) == (LRESULT)strlen(password), "characters typed");
    Expect(Send(field, SEDM_GETDIGEST, sizeof digest, (LPARAM)digest) == TRUE, "the digest");
    for (i = 0; i < SEDM_DIGEST_SIZE; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    Expect(strcmp(hex, "e5e9fa1ba31ecd1ae84f75caaa474f3a663f05f4") == 0,
           "the digest is SHA-1 of the password");

    snprintf(g_summary, sizeof g_summary,
             "%d rows, sorted by Name, descending; %d selected by the pattern *7.TXT; "
             "%d lines (%d bytes) copied.\r\nSHA-1 of the password: %s",
             (int)Send(report, RVM_GETITEMCOUNT, 0, 0), selected, lines, length, hex);
    SetDlgItemTextA(dialog, IDC_RESULT, g_summary);
    SetFocus(report);
}

static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    (void)lp;
    switch (msg) {
    case WM_INITDIALOG:
        Run(dialog);
        if (g_check) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return FALSE; /* the focus is placed */
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int main(int argc, char** argv) {
    g_check = argc > 1 && strcmp(argv[1], "--check") == 0;
    /* The classes must be registered before the dialog template naming them is made. */
    if (!ZRPCFUNC_InitControls()) {
        fprintf(stderr, "cgallery: the control classes could not be registered\n");
        return 1;
    }
    if (DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CGALLERY), NULL, DialogProc, 0) == -1) {
        fprintf(stderr, "cgallery: the dialog could not be made (%lu)\n", (unsigned long)GetLastError());
        return 1;
    }
    printf("%s\n", g_summary);
    if (g_failures) printf("cgallery: %d answers were wrong\n", g_failures);
    return g_failures ? 1 : 0;
}
