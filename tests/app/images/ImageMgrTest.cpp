#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#define PSAPI_VERSION 2
#include <psapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Handles.h"
#include "ImageLoaderThread.h"
#include "ImageMgr.h"
#include "Log.h"
#include "MakerServer.h"
#include "Orvane.h"
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

// One of the reference server's pictures, read from the source tree.
std::vector<uint8_t> ServerPicture(const std::string& strName) {
    std::string strPath = "Z:" + GetEnvString("ORVANE_SOURCE_DIR") + "/tools/refserver/pictures/" + strName;
    for (char& c : strPath)
        if (c == '/')
            c = '\\';
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(strPath, bytes)) << strPath;
    return bytes;
}

// A GIF whose logical screen is w x h and whose one frame is fw x fh, with a minimal data
// stream; the decoder reserves the frame before it reads the data.
std::vector<uint8_t> MakeGif(uint16_t w, uint16_t h, uint16_t fw, uint16_t fh) {
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    for (uint16_t n : {w, h}) gif.insert(gif.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)});
    gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0, 0});
    for (uint16_t n : {fw, fh})
        gif.insert(gif.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)});
    gif.insert(gif.end(), {0, 2, 2, 0x44, 0x01, 0, 0x3B});
    return gif;
}

size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    EXPECT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)));
    return counters.PeakPagefileUsage;
}

size_t CountOf(const std::string& strText, const std::string& strLine) {
    size_t nCount = 0;
    for (size_t i = strText.find(strLine); i != std::string::npos; i = strText.find(strLine, i + 1)) ++nCount;
    return nCount;
}

// A loader over the addresses into the sink, started at once; stopped and waited for when it
// goes, as its owner in the program does before the store's release.
class CLoaderRun {
public:
    CLoaderRun(CImageSink& sink, ImageAddresses addresses) : m_loader(sink, std::move(addresses)) {
        m_loader.Start();
    }
    ~CLoaderRun() { Stop(); }
    void Stop() {
        m_loader.Stop();
        m_loader.WaitFor(-1);
        m_loader.CloseThreadHandle();
    }

private:
    CImageLoaderThread m_loader;
};

// What a loader handed over, call by call: 'F'irst, 'S'lide or 'L'ast and the byte count.
class CRecordingSink : public CImageSink {
public:
    bool SetFirstImage(const unsigned char*, size_t nSize) override { return Record('F', nSize); }
    bool AddSlideImage(const unsigned char*, size_t nSize) override { return Record('S', nSize); }
    bool SetLastImage(const unsigned char*, size_t nSize) override { return Record('L', nSize); }
    std::vector<std::pair<char, size_t>> Calls() {
        CAutoLock lock(m_lock);
        return m_calls;
    }

private:
    bool Record(char cKind, size_t nSize) {
        CAutoLock lock(m_lock);
        m_calls.emplace_back(cKind, nSize);
        return true;
    }
    CCriticalSection m_lock;
    std::vector<std::pair<char, size_t>> m_calls;
};

class ImageMgrTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pGdiplus = new CGdiplusSession;
        ASSERT_TRUE(s_pGdiplus->IsStarted());
    }
    static void TearDownTestSuite() {
        delete s_pGdiplus;
        s_pGdiplus = nullptr;
    }

    void SetUp() override {
        SetLogFile(m_dir.File("test.log").c_str());
        SetLogFlags(LOG_FILE);
        SetLogLevel(6);
    }
    void TearDown() override {
        SetLogFlags(LOG_TIME);
        SetLogFile("");
    }
    // The log so far, with the line ends the program wrote ("\n").
    std::string LogText() {
        std::string strText = ReadFileText(m_dir.File("test.log")), strOut;
        for (char c : strText)
            if (c != '\r')
                strOut += c;
        return strOut;
    }
    // The loader writes the last-image line last of all; true once it is there.
    bool WaitForLog(const std::string& strLine, int nTimeoutMs) {
        for (DWORD dwStart = ::GetTickCount(); static_cast<int>(::GetTickCount() - dwStart) < nTimeoutMs;) {
            if (LogText().find(strLine) != std::string::npos)
                return true;
            ::Sleep(50);
        }
        return false;
    }

    static CGdiplusSession* s_pGdiplus;
    CTempDir m_dir;
};
CGdiplusSession* ImageMgrTest::s_pGdiplus = nullptr;

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

    // The decode bound applies to any picture: one pixel too wide is refused undecoded.
    std::vector<uint8_t> wide = MakeBmp(8193, 1, 0x50), widest = MakeBmp(8192, 1, 0x50);
    EXPECT_EQ(nullptr, mgr.AddImage("wide", wide.data(), wide.size()));
    EXPECT_NE(nullptr, mgr.AddImage("widest", widest.data(), widest.size()));

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

