#include "HttpClass.h"

#include "HttpParsing.h"
#include "Log.h"
#include "StringUtil.h"

const char CHttpClass::kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT)";

namespace {

// Always from the origin server, on an existing connection, never into the cache, no-cache pragma.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kRequestFlags == 0xA4000100, "request flag word");

constexpr DWORD kPieceBytes = 262144;
constexpr int kMaxErrorText = 511;

// A failure the client finds itself, its result (never kHttpOk or kHttpPlatformError) and code; stays here.
class CINETException {
public:
    CINETException(HttpResult nResult, int nCode) : m_nResult(nResult), m_nCode(nCode) {}
    HttpResult Result() const { return m_nResult; }
    int Code() const { return m_nCode; }

private:
    HttpResult m_nResult;
    int m_nCode;
};

// An error that WinInet reported, taken from GetLastError at once.
class CInternetError {
public:
    explicit CInternetError(DWORD dwError) : m_dwError(dwError) {}
    int Code() const { return static_cast<int>(m_dwError); }

    // WinInet's own message for the error (the system's for non-WinInet numbers), without
    // the trailing line end, at most kMaxErrorText characters.
    std::string Text() const {
        char szText[kMaxErrorText + 1] = "";
        DWORD n = ::FormatMessageA(
            FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            ::GetModuleHandleA("wininet.dll"), m_dwError, 0, szText, sizeof(szText), nullptr);
        std::string strText(szText, n < sizeof(szText) ? n : 0);
        while (!strText.empty() &&
               (strText.back() == '\n' || strText.back() == '\r' || strText.back() == ' ')) {
            strText.pop_back();
        }
        return strText;
    }

private:
    DWORD m_dwError;
};

void Check(BOOL bOk) {
    if (!bOk)
        throw CInternetError(::GetLastError());
}

HINTERNET CheckHandle(HINTERNET h) {
    if (!h)
        throw CInternetError(::GetLastError());
    return h;
}

const char* TextOrEmpty(const char* psz) {
    return psz ? psz : "";
}
bool IsMissing(const char* psz) {
    return !psz || !*psz;
}

// The header block of every request that brings none of its own.
const std::string& DefaultHeaders() {
    static const std::string strHeaders =
        StrFormat("Accept: */*\r\nUser-Agent: %s\r\n", CHttpClass::kUserAgent);
    return strHeaders;
}

int QueryStatus(HINTERNET hRequest) {
    DWORD dwStatus = 0;
    DWORD dwSize = sizeof(dwStatus);
    Check(::HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &dwSize,
                           nullptr));
    return static_cast<int>(dwStatus);
}

// One header of the answer as text, cut to the buffer; false when it is absent.
template <size_t N>
bool QueryHeader(HINTERNET hRequest, DWORD dwInfo, char (&szValue)[N]) {
    DWORD dwSize = N - 1;
    if (!::HttpQueryInfoA(hRequest, dwInfo, szValue, &dwSize, nullptr))
        return false;
    szValue[dwSize < N ? dwSize : N - 1] = '\0';
    return true;
}

// Content-Length as 64 bits, read as text so that 4 GiB and more survive; -1 when the
// header is absent or malformed.
int64_t QueryContentLength(HINTERNET hRequest) {
    char szValue[64] = "";
    return QueryHeader(hRequest, HTTP_QUERY_CONTENT_LENGTH, szValue) ? ParseHttpLength(szValue) : -1;
}

bool QueryLastModified(HINTERNET hRequest, FILETIME& ftTime) {
    SYSTEMTIME st = {};
    DWORD dwSize = sizeof(st);
    if (!::HttpQueryInfoA(hRequest, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &st, &dwSize,
                          nullptr)) {
        return false;
    }
    return ::SystemTimeToFileTime(&st, &ftTime) != FALSE;
}

// A 206 must carry the bytes asked for from their first one on: anything else written at
// the asked offset would corrupt the file.
void CheckPartialAnswer(HINTERNET hRequest, int64_t i64First, int64_t i64Last) {
    char szValue[128] = "";
    int64_t i64From = -1, i64To = -1;
    bool bOk = QueryHeader(hRequest, HTTP_QUERY_CONTENT_RANGE, szValue) &&
               ParseContentRange(szValue, i64From, i64To) && i64From == i64First && i64To <= i64Last;
    int64_t i64Length = QueryContentLength(hRequest);
    if (!bOk || (i64Length >= 0 && i64Length != i64To - i64From + 1))
        throw CInternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
}

