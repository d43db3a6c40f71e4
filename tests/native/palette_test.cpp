// Readable colours: contrast ratios and the colours a cell is drawn in.
#include <gtest/gtest.h>

#include "base/dpi.h"
#include "base/palette.h"

namespace pal = zrpc::palette;

TEST(Palette, ContrastRatiosOfKnownPairs) {
    EXPECT_NEAR(21.0, pal::Contrast(pal::kBlack, pal::kWhite), 1e-9);
    EXPECT_NEAR(1.0, pal::Contrast(pal::Rgb(10, 200, 30), pal::Rgb(10, 200, 30)), 1e-9);
    EXPECT_DOUBLE_EQ(pal::Contrast(pal::Rgb(0, 0, 160), pal::kWhite),
                     pal::Contrast(pal::kWhite, pal::Rgb(0, 0, 160)));
    // Mid grey #777 on white is the classic edge: 4.48, just unreadable; #767676 reads (4.54).
    EXPECT_FALSE(pal::Readable(pal::Rgb(0x77, 0x77, 0x77), pal::kWhite));
    EXPECT_TRUE(pal::Readable(pal::Rgb(0x76, 0x76, 0x76), pal::kWhite));
    // The byte order is the platform's: red in the low byte. Pure red and pure blue differ a lot.
    EXPECT_NEAR(0.2126, pal::Luminance(pal::Rgb(255, 0, 0)), 1e-4);
    EXPECT_NEAR(0.0722, pal::Luminance(pal::Rgb(0, 0, 255)), 1e-4);
}

TEST(Palette, CellColoursForEveryColourSet) {
    const pal::Colour lightStripe = pal::Rgb(240, 240, 255), darkBlue = pal::Rgb(0, 0, 160);
    const pal::Colour yellow = pal::Rgb(255, 255, 0);
    const pal::Pair normal{pal::kBlack, pal::kWhite};               // the default scheme
    const pal::Pair darkScheme{pal::kWhite, pal::kBlack};           // a black high-contrast scheme
    const pal::Pair selected{pal::kWhite, pal::Rgb(0, 120, 215)};   // a selected row
    const pal::Pair hcSelected{pal::kBlack, pal::Rgb(0, 255, 255)}; // high-contrast selection
    struct Case {
        const char* what;
        pal::Request request;
        pal::Pair system;
        bool highContrast;
        pal::Pair expected;
    } cases[] = {
        {"system colours as they stand", {}, normal, false, normal},
        {"caller stripe keeps the system text",
         {false, 0, true, lightStripe},
         normal,
         false,
         {pal::kBlack, lightStripe}},
        {"caller text on the system back",
         {true, darkBlue, false, 0},
         normal,
         false,
         {darkBlue, pal::kWhite}},
        {"caller stripe under a dark scheme: the system's white text cannot be read, black is taken",
         {false, 0, true, lightStripe},
         darkScheme,
         false,
         {pal::kBlack, lightStripe}},
        {"caller text that the dark back hides: the system text is taken",
         {true, darkBlue, false, 0},
         darkScheme,
         false,
         darkScheme},
        {"caller text and back that cannot be read together",
         {true, yellow, true, pal::kWhite},
         normal,
         false,
         {pal::kBlack, pal::kWhite}},
        {"high contrast sets the caller's colours aside",
         {true, darkBlue, true, lightStripe},
         darkScheme,
         true,
         darkScheme},
        {"high-contrast selection as the system gives it",
         {true, darkBlue, true, lightStripe},
         hcSelected,
         true,
         hcSelected},
        // The system's own selection pair is the user's scheme: kept even where it falls just short.
        {"selected rows keep the system pair", {}, selected, false, selected},
    };
    for (const Case& c : cases) {
        const pal::Pair got = pal::Choose(c.request, c.system, c.highContrast);
        EXPECT_EQ(c.expected.text, got.text) << c.what;
        EXPECT_EQ(c.expected.back, got.back) << c.what;
        if (c.request.hasText || c.request.hasBack) {
            EXPECT_TRUE(c.highContrast || pal::Readable(got.text, got.back)) << c.what;
        }
    }
}

TEST(Dpi, SizesScaleFromNinetySixAndBack) {
    struct {
        int px;
        unsigned dpi;
        int scaled;
    } cases[] = {{9, 96, 9},    {9, 144, 14},  {9, 192, 18}, {7, 120, 9},    {-20, 144, -30}, {-20, 192, -40},
                 {32, 144, 48}, {48, 192, 96}, {1, 0, 1},    {65, 168, 114}, {0, 192, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.scaled, zrpc::ScaleToDpi(c.px, c.dpi)) << c.px << " at " << c.dpi;
        EXPECT_EQ(c.px, zrpc::UnscaleFromDpi(zrpc::ScaleToDpi(c.px, c.dpi), c.dpi))
            << c.px << " at " << c.dpi;
    }
}
