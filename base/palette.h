// Colours that can be read: the contrast between two colours, the choice of a text colour a person can
// read on a background, and the colours a cell is drawn in (a caller's colours, the system's colours,
// and the system's colours alone when a high-contrast scheme is on). Colours are in the platform's
// 0x00BBGGRR layout.
#ifndef ZRPC_BASE_PALETTE_H
#define ZRPC_BASE_PALETTE_H

#include <cstdint>

namespace zrpc::palette {

using Colour = std::uint32_t;

constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);

// Text a person can read on a background: a contrast ratio of at least 4.5 to 1.
constexpr double kReadableContrast = 4.5;

// The relative luminance of a colour, 0 (black) to 1 (white), by the sRGB formula.
double Luminance(Colour c);

// The contrast ratio of two colours, 1 (the same) to 21 (black on white), the same either way round.
double Contrast(Colour a, Colour b);

inline bool Readable(Colour text, Colour back) {
    return Contrast(text, back) >= kReadableContrast;
}

// The text colour to draw on back: wanted when it can be read there, else the other candidate when it
// can, else black or white, whichever reads better.
Colour ReadableText(Colour wanted, Colour back, Colour other);

// What a cell asks for, and the system's colours for the cell's state (plain, selected, selected
// without focus). hasText/hasBack tell whether the caller set a colour of its own.
struct Request {
    bool hasText = false;
    Colour text = 0;
    bool hasBack = false;
    Colour back = 0;
};
struct Pair {
    Colour text;
    Colour back;
};

// The colours to draw a cell in. The system's pair is taken as it stands when the caller set no colour
// and in high contrast (the caller's colours set aside, as the platform's own controls do). Otherwise the
// caller's colours win over the system's, and a text colour that cannot be read on the background chosen is
// replaced by one that can (the system's text colour when it reads there, else black or white).
Pair Choose(const Request& request, Pair system, bool highContrast);

} // namespace zrpc::palette

#endif
