// The background thread that fetches the server's pictures into the image manager: the first
// image, then the slideshow images in list order, then the last image.
#pragma once

#include <string>
#include <vector>

#include "WorkerThread.h"

class CImageMgr;

// The picture addresses of the setup configuration; empty first or last: nothing to fetch.
struct ImageAddresses {
    std::string strFirst;
    std::vector<std::string> slides;
    std::string strLast;
};

class CImageLoaderThread : public CWorkerThread {
public:
    // The manager must outlive the thread; the owner stops and waits for it before Release.
    CImageLoaderThread(CImageMgr& mgr, ImageAddresses addresses);

protected:
    // A stop request takes effect between two slideshow pictures and before the last one;
    // the first picture is always attempted and a request under way runs to its end.
    void OnExecute() override;

private:
    CImageMgr& m_mgr;
    ImageAddresses m_addresses;
};
