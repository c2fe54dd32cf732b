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

}  // namespace

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

    size = Read({'G', 'I', 'F', '8', '9', 'a', 0x58, 0x02, 0x90, 0x01});
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
    EXPECT_TRUE(IsPictureSizeAcceptable(8192, 2048));
    EXPECT_TRUE(IsPictureSizeAcceptable(1, 8192));
    EXPECT_FALSE(IsPictureSizeAcceptable(8193, 1));
    EXPECT_FALSE(IsPictureSizeAcceptable(1, 8193));
    EXPECT_FALSE(IsPictureSizeAcceptable(8192, 2049));  // one row beyond 16 Mi pixels
    EXPECT_FALSE(IsPictureSizeAcceptable(0, 10));
    EXPECT_FALSE(IsPictureSizeAcceptable(10, 0));
    EXPECT_FALSE(IsPictureSizeAcceptable(0xFFFFFFFFu, 0xFFFFFFFFu));
}
