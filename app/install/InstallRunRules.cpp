#include "InstallRunRules.h"

int MapDownloadProgress(int nPercent) {
    if (nPercent < 0)
        nPercent = 0;
    if (nPercent > 100)
        nPercent = 100;
    if (nPercent <= 20)
        return nPercent * 2 * 95 / 100;
    return (nPercent - 20) * 57 / 80 + 38;
}

int InstallPhaseProgress(DWORD dwElapsedMs) {
    DWORD dwSeconds = dwElapsedMs / 1000;
    if (dwSeconds >= static_cast<DWORD>(kProgressInstallCap - kProgressInstallStart))
        return kProgressInstallCap;
    return kProgressInstallStart + static_cast<int>(dwSeconds);
}

const char* DownloadFailureMessage(int nStatus) {
    switch (nStatus) {
        case 1:
            return "连接失败，请稍后重试！";
        case 2:
        case kDownloadUntrusted:
            return "连接失败，请稍后！";
        case 3:
            return "请检查磁盘空间！";
        default:
            return nullptr;
    }
}

DownloadFailureDecision DecideDownloadFailure(int nFailCount, int nStatus) {
    // One retry on the second address, and only for network failures; an installer that is
    // not the maker's counts as one, as something on the way replaced it.
    if (nFailCount < 2 && (nStatus == 1 || nStatus == 2 || nStatus == kDownloadUntrusted))
        return {true, nullptr};
    return {false, DownloadFailureMessage(nStatus)};
}

int RecommendBits(const int bRecommend[3]) {
    int nBits = 0;
    for (int i = 0; i < 3; ++i)
        if (bRecommend[i])
            nBits |= 1 << i;
    return nBits;
}
