// What the report control draws of texts in the process's code page, compared with what the
// platform's Unicode text functions draw of the same characters: cells, the empty-list text, the
// header items, the tip over a cell too narrow for its text, and the width a cell needs. Shared by a
// test program running with UTF-8 as its code page and one running with the system's old code page.
#ifndef ZRPC_REPORT_PAINT_TEXTS_H
#define ZRPC_REPORT_PAINT_TEXTS_H

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/ui_testing.h"
#include "zrpcreportctrl.h"

namespace texts {

// The characters of code-page text as the process's code page means them.
inline std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring w((size_t)std::max(0, n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &w[0], n);
    return w;
}

inline int WideWidth(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// A bitmap of w x h pixels filled with back, and text drawn into rc as the control draws a cell's text.
class Expected : public zt::Picture {
  public:
    Expected(int w, int h, COLORREF back) : zt::Picture(w, h) {
        RECT all = {0, 0, w, h};
        SetBkColor(dc(), back);
        ExtTextOutA(dc(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    void Draw(const std::wstring& text, RECT rc, HFONT font, COLORREF colour, UINT format) {
        HGDIOBJ old = SelectObject(dc(), font);
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), colour);
        DrawTextW(dc(), text.c_str(), (int)text.size(), &rc, format);
        SelectObject(dc(), old);
    }
};

// Pixels of rc that differ between two pictures.
template <typename A, typename B> int Differences(const A& a, const B& b, const RECT& rc) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            n += a.At(x, y) != b.At(x, y);
    return n;
}

constexpr UINT kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;

class ReportTexts : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = zt::MakeParentWindow("ReportTextsParent", DefWindowProcA, nullptr, WS_POPUP | WS_VISIBLE, 0,
                                      0, 700, 400);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        report.reset();
        DestroyWindow(parent);
        zt::Pump(10);
    }
    CReportCtrl& Make(DWORD styles, const std::vector<std::string>& cells, const char* title, int width) {
        report.reset(new CReportCtrl);
        RECT rc = {0, 0, 600, 300};
        EXPECT_TRUE(report->Create(WS_CHILD | WS_VISIBLE | styles, rc, parent, 9));
        _RVSUBITEM s = {RV_HDF_STRING, width, 0, 0, 0, title};
        report->DefineSubItem(0, &s);
        report->ActivateSubItem(0, 0);
        for (const std::string& text : cells)
            report->AddItem(text.c_str());
        return *report;
    }
    HFONT Font() { return reinterpret_cast<HFONT>(SendMessageA(report->Handle(), WM_GETFONT, 0, 0)); }

    // Each cell's pixels are those DrawTextW gives its characters in the control's font and colours.
    void CellsDrawnAsTheirCharacters(const std::vector<std::string>& cells) {
        CReportCtrl& r = Make(0, cells, "Name", 400);
        SetFocus(parent);
        zt::Picture pic(r.Handle(), 600, 300);
        Expected want(600, 300, GetSysColor(COLOR_WINDOW));
        for (size_t i = 0; i < cells.size(); ++i) {
            RECT area;
            ASSERT_TRUE(r.GetItemRect((int)i, 0, &area, 3));
            area.bottom = area.top + r.GetItemHeight();
            want.Draw(Wide(cells[i]), area, Font(), GetSysColor(COLOR_WINDOWTEXT), kCellFormat);
            EXPECT_EQ(0, Differences(pic, want, area)) << "cell " << i << ": " << cells[i];
        }
    }

    // The empty-list text, centred in the list's first line.
    void EmptyTextDrawnAsItsCharacters(const std::string& text) {
        CReportCtrl& r = Make(0, {}, "Name", 400);
        ASSERT_TRUE(r.ModifyProperty(RVP_EMPTYMESSAGE, reinterpret_cast<LONG_PTR>(text.c_str())));
        zt::Picture pic(r.Handle(), 600, 300);
        RECT header;
        GetWindowRect(r.GetHeaderCtrl(), &header);
        RECT line = {0, header.bottom - header.top, 600, header.bottom - header.top + r.GetItemHeight() + 4};
        Expected want(600, 300, GetSysColor(COLOR_WINDOW));
        want.Draw(Wide(text), line, Font(), GetSysColor(COLOR_WINDOWTEXT),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        EXPECT_EQ(0, Differences(pic, want, line)) << text;
    }

    // A header item shows the same as one given its characters directly (HDM_SETITEMW).
    void HeaderItemDrawnAsItsCharacters(const std::string& title) {
        CReportCtrl& r = Make(0, {"x"}, title.c_str(), 300);
        HWND header = r.GetHeaderCtrl();
        RECT hc;
        GetClientRect(header, &hc);
        zt::Picture shown(header, hc.right, hc.bottom);
        std::wstring wide = Wide(title);
        HDITEMW hd = {};
        hd.mask = HDI_TEXT;
        hd.pszText = &wide[0];
        ASSERT_TRUE(SendMessageW(header, HDM_SETITEMW, 0, reinterpret_cast<LPARAM>(&hd)));
        zt::Picture direct(header, hc.right, hc.bottom);
        EXPECT_EQ(0, Differences(shown, direct, hc)) << title;
        // And the item's text is there at all.
        int inked = 0;
        for (int y = 0; y < hc.bottom; ++y)
            for (int x = 0; x < 300; ++x)
                inked += direct.At(x, y) == GetSysColor(COLOR_BTNTEXT);
        EXPECT_GT(inked, 5);
    }

    // The width a cell needs (MeasureItem, used when a divider double-click fits the column) and the tip
    // over a cell too narrow for its text: as wide as the characters, drawn as DrawTextW draws them.
    void TipAndWidthOfTheCharacters(const std::string& text) {
        CReportCtrl& r = Make(RVS_OVERFLOWTEXT, {text}, "Name", 40);
        std::wstring wide = Wide(text);
        int width = WideWidth(Font(), wide);
        EXPECT_EQ(width, r.MeasureItem(0, 0, nullptr, TRUE)) << text;
        SetForegroundWindow(parent);
        SetFocus(r.Handle());
        RECT area;
        ASSERT_TRUE(r.GetItemRect(0, 0, &area, 3));
        SendMessageA(r.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(area.left + 2, (area.top + area.bottom) / 2));
        HWND tip = r.GetTipWindow();
        ASSERT_TRUE(tip && IsWindowVisible(tip)) << "no tip over the narrow cell";
        RECT tr;
        GetWindowRect(tip, &tr);
        EXPECT_EQ(width + 5, tr.right - tr.left) << text;
        zt::Picture pic(tip, tr.right - tr.left, tr.bottom - tr.top);
        Expected want(tr.right - tr.left, tr.bottom - tr.top, GetSysColor(COLOR_INFOBK));
        RECT inner = {2, 0, tr.right - tr.left, tr.bottom - tr.top};
        want.Draw(wide, inner, Font(), GetSysColor(COLOR_INFOTEXT),
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        RECT compare = {2, 1, tr.right - tr.left - 1, tr.bottom - tr.top - 1}; // inside the frame
        EXPECT_EQ(0, Differences(pic, want, compare)) << text;
    }

    HWND parent = nullptr;
    std::unique_ptr<CReportCtrl> report;
};

} // namespace texts

#endif
