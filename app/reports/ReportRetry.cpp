#include "ReportRetry.h"

#include <wininet.h>

#include <algorithm>
#include <cctype>

namespace {

int64_t FileTimeOf(const SYSTEMTIME& st) {
    FILETIME ft = {};
    if (!::SystemTimeToFileTime(&st, &ft))
        return -1;
    return (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

DWORD CapRetryAfter(int64_t i64Ms) {
    if (i64Ms <= 0)
        return 0;
    return static_cast<DWORD>(std::min<int64_t>(i64Ms, kMaxRetryAfterMs));
}

}  // namespace

DWORD RetryPauseMs(int nFailures, DWORD dwRetryAfterMs, uint32_t nRandom) {
    DWORD dwCeiling = kFirstRetryPauseMs;
    for (int i = 1; i < nFailures && dwCeiling < kMaxRetryPauseMs; ++i) dwCeiling *= 2;
    dwCeiling = std::min(dwCeiling, kMaxRetryPauseMs);
    DWORD dwPause = nFailures <= 1 ? dwCeiling : dwCeiling / 2 + nRandom % (dwCeiling / 2 + 1);
    return std::max(dwPause, std::min(dwRetryAfterMs, kMaxRetryAfterMs));
}

DWORD ParseRetryAfterMs(const std::string& strValue, const SYSTEMTIME& stNow) {
    size_t nFirst = strValue.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return 0;
    std::string strText = strValue.substr(nFirst, strValue.find_last_not_of(" \t") + 1 - nFirst);
    if (strText.find_first_not_of("0123456789") == std::string::npos) {
        // Seven digits are already beyond the cap; more cannot overflow what is kept.
        return CapRetryAfter(strText.size() > 7 ? kMaxRetryAfterMs : std::stoll(strText) * 1000);
    }
    // WinInet reads almost any text as some date; an HTTP date starts with its day's name
    // and holds a time of day.
    SYSTEMTIME stWhen = {};
    if (!std::isalpha(static_cast<unsigned char>(strText[0])) || strText.find(':') == std::string::npos ||
        !::InternetTimeToSystemTimeA(strText.c_str(), &stWhen, 0))
        return 0;
    int64_t i64When = FileTimeOf(stWhen), i64Now = FileTimeOf(stNow);
    if (i64When < 0 || i64Now < 0)
        return 0;
    return CapRetryAfter((i64When - i64Now) / 10000);
}
