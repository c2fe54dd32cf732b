#include "ImageMgr.h"

#include <objidl.h>
#include <gdiplus.h>

#include <climits>

#include "ImageResources.h"
#include "Log.h"
#include "PictureSize.h"
#include "SkinMath.h"
#include "StringUtil.h"

namespace {

// Where each built-in picture is filed: whole pictures under nIndex, strips under 0 to 3.
struct BuiltInImage {
    UINT nResource;
    int nType;
    UINT nIndex;
    bool bStrip;
};

const BuiltInImage kBuiltInImages[] = {
    {IDR_PICTURE_BTN_TEXT, kImageSmallButton, 0, true},
    {IDR_PICTURE_BTN_FINISH, kImageFinishButton, 0, true},
    {IDR_PICTURE_BTN_INSTALL, kImageInstallButton, 0, true},
    {IDR_PICTURE_BTN_CLOSE, kImageCloseButton, 0, true},
    {IDR_PICTURE_BTN_MINIMISE, kImageMinimiseButton, 0, true},
    {IDR_PICTURE_BTN_MSGCLOSE, kImageBoxClose, 0, true},
    {IDR_PICTURE_BTN_DIALOG, kImageBoxButton, 0, true},
    {IDR_PICTURE_CHECK_OFF, kImageUnchecked, 0, true},
    {IDR_PICTURE_CHECK_ON, kImageChecked, 0, true},
    {IDR_PICTURE_PROGRESS_TRACK, kImageProgress, kProgressTrack, false},
    {IDR_PICTURE_PROGRESS_FILL, kImageProgress, kProgressFill, false},
    {IDR_PICTURE_BACKGROUND, kImageBackground, 0, false},
    {IDR_PICTURE_MSGBOX, kImageBoxBackground, 0, false},
    {IDR_PICTURE_LOADING, kImageLoading, 0, false},
    {IDR_PICTURE_TITLE_ICON, kImageIcon, 0, false},
    {IDR_PICTURE_SEPARATOR, kImageSeparator, 0, false},
    {IDR_PICTURE_SLIDE0, kImageSlide, 0, false},
    {IDR_PICTURE_BTN_CUSTOM, kImageCustomButton, 0, false},
    {IDR_PICTURE_START_PICTURE, kImageStartPicture, 0, false},
    {IDR_PICTURE_BOTTOM_MARK, kImageFinishMark, 0, false},
    {IDR_PICTURE_BTN_INSTALL_OFF, kImageInstallBlocked, 0, true},
    {IDR_PICTURE_BTN_BACK, kImageBackButton, 0, true},
};

// GDI+ may put decoding off until the first drawing; reading every pixel once makes it decode
// now, on the loader thread, so that data cut short fails here and not on the screen.
bool ReadAllPixels(Gdiplus::Bitmap& bitmap) {
    Gdiplus::Rect rect(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    bitmap.UnlockBits(&data);
    return true;
}

}  // namespace

CImageMgr* CImageMgr::s_pInstance = nullptr;

CImageMgr& CImageMgr::Instance() {
    if (!s_pInstance) {
        s_pInstance = new CImageMgr();
        CImageSource::SetCurrent(s_pInstance);
    }
    return *s_pInstance;
}

CImageMgr::CImageMgr() = default;
CImageMgr::~CImageMgr() = default;

bool CImageMgr::LoadFromResources() {
    for (const BuiltInImage& builtIn : kBuiltInImages) {
        Gdiplus::Image* pImage = LoadResourceImage(builtIn.nResource);
        if (builtIn.bStrip)
            SetStateImages(pImage, builtIn.nType);
        else if (pImage)
            SetImage(builtIn.nType, builtIn.nIndex, pImage);
    }
    m_nSlideCount.store(1);
    return true;
}

Gdiplus::Image* CImageMgr::LoadResourceImage(UINT nId) {
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(nId), "IMAGE");
    if (!hResource)
        return nullptr;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    const void* pData = hData ? ::LockResource(hData) : nullptr;
    if (!pData)
        return nullptr;
    return AddImage(StrFormat("Resource%u", nId).c_str(), static_cast<const unsigned char*>(pData),
                    ::SizeofResource(hModule, hResource));
}

