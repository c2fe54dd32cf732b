#include "ImageLoaderThread.h"

#include <utility>

#include "HttpClass.h"
#include "ImageSink.h"
#include "Log.h"

namespace {

constexpr int kLastImageAttempts = 3;

}  // namespace

CImageLoaderThread::CImageLoaderThread(CImageSink& sink, ImageAddresses addresses)
    : m_sink(sink), m_addresses(std::move(addresses)) {}

void CImageLoaderThread::OnExecute() {
    CHttpClass http;
    ByteVector buffer;
    if (!m_addresses.strFirst.empty())
        LoadFirstImage();
    for (size_t i = 0; i < m_addresses.slides.size() && !IsStopped(); ++i) {
        // A failed fetch is skipped without a retry; the next picture takes its slide number.
        if (http.SendHttpMsg(m_addresses.slides[i].c_str(), buffer) == kHttpOk)
            m_sink.AddSlideImage(buffer.data(), buffer.size());
    }
    if (!IsStopped() && !m_addresses.strLast.empty())
        LoadLastImage();
}

void CImageLoaderThread::LoadFirstImage() {
    CHttpClass http;
    ByteVector bytes;
    if (http.SendHttpMsg(m_addresses.strFirst.c_str(), bytes) == kHttpOk)
        m_sink.SetFirstImage(bytes.data(), bytes.size());
    LOGF(6, "设置FirstImage %s\n", m_addresses.strFirst.c_str());
}

void CImageLoaderThread::LoadLastImage() {
    CHttpClass http;
    ByteVector bytes;
    for (int nAttempt = 0; nAttempt < kLastImageAttempts; ++nAttempt) {
        if (http.SendHttpMsg(m_addresses.strLast.c_str(), bytes) != kHttpOk) {
            LOGF(0, "SetLastImage Fail\n");
            continue;
        }
        if (!m_sink.SetLastImage(bytes.data(), bytes.size()))
            LOGF(0, "SetLastImage pImage=null\n");
        break;
    }
    LOGF(6, "设置LastImage %s\n", m_addresses.strLast.c_str());
}