// The store fed through its sink alone, as a loader feeds it: bytes that do not decode are
// refused under the names the log gives them and take no slide number; pictures that decode
// take the first slide's place, the slide after the built-in one and the finish picture's.
TEST_F(ImageMgrTest, SinkFilesFirstSlideAndLastPictureWithoutANetwork) {
    CImageMgr& mgr = CImageMgr::Instance();
    mgr.LoadFromResources();
    CImageSink& sink = mgr;
    const std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    EXPECT_FALSE(sink.SetFirstImage(junk.data(), junk.size()));
    EXPECT_FALSE(sink.AddSlideImage(junk.data(), junk.size()));
    EXPECT_FALSE(sink.SetLastImage(junk.data(), junk.size()));
    ImageEntry entry;
    EXPECT_FALSE(mgr.GetImage(17, 0, entry));
    EXPECT_EQ(1, mgr.GetSlideCount());
    ASSERT_TRUE(mgr.GetImage(18, 0, entry));
    EXPECT_EQ(580, entry.cx);
    std::string strLog = LogText();
    for (const char* pszName : {"DefaultImage", "Image1", "FinishImage"})
        EXPECT_EQ(1u, CountOf(strLog, std::string("CImageMgr::AddImage 图片数据加载失败 ") + pszName + "\n"));

    const std::vector<uint8_t> first = MakeBmp(40, 30, 0x10), slide = MakeBmp(41, 31, 0x20),
                               last = MakeBmp(42, 32, 0x30);
    EXPECT_TRUE(sink.SetFirstImage(first.data(), first.size()));
    EXPECT_TRUE(sink.AddSlideImage(slide.data(), slide.size()));
    EXPECT_TRUE(sink.SetLastImage(last.data(), last.size()));
    EXPECT_EQ(2, mgr.GetSlideCount());
    const int kSizes[][4] = {{18, 0, 40, 30}, {18, 1, 41, 31}, {17, 0, 42, 32}};
    for (const auto& row : kSizes) {
        ASSERT_TRUE(mgr.GetImage(row[0], static_cast<UINT>(row[1]), entry)) << row[0] << " " << row[1];
        EXPECT_EQ(row[2], entry.cx);
        EXPECT_EQ(row[3], entry.cy);
    }
    EXPECT_FALSE(mgr.GetImage(18, 2, entry));
    mgr.Release();
}

