// The one HTTP client: blocking, one request at a time, plain http only, over WinInet.
//
// One client serves one thread; every thread that talks HTTP creates its own. The client
// never retries: callers decide from the result and GetCode() whether to try again.
//
// Results (also the return values of the operations) are the HttpResult values below; the
// code beside a result (GetCode) is the HTTP status, the platform's or the system's error.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Handles.h"

using ByteVector = std::vector<unsigned char>;

enum HttpResult {
    kHttpNoResult = 0,          // no operation has run yet
    kHttpOk = 1,                // code = HTTP status
    kHttpUnknownError = -1,     // code = 0
    kHttpMissingArgument = -2,  // no URL or no file name; code = 0
    kHttpBadUrl = -3,           // not parsed, scheme not http, or a control byte in it; code = 0
    kHttpPlatformError = -4,    // WinInet reported an error; code = its error number
    kHttpBadStatus = -5,        // status not accepted by the operation; code = the status
    kHttpFileError = -6,        // local file not created or written; code = the system error
};

// A 5xx answer or a network error: worth another attempt.
inline bool IsWorthRetrying(HttpResult nResult, int nCode) {
    return nResult == kHttpPlatformError || (nResult == kHttpBadStatus && nCode >= 500 && nCode <= 599);
}

class CHttpClass {
public:
    CHttpClass();
    ~CHttpClass();
    CHttpClass(const CHttpClass&) = delete;
    CHttpClass& operator=(const CHttpClass&) = delete;

    // GetHttpFile and PostHttpMsg complete the client's documented operations; the program
    // itself calls neither today, and HttpClassTest keeps both working.
    //
    // GET into a local file (created when missing, overwritten, cut to the body's length,
    // stamped with Last-Modified). Accepts only 200. After a failure part way the file keeps
    // what was written and is not cut.
    HttpResult GetHttpFile(const char* pszUrl, const char* pszFile);
    // GET into memory. Accepts only 200. The body is bounded (kMaxBodyBytes). Here and in
    // PostHttpMsg and GetHttpFile, a body that ends before its announced Content-Length fails
    // with kHttpPlatformError and ERROR_INTERNET_CONNECTION_ABORTED.
    HttpResult SendHttpMsg(const char* pszUrl, ByteVector& body);
    // Form POST; the response is read as by SendHttpMsg.
    HttpResult PostHttpMsg(const char* pszUrl, const ByteVector& request, ByteVector& response);
    // HEAD: size -1 when the server sends no Content-Length (or a malformed one), time 0
    // without Last-Modified. Sizes of 4 GiB and more come through whole. Both are untouched
    // on failure.
    HttpResult GetHttpFileInfo(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime);
    // Ranged GET, bytes i64First to i64Last inclusive; accepts 200 and 206. The request stays
    // open for ReceiveBytes until CloseHttpRequest or the next request. A 206 whose
    // Content-Range does not start at i64First, ends beyond i64Last or disagrees with its
    // Content-Length fails with kHttpPlatformError and ERROR_HTTP_INVALID_SERVER_RESPONSE. With pftIfRange
    // (a date other than zero) the request carries it as If-Range, so that a server whose
    // file has changed since answers 200 with the whole new file.
    HttpResult HttpRangeRequest(const char* pszUrl, int64_t i64First, int64_t i64Last,
                                const FILETIME* pftIfRange = nullptr);
    // Plain GET; accepts 200 and 206; the request stays open.
    HttpResult HttpRequest(const char* pszUrl);
    // Blocks until nWanted bytes have arrived or the body has ended; 0 at the end, -1 on
    // error or when no request is open. A connection cut early shows as a short count (or
    // -1), never as a full one.
    int ReceiveBytes(void* pBuffer, int nWanted);
    void CloseHttpRequest();
    // Of the open request: the answer's Content-Length (-1 without one) and Last-Modified
    // (false without one).
    int64_t GetContentLength() const;
    bool GetLastModified(FILETIME& ftTime) const;
    // Receive time-out of every later request, set on its request handle before it is sent
    // (on the session handle it would not reach the reads under Wine). At most
    // kReceiveTimeoutMs; a read then fails with kHttpPlatformError after this long without data.
    void SetReceiveTimeout(DWORD dwMilliseconds);

    // The Retry-After text of the last answer (cut to 63 bytes), empty without one.
    const std::string& GetRetryAfter() const { return m_strRetryAfter; }
    int GetCode() const { return m_nCode; }
    HttpResult GetResult() const { return m_nResult; }

    // Bodies read into memory larger than this fail with kHttpUnknownError.
    static constexpr size_t kMaxBodyBytes = 64u * 1024 * 1024;
    static constexpr DWORD kReceiveTimeoutMs = 30000;
    static const char kUserAgent[];

private:
    // Receives the body piece by piece; may throw to end the read.
    using BodySink = std::function<void(const unsigned char* pData, DWORD nSize)>;

    // Closes what an earlier request left open, then connects, sends and returns the HTTP
    // status. Failures are thrown; the calling operation turns them into its result.
    int OpenHttpRequest(const char* pszUrl, const char* pszVerb, const char* pszHeaders, const void* pBody,
                        DWORD nBodyLength);
    // Reads the rest of the open response into the sink; a body that ends before its
    // announced length throws.
    void ReadBody(const BodySink& sink);
    void ReadBody(ByteVector& body);
    // Runs one operation's steps; a failure sets result and code and writes the line
    // "<fnName()> error: [result,code]text". True with nValue from the steps on success.
    bool RunLogged(const std::function<int()>& fnSteps, const std::function<std::string()>& fnName,
                   int& nValue);
    // RunLogged for a request whose steps return the HTTP status: the request is closed
    // unless bKeepOpen, and success sets kHttpOk with the status as code.
    HttpResult RunRequest(const std::function<int()>& fnSteps, bool bKeepOpen,
                          const std::function<std::string()>& fnName);
    int GetHttpFileSteps(const char* pszUrl, const char* pszFile);
    int SendHttpMsgSteps(const char* pszUrl, ByteVector& body);
    int GetHttpFileInfoSteps(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime);

    CInternetHandle m_hSession;
    CInternetHandle m_hConnection;
    CInternetHandle m_hRequest;
    HttpResult m_nResult = kHttpNoResult;
    int m_nCode = 0;
    DWORD m_dwReceiveTimeoutMs = kReceiveTimeoutMs;
    std::string m_strRetryAfter;
};
