#include "HttpClass.h"

#include <cstring>

#include "Log.h"
#include "StringUtil.h"

const char CHttpClass::kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT)";

namespace {

// Always from the origin server, on an existing connection when there is one, never into the
// cache, with a no-cache pragma.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kRequestFlags == 0xA4000100, "request flag word");

constexpr DWORD kPieceBytes = 262144;
constexpr int kMaxErrorText = 511;

// A failure found by the client itself: a result (-1, -2, -3, -5 or -6) and its code. Never
// leaves this file: every operation turns it into its result.
class CINETException {
public:
    CINETException(int nResult, int nCode) : m_nResult(nResult), m_nCode(nCode) {}
    int Result() const { return m_nResult; }
    int Code() const { return m_nCode; }

private:
    int m_nResult;
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
    if (!bOk) throw CInternetError(::GetLastError());
}

HINTERNET CheckHandle(HINTERNET h) {
    if (!h) throw CInternetError(::GetLastError());
    return h;
}

const char* TextOrEmpty(const char* psz) { return psz ? psz : ""; }
bool IsMissing(const char* psz) { return !psz || !*psz; }

std::string DefaultHeaders() {
    return StrFormat("Accept: */*\r\nUser-Agent: %s\r\n", CHttpClass::kUserAgent);
}

struct UrlParts {
    std::string strHost;
    INTERNET_PORT nPort = INTERNET_DEFAULT_HTTP_PORT;
    std::string strObject;
};

// Splits an http address into host, port and object (path and query). False for anything
// else, https and ftp included.
bool SplitUrl(const char* pszUrl, UrlParts& parts) {
    if (!pszUrl) return false;
    // A CR or LF would end the request line early and let the rest of the address pose as
    // headers of its own; no control byte belongs in an address.
    for (const char* p = pszUrl; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) return false;
    }
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof(uc);
    // Non-zero lengths with null pointers: point into pszUrl instead of copying, so no buffer
    // limits the length of any part.
    uc.dwSchemeLength = uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(pszUrl, 0, 0, &uc)) return false;
    if (uc.nScheme != INTERNET_SCHEME_HTTP || !uc.lpszHostName || uc.dwHostNameLength == 0) return false;
    parts.strHost.assign(uc.lpszHostName, uc.dwHostNameLength);
    parts.nPort = uc.nPort ? uc.nPort : INTERNET_DEFAULT_HTTP_PORT;
    parts.strObject.clear();
    if (uc.lpszUrlPath) parts.strObject.assign(uc.lpszUrlPath, uc.dwUrlPathLength);
    if (uc.lpszExtraInfo) parts.strObject.append(uc.lpszExtraInfo, uc.dwExtraInfoLength);
    if (parts.strObject.empty()) parts.strObject = "/";
    return true;
}

int QueryStatus(HINTERNET hRequest) {
    DWORD dwStatus = 0;
    DWORD dwSize = sizeof(dwStatus);
    Check(::HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &dwSize,
                           nullptr));
    return static_cast<int>(dwStatus);
}

// Decimal digits, blanks around them allowed, no sign; -1 for anything else or an overflow.
int64_t ParseLength(const char* psz) {
    while (*psz == ' ' || *psz == '\t') ++psz;
    int64_t i64Value = 0;
    int nDigits = 0;
    for (; *psz >= '0' && *psz <= '9'; ++psz, ++nDigits) {
        int nDigit = *psz - '0';
        if (i64Value > (INT64_MAX - nDigit) / 10) return -1;
        i64Value = i64Value * 10 + nDigit;
    }
    while (*psz == ' ' || *psz == '\t') ++psz;
    return (nDigits > 0 && *psz == '\0') ? i64Value : -1;
}

// Content-Length as 64 bits, read as text so that 4 GiB and more survive; -1 when the
// header is absent or malformed.
int64_t QueryContentLength(HINTERNET hRequest) {
    char szValue[64] = "";
    DWORD dwSize = sizeof(szValue) - 1;
    if (!::HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH, szValue, &dwSize, nullptr)) return -1;
    szValue[dwSize < sizeof(szValue) ? dwSize : sizeof(szValue) - 1] = '\0';
    return ParseLength(szValue);
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