Gdiplus::Image* CImageMgr::AddImage(const char* pszName, const unsigned char* pData, size_t nSize) {
    Gdiplus::Image* pImage = Decode(pszName, pData, nSize);
    // Only the loader thread appends while it runs; the user-interface thread reads the list
    // only in Release, after the loader has ended.
    if (pImage)
        m_images.emplace_back(pImage);
    return pImage;
}

// A picture whose declared size is out of bounds or cannot be read counts as one that does
// not decode: it is refused before the decoder reserves memory for it.
Gdiplus::Image* CImageMgr::Decode(const char* pszName, const unsigned char* pData, size_t nSize) {
    uint32_t nWidth = 0, nHeight = 0;
    if (!ReadPictureSize(pData, nSize, nWidth, nHeight) || !IsPictureSizeAcceptable(nWidth, nHeight)) {
        LOGF(0, "CImageMgr::AddImage 图片数据加载失败 %s\n", pszName);
        return nullptr;
    }
    CComPtr<IStream> stream;
    if (nSize > ULONG_MAX)
        return nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive())))
        return nullptr;
    ULONG nWritten = 0;
    LARGE_INTEGER start = {};
    if (FAILED(stream->Write(pData, static_cast<ULONG>(nSize), &nWritten)) || nWritten != nSize ||
        FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)))
        return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> pImage(new Gdiplus::Bitmap(stream.Get(), FALSE));
    if (!pImage)
        return nullptr;
    if (pImage->GetLastStatus() != Gdiplus::Ok || !ReadAllPixels(*pImage)) {
        LOGF(0, "CImageMgr::AddImage 图片数据加载失败 %s\n", pszName);
        return nullptr;
    }
    return pImage.release();
}

void CImageMgr::SetImage(int nType, UINT nIndex, Gdiplus::Image* pImage) {
    if (!pImage)
        return;
    ImageEntry entry;
    entry.pImage = pImage;
    entry.cx = static_cast<int>(pImage->GetWidth());
    entry.cy = static_cast<int>(pImage->GetHeight());
    CAutoLock lock(m_mapLock);
    m_map[Key{nType, nIndex}] = entry;
}

void CImageMgr::SetStateImages(Gdiplus::Image* pImage, int nType) {
    if (!pImage)
        return;
    int nWidth = static_cast<int>(pImage->GetWidth());
    int nHeight = static_cast<int>(pImage->GetHeight());
    CAutoLock lock(m_mapLock);
    for (UINT i = 0; i < kStripFiledFrames; ++i) {
        RECT rc = StripFrameRect(nWidth, nHeight, i);
        ImageEntry entry;
        entry.pImage = pImage;
        entry.x = rc.left;
        entry.y = rc.top;
        entry.cx = rc.right - rc.left;
        entry.cy = rc.bottom - rc.top;
        m_map.emplace(Key{nType, i}, entry);
    }
}

bool CImageMgr::SetFirstImage(const unsigned char* pData, size_t nSize) {
    Gdiplus::Image* pImage = AddImage("DefaultImage", pData, nSize);
    SetImage(kImageSlide, 0, pImage);
    return pImage != nullptr;
}

bool CImageMgr::SetLastImage(const unsigned char* pData, size_t nSize) {
    Gdiplus::Image* pImage = AddImage("FinishImage", pData, nSize);
    SetImage(kImageFinish, 0, pImage);
    return pImage != nullptr;
}

bool CImageMgr::AddSlideImage(const unsigned char* pData, size_t nSize) {
    int nSlide = m_nSlideCount.load();
    Gdiplus::Image* pImage = AddImage(StrFormat("Image%d", nSlide).c_str(), pData, nSize);
    if (!pImage)
        return false;
    // Filed before the count is raised, so every index below the count can be found.
    SetImage(kImageSlide, static_cast<UINT>(nSlide), pImage);
    m_nSlideCount.store(nSlide + 1);
    return true;
}

bool CImageMgr::GetImage(int nType, UINT nIndex, ImageEntry& entry) {
    CAutoLock lock(m_mapLock);
    auto it = m_map.find(Key{nType, nIndex});
    if (it == m_map.end())
        return false;
    entry = it->second;
    return true;
}

void CImageMgr::Release() {
    {
        CAutoLock lock(m_mapLock);
        m_map.clear();
    }
    m_images.clear();
    if (CImageSource::Current() == this)
        CImageSource::SetCurrent(nullptr);
    if (s_pInstance == this)
        s_pInstance = nullptr;
    delete this;
}
