// The dialogs' pictures in high contrast: background and shape become the two system colours.
#include <gtest/gtest.h>

#include <vector>

#include "ui/picture_colours.h"

namespace {

constexpr uint32_t kFace = 0x000000;  // black face
constexpr uint32_t kInk = 0xFFFFFF;   // white text
constexpr uint32_t kBeige = 0xD8E9EC; // (236, 233, 216) as 0x00BBGGRR
constexpr uint32_t kBlue = 0xAA5A00;  // (0, 90, 170)

// A picture of width x height pixels in rows padded to four bytes, from colours given row by row.
struct Picture {
    int width, height;
    size_t stride;
    std::vector<uint8_t> bits;
    Picture(int w, int h, const std::vector<uint32_t>& colours)
        : width(w), height(h), stride((static_cast<size_t>(w) * 3 + 3) & ~size_t(3)), bits(stride * h, 0xEE) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = colours[static_cast<size_t>(y * w + x)];
                uint8_t* p = &bits[y * stride + x * 3];
                p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
            }
    }
    uint32_t At(int x, int y) const {
        const uint8_t* p = &bits[y * stride + x * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

TEST(PictureColours, BackgroundTakesTheFaceAndEveryOtherColourTheInk) {
    // A 3 x 2 picture: beige background, a blue shape and one pixel of a third colour.
    Picture p(3, 2, {kBeige, kBlue, kBeige, 0x123456, kBlue, kBeige});
    zrpc::PaintSilhouette(p.bits.data(), p.width, p.height, p.stride, kFace, kInk);
    const uint32_t want[2][3] = {{kFace, kInk, kFace}, {kInk, kInk, kFace}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(p.At(x, y), want[y][x]) << x << "," << y;
    // The padding after each row is left alone.
    EXPECT_EQ(p.bits[9], 0xEE);
    EXPECT_EQ(p.bits[p.stride + 9], 0xEE);
}

TEST(PictureColours, ColourOrderIsBlueGreenRedInTheRowsAndRedLowInTheColours) {
    Picture p(2, 1, {kBeige, kBlue});
    zrpc::PaintSilhouette(p.bits.data(), 2, 1, p.stride, 0x0000FF /* red */, 0xFF0000 /* blue */);
    EXPECT_EQ(p.bits[0], 0x00);
    EXPECT_EQ(p.bits[2], 0xFF) << "the face is red";
    EXPECT_EQ(p.bits[3], 0xFF) << "the ink is blue";
    EXPECT_EQ(p.bits[5], 0x00);
}

TEST(PictureColours, PicturesItCannotReadAreLeftAlone) {
    Picture p(2, 2, {kBeige, kBlue, kBlue, kBeige});
    const std::vector<uint8_t> before = p.bits;
    struct Case {
        int width, height;
        size_t stride;
    } const cases[] = {{0, 2, p.stride}, {2, 0, p.stride}, {-1, 2, p.stride}, {2, 2, 5}};
    for (const Case& c : cases) {
        zrpc::PaintSilhouette(p.bits.data(), c.width, c.height, c.stride, kFace, kInk);
        EXPECT_EQ(p.bits, before) << c.width << "x" << c.height << " stride " << c.stride;
    }
    zrpc::PaintSilhouette(nullptr, 2, 2, p.stride, kFace, kInk); // no picture: nothing happens
}

} // namespace
