#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "PictureSize.h"

namespace {

struct Size {
    uint32_t w = 0xDEAD;
    uint32_t h = 0xBEEF;
};

Size Read(const std::vector<uint8_t>& bytes, bool bExpected = true) {
    Size size;
    EXPECT_EQ(bExpected, ReadPictureSize(bytes.data(), bytes.size(), size.w, size.h));
    return size;
}

std::vector<uint8_t> Bmp(uint8_t nHeader, const std::vector<uint8_t>& sides) {
    std::vector<uint8_t> bmp(40, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[14] = nHeader;
    for (size_t i = 0; i < sides.size(); ++i) bmp[18 + i] = sides[i];
    return bmp;
}

struct GifFrame {
    uint16_t x, y, w, h;
};

void Put16(std::vector<uint8_t>& out, uint16_t n) {
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>(n >> 8));
}

// A GIF with a two-colour global table, a comment extension and the given frames, each with
// a two-colour local table and one data sub-block.
std::vector<uint8_t> Gif(uint16_t w, uint16_t h, const std::vector<GifFrame>& frames) {
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(gif, w);
    Put16(gif, h);
    gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    gif.insert(gif.end(), {0x21, 0xFE, 2, 'h', 'i', 0});
    for (const GifFrame& f : frames) {
        gif.push_back(0x2C);
        for (uint16_t n : {f.x, f.y, f.w, f.h}) Put16(gif, n);
        gif.insert(gif.end(), {0x80, 0, 0, 0, 1, 1, 1, 2, 2, 0x4C, 0x01, 0});
    }
    gif.push_back(0x3B);
    return gif;
}

}  // namespace

// The decoder reserves each frame at its own size: the logical screen alone says nothing.
TEST(PictureSizeTest, EveryGifFrameMustLieInsideItsScreenAndAllTogetherWithinTheBound) {
    std::vector<uint8_t> hostile = Gif(100, 100, {{0, 0, 10000, 10000}});
    Read(hostile, false);
    Read(Gif(100, 100, {{0, 0, 100, 100}, {50, 0, 51, 10}}), false);  // one column beyond
    Read(Gif(100, 100, {{0, 0, 100, 100}, {0, 99, 1, 2}}), false);    // one row beyond
    // 64 frames of 256 x 256 are exactly the pixel bound; one pixel more is refused.
    std::vector<GifFrame> frames(64, GifFrame{0, 0, 256, 256});
    Size size = Read(Gif(256, 256, frames));
    EXPECT_EQ(256u, size.w);
    frames.push_back({0, 0, 1, 1});
    Read(Gif(256, 256, frames), false);
    // Cut inside a frame header, inside its data, or inside a colour table: refused.
    std::vector<uint8_t> good = Gif(100, 100, {{0, 0, 100, 100}});
    Read(good);
    Read(std::vector<uint8_t>(good.begin(), good.begin() + 30), false);
    Read(std::vector<uint8_t>(good.begin(), good.end() - 3), false);
    Read(std::vector<uint8_t>(good.begin(), good.begin() + 15), false);
    // A stream without its trailer after whole frames is what decoders take.
    Read(std::vector<uint8_t>(good.begin(), good.end() - 1));
    good[good.size() - 1] = 0x00;  // neither a frame nor an extension
    Read(good, false);
}

TEST(PictureSizeTest, HeadersOfEveryFormatGiveTheirDeclaredSize) {
    // PNG: 30000 x 30000 in IHDR.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0,    13,
                                'I',  'H', 'D', 'R', 0,    0,    0x75, 0x30, 0, 0, 0x75, 0x30};
    Size size = Read(png);
    EXPECT_EQ(30000u, size.w);
    EXPECT_EQ(30000u, size.h);
    png.pop_back();
    size = Read(png, false);
    EXPECT_EQ(0xDEADu, size.w);  // untouched on failure

    size = Read(Gif(600, 400, {{0, 0, 600, 400}, {590, 390, 10, 10}}));
    EXPECT_EQ(600u, size.w);
    EXPECT_EQ(400u, size.h);

    size = Read(Bmp(40, {0x51, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}));  // 81 wide, 3 high top-down
    EXPECT_EQ(81u, size.w);
    EXPECT_EQ(3u, size.h);
    size = Read(Bmp(12, {0x20, 0x03, 0x10, 0x00}));  // core header: 16-bit sides
    EXPECT_EQ(800u, size.w);
    EXPECT_EQ(16u, size.h);
    Read(Bmp(40, {0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0}), false);  // negative width

    // JPEG: fill bytes, an APP0 segment and a DHT before the baseline frame header.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xFF, 0xE0, 0,  4, 'J',  'F',  0xFF, 0xC4, 0,
                                 3,    0,    0xFF, 0xC0, 0,    17, 8, 0x01, 0x2C, 0x02, 0x58};
    size = Read(jpeg);
    EXPECT_EQ(600u, size.w);
    EXPECT_EQ(300u, size.h);
    Read({0xFF, 0xD8, 0xFF, 0xDA, 0, 2}, false);                 // a scan before any frame
    Read({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xF0, 0, 0}, false);     // a segment beyond the end
    Read({'<', 'h', 't', 'm', 'l', '>', 0, 0, 0, 0, 0}, false);  // not a picture
    EXPECT_FALSE(ReadPictureSize(nullptr, 10, size.w, size.h));
}

TEST(PictureSizeTest, BoundsAreInclusiveOnEachSideAndOnThePixelCount) {
    EXPECT_TRUE(IsPictureSizeAcceptable(1250, 400));
    EXPECT_TRUE(IsPictureSizeAcceptable(8192, 512));
    EXPECT_TRUE(IsPictureSizeAcceptable(2048, 2048));
    EXPECT_TRUE(IsPictureSizeAcceptable(1, 8192));
    EXPECT_FALSE(IsPictureSizeAcceptable(8193, 1));
    EXPECT_FALSE(IsPictureSizeAcceptable(1, 8193));
    EXPECT_FALSE(IsPictureSizeAcceptable(8192, 513));  // one row beyond 4 Mi pixels
    EXPECT_FALSE(IsPictureSizeAcceptable(0, 10));
    EXPECT_FALSE(IsPictureSizeAcceptable(10, 0));
    EXPECT_FALSE(IsPictureSizeAcceptable(0xFFFFFFFFu, 0xFFFFFFFFu));
}
