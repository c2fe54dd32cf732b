// The background thread that fetches the server's pictures and hands their bytes to a sink:
// the first image, then the slideshow images in list order, then the last image.
#pragma once

#include <string>
#include <vector>

#include "WorkerThread.h"

class CImageSink;

// The picture addresses of the setup configuration; empty first or last: nothing to fetch.
struct ImageAddresses {
    std::string strFirst;
    std::vector<std::string> slides;
    std::string strLast;
};

class CImageLoaderThread : public CWorkerThread {
public:
    // The sink must outlive the thread; the owner stops and waits for it before the sink goes.
    CImageLoaderThread(CImageSink& sink, ImageAddresses addresses);

protected:
    // A stop request takes effect between two slideshow pictures and before the last one;
    // the first picture is always attempted and a request under way runs to its end.
    void OnExecute() override;

private:
    // One request; logged once the sink has had the picture, or the request failed.
    void LoadFirstImage();
    // Up to three requests while they fail; a picture that arrives but does not decode is
    // not fetched again.
    void LoadLastImage();

    CImageSink& m_sink;
    ImageAddresses m_addresses;
};
