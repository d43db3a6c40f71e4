// A picture of the language module in two system colours: in high contrast the dialogs show their
// pictures as a silhouette, the background in the dialog's face colour and the shape in its text colour,
// as the platform draws its own glyphs in a high-contrast scheme.
#ifndef ZRPC_UI_PICTURE_COLOURS_H
#define ZRPC_UI_PICTURE_COLOURS_H

#include <cstddef>
#include <cstdint>

namespace zrpc {

// Recolours a 24-bit picture in place: bits holds height rows of width blue-green-red pixels, stride
// bytes apart. Every pixel of the picture's background colour (the colour of its first pixel) becomes
// face, every other pixel ink (colours as 0x00BBGGRR). Nothing happens to an empty picture or one whose
// rows do not fit their stride.
void PaintSilhouette(uint8_t* bits, int width, int height, size_t stride, uint32_t face, uint32_t ink);

} // namespace zrpc

#endif
