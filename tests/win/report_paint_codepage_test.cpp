// The report control in a program with the system's old code page (1252 here): accented texts and
// the euro sign in cells, the empty-list text, header items, the tip and the width a cell needs show
// as their characters, as before.
// ctest-lock: display
#include "tests/win/report_paint_texts.h"

namespace {

using texts::ReportTexts;

const std::vector<std::string> kTexts = {"caf\xE9 au lait", "na\xEFve \x80 12", "\xC6sir \xDF\xFC",
                                         "plain ASCII"};

TEST_F(ReportTexts, ProgramRunsWithCodePage1252) {
    ASSERT_EQ(1252u, GetACP());
}

TEST_F(ReportTexts, CellsShowTheirCharacters) {
    CellsDrawnAsTheirCharacters(kTexts);
}

TEST_F(ReportTexts, EmptyListTextShowsItsCharacters) {
    EmptyTextDrawnAsItsCharacters("Aucun \xE9l\xE9ment \x80");
}

TEST_F(ReportTexts, HeaderItemsShowTheirCharacters) {
    HeaderItemDrawnAsItsCharacters("Pr\xE9nom");
}

TEST_F(ReportTexts, TipAndFittedWidthOfTheCharacters) {
    TipAndWidthOfTheCharacters("Caf\xE9 cr\xE8me br\xFBl\xE9\x65 \x80");
}

} // namespace