// The whole road through the configuration: the setup document names the pictures, the loader
// files what arrives and decodes, and skips or refuses the rest.
TEST_F(ImageMgrTest, ServerPicturesNamedByTheSetupAreFiledInListOrder) {
    ASSERT_FALSE(TestServerBase().empty());
    ASSERT_TRUE(ResetServer());
    ClearMakerFiles();
    ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", TestServerBase().c_str());
    std::string strFirst = PutServedFile("img/first.png", ServerPicture("first.png"));
    std::string strA = PutServedFile("img/a.bmp", MakeBmp(41, 30, 0x10));
    std::string strNotImage = PutServedFile("img/notimage.png", ServerPicture("notimage.png"));
    std::string strBomb = PutServedFile("img/bomb.png", ServerPicture("bomb.png"));
    std::string strC = PutServedFile("img/c.bmp", MakeBmp(43, 30, 0x20));
    std::string strD = PutServedFile("img/d.bmp", MakeBmp(44, 30, 0x30));
    ASSERT_FALSE(strFirst.empty() || strA.empty() || strC.empty() || strD.empty() || strBomb.empty());
    std::string strMissing = TestServerUrl("/img/missing.png"), strLast = TestServerUrl("/img/nolast.png");
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<c/>"));
    ASSERT_TRUE(PutMakerFile(
        "maker-setup.xml",
        "<setup productId=\"2\" productName=\"Kavvik\" productFullName=\"Kavvik Player\""
        " version=\"3.2.1\"><rept url=\"" +
            TestServerUrl("/stat/kv") + "\" productName=\"kv\" version=\"3.2\"/><firstimage url=\"" +
            strFirst + "\"/><image url=\"" + strA + "\"/><image url=\"" + strMissing + "\"/><image url=\"" +
            strNotImage + "\"/><image url=\"" + strBomb + "\"/><image url=\"" + strC + "\"/><image url=\"" +
            strD + "\"/><lastimage url=\"" + strLast + "\"/></setup>"));
    CProductInfoMgr& config = CProductInfoMgr::Instance();
    config.StartLoading(nullptr);
    ASSERT_TRUE(config.WaitForLoading(60000));
    ASSERT_EQ(CProductInfoMgr::kLoaded, config.GetLoadingState());
    ASSERT_EQ(6u, config.GetImageCount());

    CImageMgr& mgr = CImageMgr::Instance();
    mgr.LoadFromResources();
    ImageEntry builtIn;
    ASSERT_TRUE(mgr.GetImage(18, 0, builtIn));
    CLoaderRun loader(mgr, GetImageAddresses(config));
    ASSERT_TRUE(WaitForLog("设置LastImage " + strLast + "\n", 30000));

    ImageEntry slide;
    ASSERT_TRUE(mgr.GetImage(18, 0, slide));
    EXPECT_NE(builtIn.pImage, slide.pImage);
    EXPECT_EQ(580, slide.cx);
    EXPECT_EQ(354u, builtIn.pImage->GetHeight());  // the replaced picture is still there
    EXPECT_EQ(4, mgr.GetSlideCount());
    const int kWidths[] = {41, 43, 44};
    for (UINT i = 1; i <= 3; ++i) {
        ASSERT_TRUE(mgr.GetImage(18, i, slide)) << i;
        EXPECT_EQ(kWidths[i - 1], slide.cx) << i;
    }
    EXPECT_FALSE(mgr.GetImage(18, 4, slide));
    EXPECT_FALSE(mgr.GetImage(17, 0, slide));
    std::string strLog = LogText();
    EXPECT_EQ(1u, CountOf(strLog, "设置FirstImage " + strFirst + "\n"));
    // Both the bytes that are no picture and the one that declares 30000 x 30000 pixels fail
    // as slide 2, the number the next good picture then takes.
    EXPECT_EQ(2u, CountOf(strLog, "CImageMgr::AddImage 图片数据加载失败 Image2\n"));
    EXPECT_EQ(3u, CountOf(strLog, "SetLastImage Fail\n"));
    EXPECT_EQ(1u, CountOf(strLog, "设置LastImage "));
    EXPECT_EQ(0u, CountOf(strLog, "pImage=null"));
    EXPECT_EQ(1u, ServerRequests("/img/missing.png").size());
    EXPECT_EQ(3u, ServerRequests("/img/nolast.png").size());
    loader.Stop();
    mgr.Release();
    config.Shutdown();
    ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", nullptr);
}