// "bytes first-last/total" (total may be "*"); false for anything else.
bool ParseContentRange(const char* psz, int64_t& i64First, int64_t& i64Last) {
    if (strncmp(psz, "bytes ", 6) != 0) return false;
    std::string strText(psz + 6);
    size_t nDash = strText.find('-');
    size_t nSlash = strText.find('/');
    if (nDash == std::string::npos || nSlash == std::string::npos || nSlash < nDash) return false;
    i64First = ParseLength(strText.substr(0, nDash).c_str());
    i64Last = ParseLength(strText.substr(nDash + 1, nSlash - nDash - 1).c_str());
    return i64First >= 0 && i64Last >= i64First;
}

// A 206 must carry the bytes asked for from their first one on: anything else written at
// the asked offset would corrupt the file.
void CheckPartialAnswer(HINTERNET hRequest, int64_t i64First, int64_t i64Last) {
    char szValue[128] = "";
    DWORD dwSize = sizeof(szValue) - 1;
    int64_t i64From = -1, i64To = -1;
    bool bOk = ::HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_RANGE, szValue, &dwSize, nullptr) != FALSE;
    if (bOk) {
        szValue[dwSize < sizeof(szValue) ? dwSize : sizeof(szValue) - 1] = '\0';
        bOk = ParseContentRange(szValue, i64From, i64To) && i64From == i64First && i64To <= i64Last;
    }
    int64_t i64Length = QueryContentLength(hRequest);
    if (!bOk || (i64Length >= 0 && i64Length != i64To - i64From + 1))
        throw CInternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
}

// The date as an HTTP date (RFC 1123); empty when it cannot be converted.
std::string HttpDate(const FILETIME& ftTime) {
    SYSTEMTIME st;
    char szDate[INTERNET_RFC1123_BUFSIZE + 1] = "";
    if (!::FileTimeToSystemTime(&ftTime, &st) ||
        !::InternetTimeFromSystemTimeA(&st, INTERNET_RFC1123_FORMAT, szDate, sizeof(szDate))) {
        return std::string();
    }
    return szDate;
}

// WinInet ends a body quietly when the server closes early; a whole body shorter than its
// announced length is a broken transfer, not a success.
void CheckComplete(int64_t i64Announced, int64_t i64Received) {
    if (i64Announced >= 0 && i64Received < i64Announced)
        throw CInternetError(ERROR_INTERNET_CONNECTION_ABORTED);
}

// Reads the rest of the body into the file in pieces of up to 256 KiB.
void CopyBodyToFile(HINTERNET hRequest, HANDLE hFile) {
    const int64_t i64Announced = QueryContentLength(hRequest);
    int64_t i64Received = 0;
    std::vector<unsigned char> buffer(kPieceBytes);
    for (;;) {
        DWORD nRead = 0;
        Check(::InternetReadFile(hRequest, buffer.data(), kPieceBytes, &nRead));
        if (nRead == 0) return CheckComplete(i64Announced, i64Received);
        i64Received += nRead;
        DWORD nWritten = 0;
        if (!::WriteFile(hFile, buffer.data(), nRead, &nWritten, nullptr) || nWritten != nRead) {
            DWORD dwError = ::GetLastError();
            throw CINETException(-6, static_cast<int>(dwError ? dwError : ERROR_WRITE_FAULT));
        }
    }
}

}  // namespace

CHttpClass::CHttpClass()
    : m_hSession(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)) {
    LOGF(0, "CHttpClass SetOption\n");
    DWORD dwValue = 10000;
    ::InternetSetOptionA(m_hSession.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &dwValue, sizeof(dwValue));
    dwValue = 1000;
    ::InternetSetOptionA(m_hSession.Get(), INTERNET_OPTION_CONNECT_BACKOFF, &dwValue, sizeof(dwValue));
    dwValue = 1;
    ::InternetSetOptionA(m_hSession.Get(), INTERNET_OPTION_CONNECT_RETRIES, &dwValue, sizeof(dwValue));
    LOGF(0, "CHttpClass SetOption Finish\n");
}

CHttpClass::~CHttpClass() { CloseHttpRequest(); }

bool CHttpClass::RunGuarded(const std::function<void()>& fnSteps, std::string& strText) {
    try {
        fnSteps();
        return true;
    } catch (const CInternetError& e) {
        m_nResult = -4;
        m_nCode = e.Code();
        strText = e.Text();
    } catch (const CINETException& e) {
        m_nResult = e.Result();
        m_nCode = e.Code();
        strText.clear();
    } catch (...) {
        m_nResult = -1;
        m_nCode = 0;
        strText = "Unknown Exception";
    }
    return false;
}

