// Start-up, language strings, settings and error messages of the library, through its exports.
// ctest-lock: display
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace {

// The language module loaded on its own, to compare what the library gives with the module's strings.
std::string ModuleString(unsigned id) {
    static HMODULE lang =
        LoadLibraryExA((zt::ProgramDir() + "\\zrpcres.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char buffer[1024] = "";
    int n = LoadStringA(lang, id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? (size_t)n : 0);
}

TEST(LangString, FoundStringsComeFromTheLanguageModule) {
    CString text("untouched");
    EXPECT_EQ(ZRPCFUNC_GetLangString(&text, IDS_ERROR_JOIN), 1);
    EXPECT_EQ(std::string(text.GetString()), ModuleString(IDS_ERROR_JOIN));
    EXPECT_FALSE(text.IsEmpty());
}

TEST(LangString, MissingStringGivesTheErrorTextWithEightHexDigits) {
    CString text;
    EXPECT_EQ(ZRPCFUNC_GetLangString(&text, 0xABCD), 0);
    EXPECT_STREQ(text.GetString(), "Error loading resource string : 0x0000ABCD");
    char buffer[64];
    EXPECT_EQ(ZRPCFUNC_GetLangStringsz(buffer, sizeof buffer, 999), 0);
    EXPECT_STREQ(buffer, "Error loading resource string : 0x000003E7");
}

TEST(LangString, BufferSizesAtAndBelowTheTextLength) {
    const std::string full = ModuleString(IDS_OVERWRITE_QUESTION);
    ASSERT_GT(full.size(), 10u);
    const int len = (int)full.size();
    for (int size : {len + 1, len, len - 1, 5, 2, 1}) {
        std::string buffer(len + 8, '#');
        EXPECT_EQ(ZRPCFUNC_GetLangStringsz(&buffer[0], size, IDS_OVERWRITE_QUESTION), 1) << size;
        EXPECT_EQ(std::string(buffer.c_str()), full.substr(0, size - 1)) << size;
        EXPECT_EQ(buffer[size], '#') << "wrote past the buffer of " << size;
    }
    // The missing-string text is cut to the buffer as well: 42 characters do not fit in 10 bytes.
    std::string small(16, '#');
    EXPECT_EQ(ZRPCFUNC_GetLangStringsz(&small[0], 10, 0xFFFF), 0);
    EXPECT_STREQ(small.c_str(), "Error loa");
    EXPECT_EQ(small[10], '#');
}

TEST(Frame, BothLibrariesCarryAVersion) {
    for (const char* name : {"zrpcfunc.dll", "zrpcres.dll"}) {
        std::string path = zt::ProgramDir() + "\\" + name;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << name;
        std::string data(size, 0);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &data[0])) << name;
        VS_FIXEDFILEINFO* info = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&info), &len)) << name;
        EXPECT_EQ(info->dwFileVersionMS, 0x00010006u) << name;
    }
}

TEST(Frame, DialogColourFollowsTheSystemsFaceColour) {
    // The colour is read at each call: a change of the system colours shows at once.
    const COLORREF old = GetSysColor(COLOR_3DFACE);
    const int which[] = {COLOR_3DFACE};
    for (COLORREF colour : {RGB(1, 2, 3), RGB(200, 100, 50)}) {
        ASSERT_TRUE(SetSysColors(1, which, &colour));
        EXPECT_EQ(ZRPCFUNC_GetDlgColour(), colour);
    }
    SetSysColors(1, which, &old);
    EXPECT_EQ(ZRPCFUNC_GetDlgColour(), old);
}

