// One report GET on a thread of its own, so that the report thread waits for it no longer
// than it chooses. WinInet's time-outs bound each wait for data, not a whole request: a
// server that sends one byte every few seconds would hold a caller for as long as it likes.
// A request that is given up goes on alone on its thread, which owns everything it uses,
// ends when the server lets it (or with the process), and is then forgotten.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct ReportAnswer {
    int nResult = 0;  // the HTTP client's result
    int nCode = 0;    // and its code
    std::string strRetryAfter;
};

class CReportRequest {
public:
    // At most this many given-up requests may still hang; no new one starts beyond them.
    static constexpr int kMaxHanging = 4;

    // Sends a GET for strUrl and waits while fnMsLeft() answers more than 0; it is asked
    // again every few milliseconds, so the caller may shorten the wait as it goes. True with
    // the answer when it came in time; false when the time ran out, or when kMaxHanging
    // requests still hang (nothing is sent then). Blocks the calling thread.
    static bool Send(const std::string& strUrl, const std::function<DWORD()>& fnMsLeft, ReportAnswer& answer);
    // Requests whose threads are still running, those under way included. Any thread.
    static int Running();
};
