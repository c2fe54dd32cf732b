#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageLoaderThread.h"
#include "ImageMgr.h"
#include "Log.h"
#include "MakerServer.h"
#include "PictureSize.h"
#include "ProductInfoMgr.h"
#include "RefServerControl.h"
#include "TestSupport.h"

namespace {

const uint32_t kKey = 0xFFFF00FF;  // ARGB of the colour key

// One row of the built-in picture table: whole pictures have a frame width of 0.
struct BuiltIn {
    int nType;
    UINT nIndex;
    int nWidth;
    int nHeight;
    int nFrameWidth;
};

const BuiltIn kBuiltIns[] = {
    {1, 0, 300, 28, 60},   {2, 0, 920, 82, 184}, {3, 0, 1250, 92, 250}, {4, 0, 80, 16, 16},
    {5, 0, 80, 16, 16},    {6, 0, 140, 21, 28},  {7, 0, 360, 24, 72},   {9, 0, 80, 16, 16},
    {10, 0, 80, 16, 16},   {11, 0, 598, 8, 0},   {11, 1, 598, 6, 0},    {12, 0, 600, 400, 0},
    {13, 0, 296, 173, 0},  {14, 0, 228, 57, 0},  {15, 0, 16, 16, 0},    {16, 0, 598, 2, 0},
    {18, 0, 580, 354, 0},  {19, 0, 66, 20, 0},   {20, 0, 580, 354, 0},  {24, 0, 41, 15, 0},
    {25, 0, 940, 67, 188}, {26, 0, 250, 19, 50},
};

// A 24-bit bottom-up BMP of one colour, the simplest picture the decoder takes.
std::vector<uint8_t> MakeBmp(int nWidth, int nHeight, uint8_t nBlue) {
    const uint32_t nRow = (static_cast<uint32_t>(nWidth) * 3 + 3) & ~3u;
    const uint32_t nData = nRow * static_cast<uint32_t>(nHeight);
    std::vector<uint8_t> bmp(54 + nData, 0);
    auto put32 = [&bmp](size_t nAt, uint32_t n) {
        for (int i = 0; i < 4; ++i) bmp[nAt + i] = static_cast<uint8_t>(n >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(nWidth));
    put32(22, static_cast<uint32_t>(nHeight));
    bmp[26] = 1;
    bmp[28] = 24;
    for (uint32_t i = 0; i < nData; i += 3) bmp[54 + i] = nBlue;
    return bmp;
}

// The pixels of one rectangle of an image, row by row, as ARGB.
std::vector<uint32_t> Pixels(Gdiplus::Image* pImage, int x, int y, int cx, int cy) {
    std::vector<uint32_t> pixels;
    auto* pBitmap = static_cast<Gdiplus::Bitmap*>(pImage);
    for (int j = y; j < y + cy; ++j) {
        for (int i = x; i < x + cx; ++i) {
            Gdiplus::Color colour;
            pBitmap->GetPixel(i, j, &colour);
            pixels.push_back(colour.GetValue());
        }
    }
    return pixels;
}

uint32_t Pixel(Gdiplus::Image* pImage, int x, int y) {
    return Pixels(pImage, x, y, 1, 1)[0];
}

class ImageMgrTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&s_nToken, &input, nullptr));
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_nToken); }

    static ULONG_PTR s_nToken;
};
ULONG_PTR ImageMgrTest::s_nToken = 0;

}  // namespace