TEST(Frame, PreTranslateLeavesOtherWindowsMessagesAlone) {
    EXPECT_FALSE(ZRPCFUNC_PreTranslateMsg(nullptr));
    HWND wnd =
        CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    MSG msg = {wnd, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_FALSE(ZRPCFUNC_PreTranslateMsg(&msg));
    DestroyWindow(wnd);
}

TEST(ErrorMessages, FormatGivesTheStringNumberAndTextOfEveryCode) {
    for (unsigned long code = 0; code <= 80; ++code) {
        char buffer[400];
        unsigned long size = sizeof buffer;
        unsigned long id = ZRPCFUNC_FormatErrorMsg(code, buffer, &size);
        if (id == 0xFFFFFFFFu) {
            char expected[64];
            snprintf(expected, sizeof expected, "Unknown Corvane+ Error : %08lX", code);
            EXPECT_STREQ(buffer, expected) << code;
        } else {
            EXPECT_EQ(std::string(buffer), ModuleString(id)) << "code " << code;
            EXPECT_FALSE(ModuleString(id).empty()) << "language module lacks string " << id;
        }
    }
    char buffer[64];
    unsigned long size = sizeof buffer;
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(0, buffer, &size), 0u);
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(21, buffer, &size), 17u);
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(61, buffer, &size), 57u);
    // A folder the deletion could not remove has a code and a text of its own.
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(65, buffer, &size), 59172u);
    EXPECT_STREQ(buffer, "The folder could not be removed completely");
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(20, buffer, &size), 0xFFFFFFFFu);
    EXPECT_STREQ(buffer, "Unknown Corvane+ Error : 00000014");
}

TEST(ErrorMessages, SizeQueryModeWritesNoText) {
    unsigned long size = 0;
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(29, nullptr, &size), 25u);
    EXPECT_EQ(size, ModuleString(25).size() + 1);

    size = 1234; // unknown code: size left alone
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(78, nullptr, &size), 0xFFFFFFFFu);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(ZRPCFUNC_FormatErrorMsg(5, nullptr, nullptr), 5u);
}

TEST(ErrorMessages, FormatNeverWritesPastTheGivenSize) {
    const struct {
        unsigned long code;
        unsigned long size;
    } cases[] = {{29, 0}, {29, 1}, {29, 8}, {20, 0}, {20, 1}, {20, 8}, {20, 33}, {20, 34}};
    for (const auto& c : cases) {
        std::string buffer(64, '#');
        unsigned long size = c.size;
        ZRPCFUNC_FormatErrorMsg(c.code, &buffer[0], &size);
        for (size_t i = c.size; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#') << "code " << c.code << " size " << c.size << " wrote byte " << i;
        if (c.size > 0) {
            EXPECT_LE(std::strlen(buffer.c_str()) + 1, c.size);
        }
    }
    std::string buffer(64, '#');
    unsigned long size = 34;
    ZRPCFUNC_FormatErrorMsg(20, &buffer[0], &size);
    EXPECT_STREQ(buffer.c_str(), "Unknown Corvane+ Error : 00000014");
}

TEST(ErrorMessages, DisplayShowsTextJoinTitleAndWaitsForTheUser) {
    const std::string join = ModuleString(IDS_ERROR_JOIN);
    struct Case {
        unsigned long code;
        BOOL warning;
        bool ex;
        const char* detail;
        std::string text;
        std::string title;
    } cases[] = {
        {29, TRUE, false, nullptr, ModuleString(25) + " " + join + " manipulating the database.",
         ModuleString(118)},
        {1, FALSE, false, nullptr, ModuleString(1) + " " + join + " manipulating the database.",
         ModuleString(119)},
        {20, TRUE, false, nullptr,
         "Unknown Corvane+ Error : 00000014 " + join + " manipulating the database.", ModuleString(118)},
        {3, TRUE, true, "C:\\some\\file.dlu",
         ModuleString(3) + " " + join + " manipulating the database.\n\nC:\\some\\file.dlu",
         ModuleString(118)},
        {3, TRUE, true, "", ModuleString(3) + " " + join + " manipulating the database.\n\n",
         ModuleString(118)},
    };
    for (const Case& c : cases) {
        zt::BoxAnswerer answer(IDOK);
        if (c.ex)
            ZRPCFUNC_DisplayErrorMsgEx(nullptr, c.code, "manipulating the database", c.detail, c.warning);
        else
            ZRPCFUNC_DisplayErrorMsg(nullptr, c.code, "manipulating the database", c.warning);
        // The call returned, so the box was answered (and seen first).
        auto seen = answer.Seen();
        ASSERT_EQ(seen.size(), 1u);
        // A static control drops trailing line breaks from what it reports; compare without them.
        std::string want = c.text;
        while (!want.empty() && want.back() == '\n')
            want.pop_back();
        std::string got = seen[0].text;
        while (!got.empty() && got.back() == '\n')
            got.pop_back();
        EXPECT_EQ(got, want) << "code " << c.code;
        EXPECT_EQ(seen[0].title, c.title) << "code " << c.code;
    }
}

} // namespace