// Writes each piece of a body to the file; a failed write ends the read with kHttpFileError.
void WritePiece(HANDLE hFile, const unsigned char* pData, DWORD nSize) {
    DWORD nWritten = 0;
    if (::WriteFile(hFile, pData, nSize, &nWritten, nullptr) && nWritten == nSize)
        return;
    DWORD dwError = ::GetLastError();
    throw CINETException(kHttpFileError, static_cast<int>(dwError ? dwError : ERROR_WRITE_FAULT));
}

}  // namespace

CHttpClass::CHttpClass()
    : m_hSession(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)) {
    LOGF(0, "CHttpClass SetOption\n");
    const DWORD options[][2] = {{INTERNET_OPTION_CONNECT_TIMEOUT, 10000},
                                {INTERNET_OPTION_CONNECT_BACKOFF, 1000},
                                {INTERNET_OPTION_CONNECT_RETRIES, 1}};
    for (const auto& option : options) {
        DWORD dwValue = option[1];
        ::InternetSetOptionA(m_hSession.Get(), option[0], &dwValue, sizeof(dwValue));
    }
    LOGF(0, "CHttpClass SetOption Finish\n");
}

CHttpClass::~CHttpClass() {
    CloseHttpRequest();
}

bool CHttpClass::RunLogged(const std::function<int()>& fnSteps, const std::function<std::string()>& fnName,
                           int& nValue) {
    std::string strText;
    try {
        nValue = fnSteps();
        return true;
    } catch (const CInternetError& e) {
        m_nResult = kHttpPlatformError;
        m_nCode = e.Code();
        strText = e.Text();
    } catch (const CINETException& e) {
        m_nResult = e.Result();
        m_nCode = e.Code();
    } catch (...) {
        m_nResult = kHttpUnknownError;
        m_nCode = 0;
        strText = "Unknown Exception";
    }
    LOGF(0, "%s error: [%d,%d]%s\n", fnName().c_str(), static_cast<int>(m_nResult), m_nCode, strText.c_str());
    return false;
}

HttpResult CHttpClass::RunRequest(const std::function<int()>& fnSteps, bool bKeepOpen,
                                  const std::function<std::string()>& fnName) {
    int nStatus = 0;
    bool bOk = RunLogged(fnSteps, fnName, nStatus);
    if (!bKeepOpen)
        CloseHttpRequest();
    if (bOk) {
        m_nResult = kHttpOk;
        m_nCode = nStatus;
    }
    return m_nResult;
}