TEST_F(ImageMgrTest, BuiltInPicturesAreFiledWithTheirSizesAndFrames) {
    CImageMgr& mgr = CImageMgr::Instance();
    EXPECT_EQ(&mgr, CImageSource::Current());
    EXPECT_EQ(0, mgr.GetSlideCount());
    ASSERT_TRUE(mgr.LoadFromResources());
    EXPECT_EQ(1, mgr.GetSlideCount());
    for (const BuiltIn& row : kBuiltIns) {
        SCOPED_TRACE(testing::Message() << "type " << row.nType << " index " << row.nIndex);
        bool bStrip = row.nFrameWidth != 0;
        std::vector<std::vector<uint32_t>> frames;
        for (UINT i = row.nIndex; i < (bStrip ? 4u : row.nIndex + 1); ++i) {
            ImageEntry entry;
            ASSERT_TRUE(mgr.GetImage(row.nType, i, entry));
            ASSERT_NE(nullptr, entry.pImage);
            EXPECT_EQ(row.nWidth, static_cast<int>(entry.pImage->GetWidth()));
            EXPECT_EQ(row.nHeight, static_cast<int>(entry.pImage->GetHeight()));
            EXPECT_EQ(bStrip ? row.nFrameWidth * static_cast<int>(i) : 0, entry.x);
            EXPECT_EQ(0, entry.y);
            EXPECT_EQ(bStrip ? row.nFrameWidth : row.nWidth, entry.cx);
            EXPECT_EQ(row.nHeight, entry.cy);
            frames.push_back(Pixels(entry.pImage, entry.x, entry.y, entry.cx, entry.cy));
        }
        // The four states of a button must look different from one another.
        for (size_t i = 0; i < frames.size(); ++i)
            for (size_t j = i + 1; j < frames.size(); ++j) EXPECT_NE(frames[i], frames[j]) << i << " " << j;
        ImageEntry fifth;
        EXPECT_EQ(!bStrip && row.nType == 11 && row.nIndex == 0,
                  mgr.GetImage(row.nType, bStrip ? 4 : row.nIndex + 1, fifth));
    }

    // Window outlines are cut by the colour key in the corners, not inside.
    ImageEntry background, msgbox;
    ASSERT_TRUE(mgr.GetImage(12, 0, background) && mgr.GetImage(13, 0, msgbox));
    for (Gdiplus::Image* pImage : {background.pImage, msgbox.pImage}) {
        int w = static_cast<int>(pImage->GetWidth()), h = static_cast<int>(pImage->GetHeight());
        EXPECT_EQ(kKey, Pixel(pImage, 0, 0));
        EXPECT_EQ(kKey, Pixel(pImage, w - 1, h - 1));
        EXPECT_NE(kKey, Pixel(pImage, w / 2, 0));
        EXPECT_NE(kKey, Pixel(pImage, w / 2, h / 2));
    }

    // Keys never filed answer false and leave the caller's entry as it was.
    ImageEntry untouched;
    untouched.x = 7;
    for (int nType : {17, 8, 21, 22, 23, 27, 0, -1}) EXPECT_FALSE(mgr.GetImage(nType, 0, untouched)) << nType;
    EXPECT_FALSE(mgr.GetImage(7, 4, untouched));
    EXPECT_FALSE(mgr.GetImage(18, 1, untouched));
    EXPECT_EQ(nullptr, untouched.pImage);
    EXPECT_EQ(7, untouched.x);

    // A strip 81 pixels wide has frames of 16; keys already filed keep their entries.
    std::vector<uint8_t> strip = MakeBmp(81, 3, 0x40);
    Gdiplus::Image* pStrip = mgr.AddImage("strip", strip.data(), strip.size());
    ASSERT_NE(nullptr, pStrip);
    mgr.SetStateImages(pStrip, 30);
    mgr.SetStateImages(pStrip, 1);
    for (UINT i = 0; i < 4; ++i) {
        ImageEntry entry;
        ASSERT_TRUE(mgr.GetImage(30, i, entry));
        EXPECT_EQ(16 * static_cast<int>(i), entry.x);
        EXPECT_EQ(16, entry.cx);
        EXPECT_EQ(3, entry.cy);
        ASSERT_TRUE(mgr.GetImage(1, i, entry));
        EXPECT_EQ(60, entry.cx);
    }

    // SetImage replaces an entry; the image handed out before stays drawable until Release.
    mgr.SetImage(12, 0, pStrip);
    ImageEntry replaced;
    ASSERT_TRUE(mgr.GetImage(12, 0, replaced));
    EXPECT_EQ(pStrip, replaced.pImage);
    EXPECT_EQ(81, replaced.cx);
    EXPECT_EQ(600u, background.pImage->GetWidth());
    EXPECT_EQ(kKey, Pixel(background.pImage, 0, 0));

    // Release forgets the instance: the next one starts empty.
    mgr.Release();
    EXPECT_EQ(nullptr, CImageSource::Current());
    CImageMgr& fresh = CImageMgr::Instance();
    EXPECT_EQ(0, fresh.GetSlideCount());
    EXPECT_FALSE(fresh.GetImage(12, 0, untouched));
    fresh.Release();
}
