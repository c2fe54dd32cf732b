#include "RefServerControl.h"

#include <wininet.h>

#include <cstdlib>

#include "Handles.h"
#include "TestSupport.h"

namespace {

// Reads the whole body of an open request.
bool ReadAll(HINTERNET hRequest, std::string& strBody) {
    char buffer[16384];
    DWORD nRead = 0;
    strBody.clear();
    for (;;) {
        if (!::InternetReadFile(hRequest, buffer, sizeof(buffer), &nRead))
            return false;
        if (nRead == 0)
            return true;
        strBody.append(buffer, nRead);
    }
}

std::vector<std::string> SplitLines(const std::string& strText) {
    std::vector<std::string> lines;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        size_t nEnd = strText.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        lines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return lines;
}

}  // namespace

bool ServerGet(const std::string& strPathAndQuery, std::string& strBody) {
    strBody.clear();
    if (TestServerBase().empty())
        return false;
    CInternetHandle hSession(
        ::InternetOpenA("RefServerControl", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!hSession)
        return false;
    const DWORD dwFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    CInternetHandle hRequest(
        ::InternetOpenUrlA(hSession.Get(), TestServerUrl(strPathAndQuery).c_str(), nullptr, 0, dwFlags, 0));
    if (!hRequest)
        return false;
    DWORD dwStatus = 0;
    DWORD dwSize = sizeof(dwStatus);
    if (!::HttpQueryInfoA(hRequest.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &dwSize,
                          nullptr)) {
        return false;
    }
    return ReadAll(hRequest.Get(), strBody) && dwStatus == 200;
}

bool SetServerRule(const std::string& strQuery) {
    std::string strBody;
    return ServerGet("/_ctl/rule?" + strQuery, strBody);
}

bool ClearServerRules(const std::string& strPath) {
    std::string strBody;
    return ServerGet(strPath.empty() ? "/_ctl/clear" : "/_ctl/clear?path=" + strPath, strBody);
}

bool ResetServer() {
    std::string strBody;
    return ServerGet("/_ctl/reset", strBody);
}

std::vector<std::string> ServerRequests(const std::string& strPath) {
    std::string strBody;
    if (!ServerGet(strPath.empty() ? "/_ctl/requests" : "/_ctl/requests?path=" + strPath, strBody))
        return {};
    return SplitLines(strBody);
}

int ServerConnectionCount() {
    std::string strBody;
    if (!ServerGet("/_ctl/connections", strBody) || strBody.empty())
        return -1;
    return static_cast<int>(strtol(strBody.c_str(), nullptr, 10));
}

std::string ServedFilePath(const std::string& strName) {
    std::string strPath = TestServerRoot() + strName;
    for (char& c : strPath) {
        if (c == '/')
            c = '\\';
    }
    return strPath;
}

std::string PutServedFile(const std::string& strName, const std::vector<uint8_t>& bytes) {
    if (TestServerRoot().empty())
        return std::string();
    std::string strPath = ServedFilePath(strName);
    // Create the sub-folders the name asks for, outermost first.
    for (size_t nPos = TestServerRoot().size(); (nPos = strPath.find('\\', nPos)) != std::string::npos;
         ++nPos) {
        ::CreateDirectoryA(strPath.substr(0, nPos).c_str(), nullptr);
    }
    if (!WriteFileBytes(strPath, bytes.data(), bytes.size()))
        return std::string();
    return TestServerUrl("/" + strName);
}

std::string PutServedFile(const std::string& strName, const std::string& strText) {
    return PutServedFile(strName, std::vector<uint8_t>(strText.begin(), strText.end()));
}

bool SetServedFileTime(const std::string& strName, const FILETIME& ftWrite) {
    CFileHandle hFile(::CreateFileA(ServedFilePath(strName).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return hFile && ::SetFileTime(hFile.Get(), nullptr, nullptr, &ftWrite) != FALSE;
}