int CHttpClass::OpenHttpRequest(const char* pszUrl, const char* pszVerb, const char* pszHeaders,
                                const void* pBody, DWORD nBodyLength) {
    // An earlier request left open is replaced; request before connection, its parent.
    CloseHttpRequest();
    const std::string strHeaders = pszHeaders ? pszHeaders : DefaultHeaders();
    HttpUrlParts parts;
    if (!SplitHttpUrl(pszUrl, parts))
        throw CINETException(kHttpBadUrl, 0);
    m_hConnection.Reset(CheckHandle(::InternetConnectA(m_hSession.Get(), parts.strHost.c_str(), parts.nPort,
                                                       nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)));
    m_hRequest.Reset(CheckHandle(::HttpOpenRequestA(m_hConnection.Get(), pszVerb, parts.strObject.c_str(),
                                                    nullptr, nullptr, nullptr, kRequestFlags, 0)));
    // On the request handle: no read of this answer waits longer than this for data.
    DWORD dwTimeout = m_dwReceiveTimeoutMs;
    ::InternetSetOptionA(m_hRequest.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeout, sizeof(dwTimeout));
    Check(::HttpAddRequestHeadersA(m_hRequest.Get(), strHeaders.c_str(), static_cast<DWORD>(-1),
                                   HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    Check(::HttpSendRequestA(m_hRequest.Get(), strHeaders.c_str(), static_cast<DWORD>(-1),
                             const_cast<void*>(pBody), nBodyLength));
    char szRetryAfter[64] = "";
    m_strRetryAfter = QueryHeader(m_hRequest.Get(), HTTP_QUERY_RETRY_AFTER, szRetryAfter) ? szRetryAfter : "";
    return QueryStatus(m_hRequest.Get());
}

void CHttpClass::ReadBody(const BodySink& sink) {
    const int64_t i64Announced = QueryContentLength(m_hRequest.Get());
    int64_t i64Received = 0;
    std::vector<unsigned char> buffer(kPieceBytes);
    for (;;) {
        DWORD nRead = 0;
        Check(::InternetReadFile(m_hRequest.Get(), buffer.data(), kPieceBytes, &nRead));
        if (nRead == 0)
            break;
        i64Received += nRead;
        sink(buffer.data(), nRead);
    }
    // WinInet ends a body quietly when the server closes early; a whole body shorter than
    // its announced length is a broken transfer, not a success.
    if (i64Announced >= 0 && i64Received < i64Announced)
        throw CInternetError(ERROR_INTERNET_CONNECTION_ABORTED);
}

void CHttpClass::ReadBody(ByteVector& body) {
    body.clear();
    const int64_t i64Length = QueryContentLength(m_hRequest.Get());
    if (i64Length > static_cast<int64_t>(kMaxBodyBytes))
        throw CINETException(kHttpUnknownError, 0);
    body.reserve(static_cast<size_t>(i64Length > 0 ? i64Length : 0));
    ReadBody([&](const unsigned char* pData, DWORD nSize) {
        if (body.size() + nSize > kMaxBodyBytes) {
            ByteVector().swap(body);
            throw CINETException(kHttpUnknownError, 0);
        }
        body.insert(body.end(), pData, pData + nSize);
    });
}

int CHttpClass::GetHttpFileSteps(const char* pszUrl, const char* pszFile) {
    if (IsMissing(pszUrl) || IsMissing(pszFile))
        throw CINETException(kHttpMissingArgument, 0);
    int nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
    if (nStatus != 200)
        throw CINETException(kHttpBadStatus, nStatus);
    FILETIME ftModified = {};
    bool bHasDate = QueryLastModified(m_hRequest.Get(), ftModified);
    CFileHandle hFile(
        ::CreateFileA(pszFile, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile)
        throw CINETException(kHttpFileError, static_cast<int>(::GetLastError()));
    ReadBody([&](const unsigned char* pData, DWORD nSize) { WritePiece(hFile.Get(), pData, nSize); });
    // An older, longer file must not keep its tail.
    if (!::SetEndOfFile(hFile.Get()))
        throw CINETException(kHttpFileError, static_cast<int>(::GetLastError()));
    if (bHasDate)
        ::SetFileTime(hFile.Get(), nullptr, nullptr, &ftModified);
    return nStatus;
}

HttpResult CHttpClass::GetHttpFile(const char* pszUrl, const char* pszFile) {
    return RunRequest(
        [&] { return GetHttpFileSteps(pszUrl, pszFile); }, false,
        [&] { return StrFormat("GetHttpFile(%s, %s)", TextOrEmpty(pszUrl), TextOrEmpty(pszFile)); });
}

int CHttpClass::SendHttpMsgSteps(const char* pszUrl, ByteVector& body) {
    if (IsMissing(pszUrl))
        throw CINETException(kHttpMissingArgument, 0);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    int nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    if (nStatus != 200)
        throw CINETException(kHttpBadStatus, nStatus);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    ReadBody(body);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    return nStatus;
}

HttpResult CHttpClass::SendHttpMsg(const char* pszUrl, ByteVector& body) {
    LOGF(0, "SendHttpMsg %d\n", __LINE__);
    return RunRequest([&] { return SendHttpMsgSteps(pszUrl, body); }, false,
                      [&] { return StrFormat("SendHttpMsg(%s)", TextOrEmpty(pszUrl)); });
}

HttpResult CHttpClass::PostHttpMsg(const char* pszUrl, const ByteVector& request, ByteVector& response) {
    auto fnSteps = [&] {
        if (IsMissing(pszUrl))
            throw CINETException(kHttpMissingArgument, 0);
        if (request.size() > kMaxBodyBytes)
            throw CINETException(kHttpUnknownError, 0);
        const std::string strHeaders =
            DefaultHeaders() + "Content-Type: application/x-www-form-urlencoded\r\n";
        const void* pBody = request.empty() ? nullptr : request.data();
        int nStatus =
            OpenHttpRequest(pszUrl, "POST", strHeaders.c_str(), pBody, static_cast<DWORD>(request.size()));
        if (nStatus != 200)
            throw CINETException(kHttpBadStatus, nStatus);
        ReadBody(response);
        return nStatus;
    };
    return RunRequest(fnSteps, false, [&] { return StrFormat("PostHttpMsg(%s)", TextOrEmpty(pszUrl)); });
}

int CHttpClass::GetHttpFileInfoSteps(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime) {
    if (IsMissing(pszUrl))
        throw CINETException(kHttpMissingArgument, 0);
    int nStatus = OpenHttpRequest(pszUrl, "HEAD", nullptr, nullptr, 0);
    if (nStatus != 200)
        throw CINETException(kHttpBadStatus, nStatus);
    i64Size = QueryContentLength(m_hRequest.Get());
    if (!QueryLastModified(m_hRequest.Get(), ftTime))
        ftTime = FILETIME{};
    return nStatus;
}

HttpResult CHttpClass::GetHttpFileInfo(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime) {
    return RunRequest([&] { return GetHttpFileInfoSteps(pszUrl, i64Size, ftTime); }, false,
                      [&] { return StrFormat("GetHttpFileInfo(%s)", TextOrEmpty(pszUrl)); });
}

HttpResult CHttpClass::HttpRangeRequest(const char* pszUrl, int64_t i64First, int64_t i64Last,
                                        const FILETIME* pftIfRange) {
    auto fnSteps = [&] {
        std::string strHeaders =
            DefaultHeaders() + StrFormat("Range: bytes=%I64d-%I64d\r\n", i64First, i64Last);
        const std::string strDate = pftIfRange ? FormatHttpDate(*pftIfRange) : std::string();
        if (!strDate.empty())
            strHeaders += "If-Range: " + strDate + "\r\n";
        int nStatus = OpenHttpRequest(pszUrl, "GET", strHeaders.c_str(), nullptr, 0);
        if (nStatus != 200 && nStatus != 206)
            throw CINETException(kHttpBadStatus, nStatus);
        if (nStatus == 206)
            CheckPartialAnswer(m_hRequest.Get(), i64First, i64Last);
        return nStatus;
    };
    return RunRequest(fnSteps, true, [&] {
        return StrFormat("HttpRangeRequest(%s, %I64d, %I64d)", TextOrEmpty(pszUrl), i64First, i64Last);
    });
}

HttpResult CHttpClass::HttpRequest(const char* pszUrl) {
    auto fnSteps = [&] {
        int nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
        if (nStatus != 200 && nStatus != 206)
            throw CINETException(kHttpBadStatus, nStatus);
        return nStatus;
    };
    return RunRequest(fnSteps, true, [&] { return StrFormat("HttpRequest(%s)", TextOrEmpty(pszUrl)); });
}

int CHttpClass::ReceiveBytes(void* pBuffer, int nWanted) {
    if (!m_hRequest)
        return -1;
    auto fnSteps = [&] {
        if (!pBuffer || nWanted < 0)
            throw CINETException(kHttpMissingArgument, 0);
        unsigned char* p = static_cast<unsigned char*>(pBuffer);
        DWORD nTotal = 0;
        // InternetReadFile may hand over less than asked while the body goes on.
        while (nTotal < static_cast<DWORD>(nWanted)) {
            DWORD nRead = 0;
            Check(::InternetReadFile(m_hRequest.Get(), p + nTotal, static_cast<DWORD>(nWanted) - nTotal,
                                     &nRead));
            if (nRead == 0)
                break;
            nTotal += nRead;
        }
        return static_cast<int>(nTotal);
    };
    int nCount = 0;
    auto fnName = [&] { return StrFormat("ReceiveBytes(%d)", nWanted); };
    return RunLogged(fnSteps, fnName, nCount) ? nCount : -1;
}

int64_t CHttpClass::GetContentLength() const {
    return m_hRequest ? QueryContentLength(m_hRequest.Get()) : -1;
}

bool CHttpClass::GetLastModified(FILETIME& ftTime) const {
    return m_hRequest && QueryLastModified(m_hRequest.Get(), ftTime);
}

void CHttpClass::SetReceiveTimeout(DWORD dwMilliseconds) {
    m_dwReceiveTimeoutMs = dwMilliseconds < kReceiveTimeoutMs ? dwMilliseconds : kReceiveTimeoutMs;
}

void CHttpClass::CloseHttpRequest() {
    m_hRequest.Close();
    m_hConnection.Close();
}