TEST_F(ImageMgrTest, LastImageArrivesAndAStopEndsTheLoaderBetweenPictures) {
    ASSERT_TRUE(ResetServer());
    std::string strLast = PutServedFile("img/last.png", ServerPicture("last.png"));
    std::string strNotImage = PutServedFile("img/notimage.png", ServerPicture("notimage.png"));
    std::string strA = PutServedFile("img/a.bmp", MakeBmp(41, 30, 0x10));
    std::string strMissing = TestServerUrl("/img/missing.png");
    CImageMgr& mgr = CImageMgr::Instance();
    mgr.LoadFromResources();
    ImageEntry builtIn, entry;
    ASSERT_TRUE(mgr.GetImage(18, 0, builtIn));
    auto pLoader =
        std::make_unique<CLoaderRun>(mgr, ImageAddresses{strMissing, {strNotImage, strA}, strLast});
    ASSERT_TRUE(WaitForLog("设置LastImage " + strLast + "\n", 30000));
    ASSERT_TRUE(mgr.GetImage(18, 0, entry));
    EXPECT_EQ(builtIn.pImage, entry.pImage);  // the first image failed: the built-in slide stays
    EXPECT_EQ(2, mgr.GetSlideCount());
    ASSERT_TRUE(mgr.GetImage(18, 1, entry));
    EXPECT_EQ(41, entry.cx);
    ASSERT_TRUE(mgr.GetImage(17, 0, entry));
    EXPECT_EQ(580, entry.cx);
    EXPECT_EQ(354, entry.cy);
    std::string strLog = LogText();
    EXPECT_EQ(1u, CountOf(strLog, "设置FirstImage " + strMissing + "\n"));
    EXPECT_EQ(1u, CountOf(strLog, "CImageMgr::AddImage 图片数据加载失败 Image1\n"));
    EXPECT_EQ(0u, CountOf(strLog, "SetLastImage Fail"));
    pLoader.reset();
    mgr.Release();

    // A last picture that arrives but does not decode is not fetched again.
    pLoader = std::make_unique<CLoaderRun>(CImageMgr::Instance(), ImageAddresses{"", {}, strNotImage});
    ASSERT_TRUE(WaitForLog("设置LastImage " + strNotImage + "\n", 30000));
    pLoader.reset();
    CImageMgr::Instance().Release();
    EXPECT_EQ(1u, CountOf(LogText(), "SetLastImage pImage=null\n"));
    EXPECT_FALSE(CImageSource::Current());

    // A stop waits for the picture under way and hands it over, then skips the rest and the
    // last picture.
    ASSERT_TRUE(ResetServer());
    ASSERT_TRUE(SetServerRule("path=/img/a.bmp&delay=1500"));
    CRecordingSink sink;
    pLoader = std::make_unique<CLoaderRun>(sink, ImageAddresses{"", {strA, strA, strA}, strLast});
    for (int i = 0; i < 200 && ServerRequests("/img/a.bmp").empty(); ++i) ::Sleep(50);
    pLoader.reset();
    EXPECT_EQ(1u, ServerRequests("/img/a.bmp").size());
    EXPECT_EQ(0u, ServerRequests("/img/last.png").size());
    EXPECT_EQ((std::vector<std::pair<char, size_t>>{{'S', MakeBmp(41, 30, 0x10).size()}}), sink.Calls());
    ClearServerRules();
}

// A 100 x 100 GIF whose one frame is 10000 x 10000 is refused before the decoder sees it, like
// any picture that does not decode; a GIF that keeps its frame inside its screen is a slide.
TEST_F(ImageMgrTest, GifFrameBeyondItsScreenIsRefusedWithoutGrowingMemory) {
    ASSERT_TRUE(ResetServer());
    std::string strHostile = PutServedFile("img/hostile.gif", MakeGif(100, 100, 10000, 10000));
    std::string strGif = PutServedFile("img/small.gif", MakeGif(1, 1, 1, 1));
    std::string strA = PutServedFile("img/a.bmp", MakeBmp(41, 30, 0x10));
    ASSERT_FALSE(strHostile.empty() || strGif.empty() || strA.empty());
    PROCESS_MEMORY_COUNTERS before = {};
    before.cb = sizeof(before);
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof(before)));
    CImageMgr& mgr = CImageMgr::Instance();
    mgr.LoadFromResources();
    CLoaderRun loader(mgr, ImageAddresses{"", {strHostile, strGif, strA}, strA});
    ASSERT_TRUE(WaitForLog("设置LastImage " + strA + "\n", 30000));
    // Measured from what the process used before, so an earlier peak cannot hide this one.
    EXPECT_LT(PeakMemory(), before.PagefileUsage + 48u * 1024 * 1024);
    EXPECT_EQ(1u, CountOf(LogText(), "CImageMgr::AddImage 图片数据加载失败 Image1\n"));
    EXPECT_EQ(3, mgr.GetSlideCount());
    ImageEntry entry;
    ASSERT_TRUE(mgr.GetImage(18, 1, entry));
    EXPECT_EQ(1, entry.cx);
    ASSERT_TRUE(mgr.GetImage(18, 2, entry));
    EXPECT_EQ(41, entry.cx);
    EXPECT_EQ(1u, ServerRequests("/img/hostile.gif").size());
    loader.Stop();
    mgr.Release();
}