int CHttpClass::Succeed(int nStatus) {
    m_nResult = 1;
    m_nCode = nStatus;
    return m_nResult;
}

int CHttpClass::OpenHttpRequest(const char* pszUrl, const char* pszVerb, const char* pszHeaders,
                                const void* pBody, DWORD nBodyLength) {
    // An earlier request left open is replaced; request before connection, its parent.
    CloseHttpRequest();
    std::string strHeaders = pszHeaders ? pszHeaders : DefaultHeaders();
    UrlParts parts;
    if (!SplitUrl(pszUrl, parts)) throw CINETException(-3, 0);
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
    return QueryStatus(m_hRequest.Get());
}

void CHttpClass::ReadBody(ByteVector& body) {
    body.clear();
    int64_t i64Length = QueryContentLength(m_hRequest.Get());
    if (i64Length > static_cast<int64_t>(kMaxBodyBytes)) throw CINETException(-1, 0);
    if (i64Length > 0) body.reserve(static_cast<size_t>(i64Length));
    std::vector<unsigned char> buffer(kPieceBytes);
    for (;;) {
        DWORD nRead = 0;
        Check(::InternetReadFile(m_hRequest.Get(), buffer.data(), kPieceBytes, &nRead));
        if (nRead == 0) return CheckComplete(i64Length, static_cast<int64_t>(body.size()));
        if (body.size() + nRead > kMaxBodyBytes) {
            ByteVector().swap(body);
            throw CINETException(-1, 0);
        }
        body.insert(body.end(), buffer.data(), buffer.data() + nRead);
    }
}

