// Readable colours; see palette.h.
#include "base/palette.h"

#include <cmath>

namespace zrpc::palette {

namespace {

double Channel(unsigned v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double Luminance(Colour c) {
    return 0.2126 * Channel(c & 0xFF) + 0.7152 * Channel((c >> 8) & 0xFF) +
           0.0722 * Channel((c >> 16) & 0xFF);
}

double Contrast(Colour a, Colour b) {
    const double la = Luminance(a), lb = Luminance(b);
    const double hi = la > lb ? la : lb, lo = la > lb ? lb : la;
    return (hi + 0.05) / (lo + 0.05);
}

Colour ReadableText(Colour wanted, Colour back, Colour other) {
    if (Readable(wanted, back)) return wanted;
    if (Readable(other, back)) return other;
    return Contrast(kBlack, back) >= Contrast(kWhite, back) ? kBlack : kWhite;
}

Pair Choose(const Request& request, Pair system, bool highContrast) {
    // The system's own pairs are the user's scheme and stand as they are.
    if (highContrast || (!request.hasText && !request.hasBack)) return system;
    Pair out{request.hasText ? request.text : system.text, request.hasBack ? request.back : system.back};
    out.text = ReadableText(out.text, out.back, system.text);
    return out;
}

} // namespace zrpc::palette
