// Texts the library cuts to a caller's size, in a program that runs with UTF-8 as its code page (its
// manifest, frame_utf8_test.rc) and the German language module, whose texts hold letters of two bytes:
// every cut falls between two characters. This test changes ResourceDll, which every process loading
// the library reads, so it runs alone.
// ctest-serial
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

bool ValidUtf8(const std::string& text) {
    return text.empty() ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0) > 0;
}

// A cut of text to size bytes: valid, a prefix of text, within size, and short of the most that fits
// by less than one character (at most three bytes).
void ExpectCut(const std::string& text, const std::string& got, size_t size) {
    EXPECT_TRUE(ValidUtf8(got)) << size << ": " << got;
    EXPECT_EQ(0u, text.compare(0, got.size(), got)) << size;
    EXPECT_LE(got.size() + 1, size);
    EXPECT_LT(std::min(size - 1, text.size()) - got.size(), 4u) << size;
}

TEST(FrameTexts, CutsFallBetweenCharacters) {
    ASSERT_EQ((UINT)CP_UTF8, GetACP()) << "the manifest gives the program UTF-8";
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set((zt::ProgramDir() + "\\zrpcres-de.dll").c_str());
    // The library starts on this first call and takes the German module.
    char full[512] = "";
    ASSERT_EQ(1, ZRPCFUNC_GetLangStringsz(full, sizeof full, 59172));
    const std::string text = full;
    ASSERT_NE(std::string::npos, text.find("\xC3\xA4")) << "an a-umlaut in UTF-8: " << text;
    ASSERT_TRUE(ValidUtf8(text));

    for (size_t size = 1; size <= text.size() + 1; ++size) {
        std::string buffer(600, '#');
        ZRPCFUNC_GetLangStringsz(&buffer[0], (int)size, 59172);
        ASSERT_EQ('#', buffer[size]) << size;
        ExpectCut(text, buffer.c_str(), size);

        buffer.assign(600, '#');
        unsigned long given = (unsigned long)size;
        EXPECT_EQ(59172u, ZRPCFUNC_FormatErrorMsg(65, &buffer[0], &given));
        ASSERT_EQ('#', buffer[size]) << size;
        ExpectCut(text, buffer.c_str(), size);
    }
    unsigned long needed = 0;
    ZRPCFUNC_FormatErrorMsg(65, nullptr, &needed);
    EXPECT_EQ(text.size() + 1, needed) << "the size a buffer needs, in bytes";
}

} // namespace
