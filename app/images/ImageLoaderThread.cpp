#include "ImageLoaderThread.h"

#include <utility>

#include "HttpClass.h"
#include "ImageMgr.h"

CImageLoaderThread::CImageLoaderThread(CImageMgr& mgr, ImageAddresses addresses)
    : m_mgr(mgr), m_addresses(std::move(addresses)) {}

void CImageLoaderThread::OnExecute() {
    CHttpClass http;
    ByteVector buffer;
    if (!m_addresses.strFirst.empty())
        m_mgr.SetFirstImage(m_addresses.strFirst);
    for (size_t i = 0; i < m_addresses.slides.size() && !IsStopped(); ++i) {
        // A failed fetch is skipped without a retry; the next picture takes its slide number.
        if (http.SendHttpMsg(m_addresses.slides[i].c_str(), buffer) == 1)
            m_mgr.AddSlideImage(buffer);
    }
    if (!IsStopped() && !m_addresses.strLast.empty())
        m_mgr.SetLastImage(m_addresses.strLast);
}
