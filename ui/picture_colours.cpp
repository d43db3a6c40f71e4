#include "ui/picture_colours.h"

namespace zrpc {

void PaintSilhouette(uint8_t* bits, int width, int height, size_t stride, uint32_t face, uint32_t ink) {
    if (!bits || width <= 0 || height <= 0 || stride < static_cast<size_t>(width) * 3) return;
    const uint8_t back[3] = {bits[0], bits[1], bits[2]};
    for (int y = 0; y < height; ++y) {
        uint8_t* p = bits + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            const bool background = p[0] == back[0] && p[1] == back[1] && p[2] == back[2];
            const uint32_t c = background ? face : ink;
            p[0] = static_cast<uint8_t>(c >> 16); // blue
            p[1] = static_cast<uint8_t>(c >> 8);  // green
            p[2] = static_cast<uint8_t>(c);       // red
        }
    }
}

} // namespace zrpc
