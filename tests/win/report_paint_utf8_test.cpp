// The report control in a program whose code page is UTF-8 (its manifest says so): cells, the
// empty-list text, header items, the tip and the width a cell needs show Cyrillic, Greek, accented,
// CJK and emoji texts as their characters, as the platform's Unicode text functions draw them.
// ctest-lock: display
#include "tests/win/report_paint_texts.h"

namespace {

using texts::ReportTexts;

const std::vector<std::string> kTexts = {
    "café au lait", "Документ", "Ελληνικά γράμματα", "日本語のテキスト", "emoji 😀 ok", "plain ASCII",
};

TEST_F(ReportTexts, ProgramRunsWithUtf8) {
    ASSERT_EQ(65001u, GetACP()) << "the manifest gives this program UTF-8 as its code page";
}

TEST_F(ReportTexts, CellsShowTheirCharacters) {
    CellsDrawnAsTheirCharacters(kTexts);
}

TEST_F(ReportTexts, EmptyListTextShowsItsCharacters) {
    EmptyTextDrawnAsItsCharacters("Нет элементов — ничего нет");
}

TEST_F(ReportTexts, HeaderItemsShowTheirCharacters) {
    for (const char* title : {"Имя файла", "Όνομα", "café"})
        HeaderItemDrawnAsItsCharacters(title);
}

TEST_F(ReportTexts, TipAndFittedWidthOfTheCharacters) {
    for (const char* text : {"Документ с длинным названием", "Ελληνικά γράμματα παντού"})
        TipAndWidthOfTheCharacters(text);
}

} // namespace
