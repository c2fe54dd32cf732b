#include "ImageSource.h"

#include <atomic>

namespace {
std::atomic<CImageSource*> g_pSource{nullptr};
}

CImageSource* CImageSource::Current() {
    return g_pSource.load();
}

void CImageSource::SetCurrent(CImageSource* pSource) {
    g_pSource.store(pSource);
}

bool LookupImage(int nType, UINT nIndex, ImageEntry& entry) {
    CImageSource* pSource = g_pSource.load();
    return pSource && pSource->GetImage(nType, nIndex, entry);
}
