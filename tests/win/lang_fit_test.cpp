// Every text of the language modules' dialogs fits the space it has, in English, German and the
// stretched module: each static text and button is measured with the item's own font (DrawText with
// DT_CALCRECT) against its client area. A failure names the module, the dialog, the item or string
// number, and both sizes.
// ctest-lock: display
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "zrpcres_ids.h"

namespace {

const char* const kModules[] = {"zrpcres.dll", "zrpcres-de.dll", "zrpcres-xx.dll"};

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// The size a text needs in window w with w's font: one line for buttons, wrapped at the item's
// width for static texts.
SIZE Needed(HWND w, const std::string& text, bool wrap, int width) {
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(w, WM_GETFONT, 0, 0));
    RECT r = {0, 0, wrap ? width : 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

struct Misfit {
    std::string what;
    SIZE needed, has;
};

// Checks the text in item; what names it in a failure.
void Check(HWND item, const std::string& text, const std::string& what, std::vector<Misfit>& misfits) {
    if (text.empty()) return;
    char cls[32] = {0};
    GetClassNameA(item, cls, sizeof cls);
    RECT client;
    GetClientRect(item, &client);
    SIZE has = {client.right, client.bottom};
    if (lstrcmpiA(cls, "Button") == 0) {
        // A push button draws its text inside a 3-pixel frame and focus rectangle on either side.
        SIZE needed = Needed(item, text, false, 0);
        has.cx -= 6;
        if (needed.cx > has.cx || needed.cy > has.cy) misfits.push_back({what, needed, has});
    } else if (lstrcmpiA(cls, "Static") == 0) {
        LONG style = GetWindowLongA(item, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_BITMAP || (style & SS_TYPEMASK) == SS_ICON) return;
        SIZE needed = Needed(item, text, true, has.cx);
        if (needed.cx > has.cx || needed.cy > has.cy) misfits.push_back({what, needed, has});
    }
}

std::string Describe(const std::vector<Misfit>& misfits) {
    std::string out;
    for (const Misfit& m : misfits)
        out += "\n  " + m.what + ": needs " + std::to_string(m.needed.cx) + "x" + std::to_string(m.needed.cy) +
               " pixels, has " + std::to_string(m.has.cx) + "x" + std::to_string(m.has.cy);
    return out;
}

TEST(LanguageFit, EveryDialogTextFitsInEveryModule) {
    for (const char* name : kModules) {
        HMODULE module = LoadLibraryExA((zt::ProgramDir() + "\\" + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module) << name;
        std::vector<Misfit> misfits;
        for (int dialogId : {IDD_WORKING, IDD_PASSWORD}) {
            HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(dialogId), nullptr, QuietDialog, 0);
            ASSERT_TRUE(dialog) << name << " dialog " << dialogId;
            for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
                char text[512] = {0};
                GetWindowTextA(item, text, sizeof text);
                Check(item, text,
                      std::string(name) + " dialog " + std::to_string(dialogId) + " item " +
                          std::to_string(GetDlgCtrlID(item)) + " \"" + text + "\"",
                      misfits);
            }
            if (dialogId == IDD_WORKING) {
                // The messages the library shows in the working dialog's text item.
                HWND message = GetDlgItem(dialog, IDC_WORKING_MESSAGE);
                for (unsigned id : {124u, 125u}) {
                    char text[512] = {0};
                    LoadStringA(module, id, text, sizeof text);
                    EXPECT_NE(text[0], 0) << name << " string " << id;
                    Check(message, text,
                          std::string(name) + " dialog 161 item 1001, string " + std::to_string(id) + " \"" +
                              text + "\"",
                          misfits);
                }
            }
            DestroyWindow(dialog);
        }
        EXPECT_TRUE(misfits.empty()) << Describe(misfits);
        FreeLibrary(module);
    }
}

} // namespace