int CHttpClass::GetHttpFileSteps(const char* pszUrl, const char* pszFile) {
    if (IsMissing(pszUrl) || IsMissing(pszFile)) throw CINETException(-2, 0);
    int nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
    if (nStatus != 200) throw CINETException(-5, nStatus);
    FILETIME ftModified = {};
    bool bHasDate = QueryLastModified(m_hRequest.Get(), ftModified);
    CFileHandle hFile(
        ::CreateFileA(pszFile, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile) throw CINETException(-6, static_cast<int>(::GetLastError()));
    CopyBodyToFile(m_hRequest.Get(), hFile.Get());
    // An older, longer file must not keep its tail.
    if (!::SetEndOfFile(hFile.Get())) throw CINETException(-6, static_cast<int>(::GetLastError()));
    if (bHasDate) ::SetFileTime(hFile.Get(), nullptr, nullptr, &ftModified);
    return nStatus;
}

int CHttpClass::GetHttpFile(const char* pszUrl, const char* pszFile) {
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded([&] { nStatus = GetHttpFileSteps(pszUrl, pszFile); }, strText);
    CloseHttpRequest();
    if (bOk) return Succeed(nStatus);
    LOGF(0, "GetHttpFile(%s, %s) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), TextOrEmpty(pszFile), m_nResult,
         m_nCode, strText.c_str());
    return m_nResult;
}

int CHttpClass::SendHttpMsgSteps(const char* pszUrl, ByteVector& body) {
    if (IsMissing(pszUrl)) throw CINETException(-2, 0);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    int nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    if (nStatus != 200) throw CINETException(-5, nStatus);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    ReadBody(body);
    LOGF(0, "SendHttpMsg %d %s\n", __LINE__, pszUrl);
    return nStatus;
}

int CHttpClass::SendHttpMsg(const char* pszUrl, ByteVector& body) {
    LOGF(0, "SendHttpMsg %d\n", __LINE__);
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded([&] { nStatus = SendHttpMsgSteps(pszUrl, body); }, strText);
    CloseHttpRequest();
    if (bOk) return Succeed(nStatus);
    LOGF(0, "SendHttpMsg(%s) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), m_nResult, m_nCode, strText.c_str());
    return m_nResult;
}

int CHttpClass::PostHttpMsg(const char* pszUrl, const ByteVector& request, ByteVector& response) {
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded(
        [&] {
            if (IsMissing(pszUrl)) throw CINETException(-2, 0);
            if (request.size() > kMaxBodyBytes) throw CINETException(-1, 0);
            std::string strHeaders = StrFormat(
                "Accept: */*\r\nUser-Agent: %s\r\nContent-Type: application/x-www-form-urlencoded\r\n",
                kUserAgent);
            const void* pBody = request.empty() ? nullptr : request.data();
            nStatus = OpenHttpRequest(pszUrl, "POST", strHeaders.c_str(), pBody,
                                      static_cast<DWORD>(request.size()));
            if (nStatus != 200) throw CINETException(-5, nStatus);
            ReadBody(response);
        },
        strText);
    CloseHttpRequest();
    if (bOk) return Succeed(nStatus);
    LOGF(0, "PostHttpMsg(%s) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), m_nResult, m_nCode, strText.c_str());
    return m_nResult;
}

int CHttpClass::GetHttpFileInfoSteps(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime) {
    if (IsMissing(pszUrl)) throw CINETException(-2, 0);
    int nStatus = OpenHttpRequest(pszUrl, "HEAD", nullptr, nullptr, 0);
    if (nStatus != 200) throw CINETException(-5, nStatus);
    int64_t i64Length = QueryContentLength(m_hRequest.Get());
    FILETIME ftModified = {};
    if (!QueryLastModified(m_hRequest.Get(), ftModified)) ftModified = FILETIME{};
    i64Size = i64Length;
    ftTime = ftModified;
    return nStatus;
}

int CHttpClass::GetHttpFileInfo(const char* pszUrl, int64_t& i64Size, FILETIME& ftTime) {
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded([&] { nStatus = GetHttpFileInfoSteps(pszUrl, i64Size, ftTime); }, strText);
    CloseHttpRequest();
    if (bOk) return Succeed(nStatus);
    LOGF(0, "GetHttpFileInfo(%s) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), m_nResult, m_nCode,
         strText.c_str());
    return m_nResult;
}

int CHttpClass::HttpRangeRequest(const char* pszUrl, int64_t i64First, int64_t i64Last,
                                 const FILETIME* pftIfRange) {
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded(
        [&] {
            std::string strHeaders =
                StrFormat("Accept: */*\r\nUser-Agent: %s\r\nRange: bytes=%I64d-%I64d\r\n", kUserAgent,
                          i64First, i64Last);
            std::string strDate;
            if (pftIfRange && (pftIfRange->dwLowDateTime || pftIfRange->dwHighDateTime))
                strDate = HttpDate(*pftIfRange);
            if (!strDate.empty()) strHeaders += "If-Range: " + strDate + "\r\n";
            nStatus = OpenHttpRequest(pszUrl, "GET", strHeaders.c_str(), nullptr, 0);
            if (nStatus != 200 && nStatus != 206) throw CINETException(-5, nStatus);
            if (nStatus == 206) CheckPartialAnswer(m_hRequest.Get(), i64First, i64Last);
        },
        strText);
    if (bOk) return Succeed(nStatus);
    LOGF(0, "HttpRangeRequest(%s, %I64d, %I64d) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), i64First, i64Last,
         m_nResult, m_nCode, strText.c_str());
    return m_nResult;
}

int CHttpClass::HttpRequest(const char* pszUrl) {
    int nStatus = 0;
    std::string strText;
    bool bOk = RunGuarded(
        [&] {
            nStatus = OpenHttpRequest(pszUrl, "GET", nullptr, nullptr, 0);
            if (nStatus != 200 && nStatus != 206) throw CINETException(-5, nStatus);
        },
        strText);
    if (bOk) return Succeed(nStatus);
    LOGF(0, "HttpRequest(%s) error: [%d,%d]%s\n", TextOrEmpty(pszUrl), m_nResult, m_nCode, strText.c_str());
    return m_nResult;
}

int CHttpClass::ReceiveBytes(void* pBuffer, int nWanted) {
    if (!m_hRequest) return -1;
    DWORD nTotal = 0;
    std::string strText;
    bool bOk = RunGuarded(
        [&] {
            if (!pBuffer || nWanted < 0) throw CINETException(-2, 0);
            unsigned char* p = static_cast<unsigned char*>(pBuffer);
            // InternetReadFile may hand over less than asked while the body goes on.
            while (nTotal < static_cast<DWORD>(nWanted)) {
                DWORD nRead = 0;
                Check(::InternetReadFile(m_hRequest.Get(), p + nTotal, static_cast<DWORD>(nWanted) - nTotal,
                                         &nRead));
                if (nRead == 0) break;
                nTotal += nRead;
            }
        },
        strText);
    if (bOk) return static_cast<int>(nTotal);
    LOGF(0, "ReceiveBytes(%d) error: [%d,%d]%s\n", nWanted, m_nResult, m_nCode, strText.c_str());
    return -1;
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
