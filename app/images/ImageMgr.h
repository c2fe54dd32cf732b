// The one store of every picture the interface draws: the built-in pictures decoded at
// start-up and the server's pictures a loader hands in through CImageSink, each filed under
// a key (type, index). Button strips hold five equal frames side by side; frames 0 to 3 are
// filed as the button states 0 to 3.
//
// Ownership: the store owns every image it decoded until Release, so an image handed out by
// GetImage stays drawable even after its key has been given another image.
// Threads: the user-interface thread creates, loads from the resources and releases; one
// thread at a time (the loader) files through the sink; GetImage may be called from any thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "Handles.h"
#include "ImageKeys.h"
#include "ImageSink.h"
#include "ImageSource.h"

namespace Gdiplus {
class Image;
}

class CImageMgr final : public CImageSource, public CImageSink {
public:
    // The one instance, created on the first call (user-interface thread, before the loader
    // exists), which also makes it the store the skinned controls draw from.
    static CImageMgr& Instance();

    // Decodes and files the built-in pictures and sets the slide count to 1. GDI+ must have
    // been started. Always true.
    bool LoadFromResources();

    // Decodes bytes whole (the name is for the log only) and keeps the image in the store;
    // null when they do not decode, or declare a size beyond IsPictureSizeAcceptable (those
    // are refused before decoding). Blocks for the decoding; the caller keeps the bytes.
    Gdiplus::Image* AddImage(const char* pszName, const unsigned char* pData, size_t nSize);
    // Files the whole image under the key, replacing an earlier entry (whose image stays in
    // the store). The image must come from AddImage.
    void SetImage(int nType, UINT nIndex, Gdiplus::Image* pImage);
    // Files frames 0 to 3 of a five-frame strip under (nType, 0..3); keys already filed keep
    // their entries. A null image files nothing.
    void SetStateImages(Gdiplus::Image* pImage, int nType);

    // The sink: the first picture is filed as slide 0, the slides from GetSlideCount() on,
    // the last picture under kImageFinish.
    bool SetFirstImage(const unsigned char* pData, size_t nSize) override;
    bool AddSlideImage(const unsigned char* pData, size_t nSize) override;
    bool SetLastImage(const unsigned char* pData, size_t nSize) override;

    bool GetImage(int nType, UINT nIndex, ImageEntry& entry) override;
    // Slides are filed under type 18 with indexes 0 to GetSlideCount() - 1.
    int GetSlideCount() const { return m_nSlideCount.load(); }

    // Frees every image and destroys the instance; a later Instance creates a new one.
    // User-interface thread, after every window that draws from the store has gone and the
    // loader that fed it has ended.
    void Release();

private:
    struct Key {
        int nType;
        UINT nIndex;
        bool operator<(const Key& other) const {
            return nType != other.nType ? nType < other.nType : nIndex < other.nIndex;
        }
    };

    CImageMgr();
    ~CImageMgr();
    CImageMgr(const CImageMgr&) = delete;
    CImageMgr& operator=(const CImageMgr&) = delete;

    Gdiplus::Image* LoadResourceImage(UINT nId);
    Gdiplus::Image* Decode(const char* pszName, const unsigned char* pData, size_t nSize);

    static CImageMgr* s_pInstance;

    std::vector<std::unique_ptr<Gdiplus::Image>> m_images;
    std::map<Key, ImageEntry> m_map;
    CCriticalSection m_mapLock;
    std::atomic<int> m_nSlideCount{0};
};
