// The one HTTP client: blocking, one request at a time, plain http only, over WinInet.
//
// One client serves one thread; every thread that talks HTTP creates its own. The client
// never retries: callers decide from the result and GetCode() whether to try again.
//
// Results (also the return values of the operations):
//    1 success                         code = HTTP status
//   -1 any other failure               code = 0
//   -2 a required argument is missing  code = 0
//   -3 bad URL or scheme not http      code = 0 (also an address holding a control byte)
//   -4 WinInet reported an error       code = the platform error number
//   -5 status not accepted             code = the HTTP status received
//   -6 local file error                code = the system error number
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Handles.h"

using ByteVector = std::vector<unsigned char>;

class CHttpClass {
public:
    CHttpClass();
    ~CHttpClass();
    CHttpClass(const CHttpClass&) = delete;
    CHttpClass& operator=(const CHttpClass&) = delete;

    // GET into a local file (created when missing, overwritten, cut to the body's length,
    // stamped with Last-Modified). Accepts only 200. After a failure part way the file keeps
    // what was written and is not cut.
    int GetHttpFile(const char* pszUrl, const char* pszFile);
    // GET into memory. Accepts only 200. The body is bounded (kMaxBodyBytes). Here and in
    // PostHttpMsg and GetHttpFile, a body that ends before its announced Content-Length fails
    // with -4 and ERROR_INTERNET_CONNECTION_ABORTED.
    int SendHttpMsg(const char* pszUrl, ByteVector& body);
    // Form POST; the response is read as by SendHttpMsg.
    int PostHttpMsg(const char* pszUrl, const ByteVector& request, ByteVector& response);
    // HEAD: size -1 when the server sends no Content-Length (or a malformed one), time 0
    // without Last-Modified. Sizes of 4 GiB and more come through whole. Both are untouched
    // on failure.
    int GetHttpFileInfo(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime);
    // Ranged GET, bytes i64First to i64Last inclusive; accepts 200 and 206. The request stays
    // open for ReceiveBytes until CloseHttpRequest or the next request. A 206 whose
    // Content-Range does not start at i64First, ends beyond i64Last or disagrees with its
    // Content-Length fails with -4 and ERROR_HTTP_INVALID_SERVER_RESPONSE. With pftIfRange
    // (a date other than zero) the request carries it as If-Range, so that a server whose
    // file has changed since answers 200 with the whole new file.
    int HttpRangeRequest(const char* pszUrl, int64_t i64First, int64_t i64Last,
                         const FILETIME* pftIfRange = nullptr);
    // Plain GET; accepts 200 and 206; the request stays open.
    int HttpRequest(const char* pszUrl);
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
    // kReceiveTimeoutMs; a read then fails with -4 after this long without data.
    void SetReceiveTimeout(DWORD dwMilliseconds);

    int GetCode() const { return m_nCode; }
    int GetResult() const { return m_nResult; }

    // Bodies read into memory larger than this fail with -1.
    static constexpr size_t kMaxBodyBytes = 64u * 1024 * 1024;
    static constexpr DWORD kReceiveTimeoutMs = 30000;
    static const char kUserAgent[];

private:
    // Closes what an earlier request left open, then connects, sends and returns the HTTP
    // status. Failures are thrown; the calling operation turns them into its result.
    int OpenHttpRequest(const char* pszUrl, const char* pszVerb, const char* pszHeaders, const void* pBody,
                        DWORD nBodyLength);
    // Reads the open response into body (emptied first); more than kMaxBodyBytes throws.
    void ReadBody(ByteVector& body);
    // Runs one operation's steps; a failure sets result and code and fills strText with the
    // text of its error line. True when the steps succeeded (result and code untouched).
    bool RunGuarded(const std::function<void()>& fnSteps, std::string& strText);
    int GetHttpFileSteps(const char* pszUrl, const char* pszFile);
    int SendHttpMsgSteps(const char* pszUrl, ByteVector& body);
    int GetHttpFileInfoSteps(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime);
    int Succeed(int nStatus);

    CInternetHandle m_hSession;
    CInternetHandle m_hConnection;
    CInternetHandle m_hRequest;
    int m_nResult = 0;
    int m_nCode = 0;
    DWORD m_dwReceiveTimeoutMs = kReceiveTimeoutMs;
};
