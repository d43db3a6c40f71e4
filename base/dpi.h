// Sizes on screens of any density. The library's pixel sizes are given for a 96-DPI screen; on a screen
// of another density they are multiplied by dpi / 96, rounded to the nearest pixel, so at 96 DPI every
// size stays exactly what it is.
#ifndef ZRPC_BASE_DPI_H
#define ZRPC_BASE_DPI_H

namespace zrpc {

constexpr unsigned kBaseDpi = 96;

// px (a size at 96 DPI) at dpi; a dpi of 0 counts as 96. Negative sizes (font heights) scale alike.
constexpr int ScaleToDpi(int px, unsigned dpi) {
    if (dpi == 0 || dpi == kBaseDpi) return px;
    const long long v = static_cast<long long>(px) * dpi;
    const long long half = kBaseDpi / 2;
    return static_cast<int>(v >= 0 ? (v + half) / kBaseDpi : -((-v + half) / kBaseDpi));
}

// The inverse: a size at dpi given back at 96 DPI (for values stored in 96-DPI units).
constexpr int UnscaleFromDpi(int px, unsigned dpi) {
    if (dpi == 0 || dpi == kBaseDpi) return px;
    const long long v = static_cast<long long>(px) * kBaseDpi;
    const long long half = dpi / 2;
    return static_cast<int>(v >= 0 ? (v + half) / dpi : -((-v + half) / dpi));
}

} // namespace zrpc

#endif
